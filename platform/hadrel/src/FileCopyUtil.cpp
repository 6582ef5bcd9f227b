// The file-copy utility on the Win32 calls: every path goes through the Win32 layer, so that Windows
// paths ("C:\data\set1") and Linux paths ("/srv/data/set1") both work.
#include <windows.h>

#include <string>

#include "HADRELFileCopyUtil.h"

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// The separator that goes with the form of a full path: '\' after a drive, '/' in a Linux path.
char SeparatorOf(const std::string& path) { return path.size() >= 2 && path[1] == ':' ? '\\' : '/'; }

// Length of the root of a full path ("C:\" or "/"); the root keeps its separator.
size_t RootLength(const std::string& path) {
    if (path.size() >= 2 && path[1] == ':') return path.size() >= 3 && IsSeparator(path[2]) ? 3 : 2;
    return !path.empty() && IsSeparator(path[0]) ? 1 : 0;
}

// Drops the separators at the end of a path, but not its root's.
void TrimSeparators(std::string& path) {
    const size_t root = RootLength(path);
    while (path.size() > root && IsSeparator(path.back())) path.pop_back();
}

// The full path of `path` (without trailing separators), as the Win32 layer resolves it in the text;
// false when it cannot be resolved.
bool FullPath(const char* path, std::string& full) {
    char buffer[MAX_PATH];
    const DWORD n = GetFullPathNameA(path, MAX_PATH, buffer, nullptr);
    if (n == 0 || n >= MAX_PATH) return false;
    full.assign(buffer, n);
    TrimSeparators(full);
    return true;
}

// The path the copy works with: a Linux path as written (its names are not matched without regard
// to case), any other as its full path.
std::string WorkingPath(const char* text, const std::string& full) {
    if (text[0] != '/') return full;
    std::string path = text;
    TrimSeparators(path);
    return path;
}

char Folded(char c) {
    if (c == '/') return '\\';
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether `inner` is `outer` or lies inside it, comparing as Windows does: letter case and the kind of
// separator do not count.
bool IsWithin(const std::string& inner, const std::string& outer) {
    if (inner.size() < outer.size()) return false;
    for (size_t i = 0; i < outer.size(); ++i)
        if (Folded(inner[i]) != Folded(outer[i])) return false;
    return inner.size() == outer.size() || IsSeparator(outer.back()) || IsSeparator(inner[outer.size()]);
}

bool IsDirectory(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Makes the directory `path` and the missing directories above it; true when it is a directory
// afterwards. Nothing is made unless the nearest existing directory above is a directory.
bool MakeDirectory(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) return IsDirectory(attributes);
    size_t end = path.size();
    while (end > RootLength(path) && !IsSeparator(path[end - 1])) --end;
    while (end > RootLength(path) && IsSeparator(path[end - 1])) --end;
    if (end == 0 || end == path.size()) return false;
    if (!MakeDirectory(path.substr(0, end))) return false;
    return CreateDirectoryA(path.c_str(), nullptr) || IsDirectory(GetFileAttributesA(path.c_str()));
}

// Copies what lies in the directory `from` into the directory `to`, which exists. Goes on past a
// failure; false when anything could not be copied.
bool CopyTree(const std::string& from, const std::string& to) {
    const std::string fromPrefix = from + (RootLength(from) == from.size() ? "" : std::string(1, SeparatorOf(from)));
    const std::string toPrefix = to + (RootLength(to) == to.size() ? "" : std::string(1, SeparatorOf(to)));
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((fromPrefix + "*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;  // nothing in it
    bool copied = true;
    do {
        const std::string name = entry.cFileName;
        if (name == "." || name == "..") continue;
        const std::string source = fromPrefix + name;
        const std::string target = toPrefix + name;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!MakeDirectory(target) || !CopyTree(source, target)) copied = false;
        } else if (!CopyFileA(source.c_str(), target.c_str(), FALSE)) {
            copied = false;
        }
    } while (FindNextFileA(find, &entry));
    if (GetLastError() != ERROR_NO_MORE_FILES) copied = false;
    FindClose(find);
    return copied;
}

}  // namespace

HADRELFileCopyUtil::HADRELFileCopyUtil() = default;

HADRELFileCopyUtil::~HADRELFileCopyUtil() = default;

int32_t HADRELFileCopyUtil::CopySMGData(CStringA& source, CStringA& target) {
    if (source.GetLength() == 0) return HADREL_E_NO_SOURCE;
    if (target.GetLength() == 0) return HADREL_E_NO_TARGET;
    std::string fullSource, fullTarget;
    if (!FullPath(source.GetString(), fullSource)) return HADREL_E_SOURCE_MISSING;
    const std::string from = WorkingPath(source.GetString(), fullSource);
    const DWORD attributes = GetFileAttributesA(from.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return HADREL_E_SOURCE_MISSING;
    if (!IsDirectory(attributes)) return HADREL_E_SOURCE_NOT_DIR;
    if (!FullPath(target.GetString(), fullTarget)) return HADREL_E_TARGET_NOT_DIR;
    if (IsWithin(fullTarget, fullSource)) return HADREL_E_TARGET_IN_SOURCE;
    const std::string to = WorkingPath(target.GetString(), fullTarget);
    if (!MakeDirectory(to)) return HADREL_E_TARGET_NOT_DIR;
    return CopyTree(from, to) ? HADREL_OK : HADREL_E_COPY_FAILED;
}
