#include "ui/grid/scroll_control.h"

#include "ui/grid/flyouts.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int kRollDeadZoneUp = -5;
constexpr int kRollDeadZoneDown = 6;
constexpr int kRollSlowestMs = 100;
constexpr int kCursorSize = 32;

// Our own drawings of the grid cursors: arrows and split marks.
QCursor drawnCursor(int id)
{
    QPixmap pixmap(kCursorSize, kCursorSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    const int c = kCursorSize / 2;
    auto up = [&](int y) { p.drawPolygon(QPolygon({QPoint(c, y), QPoint(c - 5, y + 6), QPoint(c + 5, y + 6)})); };
    auto down = [&](int y) { p.drawPolygon(QPolygon({QPoint(c, y), QPoint(c - 5, y - 6), QPoint(c + 5, y - 6)})); };
    switch (id) {
    case crRoll:
        up(c - 12);
        down(c + 12);
        p.drawEllipse(QPoint(c, c), 3, 3);
        break;
    case crRollUp:
        up(c - 12);
        p.drawEllipse(QPoint(c, c), 3, 3);
        break;
    case crRollDown:
        down(c + 12);
        p.drawEllipse(QPoint(c, c), 3, 3);
        break;
    case crHorzSplit:
        p.drawLine(c - 1, c - 8, c - 1, c + 8);
        p.drawLine(c + 1, c - 8, c + 1, c + 8);
        p.drawLine(c - 8, c, c + 8, c);
        break;
    case crVertSplit:
        p.drawLine(c - 8, c - 1, c + 8, c - 1);
        p.drawLine(c - 8, c + 1, c + 8, c + 1);
        p.drawLine(c, c - 8, c, c + 8);
        break;
    case crColumnNoDrag:
        p.drawEllipse(QPoint(c, c), 7, 7);
        p.drawLine(c - 5, c - 5, c + 5, c + 5);
        break;
    case crIndicatorSelect:
        p.setBrush(Qt::black);
        p.drawPolygon(QPolygon({QPoint(c + 6, c), QPoint(c - 2, c - 5), QPoint(c - 2, c + 5)}));
        break;
    default: return QCursor(Qt::ArrowCursor);
    }
    p.end();
    return QCursor(pixmap, c, c);
}

} // namespace

QCursor GridCursor(int id)
{
    return drawnCursor(id);
}

// --- TLgScrollBar

TLgScrollBar::TLgScrollBar(TLgScrollControl *owner, Qt::Orientation kind)
    : m_owner(owner), m_kind(kind)
{
    connect(bar(), &QAbstractSlider::actionTriggered, this, &TLgScrollBar::onAction);
    Update();
}

QScrollBar *TLgScrollBar::bar() const
{
    return m_kind == Qt::Horizontal ? m_owner->horizontalScrollBar() : m_owner->verticalScrollBar();
}

void TLgScrollBar::SetAutoHide(bool value)
{
    m_autoHide = value;
    Update();
}

void TLgScrollBar::SetMax(int value)
{
    m_max = std::max(value, 0);
    if (m_max == 0)
        m_position = 0;
    m_position = std::clamp(m_position, std::min(m_min, m_max), m_max);
    Update();
}

void TLgScrollBar::SetMin(int value)
{
    m_min = value;
    Update();
}

void TLgScrollBar::SetPage(int value)
{
    m_page = std::max(value, 0);
    Update();
}

void TLgScrollBar::SetPosition(int value)
{
    const int old = m_position;
    value = std::min(value, m_max);
    value = std::max(value, m_min);
    m_position = value;
    Update();
    if (m_max != 0 && !Locked() && !IsDisabled() && old != value) {
        if (m_kind == Qt::Horizontal)
            m_owner->ScrollClient(*this, m_owner->HorizontalScrollDistance(old, value), 0);
        else
            m_owner->ScrollClient(*this, 0, m_owner->VerticalScrollDistance(old, value));
    }
}

bool TLgScrollBar::IsShown() const
{
    const Qt::ScrollBarPolicy policy = m_kind == Qt::Horizontal
                                           ? m_owner->horizontalScrollBarPolicy()
                                           : m_owner->verticalScrollBarPolicy();
    return policy != Qt::ScrollBarAlwaysOff;
}

bool TLgScrollBar::IsDisabled() const
{
    return !bar()->isEnabled();
}

void TLgScrollBar::Update()
{
    if (m_updating)
        return;
    m_updating = true;
    QScrollBar *b = bar();
    const bool nothingToScroll = m_max <= m_min;
    const Qt::ScrollBarPolicy policy =
        nothingToScroll && m_autoHide ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAlwaysOn;
    if (m_kind == Qt::Horizontal)
        m_owner->setHorizontalScrollBarPolicy(policy);
    else
        m_owner->setVerticalScrollBarPolicy(policy);
    b->setEnabled(!nothingToScroll);
    b->setRange(m_min, std::max(m_min, m_max));
    b->setPageStep(std::max(1, m_page > 0 ? m_page : PageStep));
    b->setSingleStep(std::max(1, LineStep));
    b->setValue(m_position);
    m_updating = false;
}

void TLgScrollBar::scrollBy(int delta, int code)
{
    if (m_max < 1)
        return;
    m_scrollCode = code;
    SetPosition(m_position + delta);
    m_owner->scrolled(*this);
}

