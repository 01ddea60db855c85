#pragma once

#include "ui/grid/columns.h"
#include "ui/grid/grid_types.h"
#include "ui/grid/scroll_control.h"
#include "ui/grid/style_displays.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QPointer>

#include <array>
#include <functional>
#include <memory>
#include <span>
#include <vector>

class TColumnDisplay;
class ILgInplaceEditor;

using TCellEvent = std::function<void(QObject *Sender, int ACol, int ARow)>;
using TColumnEvent = std::function<void(QObject *Sender, int ACol)>;
using TCellColoringEvent = std::function<void(QObject *Sender, int ACol, int ARow, QColor &CellColor,
                                              QColor &GridColor, TCellState CellState)>;
using TCellFormatingEvent = std::function<void(QObject *Sender, int ACol, int ARow,
                                               QColor &TextColor, TFontStyles &FontStyle,
                                               TCellState CellState)>;
using TBeforeEditEvent = std::function<void(QObject *Sender, int ACol, int ARow, bool &Accept)>;
using TEditAcceptEvent = std::function<void(QObject *Sender, int ACol, int ARow,
                                            const QString &Value, bool &Accept)>;
using TEditEvent = std::function<void(QObject *Sender, int ACol, int ARow, const QString &Value)>;
using TCustomDrawCellEvent = std::function<void(QObject *Sender, int ACol, int ARow,
                                                const QRect &CellRect, TCellState CellState)>;
using TDrawCellBackgroundEvent = std::function<void(QObject *Sender, int ACol, int ARow,
                                                    const QRect &CellRect, TCellState CellState,
                                                    bool &DefaultDrawing)>;
using TColumnMoveEvent = std::function<void(QObject *Sender, int ACol, int FromPos, int ToPos)>;
using TSortColumnEvent = std::function<void(QObject *Sender, int ACol, bool Ascending)>;
using TInputAcceptEvent = std::function<void(QObject *Sender, bool &Accept)>;
using TNotifyEvent = std::function<void(QObject *Sender)>;
using TMeasuringRowHeightEvent = std::function<void(QObject *Sender, int Index, int &RowHeight)>;

// The grid core: lays out header, input line, rows, footer and indicator,
// paints them through the column displays, keeps the selection and the
// in-place editor and scrolls by rows vertically and by pixels horizontally.
// Cell and row data come from the concrete grid through the virtual
// operations below. Painting, geometry and editing live in their own files.
class TLgCustomGridControl : public TLgScrollControl
{
    Q_OBJECT

public:
    explicit TLgCustomGridControl(QWidget *parent = nullptr);
    ~TLgCustomGridControl() override;

    // --- properties
    TLgColumns *Columns() const { return m_columns.get(); }
    TAppearanceOptions AppearanceOptions() const { return m_appearance; }
    void SetAppearanceOptions(TAppearanceOptions value);
    bool AutoScroll = false;
    QString Caption() const { return m_caption; }
    void SetCaption(const QString &value);
    QColor Color() const { return m_color; }
    void SetColor(const QColor &value);
    bool EnableVisualStyles() const { return m_enableVisualStyles; }
    void SetEnableVisualStyles(bool value);
    QColor GridLinesColor() const { return m_gridLinesColor; }
    void SetGridLinesColor(const QColor &value);
    TGridLinesStyle GridLinesStyle() const { return m_gridLinesStyle; }
    void SetGridLinesStyle(TGridLinesStyle value);
    TGridStyle GridStyle() const { return m_gridStyle; }
    void SetGridStyle(TGridStyle value);
    int HeaderSize() const { return m_headerSize; }
    void SetHeaderSize(int value);
    THeaderStyle HeaderStyle() const { return m_headerStyle; }
    void SetHeaderStyle(THeaderStyle value);
    bool HideScrollBar() const { return m_hideScrollBar; }
    void SetHideScrollBar(bool value);
    QColor HighlightedTextColor() const { return m_highlightedTextColor; }
    void SetHighlightedTextColor(const QColor &value);
    int InputSize() const { return m_inputSize; }
    void SetInputSize(int value);
    TGridOptions Options() const { return m_options; }
    void SetOptions(TGridOptions value);
    bool ReadOnly = false;
    int RowSize() const { return m_rowSize; }
    void SetRowSize(int value);
    QColor SelectionColor() const { return m_selectionColor; }
    void SetSelectionColor(const QColor &value);
    TSelectionMoveDirection SelectionMoveDirection = mdDown;
    int SlideSize() const { return m_slideSize; }
    void SetSlideSize(int value);
    bool WantTabs = false;
    bool WantReturns = false;

