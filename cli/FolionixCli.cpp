#include "cli/FolionixCli.h"

#include "common/FileAccess.h"
#include "common/RunError.h"
#include "conversion/ListBox.h"
#include "conversion/modConforming.h"
#include "conversion/modFolionix.h"

#include <cstddef>
#include <filesystem>
#include <ostream>
#include <system_error>
#include <utility>

#ifndef FOLIONIX_VERSION
#define FOLIONIX_VERSION "unknown"
#endif

namespace folionix::cli {
namespace {

constexpr std::string_view kProgram = "folionix-cli";

// The window's controls, filled from the command line: the core reads the run's options
// through this exactly as it reads the window. Messages go to standard error as they are shown;
// the completion message goes to standard output.
class CliHost final : public ConversionHost {
public:
    CliHost(const CliOptions& options, std::string outputPath, std::ostream& out, std::ostream& err,
            const std::function<LocalTime()>& clock)
        : options_(options), outputPath_(std::move(outputPath)), out_(out), err_(err),
          clock_(clock) {}

    std::string FieldText(SettingsField field) const override {
        switch (field) {
        case SettingsField::OutputPath:
            return outputPath_;
        case SettingsField::PageWidth:
            return options_.width;
        case SettingsField::FileName:
            return options_.fileName;
        case SettingsField::PageHeight:
            return options_.height;
        case SettingsField::MarginTop:
            return options_.top;
        case SettingsField::MarginBottom:
            return options_.bottom;
        case SettingsField::MarginLeft:
            return options_.left;
        case SettingsField::MarginRight:
            return options_.right;
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
        err_ << text << '\n';
    }
    void ShowCompletion(const std::string& text) override { out_ << text << '\n'; }
    void Warn(const std::string& text) override { err_ << text << '\n'; }
    LocalTime Now() const override { return clock_ ? clock_() : CurrentLocalTime(); }
    const OutputPlan& Plan() const override {
        return options_.conforming ? ConformingPlan() : WindowPlan();
    }

private:
    const CliOptions& options_;
    std::string outputPath_;
    ImageListModel list_;
    std::ostream& out_;
    std::ostream& err_;
    const std::function<LocalTime()>& clock_;
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

} // namespace

const std::vector<CliOption>& CliOptionTable() {
    static const std::vector<CliOption> table = {
        {'o', "output-path", "TEXT", "output folder (default: the current directory)",
         [](CliOptions& o, const std::string& v) {
             o.outputPath = v;
             o.outputPathGiven = true;
         }},
        {'f', "file-name", "TEXT", "file name of the single PDF (default \"JPEG_Output.PDF\")",
         [](CliOptions& o, const std::string& v) { o.fileName = v; }},
        {'\0', "match-image-size", "",
         "page = image size at its resolution + margins (default: the specified page size)",
         [](CliOptions& o, const std::string&) { o.matchImageSize = true; }},
        {'W', "width", "TEXT", "page width in inches (default \"8.5\")",
         [](CliOptions& o, const std::string& v) { o.width = v; }},
        {'H', "height", "TEXT", "page height in inches (default \"11\")",
         [](CliOptions& o, const std::string& v) { o.height = v; }},
        {'\0', "top", "TEXT", "top margin in inches (default \"0\")",
         [](CliOptions& o, const std::string& v) { o.top = v; }},
        {'\0', "bottom", "TEXT", "bottom margin in inches (default \"0\")",
         [](CliOptions& o, const std::string& v) { o.bottom = v; }},
        {'\0', "left", "TEXT", "left margin in inches (default \"0\")",
         [](CliOptions& o, const std::string& v) { o.left = v; }},
        {'\0', "right", "TEXT", "right margin in inches (default \"0\")",
         [](CliOptions& o, const std::string& v) { o.right = v; }},
        {'\0', "no-shrink", "", "do not shrink images larger than the area inside the margins",
         [](CliOptions& o, const std::string&) { o.noShrink = true; }},
        {'\0', "top-left", "", "place images at the top-left corner (default: centred)",
         [](CliOptions& o, const std::string&) { o.topLeft = true; }},
        {'\0', "multiple", "", "one PDF per image, named after the image with \".PDF\" added",
         [](CliOptions& o, const std::string&) { o.multiple = true; }},
        {'\0', "conforming", "",
         "conforming PDFs (ISO 32000, see the README); JPEGs no PDF can carry are left out",
         [](CliOptions& o, const std::string&) { o.conforming = true; }},
        {'h', "help", "", "show this help and exit",
         [](CliOptions& o, const std::string&) { o.help = true; }},
        {'\0', "version", "", "show the version and exit",
         [](CliOptions& o, const std::string&) { o.version = true; }},
    };
    return table;
}

bool ParseCliArguments(const std::vector<std::string>& arguments, CliOptions& options,
                       std::string& error) {
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            options.images.push_back(argument);
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
            option->apply(options, {});
            continue;
        }
        if (!hasInlineValue) {
            if (i + 1 >= arguments.size()) {
                error = "option " + OptionDisplayName(*option) + " needs a value";
                return false;
            }
            inlineValue = arguments[++i];
        }
        option->apply(options, inlineValue);
    }
    return true;
}

std::string CliUsageText() {
    std::string text;
    text += "Usage: folionix-cli [OPTIONS] IMAGE...\n\n";
    text += "Turns JPEG (.jpg .jpeg .jpe) and JPEG 2000 (.jp2 .j2k) files into PDF without\n"
            "decoding them: one page per image, in the order given.\n\n";
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
        text += names + std::string(option.help) + "\n";
    }
    text += "  --                        end of options; every later argument is an IMAGE\n";
    text += "\nNumbers are read from the start of their text as the window reads its fields:\n"
            "\"8.5in\" is 8.5, \"8,5\" is 8, \"abc\" is 0. Values go with the option as the next\n"
            "argument or after \"=\" (--width=8.5, -W8.5).\n"
            "\nIMAGE files are made absolute and added in order; a file given twice is added\n"
            "once. A file that cannot be read as the image its extension names is reported\n"
            "(\"Unable to load image file: \" and its path) and left out.\n"
            "\nThe completion message goes to standard output, all other messages to standard\n"
            "error.\n"
            "\nExit status:\n"
            "  0  the run completed and every image was accepted\n"
            "  1  an option failed its check (the message says which); nothing was written\n"
            "  2  usage error: unknown option, missing value, or no IMAGE\n"
            "  3  the run completed but some images were left out\n"
            "  4  a document could not be written (missing or read-only output folder, a\n"
            "     failed write, or a size too large for the PDF)\n";
    return text;
}

