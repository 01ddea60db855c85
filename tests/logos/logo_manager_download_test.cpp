#include "logos/logo_manager_dialog.h"

#include "../app/scripted_prompts.h"
#include "core/util/messages.h"
#include "form_test_support.h"
#include "script_server.h"
#include "ui/grid/list_grid.h"
#include "ui/program/program.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const QString kSite = QStringLiteral(PELLORAN_FIXTURES_DIR "/logos/site");
// A short window for the rate floor, with a stall time longer than it.
const DownloadOptions kQuickFloor{5, 5, kWebPageSizeLimit, {kRateFloorBytesPerSecond, 2}};
const QString kSkipped =
    QStringLiteral("Download of logo information for Astra 9 failed (satellite will be skipped)!");

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class LogoManagerDownload : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { s_app = std::make_unique<FormTestApp>(); }
    static void TearDownTestSuite() { s_app.reset(); }

    void SetUp() override
    {
        program.ProgramFolder = folder.path();
        program.Prompts = &prompts;
        program.LogoSiteUrl = QStringLiteral("http://127.0.0.1:9");
        form.SetProgram(&program);
    }

    // Serves the fixture site and points the program at it.
    std::unique_ptr<ScriptServer> serve()
    {
        auto server = std::make_unique<ScriptServer>(
            "http_server.py", QStringList{"--root", kSite, "--log", folder.filePath("requests.log")});
        program.LogoSiteUrl = QStringLiteral("http://127.0.0.1:%1").arg(server->port());
        form.SetProgram(&program);
        return server;
    }
    template <typename T>
    T *control(const char *name)
    {
        return form.findChild<T *>(QLatin1String(name));
    }
    TListGrid *grid() { return control<TListGrid>("GridPackages"); }
    QStringList rows()
    {
        QStringList names;
        for (int row = 0; row < grid()->RowCount(); ++row)
            names.append(grid()->Cells(1, row));
        return names;
    }
    void checkRow(const QString &name)
    {
        const int row = int(rows().indexOf(name));
        ASSERT_GE(row, 0) << name.toStdString();
        grid()->Cell(0, row)->SetAsBoolean(true);
    }
    QString logo(const QString &name) const { return folder.filePath("LogoTypes/" + name); }

    QTemporaryDir folder;
    TProgram program;
    TScriptedPrompts prompts;
    TFrmLogoManager form;

private:
    static inline std::unique_ptr<FormTestApp> s_app;
};

TEST_F(LogoManagerDownload, TheIndexAddressFollowsTheSiteSetting)
{
    EXPECT_EQ(control<QLineEdit>("EdtLogoInfo")->text(), "http://127.0.0.1:9/tvsat/tvsat.html");
    control<QRadioButton>("BtnRadio")->click();
    EXPECT_EQ(control<QLineEdit>("EdtLogoInfo")->text(), "http://127.0.0.1:9/radiosat/radiosat.html");
    control<QRadioButton>("BtnTv")->click();
    EXPECT_EQ(control<QLineEdit>("EdtLogoInfo")->text(), "http://127.0.0.1:9/tvsat/tvsat.html");
}

TEST_F(LogoManagerDownload, FamilyBoxesFilterTheSatelliteList)
{
    const auto server = serve();
    ASSERT_NE(server->port(), 0);
    form.show();
    const char *const families[] = {"CbxAstra192", "CbxAstra282", "CbxHotbird130", "CbxSirius",
                                    "CbxHispasat", "CbxEutelsat", "CbxOthers"};
    // No family left: nothing to refresh.
    for (const char *name : families)
        control<QCheckBox>(name)->click();
    EXPECT_FALSE(control<QPushButton>("BtnDlPackageInfo")->isEnabled());
    control<QCheckBox>("CbxOthers")->click();
    EXPECT_TRUE(control<QPushButton>("BtnDlPackageInfo")->isEnabled());

    control<QPushButton>("BtnDlPackageInfo")->click();
    EXPECT_EQ(rows(), QStringList({"Thor 0.8°W"}));
    EXPECT_EQ(form.Packages().size(), 8u);
    EXPECT_FALSE(control<QPushButton>("BtnDlPackages")->isEnabled());
    // A box changed later does not refilter what is listed.
    control<QCheckBox>("CbxAstra192")->click();
    EXPECT_EQ(rows().size(), 1);

    control<QPushButton>("BtnDlPackageInfo")->click();
    EXPECT_EQ(rows(), QStringList({"Astra 1 at 19.2°E HD", "Astra 1 at 19.2°E", "Thor 0.8°W"}));
    control<QPushButton>("BtnSelectAll")->click();
    EXPECT_TRUE(control<QPushButton>("BtnDlPackages")->isEnabled());
    control<QPushButton>("BtnSelectNone")->click();
    EXPECT_FALSE(control<QPushButton>("BtnDlPackages")->isEnabled());
    form.resize(520, 480);
    saveShot(form, "logo_manager_site.png");
    EXPECT_TRUE(prompts.asked.isEmpty());
}

