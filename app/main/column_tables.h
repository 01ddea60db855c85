#pragma once

#include "app/main/main_window.h"

#include <span>

class TListGrid;

// One column of a main-window grid: its component name, header caption,
// what its cells hold, and the word that names its view action and ini key
// ("columnLogo" feeds "ActionSerColLogo"); null for columns without one.
struct TColumnSpec {
    enum Kind { Logo, TypeIcon, ActionIcon, Text, Number, Increment, Check };
    const char *name;
    const char *caption;
    Kind kind;
    const char *actionWord;
    const char *longCaption; // the view action's text
    int width = 80;
};

struct TFilterSpec {
    const char *actionName;
    const char *caption;
};

// A grid's view: its action prefix, columns, filters and tool bar.
struct TGridViewSpec {
    const char *prefix; // "Ser", "MySer", "Kof", "Bou"
    const char *gridName;
    const char *toolBarName;
    std::span<const TColumnSpec> columns;
    std::span<const TFilterSpec> filters;
    bool hasSizing; // "Columns: Best Fit" / "Columns: Custom"
};

std::span<const TColumnSpec> servicesColumns();
std::span<const TColumnSpec> myServicesColumns();
std::span<const TColumnSpec> kingOfSatColumns();
std::span<const TColumnSpec> bouquetColumns();
std::span<const TColumnSpec> bouquetListColumns();
// The services, my-services, KingOfSat and bouquet grids' views, in the
// order the settings file keeps them.
std::span<const TGridViewSpec> gridViews();

// Where each kind of value stands in a services grid.
TServiceColumns serviceColumnsOf(const TListGrid &grid);
