#pragma once

#include "platform/atomic_file.h"

#include <QString>
#include <QStringList>

// The author's file routines. Paths use "/". Each reports a failure inside it
// as an Exception "function <routine>: <reason>".

// The file's content decoded from UTF-8; empty when it does not exist.
QString fileToString(const QString &fileName);
// Copies, replacing an existing target (atomically); true on success, else
// why not in errorText when given. A link at the target's name is written
// through unless `links` replaces it.
bool cpyFile(const QString &source, const QString &target,
             AtomicFile::Links links = AtomicFile::Links::Followed, QString *errorText = nullptr);
// Deletes the copies that saves cut short by a kill left in `folder` (not
// below): the files whose names AtomicFile gives its copies, nothing else.
// Links and folders stay whatever their names.
void removeSaveLeftovers(const QString &folder);
// Removes * ? < > / \ | : and the double quotation mark.
QString removeInvalidFileNameChars(const QString &text);
QString extractFileNameNoExt(const QString &path);
// Folder and name without the extension.
QString extractFileSpecNoExt(const QString &path);
// Exactly one leading "/" (the rest of the text untouched).
QString ensureTrailingBackslash(const QString &path);
// The last "/"-separated part of what follows the first ":".
QString extractUrlFileName(const QString &location);
// Adds every file below `folder` as folder + "/" + name, sub-folders first
// walked where they stand. Symbolic links are neither followed nor listed
// when they lead to a folder (a link may lead back up the tree). False when
// the folder does not exist.
bool listFilesRecursive(const QString &folder, QStringList &list);
