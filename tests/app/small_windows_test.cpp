#include "app/dialogs/about_box.h"
#include "app/dialogs/drag_hint.h"
#include "app/dialogs/please_wait.h"
#include "app/dialogs/splash_window.h"
#include "app/main/dialog_prompts.h"
#include "core/util/messages.h"

#include "app_test_support.h"
#include "import_export_world.h"
#include "qt_print.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <vector>

namespace {

// The offscreen platform can neither raise windows nor change their opacity
// and says so every time; those notices are expected here and drowned out.
class QuietOffscreenNotices
{
public:
    QuietOffscreenNotices() { s_previous = qInstallMessageHandler(&filter); }
    ~QuietOffscreenNotices() { qInstallMessageHandler(s_previous); }
    QuietOffscreenNotices(const QuietOffscreenNotices &) = delete;
    QuietOffscreenNotices &operator=(const QuietOffscreenNotices &) = delete;

private:
    static void filter(QtMsgType type, const QMessageLogContext &context, const QString &text)
    {
        if (text.startsWith(QLatin1String("This plugin does not support")))
            return;
        if (s_previous)
            s_previous(type, context, text);
    }
    static inline QtMessageHandler s_previous = nullptr;
};

// ---------------------------------------------------------------- wait box

// Two windows of "the program": one enabled, one its owner had disabled on
// purpose before the wait began.
class WaitBox : public ::testing::Test
{
protected:
    void SetUp() override
    {
        enabledWindow.setWindowTitle(QStringLiteral("main"));
        enabledWindow.show();
        disabledWindow.setEnabled(false);
        disabledWindow.show();
        ASSERT_EQ(QApplication::overrideCursor(), nullptr);
    }

    void TearDown() override
    {
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
    }

    // At rest: no hourglass, the program's windows as they were.
    void expectAtRest()
    {
        EXPECT_FALSE(box.Waiting());
        EXPECT_FALSE(box.isVisible());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_TRUE(enabledWindow.isEnabled());
        EXPECT_FALSE(disabledWindow.isEnabled());
    }

