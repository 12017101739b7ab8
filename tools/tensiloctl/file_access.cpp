#include "tools/tensiloctl/file_access.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace tensilo::ctl {

namespace {

// What stands where a file is to be written: nothing, a regular file to replace whole, something
// to write in place (from its start, or at its end as the shell opened it), or something that
// cannot be looked at (errno says why).
enum class TargetKind { Missing, Regular, InPlace, AppendInPlace, Unreadable };

#ifdef _WIN32

using FileStatus = struct _stat64;

std::wstring Wide(const std::string& utf8) {
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                        length);
    return wide;
}

int OpenFile(const std::string& path, int flags, int mode = 0) {
    return _wopen(Wide(path).c_str(), flags | _O_BINARY | _O_NOINHERIT, mode);
}
long long WriteSome(int descriptor, const char* data, std::size_t size) {
    return _write(descriptor, data, static_cast<unsigned>(size > 1u << 30 ? 1u << 30 : size));
}
long long ReadSome(int descriptor, char* data, std::size_t size) {
    return _read(descriptor, data, static_cast<unsigned>(size > 1u << 30 ? 1u << 30 : size));
}
void CloseFile(int descriptor) {
    _close(descriptor);
}
int SyncFile(int descriptor) {
    return FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(descriptor))) ? 0 : -1;
}
// What stands at `path`: opened without access to its data, which names devices (NUL, CON, a
// pipe) as well as files; FILE_TYPE_DISK is a file or a folder.
TargetKind KindOf(const std::string& path, FileStatus& status) {
    const HANDLE handle =
        CreateFileW(Wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        errno = error == ERROR_ACCESS_DENIED ? EACCES : ENOENT;
        return error == ERROR_FILE_NOT_FOUND ? TargetKind::Missing : TargetKind::Unreadable;
    }
    const DWORD type = GetFileType(handle);
    CloseHandle(handle);
    if (type != FILE_TYPE_DISK || _wstat64(Wide(path).c_str(), &status) != 0)
        return TargetKind::InPlace;
    return (status.st_mode & _S_IFMT) == _S_IFREG ? TargetKind::Regular : TargetKind::InPlace;
}
std::string RealPathOf(const std::string& path) {
    return path;
}
int PermissionsOf(const FileStatus& status) {
    return status.st_mode & (_S_IREAD | _S_IWRITE);
}
// What a new file gets: read and write.
constexpr int kNewFilePermissions = _S_IREAD | _S_IWRITE;
void KeepOwnerAndMode(int, const FileStatus&) {}
std::optional<std::string> ReplaceFile(const std::string& from, const std::string& to) {
    if (MoveFileExW(Wide(from).c_str(), Wide(to).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return std::nullopt;
    return std::system_category().message(static_cast<int>(GetLastError()));
}
void RemoveFile(const std::string& path) {
    _wunlink(Wide(path).c_str());
}
std::string UniqueSuffix(unsigned attempt) {
    return std::string(".").append(std::to_string(GetCurrentProcessId())) + "-" +
           std::to_string(attempt);
}

#else

using FileStatus = struct stat;

int OpenFile(const std::string& path, int flags, int mode = 0) {
    return ::open(path.c_str(), flags | O_CLOEXEC, mode);
}
long long WriteSome(int descriptor, const char* data, std::size_t size) {
    return ::write(descriptor, data, size);
}
long long ReadSome(int descriptor, char* data, std::size_t size) {
    return ::read(descriptor, data, size);
}
void CloseFile(int descriptor) {
    ::close(descriptor);
}
int SyncFile(int descriptor) {
    return ::fsync(descriptor);
}
// Whether the file is one the program's standard streams are open on (/dev/stdout redirected
// to a file): that file is the shell's, written in place as the shell opened it.
bool IsStandardStream(const FileStatus& file) {
    for (int descriptor = 0; descriptor <= 2; ++descriptor) {
        FileStatus stream{};
        if (::fstat(descriptor, &stream) == 0 && stream.st_dev == file.st_dev &&
            stream.st_ino == file.st_ino)
            return true;
    }
    return false;
}
// What stands at `path`, through its symbolic links.
TargetKind KindOf(const std::string& path, FileStatus& status) {
    if (::stat(path.c_str(), &status) != 0)
        return errno == ENOENT ? TargetKind::Missing : TargetKind::Unreadable;
    if (!S_ISREG(status.st_mode))
        return TargetKind::InPlace;
    return IsStandardStream(status) ? TargetKind::AppendInPlace : TargetKind::Regular;
}

// The file a path names through its symbolic links: replacing it keeps the links.
std::string RealPathOf(const std::string& path) {
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr)
        return path;
    std::string resolved(real);
    std::free(real);
    return resolved;
}
int PermissionsOf(const FileStatus& status) {
    return static_cast<int>(status.st_mode & 07777);
}
// What a new file gets: read and write for all, less the user's umask, which the open takes off.
constexpr int kNewFilePermissions = 0666;
// Keeps the old file's owner and group where the program may (as root; a file of the user's own
// stays the user's), then its mode exactly: the umask narrowed what the open gave, and a change
// of owner clears the set-user-ID bits.
void KeepOwnerAndMode(int descriptor, const FileStatus& old) {
    if (::fchown(descriptor, old.st_uid, old.st_gid) != 0) {
        // Not allowed to give the file away: it stays the user's, as a new file would be.
    }
    ::fchmod(descriptor, old.st_mode & 07777);
}
std::optional<std::string> ReplaceFile(const std::string& from, const std::string& to) {
    if (::rename(from.c_str(), to.c_str()) == 0)
        return std::nullopt;
    return ErrorText(errno);
}
void RemoveFile(const std::string& path) {
    ::unlink(path.c_str());
}
std::string UniqueSuffix(unsigned attempt) {
    return std::string(".").append(std::to_string(::getpid())) + "-" + std::to_string(attempt);
}

#endif

// Writes all of `bytes`; the system's reason when it could not.
std::optional<std::string> WriteAll(int descriptor, std::string_view bytes) {
    const int error = WriteAllTo(descriptor, bytes);
    return error == 0 ? std::nullopt : std::optional<std::string>(ErrorText(error));
}

// Opens and writes a target that is not replaced: a FIFO, a device, or the shell's own output.
std::optional<std::string> WriteInPlace(const std::string& path, std::string_view bytes,
                                        bool append) {
    const int descriptor = OpenFile(path, O_WRONLY | (append ? O_APPEND : 0));
    if (descriptor < 0)
        return ErrorText(errno);
    auto failure = WriteAll(descriptor, bytes);
    CloseFile(descriptor);
    return failure;
}

// A new file beside `target`, named after it, open for writing: its descriptor and name.
int CreateTemporaryBeside(const std::string& target, int permissions, std::string& name) {
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        name = target + UniqueSuffix(attempt) + ".tmp";
        const int descriptor = OpenFile(name, O_WRONLY | O_CREAT | O_EXCL, permissions);
        if (descriptor >= 0 || errno != EEXIST)
            return descriptor;
    }
    return -1;
}

