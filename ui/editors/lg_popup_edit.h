#pragma once

#include "ui/editors/lg_edit.h"

#include <QAbstractButton>

class TLgCustomButtonEdit;
class TLgPopupEdit;

// The small button at an edit's right edge.
class TLgSmallButton : public QAbstractButton
{
    Q_OBJECT

public:
    explicit TLgSmallButton(TLgCustomButtonEdit *edit);
    // True between press and release (also while the popup is open).
    bool Pressed() const { return m_pressed; }
    void SetPressed(bool pressed);

protected:
    virtual void DrawFace(QPainter &painter, const QRect &rect);
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    TLgCustomButtonEdit *Edit() const { return m_edit; }

private:
    TLgCustomButtonEdit *m_edit;
    bool m_pressed = false;
};

// "..." button of button edits.
class TLgExecuteButton : public TLgSmallButton
{
    Q_OBJECT
public:
    using TLgSmallButton::TLgSmallButton;

protected:
    void DrawFace(QPainter &painter, const QRect &rect) override;
};

// Drop-down arrow of popup edits.
class TDropDownButton : public TLgSmallButton
{
    Q_OBJECT
public:
    using TLgSmallButton::TLgSmallButton;

protected:
    void DrawFace(QPainter &painter, const QRect &rect) override;
};

// Base of the drop-down windows: a frameless pop-up with a two-pixel frame
// that closes on a click outside it and on Escape.
class TLgPopupControl : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kBorderWidth = 2;

    explicit TLgPopupControl(TLgPopupEdit *edit);

    // Shows the pop-up with its top-left at globalPos, moved left so that it
    // stays on the screen (never left of the screen's left edge).
    void Open(const QPoint &globalPos);
    void ClosePopup();
    QRect ContentRect() const { return rect().adjusted(kBorderWidth, kBorderWidth, -kBorderWidth, -kBorderWidth); }

protected:
    TLgPopupEdit *Edit() const { return m_edit; }
    // Hands a value to the edit (the edit closes the pop-up).
    void SelectValue(const QString &value);
    virtual void PaintContent(QPainter &painter) = 0;
    // The mouse button went up over the pop-up, at `pos`: a click in it, or
    // the end of a drag from the edit that dropped it down.
    virtual void ReleasedInside(const QPointF &pos) = 0;
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    TLgPopupEdit *m_edit;
    // A press reached the pop-up since it opened. Until one does, a release
    // outside it ends the click that dropped it down, and leaves it open.
    bool m_pressed = false;
};

// An edit with a button at its right edge.
class TLgCustomButtonEdit : public TLgEdit
{
    Q_OBJECT

public:
    explicit TLgCustomButtonEdit(QWidget *parent = nullptr);

    TLgSmallButton *Button() const { return m_button; }
    std::function<void(TLgCustomButtonEdit *)> OnButtonClick;

    // Called by the button.
    virtual void ButtonPressed() {}
    void ButtonReleased();

protected:
    // The button of this class; created by the constructor of the subclass.
    void SetButton(TLgSmallButton *button);
    int RightReserve() const override;
    void resizeEvent(QResizeEvent *event) override;

private:
    TLgSmallButton *m_button = nullptr;
};

enum TDropDownStyle { dsDropDown, dsDropDownList };

class TLgPopupEdit : public TLgCustomButtonEdit
{
    Q_OBJECT

public:
    explicit TLgPopupEdit(QWidget *parent = nullptr);

    TDropDownStyle Style() const { return m_style; }
    void SetStyle(TDropDownStyle style);
    bool DroppedDown() const { return m_droppedDown; }
    void SetDroppedDown(bool dropped);
    bool HideFocus() const { return m_hideFocus; }
    void SetHideFocus(bool hide);

    // The pop-up window (created on first use).
    TLgPopupControl *Popup();

    std::function<void(TLgPopupEdit *)> OnCloseUp;
    std::function<void(TLgPopupEdit *)> OnSelect;

    void ButtonPressed() override;
    // Called by the pop-up: close it, take the value, fire OnSelect.
    virtual void SelectValue(const QString &value);
    // Called by the pop-up when it has been hidden.
    void PopupClosed();
    // Whether a press at this point of the screen drops the pop-up down.
    bool DropsDownAt(const QPoint &globalPos) const;

protected:
    virtual TLgPopupControl *CreatePopup() = 0;
    // Fills the pop-up just before it opens.
    virtual void PreparePopup(TLgPopupControl *popup);
    virtual void CloseUp();
    void mousePressEvent(QMouseEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    TDropDownStyle m_style = dsDropDown;
    bool m_droppedDown = false;
    bool m_hideFocus = false;
    bool m_closing = false;
    TLgPopupControl *m_popup = nullptr;
};
