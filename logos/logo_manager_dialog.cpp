#include "logos/logo_manager_dialog.h"

#include "ui/grid/column_kinds.h"
#include "ui_logo_manager_dialog.h"

namespace {

constexpr int kCheckColumnWidth = 20;

} // namespace

TFrmLogoManager::TFrmLogoManager(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::FrmLogoManager>())
{
    ui->setupUi(this);

    TListGrid *grid = ui->GridPackages;
    grid->SetOptions({goSelectFullRow, goHeader, goMultiSelect});
    auto *check = grid->Columns()->Add<TLgCheckBoxColumn>(QStringLiteral("ColCheck"));
    check->SetWidth(kCheckColumnWidth);
    check->SetOptions(check->Options() + coEditing + coFixedSize);
    // The page name takes whatever width the check box leaves.
    auto *package = grid->Columns()->Add<TLgTextColumn>(QStringLiteral("ColPackage"));
    package->Header().SetCaption(QStringLiteral("Satellite"));
    package->SetOptions(package->Options() + coAutoSize);

    // OK first brings the logo size and the grids' logo columns up to date,
    // which needs the main window; Cancel always closes.
    connect(ui->BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TFrmLogoManager::~TFrmLogoManager() = default;
