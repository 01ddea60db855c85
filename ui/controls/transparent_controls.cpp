#include "ui/controls/transparent_controls.h"

#include <QEvent>
#include <QFontMetrics>

namespace {

constexpr int kHorizontalFrame = 10;
constexpr int kButtonLeft = 8;
constexpr int kVerticalFrame = 5;

} // namespace

TTrGroupButton::TTrGroupButton(TCustomTrRadioGroup *group) : TTrRadioButton(group)
{
    // The group decides which button is checked, not Qt's auto-exclusivity.
    setAutoExclusive(false);
    hide();
    connect(this, &QAbstractButton::clicked, this, [this, group] { group->buttonClicked(this); });
}

TCustomTrRadioGroup::TCustomTrRadioGroup(QWidget *parent) : TCustomTrGroupBox(parent) {}

void TCustomTrRadioGroup::SetItems(const QStringList &items)
{
    m_items = items;
    m_updating = true;
    while (m_buttons.size() < m_items.size())
        m_buttons.append(new TTrGroupButton(this));
    while (m_buttons.size() > m_items.size())
        delete m_buttons.takeLast();
    for (int i = 0; i < m_buttons.size(); ++i)
        m_buttons.at(i)->setText(m_items.at(i));
    if (m_itemIndex >= m_items.size())
        m_itemIndex = int(m_items.size()) - 1;
    updateChecks();
    m_updating = false;
    ArrangeButtons();
    update();
}

void TCustomTrRadioGroup::SetItemIndex(int index)
{
    m_itemIndex = std::clamp(index, -1, int(m_buttons.size()) - 1);
    m_updating = true;
    updateChecks();
    m_updating = false;
}

void TCustomTrRadioGroup::updateChecks()
{
    for (int i = 0; i < m_buttons.size(); ++i)
        m_buttons.at(i)->setChecked(i == m_itemIndex);
}

void TCustomTrRadioGroup::SetColumns(int columns)
{
    m_columns = std::clamp(columns, 1, kMaxColumns);
    ArrangeButtons();
}

void TCustomTrRadioGroup::ArrangeButtons()
{
    const int count = int(m_buttons.size());
    if (count == 0)
        return;
    const int textHeight = QFontMetrics(font()).height();
    const int rows = (count + m_columns - 1) / m_columns;
    const int buttonWidth = (width() - kHorizontalFrame) / m_columns;
    const int space = height() - textHeight - kVerticalFrame;
    const int buttonHeight = space / rows;
    const int topOffset = (space % rows) / 2 + textHeight + 1;
    for (int i = 0; i < count; ++i) {
        TTrGroupButton *button = m_buttons.at(i);
        button->setGeometry((i / rows) * buttonWidth + kButtonLeft, (i % rows) * buttonHeight + topOffset,
                            buttonWidth, buttonHeight);
        button->show();
    }
}

void TCustomTrRadioGroup::buttonClicked(TTrGroupButton *button)
{
    if (m_updating)
        return;
    SetItemIndex(int(m_buttons.indexOf(button)));
    if (OnChange)
        OnChange(this);
    if (OnClick)
        OnClick(this);
}

void TCustomTrRadioGroup::resizeEvent(QResizeEvent *event)
{
    TCustomTrGroupBox::resizeEvent(event);
    ArrangeButtons();
}

void TCustomTrRadioGroup::changeEvent(QEvent *event)
{
    TCustomTrGroupBox::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        ArrangeButtons();
    // Enabling or disabling the group reaches its buttons as Qt children.
}
