#pragma once

#include "common/Clock.h"

#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace folionix::cli {

// Exit codes of folionix-cli.
inline constexpr int kExitOk = 0;              // run completed, every image accepted
inline constexpr int kExitRejectedOptions = 1; // a check of the options failed; nothing written
inline constexpr int kExitUsage = 2;           // unknown option, bad value, no IMAGE
inline constexpr int kExitImagesRefused = 3;   // images were left out (or none was left)
inline constexpr int kExitWriteFailed = 4;     // a document could not be written

// A length as typed, with the option that set it (for messages: --margin sets four of them,
// --page-size two).
struct TypedLength {
    std::string text;
    std::string option;
};

// One IMAGE operand, or a --from-file list, in command-line order.
struct CliInput {
    std::string text;
    bool isList = false;
};

// The options as typed. Values stay text until the mode is known: --as-window reads them as
// the window reads its fields, the default mode as numbers with units.
struct CliOptions {
    std::string outputPath; // -o: a document name ending in .pdf, or a folder
    bool outputPathGiven = false;
    std::string outputDir; // --output-dir: always a folder
    bool outputDirGiven = false;
    std::string fileName = "JPEG_Output.PDF";
    bool fileNameGiven = false;
    TypedLength width{"8.5", "--width"};
    TypedLength height{"11", "--height"};
    TypedLength top{"0", "--top"};
    TypedLength bottom{"0", "--bottom"};
    TypedLength left{"0", "--left"};
    TypedLength right{"0", "--right"};
    bool pageSizeGiven = false;
    bool matchImageSize = false;
    bool noShrink = false;
    bool topLeft = false;
    bool multiple = false;
    bool conforming = false;
    bool asWindow = false;
    bool quiet = false;
    bool verbose = false;
    std::string title;
    std::string author;
    std::string subject;
    std::string keywords;
    bool help = false;
    bool version = false;
    std::vector<CliInput> inputs;
};

// One row of the option table. A new option is one more row (and a field in CliOptions):
// parsing and --help both come from the table. apply returns false, with a message, for a
// value it refuses outright.
struct CliOption {
    char shortName = '\0';      // '\0': no short form
    std::string_view longName;  // without the leading "--"
    std::string_view valueName; // empty: a flag without a value
    std::string_view help;
    bool (*apply)(CliOptions& options, const std::string& value, std::string& error) = nullptr;
};

const std::vector<CliOption>& CliOptionTable();

// Parses the arguments after the program name. False with a message in error for an unknown
// option, a missing value, a value given to a flag or an unknown page size name. "--" ends the
// options; "-" alone is an operand.
bool ParseCliArguments(const std::vector<std::string>& arguments, CliOptions& options,
                       std::string& error);

// A length as the default mode reads it: exactly a number (sign, digits, at most one period)
// and an optional unit in, cm, mm or pt (any letter case; in when none). False with the
// problem in a few words otherwise.
bool ParseLength(std::string_view text, double& inches, std::string& problem);

// The page sizes by name (A3, A4, A5, B5, Letter, Legal, Tabloid; "-landscape" turns the
// page; letter case ignored), as width and height texts with their units. False for an
// unknown name.
bool LookUpPageSize(std::string_view name, std::string& width, std::string& height);

// Whether a file name matches a pattern of * (any run) and ? (any one character); a leading
// period must be matched by a period, as the shells of other systems do.
bool MatchesWildcard(std::string_view pattern, std::string_view name);

// The files whose names match the last part of the operand (wildcards in the last part only),
// with the operand's folder in front, sorted by name; empty when none matches.
std::vector<std::string> ExpandWildcard(const std::string& operand);

// The names of a list: one per line, a carriage return before the line feed and a UTF-8 byte
// order mark at the start dropped, lines of blanks skipped.
std::vector<std::string> ReadNameList(std::istream& in);

std::string CliUsageText();

// The whole program: parse, add the images by the dropped-file rules, run, report. The
// completion, help and version go to out, all other messages to err; when err is the process's
// standard error and that is a terminal, a progress line is drawn there. Returns the exit code.
// A run-ending error is reported on err with exit code 4; nothing is thrown. clock, when set,
// replaces the system clock (the tests pin the date line and the completion times with it).
int RunCli(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
           const std::function<LocalTime()>& clock = {});

} // namespace folionix::cli
