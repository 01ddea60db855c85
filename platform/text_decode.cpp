#include "platform/text_codec.h"

#include <QStringDecoder>

#include <algorithm>
#include <array>

namespace {

// The bytes 0x80..0x9F of Windows-1252; the rest agree with Latin-1. The
// five bytes the code page leaves unassigned keep their Latin-1 value, so
// every byte reads as something and writes back as itself.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
constexpr unsigned char kCp1252HighFirst = 0x80;
constexpr unsigned char kCp1252HighLast = 0x9F;

} // namespace

QString decodeWindows1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        *out++ = (u >= kCp1252HighFirst && u <= kCp1252HighLast)
                     ? QChar(kCp1252High[u - kCp1252HighFirst])
                     : QChar(u);
    }
    return text;
}

QString decodeUtf8OrWindows1252(QByteArrayView bytes, bool *windows1252)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (windows1252)
        *windows1252 = utf8.hasError();
    if (utf8.hasError())
        return decodeWindows1252(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

QString windows1252CharsToBytes(const QString &text)
{
    QString bytes = text;
    for (QChar &c : bytes) {
        const auto *at = std::find(kCp1252High.begin(), kCp1252High.end(), c.unicode());
        if (at != kCp1252High.end())
            c = QChar(char16_t(kCp1252HighFirst + (at - kCp1252High.begin())));
    }
    return bytes;
}
