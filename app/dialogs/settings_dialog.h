#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class FrmSettings;
}

// How the receiver is reached, where backups go, which telnet client and file
// manager are started, and a few switches. The window keeps no settings object:
// its controls are the live settings that the rest of the program reads, and
// the settings store fills them from the ini file by their object names.
class TFrmSettings : public QDialog
{
    Q_OBJECT

public:
    explicit TFrmSettings(QWidget *parent = nullptr);
    ~TFrmSettings() override;

private:
    std::unique_ptr<Ui::FrmSettings> ui;
};
