// File-system operations on the Win32 file calls, with their reports on the diagnostic stream.
#include "KxFileSystem.h"

#include <windows.h>

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "KxWOStream.h"
#include "SystemErrorText.h"

static KxWOStream theStream;

struct KxFindFileInfoBlock::Record {
    WIN32_FIND_DATAA data = {};
    HANDLE search = nullptr;

    ~Record() { EndSearch(); }
    void EndSearch() {
        if (search != nullptr) FindClose(search);
        search = nullptr;
    }
};

namespace {

const DWORD kPathSize = 260;

// The static result buffers.
char thePathJoin[kPathSize];
char theSplitDrive[4];
char theSplitDir[256];
char theSplitName[256];
char theSplitExt[256];
char theWorkingDirectory[kPathSize];
char theTempDir[kPathSize];
std::string theShortPath;
std::string theRelativePath;
std::string theAbsolutePath;

// "<<< KxFileSystem >>> <operation> : an error occured calling <function>, error= <code> that
// means : <text>.  >>> <place>", with the thread's last error.
void Report(const char* operation, const char* function, int line) {
    const DWORD code = GetLastError();
    std::string text;
    theStream << "<<< KxFileSystem >>> " << operation << " : an error occured calling " << function
              << ", error= " << static_cast<unsigned long>(code);
    if (SystemErrorText(code, text)) theStream << " that means : " << text.c_str() << ". ";
    else theStream << ". Cannot obtain error message for that.";
    theStream << " >>> " << __FILE_NAME__ << ":" << line << endl;
}

void ReportOverflow(DWORD needed, int line) {
    theStream << "<<< KxFileSystem >>> " << "path buffer too small. Current is " << static_cast<unsigned long>(kPathSize)
              << ", needed " << static_cast<unsigned long>(needed) << " >>> " << __FILE_NAME__ << ":" << line << endl;
}

// A path the system wrote into its buffer (the call answered n): null after a report when the
// call failed or needed more room.
const char* SystemPath(DWORD n, const char* buffer, const char* operation, const char* function, int line) {
    if (n == 0) {
        Report(operation, function, line);
        return nullptr;
    }
    if (n > kPathSize) {
        ReportOverflow(n, line);
        return nullptr;
    }
    return buffer;
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// The non-empty parts between separators.
std::vector<std::string> Components(const std::string& path) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (IsSeparator(c)) {
            if (!part.empty()) parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty()) parts.push_back(part);
    return parts;
}

// The full path, or false when it cannot be made within size characters.
bool FullPath(const char* path, DWORD size, std::string& full) {
    std::vector<char> buffer(size);
    const DWORD n = GetFullPathNameA(path, size, buffer.data(), nullptr);
    if (n == 0 || n >= size) return false;
    full.assign(buffer.data(), n);
    return true;
}

}  // namespace

KxFindFileInfoBlock::KxFindFileInfoBlock() : record_(new Record) {}
KxFindFileInfoBlock::~KxFindFileInfoBlock() = default;
KxFindFileInfoBlock::KxFindFileInfoBlock(const KxFindFileInfoBlock& other) = default;
KxFindFileInfoBlock& KxFindFileInfoBlock::operator=(const KxFindFileInfoBlock& other) = default;

const char* KxFindFileInfoBlock::fileName() const { return record_ != nullptr ? record_->data.cFileName : nullptr; }

KxFileSystem::KxFileSystem() {}
KxFileSystem::~KxFileSystem() {}

int KxFileSystem::deleteFile(const char* name) {
    if (DeleteFileA(name)) return 0;
    Report("KxFileSystem::deleteFile", "DeleteFile", __LINE__);
    return 1;
}

int KxFileSystem::accessFile(const char* name) { return GetFileAttributesA(name) != INVALID_FILE_ATTRIBUTES ? 0 : 1; }

int KxFileSystem::createFile(const char* name) {
    HANDLE file = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        Report("KxFileSystem::createFile", "CreateFile", __LINE__);
        return -1;
    }
    if (!CloseHandle(file)) {
        Report("KxFileSystem::CreateFileFile", "CloseHandle", __LINE__);
        return -1;
    }
    return 0;
}

