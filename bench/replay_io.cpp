// Replays the file system calls of a recorded run (strace -o LOG folionix-cli ...) without any
// of the program's own work: the same opens, status queries, reads, writes, copies and closes,
// with the same sizes and positions, into another output folder. Its time is the floor that the
// program's I/O pattern sets, whatever the code around it does.
//
//   replay_io LOG RECORDED-OUTPUT-FOLDER REPLAY-OUTPUT-FOLDER
//
// Opens of system files (/etc, /usr, /lib, /proc, /sys, /dev) are left out; names under the
// recorded output folder are moved to the replay folder; everything else (the images) is opened
// where it was. Prints the number of calls and the seconds they took.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

enum class Kind { Open, Status, ReadAt, WriteAt, Append, Copy, Close };

struct Call {
    Kind kind = Kind::Close;
    int descriptor = -1;         // as recorded
    int otherDescriptor = -1;    // copy destination
    int flags = 0;               // open
    long long size = 0;          // bytes
    long long position = 0;      // read/write position, copy source position
    long long otherPosition = 0; // copy destination position
    std::string path;
};

bool IsSystemFile(const std::string& path) {
    for (const char* prefix : {"/etc/", "/usr/", "/lib", "/proc/", "/sys/", "/dev/"}) {
        if (path.rfind(prefix, 0) == 0) {
            return true;
        }
    }
    return false;
}

int OpenFlags(const std::string& text) {
    int flags = O_CLOEXEC;
    if (text.find("O_RDWR") != std::string::npos) {
        flags |= O_RDWR;
    } else if (text.find("O_WRONLY") != std::string::npos) {
        flags |= O_WRONLY;
    }
    if (text.find("O_CREAT") != std::string::npos) {
        flags |= O_CREAT;
    }
    if (text.find("O_TRUNC") != std::string::npos) {
        flags |= O_TRUNC;
    }
    if (text.find("O_APPEND") != std::string::npos) {
        flags |= O_APPEND;
    }
    return flags;
}

std::vector<Call> ReadLog(const std::string& logPath, const std::string& from,
                          const std::string& to) {
    const std::regex open(R"re(^openat\(AT_FDCWD, "([^"]+)", ([A-Z_|]+).*\) = (\d+))re");
    const std::regex status(R"re(^newfstatat\((\d+), "")re");
    const std::regex readAt(R"re(^pread64\((\d+), .*, (\d+), (\d+)\) = \d+)re");
    const std::regex writeAt(R"re(^pwrite64\((\d+), .*, (\d+), (\d+)\) = \d+)re");
    const std::regex append(R"re(^write\((\d+), .*, (\d+)\) = \d+)re");
    const std::regex copy(
        R"re(^copy_file_range\((\d+), \[(\d+)\], (\d+), \[(\d+)\], (\d+), 0\))re");
    const std::regex close(R"re(^close\((\d+)\))re");
    std::set<int> skipped;
    std::vector<Call> calls;
    std::ifstream log(logPath);
    std::string line;
    std::smatch m;
    while (std::getline(log, line)) {
        Call call;
        if (std::regex_search(line, m, open)) {
            call.kind = Kind::Open;
            call.path = m[1];
            call.flags = OpenFlags(m[2]);
            call.descriptor = std::stoi(m[3]);
            if (IsSystemFile(call.path)) {
                skipped.insert(call.descriptor);
                continue;
            }
            skipped.erase(call.descriptor);
            if (call.path.rfind(from, 0) == 0) {
                call.path = to + call.path.substr(from.size());
            }
        } else if (std::regex_search(line, m, status)) {
            call.kind = Kind::Status;
            call.descriptor = std::stoi(m[1]);
        } else if (std::regex_search(line, m, readAt)) {
            call.kind = Kind::ReadAt;
            call.descriptor = std::stoi(m[1]);
            call.size = std::stoll(m[2]);
            call.position = std::stoll(m[3]);
        } else if (std::regex_search(line, m, writeAt)) {
            call.kind = Kind::WriteAt;
            call.descriptor = std::stoi(m[1]);
            call.size = std::stoll(m[2]);
            call.position = std::stoll(m[3]);
        } else if (std::regex_search(line, m, append)) {
            call.kind = Kind::Append;
            call.descriptor = std::stoi(m[1]);
            call.size = std::stoll(m[2]);
        } else if (std::regex_search(line, m, copy)) {
            call.kind = Kind::Copy;
            call.descriptor = std::stoi(m[1]);
            call.position = std::stoll(m[2]);
            call.otherDescriptor = std::stoi(m[3]);
            call.otherPosition = std::stoll(m[4]);
            call.size = std::stoll(m[5]);
        } else if (std::regex_search(line, m, close)) {
            call.kind = Kind::Close;
            call.descriptor = std::stoi(m[1]);
        } else {
            continue;
        }
        // Standard streams and system files are not the run's files.
        if (call.kind != Kind::Open &&
            (call.descriptor < 3 || skipped.count(call.descriptor) != 0)) {
            continue;
        }
        calls.push_back(call);
    }
    return calls;
}

int Replay(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: replay_io LOG RECORDED-OUTPUT-FOLDER REPLAY-OUTPUT-FOLDER\n";
        return 2;
    }
    const std::vector<Call> calls = ReadLog(argv[1], argv[2], argv[3]);
    std::map<int, int> descriptors; // recorded -> ours
    std::vector<char> buffer(1 << 20);
    struct stat info {};
    const auto start = std::chrono::steady_clock::now();
    for (const Call& call : calls) {
        const int fd = call.kind == Kind::Open ? -1 : descriptors[call.descriptor];
        switch (call.kind) {
        case Kind::Open: {
            const int opened = ::open(call.path.c_str(), call.flags, 0666);
            if (opened < 0) {
                std::perror(call.path.c_str());
                return 1;
            }
            descriptors[call.descriptor] = opened;
            break;
        }
        case Kind::Status:
            static_cast<void>(::fstat(fd, &info));
            break;
        case Kind::ReadAt:
            static_cast<void>(
                ::pread(fd, buffer.data(), static_cast<size_t>(call.size), call.position));
            break;
        case Kind::WriteAt:
            static_cast<void>(
                ::pwrite(fd, buffer.data(), static_cast<size_t>(call.size), call.position));
            break;
        case Kind::Append:
            static_cast<void>(::write(fd, buffer.data(), static_cast<size_t>(call.size)));
            break;
        case Kind::Copy: {
            loff_t from = call.position;
            loff_t to = call.otherPosition;
            static_cast<void>(::copy_file_range(fd, &from, descriptors[call.otherDescriptor], &to,
                                                static_cast<size_t>(call.size), 0));
            break;
        }
        case Kind::Close:
            static_cast<void>(::close(fd));
            break;
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::cout << calls.size() << " calls " << seconds << " s\n";
    return 0;
}
} // namespace

int main(int argc, char** argv) {
    try {
        return Replay(argc, argv);
    } catch (const std::exception& error) {
        std::cerr << "replay_io: " << error.what() << '\n';
        return 1;
    }
}
