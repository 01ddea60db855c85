#pragma once

#include <QRect>
#include <QSize>

class QWidget;

// Where the program's windows come up: the main window sized to the screen
// it starts on, the dialogs over the middle of the main window.

// The room the screen of a window leaves free for windows (very large
// without a screen).
QRect availableRoom(const QWidget *window);

// The main window's size when the settings hold none: most of the room, so
// the grids show their columns whole on a desktop screen, and never less
// than the designed 1000 x 670 where the room allows it.
QSize firstStartSize(const QRect &room);

// Moves a window, at its present size, into the middle of the room. Once
// it shows and its frame is known, a window whose frame does not fit is made
// smaller until it does, so its title bar stays on the screen.
void centreInRoom(QWidget *window, const QRect &room);

// From now on every dialog whose parent is the main window opens centred on
// the main window, however it was moved or the main window was moved since
// it last showed. The watch belongs to the main window.
void centreDialogsOn(QWidget *mainWindow);
