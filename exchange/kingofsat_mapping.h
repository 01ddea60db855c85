#pragma once

#include "exchange/mapping_file.h"

#include <QString>

class TServiceList;

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

// A satellite of the KingOfSat list is known by the page it came from: a
// mapped one carries its target's name instead. This gives the page's name
// back: the first page mapped onto the satellite that the list does not hold
// under its own name; the satellite's own name when there is none.
QString kingOfSatSourceName(const TMappingFile &mapping, const TServiceList &kingOfSat,
                            const QString &satellite);

// The name a page's satellite takes in a delta update, so that it merges
// into what the earlier download of the page became: the page's own name
// while the list holds it, else the target the page is mapped to when the
// list holds that; the page's name when there is neither.
QString kingOfSatDeltaName(const TMappingFile &mapping, const TServiceList &kingOfSat,
                           const QString &pageSatellite);