unsigned long KxFileSystem::getFileSize(const char* name) {
    HANDLE file = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        Report("KxFileSystem::getFileSize", "CreateFile (OPEN_EXISTING)", __LINE__);
        return 0;
    }
    DWORD high = 0;
    SetLastError(NO_ERROR);
    const DWORD low = GetFileSize(file, &high);
    unsigned long size = 0;
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) Report("KxFileSystem::getFileSize", "GetFileSize", __LINE__);
    else size = (static_cast<unsigned long>(high) << 32) | low;
    CloseHandle(file);
    return size;
}

KxDateTime KxFileSystem::getModificationTime(const char* name) {
    KxDateTime result;
    result.Clear();
    HANDLE file = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return result;
    FILETIME written = {};
    SYSTEMTIME time = {};
    if (!GetFileTime(file, nullptr, nullptr, &written)) {
        Report("KxFileSystem::getModificationTime", "GetFileTime", __LINE__);
    } else if (!FileTimeToSystemTime(&written, &time)) {
        Report("KxFileSystem::getModificationTime", "FileTimeToSystemTime", __LINE__);
    } else {
        result = KxDateTime(time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond);
    }
    CloseHandle(file);
    return result;
}

const char* KxFileSystem::getModificationTimeAsString(const char*) { return nullptr; }

const char* KxFileSystem::getWorkingDirectory() {
    return SystemPath(GetCurrentDirectoryA(kPathSize, theWorkingDirectory), theWorkingDirectory,
                      "KxFileSystem::getWorkingDirectory", "GetCurrentDirectory", __LINE__);
}

int KxFileSystem::changeWorkingDirectory(const char* path) {
    if (SetCurrentDirectoryA(path)) return 0;
    Report("KxFileSystem::changeWorkingDirectory", "SetCurrentDirectory", __LINE__);
    return -1;
}

int KxFileSystem::findFirst(const char* pattern, KxFindFileInfoBlock* block) {
    if (block == nullptr || block->record_ == nullptr) return 0;
    KxFindFileInfoBlock::Record& record = *block->record_;
    record.EndSearch();
    HANDLE search = FindFirstFileA(pattern, &record.data);
    if (search == INVALID_HANDLE_VALUE) {
        Report("KxFileSystem::findFirst", "FindFirstFile", __LINE__);
        return 0;
    }
    record.search = search;
    return 1;
}

int KxFileSystem::findNext(KxFindFileInfoBlock* block) {
    if (block == nullptr || block->record_ == nullptr || block->record_->search == nullptr) {
        theStream << "<<< KxFileSystem >>> " << "findNext : no search handle, use findFirst first." << " >>> "
                  << __FILE_NAME__ << ":" << __LINE__ << endl;
        return 0;
    }
    if (FindNextFileA(block->record_->search, &block->record_->data)) return 1;
    if (GetLastError() != ERROR_NO_MORE_FILES) Report("KxFileSystem::findNext", "FindNextFile", __LINE__);
    return 0;
}

const char* KxFileSystem::makepath(const char* drive, const char* dir, const char* name, const char* ext) {
    _makepath(thePathJoin, drive, dir, name, ext);
    return thePathJoin;
}

void KxFileSystem::splitpath(const char* path, char*& drive, char*& dir, char*& name, char*& ext) {
    char extension[_MAX_EXT];
    _splitpath(path != nullptr ? path : "", theSplitDrive, theSplitDir, theSplitName, extension);
    std::strcpy(theSplitExt, extension[0] == '.' ? extension + 1 : extension);
    drive = theSplitDrive;
    dir = theSplitDir;
    name = theSplitName;
    ext = theSplitExt;
}

const char* KxFileSystem::getPathDelimiter() { return "\\"; }

const char* KxFileSystem::getTempDir() {
    return SystemPath(GetTempPathA(kPathSize, theTempDir), theTempDir, "KxFileSystem::getTempDir", "GetTempPath",
                      __LINE__);
}

int KxFileSystem::getTempFileName(char* out, const char* prefix) {
    char dir[kPathSize];
    const DWORD n = GetTempPathA(kPathSize, dir);
    if (n == 0) {
        Report("KxFileSystem::getTempFileName", "GetTempPath", __LINE__);
        return -2;
    }
    if (n > kPathSize) {
        ReportOverflow(n, __LINE__);
        return -1;
    }
    if (GetTempFileNameA(dir, prefix, 0, out) == 0) {
        Report("KxFileSystem::getTempFileName", "GetTempFileName", __LINE__);
        return -3;
    }
    return 0;
}

