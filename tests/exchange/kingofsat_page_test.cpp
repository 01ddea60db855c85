#include "core/model/satelite.h"
#include "core/model/service.h"
#include "core/model/transponder.h"
#include "exchange/kingofsat_mapping.h"
#include "exchange/kingofsat_page.h"
#include "kingofsat_pages.h"

#include "qt_print.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString fixture(const QString &name)
{
    QFile file(QStringLiteral(PELLORAN_FIXTURES_DIR "/kingofsat/") + name);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

const QString kPageUrl = QStringLiteral("http://127.0.0.1:8/en/lists.php");

// A service's twelve cells: picture, name, country, category, encryption,
// decimal id, then six the import passes over.
QStringList serviceCells(const QString &name, const QString &sid)
{
    return {QString(), name, QStringLiteral("Land"), QStringLiteral("News"), QStringLiteral("Clear"),
            sid, QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"),
            QStringLiteral("5"), QStringLiteral("2026-01-01")};
}

const QString kMarker = QStringLiteral("Last updated 2026-11-30");
const QString kTransponder = QStringLiteral(
    "Testsat - 11000.00 H - DVB S - 27500 3/4 - ONID:1 TSID:2 - Beam Wide - Prov");
const QString kDate = QStringLiteral("Made 2026-12-01 08:00 +0100");

TKofCells cellsOf(const QStringList &cells)
{
    TKofCells result;
    result.cells = cells;
    for (int i = 0; i < cells.size(); ++i) {
        if (cells.at(i) == kDate)
            result.dateIndex = i;
    }
    return result;
}

QStringList serviceNames(const TTransponder &transponder)
{
    QStringList names;
    transponder.forEachService([&](const TService *service) { names.append(service->Name); });
    return names;
}

// The service names of each transponder of a satellite, in order.
QList<QStringList> namesByTransponder(const TSatelite &satelite)
{
    QList<QStringList> names;
    for (int t = 0; t < satelite.Count(); ++t)
        names.append(serviceNames(*satelite.GetItem(t)));
    return names;
}

} // namespace

TEST(KingOfSatPage, ReferencesAreDecodedOnceAsABrowserDoes)
{
    const std::pair<const char *, const char *> rows[] = {
        {"&Ouml;sterreich", "\xc3\x96sterreich"},
        {"K&ouml;ln", "K\xc3\xb6ln"},
        {"A &AMP; B", "A & B"},
        {"&LT;b&GT;", "<b>"},
        {"&QUOT;x&QUOT;", "\"x\""},
        {"&amp;lt;", "&lt;"},          // one pass: no double decoding
        {"&OUML;", "&OUML;"},          // has a case pair: stays as written
        {"&Amp;", "&Amp;"},
        {"&#246;&#xF6;&#XF6;", "\xc3\xb6\xc3\xb6\xc3\xb6"},
        {"fish & chips", "fish & chips"},
        {"&nosuchname; &;", "&nosuchname; &;"},
        {"&deg;&nbsp;", "\xc2\xb0 "},
        {"trailing &amp", "trailing &amp"},
    };
    for (const auto &[page, text] : rows)
        EXPECT_EQ(decodePageReferences(QString::fromUtf8(page)), QString::fromUtf8(text)) << page;
}

TEST(KingOfSatPage, PageTextIsPlainAndSavable)
{
    const std::pair<const char *, const char *> rows[] = {
        {"<a href=\"x\">Alpen &amp; Tal</a>", "Alpen & Tal"},
        {"  <b> spaced </b>\t", "spaced"},
        {"a < b", "a < b"},
        {"&lt;script&gt;", "<script>"},
        {"bell\x07 and nul&#0;", "bell and nul\xef\xbf\xbd"},
        {"line\r\nbreak", "line  break"},
    };
    for (const auto &[html, text] : rows)
        EXPECT_EQ(pageText(QString::fromUtf8(html)), QString::fromUtf8(text)) << html;
}

