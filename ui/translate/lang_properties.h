#pragma once

#include <QString>
#include <QStringList>

class QObject;

// Applies one key of a window's section: path is a chain of names joined by
// "." that leads from root to a property ("GrpOptions.ChkLogos.text"), value
// the raw text of the language file. Names of objects are found first among
// everything root owns (exact objectName), then among a widget's child
// widgets ignoring letter case; property names ignore letter case. A path
// that leads nowhere is ignored. Returns whether a property was set.
bool applyLangProperty(QObject *root, const QString &path, const QString &value);

// "'One','Two, three',Four" -> {"One", "Two, three", "Four"}.
QStringList splitLangList(QStringView value);
