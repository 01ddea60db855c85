#include "logos/logo_manager_dialog.h"

#include "form_test_support.h"
#include "ui/grid/list_grid.h"

#include <QAbstractButton>
#include <QSlider>

#include <gtest/gtest.h>

namespace {

class LogoManagerForm : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { s_app = std::make_unique<FormTestApp>(); }
    static void TearDownTestSuite() { s_app.reset(); }

private:
    static inline std::unique_ptr<FormTestApp> s_app;
};

// The settings store, the translation engine and the logo mapper find these
// controls by name; the mapper reads the activation buttons and the size.
TEST_F(LogoManagerForm, EveryNamedControlIsThere)
{
    TFrmLogoManager form;
    EXPECT_EQ(form.objectName(), "FrmLogoManager");
    EXPECT_EQ(form.windowTitle(), "Logo Manager");
    const ControlRow controls[] = {
        {"EdtLogoInfo", "QLineEdit"},
        {"BtnTv", "QRadioButton", "T&V"},
        {"BtnRadio", "QRadioButton", "&Radio"},
        {"BtnGo", "QPushButton", "&Go To Website"},
        {"BtnDlPackageInfo", "QPushButton", "Re&fresh Satellite List"},
        {"GridPackages", "TListGrid"},
        {"BtnSelectAll", "QPushButton", "Select &All"},
        {"BtnSelectNone", "QPushButton", "Select &None"},
        {"CbxAstra192", "QCheckBox", "A&stra 19.2°E"},
        {"CbxAstra282", "QCheckBox", "As&tra 28.2°E"},
        {"CbxHotbird130", "QCheckBox", "&Hot Bird 13.0°E"},
        {"CbxSirius", "QCheckBox", "S&irius 5.0°E"},
        {"CbxHispasat", "QCheckBox", "Hispasat 30.0°&W"},
        {"CbxEutelsat", "QCheckBox", "E&utelsat (all)"},
        {"CbxOthers", "QCheckBox", "Oth&ers"},
        {"BtnDlPackages", "QPushButton", "&Download Logos"},
        {"PnlLogoSize", "QGroupBox", "Logo Display Size"},
        {"LblSmall", "QLabel", "Small"},
        {"TrackBarSize", "QSlider"},
        {"LblBig", "QLabel", "Big"},
        {"PnlActivation", "QGroupBox", "Activation"},
        {"BtnEnabled", "QRadioButton", "Logo Mapping Enabled"},
        {"BtnDisabled", "QRadioButton", "Logo Mapping Disabled (Use Default Logos)"},
        {"CbxRefreshMapping", "QCheckBox", "Refresh &Mapping"},
        {"BtnOk", "QPushButton", "&OK"},
        {"BtnCancel", "QPushButton", "&Cancel"},
    };
    expectControls(form, controls);

    const PropertyRow properties[] = {
        {"BtnTv", "checked", true},
        {"CbxAstra192", "checked", true},
        {"CbxAstra282", "checked", true},
        {"CbxHotbird130", "checked", true},
        {"CbxSirius", "checked", true},
        {"CbxHispasat", "checked", true},
        {"CbxEutelsat", "checked", true},
        {"CbxOthers", "checked", true},
        // Nothing to download before a satellite list is read.
        {"BtnDlPackages", "enabled", false},
        {"BtnEnabled", "checked", true},
        {"CbxRefreshMapping", "checked", false},
        {"TrackBarSize", "minimum", 16},
        {"TrackBarSize", "maximum", 39},
        {"TrackBarSize", "value", 39},
        {"TrackBarSize", "orientation", QVariant::fromValue(Qt::Horizontal)},
        {"BtnOk", "default", true},
    };
    expectProperties(form, properties);

    const ColumnRow columns[] = {
        {"GridPackages", "ColCheck", "TLgCheckBoxColumn", "", 20, true, true},
        {"GridPackages", "ColPackage", "TLgTextColumn", "Satellite", -1, true, false},
    };
    expectColumns(form, columns);
}

TEST_F(LogoManagerForm, KindAndActivationAreSeparateChoices)
{
    TFrmLogoManager form;
    expectExclusiveGroups(form, {{"BtnTv", "BtnRadio"}, {"BtnEnabled", "BtnDisabled"}});
}

TEST_F(LogoManagerForm, CancelCloses)
{
    TFrmLogoManager form;
    form.setResult(-1);
    form.show();
    auto *cancel = form.findChild<QAbstractButton *>(QStringLiteral("BtnCancel"));
    ASSERT_NE(cancel, nullptr);
    cancel->click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Rejected);
}

TEST_F(LogoManagerForm, ShownWindowIsSavedForALook)
{
    TFrmLogoManager form;
    // A few pages, so the shot shows how the columns share the width.
    auto *grid = form.findChild<TListGrid *>(QStringLiteral("GridPackages"));
    ASSERT_NE(grid, nullptr);
    const char *pages[] = {"Astra 1KR - 1L - 1M - 1N", "Hot Bird 13B - 13C - 13E", "Eutelsat 16A"};
    grid->AddRow(3);
    for (int row = 0; row < 3; ++row) {
        grid->SetCells(0, row, row == 1 ? QStringLiteral("True") : QStringLiteral("False"));
        grid->SetCells(1, row, QString::fromLatin1(pages[row]));
    }
    form.show();
    EXPECT_TRUE(saveShot(form, QStringLiteral("logo_manager.png")));
}

} // namespace
