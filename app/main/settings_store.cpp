#include "app/main/settings_store.h"

#include "ui/program/program.h"
#include "app/main/settings_controls.h"
#include "app/main/settings_values.h"
#include "app/main/window_placement.h"
#include "core/util/exception.h"
#include "core/util/messages.h"
#include "core/util/prompts.h"
#include "core/util/small_file_text.h"
#include "logos/logo_size.h"
#include "platform/ini_file.h"
#include "platform/small_file.h"
#include "platform/text_codec.h"
#include "ui/editors/lg_color_picker.h"
#include "ui/grid/columns.h"
#include "ui/grid/list_grid.h"

#include <QAbstractButton>
#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QSlider>

#include <algorithm>
#include <array>
#include <numeric>
#include <span>
#include <vector>

namespace {

// Built into the program; changing it makes every stored password unreadable.
const QString kPasswordKey = QStringLiteral("quistrand");

constexpr int kDefaultColumnWidth = 30;
// Wider than any screen; a larger number in the file is a damaged file.
constexpr int kMaxColumnWidth = 4000;
// A list longer than this is a damaged file, not a user's choice.
constexpr int kMaxBackupFiles = 1000;
// Below these the main window cannot show its grids and tool bars.
constexpr int kMinMainWidth = 400;
constexpr int kMinMainHeight = 300;
constexpr int kMinPanelWidth = 100;
// The text remembered on the password edit once the user was told that it
// cannot be stored, so every later save does not ask again.
constexpr const char *kRefusedPasswordProperty = "refusedPassword";

constexpr int kTextKey = -1;

// One key of the file bound to one control of a window: a check box, radio
// button or action (`checked` is its default) or a line edit (`text` gives
// its default; `windowsDefault`, a default of the Windows program that
// cannot run here, reads as this default too).
struct TControlKey {
    const char *key;
    const char *control;
    int checked = kTextKey;
    QString (*text)() = nullptr;
    const char *windowsDefault = nullptr;
};

QString defaultBackupRootDir()
{
    return QDir::homePath() + QStringLiteral("/DBox/Backup");
}

// The desktop's file manager on the home folder, quoted for the command
// line the tool's edit holds.
QString defaultFileManager()
{
    QString home = QDir::homePath();
    home.replace(u'"', QStringLiteral("\"\"\""));
    return QStringLiteral("xdg-open \"%1\"").arg(home);
}

const TControlKey kPrintManagerKeys[] = {
    {"completeServiceList", "BtnServiceList", 1},
    {"completeBouquetList", "BtnBouquetList", 0},
    {"currentBouquet", "BtnCurrentBouquet", 1},
    {"csvFile", "BtnCsvFile", 1},
    {"htmlFile", "BtnHtmlFile", 0},
    {"htmlPrint", "BtnHtmlPrint", 0},
    {"seePrint", "BtnSeePrint", 0},
    {"includeTv", "CbxTv", 1},
    {"includeRadio", "CbxRadio", 1},
    {"includeData", "CbxData", 0},
};

const TControlKey kOptimizeKeys[] = {
    {"removeDataServices", "CbxRemoveDataServices", 1},
    {"fixObsoleteServices", "CbxFixObsoleteServices", 1},
    {"removeObsoleteServices", "CbxRemoveObsoleteServices", 1},
    {"removeObsoleteMyServices", "CbxRemoveObsoleteMyServices", 1},
    {"removeUnusedServices", "CbxRemoveUnusedServices", 0},
};

const TControlKey kImportExportKeys[] = {
    {"bouquets", "CbxBouquets", 1},
    {"services", "CbxServices", 1},
    {"myServices", "CbxMyServices", 0},
    {"box", "BtnBox", 1},
    {"local", "BtnLocal", 0},
    {"orvik", "BtnOrvik", 0},
    {"importNews", "CbxImportNews", 1},
    {"diseqcMapping", "CbxMapping", 0},
};

const TControlKey kImportNewsKeys[] = {
    {"autoBouquet", "CbxAutoBouquet", 0},
    {"autoBouquetName", "EdtBouquet", kTextKey,
     [] { return QStringLiteral("NewServices_%DATE%_%TIME%"); }},
};

const TControlKey kLogoImportKeys[] = {
    {"astra192", "CbxAstra192", 1},
    {"astra282", "CbxAstra282", 0},
    {"hotbird130", "CbxHotbird130", 1},
    {"eutelsat", "CbxEutelsat", 0},
    {"sirius", "CbxSirius", 0},
    {"hispasat", "CbxHispasat", 0},
    {"others", "CbxOthers", 0},
    {"tv", "BtnTv", 1},
    {"radio", "BtnRadio", 0},
};

const TControlKey kLogoMappingKeys[] = {
    {"logoMappingEnabled", "BtnEnabled", 1},
    {"logoMappingDisabled", "BtnDisabled", 0},
};

const TControlKey kReceiverKeys[] = {
    {"ip", "EdtIp", kTextKey, [] { return QStringLiteral("192.168.015.024"); }},
    {"port", "EdtPort", kTextKey, [] { return QStringLiteral("00021"); }},
    {"remoteDir", "EdtRemoteDir", kTextKey, [] { return QStringLiteral("/var/tuxbox/config/zapit"); }},
    {"account", "EdtAccount", kTextKey, [] { return QStringLiteral("root"); }},
    {"savePassword", "CbxSavePass", 0},
};

const TControlKey kBackupFolderKeys[] = {
    {"backupRootDir", "EdtBackupRootDir", kTextKey, defaultBackupRootDir},
    {"backupSubDir", "EdtBackupSubDir", kTextKey, [] { return QStringLiteral("Backup_%DATE%_%TIME%"); }},
};

const TControlKey kToolKeys[] = {
    {"useSystemTelnet", "BtnSystemTelnet", 1},
    {"useCustomTelnet", "BtnCustomTelnet", 0},
    {"customTelnet", "EdtTelnet", kTextKey, [] { return QStringLiteral("x-terminal-emulator -e telnet"); },
     "c:\\putty.exe"},
    {"useCmdAutoDetect", "BtnCmdAutoDetect", 1},
    {"useCmdCustom", "BtnCmdCustom", 0},
    {"customTotalCmd", "EdtTotalCmd", kTextKey, defaultFileManager, "c:\\Programme\\totalcmd\\totalcmd.exe"},
};

const TControlKey kSwitchKeys[] = {
    {"noBackgroundPing", "CbxNoBackgroundPing", 0},
    {"noOrvikCheck", "CbxNoOrvikCheck", 0},
    {"noUpdateCheck", "CbxNoUpdateCheck", 0},
    {"gridConnect", "CbxGridConnect", 1},
};

// The twelve list columns of the print manager: key, item text and default.
struct TPrintColumn {
    const char *name;
    bool checked;
};
const TPrintColumn kPrintColumns[] = {
    {"Logo", true},        {"Service Name", true}, {"Service Type", true},
    {"SID", true},         {"TSID", false},        {"ONID", false},
    {"Frequency", true},   {"Inversion", false},   {"Polarization", true},
    {"FEC", false},        {"Modulation", false},  {"Satellite/Cable", true},
};

struct TColorKey {
    const char *key;
    const char *control;
    int color; // 0x00BBGGRR
};
const TColorKey kPrintColors[] = {
    {"colorHeader", "ColorPickerHeader", 8834299},
    {"colorBody", "ColorPickerBody", 15269117},
};

// The four grids of the main window and their sections.
struct TGridSection {
    const char *section;
    const char *grid;
    const char *prefix; // of the action names
    const char *toolbarKey;
};
constexpr std::array<TGridSection, 4> kGridSections = {{
    {"GUIServices", "ServicesGrid", "Ser", "serviceGridToolbar"},
    {"GUIMyServices", "MyServicesGrid", "MySer", "myServiceGridToolbar"},
    {"GUIKingOfSat", "KingOfSatGrid", "Kof", "serviceGridToolbar"},
    {"GUIBouquet", "BouquetGrid", "Bou", "bouquetGridToolbar"},
}};

// The column flags of the grid sections in file order, with their defaults
// per grid (services, my services, KingOfSat, bouquet); -1: the grid has no
// such key. "columnX" feeds Action<prefix>ColX, "columnsX" likewise.
constexpr signed char kNone = -1;
struct TGridFlag {
    const char *key;
    std::array<signed char, 4> defaults;
};
constexpr TGridFlag kGridFlags[] = {
    {"columnLogo", {1, 1, kNone, 1}},
    {"columnSTypeIcon", {0, 0, 1, 0}},
    {"columnActionIcon", {1, 1, kNone, 1}},
    {"columnName", {1, 1, 1, 1}},
    {"columnSIDHEX", {1, 1, 0, kNone}},
    {"columnSIDDEC", {0, 0, 0, kNone}},
    {"columnSTypeHEX", {1, 1, 0, kNone}},
    {"columnSTypeDEC", {0, 0, 0, kNone}},
    {"columnTSIDHEX", {1, 1, 0, kNone}},
    {"columnTSIDDEC", {0, 0, 0, kNone}},
    {"columnONIDHEX", {0, 0, 0, kNone}},
    {"columnONIDDEC", {0, 0, 0, kNone}},
    {"columnSR", {0, 0, 0, kNone}},
    {"columnFEC", {0, 0, 0, kNone}},
    {"columnInversion", {0, 0, kNone, kNone}},
    {"columnPolarization", {0, 0, 0, kNone}},
    {"columnModulation", {0, 0, kNone, kNone}},
    {"columnFrequency", {1, 1, 0, 0}},
    {"columnDiSEqC", {0, 0, 0, kNone}},
    {"columnSatelite", {1, 1, kNone, kNone}},
    {"columnSatellite", {kNone, kNone, 1, kNone}},
    {"columnProvider", {kNone, kNone, 1, kNone}},
    {"columnCategory", {kNone, kNone, 1, kNone}},
    {"columnCountry", {kNone, kNone, 1, kNone}},
    {"columnEncryption", {kNone, kNone, 1, kNone}},
    {"columnBouquet", {1, 1, kNone, kNone}},
    {"columnsBestFit", {1, 1, 1, kNone}},
    {"columnsCustom", {0, 0, 0, kNone}},
};

QString gridFlagAction(const TGridSection &grid, const TGridFlag &flag)
{
    const QLatin1String key(flag.key);
    const QLatin1String word = key.startsWith(QLatin1String("columns")) ? key.mid(7) : key.mid(6);
    return QLatin1String("Action") + QLatin1String(grid.prefix) + QLatin1String("Col") + word;
}

QString gridToolbarAction(const TGridSection &grid)
{
    return QLatin1String("Action") + QLatin1String(grid.prefix) + QLatin1String("Toolbar");
}

int clampToRange(int value, int low, int high)
{
    return std::clamp(value, low, std::max(low, high));
}

class TSettingsStore
{
public:
    TSettingsStore(TProgram &program, const QString &fileName)
        : m_program(program), m_fileName(fileName)
    {
    }

