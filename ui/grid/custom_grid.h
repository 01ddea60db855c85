#pragma once

#include "ui/grid/grid_control.h"

// The grid with the user's hands on it: mouse and keyboard selection, header
// clicks, column and row resizing and moving, incremental search and hints
// are added here on top of the core. Until then it is the core as it is.
class TLgCustomGrid : public TLgCustomGridControl
{
    Q_OBJECT

public:
    using TLgCustomGridControl::TLgCustomGridControl;
};
