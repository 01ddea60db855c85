#include "ui_test_support.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray utf16(const QString &text, bool littleEndian)
{
    QByteArray bytes = littleEndian ? QByteArray("\xFF\xFE", 2) : QByteArray("\xFE\xFF", 2);
    for (const QChar c : text) {
        const char lo = char(c.unicode() & 0xFF);
        const char hi = char(c.unicode() >> 8);
        bytes.append(littleEndian ? lo : hi);
        bytes.append(littleEndian ? hi : lo);
    }
    return bytes;
}

struct LoadCase {
    const char *name;
    QByteArray content;
    QList<QStringList> rows;
};

class LoadFromTextFile : public ::testing::TestWithParam<LoadCase> {};

TEST_P(LoadFromTextFile, ReadsRowsAndFields)
{
    const LoadCase &c = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("list.txt"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(c.content);
    file.close();

    GridFixture f;
    for (int k = 0; k < 3; ++k)
        f.grid.Columns()->Add<TLgTextColumn>();
    f.grid.AddRow(2); // replaced by the file
    ASSERT_TRUE(f.grid.LoadFromTextFile(path, u';'));
    ASSERT_EQ(f.grid.RowCount(), c.rows.size());
    for (int r = 0; r < c.rows.size(); ++r)
        for (int col = 0; col < 3; ++col)
            EXPECT_EQ(f.grid.Cells(col, r), c.rows[r].value(col)) << r << "," << col;
}

INSTANTIATE_TEST_SUITE_P(
    Files, LoadFromTextFile,
    ::testing::Values(
        LoadCase{"plain_lines", "a;b;c\r\nd;e;f\r\n", {{"a", "b", "c"}, {"d", "e", "f"}}},
        LoadCase{"missing_last_line_feed", "a;b\nlast", {{"a", "b"}, {"last"}}},
        LoadCase{"extra_fields_are_ignored", "1;2;3;4;5\nx\n", {{"1", "2", "3"}, {"x"}}},
        LoadCase{"quotes_keep_the_delimiter", "\"a;b\";\"say \"\"hi\"\"\"\n",
                 {{"a;b", "say \"hi\""}}},
        LoadCase{"quote_inside_text_is_kept", "5\" disk;x\n", {{"5\" disk;x"}}},
        LoadCase{"utf16_little_endian",
                 utf16(QString::fromUtf8("Κανάλι;ü\nzwei;drei\n"), true),
                 {{QString::fromUtf8("Κανάλι"), QString::fromUtf8("ü")}, {"zwei", "drei"}}},
        LoadCase{"utf16_big_endian", utf16(QString::fromUtf8("Первый;2"), false),
                 {{QString::fromUtf8("Первый"), "2"}}},
        LoadCase{"eight_bit_latin1", QByteArray("caf\xE9;x\n"), {{QString::fromUtf8("café"), "x"}}},
        LoadCase{"eight_bit_windows_1252", QByteArray("\x80uro;\x84x\x93\n"),
                 {{QString::fromUtf8("€uro"), QString::fromUtf8("„x“")}}},
        LoadCase{"utf8_byte_order_mark", QByteArray("\xEF\xBB\xBFName;Nr\n"), {{"Name", "Nr"}}},
        LoadCase{"empty_file", QByteArray(), {}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(LoadFromTextFileMissing, ReportsFalse)
{
    GridFixture f;
    f.grid.Columns()->Add<TLgTextColumn>();
    EXPECT_FALSE(f.grid.LoadFromTextFile(QStringLiteral("/nonexistent/file.txt"), u','));
    EXPECT_EQ(f.grid.RowCount(), 0);
}

} // namespace
