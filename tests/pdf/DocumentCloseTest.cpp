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
using test::PinnedHeader;

// The whole one-page document, checked by hand line by line and offset by offset, with the
// 151-byte JPEG of MinimalJpeg(3) as the image: header 43 bytes; image object 2 at 43
// (143-byte head, 151 data bytes, 18-byte closing text); page 3 at 355 (103 bytes); content
// stream 4 at 458 (33-byte head, 55 data bytes, 17-byte tail); length 5 at 563 (18);
// resources 6 at 581 (75); catalog 7 at 656 (48); page tree root 1 at 704 (56); xref at 760.
std::string GoldenOnePageDocument() {
    return PinnedHeader() +
           "2 0 obj\n"
           "<</Type /XObject\n"
           "/Subtype /Image\n"
           "/Filter /DCTDecode\n"
           "/BitsPerComponent 8\n"
           "/ColorSpace /DeviceRGB\n"
           "/Width 8\n"
           "/Height 8\n"
           "/Length 151>>\n"
           "stream\n" +
           test::MinimalJpeg(3) +
           "\n"
           "endstream\n"
           "endobj\n"
           "3 0 obj\n"
           "<</Type /Page\n"
           "/Parent 1 0 R\n"
           "/MediaBox [0 0 612 792]\n"
           "/Contents 4 0 R\n"
           "/Resources 6 0 R\n"
           ">>\n"
           "endobj\n"
           "4 0 obj\n"
           "<</Length 5 0 R>>\n"
           "stream\n"
           "q\n"
           "1 0 0 1 72.0 72.0 cm\n"
           "468.0 0 0 648.0 0 0 cm\n"
           "/I1 Do\n"
           "Q\n"
           "endstream\n"
           "endobj\n"
           "5 0 obj\n"
           "55\n"
           "endobj\n"
           "6 0 obj\n"
           "<</ProcSet [/PDF /Text /ImageC]\n"
           "/XObject <<\n"
           "/I1 2 0 R\n"
           ">>\n"
           ">>\n"
           "endobj\n"
           "7 0 obj\n"
           "<</Type /Catalog\n"
           "/Pages 1 0 R\n"
           ">>\n"
           "endobj\n"
           "1 0 obj\n"
           "<</Type /Pages\n"
           "/Kids [3 0 R]\n"
           "/Count 1\n"
           ">>\n"
           "endobj\n"
           "xref\n"
           "0 8\n"
           "0000000000 65535 f\r\n"
           "0000000704 00000 n\r\n"
           "0000000043 00000 n\r\n"
           "0000000355 00000 n\r\n"
           "0000000458 00000 n\r\n"
           "0000000563 00000 n\r\n"
           "0000000581 00000 n\r\n"
           "0000000656 00000 n\r\n"
           "trailer <</Size 8 /Root 7 0 R>>\n"
           "\n"
           "startxref\n"
           "760\n"
           "%%EOF\n";
}

// Header 43; catalog 2 at 43 (48 bytes); page tree root 1 at 91 (51 bytes); xref at 142.
std::string GoldenEmptyDocument() {
    return PinnedHeader() + "2 0 obj\n"
                            "<</Type /Catalog\n"
                            "/Pages 1 0 R\n"
                            ">>\n"
                            "endobj\n"
                            "1 0 obj\n"
                            "<</Type /Pages\n"
                            "/Kids []\n"
                            "/Count 0\n"
                            ">>\n"
                            "endobj\n"
                            "xref\n"
                            "0 3\n"
                            "0000000000 65535 f\r\n"
                            "0000000091 00000 n\r\n"
                            "0000000043 00000 n\r\n"
                            "trailer <</Size 3 /Root 2 0 R>>\n"
                            "\n"
                            "startxref\n"
                            "142\n"
                            "%%EOF\n";
}

class DocumentCloseTest : public PdfWriterTest {};

