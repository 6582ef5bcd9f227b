#include "Errors.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_set>

#include "Text.h"

namespace w32 {

namespace {

thread_local DWORD lastError = 0;

struct Message {
    DWORD code;
    const char* text;
};

const Message kMessages[] = {
    {0, "The operation completed successfully."},
    {1, "Incorrect function."},
    {2, "The system cannot find the file specified."},
    {3, "The system cannot find the path specified."},
    {4, "The system cannot open the file."},
    {5, "Access is denied."},
    {6, "The handle is invalid."},
    {8, "Not enough memory resources are available to process this command."},
    {14, "Not enough memory resources are available to complete this operation."},
    {17, "The system cannot move the file to a different disk drive."},
    {18, "There are no more files."},
    {19, "The media is write protected."},
    {31, "A device attached to the system is not functioning."},
    {32, "The process cannot access the file because it is being used by another process."},
    {33, "The process cannot access the file because another process has locked a portion of the file."},
    {38, "Reached the end of the file."},
    {50, "The request is not supported."},
    {53, "The network path was not found."},
    {80, "The file exists."},
    {87, "The parameter is incorrect."},
    {109, "The pipe has been ended."},
    {111, "The file name is too long."},
    {112, "There is not enough space on the disk."},
    {122, "The data area passed to a system call is too small."},
    {123, "The filename, directory name, or volume label syntax is incorrect."},
    {126, "The specified module could not be found."},
    {127, "The specified procedure could not be found."},
    {145, "The directory is not empty."},
    {170, "The requested resource is in use."},
    {183, "Cannot create a file when that file already exists."},
    {193, "%1 is not a valid Win32 application."},
    {203, "The system could not find the environment option that was entered."},
    {206, "The filename or extension is too long."},
    {234, "More data is available."},
    {258, "The wait operation timed out."},
    {259, "No more data is available."},
    {267, "The directory name is invalid."},
    {317, "The system cannot find message text for message number 0x%1 in the message file for %2."},
    {1009, "The configuration registry database is corrupt."},
    {1018, "Illegal operation attempted on a registry key that has been marked for deletion."},
    {1114, "A dynamic link library (DLL) initialization routine failed."},
    {1739, "No network address is available to use to construct a universal unique identifier (UUID)."},
};

struct Blocks {
    std::mutex mutex;
    std::unordered_set<void*> live;
};

Blocks& TheBlocks() {
    static Blocks* blocks = new Blocks;
    return *blocks;
}

void* Allocate(size_t bytes, bool zero) {
    void* p = zero ? std::calloc(1, bytes == 0 ? 1 : bytes) : std::malloc(bytes == 0 ? 1 : bytes);
    if (p == nullptr) return nullptr;
    Blocks& b = TheBlocks();
    std::lock_guard<std::mutex> lock(b.mutex);
    b.live.insert(p);
    return p;
}

// The message text with "\r\n", or false (last error set).
bool SystemMessage(DWORD flags, DWORD id, std::string& text) {
    if ((flags & FORMAT_MESSAGE_FROM_SYSTEM) == 0) return Fail(ERROR_INVALID_PARAMETER);
    const char* t = ErrorText(id);
    if (t == nullptr) return Fail(ERROR_MR_MID_NOT_FOUND);
    text = std::string(t) + "\r\n";
    return true;
}

}  // namespace

void* AllocateBlock(size_t bytes, bool zero) { return Allocate(bytes, zero); }

bool FreeBlock(void* block) {
    Blocks& b = TheBlocks();
    {
        std::lock_guard<std::mutex> lock(b.mutex);
        if (b.live.erase(block) == 0) return false;
    }
    std::free(block);
    return true;
}

const char* ErrorText(DWORD error) {
    for (const Message& m : kMessages)
        if (m.code == error) return m.text;
    return nullptr;
}

DWORD FromErrno(int error) {
    switch (error) {
        case 0: return ERROR_SUCCESS;
        case ENOENT: return ERROR_FILE_NOT_FOUND;
        case ENOTDIR: return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EISDIR: return ERROR_ACCESS_DENIED;
        case EBADF: return ERROR_INVALID_HANDLE;
        case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
        case EEXIST: return ERROR_ALREADY_EXISTS;
        case EINVAL: return ERROR_INVALID_PARAMETER;
        case ENOSPC:
        case EDQUOT: return ERROR_DISK_FULL;
        case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
        case EBUSY: return ERROR_BUSY;
        case EXDEV: return ERROR_NOT_SAME_DEVICE;
        case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
        case EROFS: return ERROR_WRITE_PROTECT;
        case EMFILE:
        case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
        case ETXTBSY: return ERROR_SHARING_VIOLATION;
        case ENOEXEC: return ERROR_BAD_EXE_FORMAT;
        case EPIPE: return ERROR_BROKEN_PIPE;
        case EAGAIN: return ERROR_BUSY;
        case ELOOP: return ERROR_INVALID_NAME;
        default: return ERROR_GEN_FAILURE;
    }
}

DWORD FromErrnoForPath(int error, const std::string& linuxPath) {
    if (error != ENOENT) return FromErrno(error);
    const size_t cut = linuxPath.find_last_of('/');
    if (cut == std::string::npos) return ERROR_FILE_NOT_FOUND;
    const std::string folder = cut == 0 ? "/" : linuxPath.substr(0, cut);
    struct stat st;
    if (stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return ERROR_FILE_NOT_FOUND;
    return ERROR_PATH_NOT_FOUND;
}

}  // namespace w32

using w32::Fail;

extern "C" {

DWORD WINAPI GetLastError() { return w32::lastError; }

void WINAPI SetLastError(DWORD error) { w32::lastError = error; }

DWORD WINAPI FormatMessageA(DWORD dwFlags, LPCVOID, DWORD dwMessageId, DWORD, LPSTR lpBuffer, DWORD nSize,
                            va_list*) {
    std::string text;
    if (!w32::SystemMessage(dwFlags, dwMessageId, text)) return 0;
    if (dwFlags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
        if (lpBuffer == nullptr) return Fail(ERROR_INVALID_PARAMETER, DWORD(0));
        const size_t bytes = std::max<size_t>(text.size() + 1, nSize);
        char* block = static_cast<char*>(w32::Allocate(bytes, true));
        if (block == nullptr) return Fail(ERROR_NOT_ENOUGH_MEMORY, DWORD(0));
        std::memcpy(block, text.c_str(), text.size() + 1);
        *reinterpret_cast<LPSTR*>(lpBuffer) = block;
        return static_cast<DWORD>(text.size());
    }
    if (lpBuffer == nullptr || text.size() + 1 > nSize) return Fail(ERROR_INSUFFICIENT_BUFFER, DWORD(0));
    std::memcpy(lpBuffer, text.c_str(), text.size() + 1);
    return static_cast<DWORD>(text.size());
}

DWORD WINAPI FormatMessageW(DWORD dwFlags, LPCVOID, DWORD dwMessageId, DWORD, LPWSTR lpBuffer, DWORD nSize,
                            va_list*) {
    std::string utf8;
    if (!w32::SystemMessage(dwFlags, dwMessageId, utf8)) return 0;
    const std::u16string text = w32::ToUtf16(utf8);
    if (dwFlags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
        if (lpBuffer == nullptr) return Fail(ERROR_INVALID_PARAMETER, DWORD(0));
        const size_t units = std::max<size_t>(text.size() + 1, nSize);
        auto* block = static_cast<char16_t*>(w32::Allocate(units * sizeof(char16_t), true));
        if (block == nullptr) return Fail(ERROR_NOT_ENOUGH_MEMORY, DWORD(0));
        std::memcpy(block, text.c_str(), (text.size() + 1) * sizeof(char16_t));
        *reinterpret_cast<LPWSTR*>(lpBuffer) = block;
        return static_cast<DWORD>(text.size());
    }
    if (lpBuffer == nullptr || text.size() + 1 > nSize) return Fail(ERROR_INSUFFICIENT_BUFFER, DWORD(0));
    std::memcpy(lpBuffer, text.c_str(), (text.size() + 1) * sizeof(char16_t));
    return static_cast<DWORD>(text.size());
}

HLOCAL WINAPI LocalAlloc(UINT uFlags, SIZE_T uBytes) {
    void* p = w32::Allocate(uBytes, (uFlags & LMEM_ZEROINIT) != 0);
    if (p == nullptr) return Fail(ERROR_NOT_ENOUGH_MEMORY, HLOCAL(nullptr));
    return p;
}

HLOCAL WINAPI LocalFree(HLOCAL hMem) {
    if (hMem == nullptr) return nullptr;
    if (!w32::FreeBlock(hMem)) return Fail(ERROR_INVALID_HANDLE, hMem);
    return nullptr;
}

}  // extern "C"
