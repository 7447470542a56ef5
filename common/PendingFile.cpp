#include "common/PendingFile.h"

#include "common/FileAccess.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>

#ifdef _WIN32
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <share.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace folionix {
namespace {

// The name a signal handler removes. It is written only while no temporary file is registered
// (pendingSet is 0), and the flag is set after the name is complete.
#ifdef _WIN32
using NativeChar = wchar_t;
#else
using NativeChar = char;
#endif
constexpr std::size_t kPendingCapacity = 4096;
NativeChar pendingName[kPendingCapacity];
volatile std::sig_atomic_t pendingSet = 0;

void RegisterPending(const std::string& utf8Path) {
    pendingSet = 0;
#ifdef _WIN32
    const std::wstring name = PathFromUtf8(utf8Path).wstring();
#else
    const std::string& name = utf8Path;
#endif
    if (name.size() >= kPendingCapacity) {
        return; // too long to keep; only a signal would leave it behind
    }
    std::copy(name.begin(), name.end(), pendingName);
    pendingName[name.size()] = 0;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    pendingSet = 1;
}

void UnregisterPending() {
    pendingSet = 0;
    std::atomic_signal_fence(std::memory_order_seq_cst);
}

// Holds SIGINT and SIGTERM back while the temporary file and its registration change together,
// so that a signal never finds the file without the registration (and so leaves it behind).
class SignalsHeld {
public:
#ifdef _WIN32
    // Nothing to hold: a console's Ctrl+C handler runs on a thread of its own.
    SignalsHeld() {}
    ~SignalsHeld() {}
#else
    SignalsHeld() {
        sigset_t held;
        sigemptyset(&held);
        sigaddset(&held, SIGINT);
        sigaddset(&held, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &held, &previous_);
    }
    ~SignalsHeld() {
        pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
    }

private:
    sigset_t previous_{};
#endif
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;
};

int ProcessNumber() {
#ifdef _WIN32
    return _getpid();
#else
    return static_cast<int>(::getpid());
#endif
}

// Creates the file only when no file of the name exists; 0 or the error number.
int CreateExclusively(const std::string& utf8Path) {
#ifdef _WIN32
    int descriptor = -1;
    const int error = _wsopen_s(&descriptor, PathFromUtf8(utf8Path).c_str(),
                                _O_BINARY | _O_NOINHERIT | _O_CREAT | _O_EXCL | _O_RDWR, _SH_DENYNO,
                                _S_IREAD | _S_IWRITE);
    if (error != 0) {
        return error;
    }
    _close(descriptor);
    return 0;
#else
    const int descriptor = ::open(utf8Path.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        return errno;
    }
    ::close(descriptor);
    return 0;
#endif
}

void RemoveFile(const std::string& utf8Path) {
#ifdef _WIN32
    _wunlink(PathFromUtf8(utf8Path).c_str());
#else
    ::unlink(utf8Path.c_str());
#endif
}

#ifdef _WIN32
std::string WindowsErrorText(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = length > 0 && text != nullptr ? std::wstring(text, length) : L"";
    LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                                message.back() == L' ' || message.back() == L'.')) {
        message.pop_back();
    }
    return message.empty() ? "error " + std::to_string(error)
                           : Utf8FromPath(std::filesystem::path(message));
}
#endif

} // namespace

PendingFile::PendingFile(const std::string& finalPath) : finalPath_(finalPath) {
#ifdef _WIN32
    const std::size_t separator = finalPath.find_last_of("\\/");
#else
    const std::size_t separator = finalPath.rfind('/');
#endif
    const std::size_t folderLength = separator == std::string::npos ? 0 : separator + 1;
    // A short name of its own, so that a final name close to the platform's limit still gets
    // one; the process number and a counter keep runs and documents apart.
    static unsigned counter = 0;
    static const std::string prefix = ".folionix-" + std::to_string(ProcessNumber()) + "-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporaryPath_.assign(finalPath, 0, folderLength);
        temporaryPath_.append(prefix).append(std::to_string(++counter)).append(".tmp");
        const SignalsHeld held;
        const int error = CreateExclusively(temporaryPath_);
        if (error == 0) {
            created_ = true;
            RegisterPending(temporaryPath_);
            return;
        }
        if (error != EEXIST) {
            reason_ = SystemErrorText(error);
            return;
        }
    }
    reason_ = SystemErrorText(EEXIST);
}

PendingFile::~PendingFile() {
    if (created_ && !committed_) {
        const SignalsHeld held;
        RemoveFile(temporaryPath_);
        UnregisterPending();
    }
}

bool PendingFile::Commit() {
    if (!created_ || committed_) {
        return committed_;
    }
    const SignalsHeld held;
#ifdef _WIN32
    const bool renamed =
        MoveFileExW(PathFromUtf8(temporaryPath_).c_str(), PathFromUtf8(finalPath_).c_str(),
                    MOVEFILE_REPLACE_EXISTING) != 0;
    if (!renamed) {
        reason_ = WindowsErrorText(GetLastError());
    }
#else
    const bool renamed = ::rename(temporaryPath_.c_str(), finalPath_.c_str()) == 0;
    if (!renamed) {
        reason_ = LastSystemErrorText();
    }
#endif
    if (!renamed) {
        return false; // the destructor removes the temporary file
    }
    committed_ = true;
    UnregisterPending();
    return true;
}

void RemovePendingFileNow() noexcept {
    if (pendingSet != 0) {
        pendingSet = 0;
#ifdef _WIN32
        _wunlink(pendingName);
#else
        ::unlink(pendingName);
#endif
    }
}

std::optional<FileIdentity> IdentifyFile(const std::string& utf8Path, int* error) {
    if (error != nullptr) {
        *error = 0;
    }
#ifdef _WIN32
    const HANDLE handle = CreateFileW(PathFromUtf8(utf8Path).c_str(), 0,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileInformationByHandle(handle, &info) != 0;
    CloseHandle(handle);
    if (!known) {
        return std::nullopt;
    }
    FileIdentity identity;
    identity.device = info.dwVolumeSerialNumber;
    identity.index = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    identity.size = static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
    identity.regular = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    return identity;
#else
    struct stat info {};
    if (::stat(utf8Path.c_str(), &info) != 0) {
        if (error != nullptr) {
            *error = errno;
        }
        return std::nullopt;
    }
    FileIdentity identity;
    identity.device = static_cast<std::uint64_t>(info.st_dev);
    identity.index = static_cast<std::uint64_t>(info.st_ino);
    identity.size = static_cast<std::int64_t>(info.st_size);
    identity.regular = S_ISREG(info.st_mode);
    return identity;
#endif
}

} // namespace folionix
