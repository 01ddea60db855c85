#include "core/util/messages.h"

#include "model_builders.h"

#include <gtest/gtest.h>

namespace {

TEST(Messages, CatalogueIdsAreInTheirRange)
{
    const QList<int> ids = builtinMessageIds();
    ASSERT_FALSE(ids.isEmpty());
    for (int id : ids) {
        EXPECT_GE(id, kFirstMessageId);
        EXPECT_LE(id, kLastMessageId);
        EXPECT_FALSE(builtinMessage(id).isEmpty()) << id;
    }
    EXPECT_TRUE(builtinMessage(kFirstMessageId - 1).isEmpty());
}

TEST(Messages, TranslationWinsAndFallsBack)
{
    EXPECT_EQ(msg(MsgIndexOutOfBounds), "Index out of bounds.");
    setMessageTranslation([](int id) -> std::optional<QString> {
        if (id == MsgIndexOutOfBounds)
            return QStringLiteral("Index außerhalb des Bereichs.");
        return std::nullopt;
    });
    EXPECT_EQ(msg(MsgIndexOutOfBounds), QString::fromUtf8("Index außerhalb des Bereichs."));
    EXPECT_EQ(msg(MsgInvalidMask), builtinMessage(MsgInvalidMask));
    setMessageTranslation({});
    EXPECT_EQ(msg(MsgIndexOutOfBounds), "Index out of bounds.");
}

struct FormatCase {
    const char *name;
    QString templ;
    QString arg1;
    QString arg2;
    QString expected;
};

class FormatMsgTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatMsgTest, FillsPlaceholders)
{
    const auto &c = GetParam();
    EXPECT_EQ(FormatMsg2(c.templ, c.arg1, c.arg2), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, FormatMsgTest,
    ::testing::Values(
        FormatCase{"both", "FTP: Getting %1 failed (%2).", "a.xml", "500", "FTP: Getting a.xml failed (500)."},
        FormatCase{"every_occurrence", "%1/%1 %2%2", "x", "y", "x/x yy"},
        FormatCase{"percent_two_inside_first_arg_stays", "File %1: %2", "50%2off", "gone",
                   "File 50%2off: gone"},
        FormatCase{"percent_one_inside_second_arg_stays", "%1 %2", "a", "%1", "a %1"},
        FormatCase{"lone_percent", "100% %1", "sure", "", "100% sure"},
        FormatCase{"other_digits_untouched", "%3 %10", "x", "y", "%3 x0"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(Messages, FormatMsg1LeavesSecondPlaceholder)
{
    EXPECT_EQ(FormatMsg1("%1 and %2", "one"), "one and %2");
}

} // namespace
