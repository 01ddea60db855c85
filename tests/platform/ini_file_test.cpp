#include "platform/ini_file.h"
#include "qt_print.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString kSettings = QStringLiteral("; written by hand\n"
                                         "[General]\n"
                                         "notFirstStartUp=1\n"
                                         "  lastImportDir =  /home/user/lists  \n"
                                         "\n"
                                         "[LastVars]\n"
                                         "; the receiver\n"
                                         "ip=192.168.015.024\n"
                                         "futureKey=kept\n"
                                         "[general]\n"
                                         "late=yes\n");

TEST(IniFile, ReadsIgnoringCaseAndKeepsRawValues)
{
    const IniFile ini = IniFile::fromText(kSettings);
    EXPECT_EQ(ini.sectionNames(), QStringList({"General", "LastVars"}));
    EXPECT_EQ(ini.readString("GENERAL", "LastImportDir"), "/home/user/lists");
    EXPECT_EQ(ini.readString("general", "late"), "yes"); // a repeated section continues
    EXPECT_EQ(ini.readString("LastVars", "IP"), "192.168.015.024");
    EXPECT_EQ(ini.readString("LastVars", "missing", "default"), "default");
    EXPECT_FALSE(ini.value("Nowhere", "ip").has_value());
    EXPECT_EQ(ini.sectionKeys("lastvars"), QStringList({"ip", "futureKey"}));
}

// Only blanks and tabs are trimmed: other white space is part of a value
// (a scrambled password may begin or end with U+00A0 or U+0085).
TEST(IniFile, OnlyBlanksAndTabsAreTrimmed)
{
    const QString value = QString(QChar(0x85)) + "pass" + QChar(0xA0);
    IniFile written;
    written.writeString("GUISettings", "password", value);
    const IniFile back = IniFile::fromText(decodeIniBytes(written.toText().toUtf8()));
    EXPECT_EQ(back.readString("GUISettings", "password"), value);
    EXPECT_EQ(IniFile::fromText("[S]\n\t key \t=\t v w \t\n").readString("S", "key"), "v w");
}

TEST(IniFile, WritingKeepsEverythingElseInPlace)
{
    IniFile ini = IniFile::fromText(kSettings);
    // "late" came from the repeated section, so new keys follow it.
    ini.writeString("lastvars", "IP", "127.000.000.001");
    ini.writeString("General", "newKey", "new");
    ini.writeString("Tools", "telnet", "x-terminal-emulator");
    ini.eraseKey("General", "late");
    EXPECT_EQ(ini.toText(), QStringLiteral("; written by hand\n"
                                           "[General]\n"
                                           "notFirstStartUp=1\n"
                                           "lastImportDir=/home/user/lists\n"
                                           "\n"
                                           "newKey=new\n"
                                           "[LastVars]\n"
                                           "; the receiver\n"
                                           "ip=127.000.000.001\n"
                                           "futureKey=kept\n"
                                           "[Tools]\n"
                                           "telnet=x-terminal-emulator\n"));
    ini.eraseSection("TOOLS");
    EXPECT_FALSE(ini.sectionExists("Tools"));
}

TEST(IniFile, FilesRoundTripAndDecode)
{
    QTemporaryDir dir;
    const QString name = dir.filePath("pelloran.ini");
    IniFile ini;
    EXPECT_FALSE(ini.load(dir.filePath("missing.ini")));
    ini.writeString("General", "caption", QString::fromUtf8("Первый канал"));
    ASSERT_TRUE(ini.save(name));
    IniFile back;
    ASSERT_TRUE(back.load(name));
    EXPECT_EQ(back.readString("general", "caption"), QString::fromUtf8("Первый канал"));

    // Files written on Windows: Windows-1252 bytes, CR LF line ends.
    QFile old(name);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("[Misc]\r\nname=Stra\xdf" "e \x80 5\r\n");
    old.close();
    ASSERT_TRUE(back.load(name));
    EXPECT_EQ(back.readString("Misc", "name"), QString::fromUtf8("Straße € 5"));
    EXPECT_EQ(decodeIniBytes("\xef\xbb\xbf[A]"), "[A]");

    // A save into a folder that does not exist fails and says why.
    QString error;
    EXPECT_FALSE(ini.save(dir.filePath("no/such/folder/x.ini"), &error));
    EXPECT_FALSE(error.isEmpty());
}

} // namespace
