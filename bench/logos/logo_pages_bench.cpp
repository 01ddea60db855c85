// A logo site page that is one endless line of tags, as a broken or hostile
// site could serve: a channel line of a satellite page and a package line of
// an index page, each with 200,000 tags ("<b>x</b> " repeated, 900,000
// bytes), read as the logo manager reads them (parseLogoPage and
// parsePackageList strip the tags with htmlToText); and a channel line of
// 100,000 character references instead (533,000 bytes), which htmlToText
// decodes. The yardstick, measured in the same iterations, is decoding the
// same bytes into text, which any reading of the page pays: the parse must
// grow with the line as that does, so the ratio stays the same at a quarter
// of the size. Each runs 5 repetitions; read the medians.
#include "bench/yardstick.h"
#include "logos/logo_pages.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <benchmark/benchmark.h>

namespace {

constexpr int kRepetitions = 5;

enum class Page { Channels, Index, References };

// A page's marker, then `tags` tags (or half as many references) on the same line.
QByteArray oneLinePage(Page page, int tags)
{
    QByteArray line = page == Page::Index
        ? QByteArray("<B><A HREF=\"../tvsat/astra.html\">")
        : QByteArray("<td align=\"left\"><font face=\"Verdana\" size=2><a href=\"x.html\">");
    line.reserve(line.size() + qsizetype(tags) * 5);
    const char *const entities[] = {"&amp;", "&ouml;", "&lt;", "&nbsp;", "&Uacute;", "&x;"};
    for (int i = 0; i < tags / 2; ++i) {
        if (page == Page::References)
            line += entities[i % 6];
        else
            line += "<b>x</b> ";
    }
    return "<html><body>\n" + line + "\n</body></html>\n";
}

void parsePage(benchmark::State &state, Page page)
{
    const int tags = int(state.range(0));
    const QByteArray bytes = oneLinePage(page, tags);
    const QStringList lines = QString::fromUtf8(bytes).split(u'\n');
    std::size_t found = 0;
    timeAgainst(
        state, "decode",
        [&] {
            found = page != Page::Index
                ? parseLogoPage(QStringLiteral("http://127.0.0.1/tvsat/astra.html"), lines, true).size()
                : parsePackageList(QStringLiteral("http://127.0.0.1/tvsat/tvsat.html"), lines).size();
        },
        [&] { benchmark::DoNotOptimize(QString::fromUtf8(bytes).size()); });
    if (found != 1)
        state.SkipWithError("the line was not read as one entry");
    state.counters["bytes"] = double(bytes.size());
}

void BM_ChannelLineOfTags(benchmark::State &state)
{
    parsePage(state, Page::Channels);
}

void BM_IndexLineOfTags(benchmark::State &state)
{
    parsePage(state, Page::Index);
}

void BM_ChannelLineOfReferences(benchmark::State &state)
{
    parsePage(state, Page::References);
}

void sizes(benchmark::internal::Benchmark *b)
{
    b->Arg(50000)->Arg(200000)->Repetitions(kRepetitions)->ReportAggregatesOnly(true)
        ->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(0.3);
}

BENCHMARK(BM_ChannelLineOfTags)->Apply(sizes);
BENCHMARK(BM_IndexLineOfTags)->Apply(sizes);
BENCHMARK(BM_ChannelLineOfReferences)->Apply(sizes);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    return runBenchmarks(argc, argv);
}
