#include "core/util/text_compare.h"

#include <QCollator>

#include <algorithm>

namespace {

template <typename Map>
QString mapKeepingWidth(QStringView text, Map map)
{
    QString result;
    result.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < n && text.at(i + 1).isLowSurrogate()) {
            const char32_t cp = QChar::surrogateToUcs4(c, text.at(i + 1));
            const char32_t mapped = map(cp);
            const char32_t out = QChar::requiresSurrogates(mapped) ? mapped : cp;
            result += QChar(QChar::highSurrogate(out));
            result += QChar(QChar::lowSurrogate(out));
            i += 2;
            continue;
        }
        const char32_t mapped = map(char32_t(c.unicode()));
        result += QChar::requiresSurrogates(mapped) ? c : QChar(char16_t(mapped));
        ++i;
    }
    return result;
}

} // namespace

QString upperText(const QString &text)
{
    // Identifiers are nearly always upper-case ASCII already: no copy then.
    const bool unchanged = std::all_of(text.cbegin(), text.cend(), [](QChar c) {
        return c.unicode() < 0x80 ? !(c >= u'a' && c <= u'z') : false;
    });
    return unchanged ? text : upperText(QStringView(text));
}

QString upperText(QStringView text)
{
    return mapKeepingWidth(text, [](char32_t cp) { return QChar::toUpper(cp); });
}

QString lowerText(QStringView text)
{
    return mapKeepingWidth(text, [](char32_t cp) { return QChar::toLower(cp); });
}

bool sameUpper(QStringView a, QStringView b)
{
    return a.size() == b.size() && upperText(a) == upperText(b);
}

bool sameText(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

int compareText(const QString &a, const QString &b)
{
    // QCollator is not safe to share between threads; each thread keeps one.
    thread_local QCollator collator = [] {
        QCollator c;
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    const int r = collator.compare(a, b);
    if (r != 0)
        return r;
    // Texts the collation deems equal still get a fixed order, so sorting is
    // repeatable whatever the locale does with punctuation.
    return QString::compare(a, b, Qt::CaseInsensitive);
}
