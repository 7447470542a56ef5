#include "ConversionFixtures.h"

#include "conversion/modFolionix.h"

#include <gtest/gtest.h>

#include <string>

namespace folionix::test {
namespace {

ImageListModel MakeList(const std::string& letters, const std::string& selected) {
    ImageListModel list;
    for (char c : letters) {
        list.AddItem(std::string(1, c));
        if (selected.find(c) != std::string::npos) {
            list.SetSelected(list.ListCount() - 1, true);
        }
    }
    return list;
}

std::string Texts(const ListBox& list) {
    std::string texts;
    for (std::int32_t i = 0; i < list.ListCount(); ++i) {
        texts += list.ItemText(i);
    }
    return texts;
}

std::string SelectedIndices(const ListBox& list) {
    std::string indices;
    for (std::int32_t i = 0; i < list.ListCount(); ++i) {
        if (list.IsSelected(i)) {
            indices += std::to_string(i);
        }
    }
    return indices;
}

struct MoveRow {
    std::string name;
    std::string selected;
    bool up;
    std::string texts;
    std::string selectedAfter;
};

class MoveTable : public ::testing::TestWithParam<MoveRow> {};

TEST_P(MoveTable, MovesSelectedRunsByOnePlace) {
    const MoveRow& row = GetParam();
    ImageListModel list = MakeList("ABCDE", row.selected);
    if (row.up) {
        MoveSelectionUp(list);
    } else {
        MoveSelectionDown(list);
    }
    EXPECT_EQ(Texts(list), row.texts);
    EXPECT_EQ(SelectedIndices(list), row.selectedAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, MoveTable,
    ::testing::Values(MoveRow{"UpOne", "C", true, "ACBDE", "1"},
                      MoveRow{"UpRun", "BC", true, "BCADE", "01"},
                      MoveRow{"UpTopStays", "AC", true, "ACBDE", "01"},
                      MoveRow{"DownBottomStays", "E", false, "ABCDE", "4"},
                      MoveRow{"DownOne", "D", false, "ABCED", "4"},
                      MoveRow{"DownRunAndBottom", "ABE", false, "CABDE", "124"},
                      MoveRow{"UpNothingSelected", "", true, "ABCDE", ""}),
    [](const ::testing::TestParamInfo<MoveRow>& row) { return row.param.name; });

TEST(MoveSelection, SecondUpWithRunAtTheTopChangesNothing) {
    ImageListModel list = MakeList("ABCDE", "AC");
    MoveSelectionUp(list);
    MoveSelectionUp(list);
    EXPECT_EQ(Texts(list), "ACBDE");
    EXPECT_EQ(SelectedIndices(list), "01");
}

TEST(MoveSelection, OneEntryNeverMoves) {
    ImageListModel list = MakeList("A", "A");
    MoveSelectionUp(list);
    MoveSelectionDown(list);
    EXPECT_EQ(Texts(list), "A");
    EXPECT_EQ(SelectedIndices(list), "0");
}

TEST(RemoveSelectedTest, ScatteredSelectionsGoAndTheRestKeepOrder) {
    ImageListModel list = MakeList("ABCDEFG", "ACDG");
    RemoveSelected(list);
    EXPECT_EQ(Texts(list), "BEF");
    EXPECT_EQ(SelectedIndices(list), "");
    ImageListModel all = MakeList("AB", "AB");
    RemoveSelected(all);
    EXPECT_EQ(all.ListCount(), 0);
}

// A menu service that hands out ids from idBase + 1 and answers with a chosen position.
class FakeMenus final : public MenuService {
public:
    explicit FakeMenus(int choosePosition) : choosePosition_(choosePosition) {}
    std::intptr_t NewMenu(bool popup) override {
        calls.push_back(popup ? "new popup" : "new");
        return 42;
    }
    bool AddMenuItem(std::intptr_t, const std::string& caption, std::int32_t& id,
                     std::int32_t idBase) override {
        calls.push_back("add " + caption);
        id = idBase + static_cast<std::int32_t>(ids_.size()) + 1;
        ids_.push_back(id);
        return true;
    }
    bool ShowPopupMenu(std::intptr_t, std::int32_t& id, std::string& text, std::int32_t x,
                       std::int32_t y) override {
        calls.push_back("show " + std::to_string(x) + " " + std::to_string(y));
        id = choosePosition_ < 0 ? -1 : ids_.at(static_cast<std::size_t>(choosePosition_));
        text = "ignored";
        return choosePosition_ >= 0;
    }
    bool DestroyMenuAll(std::intptr_t) override {
        calls.push_back("destroy");
        return true;
    }

    std::vector<std::string> calls;

private:
    int choosePosition_;
    std::vector<std::int32_t> ids_;
};

TEST(ShowListMenuTest, BuildsTheTwoItemsShowsAtThePointerAndDestroysFirst) {
    ImageListModel list = MakeList("ABCDE", "C");
    FakeMenus menus(0);
    ShowListMenu(list, menus);
    EXPECT_EQ(menus.calls,
              (std::vector<std::string>{"new popup", "add Move Selection Up",
                                        "add Move Selection Down", "show -1 -1", "destroy"}));
    EXPECT_EQ(Texts(list), "ACBDE");
}

TEST(ShowListMenuTest, DownAndDismiss) {
    ImageListModel list = MakeList("ABCDE", "D");
    FakeMenus down(1);
    ShowListMenu(list, down);
    EXPECT_EQ(Texts(list), "ABCED");
    FakeMenus dismissed(-1);
    ShowListMenu(list, dismissed);
    EXPECT_EQ(Texts(list), "ABCED");
    EXPECT_EQ(SelectedIndices(list), "4");
}

} // namespace
} // namespace folionix::test
