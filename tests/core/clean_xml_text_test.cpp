#include "core/util/str_utils.h"

#include "qt_print.h"

#include <gtest/gtest.h>

namespace {

struct CleanCase {
    const char *label;
    QString text;
    QString clean;
};

QString units(std::initializer_list<char16_t> codeUnits)
{
    QString text;
    for (char16_t u : codeUnits)
        text += QChar(u);
    return text;
}

class CleanXmlText : public testing::TestWithParam<CleanCase> {};

TEST_P(CleanXmlText, LeavesOutWhatNoXmlFileCanHold)
{
    EXPECT_EQ(cleanXmlText(GetParam().text), GetParam().clean);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CleanXmlText,
    testing::Values(
        CleanCase{"empty", QString(), QString()},
        CleanCase{"plain_names_are_kept", QString::fromUtf8("Das Erste & \xC3\x9C \xD0\xA2"),
                  QString::fromUtf8("Das Erste & \xC3\x9C \xD0\xA2")},
        CleanCase{"tab_line_feed_and_carriage_return_are_kept", "a\tb\nc\rd", "a\tb\nc\rd"},
        CleanCase{"other_c0_controls_go", units({0, 'a', 1, 8, 0x0B, 0x0C, 0x0E, 0x1F, 'b'}), "ab"},
        CleanCase{"delete_and_c1_controls_are_characters_in_xml_1_0",
                  units({'a', 0x7F, 0x85, 0x9F}), units({'a', 0x7F, 0x85, 0x9F})},
        CleanCase{"fffe_and_ffff_go", units({'a', 0xFFFE, 0xFFFF, 'b'}), "ab"},
        CleanCase{"fffd_and_private_use_stay", units({0xFFFD, 0xE000, 0xF8FF}),
                  units({0xFFFD, 0xE000, 0xF8FF})},
        CleanCase{"pairs_stay", units({'a', 0xD83D, 0xDE00, 0xDBFF, 0xDFFF}),
                  units({'a', 0xD83D, 0xDE00, 0xDBFF, 0xDFFF})},
        CleanCase{"lone_surrogates_go", units({0xD800, 'a', 0xDC00, 'b', 0xDBFF}), "ab"},
        CleanCase{"a_swapped_pair_goes", units({0xDC00, 0xD800, 'x'}), "x"},
        CleanCase{"a_high_surrogate_before_a_pair_goes_alone",
                  units({0xD800, 0xD83D, 0xDE00}), units({0xD83D, 0xDE00})}),
    [](const testing::TestParamInfo<CleanCase> &info) { return std::string(info.param.label); });

TEST(WebPageNames, ComeWithoutCharactersXmlCannotHold)
{
    EXPECT_EQ(htmlToText(QStringLiteral("<td><b>Das") + QChar(0x0001)
                         + QStringLiteral(" &amp; Erste") + QChar(0xFFFF)
                         + QStringLiteral("</b></td>")),
              QStringLiteral("Das & Erste"));
}

} // namespace
