#include "ConversionFixtures.h"

#include "common/FileAccess.h"
#include "common/RunError.h"
#include "conversion/modFolionix.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <string>

namespace folionix::test {
namespace {

// --- LeadingNumber -------------------------------------------------------------------------------

struct NumberRow {
    std::string text;
    double value;
};

class LeadingNumberTable : public ::testing::TestWithParam<NumberRow> {};

TEST_P(LeadingNumberTable, ReadsTheNumberAtTheStart) {
    const NumberRow& row = GetParam();
    const double value = LeadingNumber(row.text);
    if (std::isinf(row.value)) {
        EXPECT_EQ(value, row.value);
    } else {
        EXPECT_DOUBLE_EQ(value, row.value) << '"' << row.text << '"';
    }
}

INSTANTIATE_TEST_SUITE_P(
    Examples, LeadingNumberTable,
    ::testing::Values(
        NumberRow{"8.5", 8.5}, NumberRow{"  11  ", 11}, NumberRow{"8.5in", 8.5},
        NumberRow{"abc", 0}, NumberRow{"", 0}, NumberRow{"8,5", 8}, NumberRow{"1 2 3", 123},
        NumberRow{"  -  4.5e1x", -45}, NumberRow{"\t\n 3", 3}, NumberRow{"+7", 7},
        NumberRow{"--5", 0}, NumberRow{"-", 0}, NumberRow{".", 0}, NumberRow{".5", 0.5},
        NumberRow{"-.25", -0.25}, NumberRow{"1.2.3", 1.2}, NumberRow{"1e-2", 0.01},
        NumberRow{"1.5D2", 150}, NumberRow{"1.5d-1", 0.15}, NumberRow{"1E 2", 100},
        NumberRow{"2e", 2}, NumberRow{"2e+", 2}, NumberRow{"2 e x", 2}, NumberRow{"3E+1", 30},
        NumberRow{"x1", 0}, NumberRow{"0.0", 0}, NumberRow{"-0", 0},
        NumberRow{"1e400", std::numeric_limits<double>::infinity()},
        NumberRow{"-1e400", -std::numeric_limits<double>::infinity()}, NumberRow{"1e-400", 0},
        NumberRow{"&HFF", 255}, NumberRow{"&hff", 255}, NumberRow{"&O17", 15},
        NumberRow{"&o 1 7", 15}, NumberRow{"&H", 0}, NumberRow{"&O8", 0}, NumberRow{"&", 0},
        NumberRow{"&X1", 0}, NumberRow{"&HFFFF", -1}, NumberRow{"&H8000", -32768},
        NumberRow{"&H10000", 65536}, NumberRow{"&HFFFFFFFF", -1}, NumberRow{"&H100000000", 0},
        NumberRow{"&H1G", 1}, NumberRow{"&O177777", -1}));

// --- Validation ---------------------------------------------------------------------------------

const std::string kFileNameMessage =
    std::string("Please enter a valid file name (cannot contain \\ / : * < > ? | ") + '"' + ")";

struct ValidationRow {
    std::string name;
    void (*change)(FakeHost&);
    std::string message; // empty: the settings pass
    int style;
    std::string title;
};

class ValidationTable : public ::testing::TestWithParam<ValidationRow> {};

TEST_P(ValidationTable, FirstFailingCheckShowsItsMessage) {
    const ValidationRow& row = GetParam();
    FakeHost host;
    row.change(host);
    const bool passed = ValidateSettings(host);
    if (row.message.empty()) {
        EXPECT_TRUE(passed);
        EXPECT_TRUE(host.messages.empty());
        return;
    }
    EXPECT_FALSE(passed);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, row.message);
    EXPECT_EQ(host.messages[0].style, row.style);
    EXPECT_EQ(host.messages[0].title, row.title);
}

const std::string kPath = "Please enter an Output Path";
const std::string kPage = "Please enter valid page dimensions.";
const std::string kMargins = "Please enter valid margins (zero or greater).";

INSTANTIATE_TEST_SUITE_P(
    Checks, ValidationTable,
    ::testing::Values(
        ValidationRow{"Defaults", [](FakeHost&) {}, "", 0, ""},
        ValidationRow{"EmptyOutputPath",
                      [](FakeHost& h) {
                          h.fields[SettingsField::OutputPath] = "";
                          h.fields[SettingsField::PageWidth] = "0";
                      },
                      kPath, 16, "Error"},
        ValidationRow{"BlankOutputPathPasses",
                      [](FakeHost& h) { h.fields[SettingsField::OutputPath] = "  "; }, "", 0, ""},
        ValidationRow{"WidthZero", [](FakeHost& h) { h.fields[SettingsField::PageWidth] = "0"; },
                      kPage, 16, "Error"},
        ValidationRow{"WidthNegative",
                      [](FakeHost& h) { h.fields[SettingsField::PageWidth] = "-1"; }, kPage, 16,
                      "Error"},
        ValidationRow{"WidthText", [](FakeHost& h) { h.fields[SettingsField::PageWidth] = "abc"; },
                      kPage, 16, "Error"},
        ValidationRow{"WidthEmpty", [](FakeHost& h) { h.fields[SettingsField::PageWidth] = ""; },
                      kPage, 16, "Error"},
        ValidationRow{"HeightZero", [](FakeHost& h) { h.fields[SettingsField::PageHeight] = "0"; },
                      kPage, 16, "Error"},
        ValidationRow{"WidthWithUnitPasses",
                      [](FakeHost& h) { h.fields[SettingsField::PageWidth] = "8.5in"; }, "", 0, ""},
        ValidationRow{"WidthWithCommaPasses",
                      [](FakeHost& h) { h.fields[SettingsField::PageWidth] = "8,5"; }, "", 0, ""},
        ValidationRow{"MatchSizeIgnoresPageFields",
                      [](FakeHost& h) {
                          h.specifyPageSize = false;
                          h.fields[SettingsField::PageWidth] = "abc";
                      },
                      "", 0, ""},
        ValidationRow{"NegativeMargin",
                      [](FakeHost& h) { h.fields[SettingsField::MarginRight] = "-0.1"; }, kMargins,
                      16, "Error"},
        ValidationRow{"EmptyMarginPasses",
                      [](FakeHost& h) { h.fields[SettingsField::MarginTop] = ""; }, "", 0, ""},
        ValidationRow{"PageSizeBeforeMargins",
                      [](FakeHost& h) {
                          h.fields[SettingsField::PageWidth] = "0";
                          h.fields[SettingsField::MarginLeft] = "-1";
                      },
                      kPage, 16, "Error"},
        ValidationRow{"MarginsBeforeFileName",
                      [](FakeHost& h) {
                          h.fields[SettingsField::MarginBottom] = "-1";
                          h.fields[SettingsField::FileName] = "";
                      },
                      kMargins, 16, "Error"},
        ValidationRow{"FileNameWithSlash",
                      [](FakeHost& h) { h.fields[SettingsField::FileName] = "a/b.pdf"; },
                      kFileNameMessage, 0, "Folionix"},
        ValidationRow{"FileNameWithQuestionMark",
                      [](FakeHost& h) { h.fields[SettingsField::FileName] = "x?.pdf"; },
                      kFileNameMessage, 0, "Folionix"},
        ValidationRow{"FileNameWithQuote",
                      [](FakeHost& h) { h.fields[SettingsField::FileName] = "a\"b.pdf"; },
                      kFileNameMessage, 0, "Folionix"},
        ValidationRow{"FileNameWithBackslash",
                      [](FakeHost& h) { h.fields[SettingsField::FileName] = "a\\b"; },
                      kFileNameMessage, 0, "Folionix"},
        ValidationRow{"EmptyFileName", [](FakeHost& h) { h.fields[SettingsField::FileName] = ""; },
                      kFileNameMessage, 0, "Folionix"},
        ValidationRow{"FileNameWithoutExtensionPasses",
                      [](FakeHost& h) { h.fields[SettingsField::FileName] = "report"; }, "", 0, ""},
        ValidationRow{"MultiplePdfsIgnoresFileName",
                      [](FakeHost& h) {
                          h.singlePdf = false;
                          h.fields[SettingsField::FileName] = "a/b?.pdf";
                      },
                      "", 0, ""}),
    [](const ::testing::TestParamInfo<ValidationRow>& row) { return row.param.name; });

TEST(Validation, MatchImageSizeNeverReadsThePageFields) {
    FakeHost host;
    host.specifyPageSize = false;
    ASSERT_TRUE(ValidateSettings(host));
    for (SettingsField field : host.reads) {
        EXPECT_NE(field, SettingsField::PageWidth);
        EXPECT_NE(field, SettingsField::PageHeight);
    }
}

TEST(ReadSettingsTest, ModesComeFromTheOptionButtonsAndGreyIsOff) {
    FakeHost host;
    host.specifyPageSize = false;
    host.singlePdf = false;
    host.centered = false;
    host.shrink = CheckState::Grayed;
    host.fields[SettingsField::MarginLeft] = "0.5in";
    const ConversionSettings settings = ReadSettings(host);
    EXPECT_EQ(settings.pageSizeMode, PageSizeMode::MatchImageSize);
    EXPECT_EQ(settings.outputMode, OutputMode::MultiplePdfs);
    EXPECT_EQ(settings.imagePosition, ImagePosition::TopLeftCorner);
    EXPECT_FALSE(settings.shrinkOversized);
    EXPECT_DOUBLE_EQ(settings.marginLeft, 0.5);
    EXPECT_EQ(settings.fileName, "JPEG_Output.PDF");
}

// --- The run ----------------------------------------------------------------------------------

class RunTest : public ::testing::Test {
protected:
    RunTest() {
        host.times = {LocalTime{2026, 1, 2, 9, 15, 2}, LocalTime{2026, 1, 2, 9, 15, 4}};
        host.fields[SettingsField::OutputPath] = Utf8FromPath(dir.Path());
    }

