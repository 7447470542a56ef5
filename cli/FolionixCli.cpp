#include "cli/FolionixCli.h"

#include "common/FileAccess.h"
#include "common/Text.h"
#include "conversion/ListBox.h"
#include "conversion/modConforming.h"
#include "conversion/modFolionix.h"
#include "pdf/modPDF.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <ostream>
#include <system_error>
#include <utility>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#ifndef FOLIONIX_VERSION
#define FOLIONIX_VERSION "unknown"
#endif

namespace folionix::cli {
namespace {

constexpr std::string_view kProgram = "folionix-cli: ";
constexpr std::string_view kTryHelp = "Try 'folionix-cli --help'.\n";

// --- Sizes --------------------------------------------------------------------------------------

struct Unit {
    std::string_view name;
    double perInch;
};
constexpr std::array<Unit, 4> kUnits = {{{"in", 1.0}, {"cm", 2.54}, {"mm", 25.4}, {"pt", 72.0}}};

struct PageSize {
    std::string_view name;
    std::string_view width;
    std::string_view height;
};
constexpr std::array<PageSize, 7> kPageSizes = {{
    {"A3", "297mm", "420mm"},
    {"A4", "210mm", "297mm"},
    {"A5", "148mm", "210mm"},
    {"B5", "176mm", "250mm"},
    {"Letter", "8.5in", "11in"},
    {"Legal", "8.5in", "14in"},
    {"Tabloid", "11in", "17in"},
}};

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return AsciiLower(x) == AsciiLower(y);
           });
}

bool EndsWithIgnoringCase(std::string_view text, std::string_view end) {
    return text.size() > end.size() &&
           EqualsIgnoringAsciiCase(text.substr(text.size() - end.size()), end);
}

// A number in inches as a text the window's reading gives back exactly (shortest round trip).
std::string InchText(double inches) {
    std::array<char, 32> digits{};
    const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), inches);
    return std::string(digits.data(), result.ptr);
}

// --- Options ------------------------------------------------------------------------------------

bool SetText(std::string& field, const std::string& value) {
    field = value;
    return true;
}

bool SetFlag(bool& flag) {
    flag = true;
    return true;
}

const CliOption* FindLongOption(std::string_view name) {
    for (const CliOption& option : CliOptionTable()) {
        if (option.longName == name) {
            return &option;
        }
    }
    return nullptr;
}

const CliOption* FindShortOption(char name) {
    for (const CliOption& option : CliOptionTable()) {
        if (option.shortName != '\0' && option.shortName == name) {
            return &option;
        }
    }
    return nullptr;
}

std::string OptionDisplayName(const CliOption& option) {
    return "--" + std::string(option.longName);
}

// --- Terminal progress --------------------------------------------------------------------------

bool StandardErrorIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(STDERR_FILENO) != 0;
#endif
}

// One line on a terminal that redraws itself: shown once a run has lasted half a second, then
// at most ten times a second, and wiped before anything else is written to the terminal.
class ProgressLine {
public:
    ProgressLine(std::ostream& err, bool enabled) : err_(err), enabled_(enabled) {}

    void Show(std::string_view phase, std::size_t done, std::size_t total,
              const std::string& path) {
        if (!enabled_) {
            return;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now - start_ < std::chrono::milliseconds(500) ||
            (drawn_ > 0 && now - lastDraw_ < std::chrono::milliseconds(100) && done < total)) {
            return;
        }
        lastDraw_ = now;
        std::string line = std::string(kProgram) + std::string(phase) + " " + std::to_string(done) +
                           "/" + std::to_string(total) + " ";
        // The file's name, shortened from the left, so that the line fits 79 columns.
        std::string name = Utf8FromPath(PathFromUtf8(path).filename());
        constexpr std::size_t kWidth = 79;
        if (line.size() + name.size() > kWidth) {
            const std::size_t keep = kWidth > line.size() + 3 ? kWidth - line.size() - 3 : 0;
            name = "..." + name.substr(name.size() - std::min(keep, name.size()));
        }
        line += name;
        Draw(line);
    }

