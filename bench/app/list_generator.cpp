#include "bench/app/list_generator.h"

#include "core/model/bouquet.h"
#include "core/model/bouquet_list.h"
#include "core/model/bouquet_service.h"
#include "core/model/service.h"
#include "core/model/service_list.h"
#include "core/zapit/xml_file_handler.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

namespace {

// A fixed seed: every run measures the very same lists.
constexpr unsigned kSeed = 20240611u;
constexpr int kMinServicesPerTransponder = 20;
constexpr int kMaxServicesPerTransponder = 60;
constexpr int kFrequencyStart = 10700000;
constexpr int kFrequencyStep = 2000;
// Sids of services the receiver lacks start above every generated one, so an
// "add" entry never meets a service of the list by accident.
constexpr int kSidBaseMax = 0xF000;
constexpr int kForeignSidStart = 0xF800;
// Share of the my-services entries that name a service of the list.
constexpr double kMyServicesKnownShare = 0.9;

struct SateliteInfo {
    const char *name; // UTF-8
    const char *diseqc;
    const char *onid;
    const char *position;
    double share;
};

// Real lists are dominated by two or three satellites; one name carries an
// umlaut, as a receiver's names do.
constexpr SateliteInfo kSatelites[] = {
    {"Astra 19.2E", "0", "0001", "192", 0.30},  {"Hot Bird 13.0E", "1", "013e", "130", 0.30},
    {"Astra 28.2E", "2", "0002", "282", 0.15},  {"Eutelsat 16.0E", "3", "0055", "160", 0.10},
    {"Türksat 42.0E", "0", "00a0", "420", 0.10}, {"Amos 4.0W", "1", "0070", "-40", 0.05},
};

constexpr const char *kSymbolRates[] = {"27500000", "22000000", "30000000", "29700000"};
constexpr const char *kFecs[] = {"3", "2", "5", "9"};

struct Service {
    int sid;
    QByteArray type;
    QByteArray name; // UTF-8, not escaped
};

struct Transponder {
    int sat;
    int tsid;
    int frequency;
    const char *inversion;
    const char *symbolRate;
    const char *fec;
    const char *polarization;
    std::vector<Service> services;
};

struct ServiceRef {
    int transponder;
    int service;
};

// Names the way lists show them: a plain "Service N" share (a good part of
// it starting with "Service 9"), German names with umlauts, Cyrillic ones and
// names with "&".
QByteArray serviceName(std::mt19937 &rng, const QByteArray &type)
{
    std::uniform_int_distribution<int> pick(0, 99);
    std::uniform_int_distribution<int> big(1, 99999);
    std::uniform_int_distribution<int> small(1, 999);
    const int roll = pick(rng);
    if (roll < 40)
        return "Service " + QByteArray::number(big(rng));
    if (roll < 46)
        return "Service 9" + QByteArray::number(small(rng));
    const int n = small(rng);
    if (type == "02") {
        static const char *const radio[] = {"Klassik & Jazz ", "Ö3 Regional ", "Радио ",
                                            "Bayern Rock & Pop ", "Antenne Süd ", "Радио Шансон "};
        return QByteArray(radio[pick(rng) % std::size(radio)]) + QByteArray::number(n);
    }
    if (type == "0c") {
        static const char *const data[] = {"EPG data ", "Datendienst ", "Update Kanal ",
                                           "Служебный "};
        return QByteArray(data[pick(rng) % std::size(data)]) + QByteArray::number(n);
    }
    static const char *const tv[] = {"Sender Süd ",   "Канал ",      "Das Erste & Co ",
                                     "Österreich ",   "Россия ",     "Kinowelt Größe ",
                                     "Sport & Spaß ", "Первый ",     "Nachrichten Nord ",
                                     "Kika Jünior ",  "Film & Serie ", "Teleshop "};
    return QByteArray(tv[pick(rng) % std::size(tv)]) + QByteArray::number(n);
}

QByteArray typeFor(std::mt19937 &rng)
{
    const int roll = std::uniform_int_distribution<int>(0, 99)(rng);
    return roll < 60 ? "01" : roll < 88 ? "02" : "0c";
}

QByteArray escaped(const QByteArray &text)
{
    QByteArray out;
    out.reserve(text.size() + 8);
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default: out += c;
        }
    }
    return out;
}

