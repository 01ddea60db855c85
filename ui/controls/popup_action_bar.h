#pragma once

#include <QAction>
#include <QList>
#include <QMenu>
#include <QPalette>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

// An action that stands in for a plain menu item in the styled pop-up:
// it shows the item's caption, check mark, icon, short cut and state, and
// choosing it runs the item's click handler (its `triggered` signal) without
// toggling a checkable item by itself.
class TMenuAction : public QAction
{
    Q_OBJECT
public:
    TMenuAction(QAction *menuItem, QObject *parent);
    QAction *MenuItem() const { return m_menuItem; }

private:
    QPointer<QAction> m_menuItem;
};

// A pop-up menu the forms fill with ordinary items (Items()), shown through a
// styled menu built afresh at each Popup: plain items are wrapped in
// TMenuAction, items that carry an action of their own (one the menu does not
// own) are shown as that action, sub-menus are filled when they open, after
// their parent item's click handler has run, so a window can fill them then.
class TCustomPopupActionBarEx : public QObject
{
    Q_OBJECT
public:
    explicit TCustomPopupActionBarEx(QObject *parent = nullptr);
    ~TCustomPopupActionBarEx() override;

    // The items the forms fill; null when none were assigned.
    QMenu *Items() const { return m_items; }
    void SetItems(QMenu *items) { m_items = items; }

    // An optional menu whose style and palette the pop-up follows.
    QWidget *ActionManager() const { return m_actionManager; }
    void SetActionManager(QWidget *manager) { m_actionManager = manager; }
    std::optional<QPalette> ColorMap;
    bool Shadows = true;
    std::function<void(TCustomPopupActionBarEx *sender)> OnPopup;

    // Shows the menu at a global position and returns once it is closed.
    // Raises "<name> ActionManager property has not been assigned" when there
    // are no items to show.
    void Popup(int x, int y);
    bool IsShowing() const { return m_showing != nullptr; }

    // The styled menu Popup shows, built but not shown (for tests and for
    // callers that show it themselves). Owned by the caller.
    std::unique_ptr<QMenu> BuildMenu();

private:
    void fill(QMenu *display, QMenu *source);

    QPointer<QMenu> m_items;
    QPointer<QWidget> m_actionManager;
    // Owns the wrapping actions of the menu last built.
    std::unique_ptr<QObject> m_wrappers;
    QMenu *m_showing = nullptr;
};

class TPopupActionBarEx : public TCustomPopupActionBarEx
{
    Q_OBJECT
public:
    using TCustomPopupActionBarEx::TCustomPopupActionBarEx;
};
