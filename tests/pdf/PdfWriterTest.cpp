// The PDF writer: the golden documents, what every ending resets, pages and their resources,
// the information dictionary, number text, the event pump, the 2 GiB limit, and image objects
// (their text, the byte copy along both paths and across chunk boundaries, refusals, aliases).
#include "common/FileAccess.h"
#include "common/RunError.h"
#include "pdf/modPDF.h"
#include "support/DocumentCheck.h"
#include "support/ImageBytes.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <charconv>
#include <clocale>
#include <filesystem>
#include <functional>
#include <locale>
#include <sstream>
#include <tuple>

namespace folionix {
namespace {

using test::ReadText;

constexpr LocalTime kPinned{2026, 12, 4, 5, 13, 48};
constexpr std::int64_t kLastOffset = 0x7FFFFFFF; // the largest 32-bit offset
const std::string kOverflow = "Overflow: the document's length does not fit in 32 bits";

// A complete baseline JPEG of 8 x 8 mid-grey pixels, 151 bytes: a quantisation table of ones,
// one-code Huffman tables (DC difference 0, end of block) and one zero block per component.
std::string MinimalJpeg() {
    const test::Bytes bytes =
        test::Join({{0xFF, 0xD8},
                    test::JpegSegment(0xDB, test::Join({{0}, test::Bytes(64, 1)})),
                    test::FrameSegment(0xC0, 8, 8, 8, 3),
                    test::JpegSegment(0xC4, test::Join({{0}, {1}, test::Bytes(16, 0)})),
                    test::JpegSegment(0xC4, test::Join({{0x10}, {1}, test::Bytes(16, 0)})),
                    test::JpegSegment(0xDA, {3, 1, 0, 2, 0, 3, 0, 0, 0x3F, 0}),
                    {0x03, 0xFF, 0xD9}});
    return std::string(bytes.begin(), bytes.end());
}

std::string Pattern(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    }
    return bytes;
}

const std::string kHeader = "%PDF-1.3\n%\xE4\xE3\xCF\xD2\xBF\n\n%-[12-04-2026 05:13:48]-%\n";

// Grows a file without writing it (a sparse file), to reach 2 GiB cheaply.
void Grow(const std::string& path, std::int64_t size) {
    std::filesystem::resize_file(PathFromUtf8(path), static_cast<std::uintmax_t>(size));
}

// The message of the RunError that ends the run.
std::string RunErrorOf(const std::function<void()>& step) {
    try {
        step();
    } catch (const RunError& error) {
        return error.what();
    }
    return ""; // none
}

class PdfWriter : public ::testing::Test {
protected:
    void SetUp() override { test::WriteText(image_, MinimalJpeg()); }

    void Open() const { ASSERT_TRUE(PdfOpenDocument(path_, "1.3", kPinned)); }

    std::string MakeImage(const std::string& name, std::size_t size) const {
        test::WriteText(dir_.File(name), Pattern(size));
        return dir_.File(name);
    }

    bool Add(const std::string& image, const std::string& name) const {
        return PdfAddJpegImage(path_, image, 1, 1, 8, 24, name);
    }

    test::TempDir dir_;
    const std::string path_ = dir_.File("doc.pdf");
    const std::string image_ = dir_.File("image.jpg");
    const std::string nowhere_ = dir_.File("no/such.pdf"); // in a folder that does not exist
};

// A decimal-comma locale (the C++ one through a facet that exists everywhere, the C one when a
// German locale is installed) changes nothing: the golden bytes, and periods in numbers.
struct CommaDecimalPoint : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
};

