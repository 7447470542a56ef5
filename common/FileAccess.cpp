#include "common/FileAccess.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <system_error>
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
// _read and _write take an unsigned int count; larger requests go in pieces of 1 GiB.
unsigned int ClampedCount(std::size_t n) {
    return n > 0x40000000u ? 0x40000000u : static_cast<unsigned int>(n);
}

int OpenDescriptor(std::string_view utf8Path, File::Mode mode) {
    const std::filesystem::path path = PathFromUtf8(utf8Path);
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
    case File::Mode::Append:
        flags |= _O_WRONLY | _O_CREAT | _O_APPEND;
        break;
    }
    int descriptor = -1;
    if (_wsopen_s(&descriptor, path.c_str(), flags, _SH_DENYNO, _S_IREAD | _S_IWRITE) != 0) {
        return -1;
    }
    return descriptor;
}

std::int64_t FileSizeOf(int descriptor, bool regularOnly) {
    struct _stat64 info {};
    if (_fstat64(descriptor, &info) != 0 || (info.st_mode & _S_IFDIR) != 0 ||
        (regularOnly && (info.st_mode & _S_IFREG) == 0)) {
        return -1;
    }
    return static_cast<std::int64_t>(info.st_size);
}

bool TruncateDescriptor(int descriptor, std::int64_t size) {
    return _chsize_s(descriptor, size) == 0;
}

std::int64_t ReadSome(int descriptor, std::int64_t position, std::uint8_t* data, std::size_t n) {
    if (_lseeki64(descriptor, position, SEEK_SET) < 0) {
        return -1;
    }
    return _read(descriptor, data, ClampedCount(n));
}

std::int64_t WriteSome(int descriptor, std::int64_t position, const std::uint8_t* data,
                       std::size_t n) {
    if (_lseeki64(descriptor, position, SEEK_SET) < 0) {
        return -1;
    }
    return _write(descriptor, data, ClampedCount(n));
}

std::int64_t AppendSome(int descriptor, const std::uint8_t* data, std::size_t n) {
    return _write(descriptor, data, ClampedCount(n));
}

File::KernelCopy CopyInKernel(int /*source*/, std::int64_t /*sourcePosition*/, int /*destination*/,
                              std::int64_t /*destinationPosition*/, std::size_t /*count*/) {
    return File::KernelCopy::Unsupported;
}

void CloseDescriptor(int descriptor) {
    _close(descriptor);
}
#else
// The UTF-8 bytes are the name as the kernel takes it, so they go to open() as they are: no
// filesystem::path in between, whose parsing costs more than the open itself when the writer
// opens its document for every append.
int OpenDescriptor(std::string_view utf8Path, File::Mode mode) {
    std::array<char, 1024> shortName; // filled below, up to the terminating zero
    std::string longName;
    const char* name = nullptr;
    if (utf8Path.size() < shortName.size()) {
        std::copy(utf8Path.begin(), utf8Path.end(), shortName.begin());
        shortName[utf8Path.size()] = '\0';
        name = shortName.data();
    } else {
        longName.assign(utf8Path);
        name = longName.c_str();
    }
    // Without O_NONBLOCK, opening a named pipe waits for a writer that may never come; the status
    // taken right after the open then turns away everything that is not a regular file.
    int flags = O_CLOEXEC | O_NONBLOCK;
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
    case File::Mode::Append:
        flags |= O_WRONLY | O_CREAT | O_APPEND;
        break;
    }
    return ::open(name, flags, 0666);
}

std::int64_t FileSizeOf(int descriptor, bool regularOnly) {
    struct stat info {};
    if (::fstat(descriptor, &info) != 0 || S_ISDIR(info.st_mode) ||
        (regularOnly && !S_ISREG(info.st_mode))) {
        return -1;
    }
    return static_cast<std::int64_t>(info.st_size);
}

bool TruncateDescriptor(int descriptor, std::int64_t size) {
    return ::ftruncate(descriptor, static_cast<off_t>(size)) == 0;
}

std::int64_t ReadSome(int descriptor, std::int64_t position, std::uint8_t* data, std::size_t n) {
    return ::pread(descriptor, data, n, static_cast<off_t>(position));
}

std::int64_t WriteSome(int descriptor, std::int64_t position, const std::uint8_t* data,
                       std::size_t n) {
    return ::pwrite(descriptor, data, n, static_cast<off_t>(position));
}

std::int64_t AppendSome(int descriptor, const std::uint8_t* data, std::size_t n) {
    return ::write(descriptor, data, n);
}

