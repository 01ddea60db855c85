#include "app/main/settings_controls.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QLayout>
#include <QSplitter>

#include <algorithm>
#include <numeric>

namespace {

// Unchecks a radio button for real: an exclusive group refuses to uncheck
// its checked button, so the exclusivity is lifted for the moment.
class TExclusivityPause
{
public:
    explicit TExclusivityPause(QAbstractButton *button)
        : m_button(button), m_group(button->group()),
          m_groupExclusive(m_group && m_group->exclusive()), m_autoExclusive(button->autoExclusive())
    {
        if (m_groupExclusive)
            m_group->setExclusive(false);
        if (m_autoExclusive)
            m_button->setAutoExclusive(false);
    }
    ~TExclusivityPause()
    {
        if (m_autoExclusive)
            m_button->setAutoExclusive(true);
        if (m_groupExclusive)
            m_group->setExclusive(true);
    }
    TExclusivityPause(const TExclusivityPause &) = delete;
    TExclusivityPause &operator=(const TExclusivityPause &) = delete;

private:
    QAbstractButton *m_button;
    QButtonGroup *m_group;
    bool m_groupExclusive;
    bool m_autoExclusive;
};

// Before the window is first shown its layouts have not placed anything yet,
// so a splitter inside still has its initial size and would share out the
// wrong width. Laying out every level from the window down to it gives it
// the size it will have once shown.
void settleLayoutsDownTo(QWidget *widget)
{
    QList<QWidget *> chain;
    for (QWidget *w = widget; w; w = w->isWindow() ? nullptr : w->parentWidget())
        chain.prepend(w);
    for (QWidget *w : chain) {
        if (QLayout *layout = w->layout()) {
            layout->invalidate();
            layout->activate();
        }
    }
}

// Every widget counts as hidden until its window is first shown; only one
// hidden on purpose takes no room in the splitter.
bool hiddenOnPurpose(const QWidget *widget)
{
    return widget->isHidden() && widget->testAttribute(Qt::WA_WState_ExplicitShowHide);
}

} // namespace

void setButtonChecked(QAbstractButton *button, bool checked)
{
    if (!button || button->isChecked() == checked)
        return;
    if (checked) {
        button->setChecked(true);
        return;
    }
    TExclusivityPause pause(button);
    button->setChecked(false);
}

void setPanelWidth(QWidget *panel, int width)
{
    auto *splitter = qobject_cast<QSplitter *>(panel->parentWidget());
    if (!splitter || splitter->orientation() != Qt::Horizontal) {
        panel->resize(width, panel->height());
        return;
    }
    if (!splitter->isVisible())
        settleLayoutsDownTo(splitter);
    QList<int> sizes = splitter->sizes();
    const int at = splitter->indexOf(panel);
    if (at < 0 || at >= sizes.size()) {
        panel->resize(width, panel->height());
        return;
    }
    // The room is the splitter's own width (its sizes may still be those of
    // an earlier geometry), less the handles between the shown widgets.
    int shown = 0;
    for (int i = 0; i < splitter->count(); ++i)
        shown += hiddenOnPurpose(splitter->widget(i)) ? 0 : 1;
    const int total =
        std::max(0, splitter->contentsRect().width() - splitter->handleWidth() * std::max(0, shown - 1));
    const int othersBefore = std::accumulate(sizes.begin(), sizes.end(), 0) - sizes[at];
    const int othersAfter = std::max(0, total - width);
    int given = 0;
    int firstOther = -1;
    for (int i = 0; i < sizes.size(); ++i) {
        if (i == at || hiddenOnPurpose(splitter->widget(i)))
            continue;
        if (firstOther < 0)
            firstOther = i;
        sizes[i] = othersBefore > 0 ? int(qint64(sizes[i]) * othersAfter / othersBefore) : 0;
        given += sizes[i];
    }
    if (firstOther >= 0)
        sizes[firstOther] += othersAfter - given;
    sizes[at] = width;
    splitter->setSizes(sizes);
}