    // A missing or unreadable file reads as an empty one. One that is no
    // plain file of a sane size (a FIFO would hold the start forever, a link
    // to a device never ends) is not read either, and says why.
    void open()
    {
        const SmallFile file = readSmallFile(m_fileName);
        if (file.status == SmallFileStatus::Read)
            m_ini = IniFile::fromBytes(file.bytes);
        m_refusal = smallFileReason(file);
    }
    // Why the file was not read, or empty.
    QString openError() const
    {
        return m_refusal.isEmpty() ? QString()
                                   : FormatMsg2(msg(MsgFileNotRead), QDir::toNativeSeparators(m_fileName),
                                                m_refusal);
    }

    bool load(bool applySizes);
    void save();

private:
    template <typename T>
    T *find(const char *form, const QString &name) const
    {
        QWidget *window = m_program.Form(QLatin1String(form));
        return window ? window->findChild<T *>(name) : nullptr;
    }
    template <typename T>
    T *find(const char *form, const char *name) const
    {
        return find<T>(form, QString(QLatin1String(name)));
    }

    QString readText(const char *section, const QString &key, const QString &fallback) const
    {
        return m_ini.readString(QLatin1String(section), key, fallback);
    }
    int readInt(const char *section, const QString &key, int fallback) const
    {
        const std::optional<QString> raw = m_ini.value(QLatin1String(section), key);
        if (!raw)
            return fallback;
        return parseProfileInt(*raw).value_or(fallback);
    }
    bool readBool(const char *section, const QString &key, bool fallback) const
    {
        return readInt(section, key, fallback ? 1 : 0) != 0;
    }
    void writeText(const char *section, const QString &key, const QString &value)
    {
        m_ini.writeString(QLatin1String(section), key, oneLine(value));
    }
    void writeInt(const char *section, const QString &key, int value)
    {
        m_ini.writeString(QLatin1String(section), key, QString::number(value));
    }
    void writeBool(const char *section, const QString &key, bool value)
    {
        writeInt(section, key, value ? 1 : 0);
    }

