#pragma once

#include <QHash>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <atomic>
#include <memory>
#include <vector>

class TBouquetList;
class TFrmMain;
class TMainWindowLink;
class TFrmXMLHandler;
class TPrompts;
class TServiceList;

// What the program keeps for the whole run: the model lists, the few texts
// the settings carry between windows, the flags shared with the logo thread
// and the windows themselves. main() owns one; each test builds its own, so
// two tests are two programs.
struct TProgram {
    TProgram();
    ~TProgram();
    TProgram(const TProgram &) = delete;
    TProgram &operator=(const TProgram &) = delete;

    // The folder of the settings file, the working files, History/,
    // Language/, LogoTypes/ and the .dat files.
    QString ProgramFolder;
    // The settings file: kSettingsFileName in the program folder.
    static constexpr const char *kSettingsFileName = "pelloran.ini";
    QString SettingsFile() const;

    // Where every modal question goes: real dialogs in the program, scripted
    // answers in tests. Not owned.
    TPrompts *Prompts = nullptr;

    // Texts the settings store keeps between runs.
    QString LastImportDir;
    QString LastSentMessage;
    QString LastOrvikSettingsVersion;
    // The ready-made list's version found at start-up, or "<disabled>".
    QString OnlineSettingsListVersion;

    // The base addresses of the three web sources, from the settings file's
    // "WebSources" section. No ready-made list address: no update check and
    // no ready-made source.
    QString ReadyMadeListUrl;
    QString KingOfSatUrl = QStringLiteral("https://en.kingofsat.net");
    QString LogoSiteUrl = QStringLiteral("https://www.lyngsat-logo.com");
    // The program that pings the receiver (tests put a stand-in here; none:
    // no pinging).
    QString PingProgram = QStringLiteral("ping");
    // The port of the receiver's web interface (messages to the TV screen);
    // the settings hold only its address.
    int ReceiverWebPort = 80;

    // The logo size every logo is scaled to (set from the logo manager's
    // size slider by updateLogoSize).
    int LogoWidth = 41;
    int LogoHeight = 31;

    // True while bouquet edits refill the bouquet combo, so its change
    // handler stays out of the way.
    bool ComboBouquetsUpdating = false;
    // Shared with the logo thread: the UI sets Running before the thread
    // starts and clears it to ask for a stop; the thread sets Stopped when it
    // has left its loops on request.
    std::atomic<bool> LogoMappingRunning{false};
    std::atomic<bool> LogoMappingStopped{false};

    // The four lists exist from the start-up routine until shut-down.
    std::unique_ptr<TServiceList> ServiceList;
    std::unique_ptr<TServiceList> MyServiceList;
    std::unique_ptr<TServiceList> KingOfSatList;
    std::unique_ptr<TBouquetList> BouquetList;
    void CreateLists();
    void FreeLists();

    // Windows by their design names ("FrmMain", "FrmSettings", ...), so the
    // settings store and the translation engine find their controls by name.
    // The program owns them; they are freed in reverse order of creation.
    void AddForm(const QString &name, std::unique_ptr<QWidget> form);
    QWidget *Form(const QString &name) const;
    // Frees one window before the others (the splash after start-up).
    void RemoveForm(const QString &name);
    template <typename T>
    T *FormAs(const QString &name) const
    {
        return qobject_cast<T *>(Form(name));
    }
    void FreeForms();

    // The live settings are the settings window's controls: an edit's text
    // (empty without one) and whether a check box or radio button is checked
    // (`absent` without one).
    QString SettingText(const char *name) const;
    bool SettingChecked(const char *name, bool absent = false) const;

    TFrmMain *FrmMain = nullptr;
    // The same window as the exchange and logo windows see it.
    TMainWindowLink *MainWindow = nullptr;
    std::unique_ptr<TFrmXMLHandler> FrmXMLHandler;

private:
    std::vector<std::unique_ptr<QWidget>> m_forms;
    QHash<QString, QWidget *> m_formsByName;
};
