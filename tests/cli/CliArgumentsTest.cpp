#include "cli/FolionixCli.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace folionix::cli {
namespace {

CliOptions Parse(const std::vector<std::string>& arguments) {
    CliOptions options;
    std::string error;
    EXPECT_TRUE(ParseCliArguments(arguments, options, error)) << error;
    return options;
}

TEST(CliArguments, DefaultsAreTheWindowsDefaults) {
    const CliOptions options = Parse({"a.jpg"});
    EXPECT_FALSE(options.outputPathGiven);
    EXPECT_EQ(options.fileName, "JPEG_Output.PDF");
    EXPECT_EQ(options.width, "8.5");
    EXPECT_EQ(options.height, "11");
    EXPECT_EQ(options.top, "0");
    EXPECT_FALSE(options.matchImageSize || options.noShrink || options.topLeft || options.multiple);
    EXPECT_EQ(options.images, std::vector<std::string>{"a.jpg"});
}

TEST(CliArguments, LongShortAttachedAndEqualsForms) {
    const CliOptions options =
        Parse({"-o", "out dir", "--file-name=x.pdf", "-W8,5", "-H", "  11in", "--top", "1",
               "--bottom=2", "--left", "-3", "--right=", "--match-image-size", "--no-shrink",
               "--top-left", "--multiple", "b.jpg", "c.jpg"});
    EXPECT_TRUE(options.outputPathGiven);
    EXPECT_EQ(options.outputPath, "out dir");
    EXPECT_EQ(options.fileName, "x.pdf");
    EXPECT_EQ(options.width, "8,5");
    EXPECT_EQ(options.height, "  11in");
    EXPECT_EQ(options.top, "1");
    EXPECT_EQ(options.bottom, "2");
    EXPECT_EQ(options.left, "-3"); // a value, not an option
    EXPECT_EQ(options.right, "");
    EXPECT_TRUE(options.matchImageSize && options.noShrink && options.topLeft && options.multiple);
    EXPECT_EQ(options.images, (std::vector<std::string>{"b.jpg", "c.jpg"}));
}

TEST(CliArguments, DoubleDashEndsOptionsAndLoneDashIsAnOperand) {
    const CliOptions options = Parse({"a.jpg", "--", "--multiple", "-o", "-"});
    EXPECT_FALSE(options.multiple);
    EXPECT_EQ(options.images, (std::vector<std::string>{"a.jpg", "--multiple", "-o", "-"}));
    EXPECT_EQ(Parse({"-"}).images, std::vector<std::string>{"-"});
}

struct BadRow {
    std::vector<std::string> arguments;
    std::string error;
};

class BadArguments : public ::testing::TestWithParam<BadRow> {};

TEST_P(BadArguments, AreRefusedWithAReason) {
    CliOptions options;
    std::string error;
    EXPECT_FALSE(ParseCliArguments(GetParam().arguments, options, error));
    EXPECT_EQ(error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Usage, BadArguments,
    ::testing::Values(BadRow{{"--bogus", "a.jpg"}, "unknown option: --bogus"},
                      BadRow{{"-x"}, "unknown option: -x"},
                      BadRow{{"a.jpg", "--width"}, "option --width needs a value"},
                      BadRow{{"-o"}, "option --output-path needs a value"},
                      BadRow{{"--multiple=yes"}, "option --multiple takes no value"},
                      BadRow{{"-hx"}, "option --help takes no value"}));

int RunInProcess(const std::vector<std::string>& arguments, std::string& out, std::string& err) {
    std::ostringstream outStream;
    std::ostringstream errStream;
    const int code = RunCli(arguments, outStream, errStream);
    out = outStream.str();
    err = errStream.str();
    return code;
}

TEST(CliRun, UsageErrorsExitWithTwo) {
    std::string out;
    std::string err;
    EXPECT_EQ(RunInProcess({}, out, err), kExitUsage);
    EXPECT_NE(err.find("no IMAGE"), std::string::npos);
    EXPECT_EQ(RunInProcess({"--nope", "a.jpg"}, out, err), kExitUsage);
    EXPECT_NE(err.find("--help"), std::string::npos);
    EXPECT_TRUE(out.empty());
}

TEST(CliRun, HelpDocumentsEveryOptionAndTheExitCodes) {
    std::string out;
    std::string err;
    EXPECT_EQ(RunInProcess({"--help"}, out, err), kExitOk);
    for (const CliOption& option : CliOptionTable()) {
        EXPECT_NE(out.find("--" + std::string(option.longName)), std::string::npos)
            << option.longName;
    }
    for (const char* code : {"  0  ", "  1  ", "  2  ", "  3  ", "  4  "}) {
        EXPECT_NE(out.find(code), std::string::npos) << code;
    }
    EXPECT_EQ(RunInProcess({"--version"}, out, err), kExitOk);
    EXPECT_EQ(out.rfind("folionix-cli ", 0), 0u);
}

} // namespace
} // namespace folionix::cli
