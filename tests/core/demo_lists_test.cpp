// The demo lists that scripts/run starts the program on (demo/ and its
// cable variant demo/cable/). Each file must load whole in the dialect it is
// written in, link as a demo is meant to (every bouquet entry but one, the
// deliberately stale one), show every kind of my-services entry, and come
// back unchanged from a save, since the program saves its working files
// when it closes.

#include "zapit_test_support.h"

#include "core/model/bouquet_list.h"
#include "core/model/service_list.h"
#include "core/zapit/writer.h"
#include "core/zapit/zapit_load.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <array>

using namespace zapit_test;

namespace {

QString demoDir()
{
    return QStringLiteral(PELLORAN_DEMO_DIR);
}

struct DemoSet {
    const char *label;
    QString folder;
    int servicesDialect;
    int myServicesDialect;
    int bouquetsDialect;
    // The my-services entries that name a service the services file lacks.
    int obsoleteMyServices;
    bool hasKingOfSat;
};

const DemoSet kDemoSets[] = {
    {"Satellite", demoDir(), 4, 1, 4, 1, true},
    {"Cable", demoDir() + QStringLiteral("/cable"), 2, 2, 2, 0, false},
};

void PrintTo(const DemoSet &set, std::ostream *os)
{
    *os << set.label;
}

QString fileIn(const DemoSet &set, const char *name)
{
    return set.folder + u'/' + QString::fromLatin1(name);
}

// Elements per depth below the root, counted with Qt's own XML reader, so a
// model that merged or dropped something shows up against the file itself.
std::array<int, 3> elementsPerLevel(const QString &fileName)
{
    std::array<int, 3> counts{};
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return counts;
    QXmlStreamReader xml(&file);
    int depth = 0;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            if (depth >= 1 && depth <= 3)
                ++counts[std::size_t(depth - 1)];
            ++depth;
        } else if (token == QXmlStreamReader::EndElement) {
            --depth;
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return counts;
}

std::array<int, 3> modelCounts(const TServiceList &list)
{
    std::array<int, 3> counts{list.Count(), 0, 0};
    for (int s = 0; s < list.Count(); ++s) {
        counts[1] += list.GetItem(s)->Count();
        for (int t = 0; t < list.GetItem(s)->Count(); ++t)
            counts[2] += list.GetItem(s)->GetItem(t)->Count();
    }
    return counts;
}

std::array<int, 3> modelCounts(const TBouquetList &list)
{
    std::array<int, 3> counts{list.Count(), 0, 0};
    for (int b = 0; b < list.Count(); ++b)
        counts[1] += list.GetItem(b)->Count();
    return counts;
}

void loadServices(ZapitKind kind, const QString &fileName, int dialect, TServiceList &list)
{
    SCOPED_TRACE(fileName.toStdString());
    QString error;
    ASSERT_TRUE(loadZapitFile(kind, fileName, list, error)) << error.toStdString();
    EXPECT_EQ(list.Format, dialect);
    EXPECT_EQ(list.Encoding, u"UTF-8");
    EXPECT_EQ(modelCounts(list), elementsPerLevel(fileName));
}

void loadBouquets(const QString &fileName, int dialect, TBouquetList &list)
{
    SCOPED_TRACE(fileName.toStdString());
    QString error;
    ASSERT_TRUE(loadZapitFile(fileName, list, error)) << error.toStdString();
    EXPECT_EQ(list.Format, dialect);
    EXPECT_EQ(list.Encoding, u"UTF-8");
    EXPECT_EQ(modelCounts(list), elementsPerLevel(fileName));
}

// The lists as the program holds them after loading its working files.
struct DemoLists {
    TServiceList services;
    TServiceList myServices;
    TBouquetList bouquets;

