#include "ui/grid/cells.h"

#include "core/util/messages.h"
#include "ui/grid/cell_store.h"
#include "ui/grid/columns.h"

#include <QDateTime>
#include <QLocale>

#include <cmath>
#include <limits>

namespace {

constexpr qint64 kMsecsPerDay = 86400000;

QDate dateTimeEpoch()
{
    return QDate(1899, 12, 30);
}

// Numbers are written without group separators so that they read back.
QLocale numberLocale()
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale;
}

[[noreturn]] void throwConvert(MsgId id, const QString &text)
{
    throw EConvertError(FormatMsg1(msg(id), text));
}

QDateTime toQDateTime(double value)
{
    const double days = std::trunc(value);
    const double fraction = std::fabs(value - days);
    const QDate date = dateTimeEpoch().addDays(qint64(days));
    const QTime time = QTime::fromMSecsSinceStartOfDay(
        int(std::llround(fraction * kMsecsPerDay) % kMsecsPerDay));
    return QDateTime(date, time);
}

double fromQDateTime(const QDateTime &dt)
{
    const double days = double(dateTimeEpoch().daysTo(dt.date()));
    const double fraction = double(dt.time().msecsSinceStartOfDay()) / kMsecsPerDay;
    return days >= 0 ? days + fraction : days - fraction;
}

} // namespace

