#include "window_win32/ListDropTarget.h"

#include "window_win32/WideText.h"

#include <shellapi.h>

#include <string>

namespace folionix {
namespace {

FORMATETC FormatOf(CLIPFORMAT format) {
    return FORMATETC{format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
}

bool Offers(IDataObject* data, CLIPFORMAT format) {
    FORMATETC wanted = FormatOf(format);
    return data != nullptr && data->QueryGetData(&wanted) == S_OK;
}

// The dropped files' full paths, in the order the drop numbers them.
bool ReadFiles(IDataObject* data, std::vector<std::string>& files) {
    FORMATETC wanted = FormatOf(CF_HDROP);
    STGMEDIUM medium{};
    if (data->GetData(&wanted, &medium) != S_OK) {
        return false;
    }
    const auto drop = static_cast<HDROP>(GlobalLock(medium.hGlobal));
    if (drop != nullptr) {
        const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
            const UINT length = DragQueryFileW(drop, i, nullptr, 0);
            std::wstring path(length + 1, L'\0');
            DragQueryFileW(drop, i, path.data(), length + 1);
            path.resize(length);
            files.push_back(Utf8FromWide(path));
        }
        GlobalUnlock(medium.hGlobal);
    }
    ReleaseStgMedium(&medium);
    return !files.empty();
}

bool ReadText(IDataObject* data, std::string& text) {
    FORMATETC wanted = FormatOf(CF_UNICODETEXT);
    STGMEDIUM medium{};
    if (data->GetData(&wanted, &medium) != S_OK) {
        return false;
    }
    const auto* wide = static_cast<const wchar_t*>(GlobalLock(medium.hGlobal));
    if (wide != nullptr) {
        const SIZE_T capacity = GlobalSize(medium.hGlobal) / sizeof(wchar_t);
        std::wstring_view view(wide, capacity);
        view = view.substr(0, view.find(L'\0'));
        text = Utf8FromWide(view);
        GlobalUnlock(medium.hGlobal);
    }
    ReleaseStgMedium(&medium);
    return wide != nullptr;
}

} // namespace

DropData DropDataFromObject(IDataObject* data) {
    DropData drop;
    if (data == nullptr) {
        return drop;
    }
    if (Offers(data, CF_HDROP) && ReadFiles(data, drop.files)) {
        return drop;
    }
    if (Offers(data, CF_UNICODETEXT)) {
        drop.hasText = ReadText(data, drop.text);
    }
    return drop;
}

bool CanTakeDrop(IDataObject* data) {
    return Offers(data, CF_HDROP) || Offers(data, CF_UNICODETEXT);
}

HRESULT STDMETHODCALLTYPE ListDropTarget::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropTarget)) {
        *object = static_cast<IDropTarget*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE ListDropTarget::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&references_));
}

ULONG STDMETHODCALLTYPE ListDropTarget::Release() {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) {
        delete this;
    }
    return static_cast<ULONG>(left);
}

HRESULT STDMETHODCALLTYPE ListDropTarget::DragEnter(IDataObject* data, DWORD keyState, POINTL at,
                                                    DWORD* effect) {
    static_cast<void>(keyState);
    static_cast<void>(at);
    acceptable_ = CanTakeDrop(data);
    *effect = acceptable_ ? DROPEFFECT_COPY : DROPEFFECT_NONE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ListDropTarget::DragOver(DWORD keyState, POINTL at, DWORD* effect) {
    static_cast<void>(keyState);
    static_cast<void>(at);
    *effect = acceptable_ ? DROPEFFECT_COPY : DROPEFFECT_NONE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ListDropTarget::DragLeave() {
    acceptable_ = false;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ListDropTarget::Drop(IDataObject* data, DWORD keyState, POINTL at,
                                               DWORD* effect) {
    acceptable_ = false;
    if (!CanTakeDrop(data)) {
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }
    *effect = DROPEFFECT_COPY;
    if (onDrop_) {
        onDrop_(data, keyState, at);
    }
    return S_OK;
}

} // namespace folionix
