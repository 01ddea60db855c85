#include "ui/grid/grid_control.h"

#include "ui/grid/inplace_editor.h"

#include <QFile>
#include <QFontMetrics>
#include <QStringDecoder>
#include <QWidget>

#include <algorithm>

namespace {

constexpr int kBestFitPadding = 6;

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
    // 8-bit text: UTF-8 when it is valid, else one character per byte.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(bytes);
}

} // namespace

bool TLgCustomGridControl::editorFocused() const
{
    return m_editor && m_editor->Widget() && m_editor->Widget()->hasFocus();
}

void TLgCustomGridControl::EditCell(int ACol, int ARow, const QString &Text)
{
    TLgCustomColumn *column = Columns()->Items(ACol);
    if (!column || !column->CanEdit() || ReadOnly || ARow < 0 || ARow >= RowCount())
        return;
    ILgInplaceEditor *editor = column->InplaceEdit;
    if (!editor || !editor->Widget())
        return;
    bool accept = true;
    if (OnBeforeEdit)
        OnBeforeEdit(this, ACol, ARow, accept);
    if (!accept)
        return;
    ApplyEditing();
    EndEditing();
    m_editedCell = QPoint(ACol, ARow);
    m_editing = true;
    m_editor = editor;
    column->PrepareEditor(editor);
    editor->Widget()->setParent(viewport());
    editor->SetAppearance(column->Font(), CellColor(ACol, ARow));
    editor->OnTextChanged = [this] {
        if (OnEdit && m_editor)
            OnEdit(this, m_editedCell.x(), m_editedCell.y(), m_editor->Text());
    };
    editor->OnFocusChanged = [this](bool) { viewport()->update(); };
    editor->OnKeyDown = [this](int key) {
        if (key == Qt::Key_Escape) {
            EndEditing();
            setFocus();
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            const int row = m_editedCell.y();
            ApplyEditing();
            EndEditing();
            setFocus();
            if (SelectionMoveDirection == mdDown && row + 1 < RowCount())
                SelectCell(m_selectedCol, row + 1);
            else if (SelectionMoveDirection == mdUp && row > 0)
                SelectCell(m_selectedCol, row - 1);
            return true;
        }
        return false;
    };
    editor->SetText(Text.isEmpty() ? Cells(ACol, ARow) : Text);
    if (column->Options().contains(coEditorAutoSelect))
        editor->SelectAll();
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

bool TLgCustomGridControl::ApplyEditing()
{
    if (!m_editor)
        return false;
    const QString text = m_editor->Text();
    if (m_inputEditing) {
        if (TLgCustomColumn *column = Columns()->Items(m_inputColumn))
            column->InputValue = text;
        return true;
    }
    if (!m_editing)
        return false;
    const int col = m_editedCell.x();
    const int row = m_editedCell.y();
    if (row < 0 || row >= RowCount() || text == Cells(col, row))
        return false;
    bool accept = true;
    if (OnEditAccept)
        OnEditAccept(this, col, row, text, accept);
    if (!accept || row >= RowCount())
        return false;
    SetCells(col, row, text);
    if (OnAfterEdit)
        OnAfterEdit(this, col, row, text);
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
    ILgInplaceEditor *editor = column->InplaceEdit;
    if (!editor || !editor->Widget())
        return;
    ApplyEditing();
    EndEditing();
    m_inputSelected = true;
    m_inputEditing = true;
    m_inputColumn = ACol;
    m_editor = editor;
    column->PrepareEditor(editor);
    editor->Widget()->setParent(viewport());
    editor->SetText(Text.isEmpty() ? column->InputValue : Text);
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
    const int index = Columns()->IndexOf(Column);
    if (index < 0)
        return;
    const QFontMetrics metrics(Column->Font());
    int widest = 0;
    for (int r = 0; r < RowCount(); ++r)
        widest = std::max(widest, metrics.horizontalAdvance(Column->DisplayText(Cells(index, r))));
    const int width = widest + kBestFitPadding;
    if (width != Column->Width())
        Column->SetWidth(width);
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
