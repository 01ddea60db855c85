#pragma once

#include "ui/grid/grid_types.h"

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

#include <functional>

class QPainter;
class QWidget;
class TLgCustomColumn;

// Knows only its column.
class TVirtualColElement
{
public:
    explicit TVirtualColElement(TLgCustomColumn *column) : m_column(column) {}
    virtual ~TVirtualColElement() = default;
    TLgCustomColumn *Column() const { return m_column; }

private:
    TLgCustomColumn *m_column;
};

// Draws one cell of its column. The grid (or the printing) hands in the
// canvas, the rectangle and the value read by the column's kind.
class TColumnDisplay : public TVirtualColElement
{
public:
    using TVirtualColElement::TVirtualColElement;

    QPainter *Canvas = nullptr;
    QRect CellRect;
    const QWidget *Widget = nullptr;  // for themed parts; may be null (printing)
    bool Themed = false;
    bool RightToLeft = false;
    bool Selected = false;            // the cell is drawn selected
    bool SelectedCell = false;        // it is the grid's selected cell
    QColor HighlightedTextColor;
    bool ShowHintMark = false;        // set while preparing a cell with a hint
    // Canvas pixels per screen pixel: above 1 on paper, so the text keeps
    // the inner padding it has on screen.
    double PixelScale = 1.0;

    QString TextValue;
    bool BooleanValue = false;
    int IntegerValue = 0;
    double FloatValue = 0;
    double DateTimeValue = 0;

    virtual void Paint();
    // The red triangle in the top-right corner of a cell with a hint.
    void PaintHintMark();

protected:
    void drawTextInCell(const QString &text, const QRect &rect);
};

class TTextualColumnDisplay : public TColumnDisplay
{
public:
    using TColumnDisplay::TColumnDisplay;
    void Paint() override;
};

class TNumericColumnDisplay : public TColumnDisplay
{
public:
    using TColumnDisplay::TColumnDisplay;
    void Paint() override;
};

class TIncrementColumnDisplay : public TColumnDisplay
{
public:
    using TColumnDisplay::TColumnDisplay;
    void Paint() override;
};

class TImageColumnDisplay : public TColumnDisplay
{
public:
    using TColumnDisplay::TColumnDisplay;
    void Paint() override;
};

class TComboBoxColumnDisplay : public TColumnDisplay
{
public:
    using TColumnDisplay::TColumnDisplay;
    void Paint() override;
};

class TCheckBoxColumnDisplay : public TColumnDisplay
{
public:
    using TColumnDisplay::TColumnDisplay;
    void Paint() override;
    // Where the box sits in a cell: 13 pixels themed, 11 plain.
    QRect CheckBoxRect(const QRect &cellRect, bool themed) const;
};

class THtmlColumnDisplay : public TColumnDisplay
{
public:
    using TColumnDisplay::TColumnDisplay;
    void Paint() override;
};

// Takes input for a column without an editor (the check box toggles).
class TColumnPlay : public TVirtualColElement
{
public:
    using TVirtualColElement::TVirtualColElement;
    QString InputValue;
    // Bound by the grid: the play's value is to be applied to the cell.
    std::function<void()> OnChange;
};

class TCheckBoxColumnPlay : public TColumnPlay
{
public:
    using TColumnPlay::TColumnPlay;
    bool Value = false;
    void Toggle();
};

// The small HTML renderer of HTML columns: b, i, u, a, br and font (color,
// name, size). Unknown tags and values it cannot read change nothing; all
// drawing stays inside the cell.
void DrawHtmlText(QPainter &painter, const QRect &cellRect, const QString &html,
                  const QFont &baseFont, const QColor &textColor, bool selected,
                  const QColor &highlightedTextColor);
