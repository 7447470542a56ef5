#pragma once

#include "common/Clock.h"

#include <windows.h>

#include <commdlg.h>
#include <shlobj.h>

#include <functional>
#include <string>

namespace folionix {

// Where the window would block on the user, a test can answer instead. Each seam, when set,
// stands in for exactly one platform call and gets what that call would get, so the records,
// texts and flags the window builds are still checked; an empty seam means the real call.
struct Win32Seams {
    // MessageBoxW (owner, text, title, style); the result is ignored.
    std::function<void(HWND owner, const std::string& text, int style, const std::string& title)>
        messageBox;
    // GetOpenFileNameW: fill record.lpstrFile with an answer and return TRUE, or return FALSE.
    std::function<BOOL(OPENFILENAMEW& record)> getOpenFileName;
    // SHBrowseForFolderW: an identifier list the caller frees with CoTaskMemFree, or nullptr.
    std::function<PIDLIST_ABSOLUTE(BROWSEINFOW& record)> browseForFolder;
    // TrackPopupMenu with TPM_RETURNCMD: the chosen id, or 0 for a dismissed menu.
    std::function<int(HMENU menu, UINT flags, POINT at, HWND owner)> trackPopupMenu;
    // The local clock (GetLocalTime).
    std::function<LocalTime()> now;
};

// The one set of seams of the process; tests set and clear it.
Win32Seams& Seams();

} // namespace folionix