QByteArray hex4(int value)
{
    return QByteArray::number(value, 16).rightJustified(4, '0');
}

QByteArray header()
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<zapit>\n<!--\n"
           "    Settings created by Pelloran\n//-->\n";
}

QByteArray transponderOpen(const Transponder &tp)
{
    return "\t\t<transponder id=\"" + hex4(tp.tsid) + "\" onid=\"" + kSatelites[tp.sat].onid
        + "\" frequency=\"" + QByteArray::number(tp.frequency) + "\" inversion=\"" + tp.inversion
        + "\" symbol_rate=\"" + tp.symbolRate + "\" fec_inner=\"" + tp.fec
        + "\" polarization=\"" + tp.polarization + "\">\n";
}

QByteArray satOpen(int sat)
{
    return QByteArray("\t<sat name=\"") + escaped(kSatelites[sat].name) + "\" diseqc=\""
        + kSatelites[sat].diseqc + "\">\n";
}

bool writeFile(const QString &fileName, const QByteArray &text)
{
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

std::vector<Transponder> makeTransponders(std::mt19937 &rng, int total)
{
    std::vector<Transponder> transponders;
    std::uniform_int_distribution<int> size(kMinServicesPerTransponder, kMaxServicesPerTransponder);
    std::uniform_int_distribution<int> sidBase(0x0100, kSidBaseMax);
    std::uniform_int_distribution<int> any(0, 1023);
    int made = 0;
    int tsid = 1;
    const int satCount = int(std::size(kSatelites));
    for (int sat = 0; sat < satCount; ++sat) {
        const int wanted = sat == satCount - 1 ? total - made
                                               : int(kSatelites[sat].share * total + 0.5);
        int onSat = 0;
        for (int index = 0; onSat < wanted; ++index) {
            Transponder tp;
            tp.sat = sat;
            tp.tsid = tsid++;
            tp.frequency = kFrequencyStart + index * kFrequencyStep;
            tp.inversion = any(rng) % 8 == 0 ? "1" : "0";
            tp.symbolRate = kSymbolRates[any(rng) % std::size(kSymbolRates)];
            tp.fec = kFecs[any(rng) % std::size(kFecs)];
            tp.polarization = index % 2 ? "1" : "0";
            const int count = std::min(size(rng), wanted - onSat);
            const int base = sidBase(rng);
            for (int s = 0; s < count; ++s) {
                QByteArray type = typeFor(rng);
                QByteArray name = serviceName(rng, type);
                tp.services.push_back({base + s, std::move(type), std::move(name)});
            }
            onSat += count;
            transponders.push_back(std::move(tp));
        }
        made += onSat;
    }
    return transponders;
}

QByteArray servicesText(const std::vector<Transponder> &transponders)
{
    QByteArray text = header();
    text.reserve(qsizetype(transponders.size()) * 40 * 90);
    int sat = -1;
    for (const Transponder &tp : transponders) {
        if (tp.sat != sat) {
            if (sat >= 0)
                text += "\t</sat>\n";
            sat = tp.sat;
            text += satOpen(sat);
        }
        text += transponderOpen(tp);
        for (const Service &s : tp.services)
            text += "\t\t\t<channel service_id=\"" + hex4(s.sid) + "\" name=\"" + escaped(s.name)
                + "\" service_type=\"" + s.type + "\" />\n";
        text += "\t\t</transponder>\n";
    }
    if (sat >= 0)
        text += "\t</sat>\n";
    text += "</zapit>\n";
    return text;
}

struct MyEntry {
    int sid;
    const char *action;
    QByteArray type;
    QByteArray name;
};

QByteArray myServicesText(std::mt19937 &rng, const std::vector<Transponder> &transponders,
                          const std::vector<ServiceRef> &all, int count)
{
    // Which services get an entry: a random share of the list, the rest are
    // services the receiver lacks, placed on its transponders.
    const int known = std::min(int(count * kMyServicesKnownShare), int(all.size()));
    std::vector<int> order(all.size());
    std::iota(order.begin(), order.end(), 0);
    for (int i = 0; i < known; ++i)
        std::swap(order[std::size_t(i)],
                  order[std::size_t(std::uniform_int_distribution<int>(i, int(order.size()) - 1)(rng))]);

    std::vector<std::vector<MyEntry>> entries(transponders.size());
    std::uniform_int_distribution<int> pick(0, 99);
    for (int i = 0; i < known; ++i) {
        const ServiceRef ref = all[std::size_t(order[std::size_t(i)])];
        const Service &s = transponders[std::size_t(ref.transponder)].services[std::size_t(ref.service)];
        const int roll = pick(rng);
        if (roll < 40)
            entries[std::size_t(ref.transponder)].push_back({s.sid, "add", s.type, s.name});
        else if (roll < 75)
            entries[std::size_t(ref.transponder)].push_back({s.sid, "remove", s.type, s.name});
        else
            entries[std::size_t(ref.transponder)].push_back({s.sid, "replace", s.type, s.name + " HD"});
    }
    std::uniform_int_distribution<int> anyTp(0, int(transponders.size()) - 1);
    std::vector<int> foreignSid(transponders.size(), kForeignSidStart);
    for (int i = known; i < count; ++i) {
        const int tp = anyTp(rng);
        // Mostly "add" (what a foreign entry is for); a few stale ones make
        // obsolete entries, as old lists have.
        const char *action = pick(rng) < 90 ? "add" : "remove";
        entries[std::size_t(tp)].push_back({foreignSid[std::size_t(tp)]++, action, typeFor(rng),
                                            "Eigener Sender " + QByteArray::number(i)});
    }

    QByteArray text = header();
    text.reserve(qsizetype(count) * 100 + qsizetype(transponders.size()) * 150);
    int sat = -1;
    for (std::size_t t = 0; t < transponders.size(); ++t) {
        auto &list = entries[t];
        if (list.empty())
            continue;
        std::sort(list.begin(), list.end(), [](const MyEntry &a, const MyEntry &b) { return a.sid < b.sid; });
        const Transponder &tp = transponders[t];
        if (tp.sat != sat) {
            if (sat >= 0)
                text += "\t</sat>\n";
            sat = tp.sat;
            text += satOpen(sat);
        }
        text += transponderOpen(tp);
        for (const MyEntry &e : list)
            text += "\t\t\t<channel service_id=\"" + hex4(e.sid) + "\" action=\"" + e.action
                + "\" name=\"" + escaped(e.name) + "\" service_type=\"" + e.type + "\" />\n";
        text += "\t\t</transponder>\n";
    }
    if (sat >= 0)
        text += "\t</sat>\n";
    text += "</zapit>\n";
    return text;
}

QByteArray bouquetsText(std::mt19937 &rng, const std::vector<Transponder> &transponders,
                        const std::vector<ServiceRef> &all, int bouquets, int perBouquet)
{
    static const char *const topics[] = {"Sport",   "Filme & Serien", "Nachrichten", "Österreich",
                                         "Новости", "Musik",          "Kinder",      "Dokumentation",
                                         "Regional Süd", "Радио"};
    QByteArray text = header();
    text.reserve(qsizetype(bouquets) * perBouquet * 110);
    const int pickable = std::min(perBouquet, int(all.size()));
    std::vector<int> order(all.size());
    std::iota(order.begin(), order.end(), 0);
    for (int b = 0; b < bouquets; ++b) {
        const QByteArray name = QByteArray(topics[b % std::size(topics)]) + ' ' + QByteArray::number(b + 1);
        text += "\t<Bouquet name=\"" + escaped(name) + "\" hidden=\"" + (b % 25 == 24 ? "1" : "0")
            + "\" locked=\"" + (b % 40 == 39 ? "1" : "0") + "\">\n";
        // Distinct services per bouquet, in the user's own order.
        for (int i = 0; i < pickable; ++i)
            std::swap(order[std::size_t(i)],
                      order[std::size_t(std::uniform_int_distribution<int>(i, int(order.size()) - 1)(rng))]);
        for (int i = 0; i < pickable; ++i) {
            const ServiceRef ref = all[std::size_t(order[std::size_t(i)])];
            const Transponder &tp = transponders[std::size_t(ref.transponder)];
            const Service &s = tp.services[std::size_t(ref.service)];
            // Receivers write the ids in either case; both must link.
            const QByteArray sid = b % 2 ? hex4(s.sid).toUpper() : hex4(s.sid);
            text += "\t\t\t<channel serviceID=\"" + sid + "\" name=\"" + escaped(s.name) + "\" tsid=\""
                + hex4(tp.tsid) + "\" onid=\"" + kSatelites[tp.sat].onid + "\" sat_position=\""
                + kSatelites[tp.sat].position + "\" />\n";
        }
        text += "\t</Bouquet>\n";
    }
    text += "</zapit>\n";
    return text;
}

} // namespace

