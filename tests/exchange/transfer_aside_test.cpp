#include "core/transfer/download_progress.h"
#include "core/transfer/transfer_aside.h"

#include "form_test_support.h"
#include "held_transfers.h"
#include "qt_print.h"
#include "script_server.h"

#include <QFile>
#include <QPushButton>
#include <QTest>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QString kFixtureRoot = QStringLiteral(PELLORAN_FIXTURES_DIR "/kingofsat");

class TransferAside : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { s_app = std::make_unique<FormTestApp>(); }
    static void TearDownTestSuite() { s_app.reset(); }

    static inline std::unique_ptr<FormTestApp> s_app;
};

TEST_F(TransferAside, ReportsOfTheWorkerRunOnTheUiThreadInOrderBeforeItReturns)
{
    QThread *const ui = QThread::currentThread();
    std::vector<int> seen;
    bool allOnUi = true;
    bool workOffUi = false;
    EXPECT_TRUE(runAside([&] {
        workOffUi = QThread::currentThread() != ui;
        for (int i = 0; i < 200; ++i) {
            onUiThread([&, i] {
                allOnUi = allOnUi && QThread::currentThread() == ui;
                seen.push_back(i);
            });
        }
        return true;
    }));
    EXPECT_TRUE(workOffUi);
    EXPECT_TRUE(allOnUi);
    ASSERT_EQ(seen.size(), 200u);
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(seen[std::size_t(i)], i);

    // The work's own answer comes back; called from a worker already, the
    // work runs right there.
    EXPECT_FALSE(runAside([] { return false; }));
    bool nestedInline = false;
    runAside([&] {
        QThread *const outer = QThread::currentThread();
        runAside([&] {
            nestedInline = QThread::currentThread() == outer;
            return true;
        });
        return true;
    });
    EXPECT_TRUE(nestedInline);
}

// The server holds the page back until this test's timer lets it go, which
// happens only while the UI thread keeps running its events. What the user
// clicks or types meanwhile is dropped, not replayed once the page is in.
TEST_F(TransferAside, AHeldDownloadLeavesTheEventLoopRunningWithoutInput)
{
    QPushButton button(QStringLiteral("Import"));
    int clicks = 0;
    QObject::connect(&button, &QPushButton::clicked, [&] { ++clicks; });
    button.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&button));
    button.setFocus();

    THeldTransfers holds([&](const QString &) {
        QTest::mouseClick(&button, Qt::LeftButton);
        QTest::keyClick(&button, Qt::Key_Space);
    });
    ScriptServer server(QStringLiteral("http_server.py"),
                        {"--root", kFixtureRoot, "--hold-dir", holds.dir()});
    ASSERT_NE(server.port(), 0);
    TStatusCallback callback;
    setStatusCallback(&callback);

    QTemporaryDir target;
    const QString page = target.filePath("page.html");
    QString error;
    const bool done = downloadUrlAside(
        QStringLiteral("http://127.0.0.1:%1/hold/en/pos-19.2E.php").arg(server.port()), page,
        error);
    holds.stop();
    setStatusCallback(nullptr);
    QCoreApplication::processEvents();
    ASSERT_TRUE(done) << error.toStdString();
    EXPECT_EQ(holds.released, QStringList{"/en/pos-19.2E.php"});
    QFile file(page);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("Nordstar 2B - 11494.25 H"));
    EXPECT_EQ(clicks, 0);

    // Afterwards the button works as ever.
    QTest::mouseClick(&button, Qt::LeftButton);
    QTest::keyClick(&button, Qt::Key_Space);
    EXPECT_EQ(clicks, 2);
}

} // namespace