TEST_F(LogoManagerDownload, DownloadsTheCheckedSatellitesLogos)
{
    const auto server = serve();
    ASSERT_NE(server->port(), 0);
    // An older logo that a broken download must not spoil.
    QDir().mkpath(folder.filePath("LogoTypes"));
    QFile::copy(kSite + "/tvsat/logos/zdf.gif", logo("KaputtTV.tv.gif"));
    // Pages and logos that are not slow arrive under a short floor window.
    form.SetDownloadOptions(kQuickFloor);
    form.show();
    control<QRadioButton>("BtnDisabled")->click();
    control<QPushButton>("BtnDlPackageInfo")->click();
    // The row whose name begins the other's fetches its own page.
    checkRow("Astra 1 at 19.2°E");
    checkRow("Thor 0.8°W");
    control<QPushButton>("BtnDlPackages")->click();

    EXPECT_EQ(fileBytes(logo("DasErste.tv.gif")), fileBytes(kSite + "/tvsat/logos/daserste.gif"));
    EXPECT_EQ(fileBytes(logo("ZDF.tv.gif")), fileBytes(kSite + "/tvsat/logos/zdf.gif"));
    // Two names that fold alike: the later channel's picture stays.
    EXPECT_EQ(fileBytes(logo("TeleSud.tv.gif")), fileBytes(kSite + "/tvsat/logos/canal.gif"));
    EXPECT_EQ(fileBytes(logo("KaputtTV.tv.gif")), fileBytes(kSite + "/tvsat/logos/zdf.gif"));
    EXPECT_TRUE(QFile::exists(logo("....Oben.tv.gif")));
    EXPECT_TRUE(QFile::exists(logo("CanalNord.tv.gif")));
    EXPECT_FALSE(QFile::exists(logo("arteHD.tv.gif")));
    EXPECT_FALSE(QFile::exists(logo("BeforeAnyPicture.tv.gif"))); // the page folder is no GIF
    EXPECT_FALSE(QFile::exists(folder.filePath("Oben.tv.gif")));
    const QStringList requests =
        QString::fromUtf8(fileBytes(folder.filePath("requests.log"))).split('\n', Qt::SkipEmptyParts);
    EXPECT_FALSE(requests.contains("/tvsat/astra1hd.html")) << requests.join(' ').toStdString();
    EXPECT_TRUE(requests.contains("/tvsat/astra1.html"));

    // New logos are mapped at the next start.
    EXPECT_TRUE(control<QRadioButton>("BtnEnabled")->isChecked());
    EXPECT_TRUE(control<QCheckBox>("CbxRefreshMapping")->isChecked());
    // What did not arrive as a picture (a broken GIF, the page folder, a
    // picture the site does not have) is named once all pages are through.
    ASSERT_EQ(prompts.asked.size(), 1);
    EXPECT_EQ(prompts.asked[0].kind, TPrompts::TMsgKind::Warning);
    EXPECT_EQ(prompts.asked[0].text, "3 logo(s) could not be downloaded or read:\r\n"
                                     "Astra 1 at 19.2°E - KaputtTV\r\n"
                                     "Thor 0.8°W - BeforeAnyPicture\r\n"
                                     "Thor 0.8°W - NordZwei");
    EXPECT_FALSE(QFile::exists(logo("NordZwei.tv.gif")));
}

