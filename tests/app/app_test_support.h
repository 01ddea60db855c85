#pragma once

#include <QApplication>
#include <QString>

#include "form_test_support.h"

class QWidget;

// One application for the whole test program, on the offscreen platform
// with the Fusion style and its standard palette, so pixels do not depend on
// the desktop the tests run on; the built-in pictures are registered.
QApplication &appTestApp();

