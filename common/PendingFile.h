#pragma once

// A document is written under a temporary name in the folder it is meant for and renamed over
// its final name only when it is complete, so that a final name never shows a partial
// document: a failed or killed run leaves the earlier document of that name as it was, and of
// two runs writing the same name each leaves a whole document (the last rename wins).

#include <cstdint>
#include <optional>
#include <string>

namespace folionix {

class PendingFile {
public:
    // Creates an empty file of a name no other run uses in finalPath's folder. Check Created():
    // when the file cannot be made, Reason() gives the platform's words ("No such file or
    // directory", "Permission denied", "No space left on device").
    explicit PendingFile(const std::string& finalPath);
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;
    // Removes the temporary file unless it was committed.
    ~PendingFile();

    bool Created() const { return created_; }
    const std::string& Reason() const { return reason_; }
    const std::string& TemporaryPath() const { return temporaryPath_; }
    const std::string& FinalPath() const { return finalPath_; }

    // Renames the temporary file over the final name (replacing a file of that name). False,
    // with Reason() set, when the platform refuses; the temporary file is then removed.
    bool Commit();

private:
    std::string finalPath_;
    std::string temporaryPath_;
    std::string reason_;
    bool created_ = false;
    bool committed_ = false;
};

// Removes the temporary file of the document being written, if there is one. Safe to call
// from a signal handler: it only reads a fixed buffer and calls the platform's unlink.
void RemovePendingFileNow() noexcept;

// Who a file is, independent of the name it was reached by: the same file through a symbolic
// link, a hard link or another spelling of its path has the same identity.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t index = 0;
    std::int64_t size = 0;
    bool regular = false;
    friend bool operator==(const FileIdentity& a, const FileIdentity& b) {
        return a.device == b.device && a.index == b.index;
    }
};

// The identity of the file a path names (links followed); nothing when there is none, with the
// error number in error when given (0 where the platform gives none).
std::optional<FileIdentity> IdentifyFile(const std::string& utf8Path, int* error = nullptr);

} // namespace folionix
