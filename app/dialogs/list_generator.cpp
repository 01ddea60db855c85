#include "app/dialogs/list_generator.h"

#include "app/dialogs/please_wait.h"
#include "app/main/main_window.h"
#include "core/model/bouquet.h"
#include "core/model/bouquet_list.h"
#include "core/model/service_list.h"
#include "core/util/file_utils.h"
#include "core/util/messages.h"
#include "core/util/prompts.h"
#include "core/util/sys_utils.h"
#include "platform/text_codec.h"
#include "resources/icons.h"
#include "ui/grid/list_grid.h"
#include "ui/program/program.h"
#include "ui_list_generator.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScopeGuard>
#include <QShowEvent>

namespace {

QColor pickedColor(const TLgColorPicker &picker)
{
    const std::optional<QColor> color = picker.SelectedColor();
    // "No colour" leaves the cells white, as a page without colours is.
    return color && color->isValid() ? color->toRgb() : QColor(Qt::white);
}

QStringList logoMappingLines(const QString &programFolder)
{
    const QString file = QDir(programFolder).filePath(QStringLiteral("LogoMapping.dat"));
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return {};
    // Read as the logo mapper reads it, older single-byte files included.
    QStringList lines = decodeUtf8OrWindows1252(in.readAll()).split(QLatin1Char('\n'));
    for (QString &line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    return lines;
}

} // namespace

TFrmListGenerator::TFrmListGenerator(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::FrmListGenerator>())
{
    ui->setupUi(this);
    // No title-bar buttons: the window is left through Close only.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    ui->BtnUp->setIcon(pelloranIcon(QStringLiteral("tool-move-up")));
    ui->BtnDown->setIcon(pelloranIcon(QStringLiteral("tool-move-down")));
    ui->ColorPickerHeader->SetSelectedColor(QColor(Qt::white));
    ui->ColorPickerBody->SetSelectedColor(QColor(Qt::white));
    connect(ui->BtnClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->BtnGenerate, &QPushButton::clicked, this, &TFrmListGenerator::BtnGenerateClick);
    connect(ui->BtnUp, &QPushButton::clicked, this, &TFrmListGenerator::BtnUpClick);
    connect(ui->BtnDown, &QPushButton::clicked, this, &TFrmListGenerator::BtnDownClick);
    for (QAbstractButton *button : {static_cast<QAbstractButton *>(ui->BtnCsvFile),
                                    static_cast<QAbstractButton *>(ui->BtnHtmlFile),
                                    static_cast<QAbstractButton *>(ui->BtnHtmlPrint),
                                    static_cast<QAbstractButton *>(ui->BtnSeePrint),
                                    static_cast<QAbstractButton *>(ui->CbxTv),
                                    static_cast<QAbstractButton *>(ui->CbxRadio),
                                    static_cast<QAbstractButton *>(ui->CbxData)})
        connect(button, &QAbstractButton::toggled, this, &TFrmListGenerator::UpdateControls);
    connect(ui->Columns, &QListWidget::itemChanged, this, &TFrmListGenerator::UpdateControls);

    GridPrint.FromRow = 0;
    GridPrint.ToRow = 0;
    GridPrint.HeaderSize = 100;
    GridPrint.RowSize = 86;
    GridPrint.Margins = TMargins{10, 10, 20, 20};
    GridPrint.Options = TGridPrintOptions{gpoHorzGridLines};

    OpenList = [this](const QString &fileName, TOpenFailed failed) { shellOpenDocument(fileName, this, failed); };
    ChoosePrinter = [this](bool &cancelled) -> std::unique_ptr<QPrinter> {
        cancelled = false;
        if (QPrinterInfo::availablePrinterNames().isEmpty())
            return nullptr;
        auto chosen = std::make_unique<QPrinter>(QPrinter::HighResolution);
        QPrintDialog dialog(chosen.get(), this);
        if (dialog.exec() != QDialog::Accepted) {
            cancelled = true;
            return nullptr;
        }
        return chosen;
    };
    UpdateControls();
}

TFrmListGenerator::~TFrmListGenerator() = default;

void TFrmListGenerator::showEvent(QShowEvent *event)
{
    UpdateControls();
    QDialog::showEvent(event);
}

void TFrmListGenerator::UpdateControls()
{
    const bool html = ui->BtnHtmlFile->isChecked() || ui->BtnHtmlPrint->isChecked();
    const bool printing = ui->BtnHtmlPrint->isChecked() || ui->BtnSeePrint->isChecked();
    const bool gridPrint = ui->BtnSeePrint->isChecked();
    ui->ColorPickerHeader->setEnabled(html);
    ui->ColorPickerBody->setEnabled(html);
    ui->BtnGenerate->setText(msg(printing ? MsgPrintCaption : MsgGenerateCaption));
    for (QWidget *control : {static_cast<QWidget *>(ui->Columns), static_cast<QWidget *>(ui->BtnUp),
                             static_cast<QWidget *>(ui->BtnDown), static_cast<QWidget *>(ui->CbxTv),
                             static_cast<QWidget *>(ui->CbxRadio), static_cast<QWidget *>(ui->CbxData)})
        control->setEnabled(!gridPrint);
    if (gridPrint) {
        ui->BtnGenerate->setEnabled(true);
        return;
    }
    const bool anyIncluded =
        ui->CbxTv->isChecked() || ui->CbxRadio->isChecked() || ui->CbxData->isChecked();
    bool anyColumn = false;
    for (const ExportColumn &column : ListColumns())
        anyColumn = anyColumn || column.checked;
    ui->BtnGenerate->setEnabled(anyIncluded && anyColumn);
}

ExportColumns TFrmListGenerator::ListColumns() const
{
    ExportColumns columns;
    for (int i = 0; i < ui->Columns->count(); ++i) {
        const QListWidgetItem *item = ui->Columns->item(i);
        columns.append({item->text(), item->checkState() == Qt::Checked});
    }
    return columns;
}

void TFrmListGenerator::BtnUpClick()
{
    QListWidget *list = ui->Columns;
    // A selected item moves above an unselected neighbour only, so a block
    // of selected items at the top stays in its order.
    for (int i = 1; i < list->count(); ++i) {
        if (!list->item(i)->isSelected() || list->item(i - 1)->isSelected())
            continue;
        QListWidgetItem *item = list->takeItem(i);
        list->insertItem(i - 1, item);
        item->setSelected(true);
    }
}

void TFrmListGenerator::BtnDownClick()
{
    QListWidget *list = ui->Columns;
    for (int i = list->count() - 2; i >= 0; --i) {
        if (!list->item(i)->isSelected() || list->item(i + 1)->isSelected())
            continue;
        QListWidgetItem *item = list->takeItem(i);
        list->insertItem(i + 1, item);
        item->setSelected(true);
    }
}

TFrmListGenerator::Source TFrmListGenerator::chosenSource() const
{
    if (ui->BtnServiceList->isChecked())
        return Source::ServiceList;
    if (ui->BtnBouquetList->isChecked())
        return Source::BouquetList;
    if (ui->BtnCurrentBouquet->isChecked())
        return Source::CurrentBouquet;
    return Source::None;
}

TListGrid *TFrmListGenerator::sourceGrid() const
{
    const TFrmMain *main = m_program ? m_program->FrmMain : nullptr;
    if (!main)
        return nullptr;
    switch (chosenSource()) {
    case Source::ServiceList: return main->ServicesGrid;
    case Source::BouquetList: return main->BouquetListGrid;
    case Source::CurrentBouquet: return main->BouquetGrid;
    case Source::None: break;
    }
    return nullptr;
}

QString TFrmListGenerator::currentBouquetName(bool &found) const
{
    found = false;
    const TFrmMain *main = m_program ? m_program->FrmMain : nullptr;
    if (!main)
        return QString();
    const TBouquet *bouquet = main->CurrentBouquet();
    found = bouquet != nullptr;
    return bouquet ? bouquet->Name : QString();
}

QString TFrmListGenerator::ProposedFileName(const QString &extension)
{
    QString base;
    switch (chosenSource()) {
    case Source::ServiceList: base = QStringLiteral("Services"); break;
    case Source::BouquetList: base = QStringLiteral("Bouquets"); break;
    case Source::CurrentBouquet: {
        bool found = false;
        const QString name = currentBouquetName(found);
        if (found) {
            m_bouquetBaseName = removeInvalidFileNameChars(name);
            // A name of nothing but forbidden characters still needs a file.
            if (m_bouquetBaseName.trimmed().isEmpty())
                m_bouquetBaseName = QStringLiteral("Bouquet");
        }
        base = m_bouquetBaseName;
        break;
    }
    case Source::None: break;
    }
    return base + extension;
}

void TFrmListGenerator::tell(TPrompts::TMsgKind kind, const QString &text)
{
    if (m_program && m_program->Prompts)
        m_program->Prompts->messageBox(kind, text, TPrompts::mbOK);
}

void TFrmListGenerator::showProgress(qsizetype done, qsizetype total)
{
    TFrmMain *main = m_program ? m_program->FrmMain : nullptr;
    if (!main)
        return;
    main->setProgressPosition(total > 0 ? int(done * 100 / total) : 0);
    main->letEventsRun();
}

void TFrmListGenerator::endProgress()
{
    if (TFrmMain *main = m_program ? m_program->FrmMain : nullptr) {
        main->setProgressPosition(0);
        main->ShowStatus(QString());
    }
}

std::unique_ptr<QPrinter> TFrmListGenerator::printer()
{
    bool cancelled = false;
    std::unique_ptr<QPrinter> chosen = ChoosePrinter ? ChoosePrinter(cancelled) : nullptr;
    if (!chosen && !cancelled)
        tell(TPrompts::TMsgKind::Error, msg(MsgNoPrinter));
    return chosen;
}

void TFrmListGenerator::BtnGenerateClick()
{
    // The button is reachable while the events of a long list run.
    if (!m_program || m_busy || !ui->BtnGenerate->isEnabled())
        return;
    m_busy = true;
    const auto done = qScopeGuard([this] { m_busy = false; });
    if (ui->BtnSeePrint->isChecked())
        printGrid();
    else
        generateList();
}

void TFrmListGenerator::printGrid()
{
    TListGrid *grid = sourceGrid();
    if (!grid)
        return;
    std::unique_ptr<QPrinter> target = printer();
    if (!target)
        return;
    bool printed = false;
    {
        WaitBoxShown wait(m_program->FormAs<TFrmPleaseWait>(QStringLiteral("FrmPleaseWait")));
        if (TFrmMain *main = m_program->FrmMain)
            main->ShowStatus(msg(MsgPrintingList));
        GridPrint.Associate = grid;
        // Rows are separated on paper when they are on screen.
        if (grid->Options().contains(goGrid))
            GridPrint.Options.include(gpoHorzGridLines);
        else
            GridPrint.Options.exclude(gpoHorzGridLines);
        GridPrint.OnProgress = [this](int row, int rowCount) { showProgress(row, rowCount); };
        TPrinterTarget printerTarget(*target);
        printed = GridPrint.Print(printerTarget);
        GridPrint.OnProgress = nullptr;
        endProgress();
    }
    if (!printed)
        tell(TPrompts::TMsgKind::Error, msg(MsgPrintNotStarted));
}

bool TFrmListGenerator::exportList(Source source, bool csv, const QString &bouquetName,
                                   const QString &fileName)
{
    const ExportColumns columns = ListColumns();
    const QColor header = pickedColor(*ui->ColorPickerHeader);
    const QColor body = pickedColor(*ui->ColorPickerBody);
    const QStringList logoLines = logoMappingLines(m_program->ProgramFolder);
    const QString &folder = m_program->ProgramFolder;
    const ExportTypes types{ui->CbxTv->isChecked(), ui->CbxRadio->isChecked(),
                            ui->CbxData->isChecked()};
    const ExportProgress progress = [this](qsizetype done, qsizetype total) {
        showProgress(done, total);
    };
    if (source == Source::ServiceList) {
        return csv ? ExportCsv(*m_program->ServiceList, fileName, columns, types, progress)
                   : ExportHtml(*m_program->ServiceList, fileName, columns, header, body, logoLines,
                                folder, types, progress);
    }
    return csv ? ExportCsv(*m_program->BouquetList, bouquetName, fileName, columns, types, progress)
               : ExportHtml(*m_program->BouquetList, bouquetName, fileName, columns, header, body,
                            logoLines, folder, types, progress);
}

void TFrmListGenerator::generateList()
{
    const Source source = chosenSource();
    const bool csv = ui->BtnCsvFile->isChecked();
    const bool htmlPrint = ui->BtnHtmlPrint->isChecked();
    const auto failed = [this] {
        tell(TPrompts::TMsgKind::Error, msg(MsgListGenerationFailed));
    };
    if (source == Source::None || !m_program->ServiceList || !m_program->BouquetList) {
        failed();
        return;
    }
    bool bouquetFound = false;
    const QString bouquetName = source == Source::CurrentBouquet ? currentBouquetName(bouquetFound)
                                                                   : QString();
    // Asked before the file name, so no one picks a file for a list that
    // cannot be made.
    if (source == Source::CurrentBouquet && !bouquetFound) {
        tell(TPrompts::TMsgKind::Information, msg(MsgNoBouquet));
        failed();
        return;
    }

    const QString fileName = ProposedFileName(csv ? QStringLiteral(".csv") : QStringLiteral(".html"));
    QString target;
    std::unique_ptr<QPrinter> printTo;
    if (htmlPrint) {
        printTo = printer();
        if (!printTo)
            return;
        target = getTempDir() + fileName;
    } else {
        if (!m_program->Prompts)
            return;
        target = m_program->Prompts->saveFileName(
            QString(), csv ? QStringLiteral("CSV (*.csv)") : QStringLiteral("HTML (*.htm*)"),
            m_program->LastImportDir, fileName);
        if (target.isEmpty())
            return;
    }

    bool written = false;
    bool printed = true;
    {
        WaitBoxShown wait(m_program->FormAs<TFrmPleaseWait>(QStringLiteral("FrmPleaseWait")));
        if (TFrmMain *main = m_program->FrmMain)
            main->ShowStatus(msg(MsgGeneratingList));
        // An error inside the export is this list's failure, not the
        // program's end.
        try {
            written = exportList(source, csv, bouquetName, target);
            if (written && htmlPrint) {
                if (TFrmMain *main = m_program->FrmMain)
                    main->ShowStatus(msg(MsgPrintingList));
                printed = printHtmlFile(target, *printTo, [this](qsizetype done, qsizetype total) {
                    showProgress(done, total);
                });
            }
        } catch (const std::exception &) {
            written = false;
        }
        endProgress();
    }

    if (!written) {
        failed();
        return;
    }
    if (!printed) {
        tell(TPrompts::TMsgKind::Error, msg(MsgPrintNotStarted));
        return;
    }
    if (htmlPrint) {
        tell(TPrompts::TMsgKind::Information, msg(MsgListGenerated));
        return;
    }
    if (!m_program->Prompts)
        return;
    const int answer = m_program->Prompts->messageBox(
        TPrompts::TMsgKind::Confirmation, msg(MsgListGenerated) + u'\n' + msg(MsgOpenListNow),
        TPrompts::mbYes | TPrompts::mbNo);
    if (answer != TPrompts::mbYes || !OpenList)
        return;
    OpenList(target, [this](const QString &errorText) {
        tell(TPrompts::TMsgKind::Error, FormatMsg1(msg(MsgListNotOpened), errorText));
    });
}
