// Receiver lists of 50,000 and 100,000 services through whole sessions:
// imported, shown, filtered, clicked, deleted from, dragged from, sorted
// into, saved and found again after a restart.

#include "e2e_ui.h"

#include "app/dialogs/drag_hint.h"
#include "form_test_support.h"

#include <QFile>
#include <QLocale>
#include <QPainter>

#include <algorithm>
#include <cstdlib>

#include <gtest/gtest.h>

namespace {

constexpr int kTransponders = 1000;
constexpr int kPerTransponder = 100;

QByteArray bigServices(int transponders = kTransponders)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<zapit>\n"
                     "\t<sat name=\"Astra 19.2E\" diseqc=\"0\">\n";
    for (int t = 0; t < transponders; ++t) {
        xml += QStringLiteral("\t\t<transponder id=\"%1\" onid=\"0001\" frequency=\"%2\" inversion=\"2\" "
                              "symbol_rate=\"27500000\" fec_inner=\"3\" polarization=\"0\">\n")
                   .arg(t + 1, 4, 16, QLatin1Char('0'))
                   .arg(10700000 + t * 1000)
                   .toUtf8();
        for (int s = 0; s < kPerTransponder; ++s) {
            const int n = t * kPerTransponder + s;
            xml += QStringLiteral("\t\t\t<channel service_id=\"%1\" name=\"Kanal %2\" service_type=\"%3\" />\n")
                       .arg(n % 0xFFFF + 1, 4, 16, QLatin1Char('0'))
                       .arg(n)
                       .arg(n % 10 == 0 ? QStringLiteral("02") : QStringLiteral("01"))
                       .toUtf8();
        }
        xml += "\t\t</transponder>\n";
    }
    xml += "\t</sat>\n</zapit>\n";
    return xml;
}

int selectedRows(const TListGrid *grid)
{
    int count = 0;
    for (int row = 0; row < grid->RowCount(); ++row)
        count += grid->Selected(row) ? 1 : 0;
    return count;
}

QPoint nameCell(TListGrid *grid, const char *column, int row)
{
    return grid->CellRect(TFrmMain::ColumnByName(grid, QLatin1String(column)), row).center();
}

// The main window with the drag hint where the pointer is, as the screen
// shows them (the hint is a window of its own).
bool shootDrag(TStep &step, const QPoint &pointer, const QString &name)
{
    TFrmMain &main = step.main();
    QPixmap shot = main.grab();
    auto *hint = step.program.FormAs<TFrmDragDrop>(QStringLiteral("FrmDragDrop"));
    if (!hint || !hint->isVisible())
        return false;
    QPainter painter(&shot);
    painter.drawPixmap(pointer + QPoint(1 - hint->width(), 1), hint->grab());
    painter.end();
    return shot.save(QDir(shotsDir()).filePath(name));
}

} // namespace

