// The window's handlers driven as a user would: fields set with WM_SETTEXT, buttons pressed with
// BM_CLICK, files dropped on the list, dialogs, message boxes and the popup answered through
// the window's seams.
#include "WindowTestSupport.h"

#include "support/TestSupport.h"
#include "window_win32/Seams.h"
#include "window_win32/WideText.h"
#include "windows/ImageFixtures.h"

#include <shlobj.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace folionix::test {
namespace {

const std::string kTab5 = "\t\t\t\t\t";
const std::string kFileNameMessage =
    "Please enter a valid file name (cannot contain \\ / : * < > ? | \")";

std::string WithBackslash(const std::filesystem::path& folder) {
    std::string text = Utf8FromWide(folder.wstring());
    return text.back() == '\\' ? text : text + "\\";
}

// --- Validation -------------------------------------------------------------------------------

struct ValidationRow {
    std::vector<std::pair<const char*, std::string>> fields;
    std::vector<const char*> clicks;
    ShownMessage expected;
};

class ValidationTest : public Win32WindowTest,
                       public ::testing::WithParamInterface<ValidationRow> {};

TEST_P(ValidationTest, SavePdfShowsTheFirstFailingChecksMessageOnly) {
    TempDir out;
    Seams().now = [] { return LocalTime{2026, 3, 4, 9, 15, 2}; };
    SetText("Text1", WithBackslash(out.Path()));
    for (const char* option : GetParam().clicks) {
        Click(option);
    }
    for (const auto& [name, text] : GetParam().fields) {
        SetText(name, text);
    }
    Click("Command3");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, GetParam().expected.text);
    EXPECT_EQ(messages[0].style, GetParam().expected.style);
    EXPECT_EQ(messages[0].title, GetParam().expected.title);
}

const ShownMessage kNoPath{"Please enter an Output Path", 16, "Error"};
const ShownMessage kBadPage{"Please enter valid page dimensions.", 16, "Error"};
const ShownMessage kBadMargin{"Please enter valid margins (zero or greater).", 16, "Error"};
const ShownMessage kBadName{kFileNameMessage, 0, "Folionix"};
const ShownMessage kDoneOne{"Done creating PDF.  Duration:  09:15:02 - 09:15:02", 0, "Folionix"};
const ShownMessage kDoneMany{"Done creating PDFs.  Duration:  09:15:02 - 09:15:02", 0, "Folionix"};

INSTANTIATE_TEST_SUITE_P(
    Checks, ValidationTest,
    ::testing::Values(ValidationRow{{{"Text1", ""}, {"Text2", "0"}, {"Text3", "a/b"}}, {}, kNoPath},
                      ValidationRow{{{"Text2", "0"}}, {}, kBadPage},
                      ValidationRow{{{"Text2", "abc"}}, {}, kBadPage},
                      ValidationRow{{{"Text4", "0"}}, {}, kBadPage},
                      ValidationRow{
                          {{"Text2", "-1"}, {"Text5", "-0.1"}, {"Text3", ""}}, {}, kBadPage},
                      ValidationRow{{{"Text7", "-0.1"}, {"Text3", "x?.pdf"}}, {}, kBadMargin},
                      ValidationRow{{{"Text3", "a/b.pdf"}}, {}, kBadName},
                      ValidationRow{{{"Text3", "say \"hi\".pdf"}}, {}, kBadName},
                      ValidationRow{{{"Text3", ""}}, {}, kBadName},
                      ValidationRow{{{"Text2", "abc"}, {"Text3", "report"}}, {"Option1"}, kDoneOne},
                      ValidationRow{{{"Text2", "8,5"}, {"Text6", ""}}, {}, kDoneOne},
                      ValidationRow{{{"Text3", "x?.pdf"}}, {"Option4"}, kDoneMany}));

// --- Builds: the same bytes as folionix-cli.exe -----------------------------------------------

// Equal apart from the header's date line, bytes 17 to 41.
void ExpectSameApartFromDate(const std::string& windowPdf, const std::string& cliPdf) {
    std::vector<std::uint8_t> a = ReadBytes(windowPdf);
    std::vector<std::uint8_t> b = ReadBytes(cliPdf);
    ASSERT_GT(a.size(), 42u) << windowPdf;
    ASSERT_EQ(a.size(), b.size()) << windowPdf;
    std::fill(a.begin() + 17, a.begin() + 42, std::uint8_t{'#'});
    std::fill(b.begin() + 17, b.begin() + 42, std::uint8_t{'#'});
    EXPECT_TRUE(a == b) << windowPdf << " differs from " << cliPdf;
}

