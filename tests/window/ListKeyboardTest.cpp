// The window by keyboard: Tab into the option pairs, the list's Delete, Menu and Shift+F10 keys,
// the current item through a move, and the list with thousands of entries against the core's.
#include "WindowTestSupport.h"

#include "conversion/ListBox.h"
#include "window/modMenu.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QListView>
#include <QRadioButton>
#include <QTest>

#include <random>

namespace folionix::test {
namespace {

class KeyboardTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        window->show();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    QListView* List() const { return Control<QListView>("List1"); }
    // Presses a key on whatever has the focus, as the user would.
    static void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    }
    static std::string FocusName() {
        const QWidget* focus = QApplication::focusWidget();
        return focus == nullptr ? std::string() : focus->objectName().toStdString();
    }
};

// --- Tab
// ------------------------------------------------------------------------------------------

TEST_F(KeyboardTest, TabVisitsControlsInTabIndexOrderAndEntersEachPairAtItsChosenOption) {
    const std::vector<std::string> expected{"Command1", "Option2", "Text2",    "List1",  "Text3",
                                            "Option3",  "Text4",   "Text5",    "Text6",  "Text7",
                                            "Text8",    "Option5", "Command3", "Check1", "Command2",
                                            "Command4", "Text1"};
    Control<QWidget>("Text1")->setFocus();
    std::vector<std::string> visited;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        Press(Qt::Key_Tab);
        visited.push_back(FocusName());
    }
    EXPECT_EQ(visited, expected);

    // Backwards too, and after the other option of a pair was chosen, Tab lands on that one.
    Control<QRadioButton>("Option1")->click();
    Control<QRadioButton>("Option6")->click();
    Control<QWidget>("Text1")->setFocus();
    Press(Qt::Key_Tab);
    Press(Qt::Key_Tab);
    EXPECT_EQ(FocusName(), "Option1");
    Control<QWidget>("Command3")->setFocus();
    Press(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(FocusName(), "Option6");
}

TEST_F(KeyboardTest, SpaceOnTheOptionTabReachesKeepsThePageMode) {
    Control<QWidget>("Text1")->setFocus();
    Press(Qt::Key_Tab);
    Press(Qt::Key_Tab);
    ASSERT_EQ(FocusName(), "Option2");
    Press(Qt::Key_Space);
    EXPECT_TRUE(Control<QRadioButton>("Option2")->isChecked());
    EXPECT_TRUE(Control<QWidget>("Text2")->isEnabled());
    // The arrow keys still choose within the pair.
    Press(Qt::Key_Up);
    EXPECT_TRUE(Control<QRadioButton>("Option1")->isChecked());
    EXPECT_FALSE(Control<QWidget>("Text2")->isEnabled());
}

// --- The list's keys
// ------------------------------------------------------------------------------

struct MenuKeyCase {
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    bool opens;
};

class ListMenuKeyTest : public KeyboardTest, public ::testing::WithParamInterface<MenuKeyCase> {};

TEST_P(ListMenuKeyTest, OpensTheListPopupAtTheFirstSelectedRow) {
    const MenuKeyCase& row = GetParam();
    FillList({"A", "B", "C", "D", "E"}, {3, 1});
    List()->setFocus();
    std::vector<std::string> captions;
    QPoint shownAt;
    SetPopupMenuHook([&](std::intptr_t menu, QPoint at) {
        captions = {GetMenuItemText(menu, 1), GetMenuItemText(menu, 2)};
        shownAt = at;
        return 1; // "Move Selection Up"
    });
    Press(row.key, row.modifiers);
    if (!row.opens) {
        EXPECT_TRUE(captions.empty());
        EXPECT_EQ(Entries(), (std::vector<std::string>{"A", "B", "C", "D", "E"}));
        return;
    }
    EXPECT_EQ(captions, (std::vector<std::string>{"Move Selection Up", "Move Selection Down"}));
    const QRect first = List()->visualRect(List()->model()->index(1, 0));
    EXPECT_EQ(shownAt, List()->viewport()->mapToGlobal(first.bottomLeft()));
    EXPECT_EQ(Entries(), (std::vector<std::string>{"B", "A", "D", "C", "E"}));
    EXPECT_EQ(SelectedRows(), (std::vector<int>{0, 2}));
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ListMenuKeyTest,
    ::testing::Values(MenuKeyCase{"Menu", Qt::Key_Menu, Qt::NoModifier, true},
                      MenuKeyCase{"ShiftF10", Qt::Key_F10, Qt::ShiftModifier, true},
                      MenuKeyCase{"F10", Qt::Key_F10, Qt::NoModifier, false},
                      MenuKeyCase{"CtrlF10", Qt::Key_F10, Qt::ControlModifier, false}),
    [](const ::testing::TestParamInfo<MenuKeyCase>& row) { return std::string(row.param.name); });

