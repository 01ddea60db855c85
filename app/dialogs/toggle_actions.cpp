#include "app/dialogs/toggle_actions.h"

#include "core/model/service.h"
#include "resources/icons.h"
#include "ui/controls/window_fit.h"
#include "ui_toggle_actions.h"

#include <QEvent>

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
    fitTitle();
}

TFrmToggleActions::~TFrmToggleActions() = default;

void TFrmToggleActions::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::WindowTitleChange)
        fitTitle();
}

// The window takes the size of its choices, which leaves the title bar too
// narrow for "Toggle Actions"; the panel widens the window to its title.
void TFrmToggleActions::fitTitle()
{
    const QMargins margins = layout()->contentsMargins();
    // Any width beyond the choices' own goes to the right of the buttons,
    // so each icon stays beside its button.
    ui->LayoutPnlActions->setColumnStretch(1, 1);
    ui->PnlActions->setMinimumWidth(titleFitWidth(windowTitle(), font()) - margins.left()
                                    - margins.right());
}

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