namespace CellText {

QString fromBoolean(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

QString fromFloat(double value)
{
    constexpr int kSignificantDigits = 15;
    return numberLocale().toString(value, 'g', kSignificantDigits);
}

QString fromDateTime(double value)
{
    const QDateTime dt = toQDateTime(value);
    const QLocale locale;
    if (dt.time().msecsSinceStartOfDay() == 0)
        return locale.toString(dt.date(), QLocale::ShortFormat);
    return locale.toString(dt, QLocale::ShortFormat);
}

bool tryToFloat(const QString &text, double &value)
{
    const QString t = text.trimmed();
    bool ok = false;
    double v = numberLocale().toDouble(t, &ok);
    if (!ok)
        v = QLocale::c().toDouble(t, &ok);
    if (!ok || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

double toFloat(const QString &text)
{
    double v = 0;
    if (!tryToFloat(text, v))
        throwConvert(MsgInvalidFloat, text);
    return v;
}

int toInteger(const QString &text)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok, 10);
    if (!ok)
        throwConvert(MsgInvalidInteger, text);
    return v;
}

bool toBoolean(const QString &text)
{
    const QString t = text.trimmed().toLower();
    if (t == u"true")
        return true;
    if (t == u"false")
        return false;
    double v = 0;
    if (!tryToFloat(t, v))
        throwConvert(MsgInvalidBoolean, text);
    return v != 0;
}

bool tryToDateTime(const QString &text, double &value)
{
    const QString t = text.trimmed();
    const QLocale locale;
    QDateTime dt = locale.toDateTime(t, QLocale::ShortFormat);
    if (!dt.isValid()) {
        const QDate d = locale.toDate(t, QLocale::ShortFormat);
        if (d.isValid())
            dt = QDateTime(d, QTime(0, 0));
    }
    if (!dt.isValid())
        dt = QDateTime::fromString(t, Qt::ISODate);
    if (!dt.isValid()) {
        const QDate d = QDate::fromString(t, Qt::ISODate);
        if (d.isValid())
            dt = QDateTime(d, QTime(0, 0));
    }
    if (!dt.isValid())
        return false;
    value = fromQDateTime(dt);
    return true;
}

double toDateTime(const QString &text)
{
    double v = 0;
    if (!tryToDateTime(text, v))
        throwConvert(MsgInvalidDateTime, text);
    return v;
}

int roundToInteger(double value)
{
    // nearbyint rounds halves to the even neighbour in the default mode.
    const double r = std::nearbyint(value);
    if (!std::isfinite(r) || r < double(std::numeric_limits<int>::min())
        || r > double(std::numeric_limits<int>::max()))
        throwConvert(MsgInvalidInteger, fromFloat(value));
    return int(r);
}

double today()
{
    return double(dateTimeEpoch().daysTo(QDate::currentDate()));
}

} // namespace CellText

// The font styles fit the byte the cell keeps them in, and the packed cells
// fit the store's slots without padding (see TCellPool).
static_assert(int(fsStrikeOut) < 8);
static_assert(sizeof(void *) != 8 || sizeof(TCell) == 32);
static_assert(sizeof(void *) != 8 || sizeof(TStringCell) == 56);

TCell::TCell(TCells *owner) : m_owner(owner) {}

void *TCell::ObjectReference() const
{
    return m_owner->ObjectReferenceOf(this);
}

void TCell::SetObjectReference(void *object)
{
    m_owner->SetObjectReferenceOf(this, object);
}

QString TCell::Hint() const
{
    return m_owner->HintOf(this);
}

void TCell::SetHint(const QString &hint)
{
    m_owner->SetHintOf(this, hint);
}

QColor TCell::BackgroundColor() const
{
    return m_owner->CellColor(m_col, m_row, false);
}

QColor TCell::TextColor() const
{
    return m_owner->CellColor(m_col, m_row, true);
}

void TCell::SetColor(const QColor &color)
{
    m_color = color.rgba();
    if (!m_creating)
        reportChange();
}

void TCell::reportChange()
{
    m_owner->ValueChanged(m_col, m_row);
}

void TCell::SetAsBoolean(bool)
{
    reportChange();
}
void TCell::SetAsDateTime(double)
{
    reportChange();
}
void TCell::SetAsFloat(double)
{
    reportChange();
}
void TCell::SetAsInteger(int)
{
    reportChange();
}
void TCell::SetAsString(const QString &)
{
    reportChange();
}

// --- TBooleanCell

QString TBooleanCell::AsString() const
{
    return CellText::fromBoolean(m_value);
}
void TBooleanCell::SetAsBoolean(bool value)
{
    m_value = value;
    TCell::SetAsBoolean(value);
}
void TBooleanCell::SetAsDateTime(double value)
{
    m_value = false;
    TCell::SetAsDateTime(value);
}
void TBooleanCell::SetAsFloat(double value)
{
    m_value = value > 0;
    TCell::SetAsFloat(value);
}
void TBooleanCell::SetAsInteger(int value)
{
    m_value = value > 0;
    TCell::SetAsInteger(value);
}
void TBooleanCell::SetAsString(const QString &value)
{
    m_value = value.toLower() == u"true";
    TCell::SetAsString(value);
}

// --- TDateTimeCell

int TDateTimeCell::AsInteger() const
{
    return CellText::roundToInteger(m_value);
}
QString TDateTimeCell::AsString() const
{
    return CellText::fromDateTime(m_value);
}
void TDateTimeCell::SetAsBoolean(bool value)
{
    m_value = CellText::today();
    TCell::SetAsBoolean(value);
}
void TDateTimeCell::SetAsDateTime(double value)
{
    m_value = value;
    TCell::SetAsDateTime(value);
}
void TDateTimeCell::SetAsFloat(double value)
{
    m_value = value;
    TCell::SetAsFloat(value);
}
void TDateTimeCell::SetAsInteger(int value)
{
    m_value = value;
    TCell::SetAsInteger(value);
}
void TDateTimeCell::SetAsString(const QString &value)
{
    double v = 0;
    if (!value.isEmpty() && !CellText::tryToDateTime(value, v))
        v = 0;
    m_value = v;
    TCell::SetAsString(value);
}

// --- TFloatCell

int TFloatCell::AsInteger() const
{
    return CellText::roundToInteger(m_value);
}
QString TFloatCell::AsString() const
{
    return CellText::fromFloat(m_value);
}
void TFloatCell::SetAsBoolean(bool value)
{
    m_value = 0;
    TCell::SetAsBoolean(value);
}
void TFloatCell::SetAsDateTime(double value)
{
    m_value = value;
    TCell::SetAsDateTime(value);
}
void TFloatCell::SetAsFloat(double value)
{
    m_value = value;
    TCell::SetAsFloat(value);
}
void TFloatCell::SetAsInteger(int value)
{
    m_value = value;
    TCell::SetAsInteger(value);
}
void TFloatCell::SetAsString(const QString &value)
{
    m_value = CellText::toFloat(value);
    TCell::SetAsString(value);
}

// --- TIntegerCell

void TIntegerCell::SetAsBoolean(bool value)
{
    m_value = value ? 1 : 0;
    TCell::SetAsBoolean(value);
}
void TIntegerCell::SetAsDateTime(double value)
{
    m_value = 0;
    TCell::SetAsDateTime(value);
}
void TIntegerCell::SetAsFloat(double value)
{
    m_value = CellText::roundToInteger(value);
    TCell::SetAsFloat(value);
}
void TIntegerCell::SetAsInteger(int value)
{
    m_value = value;
    TCell::SetAsInteger(value);
}
void TIntegerCell::SetAsString(const QString &value)
{
    m_value = value.isEmpty() ? 0 : CellText::toInteger(value);
    TCell::SetAsString(value);
}

// --- TStringCell

bool TStringCell::AsBoolean() const
{
    return CellText::toBoolean(m_value);
}
double TStringCell::AsDateTime() const
{
    return CellText::toDateTime(m_value);
}
double TStringCell::AsFloat() const
{
    return CellText::toFloat(m_value);
}
int TStringCell::AsInteger() const
{
    return CellText::toInteger(m_value);
}
void TStringCell::SetAsBoolean(bool value)
{
    m_value = CellText::fromBoolean(value);
    TCell::SetAsBoolean(value);
}
void TStringCell::SetAsDateTime(double value)
{
    m_value = CellText::fromDateTime(value);
    TCell::SetAsDateTime(value);
}
void TStringCell::SetAsFloat(double value)
{
    m_value = CellText::fromFloat(value);
    TCell::SetAsFloat(value);
}
void TStringCell::SetAsInteger(int value)
{
    m_value = QString::number(value);
    TCell::SetAsInteger(value);
}
void TStringCell::SetAsString(const QString &value)
{
    m_value = value;
    TCell::SetAsString(value);
}

// --- TVirtualCell

QString TVirtualCell::AsString() const
{
    QString text;
    m_column->GetVirtualText(Col(), Row(), text);
    return text;
}
bool TVirtualCell::AsBoolean() const
{
    return CellText::toBoolean(AsString());
}
double TVirtualCell::AsDateTime() const
{
    return CellText::toDateTime(AsString());
}
double TVirtualCell::AsFloat() const
{
    return CellText::toFloat(AsString());
}
int TVirtualCell::AsInteger() const
{
    return CellText::toInteger(AsString());
}
void TVirtualCell::store(const QString &text)
{
    m_column->SetVirtualText(Col(), Row(), text);
}
void TVirtualCell::SetAsBoolean(bool value)
{
    store(CellText::fromBoolean(value));
    TCell::SetAsBoolean(value);
}
void TVirtualCell::SetAsDateTime(double value)
{
    store(CellText::fromDateTime(value));
    TCell::SetAsDateTime(value);
}
void TVirtualCell::SetAsFloat(double value)
{
    store(CellText::fromFloat(value));
    TCell::SetAsFloat(value);
}
void TVirtualCell::SetAsInteger(int value)
{
    store(QString::number(value));
    TCell::SetAsInteger(value);
}
void TVirtualCell::SetAsString(const QString &value)
{
    store(value);
    TCell::SetAsString(value);
}
