#pragma once

#include <QColor>
#include <QString>

#include <span>

struct THtmlColorName {
    const char *name;
    const char *color; // "#RRGGBB"
};

// "transparent" first, then the 140 named web colours in alphabetical order.
std::span<const THtmlColorName> HtmlColorNames();

// The colour text of a name, ignoring case; any other text comes back unchanged.
QString ColorNameToColorText(const QString &name);
// A name or a "#RRGGBB" text as a colour; invalid when neither.
QColor HtmlTextToColor(const QString &text);
// "#" and six upper-case hexadecimal digits.
QString ColorToHtmlText(const QColor &color);
