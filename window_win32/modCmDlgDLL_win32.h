#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace folionix {

// The platform half of the two common dialogs; the answer is read by the text half
// (dialogs/modCmDlgDLL.h), so the rules for folders, names and their order are kept once.

// GetOpenFileNameW with one filter pair per description/pattern (the first in force), the title
// "Select a File...", an 8001-character file buffer filled with spaces, and the flags
// OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_EXPLORER | OFN_LONGNAMES, plus
// OFN_ALLOWMULTISELECT for multiSelect and OFN_NONETWORKBUTTON without showNetworkButton. It
// opens in initialFolder or, when that is empty, the current directory; a confirmed choice makes
// the chosen folder the current directory. Cancel (or a choice too long for the buffer) returns
// false with the outputs untouched.
bool ShowOpenFilesDialog(const std::vector<std::string>& descriptions,
                         const std::vector<std::string>& patterns, HWND owner, std::string& folder,
                         std::vector<std::string>& names, std::int32_t& count, bool multiSelect,
                         const std::string& initialFolder, bool showNetworkButton);

// The flags the open-files dialog runs with: 0x281004, 0x200 more for multiSelect, 0x20000 more
// without the network button.
DWORD OpenFilesDialogFlags(bool multiSelect, bool showNetworkButton);

// SHBrowseForFolderW with the title, no root and no callback; flags 0 with allowAnyItem, else
// BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN, plus BIF_BROWSEINCLUDEFILES for includeFiles.
// The chosen folder's path as SHGetPathFromIDListW gives it ("C:\" for a root, no trailing
// backslash otherwise), or "" for Cancel or an item without a file-system path.
std::string BrowseForFolder(HWND owner, const std::string& title, bool allowAnyItem,
                            bool includeFiles);

} // namespace folionix
