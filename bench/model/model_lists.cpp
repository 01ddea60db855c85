#include "model_lists.h"

#include "core/util/str_utils.h"

#include <QHash>

#include <array>
#include <vector>

namespace model_bench {

namespace {

constexpr int kSatelites = 10;

const std::array<const char *, 8> kNames = {
    "Das Erste HD",
    "Rock & Pop",
    "ZDFinfo",
    "Bayerisches FS S\u00fcd",
    "\u0420\u043e\u0441\u0441\u0438\u044f 1",
    "Sky Cinema Premieren +24",
    "ORF2 W",
    "Radio \u00d63",
};

QString serviceName(int index)
{
    // Every other name begins with "A": half of the list answers "A*".
    const QString base = QString::fromUtf8(kNames[std::size_t(index / 2) % kNames.size()]);
    return (index % 2 == 0 ? QStringLiteral("A ") : QString()) + base
        + QStringLiteral(" %1").arg(index);
}

// The reader shares one copy of every short value it meets ("0001" is the
// same text object in every service that has it); lists built here do too.
QString pooled(const QString &text)
{
    static QHash<QString, QString> pool;
    const auto it = pool.constFind(text);
    if (it != pool.constEnd())
        return *it;
    pool.insert(text, text);
    return text;
}

QString hex4(int value)
{
    return pooled(QStringLiteral("%1").arg(value & 0xffff, 4, 16, QLatin1Char('0')));
}

struct Shape {
    int transponders;
    int perSatelite;
};

Shape shapeOf(int count, int perTransponder)
{
    const int transponders = (count + perTransponder - 1) / perTransponder;
    return {transponders, (transponders + kSatelites - 1) / kSatelites};
}

QString sateliteName(int s)
{
    return QStringLiteral("Satellite %1.%2E").arg(s * 3).arg(s % 10);
}

} // namespace

std::unique_ptr<TServiceList> makeServices(int count, int perTransponder)
{
    auto list = std::make_unique<TServiceList>();
    const Shape shape = shapeOf(count, perTransponder);
    int made = 0;
    for (int s = 0; s < kSatelites && made < count; ++s) {
        auto sat = std::make_unique<TSatelite>();
        sat->Name = sateliteName(s);
        for (int t = 0; t < shape.perSatelite && made < count; ++t) {
            auto tp = std::make_unique<TTransponder>();
            tp->Tsid = hex4(s * shape.perSatelite + t);
            tp->Onid = hex4(s + 1);
            tp->Frequency = pooled(QString::number(10700000 + 250 * t));
            tp->SymbolRate = pooled(QStringLiteral("27500000"));
            tp->Fec = pooled(QStringLiteral("3"));
            tp->Polarization = pooled(QString::number(t % 2));
            for (int v = 0; v < perTransponder && made < count; ++v, ++made) {
                auto service = std::make_unique<TService>();
                service->Name = serviceName(made);
                service->Sid = hex4(v + 1);
                service->SetServiceType(v % 10 == 9 ? QStringLiteral("02") : QStringLiteral("01"));
                tp->AddService(std::move(service));
            }
            sat->AddTransponder(std::move(tp));
        }
        list->AddSatelite(std::move(sat));
    }
    return list;
}

QByteArray servicesFile(int count, int perTransponder)
{
    const Shape shape = shapeOf(count, perTransponder);
    QString xml = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<zapit>\n");
    int made = 0;
    for (int s = 0; s < kSatelites && made < count; ++s) {
        xml += QStringLiteral("\t<sat name=\"%1\" diseqc=\"%2\">\n")
                   .arg(sateliteName(s))
                   .arg(s % 4);
        for (int t = 0; t < shape.perSatelite && made < count; ++t) {
            xml += QStringLiteral("\t\t<transponder id=\"%1\" onid=\"%2\" frequency=\"%3\" "
                                  "inversion=\"0\" symbol_rate=\"27500000\" fec_inner=\"3\" "
                                  "polarization=\"%4\">\n")
                       .arg(hex4(s * shape.perSatelite + t), hex4(s + 1))
                       .arg(10700000 + 250 * t)
                       .arg(t % 2);
            for (int v = 0; v < perTransponder && made < count; ++v, ++made) {
                xml += QStringLiteral("\t\t\t<channel service_id=\"%1\" name=\"%2\" "
                                      "service_type=\"%3\" />\n")
                           .arg(hex4(v + 1), convertCharactersToXmlEntities(serviceName(made)),
                                v % 10 == 9 ? QStringLiteral("02") : QStringLiteral("01"));
            }
            xml += QStringLiteral("\t\t</transponder>\n");
        }
        xml += QStringLiteral("\t</sat>\n");
    }
    xml += QStringLiteral("</zapit>\n");
    return xml.toUtf8();
}

QByteArray repeatedElementsFile(Repeated shape, int elements)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<zapit>\n";
    const auto transponder = [](int frequency) -> QByteArray {
        return "\t\t<transponder id=\"0001\" onid=\"0001\" frequency=\""
            + QByteArray::number(frequency)
            + "\" inversion=\"0\" symbol_rate=\"27500000\" fec_inner=\"3\" "
              "polarization=\"0\">\n";
    };
    const auto channel = [](int sid, const QByteArray &name) -> QByteArray {
        return "\t\t\t<channel service_id=\"" + QByteArray::number(sid, 16) + "\" name=\"" + name
            + "\" service_type=\"01\" />\n";
    };
    const QByteArray closeTransponder = "\t\t</transponder>\n";
    if (shape == Repeated::Transponder)
        xml += "\t<sat name=\"Astra 19.2E\" diseqc=\"0\">\n";
    for (int k = 0; k < elements; ++k) {
        const QByteArray own = "Service " + QByteArray::number(k);
        switch (shape) {
        case Repeated::Satelite:
            xml += "\t<sat name=\"Astra 19.2E\" diseqc=\"0\">\n" + transponder(10000 + k)
                + channel(k + 1, own) + closeTransponder + "\t</sat>\n";
            break;
        case Repeated::Transponder:
            xml += transponder(11000) + channel(0xffff, "Shared") + channel(k + 1, own)
                + closeTransponder;
            break;
        case Repeated::DistinctSatelites: {
            const int name = k % 10 == 9 ? k / 2 : k;
            xml += "\t<sat name=\"Satellite " + QByteArray::number(name)
                + "\" diseqc=\"0\">\n" + transponder(10000 + k) + channel(1, own)
                + closeTransponder + "\t</sat>\n";
            break;
        }
        }
    }
    if (shape == Repeated::Transponder)
        xml += "\t</sat>\n";
    return xml + "</zapit>\n";
}

