#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// Text to bytes in a named encoding (any name iconv knows, compared without
// regard to case). A character the encoding cannot hold is written as an XML
// numeric character reference ("&#1046;"), so the text survives in any
// encoding an XML reader understands. Nothing when the encoding is unknown.
std::optional<QByteArray> encodeXmlText(const QString &text, const QString &encodingName);

// Whether the name denotes UTF-8 ("UTF-8", "utf-8", "utf8").
bool isUtf8EncodingName(QStringView encodingName);

// How an encoding writes the printable ASCII characters, TAB, LF and CR: as
// themselves, one byte each (UTF-8, the ISO-8859 family, Windows code pages,
// Shift_JIS), or otherwise (UTF-7, UTF-16, UTF-32, EBCDIC). An XML reader
// finds the declared encoding by reading the declaration as ASCII, so only
// the first kind can be declared in a file that is to load again.
enum class AsciiInEncoding { Unknown, Itself, Changed };
AsciiInEncoding asciiInEncoding(const QString &encodingName);

// Single-byte text that older versions and other programs left: Windows-1252,
// which agrees with Latin-1 except for 0x80..0x9F ("€", curly quotes, dashes).
QString decodeWindows1252(QByteArrayView bytes);

// Text files and pages that are UTF-8 now and were Windows-1252 before: UTF-8
// (a byte order mark dropped) when every byte fits, Windows-1252 otherwise;
// `windows1252` (when given) tells which of the two it was.
QString decodeUtf8OrWindows1252(QByteArrayView bytes, bool *windows1252 = nullptr);

// The reverse of decodeWindows1252 for 0x80..0x9F only: each character that
// stands for such a byte becomes the character of that byte's value again
// (for values that were raw bytes, like a scrambled password).
QString windows1252CharsToBytes(const QString &text);
