#include "exchange/import_export_dialog.h"

#include "core/model/bouquet_list.h"
#include "core/model/save_handler.h"
#include "core/model/service_list.h"
#include "core/transfer/download_progress.h"
#include "core/transfer/transfer_reason.h"
#include "core/util/messages.h"
#include "core/util/prompts.h"
#include "core/util/sys_utils.h"
#include "core/zapit/dialects.h"
#include "core/zapit/format_names.h"
#include "core/zapit/import_news.h"
#include "core/zapit/xml_file_handler.h"
#include "exchange/diseqc_mapping_dialog.h"
#include "exchange/import_news_dialog.h"
#include "exchange/receiver_link.h"
#include "exchange/stamp_names.h"
#include "exchange/update_check.h"
#include "platform/small_file.h"
#include "ui/grid/list_grid.h"
#include "ui/program/main_window_link.h"
#include "ui/program/program.h"
#include "ui_import_export_dialog.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <vector>

namespace {

// Where the ready-made list keeps its two files below its base address.
constexpr const char *kReadyMadeServicesPath = "/db/pelloran/services.xml";
constexpr const char *kReadyMadeBouquetsPath = "/db/pelloran/bouquets.xml";
const QColor kNewVersionColor(255, 0, 0);

enum class TFileKind { Services, MyServices, Bouquets };

// The DiSEqC values of the satellites of some lists, and whether the lists
// were saved, to be put back as they were.
class TDiseqcValues
{
public:
    static TDiseqcValues of(std::initializer_list<TServiceList *> lists)
    {
        TDiseqcValues values;
        values.m_saved = SaveHandler().Saved();
        for (TServiceList *list : lists) {
            for (int i = 0; i < list->Count(); ++i)
                values.m_values.emplace_back(list->GetItem(i), list->GetItem(i)->Diseqc);
        }
        return values;
    }

    void restore() const
    {
        for (const auto &[satelite, diseqc] : m_values)
            satelite->Diseqc = diseqc;
        if (m_saved)
            SaveHandler().SetSaved();
    }

private:
    std::vector<std::pair<TSatelite *, QString>> m_values;
    bool m_saved = true;
};

struct TFileStep {
    TFileKind kind;
    QString source;
    QString caption;
};

// The lists an import reads aside. They take the program's lists' places
// only once every file has been read, and then hold the old content until
// the grids show the new one. Files fetched into the temp folder go when
// the import is over, however it ended.
struct TImportStage {
    TServiceList services;
    TServiceList myServices;
    TBouquetList bouquets;
    bool hasServices = false;
    bool hasMyServices = false;
    bool hasBouquets = false;
    QStringList temporaries;

    TImportStage() = default;
    TImportStage(const TImportStage &) = delete;
    TImportStage &operator=(const TImportStage &) = delete;
    ~TImportStage()
    {
        for (const QString &file : temporaries)
            QFile::remove(file);
    }
};

// The progress bar over the files of a receiver transfer: one step per
// file, reset when the transfer is over however it ended. Downloads from
// the web move the bar by themselves.
class TFileProgress
{
public:
    explicit TFileProgress(int files) : m_active(files > 0)
    {
        if (m_active)
            progressInit(files);
    }
    ~TFileProgress() { finish(); }
    TFileProgress(const TFileProgress &) = delete;
    TFileProgress &operator=(const TFileProgress &) = delete;

    void fileDone()
    {
        if (m_active)
            progressStep();
    }
    // The work is over: what the user is shown next (a message, the news)
    // must not sit under a full bar.
    void finish()
    {
        if (m_active)
            progressReset();
        m_active = false;
    }

private:
    bool m_active;
};

// The main window's wait box while a step of the import runs.
class TWaitShown
{
public:
    explicit TWaitShown(TMainWindowLink *main) : m_main(main)
    {
        if (m_main)
            m_main->ShowWait(msg(MsgPleaseWait));
    }
    ~TWaitShown()
    {
        if (m_main)
            m_main->HideWait();
    }
    TWaitShown(const TWaitShown &) = delete;
    TWaitShown &operator=(const TWaitShown &) = delete;

private:
    TMainWindowLink *m_main;
};

// The news of an import are written aside, in a folder of their own in the
// program folder, and take the last import's place only once the import has
// gone through: a failed import, or news that could not all be written,
// leave the last import's news as they were.
class TNewsStage
{
public:
    explicit TNewsStage(const QString &programFolder)
        : m_programFolder(programFolder),
          m_folder(QDir(programFolder).filePath(QStringLiteral(".pelloran-news-XXXXXX")))
    {
    }

