#pragma once

#include <QDialog>

#include <memory>

struct TProgram;

namespace Ui {
class FrmImportExport;
}

// Where the three zapit files come in from (the receiver, a local folder or
// the ready-made list on the web) and go out to, with the output dialect of
// each file and the ready-made list's versions.
class TFrmImportExport : public QDialog
{
    Q_OBJECT

public:
    // Import accepts, export ends with a result of its own and closing
    // rejects, so one modal run tells the caller which road to take.
    static constexpr int kResultImport = QDialog::Accepted;
    static constexpr int kResultExport = 6;

    explicit TFrmImportExport(QWidget *parent = nullptr);
    ~TFrmImportExport() override;

    // The program whose lists, settings and main window the window works on.
    void SetProgram(TProgram *program) { m_program = program; }

    // One run of the dialog: import or export as the user chooses. False
    // with a text when it failed, false with none when the user gave up.
    bool Execute(QString &errorText);

private:
    TProgram *m_program = nullptr;
    std::unique_ptr<Ui::FrmImportExport> ui;
};
