#pragma once

#include "platform/url_download.h"

#include <QString>

class TPrompts;

// The ready-made list's "update.txt": line 1 is the list's version, the
// lines after it a description. Versions are equal or different, never older
// or newer.

// Where the list's web folder keeps the file, below its base address.
inline constexpr const char *kUpdateFilePath = "/db/pelloran/update.txt";

// A version without "." is an eight-digit stamp that gains dots after its
// second and fourth characters ("07032024" -> "07.03.2024"); a text with dots
// stays as it is, and an empty line gives an empty version.
QString formatListVersion(const QString &firstLine);

// The description after line 1, each line followed by CR LF and the whole
// prefixed with "Update description:" when it is not blank; empty otherwise.
QString listUpdateDescription(const QString &text);

// Downloads the update file from `updateUrl` and reads the version. False,
// after telling the user, when it cannot be downloaded.
bool getSettingsListVersion(const QString &updateUrl, QString &version, TPrompts &prompts,
                            const DownloadOptions &options = {});

// True when the list should be downloaded: its version differs from
// lastVersion, or it is the same and the user (when not silent) wants it
// anyway. False otherwise: with why in errorText when the update file cannot
// be downloaded (the caller tells the user), with errorText empty when the
// list is not wanted.
bool checkSettingsListUpdate(const QString &updateUrl, const QString &lastVersion, bool silent,
                             QString &newVersion, QString &errorText, TPrompts &prompts,
                             const DownloadOptions &options = {});
