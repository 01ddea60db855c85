#include "logos/logo_mapper.h"

#include "logos/logo_image.h"
#include "platform/atomic_file.h"
#include "platform/small_file.h"
#include "platform/text_codec.h"

#include <QDir>
#include <QDirIterator>
#include <QHash>
#include <QSet>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <thread>

namespace {

// The most cores the matching takes.
constexpr int kMaxMatchThreads = 4;
// How often the cores look for a stop request (every so many names or files).
constexpr int kStopCheckEvery = 32;

// A logo file name taken from the mapping file names a file inside the logo
// folder, nothing else.
bool isPlainFileName(const QString &name)
{
    return !name.isEmpty() && !name.contains(u'/') && !name.contains(u'\\')
        && name != QLatin1String(".") && name != QLatin1String("..");
}


// Loads each logo file once; the services that share a file share its
// picture.
// Runs work(t) for t = 0 .. threads - 1, on as many cores.
template <typename Work>
void onCores(int threads, Work work)
{
    std::vector<std::thread> helpers;
    for (int t = 1; t < threads; ++t)
        helpers.emplace_back(work, t);
    work(0);
    for (std::thread &helper : helpers)
        helper.join();
}

int matchThreads(const TLogoJob &job)
{
    if (job.cores > 0)
        return std::min(job.cores, kMaxMatchThreads);
    return std::clamp(QThread::idealThreadCount(), 1, kMaxMatchThreads);
}

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
        preload({fileName});
        return m_loaded.value(fileName, -1);
    }

    // Loads the files not loaded yet, several at a time; they take their
    // picture indexes in the order given. False when asked to stop meanwhile.
    bool preload(const std::vector<QString> &fileNames)
    {
        std::vector<QString> fresh;
        QSet<QString> seen;
        for (const QString &name : fileNames) {
            if (!name.isEmpty() && !m_loaded.contains(name) && !seen.contains(name)) {
                seen.insert(name);
                fresh.push_back(name);
            }
        }
        std::vector<QImage> images(fresh.size());
        const QDir folder(m_job.logoFolder);
        const int threads = std::min(matchThreads(m_job), int(fresh.size()));
        std::atomic<bool> stopped{false};
        // Each core takes the next file as it gets free: some files take
        // longer, and other programs may hold a core up for a while.
        std::atomic<std::size_t> next{0};
        onCores(threads, [&](int) {
            for (std::size_t i = next++; i < fresh.size() && !stopped; i = next++) {
                if (i % kStopCheckEvery == 0 && m_sink.stopRequested())
                    stopped = true;
                images[i] = loadLogoImage(folder.filePath(fresh[i]), m_job.logoWidth, m_job.logoHeight);
            }
        });
        if (stopped)
            return false;
        for (std::size_t i = 0; i < fresh.size(); ++i) {
            int index = -1;
            if (!images[i].isNull()) {
                index = m_next++;
                m_sink.logoLoaded(index, images[i]);
            }
            m_loaded.insert(fresh[i], index);
        }
        return true;
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
    const int threads = matchThreads(job);
    const TLogoFileIndex index(collectLogoFiles(job.logoFolder), threads > 1);
    TLogoLoader loader(job, sink);
    recreateImages(job, sink);

    // Matching and decoding are the costly parts and touch nothing shared:
    // all names are matched on several cores in one go, then every logo
    // they found is decoded on several cores, then the results are handed
    // out in list order. One go each keeps the cores busy instead of
    // waiting for each other at every step.
    std::vector<TLogoMatcher> matchers(std::size_t(threads), TLogoMatcher{index});
    for (TLogoMatcher &matcher : matchers)
        matcher.Reserve(job.entries.size() / std::size_t(threads) + 1);
    const int count = int(job.entries.size());
    std::vector<int> found(job.entries.size(), -1); // index into the file names
    std::atomic<bool> stopped{false};
    const int cores = std::max(1, std::min(threads, count));
    // A name always goes to the same core, whose matcher then remembers it
    // for every service of that name. Which core is worked out once per
    // name, each core for its share of the list.
    std::vector<quint8> owner(job.entries.size(), 0);
    if (cores > 1) {
        onCores(cores, [&](int t) {
            const int end = int(qint64(count) * (t + 1) / cores);
            for (int e = int(qint64(count) * t / cores); e < end; ++e)
                owner[std::size_t(e)] = quint8(qHash(job.entries[std::size_t(e)].name) % uint(cores));
        });
    }
    onCores(cores, [&](int t) {
        int done = 0;
        for (int e = 0; e < count && !stopped; ++e) {
            if (owner[std::size_t(e)] != t)
                continue;
            const TLogoEntry &entry = job.entries[std::size_t(e)];
            if (++done % kStopCheckEvery == 0 && sink.stopRequested())
                stopped = true;
            found[std::size_t(e)] = matchers[std::size_t(t)].MatchLogoFileIndex(entry.name, entry.kind);
        }
    });
    if (stopped)
        return TLogoRunResult::Stopped;

    // Logos take their picture indexes in the order services first name them.
    const QStringList &fileNames = index.FileNames();
    std::vector<QString> wanted;
    std::vector<int> wantedFiles;
    std::vector<char> seen(std::size_t(fileNames.size()), 0);
    for (int file : found) {
        if (file >= 0 && !seen[std::size_t(file)]) {
            seen[std::size_t(file)] = 1;
            wanted.push_back(fileNames.at(file));
            wantedFiles.push_back(file);
        }
    }

    const auto linesOf = [&](const std::vector<int> &pictures) {
        QString text;
        text.reserve(qsizetype(count) * 24);
        for (int i = 0; i < count; ++i) {
            const int file = found[std::size_t(i)];
            const int logo = file < 0 ? -1 : pictures[std::size_t(file)];
            if (logo < 0)
                continue;
            char digits[12];
            int size = 0;
            for (int rest = logo; size == 0 || rest > 0; rest /= 10)
                digits[sizeof digits - 1 - size++] = char('0' + rest % 10);
            text += job.entries[std::size_t(i)].name;
            text += u'|';
            text += QLatin1String(digits + sizeof digits - size, size);
            text += u'|';
            text += fileNames.at(file);
            text += QLatin1String("\r\n");
        }
        return text.toUtf8();
    };
    // Every logo found nearly always loads, and then takes the next picture
    // index: the file's lines are made on the side while the logos decode,
    // and made again only when one of them did not load after all.
    std::vector<int> expected(std::size_t(fileNames.size()), -1);
    int nextPicture = int(job.defaultPictures.size());
    for (int file : wantedFiles)
        expected[std::size_t(file)] = nextPicture++;
    QByteArray lines;
    bool linesMade = false;
    std::thread writer;
    if (threads > 1) {
        writer = std::thread([&] { lines = linesOf(expected); });
        linesMade = true;
    }
    struct Joiner {
        std::thread &thread;
        ~Joiner()
        {
            if (thread.joinable())
                thread.join();
        }
    } joiner{writer};

    if (!loader.preload(wanted))
        return TLogoRunResult::Stopped;
    std::vector<int> pictures(std::size_t(fileNames.size()), -1);
    bool asExpected = true;
    for (int file : wantedFiles) {
        pictures[std::size_t(file)] = loader.indexOf(fileNames.at(file));
        asExpected = asExpected && pictures[std::size_t(file)] == expected[std::size_t(file)];
    }

    for (int i = 0; i < count; ++i) {
        const TLogoEntry &entry = job.entries[std::size_t(i)];
        const int file = found[std::size_t(i)];
        const int logo = file < 0 ? -1 : pictures[std::size_t(file)];
        if (sink.stopRequested())
            return TLogoRunResult::Stopped;
        sink.logoAssigned(i, logo >= 0 ? logo : entry.defaultIndex);
    }
    if (writer.joinable())
        writer.join();
    if (!linesMade || !asExpected)
        lines = linesOf(pictures);
    // The mapping in hand serves this run all the same when the file's place
    // holds something a save must not replace.
    AtomicFile file(job.mappingFile);
    if (mayReplaceFile(job.mappingFile) && file.open(QIODevice::WriteOnly)) {
        file.write(lines);
        file.commit();
    }
    return TLogoRunResult::Finished;
}

