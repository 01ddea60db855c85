#include "grid_interaction_support.h"

#include "ui/editors/lg_combo_box.h"
#include "ui/editors/lg_number_edit.h"
#include "ui/grid/column_displays.h"
#include "ui/grid/custom_grid.h"

#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

struct EditGrid : TextGrid {
    EditGrid() : TextGrid({"one", "two", "three"})
    {
        for (int c = 0; c < grid.Columns()->Count(); ++c) {
            TLgCustomColumn *column = grid.Columns()->Items(c);
            column->SetOptions(column->Options() + coEditing);
        }
    }
    TLgCustomEdit *editor() { return dynamic_cast<TLgCustomEdit *>(grid.CurrentEditor()); }
};

TEST(GridEditing, EditingStartsOnTheSecondClick)
{
    EditGrid g;
    g.click(g.cellCenter(1, 1));
    EXPECT_FALSE(g.grid.Editing());
    g.click(g.cellCenter(1, 1));
    ASSERT_TRUE(g.grid.Editing());
    EXPECT_EQ(g.grid.EditedCell(), QPoint(1, 1));
    ASSERT_NE(dynamic_cast<TLgEdit *>(g.editor()), nullptr) << "a text column edits in a TLgEdit";
    EXPECT_TRUE(g.editor()->InPlace());
    EXPECT_EQ(g.editor()->text(), QStringLiteral("twoB"));
    EXPECT_TRUE(g.editor()->isVisible());

    // A click elsewhere applies and ends the edit; that click selects only.
    g.editor()->setText(QStringLiteral("changed"));
    g.click(g.cellCenter(0, 2));
    EXPECT_FALSE(g.grid.Editing());
    EXPECT_EQ(g.grid.Cells(1, 1), QStringLiteral("changed"));

    // Press on the selected cell, release on another: no edit.
    sendMouse(g.view(), QEvent::MouseButtonPress, g.cellCenter(0, 2));
    sendMouse(g.view(), QEvent::MouseButtonRelease, g.cellCenter(0, 1));
    EXPECT_FALSE(g.grid.Editing());
}

TEST(GridEditing, EnterAppliesAndMovesEscapeCancelsVetoKeeps)
{
    EditGrid g;
    QStringList after;
    g.grid.OnAfterEdit = [&](QObject *, int, int, const QString &v) { after << v; };
    g.grid.SelectCell(0, 0);
    QTest::keyClick(&g.grid, 'x');
    ASSERT_TRUE(g.grid.Editing());
    QTest::keyClicks(g.editor(), QStringLiteral("yz"));
    EXPECT_EQ(g.editor()->text(), QStringLiteral("xyz")) << "the typed key starts the text";
    QTest::keyClick(g.editor(), Qt::Key_Return);
    EXPECT_FALSE(g.grid.Editing());
    EXPECT_EQ(g.grid.Cells(0, 0), QStringLiteral("xyz"));
    EXPECT_EQ(g.grid.SelectedRow(), 1);
    EXPECT_EQ(after, QStringList({"xyz"}));

    g.grid.EditCell(0, 1);
    g.editor()->setText(QStringLiteral("dropped"));
    QTest::keyClick(g.editor(), Qt::Key_Escape);
    EXPECT_FALSE(g.grid.Editing());
    EXPECT_EQ(g.grid.Cells(0, 1), QStringLiteral("twoA"));

    g.grid.OnEditAccept = [](QObject *, int, int, const QString &, bool &accept) { accept = false; };
    g.grid.EditCell(0, 1);
    g.editor()->setText(QStringLiteral("vetoed"));
    QTest::keyClick(g.editor(), Qt::Key_Return);
    EXPECT_EQ(g.grid.Cells(0, 1), QStringLiteral("twoA"));
    EXPECT_EQ(after.size(), 1);
}

TEST(GridEditing, UpAndDownInTheEditorMoveTheGrid)
{
    EditGrid g;
    g.grid.SelectCell(2, 1);
    g.grid.EditCell(2, 1);
    g.editor()->setText(QStringLiteral("new"));
    QTest::keyClick(g.editor(), Qt::Key_Down);
    EXPECT_FALSE(g.grid.Editing());
    EXPECT_EQ(g.grid.Cells(2, 1), QStringLiteral("new"));
    EXPECT_EQ(g.grid.SelectedRow(), 2);
}

