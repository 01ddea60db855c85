#include "driver_file_faults.h"
#include "driver_world.h"

#include "core/model/save_handler.h"

#include "file_faults.h"

#include <QDir>
#include <QFile>
#include <QSet>

#include <cerrno>
#include <vector>

namespace {

struct TDrawnFault {
    const char *text;
    const char *under; // in the program folder
    unsigned steps;
    int error;
    int skipUpTo; // the first steps that go through, drawn up to this
    bool atWorkingFile;
};

const std::vector<TDrawnFault> &drawnFaults()
{
    static const std::vector<TDrawnFault> faults = {
        {"a full disk in History", "History/", FileFaults::AnyWrite, ENOSPC, 8, false},
        {"an I/O error renaming in History", "History/", FileFaults::Rename, EIO, 4, false},
        {"History files that cannot be removed", "History/", FileFaults::Remove, EIO, 2, false},
        {"an I/O error renaming over the services file", "Services.xml", FileFaults::Rename, EIO, 0, true},
        {"a full disk writing the bouquets file", ".Bouquets.xml", FileFaults::Write, ENOSPC, 0, true},
        {"a History that cannot be read", "History", FileFaults::ReadFolder, EIO, 0, false},
    };
    return faults;
}

} // namespace

TSaveMenuFault::TSaveMenuFault(TDriverWorld &world, bool save) : m_world(world)
{
    const TDrawnFault &drawn = world.draw.pick(drawnFaults());
    const int skip = world.draw.below(drawn.skipUpTo + 1);
    m_text = QStringLiteral("under %1 (after %2 steps)").arg(QLatin1String(drawn.text)).arg(skip);
    m_atWorkingFile = drawn.atWorkingFile;
    m_before = listFiles();
    // A Save that fails at a working file is told as any failed write is.
    if (save && m_atWorkingFile)
        m_atWorkingFile = false;
    m_fault = std::make_unique<TFileFault>(QDir(world.programFolder()).filePath(QLatin1String(drawn.under)),
                                           drawn.steps, drawn.error, skip);
}

TSaveMenuFault::~TSaveMenuFault() = default;

QHash<QString, QByteArray> TSaveMenuFault::listFiles() const
{
    QHash<QString, QByteArray> files;
    const QDir folder(m_world.programFolder());
    const auto add = [&](const QString &name) {
        QFile file(folder.filePath(name));
        if (file.open(QIODevice::ReadOnly))
            files.insert(name, file.readAll());
    };
    for (const char *name : {"Services.xml", "MyServices.xml", "Bouquets.xml"})
        add(QLatin1String(name));
    for (const QString &name : QDir(folder.filePath(QStringLiteral("History"))).entryList({"*.xml"}, QDir::Files))
        add(QStringLiteral("History/") + name);
    return files;
}

QStringList TSaveMenuFault::finish(bool &saved)
{
    const int failed = FileFaults::failed();
    m_fault.reset();
    m_failed = failed;
    QStringList findings;
    QSet<QByteArray> now;
    const QHash<QString, QByteArray> after = listFiles();
    for (const QByteArray &bytes : after)
        now.insert(bytes);
    for (auto it = m_before.cbegin(); it != m_before.cend(); ++it) {
        if (!now.contains(it.value()))
            findings.append(QStringLiteral("HISTORY lost: %1 as it was before the step is in no working or History file")
                                .arg(it.key()));
    }
    saved = SaveHandler().Saved();
    if (failed > 0 && m_atWorkingFile) {
        for (const QString &line : m_world.prompts.log) {
            if (line.contains(QLatin1String(" restored!\"")))
                findings.append(QStringLiteral("HISTORY success told after a failed step: ") + line);
        }
        if (saved)
            findings.append(QStringLiteral("HISTORY lists counted as saved after a failed step"));
    }
    return findings;
}
