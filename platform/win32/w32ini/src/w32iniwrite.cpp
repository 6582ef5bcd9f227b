// Writing INI texts and files by the reading rules of w32ini.cpp.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "w32ini.h"

namespace w32ini {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

// One line of a text as the reader classifies it; [begin, end) excludes the line feed.
struct Line {
    enum Kind { kOther, kHeader, kEntry };
    size_t begin = 0, end = 0;
    Kind kind = kOther;
    std::vector<std::string> path;  // of a header
    std::string key;                // of an entry
    bool inTarget = false;          // belongs to the section being edited
};

bool SamePath(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (!EqualsNoCase(a[i], b[i])) return false;
    return true;
}

std::vector<Line> Scan(std::string_view text, const std::vector<std::string>& target) {
    std::vector<Line> lines;
    std::vector<std::string> current;  // the top level
    size_t pos = text.substr(0, 3) == kBom ? 3 : 0;
    while (pos <= text.size()) {
        size_t eol = text.find('\n', pos);
        if (eol == std::string_view::npos) eol = text.size();
        Line l;
        l.begin = pos;
        l.end = eol;
        const std::string trimmed = Trim(text.substr(pos, eol - pos));
        if (!trimmed.empty() && trimmed[0] == '[') {
            const size_t close = trimmed.find(']');
            if (close != std::string::npos) {
                l.kind = Line::kHeader;
                l.path = SplitSectionName(std::string_view(trimmed).substr(1, close - 1));
                current = l.path;
            }
        } else if (!trimmed.empty() && trimmed[0] != ';') {
            const size_t eq = trimmed.find('=');
            if (eq != std::string::npos) {
                l.key = Trim(std::string_view(trimmed).substr(0, eq));
                if (!l.key.empty()) l.kind = Line::kEntry;
            }
        }
        l.inTarget = SamePath(current, target);
        lines.push_back(std::move(l));
        pos = eol + 1;
    }
    return lines;
}

std::string LineEnd(std::string_view text) {
    const size_t lf = text.find('\n');
    return lf != std::string_view::npos && lf > 0 && text[lf - 1] == '\r' ? "\r\n" : "\n";
}

// The end of a line's content: before a carriage return that precedes the line feed.
size_t ContentEnd(std::string_view text, const Line& l) {
    return l.end > l.begin && text[l.end - 1] == '\r' ? l.end - 1 : l.end;
}

bool HasBreakOrOuterBlank(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos || Trim(s) != s;
}

std::string SystemError(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

bool IsWritableKey(std::string_view key) {
    return !key.empty() && !HasBreakOrOuterBlank(key) && key.find('=') == std::string_view::npos && key[0] != ';' &&
           key[0] != '[';
}

bool IsWritableValue(std::string_view value) { return !HasBreakOrOuterBlank(value); }

bool IsWritableSection(const std::vector<std::string>& path) {
    for (const std::string& name : path)
        if (HasBreakOrOuterBlank(name) || name.find_first_of("\\]") != std::string::npos) return false;
    return true;
}

std::string SetValue(std::string_view text, const std::vector<std::string>& path, std::string_view key,
                     std::string_view value) {
    const std::string k = Trim(key);
    const std::vector<Line> lines = Scan(text, path);
    const std::string eol = LineEnd(text);
    const Line* anchor = nullptr;  // the section's last entry, else its last header
    bool sectionSeen = path.empty();
    for (const Line& l : lines) {
        if (!l.inTarget) continue;
        if (l.kind == Line::kEntry && EqualsNoCase(l.key, k)) {
            std::string out(text.substr(0, l.begin));
            out += l.key + "=" + std::string(value);
            out += text.substr(ContentEnd(text, l));
            return out;
        }
        if (l.kind == Line::kHeader) sectionSeen = true;
        if (l.kind == Line::kEntry || (l.kind == Line::kHeader && (anchor == nullptr || anchor->kind == Line::kHeader)))
            anchor = &l;
    }
    const std::string entry = k + "=" + std::string(value);
    if (anchor != nullptr) {
        const size_t at = ContentEnd(text, *anchor);
        return std::string(text.substr(0, at)) + eol + entry + std::string(text.substr(at));
    }
    if (sectionSeen) {  // the top level without entries: the entry opens the text
        const size_t at = text.substr(0, 3) == kBom ? 3 : 0;
        return std::string(text.substr(0, at)) + entry + eol + std::string(text.substr(at));
    }
    std::string out(text);
    if (!out.empty() && out.back() != '\n') out += eol;
    out += "[" + JoinSectionName(path) + "]" + eol + entry + eol;
    return out;
}

std::string RemoveKey(std::string_view text, const std::vector<std::string>& path, std::string_view key) {
    const std::string k = Trim(key);
    std::string out;
    size_t kept = 0;  // text before this position is decided
    for (const Line& l : Scan(text, path)) {
        if (!l.inTarget || l.kind != Line::kEntry || !EqualsNoCase(l.key, k)) continue;
        out += text.substr(kept, l.begin - kept);
        kept = l.end < text.size() ? l.end + 1 : l.end;
    }
    out += text.substr(kept);
    return out;
}

bool UpdateFile(const std::string& path, const std::function<bool(std::string& text)>& edit, std::string& error) {
    std::string target = path;
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved) != nullptr) target = resolved;
    const std::string folder = FolderOf(target);

    const int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) {
        error = SystemError("cannot open the folder of", path);
        return false;
    }
    struct Unlock {
        int fd;
        ~Unlock() { close(fd); }  // closing drops the lock
    } unlock{dir};
    if (flock(dir, LOCK_EX) != 0) {
        error = SystemError("cannot lock the folder of", path);
        return false;
    }

    std::string text;
    struct stat st {};
    const bool exists = stat(target.c_str(), &st) == 0;
    if (!exists && errno != ENOENT) {
        error = SystemError("cannot read", path);
        return false;
    }
    if (exists && !ReadFile(target, text)) {
        error = SystemError("cannot read", path);
        return false;
    }
    if (!edit(text)) return true;

    static std::atomic<unsigned> serial{0};
    std::string temp;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temp = target + ".tmp" + std::to_string(getpid()) + "_" + std::to_string(serial++);
        fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, exists ? (st.st_mode & 07777) : 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        error = SystemError("cannot write", path);
        return false;
    }
    bool ok = !exists || fchmod(fd, st.st_mode & 07777) == 0;
    for (size_t done = 0; ok && done < text.size();) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) done += static_cast<size_t>(n);
    }
    ok = ok && fsync(fd) == 0;
    const int savedErrno = errno;
    ok = close(fd) == 0 && ok;
    if (ok && rename(temp.c_str(), target.c_str()) == 0) {
        fsync(dir);
        return true;
    }
    if (errno == 0) errno = savedErrno;
    error = SystemError("cannot write", path);
    unlink(temp.c_str());
    return false;
}

}  // namespace w32ini