    void Clear() {
        if (drawn_ > 0) {
            err_ << '\r' << std::string(drawn_, ' ') << '\r' << std::flush;
            drawn_ = 0;
        }
    }

private:
    // Padded with blanks over the previous line; no terminal control sequences needed.
    void Draw(const std::string& line) {
        err_ << '\r' << line;
        if (line.size() < drawn_) {
            err_ << std::string(drawn_ - line.size(), ' ');
        }
        err_ << std::flush;
        drawn_ = std::max(line.size(), std::size_t{1});
    }

    std::ostream& err_;
    bool enabled_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point lastDraw_;
    std::size_t drawn_ = 0;
};

// Where messages go: every line on standard error starts with the program's name, and wipes the
// progress line first.
class Reporter {
public:
    Reporter(std::ostream& err, bool quiet, bool verbose, bool terminal)
        : err_(err), quiet_(quiet), verbose_(verbose),
          progress_(err, terminal && !quiet && !verbose) {}

    void Error(const std::string& text) { Line(text); }
    void Note(const std::string& text) {
        if (!quiet_) {
            Line(text);
        }
    }
    void Verbose(const std::string& text) {
        if (verbose_) {
            Line(text);
        }
    }
    ProgressLine& Progress() { return progress_; }

private:
    void Line(const std::string& text) {
        progress_.Clear();
        err_ << kProgram << text << '\n';
    }

    std::ostream& err_;
    bool quiet_;
    bool verbose_;
    ProgressLine progress_;
};

// The run's settings as the core reads them: field texts (lengths as inch texts in the default
// mode, as typed with --as-window) and the choices.
struct ResolvedSettings {
    std::string outputFolder;
    std::string fileName;
    std::string width;
    std::string height;
    std::string top;
    std::string bottom;
    std::string left;
    std::string right;
};

// The window's controls, filled from the command line: the core reads the run's options
// through this exactly as it reads the window. What adding a file did is reported by RunCli from
// its outcome, so the messages the core shows while files are added are not printed here.
class CliHost final : public ConversionHost {
public:
    CliHost(const CliOptions& options, ResolvedSettings settings, Reporter& reporter,
            const std::function<LocalTime()>& clock)
        : options_(options), settings_(std::move(settings)), reporter_(reporter), clock_(clock) {}

    std::string FieldText(SettingsField field) const override {
        switch (field) {
        case SettingsField::OutputPath:
            return settings_.outputFolder;
        case SettingsField::PageWidth:
            return settings_.width;
        case SettingsField::FileName:
            return settings_.fileName;
        case SettingsField::PageHeight:
            return settings_.height;
        case SettingsField::MarginTop:
            return settings_.top;
        case SettingsField::MarginBottom:
            return settings_.bottom;
        case SettingsField::MarginLeft:
            return settings_.left;
        case SettingsField::MarginRight:
            return settings_.right;
        }
        return {};
    }
    bool IsSpecifyPageSize() const override { return !options_.matchImageSize; }
    bool IsSinglePdf() const override { return !options_.multiple; }
    bool IsCentered() const override { return !options_.topLeft; }
    CheckState ShrinkCheckState() const override {
        return options_.noShrink ? CheckState::Unchecked : CheckState::Checked;
    }
    ListBox& ImageList() override { return list_; }

    void ShowMessage(const std::string& text, int style, const std::string& title) override {
        static_cast<void>(style);
        static_cast<void>(title);
        if (!adding_) {
            reporter_.Error(text);
        }
    }
    // Printed by RunCli once it knows the documents were written.
    void ShowCompletion(const std::string& text) override { static_cast<void>(text); }
    void Warn(const std::string& text) override { reporter_.Note(text); }
    LocalTime Now() const override { return clock_ ? clock_() : CurrentLocalTime(); }
    const OutputPlan& Plan() const override {
        return options_.asWindow ? WindowPlan() : ConformingPlan();
    }
    DocumentInfo DocumentInformation() const override {
        return DocumentInfo{options_.title, options_.author, options_.subject, options_.keywords};
    }
    void PageWritten(std::int32_t index, std::int32_t count,
                     const std::string& imagePath) override {
        const auto done = static_cast<std::size_t>(index) + 1;
        const auto total = static_cast<std::size_t>(count);
        reporter_.Verbose("page " + std::to_string(done) + " of " + std::to_string(total) + ": " +
                          imagePath);
        reporter_.Progress().Show("writing", done, total, imagePath);
    }

