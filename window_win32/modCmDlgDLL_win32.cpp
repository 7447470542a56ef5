#include "window_win32/modCmDlgDLL_win32.h"

#include "dialogs/modCmDlgDLL.h"
#include "window_win32/Seams.h"
#include "window_win32/WideText.h"

#include <commdlg.h>
#include <shlobj.h>

namespace folionix {
namespace {

constexpr DWORD kFileBufferLength = 8001;
constexpr DWORD kFileTitleLength = 515;

// description NUL pattern NUL ... NUL
std::wstring FilterText(const std::vector<std::string>& descriptions,
                        const std::vector<std::string>& patterns) {
    std::wstring filter;
    for (std::size_t i = 0; i < descriptions.size(); ++i) {
        filter += WideFromUtf8(descriptions[i]);
        filter.push_back(L'\0');
        filter += i < patterns.size() ? WideFromUtf8(patterns[i]) : std::wstring();
        filter.push_back(L'\0');
    }
    filter.push_back(L'\0');
    return filter;
}

std::wstring CurrentDirectory() {
    const DWORD length = GetCurrentDirectoryW(0, nullptr);
    std::wstring folder(length, L'\0');
    const DWORD copied = GetCurrentDirectoryW(length, folder.data());
    folder.resize(copied < length ? copied : 0);
    return folder;
}

} // namespace

DWORD OpenFilesDialogFlags(bool multiSelect, bool showNetworkButton) {
    DWORD flags = OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_EXPLORER | OFN_LONGNAMES;
    if (multiSelect) {
        flags |= OFN_ALLOWMULTISELECT;
    }
    if (!showNetworkButton) {
        flags |= OFN_NONETWORKBUTTON;
    }
    return flags;
}

bool ShowOpenFilesDialog(const std::vector<std::string>& descriptions,
                         const std::vector<std::string>& patterns, HWND owner, std::string& folder,
                         std::vector<std::string>& names, std::int32_t& count, bool multiSelect,
                         const std::string& initialFolder, bool showNetworkButton) {
    const std::wstring filter = FilterText(descriptions, patterns);
    // The spaces behind the terminator come back as a blank second part after a single choice,
    // which is how the answer tells one full path from a folder and names.
    std::wstring file(kFileBufferLength - 1, L' ');
    file.push_back(L'\0');
    std::wstring fileTitle(1, L'\0');
    fileTitle.append(512, L' ');
    fileTitle.append(2, L'\0');
    const std::wstring title = L"Select a File...";
    const std::wstring startFolder =
        initialFolder.empty() ? CurrentDirectory() : WideFromUtf8(initialFolder);

    OPENFILENAMEW record{};
    record.lStructSize = sizeof(record);
    record.hwndOwner = owner;
    record.hInstance = GetModuleHandleW(nullptr);
    record.lpstrFilter = filter.c_str();
    record.nFilterIndex = 0;
    record.lpstrFile = file.data();
    record.nMaxFile = kFileBufferLength;
    record.lpstrFileTitle = fileTitle.data();
    record.nMaxFileTitle = kFileTitleLength;
    record.lpstrInitialDir = startFolder.c_str();
    record.lpstrTitle = title.c_str();
    record.Flags = OpenFilesDialogFlags(multiSelect, showNetworkButton);

    const BOOL confirmed =
        Seams().getOpenFileName ? Seams().getOpenFileName(record) : GetOpenFileNameW(&record);
    if (!confirmed) {
        return false;
    }
    const std::string answer = ReadResultStrings(Utf8FromWide(file));
    return ReadOpenFilesAnswer(answer, folder, names, count);
}

std::string BrowseForFolder(HWND owner, const std::string& title, bool allowAnyItem,
                            bool includeFiles) {
    const std::wstring titleText = WideFromUtf8(title);
    std::wstring displayName(MAX_PATH, L'\0');
    BROWSEINFOW record{};
    record.hwndOwner = owner;
    record.pidlRoot = nullptr;
    record.pszDisplayName = displayName.data();
    record.lpszTitle = titleText.c_str();
    record.ulFlags = allowAnyItem ? 0 : (BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN);
    if (includeFiles) {
        record.ulFlags |= BIF_BROWSEINCLUDEFILES;
    }
    const PIDLIST_ABSOLUTE chosen =
        Seams().browseForFolder ? Seams().browseForFolder(record) : SHBrowseForFolderW(&record);
    if (chosen == nullptr) {
        return {};
    }
    std::wstring path(MAX_PATH, L' ');
    const BOOL found = SHGetPathFromIDListW(chosen, path.data());
    CoTaskMemFree(chosen);
    if (!found) {
        return {};
    }
    path.resize(path.find(L'\0') == std::wstring::npos ? path.size() : path.find(L'\0'));
    return Utf8FromWide(path);
}

} // namespace folionix
