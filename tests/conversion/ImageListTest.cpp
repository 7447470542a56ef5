// The image list: entries, search, adding files, reordering and its popup menu.
#include "common/FileAccess.h"
#include "common/PathCase.h"
#include "conversion/modConforming.h"
#include "conversion/modFolionix.h"
#include "conversion/modForms.h"
#include "support/FakeHost.h"
#include "support/ImageBytes.h"
#include "support/ListState.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace folionix::test {
namespace {

// A list that keeps the list box's own linear prefix search.
struct PlainList final : ListBox {
    explicit PlainList(std::vector<std::string> all) : texts(std::move(all)) {}
    std::int32_t ListCount() const override { return static_cast<std::int32_t>(texts.size()); }
    std::string ItemText(std::int32_t i) const override { return texts.at(std::size_t(i)); }
    void SetItemText(std::int32_t, const std::string&) override {}
    bool IsSelected(std::int32_t) const override { return false; }
    void SetSelected(std::int32_t, bool) override {}
    std::int32_t SelectedCount() const override { return 0; }
    void AddItem(const std::string&) override {}
    void RemoveItem(std::int32_t) override {}
    std::vector<std::string> texts;
};

TEST(ListEntry, FileNameFiveTabsFolderSplitAtTheLastFiveTabs) {
    const std::string s(1, kPathSeparator);
    EXPECT_EQ(ImageListEntry("p 1.jpg", s + "scans" + s), "p 1.jpg\t\t\t\t\t" + s + "scans" + s);
    const std::vector<std::string> rows[] = {
        {"a\t\t\t\t\tb\t\t\t\t\t  " + s + "x ", "a\t\t\t\t\tb|" + s + "x" + s},
        {"six\t\t\t\t\t\tf", "six\t|f" + s},
    };
    for (const auto& row : rows) {
        std::string name, folder;
        SplitListEntry(row[0], name, folder);
        EXPECT_EQ(name + "|" + folder, row[1]);
    }
}

// FindListItem: the entry that is exactly the text, its letter case as the platform's file names
// have it. The prefix search ignores ASCII letter case and wraps round. The in-memory list
// answers both from its index as the plain scan does, after appends and after changes that make
// the index stale.
TEST(ListSearch, WholeEntryOrPrefixAndTheIndexAnswersAlike) {
    const PlainList names({"PHOTO.JPG.x", "other", "Photo.jpg", "photo.jpg", "abc", "abd", "AB"});
    std::string found;
    for (const char* text : {"photo.jpg", "Photo.jpg", "PHOTO.JPG", "photo.jp", "PHOTO.JPG.xy",
                             "OTHER", "ab", "AB", "x"}) {
        found += std::to_string(FindListItem(names, text)) + " ";
    }
    EXPECT_EQ(found, kFileNamesIgnoreCase ? "2 2 2 -1 -1 1 6 6 -1 " : "3 2 -1 -1 -1 -1 -1 6 -1 ");
    EXPECT_EQ(FindListItem(ImageListModel(), "x"), -1);
    const PlainList list({"ab", "b", "abc", "AB"});
    EXPECT_EQ(std::vector<int>({list.FindString(-1, "aB"), list.FindString(0, "ab"),
                                list.FindString(3, "ab"), list.FindString(9, "b"),
                                list.FindString(2, "zz"), list.TextLength(2), list.TextLength(4)}),
              std::vector<int>({0, 2, 0, 1, -1, 3, -1}));
    const std::vector<std::string> words = {"a", "A", "ab", "aB", "abc", "b", "B", "ba", ""};
    ImageListModel model;
    std::vector<std::string> texts;
    for (const char* word : {"b", "ab", "", "AB", "abc", "A", "ba", "ab", "B", "a"}) {
        model.AddItem(word);
        texts.push_back(word);
        if (texts.size() == 6) {
            model.SetItemText(0, texts[0] = "aB");
            model.RemoveItem(2);
            texts.erase(texts.begin() + 2);
        }
        for (std::int32_t start = -2; start <= std::int32_t(texts.size()); ++start) {
            for (const std::string& prefix : words) {
                ASSERT_EQ(model.FindString(start, prefix),
                          PlainList(texts).FindString(start, prefix))
                    << texts.size() << " items, start " << start << " prefix " << prefix;
            }
        }
        for (const std::string& text : words) {
            EXPECT_EQ(FindListItem(model, text), FindListItem(PlainList(texts), text)) << text;
        }
    }
}

// Outcomes in drop order; a file listed already is passed over, even when it is gone; chosen in
// the dialog, a file is read first; adding keeps the selection. Where file names keep letter
// case, PHOTO.JPG and photo.jpg are two files; where they ignore it, both names open one file,
// listed once. The same name in two folders is two files. A plain-text drop is one path; a
// dropped file's extension comes from its whole path, a chosen file's from its name alone (no
// "." there: passed over silently). The dialog's count holds.
TEST(AddFiles, OutcomesEntriesAndMessagesInOrder) {
    const TempDir dir;
    const std::string folder = Utf8FromPath(dir.Path()) + kPathSeparator, s(1, kPathSeparator);
    FakeHost host;
    const auto make = [&](const std::string& name, const Bytes& bytes = MakeJpeg(9, 9, 72)) {
        std::filesystem::create_directories(PathFromUtf8(folder + name).parent_path());
        WriteBytes(folder + name, bytes);
        return folder + name;
    };
    const auto drop = [&](std::vector<std::string> files) {
        return AddDroppedFiles(host, DropData{false, "", std::move(files)});
    };
    const std::string refused = "|48|Image Error\n";
    const std::string a = make("a.jpg");
    const std::string bad = make("bad.jpg", {'P', 'N', 'G'});
    const std::string e = make("e.jpeg.txt");
    host.list.AddItem("x");
    host.list.SetSelected(0, true);
    std::string results;
    for (const AddOutcome& o :
         drop({a, bad, make("c.Jp2", MakeJp2(9, 9)), make("d.J2K", MakeJ2k(9, 9)), e, a})) {
        results += std::to_string(static_cast<int>(o.result)) + o.message + "\n";
    }
    const std::string unable = "Unable to load image file: ";
    EXPECT_EQ(results, "0\n2" + unable + bad + "\n0\n0\n2" + unable + e + "\n1\n");
    std::filesystem::remove(PathFromUtf8(a));
    EXPECT_EQ(drop({a}).at(0).result, AddResult::AlreadyListed);
    AddSelectedFiles(host, folder, {"a.jpg"}, 1);

    drop({make("PHOTO.JPG"), make("photo.jpg"), make("sub" + s + "photo.jpg")});
    AddSelectedFiles(host, folder, {"photo.jpg", "PHOTO.JPG"}, 2);
    AddDroppedFiles(host, DropData{true, make("scan.JPE"), {"ignored.jpg"}});
    const std::string scans = folder + "my.scans" + s;
    drop({make("my.scans" + s + "page")});
    EXPECT_EQ(AddSelectedFiles(host, scans, {"page"}, 1).at(0).result, AddResult::PassedOver);
    make("x.jpg");
    AddSelectedFiles(host, Utf8FromPath(dir.Path()), {"x.jpg", "y.jpg"}, 1);
    AddSelectedFiles(host, folder, {"y.jpg"}, 0);
    AddSelectedFiles(host, folder, {"y.jpg"}, -1);
    AddSelectedFiles(host, folder, {"x.jpg", "bad.png"}, 2);
    // Under the conforming plan a refusal gives its reason, and a warning reaches the host.
    host.plan = &ConformingPlan();
    const std::string cut = make("cut.jpg", JpegFile({FrameSegment(0xC0, 8, 9, 9, 3)}, false));
    drop({cut, make("two.jpg", MakeJpeg(9, 9, 72, 2))});
    const std::string warned = "Warning: image file does not end with an end-of-image marker "
                               "(truncated?); the PDF adds one after its data: ";
    EXPECT_EQ(host.warnings, std::vector<std::string>{warned + cut});
    const auto in = [&](const std::string& name, const std::string& sub = "") {
        return Entry(name, folder + sub) + "\n";
    };
    EXPECT_EQ(host.Listed(), "x*\n" + in("a.jpg") + in("c.Jp2") + in("d.J2K") + in("PHOTO.JPG") +
                                 (kFileNamesIgnoreCase ? "" : in("photo.jpg")) +
                                 in("photo.jpg", "sub" + s) + in("scan.JPE") + in("x.jpg") +
                                 in("cut.jpg"));
    const std::string two = "Cannot write a conforming PDF for image file: " + folder +
                            "two.jpg (two-component JPEG: no PDF colour space has two components)";
    EXPECT_EQ(host.Shown(), unable + bad + refused + unable + e + refused + unable + "a.jpg" +
                                refused + unable + scans + "page" + refused + unable + "bad.png" +
                                refused + two + refused);
}

// A menu service that hands out ids idBase + 1, idBase + 2, answers with the item chosen (0:
// none) and logs the calls, which must be the list popup's; the menu handed out is 42.
struct FakeMenus final : MenuService {
    explicit FakeMenus(int chosen) : choice(chosen) {}
    ~FakeMenus() override {
        EXPECT_EQ(calls, "new 1;add Move Selection Up 42;add Move Selection Down 42;"
                         "show -1 -1 42;destroy 42;");
    }
    std::intptr_t Log(const std::string& call, std::intptr_t value) {
        calls += call + " " + std::to_string(value) + ";";
        return 42;
    }
    std::intptr_t NewMenu(bool popup) override { return Log("new", popup); }
    bool AddMenuItem(std::intptr_t menu, const std::string& caption, std::int32_t& id,
                     std::int32_t idBase) override {
        id = idBase + ++items;
        return Log("add " + caption, menu);
    }
    bool ShowPopupMenu(std::intptr_t menu, std::int32_t& id, std::string&, std::int32_t x,
                       std::int32_t y) override {
        id = choice;
        return Log("show " + std::to_string(x) + " " + std::to_string(y), menu) && choice > 0;
    }
    bool DestroyMenuAll(std::intptr_t menu) override { return Log("destroy", menu); }

