#pragma once

class QFont;
class QString;

// The least width of a window that shows `title` whole in its title bar. The
// window manager draws the title in a font of its own that Qt cannot ask
// for; the application font in bold stands in for it, with room beside the
// text for the window's icon and the title bar's buttons.
int titleFitWidth(const QString &title, const QFont &font);
