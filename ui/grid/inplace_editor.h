#pragma once

#include "ui/grid/grid_types.h"

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

#include <functional>

class QWidget;

// What the grid needs from an in-place editor. The edit controls implement
// it; the grid only places, fills, reads and hides them.
class ILgInplaceEditor
{
public:
    virtual ~ILgInplaceEditor() = default;

    virtual QWidget *Widget() = 0;
    virtual QString Text() const = 0;
    virtual void SetText(const QString &text) = 0;
    virtual void SelectAll() = 0;
    virtual void SetAlignment(TAlignment alignment, TVerticalAlignment vertical) = 0;
    virtual void SetBorderless(bool borderless) = 0;
    virtual void SetMargin(int margin) = 0;
    // Editors that sit in a grid leave the Up and Down keys to it.
    virtual void SetInPlace(bool inPlace) = 0;
    virtual void SetAppearance(const QFont &font, const QColor &color) = 0;

    // Bound by the grid while the editor is in use.
    std::function<void()> OnTextChanged;
    std::function<void(bool focused)> OnFocusChanged;
    // Return True when the key was handled (Enter, Escape).
    std::function<bool(int key)> OnKeyDown;
};
