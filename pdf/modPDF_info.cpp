#include "pdf/modPDF.h"

#include "common/PathCase.h"

#include "pdf/modPDF_internal.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace folionix {

using pdf_detail::AppendObjectHead;

namespace {

// Decodes one UTF-8 sequence at text[at], advancing at; a malformed or overlong sequence, a
// surrogate or a value past U+10FFFF gives U+FFFD for its first byte.
std::uint32_t NextCodePoint(std::string_view text, std::size_t& at) {
    constexpr std::uint32_t kReplacement = 0xFFFD;
    const auto lead = static_cast<std::uint8_t>(text[at++]);
    if (lead < 0x80) {
        return lead;
    }
    std::size_t length = 0;
    std::uint32_t value = 0;
    std::uint32_t smallest = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 1;
        value = lead & 0x1Fu;
        smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 2;
        value = lead & 0x0Fu;
        smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 3;
        value = lead & 0x07u;
        smallest = 0x10000;
    } else {
        return kReplacement;
    }
    if (text.size() - at < length) {
        return kReplacement;
    }
    for (std::size_t i = 0; i < length; ++i) {
        const auto next = static_cast<std::uint8_t>(text[at + i]);
        if ((next & 0xC0) != 0x80) {
            return kReplacement;
        }
        value = (value << 6) | (next & 0x3Fu);
    }
    if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return kReplacement;
    }
    at += length;
    return value;
}

void AppendHexUnit(std::string& out, std::uint32_t unit) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    for (int shift = 12; shift >= 0; shift -= 4) {
        out.push_back(kDigits[(unit >> shift) & 0xFu]);
    }
}

void AppendEntry(std::string& out, const char* key, const std::string& value) {
    if (!value.empty()) {
        out.append(key).push_back(' ');
        out.append(PdfTextString(value)).push_back('\n');
    }
}

} // namespace

bool PdfSetDocumentInfo(const std::string& path, const DocumentInfo& info) {
    DocumentSession& session = pdf_detail::MutableSession();
    if (!SamePathText(path, session.documentPath)) {
        return false;
    }
    session.documentInfo = info;
    return true;
}

std::string PdfTextString(std::string_view utf8) {
    bool printable = true;
    for (const char c : utf8) {
        printable = printable && c >= ' ' && c <= '~';
    }
    std::string out;
    if (printable) {
        out.push_back('(');
        for (const char c : utf8) {
            if (c == '(' || c == ')' || c == '\\') {
                out.push_back('\\');
            }
            out.push_back(c);
        }
        out.push_back(')');
        return out;
    }
    // Readers take a string that starts with FE FF as UTF-16BE; hexadecimal keeps the file's
    // bytes printable.
    out.append("<FEFF");
    for (std::size_t at = 0; at < utf8.size();) {
        const std::uint32_t code = NextCodePoint(utf8, at);
        if (code >= 0x10000) {
            const std::uint32_t offset = code - 0x10000;
            AppendHexUnit(out, 0xD800 + (offset >> 10));
            AppendHexUnit(out, 0xDC00 + (offset & 0x3FFu));
        } else {
            AppendHexUnit(out, code);
        }
    }
    out.push_back('>');
    return out;
}

std::string PdfInfoText(std::int32_t infoObject, std::int32_t generation,
                        const DocumentInfo& info) {
    std::string text;
    AppendObjectHead(text, infoObject, generation);
    text.append("<<");
    AppendEntry(text, "/Title", info.title);
    AppendEntry(text, "/Author", info.author);
    AppendEntry(text, "/Subject", info.subject);
    AppendEntry(text, "/Keywords", info.keywords);
    text.append(">>\nendobj\n");
    return text;
}

} // namespace folionix