    bool write(const TServiceList &previous, TServiceList &next, QString &errorText)
    {
        if (!m_folder.isValid()) {
            errorText = FormatMsg1(msg(MsgImportNewsNotWritten),
                                   QDir::toNativeSeparators(QDir(m_programFolder).filePath(kNewServicesFile)));
            return false;
        }
        m_written = WriteServiceDiff(previous, next, errorText, m_folder.path());
        return m_written;
    }

    // Moves the written news into the program folder. Every place is looked
    // at first, so that a file that must not be replaced (a FIFO, a link to a
    // device) stops the import before any news file changes.
    bool publish(QString &errorText) const
    {
        if (!m_written)
            return true;
        const QString names[] = {kNewServicesFile, kDeletedServicesFile, kChangedServicesFile};
        for (const QString &name : names) {
            const QString target = QDir(m_programFolder).filePath(name);
            if (!mayReplaceFile(target)) {
                errorText = FormatMsg1(msg(MsgImportNewsNotWritten), QDir::toNativeSeparators(target));
                return false;
            }
        }
        for (const QString &name : names) {
            const QString target = QDir(m_programFolder).filePath(name);
            // rename() replaces the earlier file in one step; QFile::rename
            // would not replace it.
            if (std::rename(QFile::encodeName(QDir(m_folder.path()).filePath(name)).constData(),
                            QFile::encodeName(target).constData())
                != 0) {
                errorText = FormatMsg1(msg(MsgImportNewsNotWritten), QDir::toNativeSeparators(target));
                return false;
            }
        }
        return true;
    }

private:
    QString m_programFolder;
    QTemporaryDir m_folder;
    bool m_written = false;
};

bool isFetchedToTemp(const QString &source, const QString &local)
{
    const bool remote = source.left(4).compare(QLatin1String("ftp:"), Qt::CaseInsensitive) == 0
        || isWebAddress(source);
    return remote && local != source && local.startsWith(getTempDir());
}

// The dialect number an output format combo chooses: "Auto" keeps the list's own.
int chosenDialect(const QComboBox *combo, int own)
{
    return combo->currentIndex() > 0 ? combo->currentIndex() : own;
}

// Written in a dialect of the other kind, cable or satellite, a list loses
// the values its own dialect has attributes for and the chosen one has not:
// the question names them, and is empty when the kinds are the same or
// nothing is lost.
QString leftOutQuestion(ZapitKind kind, int own, const QComboBox *combo, const char *file)
{
    const DialectSpec *from = findZapitDialect(kind, own);
    const DialectSpec *to = findZapitDialect(kind, chosenDialect(combo, own));
    if (!from || !to || zapitDialectIsSatellite(*from) == zapitDialectIsSatellite(*to))
        return {};
    const QStringList lost = zapitAttributesLeftOut(*from, *to);
    if (lost.isEmpty())
        return {};
    const QString lineBreak = QStringLiteral("\r\n");
    return FormatMsg2(msg(MsgExportLeavesOut), QLatin1String(file),
                      combo->currentText().simplified())
        + lineBreak + lost.join(QStringLiteral(", ")) + lineBreak + lineBreak
        + msg(MsgExportAllTheSame);
}

void fillCombo(QComboBox *combo, const QString *names, int count)
{
    combo->clear();
    combo->addItem(msg(MsgAutoFormat));
    for (int n = 1; n <= count; ++n)
        combo->addItem(FormatMsg2(msg(MsgFormatType), QString::number(n), names[n]));
    combo->setCurrentIndex(0);
}

} // namespace