// The open empties what was there (the no-page document follows a longer one). The second round
// runs under a decimal comma, and there the close ends the page. The version is trimmed of
// spaces and must then be three characters long.
TEST_F(PdfWriter, OneAndNoPageDocumentsMatchTheGoldenBytesAlsoUnderADecimalComma) {
    // Checked by hand offset by offset: header 43; image 2 at 43 (143-byte head, 151 data bytes,
    // 18-byte closing); page 3 at 355 (103); stream 4 at 458 (33 + 55 + 17); length 5 at 563 (18);
    // resources 6 at 581 (75); catalog 7 at 656 (48); root 1 at 704 (56); xref at 760.
    const std::string golden =
        kHeader +
        "2 0 obj\n<</Type /XObject\n/Subtype /Image\n/Filter /DCTDecode\n/BitsPerComponent 8\n"
        "/ColorSpace /DeviceRGB\n/Width 8\n/Height 8\n/Length 151>>\nstream\n" +
        MinimalJpeg() +
        "\nendstream\nendobj\n"
        "3 0 obj\n<</Type /Page\n/Parent 1 0 R\n/MediaBox [0 0 612 792]\n/Contents 4 0 R\n"
        "/Resources 6 0 R\n>>\nendobj\n"
        "4 0 obj\n<</Length 5 0 R>>\nstream\nq\n1 0 0 1 72.0 72.0 cm\n468.0 0 0 648.0 0 0 cm\n"
        "/I1 Do\nQ\nendstream\nendobj\n"
        "5 0 obj\n55\nendobj\n"
        "6 0 obj\n<</ProcSet [/PDF /Text /ImageC]\n/XObject <<\n/I1 2 0 R\n>>\n>>\nendobj\n"
        "7 0 obj\n<</Type /Catalog\n/Pages 1 0 R\n>>\nendobj\n"
        "1 0 obj\n<</Type /Pages\n/Kids [3 0 R]\n/Count 1\n>>\nendobj\n"
        "xref\n0 8\n0000000000 65535 f\r\n0000000704 00000 n\r\n0000000043 00000 n\r\n"
        "0000000355 00000 n\r\n0000000458 00000 n\r\n0000000563 00000 n\r\n"
        "0000000581 00000 n\r\n0000000656 00000 n\r\n"
        "trailer <</Size 8 /Root 7 0 R>>\n\nstartxref\n760\n%%EOF\n";
    const std::locale previous = std::locale();
    for (const bool comma : {false, true}) {
        ASSERT_TRUE(PdfOpenDocument(path_, " 1.3 ", kPinned) &&
                    PdfAddJpegImage(path_, image_, 8, 8, /*bitsPerComponent*/ 8, 24, "I1") &&
                    PdfBeginPage(path_, 612, 792) &&
                    PdfDrawImage(path_, /*x*/ 72, /*yTop*/ 720, 468, 648, "I1", 24) &&
                    (comma || PdfEndPage(path_)) && PdfCloseDocument(path_));
        EXPECT_EQ(ReadText(path_), golden) << comma;
        std::setlocale(LC_ALL, "de_DE.UTF-8"); // when installed
        std::locale::global(std::locale(std::locale::classic(), new CommaDecimalPoint));
    }
    EXPECT_EQ(PdfPlacementText(36.5, 755.25, 539.123456, 400, "I1"),
              "q\n1 0 0 1 36.5 355.25 cm\n539.123 0 0 400.0 0 0 cm\n/I1 Do\nQ\n");
    std::locale::global(previous);
    std::setlocale(LC_ALL, "C");
    // Header 43; catalog 2 at 43 (48 bytes); root 1 at 91 (51 bytes); xref at 142.
    ASSERT_TRUE(PdfOpenDocument(path_, "1.10", kPinned) && PdfCloseDocument(path_));
    EXPECT_EQ(ReadText(path_),
              "%PDF-1.4\n%\xE4\xE3\xCF\xD2\xBF\n\n%-[12-04-2026 05:13:48]-%\n"
              "2 0 obj\n<</Type /Catalog\n/Pages 1 0 R\n>>\nendobj\n"
              "1 0 obj\n<</Type /Pages\n/Kids []\n/Count 0\n>>\nendobj\nxref\n0 3\n"
              "0000000000 65535 f\r\n0000000091 00000 n\r\n0000000043 00000 n\r\n"
              "trailer <</Size 3 /Root 2 0 R>>\n\nstartxref\n142\n%%EOF\n");
}