    void load(const DemoSet &set)
    {
        loadServices(ZapitKind::Services, fileIn(set, "Services.xml"), set.servicesDialect,
                     services);
        loadServices(ZapitKind::MyServices, fileIn(set, "MyServices.xml"),
                     set.myServicesDialect, myServices);
        loadBouquets(fileIn(set, "Bouquets.xml"), set.bouquetsDialect, bouquets);
    }
};

class DemoListSet : public testing::TestWithParam<DemoSet> {};

TEST_P(DemoListSet, LoadWholeInTheirDialects)
{
    DemoLists lists;
    lists.load(GetParam());
    EXPECT_GE(lists.services.Count(), 1);
    EXPECT_GE(lists.myServices.Count(), 1);
    EXPECT_GE(lists.bouquets.Count(), 3);
    if (GetParam().hasKingOfSat) {
        // The dialect and encoding a KingOfSat download leaves behind.
        TServiceList kingOfSat;
        loadServices(ZapitKind::Services, fileIn(GetParam(), "KingOfSat.xml"), 3, kingOfSat);
        EXPECT_GE(kingOfSat.Count(), 1);
    }
}

TEST_P(DemoListSet, ShowEveryKindOfServiceAndName)
{
    DemoLists lists;
    lists.load(GetParam());
    int tv = 0, radio = 0, data = 0, umlauts = 0, cyrillic = 0, ampersands = 0;
    lists.services.forEachService([&](TService *s, TTransponder *, TSatelite *) {
        tv += s->IsTv();
        radio += s->IsRadio();
        data += s->IsData();
        umlauts += s->Name.contains(QRegularExpression(QStringLiteral("[äöüÄÖÜß]")));
        cyrillic += s->Name.contains(QRegularExpression(QStringLiteral("[\\x{0400}-\\x{04FF}]")));
        ampersands += s->Name.contains(u'&');
    });
    EXPECT_GT(tv, 0);
    EXPECT_GT(radio, 0);
    EXPECT_GT(data, 0);
    EXPECT_GT(umlauts, 0);
    EXPECT_GT(cyrillic, 0);
    EXPECT_GT(ampersands, 0);

    bool hidden = false, locked = false, plain = false;
    for (int b = 0; b < lists.bouquets.Count(); ++b) {
        const TBouquet *bouquet = lists.bouquets.GetItem(b);
        hidden |= bouquet->Hidden;
        locked |= bouquet->Locked;
        plain |= !bouquet->Hidden && !bouquet->Locked;
    }
    EXPECT_TRUE(hidden && locked && plain);
}

TEST_P(DemoListSet, MyServicesUseEveryActionAndMatchTheServices)
{
    DemoLists lists;
    lists.load(GetParam());
    lists.services.LinkMyServices(lists.myServices);
    QSet<QString> actions;
    int obsolete = 0;
    lists.myServices.forEachService([&](TService *s, TTransponder *, TSatelite *) {
        actions.insert(s->Action());
        obsolete += s->Obsolete;
    });
    EXPECT_EQ(actions, (QSet<QString>{QStringLiteral("add"), QStringLiteral("remove"),
                                      QStringLiteral("replace")}));
    EXPECT_EQ(obsolete, GetParam().obsoleteMyServices);
}

TEST_P(DemoListSet, EveryBouquetEntryButTheStaleOneLinks)
{
    DemoLists lists;
    lists.load(GetParam());
    QStringList namesAsWritten;
    for (int b = 0; b < lists.bouquets.Count(); ++b) {
        for (int e = 0; e < lists.bouquets.GetItem(b)->Count(); ++e)
            namesAsWritten << lists.bouquets.GetItem(b)->GetItem(e)->Name;
    }

    lists.services.LinkMyServices(lists.myServices);
    EXPECT_FALSE(lists.bouquets.Link(lists.services, lists.myServices));

    int unresolved = 0, intoMyServices = 0;
    QStringList namesAfterLinking;
    for (int b = 0; b < lists.bouquets.Count(); ++b) {
        const TBouquet *bouquet = lists.bouquets.GetItem(b);
        for (int e = 0; e < bouquet->Count(); ++e) {
            const TBouquetService *entry = bouquet->GetItem(e);
            unresolved += entry->LinkState == lsUnresolved;
            intoMyServices += entry->LinkState == lsMyServices;
            EXPECT_EQ(entry->Service() == nullptr, entry->LinkState == lsUnresolved)
                << entry->Name.toStdString();
            namesAfterLinking << entry->Name;
        }
    }
    EXPECT_EQ(unresolved, 1);
    EXPECT_GT(intoMyServices, 0);
    // Linking gives an entry its service's name: the demo's entries already
    // carry them, so a fresh start shows no renamed entries.
    EXPECT_EQ(namesAfterLinking, namesAsWritten);
}

struct DemoFile {
    const char *name;
    const char *kind; // as the field tables of the zapit test support name it
    ZapitKind zapitKind;
};

const DemoFile kDemoFiles[] = {
    {"Services.xml", "services", ZapitKind::Services},
    {"MyServices.xml", "myservices", ZapitKind::MyServices},
    {"Bouquets.xml", "bouquets", ZapitKind::Bouquets},
    {"KingOfSat.xml", "services", ZapitKind::Services},
};

TEST_P(DemoListSet, ComeBackUnchangedFromASave)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const DemoFile &f : kDemoFiles) {
        const QString original = fileIn(GetParam(), f.name);
        if (!QFileInfo::exists(original))
            continue;
        SCOPED_TRACE(f.name);
        const QString saved = dir.filePath(QString::fromLatin1(f.name));
        QString error;
        QStringList before, after;
        if (f.zapitKind == ZapitKind::Bouquets) {
            TBouquetList list, reread;
            ASSERT_TRUE(loadZapitFile(original, list, error)) << error.toStdString();
            ASSERT_TRUE(writeZapitDialect(list.Format, saved, list.Encoding, error, list,
                                          defaultCreatorCaption()))
                << error.toStdString();
            ASSERT_TRUE(loadZapitFile(saved, reread, error)) << error.toStdString();
            const FieldSet carried = carriedFields(QString::fromLatin1(f.kind), list.Format);
            before = dump(list, carried);
            after = dump(reread, carried);
        } else {
            TServiceList list, reread;
            ASSERT_TRUE(loadZapitFile(f.zapitKind, original, list, error)) << error.toStdString();
            ASSERT_TRUE(writeZapitDialect(f.zapitKind, list.Format, saved, list.Encoding, error,
                                          list, defaultCreatorCaption()))
                << error.toStdString();
            ASSERT_TRUE(loadZapitFile(f.zapitKind, saved, reread, error)) << error.toStdString();
            const FieldSet carried = carriedFields(QString::fromLatin1(f.kind), list.Format);
            before = dump(list, carried);
            after = dump(reread, carried);
        }
        EXPECT_EQ(after, before);
        // The files are kept in the program's own layout (demo/make_demo.py
        // writes them so), so a save does not even move a byte.
        EXPECT_EQ(readBytes(saved), readBytes(original));
    }
}

INSTANTIATE_TEST_SUITE_P(Sets, DemoListSet, testing::ValuesIn(kDemoSets),
                         [](const testing::TestParamInfo<DemoSet> &info) {
                             return std::string(info.param.label);
                         });

} // namespace