File::KernelCopy CopyInKernel(int source, std::int64_t sourcePosition, int destination,
                              std::int64_t destinationPosition, std::size_t count) {
#ifdef __linux__
    auto from = static_cast<loff_t>(sourcePosition);
    auto to = static_cast<loff_t>(destinationPosition);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t copied = ::copy_file_range(source, &from, destination, &to, count - done, 0);
        if (copied < 0 && errno == EINTR) {
            continue;
        }
        // Nothing copied at all may also be a file system that only pretends to support the
        // call; the buffer then finds out whether the source really ends here.
        const bool refused = copied < 0 && (errno == ENOSYS || errno == EXDEV || errno == EINVAL ||
                                            errno == EOPNOTSUPP);
        if (done == 0 && (copied == 0 || refused)) {
            return File::KernelCopy::Unsupported;
        }
        if (copied == 0) {
            return File::KernelCopy::SourceEnded;
        }
        if (copied < 0) {
            return File::KernelCopy::Failed;
        }
        done += static_cast<std::size_t>(copied);
    }
    return File::KernelCopy::Done;
#else
    static_cast<void>(source);
    static_cast<void>(sourcePosition);
    static_cast<void>(destination);
    static_cast<void>(destinationPosition);
    static_cast<void>(count);
    return File::KernelCopy::Unsupported;
#endif
}

void CloseDescriptor(int descriptor) {
    ::close(descriptor);
}
#endif

bool& KernelCopyEnabled() {
    static bool enabled = true;
    return enabled;
}

} // namespace

std::optional<File> File::Open(std::string_view utf8Path, Mode mode) {
    // A zero byte would end the name early on every platform: it names no file of ours.
    if (utf8Path.empty() || utf8Path.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    const int descriptor = OpenDescriptor(utf8Path, mode);
    if (descriptor < 0) {
        return std::nullopt;
    }
    // Appending needs no length, and a folder never opens for writing.
    if (mode == Mode::Append) {
        return File(descriptor, -1);
    }
    // A folder opens read-only on some platforms, and a pipe or a device opens without waiting;
    // only a regular file is one we read. (A device stays writable: the tests write into
    // /dev/full; the builds refuse an output that is not a regular file before they begin.)
    const std::int64_t size = FileSizeOf(descriptor, mode == Mode::Read);
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

std::int64_t File::CurrentSize() const {
    return FileSizeOf(descriptor_, false);
}

bool File::Truncate(std::int64_t size) {
    if (size < 0 || !TruncateDescriptor(descriptor_, size)) {
        return false;
    }
    size_ = size;
    return true;
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

bool File::Append(std::string_view text) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(text.data());
    std::size_t done = 0;
    while (done < text.size()) {
        const std::int64_t put = AppendSome(descriptor_, data + done, text.size() - done);
        if (put <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(put);
    }
    return true;
}

File::KernelCopy File::CopyRangeTo(std::int64_t sourcePosition, File& destination,
                                   std::int64_t destinationPosition, std::size_t count) const {
    if (!KernelCopyEnabled()) {
        return KernelCopy::Unsupported;
    }
    const KernelCopy result = CopyInKernel(descriptor_, sourcePosition, destination.descriptor_,
                                           destinationPosition, count);
    if (result == KernelCopy::Done) {
        destination.size_ =
            std::max(destination.size_, destinationPosition + static_cast<std::int64_t>(count));
    }
    return result;
}

std::string DescribeFileType(std::string_view utf8Path) {
    std::error_code error;
    const std::filesystem::file_status status =
        std::filesystem::status(PathFromUtf8(utf8Path), error);
    switch (status.type()) {
    case std::filesystem::file_type::directory:
        return "a folder";
    case std::filesystem::file_type::fifo:
        return "a named pipe";
    case std::filesystem::file_type::socket:
        return "a socket";
    case std::filesystem::file_type::block:
    case std::filesystem::file_type::character:
        return "a device";
    case std::filesystem::file_type::none:
    case std::filesystem::file_type::not_found:
    case std::filesystem::file_type::regular:
    case std::filesystem::file_type::symlink:
    case std::filesystem::file_type::unknown:
    default:
        break;
    }
    return std::string();
}

std::string DescribeOpenFailure(std::string_view utf8Path) {
    std::error_code error;
    const std::filesystem::file_status status =
        std::filesystem::status(PathFromUtf8(utf8Path), error);
    if (error) {
        return error.message();
    }
    if (std::filesystem::is_directory(status)) {
        return std::make_error_code(std::errc::is_a_directory).message();
    }
    if (!std::filesystem::is_regular_file(status)) {
        const std::string type = DescribeFileType(utf8Path);
        return "not a regular file" + (type.empty() ? std::string() : ": " + type);
    }
    return std::make_error_code(std::errc::permission_denied).message();
}

std::string SystemErrorText(int error) {
    return std::generic_category().message(error);
}

std::string LastSystemErrorText() {
    return SystemErrorText(errno);
}

void SetKernelCopyEnabled(bool enabled) {
    KernelCopyEnabled() = enabled;
}

} // namespace folionix
