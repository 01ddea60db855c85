#include "exchange/mapping_file.h"
#include "exchange/stamp_names.h"

#include "qt_print.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

TEST(MappingFile, NamesAreComparedExactly)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("DiSEqCMapping.dat");
    writeBytes(path, "Astra 19.2E|1\r\nHotbird 13.0E|2\r\nSat*|3\r\nA|B|4\r\n");
    TMappingFile mapping;
    mapping.Load(path);
    const struct {
        const char *name;
        const char *value;
    } rows[] = {
        {"Astra 19.2E", "1"},
        {"astra 19.2e", "none"},   // case counts
        {"Astra*", "none"},        // a star is a character, not a mask
        {"Astra 19.2?", "none"},
        {"Sat*", "3"},
        {"Satellite", "none"},     // the line "Sat*" is not a mask either
        {"A|B", "4"},              // the value follows the last separator
        {"A", "none"},
        {"", "none"},
    };
    for (const auto &r : rows)
        EXPECT_EQ(mapping.Value(QString::fromLatin1(r.name), "none"), QString::fromLatin1(r.value))
            << r.name;
}

TEST(MappingFile, AWildcardNameNeverOverwritesAnotherLine)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("DiSEqCMapping.dat");
    writeBytes(path, "Astra 19.2E|1\r\nHotbird 13.0E|2\r\n");
    TMappingFile mapping;
    mapping.Load(path);
    mapping.Set("*", "9");
    mapping.Set("Hotbird 13.0?", "8");
    mapping.Set("Hotbird 13.0E", "5");
    QString error;
    ASSERT_TRUE(mapping.Save(path, error)) << error.toStdString();
    EXPECT_EQ(readBytes(path), "Astra 19.2E|1\r\nHotbird 13.0E|5\r\n*|9\r\nHotbird 13.0?|8\r\n");
}

TEST(MappingFile, ReadsUtf8AndOlderWindowsFiles)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("map.dat");
    const struct {
        const char *name;
        QByteArray bytes;
    } rows[] = {
        {"utf8", "T\xc3\xbcrksat 42E|3\r\n"},
        {"windows_1252", "T\xfcrksat 42E|3\r\n"},
        {"lf_only", "T\xc3\xbcrksat 42E|3\n"},
    };
    for (const auto &r : rows) {
        writeBytes(path, r.bytes);
        TMappingFile mapping;
        mapping.Load(path);
        EXPECT_EQ(mapping.Value(QString::fromUtf8("T\xc3\xbcrksat 42E"), "none"), "3") << r.name;
    }
    // What is written again is UTF-8.
    TMappingFile mapping;
    mapping.Load(path);
    QString error;
    ASSERT_TRUE(mapping.Save(path, error));
    EXPECT_EQ(readBytes(path), "T\xc3\xbcrksat 42E|3\r\n");
    // No file: nothing mapped.
    mapping.Load(dir.filePath("missing.dat"));
    EXPECT_TRUE(mapping.Lines().isEmpty());
}

TEST(StampNames, PlaceholdersInAnyCase)
{
    const QDateTime now(QDate(2024, 3, 7), QTime(9, 5, 7));
    EXPECT_EQ(expandDateTime("Backup_%DATE%_%TIME%", now), "Backup_2024-03-07_09.05.07");
    EXPECT_EQ(expandDateTime("b_%date%_%Time%_%DATE%", now), "b_2024-03-07_09.05.07_2024-03-07");
    EXPECT_EQ(expandDateTime("Fixed", now), "Fixed");
}

} // namespace
