#pragma once

#include <QString>

struct TProgram;

// The settings file keeps every user choice of the program. There is no
// settings object: the choices live in the controls of the windows (check
// boxes, radio buttons, edits, the main window's actions and grid columns)
// and in three texts of the program, and these routines copy them from the
// file into the controls and back. A window or control that does not exist is
// left alone on loading and its key written with its default on saving.
//
// Both routines read the file anew on every call; nothing is cached. Any
// failure inside ends the call with an Exception whose text starts with
// "function loadConfig: " or "function saveConfig: "; a file that cannot be
// written is such a failure (the old file stays as it was).

// Reads the file (program.SettingsFile() when useDefaultFile, else fileName)
// into the controls; applySizes also restores the main window's size and the
// bouquet panel's width. Returns whether the file was written by an earlier
// run (false for a missing or new file).
bool loadConfig(TProgram &program, const QString &fileName, bool useDefaultFile, bool applySizes);

// Writes every key from the controls, keeping whatever else the file holds.
void saveConfig(TProgram &program, const QString &fileName, bool useDefaultFile);

// XORs every character with its key character + 128; applying it twice with
// the same key gives the text back, so it scrambles and unscrambles.
QString scramblePassword(const QString &text, const QString &key);

// Sets program.LogoHeight and LogoWidth from the logo manager's size slider.
void updateLogoSize(TProgram &program);
