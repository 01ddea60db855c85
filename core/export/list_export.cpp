#include "core/export/list_export.h"

#include "core/model/bouquet_list.h"
#include "core/model/service_list.h"
#include "core/util/file_utils.h"
#include "core/util/str_utils.h"
#include "core/util/sys_utils.h"
#include "core/util/text_compare.h"
#include "platform/atomic_file.h"

#include <QDir>
#include <QHash>
#include <QSet>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

#include <optional>

namespace {

const QString kLogo = QStringLiteral("Logo");
const QString kSatelliteColumn = QStringLiteral("Satellite/Cable");
const QString kCrLf = QStringLiteral("\r\n");
const QString kEmptyCell = QStringLiteral("&nbsp;");
const QString kSpacerColour = QStringLiteral("#ffffff");
const QString kPageStart = QStringLiteral(
    "<html><body><table width=\"100%\" cellspacing=\"0\" cellpading=\"1\" border=\"1\" "
    "style=\"border-collapse: collapse; border: 1px solid #666666\">");
const QString kPageEnd = QStringLiteral("</table></body></html>");
const QString kFontStart = QStringLiteral(
    "<font color=\"#000000\" face=\"Verdana, Tahoma, Arial, Helvetica, sans-serif\" "
    "style=\"font-size: 10px\">");

enum CellKind { SpacerCell = 0, TitleCell = 1, BodyCell = 2 };

// One exported row: the service (with its transponder and satellite) and the
// name the row shows; a bouquet entry may lack any of the three.
struct Row {
    QString name;
    const TService *service = nullptr;
    const TTransponder *transponder = nullptr;
    const TSatelite *satelite = nullptr;
};

// The value of a column, or nothing when the row lacks the object it needs.
// Only names are names; the rest are written as the model holds them.
struct Value {
    QString text;
    bool isName = false;
};

std::optional<Value> columnValue(const QString &column, const Row &row)
{
    if (column == u"Service Name")
        return Value{row.name, true};
    if (column == u"Service Type" || column == u"SID") {
        if (!row.service)
            return std::nullopt;
        return Value{column == u"SID" ? row.service->Sid : row.service->GetServiceType()};
    }
    if (column == kSatelliteColumn) {
        if (!row.satelite)
            return std::nullopt;
        return Value{row.satelite->Name, true};
    }
    const TTransponder *tp = row.transponder;
    const std::pair<const char16_t *, const QString TTransponder::*> tpColumns[] = {
        {u"TSID", &TTransponder::Tsid},         {u"ONID", &TTransponder::Onid},
        {u"Frequency", &TTransponder::Frequency}, {u"Inversion", &TTransponder::Inversion},
        {u"Polarization", &TTransponder::Polarization}, {u"FEC", &TTransponder::Fec},
        {u"Modulation", &TTransponder::Modulation},
    };
    for (const auto &[name, field] : tpColumns) {
        if (column == QStringView(name))
            return tp ? std::optional<Value>(Value{tp->*field}) : std::nullopt;
    }
    return Value{};
}

// A whole number or decimal, maybe signed: what a spreadsheet reads as a
// number, never as a formula.
bool isPlainNumber(const QString &text)
{
    static const QRegularExpression number(QStringLiteral("^[+-]?[0-9]+([.,][0-9]+)?$"));
    return number.match(text).hasMatch();
}

// A spreadsheet opening the file takes a cell beginning with "=", "+", "-"
// or "@" for a formula, and some strip a leading tab or carriage return
// before they look; names come from web pages and receivers, so such a
// cell could run anything. It is written with an apostrophe in front,
// quoted: Excel takes the apostrophe as its "this is text" mark and shows
// the name as it is; LibreOffice may show the apostrophe with it, but as
// text all the same. A leading tab instead is what some programs skip
// before they look, so it would not stop them. A plain number ("-5") is
// no formula and stays a number.
bool mightBeAFormula(const QString &text)
{
    if (text.isEmpty() || isPlainNumber(text))
        return false;
    const QChar first = text.front();
    return first == u'=' || first == u'+' || first == u'-' || first == u'@' || first == u'\t'
        || first == u'\r';
}

// A field holding the separator, a quote or a line break is quoted, so it
// stays one field; every other field is written as it stands.
QString csvField(const QString &text)
{
    const bool formula = mightBeAFormula(text);
    if (!formula && !text.contains(u';') && !text.contains(u'"') && !text.contains(u'\r')
        && !text.contains(u'\n'))
        return text;
    QString quoted = text;
    quoted.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + (formula ? QLatin1Char('\'') + quoted : quoted) + u'"';
}

QString htmlText(const Value &value)
{
    if (value.isName)
        return convertCharactersToHtmlEntities(value.text);
    QString escaped = value.text;
    escaped.replace(u'&', QStringLiteral("&amp;"));
    escaped.replace(u'<', QStringLiteral("&lt;"));
    escaped.replace(u'>', QStringLiteral("&gt;"));
    escaped.replace(u'"', QStringLiteral("&quot;"));
    return escaped;
}

// The page is plain ASCII: any other character is a character reference, so
// no browser has to guess the encoding.
QByteArray asciiPage(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (char32_t c : text.toUcs4()) {
        if (c < 0x80)
            bytes += char(c);
        else
            bytes += "&#" + QByteArray::number(quint32(c)) + ';';
    }
    return bytes;
}

// Writes the list line by line as it is made, so a list of 100,000 rows is
// never held twice in memory; the file replaces an earlier one only once it
// is complete.
class LineWriter
{
public:
    enum Encoding { Utf8, Ascii };

