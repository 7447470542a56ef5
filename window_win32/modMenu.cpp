#include "window_win32/modMenu.h"

#include "window_win32/Seams.h"
#include "window_win32/WideText.h"

#include <array>

namespace folionix {
namespace {

HMENU MenuOf(std::intptr_t menu) {
    return reinterpret_cast<HMENU>(menu);
}

constexpr UINT kTrackFlags = TPM_RETURNCMD | TPM_RIGHTBUTTON; // 0x102
constexpr int kItemTextBuffer = 250;

} // namespace

std::intptr_t NewMenu(bool popup) {
    return reinterpret_cast<std::intptr_t>(popup ? CreatePopupMenu() : CreateMenu());
}

bool AddMenuItem(std::intptr_t menu, const std::string& caption, std::int32_t& id,
                 std::int32_t idBase) {
    const int count = GetMenuItemCount(MenuOf(menu));
    const UINT flags = caption == "-" ? (MF_BYPOSITION | MF_SEPARATOR) : MF_BYPOSITION;
    const std::wstring text = WideFromUtf8(caption);
    const auto newId = static_cast<UINT_PTR>(count + 1 + idBase);
    if (count < 0 || !AppendMenuW(MenuOf(menu), flags, newId, text.c_str())) {
        id = -1;
        return false;
    }
    id = static_cast<std::int32_t>(GetMenuItemID(MenuOf(menu), count));
    return true;
}

bool ShowPopupMenu(HWND owner, std::intptr_t menu, std::int32_t& id, std::string& text,
                   std::int32_t x, std::int32_t y) {
    SetForegroundWindow(owner);
    POINT at{x, y};
    if (x == -1 && y == -1) {
        GetCursorPos(&at);
    }
    int chosen = 0;
    if (Seams().trackPopupMenu) {
        chosen = Seams().trackPopupMenu(MenuOf(menu), kTrackFlags, at, owner);
    } else {
        const RECT none{};
        chosen = static_cast<int>(
            TrackPopupMenu(MenuOf(menu), kTrackFlags, at.x, at.y, 0, owner, &none));
    }
    bool result = false;
    if (chosen >= 1) {
        id = chosen;
        text = GetMenuItemText(menu, chosen);
        result = true;
    } else {
        id = -1;
        text.clear();
    }
    PostMessageW(owner, WM_NULL, 0, 0);
    return result;
}

std::string GetMenuItemText(std::intptr_t menu, std::int32_t id) {
    std::array<wchar_t, kItemTextBuffer> buffer{};
    const int length = GetMenuStringW(MenuOf(menu), static_cast<UINT>(id), buffer.data(),
                                      kItemTextBuffer, MF_BYCOMMAND);
    if (length < 1) {
        return {};
    }
    return Utf8FromWide(std::wstring_view(buffer.data(), static_cast<std::size_t>(length)));
}

bool DestroyMenuAll(std::intptr_t menu) {
    if (menu == 0) {
        return true;
    }
    while (DeleteMenu(MenuOf(menu), 0, MF_BYPOSITION)) {
    }
    return DestroyMenu(MenuOf(menu)) != FALSE;
}

std::intptr_t Win32MenuService::NewMenu(bool popup) {
    return folionix::NewMenu(popup);
}

bool Win32MenuService::AddMenuItem(std::intptr_t menu, const std::string& caption, std::int32_t& id,
                                   std::int32_t idBase) {
    return folionix::AddMenuItem(menu, caption, id, idBase);
}

bool Win32MenuService::ShowPopupMenu(std::intptr_t menu, std::int32_t& id, std::string& text,
                                     std::int32_t x, std::int32_t y) {
    if (x == -1 && y == -1 && nextAt_) {
        const POINT at = *nextAt_;
        nextAt_.reset();
        return folionix::ShowPopupMenu(owner_, menu, id, text, at.x, at.y);
    }
    return folionix::ShowPopupMenu(owner_, menu, id, text, x, y);
}

bool Win32MenuService::DestroyMenuAll(std::intptr_t menu) {
    return folionix::DestroyMenuAll(menu);
}

} // namespace folionix
