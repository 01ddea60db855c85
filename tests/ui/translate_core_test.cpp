#include "ui_test_support.h"

#include "core/util/exception.h"
#include "core/util/messages.h"
#include "ui/translate/lang_core.h"
#include "ui/translate/lang_ini_file.h"
#include "ui/translate/lang_literal.h"
#include "ui/translate/lang_manager.h"
#include "ui/translate/lang_properties.h"

#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QSpinBox>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

const QString kFixtureLangDir = QStringLiteral(PELLORAN_FIXTURES_DIR "/ui/lang");

struct LiteralCase {
    const char *name;
    const char *value;
    const char *expected;
};

class LangLiteralTest : public ::testing::TestWithParam<LiteralCase> {};

TEST_P(LangLiteralTest, Decodes)
{
    const LiteralCase &c = GetParam();
    EXPECT_EQ(decodeLangLiteral(QString::fromUtf8(c.value)), QString::fromUtf8(c.expected)) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Values, LangLiteralTest,
    ::testing::Values(
        LiteralCase{"quoted text", "'Hello'", "Hello"},
        LiteralCase{"doubled quote inside", "'It''s'", "It's"},
        LiteralCase{"two quotes alone", "''", ""},
        LiteralCase{"shorter than two characters", "'", ""},
        LiteralCase{"single plain character", "x", ""},
        LiteralCase{"plain text unchanged", "No quotes here", "No quotes here"},
        LiteralCase{"line break between texts", "'One'#13#10'Two'", "One\r\nTwo"},
        LiteralCase{"code before text", "#65'B'", "AB"},
        LiteralCase{"unterminated", "'abc", ""},
        LiteralCase{"letter after closing quote", "'abc'x", ""},
        LiteralCase{"hash without digits", "'a'#'b'", "a\xc3\xbf" "b"},
        LiteralCase{"hash inside quotes is text", "'#13'", "#13"},
        LiteralCase{"codes wrap modulo 256", "#321", "A"},
        LiteralCase{"very long code wraps, never overflows", "#99999999999999999990", "\xc3\xb6"},
        LiteralCase{"doubled quote outside adds nothing", "ab''c", "abc"}),
    [](const auto &info) {
        std::string name = info.param.name;
        for (char &ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return name;
    });

TEST(LangListTest, SplitsCommaTextWithQuotes)
{
    EXPECT_EQ(splitLangList(u"'Eins','Zwei, drei',Vier"),
              (QStringList{QStringLiteral("Eins"), QStringLiteral("Zwei, drei"), QStringLiteral("Vier")}));
    EXPECT_EQ(splitLangList(u"'It''s'"), QStringList{QStringLiteral("It's")});
    EXPECT_TRUE(splitLangList(u"").isEmpty());
}

TEST(LangIniFileTest, ReadsSectionsAndKeysIgnoringCase)
{
    const auto ini = TLangIniFile::fromText(QStringLiteral(
        "; comment\n[ResourceStrings]\n a = 'x' \nB='y'\na='second'\n[resourcestrings]\nc=z\nnoequals\n"));
    EXPECT_TRUE(ini.SectionExists(QStringLiteral("RESOURCESTRINGS")));
    EXPECT_EQ(ini.ReadSectionKeys(QStringLiteral("ResourceStrings")),
              (QStringList{QStringLiteral("a"), QStringLiteral("B"), QStringLiteral("a"),
                           QStringLiteral("c"), QStringLiteral("noequals")}));
    EXPECT_EQ(ini.ReadString(QStringLiteral("ResourceStrings"), QStringLiteral("A")), QStringLiteral("'x'"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("Missing"), QStringLiteral("a"), QStringLiteral("d")),
              QStringLiteral("d"));
}

// Each test gets its own program folder with a "Language" sub-folder.
class LangCoreTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("Language")));
    }

    QString langDir() const { return m_dir.path() + QStringLiteral("/Language"); }

    void writeLang(const QString &fileName, const QByteArray &content) const
    {
        QFile file(langDir() + u'/' + fileName);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    QTemporaryDir m_dir;
};

TEST_F(LangCoreTest, PicksEnglishElseTheFirstFileElseNone)
{
    {
        TLangCore core(m_dir.path());
        EXPECT_EQ(core.currentLang(), QString()) << "no language files at all";
        EXPECT_EQ(core.langCount(), 0);
        EXPECT_EQ(msg(MsgIndexOutOfBounds), QStringLiteral("Index out of bounds."));
    }
    writeLang(QStringLiteral("German.lng"), "[ResourceStrings]\n");
    writeLang(QStringLiteral("notes.txt"), "");
    {
        TLangCore core(m_dir.path());
        EXPECT_EQ(core.currentLang(), QStringLiteral("German")) << "no English file: the first file";
    }
    writeLang(QStringLiteral("English.LNG"), "[ResourceStrings]\n");
    {
        TLangCore core(m_dir.path());
        EXPECT_EQ(core.currentLang(), QStringLiteral("English"));
        EXPECT_EQ(core.langs(), (QStringList{QStringLiteral("English"), QStringLiteral("German")}));
    }
}

