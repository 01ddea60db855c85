#include "logos/logo_pages.h"

#include <gtest/gtest.h>

namespace {

TEST(LogoPages, PageNamesFallIntoTheFirstFamilyTheyName)
{
    const std::pair<const char *, TLogoFamily> cases[] = {
        {"Astra 1KR at 19.2°E", lfAstra192},
        {"astra 2F at 28.2°E", lfAstra282},
        {"Hot Bird 13C", lfHotbird130},
        {"Sirius 4", lfSirius},
        {"Hispasat 1E", lfHispasat},
        {"Eutelsat 7A", lfEutelsat},
        {"Eutelsat Hot Bird 13B", lfHotbird130}, // Hot Bird is tested first
        {"Astra 3B at 23.5°E", lfOthers},
        {"Thor 5", lfOthers},
        {"", lfOthers},
    };
    for (const auto &[name, family] : cases)
        EXPECT_EQ(logoFamilyOf(QString::fromUtf8(name)), family) << name;
}

TEST(LogoPages, ThePackageListKeepsEachPagesOwnAddress)
{
    const QStringList lines = {
        "<tr><td><B><A HREF=\"../tvsat/a1hd.html\">Astra 1 HD</A></B></td></tr>",
        "<tr><td><B><A HREF=\"../tvsat/a1.html\">Astra 1</A></B></td></tr>",
        "<tr><td><A HREF=\"../about.html\">About</A></td></tr>",
        "<B><A HREF=\"../radiosat/r.html\"><i>Radio</i> &amp; more</A></B>",
    };
    const auto packages = parsePackageList("http://127.0.0.1:1/tvsat/tvsat.html", lines);
    ASSERT_EQ(packages.size(), 3u);
    EXPECT_EQ(packages[0].name, "Astra 1 HD");
    EXPECT_EQ(packages[0].url, "http://127.0.0.1:1/tvsat/../tvsat/a1hd.html");
    EXPECT_EQ(packages[1].name, "Astra 1");
    EXPECT_EQ(packages[1].url, "http://127.0.0.1:1/tvsat/../tvsat/a1.html");
    EXPECT_EQ(packages[2].name, "Radio & more");
}

TEST(LogoPages, ChannelNamesFoldIntoFileNames)
{
    const std::pair<const char *, const char *> cases[] = {
        {"Das Erste", "DasErste"},
        {"Télé Sud", "TeleSud"},
        {"ÀÁÈÉÙÚÒÓ", "AAEEUUOO"},
        {"àáèéúùòóë", "aaeeuuooe"},
        {"Österreich Über Äther", "OesterreichUeberAether"},
        {"ä ü ö", "aeueoe"},
        {"Sat\t1", "Sat1"},
        {"A/B:C*D?E\"F<G>H|I\\J", "ABCDEFGHIJ"},
        {"../../Oben", "....Oben"},
        {"..", ""},
        {"/:*?", ""},
        {" \t ", ""},
    };
    for (const auto &[name, file] : cases)
        EXPECT_EQ(logoFileBaseName(QString::fromUtf8(name)), QString::fromUtf8(file)) << name;
}

TEST(LogoPages, ChannelsTakeTheLastPictureNamedBeforeThem)
{
    const QString cell = "<td align=\"left\"><font face=\"Verdana\" size=2><a href=\"x.html\">";
    const QStringList lines = {
        cell + "Before Any</a></font></td>",
        "<tr><td><img src=\"logos/one.gif\" width=52></td>",
        cell + "Télé Sud</a></font></td>",
        cell + "Tele Sud</a></font></td>",
        "<td><img src=\"logos/two.gif\"></td>" + cell + "Same Line</a></td>",
        cell + "/:*?</a></font></td>",
    };
    const auto downloads = parseLogoPage("http://127.0.0.1:1/tvsat/page.html", lines, false);
    ASSERT_EQ(downloads.size(), 4u);
    EXPECT_EQ(downloads[0].fileName, "BeforeAny.radio.gif");
    EXPECT_EQ(downloads[0].imageUrl, "http://127.0.0.1:1/tvsat/");
    EXPECT_EQ(downloads[1].fileName, "TeleSud.radio.gif");
    EXPECT_EQ(downloads[1].imageUrl, "http://127.0.0.1:1/tvsat/logos/one.gif");
    // Names that fold alike name the same file; the later line is fetched last.
    EXPECT_EQ(downloads[2].fileName, "TeleSud.radio.gif");
    EXPECT_EQ(downloads[3].channel, "SameLine");
    EXPECT_EQ(downloads[3].imageUrl, "http://127.0.0.1:1/tvsat/logos/two.gif");
    EXPECT_EQ(parseLogoPage("http://h/p.html", {cell + "ZDF</a>"}, true)[0].fileName, "ZDF.tv.gif");
}

} // namespace
