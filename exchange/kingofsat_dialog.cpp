#include "exchange/kingofsat_dialog.h"

#include "core/model/satelite.h"
#include "core/model/service_list.h"
#include "core/transfer/download_progress.h"
#include "core/util/messages.h"
#include "core/util/prompts.h"
#include "core/zapit/format_names.h"
#include "exchange/kingofsat_fetch.h"
#include "exchange/kingofsat_mapping.h"
#include "exchange/kingofsat_page.h"
#include "ui/grid/column_kinds.h"
#include "ui/program/main_window_link.h"
#include "ui/program/program.h"
#include "ui_kingofsat_dialog.h"

#include <QFile>

namespace {

constexpr int kCheckColumnWidth = 20;
constexpr int kPositionColumnWidth = 60;
constexpr int kColCheck = 0;
constexpr int kColSat = 1;
constexpr int kColPos = 2;
constexpr int kColLink = 3;
const QColor kEvenRowColor(0xFE, 0xFC, 0xF5);

// The KingOfSat list's dialect: services with country, category,
// encryption and provider.
constexpr quint16 kKingOfSatFormat = 3;

// The page as text; empty when the file cannot be read.
QString readPage(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

} // namespace

TFrmKingOfSat::TFrmKingOfSat(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::FrmKingOfSat>())
{
    ui->setupUi(this);

    TListGrid *grid = ui->SatGrid;
    grid->SetOptions({goSelectFullRow, goHeader, goDisableColumnMoving});
    auto *check = grid->Columns()->Add<TLgCheckBoxColumn>(QStringLiteral("ColCheck"));
    check->SetWidth(kCheckColumnWidth);
    check->SetOptions(check->Options() + coEditing + coFixedSize);
    // Names come from a web page: shown as the text they are, never as markup.
    auto *satellite = grid->Columns()->Add<TLgTextColumn>(QStringLiteral("ColSat"));
    satellite->Header().SetCaption(QStringLiteral("Satellite"));
    satellite->SetSortType(stAlphabetic);
    satellite->SetSorted(true);
    auto *position = grid->Columns()->Add<TLgTextColumn>(QStringLiteral("ColPos"));
    position->Header().SetCaption(QStringLiteral("Position"));
    position->SetWidth(kPositionColumnWidth);
    position->SetOptions(position->Options() + coFixedSize);
    // The page address is needed for the download, not by the reader.
    auto *link = grid->Columns()->Add<TLgTextColumn>(QStringLiteral("ColLink"));
    link->Header().SetCaption(QStringLiteral("Link"));
    link->SetVisible(false);
    satellite->SetOptions(satellite->Options() + coAutoSize);
    grid->OnCellColoring = [grid](QObject *, int, int row, QColor &cellColor, QColor &, TCellState) {
        if (row % 2 == 0 && !grid->Selected(row))
            cellColor = kEvenRowColor;
    };

    connect(ui->BtnRefreshList, &QPushButton::clicked, this, &TFrmKingOfSat::BtnRefreshListClick);
    connect(ui->BtnSelectAll, &QPushButton::clicked, this, &TFrmKingOfSat::BtnSelectAllClick);
    connect(ui->BtnSelectNone, &QPushButton::clicked, this, &TFrmKingOfSat::BtnSelectNoneClick);
    connect(ui->BtnDownload, &QPushButton::clicked, this, &TFrmKingOfSat::BtnDownloadClick);
    connect(ui->BtnClose, &QPushButton::clicked, this, &TFrmKingOfSat::reject);
}

TFrmKingOfSat::~TFrmKingOfSat() = default;

void TFrmKingOfSat::reject()
{
    // Escape or the window's close box while a page is on its way would
    // leave the download loop without its window.
    if (!m_busy)
        QDialog::reject();
}

void TFrmKingOfSat::status(const QString &text) const
{
    if (m_program && m_program->MainWindow)
        m_program->MainWindow->ShowStatus(text);
}

void TFrmKingOfSat::showWait(bool up) const
{
    if (!m_program || !m_program->MainWindow)
        return;
    if (up)
        m_program->MainWindow->ShowWait(msg(MsgPleaseWait));
    else
        m_program->MainWindow->HideWait();
}

int TFrmKingOfSat::message(int kind, const QString &text) const
{
    if (!m_program || !m_program->Prompts)
        return TPrompts::mbOK;
    return m_program->Prompts->messageBox(TPrompts::TMsgKind(kind), text, TPrompts::mbOK);
}

void TFrmKingOfSat::SetControlsEnabled(bool enabled)
{
    for (QWidget *control : {static_cast<QWidget *>(ui->SatGrid),
                             static_cast<QWidget *>(ui->BtnRefreshList),
                             static_cast<QWidget *>(ui->BtnSelectAll),
                             static_cast<QWidget *>(ui->BtnSelectNone),
                             static_cast<QWidget *>(ui->BtnDownload),
                             static_cast<QWidget *>(ui->CbxDeltaUpdate),
                             static_cast<QWidget *>(ui->BtnClose)})
        control->setEnabled(enabled);
}

bool TFrmKingOfSat::AnySatelliteChecked() const
{
    const TListGrid *grid = ui->SatGrid;
    for (int row = 0; row < grid->RowCount(); ++row) {
        if (grid->Cell(kColCheck, row)->AsBoolean())
            return true;
    }
    return false;
}

void TFrmKingOfSat::BtnSelectAllClick()
{
    TListGrid *grid = ui->SatGrid;
    grid->BeginUpdate();
    for (int row = 0; row < grid->RowCount(); ++row)
        grid->Cell(kColCheck, row)->SetAsBoolean(true);
    grid->EndUpdate();
}

void TFrmKingOfSat::BtnSelectNoneClick()
{
    TListGrid *grid = ui->SatGrid;
    grid->BeginUpdate();
    for (int row = 0; row < grid->RowCount(); ++row)
        grid->Cell(kColCheck, row)->SetAsBoolean(false);
    grid->EndUpdate();
}

void TFrmKingOfSat::fillSatelliteGrid(const QString &page, const QString &pageUrl,
                                      QString &errorText)
{
    QList<TKofIndexEntry> entries;
    if (!parseSatelliteIndex(page, pageUrl, entries)) {
        errorText = msg(MsgKofDecodingFailed);
        return;
    }
    TListGrid *grid = ui->SatGrid;
    grid->BeginUpdate();
    for (const TKofIndexEntry &entry : entries) {
        grid->AddRow();
        const int row = grid->RowCount() - 1;
        grid->Cell(kColCheck, row)->SetAsBoolean(false);
        grid->SetCells(kColSat, row, entry.satellite);
        grid->SetCells(kColPos, row, entry.position);
        grid->SetCells(kColLink, row, entry.link);
    }
    grid->EndUpdate();
}

void TFrmKingOfSat::BtnRefreshListClick()
{
    if (m_busy || !m_program)
        return;
    m_busy = true;
    SetControlsEnabled(false);
    ui->SatGrid->ClearRows();
    showWait(true);
    status(msg(MsgKofDownloadingSatellites));
    QString errorText;
    {
        const TKofTempFile temp;
        const QString indexUrl = kingOfSatIndexUrl(m_program->KingOfSatUrl);
        if (temp.fileName().isEmpty())
            errorText = msg(MsgKofNoTempFile);
        else if (fetchKingOfSatPage(indexUrl, temp.fileName(), errorText))
            fillSatelliteGrid(readPage(temp.fileName()), indexUrl, errorText);
    }
    progressReset();
    showWait(false);
    if (!errorText.isEmpty()) {
        status(msg(MsgErrorStatus));
        message(int(TPrompts::TMsgKind::Error), errorText);
    } else {
        auto *satellite = ui->SatGrid->Columns()->ColumnByName(QStringLiteral("ColSat"));
        satellite->SetSorted(false);
        satellite->SetSorted(true);
        status(msg(MsgStatusDone));
    }
    SetControlsEnabled(true);
    m_busy = false;
}

bool TFrmKingOfSat::SplitCells(const QString &fileName, TKofCells &cells)
{
    cells = TKofCells();
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    cells = splitPageCells(QString::fromUtf8(file.readAll()));
    return true;
}

void TFrmKingOfSat::BtnDownloadClick()
{
    if (m_busy || !m_program || !m_program->KingOfSatList)
        return;
    if (!AnySatelliteChecked()) {
        message(int(TPrompts::TMsgKind::Information), msg(MsgKofNoSatellitesSelected));
        return;
    }
    m_busy = true;
    SetControlsEnabled(false);
    showWait(true);
    TServiceList &kingOfSat = *m_program->KingOfSatList;
    const bool delta = ui->CbxDeltaUpdate->isChecked();
    // Without delta update the new list grows aside and replaces the old one
    // only when something arrived: a site that is down costs nothing.
    TServiceList fresh;
    TServiceList &target = delta ? kingOfSat : fresh;
    TMappingFile mapping(kSatelliteMappingFields);
    if (delta)
        mapping.Load(satelliteMappingFileName(m_program->ProgramFolder));
    int arrived = 0;
    {
        const TKofTempFile temp;
        TListGrid *grid = ui->SatGrid;
        for (int row = 0; row < grid->RowCount() && !temp.fileName().isEmpty(); ++row) {
            progressReset(); // lets pending events run
            if (!grid->Cell(kColCheck, row)->AsBoolean())
                continue;
            const QString name = grid->Cells(kColSat, row);
            status(FormatMsg1(msg(MsgKofDownloadingServices), name));
            QString errorText;
            if (!fetchKingOfSatPage(grid->Cells(kColLink, row), temp.fileName(), errorText)) {
                message(int(TPrompts::TMsgKind::Warning),
                        FormatMsg1(msg(MsgKofSatelliteSkipped), name));
                continue;
            }
            status(FormatMsg1(msg(MsgKofDecodingServices), name));
            TKofCells cells;
            SplitCells(temp.fileName(), cells);
            QFile::remove(temp.fileName());
            auto satelite = std::make_unique<TSatelite>();
            satelite->Name = name + QStringLiteral(" (") + grid->Cells(kColPos, row)
                + QStringLiteral(")");
            satelite->Diseqc = QStringLiteral("0");
            // Services moved from here into a list, and the bouquet entries
            // made of them, name the satellite by the page's position.
            satelite->Position = kofReceiverPosition(satelite->Name);
            status(FormatMsg1(msg(MsgKofCollectingServices), name));
            progressInit(100);
            const int services = collectSatelitePage(cells, *satelite, [](int done, int total) {
                progressSetStep(total > 0 ? int(qint64(done) * 100 / total) : 100);
            });
            // The site answers a busy spell or a browser check with a page of
            // its own, as a success. A satellite without services is no list
            // at all: taken, it would replace the old one with nothing, so it
            // counts as a download that failed.
            if (services == 0) {
                message(int(TPrompts::TMsgKind::Warning),
                        FormatMsg1(msg(MsgKofSatelliteSkipped), name));
                continue;
            }
            // A page downloaded before and mapped since joins what it became,
            // which keeps its name and DiSEqC value.
            if (delta)
                satelite->Name = kingOfSatDeltaName(mapping, target, satelite->Name);
            target.AddSatelite(std::move(satelite));
            ++arrived;
        }
        if (temp.fileName().isEmpty())
            message(int(TPrompts::TMsgKind::Error), msg(MsgKofNoTempFile));
    }
    progressReset();
    if (arrived > 0) {
        if (!delta)
            kingOfSat.Swap(fresh);
        kingOfSat.Format = kKingOfSatFormat;
        kingOfSat.FormatName = ServicesXMLFormatNames[kKingOfSatFormat];
        kingOfSat.Encoding = QStringLiteral("UTF-8");
        // The main window's rows point at the services just replaced.
        if (m_program->MainWindow)
            m_program->MainWindow->FillKingOfSatGrid(0);
    }
    showWait(false);
    SetControlsEnabled(true);
    m_busy = false;
    if (arrived == 0) {
        status(msg(MsgErrorStatus));
        message(int(TPrompts::TMsgKind::Error), msg(MsgKofNothingDownloaded));
        return;
    }
    status(msg(MsgStatusDone));
    accept();
}
