#pragma once

#include "common/FileAccess.h"

#include <cstddef>
#include <string>

namespace folionix {

// The text without leading and trailing spaces (only the space character: tabs are part of
// list entries and dialog answers).
inline std::string TrimSpaces(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    const std::size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

// A folder text that ends with the platform's separator: one is appended when it is missing
// (so "C:" becomes "C:\" and "C:\" stays as it is).
inline std::string WithTrailingSeparator(std::string folder) {
    if (folder.empty() || folder.back() != kPathSeparator) {
        folder.push_back(kPathSeparator);
    }
    return folder;
}

} // namespace folionix
