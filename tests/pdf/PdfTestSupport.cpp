#include "pdf/PdfTestSupport.h"

#include "common/Clock.h"
#include "pdf/modPDF.h"

#include <charconv>
#include <string_view>

namespace folionix::test {

std::string PinnedHeader() {
    return std::string("%PDF-1.3\n") + "%\xE4\xE3\xCF\xD2\xBF\n" + "\n" +
           "%-[12-04-2026 05:13:48]-%\n";
}

namespace {

bool ParseNumber(std::string_view text, std::int64_t& value) {
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

} // namespace

::testing::AssertionResult CrossReferenceIsConsistent(const std::string& pdf) {
    const std::string tail = "\n%%EOF\n";
    if (pdf.size() < tail.size() || pdf.compare(pdf.size() - tail.size(), tail.size(), tail)) {
        return ::testing::AssertionFailure() << "the file does not end with %%EOF and LF";
    }
    const std::size_t startxref = pdf.rfind("\nstartxref\n");
    if (startxref == std::string::npos) {
        return ::testing::AssertionFailure() << "no startxref";
    }
    const std::size_t numberStart = startxref + 11;
    std::int64_t xref = 0;
    if (!ParseNumber(
            std::string_view(pdf).substr(numberStart, pdf.size() - tail.size() - numberStart),
            xref)) {
        return ::testing::AssertionFailure() << "startxref is not followed by a number";
    }
    const std::size_t at = static_cast<std::size_t>(xref);
    if (pdf.compare(at, 7, "xref\n0 ") != 0 || (at > 0 && pdf[at - 1] != '\n')) {
        return ::testing::AssertionFailure() << "startxref " << xref << " does not point at xref";
    }
    const std::size_t countEnd = pdf.find('\n', at + 7);
    std::int64_t size = 0;
    if (countEnd == std::string::npos ||
        !ParseNumber(std::string_view(pdf).substr(at + 7, countEnd - (at + 7)), size) || size < 1) {
        return ::testing::AssertionFailure() << "bad subsection line";
    }
    std::size_t row = countEnd + 1;
    if (pdf.compare(row, 20, "0000000000 65535 f\r\n") != 0) {
        return ::testing::AssertionFailure() << "bad free-list head row";
    }
    for (std::int64_t object = 1; object < size; ++object) {
        row += 20;
        const std::string_view text = std::string_view(pdf).substr(row, 20);
        if (text.size() != 20 || text.substr(10, 10) != " 00000 n\r\n") {
            return ::testing::AssertionFailure() << "bad row for object " << object;
        }
        std::int64_t offset = 0;
        if (!ParseNumber(text.substr(0, 10), offset) || offset < 0 ||
            static_cast<std::size_t>(offset) >= at) {
            return ::testing::AssertionFailure() << "bad offset for object " << object;
        }
        const std::string head = std::to_string(object) + " 0 obj\n";
        const std::size_t position = static_cast<std::size_t>(offset);
        if (pdf.compare(position, head.size(), head) != 0 ||
            (position > 0 && pdf[position - 1] != '\n')) {
            return ::testing::AssertionFailure()
                   << "row of object " << object << " points at offset " << offset
                   << " which does not start \"" << head.substr(0, head.size() - 1) << "\"";
        }
    }
    if (pdf.compare(row + 20, 16, "trailer <</Size ") != 0) {
        return ::testing::AssertionFailure() << "the trailer does not follow the last row";
    }
    return ::testing::AssertionSuccess();
}

bool HaveQpdf() {
    static const bool have = HaveTool("qpdf");
    return have;
}

::testing::AssertionResult QpdfAccepts(const std::string& path) {
    std::string output;
    const int status = RunCommand("qpdf --check " + ShellQuote(path) + " 2>&1", &output);
    if (status != 0) {
        return ::testing::AssertionFailure() << "qpdf --check exited with " << status << ":\n"
                                             << output;
    }
    return ::testing::AssertionSuccess();
}

std::string WritePicture(const TempDir& dir, const std::string& name, int width, int height,
                         bool grey) {
    std::string data =
        (grey ? "P5\n" : "P6\n") + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto red = static_cast<char>((x * 255) / (width > 1 ? width - 1 : 1));
            const auto green = static_cast<char>((y * 255) / (height > 1 ? height - 1 : 1));
            if (grey) {
                data.push_back(red);
            } else {
                data.push_back(red);
                data.push_back(green);
                data.push_back(static_cast<char>(((x / 8 + y / 8) % 2) * 255));
            }
        }
    }
    const std::string path = dir.File(name + (grey ? ".pgm" : ".ppm"));
    WriteText(path, data);
    return path;
}

std::string MakeJpeg(const TempDir& dir, const std::string& name, int width, int height,
                     bool grey) {
    if (!HaveTool("cjpeg")) {
        return std::string();
    }
    const std::string picture = WritePicture(dir, name, width, height, grey);
    const std::string jpeg = dir.File(name + ".jpg");
    if (RunCommand("cjpeg -quality 75 -outfile " + ShellQuote(jpeg) + " " + ShellQuote(picture)) !=
        0) {
        return std::string();
    }
    return jpeg;
}

namespace {

// Marker, two-byte big-endian length (counting itself), payload.
void AppendSegment(std::string& out, unsigned char marker, const std::string& payload) {
    const std::size_t length = payload.size() + 2;
    out.push_back('\xFF');
    out.push_back(static_cast<char>(marker));
    out.push_back(static_cast<char>(length >> 8));
    out.push_back(static_cast<char>(length & 0xFF));
    out += payload;
}

} // namespace

std::string MinimalJpeg(int components) {
    std::string jpeg("\xFF\xD8", 2);
    AppendSegment(jpeg, 0xDB, std::string(1, '\0') + std::string(64, '\x01'));
    std::string frame("\x08\x00\x08\x00\x08", 5); // precision 8, height 8, width 8
    frame.push_back(static_cast<char>(components));
    for (int c = 1; c <= components; ++c) {
        frame += std::string{static_cast<char>(c), '\x11', '\0'};
    }
    AppendSegment(jpeg, 0xC0, frame);
    // One code of length 1 for the symbol 0: DC difference category 0, and end of block.
    std::string counts(16, '\0');
    counts[0] = '\x01';
    AppendSegment(jpeg, 0xC4, std::string(1, '\x00') + counts + std::string(1, '\0'));
    AppendSegment(jpeg, 0xC4, std::string(1, '\x10') + counts + std::string(1, '\0'));
    std::string scan(1, static_cast<char>(components));
    for (int c = 1; c <= components; ++c) {
        scan += std::string{static_cast<char>(c), '\0'};
    }
    scan += std::string("\x00\x3F\x00", 3);
    AppendSegment(jpeg, 0xDA, scan);
    // Two zero bits per block, padded with one bits.
    jpeg.push_back(components == 1 ? '\x3F' : '\x03');
    jpeg += std::string("\xFF\xD9", 2);
    return jpeg;
}

std::string FileText(const std::string& path) {
    return ReadText(path);
}

std::size_t CountOf(const std::string& text, const std::string& needle) {
    std::size_t count = 0;
    for (std::size_t at = text.find(needle); at != std::string::npos;
         at = text.find(needle, at + needle.size())) {
        ++count;
    }
    return count;
}

} // namespace folionix::test
