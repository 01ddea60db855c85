#include "ui/editors/lg_combo_box.h"

#include "ui/grid/providers.h"

#include <QKeyEvent>
#include <QPainter>

namespace {

constexpr int kImageLeft = 2;
constexpr int kTextGapAfterImage = 5;

} // namespace

TPopupList::TPopupList(TLgComboBox *combo) : TLgPopupControl(combo), m_combo(combo) {}

void TPopupList::SetColors(const QColor &dropDown, const QColor &selection, const QColor &highlightText)
{
    m_dropDownColor = dropDown;
    m_selectionColor = selection;
    m_highlightTextColor = highlightText;
}

int TPopupList::visibleRows() const
{
    return std::max(0, ContentRect().height()) / m_itemHeight;
}

int TPopupList::ScrollRange() const
{
    return std::max(0, int(m_items.size()) - visibleRows());
}

void TPopupList::SetScrollPosition(int position)
{
    m_scroll = std::clamp(position, 0, ScrollRange());
    update();
}

int TPopupList::RowAt(int y) const
{
    const int inside = y - ContentRect().top();
    if (inside < 0)
        return -1;
    const int row = inside / m_itemHeight + m_scroll;
    return row < m_items.size() ? row : -1;
}

void TPopupList::PrepareOpen(int currentIndex, const QString &text)
{
    m_scroll = 0;
    m_clickedRow = -1;
    int hot = 0;
    if (currentIndex >= 0 && currentIndex < m_items.size()) {
        hot = currentIndex;
    } else {
        const qsizetype found = m_items.indexOf(text);
        hot = found >= 0 ? int(found) : 0;
    }
    m_hotRow = hot;
    SetScrollPosition(hot);
}

void TPopupList::setHotRow(int row)
{
    if (row == m_hotRow)
        return;
    m_hotRow = row;
    update();
}

void TPopupList::chooseRow(int row)
{
    if (row < 0 || row >= m_items.size())
        return;
    m_clickedRow = row;
    SelectValue(m_items.at(row));
}

void TPopupList::PaintContent(QPainter &painter)
{
    const QRect content = ContentRect();
    painter.fillRect(rect(), m_dropDownColor);
    const bool showImages = !m_images.isEmpty();
    int y = content.top();
    for (int row = m_scroll; row < m_items.size() && y < content.bottom(); ++row, y += m_itemHeight) {
        const QRect line(content.left(), y, content.width(), m_itemHeight);
        const bool hot = row == m_hotRow;
        painter.fillRect(line, hot ? m_selectionColor : m_dropDownColor);
        int textLeft = kImageLeft;
        if (showImages) {
            int imageWidth = 0;
            for (const QPixmap &image : m_images)
                imageWidth = std::max(imageWidth, image.width());
            if (row < m_images.size()) {
                const QPixmap &image = m_images.at(row);
                painter.drawPixmap(line.left() + kImageLeft, y + (m_itemHeight - image.height()) / 2, image);
            }
            textLeft = imageWidth + kTextGapAfterImage;
        }
        painter.setPen(hot ? m_highlightTextColor : palette().color(QPalette::WindowText));
        const QRect textRect = line.adjusted(textLeft, 0, 0, 0);
        painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                         TextShownIn(m_items.at(row), textRect.width()));
    }
}

void TPopupList::mouseMoveEvent(QMouseEvent *event)
{
    const int row = RowAt(int(event->position().y()));
    if (row >= 0)
        setHotRow(row);
}

void TPopupList::ReleasedInside(const QPointF &pos)
{
    chooseRow(RowAt(int(pos.y())));
}

void TPopupList::wheelEvent(QWheelEvent *event)
{
    SetScrollPosition(m_scroll + (event->angleDelta().y() > 0 ? -1 : 1));
}

void TPopupList::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Up:
        setHotRow(std::max(0, m_hotRow - 1));
        break;
    case Qt::Key_Down:
        setHotRow(std::min(int(m_items.size()) - 1, m_hotRow + 1));
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        chooseRow(m_hotRow);
        return;
    default:
        TLgPopupControl::keyPressEvent(event);
        return;
    }
    if (m_hotRow < m_scroll)
        SetScrollPosition(m_hotRow);
    else if (m_hotRow >= m_scroll + visibleRows())
        SetScrollPosition(m_hotRow - visibleRows() + 1);
}

TLgComboBox::TLgComboBox(QWidget *parent) : TLgPopupEdit(parent)
{
    m_dropDownColor = palette().color(QPalette::Base);
    m_selectionColor = palette().color(QPalette::Highlight);
    m_highlightTextColor = palette().color(QPalette::HighlightedText);
}

TLgPopupControl *TLgComboBox::CreatePopup()
{
    return new TPopupList(this);
}

void TLgComboBox::SetItems(const QStringList &items)
{
    m_items = items;
    if (Style() == dsDropDownList)
        SetItemIndex(m_itemIndex);
}

void TLgComboBox::SetImages(const QList<QPixmap> &images)
{
    m_images = images;
    update();
}

void TLgComboBox::SetItemIndex(int index)
{
    m_itemIndex = index;
    if (isItem(index))
        setText(m_items.at(index));
    update();
}

QString TLgComboBox::CurrentItem() const
{
    return isItem(m_itemIndex) ? m_items.at(m_itemIndex) : QString();
}

void TLgComboBox::step(int delta)
{
    const int last = int(m_items.size()) - 1;
    SetItemIndex(std::clamp(m_itemIndex + delta, -1, last));
}

void TLgComboBox::PreparePopup(TLgPopupControl *popup)
{
    auto *list = static_cast<TPopupList *>(popup);
    list->SetColors(m_dropDownColor, m_selectionColor, m_highlightTextColor);
    list->SetItems(m_items);
    list->SetImages(m_images);
    list->SetItemHeight(m_itemHeight);
    const int rows = std::min(int(m_items.size()), m_dropDownCount);
    list->resize(width(), rows * m_itemHeight + 2 * TLgPopupControl::kBorderWidth);
    list->PrepareOpen(m_itemIndex, text());
}

void TLgComboBox::CloseUp()
{
    // Only a click in this opening picks an item; Escape or a click outside
    // keeps the present choice.
    if (List()->ClickedRow() >= 0)
        SetItemIndex(List()->ClickedRow());
    TLgPopupEdit::CloseUp();
}

void TLgComboBox::DrawPreviewContent(QPainter &painter, const QRect &rect)
{
    if (!isItem(m_itemIndex) || m_itemIndex >= m_images.size())
        return;
    const QPixmap &image = m_images.at(m_itemIndex);
    const int x = rect.left() + (rect.width() - image.width()) / 2;
    int y = rect.top() + (rect.height() - image.height()) / 2;
    if (VerticalAlignment() == vaTop)
        y = rect.top();
    else if (VerticalAlignment() == vaBottom)
        y = rect.bottom() + 1 - image.height();
    painter.drawPixmap(x, y, image);
}

void TLgComboBox::keyPressEvent(QKeyEvent *event)
{
    if (!InPlace() && !DroppedDown() && (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down)) {
        step(event->key() == Qt::Key_Up ? -1 : 1);
        event->accept();
        return;
    }
    TLgPopupEdit::keyPressEvent(event);
}

void TLgComboBox::wheelEvent(QWheelEvent *event)
{
    const int delta = event->angleDelta().y();
    if (delta < 0)
        step(1);
    else if (delta > 0 && m_itemIndex >= 1)
        step(-1);
    event->accept();
}
