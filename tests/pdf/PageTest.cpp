#include "pdf/PdfTestSupport.h"
#include "pdf/modPDF.h"

#include <gtest/gtest.h>

namespace folionix {
namespace {

using test::FileText;
using test::PdfWriterTest;

class PageTest : public PdfWriterTest {
protected:
    void SetUp() override {
        PdfWriterTest::SetUp();
        path_ = dir_.File("doc.pdf");
        ASSERT_TRUE(PdfOpenDocument(path_, "1.3", test::kPinnedTime));
    }

    std::string Body() const { return FileText(path_).substr(43); }

    std::string path_;
};

TEST_F(PageTest, OpenPageMarksTheFirstByteOfStreamData) {
    ASSERT_TRUE(PdfBeginPage(path_, 612, 792));
    EXPECT_EQ(PdfSession().openPage, 43 + 103 + 33);
    EXPECT_EQ(PdfSession().nextObjectNumber, 4);
}

TEST_F(PageTest, EmptyPageHasAnEmptyStreamAndNoXObjects) {
    ASSERT_TRUE(PdfBeginPage(path_, 612, 792));
    ASSERT_TRUE(PdfEndPage(path_));
    const std::string body = Body();
    EXPECT_NE(body.find("stream\nendstream\nendobj\n4 0 obj\n0\nendobj\n"
                        "5 0 obj\n<</ProcSet [/PDF /Text]\n>>\nendobj\n"),
              std::string::npos);
    EXPECT_EQ(body.find("/XObject"), std::string::npos);
}

class MediaBoxTest : public PageTest, public ::testing::WithParamInterface<std::pair<int, int>> {};

TEST_P(MediaBoxTest, OmittedWithoutAPositiveSize) {
    ASSERT_TRUE(PdfBeginPage(path_, GetParam().first, GetParam().second));
    EXPECT_EQ(Body(), "2 0 obj\n"
                      "<</Type /Page\n"
                      "/Parent 1 0 R\n"
                      "/Contents 3 0 R\n"
                      "/Resources 5 0 R\n"
                      ">>\n"
                      "endobj\n"
                      "3 0 obj\n"
                      "<</Length 4 0 R>>\n"
                      "stream\n");
}

INSTANTIATE_TEST_SUITE_P(Sizes, MediaBoxTest,
                         ::testing::Values(std::pair{0, 792}, std::pair{612, 0},
                                           std::pair{-612, 792}, std::pair{612, -1},
                                           std::pair{0, 0}));

TEST(PageTextTest, MediaBoxWithTheSmallestSize) {
    EXPECT_NE(PdfPageText(3, 1, 0, 1, 1).find("/MediaBox [0 0 1 1]\n"), std::string::npos);
}

struct ProcSetRow {
    std::vector<std::int32_t> bitsPerPixel;
    const char* line;
};

class ProcSetTest : public PageTest, public ::testing::WithParamInterface<ProcSetRow> {};

TEST_P(ProcSetTest, LineFollowsTheImagesDrawn) {
    ASSERT_TRUE(PdfBeginPage(path_, 100, 100));
    int n = 1;
    for (const std::int32_t bits : GetParam().bitsPerPixel) {
        ASSERT_TRUE(PdfDrawImage(path_, 0, 100, 10, 10, "I" + std::to_string(n++), bits));
    }
    ASSERT_TRUE(PdfEndPage(path_));
    EXPECT_NE(Body().find(std::string("\n") + GetParam().line + "\n"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ProcSetTest,
    ::testing::Values(ProcSetRow{{24}, "<</ProcSet [/PDF /Text /ImageC]"},
                      ProcSetRow{{1}, "<</ProcSet [/PDF /Text /ImageB]"},
                      ProcSetRow{{8}, "<</ProcSet [/PDF /Text /ImageB /ImageC /ImageI]"},
                      ProcSetRow{{32}, "<</ProcSet [/PDF /Text /ImageB /ImageC /ImageI]"},
                      ProcSetRow{{1, 24}, "<</ProcSet [/PDF /Text /ImageB /ImageC]"},
                      ProcSetRow{{24, 24, 1, 1}, "<</ProcSet [/PDF /Text /ImageB /ImageC]"},
                      ProcSetRow{{}, "<</ProcSet [/PDF /Text]"}));

TEST_F(PageTest, TwoImagesInDrawingOrderAndNamesSortedOnce) {
    const std::string image = dir_.File("i.jpg");
    test::WriteText(image, "abc");
    ASSERT_TRUE(PdfAddJpegImage(path_, image, 1, 1, 8, 24, "I2"));
    ASSERT_TRUE(PdfAddJpegImage(path_, dir_.File("i.jpg"), 1, 1, 8, 24, "I10"));
    ASSERT_TRUE(PdfBeginPage(path_, 100, 100));
    ASSERT_TRUE(PdfDrawImage(path_, 0, 100, 10, 10, "I2", 24));
    ASSERT_TRUE(PdfDrawImage(path_, 10, 100, 10, 10, "I10", 8));
    ASSERT_TRUE(PdfDrawImage(path_, 20, 100, 10, 10, "I2", 24));
    ASSERT_TRUE(PdfEndPage(path_));
    const std::string body = Body();
    const std::size_t first = body.find("/I2 Do");
    const std::size_t second = body.find("/I10 Do");
    const std::size_t third = body.find("/I2 Do", first + 1);
    EXPECT_LT(first, second);
    EXPECT_LT(second, third);
    EXPECT_NE(body.find("<</ProcSet [/PDF /Text /ImageB /ImageC /ImageI]\n"
                        "/XObject <<\n/I10 2 0 R\n/I2 2 0 R\n>>\n>>\nendobj\n"),
              std::string::npos);
}

TEST_F(PageTest, UnregisteredNameIsDrawnAndPointsAtObjectZero) {
    ASSERT_TRUE(PdfBeginPage(path_, 100, 100));
    ASSERT_TRUE(PdfDrawImage(path_, 0, 100, 10, 10, "Nope", 24));
    ASSERT_TRUE(PdfEndPage(path_));
    EXPECT_NE(Body().find("/XObject <<\n/Nope 0 0 R\n>>\n"), std::string::npos);
}

TEST_F(PageTest, EmptyNameDrawsNothing) {
    ASSERT_TRUE(PdfBeginPage(path_, 100, 100));
    const std::string before = FileText(path_);
    EXPECT_TRUE(PdfDrawImage(path_, 0, 100, 10, 10, "", 24));
    EXPECT_EQ(FileText(path_), before);
    EXPECT_TRUE(PdfSession().pageProcSetNames.empty());
    EXPECT_TRUE(PdfSession().pageXObjectNames.empty());
}

TEST_F(PageTest, DrawAndEndWithoutAnOpenPageWriteNothing) {
    const std::string before = FileText(path_);
    EXPECT_FALSE(PdfDrawImage(path_, 0, 100, 10, 10, "I1", 24));
    EXPECT_FALSE(PdfDrawImage(path_, 0, 100, 10, 10, "", 24));
    EXPECT_FALSE(PdfDrawImageWithPlacement(path_, "q\nQ\n", "I1", 24));
    EXPECT_FALSE(PdfEndPage(path_));
    EXPECT_EQ(FileText(path_), before);
    EXPECT_EQ(PdfSession().nextObjectNumber, 2);
    EXPECT_TRUE(PdfSession().objectTable.empty());
}

TEST_F(PageTest, BeginWhileOpenEndsThePreviousPageFirst) {
    ASSERT_TRUE(PdfBeginPage(path_, 100, 100)); // 2, 3, 4, 5
    ASSERT_TRUE(PdfBeginPage(path_, 200, 200)); // 6, 7, 8, 9
    ASSERT_TRUE(PdfEndPage(path_));
    const std::string body = Body();
    EXPECT_NE(body.find("stream\nendstream\nendobj\n4 0 obj\n0\nendobj\n5 0 obj\n"
                        "<</ProcSet [/PDF /Text]\n>>\nendobj\n6 0 obj\n<</Type /Page\n"),
              std::string::npos);
    std::vector<std::int32_t> numbers;
    for (const ObjectRecord& record : PdfSession().objectTable) {
        numbers.push_back(record.objectNumber);
    }
    EXPECT_EQ(numbers, (std::vector<std::int32_t>{2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_NE(body.find("/Contents 7 0 R\n/Resources 9 0 R\n"), std::string::npos);
}

TEST_F(PageTest, OtherPlacementsGoIntoTheStreamAsGiven) {
    ASSERT_TRUE(PdfBeginPage(path_, 100, 100));
    ASSERT_TRUE(PdfDrawImageWithPlacement(path_, "q\n0 -1 1 0 0 100 cm\n/I1 Do\nQ\n", "I1", 1));
    ASSERT_TRUE(PdfEndPage(path_));
    const std::string body = Body();
    EXPECT_NE(body.find("stream\nq\n0 -1 1 0 0 100 cm\n/I1 Do\nQ\nendstream\nendobj\n4 0 obj\n"
                        "29\nendobj\n5 0 obj\n<</ProcSet [/PDF /Text /ImageB]\n"
                        "/XObject <<\n/I1 0 0 R\n>>\n"),
              std::string::npos);
}

TEST(PlacementTextTest, FractionalValuesGoThroughTheNumberFormat) {
    EXPECT_EQ(PdfPlacementText(36.5, 755.25, 539.123456, 400, "I1"),
              "q\n1 0 0 1 36.5 355.25 cm\n539.123 0 0 400.0 0 0 cm\n/I1 Do\nQ\n");
    EXPECT_EQ(PdfPlacementText(0, 648, 612, 648, "I3"),
              "q\n1 0 0 1 0 0 cm\n612.0 0 0 648.0 0 0 cm\n/I3 Do\nQ\n");
}

TEST(NameSetTest, SortedByCharacterCodeWithoutDuplicatesOrEmptyNames) {
    std::vector<std::string> set;
    for (const char* name : {"I2", "I10", "", "I1", "I2", "i1", "Ia", "I10"}) {
        NameSetAdd(set, name);
    }
    EXPECT_EQ(set, (std::vector<std::string>{"I1", "I10", "I2", "Ia", "i1"}));
}

TEST(NameSetTest, BytesAboveSevenBitsSortAfterAscii) {
    std::vector<std::string> set;
    NameSetAdd(set, "\xC3\x9C");
    NameSetAdd(set, "Z");
    EXPECT_EQ(set, (std::vector<std::string>{"Z", "\xC3\x9C"}));
}

} // namespace
} // namespace folionix
