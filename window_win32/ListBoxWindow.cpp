#include "window_win32/ListBoxWindow.h"

#include "window_win32/WideText.h"

#include <algorithm>
#include <unordered_set>

namespace folionix {
namespace {

LRESULT Send(HWND list, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendMessageW(list, message, wParam, lParam);
}

WPARAM Index(std::size_t index) {
    return static_cast<WPARAM>(index);
}

LPARAM Text(const std::wstring& text) {
    return reinterpret_cast<LPARAM>(text.c_str());
}

std::wstring WideItemText(HWND list, std::int32_t index) {
    const LRESULT length = Send(list, LB_GETTEXTLEN, static_cast<WPARAM>(index));
    if (length == LB_ERR) {
        return {};
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied =
        Send(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied == LB_ERR ? 0 : static_cast<std::size_t>(copied));
    return text;
}

// Replacing a row costs two messages, each moving the rows after it; filling the box anew costs
// one message per row. Rows are replaced or removed one by one while they are at most this
// fraction of the list.
constexpr std::size_t kRowByRowFraction = 8;

} // namespace

ListBoxWindow::Working* ListBoxWindow::Work() const {
    if (depth_ == 0) {
        return nullptr;
    }
    if (!working_) {
        const auto count = static_cast<std::size_t>(std::max<LRESULT>(Send(list_, LB_GETCOUNT), 0));
        if (shown_.size() != count) {
            shown_.clear();
            for (std::size_t row = 0; row < count; ++row) {
                shown_.push_back(Utf8FromWide(WideItemText(list_, static_cast<std::int32_t>(row))));
            }
            index_.MarkStale();
        }
        Working work;
        work.texts = shown_;
        work.origin.resize(count);
        for (std::size_t row = 0; row < count; ++row) {
            work.origin[row] = static_cast<std::int32_t>(row);
        }
        work.shownSelected = BoxSelection(count);
        work.selected = work.shownSelected;
        work.selectedCount = static_cast<std::int32_t>(
            std::count(work.selected.begin(), work.selected.end(), char{1}));
        working_ = std::move(work);
    }
    return &*working_;
}

std::vector<char> ListBoxWindow::BoxSelection(std::size_t count) const {
    std::vector<char> selected(count, 0);
    const LRESULT selectedCount = Send(list_, LB_GETSELCOUNT);
    if (selectedCount > 0) {
        std::vector<int> rows(static_cast<std::size_t>(selectedCount));
        const LRESULT got = Send(list_, LB_GETSELITEMS, static_cast<WPARAM>(selectedCount),
                                 reinterpret_cast<LPARAM>(rows.data()));
        for (LRESULT i = 0; i < got; ++i) {
            const auto row = static_cast<std::size_t>(rows[static_cast<std::size_t>(i)]);
            if (row < count) {
                selected[row] = 1;
            }
        }
    }
    return selected;
}

std::int32_t ListBoxWindow::WidgetCount() const {
    return static_cast<std::int32_t>(Send(list_, LB_GETCOUNT));
}

std::string ListBoxWindow::WidgetText(std::int32_t index) const {
    return Utf8FromWide(WideItemText(list_, index));
}

bool ListBoxWindow::WidgetSelected(std::int32_t index) const {
    return Send(list_, LB_GETSEL, static_cast<WPARAM>(index)) > 0;
}

void ListBoxWindow::SetWidgetSelected(std::int32_t index, bool selected) {
    Send(list_, LB_SETSEL, selected ? TRUE : FALSE, static_cast<LPARAM>(index));
}

std::int32_t ListBoxWindow::WidgetSelectedCount() const {
    const LRESULT count = Send(list_, LB_GETSELCOUNT);
    return count == LB_ERR ? 0 : static_cast<std::int32_t>(count);
}

std::int32_t ListBoxWindow::FindString(std::int32_t startAfter, std::string_view prefix) const {
    const bool ascii = std::all_of(prefix.begin(), prefix.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii && Work() != nullptr && index_.FindString(*this, startAfter, prefix) < 0) {
        return -1;
    }
    ShowChanges();
    const std::wstring wide = WideFromUtf8(prefix);
    const LRESULT found = Send(list_, LB_FINDSTRING, static_cast<WPARAM>(startAfter), Text(wide));
    return found == LB_ERR ? -1 : static_cast<std::int32_t>(found);
}

std::int32_t ListBoxWindow::TextLength(std::int32_t index) const {
    ShowChanges();
    if (Send(list_, LB_GETTEXTLEN, static_cast<WPARAM>(index)) == LB_ERR) {
        return -1;
    }
    return static_cast<std::int32_t>(Utf8FromWide(WideItemText(list_, index)).size());
}

void ListBoxWindow::BeginChanges() {
    ++depth_;
}

void ListBoxWindow::EndChanges() {
    ShowChanges();
    if (--depth_ == 0) {
        working_.reset();
    }
}

void ListBoxWindow::ShowChanges() const {
    if (!working_) {
        return;
    }
    Working& work = *working_;
    Commit(work);
    // The box now shows the copy: it is the start of what follows.
    const std::size_t count = work.texts.size();
    for (std::size_t row = 0; row < count; ++row) {
        work.origin[row] = static_cast<std::int32_t>(row);
    }
    work.shownSelected = work.selected;
    work.textsChanged = work.removed = work.selectionChanged = false;
}

void ListBoxWindow::Commit(Working& work) const {
    const std::size_t oldCount = shown_.size();
    const std::size_t count = work.texts.size();
    if (!work.textsChanged && !work.removed) {
        // Rows appended, if any, and the selection.
        if (count == oldCount && !work.selectionChanged) {
            return;
        }
        Send(list_, WM_SETREDRAW, FALSE);
        if (count > oldCount) {
            Send(list_, LB_INITSTORAGE, Index(count - oldCount), 0);
            for (std::size_t row = oldCount; row < count; ++row) {
                Send(list_, LB_ADDSTRING, 0, Text(WideFromUtf8(work.texts[row])));
                shown_.push_back(work.texts[row]);
            }
            WidenFor(work.texts, oldCount);
        }
        if (work.selectionChanged) {
            work.shownSelected.resize(count, 0);
            ShowSelection(work.selected, work.shownSelected);
        }
        Send(list_, WM_SETREDRAW, TRUE);
        InvalidateRect(list_, nullptr, TRUE);
        return;
    }

    const LRESULT top = Send(list_, LB_GETTOPINDEX);
    const LRESULT caret = Send(list_, LB_GETCARETINDEX);
    const bool hadCaret = caret >= 0 && static_cast<std::size_t>(caret) < oldCount;
    std::size_t newCaret = hadCaret ? static_cast<std::size_t>(caret) : 0;
    Send(list_, WM_SETREDRAW, FALSE);
    bool refilled = true;
    if (!work.removed && count == oldCount) {
        // Texts moved between rows (or changed): the caret follows its entry.
        std::vector<std::size_t> changed;
        for (std::size_t row = 0; row < count; ++row) {
            if (work.texts[row] != shown_[row]) {
                changed.push_back(row);
            }
        }
        if (hadCaret && work.texts[newCaret] != shown_[newCaret]) {
            for (const std::size_t row : changed) {
                if (work.texts[row] == shown_[newCaret]) {
                    newCaret = row;
                    break;
                }
            }
        }
        if (changed.size() * kRowByRowFraction <= count) {
            for (const std::size_t row : changed) {
                Send(list_, LB_DELETESTRING, Index(row));
                Send(list_, LB_INSERTSTRING, Index(row), Text(WideFromUtf8(work.texts[row])));
            }
            refilled = false;
        } else {
            Refill(work);
        }
        // Only a text that was not in the list can widen it.
        std::unordered_set<std::string_view> before;
        for (const std::size_t row : changed) {
            before.insert(shown_[row]);
        }
        std::vector<std::string> newTexts;
        for (const std::size_t row : changed) {
            if (before.count(work.texts[row]) == 0) {
                newTexts.push_back(work.texts[row]);
            }
        }
        WidenFor(newTexts, 0);
    } else if (!work.textsChanged && std::all_of(work.origin.begin(), work.origin.end(),
                                                 [](std::int32_t origin) { return origin >= 0; })) {
        // Rows removed, the others unchanged: the caret goes to the first row left at or after
        // its row.
        const auto firstAfter = std::lower_bound(work.origin.begin(), work.origin.end(),
                                                 static_cast<std::int32_t>(newCaret));
        newCaret = static_cast<std::size_t>(firstAfter - work.origin.begin());
        if (newCaret == count && count > 0) {
            --newCaret;
        }
        if ((oldCount - count) * kRowByRowFraction <= count) {
            std::vector<char> kept(oldCount, 0);
            for (const std::int32_t origin : work.origin) {
                kept[static_cast<std::size_t>(origin)] = 1;
            }
            for (std::size_t row = oldCount; row-- > 0;) {
                if (kept[row] == 0) {
                    Send(list_, LB_DELETESTRING, Index(row));
                }
            }
            refilled = false;
        } else {
            Refill(work);
        }
    } else {
        Refill(work);
        WidenFor(work.texts, 0);
        newCaret = std::min(newCaret, count > 0 ? count - 1 : 0);
    }
    shown_ = work.texts;
    ShowSelection(work.selected, refilled ? std::vector<char>(count, 0) : BoxSelection(count));
    if (count > 0) {
        Send(list_, LB_SETTOPINDEX, Index(std::min(static_cast<std::size_t>(top), count - 1)));
        if (hadCaret) {
            Send(list_, LB_SETANCHORINDEX, Index(newCaret));
            Send(list_, LB_SETCARETINDEX, Index(newCaret), FALSE);
        }
    }
    Send(list_, WM_SETREDRAW, TRUE);
    InvalidateRect(list_, nullptr, TRUE);
}

void ListBoxWindow::Refill(const Working& work) const {
    std::size_t units = 0;
    for (const std::string& text : work.texts) {
        units += text.size() + 1;
    }
    Send(list_, LB_RESETCONTENT);
    Send(list_, LB_INITSTORAGE, Index(work.texts.size()),
         static_cast<LPARAM>(units * sizeof(wchar_t)));
    for (const std::string& text : work.texts) {
        Send(list_, LB_ADDSTRING, 0, Text(WideFromUtf8(text)));
    }
}

void ListBoxWindow::ShowSelection(const std::vector<char>& selected,
                                  std::vector<char> shown) const {
    // Each run of rows whose state differs from the box's is one message.
    const std::size_t count = selected.size();
    for (std::size_t first = 0; first < count;) {
        if (selected[first] == shown[first]) {
            ++first;
            continue;
        }
        std::size_t last = first;
        while (last + 1 < count && selected[last + 1] == selected[first] &&
               selected[last + 1] != shown[last + 1]) {
            ++last;
        }
        if (selected[first] != 0) {
            Send(list_, LB_SELITEMRANGEEX, Index(first), static_cast<LPARAM>(last));
        } else if (first == last) {
            Send(list_, LB_SETSEL, FALSE, static_cast<LPARAM>(first));
        } else {
            Send(list_, LB_SELITEMRANGEEX, Index(last), static_cast<LPARAM>(first));
        }
        first = last + 1;
    }
}

void ListBoxWindow::WidenFor(const std::vector<std::string>& texts, std::size_t first) const {
    if (first >= texts.size()) {
        return;
    }
    // The folder column sits behind tab stops; the box scrolls sideways to the widest entry.
    HDC dc = GetDC(list_);
    const auto font = reinterpret_cast<HFONT>(Send(list_, WM_GETFONT));
    const HGDIOBJ old = SelectObject(dc, font);
    int widest = widestText_;
    for (std::size_t i = first; i < texts.size(); ++i) {
        const std::wstring text = WideFromUtf8(texts[i]);
        const DWORD extent =
            GetTabbedTextExtentW(dc, text.c_str(), static_cast<int>(text.size()), 0, nullptr);
        widest = std::max(widest, LOWORD(extent) + 8);
    }
    SelectObject(dc, old);
    ReleaseDC(list_, dc);
    if (widest > widestText_) {
        widestText_ = widest;
        Send(list_, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widestText_));
    }
}

} // namespace folionix