// However a document ends, the session is as after an open: nothing of it reaches the next.
// An open that cannot create its file changes nothing.
TEST_F(PdfWriter, EveryEndingResetsTheSession) {
    const std::string other = dir_.File("other.pdf");
    // The session's path afterwards, the error that ends the run, how the document ends.
    using Ending = std::tuple<std::string, std::string, std::function<void()>>;
    for (const auto& [path, error, end] : std::vector<Ending>{
             {path_, "", [&] { PdfOpenDocument(path_, "1.3", kPinned); }},
             {"", "", [&] { EXPECT_TRUE(PdfCloseDocument(other)); }},
             {"", "", [&] { EXPECT_FALSE(PdfCloseDocument(nowhere_)); }},
             {"", kOverflow, [&] { Grow(other, kLastOffset + 1), PdfCloseDocument(other); }},
#ifndef _WIN32
             {"", "Cannot write to /dev/full: No space left on device",
              [] { PdfCloseDocument("/dev/full"); }},
#endif
         }) {
        ASSERT_TRUE(PdfOpenDocument(other, "1.3", kPinned) &&
                    PdfSetDocumentInfo(other, DocumentInfo{"t", "", "", ""}) &&
                    PdfAddJpegImage(other, image_, 8, 8, 8, 8, "I1") &&
                    PdfBeginPage(other, 10, 10) && PdfDrawImage(other, 0, 10, 10, 10, "I1", 8));
        EXPECT_TRUE(!PdfOpenDocument(nowhere_, "1.3", kPinned) && PdfSession().openPage);
        EXPECT_EQ(RunErrorOf(end), error);
        const DocumentSession& s = PdfSession();
        EXPECT_TRUE(s.documentPath == path && s.objectTable.empty() && s.imageRegistry.empty() &&
                    !s.openPage && s.pageProcSetNames.empty() && s.pageXObjectNames.empty() &&
                    s.documentInfo.IsEmpty() && !IsResourceNameUsed("I1") &&
                    !IsSourceEmbedded(image_) && s.pageTreeObject == 1 &&
                    s.pageTreeGeneration == 0 && s.nextObjectNumber == 2)
            << error;
    }
}

// Printable ASCII as a literal string; anything else as UTF-16BE, where a malformed, overlong,
// surrogate or too large sequence gives U+FFFD for its first byte.
TEST(PdfText, StringsLiteralOrUtf16AndNumbersWithThreeDecimals) {
    EXPECT_EQ(PdfTextString(" a(b)\\~") + PdfTextString("\x7F"), "( a\\(b\\)\\\\~)<FEFF007F>");
    // The first and last of each length, surrogates (as UTF-8: no; as pairs: yes), overlong
    // forms, past U+10FFFF, a bad continuation, a bad lead byte, a cut sequence.
    EXPECT_EQ(
        PdfTextString("\x1F\xC2\x80\xDF\xBF\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80"
                      "\xED\xA0\x80\xED\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"
                      "\xF4\x90\x80\x80\xC1\xBF\xE0\x9F\xBF\xF0\x8F\xBF\xBF\xC3(\xF8\xE2\x82"),
        "<FEFF001F008007FF0800D7FFE000FFFDFFFDFFFDFFFDFFFDFFFDD800DC00DBFFDFFF"
        "FFFDFFFDFFFDFFFDFFFDFFFDFFFDFFFDFFFDFFFDFFFDFFFDFFFDFFFD0028FFFDFFFDFFFD>");
    // Numbers, each pair a value as from_chars reads it and its text. Three decimals on the
    // double's exact value, halves away from zero; a negative value that rounds to zero, NaN
    // and the infinities give "0".
    std::istringstream rows(
        "612 612.0  0.5 0.5  12.3456 12.346  -7 -7.0  841.8898 841.89  0 0  1 1.0  "
        "0.30000000000000004 0.3  1234567.5 1234567.5  0.0625 0.063  -0.0625 -0.063  "
        "0.3125 0.313  0.0005 0.001  -0.0005 -0.001  2.0005 2.001  1.0005 1.0  9.9995 9.999  "
        "0.9995 1.0  9.9996 10.0  -999.9999 -1000.0  0.0004 0.0  0.00049999 0.0  5e-324 0.0  "
        "0.125 0.125  2147483647.5 2147483647.5  1e20 100000000000000000000.0  -0.0001 0  "
        "-0.00049 0  -0 0  -5e-324 0  inf 0  -inf 0  nan 0");
    for (std::string value, text; rows >> value >> text;) {
        double number = 1;
        std::from_chars(value.data(), value.data() + value.size(), number);
        EXPECT_EQ(PdfFormatNumber(number), text) << value;
    }
}

