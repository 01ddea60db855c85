#pragma once

#include "core/zapit/dialects.h"

#include <QString>

#include <functional>

class TServiceList;
class TBouquetList;

// What a load is doing, for callers that show progress.
enum class ZapitLoadStep { Detecting, Loading };
using ZapitLoadProgress = std::function<void(ZapitLoadStep)>;

// Parses a local zapit file, detects its dialect and reads it into `list`
// (which the caller provides fresh or cleared; it is not cleared here).
// The list's Format is the dialect kept when the file cannot tell it from
// another (a file without services or entries fits several). The detected
// dialect is stored in list.Format even when it is 0, and the
// declared encoding in list.Encoding after a complete read. On failure the
// result is false and errorText holds "XML file not found!", "XML file is
// empty!", "XML file is corrupt!" with the parser's message, or "XML format
// unknown!"; whatever was read before a failure stays in the list.
bool loadZapitFile(ZapitKind kind, const QString &fileName, TServiceList &list,
                   QString &errorText, const ZapitLoadProgress &progress = {});
bool loadZapitFile(const QString &fileName, TBouquetList &list, QString &errorText,
                   const ZapitLoadProgress &progress = {});

// Writes `list` with the writer of dialect `number` of its kind; any other
// number gives "XML format unknown!" and creates no file.
bool writeZapitDialect(ZapitKind kind, int number, const QString &fileName,
                       const QString &encoding, QString &errorText, const TServiceList &list,
                       const QString &creator);
bool writeZapitDialect(int number, const QString &fileName, const QString &encoding,
                       QString &errorText, const TBouquetList &list, const QString &creator);
