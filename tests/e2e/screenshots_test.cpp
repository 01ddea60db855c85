// Every window of the program on the demo lists, as the user meets it,
// saved under build/shots/ (e2e_<window>.png).

#include "e2e_ui.h"

#include "form_test_support.h"

#include <QDialog>
#include <QFile>
#include <QGuiApplication>
#include <QTabWidget>

#include <gtest/gtest.h>

namespace {

// Saves the modal window `name` once it is up and closes it unchanged.
void shootModal(TStep &step, const char *name)
{
    whenModal(name, [&step, name](QWidget *window) {
        QCoreApplication::processEvents();
        step.check(saveShot(*window, QStringLiteral("e2e_%1.png").arg(QLatin1String(name))),
                   QStringLiteral("a shot of %1").arg(QLatin1String(name)));
        if (auto *dialog = qobject_cast<QDialog *>(window))
            dialog->reject();
    });
}

} // namespace

E2E_STEP(screenshots)
{
    TFrmMain &main = step.main();
    // The window systems append an application display name to every
    // caption ("Pelloran 0.1 — Pelloran", "Settings — Pelloran"); the
    // captions are to show as the program sets them.
    step.check(QGuiApplication::applicationDisplayName() == QCoreApplication::applicationName(),
               QStringLiteral("captions without the display name \"%1\" after them")
                   .arg(QGuiApplication::applicationDisplayName()));
    main.resize(1100, 720);
    QCoreApplication::processEvents();
    const struct {
        int services;
        int bouquets;
        const char *shot;
    } pages[] = {{0, 0, "e2e_FrmMain.png"}, {1, 1, "e2e_FrmMain_my_services.png"},
                 {2, 0, "e2e_FrmMain_kingofsat.png"}};
    for (const auto &page : pages) {
        main.PageControlServices->setCurrentIndex(page.services);
        main.PageControlBouquets->setCurrentIndex(page.bouquets);
        QCoreApplication::processEvents();
        step.check(saveShot(main, QLatin1String(page.shot)), QLatin1String(page.shot));
    }
    main.PageControlServices->setCurrentIndex(0);
    main.PageControlBouquets->setCurrentIndex(0);
    selectOnly(main.ServicesGrid, 1);

    // The windows the user opens, each through its own command.
    for (const TDialogCommand &modal : dialogCommands(main)) {
        shootModal(step, modal.name);
        modal.open();
    }
    // The rest show what they show without their callers' data.
    for (const char *name : {"FrmImportNews", "FrmWebBrowser", "FrmServiceSelectionList", "FrmToggleActions",
                             "FrmKingOfSatMapping", "FrmKingOfSatTransfer", "FrmDiSEqCMapping",
                             "FrmPleaseWait", "FrmDragDrop"}) {
        QWidget *window = step.program.Form(QLatin1String(name));
        if (!step.check(window != nullptr, QStringLiteral("window %1").arg(QLatin1String(name))))
            continue;
        window->show();
        QCoreApplication::processEvents();
        step.check(saveShot(*window, QStringLiteral("e2e_%1.png").arg(QLatin1String(name))),
                   QStringLiteral("a shot of %1").arg(QLatin1String(name)));
        window->hide();
    }
    step.prompts.answers = {TPrompts::mbNo};
}

TEST(Screenshots, EveryWindowOnTheDemoLists)
{
    TE2EWorld world;
    for (const char *name : {"Services.xml", "MyServices.xml", "Bouquets.xml", "KingOfSat.xml"})
        QFile::copy(QStringLiteral(PELLORAN_DEMO_DIR "/") + QLatin1String(name), world.path(QLatin1String(name)));
    const TRunResult run = world.run("screenshots");
    ASSERT_TRUE(run.ok()) << run.output.toStdString();
    for (const char *name : {"FrmMain", "FrmSettings", "FrmImportExport", "FrmKingOfSat", "FrmDragDrop"})
        EXPECT_TRUE(QFile::exists(shotsDir() + QStringLiteral("/e2e_%1.png").arg(QLatin1String(name)))) << name;
}