    // --- events
    TCellColoringEvent OnCellColoring;
    TCellEvent OnCellClick;
    TCellEvent OnSelectCell;
    TCellEvent OnDeselectCell;
    TCellEvent OnChange;
    TBeforeEditEvent OnBeforeEdit;
    TEditAcceptEvent OnEditAccept;
    TEditEvent OnAfterEdit;
    TEditEvent OnEdit;
    TCustomDrawCellEvent OnCustomDrawCell;
    TDrawCellBackgroundEvent OnDrawCellBackground;
    TColumnEvent OnHeaderClick;
    TColumnEvent OnFooterClick;
    TColumnMoveEvent OnColumnMove;
    TColumnEvent OnColumnResize;
    TSortColumnEvent OnSortColumn;
    TInputAcceptEvent OnInputAccept;
    TNotifyEvent OnInputAdded;
    TMeasuringRowHeightEvent OnMeasuringRowHeight;
    TNotifyEvent OnPostDraw;
    // An edit that could not be applied (the text is not a value of the
    // column's kind); the cell keeps its value and the editor stays open.
    TEditEvent OnEditError;

    // --- data, filled by the concrete grid
    virtual QString Cells(int ACol, int ARow) const = 0;
    virtual void SetCells(int ACol, int ARow, const QString &Value) = 0;
    virtual int RowCount() const = 0;
    virtual int RowHeight(int Index) const;
    virtual void SetRowHeight(int Index, int Value);
    virtual bool RowVisible(int Index) const;
    virtual bool Selected(int Index) const = 0;
    virtual void SetSelected(int Index, bool Value) = 0;

    // --- rows
    virtual void AddRow(int Count = 1);
    virtual void ClearRows();
    virtual void DeleteRow(int Index);
    virtual void InsertRow(int Pos);
    virtual void MoveRow(int FromPos, int ToPos);
    virtual void SwapRows(int A, int B) = 0;

    // --- selection
    int SelectedRow() const { return m_selectedRow; }
    void SetSelectedRow(int value);
    int SelectedColumn() const { return m_selectedCol; }
    int AnchorRow() const { return m_anchorRow; }
    bool MultiSelected() const { return m_multiSelected; }
    // Makes a row the current one (focus frame, anchor of a Shift selection)
    // and leaves which rows are selected as they are: the program selects
    // rows from the model, then points at the first of them.
    void SetCurrentRow(int ARow);
    virtual void SelectCell(int ACol, int ARow, Qt::KeyboardModifiers Shift = Qt::NoModifier);
    void SelectAll();
    void ClearSelection();
    void ScrollToRow(int ARow);
    int FirstVisibleRow() const { return VertScrollBar().Position(); }

