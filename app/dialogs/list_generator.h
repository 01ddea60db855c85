#pragma once

#include "core/export/list_export.h"
#include "core/util/prompts.h"
#include "core/util/sys_utils.h"
#include "ui/grid/grid_print.h"

#include <QDialog>

#include <functional>
#include <memory>

class QPrinter;
class TListGrid;
struct TProgram;

namespace Ui {
class FrmListGenerator;
}

// The print manager: which list (source), which columns in which order, and
// where it goes (CSV, HTML file, HTML print or a print of the grid itself).
class TFrmListGenerator : public QDialog
{
    Q_OBJECT

public:
    explicit TFrmListGenerator(QWidget *parent = nullptr);
    ~TFrmListGenerator() override;

    // The program whose lists, settings and main window the window works on.
    void SetProgram(TProgram *program) { m_program = program; }

    // Enables what the chosen target needs and names the button after it.
    void UpdateControls();
    // Makes the list (or the print) the window is set up for; the window
    // stays open for the next one.
    void BtnGenerateClick();
    // Move the selected columns one place up or down.
    void BtnUpClick();
    void BtnDownClick();

    // The columns as listed, in order, with their check marks.
    ExportColumns ListColumns() const;
    // The file name (without folder) the window proposes for a list with
    // `extension` (".csv" or ".html") from the chosen source. A current
    // bouquet's name is kept for when the main window shows none.
    QString ProposedFileName(const QString &extension);

    // Opens a written list with the desktop's handler; `failed` hears the
    // reason, now or later, when nothing took it. Tests stand in for it.
    std::function<void(const QString &fileName, TOpenFailed failed)> OpenList;
    // The printer a print goes to. Null with `cancelled` false when there is
    // none; null with `cancelled` true when the user chose not to print. The
    // program asks with the print dialog; tests hand over a PDF printer.
    std::function<std::unique_ptr<QPrinter>(bool &cancelled)> ChoosePrinter;

    // The grid printer, set up with the sizes a printed grid has.
    TLgGridPrint GridPrint;

protected:
    void showEvent(QShowEvent *event) override;

private:
    enum class Source { None, ServiceList, BouquetList, CurrentBouquet };
    Source chosenSource() const;
    TListGrid *sourceGrid() const;
    QString currentBouquetName(bool &found) const;
    void generateList();
    // Writes the list of `source`; false when it could not.
    bool exportList(Source source, bool csv, const QString &bouquetName, const QString &fileName);
    void printGrid();
    // The printer to use, or null after telling the user there is none
    // (or silently when they cancelled).
    std::unique_ptr<QPrinter> printer();
    void showProgress(qsizetype done, qsizetype total);
    void endProgress();
    void tell(TPrompts::TMsgKind kind, const QString &text);

    TProgram *m_program = nullptr;
    std::unique_ptr<Ui::FrmListGenerator> ui;
    // The last name proposed for a bouquet's list: kept when no bouquet is
    // chosen in the main window.
    QString m_bouquetBaseName;
    bool m_busy = false;
};

// Prints an HTML page (images relative to the page's folder) on `printer`,
// telling `progress` how many of its table rows are printed; false when no
// job could start or it failed.
bool printHtmlFile(const QString &fileName, QPrinter &printer,
                   const std::function<void(qsizetype done, qsizetype total)> &progress = {});
