#include "ui/controls/popup_action_bar.h"

#include "core/util/exception.h"
#include "core/util/messages.h"

#include <QWidget>

namespace {

// A separator is either a real one or an item captioned "-".
bool isSeparator(const QAction *item)
{
    return item->isSeparator() || item->text() == u"-";
}

void copyLook(const QAction *from, QAction *to)
{
    to->setText(from->text());
    to->setIcon(from->icon());
    to->setShortcut(from->shortcut());
    to->setVisible(from->isVisible());
}

} // namespace

TMenuAction::TMenuAction(QAction *menuItem, QObject *parent)
    : QAction(parent), m_menuItem(menuItem)
{
    copyLook(menuItem, this);
    setData(menuItem->data()); // the item's tag
    setCheckable(menuItem->isCheckable());
    setChecked(menuItem->isChecked());
    setEnabled(menuItem->isEnabled());
    connect(this, &QAction::triggered, this, [this] {
        // The item's own handlers run with the item as sender; emitting its
        // signal rather than calling trigger() leaves a checkable item as it is.
        if (m_menuItem)
            Q_EMIT m_menuItem->triggered(m_menuItem->isChecked());
    });
}

TCustomPopupActionBarEx::TCustomPopupActionBarEx(QObject *parent)
    : QObject(parent)
{
}

TCustomPopupActionBarEx::~TCustomPopupActionBarEx() = default;

std::unique_ptr<QMenu> TCustomPopupActionBarEx::BuildMenu()
{
    if (!m_items) {
        throw Exception(msg(MsgActionManagerNotAssigned).replace(QStringLiteral("%s"), objectName()));
    }
    m_wrappers = std::make_unique<QObject>();
    auto menu = std::make_unique<QMenu>(m_actionManager);
    if (m_actionManager)
        menu->setStyle(m_actionManager->style());
    if (ColorMap)
        menu->setPalette(*ColorMap);
    if (!Shadows)
        menu->setWindowFlag(Qt::NoDropShadowWindowHint, true);
    fill(menu.get(), m_items);
    return menu;
}

void TCustomPopupActionBarEx::fill(QMenu *display, QMenu *source)
{
    for (QAction *item : source->actions()) {
        if (isSeparator(item)) {
            display->addSeparator();
            continue;
        }
        QMenu *children = item->menu();
        if (children && item->isVisible()) {
            QMenu *sub = display->addMenu(item->text());
            copyLook(item, sub->menuAction());
            sub->menuAction()->setEnabled(item->isEnabled());
            // Filled when it opens, once, after the parent item's handler ran.
            connect(sub, &QMenu::aboutToShow, sub, [this, sub, item, children] {
                if (sub->property("filled").toBool())
                    return;
                sub->setProperty("filled", true);
                Q_EMIT item->triggered(item->isChecked());
                sub->clear();
                fill(sub, children);
            });
            continue;
        }
        // An item that brings an action of its own (one the menu does not own)
        // is shown through that action.
        if (!children && item->parent() != source) {
            display->addAction(item);
            continue;
        }
        display->addAction(new TMenuAction(item, m_wrappers.get()));
    }
}

void TCustomPopupActionBarEx::Popup(int x, int y)
{
    if (m_showing)
        return;
    if (OnPopup)
        OnPopup(this);
    std::unique_ptr<QMenu> menu = BuildMenu();
    m_showing = menu.get();
    menu->exec(QPoint(x, y));
    m_showing = nullptr;
}
