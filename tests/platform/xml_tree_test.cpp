#include "platform/xml_document.h"

#include "memory_use.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>

namespace {

// A value of `length` bytes that differs from its neighbours' and carries
// multi-byte characters when long enough.
QByteArray valueBytes(int attribute, int length)
{
    QByteArray value;
    value.reserve(length);
    const QByteArray umlaut = "\xC3\xBC";
    while (value.size() < length) {
        if (value.size() % 7 == 3 && value.size() + umlaut.size() <= length)
            value += umlaut;
        else
            value += char('a' + (attribute + value.size()) % 26);
    }
    return value;
}

struct AttributeCase {
    const char *label;
    int attributes; // distinct names on the element
    int valueLength;
};

class XmlAttributeStorage : public testing::TestWithParam<AttributeCase> {};

// Names and lengths around the sizes where their stored form takes another
// byte; the sibling after the element must not see its attributes.
TEST_P(XmlAttributeStorage, ReadsBackEveryNameAndValueInOrder)
{
    const AttributeCase &c = GetParam();
    QByteArray data = "<r><e";
    for (int i = 0; i < c.attributes; ++i)
        data += " n" + QByteArray::number(i) + "=\"" + valueBytes(i, c.valueLength) + '"';
    data += "/><f only=\"1\"/><g/></r>";

    XmlDocument doc;
    ASSERT_TRUE(doc.loadData(data)) << doc.errorMessage().toStdString();
    const XmlNode e = doc.documentElement().firstChild();
    int count = 0;
    for (XmlAttribute a = e.firstAttribute(); a; a = a.next(), ++count) {
        ASSERT_EQ(a.name(), QStringLiteral("n%1").arg(count));
        ASSERT_EQ(a.value(), QString::fromUtf8(valueBytes(count, c.valueLength)));
        ASSERT_FALSE(a.value().isNull());
    }
    EXPECT_EQ(count, c.attributes);

    const XmlNode f = e.nextSibling();
    ASSERT_TRUE(f.firstAttribute());
    EXPECT_EQ(f.firstAttribute().name(), QStringLiteral("only"));
    EXPECT_EQ(f.attribute("only"), QStringLiteral("1"));
    EXPECT_TRUE(f.firstAttribute().next().isNull());
    EXPECT_TRUE(f.nextSibling().firstAttribute().isNull());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, XmlAttributeStorage,
    testing::Values(AttributeCase{"empty_value", 1, 0}, AttributeCase{"one_byte", 3, 1},
                    AttributeCase{"four_bytes", 2, 4}, AttributeCase{"five_bytes", 2, 5},
                    AttributeCase{"longest_one_byte_length", 2, 127},
                    AttributeCase{"shortest_two_byte_length", 2, 128},
                    AttributeCase{"longest_two_byte_length", 1, 16383},
                    AttributeCase{"shortest_three_byte_length", 1, 16384},
                    AttributeCase{"long_value", 1, 200000},
                    AttributeCase{"names_past_one_byte_numbers", 300, 6},
                    AttributeCase{"the_most_an_element_may_carry", kMaxXmlAttributes, 2},
                    AttributeCase{"many_names_with_long_values", 130, 150}),
    [](const testing::TestParamInfo<AttributeCase> &info) { return std::string(info.param.label); });

TEST(XmlAttribute, ValuesKeepNoSpareRoom)
{
    // A list keeps these texts for as long as it lives.
    XmlDocument doc;
    ASSERT_TRUE(doc.loadData("<r name=\"\xD0\x9F\xD0\xB5\xD1\x80\xD0\xB2\xD1\x8B\xD0\xB9 "
                             "\xD0\xBA\xD0\xB0\xD0\xBD\xD0\xB0\xD0\xBB\" ascii=\"Das Erste HD\" "
                             "mixed=\"M&amp;S R\xC3\xBC\x63kblick\"/>"));
    for (XmlAttribute a = doc.documentElement().firstAttribute(); a; a = a.next()) {
        const QString value = a.value();
        EXPECT_EQ(value.capacity(), value.size()) << a.name().toStdString();
    }
    EXPECT_EQ(doc.documentElement().attribute("name"), QString::fromUtf8("Первый канал"));
    EXPECT_EQ(doc.documentElement().attribute("mixed"), QString::fromUtf8("M&S Rückblick"));
}

// A services file as receivers write it: the tree is read while the list is
// built from it, so what it holds adds to that list's size.
QByteArray servicesLike(int channels)
{
    const char *names[] = {"Das Erste HD", "Bayerisches Fernsehen S\xC3\xBC\x64",
                           "\xD0\x9F\xD0\xB5\xD1\x80\xD0\xB2\xD1\x8B\xD0\xB9 "
                           "\xD0\xBA\xD0\xB0\xD0\xBD\xD0\xB0\xD0\xBB",
                           "Crime &amp; Investigation", "Sky Cinema Premieren +24 HD"};
    QByteArray data = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<zapit>\n"
                      "\t<sat name=\"Astra 19.2E\" diseqc=\"0\" position=\"192\">\n";
    for (int i = 0; i < channels; ++i) {
        if (i % 20 == 0) {
            if (i > 0)
                data += "\t\t</transponder>\n";
            data += "\t\t<transponder id=\"" + QByteArray::number(i, 16)
                + "\" onid=\"0001\" frequency=\"" + QByteArray::number(10700000 + i * 250)
                + "\" inversion=\"2\" symbol_rate=\"27500000\" fec_inner=\"3\" "
                  "polarization=\"1\">\n";
        }
        data += "\t\t\t<channel service_id=\"" + QByteArray::number(i % 65536, 16)
            + "\" name=\"" + names[i % 5] + ' ' + QByteArray::number(i % 97)
            + "\" service_type=\"01\" channel_nr=\"" + QByteArray::number(i % 1000) + "\" />\n";
    }
    data += "\t\t</transponder>\n\t</sat>\n</zapit>\n";
    return data;
}

TEST(XmlDocument, HoldsWellUnderTheSizeOfTheFileItWasReadFrom)
{
    const QByteArray data = servicesLike(30000);
    XmlDocument warmUp; // the parser's one-time set-up is not the document's
    ASSERT_TRUE(warmUp.loadData("<r a=\"1\"/>"));

    const std::size_t before = heapInUse();
    XmlDocument doc;
    ASSERT_TRUE(doc.loadData(data));
    const double held = double(heapInUse() - before);
    EXPECT_LT(held, 0.6 * double(data.size()))
        << "held " << held << " bytes for a file of " << data.size();
}

} // namespace
