#include "ui/grid/number_format.h"

#include "ui/grid/cells.h"

#include <QLocale>

#include <cmath>

QString FormatFloatMask(const QString &mask, double value)
{
    if (mask.isEmpty())
        return CellText::fromFloat(value);
    auto isPlaceholder = [](QChar c) { return c == u'0' || c == u'#'; };
    qsizetype first = -1;
    qsizetype last = -1;
    for (qsizetype k = 0; k < mask.size(); ++k) {
        if (isPlaceholder(mask.at(k))) {
            if (first < 0)
                first = k;
            last = k;
        }
    }
    if (first < 0)
        return mask;
    // A decimal point right after the last placeholder still belongs to it.
    qsizetype end = last + 1;
    const QString number = mask.mid(first, end - first);
    const QString prefix = mask.left(first);
    const QString suffix = mask.mid(end);

    const qsizetype point = number.indexOf(u'.');
    const QString integerPart = point < 0 ? number : number.left(point);
    const QString fractionPart = point < 0 ? QString() : number.mid(point + 1);
    const bool grouping = integerPart.contains(u',');
    const int minIntegerDigits = int(integerPart.count(u'0'));
    const int maxDecimals = int(fractionPart.count(u'0') + fractionPart.count(u'#'));
    const int minDecimals = int(fractionPart.count(u'0'));

    QLocale locale;
    if (!grouping)
        locale.setNumberOptions(QLocale::OmitGroupSeparator);
    QString text = locale.toString(value, 'f', maxDecimals);
    // Drop optional trailing decimals.
    const QChar decimalPoint = locale.decimalPoint().at(0);
    qsizetype pointAt = text.indexOf(decimalPoint);
    if (pointAt >= 0) {
        qsizetype keep = text.size();
        while (keep > pointAt + 1 + minDecimals && text.at(keep - 1) == u'0')
            --keep;
        if (keep == pointAt + 1)
            keep = pointAt;
        text.truncate(keep);
    }
    // Leading zeros up to the shown integer digits.
    const bool negative = text.startsWith(locale.negativeSign());
    QString digits = negative ? text.mid(locale.negativeSign().size()) : text;
    pointAt = digits.indexOf(decimalPoint);
    const qsizetype integerDigits = pointAt < 0 ? digits.size() : pointAt;
    if (integerDigits == 1 && digits.at(0) == u'0' && minIntegerDigits == 0 && pointAt >= 0)
        digits.remove(0, 1);
    else if (integerDigits < minIntegerDigits)
        digits.prepend(QString(minIntegerDigits - integerDigits, u'0'));
    text = (negative ? locale.negativeSign() : QString()) + digits;
    return prefix + text + suffix;
}
