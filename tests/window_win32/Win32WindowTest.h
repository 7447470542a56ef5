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

// A data object that offers one format, as a drag from the shell or from an editor would.
class DropObject final : public IDataObject {
public:
    DropObject(CLIPFORMAT format, const void* data, std::size_t size)
        : format_(format),
          bytes_(static_cast<const char*>(data), static_cast<const char*>(data) + size) {}
    virtual ~DropObject() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
        if (QueryGetData(format) != S_OK) {
            return DV_E_FORMATETC;
        }
        medium->hGlobal = GlobalAlloc(GMEM_MOVEABLE, bytes_.size());
        std::memcpy(GlobalLock(medium->hGlobal), bytes_.data(), bytes_.size());
        GlobalUnlock(medium->hGlobal);
        medium->tymed = TYMED_HGLOBAL;
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
        return format->cfFormat == format_ && (format->tymed & TYMED_HGLOBAL) ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

private:
    CLIPFORMAT format_;
    std::vector<char> bytes_;
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
        std::wstring text = asText ? WideFromUtf8(paths.front()) : L"";
        DropObject data(asText ? CF_UNICODETEXT : CF_HDROP, asText ? text.c_str() : list.c_str(),
                        ((asText ? text : list).size() + 1) * sizeof(wchar_t));
        const POINTL at{10, 10};
        DWORD effect = DROPEFFECT_COPY;
        IDropTarget* target = window->ListDropHandler();
        ASSERT_EQ(target->DragEnter(&data, MK_LBUTTON, at, &effect), S_OK);
        ASSERT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
        ASSERT_EQ(target->Drop(&data, 0, at, &effect), S_OK);
    }

    std::unique_ptr<frmMulti> window;
    std::vector<ShownMessage> messages;
};

} // namespace folionix::test
