#pragma once

// Starts one of the loopback test servers in tests/servers/ and stops it
// again. The server picks a free port and names it on its first line.

#include <QProcess>
#include <QString>
#include <QStringList>

class ScriptServer
{
public:
    ScriptServer(const QString &script, const QStringList &arguments)
    {
        m_process.setProgram(QStringLiteral("/usr/bin/python3"));
        m_process.setArguments(QStringList{QStringLiteral(PELLORAN_TEST_SERVERS_DIR "/") + script}
                               + arguments);
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.start();
        if (!m_process.waitForStarted(10000))
            return;
        while (m_port == 0 && m_process.waitForReadyRead(10000)) {
            while (m_process.canReadLine()) {
                const QByteArray line = m_process.readLine().trimmed();
                if (line.startsWith("PORT "))
                    m_port = line.mid(5).toInt();
            }
        }
    }

    ~ScriptServer()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }

    ScriptServer(const ScriptServer &) = delete;
    ScriptServer &operator=(const ScriptServer &) = delete;

    // 0 when the server did not come up.
    int port() const { return m_port; }
    QString errors() { return QString::fromUtf8(m_process.readAllStandardError()); }

private:
    QProcess m_process;
    int m_port = 0;
};
