#pragma once

#include "exchange/mapping_file.h"

#include <QString>

// "SatelliteMapping.dat" in the program folder: one line per KingOfSat
// satellite ever confirmed, "<KingOfSat name>|<target satellite or
// <unchanged>>|<DiSEqC>", kept as a mapping file with two fields.

// The target that leaves a KingOfSat satellite's name as it is.
inline constexpr char16_t kUnchangedSatellite[] = u"<unchanged>";
inline constexpr int kSatelliteMappingFields = 2;

QString satelliteMappingFileName(const QString &programFolder);

// The target and DiSEqC fields of a satellite's line; false (and
// "<unchanged>", "0") when it has none.
bool satelliteMappingOf(const TMappingFile &mapping, const QString &satellite, QString &target,
                        QString &diseqc);
