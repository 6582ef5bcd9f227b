#include "w32path.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <vector>

namespace w32path {

namespace {

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool HasDrive(std::string_view p) { return p.size() >= 2 && IsLetter(p[0]) && p[1] == ':'; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Upper(a[i]) != Upper(b[i])) return false;
    return true;
}

std::vector<std::string> Split(std::string_view text) {
    std::vector<std::string> parts;
    std::string cur;
    for (char c : text) {
        if (IsSeparator(c)) {
            if (!cur.empty()) parts.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) parts.push_back(cur);
    return parts;
}

// Applies the names to a stack of names: "." is dropped, ".." pops (never below the root).
// In the Windows form trailing dots and blanks are dropped from a name.
void Apply(std::vector<std::string>& stack, const std::vector<std::string>& names, bool windowsForm) {
    for (std::string name : names) {
        if (name == ".") continue;
        if (name == "..") {
            if (!stack.empty()) stack.pop_back();
            continue;
        }
        if (windowsForm) {
            while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
            if (name.empty()) continue;
        }
        stack.push_back(name);
    }
}

std::string Join(const std::string& root, const std::vector<std::string>& names, char sep) {
    std::string out = root;
    for (size_t i = 0; i < names.size(); ++i) {
        if (out.empty() || out.back() != sep) out += sep;
        out += names[i];
    }
    return out;
}

std::string LinuxCurrentDirectory() {
    std::string buf(256, '\0');
    for (;;) {
        if (getcwd(buf.data(), buf.size()) != nullptr) return std::string(buf.c_str());
        if (errno != ERANGE) return "/";
        buf.resize(buf.size() * 2);
    }
}

// A full path split into its root ("X:\" or "/") and its names.
struct Parsed {
    std::string root;
    std::vector<std::string> names;
};

void ParseFull(std::string_view full, Parsed& p) {
    if (HasDrive(full)) {
        p.root = std::string(1, Upper(full[0])) + ":\\";
        p.names = Split(full.substr(2));
    } else {
        p.root = "/";
        p.names = Split(full);
    }
}

bool BadName(const std::string& name) {
    for (unsigned char c : name) {
        if (c < 0x20) return true;
        if (c == '<' || c == '>' || c == ':' || c == '"' || c == '|' || c == '?' || c == '*') return true;
    }
    return false;
}

bool Exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

// The name of the folder's entry equal to the name without regard to case (the first in byte
// order), or the name itself.
std::string MatchNoCase(const std::string& folder, const std::string& name) {
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return name;
    std::vector<std::string> found;
    while (dirent* e = readdir(dir)) {
        if (EqualsNoCase(e->d_name, name)) found.push_back(e->d_name);
    }
    closedir(dir);
    if (found.empty()) return name;
    std::sort(found.begin(), found.end());
    return found.front();
}

}  // namespace

size_t Utf16Length(std::string_view utf8) {
    size_t n = 0;
    for (unsigned char c : utf8) {
        if ((c & 0xC0) != 0x80) ++n;      // a leading byte starts a character
        if (c >= 0xF0) ++n;               // four-byte sequences need a surrogate pair
    }
    return n;
}

std::string DriveRoot(char letter) {
    if (!IsLetter(letter)) return std::string();
    const char up = Upper(letter);
    const std::string var = std::string("W32_DRIVE_") + up;
    const char* value = std::getenv(var.c_str());
    std::string root;
    if (value != nullptr && value[0] != '\0') {
        root = value;
    } else if (value == nullptr && up == 'C') {
        root = "/";
    } else {
        return std::string();
    }
    if (root[0] != '/') return std::string();   // only absolute folders make a drive
    while (root.size() > 1 && root.back() == '/') root.pop_back();
    return root;
}

std::string ToWindows(std::string_view linuxPath) {
    std::vector<std::string> names;
    if (linuxPath.empty() || linuxPath[0] != '/') Apply(names, Split(LinuxCurrentDirectory()), false);
    Apply(names, Split(linuxPath), false);
    char best = 0;
    size_t bestDepth = 0;
    for (char d = 'A'; d <= 'Z'; ++d) {
        const std::string root = DriveRoot(d);
        if (root.empty()) continue;
        const std::vector<std::string> rootNames = Split(root);
        if (rootNames.size() > names.size()) continue;
        if (!std::equal(rootNames.begin(), rootNames.end(), names.begin())) continue;
        if (best == 0 || rootNames.size() > bestDepth) {
            best = d;
            bestDepth = rootNames.size();
        }
    }
    if (best == 0) return Join("/", names, '/');
    const std::vector<std::string> rest(names.begin() + static_cast<long>(bestDepth), names.end());
    return Join(std::string(1, best) + ":\\", rest, '\\');
}

std::string CurrentDirectory() { return ToWindows(LinuxCurrentDirectory()); }

uint32_t FullPath(std::string_view path, std::string& out) {
    if (path.size() >= 4 && IsSeparator(path[0]) && IsSeparator(path[1]) && path[2] == '?' &&
        IsSeparator(path[3]))
        path.remove_prefix(4);
    if (path.empty()) return kInvalidName;
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) return kBadNetPath;
    const bool trailing = IsSeparator(path.back());

