#include "model_builders.h"
#include "zapit_test_support.h"

#include "core/util/messages.h"
#include "core/zapit/detect.h"
#include "core/zapit/reader.h"
#include "core/zapit/zapit_load.h"
#include "core/zapit/format_names.h"
#include "platform/xml_document.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <random>

using namespace zapit_test;

namespace {

const char *const kSatTp = "id='1' onid='2' frequency='3' inversion='0' symbol_rate='4' "
                           "fec_inner='5' polarization='0'";

QByteArray zapit(const QByteArray &body)
{
    return "<?xml version='1.0' encoding='UTF-8'?><zapit><!-- c -->" + body + "</zapit>";
}

QByteArray services1(const QByteArray &satAttributes, const QByteArray &extraTp = {},
                     const QByteArray &channelInner = {})
{
    return zapit("<sat " + satAttributes + "><transponder " + QByteArray(kSatTp) + extraTp
                 + "><channel service_id='0001' name='A' service_type='01'>" + channelInner
                 + "</channel></transponder></sat>");
}

struct Names {
    QStringList elements;
    QStringList attributes;
};

Names collect(const QByteArray &data)
{
    XmlDocument doc;
    EXPECT_TRUE(doc.loadData(data)) << doc.errorMessage().toStdString();
    Names n;
    CollectNames(n.elements, n.attributes, doc.documentElement().firstChild());
    return n;
}

TEST(CollectNames, PoolsDistinctNamesOfAllLevelsButNotTheRoot)
{
    const Names n = collect("<zapit version='1'><!--x--><sat name='a'><tp name='b' id='1'/>"
                            "</sat><sat name='c' diseqc='1'/></zapit>");
    EXPECT_EQ(n.elements, (QStringList{"sat", "tp"}));
    EXPECT_EQ(n.attributes, (QStringList{"name", "id", "diseqc"}));
}

TEST(CollectNames, NamesDifferingInCaseAreDistinct)
{
    const Names n = collect("<z><Bouquet name='a'/><bouquet Name='b'/></z>");
    EXPECT_EQ(n.elements, (QStringList{"Bouquet", "bouquet"}));
    EXPECT_EQ(n.attributes, (QStringList{"name", "Name"}));
}

struct DetectCase {
    const char *label;
    ZapitKind kind;
    QByteArray data;
    int dialect;
    int preferred = 0; // the dialect of the list the file is read into
    int levels = -1;   // when the file holds fewer than all levels
};

class Detection : public testing::TestWithParam<DetectCase> {};

TEST_P(Detection, FindsTheDialect)
{
    const DetectCase &c = GetParam();
    XmlDocument doc;
    ASSERT_TRUE(doc.loadData(c.data)) << doc.errorMessage().toStdString();
    const ZapitDetection found = detectZapitFile(c.kind, doc.documentElement(), c.preferred);
    EXPECT_EQ(found.dialect, c.dialect);
    if (c.levels >= 0) {
        EXPECT_EQ(found.levels, c.levels);
    }
}

const QByteArray kMySat = "<sat name='A' diseqc='0'><transponder " + QByteArray(kSatTp)
    + "><channel service_id='1' action='add' name='A' service_type='01'/></transponder></sat>";
const QByteArray kMyCable = "<cable name='B'><transponder id='1' onid='2' frequency='3' "
                            "inversion='0' symbol_rate='4' fec_inner='5' modulation='3'>"
                            "<channel service_id='1' action='add' name='A' service_type='01'/>"
                            "</transponder></cable>";

INSTANTIATE_TEST_SUITE_P(
    Cases, Detection,
    testing::Values(
        DetectCase{"services_1", ZapitKind::Services, services1("name='S' diseqc='0'"), 1},
        DetectCase{"diseqc_on_some_satellites_only", ZapitKind::Services,
                   zapit("<sat name='x'/><sat name='S' diseqc='0'><transponder " + QByteArray(kSatTp)
                         + "><channel service_id='1' name='A' service_type='01'/>"
                           "</transponder></sat>"),
                   1},
        DetectCase{"position_makes_4", ZapitKind::Services,
                   services1("name='S' diseqc='0' position='192'"), 4},
        DetectCase{"extra_attribute_anywhere_matches_none", ZapitKind::Services,
                   services1("name='S' diseqc='0'", " foo='1'"), 0},
        // Files without services: the names of the levels there are decide,
        // and the list's own dialect among those that fit.
        DetectCase{"satellites_without_lower_levels", ZapitKind::Services,
                   zapit("<sat name='S' diseqc='0'/>"), 3, 3, 1},
        DetectCase{"list_dialect_that_does_not_fit_is_passed_over", ZapitKind::Services,
                   zapit("<sat name='S' diseqc='0'/>"), 1, 4, 1},
        DetectCase{"empty_transponders_with_position", ZapitKind::Services,
                   zapit("<sat name='S' diseqc='0' position='192'><transponder "
                         + QByteArray(kSatTp) + "/></sat>"),
                   4, 0, 2},
        DetectCase{"empty_short_transponders", ZapitKind::Services,
                   zapit("<cable name='C'><TS id='1' on='2' frq='3' inv='0' sr='4' fec='5' "
                         "modulation='3'/></cable>"),
                   5, 2, 2},
        DetectCase{"satellite_lacking_an_attribute", ZapitKind::Services,
                   zapit("<sat name='S'/>"), 0},
        DetectCase{"empty_transponder_with_a_foreign_attribute", ZapitKind::Services,
                   zapit("<sat name='S' diseqc='0'><transponder " + QByteArray(kSatTp)
                         + " foo='1'/></sat>"),
                   0},
        DetectCase{"transponders_without_their_satellite", ZapitKind::Services,
                   zapit("<transponder " + QByteArray(kSatTp) + "/>"), 0},
        DetectCase{"empty_root", ZapitKind::Services, zapit(""), 1, 0, 0},
        DetectCase{"empty_root_of_a_list_in_dialect_6", ZapitKind::Services, zapit(""), 6, 6, 0},
        DetectCase{"empty_root_bouquets", ZapitKind::Bouquets, zapit(""), 4, 4, 0},
        DetectCase{"empty_root_myservices", ZapitKind::MyServices, "<zapit/>", 2, 2, 0},
        DetectCase{"empty_bouquet", ZapitKind::Bouquets,
                   zapit("<Bouquet name='a' hidden='0' locked='0'/>"), 3, 3, 1},
        DetectCase{"empty_lower_case_bouquet", ZapitKind::Bouquets,
                   zapit("<bouquet name='a' hidden='0' locked='0'/>"), 1, 4, 1},
        DetectCase{"empty_cable_in_my_services", ZapitKind::MyServices,
                   zapit("<cable name='B'/>"), 2, 1, 1},
        // A foreign document is no empty list, nor is a text where the
        // satellites would be.
        DetectCase{"other_root", ZapitKind::Services, "<html><!-- c --></html>", 0},
        DetectCase{"other_root_around_a_satellite", ZapitKind::Services,
                   "<list><sat name='S' diseqc='0'/></list>", 0},
        DetectCase{"other_root_of_bouquets", ZapitKind::Bouquets,
                   "<Zapit><Bouquet name='a' hidden='0' locked='0'/></Zapit>", 0},
        DetectCase{"my_services_without_channels_take_no_further_names", ZapitKind::MyServices,
                   zapit("<sat name='S' diseqc='0' foo='1'/>"), 0},
        DetectCase{"bouquets_1", ZapitKind::Bouquets,
                   zapit("<bouquet name='a' hidden='0' locked='0'><channel serviceid='1' "
                         "name='n' tsid='1' onid='1' sat_position='1'/></bouquet>"),
                   1},
        DetectCase{"capital_bouquet_with_lower_serviceid", ZapitKind::Bouquets,
                   zapit("<Bouquet name='a' hidden='0' locked='0'><channel serviceid='1' "
                         "name='n' tsid='1' onid='1' sat_position='1'/></Bouquet>"),
                   0},
        DetectCase{"bouquets_3", ZapitKind::Bouquets,
                   zapit("<Bouquet name='a' hidden='0' locked='0'><channel serviceID='1' "
                         "name='n' tsid='1' onid='1' sat='1'/></Bouquet>"),
                   3},
        DetectCase{"myservices_both_kinds_is_1", ZapitKind::MyServices, zapit(kMySat + kMyCable), 1},
        DetectCase{"myservices_cable", ZapitKind::MyServices, zapit(kMyCable), 2},
        DetectCase{"myservices_extra_attribute_still_detected", ZapitKind::MyServices,
                   zapit(QByteArray(kMySat).replace("diseqc='0'", "diseqc='0' foo='x'")), 1}),
    [](const testing::TestParamInfo<DetectCase> &info) { return std::string(info.param.label); });

quint8 readServices(quint8 (*reader)(const XmlDocument &, TServiceList &), const QByteArray &data,
                    TServiceList &list)
{
    XmlDocument doc;
    EXPECT_TRUE(doc.loadData(data)) << doc.errorMessage().toStdString();
    return reader(doc, list);
}

TEST(Readers, StopWithTheCodeOfTheLevel)
{
    struct Row {
        const char *label;
        QByteArray data;
        quint8 code;
    };
    const Row rows[] = {
        {"element below a channel", services1("name='S' diseqc='0'", {}, "<x/>"), kReadTooDeep},
        {"unknown on level 1", services1("name='S' orbit='1'"), kReadUnknownAttributeLevel1},
        {"unknown on level 2", services1("name='S'", " foo='1'"), kReadUnknownAttributeLevel2},
        {"unknown on level 3",
         zapit("<sat name='S'><transponder id='1'><channel nr='1'/></transponder></sat>"),
         kReadUnknownAttributeLevel3},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.label);
        TServiceList list;
        list.FormatName.clear();
        EXPECT_EQ(readServices(ReadServicesType01, row.data, list), row.code);
        EXPECT_EQ(list.FormatName, ServicesXMLFormatNames[1]) << "set before reading";
    }
}

