#include "ui/grid/grid_control.h"

#include "core/util/exception.h"
#include "platform/text_codec.h"
#include "ui/editors/inplace_editable.h"
#include "ui/grid/cells.h"
#include "ui/grid/inplace_editor.h"
#include "ui/grid/providers.h"

#include <QFile>
#include <QFontMetrics>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

constexpr int kBestFitPadding = 6;
// Widths kept for best fit; beyond this many texts the store starts afresh.
constexpr qsizetype kMaxMeasuredTexts = 400000;

// Keeps the grid inside BeginUpdate for a scope, whatever leaves it.
class UpdateScope
{
public:
    explicit UpdateScope(TLgCustomGridControl &grid) : m_grid(grid) { m_grid.BeginUpdate(); }
    ~UpdateScope() { m_grid.EndUpdate(); }
    UpdateScope(const UpdateScope &) = delete;
    UpdateScope &operator=(const UpdateScope &) = delete;

private:
    TLgCustomGridControl &m_grid;
};

QString decodeTextFile(const QByteArray &bytes)
{
    const auto b0 = static_cast<unsigned char>(bytes.size() > 0 ? bytes[0] : 0);
    const auto b1 = static_cast<unsigned char>(bytes.size() > 1 ? bytes[1] : 0);
    const bool littleEndian = bytes.size() >= 2 && b0 == 0xFF && b1 == 0xFE;
    const bool bigEndian = bytes.size() >= 2 && b0 == 0xFE && b1 == 0xFF;
    if (littleEndian || bigEndian) {
        QString text;
        text.reserve((bytes.size() - 2) / 2);
        for (qsizetype k = 2; k + 1 < bytes.size(); k += 2) {
            const auto lo = static_cast<unsigned char>(bytes[littleEndian ? k : k + 1]);
            const auto hi = static_cast<unsigned char>(bytes[littleEndian ? k + 1 : k]);
            text.append(QChar(char16_t(hi << 8 | lo)));
        }
        return text;
    }
    // 8-bit text: UTF-8, or Windows-1252 as Windows programs write it.
    return decodeUtf8OrWindows1252(bytes);
}

} // namespace

bool TLgCustomGridControl::editorFocused() const
{
    return m_editor && m_editor->Widget() && m_editor->Widget()->hasFocus();
}

ILgInplaceEditor *TLgCustomGridControl::EditorFor(TLgCustomColumn *column)
{
    return column ? column->InplaceEdit : nullptr;
}

bool TLgCustomGridControl::InplaceCheckBoxValue(int, int) const
{
    return false;
}

void TLgCustomGridControl::ApplyPlayInput(int, int, const QString &, bool) {}

void TLgCustomGridControl::moveAfterEnter(int row)
{
    const int col = m_selectedCol;
    auto visibleColumn = [this](int from, int step) {
        for (int pos = from + step; pos >= 0 && pos < m_columns->Count(); pos += step) {
            TLgCustomColumn *c = m_columns->ByDisplayIndex(pos);
            if (c && c->Visible())
                return m_columns->IndexOf(c);
        }
        return -1;
    };
    switch (SelectionMoveDirection) {
    case mdDown:
        for (int r = row + 1; r < RowCount(); ++r)
            if (RowVisible(r)) {
                SelectCell(col, r);
                ScrollToRow(r);
                break;
            }
        break;
    case mdUp:
        for (int r = row - 1; r >= 0; --r)
            if (RowVisible(r)) {
                SelectCell(col, r);
                ScrollToRow(r);
                break;
            }
        break;
    case mdLeft:
    case mdRight: {
        const TLgCustomColumn *c = m_columns->Items(col);
        const int next = c ? visibleColumn(c->Position(), SelectionMoveDirection == mdLeft ? -1 : 1) : -1;
        if (next >= 0)
            SelectCell(next, row);
        break;
    }
    case mdNone: break;
    }
}