    LineWriter(const QString &fileName, Encoding encoding)
        : m_file(fileName), m_encoding(encoding)
    {
        m_ok = m_file.open(QIODevice::WriteOnly);
    }

    LineWriter &operator<<(const QString &line)
    {
        if (!m_ok)
            return *this;
        m_buffer += m_encoding == Ascii ? asciiPage(line) : line.toUtf8();
        m_buffer += "\r\n";
        if (m_buffer.size() >= kFlushBytes)
            flush();
        return *this;
    }

    bool commit()
    {
        flush();
        if (!m_ok) {
            m_file.cancelWriting();
            return false;
        }
        return m_file.commit();
    }

private:
    static constexpr qsizetype kFlushBytes = 1 << 20;
    void flush()
    {
        if (m_ok && !m_buffer.isEmpty())
            m_ok = m_file.write(m_buffer) == m_buffer.size();
        m_buffer.clear();
    }

    AtomicFile m_file;
    Encoding m_encoding;
    QByteArray m_buffer;
    bool m_ok = false;
};

QStringList shownColumns(const ExportColumns &columns, const QStringList &left)
{
    QStringList shown;
    for (const ExportColumn &c : columns) {
        if (c.checked && !left.contains(c.name))
            shown.append(c.name);
    }
    return shown;
}

// A group of rows under a title: one bouquet, or one satellite's services.
struct Group {
    QString title;
    QList<Row> rows;
};

bool wanted(const TService *service, const ExportTypes &types)
{
    if (!service)
        return true;
    const std::optional<quint32> type = service->TypeNumber();
    if (type == 1u)
        return types.tv;
    if (type == 2u)
        return types.radio;
    return types.data;
}

QList<Group> bouquetGroups(const TBouquetList &list, const QString &bouquetName,
                           const ExportTypes &types)
{
    QList<Group> groups;
    for (int b = 0; b < list.Count(); ++b) {
        const TBouquet *bouquet = list.GetItem(b);
        if (!bouquetName.isEmpty() && bouquet->Name != bouquetName)
            continue;
        Group group{bouquet->Name, {}};
        for (int e = 0; e < bouquet->Count(); ++e) {
            const TBouquetService *entry = bouquet->GetItem(e);
            if (!wanted(entry->Service(), types))
                continue;
            group.rows.append({entry->Name, entry->Service(), entry->Transponder(),
                               entry->Satelite()});
        }
        groups.append(group);
    }
    return groups;
}

QList<Group> satelliteGroups(const TServiceList &list, const ExportTypes &types)
{
    QList<Group> groups;
    for (int s = 0; s < list.Count(); ++s) {
        const TSatelite *sat = list.GetItem(s);
        Group group{sat->Name, {}};
        for (int t = 0; t < sat->Count(); ++t) {
            const TTransponder *tp = sat->GetItem(t);
            for (int v = 0; v < tp->Count(); ++v) {
                if (wanted(tp->GetItem(v), types))
                    group.rows.append({tp->GetItem(v)->Name, tp->GetItem(v), tp, sat});
            }
        }
        groups.append(group);
    }
    return groups;
}

// Reports every so many rows and once at the end.
class RowCounter
{
public:
    RowCounter(const QList<Group> &groups, const ExportProgress &progress) : m_progress(progress)
    {
        for (const Group &group : groups)
            m_total += group.rows.size();
        report();
    }
    void step()
    {
        if (++m_done % kEvery == 0)
            report();
    }
    void finish()
    {
        m_done = m_total;
        report();
    }

private:
    static constexpr qsizetype kEvery = 512;
    void report() const
    {
        if (m_progress)
            m_progress(m_done, m_total);
    }
    const ExportProgress &m_progress;
    qsizetype m_done = 0;
    qsizetype m_total = 0;
};

bool writeCsv(const QList<Group> &groups, const QString &fileName, const QStringList &columns,
              const ExportProgress &progress)
{
    RowCounter counter(groups, progress);
    LineWriter lines(fileName, LineWriter::Utf8);
    QString header;
    for (const QString &c : columns)
        header += csvField(c) + u';';
    lines << header;
    for (const Group &group : groups) {
        lines << QString() << QString() << QString() << csvField(group.title) << QString();
        for (const Row &row : group.rows) {
            QString line;
            for (const QString &c : columns)
                line += csvField(columnValue(c, row).value_or(Value{}).text) + u';';
            lines << line;
            counter.step();
        }
    }
    counter.finish();
    return lines.commit();
}

class HtmlPage
{
public:
    HtmlPage(const QStringList &columns, const QColor &header, const QColor &body)
        : m_columns(columns), m_header(colorToHtmlColor(header)), m_body(colorToHtmlColor(body))
    {
    }

