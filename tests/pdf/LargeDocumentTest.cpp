#include "common/FileAccess.h"
#include "common/RunError.h"
#include "pdf/PdfTestSupport.h"
#include "pdf/modPDF.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace folionix {
namespace {

using test::FileText;
using test::PdfWriterTest;

class OffsetOverflowTest : public PdfWriterTest {
protected:
    void SetUp() override {
        PdfWriterTest::SetUp();
        path_ = dir_.File("big.pdf");
        ASSERT_TRUE(PdfOpenDocument(path_, "1.3", test::kPinnedTime));
    }

    // Grows the document without writing (a sparse file), to reach 2 GiB cheaply.
    void GrowTo(std::uintmax_t size) { std::filesystem::resize_file(PathFromUtf8(path_), size); }

    std::string path_;
};

TEST_F(OffsetOverflowTest, PageBeyondTwoGibibytesEndsTheRun) {
    GrowTo((std::uintmax_t{1} << 31) - 10);
    EXPECT_THROW(PdfBeginPage(path_, 612, 792), RunError);
}

TEST_F(OffsetOverflowTest, DocumentOfTwoGibibytesEndsTheRunAtTheNextOffset) {
    GrowTo(std::uintmax_t{1} << 31);
    EXPECT_THROW(PdfBeginPage(path_, 612, 792), RunError);
    EXPECT_TRUE(PdfSession().objectTable.empty());
}

TEST_F(OffsetOverflowTest, PageEndBeyondTwoGibibytesEndsTheRun) {
    ASSERT_TRUE(PdfBeginPage(path_, 612, 792));
    GrowTo((std::uintmax_t{1} << 31) - 5);
    EXPECT_THROW(PdfEndPage(path_), RunError);
}

TEST_F(OffsetOverflowTest, CloseBeyondTwoGibibytesEndsTheRunAndResets) {
    GrowTo((std::uintmax_t{1} << 31) - 20);
    EXPECT_THROW(PdfCloseDocument(path_), RunError);
    EXPECT_TRUE(PdfSession().objectTable.empty());
    EXPECT_EQ(PdfSession().nextObjectNumber, 2);
}

TEST_F(OffsetOverflowTest, JustBelowTheLimitStillWorks) {
    GrowTo((std::uintmax_t{1} << 31) - 400);
    ASSERT_TRUE(PdfBeginPage(path_, 612, 792));
    ASSERT_TRUE(PdfEndPage(path_));
    const std::int32_t lastOffset = PdfSession().objectTable.back().offset;
    // page 103 bytes, stream head 33, tail 17, length object 17
    EXPECT_EQ(lastOffset, (std::int64_t{1} << 31) - 400 + 103 + 33 + 17 + 17);
}

// Three real pages (an RGB JPEG, a grey JPEG and, when opj_compress is there, a JPEG 2000 file)
// must open and render without a single complaint.
class RenderedDocumentTest : public PdfWriterTest {};

TEST_F(RenderedDocumentTest, ThreePagesRenderWithoutErrors) {
    if (!test::HaveTool("cjpeg") || !test::HaveTool("pdftoppm")) {
        GTEST_SKIP() << "cjpeg or pdftoppm missing";
    }
    const std::string colour = test::MakeJpeg(dir_, "colour", 64, 48, /*grey*/ false);
    const std::string grey = test::MakeJpeg(dir_, "grey", 40, 60, /*grey*/ true);
    ASSERT_FALSE(colour.empty());
    ASSERT_FALSE(grey.empty());
    std::string third = colour;
    bool thirdIsJpx = false;
    if (test::HaveTool("opj_compress")) {
        const std::string picture = test::WritePicture(dir_, "wavelet", 50, 50, false);
        const std::string jp2 = dir_.File("wavelet.jp2");
        if (test::RunCommand("opj_compress -i " + test::ShellQuote(picture) + " -o " +
                             test::ShellQuote(jp2) + " >/dev/null 2>&1") == 0) {
            third = jp2;
            thirdIsJpx = true;
        }
    }

    const std::string path = dir_.File("three.pdf");
    ASSERT_TRUE(PdfOpenDocument(path, "1.3", test::kPinnedTime));
    ASSERT_TRUE(PdfAddJpegImage(path, colour, 64, 48, 8, 24, "I1"));
    ASSERT_TRUE(PdfBeginPage(path, 200, 150));
    ASSERT_TRUE(PdfDrawImage(path, 36, 114, 128, 96, "I1", 24));
    ASSERT_TRUE(PdfEndPage(path));
    ASSERT_TRUE(PdfAddJpegImage(path, grey, 40, 60, 8, 8, "I2"));
    ASSERT_TRUE(PdfBeginPage(path, 100, 130));
    ASSERT_TRUE(PdfDrawImage(path, 10.5, 120.25, 80, 120, "I2", 8));
    ASSERT_TRUE(PdfEndPage(path));
    if (thirdIsJpx) {
        ASSERT_TRUE(PdfAddJpxImage(path, third, 50, 50, 8, 24, "I3"));
    } else {
        ASSERT_TRUE(PdfAddJpegImage(path, third, 64, 48, 8, 24, "I3"));
    }
    ASSERT_TRUE(PdfBeginPage(path, 72, 72));
    ASSERT_TRUE(PdfDrawImage(path, 0, 72, 72, 72, "I3", 24));
    ASSERT_TRUE(PdfCloseDocument(path));

    EXPECT_TRUE(test::CrossReferenceIsConsistent(FileText(path)));
    if (test::HaveQpdf()) {
        EXPECT_TRUE(test::QpdfAccepts(path));
    }
    std::string errors;
    const int status =
        test::RunCommand("pdftoppm -r 36 -png " + test::ShellQuote(path) + " " +
                             test::ShellQuote(dir_.File("page")) + " 2>&1 >/dev/null",
                         &errors);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(errors, "");
    for (const char* page : {"page-1.png", "page-2.png", "page-3.png"}) {
        EXPECT_TRUE(std::filesystem::exists(dir_.Path() / page)) << page;
    }
}

// 10,000 pages drawing one image added once: 1 image + 4 objects per page + catalog + root =
// 40,003 records, so the close's sort pumps events floor(40003 / 1001) = 39 times.
class TenThousandPageTest : public PdfWriterTest {};

TEST_F(TenThousandPageTest, WritesAConsistentDocumentAndPumpsEvents) {
    const std::string imagePath = dir_.File("small.jpg");
    test::WriteText(imagePath, test::MinimalJpeg(3));
    int pumpCalls = 0;

    const std::string path = dir_.File("ten-thousand.pdf");
    ASSERT_TRUE(PdfOpenDocument(path, "1.3", test::kPinnedTime));
    ASSERT_TRUE(PdfAddJpegImage(path, imagePath, 8, 8, 8, 24, "I1"));
    for (int page = 0; page < 10000; ++page) {
        ASSERT_TRUE(PdfBeginPage(path, 72, 72));
        ASSERT_TRUE(PdfDrawImage(path, 18, 54, 36, 36, "I1", 24));
        ASSERT_TRUE(PdfEndPage(path));
    }
    ASSERT_EQ(PdfSession().objectTable.size(), 40001u);
    ASSERT_TRUE(PdfCloseDocument(path, [&pumpCalls] { ++pumpCalls; }));
    EXPECT_EQ(pumpCalls, 39);

    const std::string written = FileText(path);
    EXPECT_TRUE(test::CrossReferenceIsConsistent(written));
    EXPECT_NE(written.find("/Count 10000\n"), std::string::npos);
    EXPECT_NE(written.find("trailer <</Size 40004 /Root 40003 0 R>>"), std::string::npos);
    if (test::HaveQpdf()) {
        EXPECT_TRUE(test::QpdfAccepts(path));
    }
}

} // namespace
} // namespace folionix