TFrmImportExport::TFrmImportExport(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::FrmImportExport>())
{
    ui->setupUi(this);
    connect(ui->BtnImport, &QPushButton::clicked, this, [this] { done(kResultImport); });
    connect(ui->BtnExport, &QPushButton::clicked, this, [this] { done(kResultExport); });
    connect(ui->BtnClose, &QPushButton::clicked, this, &QDialog::reject);
    for (QAbstractButton *button :
         {static_cast<QAbstractButton *>(ui->BtnBox), static_cast<QAbstractButton *>(ui->BtnLocal),
          static_cast<QAbstractButton *>(ui->BtnOrvik), static_cast<QAbstractButton *>(ui->CbxServices),
          static_cast<QAbstractButton *>(ui->CbxMyServices),
          static_cast<QAbstractButton *>(ui->CbxBouquets)})
        connect(button, &QAbstractButton::clicked, this, &TFrmImportExport::UpdateControls);
    connect(ui->BtnImportNews, &QPushButton::clicked, this, [this] {
        // As the last import left it: the news files are not read again.
        if (TFrmImportNews *news = importNews())
            news->exec();
    });
}

TFrmImportExport::~TFrmImportExport() = default;

TFrmImportNews *TFrmImportExport::importNews() const
{
    if (!m_program)
        return nullptr;
    TFrmImportNews *news = m_program->FormAs<TFrmImportNews>(QStringLiteral("FrmImportNews"));
    if (news)
        news->SetNewsFolder(m_program->ProgramFolder);
    return news;
}

TFrmDiSEqCMapping *TFrmImportExport::diseqcMapping() const
{
    if (!m_program)
        return nullptr;
    TFrmDiSEqCMapping *mapping =
        m_program->FormAs<TFrmDiSEqCMapping>(QStringLiteral("FrmDiSEqCMapping"));
    if (mapping)
        mapping->SetProgram(m_program);
    return mapping;
}

void TFrmImportExport::refillServiceGrids() const
{
    if (m_program && m_program->MainWindow) {
        m_program->MainWindow->FillServicesGrid(1);
        m_program->MainWindow->FillMyServicesGrid(1);
    }
}

void TFrmImportExport::FillFormatCombos()
{
    fillCombo(ui->ComboFormatServices, ServicesXMLFormatNames, kServicesDialectCount);
    fillCombo(ui->ComboFormatMyServices, MyServicesXMLFormatNames, kMyServicesDialectCount);
    fillCombo(ui->ComboFormatBouquets, BouquetXMLFormatNames, kBouquetDialectCount);
}

void TFrmImportExport::UpdateControls()
{
    // Without an address for it there is no ready-made list to import.
    const bool readyMade = m_program && !m_program->ReadyMadeListUrl.isEmpty();
    ui->BtnOrvik->setEnabled(readyMade);
    if (!readyMade && ui->BtnOrvik->isChecked())
        ui->BtnBox->setChecked(true);

    ui->CbxMyServices->setEnabled(true);
    const bool anyFile = ui->CbxServices->isChecked() || ui->CbxMyServices->isChecked()
        || ui->CbxBouquets->isChecked();
    ui->BtnImport->setEnabled(anyFile);
    ui->BtnExport->setEnabled(anyFile);
    ui->ComboFormatServices->setEnabled(ui->CbxServices->isChecked());
    ui->ComboFormatMyServices->setEnabled(ui->CbxMyServices->isChecked());
    ui->ComboFormatBouquets->setEnabled(ui->CbxBouquets->isChecked());
    if (ui->BtnOrvik->isChecked()) {
        // The ready-made list has no my-services file and is only imported.
        ui->BtnExport->setEnabled(false);
        ui->CbxMyServices->setChecked(false);
        ui->CbxMyServices->setEnabled(false);
        ui->ComboFormatServices->setEnabled(false);
        ui->ComboFormatMyServices->setEnabled(false);
        ui->ComboFormatBouquets->setEnabled(false);
        const bool anyLeft = ui->CbxServices->isChecked() || ui->CbxBouquets->isChecked();
        ui->BtnImport->setEnabled(anyLeft);
    }
}

