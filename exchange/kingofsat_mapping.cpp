#include "exchange/kingofsat_mapping.h"

#include "core/model/satelite.h"
#include "core/model/service_list.h"

#include <QDir>

namespace {

bool holdsSatellite(const TServiceList &list, const QString &name)
{
    for (int i = 0; i < list.Count(); ++i) {
        if (list.GetItem(i)->Name == name)
            return true;
    }
    return false;
}

} // namespace

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

QString kingOfSatSourceName(const TMappingFile &mapping, const TServiceList &kingOfSat,
                            const QString &satellite)
{
    // A page the list still holds as itself did not become this satellite.
    // A line of the satellite's own ("Astra 19.2E|<unchanged>|0", which an
    // earlier version wrote after a delta update) does not make it a page.
    for (const QString &page : mapping.NamesWithFirstValue(satellite)) {
        if (page != satellite && !holdsSatellite(kingOfSat, page))
            return page;
    }
    return satellite;
}

QString kingOfSatDeltaName(const TMappingFile &mapping, const TServiceList &kingOfSat,
                           const QString &pageSatellite)
{
    if (holdsSatellite(kingOfSat, pageSatellite))
        return pageSatellite;
    QString target;
    QString diseqc;
    if (satelliteMappingOf(mapping, pageSatellite, target, diseqc)
        && target != QString::fromUtf16(kUnchangedSatellite) && holdsSatellite(kingOfSat, target))
        return target;
    return pageSatellite;
}
