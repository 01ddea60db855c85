#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// Reading a file that the program expects to be small and plain (settings,
// mapping, news and language files). Opening a FIFO waits for a writer that
// may never come, and a device such as /dev/zero never ends: such an entry is
// refused before a byte is read, and so is a file larger than `sizeLimit`.

enum class SmallFileStatus {
    Read,
    Missing,    // nothing of that name
    NotRegular, // a FIFO, device, socket or folder (also behind a link)
    TooLarge,   // larger than the limit
    Unreadable, // no permission or an input error; `detail` says which
};

struct SmallFile {
    SmallFileStatus status = SmallFileStatus::Missing;
    QByteArray bytes;
    QString detail; // the system's words for Unreadable
};

// Far above any such file the program writes (a mapping or news file of a
// list of several hundred thousand services stays well below it).
inline constexpr qint64 kSmallFileSizeLimit = qint64(64) << 20;

SmallFile readSmallFile(const QString &fileName, qint64 sizeLimit = kSmallFileSizeLimit);
// What readSmallFile would find, without reading (bytes stay empty).
SmallFile checkSmallFile(const QString &fileName, qint64 sizeLimit = kSmallFileSizeLimit);

// Whether a save may put a file in the place of `fileName`: nothing stands
// there, or a regular file does. An atomic save through a link replaces what
// the link leads to, so a link is judged by that: a save must never replace a
// device or a FIFO, nor write into one.
bool mayReplaceFile(const QString &fileName);
