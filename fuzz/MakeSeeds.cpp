// fuzz_make_seeds: writes the fixture builders' seeds as files, one folder per fuzz target, for
// the fuzzers to start from.
//
//     fuzz_make_seeds OUTPUT_DIR   (creates OUTPUT_DIR/jpeg, OUTPUT_DIR/jp2, OUTPUT_DIR/j2k)

#include "Seeds.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

int main(int argc, char** argv) {
    namespace fixture = folionix::test;
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_make_seeds OUTPUT_DIR\n");
        return 2;
    }
    const std::filesystem::path root(argv[1]);
    const std::pair<const char*, std::vector<std::pair<std::string, fixture::Bytes>>> sets[] = {
        {"jpeg", folionix::fuzz::JpegSeeds()},
        {"jp2", folionix::fuzz::Jp2Seeds()},
        {"j2k", folionix::fuzz::J2kSeeds()},
    };
    for (const auto& [name, seeds] : sets) {
        const auto folder = root / name;
        std::filesystem::create_directories(folder);
        for (const auto& [seedName, bytes] : seeds) {
            std::ofstream out(folder / (seedName + ".seed"), std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<std::streamsize>(bytes.size()));
            if (!out) {
                std::fprintf(stderr, "cannot write %s\n", (folder / seedName).c_str());
                return 1;
            }
        }
    }
    return 0;
}
