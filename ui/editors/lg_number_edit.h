#pragma once

#include "ui/editors/lg_edit.h"

#include <QTimer>

#include <chrono>

enum TEditOption { eoAllowAll, eoAllowFloat, eoAllowSigns };
using TEditOptions = TSetOf<TEditOption>;

// Keeps what a number may hold: digits, one decimal separator (when floats
// are allowed), a sign only in front (when signs are allowed). A result
// that is empty or only a sign gets "0" appended.
QString cleanNumberText(const QString &text, bool allowFloat, bool allowSigns, QChar decimalSeparator);
// The same without the "0" for an empty result: what a pasted piece keeps.
QString cleanNumberPiece(const QString &text, bool allowFloat, bool allowSigns, QChar decimalSeparator);

class TLgNumberEdit : public TLgEdit
{
    Q_OBJECT
    Q_PROPERTY(double Value READ Value WRITE SetValue)

public:
    static constexpr int kMaxPrecision = 18;

    explicit TLgNumberEdit(QWidget *parent = nullptr);

    // The text as a number, cleaned and kept within Min (always) and Max
    // (when Max > 0).
    double Value() const;
    void SetValue(double value);
    TEditOptions Options() const { return m_options; }
    void SetOptions(TEditOptions options) { m_options = options; }
    int Precision() const { return m_precision; }
    void SetPrecision(int precision);
    QString NullText() const { return m_nullText; }
    void SetNullText(const QString &text);
    QString TextAfter() const { return m_textAfter; }
    void SetTextAfter(const QString &text);
    double Min() const { return m_min; }
    void SetMin(double min) { m_min = min; }
    double Max() const { return m_max; }
    void SetMax(double max) { m_max = max; }

    // The text shown for a value.
    QString DisplayText(double value) const;
    // Replaces the selection with pasted text, keeping the number valid.
    void PasteText(const QString &pasted);

    double AsFloat() const override { return Value(); }
    void SetAsFloat(double value) override { SetValue(value); }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    bool acceptsCharacter(QChar c) const;

private:
    TEditOptions m_options{eoAllowFloat, eoAllowSigns};
    int m_precision = 2;
    QString m_nullText;
    QString m_textAfter;
    double m_min = 0;
    double m_max = 0;
};

// The up/down button pair of TLgSpinEdit. A press steps once at once and,
// while held, again after a delay and then at a fast rate.
class TLgSpinButtons : public QWidget
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds kRepeatDelay{400};
    static constexpr std::chrono::milliseconds kRepeatInterval{20};

    explicit TLgSpinButtons(QWidget *parent = nullptr);

    // Tests shorten the times; the control uses the defaults.
    void SetTimes(std::chrono::milliseconds delay, std::chrono::milliseconds interval);
    std::chrono::milliseconds RepeatDelay() const { return m_delay; }
    std::chrono::milliseconds RepeatInterval() const { return m_interval; }
    bool Repeating() const { return m_repeatTimer.isActive(); }

    // +1 for up, -1 for down.
    std::function<void(int direction)> OnStep;

    void Press(int direction);
    void Release();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void step();

    QTimer m_delayTimer;
    QTimer m_repeatTimer;
    std::chrono::milliseconds m_delay = kRepeatDelay;
    std::chrono::milliseconds m_interval = kRepeatInterval;
    int m_direction = 0;
};

class TLgSpinEdit : public TLgNumberEdit
{
    Q_OBJECT

public:
    explicit TLgSpinEdit(QWidget *parent = nullptr);

    double Increment() const { return m_increment; }
    void SetIncrement(double increment) { m_increment = increment; }
    TLgSpinButtons *Buttons() const { return m_buttons; }

    void StepUp();
    void StepDown();

    // Integers are Value rounded half to even.
    qint64 AsInteger() const override;
    void SetAsInteger(qint64 value) override { SetValue(double(value)); }

protected:
    int RightReserve() const override;
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    double m_increment = 1.0;
    TLgSpinButtons *m_buttons;
};
