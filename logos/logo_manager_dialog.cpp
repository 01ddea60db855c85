#include "logos/logo_manager_dialog.h"

#include "core/transfer/download_progress.h"
#include "core/transfer/transfer_reason.h"
#include "core/util/messages.h"
#include "core/util/prompts.h"
#include "core/util/str_utils.h"
#include "core/util/sys_utils.h"
#include "gif/gif_picture.h"
#include "logos/logo_image.h"
#include "logos/logo_mapper.h"
#include "logos/logo_size.h"
#include "platform/atomic_file.h"
#include "platform/text_codec.h"
#include "platform/url_download.h"
#include "ui/grid/column_kinds.h"
#include "ui/program/main_window_link.h"
#include "ui/program/program.h"
#include "ui_logo_manager_dialog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QShowEvent>
#include <QSignalBlocker>

#include <algorithm>

namespace {

constexpr int kCheckColumnWidth = 20;
constexpr int kCheckColumn = 0;
constexpr int kPackageColumn = 1;
const QColor kEvenRowColor(0xFE, 0xFC, 0xF5);

void letEventsRun()
{
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

// Fetches a page into a temporary file and returns its lines; false when
// nothing arrived, with why in `reason` where the transfer says. The pages
// are UTF-8, older ones Windows-1252.
bool fetchLines(const QString &url, const DownloadOptions &options, QStringList &lines,
                QString &reason)
{
    const QString temp = getTempFile();
    QFile::remove(temp);
    TransferError error;
    if (!downloadToFile(url, temp, nullptr, &error, options)) {
        QFile::remove(temp);
        reason = transferFailureText(error);
        return false;
    }
    QFile file(temp);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    file.close();
    QFile::remove(temp);
    QString text = decodeUtf8OrWindows1252(bytes);
    text.remove(u'\r');
    lines = text.split(u'\n');
    return true;
}

// Fetches one logo picture and puts it in place of `target` only when it
// is a GIF the program can read as a logo; anything else leaves the old logo
// and is false.
bool fetchLogo(const QString &url, const DownloadOptions &pageOptions, const QString &target)
{
    // A picture is held to the logo limit, far below what a page may weigh.
    DownloadOptions options = pageOptions;
    options.sizeLimit = std::min(options.sizeLimit, kLogoSizeLimit);
    const QString temp = getTempFile();
    QFile::remove(temp);
    TransferError error;
    bool saved = false;
    if (downloadToFile(url, temp, nullptr, &error, options)) {
        QFile file(temp);
        QByteArray data;
        if (file.open(QIODevice::ReadOnly))
            data = file.readAll();
        TGifPicture picture;
        if (loadLogoPicture(picture, data)) {
            AtomicFile out(target);
            saved = out.open(QIODevice::WriteOnly) && out.write(data) == data.size() && out.commit();
        }
    }
    QFile::remove(temp);
    return saved;
}

// The logos named in a report before the rest are only counted: a box
// naming hundreds would not fit the screen.
constexpr qsizetype kNamedFailedLogos = 10;

} // namespace

TFrmLogoManager::TFrmLogoManager(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::FrmLogoManager>())
{
    ui->setupUi(this);

    TListGrid *grid = ui->GridPackages;
    grid->SetOptions({goSelectFullRow, goHeader, goMultiSelect});
    auto *check = grid->Columns()->Add<TLgCheckBoxColumn>(QStringLiteral("ColCheck"));
    check->SetWidth(kCheckColumnWidth);
    check->SetOptions(check->Options() + coEditing + coFixedSize);
    // The page name takes whatever width the check box leaves.
    auto *package = grid->Columns()->Add<TLgTextColumn>(QStringLiteral("ColPackage"));
    package->Header().SetCaption(QStringLiteral("Satellite"));
    package->SetOptions(package->Options() + coAutoSize);
    grid->OnChange = [this](QObject *, int, int) { updateDownloadButton(); };
    grid->OnAfterEdit = [this](QObject *, int, int, const QString &) { updateDownloadButton(); };
    grid->OnCellClick = [this](QObject *, int, int) { updateDownloadButton(); };
    grid->OnCellColoring = [](QObject *, int, int row, QColor &cellColor, QColor &,
                              TCellState state) {
        if (row % 2 == 0 && !state.contains(csSelected))
            cellColor = kEvenRowColor;
    };
    grid->installEventFilter(this);

    m_families = {ui->CbxAstra192, ui->CbxAstra282, ui->CbxHotbird130, ui->CbxSirius,
                  ui->CbxHispasat, ui->CbxEutelsat, ui->CbxOthers};
    for (QCheckBox *box : m_families)
        connect(box, &QCheckBox::clicked, this, [this] { updateRefreshButton(); });

    connect(ui->BtnTv, &QRadioButton::clicked, this, &TFrmLogoManager::BtnTvClick);
    connect(ui->BtnRadio, &QRadioButton::clicked, this, &TFrmLogoManager::BtnRadioClick);
    connect(ui->BtnGo, &QPushButton::clicked, this, &TFrmLogoManager::BtnGoClick);
    connect(ui->BtnDlPackageInfo, &QPushButton::clicked, this,
            &TFrmLogoManager::BtnDlPackageInfoClick);
    connect(ui->BtnDlPackages, &QPushButton::clicked, this, &TFrmLogoManager::BtnDlPackagesClick);
    connect(ui->BtnSelectAll, &QPushButton::clicked, this, &TFrmLogoManager::BtnSelectAllClick);
    connect(ui->BtnSelectNone, &QPushButton::clicked, this, &TFrmLogoManager::BtnSelectNoneClick);
    // Mapping switched on is refreshed; refreshing switches mapping on;
    // switching it off leaves nothing to refresh.
    connect(ui->BtnEnabled, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            ui->CbxRefreshMapping->setChecked(true);
    });
    connect(ui->CbxRefreshMapping, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            ui->BtnEnabled->setChecked(true);
    });
    connect(ui->BtnDisabled, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            ui->CbxRefreshMapping->setChecked(false);
    });
    connect(ui->BtnOk, &QPushButton::clicked, this, &TFrmLogoManager::BtnOkClick);
    connect(ui->BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
    setIndexUrl(true);
}

