#pragma once

// Keyboard and mouse state as of the event being handled. Without a GUI
// application object nothing is held down.
bool shiftOrCtrlHeld();
// The primary button (Qt already maps swapped buttons to Qt::LeftButton).
bool primaryMouseButtonHeld();
