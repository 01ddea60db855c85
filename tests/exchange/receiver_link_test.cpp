#include "exchange/receiver_link.h"

#include "qt_print.h"
#include "script_server.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A stand-in for the ping program: records its arguments and exits with the
// given code, so no packet leaves this machine.
QString fakePing(const QTemporaryDir &dir, int exitCode)
{
    const QString path = dir.filePath(QStringLiteral("ping%1").arg(exitCode));
    QFile script(path);
    script.open(QIODevice::WriteOnly);
    script.write("#!/bin/sh\necho \"$@\" > \"$(dirname \"$0\")/args\"\nexit "
                 + QByteArray::number(exitCode) + "\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

QString readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).trimmed() : QString();
}

TEST(ReceiverPing, ResultsAndStatusTexts)
{
    QTemporaryDir dir;
    const struct {
        const char *name;
        QString program;
        TPingResult result;
        const char *status;
    } rows[] = {
        {"answers", fakePing(dir, 0), TPingResult::Online, "Box is online."},
        {"silent", fakePing(dir, 1), TPingResult::Offline, "Box is offline."},
        {"no_program", dir.filePath("no-such-ping"), TPingResult::NotStarted, ""},
    };
    for (const auto &r : rows) {
        // The stand-in records what it was asked; loopback even so.
        const TPingResult result = pingReceiver(QStringLiteral("127.000.000.001"), r.program);
        EXPECT_EQ(result, r.result) << r.name;
        EXPECT_EQ(pingStatusText(result), QString::fromLatin1(r.status)) << r.name;
    }
    // The zero-padded address is pinged in its network form.
    EXPECT_EQ(readAll(dir.filePath("args")), "-c 1 -W 3 127.0.0.1");
}

TEST(ReceiverPing, OnlyPlainAddressesArePinged)
{
    QTemporaryDir dir;
    const QString ping = fakePing(dir, 0);
    const struct {
        const char *address;
        const char *target;
    } rows[] = {
        {"192.168.015.024", "192.168.15.24"},
        {"127.000.000.001", "127.0.0.1"},
        {" 10.0.0.5 ", "10.0.0.5"},
        {"256.000.000.001", ""},
        {"-f.0.0.1", ""},
        {"127.0.0", ""},
        {"127.0.0.1.5", ""},
        {"127.0.0.1;reboot", ""},
        {"localhost", ""},
        {"...", ""},
        {"", ""},
    };
    for (const auto &r : rows) {
        EXPECT_EQ(pingTarget(QString::fromLatin1(r.address)), QString::fromLatin1(r.target)) << r.address;
        if (*r.target == 0) {
            QFile::remove(dir.filePath("args"));
            EXPECT_EQ(pingReceiver(QString::fromLatin1(r.address), ping), TPingResult::NotStarted)
                << r.address;
            // Refused before the ping program ever ran.
            EXPECT_FALSE(QFile::exists(dir.filePath("args"))) << r.address;
        }
    }
}

TEST(ReceiverPing, AStopEndsAWaitingPing)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("slow-ping");
    QFile script(path);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nexec sleep 60\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    int asked = 0;
    EXPECT_EQ(pingReceiver(QStringLiteral("127.000.000.001"), path, [&asked] { return ++asked > 2; }),
              TPingResult::NotStarted);
    EXPECT_GT(asked, 2);
}

TEST(ReceiverPing, TheThreadReportsToItsOwner)
{
    int argc = 0;
    QCoreApplication app(argc, nullptr);
    QTemporaryDir dir;
    TPingThread thread(QStringLiteral("127.000.000.001"), fakePing(dir, 0));
    QSignalSpy spy(&thread, &TPingThread::pinged);
    thread.start();
    ASSERT_TRUE(spy.wait(10000));
    EXPECT_EQ(spy.at(0).at(0).value<TPingResult>(), TPingResult::Online);
    thread.wait();
}

TEST(ReceiverMessages, TextsReachTheWebInterfaceWhole)
{
    EXPECT_EQ(receiverMessageUrl(QStringLiteral("192.168.015.024"), "Hello", true),
              "http://192.168.15.24/control/message?popup=Hello");
    EXPECT_EQ(receiverMessageUrl(QStringLiteral("010.000.000.005"), "Tom & Jerry at 20:15", false),
              "http://10.0.0.5/control/message?nmsg=Tom%20%26%20Jerry%20at%2020%3A15");

    QTemporaryDir root;
    QDir().mkpath(root.filePath("control"));
    QFile page(root.filePath("control/message"));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.write("ok\n");
    page.close();
    const QString log = root.filePath("requests.log");
    ScriptServer receiver(QStringLiteral("http_server.py"),
                          {"--root", root.path(), "--log", log});
    ASSERT_NE(receiver.port(), 0);
    const QString address = QStringLiteral("127.000.000.001:%1").arg(receiver.port());
    EXPECT_TRUE(SendPopupMessage(address, QStringLiteral("Recording & more")));
    EXPECT_TRUE(SendNormalMessage(address, QString::fromUtf8("Überall")));
    EXPECT_EQ(readAll(log).split(u'\n'),
              QStringList({"/control/message?popup=Recording%20%26%20more",
                           "/control/message?nmsg=%C3%9Cberall"}));
}

} // namespace