TEST(KingOfSatPage, LinksResolveAgainstThePageAndStayOnTheWeb)
{
    const std::pair<const char *, const char *> rows[] = {
        {"pos-19.2E.php", "http://127.0.0.1:8/en/pos-19.2E.php"},
        {"/en/sat/b.php?x=1&y=2", "http://127.0.0.1:8/en/sat/b.php?x=1&y=2"},
        {"pos 9.0E.php", "http://127.0.0.1:8/en/pos%209.0E.php"},
        {"\xc3\x96.php", "http://127.0.0.1:8/en/%C3%96.php"},
        {"https://127.0.0.1:9/a", "https://127.0.0.1:9/a"},
        {"javascript:alert(1)", ""},
        {"ftp://127.0.0.1/list", ""},
        {"file:///etc/passwd", ""},
        {"mailto:someone@example.invalid", ""},
        {"   ", ""},
    };
    for (const auto &[link, url] : rows)
        EXPECT_EQ(resolvePageLink(kPageUrl, QString::fromUtf8(link)), QString::fromUtf8(url)) << link;
    EXPECT_EQ(kingOfSatIndexUrl(QStringLiteral("http://127.0.0.1:8/")), kPageUrl);
}

TEST(KingOfSatPage, IndexPageListsTheMapsSatellites)
{
    QList<TKofIndexEntry> entries;
    ASSERT_TRUE(parseSatelliteIndex(fixture(QStringLiteral("en/lists.php")), kPageUrl, entries));
    struct Row {
        const char *satellite, *position, *link;
        const char *receiverPosition; // of the name the download gives it
    };
    const Row rows[] = {
        {"Nordstar 2B", "19.2\xc2\xb0" "E", "http://127.0.0.1:8/en/pos-19.2E.php", "192"},
        {"Borealis 5 & 6", "13.0\xc2\xb0" "E", "http://127.0.0.1:8/en/sat/borealis.php?band=ku&view=all", "130"},
        // the javascript: area is left out
        {"Kestrel 1N (Backup)", "Backup", "http://127.0.0.1:8/en/pos-28.2E.php", "0"},
        {"Sirio &lt;4A&gt;", "4.8\xc2\xb0" "E", "http://127.0.0.1:8/en/pos-4.8E.php", "48"},
        {"Ghost 1", "7.0\xc2\xb0" "E", "http://127.0.0.1:8/en/pos-missing.php", "70"},
        {"Hal\xc3\xb6sat &OUML; & Co", "9.0\xc2\xb0" "E", "http://127.0.0.1:8/en/pos%209.0E.php", "90"},
    };
    ASSERT_EQ(entries.size(), qsizetype(std::size(rows)));
    for (int i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].satellite, QString::fromUtf8(rows[i].satellite)) << i;
        EXPECT_EQ(entries[i].position, QString::fromUtf8(rows[i].position)) << i;
        EXPECT_EQ(entries[i].link, QString::fromUtf8(rows[i].link)) << i;
        const QString name = entries[i].satellite + QStringLiteral(" (") + entries[i].position + u')';
        EXPECT_EQ(kofReceiverPosition(name), QLatin1String(rows[i].receiverPosition)) << i;
    }
    EXPECT_FALSE(parseSatelliteIndex(QStringLiteral("<html><map></map></html>"), kPageUrl, entries));
    EXPECT_TRUE(entries.isEmpty());
}

// Thousands of alternative texts that belong to no area's link stand on the
// map's line: they name no satellite, as a browser shows no link for them.
// The receiver reads a satellite's position as signed tenths of a degree,
// west below zero.
TEST(KingOfSatPage, PositionsBecomeTheReceiversTenthsOfADegree)
{
    const std::pair<const char *, const char *> rows[] = {
        {"Nordstar 2B (19.2\xc2\xb0" "E)", "192"},
        {"Trap 1 (1.0\xc2\xb0" "W)", "-10"},
        {"Far West (30.0\xc2\xb0" "W)", "-300"},
        {"Near (0.8\xc2\xb0" "W)", "-8"},
        {"Greenwich (0.0\xc2\xb0" "W)", "0"},
        {"Dateline (180.0\xc2\xb0" "E)", "1800"},
        {"Beyond (180.1\xc2\xb0" "E)", "0"},
        {"Lower (9.0\xc2\xb0" "e)", "90"},
        {"4.8\xc2\xb0" "E", "48"},
        {"13E", "130"},
        {"Astra 19.2E", "0"},        // a list's own name: no page position
        {"Kestrel 1N (Backup)", "0"},
        {"Two (2.0\xc2\xb0" "E) Copy", "0"},
        {"Fine (19.25\xc2\xb0" "E)", "0"},
        {"", "0"},
    };
    for (const auto &[text, tenths] : rows)
        EXPECT_EQ(kofReceiverPosition(QString::fromUtf8(text)), QLatin1String(tenths)) << text;
}

