#pragma once

#include "ui/grid/grid_types.h"

#include <QColor>
#include <QWidget>

enum TColorScheme { csCustom, csDesert, csGrass, csSilver, csSky, csRose, csSun };
enum TFillDirection { fdHorizontal, fdVertical, fdDiagonal };
enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

// A panel that paints a two-colour gradient, its caption and its bevels in
// colours of its own. The dialogs use it as header and background; children
// that do not fill their background show the gradient through.
class TGradientPanel : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)

public:
    explicit TGradientPanel(QWidget *parent = nullptr);

    QColor ColorFace() const { return m_colorFace; }
    void SetColorFace(const QColor &color);
    QColor ColorGrad() const { return m_colorGrad; }
    void SetColorGrad(const QColor &color);
    QColor ColorLight() const { return m_colorLight; }
    void SetColorLight(const QColor &color);
    QColor ColorDark() const { return m_colorDark; }
    void SetColorDark(const QColor &color);
    TColorScheme ColorScheme() const { return m_scheme; }
    void SetColorScheme(TColorScheme scheme);
    TFillDirection FillDirection() const { return m_fillDirection; }
    void SetFillDirection(TFillDirection direction);

    QString Caption() const { return m_caption; }
    void SetCaption(const QString &caption);
    TAlignment Alignment() const { return m_alignment; }
    void SetAlignment(TAlignment alignment);
    TBevelCut BevelInner() const { return m_bevelInner; }
    void SetBevelInner(TBevelCut bevel);
    TBevelCut BevelOuter() const { return m_bevelOuter; }
    void SetBevelOuter(TBevelCut bevel);
    int BevelWidth() const { return m_bevelWidth; }
    void SetBevelWidth(int width);

    // The gradient's colour of line i of steps (both ends included).
    static QColor GradientColor(const QColor &face, const QColor &grad, int i, int steps);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void changed();
    void paintGradient(QPainter &painter);
    void paintCaption(QPainter &painter);
    void paintBevel(QPainter &painter, int inset, TBevelCut cut);

    QColor m_colorFace;
    QColor m_colorGrad;
    QColor m_colorLight;
    QColor m_colorDark;
    TColorScheme m_scheme = csCustom;
    TFillDirection m_fillDirection = fdVertical;
    QString m_caption;
    TAlignment m_alignment = taCenter;
    TBevelCut m_bevelInner = bvNone;
    TBevelCut m_bevelOuter = bvRaised;
    int m_bevelWidth = 1;
};
