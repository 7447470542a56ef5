#include "support/DocumentCheck.h"

#include <charconv>
#include <cstdint>
#include <map>
#include <string>

namespace folionix::test {
namespace {

// The decimal number at the position (digits only); -1 when there is none.
std::int64_t NumberAt(std::string_view text, std::size_t at) {
    std::int64_t value = -1;
    if (at < text.size()) {
        std::from_chars(text.data() + at, text.data() + text.size(), value);
    }
    return value;
}

// Whether the text holds the part at the position (a negative one holds nothing).
bool HasAt(std::string_view text, std::int64_t at, std::string_view part) {
    return at >= 0 && static_cast<std::size_t>(at) <= text.size() &&
           text.substr(static_cast<std::size_t>(at)).starts_with(part);
}

} // namespace

std::string DocumentProblem(std::string_view pdf) {
    const std::size_t start = pdf.rfind("startxref\n");
    const std::int64_t xref = start == std::string_view::npos ? -1 : NumberAt(pdf, start + 10);
    if (!pdf.ends_with("%%EOF\n") || !HasAt(pdf, xref, "xref\n0 ")) {
        return "no %%EOF at the end, or startxref does not point at a cross-reference table";
    }
    // The document ends in a line feed, so the subsection line has an end.
    const std::int64_t count = NumberAt(pdf, static_cast<std::size_t>(xref) + 7);
    std::size_t at = pdf.find('\n', static_cast<std::size_t>(xref) + 7);
    if (count < 1) {
        return "no subsection count";
    }
    std::map<std::int64_t, std::size_t> offsets; // object number -> offset of its line
    for (std::int64_t k = 0; k < count; ++k, at += 20) {
        const std::int64_t offset = NumberAt(pdf, at + 1);
        // Twenty bytes ending in CR LF; past the free-list head, the offset of "k 0 obj".
        if (!HasAt(pdf, static_cast<std::int64_t>(at) + 19, "\r\n") ||
            (k > 0 && !HasAt(pdf, offset, std::to_string(k) + " 0 obj\n"))) {
            return "the cross-reference row of object " + std::to_string(k) + " is wrong";
        }
        offsets[k] = static_cast<std::size_t>(offset);
    }
    offsets.erase(0); // the head of the free list
    // Every stream: its /Length, direct or through an object that holds the number.
    for (const auto& [number, offset] : offsets) {
        const std::size_t stream = pdf.find(">>\nstream\n", offset);
        if (stream == std::string_view::npos || stream > pdf.find("endobj\n", offset)) {
            continue;
        }
        const std::size_t key = pdf.find("/Length ", offset);
        if (key == std::string_view::npos || key > stream) {
            return "stream object " + std::to_string(number) + " has no /Length";
        }
        std::int64_t length = NumberAt(pdf, key + 8);
        const std::size_t afterNumber = pdf.find_first_not_of("0123456789", key + 8);
        if (HasAt(pdf, static_cast<std::int64_t>(afterNumber), " 0 R")) {
            const auto target = offsets.find(length); // a missing one gives no length
            length =
                target == offsets.end() ? -1 : NumberAt(pdf, pdf.find('\n', target->second) + 1);
        }
        // The data may end with its own line feed (content streams) or be followed by one
        // (image files).
        const std::int64_t after = static_cast<std::int64_t>(stream + 10) + length;
        if (length < 0 || length > static_cast<std::int64_t>(pdf.size()) ||
            !(HasAt(pdf, after, "\nendstream") || HasAt(pdf, after, "endstream"))) {
            return "the stream of object " + std::to_string(number) + " is not /Length long";
        }
    }
    return std::string();
}

} // namespace folionix::test
