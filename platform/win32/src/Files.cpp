#include "Files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>

#include "Console.h"
#include "Errors.h"
#include "Hooks.h"
#include "Paths.h"
#include "Text.h"

namespace w32 {

FileObject::~FileObject() {
    if (lockFd >= 0 && lockFd != fd) close(lockFd);
    if (fd >= 0) close(fd);
}

FILETIME ToFileTime(const struct timespec& t) {
    const uint64_t ticks = static_cast<uint64_t>(static_cast<int64_t>(t.tv_sec) * 10000000 + t.tv_nsec / 100 +
                                                 116444736000000000LL);
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

FILETIME CreationTime(int dirFd, const char* path, const struct stat& st) {
    struct statx sx;
    const int flags = path[0] == '\0' ? AT_EMPTY_PATH : 0;
    if (statx(dirFd, path, flags, STATX_BTIME, &sx) == 0 && (sx.stx_mask & STATX_BTIME))
        return ToFileTime({sx.stx_btime.tv_sec, sx.stx_btime.tv_nsec});
    return ToFileTime(st.st_mtim);
}

DWORD AttributesOf(const struct stat& st) {
    DWORD a = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    if (!S_ISDIR(st.st_mode) && (st.st_mode & S_IWUSR) == 0) a |= FILE_ATTRIBUTE_READONLY;
    return a;
}

namespace {

// ---- Share modes across threads and processes ----
// Each open holds shared (read) locks, on bytes far beyond any data, for the accesses it has and
// for the accesses it denies; a new open tests the opposite bytes for locks of other opens. An
// exclusive flock on the file makes test and take one step.

constexpr off_t kMarkers = 0x7FFFFFFFFFFF0000LL;
enum : unsigned { kRead = 1, kWrite = 2, kDelete = 4 };

// A shared lock (F_RDLCK) or a test for one that excludes writing (F_WRLCK) on a marker byte.
struct flock MarkerLock(int marker, short type) {
    struct flock l = {};
    l.l_type = type;
    l.l_whence = SEEK_SET;
    l.l_start = kMarkers + marker;
    l.l_len = 1;
    return l;
}

bool Held(int fd, int marker) {
    struct flock q = MarkerLock(marker, F_WRLCK);
    return fcntl(fd, F_OFD_GETLK, &q) == 0 && q.l_type != F_UNLCK;
}

void Take(int fd, int marker) {
    struct flock l = MarkerLock(marker, F_RDLCK);
    fcntl(fd, F_OFD_SETLK, &l);
}

class Guard {
public:
    explicit Guard(int fd) : fd_(fd) {
        while (flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    ~Guard() { flock(fd_, LOCK_UN); }

private:
    int fd_;
};

// Markers: 0..2 the accesses read, write, delete; 3..5 the same accesses denied.
bool Conflicts(int fd, unsigned access, unsigned share) {
    for (int i = 0; i < 3; ++i) {
        const unsigned bit = 1u << i;
        if ((access & bit) && Held(fd, 3 + i)) return true;
        if (!(share & bit) && Held(fd, i)) return true;
    }
    return false;
}

unsigned AccessBits(DWORD desired) {
    unsigned a = 0;
    if (desired & (GENERIC_READ | GENERIC_ALL | FILE_READ_DATA)) a |= kRead;
    if (desired & (GENERIC_WRITE | GENERIC_ALL | FILE_WRITE_DATA | FILE_APPEND_DATA)) a |= kWrite;
    if (desired & (DELETE | GENERIC_ALL)) a |= kDelete;
    return a;
}

unsigned ShareBits(DWORD share) {
    unsigned s = 0;
    if (share & FILE_SHARE_READ) s |= kRead;
    if (share & FILE_SHARE_WRITE) s |= kWrite;
    if (share & FILE_SHARE_DELETE) s |= kDelete;
    return s;
}

// False (with 32) when an open file denies deleting the file.
bool MayDelete(const std::string& native, const std::function<bool()>& action) {
    const int fd = open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return action();   // unreadable: no share modes to honour
    bool ok;
    {
        Guard guard(fd);
        ok = Held(fd, 3 + 2) ? Fail(ERROR_SHARING_VIOLATION) : action();
    }
    close(fd);
    return ok;
}

// Opens a file by the rules of CreateFile; null with the last error set on failure.
std::shared_ptr<FileObject> OpenFile(const std::string& native, DWORD desired, DWORD share, DWORD disposition,
                                     DWORD flags) {
    if (disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING) return Fail(ERROR_INVALID_PARAMETER, nullptr);
    if (flags & FILE_FLAG_OVERLAPPED) return Fail(ERROR_INVALID_PARAMETER, nullptr);
    const unsigned access = AccessBits(desired);
    if (disposition == TRUNCATE_EXISTING && !(access & kWrite)) return Fail(ERROR_INVALID_PARAMETER, nullptr);
    struct stat st;
    const bool existed = stat(native.c_str(), &st) == 0;
    if (existed && S_ISDIR(st.st_mode)) {
        if (!(flags & FILE_FLAG_BACKUP_SEMANTICS) || (access & kWrite)) return Fail(ERROR_ACCESS_DENIED, nullptr);
        if (disposition == CREATE_NEW) return Fail(ERROR_FILE_EXISTS, nullptr);
    }
    if (existed && disposition == CREATE_NEW) return Fail(ERROR_FILE_EXISTS, nullptr);
    if (!existed && (disposition == OPEN_EXISTING || disposition == TRUNCATE_EXISTING))
        return Fail(FromErrnoForPath(ENOENT, native), nullptr);

    auto f = std::make_shared<FileObject>();
    f->path = native;
    f->canRead = (access & kRead) != 0;
    f->canWrite = (access & kWrite) != 0;
    int mode = f->canWrite ? O_RDWR : O_RDONLY;
    int create = 0;
    if (!existed) create = O_CREAT | O_EXCL;
    f->fd = open(native.c_str(), mode | create | O_CLOEXEC, 0666);
    if (f->fd < 0 && errno == EACCES && mode == O_RDWR && !f->canRead) {
        mode = O_WRONLY;   // a file its owner may write but not read
        f->fd = open(native.c_str(), mode | create | O_CLOEXEC, 0666);
    }
    if (f->fd < 0) {
        if (errno == EEXIST) return Fail(disposition == CREATE_NEW ? ERROR_FILE_EXISTS : ERROR_SHARING_VIOLATION, nullptr);
        return Fail(FromErrnoForPath(errno, native), nullptr);
    }
    f->lockFd = mode == O_WRONLY ? open(native.c_str(), O_RDONLY | O_CLOEXEC) : f->fd;
    if (f->lockFd >= 0) {
        Guard guard(f->lockFd);
        if (Conflicts(f->lockFd, access, ShareBits(share))) {
            if (!existed) unlink(native.c_str());
            return Fail(ERROR_SHARING_VIOLATION, nullptr);
        }
        for (int i = 0; i < 3; ++i) {
            if (access & (1u << i)) Take(f->lockFd, i);
            if (!(ShareBits(share) & (1u << i))) Take(f->lockFd, 3 + i);
        }
    }
    // Truncation only after the share modes allowed the open.
    if (existed && (disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING)) {
        if (ftruncate(f->fd, 0) != 0) return Fail(FromErrno(errno), nullptr);
    }
    SetLastError(existed && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS) ? ERROR_ALREADY_EXISTS
                                                                                        : ERROR_SUCCESS);
    return f;
}

HANDLE CreateFileNative(LPCSTR name, DWORD desired, DWORD share, DWORD disposition, DWORD flags) {
    std::string native;
    if (!LinuxPath(name, native)) return INVALID_HANDLE_VALUE;
    auto f = OpenFile(native, desired, share, disposition, flags);
    if (f == nullptr) return INVALID_HANDLE_VALUE;
    const DWORD error = GetLastError();
    HANDLE h = AddHandle(f);
    SetLastError(error);
    return h;
}

bool WriteAll(int fd, const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = write(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// A temporary name beside a file.
std::string TempBeside(const std::string& native) {
    static std::atomic<unsigned> counter{0};
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, ".~w32.%d.%u", static_cast<int>(getpid()), counter++);
    return native + suffix;
}

// Copies the bytes, permissions and times of an open file into a new file; false with the last
// error set (the new file removed).
bool CopyInto(int from, const struct stat& st, const std::string& target) {
    const int to = open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 0777);
    if (to < 0) return Fail(FromErrnoForPath(errno, target));
    char buf[65536];
    bool ok = lseek(from, 0, SEEK_SET) == 0;
    while (ok) {
        const ssize_t n = read(from, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        ok = WriteAll(to, buf, static_cast<size_t>(n));
    }
    const int error = errno;
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (ok) ok = fchmod(to, st.st_mode & 0777) == 0 && futimens(to, times) == 0;
    if (close(to) != 0) ok = false;
    if (!ok) {
        unlink(target.c_str());
        return Fail(FromErrno(error != 0 ? error : EIO));
    }
    return true;
}

BOOL Copy(const std::string& from, const std::string& to, BOOL failIfExists) {
    auto source = OpenFile(from, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           OPEN_EXISTING, 0);
    if (source == nullptr) return FALSE;
    struct stat st;
    if (fstat(source->fd, &st) != 0) return Fail(FromErrno(errno));
    struct stat tst;
    const bool targetExists = stat(to.c_str(), &tst) == 0;
    if (targetExists && failIfExists) return Fail(ERROR_FILE_EXISTS);
    if (targetExists && S_ISDIR(tst.st_mode)) return Fail(ERROR_ACCESS_DENIED);
    // Holding the target open for writing, without sharing, keeps others off it during the copy.
    std::shared_ptr<FileObject> held;
    if (targetExists) {
        held = OpenFile(to, GENERIC_WRITE, 0, OPEN_EXISTING, 0);
        if (held == nullptr) return FALSE;
    }
    const std::string temp = TempBeside(to);
    if (!CopyInto(source->fd, st, temp)) return FALSE;
    const int rc = failIfExists ? renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE)
                                : rename(temp.c_str(), to.c_str());
    if (rc != 0) {
        const int error = errno;
        unlink(temp.c_str());
        return Fail(error == EEXIST ? ERROR_FILE_EXISTS : FromErrnoForPath(error, to));
    }
    return TRUE;
}

BOOL Move(const std::string& from, const std::string& to, DWORD flags) {
    struct stat st;
    if (lstat(from.c_str(), &st) != 0) return Fail(FromErrnoForPath(errno, from));
    struct stat tst;
    const bool targetExists = lstat(to.c_str(), &tst) == 0;
    const bool replace = (flags & MOVEFILE_REPLACE_EXISTING) != 0;
    if (targetExists && !replace) return Fail(ERROR_ALREADY_EXISTS);
    if (targetExists && (S_ISDIR(tst.st_mode) || S_ISDIR(st.st_mode))) return Fail(ERROR_ACCESS_DENIED);
    return MayDelete(from, [&]() -> bool {
        int32_t injected = 0;
        int rc;
        if (TakeFailure(w32test::Call::Rename, injected)) {
            rc = -1;
            errno = injected;
        } else if (replace) {
            rc = rename(from.c_str(), to.c_str());
        } else {
            rc = renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
        }
        if (rc == 0) return true;
        if (errno == EEXIST) return Fail(ERROR_ALREADY_EXISTS);
        if (errno != EXDEV) return Fail(FromErrnoForPath(errno, errno == ENOENT ? to : from));
        // Across file systems: a file is copied beside the target, put in place, then deleted.
        if (!(flags & MOVEFILE_COPY_ALLOWED) || S_ISDIR(st.st_mode)) return Fail(ERROR_NOT_SAME_DEVICE);
        const int fd = open(from.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return Fail(FromErrno(errno));
        const std::string temp = TempBeside(to);
        const bool copied = CopyInto(fd, st, temp);
        close(fd);
        if (!copied) return false;
        rc = replace ? rename(temp.c_str(), to.c_str())
                     : renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
        if (rc != 0) {
            const int error = errno;
            unlink(temp.c_str());
            return Fail(error == EEXIST ? ERROR_ALREADY_EXISTS : FromErrnoForPath(error, to));
        }
        unlink(from.c_str());
        return true;
    }) ? TRUE : FALSE;
}

template <typename Name>
bool Native(Name name, std::string& out) {
    return LinuxPath(name, out);
}

}  // namespace
}  // namespace w32

using w32::Fail;

extern "C" {

HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode, LPSECURITY_ATTRIBUTES,
                          DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes, HANDLE) {
    return w32::CreateFileNative(lpFileName, dwDesiredAccess, dwShareMode, dwCreationDisposition,
                                 dwFlagsAndAttributes);
}

HANDLE WINAPI CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode, LPSECURITY_ATTRIBUTES,
                          DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes, HANDLE) {
    if (lpFileName == nullptr) return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
    return w32::CreateFileNative(w32::ToUtf8(lpFileName).c_str(), dwDesiredAccess, dwShareMode,
                                 dwCreationDisposition, dwFlagsAndAttributes);
}

BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
                     LPOVERLAPPED lpOverlapped) {
    if (lpNumberOfBytesRead != nullptr) *lpNumberOfBytesRead = 0;
    int fd = -1;
    if (auto f = w32::Find<w32::FileObject>(hFile, {w32::Kind::File})) {
        if (!f->canRead) return Fail(ERROR_ACCESS_DENIED);
        fd = f->fd;
    } else {
        fd = w32::ConsoleReadFd(hFile);
        if (fd < 0) return Fail(ERROR_INVALID_HANDLE);
    }
    if (lpOverlapped != nullptr || (lpBuffer == nullptr && nNumberOfBytesToRead > 0))
        return Fail(ERROR_INVALID_PARAMETER);
    size_t done = 0;
    while (done < nNumberOfBytesToRead) {
        const ssize_t n = read(fd, static_cast<char*>(lpBuffer) + done, nNumberOfBytesToRead - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Fail(w32::FromErrno(errno));
        if (n == 0) break;
        done += static_cast<size_t>(n);
        if (fd <= 2) break;   // a console or pipe answers what it has
    }
    if (lpNumberOfBytesRead != nullptr) *lpNumberOfBytesRead = static_cast<DWORD>(done);
    return TRUE;
}

BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
                      LPOVERLAPPED lpOverlapped) {
    if (lpNumberOfBytesWritten != nullptr) *lpNumberOfBytesWritten = 0;
    if (w32::IsConsoleHandle(hFile)) {
        if (lpBuffer == nullptr && nNumberOfBytesToWrite > 0) return Fail(ERROR_INVALID_PARAMETER);
        w32::ConsoleWrite(hFile, static_cast<const char*>(lpBuffer), nNumberOfBytesToWrite);
        if (lpNumberOfBytesWritten != nullptr) *lpNumberOfBytesWritten = nNumberOfBytesToWrite;
        return TRUE;
    }
    auto f = w32::Find<w32::FileObject>(hFile, {w32::Kind::File});
    if (f == nullptr) return FALSE;
    if (!f->canWrite) return Fail(ERROR_ACCESS_DENIED);
    if (lpOverlapped != nullptr || (lpBuffer == nullptr && nNumberOfBytesToWrite > 0))
        return Fail(ERROR_INVALID_PARAMETER);
    if (!w32::WriteAll(f->fd, lpBuffer, nNumberOfBytesToWrite)) return Fail(w32::FromErrno(errno));
    if (lpNumberOfBytesWritten != nullptr) *lpNumberOfBytesWritten = nNumberOfBytesToWrite;
    return TRUE;
}

BOOL WINAPI FlushFileBuffers(HANDLE hFile) {
    if (w32::IsConsoleHandle(hFile)) return TRUE;
    auto f = w32::Find<w32::FileObject>(hFile, {w32::Kind::File});
    if (f == nullptr) return FALSE;
    if (fsync(f->fd) != 0 && errno != EINVAL) return Fail(w32::FromErrno(errno));
    return TRUE;
}

DWORD WINAPI SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh, DWORD dwMoveMethod) {
    auto f = w32::Find<w32::FileObject>(hFile, {w32::Kind::File});
    if (f == nullptr) return INVALID_SET_FILE_POINTER;
    int64_t distance = lDistanceToMove;
    if (lpDistanceToMoveHigh != nullptr)
        distance = static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(*lpDistanceToMoveHigh)) << 32) |
                                        static_cast<uint32_t>(lDistanceToMove));
    const int whence = dwMoveMethod == FILE_BEGIN ? SEEK_SET : dwMoveMethod == FILE_CURRENT ? SEEK_CUR
                     : dwMoveMethod == FILE_END ? SEEK_END : -1;
    if (whence < 0) return Fail(ERROR_INVALID_PARAMETER, INVALID_SET_FILE_POINTER);
    const off_t pos = lseek(f->fd, distance, whence);
    if (pos < 0) return Fail(errno == EINVAL ? DWORD(131) : w32::FromErrno(errno), INVALID_SET_FILE_POINTER);
    if (lpDistanceToMoveHigh != nullptr) *lpDistanceToMoveHigh = static_cast<LONG>(static_cast<uint64_t>(pos) >> 32);
    else if (pos > 0xFFFFFFFELL) return Fail(ERROR_INVALID_PARAMETER, INVALID_SET_FILE_POINTER);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(pos);
}