// The user's first minutes with a long list: an import leaves the new
// services selected, and the toolbar's Delete asks before taking them; one
// click and Delete remove exactly one; three services dragged with the
// mouse land in order; three bouquets of one name are each their own; the
// sorted bouquet is saved when the program closes.
E2E_STEP(big_import)
{
    TFrmMain &main = step.main();
    main.resize(1100, 720);
    importFromReceiver(step);
    const int services = step.arg("services").toInt();
    TListGrid *grid = main.ServicesGrid;
    step.check(step.prompts.texts().contains("Import successful."), "the import succeeds");
    step.check(grid->RowCount() == services, QStringLiteral("every service is shown (%1)").arg(grid->RowCount()));
    step.check(selectedRows(grid) == services, "the new services are selected");
    step.prompts.asked.clear();

    // The toolbar's Delete at once, without a click in the grid: the program
    // selected those rows, so it asks, naming the count; Cancel keeps them.
    step.prompts.answers = {TPrompts::mbCancel};
    clickToolButton(step, "ToolBtnSerServiceDelete");
    step.check(step.prompts.texts() == QStringList{QStringLiteral("Delete %1 services?")
                                                       .arg(QLocale(QLocale::English).toString(services))},
               "the question names the count: " + step.prompts.texts().join(" | "));
    step.check(grid->RowCount() == services, QStringLiteral("Cancel keeps every service (%1)").arg(grid->RowCount()));
    step.prompts.asked.clear();

    // The selection is plain to see while another grid has the focus.
    main.BouquetGrid->setFocus();
    QCoreApplication::processEvents();
    step.check(saveShot(main, QStringLiteral("e2e_unfocused_selection.png")), "a shot of the selection");
    const QImage view = grid->viewport()->grab().toImage();
    const QRect cell = grid->CellRect(TFrmMain::ColumnByName(grid, QStringLiteral("ColSerBouquet")), grid->FirstVisibleRow() + 1);
    const QColor selected = view.pixelColor(cell.center());
    const QColor window = grid->Color();
    step.check(std::max({std::abs(selected.red() - window.red()), std::abs(selected.green() - window.green()),
                         std::abs(selected.blue() - window.blue())})
                   >= 40,
               "the selected rows stand out: " + selected.name());

    // One click leaves one row; Delete removes that one service, and the
    // view stays where the user was looking.
    grid->ScrollToRow(services / 2);
    QCoreApplication::processEvents();
    const int top = grid->FirstVisibleRow();
    const int clicked = top + 2;
    const QString gone = cellText(grid, "ColSerName", clicked);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, nameCell(grid, "ColSerName", clicked));
    step.check(selectedRows(grid) == 1, QStringLiteral("one row selected (%1)").arg(selectedRows(grid)));
    QTest::keyClick(grid, Qt::Key_Delete);
    step.check(grid->RowCount() == services - 1, QStringLiteral("one service gone (%1 left)").arg(grid->RowCount()));
    step.check(rowOf(grid, "ColSerName", gone) < 0, "the clicked one: " + gone);
    step.check(grid->FirstVisibleRow() == top,
               QStringLiteral("the view stays at row %1 (%2)").arg(top).arg(grid->FirstVisibleRow()));
    step.check(selectedRows(grid) == 1 && grid->Selected(clicked), "the row below the deleted one is selected");

    // Three services, chosen with Ctrl, dragged onto the bouquet's second row.
    TBouquet *bouquet = main.CurrentBouquet();
    if (!step.check(bouquet && bouquet->Count() >= 2, "a bouquet with rows to drop on"))
        return;
    const int first = grid->FirstVisibleRow() + 4;
    QStringList dragged;
    for (int row : {first, first + 2, first + 5}) {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, row == first ? Qt::NoModifier : Qt::ControlModifier,
                          nameCell(grid, "ColSerName", row));
        dragged.append(cellText(grid, "ColSerName", row));
    }
    QWidget *from = grid->viewport();
    const QPoint start = nameCell(grid, "ColSerName", first + 2);
    const QPoint target = nameCell(main.BouquetGrid, "ColBouName", 1);
    const QPoint drop = from->mapFromGlobal(main.BouquetGrid->viewport()->mapToGlobal(target));
    QTest::mousePress(from, Qt::LeftButton, {}, start);
    QTest::mouseMove(from, start + QPoint(0, QApplication::startDragDistance() + 2));
    QTest::mouseMove(from, drop);
    step.check(shootDrag(step, main.mapFromGlobal(from->mapToGlobal(drop)), QStringLiteral("e2e_drag_three.png")),
               "a shot of the drag");
    QTest::mouseRelease(from, Qt::LeftButton, {}, drop);
    QStringList landed;
    for (int i = 1; i <= 3 && i < bouquet->Count(); ++i)
        landed.append(bouquet->GetItem(i)->Name);
    step.check(landed == dragged, "dropped in order: " + landed.join(", ") + " / " + dragged.join(", "));

    // Sorted by name; closing asks, and Yes keeps the sorted bouquet.
    whenModal("FrmSortSelection", [](QWidget *dialog) {
        child(dialog, "BtnAlpha")->click();
        child(dialog, "BtnOk")->click();
    });
    trigger(step, "PopupItmBouSort");
    QStringList sorted;
    for (int i = 0; i < bouquet->Count(); ++i)
        sorted.append(bouquet->GetItem(i)->Name);
    step.report("sorted.txt", sorted.join(u'\n'));

    // The receiver's three bouquets of one name: each is shown on its own,
    // takes the service dropped into it and is cleared on its own.
    TBouquetList &list = *step.program.BouquetList;
    QList<int> alike;
    for (int i = 0; i < list.Count(); ++i) {
        if (list.GetItem(i)->Name == QLatin1String("Favourites"))
            alike.append(i);
    }
    if (!step.check(alike.size() == 3, QStringLiteral("three bouquets named Favourites (%1)").arg(alike.size())))
        return;
    for (int k = 0; k < 3; ++k) {
        TBouquet *same = list.GetItem(alike[k]);
        main.ComboBouquets->setCurrentIndex(alike[k]);
        QCoreApplication::processEvents();
        step.check(main.CurrentBouquet() == same && main.BouquetGrid->RowCount() == same->Count(),
                   QStringLiteral("Favourites %1 is the one shown").arg(k + 1));
        const int row = grid->FirstVisibleRow() + 10 + k;
        const QString name = cellText(grid, "ColSerName", row);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, nameCell(grid, "ColSerName", row));
        dragServiceIntoBouquet(step, row);
        step.check(same->Count() == 2 && same->GetItem(1)->Name == name,
                   QStringLiteral("Favourites %1 took %2").arg(k + 1).arg(name));
    }
    main.PageControlBouquets->setCurrentIndex(1);
    QTest::mouseClick(main.BouquetListGrid->viewport(), Qt::LeftButton, {},
                      nameCell(main.BouquetListGrid, "ColName", alike[1]));
    step.prompts.answers = {TPrompts::mbYes};
    trigger(step, "PopupItmBouListBouquetClear");
    step.check(list.GetItem(alike[1])->Count() == 0 && list.GetItem(alike[0])->Count() == 2
                   && list.GetItem(alike[2])->Count() == 2,
               "only the second Favourites was cleared");
    main.PageControlBouquets->setCurrentIndex(0);
    step.prompts.answers = {TPrompts::mbYes};
}

