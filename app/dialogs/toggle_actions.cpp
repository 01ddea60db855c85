#include "app/dialogs/toggle_actions.h"

#include "core/model/service.h"
#include "resources/icons.h"
#include "ui_toggle_actions.h"

namespace {

constexpr QSize kIconSize{16, 16};

} // namespace

TFrmToggleActions::TFrmToggleActions(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::FrmToggleActions>())
{
    ui->setupUi(this);
    const qreal ratio = devicePixelRatioF();
    ui->ImgAdd->setPixmap(pelloranPixmap(QStringLiteral("action-add"), kIconSize, ratio));
    ui->ImgRemove->setPixmap(pelloranPixmap(QStringLiteral("action-remove"), kIconSize, ratio));
    ui->ImgReplace->setPixmap(pelloranPixmap(QStringLiteral("action-replace"), kIconSize, ratio));
    connect(ui->BtnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TFrmToggleActions::~TFrmToggleActions() = default;

void TFrmToggleActions::preselect(int action)
{
    switch (action) {
    case saRemove:
        ui->BtnRemove->setChecked(true);
        break;
    case saReplace:
        ui->BtnReplace->setChecked(true);
        break;
    default:
        ui->BtnAdd->setChecked(true);
        break;
    }
}

int TFrmToggleActions::chosen() const
{
    if (ui->BtnRemove->isChecked())
        return saRemove;
    if (ui->BtnReplace->isChecked())
        return saReplace;
    return saAdd;
}

int TFrmToggleActions::Execute(int &action)
{
    preselect(action);
    const int result = exec();
    action = chosen();
    return result;
}
