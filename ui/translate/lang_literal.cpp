#include "ui/translate/lang_literal.h"

namespace {

constexpr QChar kQuote = u'\'';
constexpr QChar kCharCode = u'#';
// A "#" without digits stands for this code.
constexpr int kCodeWithoutDigits = 255;
// Codes wrap instead of overflowing: "#300" is character 44.
constexpr int kCodeModulus = 256;

} // namespace

QString decodeLangLiteral(QStringView value)
{
    const qsizetype n = value.size();
    if (n < 2)
        return QString();

    QString result;
    result.reserve(n);
    bool inside = false;
    qsizetype i = 0;
    while (i < n) {
        const QChar c = value.at(i);
        if (c == kQuote) {
            if (i == 0) {
                inside = true;
                ++i;
                continue;
            }
            if (i + 1 < n && value.at(i + 1) == kQuote) {
                if (inside)
                    result += kQuote;
                i += 2;
                continue;
            }
            // 'abc'x: a closing quote must end the value or lead to a "#" code.
            if (inside && i != n - 1 && value.at(i + 1) != kCharCode)
                return QString();
            inside = !inside;
            ++i;
            continue;
        }
        if (c == kCharCode && !inside) {
            ++i;
            int code = 0;
            bool anyDigit = false;
            while (i < n && value.at(i) >= u'0' && value.at(i) <= u'9') {
                code = (code * 10 + (value.at(i).unicode() - u'0')) % kCodeModulus;
                anyDigit = true;
                ++i;
            }
            result += QChar(anyDigit ? code : kCodeWithoutDigits);
            continue;
        }
        result += c;
        ++i;
    }
    return inside ? QString() : result;
}