TEST(KingOfSatPage, OnlyLinkedAreasOfTheIndexPageCount)
{
    const QString one = kofArea(QStringLiteral("pos-1.php"), QStringLiteral("One (1.0&deg;E)"));
    const QString two = kofArea(QStringLiteral("/en/pos-2.php"), QStringLiteral("Two (2.0&deg;W)"));
    const QString loose = kofLooseAlts(4000);
    const QString first = QString::fromUtf8("One|1.0\xc2\xb0" "E|http://127.0.0.1:8/en/pos-1.php");
    const QString second = QString::fromUtf8("Two|2.0\xc2\xb0" "W|http://127.0.0.1:8/en/pos-2.php");
    const std::pair<QString, QStringList> rows[] = {
        {one + loose, {first}},
        {one + loose + two + loose, {first, second}},
        {one + two + loose + loose, {first, second}},
        {loose + one, {}}, // the line is no image map's
    };
    for (const auto &[line, expected] : rows) {
        QList<TKofIndexEntry> entries;
        EXPECT_EQ(parseSatelliteIndex(kofIndexPage(line), kPageUrl, entries), !expected.isEmpty());
        QStringList read;
        for (const TKofIndexEntry &entry : entries)
            read.append(QStringList{entry.satellite, entry.position, entry.link}.join(u'|'));
        EXPECT_EQ(read, expected) << line.left(200).toStdString();
    }
}

// Every transponder of a long page once, in page order; one listed again
// further down holds the services of both listings, an equal one once.
TEST(KingOfSatPage, LongPagesKeepEveryTransponderAndMergeRepeatedOnes)
{
    constexpr int kTransponders = 3000;
    constexpr int kRepeatEvery = 97;
    constexpr int kRepeatAfter = 200; // transponders further down
    const auto again = [](int n) {
        return TKofPageTransponder{n, {QStringLiteral("Service %1").arg(n), QStringLiteral("Again %1").arg(n)}};
    };
    QList<TKofPageTransponder> listed;
    for (const TKofPageTransponder &t : kofTransponders(kTransponders)) {
        listed.append(t);
        const int repeated = t.number - kRepeatAfter;
        if (repeated >= 0 && repeated % kRepeatEvery == 0)
            listed.append(again(repeated));
    }
    for (int n = 0; n < kTransponders; n += kRepeatEvery) {
        if (n + kRepeatAfter >= kTransponders)
            listed.append(again(n));
    }
    const int repeats = int(listed.size()) - kTransponders;
    ASSERT_EQ(repeats, (kTransponders + kRepeatEvery - 1) / kRepeatEvery);
    TSatelite satelite;
    EXPECT_EQ(collectSatelitePage(splitPageCells(kofSatellitePage(listed)), satelite),
              kTransponders + 2 * repeats);
    ASSERT_EQ(satelite.Count(), kTransponders);
    for (int n = 0; n < kTransponders; ++n) {
        const TTransponder &tp = *satelite.GetItem(n);
        ASSERT_EQ(tp.GetTsidDec(), QString::number(n));
        ASSERT_EQ(tp.Frequency, QString::number(10700 + n % 2000) + "000");
        QStringList expected{QStringLiteral("Service %1").arg(n)};
        if (n % kRepeatEvery == 0)
            expected.append(QStringLiteral("Again %1").arg(n));
        ASSERT_EQ(serviceNames(tp), expected) << n;
    }
}

