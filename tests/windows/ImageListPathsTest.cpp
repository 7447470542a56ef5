// The image list and the open-files answer with Windows paths in their own form: backslash
// folders, drive roots, and a file system that ignores letter case.
#include "common/FileAccess.h"
#include "conversion/ListBox.h"
#include "conversion/modFolionix.h"
#include "conversion/modForms.h"
#include "dialogs/modCmDlgDLL.h"
#include "support/TestSupport.h"
#include "windows/ImageFixtures.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace folionix {
namespace {

using namespace std::string_literals;

// A host that records the message boxes shown through it.
class MessageRecorder final : public ConversionHost {
public:
    std::string FieldText(SettingsField) const override { return {}; }
    bool IsSpecifyPageSize() const override { return true; }
    bool IsSinglePdf() const override { return true; }
    bool IsCentered() const override { return true; }
    CheckState ShrinkCheckState() const override { return CheckState::Checked; }
    ListBox& ImageList() override { return list; }
    void ShowMessage(const std::string& text, int style, const std::string& title) override {
        messages.push_back({text, style, title});
    }

    struct Message {
        std::string text;
        int style = 0;
        std::string title;
    };
    ImageListModel list;
    std::vector<Message> messages;
};

std::string FolderOf(const test::TempDir& dir) {
    return Utf8FromPath(dir.Path()) + "\\";
}

TEST(WindowsListEntry, FileNameFiveTabsThenBackslashFolder) {
    EXPECT_EQ(ImageListEntry("page 1.jpg", "C:\\Scans\\"), "page 1.jpg\t\t\t\t\tC:\\Scans\\");
}

TEST(WindowsListEntry, SplitTrimsTheFolderAndGivesItItsBackslash) {
    std::string name;
    std::string folder;
    SplitListEntry("page 1.jpg\t\t\t\t\t  C:\\Scans  ", name, folder);
    EXPECT_EQ(name, "page 1.jpg");
    EXPECT_EQ(folder, "C:\\Scans\\");
    SplitListEntry("x.jp2\t\t\t\t\tC:\\", name, folder);
    EXPECT_EQ(name, "x.jp2");
    EXPECT_EQ(folder, "C:\\");
}

TEST(WindowsDroppedFiles, ExtensionIsLookedForInTheWholePath) {
    MessageRecorder recorder;
    ImageListModel& list = recorder.list;
    DropData drop;
    drop.files = {"C:\\my.scans\\page"};
    AddDroppedFiles(recorder, drop);
    ASSERT_EQ(recorder.messages.size(), 1u);
    EXPECT_EQ(recorder.messages[0].text, "Unable to load image file: C:\\my.scans\\page");
    EXPECT_EQ(recorder.messages[0].style, kStyleExclamation);
    EXPECT_EQ(recorder.messages[0].title, "Image Error");
    EXPECT_EQ(list.ListCount(), 0);
}

TEST(WindowsSelectedFiles, FileWithoutExtensionIsPassedOverSilently) {
    MessageRecorder recorder;
    ImageListModel& list = recorder.list;
    AddSelectedFiles(recorder, "C:\\my.scans", {"page"}, 1);
    EXPECT_TRUE(recorder.messages.empty());
    EXPECT_EQ(list.ListCount(), 0);
}

TEST(WindowsMessages, DroppedFileNamesTheFullPathChosenFileOnlyItsName) {
    MessageRecorder recorder;
    DropData drop;
    drop.files = {"C:\\Scans\\missing page.jpg"};
    AddDroppedFiles(recorder, drop);
    AddSelectedFiles(recorder, "C:\\Scans", {"missing page.jpg"}, 1);
    ASSERT_EQ(recorder.messages.size(), 2u);
    EXPECT_EQ(recorder.messages[0].text, "Unable to load image file: C:\\Scans\\missing page.jpg");
    EXPECT_EQ(recorder.messages[1].text, "Unable to load image file: missing page.jpg");
}

TEST(WindowsDroppedFiles, RealFileGetsItsBackslashFolder) {
    test::TempDir dir;
    test::WriteBytes(dir.File("page 1.jpg"), test::MakeJpeg(100, 50, 300));
    MessageRecorder recorder;
    ImageListModel& list = recorder.list;
    DropData drop;
    drop.files = {FolderOf(dir) + "page 1.jpg"};
    AddDroppedFiles(recorder, drop);
    EXPECT_TRUE(recorder.messages.empty());
    ASSERT_EQ(list.ListCount(), 1);
    EXPECT_EQ(list.ItemText(0), "page 1.jpg\t\t\t\t\t" + FolderOf(dir));
}

TEST(WindowsDroppedFiles, PlainTextDropHoldsOneWindowsPath) {
    test::TempDir dir;
    test::WriteBytes(dir.File("scan.JPE"), test::MakeJpeg(10, 10, 72));
    MessageRecorder recorder;
    ImageListModel& list = recorder.list;
    DropData drop;
    drop.hasText = true;
    drop.text = FolderOf(dir) + "scan.JPE";
    AddDroppedFiles(recorder, drop);
    EXPECT_TRUE(recorder.messages.empty());
    ASSERT_EQ(list.ListCount(), 1);
    EXPECT_EQ(list.ItemText(0), "scan.JPE\t\t\t\t\t" + FolderOf(dir));
}

// Windows opens PHOTO.JPG when asked for photo.jpg, so choosing the other spelling reads the
// file successfully and then finds the entry already listed.
TEST(WindowsSelectedFiles, OtherLetterCaseOfAListedFileAddsNothing) {
    test::TempDir dir;
    test::WriteBytes(dir.File("photo.jpg"), test::MakeJpeg(10, 10, 72));
    MessageRecorder recorder;
    ImageListModel& list = recorder.list;
    AddSelectedFiles(recorder, Utf8FromPath(dir.Path()), {"photo.jpg"}, 1);
    AddSelectedFiles(recorder, Utf8FromPath(dir.Path()), {"PHOTO.JPG"}, 1);
    EXPECT_TRUE(recorder.messages.empty());
    ASSERT_EQ(list.ListCount(), 1);
    EXPECT_EQ(list.ItemText(0), "photo.jpg\t\t\t\t\t" + FolderOf(dir));
}

// Dropped in two letter cases, one file: the second spelling is found in the list before its
// header is read, so nothing is shown and one page results.
TEST(WindowsDroppedFiles, OtherLetterCaseOfAListedFileIsPassedOver) {
    test::TempDir dir;
    test::WriteBytes(dir.File("photo.jpg"), test::MakeJpeg(10, 10, 72));
    MessageRecorder recorder;
    ImageListModel& list = recorder.list;
    DropData drop;
    drop.files = {FolderOf(dir) + "photo.jpg", FolderOf(dir) + "PHOTO.JPG",
                  FolderOf(dir) + "Photo.Jpg"};
    AddDroppedFiles(recorder, drop);
    EXPECT_TRUE(recorder.messages.empty());
    ASSERT_EQ(list.ListCount(), 1);
    EXPECT_EQ(FindListItem(list, "PHOTO.JPG\t\t\t\t\t" + FolderOf(dir)), 0);
}

TEST(WindowsSelectedFiles, NonAsciiNamesAreReadThroughWidePaths) {
    test::TempDir dir;
    const std::string folderName = "Fotos \xC3\xA9t\xC3\xA9";             // "Fotos été"
    const std::string fileName = "\xE6\x97\xA5\xE6\x9C\xAC \xC3\xB8.jp2"; // "日本 ø.jp2"
    std::filesystem::create_directory(dir.Path() / PathFromUtf8(folderName));
    const std::string folder = FolderOf(dir) + folderName;
    test::WriteBytes(folder + "\\" + fileName, test::MakeJp2(64, 32));
    MessageRecorder recorder;
    ImageListModel& list = recorder.list;
    AddSelectedFiles(recorder, folder, {fileName}, 1);
    EXPECT_TRUE(recorder.messages.empty());
    ASSERT_EQ(list.ListCount(), 1);
    EXPECT_EQ(list.ItemText(0), fileName + "\t\t\t\t\t" + folder + "\\");
}

// --- The open-files dialog's answer, with C:\Photos and the drive root -----------------------

struct AnswerRow {
    std::string answer; // the text R, NUL-separated
    std::string folder;
    std::vector<std::string> names;
};

class WindowsOpenFilesAnswer : public ::testing::TestWithParam<AnswerRow> {};

TEST_P(WindowsOpenFilesAnswer, GivesFolderAndSortedNames) {
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
    Rows, WindowsOpenFilesAnswer,
    ::testing::Values(AnswerRow{"C:\\Photos\\b.jpg\0     \0"s, "C:\\Photos\\", {"b.jpg"}},
                      AnswerRow{"C:\\Photos\0b.jpg\0A.jpg\0a.jpg\0"s,
                                "C:\\Photos\\",
                                {"A.jpg", "a.jpg", "b.jpg"}},
                      AnswerRow{"C:\\\0x.jpg\0y.jpg\0"s, "C:\\", {"x.jpg", "y.jpg"}},
                      AnswerRow{"C:\\Photos\0a.jpg\0a.jpg\0"s, "C:\\Photos\\", {"a.jpg"}},
                      AnswerRow{"C:\\Photos\0 b.jpg \0"s, "C:\\Photos\\", {"b.jpg"}},
                      AnswerRow{"C:\\b.jpg\0"s, "C:\\", {"b.jpg"}}));

// The file buffer as the dialog leaves it: its answer over the start of 8000 spaces.
TEST(WindowsOpenFilesBuffer, SingleChoiceInTheSpaceFilledBuffer) {
    std::string buffer(8000, ' ');
    buffer += '\0';
    const std::string path = "C:\\Photos\\b.jpg"s + '\0';
    buffer.replace(0, path.size(), path);
    buffer += '\0';
    std::string folder;
    std::vector<std::string> names;
    std::int32_t count = 0;
    EXPECT_TRUE(ReadOpenFilesAnswer(ReadResultStrings(buffer), folder, names, count));
    EXPECT_EQ(folder, "C:\\Photos\\");
    EXPECT_EQ(names, std::vector<std::string>{"b.jpg"});
    EXPECT_EQ(count, 1);
}

TEST(WindowsOpenFilesBuffer, SeveralChoicesInTheDriveRoot) {
    std::string buffer(8000, ' ');
    buffer += '\0';
    const std::string answer = "C:\\\0y.jpg\0x.jpg\0\0"s;
    buffer.replace(0, answer.size(), answer);
    std::string folder;
    std::vector<std::string> names;
    std::int32_t count = 0;
    EXPECT_TRUE(ReadOpenFilesAnswer(ReadResultStrings(buffer), folder, names, count));
    EXPECT_EQ(folder, "C:\\");
    EXPECT_EQ(names, (std::vector<std::string>{"x.jpg", "y.jpg"}));
    EXPECT_EQ(count, 2);
}

} // namespace
} // namespace folionix
