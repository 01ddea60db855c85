#include "app/dialogs/please_wait.h"

#include "ui_please_wait.h"

#include "core/util/messages.h"

#include <QApplication>
#include <QEventLoop>
#include <QScreen>

#include <utility>

namespace {

constexpr int kClientWidth = 281;
constexpr int kClientHeight = 74;

// Paints, timers and other windows' queued work run; clicks and keys wait,
// so nothing the user does starts a second operation meanwhile.
void letPendingEventsRun()
{
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace

TFrmPleaseWait::TFrmPleaseWait(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      ui(std::make_unique<Ui::FrmPleaseWait>())
{
    ui->setupUi(this);
    setFixedSize(kClientWidth, kClientHeight);
    ui->PnlPleaseWait->SetColorScheme(csSky);
    ui->PnlPleaseWait->SetFillDirection(fdVertical);
    ui->PnlPleaseWait->SetBevelOuter(bvRaised);
    ui->LblPleaseWait->setText(msg(MsgPleaseWait));
}

TFrmPleaseWait::~TFrmPleaseWait()
{
    // Going away while up (the program ends mid-operation) must not leave
    // the other windows dead or the hourglass behind.
    if (shown()) {
        m_waiting = false;
        enableDisabledWindows();
        QApplication::restoreOverrideCursor();
    }
}

QString TFrmPleaseWait::Text() const
{
    return ui->LblPleaseWait->text();
}

void TFrmPleaseWait::ShowWait()
{
    ShowWaitMsg(msg(MsgPleaseWait));
}

void TFrmPleaseWait::ShowWaitMsg(const QString &text)
{
    if (m_waiting)
        return;
    m_waiting = true;
    ui->LblPleaseWait->setText(text);
    // Asked for while a question is open: it comes up when that is answered.
    if (m_asideCount == 0)
        putUp();
}

void TFrmPleaseWait::HideWait()
{
    if (!m_waiting)
        return;
    m_waiting = false;
    if (m_asideCount == 0)
        putDown();
}

void TFrmPleaseWait::StepAside()
{
    if (m_asideCount++ > 0 || !m_waiting)
        return;
    enableDisabledWindows();
    hide();
    QApplication::restoreOverrideCursor();
}

void TFrmPleaseWait::StepBack()
{
    if (m_asideCount == 0 || --m_asideCount > 0 || !m_waiting)
        return;
    putUp();
}

void TFrmPleaseWait::putUp()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    disableOtherWindows();
    centreOnScreen();
    show();
    raise();
    letPendingEventsRun();
    repaint();
    letPendingEventsRun();
}

void TFrmPleaseWait::putDown()
{
    enableDisabledWindows();
    letPendingEventsRun();
    // A handler that ran just now may have put the box up again for its own
    // operation; that one keeps it (and its own hourglass).
    if (!shown())
        hide();
    letPendingEventsRun();
    QApplication::restoreOverrideCursor();
}

void TFrmPleaseWait::disableOtherWindows()
{
    m_disabledWindows.clear();
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (window == this || !window->isEnabled())
            continue;
        window->setEnabled(false);
        m_disabledWindows.append(window);
    }
}

void TFrmPleaseWait::enableDisabledWindows()
{
    const QList<QPointer<QWidget>> windows = std::exchange(m_disabledWindows, {});
    for (const QPointer<QWidget> &window : windows) {
        if (window)
            window->setEnabled(true);
    }
}

void TFrmPleaseWait::centreOnScreen()
{
    QScreen *screen = nullptr;
    if (QWidget *active = QApplication::activeWindow())
        screen = active->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

WaitBoxesAside::WaitBoxesAside()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (auto *box = qobject_cast<TFrmPleaseWait *>(window)) {
            box->StepAside();
            m_boxes.append(box);
        }
    }
}

WaitBoxesAside::~WaitBoxesAside()
{
    for (const QPointer<TFrmPleaseWait> &box : std::as_const(m_boxes)) {
        if (box)
            box->StepBack();
    }
}
