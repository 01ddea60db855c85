#pragma once

// Made-up KingOfSat pages of a chosen shape and size, for the page tests and
// the benchmarks that time the same shapes at full size.

#include <QList>
#include <QString>
#include <QStringList>

// An index page whose image map stands on one line, as the site writes it.
inline QString kofIndexPage(const QString &mapLine)
{
    return QStringLiteral("<html><body>\n<img src=\"orbit.png\" usemap=\"#orbit\">\n"
                          "<map name=\"orbit\">\n")
        + mapLine + QStringLiteral("\n</map>\n</body></html>\n");
}

// One area of the image map: a link and its alternative text.
inline QString kofArea(const QString &link, const QString &alt)
{
    return QStringLiteral("<area shape=\"rect\" coords=\"0,0,40,20\" href=\"%1\" alt=\"%2\">")
        .arg(link, alt);
}

// `count` alternative texts that belong to no link, twelve characters each.
inline QString kofLooseAlts(int count)
{
    return QStringLiteral("alt=\"x (1E)\"").repeated(count);
}

// A transponder heading of a satellite page and the names of the services
// listed under it. Transponder n has TSID n and a frequency of its own
// within 2,000 MHz; service k under it has the id n * 16 + k.
struct TKofPageTransponder {
    int number = 0;
    QStringList services;
};

// The heading row of transponder n.
inline QString kofTransponderRow(int number)
{
    return QStringLiteral("<tr><td>Bigsat - %1.00 H - DVB S2 - 27500 3/4 - "
                          "ONID:1 TSID:%2 - Beam Wide - Prov</td></tr>\n")
        .arg(10700 + number % 2000)
        .arg(number);
}

// The row of one service: twelve cells, the name second, the id sixth.
inline QString kofServiceRow(const QString &name, int sid)
{
    return QStringLiteral("<tr><td></td><td>%1</td><td>DE</td><td>TV</td><td>Clear</td>"
                          "<td>%2</td><td></td><td></td><td></td><td></td><td></td>"
                          "<td></td></tr>\n")
        .arg(name)
        .arg(sid);
}

// A satellite page around the given table rows: the menu and the "Last
// updated" marker before them, the date cell that closes the list after.
inline QString kofPage(const QString &rows)
{
    return QStringLiteral(
               "<html><body>\n<table><tr><td>Home</td><td>Beam maps - DVB guide</td></tr></table>\n"
               "<table><tr><td>Last updated: 2026-11-30</td></tr></table>\n<table>\n")
        + rows
        + QStringLiteral("</table>\n<table><tr><td>Page made 2026-12-01 08:00 +0100</td>"
                         "</tr></table>\n</body></html>\n");
}

// A satellite page of each transponder with its services.
inline QString kofSatellitePage(const QList<TKofPageTransponder> &transponders)
{
    QString rows;
    rows.reserve(transponders.size() * 256);
    for (const TKofPageTransponder &t : transponders) {
        rows += kofTransponderRow(t.number);
        for (int k = 0; k < t.services.size(); ++k)
            rows += kofServiceRow(t.services.at(k), t.number * 16 + k);
    }
    return kofPage(rows);
}

// `count` transponders, numbered from 0, with one service each.
inline QList<TKofPageTransponder> kofTransponders(int count)
{
    QList<TKofPageTransponder> transponders;
    transponders.reserve(count);
    for (int n = 0; n < count; ++n)
        transponders.append({n, {QStringLiteral("Service %1").arg(n)}});
    return transponders;
}