    // --- updates
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return m_updateCount; }
    virtual void RefreshCell(int ACol, int ARow);
    void RepaintRow(int ARow);
    void InvalidateCellArea();

    // --- editing (the editors themselves come with the edit controls)
    virtual void EditCell(int ACol, int ARow, const QString &Text = QString());
    bool ApplyEditing();
    void EndEditing();
    // Applies and ends a running edit. False when the edit cannot be applied:
    // the editor then stays open with the user's text and has the focus.
    bool FinishEditing();
    ILgInplaceEditor *CurrentEditor() const { return m_editor; }
    bool Editing() const { return m_editing || m_inputEditing; }
    QPoint EditedCell() const { return m_editedCell; }
    void StartInputEditing(int ACol, const QString &Text = QString());
    bool InputLineSelected() const { return m_inputSelected; }
    void AcceptInputLine();

    // --- columns
    void BestFitColumn(TLgCustomColumn *Column);
    // The widths BestFitColumn would give each of `columns`, found in one
    // pass over the rows; nothing is resized.
    std::vector<int> BestFitWidths(std::span<TLgCustomColumn *const> columns) const;
    // The text best fit measures for a cell (the concrete grid may supply it
    // without making the cell).
    virtual QString MeasureText(int ACol, int ARow) const;
    // The same for several cells of one row: texts[k] for cols[k], pointing
    // at a string that stays as it is until the next call, or at made[k]
    // when the text had to be made. Not copying the texts leaves a row's
    // reads free to overlap.
    virtual void MeasureTexts(int ARow, std::span<const int> cols, const QString **texts,
                              QString *made) const;
    // Best fit of `columns` through OnFitColumns (BestFitWidths as they are
    // without it): the shown ones now, each hidden one when it is shown or
    // FitPendingColumns is called. A fit reads every row, and most columns
    // of a list are hidden.
    void FitColumns(std::span<TLgCustomColumn *const> columns);
    // Fits the hidden columns whose fit was put off, before their widths are
    // kept or best fit is given up.
    void FitPendingColumns();
    std::function<void(std::span<TLgCustomColumn *const> columns)> OnFitColumns;
    void AutoSizeColumn(TLgCustomColumn *Column);
    virtual void RecalcFooters() {}

    // The value a check box play starts from, and the play's input applied
    // to the cell; the concrete grid fills them.
    virtual bool InplaceCheckBoxValue(int ACol, int ARow) const;
    virtual void ApplyPlayInput(int ACol, int ARow, const QString &Text, bool Value);

    // Reads a delimited text file into new rows (UTF-16 with a byte order
    // mark, else 8-bit). Returns False when the file cannot be read.
    bool LoadFromTextFile(const QString &FileName, QChar Delimiter);

    // --- geometry (client pixels)
    int ClientWidth() const;
    int ClientHeight() const;
    int GridLineWidth() const;
    int IndicatorWidth() const;
    QRect HeaderRect() const;
    QRect InputLineRect() const;
    QRect FooterRect() const;
    QRect IndicatorRect() const;
    QRect CellArea() const;
    int RowTop(int ARow) const;
    QRect CellRect(int ACol, int ARow) const;
    QRect RowRect(int ARow) const;
    int FullyVisibleRows() const;
    int HorizontalPosition() const;
    int ColumnAtX(int x) const;
    virtual void UpdateHorzScrollBar();
    virtual void UpdateVertScrollBar();

    // Paints the grid into any painter (the viewport, an image, a test).
    void PaintTo(QPainter &painter, const QRect &clip);
    bool Themed() const;
    bool Focused() const;
    TStyleDisplay &CurrentStyleDisplay() const;
    // What the cell would be drawn in.
    bool CellCountsSelected(int ACol, int ARow) const;
    QColor CellColorForDrawing(int ACol, int ARow) const;
    QColor TextColorForDrawing(int ACol, int ARow) const;

    int HorizontalScrollDistance(int oldPosition, int newPosition) override;
    int VerticalScrollDistance(int oldPosition, int newPosition) override;
    QRect ScrollArea(Qt::Orientation kind) const override;
    void ScrollNotification() override;

