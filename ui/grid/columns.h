#pragma once

#include "ui/grid/grid_types.h"

#include <QFont>
#include <QObject>
#include <QPixmap>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class TLgColumns;
class TLgCustomColumn;
class TColumnDisplay;
class TColumnPlay;
class ILgInplaceEditor;
class TLgCustomGridControl;

// Change codes a column reports to the grid.
enum TColumnChange {
    kChangeCaption = 1,
    kChangeMoved = 2,
    kChangeSorted = 3,
    kChangeSortKind = 4,
    kChangeAppearance = 5,
    kChangeVisibility = 6,
    kChangeUnsorted = 7,
    kChangeWidth = 8,
};

// Change codes a column reports to its listeners.
enum TColumnListenerChange {
    kListenAlignment = 0,
    kListenName = 1,
    kListenColorOrOptions = 2,
    kListenDrawingOptions = 3,
    kListenVisibility = 6,
};

inline constexpr int kMinColumnWidth = 8;
// The widest a column gets, however it is sized (best fit, auto size,
// dragging, stored settings): about four full-HD screens. Wider would show
// nothing more, and the header and cells of a column are painted as wide
// as it is.
inline constexpr int kMaxColumnWidth = 8192;

// The edit control a column's cells are edited in when the column has no
// editor of its own.
enum TInplaceEditorKind { ieNone, ieEdit, ieSpinEdit, ieComboBox };
inline constexpr int kIndicatorWidth = 12;

// Header or footer of a column.
class TColumnPart
{
public:
    explicit TColumnPart(TLgCustomColumn *column, QColor color);
    virtual ~TColumnPart() = default;

    QString Caption() const { return m_caption; }
    void SetCaption(const QString &caption);
    QColor Color() const { return m_color; }
    void SetColor(const QColor &color);
    TDisplayMode DisplayMode() const { return m_displayMode; }
    void SetDisplayMode(TDisplayMode mode);
    const QPixmap &Glyph() const { return m_glyph; }
    // The bottom-left pixel's colour becomes transparent.
    void SetGlyph(const QPixmap &glyph);
    QString Hint;

    virtual void Assign(const TColumnPart &other);

protected:
    TLgCustomColumn *m_column;
    void columnRepaint();

private:
    QString m_caption;
    QColor m_color;
    TDisplayMode m_displayMode = dmTextOnly;
    QPixmap m_glyph;
};

class TColumnHeader : public TColumnPart
{
public:
    explicit TColumnHeader(TLgCustomColumn *column);
    THeaderOrientation Orientation() const { return m_orientation; }
    void SetOrientation(THeaderOrientation orientation);
    TAlignment Alignment() const { return m_alignment; }
    void SetAlignment(TAlignment alignment);

private:
    THeaderOrientation m_orientation = hoHorizontal;
    TAlignment m_alignment = taLeftJustify;
};

class TColumnFooter : public TColumnPart
{
public:
    explicit TColumnFooter(TLgCustomColumn *column);
    TFormulaKind FormulaKind() const { return m_formulaKind; }
    void SetFormulaKind(TFormulaKind kind);
    QString FormatMask() const { return m_formatMask; }
    void SetFormatMask(const QString &mask);
    double Value = 0;

    void Assign(const TColumnPart &other) override;

private:
    TFormulaKind m_formulaKind = fkNone;
    QString m_formatMask;
};

struct TSlideBounds {
    int Left = 8;
    int Top = 8;
    int Height = 16;
    int Width = 80;
    int Bottom() const { return Top + Height; }
    int Right() const { return Left + Width; }
};

// Base of every column class. A column is a named component of its window
// (ColumnByName finds it by objectName); every change goes through its list
// to the grid.
class TLgCustomColumn : public QObject
{
    Q_OBJECT

public:
    explicit TLgCustomColumn(QObject *parent = nullptr);
    ~TLgCustomColumn() override;

    int Kind() const { return m_kind; }
    TLgColumns *Columns() const { return m_list; }
    TLgCustomGridControl *Grid() const;
    int Index() const;

    TAlignment Alignment() const { return m_alignment; }
    void SetAlignment(TAlignment value);
    QColor Color() const { return m_color; }
    void SetColor(const QColor &value);
    Qt::CursorShape Cursor() const { return m_cursor; }
    void SetCursor(Qt::CursorShape value);
    QString DefaultValue;
    int DefaultWidth = 80;
    TDrawingOptions DrawingOptions() const { return m_drawingOptions; }
    void SetDrawingOptions(TDrawingOptions value);
    bool Enabled = true;
    const QFont &Font() const { return m_font; }
    void SetFont(const QFont &value);
    TColumnFooter &Footer() { return m_footer; }
    const TColumnFooter &Footer() const { return m_footer; }
    TColumnHeader &Header() { return m_header; }
    const TColumnHeader &Header() const { return m_header; }
    ILgInplaceEditor *InplaceEdit = nullptr;
    QString InputCaption() const { return m_inputCaption; }
    void SetInputCaption(const QString &value);
    TColumnOptions Options() const { return m_options; }
    void SetOptions(TColumnOptions value);
    bool ParentFont() const { return m_parentFont; }
    void SetParentFont(bool value);
    int Position() const { return m_position; }
    void SetPosition(int value);
    TSlideBounds &SlideBounds() { return m_slideBounds; }
    bool Sorted() const { return m_sorted; }
    void SetSorted(bool value);
    TSortKind SortKind() const { return m_sortKind; }
    void SetSortKind(TSortKind value);
    TSortType SortType() const { return m_sortType; }
    void SetSortType(TSortType value);
    TVerticalAlignment VerticalAlignment() const { return m_verticalAlignment; }
    void SetVerticalAlignment(TVerticalAlignment value);
    bool Visible() const { return m_visible; }
    void SetVisible(bool value);
    int Width() const { return m_width; }
    // A width set here replaces a best fit still owed to the column.
    void SetWidth(int value);
    // Best fit of a hidden column waits until it is shown or its width is
    // kept (TLgCustomGridControl::FitColumns).
    bool FitPending() const { return m_fitPending; }
    void SetFitPending(bool value) { m_fitPending = value; }
    TWrapKind WrapKind = wkEllipsis;

