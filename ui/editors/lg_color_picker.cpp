#include "ui/editors/lg_color_picker.h"

#include "ui/editors/edit_artwork.h"
#include "ui/editors/lg_color_text.h"

#include <QColorDialog>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

namespace {

constexpr int kComponentStep = 51;
constexpr int kShades = 6;
constexpr int kCubeFirstColumn = 3;
constexpr QRect kPreviewSwatch{4, 4, 35, 20};
constexpr QRect kPreviewText{45, 8, 60, 17};
constexpr int kCellSize = 11;

} // namespace

TColorPopup::TColorPopup(TLgColorPicker *picker) : TLgPopupControl(picker)
{
    resize(kContentWidth + 2 * kBorderWidth, kContentHeight + 2 * kBorderWidth);
    ChooseColor = [this](const QColor &initial) -> std::optional<QColor> {
        const QColor chosen = QColorDialog::getColor(initial, this);
        return chosen.isValid() ? std::optional<QColor>(chosen) : std::nullopt;
    };
}

QColor TColorPopup::CellColor(int column, int row)
{
    if (column == 0 || column == 2)
        return Qt::black;
    if (column == 1) {
        if (row < kShades)
            return QColor(row * kComponentStep, row * kComponentStep, row * kComponentStep);
        const QColor basics[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::cyan, Qt::magenta};
        return basics[row - kShades];
    }
    const int cube = column - kCubeFirstColumn;
    const int redIndex = cube / kShades + (row < kShades ? 0 : 3);
    return QColor(redIndex * kComponentStep, (cube % kShades) * kComponentStep, (row % kShades) * kComponentStep);
}

std::optional<QPoint> TColorPopup::CellAt(const QPoint &pos)
{
    if (pos.x() < 0 || pos.y() < kGridTop)
        return std::nullopt;
    const int column = pos.x() / kCellPitch;
    const int row = (pos.y() - kGridTop) / kCellPitch;
    if (column >= kColumns || row >= kRows)
        return std::nullopt;
    return QPoint(column, row);
}

std::optional<QColor> TColorPopup::PreviewColor() const
{
    if (m_hotCell)
        return CellColor(m_hotCell->x(), m_hotCell->y());
    return m_selected;
}

QPoint TColorPopup::toContent(const QPointF &pos) const
{
    return pos.toPoint() - QPoint(kBorderWidth, kBorderWidth);
}

void TColorPopup::PaintContent(QPainter &painter)
{
    painter.fillRect(rect(), palette().color(QPalette::Button));
    painter.translate(kBorderWidth, kBorderWidth);
    std::optional<QPoint> selectedCell;
    for (int column = 0; column < kColumns; ++column) {
        for (int row = 0; row < kRows; ++row) {
            const QColor color = CellColor(column, row);
            const QRect cell(column * kCellPitch, kGridTop + row * kCellPitch, kCellSize, kCellSize);
            painter.setPen(Qt::black);
            painter.setBrush(color);
            painter.drawRect(cell.adjusted(0, 0, -1, -1));
            if (!selectedCell && m_selected && color.rgb() == m_selected->rgb())
                selectedCell = QPoint(column, row);
        }
    }
    if (selectedCell) {
        painter.setPen(Qt::white);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRect(selectedCell->x() * kCellPitch, kGridTop + selectedCell->y() * kCellPitch,
                               kCellSize, kCellSize).adjusted(0, 0, -1, -1));
    }
    const std::optional<QColor> preview = PreviewColor();
    if (preview)
        painter.fillRect(kPreviewSwatch, *preview);
    else
        drawNoneColor(painter, kPreviewSwatch);
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(kPreviewSwatch.adjusted(0, 0, -1, -1));
    painter.setPen(palette().color(QPalette::ButtonText));
    painter.drawText(kPreviewText, Qt::AlignLeft | Qt::AlignVCenter,
                     preview ? colorToText(*preview, m_webFormat) : QString());
    static const QPixmap moreGlyph = moreColorsGlyph();
    static const QPixmap noneGlyph = noneColorGlyph();
    for (const auto &[button, glyph] : {std::pair{kMoreButton, &moreGlyph}, std::pair{kNoneButton, &noneGlyph}}) {
        QStyleOptionButton option;
        option.initFrom(this);
        option.rect = button;
        option.state |= QStyle::State_Raised;
        style()->drawPrimitive(QStyle::PE_PanelButtonTool, &option, &painter, this);
        painter.drawPixmap(button.topLeft() + QPoint(2, 2), *glyph);
    }
    painter.resetTransform();
}

void TColorPopup::mouseMoveEvent(QMouseEvent *event)
{
    m_hotCell = CellAt(toContent(event->position()));
    update();
}

void TColorPopup::ReleasedInside(const QPointF &pos)
{
    ClickAt(toContent(pos));
}

void TColorPopup::ClickAt(const QPoint &pos)
{
    if (kMoreButton.contains(pos)) {
        const std::optional<QColor> chosen = ChooseColor ? ChooseColor(m_selected.value_or(Qt::white)) : std::nullopt;
        if (chosen)
            SelectValue(colorToText(*chosen, m_webFormat));
        return;
    }
    if (kNoneButton.contains(pos)) {
        SelectValue(QString());
        return;
    }
    if (const auto cell = CellAt(pos))
        SelectValue(colorToText(CellColor(cell->x(), cell->y()), m_webFormat));
    else if (pos.y() >= kGridTop)
        SelectValue(QString());
}

TLgColorPicker::TLgColorPicker(QWidget *parent) : TLgPopupEdit(parent)
{
    SetShowPreview(true);
    connect(this, &QLineEdit::textChanged, this, [this] { textEdited(); });
    SetSelectedColor(QColor(Qt::white));
}

void TLgColorPicker::textEdited()
{
    if (text().trimmed().isEmpty()) {
        m_lastValid.reset();
    } else if (const auto color = textToColor(text(), m_webFormat)) {
        m_lastValid = color;
    }
    update();
}

std::optional<QColor> TLgColorPicker::SelectedColor() const
{
    if (text().trimmed().isEmpty())
        return std::nullopt;
    if (const auto color = textToColor(text(), m_webFormat))
        return color;
    return m_lastValid;
}

void TLgColorPicker::SetSelectedColor(const std::optional<QColor> &color)
{
    setText(color ? colorToText(*color, m_webFormat) : QString());
}

void TLgColorPicker::SetWebColorFormat(bool web)
{
    if (web == m_webFormat)
        return;
    const std::optional<QColor> color = SelectedColor();
    m_webFormat = web;
    SetSelectedColor(color);
}

TLgPopupControl *TLgColorPicker::CreatePopup()
{
    return new TColorPopup(this);
}

void TLgColorPicker::PreparePopup(TLgPopupControl *popup)
{
    auto *colors = static_cast<TColorPopup *>(popup);
    colors->SetSelectedColor(SelectedColor());
    colors->SetWebColorFormat(m_webFormat);
}

void TLgColorPicker::DrawPreviewContent(QPainter &painter, const QRect &rect)
{
    const std::optional<QColor> color = SelectedColor();
    if (color)
        painter.fillRect(rect, *color);
    else
        drawNoneColor(painter, rect);
}
