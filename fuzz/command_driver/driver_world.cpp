#include "driver_world.h"

#include "bench/app/list_generator.h"

#include "app/main/working_files.h"
#include "core/model/bouquet.h"
#include "core/model/bouquet_list.h"
#include "core/model/bouquet_service.h"
#include "core/model/satelite.h"
#include "core/model/save_handler.h"
#include "core/model/service.h"
#include "core/model/service_list.h"
#include "core/model/transponder.h"
#include "core/zapit/dialects.h"
#include "core/zapit/xml_file_handler.h"
#include "ui/grid/list_grid.h"
#include "ui/program/program.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

constexpr const char *kZapitDir = "/var/tuxbox/config/zapit";

QString buttonName(int button)
{
    switch (button) {
    case TPrompts::mbOK:
        return QStringLiteral("OK");
    case TPrompts::mbCancel:
        return QStringLiteral("Cancel");
    case TPrompts::mbYes:
        return QStringLiteral("Yes");
    case TPrompts::mbNo:
        return QStringLiteral("No");
    default:
        return QStringLiteral("Abort");
    }
}

QString oneLine(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" | "));
    text.replace(u'\n', QStringLiteral(" | "));
    return text.left(160);
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFileBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

// The values of an object that its level of the dialect writes.
template <typename T>
QString fieldsOf(const T &object, const DialectSpec *dialect, int level)
{
    QStringList values;
    if (dialect) {
        for (const AttributeSpec &attribute : dialect->levels.at(std::size_t(level)).attributes)
            values.append(QLatin1String(attribute.name) + u'=' + zapitField(object, attribute.field));
    }
    return values.join(u' ');
}

// A plain account of the four lists as far as their files hold them: each
// list's dialect, and of each object the values that dialect writes. The
// same lists give the same account.
QString describeLists(const TServiceList &services, const TServiceList &myServices,
                      const TServiceList &kingOfSat, const TBouquetList &bouquets)
{
    QString text;
    const auto serviceList = [&text](const char *title, const TServiceList &list, ZapitKind kind) {
        // An empty list has no file, and a file without services fits
        // several dialects: the dialect counts only where services tell it.
        bool anyService = false;
        list.forEachService([&anyService](TService *, TTransponder *, TSatelite *) { anyService = true; });
        const DialectSpec *dialect = findZapitDialect(kind, list.Format);
        text += !anyService ? QStringLiteral("%1 without services\n").arg(QLatin1String(title))
                            : QStringLiteral("%1 format %2 encoding %3\n")
                                  .arg(QLatin1String(title))
                                  .arg(list.Format)
                                  .arg(list.Encoding);
        for (int s = 0; s < list.Count(); ++s) {
            const TSatelite *sat = list.GetItem(s);
            text += QStringLiteral(" %1\n").arg(fieldsOf(*sat, dialect, 0));
            for (int t = 0; t < sat->Count(); ++t) {
                const TTransponder *tp = sat->GetItem(t);
                text += QStringLiteral("  %1\n").arg(fieldsOf(*tp, dialect, 1));
                for (int v = 0; v < tp->Count(); ++v)
                    text += QStringLiteral("   %1\n").arg(fieldsOf(*tp->GetItem(v), dialect, 2));
            }
        }
    };
    serviceList("services", services, ZapitKind::Services);
    serviceList("my services", myServices, ZapitKind::MyServices);
    serviceList("kingofsat", kingOfSat, ZapitKind::Services);
    bool anyEntry = false;
    for (int b = 0; b < bouquets.Count() && !anyEntry; ++b)
        anyEntry = bouquets.GetItem(b)->Count() > 0;
    const DialectSpec *dialect = findZapitDialect(ZapitKind::Bouquets, bouquets.Format);
    text += !anyEntry
        ? QStringLiteral("bouquets without entries\n")
        : QStringLiteral("bouquets format %1 encoding %2\n").arg(bouquets.Format).arg(bouquets.Encoding);
    for (int b = 0; b < bouquets.Count(); ++b) {
        const TBouquet *bouquet = bouquets.GetItem(b);
        text += QStringLiteral(" %1\n").arg(fieldsOf(*bouquet, dialect, 0));
        for (int e = 0; e < bouquet->Count(); ++e) {
            const TBouquetService *entry = bouquet->GetItem(e);
            text += QStringLiteral("  %1%2\n")
                        .arg(fieldsOf(*entry, dialect, 1),
                             entry->Service() ? QString() : QStringLiteral(" (unlinked)"));
        }
    }
    return text;
}

// The first lines where two accounts differ, for a finding.
QString firstDifference(const QString &a, const QString &b)
{
    const QStringList left = a.split(u'\n');
    const QStringList right = b.split(u'\n');
    for (int i = 0; i < std::max(left.size(), right.size()); ++i) {
        const QString l = left.value(i, QStringLiteral("<end>"));
        const QString r = right.value(i, QStringLiteral("<end>"));
        if (l != r) {
            QString section;
            for (int j = i; j >= 0 && section.isEmpty(); --j) {
                if (!left.at(j).startsWith(u' '))
                    section = left.at(j);
            }
            return QStringLiteral("%1, line %2: in memory \"%3\", loaded \"%4\"")
                .arg(section)
                .arg(i + 1)
                .arg(l.trimmed(), r.trimmed());
        }
    }
    return QString();
}