TEST_F(DocumentCloseTest, OnePageDocumentMatchesTheGoldenBytes) {
    const std::string path = dir_.File("golden.pdf");
    const std::string image = dir_.File("image.jpg");
    test::WriteText(image, test::MinimalJpeg(3));

    ASSERT_TRUE(PdfOpenDocument(path, /*version*/ "1.3", test::kPinnedTime));
    ASSERT_TRUE(PdfAddJpegImage(path, image, /*width*/ 8, /*height*/ 8,
                                /*bitsPerComponent*/ 8, /*bitsPerPixel*/ 24, "I1"));
    ASSERT_TRUE(PdfBeginPage(path, 612, 792));
    ASSERT_TRUE(PdfDrawImage(path, /*x*/ 72, /*yTop*/ 720, /*width*/ 468, /*height*/ 648, "I1",
                             /*bitsPerPixel*/ 24));
    ASSERT_TRUE(PdfEndPage(path));
    ASSERT_TRUE(PdfCloseDocument(path));

    const std::string written = FileText(path);
    EXPECT_EQ(written, GoldenOnePageDocument());
    EXPECT_TRUE(test::CrossReferenceIsConsistent(written));
    EXPECT_TRUE(test::CrossReferenceIsConsistent(GoldenOnePageDocument()));
    if (test::HaveQpdf()) {
        EXPECT_TRUE(test::QpdfAccepts(path));
    }
}

TEST_F(DocumentCloseTest, DocumentWithoutPagesMatchesTheGoldenBytes) {
    const std::string path = dir_.File("empty.pdf");
    ASSERT_TRUE(PdfOpenDocument(path, "1.3", test::kPinnedTime));
    ASSERT_TRUE(PdfCloseDocument(path));
    const std::string written = FileText(path);
    EXPECT_EQ(written, GoldenEmptyDocument());
    EXPECT_TRUE(test::CrossReferenceIsConsistent(written));
    if (test::HaveQpdf()) {
        EXPECT_TRUE(test::QpdfAccepts(path));
    }
}

TEST_F(DocumentCloseTest, OnlyCrossReferenceRowsEndInCarriageReturn) {
    const std::string path = dir_.File("crlf.pdf");
    ASSERT_TRUE(PdfOpenDocument(path, "1.3", test::kPinnedTime));
    ASSERT_TRUE(PdfBeginPage(path, 10, 10));
    ASSERT_TRUE(PdfCloseDocument(path));
    if (test::HaveQpdf()) {
        EXPECT_TRUE(test::QpdfAccepts(path));
    }
    const std::string written = FileText(path);
    const std::size_t xref = written.rfind("\nxref\n") + 1;
    const std::size_t trailer = written.rfind("trailer");
    EXPECT_EQ(written.substr(0, xref).find('\r'), std::string::npos);
    EXPECT_EQ(written.substr(trailer).find('\r'), std::string::npos);
    EXPECT_EQ(test::CountOf(written.substr(xref, trailer - xref), "\r\n"), 7u);
    EXPECT_EQ((trailer - xref - std::string("xref\n0 7\n").size()) % 20, 0u);
}

TEST_F(DocumentCloseTest, PagesAreListedInTheOrderTheyWereBegun) {
    const std::string path = dir_.File("three.pdf");
    ASSERT_TRUE(PdfOpenDocument(path, "1.3", test::kPinnedTime));
    ASSERT_TRUE(PdfBeginPage(path, 10, 10)); // 2..5
    ASSERT_TRUE(PdfEndPage(path));
    ASSERT_TRUE(PdfBeginPage(path, 10, 10)); // 6..9
    ASSERT_TRUE(PdfBeginPage(path, 10, 10)); // 10..13, ending the page before
    ASSERT_TRUE(PdfCloseDocument(path));
    const std::string written = FileText(path);
    EXPECT_NE(written.find("/Kids [2 0 R 6 0 R 10 0 R]\n/Count 3\n"), std::string::npos);
    EXPECT_NE(written.find("trailer <</Size 15 /Root 14 0 R>>"), std::string::npos);
    EXPECT_TRUE(test::CrossReferenceIsConsistent(written));
    if (test::HaveQpdf()) {
        EXPECT_TRUE(test::QpdfAccepts(path));
    }
}

