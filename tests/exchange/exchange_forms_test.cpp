#include "exchange/backup_manager_dialog.h"
#include "exchange/diseqc_mapping_dialog.h"
#include "exchange/import_export_dialog.h"
#include "exchange/import_news_dialog.h"
#include "exchange/kingofsat_dialog.h"
#include "exchange/kingofsat_mapping_dialog.h"
#include "exchange/kingofsat_transfer_dialog.h"
#include "exchange/web_message_dialog.h"

#include "form_test_support.h"
#include "ui/grid/column_kinds.h"
#include "ui/grid/list_grid.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QDialog>
#include <QSize>

#include <functional>
#include <gtest/gtest.h>

namespace {

// The settings store and the translation engine find these controls by
// name, and the later logic relies on their classes and starting states.
struct FormRow {
    const char *shot;
    std::function<std::unique_ptr<QDialog>()> make;
    const char *formName;
    const char *title;
    std::vector<ControlRow> controls;
    std::vector<PropertyRow> properties = {};
    std::vector<ColumnRow> columns = {};
    std::vector<std::vector<const char *>> groups = {};
};

template <typename Form>
std::unique_ptr<QDialog> make()
{
    return std::make_unique<Form>();
}

std::vector<FormRow> forms()
{
    return {
        {"import_export.png", make<TFrmImportExport>, "FrmImportExport", "Import / Export",
         {{"BtnBox", "TTrRadioButton", "Bo&x"},
          {"BtnLocal", "TTrRadioButton", "&Local Directory"},
          {"BtnOrvik", "TTrRadioButton", "Orvik's Internet Settings"},
          {"CbxBouquets", "TTrCheckBox", "&Bouquets.xml"},
          {"CbxServices", "TTrCheckBox", "&Services.xml"},
          {"CbxMyServices", "TTrCheckBox", "&MyServices.xml"},
          {"ComboFormatBouquets", "QComboBox"},
          {"ComboFormatServices", "QComboBox"},
          {"ComboFormatMyServices", "QComboBox"},
          {"PnlOutputFormat", "QGroupBox", "Output Format"},
          {"BtnImportNews", "QPushButton", "Import &News (Last Import)"},
          {"CbxImportNews", "QCheckBox", "S&how Import News"},
          {"CbxMapping", "QCheckBox", "&DiSEqC Mapping"},
          {"OrvikBox", "QGroupBox", "Orvik's Internet Settings"},
          {"LblLastOrvikVrsion", "QLabel", "Last Download Version:"},
          {"EdtLastOrvikVersion", "QLineEdit"},
          {"LblNewOrvikVersion", "QLabel", "New Version Available:"},
          {"EdtNewOrvikVersion", "QLineEdit"},
          {"BtnImport", "QPushButton", "&Import"},
          {"BtnExport", "QPushButton", "&Export"},
          {"BtnClose", "QPushButton", "&Close"}},
         {{"ComboFormatBouquets", "editable", false},
          {"ComboFormatServices", "editable", false},
          {"ComboFormatMyServices", "editable", false},
          {"EdtLastOrvikVersion", "readOnly", true},
          {"EdtNewOrvikVersion", "readOnly", true},
          {"BtnClose", "default", true}},
         {},
         {{"BtnBox", "BtnLocal", "BtnOrvik"}}},
        {"import_news.png", make<TFrmImportNews>, "FrmImportNews", "Import News",
         {{"NewGrid", "TListGrid"},
          {"ChangedGrid", "TListGrid"},
          {"DeletedGrid", "TListGrid"},
          {"CbxAutoBouquet", "QCheckBox", "&Convert To Bouquet:"},
          {"EdtBouquet", "QLineEdit"},
          {"LblNoDataServices", "QLabel", "Data services are not displayed"},
          {"BtnClose", "QPushButton", "&Close"}},
         {{"BtnClose", "default", true}},
         {{"NewGrid", "ColNewServicesName", "TLgTextColumn", "New Services", -1, true, false},
          {"NewGrid", "ColNewServicesSat", "TLgTextColumn", "Satelite/Cable", 150, true, false},
          {"ChangedGrid", "ColChangedServicesname", "TLgTextColumn", "Changed Services", -1, true,
           false},
          {"ChangedGrid", "ColChangedServicesSat", "TLgTextColumn", "Satelite/Cable", 150, true,
           false},
          {"DeletedGrid", "ColDeletedServicesName", "TLgTextColumn", "Deleted Services", -1, true,
           false},
          {"DeletedGrid", "ColDeletedServicesSat", "TLgTextColumn", "Satelite/Cable", 150, true,
           false}}},
        {"diseqc_mapping.png", make<TFrmDiSEqCMapping>, "FrmDiSEqCMapping", "DiSEqC Mapping",
         {{"MappingGrid", "TListGrid"},
          {"BtnOk", "QPushButton", "&OK"},
          {"BtnCancel", "QPushButton", "&Cancel"}},
         {},
         {{"MappingGrid", "ColSat", "TLgTextColumn", "Satellite", 540, true, false},
          {"MappingGrid", "ColDiSEqC", "TLgNumberColumn", "DiSEqC", 65, true, true}}},
        {"kingofsat.png", make<TFrmKingOfSat>, "FrmKingOfSat", "KingOfSat Import",
         {{"SatGrid", "TListGrid"},
          {"BtnRefreshList", "QPushButton", "&Refresh Satellite List"},
          {"BtnSelectAll", "QPushButton", "Select &All"},
          {"BtnSelectNone", "QPushButton", "Select &None"},
          {"BtnDownload", "QPushButton", "&Download && Close"},
          {"BtnClose", "QPushButton", "&Close"},
          {"CbxDeltaUpdate", "TTrCheckBox", "Delta &Update"}},
         {{"BtnClose", "default", true}},
         {{"SatGrid", "ColCheck", "TLgCheckBoxColumn", "", 20, true, true},
          {"SatGrid", "ColSat", "TLgTextColumn", "Satellite", -1, true, false},
          {"SatGrid", "ColPos", "TLgTextColumn", "Position", 60, true, false},
          {"SatGrid", "ColLink", "TLgTextColumn", "Link", -1, false, false}}},
        {"kingofsat_mapping.png", make<TFrmKingOfSatMapping>, "FrmKingOfSatMapping",
         "KingOfSat Mapping",
         {{"MappingGrid", "TListGrid"},
          {"BtnOk", "QPushButton", "&OK"},
          {"BtnCancel", "QPushButton", "&Cancel"}},
         {},
         {{"MappingGrid", "ColSat", "TLgTextColumn", "From", -1, true, false},
          {"MappingGrid", "ColSatMapping", "TLgComboBoxColumn", "To (Satellite)", -1, true, true},
          {"MappingGrid", "ColDiSEqCMapping", "TLgNumberColumn", "To (DiSEqC)", -1, true, true}}},
        {"kingofsat_transfer.png", make<TFrmKingOfSatTransfer>, "FrmKingOfSatTransfer",
         "KingOfSat Transfer",
         {{"BtnSelected", "QRadioButton", "Transfer &Selected Services"},
          {"BtnProvider", "QRadioButton", "Transfer Services Of The Following &Provider:"},
          {"ComboProvider", "QComboBox"},
          {"BtnSatellite", "QRadioButton", "Transfer Services Of The Following S&atellite:"},
          {"ComboSatellite", "QComboBox"},
          {"CbxAssumeNames", "QCheckBox", "&Assume KingOfSat Service &Names"},
          {"CbxBouquet", "QCheckBox", "Create/Update &Bouquet:"},
          {"ComboBouquet", "QComboBox"},
          {"BtnOk", "QPushButton", "&OK"},
          {"BtnCancel", "QPushButton", "&Cancel"}},
         {{"BtnSelected", "checked", true},
          {"ComboProvider", "editable", false},
          {"ComboSatellite", "editable", false},
          {"ComboBouquet", "editable", true},
          {"BtnOk", "default", true}},
         {},
         {{"BtnSelected", "BtnProvider", "BtnSatellite"}}},
        {"backup_manager.png", make<TFrmBackupManager>, "FrmBackupManager", "Backup Manager",
         {{"PnlMakeBackup", "QGroupBox", "Make Backup"},
          {"LblFiles", "QLabel", "Files:"},
          {"BoxFiles", "QListWidget"},
          {"EdtFile", "QLineEdit"},
          {"BtnAdd", "QPushButton", "&Add"},
          {"BtnRemove", "QPushButton", "Re&move Selected"},
          {"BtnMakeBackup", "QPushButton", "&Make Backup Now"},
          {"PnlRestoreBackup", "QGroupBox", "Restore Backup"},
          {"LblBackupHistory", "QLabel", "Backup History:"},
          {"BoxBackups", "QListWidget"},
          {"LblContent", "QLabel", ""},
          {"BoxContent", "QListWidget"},
          {"BtnRestoreBackup", "QPushButton", "&Restore Backup Now"},
          {"BtnSettings", "QPushButton", "&Settings..."},
          {"BtnClose", "QPushButton", "&Close"}},
         // Several files are removed at once.
         {{"BoxFiles", "selectionMode",
           QVariant::fromValue(QAbstractItemView::ExtendedSelection)}}},
        {"web_message.png", make<TFrmWebBrowser>, "FrmWebBrowser", "Web Browser",
         {{"WebBrowser", "QTextBrowser"}},
         // The reply must never lead anywhere else.
         {{"WebBrowser", "readOnly", true}, {"WebBrowser", "openLinks", false},
          {"WebBrowser", "openExternalLinks", false}}},
    };
}

class ExchangeForms : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { s_app = std::make_unique<FormTestApp>(); }
    static void TearDownTestSuite() { s_app.reset(); }

private:
    static inline std::unique_ptr<FormTestApp> s_app;
};

