#include "core/util/exception.h"
#include "core/util/number_text.h"
#include "core/util/str_utils.h"
#include "core/util/text_compare.h"

#include "model_builders.h"

#include <QLocale>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <thread>
#include <utility>

namespace {

struct WildcardCase {
    const char *name;
    QString text;
    QString mask;
    bool expected;
};

class WildcardTest : public ::testing::TestWithParam<WildcardCase> {};

TEST_P(WildcardTest, MatchesWholeText)
{
    const auto &c = GetParam();
    EXPECT_EQ(matchesWildcard(c.text, c.mask), c.expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    StrUtils, WildcardTest,
    ::testing::Values(
        WildcardCase{"prefix_star", "ARD", "A*", true},
        WildcardCase{"case_sensitive", "ARD", "a*", false},
        WildcardCase{"empty_text_star", "", "*", true},
        WildcardCase{"empty_text_empty_mask", "", "", true},
        WildcardCase{"text_vs_empty_mask", "X", "", false},
        WildcardCase{"question_mark", "ABC", "A?C", true},
        WildcardCase{"question_needs_one_char", "AC", "A?C", false},
        WildcardCase{"several_stars", "DAS ERSTE HD", "*ER*HD", true},
        WildcardCase{"backtrack_past_first_try", "AXBXBC", "A*B*C", true},
        WildcardCase{"backtrack_fails_cleanly", "AXBXB", "A*B*C", false},
        WildcardCase{"star_then_question", "ABCD", "*?D", true},
        WildcardCase{"trailing_stars", "AB", "AB***", true},
        WildcardCase{"mask_longer_than_text", "AB", "ABC*", false},
        WildcardCase{"must_match_to_the_end", "ABCX", "A*C", false},
        WildcardCase{"repeated_pattern_backtracking", "aaaaab", "*a*ab", true},
        WildcardCase{"unicode", QString::fromUtf8("Первый канал"), QString::fromUtf8("Перв*"), true}),
    [](const auto &info) { return std::string(info.param.name); });

// The copy-free upper-case match must agree with upper-casing first, for
// every kind of text a list holds: umlauts, "ß" (whose upper case is two
// letters, so it stays), Cyrillic, letters outside the basic plane.
TEST(StrUtils, UpperCaseMatchAgreesWithUpperCasingFirst)
{
    const QStringList texts = {
        "das erste", "Bayerisches Fernsehen Süd", QString::fromUtf8("straße 1"),
        QString::fromUtf8("Первый канал"), QString::fromUtf8("\U00010428bc"), "", "Klassik & Jazz 9",
        QString::fromUtf8("ǅungla")};
    const QStringList masks = {"*", "", "D*", "*SÜD", QString::fromUtf8("*SS*"),
                               QString::fromUtf8("*ß*"), QString::fromUtf8("ПЕРВ*"), "*?",
                               QString::fromUtf8("\U00010400*"), "*&*9", "??????*", "Ǆ*"};
    for (const QString &text : texts) {
        for (const QString &mask : masks) {
            SCOPED_TRACE(qPrintable(text + " ~ " + mask));
            const QString upperMask = upperText(mask);
            EXPECT_EQ(matchesWildcardUpper(text, upperMask),
                      matchesWildcard(upperText(text), upperMask));
        }
    }
}

struct ReplaceCase {
    const char *name;
    QString text;
    QString find;
    QString replacement;
    bool wildcard;
    bool caseSensitive;
    bool expectedResult;
    QString expectedText;
};

class StrReplaceTest : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(StrReplaceTest, ReplacesInOnePass)
{
    const auto &c = GetParam();
    QString text = c.text;
    EXPECT_EQ(strReplace(text, c.find, c.replacement, c.wildcard, c.caseSensitive),
              c.expectedResult);
    EXPECT_EQ(text, c.expectedText);
}

INSTANTIATE_TEST_SUITE_P(
    StrUtils, StrReplaceTest,
    ::testing::Values(
        ReplaceCase{"case_insensitive", "aBab", "ab", "x", false, false, true, "xx"},
        ReplaceCase{"case_sensitive", "aBab", "ab", "x", false, true, true, "aBx"},
        ReplaceCase{"no_rescan_of_replacement", "...", "..", ".0.", false, true, true, ".0.."},
        ReplaceCase{"kept_text_keeps_its_case", "Hello World", "o", "0", false, false, true,
                    "Hell0 W0rld"},
        ReplaceCase{"missing_find_leaves_text", "abc", "x", "y", false, true, false, "abc"},
        ReplaceCase{"empty_find", "abc", "", "y", false, true, false, "abc"},
        ReplaceCase{"wildcard_question", "a1c a2c", "a?c", "#", true, false, true, "# #"},
        ReplaceCase{"wildcard_star_stops_growing", "x<b>y<i>z", "<*>", "", true, false, true, "xyz"},
        ReplaceCase{"wildcard_star_grows", "x<b>>y", "<*>", "", true, false, true, "xy"},
        ReplaceCase{"wildcard_empty_star_run", "a<>b", "<*>", "-", true, false, true, "a-b"},
        ReplaceCase{"wildcard_set", "a1b2", "[0-9]", "_", true, false, true, "a_b_"},
        ReplaceCase{"wildcard_negated_set", "a1b2", "[!0-9]", "_", true, false, true, "_1_2"},
        ReplaceCase{"wildcard_true_without_match", "abc", "x?", "y", true, false, true, "abc"},
        ReplaceCase{"sharp_s_keeps_positions", QString::fromUtf8("Straße 1"), "E 1", "e 2",
                    false, false, true, QString::fromUtf8("Straße 2")}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(StrUtils, MalformedMaskRaisesWithRoutineName)
{
    QString text = QStringLiteral("abc");
    try {
        strReplace(text, QStringLiteral("[ab"), QStringLiteral("x"), true, false);
        FAIL() << "expected an exception";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.message().startsWith(u"function strReplace: ")) << e.what();
        EXPECT_TRUE(e.message().contains(u"[AB")) << e.what();
    }
}

TEST(StrUtils, StringListIndexOf)
{
    const QStringList list = {"Das Erste", "ZDF", "arte", "ZDFneo"};
    EXPECT_EQ(stringListIndexOf(list, "ZDF", true, false), 1);
    EXPECT_EQ(stringListIndexOf(list, "zdf", true, false), -1);
    EXPECT_EQ(stringListIndexOf(list, "zdf", false, false), 1);
    EXPECT_EQ(stringListIndexOf(list, "ZDF*", true, true), 1);
    EXPECT_EQ(stringListIndexOf(list, "*neo", true, true), 3);
    EXPECT_EQ(stringListIndexOf(list, "ART?", false, true), 2);
    EXPECT_EQ(stringListIndexOf(list, "nothing", false, true), -1);
}

TEST(StrUtils, PaddingTrimmingCounting)
{
    EXPECT_EQ(fillString("15", u'0', 3, FillLeft), "015");
    EXPECT_EQ(fillString("15", u'.', 4, FillRight), "15..");
    EXPECT_EQ(fillString("1234", u'0', 3, FillLeft), "1234");

    struct {
        int mode;
        const char *removed;
        const char *blanksRemoved;
        int counted;
    } const rows[] = {
        {0, "bcb", "abc", 4},
        {1, "bcbxx", "a b c \t", 2},
        {2, "xxbcb", " \ta b c", 2},
        {3, "bcb", "a b c", 4},
    };
    for (const auto &r : rows) {
        EXPECT_EQ(removeCharacters("x", "xxbcbxx", r.mode), QString::fromLatin1(r.removed))
            << "mode " << r.mode;
        EXPECT_EQ(removeWhiteSpaces(" \ta b c \t", r.mode), QString::fromLatin1(r.blanksRemoved))
            << "mode " << r.mode;
        EXPECT_EQ(countCharacters(u'x', "xxbcbxx", r.mode), r.counted) << "mode " << r.mode;
    }
    EXPECT_EQ(removeCharacters("", "abc", 0), "abc");
}

TEST(StrUtils, ReverseAndPositions)
{
    EXPECT_EQ(reverseStr("abc"), "cba");
    // A character outside the BMP stays one character when reversed.
    const QString clef = QString::fromUtf8("a\xF0\x9D\x84\x9E" "b");
    EXPECT_EQ(reverseStr(clef), QString::fromUtf8("b\xF0\x9D\x84\x9E" "a"));
    EXPECT_EQ(textPosFromEnd("c", "abcde"), 2);
    EXPECT_EQ(textPosFromEnd("C", "abcde"), 2);
    EXPECT_EQ(textPosFromEnd("x", "abcde"), 0);
}

TEST(StrUtils, CutPrefix)
{
    EXPECT_EQ(cutPrefix("a:b:c", ":", 0), "b:c");
    EXPECT_EQ(cutPrefix("abc", ":", 0), "abc");
    EXPECT_EQ(cutPrefix("key=  value", "=", 2), "value");
    EXPECT_EQ(cutPrefix("Name: X", "NAME:", 1, false), "X");
    EXPECT_EQ(cutPrefix("Name: X", "NAME:", 1, true), "Name: X");
}

TEST(StrUtils, CutCommentGoesInnermostAndLastFirst)
{
    EXPECT_EQ(cutComment("x<a<b>c>y", "<", ">"), "xy");
    EXPECT_EQ(cutComment("a<b>c<d>e", "<", ">"), "ace");
    EXPECT_EQ(cutComment("keep<cut to end", "<", ">"), "keep");
    EXPECT_EQ(cutComment("a/*b*/c/*d*/e", "/*", "*/"), "ace");
    EXPECT_EQ(cutComment("abc", "", ">"), "abc");
    // The end is looked for from the start's last character on.
    EXPECT_EQ(cutComment("a/*/b", "/*", "*/"), "ab");
    // A cut that joins "<!" and "--" makes a start, which has no end: the rest goes.
    EXPECT_EQ(cutComment("a<!<!--x-->--b-->c", "<!--", "-->"), "ac");
    EXPECT_EQ(cutComment("a<!<!--x-->--b", "<!--", "-->"), "a");
    EXPECT_EQ(cutComment("keep<cut", "<", ""), "keep");
}

// The routine as first written, one cut at a time inside the text: slow on
// long texts, and the reference for what each cut leaves.
QString cutCommentInPlace(const QString &text, const QString &commentStart,
                          const QString &commentEnd)
{
    QString result = text;
    for (qsizetype start = result.lastIndexOf(commentStart); start >= 0;
         start = result.lastIndexOf(commentStart)) {
        const qsizetype end = commentEnd.isEmpty()
            ? -1
            : result.indexOf(commentEnd, start + commentStart.size() - 1);
        if (end < 0)
            result.truncate(start);
        else
            result.remove(start, end + commentEnd.size() - start);
    }
    return result;
}

// Short random texts over few letters meet every way starts and ends can
// overlap, nest, share characters and be joined by a cut.
TEST(StrUtils, CutCommentAgreesWithCuttingInPlace)
{
    const struct {
        const char *start;
        const char *end;
        const char *letters;
    } rows[] = {
        {"<", ">", "<>ab"},   {"/*", "*/", "/*a"},   {"<!--", "-->", "<!->a"},
        {"ab", "ba", "ab"},   {"a", "a", "ab"},      {"aa", "a", "ab"},
        {"a", "aa", "ab"},    {"aba", "bab", "ab"},  {"x", "xyx", "xy"},
        {"<", "", "<a"},      {"(", ")", "()a\xc3\xb6"},
    };
    QRandomGenerator random(2024);
    for (const auto &r : rows) {
        const QString letters = QString::fromUtf8(r.letters);
        for (int n = 0; n < 4000; ++n) {
            QString text;
            for (int length = int(random.bounded(26)); length > 0; --length)
                text += letters.at(random.bounded(int(letters.size())));
            ASSERT_EQ(cutComment(text, r.start, r.end), cutCommentInPlace(text, r.start, r.end))
                << qPrintable(text) << " " << r.start << " " << r.end;
        }
    }
}

TEST(StrUtils, XmlEntities)
{
    EXPECT_EQ(convertCharactersToXmlEntities("a&b<c>d\"e'f"),
              "a&amp;b&lt;c&gt;d&quot;e&apos;f");
    EXPECT_EQ(convertCharactersToXmlEntities("&lt;"), "&amp;lt;");
}

TEST(StrUtils, HtmlEntitiesFollowTheTableOrder)
{
    // "&" goes first, so the ampersands of later entities are not escaped again.
    EXPECT_EQ(convertCharactersToHtmlEntities("A & B-C"),
              "A&nbsp;&amp;&nbsp;B&#8209;C");
    EXPECT_EQ(convertCharactersToHtmlEntities(QString::fromUtf8("Ö1 ö2 ©")),
              "&Ouml;1&nbsp;&ouml;2&nbsp;&copy;");
    EXPECT_EQ(convertCharactersToHtmlEntities(QString::fromUtf8("\u2018x\u201D \u2122")),
              "&lsquo;x&rdquo;&nbsp;&trade;");

    // Towards characters "&amp;" goes first: an escaped entity decodes fully.
    EXPECT_EQ(convertHtmlEntitiesToCharacters("&amp;lt;"), "<");
    EXPECT_EQ(convertHtmlEntitiesToCharacters("a&semi;b&num;"), "a;b#");
    EXPECT_EQ(convertHtmlEntitiesToCharacters("&Ouml;sterreich &uuml;"),
              QString::fromUtf8("Österreich ü"));
    // Entity names are case-sensitive; a capitalised name is not an entity.
    EXPECT_EQ(convertHtmlEntitiesToCharacters("&OUML;"), "&OUML;");

    const QString every = QString::fromUtf8("&#±<=>%*@[]\\|¶©®\"«»‘’“”-°§™¦·ª÷×¤£$¢¥µ "
                                            "öüäÖÜÄ`àèìòùÀÈÌÒÙ´áéíóúÁÉÍÓÚ");
    EXPECT_EQ(convertHtmlEntitiesToCharacters(convertCharactersToHtmlEntities(every)), every);
}

TEST(StrUtils, HtmlToText)
{
    EXPECT_EQ(htmlToText("  <td><b>Das&nbsp;Erste</b></td> "), "Das Erste");
    EXPECT_EQ(htmlToText("<a href=\"x\">12.5 @ Hot Bird</a>"), "Hot Bird");
    EXPECT_EQ(htmlToText("plain"), "plain");
    // A "<" without a ">" after it is text, even with a ">" before it.
    EXPECT_EQ(htmlToText("a > b < c"), "a > b < c");
    EXPECT_EQ(htmlToText("<b>a</b> < c"), "a");

    // A line of many tags, as a broken page may hold, loses every one.
    QString line = QStringLiteral("<td>");
    QString expected;
    for (int i = 0; i < 20000; ++i) {
        line += QStringLiteral("<b>x</b> ");
        expected += QStringLiteral("x ");
    }
    expected.chop(1);
    EXPECT_EQ(htmlToText(line), expected);
    EXPECT_EQ(htmlToText(line + QStringLiteral("<i>@ tail")), QStringLiteral("tail"));
}

TEST(StrUtils, RomanNumerals)
{
    EXPECT_EQ(decToRoman(1994), "MCMXCIV");
    EXPECT_EQ(decToRoman(0), "");
    EXPECT_EQ(decToRoman(4), "IV");
    EXPECT_EQ(decToRoman(-5), "");
    EXPECT_EQ(decToRoman(kMaxRomanValue + 1), decToRoman(kMaxRomanValue));
    EXPECT_EQ(decToRoman(std::numeric_limits<qint64>::max()).size(), 100);

    EXPECT_EQ(decToRomanInStr("A7 B"), "A VIIB");
    EXPECT_EQ(decToRomanInStr("Sport 1"), "Sport I");
    EXPECT_EQ(decToRomanInStr("3sat"), "sIIIat");
    EXPECT_EQ(decToRomanInStr("no digits"), "no digits");
    // A long run of digits saturates instead of overflowing.
    EXPECT_EQ(decToRomanInStr("X99999999999999999999999999"), "X" + decToRoman(kMaxRomanValue));
    EXPECT_EQ(decToRomanInStr("100001-"), "-" + decToRoman(kMaxRomanValue));
}

TEST(StrUtils, HexNumbers)
{
    EXPECT_TRUE(isHexNumber(u"00fA"));
    EXPECT_FALSE(isHexNumber(u"0x1"));
    EXPECT_FALSE(isHexNumber(u""));
    EXPECT_FALSE(isHexNumber(u" 1"));
    EXPECT_TRUE(isDecimalNumber(u"0123456789"));
    for (const char16_t *refused : {u"", u"abc", u"12a", u"-1", u"+1", u" 1", u"1.5", u"\u0663"})
        EXPECT_FALSE(isDecimalNumber(refused)) << QString::fromUtf16(refused).toStdString();

    EXPECT_EQ(hexToDecText(u"1234"), "4660");
    EXPECT_EQ(hexToDecText(u"ffffffff"), "4294967295");
    EXPECT_EQ(hexToDecText(u"100000000"), "0");
    EXPECT_EQ(hexToDecText(u"zz"), "0");
    // One buffer written again and again, shorter after longer, while a copy
    // of an earlier text still shares it.
    QString into;
    QString kept;
    for (const auto &[hex, decimal] : {std::pair{u"ffffffff", "4294967295"}, std::pair{u"1234", "4660"},
                                       std::pair{u"0", "0"}, std::pair{u"zz", "0"},
                                       std::pair{u"a", "10"}}) {
        hexToDecText(hex, into);
        EXPECT_EQ(into, QLatin1String(decimal)) << decimal;
        if (!kept.isEmpty())
            EXPECT_EQ(kept, "4294967295");
        else
            kept = into;
    }
    EXPECT_EQ(decToHexText(u"4660"), "1234");
    EXPECT_EQ(decToHexText(u"10"), "000A");
    EXPECT_EQ(decToHexText(u"1048575"), "FFFFF");
    EXPECT_EQ(decToHexText(u"12a"), "0000");
    EXPECT_EQ(decToHexText(u"-1"), "0000");
    EXPECT_EQ(decToHexText(u" 1"), "0000");
    EXPECT_EQ(decToHexText(u""), "0000");
}

TEST(TextCompare, UpperKeepsEveryCharacterInPlace)
{
    const QString text = QString::fromUtf8("straße ǆ ﬁ");
    EXPECT_EQ(upperText(text).size(), text.size());
    EXPECT_EQ(upperText(QString::fromUtf8("ä é я")), QString::fromUtf8("Ä É Я"));
    EXPECT_TRUE(sameUpper(u"2ee3", u"2EE3"));
    EXPECT_FALSE(sameUpper(u"01", u"0001"));
    EXPECT_TRUE(sameText(QString::fromUtf8("ÖRF"), QString::fromUtf8("örf")));
}

TEST(TextCompare, SortOrderIsCaseInsensitive)
{
    EXPECT_LT(compareText("alpha", "Beta"), 0);
    EXPECT_GT(compareText("beta", "Alpha"), 0);
    EXPECT_EQ(compareText("Zdf", "zdf") == 0, QString::compare("Zdf", "zdf", Qt::CaseInsensitive) == 0);
}

// Sorting with texts folded or collated once must give exactly the order of
// comparing them pairwise, ties and all.
TEST(TextCompare, SortOrderFollowsTheComparisonInEveryLocale)
{
    const QStringList names = {
        "Das Erste HD", "das erste hd", "ZDF", "zdf", "Zdf", "ÖRF 1", "Orf 2", "ORF III",
        "Ärzte TV", "Aerzte", "arte", "ARTE", "Arte HD", "Süd-West", "Sued West", "SüdWest",
        "Первый канал", "Россия 1", "НТВ", "нтв", "Εθνική", "ΣΚΑΪ", "قناة", "Rock & Pop",
        "Rock &amp; Pop", "  leading", "trailing  ", "", "3sat", "3 Sat", "Ç TV", "C TV",
        "Straße", "STRASSE", "strasse", "Éclair", "eclair", "Eclair", "日本", "a-b", "a b", "ab",
        "Ñ", "N", "ñ", "1-2-3", "123", "(test)", "[test]", "test", "Service 12345",
        "service 12346", "SERVICE 1234", "Service 123456789", "Service 12345678", "𐐀bc", "𐐨bc",
        "Ab𐐀", "ab𐐨", "Abcdefghijk𐐀", "abcdefghijk𐐨", QString(QChar(0)) + "x", "", "\uffff",
        QString(QChar(0xD800)) + "a", QString(QChar(0xDFFF)), "ǅ", "ǆ", "Ǆ", "ſ", "s", "ẞ", "ß"};
    const auto check = [&] {
        std::vector<QStringView> views(names.cbegin(), names.cend());
        std::vector<std::uint32_t> expected(names.size());
        for (std::uint32_t i = 0; i < expected.size(); ++i)
            expected[i] = i;
        std::stable_sort(expected.begin(), expected.end(), [&](std::uint32_t a, std::uint32_t b) {
            return compareText(names[a], names[b]) < 0;
        });
        EXPECT_EQ(textSortOrder(views), expected);
        // Reversed input: equal texts keep their new order.
        std::reverse(views.begin(), views.end());
        std::vector<std::uint32_t> reversed(names.size());
        for (std::uint32_t i = 0; i < reversed.size(); ++i)
            reversed[i] = i;
        std::stable_sort(reversed.begin(), reversed.end(), [&](std::uint32_t a, std::uint32_t b) {
            return compareText(views[a].toString(), views[b].toString()) < 0;
        });
        EXPECT_EQ(textSortOrder(views), reversed);
    };
    // Each thread collates in the default locale of its first comparison.
    const QLocale before;
    for (const QLocale &locale : {QLocale::c(), QLocale(QLocale::German, QLocale::Germany),
                                  QLocale(QLocale::Russian, QLocale::Russia)}) {
        SCOPED_TRACE(locale.name().toStdString());
        QLocale::setDefault(locale);
        std::thread(check).join();
    }
    QLocale::setDefault(before);
}

} // namespace