// A program folder's lists of two kinds: the services and their bouquets from
// one demo folder, the my-services from the other.
void copyMix(const QString &folder, const QString &servicesFrom, const QString &myServicesFrom)
{
    for (const char *name : {"Services.xml", "Bouquets.xml"})
        QFile::copy(servicesFrom + QLatin1String(name), folder + u'/' + QLatin1String(name));
    QFile::copy(myServicesFrom + QStringLiteral("MyServices.xml"), folder + QStringLiteral("/MyServices.xml"));
}

} // namespace

// ------------------------------------------------------------------ prompts

int TDrawnPrompts::messageBox(TMsgKind, const QString &text, int buttons)
{
    ++askedThisStep;
    QList<int> offered;
    for (int b : {mbOK, mbCancel, mbYes, mbNo, mbAbort}) {
        if (buttons & b)
            offered.append(b);
    }
    // A step that keeps asking is cut short by the answer that ends things.
    int answer = offered.isEmpty() ? int(mbOK) : offered.at(m_draw.below(int(offered.size())));
    if (askedThisStep > 20 && (buttons & mbCancel))
        answer = mbCancel;
    log.append(QStringLiteral("asked \"%1\" -> %2").arg(oneLine(text), buttonName(answer)));
    return answer;
}

QString TDrawnPrompts::openFileName(const QString &title, const QString &, const QString &, const QString &)
{
    log.append(QStringLiteral("file to open \"%1\" -> cancelled").arg(title));
    return QString();
}

QString TDrawnPrompts::saveFileName(const QString &title, const QString &, const QString &, const QString &)
{
    log.append(QStringLiteral("file to save \"%1\" -> cancelled").arg(title));
    return QString();
}

bool TDrawnPrompts::inputQuery(const QString &caption, const QString &, QString &text)
{
    ++askedThisStep;
    if (askedThisStep > 20 || m_draw.chance(20)) {
        log.append(QStringLiteral("input \"%1\" -> Cancel").arg(caption));
        return false;
    }
    const QStringList names = m_names();
    const int kind = m_draw.below(5);
    switch (noBlankNames && kind < 2 ? 4 : kind) {
    case 0:
        text = QString();
        break;
    case 1:
        text = QStringLiteral("   ");
        break;
    case 2:
        // A name already there: receivers allow it, and the window must tell
        // the bouquets apart.
        if (!names.isEmpty()) {
            text = names.at(m_draw.below(int(names.size())));
            break;
        }
        [[fallthrough]];
    default:
        text = QStringLiteral("Bouquet %1").arg(m_draw.below(1000));
        break;
    }
    log.append(QStringLiteral("input \"%1\" -> \"%2\"").arg(caption, text));
    return true;
}

// -------------------------------------------------------------------- world

TDriverWorld::TDriverWorld(const TDriverOptions &opts)
    : prompts(draw,
              [this] {
                  QStringList names;
                  if (program().BouquetList) {
                      for (int b = 0; b < program().BouquetList->Count(); ++b)
                          names.append(program().BouquetList->GetItem(b)->Name);
                  }
                  return names;
              }),
      options(opts)
{
    m_world = std::make_unique<TProgramWorld>(options.lists == TDriverLists::Demo ? TProgramWorld::DemoLists
                                                                                  : TProgramWorld::NoLists);
    const QString satellite = QStringLiteral(PELLORAN_DEMO_DIR "/");
    const QString cable = QStringLiteral(PELLORAN_DEMO_DIR "/cable/");
    switch (options.lists) {
    case TDriverLists::Demo:
        break;
    case TDriverLists::Big: {
        TGeneratedListSizes sizes;
        sizes.services = 20000;
        sizes.myServices = 2000;
        sizes.bouquets = 40;
        sizes.bouquetEntries = 200;
        writeGeneratedLists(m_listSource.path(), sizes);
        for (const char *name : {"Services.xml", "MyServices.xml", "Bouquets.xml"})
            QFile::copy(m_listSource.filePath(QLatin1String(name)), m_world->path(QLatin1String(name)));
        break;
    }
    case TDriverLists::CableWithSatelliteMine:
        copyMix(m_world->folder.path(), cable, satellite);
        copyMix(m_listSource.path(), satellite, cable);
        break;
    case TDriverLists::SatelliteWithCableMine:
        copyMix(m_world->folder.path(), satellite, cable);
        copyMix(m_listSource.path(), cable, satellite);
        break;
    }
    if (options.lists != TDriverLists::Demo)
        QFile::copy(satellite + QStringLiteral("KingOfSat.xml"), m_world->path("KingOfSat.xml"));
    prompts.noBlankNames = leftOut(QStringLiteral("blank-names"));
    program().Prompts = &prompts;
    m_world->start();
    startReceiver();
    m_modalTimer = new QTimer(qApp);
    m_modalTimer->setInterval(20);
    QObject::connect(m_modalTimer, &QTimer::timeout, m_modalTimer, [this] { answerModal(); });
    m_modalTimer->start();
    rememberSelections();
}

TDriverWorld::~TDriverWorld()
{
    delete m_modalTimer;
    m_world.reset();
}