TEST_F(DocumentCloseTest, APageStillOpenIsEndedBeforeTheCatalog) {
    const std::string path = dir_.File("open.pdf");
    ASSERT_TRUE(PdfOpenDocument(path, "1.3", test::kPinnedTime));
    ASSERT_TRUE(PdfBeginPage(path, 612, 792)); // page 2, stream 3, length 4, resources 5
    ASSERT_TRUE(PdfDrawImage(path, 0, 10, 10, 10, "I9", 24));
    ASSERT_TRUE(PdfCloseDocument(path));
    if (test::HaveQpdf()) {
        EXPECT_TRUE(test::QpdfAccepts(path));
    }
    const std::string written = FileText(path);
    const std::string expectedEnd = "Q\n"
                                    "endstream\n"
                                    "endobj\n"
                                    "4 0 obj\n"
                                    "47\n"
                                    "endobj\n"
                                    "5 0 obj\n"
                                    "<</ProcSet [/PDF /Text /ImageC]\n"
                                    "/XObject <<\n"
                                    "/I9 0 0 R\n"
                                    ">>\n"
                                    ">>\n"
                                    "endobj\n"
                                    "6 0 obj\n"
                                    "<</Type /Catalog\n";
    EXPECT_NE(written.find(expectedEnd), std::string::npos);
    EXPECT_TRUE(test::CrossReferenceIsConsistent(written));
    EXPECT_FALSE(PdfSession().openPage.has_value());
}

TEST_F(DocumentCloseTest, ResetsTheSessionAndTheNextDocumentStartsAtTwo) {
    const std::string path = dir_.File("a.pdf");
    const std::string image = dir_.File("i.jpg");
    test::WriteText(image, test::MinimalJpeg(1));
    ASSERT_TRUE(PdfOpenDocument(path, "1.3", test::kPinnedTime));
    ASSERT_TRUE(PdfAddJpegImage(path, image, 1, 1, 8, 24, "I1"));
    ASSERT_TRUE(PdfBeginPage(path, 10, 10));
    ASSERT_TRUE(PdfCloseDocument(path));
    if (test::HaveQpdf()) {
        EXPECT_TRUE(test::QpdfAccepts(path));
    }
    const DocumentSession& session = PdfSession();
    EXPECT_TRUE(session.documentPath.empty());
    EXPECT_TRUE(session.objectTable.empty());
    EXPECT_TRUE(session.imageRegistry.empty());
    EXPECT_TRUE(session.pageProcSetNames.empty());
    EXPECT_TRUE(session.pageXObjectNames.empty());
    EXPECT_FALSE(session.openPage.has_value());
    EXPECT_EQ(session.nextObjectNumber, 2);
    EXPECT_FALSE(IsResourceNameUsed("I1"));
    EXPECT_FALSE(IsSourceEmbedded(image));

    const std::string second = dir_.File("b.pdf");
    ASSERT_TRUE(PdfOpenDocument(second, "1.3", test::kPinnedTime));
    ASSERT_TRUE(PdfAddJpegImage(second, image, 1, 1, 8, 24, "I1"));
    EXPECT_EQ(FindImageByName("I1").objectNumber, 2);
}

TEST_F(DocumentCloseTest, UnopenablePathReturnsFalseAndStillResets) {
    const std::string path = dir_.File("a.pdf");
    ASSERT_TRUE(PdfOpenDocument(path, "1.3", test::kPinnedTime));
    ASSERT_TRUE(PdfBeginPage(path, 10, 10));
    const std::string before = FileText(path);
    EXPECT_FALSE(PdfCloseDocument(dir_.File("no/such/folder.pdf")));
    EXPECT_EQ(FileText(path), before);
    EXPECT_TRUE(PdfSession().objectTable.empty());
    EXPECT_FALSE(PdfSession().openPage.has_value());
    EXPECT_EQ(PdfSession().nextObjectNumber, 2);
    EXPECT_TRUE(PdfSession().documentPath.empty());
}

