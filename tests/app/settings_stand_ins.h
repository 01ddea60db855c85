#pragma once

// Stand-ins for the windows whose controls the settings file feeds: plain
// widgets with the controls' names, registered in a program of their own.

#include "ui/program/program.h"
#include "app/main/settings_store.h"
#include "core/util/prompts.h"
#include "platform/ini_file.h"
#include "ui/grid/list_grid.h"

#include "app_test_support.h"

#include <QAbstractButton>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QStringList>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <vector>

namespace settings_test {

class ScriptedPrompts : public TPrompts
{
public:
    int messageBox(TMsgKind kind, const QString &text, int buttons) override
    {
        if (onMessage)
            onMessage();
        asked.push_back({kind, text, buttons});
        return mbOK;
    }
    QString openFileName(const QString &, const QString &, const QString &, const QString &) override
    {
        return {};
    }
    QString saveFileName(const QString &, const QString &, const QString &, const QString &) override
    {
        return {};
    }

    struct Question {
        TMsgKind kind;
        QString text;
        int buttons;
    };
    std::vector<Question> asked;
    std::function<void()> onMessage;
};

// The windows' controls the settings reach, as stand-ins: check boxes,
// radio groups (each group its own parent; the print manager's target group
// also an exclusive QButtonGroup, as some dialogs do), edits.
struct StandInForm {
    const char *name;
    std::vector<const char *> checks;
    std::vector<std::vector<const char *>> radioGroups;
    std::vector<const char *> edits;
};

inline const std::vector<StandInForm> kForms = {
    {"FrmSettings",
     {"CbxSavePass", "CbxNoBackgroundPing", "CbxNoOrvikCheck", "CbxNoUpdateCheck", "CbxGridConnect"},
     {{"BtnSystemTelnet", "BtnCustomTelnet"}, {"BtnCmdAutoDetect", "BtnCmdCustom"}},
     {"EdtIp", "EdtPort", "EdtRemoteDir", "EdtAccount", "EdtPass", "EdtBackupRootDir",
      "EdtBackupSubDir", "EdtTelnet", "EdtTotalCmd"}},
    {"FrmImportExport",
     {"CbxBouquets", "CbxServices", "CbxMyServices", "CbxImportNews", "CbxMapping"},
     {{"BtnBox", "BtnLocal", "BtnOrvik"}},
     {"EdtLastOrvikVersion"}},
    {"FrmListGenerator",
     {"CbxTv", "CbxRadio", "CbxData"},
     {{"BtnServiceList", "BtnBouquetList", "BtnCurrentBouquet"},
      {"BtnCsvFile", "BtnHtmlFile", "BtnHtmlPrint", "BtnSeePrint"}},
     {}},
    {"FrmOptimize",
     {"CbxRemoveDataServices", "CbxFixObsoleteServices", "CbxRemoveObsoleteServices",
      "CbxRemoveObsoleteMyServices", "CbxRemoveUnusedServices"},
     {},
     {}},
    {"FrmBackupManager", {}, {}, {}},
    {"FrmImportNews", {"CbxAutoBouquet"}, {}, {"EdtBouquet"}},
    {"FrmLogoManager",
     {"CbxAstra192", "CbxAstra282", "CbxHotbird130", "CbxEutelsat", "CbxSirius", "CbxHispasat",
      "CbxOthers"},
     {{"BtnTv", "BtnRadio"}, {"BtnEnabled", "BtnDisabled"}},
     {}},
};

// The main window's grids: column count and the one fixed-size column.
struct StandInGrid {
    const char *name;
    const char *prefix;
    int columns;
    int fixedColumn;
};
inline const StandInGrid kGrids[] = {
    {"ServicesGrid", "Ser", 5, 2},
    {"MyServicesGrid", "MySer", 4, -1},
    {"KingOfSatGrid", "Kof", 3, -1},
    {"BouquetGrid", "Bou", 4, 0},
};
inline constexpr int kFixedWidth = 44;

inline const QStringList kServiceWords = {
    "Logo", "STypeIcon", "ActionIcon", "Name", "SIDHEX", "SIDDEC", "STypeHEX", "STypeDEC",
    "TSIDHEX", "TSIDDEC", "ONIDHEX", "ONIDDEC", "SR", "FEC", "Inversion", "Polarization",
    "Modulation", "Frequency", "DiSEqC", "Satelite", "Bouquet", "BestFit", "Custom"};
inline const QStringList kKingOfSatWords = {
    "STypeIcon", "Name", "SIDHEX", "SIDDEC", "STypeHEX", "STypeDEC", "TSIDHEX", "TSIDDEC",
    "ONIDHEX", "ONIDDEC", "SR", "FEC", "Polarization", "Frequency", "DiSEqC", "Satellite",
    "Provider", "Category", "Country", "Encryption", "BestFit", "Custom"};
inline const QStringList kBouquetWords = {"Logo", "STypeIcon", "ActionIcon", "Name", "Frequency"};

inline const QStringList kPrintColumns = {"Logo", "Service Name", "Service Type", "SID", "TSID", "ONID",
                                   "Frequency", "Inversion", "Polarization", "FEC", "Modulation",
                                   "Satellite/Cable"};

inline const QString kReceiverServices = "/var/tuxbox/config/zapit/services.xml";
inline const QString kReceiverBouquets = "/var/tuxbox/config/zapit/bouquets.xml";

void buildStandIns(TProgram &program, bool startChecked);

// One program on a program folder, with its stand-in windows.
struct World {
    explicit World(const QString &folder, bool startChecked = false)
    {
        appTestApp();
        program.ProgramFolder = folder;
        program.Prompts = &prompts;
        buildStandIns(program, startChecked);
    }

