// The window's tests on Windows (under Wine in the cross build). With --wait-window the program
// instead waits until the main window of folionix.exe is shown; with --close-window it also
// sends that window WM_CLOSE and waits until it has gone. The end-to-end run uses both.
#include "window_win32/frmMulti.h"

#include <windows.h>

#include <commctrl.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

HWND WaitForWindow() {
    HWND window = nullptr;
    for (int tries = 0; tries < 300 && window == nullptr; ++tries) {
        window = FindWindowW(folionix::kWindowClass, nullptr);
        if (window != nullptr && !IsWindowVisible(window)) {
            window = nullptr;
        }
        if (window == nullptr) {
            Sleep(100);
        }
    }
    if (window == nullptr) {
        std::fputs("no Folionix window is shown\n", stderr);
    }
    return window;
}

int CloseWindow() {
    HWND window = WaitForWindow();
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
    if (argc == 2 && std::string(argv[1]) == "--close-window") {
        return CloseWindow();
    }
    if (argc == 2 && std::string(argv[1]) == "--wait-window") {
        return WaitForWindow() != nullptr ? 0 : 1;
    }
    OleInitialize(nullptr);
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    OleUninitialize();
    return result;
}
