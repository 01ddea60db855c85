#include "import_export_world.h"

#include "app/main/status_panels.h"
#include "qt_print.h"

#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/types.h>
#include <csignal>

namespace {

// Stand-ins for the ping program: each run is logged ("<pid> <arguments>")
// in the folder's "calls" file, so no packet leaves this machine.
struct PingWorld : TExchangeWorld {
    PingWorld() { main().PingTimer->setInterval(5); }

    QString fakePing(const char *name, const QByteArray &body)
    {
        const QString path = tools.filePath(QLatin1String(name));
        QFile script(path);
        script.open(QIODevice::WriteOnly);
        script.write("#!/bin/sh\necho \"$$ $@\" >> \"$(dirname \"$0\")/calls\"\n" + body);
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }
    QStringList calls() const { return logLines(tools.filePath("calls")); }
    void pingOn(bool on) { control("FrmSettings", "CbxNoBackgroundPing")->setChecked(!on); }
    QString pingText() const { return main().StatusBar->PanelText(3); }
    bool waitForText(const QString &text)
    {
        return QTest::qWaitFor([&] { return pingText() == text; }, 10000);
    }

    QTemporaryDir tools;
};

TEST(Ping, TheStatusBarShowsTheAnswer)
{
    PingWorld world;
    const struct {
        const char *name;
        QByteArray body;
        const char *text;
        bool online;
    } rows[] = {
        {"answers", "exit 0\n", "Box is online.", true},
        {"silent", "exit 1\n", "Box is offline.", false},
    };
    world.pingOn(true);
    for (const auto &r : rows) {
        world.program.PingProgram = world.fakePing(r.name, r.body);
        ASSERT_TRUE(world.waitForText(QLatin1String(r.text))) << r.name;
        EXPECT_EQ(world.main().ImgConnected->isVisibleTo(&world.main()), r.online) << r.name;
        EXPECT_EQ(world.main().ImgDisconnected->isVisibleTo(&world.main()), !r.online) << r.name;
    }
    // The address went as one argument, in the network's form.
    ASSERT_FALSE(world.calls().isEmpty());
    EXPECT_TRUE(world.calls().first().endsWith(" -c 1 -W 3 127.0.0.1")) << world.calls().first().toStdString();

    // Switched off: the next tick clears the display.
    world.pingOn(false);
    ASSERT_TRUE(world.waitForText(QString()));
    EXPECT_FALSE(world.main().ImgConnected->isVisibleTo(&world.main()));
    EXPECT_FALSE(world.main().ImgDisconnected->isVisibleTo(&world.main()));
}

TEST(Ping, SwitchingItOnLaterStartsPinging)
{
    PingWorld world;
    world.program.PingProgram = world.fakePing("answers", "exit 0\n");
    // Started with background ping off, the timer still ticks.
    EXPECT_TRUE(world.main().PingTimer->isActive());
    QTest::qWait(50);
    EXPECT_TRUE(world.calls().isEmpty());
    world.pingOn(true);
    EXPECT_TRUE(world.waitForText("Box is online."));
}

TEST(Ping, OneAtATimeAndNoneOutlivesTheProgram)
{
    PingWorld world;
    // Waits until released, like a ping to a silent address.
    world.program.PingProgram = world.fakePing(
        "slow", "while [ ! -e \"$(dirname \"$0\")/release\" ]; do sleep 0.05; done\nexit 0\n");
    world.pingOn(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return world.calls().size() == 1; }, 10000));
    // Many ticks later there is still only the one.
    QTest::qWait(100);
    EXPECT_EQ(world.calls().size(), 1);

    // The program ends while the ping still waits: the ping goes with it.
    const pid_t pid = world.calls().first().section(u' ', 0, 0).toInt();
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(world.main().CloseMain());
    EXPECT_NE(::kill(pid, 0), 0) << "the ping program still runs";
    EXPECT_EQ(world.pingText(), "");
}

TEST(Ping, TheSettingsWindowPingsAfterCancelPutTheSettingsBack)
{
    PingWorld world;
    world.main().PingTimer->stop();
    world.program.PingProgram = world.fakePing("answers", "exit 0\n");
    world.main().StatusBar->SetPanelText(3, "before");

    // Ping switched on in the window, then cancelled: the stored "off" counts.
    whenModal("FrmSettings", [](QWidget *modal) {
        modal->findChild<QAbstractButton *>("CbxNoBackgroundPing")->setChecked(false);
        modal->findChild<QAbstractButton *>("BtnCancel")->click();
    });
    world.main().ToolBtnSettingsClick();
    EXPECT_TRUE(world.control("FrmSettings", "CbxNoBackgroundPing")->isChecked());
    EXPECT_EQ(world.pingText(), "");
    QTest::qWait(50);
    EXPECT_TRUE(world.calls().isEmpty());

    // The same with OK: the ping runs.
    whenModal("FrmSettings", [](QWidget *modal) {
        modal->findChild<QAbstractButton *>("CbxNoBackgroundPing")->setChecked(false);
        modal->findChild<QAbstractButton *>("BtnOk")->click();
    });
    world.main().ToolBtnSettingsClick();
    EXPECT_TRUE(world.waitForText("Box is online."));
}

} // namespace

namespace {

TEST(ReceiverMessage, TheMessageCommandReachesTheWebInterface)
{
    TExchangeWorld world;
    world.startWebInterface();
    ASSERT_NE(world.http->port(), 0);
    world.prompts.typed = {"", "Tom & Jerry"};
    world.main().ToolBtnMsgClick();
    // The empty text asked again; the second reached the receiver whole.
    EXPECT_EQ(world.prompts.inputs.size(), 2);
    EXPECT_EQ(TExchangeWorld::logLines(world.webLog),
              QStringList({"/control/message?popup=Tom%20%26%20Jerry"}));
    EXPECT_EQ(world.program.LastSentMessage, "Tom & Jerry");
}

// A message that does not get through says so in the status line, with the
// reason in the words the transfers use; one that does clears an earlier
// failure.
TEST(ReceiverMessage, AFailureIsReportedInTheStatusLineWithItsCause)
{
    enum Web { Answers, AnswersNotFound, Closed };
    struct Row {
        const char *name;
        Web web;
        const char *status;
    };
    const Row rows[] = {
        {"the receiver shows it", Answers, nullptr},
        {"the web interface has no message page", AnswersNotFound,
         "The message could not be sent. HTTP 404"},
        {"nothing listens at the web port", Closed,
         "The message could not be sent. Connection refused."},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        TExchangeWorld world;
        world.startWebInterface();
        ASSERT_NE(world.http->port(), 0);
        if (r.web == AnswersNotFound)
            QFile::remove(world.web.filePath("control/message"));
        if (r.web == Closed)
            world.http.reset();
        const QString before = world.main().StatusBar->PanelText(0);
        world.prompts.typed = {"Dinner is ready"};
        world.main().ToolBtnMsgClick();
        EXPECT_EQ(world.main().StatusBar->PanelText(0), r.status ? QString::fromUtf8(r.status) : before);
        EXPECT_EQ(world.program.LastSentMessage, "Dinner is ready");
        if (r.web != AnswersNotFound)
            continue;

        // The receiver mended, the next message goes through and the failure
        // no longer shows.
        QFile page(world.web.filePath("control/message"));
        page.open(QIODevice::WriteOnly);
        page.write("ok\n");
        page.close();
        world.prompts.typed = {"Dessert too"};
        world.main().ToolBtnMsgClick();
        EXPECT_EQ(world.main().StatusBar->PanelText(0), "");
    }
}

} // namespace

