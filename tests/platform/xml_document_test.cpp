#include "platform/xml_document.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QStringConverter>
#include <QStringList>
#include <QTemporaryDir>

namespace {

QStringList childNames(const XmlNode &parent)
{
    QStringList names;
    for (XmlNode n = parent.firstChild(); n; n = n.nextSibling())
        names << n.name();
    return names;
}

// Siblings joined by ",", each as name[attribute=value;...](children).
QString shape(XmlNode node)
{
    QStringList parts;
    for (; node; node = node.nextSibling()) {
        QString part = node.name();
        QStringList attributes;
        for (XmlAttribute a = node.firstAttribute(); a; a = a.next())
            attributes << a.name() + '=' + a.value();
        if (!attributes.isEmpty())
            part += '[' + attributes.join(';') + ']';
        if (node.firstChild())
            part += '(' + shape(node.firstChild()) + ')';
        parts << part;
    }
    return parts.join(',');
}

QString loadedShape(const QByteArray &data)
{
    XmlDocument doc;
    if (!doc.loadData(data))
        return QStringLiteral("refused: ") + doc.errorMessage();
    return shape(doc.documentElement());
}

struct ShapeCase {
    const char *label;
    QByteArray data;
    const char *shape;
};

class XmlDocumentShape : public testing::TestWithParam<ShapeCase> {};

TEST_P(XmlDocumentShape, IsSeenThroughTheView)
{
    EXPECT_EQ(loadedShape(GetParam().data), QString::fromUtf8(GetParam().shape));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, XmlDocumentShape,
    testing::Values(
        ShapeCase{"prefixed_names_keep_their_prefix",
                  "<x:sat xmlns:x='u' x:a='1' b='2'><x:tp/><tp/></x:sat>",
                  "x:sat[x:a=1;b=2](x:tp,tp)"},
        ShapeCase{"undeclared_prefix_kept_too", "<x:sat a:b='1'/>", "x:sat[a:b=1]"},
        ShapeCase{"comments_between_elements",
                  "<r><!--a--><s n='1'/><!--b--><!--c--><s n='2'/><!--d--></r>",
                  "r(#comment,s[n=1],#comment,#comment,s[n=2],#comment)"},
        ShapeCase{"attributes_stay_with_their_element",
                  "<r><a/><b x='1' y='2'/><c/><d z='3'/></r>", "r(a,b[x=1;y=2],c,d[z=3])"},
        ShapeCase{"cdata_kept_even_when_blank_and_adjacent_ones_merge",
                  "<r><![CDATA[ ]]><a/><![CDATA[x]]><![CDATA[y]]></r>",
                  "r(#cdata-section,a,#cdata-section)"},
        ShapeCase{"processing_instruction_named_by_target", "<r><?target some data?></r>",
                  "r(target)"},
        ShapeCase{"text_only_root", "<r>hello</r>", "r(#text)"},
        ShapeCase{"blank_text_dropped", "<r> \r\n\t<a/>\n </r>", "r(a)"},
        ShapeCase{"text_with_references_is_one_node", "<r> &amp; &#65; x</r>", "r(#text)"},
        ShapeCase{"blank_by_reference_is_blank_too", "<r>&#32;&#10;</r>", "r"},
        ShapeCase{"text_around_markup", "<r>a<b/>c<!--d-->e</r>", "r(#text,b,#text,#comment,#text)"},
        ShapeCase{"nodes_after_the_root_follow_it", "<!--x--><r/><!--y--><?z?>", "r,#comment,z"},
        ShapeCase{"predefined_and_character_references",
                  "<r a='&amp;&lt;&gt;&quot;&apos;' b='&#x41;&#66;' c='&#38;&amp;amp;' "
                  "d='&amp;#38;'/>",
                  "r[a=&<>\"';b=AB;c=&&amp;;d=&#38;]"},
        ShapeCase{"line_breaks_in_values_normalised_unless_referenced",
                  "<r a='x\r\ny\tz' b='x&#10;y'/>", "r[a=x y z;b=x\ny]"},
        ShapeCase{"values_around_the_inline_size",
                  "<r a='' b='1' c='123' d='1234' e='12345' f='\xD0\x96\xD0\x96' "
                  "g='\xD0\x96\xD0\x96\xD0\x96'/>",
                  "r[a=;b=1;c=123;d=1234;e=12345;f=\xD0\x96\xD0\x96;"
                  "g=\xD0\x96\xD0\x96\xD0\x96]"}),
    [](const testing::TestParamInfo<ShapeCase> &info) { return std::string(info.param.label); });

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

// A root whose child carries `attributes` attributes and declares
// `namespaces` namespaces, all of distinct names.
QByteArray oneElement(int attributes, int namespaces)
{
    QByteArray data = "<r>\n<e";
    for (int i = 0; i < attributes; ++i)
        data += " a" + QByteArray::number(i) + "=\"\"";
    for (int i = 0; i < namespaces; ++i)
        data += " xmlns:p" + QByteArray::number(i) + "=\"u" + QByteArray::number(i) + '"';
    return data + "/>\n</r>";
}

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
        RefusedCase{"doctype_without_subset", "<!DOCTYPE r><r/>", "document type"},
        RefusedCase{"undeclared_entity_in_text", "<r>&foo;</r>", "foo"},
        RefusedCase{"too_deep", kDeep, "nested deeper than 64 levels"},
        RefusedCase{"too_deep_before_a_later_error", QByteArray("<a>").repeated(kMaxXmlDepth + 1),
                    "nested deeper"},
        RefusedCase{"duplicate_attribute", "<r>\n  <b y=\"2\" y=\"3\"/>\n</r>",
                    "Attribute y redefined (line 2, column 17)"},
        RefusedCase{"two_roots", "<r/><s/>", "Extra content"},
        // Caught as the element is reported, or while its tag is still read.
        RefusedCase{"one_attribute_too_many", oneElement(kMaxXmlAttributes + 1, 0),
                    "An element with thousands of attributes is no channel list (more than 1000, "
                    "line 2)."},
        RefusedCase{"namespaces_count_as_attributes", oneElement(600, 401), "line 2)"},
        RefusedCase{"an_element_of_100000_attributes", oneElement(100000, 0),
                    "thousands of attributes is no channel list (more than 1000, line 2)"},
        RefusedCase{"an_element_of_100000_namespaces", oneElement(0, 100000),
                    "thousands of attributes is no channel list (more than 1000, line 2)"},
        // Never reported as an element: only a stop while the tag is read says why.
        RefusedCase{"an_unfinished_tag_of_100000_attributes", oneElement(100000, 0).chopped(7),
                    "thousands of attributes is no channel list (more than 1000, line 2)"},
        RefusedCase{"an_unfinished_tag_of_100000_namespaces", oneElement(0, 100000).chopped(7),
                    "thousands of attributes is no channel list (more than 1000, line 2)"},
        RefusedCase{"bytes_not_in_the_encoding", "<r a=\"\xFF\xFE\"/>", "line 1, column"},
        RefusedCase{"only_white_space", " \n ", "line 2"},
        RefusedCase{"empty", "", "empty"}),
    [](const testing::TestParamInfo<RefusedCase> &info) { return std::string(info.param.label); });

