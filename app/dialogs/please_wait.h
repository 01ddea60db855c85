#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>

namespace Ui {
class FrmPleaseWait;
}

// The box every long operation shows while it runs. While it is up, the
// program's other windows are disabled and the hourglass shows, so the user
// cannot start a second operation. It is not counted: one HideWait ends any
// number of ShowWaitMsg calls.
class TFrmPleaseWait : public QWidget
{
    Q_OBJECT

public:
    explicit TFrmPleaseWait(QWidget *parent = nullptr);
    ~TFrmPleaseWait() override;

    // "Please wait...".
    void ShowWait();
    // Shows the box with the text; when it is already up, the text it shows
    // stays as it is.
    void ShowWaitMsg(const QString &text);
    void HideWait();

    // A question asked while the box is up would open behind it (the box
    // stays on top), among disabled windows and under the hourglass: the
    // user would see a frozen program. While a question is open the box steps
    // aside (hidden, the windows and the cursor as before it came up) and
    // comes back when it is answered, if the operation still runs. Nested
    // questions step aside once.
    void StepAside();
    void StepBack();

    // Up between ShowWaitMsg and HideWait.
    bool Waiting() const { return m_waiting; }
    QString Text() const;

private:
    // Up and not stepped aside: the box shows, the hourglass too.
    bool shown() const { return m_waiting && m_asideCount == 0; }
    void putUp();
    void putDown();
    void disableOtherWindows();
    void enableDisabledWindows();
    void centreOnScreen();

    std::unique_ptr<Ui::FrmPleaseWait> ui;
    // Only the windows this box disabled; windows that were disabled before
    // stay disabled afterwards.
    QList<QPointer<QWidget>> m_disabledWindows;
    bool m_waiting = false;
    int m_asideCount = 0;
};

// Every wait box of the program steps aside for as long as this lives: the
// one rule that keeps a question in front of a wait box, whoever asks it.
class WaitBoxesAside
{
public:
    WaitBoxesAside();
    ~WaitBoxesAside();
    WaitBoxesAside(const WaitBoxesAside &) = delete;
    WaitBoxesAside &operator=(const WaitBoxesAside &) = delete;

private:
    QList<QPointer<TFrmPleaseWait>> m_boxes;
};

// Shows the wait box for a scope and hides it however the scope ends.
class WaitBoxShown
{
public:
    explicit WaitBoxShown(TFrmPleaseWait *box) : m_box(box)
    {
        if (m_box)
            m_box->ShowWait();
    }
    ~WaitBoxShown() { hide(); }
    WaitBoxShown(const WaitBoxShown &) = delete;
    WaitBoxShown &operator=(const WaitBoxShown &) = delete;

    void hide()
    {
        if (m_box)
            m_box->HideWait();
        m_box = nullptr;
    }

private:
    TFrmPleaseWait *m_box;
};
