#pragma once

#include "platform/own_file.h"

#include <QString>

// Keeps a second program off a folder: a kernel lock (flock) on a plain
// file in it. The kernel lets go of it when the program ends in whatever
// way, a kill or a power cut included, so a lock that no running program
// holds is simply taken; what the file holds means nothing and is never
// read. Whatever else stands at the name is never opened, nor followed.
class FolderLock
{
public:
    enum class Status {
        Held,      // this program holds the folder
        Taken,     // another running program holds it
        InTheWay,  // not a plain file stands at the name (entry())
        NotLocked, // the file cannot be made or locked (a folder that cannot be written)
    };

    explicit FolderLock(QString fileName);
    // Removes the file, still holding it, then lets go.
    ~FolderLock();
    FolderLock(const FolderLock &) = delete;
    FolderLock &operator=(const FolderLock &) = delete;

    Status tryLock();
    // What stands at the name when tryLock said InTheWay.
    OwnFileEntry entry() const { return m_entry; }
    QString fileName() const { return m_fileName; }

private:
    QString m_fileName;
    int m_fd = -1;
    OwnFileEntry m_entry = OwnFileEntry::Missing;
};