void TLgCustomGridControl::bindEditorKeys(ILgInplaceEditor *editor)
{
    editor->OnTextChanged = [this] {
        if (OnEdit && m_editor && m_editing)
            OnEdit(this, m_editedCell.x(), m_editedCell.y(), m_editor->Text());
    };
    editor->OnFocusChanged = [this](bool) { viewport()->update(); };
    // Runs inside the editor's key handler: nothing may throw out of it.
    editor->OnKeyDown = [this](int key) {
        if (key == Qt::Key_Escape) {
            EndEditing();
            setFocus();
            return true;
        }
        if (key != Qt::Key_Return && key != Qt::Key_Enter)
            return false;
        if (m_inputEditing) {
            ApplyEditing();
            try {
                AcceptInputLine();
            } catch (const Exception &e) {
                if (OnEditError)
                    OnEditError(this, m_inputColumn, -1, e.message());
            }
            if (m_editor) {
                m_editor->SetText(QString());
                m_editor->SelectAll();
            }
            return true;
        }
        const int row = m_editedCell.y();
        if (!FinishEditing())
            return true;
        setFocus();
        moveAfterEnter(row);
        return true;
    };
}

void TLgCustomGridControl::EditCell(int ACol, int ARow, const QString &Text)
{
    TLgCustomColumn *column = Columns()->Items(ACol);
    if (!column || !column->CanEdit() || ReadOnly || ARow < 0 || ARow >= RowCount())
        return;
    ILgInplaceEditor *editor = EditorFor(column);
    if (!editor || !editor->Widget())
        return;
    bool accept = true;
    if (OnBeforeEdit)
        OnBeforeEdit(this, ACol, ARow, accept);
    if (!accept)
        return;
    if (!FinishEditing())
        return;
    m_editedCell = QPoint(ACol, ARow);
    m_editing = true;
    m_editor = editor;
    editor->Widget()->setParent(viewport());
    editor->SetText(Text.isEmpty() ? Cells(ACol, ARow) : Text);
    // After the text: a combo box selects the item equal to it.
    column->PrepareEditor(editor);
    editor->SetAppearance(column->Font(), CellColor(ACol, ARow));
    bindEditorKeys(editor);
    auto *editable = dynamic_cast<IInplaceEditable *>(editor);
    // A typed first character is the start of the new text, not a selection
    // the next character would replace.
    if (!Text.isEmpty() && editable)
        editable->EnterEditMode();
    else if (column->Options().contains(coEditorAutoSelect))
        editor->SelectAll();
    else if (editable)
        editable->EnterEditMode();
    placeEditor();
    editor->Widget()->show();
    editor->Widget()->setFocus();
}

void TLgCustomGridControl::placeEditor()
{
    if (!m_editor || !m_editor->Widget())
        return;
    QRect rect;
    if (m_inputEditing) {
        TLgCustomColumn *column = Columns()->Items(m_inputColumn);
        if (!column)
            return;
        const QRect input = InputLineRect();
        rect = QRect(column->Left() - HorizontalPosition(), input.top(), column->Width(), input.height());
    } else {
        rect = CellRect(m_editedCell.x(), m_editedCell.y());
    }
    rect = rect.adjusted(1, 1, -1, -1).intersected(CellArea().united(InputLineRect()));
    m_editor->Widget()->setGeometry(rect);
}

namespace {

// Reads the editor's text as a value of the column's kind; throws the
// conversion error of the editor or of the cell text rules.
void checkEditValue(ILgInplaceEditor *editor, int kind, const QString &text)
{
    auto *editable = dynamic_cast<IInplaceEditable *>(editor);
    switch (kind) {
    case kKindFloat:
        if (editable)
            editable->AsFloat();
        else
            CellText::toFloat(text);
        break;
    case kKindInteger:
        if (editable)
            editable->AsInteger();
        else
            CellText::toInteger(text);
        break;
    case kKindBoolean:
        if (editable)
            editable->AsBoolean();
        else
            CellText::toBoolean(text);
        break;
    case kKindDateTime:
        if (editable)
            editable->AsDateTime();
        break;
    default: break;
    }
}

} // namespace

