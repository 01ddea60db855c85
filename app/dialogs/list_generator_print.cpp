#include "app/dialogs/list_generator.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>
#include <QRegularExpression>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextOption>
#include <QTextTable>
#include <QUrl>

#include <algorithm>

// A list of 100,000 services is one table of 100,000 rows; laid out as one
// document it would hold the window for minutes. It is printed in pieces of
// rows instead, each laid out on its own between two looks at the window's
// events. A piece's last page goes to the next piece, so every page but the
// last is full, and all pieces get the first piece's column widths.

namespace {

constexpr qsizetype kFirstPieceRows = 300;
// 2 cm page margins in 96 dpi units, as the text layout takes them.
constexpr qreal kSourceDpi = 96.0;
constexpr qreal kMarginInches = 2.0 / 2.54;
// Room between a cell's text and its borders, in 96 dpi units: the list's
// cells are as padded on paper as the grid's cells on screen.
constexpr qreal kCellPadding = 2.0;

struct HtmlRows {
    QString head; // up to the first row
    QStringList rows;
    QString tail; // after the last row
};

HtmlRows splitRows(const QString &html)
{
    HtmlRows split;
    qsizetype at = html.indexOf(QStringLiteral("<tr"), 0, Qt::CaseInsensitive);
    if (at < 0) {
        split.head = html;
        return split;
    }
    split.head = html.left(at);
    for (;;) {
        qsizetype end = html.indexOf(QStringLiteral("</tr>"), at, Qt::CaseInsensitive);
        if (end < 0)
            break;
        end += 5;
        split.rows.append(html.mid(at, end - at));
        at = end;
    }
    split.tail = html.mid(at);
    return split;
}

// Sizes in CSS pixels are 1/96 inch on paper, as a browser prints them; the
// text layout would take them as printer dots and print 10 px text a fifth
// of a millimetre high on a 1200 dpi page.
QString pixelSizesInPoints(const QString &html)
{
    static const QRegularExpression pixels(QStringLiteral("font-size:\\s*(\\d+(?:\\.\\d+)?)px"),
                                           QRegularExpression::CaseInsensitiveOption);
    QString result;
    result.reserve(html.size());
    qsizetype at = 0;
    for (auto it = pixels.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        result += QStringView(html).mid(at, match.capturedStart() - at);
        result += QStringLiteral("font-size: %1pt").arg(match.captured(1).toDouble() * 72.0 / 96.0);
        at = match.capturedEnd();
    }
    result += QStringView(html).mid(at);
    return result;
}

// Names on the page carry HTML 5 entities ("&num;" for "#") that every
// browser knows but the text layout, which knows HTML 4's, would print as
// written: they become character references.
QString html4Entities(QString html)
{
    static const std::pair<const char16_t *, const char16_t *> entities[] = {
        {u"&num;", u"&#35;"},    {u"&equals;", u"&#61;"}, {u"&ast;", u"&#42;"},
        {u"&commat;", u"&#64;"}, {u"&lsqb;", u"&#91;"},   {u"&rsqb;", u"&#93;"},
        {u"&bsol;", u"&#92;"},   {u"&verbar;", u"&#124;"}, {u"&dollar;", u"&#36;"},
        {u"&grave;", u"&#96;"},  {u"&semi;", u"&#59;"},
    };
    for (const auto &[entity, reference] : entities)
        html.replace(QString::fromUtf16(entity), QString::fromUtf16(reference));
    return html;
}

QTextTable *firstTable(const QTextDocument &document)
{
    for (QTextFrame *frame : document.rootFrame()->childFrames()) {
        if (auto *table = qobject_cast<QTextTable *>(frame))
            return table;
    }
    return nullptr;
}

QRectF cellRect(const QTextDocument &document, const QTextTable &table, int row, int column)
{
    const QTextBlock block = table.cellAt(row, column).firstCursorPosition().block();
    return document.documentLayout()->blockBoundingRect(block);
}

// The share of the table each column has in a laid-out piece, from a row of
// single cells; empty when there is no such first row.
QList<QTextLength> columnShares(const QTextDocument &document, const QTextTable &table)
{
    const int columns = table.columns();
    if (table.rows() == 0 || columns == 0)
        return {};
    QList<qreal> lefts;
    for (int c = 0; c < columns; ++c) {
        const QTextTableCell cell = table.cellAt(0, c);
        if (cell.columnSpan() != 1)
            return {};
        lefts.append(cellRect(document, table, 0, c).left());
    }
    const QRectF frame = document.documentLayout()->frameBoundingRect(const_cast<QTextTable *>(&table));
    lefts.append(frame.right() - (lefts.first() - frame.left()));
    const qreal total = lefts.last() - lefts.first();
    if (total <= 0)
        return {};
    QList<QTextLength> shares;
    for (int c = 0; c < columns; ++c)
        shares.append(QTextLength(QTextLength::PercentageLength,
                                  std::max<qreal>(0, (lefts[c + 1] - lefts[c]) / total * 100.0)));
    return shares;
}

// A heading (a run of rows of one cell across the table: a list's spacer
// and title) at the foot of a page goes to the next page, with the rows it
// heads.
void keepHeadingsWithTheirRows(const QTextDocument &document, QTextTable &table, qreal pageHeight)
{
    const int columns = table.columns();
    if (columns < 2 || pageHeight <= 0)
        return;
    const auto heading = [&](int row) { return table.cellAt(row, 0).columnSpan() == columns; };
    const auto page = [&](int row) { return int(cellRect(document, table, row, 0).top() / pageHeight); };
    for (int r = 0; r < table.rows(); ++r) {
        if (!heading(r))
            continue;
        const int first = r;
        while (r + 1 < table.rows() && heading(r + 1))
            ++r;
        if (r + 1 >= table.rows() || first == 0)
            continue;
        const int headingPage = page(first);
        if (page(r + 1) > headingPage && page(first - 1) == headingPage) {
            QTextCursor cursor = table.cellAt(first, 0).firstCursorPosition();
            QTextBlockFormat format = cursor.blockFormat();
            format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
            cursor.setBlockFormat(format);
        }
    }
}

class PiecePrinter
{
public:
    PiecePrinter(QPrinter &printer, QPainter &painter, const QUrl &page)
        : m_printer(printer), m_painter(painter), m_page(page)
        , m_body(0, 0, printer.width(), printer.height())
    {
    }

