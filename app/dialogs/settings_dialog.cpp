#include "app/dialogs/settings_dialog.h"

#include "ui_settings_dialog.h"

#include "core/util/messages.h"
#include "core/util/prompts.h"
#include "core/util/str_utils.h"
#include "core/util/sys_utils.h"

#include <algorithm>

namespace {

constexpr QSize kClientSize{601, 413};

constexpr int kAddressParts = 4;
constexpr int kLargestAddressPart = 255;

// Four parts of one to three digits, each 0 to 255. The field pads what it
// is given: "999.1.1.1" would be kept as 999.001.001.001 and an emptied
// field as 000.000.000.000, and every transfer after would fail with "Host
// not found" without saying why.
bool isReceiverAddress(const QString &text)
{
    const QStringList parts = removeWhiteSpaces(text, 0).split(u'.');
    if (parts.size() != kAddressParts)
        return false;
    return std::all_of(parts.begin(), parts.end(), [](const QString &part) {
        return isDecimalNumber(part) && part.size() <= 3 && part.toInt() <= kLargestAddressPart;
    });
}

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
    if (!isReceiverAddress(ui->EdtIp->text())) {
        // The dialog stays open on the field, with what was typed.
        ui->PageControl->setCurrentWidget(ui->TabDBox);
        ui->EdtIp->setFocus();
        if (m_prompts)
            m_prompts->messageBox(TPrompts::TMsgKind::Error, msg(MsgReceiverAddressInvalid), TPrompts::mbOK);
        return;
    }
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
