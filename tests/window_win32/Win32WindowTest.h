#pragma once
// A fresh window whose message boxes are recorded and whose dialogs and popup cancel unless a
// test answers them through the window's seams; files and text are dropped on its list.
#include "window_win32/Seams.h"
#include "window_win32/WideText.h"
#include "window_win32/frmMulti.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace folionix::test {

struct ShownMessage {
    std::string text;
    int style;
    std::string title;
    bool operator==(const ShownMessage&) const = default;
};

class Win32WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        Seams() = {};
        Seams().messageBox = [this](HWND, const std::string& text, int style,
                                    const std::string& title) {
            messages.push_back({text, style, title});
        };
        Seams().getOpenFileName = [](OPENFILENAMEW&) { return FALSE; };
        Seams().trackPopupMenu = [](HMENU, UINT, POINT, HWND) { return 0; };
        window = std::make_unique<frmMulti>();
    }
    void TearDown() override {
        window.reset();
        Seams() = {};
    }
    void SetText(const char* name, const std::string& utf8) {
        SetWindowTextW(window->Control(name), WideFromUtf8(utf8).c_str());
    }
    void Click(const char* name) { SendMessageW(window->Control(name), BM_CLICK, 0, 0); }
    std::vector<std::string> Entries() {
        std::vector<std::string> texts;
        for (std::int32_t i = 0; i < window->ImageList().ListCount(); ++i) {
            texts.push_back(window->ImageList().ItemText(i));
        }
        return texts;
    }
    std::vector<int> SelectedRows() {
        std::vector<int> rows;
        for (std::int32_t i = 0; i < window->ImageList().ListCount(); ++i) {
            window->ImageList().IsSelected(i) ? rows.push_back(i) : void();
        }
        return rows;
    }
    void FillList(const std::vector<std::string>& texts, const std::vector<int>& selected) {
        SendMessageW(window->Control("List1"), LB_RESETCONTENT, 0, 0);
        for (const std::string& text : texts) {
            window->ImageList().AddItem(text);
        }
        for (const int row : selected) {
            window->ImageList().SetSelected(row, true);
        }
    }
    // Drops files (CF_HDROP) on the list through its drop target, or one text when text is set.
    void Drop(const std::vector<std::string>& paths, bool asText = false) {
        std::wstring list(sizeof(DROPFILES) / sizeof(wchar_t), L'\0');
        DROPFILES header{sizeof(DROPFILES), {}, FALSE, TRUE};
        std::memcpy(list.data(), &header, sizeof(header));
        for (const std::string& path : paths) {
            list += WideFromUtf8(path) + L'\0';
        }
        // The clipboard's data object stands in for a drag's: it offers the one format set here.
        const std::wstring text = asText ? WideFromUtf8(paths.front()) : list;
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
        std::memcpy(GlobalLock(memory), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
        GlobalUnlock(memory);
        ASSERT_TRUE(OpenClipboard(window->Handle()) && EmptyClipboard());
        SetClipboardData(asText ? CF_UNICODETEXT : CF_HDROP, memory);
        CloseClipboard();
        IDataObject* data = nullptr;
        ASSERT_EQ(OleGetClipboard(&data), S_OK);
        const POINTL at{10, 10};
        DWORD effect = DROPEFFECT_COPY;
        IDropTarget* target = window->ListDropHandler();
        ASSERT_EQ(target->DragEnter(data, MK_LBUTTON, at, &effect), S_OK);
        ASSERT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
        EXPECT_EQ(target->Drop(data, 0, at, &effect), S_OK);
        data->Release();
    }

    std::unique_ptr<frmMulti> window;
    std::vector<ShownMessage> messages;
};

} // namespace folionix::test
