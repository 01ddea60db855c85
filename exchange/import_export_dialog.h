#pragma once

#include <QDialog>

#include <memory>

struct TProgram;
class TFrmImportNews;
class TFrmDiSEqCMapping;

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

    // The two roads. An import replaces the lists only when every checked
    // file arrived and could be read; otherwise all three stay as they were.
    bool Import(QString &errorText);
    bool Export(QString &errorText);

    // Which controls can be used, from the source and the checked files.
    void UpdateControls();
    // "Auto (same as input format)" and the dialects of each file kind.
    void FillFormatCombos();

private:
    TFrmImportNews *importNews() const;
    TFrmDiSEqCMapping *diseqcMapping() const;
    void refillServiceGrids() const;
    void showVersions();
    void refillMainWindow();
    void buildAutoBouquet();
    // False when a file could not be written; `written` counts those that were.
    bool exportFiles(bool toReceiver, QString &errorText, int &written);

    TProgram *m_program = nullptr;
    std::unique_ptr<Ui::FrmImportExport> ui;
};
