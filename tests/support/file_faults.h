#pragma once

#include <QFile>
#include <QString>

#include <string>

// Makes the program's own file steps fail inside a test program, as a full
// disk, a failing device or a folder the user may not write would. The test
// programs link this library, whose calls take the place of the C library's
// for the program and Qt alike; nothing in the program knows of it. Each
// step is checked against one rule: the kinds of step, the start of the
// paths it applies to and the error the steps get.
namespace FileFaults {

enum Step : unsigned {
    Create = 1u << 0,     // opening a file to write it (made new or not)
    Read = 1u << 1,       // opening a file to read it
    Write = 1u << 2,      // writing into a file whose path falls under the rule
    Sync = 1u << 3,       // fsync, fdatasync
    Rename = 1u << 4,     // a rename from or to a path under the rule
    Remove = 1u << 5,     // unlink, rmdir
    MakeFolder = 1u << 6, // mkdir
    ReadFolder = 1u << 7, // opendir
    AnyWrite = Create | Write | Sync | Rename | Remove | MakeFolder,
};

// From now on the `steps` on paths that start with `prefix` fail with
// `error`: the first `skip` of them go through, then `times` of them fail
// (-1: every one). Replaces the rule set before.
void failUnderPath(const std::string &prefix, unsigned steps, int error, int skip = 0, int times = -1);
// Every step goes through again.
void clear();
// How many steps the rule met so far, those let through included.
int matched();
// How many of them failed.
int failed();

inline void failUnder(const QString &prefix, unsigned steps, int error, int skip = 0, int times = -1)
{
    failUnderPath(QFile::encodeName(prefix).toStdString(), steps, error, skip, times);
}

} // namespace FileFaults

// A rule for the time of one scope.
struct TFileFault {
    TFileFault(const QString &prefix, unsigned steps, int error, int skip = 0, int times = -1)
    {
        FileFaults::failUnder(prefix, steps, error, skip, times);
    }
    ~TFileFault() { FileFaults::clear(); }
    TFileFault(const TFileFault &) = delete;
    TFileFault &operator=(const TFileFault &) = delete;
};
