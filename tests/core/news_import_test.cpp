#include "zapit_test_support.h"

#include "core/model/save_handler.h"
#include "core/util/messages.h"
#include "core/util/text_compare.h"
#include "core/zapit/import_news.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QTemporaryDir>

#include <iterator>

using namespace zapit_test;

namespace {

struct Tp {
    QString tsid = QStringLiteral("0401");
    QString frequency = QStringLiteral("11836000");
    QString symbolRate = QStringLiteral("27500000");
    QString inversion = QStringLiteral("0");
};

void add(TServiceList &list, const QString &sat, const Tp &tpFields, const QString &name,
         const QString &sid, const QString &type = QStringLiteral("01"))
{
    auto tp = std::make_unique<TTransponder>();
    tp->Tsid = tpFields.tsid;
    tp->Frequency = tpFields.frequency;
    tp->SymbolRate = tpFields.symbolRate;
    tp->Inversion = tpFields.inversion;
    auto service = std::make_unique<TService>();
    service->Name = name;
    service->Sid = sid;
    service->SetServiceType(type);
    tp->AddService(std::move(service));
    auto satelite = std::make_unique<TSatelite>();
    satelite->Name = sat;
    satelite->AddTransponder(std::move(tp));
    list.AddSatelite(std::move(satelite));
}

const QString kAstra = QStringLiteral("Astra");
const Tp kTp1;
const Tp kTp2{QStringLiteral("0402"), QStringLiteral("12000000")};

struct NewsCase {
    const char *label;
    std::function<void(TServiceList &previous, TServiceList &next)> build;
    QStringList added, deleted, changed;
};

class ImportNews : public testing::TestWithParam<NewsCase> {};

TEST_P(ImportNews, ListsWhatChanged)
{
    TServiceList previous;
    TServiceList next;
    GetParam().build(previous, next);
    const ServiceDiff diff = compareServiceLists(previous, next);
    EXPECT_EQ(diff.newServices, GetParam().added);
    EXPECT_EQ(diff.deletedServices, GetParam().deleted);
    EXPECT_EQ(diff.changedServices, GetParam().changed);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ImportNews,
    testing::Values(
        NewsCase{"first_import_lists_every_non_data_service_as_new",
                 [](TServiceList &, TServiceList &n) {
                     add(n, kAstra, kTp1, "ZDF", "0002");
                     add(n, kAstra, kTp1, "ARD", "0001");
                     add(n, kAstra, kTp1, "EPG", "0003", "0c");
                 },
                 {"ARD;Astra", "ZDF;Astra"}, {}, {}},
        NewsCase{"identical_lists_give_nothing",
                 [](TServiceList &p, TServiceList &n) {
                     for (TServiceList *l : {&p, &n}) {
                         add(*l, kAstra, kTp1, "ARD", "0001");
                         add(*l, kAstra, kTp2, "ZDF", "0002");
                     }
                 },
                 {}, {}, {}},
        NewsCase{"moved_service_is_changed_only_whatever_the_id_case",
                 [](TServiceList &p, TServiceList &n) {
                     add(p, kAstra, kTp1, "ARD", "6dca");
                     add(n, kAstra, kTp2, "ARD", "6DCA");
                 },
                 {}, {}, {"ARD;Astra"}},
        NewsCase{"changed_symbol_rate_is_changed",
                 [](TServiceList &p, TServiceList &n) {
                     add(p, kAstra, kTp1, "ARD", "0001");
                     add(n, kAstra, Tp{kTp1.tsid, kTp1.frequency, QStringLiteral("22000000")},
                         "ARD", "0001");
                 },
                 {}, {}, {"ARD;Astra"}},
        NewsCase{"changed_inversion_alone_is_no_change",
                 [](TServiceList &p, TServiceList &n) {
                     add(p, kAstra, kTp1, "ARD", "0001");
                     add(n, kAstra, Tp{kTp1.tsid, kTp1.frequency, kTp1.symbolRate,
                                       QStringLiteral("1")},
                         "ARD", "0001");
                 },
                 {}, {}, {}},
        NewsCase{"renamed_service_is_new_and_deleted",
                 [](TServiceList &p, TServiceList &n) {
                     add(p, kAstra, kTp1, "Old Name", "0001");
                     add(n, kAstra, kTp1, "New Name", "0001");
                 },
                 {"New Name;Astra"}, {"Old Name;Astra"}, {}},
        NewsCase{"changed_type_is_changed",
                 [](TServiceList &p, TServiceList &n) {
                     add(p, kAstra, kTp1, "ARD", "0001", "01");
                     add(n, kAstra, kTp1, "ARD", "0001", "02");
                 },
                 {}, {}, {"ARD;Astra"}},
        NewsCase{"data_services_never_listed_but_moved_data_still_found",
                 [](TServiceList &p, TServiceList &n) {
                     add(p, kAstra, kTp1, "EPG", "0003", "0c");
                     add(p, kAstra, kTp1, "Gone data", "0004", "0c");
                     add(n, kAstra, kTp2, "EPG", "0003", "0c");
                     add(n, kAstra, kTp2, "New data", "0005", "0c");
                 },
                 {}, {}, {}},
        NewsCase{"renamed_satellite_makes_all_new_and_deleted",
                 [](TServiceList &p, TServiceList &n) {
                     add(p, QStringLiteral("Astra 1"), kTp1, "ARD", "0001");
                     add(n, QStringLiteral("Astra 19.2E"), kTp1, "ARD", "0001");
                 },
                 {"ARD;Astra 19.2E"}, {"ARD;Astra 1"}, {}},
        NewsCase{"lines_sorted_case_insensitively_duplicates_kept",
                 [](TServiceList &, TServiceList &n) {
                     add(n, kAstra, kTp1, "b", "0001");
                     add(n, kAstra, kTp2, "B", "0001");
                     add(n, kAstra, kTp1, "a", "0002");
                     add(n, QStringLiteral("Hot Bird"), kTp1, "B", "0001");
                 },
                 {"a;Astra", "b;Astra", "B;Astra", "B;Hot Bird"}, {}, {}},
        NewsCase{"semicolons_and_line_breaks_written_as_references",
                 [](TServiceList &p, TServiceList &n) {
                     add(n, kAstra, kTp1, "Sport; Live", "0001");
                     add(n, kAstra, kTp1, "Zwei\r\nZeilen", "0002");
                     add(n, kAstra, kTp1, "Tom & Jerry", "0003");
                     add(p, QStringLiteral("Kabel;Nord"), kTp1, "ARD", "0001");
                 },
                 {"Sport%3B Live;Astra", "Tom & Jerry;Astra", "Zwei%0D%0AZeilen;Astra"},
                 {"ARD;Kabel%3BNord"}, {}}),
    [](const testing::TestParamInfo<NewsCase> &info) { return std::string(info.param.label); });

TEST(ImportNewsFiles, WrittenSortedWithCrLfAndEmptyWhenNothing)
{
    QTemporaryDir dir;
    TServiceList previous;
    TServiceList next;
    add(previous, kAstra, kTp1, "Gone", "0009");
    add(next, kAstra, kTp1, QString::fromUtf8("\xC3\x9C" "ber"), "0001");
    add(next, kAstra, kTp1, "abc", "0002");
    ASSERT_TRUE(writeBytes(dir.filePath(kChangedServicesFile), "stale"));
    QString error = QStringLiteral("x");
    ASSERT_TRUE(WriteServiceDiff(previous, next, error, dir.path()));
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(readBytes(dir.filePath(kNewServicesFile)),
              QByteArray("abc;Astra\r\n\xC3\x9C" "ber;Astra\r\n"));
    EXPECT_EQ(readBytes(dir.filePath(kDeletedServicesFile)), QByteArray("Gone;Astra\r\n"));
    EXPECT_EQ(readBytes(dir.filePath(kChangedServicesFile)), QByteArray());
}

// Each name goes into NewServices.dat so that it reads back whole; one
// without ";", CR or LF is written as it always was.
struct NewsLineCase {
    const char *label;
    QString name, satelite;
    QByteArray written;
};

class ImportNewsLines : public testing::TestWithParam<NewsLineCase> {};

TEST_P(ImportNewsLines, ReadBackWhole)
{
    QTemporaryDir dir;
    TServiceList previous;
    TServiceList next;
    add(next, GetParam().satelite, kTp1, GetParam().name, "0001");
    QString error;
    ASSERT_TRUE(WriteServiceDiff(previous, next, error, dir.path())) << error.toStdString();
    const QByteArray bytes = readBytes(dir.filePath(kNewServicesFile));
    EXPECT_EQ(bytes, GetParam().written + "\r\n");
    const QList<QByteArray> lines = bytes.split('\n');
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(readNewsLine(QString::fromUtf8(lines[0].chopped(1))),
              QStringList({GetParam().name, GetParam().satelite}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ImportNewsLines,
    testing::Values(
        NewsLineCase{"plain", "ARD", kAstra, "ARD;Astra"},
        NewsLineCase{"percent_alone_stays", "100% Hits%", kAstra, "100% Hits%;Astra"},
        NewsLineCase{"semicolon", "Sport; Live", kAstra, "Sport%3B Live;Astra"},
        NewsLineCase{"line_break", "Zwei\r\nZeilen", kAstra, "Zwei%0D%0AZeilen;Astra"},
        NewsLineCase{"escape_in_the_name", "A%3BB%25", kAstra, "A%253BB%2525;Astra"},
        NewsLineCase{"escape_after_a_percent", "%%0A", kAstra, "%%250A;Astra"},
        NewsLineCase{"satelite_with_semicolon", "ARD", "Kabel;Nord\n", "ARD;Kabel%3BNord%0A"}),
    [](const testing::TestParamInfo<NewsLineCase> &info) { return std::string(info.param.label); });

// Lines written before names were referenced read as they always did.
TEST(ImportNewsLines, OlderLinesReadAsBefore)
{
    const struct {
        const char *line;
        QStringList fields;
    } cases[] = {
        {"Sport; Live;Astra", {"Sport", " Live;Astra"}},
        {"No satellite", {"No satellite", ""}},
        {"Tom & Jerry;Astra & more", {"Tom & Jerry", "Astra & more"}},
        {"100%;%3Astra", {"100%", "%3Astra"}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(readNewsLine(QString::fromUtf8(c.line)), c.fields) << c.line;
}

TEST(ImportNewsFiles, AFailedWriteIsReportedNotThrown)
{
    QTemporaryDir dir;
    TServiceList previous;
    TServiceList next;
    add(next, kAstra, kTp1, "A", "0001");
    QString error;
    bool ok = true;
    EXPECT_NO_THROW(ok = WriteServiceDiff(previous, next, error, dir.filePath("missing")));
    EXPECT_FALSE(ok);
    EXPECT_TRUE(error.contains(kNewServicesFile)) << error.toStdString();
}

// The reference: the list's own linear find operations, as the comparison
// was first described. The indexed comparison must agree on any lists.
ServiceDiff referenceDiff(TServiceList &previous, TServiceList &next)
{
    ServiceDiff diff;
    previous.UnmarkAll();
    next.forEachService([&](TService *s, TTransponder *tp, TSatelite *sat) {
        TService *found = nullptr;
        if (previous.FindExact(*s, *tp, *sat, true, true, found) >= 0) {
            found->Marked = true;
            return;
        }
        if (previous.FindMovedService(*s, sat->Name, found) >= 0) {
            if (!found->IsData())
                diff.changedServices << found->Name + u';' + sat->Name;
            found->Marked = true;
            return;
        }
        if (!s->IsData()) {
            diff.newServices << s->Name + u';' + sat->Name;
            s->Marked = true;
        }
    });
    previous.DeleteMarked();
    previous.forEachService([&](TService *s, TTransponder *, TSatelite *sat) {
        if (!s->IsData())
            diff.deletedServices << s->Name + u';' + sat->Name;
    });
    for (QStringList *l : {&diff.newServices, &diff.deletedServices, &diff.changedServices})
        std::stable_sort(l->begin(), l->end(),
                         [](const QString &a, const QString &b) { return compareText(a, b) < 0; });
    return diff;
}

void randomList(TServiceList &list, QRandomGenerator &rng, int services = 60)
{
    static const char *const sids[] = {"0001", "0002", "000a", "000A", "0003"};
    // Long names too, alike in their first sixteen letters but for case,
    // one with a letter outside the basic plane across that border.
    static const char *const names[] = {"A", "B", "a", "C", "Sky Cinema Premieres HD",
                                        "SKY CINEMA PREMIERES hd", "Sky Cinema Premieres",
                                        "sky cinema premieres HD2", "Fifteen letters\U00010400x",
                                        "FIFTEEN LETTERS\U00010428"};
    static const char *const types[] = {"01", "02", "0c"};
    for (int i = 0; i < services; ++i) {
        Tp tp{QStringLiteral("04%1").arg(rng.bounded(3)), QString::number(rng.bounded(3)),
              rng.bounded(4) == 0 ? QStringLiteral("22000") : QStringLiteral("27500")};
        add(list, QStringLiteral("Sat%1").arg(rng.bounded(2)), tp,
            QString::fromUtf8(names[rng.bounded(int(std::size(names)))]),
            QLatin1String(sids[rng.bounded(5)]),
            QLatin1String(types[rng.bounded(3)]));
    }
}

TEST(ImportNews, IndexedComparisonAgreesWithTheListsOwnFinds)
{
    for (quint32 seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(seed);
        QRandomGenerator rngA(seed);
        QRandomGenerator rngB(seed + 1000);
        // Some with transponders of a hundred services and more.
        const int services = seed % 4 == 0 ? 1500 : 60;
        TServiceList previousA, nextA, previousB, nextB;
        randomList(previousA, rngA, services);
        randomList(nextA, rngB, services);
        rngA.seed(seed);
        rngB.seed(seed + 1000);
        randomList(previousB, rngA, services);
        randomList(nextB, rngB, services);
        // Edited after reading, as the user edits the list held before an
        // import: names and ids no longer those the list was read with.
        if (seed % 2 == 0) {
            SaveHandler().SetModified();
            for (TServiceList *list : {&previousA, &previousB}) {
                list->forEachService([](TService *s, TTransponder *, TSatelite *) {
                    if (s->Sid == u"0003")
                        s->Name = QStringLiteral("B");
                    else if (s->Name == u"C")
                        s->Sid = QStringLiteral("000a");
                });
            }
        }
        const ServiceDiff fast = compareServiceLists(previousA, nextA);
        const ServiceDiff slow = referenceDiff(previousB, nextB);
        EXPECT_EQ(fast.newServices, slow.newServices);
        EXPECT_EQ(fast.deletedServices, slow.deletedServices);
        EXPECT_EQ(fast.changedServices, slow.changedServices);
    }
}

} // namespace
