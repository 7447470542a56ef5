#include "WindowTestSupport.h"

#include "window_win32/Seams.h"
#include "window_win32/WideText.h"

#include <shlobj.h>

#include <cstring>

namespace folionix::test {
namespace {

// A data object that offers one format, as a drag from the shell or from a text editor would.
class DropObject final : public IDataObject {
public:
    DropObject(CLIPFORMAT format, std::vector<std::uint8_t> bytes)
        : format_(format), bytes_(std::move(bytes)) {}
    virtual ~DropObject() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDataObject)) {
            *object = static_cast<IDataObject*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override { return --references_; }

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
        if (QueryGetData(format) != S_OK) {
            return DV_E_FORMATETC;
        }
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes_.size());
        std::memcpy(GlobalLock(memory), bytes_.data(), bytes_.size());
        GlobalUnlock(memory);
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = memory;
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
        return format->cfFormat == format_ && (format->tymed & TYMED_HGLOBAL) != 0 ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
        out->ptd = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }

private:
    CLIPFORMAT format_;
    std::vector<std::uint8_t> bytes_;
    ULONG references_ = 1;
};

template <typename T>
void AppendRaw(std::vector<std::uint8_t>& bytes, const T* data, std::size_t count) {
    const auto* raw = reinterpret_cast<const std::uint8_t*>(data);
    bytes.insert(bytes.end(), raw, raw + count * sizeof(T));
}

void Drop(frmMulti& window, DropObject& data) {
    IDropTarget* target = window.ListDropHandler();
    ASSERT_NE(target, nullptr);
    RECT list{};
    GetWindowRect(window.Control("List1"), &list);
    const POINTL at{list.left + 10, list.top + 10};
    DWORD effect = DROPEFFECT_COPY;
    ASSERT_EQ(target->DragEnter(&data, MK_LBUTTON, at, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
    ASSERT_EQ(target->DragOver(MK_LBUTTON, at, &effect), S_OK);
    ASSERT_EQ(target->Drop(&data, 0, at, &effect), S_OK);
}

} // namespace

void Win32WindowTest::SetUp() {
    savedCurrentFolder.assign(MAX_PATH, L'\0');
    savedCurrentFolder.resize(GetCurrentDirectoryW(MAX_PATH, savedCurrentFolder.data()));
    Seams() = {};
    Seams().messageBox = [this](HWND, const std::string& text, int style,
                                const std::string& title) {
        messages.push_back({text, style, title});
    };
    Seams().getOpenFileName = [](OPENFILENAMEW&) { return FALSE; };
    Seams().browseForFolder = [](BROWSEINFOW&) -> PIDLIST_ABSOLUTE { return nullptr; };
    Seams().trackPopupMenu = [](HMENU, UINT, POINT, HWND) { return 0; };
    window = std::make_unique<frmMulti>();
}

void Win32WindowTest::TearDown() {
    window.reset();
    Seams() = {};
    SetCurrentDirectoryW(savedCurrentFolder.c_str());
}

HWND Win32WindowTest::Control(const char* name) const {
    HWND control = window->Control(name);
    EXPECT_NE(control, nullptr) << name;
    return control;
}

void Win32WindowTest::SetText(const char* name, const std::string& utf8) {
    const std::wstring text = WideFromUtf8(utf8);
    SendMessageW(Control(name), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::string Win32WindowTest::Text(const char* name) const {
    wchar_t buffer[1024] = {};
    SendMessageW(Control(name), WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer));
    return Utf8FromWide(buffer);
}

void Win32WindowTest::Click(const char* name) {
    SendMessageW(Control(name), BM_CLICK, 0, 0);
}

bool Win32WindowTest::IsChecked(const char* name) const {
    return SendMessageW(Control(name), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

std::vector<std::string> Win32WindowTest::Entries() const {
    std::vector<std::string> texts;
    for (std::int32_t i = 0; i < window->ImageList().ListCount(); ++i) {
        texts.push_back(window->ImageList().ItemText(i));
    }
    return texts;
}

std::vector<int> Win32WindowTest::SelectedRows() const {
    std::vector<int> rows;
    for (std::int32_t i = 0; i < window->ImageList().ListCount(); ++i) {
        if (window->ImageList().IsSelected(i)) {
            rows.push_back(i);
        }
    }
    return rows;
}

void Win32WindowTest::FillList(const std::vector<std::string>& texts,
                               const std::vector<int>& selected) {
    for (const std::string& text : texts) {
        window->ImageList().AddItem(text);
    }
    for (const int row : selected) {
        window->ImageList().SetSelected(row, true);
    }
}

void Win32WindowTest::DropFiles(const std::vector<std::string>& paths) {
    DROPFILES header{};
    header.pFiles = sizeof(DROPFILES);
    header.fWide = TRUE;
    std::vector<std::uint8_t> bytes;
    AppendRaw(bytes, &header, 1);
    for (const std::string& path : paths) {
        const std::wstring wide = WideFromUtf8(path);
        AppendRaw(bytes, wide.c_str(), wide.size() + 1);
    }
    const wchar_t end = L'\0';
    AppendRaw(bytes, &end, 1);
    DropObject data(CF_HDROP, std::move(bytes));
    Drop(*window, data);
}

void Win32WindowTest::DropText(const std::string& text) {
    const std::wstring wide = WideFromUtf8(text);
    std::vector<std::uint8_t> bytes;
    AppendRaw(bytes, wide.c_str(), wide.size() + 1);
    DropObject data(CF_UNICODETEXT, std::move(bytes));
    Drop(*window, data);
}

} // namespace folionix::test
