#include "ui/grid/columns.h"

#include "ui/grid/cell_store.h"
#include "ui/grid/column_displays.h"
#include "ui/grid/grid_control.h"
#include "ui/grid/inplace_editor.h"
#include "core/util/text_compare.h"

#include <QBitmap>
#include <QFontMetrics>
#include <QImage>

#include <algorithm>
#include <cmath>

// --- TColumnPart

TColumnPart::TColumnPart(TLgCustomColumn *column, QColor color) : m_column(column), m_color(color) {}

void TColumnPart::columnRepaint()
{
    if (m_column)
        m_column->Repaint();
}

void TColumnPart::SetCaption(const QString &caption)
{
    m_caption = caption;
    if (m_column) {
        m_column->NotifyListeners(kListenName);
        m_column->Changed(kChangeCaption);
    }
}

void TColumnPart::SetColor(const QColor &color)
{
    m_color = color;
    columnRepaint();
}

void TColumnPart::SetDisplayMode(TDisplayMode mode)
{
    m_displayMode = mode;
    columnRepaint();
}

void TColumnPart::SetGlyph(const QPixmap &glyph)
{
    m_glyph = glyph;
    if (!m_glyph.isNull()) {
        const QImage image = m_glyph.toImage();
        const QColor key = image.pixelColor(0, image.height() - 1);
        m_glyph.setMask(m_glyph.createMaskFromColor(key, Qt::MaskInColor));
    }
    columnRepaint();
}

void TColumnPart::Assign(const TColumnPart &other)
{
    m_caption = other.m_caption;
    m_color = other.m_color;
    m_displayMode = other.m_displayMode;
    m_glyph = other.m_glyph;
    columnRepaint();
}

TColumnHeader::TColumnHeader(TLgCustomColumn *column) : TColumnPart(column, SysColor::buttonFace()) {}

void TColumnHeader::SetOrientation(THeaderOrientation orientation)
{
    m_orientation = orientation;
    if (m_column)
        m_column->Changed(kChangeUnsorted);
}

void TColumnHeader::SetAlignment(TAlignment alignment)
{
    m_alignment = alignment;
    if (m_column)
        m_column->Changed(kChangeUnsorted);
}

TColumnFooter::TColumnFooter(TLgCustomColumn *column) : TColumnPart(column, SysColor::window()) {}

void TColumnFooter::SetFormulaKind(TFormulaKind kind)
{
    m_formulaKind = kind;
    columnRepaint();
}

void TColumnFooter::SetFormatMask(const QString &mask)
{
    m_formatMask = mask;
    columnRepaint();
}

void TColumnFooter::Assign(const TColumnPart &other)
{
    if (const auto *footer = dynamic_cast<const TColumnFooter *>(&other))
        m_formulaKind = footer->m_formulaKind;
    columnRepaint();
}

// --- TLgCustomColumn

TLgCustomColumn::TLgCustomColumn(QObject *parent)
    : QObject(parent), m_color(SysColor::window()), m_footer(this), m_header(this)
{
}

TLgCustomColumn::~TLgCustomColumn()
{
    if (m_list)
        m_list->detach(this);
}

TLgCustomGridControl *TLgCustomColumn::Grid() const
{
    return m_list ? m_list->Grid() : nullptr;
}

int TLgCustomColumn::Index() const
{
    return m_list ? m_list->IndexOf(this) : -1;
}

void TLgCustomColumn::Changed(int change, int value)
{
    if (m_list && m_list->OnColumnChanged)
        m_list->OnColumnChanged(this, change, value);
}

void TLgCustomColumn::NotifyListeners(int change)
{
    // A listener may remove itself while being told.
    const auto listeners = m_listeners;
    for (const auto &entry : listeners)
        entry.second(this, change);
}

int TLgCustomColumn::AddListener(TListener listener)
{
    const int id = m_nextListenerId++;
    m_listeners.emplace_back(id, std::move(listener));
    return id;
}

void TLgCustomColumn::RemoveListener(int id)
{
    std::erase_if(m_listeners, [id](const auto &entry) { return entry.first == id; });
}

