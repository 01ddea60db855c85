#include "logos/logo_pages.h"

#include "core/util/file_utils.h"
#include "core/util/str_utils.h"

namespace {

const QLatin1String kTvPackageMarker("<B><A HREF=\"../tvsat");
const QLatin1String kRadioPackageMarker("<B><A HREF=\"../radiosat");
const QLatin1String kLinkMarker("HREF=\"");
const QLatin1String kImageMarker("img src=");
const QLatin1String kChannelMarker("<td align=\"left\"><font face=\"Verdana\" size=2><a href=\"");

// The address up to, not including, its last "/".
QString folderOf(const QString &url)
{
    const qsizetype slash = url.lastIndexOf(u'/');
    return slash < 0 ? QString() : url.left(slash);
}

// The text between the first `"` after `from` and the next `"`.
QString quotedAfter(const QString &line, qsizetype from)
{
    const qsizetype open = line.indexOf(u'"', from);
    if (open < 0)
        return QString();
    const qsizetype close = line.indexOf(u'"', open + 1);
    return close < 0 ? line.mid(open + 1) : line.mid(open + 1, close - open - 1);
}

} // namespace

TLogoFamily logoFamilyOf(const QString &pageName)
{
    static const char *const kFamilies[] = {"ASTRA 1", "ASTRA 2", "HOT BIRD", "SIRIUS",
                                            "HISPASAT", "EUTELSAT"};
    const QString upper = pageName.toUpper();
    for (int i = 0; i < int(std::size(kFamilies)); ++i) {
        if (upper.contains(QLatin1String(kFamilies[i])))
            return TLogoFamily(i);
    }
    return lfOthers;
}

std::vector<TLogoPackage> parsePackageList(const QString &indexUrl, const QStringList &lines)
{
    std::vector<TLogoPackage> packages;
    const QString folder = folderOf(indexUrl);
    for (const QString &line : lines) {
        if (!line.contains(kTvPackageMarker) && !line.contains(kRadioPackageMarker))
            continue;
        const qsizetype link = line.indexOf(kLinkMarker);
        const qsizetype start = link + kLinkMarker.size();
        const qsizetype end = line.indexOf(u'"', start);
        const QString href = end < 0 ? line.mid(start) : line.mid(start, end - start);
        packages.push_back({htmlToText(line).trimmed(), folder + u'/' + href});
    }
    return packages;
}

QString logoFileBaseName(const QString &channelName)
{
    static const struct {
        const char16_t *from;
        const char16_t *to;
    } kFolds[] = {{u"À", u"A"}, {u"Á", u"A"}, {u"È", u"E"}, {u"É", u"E"}, {u"Ù", u"U"},
                  {u"Ú", u"U"}, {u"Ò", u"O"}, {u"Ó", u"O"}, {u"à", u"a"}, {u"á", u"a"},
                  {u"è", u"e"}, {u"é", u"e"}, {u"ú", u"u"}, {u"ù", u"u"}, {u"ò", u"o"},
                  {u"ó", u"o"}, {u"ë", u"e"}, {u"ä", u"ae"}, {u"ü", u"ue"}, {u"ö", u"oe"},
                  {u"Ä", u"Ae"}, {u"Ü", u"Ue"}, {u"Ö", u"Oe"}};
    QString name = removeInvalidFileNameChars(channelName);
    for (const auto &fold : kFolds)
        name.replace(QString::fromUtf16(fold.from), QString::fromUtf16(fold.to));
    name.removeIf([](QChar c) { return c == u' ' || c == u'\t'; });
    // Only dots left would name the folder itself or its parent.
    if (name.count(u'.') == name.size())
        return QString();
    return name;
}

std::vector<TLogoDownload> parseLogoPage(const QString &pageUrl, const QStringList &lines, bool tv)
{
    std::vector<TLogoDownload> downloads;
    const QString folder = folderOf(pageUrl);
    const QString suffix = QLatin1String(tv ? kTvLogoSuffix : kRadioLogoSuffix);
    QString imagePath;
    for (const QString &line : lines) {
        const qsizetype image = line.indexOf(kImageMarker);
        if (image >= 0)
            imagePath = quotedAfter(line, image + kImageMarker.size());
        if (!line.contains(kChannelMarker))
            continue;
        const QString channel = logoFileBaseName(htmlToText(line));
        if (channel.isEmpty())
            continue;
        downloads.push_back({channel, channel + suffix, folder + u'/' + imagePath});
    }
    return downloads;
}
