#include "ui/grid/color_names.h"
#include "ui/grid/column_displays.h"
#include "ui/grid/providers.h"

#include <QFontMetrics>
#include <QHash>
#include <QPainter>

#include <algorithm>

namespace {

// Web text may ask for anything; sizes outside this range are clamped.
constexpr int kMinFontSize = 1;
constexpr int kMaxFontSize = 72;
constexpr int kPenLeft = 2;
constexpr int kPenTop = 1;
const QColor kLinkColor(0, 0, 255);

struct Tag {
    QString name;
    bool closing = false;
    QList<std::pair<QString, QString>> attributes;
};

class HtmlPen
{
public:
    HtmlPen(QPainter &painter, const QRect &cell, const QFont &font, const QColor &textColor,
            bool selected, const QColor &highlighted)
        : m_painter(painter), m_cell(cell), m_font(font), m_color(textColor),
          m_windowText(textColor), m_selected(selected), m_highlighted(highlighted),
          m_x(cell.left() + kPenLeft), m_y(cell.top() + kPenTop)
    {
    }

    void drawText(const QString &text)
    {
        if (text.isEmpty())
            return;
        m_painter.setFont(m_font);
        m_painter.setPen(m_color);
        const QFontMetrics metrics(m_font);
        m_lineHeight = std::max(m_lineHeight, metrics.height());
        // Past the cell's right edge nothing more shows on this line.
        if (m_x > m_cell.right())
            return;
        const QString shown = TextShownIn(text, m_cell.right() + 1 - m_x);
        if (m_y <= m_cell.bottom())
            m_painter.drawText(QPoint(m_x, m_y + metrics.ascent()), shown);
        m_x += metrics.horizontalAdvance(shown);
    }

    void apply(const Tag &tag)
    {
        const QString name = tag.name.toLower();
        int &count = m_counts[name];
        count = tag.closing ? std::max(count - 1, 0) : count + 1;
        const bool on = count > 0;
        if (name == u"a") {
            m_font.setUnderline(on);
            m_color = on ? kLinkColor : m_windowText;
        } else if (name == u"b") {
            m_font.setBold(on);
        } else if (name == u"i") {
            m_font.setItalic(on);
        } else if (name == u"u") {
            m_font.setUnderline(on);
        } else if (name == u"br") {
            m_y += m_lineHeight;
            m_lineHeight = 0;
            m_x = m_cell.left() + kPenLeft;
        } else if (name == u"font" && !tag.closing) {
            applyFont(tag);
        }
    }

private:
    void applyFont(const Tag &tag)
    {
        for (const auto &[attribute, value] : tag.attributes) {
            const QString key = attribute.toLower();
            if (key == u"color") {
                const QColor color = HtmlTextToColor(value);
                if (color.isValid())
                    m_color = m_selected ? m_highlighted : color;
            } else if (key == u"name") {
                if (!value.trimmed().isEmpty())
                    m_font.setFamily(value.trimmed());
            } else if (key == u"size") {
                bool ok = false;
                const int size = value.trimmed().toInt(&ok);
                if (ok)
                    m_font.setPointSize(std::clamp(size, kMinFontSize, kMaxFontSize));
            }
        }
    }

    QPainter &m_painter;
    QRect m_cell;
    QFont m_font;
    QColor m_color;
    QColor m_windowText;
    bool m_selected;
    QColor m_highlighted;
    int m_x;
    int m_y;
    int m_lineHeight = 0;
    QHash<QString, int> m_counts;
};

QString unquoted(const QString &value)
{
    if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"'))
        return value.mid(1, value.size() - 2);
    return value;
}

} // namespace

void DrawHtmlText(QPainter &painter, const QRect &cellRect, const QString &html,
                  const QFont &baseFont, const QColor &textColor, bool selected,
                  const QColor &highlightedTextColor)
{
    painter.save();
    painter.setClipRect(cellRect, Qt::IntersectClip);
    HtmlPen pen(painter, cellRect, baseFont, textColor, selected, highlightedTextColor);

    enum class Stage { Text, TagName, AttributeName, AttributeValue };
    Stage stage = Stage::Text;
    QString text;
    Tag tag;
    QString attribute;
    QString value;
    bool inQuotes = false;
    auto endAttribute = [&] {
        if (!attribute.isEmpty())
            tag.attributes.append({attribute, unquoted(value)});
        attribute.clear();
        value.clear();
    };

    for (const QChar c : html) {
        if (stage == Stage::Text) {
            if (c == u'<') {
                pen.drawText(text);
                text.clear();
                tag = Tag();
                stage = Stage::TagName;
            } else {
                text.append(c);
            }
            continue;
        }
        if (c == u'"' && stage == Stage::AttributeValue) {
            inQuotes = !inQuotes;
            value.append(c);
            continue;
        }
        if (inQuotes) {
            value.append(c);
            continue;
        }
        if (c == u'>') {
            if (stage == Stage::AttributeName || stage == Stage::AttributeValue)
                endAttribute();
            pen.apply(tag);
            stage = Stage::Text;
        } else if (c == u' ') {
            if (stage == Stage::TagName && !tag.name.isEmpty()) {
                stage = Stage::AttributeName;
            } else if (stage == Stage::AttributeValue) {
                endAttribute();
                stage = Stage::AttributeName;
            }
        } else if (c == u'=' && stage == Stage::AttributeName) {
            stage = Stage::AttributeValue;
        } else if (c == u'/') {
            if (stage == Stage::AttributeValue)
                value.append(c);
            else
                tag.closing = true;
        } else if (stage == Stage::TagName) {
            tag.name.append(c);
        } else if (stage == Stage::AttributeName) {
            attribute.append(c);
        } else {
            value.append(c);
        }
    }
    if (stage == Stage::Text)
        pen.drawText(text);
    painter.restore();
}