TEST_F(ExchangeForms, EveryNamedControlIsThere)
{
    for (const FormRow &row : forms()) {
        SCOPED_TRACE(row.formName);
        const auto form = row.make();
        EXPECT_EQ(form->objectName(), QString::fromLatin1(row.formName));
        EXPECT_EQ(form->windowTitle(), QString::fromUtf8(row.title));
        expectControls(*form, row.controls);
        expectProperties(*form, row.properties);
        expectColumns(*form, row.columns);
    }
}

TEST_F(ExchangeForms, OptionButtonsAreExclusiveWithinTheirGroup)
{
    for (const FormRow &row : forms()) {
        SCOPED_TRACE(row.formName);
        const auto form = row.make();
        expectExclusiveGroups(*form, row.groups);
    }
}

TEST_F(ExchangeForms, ButtonsThatOnlyCloseTellHow)
{
    const struct {
        std::function<std::unique_ptr<QDialog>()> make;
        const char *button;
        int result;
    } rows[] = {
        // The caller takes the import road on 1 and the export road on 6.
        {make<TFrmImportExport>, "BtnImport", 1},
        {make<TFrmImportExport>, "BtnExport", 6},
        {make<TFrmImportExport>, "BtnClose", QDialog::Rejected},
        {make<TFrmImportNews>, "BtnClose", QDialog::Rejected},
        {make<TFrmDiSEqCMapping>, "BtnOk", QDialog::Accepted},
        {make<TFrmDiSEqCMapping>, "BtnCancel", QDialog::Rejected},
        {make<TFrmKingOfSat>, "BtnClose", QDialog::Rejected},
        {make<TFrmKingOfSatMapping>, "BtnOk", QDialog::Accepted},
        {make<TFrmKingOfSatMapping>, "BtnCancel", QDialog::Rejected},
        {make<TFrmKingOfSatTransfer>, "BtnCancel", QDialog::Rejected},
        {make<TFrmBackupManager>, "BtnClose", QDialog::Rejected},
    };
    for (const auto &row : rows) {
        const auto form = row.make();
        SCOPED_TRACE(form->objectName().toStdString() + "." + row.button);
        form->setResult(-1);
        form->show();
        auto *button = form->findChild<QAbstractButton *>(QString::fromLatin1(row.button));
        ASSERT_NE(button, nullptr);
        button->click();
        EXPECT_FALSE(form->isVisible());
        EXPECT_EQ(form->result(), row.result);
    }
}

