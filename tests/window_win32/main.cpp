// The window's tests on Windows (under Wine in the cross build). With --wait-window TITLE the
// program instead waits until a top-level window of that title is there; with --close-window
// TITLE it also sends it WM_CLOSE and waits until it has gone. The end-to-end run uses both.
#include <windows.h>

#include <commctrl.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

HWND WaitForWindow(const wchar_t* title) {
    HWND window = nullptr;
    for (int tries = 0; tries < 300 && window == nullptr; ++tries) {
        window = FindWindowW(nullptr, title);
        if (window == nullptr) {
            Sleep(100);
        }
    }
    if (window == nullptr) {
        std::fputs("no window with that title\n", stderr);
    }
    return window;
}

int CloseWindowByTitle(const wchar_t* title) {
    HWND window = WaitForWindow(title);
    if (window == nullptr) {
        return 1;
    }
    PostMessageW(window, WM_CLOSE, 0, 0);
    for (int tries = 0; tries < 100; ++tries) {
        if (!IsWindow(window)) {
            return 0;
        }
        Sleep(100);
    }
    std::fputs("close-window: the window is still there\n", stderr);
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--close-window") {
        const std::string title = argv[2];
        return CloseWindowByTitle(std::wstring(title.begin(), title.end()).c_str());
    }
    if (argc == 3 && std::string(argv[1]) == "--wait-window") {
        const std::string title = argv[2];
        return WaitForWindow(std::wstring(title.begin(), title.end()).c_str()) != nullptr ? 0 : 1;
    }
    OleInitialize(nullptr);
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    OleUninitialize();
    return result;
}