TLgCustomGridControl::ApplyResult TLgCustomGridControl::applyEdit()
{
    if (!m_editor)
        return ApplyResult::Nothing;
    const QString text = m_editor->Text();
    if (m_inputEditing) {
        if (TLgCustomColumn *column = Columns()->Items(m_inputColumn))
            column->InputValue = text;
        return ApplyResult::Applied;
    }
    if (!m_editing)
        return ApplyResult::Nothing;
    const int col = m_editedCell.x();
    const int row = m_editedCell.y();
    TLgCustomColumn *column = Columns()->Items(col);
    if (!column || row < 0 || row >= RowCount() || text == Cells(col, row))
        return ApplyResult::Nothing;
    // The value is checked before anyone is asked, and written in a guard:
    // a text that is not a value of the column's kind leaves the cell alone.
    try {
        checkEditValue(m_editor, column->Kind(), text);
    } catch (const Exception &e) {
        if (OnEditError)
            OnEditError(this, col, row, e.message());
        return ApplyResult::Failed;
    }
    bool accept = true;
    if (OnEditAccept)
        OnEditAccept(this, col, row, text, accept);
    if (!accept || row >= RowCount())
        return ApplyResult::Rejected;
    const QString old = Cells(col, row);
    try {
        SetCells(col, row, text);
    } catch (const Exception &e) {
        try {
            SetCells(col, row, old);
        } catch (const Exception &) {
        }
        if (OnEditError)
            OnEditError(this, col, row, e.message());
        return ApplyResult::Failed;
    }
    if (OnAfterEdit)
        OnAfterEdit(this, col, row, text);
    return ApplyResult::Applied;
}

bool TLgCustomGridControl::ApplyEditing()
{
    return applyEdit() == ApplyResult::Applied;
}

bool TLgCustomGridControl::FinishEditing()
{
    if (!m_editor)
        return true;
    if (applyEdit() == ApplyResult::Failed) {
        if (m_editor && m_editor->Widget())
            m_editor->Widget()->setFocus();
        return false;
    }
    EndEditing();
    return true;
}

void TLgCustomGridControl::EndEditing()
{
    if (m_editor) {
        ILgInplaceEditor *editor = m_editor;
        m_editor = nullptr;
        editor->OnTextChanged = nullptr;
        editor->OnFocusChanged = nullptr;
        editor->OnKeyDown = nullptr;
        if (editor->Widget())
            editor->Widget()->hide();
    }
    if (m_editing)
        RefreshCell(m_editedCell.x(), m_editedCell.y());
    if (m_inputEditing)
        viewport()->update(InputLineRect());
    m_editing = false;
    m_inputEditing = false;
    m_editedCell = QPoint(-1, -1);
    m_inputColumn = -1;
}

void TLgCustomGridControl::StartInputEditing(int ACol, const QString &Text)
{
    TLgCustomColumn *column = Columns()->Items(ACol);
    if (!column || ReadOnly || !m_options.contains(goInput) || !column->Options().contains(coCanInput))
        return;
    ILgInplaceEditor *editor = EditorFor(column);
    if (!editor || !editor->Widget())
        return;
    if (!FinishEditing())
        return;
    m_inputSelected = true;
    m_inputEditing = true;
    m_inputColumn = ACol;
    m_editor = editor;
    editor->Widget()->setParent(viewport());
    editor->SetText(Text.isEmpty() ? column->InputValue : Text);
    column->PrepareEditor(editor);
    bindEditorKeys(editor);
    placeEditor();
    editor->Widget()->show();
    editor->Widget()->setFocus();
}

void TLgCustomGridControl::AcceptInputLine()
{
    bool accept = true;
    if (OnInputAccept)
        OnInputAccept(this, accept);
    if (!accept)
        return;
    AddRow(1);
    const int row = RowCount() - 1;
    for (int c = 0; c < Columns()->Count(); ++c) {
        TLgCustomColumn *column = Columns()->Items(c);
        const QString value = column->InputValue.isEmpty() ? column->DefaultValue : column->InputValue;
        if (!value.isEmpty() && row >= 0)
            SetCells(c, row, value);
        column->InputValue.clear();
    }
    viewport()->update(InputLineRect());
    if (OnInputAdded)
        OnInputAdded(this);
}

void TLgCustomGridControl::BestFitColumn(TLgCustomColumn *Column)
{
    if (Columns()->IndexOf(Column) < 0)
        return;
    const int width = BestFitWidths({&Column, 1}).front();
    if (width != Column->Width())
        Column->SetWidth(width);
}

