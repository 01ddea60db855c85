#include "exchange/web_message_dialog.h"

#include "ui_web_message_dialog.h"

TFrmWebBrowser::TFrmWebBrowser(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::FrmWebBrowser>())
{
    ui->setupUi(this);
}

TFrmWebBrowser::~TFrmWebBrowser() = default;