void TDriverWorld::startReceiver()
{
    const QString zapit = m_receiver.filePath(QLatin1String(kZapitDir).mid(1));
    QDir().mkpath(zapit);
    setReceiverFault(ReceiverFault::None);
    m_ftp = std::make_unique<ScriptServer>(
        QStringLiteral("ftp_server.py"),
        QStringList{"--root", m_receiver.path(), "--user", "root", "--password", "dbox2", "--log",
                    m_logs.filePath("ftp.log")});
    QWidget *settings = program().Form(QStringLiteral("FrmSettings"));
    const auto set = [settings](const char *name, const QString &text) {
        if (auto *edit = settings->findChild<QLineEdit *>(QLatin1String(name)))
            edit->setText(text);
    };
    set("EdtIp", QStringLiteral("127.000.000.001"));
    set("EdtPort", QStringLiteral("%1").arg(m_ftp->port(), 5, 10, QLatin1Char('0')));
    set("EdtAccount", QStringLiteral("root"));
    set("EdtPass", QStringLiteral("dbox2"));
    set("EdtRemoteDir", QLatin1String(kZapitDir));
}

bool TDriverWorld::receiverUp() const
{
    return m_ftp && m_ftp->port() > 0;
}

void TDriverWorld::setReceiverFault(ReceiverFault fault)
{
    const QString zapit = m_receiver.filePath(QLatin1String(kZapitDir).mid(1));
    // The receiver holds the cable demo lists, or the generated files the
    // program started on, or the reverse of the program's mix of kinds.
    const QString demo = options.lists != TDriverLists::Demo ? m_listSource.path() + u'/'
                                                             : QStringLiteral(PELLORAN_DEMO_DIR "/cable/");
    for (auto [from, to] : {std::pair{"Services.xml", "/services.xml"}, std::pair{"Bouquets.xml", "/bouquets.xml"},
                            std::pair{"MyServices.xml", "/myservices.xml"}}) {
        QByteArray bytes = fileBytes(demo + QLatin1String(from));
        const bool cut = (fault == ReceiverFault::TruncatedServices && QLatin1String(from) == QLatin1String("Services.xml"))
            || (fault == ReceiverFault::TruncatedBouquets && QLatin1String(from) == QLatin1String("Bouquets.xml"));
        if (cut)
            bytes.truncate(bytes.size() / 2);
        writeFileBytes(zapit + QLatin1String(to), bytes);
    }
    if (!m_world->program.FrmMain)
        return;
    if (auto *edit = program().Form(QStringLiteral("FrmSettings"))->findChild<QLineEdit *>(QStringLiteral("EdtPass")))
        edit->setText(fault == ReceiverFault::WrongPassword ? QStringLiteral("wrong") : QStringLiteral("dbox2"));
}

void TDriverWorld::answerModal()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal) {
        m_lastModal = nullptr;
        return;
    }
    if (modal == m_lastModal) {
        // Answered, yet still up: closed the hard way after a while, and said.
        if (++m_modalTries % 150 == 0) {
            modalLog.append(QStringLiteral("STUCK %1 stayed open after its answer; closed").arg(modal->objectName()));
            if (auto *dialog = qobject_cast<QDialog *>(modal))
                dialog->reject();
            else
                modal->close();
        }
        return;
    }
    m_lastModal = modal;
    m_modalTries = 0;
    // The answer runs once this tick is over: a dialog the answer opens in
    // turn must find the watch free to answer it.
    QPointer<QWidget> guard(modal);
    QTimer::singleShot(0, modal, [this, guard] {
        if (guard)
            answer(guard);
    });
}

void TDriverWorld::answer(QWidget *modal)
{
    // The same dialog may come up again in a moment: each showing is answered.
    if (auto *dialog = qobject_cast<QDialog *>(modal))
        QObject::connect(dialog, &QDialog::finished, m_modalTimer, [this] { m_lastModal = nullptr; },
                         Qt::SingleShotConnection);
    if (nextModal) {
        const auto act = std::move(nextModal);
        nextModal = nullptr;
        modalLog.append(QStringLiteral("modal %1: scripted").arg(modal->objectName()));
        act(modal);
        return;
    }
    QAbstractButton *yes = nullptr;
    QAbstractButton *no = nullptr;
    for (const char *name : {"BtnOk", "BtnOptimize"}) {
        if (!yes)
            yes = modal->findChild<QAbstractButton *>(QLatin1String(name));
    }
    for (const char *name : {"BtnCancel", "BtnClose"}) {
        if (!no)
            no = modal->findChild<QAbstractButton *>(QLatin1String(name));
    }
    const int choice = draw.below(3);
    if (choice == 0 && yes) {
        modalLog.append(QStringLiteral("modal %1: %2").arg(modal->objectName(), yes->objectName()));
        QTest::mouseClick(yes, Qt::LeftButton);
    } else if (choice == 1 && no) {
        modalLog.append(QStringLiteral("modal %1: %2").arg(modal->objectName(), no->objectName()));
        QTest::mouseClick(no, Qt::LeftButton);
    } else {
        modalLog.append(QStringLiteral("modal %1: Escape").arg(modal->objectName()));
        QTest::keyClick(modal, Qt::Key_Escape);
    }
}

std::vector<TGridInfo> TDriverWorld::grids() const
{
    TFrmMain &m = main();
    return {
        {"services", m.ServicesGrid, 0, true},
        {"my services", m.MyServicesGrid, 1, true},
        {"KingOfSat", m.KingOfSatGrid, 2, true},
        {"bouquet", m.BouquetGrid, 0, false},
        {"bouquet list", m.BouquetListGrid, 1, false},
    };
}

