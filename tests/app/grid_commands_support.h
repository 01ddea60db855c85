#pragma once

// What the tests of the main window's grid commands do as a user would: click
// and drag rows, type filters, trigger commands, and read the rows back.

#include "app/main/main_window.h"
#include "core/model/bouquet.h"
#include "core/model/bouquet_service.h"
#include "ui/grid/list_grid.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

inline void selectRows(TListGrid *grid, std::initializer_list<int> rows)
{
    grid->ClearSelection();
    for (int row : rows)
        grid->SetSelected(row, true);
}

inline QStringList entryNames(const TBouquet &bouquet)
{
    QStringList names;
    for (int i = 0; i < bouquet.Count(); ++i)
        names.append(bouquet.GetItem(i)->Name);
    return names;
}

inline QString nameAt(TListGrid *grid, const char *column, int row)
{
    return grid->Cells(TFrmMain::ColumnByName(grid, column), row);
}

// The middle of a row in a grid's viewport.
inline QPoint rowCentre(TListGrid *grid, int row)
{
    return grid->CellRect(1, row).center();
}

inline QPoint rowPoint(TListGrid *grid, int row)
{
    return grid->CellRect(TFrmMain::ColumnByName(grid, "ColBouName") >= 0
                              ? TFrmMain::ColumnByName(grid, "ColBouName")
                              : 1,
                          row)
        .center();
}

inline void typeFilterText(QLineEdit *edit, const QString &text)
{
    edit->setText(text);
    QTest::keyClick(edit, Qt::Key_Return);
}

inline void trigger(TFrmMain &main, const char *name)
{
    QAction *action = main.ActionByName(name);
    ASSERT_NE(action, nullptr) << name;
    ASSERT_TRUE(action->isEnabled()) << name;
    action->trigger();
}

inline int selectedCount(const TListGrid *grid)
{
    int count = 0;
    for (int row = 0; row < grid->RowCount(); ++row)
        count += grid->Selected(row) ? 1 : 0;
    return count;
}

inline int nameColumn(TListGrid *grid)
{
    for (const char *column : {"ColSerName", "ColMySerName", "ColBouName", "ColName"}) {
        const int col = TFrmMain::ColumnByName(grid, column);
        if (col >= 0)
            return col;
    }
    return 1;
}

inline QStringList rowNames(TListGrid *grid)
{
    QStringList names;
    for (int row = 0; row < grid->RowCount(); ++row)
        names.append(grid->Cells(nameColumn(grid), row));
    return names;
}

inline QPoint nameCellCentre(TListGrid *grid, int row)
{
    return grid->CellRect(nameColumn(grid), row).center();
}

// A press on `from`'s row, a move past the drag distance, over to `to` and a
// release there. The press grabs the mouse, so every event goes to `from`'s
// viewport, at the positions where the pointer is.
inline void dragWithTheMouse(TListGrid *from, int row, TListGrid *to, const QPoint &drop)
{
    QWidget *source = from->viewport();
    const QPoint start = nameCellCentre(from, row);
    const QPoint end = source->mapFromGlobal(to->viewport()->mapToGlobal(drop));
    QTest::mousePress(source, Qt::LeftButton, {}, start);
    QTest::mouseMove(source, start + QPoint(0, QApplication::startDragDistance() + 2));
    QTest::mouseMove(source, end);
    QTest::mouseRelease(source, Qt::LeftButton, {}, end);
}

// Rows of the services grid whose services no entry of the bouquet stands
// for (entries stand for the services of their ids).
inline QList<int> servicesNotIn(TFrmMain &main, const TBouquet &bouquet, int count)
{
    QStringList present;
    for (int i = 0; i < bouquet.Count(); ++i) {
        const TBouquetService *e = bouquet.GetItem(i);
        present.append((e->Sid + e->Tsid + e->Onid).toUpper());
    }
    QList<int> rows;
    for (int r = 0; r < main.ServicesGrid->RowCount() && rows.size() < count; ++r) {
        const QString ids = nameAt(main.ServicesGrid, "ColSerSIDHEX", r) + nameAt(main.ServicesGrid, "ColSerTSIDHEX", r)
            + nameAt(main.ServicesGrid, "ColSerONIDHEX", r);
        if (!present.contains(ids.toUpper()))
            rows.append(r);
    }
    return rows;
}