    int choice, items = 0;
    std::string calls;
};

// Steps: U up, D down, R remove selected, popup menu item 1 (up), 2 (down) or 0 (none).
TEST(Reorder, SelectedRunsMoveByOnePlaceAndRemoveTakesThemAll) {
    const std::string rows[][3] = {
        {"A|B|C*|D|E", "U", "A|C*|B|D|E"},    {"A|B*|C*|D|E", "U", "B*|C*|A|D|E"},
        {"A*|B|C*|D|E", "UU", "A*|C*|B|D|E"}, {"A|B|C|D|E*", "D", "A|B|C|D|E*"},
        {"A|B|C|D*|E", "D", "A|B|C|E|D*"},    {"A*|B*|C|D|E*", "D", "C|A*|B*|D|E*"},
        {"A|B|C|D|E", "UD", "A|B|C|D|E"},     {"A*", "UD", "A*"},
        {"A*|B|C*|D*|E|F|G*", "R", "B|E|F"},  {"A*|B*", "R", ""},
        {"A|B|C*|D|E", "1", "A|C*|B|D|E"},    {"A|B|C*|D|E", "2", "A|B|D|C*|E"},
        {"A|B|C*|D|E", "0", "A|B|C*|D|E"},
    };
    for (const auto& [before, steps, after] : rows) {
        ImageListModel list;
        Fill(list, before);
        for (const char step : steps) {
            if (step == 'U' || step == 'D' || step == 'R') {
                step == 'U'   ? MoveSelectionUp(list)
                : step == 'D' ? MoveSelectionDown(list)
                              : RemoveSelected(list);
            } else {
                FakeMenus menus(step - '0');
                ShowListMenu(list, menus);
            }
        }
        EXPECT_EQ(State(list), after) << before << " " << steps;
    }
}

} // namespace
} // namespace folionix::test
