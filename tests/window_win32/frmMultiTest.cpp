// The window on Windows, driven through its real controls under Wine: the controls at the table's
// rectangles, a failing check's message, builds that write folionix-cli.exe's bytes, and
// the list (popup by right press or keyboard, removal by button or Delete, drops, thousands of
// entries). Message boxes are recorded, the clock is fixed, and the popup answers as a test says.
#include "window_win32/frmMulti.h"
#include "conversion/modFolionix.h"
#include "support/ControlTable.h"
#include "support/ImageBytes.h"
#include "support/ListState.h"
#include "support/TestSupport.h"
#include "window_win32/Seams.h"
#include "window_win32/WideText.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <memory>

namespace folionix::test {
namespace {

class Win32WindowTest : public ::testing::Test {
protected:
    void SetUp() override { Open(); }
    void Open() {
        [[maybe_unused]] static const HRESULT ole = OleInitialize(nullptr); // drops, clipboard
        window.reset();
        messages.clear();
        Seams() = {};
        Seams().messageBox = [this](HWND, const std::string& text, int style,
                                    const std::string& title) {
            messages.push_back(std::to_string(style) + " " + title + ": " + text);
        };
        Seams().now = [] { return LocalTime{2026, 3, 4, 9, 15, 2}; };
        Popup(0);
        window = std::make_unique<frmMulti>();
        list = window->Control("List1");
        box = &window->ImageList();
    }
    // The popup answers chosen; how often and where it opened are kept.
    void Popup(int chosen) {
        Seams().trackPopupMenu = [this, chosen](HMENU, UINT flags, POINT at, HWND owner) {
            EXPECT_EQ(flags, 0x102u); // TPM_RETURNCMD | TPM_RIGHTBUTTON
            EXPECT_EQ(owner, window->Handle());
            menuAt = at, ++popups;
            return chosen;
        };
    }
    void SetText(const char* name, const std::string& utf8) {
        SetWindowTextW(window->Control(name), WideFromUtf8(utf8).c_str());
    }
    void Click(const char* name) { SendMessageW(window->Control(name), BM_CLICK, 0, 0); }
    void Send(UINT message, WPARAM wParam, LPARAM lParam) {
        SendMessageW(list, message, wParam, lParam);
    }
    // Drops files (CF_HDROP) on the list through its drop target, or one path as text. The
    // clipboard's data object stands in for a drag's: it offers the one format set here.
    void Drop(const std::vector<std::string>& paths, bool asText = false) {
        // A DROPFILES header (the names start at byte 20 and are wide), then the names.
        std::wstring text =
            asText ? WideFromUtf8(paths.front()) : std::wstring(L"\x14\0\0\0\0\0\0\0\x01\0", 10);
        for (const std::string& path : asText ? std::vector<std::string>() : paths) {
            text += WideFromUtf8(path) + L'\0';
        }
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
        std::memcpy(GlobalLock(memory), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
        GlobalUnlock(memory);
        ASSERT_TRUE(OpenClipboard(window->Handle()) && EmptyClipboard());
        SetClipboardData(asText ? CF_UNICODETEXT : CF_HDROP, memory);
        CloseClipboard();
        IDataObject* data = nullptr;
        ASSERT_EQ(OleGetClipboard(&data), S_OK);
        DWORD effect = DROPEFFECT_COPY;
        ASSERT_EQ(window->ListDropHandler()->DragEnter(data, MK_LBUTTON, {10, 10}, &effect), S_OK);
        ASSERT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
        EXPECT_EQ(window->ListDropHandler()->Drop(data, 0, {10, 10}, &effect), S_OK);
        data->Release();
    }

    std::unique_ptr<frmMulti> window;
    HWND list = nullptr;
    ListBox* box = nullptr;
    std::vector<std::string> messages;
    int popups = 0;
    POINT menuAt{};
};

TEST_F(Win32WindowTest, EveryControlSitsInItsContainerAtItsTableRectangleAt96Dpi) {
    for (const ControlPlace& row : kControlTable) {
        RECT r{};
        GetWindowRect(window->Control(row.name), &r);
        MapWindowPoints(nullptr, *row.in ? window->Control(row.in) : window->Handle(),
                        reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ((std::array<long, 4>{r.left * 15, r.top * 15, (r.right - r.left) * 15,
                                       (r.bottom - r.top) * 15}),
                  (std::array<long, 4>{row.left, row.top, row.width, row.height}))
            << row.name;
    }
}

// Save PDF without an output path shows the check's message. Files dropped or one path dropped as
// text, compared without regard to letter case, then built as one PDF and as one per image: the
// bytes folionix-cli.exe writes for the same list.
TEST_F(Win32WindowTest, DropsIgnoreLetterCaseAndBuildsWriteTheCommandLinesBytes) {
    SetText("Text1", "");
    Click("Command3");
    TempDir in;
    const std::string folder = Utf8FromWide(in.Path().wstring()) + "\\";
    const std::vector<std::string> names{"photo.jpg", "\xC3\xA9t\xC3\xA9.JPEG", "picture.jp2",
                                         "raw.J2K"};
    WriteBytes(folder + names[0], MakeJpeg(300, 200, 150));
    WriteBytes(folder + names[1], MakeJpeg(900, 1600, 0));
    WriteBytes(folder + names[2], MakeJp2(640, 480));
    WriteBytes(folder + names[3], MakeJ2k(2000, 100));
    WriteText(folder + "notes.txt", "text");
    Drop({folder + names[0], folder + "notes.txt", folder + names[1]});
    Drop({folder + "PHOTO.JPG", folder + names[2]});
    Drop({folder + "\xC3\xA9t\xC3\xA9.jpeg"}, true);
    Drop({folder + names[3]}, true);
    std::vector<std::wstring> quoted; // for folionix-cli.exe
    for (const std::string& name : names) {
        quoted.push_back(L"\"" + WideFromUtf8(folder + name) + L"\"");
    }
    EXPECT_EQ(State(*box), "photo.jpg|\xC3\xA9t\xC3\xA9.JPEG|picture.jp2|raw.J2K");
    EXPECT_EQ(messages, (std::vector<std::string>{
                            "16 Error: Please enter an Output Path",
                            "48 Image Error: Unable to load image file: " + folder + "notes.txt"}));
    Click("Option1");
    for (const bool multiple : {false, true}) {
        TempDir mine, cli;
        SetText("Text1", Utf8FromWide(mine.Path().wstring()));
        SetText("Text5", "0.5");
        Click(multiple ? "Option4" : "Option3");
        Click("Command3");
        // folionix-cli.exe, built beside this program, with the same list and options.
        const std::wstring program = L"Z:" + WideFromUtf8(FOLIONIX_CLI_EXE);
        const std::wstring out = L"\"" + cli.Path().wstring() + L"\"";
        ASSERT_EQ(_wspawnl(_P_WAIT, program.c_str(), L"cli", L"--as-window",
                           multiple ? L"--multiple" : L"--as-window", L"-o", out.c_str(), L"--top",
                           L"0.5", L"--match-image-size", L"--", quoted[0].c_str(),
                           quoted[1].c_str(), quoted[2].c_str(), quoted[3].c_str(), nullptr),
                  0);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(cli.Path()), {}),
                  multiple ? 4 : 1);
        for (const auto& entry : std::filesystem::directory_iterator(cli.Path())) {
            const std::string name = Utf8FromWide(entry.path().filename().wstring());
            const std::string a = ReadText(mine.File(name)), b = ReadText(cli.File(name));
            // Equal but for the date line.
            EXPECT_TRUE(a.substr(0, 17) + a.substr(42) == b.substr(0, 17) + b.substr(42)) << name;
        }
    }
}

TEST_F(Win32WindowTest, TheMovesAreOfferedWithASelectionAndByKeyboardAtTheFirstSelectedRow) {
    Fill(*box, "A|B|C");
    Popup(2);
    Send(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(popups, 0);
    box->SetSelected(1, true);
    SendMessageW(window->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), -1);
    RECT row{};
    Send(LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&row));
    ScreenToClient(list, &menuAt);
    EXPECT_EQ((std::array{menuAt.x, menuAt.y}), (std::array{row.left, row.bottom}));
    EXPECT_EQ(popups, 1);
    EXPECT_EQ(State(*box), "A|C|B*");
}

// Moves by the popup and removal by Delete or "Remove Selected" leave the box as the core leaves
// its own list, whether few rows changed or most; a caret on a moved entry follows it.
TEST_F(Win32WindowTest, AListOfThousandsEndsAsTheCoresListAfterMovesAndRemoval) {
    ImageListModel model;
    for (int i = 0; i < 3000; ++i) {
        model.AddItem(ImageListEntry(std::to_string(i) + ".jpg", "/x/"));
    }
    Fill(*box, State(model));
    // Popup item 1 moves up, 2 down; 0 stands for the Delete key, 3 for the button.
    const std::pair<int, bool (*)(int)> steps[] = {
        {1, [](int row) { return row == 1500; }},  {2, [](int row) { return row % 10 == 5; }},
        {1, [](int row) { return row != 0; }},     {0, [](int row) { return row % 500 == 7; }},
        {3, [](int row) { return row % 3 != 0; }}, {0, [](int row) { return row < 3; }}};
    for (const auto& [action, chosen] : steps) {
        for (int row = 0; row < model.ListCount(); ++row) {
            model.SetSelected(row, chosen(row));
            Send(LB_SETSEL, chosen(row), row);
        }
        Send(LB_SETCARETINDEX, 1500, FALSE);
        const std::string caretEntry = model.ItemText(1500);
        Popup(action);
        const bool move = action == 1 || action == 2;
        move ? Send(WM_RBUTTONDOWN, MK_RBUTTON, 0)
             : (action == 0 ? Send(WM_KEYDOWN, VK_DELETE, 0) : Click("Command4"));
        (action == 1 ? MoveSelectionUp : action == 2 ? MoveSelectionDown : RemoveSelected)(model);
        const auto caret = static_cast<std::int32_t>(SendMessageW(list, LB_GETCARETINDEX, 0, 0));
        EXPECT_TRUE(!move || box->ItemText(caret) == caretEntry);
        ASSERT_EQ(State(*box), State(model));
    }
}

} // namespace
} // namespace folionix::test
