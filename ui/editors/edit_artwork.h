#pragma once

#include <QCursor>
#include <QPixmap>

// The edit controls' own pictures, drawn in code so that they scale with the
// device pixel ratio and need no resource files.

// The arrow that points up and to the right, shown over an edit's left edge
// where a click selects the whole text.
QCursor reversedArrowCursor();
// 16 x 16 glyph of the colour popup's "more colours" button.
QPixmap moreColorsGlyph();
// 16 x 16 glyph of the "no colour" button: a white box with a red cross.
QPixmap noneColorGlyph();
// A white box with a red cross in rect: how "no colour" is shown everywhere.
class QPainter;
class QRect;
void drawNoneColor(QPainter &painter, const QRect &rect);
