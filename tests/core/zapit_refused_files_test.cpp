// Files no receiver writes are refused with the designed texts, and large
// files whose elements repeat load as adding one element after another
// merges them, without costing time or memory out of proportion to what they
// hold.

#include "zapit_test_support.h"

#include "core/util/messages.h"
#include "core/zapit/detect.h"
#include "core/zapit/zapit_load.h"
#include "platform/xml_document.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <functional>
#include <optional>
#include <string>
#include <vector>

using namespace zapit_test;

namespace {

constexpr int kManyNames = 200000;

// A list whose elements carry, besides their own attributes, kManyNames
// attribute names that no dialect has, `perElement` to an element.
QByteArray manyNames(const QByteArray &head, const QByteArray &element, const QByteArray &tail,
                     int perElement = 10)
{
    QByteArray data = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<zapit>\n" + head;
    data.reserve(kManyNames * 12);
    for (int n = 0; n < kManyNames; ++n) {
        if (n % perElement == 0)
            data += "<" + element;
        data += " a" + QByteArray::number(n) + "=\"\"";
        if (n % perElement == perElement - 1)
            data += "/>\n";
    }
    return data + tail + "</zapit>\n";
}

const char *const kSatTransponder = "id=\"1\" onid=\"1\" frequency=\"1\" inversion=\"0\" "
                                    "symbol_rate=\"1\" fec_inner=\"1\" polarization=\"0\"";

struct ManyNamesCase {
    const char *label;
    ZapitKind kind;
    QByteArray data;
    bool oneElement = false; // all the names on the list's first element
};

class ManyDistinctNames : public testing::TestWithParam<ManyNamesCase>
{
protected:
    QTemporaryDir m_dir;
};

// Ten to an element they make no dialect; all on one element the parser
// refuses them, as it refuses a damaged file.
TEST_P(ManyDistinctNames, AreRefusedWithTheDesignedText)
{
    const QString path = m_dir.filePath(QStringLiteral("list.xml"));
    ASSERT_TRUE(writeBytes(path, GetParam().data));
    QString error;
    bool loaded = true;
    if (GetParam().kind == ZapitKind::Bouquets) {
        TBouquetList list;
        loaded = loadZapitFile(path, list, error);
    } else {
        TServiceList list;
        loaded = loadZapitFile(GetParam().kind, path, list, error);
    }
    EXPECT_FALSE(loaded);
    EXPECT_EQ(error, GetParam().oneElement
                         ? msg(MsgXmlCorrupt) + QStringLiteral("\r\n\r\n\r\n") + msg(MsgXmlParserMessage)
                             + QStringLiteral("\r\n\r\nAn element with thousands of attributes is "
                                              "no channel list (more than 1000, line 3).")
                         : msg(MsgXmlFormatUnknown));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ManyDistinctNames,
    testing::Values(
        ManyNamesCase{"services", ZapitKind::Services,
                      manyNames("<sat name=\"S\" diseqc=\"0\"><transponder "
                                    + QByteArray(kSatTransponder) + ">\n",
                                "channel service_id=\"1\" name=\"A\" service_type=\"01\"",
                                "</transponder></sat>\n")},
        // My-services detection lets further names pass; the reader stops at them.
        ManyNamesCase{"myservices_with_every_name_of_a_dialect", ZapitKind::MyServices,
                      manyNames("<sat name=\"S\" diseqc=\"0\"><transponder "
                                    + QByteArray(kSatTransponder)
                                    + "><channel service_id=\"1\" action=\"add\" name=\"A\" "
                                      "service_type=\"01\"/>\n",
                                "channel service_id=\"1\" action=\"add\" name=\"A\" "
                                "service_type=\"01\"",
                                "</transponder></sat>\n")},
        ManyNamesCase{"bouquets", ZapitKind::Bouquets,
                      manyNames("<Bouquet name=\"B\" hidden=\"0\" locked=\"0\">\n",
                                "channel serviceID=\"1\" name=\"A\" tsid=\"1\" onid=\"1\" "
                                "sat_position=\"192\"",
                                "</Bouquet>\n")},
        ManyNamesCase{"one_services_element", ZapitKind::Services,
                      manyNames("", "sat name=\"S\" diseqc=\"0\"", "", kManyNames), true},
        ManyNamesCase{"one_myservices_element", ZapitKind::MyServices,
                      manyNames("", "sat name=\"S\" diseqc=\"0\"", "", kManyNames), true},
        ManyNamesCase{"one_bouquet", ZapitKind::Bouquets,
                      manyNames("", "Bouquet name=\"B\" hidden=\"0\" locked=\"0\"", "", kManyNames),
                      true}),
    [](const testing::TestParamInfo<ManyNamesCase> &info) {
        return std::string(info.param.label);
    });

// Elements of the large shapes below.
constexpr int kRepeated = 60000;

QByteArray satElement(const QByteArray &name)
{
    return "<sat name=\"" + name + "\" diseqc=\"0\" position=\"192\">\n";
}

QByteArray transponderElement(int frequency, const char *tsid = "00ab", int inversion = 0)
{
    return "<transponder id=\"" + QByteArray(tsid) + "\" onid=\"0001\" frequency=\""
        + QByteArray::number(frequency) + "\" inversion=\"" + QByteArray::number(inversion)
        + "\" symbol_rate=\"27500000\" fec_inner=\"3\" polarization=\"0\">\n";
}

QByteArray channelElement(const QByteArray &name, int sid, int number = 0)
{
    return "<channel service_id=\"" + QByteArray::number(sid, 16) + "\" name=\"" + name
        + "\" service_type=\"01\" channel_nr=\"" + QByteArray::number(number) + "\"/>\n";
}

QByteArray zapitFile(const QByteArray &body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<zapit api=\"3\">\n" + body + "</zapit>\n";
}

// A long, shared start: satellites told apart only at the end of the name.
QByteArray longSatName(int n)
{
    return QByteArray(120, 'S') + " " + QByteArray::number(n).rightJustified(6, '0');
}

// One line per satellite, transponder and service, with what tells the
// objects of a merge apart.
std::vector<std::string> outline(const TServiceList &list)
{
    std::vector<std::string> lines;
    for (int a = 0; a < list.Count(); ++a) {
        const TSatelite &sat = *list.GetItem(a);
        lines.push_back("sat " + sat.Name.toStdString());
        for (int t = 0; t < sat.Count(); ++t) {
            const TTransponder &tp = *sat.GetItem(t);
            lines.push_back(" tp " + tp.Tsid.toStdString() + " " + tp.Frequency.toStdString()
                            + " inv " + tp.Inversion.toStdString());
            for (int s = 0; s < tp.Count(); ++s) {
                const TService &sv = *tp.GetItem(s);
                lines.push_back("  " + sv.Name.toStdString() + " " + sv.Sid.toStdString() + " #"
                                + sv.ChannelNr.toStdString());
            }
        }
    }
    return lines;
}

struct RepeatCase {
    const char *label;
    std::function<QByteArray()> file;
    std::function<std::vector<std::string>()> merged; // the outline the file loads to
};

void PrintTo(const RepeatCase &c, std::ostream *os)
{
    *os << c.label;
}

class RepeatedElements : public testing::TestWithParam<RepeatCase>
{
protected:
    QTemporaryDir m_dir;
};

// Equal elements merge into the first: a satellite's transponders, handed
// over from the last, join the first satellite of its name; a transponder's
// services, from the last, the first transponder equal in all but
// inversion; a repeated service keeps the first one's fields. A load that
// looked for each among all read before it would take minutes here.
TEST_P(RepeatedElements, LoadIntoTheMergedTree)
{
    const QString path = m_dir.filePath(QStringLiteral("services.xml"));
    ASSERT_TRUE(writeBytes(path, GetParam().file()));
    TServiceList list;
    QString error;
    ASSERT_TRUE(loadZapitFile(ZapitKind::Services, path, list, error)) << error.toStdString();
    const std::vector<std::string> loaded = outline(list);
    const std::vector<std::string> expected = GetParam().merged();
    ASSERT_EQ(loaded.size(), expected.size());
    for (std::size_t i = 0; i < loaded.size(); ++i)
        ASSERT_EQ(loaded[i], expected[i]) << "line " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, RepeatedElements,
    testing::Values(
        // Each element two transponders of their own.
        RepeatCase{"one_satellite_in_every_element",
                   [] {
                       QByteArray body;
                       for (int k = 0; k < kRepeated; ++k) {
                           body += satElement("Astra");
                           for (int f : {2 * k, 2 * k + 1}) {
                               body += transponderElement(10000 + f)
                                   + channelElement("S" + QByteArray::number(f), f + 1)
                                   + "</transponder>\n";
                           }
                           body += "</sat>\n";
                       }
                       return zapitFile(body);
                   },
                   [] {
                       std::vector<std::string> lines{"sat Astra"};
                       for (int k = 0; k < kRepeated; ++k) {
                           const std::vector<int> order = k == 0 ? std::vector<int>{0, 1}
                                                                 : std::vector<int>{1, 0};
                           for (int f : order) {
                               f += 2 * k;
                               lines.push_back(" tp 00ab " + std::to_string(10000 + f) + " inv 0");
                               lines.push_back("  S" + std::to_string(f) + " "
                                               + QByteArray::number(f + 1, 16).toStdString()
                                               + " #0");
                           }
                       }
                       return lines;
                   }},
        // Equal but for the case of the id and the inversion, each with a
        // service all share (numbered differently each time) and three of
        // its own.
        RepeatCase{"one_transponder_in_every_element",
                   [] {
                       QByteArray body = satElement("Astra");
                       for (int k = 0; k < kRepeated; ++k) {
                           body += transponderElement(11000, k % 2 ? "00AB" : "00ab", k % 2)
                               + channelElement("Common", 0xffff, k);
                           for (int s = 0; s < 3; ++s)
                               body += channelElement("X" + QByteArray::number(3 * k + s), 3 * k + s);
                           body += "</transponder>\n";
                       }
                       return zapitFile(body + "</sat>\n");
                   },
                   [] {
                       std::vector<std::string> lines{"sat Astra", " tp 00ab 11000 inv 0",
                                                      "  Common ffff #0"};
                       for (int k = 0; k < kRepeated; ++k) {
                           for (int s = 0; s < 3; ++s) {
                               const int n = 3 * k + (k == 0 ? s : 2 - s);
                               lines.push_back("  X" + std::to_string(n) + " "
                                               + QByteArray::number(n, 16).toStdString() + " #0");
                           }
                       }
                       return lines;
                   }},
        // Satellites of their own, then a thousand repeating earlier ones.
        RepeatCase{"many_satellites",
                   [] {
                       QByteArray body;
                       for (int k = 0; k < kRepeated; ++k) {
                           const int name = k < kRepeated - 1000 ? k : 7 * (k - (kRepeated - 1000));
                           body += satElement(longSatName(name)) + transponderElement(k)
                               + channelElement("C", 1) + "</transponder>\n</sat>\n";
                       }
                       return zapitFile(body);
                   },
                   [] {
                       std::vector<std::vector<int>> frequencies(kRepeated - 1000);
                       for (int k = 0; k < kRepeated; ++k)
                           frequencies[std::size_t(k < kRepeated - 1000 ? k : 7 * (k - (kRepeated - 1000)))]
                               .push_back(k);
                       std::vector<std::string> lines;
                       for (std::size_t n = 0; n < frequencies.size(); ++n) {
                           lines.push_back("sat " + longSatName(int(n)).toStdString());
                           for (int f : frequencies[n]) {
                               lines.push_back(" tp 00ab " + std::to_string(f) + " inv 0");
                               lines.push_back("  C 1 #0");
                           }
                       }
                       return lines;
                   }}),
    [](const testing::TestParamInfo<RepeatCase> &info) { return std::string(info.param.label); });

TEST(CollectNamesOfManyElements, KeepsEachNameOnceInTheOrderFirstSeen)
{
    QByteArray data = "<zapit><a x='1' y='2'/>";
    for (int n = 0; n < 5000; ++n)
        data += "<e" + QByteArray::number(n % 1000) + " y='1' n" + QByteArray::number(n) + "='1'/>";
    data += "<a x='3'/></zapit>";
    XmlDocument document;
    ASSERT_TRUE(document.loadData(data)) << qPrintable(document.errorMessage());
    // Names already in the lists are not added again.
    QStringList elements{QStringLiteral("e5")};
    QStringList attributes{QStringLiteral("n7"), QStringLiteral("x")};
    CollectNames(elements, attributes, document.documentElement().firstChild());
    ASSERT_EQ(elements.size(), 1001);
    EXPECT_EQ(elements.mid(0, 4), (QStringList{"e5", "a", "e0", "e1"}));
    EXPECT_EQ(elements.count(QStringLiteral("e5")), 1);
    ASSERT_EQ(attributes.size(), 5002);
    EXPECT_EQ(attributes.mid(0, 5), (QStringList{"n7", "x", "y", "n0", "n1"}));
    EXPECT_EQ(attributes.count(QStringLiteral("n7")), 1);
    EXPECT_EQ(attributes.last(), QStringLiteral("n4999"));
}

// The bytes this process has read through system calls so far.
std::optional<qint64> bytesRead()
{
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return std::nullopt;
    for (const QByteArray &line : io.readAll().split('\n')) {
        if (line.startsWith("rchar:"))
            return line.mid(6).trimmed().toLongLong();
    }
    return std::nullopt;
}

TEST(FilesAboveTheParserLimit, AreRefusedBeforeBeingRead)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("huge.xml"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.write("<zapit>"));
        // A hole, not data: the test stays cheap on disk.
        ASSERT_TRUE(file.resize(kMaxXmlFileBytes + 1));
    }
    const QString expected = msg(MsgXmlCorrupt) + QStringLiteral("\r\n\r\n\r\n")
        + msg(MsgXmlParserMessage) + QStringLiteral("\r\n\r\nThe file is too large.");
    for (ZapitKind kind : {ZapitKind::Services, ZapitKind::MyServices, ZapitKind::Bouquets}) {
        const std::optional<qint64> before = bytesRead();
        QString error;
        if (kind == ZapitKind::Bouquets) {
            TBouquetList list;
            EXPECT_FALSE(loadZapitFile(path, list, error));
        } else {
            TServiceList list;
            EXPECT_FALSE(loadZapitFile(kind, path, list, error));
        }
        EXPECT_EQ(error, expected);
        const std::optional<qint64> after = bytesRead();
        if (before && after) {
            EXPECT_LT(*after - *before, 1 << 20) << "bytes read for a file that is refused";
        }
    }
}

} // namespace
