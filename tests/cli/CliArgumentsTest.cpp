#include "cli/FolionixCli.h"
#include "support/TestSupport.h"

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

std::vector<std::string> Texts(const std::vector<CliInput>& inputs) {
    std::vector<std::string> texts;
    for (const CliInput& input : inputs) {
        texts.push_back((input.isList ? "list:" : "") + input.text);
    }
    return texts;
}

TEST(CliArguments, LongShortAttachedAndEqualsForms) {
    const CliOptions options = Parse({"-o",
                                      "out dir",
                                      "--file-name=x.pdf",
                                      "-W8,5",
                                      "-H",
                                      "  11in",
                                      "--margin",
                                      "1",
                                      "--bottom=2",
                                      "--left",
                                      "-3",
                                      "--right=",
                                      "--match-image-size",
                                      "--no-shrink",
                                      "--top-left",
                                      "--multiple",
                                      "b.jpg",
                                      "--from-file",
                                      "l.txt",
                                      "c.jpg"});
    EXPECT_TRUE(options.outputPathGiven);
    EXPECT_EQ(options.outputPath, "out dir");
    EXPECT_EQ(options.fileName, "x.pdf");
    EXPECT_EQ(options.width.text, "8,5");
    EXPECT_EQ(options.height.text, "  11in");
    EXPECT_EQ(options.top.text, "1");
    EXPECT_EQ(options.top.option, "--margin");
    EXPECT_EQ(options.bottom.text, "2");
    EXPECT_EQ(options.left.text, "-3"); // a value, not an option
    EXPECT_EQ(options.right.text, "");
    EXPECT_TRUE(options.matchImageSize && options.noShrink && options.topLeft && options.multiple);
    EXPECT_EQ(Texts(options.inputs), (std::vector<std::string>{"b.jpg", "list:l.txt", "c.jpg"}));
}

TEST(CliArguments, DoubleDashEndsOptionsAndLoneDashIsAnOperand) {
    const CliOptions options = Parse({"a.jpg", "--", "--multiple", "-o", "-"});
    EXPECT_FALSE(options.multiple);
    EXPECT_EQ(Texts(options.inputs), (std::vector<std::string>{"a.jpg", "--multiple", "-o", "-"}));
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
                      BadRow{{"-hx"}, "option --help takes no value"},
                      BadRow{{"-S", "A6"},
                             "unknown page size 'A6' for --page-size: use A3, A4, A5, B5, "
                             "Letter, Legal or Tabloid, with -landscape to turn it"}));

struct LengthRow {
    std::string text;
    double inches; // NaN: refused
    std::string problem;
};

class Lengths : public ::testing::TestWithParam<LengthRow> {};

TEST_P(Lengths, AreANumberWithAnOptionalUnit) {
    const LengthRow& row = GetParam();
    double inches = -1;
    std::string problem;
    const bool parsed = ParseLength(row.text, inches, problem);
    EXPECT_EQ(parsed, row.problem.empty()) << row.text;
    if (parsed) {
        EXPECT_DOUBLE_EQ(inches, row.inches) << row.text;
    } else {
        EXPECT_EQ(problem, row.problem) << row.text;
    }
}

const std::string kNotALength = "expected a number with an optional unit in, cm, mm or pt";

INSTANTIATE_TEST_SUITE_P(
    Units, Lengths,
    ::testing::Values(LengthRow{"8.5", 8.5, ""}, LengthRow{"2in", 2, ""},
                      LengthRow{"21cm", 21 / 2.54, ""}, LengthRow{"297MM", 297 / 25.4, ""},
                      LengthRow{"36pt", 0.5, ""}, LengthRow{".5", 0.5, ""},
                      LengthRow{"-1cm", -1 / 2.54, ""}, LengthRow{"0", 0, ""},
                      LengthRow{"8,5", 0, "use a period as the decimal separator"},
                      LengthRow{"A4", 0, kNotALength}, LengthRow{"21 cm", 0, kNotALength},
                      LengthRow{"1e3", 0, kNotALength}, LengthRow{"1.2.3", 0, kNotALength},
                      LengthRow{"", 0, kNotALength}, LengthRow{"cm", 0, kNotALength},
                      LengthRow{"5km", 0, kNotALength}));