const TGridInfo &TDriverWorld::gridInfo(const TListGrid *grid) const
{
    static std::vector<TGridInfo> all;
    all = grids();
    for (const TGridInfo &info : all) {
        if (info.grid == grid)
            return info;
    }
    return all.front();
}

int TDriverWorld::nameColumn(const TListGrid *grid) const
{
    for (const char *column : {"ColSerName", "ColMySerName", "ColKofSerName", "ColBouName", "ColName"}) {
        const int col = TFrmMain::ColumnByName(grid, QLatin1String(column));
        if (col >= 0)
            return col;
    }
    return 0;
}

const void *TDriverWorld::rowObject(const TListGrid *grid, int row) const
{
    TFrmMain &m = main();
    auto *g = const_cast<TListGrid *>(grid);
    if (grid == m.BouquetListGrid)
        return g->Cell(0, row)->ObjectReference();
    if (grid == m.BouquetGrid) {
        if (const void *source = grid->RowSource(row))
            return source;
        return g->Cell(TFrmMain::ColumnByName(grid, QStringLiteral("ColBouSTypeIcon")), row)->ObjectReference();
    }
    if (const auto *ref = static_cast<const TServiceRowRef *>(grid->RowSource(row)))
        return ref->service;
    const char *icon = grid == m.ServicesGrid ? "ColSerSTypeIcon"
        : grid == m.MyServicesGrid            ? "ColMySerSTypeIcon"
                                              : "ColKofSerSTypeIcon";
    return g->Cell(TFrmMain::ColumnByName(grid, QLatin1String(icon)), row)->ObjectReference();
}

QString TDriverWorld::rowText(TListGrid *grid, int row) const
{
    if (row < 0 || row >= grid->RowCount())
        return QStringLiteral("<no row %1>").arg(row);
    return QStringLiteral("%1 \"%2\"").arg(row).arg(grid->Cells(nameColumn(grid), row));
}

bool sameObjects(QList<const void *> a, QList<const void *> b)
{
    // Not QList's ==: on empty lists it hands memcmp a null pointer.
    if (a.size() != b.size())
        return false;
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    return std::equal(a.cbegin(), a.cend(), b.cbegin());
}

QList<const void *> selectedObjects(const TDriverWorld &world, const TListGrid *grid)
{
    QList<const void *> objects;
    for (int row = 0; row < grid->RowCount(); ++row) {
        if (grid->Selected(row))
            objects.append(world.rowObject(grid, row));
    }
    return objects;
}

QString TDriverWorld::selectionText(const TListGrid *grid) const
{
    QStringList rows;
    for (int row = 0; row < grid->RowCount(); ++row) {
        if (grid->Selected(row))
            rows.append(rowText(const_cast<TListGrid *>(grid), row));
    }
    if (rows.size() > 6)
        rows = rows.mid(0, 6) << QStringLiteral("... (%1 in all)").arg(rows.size());
    return QStringLiteral("[") + rows.join(QStringLiteral(", ")) + QStringLiteral("]");
}

void TDriverWorld::newStep()
{
    prompts.askedThisStep = 0;
    prompts.log.clear();
    modalLog.clear();
    m_lastModal = nullptr;
    m_blankNames = blankBouquetNames();
    rememberSelections();
}

int TDriverWorld::blankBouquetNames() const
{
    int blank = 0;
    for (int b = 0; b < program().BouquetList->Count(); ++b)
        blank += program().BouquetList->GetItem(b)->Name.trimmed().isEmpty() ? 1 : 0;
    return blank;
}

void TDriverWorld::rememberSelections()
{
    m_expected.clear();
    for (const TGridInfo &info : grids())
        m_expected.insert(info.grid, selectedObjects(*this, info.grid));
}

