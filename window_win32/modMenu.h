#pragma once

#include "conversion/modFolionix.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace folionix {

// The popup menu service over user32 menus. A menu is its HMENU as an integer (0: none); command
// ids are the number of items before the append + 1 + idBase.

// CreatePopupMenu when popup is true, CreateMenu otherwise; 0 on failure.
std::intptr_t NewMenu(bool popup);

// AppendMenuW by position: a separator for the caption "-", a text item otherwise. id gets the
// new item's id (GetMenuItemID), or -1 with false when the append fails.
bool AddMenuItem(std::intptr_t menu, const std::string& caption, std::int32_t& id,
                 std::int32_t idBase);

// Brings owner to the foreground and tracks the menu at (x, y), or at the mouse pointer for
// (-1, -1), with TPM_RETURNCMD | TPM_RIGHTBUTTON. A choice gives its id, its text and true; a
// dismissed menu -1, "" and false. Posts WM_NULL to owner once the menu has closed.
bool ShowPopupMenu(HWND owner, std::intptr_t menu, std::int32_t& id, std::string& text,
                   std::int32_t x, std::int32_t y);

// GetMenuStringW by command into 250 characters: what fits with its terminator; "" for none.
std::string GetMenuItemText(std::intptr_t menu, std::int32_t id);

// Deletes the items from position 0 until none is left, then DestroyMenu. Handle 0: true.
bool DestroyMenuAll(std::intptr_t menu);

// The service as the list's popup uses it, owned by a window. A keyboard request (the Menu key,
// Shift+F10) names the point where the popup opens instead of the mouse pointer.
class Win32MenuService final : public MenuService {
public:
    explicit Win32MenuService(HWND owner) : owner_(owner) {}

    std::intptr_t NewMenu(bool popup) override;
    bool AddMenuItem(std::intptr_t menu, const std::string& caption, std::int32_t& id,
                     std::int32_t idBase) override;
    bool ShowPopupMenu(std::intptr_t menu, std::int32_t& id, std::string& text, std::int32_t x,
                       std::int32_t y) override;
    bool DestroyMenuAll(std::intptr_t menu) override;

    // The point (screen coordinates) that the next popup at the pointer opens at instead.
    void OpenNextAt(POINT at) { nextAt_ = at; }

private:
    HWND owner_;
    std::optional<POINT> nextAt_;
};

} // namespace folionix
