#pragma once

#include "conversion/ListBox.h"

#include <cstdint>
#include <string>

namespace folionix {

// Index of the first item whose text equals text apart from letter case, or -1; built from the
// list's prefix search as the list box offers it.
std::int32_t FindListItem(const ListBox& list, const std::string& text);

} // namespace folionix