TEST(KingOfSatPage, SatellitePageBecomesTranspondersAndServices)
{
    const TKofCells cells = splitPageCells(fixture(QStringLiteral("en/pos-19.2E.php")));
    ASSERT_GE(cells.dateIndex, 0);
    EXPECT_TRUE(cells.cells.at(cells.dateIndex).startsWith(QStringLiteral("Page made")));
    TSatelite satelite;
    int lastDone = -1;
    int lastTotal = -1;
    EXPECT_EQ(collectSatelitePage(cells, satelite,
                                  [&](int done, int total) {
                                      lastDone = done;
                                      lastTotal = total;
                                  }),
              6);
    EXPECT_EQ(lastDone, lastTotal);

    // The menu's "Beam maps - DVB guide" stands before the marker; the
    // transponder without a "." in its frequency is passed over.
    ASSERT_EQ(satelite.Count(), 3);
    struct Row {
        const char *frequency, *symbolRate, *polarization, *fec, *onid, *tsid;
        QStringList names;
    };
    const Row rows[] = {
        {"11494250", "22000000", "0", "2", "0001", "0441", {"Alpen & Tal HD", "Bergblick"}},
        {"12012500", "27500000", "1", "3", "0085", "0005",
         {"Beamline TV", QString::fromUtf8("K\xc3\xb6ln Eins"), QString::fromUtf8("\xc3\x96sterreich Info")}},
        {"10729000", "22000000", "1", "5", "0001", "0443", {"Fjord 24 <live>"}},
    };
    for (int t = 0; t < satelite.Count(); ++t) {
        const TTransponder &tp = *satelite.GetItem(t);
        EXPECT_EQ(tp.Frequency, rows[t].frequency) << t;
        EXPECT_EQ(tp.SymbolRate, rows[t].symbolRate) << t;
        EXPECT_EQ(tp.Polarization, rows[t].polarization) << t;
        EXPECT_EQ(tp.Fec, rows[t].fec) << t;
        EXPECT_EQ(tp.Onid, rows[t].onid) << t;
        EXPECT_EQ(tp.Tsid, rows[t].tsid) << t;
        EXPECT_EQ(serviceNames(tp), rows[t].names) << t;
        tp.forEachService([&](const TService *service) {
            EXPECT_EQ(service->GetServiceType(), "01") << service->Name.toStdString();
        });
    }
    const TService &first = *satelite.GetItem(0)->GetItem(0);
    EXPECT_EQ(first.Sid, "6D66");
    EXPECT_EQ(first.Provider(), "Nordcast");
    EXPECT_EQ(first.Country(), "Austria");
    EXPECT_EQ(first.Category(), "General");
    EXPECT_EQ(first.Encryption(), "Clear");
    EXPECT_EQ(satelite.GetItem(1)->GetItem(0)->Provider(), "");
    EXPECT_EQ(satelite.GetItem(2)->GetItem(0)->Sid, "1234");
}

// Each gives no service, which the download takes for a failed one.
TEST(KingOfSatPage, PagesMissingTheirMarkerOrDateCell)
{
    struct Row {
        const char *page;
        bool dated;
        int transponders;
    };
    const Row rows[] = {
        {"en/pos-28.2E.php", true, 0},
        {"en/kos-page-without-last-updated.html", false, 0},
        {"en/pos-4.8E.php", false, 1},
        {"en/kos-page-without-date-cell.html", false, 1},
    };
    for (const auto &[page, dated, transponders] : rows) {
        const TKofCells cells = splitPageCells(fixture(QString::fromUtf8(page)));
        EXPECT_EQ(cells.dateIndex >= 0, dated) << page;
        TSatelite satelite;
        EXPECT_EQ(collectSatelitePage(cells, satelite), 0) << page;
        ASSERT_EQ(satelite.Count(), transponders) << page;
        for (int t = 0; t < satelite.Count(); ++t)
            EXPECT_EQ(satelite.GetItem(t)->Count(), 0) << page;
    }
}

