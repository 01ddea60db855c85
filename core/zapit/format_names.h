#pragma once

#include <QString>

// Display names of the zapit dialects, indexed from 1 by dialect number
// (entry 0 is empty). Services dialects 2 and 5 share "(Cable)"; bouquet
// dialects 3 and 4 share "(Sat, Sportster & NG compatible)".
inline constexpr int kServicesDialectCount = 6;
inline constexpr int kMyServicesDialectCount = 2;
inline constexpr int kBouquetDialectCount = 4;

extern const QString ServicesXMLFormatNames[kServicesDialectCount + 1];
extern const QString MyServicesXMLFormatNames[kMyServicesDialectCount + 1];
extern const QString BouquetXMLFormatNames[kBouquetDialectCount + 1];
