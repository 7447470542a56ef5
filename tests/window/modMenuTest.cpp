// The popup menu service: ids, separators, choosing and dismissing, disposal.
#include "window/modMenu.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

namespace folionix {
namespace {

class MenuTest : public ::testing::Test {
protected:
    void TearDown() override {
        SetPopupMenuHook({});
        EXPECT_TRUE(DestroyMenuAll(menu));
    }
    std::intptr_t menu = NewMenu(true);
};

TEST_F(MenuTest, IdsCountItemsFromOnePlusBase) {
    std::int32_t first = 0;
    std::int32_t second = 0;
    EXPECT_NE(menu, 0);
    EXPECT_TRUE(AddMenuItem(menu, "One", first, 0));
    EXPECT_TRUE(AddMenuItem(menu, "Two", second, 0));
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 2);

    const std::intptr_t other = NewMenu(true);
    EXPECT_TRUE(AddMenuItem(other, "One", first, 100));
    EXPECT_TRUE(AddMenuItem(other, "Two", second, 100));
    EXPECT_EQ(first, 101);
    EXPECT_EQ(second, 102);
    EXPECT_EQ(GetMenuItemText(other, 102), "Two");
    EXPECT_TRUE(DestroyMenuAll(other));
}

TEST_F(MenuTest, SeparatorStillCountsForTheNextId) {
    std::int32_t id = 0;
    AddMenuItem(menu, "Up", id, 0);
    AddMenuItem(menu, "-", id, 0);
    EXPECT_EQ(id, 2);
    EXPECT_EQ(GetMenuItemText(menu, 2), "");
    AddMenuItem(menu, "Down", id, 0);
    EXPECT_EQ(id, 3);
    EXPECT_EQ(GetMenuItemText(menu, 3), "Down");
}

TEST_F(MenuTest, ChoiceGivesIdAndTextDismissalGivesMinusOne) {
    std::int32_t up = 0;
    std::int32_t down = 0;
    AddMenuItem(menu, "Move Selection Up", up, 0);
    AddMenuItem(menu, "Move Selection Down", down, 0);
    std::int32_t id = 0;
    std::string text;
    SetPopupMenuHook([&](std::intptr_t, QPoint) { return down; });
    EXPECT_TRUE(ShowPopupMenu(nullptr, menu, id, text, 10, 20));
    EXPECT_EQ(id, 2);
    EXPECT_EQ(text, "Move Selection Down");

    SetPopupMenuHook([](std::intptr_t, QPoint) { return 0; });
    EXPECT_FALSE(ShowPopupMenu(nullptr, menu, id, text, 10, 20));
    EXPECT_EQ(id, -1);
    EXPECT_EQ(text, "");
}

TEST_F(MenuTest, MinusOnePairMeansThePointerAnyOtherPairIsUsedAsGiven) {
    QPoint at;
    SetPopupMenuHook([&](std::intptr_t, QPoint where) {
        at = where;
        return 0;
    });
    std::int32_t id = 0;
    std::string text;
    ShowPopupMenu(nullptr, menu, id, text, -1, -1);
    EXPECT_EQ(at, QCursor::pos());
    ShowPopupMenu(nullptr, menu, id, text, -1, 50);
    EXPECT_EQ(at, QPoint(-1, 50));
}

TEST_F(MenuTest, RealMenuClosedByEscapeIsADismissal) {
    std::int32_t id = 0;
    AddMenuItem(menu, "Only", id, 0);
    QWidget owner;
    owner.show();
    // Close the menu as soon as it is up, as Escape would.
    QTimer::singleShot(50, [] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            popup->close();
        }
    });
    std::string text = "before";
    EXPECT_FALSE(ShowPopupMenu(&owner, menu, id, text, 5, 5));
    EXPECT_EQ(id, -1);
    EXPECT_EQ(text, "");
}

TEST_F(MenuTest, LongTextIsCutToTheBuffer) {
    std::int32_t id = 0;
    AddMenuItem(menu, std::string(300, 'x'), id, 0);
    EXPECT_EQ(GetMenuItemText(menu, id), std::string(249, 'x'));
    EXPECT_EQ(GetMenuItemText(menu, 99), "");
}

TEST(MenuHandles, NoMenuIsDestroyedAtOnceUnknownOnesFail) {
    EXPECT_TRUE(DestroyMenuAll(0));
    std::int32_t id = 7;
    EXPECT_FALSE(AddMenuItem(987654, "x", id, 0));
    EXPECT_EQ(id, -1);
    const std::intptr_t menu = NewMenu(false);
    EXPECT_TRUE(DestroyMenuAll(menu));
    EXPECT_FALSE(DestroyMenuAll(menu));
}

} // namespace
} // namespace folionix