TEST(KingOfSatPage, ServiceListsEndWhereTheyShould)
{
    struct Case {
        const char *name;
        QStringList cells;
        QList<QStringList> expected; // per transponder
    };
    const QStringList a = serviceCells(QStringLiteral("A"), QStringLiteral("1"));
    const QStringList beam = serviceCells(QStringLiteral("Sunbeam Kids"), QStringLiteral("2"));
    const QStringList c = serviceCells(QStringLiteral("C"), QStringLiteral("3"));
    const QString second = QStringLiteral(
        "Testsat - 12000.00 V - DVB S2 - 22000 2/3 - ONID:1 TSID:3 - Beam Spot - Prov");
    const QStringList tp{kMarker, kTransponder};
    const Case cases[] = {
        {"a service named with beam keeps its neighbours", tp + a + beam + c + QStringList{kDate},
         {{"A", "Sunbeam Kids", "C"}}},
        {"a truncated last service is dropped", tp + a + c.mid(0, 5) + QStringList{kDate}, {{"A"}}},
        {"services stop at the date cell", tp + a + QStringList{kDate} + c, {{"A"}}},
        {"a beam row between services ends them and the next transponder stays",
         tp + a + QStringList{"Spot beam Italy", second} + c + QStringList{kDate}, {{"A"}, {"C"}}},
        {"a beam row right after the heading leaves the transponder empty",
         tp + QStringList{"BEAM: Europe", second} + c + QStringList{kDate}, {{}, {"C"}}},
        {"beam rows one after another",
         tp + a + QStringList{"Spot Beam Italy", "Spot bEaM Spain", QString(), second} + c
             + QStringList{kDate},
         {{"A"}, {"C"}}},
        {"a beam row closing the list", tp + a + QStringList{"Widebeam", kDate}, {{"A"}}},
    };
    for (const Case &testCase : cases) {
        TSatelite satelite;
        collectSatelitePage(cellsOf(testCase.cells), satelite);
        EXPECT_EQ(namesByTransponder(satelite), testCase.expected) << testCase.name;
    }
}

