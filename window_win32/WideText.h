#pragma once

#include <string>
#include <string_view>

namespace folionix {

// The window talks to the platform through its wide (UTF-16) calls and keeps UTF-8 inside, as
// the core does, so that names outside the ANSI code page survive. Both conversions keep
// embedded NULs: the open-files dialog answers with NUL-separated names.
std::wstring WideFromUtf8(std::string_view utf8);
std::string Utf8FromWide(std::wstring_view wide);

} // namespace folionix
