#pragma once

#include <QDateTime>
#include <QString>

// A name template with "%DATE%" and "%TIME%" (in any case) replaced by the
// date ("2024-03-07") and time ("09.05.07") of `now`, so names made from one
// template sort in the order they were made.
QString expandDateTime(const QString &nameTemplate, const QDateTime &now);