    void loadKeys(const char *form, const char *section, std::span<const TControlKey> keys);
    void loadWebSources();
    void saveWebSources();
    void saveKeys(const char *form, const char *section, std::span<const TControlKey> keys);
    void loadGrid(const TGridSection &grid, int gridIndex);
    void saveGrid(const TGridSection &grid, int gridIndex);
    void loadPrintManager();
    void savePrintManager();
    void loadSizes();
    void saveSizes();
    void loadBackupFiles(bool notFirstStartUp);
    void saveBackupFiles();
    int loadLogoSize();
    void loadPassword();
    void savePassword();

    TProgram &m_program;
    QString m_fileName;
    IniFile m_ini;
    QString m_refusal;
};

void TSettingsStore::loadKeys(const char *form, const char *section, std::span<const TControlKey> keys)
{
    for (const TControlKey &k : keys) {
        const QString key = QLatin1String(k.key);
        if (k.checked == kTextKey) {
            QString value = readText(section, key, k.text());
            if (k.windowsDefault && value == QLatin1String(k.windowsDefault))
                value = k.text();
            if (auto *edit = find<QLineEdit>(form, k.control))
                edit->setText(value);
        } else {
            const bool value = readBool(section, key, k.checked != 0);
            setButtonChecked(find<QAbstractButton>(form, k.control), value);
        }
    }
}

void TSettingsStore::saveKeys(const char *form, const char *section, std::span<const TControlKey> keys)
{
    for (const TControlKey &k : keys) {
        const QString key = QLatin1String(k.key);
        if (k.checked == kTextKey) {
            const auto *edit = find<QLineEdit>(form, k.control);
            writeText(section, key, edit ? edit->text() : k.text());
        } else {
            const auto *button = find<QAbstractButton>(form, k.control);
            writeBool(section, key, button ? button->isChecked() : k.checked != 0);
        }
    }
}

QString positionKey(int column)
{
    return QStringLiteral("column%1Pos").arg(column);
}

QString widthKey(int column)
{
    return QStringLiteral("column%1Width").arg(column);
}

void TSettingsStore::loadGrid(const TGridSection &g, int gridIndex)
{
    if (auto *grid = find<TListGrid>("FrmMain", g.grid)) {
        TLgColumns *columns = grid->Columns();
        const int count = columns->Count();
        // A position outside the grid is ignored; the columns are then
        // placed in the order of their wanted positions (ties by index), which
        // reproduces any order the file describes whatever order the grid
        // had before.
        std::vector<int> wanted(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) {
            const int position = readInt(g.section, positionKey(i), i);
            wanted[std::size_t(i)] = position >= 0 && position < count ? position : i;
        }
        std::vector<int> order(static_cast<std::size_t>(count));
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(),
                         [&](int a, int b) { return wanted[std::size_t(a)] < wanted[std::size_t(b)]; });
        for (int position = 0; position < count; ++position)
            columns->Items(order[std::size_t(position)])->SetPosition(position);
        for (int i = 0; i < count; ++i) {
            TLgCustomColumn *column = columns->Items(i);
            if (column->Options().contains(coFixedSize))
                continue;
            const int width = readInt(g.section, widthKey(i), kDefaultColumnWidth);
            column->SetWidth(std::clamp(width, kMinColumnWidth, kMaxColumnWidth));
        }
    }
    for (const TGridFlag &flag : kGridFlags) {
        const int fallback = flag.defaults[std::size_t(gridIndex)];
        if (fallback == kNone)
            continue;
        const bool value = readBool(g.section, QLatin1String(flag.key), fallback != 0);
        if (auto *action = find<QAction>("FrmMain", gridFlagAction(g, flag)))
            action->setChecked(value);
    }
    const bool toolbar = readBool(g.section, QLatin1String(g.toolbarKey), true);
    if (auto *action = find<QAction>("FrmMain", gridToolbarAction(g)))
        action->setChecked(toolbar);
}