// Replaces (or makes) the regular file `target` whole: a temporary file beside it, written,
// synced and renamed over it. `old` is the file it replaces, if any.
std::optional<std::string> ReplaceWhole(const std::string& target, std::string_view bytes,
                                        const FileStatus* old, StopRequests& stop) {
    std::string temporary;
    const int permissions = old != nullptr ? PermissionsOf(*old) : kNewFilePermissions;
    const int descriptor = CreateTemporaryBeside(target, permissions, temporary);
    if (descriptor < 0)
        return ErrorText(errno);
    stop.MakingFile(temporary);
    if (old != nullptr)
        KeepOwnerAndMode(descriptor, *old);
    auto failure = WriteAll(descriptor, bytes);
    if (!failure && SyncFile(descriptor) != 0)
        failure = ErrorText(errno);
    CloseFile(descriptor);
    if (!failure)
        failure = ReplaceFile(temporary, target);
    if (failure)
        RemoveFile(temporary);
    stop.MakingFile({});
    return failure;
}

} // namespace

int WriteAllTo(int descriptor, std::string_view bytes) {
    while (!bytes.empty()) {
        const long long written = WriteSome(descriptor, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return written < 0 ? errno : EIO;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

InputChannel::Result FileInput::Read(char* buffer, std::size_t size) {
    for (;;) {
        const long long count = ReadSome(descriptor_, buffer, size);
        if (count >= 0)
            return {static_cast<std::size_t>(count), 0};
        if (errno != EINTR)
            return {0, errno};
    }
}

FileText ReadFileAt(const std::string& path, std::size_t limit) {
    FileText text;
    const int descriptor = OpenFile(path, O_RDONLY);
    if (descriptor < 0) {
        text.failure = ErrorText(errno);
        return text;
    }
    FileInput input(descriptor);
    WholeInput whole = ReadToEnd(input, limit);
    CloseFile(descriptor);
    if (whole.error != 0)
        text.failure = ErrorText(whole.error);
    text.bytes = std::move(whole.bytes);
    return text;
}

std::optional<std::string> WriteFileAt(const std::string& path, std::string_view bytes,
                                       StopRequests& stop) {
    FileStatus status{};
    switch (KindOf(path, status)) {
    case TargetKind::Missing:
        return ReplaceWhole(path, bytes, nullptr, stop);
    case TargetKind::Regular:
        return ReplaceWhole(RealPathOf(path), bytes, &status, stop);
    case TargetKind::InPlace:
        return WriteInPlace(path, bytes, false);
    case TargetKind::AppendInPlace:
        return WriteInPlace(path, bytes, true);
    case TargetKind::Unreadable:
        break;
    }
    return ErrorText(errno);
}

} // namespace tensilo::ctl
