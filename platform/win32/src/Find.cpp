#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Errors.h"
#include "Files.h"
#include "Handles.h"
#include "Text.h"
#include "w32path.h"

namespace w32 {
namespace {

// Windows' matching of names against a pattern with "*" and "?": the pattern is first turned
// into its DOS form ("*.*" is "*"; "?" matches one character or, at a dot or the end of the name,
// nothing; a "." before "?" or "*" (or at the end) also matches the end of the name; a "*" before
// a "." stops at the name's last dot), then matched ignoring ASCII case.
enum : char32_t { kDosStar = 0x110000, kDosQm, kDosDot };

std::u32string Decode(const std::string& utf8) {
    const std::u16string wide = ToUtf16(utf8);
    std::u32string out;
    for (size_t i = 0; i < wide.size(); ++i) {
        char32_t c = wide[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size())
            c = 0x10000 + ((c - 0xD800) << 10) + (char32_t(wide[++i]) - 0xDC00);
        out += c;
    }
    return out;
}

char32_t Fold(char32_t c) { return (c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c; }

std::u32string DosPattern(const std::string& pattern) {
    const std::u32string p = Decode(pattern == "*.*" ? "*" : pattern);
    std::u32string out;
    for (size_t i = 0; i < p.size(); ++i) {
        const char32_t next = i + 1 < p.size() ? p[i + 1] : 0;
        if (p[i] == '?') out += kDosQm;
        else if (p[i] == '.' && (next == '?' || next == '*' || next == 0)) out += kDosDot;
        else if (p[i] == '*' && next == '.') out += kDosStar;
        else out += p[i];
    }
    return out;
}

class Matcher {
public:
    Matcher(const std::u32string& name, const std::u32string& pattern)
        : n_(name), t_(pattern), memo_((name.size() + 1) * (pattern.size() + 1), -1) {
        const size_t dot = n_.rfind(U'.');
        lastDot_ = dot == std::u32string::npos ? n_.size() : dot;
    }
    bool Run() { return Match(0, 0); }

private:
    bool Match(size_t i, size_t j) {
        int8_t& m = memo_[i * (t_.size() + 1) + j];
        if (m < 0) m = Compute(i, j) ? 1 : 0;
        return m == 1;
    }
    bool Compute(size_t i, size_t j) {
        const size_t N = n_.size();
        if (j == t_.size()) return i == N;
        const char32_t t = t_[j];
        if (t == '*') {
            for (size_t k = i; k <= N; ++k)
                if (Match(k, j + 1)) return true;
            return false;
        }
        if (t == kDosStar) {
            const size_t limit = i <= lastDot_ ? lastDot_ : N;
            for (size_t k = i; k <= limit; ++k)
                if (Match(k, j + 1)) return true;
            return false;
        }
        if (t == kDosQm) {
            if (i < N && n_[i] != '.') return Match(i + 1, j + 1);
            return Match(i, j + 1);
        }
        if (t == kDosDot) {
            if (i < N && n_[i] == '.') return Match(i + 1, j + 1);
            return i == N && Match(i, j + 1);
        }
        return i < N && Fold(n_[i]) == Fold(t) && Match(i + 1, j + 1);
    }

    std::u32string n_, t_;
    std::vector<int8_t> memo_;
    size_t lastDot_;
};

struct Entry {
    std::string name;
    struct stat st;
};

struct Search : Object {
    Search() : Object(Kind::Find) {}
    std::string folder;   // Linux path
    std::vector<Entry> entries;
    size_t next = 0;
};

std::string UpperAscii(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

template <typename Data>
void Fill(const Entry& e, const std::string& folder, Data* data) {
    data->dwFileAttributes = AttributesOf(e.st);
    data->ftCreationTime = CreationTime(AT_FDCWD, (folder + "/" + e.name).c_str(), e.st);
    data->ftLastAccessTime = ToFileTime(e.st.st_atim);
    data->ftLastWriteTime = ToFileTime(e.st.st_mtim);
    const uint64_t size = S_ISDIR(e.st.st_mode) ? 0 : static_cast<uint64_t>(e.st.st_size);
    data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    data->nFileSizeLow = static_cast<DWORD>(size);
    data->dwReserved0 = 0;
    data->dwReserved1 = 0;
    data->cAlternateFileName[0] = 0;
}

void Name(const std::string& name, WIN32_FIND_DATAA* data) { CopyCut(name, data->cFileName, MAX_PATH); }
void Name(const std::string& name, WIN32_FIND_DATAW* data) { CopyCut(ToUtf16(name), data->cFileName, MAX_PATH); }

// Starts a search; the handle, or INVALID_HANDLE_VALUE with the last error set.
template <typename Data>
HANDLE First(const std::string& text, Data* data) {
    if (data == nullptr) return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
    std::string full;
    if (const uint32_t rc = w32path::FullPath(text, full)) return Fail(rc, INVALID_HANDLE_VALUE);
    const size_t cut = full.find_last_of("\\/");
    const std::string pattern = full.substr(cut + 1);
    if (pattern.empty()) return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
    std::string folderText = full.substr(0, cut + 1);
    std::string folder;
    if (const uint32_t rc = w32path::ToLinux(folderText, folder)) return Fail(rc, INVALID_HANDLE_VALUE);
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr)
        return Fail(errno == EACCES ? DWORD(ERROR_ACCESS_DENIED) : DWORD(ERROR_PATH_NOT_FOUND), INVALID_HANDLE_VALUE);
    const std::u32string dos = DosPattern(pattern);
    auto search = std::make_shared<Search>();
    std::vector<Entry> dots;
    const std::string shown = w32path::ToWindows(folder);
    const bool root = shown == "/" || (shown.size() == 3 && shown[1] == ':');
    while (dirent* d = readdir(dir)) {
        const std::string name = d->d_name;
        const bool dot = name == "." || name == "..";
        if (dot && root) continue;
        if (!Matcher(Decode(name), dos).Run()) continue;
        Entry e{name, {}};
        const std::string path = folder + "/" + name;
        if (stat(path.c_str(), &e.st) != 0 && lstat(path.c_str(), &e.st) != 0) continue;
        (dot ? dots : search->entries).push_back(std::move(e));
    }
    closedir(dir);
    std::sort(dots.begin(), dots.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
    std::sort(search->entries.begin(), search->entries.end(), [](const Entry& a, const Entry& b) {
        const std::string ua = UpperAscii(a.name), ub = UpperAscii(b.name);
        return ua != ub ? ua < ub : a.name < b.name;
    });
    search->entries.insert(search->entries.begin(), dots.begin(), dots.end());
    if (search->entries.empty()) return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
    Fill(search->entries[0], folder, data);
    Name(search->entries[0].name, data);
    search->next = 1;
    search->folder = folder;
    return AddHandle(search);
}

template <typename Data>
BOOL Next(HANDLE h, Data* data) {
    auto search = Find<Search>(h, {Kind::Find});
    if (search == nullptr) return FALSE;
    if (data == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    if (search->next >= search->entries.size()) return Fail(ERROR_NO_MORE_FILES);
    const Entry& e = search->entries[search->next++];
    Fill(e, search->folder, data);
    Name(e.name, data);
    return TRUE;
}

}  // namespace
}  // namespace w32

extern "C" {

HANDLE WINAPI FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData) {
    if (lpFileName == nullptr) return w32::Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
    return w32::First(lpFileName, lpFindFileData);
}

HANDLE WINAPI FindFirstFileW(LPCWSTR lpFileName, LPWIN32_FIND_DATAW lpFindFileData) {
    if (lpFileName == nullptr) return w32::Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
    return w32::First(w32::ToUtf8(lpFileName), lpFindFileData);
}

BOOL WINAPI FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData) {
    return w32::Next(hFindFile, lpFindFileData);
}

BOOL WINAPI FindNextFileW(HANDLE hFindFile, LPWIN32_FIND_DATAW lpFindFileData) {
    return w32::Next(hFindFile, lpFindFileData);
}

BOOL WINAPI FindClose(HANDLE hFindFile) {
    return w32::RemoveHandle(hFindFile, {w32::Kind::Find}) == nullptr ? FALSE : TRUE;
}

}  // extern "C"
