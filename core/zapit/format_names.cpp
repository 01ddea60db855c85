#include "core/zapit/format_names.h"

const QString ServicesXMLFormatNames[kServicesDialectCount + 1] = {
    QString(),
    QStringLiteral("(Sat, Sportster compatible)"),
    QStringLiteral("(Cable)"),
    QStringLiteral("(Sat, ESI)"),
    QStringLiteral("(Sat)"),
    QStringLiteral("(Cable)"),
    QStringLiteral("(Sat, NG compatible)"),
};

const QString MyServicesXMLFormatNames[kMyServicesDialectCount + 1] = {
    QString(),
    QStringLiteral("(Sat, Sportster compatible)"),
    QStringLiteral("(Cable)"),
};

const QString BouquetXMLFormatNames[kBouquetDialectCount + 1] = {
    QString(),
    QStringLiteral("(Sat)"),
    QStringLiteral("(Cable)"),
    QStringLiteral("(Sat, Sportster & NG compatible)"),
    QStringLiteral("(Sat, Sportster & NG compatible)"),
};
