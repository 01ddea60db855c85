#include "ui/editors/lg_popup_edit.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QStyleOption>

#include <utility>

namespace {

constexpr int kButtonWidth = 17;

} // namespace

TLgSmallButton::TLgSmallButton(TLgCustomButtonEdit *edit) : QAbstractButton(edit), m_edit(edit)
{
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::ArrowCursor);
    setAttribute(Qt::WA_Hover);
}

void TLgSmallButton::SetPressed(bool pressed)
{
    m_pressed = pressed;
    update();
}

void TLgSmallButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (m_edit->focusPolicy() != Qt::NoFocus && m_edit->isEnabled())
        m_edit->setFocus(Qt::MouseFocusReason);
    SetPressed(true);
    m_edit->ButtonPressed();
}

void TLgSmallButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_pressed)
        return;
    SetPressed(false);
    m_edit->ButtonReleased();
}

void TLgSmallButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QStyleOptionToolButton option;
    option.initFrom(this);
    option.state |= m_pressed ? QStyle::State_Sunken : QStyle::State_Raised;
    option.state |= QStyle::State_AutoRaise;
    style()->drawPrimitive(QStyle::PE_PanelButtonTool, &option, &painter, this);
    DrawFace(painter, rect());
}

void TLgSmallButton::DrawFace(QPainter &, const QRect &) {}

void TLgExecuteButton::DrawFace(QPainter &painter, const QRect &rect)
{
    painter.setPen(palette().color(QPalette::ButtonText));
    painter.drawText(rect, Qt::AlignCenter, QStringLiteral("..."));
}

void TDropDownButton::DrawFace(QPainter &painter, const QRect &rect)
{
    QStyleOption option;
    option.initFrom(this);
    option.rect = rect.adjusted(3, 3, -3, -3);
    style()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &option, &painter, this);
}

TLgPopupControl::TLgPopupControl(TLgPopupEdit *edit)
    : QWidget(edit, Qt::Popup | Qt::FramelessWindowHint), m_edit(edit)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TLgPopupControl::Open(const QPoint &globalPos)
{
    QPoint pos = globalPos;
    if (QScreen *screen = QGuiApplication::screenAt(globalPos)) {
        const QRect work = screen->availableGeometry();
        const int excess = pos.x() + width() - (work.x() + work.width());
        if (excess > 0)
            pos.rx() = std::max(0, pos.x() - excess);
    }
    move(pos);
    m_pressed = false;
    setAttribute(Qt::WA_NoMouseReplay, false);
    show();
    raise();
    setFocus(Qt::PopupFocusReason);
}

void TLgPopupControl::ClosePopup()
{
    if (isVisible())
        hide();
}

void TLgPopupControl::SelectValue(const QString &value)
{
    m_edit->SelectValue(value);
}

void TLgPopupControl::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    PaintContent(painter);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(palette().color(QPalette::Shadow));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.setPen(Qt::white);
    painter.drawRect(rect().adjusted(1, 1, -2, -2));
}

void TLgPopupControl::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        ClosePopup();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TLgPopupControl::mousePressEvent(QMouseEvent *event)
{
    m_pressed = true;
    // A press outside closes the pop-up (below), and the window system then
    // hands it to what lies under it. On the edit's button that would drop
    // the pop-up down again at once: there the press only closes it.
    if (!rect().contains(event->position().toPoint())
        && m_edit->DropsDownAt(event->globalPosition().toPoint()))
        setAttribute(Qt::WA_NoMouseReplay);
    QWidget::mousePressEvent(event);
}

void TLgPopupControl::mouseReleaseEvent(QMouseEvent *event)
{
    const bool pressed = std::exchange(m_pressed, false);
    if (rect().contains(event->position().toPoint()))
        ReleasedInside(event->position());
    else if (pressed)
        ClosePopup();
}

void TLgPopupControl::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_edit->PopupClosed();
}

TLgCustomButtonEdit::TLgCustomButtonEdit(QWidget *parent) : TLgEdit(parent)
{
    SetButton(new TLgExecuteButton(this));
}

void TLgCustomButtonEdit::SetButton(TLgSmallButton *button)
{
    delete m_button;
    m_button = button;
    m_button->show();
    UpdateTextArea();
    resizeEvent(nullptr);
}

int TLgCustomButtonEdit::RightReserve() const
{
    return m_button ? m_button->width() : 0;
}