std::wstring Quoted(const std::string& utf8) {
    return L"\"" + WideFromUtf8(utf8) + L"\"";
}

// Runs folionix-cli.exe (built beside this program) and returns its exit code.
DWORD RunCli(const std::vector<std::string>& arguments) {
    std::string program = FOLIONIX_CLI_EXE;
    std::replace(program.begin(), program.end(), '/', '\\');
    if (program.front() == '\\') {
        program = "Z:" + program; // Wine's drive for the Linux root
    }
    std::wstring commandLine = Quoted(program);
    for (const std::string& argument : arguments) {
        commandLine += L" " + Quoted(argument);
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                        nullptr, nullptr, &startup, &process)) {
        return 0xFFFF;
    }
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 0xFFFF;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

struct BuildRow {
    const char* name;
    std::vector<std::pair<const char*, std::string>> fields;
    std::vector<const char*> clicks;
    std::vector<std::string> cliOptions;
};

class BuildTest : public Win32WindowTest, public ::testing::WithParamInterface<BuildRow> {};

TEST_P(BuildTest, WritesTheSameBytesAsTheCommandLine) {
    TempDir in;
    TempDir windowOut;
    TempDir cliOut;
    const std::vector<std::string> images{"photo.jpg", "scan \xC3\xA9t\xC3\xA9 \xE6\x97\xA5.JPEG",
                                          "picture.jp2", "raw.J2K"};
    WriteBytes(in.File(images[0]), MakeJpeg(300, 200, 150));
    WriteBytes(in.File(images[1]), MakeJpeg(900, 1600, 0));
    WriteBytes(in.File(images[2]), MakeJp2(640, 480));
    WriteBytes(in.File(images[3]), MakeJ2k(2000, 100));
    std::vector<std::string> paths;
    for (const std::string& image : images) {
        paths.push_back(in.File(image));
    }

    DropFiles(paths);
    ASSERT_EQ(window->ImageList().ListCount(), 4);
    SetText("Text1", WithBackslash(windowOut.Path()));
    for (const char* option : GetParam().clicks) {
        Click(option);
    }
    for (const auto& [name, text] : GetParam().fields) {
        SetText(name, text);
    }
    Click("Command3");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text.rfind("Done creating PDF", 0), 0u) << messages[0].text;

    // No trailing backslash: before the closing quote it would escape it.
    std::vector<std::string> arguments{"-o", Utf8FromWide(cliOut.Path().wstring())};
    arguments.insert(arguments.end(), GetParam().cliOptions.begin(), GetParam().cliOptions.end());
    arguments.emplace_back("--");
    arguments.insert(arguments.end(), paths.begin(), paths.end());
    ASSERT_EQ(RunCli(arguments), 0u);

    std::vector<std::filesystem::path> written;
    for (const auto& entry : std::filesystem::directory_iterator(windowOut.Path())) {
        written.push_back(entry.path().filename());
    }
    std::sort(written.begin(), written.end());
    std::vector<std::filesystem::path> expected;
    for (const auto& entry : std::filesystem::directory_iterator(cliOut.Path())) {
        expected.push_back(entry.path().filename());
    }
    std::sort(expected.begin(), expected.end());
    ASSERT_FALSE(written.empty());
    ASSERT_EQ(written, expected);
    for (const auto& name : written) {
        ExpectSameApartFromDate(Utf8FromWide((windowOut.Path() / name).wstring()),
                                Utf8FromWide((cliOut.Path() / name).wstring()));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Runs, BuildTest,
    ::testing::Values(
        BuildRow{"single-default",
                 {{"Text3", "Folionix \xC3\xA9t\xC3\xA9.pdf"}},
                 {},
                 {"-f", "Folionix \xC3\xA9t\xC3\xA9.pdf"}},
        BuildRow{"single-match",
                 {{"Text5", "0.5"},
                  {"Text6", "0.25"},
                  {"Text7", "1"},
                  {"Text8", "0.125"},
                  {"Text3", "out.PDF"}},
                 {"Option1", "Option6"},
                 {"--match-image-size", "--top", "0.5", "--bottom", "0.25", "--left", "1",
                  "--right", "0.125", "--top-left", "-f", "out.PDF"}},
        BuildRow{"single-small-no-shrink",
                 {{"Text2", "4"}, {"Text4", "3"}, {"Text5", "0.3"}, {"Text3", "small.pdf"}},
                 {"Check1"},
                 {"-W", "4", "-H", "3", "--top", "0.3", "--no-shrink", "-f", "small.pdf"}},
        BuildRow{"multiple-default", {}, {"Option4"}, {"--multiple"}},
        BuildRow{"multiple-match",
                 {{"Text7", "0.5"}, {"Text8", "0.5"}},
                 {"Option4", "Option1"},
                 {"--multiple", "--match-image-size", "--left", "0.5", "--right", "0.5"}}),
    [](const ::testing::TestParamInfo<BuildRow>& row) {
        std::string name = row.param.name;
        std::replace(name.begin(), name.end(), '-', '_');
        return name;
    });