QString TLgCustomGridControl::MeasureText(int ACol, int ARow) const
{
    return Cells(ACol, ARow);
}

void TLgCustomGridControl::MeasureTexts(int ARow, std::span<const int> cols, const QString **texts,
                                        QString *made) const
{
    for (const int col : cols) {
        *made = MeasureText(col, ARow);
        *texts++ = made++;
    }
}

// The widest displayed text of each column. Measuring every text of a list
// of 100,000 rows takes seconds, so each text first gets a cheap bound: the
// sum of its characters' own advances, which shaping and kerning do not
// exceed. The text with the largest bound is measured first; after it, only
// texts whose bound still beats the widest so far are measured. The bounds
// of all columns are taken in one pass over the rows: the objects a row
// shows are then read once, not once per column.
std::vector<int> TLgCustomGridControl::BestFitWidths(std::span<TLgCustomColumn *const> columns) const
{
    struct Fit {
        TLgCustomColumn *column;
        int index;
        std::vector<qreal> *charWidth;
        QFontMetricsF exact;
        // Rounded up, as the widths they are held against: whole pixels.
        std::vector<int> bounds;
        qreal largest = -1;
        int first = -1;
        bool asIs = column->DisplaysValueAsIs();
    };
    const int rows = RowCount();
    std::vector<std::pair<QFont, std::vector<qreal>>> charWidths;
    std::vector<Fit> fits;
    std::vector<int> indexes;
    fits.reserve(columns.size());
    for (TLgCustomColumn *column : columns) {
        const QFont font = column->Font();
        auto table = std::find_if(charWidths.begin(), charWidths.end(),
                                  [&](const auto &entry) { return entry.first == font; });
        if (table == charWidths.end())
            table = charWidths.insert(charWidths.end(), {font, std::vector<qreal>(0x10000, -1)});
        const int index = Columns()->IndexOf(column);
        indexes.push_back(index);
        fits.push_back({column, index, &table->second, QFontMetricsF(font),
                        std::vector<int>(std::size_t(index < 0 ? 0 : rows))});
    }
    // The sum over characters whose advances are all known already; false at
    // the first one that is not. Nothing in it is called, so the sum stays
    // in a register.
    const auto knownSum = [](const qreal *advance, const QString &text, qreal &sum) {
        qreal s = 0;
        for (const QChar c : text) {
            const qreal w = advance[c.unicode()];
            if (w < 0)
                return false;
            s += w;
        }
        sum = s;
        return true;
    };
    const auto bound = [&knownSum](Fit &fit, const QString &text) {
        qreal *const advance = fit.charWidth->data();
        qreal sum = 0;
        if (knownSum(advance, text, sum))
            return sum;
        // Characters not seen before are rare after the first rows.
        for (const QChar c : text) {
            if (c.isSurrogate())
                return std::numeric_limits<qreal>::max();
            if (advance[c.unicode()] < 0)
                advance[c.unicode()] = fit.exact.horizontalAdvance(c);
        }
        knownSum(advance, text, sum);
        return sum;
    };
    std::vector<const QString *> texts(fits.size());
    std::vector<QString> made(fits.size());
    QString shown;
    for (int r = 0; r < rows; ++r) {
        MeasureTexts(r, indexes, texts.data(), made.data());
        for (std::size_t k = 0; k < fits.size(); ++k) {
            Fit &fit = fits[k];
            if (fit.index < 0)
                continue;
            const QString *text = texts[k];
            if (!fit.asIs) {
                shown = fit.column->DisplayText(*text);
                text = &shown;
            }
            const qreal b = bound(fit, *text);
            fit.bounds[std::size_t(r)] = b >= qreal(std::numeric_limits<int>::max())
                ? std::numeric_limits<int>::max()
                : int(std::ceil(b));
            if (fit.first < 0 || b > fit.largest) {
                fit.first = r;
                fit.largest = b;
            }
        }
    }
    std::vector<int> widths;
    widths.reserve(fits.size());
    for (Fit &fit : fits) {
        TLgCustomColumn &column = *fit.column;
        if (fit.first < 0) {
            widths.push_back(kBestFitPadding);
            continue;
        }
        // Lists repeat their texts (satellites, frequencies), and a refill
        // measures the same names again: widths are kept per font.
        if (m_measuredFont != column.Font() || m_measuredWidths.size() > kMaxMeasuredTexts) {
            m_measuredFont = column.Font();
            m_measuredWidths.clear();
        }
        const QFontMetrics metrics(column.Font());
        const auto measure = [&](int r) {
            const QString text = column.DisplayText(MeasureText(fit.index, r));
            const auto known = m_measuredWidths.constFind(text);
            if (known != m_measuredWidths.cend())
                return *known;
            // A column never gets wider than the cap: no more of a text is
            // measured than could be seen in one that wide.
            const int width = metrics.horizontalAdvance(TextShownIn(text, kMaxColumnWidth));
            m_measuredWidths.insert(text, width);
            return width;
        };
        const int widestUseful = kMaxColumnWidth - kBestFitPadding;
        int widest = measure(fit.first);
        for (int r = 0; r < rows && widest < widestUseful; ++r) {
            if (r != fit.first && fit.bounds[std::size_t(r)] > widest)
                widest = std::max(widest, measure(r));
        }
        widths.push_back(std::min(widest, widestUseful) + kBestFitPadding);
    }
    return widths;
}

