#include "app/main/settings_values.h"

#include "platform/ini_file.h"

#include <algorithm>
#include <array>


std::optional<int> parseProfileInt(const QString &raw)
{
    const QString text = raw.trimmed();
    bool ok = false;
    int value = 0;
    if (text.startsWith(u'$'))
        value = text.mid(1).toInt(&ok, 16);
    else if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        value = text.mid(2).toInt(&ok, 16);
    else
        value = text.toInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    return value;
}

bool storableInIni(const QString &value)
{
    for (const QChar c : value) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return false;
    }
    IniFile probe;
    probe.writeString(QStringLiteral("S"), QStringLiteral("password"), value);
    const IniFile back = IniFile::fromBytes(probe.toText().toUtf8());
    return back.value(QStringLiteral("S"), QStringLiteral("password")) == value;
}

QString oneLine(QString text)
{
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    return text;
}
