#include "window/modMenu.h"

#include <QAction>
#include <QCoreApplication>
#include <QCursor>
#include <QMenu>
#include <QWidget>

#include <map>
#include <memory>
#include <utility>

namespace folionix {

namespace {

// Menus by handle. They have no Qt parent, so the registry alone owns them; a menu left behind
// at exit is released rather than deleted when the application object is already gone.
class MenuRegistry {
public:
    ~MenuRegistry() {
        if (QCoreApplication::instance() == nullptr) {
            for (auto& entry : menus_) {
                static_cast<void>(entry.second.release());
            }
        }
    }

    std::intptr_t Add(std::unique_ptr<QMenu> menu) {
        const std::intptr_t handle = nextHandle_++;
        menus_.emplace(handle, std::move(menu));
        return handle;
    }
    QMenu* Find(std::intptr_t handle) const {
        const auto found = menus_.find(handle);
        return found == menus_.end() ? nullptr : found->second.get();
    }
    bool Remove(std::intptr_t handle) { return menus_.erase(handle) == 1; }

private:
    std::map<std::intptr_t, std::unique_ptr<QMenu>> menus_;
    std::intptr_t nextHandle_ = 1;
};

MenuRegistry& Menus() {
    static MenuRegistry registry;
    return registry;
}

PopupMenuHook& PopupHook() {
    static PopupMenuHook hook;
    return hook;
}

// Where the id of an item is kept.
std::int32_t ItemId(const QAction* action) {
    return action->data().toInt();
}

QAction* FindItem(const QMenu* menu, std::int32_t id) {
    for (QAction* action : menu->actions()) {
        if (ItemId(action) == id) {
            return action;
        }
    }
    return nullptr;
}

constexpr qsizetype kItemTextLimit = 249;

} // namespace

std::intptr_t NewMenu(bool popup) {
    static_cast<void>(popup);
    return Menus().Add(std::make_unique<QMenu>());
}

bool AddMenuItem(std::intptr_t menu, const std::string& caption, std::int32_t& id,
                 std::int32_t idBase) {
    QMenu* target = Menus().Find(menu);
    if (target == nullptr) {
        id = -1;
        return false;
    }
    const auto count = static_cast<std::int32_t>(target->actions().size());
    QAction* item = caption == "-" ? target->addSeparator()
                                   : target->addAction(QString::fromStdString(caption));
    item->setData(count + 1 + idBase);
    id = ItemId(target->actions().at(count));
    return true;
}

bool ShowPopupMenu(QWidget* owner, std::intptr_t menu, std::int32_t& id, std::string& text,
                   std::int32_t x, std::int32_t y) {
    QMenu* target = Menus().Find(menu);
    if (owner != nullptr) {
        owner->activateWindow();
    }
    const QPoint at = (x == -1 && y == -1) ? QCursor::pos() : QPoint(x, y);
    std::int32_t chosen = 0;
    if (target != nullptr) {
        if (PopupHook()) {
            chosen = PopupHook()(menu, at);
        } else if (const QAction* action = target->exec(at); action != nullptr) {
            chosen = ItemId(action);
        }
    }
    if (chosen >= 1) {
        id = chosen;
        text = GetMenuItemText(menu, chosen);
        return true;
    }
    id = -1;
    text.clear();
    return false;
}

std::string GetMenuItemText(std::intptr_t menu, std::int32_t id) {
    const QMenu* target = Menus().Find(menu);
    const QAction* item = target == nullptr ? nullptr : FindItem(target, id);
    if (item == nullptr || item->isSeparator()) {
        return {};
    }
    return item->text().left(kItemTextLimit).toStdString();
}

bool DestroyMenuAll(std::intptr_t menu) {
    if (menu == 0) {
        return true;
    }
    QMenu* target = Menus().Find(menu);
    if (target == nullptr) {
        return false;
    }
    target->clear();
    return Menus().Remove(menu);
}

void SetPopupMenuHook(PopupMenuHook hook) {
    PopupHook() = std::move(hook);
}

std::intptr_t QtMenuService::NewMenu(bool popup) {
    return folionix::NewMenu(popup);
}

bool QtMenuService::AddMenuItem(std::intptr_t menu, const std::string& caption, std::int32_t& id,
                                std::int32_t idBase) {
    return folionix::AddMenuItem(menu, caption, id, idBase);
}

bool QtMenuService::ShowPopupMenu(std::intptr_t menu, std::int32_t& id, std::string& text,
                                  std::int32_t x, std::int32_t y) {
    return folionix::ShowPopupMenu(owner_, menu, id, text, x, y);
}

bool QtMenuService::DestroyMenuAll(std::intptr_t menu) {
    return folionix::DestroyMenuAll(menu);
}

} // namespace folionix