void TSettingsStore::saveGrid(const TGridSection &g, int gridIndex)
{
    if (auto *grid = find<TListGrid>("FrmMain", g.grid)) {
        // A hidden column is kept at the width best fit gives it.
        grid->FitPendingColumns();
        const TLgColumns *columns = grid->Columns();
        for (int i = 0; i < columns->Count(); ++i)
            writeInt(g.section, positionKey(i), columns->Items(i)->Position());
        for (int i = 0; i < columns->Count(); ++i)
            writeInt(g.section, widthKey(i), columns->Items(i)->Width());
    }
    for (const TGridFlag &flag : kGridFlags) {
        const int fallback = flag.defaults[std::size_t(gridIndex)];
        if (fallback == kNone)
            continue;
        const auto *action = find<QAction>("FrmMain", gridFlagAction(g, flag));
        writeBool(g.section, QLatin1String(flag.key), action ? action->isChecked() : fallback != 0);
    }
    const auto *action = find<QAction>("FrmMain", gridToolbarAction(g));
    writeBool(g.section, QLatin1String(g.toolbarKey), action ? action->isChecked() : true);
}

QColor colorFromNumber(int bgr)
{
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

int numberFromColor(const QColor &color)
{
    return color.red() | (color.green() << 8) | (color.blue() << 16);
}

void TSettingsStore::loadPrintManager()
{
    const char *section = "GUIPrintManager";
    // The list always comes back in this fixed order; the order the user
    // arranged for one print is not kept.
    auto *list = find<QListWidget>("FrmListGenerator", "Columns");
    if (list)
        list->clear();
    for (const TPrintColumn &column : kPrintColumns) {
        const QString name = QLatin1String(column.name);
        const bool checked = readBool(section, name, column.checked);
        if (list) {
            auto *item = new QListWidgetItem(name);
            item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
            item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
            list->addItem(item);
        }
    }
    loadKeys("FrmListGenerator", section, kPrintManagerKeys);
    for (const TColorKey &c : kPrintColors) {
        int number = readInt(section, QLatin1String(c.key), c.color);
        if (number < 0 || number > 0xFFFFFF)
            number = c.color;
        if (auto *picker = find<TLgColorPicker>("FrmListGenerator", c.control))
            picker->SetSelectedColor(colorFromNumber(number));
    }
}

void TSettingsStore::savePrintManager()
{
    const char *section = "GUIPrintManager";
    const auto *list = find<QListWidget>("FrmListGenerator", "Columns");
    for (const TPrintColumn &column : kPrintColumns) {
        const QString name = QLatin1String(column.name);
        bool checked = column.checked;
        if (list) {
            const QList<QListWidgetItem *> items = list->findItems(name, Qt::MatchExactly);
            if (!items.isEmpty())
                checked = items.first()->checkState() == Qt::Checked;
        }
        writeBool(section, name, checked);
    }
    saveKeys("FrmListGenerator", section, kPrintManagerKeys);
    for (const TColorKey &c : kPrintColors) {
        int number = c.color;
        if (const auto *picker = find<TLgColorPicker>("FrmListGenerator", c.control)) {
            if (const std::optional<QColor> color = picker->SelectedColor(); color && color->isValid())
                number = numberFromColor(*color);
        }
        writeInt(section, QLatin1String(c.key), number);
    }
}

void TSettingsStore::loadSizes()
{
    const char *section = "GUISizes";
    QWidget *main = m_program.Form(QStringLiteral("FrmMain"));
    if (!main)
        return;
    const QRect room = availableRoom(main);
    // Without a stored size (a first start) the window fits the screen it
    // starts on, rather than a size that suits one screen and cuts the
    // grids' columns on another.
    const bool stored = m_ini.value(QLatin1String(section), QStringLiteral("mainFormHeight"))
        || m_ini.value(QLatin1String(section), QStringLiteral("mainFormWidth"));
    const QSize fitted = firstStartSize(room);
    int height = stored ? readInt(section, QStringLiteral("mainFormHeight"), fitted.height()) : fitted.height();
    int width = stored ? readInt(section, QStringLiteral("mainFormWidth"), fitted.width()) : fitted.width();
    int panelWidth = readInt(section, QStringLiteral("bouquetPanelWidth"), 500);
    // A file from a larger screen, or a damaged one, must not put the
    // window beyond the screen or shrink it to nothing.
    height = clampToRange(height, kMinMainHeight, room.height());
    width = clampToRange(width, kMinMainWidth, room.width());
    main->resize(width, height);
    centreInRoom(main, room);
    if (auto *panel = main->findChild<QWidget *>(QStringLiteral("PnlBouquets"))) {
        panelWidth = clampToRange(panelWidth, kMinPanelWidth, width - kMinPanelWidth);
        setPanelWidth(panel, panelWidth);
    }
}

void TSettingsStore::saveSizes()
{
    const char *section = "GUISizes";
    const QWidget *main = m_program.Form(QStringLiteral("FrmMain"));
    writeInt(section, QStringLiteral("mainFormHeight"), main ? main->height() : 670);
    writeInt(section, QStringLiteral("mainFormWidth"), main ? main->width() : 1000);
    const QWidget *panel = main ? main->findChild<QWidget *>(QStringLiteral("PnlBouquets")) : nullptr;
    writeInt(section, QStringLiteral("bouquetPanelWidth"), panel ? panel->width() : 500);
}

QString backupFileKey(int index)
{
    return QStringLiteral("file#%1").arg(index);
}

void TSettingsStore::loadBackupFiles(bool notFirstStartUp)
{
    const char *section = "GUIBackupManager";
    auto *box = find<QListWidget>("FrmBackupManager", "BoxFiles");
    if (!box)
        return;
    box->clear();
    if (!notFirstStartUp) {
        box->addItem(QStringLiteral("/var/tuxbox/config/zapit/services.xml"));
        box->addItem(QStringLiteral("/var/tuxbox/config/zapit/bouquets.xml"));
        return;
    }
    const int count = std::clamp(readInt(section, QStringLiteral("fileCount"), 0), 0, kMaxBackupFiles);
    for (int i = 0; i < count; ++i)
        box->addItem(readText(section, backupFileKey(i), QStringLiteral("?")));
}

void TSettingsStore::saveBackupFiles()
{
    const char *section = "GUIBackupManager";
    const auto *box = find<QListWidget>("FrmBackupManager", "BoxFiles");
    const int count = box ? box->count() : 0;
    writeInt(section, QStringLiteral("fileCount"), count);
    // Keys at and beyond the count stay in the file, unread.
    for (int i = 0; i < count; ++i)
        writeText(section, backupFileKey(i), box->item(i)->text());
}

int TSettingsStore::loadLogoSize()
{
    const int height =
        logoHeightInRange(readInt("GUILogoImport", QStringLiteral("logoSize"), kDefaultLogoHeight));
    if (auto *slider = find<QSlider>("FrmLogoManager", "TrackBarSize"))
        slider->setValue(height);
    return height;
}

void TSettingsStore::loadPassword()
{
    // Without "save password" the edit keeps what it holds: at start-up
    // nothing, after a cancelled dialog what the user typed this session.
    const auto *saveBox = find<QAbstractButton>("FrmSettings", "CbxSavePass");
    const bool saved = saveBox ? saveBox->isChecked()
                               : readBool("GUISettings", QStringLiteral("savePassword"), false);
    auto *edit = find<QLineEdit>("FrmSettings", "EdtPass");
    if (!saved || !edit)
        return;
    const QString section = QStringLiteral("GUISettings");
    const QString key = QStringLiteral("password");
    QString stored = m_ini.readString(section, key);
    // The scrambled characters are bytes: a line that was not UTF-8 read
    // some of them as the Windows-1252 characters they stand for.
    if (m_ini.readAsWindows1252(section, key))
        stored = windows1252CharsToBytes(stored);
    edit->setText(scramblePassword(stored, kPasswordKey));
}

void TSettingsStore::savePassword()
{
    const QString section = QStringLiteral("GUISettings");
    const QString key = QStringLiteral("password");
    const auto *saveBox = find<QAbstractButton>("FrmSettings", "CbxSavePass");
    auto *edit = find<QLineEdit>("FrmSettings", "EdtPass");
    const bool keep = saveBox && saveBox->isChecked();
    const QString password = edit ? edit->text() : QString();
    const QString scrambled = scramblePassword(password, kPasswordKey);
    // Better no password in the file than one that reads back wrong.
    const bool refused = keep && !storableInIni(scrambled);
    if (keep && !refused)
        m_ini.writeString(section, key, scrambled);
    else
        m_ini.eraseKey(section, key);
    if (!edit)
        return;
    if (!refused) {
        edit->setProperty(kRefusedPasswordProperty, QVariant());
        return;
    }
    const QVariant told = edit->property(kRefusedPasswordProperty);
    if (told.isValid() && told.toString() == password)
        return;
    edit->setProperty(kRefusedPasswordProperty, password);
    if (m_program.Prompts)
        m_program.Prompts->messageBox(TPrompts::TMsgKind::Warning, msg(MsgPasswordNotStored),
                                      TPrompts::mbOK);
}

// No window shows these: they are edited in the file, and tests point them at
// servers of their own.
void TSettingsStore::loadWebSources()
{
    const char *section = "WebSources";
    m_program.ReadyMadeListUrl = readText(section, QStringLiteral("readyMadeListUrl"), m_program.ReadyMadeListUrl);
    m_program.KingOfSatUrl = readText(section, QStringLiteral("kingOfSatUrl"), m_program.KingOfSatUrl);
    m_program.LogoSiteUrl = readText(section, QStringLiteral("logoSiteUrl"), m_program.LogoSiteUrl);
}

void TSettingsStore::saveWebSources()
{
    const char *section = "WebSources";
    writeText(section, QStringLiteral("readyMadeListUrl"), m_program.ReadyMadeListUrl);
    writeText(section, QStringLiteral("kingOfSatUrl"), m_program.KingOfSatUrl);
    writeText(section, QStringLiteral("logoSiteUrl"), m_program.LogoSiteUrl);
}

bool TSettingsStore::load(bool applySizes)
{
    const bool notFirstStartUp = readBool("General", QStringLiteral("notFirstStartUp"), false);

    m_program.LastImportDir = readText("LastVars", QStringLiteral("lastImportDir"), QDir::homePath());
    m_program.LastSentMessage = readText("LastVars", QStringLiteral("lastSentMessage"),
                                         QStringLiteral("Honey, I'm back in 2 minutes!"));
    m_program.LastOrvikSettingsVersion =
        readText("LastVars", QStringLiteral("lastOrvikSettingsVersion"), msg(MsgNoneDownloaded));
    if (auto *edit = find<QLineEdit>("FrmImportExport", "EdtLastOrvikVersion"))
        edit->setText(m_program.LastOrvikSettingsVersion);

    for (std::size_t i = 0; i < kGridSections.size(); ++i)
        loadGrid(kGridSections[i], int(i));

    loadPrintManager();

    const bool listToolbar = readBool("GUIBouquetList", QStringLiteral("bouquetListGridToolbar"), true);
    if (auto *action = find<QAction>("FrmMain", "ActionBouListToolbar"))
        action->setChecked(listToolbar);

    if (applySizes)
        loadSizes();

    loadKeys("FrmOptimize", "Optimize", kOptimizeKeys);
    loadBackupFiles(notFirstStartUp);
    loadKeys("FrmImportExport", "GUIImportExport", kImportExportKeys);
    loadKeys("FrmImportNews", "GUIImportNews", kImportNewsKeys);
    loadKeys("FrmLogoManager", "GUILogoImport", kLogoImportKeys);
    const int logoHeight = loadLogoSize();
    loadKeys("FrmLogoManager", "Misc", kLogoMappingKeys);
    // Without the logo manager the file's size still sets the logos' size.
    if (find<QSlider>("FrmLogoManager", "TrackBarSize"))
        updateLogoSize(m_program);
    else
        applyLogoHeight(m_program, logoHeight);
    loadKeys("FrmSettings", "GUISettings", kReceiverKeys);
    loadPassword();
    loadKeys("FrmSettings", "GUIBackupManager", kBackupFolderKeys);
    loadKeys("FrmSettings", "Tools", kToolKeys);
    loadKeys("FrmSettings", "Misc", kSwitchKeys);
    loadWebSources();
    return notFirstStartUp;
}

void TSettingsStore::save()
{
    writeBool("General", QStringLiteral("notFirstStartUp"), true);

    writeText("LastVars", QStringLiteral("lastImportDir"), m_program.LastImportDir);
    writeText("LastVars", QStringLiteral("lastSentMessage"), m_program.LastSentMessage);
    writeText("LastVars", QStringLiteral("lastOrvikSettingsVersion"), m_program.LastOrvikSettingsVersion);

    for (std::size_t i = 0; i < kGridSections.size(); ++i)
        saveGrid(kGridSections[i], int(i));

    const auto *listToolbar = find<QAction>("FrmMain", "ActionBouListToolbar");
    writeBool("GUIBouquetList", QStringLiteral("bouquetListGridToolbar"),
              listToolbar ? listToolbar->isChecked() : true);

    savePrintManager();
    saveSizes();
    saveKeys("FrmOptimize", "Optimize", kOptimizeKeys);
    saveBackupFiles();
    saveKeys("FrmImportExport", "GUIImportExport", kImportExportKeys);
    saveKeys("FrmImportNews", "GUIImportNews", kImportNewsKeys);
    saveKeys("FrmLogoManager", "GUILogoImport", kLogoImportKeys);
    saveKeys("FrmLogoManager", "Misc", kLogoMappingKeys);
    const auto *slider = find<QSlider>("FrmLogoManager", "TrackBarSize");
    writeInt("GUILogoImport", QStringLiteral("logoSize"), slider ? slider->value() : kDefaultLogoHeight);
    saveKeys("FrmSettings", "GUISettings", kReceiverKeys);
    savePassword();
    saveKeys("FrmSettings", "GUIBackupManager", kBackupFolderKeys);
    saveKeys("FrmSettings", "Tools", kToolKeys);
    saveKeys("FrmSettings", "Misc", kSwitchKeys);
    saveWebSources();

    // What could not be read is not replaced either: saving through a link to
    // a device would replace the device.
    QString error = m_refusal;
    if (!error.isEmpty() || !m_ini.save(m_fileName, &error))
        throw Exception(FormatMsg2(msg(MsgSettingsNotWritten), QDir::toNativeSeparators(m_fileName), error));
}

QString settingsFileName(const TProgram &program, const QString &fileName, bool useDefaultFile)
{
    return useDefaultFile ? program.SettingsFile() : fileName;
}

} // namespace

