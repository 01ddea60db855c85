#pragma once

#include "ui/grid/grid_types.h"
#include "ui/grid/themes.h"

#include <QColor>
#include <QRect>

#include <memory>

class QFont;
class QPainter;
class QWidget;
class TLgCustomColumn;

// The narrowest a column may be and still show its whole header caption (and
// glyph) in `font`: the caption's margins, and room for the sort mark when a
// header click can sort the column, since a sorted caption gives way to it.
int HeaderCaptionWidth(const TLgCustomColumn &column, const QFont &font);

// Paints the column parts around the cells: headers, footers, input-line
// cells and the row indicator. The header styles differ only in the
// background of a header cell; captions, glyphs and sort marks are common.
class TStyleDisplay
{
public:
    virtual ~TStyleDisplay() = default;

    const QWidget *Widget = nullptr;
    bool Themed = false;          // themes available and wanted by the grid
    // Canvas pixels per screen pixel: above 1 on paper, so captions keep
    // their padding and sort marks their size.
    double PixelScale = 1.0;

    struct THeaderInfo {
        bool first = false;       // first visible column
        bool last = false;        // last visible column
        Themes::THeaderState state = Themes::THeaderState::Normal;
    };

    void PaintHeader(QPainter &painter, const QRect &rect, TLgCustomColumn &column,
                     const THeaderInfo &info);
    void PaintFooter(QPainter &painter, const QRect &rect, TLgCustomColumn &column);
    void PaintInputCell(QPainter &painter, const QRect &rect, TLgCustomColumn &column);
    // A 6 x 11 pixel marker when the row is the current one.
    void PaintIndicator(QPainter &painter, const QRect &rect, bool marked);
    // Header, input line or footer area right of the last column.
    virtual void PaintRemainder(QPainter &painter, const QRect &rect, const QColor &color);

    static std::unique_ptr<TStyleDisplay> Create(THeaderStyle style);

protected:
    // Returns the rectangle left for caption, glyph and sort mark.
    virtual QRect PaintHeaderBackground(QPainter &painter, const QRect &rect, const QColor &color,
                                        const THeaderInfo &info) = 0;
    void paintFrame(QPainter &painter, const QRect &rect, const QColor &color);
};

class TDefaultStyleDisplay : public TStyleDisplay
{
public:
    void PaintRemainder(QPainter &painter, const QRect &rect, const QColor &color) override;

protected:
    QRect PaintHeaderBackground(QPainter &painter, const QRect &rect, const QColor &color,
                                const THeaderInfo &info) override;
};

class TFlatStyleDisplay : public TStyleDisplay
{
protected:
    QRect PaintHeaderBackground(QPainter &painter, const QRect &rect, const QColor &color,
                                const THeaderInfo &info) override;
};

class TOldStyleDisplay : public TStyleDisplay
{
protected:
    QRect PaintHeaderBackground(QPainter &painter, const QRect &rect, const QColor &color,
                                const THeaderInfo &info) override;
};

class TOutlookStyleDisplay : public TStyleDisplay
{
protected:
    QRect PaintHeaderBackground(QPainter &painter, const QRect &rect, const QColor &color,
                                const THeaderInfo &info) override;
};
