#pragma once

#include <QColor>
#include <QString>

#include <optional>

// The two ways a colour picker writes colours: the web form ("#RRGGBB",
// colour names accepted when reading) and the classic form, a constant name
// ("clRed") or "$00BBGGRR". An empty text is no colour.
QString colorToText(const QColor &color, bool webFormat);
// nullopt when the text is not a colour of that form.
std::optional<QColor> textToColor(const QString &text, bool webFormat);
