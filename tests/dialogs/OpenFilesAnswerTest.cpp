#include "common/FileAccess.h"
#include "dialogs/modCmDlgDLL.h"

#include <gtest/gtest.h>

namespace folionix {
namespace {

using namespace std::string_literals;
using Names = std::vector<std::string>;
const std::string S(1, kPathSeparator);

// The dialog's buffer (answer, then padding) and the folder it gives; the names the caller's
// list held, and the names after.
struct Row {
    std::string buffer, folder;
    Names before, names;
    std::int32_t staleCount = 0; // what the caller's count says beyond its list
};

TEST(OpenFilesAnswer, GivesTheFolderAndMergesTheNamesSortedOnce) {
    const Row rows[] = {
        {S + "P" + S + "b.jpg\0"s + std::string(20, ' ') + "\0\0"s, S + "P" + S, {}, {"b.jpg"}},
        {S + "P\0b.jpg\0 A.jpg \0  \0a.jpg\0a.jpg\0\0x.jpg\0"s,
         S + "P" + S,
         {},
         {"A.jpg", "a.jpg", "b.jpg"}},
        {S + "\0c.jpg\0d.jpg\0f.jpg\0a.jpg\0"s,
         S,
         {"b.jpg", "d.jpg", "e.jpg"},
         {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg", "f.jpg"},
         5},
        {" a.jpg "s, "", {}, {"a.jpg"}}, // no NUL at all
        {"\0a\0"s, "kept", {"x"}, {}}};
    for (const Row& row : rows) {
        std::string folder = "kept";
        Names names = row.before;
        auto count = static_cast<std::int32_t>(names.size()) + row.staleCount;
        EXPECT_EQ(ReadOpenFilesAnswer(ReadResultStrings(row.buffer), folder, names, count),
                  !row.names.empty());
        EXPECT_EQ(folder, row.folder);
        EXPECT_EQ(names, row.names.empty() ? row.before : row.names);
        EXPECT_EQ(count, static_cast<std::int32_t>(names.size()) + row.staleCount);
    }
}

} // namespace
} // namespace folionix
