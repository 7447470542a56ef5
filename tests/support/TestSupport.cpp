#include "support/TestSupport.h"

#include "common/FileAccess.h"

#include <array>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace folionix::test {

TempDir::TempDir() {
    // A random name and a counter, until a folder is new (creating one that fails throws).
    static std::atomic<int> counter{0};
    std::random_device random;
    do {
        path_ = std::filesystem::temp_directory_path() /
                ("folionix-test-" + std::to_string(random()) + "-" + std::to_string(counter++));
    } while (!std::filesystem::create_directory(path_));
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::File(const std::string& name) const {
    return Utf8FromPath(path_ / PathFromUtf8(name));
}

std::vector<std::uint8_t> ReadBytes(const std::string& utf8Path) {
    std::ifstream in(PathFromUtf8(utf8Path), std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string ReadText(const std::string& utf8Path) {
    const std::vector<std::uint8_t> bytes = ReadBytes(utf8Path);
    return {bytes.begin(), bytes.end()};
}

void WriteBytes(const std::string& utf8Path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(PathFromUtf8(utf8Path), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

void WriteText(const std::string& utf8Path, const std::string& text) {
    WriteBytes(utf8Path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

int RunCommand(const std::string& command, std::string* output) {
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return -1;
    }
    std::string ignored;
    std::string& out = output != nullptr ? *output : ignored;
    std::array<char, 4096> buffer{};
    for (std::size_t got = 0; (got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;) {
        out.append(buffer.data(), got);
    }
    const int status = pclose(pipe);
#ifdef _WIN32
    return status;
#else
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

bool HaveTool(const std::string& program) {
    return RunCommand("command -v " + ShellQuote(program) + " >/dev/null 2>&1") == 0;
}

std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

} // namespace folionix::test
