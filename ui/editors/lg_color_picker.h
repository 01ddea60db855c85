#pragma once

#include "ui/editors/lg_popup_edit.h"

#include <optional>

class TLgColorPicker;

// The colour grid of TLgColorPicker: 21 x 12 cells, a preview with the
// colour's text, a "more colours" and a "no colour" button.
class TColorPopup : public TLgPopupControl
{
    Q_OBJECT

public:
    static constexpr int kColumns = 21;
    static constexpr int kRows = 12;
    static constexpr int kCellPitch = 10;
    static constexpr int kGridTop = 28;
    // The grid and its frame fit inside the two-pixel border.
    static constexpr int kContentWidth = 211;
    static constexpr int kContentHeight = 149;
    static constexpr QRect kMoreButton{160, 4, 20, 20};
    static constexpr QRect kNoneButton{180, 4, 20, 20};

    explicit TColorPopup(TLgColorPicker *picker);

    // The colour of a cell (column 0..20, row 0..11).
    static QColor CellColor(int column, int row);
    // The cell under a content point; nullopt outside the grid.
    static std::optional<QPoint> CellAt(const QPoint &contentPos);

    void SetSelectedColor(const std::optional<QColor> &color) { m_selected = color; }
    void SetWebColorFormat(bool web) { m_webFormat = web; }
    std::optional<QColor> PreviewColor() const;

    // Asked by "more colours"; nullopt when cancelled. Defaults to QColorDialog.
    std::function<std::optional<QColor>(const QColor &initial)> ChooseColor;

    // A click at a content point, as the mouse does it.
    void ClickAt(const QPoint &contentPos);

protected:
    void PaintContent(QPainter &painter) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void ReleasedInside(const QPointF &pos) override;

private:
    QPoint toContent(const QPointF &pos) const;

    std::optional<QColor> m_selected;
    std::optional<QPoint> m_hotCell;
    bool m_webFormat = false;
};

// A drop-down edit whose text is a colour. An empty text is no colour; text
// that is not a colour leaves SelectedColor at the last colour the text held.
class TLgColorPicker : public TLgPopupEdit
{
    Q_OBJECT

public:
    explicit TLgColorPicker(QWidget *parent = nullptr);

    // nullopt: no colour.
    std::optional<QColor> SelectedColor() const;
    void SetSelectedColor(const std::optional<QColor> &color);
    bool WebColorFormat() const { return m_webFormat; }
    void SetWebColorFormat(bool web);

    TColorPopup *ColorPopup() { return static_cast<TColorPopup *>(Popup()); }

protected:
    TLgPopupControl *CreatePopup() override;
    void PreparePopup(TLgPopupControl *popup) override;
    void DrawPreviewContent(QPainter &painter, const QRect &rect) override;

private:
    void textEdited();

    bool m_webFormat = false;
    std::optional<QColor> m_lastValid;
};