bool writeGeneratedLists(const QString &folder, const TGeneratedListSizes &sizes)
{
    std::mt19937 rng(kSeed);
    const std::vector<Transponder> transponders = makeTransponders(rng, sizes.services);
    std::vector<ServiceRef> all;
    all.reserve(std::size_t(sizes.services));
    for (std::size_t t = 0; t < transponders.size(); ++t)
        for (std::size_t s = 0; s < transponders[t].services.size(); ++s)
            all.push_back({int(t), int(s)});

    const QDir dir(folder);
    return writeFile(dir.filePath(QStringLiteral("Services.xml")), servicesText(transponders))
        && writeFile(dir.filePath(QStringLiteral("MyServices.xml")),
                     myServicesText(rng, transponders, all, sizes.myServices))
        && writeFile(dir.filePath(QStringLiteral("Bouquets.xml")),
                     bouquetsText(rng, transponders, all, sizes.bouquets, sizes.bouquetEntries));
}

bool checkGeneratedLists(const QString &folder, const TGeneratedListSizes &sizes, QString &report)
{
    TFrmXMLHandler handler(TFrmXMLHandler::Environment{});
    TServiceList services;
    TServiceList myServices;
    TBouquetList bouquets;
    const QDir dir(folder);
    QString error;
    if (!handler.LoadServices(dir.filePath(QStringLiteral("Services.xml")), error, false, services)) {
        report = QStringLiteral("Services.xml: ") + error;
        return false;
    }
    if (!handler.LoadMyServices(dir.filePath(QStringLiteral("MyServices.xml")), error, myServices)) {
        report = QStringLiteral("MyServices.xml: ") + error;
        return false;
    }
    if (!handler.LoadBouquets(dir.filePath(QStringLiteral("Bouquets.xml")), error, bouquets)) {
        report = QStringLiteral("Bouquets.xml: ") + error;
        return false;
    }
    services.LinkMyServices(myServices);
    bouquets.Link(services, myServices);

    int serviceCount = 0, tv = 0, radio = 0, data = 0, nineShare = 0;
    services.forEachService([&](TService *s, TTransponder *, TSatelite *) {
        ++serviceCount;
        tv += s->IsTv();
        radio += s->IsRadio();
        data += s->IsData();
        nineShare += s->Name.startsWith(QStringLiteral("Service 9"));
    });
    int myCount = 0, obsolete = 0;
    myServices.forEachService([&](TService *s, TTransponder *, TSatelite *) {
        ++myCount;
        obsolete += s->Obsolete;
    });
    int entries = 0, linked = 0;
    bool everyBouquetFull = true;
    for (int b = 0; b < bouquets.Count(); ++b) {
        const TBouquet *bouquet = bouquets.GetItem(b);
        everyBouquetFull = everyBouquetFull && bouquet->Count() == sizes.bouquetEntries;
        for (int i = 0; i < bouquet->Count(); ++i) {
            ++entries;
            linked += bouquet->GetItem(i)->Service() != nullptr;
        }
    }
    report = QStringLiteral("services %1 (tv %2, radio %3, data %4, \"Service 9*\" %5) on %6 satellites; "
                            "my-services %7 (%8 obsolete); bouquets %9 with %10 entries, %11 linked")
                 .arg(serviceCount).arg(tv).arg(radio).arg(data).arg(nineShare).arg(services.Count())
                 .arg(myCount).arg(obsolete).arg(bouquets.Count()).arg(entries).arg(linked);
    // Every entry names a service of the list; entries left unlinked are the
    // linker's doing, not the files', so they are told but do not stop a run.
    if (linked != entries)
        report += QStringLiteral(" - WARNING: %1 entries did not link").arg(entries - linked);
    const bool ok = services.Format == 1 && myServices.Format == 1 && bouquets.Format == 4
        && serviceCount == sizes.services && myCount == sizes.myServices
        && bouquets.Count() == sizes.bouquets && everyBouquetFull;
    if (!ok)
        report = QStringLiteral("unexpected lists (dialects %1/%2/%3): ")
                     .arg(services.Format).arg(myServices.Format).arg(bouquets.Format)
            + report;
    return ok;
}