// The sort places a record before earlier ones with the same number; a record for another
// document empties the table first. A window processes its events during a long close: once
// after every 1001 records sorted, the catalog and the page tree root counting with those
// recorded here.
TEST_F(PdfWriter, ObjectTableSortsAndTheCloseCallsTheEventPumpOncePer1001Records) {
    Open();
    for (const std::int32_t number : {5, 3, 4, 1, 4, 2}) {
        PdfRecordObject(path_, number, 0, 0, "");
    }
    EXPECT_EQ(SortObjectTable(), (std::vector<std::size_t>{3, 5, 1, 4, 2, 0}));
    PdfRecordObject("", 9, 0, 0, "");
    EXPECT_EQ(PdfSession().objectTable.size(), 7u);
    PdfRecordObject(dir_.File("b.pdf"), 7, 0, 0, "");
    EXPECT_EQ(PdfSession().objectTable.size(), 1u);
    for (const auto& [recorded, calls] :
         std::vector<std::pair<int, int>>{{0, 0}, {998, 0}, {999, 1}, {1999, 1}, {2000, 2}}) {
        Open();
        for (int i = 0; i < recorded; ++i) {
            PdfRecordObject(path_, i + 3, 0, 43, "");
        }
        int pumped = 0;
        ASSERT_TRUE(PdfCloseDocument(path_, [&pumped] { ++pumped; }));
        EXPECT_EQ(pumped, calls) << recorded;
    }
}

// Offsets are 32-bit. Each step works when what it writes ends at the last offset that fits
// (for the close: when its table starts there) and ends the run one byte later.
TEST_F(PdfWriter, OffsetsPastTwoGibibytesEndTheRun) {
    // What the step writes up to the limit, whether it needs an open page, the step.
    using Row = std::tuple<std::int64_t, bool, std::function<void()>>;
    for (const auto& [room, pageOpen, step] :
         std::vector<Row>{{142 + 10 + 18, false, [&] { Add(MakeImage("ten.jpg", 10), "I1"); }},
                          {103 + 33, false, [&] { PdfBeginPage(path_, 612, 792); }},
                          {17 + 26, true, [&] { PdfEndPage(path_); }},
                          {48 + 51, false, [&] { PdfCloseDocument(path_); }}}) {
        for (const std::int64_t past : {0, 1}) {
            Open();
            ASSERT_TRUE(!pageOpen || PdfBeginPage(path_, 612, 792));
            Grow(path_, kLastOffset - room + past);
            EXPECT_EQ(RunErrorOf(step), past ? kOverflow : "") << room;
        }
    }
}

