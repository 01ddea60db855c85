#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Text to bytes in a named encoding (any name iconv knows, compared without
// regard to case). A character the encoding cannot hold is written as an XML
// numeric character reference ("&#1046;"), so the text survives in any
// encoding an XML reader understands. Nothing when the encoding is unknown.
std::optional<QByteArray> encodeXmlText(const QString &text, const QString &encodingName);

// Whether the name denotes UTF-8 ("UTF-8", "utf-8", "utf8").
bool isUtf8EncodingName(QStringView encodingName);