void TLgCustomColumn::SetAlignment(TAlignment value)
{
    m_alignment = value;
    NotifyListeners(kListenAlignment);
    Repaint();
}

void TLgCustomColumn::SetColor(const QColor &value)
{
    m_color = value;
    NotifyListeners(kListenColorOrOptions);
    Repaint();
}

void TLgCustomColumn::SetCursor(Qt::CursorShape value)
{
    m_cursor = value;
    Repaint();
}

void TLgCustomColumn::SetDrawingOptions(TDrawingOptions value)
{
    m_drawingOptions = value;
    NotifyListeners(kListenDrawingOptions);
    Repaint();
}

void TLgCustomColumn::SetFont(const QFont &value)
{
    m_font = value;
    m_parentFont = false;
    Repaint();
}

void TLgCustomColumn::SetInputCaption(const QString &value)
{
    m_inputCaption = value;
    Repaint();
}

void TLgCustomColumn::SetOptions(TColumnOptions value)
{
    if (value.contains(coSearchColumn) && !m_options.contains(coSearchColumn) && m_list) {
        for (int k = 0; k < m_list->Count(); ++k) {
            TLgCustomColumn *other = m_list->Items(k);
            if (other != this && other->m_options.contains(coSearchColumn)) {
                other->m_options.exclude(coSearchColumn);
                other->Repaint();
            }
        }
    }
    const bool autoBefore = m_options.contains(coAutoSize);
    m_options = value;
    if (m_list && !(autoBefore && value.contains(coAutoSize)))
        m_list->AutoSize(this, true);
    Repaint();
    NotifyListeners(kListenColorOrOptions);
}

void TLgCustomColumn::SetParentFont(bool value)
{
    m_parentFont = value;
    if (value) {
        if (TLgCustomGridControl *grid = Grid())
            m_font = grid->font();
        Repaint();
    }
}

void TLgCustomColumn::SetPosition(int value)
{
    if (m_list && value != m_position && value >= 0 && value < m_list->Count())
        m_list->Move(m_position, value);
    else
        m_position = value;
}

void TLgCustomColumn::SetSorted(bool value)
{
    if (value) {
        if (m_list) {
            for (int k = 0; k < m_list->Count(); ++k) {
                TLgCustomColumn *other = m_list->Items(k);
                if (other != this && other->m_sorted)
                    other->SetSorted(false);
            }
        }
        m_sorted = true;
        Changed(kChangeSorted);
    } else {
        m_sorted = false;
        Changed(kChangeUnsorted);
    }
}

void TLgCustomColumn::SetSortKind(TSortKind value)
{
    m_sortKind = value;
    Changed(kChangeSortKind);
}

void TLgCustomColumn::SetSortType(TSortType value)
{
    m_sortType = value;
    Changed(kChangeSortKind);
}

void TLgCustomColumn::SetVerticalAlignment(TVerticalAlignment value)
{
    m_verticalAlignment = value;
    Repaint();
}

void TLgCustomColumn::SetVisible(bool value)
{
    if (value == m_visible)
        return;
    m_visible = value;
    NotifyListeners(kListenVisibility);
    if (m_list) {
        m_list->Layout(false);
        m_list->AutoSize();
        Changed(kChangeVisibility);
    }
}

void TLgCustomColumn::SetWidth(int value)
{
    m_fitPending = false;
    applyWidth(value, true);
}

void TLgCustomColumn::applyWidth(int value, bool autoSizeOthers)
{
    value = std::clamp(value, kMinColumnWidth, kMaxColumnWidth);
    const int difference = value - m_width;
    m_width = value;
    if (difference == 0)
        return;
    if (m_list && !m_list->Destroying()) {
        m_list->Layout(false);
        if (autoSizeOthers)
            m_list->AutoSize(this, false);
    }
    Changed(kChangeWidth, difference);
}

void TLgCustomColumn::SetSecondCaption(const QString &value)
{
    m_secondCaption = value;
    Changed(kChangeCaption);
}