// The bytes go in chunks of 32000, through the kernel's copy or through a buffer: into an image
// object, and by name. Appends by name too; a failed write ends the run.
TEST_F(PdfWriter, ImageBytesCopiedAcrossChunkBoundariesAndByNameAlongBothPaths) {
    // Nothing goes where no file can be; a missing file is created empty.
    EXPECT_TRUE(!PdfWriteText(nowhere_, "x") && PdfFileLength(nowhere_) == -1 &&
                PdfFileLength(path_) == 0);
    const std::string src = MakeImage("src.bin", 10);
    const std::string dst = dir_.File("dst.bin");
    // The buffer path (the only one on some platforms and file systems) runs here too.
    for (const bool buffer : {false, true}) {
        SetKernelCopyEnabled(!buffer);
        for (const std::size_t size : {1u, 31999u, 32000u, 32001u, 64000u, 64001u}) {
            Open();
            ASSERT_TRUE(Add(MakeImage("big.jpg", size), "I1"));
            EXPECT_TRUE(ReadText(path_).ends_with("/Length " + std::to_string(size) +
                                                  ">>\nstream\n" + Pattern(size) +
                                                  "\nendstream\nendobj\n"))
                << size << buffer;
        }
        test::WriteText(dst, "XY");
        EXPECT_TRUE(PdfCopyFileBytes(dst, src, 3, 5) && PdfCopyFileBytes(dst, nowhere_, 1, 0));
        EXPECT_FALSE(PdfCopyFileBytes(dst, src, 1, -1) || PdfCopyFileBytes(nowhere_, src, 1, 1) ||
                     PdfCopyFileBytes(dst, src, 0, 1) || PdfCopyFileBytes(dst, nowhere_, 1, 1));
        EXPECT_EQ(ReadText(dst), "XY" + Pattern(10).substr(2, 5));
        EXPECT_EQ(RunErrorOf([&] { PdfCopyFileBytes(dst, src, 1, 40000); }),
                  "Cannot copy " + src + " into " + dst +
                      ": the image file is shorter than it was");
#ifndef _WIN32
        EXPECT_EQ(RunErrorOf([&] { PdfCopyFileBytes("/dev/full", src, 1, 10); }),
                  "Cannot copy " + src + " into /dev/full: No space left on device");
        EXPECT_EQ(RunErrorOf([] { PdfWriteText("/dev/full", "abc"); }),
                  "Cannot write to /dev/full: No space left on device");
#endif
    }
    SetKernelCopyEnabled(true);
}