TEST_F(KeyboardTest, MenuKeyWithoutSelectionOpensNothing) {
    FillList({"A", "B"}, {});
    List()->setFocus();
    int popups = 0;
    SetPopupMenuHook([&](std::intptr_t, QPoint) {
        ++popups;
        return 1;
    });
    Press(Qt::Key_Menu);
    Press(Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_EQ(popups, 0);
}

TEST_F(KeyboardTest, DeleteRemovesTheSelectedEntries) {
    FillList({"A", "B", "C", "D", "E"}, {1, 3});
    List()->setFocus();
    Press(Qt::Key_Delete);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"A", "C", "E"}));
    EXPECT_TRUE(SelectedRows().empty());
    Press(Qt::Key_Delete);
    EXPECT_EQ(Entries().size(), 3u);
}

// The current item is where Shift+arrow and Shift+click extend the selection from: after a move
// it is on the moved entry, not on the row the entry left.
TEST_F(KeyboardTest, CurrentItemFollowsAMovedEntry) {
    FillList({"A", "B", "C", "D", "E"}, {});
    List()->setFocus();
    List()->setCurrentIndex(List()->model()->index(2, 0)); // C, selected alone
    ASSERT_EQ(SelectedRows(), std::vector<int>{2});
    SetPopupMenuHook([](std::intptr_t, QPoint) { return 1; });
    Press(Qt::Key_Menu);
    ASSERT_EQ(Entries(), (std::vector<std::string>{"A", "C", "B", "D", "E"}));
    EXPECT_EQ(List()->currentIndex().row(), 1);
    Press(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(SelectedRows(), (std::vector<int>{1, 2}));
    EXPECT_EQ(List()->currentIndex().row(), 2);

    SetPopupMenuHook([](std::intptr_t, QPoint) { return 2; });
    Press(Qt::Key_Menu);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"A", "D", "C", "B", "E"}));
    EXPECT_EQ(List()->currentIndex().data().toString(), "B");
}

// --- Thousands of entries
// -------------------------------------------------------------------------

// The window shows a whole operation in one step; whatever path that step takes (texts moved
// between rows, a few runs or many removed), the list must end as the core's own list does.
TEST_F(WindowTest, LargeListEndsAsTheCoreListAfterEveryOperation) {
    constexpr int kEntries = 3000;
    std::vector<std::string> texts;
    ImageListModel expected;
    for (int i = 0; i < kEntries; ++i) {
        texts.push_back("scan " + std::to_string(i) + ".jpg\t\t\t\t\t/x/");
        expected.AddItem(texts.back());
    }
    FillList(texts, {});
    std::mt19937 random(15);
    auto selectLike = [&](int every) {
        std::vector<int> rows;
        for (int i = 0; i < expected.ListCount(); ++i) {
            const bool on = every == 0 ? i != 0 : random() % static_cast<unsigned>(every) == 0;
            expected.SetSelected(i, on);
            if (on) {
                rows.push_back(i);
            }
        }
        SelectRows(rows);
    };
    auto same = [&](const char* step) {
        std::vector<std::string> listed;
        std::vector<int> selected;
        for (int i = 0; i < expected.ListCount(); ++i) {
            listed.push_back(expected.ItemText(i));
            if (expected.IsSelected(i)) {
                selected.push_back(i);
            }
        }
        ASSERT_EQ(Entries(), listed) << step;
        ASSERT_EQ(SelectedRows(), selected) << step;
    };
    for (const int every : {1000, 10, 2, 0}) {
        for (const int command : {1, 2, 2, 1}) {
            selectLike(every);
            SetPopupMenuHook([command](std::intptr_t, QPoint) { return command; });
            window->List1_MouseDown(2, 0, 1, 1);
            if (command == 1) {
                MoveSelectionUp(expected);
            } else {
                MoveSelectionDown(expected);
            }
            same(command == 1 ? "up" : "down");
        }
    }
    // Two runs removed, then hundreds, then all but one.
    for (const int every : {1000, 7, 0}) {
        selectLike(every);
        window->Command4_Click();
        RemoveSelected(expected);
        same("remove");
    }
    EXPECT_EQ(Entries().size(), 1u);
}

} // namespace
} // namespace folionix::test
