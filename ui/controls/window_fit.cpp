#include "ui/controls/window_fit.h"

#include <QFont>
#include <QFontMetrics>
#include <QString>

#include <algorithm>

namespace {

// The icon, then minimise, maximise and close.
constexpr int kTitleBarButtons = 4;
// A title bar button at the smallest fonts; they grow with the font.
constexpr int kMinButtonWidth = 24;

} // namespace

int titleFitWidth(const QString &title, const QFont &font)
{
    QFont bold(font);
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    const int button = std::max(kMinButtonWidth, 2 * metrics.height());
    return metrics.horizontalAdvance(title) + kTitleBarButtons * button;
}