    QApplication &app = appTestApp();
    QuietOffscreenNotices quiet;
    QWidget enabledWindow;
    QWidget disabledWindow;
    TFrmPleaseWait box;
};

struct WaitStep {
    // Aside and Back: a question opens and is answered.
    enum Kind { Show, Hide, Aside, Back } kind;
    const char *text = "";
};

struct WaitSequence {
    const char *label;
    std::vector<WaitStep> steps;
    bool waitingAfter;
    const char *textAfter;
};

void PrintTo(const WaitSequence &sequence, std::ostream *os)
{
    *os << sequence.label;
}

class WaitBoxSequence : public WaitBox, public ::testing::WithParamInterface<WaitSequence> {};

// Whatever the calls before, one HideWait brings everything back: the box is
// not counted, the hourglass is pushed once per visible period.
TEST_P(WaitBoxSequence, OneHideEndsIt)
{
    for (const WaitStep &step : GetParam().steps) {
        switch (step.kind) {
        case WaitStep::Show:
            box.ShowWaitMsg(QString::fromUtf8(step.text));
            break;
        case WaitStep::Hide:
            box.HideWait();
            break;
        case WaitStep::Aside:
            box.StepAside();
            break;
        case WaitStep::Back:
            box.StepBack();
            break;
        }
    }
    EXPECT_EQ(box.Waiting(), GetParam().waitingAfter);
    EXPECT_EQ(box.Text(), QString::fromUtf8(GetParam().textAfter));
    if (GetParam().waitingAfter) {
        EXPECT_TRUE(box.isVisible());
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        EXPECT_FALSE(enabledWindow.isEnabled());
        EXPECT_FALSE(disabledWindow.isEnabled());
        EXPECT_TRUE(box.isEnabled());
    }
    box.HideWait();
    expectAtRest();
}

INSTANTIATE_TEST_SUITE_P(
    Calls, WaitBoxSequence,
    testing::Values(
        WaitSequence{"show", {{WaitStep::Show, "Loading..."}}, true, "Loading..."},
        WaitSequence{"show_twice_keeps_the_first_text",
                     {{WaitStep::Show, "First"}, {WaitStep::Show, "Second"}}, true, "First"},
        WaitSequence{"show_twice_hide_once",
                     {{WaitStep::Show, "First"}, {WaitStep::Show, "Second"}, {WaitStep::Hide}},
                     false, "First"},
        WaitSequence{"hide_without_show", {{WaitStep::Hide}}, false, "Please wait..."},
        WaitSequence{"hide_twice", {{WaitStep::Show, "A"}, {WaitStep::Hide}, {WaitStep::Hide}},
                     false, "A"},
        WaitSequence{"shown_again_takes_the_new_text",
                     {{WaitStep::Show, "A"}, {WaitStep::Hide}, {WaitStep::Show, "B"}}, true, "B"},
        WaitSequence{"back_after_a_question",
                     {{WaitStep::Show, "A"}, {WaitStep::Aside}, {WaitStep::Back}}, true, "A"},
        WaitSequence{"ended_during_a_question_stays_down",
                     {{WaitStep::Show, "A"}, {WaitStep::Aside}, {WaitStep::Hide}, {WaitStep::Back}}, false, "A"},
        WaitSequence{"started_during_a_question_comes_up_after_it",
                     {{WaitStep::Aside}, {WaitStep::Show, "B"}, {WaitStep::Back}}, true, "B"},
        WaitSequence{"nested_questions_bring_it_back_once",
                     {{WaitStep::Show, "A"}, {WaitStep::Aside}, {WaitStep::Aside}, {WaitStep::Back},
                      {WaitStep::Back}},
                     true, "A"},
        WaitSequence{"back_without_a_question",
                     {{WaitStep::Show, "A"}, {WaitStep::Back}, {WaitStep::Aside}, {WaitStep::Back}}, true, "A"}),
    [](const testing::TestParamInfo<WaitSequence> &info) { return std::string(info.param.label); });

TEST_F(WaitBox, ShowWaitSaysPleaseWait)
{
    box.ShowWait();
    EXPECT_EQ(box.Text(), QStringLiteral("Please wait..."));
    EXPECT_EQ(box.size(), QSize(281, 74));
    EXPECT_TRUE(saveShot(box, QStringLiteral("wait_box.png")));
    box.HideWait();
    expectAtRest();
}

// Someone else's hourglass (or any override cursor) is theirs to remove.
TEST_F(WaitBox, LeavesOtherOverrideCursorsAlone)
{
    QApplication::setOverrideCursor(Qt::CrossCursor);
    box.HideWait();
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::CrossCursor);

    box.ShowWaitMsg(QStringLiteral("Busy"));
    box.HideWait();
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::CrossCursor);
    QApplication::restoreOverrideCursor();
    expectAtRest();
}

// Pending work runs while the box comes up; work that ends the wait at
// once must still leave nothing behind.
TEST_F(WaitBox, HiddenByWorkThatRanWhileShowing)
{
    QTimer::singleShot(0, &box, [this] { box.HideWait(); });
    box.ShowWaitMsg(QStringLiteral("Short"));
    expectAtRest();
}

// A window that closes while the box is up is simply not re-enabled.
TEST_F(WaitBox, WindowGoneMeanwhile)
{
    auto transient = std::make_unique<QWidget>();
    transient->show();
    box.ShowWaitMsg(QStringLiteral("Busy"));
    EXPECT_FALSE(transient->isEnabled());
    transient.reset();
    box.HideWait();
    expectAtRest();
}

TEST_F(WaitBox, GoingAwayWhileUpLeavesNothingBehind)
{
    auto second = std::make_unique<TFrmPleaseWait>();
    second->ShowWaitMsg(QStringLiteral("Busy"));
    EXPECT_FALSE(enabledWindow.isEnabled());
    second.reset();
    expectAtRest();
}

