#pragma once

// What the steps do with the windows: the user's clicks, drags and typing
// through QTest, and a plain-text account of the lists to compare runs by.

#include "e2e_support.h"
#include "import_export_world.h"

#include "app/main/main_window.h"
#include "core/model/bouquet.h"
#include "core/model/bouquet_list.h"
#include "core/model/bouquet_service.h"
#include "core/model/satelite.h"
#include "core/model/service.h"
#include "core/model/service_list.h"
#include "core/model/transponder.h"
#include "ui/grid/list_grid.h"
#include "ui/program/program.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QToolButton>

// Triggers a tool bar or popup command as its button would.
inline bool trigger(TStep &step, const char *name)
{
    QAction *action = step.main().ActionByName(QLatin1String(name));
    if (!step.check(action && action->isEnabled(), QStringLiteral("command %1 is there and enabled").arg(QLatin1String(name))))
        return false;
    action->trigger();
    return true;
}

inline void clickToolButton(TStep &step, const char *name)
{
    auto *button = step.main().findChild<QToolButton *>(QLatin1String(name));
    if (step.check(button != nullptr, QStringLiteral("tool button %1").arg(QLatin1String(name))))
        QTest::mouseClick(button, Qt::LeftButton);
}

// The first row of a grid column holding the text, or -1.
inline int rowOf(TListGrid *grid, const char *column, const QString &text)
{
    const int col = TFrmMain::ColumnByName(grid, QLatin1String(column));
    for (int row = 0; row < grid->RowCount(); ++row) {
        if (grid->Cells(col, row) == text)
            return row;
    }
    return -1;
}

inline QString cellText(TListGrid *grid, const char *column, int row)
{
    return grid->Cells(TFrmMain::ColumnByName(grid, QLatin1String(column)), row);
}

inline void selectOnly(TListGrid *grid, int row)
{
    grid->ClearSelection();
    grid->SetSelected(row, true);
}

// Clicks a cell of a grid as the mouse does.
inline void clickCell(TListGrid *grid, const char *column, int row)
{
    const QRect rect = grid->CellRect(TFrmMain::ColumnByName(grid, QLatin1String(column)), row);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, rect.center());
}

// Drags the services grid's row below the bouquet grid's last row with the
// mouse: press on the row, move past the drag distance, over to the bouquet
// grid, release. The press grabs the mouse, so every event goes to the
// services grid, with the positions where the pointer is.
inline void dragServiceIntoBouquet(TStep &step, int row)
{
    TFrmMain &main = step.main();
    QWidget *from = main.ServicesGrid->viewport();
    QWidget *to = main.BouquetGrid->viewport();
    const QPoint start = main.ServicesGrid->CellRect(TFrmMain::ColumnByName(main.ServicesGrid, QStringLiteral("ColSerName")), row).center();
    const QPoint drop = from->mapFromGlobal(to->mapToGlobal(QPoint(40, to->height() - 4)));
    // Only this row: an import leaves its new services selected, and a
    // press on a selected row drags the whole selection.
    selectOnly(main.ServicesGrid, row);
    QTest::mousePress(from, Qt::LeftButton, {}, start);
    QTest::mouseMove(from, start + QPoint(0, QApplication::startDragDistance() + 2));
    QTest::mouseMove(from, drop);
    QTest::mouseRelease(from, Qt::LeftButton, {}, drop);
}

template <typename T = QAbstractButton>
T *child(QWidget *window, const char *name)
{
    return window->findChild<T *>(QLatin1String(name));
}

// The import/export dialog: the receiver as source, the chosen files.
inline void chooseReceiverFiles(QWidget *dialog, bool services, bool myServices, bool bouquets,
                                bool news)
{
    child(dialog, "BtnBox")->click();
    for (auto [name, on] : {std::pair{"CbxServices", services}, std::pair{"CbxMyServices", myServices},
                            std::pair{"CbxBouquets", bouquets}, std::pair{"CbxImportNews", news}}) {
        QAbstractButton *box = child(dialog, name);
        if (box->isChecked() != on)
            box->click();
    }
}

// Imports from the receiver through the tool bar and the dialog.
inline void importFromReceiver(TStep &step, bool news = false)
{
    whenModal("FrmImportExport", [news](QWidget *dialog) {
        chooseReceiverFiles(dialog, true, true, true, news);
        child(dialog, "BtnImport")->click();
    });
    clickToolButton(step, "ToolBtnImportExport");
}

// A plain account of the four lists, the same for the same lists.
inline QString describeLists(const TProgram &program)
{
    QString text;
    const auto services = [&text](const char *title, const TServiceList &list) {
        text += QLatin1String(title) + QStringLiteral(" format %1\n").arg(list.Format);
        for (int s = 0; s < list.Count(); ++s) {
            const TSatelite *sat = list.GetItem(s);
            text += QStringLiteral(" %1 diseqc %2\n").arg(sat->Name, sat->Diseqc);
            for (int t = 0; t < sat->Count(); ++t) {
                for (int v = 0; v < sat->GetItem(t)->Count(); ++v) {
                    const TService *service = sat->GetItem(t)->GetItem(v);
                    text += QStringLiteral("  %1 sid %2 action %3\n")
                                .arg(service->Name, service->Sid)
                                .arg(service->GetAction());
                }
            }
        }
    };
    services("services", *program.ServiceList);
    services("my services", *program.MyServiceList);
    services("kingofsat", *program.KingOfSatList);
    text += QStringLiteral("bouquets format %1\n").arg(program.BouquetList->Format);
    for (int b = 0; b < program.BouquetList->Count(); ++b) {
        const TBouquet *bouquet = program.BouquetList->GetItem(b);
        text += QStringLiteral(" %1 hidden %2 locked %3\n")
                    .arg(bouquet->Name)
                    .arg(bouquet->Hidden)
                    .arg(bouquet->Locked);
        for (int e = 0; e < bouquet->Count(); ++e)
            text += QStringLiteral("  %1%2\n")
                        .arg(bouquet->GetItem(e)->Name,
                             bouquet->GetItem(e)->Service() ? QString() : QStringLiteral(" (obsolete)"));
    }
    return text;
}

// The captions of the history menu, newest first.
inline QStringList historyCaptions(TStep &step)
{
    QStringList captions;
    for (QAction *action : step.main().PopupItemToolHistory->actions())
        captions.append(action->text());
    return captions;
}
