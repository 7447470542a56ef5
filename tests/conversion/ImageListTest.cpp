#include "ConversionFixtures.h"

#include "common/FileAccess.h"
#include "common/PathCase.h"
#include "conversion/modFolionix.h"
#include "conversion/modForms.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

namespace folionix::test {
namespace {

// A list that keeps the list box's own linear prefix search.
class PlainList final : public ListBox {
public:
    explicit PlainList(std::vector<std::string> texts) : texts_(std::move(texts)) {}
    std::int32_t ListCount() const override { return static_cast<std::int32_t>(texts_.size()); }
    std::string ItemText(std::int32_t i) const override {
        return texts_.at(static_cast<std::size_t>(i));
    }
    void SetItemText(std::int32_t i, const std::string& t) override {
        texts_.at(static_cast<std::size_t>(i)) = t;
    }
    bool IsSelected(std::int32_t) const override { return false; }
    void SetSelected(std::int32_t, bool) override {}
    std::int32_t SelectedCount() const override { return 0; }
    void AddItem(const std::string& t) override { texts_.push_back(t); }
    void RemoveItem(std::int32_t i) override { texts_.erase(texts_.begin() + i); }

private:
    std::vector<std::string> texts_;
};

// --- Entries ------------------------------------------------------------------------------------

TEST(ListEntry, FileNameFiveTabsFolder) {
    const std::string folder = std::string("/scans") + kPathSeparator;
    EXPECT_EQ(ImageListEntry("page 1.jpg", folder), "page 1.jpg\t\t\t\t\t" + folder);
}

TEST(ListEntry, SplitsAtTheLastSeparatorAndTidiesTheFolder) {
    std::string name;
    std::string folder;
    const std::string sep(1, kPathSeparator);
    SplitListEntry("a\t\t\t\t\tb\t\t\t\t\t  " + sep + "x ", name, folder);
    EXPECT_EQ(name, "a\t\t\t\t\tb");
    EXPECT_EQ(folder, sep + "x" + sep);
    SplitListEntry("page 1.jpg\t\t\t\t\t" + sep + "s" + sep, name, folder);
    EXPECT_EQ(name, "page 1.jpg");
    EXPECT_EQ(folder, sep + "s" + sep);
    SplitListEntry("six\t\t\t\t\t\tf", name, folder); // the last five of six tabs
    EXPECT_EQ(name, "six\t");
    EXPECT_EQ(folder, "f" + sep);
}

// --- FindListItem -------------------------------------------------------------------------------

TEST(FindListItemTest, LetterCaseFollowsThePlatformLengthAlwaysCounts) {
    ImageListModel list;
    list.AddItem("PHOTO.JPG.extra");
    list.AddItem("other");
    list.AddItem("Photo.jpg");
    list.AddItem("photo.jpg");
    EXPECT_EQ(FindListItem(list, "photo.jpg"), kFileNamesIgnoreCase ? 2 : 3);
    EXPECT_EQ(FindListItem(list, "Photo.jpg"), 2);
    EXPECT_EQ(FindListItem(list, "PHOTO.JPG"), kFileNamesIgnoreCase ? 2 : -1);
    EXPECT_EQ(FindListItem(list, "photo.jp"), -1);
    EXPECT_EQ(FindListItem(list, "photo.jpg.extra2"), -1);
    EXPECT_EQ(FindListItem(list, "OTHER"), kFileNamesIgnoreCase ? 1 : -1);
    EXPECT_EQ(FindListItem(ImageListModel(), "x"), -1);
}

TEST(FindListItemTest, DefaultPrefixSearchWrapsRound) {
    const PlainList list({"ab", "b", "abc", "AB"});
    EXPECT_EQ(list.FindString(-1, "ab"), 0);
    EXPECT_EQ(list.FindString(0, "ab"), 2);
    EXPECT_EQ(list.FindString(3, "ab"), 0); // wrapped round
    EXPECT_EQ(list.FindString(2, "zz"), -1);
    EXPECT_EQ(list.TextLength(2), 3);
    EXPECT_EQ(list.TextLength(9), -1);
    EXPECT_EQ(FindListItem(list, "AB"), kFileNamesIgnoreCase ? 0 : 3);
    EXPECT_EQ(FindListItem(PlainList({"abc", "abd", "AB"}), "AB"), 2);
    EXPECT_EQ(FindListItem(PlainList({"abc", "abd", "AB"}), "ab"), kFileNamesIgnoreCase ? 2 : -1);
    EXPECT_EQ(FindListItem(PlainList({"abc", "abd"}), "ab"), -1);
}

TEST(FindListItemTest, IndexedSearchAnswersLikeTheListBox) {
    std::mt19937 random(7);
    const std::vector<std::string> words = {"a", "A", "ab", "aB", "abc", "b", "B", "ba", ""};
    for (int round = 0; round < 200; ++round) {
        ImageListModel model;
        std::vector<std::string> texts;
        const int size = static_cast<int>(random() % 8);
        for (int i = 0; i < size; ++i) {
            texts.push_back(words[random() % words.size()]);
            model.AddItem(texts.back());
        }
        if (size > 1 && random() % 2 == 0) {
            // Changes after adding make the index stale.
            model.SetItemText(0, "ab");
            texts[0] = "ab";
            model.RemoveItem(size - 1);
            texts.pop_back();
        }
        const PlainList plain(texts);
        for (std::int32_t start = -1; start <= static_cast<std::int32_t>(texts.size()); ++start) {
            for (const std::string& prefix : words) {
                ASSERT_EQ(model.FindString(start, prefix), plain.FindString(start, prefix))
                    << "round " << round << " start " << start << " prefix " << prefix;
            }
        }
    }
}

// --- Adding files -------------------------------------------------------------------------------

class AddFilesTest : public ::testing::Test {
protected:
    AddFilesTest() { folder = Utf8FromPath(dir.Path()) + kPathSeparator; }
    std::string Make(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        WriteBytes(folder + name, bytes);
        return folder + name;
    }
    static DropData Drop(std::vector<std::string> files) {
        DropData data;
        data.files = std::move(files);
        return data;
    }

