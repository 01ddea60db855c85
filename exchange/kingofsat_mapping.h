#pragma once

#include <QString>
#include <QStringList>

// "SatelliteMapping.dat" in the program folder: one line per KingOfSat
// satellite ever confirmed, "<KingOfSat name>|<target satellite or
// <unchanged>>|<DiSEqC>", CR LF line ends.

// The target that leaves a KingOfSat satellite's name as it is.
inline constexpr char16_t kUnchangedSatellite[] = u"<unchanged>";

QString satelliteMappingFileName(const QString &programFolder);

// The file's lines (UTF-8, or Windows-1252 when written elsewhere); none
// when the file does not exist or cannot be read.
QStringList readSatelliteMapping(const QString &fileName);
// Writes the lines whole or not at all; false with the reason.
bool writeSatelliteMapping(const QString &fileName, const QStringList &lines, QString &error);

// The line of a KingOfSat satellite: its name compared exactly (a "*" or
// "?" in it is an ordinary character), followed by two fields. -1: none.
int findSatelliteMappingLine(const QStringList &lines, const QString &satellite);
// The target and DiSEqC fields of a satellite's line; false (and
// "<unchanged>", "0") when it has none.
bool satelliteMappingOf(const QStringList &lines, const QString &satellite, QString &target,
                        QString &diseqc);
// Replaces the satellite's line or appends one.
void setSatelliteMapping(QStringList &lines, const QString &satellite, const QString &target,
                         const QString &diseqc);
