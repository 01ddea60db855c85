#pragma once

#include "core/util/exception.h"
#include "ui/grid/grid_types.h"

#include <QColor>
#include <QString>

class TCells;
class TLgCustomColumn;

// Text that is no valid number, date or Boolean for the cell it is written to
// (or read from). The cell keeps its old value.
class EConvertError : public Exception
{
public:
    using Exception::Exception;
};

// One value of the grid. The store creates the subclass that fits the kind of
// the cell's column; every typed accessor converts to and from that class's
// own value, and every write is reported to the store.
class TCell
{
public:
    explicit TCell(TCells *owner);
    virtual ~TCell() = default;
    TCell(const TCell &) = delete;
    TCell &operator=(const TCell &) = delete;

    virtual QColor BackgroundColor() const;
    virtual QColor TextColor() const;

    virtual bool AsBoolean() const = 0;
    virtual double AsDateTime() const = 0;
    virtual double AsFloat() const = 0;
    virtual int AsInteger() const = 0;
    virtual QString AsString() const = 0;
    virtual void SetAsBoolean(bool value);
    virtual void SetAsDateTime(double value);
    virtual void SetAsFloat(double value);
    virtual void SetAsInteger(int value);
    virtual void SetAsString(const QString &value);

    // The model object the row shows. Never read, copied or freed by the grid.
    // Kept by the store beside the cell, since most grids set none.
    void *ObjectReference() const;
    void SetObjectReference(void *object);

    TFontStyles FontStyle() const { return TFontStyles::fromBits(m_fontStyle); }
    void SetFontStyle(TFontStyles style) { m_fontStyle = quint8(style.bits()); }
    QColor Color() const { return QColor::fromRgba(m_color); }
    void SetColor(const QColor &color);
    // Few cells have a hint; the store keeps them beside the cells.
    QString Hint() const;
    void SetHint(const QString &hint);

    int Col() const { return m_col; }
    int Row() const { return m_row; }

    TCells *Owner() const { return m_owner; }

private:
    friend class TCells;
    void reportChange();

    // Packed so that a text cell fills one 56-byte pool slot: a grid holds
    // a cell for every row of every column.
    TCells *m_owner;
    QRgb m_color = 0xffffffff;
    quint8 m_fontStyle = 0;
    bool m_creating = true;
    int m_col = 0;
    int m_row = 0;
};

class TBooleanCell final : public TCell
{
public:
    using TCell::TCell;
    bool AsBoolean() const override { return m_value; }
    double AsDateTime() const override { return 0; }
    double AsFloat() const override { return 0; }
    int AsInteger() const override { return 0; }
    QString AsString() const override;
    void SetAsBoolean(bool value) override;
    void SetAsDateTime(double value) override;
    void SetAsFloat(double value) override;
    void SetAsInteger(int value) override;
    void SetAsString(const QString &value) override;

private:
    bool m_value = false;
};

// Days since 1899-12-30, the fraction being the time of day.
class TDateTimeCell final : public TCell
{
public:
    using TCell::TCell;
    bool AsBoolean() const override { return false; }
    double AsDateTime() const override { return m_value; }
    double AsFloat() const override { return m_value; }
    int AsInteger() const override;
    QString AsString() const override;
    void SetAsBoolean(bool value) override;
    void SetAsDateTime(double value) override;
    void SetAsFloat(double value) override;
    void SetAsInteger(int value) override;
    void SetAsString(const QString &value) override;

private:
    double m_value = 0;
};

class TFloatCell final : public TCell
{
public:
    using TCell::TCell;
    bool AsBoolean() const override { return false; }
    double AsDateTime() const override { return m_value; }
    double AsFloat() const override { return m_value; }
    int AsInteger() const override;
    QString AsString() const override;
    void SetAsBoolean(bool value) override;
    void SetAsDateTime(double value) override;
    void SetAsFloat(double value) override;
    void SetAsInteger(int value) override;
    void SetAsString(const QString &value) override;

private:
    double m_value = 0;
};

class TIntegerCell final : public TCell
{
public:
    using TCell::TCell;
    bool AsBoolean() const override { return m_value > 0; }
    double AsDateTime() const override { return 0; }
    double AsFloat() const override { return m_value; }
    int AsInteger() const override { return m_value; }
    QString AsString() const override { return QString::number(m_value); }
    void SetAsBoolean(bool value) override;
    void SetAsDateTime(double value) override;
    void SetAsFloat(double value) override;
    void SetAsInteger(int value) override;
    void SetAsString(const QString &value) override;

private:
    int m_value = 0;
};

class TStringCell final : public TCell
{
public:
    using TCell::TCell;
    bool AsBoolean() const override;
    double AsDateTime() const override;
    double AsFloat() const override;
    int AsInteger() const override;
    QString AsString() const override { return m_value; }
    void SetAsBoolean(bool value) override;
    void SetAsDateTime(double value) override;
    void SetAsFloat(double value) override;
    void SetAsInteger(int value) override;
    void SetAsString(const QString &value) override;

private:
    QString m_value;
};

// Shows the row's number counted from 1; holds nothing.
class TIncrementCell final : public TCell
{
public:
    using TCell::TCell;
    bool AsBoolean() const override { return false; }
    double AsDateTime() const override { return 0; }
    double AsFloat() const override { return Row() + 1; }
    int AsInteger() const override { return Row() + 1; }
    QString AsString() const override { return QString::number(Row() + 1); }
};

// Keeps no value: its column supplies and takes the text.
class TVirtualCell final : public TCell
{
public:
    TVirtualCell(TCells *owner, TLgCustomColumn *column) : TCell(owner), m_column(column) {}
    bool AsBoolean() const override;
    double AsDateTime() const override;
    double AsFloat() const override;
    int AsInteger() const override;
    QString AsString() const override;
    void SetAsBoolean(bool value) override;
    void SetAsDateTime(double value) override;
    void SetAsFloat(double value) override;
    void SetAsInteger(int value) override;
    void SetAsString(const QString &value) override;

private:
    void store(const QString &text);
    TLgCustomColumn *m_column;
};

// The conversions the cells share, also used by the footer formulas and the
// sort keys.
namespace CellText {
QString fromBoolean(bool value);
QString fromFloat(double value);
QString fromDateTime(double value);
bool toBoolean(const QString &text);        // EConvertError
double toFloat(const QString &text);        // EConvertError
int toInteger(const QString &text);         // EConvertError
double toDateTime(const QString &text);     // EConvertError
bool tryToFloat(const QString &text, double &value);
bool tryToDateTime(const QString &text, double &value);
// Nearest integer, halves to the even neighbour; EConvertError outside int.
int roundToInteger(double value);
double today();
} // namespace CellText
