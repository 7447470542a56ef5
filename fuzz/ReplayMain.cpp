// fuzz_replay: runs the fuzz targets' bodies over their seeds as an ordinary test program, so
// that the normal and the sanitizer builds exercise them without libFuzzer. The seeds are the
// ones the fixture builders make (each also cut short at every length), plus the files of any
// folder given as target=folder (a fuzzing run's corpus, for instance).
//
// The whole-pipeline target has no built seeds: it runs over the files of its folder only
// (fuzz/corpus/pipeline in the tests), each once.
//
//     fuzz_replay [jpeg=DIR] [jp2=DIR] [j2k=DIR] [pipeline=DIR]

#include "FuzzEntries.h"
#include "Seeds.h"

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

using folionix::test::Bytes;
using Entry = int (*)(const std::uint8_t*, std::size_t);

struct Target {
    Entry entry;
    std::vector<std::pair<std::string, Bytes>> seeds;
};

std::size_t RunOne(Entry entry, const Bytes& bytes) {
    // An exactly sized copy, so that a read past the end is a heap overflow under ASan.
    std::vector<std::uint8_t> copy(bytes);
    entry(copy.empty() ? nullptr : copy.data(), copy.size());
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    std::map<std::string, Target> targets{
        {"jpeg", {folionix::fuzz::FuzzJpeg, folionix::fuzz::JpegSeeds()}},
        {"jp2", {folionix::fuzz::FuzzJp2, folionix::fuzz::Jp2Seeds()}},
        {"j2k", {folionix::fuzz::FuzzJ2k, folionix::fuzz::J2kSeeds()}},
        {"pipeline", {folionix::fuzz::FuzzPipeline, {}}},
    };
    std::map<std::string, std::filesystem::path> folders;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const auto equals = argument.find('=');
        if (equals == std::string::npos || targets.count(argument.substr(0, equals)) == 0) {
            std::fprintf(stderr,
                         "usage: fuzz_replay [jpeg=DIR] [jp2=DIR] [j2k=DIR] [pipeline=DIR]\n");
            return 2;
        }
        folders[argument.substr(0, equals)] = argument.substr(equals + 1);
    }

    for (const auto& [name, target] : targets) {
        std::size_t runs = 0;
        for (const auto& seed : target.seeds) {
            const Bytes& bytes = seed.second;
            for (std::size_t length = 0; length <= bytes.size(); ++length) {
                runs += RunOne(
                    target.entry,
                    Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length)));
            }
        }
        std::size_t files = 0;
        const auto folder = folders.find(name);
        std::error_code error;
        if (folder != folders.end() && std::filesystem::is_directory(folder->second, error)) {
            for (const auto& item : std::filesystem::directory_iterator(folder->second)) {
                if (!item.is_regular_file()) {
                    continue;
                }
                std::ifstream in(item.path(), std::ios::binary);
                const Bytes bytes(std::istreambuf_iterator<char>(in), {});
                runs += RunOne(target.entry, bytes);
                ++files;
            }
        }
        std::printf("%s: %zu inputs (%zu seeds, each at every length; %zu files)\n", name.c_str(),
                    runs, target.seeds.size(), files);
    }
    return 0;
}
