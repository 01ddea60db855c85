#pragma once

#include <QAbstractScrollArea>
#include <QCursor>
#include <QPoint>
#include <QTimer>

#include <functional>
#include <memory>

class TLgScrollControl;
class TRollShadow;
class QScrollBar;

// Last change of a bar's position.
enum TScrollCode { scLine = 1, scPage = 2, scThumb = 3, scEnd = 4 };

// One of the control's two bars. Its position is in the descendant's units
// (rows vertically, pixels horizontally); the control turns a position change
// into a pixel scroll of its client.
class TLgScrollBar : public QObject
{
    Q_OBJECT

public:
    TLgScrollBar(TLgScrollControl *owner, Qt::Orientation kind);

    Qt::Orientation Kind() const { return m_kind; }
    bool AutoHide() const { return m_autoHide; }
    void SetAutoHide(bool value);
    int Max() const { return m_max; }
    void SetMax(int value);
    int Min() const { return m_min; }
    void SetMin(int value);
    int Position() const { return m_position; }
    void SetPosition(int value);
    int LineStep = 1;
    int PageStep = 1;
    int Page() const { return m_page; }
    void SetPage(int value);
    int ScrollCode() const { return m_scrollCode; }
    bool IsShown() const;
    bool IsDisabled() const;

    void Update();
    void Lock() { ++m_lock; }
    void Unlock() { --m_lock; }
    bool Locked() const { return m_lock > 0; }

    void Next();
    void Prior();
    void PageDown();
    void PageUp();

private:
    void onAction(int action);
    void scrollBy(int delta, int code);
    QScrollBar *bar() const;

    TLgScrollControl *m_owner;
    Qt::Orientation m_kind;
    bool m_autoHide = true;
    int m_max = 100;
    int m_min = 0;
    int m_page = 0;
    int m_position = 0;
    int m_lock = 0;
    int m_scrollCode = scLine;
    bool m_updating = false;
};

// A scrolling control with its own bars and middle-button "roll" scrolling.
class TLgScrollControl : public QAbstractScrollArea
{
    Q_OBJECT

public:
    explicit TLgScrollControl(QWidget *parent = nullptr);
    ~TLgScrollControl() override;

    TLgScrollBar &HorzScrollBar() { return *m_horz; }
    TLgScrollBar &VertScrollBar() { return *m_vert; }
    const TLgScrollBar &HorzScrollBar() const { return *m_horz; }
    const TLgScrollBar &VertScrollBar() const { return *m_vert; }
    bool RollEnabled = true;
    bool Rolling() const { return m_rolling; }

    std::function<void(QObject *Sender, int Position)> OnHorizontalScroll;
    std::function<void(QObject *Sender, int Position)> OnVerticalScroll;

    // Pixels the client moves between two positions of a bar.
    virtual int HorizontalScrollDistance(int oldPosition, int newPosition);
    virtual int VerticalScrollDistance(int oldPosition, int newPosition);
    virtual void ScrollNotification() {}
    // The part of the client a bar moves; the rest is left in place.
    virtual QRect ScrollArea(Qt::Orientation kind) const;
    virtual void ScrollClient(TLgScrollBar &bar, int dx, int dy);

    // Roll scrolling, driven by the mouse handlers.
    void StartRoll(const QPoint &pressPoint);
    void MoveRoll(const QPoint &point);
    void StopRoll();
    int RollInterval() const { return m_rollTimer.interval(); }
    void RollTick();

protected:
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    friend class TLgScrollBar;
    void scrolled(TLgScrollBar &bar);

    std::unique_ptr<TLgScrollBar> m_horz;
    std::unique_ptr<TLgScrollBar> m_vert;
    std::unique_ptr<TRollShadow> m_shadow;
    QTimer m_rollTimer;
    bool m_rolling = false;
    int m_rollDirection = 0; // -1 up, 1 down
    int m_rollDistance = 0;
    QPoint m_pressPoint;
};

// Screen cursors the grid library registers under fixed ids.
enum TGridCursorId {
    crHorzSplit = 3000,
    crColumnNoDrag = 3001,
    // The row-border cursor: the roll cursor holds 3003 in this library.
    crVertSplit = 3002,
    crRoll = 3003,
    crRollUp = 3004,
    crRollDown = 3005,
    crIndicatorSelect = 3006,
};
QCursor GridCursor(int id);
