#pragma once

#include <QString>

// The folder of the running program's file, with a trailing "/".
QString applicationFolder();

// A private folder for this run's temporary files (created on first use,
// readable by this user only, removed when the program ends), with a
// trailing "/". Empty when it cannot be created. The first use also clears
// away the folders of runs that ended without removing theirs.
QString privateTempFolder();

// Deletes the private temporary folders in `tempRoot` that this user's runs
// made and that no running process owns any more; nothing else.
void removeEndedRunsTempFolders(const QString &tempRoot);

// A new, unique, empty file in privateTempFolder() whose name starts with
// `prefix`; its full name, or empty when it cannot be created. The file
// stays until the folder goes.
QString createTempFile(const QString &prefix);

// The registry does not exist here: every read finds nothing.
QString readRegistryValue(const QString &key, const QString &valueName, const QString &rootKey);
