#include "ui/grid/flyouts.h"

#include "ui/grid/columns.h"
#include "ui/grid/grid_types.h"
#include "ui/grid/providers.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

#include <algorithm>

namespace {
constexpr int kShadowSize = 32;
constexpr int kShadowOffsetX = 7;
constexpr int kShadowOffsetY = 11;
constexpr int kArrowSize = 9;
constexpr int kDragBoxCursorGap = 4;
const QColor kArrowColor(255, 0, 0);

QRegion polygonRegion(const QPolygon &polygon)
{
    return QRegion(polygon, Qt::WindingFill);
}
} // namespace

TLgFlyoutControl::TLgFlyoutControl(QWidget *parent)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
}

TRollShadow::TRollShadow()
{
    resize(kShadowSize, kShadowSize);
    setMask(Shape());
}

QRegion TRollShadow::Shape()
{
    const QPolygon up({QPoint(-1, 7), QPoint(7, -1), QPoint(8, 0), QPoint(14, 7), QPoint(0, 6)});
    const QPolygon down({QPoint(-1, 15), QPoint(14, 15), QPoint(6, 22), QPoint(6, 22), QPoint(-1, 14)});
    const QRegion circle(QRect(QPoint(5, 9), QPoint(9, 13)), QRegion::Ellipse);
    return polygonRegion(up).united(polygonRegion(down)).united(circle);
}

void TRollShadow::ShowAt(const QPoint &screenPoint)
{
    move(screenPoint.x() - kShadowOffsetX, screenPoint.y() - kShadowOffsetY);
    show();
}

void TRollShadow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), SysColor::grayText());
}

TDragArrow::TDragArrow(TDirection direction) : m_direction(direction)
{
    resize(kArrowSize, kArrowSize);
    setMask(polygonRegion(Outline(direction)));
}

QPolygon TDragArrow::Outline(TDirection direction)
{
    if (direction == Up)
        return QPolygon({QPoint(-1, 5), QPoint(4, -1), QPoint(9, 5), QPoint(6, 5), QPoint(6, 9),
                         QPoint(3, 9), QPoint(3, 4), QPoint(0, 5)});
    return QPolygon({QPoint(5, 0), QPoint(3, 0), QPoint(3, 4), QPoint(0, 4), QPoint(4, 9),
                     QPoint(9, 4), QPoint(6, 4), QPoint(6, 0)});
}

void TDragArrow::SetDirection(TDirection direction)
{
    m_direction = direction;
    setMask(polygonRegion(Outline(direction)));
    update();
}

void TDragArrow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), kArrowColor);
}

TColumnDragBox::TColumnDragBox() = default;

void TColumnDragBox::Start(const QPixmap &header, const QPoint &screenPoint)
{
    m_header = header;
    resize(header.size());
    MoveTo(screenPoint);
    // The grid keeps the mouse grab and moves the box; a grab here would
    // take the moves and the release away from it.
    show();
}

void TColumnDragBox::MoveTo(const QPoint &screenPoint)
{
    move(screenPoint.x() - width() / 2, screenPoint.y() + kDragBoxCursorGap - height());
    if (OnMove)
        OnMove(screenPoint);
}

void TColumnDragBox::Drop(const QPoint &screenPoint)
{
    hide();
    if (OnDrop)
        OnDrop(screenPoint);
}

void TColumnDragBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_header);
    painter.setPen(Qt::black);
    painter.drawLine(0, height() - 1, width() - 1, height() - 1);
    painter.drawLine(width() - 1, 0, width() - 1, height() - 1);
}

TLgGridHintWindow::TLgGridHintWindow()
    : QLabel(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, SysColor::infoBackground());
    setPalette(p);
    setMargin(2);
    setFrameShape(QFrame::Box);
}

void TLgGridHintWindow::ShowHint(TMode mode, const QString &text, const QPoint &screenPoint)
{
    m_mode = mode;
    // A hint is never wider than the screen it is shown on, whatever the
    // length of the text.
    const QScreen *screen = QGuiApplication::screenAt(screenPoint);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const int widest = screen ? screen->availableGeometry().width() : kMaxColumnWidth;
    const int room = std::max(widest - 2 * (margin() + frameWidth()), 1);
    QString shown = TextShownIn(text, room);
    if (!shown.contains(u'\n'))
        shown = fontMetrics().elidedText(shown, Qt::ElideRight, room);
    setText(shown);
    adjustSize();
    move(screenPoint);
    show();
}

void TLgGridHintWindow::HideHint()
{
    m_mode = Hidden;
    hide();
}
