#include "Paths.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "Errors.h"
#include "Text.h"
#include "w32ini.h"
#include "w32path.h"

namespace w32 {

bool LinuxPath(LPCSTR path, std::string& out) {
    if (path == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    if (const uint32_t rc = w32path::ToLinux(path, out)) return Fail(rc);
    return true;
}

bool LinuxPath(LPCWSTR path, std::string& out) {
    if (path == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    return LinuxPath(ToUtf8(path).c_str(), out);
}

std::string FindFileNoCase(const std::string& folder, const std::string& name) {
    auto isFile = [](const std::string& path) {
        struct stat st;
        return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    };
    const std::string exact = folder + "/" + name;
    if (isFile(exact)) return exact;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return std::string();
    std::string found;
    while (dirent* e = readdir(dir)) {
        if (w32ini::EqualsNoCase(e->d_name, name) && isFile(folder + "/" + e->d_name)) {
            found = folder + "/" + e->d_name;
            break;
        }
    }
    closedir(dir);
    return found;
}

DWORD SearchFolders(const std::string& name, std::vector<std::string>& folders, std::string& base) {
    folders.clear();
    base = name;
    const bool hasFolder = name.find_first_of("\\/") != std::string::npos || (name.size() >= 2 && name[1] == ':');
    if (hasFolder) {
        std::string native;
        if (const uint32_t rc = w32path::ToLinux(name, native)) return rc;
        const size_t cut = native.rfind('/');
        folders.push_back(cut == 0 ? "/" : native.substr(0, cut));
        base = native.substr(cut + 1);
        return ERROR_SUCCESS;
    }
    const std::string program = ProgramFile();
    folders.push_back(program.substr(0, program.rfind('/')));
    char cwd[PATH_MAX];
    if (getcwd(cwd, sizeof cwd) != nullptr) folders.push_back(cwd);
    return ERROR_SUCCESS;
}

std::string ProgramFile() {
    std::string buf(PATH_MAX, '\0');
    const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
    return n > 0 ? buf.substr(0, static_cast<size_t>(n)) : std::string();
}

namespace {

bool FullPathOf(const std::string& path, std::string& full) {
    if (const uint32_t rc = w32path::FullPath(path, full)) return Fail(rc);
    if (w32path::Utf16Length(full) >= MAX_PATH) return Fail(ERROR_FILENAME_EXCED_RANGE);
    return true;
}

// The offset of the last name in a full path, or npos when it ends with a separator.
size_t LastNameAt(const std::string& full) {
    if (full.empty() || w32path::IsSeparator(full.back())) return std::string::npos;
    const size_t cut = full.find_last_of("\\/");
    return cut == std::string::npos ? 0 : cut + 1;
}

std::string TempFolder() {
    for (const char* var : {"TMP", "TEMP", "TMPDIR"}) {
        const char* v = std::getenv(var);
        if (v != nullptr && v[0] != '\0') return v;
    }
    return "/tmp";
}

std::string TempPath() {
    std::string full;
    if (w32path::FullPath(TempFolder(), full) != 0) full = "/tmp";
    if (!w32path::IsSeparator(full.back())) full += full[0] == '/' ? '/' : '\\';
    return full;
}

// The first up to three characters of a UTF-8 prefix.
std::string PrefixOf(const std::string& prefix) {
    size_t n = 0;
    size_t chars = 0;
    while (n < prefix.size()) {
        if ((static_cast<unsigned char>(prefix[n]) & 0xC0) != 0x80) {
            if (chars == 3) break;
            ++chars;
        }
        ++n;
    }
    return prefix.substr(0, n);
}

// Makes the temporary file name; creates the file when unique is 0. Returns the number, or 0.
UINT MakeTempName(const std::string& path, const std::string& prefix, UINT unique, std::string& name) {
    if (w32path::Utf16Length(path) > MAX_PATH - 14) return Fail(ERROR_BUFFER_OVERFLOW, UINT(0));
    std::string folder;
    if (!FullPathOf(path, folder)) return 0;
    if (!w32path::IsSeparator(folder.back())) folder += folder[0] == '/' ? '/' : '\\';
    const std::string pre = PrefixOf(prefix);
    auto nameFor = [&](UINT n) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "%X", n & 0xFFFF);
        return folder + pre + hex + ".TMP";
    };
    if (unique != 0) {
        name = nameFor(unique);
        return unique & 0xFFFF;
    }
    std::string linuxFolder;
    if (!LinuxPath(folder.c_str(), linuxFolder)) return 0;
    struct stat st;
    if (stat(linuxFolder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return Fail(ERROR_DIRECTORY, UINT(0));
    UINT n = static_cast<UINT>((std::time(nullptr) ^ getpid()) & 0xFFFF);
    for (int tries = 0; tries < 0x10000; ++tries, n = (n + 1) & 0xFFFF) {
        if (n == 0) continue;
        const std::string candidate = nameFor(n);
        std::string native;
        if (!LinuxPath(candidate.c_str(), native)) return 0;
        const int fd = open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            close(fd);
            name = candidate;
            return n;
        }
        if (errno != EEXIST) return Fail(FromErrnoForPath(errno, native), UINT(0));
    }
    return Fail(ERROR_FILE_EXISTS, UINT(0));
}

template <typename Char>
size_t Len(const Char* s) {
    size_t n = 0;
    while (s[n] != 0) ++n;
    return n;
}

template <typename Char>
void Clear(Char* a, Char* b, Char* c, Char* d) {
    for (Char* p : {a, b, c, d})
        if (p != nullptr) p[0] = 0;
}

template <typename Char>
void SplitPath(const Char* path, Char* drive, Char* dir, Char* fname, Char* ext) {
    Clear(drive, dir, fname, ext);
    if (path == nullptr) {
        errno = EINVAL;
        return;
    }
    const size_t len = Len(path);
    size_t pos = 0;
    size_t driveLen = 0;
    if (len >= 2 && path[1] == ':') driveLen = 2;
    pos = driveLen;
    size_t lastSep = std::string::npos;
    for (size_t i = pos; i < len; ++i)
        if (path[i] == '\\' || path[i] == '/') lastSep = i;
    const size_t dirEnd = lastSep == std::string::npos ? pos : lastSep + 1;
    size_t lastDot = std::string::npos;
    for (size_t i = dirEnd; i < len; ++i)
        if (path[i] == '.') lastDot = i;
    const size_t nameEnd = lastDot == std::string::npos ? len : lastDot;
    const size_t dirLen = dirEnd - pos;
    const size_t nameLen = nameEnd - dirEnd;
    const size_t extLen = len - nameEnd;
    if ((drive != nullptr && driveLen + 1 > _MAX_DRIVE) || (dir != nullptr && dirLen + 1 > _MAX_DIR) ||
        (fname != nullptr && nameLen + 1 > _MAX_FNAME) || (ext != nullptr && extLen + 1 > _MAX_EXT)) {
        errno = ERANGE;
        return;
    }
    auto put = [](Char* out, const Char* from, size_t n) {
        if (out == nullptr) return;
        for (size_t i = 0; i < n; ++i) out[i] = from[i];
        out[n] = 0;
    };
    put(drive, path, driveLen);
    put(dir, path + pos, dirLen);
    put(fname, path + dirEnd, nameLen);
    put(ext, path + nameEnd, extLen);
}

template <typename Char>
void MakePath(Char* path, const Char* drive, const Char* dir, const Char* fname, const Char* ext) {
    if (path == nullptr) {
        errno = EINVAL;
        return;
    }
    std::basic_string<Char> out;
    if (drive != nullptr && drive[0] != 0) {
        out += drive[0];
        out += Char(':');
    }
    if (dir != nullptr && dir[0] != 0) {
        out += dir;
        if (out.back() != Char('\\') && out.back() != Char('/')) out += Char('\\');
    }
    if (fname != nullptr) out += fname;
    if (ext != nullptr && ext[0] != 0) {
        if (ext[0] != Char('.')) out += Char('.');
        out += ext;
    }
    if (out.size() + 1 > _MAX_PATH) {
        path[0] = 0;
        errno = ERANGE;
        return;
    }
    for (size_t i = 0; i < out.size(); ++i) path[i] = out[i];
    path[out.size()] = 0;
}

}  // namespace
}  // namespace w32

using w32::Fail;

extern "C" {

DWORD WINAPI GetFullPathNameA(LPCSTR lpFileName, DWORD nBufferLength, LPSTR lpBuffer, LPSTR* lpFilePart) {
    if (lpFileName == nullptr) return Fail(ERROR_INVALID_PARAMETER, DWORD(0));
    std::string full;
    if (!w32::FullPathOf(lpFileName, full)) return 0;
    const DWORD rc = w32::CopyOrNeed(full, lpBuffer, nBufferLength);
    if (lpFilePart != nullptr && rc == full.size()) {
        const size_t at = w32::LastNameAt(full);
        *lpFilePart = at == std::string::npos ? nullptr : lpBuffer + at;
    }
    return rc;
}

DWORD WINAPI GetFullPathNameW(LPCWSTR lpFileName, DWORD nBufferLength, LPWSTR lpBuffer, LPWSTR* lpFilePart) {
    if (lpFileName == nullptr) return Fail(ERROR_INVALID_PARAMETER, DWORD(0));
    std::string full;
    if (!w32::FullPathOf(w32::ToUtf8(lpFileName), full)) return 0;
    const std::u16string wide = w32::ToUtf16(full);
    const DWORD rc = w32::CopyOrNeed(wide, lpBuffer, nBufferLength);
    if (lpFilePart != nullptr && rc == wide.size()) {
        const size_t cut = wide.find_last_of(u"\\/");
        const bool trailing = !wide.empty() && (wide.back() == u'\\' || wide.back() == u'/');
        *lpFilePart = trailing ? nullptr : lpBuffer + (cut == std::u16string::npos ? 0 : cut + 1);
    }
    return rc;
}

DWORD WINAPI GetCurrentDirectoryA(DWORD nBufferLength, LPSTR lpBuffer) {
    return w32::CopyOrNeed(w32path::CurrentDirectory(), lpBuffer, nBufferLength);
}

DWORD WINAPI GetCurrentDirectoryW(DWORD nBufferLength, LPWSTR lpBuffer) {
    return w32::CopyOrNeed(w32::ToUtf16(w32path::CurrentDirectory()), lpBuffer, nBufferLength);
}

BOOL WINAPI SetCurrentDirectoryA(LPCSTR lpPathName) {
    std::string native;
    if (!w32::LinuxPath(lpPathName, native)) return FALSE;
    struct stat st;
    if (stat(native.c_str(), &st) != 0) return Fail(w32::FromErrnoForPath(errno, native));
    if (!S_ISDIR(st.st_mode)) return Fail(ERROR_DIRECTORY);
    if (chdir(native.c_str()) != 0) return Fail(w32::FromErrno(errno));
    return TRUE;
}

BOOL WINAPI SetCurrentDirectoryW(LPCWSTR lpPathName) {
    if (lpPathName == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    return SetCurrentDirectoryA(w32::ToUtf8(lpPathName).c_str());
}

DWORD WINAPI GetTempPathA(DWORD nBufferLength, LPSTR lpBuffer) {
    return w32::CopyOrNeed(w32::TempPath(), lpBuffer, nBufferLength);
}

DWORD WINAPI GetTempPathW(DWORD nBufferLength, LPWSTR lpBuffer) {
    return w32::CopyOrNeed(w32::ToUtf16(w32::TempPath()), lpBuffer, nBufferLength);
}

UINT WINAPI GetTempFileNameA(LPCSTR lpPathName, LPCSTR lpPrefixString, UINT uUnique, LPSTR lpTempFileName) {
    if (lpPathName == nullptr || lpPrefixString == nullptr || lpTempFileName == nullptr)
        return Fail(ERROR_INVALID_PARAMETER, UINT(0));
    std::string name;
    const UINT n = w32::MakeTempName(lpPathName, lpPrefixString, uUnique, name);
    if (n == 0) return 0;
    w32::CopyCut(name, lpTempFileName, MAX_PATH);
    return n;
}

UINT WINAPI GetTempFileNameW(LPCWSTR lpPathName, LPCWSTR lpPrefixString, UINT uUnique, LPWSTR lpTempFileName) {
    if (lpPathName == nullptr || lpPrefixString == nullptr || lpTempFileName == nullptr)
        return Fail(ERROR_INVALID_PARAMETER, UINT(0));
    std::string name;
    const UINT n = w32::MakeTempName(w32::ToUtf8(lpPathName), w32::ToUtf8(lpPrefixString), uUnique, name);
    if (n == 0) return 0;
    w32::CopyCut(w32::ToUtf16(name), lpTempFileName, MAX_PATH);
    return n;
}

}  // extern "C"

void _splitpath(const char* path, char* drive, char* dir, char* fname, char* ext) {
    w32::SplitPath(path, drive, dir, fname, ext);
}

void _wsplitpath(const char16_t* path, char16_t* drive, char16_t* dir, char16_t* fname, char16_t* ext) {
    w32::SplitPath(path, drive, dir, fname, ext);
}

void _makepath(char* path, const char* drive, const char* dir, const char* fname, const char* ext) {
    w32::MakePath(path, drive, dir, fname, ext);
}

void _wmakepath(char16_t* path, const char16_t* drive, const char16_t* dir, const char16_t* fname,
                const char16_t* ext) {
    w32::MakePath(path, drive, dir, fname, ext);
}

int _stat(const char* path, struct _stat* buffer) {
    if (path == nullptr || buffer == nullptr) {
        errno = EINVAL;
        return -1;
    }
    std::string native;
    if (const uint32_t rc = w32path::ToLinux(path, native)) {
        errno = rc == w32path::kFilenameTooLong ? ENAMETOOLONG : rc == w32path::kPathNotFound ? ENOENT : EINVAL;
        return -1;
    }
    struct stat st;
    if (stat(native.c_str(), &st) != 0) return -1;
    *buffer = {};
    buffer->st_dev = static_cast<uint32_t>(st.st_dev);
    buffer->st_ino = st.st_ino;
    uint16_t mode = S_ISDIR(st.st_mode) ? _S_IFDIR : _S_IFREG;
    mode |= _S_IREAD;
    if (st.st_mode & S_IWUSR) mode |= _S_IWRITE;
    buffer->st_mode = mode;
    buffer->st_nlink = static_cast<int16_t>(st.st_nlink);
    buffer->st_size = st.st_size;
    buffer->st_atim = st.st_atim;
    buffer->st_mtim = st.st_mtim;
    buffer->st_ctim = st.st_ctim;
    return 0;
}

int _wstat(const char16_t* path, struct _stat* buffer) {
    if (path == nullptr) {
        errno = EINVAL;
        return -1;
    }
    return _stat(w32::ToUtf8(path).c_str(), buffer);
}
