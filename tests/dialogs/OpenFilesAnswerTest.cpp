#include "common/FileAccess.h"
#include "dialogs/modCmDlgDLL.h"

#include <gtest/gtest.h>

namespace folionix {
namespace {

using namespace std::string_literals;
using Names = std::vector<std::string>;
const std::string S(1, kPathSeparator);

// The dialog's buffer (answer, then padding), the names the caller's list held, and the result.
struct Row {
    std::string buffer;
    Names before;
    std::string folder;
    Names names;
    std::int32_t staleCount = 0; // what the caller's count says beyond its list
};

class OpenFilesAnswer : public testing::TestWithParam<Row> {};

TEST_P(OpenFilesAnswer, GivesTheFolderAndMergesTheNamesSortedOnce) {
    const Row& row = GetParam();
    std::string folder = "kept";
    Names names = row.before;
    auto count = static_cast<std::int32_t>(names.size()) + row.staleCount;
    EXPECT_EQ(ReadOpenFilesAnswer(ReadResultStrings(row.buffer), folder, names, count),
              !row.names.empty());
    EXPECT_EQ(folder, row.folder);
    EXPECT_EQ(names, row.names.empty() ? row.before : row.names);
    EXPECT_EQ(count, static_cast<std::int32_t>(names.size()) + row.staleCount);
}

INSTANTIATE_TEST_SUITE_P(
    Table, OpenFilesAnswer,
    testing::Values(
        Row{S + "P" + S + "b.jpg\0"s + std::string(20, ' ') + "\0\0"s, {}, S + "P" + S, {"b.jpg"}},
        Row{S + "P\0b.jpg\0 A.jpg \0  \0a.jpg\0a.jpg\0\0x.jpg\0"s,
            {},
            S + "P" + S,
            {"A.jpg", "a.jpg", "b.jpg"}},
        Row{S + "\0c.jpg\0d.jpg\0f.jpg\0a.jpg\0"s,
            {"b.jpg", "d.jpg", "e.jpg"},
            S,
            {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg", "f.jpg"},
            5},
        Row{" a.jpg \0"s, {}, "", {"a.jpg"}}, Row{"\0a\0"s, {"x"}, "kept", {}}));

} // namespace
} // namespace folionix
