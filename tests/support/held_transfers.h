#pragma once

// Lets go of the transfers a test server holds back (its --hold-dir): a
// timer of the UI thread looks for the server's marker, tells `seen` which
// path is held and removes the marker, upon which the server sends. The
// timer fires only while the UI thread runs its events, so a transfer that
// blocks that thread is never let go from here.

#include <QCoreApplication>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

class THeldTransfers
{
public:
    explicit THeldTransfers(std::function<void(const QString &path)> seen = {})
        : m_seen(std::move(seen))
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { releaseHeld(); });
        m_timer.start();
    }

    // The folder to pass as the server's --hold-dir.
    QString dir() const { return m_dir.path(); }
    void start() { m_timer.start(); }
    void stop() { m_timer.stop(); }

    // The paths let go, in order.
    QStringList released;

private:
    void releaseHeld()
    {
        QFile held(m_dir.filePath(QStringLiteral("held")));
        if (!held.open(QIODevice::ReadOnly))
            return;
        // What the worker said before it asked for the file has arrived.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
        const QString path = QString::fromUtf8(held.readAll());
        released.append(path);
        if (m_seen)
            m_seen(path);
        held.remove();
    }

    QTemporaryDir m_dir;
    QTimer m_timer;
    std::function<void(const QString &)> m_seen;
};