TLogoRunResult apply(const TLogoJob &job, TLogoSink &sink, const QString &text)
{
    // The first line of a name wins, whatever the case of its letters.
    QHash<QString, QString> mapped;
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
    // Walking the folder and testing each name here takes a fraction of the
    // time of a filtered, sorted listing, which looks up every file and
    // matches the pattern through a regular expression.
    struct Item {
        QString key;
        QString name;
    };
    std::vector<Item> items;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        it.next();
        const QString name = it.fileName();
        // "*.*.gif": a dot somewhere before the ".gif" ending, any case.
        if (name.endsWith(QLatin1String(".gif"), Qt::CaseInsensitive)
            && QStringView(name).left(name.size() - 4).contains(u'.'))
            items.push_back({name.toLower(), name});
    }
    std::stable_sort(items.begin(), items.end(), [](const Item &a, const Item &b) {
        return std::lexicographical_compare(a.key.cbegin(), a.key.cend(), b.key.cbegin(), b.key.cend(),
                                            [](QChar x, QChar y) { return x.unicode() < y.unicode(); });
    });
    QStringList names;
    names.reserve(qsizetype(items.size()));
    for (const Item &item : items)
        names.append(item.name);
    return names;
}

TLogoRunResult runLogoMapping(const TLogoJob &job, TLogoSink &sink)
{
    if (job.rebuild && !job.mappingDisabled)
        return build(job, sink);
    // A FIFO in the file's place would hold this thread, and the program's
    // end with it, forever: only a plain file of a sane size is read, and
    // anything else is built anew as a missing file is. Files from older
    // versions hold Windows-1252 text.
    const SmallFile file = readSmallFile(job.mappingFile);
    const bool unusable = file.status == SmallFileStatus::Missing
        || file.status == SmallFileStatus::NotRegular || file.status == SmallFileStatus::TooLarge;
    if (unusable && !job.mappingDisabled)
        return build(job, sink);
    return apply(job, sink, decodeUtf8OrWindows1252(file.bytes));
}
