#include "exchange/backup_manager_dialog.h"

#include "core/transfer/receiver_put.h"
#include "core/util/messages.h"
#include "core/util/prompts.h"
#include "exchange/backup_transfer.h"
#include "exchange/receiver_link.h"
#include "exchange/stamp_names.h"
#include "ui/program/main_window_link.h"
#include "ui/program/program.h"
#include "ui_backup_manager_dialog.h"

#include <QDir>
#include <QKeyEvent>
#include <QTabWidget>

namespace {

// The settings window's page with the backup folders.
constexpr int kBackupSettingsPage = 1;

} // namespace

TFrmBackupManager::TFrmBackupManager(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::FrmBackupManager>())
{
    ui->setupUi(this);
    connect(ui->BtnClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->BtnAdd, &QPushButton::clicked, this, &TFrmBackupManager::BtnAddClick);
    connect(ui->BtnRemove, &QPushButton::clicked, this, &TFrmBackupManager::BtnRemoveClick);
    connect(ui->BtnMakeBackup, &QPushButton::clicked, this, &TFrmBackupManager::BtnMakeBackupClick);
    connect(ui->BtnRestoreBackup, &QPushButton::clicked, this,
            &TFrmBackupManager::BtnRestoreBackupClick);
    connect(ui->BoxBackups, &QListWidget::itemSelectionChanged, this,
            &TFrmBackupManager::BoxBackupsClick);
    // The content list is for reading only.
    connect(ui->BoxContent, &QListWidget::itemSelectionChanged, ui->BoxContent,
            &QListWidget::clearSelection);
    connect(ui->BoxFiles, &QListWidget::itemSelectionChanged, this, [this] {
        const QList<QListWidgetItem *> selected = ui->BoxFiles->selectedItems();
        if (!selected.isEmpty())
            ui->EdtFile->setText(selected.last()->text());
    });
    connect(ui->BtnSettings, &QPushButton::clicked, this, [this] {
        if (!m_program || !m_program->MainWindow)
            return;
        if (QWidget *settings = m_program->Form(QStringLiteral("FrmSettings"))) {
            if (auto *pages = settings->findChild<QTabWidget *>(QStringLiteral("PageControl")))
                pages->setCurrentIndex(kBackupSettingsPage);
        }
        m_program->MainWindow->ToolBtnSettingsClick();
        FillBackups();
    });
    ui->EdtFile->installEventFilter(this);
}

TFrmBackupManager::~TFrmBackupManager() = default;

bool TFrmBackupManager::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->EdtFile && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            BtnAddClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFrmBackupManager::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FillBackups();
}

QString TFrmBackupManager::backupRoot() const
{
    return m_program ? m_program->SettingText("EdtBackupRootDir") : QString();
}

void TFrmBackupManager::showStatus(const QString &text) const
{
    if (m_program && m_program->MainWindow)
        m_program->MainWindow->ShowStatus(text);
}

int TFrmBackupManager::message(int kind, const QString &text) const
{
    if (!m_program || !m_program->Prompts)
        return TPrompts::mbOK;
    return m_program->Prompts->messageBox(static_cast<TPrompts::TMsgKind>(kind), text,
                                          TPrompts::mbOK);
}

void TFrmBackupManager::reportFailure(const QString &errorText) const
{
    const QString text = msg(MsgOperationFailed) + QStringLiteral("\r\n\r\n") + errorText;
    if (m_program && m_program->MainWindow)
        m_program->MainWindow->ShowError(text);
    else
        message(int(TPrompts::TMsgKind::Error), text);
}

void TFrmBackupManager::FillBackups()
{
    ui->BoxBackups->blockSignals(true);
    ui->BoxBackups->clear();
    ui->BoxBackups->blockSignals(false);
    ui->BoxContent->clear();
    ui->LblContent->clear();
    const QStringList backups = listBackups(backupRoot());
    ui->BoxBackups->addItems(backups);
    // The newest backup that is whole; an incomplete one only when no other
    // is there to offer.
    int preselected = int(backups.size()) - 1;
    for (int row = preselected; row >= 0; --row) {
        if (!isIncompleteBackup(QDir(backupRoot()).filePath(backups[row]))) {
            preselected = row;
            break;
        }
    }
    if (preselected >= 0)
        ui->BoxBackups->setCurrentRow(preselected);
}

void TFrmBackupManager::BoxBackupsClick()
{
    ui->BoxContent->clear();
    const QListWidgetItem *item = ui->BoxBackups->currentItem();
    if (!item) {
        ui->LblContent->clear();
        return;
    }
    ui->LblContent->setText(item->text() + u':');
    QStringList files;
    backupContent(QDir(backupRoot()).filePath(item->text()), files);
    ui->BoxContent->addItems(files);
}