    TempDir dir;
    std::string folder;
    FakeHost host;
    ImageListModel& list = host.list;
    std::vector<Message>& messages = host.messages;
};

TEST_F(AddFilesTest, DroppedFilesAreAddedInDropOrderAndRefusalsNameTheFullPath) {
    const std::string a = Make("a.jpg", MakeJpeg(10, 10, 72));
    const std::string bad = Make("bad.jpg", {'P', 'N', 'G'});
    const std::string c = Make("c.Jp2", MakeJp2(10, 10));
    const std::string d = Make("d.J2K", MakeJ2k(10, 10));
    const std::string e = Make("e.jpeg.txt", MakeJpeg(10, 10, 72));
    const std::vector<AddOutcome> outcomes = AddDroppedFiles(host, Drop({a, bad, c, d, e}));
    std::vector<AddResult> results;
    for (const AddOutcome& outcome : outcomes) {
        results.push_back(outcome.result);
    }
    EXPECT_EQ(results,
              (std::vector<AddResult>{AddResult::Added, AddResult::Refused, AddResult::Added,
                                      AddResult::Added, AddResult::Refused}));
    EXPECT_EQ(outcomes[1].message, "Unable to load image file: " + bad);
    ASSERT_EQ(list.ListCount(), 3);
    EXPECT_EQ(list.ItemText(0), Entry("a.jpg", folder));
    EXPECT_EQ(list.ItemText(1), Entry("c.Jp2", folder));
    EXPECT_EQ(list.ItemText(2), Entry("d.J2K", folder));
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].text, "Unable to load image file: " + bad);
    EXPECT_EQ(messages[0].style, 48);
    EXPECT_EQ(messages[0].title, "Image Error");
    EXPECT_EQ(messages[1].text, "Unable to load image file: " + e);
}