const char* KxFileSystem::createShortPath(const char* path) {
    if (path == nullptr || *path == '\0') return nullptr;
    char* drive = nullptr;
    char* dir = nullptr;
    char* name = nullptr;
    char* ext = nullptr;
    splitpath(path, drive, dir, name, ext);
    const std::vector<std::string> folders = Components(dir);
    const bool rooted = IsSeparator(dir[0]);
    std::string shortPath = drive;
    if (!folders.empty()) {
        if (rooted) shortPath += "\\";
        shortPath += folders.front();
        if (folders.size() >= 3) shortPath += "\\...";
        if (folders.size() >= 2) shortPath += "\\" + folders.back();
    }
    if (!folders.empty() || rooted) shortPath += "\\";
    shortPath += name;
    if (*ext != '\0') shortPath += std::string(".") + ext;
    theShortPath = shortPath;
    return theShortPath.c_str();
}

const char* KxFileSystem::makeRelativeToDirectory(const char* path, const char* dir) {
    if (path == nullptr || dir == nullptr) return path;
    std::string fullPath;
    std::string fullDir;
    if (!FullPath(path, kPathSize, fullPath) || !FullPath(dir, kPathSize, fullDir)) return path;
    fullPath = Lower(fullPath);
    fullDir = Lower(fullDir);
    while (fullDir.size() > 1 && IsSeparator(fullDir.back()) && fullDir[fullDir.size() - 2] != ':') fullDir.pop_back();

    // Inside the directory: the rest after the directory and its separator.
    if (fullPath.compare(0, fullDir.size(), fullDir) == 0) {
        if (fullPath.size() == fullDir.size()) return (theRelativePath = "").c_str();
        if (IsSeparator(fullDir.back())) return (theRelativePath = fullPath.substr(fullDir.size())).c_str();
        if (IsSeparator(fullPath[fullDir.size()])) return (theRelativePath = fullPath.substr(fullDir.size() + 1)).c_str();
    }
    const std::vector<std::string> pathParts = Components(fullPath);
    const std::vector<std::string> dirParts = Components(fullDir);
    if (pathParts.empty() || dirParts.empty() || pathParts.front() != dirParts.front()) {
        return (theRelativePath = fullPath).c_str();   // another drive
    }
    size_t common = 0;
    while (common < pathParts.size() && common < dirParts.size() && pathParts[common] == dirParts[common]) ++common;
    std::string relative;
    for (size_t i = common; i < dirParts.size(); ++i) relative += "..\\";
    for (size_t i = common; i < pathParts.size(); ++i) relative += pathParts[i] + "\\";
    if (!relative.empty()) relative.pop_back();
    theRelativePath = relative;
    return theRelativePath.c_str();
}

const char* KxFileSystem::makeAbsoluteToDirectory(const char* path, const char* dir) {
    if (path == nullptr || dir == nullptr) return (theAbsolutePath = "").c_str();
    const std::string given = Lower(path);
    char kept[2 * kPathSize];
    const DWORD keptLength = GetCurrentDirectoryA(sizeof kept, kept);
    if (!SetCurrentDirectoryA(dir)) {
        // Made absolute against another directory the path would name another file.
        Report("KxFileSystem::makeAbsoluteToDirectory", "SetCurrentDirectory", __LINE__);
        return (theAbsolutePath = given).c_str();
    }
    std::string full;
    const bool haveFull = FullPath(path, 2 * kPathSize, full);
    full = Lower(full);
    const bool hasDrive = given.size() >= 2 && given[1] == ':';
    if (haveFull && !hasDrive && !IsSeparator(given[0]) && given.compare(0, full.size(), full) != 0) theAbsolutePath = full;
    else theAbsolutePath = given;
    if (keptLength == 0 || keptLength >= sizeof kept || !SetCurrentDirectoryA(kept))
        Report("KxFileSystem::makeAbsoluteToDirectory", "SetCurrentDirectory", __LINE__);
    return theAbsolutePath.c_str();
}
