#include "FuzzEntries.h"

#include "common/FileAccess.h"
#include "imaging/modJ2K.h"
#include "imaging/modJP2.h"
#include "imaging/modJPG.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <system_error>

namespace folionix::fuzz {

namespace {

// One file per process, in memory-backed /dev/shm where there is one; removed at exit.
class ScratchFile {
public:
    ScratchFile() {
        std::error_code error;
        std::filesystem::path folder("/dev/shm");
        if (!std::filesystem::is_directory(folder, error)) {
            folder = std::filesystem::temp_directory_path();
        }
        std::random_device random;
        path_ = Utf8FromPath(folder / ("folionix-fuzz-" + std::to_string(random()) + "-" +
                                       std::to_string(random()) + ".bin"));
    }
    ~ScratchFile() {
        std::error_code ignored;
        std::filesystem::remove(PathFromUtf8(path_), ignored);
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::string& Write(std::span<const std::uint8_t> bytes) const {
        std::optional<File> file = File::Open(path_, File::Mode::CreateTruncate);
        if (!file || !file->WriteAt(0, bytes)) {
            std::fprintf(stderr, "cannot write the scratch file %s\n", path_.c_str());
            std::abort();
        }
        return path_;
    }

private:
    std::string path_;
};

const std::string& WriteScratch(std::span<const std::uint8_t> bytes) {
    static const ScratchFile scratch;
    return scratch.Write(bytes);
}

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "broken invariant: %s\n", what);
        std::abort();
    }
}

// A failed read leaves six zeros; a successful one leaves zero resolutions for JPEG 2000.
void CheckResult(bool ok, const ImageInfo& info, bool jpeg2000) {
    if (!ok) {
        Require(info == ImageInfo{}, "a failed read leaves every field 0");
    } else if (jpeg2000) {
        Require(info.XResolution == 0 && info.YResolution == 0, "codestreams carry no resolution");
    }
}

// The caller's values a reader must keep when no frame header or SIZ segment is met.
constexpr ImageInfo kCallerValues{-1, -2, -3, -4, -5, -6};

} // namespace

int FuzzJpeg(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    std::int32_t a = 0, b = 0, c = 0, d = 0;
    if (ParseSofSegment(bytes, a, b, c, d)) {
        Require(a >= 0 && a <= 65535 && b >= 0 && b <= 65535, "frame sizes are 16-bit");
    }
    static_cast<void>(ParseJfifSegment(bytes, a, b));

    const std::string& path = WriteScratch(bytes);
    ImageInfo info = kCallerValues;
    const bool ok = GetJpegInfo(path, info, 1);
    CheckResult(ok, info, false);
    if (ok && info.BitsPerComponent != kCallerValues.BitsPerComponent) {
        Require(info.BitsPerPixel >= 0 && info.BitsPerPixel <= 255 * 255, "Nf x P in range");
    }
    // The same bytes read from the third byte on: a start inside the data.
    info = kCallerValues;
    CheckResult(GetJpegInfo(path, info, 3), info, false);
    return 0;
}

int FuzzJ2k(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    std::int32_t width = 0, height = 0, components = 0, bitsPerPixel = 0, bitsPerComponent = 0;
    if (ParseSizSegment(bytes, width, height, components, bitsPerPixel, bitsPerComponent)) {
        Require(bitsPerPixel >= 0 && bitsPerPixel <= components * 128, "depth sum in range");
        Require(components == 0 ? bitsPerComponent == 0
                                : bitsPerComponent >= 1 && bitsPerComponent <= 128,
                "last depth in range");
    }
    const std::string& path = WriteScratch(bytes);
    ImageInfo info = kCallerValues;
    CheckResult(GetJ2kInfo(path, info, 1), info, true);
    return 0;
}

int FuzzJp2(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const std::string& path = WriteScratch(bytes);
    ImageInfo info = kCallerValues;
    CheckResult(GetJp2Info(path, info, 1), info, true);
    // The codestream reader meets JP2 files too when the extension lies.
    info = kCallerValues;
    CheckResult(GetJ2kInfo(path, info, 1), info, true);
    return 0;
}

} // namespace folionix::fuzz
