#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class TSatelite;
class TTransponder;

// Reading the KingOfSat web site's pages: the satellite index (an image map
// whose areas link to one page per satellite) and a satellite page, whose
// table cells list transponders, each followed by its services.

// The index page below the site's base address.
QString kingOfSatIndexUrl(const QString &baseUrl);

// Character references decoded as a browser does, in one pass, so "&amp;lt;"
// stays the text "&lt;". Named references keep their case ("&Ouml;" is not
// "&ouml;"); the four without a case pair are also known in upper case.
// Numeric references ("&#246;", "&#xF6;") too. Unknown ones stay as written.
QString decodePageReferences(const QString &text);

// The plain text of a piece of a page: markup dropped, references decoded,
// blanks trimmed, and without characters a saved list cannot hold.
QString pageText(const QString &html);

// An address found in a page, made absolute against the page's own address
// and percent-encoded; empty when it is not an http: or https: address.
QString resolvePageLink(const QString &pageUrl, const QString &link);

// One satellite of the index page.
struct TKofIndexEntry {
    QString satellite; // the name, without its position
    QString position;  // the orbital position ("19.2°E")
    QString link;      // the absolute address of its page
};

// The orbital position a KingOfSat satellite's name ends with ("Nordstar 2B
// (19.2°E)"), or a position alone ("1.0°W"), as the receiver reads a
// satellite's position attribute: signed tenths of a degree, east positive
// ("192", "-10"). "0", the receiver's own default, when none can be read.
QString kofReceiverPosition(const QString &nameOrPosition);

// The satellites of the index page's image map. False when the page holds
// no image map.
bool parseSatelliteIndex(const QString &page, const QString &pageUrl,
                         QList<TKofIndexEntry> &entries);

// The plain texts of a page's table cells in page order, and the index of
// the last one holding a date and time (-1: none), where services end. A
// table inside a cell is part of that cell's text. rowEnds gives, for each
// cell, the index one past the last cell of its table row; left empty, every
// cell stands for a row of its own.
struct TKofCells {
    QStringList cells;
    int dateIndex = -1;
    QList<int> rowEnds;
};
TKofCells splitPageCells(const QString &page);

// Whether a cell heads a transponder ("... - Beam ..." with a " DVB " part).
bool isTransponderCell(const QString &cell);

// Reads a transponder cell: the frequency (MHz with a fraction on the page)
// in kHz, the symbol rate as the page writes it (kS/s) with "000" appended,
// polarisation, FEC, network and stream ids (decimal on the page); the
// provider after the beam. False for a cell that lacks one of the parts.
bool readTransponderCell(const QString &cell, TTransponder &transponder, QString &provider);

// Adds the transponders and services of a satellite page's cells to
// `satelite`. Every service is typed TV. `progress` hears (done, total).
// Returns how many services the page gave: none means the page was no
// satellite list (an error or check page, or one cut short).
int collectSatelitePage(const TKofCells &cells, TSatelite &satelite,
                        const std::function<void(int, int)> &progress = {});

// The cells that make one service on a satellite page.
inline constexpr int kKofCellsPerService = 12;
