#include "pdf/modPDF.h"

#include "common/CheckedMath.h"
#include "pdf/modPDF_internal.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <charconv>

namespace folionix {

using pdf_detail::AppendNumber;
using pdf_detail::AppendObjectHead;

namespace {

// Puts the session back to its initial state when the close leaves, also when a write error
// ends the run in the middle of it.
struct SessionResetOnExit {
    SessionResetOnExit() = default;
    SessionResetOnExit(const SessionResetOnExit&) = delete;
    SessionResetOnExit& operator=(const SessionResetOnExit&) = delete;
    ~SessionResetOnExit() { pdf_detail::ResetSession(std::string()); }
};

// Writes value with exactly `width` digits, zero-padded on the left, into out[0..width).
// Cross-reference rows need fixed widths. Every value fits: offsets are 0 to 2^31 - 1 (ten
// digits, the writer ends the run before one grows past that) and generations are 0.
void PutPadded(char* out, std::size_t width, std::int32_t value) {
    assert(value >= 0);
    std::fill(out, out + width, '0');
    std::array<char, 10> digits{};
    char* end = std::to_chars(digits.data(), digits.data() + digits.size(), value).ptr;
    const auto length = static_cast<std::size_t>(end - digits.data());
    std::copy(digits.data(), end, out + (width - length));
}

} // namespace

bool PdfCloseDocument(const std::string& path, const EventPump& pumpEvents) {
    SessionResetOnExit resetOnExit;
    std::optional<File> handle = File::Open(path, File::Mode::ReadWrite);
    if (!handle) {
        return false;
    }
    DocumentSession& session = pdf_detail::MutableSession();
    File& file = *handle;

    if (session.openPage) {
        static_cast<void>(pdf_detail::EndOpenPage(path, &file));
    }

    // The catalog takes the next free number without advancing the counter: the page tree
    // root is not numbered from it (it has had number 1 since the open), and the counter is
    // reset below anyway.
    const std::int32_t catalogObject = session.nextObjectNumber;
    PdfRecordObject(path, catalogObject, 0, PdfFileLength(path, file), "/Catalog");
    PdfWriteText(
        path, PdfCatalogText(catalogObject, 0, session.pageTreeObject, session.pageTreeGeneration),
        file);

    std::vector<std::pair<std::int32_t, std::int32_t>> pages;
    for (const ObjectRecord& record : session.objectTable) {
        if (record.kind == "/Page") {
            pages.emplace_back(record.objectNumber, record.generation);
        }
    }
    PdfRecordObject(path, session.pageTreeObject, session.pageTreeGeneration,
                    PdfFileLength(path, file), "/Pages");
    PdfWriteText(path, PdfPageTreeText(session.pageTreeObject, session.pageTreeGeneration, pages),
                 file);

    // The information dictionary, when set, takes the number after the catalog's.
    std::int32_t infoObject = 0;
    if (!session.documentInfo.IsEmpty()) {
        infoObject = CheckedAdd(catalogObject, 1, "the object count");
        PdfRecordObject(path, infoObject, 0, PdfFileLength(path, file), "");
        PdfWriteText(path, PdfInfoText(infoObject, 0, session.documentInfo), file);
    }

    const std::vector<std::size_t> order = SortObjectTable(pumpEvents);

    const std::int32_t crossReferenceOffset = PdfFileLength(path, file);
    const std::int32_t recordCount =
        CheckedInt32(static_cast<std::int64_t>(session.objectTable.size()), "the object count");
    std::string head = "xref\n0 ";
    AppendNumber(head, CheckedAdd(recordCount, 1, "the cross-reference size"));
    head.push_back('\n');
    PdfWriteText(path, head, file);
    PdfWriteText(path, "0000000000 65535 f\r\n", file);

    // Each row is 20 bytes: ten-digit offset, space, five-digit generation, " n", CR LF.
    std::array<char, 20> row{};
    row[10] = ' ';
    row[16] = ' ';
    row[17] = 'n';
    row[18] = '\r';
    row[19] = '\n';
    for (const std::size_t index : order) {
        const ObjectRecord& record = session.objectTable.at(index);
        PutPadded(row.data(), 10, record.offset);
        PutPadded(row.data() + 11, 5, record.generation);
        PdfWriteText(path, std::string_view(row.data(), row.size()), file);
    }

    return PdfWriteText(
        path, PdfTrailerText(recordCount, catalogObject, 0, crossReferenceOffset, infoObject),
        file);
}

std::string PdfCatalogText(std::int32_t catalogObject, std::int32_t generation,
                           std::int32_t pageTreeObject, std::int32_t pageTreeGeneration) {
    std::string text;
    text.reserve(64);
    AppendObjectHead(text, catalogObject, generation);
    text.append("<</Type /Catalog\n/Pages ");
    AppendNumber(text, pageTreeObject);
    text.push_back(' ');
    AppendNumber(text, pageTreeGeneration);
    text.append(" R\n>>\nendobj\n");
    return text;
}

std::string PdfPageTreeText(std::int32_t pageTreeObject, std::int32_t generation,
                            const std::vector<std::pair<std::int32_t, std::int32_t>>& pages) {
    std::string text;
    text.reserve(64 + pages.size() * 12);
    AppendObjectHead(text, pageTreeObject, generation);
    text.append("<</Type /Pages\n/Kids [");
    for (const auto& [object, pageGeneration] : pages) {
        AppendNumber(text, object);
        text.push_back(' ');
        AppendNumber(text, pageGeneration);
        text.append(" R ");
    }
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    text.append("]\n/Count ");
    AppendNumber(text, static_cast<std::int64_t>(pages.size()));
    text.append("\n>>\nendobj\n");
    return text;
}

std::string PdfTrailerText(std::int32_t recordCount, std::int32_t catalogObject,
                           std::int32_t catalogGeneration, std::int32_t crossReferenceOffset,
                           std::int32_t infoObject) {
    std::string text;
    text.reserve(80);
    text.append("trailer <</Size ");
    AppendNumber(text, CheckedAdd(recordCount, 1, "the cross-reference size"));
    text.append(" /Root ");
    AppendNumber(text, catalogObject);
    text.push_back(' ');
    AppendNumber(text, catalogGeneration);
    text.append(" R");
    if (infoObject != 0) {
        text.append(" /Info ");
        AppendNumber(text, infoObject);
        text.append(" 0 R");
    }
    text.append(">>\n\nstartxref\n");
    AppendNumber(text, crossReferenceOffset);
    text.append("\n%%EOF\n");
    return text;
}

// Records arrive almost in ascending order (only the page tree root, number 1, comes last), so
// the insertion sort stays near linear. The window gets a chance to process its events after
// every 1001 records placed: a table of n records calls the pump floor(n / 1001) times.
std::vector<std::size_t> SortObjectTable(const EventPump& pumpEvents) {
    // The numbers are copied first: the event pump runs foreign code in the middle of the sort.
    const std::vector<ObjectRecord>& table = pdf_detail::MutableSession().objectTable;
    std::vector<std::int32_t> numbers;
    numbers.reserve(table.size());
    for (const ObjectRecord& record : table) {
        numbers.push_back(record.objectNumber);
    }
    std::vector<std::size_t> order;
    order.reserve(numbers.size());
    std::size_t examined = 0;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        const std::int32_t number = numbers[i];
        std::size_t place = order.size();
        while (place > 0 && numbers[order[place - 1]] >= number) {
            --place;
        }
        order.insert(order.begin() + static_cast<std::ptrdiff_t>(place), i);
        if (++examined % 1001 == 0 && pumpEvents) {
            pumpEvents();
        }
    }
    return order;
}

} // namespace folionix
