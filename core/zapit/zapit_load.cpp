#include "core/zapit/zapit_load.h"

#include "core/model/bouquet_list.h"
#include "core/model/service_list.h"
#include "core/util/messages.h"
#include "core/zapit/detect.h"
#include "core/zapit/reader.h"
#include "core/zapit/writer.h"
#include "platform/xml_document.h"

#include <QFile>
#include <QFileInfo>

#include <optional>

namespace {

const QString kLineBreak = QStringLiteral("\r\n");

bool isBlank(const QByteArray &data)
{
    for (char c : data) {
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            return false;
    }
    return true;
}

QString corruptText(const XmlDocument &document)
{
    return msg(MsgXmlCorrupt) + kLineBreak + kLineBreak + kLineBreak + msg(MsgXmlParserMessage)
        + kLineBreak + kLineBreak + document.errorMessage();
}

// Parse and detect: the steps every kind shares. Returns the dialect as far
// down as the file holds levels, so that an element below them is refused;
// or nothing, with errorText set. `format` comes in as the list's dialect,
// kept for a file that cannot tell it from another, and goes out detected.
std::optional<DialectSpec> parseAndDetect(ZapitKind kind, const QString &fileName,
                                          XmlDocument &document, QString &errorText,
                                          quint16 &format, const ZapitLoadProgress &progress)
{
    errorText.clear();
    if (!QFileInfo(fileName).isFile()) {
        errorText = msg(MsgXmlNotFound);
        return std::nullopt;
    }
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        errorText = msg(MsgXmlNotFound);
        return std::nullopt;
    }
    // The parser refuses such a file anyway; reading it first would only cost
    // its whole size in memory.
    if (!document.acceptsSize(file.size())) {
        errorText = corruptText(document);
        return std::nullopt;
    }
    const QByteArray data = file.readAll();
    if (isBlank(data)) {
        errorText = msg(MsgXmlEmpty);
        return std::nullopt;
    }
    if (!document.loadData(data)) {
        errorText = corruptText(document);
        return std::nullopt;
    }
    const XmlNode root = document.documentElement();
    if (!root) {
        errorText = msg(MsgXmlEmpty);
        return std::nullopt;
    }
    if (progress)
        progress(ZapitLoadStep::Detecting);
    const ZapitDetection found = detectZapitFile(kind, root, format);
    format = quint16(found.dialect);
    if (progress)
        progress(ZapitLoadStep::Loading);
    errorText = msg(MsgXmlFormatUnknown);
    const DialectSpec *dialect = findZapitDialect(kind, found.dialect);
    if (!dialect)
        return std::nullopt;
    DialectSpec held = *dialect;
    held.depth = found.levels;
    return held;
}

template <typename List>
bool finishRead(quint8 code, const XmlDocument &document, List &list, QString &errorText)
{
    if (code != kReadComplete)
        return false;
    list.Encoding = document.encoding();
    errorText.clear();
    return true;
}

} // namespace

bool loadZapitFile(ZapitKind kind, const QString &fileName, TServiceList &list,
                   QString &errorText, const ZapitLoadProgress &progress)
{
    XmlDocument document;
    const auto dialect = parseAndDetect(kind, fileName, document, errorText, list.Format,
                                        progress);
    if (!dialect)
        return false;
    return finishRead(readZapitDocument(*dialect, document, list), document, list, errorText);
}

bool loadZapitFile(const QString &fileName, TBouquetList &list, QString &errorText,
                   const ZapitLoadProgress &progress)
{
    XmlDocument document;
    const auto dialect = parseAndDetect(ZapitKind::Bouquets, fileName, document, errorText,
                                        list.Format, progress);
    if (!dialect)
        return false;
    return finishRead(readZapitDocument(*dialect, document, list), document, list, errorText);
}

bool writeZapitDialect(ZapitKind kind, int number, const QString &fileName,
                       const QString &encoding, QString &errorText, const TServiceList &list,
                       const QString &creator)
{
    errorText.clear();
    const DialectSpec *dialect = kind == ZapitKind::Bouquets ? nullptr
                                                             : findZapitDialect(kind, number);
    if (!dialect) {
        errorText = msg(MsgXmlFormatUnknown);
        return false;
    }
    return writeZapitFile(*dialect, fileName, encoding, errorText, list, creator);
}

bool writeZapitDialect(int number, const QString &fileName, const QString &encoding,
                       QString &errorText, const TBouquetList &list, const QString &creator)
{
    errorText.clear();
    const DialectSpec *dialect = findZapitDialect(ZapitKind::Bouquets, number);
    if (!dialect) {
        errorText = msg(MsgXmlFormatUnknown);
        return false;
    }
    return writeZapitFile(*dialect, fileName, encoding, errorText, list, creator);
}