TEST_F(DocumentCloseTest, AWriteErrorEndsTheRunAndResetsTheSession) {
    if (!std::filesystem::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    ASSERT_TRUE(PdfOpenDocument(dir_.File("a.pdf"), "1.3", test::kPinnedTime));
    EXPECT_THROW(PdfCloseDocument("/dev/full"), RunError);
    EXPECT_TRUE(PdfSession().objectTable.empty());
    EXPECT_EQ(PdfSession().nextObjectNumber, 2);
}

class SortObjectTableTest : public PdfWriterTest {
protected:
    void Record(std::initializer_list<std::int32_t> numbers) {
        ASSERT_TRUE(PdfOpenDocument(dir_.File("s.pdf"), "1.3", test::kPinnedTime));
        for (const std::int32_t number : numbers) {
            PdfRecordObject(dir_.File("s.pdf"), number, 0, number * 10, "");
        }
    }
};

TEST_F(SortObjectTableTest, OrdersByObjectNumber) {
    Record({5, 3, 9, 1, 7, 2});
    EXPECT_EQ(SortObjectTable(), (std::vector<std::size_t>{3, 5, 1, 0, 4, 2}));
}

TEST_F(SortObjectTableTest, AnEqualNumberIsPlacedBeforeTheEarlierRecords) {
    Record({4, 2, 4});
    EXPECT_EQ(SortObjectTable(), (std::vector<std::size_t>{1, 2, 0}));
}

TEST_F(SortObjectTableTest, RootWrittenLastComesFirst) {
    Record({2, 3, 4, 5, 6, 1});
    EXPECT_EQ(SortObjectTable(), (std::vector<std::size_t>{5, 0, 1, 2, 3, 4}));
}

struct PumpRow {
    int records;
    int calls;
};

class EventPumpTest : public SortObjectTableTest, public ::testing::WithParamInterface<PumpRow> {};

// The pump runs once after every 1001 records placed: floor(records / 1001) times.
TEST_P(EventPumpTest, CalledOnceAfterEvery1001Records) {
    ASSERT_TRUE(PdfOpenDocument(dir_.File("p.pdf"), "1.3", test::kPinnedTime));
    for (int i = 0; i < GetParam().records; ++i) {
        PdfRecordObject(dir_.File("p.pdf"), i + 2, 0, i, "");
    }
    int calls = 0;
    const std::vector<std::size_t> order = SortObjectTable([&calls] { ++calls; });
    EXPECT_EQ(order.size(), static_cast<std::size_t>(GetParam().records));
    EXPECT_EQ(calls, GetParam().calls);
}

INSTANTIATE_TEST_SUITE_P(Rows, EventPumpTest,
                         ::testing::Values(PumpRow{0, 0}, PumpRow{1000, 0}, PumpRow{1001, 1},
                                           PumpRow{2001, 1}, PumpRow{2002, 2}, PumpRow{3004, 3}));

TEST_F(DocumentCloseTest, ASmallDocumentNeverPumpsEvents) {
    const std::string path = dir_.File("small.pdf");
    int calls = 0;
    ASSERT_TRUE(PdfOpenDocument(path, "1.3", test::kPinnedTime));
    for (int page = 0; page < 249; ++page) { // 996 records + catalog + root = 998
        ASSERT_TRUE(PdfBeginPage(path, 10, 10));
    }
    ASSERT_TRUE(PdfCloseDocument(path, [&calls] { ++calls; }));
    if (test::HaveQpdf()) {
        EXPECT_TRUE(test::QpdfAccepts(path));
    }
    EXPECT_EQ(calls, 0);
}

} // namespace
} // namespace folionix