// Namespaces count with the attributes; elements of the most allowed one
// after another leave the parser's tables at their largest and pass.
TEST(XmlDocument, AcceptsTheMostAttributesAllowed)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.loadData(oneElement(kMaxXmlAttributes - 10, 10)))
        << doc.errorMessage().toStdString();
    QByteArray many = "<r>";
    for (int e = 0; e < 20; ++e)
        many += oneElement(kMaxXmlAttributes, 0).mid(3).chopped(4);
    ASSERT_TRUE(doc.loadData(many + "</r>")) << doc.errorMessage().toStdString();
    int count = 0;
    for (XmlAttribute a = doc.documentElement().firstChild().firstAttribute(); a; a = a.next())
        ++count;
    EXPECT_EQ(count, kMaxXmlAttributes);
}

TEST(XmlDocument, AcceptsTheDeepestAllowedNesting)
{
    XmlDocument doc;
    EXPECT_TRUE(doc.loadData(QByteArray("<a>").repeated(kMaxXmlDepth)
                             + QByteArray("</a>").repeated(kMaxXmlDepth)));
    // Text, comments and instructions inside the deepest element add no level.
    ASSERT_TRUE(doc.loadData(QByteArray("<a>").repeated(kMaxXmlDepth) + "t<!--c--><?p?>"
                             + QByteArray("</a>").repeated(kMaxXmlDepth)));
    XmlNode deepest = doc.documentElement();
    for (int level = 1; level < kMaxXmlDepth; ++level)
        deepest = deepest.firstChild();
    EXPECT_EQ(shape(deepest), QStringLiteral("a(#text,#comment,p)"));
}

struct EncodingCase {
    const char *label;
    QByteArray data;
    const char *encoding;
};

class XmlDocumentEncoding : public testing::TestWithParam<EncodingCase> {};

QByteArray utf16(const QString &text, QStringConverter::Encoding encoding)
{
    return QStringEncoder(encoding, QStringConverter::Flag::WriteBom).encode(text);
}

