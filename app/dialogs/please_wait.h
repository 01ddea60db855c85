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

    // Up between ShowWaitMsg and HideWait.
    bool Waiting() const { return m_waiting; }
    QString Text() const;

private:
    void disableOtherWindows();
    void enableDisabledWindows();
    void centreOnScreen();

    std::unique_ptr<Ui::FrmPleaseWait> ui;
    // Only the windows this box disabled; windows that were disabled before
    // stay disabled afterwards.
    QList<QPointer<QWidget>> m_disabledWindows;
    bool m_waiting = false;
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