std::unique_ptr<TServiceList> makeMyServices(const TServiceList &services, int count)
{
    static const std::array<int, 3> kActions = {saAdd, saRemove, saReplace};
    auto my = std::make_unique<TServiceList>();
    int seen = 0;
    int made = 0;
    for (int a = 0; a < services.Count() && made < count; ++a) {
        const TSatelite &sat = *services.GetItem(a);
        auto ownSat = sat.Clone();
        for (int t = 0; t < sat.Count() && made < count; ++t) {
            const TTransponder &tp = *sat.GetItem(t);
            auto ownTp = tp.Clone();
            for (int s = 0; s < tp.Count() && made < count; ++s, ++seen) {
                if (seen % 5 != 0)
                    continue;
                auto entry = tp.GetItem(s)->Clone();
                if (made % 10 == 9)
                    entry->Sid = QStringLiteral("FFFF"); // gone from the receiver's list
                entry->SetAction(kActions[std::size_t(made) % kActions.size()]);
                ownTp->AddService(std::move(entry));
                ++made;
            }
            if (ownTp->Count() > 0)
                ownSat->AddTransponder(std::move(ownTp));
        }
        my->AddSatelite(std::move(ownSat));
    }
    return my;
}

namespace {

struct Placed {
    TService *service;
    TTransponder *transponder;
    TSatelite *satelite;
};

std::vector<Placed> flatten(const TServiceList &services)
{
    std::vector<Placed> all;
    services.forEachService(
        [&](TService *s, TTransponder *tp, TSatelite *sat) { all.push_back({s, tp, sat}); });
    return all;
}

} // namespace

std::unique_ptr<TBouquet> makeBouquet(const TServiceList &services, int count)
{
    const auto all = flatten(services);
    auto bouquet = std::make_unique<TBouquet>();
    bouquet->Name = QStringLiteral("All channels");
    for (int i = 0; i < count; ++i) {
        const Placed &p = all[std::size_t(i) % all.size()];
        const int index = bouquet->AddService(p.service, p.transponder, p.satelite);
        TBouquetService &entry = *bouquet->GetItem(index);
        entry.Marked = i % 2 == 0;
        entry.Shown = i % 4 != 3;
    }
    return bouquet;
}

std::unique_ptr<TBouquetList> makeBouquetList(const TServiceList &services, int count)
{
    const auto all = flatten(services);
    auto list = std::make_unique<TBouquetList>();
    for (int i = 0; i < count; ++i) {
        auto bouquet = std::make_unique<TBouquet>();
        bouquet->Name = QStringLiteral("Bouquet %1").arg(i);
        const Placed &p = all[std::size_t(i) % all.size()];
        bouquet->AddService(p.service, p.transponder, p.satelite);
        bouquet->Marked = i % 2 == 0;
        list->Add(std::move(bouquet));
    }
    return list;
}

} // namespace model_bench