void TLgCustomButtonEdit::ButtonReleased()
{
    if (OnButtonClick)
        OnButtonClick(this);
}

void TLgCustomButtonEdit::resizeEvent(QResizeEvent *event)
{
    if (event)
        TLgEdit::resizeEvent(event);
    if (m_button) {
        const int frame = hasFrame() ? 1 : 0;
        m_button->setGeometry(width() - kButtonWidth - frame, frame, kButtonWidth, height() - 2 * frame);
    }
}

TLgPopupEdit::TLgPopupEdit(QWidget *parent) : TLgCustomButtonEdit(parent)
{
    SetButton(new TDropDownButton(this));
}

TLgPopupControl *TLgPopupEdit::Popup()
{
    if (!m_popup)
        m_popup = CreatePopup();
    return m_popup;
}

void TLgPopupEdit::SetStyle(TDropDownStyle style)
{
    m_style = style;
    setReadOnly(style == dsDropDownList);
    setCursor(style == dsDropDownList ? Qt::ArrowCursor : Qt::IBeamCursor);
    update();
}

void TLgPopupEdit::SetHideFocus(bool hide)
{
    m_hideFocus = hide;
    update();
}

void TLgPopupEdit::SetDroppedDown(bool dropped)
{
    if (dropped == m_droppedDown)
        return;
    m_droppedDown = dropped;
    TLgPopupControl *popup = Popup();
    if (dropped) {
        popup->setFont(font());
        PreparePopup(popup);
        Button()->SetPressed(true);
        popup->Open(mapToGlobal(QPoint(-1, height())));
    } else {
        m_closing = true;
        popup->ClosePopup();
        m_closing = false;
        Button()->SetPressed(false);
        CloseUp();
    }
}

void TLgPopupEdit::PreparePopup(TLgPopupControl *popup)
{
    popup->resize(width(), popup->height());
}

void TLgPopupEdit::CloseUp()
{
    if (OnCloseUp)
        OnCloseUp(this);
}

void TLgPopupEdit::PopupClosed()
{
    // The pop-up closed itself (click outside, Escape).
    if (!m_closing && m_droppedDown)
        SetDroppedDown(false);
}

bool TLgPopupEdit::DropsDownAt(const QPoint &globalPos) const
{
    const QWidget *pressed = m_style == dsDropDownList ? static_cast<const QWidget *>(this) : Button();
    return pressed->isVisible() && pressed->rect().contains(pressed->mapFromGlobal(globalPos));
}

void TLgPopupEdit::ButtonPressed()
{
    SetDroppedDown(!m_droppedDown);
}

void TLgPopupEdit::SelectValue(const QString &value)
{
    SetDroppedDown(false);
    setText(value);
    Button()->SetPressed(false);
    if (OnSelect)
        OnSelect(this);
}

void TLgPopupEdit::mousePressEvent(QMouseEvent *event)
{
    if (m_style == dsDropDownList && event->button() == Qt::LeftButton) {
        setFocus(Qt::MouseFocusReason);
        SetDroppedDown(!m_droppedDown);
        event->accept();
        return;
    }
    TLgCustomButtonEdit::mousePressEvent(event);
}

void TLgPopupEdit::focusOutEvent(QFocusEvent *event)
{
    TLgCustomButtonEdit::focusOutEvent(event);
    if (event->reason() != Qt::PopupFocusReason)
        SetDroppedDown(false);
}

void TLgPopupEdit::paintEvent(QPaintEvent *event)
{
    if (m_style != dsDropDownList) {
        TLgCustomButtonEdit::paintEvent(event);
        return;
    }
    // The list style shows its text like a selected list item.
    QPainter painter(this);
    QStyleOptionFrame frame;
    initStyleOption(&frame);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &frame, &painter, this);
    const QRect area = rect().adjusted(TextLeft() + 1, 2, -RightReserve() - 2, -2);
    const bool focused = hasFocus();
    painter.fillRect(area, palette().color(focused ? QPalette::Highlight : QPalette::Base));
    painter.setPen(palette().color(focused ? QPalette::HighlightedText : QPalette::Text));
    painter.drawText(area.adjusted(2, 0, -2, 0), int(alignment()), text());
    if (focused && !m_hideFocus && !InPlace()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = area;
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
    PaintDecorations(painter);
}
