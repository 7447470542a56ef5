#pragma once

#include "conversion/modFolionix.h"

#include <QPoint>

#include <cstdint>
#include <functional>
#include <string>

class QWidget;

namespace folionix {

// The popup menu service. A menu is an integer handle (0 means none) into a registry of menus
// that lives for the process; every operation on an unknown handle fails like the platform call
// it stands for. Command ids are computed by the service: items before the append + 1 + idBase.

// A new, empty menu. Popup and menu-bar menus are both QMenus here; the flag is kept so callers
// read as they do elsewhere.
std::intptr_t NewMenu(bool popup);

// Appends a text item, or a separator when caption is "-" (it still counts for the next id).
// id receives the new item's id; on failure id is -1 and the result false.
bool AddMenuItem(std::intptr_t menu, const std::string& caption, std::int32_t& id,
                 std::int32_t idBase);

// Shows the menu at the screen point (x, y), or at the mouse pointer for (-1, -1), and waits
// until it closes. A choice gives its id and text and true; a dismissed menu gives -1, "" and
// false.
bool ShowPopupMenu(QWidget* owner, std::intptr_t menu, std::int32_t& id, std::string& text,
                   std::int32_t x, std::int32_t y);

// The text of the item with that id, cut to 249 characters (what a 250-character buffer with its
// terminator holds); "" when there is no such item.
std::string GetMenuItemText(std::intptr_t menu, std::int32_t id);

// Removes every item and destroys the menu. Handle 0 is a no-op that reports success; an
// unknown handle reports failure.
bool DestroyMenuAll(std::intptr_t menu);

// Test seam: when set, ShowPopupMenu asks the hook instead of opening the menu. The hook gets the
// menu and the screen point the menu would open at, and returns the chosen id (0 or less for a
// dismissed menu).
using PopupMenuHook = std::function<std::int32_t(std::intptr_t menu, QPoint at)>;
void SetPopupMenuHook(PopupMenuHook hook);

// The list's popup as the conversion code uses it, over the functions above, owned by a window.
class QtMenuService final : public MenuService {
public:
    explicit QtMenuService(QWidget* owner) : owner_(owner) {}
    std::intptr_t NewMenu(bool popup) override;
    bool AddMenuItem(std::intptr_t menu, const std::string& caption, std::int32_t& id,
                     std::int32_t idBase) override;
    bool ShowPopupMenu(std::intptr_t menu, std::int32_t& id, std::string& text, std::int32_t x,
                       std::int32_t y) override;
    bool DestroyMenuAll(std::intptr_t menu) override;

private:
    QWidget* owner_;
};

} // namespace folionix