    QString cell(CellKind kind, bool spanAll, const QString &content) const
    {
        const QString colour = kind == SpacerCell ? kSpacerColour
            : kind == TitleCell                   ? m_header
                                                  : m_body;
        QString text = QStringLiteral("<td colspan=\"")
            + QString::number(spanAll ? m_columns.size() : 1) + QStringLiteral("\" bgcolor=\"")
            + colour + QStringLiteral("\" width=\"25\">") + kCrLf + kFontStart + kCrLf;
        if (kind == TitleCell)
            text += QStringLiteral("<b>") + kCrLf;
        text += content + kCrLf;
        if (kind == TitleCell)
            text += QStringLiteral("</b>") + kCrLf;
        return text + QStringLiteral("</font>") + kCrLf + QStringLiteral("</td>");
    }

    QString row(const QStringList &cells) const
    {
        QString text = QStringLiteral("<tr>");
        for (const QString &c : cells)
            text += kCrLf + c;
        return text + kCrLf + QStringLiteral("</tr>");
    }

private:
    QStringList m_columns;
    QString m_header;
    QString m_body;
};

// Finds and copies a row's logo; the cell's content. A list of 100,000
// services against a mapping of thousands of lines must not compare every
// pair, nor copy one logo once per service that shows it.
class LogoColumn
{
public:
    LogoColumn(const QString &pageFile, const QStringList &logoLines, const QString &programFolder)
        : m_lines(logoLines)
        , m_pageName(QFileInfo(pageFile).completeBaseName())
        , m_folder(QFileInfo(pageFile).absolutePath() + u'/' + m_pageName
                   + QStringLiteral(".html.Logos"))
        , m_sourceFolder(QDir(programFolder).filePath(QStringLiteral("LogoTypes")))
    {
    }

    bool createFolder()
    {
        // The look-up is only made when the column is printed.
        for (qsizetype i = 0; i < m_lines.size(); ++i) {
            const qsizetype bar = m_lines.at(i).indexOf(u'|');
            if (bar < 0)
                continue;
            const QString key = upperText(QStringView(m_lines.at(i)).left(bar));
            if (!m_firstLineOf.contains(key))
                m_firstLineOf.insert(key, int(i));
        }
        m_indexed = true;
        return QDir().mkpath(m_folder);
    }

