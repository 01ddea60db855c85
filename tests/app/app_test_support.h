#pragma once

#include <QApplication>
#include <QString>

class QWidget;

// One application for the whole test program, on the offscreen platform
// with the Fusion style and its standard palette, so pixels do not depend on
// the desktop the tests run on; the built-in pictures are registered.
QApplication &appTestApp();

// Where screenshots go (created on first use).
QString shotsDir();

// Grabs a shown widget into shotsDir()/name; false when it could not be saved.
bool saveShot(QWidget &widget, const QString &name);