    void SetAdding(bool adding) { adding_ = adding; }

private:
    const CliOptions& options_;
    ResolvedSettings settings_;
    Reporter& reporter_;
    ImageListModel list_;
    const std::function<LocalTime()>& clock_;
    bool adding_ = false;
};

// Relative operands are taken from the folder the program was started in (read once: the
// thousands of operands a shell glob gives need no system call each).
std::string AbsolutePath(const std::string& operand, const std::filesystem::path& startFolder) {
    std::filesystem::path path = PathFromUtf8(operand);
    if (path.is_relative()) {
        std::error_code error;
        path = startFolder.empty() ? std::filesystem::absolute(path, error) : startFolder / path;
    }
    return Utf8FromPath(path.lexically_normal());
}

std::string CurrentFolder() {
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::current_path(error);
    return error ? std::string(".") : Utf8FromPath(folder);
}

bool IsFolder(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(PathFromUtf8(path), error);
}

bool EndsWithSeparator(const std::string& path) {
    return !path.empty() && (path.back() == '/' || path.back() == kPathSeparator);
}

// A failure of the options: the exit code and its message.
struct Refusal {
    int code = kExitOk;
    std::string message;
};

// Where the documents go, by the rules of -o and --output-dir.
std::optional<Refusal> ResolveOutput(const CliOptions& options, ResolvedSettings& settings) {
    settings.fileName = options.fileName;
    if (options.outputPathGiven && options.outputDirGiven) {
        return Refusal{kExitUsage, "give either -o or --output-dir, not both"};
    }
    if (options.outputDirGiven || (options.outputPathGiven && options.asWindow)) {
        settings.outputFolder = options.outputDirGiven ? options.outputDir : options.outputPath;
        return std::nullopt;
    }
    if (!options.outputPathGiven) {
        settings.outputFolder = CurrentFolder();
        return std::nullopt;
    }
    const std::string& path = options.outputPath;
    if (path.empty()) {
        return Refusal{kExitRejectedOptions, "the output path is empty"};
    }
    // An existing folder is always a folder; otherwise a name ending in .pdf is the document.
    if (IsFolder(path) || EndsWithSeparator(path) || !EndsWithIgnoringCase(path, ".pdf")) {
        settings.outputFolder = path;
        return std::nullopt;
    }
    if (options.multiple) {
        return Refusal{kExitUsage,
                       "with --multiple, -o names a folder, not a document: '" + path + "'"};
    }
    if (options.fileNameGiven) {
        return Refusal{kExitUsage,
                       "-o names the document already; -f names it only inside a folder"};
    }
    const std::filesystem::path document = PathFromUtf8(path);
    const std::filesystem::path folder = document.parent_path();
    settings.outputFolder = folder.empty() ? CurrentFolder() : Utf8FromPath(folder);
    settings.fileName = Utf8FromPath(document.filename());
    return std::nullopt;
}

// The lengths in the default mode: units become inches, and the checks of the window's fields
// are made here with messages that name the option.
std::optional<Refusal> ResolveLengths(const CliOptions& options, ResolvedSettings& settings) {
    struct Field {
        const TypedLength& typed;
        std::string& text;
        bool isPageSide;
        const char* what;
    };
    const std::array<Field, 6> fields = {{
        {options.width, settings.width, true, "the page width"},
        {options.height, settings.height, true, "the page height"},
        {options.top, settings.top, false, "a margin"},
        {options.bottom, settings.bottom, false, "a margin"},
        {options.left, settings.left, false, "a margin"},
        {options.right, settings.right, false, "a margin"},
    }};
    std::array<double, 6> inches{};
    for (std::size_t i = 0; i < fields.size(); ++i) {
        std::string problem;
        if (!ParseLength(fields[i].typed.text, inches[i], problem)) {
            return Refusal{kExitUsage, "invalid value '" + fields[i].typed.text + "' for " +
                                           fields[i].typed.option + ": " + problem};
        }
        fields[i].text = InchText(inches[i]);
    }
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const Field& field = fields[i];
        if (field.isPageSide && !options.matchImageSize && !(inches[i] > 0)) {
            return Refusal{kExitRejectedOptions,
                           std::string(field.what) + " must be greater than 0 (" +
                               field.typed.option + " " + field.typed.text + ")"};
        }
        if (!field.isPageSide && inches[i] < 0) {
            return Refusal{kExitRejectedOptions, std::string(field.what) + " cannot be negative (" +
                                                     field.typed.option + " " + field.typed.text +
                                                     ")"};
        }
    }
    return std::nullopt;
}