    QString cellFor(const QString &name)
    {
        const int index = lineOf(name);
        if (index < 0)
            return kEmptyCell;
        // Only the file-name part: a line naming "../x" must not reach outside.
        const QString file = QFileInfo(m_lines.at(index).section(u'|', 2)).fileName();
        if (file.isEmpty())
            return kEmptyCell;
        if (!m_copied.contains(file)) {
            cpyFile(QDir(m_sourceFolder).filePath(file), QDir(m_folder).filePath(file));
            m_copied.insert(file);
        }
        // A relative URL: a "#" in the page's name would start a fragment,
        // a "%" an escape, a space end the path for some browsers.
        const QByteArray path =
            QUrl::toPercentEncoding(m_pageName + QStringLiteral(".html.Logos/") + file, "/");
        return QStringLiteral("<IMG src=\"./") + QString::fromLatin1(path)
            + QStringLiteral("\" alt=\"Logo\">");
    }

private:
    // The first line the mask name + "|*" matches, ignoring case. A name
    // without wildcards or "|" matches exactly the lines whose text before
    // their first "|" is the name, so an index finds it; other names take
    // the long way.
    int lineOf(const QString &name) const
    {
        const bool plain = !name.contains(u'*') && !name.contains(u'?') && !name.contains(u'|');
        if (m_indexed && plain) {
            const auto it = m_firstLineOf.constFind(upperText(name));
            return it == m_firstLineOf.cend() ? -1 : *it;
        }
        return stringListIndexOf(m_lines, name + QStringLiteral("|*"), false, true);
    }

    QStringList m_lines;
    QString m_pageName;
    QString m_folder;
    QString m_sourceFolder;
    QHash<QString, int> m_firstLineOf;
    bool m_indexed = false;
    QSet<QString> m_copied;
};

bool writeHtml(const QList<Group> &groups, const QString &fileName, const QStringList &columns,
               const QColor &headerColor, const QColor &bodyColor, const QStringList &logoLines,
               const QString &programFolder, const ExportProgress &progress)
{
    RowCounter counter(groups, progress);
    const HtmlPage page(columns, headerColor, bodyColor);
    LogoColumn logos(fileName, logoLines, programFolder);
    if (columns.contains(kLogo))
        logos.createFolder();

    LineWriter lines(fileName, LineWriter::Ascii);
    lines << kPageStart;
    QStringList headerCells;
    for (const QString &c : columns)
        headerCells << page.cell(TitleCell, false, convertCharactersToHtmlEntities(c));
    lines << page.row(headerCells);
    for (const Group &group : groups) {
        lines << page.row({page.cell(SpacerCell, true, kEmptyCell)});
        lines << page.row({page.cell(TitleCell, true, convertCharactersToHtmlEntities(group.title))});
        for (const Row &row : group.rows) {
            QStringList cells;
            for (const QString &c : columns) {
                if (c == kLogo) {
                    cells << page.cell(BodyCell, false, logos.cellFor(row.name));
                    continue;
                }
                const std::optional<Value> value = columnValue(c, row);
                cells << page.cell(BodyCell, false, value ? htmlText(*value) : kEmptyCell);
            }
            lines << page.row(cells);
            counter.step();
        }
    }
    counter.finish();
    lines << kPageEnd;
    return lines.commit();
}

} // namespace

bool ExportCsv(const TBouquetList &list, const QString &bouquetName, const QString &fileName,
               const ExportColumns &columns, const ExportTypes &types,
               const ExportProgress &progress)
{
    return writeCsv(bouquetGroups(list, bouquetName, types), fileName,
                    shownColumns(columns, {kLogo}), progress);
}

bool ExportHtml(const TBouquetList &list, const QString &bouquetName, const QString &fileName,
                const ExportColumns &columns, const QColor &headerColor, const QColor &bodyColor,
                const QStringList &logoLines, const QString &programFolder,
                const ExportTypes &types, const ExportProgress &progress)
{
    return writeHtml(bouquetGroups(list, bouquetName, types), fileName, shownColumns(columns, {}),
                     headerColor, bodyColor, logoLines, programFolder, progress);
}

bool ExportCsv(const TServiceList &list, const QString &fileName, const ExportColumns &columns,
               const ExportTypes &types, const ExportProgress &progress)
{
    return writeCsv(satelliteGroups(list, types), fileName,
                    shownColumns(columns, {kLogo, kSatelliteColumn}), progress);
}

bool ExportHtml(const TServiceList &list, const QString &fileName, const ExportColumns &columns,
                const QColor &headerColor, const QColor &bodyColor, const QStringList &logoLines,
                const QString &programFolder, const ExportTypes &types,
                const ExportProgress &progress)
{
    return writeHtml(satelliteGroups(list, types), fileName,
                     shownColumns(columns, {kSatelliteColumn}), headerColor, bodyColor, logoLines,
                     programFolder, progress);
}
