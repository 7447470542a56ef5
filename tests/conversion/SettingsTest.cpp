// The window's fields read as numbers, checked, and turned into page and image sizes.
#include "common/RunError.h"
#include "conversion/modFolionix.h"
#include "support/FakeHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace folionix::test {
namespace {

using F = SettingsField;

// Pairs "text=value", split at "|": decimal texts as the settings are typed, then the whole
// number forms (&H hexadecimal, &O octal, 16 bits signed below 65536) and overflow.
TEST(LeadingNumber, ReadsTheNumberAtTheStartOfTheText) {
    std::istringstream rows(
        "8.5=8.5|  11  =11|8.5in=8.5|abc=0|=0|8,5=8|1 2 3=123|  -  4.5e1x=-45|\t\n 3=3|+7=7|--5=0|"
        "-=0|.=0|.5=0.5|-.25=-0.25|1.2.3=1.2|1e-2=0.01|1.5D2=150|1.5d-1=0.15|1E 2=100|2e=2|2e+=2|"
        "2 e x=2|3E+1=30|x1=0|-0=0|1e-400=0|1e400=inf|-1e400=-inf|&HFF=255|&hff=255|&O17=15|"
        "&o 1 7=15|&H=0|&O8=0|&=0|&X1=0|&HFFFF=-1|&H8000=-32768|&H10000=65536|&HFFFFFFFF=-1|"
        "&H100000000=0|&H1G=1|&H19=25|&HA@=10|&ha[=10|&O177777=-1");
    for (std::string row; std::getline(rows, row, '|');) {
        const std::string text = row.substr(0, row.find('='));
        const double value = std::stod(row.substr(text.size() + 1)), got = LeadingNumber(text);
        EXPECT_TRUE(got == value || std::abs(got - value) < 1e-12) << '"' << text << "\" " << got;
    }
}

// The first failing check's message, text, style and title; nothing when the settings pass.
TEST(Validation, FirstFailingCheckShowsItsMessage) {
    const std::string path = "Please enter an Output Path|16|Error\n";
    const std::string page = "Please enter valid page dimensions.|16|Error\n";
    const std::string margins = "Please enter valid margins (zero or greater).|16|Error\n";
    const std::string name =
        "Please enter a valid file name (cannot contain \\ / : * < > ? | \")|0|Folionix\n";
    // Field changes, page size specified, one document, the message shown.
    using Row = std::tuple<std::string, bool, bool, std::string>;
    std::vector<Row> rows = {
        {"", 1, 1, ""},           {"O=;W=0", 1, 1, path},     {"O=  ", 1, 1, ""},
        {"W=0", 1, 1, page},      {"H=0", 1, 1, page},        {"W=8.5in;H=8,5", 1, 1, ""},
        {"W=abc;H=0", 0, 1, ""},  {"T=-1", 0, 1, margins},    {"B=-1", 1, 1, margins},
        {"L=-1", 1, 1, margins},  {"R=-0.1", 1, 1, margins},  {"T=;R=0", 1, 1, ""},
        {"W=0;L=-1", 1, 1, page}, {"B=-1;N=", 1, 1, margins}, {"N=", 1, 1, name},
        {"N=report", 1, 1, ""},   {"N=a/b?.pdf", 1, 0, ""},
    };
    for (const char c : std::string("\\/:*<>?|\"")) {
        rows.emplace_back(std::string("N=a") + c + "b.pdf", true, true, name);
    }
    for (const auto& [changes, specify, single, message] : rows) {
        FakeHost host;
        host.With(changes).specifyPageSize = specify;
        host.singlePdf = single;
        EXPECT_EQ(ValidateSettings(host), message.empty()) << changes;
        EXPECT_EQ(host.Shown(), message) << changes;
        // Matching the image size, the page fields are not even read.
        for (const F field : host.reads) {
            EXPECT_TRUE(specify || (field != F::PageWidth && field != F::PageHeight));
        }
    }
}

// The ends of the 32-bit range (halves and overflow past it are in the placement rows below).
TEST(RoundHalfEven, EndsOfThe32BitRange) {
    EXPECT_EQ(RoundHalfEven(2147483647.0, "x"), 2147483647);
    EXPECT_EQ(RoundHalfEven(-2147483648.0, "x"), -2147483647 - 1);
    EXPECT_THROW(RoundHalfEven(2147483647.5, "x"), RunError);
}

// Sizes and position of one image (pixels and resolution) from the page fields, the margins,
// shrink and centring: whole-point sizes, then the left and top edges. The page begins as soon as
// its size is known, before shrink and position are read. Sizes past 32 bits end the run with the
// size named instead of wrapping: the image's pixels, the page fields, the page from margins
// around the image, the room left inside the margins.
TEST(Placement, SizesAndPositionOrTheSizeThatOverflows) {
    const auto all = [](double inches) {
        return PageMargins{inches * 72, inches * 72, inches * 72, inches * 72};
    };
    // Pixels, dpi x and y, page size specified, field changes, margins, shrink, centred, and the
    // image size, page size, left and top edges expected (or the failure).
    using Row = std::tuple<std::int32_t, std::int32_t, std::int32_t, std::int32_t, bool,
                           const char*, PageMargins, bool, bool, std::string>;
    const std::string tooBig = " does not fit in 32 bits";
    const Row rows[] = {
        {3000, 2000, 300, 300, 1, "", all(0), 1, 1, "612x408 612x792 0,600"},
        {2000, 1000, 200, 200, 0, "W=abc;H=", all(.5), 1, 1, "720x360 792x432 36,396"},
        {2000, 1000, 200, 200, 0, "", all(.5), 1, 0, "720x360 792x432 36,396"},
        {2000, 1000, 200, 200, 1, "", all(.5), 1, 0, "540x270 612x792 36,756"},
        {2000, 1000, 200, 200, 1, "", all(.5), 0, 0, "720x360 612x792 36,756"},
        {2000, 1000, 200, 200, 1, "", all(.5), 0, 1, "720x360 612x792 -54,576"},
        {1000, 3000, 100, 100, 1, "", all(1), 1, 1, "216x648 612x792 198,720"},
        {100, 100, 0, 0, 1, "W=8.5625", all(0), 1, 0, "100x100 616x792 0,792"},
        {100, 100, 0, 0, 1, "W=8.4375", all(0), 1, 0, "100x100 608x792 0,792"},
        {101, 51, 0, 0, 1, "", all(0), 1, 1, "101x51 612x792 255.5,421.5"},
        {1200, 600, 100, 50, 1, "", all(0), 1, 0, "612x306 612x792 0,792"},
        {612, 792, 72, 72, 1, "", all(0), 1, 1, "612x792 612x792 0,792"},
        {0, 0, 0, 0, 0, "", all(.25), 1, 1, "0x0 36x36 18,18"},
        {0, 100, 0, 0, 1, "W=1;H=1", all(1), 1, 0, "0x-72 72x72 72,0"},
        {29826161, 10, 0, 0, 1, "", all(0), 1, 0, "612x0 612x792 0,792"},
        {29826162, 10, 0, 0, 1, "", all(0), 1, 1, "Overflow: image width" + tooBig},
        {10, 29826162, 0, 0, 1, "", all(0), 1, 1, "Overflow: image height" + tooBig},
        {10, 10, 0, 0, 1, "W=1e30", all(0), 1, 1, "Overflow: page width" + tooBig},
        {10, 10, 0, 0, 1, "H=1e400", all(0), 1, 1, "Overflow: page height" + tooBig},
        {10, 10, 0, 0, 0, "", {0, 0, 3e9, 0}, 1, 1, "Overflow: page width" + tooBig},
        {10, 10, 0, 0, 0, "", {3e9, 0, 0, 0}, 1, 1, "Overflow: page height" + tooBig},
        {10, 10, 0, 0, 1, "", {0, 0, -3e9, 0}, 1, 1, "Overflow: available width" + tooBig},
        {10, 10, 0, 0, 1, "", {0, -3e9, 0, 0}, 1, 1, "Overflow: available height" + tooBig},
    };
    for (const auto& [w, h, xdpi, ydpi, specify, changes, margins, shrink, centered, expected] :
         rows) {
        FakeHost host;
        host.With(changes).specifyPageSize = specify;
        host.shrink = shrink ? CheckState::Checked : CheckState::Unchecked;
        host.centered = centered;
        std::ostringstream got;
        try {
            const ImagePlacement p = PlaceImageOnPage(
                ImageInfo{w, h, xdpi, ydpi, 24, 8}, margins, host,
                [&](std::int32_t width, std::int32_t height) {
                    host.events.push_back(std::to_string(width) + "x" + std::to_string(height));
                });
            got << p.imageWidth << "x" << p.imageHeight << " " << p.pageWidth << "x" << p.pageHeight
                << " " << p.x << "," << p.y;
            const std::string page =
                std::to_string(p.pageWidth) + "x" + std::to_string(p.pageHeight);
            EXPECT_EQ(host.events, (std::vector<std::string>{page, "shrink", "position"}));
            EXPECT_EQ(ReadSettings(host).shrinkOversized, shrink); // only a checked box shrinks
        } catch (const RunError& error) {
            got << error.what();
        }
        EXPECT_EQ(got.str(), expected) << w << "x" << h << " " << changes;
    }
}

} // namespace
} // namespace folionix::test