void TFrmImportExport::showVersions()
{
    const QString online = m_program->OnlineSettingsListVersion;
    ui->EdtNewOrvikVersion->setText(online);
    ui->EdtLastOrvikVersion->setText(m_program->LastOrvikSettingsVersion);
    const bool newer = online != msg(MsgDisabled) && online != m_program->LastOrvikSettingsVersion;
    QPalette palette = ui->LblNewOrvikVersion->palette();
    palette.setColor(QPalette::WindowText, newer ? kNewVersionColor : QColor(Qt::black));
    ui->LblNewOrvikVersion->setPalette(palette);
}

bool TFrmImportExport::Execute(QString &errorText)
{
    errorText.clear();
    if (!m_program)
        return true;
    FillFormatCombos();
    UpdateControls();
    showVersions();
    switch (exec()) {
    case kResultImport:
        return Import(errorText);
    case kResultExport:
        return Export(errorText);
    default:
        return true;
    }
}

void TFrmImportExport::refillMainWindow()
{
    TMainWindowLink *main = m_program->MainWindow;
    if (!main)
        return;
    main->LinkLists();
    main->FillBouquetListGrid(0);
    m_program->ComboBouquetsUpdating = true;
    main->FillBouquetCombo(0);
    m_program->ComboBouquetsUpdating = false;
    main->FillServicesGrid(0);
    main->FillMyServicesGrid(0);
    main->FillBouquetGrid(0);
    main->SelectMarkedServices();
}

void TFrmImportExport::buildAutoBouquet()
{
    TFrmImportNews *news = importNews();
    if (!news || news->NewGrid()->RowCount() == 0 || !news->CbxAutoBouquet()->isChecked())
        return;
    const QString name = expandDateTime(news->EdtBouquet()->text(), QDateTime::currentDateTime());
    if (name.trimmed().isEmpty())
        return;
    TWaitShown wait(m_program->MainWindow);
    TBouquet *bouquet = nullptr;
    m_program->BouquetList->AddNewBouquet(name, bouquet);
    if (TMainWindowLink *main = m_program->MainWindow) {
        main->FillBouquetListGrid(0);
        m_program->ComboBouquetsUpdating = true;
        main->FillBouquetCombo(0);
        m_program->ComboBouquetsUpdating = false;
        // The services the import marked as new, not what the grid selects.
        main->AddSelectedToBouquet(bouquet, -1, false);
    }
}

