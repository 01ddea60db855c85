#include "app/dialogs/settings_dialog.h"

#include "ui_settings_dialog.h"

#include "core/util/prompts.h"
#include "core/util/str_utils.h"
#include "core/util/sys_utils.h"

namespace {

constexpr QSize kClientSize{601, 413};

} // namespace

TFrmSettings::TFrmSettings(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::FrmSettings>())
{
    ui->setupUi(this);
    // A fixed border that can still be minimised: the dialog stays open while
    // the user looks something up in the main window.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(kClientSize);
    connect(ui->BtnOk, &QPushButton::clicked, this, &TFrmSettings::BtnOkClick);
    connect(ui->BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->BtnBrowse, &QPushButton::clicked, this, &TFrmSettings::BtnBrowseClick);
    // toggled, not clicked: a settings load that sets the buttons counts too.
    for (QAbstractButton *button : {static_cast<QAbstractButton *>(ui->BtnSystemTelnet),
                                    static_cast<QAbstractButton *>(ui->BtnCustomTelnet),
                                    static_cast<QAbstractButton *>(ui->BtnCmdAutoDetect),
                                    static_cast<QAbstractButton *>(ui->BtnCmdCustom)})
        connect(button, &QAbstractButton::toggled, this, &TFrmSettings::updateToolEdits);
    updateToolEdits();
}

TFrmSettings::~TFrmSettings() = default;

void TFrmSettings::BtnOkClick()
{
    // The file and the receiver's address fields keep three digits a group,
    // the port five digits.
    ui->EdtIp->setText(ipAddressFill(ui->EdtIp->text()));
    ui->EdtPort->setText(fillString(ui->EdtPort->text().trimmed(), u'0', 5, FillLeft));
    accept();
}

void TFrmSettings::BtnBrowseClick()
{
    if (!m_prompts)
        return;
    const QString folder =
        m_prompts->folderName(ui->LblBackupRootDir->text(), ui->EdtBackupRootDir->text());
    if (!folder.isEmpty())
        ui->EdtBackupRootDir->setText(folder);
}

void TFrmSettings::updateToolEdits()
{
    ui->EdtTelnet->setEnabled(!ui->BtnSystemTelnet->isChecked());
    ui->EdtTotalCmd->setEnabled(!ui->BtnCmdAutoDetect->isChecked());
}

void TFrmSettings::done(int result)
{
    QDialog::done(result);
    if (OnClose)
        OnClose();
}
