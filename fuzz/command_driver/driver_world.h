#pragma once

// The world the random-command driver plays in: the main window on a
// temporary program folder (the test programs' TProgramWorld), a loopback
// receiver, answers to every question drawn from the step's random source,
// and the checks made after each step.

#include "main_window_support.h"
#include "script_server.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <vector>

class QTimer;
class TListGrid;

// Every draw of a step comes from the step's own source, seeded from the run's
// seed and the step's number, so leaving steps out (to shorten a finding)
// changes nothing about the steps that remain.
class TDraw
{
public:
    void reseed(std::uint64_t seed, int step)
    {
        m_engine.seed(seed * 1000003u + std::uint64_t(step) * 7919u + 17u);
    }
    // 0 .. count-1 (0 when count is 0).
    int below(int count)
    {
        return count <= 0 ? 0 : std::uniform_int_distribution<int>(0, count - 1)(m_engine);
    }
    bool chance(int percent) { return below(100) < percent; }
    template <typename T>
    const T &pick(const std::vector<T> &items)
    {
        return items.at(std::size_t(below(int(items.size()))));
    }

private:
    std::mt19937_64 m_engine;
};

// Answers every question with one of the buttons it offers, types names
// (new, empty, blank, already there) or cancels, and writes each answer to the
// log so a run can be read back.
class TDrawnPrompts : public TPrompts
{
public:
    TDrawnPrompts(TDraw &draw, std::function<QStringList()> names) : m_draw(draw), m_names(std::move(names)) {}
    int messageBox(TMsgKind kind, const QString &text, int buttons) override;
    QString openFileName(const QString &, const QString &, const QString &, const QString &) override;
    QString saveFileName(const QString &, const QString &, const QString &, const QString &) override;
    bool inputQuery(const QString &caption, const QString &prompt, QString &text) override;
    // Questions asked in this step; a step that asks without end is cut short.
    int askedThisStep = 0;
    QStringList log;
    // Only names with a letter are typed (to get past a known fault).
    bool noBlankNames = false;

private:
    TDraw &m_draw;
    std::function<QStringList()> m_names;
};

// The five grids of the main window, with what the driver needs of each.
struct TGridInfo {
    const char *name;
    TListGrid *grid;
    int tabPage; // the page of its tab control
    bool leftSide;
};

// The lists a run starts on. The mixed ones put services of one kind
// (satellite or cable) beside my-services of the other, with the bouquets of
// the services' kind; the receiver then holds the reverse mix.
enum class TDriverLists { Demo, Big, CableWithSatelliteMine, SatelliteWithCableMine };

struct TDriverOptions {
    std::uint64_t seed = 1;
    int steps = 300;
    double minutes = 0;
    TDriverLists lists = TDriverLists::Demo;
    // Step numbers to run (empty: all of 1..steps).
    QList<int> only;
    // Command names left out (known faults, so a run gets past them).
    QStringList without;
    // Selection findings end the run (otherwise they are reported and the
    // expected selections follow the window again).
    bool strictSelection = false;
    bool reportOnly = false;
    bool verbose = false;
    // Save, Go Back and History items run while a file step of the
    // program's own fails (see driver_file_faults.h).
    bool fileFaults = false;
};

// The objects of every list, each with its name (for findings about objects
// that are gone by the time they are reported).
struct TModelObjects {
    QHash<const void *, QString> services, myServices, kingOfSat, bouquets, entries;
};

class TDriverWorld
{
public:
    explicit TDriverWorld(const TDriverOptions &options);
    ~TDriverWorld();

    TFrmMain &main() const { return m_world->main(); }
    TProgram &program() const { return m_world->program; }
    QString programFolder() const { return m_world->folder.path(); }
    TDraw draw;
    TDrawnPrompts prompts;
    const TDriverOptions options;

    // Whether the user left a command, tool button or menu item out by name.
    bool leftOut(const QString &name) const { return options.without.contains(name); }
    std::vector<TGridInfo> grids() const;
    const TGridInfo &gridInfo(const TListGrid *grid) const;
    // The model object a row shows, as the window keeps it (no dereference).
    const void *rowObject(const TListGrid *grid, int row) const;
    QString rowText(TListGrid *grid, int row) const;
    int nameColumn(const TListGrid *grid) const;

    // The loopback receiver and its faults.
    enum class ReceiverFault { None, WrongPassword, TruncatedServices, TruncatedBouquets };
    void setReceiverFault(ReceiverFault fault);
    bool receiverUp() const;

    // Acts on each modal window as it comes up: `act` for the next one, else
    // the default answer (OK or Cancel, drawn).
    std::function<void(QWidget *)> nextModal;
    QStringList modalLog;

    // Before a step: the logs emptied, the selections the user made kept,
    // by object.
    void newStep();
    void rememberSelections();
    // After a step: what differs from what must hold, one text per finding.
    // `chosen` are the grids whose selection the step itself chose.
    // `results` are what the grids a command acted on must select now.
    QStringList check(const QList<const TListGrid *> &chosen,
                      const QHash<const TListGrid *, QList<const void *>> &results, bool afterSave, int step);
    TModelObjects modelObjects() const;
    // The objects a grid's rows show, as the last check found them.
    const QSet<const void *> &shownObjects(const TListGrid *grid) const { return m_shown[grid]; }
    // What the user had selected in a grid when the step began.
    QList<const void *> selectionBefore(const TListGrid *grid) const { return m_expected.value(grid); }
    QString describeModel() const;
    QString describeSavedFiles() const;
    QString selectionText(const TListGrid *grid) const;

private:
    void startReceiver();
    void answerModal();
    void answer(QWidget *modal);
    QStringList checkRows();
    int blankBouquetNames() const;
    QStringList checkSelections(const QList<const TListGrid *> &chosen) const;
    QStringList checkResults(const QHash<const TListGrid *, QList<const void *>> &results) const;
    QStringList checkShown() const;
    QStringList checkCells(int step) const;
    QStringList checkServiceCells(TListGrid *grid, const TServiceList &list, const QList<int> &rows) const;
    QStringList checkBouquetCells(const QList<int> &rows) const;
    QStringList checkBouquetListCells() const;
    QList<int> rowsToCompare(const TListGrid *grid, int step) const;
    QString objectsText(const TListGrid *grid, const QList<const void *> &objects) const;

    std::unique_ptr<TProgramWorld> m_world;
    QTemporaryDir m_listSource;
    QTemporaryDir m_receiver;
    QTemporaryDir m_logs;
    std::unique_ptr<ScriptServer> m_ftp;
    QTimer *m_modalTimer = nullptr;
    QWidget *m_lastModal = nullptr;
    int m_modalTries = 0;
    int m_blankNames = 0;
    QHash<const TListGrid *, QList<const void *>> m_expected;
    mutable QHash<const TListGrid *, QSet<const void *>> m_shown;
};

// Whether two lists hold the same objects, in any order.
bool sameObjects(QList<const void *> a, QList<const void *> b);
// Lists a grid's selected rows as the objects they show.
QList<const void *> selectedObjects(const TDriverWorld &world, const TListGrid *grid);