protected:
    virtual bool PrepareCellDrawing(int ACol, int ARow, TColumnDisplay &Display) = 0;
    virtual QColor CellColor(int ACol, int ARow) const = 0;
    virtual QString CellHint(int ACol, int ARow) const = 0;
    virtual void CellFormating(int ACol, int ARow, QColor &TextColor, TFontStyles &FontStyle,
                               TCellState CellState);
    virtual void ColumnNotification(int Operation, int Index, int Index2);
    virtual void ColumnChanged(TLgCustomColumn *Column, int Change, int Value);
    virtual void ColumnSorted(TLgCustomColumn *Column, bool Ascending);
    // The editor of a column's cells; the column's own when it has one.
    virtual ILgInplaceEditor *EditorFor(TLgCustomColumn *column);
    // Moves the selection after Enter applied an edit.
    void moveAfterEnter(int row);

    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void fontChange();
    bool event(QEvent *event) override;

    // The part of the core's row operations that runs first.
    void coreClearRows();
    void coreDeleteRow(int Index);
    void coreInsertRow(int Pos);
    void coreMoveRow(int FromPos, int ToPos);
    void keepSelectionInRows();
    // Called by the concrete grid whenever a row becomes selected. A row
    // selected beside the current one, whoever selected it, makes a
    // multi-selection: a plain click must then clear it, or rows the user
    // cannot tell are selected stay selected for the next Delete.
    void noteRowSelected(int ARow);
    // The rows were put in a new order (row i holds what row order[i] held):
    // the current row and the anchor go with their rows.
    void rowsReordered(const std::vector<int> &order);
    // Moves the current row without selecting: kept inside the rows.
    void SetSelectedRowIndex(int row);

    void setFirstVisibleRow(int row);
    // Selects the input line (report style with goInput) or leaves it.
    void setInputLineSelected(bool selected);

private:
    void paintColumnParts(QPainter &painter, const QRect &clip);
    void paintRows(QPainter &painter, const QRect &clip);
    void paintSlides(QPainter &painter, const QRect &clip);
    void drawCell(QPainter &painter, const QRect &clip, TLgCustomColumn &column, int ACol, int ARow);
    void drawEmptyCell(QPainter &painter, const QRect &clip, TLgCustomColumn &column, int ARow);
    void drawIndicator(QPainter &painter, const QRect &clip, int ARow, bool realRow);
    void placeEditor();
    mutable QFont m_measuredFont;
    mutable QHash<QString, int> m_measuredWidths;
    bool editorFocused() const;
    void redrawColumnPart(TLgCustomColumn *column);
    void fitNow(std::span<TLgCustomColumn *const> columns);
    enum class ApplyResult { Nothing, Applied, Rejected, Failed };
    ApplyResult applyEdit();
    void bindEditorKeys(ILgInplaceEditor *editor);

    std::unique_ptr<TLgColumns> m_columns;
    std::array<std::unique_ptr<TStyleDisplay>, 4> m_styleDisplays;

    TAppearanceOptions m_appearance{aoHideSelection};
    QString m_caption;
    QColor m_color;
    bool m_enableVisualStyles = true;
    QColor m_gridLinesColor;
    TGridLinesStyle m_gridLinesStyle = lsNormal;
    TGridStyle m_gridStyle = gsReport;
    int m_headerSize = 18;
    THeaderStyle m_headerStyle = hsAuto;
    bool m_hideScrollBar = true;
    QColor m_highlightedTextColor;
    int m_inputSize = 16;
    TGridOptions m_options{goHeader};
    int m_rowSize = 16;
    QColor m_selectionColor;
    int m_slideSize = 80;

    int m_selectedCol = 0;
    int m_selectedRow = 0;
    int m_anchorRow = 0;
    QPoint m_editedCell{-1, -1};
    int m_inputColumn = -1;
    bool m_editing = false;
    bool m_inputEditing = false;
    bool m_multiSelected = false;
    bool m_inputSelected = false;
    int m_updateCount = 0;
    bool m_resizingColumn = false;
    ILgInplaceEditor *m_editor = nullptr;
};