// Beam rows as pages write them, in whatever markup: split into cells and
// walked, they end the services before them and lose no transponder.
TEST(KingOfSatPage, BeamRowsInAnyMarkupEndTheServicesBeforeThem)
{
    struct Case {
        const char *name;
        QString beamRow;
    };
    const Case cases[] = {
        {"one cell across the table", "<tr><td colspan=\"12\">Spot beam Italy</td></tr>\n"},
        {"capitals, other attributes, no quotes",
         "<TR class=beam><TD COLSPAN=6 ALIGN=center bgcolor=\"#ddeeff\">SPOT BEAM ITALY</TD></TR>\n"},
        {"markup and references inside the cell",
         "<tr><td colspan='13'><b>Spot</b>&nbsp;<i>Beam</i> &amp; more</td></tr>\n"},
        {"two cells, the beam in the first",
         "<tr><td colspan=\"4\">Beam: Italy</td><td colspan=\"8\"><a href=\"#\">map</a></td></tr>\n"},
        {"several rows", "<tr><td colspan=\"12\">Spot beam Italy</td></tr>\n"
                         "<tr><td colspan=\"12\">Spot beam Spain</td></tr>\n"},
        {"an empty cell before the beam", "<tr><td></td><td colspan=\"11\">Spot beam Italy</td></tr>\n"},
        {"the beam in the last of several cells",
         "<tr><td>&nbsp;</td><td><img src=\"flag.png\"></td><td colspan=\"10\">Spot beam Italy</td></tr>\n"},
        {"rows never closed",
         "<tr><td></td><td colspan=\"11\">Spot beam Italy\n<tr><td></td><td>Beam Spain</td>\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        // Between services, first after a heading, and as the last row. A
        // name may stand in a table of its own inside its cell.
        const QString page = kofPage(kofTransponderRow(1) + kofServiceRow(QStringLiteral("Moonbeam One"), 17)
                                     + c.beamRow + kofTransponderRow(2) + c.beamRow
                                     + kofTransponderRow(3) + kofServiceRow(QStringLiteral("C3"), 48)
                                     + kofServiceRow(QStringLiteral("<table class=\"ch\"><tr><td>D3</td></tr></table>"), 49)
                                     + c.beamRow);
        TSatelite satelite;
        EXPECT_EQ(collectSatelitePage(splitPageCells(page), satelite), 3);
        EXPECT_EQ(namesByTransponder(satelite),
                  (QList<QStringList>{{"Moonbeam One"}, {}, {"C3", "D3"}}));
        QStringList tsids;
        for (int t = 0; t < satelite.Count(); ++t)
            tsids.append(satelite.GetItem(t)->Tsid);
        EXPECT_EQ(tsids, (QStringList{"0001", "0002", "0003"}));
    }
}

TEST(KingOfSatPage, TinyPagesAreHarmless)
{
    for (const QString &page : {QString(), QStringLiteral("<td>only</td>"), QStringLiteral("<td>open"),
                                QStringLiteral("<TD>Last updated</TD>")}) {
        const TKofCells cells = splitPageCells(page);
        TSatelite satelite;
        int calls = 0;
        collectSatelitePage(cells, satelite, [&](int done, int total) {
            ++calls;
            EXPECT_LE(done, total);
        });
        EXPECT_GE(calls, 1) << page.toStdString();
        EXPECT_EQ(satelite.Count(), 0) << page.toStdString();
    }
    EXPECT_EQ(splitPageCells(QStringLiteral("<td>one</td>")).cells, QStringList{"one"});
    EXPECT_EQ(splitPageCells(QStringLiteral("<td>open")).cells, QStringList{""});
    EXPECT_EQ(splitPageCells(QStringLiteral("<TD>one</Td><tD class=x>two</TD>")).cells,
              (QStringList{"one", "two"}));
}

TEST(KingOfSatPage, MalformedTransponderCellsAreRefused)
{
    // What a cell gives: frequency (kHz, as the receiver's lists keep it),
    // polarisation and symbol rate; nullptr for a refused cell.
    const std::pair<QString, const char *> rows[] = {
        {"Sat - 11000.00 H - DVB S - 27500 3/4 - ONID:1 TSID:2 - Beam X - P", "11000000|0|27500000"},
        {"Sat - 11000 H - DVB S - 27500 3/4 - ONID:1 TSID:2 - Beam X - P", nullptr},
        {"Sat - 11000.00 H - DVB S - 27500 3/4 - Beam X - P", nullptr},
        {"Sat - 11000.00 H - DVB S - 27500 3/4 - ONID:1 - Beam X - P", nullptr},
        {"Sat - 11000.00 H - DVB S", nullptr},
        {"Sat - 11000.", nullptr},
        {"-", nullptr},
        {"", nullptr},
        // The whole frequency counts, however the page writes its fraction.
        {"Sat - 10743.75 H - DVB S2 - 22000 2/3 - ONID:1 TSID:2 - Beam X - P", "10743750|0|22000000"},
        {"Sat - 11914.5 V - DVB S2 - 22000 2/3 - ONID:1 TSID:2 - Beam X - P", "11914500|1|22000000"},
        {"Sat - 11914,50 V - DVB S2 - 22000 2/3 - ONID:1 TSID:2 - Beam X - P", "11914500|1|22000000"},
        {"Sat - 11000. H - DVB S - 27500 3/4 - ONID:1 TSID:2 - Beam X - P", "11000000|0|27500000"},
        {"Sat - 012603.500 H - DVB S - 27500 3/4 - ONID:1 TSID:2 - Beam X - P", "12603500|0|27500000"},
        // Past the kHz the nearest kHz is taken.
        {"Sat - 12603.5004 H - DVB S - 27500 3/4 - ONID:1 TSID:2 - Beam X - P", "12603500|0|27500000"},
        {"Sat - 12603.50051 H - DVB S - 27500 3/4 - ONID:1 TSID:2 - Beam X - P", "12603501|0|27500000"},
        {"Sat - 12999.9995 H - DVB S - 27500 3/4 - ONID:1 TSID:2 - Beam X - P", "13000000|0|27500000"},
        // A dash in the satellite's name is not the one before the frequency.
        {"Intelsat 10-02 - 11471.00 V - DVB S2 - 30000 3/4 - ONID:1 TSID:2 - Beam X - P", "11471000|1|30000000"},
        {"ABS-2A - 11559.25 H - DVB S - 27500 3/4 - ONID:1 TSID:2 - Beam X - P", "11559250|0|27500000"},
        // No number of MHz.
        {"Sat - 11,000.00 H - DVB S - 27500 3/4 - ONID:1 TSID:2 - Beam X - P", nullptr},
        {"Sat - 11.000.00 H - DVB S - 27500 3/4 - ONID:1 TSID:2 - Beam X - P", nullptr},
        {"Sat - .75 H - DVB S - 27500 3/4 - ONID:1 TSID:2 - Beam X - P", nullptr},
        {"Sat - 1O743.75 H - DVB S - 27500 3/4 - ONID:1 TSID:2 - Beam X - P", nullptr},
        {"Sat - 10743.75H - DVB S - 27500 3/4 - ONID:1 TSID:2 - Beam X - P", nullptr},
        {"Sat - 99999999999.00 H - DVB S - 27500 3/4 - ONID:1 TSID:2 - Beam X - P", nullptr},
        {"Sat - 10743." + QString(40, u'5') + " H - DVB S - 27500 3/4 - ONID:1 TSID:2 - Beam X - P", nullptr},
    };
    for (const auto &[cell, expected] : rows) {
        TTransponder transponder;
        QString provider;
        const bool valid = readTransponderCell(cell, transponder, provider);
        EXPECT_EQ(valid, expected != nullptr) << cell.toStdString();
        if (valid && expected) {
            EXPECT_EQ(QStringList({transponder.Frequency, transponder.Polarization, transponder.SymbolRate})
                          .join(u'|'),
                      QString::fromUtf8(expected))
                << cell.toStdString();
        }
    }
    // Inside a page the malformed one is skipped, the good one read.
    TSatelite satelite;
    collectSatelitePage(
        cellsOf(QStringList{kMarker,
                            QStringLiteral("Sat - 11000 H - DVB S - 27500 3/4 - Beam X - P")}
                + serviceCells(QStringLiteral("Lost"), QStringLiteral("9")) + QStringList{kTransponder}
                + serviceCells(QStringLiteral("Kept"), QStringLiteral("1")) + QStringList{kDate}),
        satelite);
    ASSERT_EQ(satelite.Count(), 1);
    EXPECT_EQ(serviceNames(*satelite.GetItem(0)), QStringList{"Kept"});
}

TEST(SatelliteMappingFile, NamesCompareExactlyAndLinesAreNeverDoubled)
{
    TMappingFile mapping(kSatelliteMappingFields);
    const QString unchanged = QString::fromUtf16(kUnchangedSatellite);
    mapping.Set(QStringLiteral("Astra (19.2E)"), {QStringLiteral("Astra 19.2"), "1"});
    mapping.Set(QStringLiteral("A*"), {unchanged, "0"});
    mapping.Set(QStringLiteral("Astra (19.2E)"), {QStringLiteral("Astra 19.2"), "1"});
    mapping.Set(QStringLiteral("A?tra (19.2E)"), {QStringLiteral("Other"), "2"});
    mapping.Set(QStringLiteral("Pipe|Sat"), {QStringLiteral("Pi|pe"), "3"});
    mapping.Set(QStringLiteral("Two\r\nLines"), {QStringLiteral("Target\n"), "4"});
    const QStringList lines{"Astra (19.2E)|Astra 19.2|1", "A*|<unchanged>|0",
                            "A?tra (19.2E)|Other|2", "Pipe|Sat|Pi pe|3", "Two  Lines|Target |4"};
    EXPECT_EQ(mapping.Lines(), lines);
    QString target;
    QString diseqc;
    EXPECT_TRUE(satelliteMappingOf(mapping, QStringLiteral("Pipe|Sat"), target, diseqc));
    EXPECT_EQ(target, "Pi pe");
    EXPECT_EQ(diseqc, "3");
    EXPECT_TRUE(satelliteMappingOf(mapping, QStringLiteral("Two\r\nLines"), target, diseqc));
    EXPECT_EQ(diseqc, "4");
    EXPECT_FALSE(satelliteMappingOf(mapping, QStringLiteral("Astra"), target, diseqc));
    EXPECT_EQ(target, "<unchanged>");
    EXPECT_EQ(diseqc, "0");
    EXPECT_EQ(mapping.IndexOf(QStringLiteral("Pipe")), -1);

    QTemporaryDir dir;
    const QString file = satelliteMappingFileName(dir.path());
    EXPECT_TRUE(file.endsWith(QStringLiteral("/SatelliteMapping.dat")));
    TMappingFile read(kSatelliteMappingFields);
    read.Load(file);
    EXPECT_TRUE(read.Lines().isEmpty());
    QString error;
    ASSERT_TRUE(mapping.Save(file, error)) << error.toStdString();
    read.Load(file);
    EXPECT_EQ(read.Lines(), lines);
    QFile written(file);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_TRUE(written.readAll().startsWith("Astra (19.2E)|Astra 19.2|1\r\nA*|"));
    // A line of the one-field DiSEqC file names no KingOfSat satellite.
    TMappingFile mixed(kSatelliteMappingFields);
    mixed.Set(QStringLiteral("Astra"), {QStringLiteral("Astra 19.2"), "1"});
    ASSERT_TRUE(mixed.Save(file, error));
    TMappingFile oneField;
    oneField.Load(file);
    EXPECT_EQ(oneField.Value(QStringLiteral("Astra"), "none"), "none");
    EXPECT_EQ(oneField.Value(QStringLiteral("Astra|Astra 19.2"), "none"), "1");
}

TEST(KingOfSatPage, HostilePagesAreReadInOnePass)
{
    // Cells that never close and markup that never ends: each character is
    // looked at a few times, not once per cell.
    const QString unclosed = QStringLiteral("<td<").repeated(200000) + QStringLiteral("</td>");
    const TKofCells cells = splitPageCells(unclosed);
    EXPECT_EQ(cells.cells.size(), 200000);
    EXPECT_EQ(pageText(QStringLiteral("<").repeated(1 << 20)).size(), 1 << 20);
    TTransponder transponder;
    QString provider;
    for (const QString &dashes : {QStringLiteral("-").repeated(1 << 20), QStringLiteral("- 1").repeated(1 << 18)})
        EXPECT_FALSE(readTransponderCell(dashes + QStringLiteral(" Beam DVB "), transponder, provider));
    EXPECT_EQ(decodePageReferences(QStringLiteral("&a").repeated(1 << 18)).size(), 2 << 18);

    // A table inside a cell is that cell's text, however deep; rows end
    // where the next starts or the table ends.
    const struct {
        const char *markup;
        QStringList cells;
        QList<int> rowEnds;
    } splits[] = {
        {"<td>outer<table><tr><td>inner</td></tr></table></td>", {"outer inner"}, {1}},
        {"<tr><td></td><td class=\"ch\"><table><tr><td>Delta</td></tr></table></td><td>5</td></tr>",
         {"", "Delta", "5"}, {3, 3, 3}},
        {"<td><table><tr><td>a</td><td><table><td>b</td></table></td></tr></table>c</td><td>d</td>",
         {"a b c", "d"}, {2, 2}},
        {"<tr><td>a<td>b</tr><tr><td>c</td></tr><td>d</td></table><td>e", {"a", "b", "c", "d", ""},
         {2, 2, 3, 4, 5}},
        {"<td>a<table><td>b</td>", {"a b"}, {1}},
        {"<td>a<td>b", {"", ""}, {2, 2}},
        {"<tdx>a</tdx><td>b</TD ><trash><td>c</td>", {"b", "c"}, {2, 2}},
    };
    for (const auto &split : splits) {
        const TKofCells cells = splitPageCells(QString::fromUtf8(split.markup));
        EXPECT_EQ(cells.cells, split.cells) << split.markup;
        EXPECT_EQ(cells.rowEnds, split.rowEnds) << split.markup;
    }
    const QString nested = QStringLiteral("<td><table>").repeated(100000) + QStringLiteral("x</td>");
    EXPECT_EQ(splitPageCells(nested).cells, QStringList{"x"});
}
