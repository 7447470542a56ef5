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

} // namespace

std::string DocumentProblem(std::string_view pdf) {
    const std::size_t start = pdf.rfind("startxref\n");
    if (start == std::string_view::npos || !pdf.ends_with("%%EOF\n")) {
        return "no startxref or %%EOF at the end";
    }
    const std::int64_t xref = NumberAt(pdf, start + 10);
    if (xref < 0 || static_cast<std::size_t>(xref) >= pdf.size() ||
        pdf.substr(static_cast<std::size_t>(xref), 7) != "xref\n0 ") {
        return "startxref does not point at a cross-reference table";
    }
    std::size_t at = static_cast<std::size_t>(xref) + 7;
    const std::int64_t count = NumberAt(pdf, at);
    at = pdf.find('\n', at);
    if (count < 1 || at == std::string_view::npos) {
        return "no subsection count";
    }
    ++at;
    std::map<std::int64_t, std::size_t> offsets; // object number -> offset of its line
    for (std::int64_t k = 0; k < count; ++k, at += 20) {
        if (at + 20 > pdf.size() || pdf.substr(at + 18, 2) != "\r\n") {
            return "a cross-reference row is not 20 bytes ending in CR LF";
        }
        if (k == 0) {
            continue;
        }
        const std::int64_t offset = NumberAt(pdf, at);
        const std::string head = std::to_string(k) + " 0 obj\n";
        if (offset < 0 || static_cast<std::size_t>(offset) + head.size() > pdf.size() ||
            pdf.substr(static_cast<std::size_t>(offset), head.size()) != head) {
            return "the row of object " + std::to_string(k) + " does not point at its line";
        }
        offsets[k] = static_cast<std::size_t>(offset);
    }
    // Every stream: its /Length, direct or through an object that holds the number.
    for (const auto& [number, offset] : offsets) {
        const std::size_t end = pdf.find("endobj\n", offset);
        const std::size_t stream = pdf.find(">>\nstream\n", offset);
        if (stream == std::string_view::npos || stream > end) {
            continue;
        }
        const std::size_t key = pdf.find("/Length ", offset);
        if (key == std::string_view::npos || key > stream) {
            return "stream object " + std::to_string(number) + " has no /Length";
        }
        std::int64_t length = NumberAt(pdf, key + 8);
        const std::size_t afterNumber = pdf.find_first_not_of("0123456789", key + 8);
        if (afterNumber != std::string_view::npos && pdf.substr(afterNumber, 4) == " 0 R") {
            const auto target = offsets.find(length);
            if (target == offsets.end()) {
                return "a /Length refers to a missing object";
            }
            length = NumberAt(pdf, pdf.find('\n', target->second) + 1);
        }
        // The data may end with its own line feed (content streams) or be followed by one
        // (image files).
        const std::size_t data = stream + 10;
        const std::size_t after = data + static_cast<std::size_t>(length);
        if (length < 0 || after + 10 > pdf.size() ||
            (pdf.substr(after, 10) != "\nendstream" && pdf.substr(after, 9) != "endstream")) {
            return "the stream of object " + std::to_string(number) + " is not /Length long";
        }
    }
    return std::string();
}

} // namespace folionix::test
