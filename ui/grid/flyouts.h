#pragma once

#include <QColor>
#include <QLabel>
#include <QPixmap>
#include <QPolygon>
#include <QWidget>

#include <functional>

// A borderless window above everything else, not a child of the grid, shown
// without taking the focus: drag boxes, drag arrows, the roll shadow.
class TLgFlyoutControl : public QWidget
{
    Q_OBJECT

public:
    explicit TLgFlyoutControl(QWidget *parent = nullptr);
};

// The mark shown at the press point while roll scrolling: an up arrow, a
// down arrow and a circle on the point, in the grey-text colour.
class TRollShadow : public TLgFlyoutControl
{
    Q_OBJECT

public:
    TRollShadow();
    static QRegion Shape();
    void ShowAt(const QPoint &screenPoint);

protected:
    void paintEvent(QPaintEvent *event) override;
};

// A 9 x 9 red arrow that marks where a dragged column will drop.
class TDragArrow : public TLgFlyoutControl
{
    Q_OBJECT

public:
    enum TDirection { Up, Down };
    explicit TDragArrow(TDirection direction);
    TDirection Direction() const { return m_direction; }
    void SetDirection(TDirection direction);
    static QPolygon Outline(TDirection direction);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    TDirection m_direction;
};

// Follows the mouse with the dragged column's header while a column is moved.
class TColumnDragBox : public TLgFlyoutControl
{
    Q_OBJECT

public:
    TColumnDragBox();
    // The header picture as the default style display painted it.
    void Start(const QPixmap &header, const QPoint &screenPoint);
    void MoveTo(const QPoint &screenPoint);
    void Drop(const QPoint &screenPoint);

    std::function<void(const QPoint &screenPoint)> OnMove;
    std::function<void(const QPoint &screenPoint)> OnDrop;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPixmap m_header;
};

// Cell, header, footer and text-fit hints of the grid.
class TLgGridHintWindow : public QLabel
{
    Q_OBJECT

public:
    enum TMode { Hidden = 0, FooterHint = 1, HeaderHint = 2, TextFitHint = 3, CellHint = 4 };
    TLgGridHintWindow();
    TMode Mode() const { return m_mode; }
    void ShowHint(TMode mode, const QString &text, const QPoint &screenPoint);
    void HideHint();

private:
    TMode m_mode = Hidden;
};
