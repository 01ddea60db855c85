#pragma once

#include <QRect>

class QPainter;
class QWidget;

// Themed drawing goes through the application's QStyle. Callers draw plainly
// when themes are unavailable or the control has visual styles switched off.
namespace Themes {

bool ThemesAvailable();
// Lets a program (or a test) force the plain drawing everywhere.
void SetThemesAllowed(bool allowed);

enum class THeaderState { Normal, Hot, Pressed };

// Header, footer, indicator and frame parts share the themed header section.
void DrawHeaderPart(QPainter &painter, const QWidget *widget, const QRect &rect,
                    THeaderState state = THeaderState::Normal);
// The themed check box; side is the box size in pixels.
void DrawCheckBox(QPainter &painter, const QWidget *widget, const QRect &rect, bool checked);
void DrawBorder(QPainter &painter, const QWidget *widget, const QRect &rect);

} // namespace Themes
