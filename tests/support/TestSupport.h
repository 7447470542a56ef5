#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace folionix::test {

// A fresh folder under the system's temporary folder, removed with its contents at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // UTF-8 text of Path() / name.
    std::string File(const std::string& name) const;

private:
    std::filesystem::path path_;
};

std::vector<std::uint8_t> ReadBytes(const std::string& utf8Path);
std::string ReadText(const std::string& utf8Path);
void WriteBytes(const std::string& utf8Path, const std::vector<std::uint8_t>& bytes);
void WriteText(const std::string& utf8Path, const std::string& text);

// Runs a shell command; returns its exit status and, when output is given, its stdout.
int RunCommand(const std::string& command, std::string* output = nullptr);

// True when the program is on PATH.
bool HaveTool(const std::string& program);

// Quotes text for a POSIX shell.
std::string ShellQuote(const std::string& text);

} // namespace folionix::test