    // A piece laid out for the printer's pages.
    std::unique_ptr<QTextDocument> layOut(const QString &html, const QList<QTextLength> &shares)
    {
        auto document = std::make_unique<QTextDocument>();
        document->setBaseUrl(m_page);
        document->setMetaInformation(QTextDocument::DocumentUrl, m_page.toString());
        document->documentLayout()->setPaintDevice(&m_printer);
        QFont font = document->defaultFont();
        if (font.pixelSize() > 0) {
            font.setPointSizeF(font.pixelSize() * 72.0 / 96.0);
            document->setDefaultFont(font);
        }
        // Words are never broken: a narrow column wraps between words, and a
        // column is never narrower than its longest word.
        QTextOption option = document->defaultTextOption();
        option.setWrapMode(QTextOption::WordWrap);
        document->setDefaultTextOption(option);
        document->setHtml(html);
        QTextFrameFormat root = document->rootFrame()->frameFormat();
        const qreal margin = kMarginInches * kSourceDpi;
        root.setMargin(margin);
        document->rootFrame()->setFrameFormat(root);
        document->setPageSize(m_body.size());
        if (QTextTable *table = firstTable(*document)) {
            QTextTableFormat format = table->format();
            format.setCellPadding(std::max(format.cellPadding(), kCellPadding));
            if (!shares.isEmpty() && shares.size() == table->columns())
                format.setColumnWidthConstraints(shares);
            table->setFormat(format);
        }
        return document;
    }

    void printPages(const QTextDocument &document, int count)
    {
        for (int index = 0; index < count; ++index) {
            if (m_pagesPrinted > 0)
                m_printer.newPage();
            ++m_pagesPrinted;
            printPage(document, index);
        }
    }

