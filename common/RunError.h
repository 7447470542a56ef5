#pragma once

#include <stdexcept>
#include <string>

namespace folionix {

// The one error that ends a run: a 32-bit overflow in sizes, numbers or offsets, or a read or
// write that fails while image bytes are copied or while a document is closed. Everything else
// reports failure through a bool result. Caught only by the two front ends.
class RunError : public std::runtime_error {
public:
    explicit RunError(const std::string& what) : std::runtime_error(what) {}
};

} // namespace folionix