    QString SecondCaption() const { return m_secondCaption; }
    void SetSecondCaption(const QString &value);
    // The component name; tells the listeners when it really changes.
    void SetName(const QString &name);

    // Kept by the list's layout.
    int Left() const { return m_left; }
    int VisibleIndex() const { return m_visibleIndex; }

    // The text typed into the input line for this column.
    QString InputValue;

    // Copies the column's settings except SortType, Enabled and DefaultWidth.
    void Assign(const TLgCustomColumn &other);

    using TListener = std::function<void(TLgCustomColumn *column, int change)>;
    int AddListener(TListener listener);
    void RemoveListener(int id);

    TColumnDisplay *Display();
    TColumnPlay *Play();

    // Class-specific behaviour.
    virtual bool HasEditor() const { return false; }
    bool CanEdit() const;
    virtual int MinWidth(const QString &text, const QFont &gridFont) const;
    virtual QString DisplayText(const QString &value) const { return value; }
    // False when DisplayText shows anything but the value itself; a column
    // overriding DisplayText overrides this with it.
    virtual bool DisplaysValueAsIs() const { return true; }
    virtual bool IsValidChar(QChar c) const;
    virtual void PrepareEditor(ILgInplaceEditor *editor);
    virtual TInplaceEditorKind DefaultEditorKind() const { return ieNone; }
    // Kind 9 columns supply and take the texts of their cells.
    virtual void GetVirtualText(int ACol, int ARow, QString &text);
    virtual void SetVirtualText(int ACol, int ARow, const QString &text);

    // Reports a change code to the grid through the list.
    void Changed(int change, int value = 0);
    void Repaint() { Changed(kChangeAppearance); }
    void NotifyListeners(int change);

protected:
    void SetKind(int kind) { m_kind = kind; }
    void SetSortTypeDefault(TSortType type) { m_sortType = type; }
    void SetOptionsDefault(TColumnOptions options) { m_options = options; }
    virtual std::unique_ptr<TColumnDisplay> CreateDisplay();
    virtual std::unique_ptr<TColumnPlay> CreatePlay();

private:
    friend class TLgColumns;
    void applyWidth(int value, bool autoSizeOthers);

    int m_kind = kKindText;
    TLgColumns *m_list = nullptr;
    TAlignment m_alignment = taLeftJustify;
    QColor m_color;
    Qt::CursorShape m_cursor = Qt::ArrowCursor;
    TDrawingOptions m_drawingOptions = doNormal;
    QFont m_font;
    TColumnFooter m_footer;
    TColumnHeader m_header;
    QString m_inputCaption;
    TColumnOptions m_options{coCanClick, coCanSort, coCanInput, coEditorAutoSelect, coPublicUsing};
    bool m_parentFont = false;
    int m_position = -1;
    TSlideBounds m_slideBounds;
    bool m_sorted = false;
    TSortKind m_sortKind = skAscending;
    TSortType m_sortType = stAlphabetic;
    TVerticalAlignment m_verticalAlignment = vaMiddle;
    bool m_visible = true;
    int m_width = 80;
    bool m_fitPending = false;
    QString m_secondCaption;
    int m_left = 0;
    int m_visibleIndex = -1;
    std::unique_ptr<TColumnDisplay> m_display;
    std::unique_ptr<TColumnPlay> m_play;
    std::vector<std::pair<int, TListener>> m_listeners;
    int m_nextListenerId = 1;
};

// The grid's columns in creation order (the ACol of every cell access) and
// in display order (by Position). Owns its columns.
class TLgColumns : public QObject
{
    Q_OBJECT

public:
    explicit TLgColumns(TLgCustomGridControl *grid = nullptr);
    ~TLgColumns() override;

    TLgCustomGridControl *Grid() const { return m_grid; }
    int Count() const { return int(m_columns.size()); }
    TLgCustomColumn *Items(int index) const;
    TLgCustomColumn *ByDisplayIndex(int index) const;
    int IndexOf(const TLgCustomColumn *column) const;
    TLgCustomColumn *ColumnByName(const QString &name) const;

    // Takes ownership and appends the column.
    TLgCustomColumn *Add(TLgCustomColumn *column);
    template <typename C>
    C *Add(const QString &name = QString())
    {
        auto *column = new C();
        column->setObjectName(name);
        Add(column);
        return column;
    }
    // Removes and frees the column.
    void Delete(int index);
    void Clear();
    void Move(int fromPos, int toPos);

    int VisibleCount() const;
    int VisibleWidth() const;
    void Layout(bool renumber);
    // Shares the room left of the fixed columns among the coAutoSize columns.
    void AutoSize(TLgCustomColumn *start = nullptr, bool fromItself = false);

    bool Destroying() const { return m_destroying; }

    std::function<void(TLgCustomColumn *column, int change, int value)> OnColumnChanged;
    std::function<void(int operation, int index, int index2)> OnListChanged;
    std::function<void()> OnAfterChange;

private:
    friend class TLgCustomColumn;
    void detach(TLgCustomColumn *column);
    int indicatorWidth() const;
    int clientWidth() const;

    TLgCustomGridControl *m_grid;
    std::vector<TLgCustomColumn *> m_columns;
    std::vector<TLgCustomColumn *> m_display;
    bool m_destroying = false;
    bool m_autoSizing = false;
};
