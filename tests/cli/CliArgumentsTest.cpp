// The command line's arguments, values and refusals, run in this process.
#include "cli/FolionixCli.h"
#include "common/FileAccess.h"
#include "support/ImageBytes.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace folionix::cli {
namespace {

// The arguments written with "|" between them: "-o|out dir|-f|" is {"-o", "out dir", "-f", ""}.
std::vector<std::string> Args(const std::string& text) {
    std::vector<std::string> arguments;
    for (std::size_t start = 0, bar = 0; !text.empty() && bar != std::string::npos;
         start = bar + 1) {
        bar = text.find('|', start);
        arguments.push_back(text.substr(start, bar - start));
    }
    return arguments;
}

// Every option in its long, short, attached and "=" forms; "--" ends the options, and "-"
// alone is an operand.
TEST(CliArguments, LongShortAttachedAndEqualsForms) {
    CliOptions o;
    std::string error;
    ASSERT_TRUE(ParseCliArguments(
        Args("-o|out dir|--file-name=x.pdf|-W8,5|-H|  11in|--margin|1|--bottom=2|--left|-3|"
             "--right=|--match-image-size|--no-shrink|--top-left|--multiple|b.jpg|--from-file|"
             "l.txt|c.jpg|-q|-v|--as-window|--title=T|--author|A|--subject|S|--keywords=K|--|"
             "--version|-o|-"),
        o, error))
        << error;
    std::string inputs;
    for (const CliInput& input : o.inputs) {
        inputs += (input.isList ? "list:" : "") + input.text + " ";
    }
    EXPECT_EQ(
        o.outputPath + "|" + o.fileName + "|" + o.width.text + "|" + o.height.text + "|" +
            o.top.text + o.top.option + "|" + o.bottom.text + "|" + o.left.text + "|" +
            o.right.text + "|" + o.title + o.author + o.subject + o.keywords + "|" + inputs,
        "out dir|x.pdf|8,5|  11in|1--margin|2|-3||TASK|b.jpg list:l.txt c.jpg --version -o - ");
    EXPECT_TRUE(o.outputPathGiven && o.fileNameGiven && o.matchImageSize && o.noShrink &&
                o.topLeft && o.multiple && o.quiet && o.verbose && o.asWindow);
    EXPECT_FALSE(o.outputDirGiven || o.conforming || o.pageSizeGiven || o.help || o.version);
}

// What each text gives as a length (a number with an optional unit, in inches), else as a page
// size (a name in any case, "-landscape" turning it), else the problem it has as a length.
TEST(CliArguments, LengthsAndPageSizeNames) {
    std::string results;
    for (const std::string& text :
         Args("8.5|2in|21cm|297MM|36pt|.5|1.|-1cm|0|+2mm|A4|a3|A5-Landscape|b5|LETTER|"
              "legal-landscape|Tabloid|8,5|21 cm|1e3|1.2.3||cm|5km|-|2 "
              "in|-landscape|A4landscape|A|" +
              std::string(400, '9') + "mm")) { // the last beyond a double
        double inches = -7;
        std::string problem;
        std::string width;
        std::string height;
        results += ParseLength(text, inches, problem)    ? std::to_string(inches) + problem
                   : LookUpPageSize(text, width, height) ? width + " " + height
                                                         : problem;
        results += ", ";
    }
    std::string expected = "8.500000, 2.000000, 8.267717, 11.692913, 0.500000, 0.500000, "
                           "1.000000, -0.393701, 0.000000, 0.078740, 210mm 297mm, 297mm 420mm, "
                           "210mm 148mm, 176mm 250mm, 8.5in 11in, 14in 8.5in, 11in 17in, "
                           "use a period as the decimal separator, ";
    for (int i = 0; i < 11; ++i) {
        expected += "expected a number with an optional unit in, cm, mm or pt, ";
    }
    EXPECT_EQ(results, expected + "not a number this program can hold, ");
}

// The names a run adds besides its operands: wildcards, matched as the shells of other systems
// match them and expanded sorted; and name lists, one name per line.
TEST(CliArguments, WildcardsAndNameLists) {
    // "pattern name" pairs that match, then pairs that do not.
    for (const bool matches : {true, false}) {
        for (const std::string& row :
             Args(matches ? "*.jpg a.jpg|.* .hidden|?.jp? a.jp2|a*b*c axxbyybc|* |**x x"
                          : "*.jpg a.JPG|*.jpg .hidden.jpg|?.jpg ab.jpg|a*b*c axxcyyb|? |a ab")) {
            const std::size_t space = row.find(' ');
            EXPECT_EQ(MatchesWildcard(row.substr(0, space), row.substr(space + 1)), matches) << row;
        }
    }
    test::TempDir dir;
    for (const char* name : {"b.jpg", "a.jpg", "c.jp2", ".h.jpg"}) {
        test::WriteText(dir.File(name), "x");
    }
    const std::string folder = dir.File("");
    EXPECT_EQ(ExpandWildcard(folder + "*.jpg"),
              (std::vector<std::string>{folder + "a.jpg", folder + "b.jpg"}));
    EXPECT_TRUE(ExpandWildcard(folder + "*.png").empty());
    std::istringstream list("\xEF\xBB\xBF"
                            "a.jpg\r\n\n   \nsub dir/b é.jpg\n  c.jpg\nlast.jp2");
    EXPECT_EQ(ReadNameList(list),
              (std::vector<std::string>{"a.jpg", "sub dir/b é.jpg", "  c.jpg", "last.jp2"}));
}

// The whole program in this process, at a fixed time, in a folder with one image "a.jpg".
class CliRun : public ::testing::Test {
protected:
    CliRun() { test::WriteBytes(image, test::MakeJpeg(96, 64, 72)); }
    // The exit code, standard output and standard error: "3 out|err".
    std::string Run(std::vector<std::string> arguments, bool withImage = true) {
        if (withImage) {
            arguments.insert(arguments.begin(), image);
        }
        std::ostringstream out;
        std::ostringstream err;
        const int code =
            RunCli(arguments, out, err, [] { return LocalTime{2026, 12, 5, 18, 30, 0}; });
        return std::to_string(code) + " " + out.str() + "|" + err.str();
    }
    // The text with {d} for the folder (with its separator), and then the platform's separators.
    std::string InFolder(std::string text) const {
        for (char& c : text) {
            c = c == '/' && text.find("{d}") != std::string::npos ? kPathSeparator : c;
        }
        for (std::size_t at = text.find("{d}"); at != std::string::npos; at = text.find("{d}")) {
            text.replace(at, 3, dir.File(""));
        }
        return text;
    }
    // The documents under the folder, sorted.
    std::string Files() const {
        std::set<std::string> names;
        for (const auto& item : std::filesystem::recursive_directory_iterator(dir.Path())) {
            const std::string name = Utf8FromPath(item.path().lexically_relative(dir.Path()));
            if (item.is_regular_file() && (name.ends_with(".pdf") || name.ends_with(".PDF"))) {
                names.insert(name + " ");
            }
        }
        return std::accumulate(names.begin(), names.end(), std::string());
    }