// A question asked while the box is up (a satellite whose download failed
// is skipped) is in front of it: the box steps aside while the question is
// open, so what the user presses where the box stood reaches the question,
// whose owner is enabled again and which shows no hourglass; the box comes
// back for the rest of the operation.
TEST_F(WaitBox, AQuestionMeanwhileIsInFrontAndTakesThePresses)
{
    struct Row {
        const char *shot;
        std::function<bool(TDialogPrompts &)> ask; // true: answered with OK
    };
    const QString skipped = FormatMsg1(msg(MsgKofSatelliteSkipped), QStringLiteral("Astra 19.2E"));
    const Row rows[] = {
        {"message",
         [&](TDialogPrompts &prompts) {
             return prompts.messageBox(TPrompts::TMsgKind::Warning, skipped, TPrompts::mbOK | TPrompts::mbCancel)
                 == TPrompts::mbOK;
         }},
        {"input_box",
         [](TDialogPrompts &prompts) {
             QString text = QStringLiteral("Back soon");
             return prompts.inputQuery(msg(MsgEnterAMessage), QString(), text);
         }},
    };
    // The owner stands in the middle of the screen, under the box.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QRect owner(QPoint(), QSize(640, 420));
    owner.moveCenter(screen.center());
    enabledWindow.setGeometry(owner);
    TDialogPrompts prompts(&enabledWindow);
    for (const Row &row : rows) {
        SCOPED_TRACE(row.shot);
        box.ShowWaitMsg(QStringLiteral("Downloading..."));
        const QPoint whereTheBoxIs = box.geometry().center();
        bool seen = false;
        whenModal("", [&](QWidget *question) {
            seen = true;
            QCoreApplication::processEvents();
            EXPECT_FALSE(box.isVisible());
            EXPECT_EQ(QApplication::overrideCursor(), nullptr);
            EXPECT_TRUE(question->isEnabled());
            EXPECT_TRUE(saveShot(*question, QStringLiteral("wait_box_question_%1.png").arg(QLatin1String(row.shot))));
            QWidget *pressed = QApplication::widgetAt(whereTheBoxIs);
            ASSERT_NE(pressed, nullptr);
            EXPECT_EQ(pressed->window(), question);
            QTest::mousePress(pressed, Qt::LeftButton, {}, pressed->mapFromGlobal(whereTheBoxIs));
            QTest::mouseRelease(pressed, Qt::LeftButton, {}, pressed->mapFromGlobal(whereTheBoxIs));
            QAbstractButton *ok = question->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
            QTest::mousePress(ok, Qt::LeftButton);
            QTest::mouseRelease(ok, Qt::LeftButton);
            const bool answered = !question->isVisible();
            EXPECT_TRUE(answered);
            // A question the presses cannot reach would hold the test forever.
            if (!answered)
                qobject_cast<QDialog *>(question)->reject();
        });
        EXPECT_TRUE(row.ask(prompts));
        EXPECT_TRUE(seen);
        EXPECT_TRUE(box.Waiting());
        EXPECT_TRUE(box.isVisible());
        EXPECT_EQ(box.Text(), QStringLiteral("Downloading..."));
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        EXPECT_FALSE(enabledWindow.isEnabled());
        box.HideWait();
        expectAtRest();
    }
}

// --------------------------------------------------------------- drag hint

struct HintText {
    const char *label;
    const char *text;
    const char *shown;
};

void PrintTo(const HintText &row, std::ostream *os)
{
    *os << row.label;
}

class DragHintText : public ::testing::TestWithParam<HintText>
{
protected:
    void SetUp() override { appTestApp(); }
};

TEST_P(DragHintText, NamesWhatIsDragged)
{
    QuietOffscreenNotices quiet;
    TFrmDragDrop hint;
    hint.ShowDragText(QString::fromUtf8(GetParam().text));
    EXPECT_EQ(hint.Lbl()->text(), QString::fromUtf8(GetParam().shown));
    EXPECT_FALSE(hint.Lbl()->isHidden());
    EXPECT_TRUE(hint.Image()->isHidden());
    EXPECT_EQ(hint.Lbl()->size(), hint.Lbl()->sizeHint());
    EXPECT_EQ(hint.size(), hint.Lbl()->size());
    EXPECT_EQ(hint.Lbl()->pos(), QPoint(0, 0));
    // The window appears only when the drag starts.
    EXPECT_FALSE(hint.isVisible());
}

INSTANTIATE_TEST_SUITE_P(
    Texts, DragHintText,
    testing::Values(HintText{"name", "Das Erste", "Das Erste  "},
                    HintText{"empty", "", "<Noname>  "},
                    HintText{"spaces", "   ", "<Noname>  "},
                    HintText{"tab_and_newline", "\t\n", "<Noname>  "},
                    HintText{"spaces_around_a_name_kept", " ZDF ", " ZDF   "},
                    HintText{"markup_shown_as_text", "<b>Arte</b>", "<b>Arte</b>  "}),
    [](const testing::TestParamInfo<HintText> &info) { return std::string(info.param.label); });

