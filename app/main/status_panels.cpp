#include "app/main/status_panels.h"

#include <QHBoxLayout>
#include <QLabel>

TPanelBar::TPanelBar(const QList<int> &widths, QWidget *parent) : QFrame(parent)
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(1, 1, 1, 1);
    row->setSpacing(2);
    for (int width : widths) {
        Panel panel;
        panel.frame = new QFrame(this);
        panel.frame->setFrameShape(QFrame::Panel);
        panel.frame->setFrameShadow(QFrame::Sunken);
        panel.layout = new QHBoxLayout(panel.frame);
        panel.layout->setContentsMargins(3, 0, 3, 0);
        panel.layout->setSpacing(2);
        panel.label = new QLabel(panel.frame);
        panel.label->setTextFormat(Qt::PlainText);
        panel.layout->addWidget(panel.label, 1);
        if (width > 0) {
            panel.frame->setFixedWidth(width);
            row->addWidget(panel.frame);
        } else if (width == FitText) {
            panel.frame->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
            // An empty sunken sliver would look like a fault.
            panel.frame->hide();
            panel.fitsText = true;
            row->addWidget(panel.frame);
        } else {
            panel.frame->setMinimumWidth(40);
            row->addWidget(panel.frame, 1);
        }
        m_panels.append(panel);
    }
    setFixedHeight(fontMetrics().height() + 10);
}

void TPanelBar::WrapPanelText(int index)
{
    const Panel &panel = m_panels.at(index);
    panel.label->setWordWrap(true);
    // Its longest word is the least it needs now.
    panel.frame->setMinimumWidth(0);
    // The bar keeps its one-line height as the least it takes.
    const int height = maximumHeight();
    setMinimumHeight(height);
    setMaximumHeight(QWIDGETSIZE_MAX);
}

QString TPanelBar::PanelText(int index) const
{
    return m_panels.at(index).label->text();
}

void TPanelBar::SetPanelText(int index, const QString &text)
{
    const Panel &panel = m_panels.at(index);
    panel.label->setText(text);
    if (panel.fitsText)
        panel.frame->setVisible(!text.isEmpty());
}

void TPanelBar::PlaceInPanel(int index, QWidget *control)
{
    const Panel &panel = m_panels.at(index);
    // A control fills the panel; the panel's own text steps aside.
    if (panel.label->text().isEmpty())
        panel.label->hide();
    control->setParent(panel.frame);
    panel.layout->addWidget(control, 1);
}

QRect TPanelBar::PanelRect(int index) const
{
    return m_panels.at(index).frame->geometry();
}