std::optional<Refusal> ResolveSettings(const CliOptions& options, ResolvedSettings& settings) {
    if (options.asWindow && options.conforming) {
        return Refusal{kExitUsage, "--conforming and --as-window exclude each other"};
    }
    if (options.asWindow) {
        const std::array<std::pair<bool, const char*>, 5> defaultOnly = {{
            {options.pageSizeGiven, "--page-size"},
            {!options.title.empty(), "--title"},
            {!options.author.empty(), "--author"},
            {!options.subject.empty(), "--subject"},
            {!options.keywords.empty(), "--keywords"},
        }};
        for (const auto& [given, name] : defaultOnly) {
            if (given) {
                return Refusal{kExitUsage,
                               std::string(name) + " is not available with --as-window"};
            }
        }
    }
    if (std::optional<Refusal> refusal = ResolveOutput(options, settings)) {
        return refusal;
    }
    if (options.asWindow) {
        settings.width = options.width.text;
        settings.height = options.height.text;
        settings.top = options.top.text;
        settings.bottom = options.bottom.text;
        settings.left = options.left.text;
        settings.right = options.right.text;
        return std::nullopt;
    }
    if (std::optional<Refusal> refusal = ResolveLengths(options, settings)) {
        return refusal;
    }
    constexpr std::string_view kForbidden = "\\/:*<>?|\"";
    if (!options.multiple && (settings.fileName.empty() ||
                              settings.fileName.find_first_of(kForbidden) != std::string::npos)) {
        return Refusal{kExitRejectedOptions,
                       "'" + settings.fileName +
                           "' is not a valid file name (it cannot be empty or contain \\ / : * "
                           "< > ? | or \")"};
    }
    return std::nullopt;
}

// Why a file passed over without a message (no period in its path) was not taken.
std::string PassedOverReason(const std::string& path) {
    std::error_code error;
    const auto status = std::filesystem::status(PathFromUtf8(path), error);
    if (error || !std::filesystem::is_regular_file(status)) {
        return DescribeOpenFailure(path);
    }
    return "not a .jpg, .jpeg, .jpe, .jp2 or .j2k file";
}

// The names to add, in command-line order: operands (wildcards expanded on Windows, whose
// shells leave them to the program) and the names of the lists. False with a message for a
// list that cannot be read.
bool GatherNames(const CliOptions& options, std::vector<std::string>& names,
                 std::vector<std::string>& unmatched, std::string& error) {
    for (const CliInput& input : options.inputs) {
        if (!input.isList) {
#ifdef _WIN32
            if (input.text.find_first_of("*?") != std::string::npos) {
                const std::vector<std::string> matches = ExpandWildcard(input.text);
                if (matches.empty()) {
                    unmatched.push_back(input.text);
                }
                names.insert(names.end(), matches.begin(), matches.end());
                continue;
            }
#endif
            names.push_back(input.text);
            continue;
        }
        std::vector<std::string> listed;
        if (input.text == "-") {
            listed = ReadNameList(std::cin);
        } else {
            std::ifstream file(PathFromUtf8(input.text), std::ios::binary);
            if (!file) {
                error =
                    "cannot read the list " + input.text + ": " + DescribeOpenFailure(input.text);
                return false;
            }
            listed = ReadNameList(file);
        }
        names.insert(names.end(), std::make_move_iterator(listed.begin()),
                     std::make_move_iterator(listed.end()));
    }
    static_cast<void>(unmatched);
    return true;
}

// Word-wraps an option's help to the width; continuation lines are indented.
std::string WrapHelp(std::string_view help, std::size_t indent, std::size_t width) {
    std::string text;
    std::size_t column = indent;
    while (!help.empty()) {
        const std::size_t space = help.find(' ');
        const std::string_view word = help.substr(0, space);
        help = space == std::string_view::npos ? std::string_view() : help.substr(space + 1);
        if (column > indent && column + 1 + word.size() > width) {
            text += "\n" + std::string(indent, ' ');
            column = indent;
        } else if (column > indent) {
            text.push_back(' ');
            ++column;
        }
        text += word;
        column += word.size();
    }
    return text;
}

} // namespace

