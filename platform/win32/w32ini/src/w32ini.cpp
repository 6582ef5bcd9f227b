#include "w32ini.h"

#include <fstream>
#include <sstream>

namespace w32ini {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SamePrefix(const std::vector<std::string>& path, const std::vector<std::string>& prefix) {
    if (path.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (!EqualsNoCase(path[i], prefix[i])) return false;
    return true;
}

}  // namespace

std::string Trim(std::string_view s) {
    size_t b = 0;
    size_t e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return std::string(s.substr(b, e - b));
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

std::vector<std::string> SplitSectionName(std::string_view name) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t cut = name.find('\\', start);
        if (cut == std::string_view::npos) {
            parts.push_back(Trim(name.substr(start)));
            return parts;
        }
        parts.push_back(Trim(name.substr(start, cut - start)));
        start = cut + 1;
    }
}

std::string JoinSectionName(const std::vector<std::string>& path) {
    std::string joined;
    for (size_t i = 0; i < path.size(); ++i) {
        if (i > 0) joined += '\\';
        joined += path[i];
    }
    return joined;
}

Document::Document() { sections_.push_back(Section{}); }

void Document::Parse(std::string_view text) {
    sections_.clear();
    sections_.push_back(Section{});
    size_t current = 0;
    size_t pos = text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
    while (pos <= text.size()) {
        size_t eol = text.find('\n', pos);
        if (eol == std::string_view::npos) eol = text.size();
        const std::string line = Trim(text.substr(pos, eol - pos));
        pos = eol + 1;
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            const size_t close = line.find(']');
            if (close == std::string::npos) continue;
            const std::vector<std::string> path = SplitSectionName(line.substr(1, close - 1));
            if (const Section* s = Find(path)) {
                current = static_cast<size_t>(s - sections_.data());
            } else {
                sections_.push_back(Section{path, {}});
                current = sections_.size() - 1;
            }
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        Entry e{Trim(std::string_view(line).substr(0, eq)), Trim(std::string_view(line).substr(eq + 1))};
        if (e.key.empty()) continue;
        sections_[current].entries.push_back(std::move(e));
    }
}

const Section* Document::Find(const std::vector<std::string>& path) const {
    for (const Section& s : sections_)
        if (s.path.size() == path.size() && SamePrefix(s.path, path)) return &s;
    return nullptr;
}

const std::string* Document::Lookup(const std::vector<std::string>& path, std::string_view key) const {
    const Section* s = Find(path);
    if (s == nullptr) return nullptr;
    const std::string k = Trim(key);
    for (const Entry& e : s->entries)
        if (EqualsNoCase(e.key, k)) return &e.value;
    return nullptr;
}

bool Document::ChildNames(const std::vector<std::string>& prefix, std::vector<std::string>& names) const {
    names.clear();
    bool exists = prefix.empty();
    for (const Section& s : sections_) {
        if (s.path.empty() || !SamePrefix(s.path, prefix)) continue;
        exists = true;
        if (s.path.size() == prefix.size()) continue;
        const std::string& child = s.path[prefix.size()];
        bool known = false;
        for (const std::string& n : names)
            if (EqualsNoCase(n, child)) known = true;
        if (!known) names.push_back(child);
    }
    return exists;
}

bool ReadFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream buf;
    buf << in.rdbuf();
    if (in.bad()) return false;
    text = buf.str();
    return true;
}

}  // namespace w32ini
