#include "import_export_world.h"

#include "exchange/import_export_dialog.h"
#include "exchange/import_news_dialog.h"
#include "form_test_support.h"
#include "qt_print.h"
#include "ui/grid/columns.h"
#include "ui/grid/list_grid.h"

#include <QDialog>
#include <QTest>

#include <gtest/gtest.h>

namespace {

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QString footer(const TListGrid &grid)
{
    return grid.Columns()->Items(0)->Footer().Caption();
}

TEST(ImportNews, ReadsTheThreeFilesInUtf8OrOlderWindowsText)
{
    TExchangeWorld world;
    auto *news = world.form<TFrmImportNews>("FrmImportNews");
    news->SetNewsFolder(world.folder.path());
    writeBytes(world.path("NewServices.dat"),
               "Bayerisches Fernsehen S\xc3\xbc" "d;Astra 19.2E\r\nRadio Alpengl\xc3\xbc" "hen;Astra 19.2E\r\n");
    // Left by an older version: Windows-1252, not valid UTF-8.
    writeBytes(world.path("DeletedServices.dat"), "Caf\xe9 TV;Hot Bird 13.0E\r\n");
    QFile::remove(world.path("ChangedServices.dat"));

    news->LoadNews();
    EXPECT_EQ(columnTexts(*news->NewGrid(), "ColNewServicesName"),
              QStringList({QString::fromUtf8("Bayerisches Fernsehen Süd"),
                           QString::fromUtf8("Radio Alpenglühen")}));
    EXPECT_EQ(columnTexts(*news->NewGrid(), "ColNewServicesSat"),
              QStringList({"Astra 19.2E", "Astra 19.2E"}));
    EXPECT_EQ(columnTexts(*news->DeletedGrid(), "ColDeletedServicesName"),
              QStringList({QString::fromUtf8("Café TV")}));
    EXPECT_EQ(news->ChangedGrid()->RowCount(), 0);
    EXPECT_EQ(footer(*news->NewGrid()), "2 Service(s)");
    EXPECT_EQ(footer(*news->DeletedGrid()), "1 Service(s)");
    EXPECT_EQ(footer(*news->ChangedGrid()), "0 Service(s)");
    EXPECT_TRUE(news->CbxAutoBouquet()->isEnabled());

    news->show();
    saveShot(*news, QStringLiteral("import_news.png"));
    news->hide();

    // No new services: the bouquet settings cannot be used, and keep their values.
    news->CbxAutoBouquet()->setChecked(true);
    QFile::remove(world.path("NewServices.dat"));
    news->LoadNews();
    EXPECT_FALSE(news->CbxAutoBouquet()->isEnabled());
    EXPECT_FALSE(news->EdtBouquet()->isEnabled());
    EXPECT_TRUE(news->CbxAutoBouquet()->isChecked());
}

TEST(ImportNews, TheImportDialogShowsTheLastNewsWithoutReading)
{
    TExchangeWorld world;
    auto *news = world.form<TFrmImportNews>("FrmImportNews");
    news->SetNewsFolder(world.folder.path());
    writeBytes(world.path("NewServices.dat"), "One;Sat\r\n");
    news->LoadNews();
    writeBytes(world.path("NewServices.dat"), "One;Sat\r\nTwo;Sat\r\n");
    world.form<TFrmImportExport>("FrmImportExport")->SetProgram(&world.program);
    int rows = -1;
    whenModal("FrmImportNews", [&rows](QWidget *modal) {
        rows = static_cast<TFrmImportNews *>(modal)->NewGrid()->RowCount();
        modal->findChild<QAbstractButton *>("BtnClose")->click();
    });
    world.control("FrmImportExport", "BtnImportNews")->click();
    EXPECT_EQ(rows, 1);
}

// Names holding ";" or a line break are listed whole after an import, and
// the news files hold them escaped, so no line splits.
TEST(ImportNews, NamesWithASemicolonOrALineBreakAreListedWhole)
{
    TExchangeWorld world;
    world.startReceiver();
    auto *dialog = world.form<TFrmImportExport>("FrmImportExport");
    dialog->SetProgram(&world.program);
    dialog->FillFormatCombos();
    for (const auto &[name, checked] : {std::pair{"BtnBox", true}, {"CbxServices", true},
                                        {"CbxMyServices", false}, {"CbxBouquets", false},
                                        {"CbxImportNews", false}})
        world.control("FrmImportExport", name)->setChecked(checked);
    dialog->UpdateControls();
    QString error;
    ASSERT_TRUE(dialog->Import(error)) << error.toStdString();

    const QString services = world.receiverPath("services.xml");
    QByteArray xml = fileBytesOf(services);
    const QByteArray zdf = "\t\t\t<channel service_id=\"0065\" name=\"ZDF\" service_type=\"01\" />\n";
    ASSERT_TRUE(xml.contains(zdf));
    xml.replace(zdf, zdf + "\t\t\t<channel service_id=\"0098\" name=\"Sport; Live\" service_type=\"01\" />\n"
                           "\t\t\t<channel service_id=\"0099\" name=\"Zwei&#13;&#10;Zeilen\" service_type=\"01\" />\n");
    writeBytes(services, xml);
    ASSERT_TRUE(dialog->Import(error)) << error.toStdString();

    auto *news = world.form<TFrmImportNews>("FrmImportNews");
    EXPECT_EQ(columnTexts(*news->NewGrid(), "ColNewServicesName"),
              QStringList({"Sport; Live", "Zwei\r\nZeilen"}));
    EXPECT_EQ(columnTexts(*news->NewGrid(), "ColNewServicesSat"),
              QStringList({"Kabelnetz Musterstadt", "Kabelnetz Musterstadt"}));
    EXPECT_EQ(footer(*news->NewGrid()), "2 Service(s)");
    EXPECT_EQ(fileBytesOf(world.path("NewServices.dat")),
              QByteArray("Sport%3B Live;Kabelnetz Musterstadt\r\n"
                         "Zwei%0D%0AZeilen;Kabelnetz Musterstadt\r\n"));
}

// Escape closes the window wherever the user left the focus, in a grid too.
TEST(ImportNews, EscapeClosesTheWindowFromEveryGrid)
{
    TExchangeWorld world;
    auto *news = world.form<TFrmImportNews>("FrmImportNews");
    news->SetNewsFolder(world.folder.path());
    writeBytes(world.path("NewServices.dat"), "One;Sat\r\nTwo;Sat\r\n");
    writeBytes(world.path("ChangedServices.dat"), "Three;Sat\r\n");
    writeBytes(world.path("DeletedServices.dat"), "Four;Sat\r\n");
    news->LoadNews();
    world.form<TFrmImportExport>("FrmImportExport")->SetProgram(&world.program);
    for (TListGrid *grid : {news->NewGrid(), news->ChangedGrid(), news->DeletedGrid()}) {
        SCOPED_TRACE(grid->objectName().toStdString());
        bool pressed = false;
        whenModal("FrmImportNews", [&](QWidget *modal) {
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->CellRect(0, 0).center());
            QTest::keyClick(grid, Qt::Key_Escape);
            pressed = true;
            // Should the window stay open, the test fails instead of hanging.
            if (modal->isVisible())
                static_cast<QDialog *>(modal)->done(-1);
        });
        world.control("FrmImportExport", "BtnImportNews")->click();
        EXPECT_TRUE(pressed);
        EXPECT_EQ(news->result(), QDialog::Rejected);
    }
}

} // namespace