void TLgCustomGridControl::FitColumns(std::span<TLgCustomColumn *const> columns)
{
    std::vector<TLgCustomColumn *> shown;
    shown.reserve(columns.size());
    for (TLgCustomColumn *column : columns) {
        if (column->Visible())
            shown.push_back(column);
        else
            column->SetFitPending(true);
    }
    fitNow(shown);
}

void TLgCustomGridControl::FitPendingColumns()
{
    std::vector<TLgCustomColumn *> pending;
    for (int i = 0; i < Columns()->Count(); ++i) {
        if (Columns()->Items(i)->FitPending())
            pending.push_back(Columns()->Items(i));
    }
    fitNow(pending);
}

void TLgCustomGridControl::fitNow(std::span<TLgCustomColumn *const> columns)
{
    for (TLgCustomColumn *column : columns)
        column->SetFitPending(false);
    if (columns.empty())
        return;
    if (OnFitColumns) {
        OnFitColumns(columns);
        return;
    }
    const std::vector<int> widths = BestFitWidths(columns);
    for (std::size_t k = 0; k < columns.size(); ++k)
        columns[k]->SetWidth(widths[k]);
}

void TLgCustomGridControl::AutoSizeColumn(TLgCustomColumn *Column)
{
    const int index = Columns()->IndexOf(Column);
    if (index < 0)
        return;
    int widest = kMinColumnWidth;
    for (int r = 0; r < RowCount(); ++r)
        widest = std::max(widest, Column->MinWidth(Column->DisplayText(Cells(index, r)), font()));
    if (widest != Column->Width())
        Column->SetWidth(widest);
}

bool TLgCustomGridControl::LoadFromTextFile(const QString &FileName, QChar Delimiter)
{
    ClearRows();
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QString text = decodeTextFile(file.readAll());

    UpdateScope update(*this);
    QString field;
    int quotes = 0;
    int column = 0;
    bool firstOfLine = true;
    auto endField = [&] {
        quotes = 0;
        if (firstOfLine) {
            AddRow(1);
            column = 0;
            firstOfLine = false;
        }
        // Fields beyond the last column have nowhere to go.
        if (column < Columns()->Count())
            SetCells(column, RowCount() - 1, field);
        ++column;
        field.clear();
    };
    for (const QChar c : text) {
        if (c == u'"') {
            ++quotes;
            const bool odd = quotes % 2 == 1;
            if (odd && (!field.isEmpty() || quotes == 3))
                field.append(c);
        } else if (c == Delimiter && quotes % 2 == 0) {
            endField();
        } else if (c == u'\r') {
            continue;
        } else if (c == u'\n') {
            endField();
            firstOfLine = true;
        } else {
            field.append(c);
        }
    }
    if (!field.isEmpty())
        endField();
    return true;
}
