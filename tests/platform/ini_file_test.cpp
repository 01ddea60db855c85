#include "platform/ini_file.h"
#include "qt_print.h"

#include <QFile>
#include <QStringEncoder>
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
    const IniFile back = IniFile::fromBytes(written.toText().toUtf8());
    EXPECT_EQ(back.readString("GUISettings", "password"), value);
    EXPECT_EQ(IniFile::fromText("[S]\n\t key \t=\t v w \t\n").readString("S", "key"), "v w");
}

QByteArray encoded(QStringConverter::Encoding encoding, const char *utf8)
{
    QStringEncoder encoder(encoding, QStringEncoder::Flag::WriteBom);
    return encoder(QString::fromUtf8(utf8));
}

// Each line of a file is read on its own: one line typed in a Latin-1 editor
// leaves every other line as it was written; a header is what the profile
// functions call one, whatever follows its "]". Saved and read again, every
// value is the same.
TEST(IniFile, FileBytesReadLineByLine)
{
    struct Row {
        const char *label;
        QByteArray bytes;
        const char *section;
        const char *key;
        const char *value; // UTF-8
        bool windows1252;
    };
    const Row rows[] = {
        {"utf8 beside a latin-1 comment", "; caf\xE9\n[S]\nname=Gr\xC3\xBC\xC3\x9F" "e\n", "S", "name",
         "Grüße", false},
        {"the latin-1 line itself", "[S]\nname=Gr\xFC\xDF" "e\r\nother=\xC3\xA9\r\n", "S", "name", "Grüße", true},
        {"utf8 after a latin-1 line", "[S]\nname=Gr\xFC\xDF" "e\r\nother=\xC3\xA9\r\n", "S", "other", "é", false},
        {"windows-1252 above latin-1", "[S]\r\nprice=\x80 5\r\n", "S", "price", "€ 5", true},
        {"utf8 mark and a latin-1 line", "\xEF\xBB\xBF[S]\nname=caf\xE9\n", "S", "name", "café", true},
        {"utf16 little endian", encoded(QStringConverter::Utf16LE, "[S]\r\nname=Grüße €\r\n"), "S", "name",
         "Grüße €", false},
        {"utf16 big endian", encoded(QStringConverter::Utf16BE, "[S]\nname=Первый\n"), "S", "name", "Первый",
         false},
        {"header with a comment", "[Misc]\nip=0\n[GUISettings] ; receiver\nip=127.000.000.001\n", "GUISettings",
         "ip", "127.000.000.001", false},
        {"header with text after it", "[Misc]\n  [GUISettings]x=1 \nip=127.000.000.001\n", "GUISettings", "ip",
         "127.000.000.001", false},
        {"header without a close is a key", "[Misc]\n[GUISettings ; open\nip=1\n", "Misc", "ip", "1", false},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.label);
        const IniFile ini = IniFile::fromBytes(r.bytes);
        EXPECT_EQ(ini.value(r.section, r.key), QString::fromUtf8(r.value));
        EXPECT_EQ(ini.readAsWindows1252(r.section, r.key), r.windows1252);
        IniFile back = IniFile::fromBytes(ini.toText().toUtf8());
        EXPECT_EQ(back.value(r.section, r.key), QString::fromUtf8(r.value));
        EXPECT_FALSE(back.readAsWindows1252(r.section, r.key));
        // A value written anew is this program's own again.
        IniFile written = ini;
        written.writeString(r.section, r.key, "x");
        EXPECT_FALSE(written.readAsWindows1252(r.section, r.key));
    }
    const IniFile commented = IniFile::fromBytes("[GUISettings] ; receiver\nip=1\n");
    EXPECT_EQ(commented.sectionNames(), QStringList({"GUISettings"}));
    EXPECT_EQ(commented.toText(), "[GUISettings] ; receiver\nip=1\n");
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

struct NameCase {
    const char *label;
    const char *written;
    const char *asked;
    bool same;
};

class IniFileNames : public testing::TestWithParam<NameCase> {};

