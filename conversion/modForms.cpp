#include "conversion/modForms.h"

#include "common/PathCase.h"
#include "conversion/ListBox.h"

#include <algorithm>
#include <cstddef>

namespace folionix {
namespace {

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string LowerAsciiText(std::string_view text) {
    std::string lowered(text);
    std::transform(lowered.begin(), lowered.end(), lowered.begin(), LowerAscii);
    return lowered;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (LowerAscii(text[i]) != LowerAscii(prefix[i])) {
            return false;
        }
    }
    return true;
}

bool IsValidIndex(std::int32_t index, std::size_t size) {
    return index >= 0 && static_cast<std::size_t>(index) < size;
}

} // namespace

// --- ListBox defaults: the list box's own prefix search ----------------------------------------

std::int32_t ListBox::FindString(std::int32_t startAfter, std::string_view prefix) const {
    const std::int32_t count = ListCount();
    if (count <= 0) {
        return -1;
    }
    // A start outside the list searches the whole list from the first item.
    const std::int32_t start = (startAfter < 0 || startAfter >= count) ? -1 : startAfter;
    for (std::int32_t step = 1; step <= count; ++step) {
        const std::int32_t index = (start + step) % count;
        if (StartsWithIgnoringCase(ItemText(index), prefix)) {
            return index;
        }
    }
    return -1;
}

std::int32_t ListBox::TextLength(std::int32_t index) const {
    if (index < 0 || index >= ListCount()) {
        return -1;
    }
    return static_cast<std::int32_t>(ItemText(index).size());
}

// --- ImageListModel -----------------------------------------------------------------------------

std::int32_t ImageListModel::ListCount() const {
    return static_cast<std::int32_t>(items_.size());
}

std::string ImageListModel::ItemText(std::int32_t index) const {
    return IsValidIndex(index, items_.size()) ? items_[static_cast<std::size_t>(index)].text
                                              : std::string();
}

void ImageListModel::SetItemText(std::int32_t index, const std::string& text) {
    if (IsValidIndex(index, items_.size())) {
        items_[static_cast<std::size_t>(index)].text = text;
        index_.MarkStale();
    }
}

bool ImageListModel::IsSelected(std::int32_t index) const {
    return IsValidIndex(index, items_.size()) && items_[static_cast<std::size_t>(index)].selected;
}

void ImageListModel::SetSelected(std::int32_t index, bool selected) {
    if (IsValidIndex(index, items_.size())) {
        items_[static_cast<std::size_t>(index)].selected = selected;
    }
}

std::int32_t ImageListModel::SelectedCount() const {
    return static_cast<std::int32_t>(std::count_if(items_.begin(), items_.end(),
                                                   [](const Item& item) { return item.selected; }));
}

void ImageListModel::AddItem(const std::string& text) {
    const auto newIndex = static_cast<std::int32_t>(items_.size());
    items_.push_back(Item{text, false});
    index_.Appended(newIndex, text);
}

void ImageListModel::RemoveItem(std::int32_t index) {
    if (IsValidIndex(index, items_.size())) {
        items_.erase(items_.begin() + index);
        index_.MarkStale();
    }
}

std::int32_t ImageListModel::FindString(std::int32_t startAfter, std::string_view prefix) const {
    return index_.FindString(*this, startAfter, prefix);
}

// --- ListTextIndex ------------------------------------------------------------------------------

std::int32_t DraftListBox::ListCount() const {
    if (const ListDraft* draft = Draft(); draft != nullptr) {
        return static_cast<std::int32_t>(draft->texts.size());
    }
    return WidgetCount();
}

std::string DraftListBox::ItemText(std::int32_t index) const {
    if (const ListDraft* draft = Draft(); draft != nullptr) {
        return IsValidRow(index) ? draft->texts[static_cast<std::size_t>(index)] : std::string();
    }
    return WidgetText(index);
}

void DraftListBox::SetItemText(std::int32_t index, const std::string& text) {
    if (!IsValidRow(index)) {
        return;
    }
    if (ListDraft* draft = Draft(); draft != nullptr) {
        draft->SetText(index, text);
        index_.MarkStale();
        return;
    }
    const ListChanges alone(*this);
    SetItemText(index, text);
}