TFrmLogoManager::~TFrmLogoManager() = default;

void TFrmLogoManager::setIndexUrl(bool tv)
{
    m_shownIndexUrl = indexUrl(tv);
    ui->EdtLogoInfo->setText(m_shownIndexUrl);
}

void TFrmLogoManager::SetProgram(TProgram *program)
{
    m_program = program;
    // The index address follows the site's address until the user edits it.
    if (ui->EdtLogoInfo->text() == m_shownIndexUrl)
        setIndexUrl(ui->BtnTv->isChecked());
}

QString TFrmLogoManager::indexUrl(bool tv) const
{
    QString base = m_program ? m_program->LogoSiteUrl : QStringLiteral("https://www.lyngsat-logo.com");
    while (base.endsWith(u'/'))
        base.chop(1);
    return base + QLatin1String(tv ? kTvIndexPath : kRadioIndexPath);
}

QString TFrmLogoManager::logoFolder() const
{
    return QDir(m_program ? m_program->ProgramFolder : getApplicationDir())
        .filePath(QLatin1String(kLogoFolderName));
}

void TFrmLogoManager::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // A window brought back from the task bar is the same session.
    if (event->spontaneous())
        return;
    updateRefreshButton();
    ui->CbxRefreshMapping->setChecked(false);
    keepOpenedState();
}

void TFrmLogoManager::keepOpenedState()
{
    m_opened = {};
    for (QAbstractButton *button : findChildren<QAbstractButton *>()) {
        if (button->isCheckable())
            m_opened.checks.emplace_back(button, button->isChecked());
    }
    m_opened.logoSize = ui->TrackBarSize->value();
    m_opened.kept = true;
}

void TFrmLogoManager::reject()
{
    if (!m_opened.kept) {
        QDialog::reject();
        return;
    }
    // The buttons' own reactions (mapping on ticks refresh, and so on) made
    // the opened state consistent already; replaying them on the way back
    // would change it again. Unticking first lets a radio button's
    // partner take the tick.
    const bool tv = ui->BtnTv->isChecked();
    for (const bool checked : {false, true}) {
        for (const auto &[button, wasChecked] : m_opened.checks) {
            if (wasChecked != checked)
                continue;
            const QSignalBlocker blocker(button);
            button->setChecked(checked);
        }
    }
    ui->TrackBarSize->setValue(m_opened.logoSize);
    // The index address and the satellites listed follow TV or radio.
    if (ui->BtnTv->isChecked() != tv)
        ui->BtnTv->isChecked() ? BtnTvClick() : BtnRadioClick();
    updateRefreshButton();
    QDialog::reject();
}