// Many logos that fail are counted beyond the first few, so the box fits the
// screen.
TEST_F(LogoManagerDownload, ManyFailedLogosAreCountedBeyondTheFirstTen)
{
    QTemporaryDir site;
    ASSERT_TRUE(QDir().mkpath(site.filePath("tvsat")));
    const auto write = [&](const char *name, const QByteArray &bytes) {
        QFile file(site.filePath(QLatin1String(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    };
    write("tvsat/tvsat.html", "<html><body><table>\n"
                              "<tr><td><B><A HREF=\"../tvsat/many.html\">Many 1.0°W</A></B></td></tr>\n"
                              "</table></body></html>\n");
    QByteArray page = "<html><body><table>\n";
    QStringList expected;
    for (int i = 1; i <= 12; ++i) {
        const QByteArray n = QByteArray::number(i);
        page += "<tr><td><img src=\"logos/gone" + n + ".gif\" width=52 height=39></td>\n"
                "<td align=\"left\"><font face=\"Verdana\" size=2><a href=\"../ch/" + n
              + ".html\">Kanal" + n + "</a></font></td></tr>\n";
        if (i <= 10)
            expected.append("Many 1.0°W - Kanal" + QString::number(i));
    }
    write("tvsat/many.html", page + "</table></body></html>\n");
    ScriptServer server("http_server.py", QStringList{"--root", site.path()});
    ASSERT_NE(server.port(), 0);
    program.LogoSiteUrl = QStringLiteral("http://127.0.0.1:%1").arg(server.port());
    form.SetProgram(&program);
    form.show();
    control<QCheckBox>("CbxOthers")->setChecked(true);
    control<QPushButton>("BtnDlPackageInfo")->click();
    checkRow("Many 1.0°W");
    control<QPushButton>("BtnDlPackages")->click();
    ASSERT_EQ(prompts.asked.size(), 1);
    EXPECT_EQ(prompts.asked[0].text, "12 logo(s) could not be downloaded or read:\r\n"
                                         + expected.join("\r\n") + "\r\n... and 2 more.");
    EXPECT_EQ(form.FailedLogos().size(), 12);
}

// "Go To Website" without a browser says where to go by hand, as the web
// interface does; the desktop's opener (xdg-open, a stand-in first on the
// search path here) ends with 3 when it finds no browser.
TEST_F(LogoManagerDownload, GoToWebsiteWithoutABrowserSaysWhereToGo)
{
    const QByteArray path = qgetenv("PATH");
    for (const int openerExit : {0, 3}) {
        SCOPED_TRACE(openerExit);
        prompts.asked.clear();
        const QString bin = folder.filePath(QStringLiteral("bin%1").arg(openerExit));
        ASSERT_TRUE(QDir().mkpath(bin));
        QFile opener(bin + "/xdg-open");
        ASSERT_TRUE(opener.open(QIODevice::WriteOnly));
        opener.write("#!/bin/sh\n: > \"$(dirname \"$0\")/ran\"\nexit " + QByteArray::number(openerExit) + "\n");
        opener.close();
        opener.setPermissions(opener.permissions() | QFileDevice::ExeOwner);
        qputenv("PATH", QFile::encodeName(bin) + ':' + path);
        control<QPushButton>("BtnGo")->click();
        qputenv("PATH", path);
        for (int i = 0; i < 150 && (!QFile::exists(bin + "/ran") || (openerExit && prompts.asked.isEmpty())); ++i)
            QTest::qWait(20);
        QTest::qWait(100);
        ASSERT_TRUE(QFile::exists(bin + "/ran"));
        if (openerExit == 0) {
            EXPECT_TRUE(prompts.asked.isEmpty());
            continue;
        }
        ASSERT_EQ(prompts.asked.size(), 1);
        EXPECT_EQ(prompts.asked[0].kind, TPrompts::TMsgKind::Error);
        EXPECT_EQ(prompts.asked[0].text, "No browser could be opened for the web interface.\r\n"
                                         "Open http://127.0.0.1:9/tvsat/tvsat.html in your browser by hand.");
    }
}

// A page left in Windows-1252 names its channels as written ("\x80" is
// "€"), and each picture is held to the logo size: a GIF padded far beyond
// it is refused and the logo it would replace stays, while one that is
// large yet within the limit arrives.
TEST_F(LogoManagerDownload, OlderPagesKeepTheirNamesAndPicturesTheirSizeLimit)
{
    QTemporaryDir site;
    ASSERT_TRUE(QDir().mkpath(site.filePath("tvsat/logos")));
    const QByteArray zdf = fileBytes(kSite + "/tvsat/logos/zdf.gif");
    const QByteArray erste = fileBytes(kSite + "/tvsat/logos/daserste.gif");
    ASSERT_FALSE(zdf.isEmpty());
    ASSERT_FALSE(erste.isEmpty());
    const std::pair<const char *, QByteArray> pictures[] = {
        {"tvsat/logos/euro.gif", zdf},
        {"tvsat/logos/huge.gif", erste + QByteArray(6 << 20, '\0')},
        {"tvsat/logos/large.gif", erste + QByteArray(3 << 20, '\0')},
    };
    for (const auto &[name, bytes] : pictures) {
        QFile file(site.filePath(QLatin1String(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray page;
    for (const char *channel : {"euro|\x80uro Kanal", "huge|Riesen TV", "large|Gross TV"}) {
        const QList<QByteArray> parts = QByteArray(channel).split('|');
        page += "<tr><td><img src=\"logos/" + parts[0] + ".gif\" width=52 height=39></td>\n"
                "<td align=\"left\"><font face=\"Verdana\" size=2><a href=\"../ch/" + parts[0]
              + ".html\">" + parts[1] + "</a></font></td></tr>\n";
    }
    QFile pageFile(site.filePath("tvsat/older.html"));
    ASSERT_TRUE(pageFile.open(QIODevice::WriteOnly));
    pageFile.write("<html><body><table>\n" + page + "</table></body></html>\n");
    pageFile.close();
    ASSERT_TRUE(QDir().mkpath(folder.filePath("LogoTypes")));
    ASSERT_TRUE(QFile::copy(kSite + "/tvsat/logos/zdf.gif", logo("RiesenTV.tv.gif")));

    ScriptServer server("http_server.py", QStringList{"--root", site.path()});
    ASSERT_NE(server.port(), 0);
    EXPECT_TRUE(form.DownloadPackage(QStringLiteral("http://127.0.0.1:%1/tvsat/older.html").arg(server.port()),
                                     "Older", true, folder.filePath("LogoTypes")));

    EXPECT_EQ(fileBytes(logo(QString::fromUtf8("\xE2\x82\xACuroKanal.tv.gif"))), zdf);
    EXPECT_EQ(fileBytes(logo("RiesenTV.tv.gif")), zdf);
    EXPECT_EQ(fileBytes(logo("GrossTV.tv.gif")), pictures[2].second);
    EXPECT_TRUE(prompts.asked.isEmpty());
}

TEST_F(LogoManagerDownload, FailuresAreReported)
{
    // The index cannot be fetched.
    control<QPushButton>("BtnDlPackageInfo")->click();
    ASSERT_EQ(prompts.asked.size(), 1);
    EXPECT_EQ(prompts.asked[0].text, msg(MsgDownloadFailed) + "\r\nConnection refused.");
    EXPECT_EQ(grid()->RowCount(), 0);

    // A satellite page that cannot be fetched is skipped with a warning.
    prompts.asked.clear();
    EXPECT_TRUE(form.DownloadPackage("http://127.0.0.1:9/tvsat/x.html", "Astra 9", true,
                                     folder.filePath("LogoTypes")));
    ASSERT_EQ(prompts.asked.size(), 1);
    EXPECT_EQ(prompts.asked[0].text, kSkipped + "\r\nConnection refused.");

    // One that trickles in is cut at the rate floor, and the reason says so.
    prompts.asked.clear();
    const auto server = serve();
    ASSERT_NE(server->port(), 0);
    form.SetDownloadOptions(kQuickFloor);
    EXPECT_TRUE(form.DownloadPackage(program.LogoSiteUrl + "/trickle/100000/20", "Astra 9", true,
                                     folder.filePath("LogoTypes")));
    ASSERT_EQ(prompts.asked.size(), 1);
    EXPECT_EQ(prompts.asked[0].text,
              kSkipped + "\r\nToo slow: less than 1 KB a second on average over 2 seconds.");

    // A logo folder that cannot be made is said so.
    prompts.asked.clear();
    QFile blocker(folder.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_FALSE(form.DownloadPackage("http://127.0.0.1:9/tvsat/x.html", "Astra 9", true,
                                      folder.filePath("file/LogoTypes")));
    ASSERT_EQ(prompts.asked.size(), 1);
    EXPECT_TRUE(prompts.asked[0].text.startsWith("The logo folder ")) << prompts.asked[0].text.toStdString();
}

TEST_F(LogoManagerDownload, ActivationButtonsKeepEachOtherRight)
{
    auto *enabled = control<QRadioButton>("BtnEnabled");
    auto *disabled = control<QRadioButton>("BtnDisabled");
    auto *refresh = control<QCheckBox>("CbxRefreshMapping");
    disabled->click();
    EXPECT_FALSE(refresh->isChecked());
    refresh->click();
    EXPECT_TRUE(enabled->isChecked());
    disabled->click();
    EXPECT_FALSE(refresh->isChecked());
    enabled->click();
    EXPECT_TRUE(refresh->isChecked());
    // Showing the window starts with no refresh asked for.
    form.show();
    EXPECT_FALSE(refresh->isChecked());
}

TEST_F(LogoManagerDownload, OkSetsTheLogoSize)
{
    for (const auto &[height, width] : {std::pair{16, 21}, std::pair{39, 52}, std::pair{30, 40}}) {
        form.findChild<QSlider *>("TrackBarSize")->setValue(height);
        control<QPushButton>("BtnOk")->click();
        EXPECT_EQ(form.result(), QDialog::Accepted);
        EXPECT_EQ(program.LogoHeight, height);
        EXPECT_EQ(program.LogoWidth, width);
    }
}

} // namespace
