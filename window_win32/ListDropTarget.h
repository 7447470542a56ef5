#pragma once

#include "conversion/modFolionix.h"

#include <windows.h>

#include <ole2.h>

#include <functional>

namespace folionix {

// What a drop carries: the files of CF_HDROP in their order when there are any, otherwise the
// CF_UNICODETEXT text as the one path; nothing else is taken.
DropData DropDataFromObject(IDataObject* data);

// True when the data offers files or plain text.
bool CanTakeDrop(IDataObject* data);

// The list's drop target: accepts files and text as a copy and hands the dropped data, the key
// state and the point to onDrop; nothing happens while data is dragged over the list.
class ListDropTarget final : public IDropTarget {
public:
    using DropHandler = std::function<void(IDataObject* data, DWORD keyState, POINTL at)>;
    explicit ListDropTarget(DropHandler onDrop) : onDrop_(std::move(onDrop)) {}
    virtual ~ListDropTarget() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keyState, POINTL at,
                                        DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keyState, POINTL at, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keyState, POINTL at,
                                   DWORD* effect) override;

private:
    DropHandler onDrop_;
    LONG references_ = 1;
    bool acceptable_ = false;
};

} // namespace folionix