DWORD WINAPI GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh) {
    auto f = w32::Find<w32::FileObject>(hFile, {w32::Kind::File});
    if (f == nullptr) return INVALID_FILE_SIZE;
    struct stat st;
    if (fstat(f->fd, &st) != 0) return Fail(w32::FromErrno(errno), INVALID_FILE_SIZE);
    const uint64_t size = static_cast<uint64_t>(st.st_size);
    if (lpFileSizeHigh != nullptr) *lpFileSizeHigh = static_cast<DWORD>(size >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(size);
}

BOOL WINAPI GetFileTime(HANDLE hFile, LPFILETIME lpCreationTime, LPFILETIME lpLastAccessTime,
                        LPFILETIME lpLastWriteTime) {
    auto f = w32::Find<w32::FileObject>(hFile, {w32::Kind::File});
    if (f == nullptr) return FALSE;
    struct stat st;
    if (fstat(f->fd, &st) != 0) return Fail(w32::FromErrno(errno));
    if (lpCreationTime != nullptr) *lpCreationTime = w32::CreationTime(f->fd, "", st);
    if (lpLastAccessTime != nullptr) *lpLastAccessTime = w32::ToFileTime(st.st_atim);
    if (lpLastWriteTime != nullptr) *lpLastWriteTime = w32::ToFileTime(st.st_mtim);
    return TRUE;
}

BOOL WINAPI FileTimeToSystemTime(const FILETIME* lpFileTime, LPSYSTEMTIME lpSystemTime) {
    if (lpFileTime == nullptr || lpSystemTime == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    const uint64_t ticks = (static_cast<uint64_t>(lpFileTime->dwHighDateTime) << 32) | lpFileTime->dwLowDateTime;
    if (ticks >= 0x8000000000000000ULL) return Fail(ERROR_INVALID_PARAMETER);
    const int64_t sinceUnix = static_cast<int64_t>(ticks) - 116444736000000000LL;
    int64_t seconds = sinceUnix / 10000000;
    int64_t rest = sinceUnix % 10000000;
    if (rest < 0) {
        rest += 10000000;
        --seconds;
    }
    const time_t t = static_cast<time_t>(seconds);
    struct tm tm;
    if (gmtime_r(&t, &tm) == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    lpSystemTime->wYear = static_cast<WORD>(tm.tm_year + 1900);
    lpSystemTime->wMonth = static_cast<WORD>(tm.tm_mon + 1);
    lpSystemTime->wDayOfWeek = static_cast<WORD>(tm.tm_wday);
    lpSystemTime->wDay = static_cast<WORD>(tm.tm_mday);
    lpSystemTime->wHour = static_cast<WORD>(tm.tm_hour);
    lpSystemTime->wMinute = static_cast<WORD>(tm.tm_min);
    lpSystemTime->wSecond = static_cast<WORD>(tm.tm_sec);
    lpSystemTime->wMilliseconds = static_cast<WORD>(rest / 10000);
    return TRUE;
}

DWORD WINAPI GetFileAttributesA(LPCSTR lpFileName) {
    std::string native;
    if (!w32::LinuxPath(lpFileName, native)) return INVALID_FILE_ATTRIBUTES;
    struct stat st;
    if (stat(native.c_str(), &st) != 0) return Fail(w32::FromErrnoForPath(errno, native), INVALID_FILE_ATTRIBUTES);
    return w32::AttributesOf(st);
}

DWORD WINAPI GetFileAttributesW(LPCWSTR lpFileName) {
    if (lpFileName == nullptr) return Fail(ERROR_INVALID_PARAMETER, INVALID_FILE_ATTRIBUTES);
    return GetFileAttributesA(w32::ToUtf8(lpFileName).c_str());
}

BOOL WINAPI CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES) {
    std::string native;
    if (!w32::LinuxPath(lpPathName, native)) return FALSE;
    if (mkdir(native.c_str(), 0777) != 0)
        return Fail(errno == ENOENT ? DWORD(ERROR_PATH_NOT_FOUND) : w32::FromErrno(errno));
    return TRUE;
}

BOOL WINAPI CreateDirectoryW(LPCWSTR lpPathName, LPSECURITY_ATTRIBUTES sa) {
    if (lpPathName == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    return CreateDirectoryA(w32::ToUtf8(lpPathName).c_str(), sa);
}

BOOL WINAPI DeleteFileA(LPCSTR lpFileName) {
    std::string native;
    if (!w32::LinuxPath(lpFileName, native)) return FALSE;
    struct stat st;
    if (lstat(native.c_str(), &st) != 0) return Fail(w32::FromErrnoForPath(errno, native));
    if (S_ISDIR(st.st_mode) || (S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0))
        return Fail(ERROR_ACCESS_DENIED);
    return w32::MayDelete(native, [&]() -> bool {
        if (unlink(native.c_str()) != 0) return Fail(w32::FromErrnoForPath(errno, native));
        return true;
    }) ? TRUE : FALSE;
}

BOOL WINAPI DeleteFileW(LPCWSTR lpFileName) {
    if (lpFileName == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    return DeleteFileA(w32::ToUtf8(lpFileName).c_str());
}

BOOL WINAPI CopyFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists) {
    std::string from, to;
    if (!w32::LinuxPath(lpExistingFileName, from) || !w32::LinuxPath(lpNewFileName, to)) return FALSE;
    return w32::Copy(from, to, bFailIfExists);
}

BOOL WINAPI CopyFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, BOOL bFailIfExists) {
    std::string from, to;
    if (!w32::LinuxPath(lpExistingFileName, from) || !w32::LinuxPath(lpNewFileName, to)) return FALSE;
    return w32::Copy(from, to, bFailIfExists);
}

BOOL WINAPI MoveFileExA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, DWORD dwFlags) {
    if (lpNewFileName == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    std::string from, to;
    if (!w32::LinuxPath(lpExistingFileName, from) || !w32::LinuxPath(lpNewFileName, to)) return FALSE;
    return w32::Move(from, to, dwFlags);
}

BOOL WINAPI MoveFileExW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, DWORD dwFlags) {
    if (lpNewFileName == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    std::string from, to;
    if (!w32::LinuxPath(lpExistingFileName, from) || !w32::LinuxPath(lpNewFileName, to)) return FALSE;
    return w32::Move(from, to, dwFlags);
}

BOOL WINAPI MoveFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName) {
    return MoveFileExA(lpExistingFileName, lpNewFileName, MOVEFILE_COPY_ALLOWED);
}

BOOL WINAPI MoveFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName) {
    return MoveFileExW(lpExistingFileName, lpNewFileName, MOVEFILE_COPY_ALLOWED);
}

}  // extern "C"