TEST(Readers, MergeRepeatedSatellitesTranspondersAndServices)
{
    const QByteArray tp = "<transponder " + QByteArray(kSatTp) + ">"
        + "<channel service_id='0001' name='A' service_type='01'/>"
        + "<channel service_id='0001' name='A' service_type='01'/></transponder>";
    TServiceList list;
    ASSERT_EQ(readServices(ReadServicesType01,
                           zapit("<sat name='S' diseqc='0'>" + tp + tp + "</sat><sat name='S'>"
                                 + tp + "</sat>"),
                           list),
              kReadComplete);
    ASSERT_EQ(list.Count(), 1);
    ASSERT_EQ(list.GetItem(0)->Count(), 1);
    EXPECT_EQ(list.GetItem(0)->GetItem(0)->Count(), 1);
}

// A file whose satellites repeat and whose transponders repeat with their
// texts in another case or another inversion reads as the model merges when
// each satellite, transponder and service is added one by one, a repeated
// satellite's transponders from its last: the same transponders kept, in the
// same order, with the same services.
TEST(Readers, RepeatedTranspondersMergeAsAddedOneByOne)
{
    using namespace testing_model;
    std::mt19937 random(7);
    const auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
    for (int round = 0; round < 60; ++round) {
        QByteArray body;
        TServiceList oneByOne;
        for (int block = 1 + pick(4); block > 0; --block) {
            auto sat = std::make_unique<TSatelite>();
            sat->Name = QStringLiteral("S%1").arg(pick(2));
            body += "<sat name='" + sat->Name.toUtf8() + "' diseqc='0'>";
            for (int t = pick(40); t > 0; --t) {
                static const char *const kTsids[] = {"00ab", "00AB", "00Ab", "00ac"};
                Tp tp{QString::fromLatin1(kTsids[pick(4)]), QStringLiteral("000%1").arg(pick(2)),
                      QString::number(11000 + pick(3)), {}, QString::number(pick(2))};
                body += "<transponder id='" + tp.tsid.toUtf8() + "' onid='" + tp.onid.toUtf8()
                    + "' frequency='" + tp.frequency.toUtf8() + "' inversion='"
                    + tp.inversion.toUtf8() + "'>";
                for (int s = pick(4); s > 0; --s) {
                    const Svc svc{QStringLiteral("n%1").arg(pick(3)),
                                  (pick(2) ? QStringLiteral("a") : QStringLiteral("A"))
                                      + QString::number(pick(3))};
                    body += "<channel service_id='" + svc.sid.toUtf8() + "' name='"
                        + svc.name.toUtf8() + "' service_type='01'/>";
                    tp.services.push_back(svc);
                }
                body += "</transponder>";
                sat->AddTransponder(makeTransponder(tp));
            }
            body += "</sat>";
            // An earlier one of the name takes the transponders from the last.
            TSatelite *earlier = nullptr;
            if (oneByOne.FindSatelite(*sat, false, earlier) < 0) {
                oneByOne.AddSatelite(std::move(sat));
                continue;
            }
            for (int t = sat->Count() - 1; t >= 0; --t)
                earlier->AddTransponder(copyWithServices(*sat->GetItem(t)));
        }
        TServiceList read;
        ASSERT_EQ(readServices(ReadServicesType01, zapit(body), read), kReadComplete);
        const FieldSet carried = carriedFields(QStringLiteral("services"), 1);
        ASSERT_EQ(dump(read, carried), dump(oneByOne, carried)) << round;
    }
}

