// bench_readers: shows that reading a JPEG header costs the same whatever the size of the image,
// because GetJpegInfo stops at the start of scan and skips every other segment by its length.
// It writes two JPEG files with the same header (JFIF, DQT, SOF0, DHT, SOS) and 20 KB or
// ~200 MB of entropy-coded filler behind the start of scan, then times GetJpegInfo on each.
//
//     bench_readers [--megabytes N] [--repetitions N]     (defaults 200 and 20000)

#include "common/FileAccess.h"
#include "imaging/modJPG.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& to, std::uint32_t value) {
    to.push_back(static_cast<std::uint8_t>(value >> 8));
    to.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

void PutSegment(Bytes& to, std::uint8_t code, const Bytes& body) {
    to.push_back(0xFF);
    to.push_back(code);
    Put16(to, static_cast<std::uint32_t>(body.size() + 2));
    to.insert(to.end(), body.begin(), body.end());
}

// SOI, JFIF (300 dpi), DQT, SOF0 4000 × 3000 × 3, DHT, SOS: the head of a camera-sized file.
Bytes JpegHead() {
    Bytes out{0xFF, 0xD8};
    PutSegment(out, 0xE0, Bytes{'J', 'F', 'I', 'F', 0, 1, 2, 1, 0x01, 0x2C, 0x01, 0x2C, 0, 0});
    Bytes quantisation{0};
    quantisation.resize(65, 1);
    PutSegment(out, 0xDB, quantisation);
    PutSegment(out, 0xC0, Bytes{8, 0x0B, 0xB8, 0x0F, 0xA0, 3, 1, 0x22, 0, 2, 0x11, 0, 3, 0x11, 0});
    Bytes huffman{0x00};
    huffman.resize(17, 0);
    huffman[1] = 1;
    huffman.push_back(0);
    PutSegment(out, 0xC4, huffman);
    PutSegment(out, 0xDA, Bytes{3, 1, 0, 2, 0, 3, 0, 0, 63, 0});
    return out;
}

// Writes the head, `filler` bytes without 0xFF, and the end of image.
bool WriteJpeg(const std::string& path, std::uint64_t filler) {
    auto file = folionix::File::Open(path, folionix::File::Mode::CreateTruncate);
    if (!file) {
        return false;
    }
    const Bytes head = JpegHead();
    std::int64_t position = 0;
    if (!file->WriteAt(position, head)) {
        return false;
    }
    position += static_cast<std::int64_t>(head.size());
    Bytes chunk(1 << 20);
    std::mt19937 random(7);
    for (auto& byte : chunk) {
        byte = static_cast<std::uint8_t>(random() % 0xFF);
    }
    while (filler > 0) {
        const std::size_t n =
            filler < chunk.size() ? static_cast<std::size_t>(filler) : chunk.size();
        if (!file->WriteAt(position, std::span(chunk).first(n))) {
            return false;
        }
        position += static_cast<std::int64_t>(n);
        filler -= n;
    }
    return file->WriteAt(position, Bytes{0xFF, 0xD9});
}

// Mean microseconds per call over `repetitions` calls.
double TimeReader(const std::string& path, int repetitions, folionix::ImageInfo& info) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < repetitions; ++i) {
        if (!folionix::GetJpegInfo(path, info, 1)) {
            std::fprintf(stderr, "GetJpegInfo failed on %s\n", path.c_str());
            std::exit(1);
        }
    }
    const std::chrono::duration<double, std::micro> spent =
        std::chrono::steady_clock::now() - start;
    return spent.count() / repetitions;
}

} // namespace

int main(int argc, char** argv) {
    std::uint64_t megabytes = 200;
    int repetitions = 20000;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--megabytes") {
            megabytes = std::strtoull(argv[i + 1], nullptr, 10);
        } else if (option == "--repetitions") {
            repetitions = std::atoi(argv[i + 1]);
        }
    }
    if (repetitions < 1) {
        repetitions = 1;
    }
    const auto folder = std::filesystem::temp_directory_path() /
                        ("folionix-bench-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(folder);
    const std::string small = folionix::Utf8FromPath(folder / "small.jpg");
    const std::string large = folionix::Utf8FromPath(folder / "large.jpg");
    const bool written = WriteJpeg(small, 20 * 1024) && WriteJpeg(large, megabytes << 20);

    int status = 0;
    if (!written) {
        std::fprintf(stderr, "cannot write the test files in %s\n", folder.string().c_str());
        status = 1;
    } else {
        folionix::ImageInfo smallInfo;
        folionix::ImageInfo largeInfo;
        // Warm up, then alternate the two files in rounds so that drift hits both alike.
        TimeReader(small, repetitions / 10 + 1, smallInfo);
        TimeReader(large, repetitions / 10 + 1, largeInfo);
        double smallTotal = 0;
        double largeTotal = 0;
        const int rounds = 10;
        for (int round = 0; round < rounds; ++round) {
            smallTotal += TimeReader(small, repetitions / rounds + 1, smallInfo);
            largeTotal += TimeReader(large, repetitions / rounds + 1, largeInfo);
        }
        const auto sizeOf = [](const std::string& path) {
            return static_cast<unsigned long long>(
                std::filesystem::file_size(folionix::PathFromUtf8(path)));
        };
        std::printf("GetJpegInfo, mean of %d calls each (%d x %d, %d bits per pixel):\n",
                    rounds * (repetitions / rounds + 1), smallInfo.Width, smallInfo.Height,
                    smallInfo.BitsPerPixel);
        std::printf("  %12llu bytes: %8.2f us per call\n", sizeOf(small), smallTotal / rounds);
        std::printf("  %12llu bytes: %8.2f us per call\n", sizeOf(large), largeTotal / rounds);
        std::printf("  ratio large/small: %.2f\n", largeTotal / smallTotal);
        if (!(smallInfo == largeInfo)) {
            std::fprintf(stderr, "the two files gave different facts\n");
            status = 1;
        }
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return status;
}