QStringList TDriverWorld::checkRows()
{
    QStringList findings;
    TProgram &p = program();
    QSet<const void *> services, myServices, kingOfSat, entries, bouquets;
    const auto collect = [](const TServiceList &list, QSet<const void *> &into) {
        list.forEachService([&into](TService *s, TTransponder *, TSatelite *) { into.insert(s); });
    };
    collect(*p.ServiceList, services);
    collect(*p.MyServiceList, myServices);
    collect(*p.KingOfSatList, kingOfSat);
    for (int b = 0; b < p.BouquetList->Count(); ++b)
        bouquets.insert(p.BouquetList->GetItem(b));
    TBouquet *shown = main().CurrentBouquet();
    if (shown) {
        for (int e = 0; e < shown->Count(); ++e)
            entries.insert(shown->GetItem(e));
    }
    const std::pair<const TListGrid *, const QSet<const void *> *> sets[] = {
        {main().ServicesGrid, &services},   {main().MyServicesGrid, &myServices},
        {main().KingOfSatGrid, &kingOfSat}, {main().BouquetGrid, &entries},
        {main().BouquetListGrid, &bouquets},
    };
    m_shown.clear();
    for (const auto &[grid, valid] : sets) {
        QSet<const void *> &seen = m_shown[grid];
        int bad = 0;
        for (int row = 0; row < grid->RowCount(); ++row) {
            const void *object = rowObject(grid, row);
            if (!valid->contains(object)) {
                if (++bad <= 3)
                    findings.append(QStringLiteral("ROWS %1 grid row %2 shows %3, which is not in %4")
                                        .arg(QLatin1String(gridInfo(grid).name))
                                        .arg(row)
                                        .arg(object ? QStringLiteral("an object") : QStringLiteral("nothing"))
                                        .arg(grid == main().BouquetGrid ? QStringLiteral("the combo's bouquet")
                                                                        : QStringLiteral("the model")));
                continue;
            }
            if (seen.contains(object))
                findings.append(QStringLiteral("ROWS %1 grid shows one object twice (row %2)")
                                    .arg(QLatin1String(gridInfo(grid).name))
                                    .arg(row));
            seen.insert(object);
        }
        if (bad > 3)
            findings.append(QStringLiteral("ROWS %1 grid: %2 such rows in all").arg(QLatin1String(gridInfo(grid).name)).arg(bad));
    }
    // The bouquet list and the combo list every bouquet, in the list's order.
    TListGrid *list = main().BouquetListGrid;
    if (findings.isEmpty()) {
        if (list->RowCount() != p.BouquetList->Count())
            findings.append(QStringLiteral("ROWS bouquet list shows %1 rows for %2 bouquets")
                                .arg(list->RowCount())
                                .arg(p.BouquetList->Count()));
        for (int row = 0; row < std::min(list->RowCount(), p.BouquetList->Count()); ++row) {
            if (rowObject(list, row) != p.BouquetList->GetItem(row)) {
                findings.append(QStringLiteral("ROWS bouquet list row %1 is not bouquet %1").arg(row));
                break;
            }
        }
    }
    if (main().ComboBouquets->count() != p.BouquetList->Count())
        findings.append(QStringLiteral("ROWS bouquet combo has %1 items for %2 bouquets")
                            .arg(main().ComboBouquets->count())
                            .arg(p.BouquetList->Count()));
    return findings;
}

QStringList TDriverWorld::checkSelections(const QList<const TListGrid *> &chosen) const
{
    QStringList findings;
    for (const TGridInfo &info : grids()) {
        if (chosen.contains(info.grid))
            continue;
        const QSet<const void *> &shown = m_shown[info.grid];
        QList<const void *> expected;
        for (const void *object : m_expected.value(info.grid)) {
            if (shown.contains(object))
                expected.append(object);
        }
        if (sameObjects(expected, selectedObjects(*this, info.grid)))
            continue;
        std::sort(expected.begin(), expected.end());
        QStringList wanted;
        for (int row = 0; row < info.grid->RowCount() && wanted.size() < 6; ++row) {
            if (std::binary_search(expected.begin(), expected.end(), rowObject(info.grid, row)))
                wanted.append(rowText(info.grid, row));
        }
        findings.append(QStringLiteral("SELECTION %1 grid: the user's selection [%2] (%3 rows) became %4")
                            .arg(QLatin1String(info.name), wanted.join(QStringLiteral(", ")))
                            .arg(expected.size())
                            .arg(selectionText(info.grid)));
    }
    return findings;
}

QStringList TDriverWorld::check(const QList<const TListGrid *> &chosen,
                                const QHash<const TListGrid *, QList<const void *>> &results, bool afterSave, int step)
{
    QStringList findings = checkRows();
    for (const QString &line : modalLog) {
        if (line.startsWith(QLatin1String("STUCK")))
            findings.append(line);
    }
    // A bouquet needs a name the user can tell it by.
    if (blankBouquetNames() > m_blankNames)
        findings.append(QStringLiteral("NAME a bouquet with an empty or blank name was made"));
    // Selections and cells are only read on rows that show live objects.
    if (findings.isEmpty()) {
        QList<const TListGrid *> acted = chosen;
        for (auto it = results.cbegin(); it != results.cend(); ++it)
            acted.append(it.key());
        findings += checkSelections(acted);
        findings += checkResults(results);
        findings += checkShown();
        findings += checkCells(step);
    }
    if (afterSave && SaveHandler().Saved()) {
        const QString memory = describeModel();
        const QString files = describeSavedFiles();
        if (memory != files)
            findings.append(QStringLiteral("ROUNDTRIP saved lists load differently: ") + firstDifference(memory, files));
    }
    return findings;
}

QString TDriverWorld::objectsText(const TListGrid *grid, const QList<const void *> &objects) const
{
    QStringList rows;
    for (int row = 0; row < grid->RowCount() && rows.size() < 6; ++row) {
        if (objects.contains(rowObject(grid, row)))
            rows.append(rowText(const_cast<TListGrid *>(grid), row));
    }
    if (objects.size() > rows.size())
        rows.append(QStringLiteral("... (%1 in all)").arg(objects.size()));
    return QStringLiteral("[") + rows.join(QStringLiteral(", ")) + QStringLiteral("]");
}

QStringList TDriverWorld::checkResults(const QHash<const TListGrid *, QList<const void *>> &results) const
{
    // A command that acted on a grid leaves exactly its result selected
    // there (of it, the rows the grid's filter shows).
    QStringList findings;
    for (const TGridInfo &info : grids()) {
        const auto result = results.constFind(info.grid);
        if (result == results.cend())
            continue;
        const QSet<const void *> &shown = m_shown[info.grid];
        QList<const void *> expected;
        for (const void *object : *result) {
            if (shown.contains(object) && !expected.contains(object))
                expected.append(object);
        }
        if (!sameObjects(expected, selectedObjects(*this, info.grid)))
            findings.append(QStringLiteral("RESULT %1 grid: the command's result %2 (%3 rows) but %4 is selected")
                                .arg(QLatin1String(info.name), objectsText(info.grid, expected))
                                .arg(expected.size())
                                .arg(selectionText(info.grid)));
    }
    return findings;
}