void TLgCustomColumn::SetName(const QString &name)
{
    if (name == objectName())
        return;
    setObjectName(name);
    NotifyListeners(kListenName);
}

void TLgCustomColumn::Assign(const TLgCustomColumn &other)
{
    m_alignment = other.m_alignment;
    m_color = other.m_color;
    m_cursor = other.m_cursor;
    DefaultValue = other.DefaultValue;
    m_drawingOptions = other.m_drawingOptions;
    m_font = other.m_font;
    m_footer.Assign(other.m_footer);
    m_header.Assign(other.m_header);
    m_inputCaption = other.m_inputCaption;
    m_secondCaption = other.m_secondCaption;
    m_options = other.m_options;
    m_parentFont = other.m_parentFont;
    SetPosition(other.m_position);
    m_slideBounds = other.m_slideBounds;
    if (other.m_sorted != m_sorted)
        SetSorted(other.m_sorted);
    m_sortKind = other.m_sortKind;
    m_verticalAlignment = other.m_verticalAlignment;
    SetVisible(other.m_visible);
    SetWidth(other.m_width);
    WrapKind = other.WrapKind;
    Repaint();
}

bool TLgCustomColumn::CanEdit() const
{
    return m_options.contains(coEditing) && HasEditor() && Enabled;
}

int TLgCustomColumn::MinWidth(const QString &, const QFont &) const
{
    return kMinColumnWidth;
}

bool TLgCustomColumn::IsValidChar(QChar) const
{
    return false;
}

void TLgCustomColumn::PrepareEditor(ILgInplaceEditor *editor)
{
    if (!editor)
        return;
    editor->SetAlignment(m_alignment, m_verticalAlignment);
    editor->SetBorderless(true);
    editor->SetMargin(1);
}

void TLgCustomColumn::GetVirtualText(int, int, QString &) {}

void TLgCustomColumn::SetVirtualText(int, int, const QString &) {}

std::unique_ptr<TColumnDisplay> TLgCustomColumn::CreateDisplay()
{
    return std::make_unique<TTextualColumnDisplay>(this);
}

std::unique_ptr<TColumnPlay> TLgCustomColumn::CreatePlay()
{
    return nullptr;
}

TColumnDisplay *TLgCustomColumn::Display()
{
    if (!m_display)
        m_display = CreateDisplay();
    return m_display.get();
}

TColumnPlay *TLgCustomColumn::Play()
{
    if (!m_play)
        m_play = CreatePlay();
    return m_play.get();
}

// --- TLgColumns

TLgColumns::TLgColumns(TLgCustomGridControl *grid) : m_grid(grid) {}

TLgColumns::~TLgColumns()
{
    m_destroying = true;
    OnColumnChanged = nullptr;
    OnListChanged = nullptr;
    OnAfterChange = nullptr;
    while (!m_columns.empty())
        delete m_columns.back();
}

TLgCustomColumn *TLgColumns::Items(int index) const
{
    if (index < 0 || index >= Count())
        return nullptr;
    return m_columns[std::size_t(index)];
}

TLgCustomColumn *TLgColumns::ByDisplayIndex(int index) const
{
    if (index < 0 || index >= int(m_display.size()))
        return nullptr;
    return m_display[std::size_t(index)];
}

int TLgColumns::IndexOf(const TLgCustomColumn *column) const
{
    const auto it = std::find(m_columns.begin(), m_columns.end(), column);
    return it == m_columns.end() ? -1 : int(it - m_columns.begin());
}

TLgCustomColumn *TLgColumns::ColumnByName(const QString &name) const
{
    for (TLgCustomColumn *c : m_columns)
        if (sameText(c->objectName(), name))
            return c;
    return nullptr;
}