void TFrmBackupManager::BtnAddClick()
{
    const QString file = ui->EdtFile->text().trimmed();
    ui->EdtFile->setFocus();
    if (file.isEmpty())
        return;
    if (!isSafeReceiverPath(file)) {
        message(int(TPrompts::TMsgKind::Error), FormatMsg1(msg(MsgReceiverPathRefused), file));
        return;
    }
    if (ui->BoxFiles->findItems(file, Qt::MatchExactly | Qt::MatchCaseSensitive).isEmpty())
        ui->BoxFiles->addItem(file);
}

void TFrmBackupManager::BtnRemoveClick()
{
    qDeleteAll(ui->BoxFiles->selectedItems());
}

void TFrmBackupManager::BtnMakeBackupClick()
{
    if (!m_program)
        return;
    const QString folderName =
        expandDateTime(m_program->SettingText("EdtBackupSubDir"), QDateTime::currentDateTime());
    if (ui->BoxFiles->count() == 0) {
        message(int(TPrompts::TMsgKind::Information), msg(MsgNoFilesSelected));
        return;
    }
    QStringList files;
    for (int i = 0; i < ui->BoxFiles->count(); ++i)
        files.append(ui->BoxFiles->item(i)->text());
    // The window closes once the work is done, whatever its outcome.
    setResult(QDialog::Accepted);
    setEnabled(false);
    QString error;
    const bool done = makeBackup(receiverAccessOf(*m_program), files, backupRoot(), folderName,
                                 [this](const QString &text) { showStatus(text); }, error);
    setEnabled(true);
    if (done)
        message(int(TPrompts::TMsgKind::Information), msg(MsgBackupFinished));
    else
        reportFailure(error);
    accept();
}

void TFrmBackupManager::BtnRestoreBackupClick()
{
    if (!m_program)
        return;
    const QListWidgetItem *item = ui->BoxBackups->currentItem();
    if (ui->BoxBackups->count() == 0 || !item) {
        message(int(TPrompts::TMsgKind::Information), msg(MsgNoBackupFound));
        return;
    }
    const QString folder = QDir(backupRoot()).filePath(item->text());
    QStringList content;
    if (!backupContent(folder, content)) {
        message(int(TPrompts::TMsgKind::Error), msg(MsgNoBackupFound));
        return;
    }
    // One click replaces the receiver's files: the user decides first,
    // knowing which backup and which files, and, for a partial set that can
    // leave lists that do not belong together, what is missing.
    const QString lineBreak = QStringLiteral("\r\n");
    const QString replaced = FormatMsg1(msg(MsgRestoreReplaces), item->text()) + lineBreak
        + content.join(lineBreak);
    QString question = replaced + lineBreak + lineBreak + msg(MsgRestoreNow);
    QStringList missing;
    if (isIncompleteBackup(folder, &missing)) {
        const QString lacking = missing.isEmpty()
            ? msg(MsgMissingFilesUnknown)
            : msg(MsgBackupMissingFiles) + lineBreak + missing.join(lineBreak);
        question = FormatMsg1(msg(MsgRestoreIncomplete), item->text()) + lineBreak + lineBreak
            + lacking + lineBreak + lineBreak + replaced + lineBreak + lineBreak
            + msg(MsgRestoreAnyway);
    }
    if (!m_program->Prompts
        || m_program->Prompts->messageBox(TPrompts::TMsgKind::Confirmation, question,
                                          TPrompts::mbYes | TPrompts::mbCancel
                                              | TPrompts::mbCancelDefault)
            != TPrompts::mbYes)
        return;
    setEnabled(false);
    QString error;
    const bool done = restoreBackup(
        receiverAccessOf(*m_program), folder, [this](const QString &text) { showStatus(text); },
        error, {},
        [this](const QString &remotePath, bool noRoom) {
            return askWriteInPlace(m_program->Prompts, remotePath, noRoom);
        });
    setEnabled(true);
    // The receiver runs the lists it had until it reloads them.
    QString reason;
    if (!done)
        reportFailure(error);
    else if (askReceiverToReload(*m_program, reason))
        message(int(TPrompts::TMsgKind::Information), msg(MsgRestoreFinished));
    else
        message(int(TPrompts::TMsgKind::Warning),
                reason.isEmpty() ? msg(MsgRestoreNotReloaded)
                                 : msg(MsgRestoreNotReloaded) + u' ' + reason);
    accept();
}
