#include "pdf/modPDF.h"

#include "common/CheckedMath.h"
#include "common/Clock.h"
#include "common/PathCase.h"
#include "common/RunError.h"
#include "common/Text.h"
#include "pdf/modPDF_internal.h"

#include <array>
#include <charconv>
#include <cmath>
#include <system_error>
#include <utility>

namespace folionix {
namespace pdf_detail {

DocumentSession& MutableSession() {
    static DocumentSession session;
    return session;
}

void ResetSession(const std::string& path) {
    DocumentSession& session = MutableSession();
    session = DocumentSession{};
    session.documentPath = path;
}

} // namespace pdf_detail

using pdf_detail::AppendNumber;
using pdf_detail::AppendObjectHead;

namespace {

// Appends at the current end of an open file. A file whose length cannot be taken or a write
// the platform refuses (disk full and the like) ends the run: the document would be corrupt.
void AppendAtEnd(File& file, const std::string& path, std::string_view text) {
    const std::int64_t size = file.Size();
    if (size < 0 || !file.WriteAt(size, text)) {
        throw RunError("Cannot write to " + path + ": " + LastSystemErrorText());
    }
}

} // namespace

const DocumentSession& PdfSession() {
    return pdf_detail::MutableSession();
}

bool PdfOpenDocument(const std::string& path, const std::string& version,
                     const LocalTime& created) {
    std::string trimmed = TrimSpaces(version);
    if (trimmed.size() != 3) {
        trimmed = "1.4";
    }

    // The second line's high bytes tell transfer programs that the file is binary.
    std::string header;
    header.reserve(48);
    header.append("%PDF-").append(trimmed).push_back('\n');
    header.append("%\xE4\xE3\xCF\xD2\xBF\n");
    header.push_back('\n');
    header.append("%-[").append(FormatDate(created)).push_back(' ');
    header.append(FormatClockTime(created)).append("]-%\n");

    if (!File::Open(path, File::Mode::CreateTruncate)) {
        return false;
    }
    const bool written = PdfWriteText(path, header);
    pdf_detail::ResetSession(path);
    return written;
}

bool PdfWriteText(const std::string& path, std::string_view text) {
    if (text.empty()) {
        return true;
    }
    // Opened for appending, the file takes the text at its end without being asked its length.
    std::optional<File> file = File::Open(path, File::Mode::Append);
    if (!file) {
        return false;
    }
    if (!file->Append(text)) {
        throw RunError("Cannot write to " + path + ": " + LastSystemErrorText());
    }
    return true;
}

bool PdfWriteText(const std::string& path, std::string_view text, File& handle) {
    if (!text.empty()) {
        AppendAtEnd(handle, path, text);
    }
    return true;
}

std::int32_t PdfFileLength(const std::string& path) {
    std::optional<File> file = File::Open(path, File::Mode::ReadWrite);
    if (!file) {
        return -1;
    }
    return PdfFileLength(path, *file);
}

std::int32_t PdfFileLength(const std::string& /*path*/, File& handle) {
    const std::int64_t size = handle.Size();
    if (size < 0) {
        return -1;
    }
    return CheckedInt32(size, "the document's length");
}

void PdfRecordObject(const std::string& path, std::int32_t objectNumber, std::int32_t generation,
                     std::int32_t offset, const std::string& kind) {
    DocumentSession& session = pdf_detail::MutableSession();
    if (!path.empty() && !SamePathText(path, session.documentPath)) {
        session.objectTable.clear();
        session.documentPath = path;
    }
    if (session.objectTable.capacity() == 0) {
        session.objectTable.reserve(1000);
    }
    session.objectTable.push_back(ObjectRecord{objectNumber, generation, offset, kind});
}

// The rounding works on the exact decimal value of the double, so that halves are recognised
// as halves: the fixed notation with 70 fractional digits is exact for every double whose
// magnitude is at least 2^-12 (at most 64 fractional binary digits), and anything smaller
// rounds to zero anyway. The digit in the fourth decimal place then decides: 5 or more rounds
// the magnitude up (halves away from zero), less truncates.
std::string PdfFormatNumber(double value) {
    if (value == 0.0 || !std::isfinite(value)) {
        return "0";
    }
    const bool negative = value < 0.0;
    const double magnitude = std::fabs(value);
    // Below 0.0005 (the double nearest to it lies above the exact half) nothing survives the
    // rounding: a positive value gives "0.0", a negative one plain "0" rather than "-0.0".
    if (magnitude < 0.0005) {
        return negative ? "0" : "0.0";
    }

    std::array<char, 400> exact{};
    const auto converted = std::to_chars(exact.data(), exact.data() + exact.size(), magnitude,
                                         std::chars_format::fixed, 70);
    if (converted.ec != std::errc()) {
        return "0"; // cannot happen: the buffer holds the widest double
    }
    const std::string_view text(exact.data(),
                                static_cast<std::size_t>(converted.ptr - exact.data()));
    const std::size_t point = text.find('.');

    // Integer digits followed by the first three fractional digits, as one digit string.
    std::string digits(text.substr(0, point));
    digits.append(text.substr(point + 1, 3));
    if (text[point + 4] >= '5') {
        std::size_t i = digits.size();
        while (i > 0 && digits[i - 1] == '9') {
            digits[--i] = '0';
        }
        if (i == 0) {
            digits.insert(digits.begin(), '1');
        } else {
            ++digits[i - 1];
        }
    }

    std::string result;
    result.reserve(digits.size() + 2);
    if (negative) {
        result.push_back('-');
    }
    const std::size_t integerDigits = digits.size() - 3;
    result.append(digits, 0, integerDigits);
    result.push_back('.');
    std::size_t fractionEnd = digits.size();
    while (fractionEnd > integerDigits + 1 && digits[fractionEnd - 1] == '0') {
        --fractionEnd;
    }
    result.append(digits, integerDigits, fractionEnd - integerDigits);
    return result;
}

std::string PdfObjectText(std::int32_t objectNumber, std::int32_t generation,
                          std::string_view body) {
    std::string text;
    text.reserve(body.size() + 32);
    AppendObjectHead(text, objectNumber, generation);
    text.append(body).append("\nendobj\n");
    return text;
}

std::string PdfStreamHead(std::int32_t objectNumber, std::int32_t generation,
                          std::string_view lengthReference) {
    std::string text;
    text.reserve(lengthReference.size() + 40);
    AppendObjectHead(text, objectNumber, generation);
    text.append("<</Length ").append(lengthReference).append(">>\nstream\n");
    return text;
}

std::string PdfStreamTail() {
    return "endstream\nendobj\n";
}

} // namespace folionix