bool TFrmImportExport::Import(QString &errorText)
{
    errorText.clear();
    if (!m_program || !m_program->FrmXMLHandler || !m_program->ServiceList)
        return false;
    TProgram &program = *m_program;
    TMainWindowLink *main = program.MainWindow;
    // The working copy and its history take the lists as they are now; if
    // that fails the import would overwrite changes that exist nowhere else.
    if (main && !main->SaveFiles(errorText))
        return false;
    // Reading into the stage marks the lists changed; a failed import
    // leaves them as they were and must not ask for a save.
    const bool wasSaved = SaveHandler().Saved();

    const bool services = ui->CbxServices->isChecked();
    const bool myServices = ui->CbxMyServices->isChecked();
    const bool bouquets = ui->CbxBouquets->isChecked();
    std::vector<TFileStep> steps;
    QString newVersion;
    const bool readyMade = ui->BtnOrvik->isChecked();
    if (ui->BtnBox->isChecked()) {
        const QString folder = QStringLiteral("ftp:") + program.SettingText("EdtRemoteDir");
        if (services)
            steps.push_back({TFileKind::Services, folder + QStringLiteral("/services.xml"), {}});
        if (myServices)
            steps.push_back({TFileKind::MyServices, folder + QStringLiteral("/myservices.xml"), {}});
        if (bouquets)
            steps.push_back({TFileKind::Bouquets, folder + QStringLiteral("/bouquets.xml"), {}});
    } else if (ui->BtnLocal->isChecked()) {
        const auto local = [&](TFileKind kind, const QString &name) {
            steps.push_back({kind, name, FormatMsg1(msg(MsgSelectFile), name)});
        };
        if (services)
            local(TFileKind::Services, QStringLiteral("Services.xml"));
        if (myServices)
            local(TFileKind::MyServices, QStringLiteral("MyServices.xml"));
        if (bouquets)
            local(TFileKind::Bouquets, QStringLiteral("Bouquets.xml"));
    } else if (readyMade) {
        if (program.ReadyMadeListUrl.isEmpty() || !program.Prompts)
            return false;
        const QString base = program.ReadyMadeListUrl;
        if (!checkSettingsListUpdate(base + QLatin1String(kUpdateFilePath),
                                     program.LastOrvikSettingsVersion, false, newVersion,
                                     errorText, *program.Prompts))
            return false;
        if (services)
            steps.push_back({TFileKind::Services, base + QLatin1String(kReadyMadeServicesPath), {}});
        if (bouquets)
            steps.push_back({TFileKind::Bouquets, base + QLatin1String(kReadyMadeBouquetsPath), {}});
    } else {
        return true;
    }

    TImportStage stage;
    TFrmXMLHandler &handler = *program.FrmXMLHandler;
    bool ok = true;
    // Every file arrives first, in the order services, my-services,
    // bouquets, so a failing one stops before the next is fetched.
    QStringList locals;
    // The files move on a worker; the bar counts them for the receiver,
    // whose transfers say nothing of their own progress.
    TFileProgress progress(ui->BtnBox->isChecked() ? int(steps.size()) : 0);
    for (const TFileStep &step : steps) {
        // A local file is looked for where the last one was chosen.
        QString name = step.caption.isEmpty()
            ? step.source
            : QDir(program.LastImportDir).filePath(step.source);
        const QString source = name;
        if (!handler.GetFile(name, step.caption, errorText)) {
            // The web folder holds several files: the user learns which one
            // did not come.
            if (readyMade && !errorText.isEmpty())
                errorText = FormatMsg1(msg(MsgWebFileNotDownloaded), source) + QStringLiteral("\r\n")
                    + errorText;
            ok = false;
            break;
        }
        if (isFetchedToTemp(source, name))
            stage.temporaries.append(name);
        locals.append(name);
        progress.fileDone();
    }
    // The services file is read last, so its news are only compared once
    // every other file has been read.
    TNewsStage news(program.ProgramFolder);
    std::vector<qsizetype> order;
    for (qsizetype i = 0; i < locals.size(); ++i) {
        if (steps[std::size_t(i)].kind != TFileKind::Services)
            order.push_back(i);
    }
    for (qsizetype i = 0; i < locals.size(); ++i) {
        if (steps[std::size_t(i)].kind == TFileKind::Services)
            order.push_back(i);
    }
    // A file read says "Done." of itself, but the import goes on: comparing,
    // linking and filling the grids of a long list take seconds.
    const auto importing = [main] {
        if (main)
            main->ShowStatus(msg(MsgStatusImporting));
    };
    for (const qsizetype i : order) {
        if (!ok)
            break;
        switch (steps[std::size_t(i)].kind) {
        case TFileKind::Services:
            ok = handler.LoadServices(locals[i], errorText, false, stage.services);
            if (ok) {
                importing();
                ok = news.write(*program.ServiceList, stage.services, errorText);
            }
            stage.hasServices = ok;
            break;
        case TFileKind::MyServices:
            ok = handler.LoadMyServices(locals[i], errorText, stage.myServices);
            stage.hasMyServices = ok;
            break;
        case TFileKind::Bouquets:
            ok = handler.LoadBouquets(locals[i], errorText, stage.bouquets);
            stage.hasBouquets = ok;
            break;
        }
        if (ok)
            importing();
    }
    // The news take the last import's place only with the lists.
    if (ok)
        ok = news.publish(errorText);
    if (ok) {
        // Only now do the lists change: an import that fails before leaves
        // them, and a mapping under way, as they were. The mapping starts
        // again, as a rebuild, once the import is through.
        if (main)
            main->StopLogoMapping();
        // No event runs between the swaps and the refill: the grids show the
        // old services until then, and the stage keeps those alive.
        if (stage.hasServices)
            program.ServiceList->Swap(stage.services);
        if (stage.hasMyServices)
            program.MyServiceList->Swap(stage.myServices);
        if (stage.hasBouquets)
            program.BouquetList->Swap(stage.bouquets);
    }
    refillMainWindow();
    progress.finish();
    if (!ok) {
        if (wasSaved)
            SaveHandler().SetSaved();
        return false;
    }

    if (main)
        main->ShowStatus(msg(MsgStatusDone));
    if (readyMade && !steps.empty() && !newVersion.isEmpty()) {
        program.LastOrvikSettingsVersion = newVersion;
        ui->EdtLastOrvikVersion->setText(newVersion);
    }
    if (program.Prompts)
        program.Prompts->messageBox(TPrompts::TMsgKind::Information, msg(MsgImportSuccessful),
                                    TPrompts::mbOK);
    // The news and the bouquet of new services belong to a services import;
    // after any other import they would describe an earlier one.
    if (stage.hasServices) {
        if (TFrmImportNews *news = importNews()) {
            QStringList problems;
            {
                TWaitShown wait(main);
                problems = news->LoadNews();
            }
            if (!problems.isEmpty() && program.Prompts)
                program.Prompts->messageBox(TPrompts::TMsgKind::Warning,
                                            problems.join(QStringLiteral("\r\n")), TPrompts::mbOK);
            if (ui->CbxImportNews->isChecked())
                news->exec();
        }
        buildAutoBouquet();
    }
    if (main)
        main->RestartLogoMapping(true);
    return true;
}

