#pragma once

#include "ui/grid/column_kinds.h"
#include "ui/grid/list_grid.h"

#include "form_test_support.h"
#include "memory_use.h"

#include <QApplication>
#include <QString>

// One application for the whole test program, on the offscreen platform
// with the Fusion style and its standard palette, so pixels do not depend on
// the desktop the tests run on.
QApplication &uiApp();


// A grid of the given size, shown, with the test style in force.
struct GridFixture {
    GridFixture(int width = 420, int height = 220);
    TListGrid grid;
};

// A name of megabytes, made of words as a real name is.
QString megabyteName(qsizetype length = 2500000);
