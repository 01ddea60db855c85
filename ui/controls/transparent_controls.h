#pragma once

#include <QCheckBox>
#include <QGroupBox>
#include <QList>
#include <QRadioButton>
#include <QStringList>

#include <functional>

// Check boxes, radio buttons and group boxes that show their parent's
// painting (a gradient panel) around their box and text. A Qt child that
// does not fill its background is drawn over what its parent painted, and
// repainted with it when the parent changes, so "transparent" here means
// "leave the background to the parent"; switching Transparent off makes the
// control fill its background with the window colour again.
template <typename Base>
class TTransparent : public Base
{
public:
    explicit TTransparent(QWidget *parent = nullptr) : Base(parent) { apply(); }

    bool Transparent() const { return m_transparent; }
    void SetTransparent(bool transparent)
    {
        if (transparent == m_transparent)
            return;
        m_transparent = transparent;
        apply();
        this->update();
    }

private:
    void apply()
    {
        this->setAutoFillBackground(!m_transparent);
        this->setAttribute(Qt::WA_NoSystemBackground, m_transparent);
    }

    bool m_transparent = true;
};

class TTrRadioButton : public TTransparent<QRadioButton>
{
    Q_OBJECT
public:
    using TTransparent::TTransparent;
};

class TCustomTrCheckBox : public TTransparent<QCheckBox>
{
    Q_OBJECT
public:
    using TTransparent::TTransparent;
};

class TTrCheckBox : public TCustomTrCheckBox
{
    Q_OBJECT
public:
    using TCustomTrCheckBox::TCustomTrCheckBox;
};

class TCustomTrGroupBox : public TTransparent<QGroupBox>
{
    Q_OBJECT
public:
    using TTransparent::TTransparent;
};

class TTrGroupBox : public TCustomTrGroupBox
{
    Q_OBJECT
public:
    using TCustomTrGroupBox::TCustomTrGroupBox;
};

class TCustomTrRadioGroup;

// One button of a radio group.
class TTrGroupButton : public TTrRadioButton
{
    Q_OBJECT
public:
    explicit TTrGroupButton(TCustomTrRadioGroup *group);
};

// A group box holding one radio button per item, laid out in 1..16 columns.
class TCustomTrRadioGroup : public TCustomTrGroupBox
{
    Q_OBJECT
    Q_PROPERTY(QStringList Items READ Items WRITE SetItems)
    Q_PROPERTY(int ItemIndex READ ItemIndex WRITE SetItemIndex)
    Q_PROPERTY(int Columns READ Columns WRITE SetColumns)

public:
    static constexpr int kMaxColumns = 16;

    explicit TCustomTrRadioGroup(QWidget *parent = nullptr);

    const QStringList &Items() const { return m_items; }
    void SetItems(const QStringList &items);
    int ItemIndex() const { return m_itemIndex; }
    void SetItemIndex(int index);
    int Columns() const { return m_columns; }
    void SetColumns(int columns);
    const QList<TTrGroupButton *> &Buttons() const { return m_buttons; }

    std::function<void(TCustomTrRadioGroup *)> OnChange;
    std::function<void(TCustomTrRadioGroup *)> OnClick;

    // Places the buttons in columns (what a resize or font change does).
    void ArrangeButtons();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    friend class TTrGroupButton;
    void buttonClicked(TTrGroupButton *button);
    void updateChecks();

    QStringList m_items;
    int m_itemIndex = -1;
    int m_columns = 1;
    bool m_updating = false;
    QList<TTrGroupButton *> m_buttons;
};

class TTrRadioGroup : public TCustomTrRadioGroup
{
    Q_OBJECT
public:
    using TCustomTrRadioGroup::TCustomTrRadioGroup;
};
