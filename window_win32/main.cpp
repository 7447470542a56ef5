// The folionix program on Windows: the main window, until it is closed.
#include "window_win32/frmMulti.h"

#include <commctrl.h>
#include <ole2.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    static_cast<void>(instance);
    static_cast<void>(previous);
    static_cast<void>(commandLine);
    // OLE for the list's drop target and the folder browser.
    const HRESULT ole = OleInitialize(nullptr);
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    int exitCode = 0;
    {
        folionix::frmMulti window(/*quitOnDestroy*/ true);
        ShowWindow(window.Handle(), show);
        UpdateWindow(window.Handle());
        MSG message{};
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            if (!IsDialogMessageW(window.Handle(), &message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
        exitCode = static_cast<int>(message.wParam);
    }
    if (SUCCEEDED(ole)) {
        OleUninitialize();
    }
    return exitCode;
}
