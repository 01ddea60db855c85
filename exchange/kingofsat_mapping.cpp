#include "exchange/kingofsat_mapping.h"

#include "platform/ini_file.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace {

constexpr char16_t kSeparator = u'|';

// A line break inside a field would split one line into two.
QString oneLine(const QString &field)
{
    QString result = field;
    result.replace(u'\r', u' ');
    result.replace(u'\n', u' ');
    return result;
}

} // namespace

QString satelliteMappingFileName(const QString &programFolder)
{
    return QDir(programFolder).filePath(QStringLiteral("SatelliteMapping.dat"));
}

QStringList readSatelliteMapping(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = decodeIniBytes(file.readAll()).split(u'\n');
    for (QString &line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
    }
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

bool writeSatelliteMapping(const QString &fileName, const QStringList &lines, QString &error)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    QByteArray bytes;
    for (const QString &line : lines)
        bytes += line.toUtf8() + "\r\n";
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

int findSatelliteMappingLine(const QStringList &lines, const QString &satellite)
{
    const QString prefix = oneLine(satellite) + kSeparator;
    for (int i = 0; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        // The name may itself hold "|"; the two fields after it never do.
        if (line.startsWith(prefix) && QStringView(line).mid(prefix.size()).count(kSeparator) == 1)
            return i;
    }
    return -1;
}

bool satelliteMappingOf(const QStringList &lines, const QString &satellite, QString &target,
                        QString &diseqc)
{
    const int index = findSatelliteMappingLine(lines, satellite);
    if (index < 0) {
        target = QString::fromUtf16(kUnchangedSatellite);
        diseqc = QStringLiteral("0");
        return false;
    }
    const QString rest = lines.at(index).mid(oneLine(satellite).size() + 1);
    const qsizetype separator = rest.indexOf(kSeparator);
    target = rest.left(separator);
    diseqc = rest.mid(separator + 1);
    return true;
}

void setSatelliteMapping(QStringList &lines, const QString &satellite, const QString &target,
                         const QString &diseqc)
{
    QString cleanTarget = oneLine(target);
    cleanTarget.replace(kSeparator, u' ');
    QString cleanDiseqc = oneLine(diseqc);
    cleanDiseqc.replace(kSeparator, u' ');
    const QString line = oneLine(satellite) + kSeparator + cleanTarget + kSeparator + cleanDiseqc;
    const int index = findSatelliteMappingLine(lines, satellite);
    if (index < 0)
        lines.append(line);
    else
        lines[index] = line;
}
