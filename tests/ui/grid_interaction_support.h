#pragma once

#include "ui_test_support.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

// Mouse events sent straight to the grid's viewport: press, move, release
// and double click each as one event, in the order a test chooses.
inline void sendMouse(QWidget *target, QEvent::Type type, const QPoint &point,
                      Qt::MouseButton button = Qt::LeftButton, Qt::KeyboardModifiers modifiers = {})
{
    const Qt::MouseButton which = type == QEvent::MouseMove ? Qt::NoButton : button;
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, QPointF(point), target->mapToGlobal(QPointF(point)), which, held, modifiers);
    QApplication::sendEvent(target, &event);
}

// A grid with text columns "A", "B", "C" (80 pixels each) and the given rows
// (one text per row, in every column as "<text><column>").
struct TextGrid : GridFixture {
    explicit TextGrid(const QStringList &rows = {}, int width = 420, int height = 220)
        : GridFixture(width, height)
    {
        for (const char *name : {"A", "B", "C"}) {
            auto *c = grid.Columns()->Add<TLgTextColumn>(QString::fromLatin1(name));
            c->SetWidth(80);
        }
        grid.AddRow(int(rows.size()));
        for (int r = 0; r < rows.size(); ++r)
            for (int c = 0; c < 3; ++c)
                grid.SetCells(c, r, rows[r] + QChar(u'A' + c));
    }
    QWidget *view() { return grid.viewport(); }
    QPoint cellCenter(int col, int row) { return grid.CellRect(col, row).center(); }
    void click(const QPoint &p, Qt::KeyboardModifiers m = {})
    {
        sendMouse(view(), QEvent::MouseButtonPress, p, Qt::LeftButton, m);
        sendMouse(view(), QEvent::MouseButtonRelease, p, Qt::LeftButton, m);
    }
};