TEST(Readers, BouquetsKeepDuplicatesAndReadFlagsExactly)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.loadData(zapit("<Bouquet name='B' hidden='1' locked='true'/>"
                                   "<Bouquet name='B' hidden='0' locked=''/>"
                                   "<Bouquet name='C' hidden=' 1' locked='1'/>")));
    TBouquetList list;
    ASSERT_EQ(ReadBouquetsType04(doc, list), kReadComplete);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.FormatName, BouquetXMLFormatNames[4]);
    EXPECT_TRUE(list.GetItem(0)->Hidden);
    EXPECT_FALSE(list.GetItem(0)->Locked);
    EXPECT_FALSE(list.GetItem(1)->Hidden);
    EXPECT_FALSE(list.GetItem(2)->Hidden);
    EXPECT_TRUE(list.GetItem(2)->Locked);
    EXPECT_EQ(list.GetItem(1)->Name, QStringLiteral("B"));
}

TEST(Readers, MyServicesAttributeInAnotherCaseIsReadByItsOwnValue)
{
    TServiceList list;
    ASSERT_EQ(readServices(ReadMyServicesType01,
                           zapit("<sat name='S' diseqc='0'><transponder " + QByteArray(kSatTp)
                                 + "><channel Service_ID='6dcb' ACTION='remove' Name='Upper' "
                                   "service_type='01'/></transponder></sat>"),
                           list),
              kReadComplete);
    const TService *s = list.GetItem(0)->GetItem(0)->GetItem(0);
    EXPECT_EQ(s->Sid, QStringLiteral("6dcb"));
    EXPECT_EQ(s->Action(), QStringLiteral("remove"));
    EXPECT_EQ(s->Name, QStringLiteral("Upper"));
}

