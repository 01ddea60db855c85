#include "exchange/kingofsat_mapping.h"

#include <QDir>

QString satelliteMappingFileName(const QString &programFolder)
{
    return QDir(programFolder).filePath(QStringLiteral("SatelliteMapping.dat"));
}

bool satelliteMappingOf(const TMappingFile &mapping, const QString &satellite, QString &target,
                        QString &diseqc)
{
    const QStringList fields = mapping.Values(satellite);
    if (fields.size() != kSatelliteMappingFields) {
        target = QString::fromUtf16(kUnchangedSatellite);
        diseqc = QStringLiteral("0");
        return false;
    }
    target = fields[0];
    diseqc = fields[1];
    return true;
}
