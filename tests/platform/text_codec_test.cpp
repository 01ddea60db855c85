#include "platform/text_codec.h"

#include <gtest/gtest.h>

namespace {

struct EncodeCase {
    const char *label;
    const char *encoding;
    const char *utf8Text;
    QByteArray expected;
};

class EncodeXmlText : public testing::TestWithParam<EncodeCase> {};

TEST_P(EncodeXmlText, GivesTheBytes)
{
    const auto bytes = encodeXmlText(QString::fromUtf8(GetParam().utf8Text),
                                     QString::fromLatin1(GetParam().encoding));
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(*bytes, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EncodeXmlText,
    testing::Values(
        EncodeCase{"utf8_upper", "UTF-8", "Caf\xC3\xA9", "Caf\xC3\xA9"},
        EncodeCase{"utf8_lower", "utf-8", "Caf\xC3\xA9", "Caf\xC3\xA9"},
        EncodeCase{"latin1", "ISO-8859-1", "Caf\xC3\xA9", "Caf\xE9"},
        EncodeCase{"latin1_lower_name", "iso-8859-1", "\xC3\xBC", "\xFC"},
        EncodeCase{"latin1_cyrillic_as_reference", "ISO-8859-1", "\xD0\x96x\xC3\xA9",
                   "&#1046;x\xE9"},
        EncodeCase{"ascii_euro_as_reference", "US-ASCII", "5\xE2\x82\xAC", "5&#8364;"},
        EncodeCase{"astral_as_one_reference", "ISO-8859-1", "\xF0\x9F\x98\x80", "&#128512;"},
        EncodeCase{"windows1252_euro", "windows-1252", "\xE2\x82\xAC", "\x80"},
        EncodeCase{"empty_text", "ISO-8859-1", "", ""}),
    [](const testing::TestParamInfo<EncodeCase> &info) { return std::string(info.param.label); });

TEST(EncodeXmlText, RefusesUnknownAndSuffixedNames)
{
    EXPECT_FALSE(encodeXmlText(QStringLiteral("x"), QStringLiteral("no-such-charset")));
    EXPECT_FALSE(encodeXmlText(QStringLiteral("x"), QStringLiteral("ASCII//TRANSLIT")));
    EXPECT_FALSE(encodeXmlText(QStringLiteral("x"), QString()));
}

TEST(EncodeXmlText, LongTextGrowsTheBuffer)
{
    const QString text = QString::fromUtf8("\xD0\x96\xC3\xA9").repeated(50000);
    const auto bytes = encodeXmlText(text, QStringLiteral("ISO-8859-1"));
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(bytes->size(), qsizetype(50000) * 8);
}

// Decoding agrees with the code page iconv knows: every assigned byte
// writes back as itself.
TEST(DecodeWindows1252, EveryAssignedByteWritesBackAsItself)
{
    for (int b = 0; b < 256; ++b) {
        if (b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D)
            continue;
        const QByteArray byte(1, char(b));
        EXPECT_EQ(encodeXmlText(decodeWindows1252(byte), QStringLiteral("windows-1252")), byte)
            << "byte " << b;
    }
}

TEST(DecodeUtf8OrWindows1252, TakesUtf8WhenEveryByteFits)
{
    const struct {
        const char *label;
        QByteArray bytes;
        const char *utf8Text;
    } cases[] = {
        {"utf8", "\xE2\x82\xACuro Kanal", "\xE2\x82\xACuro Kanal"},
        {"byte order mark dropped", "\xEF\xBB\xBF" "Caf\xC3\xA9", "Caf\xC3\xA9"},
        {"windows-1252 euro, not a control", "\x80uro Kanal", "\xE2\x82\xACuro Kanal"},
        {"one stray byte decides the whole text", "Caf\xC3\xA9 \xE9", "Caf\xC3\x83\xC2\xA9 \xC3\xA9"},
        {"empty", "", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(decodeUtf8OrWindows1252(c.bytes), QString::fromUtf8(c.utf8Text)) << c.label;
}

} // namespace