bool ParseLength(std::string_view text, double& inches, std::string& problem) {
    if (text.find(',') != std::string_view::npos) {
        problem = "use a period as the decimal separator";
        return false;
    }
    std::size_t at = 0;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    const std::size_t numberStart = at;
    bool anyDigit = false;
    bool period = false;
    for (; at < text.size(); ++at) {
        const char c = text[at];
        if (c >= '0' && c <= '9') {
            anyDigit = true;
        } else if (c == '.' && !period) {
            period = true;
        } else {
            break;
        }
    }
    const std::string_view number = text.substr(numberStart, at - numberStart);
    const std::string_view unitName = text.substr(at);
    const auto unit = std::find_if(kUnits.begin(), kUnits.end(), [&](const Unit& candidate) {
        return EqualsIgnoringAsciiCase(candidate.name, unitName);
    });
    if (!anyDigit || (!unitName.empty() && unit == kUnits.end())) {
        problem = "expected a number with an optional unit in, cm, mm or pt";
        return false;
    }
    double value = 0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec != std::errc() || result.ptr != number.data() + number.size()) {
        problem = "not a number this program can hold";
        return false;
    }
    inches = (negative ? -value : value) / (unitName.empty() ? 1.0 : unit->perInch);
    return true;
}

bool LookUpPageSize(std::string_view name, std::string& width, std::string& height) {
    constexpr std::string_view kLandscape = "-landscape";
    const bool landscape = EndsWithIgnoringCase(name, kLandscape);
    if (landscape) {
        name.remove_suffix(kLandscape.size());
    }
    for (const PageSize& size : kPageSizes) {
        if (EqualsIgnoringAsciiCase(size.name, name)) {
            width = landscape ? size.height : size.width;
            height = landscape ? size.width : size.height;
            return true;
        }
    }
    return false;
}