TEST_F(ExchangeForms, NewsWindowKeepsItsMinimumSize)
{
    TFrmImportNews form;
    EXPECT_EQ(form.minimumSize(), QSize(772, 500));
    form.show();
    form.resize(300, 200);
    EXPECT_GE(form.width(), 772);
    EXPECT_GE(form.height(), 500);
}

// A few rows in every grid, so the shot shows how the columns share the width.
void fillSampleRows(QWidget &form)
{
    for (TListGrid *grid : form.findChildren<TListGrid *>()) {
        grid->AddRow(3);
        for (int col = 0; col < grid->Columns()->Count(); ++col) {
            const TLgCustomColumn *column = grid->Columns()->Items(col);
            for (int row = 0; row < 3; ++row) {
                if (column->inherits("TLgCheckBoxColumn"))
                    grid->SetCells(col, row, row == 1 ? QStringLiteral("True") : QStringLiteral("False"));
                else if (column->inherits("TLgNumberColumn"))
                    grid->SetCells(col, row, QString::number(row));
                else
                    grid->SetCells(col, row, QStringLiteral("%1 %2").arg(column->Header().Caption()).arg(row + 1));
            }
        }
    }
}

TEST_F(ExchangeForms, ShownWindowsAreSavedForALook)
{
    for (const FormRow &row : forms()) {
        const auto form = row.make();
        fillSampleRows(*form);
        form->show();
        EXPECT_TRUE(saveShot(*form, QString::fromLatin1(row.shot))) << row.shot;
    }
}

} // namespace