    TempDir dir;
    FakeHost host;
};

TEST_F(RunTest, SinglePdfCompletionMessageCarriesBothTimes) {
    const RunReport report = RunConversion(host);
    EXPECT_EQ(report.outcome, RunOutcome::Completed);
    EXPECT_FALSE(report.writerFailed);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "Done creating PDF.  Duration:  09:15:02 - 09:15:04");
    EXPECT_EQ(host.messages[0].style, 0);
    EXPECT_EQ(host.messages[0].title, "Folionix");
    // An empty list still gives a document, with no page in it.
    const std::string pdf = ReadText(dir.File("JPEG_Output.PDF"));
    EXPECT_EQ(pdf.rfind("%PDF-1.3", 0), 0u);
    EXPECT_EQ(pdf.find("/Type /Page\n"), std::string::npos);
}

TEST_F(RunTest, MultiplePdfsWithEmptyListWritesNothingButCompletes) {
    host.singlePdf = false;
    const RunReport report = RunConversion(host);
    EXPECT_EQ(report.outcome, RunOutcome::Completed);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "Done creating PDFs.  Duration:  09:15:02 - 09:15:04");
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

TEST_F(RunTest, FailedCheckStartsNoBuild) {
    host.fields[SettingsField::FileName] = "bad|name";
    const RunReport report = RunConversion(host);
    EXPECT_EQ(report.outcome, RunOutcome::Rejected);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, kFileNameMessage);
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