bool MatchesWildcard(std::string_view pattern, std::string_view name) {
    if (!name.empty() && name.front() == '.' && (pattern.empty() || pattern.front() != '.')) {
        return false;
    }
    // Greedy match with one backtrack point: the last star seen.
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t star = std::string_view::npos;
    std::size_t starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            starName = n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

std::vector<std::string> ExpandWildcard(const std::string& operand) {
    const std::size_t split = operand.find_last_of(std::string("/") + kPathSeparator);
    const std::string folder = split == std::string::npos ? "" : operand.substr(0, split + 1);
    const std::string pattern = split == std::string::npos ? operand : operand.substr(split + 1);
    std::vector<std::string> names;
    std::error_code error;
    std::filesystem::directory_iterator entries(PathFromUtf8(folder.empty() ? "." : folder), error);
    for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        const std::string name = Utf8FromPath(entries->path().filename());
        if (MatchesWildcard(pattern, name)) {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    for (std::string& name : names) {
        name.insert(0, folder);
    }
    return names;
}

std::vector<std::string> ReadNameList(std::istream& in) {
    std::vector<std::string> names;
    std::string line;
    bool first = true;
    while (std::getline(in, line)) {
        if (first && line.rfind("\xEF\xBB\xBF", 0) == 0) {
            line.erase(0, 3);
        }
        first = false;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.find_first_not_of(" \t") != std::string::npos) {
            names.push_back(line);
        }
    }
    return names;
}

const std::vector<CliOption>& CliOptionTable() {
    using S = std::string;
    static const std::vector<CliOption> table = {
        {'o', "output-path", "PATH",
         "the document (a name ending in .pdf) or the folder it goes to (default: the current "
         "directory); an existing folder is always a folder",
         [](CliOptions& o, const S& v, S&) {
             o.outputPathGiven = true;
             return SetText(o.outputPath, v);
         }},
        {'\0', "output-dir", "DIR", "the folder the documents go to",
         [](CliOptions& o, const S& v, S&) {
             o.outputDirGiven = true;
             return SetText(o.outputDir, v);
         }},
        {'f', "file-name", "NAME",
         "name of the single document in the folder (default \"JPEG_Output.PDF\")",
         [](CliOptions& o, const S& v, S&) {
             o.fileNameGiven = true;
             return SetText(o.fileName, v);
         }},
        {'S', "page-size", "NAME",
         "page size by name: A3 A4 A5 B5 Letter Legal Tabloid, \"-landscape\" turns it (sets "
         "-W and -H)",
         [](CliOptions& o, const S& v, S& error) {
             std::string width;
             std::string height;
             if (!LookUpPageSize(v, width, height)) {
                 error = "unknown page size '" + v +
                         "' for --page-size: use A3, A4, A5, B5, Letter, Legal or Tabloid, "
                         "with -landscape to turn it";
                 return false;
             }
             o.width = {width, "--page-size"};
             o.height = {height, "--page-size"};
             return SetFlag(o.pageSizeGiven);
         }},
        {'W', "width", "LENGTH", "page width (default 8.5in)",
         [](CliOptions& o, const S& v, S&) {
             o.width = {v, "--width"};
             return true;
         }},
        {'H', "height", "LENGTH", "page height (default 11in)",
         [](CliOptions& o, const S& v, S&) {
             o.height = {v, "--height"};
             return true;
         }},
        {'\0', "match-image-size", "",
         "page = image size at its resolution + margins (default: the page size above)",
         [](CliOptions& o, const S&, S&) { return SetFlag(o.matchImageSize); }},
        {'m', "margin", "LENGTH", "all four margins (default 0)",
         [](CliOptions& o, const S& v, S&) {
             o.top = o.bottom = o.left = o.right = {v, "--margin"};
             return true;
         }},
        {'\0', "top", "LENGTH", "top margin",
         [](CliOptions& o, const S& v, S&) {
             o.top = {v, "--top"};
             return true;
         }},
        {'\0', "bottom", "LENGTH", "bottom margin",
         [](CliOptions& o, const S& v, S&) {
             o.bottom = {v, "--bottom"};
             return true;
         }},
        {'\0', "left", "LENGTH", "left margin",
         [](CliOptions& o, const S& v, S&) {
             o.left = {v, "--left"};
             return true;
         }},
        {'\0', "right", "LENGTH", "right margin",
         [](CliOptions& o, const S& v, S&) {
             o.right = {v, "--right"};
             return true;
         }},
        {'\0', "no-shrink", "", "do not shrink images larger than the area inside the margins",
         [](CliOptions& o, const S&, S&) { return SetFlag(o.noShrink); }},
        {'\0', "top-left", "", "place images at the top-left corner (default: centred)",
         [](CliOptions& o, const S&, S&) { return SetFlag(o.topLeft); }},
        {'\0', "multiple", "", "one PDF per image, named after the image with \".PDF\" added",
         [](CliOptions& o, const S&, S&) { return SetFlag(o.multiple); }},
        {'\0', "from-file", "LIST",
         "add the images named in LIST, one path per line (\"-\": standard input)",
         [](CliOptions& o, const S& v, S&) {
             o.inputs.push_back({v, true});
             return true;
         }},
        {'\0', "title", "TEXT", "document title",
         [](CliOptions& o, const S& v, S&) { return SetText(o.title, v); }},
        {'\0', "author", "TEXT", "document author",
         [](CliOptions& o, const S& v, S&) { return SetText(o.author, v); }},
        {'\0', "subject", "TEXT", "document subject",
         [](CliOptions& o, const S& v, S&) { return SetText(o.subject, v); }},
        {'\0', "keywords", "TEXT", "document keywords",
         [](CliOptions& o, const S& v, S&) { return SetText(o.keywords, v); }},
        {'\0', "conforming", "", "conforming PDFs, the default (kept for older scripts)",
         [](CliOptions& o, const S&, S&) { return SetFlag(o.conforming); }},
        {'\0', "as-window", "",
         "behave as the window's Save PDF: its bytes, its reading of the fields and its "
         "messages",
         [](CliOptions& o, const S&, S&) { return SetFlag(o.asWindow); }},
        {'q', "quiet", "", "print errors only",
         [](CliOptions& o, const S&, S&) { return SetFlag(o.quiet); }},
        {'v', "verbose", "", "name each file as it is added and as its page is written",
         [](CliOptions& o, const S&, S&) { return SetFlag(o.verbose); }},
        {'h', "help", "", "show this help and exit",
         [](CliOptions& o, const S&, S&) { return SetFlag(o.help); }},
        {'\0', "version", "", "show the version and exit",
         [](CliOptions& o, const S&, S&) { return SetFlag(o.version); }},
    };
    return table;
}

bool ParseCliArguments(const std::vector<std::string>& arguments, CliOptions& options,
                       std::string& error) {
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            options.inputs.push_back({argument, false});
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }

        const CliOption* option = nullptr;
        std::string inlineValue;
        bool hasInlineValue = false;
        if (argument[1] == '-') {
            const std::size_t equals = argument.find('=');
            const std::string name =
                argument.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
            option = FindLongOption(name);
            if (option == nullptr) {
                error = "unknown option: --" + name;
                return false;
            }
            if (equals != std::string::npos) {
                hasInlineValue = true;
                inlineValue = argument.substr(equals + 1);
            }
        } else {
            option = FindShortOption(argument[1]);
            if (option == nullptr) {
                error = "unknown option: " + argument.substr(0, 2);
                return false;
            }
            if (argument.size() > 2) {
                hasInlineValue = true;
                inlineValue = argument.substr(2);
            }
        }

        if (option->valueName.empty()) {
            if (hasInlineValue) {
                error = "option " + OptionDisplayName(*option) + " takes no value";
                return false;
            }
            option->apply(options, {}, error);
            continue;
        }
        if (!hasInlineValue) {
            if (i + 1 >= arguments.size()) {
                error = "option " + OptionDisplayName(*option) + " needs a value";
                return false;
            }
            inlineValue = arguments[++i];
        }
        if (!option->apply(options, inlineValue, error)) {
            return false;
        }
    }
    return true;
}