int RunCli(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
           const std::function<LocalTime()>& clock) {
    CliOptions options;
    std::string error;
    if (!ParseCliArguments(arguments, options, error)) {
        err << kProgram << ": " << error << "\nTry 'folionix-cli --help'.\n";
        return kExitUsage;
    }
    if (options.help) {
        out << CliUsageText();
        return kExitOk;
    }
    if (options.version) {
        out << kProgram << ' ' << FOLIONIX_VERSION << '\n';
        return kExitOk;
    }
    if (options.images.empty()) {
        err << kProgram << ": no IMAGE given\nTry 'folionix-cli --help'.\n";
        return kExitUsage;
    }

    CliHost host(options, options.outputPathGiven ? options.outputPath : CurrentFolder(), out, err,
                 clock);

    // Each operand is one dropped file. A file passed over without a message (no "." in its
    // path) is reported as well: on a command line nothing else would tell the user.
    int refused = 0;
    std::error_code folderError;
    const std::filesystem::path startFolder = std::filesystem::current_path(folderError);
    for (const std::string& operand : options.images) {
        DropData drop;
        drop.files.push_back(AbsolutePath(operand, startFolder));
        for (const AddOutcome& outcome : AddDroppedFiles(host, drop)) {
            if (outcome.result == AddResult::PassedOver) {
                err << "Unable to load image file: " << outcome.path << '\n';
            }
            if (outcome.result == AddResult::PassedOver || outcome.result == AddResult::Refused) {
                ++refused;
            }
        }
    }

    const RunReport report = RunConversion(host);
    switch (report.outcome) {
    case RunOutcome::Rejected:
        return kExitRejectedOptions;
    case RunOutcome::Failed:
        err << kProgram << ": " << report.failure << '\n';
        return kExitWriteFailed;
    case RunOutcome::Completed:
        break;
    }
    if (report.writerFailed) {
        err << kProgram << ": a document could not be written completely (does the output "
            << "folder exist and is it writable?)\n";
        return kExitWriteFailed;
    }
    return refused + report.imagesLeftOut > 0 ? kExitImagesRefused : kExitOk;
}

} // namespace folionix::cli
