#pragma once

#include "conversion/ListBox.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace folionix {

// The image list as the conversion code sees it, over a list box with extended selection; item
// texts are UTF-8 here and UTF-16 in the box.
//
// Between BeginChanges and EndChanges the conversion code works on a copy of the list held in
// memory, and the box is brought to the copy once at the end: with its repainting paused, the
// added rows appended, the rows that changed replaced one by one when they are few, or the box
// filled anew when that is cheaper, and the selection set by runs. Adding, moving or removing
// thousands of entries then costs a message or two per row, not several per core call. Outside
// such a span every change is one such step of its own.
//
// The prefix search is LB_FINDSTRING and the length LB_GETTEXTLEN on the box, so a duplicate is
// found the way the platform compares texts: without regard to letter case. An index of the
// copy's texts answers "no such item" for an ASCII prefix without a linear LB_FINDSTRING, so
// adding thousands of new files does not search the box once per file; whenever an item may
// match, the box is brought to the copy and asked itself.
//
// The box's texts change only through this class; a box whose count differs from the texts kept
// for it is read anew.
class ListBoxWindow final : public DraftListBox {
public:
    explicit ListBoxWindow(HWND list) : list_(list) {}

    std::int32_t FindString(std::int32_t startAfter, std::string_view prefix) const override;
    // LB_GETTEXTLEN counts UTF-16 units; the caller compares with a UTF-8 length, so the item is
    // read and its UTF-8 length given (for ASCII names the two are the same number).
    std::int32_t TextLength(std::int32_t index) const override;

    void BeginChanges() override;
    void EndChanges() override;
    // Shows the changes so far (before a message box, say); the span goes on.
    void ShowChanges() const;

    HWND Handle() const { return list_; }

private:
    struct Working : ListDraft {
        std::vector<char> shownSelected; // the box's selection, by the box's rows
    };

    ListDraft* Draft() const override { return Work(); }
    std::int32_t WidgetCount() const override;
    std::string WidgetText(std::int32_t index) const override;
    bool WidgetSelected(std::int32_t index) const override;
    // Outside a span the box is told at once: one message, no copy of the list.
    void SetWidgetSelected(std::int32_t index, bool selected) override;
    std::int32_t WidgetSelectedCount() const override;

    Working* Work() const;
    void Commit(Working& work) const;
    // Fills the box anew with the copy's texts.
    void Refill(const Working& work) const;
    void ShowSelection(const std::vector<char>& selected, std::vector<char> shown) const;
    std::vector<char> BoxSelection(std::size_t count) const;
    void WidenFor(const std::vector<std::string>& texts, std::size_t first) const;

    HWND list_;
    int depth_ = 0;
    mutable int widestText_ = 0;
    mutable std::vector<std::string> shown_; // the box's texts, in its order
    mutable std::optional<Working> working_;
};

} // namespace folionix
