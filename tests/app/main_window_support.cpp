#include "main_window_support.h"

#include "app/main/status_panels.h"
#include "app/main/windows.h"
#include "core/model/save_handler.h"
#include "core/model/service_list.h"
#include "ui/grid/list_grid.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

#include <cmath>

const char *const kSafeSettings = "[General]\nnotFirstStartUp=1\n"
                                  "[GUISettings]\nip=127.000.000.001\nport=00021\n"
                                  "[Misc]\nnoBackgroundPing=1\nnoOrvikCheck=1\nnoUpdateCheck=1\n"
                                  "[WebSources]\nreadyMadeListUrl=http://127.0.0.1:9\n"
                                  "kingOfSatUrl=http://127.0.0.1:9\nlogoSiteUrl=http://127.0.0.1:9\n";

TProgramWorld::TProgramWorld(Lists lists, Settings settings)
{
    appTestApp();
    SaveHandler().SetSaved();
    program.ProgramFolder = folder.path();
    program.Prompts = &prompts;
    // No test pings anything, whatever address a settings file holds.
    program.PingProgram.clear();
    // Nor does any reach the web: a test that wants a source starts a server
    // and points the source at it.
    program.KingOfSatUrl = program.LogoSiteUrl = QStringLiteral("http://127.0.0.1:9");
    if (lists == DemoLists) {
        for (const char *name : {"Services.xml", "MyServices.xml", "Bouquets.xml", "KingOfSat.xml"})
            QFile::copy(QStringLiteral(PELLORAN_DEMO_DIR "/") + QLatin1String(name), path(QLatin1String(name)));
    }
    if (settings == SafeSettings) {
        QFile ini(path(QStringLiteral("pelloran.ini")));
        ini.open(QIODevice::WriteOnly);
        ini.write(kSafeSettings);
    }
    createWindows(program);
}

TProgramWorld::~TProgramWorld()
{
    SaveHandler().SetSaved();
    program.FreeForms();
}

void TProgramWorld::start()
{
    main().InitializeMain();
    main().show();
    QCoreApplication::processEvents();
}

QString TProgramWorld::path(const QString &name) const
{
    return QDir(folder.path()).filePath(name);
}

QByteArray TProgramWorld::bytes(const QString &name) const
{
    QFile file(path(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool TProgramWorld::exists(const QString &name) const
{
    return QFile::exists(path(name));
}

void TProgramWorld::watchLogoRuns()
{
    TFrmMain &window = main();
    window.LogoThreadStarter = [this, &window, starter = window.LogoThreadStarter](
                                   bool rebuild) -> QThread * {
        logoRuns.append(rebuild);
        if (!holdLogoRuns)
            return starter ? starter(rebuild) : nullptr;
        QThread *held = QThread::create([this] {
            while (program.LogoMappingRunning)
                QThread::yieldCurrentThread();
            program.LogoMappingStopped = true;
        });
        held->setParent(&window);
        held->start();
        return held;
    };
}

QStringList columnTexts(const TListGrid &grid, const QString &columnName)
{
    QStringList texts;
    const TLgCustomColumn *column = grid.Columns()->ColumnByName(columnName);
    if (!column)
        return texts;
    for (int row = 0; row < grid.RowCount(); ++row)
        texts.append(grid.Cells(column->Index(), row));
    return texts;
}

void expectWholeColumnCaptions(const TFrmMain &main, bool shownOnly)
{
    constexpr int kCaptionMargins = 2 * 4;
    constexpr int kSortMarkRoom = 4 + 8 + 1;
    for (TListGrid *grid : {main.ServicesGrid, main.MyServicesGrid, main.KingOfSatGrid,
                            main.BouquetGrid, main.BouquetListGrid}) {
        // A hidden column is measured at the width it is shown with.
        if (!shownOnly)
            grid->FitPendingColumns();
        const QFontMetricsF metrics(grid->font());
        for (int i = 0; i < grid->Columns()->Count(); ++i) {
            const TLgCustomColumn *column = grid->Columns()->Items(i);
            if (shownOnly && !column->Visible())
                continue;
            const int need = int(std::ceil(metrics.horizontalAdvance(column->Header().Caption())))
                + kCaptionMargins + (column->Options().contains(coCanSort) ? kSortMarkRoom : 0);
            EXPECT_GE(column->Width(), need)
                << qPrintable(grid->objectName()) << " " << qPrintable(column->objectName());
        }
    }
}

void expectWholeBarTexts(const TFrmMain &main)
{
    for (const TPanelBar *bar : main.findChildren<TPanelBar *>()) {
        if (!bar->isVisible())
            continue;
        for (const QLabel *label : bar->findChildren<QLabel *>()) {
            if (!label->isVisible() || label->text().isEmpty())
                continue;
            if (label->wordWrap()) {
                EXPECT_LE(label->heightForWidth(label->width()), label->height())
                    << qPrintable(bar->objectName()) << ": " << qPrintable(label->text());
            } else {
                EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()))
                    << qPrintable(bar->objectName()) << ": " << qPrintable(label->text());
            }
        }
    }
}

QStringList historyCaptions(const TFrmMain &main)
{
    QStringList captions;
    for (const QAction *item : main.PopupItemToolHistory->actions())
        captions.append(item->text());
    return captions;
}

int saveAnEdit(TProgramWorld &world)
{
    const int cleared = world.program.ServiceList->GetItem(0)->GetItem(0)->Count();
    world.program.ServiceList->GetItem(0)->GetItem(0)->Clear();
    SaveHandler().SetModified();
    world.main().PopupItmToolSave->trigger();
    return cleared;
}
