#include "exchange/mapping_file.h"

#include "platform/ini_file.h"

#include <QFile>
#include <QSaveFile>

namespace {

constexpr QChar kSeparator = u'|';

// The name part of a line; a line without a separator names nothing.
QString nameOf(const QString &line)
{
    const qsizetype at = line.lastIndexOf(kSeparator);
    return at < 0 ? QString() : line.left(at);
}

} // namespace

void TMappingFile::Load(const QString &fileName)
{
    m_lines.clear();
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QString text = decodeIniBytes(file.readAll());
    for (QString line : text.split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (!line.isEmpty())
            m_lines.append(line);
    }
}

bool TMappingFile::Save(const QString &fileName, QString &errorText) const
{
    QByteArray bytes;
    for (const QString &line : m_lines)
        bytes += line.toUtf8() + "\r\n";
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        errorText = file.errorString();
        return false;
    }
    return true;
}

int TMappingFile::IndexOf(const QString &name) const
{
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].contains(kSeparator) && nameOf(m_lines[i]) == name)
            return int(i);
    }
    return -1;
}

QString TMappingFile::Value(const QString &name, const QString &fallback) const
{
    const int index = IndexOf(name);
    if (index < 0)
        return fallback;
    const QString &line = m_lines[index];
    return line.mid(line.lastIndexOf(kSeparator) + 1);
}

void TMappingFile::Set(const QString &name, const QString &value)
{
    const QString line = name + kSeparator + value;
    const int index = IndexOf(name);
    if (index < 0)
        m_lines.append(line);
    else
        m_lines[index] = line;
}