bool loadConfig(TProgram &program, const QString &fileName, bool useDefaultFile, bool applySizes)
{
    return guardRoutine("loadConfig", [&] {
        TSettingsStore store(program, settingsFileName(program, fileName, useDefaultFile));
        store.open();
        const bool loaded = store.load(applySizes);
        // The defaults stand in for a file that was refused; the user learns why.
        if (!store.openError().isEmpty() && program.Prompts)
            program.Prompts->messageBox(TPrompts::TMsgKind::Warning, store.openError(),
                                        TPrompts::mbOK);
        return loaded;
    });
}

void saveConfig(TProgram &program, const QString &fileName, bool useDefaultFile)
{
    guardRoutine("saveConfig", [&] {
        TSettingsStore store(program, settingsFileName(program, fileName, useDefaultFile));
        store.open();
        store.save();
    });
}

QString scramblePassword(const QString &text, const QString &key)
{
    if (key.isEmpty())
        return text;
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const auto mask = char16_t(key.at(i % key.size()).unicode() + 128);
        result += QChar(char16_t(text.at(i).unicode() ^ mask));
    }
    return result;
}

void updateLogoSize(TProgram &program)
{
    const QWidget *logoManager = program.Form(QStringLiteral("FrmLogoManager"));
    const auto *slider = logoManager ? logoManager->findChild<QSlider *>(QStringLiteral("TrackBarSize")) : nullptr;
    if (slider)
        applyLogoHeight(program, slider->value());
}
