// Files no receiver writes are refused with the designed texts, without
// costing time or memory out of proportion to what they hold.

#include "zapit_test_support.h"

#include "core/util/messages.h"
#include "core/zapit/detect.h"
#include "core/zapit/zapit_load.h"
#include "platform/xml_document.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <optional>

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
