#pragma once

#include "platform/small_file.h"

#include <QByteArray>
#include <QString>

// The program's own files: the lock of its folder, the note it leaves while
// it replaces the working files, the record of the files a backup was asked
// for. Only the program makes them, and only as plain files, so whatever
// else stands at such a name (a link, a folder, a FIFO, a device) is not one
// of them: it is never followed, never read and never written through. A
// link to a file elsewhere must not let a save rewrite that file.

enum class OwnFileEntry {
    Missing,
    File,
    Link,
    Folder,
    Special, // a FIFO, device or socket
};

// What stands at the name itself (a link is a link, wherever it leads).
OwnFileEntry ownFileEntry(const QString &fileName);

// As readSmallFile, except that a link is NotRegular, not followed.
SmallFile readOwnFile(const QString &fileName, qint64 sizeLimit = kSmallFileSizeLimit);

// Writes the file whole or not at all (AtomicFile); a link or a special
// file of that name is replaced by the file, never written through. False
// when the file could not be put there (a folder stands in its place, a
// write failed), with why in errorText when given.
bool writeOwnFile(const QString &fileName, const QByteArray &bytes, QString *errorText = nullptr);

// Removes whatever stands at the name, a link and not what it leads to, and
// an empty folder; a folder that holds anything stays. True when nothing
// stands there afterwards.
bool removeOwnFile(const QString &fileName);

// As removeOwnFile, except that a folder that holds anything is moved whole
// out of the name's way, to a free name beside it ("<name>.moved",
// "<name>.moved-2", ...), which goes to movedTo (else left empty): what it
// holds is not the program's to delete, and the name is free again. True
// when nothing stands at the name afterwards.
bool clearOwnFileName(const QString &fileName, QString &movedTo);

// Whether the program can make its files in the folder: a new file is
// really made there and removed again (permissions alone do not tell on a
// read-only mount). It is named as AtomicFile's copies are, so a kill leaves
// nothing the next start would not clear away, and made only where nothing
// stands: no entry of the folder is opened, nor followed.
bool canMakeOwnFiles(const QString &folder);