void TLgScrollBar::Next()
{
    scrollBy(LineStep, scLine);
}

void TLgScrollBar::Prior()
{
    scrollBy(-LineStep, scLine);
}

void TLgScrollBar::PageDown()
{
    scrollBy(PageStep, scPage);
}

void TLgScrollBar::PageUp()
{
    scrollBy(-PageStep, scPage);
}

void TLgScrollBar::onAction(int action)
{
    if (m_updating)
        return;
    QScrollBar *b = bar();
    int target = m_position;
    int code = scLine;
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: target += LineStep; break;
    case QAbstractSlider::SliderSingleStepSub: target -= LineStep; break;
    case QAbstractSlider::SliderPageStepAdd: target += PageStep; code = scPage; break;
    case QAbstractSlider::SliderPageStepSub: target -= PageStep; code = scPage; break;
    case QAbstractSlider::SliderMove: target = b->sliderPosition(); code = scThumb; break;
    case QAbstractSlider::SliderToMinimum: target = 0; code = scEnd; break;
    case QAbstractSlider::SliderToMaximum: target = m_max; code = scEnd; break;
    default: return;
    }
    m_scrollCode = code;
    SetPosition(target);
    // The bar applies the slider position after this signal: make it ours.
    b->setSliderPosition(m_position);
    m_owner->scrolled(*this);
}

// --- TLgScrollControl

TLgScrollControl::TLgScrollControl(QWidget *parent)
    : QAbstractScrollArea(parent), m_shadow(std::make_unique<TRollShadow>())
{
    m_horz = std::make_unique<TLgScrollBar>(this, Qt::Horizontal);
    m_vert = std::make_unique<TLgScrollBar>(this, Qt::Vertical);
    m_rollTimer.setInterval(1);
    connect(&m_rollTimer, &QTimer::timeout, this, &TLgScrollControl::RollTick);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
}

TLgScrollControl::~TLgScrollControl() = default;

int TLgScrollControl::HorizontalScrollDistance(int, int)
{
    return 0;
}

int TLgScrollControl::VerticalScrollDistance(int, int)
{
    return 0;
}

QRect TLgScrollControl::ScrollArea(Qt::Orientation) const
{
    return viewport()->rect();
}

void TLgScrollControl::ScrollClient(TLgScrollBar &bar, int dx, int dy)
{
    if (dx == 0 && dy == 0)
        return;
    viewport()->scroll(dx, dy, ScrollArea(bar.Kind()));
}

void TLgScrollControl::scrollContentsBy(int, int)
{
    // The bars scroll the client themselves, by the distances the
    // descendant computes.
}

void TLgScrollControl::scrolled(TLgScrollBar &bar)
{
    ScrollNotification();
    if (bar.Kind() == Qt::Horizontal) {
        if (OnHorizontalScroll)
            OnHorizontalScroll(this, bar.Position());
    } else if (OnVerticalScroll) {
        OnVerticalScroll(this, bar.Position());
    }
}

void TLgScrollControl::StartRoll(const QPoint &pressPoint)
{
    if (!RollEnabled)
        return;
    m_rolling = true;
    m_pressPoint = pressPoint;
    m_rollDirection = 0;
    m_rollDistance = 0;
    viewport()->setCursor(GridCursor(crRoll));
    m_shadow->ShowAt(viewport()->mapToGlobal(pressPoint));
    m_shadow->setCursor(GridCursor(crRoll));
    m_rollTimer.setInterval(1);
    m_rollTimer.start();
    viewport()->grabMouse();
}

void TLgScrollControl::MoveRoll(const QPoint &point)
{
    if (!m_rolling)
        return;
    const int dy = point.y() - m_pressPoint.y();
    m_rollDistance = std::abs(dy);
    int cursor = crRoll;
    if (dy < kRollDeadZoneUp) {
        cursor = crRollUp;
        m_rollDirection = -1;
    } else if (dy >= kRollDeadZoneDown) {
        cursor = crRollDown;
        m_rollDirection = 1;
    } else {
        m_rollDirection = 0;
    }
    viewport()->setCursor(GridCursor(cursor));
    m_shadow->setCursor(GridCursor(cursor));
}

void TLgScrollControl::RollTick()
{
    m_rollTimer.setInterval(std::max(1, kRollSlowestMs - m_rollDistance));
    if (m_rollDirection < 0)
        m_vert->Prior();
    else if (m_rollDirection > 0)
        m_vert->Next();
}

void TLgScrollControl::StopRoll()
{
    if (!m_rolling)
        return;
    m_rollTimer.stop();
    m_rolling = false;
    m_shadow->hide();
    viewport()->unsetCursor();
    viewport()->releaseMouse();
}

void TLgScrollControl::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::MiddleButton && RollEnabled) {
        StartRoll(event->position().toPoint());
        return;
    }
    QAbstractScrollArea::mousePressEvent(event);
}

void TLgScrollControl::mouseMoveEvent(QMouseEvent *event)
{
    if (m_rolling) {
        MoveRoll(event->position().toPoint());
        return;
    }
    QAbstractScrollArea::mouseMoveEvent(event);
}

void TLgScrollControl::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_rolling) {
        StopRoll();
        return;
    }
    QAbstractScrollArea::mouseReleaseEvent(event);
}
