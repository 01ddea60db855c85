#pragma once

#include <QByteArray>
#include <QString>

struct SmallFile;

// Why the file cannot be used, in a few words without its name; empty when
// it was read or does not exist.
QString smallFileReason(const SmallFile &file);

// readSmallFile with the reason in the user's words. True when the file was
// read into `bytes`; false with an empty `errorText` when it does not exist,
// false with a message naming the file when it exists but cannot be used.
bool loadSmallFile(const QString &fileName, QByteArray &bytes, QString &errorText);

// Why a small file that exists cannot be used, in the user's words, found
// without reading it; empty when it can be read or does not exist.
QString smallFileProblem(const QString &fileName);
