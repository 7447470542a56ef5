#include "common/FileAccess.h"
#include "dialogs/modCmDlgDLL.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace folionix {
namespace {

using namespace std::string_literals;

const std::string S(1, kPathSeparator);

struct AnswerRow {
    std::string name;
    std::string answer; // the answer text before trimming, NULs included
    std::string folder;
    std::vector<std::string> names;
};

class AnswerTable : public ::testing::TestWithParam<AnswerRow> {};

TEST_P(AnswerTable, GivesFolderAndSortedNames) {
    const AnswerRow& row = GetParam();
    std::string folder;
    std::vector<std::string> names;
    std::int32_t count = 0;
    EXPECT_TRUE(ReadOpenFilesAnswer(row.answer, folder, names, count));
    EXPECT_EQ(folder, row.folder);
    EXPECT_EQ(names, row.names);
    EXPECT_EQ(count, static_cast<std::int32_t>(row.names.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Answers, AnswerTable,
    ::testing::Values(
        AnswerRow{"SinglePathWithPaddingPart",
                  S + "Photos" + S + "b.jpg\0      \0"s,
                  S + "Photos" + S,
                  {"b.jpg"}},
        AnswerRow{"SinglePathAlone", S + "Photos" + S + "b.jpg\0"s, S + "Photos" + S, {"b.jpg"}},
        AnswerRow{"SeveralSortedByCharacterCode",
                  S + "Photos\0b.jpg\0A.jpg\0a.jpg\0"s,
                  S + "Photos" + S,
                  {"A.jpg", "a.jpg", "b.jpg"}},
        AnswerRow{"RootFolderKeepsOneSeparator", S + "\0x.jpg\0y.jpg\0"s, S, {"x.jpg", "y.jpg"}},
        AnswerRow{"DuplicatesOnce", S + "Photos\0a.jpg\0a.jpg\0"s, S + "Photos" + S, {"a.jpg"}},
        AnswerRow{"SpacesTrimmed", S + "Photos\0 b.jpg \0"s, S + "Photos" + S, {"b.jpg"}},
        AnswerRow{
            "EmptyNamesSkipped", S + "P\0a.jpg\0   \0c.jpg\0"s, S + "P" + S, {"a.jpg", "c.jpg"}}),
    [](const ::testing::TestParamInfo<AnswerRow>& row) { return row.param.name; });

TEST(OpenFilesAnswer, EmptyAnswerLeavesTheOutputsAlone) {
    std::string folder = "kept";
    std::vector<std::string> names = {"x"};
    std::int32_t count = 1;
    EXPECT_FALSE(ReadOpenFilesAnswer("", folder, names, count));
    EXPECT_FALSE(ReadOpenFilesAnswer("   ", folder, names, count));
    EXPECT_EQ(folder, "kept");
    EXPECT_EQ(names, std::vector<std::string>{"x"});
    EXPECT_EQ(count, 1);
}

TEST(OpenFilesAnswer, NamesGoIntoTheCallersSortedList) {
    std::string folder;
    std::vector<std::string> names = {"b.jpg", "d.jpg"};
    std::int32_t count = 2;
    EXPECT_TRUE(ReadOpenFilesAnswer(S + "F\0c.jpg\0d.jpg\0a.jpg\0"s, folder, names, count));
    EXPECT_EQ(names, (std::vector<std::string>{"a.jpg", "b.jpg", "c.jpg", "d.jpg"}));
    EXPECT_EQ(count, 4);
}

TEST(ReadResultStringsTest, StopsAtTheFirstEmptyString) {
    EXPECT_EQ(ReadResultStrings("a\0bc\0\0d\0"s), "a\0bc\0"s);
    EXPECT_EQ(ReadResultStrings("\0a\0"s), ""s);
    EXPECT_EQ(ReadResultStrings("abc"s), "abc\0"s);
    // The dialog's space-filled buffer: the spaces behind the terminator come back as a part.
    const std::string buffer = S + "p" + S + "b.jpg\0"s + std::string(20, ' ') + "\0\0"s;
    std::string folder;
    std::vector<std::string> names;
    std::int32_t count = 0;
    EXPECT_TRUE(ReadOpenFilesAnswer(ReadResultStrings(buffer), folder, names, count));
    EXPECT_EQ(folder, S + "p" + S);
    EXPECT_EQ(names, std::vector<std::string>{"b.jpg"});
}

struct PositionRow {
    std::string name;
    std::int32_t position;
};

class InsertPositionTable : public ::testing::TestWithParam<PositionRow> {};

TEST_P(InsertPositionTable, BinarySearchOnBdf) {
    const std::vector<std::string> names = {"b", "d", "f"};
    EXPECT_EQ(FindInsertPosition(names, 3, GetParam().name), GetParam().position);
}

INSTANTIATE_TEST_SUITE_P(Positions, InsertPositionTable,
                         ::testing::Values(PositionRow{"a", 0}, PositionRow{"c", 1},
                                           PositionRow{"d", 1}, PositionRow{"e", 2},
                                           PositionRow{"g", 3}, PositionRow{"b", 0},
                                           PositionRow{"f", 2}, PositionRow{"B", 0}));

TEST(InsertNameSortedTest, KeepsOrderAndSkipsEmptyAndDuplicates) {
    std::vector<std::string> names;
    std::int32_t count = 0;
    for (const char* name : {"m", "c", "", "x", "a", "m", "M", "n"}) {
        InsertNameSorted(names, count, name, true);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"M", "a", "c", "m", "n", "x"}));
    EXPECT_EQ(count, 6);
    InsertNameSorted(names, count, "m", false);
    EXPECT_EQ(names, (std::vector<std::string>{"M", "a", "c", "m", "m", "n", "x"}));
    EXPECT_EQ(count, 7);
}

TEST(OpenSlotAtTest, GrowsByOneAndEmptiesThePosition) {
    std::vector<std::string> names = {"a", "b", "c"};
    OpenSlotAt(names, 3, 1);
    EXPECT_EQ(names, (std::vector<std::string>{"a", "", "b", "c"}));
    std::vector<std::string> empty;
    OpenSlotAt(empty, 0, 0);
    EXPECT_EQ(empty.size(), 1u);
    // Room already there: no growth.
    std::vector<std::string> roomy = {"a", "b", ""};
    OpenSlotAt(roomy, 2, 0);
    EXPECT_EQ(roomy, (std::vector<std::string>{"", "a", "b"}));
}

} // namespace
} // namespace folionix
