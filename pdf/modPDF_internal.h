#pragma once

// Shared by the files of the PDF writer only; callers use pdf/modPDF.h.

#include "pdf/modPDF.h"

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>

namespace folionix::pdf_detail {

// The one session, writable. Only the writer's own operations change it.
DocumentSession& MutableSession();

// Puts the session back to its state after an open: no objects, no images, no open page,
// page tree root 1, next object 2, and the given document path.
void ResetSession(const std::string& path);

// The steps that end an open page (stream tail, length object, resource dictionary). With a
// handle every append goes through it (the close); without one each append opens the file by
// name. The caller has checked that a page is open.
bool EndOpenPage(const std::string& path, File* handle);

// Registers a resource name unless it is already registered (then nothing changes).
void RegisterImage(const std::string& resourceName, std::int32_t objectNumber,
                   std::int32_t generation, const std::string& sourcePath);

// The record registered under the name, or nullptr.
const ImageRecord* LookupImageByName(const std::string& name);

// Forgets the lookup indices of the image registry; ResetSession calls it.

// Appends a plain decimal integer (a leading "-" only for a negative value).
inline void AppendNumber(std::string& out, std::int64_t value) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

// The first line of every object: "N G obj" and a line feed.
inline void AppendObjectHead(std::string& out, std::int32_t objectNumber, std::int32_t generation) {
    AppendNumber(out, objectNumber);
    out.push_back(' ');
    AppendNumber(out, generation);
    out.append(" obj\n");
}

} // namespace folionix::pdf_detail
