#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace folionix {

// The text half of the open-files dialog: turning the dialog's answer into a folder and a
// sorted name list. The dialog itself (the Qt half) lives with the window.

// The strings of a NUL-separated answer up to the first empty one, each followed by one NUL.
std::string ReadResultStrings(const std::string& buffer);

// Reads the answer text R: one full path, or a folder followed by bare names. Sets folder (with
// a trailing separator) and inserts the names sorted without duplicates. True when R was not
// empty.
bool ReadOpenFilesAnswer(const std::string& answer, std::string& folder,
                         std::vector<std::string>& names, std::int32_t& count);

void InsertNameSorted(std::vector<std::string>& names, std::int32_t& count, const std::string& name,
                      bool noDuplicates);
std::int32_t FindInsertPosition(const std::vector<std::string>& names, std::int32_t count,
                                const std::string& name);
void OpenSlotAt(std::vector<std::string>& names, std::int32_t count, std::int32_t position);

// The "Add Files" dialog's filters as both windows pass them: descriptions and patterns, the
// first in force when the dialog opens.
struct OpenFileFilters {
    std::vector<std::string> descriptions;
    std::vector<std::string> patterns;
};
const OpenFileFilters& AddFilesFilters();

} // namespace folionix
