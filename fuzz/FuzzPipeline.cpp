#include "FuzzEntries.h"
#include "support/DocumentCheck.h"
#include "support/FakeHost.h"

#include "common/FileAccess.h"
#include "conversion/modConforming.h"
#include "conversion/modFolionix.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace folionix::fuzz {
namespace {

namespace fs = std::filesystem;

void Require(bool condition, const std::string& what) {
    if (!condition) {
        std::fprintf(stderr, "broken invariant: %s\n", what.c_str());
        std::abort();
    }
}

// The options of one run, taken from the first byte of the input.
struct RunChoice {
    const char* extension = ".jpg";
    bool conforming = false;
    bool multiple = false;
    bool matchImageSize = false;
};

RunChoice ChoiceOf(std::uint8_t byte) {
    static constexpr const char* kExtensions[] = {".jpg", ".jp2", ".j2k", ".jpg"};
    RunChoice choice;
    choice.extension = kExtensions[byte & 3];
    choice.conforming = (byte & 4) != 0;
    choice.multiple = (byte & 8) != 0;
    choice.matchImageSize = (byte & 16) != 0;
    return choice;
}

// A scratch folder for the whole fuzzing process, with the image and the output folder in it;
// removed when the process ends.
const fs::path& Scratch() {
    // Never destroyed, so that the removal at exit still has it.
    static const fs::path* const folder = [] {
#ifdef _WIN32
        const int process = _getpid();
#else
        const int process = static_cast<int>(::getpid());
#endif
        const auto* path = new fs::path(fs::temp_directory_path() /
                                        ("folionix-fuzz-pipeline-" + std::to_string(process)));
        fs::create_directories(*path / "out");
        std::atexit([] {
            std::error_code error;
            fs::remove_all(Scratch(), error);
        });
        return path;
    }();
    return *folder;
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

int FuzzPipeline(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    const RunChoice choice = ChoiceOf(data[0]);
    const fs::path image = Scratch() / (std::string("image") + choice.extension);
    const fs::path out = Scratch() / "out";
    {
        std::ofstream file(image, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
    }
    // The window's defaults otherwise, as the tests' host has them.
    test::FakeHost host;
    host.fields[SettingsField::OutputPath] = Utf8FromPath(out);
    host.fields[SettingsField::FileName] = "out.pdf";
    host.specifyPageSize = !choice.matchImageSize;
    host.singlePdf = !choice.multiple;
    host.plan = choice.conforming ? &ConformingPlan() : &WindowPlan();
    DropData drop;
    drop.files.push_back(Utf8FromPath(image));
    AddDroppedFiles(host, drop);
    const RunReport report = RunConversion(host);

    // A document under its final name is always whole; nothing else is left in the folder.
    std::size_t documents = 0;
    for (const auto& item : fs::directory_iterator(out)) {
        const std::string name = Utf8FromPath(item.path().filename());
        Require(name == "out.pdf" || name == "image" + std::string(choice.extension) + ".PDF",
                "only finished documents are left in the output folder, found " + name);
        const std::string problem = test::DocumentProblem(ReadAll(item.path()));
        Require(problem.empty(), name + ": " + problem);
        ++documents;
    }
    Require(report.outcome != RunOutcome::Failed || documents == 0,
            "a failed run leaves no document");
    Require(report.outcome != RunOutcome::Completed || choice.multiple || documents == 1,
            "a completed single-document run leaves its document");
    for (const auto& item : fs::directory_iterator(out)) {
        fs::remove(item.path());
    }
    return 0;
}

} // namespace folionix::fuzz
