#pragma once

// Counts how often the program's wait box came up, as seen by a timer that
// fires on every pass of the event loop: the box lets events run when it
// shows and when it hides, so each showing is seen.

#include "app/dialogs/please_wait.h"

#include <QTimer>

class TWaitBoxWatch
{
public:
    explicit TWaitBoxWatch(const TFrmPleaseWait &box) : m_box(box)
    {
        m_timer.setInterval(0);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const bool up = m_box.Waiting();
            if (up && !m_wasUp)
                ++shows;
            m_wasUp = up;
        });
        m_timer.start();
    }

    int shows = 0;

private:
    bool m_wasUp = false;
    const TFrmPleaseWait &m_box;
    QTimer m_timer;
};
