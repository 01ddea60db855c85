#pragma once

#include <QDialog>

#include <functional>
#include <memory>

class TPrompts;

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

    // Where the folder choice of the backup root is asked.
    void SetPrompts(TPrompts *prompts) { m_prompts = prompts; }
    // Runs when the window closes, OK or Cancel (the main window pings once).
    std::function<void()> OnClose;

    void done(int result) override;

private Q_SLOTS:
    void BtnOkClick();
    void BtnBrowseClick();

private:
    // The telnet and file manager paths are edited only when chosen.
    void updateToolEdits();

    TPrompts *m_prompts = nullptr;
    std::unique_ptr<Ui::FrmSettings> ui;
};