// Image objects follow their options. Refused images write nothing and take no number; a file
// embedded once is another name for its object, even once the file is gone. Pages begun back
// to back end the one before; the tree lists them in order; a size below 1 leaves the MediaBox
// out. The information dictionary follows the page tree, numbered after the catalog.
TEST_F(PdfWriter, ImagesRefusalsAliasesPagesAndTheInformation) {
    Open();
    EXPECT_FALSE(PdfSetDocumentInfo(dir_.File("other.pdf"), DocumentInfo{"x", "", "", ""}));
    ASSERT_TRUE(PdfSetDocumentInfo(path_, DocumentInfo{"T", "", "S", "K"}));
    const std::string first = MakeImage("a.jp2", 300);
    ASSERT_TRUE(PdfAddJpxImage(path_, first, 20, 10, 8, /*bitsPerPixel*/ 8, "I1"));
    EXPECT_FALSE(Add(MakeImage("b.jpg", 5), "I1") || Add(dir_.File("missing.jpg"), "I2") ||
                 Add(MakeImage("empty.jpg", 0), "I2"));
    // Another mode's lines, and the end-of-image marker a cut file lacks, counted in /Length.
    // The filter, no bits per component, the colour space, the decode array, trailing bytes.
    const ImageObjectOptions options{
        "DCTDecode", {}, "DeviceCMYK", "[1 0 1 0 1 0 1 0]", "\xFF\xD9"};
    ASSERT_TRUE(PdfAddImageObject(path_, dir_.File("b.jpg"), 3, 4, options, "I2"));
    EXPECT_EQ(ReadText(path_),
              kHeader +
                  "2 0 obj\n<</Type /XObject\n/Subtype /Image\n/Filter /JPXDecode\n"
                  "/BitsPerComponent 8\n/ColorSpace /DeviceGray\n/Width 20\n/Height 10\n"
                  "/Length 300>>\nstream\n" +
                  Pattern(300) +
                  "\nendstream\nendobj\n3 0 obj\n<</Type /XObject\n/Subtype /Image\n"
                  "/Filter /DCTDecode\n/ColorSpace /DeviceCMYK\n/Decode [1 0 1 0 1 0 1 0]\n"
                  "/Width 3\n/Height 4\n/Length 7>>\nstream\n" +
                  Pattern(5) + "\xFF\xD9\nendstream\nendobj\n");

    ASSERT_TRUE(Add(first, "I10"));
    std::filesystem::remove(PathFromUtf8(first));
    EXPECT_TRUE(Add(first, "I3") && !Add(first, "I1"));
    EXPECT_EQ(FindImageByName("I3").objectNumber, 2);
    const ImageRecord unknown = FindImageByName("I9"); // what a page draws for a name never added
    EXPECT_TRUE(unknown.objectNumber == 0 && unknown.generation == 0);

    ASSERT_TRUE(PdfBeginPage(path_, 1, 1)); // 4..7
    const std::string withPage = ReadText(path_);
    EXPECT_FALSE(Add(first, "I4") ||
                 PdfAddJpxImage(path_, MakeImage("c.jp2", 5), 1, 1, 8, 24, "I4"));
    EXPECT_EQ(ReadText(path_), withPage);
    // Without an open page nothing is drawn or ended.
    ASSERT_TRUE(PdfEndPage(path_));
    const std::string ended = ReadText(path_);
    EXPECT_FALSE(PdfDrawImage(path_, 0, 10, 10, 10, "I1", 24) ||
                 PdfDrawImageWithPlacement(path_, "q\nQ\n", "I1", 24) || PdfEndPage(path_));
    EXPECT_EQ(ReadText(path_), ended);
    // Pages 8, 12 and 16, each ended by the next and the last by the close. The procedure sets
    // follow the bits per pixel of the images drawn; the names are sorted and listed once.
    using Draws = std::vector<std::pair<std::string, int>>;
    for (const auto& [width, height, draws] : std::vector<std::tuple<int, int, Draws>>{
             {0, 792, {{"I1", 1}}},
             {612, 0, {{"I1", 8}}},
             {0, 0, {{"I2", 1}, {"I10", 24}, {"I2", 1}, {"Nope", 24}, {"", 8}}}}) {
        ASSERT_TRUE(PdfBeginPage(path_, width, height));
        for (const auto& [name, bits] : draws) {
            ASSERT_TRUE(PdfDrawImage(path_, 0, 10, 10, 10, name, bits));
        }
    }
    ASSERT_TRUE(PdfCloseDocument(path_)); // catalog 20, information 21
    const std::string pdf = ReadText(path_);
    EXPECT_EQ(test::DocumentProblem(pdf), "");
    const std::size_t box = pdf.find("/MediaBox [0 0 1 1]\n");
    EXPECT_TRUE(box != std::string::npos && pdf.rfind("/MediaBox") == box);
    // The tree lists the pages in order; the information follows it, numbered after the catalog.
    const std::string images = "/XObject <<\n/I1 2 0 R\n>>\n>>\nendobj\n";
    for (const std::string& part : std::vector<std::string>{
             "7 0 obj\n<</ProcSet [/PDF /Text]\n>>\nendobj\n",
             "11 0 obj\n<</ProcSet [/PDF /Text /ImageB]\n" + images,
             "15 0 obj\n<</ProcSet [/PDF /Text /ImageB /ImageC /ImageI]\n" + images,
             "19 0 obj\n<</ProcSet [/PDF /Text /ImageB /ImageC]\n/XObject <<\n/I10 2 0 R\n"
             "/I2 3 0 R\n/Nope 0 0 R\n>>\n>>\nendobj\n20 0 obj\n<</Type /Catalog\n/Pages 1 0 R\n"
             ">>\nendobj\n1 0 obj\n<</Type /Pages\n/Kids [4 0 R 8 0 R 12 0 R 16 0 R]\n/Count 4\n"
             ">>\nendobj\n21 0 obj\n<</Title (T)\n/Subject (S)\n/Keywords (K)\n>>\nendobj\nxref\n",
             "trailer <</Size 22 /Root 20 0 R /Info 21 0 R>>"}) {
        EXPECT_NE(pdf.find(part), std::string::npos) << part;
    }
}

} // namespace
} // namespace folionix