std::string CliUsageText() {
    std::string text;
    text += "Usage: folionix-cli [OPTIONS] IMAGE...\n"
            "       folionix-cli [OPTIONS] --from-file LIST\n\n";
    text += "Turns JPEG (.jpg .jpeg .jpe) and JPEG 2000 (.jp2 .j2k) files into PDF without\n"
            "decoding them: one page per image, in the order given. The documents conform to\n"
            "ISO 32000: colour, resolution and orientation come from the files, and an image\n"
            "no PDF can carry is left out with its reason.\n\n";
    text += "Options:\n";
    for (const CliOption& option : CliOptionTable()) {
        std::string names = "  ";
        names += option.shortName != '\0' ? std::string("-") + option.shortName + ", " : "    ";
        names += "--" + std::string(option.longName);
        if (!option.valueName.empty()) {
            names += " " + std::string(option.valueName);
        }
        if (names.size() < 28) {
            names.append(28 - names.size(), ' ');
        } else {
            names += "\n" + std::string(28, ' ');
        }
        text += names + WrapHelp(option.help, 28, 80) + "\n";
    }
    text += "  --                        end of options; every later argument is an IMAGE\n";
    text += "\nA LENGTH is a number with an optional unit: in (when none is given), cm, mm or\n"
            "pt (1in = 2.54cm = 25.4mm = 72pt); \"21cm\", \"8.5\", \"0.5in\". Use a period as\n"
            "the decimal separator. Page sizes: A3 297x420mm, A4 210x297mm, A5 148x210mm,\n"
            "B5 176x250mm, Letter 8.5x11in, Legal 8.5x14in, Tabloid 11x17in.\n"
            "\nOutput: -o FILE.pdf (any letter case of .pdf) names the document; any other\n"
            "value of -o, an existing folder (even one named x.pdf), a value ending in a\n"
            "separator, and --output-dir name the folder, where -f names the document.\n"
            "With --multiple, the value of -o must be a folder.\n"
            "\nIMAGE files are added in order; a file given twice is added once; relative\n"
            "names, also those in a LIST, are taken from the current directory. A file that\n"
            "cannot be used is reported with its reason and left out. When no image is\n"
            "left, nothing is written.\n"
            "\nThe option --as-window reads every value as the window reads its fields (\"8.5in\"\n"
            "is 8.5, \"8,5\" is 8, \"abc\" is 0), writes the window's bytes (an empty document\n"
            "when no image is left) and shows the window's messages. It cannot be combined\n"
            "with the options --page-size, --title, --author, --subject and --keywords.\n"
            "\nThe completion message goes to standard output, all other messages to standard\n"
            "error. On a terminal, a progress line is shown for runs longer than half a\n"
            "second.\n"
            "\nExit status:\n"
            "  0  the run completed and every image was accepted\n"
            "  1  an option failed its check (the message says which); nothing was written\n"
            "  2  usage error: unknown option, invalid value, or no IMAGE\n"
            "  3  images were left out (when none was left, nothing was written)\n"
            "  4  a document could not be written (missing or read-only output folder, a\n"
            "     failed write, or a size too large for the PDF), or the run was refused\n"
            "     before writing (an output that is one of the images or not a regular\n"
            "     file, images adding up past 2 GiB); documents appear only when complete\n";
    return text;
}