    test::TempDir dir;
    std::string image = dir.File("a.jpg");
};

TEST_F(CliRun, HelpDocumentsEveryOptionAndTheExitCodes) {
    const std::string help = Run({"--help"}, false);
    // The whole text fingerprinted (FNV-1a), so that a changed word or a broken wrap anywhere
    // shows: when the help changes on purpose, check it by eye (every option, the exit codes,
    // the page names, lines within 80 columns) and put the new number here.
    std::uint64_t fingerprint = 14695981039346656037u;
    for (const char c : help) {
        fingerprint = (fingerprint ^ static_cast<unsigned char>(c)) * 1099511628211u;
    }
    EXPECT_EQ(fingerprint, 12577074288578676421u) << help;
    const std::string version = Run({"--version"}, false);
    EXPECT_TRUE(version.starts_with("0 folionix-cli ") && version.ends_with("\n|")) << version;
}

// Refused before anything is written: the exit code and the message (for usage errors, with
// the hint to --help). Accepted: -o names the document or its folder, --output-dir always a
// folder; the page from names, units and margins.
TEST_F(CliRun, ArgumentsAreRefusedWithTheirReasonOrGiveTheirDocument) {
    std::filesystem::create_directories(dir.Path() / "sub" / "x.pdf");
    // Arguments, exit code, the message's start or the document and its page ({d}: the folder,
    // with its separator).
    const std::tuple<std::string, int, std::string> rows[] = {
        {"--bogus", 2, "unknown option: --bogus"},
        {"-x", 2, "unknown option: -x"},
        {"--width", 2, "option --width needs a value"},
        {"-o", 2, "option --output-path needs a value"},
        {"--multiple=yes", 2, "option --multiple takes no value"},
        {"-hx", 2, "option --help takes no value"},
        {"-S|A6", 2,
         "unknown page size 'A6' for --page-size: use A3, A4, A5, B5, Letter, "
         "Legal or Tabloid, with -landscape to turn it"},
        {"-W|8,5", 2, "invalid value '8,5' for --width: use a period as the decimal separator"},
        {"--margin=1 cm", 2, "invalid value '1 cm' for --margin: expected a number"},
        {"-H|0cm", 1, "the page height must be greater than 0 (--height 0cm)"},
        {"-S|A5|-W|-1in", 1, "the page width must be greater than 0 (--width -1in)"},
        {"--left|-1mm", 1, "a margin cannot be negative (--left -1mm)"},
        {"--right|-1", 1, "a margin cannot be negative (--right -1)"},
        {"--top|-1", 1, "a margin cannot be negative (--top -1)"},
        {"--bottom|-1", 1, "a margin cannot be negative (--bottom -1)"},
        {"-f|a:b.pdf", 1,
         "'a:b.pdf' is not a valid file name (it cannot be empty or contain "
         "\\ / : * < > ? | or \")"},
        {"-f|", 1, "'' is not a valid file name"},
        {"-o|", 1, "the output path is empty"},
        {"--multiple|-o|{d}x.pdf", 2,
         "with --multiple, -o names a folder, not a document: '{d}x.pdf'"},
        {"-o|{d}x.pdf|-f|y.pdf", 2,
         "-o names the document already; -f names it only inside a folder"},
        {"-o|a|--output-dir|b", 2, "give either -o or --output-dir, not both"},
        {"--as-window|--conforming", 2, "--conforming and --as-window exclude each other"},
        {"--as-window|-S|A4", 2, "--page-size is not available with --as-window"},
        {"--as-window|--title|T", 2, "--title is not available with --as-window"},
        {"--as-window|--author|T", 2, "--author is not available with --as-window"},
        {"--as-window|--subject|T", 2, "--subject is not available with --as-window"},
        {"--as-window|--keywords|T", 2, "--keywords is not available with --as-window"},
        {"--as-window|--width|0|--left|-1", 1, "Please enter valid page dimensions."},
        {"--as-window|-f|a/b.pdf", 1, "Please enter a valid file name (cannot contain"},
        {"--as-window|-o|", 1, "Please enter an Output Path"},
        {"", 2, "no IMAGE given"},
        {"-o|{d}missing/", 4, "Cannot create "},
        {"-o|{d}missing/x.pdf", 4, "Cannot create "},
        {"--output-dir|{d}y.pdf", 4, "Cannot create "},
        {"-o|{d}sub/doc.Pdf", 0, "sub/doc.Pdf 0 0 612 792"},
        {"-o|{d}sub/x.pdf|-S|A4", 0, "sub/x.pdf/JPEG_Output.PDF 0 0 595 842"},
        {"-o|{d}sub/x.pdf|--multiple", 0, "sub/x.pdf/a.jpg.PDF 0 0 612 792"},
        {"-o|{d}sub/|-f|y.pdf|--page-size=letter-LANDSCAPE", 0, "sub/y.pdf 0 0 792 612"},
        {"--output-dir|{d}sub|-W|21cm|-H|297mm", 0, "sub/JPEG_Output.PDF 0 0 595 842"},
        {"-o|{d}p.pdf|-S|A5|-W|100pt", 0, "p.pdf 0 0 100 595"},
        {"-o|{d}m.pdf|--match-image-size", 0, "m.pdf 0 0 96 64"},
        {"-o|{d}n.pdf|--match-image-size|--margin|1in|--top|2.54cm", 0, "n.pdf 0 0 240 208"},
    };
    for (const auto& [arguments, code, expected] : rows) {
        const std::string result = Run(Args(InFolder(arguments)), !arguments.empty());
        const std::string name = InFolder("{d}" + expected.substr(0, expected.find(' ')));
        if (code == kExitOk) {
            const std::string box = "/MediaBox [" + expected.substr(expected.find(' ') + 1) + "]";
            EXPECT_NE(test::ReadText(name).find(box), std::string::npos) << name;
            std::filesystem::remove(PathFromUtf8(name));
        }
        const std::string message = code == kExitOk ? "" : "|folionix-cli: " + InFolder(expected);
        EXPECT_EQ(result.rfind(std::to_string(code) + " " + message, 0), 0u) << result;
        EXPECT_EQ(result.find("\nTry 'folionix-cli --help'.\n") != std::string::npos, code == 2);
        EXPECT_EQ(Files(), "") << expected;
    }
}

// Files that cannot be converted are named with their reason (exit 3), in the default mode and
// as the window says it; a file named twice is one file; with no image left, nothing is written.
TEST_F(CliRun, LeftOutFilesAreNamedWithTheirReason) {
    test::WriteText(dir.File("fake.jp2"), "not a jp2");
    test::WriteText(dir.File("readme"), "x");
    std::filesystem::create_directory(dir.Path() / "folder.jpg");
    std::vector<std::string> arguments =
        Args(InFolder("{d}missing.jpg|{d}fake.jp2|{d}folder.jpg|{d}readme"));
    const std::string leftOut =
        InFolder("folionix-cli: left out {d}missing.jpg: No such file or directory\n"
                 "folionix-cli: left out {d}fake.jp2: not a valid JP2 header\n"
                 "folionix-cli: left out {d}folder.jpg: it is a folder, not a regular file\n"
                 "folionix-cli: left out {d}readme: not a .jpg, .jpeg, .jpe, .jp2 or .j2k file\n");
    EXPECT_EQ(Run(arguments, false),
              "3 |" + leftOut + "folionix-cli: no image to convert; nothing written\n");
    EXPECT_EQ(Files(), "");

    arguments.insert(arguments.begin(), {"-o", InFolder("{d}d.pdf"), image + "/../a.jpg"});
    EXPECT_EQ(Run(arguments), "3 Done creating PDF.  Duration:  18:30:00 - 18:30:00\n|" + leftOut);
    EXPECT_NE(test::ReadText(dir.File("d.pdf")).find("/Count 1\n"), std::string::npos);
    EXPECT_EQ(Run(Args(InFolder("-q|-o|{d}d.pdf|{d}readme"))).substr(0, 3), "3 |");
    EXPECT_EQ(Run({"-v", "--multiple", "-o", dir.File("")}),
              "0 Done creating PDFs.  Duration:  18:30:00 - 18:30:00\n|folionix-cli: added " +
                  image + "\nfolionix-cli: page 1 of 1: " + image + "\n");

    // The window writes its document all the same, the reason on a line of its own.
    EXPECT_EQ(Run(Args(InFolder("--as-window|-o|{d}|-f|w.pdf|{d}fake.jp2|{d}readme")), false),
              InFolder("3 Done creating PDF.  Duration:  18:30:00 - 18:30:00\n|"
                       "folionix-cli: Unable to load image file: {d}fake.jp2\n"
                       "folionix-cli: not a valid JP2 header\n"
                       "folionix-cli: Unable to load image file: {d}readme\n"
                       "folionix-cli: not a .jpg, .jpeg, .jpe, .jp2 or .j2k file\n"));
    EXPECT_EQ(Files(), "a.jpg.PDF d.pdf w.pdf ");
}

} // namespace
} // namespace folionix::cli
