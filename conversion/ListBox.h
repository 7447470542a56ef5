#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace folionix {

// The image list as the core sees it: items with a text and a selected flag, addressed by
// index from 0. The window implements it over its list widget; ImageListModel is the plain
// in-memory one that the command line and the tests use.
class ListBox {
public:
    virtual ~ListBox() = default;

    virtual std::int32_t ListCount() const = 0;
    virtual std::string ItemText(std::int32_t index) const = 0;
    virtual void SetItemText(std::int32_t index, const std::string& text) = 0;
    virtual bool IsSelected(std::int32_t index) const = 0;
    virtual void SetSelected(std::int32_t index, bool selected) = 0;
    virtual std::int32_t SelectedCount() const = 0;
    // Appends at the end; the selection of other items is not changed.
    virtual void AddItem(const std::string& text) = 0;
    virtual void RemoveItem(std::int32_t index) = 0;

    // The list's prefix search: the first item after startAfter whose text begins with prefix,
    // ignoring ASCII letter case; the search wraps round to the first item. -1 when none.
    virtual std::int32_t FindString(std::int32_t startAfter, std::string_view prefix) const;
    // Length of an item's text in bytes.
    virtual std::int32_t TextLength(std::int32_t index) const;
};

// A window's list entries held apart from its widget while one user operation changes them, so
// that the widget is brought to them once at the end. Each row remembers the widget row it came
// from, so that the widget can tell moved rows from new ones. Indices are checked by the caller.
struct ListDraft {
    std::vector<std::string> texts;
    std::vector<char> selected;
    std::vector<std::int32_t> origin; // the widget's row at the start, -1 for an added entry
    std::int32_t selectedCount = 0;
    bool textsChanged = false;
    bool selectionChanged = false;
    bool removed = false;

    void SetText(std::int32_t index, const std::string& text) {
        texts[static_cast<std::size_t>(index)] = text;
        textsChanged = true;
    }
    void SetSelected(std::int32_t index, bool select) {
        char& flag = selected[static_cast<std::size_t>(index)];
        if ((flag != 0) != select) {
            flag = select ? 1 : 0;
            selectedCount += select ? 1 : -1;
            selectionChanged = true;
        }
    }
    void Append(const std::string& text) {
        texts.push_back(text);
        selected.push_back(0);
        origin.push_back(-1);
    }
    void Remove(std::int32_t index) {
        const auto at = static_cast<std::ptrdiff_t>(index);
        if (selected[static_cast<std::size_t>(index)] != 0) {
            --selectedCount;
        }
        texts.erase(texts.begin() + at);
        selected.erase(selected.begin() + at);
        origin.erase(origin.begin() + at);
        removed = true;
    }
};

// The list box's prefix search answered from an index of the lower-cased item texts, so that
// adding thousands of files (each checked against the list twice) stays linear in practice.
// A list keeps it in step by reporting appended items; any other change makes it stale, and
// the next search rebuilds it from the list.
class ListTextIndex {
public:
    // An item appended at index with that text.
    void Appended(std::int32_t index, std::string_view text);
    void MarkStale() { stale_ = true; }
    // Same answer as ListBox::FindString on the list.
    std::int32_t FindString(const ListBox& list, std::int32_t startAfter,
                            std::string_view prefix) const;

private:
    void RebuildIfStale(const ListBox& list) const;

    // Lower-cased text -> ascending indices of the items holding it.
    mutable std::map<std::string, std::vector<std::int32_t>, std::less<>> index_;
    mutable bool stale_ = true;
};

// A window's list box whose changes are gathered. Between BeginChanges and EndChanges the core's
// operations edit a ListDraft, and the window shows the draft in one step at the end; outside
// such a span every change is a span of its own. The window supplies the draft and the reads of
// its widget; the operations on the draft, and the upkeep of the text index, are the same for
// every window and live here.
class DraftListBox : public ListBox {
public:
    std::int32_t ListCount() const final;
    std::string ItemText(std::int32_t index) const final;
    void SetItemText(std::int32_t index, const std::string& text) final;
    bool IsSelected(std::int32_t index) const final;
    void SetSelected(std::int32_t index, bool selected) final;
    std::int32_t SelectedCount() const final;
    void AddItem(const std::string& text) final;
    void RemoveItem(std::int32_t index) final;

    virtual void BeginChanges() = 0;
    virtual void EndChanges() = 0;

protected:
    bool IsValidRow(std::int32_t index) const { return index >= 0 && index < ListCount(); }

    // The draft while a span is open (taken from the widget when first asked for), else none.
    virtual ListDraft* Draft() const = 0;
    // The widget itself, outside a span.
    virtual std::int32_t WidgetCount() const = 0;
    virtual std::string WidgetText(std::int32_t index) const = 0;
    virtual bool WidgetSelected(std::int32_t index) const = 0;
    virtual std::int32_t WidgetSelectedCount() const = 0;
    // A selection change outside a span: by default a span of its own.
    virtual void SetWidgetSelected(std::int32_t index, bool selected);

    mutable ListTextIndex index_;
};

// Gathers the changes of one operation on a window's list and shows them when it ends.
class ListChanges {
public:
    explicit ListChanges(DraftListBox& box) : box_(box) { box_.BeginChanges(); }
    ~ListChanges() { box_.EndChanges(); }
    ListChanges(const ListChanges&) = delete;
    ListChanges& operator=(const ListChanges&) = delete;

private:
    DraftListBox& box_;
};

// A list box held in memory.
class ImageListModel final : public ListBox {
public:
    struct Item {
        std::string text;
        bool selected = false;
    };

    std::int32_t ListCount() const override;
    std::string ItemText(std::int32_t index) const override;
    void SetItemText(std::int32_t index, const std::string& text) override;
    bool IsSelected(std::int32_t index) const override;
    void SetSelected(std::int32_t index, bool selected) override;
    std::int32_t SelectedCount() const override;
    void AddItem(const std::string& text) override;
    void RemoveItem(std::int32_t index) override;

    // Same answers as the plain scan, from a ListTextIndex.
    std::int32_t FindString(std::int32_t startAfter, std::string_view prefix) const override;

private:
    std::vector<Item> items_;
    ListTextIndex index_;
};

} // namespace folionix
