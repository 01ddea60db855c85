#pragma once

#include "ui/editors/inplace_editable.h"
#include "ui/grid/inplace_editor.h"

#include <QLineEdit>
#include <QPixmap>

#include <functional>

// A single-line edit with alignment, a margin, an optional glyph and an
// optional preview square at its left, and an in-place flag for use inside
// the grid (see inplace_editable.h for how the grid hosts it).
class TLgCustomEdit : public QLineEdit, public ILgInplaceEditor, public IInplaceEditable
{
    Q_OBJECT

public:
    static constexpr int kDefaultWidth = 121;
    static constexpr int kDefaultHeight = 20;
    static constexpr int kPreviewSpace = 27;
    static constexpr int kPreviewWidth = 20;
    static constexpr int kGlyphSpacing = 4;
    static constexpr int kSelectAllZone = 2;

    explicit TLgCustomEdit(QWidget *parent = nullptr);

    TAlignment Alignment() const { return m_alignment; }
    void SetAlignment(TAlignment alignment) { SetAlignment(alignment, m_verticalAlignment); }
    TVerticalAlignment VerticalAlignment() const { return m_verticalAlignment; }
    void SetVerticalAlignment(TVerticalAlignment alignment) { SetAlignment(m_alignment, alignment); }
    int Margin() const { return m_margin; }
    bool ShowPreview() const { return m_showPreview; }
    void SetShowPreview(bool show);
    const QPixmap &Glyph() const { return m_glyph; }
    void SetGlyph(const QPixmap &glyph);
    bool InPlace() const { return m_inPlace; }

    std::function<void(TLgCustomEdit *)> OnGlyphClick;

    // Left edge of the text area (after glyph and preview).
    int TextLeft() const;
    // The preview square, in widget coordinates; empty without ShowPreview.
    QRect PreviewRect() const;

    QSize sizeHint() const override;

    // ILgInplaceEditor
    QWidget *Widget() override { return this; }
    QString Text() const override { return text(); }
    void SetText(const QString &value) override { setText(value); }
    void SelectAll() override { selectAll(); }
    void SetAlignment(TAlignment alignment, TVerticalAlignment vertical) override;
    void SetBorderless(bool borderless) override { setFrame(!borderless); }
    void SetMargin(int margin) override;
    void SetInPlace(bool inPlace) override;
    void SetAppearance(const QFont &font, const QColor &color) override;

    // IInplaceEditable
    bool AsBoolean() const override;
    QDateTime AsDateTime() const override;
    double AsFloat() const override;
    qint64 AsInteger() const override;
    QString AsText() const override { return text(); }
    void SetAsBoolean(bool value) override;
    void SetAsDateTime(const QDateTime &value) override;
    void SetAsFloat(double value) override;
    void SetAsInteger(qint64 value) override;
    void SetAsText(const QString &value) override { setText(value); }
    void EnterEditMode() override;

protected:
    // Width taken at the right edge by a button; 0 for a plain edit.
    virtual int RightReserve() const { return 0; }
    virtual void InPlaceChanged() {}
    // Draws glyph and preview over the edit's own painting.
    virtual void PaintDecorations(QPainter &painter);
    virtual void PaintPreview(QPainter &painter, const QRect &rect);
    void UpdateTextArea();

    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QRect glyphRect() const;

    TAlignment m_alignment = taLeftJustify;
    TVerticalAlignment m_verticalAlignment = vaMiddle;
    int m_margin = 0;
    bool m_showPreview = false;
    bool m_inPlace = false;
    QPixmap m_glyph;
};

class TLgEdit : public TLgCustomEdit
{
    Q_OBJECT

public:
    explicit TLgEdit(QWidget *parent = nullptr) : TLgCustomEdit(parent) {}

    bool PreviewBorder() const { return m_previewBorder; }
    void SetPreviewBorder(bool border);

    std::function<void(TLgEdit *sender, QPainter &painter, const QRect &previewRect)> OnCustomPreviewDraw;

protected:
    void PaintPreview(QPainter &painter, const QRect &rect) override;
    // What the control itself shows in the preview square.
    virtual void DrawPreviewContent(QPainter &painter, const QRect &rect);

private:
    bool m_previewBorder = false;
};
