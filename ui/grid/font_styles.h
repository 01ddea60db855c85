#pragma once

#include "ui/grid/grid_types.h"

#include <QFont>

// The four style flags a cell or column keeps of a font.
TFontStyles stylesOf(const QFont &font);
QFont withStyles(QFont font, TFontStyles styles);
