#include "exchange/kingofsat_page.h"

#include "core/model/satelite.h"
#include "core/model/service.h"
#include "core/model/transponder.h"
#include "core/util/str_utils.h"

#include <QHash>
#include <QRegularExpression>
#include <QUrl>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

// The longest reference name worth looking up ("&thetasym;" is the longest
// the pages could use); a longer run after "&" is plain text.
constexpr int kLongestReference = 10;
constexpr qsizetype kMaxKnownReferences = 4096;
// 180°E and 180°W are one place; no orbital position lies beyond.
constexpr int kHalfCircleTenths = 1800;

// References a browser also knows in capitals, and two the program's own
// table may lack.
struct NamedCharacter {
    const char16_t *name;
    char16_t character;
    bool anyCase;
};
constexpr NamedCharacter kExtraReferences[] = {
    {u"amp", u'&', true},   {u"lt", u'<', true},    {u"gt", u'>', true},
    {u"quot", u'"', true},  {u"apos", u'\'', false}, {u"nbsp", u'\u00A0', false},
};

bool isReferenceNameChar(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

// The character a named reference stands for, or empty.
QString namedReference(const QString &name)
{
    // The program's table is searched once per distinct name; a page repeats
    // the same few names thousands of times.
    thread_local QHash<QString, QString> known;
    const auto cached = known.constFind(name);
    if (cached != known.cend())
        return *cached;
    const QString reference = u'&' + name + u';';
    QString decoded = convertHtmlEntitiesToCharacters(reference);
    if (decoded == reference)
        decoded.clear();
    if (decoded.isEmpty()) {
        for (const NamedCharacter &extra : kExtraReferences) {
            const QString extraName = QString::fromUtf16(extra.name);
            if (name == extraName
                || (extra.anyCase && name == extraName.toUpper())) {
                decoded = QString(QChar(extra.character));
                break;
            }
        }
    }
    // A hostile page could name millions of different references.
    if (known.size() < kMaxKnownReferences)
        known.insert(name, decoded);
    return decoded;
}

QString numericReference(QStringView digits, bool hex)
{
    bool ok = false;
    const uint code = digits.toUInt(&ok, hex ? 16 : 10);
    if (!ok || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return QString(QChar(QChar::ReplacementCharacter));
    const char32_t c = code;
    return QString::fromUcs4(&c, 1);
}

// The text of `text` after the first `what` (case-insensitive), or empty.
QString textAfter(const QString &text, QStringView what)
{
    const qsizetype at = text.indexOf(what, 0, Qt::CaseInsensitive);
    return at < 0 ? QString() : text.mid(at + what.size());
}

QString firstWord(const QString &text)
{
    const qsizetype blank = text.indexOf(u' ');
    return blank < 0 ? text : text.left(blank);
}

QString afterFirstWord(const QString &text)
{
    const qsizetype blank = text.indexOf(u' ');
    return blank < 0 ? QString() : text.mid(blank + 1).trimmed();
}

// No frequency is written with more characters than this; a longer word is
// passed over without reading it to its end.
constexpr qsizetype kLongestFrequency = 32;
// Far above any band, and its kHz still fit the arithmetic.
constexpr qint64 kMaxMegahertz = 999999999;

// A frequency as the page writes it, in MHz with a decimal point or comma
// ("10743.75", "10743,75"), in the kHz the receiver's lists keep
// ("10743750"), so that a transponder of the page is found in them. A
// fourth fraction digit and beyond round to the nearest kHz. Empty for
// anything else, a whole number too: a satellite's own name may hold a
// dash and a number ("Intelsat 10-02"), never one with a fraction.
QString kilohertzOf(QStringView word)
{
    const qsizetype point = std::max(word.indexOf(u'.'), word.indexOf(u','));
    if (point <= 0 || word.size() > kLongestFrequency)
        return {};
    const auto isDigit = [](QChar c) { return c >= u'0' && c <= u'9'; };
    const QStringView whole = word.left(point);
    const QStringView fraction = word.mid(point + 1);
    if (!std::all_of(whole.begin(), whole.end(), isDigit)
        || !std::all_of(fraction.begin(), fraction.end(), isDigit))
        return {};
    qint64 megahertz = 0;
    for (QChar c : whole) {
        megahertz = megahertz * 10 + (c.unicode() - u'0');
        if (megahertz > kMaxMegahertz)
            return {};
    }
    qint64 kilohertz = 0;
    for (qsizetype i = 0; i < 3; ++i)
        kilohertz = kilohertz * 10 + (i < fraction.size() ? fraction.at(i).unicode() - u'0' : 0);
    if (fraction.size() > 3 && fraction.at(3) >= u'5')
        ++kilohertz;
    return QString::number(megahertz * 1000 + kilohertz);
}

// The word that starts at `from` (after blanks), at most `longest`
// characters of it; the next blank or the end of the text ends it.
QStringView wordAt(QStringView text, qsizetype from, qsizetype longest)
{
    while (from < text.size() && text.at(from) == u' ')
        ++from;
    qsizetype end = from;
    while (end < text.size() && end - from <= longest && text.at(end) != u' ')
        ++end;
    return text.mid(from, end - from);
}

// A transponder heading names its beam; so does a row of its own that
// heads the transponders of one beam.
bool isBeamCell(const QString &cell)
{
    return cell.contains(u"beam", Qt::CaseInsensitive);
}

// "Last updated" above the tables arms the walk: cells before it are the
// site's menus, which may mention beams too.
bool isMarkerCell(const QString &cell)
{
    QString compact = removeWhiteSpaces(cell, 0);
    compact.remove(QChar(0x00A0));
    return compact.contains(u"lastupdated", Qt::CaseInsensitive);
}

// Where a marker next stands in a line (case-insensitively), asked for
// positions that only move forward. The line is searched again only once the
// place last found has been passed, and never again once there was none: an
// image-map line with one link and thousands of alternative texts is read
// once, not once per text.
class MarkerScan
{
public:
    MarkerScan(const QString &line, QStringView marker) : m_line(line), m_marker(marker) {}

    QStringView marker() const { return m_marker; }
    // The first place of the marker at or after `from`, or -1.
    qsizetype next(qsizetype from)
    {
        if (!m_searched || (m_found >= 0 && m_found < from)) {
            m_found = m_line.indexOf(m_marker, from, Qt::CaseInsensitive);
            m_searched = true;
        }
        return m_found;
    }

private:
    const QString &m_line;
    QStringView m_marker;
    qsizetype m_found = -1;
    bool m_searched = false;
};

// The quoted value that follows the scan's marker in `line` from `from` on;
// `from` moves past it. False when the marker is missing.
bool takeQuoted(const QString &line, MarkerScan &scan, qsizetype &from, QString &value)
{
    const qsizetype at = scan.next(from);
    if (at < 0)
        return false;
    const qsizetype open = at + scan.marker().size() - 1; // the marker ends with its quote
    const qsizetype close = line.indexOf(u'"', open + 1);
    value = close < 0 ? line.mid(open + 1) : line.mid(open + 1, close - open - 1);
    from = close < 0 ? line.size() : close + 1;
    return true;
}

// The table markup a page's cells and rows are read from.
enum class TKofTag { None, CellOpen, CellClose, RowOpen, RowClose, TableOpen, TableClose };

// Whether the tag `name` (any case) stands at `at`, followed by the end of
// its name.
bool tagNamed(QStringView page, qsizetype at, QLatin1String name)
{
    if (!page.sliced(at).startsWith(name, Qt::CaseInsensitive))
        return false;
    const qsizetype after = at + name.size();
    if (after >= page.size())
        return true;
    const QChar c = page.at(after);
    return !c.isLetterOrNumber() && c != u'-' && c != u':';
}

// The kind of table markup at the "<" at `at`.
TKofTag tagAt(QStringView page, qsizetype at)
{
    static const std::pair<QLatin1String, TKofTag> kTags[] = {
        {QLatin1String("<td"), TKofTag::CellOpen},      {QLatin1String("</td"), TKofTag::CellClose},
        {QLatin1String("<tr"), TKofTag::RowOpen},       {QLatin1String("</tr"), TKofTag::RowClose},
        {QLatin1String("<table"), TKofTag::TableOpen},  {QLatin1String("</table"), TKofTag::TableClose},
    };
    for (const auto &[name, tag] : kTags) {
        if (tagNamed(page, at, name))
            return tag;
    }
    return TKofTag::None;
}

// Where the last `tag` (any case) of the page starts, or -1.
qsizetype lastTag(QStringView page, QLatin1String name)
{
    for (qsizetype at = page.lastIndexOf(name, -1, Qt::CaseInsensitive); at >= 0;
         at = at == 0 ? -1 : page.lastIndexOf(name, at - 1, Qt::CaseInsensitive)) {
        if (tagNamed(page, at, name))
            return at;
    }
    return -1;
}

} // namespace

QString kingOfSatIndexUrl(const QString &baseUrl)
{
    QString base = baseUrl.trimmed();
    while (base.endsWith(u'/'))
        base.chop(1);
    return base + QStringLiteral("/en/lists.php");
}

QString decodePageReferences(const QString &text)
{
    if (!text.contains(u'&'))
        return text;
    QString result;
    result.reserve(text.size());
    const qsizetype size = text.size();
    qsizetype i = 0;
    while (i < size) {
        const QChar c = text.at(i);
        if (c != u'&') {
            result += c;
            ++i;
            continue;
        }
        qsizetype end = i + 1;
        const bool numeric = end < size && text.at(end) == u'#';
        bool hex = false;
        if (numeric) {
            ++end;
            hex = end < size && (text.at(end) == u'x' || text.at(end) == u'X');
            if (hex)
                ++end;
        }
        const qsizetype nameStart = end;
        while (end < size && end - nameStart <= kLongestReference && isReferenceNameChar(text.at(end)))
            ++end;
        const QStringView name = QStringView(text).mid(nameStart, end - nameStart);
        if (name.isEmpty() || end >= size || text.at(end) != u';') {
            result += c;
            ++i;
            continue;
        }
        const QString decoded = numeric ? numericReference(name, hex) : namedReference(name.toString());
        if (decoded.isEmpty()) {
            result += c;
            ++i;
            continue;
        }
        result += decoded;
        i = end + 1;
    }
    return result;
}

QString pageText(const QString &html)
{
    QString plain;
    plain.reserve(html.size());
    const qsizetype size = html.size();
    // The next ">" is looked up once per tag, and never again once there is
    // none: a page full of "<" costs one pass, not one pass per "<".
    qsizetype close = 0;
    qsizetype i = 0;
    while (i < size) {
        const QChar c = html.at(i);
        if (c == u'<') {
            if (close >= 0 && close <= i)
                close = html.indexOf(u'>', i + 1);
            // A "<" that opens no tag is text, as a browser shows it.
            if (close >= 0) {
                i = close + 1;
                continue;
            }
        }
        plain += c;
        ++i;
    }
    plain = decodePageReferences(plain);
    plain.replace(QChar(0x00A0), u' ');
    plain.replace(u'\r', u' ');
    plain.replace(u'\n', u' ');
    return cleanXmlText(removeWhiteSpaces(plain, 3));
}

QString resolvePageLink(const QString &pageUrl, const QString &link)
{
    const QString trimmed = link.trimmed();
    if (trimmed.isEmpty())
        return {};
    const QUrl relative(trimmed, QUrl::TolerantMode);
    if (!relative.isValid())
        return {};
    const QUrl absolute = QUrl(pageUrl, QUrl::TolerantMode).resolved(relative);
    const QString scheme = absolute.scheme().toLower();
    if (!absolute.isValid() || absolute.host().isEmpty()
        || (scheme != u"http" && scheme != u"https"))
        return {};
    return QString::fromLatin1(absolute.toEncoded(QUrl::FullyEncoded));
}

QString kofReceiverPosition(const QString &nameOrPosition)
{
    static const QRegularExpression position(
        QStringLiteral("(?:^|\\()\\s*([0-9]{1,3}(?:\\.[0-9])?)\\s*\u00B0?\\s*([EW])\\s*\\)?$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = position.match(nameOrPosition.trimmed());
    if (!match.hasMatch())
        return QStringLiteral("0");
    // "19.2" is 192 tenths; a whole degree ("13") is 130.
    const QStringList parts = match.captured(1).split(u'.');
    const int tenths = parts[0].toInt() * 10 + (parts.size() > 1 ? parts[1].toInt() : 0);
    if (tenths > kHalfCircleTenths)
        return QStringLiteral("0");
    const bool west = match.captured(2).compare(u"W", Qt::CaseInsensitive) == 0;
    return QString::number(west ? -tenths : tenths);
}

bool parseSatelliteIndex(const QString &page, const QString &pageUrl,
                         QList<TKofIndexEntry> &entries)
{
    entries.clear();
    const QStringList lines = page.split(u'\n');
    for (const QString &rawLine : lines) {
        // References are decoded per attribute below: decoding the line first
        // would decode "&amp;lt;" twice.
        const QString line = rawLine.trimmed();
        if (!matchesWildcard(line.toLower(), u"<area shape=\"rect\"*href=\"*"))
            continue;
        // Every area of the map stands on this one line: a link, then the
        // satellite's name and position as the area's alternative text.
        MarkerScan links(line, u"href=\"");
        MarkerScan texts(line, u"alt=\"");
        qsizetype from = 0;
        while (texts.next(from) >= 0) {
            QString href;
            QString alt;
            const bool hasLink = takeQuoted(line, links, from, href);
            if (!takeQuoted(line, texts, from, alt))
                break;
            const QString target =
                hasLink ? resolvePageLink(pageUrl, decodePageReferences(href)) : QString();
            if (target.isEmpty())
                continue;
            const QString text = pageText(alt);
            const qsizetype lastOpen = text.lastIndexOf(u'(');
            const qsizetype firstOpen = text.indexOf(u'(');
            TKofIndexEntry entry;
            entry.satellite = (lastOpen < 0 ? text : text.left(lastOpen)).trimmed();
            if (firstOpen >= 0) {
                const qsizetype close = text.indexOf(u')', firstOpen + 1);
                entry.position = close < 0 ? text.mid(firstOpen + 1)
                                           : text.mid(firstOpen + 1, close - firstOpen - 1);
                entry.position = entry.position.trimmed();
            }
            entry.link = target;
            entries.append(entry);
        }
        return true;
    }
    return false;
}

TKofCells splitPageCells(const QString &page)
{
    TKofCells result;
    const QStringView view(page);
    // A cell after the page's last end tag is never closed: it is empty.
    const qsizetype lastClose = lastTag(view, QLatin1String("</td"));
    QList<int> rows; // the row of each cell
    int row = 0;
    qsizetype start = -1; // just after the "<td" of the open cell; -1: none
    int depth = 0;        // tables opened inside the open cell
    QString raw;
    qsizetype pieceStart = 0;
    bool nested = false; // the open cell holds a table
    const auto endCell = [&](qsizetype end) {
        raw += view.sliced(pieceStart, end - pieceStart);
        QString text = start > lastClose ? QString() : pageText(raw);
        if (nested)
            text = text.simplified();
        if (matchesWildcard(text, u"*-*-* +*"))
            result.dateIndex = int(result.cells.size());
        result.cells.append(text);
        rows.append(row);
        start = -1;
    };
    for (qsizetype at = view.indexOf(u'<'); at >= 0; at = view.indexOf(u'<', at + 1)) {
        const TKofTag tag = tagAt(view, at);
        if (tag == TKofTag::None)
            continue;
        if (start >= 0 && depth > 0) {
            // Inside a table within the cell: its cells are the cell's text,
            // kept apart by a blank as a browser shows them.
            raw += view.sliced(pieceStart, at - pieceStart);
            raw += u' ';
            pieceStart = at;
            if (tag == TKofTag::TableOpen)
                ++depth;
            else if (tag == TKofTag::TableClose)
                --depth;
            continue;
        }
        if (start >= 0 && tag == TKofTag::TableOpen) {
            ++depth;
            nested = true;
            continue;
        }
        // Anything else ends an open cell: its end tag, the next cell, or
        // the end of its row or table.
        if (start >= 0)
            endCell(at);
        if (tag == TKofTag::CellOpen) {
            start = at + 3;
            depth = 0;
            nested = false;
            raw = QStringLiteral("<"); // the rest of the opening tag goes with the other markup
            pieceStart = start;
        } else if (tag != TKofTag::CellClose) {
            ++row;
        }
    }
    if (start >= 0)
        endCell(view.size());
    result.rowEnds.resize(rows.size());
    for (qsizetype i = rows.size() - 1; i >= 0; --i) {
        const bool last = i + 1 == rows.size() || rows.at(i + 1) != rows.at(i);
        result.rowEnds[i] = last ? int(i + 1) : result.rowEnds.at(i + 1);
    }
    return result;
}

bool isTransponderCell(const QString &cell)
{
    return isBeamCell(cell) && cell.contains(u" dvb ", Qt::CaseInsensitive);
}

bool readTransponderCell(const QString &cell, TTransponder &transponder, QString &provider)
{
    // "Nordstar 2B - 11494.25 H - DVB S2 - 22000 2/3 - ONID:1 TSID:1089 - Beam Europe - Nordcast"
    // The frequency is the first word after a dash that reads as one: the
    // satellite's name before it may hold dashes of its own.
    QString frequency;
    qsizetype dash = cell.indexOf(u'-');
    for (; dash >= 0; dash = cell.indexOf(u'-', dash + 1)) {
        frequency = kilohertzOf(wordAt(cell, dash + 1, kLongestFrequency));
        if (!frequency.isEmpty())
            break;
    }
    if (dash < 0)
        return false;
    QString s = afterFirstWord(cell.mid(dash + 1).trimmed());
    if (s.isEmpty())
        return false;
    const QString polarization = s.startsWith(u'H') ? QStringLiteral("0") : QStringLiteral("1");
    const qsizetype firstDash = s.indexOf(u'-');
    const qsizetype secondDash = firstDash < 0 ? -1 : s.indexOf(u'-', firstDash + 1);
    if (secondDash < 0)
        return false;
    s = s.mid(secondDash + 1).trimmed();
    const QString symbolRate = firstWord(s);
    if (symbolRate.isEmpty())
        return false;
    s = afterFirstWord(s);
    const QString fec = firstWord(s);
    qsizetype colon = s.indexOf(u':');
    if (colon < 0)
        return false;
    s = s.mid(colon + 1).trimmed();
    const QString onid = firstWord(s);
    colon = s.indexOf(u':');
    if (colon < 0)
        return false;
    s = s.mid(colon + 1).trimmed();
    const QString tsid = firstWord(s);

    transponder.Frequency = frequency;
    transponder.Polarization = polarization;
    transponder.SymbolRate = symbolRate + QStringLiteral("000");
    transponder.SetFecText(fec);
    transponder.SetOnidDec(onid);
    transponder.SetTsidDec(tsid);
    const QString beam = textAfter(s, u"beam").trimmed();
    const qsizetype providerDash = beam.indexOf(u'-');
    provider = providerDash < 0 ? QString() : beam.mid(providerDash + 1).trimmed();
    return true;
}

namespace {

// Whether the row that goes on from cell `first` names a beam. A row that
// holds a whole service is a service, whatever its name: only its first
// cell is looked at, so "Moonbeam One" keeps the services after it.
bool isBeamRow(const TKofCells &page, int first)
{
    const int rowEnd = std::min(first < page.rowEnds.size() ? page.rowEnds.at(first) : first + 1,
                                int(page.cells.size()));
    if (isBeamCell(page.cells.at(first)))
        return true;
    if (rowEnd - first >= kKofCellsPerService)
        return false;
    for (int k = first + 1; k < rowEnd; ++k) {
        if (isBeamCell(page.cells.at(k)))
            return true;
    }
    return false;
}

} // namespace

int collectSatelitePage(const TKofCells &page, TSatelite &satelite,
                        const std::function<void(int, int)> &progress)
{
    const QStringList &cells = page.cells;
    const int count = int(cells.size());
    // Report about a hundred times per page, not once per cell.
    const int reportEvery = std::max(1, count / 100);
    bool armed = false;
    int services = 0;
    // Added together at the end, so that a repeated one is found in a table:
    // a page may list tens of thousands.
    std::vector<std::unique_ptr<TTransponder>> transponders;
    for (int k = 0; k < count; ++k) {
        if (progress && k % reportEvery == 0)
            progress(k, count);
        if (!armed && isMarkerCell(cells.at(k)))
            armed = true;
        if (!armed || !isTransponderCell(cells.at(k)))
            continue;
        auto transponder = std::make_unique<TTransponder>();
        QString provider;
        if (!readTransponderCell(cells.at(k), *transponder, provider))
            continue;
        int next = k + 1;
        // Services follow until the page's closing date or a beam row where
        // the next service would start: the next transponder's heading, or a
        // row of its own ("Spot beam Italy", perhaps after an empty cell)
        // that heads the transponders of another beam.
        while (next < count && next < page.dateIndex && !isBeamRow(page, next)) {
            if (next + kKofCellsPerService > count)
                break; // the page ends inside this service
            auto service = std::make_unique<TService>();
            service->SetServiceType(QStringLiteral("01"));
            service->SetProvider(provider);
            service->Name = cells.at(next + 1);
            service->SetCountry(cells.at(next + 2));
            service->SetCategory(cells.at(next + 3));
            service->SetEncryption(cells.at(next + 4));
            service->SetSidDec(cells.at(next + 5));
            transponder->AddService(std::move(service));
            ++services;
            next += kKofCellsPerService;
        }
        transponders.push_back(std::move(transponder));
        k = next - 1; // the cell that ended the services is looked at again
    }
    satelite.AddTransponders(std::move(transponders));
    if (progress)
        progress(count, count);
    return services;
}