TEST_F(RunTest, MissingOutputFolderEndsTheRunWithThePlatformsReason) {
    host.fields[SettingsField::OutputPath] = dir.File("missing");
    for (const char* name : {"a.jpg", "b.jpg"}) {
        WriteBytes(dir.File(name), MakeJpeg(100, 100, 72));
        host.list.AddItem(Entry(name, Utf8FromPath(dir.Path()) + kPathSeparator));
    }
    for (const bool single : {true, false}) {
        host.singlePdf = single;
        host.messages.clear();
        const RunReport report = RunConversion(host);
        EXPECT_EQ(report.outcome, RunOutcome::Failed);
        EXPECT_FALSE(report.refusedBeforeWriting);
        const std::string document = single ? "JPEG_Output.PDF" : "a.jpg.PDF";
        EXPECT_EQ(report.failure, "Cannot create " + dir.File("missing") + kPathSeparator +
                                      document + ": No such file or directory");
        EXPECT_TRUE(host.messages.empty());
    }
    EXPECT_FALSE(std::filesystem::exists(PathFromUtf8(dir.File("missing"))));
}

TEST_F(RunTest, OverflowEndsTheRunWithoutTheCompletionMessage) {
    host.fields[SettingsField::PageWidth] = "1e30";
    const std::string jpeg = dir.File("a.jpg");
    WriteBytes(jpeg, MakeJpeg(100, 100, 72));
    host.list.AddItem(Entry("a.jpg", Utf8FromPath(dir.Path()) + kPathSeparator));
    const RunReport report = RunConversion(host);
    EXPECT_EQ(report.outcome, RunOutcome::Failed);
    EXPECT_EQ(report.failure, "Overflow: page width does not fit in 32 bits");
    EXPECT_TRUE(host.messages.empty());
}

} // namespace
} // namespace folionix::test
