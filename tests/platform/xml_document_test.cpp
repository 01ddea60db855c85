#include "platform/xml_document.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

QStringList childNames(const XmlNode &parent)
{
    QStringList names;
    for (XmlNode n = parent.firstChild(); n; n = n.nextSibling())
        names << n.name();
    return names;
}

TEST(XmlDocument, NamesNodesAsWrittenAndSkipsLayoutWhiteSpace)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.loadData("<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<zapit>\r\n"
                             "  <!-- note -->\r\n  <Sat/>\r\n  text\r\n  <x:TS xmlns:x=\"u\"/>\r\n"
                             "  <![CDATA[c]]><?pi data?>\r\n</zapit>"));
    EXPECT_EQ(doc.encoding(), QStringLiteral("utf-8"));
    EXPECT_EQ(doc.documentElement().name(), QStringLiteral("zapit"));
    EXPECT_EQ(childNames(doc.documentElement()),
              (QStringList{"#comment", "Sat", "#text", "x:TS", "#cdata-section", "pi"}));
    EXPECT_TRUE(doc.documentElement().firstChild().isComment());
}

TEST(XmlDocument, AttributesInDocumentOrderWithEntitiesResolved)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.loadData("<r><e b='x &amp; &lt;y&gt;' a=\"&#1046;&#x41;\" c=\"\"/></r>"));
    const XmlNode e = doc.documentElement().firstChild();
    QStringList names;
    for (XmlAttribute a = e.firstAttribute(); a; a = a.next())
        names << a.name();
    EXPECT_EQ(names, (QStringList{"b", "a", "c"}));
    EXPECT_EQ(e.attribute("b"), QStringLiteral("x & <y>"));
    EXPECT_EQ(e.attribute("a"), QString::fromUtf8("\xD0\x96" "A"));
    EXPECT_TRUE(e.hasAttribute("c"));
    EXPECT_FALSE(e.hasAttribute("B"));
    EXPECT_TRUE(e.attribute("missing").isNull());
}

TEST(XmlDocument, DeclaredEncodingIsUsedAndReported)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.loadData("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r n=\"Caf\xE9\"/>"));
    EXPECT_EQ(doc.encoding(), QStringLiteral("ISO-8859-1"));
    EXPECT_EQ(doc.documentElement().attribute("n"), QString::fromUtf8("Caf\xC3\xA9"));

    ASSERT_TRUE(doc.loadData("<r/>"));
    EXPECT_TRUE(doc.encoding().isEmpty());
}

struct RefusedCase {
    const char *label;
    QByteArray data;
    const char *messagePart;
};

class XmlDocumentRefuses : public testing::TestWithParam<RefusedCase> {};

TEST_P(XmlDocumentRefuses, WithTheParserMessage)
{
    XmlDocument doc;
    EXPECT_FALSE(doc.loadData(GetParam().data));
    EXPECT_FALSE(doc.isLoaded());
    EXPECT_TRUE(doc.errorMessage().contains(QLatin1String(GetParam().messagePart)))
        << doc.errorMessage().toStdString();
}

const QByteArray kDeep = QByteArray("<a>").repeated(kMaxXmlDepth + 1)
    + QByteArray("</a>").repeated(kMaxXmlDepth + 1);

INSTANTIATE_TEST_SUITE_P(
    Cases, XmlDocumentRefuses,
    testing::Values(
        RefusedCase{"mismatched", "<zapit><sat></zapit>", "line 1"},
        RefusedCase{"undeclared_entity", "<r a=\"&foo;\"/>", "foo"},
        RefusedCase{"doctype_with_entities",
                    "<!DOCTYPE r [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;\">]><r x=\"&b;\"/>",
                    "document type"},
        RefusedCase{"external_dtd", "<!DOCTYPE r SYSTEM \"http://127.0.0.1:9/x.dtd\"><r/>",
                    "document type"},
        RefusedCase{"too_deep", kDeep, "nested deeper"},
        RefusedCase{"empty", "", "empty"}),
    [](const testing::TestParamInfo<RefusedCase> &info) { return std::string(info.param.label); });

TEST(XmlDocument, AcceptsTheDeepestAllowedNesting)
{
    XmlDocument doc;
    EXPECT_TRUE(doc.loadData(QByteArray("<a>").repeated(kMaxXmlDepth)
                             + QByteArray("</a>").repeated(kMaxXmlDepth)));
}

TEST(XmlDocument, UnreadableFileReportsWhy)
{
    XmlDocument doc;
    EXPECT_FALSE(doc.loadFile(QStringLiteral("/nonexistent/services.xml")));
    EXPECT_FALSE(doc.errorMessage().isEmpty());
}

} // namespace
