#include "core/util/prompts.h"
#include "exchange/update_check.h"

#include "core/util/sys_utils.h"

#include "qt_print.h"
#include "script_server.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Answers message boxes from a script and remembers what was asked.
class ScriptedPrompts : public TPrompts
{
public:
    int messageBox(TMsgKind kind, const QString &text, int buttons) override
    {
        asked.push_back({kind, text, buttons});
        return answer;
    }
    QString openFileName(const QString &, const QString &, const QString &,
                         const QString &) override
    {
        return {};
    }
    QString saveFileName(const QString &, const QString &, const QString &,
                         const QString &) override
    {
        return {};
    }

    struct Question {
        TMsgKind kind;
        QString text;
        int buttons;
    };
    std::vector<Question> asked;
    int answer = mbYes;
};

TEST(UpdateCheck, VersionsGainDotsOnlyWhenTheyHaveNone)
{
    const std::pair<const char *, const char *> rows[] = {
        {"07032024", "07.03.2024"},
        {"2024.03.07", "2024.03.07"},
        {"0703", "07.03."},
        {"1", "1.."},
        {"", ""},
        {"07032024extra", "07.03.2024"},
    };
    for (const auto &[line, version] : rows)
        EXPECT_EQ(formatListVersion(QString::fromLatin1(line)), QString::fromLatin1(version)) << line;
    EXPECT_EQ(listUpdateDescription("1\r\nNew channels\r\nfixed ids"),
              "\r\n\r\nUpdate description:\r\nNew channels\r\nfixed ids\r\n");
    EXPECT_EQ(listUpdateDescription("1\r\n  \r\n"), "");
}

class ReadyMadeList : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        QDir().mkpath(root.filePath("db/pelloran"));
        setUpdateText("07032024\r\nNew channels\r\n");
        server = std::make_unique<ScriptServer>(QStringLiteral("http_server.py"),
                                                QStringList{"--root", root.path()});
        ASSERT_NE(server->port(), 0);
        url = QStringLiteral("http://127.0.0.1:%1%2").arg(server->port()).arg(QLatin1String(kUpdateFilePath));
    }

    void setUpdateText(const QByteArray &text)
    {
        QFile file(root.filePath("db/pelloran/update.txt"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    QTemporaryDir root;
    std::unique_ptr<ScriptServer> server;
    QString url;
    ScriptedPrompts prompts;
};

TEST_F(ReadyMadeList, ReadsTheVersion)
{
    QString version = QStringLiteral("stale");
    ASSERT_TRUE(getSettingsListVersion(url, version, prompts));
    EXPECT_EQ(version, "07.03.2024");
    EXPECT_TRUE(prompts.asked.empty());

    setUpdateText("");
    ASSERT_TRUE(getSettingsListVersion(url, version, prompts));
    EXPECT_EQ(version, "");
}

TEST_F(ReadyMadeList, LeavesNothingInTheTempFolder)
{
    const QStringList before = QDir(getTempDir()).entryList(QDir::Files);
    QString version;
    ASSERT_TRUE(getSettingsListVersion(url, version, prompts));
    QFile::remove(root.filePath("db/pelloran/update.txt"));
    EXPECT_FALSE(getSettingsListVersion(url, version, prompts));
    EXPECT_EQ(QDir(getTempDir()).entryList(QDir::Files), before);
}

TEST_F(ReadyMadeList, DecidesWhetherToDownload)
{
    const struct {
        const char *name;
        const char *lastVersion;
        bool silent;
        int answer;
        bool download;
        bool asked;
    } rows[] = {
        {"new_version", "01.01.2024", false, TPrompts::mbAbort, true, false},
        {"same_and_silent", "07.03.2024", true, TPrompts::mbYes, false, false},
        {"same_asks_yes", "07.03.2024", false, TPrompts::mbYes, true, true},
        {"same_asks_abort", "07.03.2024", false, TPrompts::mbAbort, false, true},
    };
    for (const auto &r : rows) {
        prompts.asked.clear();
        prompts.answer = r.answer;
        QString newVersion;
        QString errorText = QStringLiteral("stale");
        EXPECT_EQ(checkSettingsListUpdate(url, QString::fromLatin1(r.lastVersion), r.silent,
                                          newVersion, errorText, prompts),
                  r.download)
            << r.name;
        EXPECT_TRUE(errorText.isEmpty()) << r.name;
        EXPECT_EQ(newVersion, "07.03.2024") << r.name;
        ASSERT_EQ(prompts.asked.size(), r.asked ? 1u : 0u) << r.name;
        if (r.asked) {
            EXPECT_EQ(prompts.asked[0].text,
                      "Your Orvik Settings are up-to-date!\r\nDownload anyway?");
            EXPECT_EQ(prompts.asked[0].buttons, TPrompts::mbYes | TPrompts::mbAbort);
        }
    }
}

TEST_F(ReadyMadeList, AMissingFileIsReportedOnce)
{
    QFile::remove(root.filePath("db/pelloran/update.txt"));
    QString version;
    EXPECT_FALSE(getSettingsListVersion(url, version, prompts));
    EXPECT_TRUE(version.isEmpty());
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].kind, TPrompts::TMsgKind::Error);
    EXPECT_EQ(prompts.asked[0].text, "Failed to retrieve Orvik Settings update information!");

    // The import that checks before it downloads says it once, as its own
    // failure: the check only hands the text over.
    prompts.asked.clear();
    QString newVersion;
    QString errorText;
    EXPECT_FALSE(checkSettingsListUpdate(url, "", false, newVersion, errorText, prompts));
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_EQ(errorText, "Failed to retrieve Orvik Settings update information!");
}

} // namespace