TLgCustomColumn *TLgColumns::Add(TLgCustomColumn *column)
{
    column->setParent(this);
    column->m_list = this;
    m_columns.push_back(column);
    m_display.push_back(column);
    column->m_position = int(m_display.size()) - 1;
    if (column->m_parentFont && m_grid)
        column->m_font = m_grid->font();
    Layout(false);
    AutoSize();
    if (OnListChanged)
        OnListChanged(kColumnAppended, Count() - 1, 0);
    if (OnAfterChange)
        OnAfterChange();
    return column;
}

void TLgColumns::detach(TLgCustomColumn *column)
{
    const int index = IndexOf(column);
    if (index < 0)
        return;
    m_columns.erase(m_columns.begin() + index);
    if (OnListChanged)
        OnListChanged(kColumnDeleted, index, 0);
    std::erase(m_display, column);
    column->m_list = nullptr;
    if (!m_destroying) {
        Layout(true);
        AutoSize();
        if (OnAfterChange)
            OnAfterChange();
    }
}

void TLgColumns::Delete(int index)
{
    delete Items(index);
}

void TLgColumns::Clear()
{
    while (!m_columns.empty())
        delete m_columns.back();
}

void TLgColumns::Move(int fromPos, int toPos)
{
    const int n = int(m_display.size());
    if (fromPos == toPos || fromPos < 0 || fromPos >= n || toPos < 0 || toPos >= n)
        return;
    TLgCustomColumn *column = m_display[std::size_t(fromPos)];
    m_display.erase(m_display.begin() + fromPos);
    m_display.insert(m_display.begin() + toPos, column);
    Layout(true);
    column->Changed(kChangeMoved, fromPos);
}

int TLgColumns::VisibleCount() const
{
    return int(std::count_if(m_columns.begin(), m_columns.end(),
                             [](const TLgCustomColumn *c) { return c->Visible(); }));
}

int TLgColumns::VisibleWidth() const
{
    int width = 0;
    for (const TLgCustomColumn *c : m_columns)
        if (c->Visible())
            width += c->Width();
    return width;
}

int TLgColumns::indicatorWidth() const
{
    return m_grid && m_grid->Options().contains(goIndicator) ? kIndicatorWidth : 0;
}

int TLgColumns::clientWidth() const
{
    return m_grid ? m_grid->ClientWidth() : 0;
}

void TLgColumns::Layout(bool renumber)
{
    int x = indicatorWidth();
    int visibleIndex = 0;
    for (std::size_t k = 0; k < m_display.size(); ++k) {
        TLgCustomColumn *c = m_display[k];
        if (c->m_visible) {
            c->m_left = x;
            c->m_visibleIndex = visibleIndex++;
            x += c->m_width;
        } else {
            c->m_visibleIndex = -1;
        }
        if (renumber)
            c->m_position = int(k);
    }
}

void TLgColumns::AutoSize(TLgCustomColumn *start, bool fromItself)
{
    if (m_autoSizing || m_destroying || !m_grid)
        return;
    const int indicator = indicatorWidth();
    std::size_t first = 0;
    int space = clientWidth();
    if (start) {
        const auto it = std::find(m_display.begin(), m_display.end(), start);
        if (it == m_display.end())
            return;
        first = std::size_t(it - m_display.begin());
        if (fromItself) {
            space -= start->m_left - indicator;
        } else {
            space -= start->m_left + (start->m_visible ? start->m_width : 0) - indicator;
            ++first;
        }
    }
    long long autoWidth = 0;
    long long fixedWidth = 0;
    for (std::size_t k = first; k < m_display.size(); ++k) {
        const TLgCustomColumn *c = m_display[k];
        if (!c->m_visible)
            continue;
        (c->m_options.contains(coAutoSize) ? autoWidth : fixedWidth) += c->m_width;
    }
    if (autoWidth <= 0)
        return;
    m_autoSizing = true;
    for (std::size_t k = first; k < m_display.size(); ++k) {
        TLgCustomColumn *c = m_display[k];
        if (c->m_visible && c->m_options.contains(coAutoSize)) {
            const double share = double(space - fixedWidth) * c->m_width / double(autoWidth);
            c->applyWidth(int(std::nearbyint(share)), false);
        }
    }
    m_autoSizing = false;
}
