#include "window_win32/ListBoxWindow.h"

#include "window_win32/WideText.h"

#include <algorithm>

namespace folionix {
namespace {

LRESULT Send(HWND list, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendMessageW(list, message, wParam, lParam);
}

WPARAM Index(std::int32_t index) {
    return static_cast<WPARAM>(index);
}

LPARAM Text(const std::wstring& text) {
    return reinterpret_cast<LPARAM>(text.c_str());
}

std::wstring WideItemText(HWND list, std::int32_t index) {
    const LRESULT length = Send(list, LB_GETTEXTLEN, Index(index));
    if (length == LB_ERR) {
        return {};
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied =
        Send(list, LB_GETTEXT, Index(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied == LB_ERR ? 0 : static_cast<std::size_t>(copied));
    return text;
}

} // namespace

std::int32_t ListBoxWindow::ListCount() const {
    return static_cast<std::int32_t>(Send(list_, LB_GETCOUNT));
}

std::string ListBoxWindow::ItemText(std::int32_t index) const {
    return Utf8FromWide(WideItemText(list_, index));
}

void ListBoxWindow::SetItemText(std::int32_t index, const std::string& text) {
    if (index < 0 || index >= ListCount()) {
        return;
    }
    const bool selected = IsSelected(index);
    const LRESULT top = Send(list_, LB_GETTOPINDEX);
    const LRESULT caret = Send(list_, LB_GETCARETINDEX);
    const std::wstring wide = WideFromUtf8(text);
    indexedCount_ = -1;
    Send(list_, LB_DELETESTRING, Index(index));
    Send(list_, LB_INSERTSTRING, Index(index), Text(wide));
    if (selected) {
        Send(list_, LB_SETSEL, TRUE, static_cast<LPARAM>(index));
    }
    Send(list_, LB_SETCARETINDEX, static_cast<WPARAM>(caret), FALSE);
    Send(list_, LB_SETTOPINDEX, static_cast<WPARAM>(top));
    WidenForText(wide);
}

bool ListBoxWindow::IsSelected(std::int32_t index) const {
    return Send(list_, LB_GETSEL, Index(index)) > 0;
}

void ListBoxWindow::SetSelected(std::int32_t index, bool selected) {
    Send(list_, LB_SETSEL, selected ? TRUE : FALSE, static_cast<LPARAM>(index));
}

std::int32_t ListBoxWindow::SelectedCount() const {
    const LRESULT count = Send(list_, LB_GETSELCOUNT);
    return count == LB_ERR ? 0 : static_cast<std::int32_t>(count);
}

void ListBoxWindow::AddItem(const std::string& text) {
    const bool current = IndexCurrent();
    const std::wstring wide = WideFromUtf8(text);
    const LRESULT added = Send(list_, LB_ADDSTRING, 0, Text(wide));
    if (current && added != LB_ERR && added == indexedCount_) {
        index_.Appended(static_cast<std::int32_t>(added), text);
        ++indexedCount_;
    } else {
        indexedCount_ = -1;
    }
    WidenForText(wide);
}

void ListBoxWindow::RemoveItem(std::int32_t index) {
    Send(list_, LB_DELETESTRING, Index(index));
    indexedCount_ = -1;
}

bool ListBoxWindow::IndexCurrent() const {
    return indexedCount_ >= 0 && indexedCount_ == ListCount();
}

std::int32_t ListBoxWindow::FindString(std::int32_t startAfter, std::string_view prefix) const {
    const bool ascii = std::all_of(prefix.begin(), prefix.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii) {
        if (!IndexCurrent()) {
            index_.MarkStale();
            indexedCount_ = ListCount();
        }
        if (index_.FindString(*this, startAfter, prefix) < 0) {
            return -1;
        }
    }
    const std::wstring wide = WideFromUtf8(prefix);
    const LRESULT found = Send(list_, LB_FINDSTRING, static_cast<WPARAM>(startAfter), Text(wide));
    return found == LB_ERR ? -1 : static_cast<std::int32_t>(found);
}

std::int32_t ListBoxWindow::TextLength(std::int32_t index) const {
    if (Send(list_, LB_GETTEXTLEN, Index(index)) == LB_ERR) {
        return -1;
    }
    return static_cast<std::int32_t>(ItemText(index).size());
}

void ListBoxWindow::WidenForText(const std::wstring& text) {
    // The folder column sits behind tab stops; the box scrolls sideways to the widest entry.
    HDC dc = GetDC(list_);
    const auto font = reinterpret_cast<HFONT>(Send(list_, WM_GETFONT));
    const HGDIOBJ old = SelectObject(dc, font);
    const DWORD extent =
        GetTabbedTextExtentW(dc, text.c_str(), static_cast<int>(text.size()), 0, nullptr);
    SelectObject(dc, old);
    ReleaseDC(list_, dc);
    const int width = LOWORD(extent) + 8;
    if (width > widestText_) {
        widestText_ = width;
        Send(list_, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widestText_));
    }
}

ListRedrawPause::ListRedrawPause(HWND list) : list_(list) {
    SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
}

ListRedrawPause::~ListRedrawPause() {
    SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
}

} // namespace folionix