TEST_F(AddFilesTest, DroppingAgainChangesNothingEvenWhenTheFileIsGone) {
    const std::string a = Make("a.jpg", MakeJpeg(10, 10, 72));
    AddDroppedFiles(host, Drop({a}));
    std::filesystem::remove(PathFromUtf8(a));
    EXPECT_EQ(AddDroppedFiles(host, Drop({a})).at(0).result, AddResult::AlreadyListed);
    EXPECT_EQ(list.ListCount(), 1);
    EXPECT_TRUE(messages.empty());
    // Chosen in the dialog, the same file is read first: the missing file is reported.
    AddSelectedFiles(host, folder, {"a.jpg"}, 1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Unable to load image file: a.jpg");
    EXPECT_EQ(list.ListCount(), 1);
}

// Where file names keep letter case, PHOTO.JPG and photo.jpg are two files and two pages; where
// they ignore it, both names open one file, which is listed once.
TEST_F(AddFilesTest, OtherLetterCaseInTheSameFolderFollowsThePlatform) {
    const std::string upper = Make("PHOTO.JPG", MakeJpeg(10, 10, 72));
    const std::string lower = Make("photo.jpg", MakeJpeg(12, 12, 72));
    AddDroppedFiles(host, Drop({upper, lower}));
    AddSelectedFiles(host, folder, {"photo.jpg", "PHOTO.JPG"}, 2);
    if (kFileNamesIgnoreCase) {
        EXPECT_EQ(list.ListCount(), 1);
    } else {
        ASSERT_EQ(list.ListCount(), 2);
        EXPECT_EQ(list.ItemText(0), Entry("PHOTO.JPG", folder));
        EXPECT_EQ(list.ItemText(1), Entry("photo.jpg", folder));
    }
    EXPECT_TRUE(messages.empty());
}

TEST_F(AddFilesTest, SameNameInTwoFoldersGivesTwoEntries) {
    const std::string a = Make("a.jpg", MakeJpeg(10, 10, 72));
    std::filesystem::create_directory(dir.Path() / "sub");
    const std::string b = Make(std::string("sub") + kPathSeparator + "a.jpg", MakeJpeg(9, 9, 72));
    AddDroppedFiles(host, Drop({b, a}));
    ASSERT_EQ(list.ListCount(), 2);
    EXPECT_EQ(list.ItemText(0), Entry("a.jpg", folder + "sub" + kPathSeparator));
}

TEST_F(AddFilesTest, ExtensionOfADroppedFileComesFromTheWholePath) {
    std::filesystem::create_directory(dir.Path() / "my.scans");
    const std::string subfolder = folder + "my.scans" + kPathSeparator;
    Make(std::string("my.scans") + kPathSeparator + "page", MakeJpeg(10, 10, 72));
    AddDroppedFiles(host, Drop({subfolder + "page"}));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Unable to load image file: " + subfolder + "page");
    // Chosen in the dialog, only the name is examined: no "." there, passed over silently.
    EXPECT_EQ(AddSelectedFiles(host, subfolder, {"page"}, 1).at(0).result, AddResult::PassedOver);
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(list.ListCount(), 0);
}

TEST_F(AddFilesTest, PlainTextDropIsOnePath) {
    const std::string a = Make("scan.JPE", MakeJpeg(10, 10, 72));
    DropData data;
    data.hasText = true;
    data.text = a;
    data.files = {"ignored.jpg"};
    AddDroppedFiles(host, data);
    ASSERT_EQ(list.ListCount(), 1);
    EXPECT_EQ(list.ItemText(0), Entry("scan.JPE", folder));
    EXPECT_TRUE(messages.empty());
}

TEST_F(AddFilesTest, SelectedFilesGetTheFolderSeparatorAndRespectTheCount) {
    Make("x.jpg", MakeJpeg(10, 10, 72));
    Make("y.jpg", MakeJpeg(10, 10, 72));
    AddSelectedFiles(host, Utf8FromPath(dir.Path()), {"x.jpg", "y.jpg"}, 1);
    ASSERT_EQ(list.ListCount(), 1);
    EXPECT_EQ(list.ItemText(0), Entry("x.jpg", folder));
    AddSelectedFiles(host, folder, {"y.jpg"}, 0);
    AddSelectedFiles(host, folder, {"y.jpg"}, -1);
    EXPECT_EQ(list.ListCount(), 1);
    AddSelectedFiles(host, folder, {"y.jpg", "bad.png"}, 2);
    EXPECT_EQ(list.ListCount(), 2);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Unable to load image file: bad.png");
}

TEST_F(AddFilesTest, AddingKeepsTheSelection) {
    const std::string a = Make("a.jpg", MakeJpeg(10, 10, 72));
    const std::string b = Make("b.jpg", MakeJpeg(10, 10, 72));
    AddDroppedFiles(host, Drop({a}));
    list.SetSelected(0, true);
    AddDroppedFiles(host, Drop({b}));
    EXPECT_TRUE(list.IsSelected(0));
    EXPECT_FALSE(list.IsSelected(1));
}

} // namespace
} // namespace folionix::test
