// The list on Windows: the popup by right press and by keyboard, removal by button and Delete,
// and drops of files or one path as text, with letter case ignored.
#include "Win32WindowTest.h"

#include "conversion/modFolionix.h"
#include "support/ImageBytes.h"
#include "support/TestSupport.h"

namespace folionix::test {
namespace {

TEST_F(Win32WindowTest, RightPressOffersTheTwoMovesOnlyWithASelection) {
    HWND list = window->Control("List1");
    FillList({"A", "B", "C", "D", "E"}, {});
    std::vector<std::wstring> items;
    Seams().trackPopupMenu = [&](HMENU menu, UINT flags, POINT, HWND owner) {
        EXPECT_EQ(flags, 0x102u); // TPM_RETURNCMD | TPM_RIGHTBUTTON
        EXPECT_EQ(owner, window->Handle());
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            wchar_t text[64] = {};
            GetMenuStringW(menu, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
            items.emplace_back(text);
        }
        return 2;
    };
    SendMessageW(list, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
    EXPECT_TRUE(items.empty());
    FillList({"A", "B", "C", "D", "E"}, {0, 1, 4});
    SendMessageW(list, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 60));
    EXPECT_EQ(items, (std::vector<std::wstring>{L"Move Selection Up", L"Move Selection Down"}));
    EXPECT_EQ(Entries(), (std::vector<std::string>{"C", "A", "B", "D", "E"}));
    EXPECT_EQ(SelectedRows(), (std::vector<int>{1, 2, 4}));
}

TEST_F(Win32WindowTest, TheKeyboardOpensThePopupAtTheFirstSelectedRowAndTheCaretFollows) {
    HWND list = window->Control("List1");
    FillList({"A", "B", "C"}, {1});
    SendMessageW(list, LB_SETCARETINDEX, 1, FALSE);
    POINT where{};
    Seams().trackPopupMenu = [&](HMENU, UINT, POINT at, HWND) {
        where = at;
        return 2;
    };
    SendMessageW(window->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list),
                 MAKELPARAM(0xFFFF, 0xFFFF));
    RECT row{};
    SendMessageW(list, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&row));
    POINT expected{row.left, row.bottom};
    ClientToScreen(list, &expected);
    EXPECT_EQ(where.x, expected.x);
    EXPECT_EQ(where.y, expected.y);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"A", "C", "B"}));
    EXPECT_EQ(SendMessageW(list, LB_GETCARETINDEX, 0, 0), 2);
}

TEST_F(Win32WindowTest, RemoveSelectedAndDeleteTakeExactlyTheSelectedEntries) {
    for (const bool byKey : {false, true}) {
        FillList({"0", "1", "2", "3", "4"}, {0, 2, 4});
        byKey ? (void)SendMessageW(window->Control("List1"), WM_KEYDOWN, VK_DELETE, 0)
              : Click("Command4");
        EXPECT_EQ(Entries(), (std::vector<std::string>{"1", "3"}));
        EXPECT_TRUE(SelectedRows().empty());
    }
}

TEST_F(Win32WindowTest, DropsTakeFilesOrOnePathAsTextAndIgnoreLetterCase) {
    TempDir in;
    const std::string folder = Utf8FromWide(in.Path().wstring()) + "\\";
    WriteBytes(folder + "photo.jpg", MakeJpeg(10, 10, 72));
    WriteBytes(folder + "\xC3\xA9t\xC3\xA9.jp2", MakeJp2(10, 10));
    WriteText(folder + "notes.txt", "text");
    Drop({folder + "photo.jpg", folder + "notes.txt", folder + "\xC3\xA9t\xC3\xA9.JP2"});
    Drop({folder + "PHOTO.JPG"});
    Drop({folder + "\xC3\xA9t\xC3\xA9.jp2"}, true);
    EXPECT_EQ(Entries(),
              (std::vector<std::string>{ImageListEntry("photo.jpg", folder),
                                        ImageListEntry("\xC3\xA9t\xC3\xA9.JP2", folder)}));
    EXPECT_EQ(messages,
              (std::vector<ShownMessage>{
                  {"Unable to load image file: " + folder + "notes.txt", 48, "Image Error"}}));
}

} // namespace
} // namespace folionix::test
