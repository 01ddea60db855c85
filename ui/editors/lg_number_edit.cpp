#include "ui/editors/lg_number_edit.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLocale>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

#include <cfenv>
#include <cmath>

namespace {

QChar decimalSeparator()
{
    const QString point = QLocale().decimalPoint();
    return point.isEmpty() ? QChar(u'.') : point.at(0);
}

bool isSign(QChar c)
{
    return c == u'+' || c == u'-';
}

} // namespace

QString cleanNumberText(const QString &text, bool allowFloat, bool allowSigns, QChar separator)
{
    QString result = cleanNumberPiece(text, allowFloat, allowSigns, separator);
    if (result.isEmpty() || result == u"-" || result == u"+")
        result += u'0';
    return result;
}

QString cleanNumberPiece(const QString &text, bool allowFloat, bool allowSigns, QChar separator)
{
    QString result;
    bool separatorSeen = false;
    for (const QChar c : text) {
        if (c.isDigit() && c.unicode() < 128) {
            result += c;
        } else if (c == separator) {
            if (allowFloat && !separatorSeen) {
                result += c;
                separatorSeen = true;
            }
        } else if (isSign(c)) {
            if (allowSigns && result.isEmpty())
                result += c;
        }
    }
    return result;
}

TLgNumberEdit::TLgNumberEdit(QWidget *parent) : TLgEdit(parent)
{
    setText(DisplayText(0));
}

QString TLgNumberEdit::DisplayText(double value) const
{
    if (value == 0 && !m_nullText.isEmpty())
        return m_nullText;
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    const QString number = m_precision > 0 && m_options.contains(eoAllowFloat)
                               ? locale.toString(value, 'f', std::min(m_precision, kMaxPrecision))
                               : locale.toString(value, 'f', QLocale::FloatingPointShortest);
    return number + m_textAfter;
}

double TLgNumberEdit::Value() const
{
    QString t = text();
    // The shown decorations are not part of the number ("m2" would add a 2).
    if (!m_nullText.isEmpty() && t == m_nullText)
        t.clear();
    if (!m_textAfter.isEmpty() && t.endsWith(m_textAfter))
        t.chop(m_textAfter.size());
    if (t.isEmpty())
        t = QStringLiteral("0");
    const QChar separator = decimalSeparator();
    QString cleaned = cleanNumberText(t, m_options.contains(eoAllowFloat), m_options.contains(eoAllowSigns),
                                      separator);
    cleaned.replace(separator, u'.');
    double value = cleaned.toDouble();
    if (m_max > 0 && value > m_max)
        value = m_max;
    // Min 0 with Max 0 is "no limits": the edit allows signs by default, and
    // a negative number typed there must not silently read as 0.
    const bool limited = m_max > 0 || m_min != 0;
    if (limited && value < m_min)
        value = m_min;
    return value;
}

void TLgNumberEdit::SetValue(double value)
{
    setText(DisplayText(value));
}

void TLgNumberEdit::SetPrecision(int precision)
{
    const double value = Value();
    m_precision = std::max(0, precision);
    SetValue(value);
}

void TLgNumberEdit::SetNullText(const QString &nullText)
{
    const double value = Value();
    m_nullText = nullText;
    SetValue(value);
}

void TLgNumberEdit::SetTextAfter(const QString &textAfter)
{
    const double value = Value();
    m_textAfter = textAfter;
    SetValue(value);
}

bool TLgNumberEdit::acceptsCharacter(QChar c) const
{
    if (c.isDigit() && c.unicode() < 128)
        return true;
    const QString selection = selectedText();
    if (c == decimalSeparator())
        return m_options.contains(eoAllowFloat) && (!text().contains(c) || selection.contains(c));
    if (isSign(c)) {
        if (!m_options.contains(eoAllowSigns))
            return false;
        const bool hasSign = text().contains(u'+') || text().contains(u'-');
        const int caret = hasSelectedText() ? selectionStart() : cursorPosition();
        return (caret == 0 && !hasSign) || selection.contains(u'+') || selection.contains(u'-');
    }
    return false;
}

void TLgNumberEdit::PasteText(const QString &pasted)
{
    const QString current = text();
    const int start = hasSelectedText() ? selectionStart() : cursorPosition();
    const int length = hasSelectedText() ? int(selectedText().size()) : 0;
    const QChar separator = decimalSeparator();
    const QString rest = current.left(start) + current.mid(start + length);
    const bool allowSigns = m_options.contains(eoAllowSigns) && start == 0;
    const bool allowFloat = m_options.contains(eoAllowFloat) && !rest.contains(separator);
    const QString piece = cleanNumberPiece(pasted, allowFloat, allowSigns, separator);
    QString result = current.left(start) + piece + current.mid(start + length);
    if (result.isEmpty() || result == u"-" || result == u"+")
        result += u'0';
    setText(result);
    setCursorPosition(start + int(piece.size()));
}

