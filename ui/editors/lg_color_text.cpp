#include "ui/editors/lg_color_text.h"

#include "core/util/text_compare.h"
#include "ui/grid/color_names.h"

namespace {

struct NamedColor {
    const char *name;
    QRgb rgb;
};

// The sixteen classic colour constants.
constexpr NamedColor kClassicNames[] = {
    {"clBlack", 0x000000}, {"clMaroon", 0x800000}, {"clGreen", 0x008000}, {"clOlive", 0x808000},
    {"clNavy", 0x000080},  {"clPurple", 0x800080}, {"clTeal", 0x008080},  {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0}, {"clRed", 0xFF0000},   {"clLime", 0x00FF00},  {"clYellow", 0xFFFF00},
    {"clBlue", 0x0000FF},  {"clFuchsia", 0xFF00FF}, {"clAqua", 0x00FFFF}, {"clWhite", 0xFFFFFF}};

constexpr int kHexDigits = 8;

} // namespace

QString colorToText(const QColor &color, bool webFormat)
{
    if (webFormat)
        return ColorToHtmlText(color);
    const QRgb rgb = color.rgb() & RGB_MASK;
    for (const NamedColor &named : kClassicNames) {
        if (named.rgb == rgb)
            return QString::fromLatin1(named.name);
    }
    // $00BBGGRR: the classic form keeps blue in the high byte.
    const uint bgr = uint(color.blue()) << 16 | uint(color.green()) << 8 | uint(color.red());
    return u'$' + QStringLiteral("%1").arg(bgr, kHexDigits, 16, QChar(u'0')).toUpper();
}

std::optional<QColor> textToColor(const QString &text, bool webFormat)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    if (webFormat) {
        const QColor color = HtmlTextToColor(t);
        return color.isValid() ? std::optional<QColor>(color) : std::nullopt;
    }
    for (const NamedColor &named : kClassicNames) {
        if (sameText(QString::fromLatin1(named.name), t))
            return QColor::fromRgb(named.rgb);
    }
    bool ok = false;
    const uint bgr = t.startsWith(u'$') ? t.mid(1).toUInt(&ok, 16) : t.toUInt(&ok, 10);
    if (!ok || bgr > 0xFFFFFFu || t == u"$")
        return std::nullopt;
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}
