#pragma once

#include "conversion/ListBox.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace folionix {

// The image list as the conversion code sees it, over a list box with extended selection. Every
// operation is one or two list box messages; item texts are UTF-8 here and UTF-16 in the box.
// The prefix search is LB_FINDSTRING and the length LB_GETTEXTLEN, so a duplicate is found the
// way the platform compares texts: without regard to letter case. An index of the texts kept
// beside the box answers "no such item" for an ASCII prefix without a linear LB_FINDSTRING, so
// adding thousands of new files does not search the box once per file; whenever an item may
// match, the box itself is asked.
class ListBoxWindow final : public ListBox {
public:
    explicit ListBoxWindow(HWND list) : list_(list) {}

    std::int32_t ListCount() const override;
    std::string ItemText(std::int32_t index) const override;
    // Replaces the text in place: the item keeps its selected state, and the list its scroll
    // position.
    void SetItemText(std::int32_t index, const std::string& text) override;
    bool IsSelected(std::int32_t index) const override;
    void SetSelected(std::int32_t index, bool selected) override;
    std::int32_t SelectedCount() const override;
    void AddItem(const std::string& text) override;
    void RemoveItem(std::int32_t index) override;

    std::int32_t FindString(std::int32_t startAfter, std::string_view prefix) const override;
    // LB_GETTEXTLEN counts UTF-16 units; the caller compares with a UTF-8 length, so the item is
    // read and its UTF-8 length given (for ASCII names the two are the same number).
    std::int32_t TextLength(std::int32_t index) const override;

    HWND Handle() const { return list_; }

private:
    void WidenForText(const std::wstring& text);
    // True when the index has seen every change to the box (only appends through AddItem since
    // it was built), judged by the count it expects.
    bool IndexCurrent() const;

    HWND list_;
    int widestText_ = 0;
    mutable ListTextIndex index_;
    mutable std::int32_t indexedCount_ = -1;
};

// Stops a list box from repainting for the life of a scope, then repaints it once: adding,
// moving or removing thousands of entries costs the changes alone, not a paint per entry.
class ListRedrawPause {
public:
    explicit ListRedrawPause(HWND list);
    ~ListRedrawPause();
    ListRedrawPause(const ListRedrawPause&) = delete;
    ListRedrawPause& operator=(const ListRedrawPause&) = delete;

private:
    HWND list_;
};

} // namespace folionix
