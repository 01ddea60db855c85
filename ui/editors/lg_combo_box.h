#pragma once

#include "ui/editors/lg_popup_edit.h"

#include <QList>
#include <QPixmap>
#include <QStringList>

class TLgComboBox;

// The item list of TLgComboBox.
class TPopupList : public TLgPopupControl
{
    Q_OBJECT

public:
    explicit TPopupList(TLgComboBox *combo);

    void SetItems(const QStringList &items) { m_items = items; }
    const QStringList &Items() const { return m_items; }
    void SetImages(const QList<QPixmap> &images) { m_images = images; }
    void SetItemHeight(int height) { m_itemHeight = std::max(1, height); }
    int ItemHeight() const { return m_itemHeight; }
    void SetColors(const QColor &dropDown, const QColor &selection, const QColor &highlightText);

    // First shown row, within 0..ScrollRange().
    int ScrollPosition() const { return m_scroll; }
    void SetScrollPosition(int position);
    // Rows that do not fit; never negative.
    int ScrollRange() const;
    int HotRow() const { return m_hotRow; }
    // Row clicked during the present opening, -1 for none.
    int ClickedRow() const { return m_clickedRow; }

    // Before showing: hot row is currentIndex when valid, else the first item
    // equal to text, else 0; scrolled to show it.
    void PrepareOpen(int currentIndex, const QString &text);
    int RowAt(int y) const;

protected:
    void PaintContent(QPainter &painter) override;
    void ReleasedInside(const QPointF &pos) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void setHotRow(int row);
    void chooseRow(int row);
    int visibleRows() const;

    TLgComboBox *m_combo;
    QStringList m_items;
    QList<QPixmap> m_images;
    int m_itemHeight = 16;
    int m_scroll = 0;
    int m_hotRow = 0;
    int m_clickedRow = -1;
    QColor m_dropDownColor;
    QColor m_selectionColor;
    QColor m_highlightTextColor;
};

// A drop-down list edit. ItemIndex may be set to any number; only an index
// inside the items shows its text. The keys and the wheel move it within
// -1..Count-1.
class TLgComboBox : public TLgPopupEdit
{
    Q_OBJECT
    Q_PROPERTY(QStringList Items READ Items WRITE SetItems)
    Q_PROPERTY(int ItemIndex READ ItemIndex WRITE SetItemIndex)

public:
    static constexpr int kDefaultDropDownCount = 8;
    static constexpr int kDefaultItemHeight = 16;

    explicit TLgComboBox(QWidget *parent = nullptr);

    const QStringList &Items() const { return m_items; }
    void SetItems(const QStringList &items);
    int ItemIndex() const { return m_itemIndex; }
    void SetItemIndex(int index);
    // The text of the item at ItemIndex; empty when ItemIndex is not an item.
    QString CurrentItem() const;
    const QList<QPixmap> &Images() const { return m_images; }
    void SetImages(const QList<QPixmap> &images);
    int ItemHeight() const { return m_itemHeight; }
    void SetItemHeight(int height) { m_itemHeight = std::max(1, height); }
    int DropDownCount() const { return m_dropDownCount; }
    void SetDropDownCount(int count) { m_dropDownCount = std::max(1, count); }
    QColor DropDownColor() const { return m_dropDownColor; }
    void SetDropDownColor(const QColor &c) { m_dropDownColor = c; }
    QColor SelectionColor() const { return m_selectionColor; }
    void SetSelectionColor(const QColor &c) { m_selectionColor = c; }
    QColor HighlightTextColor() const { return m_highlightTextColor; }
    void SetHighlightTextColor(const QColor &c) { m_highlightTextColor = c; }

    TPopupList *List() { return static_cast<TPopupList *>(Popup()); }

protected:
    TLgPopupControl *CreatePopup() override;
    void PreparePopup(TLgPopupControl *popup) override;
    void CloseUp() override;
    void DrawPreviewContent(QPainter &painter, const QRect &rect) override;
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    bool isItem(int index) const { return index >= 0 && index < m_items.size(); }
    void step(int delta);

    QStringList m_items;
    int m_itemIndex = -1;
    QList<QPixmap> m_images;
    int m_itemHeight = kDefaultItemHeight;
    int m_dropDownCount = kDefaultDropDownCount;
    QColor m_dropDownColor;
    QColor m_selectionColor;
    QColor m_highlightTextColor;
};