bool TFrmImportExport::exportFiles(bool toReceiver, QString &errorText, int &written)
{
    written = 0;
    TProgram &program = *m_program;
    TFrmXMLHandler &handler = *program.FrmXMLHandler;
    const QString remoteDir = program.SettingText("EdtRemoteDir");
    struct ExportedFile {
        const QAbstractButton *box;
        QString remoteName;
        QString localName;
        std::function<bool(const QString &target, const QString &caption)> save;
    };
    const ExportedFile exported[] = {
        {ui->CbxServices, QStringLiteral("services.xml"), QStringLiteral("Services.xml"),
         [&](const QString &target, const QString &caption) {
             const TServiceList &list = *program.ServiceList;
             return handler.SaveServices(target, caption, list, errorText, list.Encoding,
                                         chosenDialect(ui->ComboFormatServices, list.Format));
         }},
        {ui->CbxMyServices, QStringLiteral("myservices.xml"), QStringLiteral("MyServices.xml"),
         [&](const QString &target, const QString &caption) {
             const TServiceList &list = *program.MyServiceList;
             return handler.SaveMyServices(target, caption, list, errorText, list.Encoding,
                                           chosenDialect(ui->ComboFormatMyServices, list.Format));
         }},
        {ui->CbxBouquets, QStringLiteral("bouquets.xml"), QStringLiteral("Bouquets.xml"),
         [&](const QString &target, const QString &caption) {
             const TBouquetList &list = *program.BouquetList;
             return handler.SaveBouquets(target, caption, list, errorText, list.Encoding,
                                         chosenDialect(ui->ComboFormatBouquets, list.Format));
         }},
    };
    QStringList remotePaths;
    for (const ExportedFile &file : exported) {
        if (file.box->isChecked())
            remotePaths.append(remoteDir + u'/' + file.remoteName);
    }
    TFileProgress progress(toReceiver ? int(remotePaths.size()) : 0);
    // What each receiver file became, for the message should one fail: the
    // lists on the receiver may then not belong together.
    TReceiverPuts puts;
    for (const ExportedFile &file : exported) {
        if (!file.box->isChecked())
            continue;
        const QString remotePath = remoteDir + u'/' + file.remoteName;
        const bool saved = toReceiver
            ? file.save(QStringLiteral("ftp:") + remotePath, QString())
            : file.save(QDir(program.LastImportDir).filePath(file.localName),
                        FormatMsg1(msg(MsgExportFile), file.localName));
        if (saved) {
            puts.note(remotePath, TPutOutcome::Replaced);
            ++written;
            progress.fileDone();
            continue;
        }
        if (toReceiver) {
            puts.note(remotePath, handler.LastReceiverPut());
            puts.keepAll(remotePaths);
            // A refusal the user answered with Cancel changed nothing yet:
            // that stays a plain "aborted".
            if (!errorText.isEmpty() || remotePath != remotePaths.first())
                errorText = (errorText.isEmpty() ? msg(MsgActionAborted) : errorText)
                    + QStringLiteral("\r\n\r\n") + puts.report();
        }
        return false;
    }
    return true;
}

