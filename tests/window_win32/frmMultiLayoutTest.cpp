// The window against its layout: every control's rectangle inside its container, the window's
// size, caption, fonts and defaults, and the order in which Tab visits the controls.
#include "WindowTestSupport.h"

#include "window_win32/WideText.h"

#include <array>
#include <string>
#include <vector>

namespace folionix::test {
namespace {

struct Placement {
    const char* name;
    const char* container;        // nullptr: the window's client area
    int left, top, width, height; // twips
};

constexpr std::array<Placement, 39> kLayout{{
    {"Frame1", nullptr, 90, 135, 3435, 5145},     {"List1", "Frame1", 135, 270, 3165, 4245},
    {"Command4", "Frame1", 135, 4680, 1590, 330}, {"Command2", "Frame1", 2115, 4680, 1185, 330},
    {"Frame2", nullptr, 3600, 135, 5235, 5145},   {"Label1", "Frame2", 135, 360, 1410, 240},
    {"Text1", "Frame2", 1350, 315, 3300, 285},    {"Command1", "Frame2", 4725, 315, 420, 285},
    {"Frame3", "Frame2", 135, 765, 4830, 2355},   {"Label5", "Frame3", 0, 0, 2715, 195},
    {"Option1", "Frame3", 45, 225, 3345, 285},    {"Option2", "Frame3", 45, 495, 1770, 285},
    {"Label2", "Frame3", 585, 765, 1275, 195},    {"Text2", "Frame3", 1755, 720, 735, 285},
    {"Label4", "Frame3", 2790, 765, 1275, 195},   {"Text4", "Frame3", 4005, 720, 735, 285},
    {"Check1", "Frame3", 585, 1080, 2490, 195},   {"Label6", "Frame3", 0, 1485, 1095, 195},
    {"Label7", "Frame3", 585, 1710, 1050, 195},   {"Text5", "Frame3", 1755, 1665, 735, 285},
    {"Label8", "Frame3", 2700, 1710, 1275, 195},  {"Text6", "Frame3", 4005, 1665, 735, 285},
    {"Label9", "Frame3", 585, 1980, 1050, 195},   {"Text7", "Frame3", 1755, 1980, 735, 285},
    {"Label10", "Frame3", 2790, 2025, 1185, 195}, {"Text8", "Frame3", 4005, 1980, 735, 285},
    {"Frame5", "Frame2", 135, 3150, 5010, 825},   {"Label12", "Frame5", 0, 0, 1905, 195},
    {"Option5", "Frame5", 45, 225, 1770, 285},    {"Option6", "Frame5", 45, 495, 2355, 285},
    {"Frame4", "Frame2", 135, 4050, 4515, 1050},  {"Label11", "Frame4", 0, 0, 1095, 195},
    {"Option4", "Frame4", 45, 225, 1770, 285},    {"Option3", "Frame4", 45, 495, 1500, 285},
    {"Label3", "Frame4", 585, 765, 915, 195},     {"Text3", "Frame4", 1530, 720, 2715, 285},
    {"Command3", nullptr, 7830, 5400, 1005, 330}, {"Label15", nullptr, 90, 5445, 2085, 240},
    {"Label13", nullptr, 2520, 5445, 2355, 240},
}};

class LayoutTest : public Win32WindowTest {
protected:
    // The control's rectangle in its container's client coordinates, in pixels.
    RECT PlaceOf(const Placement& row) {
        RECT rect{};
        GetWindowRect(Control(row.name), &rect);
        HWND container = row.container == nullptr ? window->Handle() : Control(row.container);
        MapWindowPoints(nullptr, container, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }

    void ExpectLayoutAt(int dpi) {
        const auto px = [dpi](int twips) { return twips * dpi / 1440; };
        for (const Placement& row : kLayout) {
            const RECT rect = PlaceOf(row);
            EXPECT_EQ(rect.left, px(row.left)) << row.name;
            EXPECT_EQ(rect.top, px(row.top)) << row.name;
            EXPECT_EQ(rect.right - rect.left, px(row.width)) << row.name;
            EXPECT_EQ(rect.bottom - rect.top, px(row.height)) << row.name;
        }
    }

    LOGFONTW FontOf(const char* name) {
        LOGFONTW font{};
        const auto handle = reinterpret_cast<HFONT>(SendMessageW(Control(name), WM_GETFONT, 0, 0));
        GetObjectW(handle, sizeof(font), &font);
        return font;
    }
};

TEST_F(LayoutTest, EveryControlSitsWhereTheLayoutPutsItAt96Dpi) {
    ASSERT_EQ(window->Dpi(), 96u);
    ExpectLayoutAt(96);
    RECT client{};
    GetClientRect(window->Handle(), &client);
    EXPECT_EQ(client.right, 595);
    EXPECT_EQ(client.bottom, 388);
}

TEST_F(LayoutTest, AnotherMonitorsDpiScalesEveryControlAndTheFont) {
    RECT suggested{0, 0, 1300, 900};
    SendMessageW(window->Handle(), WM_DPICHANGED, MAKEWPARAM(192, 192),
                 reinterpret_cast<LPARAM>(&suggested));
    ExpectLayoutAt(192);
    EXPECT_EQ(FontOf("Text1").lfHeight, -22);
}

TEST_F(LayoutTest, CaptionFontsAndFixedSize) {
    wchar_t caption[64] = {};
    GetWindowTextW(window->Handle(), caption, 64);
    EXPECT_EQ(std::wstring(caption), L"Folionix  v2.0");
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(window->Handle(), GWL_STYLE));
    EXPECT_EQ(style & WS_THICKFRAME, 0u);
    EXPECT_EQ(style & WS_MAXIMIZEBOX, 0u);
    for (const Placement& row : kLayout) {
        const LOGFONTW font = FontOf(row.name);
        EXPECT_EQ(std::wstring(font.lfFaceName), L"Tahoma") << row.name;
        EXPECT_EQ(font.lfHeight, -11) << row.name; // 8.25 pt at 96 dpi
        const std::string name = row.name;
        const bool bold = name == "Frame1" || name == "Frame2" || name == "Command2" ||
                          name == "Command3" || name == "Label1" || name == "Label5" ||
                          name == "Label6" || name == "Label11" || name == "Label12";
        EXPECT_EQ(font.lfWeight, bold ? FW_BOLD : FW_NORMAL) << row.name;
    }
}

TEST_F(LayoutTest, StartsWithTheDefaults) {
    EXPECT_EQ(Text("Text1"), "C:\\");
    EXPECT_EQ(Text("Text2"), "8.5");
    EXPECT_EQ(Text("Text4"), "11");
    for (const char* margin : {"Text5", "Text6", "Text7", "Text8"}) {
        EXPECT_EQ(Text(margin), "0");
    }
    EXPECT_EQ(Text("Text3"), "JPEG_Output.PDF");
    EXPECT_EQ(Text("Frame1"), "JPEG Files");
    EXPECT_EQ(Text("Command3"), "Save PDF");
    EXPECT_TRUE(IsChecked("Option2") && IsChecked("Option3") && IsChecked("Option5"));
    EXPECT_FALSE(IsChecked("Option1") || IsChecked("Option4") || IsChecked("Option6"));
    EXPECT_TRUE(IsChecked("Check1"));
    for (const char* box :
         {"Text1", "Text2", "Text3", "Text4", "Text5", "Text6", "Text7", "Text8"}) {
        EXPECT_TRUE(IsWindowEnabled(Control(box))) << box;
    }
    EXPECT_EQ(window->ImageList().ListCount(), 0);
    const auto listStyle = static_cast<DWORD>(GetWindowLongPtrW(Control("List1"), GWL_STYLE));
    EXPECT_NE(listStyle & LBS_EXTENDEDSEL, 0u);
}

// The names of the controls that the Tab key visits from Text1 until it comes back.
std::vector<std::string> TabWalk(frmMulti& window) {
    ShowWindow(window.Handle(), SW_SHOW);
    SetForegroundWindow(window.Handle());
    SetFocus(window.Control("Text1"));
    std::vector<std::string> visited;
    for (int step = 0; step < 40; ++step) {
        HWND focus = GetFocus();
        std::string name = "?";
        for (const Placement& row : kLayout) {
            if (window.Control(row.name) == focus) {
                name = row.name;
            }
        }
        if (!visited.empty() && name == visited.front()) {
            break;
        }
        visited.push_back(name);
        MSG tab{focus, WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
        IsDialogMessageW(window.Handle(), &tab);
    }
    return visited;
}

TEST_F(LayoutTest, TabVisitsTheControlsInTabOrderAndEachOptionPairAtItsChosenButton) {
    const std::vector<std::string> expected{"Text1",    "Command1", "Option2", "Text2",    "List1",
                                            "Text3",    "Option3",  "Text4",   "Text5",    "Text6",
                                            "Text7",    "Text8",    "Option5", "Command3", "Check1",
                                            "Command2", "Command4"};
    EXPECT_EQ(TabWalk(*window), expected);

    Click("Option1");
    Click("Option4");
    Click("Option6");
    // The boxes those options switch off are passed over as well.
    const std::vector<std::string> changed{"Text1",    "Command1", "Option1",  "List1",   "Option4",
                                           "Text5",    "Text6",    "Text7",    "Text8",   "Option6",
                                           "Command3", "Check1",   "Command2", "Command4"};
    EXPECT_EQ(TabWalk(*window), changed);
}

} // namespace
} // namespace folionix::test
