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

// Parse and detect: the steps every kind shares. Returns the dialect, or
// nullptr with errorText set.
const DialectSpec *parseAndDetect(ZapitKind kind, const QString &fileName,
                                  XmlDocument &document, QString &errorText, quint16 &format,
                                  const ZapitLoadProgress &progress)
{
    errorText.clear();
    if (!QFileInfo(fileName).isFile()) {
        errorText = msg(MsgXmlNotFound);
        return nullptr;
    }
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        errorText = msg(MsgXmlNotFound);
        return nullptr;
    }
    // The parser refuses such a file anyway; reading it first would only cost
    // its whole size in memory.
    if (!document.acceptsSize(file.size())) {
        errorText = corruptText(document);
        return nullptr;
    }
    const QByteArray data = file.readAll();
    if (isBlank(data)) {
        errorText = msg(MsgXmlEmpty);
        return nullptr;
    }
    if (!document.loadData(data)) {
        errorText = corruptText(document);
        return nullptr;
    }
    const XmlNode root = document.documentElement();
    if (!root) {
        errorText = msg(MsgXmlEmpty);
        return nullptr;
    }
    QStringList elementNames;
    QStringList attributeNames;
    CollectNames(elementNames, attributeNames, root.firstChild());
    if (progress)
        progress(ZapitLoadStep::Detecting);
    const int number = detectZapitDialect(kind, elementNames, attributeNames);
    format = quint16(number);
    if (progress)
        progress(ZapitLoadStep::Loading);
    errorText = msg(MsgXmlFormatUnknown);
    return findZapitDialect(kind, number);
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
    const DialectSpec *dialect = parseAndDetect(kind, fileName, document, errorText, list.Format,
                                                progress);
    if (!dialect)
        return false;
    return finishRead(readZapitDocument(*dialect, document, list), document, list, errorText);
}

bool loadZapitFile(const QString &fileName, TBouquetList &list, QString &errorText,
                   const ZapitLoadProgress &progress)
{
    XmlDocument document;
    const DialectSpec *dialect = parseAndDetect(ZapitKind::Bouquets, fileName, document,
                                                errorText, list.Format, progress);
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