bool TFrmImportExport::Export(QString &errorText)
{
    errorText.clear();
    if (!m_program || !m_program->FrmXMLHandler || !m_program->ServiceList)
        return false;
    TProgram &program = *m_program;
    const bool toReceiver = ui->BtnBox->isChecked();
    if (!toReceiver && !ui->BtnLocal->isChecked())
        return true;

    // A list that is empty because its working file could not be read, or
    // that loses values in the output format chosen, is not sent in place of
    // the receiver's without the user saying so.
    const struct {
        const QAbstractButton *box;
        const QComboBox *format;
        const char *file;
        ZapitKind kind;
        int own;
        bool unread;
    } lists[] = {
        {ui->CbxServices, ui->ComboFormatServices, "Services.xml", ZapitKind::Services,
         program.ServiceList->Format,
         program.ServiceList->Count() == 0 && program.ServiceList->FileUnread},
        {ui->CbxMyServices, ui->ComboFormatMyServices, "MyServices.xml", ZapitKind::MyServices,
         program.MyServiceList->Format,
         program.MyServiceList->Count() == 0 && program.MyServiceList->FileUnread},
        {ui->CbxBouquets, ui->ComboFormatBouquets, "Bouquets.xml", ZapitKind::Bouquets,
         program.BouquetList->Format,
         program.BouquetList->Count() == 0 && program.BouquetList->FileUnread},
    };
    const auto confirmed = [&program](const QString &question) {
        return question.isEmpty()
            || (program.Prompts
                && program.Prompts->messageBox(
                       TPrompts::TMsgKind::Confirmation, question,
                       TPrompts::mbYes | TPrompts::mbCancel | TPrompts::mbCancelDefault)
                    == TPrompts::mbYes);
    };
    for (const auto &list : lists) {
        if (!list.box->isChecked())
            continue;
        if (!confirmed(list.unread ? FormatMsg1(msg(MsgExportUnreadList), QLatin1String(list.file))
                                   : QString())
            || !confirmed(leftOutQuestion(list.kind, list.own, list.format, list.file)))
            return false;
    }
    TFrmDiSEqCMapping *mapping = nullptr;
    if (ui->CbxMapping->isChecked() && ui->CbxServices->isChecked()) {
        mapping = diseqcMapping();
        if (!mapping || !mapping->Execute())
            return false;
    }
    if (toReceiver
        && (!program.Prompts
            || program.Prompts->messageBox(TPrompts::TMsgKind::Confirmation, msg(MsgAreYouSure),
                                           TPrompts::mbYes | TPrompts::mbCancel)
                != TPrompts::mbYes))
        return false;
    // The mapping goes into the lists only with an export that goes ahead:
    // one given up, or failed before a file was written, leaves them as they
    // were. Once a file holds the mapped values the lists keep them, so they
    // say what the written files say.
    TDiseqcValues before;
    if (mapping) {
        before = TDiseqcValues::of({program.ServiceList.get(), program.MyServiceList.get()});
        mapping->ApplyMapping(*program.ServiceList);
        mapping->ApplyMapping(*program.MyServiceList);
        refillServiceGrids();
    }
    int written = 0;
    if (!exportFiles(toReceiver, errorText, written)) {
        if (mapping && written == 0) {
            before.restore();
            refillServiceGrids();
        }
        return false;
    }
    // The files are there either way, so the export is done; but a receiver
    // that did not reload still runs the old lists, and the user must know.
    QString reason;
    const bool reloaded = !toReceiver || askReceiverToReload(program, reason);
    if (program.Prompts) {
        if (reloaded)
            program.Prompts->messageBox(TPrompts::TMsgKind::Information, msg(MsgExportSuccessful),
                                        TPrompts::mbOK);
        else
            program.Prompts->messageBox(TPrompts::TMsgKind::Warning,
                                        reason.isEmpty() ? msg(MsgReloadFailed)
                                                         : msg(MsgReloadFailed) + u' ' + reason,
                                        TPrompts::mbOK);
    }
    return true;
}
