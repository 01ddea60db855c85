#include "logos/logo_mapper.h"

#include "logos/logo_image.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QStringDecoder>

namespace {

// A logo file name taken from the mapping file names a file inside the logo
// folder, nothing else.
bool isPlainFileName(const QString &name)
{
    return !name.isEmpty() && !name.contains(u'/') && !name.contains(u'\\')
        && name != QLatin1String(".") && name != QLatin1String("..");
}

QString readMappingText(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray bytes = file.readAll();
    // Files from older versions hold Windows-1252 text.
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder latin(QStringDecoder::Latin1);
    return latin(bytes);
}

// Loads each logo file once; the services that share a file share its
// picture.
class TLogoLoader
{
public:
    TLogoLoader(const TLogoJob &job, TLogoSink &sink)
        : m_job(job), m_sink(sink), m_next(int(job.defaultPictures.size()))
    {
    }

    // The picture index of a logo file, or -1 when it does not load.
    int indexOf(const QString &fileName)
    {
        const auto it = m_loaded.constFind(fileName);
        if (it != m_loaded.cend())
            return *it;
        const QImage image =
            loadLogoImage(QDir(m_job.logoFolder).filePath(fileName), m_job.logoWidth, m_job.logoHeight);
        int index = -1;
        if (!image.isNull()) {
            index = m_next++;
            m_sink.logoLoaded(index, image);
        }
        m_loaded.insert(fileName, index);
        return index;
    }

private:
    const TLogoJob &m_job;
    TLogoSink &m_sink;
    int m_next;
    QHash<QString, int> m_loaded;
};

void recreateImages(const TLogoJob &job, TLogoSink &sink)
{
    QList<QImage> defaults;
    for (const QImage &picture : job.defaultPictures)
        defaults.append(fitLogoImage(picture, job.logoWidth, job.logoHeight));
    sink.imagesRecreated(defaults);
}

TLogoRunResult build(const TLogoJob &job, TLogoSink &sink)
{
    const TLogoFileIndex index(collectLogoFiles(job.logoFolder));
    TLogoMatcher matcher(index);
    TLogoLoader loader(job, sink);
    recreateImages(job, sink);

    QByteArray lines;
    for (int i = 0; i < int(job.entries.size()); ++i) {
        const TLogoEntry &entry = job.entries[std::size_t(i)];
        const QString fileName = matcher.MatchLogoFile(entry.name, entry.kind);
        const int logo = fileName.isEmpty() ? -1 : loader.indexOf(fileName);
        if (logo >= 0) {
            lines += (entry.name + u'|' + QString::number(logo) + u'|' + fileName).toUtf8();
            lines += "\r\n";
        }
        if (sink.stopRequested())
            return TLogoRunResult::Stopped;
        sink.logoAssigned(i, logo >= 0 ? logo : entry.defaultIndex);
    }

    QSaveFile file(job.mappingFile);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(lines);
        file.commit();
    }
    return TLogoRunResult::Finished;
}

TLogoRunResult apply(const TLogoJob &job, TLogoSink &sink)
{
    // The first line of a name wins, whatever the case of its letters.
    QHash<QString, QString> mapped;
    const QString text = readMappingText(job.mappingFile);
    for (QStringView line : QStringView(text).split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        const qsizetype first = line.indexOf(u'|');
        const qsizetype second = first < 0 ? -1 : line.indexOf(u'|', first + 1);
        if (second < 0)
            continue;
        const QString key = line.left(first).toString().toUpper();
        if (!mapped.contains(key))
            mapped.insert(key, line.mid(second + 1).toString());
    }
    TLogoLoader loader(job, sink);
    recreateImages(job, sink);

    for (int i = 0; i < int(job.entries.size()); ++i) {
        const TLogoEntry &entry = job.entries[std::size_t(i)];
        int logo = -1;
        if (entry.myServices || job.mappingEnabled) {
            const QString fileName = mapped.value(entry.name.toUpper());
            if (isPlainFileName(fileName))
                logo = loader.indexOf(fileName);
        }
        if (sink.stopRequested())
            return TLogoRunResult::Stopped;
        sink.logoAssigned(i, logo >= 0 ? logo : entry.defaultIndex);
    }
    return TLogoRunResult::Finished;
}

} // namespace

QStringList collectLogoFiles(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral("*.*.gif")},
                                  QDir::Files | QDir::Hidden | QDir::System,
                                  QDir::Name | QDir::IgnoreCase);
}

TLogoRunResult runLogoMapping(const TLogoJob &job, TLogoSink &sink)
{
    bool rebuild = job.rebuild || !QFileInfo::exists(job.mappingFile);
    if (job.mappingDisabled)
        rebuild = false;
    return rebuild ? build(job, sink) : apply(job, sink);
}