// --- Adding files -----------------------------------------------------------------------------

class AddFilesTest : public Win32WindowTest {};

TEST_F(AddFilesTest, TheOpenDialogsAnswerIsAddedInNameOrderAndAnUnreadableFileIsNamed) {
    TempDir in;
    for (const char* name : {"B.jpg", "a.jpg", "c.J2K", "noext"}) {
        WriteBytes(in.File(name),
                   std::string(name) == "c.J2K" ? MakeJ2k(10, 10) : MakeJpeg(10, 10, 72));
    }
    WriteText(in.File("bad.jpg"), "not a JPEG");
    const std::string folder = Utf8FromWide(in.Path().wstring());
    OPENFILENAMEW seen{};
    std::wstring filter;
    std::wstring initialFolder;
    std::wstring title;
    Seams().getOpenFileName = [&](OPENFILENAMEW& record) {
        seen = record;
        const wchar_t* at = record.lpstrFilter;
        while (*at != L'\0') {
            filter += at;
            filter += L'|';
            at += std::wcslen(at) + 1;
        }
        initialFolder = record.lpstrInitialDir;
        using namespace std::string_literals;
        title = record.lpstrTitle;
        const std::wstring answer =
            WideFromUtf8(folder) + L"\0c.J2K\0bad.jpg\0B.jpg\0noext\0a.jpg\0\0"s;
        std::copy(answer.begin(), answer.end(), record.lpstrFile);
        return TRUE;
    };
    SetCurrentDirectoryW(in.Path().wstring().c_str());

    Click("Command2");

    EXPECT_EQ(seen.Flags, 0x281204u);
    EXPECT_EQ(seen.nMaxFile, 8001u);
    EXPECT_EQ(title, L"Select a File...");
    EXPECT_EQ(seen.hwndOwner, window->Handle());
    EXPECT_EQ(filter, L"All Supported Files|*.JPG; *.JPEG; *.JPE; *.JP2; *.J2K|JPG Files|"
                      L"*.JPG; *.JPEG; *.JPE|JP2 Files|*.JP2|J2K Files|*.J2K|");
    EXPECT_EQ(initialFolder, in.Path().wstring());
    const std::string where = kTab5 + folder + "\\";
    EXPECT_EQ(Entries(),
              (std::vector<std::string>{"B.jpg" + where, "a.jpg" + where, "c.J2K" + where}));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Unable to load image file: bad.jpg");
    EXPECT_EQ(messages[0].style, 48);
    EXPECT_EQ(messages[0].title, "Image Error");
}

TEST_F(AddFilesTest, OneChosenFileComesBackAsAFullPathAndCancelAddsNothing) {
    TempDir in;
    WriteBytes(in.File("one.jpg"), MakeJpeg(10, 10, 72));
    const std::wstring path = in.Path().wstring() + L"\\one.jpg";
    Seams().getOpenFileName = [&](OPENFILENAMEW& record) {
        // The dialog writes the path and its terminator over the spaces it was given.
        std::copy(path.begin(), path.end(), record.lpstrFile);
        record.lpstrFile[path.size()] = L'\0';
        return TRUE;
    };
    Click("Command2");
    EXPECT_EQ(Entries(), std::vector<std::string>{"one.jpg" + kTab5 +
                                                  Utf8FromWide(in.Path().wstring()) + "\\"});
    Seams().getOpenFileName = [](OPENFILENAMEW&) { return FALSE; };
    Click("Command2");
    EXPECT_EQ(Entries().size(), 1u);
    EXPECT_TRUE(messages.empty());
}