TEST_F(LangCoreTest, MissingLanguageFolderMeansBuiltInTexts)
{
    QTemporaryDir empty;
    TLangCore core(empty.path());
    EXPECT_EQ(core.langCount(), 0);
    EXPECT_FALSE(core.findResourceString(MsgIndexOutOfBounds).has_value());
    EXPECT_EQ(msg(MsgIndexOutOfBounds), QStringLiteral("Index out of bounds."));
}

TEST_F(LangCoreTest, FolderAndFileNamesIgnoreLetterCase)
{
    QTemporaryDir program;
    ASSERT_TRUE(QDir(program.path()).mkdir(QStringLiteral("language")));
    QFile file(program.path() + QStringLiteral("/language/german.lng"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[ResourceStrings]\n65535_x='Index!'\n");
    file.close();

    TLangCore core(program.path());
    EXPECT_EQ(core.currentLang(), QStringLiteral("german"));
    core.setCurrentLang(QString());
    EXPECT_EQ(msg(MsgIndexOutOfBounds), QStringLiteral("Index out of bounds."));
    core.setCurrentLang(QStringLiteral("GERMAN"));
    EXPECT_EQ(core.currentLang(), QStringLiteral("GERMAN")) << "accepted as given";
    EXPECT_EQ(msg(MsgIndexOutOfBounds), QStringLiteral("Index!")) << "file found despite the case";
    core.setCurrentLang(QStringLiteral("French"));
    EXPECT_EQ(core.currentLang(), QStringLiteral("GERMAN")) << "an unknown language changes nothing";
}

struct KeyCase {
    const char *name;
    int id;
    const char *expected; // nullptr: not found
};

class LangKeyTest : public ::testing::TestWithParam<KeyCase>
{
protected:
    static void SetUpTestSuite()
    {
        s_dir = new QTemporaryDir;
        QDir(s_dir->path()).mkdir(QStringLiteral("Language"));
        QFile::copy(kFixtureLangDir + QStringLiteral("/German.lng"),
                    s_dir->path() + QStringLiteral("/Language/German.lng"));
    }
    static void TearDownTestSuite()
    {
        delete s_dir;
        s_dir = nullptr;
    }
    static QTemporaryDir *s_dir;
};
QTemporaryDir *LangKeyTest::s_dir = nullptr;

TEST_P(LangKeyTest, MatchesIdPartOfKey)
{
    const KeyCase &c = GetParam();
    TLangCore core(s_dir->path());
    ASSERT_EQ(core.currentLang(), QStringLiteral("German"));
    const auto found = core.findResourceString(c.id);
    if (!c.expected) {
        EXPECT_FALSE(found.has_value()) << c.name;
    } else {
        ASSERT_TRUE(found.has_value()) << c.name;
        EXPECT_EQ(*found, QString::fromUtf8(c.expected)) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    German, LangKeyTest,
    ::testing::Values(
        KeyCase{"Windows1252 file decoded", 65535, "Gr\xc3\xbc\xc3\x9f" "e"},
        KeyCase{"blank before underscore matches", 65534, "Mit Leerzeichen"},
        KeyCase{"leading zero does not match", 65533, nullptr},
        KeyCase{"first of two keys wins", 65532, "Erster"},
        KeyCase{"found empty value wins", 65531, ""},
        KeyCase{"unquoted value unchanged", 65530, "Ohne Anf\xc3\xbchrungszeichen"},
        KeyCase{"codes join two texts", 65529, "Eins\r\nZwei"},
        KeyCase{"absent id", 65000, nullptr}),
    [](const auto &info) {
        std::string name = info.param.name;
        for (char &ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return name;
    });

TEST_F(LangCoreTest, MsgAsksTheLanguageFileFirst)
{
    writeLang(QStringLiteral("English.lng"),
              "[ResourceStrings]\n65535_Index='Out of range'\n65534_Mask=''\n");
    {
        TLangCore core(m_dir.path());
        EXPECT_EQ(msg(MsgIndexOutOfBounds), QStringLiteral("Out of range"));
        EXPECT_EQ(msg(MsgInvalidMask), QString()) << "a found empty text is still the translation";
        EXPECT_EQ(msg(MsgLangCoreNotAssignedRead), QStringLiteral("Core language engine is not assigned."));
        core.setTranslateResourceStrings(false);
        EXPECT_EQ(msg(MsgIndexOutOfBounds), QStringLiteral("Index out of bounds."));
        core.setTranslateResourceStrings(true);
        EXPECT_EQ(msg(MsgIndexOutOfBounds), QStringLiteral("Out of range"));
    }
    EXPECT_EQ(msg(MsgIndexOutOfBounds), QStringLiteral("Index out of bounds.")) << "engine gone";
}

// A language file of thousands of sections, its resource strings split over
// the first section and a repeat of it in other letters at the end.
TEST_F(LangCoreTest, AFileOfThousandsOfSectionsStillAnswers)
{
    QByteArray content = "[ResourceStrings]\n65535_Index='Out of range'\n";
    for (int i = 0; i < 20000; ++i)
        content += "[TForm" + QByteArray::number(i) + "]\nCaption='Form'\n";
    content += "[RESOURCESTRINGS]\n65534_Mask='Maske'\n";
    writeLang(QStringLiteral("English.lng"), content);
    TLangCore core(m_dir.path());
    EXPECT_EQ(msg(MsgIndexOutOfBounds), QStringLiteral("Out of range"));
    EXPECT_EQ(msg(MsgInvalidMask), QStringLiteral("Maske"));
}

// A language file of 300,000 keys, none for the program's own texts but the
// last two: every text is looked up again and again, as a running program does.
TEST_F(LangCoreTest, AFileOfHundredsOfThousandsOfKeysAnswersEveryLookUp)
{
    constexpr int kFirst = 100000;
    constexpr int kKeys = 300000;
    QByteArray content = "[ResourceStrings]\n";
    content.reserve(kKeys * 24);
    for (int id = kFirst; id < kFirst + kKeys; ++id)
        content += QByteArray::number(id) + "_Text='T" + QByteArray::number(id) + "'\n";
    content += "65535_Index='Out of range'\n 65534 _Mask='Maske'\n65535_Again='Second'\n";
    writeLang(QStringLiteral("English.lng"), content);
    TLangCore core(m_dir.path());
    for (int pass = 0; pass < 8; ++pass) {
        for (int id = kFirstMessageId; id <= kLastMessageId; ++id) {
            const auto found = core.findResourceString(id);
            if (id == 65535)
                EXPECT_EQ(found, std::optional<QString>(QStringLiteral("Out of range")));
            else if (id == 65534)
                EXPECT_EQ(found, std::optional<QString>(QStringLiteral("Maske")));
            else
                ASSERT_FALSE(found.has_value()) << id;
        }
    }
    EXPECT_EQ(core.findResourceString(kFirst), std::optional<QString>(QStringLiteral("T100000")));
    EXPECT_EQ(core.findResourceString(kFirst + kKeys - 1),
              std::optional<QString>(QStringLiteral("T399999")));
    EXPECT_FALSE(core.findResourceString(kFirst + kKeys).has_value());
}

TEST_F(LangCoreTest, NeverWritesTheLanguageFile)
{
    const QByteArray content = "[ResourceStrings]\n65535_Index='Out of range'\n";
    writeLang(QStringLiteral("English.lng"), content);
    QFile::setPermissions(langDir() + QStringLiteral("/English.lng"), QFileDevice::ReadOwner);
    {
        TLangCore core(m_dir.path());
        core.setCurrentLang(QString());
        core.setLangsDir(QString());
    }
    QFile file(langDir() + QStringLiteral("/English.lng"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), content);
    EXPECT_EQ(QDir(langDir()).entryList(QDir::Files).size(), 1);
}

TEST_F(LangCoreTest, ChangingTheFolderReloadsTheSameLanguageThere)
{
    writeLang(QStringLiteral("English.lng"), "[ResourceStrings]\n65535_x='first folder'\n");
    QTemporaryDir other;
    QFile file(other.path() + QStringLiteral("/English.lng"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[ResourceStrings]\n65535_x='second folder'\n");
    file.close();

    TLangCore core(m_dir.path());
    EXPECT_EQ(msg(MsgIndexOutOfBounds), QStringLiteral("first folder"));
    core.setLangsDir(other.path());
    EXPECT_EQ(core.langsDir(), other.path() + u'/');
    EXPECT_EQ(msg(MsgIndexOutOfBounds), QStringLiteral("second folder"));
}

TEST_F(LangCoreTest, SecondEngineAndMissingEngineRaiseTheDesignedTexts)
{
    {
        TLangCore core(m_dir.path());
        try {
            TLangCore second(m_dir.path());
            FAIL() << "second engine accepted";
        } catch (const Exception &e) {
            EXPECT_EQ(e.message(), QStringLiteral("Core language engine is single instance class. Please use "
                                                  "GetLangCore class function to obtain an instance."));
        }
        EXPECT_EQ(TLangCore::GetLangCore(), &core);
    }
    EXPECT_EQ(TLangCore::GetLangCore(), nullptr);
    TLangManager manager;
    try {
        (void)manager.CurrentLang();
        FAIL();
    } catch (const Exception &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Core language engine is not assigned."));
    }
    try {
        manager.SetCurrentLang(QStringLiteral("English"));
        FAIL();
    } catch (const Exception &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Core language engine is not assigned"));
    }
}

TEST_F(LangCoreTest, LookupsFromManyThreadsWhileTheLanguageChanges)
{
    writeLang(QStringLiteral("English.lng"), "[ResourceStrings]\n65535_x='English'\n");
    writeLang(QStringLiteral("German.lng"), "[ResourceStrings]\n65535_x='Deutsch'\n");
    TLangCore core(m_dir.path());
    std::atomic<bool> stop{false};
    std::atomic<int> wrong{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 4; ++t) {
        readers.emplace_back([&] {
            while (!stop.load()) {
                const QString text = msg(MsgIndexOutOfBounds);
                if (text != u"English" && text != u"Deutsch" && text != u"Index out of bounds.")
                    ++wrong;
            }
        });
    }
    for (int i = 0; i < 200; ++i) {
        core.setCurrentLang(i % 2 ? QStringLiteral("English") : QStringLiteral("German"));
        if (i % 50 == 0)
            core.setTranslateResourceStrings(i % 100 != 0);
    }
    stop = true;
    for (auto &reader : readers)
        reader.join();
    EXPECT_EQ(wrong.load(), 0);
}

// A window built like the program's forms: named children, some nested.
struct LangTestForm {
    LangTestForm()
    {
        form.setObjectName(QStringLiteral("FrmLangTest"));
        logos = new QCheckBox(&form);
        logos->setObjectName(QStringLiteral("ChkLogos"));
        group = new QGroupBox(&form);
        group->setObjectName(QStringLiteral("GrpOptions"));
        group->setCheckable(true);
        group->setChecked(false);
        expert = new QCheckBox(group);
        expert->setObjectName(QStringLiteral("ChkExpert"));
        count = new QSpinBox(&form);
        count->setObjectName(QStringLiteral("SpnCount"));
    }
    QDialog form;
    QCheckBox *logos;
    QGroupBox *group;
    QCheckBox *expert;
    QSpinBox *count;
};

TEST_F(LangCoreTest, TranslatorSetsPropertiesByPath)
{
    uiApp();
    QFile::copy(kFixtureLangDir + QStringLiteral("/German.lng"), langDir() + QStringLiteral("/German.lng"));
    TLangCore core(m_dir.path());
    LangTestForm window;
    auto *translator = new TLangTranslator(&window.form);

    translator->Loaded();
    EXPECT_EQ(window.form.windowTitle(), QString()) << "no manager: nothing happens";

    TLangManager manager;
    int before = 0;
    int after = 0;
    translator->BeforeTranslate = [&](TLangTranslator *) { ++before; };
    translator->AfterTranslate = [&](TLangTranslator *) { ++after; };
    translator->SetManager(&manager);
    translator->SetManager(&manager);
    EXPECT_EQ(manager.Translators().size(), 1) << "no duplicates";
    translator->Loaded();

    EXPECT_EQ(window.form.windowTitle(), QStringLiteral("Einstellungen"));
    EXPECT_EQ(window.logos->text(), QStringLiteral("Logos zeigen"));
    EXPECT_EQ(window.expert->text(), QStringLiteral("Experte")) << "child found ignoring case";
    EXPECT_TRUE(window.group->isChecked());
    EXPECT_EQ(window.count->value(), 7);
    EXPECT_EQ(before, 1);
    EXPECT_EQ(after, 1);

    // A language change retranslates through the manager.
    window.logos->setText(QStringLiteral("changed"));
    manager.CurrentLangChanging = [](TLangManager *, const QString &oldLang, const QString &newLang,
                                     bool &cancel) { cancel = oldLang == u"German" && newLang.isEmpty(); };
    manager.SetCurrentLang(QString());
    EXPECT_EQ(core.currentLang(), QStringLiteral("German")) << "vetoed";
    manager.CurrentLangChanging = nullptr;
    manager.SetCurrentLang(QString());
    manager.SetCurrentLang(QStringLiteral("German"));
    EXPECT_EQ(window.logos->text(), QStringLiteral("Logos zeigen"));
    EXPECT_EQ(before, 3);

    translator->SetManager(nullptr);
    EXPECT_TRUE(manager.Translators().isEmpty());
}

} // namespace