class DragHint : public ::testing::Test
{
protected:
    void SetUp() override
    {
        hint.SetMousePosition([this] { return mouse; });
    }

    QApplication &app = appTestApp();
    QuietOffscreenNotices quiet;
    QPoint mouse{400, 300};
    TFrmDragDrop hint;
};

TEST_F(DragHint, WindowGrowsAndShrinksWithTheText)
{
    hint.ShowDragText(QStringLiteral("ARD"));
    const int shortWidth = hint.width();
    hint.ShowDragText(QStringLiteral("Bayerisches Fernsehen Nord"));
    const int longWidth = hint.width();
    EXPECT_GT(longWidth, shortWidth);
    hint.ShowDragText(QStringLiteral("ARD"));
    EXPECT_EQ(hint.width(), shortWidth);
}

TEST_F(DragHint, RightEdgeSitsAtTheMouse)
{
    hint.ShowDragText(QStringLiteral("ProSieben"));
    const QSize size = hint.size();
    for (const QPoint at : {QPoint(400, 300), QPoint(0, 0), QPoint(5, 7), QPoint(1919, 1079)}) {
        mouse = at;
        hint.FollowMouse();
        EXPECT_EQ(hint.pos(), QPoint(at.x() + 1 - size.width(), at.y() + 1)) << at.x() << "," << at.y();
        EXPECT_EQ(hint.size(), size);
    }
}

TEST_F(DragHint, FollowsOnlyWhileTheDragRuns)
{
    EXPECT_EQ(hint.TimerDragDrop()->interval(), 50);
    EXPECT_FALSE(hint.TimerDragDrop()->isActive());

    hint.ShowDragText(QStringLiteral("Das Erste HD"));
    EXPECT_FALSE(hint.TimerDragDrop()->isActive());

    hint.StartDrag();
    EXPECT_TRUE(hint.isVisible());
    EXPECT_TRUE(hint.TimerDragDrop()->isActive());
    EXPECT_EQ(hint.pos(), QPoint(401 - hint.width(), 301));
    EXPECT_TRUE(saveShot(hint, QStringLiteral("drag_hint.png")));

    mouse = QPoint(600, 100);
    const QPoint expected(601 - hint.width(), 101);
    EXPECT_TRUE(QTest::qWaitFor([&] { return hint.pos() == expected; }, 2000));

    hint.HideDragText();
    EXPECT_FALSE(hint.isVisible());
    EXPECT_FALSE(hint.TimerDragDrop()->isActive());
    mouse = QPoint(50, 50);
    QTest::qWait(120);
    EXPECT_EQ(hint.pos(), expected);
}

TEST_F(DragHint, PictureComesFromTheGifCodec)
{
    const QPixmap picture = hint.Image()->pixmap();
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), QSize(52, 39));
    // The corner is the hint's own sky blue, give or take the GIF palette.
    const QColor corner = picture.toImage().pixelColor(0, 0);
    EXPECT_NEAR(corner.red(), 0xA6, 8);
    EXPECT_NEAR(corner.green(), 0xCA, 8);
    EXPECT_NEAR(corner.blue(), 0xF0, 8);
    hint.show();
    EXPECT_TRUE(saveShot(hint, QStringLiteral("drag_hint_picture.png")));
    hint.hide();
}

// --------------------------------------------------------------- about box

class AboutBox : public ::testing::Test
{
protected:
    void SetUp() override
    {
        mainWindow.setWindowTitle(QStringLiteral("Pelloran 2.0 Vure11"));
        about.SetMainWindow(&mainWindow);
        about.SetUrlOpener([this](const QString &url, const TOpenFailed &) { opened << url; });
    }

    QApplication &app = appTestApp();
    QWidget mainWindow;
    TFrmAbout about;
    QStringList opened;
};

TEST_F(AboutBox, ShowsTheMainWindowsCaptionAndMailsTheAuthor)
{
    about.show();
    auto *version = about.findChild<QLabel *>(QStringLiteral("LbVersion"));
    auto *mail = about.findChild<QLabel *>(QStringLiteral("Label2"));
    ASSERT_TRUE(version && mail);
    EXPECT_EQ(version->text(), QStringLiteral("Pelloran 2.0 Vure11"));

    const QString expected = QStringLiteral("mailto:pelloran@example.org?subject=Pelloran 2.0 Vure11");
    about.Label2Click();
    QTest::mouseClick(mail, Qt::LeftButton);
    QTest::mouseClick(mail, Qt::RightButton);
    EXPECT_EQ(opened, QStringList({expected, expected}));

    // A caption changed later is picked up at the next showing.
    about.hide();
    mainWindow.setWindowTitle(QStringLiteral("Pelloran 2.1"));
    about.show();
    EXPECT_EQ(version->text(), QStringLiteral("Pelloran 2.1"));
    about.hide();
}