QStringList TDriverWorld::checkShown() const
{
    // Every object a grid's filter lets through has its row: a grid whose
    // rows were not made again after the model changed misses the new ones.
    QStringList findings;
    TFrmMain &m = main();
    TProgram &p = program();
    const auto on = [&m](const char *action) {
        const QAction *a = m.ActionByName(QLatin1String(action));
        return !a || a->isChecked();
    };
    const auto report = [&](const TListGrid *grid, const QStringList &missing, int count) {
        if (count > 0)
            findings.append(QStringLiteral("SHOWN %1 grid: %2 objects its filter shows have no row: %3")
                                .arg(QLatin1String(gridInfo(grid).name))
                                .arg(count)
                                .arg(missing.join(QStringLiteral(", "))));
    };
    const auto services = [&](const TListGrid *grid, const TServiceList &list,
                              const std::function<bool(const TService &)> &filteredOut) {
        const QSet<const void *> &shown = m_shown[grid];
        QStringList missing;
        int count = 0;
        list.forEachService([&](TService *service, TTransponder *, TSatelite *) {
            if (shown.contains(service) || filteredOut(*service))
                return;
            if (++count <= 4)
                missing.append(QStringLiteral("\"%1\"").arg(service->Name));
        });
        report(grid, missing, count);
    };
    {
        const bool tv = on("ActionSerFilterTv"), radio = on("ActionSerFilterRadio"), data = on("ActionSerFilterData");
        const QString text = m.EdtFilterServices->text();
        services(m.ServicesGrid, *p.ServiceList,
                 [&](const TService &s) { return s.IsFilteredOut(tv, radio, data, text); });
    }
    {
        const bool tv = on("ActionMySerFilterTv"), radio = on("ActionMySerFilterRadio"),
                   other = on("ActionMySerFilterOther"), anti = on("ActionMySerFilterAnti"),
                   my = on("ActionMySerFilterMy"), replace = on("ActionMySerFilterReplace"),
                   obsolete = on("ActionMySerFilterObsolete");
        const QString text = m.EdtFilterMyservices->text();
        services(m.MyServicesGrid, *p.MyServiceList, [&](const TService &s) {
            return s.IsFilteredOutMy(tv, radio, other, anti, my, replace, obsolete, text);
        });
    }
    {
        const QString text = m.EdtFilterKingOfSat->text();
        services(m.KingOfSatGrid, *p.KingOfSatList,
                 [&](const TService &s) { return s.IsFilteredOut(true, true, true, text); });
    }
    if (const TBouquet *bouquet = m.CurrentBouquet()) {
        const bool tv = on("ActionBouFilterTv"), radio = on("ActionBouFilterRadio"), data = on("ActionBouFilterData"),
                   obsolete = on("ActionBouFilterObsolete");
        const QString text = m.EdtFilterBouquet->text();
        const QSet<const void *> &shown = m_shown[m.BouquetGrid];
        QStringList missing;
        int count = 0;
        for (int e = 0; e < bouquet->Count(); ++e) {
            const TBouquetService *entry = bouquet->GetItem(e);
            if (shown.contains(entry) || entry->IsFilteredOut(tv, radio, data, obsolete, text))
                continue;
            if (++count <= 4)
                missing.append(QStringLiteral("\"%1\"").arg(entry->Name));
        }
        report(m.BouquetGrid, missing, count);
    }
    return findings;
}

QList<int> TDriverWorld::rowsToCompare(const TListGrid *grid, int step) const
{
    // The rows on screen, the rows selected before and after the step (what
    // commands act on and what they give), and a block of the others that
    // moves on with the step number, so that a long run reads every row.
    constexpr int kBlock = 120;
    const int rows = grid->RowCount();
    QSet<int> chosen;
    const int top = std::max(0, grid->FirstVisibleRow());
    for (int row = top; row < std::min(rows, top + grid->FullyVisibleRows() + 2); ++row)
        chosen.insert(row);
    const QList<const void *> selected = m_expected.value(grid);
    const QSet<const void *> before(selected.cbegin(), selected.cend());
    for (int row = 0; row < rows; ++row) {
        if (grid->Selected(row) || (!before.isEmpty() && before.contains(rowObject(grid, row))))
            chosen.insert(row);
        if (chosen.size() > 4 * kBlock)
            break;
    }
    if (rows > 0) {
        const int blocks = (rows + kBlock - 1) / kBlock;
        const int first = (step % blocks) * kBlock;
        for (int row = first; row < std::min(rows, first + kBlock); ++row)
            chosen.insert(row);
    }
    QList<int> list(chosen.cbegin(), chosen.cend());
    std::sort(list.begin(), list.end());
    return list;
}

QStringList TDriverWorld::checkCells(int step) const
{
    TFrmMain &m = main();
    TProgram &p = program();
    QStringList findings;
    findings += checkServiceCells(m.ServicesGrid, *p.ServiceList, rowsToCompare(m.ServicesGrid, step));
    findings += checkServiceCells(m.MyServicesGrid, *p.MyServiceList, rowsToCompare(m.MyServicesGrid, step));
    findings += checkServiceCells(m.KingOfSatGrid, *p.KingOfSatList, rowsToCompare(m.KingOfSatGrid, step));
    findings += checkBouquetCells(rowsToCompare(m.BouquetGrid, step));
    findings += checkBouquetListCells();
    return findings;
}

