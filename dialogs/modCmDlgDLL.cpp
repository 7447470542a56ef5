#include "dialogs/modCmDlgDLL.h"

#include "common/FileAccess.h"
#include "common/Text.h"

#include <cstddef>

namespace folionix {
namespace {

std::vector<std::string> SplitAtNul(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t nul = text.find('\0', start);
        if (nul == std::string::npos) {
            parts.push_back(text.substr(start));
            return parts;
        }
        parts.push_back(text.substr(start, nul - start));
        start = nul + 1;
    }
}

} // namespace

std::string ReadResultStrings(const std::string& buffer) {
    std::string result;
    std::size_t start = 0;
    while (start < buffer.size()) {
        std::size_t end = buffer.find('\0', start);
        if (end == std::string::npos) {
            // A buffer without its last terminator ends where the text ends.
            end = buffer.size();
        }
        if (end == start) {
            break;
        }
        result.append(buffer, start, end - start);
        result.push_back('\0');
        start = end + 1;
    }
    return result;
}

bool ReadOpenFilesAnswer(const std::string& answer, std::string& folder,
                         std::vector<std::string>& names, std::int32_t& count) {
    const std::string trimmed = TrimSpaces(answer);
    if (trimmed.empty()) {
        return false;
    }
    const std::vector<std::string> parts = SplitAtNul(trimmed);
    if (parts.size() == 1 || TrimSpaces(parts[1]).empty()) {
        // One full path; the blank second part is the buffer's padding behind the terminator.
        const std::string path = TrimSpaces(parts[0]);
        const std::size_t separator = path.rfind(kPathSeparator);
        folder = separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
        InsertNameSorted(names, count,
                         separator == std::string::npos ? path : path.substr(separator + 1),
                         /*noDuplicates*/ true);
    } else {
        folder = WithTrailingSeparator(TrimSpaces(parts[0]));
        for (std::size_t i = 1; i < parts.size(); ++i) {
            const std::string name = TrimSpaces(parts[i]);
            if (!name.empty()) {
                InsertNameSorted(names, count, name, /*noDuplicates*/ true);
            }
        }
    }
    return true;
}

void InsertNameSorted(std::vector<std::string>& names, std::int32_t& count, const std::string& name,
                      bool noDuplicates) {
    if (name.empty()) {
        return;
    }
    if (names.empty()) {
        names.assign(1, name);
        count = 1;
        return;
    }
    const std::int32_t position = FindInsertPosition(names, count, name);
    if (noDuplicates && position >= 0 && static_cast<std::size_t>(position) < names.size() &&
        names[static_cast<std::size_t>(position)] == name) {
        return;
    }
    OpenSlotAt(names, count, position);
    names[static_cast<std::size_t>(position)] = name;
    count = count + 1;
}

std::int32_t FindInsertPosition(const std::vector<std::string>& names, std::int32_t count,
                                const std::string& name) {
    if (names.empty() || count < 1) {
        return 0;
    }
    // Never look past the list the caller holds, whatever the count says.
    std::int32_t low = 0;
    std::int32_t high = count - 1;
    if (static_cast<std::size_t>(high) >= names.size()) {
        high = static_cast<std::int32_t>(names.size()) - 1;
    }
    for (;;) {
        const std::int32_t middle = (low + high) / 2;
        const int order = name.compare(names[static_cast<std::size_t>(middle)]);
        if (order > 0) {
            low = middle + 1;
            if (low > high) {
                return low;
            }
        } else if (order < 0) {
            high = middle;
            if (high == low) {
                return middle;
            }
        } else {
            return middle;
        }
    }
}

void OpenSlotAt(std::vector<std::string>& names, std::int32_t count, std::int32_t position) {
    if (names.empty()) {
        names.resize(1);
        return;
    }
    if (static_cast<std::size_t>(count) >= names.size()) {
        names.resize(names.size() + 1);
    }
    // A count larger than the list would move names past its end: start at the last one.
    std::int32_t first = count - 1;
    if (static_cast<std::size_t>(first) + 2 > names.size()) {
        first = static_cast<std::int32_t>(names.size()) - 2;
    }
    for (std::int32_t i = first; i >= position && i >= 0; --i) {
        names[static_cast<std::size_t>(i) + 1] = names[static_cast<std::size_t>(i)];
    }
    if (position >= 0 && static_cast<std::size_t>(position) < names.size()) {
        names[static_cast<std::size_t>(position)] = std::string();
    }
}

const OpenFileFilters& AddFilesFilters() {
    static const OpenFileFilters filters{
        {"All Supported Files", "JPG Files", "JP2 Files", "J2K Files"},
        {"*.JPG; *.JPEG; *.JPE; *.JP2; *.J2K", "*.JPG; *.JPEG; *.JPE", "*.JP2", "*.J2K"}};
    return filters;
}

} // namespace folionix
