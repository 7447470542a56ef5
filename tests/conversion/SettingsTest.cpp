#include "conversion/modFolionix.h"
#include "support/FakeHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace folionix::test {
namespace {

TEST(LeadingNumber, ReadsTheNumberAtTheStartOfTheText) {
    using R = std::pair<std::string, double>;
    const double inf = std::numeric_limits<double>::infinity();
    const R decimal[] = {
        {"8.5", 8.5},   {"  11  ", 11}, {"8.5in", 8.5},   {"abc", 0},
        {"", 0},        {"8,5", 8},     {"1 2 3", 123},   {"  -  4.5e1x", -45},
        {"\t\n 3", 3},  {"+7", 7},      {"--5", 0},       {"-", 0},
        {".", 0},       {".5", 0.5},    {"-.25", -0.25},  {"1.2.3", 1.2},
        {"1e-2", 0.01}, {"1.5D2", 150}, {"1.5d-1", 0.15}, {"1E 2", 100},
        {"2e", 2},      {"2e+", 2},     {"2 e x", 2},     {"3E+1", 30},
        {"x1", 0},      {"-0", 0},      {"1e-400", 0},
    };
    const R whole[] = {
        {"1e400", inf},     {"-1e400", -inf},   {"&HFF", 255},      {"&hff", 255},
        {"&O17", 15},       {"&o 1 7", 15},     {"&H", 0},          {"&O8", 0},
        {"&", 0},           {"&X1", 0},         {"&HFFFF", -1},     {"&H8000", -32768},
        {"&H10000", 65536}, {"&HFFFFFFFF", -1}, {"&H100000000", 0}, {"&H1G", 1},
        {"&O177777", -1},
    };
    for (const auto& rows : {std::vector<R>(std::begin(decimal), std::end(decimal)),
                             std::vector<R>(std::begin(whole), std::end(whole))}) {
        for (const auto& [text, value] : rows) {
            const double got = LeadingNumber(text);
            EXPECT_TRUE(got == value || std::abs(got - value) < 1e-12)
                << '"' << text << "\" " << got;
        }
    }
}

// Each row changes some fields of the defaults; the first failing check's message (text, style
// and title), or nothing when the settings pass.
TEST(Validation, FirstFailingCheckShowsItsMessage) {
    using F = SettingsField;
    const std::string path = "Please enter an Output Path|16|Error\n";
    const std::string page = "Please enter valid page dimensions.|16|Error\n";
    const std::string margins = "Please enter valid margins (zero or greater).|16|Error\n";
    const std::string name =
        "Please enter a valid file name (cannot contain \\ / : * < > ? | \")|0|Folionix\n";
    struct Row {
        std::vector<std::pair<F, std::string>> fields;
        bool specify;
        bool single;
        std::string message;
    };
    const Row rows[] = {
        {{}, true, true, ""},
        {{{F::OutputPath, ""}, {F::PageWidth, "0"}}, true, true, path},
        {{{F::OutputPath, "  "}}, true, true, ""},
        {{{F::PageWidth, "0"}}, true, true, page},
        {{{F::PageWidth, "-1"}}, true, true, page},
        {{{F::PageWidth, "abc"}}, true, true, page},
        {{{F::PageWidth, ""}}, true, true, page},
        {{{F::PageHeight, "0"}}, true, true, page},
        {{{F::PageWidth, "8.5in"}, {F::PageHeight, "8,5"}}, true, true, ""},
        {{{F::PageWidth, "abc"}, {F::PageHeight, "0"}}, false, true, ""},
        {{{F::MarginRight, "-0.1"}}, true, true, margins},
        {{{F::MarginTop, "-1"}}, false, true, margins},
        {{{F::MarginTop, ""}}, true, true, ""},
        {{{F::PageWidth, "0"}, {F::MarginLeft, "-1"}}, true, true, page},
        {{{F::MarginBottom, "-1"}, {F::FileName, ""}}, true, true, margins},
        {{{F::FileName, "a/b.pdf"}}, true, true, name},
        {{{F::FileName, "x?.pdf"}}, true, true, name},
        {{{F::FileName, "a\"b.pdf"}}, true, true, name},
        {{{F::FileName, "a\\b"}}, true, true, name},
        {{{F::FileName, "a|b:c*<>"}}, true, true, name},
        {{{F::FileName, ""}}, true, true, name},
        {{{F::FileName, "report"}}, true, true, ""},
        {{{F::FileName, "a/b?.pdf"}}, true, false, ""},
    };
    for (const Row& row : rows) {
        FakeHost host;
        host.specifyPageSize = row.specify;
        host.singlePdf = row.single;
        std::string trace;
        for (const auto& [field, text] : row.fields) {
            host.fields[field] = text;
            trace += "[" + text + "]";
        }
        SCOPED_TRACE(trace);
        EXPECT_EQ(ValidateSettings(host), row.message.empty());
        EXPECT_EQ(host.Shown(), row.message);
        // Matching the image size, the page fields are not even read.
        for (const F field : host.reads) {
            EXPECT_TRUE(row.specify || (field != F::PageWidth && field != F::PageHeight));
        }
    }
}

TEST(ReadSettings, ModesComeFromTheOptionButtonsAndGreyIsOff) {
    FakeHost host;
    host.specifyPageSize = false;
    host.singlePdf = false;
    host.centered = false;
    host.shrink = CheckState::Grayed;
    const std::pair<SettingsField, std::string> fields[] = {
        {SettingsField::PageWidth, "1"},      {SettingsField::PageHeight, "&H10"},
        {SettingsField::MarginTop, "3"},      {SettingsField::MarginBottom, "4"},
        {SettingsField::MarginLeft, "0.5in"}, {SettingsField::MarginRight, "6"}};
    for (const auto& [field, text] : fields) {
        host.fields[field] = text;
    }
    const ConversionSettings settings = ReadSettings(host);
    EXPECT_EQ(settings.pageSizeMode, PageSizeMode::MatchImageSize);
    EXPECT_EQ(settings.outputMode, OutputMode::MultiplePdfs);
    EXPECT_EQ(settings.imagePosition, ImagePosition::TopLeftCorner);
    EXPECT_FALSE(settings.shrinkOversized);
    EXPECT_EQ(
        (std::vector<double>{settings.pageWidth, settings.pageHeight, settings.marginTop,
                             settings.marginBottom, settings.marginLeft, settings.marginRight}),
        (std::vector<double>{1, 16, 3, 4, 0.5, 6}));
    EXPECT_EQ(settings.fileName, "JPEG_Output.PDF");
    EXPECT_EQ(settings.outputFolder, "out");
    host.shrink = CheckState::Checked;
    host.centered = host.singlePdf = host.specifyPageSize = true;
    const ConversionSettings other = ReadSettings(host);
    EXPECT_EQ(other.pageSizeMode, PageSizeMode::SpecifyPageSize);
    EXPECT_EQ(other.outputMode, OutputMode::SinglePdf);
    EXPECT_EQ(other.imagePosition, ImagePosition::Centered);
    EXPECT_TRUE(other.shrinkOversized);
}

} // namespace
} // namespace folionix::test
