#pragma once

#include "conversion/ListBox.h"

#include <cstdint>
#include <string>

namespace folionix {

// Index of the first item whose text equals text, or -1; built from the list's prefix search
// as the list box offers it. Letter case counts where the platform's file names keep it
// (photo.jpg and PHOTO.JPG are two files there) and is ignored where they do not.
std::int32_t FindListItem(const ListBox& list, const std::string& text);

} // namespace folionix