// Sections and keys are found through a hash of their names in long files
// and sections, by scanning in short ones: both must call the same names the
// same as the case-blind comparison does, letters that change length or
// have no simple capital included.
TEST_P(IniFileNames, AreTheSameWhereTheyCompareTheSame)
{
    const NameCase &c = GetParam();
    const QString written = QString::fromUtf8(c.written);
    const QString asked = QString::fromUtf8(c.asked);
    for (const int filler : {0, 40}) {
        QString text;
        for (int i = 0; i < filler; ++i)
            text += QStringLiteral("[other%1]\nx=1\n").arg(i);
        text += u'[' + written + QStringLiteral("]\n");
        for (int i = 0; i < filler; ++i)
            text += QStringLiteral("other%1=1\n").arg(i);
        text += written + QStringLiteral("=found\n");
        IniFile ini = IniFile::fromText(text);
        EXPECT_EQ(ini.sectionExists(asked), c.same) << filler;
        EXPECT_EQ(ini.value(written, asked).has_value(), c.same) << filler;
        EXPECT_EQ(ini.readString(asked, written), c.same ? "found" : "") << filler;

        ini.writeString(asked, asked, QStringLiteral("written"));
        EXPECT_EQ(ini.readString(written, written), c.same ? "written" : "found") << filler;
        EXPECT_EQ(ini.sectionNames().size(), filler + (c.same ? 1 : 2)) << filler;
        ini.eraseKey(written, asked);
        EXPECT_EQ(ini.value(written, written).has_value(), !c.same) << filler;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniFileNames,
    testing::Values(NameCase{"ascii", "LastVars", "lASTvARS", true},
                    NameCase{"umlauts", "Größe", "GRÖßE", true},
                    NameCase{"capital_sharp_s", "Straße", "STRAẞE", true},
                    NameCase{"sharp_s_is_not_ss", "Straße", "STRASSE", false},
                    NameCase{"final_sigma", "ΟΔΟΣ", "οδος", true},
                    NameCase{"kelvin_sign", "\u212Aey", "key", true},
                    NameCase{"dotted_capital_i", "\u0130d", "id", false},
                    NameCase{"outside_the_basic_plane", "\U00010400x", "\U00010428X", true},
                    NameCase{"different", "Tools", "Tool", false}),
    [](const testing::TestParamInfo<NameCase> &info) { return std::string(info.param.label); });

// A file of thousands of sections, some written twice in another case: each
// repeat continues the first, the first of a repeated key is the one read and
// written, and writing keeps every line where it was.
TEST(IniFile, ThousandsOfSectionsKeepTheirOrderAndRepeats)
{
    constexpr int kSections = 3000;
    QString text;
    for (int i = 0; i < kSections; ++i)
        text += QStringLiteral("[S%1]\nk=v%1\nk=second\n").arg(i);
    for (int i = 0; i < kSections; i += 7)
        text += QStringLiteral("[s%1]\nlate=x%1\n").arg(i);
    IniFile ini = IniFile::fromText(text);
    ASSERT_EQ(ini.sectionNames().size(), kSections);
    EXPECT_EQ(ini.sectionNames().at(kSections - 1), QStringLiteral("S%1").arg(kSections - 1));
    EXPECT_EQ(ini.readString("s2999", "K"), "v2999");
    EXPECT_EQ(ini.readString("S2996", "LATE"), "x2996");
    EXPECT_FALSE(ini.value("S2997", "late").has_value());

    ini.writeString("s1400", "K", "new");
    ini.writeString("S1400", "added", "a");
    ini.writeString("Fresh", "f", "1");
    ini.eraseKey("S0", "k");
    QString expected;
    for (int i = 0; i < kSections; ++i) {
        expected += QStringLiteral("[S%1]\n").arg(i);
        if (i != 0)
            expected += QStringLiteral("k=%1\nk=second\n").arg(i == 1400 ? QStringLiteral("new")
                                                                           : QStringLiteral("v%1").arg(i));
        if (i % 7 == 0)
            expected += QStringLiteral("late=x%1\n").arg(i);
        if (i == 1400)
            expected += QStringLiteral("added=a\n");
    }
    expected += QStringLiteral("[Fresh]\nf=1\n");
    EXPECT_EQ(ini.toText(), expected);
}

// A section long enough to be indexed: keys added go before its trailing
// blank lines, one after the other, and erasing a key leaves every other key
// found where it now is.
TEST(IniFile, LongSectionsFindEveryKeyAfterEachChange)
{
    QString text = QStringLiteral("[Big]\n");
    for (int i = 0; i < 40; ++i)
        text += QStringLiteral("key%1=v%1\n").arg(i);
    text += QStringLiteral("KEY3=again\n; note\n\n  \n[Next]\nn=1\n");
    IniFile ini = IniFile::fromText(text);
    EXPECT_EQ(ini.readString("big", "key3"), "v3");

    // Writing a key just added changes it, adds no second line.
    ini.writeString("Big", "extra1", "first");
    ini.writeString("Big", "extra2", "e2");
    ini.writeString("Big", "EXTRA1", "e1");
    ini.eraseKey("Big", "key3");
    EXPECT_FALSE(ini.value("Big", "KEY3").has_value());
    ini.writeString("Big", "key39", "w");
    for (int i = 0; i < 39; ++i) {
        if (i == 3)
            continue;
        EXPECT_EQ(ini.readString("Big", QStringLiteral("KEY%1").arg(i)), QStringLiteral("v%1").arg(i));
    }
    ini.writeString("Big", "extra3", "e3");
    ini.writeString("Big", "key3", "again");
    ini.writeString("Big", "KEY3", "back");
    EXPECT_TRUE(ini.toText().endsWith(QStringLiteral("key38=v38\nkey39=w\n; note\nextra1=e1\n"
                                                     "extra2=e2\nextra3=e3\nkey3=back\n\n  \n"
                                                     "[Next]\nn=1\n")))
        << ini.toText().right(200).toStdString();
    EXPECT_EQ(ini.readString("Big", "EXTRA2"), "e2");
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
    EXPECT_EQ(IniFile::fromBytes("\xef\xbb\xbf[A]\nk=v").readString("A", "k"), "v");

    // A save into a folder that does not exist fails and says why.
    QString error;
    EXPECT_FALSE(ini.save(dir.filePath("no/such/folder/x.ini"), &error));
    EXPECT_FALSE(error.isEmpty());
}

} // namespace
