#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class FrmWebBrowser;
}

// The window behind the messages sent through the receiver's web interface
// to its TV screen. It is never shown for a message and the receiver's reply
// is not looked at, so its view is a plain read-only one that follows no
// links.
class TFrmWebBrowser : public QDialog
{
    Q_OBJECT

public:
    explicit TFrmWebBrowser(QWidget *parent = nullptr);
    ~TFrmWebBrowser() override;

private:
    std::unique_ptr<Ui::FrmWebBrowser> ui;
};