void TFrmLogoManager::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    TListGrid *grid = ui->GridPackages;
    if (grid->Columns()->Count() < 2)
        return;
    grid->Columns()->Items(kCheckColumn)->SetWidth(kCheckColumnWidth);
    grid->Columns()->Items(kPackageColumn)
        ->SetWidth(qMax(0, grid->viewport()->width() - kCheckColumnWidth - 20));
}

bool TFrmLogoManager::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->GridPackages && event->type() == QEvent::MouseButtonDblClick) {
        TListGrid *grid = ui->GridPackages;
        for (int row = 0; row < grid->RowCount(); ++row) {
            if (grid->Selected(row)) {
                TCell *cell = grid->Cell(kCheckColumn, row);
                cell->SetAsBoolean(!cell->AsBoolean());
            }
        }
        grid->update();
        updateDownloadButton();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TFrmLogoManager::BtnTvClick()
{
    setIndexUrl(true);
    ui->GridPackages->ClearRows();
    updateDownloadButton();
}

void TFrmLogoManager::BtnRadioClick()
{
    setIndexUrl(false);
    ui->GridPackages->ClearRows();
    updateDownloadButton();
}

void TFrmLogoManager::BtnGoClick()
{
    // Without a browser nothing would happen at all: the user is told where
    // to go by hand.
    const QString url = ui->EdtLogoInfo->text();
    shellOpenDocument(url, this, [this, url](const QString &) {
        if (m_program && m_program->Prompts)
            m_program->Prompts->messageBox(TPrompts::TMsgKind::Error,
                                           FormatMsg1(msg(MsgWebInterfaceNotOpened), url),
                                           TPrompts::mbOK);
    });
}

bool TFrmLogoManager::ParsePackageList(const QString &indexUrl)
{
    QStringList lines;
    m_failureReason.clear();
    if (!fetchLines(indexUrl, m_downloads, lines, m_failureReason))
        return false;
    // The rows point at the packages: they go first.
    ui->GridPackages->ClearRows();
    m_packages = parsePackageList(indexUrl, lines);
    letEventsRun();
    return true;
}

void TFrmLogoManager::fillGrid()
{
    TListGrid *grid = ui->GridPackages;
    grid->BeginUpdate();
    grid->ClearRows();
    for (TLogoPackage &package : m_packages) {
        if (!m_families[logoFamilyOf(package.name)]->isChecked())
            continue;
        grid->AddRow();
        const int row = grid->RowCount() - 1;
        grid->Cell(kCheckColumn, row)->SetAsBoolean(false);
        grid->Cell(kPackageColumn, row)->SetAsString(package.name);
        grid->Cell(kPackageColumn, row)->SetObjectReference(&package);
    }
    grid->EndUpdate();
}

void TFrmLogoManager::BtnDlPackageInfoClick()
{
    setBusy(true);
    if (ParsePackageList(ui->EdtLogoInfo->text())) {
        fillGrid();
        const bool any = !m_packages.empty();
        ui->BtnDlPackages->setEnabled(any);
        ui->BtnSelectAll->setEnabled(any);
        ui->BtnSelectNone->setEnabled(any);
    } else {
        setBusy(false);
        if (m_program && m_program->Prompts)
            m_program->Prompts->messageBox(TPrompts::TMsgKind::Error,
                                           withReason(msg(MsgDownloadFailed), m_failureReason),
                                           TPrompts::mbOK);
    }
    updateDownloadButton();
    setBusy(false);
}

void TFrmLogoManager::BtnDlPackagesClick()
{
    setBusy(true);
    // New logos are only seen by a mapping that is on and starts afresh.
    ui->BtnEnabled->setChecked(true);
    ui->CbxRefreshMapping->setChecked(true);
    TListGrid *grid = ui->GridPackages;
    const QString folder = logoFolder();
    m_failedLogos.clear();
    progressInit(grid->RowCount());
    showStatus(msg(MsgStatusDownloading));
    for (int row = 0; row < grid->RowCount(); ++row) {
        letEventsRun();
        if (grid->Cell(kCheckColumn, row)->AsBoolean()) {
            const auto *package =
                static_cast<const TLogoPackage *>(grid->Cell(kPackageColumn, row)->ObjectReference());
            if (package) {
                showStatus(msg(MsgStatusDownloading) + package->name);
                if (!DownloadPackage(package->url, package->name, ui->BtnTv->isChecked(), folder))
                    break;
            }
        }
        progressStep();
    }
    progressReset();
    setBusy(false);
    if (m_program && m_program->MainWindow)
        m_program->MainWindow->ApplyColumnVisibility();
    showStatus(msg(MsgStatusDone));
    if (m_failedLogos.isEmpty())
        return;
    QString text = FormatMsg1(msg(MsgLogosNotDownloaded), QString::number(m_failedLogos.size()));
    for (const QString &name : m_failedLogos.first(std::min(m_failedLogos.size(), kNamedFailedLogos)))
        text += QStringLiteral("\r\n") + name;
    if (m_failedLogos.size() > kNamedFailedLogos)
        text += QStringLiteral("\r\n")
            + FormatMsg1(msg(MsgLogosNotDownloadedMore),
                         QString::number(m_failedLogos.size() - kNamedFailedLogos));
    warn(text);
}

bool TFrmLogoManager::DownloadPackage(const QString &pageUrl, const QString &pageName, bool tv,
                                      const QString &logoFolder)
{
    QDir().mkpath(logoFolder);
    if (!QFileInfo(logoFolder).isDir()) {
        warn(FormatMsg1(msg(MsgLogoFolderFailed), QDir::toNativeSeparators(logoFolder)));
        return false;
    }
    QStringList lines;
    QString reason;
    if (!fetchLines(pageUrl, m_downloads, lines, reason)) {
        warn(withReason(FormatMsg1(msg(MsgLogoInfoDownloadFailed), pageName), reason));
        return true;
    }
    const QDir folder(logoFolder);
    for (const TLogoDownload &download : parseLogoPage(pageUrl, lines, tv)) {
        // The name has no separators left, so the file stays in the folder.
        const QString target = folder.filePath(download.fileName);
        if (QFileInfo(target).absoluteDir() != QDir(folder.absolutePath()))
            continue;
        const QString logoName = pageName + QStringLiteral(" - ") + download.channel;
        showStatus(msg(MsgStatusDownloading) + logoName);
        if (!fetchLogo(download.imageUrl, m_downloads, target))
            m_failedLogos.append(logoName);
        letEventsRun();
    }
    return true;
}

void TFrmLogoManager::BtnSelectAllClick()
{
    setAllChecked(true);
}

void TFrmLogoManager::BtnSelectNoneClick()
{
    setAllChecked(false);
}

void TFrmLogoManager::setAllChecked(bool checked)
{
    TListGrid *grid = ui->GridPackages;
    for (int row = 0; row < grid->RowCount(); ++row)
        grid->Cell(kCheckColumn, row)->SetAsBoolean(checked);
    grid->update();
    updateDownloadButton();
}

void TFrmLogoManager::BtnOkClick()
{
    if (m_program) {
        applyLogoHeight(*m_program, ui->TrackBarSize->value());
        if (m_program->MainWindow)
            m_program->MainWindow->ApplyColumnVisibility();
    }
    accept();
}

void TFrmLogoManager::updateDownloadButton()
{
    const TListGrid *grid = ui->GridPackages;
    bool any = false;
    for (int row = 0; row < grid->RowCount() && !any; ++row)
        any = grid->Cell(kCheckColumn, row)->AsBoolean();
    ui->BtnDlPackages->setEnabled(any);
}

void TFrmLogoManager::updateRefreshButton()
{
    bool any = false;
    for (const QCheckBox *box : m_families)
        any = any || box->isChecked();
    ui->BtnDlPackageInfo->setEnabled(any);
}

void TFrmLogoManager::showStatus(const QString &text)
{
    if (m_program && m_program->MainWindow)
        m_program->MainWindow->ShowStatus(text);
}

void TFrmLogoManager::warn(const QString &text)
{
    if (m_program && m_program->Prompts)
        m_program->Prompts->messageBox(TPrompts::TMsgKind::Warning, text, TPrompts::mbOK);
}

void TFrmLogoManager::setBusy(bool busy)
{
    // Controls disabled by their own rules stay disabled afterwards.
    setEnabled(!busy);
    setCursor(busy ? Qt::WaitCursor : Qt::ArrowCursor);
}
