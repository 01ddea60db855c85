#pragma once

// Helpers shared by the zapit tests: where the fixtures are, and a model
// dump restricted to the fields a dialect carries, so two models can be
// compared field by field with readable differences.

#include "core/model/bouquet_list.h"
#include "core/model/service_list.h"
#include "qt_print.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QStringList>

#include <initializer_list>
#include <ostream>

namespace zapit_test {

inline QString fixturesDir(const QString &area)
{
    return QStringLiteral(PELLORAN_FIXTURES_DIR "/") + area;
}

inline QByteArray readBytes(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

inline bool writeBytes(const QString &fileName, const QByteArray &bytes)
{
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

using FieldSet = QSet<QString>;

inline FieldSet fields(std::initializer_list<const char *> names)
{
    FieldSet set;
    for (const char *n : names)
        set.insert(QString::fromLatin1(n));
    return set;
}

// The fields each dialect carries, written out independently of the
// dialect tables of the code under test.
inline FieldSet carriedFields(const QString &kind, int dialect)
{
    const FieldSet sat = fields({"sat.name", "sat.diseqc"});
    const FieldSet cable = fields({"sat.name"});
    const FieldSet satTp = fields({"tp.tsid", "tp.onid", "tp.frequency", "tp.inversion",
                                   "tp.symbolrate", "tp.fec", "tp.polarization"});
    const FieldSet cableTp = fields({"tp.tsid", "tp.onid", "tp.frequency", "tp.inversion",
                                     "tp.symbolrate", "tp.fec", "tp.modulation"});
    const FieldSet channel = fields({"sv.sid", "sv.name", "sv.type"});
    if (kind == u"services") {
        switch (dialect) {
        case 1: return sat | satTp | channel;
        case 2:
        case 5: return cable | cableTp | channel;
        case 3:
            return sat | satTp | channel
                | fields({"sv.country", "sv.category", "sv.encryption", "sv.provider"});
        case 4: return sat | fields({"sat.position"}) | satTp | channel;
        case 6: return sat | fields({"sat.position"}) | satTp | channel | fields({"sv.channelnr"});
        }
    } else if (kind == u"myservices") {
        if (dialect == 1)
            return sat | satTp | channel | fields({"sv.action"});
        if (dialect == 2)
            return cable | cableTp | channel | fields({"sv.action"});
    } else {
        const FieldSet bouquet = fields({"bq.name", "bq.hidden", "bq.locked"});
        const FieldSet entry = fields({"en.sid", "en.name", "en.tsid", "en.onid"});
        return dialect == 2 ? bouquet | entry : bouquet | entry | fields({"en.position"});
    }
    return {};
}

inline QString line(const char *tag, std::initializer_list<std::pair<const char *, QString>> all,
                    const FieldSet &carried)
{
    QString text = QString::fromLatin1(tag);
    for (const auto &[name, value] : all) {
        if (carried.contains(QString::fromLatin1(name)))
            text += u' ' + QString::fromLatin1(name) + QStringLiteral("=[") + value + u']';
    }
    return text;
}

inline QStringList dump(const TServiceList &list, const FieldSet &carried)
{
    QStringList out;
    for (int s = 0; s < list.Count(); ++s) {
        const TSatelite *sat = list.GetItem(s);
        out << line("sat", {{"sat.name", sat->Name}, {"sat.diseqc", sat->Diseqc},
                            {"sat.position", sat->Position}}, carried);
        for (int t = 0; t < sat->Count(); ++t) {
            const TTransponder *tp = sat->GetItem(t);
            out << line("  tp", {{"tp.tsid", tp->Tsid}, {"tp.onid", tp->Onid},
                                 {"tp.frequency", tp->Frequency}, {"tp.inversion", tp->Inversion},
                                 {"tp.symbolrate", tp->SymbolRate}, {"tp.fec", tp->Fec},
                                 {"tp.polarization", tp->Polarization},
                                 {"tp.modulation", tp->Modulation}}, carried);
            for (int v = 0; v < tp->Count(); ++v) {
                const TService *sv = tp->GetItem(v);
                out << line("    sv", {{"sv.sid", sv->Sid}, {"sv.name", sv->Name},
                                       {"sv.type", sv->GetServiceType()},
                                       {"sv.action", sv->Action()}, {"sv.channelnr", sv->ChannelNr},
                                       {"sv.country", sv->Country()}, {"sv.category", sv->Category()},
                                       {"sv.encryption", sv->Encryption()},
                                       {"sv.provider", sv->Provider()}}, carried);
            }
        }
    }
    return out;
}

inline QStringList dump(const TBouquetList &list, const FieldSet &carried)
{
    QStringList out;
    for (int b = 0; b < list.Count(); ++b) {
        const TBouquet *bq = list.GetItem(b);
        out << line("bq", {{"bq.name", bq->Name}, {"bq.hidden", bq->GetHiddenText()},
                           {"bq.locked", bq->GetLockedText()}}, carried);
        for (int e = 0; e < bq->Count(); ++e) {
            const TBouquetService *en = bq->GetItem(e);
            out << line("  en", {{"en.sid", en->Sid}, {"en.name", en->Name}, {"en.tsid", en->Tsid},
                                 {"en.onid", en->Onid}, {"en.position", en->Position}}, carried);
        }
    }
    return out;
}

} // namespace zapit_test