TEST_F(AddFilesTest, DropsTakeFilesOrOnePathAsTextAndIgnoreLetterCaseForDuplicates) {
    TempDir in;
    const std::string folder = Utf8FromWide(in.Path().wstring()) + "\\";
    WriteBytes(in.File("photo.jpg"), MakeJpeg(10, 10, 72));
    WriteBytes(in.File("\xC3\xA9t\xC3\xA9.jp2"), MakeJp2(10, 10));
    WriteText(in.File("notes.txt"), "text");

    DropFiles({folder + "photo.jpg", folder + "notes.txt", folder + "\xC3\xA9t\xC3\xA9.jp2"});
    EXPECT_EQ(Entries(), (std::vector<std::string>{"photo.jpg" + kTab5 + folder,
                                                   "\xC3\xA9t\xC3\xA9.jp2" + kTab5 + folder}));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Unable to load image file: " + folder + "notes.txt");

    // The same files again, in other letter case: nothing changes and nothing is said.
    DropFiles({folder + "PHOTO.JPG", folder + "\xC3\xA9t\xC3\xA9.JP2"});
    DropText(folder + "photo.jpg");
    EXPECT_EQ(Entries().size(), 2u) << Entries().back();
    EXPECT_EQ(messages.size(), 1u);

    WriteBytes(in.File("other.jpeg"), MakeJpeg(10, 10, 72));
    DropText(folder + "other.jpeg");
    EXPECT_EQ(Entries().back(), "other.jpeg" + kTab5 + folder);
}

// --- The folder button ------------------------------------------------------------------------

TEST_F(AddFilesTest, TheFolderBrowserSetsTheOutputPathAsTheShellGivesIt) {
    TempDir out;
    BROWSEINFOW seen{};
    std::wstring title;
    std::wstring chosen = out.Path().wstring();
    Seams().browseForFolder = [&](BROWSEINFOW& record) -> PIDLIST_ABSOLUTE {
        seen = record;
        title = record.lpszTitle;
        return chosen.empty() ? nullptr : ILCreateFromPathW(chosen.c_str());
    };
    Click("Command1");
    EXPECT_EQ(title, L"Select a Folder...");
    EXPECT_EQ(seen.ulFlags, 0u);
    EXPECT_EQ(seen.pidlRoot, nullptr);
    EXPECT_EQ(seen.hwndOwner, window->Handle());
    EXPECT_EQ(Text("Text1"), Utf8FromWide(out.Path().wstring()));

    chosen = L"C:\\";
    Click("Command1");
    EXPECT_EQ(Text("Text1"), "C:\\");

    chosen.clear();
    Click("Command1");
    EXPECT_EQ(Text("Text1"), "C:\\");
}

// --- The option buttons -----------------------------------------------------------------------

TEST_F(AddFilesTest, OptionsSwitchTheirTextBoxesOffAndOnKeepingTheirTexts) {
    SetText("Text2", "7");
    Click("Option1");
    EXPECT_FALSE(IsWindowEnabled(Control("Text2")));
    EXPECT_FALSE(IsWindowEnabled(Control("Text4")));
    Click("Option2");
    EXPECT_TRUE(IsWindowEnabled(Control("Text2")));
    EXPECT_TRUE(IsWindowEnabled(Control("Text4")));
    EXPECT_EQ(Text("Text2"), "7");
    Click("Option4");
    EXPECT_FALSE(IsWindowEnabled(Control("Text3")));
    EXPECT_TRUE(IsChecked("Option4") && !IsChecked("Option3"));
    EXPECT_TRUE(IsChecked("Option2")); // the pairs are independent
    Click("Option3");
    EXPECT_TRUE(IsWindowEnabled(Control("Text3")));
    EXPECT_EQ(Text("Text3"), "JPEG_Output.PDF");
}

// --- The popup and Remove Selected ------------------------------------------------------------

struct ReorderRow {
    std::vector<int> selected;
    int command; // 1 up, 2 down, 0 dismissed
    std::vector<std::string> order;
    std::vector<int> selectedAfter;
};