    Parsed base;
    std::vector<std::string> names;
    if (path[0] == '/') {
        base.root = "/";
        Apply(base.names, Split(path), false);
        out = ToWindows(Join("/", base.names, '/'));
        if (trailing && out.back() != '\\' && out.back() != '/') out += out[0] == '/' ? '/' : '\\';
        return 0;
    }
    const std::string cwd = CurrentDirectory();
    if (HasDrive(path)) {
        const char drive = Upper(path[0]);
        std::string_view rest = path.substr(2);
        if (!rest.empty() && IsSeparator(rest[0])) {
            base.root = std::string(1, drive) + ":\\";
        } else if (HasDrive(cwd) && Upper(cwd[0]) == drive) {
            ParseFull(cwd, base);
        } else {
            base.root = std::string(1, drive) + ":\\";
        }
        names = Split(rest);
    } else if (IsSeparator(path[0])) {
        if (HasDrive(cwd)) base.root = std::string(1, Upper(cwd[0])) + ":\\";
        else base.root = "/";
        names = Split(path);
    } else {
        ParseFull(cwd, base);
        names = Split(path);
    }
    const bool windowsForm = base.root != "/";
    Apply(base.names, names, windowsForm);
    out = Join(base.root, base.names, windowsForm ? '\\' : '/');
    const char sep = windowsForm ? '\\' : '/';
    if (trailing && out.back() != sep) out += sep;
    return 0;
}

uint32_t ToLinux(std::string_view path, std::string& out) {
    if (!path.empty() && path[0] == '/') {
        // A Linux path is taken as written: names are not matched without regard to case.
        std::vector<std::string> names;
        Apply(names, Split(path), false);
        const std::string native = Join("/", names, '/');
        if (Utf16Length(ToWindows(native)) >= kMaxPath) return kFilenameTooLong;
        for (const std::string& name : names)
            if (Utf16Length(name) > 255) return kFilenameTooLong;
        out = native;
        return 0;
    }
    std::string full;
    if (const uint32_t rc = FullPath(path, full)) return rc;
    if (Utf16Length(full) >= kMaxPath) return kFilenameTooLong;
    Parsed p;
    ParseFull(full, p);
    for (const std::string& name : p.names)
        if (Utf16Length(name) > 255) return kFilenameTooLong;
    if (p.root == "/") {
        out = Join("/", p.names, '/');
        return 0;
    }
    for (const std::string& name : p.names)
        if (BadName(name)) return kInvalidName;
    const std::string root = DriveRoot(p.root[0]);
    if (root.empty()) return kPathNotFound;
    std::string native = root;
    bool walking = true;   // stops matching once a folder is missing
    for (const std::string& name : p.names) {
        std::string candidate = native == "/" ? "/" + name : native + "/" + name;
        if (walking && !Exists(candidate)) {
            const std::string match = MatchNoCase(native, name);
            if (match != name) candidate = native == "/" ? "/" + match : native + "/" + match;
            else walking = false;
        }
        native = candidate;
    }
    out = native;
    return 0;
}

}  // namespace w32path