namespace {

// A cell that differs from the model, said once per grid and step.
QString cellFinding(const char *grid, int row, const QString &column, const QString &shown, const QString &model)
{
    return QStringLiteral("CELLS %1 grid row %2 %3 shows \"%4\", the model holds \"%5\"")
        .arg(QLatin1String(grid))
        .arg(row)
        .arg(column, shown.left(80), model.left(80));
}

QString bouquetColumnText(const TService &service)
{
    if (!service.IsInBouquet())
        return QString();
    QString text = service.BouquetNamesText();
    text.remove(u'"');
    text.replace(QStringLiteral(","), QStringLiteral(", "));
    return text;
}

} // namespace

QStringList TDriverWorld::checkServiceCells(TListGrid *grid, const TServiceList &list, const QList<int> &rows) const
{
    if (rows.isEmpty())
        return {};
    // Where each compared service lives now, from the model, not the row.
    QHash<const void *, std::pair<const TTransponder *, const TSatelite *>> places;
    for (int row : rows)
        places.insert(rowObject(grid, row), {nullptr, nullptr});
    list.forEachService([&places](TService *s, TTransponder *tp, TSatelite *sat) {
        if (auto it = places.find(s); it != places.end())
            *it = {tp, sat};
    });
    using Getter = QString (*)(const TService &, const TTransponder &, const TSatelite &);
    struct Column {
        const char *suffix;
        Getter value;
    };
    static const Column columns[] = {
        {"Name", [](const TService &s, const TTransponder &, const TSatelite &) { return s.Name; }},
        {"SIDHEX", [](const TService &s, const TTransponder &, const TSatelite &) { return s.Sid; }},
        {"STypeHEX", [](const TService &s, const TTransponder &, const TSatelite &) { return s.GetServiceType(); }},
        {"STypeDEC", [](const TService &s, const TTransponder &, const TSatelite &) { return s.GetServiceTypeDec(); }},
        {"TSIDHEX", [](const TService &, const TTransponder &t, const TSatelite &) { return t.Tsid; }},
        {"TSIDDEC", [](const TService &, const TTransponder &t, const TSatelite &) { return t.GetTsidDec(); }},
        {"ONIDHEX", [](const TService &, const TTransponder &t, const TSatelite &) { return t.Onid; }},
        {"ONIDDEC", [](const TService &, const TTransponder &t, const TSatelite &) { return t.GetOnidDec(); }},
        {"SR", [](const TService &, const TTransponder &t, const TSatelite &) { return t.SymbolRate; }},
        {"FEC", [](const TService &, const TTransponder &t, const TSatelite &) { return t.Fec; }},
        {"Polarization", [](const TService &, const TTransponder &t, const TSatelite &) { return t.Polarization; }},
        {"Frequency", [](const TService &, const TTransponder &t, const TSatelite &) { return t.Frequency; }},
        {"Sat", [](const TService &, const TTransponder &, const TSatelite &sat) { return sat.Name; }},
        {"DiSEqC", [](const TService &, const TTransponder &, const TSatelite &sat) { return sat.Diseqc; }},
        {"Bouquet", [](const TService &s, const TTransponder &, const TSatelite &) { return bouquetColumnText(s); }},
    };
    TFrmMain &m = main();
    const QString prefix = grid == m.ServicesGrid ? QStringLiteral("ColSer")
        : grid == m.MyServicesGrid               ? QStringLiteral("ColMySer")
                                                 : QStringLiteral("ColKofSer");
    std::vector<std::pair<int, const Column *>> present;
    for (const Column &column : columns) {
        const int col = TFrmMain::ColumnByName(grid, prefix + QLatin1String(column.suffix));
        if (col >= 0)
            present.emplace_back(col, &column);
    }
    const int typeIcon = TFrmMain::ColumnByName(grid, prefix + QStringLiteral("STypeIcon"));
    const int actionIcon = TFrmMain::ColumnByName(grid, prefix + QStringLiteral("ActionIcon"));
    const char *name = gridInfo(grid).name;
    for (int row : rows) {
        const auto *service = static_cast<const TService *>(rowObject(grid, row));
        const auto [tp, sat] = places.value(service);
        if (!service || !tp || !sat)
            continue;
        for (const auto &[col, column] : present) {
            const QString shown = grid->MeasureText(col, row);
            const QString model = column->value(*service, *tp, *sat);
            if (shown != model)
                return {cellFinding(name, row, QLatin1String(column->suffix), shown, model)};
        }
        // Icons are only held by rows already written; the others are
        // written from the model when shown.
        if (!grid->RowFilled(row))
            continue;
        const int icon = service->GetTypeIconIndex();
        if (typeIcon >= 0 && grid->Cell(typeIcon, row)->AsInteger() != icon)
            return {cellFinding(name, row, QStringLiteral("STypeIcon"), grid->Cells(typeIcon, row),
                                QString::number(icon))};
        const int action = grid == m.ServicesGrid ? service->GetMyActionIconIndex() : service->GetActionIconIndex();
        if (actionIcon >= 0 && grid->Cell(actionIcon, row)->AsInteger() != action)
            return {cellFinding(name, row, QStringLiteral("ActionIcon"), grid->Cells(actionIcon, row),
                                QString::number(action))};
    }
    return {};
}