class PopupTest : public Win32WindowTest, public ::testing::WithParamInterface<ReorderRow> {};

TEST_P(PopupTest, ARightPressOffersTheTwoMovesAndMovesTheSelection) {
    FillList({"A", "B", "C", "D", "E"}, GetParam().selected);
    std::vector<std::wstring> items;
    Seams().trackPopupMenu = [&](HMENU menu, UINT flags, POINT, HWND owner) {
        EXPECT_EQ(flags, 0x102u);
        EXPECT_EQ(owner, window->Handle());
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            wchar_t text[64] = {};
            GetMenuStringW(menu, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
            items.emplace_back(text);
        }
        return GetParam().command;
    };
    SendMessageW(Control("List1"), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 60));
    EXPECT_EQ(items, (std::vector<std::wstring>{L"Move Selection Up", L"Move Selection Down"}));
    EXPECT_EQ(Entries(), GetParam().order);
    EXPECT_EQ(SelectedRows(), GetParam().selectedAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Moves, PopupTest,
    ::testing::Values(ReorderRow{{2}, 1, {"A", "C", "B", "D", "E"}, {1}},
                      ReorderRow{{1, 2}, 1, {"B", "C", "A", "D", "E"}, {0, 1}},
                      ReorderRow{{0, 2}, 1, {"A", "C", "B", "D", "E"}, {0, 1}},
                      ReorderRow{{4}, 2, {"A", "B", "C", "D", "E"}, {4}},
                      ReorderRow{{3}, 2, {"A", "B", "C", "E", "D"}, {4}},
                      ReorderRow{{0, 1, 4}, 2, {"C", "A", "B", "D", "E"}, {1, 2, 4}},
                      ReorderRow{{1, 3}, 0, {"A", "B", "C", "D", "E"}, {1, 3}}));

TEST_F(PopupTest, NoSelectionOpensNoPopupAndTheKeyboardOpensItAtTheFirstSelectedRow) {
    FillList({"A", "B", "C"}, {});
    int shown = 0;
    POINT where{};
    Seams().trackPopupMenu = [&](HMENU, UINT, POINT at, HWND) {
        ++shown;
        where = at;
        return 2;
    };
    SendMessageW(Control("List1"), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(shown, 0);

    window->ImageList().SetSelected(1, true);
    SendMessageW(Control("List1"), LB_SETCARETINDEX, 1, FALSE);
    SendMessageW(window->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Control("List1")),
                 MAKELPARAM(0xFFFF, 0xFFFF));
    EXPECT_EQ(shown, 1);
    RECT row{};
    SendMessageW(Control("List1"), LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&row));
    POINT expected{row.left, row.bottom};
    ClientToScreen(Control("List1"), &expected);
    EXPECT_EQ(where.x, expected.x);
    EXPECT_EQ(where.y, expected.y);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"A", "C", "B"}));
    // The current-item frame moved with its entry.
    EXPECT_EQ(SendMessageW(Control("List1"), LB_GETCARETINDEX, 0, 0), 2);
}

struct RemoveRow {
    std::vector<int> selected;
    std::vector<std::string> left;
};

class RemoveTest : public Win32WindowTest, public ::testing::WithParamInterface<RemoveRow> {};

TEST_P(RemoveTest, RemoveSelectedAndTheDeleteKeyTakeExactlyTheSelectedEntries) {
    for (const bool byKey : {false, true}) {
        SendMessageW(Control("List1"), LB_RESETCONTENT, 0, 0);
        FillList({"0", "1", "2", "3", "4"}, GetParam().selected);
        if (byKey) {
            SendMessageW(Control("List1"), WM_KEYDOWN, VK_DELETE, 0);
        } else {
            Click("Command4");
        }
        EXPECT_EQ(Entries(), GetParam().left) << (byKey ? "Delete" : "Remove Selected");
        EXPECT_TRUE(SelectedRows().empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Selections, RemoveTest,
                         ::testing::Values(RemoveRow{{1, 3}, {"0", "2", "4"}},
                                           RemoveRow{{0, 1, 2, 3, 4}, {}},
                                           RemoveRow{{}, {"0", "1", "2", "3", "4"}}));

} // namespace
} // namespace folionix::test
