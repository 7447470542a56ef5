// The window's tests on Windows. With --wait-window the program instead waits until the window of
// folionix.exe is shown; with --close-window it also sends it WM_CLOSE and waits until it has
// gone. The end-to-end run uses both.
#include "window_win32/frmMulti.h"

#include <commctrl.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <string>

namespace {

// Polls every 100 ms, up to tries times, until done() holds.
template <typename Done> bool WaitFor(int tries, Done done) {
    for (; tries > 0 && !done(); --tries) {
        Sleep(100);
    }
    return tries > 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc == 2 ? argv[1] : "";
    if (mode == "--wait-window" || mode == "--close-window") {
        HWND window = nullptr;
        const bool shown = WaitFor(300, [&] {
            window = FindWindowW(folionix::kWindowClass, nullptr);
            return window != nullptr && IsWindowVisible(window);
        });
        if (!shown || mode == "--wait-window") {
            return shown ? 0 : 1;
        }
        PostMessageW(window, WM_CLOSE, 0, 0);
        return WaitFor(100, [&] { return !IsWindow(window); }) ? 0 : 1;
    }
    OleInitialize(nullptr);
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    OleUninitialize();
    return result;
}