int RunCli(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
           const std::function<LocalTime()>& clock) {
    CliOptions options;
    std::string error;
    if (!ParseCliArguments(arguments, options, error)) {
        err << kProgram << error << '\n' << kTryHelp;
        return kExitUsage;
    }
    if (options.help) {
        out << CliUsageText();
        return kExitOk;
    }
    if (options.version) {
        out << "folionix-cli " << FOLIONIX_VERSION << '\n';
        return kExitOk;
    }
    if (options.inputs.empty()) {
        err << kProgram << "no IMAGE given\n" << kTryHelp;
        return kExitUsage;
    }
    ResolvedSettings settings;
    if (const std::optional<Refusal> refusal = ResolveSettings(options, settings)) {
        err << kProgram << refusal->message << '\n';
        if (refusal->code == kExitUsage) {
            err << kTryHelp;
        }
        return refusal->code;
    }
    std::vector<std::string> names;
    std::vector<std::string> unmatched;
    if (!GatherNames(options, names, unmatched, error)) {
        err << kProgram << error << '\n';
        return kExitUsage;
    }

    Reporter reporter(err, options.quiet, options.verbose,
                      &err == &std::cerr && StandardErrorIsTerminal());
    CliHost host(options, std::move(settings), reporter, clock);
    std::size_t refused = unmatched.size();
    // A pattern that matched nothing is reported as the shells of other systems leave it: a
    // file of that name, which does not exist.
    const std::string missing =
        std::make_error_code(std::errc::no_such_file_or_directory).message();
    for (const std::string& pattern : unmatched) {
        if (options.asWindow) {
            reporter.Error("Unable to load image file: " + pattern);
            reporter.Error(missing);
        } else {
            std::string line = "left out " + pattern;
            line.append(": ").append(missing);
            reporter.Error(line);
        }
    }

    // Each name is one dropped file; the outcome says what became of it.
    std::error_code folderError;
    const std::filesystem::path startFolder = std::filesystem::current_path(folderError);
    host.SetAdding(true);
    for (std::size_t i = 0; i < names.size(); ++i) {
        DropData drop;
        drop.files.push_back(AbsolutePath(names[i], startFolder));
        for (const AddOutcome& outcome : AddDroppedFiles(host, drop)) {
            if (outcome.result == AddResult::Added) {
                reporter.Verbose("added " + outcome.path);
            } else if (outcome.result != AddResult::AlreadyListed) {
                ++refused;
                const std::string reason = outcome.result == AddResult::PassedOver
                                               ? PassedOverReason(outcome.path)
                                               : outcome.reason;
                if (options.asWindow) {
                    reporter.Error(outcome.result == AddResult::PassedOver
                                       ? "Unable to load image file: " + outcome.path
                                       : outcome.message);
                    reporter.Error(reason);
                } else {
                    reporter.Error("left out " + outcome.path + ": " + reason);
                }
            }
            reporter.Progress().Show("adding", i + 1, names.size(), outcome.path);
        }
    }
    host.SetAdding(false);

    if (!options.asWindow && host.ImageList().ListCount() == 0) {
        reporter.Error("no image to convert; nothing written");
        return kExitImagesRefused;
    }
    const RunReport report = RunConversion(host);
    reporter.Progress().Clear();
    switch (report.outcome) {
    case RunOutcome::Rejected:
        return kExitRejectedOptions;
    case RunOutcome::Failed:
        reporter.Error(report.failure);
        return kExitWriteFailed;
    case RunOutcome::Completed:
        break;
    }
    if (report.writerFailed) {
        reporter.Error(report.writerFailure);
        return kExitWriteFailed;
    }
    if (!options.quiet) {
        out << report.completionText << '\n';
    }
    return refused > 0 || report.imagesLeftOut > 0 ? kExitImagesRefused : kExitOk;
}

} // namespace folionix::cli
