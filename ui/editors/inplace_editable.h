#pragma once

#include <QDateTime>
#include <QString>

// Typed access to an editor's value, used by the grid when it applies an
// in-place edit to a cell of a typed column. Reading converts the edit text
// and throws Exception (with the conversion texts of the catalogue) when the
// text is not a value of that type; the grid then keeps the old value and the
// editor open. Writing replaces the text.
//
// How the grid hosts an edit control as an in-place editor:
//   1. Create the control with the grid's viewport as parent and call
//      SetInPlace(true): combo box and spin edit then leave Up/Down to the
//      grid, the drop-down list style draws no focus rectangle.
//   2. Bind ILgInplaceEditor's OnKeyDown (Enter/Escape), OnTextChanged and
//      OnFocusChanged, place the widget over the cell, fill it with
//      SetText/SetAsXxx and call EnterEditMode() (caret to the end).
//   3. On Enter read the value with AsXxx inside a try block; on Escape or
//      when the cell changes, hide the widget.
class IInplaceEditable
{
public:
    virtual ~IInplaceEditable() = default;

    virtual bool AsBoolean() const = 0;
    virtual QDateTime AsDateTime() const = 0;
    virtual double AsFloat() const = 0;
    virtual qint64 AsInteger() const = 0;
    virtual QString AsText() const = 0;
    virtual void SetAsBoolean(bool value) = 0;
    virtual void SetAsDateTime(const QDateTime &value) = 0;
    virtual void SetAsFloat(double value) = 0;
    virtual void SetAsInteger(qint64 value) = 0;
    virtual void SetAsText(const QString &value) = 0;
    virtual void EnterEditMode() = 0;
};
