#pragma once

#include <cstddef>
#include <string_view>

namespace folionix {

// Whether this platform's file names ignore letter case: on Windows and macOS photo.jpg and
// PHOTO.JPG name one file, elsewhere they are two files. The image list's duplicate check and
// the writer's check of the document path follow it, so that two files are never taken for one.
#if defined(_WIN32) || defined(__APPLE__)
inline constexpr bool kFileNamesIgnoreCase = true;
#else
inline constexpr bool kFileNamesIgnoreCase = false;
#endif

// Whether two path texts name the same file by this platform's letter-case rule: equal, or on
// systems that ignore case equal apart from the case of ASCII letters (never the locale's).
inline bool SamePathText(std::string_view a, std::string_view b) {
#if defined(_WIN32) || defined(__APPLE__)
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        x = (x >= 'A' && x <= 'Z') ? static_cast<char>(x - 'A' + 'a') : x;
        y = (y >= 'A' && y <= 'Z') ? static_cast<char>(y - 'A' + 'a') : y;
        if (x != y) {
            return false;
        }
    }
    return true;
#else
    return a == b;
#endif
}

} // namespace folionix
