#pragma once

#include "ui/grid/print_target.h"

#include <QImage>
#include <QList>

#include <cmath>

// A print target that draws into page images and keeps a record of every
// placed item, so tests can check the layout without a printer.
class RecordingPrintTarget : public TPrintTarget
{
public:
    struct Item {
        TPrintedItem kind;
        int col;
        int row;
        QRect rect;
        int page;
    };

    // `dpi` is what the target claims to print at; the pages are drawn at
    // their pixel size whatever it is.
    RecordingPrintTarget(int width, int height, bool available = true, int dpi = 600)
        : m_width(width), m_height(height), m_available(available), m_dpi(dpi)
    {
    }

    bool BeginDoc() override
    {
        if (!m_available)
            return false;
        ++begun;
        startPage();
        return true;
    }
    void NewPage() override
    {
        m_painter.end();
        startPage();
    }
    bool EndDoc() override
    {
        m_painter.end();
        ++ended;
        return !failAtEnd;
    }
    int PageWidth() const override { return m_width; }
    int PageHeight() const override { return m_height; }
    int Resolution() const override { return m_dpi; }
    QPainter &Canvas() override { return m_painter; }
    void Placed(TPrintedItem kind, int col, int row, const QRect &rect) override
    {
        items.append({kind, col, row, rect, int(pages.size()) - 1});
    }

    QList<Item> of(TPrintedItem kind) const
    {
        QList<Item> out;
        for (const Item &i : items)
            if (i.kind == kind)
                out.append(i);
        return out;
    }

    QList<QImage> pages;
    QList<Item> items;
    int begun = 0;
    int ended = 0;
    // The job starts but the printer reports an error at its end.
    bool failAtEnd = false;
    // Pages drawn smaller than the canvas, without smoothing, the way a
    // viewer shows a high-resolution page on screen. Set before printing.
    double previewScale = 1.0;

private:
    void startPage()
    {
        pages.append(QImage(int(m_width * previewScale), int(m_height * previewScale), QImage::Format_RGB32));
        pages.last().fill(Qt::white);
        // Text is sized for the resolution the target claims, as on paper.
        const int dotsPerMeter = int(std::lround(m_dpi / 0.0254));
        pages.last().setDotsPerMeterX(dotsPerMeter);
        pages.last().setDotsPerMeterY(dotsPerMeter);
        m_painter.begin(&pages.last());
        m_painter.scale(previewScale, previewScale);
    }

    int m_width;
    int m_height;
    bool m_available;
    int m_dpi;
    QPainter m_painter;
};