TEST(PageSizes, NamesAnyCaseAndLandscape) {
    struct Row {
        std::string name;
        std::string width;
        std::string height;
    };
    for (const Row& row : {Row{"A4", "210mm", "297mm"}, Row{"a3", "297mm", "420mm"},
                           Row{"A5-Landscape", "210mm", "148mm"}, Row{"b5", "176mm", "250mm"},
                           Row{"LETTER", "8.5in", "11in"}, Row{"legal-landscape", "14in", "8.5in"},
                           Row{"Tabloid", "11in", "17in"}}) {
        std::string width;
        std::string height;
        ASSERT_TRUE(LookUpPageSize(row.name, width, height)) << row.name;
        EXPECT_EQ(width + " x " + height, row.width + " x " + row.height) << row.name;
    }
    std::string width;
    std::string height;
    EXPECT_FALSE(LookUpPageSize("-landscape", width, height));
    EXPECT_FALSE(LookUpPageSize("A4landscape", width, height));
}

TEST(Wildcards, MatchAsOtherSystemsShellsDo) {
    struct Row {
        std::string pattern;
        std::string name;
        bool matches;
    };
    for (const Row& row : {Row{"*.jpg", "a.jpg", true}, Row{"*.jpg", "a.JPG", false},
                           Row{"*.jpg", ".hidden.jpg", false}, Row{".*", ".hidden", true},
                           Row{"?.jp?", "a.jp2", true}, Row{"?.jpg", "ab.jpg", false},
                           Row{"a*b*c", "axxbyybc", true}, Row{"a*b*c", "axxcyyb", false},
                           Row{"*", "", true}, Row{"**x", "x", true}}) {
        EXPECT_EQ(MatchesWildcard(row.pattern, row.name), row.matches)
            << row.pattern << " " << row.name;
    }
}

TEST(Wildcards, ExpandSortedByNameWithTheOperandsFolder) {
    test::TempDir dir;
    for (const char* name : {"b.jpg", "a.jpg", "c.jp2", ".h.jpg"}) {
        test::WriteText(dir.File(name), "x");
    }
    const std::string folder = dir.Path().string() + "/";
    EXPECT_EQ(ExpandWildcard(folder + "*.jpg"),
              (std::vector<std::string>{folder + "a.jpg", folder + "b.jpg"}));
    EXPECT_TRUE(ExpandWildcard(folder + "*.png").empty());
}

TEST(NameLists, OneNamePerLineBlankLinesSkipped) {
    std::istringstream list("\xEF\xBB\xBF"
                            "a.jpg\r\n\n   \nsub dir/b é.jpg\n  c.jpg\nlast.jp2");
    EXPECT_EQ(ReadNameList(list),
              (std::vector<std::string>{"a.jpg", "sub dir/b é.jpg", "  c.jpg", "last.jp2"}));
}

int RunInProcess(const std::vector<std::string>& arguments, std::string& out, std::string& err) {
    std::ostringstream outStream;
    std::ostringstream errStream;
    const int code = RunCli(arguments, outStream, errStream);
    out = outStream.str();
    err = errStream.str();
    return code;
}

TEST(CliRun, HelpDocumentsEveryOptionAndTheExitCodes) {
    std::string out;
    std::string err;
    EXPECT_EQ(RunInProcess({"--help"}, out, err), kExitOk);
    for (const CliOption& option : CliOptionTable()) {
        EXPECT_NE(out.find("--" + std::string(option.longName)), std::string::npos)
            << option.longName;
    }
    for (const char* text : {"  0  ", "  1  ", "  2  ", "  3  ", "  4  ", "A4 210x297mm",
                             "Tabloid 11x17in", "cm, mm or\npt"}) {
        EXPECT_NE(out.find(text), std::string::npos) << text;
    }
    EXPECT_EQ(RunInProcess({"--version"}, out, err), kExitOk);
    EXPECT_EQ(out.rfind("folionix-cli ", 0), 0u);
}

} // namespace
} // namespace folionix::cli