void TLgNumberEdit::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Paste)) {
        if (!m_options.contains(eoAllowAll))
            PasteText(QApplication::clipboard()->text());
        else
            TLgEdit::keyPressEvent(event);
        event->accept();
        return;
    }
    const QString typed = event->text();
    const bool control = event->modifiers() & Qt::ControlModifier;
    if (!m_options.contains(eoAllowAll) && !control && typed.size() == 1 && typed.at(0).isPrint()
        && !acceptsCharacter(typed.at(0))) {
        event->accept();
        return;
    }
    TLgEdit::keyPressEvent(event);
}

void TLgNumberEdit::focusOutEvent(QFocusEvent *event)
{
    TLgEdit::focusOutEvent(event);
    if (!m_options.contains(eoAllowAll))
        SetValue(Value());
}

TLgSpinButtons::TLgSpinButtons(QWidget *parent) : QWidget(parent)
{
    setCursor(Qt::ArrowCursor);
    m_delayTimer.setSingleShot(true);
    connect(&m_delayTimer, &QTimer::timeout, this, [this] { m_repeatTimer.start(m_interval); });
    connect(&m_repeatTimer, &QTimer::timeout, this, [this] { step(); });
}

void TLgSpinButtons::SetTimes(std::chrono::milliseconds delay, std::chrono::milliseconds interval)
{
    m_delay = delay;
    m_interval = interval;
}

void TLgSpinButtons::step()
{
    if (OnStep && m_direction != 0)
        OnStep(m_direction);
}

void TLgSpinButtons::Press(int direction)
{
    m_direction = direction;
    step();
    m_repeatTimer.stop();
    m_delayTimer.start(m_delay);
    update();
}

void TLgSpinButtons::Release()
{
    m_direction = 0;
    m_delayTimer.stop();
    m_repeatTimer.stop();
    update();
}

void TLgSpinButtons::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        Press(event->position().y() < height() / 2.0 ? 1 : -1);
}

void TLgSpinButtons::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        Release();
}

void TLgSpinButtons::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const int half = height() / 2;
    const QRect halves[] = {QRect(0, 0, width(), half), QRect(0, half, width(), height() - half)};
    const QStyle::PrimitiveElement arrows[] = {QStyle::PE_IndicatorArrowUp, QStyle::PE_IndicatorArrowDown};
    for (int i = 0; i < 2; ++i) {
        QStyleOptionButton option;
        option.initFrom(this);
        option.rect = halves[i];
        const bool pressed = m_direction == (i == 0 ? 1 : -1);
        option.state |= pressed ? QStyle::State_Sunken : QStyle::State_Raised;
        style()->drawPrimitive(QStyle::PE_PanelButtonBevel, &option, &painter, this);
        option.rect = halves[i].adjusted(2, 1, -2, -1);
        style()->drawPrimitive(arrows[i], &option, &painter, this);
    }
}

TLgSpinEdit::TLgSpinEdit(QWidget *parent) : TLgNumberEdit(parent), m_buttons(new TLgSpinButtons(this))
{
    SetPrecision(0);
    m_buttons->OnStep = [this](int direction) { direction > 0 ? StepUp() : StepDown(); };
    UpdateTextArea();
}

int TLgSpinEdit::RightReserve() const
{
    return style()->pixelMetric(QStyle::PM_ScrollBarExtent);
}

void TLgSpinEdit::StepUp()
{
    const double value = Value();
    if (Max() > 0 && value + m_increment > Max())
        return;
    SetValue(value + m_increment);
}

void TLgSpinEdit::StepDown()
{
    const double value = Value();
    if (value - m_increment >= Min())
        SetValue(value - m_increment);
}

qint64 TLgSpinEdit::AsInteger() const
{
    // nearbyint rounds halves to even in the default rounding mode.
    return qint64(std::nearbyint(Value()));
}

void TLgSpinEdit::keyPressEvent(QKeyEvent *event)
{
    if (!InPlace() && (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down)) {
        event->key() == Qt::Key_Up ? StepUp() : StepDown();
        event->accept();
        return;
    }
    TLgNumberEdit::keyPressEvent(event);
}

void TLgSpinEdit::wheelEvent(QWheelEvent *event)
{
    const int delta = event->angleDelta().y();
    if (delta > 0)
        StepUp();
    else if (delta < 0)
        StepDown();
    event->accept();
}

void TLgSpinEdit::resizeEvent(QResizeEvent *event)
{
    TLgNumberEdit::resizeEvent(event);
    const int frame = hasFrame() ? 1 : 0;
    const int w = RightReserve();
    m_buttons->setGeometry(width() - w - frame, frame, w, height() - 2 * frame);
}
