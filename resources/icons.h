#pragma once

// The program's own small pictures: grid type and action icons, the default
// channel logos, the status bar indicators and the tool button glyphs. They
// are drawn as SVG on a 16-pixel grid (logos on 52 x 39) and rendered at the
// size asked for, so they stay crisp on high-DPI screens.

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QSize>
#include <QString>

#include <span>

// Which glyph a tool button, popup item or action of the main window shows;
// a glyph serves every command that runs the same routine.
struct TToolGlyph
{
    const char *glyph;     // icon name, "tool-..."
    const char *component; // component name of the button, menu item or action
};

// Every glyph assignment of the main window's tool bars and their menus.
std::span<const TToolGlyph> pelloranToolGlyphs();

// The glyph name of a component, or an empty string when it has none.
QString pelloranToolGlyph(const QString &component);

// Icon names by the index the grids store in their icon cells and logo lists:
// type 0 TV, 1 radio, 2 data, 3 obsolete; action 0 none, 1 add, 2 remove,
// 3 replace; default logo 0 obsolete, 1 TV, 2 radio, 3 data. Empty for any
// other index.
QString pelloranTypeIconName(int index);
QString pelloranActionIconName(int index);
QString pelloranDefaultLogoName(int index);

// The picture drawn into logicalSize x devicePixelRatio device pixels with that
// ratio set, stretched to the size asked for (the logos are shrunk to the
// smaller logo sizes this way). Null for an unknown name or an empty size.
// The image form may be used from any thread; the pixmap only from the GUI one.
QImage pelloranImage(const QString &name, const QSize &logicalSize, qreal devicePixelRatio = 1.0);
QPixmap pelloranPixmap(const QString &name, const QSize &logicalSize, qreal devicePixelRatio = 1.0);

// The picture at 16 and 24 pixels, each at 1x and 2x; null for an unknown name.
QIcon pelloranIcon(const QString &name);
