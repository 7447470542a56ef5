#include "common/FileAccess.h"
#include "common/PathCase.h"
#include "common/RunError.h"
#include "pdf/PdfTestSupport.h"
#include "pdf/modPDF.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <filesystem>
#include <limits>
#include <locale>

namespace folionix {
namespace {

using test::FileText;
using test::PdfWriterTest;
using test::PinnedHeader;

class DocumentOpenTest : public PdfWriterTest {};

TEST_F(DocumentOpenTest, TruncatesAnExistingFileToTheExactHeader) {
    const std::string path = dir_.File("out.pdf");
    test::WriteText(path, std::string(5000, 'x'));
    ASSERT_TRUE(PdfOpenDocument(path, /*version*/ "1.3", test::kPinnedTime));
    const std::string text = FileText(path);
    EXPECT_EQ(text.size(), 43u);
    EXPECT_EQ(text, PinnedHeader());
    const std::string expectedStart("\x25\x50\x44\x46\x2D\x31\x2E\x33\x0A\x25\xE4\xE3\xCF\xD2\xBF"
                                    "\x0A\x0A");
    EXPECT_EQ(text.substr(0, 17), expectedStart);
}

TEST_F(DocumentOpenTest, ResetsTheSession) {
    const std::string path = dir_.File("out.pdf");
    ASSERT_TRUE(PdfOpenDocument(path, "1.3", test::kPinnedTime));
    PdfRecordObject(path, 2, 0, 43, "/Page");
    ASSERT_TRUE(PdfBeginPage(path, 100, 100));
    ASSERT_TRUE(PdfOpenDocument(path, "1.3", test::kPinnedTime));
    const DocumentSession& session = PdfSession();
    EXPECT_EQ(session.documentPath, path);
    EXPECT_TRUE(session.objectTable.empty());
    EXPECT_TRUE(session.imageRegistry.empty());
    EXPECT_FALSE(session.openPage.has_value());
    EXPECT_EQ(session.nextObjectNumber, 2);
    EXPECT_EQ(session.pageTreeObject, 1);
    EXPECT_EQ(session.pageTreeGeneration, 0);
}

TEST_F(DocumentOpenTest, UncreatableFileReturnsFalseAndLeavesTheSessionAlone) {
    const std::string path = dir_.File("out.pdf");
    ASSERT_TRUE(PdfOpenDocument(path, "1.3", test::kPinnedTime));
    ASSERT_TRUE(PdfBeginPage(path, 10, 10));
    EXPECT_FALSE(PdfOpenDocument(dir_.File("missing-folder/out.pdf"), "1.3", test::kPinnedTime));
    EXPECT_EQ(PdfSession().documentPath, path);
    EXPECT_TRUE(PdfSession().openPage.has_value());
    EXPECT_EQ(PdfSession().nextObjectNumber, 4);
}

struct VersionRow {
    const char* argument;
    const char* firstLine;
};

class VersionTextTest : public PdfWriterTest, public ::testing::WithParamInterface<VersionRow> {};

TEST_P(VersionTextTest, FirstLine) {
    const std::string path = dir_.File("v.pdf");
    ASSERT_TRUE(PdfOpenDocument(path, GetParam().argument, test::kPinnedTime));
    const std::string text = FileText(path);
    EXPECT_EQ(text.substr(0, text.find('\n')), GetParam().firstLine);
}

INSTANTIATE_TEST_SUITE_P(Rows, VersionTextTest,
                         ::testing::Values(VersionRow{"1.3", "%PDF-1.3"},
                                           VersionRow{" 1.5 ", "%PDF-1.5"},
                                           VersionRow{"   1.7", "%PDF-1.7"},
                                           VersionRow{"1.10", "%PDF-1.4"},
                                           VersionRow{"", "%PDF-1.4"}, VersionRow{"2", "%PDF-1.4"},
                                           VersionRow{"\t1.3", "%PDF-1.4"}));

class WriteTextTest : public PdfWriterTest {};

TEST_F(WriteTextTest, EmptyTextDoesNotCreateAMissingFile) {
    const std::string path = dir_.File("never.pdf");
    EXPECT_TRUE(PdfWriteText(path, ""));
    EXPECT_FALSE(std::filesystem::exists(PathFromUtf8(path)));
}

TEST_F(WriteTextTest, AppendsAtTheEndAndCreatesAMissingFile) {
    const std::string path = dir_.File("a.txt");
    EXPECT_TRUE(PdfWriteText(path, "abc"));
    EXPECT_TRUE(PdfWriteText(path, "de\n"));
    EXPECT_EQ(FileText(path), "abcde\n");
    EXPECT_EQ(PdfFileLength(path), 6);
}

TEST_F(WriteTextTest, UnopenableFileReturnsFalse) {
    EXPECT_FALSE(PdfWriteText(dir_.File("no/such/folder.pdf"), "x"));
    EXPECT_FALSE(PdfWriteText(dir_.Path().string(), "x")); // a folder
}

TEST_F(WriteTextTest, ThroughAHandleAppendsAtTheCurrentEnd) {
    const std::string path = dir_.File("h.txt");
    test::WriteText(path, "12");
    std::optional<File> file = File::Open(path, File::Mode::ReadWrite);
    ASSERT_TRUE(file);
    EXPECT_TRUE(PdfWriteText(path, "34", *file));
    EXPECT_EQ(PdfFileLength(path, *file), 4);
    EXPECT_EQ(FileText(path), "1234");
}

TEST_F(WriteTextTest, AWriteThePlatformRefusesEndsTheRun) {
    if (!std::filesystem::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    EXPECT_THROW(PdfWriteText("/dev/full", "abc"), RunError);
}

TEST(FileLengthTest, MissingFileIsCreatedEmptyAndUnopenableGivesMinusOne) {
    test::TempDir dir;
    const std::string path = dir.File("new.bin");
    EXPECT_EQ(PdfFileLength(path), 0);
    EXPECT_TRUE(std::filesystem::exists(PathFromUtf8(path)));
    EXPECT_EQ(PdfFileLength(dir.File("no/such.bin")), -1);
}

TEST(FileLengthTest, TwoGibibytesOrMoreEndTheRun) {
    test::TempDir dir;
    const std::string path = dir.File("sparse.bin");
    test::WriteText(path, "");
    std::filesystem::resize_file(PathFromUtf8(path), (std::uintmax_t{1} << 31) - 1);
    EXPECT_EQ(PdfFileLength(path), std::numeric_limits<std::int32_t>::max());
    std::filesystem::resize_file(PathFromUtf8(path), std::uintmax_t{1} << 31);
    EXPECT_THROW(PdfFileLength(path), RunError);
}

class RecordObjectTest : public PdfWriterTest {};

// Another letter case is the same document only where file names ignore case; elsewhere it is
// another file, whose table starts afresh.
TEST_F(RecordObjectTest, SamePathInOtherLetterCaseFollowsThePlatform) {
    const std::string path = dir_.File("Doc.pdf");
    ASSERT_TRUE(PdfOpenDocument(path, "1.3", test::kPinnedTime));
    PdfRecordObject(path, 2, 0, 43, "/XObject");
    std::string upper = path;
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    PdfRecordObject(upper, 3, 0, 99, "/Page");
    PdfRecordObject("", 4, 0, 120, "");
    if (kFileNamesIgnoreCase) {
        ASSERT_EQ(PdfSession().objectTable.size(), 3u);
        EXPECT_EQ(PdfSession().documentPath, path);
        EXPECT_EQ(PdfSession().objectTable[1].offset, 99);
        EXPECT_EQ(PdfSession().objectTable[1].kind, "/Page");
    } else {
        ASSERT_EQ(PdfSession().objectTable.size(), 2u);
        EXPECT_EQ(PdfSession().documentPath, upper);
        EXPECT_EQ(PdfSession().objectTable[0].offset, 99);
    }
}

TEST_F(RecordObjectTest, AnotherPathEmptiesTheTableFirst) {
    ASSERT_TRUE(PdfOpenDocument(dir_.File("a.pdf"), "1.3", test::kPinnedTime));
    PdfRecordObject(dir_.File("a.pdf"), 2, 0, 43, "");
    PdfRecordObject(dir_.File("b.pdf"), 7, 0, 50, "");
    ASSERT_EQ(PdfSession().objectTable.size(), 1u);
    EXPECT_EQ(PdfSession().objectTable[0].objectNumber, 7);
    EXPECT_EQ(PdfSession().documentPath, dir_.File("b.pdf"));
}

TEST(FramingTest, ObjectStreamHeadAndTail) {
    EXPECT_EQ(PdfObjectText(5, 0, "55"), "5 0 obj\n55\nendobj\n");
    EXPECT_EQ(PdfStreamHead(4, 0, "5 0 R"), "4 0 obj\n<</Length 5 0 R>>\nstream\n");
    EXPECT_EQ(PdfStreamTail(), "endstream\nendobj\n");
    EXPECT_EQ(PdfObjectText(-3, 0, "x"), "-3 0 obj\nx\nendobj\n");
}

struct NumberRow {
    double value;
    const char* text;
};

class FormatNumberTest : public ::testing::TestWithParam<NumberRow> {};

TEST_P(FormatNumberTest, Text) {
    EXPECT_EQ(PdfFormatNumber(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, FormatNumberTest,
    ::testing::Values(NumberRow{612, "612.0"}, NumberRow{0.5, "0.5"}, NumberRow{100.25, "100.25"},
                      NumberRow{12.3456, "12.346"}, NumberRow{-7, "-7.0"},
                      NumberRow{841.8898, "841.89"}, NumberRow{0.0004, "0.0"}, NumberRow{0, "0"},
                      NumberRow{1, "1.0"}, NumberRow{1234567.5, "1234567.5"},
                      NumberRow{0.1 + 0.2, "0.3"}, NumberRow{539.123456, "539.123"},
                      NumberRow{355.25, "355.25"}));

// Halves are decided on the exact value of the double, and go away from zero: 0.0625 is exact,
// 2.0005 lies just above its half and 1.0005 just below.
INSTANTIATE_TEST_SUITE_P(Rounding, FormatNumberTest,
                         ::testing::Values(NumberRow{0.0625, "0.063"}, NumberRow{-0.0625, "-0.063"},
                                           NumberRow{1.0625, "1.063"}, NumberRow{0.3125, "0.313"},
                                           NumberRow{0.0005, "0.001"}, NumberRow{-0.0005, "-0.001"},
                                           NumberRow{2.0005, "2.001"}, NumberRow{1.0005, "1.0"},
                                           NumberRow{9.9995, "9.999"}, NumberRow{0.9995, "1.0"},
                                           NumberRow{9.9996, "10.0"},
                                           NumberRow{-999.9999, "-1000.0"},
                                           NumberRow{0.00049999, "0.0"},
                                           NumberRow{1e20, "100000000000000000000.0"},
                                           NumberRow{5e-324, "0.0"}, NumberRow{0.125, "0.125"},
                                           NumberRow{2147483647.5, "2147483647.5"}));

// A negative value that rounds to zero is written "0"; so are the values that are no number.
INSTANTIATE_TEST_SUITE_P(NegativeZeroAndOdd, FormatNumberTest,
                         ::testing::Values(NumberRow{-0.0001, "0"}, NumberRow{-0.00049, "0"},
                                           NumberRow{-0.0, "0"}, NumberRow{-5e-324, "0"},
                                           NumberRow{std::numeric_limits<double>::quiet_NaN(), "0"},
                                           NumberRow{std::numeric_limits<double>::infinity(),
                                                     "0"}));

// Streams take their decimal point from the global C++ locale, printf from the C locale. The
// C++ side gets a decimal-comma facet that exists everywhere (named C++ locales are avoided:
// libstdc++ never frees part of them, which the leak checker reports); the C side switches to
// a German locale when one is installed.
class CommaDecimalPoint : public std::numpunct<char> {
protected:
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

TEST(FormatNumberLocaleTest, CommaLocaleStillWritesAPeriod) {
    bool cLocaleSwitched = false;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE"}) {
        if (std::setlocale(LC_ALL, name) != nullptr) {
            cLocaleSwitched = true;
            break;
        }
    }
    // The locale takes ownership of the facet.
    const std::locale previous =
        std::locale::global(std::locale(std::locale::classic(), new CommaDecimalPoint));

    EXPECT_EQ(PdfFormatNumber(2.5), "2.5");
    EXPECT_EQ(PdfFormatNumber(1234567.125), "1234567.125");
    EXPECT_EQ(PdfPlacementText(36.5, 755.25, 539.123456, 400, "I1"),
              "q\n1 0 0 1 36.5 355.25 cm\n539.123 0 0 400.0 0 0 cm\n/I1 Do\nQ\n");
    EXPECT_EQ(PdfPageTreeText(1, 0, {{1234, 0}}).find('.'), std::string::npos);

    std::locale::global(previous);
    std::setlocale(LC_ALL, "C");
    if (!cLocaleSwitched) {
        GTEST_SKIP() << "no German C locale installed; only the C++ locale was switched";
    }
}

} // namespace
} // namespace folionix
