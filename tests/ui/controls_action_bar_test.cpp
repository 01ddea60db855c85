#include "core/util/exception.h"
#include "ui/controls/popup_action_bar.h"

#include "ui_test_support.h"

#include <gtest/gtest.h>

namespace {

QStringList captions(const QMenu &menu)
{
    QStringList texts;
    for (const QAction *a : menu.actions())
        texts << (a->isSeparator() ? QStringLiteral("|") : a->text());
    return texts;
}

class ActionBar : public ::testing::Test
{
protected:
    void SetUp() override
    {
        bar.setObjectName(QStringLiteral("PopupServices"));
        bar.SetItems(&items);
    }

    // Widgets need the application first.
    struct App {
        App() { uiApp(); }
    } app;
    QMenu items;
    TPopupActionBarEx bar;
};

TEST_F(ActionBar, ItemsKeepTheirOrderAndLook)
{
    QAction *add = items.addAction(QStringLiteral("Add"));
    add->setShortcut(QKeySequence(QStringLiteral("Ctrl+A")));
    add->setEnabled(false);
    items.addSeparator();
    items.addAction(QStringLiteral("-"));
    QAction *hidden = items.addAction(QStringLiteral("Hidden"));
    hidden->setVisible(false);
    QAction *check = items.addAction(QStringLiteral("Show TV"));
    check->setCheckable(true);
    check->setChecked(true);

    const auto menu = bar.BuildMenu();
    EXPECT_EQ(captions(*menu), QStringList({"Add", "|", "|", "Hidden", "Show TV"}));
    const QList<QAction *> shown = menu->actions();
    EXPECT_EQ(shown[0]->shortcut(), QKeySequence(QStringLiteral("Ctrl+A")));
    EXPECT_FALSE(shown[0]->isEnabled());
    EXPECT_FALSE(shown[3]->isVisible());
    EXPECT_TRUE(shown[4]->isChecked());
    EXPECT_NE(shown[0], add); // plain items are wrapped
}

TEST_F(ActionBar, ChoosingAWrappedItemRunsItsHandlerWithoutToggling)
{
    QAction *check = items.addAction(QStringLiteral("Show radio"));
    check->setCheckable(true);
    check->setChecked(true);
    // A handler that asks who sent it, as the window's handlers do.
    struct Handler : QObject {
        QObject *sender = nullptr;
        int runs = 0;
        void onClick()
        {
            ++runs;
            sender = QObject::sender();
        }
    } handler;
    QObject::connect(check, &QAction::triggered, &handler, &Handler::onClick);
    const auto menu = bar.BuildMenu();
    menu->actions().at(0)->trigger();
    EXPECT_EQ(handler.runs, 1);
    EXPECT_EQ(handler.sender, check);
    EXPECT_TRUE(check->isChecked());
}

TEST_F(ActionBar, AnItemWithAnActionOfItsOwnIsShownThroughIt)
{
    QAction shared(QStringLiteral("Save (To Cache)"));
    items.addAction(&shared);
    const auto menu = bar.BuildMenu();
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions().at(0), &shared);
}

TEST_F(ActionBar, SubMenusFillWhenTheyOpenAfterTheirHandler)
{
    QMenu *bouquets = items.addMenu(QStringLiteral("Add to bouquet"));
    QObject::connect(bouquets->menuAction(), &QAction::triggered, bouquets, [bouquets] {
        // The window fills the sub-menu at this moment.
        bouquets->clear();
        bouquets->addAction(QStringLiteral("Favourites"));
        bouquets->addAction(QStringLiteral("News"));
    });
    QMenu *hiddenParent = items.addMenu(QStringLiteral("Hidden parent"));
    hiddenParent->addAction(QStringLiteral("child"));
    hiddenParent->menuAction()->setVisible(false);

    const auto menu = bar.BuildMenu();
    ASSERT_EQ(menu->actions().size(), 2);
    QMenu *sub = menu->actions().at(0)->menu();
    ASSERT_NE(sub, nullptr);
    EXPECT_TRUE(sub->actions().isEmpty());
    Q_EMIT sub->aboutToShow();
    EXPECT_EQ(captions(*sub), QStringList({"Favourites", "News"}));
    Q_EMIT sub->aboutToShow(); // filled once
    EXPECT_EQ(sub->actions().size(), 2);
    // A hidden item with children is wrapped like a leaf.
    EXPECT_EQ(menu->actions().at(1)->menu(), nullptr);
    EXPECT_FALSE(menu->actions().at(1)->isVisible());
}

TEST_F(ActionBar, NoItemsRaisesTheDesignedMessage)
{
    bar.SetItems(nullptr);
    try {
        bar.BuildMenu();
        FAIL() << "expected an exception";
    } catch (const Exception &e) {
        EXPECT_EQ(e.message(), "PopupServices ActionManager property has not been assigned");
    }
}

} // namespace