    template <typename T>
    T *get(const char *form, const char *name) const
    {
        QWidget *window = program.Form(form);
        T *control = window ? window->findChild<T *>(name) : nullptr;
        if (!control)
            ADD_FAILURE() << form << "." << name << " missing";
        return control;
    }
    bool checked(const char *form, const char *name) const
    {
        return get<QAbstractButton>(form, name)->isChecked();
    }
    QLineEdit *edit(const char *form, const char *name) const { return get<QLineEdit>(form, name); }
    TLgColumns *columns(const char *grid) const { return get<TListGrid>("FrmMain", grid)->Columns(); }
    QWidget *main() const { return program.Form("FrmMain"); }
    QWidget *panel() const { return get<QWidget>("FrmMain", "PnlBouquets"); }
    QStringList printColumns(bool onlyChecked = false) const
    {
        QStringList texts;
        const auto *list = get<QListWidget>("FrmListGenerator", "Columns");
        for (int i = 0; i < list->count(); ++i) {
            if (!onlyChecked || list->item(i)->checkState() == Qt::Checked)
                texts << list->item(i)->text();
        }
        return texts;
    }
    QStringList backupFiles() const
    {
        QStringList texts;
        const auto *box = get<QListWidget>("FrmBackupManager", "BoxFiles");
        for (int i = 0; i < box->count(); ++i)
            texts << box->item(i)->text();
        return texts;
    }

    bool load(bool applySizes = true) { return loadConfig(program, QString(), true, applySizes); }
    void save() { saveConfig(program, QString(), true); }
    IniFile ini() const
    {
        IniFile file;
        file.load(program.SettingsFile());
        return file;
    }
    void writeIni(const QByteArray &bytes) const
    {
        QFile file(program.SettingsFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    ScriptedPrompts prompts;
    TProgram program;
};

// The room the screen offers a window.
QSize screenRoom();
// Everything the settings reach, as text, so two programs can be compared.
std::map<QString, QString> snapshot(const World &w);
// The character codes of a text in hexadecimal ("83 9A 86 87").
QString hex(const QString &text);

} // namespace settings_test