bool DraftListBox::IsSelected(std::int32_t index) const {
    if (const ListDraft* draft = Draft(); draft != nullptr) {
        return IsValidRow(index) && draft->selected[static_cast<std::size_t>(index)] != 0;
    }
    return WidgetSelected(index);
}

void DraftListBox::SetSelected(std::int32_t index, bool selected) {
    ListDraft* draft = Draft();
    if (draft == nullptr) {
        SetWidgetSelected(index, selected);
    } else if (IsValidRow(index)) {
        draft->SetSelected(index, selected);
    }
}

void DraftListBox::SetWidgetSelected(std::int32_t index, bool selected) {
    if (!IsValidRow(index)) {
        return;
    }
    const ListChanges alone(*this);
    SetSelected(index, selected);
}

std::int32_t DraftListBox::SelectedCount() const {
    if (const ListDraft* draft = Draft(); draft != nullptr) {
        return draft->selectedCount;
    }
    return WidgetSelectedCount();
}

void DraftListBox::AddItem(const std::string& text) {
    if (ListDraft* draft = Draft(); draft != nullptr) {
        index_.Appended(static_cast<std::int32_t>(draft->texts.size()), text);
        draft->Append(text);
        return;
    }
    const ListChanges alone(*this);
    AddItem(text);
}

void DraftListBox::RemoveItem(std::int32_t index) {
    if (!IsValidRow(index)) {
        return;
    }
    if (ListDraft* draft = Draft(); draft != nullptr) {
        draft->Remove(index);
        index_.MarkStale();
        return;
    }
    const ListChanges alone(*this);
    RemoveItem(index);
}

void ListTextIndex::Appended(std::int32_t index, std::string_view text) {
    if (!stale_) {
        index_[LowerAsciiText(text)].push_back(index);
    }
}

void ListTextIndex::RebuildIfStale(const ListBox& list) const {
    if (!stale_) {
        return;
    }
    index_.clear();
    const std::int32_t count = list.ListCount();
    for (std::int32_t i = 0; i < count; ++i) {
        index_[LowerAsciiText(list.ItemText(i))].push_back(i);
    }
    stale_ = false;
}

std::int32_t ListTextIndex::FindString(const ListBox& list, std::int32_t startAfter,
                                       std::string_view prefix) const {
    const std::int32_t count = list.ListCount();
    if (count <= 0) {
        return -1;
    }
    RebuildIfStale(list);
    const std::int32_t start = (startAfter < 0 || startAfter >= count) ? -1 : startAfter;
    const std::string key = LowerAsciiText(prefix);
    // Every text that begins with the prefix sorts at or after it and before the first text
    // that does not: the smallest index after the start wins, else (wrapping round) the
    // smallest index of all.
    std::int32_t afterStart = -1;
    std::int32_t smallest = -1;
    for (auto it = index_.lower_bound(key); it != index_.end(); ++it) {
        if (it->first.compare(0, key.size(), key) != 0) {
            break;
        }
        const std::vector<std::int32_t>& indices = it->second;
        if (indices.empty()) {
            continue;
        }
        if (smallest < 0 || indices.front() < smallest) {
            smallest = indices.front();
        }
        const auto next = std::upper_bound(indices.begin(), indices.end(), start);
        if (next != indices.end() && (afterStart < 0 || *next < afterStart)) {
            afterStart = *next;
        }
    }
    return afterStart >= 0 ? afterStart : smallest;
}

// --- FindListItem ------------------------------------------------------------------------------

std::int32_t FindListItem(const ListBox& list, const std::string& text) {
    const auto length = static_cast<std::int64_t>(text.size());
    std::int32_t start = -1;
    for (;;) {
        const std::int32_t found = list.FindString(start, text);
        // The prefix search wraps round; a hit at or before the start means every item has
        // been seen.
        if (found < 0 || found <= start) {
            return -1;
        }
        // The prefix search ignores letter case; where file names keep it, an entry that
        // differs only in case is another file.
        if (list.TextLength(found) == length &&
            (kFileNamesIgnoreCase || SamePathText(list.ItemText(found), text))) {
            return found;
        }
        start = found;
    }
}

} // namespace folionix