TEST(GridEditing, ConversionErrorKeepsTheOldValueAndTheEditor)
{
    TextGrid g({"a", "b"});
    auto *number = g.grid.Columns()->Add<TLgNumberColumn>(QStringLiteral("N"));
    number->SetOptions(number->Options() + coEditing);
    g.grid.SetCells(3, 0, QStringLiteral("12"));
    // A plain edit lets any text through to the grid.
    auto edit = std::make_unique<TLgEdit>();
    number->InplaceEdit = edit.get();
    QStringList errors;
    g.grid.OnEditError = [&](QObject *, int, int, const QString &text) { errors << text; };

    struct Case {
        const char *name;
        Qt::Key key;
    };
    const Case cases[] = {{"Enter", Qt::Key_Return}, {"Down", Qt::Key_Down}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        g.grid.SelectCell(3, 0);
        g.grid.EditCell(3, 0);
        ASSERT_TRUE(g.grid.Editing());
        edit->setText(QStringLiteral("abc"));
        EXPECT_NO_THROW(QTest::keyClick(edit.get(), c.key));
        EXPECT_TRUE(g.grid.Editing());
        EXPECT_EQ(edit->text(), QStringLiteral("abc"));
        EXPECT_EQ(g.grid.Cells(3, 0), QStringLiteral("12"));
        EXPECT_EQ(g.grid.SelectedRow(), 0);
        // Nor does a click on another cell lose the text.
        g.click(g.cellCenter(0, 1));
        EXPECT_TRUE(g.grid.Editing());
        EXPECT_EQ(g.grid.SelectedRow(), 0);
        QTest::keyClick(edit.get(), Qt::Key_Escape);
        EXPECT_FALSE(g.grid.Editing());
    }
    ASSERT_FALSE(errors.isEmpty());
    EXPECT_EQ(errors.first(), QStringLiteral("'abc' is not a valid floating point value"));

    g.grid.EditCell(3, 0);
    edit->setText(QStringLiteral("2.5"));
    QTest::keyClick(edit.get(), Qt::Key_Return);
    EXPECT_FALSE(g.grid.Editing());
    EXPECT_EQ(g.grid.Cells(3, 0), QStringLiteral("2.5"));
    number->InplaceEdit = nullptr;
}

TEST(GridEditing, ColumnKindsPrepareTheirEditors)
{
    TextGrid g({"a"});
    auto *number = g.grid.Columns()->Add<TLgNumberColumn>(QStringLiteral("N"));
    number->SetOptions(number->Options() + coEditing);
    number->Increment = 2.5;
    number->Min = 1;
    number->Max = 10;
    auto *combo = g.grid.Columns()->Add<TLgComboBoxColumn>(QStringLiteral("C"));
    combo->SetOptions(combo->Options() + coEditing);
    combo->Items = {QStringLiteral("red"), QStringLiteral("green"), QStringLiteral("blue")};
    combo->DropDownCount = 5;
    g.grid.SetCells(3, 0, QStringLiteral("4"));
    g.grid.SetCells(4, 0, QStringLiteral("green"));

    g.grid.EditCell(3, 0);
    auto *spin = dynamic_cast<TLgSpinEdit *>(g.grid.CurrentEditor());
    ASSERT_NE(spin, nullptr);
    EXPECT_TRUE(spin->InPlace());
    EXPECT_EQ(spin->Increment(), 2.5);
    EXPECT_EQ(spin->Min(), 1);
    EXPECT_EQ(spin->Max(), 10);
    spin->StepUp();
    QTest::keyClick(spin, Qt::Key_Return);
    EXPECT_EQ(g.grid.Cells(3, 0), QStringLiteral("6.5"));

    struct Case {
        TComboBoxStyle style;
        bool readOnly;
    };
    for (const Case c : {Case{cbsDropDown, false}, Case{cbsDropDownList, true}}) {
        combo->Style = c.style;
        g.grid.EditCell(4, 0);
        auto *box = dynamic_cast<TLgComboBox *>(g.grid.CurrentEditor());
        ASSERT_NE(box, nullptr);
        EXPECT_TRUE(box->InPlace());
        EXPECT_EQ(box->Items(), combo->Items);
        EXPECT_EQ(box->ItemIndex(), 1);
        EXPECT_EQ(box->DropDownCount(), 5);
        EXPECT_EQ(box->isReadOnly(), c.readOnly);
        // Up and Down leave the item alone and move the grid.
        QTest::keyClick(box, Qt::Key_Up);
        EXPECT_EQ(box->ItemIndex(), 1);
        EXPECT_FALSE(g.grid.Editing());
    }
}

TEST(GridEditing, CheckBoxTogglesByClickAndSpace)
{
    TextGrid g({"a", "b"});
    auto *check = g.grid.Columns()->Add<TLgCheckBoxColumn>(QStringLiteral("K"));
    check->SetAlignment(taCenter);
    check->SetOptions(check->Options() + coEditing);
    bool allow = true;
    g.grid.OnBeforeEdit = [&](QObject *, int, int, bool &accept) { accept = allow; };
    auto *display = static_cast<TCheckBoxColumnDisplay *>(check->Display());
    const QPoint box = display->CheckBoxRect(g.grid.CellRect(3, 0), g.grid.Themed()).center();

    g.click(box);
    EXPECT_FALSE(g.grid.Cell(3, 0)->AsBoolean()) << "the first click selects";
    g.click(box);
    EXPECT_TRUE(g.grid.Cell(3, 0)->AsBoolean());
    g.click(QPoint(g.grid.CellRect(3, 0).left() + 2, box.y()));
    EXPECT_TRUE(g.grid.Cell(3, 0)->AsBoolean()) << "beside the box nothing toggles";

    QTest::keyClick(&g.grid, Qt::Key_Space);
    EXPECT_FALSE(g.grid.Cell(3, 0)->AsBoolean());
    allow = false;
    QTest::keyClick(&g.grid, Qt::Key_Space);
    g.click(box);
    EXPECT_FALSE(g.grid.Cell(3, 0)->AsBoolean());
    allow = true;
    check->SetOptions(check->Options() - coEditing);
    QTest::keyClick(&g.grid, Qt::Key_Space);
    EXPECT_FALSE(g.grid.Cell(3, 0)->AsBoolean());
    g.grid.ReadOnly = true;
    check->SetOptions(check->Options() + coEditing);
    QTest::keyClick(&g.grid, Qt::Key_Space);
    EXPECT_FALSE(g.grid.Cell(3, 0)->AsBoolean());
}

} // namespace
