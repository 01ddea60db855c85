#include "core/util/number_text.h"

#include "core/util/str_utils.h"

#include <algorithm>
#include <iterator>

std::optional<quint32> hexTextValue(QStringView text)
{
    if (!isHexNumber(text))
        return std::nullopt;
    quint64 value = 0;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        const int digit = u <= u'9' ? u - u'0' : (u | 0x20) - u'a' + 10;
        value = value * 16 + quint64(digit);
        if (value > 0xFFFFFFFFull)
            return std::nullopt;
    }
    return quint32(value);
}

QString hexToDecText(QStringView hexText)
{
    QString text;
    hexToDecText(hexText, text);
    return text;
}

void hexToDecText(QStringView hexText, QString &into)
{
    quint32 value = hexTextValue(hexText).value_or(0);
    char16_t digits[10];
    char16_t *first = std::end(digits);
    do {
        *--first = char16_t(u'0' + value % 10);
        value /= 10;
    } while (value != 0);
    const auto count = std::end(digits) - first;
    into.resize(count);
    std::copy(first, std::end(digits), reinterpret_cast<char16_t *>(into.data()));
}

QString decToHexText(QStringView decimalText)
{
    bool ok = false;
    const quint32 value = isDecimalNumber(decimalText) ? decimalText.toUInt(&ok, 10) : 0;
    if (!ok)
        return QStringLiteral("0000");
    return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0')).toUpper();
}