TEST(BigList, ImportClickDeleteDragSortAndClose)
{
    constexpr int kImported = 500;
    TE2EWorld world;
    world.startReceiver();
    ASSERT_NE(world.ftp->port(), 0);
    writeBytes(world.receiverPath("services.xml"), bigServices(kImported));
    // Receivers allow bouquets of one name.
    QFile receiverBouquets(world.receiverPath("bouquets.xml"));
    ASSERT_TRUE(receiverBouquets.open(QIODevice::ReadOnly));
    QByteArray bouquets = receiverBouquets.readAll();
    receiverBouquets.close();
    QByteArray alike;
    for (int k = 0; k < 3; ++k)
        alike += QStringLiteral("\t<Bouquet name=\"Favourites\" hidden=\"0\" locked=\"0\">\n"
                                "\t\t<channel serviceID=\"%1\" name=\"Kanal %2\" tsid=\"0001\" onid=\"0001\" />\n"
                                "\t</Bouquet>\n")
                     .arg(k + 1, 4, 16, QLatin1Char('0'))
                     .arg(k)
                     .toUtf8();
    bouquets.replace("</zapit>", alike + "</zapit>");
    writeBytes(world.receiverPath("bouquets.xml"), bouquets);
    world.writeSettings();
    const TRunResult run =
        world.run("big_import", {"password=dbox2", QStringLiteral("services=%1").arg(kImported * kPerTransponder)});
    ASSERT_TRUE(run.ok()) << run.output.toStdString();
    EXPECT_TRUE(run.output.contains("asked: Do you want to save your changes?")) << run.output.toStdString();
    EXPECT_EQ(world.bytes("Services.xml").count("<channel "), kImported * kPerTransponder - 1);
    // The saved bouquet holds the sorted order.
    const QString saved = QString::fromUtf8(world.bytes("Bouquets.xml"));
    qsizetype at = 0;
    for (const QString &name : QString::fromUtf8(world.bytes("sorted.txt")).split(u'\n')) {
        const qsizetype found = saved.indexOf(u'"' + name.toHtmlEscaped() + u'"', at);
        ASSERT_GE(found, 0) << name.toStdString();
        at = found;
    }
}

E2E_STEP(big_list)
{
    TFrmMain &main = step.main();
    const int services = kTransponders * kPerTransponder;
    step.check(main.ServicesGrid->RowCount() == services,
               QStringLiteral("every service is shown (%1)").arg(main.ServicesGrid->RowCount()));

    // A filter narrows the grid, and emptying it brings every row back.
    main.EdtFilterServices->setText(QStringLiteral("Kanal 9999*"));
    QTest::keyClick(main.EdtFilterServices, Qt::Key_Return);
    step.check(main.ServicesGrid->RowCount() == 11,
               QStringLiteral("the filter finds Kanal 9999 and 99990-99999 (%1)").arg(main.ServicesGrid->RowCount()));
    main.EdtFilterServices->setText(QStringLiteral("*"));
    QTest::keyClick(main.EdtFilterServices, Qt::Key_Return);
    step.check(main.ServicesGrid->RowCount() == services, "the whole list is back");

    step.prompts.typed = {QStringLiteral("Big")};
    trigger(step, "PopupItmBouBouquetNew");
    // The last row of the grid, scrolled to.
    const int last = main.ServicesGrid->RowCount() - 1;
    main.ServicesGrid->ScrollToRow(last);
    QCoreApplication::processEvents();
    dragServiceIntoBouquet(step, last);
    const TBouquet *bouquet = main.CurrentBouquet();
    step.check(bouquet && bouquet->Name == "Big" && bouquet->Count() == 1
                   && bouquet->GetItem(0)->Name == cellText(main.ServicesGrid, "ColSerName", last),
               "the last service was dragged into the bouquet");
    step.report("state-first.txt", describeLists(step.program).left(100000));
    step.prompts.answers = {TPrompts::mbYes};
}

E2E_STEP(big_list_again)
{
    step.report("state-restart.txt", describeLists(step.program).left(100000));
}

TEST(BigList, AHundredThousandServicesThroughASession)
{
    TE2EWorld world;
    writeBytes(world.path("Services.xml"), bigServices());
    const TRunResult first = world.run("big_list");
    ASSERT_TRUE(first.ok()) << first.output.toStdString();
    EXPECT_TRUE(world.bytes("Bouquets.xml").contains("Big"));
    const TRunResult again = world.run("big_list_again");
    ASSERT_TRUE(again.ok()) << again.output.toStdString();
    EXPECT_EQ(world.bytes("state-restart.txt"), world.bytes("state-first.txt"));
}
