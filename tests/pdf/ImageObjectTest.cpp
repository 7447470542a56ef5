#include "common/FileAccess.h"
#include "common/RunError.h"
#include "pdf/PdfTestSupport.h"
#include "pdf/modPDF.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

namespace folionix {
namespace {

using test::FileText;
using test::PdfWriterTest;

std::string PatternBytes(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    }
    return bytes;
}

class ImageObjectTest : public PdfWriterTest {
protected:
    void SetUp() override {
        PdfWriterTest::SetUp();
        path_ = dir_.File("doc.pdf");
        ASSERT_TRUE(PdfOpenDocument(path_, "1.3", test::kPinnedTime));
    }

    std::string MakeImage(const std::string& name, std::size_t size) {
        const std::string file = dir_.File(name);
        test::WriteText(file, PatternBytes(size));
        return file;
    }

    // The document's bytes after the 43-byte header.
    std::string Body() const { return FileText(path_).substr(43); }

    std::string path_;
};

TEST_F(ImageObjectTest, JpegObjectTextAroundTheData) {
    const std::string image = MakeImage("photo.jpg", 51234);
    ASSERT_TRUE(PdfAddJpegImage(path_, image, 640, 480, 8, 24, "I1"));
    const std::string head = "2 0 obj\n"
                             "<</Type /XObject\n"
                             "/Subtype /Image\n"
                             "/Filter /DCTDecode\n"
                             "/BitsPerComponent 8\n"
                             "/ColorSpace /DeviceRGB\n"
                             "/Width 640\n"
                             "/Height 480\n"
                             "/Length 51234>>\n"
                             "stream\n";
    EXPECT_EQ(Body(), head + PatternBytes(51234) + "\nendstream\nendobj\n");
    ASSERT_EQ(PdfSession().objectTable.size(), 1u);
    EXPECT_EQ(PdfSession().objectTable[0].offset, 43);
    EXPECT_EQ(PdfSession().objectTable[0].kind, "/XObject");
    EXPECT_EQ(PdfSession().nextObjectNumber, 3);
    EXPECT_EQ(FindImageByName("I1").objectNumber, 2);
    EXPECT_EQ(FindImageBySource(image).resourceName, "I1");
}

TEST_F(ImageObjectTest, JpxObjectDiffersOnlyInTheFilter) {
    const std::string image = MakeImage("photo.jp2", 300);
    ASSERT_TRUE(PdfAddJpxImage(path_, image, 20, 10, 8, 8, "I1"));
    const std::string body = Body();
    EXPECT_EQ(body.substr(0, body.find("stream\n") + 7), "2 0 obj\n"
                                                         "<</Type /XObject\n"
                                                         "/Subtype /Image\n"
                                                         "/Filter /JPXDecode\n"
                                                         "/BitsPerComponent 8\n"
                                                         "/ColorSpace /DeviceGray\n"
                                                         "/Width 20\n"
                                                         "/Height 10\n"
                                                         "/Length 300>>\n"
                                                         "stream\n");
}

struct ColourRow {
    std::int32_t bitsPerPixel;
    const char* line;
};

class ColourSpaceTest : public ImageObjectTest, public ::testing::WithParamInterface<ColourRow> {};

TEST_P(ColourSpaceTest, LineFollowsBitsPerPixel) {
    ASSERT_TRUE(
        PdfAddJpegImage(path_, MakeImage("a.jpg", 10), 1, 1, 8, GetParam().bitsPerPixel, "I1"));
    EXPECT_NE(Body().find(std::string("\n") + GetParam().line + "\n"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Rows, ColourSpaceTest,
                         ::testing::Values(ColourRow{8, "/ColorSpace /DeviceGray"},
                                           ColourRow{24, "/ColorSpace /DeviceRGB"},
                                           ColourRow{1, "/ColorSpace /DeviceRGB"},
                                           ColourRow{32, "/ColorSpace /DeviceRGB"},
                                           ColourRow{16, "/ColorSpace /DeviceRGB"}));

TEST_F(ImageObjectTest, GeneralObjectTakesItsLinesFromTheOptions) {
    ImageObjectOptions options;
    options.filter = "DCTDecode";
    options.colorSpace = "DeviceCMYK";
    options.decodeArray = "[1 0 1 0 1 0 1 0]";
    ASSERT_TRUE(PdfAddImageObject(path_, MakeImage("cmyk.jpg", 5), 3, 4, options, "I1"));
    const std::string body = Body();
    EXPECT_EQ(body.substr(0, body.find("stream\n") + 7), "2 0 obj\n"
                                                         "<</Type /XObject\n"
                                                         "/Subtype /Image\n"
                                                         "/Filter /DCTDecode\n"
                                                         "/ColorSpace /DeviceCMYK\n"
                                                         "/Decode [1 0 1 0 1 0 1 0]\n"
                                                         "/Width 3\n"
                                                         "/Height 4\n"
                                                         "/Length 5>>\n"
                                                         "stream\n");
}

TEST_F(ImageObjectTest, TrailingBytesFollowTheFileAndCountInTheLength) {
    ImageObjectOptions options;
    options.filter = "DCTDecode";
    options.trailingBytes = "\xFF\xD9";
    const std::string image = MakeImage("cut.jpg", 40001);
    ASSERT_TRUE(PdfAddImageObject(path_, image, 3, 4, options, "I1"));
    const std::string body = Body();
    const std::string lengthLine = "/Length 40003>>\nstream\n";
    const std::size_t start = body.find(lengthLine);
    ASSERT_NE(start, std::string::npos);
    EXPECT_EQ(body.substr(start + lengthLine.size()),
              test::ReadText(image) + "\xFF\xD9\nendstream\nendobj\n");
}

// Turns the operating system's file-to-file copy off for one test, so that the buffer path (the
// only one on some platforms and file systems) runs here too.
class KernelCopySetting {
public:
    explicit KernelCopySetting(bool enabled) { SetKernelCopyEnabled(enabled); }
    ~KernelCopySetting() { SetKernelCopyEnabled(true); }
    KernelCopySetting(const KernelCopySetting&) = delete;
    KernelCopySetting& operator=(const KernelCopySetting&) = delete;
};

class ChunkBoundaryTest : public ImageObjectTest,
                          public ::testing::WithParamInterface<std::tuple<std::size_t, bool>> {};

TEST_P(ChunkBoundaryTest, StreamDataEqualsTheFile) {
    const auto [size, kernelCopy] = GetParam();
    const KernelCopySetting setting(kernelCopy);
    const std::string image = MakeImage("big.jpg", size);
    ASSERT_TRUE(PdfAddJpegImage(path_, image, 1, 1, 8, 24, "I1"));
    const std::string body = Body();
    const std::string lengthLine = "/Length " + std::to_string(size) + ">>\nstream\n";
    const std::size_t data = body.find(lengthLine);
    ASSERT_NE(data, std::string::npos);
    const std::size_t start = data + lengthLine.size();
    EXPECT_EQ(body.size() - start, size + 18);
    EXPECT_TRUE(body.compare(start, size, test::ReadText(image)) == 0);
    EXPECT_EQ(body.substr(start + size), "\nendstream\nendobj\n");
}

INSTANTIATE_TEST_SUITE_P(Sizes, ChunkBoundaryTest,
                         ::testing::Combine(::testing::Values(1u, 31999u, 32000u, 32001u, 64000u,
                                                              64001u, 100000u),
                                            ::testing::Bool()));

class CopyPathTest : public ImageObjectTest, public ::testing::WithParamInterface<bool> {};

TEST_P(CopyPathTest, CopyFileBytesFromAPosition) {
    const KernelCopySetting setting(GetParam());
    const std::string source = dir_.File("src.bin");
    const std::string destination = dir_.File("dst.bin");
    test::WriteText(source, "abcdefghij");
    test::WriteText(destination, "XY");
    EXPECT_TRUE(PdfCopyFileBytes(destination, source, 3, 5));
    EXPECT_EQ(FileText(destination), "XYcdefg");
    EXPECT_TRUE(PdfCopyFileBytes(dir_.File("untouched.bin"), dir_.File("missing.bin"), 1, 0));
    EXPECT_FALSE(std::filesystem::exists(PathFromUtf8(dir_.File("untouched.bin"))));
}

TEST_P(CopyPathTest, CopyingPastTheSourceEndEndsTheRun) {
    const KernelCopySetting setting(GetParam());
    const std::string source = dir_.File("short.bin");
    test::WriteText(source, "abcdefghij");
    EXPECT_THROW(PdfCopyFileBytes(dir_.File("dst.bin"), source, 1, 40000), RunError);
}

INSTANTIATE_TEST_SUITE_P(KernelCopy, CopyPathTest, ::testing::Bool());

TEST_F(ImageObjectTest, CopyingIntoAFullDeviceEndsTheRun) {
    if (!std::filesystem::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    const std::string source = MakeImage("s.bin", 100);
    EXPECT_THROW(PdfCopyFileBytes("/dev/full", source, 1, 100), RunError);
}

TEST_F(ImageObjectTest, SamePathUnderTwoNamesIsEmbeddedOnce) {
    const std::string image = dir_.File("one.jpg");
    test::WriteText(image, test::MinimalJpeg(3));
    ASSERT_TRUE(PdfAddJpegImage(path_, image, 1, 1, 8, 24, "I1"));
    const std::string before = FileText(path_);
    ASSERT_TRUE(PdfAddJpegImage(path_, image, 1, 1, 8, 24, "I2"));
    EXPECT_EQ(FileText(path_), before);
    EXPECT_EQ(PdfSession().nextObjectNumber, 3);
    EXPECT_EQ(PdfSession().objectTable.size(), 1u);
    ASSERT_EQ(PdfSession().imageRegistry.size(), 2u);
    EXPECT_EQ(FindImageByName("I1").objectNumber, 2);
    EXPECT_EQ(FindImageByName("I2").objectNumber, 2);
    EXPECT_EQ(FindImageBySource(image).resourceName, "I1");

    ASSERT_TRUE(PdfBeginPage(path_, 100, 100));
    ASSERT_TRUE(PdfDrawImage(path_, 0, 100, 50, 50, "I2", 24));
    ASSERT_TRUE(PdfDrawImage(path_, 50, 100, 50, 50, "I1", 24));
    ASSERT_TRUE(PdfCloseDocument(path_));
    const std::string written = FileText(path_);
    EXPECT_NE(written.find("/XObject <<\n/I1 2 0 R\n/I2 2 0 R\n>>\n"), std::string::npos);
    EXPECT_EQ(test::CountOf(written, "/Subtype /Image"), 1u);
    EXPECT_TRUE(test::CrossReferenceIsConsistent(written));
    if (test::HaveQpdf()) {
        EXPECT_TRUE(test::QpdfAccepts(path_));
    }
}

TEST_F(ImageObjectTest, PathsDifferingInLetterCaseAreEmbeddedTwice) {
    const std::string lower = MakeImage("pic.jpg", 20);
    const std::string upper = dir_.File("PIC.jpg");
    test::WriteText(upper, PatternBytes(20)); // the same file where names ignore case
    ASSERT_TRUE(PdfAddJpegImage(path_, lower, 1, 1, 8, 24, "I1"));
    ASSERT_TRUE(PdfAddJpegImage(path_, upper, 1, 1, 8, 24, "I2"));
    EXPECT_EQ(FindImageByName("I1").objectNumber, 2);
    EXPECT_EQ(FindImageByName("I2").objectNumber, 3);
    EXPECT_EQ(test::CountOf(Body(), "/Subtype /Image"), 2u);
}

TEST_F(ImageObjectTest, UsedNameIsRefused) {
    ASSERT_TRUE(PdfAddJpegImage(path_, MakeImage("a.jpg", 5), 1, 1, 8, 24, "I1"));
    const std::string before = FileText(path_);
    EXPECT_FALSE(PdfAddJpegImage(path_, MakeImage("b.jpg", 5), 1, 1, 8, 24, "I1"));
    EXPECT_EQ(FileText(path_), before);
    EXPECT_EQ(PdfSession().imageRegistry.size(), 1u);
    EXPECT_EQ(PdfSession().nextObjectNumber, 3);
}

TEST_F(ImageObjectTest, RefusedWhileAPageIsOpenAndTheFileIsUnchanged) {
    const std::string image = MakeImage("a.jpg", 5);
    ASSERT_TRUE(PdfBeginPage(path_, 10, 10));
    const std::string before = FileText(path_);
    EXPECT_FALSE(PdfAddJpegImage(path_, image, 1, 1, 8, 24, "I1"));
    EXPECT_FALSE(PdfAddJpxImage(path_, image, 1, 1, 8, 24, "I1"));
    EXPECT_EQ(FileText(path_), before);
    EXPECT_FALSE(IsResourceNameUsed("I1"));
    EXPECT_EQ(PdfSession().nextObjectNumber, 4);
}

TEST_F(ImageObjectTest, FailedImagesLeaveTheNumberingContiguous) {
    EXPECT_FALSE(PdfAddJpegImage(path_, dir_.File("missing.jpg"), 1, 1, 8, 24, "I1"));
    EXPECT_FALSE(PdfAddJpegImage(path_, MakeImage("empty.jpg", 0), 1, 1, 8, 24, "I2"));
    EXPECT_FALSE(PdfAddJpegImage(path_, dir_.Path().string(), 1, 1, 8, 24, "I3")); // a folder
    EXPECT_EQ(FileText(path_).size(), 43u);
    EXPECT_TRUE(PdfSession().imageRegistry.empty());
    const std::string ok = dir_.File("ok.jpg");
    test::WriteText(ok, test::MinimalJpeg(1));
    ASSERT_TRUE(PdfAddJpegImage(path_, ok, 8, 8, 8, 8, "I1"));
    EXPECT_EQ(FindImageByName("I1").objectNumber, 2);
    ASSERT_TRUE(PdfBeginPage(path_, 10, 10));
    EXPECT_EQ(PdfSession().objectTable.back().objectNumber, 4);
    ASSERT_TRUE(PdfCloseDocument(path_));
    if (test::HaveQpdf()) {
        EXPECT_TRUE(test::QpdfAccepts(path_));
    }
    EXPECT_TRUE(test::CrossReferenceIsConsistent(FileText(path_)));
}

TEST_F(ImageObjectTest, UnknownNamesFindObjectZero) {
    const ImageRecord record = FindImageByName("I7");
    EXPECT_EQ(record.objectNumber, 0);
    EXPECT_EQ(record.generation, 0);
    EXPECT_EQ(FindImageBySource(dir_.File("x.jpg")).objectNumber, 0);
    EXPECT_FALSE(IsResourceNameUsed("I7"));
}

TEST_F(ImageObjectTest, ObjectEndingBeyondTwoGibibytesIsRefusedBeforeCopying) {
    std::filesystem::resize_file(PathFromUtf8(path_), (std::uintmax_t{1} << 31) - 1000);
    const std::string image = MakeImage("a.jpg", 900);
    EXPECT_THROW(PdfAddJpegImage(path_, image, 1, 1, 8, 24, "I1"), RunError);
    EXPECT_EQ(std::filesystem::file_size(PathFromUtf8(path_)), (std::uintmax_t{1} << 31) - 1000);
    EXPECT_TRUE(PdfSession().objectTable.empty());
    EXPECT_FALSE(IsResourceNameUsed("I1"));
}

class NonAsciiNameTest : public PdfWriterTest {};

TEST_F(NonAsciiNameTest, DocumentAndImageNamesWork) {
    const std::filesystem::path folder = dir_.Path() / PathFromUtf8("Übersicht €");
    std::filesystem::create_directory(folder);
    const std::string path = Utf8FromPath(folder / PathFromUtf8("Dokument ß.pdf"));
    const std::string image = Utf8FromPath(folder / PathFromUtf8("Bild ö 日本.jpg"));
    test::WriteText(image, test::MinimalJpeg(3));
    ASSERT_TRUE(PdfOpenDocument(path, "1.3", test::kPinnedTime));
    ASSERT_TRUE(PdfAddJpegImage(path, image, 8, 8, 8, 24, "I1"));
    ASSERT_TRUE(PdfBeginPage(path, 100, 100));
    ASSERT_TRUE(PdfDrawImage(path, 0, 100, 100, 100, "I1", 24));
    ASSERT_TRUE(PdfCloseDocument(path));
    const std::string written = FileText(path);
    EXPECT_NE(written.find(test::MinimalJpeg(3)), std::string::npos);
    EXPECT_TRUE(test::CrossReferenceIsConsistent(written));
    if (test::HaveQpdf()) {
        EXPECT_TRUE(test::QpdfAccepts(path));
    }
}

} // namespace
} // namespace folionix
