#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// The logo site's pages as the logo manager reads them: the index page
// lists one page per satellite, each satellite page lists its channels
// with their logo pictures.

// The two index pages below the logo site's base address.
inline constexpr const char *kTvIndexPath = "/tvsat/tvsat.html";
inline constexpr const char *kRadioIndexPath = "/radiosat/radiosat.html";

// One satellite page of the index.
struct TLogoPackage {
    QString name;
    QString url;
};

// The satellite families the logo manager filters by, in the order they
// are tested on a page name; a page of none of them is "others".
enum TLogoFamily {
    lfAstra192,
    lfAstra282,
    lfHotbird130,
    lfSirius,
    lfHispasat,
    lfEutelsat,
    lfOthers,
    kLogoFamilyCount
};
TLogoFamily logoFamilyOf(const QString &pageName);

// The satellite pages named by an index page's lines, in page order; each
// keeps its own address (the index's folder + the link).
std::vector<TLogoPackage> parsePackageList(const QString &indexUrl, const QStringList &lines);

// What a downloaded logo's file name ends with.
inline constexpr const char *kTvLogoSuffix = ".tv.gif";
inline constexpr const char *kRadioLogoSuffix = ".radio.gif";

// One channel of a satellite page: the logo file name it is saved under
// and the address of its picture.
struct TLogoDownload {
    QString channel;  // folded, without blanks; never empty
    QString fileName; // channel + kTvLogoSuffix / kRadioLogoSuffix
    QString imageUrl;
};

// A channel name as a logo file name: characters a file name cannot hold
// removed, accented capitals and small letters and umlauts spelt out, and
// every blank and tab removed.
QString logoFileBaseName(const QString &channelName);

// The channels of a satellite page with their pictures, in page order. A
// channel line uses the last picture named on or before it (the page's
// folder itself before any). Channels whose names fold to nothing are left
// out; names that fold alike keep each their line (the later one wins on
// disk).
std::vector<TLogoDownload> parseLogoPage(const QString &pageUrl, const QStringList &lines, bool tv);
