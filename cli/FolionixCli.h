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
inline constexpr int kExitUsage = 2;           // unknown option, missing value, no IMAGE
inline constexpr int kExitImagesRefused = 3;   // run completed, some images were left out
inline constexpr int kExitWriteFailed = 4;     // a document could not be written

// The options as typed. Number fields stay text: they are read exactly as the window reads
// its fields.
struct CliOptions {
    std::string outputPath; // empty: the current directory
    bool outputPathGiven = false;
    std::string fileName = "JPEG_Output.PDF";
    std::string width = "8.5";
    std::string height = "11";
    std::string top = "0";
    std::string bottom = "0";
    std::string left = "0";
    std::string right = "0";
    bool matchImageSize = false;
    bool noShrink = false;
    bool topLeft = false;
    bool multiple = false;
    bool conforming = false;
    bool help = false;
    bool version = false;
    std::vector<std::string> images;
};

// One row of the option table. A new option is one more row (and a field in CliOptions):
// parsing and --help both come from the table.
struct CliOption {
    char shortName = '\0';      // '\0': no short form
    std::string_view longName;  // without the leading "--"
    std::string_view valueName; // empty: a flag without a value
    std::string_view help;
    void (*apply)(CliOptions& options, const std::string& value) = nullptr;
};

const std::vector<CliOption>& CliOptionTable();

// Parses the arguments after the program name. False with a message in error for an unknown
// option, a missing value or a value given to a flag. "--" ends the options; "-" alone is an
// operand.
bool ParseCliArguments(const std::vector<std::string>& arguments, CliOptions& options,
                       std::string& error);

std::string CliUsageText();

// The whole program: parse, add the images by the dropped-file rules, run, report. Messages
// go to out (completion, help, version) and err (everything else). Returns the exit code.
// A run-ending error is reported on err with exit code 4; nothing is thrown. clock, when set,
// replaces the system clock (the tests pin the date line and the completion times with it).
int RunCli(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
           const std::function<LocalTime()>& clock = {});

} // namespace folionix::cli
