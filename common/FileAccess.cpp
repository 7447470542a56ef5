#include "common/FileAccess.h"

#include <algorithm>
#include <utility>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <sys/types.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace folionix {

std::filesystem::path PathFromUtf8(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8FromPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

namespace {

#ifdef _WIN32
int OpenDescriptor(const std::filesystem::path& path, File::Mode mode) {
    int flags = _O_BINARY | _O_NOINHERIT;
    switch (mode) {
    case File::Mode::Read:
        flags |= _O_RDONLY;
        break;
    case File::Mode::ReadWrite:
        flags |= _O_RDWR | _O_CREAT;
        break;
    case File::Mode::CreateTruncate:
        flags |= _O_RDWR | _O_CREAT | _O_TRUNC;
        break;
    }
    int descriptor = -1;
    if (_wsopen_s(&descriptor, path.c_str(), flags, _SH_DENYNO, _S_IREAD | _S_IWRITE) != 0) {
        return -1;
    }
    return descriptor;
}

std::int64_t RegularFileSize(int descriptor) {
    struct _stat64 info {};
    if (_fstat64(descriptor, &info) != 0 || (info.st_mode & _S_IFDIR) != 0) {
        return -1;
    }
    return static_cast<std::int64_t>(info.st_size);
}

std::int64_t ReadSome(int descriptor, std::int64_t position, std::uint8_t* data, std::size_t n) {
    if (_lseeki64(descriptor, position, SEEK_SET) < 0) {
        return -1;
    }
    const unsigned int chunk = n > 0x40000000u ? 0x40000000u : static_cast<unsigned int>(n);
    return _read(descriptor, data, chunk);
}

std::int64_t WriteSome(int descriptor, std::int64_t position, const std::uint8_t* data,
                       std::size_t n) {
    if (_lseeki64(descriptor, position, SEEK_SET) < 0) {
        return -1;
    }
    const unsigned int chunk = n > 0x40000000u ? 0x40000000u : static_cast<unsigned int>(n);
    return _write(descriptor, data, chunk);
}

void CloseDescriptor(int descriptor) {
    _close(descriptor);
}
#else
int OpenDescriptor(const std::filesystem::path& path, File::Mode mode) {
    int flags = O_CLOEXEC;
    switch (mode) {
    case File::Mode::Read:
        flags |= O_RDONLY;
        break;
    case File::Mode::ReadWrite:
        flags |= O_RDWR | O_CREAT;
        break;
    case File::Mode::CreateTruncate:
        flags |= O_RDWR | O_CREAT | O_TRUNC;
        break;
    }
    return ::open(path.c_str(), flags, 0666);
}

std::int64_t RegularFileSize(int descriptor) {
    struct stat info {};
    if (::fstat(descriptor, &info) != 0 || S_ISDIR(info.st_mode)) {
        return -1;
    }
    return static_cast<std::int64_t>(info.st_size);
}

std::int64_t ReadSome(int descriptor, std::int64_t position, std::uint8_t* data, std::size_t n) {
    return ::pread(descriptor, data, n, static_cast<off_t>(position));
}

std::int64_t WriteSome(int descriptor, std::int64_t position, const std::uint8_t* data,
                       std::size_t n) {
    return ::pwrite(descriptor, data, n, static_cast<off_t>(position));
}

void CloseDescriptor(int descriptor) {
    ::close(descriptor);
}
#endif

} // namespace

std::optional<File> File::Open(std::string_view utf8Path, Mode mode) {
    if (utf8Path.empty()) {
        return std::nullopt;
    }
    const int descriptor = OpenDescriptor(PathFromUtf8(utf8Path), mode);
    if (descriptor < 0) {
        return std::nullopt;
    }
    // A folder opens read-only on some platforms; it is never a file we can use.
    const std::int64_t size = RegularFileSize(descriptor);
    if (size < 0) {
        CloseDescriptor(descriptor);
        return std::nullopt;
    }
    return File(descriptor, size);
}

File::File(File&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, -1)), size_(other.size_) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        if (descriptor_ >= 0) {
            CloseDescriptor(descriptor_);
        }
        descriptor_ = std::exchange(other.descriptor_, -1);
        size_ = other.size_;
    }
    return *this;
}

File::~File() {
    if (descriptor_ >= 0) {
        CloseDescriptor(descriptor_);
    }
}

std::int64_t File::Size() const {
    return size_;
}

std::int64_t File::ReadAt(std::int64_t position, std::span<std::uint8_t> buffer) const {
    if (position < 0) {
        return -1;
    }
    std::size_t done = 0;
    while (done < buffer.size()) {
        const std::int64_t got = ReadSome(descriptor_, position + static_cast<std::int64_t>(done),
                                          buffer.data() + done, buffer.size() - done);
        if (got < 0) {
            return -1;
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return static_cast<std::int64_t>(done);
}

bool File::ReadExactlyAt(std::int64_t position, std::span<std::uint8_t> buffer) const {
    return ReadAt(position, buffer) == static_cast<std::int64_t>(buffer.size());
}

bool File::WriteAt(std::int64_t position, std::span<const std::uint8_t> bytes) {
    if (position < 0) {
        return false;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::int64_t put = WriteSome(descriptor_, position + static_cast<std::int64_t>(done),
                                           bytes.data() + done, bytes.size() - done);
        if (put <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(put);
        size_ = std::max(size_, position + static_cast<std::int64_t>(done));
    }
    return true;
}

bool File::WriteAt(std::int64_t position, std::string_view text) {
    return WriteAt(position, std::span<const std::uint8_t>(
                                 reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

} // namespace folionix