const QString kUtf16Text = QString::fromUtf8("<?xml version=\"1.0\" encoding=\"UTF-16\"?>"
                                             "<r n=\"\xD0\x96 caf\xC3\xA9\"><c/></r>");

// Each file names "Ж café" in its own encoding (or just "é" where the
// encoding has no Ж), and the view hands it over as text.
TEST_P(XmlDocumentEncoding, IsConvertedAndReported)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.loadData(GetParam().data)) << doc.errorMessage().toStdString();
    EXPECT_EQ(doc.encoding(), QLatin1String(GetParam().encoding));
    EXPECT_TRUE(doc.documentElement().attribute("n").endsWith(QString::fromUtf8("caf\xC3\xA9")));
    EXPECT_EQ(shape(doc.documentElement()).section('(', 1), QStringLiteral("c)"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, XmlDocumentEncoding,
    testing::Values(
        EncodingCase{"utf16le_with_bom", utf16(kUtf16Text, QStringConverter::Utf16LE), "UTF-16"},
        EncodingCase{"utf16be_with_bom", utf16(kUtf16Text, QStringConverter::Utf16BE), "UTF-16"},
        EncodingCase{"latin1", "<?xml version='1.0' encoding='ISO-8859-1'?><r n='caf\xE9'><c/></r>",
                     "ISO-8859-1"},
        EncodingCase{"windows1252",
                     "<?xml version='1.0' encoding='windows-1252'?><r n='\x80 caf\xE9'><c/></r>",
                     "windows-1252"},
        EncodingCase{"utf8_bom_without_declaration", "\xEF\xBB\xBF<r n='caf\xC3\xA9'><c/></r>",
                     ""}),
    [](const testing::TestParamInfo<EncodingCase> &info) { return std::string(info.param.label); });

TEST(XmlDocument, LoadsFilesLikeData)
{
    QTemporaryDir dir;
    const QString fileName = dir.filePath(QStringLiteral("services.xml"));
    QFile file(fileName);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(utf16(kUtf16Text, QStringConverter::Utf16LE));
    file.close();
    XmlDocument doc;
    ASSERT_TRUE(doc.loadFile(fileName)) << doc.errorMessage().toStdString();
    EXPECT_EQ(doc.encoding(), QStringLiteral("UTF-16"));
    EXPECT_EQ(doc.documentElement().attribute("n"), QString::fromUtf8("\xD0\x96 caf\xC3\xA9"));

    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.close();
    EXPECT_FALSE(doc.loadFile(fileName));
    EXPECT_FALSE(doc.isLoaded());
    EXPECT_TRUE(doc.errorMessage().contains(QLatin1String("empty")));
    EXPECT_TRUE(doc.documentElement().isNull());
}

TEST(XmlDocument, ManyElementsKeepTheirOwnAttributes)
{
    constexpr int kElements = 20000;
    QByteArray data = "<zapit>";
    for (int i = 0; i < kElements; ++i) {
        data += "<channel service_id=\"" + QByteArray::number(i, 16) + "\" name=\"Channel "
            + QByteArray::number(i) + "\"" + (i % 3 ? "" : " extra=\"x\"") + "/>";
    }
    data += "</zapit>";
    XmlDocument doc;
    ASSERT_TRUE(doc.loadData(data));
    int count = 0;
    const char *firstName = nullptr;
    for (XmlNode n = doc.documentElement().firstChild(); n; n = n.nextSibling(), ++count) {
        ASSERT_EQ(n.attribute("service_id"), QString::number(count, 16));
        ASSERT_EQ(n.attribute("name"), QStringLiteral("Channel %1").arg(count));
        ASSERT_EQ(n.hasAttribute("extra"), count % 3 == 0);
        ASSERT_FALSE(n.firstChild());
        // One pointer per distinct name: the dialect detection leans on it.
        if (!firstName)
            firstName = n.rawName();
        ASSERT_EQ(n.rawName(), firstName);
    }
    EXPECT_EQ(count, kElements);
}

TEST(XmlDocument, AFailedLoadDropsThePreviousDocument)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.loadData("<r/>"));
    EXPECT_FALSE(doc.loadData("<r>"));
    EXPECT_FALSE(doc.isLoaded());
    EXPECT_TRUE(doc.documentElement().isNull());
    doc.clear();
    EXPECT_TRUE(doc.errorMessage().isEmpty());
}

TEST(XmlDocument, UnreadableFileReportsWhy)
{
    XmlDocument doc;
    EXPECT_FALSE(doc.loadFile(QStringLiteral("/nonexistent/services.xml")));
    EXPECT_FALSE(doc.errorMessage().isEmpty());
}

} // namespace
