// Golden-file tests of the CSV and HTML channel lists. To rebuild the golden
// files after an intended change run tests/fixtures/export/regenerate.sh.

#include "zapit_test_support.h"

#include "core/export/list_export.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

using namespace zapit_test;

namespace {

void addService(TServiceList &list, const QString &sat, const QString &tsid, const QString &freq,
                const QString &name, const QString &sid, const QString &type)
{
    auto tp = std::make_unique<TTransponder>();
    tp->Tsid = tsid;
    tp->Onid = QStringLiteral("0001");
    tp->Frequency = freq;
    tp->Polarization = QStringLiteral("1");
    tp->Fec = QStringLiteral("3");
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

void addEntry(TBouquet &bouquet, const QString &name, const QString &sid, const QString &tsid)
{
    auto entry = std::make_unique<TBouquetService>();
    entry->Name = name;
    entry->Sid = sid;
    entry->Tsid = tsid;
    entry->Onid = QStringLiteral("0001");
    bouquet.Add(std::move(entry));
}

class ListExport : public testing::Test
{
protected:
    void SetUp() override
    {
        addService(m_services, QStringLiteral("Astra 19.2E"), QStringLiteral("0401"),
                   QStringLiteral("11836000"), QStringLiteral("Das Erste"), QStringLiteral("6dca"),
                   QStringLiteral("01"));
        addService(m_services, QStringLiteral("Astra 19.2E"), QStringLiteral("0401"),
                   QStringLiteral("11836000"), QStringLiteral("Rock & Roll; <Live>"),
                   QStringLiteral("6dd0"), QStringLiteral("02"));
        addService(m_services, QString::fromUtf8("T\xC3\xBCrksat"), QStringLiteral("00a1"),
                   QStringLiteral("11794000"), QString::fromUtf8("\xD0\xA0\xD0\xBE\xD1\x81 1"),
                   QStringLiteral("0101"), QStringLiteral("01"));

        auto favourites = std::make_unique<TBouquet>();
        favourites->Name = QStringLiteral("Favourites");
        addEntry(*favourites, QStringLiteral("Das Erste"), QStringLiteral("6dca"),
                 QStringLiteral("0401"));
        addEntry(*favourites, QStringLiteral("Gone Channel"), QStringLiteral("ffff"),
                 QStringLiteral("0999"));
        addEntry(*favourites, QStringLiteral("Rock & Roll; <Live>"), QStringLiteral("6dd0"),
                 QStringLiteral("0401"));
        m_bouquets.Add(std::move(favourites));
        auto empty = std::make_unique<TBouquet>();
        empty->Name = QStringLiteral("Empty");
        m_bouquets.Add(std::move(empty));
        TServiceList noMyServices;
        m_bouquets.Link(m_services, noMyServices);

        const QString logoTypes = m_program.filePath(QStringLiteral("LogoTypes"));
        ASSERT_TRUE(QDir().mkpath(logoTypes));
        ASSERT_TRUE(writeBytes(logoTypes + QStringLiteral("/ard.gif"), "GIF89a-ard"));
        ASSERT_TRUE(writeBytes(m_out.filePath(QStringLiteral("escape.gif")), "outside"));
    }

    QString out(const char *name) const { return m_out.filePath(QLatin1String(name)); }

    // Compares with the golden file, or rewrites it when asked to.
    void expectGolden(const char *outName, const char *goldenName)
    {
        const QString golden = fixturesDir(QStringLiteral("export/")) + QLatin1String(goldenName);
        if (qEnvironmentVariableIsSet("PELLORAN_REGENERATE_GOLDENS")) {
            ASSERT_TRUE(writeBytes(golden, readBytes(out(outName))));
            return;
        }
        EXPECT_EQ(readBytes(out(outName)).toStdString(), readBytes(golden).toStdString())
            << goldenName;
    }

    static ExportColumns columns(std::initializer_list<const char *> names)
    {
        ExportColumns result;
        for (const char *n : names)
            result.append({QString::fromUtf8(n), true});
        return result;
    }

    const ExportColumns m_all = columns({"Logo", "Service Name", "Service Type", "SID", "TSID",
                                         "ONID", "Frequency", "Inversion", "Polarization", "FEC",
                                         "Modulation", "Satellite/Cable"});
    const QStringList m_logoLines{QStringLiteral("DAS ERSTE|5|ard.gif"),
                                  QStringLiteral("Rock & Roll; <Live>|6|../escape.gif")};
    TServiceList m_services;
    TBouquetList m_bouquets;
    QTemporaryDir m_out;
    QTemporaryDir m_program;
};

TEST_F(ListExport, BouquetsCsvKeepsEveryValueUnderItsHeader)
{
    ASSERT_TRUE(ExportCsv(m_bouquets, QString(), out("b.csv"), m_all));
    expectGolden("b.csv", "bouquets-all.csv");
    const QList<QByteArray> lines = readBytes(out("b.csv")).split('\n');
    const qsizetype fields = lines.first().count(';');
    for (const QByteArray &line : lines) {
        if (line.count(';') > 0) {
            EXPECT_EQ(line.count(';') - line.count("; <"), fields) << line.toStdString();
        }
    }
}

TEST_F(ListExport, ColumnsComeInTheGivenOrderAndOneBouquetByExactName)
{
    ExportColumns chosen = columns({"SID", "Service Name"});
    chosen.append({QStringLiteral("FEC"), false});
    ASSERT_TRUE(ExportCsv(m_bouquets, QStringLiteral("Favourites"), out("f.csv"), chosen));
    EXPECT_EQ(readBytes(out("f.csv")),
              QByteArray("SID;Service Name;\r\n\r\n\r\n\r\nFavourites\r\n\r\n6dca;Das Erste;\r\n"
                         ";Gone Channel;\r\n6dd0;\"Rock & Roll; <Live>\";\r\n"));
    ASSERT_TRUE(ExportCsv(m_bouquets, QStringLiteral("favourites"), out("none.csv"), chosen));
    EXPECT_EQ(readBytes(out("none.csv")), QByteArray("SID;Service Name;\r\n"));
}

// Names come from web pages: a spreadsheet must show them, not run them.
TEST_F(ListExport, CsvCellsASpreadsheetWouldTakeForFormulasAreText)
{
    const struct {
        const char *name;
        const char *cell;
    } rows[] = {
        {"=HYPERLINK(\"http://x\")", "\"'=HYPERLINK(\"\"http://x\"\")\""},
        {"+49 TV", "\"'+49 TV\""},
        {"-cmd|' /C calc'!A0", "\"'-cmd|' /C calc'!A0\""},
        {"@SUM(1;2)", "\"'@SUM(1;2)\""},
        {"\t=1+2", "\"'\t=1+2\""},
        {"\r=1+2", "\"'\r=1+2\""},
        {"-", "\"'-\""},
        {"-1+2", "\"'-1+2\""},
        // Numbers are no formulas and stay numbers.
        {"-5", "-5"},
        {"+3,5", "+3,5"},
        // Only the first character counts.
        {"Sat 1 = gut", "Sat 1 = gut"},
        {"'quoted", "'quoted"},
    };
    TServiceList services;
    int sid = 0;
    for (const auto &r : rows)
        addService(services, QStringLiteral("=Sat"), QStringLiteral("0401"),
                   QStringLiteral("11836000"), QString::fromUtf8(r.name),
                   QStringLiteral("%1").arg(++sid, 4, 16, QLatin1Char('0')), QStringLiteral("01"));
    ASSERT_TRUE(ExportCsv(services, out("f.csv"), columns({"Service Name", "SID"})));
    const QByteArray text = readBytes(out("f.csv"));
    EXPECT_TRUE(text.contains("\r\n\"'=Sat\"\r\n")) << text.toStdString();
    sid = 0;
    for (const auto &r : rows) {
        const QByteArray line =
            "\r\n" + QByteArray(r.cell) + ';' + QString::asprintf("%04x", ++sid).toLatin1() + ";\r\n";
        EXPECT_TRUE(text.contains(line)) << r.name << "\n" << text.toStdString();
    }
}

TEST_F(ListExport, ServicesCsvNeverHasASatelliteColumn)
{
    ASSERT_TRUE(ExportCsv(m_services, out("s.csv"), m_all));
    expectGolden("s.csv", "services-all.csv");
    EXPECT_FALSE(readBytes(out("s.csv")).contains("Satellite/Cable"));
}

TEST_F(ListExport, BouquetsHtmlWithLogos)
{
    ASSERT_TRUE(ExportHtml(m_bouquets, QString(), out("b.html"), m_all, QColor(255, 0, 0),
                           QColor(0xee, 0xee, 0xff), m_logoLines, m_program.path()));
    expectGolden("b.html", "bouquets-all.html");
    EXPECT_EQ(readBytes(out("b.html.Logos/ard.gif")), QByteArray("GIF89a-ard"));
    // The line naming "../escape.gif" copies by file name only, from LogoTypes.
    EXPECT_EQ(readBytes(out("escape.gif")), QByteArray("outside"));
    EXPECT_FALSE(QFile::exists(out("b.html.Logos/escape.gif")));
}

TEST_F(ListExport, ServicesHtmlWithoutLogoMakesNoLogoFolder)
{
    ExportColumns noLogo = m_all;
    noLogo.removeFirst();
    ASSERT_TRUE(ExportHtml(m_services, out("s.html"), noLogo, QColor(0x33, 0x66, 0x99),
                           QColor(Qt::white), m_logoLines, m_program.path()));
    expectGolden("s.html", "services-nologo.html");
    EXPECT_FALSE(QFileInfo::exists(out("s.html.Logos")));
}

TEST_F(ListExport, UnwritableOutputFails)
{
    EXPECT_FALSE(ExportCsv(m_services, out("missing/s.csv"), m_all));
    EXPECT_FALSE(ExportHtml(m_bouquets, QString(), out("missing/b.html"), columns({"SID"}),
                            QColor(Qt::red), QColor(Qt::white), {}, m_program.path()));
}

} // namespace