    qreal PageHeight() const { return m_body.height(); }

private:
    void printPage(const QTextDocument &document, int index)
    {
        m_painter.save();
        m_painter.translate(0, -index * m_body.height());
        const QRectF view(0, index * m_body.height(), m_body.width(), m_body.height());
        m_painter.setClipRect(view);
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = view;
        // Black on white paper, whatever the desktop's text colour.
        context.palette.setColor(QPalette::Text, Qt::black);
        document.documentLayout()->draw(&m_painter, context);
        // The page number in the bottom margin, right-aligned.
        m_painter.setClipping(false);
        const QFont font(document.defaultFont(), &m_printer);
        m_painter.setFont(font);
        const QFontMetricsF metrics(font, &m_printer);
        const qreal scale = m_printer.logicalDpiY() / kSourceDpi;
        const QString number = QString::number(m_pagesPrinted);
        const qreal x = m_body.width() - kMarginInches * kSourceDpi * scale
            - metrics.horizontalAdvance(number);
        const qreal y = view.top() + m_body.height() - kMarginInches * kSourceDpi * scale
            + metrics.ascent() + 5.0 * m_printer.logicalDpiY() / 72.0;
        m_painter.setPen(Qt::black);
        m_painter.drawText(QPointF(x, y), number);
        m_painter.restore();
    }

    QPrinter &m_printer;
    QPainter &m_painter;
    QUrl m_page;
    QRectF m_body;
    int m_pagesPrinted = 0;
};

bool failedState(const QPrinter &printer)
{
    const QPrinter::PrinterState state = printer.printerState();
    return state == QPrinter::Error || state == QPrinter::Aborted;
}

} // namespace

bool printHtmlFile(const QString &fileName, QPrinter &printer,
                   const std::function<void(qsizetype done, qsizetype total)> &progress)
{
    QFile file(fileName);
    if (!printer.isValid() || !file.open(QIODevice::ReadOnly))
        return false;
    const HtmlRows html = splitRows(html4Entities(pixelSizesInPoints(QString::fromUtf8(file.readAll()))));
    file.close();

    // A printer without margins would print to the paper's edge.
    const QMarginsF margins = printer.pageLayout().margins(QPageLayout::Millimeter);
    if (margins.isNull())
        printer.setPageMargins(QMarginsF(2, 2, 2, 2), QPageLayout::Millimeter);
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    PiecePrinter pieces(printer, painter,
                        QUrl::fromLocalFile(QFileInfo(fileName).absoluteFilePath()));

    const qsizetype total = html.rows.size();
    QList<QTextLength> shares;
    qsizetype next = 0;
    qsizetype pieceRows = kFirstPieceRows;
    do {
        const qsizetype end = std::min(total, next + pieceRows);
        const QString piece = html.head + html.rows.mid(next, end - next).join(QString()) + html.tail;
        std::unique_ptr<QTextDocument> document = pieces.layOut(piece, shares);
        const QTextTable *table = firstTable(*document);
        if (table && shares.isEmpty() && next == 0) {
            // The first piece sets the widths for all, itself included.
            shares = columnShares(*document, *table);
            if (!shares.isEmpty()) {
                document = pieces.layOut(piece, shares);
                table = firstTable(*document);
            }
        }
        if (QTextTable *headed = firstTable(*document))
            keepHeadingsWithTheirRows(*document, *headed, pieces.PageHeight());
        const int pages = document->pageCount();
        const bool more = end < total;
        if (more && table && pages < 2) {
            // Not even one full page yet: take more rows.
            pieceRows *= 2;
            continue;
        }
        int printed = pages;
        qsizetype used = end - next;
        if (more && table) {
            // The rows that start on the last page begin the next piece.
            const qreal lastPageTop = (pages - 1) * pieces.PageHeight();
            for (int r = 0; r < table->rows() && r < used; ++r) {
                if (cellRect(*document, *table, r, 0).top() >= lastPageTop) {
                    used = std::max<qsizetype>(r, 1);
                    break;
                }
            }
            printed = pages - 1;
        }
        pieces.printPages(*document, printed);
        next += used;
        if (progress)
            progress(next, total);
        if (failedState(printer)) {
            painter.end();
            return false;
        }
        if (!more)
            break;
    } while (next < total);

    const bool ended = painter.end();
    return ended && !failedState(printer);
}
