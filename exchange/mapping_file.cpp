#include "exchange/mapping_file.h"

#include "core/util/messages.h"
#include "core/util/small_file_text.h"
#include "platform/atomic_file.h"
#include "platform/small_file.h"
#include "platform/text_codec.h"

#include <QFile>

namespace {

constexpr QChar kSeparator = u'|';

QString oneLine(const QString &text)
{
    QString result = text;
    result.replace(u'\r', u' ');
    result.replace(u'\n', u' ');
    return result;
}

// Where the name of a line with `fields` fields ends (the separator before
// its first field), or -1 when the line has too few separators.
qsizetype nameEnd(const QString &line, int fields)
{
    qsizetype at = line.size();
    for (int i = 0; i < fields; ++i) {
        if (at <= 0)
            return -1;
        at = line.lastIndexOf(kSeparator, at - 1);
        if (at < 0)
            return -1;
    }
    return at;
}

} // namespace

bool TMappingFile::Load(const QString &fileName, QString *errorText)
{
    m_lines.clear();
    QByteArray bytes;
    QString error;
    if (!loadSmallFile(fileName, bytes, error)) {
        if (errorText)
            *errorText = error;
        return error.isEmpty();
    }
    const QString text = decodeUtf8OrWindows1252(bytes);
    for (QString line : text.split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (!line.isEmpty())
            m_lines.append(line);
    }
    return true;
}

bool TMappingFile::Save(const QString &fileName, QString &errorText) const
{
    QByteArray bytes;
    for (const QString &line : m_lines)
        bytes += line.toUtf8() + "\r\n";
    // A file that could not be read is not replaced either.
    if (!mayReplaceFile(fileName)) {
        errorText = msg(MsgFileNotRegular);
        return false;
    }
    AtomicFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        errorText = file.errorString();
        return false;
    }
    return true;
}

int TMappingFile::IndexOf(const QString &name) const
{
    const QString wanted = oneLine(name);
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const QString &line = m_lines[i];
        const qsizetype end = nameEnd(line, m_fieldCount);
        if (end == wanted.size() && line.startsWith(wanted))
            return int(i);
    }
    return -1;
}

QStringList TMappingFile::Values(const QString &name) const
{
    const int index = IndexOf(name);
    if (index < 0)
        return {};
    const QString &line = m_lines[index];
    return line.mid(nameEnd(line, m_fieldCount) + 1).split(kSeparator);
}

QString TMappingFile::Value(const QString &name, const QString &fallback) const
{
    const QStringList values = Values(name);
    return values.isEmpty() ? fallback : values.first();
}

QStringList TMappingFile::NamesWithFirstValue(const QString &value) const
{
    QStringList names;
    for (const QString &line : m_lines) {
        const qsizetype end = nameEnd(line, m_fieldCount);
        if (end >= 0 && line.mid(end + 1).section(kSeparator, 0, 0) == value)
            names.append(line.left(end));
    }
    return names;
}

void TMappingFile::Set(const QString &name, const QStringList &values)
{
    QString line = oneLine(name);
    for (int i = 0; i < m_fieldCount; ++i) {
        QString field = i < values.size() ? oneLine(values[i]) : QString();
        field.replace(kSeparator, u' ');
        line += kSeparator + field;
    }
    const int index = IndexOf(name);
    if (index < 0)
        m_lines.append(line);
    else
        m_lines[index] = line;
}