QStringList TDriverWorld::checkBouquetCells(const QList<int> &rows) const
{
    TListGrid *grid = main().BouquetGrid;
    const int name = TFrmMain::ColumnByName(grid, QStringLiteral("ColBouName"));
    const int frequency = TFrmMain::ColumnByName(grid, QStringLiteral("ColBouFrequency"));
    const int typeIcon = TFrmMain::ColumnByName(grid, QStringLiteral("ColBouSTypeIcon"));
    const int actionIcon = TFrmMain::ColumnByName(grid, QStringLiteral("ColBouActionIcon"));
    for (int row : rows) {
        const auto *entry = static_cast<const TBouquetService *>(rowObject(grid, row));
        if (!entry)
            continue;
        const QString model[] = {entry->Name, entry->Transponder() ? entry->Transponder()->Frequency : QString()};
        const int cols[] = {name, frequency};
        for (int k = 0; k < 2; ++k) {
            const QString shown = cols[k] >= 0 ? grid->MeasureText(cols[k], row) : model[k];
            if (shown != model[k])
                return {cellFinding("bouquet", row, k == 0 ? QStringLiteral("Name") : QStringLiteral("Frequency"),
                                    shown, model[k])};
        }
        if (!grid->RowFilled(row))
            continue;
        const int icon = entry->GetTypeIconIndex();
        if (typeIcon >= 0 && grid->Cell(typeIcon, row)->AsInteger() != icon)
            return {cellFinding("bouquet", row, QStringLiteral("STypeIcon"), grid->Cells(typeIcon, row),
                                QString::number(icon))};
        const int action = entry->Service() ? entry->Service()->GetActionIconIndex() : 0;
        if (actionIcon >= 0 && grid->Cell(actionIcon, row)->AsInteger() != action)
            return {cellFinding("bouquet", row, QStringLiteral("ActionIcon"), grid->Cells(actionIcon, row),
                                QString::number(action))};
    }
    return {};
}

QStringList TDriverWorld::checkBouquetListCells() const
{
    // A row per bouquet in the list's order (the rows check says so first).
    TListGrid *grid = main().BouquetListGrid;
    const TBouquetList &list = *program().BouquetList;
    const int name = TFrmMain::ColumnByName(grid, QStringLiteral("ColName"));
    const int count = TFrmMain::ColumnByName(grid, QStringLiteral("ColCount"));
    const int locked = TFrmMain::ColumnByName(grid, QStringLiteral("ColLocked"));
    const int hidden = TFrmMain::ColumnByName(grid, QStringLiteral("ColHidden"));
    for (int row = 0; row < std::min(grid->RowCount(), list.Count()); ++row) {
        const TBouquet *bouquet = list.GetItem(row);
        if (grid->Cells(name, row) != bouquet->Name)
            return {cellFinding("bouquet list", row, QStringLiteral("Name"), grid->Cells(name, row), bouquet->Name)};
        if (grid->Cell(count, row)->AsInteger() != bouquet->Count())
            return {cellFinding("bouquet list", row, QStringLiteral("Channels"), grid->Cells(count, row),
                                QString::number(bouquet->Count()))};
        if (grid->Cell(locked, row)->AsBoolean() != bouquet->Locked
            || grid->Cell(hidden, row)->AsBoolean() != bouquet->Hidden)
            return {cellFinding("bouquet list", row, QStringLiteral("Locked/Hidden"),
                                grid->Cells(locked, row) + u'/' + grid->Cells(hidden, row),
                                bouquet->GetLockedText() + u'/' + bouquet->GetHiddenText())};
    }
    return {};
}

TModelObjects TDriverWorld::modelObjects() const
{
    const TProgram &p = program();
    TModelObjects objects;
    const auto services = [](const TServiceList &list, QHash<const void *, QString> &into) {
        list.forEachService([&into](TService *s, TTransponder *, TSatelite *) { into.insert(s, s->Name); });
    };
    services(*p.ServiceList, objects.services);
    services(*p.MyServiceList, objects.myServices);
    services(*p.KingOfSatList, objects.kingOfSat);
    for (int b = 0; b < p.BouquetList->Count(); ++b) {
        const TBouquet *bouquet = p.BouquetList->GetItem(b);
        objects.bouquets.insert(bouquet, bouquet->Name);
        for (int e = 0; e < bouquet->Count(); ++e)
            objects.entries.insert(bouquet->GetItem(e), bouquet->GetItem(e)->Name);
    }
    return objects;
}

QString TDriverWorld::describeModel() const
{
    const TProgram &p = program();
    return describeLists(*p.ServiceList, *p.MyServiceList, *p.KingOfSatList, *p.BouquetList);
}

QString TDriverWorld::describeSavedFiles() const
{
    TServiceList services, myServices, kingOfSat;
    TBouquetList bouquets;
    TWorkingFiles files(m_world->folder.path(), *program().FrmXMLHandler,
                        TModelLists{kingOfSat, services, myServices, bouquets});
    const QStringList failures = files.LoadFiles();
    if (!failures.isEmpty())
        return QStringLiteral("load failed: ") + failures.join(QStringLiteral("; "));
    return describeLists(services, myServices, kingOfSat, bouquets);
}