TEST_F(AboutBox, LayoutAndPictures)
{
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Pelloran"));
    EXPECT_EQ(about.size(), QSize(325, 578));
    auto *pages = about.findChild<QTabWidget *>();
    ASSERT_NE(pages, nullptr);
    ASSERT_EQ(pages->count(), 2);
    EXPECT_EQ(pages->tabText(0), QStringLiteral("Pelloran"));
    EXPECT_EQ(pages->tabText(1), QStringLiteral("Version History"));

    auto *banner = about.findChild<QLabel *>(QStringLiteral("Image1"));
    auto *small = about.findChild<QLabel *>(QStringLiteral("Image2"));
    ASSERT_TRUE(banner && small);
    EXPECT_EQ(banner->pixmap().size(), QSize(300, 150));
    EXPECT_FALSE(small->pixmap().isNull());
    auto *close = about.findChild<QPushButton *>(QStringLiteral("BtnClose"));
    ASSERT_NE(close, nullptr);
    EXPECT_TRUE(close->isDefault());

    about.show();
    pages->setCurrentIndex(0);
    const QImage first = about.grab().toImage();
    pages->setCurrentIndex(1);
    const QImage second = about.grab().toImage();
    pages->setCurrentIndex(0);
    QImage both(first.width() + second.width() + 8, first.height(), QImage::Format_RGB32);
    both.fill(Qt::darkGray);
    QPainter painter(&both);
    painter.drawImage(0, 0, first);
    painter.drawImage(first.width() + 8, 0, second);
    painter.end();
    EXPECT_TRUE(both.save(QDir(shotsDir()).filePath(QStringLiteral("about_box.png"))));

    QTest::mouseClick(close, Qt::LeftButton);
    EXPECT_EQ(about.result(), QDialog::Accepted);
    EXPECT_FALSE(about.isVisible());
}

// ------------------------------------------------------------------ splash

TEST(Splash, FadesInWithoutEverBecomingOpaque)
{
    appTestApp();
    QuietOffscreenNotices quiet;
    TFrmSplash splash;
    EXPECT_EQ(splash.AlphaBlendValue(), 150);
    EXPECT_EQ(splash.size(), QSize(283, 312));
    EXPECT_EQ(splash.windowTitle(), QStringLiteral("Pelloran"));
    EXPECT_EQ(splash.LblSplash()->text(), QStringLiteral("Initializing..."));

    std::vector<int> seen;
    std::vector<bool> shownAt;
    splash.FadeIn([&](int alpha) {
        seen.push_back(alpha);
        shownAt.push_back(splash.isVisible());
        EXPECT_DOUBLE_EQ(splash.windowOpacity(), alpha / 255.0);
    });
    ASSERT_EQ(seen.size(), 128u);
    for (size_t i = 0; i < seen.size(); ++i)
        ASSERT_EQ(seen[i], int(2 * i));
    EXPECT_EQ(seen.back(), 254);
    EXPECT_EQ(splash.AlphaBlendValue(), 254);
    EXPECT_TRUE(shownAt.front());

    splash.SetSplashText(QStringLiteral("Loading previous session...please wait"));
    EXPECT_EQ(splash.LblSplash()->text(), QStringLiteral("Loading previous session...please wait"));
    EXPECT_TRUE(saveShot(splash, QStringLiteral("splash.png")));
}

TEST(Splash, PictureAndHiddenMarker)
{
    appTestApp();
    TFrmSplash splash;
    splash.show();
    auto *picture = splash.findChild<QLabel *>(QStringLiteral("ImgSplash"));
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->pixmap().size(), QSize(283, 312));
    bool markerFound = false;
    for (QLabel *label : splash.findChildren<QLabel *>()) {
        if (label->text() == QStringLiteral("SPLASH!!!")) {
            markerFound = true;
            EXPECT_FALSE(label->isVisible());
        }
    }
    EXPECT_TRUE(markerFound);
}

} // namespace
