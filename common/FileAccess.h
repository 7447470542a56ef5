#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace folionix {

// The platform's path separator: a backslash on Windows, a slash elsewhere. Folder texts in the
// image list, the output folder and the dialogs' answers all end with it.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// Paths are UTF-8 text everywhere; this is the one place they become filesystem paths, so that
// non-ASCII names open on every platform (wide paths on Windows).
std::filesystem::path PathFromUtf8(std::string_view utf8);

// The UTF-8 text of a filesystem path.
std::string Utf8FromPath(const std::filesystem::path& path);

// An open file, closed when the object goes. Positions are 0-based byte offsets. The class is a
// thin layer over the platform's unbuffered file calls, so that opening a file by name for every
// append (as the PDF writer does) stays cheap.
class File {
public:
    enum class Mode {
        Read,           // existing file, read only
        ReadWrite,      // read and write; a missing file is created empty
        CreateTruncate, // read and write; the file is created or emptied
        Append          // write only, always at the end; a missing file is created empty. The
                        // length is not taken (Size() is -1): the platform appends at the end.
    };

    // Opens the file named by UTF-8 text; nothing when it cannot be opened or is a folder, and
    // for Read also when it is not a regular file (a named pipe, a device, a socket). The open
    // never waits: a named pipe without a writer is turned away at once.
    static std::optional<File> Open(std::string_view utf8Path, Mode mode);

    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File();

    // Length in bytes: taken once when the file is opened and grown by this handle's own
    // writes, so appending at the end costs one write call and no status query. Nothing else
    // may write the file while the handle is open (the writer never holds two handles on one
    // document).
    std::int64_t Size() const;

    // The length the platform gives now, whoever wrote the file meanwhile; -1 when it cannot be
    // taken or the file is no longer a regular file.
    std::int64_t CurrentSize() const;

    // Cuts the file to size bytes (taking back what was appended after that point).
    bool Truncate(std::int64_t size);

    // Reads up to buffer.size() bytes at the position; returns how many were read (fewer at the
    // end of the file), or -1 on a read error.
    std::int64_t ReadAt(std::int64_t position, std::span<std::uint8_t> buffer) const;

    // Reads exactly buffer.size() bytes at the position; false when the file is shorter or the
    // read fails.
    bool ReadExactlyAt(std::int64_t position, std::span<std::uint8_t> buffer) const;

    // Writes all of the bytes at the position; false when the platform refuses any of them.
    bool WriteAt(std::int64_t position, std::span<const std::uint8_t> bytes);
    bool WriteAt(std::int64_t position, std::string_view text);

    // Writes all of the bytes at the end of a file opened for Append.
    bool Append(std::string_view text);

    // Copies count bytes from this file at sourcePosition into destination at
    // destinationPosition inside the operating system, so they never pass through our memory.
    // Unsupported: this platform or this pair of file systems cannot (nothing was copied; copy
    // through a buffer instead). SourceEnded: the source ended early. Failed: a read or a write
    // failed (errno tells why).
    enum class KernelCopy { Done, Unsupported, SourceEnded, Failed };
    KernelCopy CopyRangeTo(std::int64_t sourcePosition, File& destination,
                           std::int64_t destinationPosition, std::size_t count) const;

private:
    File(int descriptor, std::int64_t size) : descriptor_(descriptor), size_(size) {}
    int descriptor_ = -1;
    std::int64_t size_ = 0;
};

// Why a file cannot be opened for reading, in the platform's words where it has them ("No such
// file or directory", "Permission denied", "Is a directory"); for a caller whose File::Open
// has just failed.
std::string DescribeOpenFailure(std::string_view utf8Path);

// What a path names when it is neither a regular file nor missing ("a folder", "a named pipe",
// "a socket", "a device"); empty otherwise.
std::string DescribeFileType(std::string_view utf8Path);

// The platform's words for an error number ("No space left on device"), and for errno now.
std::string SystemErrorText(int error);
std::string LastSystemErrorText();

// Whether CopyRangeTo may use the operating system's copy at all (default yes). Tests turn it
// off to run the buffer path on platforms that have the other.
void SetKernelCopyEnabled(bool enabled);

} // namespace folionix