TEST(Readers, ServiceTypeUpdatesTheTypeClass)
{
    TServiceList list;
    ASSERT_EQ(readServices(ReadServicesType05,
                           zapit("<cable name='C'><TS id='1'><S i='1' n='R' t='02'/></TS></cable>"),
                           list),
              kReadComplete);
    EXPECT_TRUE(list.GetItem(0)->GetItem(0)->GetItem(0)->IsRadio());
}

class LoadZapitFile : public testing::Test
{
protected:
    QString file(const QByteArray &data)
    {
        const QString path = m_dir.filePath(QStringLiteral("f%1.xml").arg(++m_count));
        EXPECT_TRUE(writeBytes(path, data));
        return path;
    }
    QTemporaryDir m_dir;
    int m_count = 0;
};

TEST_F(LoadZapitFile, ReportsEachFailureWithItsText)
{
    TServiceList list;
    QString error;
    EXPECT_FALSE(loadZapitFile(ZapitKind::Services, m_dir.filePath(QStringLiteral("none.xml")),
                               list, error));
    EXPECT_EQ(error, msg(MsgXmlNotFound));
    EXPECT_FALSE(loadZapitFile(ZapitKind::Services, file(" \r\n"), list, error));
    EXPECT_EQ(error, msg(MsgXmlEmpty));
    EXPECT_FALSE(loadZapitFile(ZapitKind::Services, file("<zapit><sat></zapit>"), list, error));
    EXPECT_TRUE(error.startsWith(msg(MsgXmlCorrupt) + QStringLiteral("\r\n\r\n\r\n")));
    EXPECT_TRUE(error.section(QStringLiteral("\r\n"), -1).contains(QStringLiteral("line 1")));
}

