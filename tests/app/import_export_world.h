#pragma once

// A whole program with a loopback receiver: an FTP server holding the cable
// demo lists where zapit keeps them, the settings pointing at it.

#include "main_window_support.h"
#include "script_server.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTimer>

#include <functional>
#include <memory>

inline constexpr const char *kZapitDir = "/var/tuxbox/config/zapit";

struct TExchangeWorld : TProgramWorld {
    TExchangeWorld() { start(); }

    QString receiverPath(const QString &name) const
    {
        return receiver.filePath(QLatin1String(kZapitDir).mid(1) + u'/' + name);
    }

    // The receiver holds the cable lists, under the names zapit gives them.
    void startReceiver(const QStringList &extra = {})
    {
        QDir().mkpath(receiverPath(QString()));
        const QString demo = QStringLiteral(PELLORAN_DEMO_DIR "/cable/");
        QFile::copy(demo + "Services.xml", receiverPath("services.xml"));
        QFile::copy(demo + "MyServices.xml", receiverPath("myservices.xml"));
        QFile::copy(demo + "Bouquets.xml", receiverPath("bouquets.xml"));
        ftpLog = logs.filePath("ftp.log");
        ftp = std::make_unique<ScriptServer>(
            QStringLiteral("ftp_server.py"),
            QStringList{"--root", receiver.path(), "--user", "root", "--password", "dbox2", "--log",
                        ftpLog}
                + extra);
        setting("EdtIp", "127.000.000.001");
        setting("EdtPort", QStringLiteral("%1").arg(ftp->port(), 5, 10, QLatin1Char('0')));
        setting("EdtAccount", "root");
        setting("EdtPass", "dbox2");
        setting("EdtRemoteDir", QLatin1String(kZapitDir));
    }

    // The receiver's web interface, logging what it is asked.
    void startWebInterface()
    {
        QDir().mkpath(web.filePath("control"));
        QFile page(web.filePath("control/message"));
        page.open(QIODevice::WriteOnly);
        page.write("ok\n");
        page.close();
        webLog = web.filePath("requests.log");
        http = std::make_unique<ScriptServer>(QStringLiteral("http_server.py"),
                                              QStringList{"--root", web.path(), "--log", webLog});
        program.ReceiverWebPort = http->port();
    }

    static QStringList logLines(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
        lines.removeAll(QString());
        return lines;
    }

    void setting(const char *name, const QString &text)
    {
        program.Form("FrmSettings")->findChild<QLineEdit *>(name)->setText(text);
    }

    template <typename T>
    T *form(const char *name)
    {
        return program.FormAs<T>(QLatin1String(name));
    }

    template <typename T = QAbstractButton>
    T *control(const char *formName, const char *name)
    {
        return program.Form(QLatin1String(formName))->findChild<T *>(QLatin1String(name));
    }

    QTemporaryDir receiver;
    QTemporaryDir web;
    QTemporaryDir logs;
    std::unique_ptr<ScriptServer> ftp;
    std::unique_ptr<ScriptServer> http;
    QString ftpLog;
    QString webLog;
};

inline QByteArray fileBytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Acts on the modal window `name` (an empty name: whichever comes up) once
// it is up (the test's own code runs again only after that window has
// closed).
inline void whenModal(const char *name, std::function<void(QWidget *)> act)
{
    auto *timer = new QTimer(qApp);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, name = QString::fromLatin1(name), act] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || (!name.isEmpty() && modal->objectName() != name))
            return;
        timer->stop();
        timer->deleteLater();
        act(modal);
    });
    timer->start();
}

// Clicks the named button of the modal window `name` once it is up.
inline void clickWhenModal(const char *name, const char *button)
{
    whenModal(name, [button = QString::fromLatin1(button)](QWidget *modal) {
        modal->findChild<QAbstractButton *>(button)->click();
    });
}
