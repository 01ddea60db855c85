#include "app/main/window_placement.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <climits>

namespace {

constexpr QSize kDesignedMainSize(1000, 670);
// The share of the room the main window takes on a first start, in
// percent: the columns of both grids show whole on a 1600 x 1000 screen,
// and the desktop stays in sight around the window.
constexpr int kFirstStartShare = 90;

// A rectangle of the size, as near to the room's middle as it fits,
// never beyond the room's top-left corner.
QRect centredIn(const QSize &size, const QPoint &centre, const QRect &room)
{
    QRect placed(QPoint(), size);
    placed.moveCenter(centre);
    placed.moveLeft(std::max(room.left(), std::min(placed.left(), room.right() + 1 - size.width())));
    placed.moveTop(std::max(room.top(), std::min(placed.top(), room.bottom() + 1 - size.height())));
    return placed;
}

// Puts each dialog of the main window over its middle as the dialog shows.
// Client areas are centred, not frames: the frame of a dialog is not known
// before its first showing, and centring by it would place the first
// opening differently from the later ones.
class TDialogCentring : public QObject
{
public:
    explicit TDialogCentring(QWidget *mainWindow) : QObject(mainWindow), m_main(mainWindow)
    {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Show)
            return false;
        auto *dialog = qobject_cast<QDialog *>(watched);
        if (!dialog || !dialog->isWindow() || dialog->parentWidget() != m_main)
            return false;
        const QRect room = availableRoom(m_main);
        dialog->setGeometry(centredIn(dialog->size(), m_main->geometry().center(), room));
        return false;
    }

private:
    QWidget *m_main;
};

// Fits a window's frame into the room once the window has shown, then goes.
// The window system tells the frame only after the window is on the screen,
// hence the wait for the event loop.
class TFrameFit : public QObject
{
public:
    TFrameFit(QWidget *window, const QRect &room) : QObject(window), m_window(window), m_room(room)
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_window && event->type() == QEvent::Show) {
            m_window->removeEventFilter(this);
            QTimer::singleShot(0, this, [this] {
                fit();
                deleteLater();
            });
        }
        return false;
    }

private:
    void fit()
    {
        const QRect frame = m_window->frameGeometry();
        const QRect client = m_window->geometry();
        if (m_room.contains(frame))
            return;
        const QSize border = frame.size() - client.size();
        const QSize size = client.size().boundedTo(m_room.size() - border);
        const QPoint offset = client.topLeft() - frame.topLeft();
        QRect placed = centredIn(size + border, m_room.center(), m_room);
        m_window->setGeometry(QRect(placed.topLeft() + offset, size));
    }

    QWidget *m_window;
    QRect m_room;
};

} // namespace

QRect availableRoom(const QWidget *window)
{
    QScreen *screen = window ? window->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, INT_MAX / 2, INT_MAX / 2);
}

QSize firstStartSize(const QRect &room)
{
    const QSize share(room.width() * kFirstStartShare / 100, room.height() * kFirstStartShare / 100);
    return share.expandedTo(kDesignedMainSize).boundedTo(room.size());
}

void centreInRoom(QWidget *window, const QRect &room)
{
    window->setGeometry(centredIn(window->size(), room.center(), room));
    new TFrameFit(window, room);
}

void centreDialogsOn(QWidget *mainWindow)
{
    new TDialogCentring(mainWindow);
}