TEST_F(LoadZapitFile, UnknownDialectLeavesFormatZeroAndTheListEmpty)
{
    TServiceList list;
    QString error;
    EXPECT_FALSE(loadZapitFile(ZapitKind::Services, file(zapit("<sat name='S'/>")), list, error));
    EXPECT_EQ(error, msg(MsgXmlFormatUnknown));
    EXPECT_EQ(list.Format, 0);
    EXPECT_EQ(list.Count(), 0);
}

// A file without services is read only as deep as the levels its names
// show: anything below them is no part of a list the writers made.
TEST_F(LoadZapitFile, FilesWithoutServicesHoldNothingBelowTheirLevels)
{
    struct Row {
        const char *label;
        QByteArray data;
        QStringList satelites; // read; empty when refused
    };
    const QByteArray tp = "<transponder " + QByteArray(kSatTp);
    const Row rows[] = {
        {"empty satellites", zapit("<sat name='S' diseqc='0'/><sat name='T' diseqc='1'/>"),
         {"S", "T"}},
        {"empty transponder", zapit("<sat name='S' diseqc='0'>" + tp + "/></sat>"), {"S"}},
        {"a text where the satellites would be", zapit("text"), {}},
        {"an element below the transponders",
         zapit("<sat name='S' diseqc='0'>" + tp + "><transponder/></transponder></sat>"), {}},
        {"an element below the satellites", zapit("<sat name='S' diseqc='0'><sat/></sat>"), {}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.label);
        TServiceList list;
        QString error;
        const bool loaded = loadZapitFile(ZapitKind::Services, file(row.data), list, error);
        EXPECT_EQ(loaded, !row.satelites.isEmpty());
        if (!loaded) {
            EXPECT_EQ(error, msg(MsgXmlFormatUnknown));
            continue;
        }
        QStringList names;
        for (int i = 0; i < list.Count(); ++i)
            names.append(list.GetItem(i)->Name);
        EXPECT_EQ(names, row.satelites);
        EXPECT_EQ(list.Format, 1);
    }
}

TEST_F(LoadZapitFile, KeepsTheDeclaredEncodingAsWritten)
{
    TServiceList list;
    QString error;
    ASSERT_TRUE(loadZapitFile(ZapitKind::Services,
                              file(QByteArray(services1("name='S' diseqc='0'"))
                                       .replace("encoding='UTF-8'", "encoding='utf-8'")),
                              list, error))
        << error.toStdString();
    EXPECT_EQ(list.Encoding, QStringLiteral("utf-8"));
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(list.Format, 1);
}

} // namespace
