#include "KxConfig.h"

#include <fstream>
#include <limits>
#include <sstream>

#include "KernelText.h"

namespace {

struct Entry {
    std::string key;
    std::string value;
};

struct Section {
    std::vector<std::string> path;   // names, trimmed, as first written
    std::vector<Entry> entries;
};

std::vector<std::string> SplitPath(const std::string& name) {
    std::vector<std::string> parts;
    std::string cur;
    for (char c : name) {
        if (c == '\\') {
            parts.push_back(kxk::Trim(cur));
            cur.clear();
        } else {
            cur += c;
        }
    }
    parts.push_back(kxk::Trim(cur));
    return parts;
}

bool SamePrefix(const std::vector<std::string>& path, const std::vector<std::string>& prefix) {
    if (path.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (!kxk::EqualsNoCase(path[i], prefix[i])) return false;
    return true;
}

std::vector<std::string> PathOf(const KxString path[]) {
    std::vector<std::string> parts;
    if (path == nullptr) return parts;
    for (size_t i = 0; path[i].IsActive() && !path[i].IsEmpty(); ++i)
        parts.push_back(kxk::Trim(path[i].ToUtf8()));
    return parts;
}

KxString FromFileText(const std::string& s) {
    KxString text = KxString::FromUtf8(s);
    if (!text.IsActive()) text = KxString(s.data(), static_cast<uint32_t>(s.size()));
    return text;
}

}  // namespace

struct KxConfig::Impl {
    KxString fileName;
    // Index 0 is the top level (empty path).
    std::vector<Section> sections;

    void Parse(const std::string& text) {
        sections.clear();
        sections.push_back(Section{});
        size_t current = 0;
        size_t pos = 0;
        if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) pos = 3;
        while (pos <= text.size()) {
            size_t eol = text.find('\n', pos);
            if (eol == std::string::npos) eol = text.size();
            const std::string line = kxk::Trim(text.substr(pos, eol - pos));
            pos = eol + 1;
            if (line.empty() || line[0] == ';') continue;
            if (line[0] == '[') {
                const size_t close = line.find(']');
                if (close == std::string::npos) continue;
                const std::vector<std::string> path = SplitPath(line.substr(1, close - 1));
                current = FindOrAdd(path);
                continue;
            }
            const size_t eq = line.find('=');
            if (eq == std::string::npos) continue;
            Entry e{kxk::Trim(line.substr(0, eq)), kxk::Trim(line.substr(eq + 1))};
            if (e.key.empty()) continue;
            sections[current].entries.push_back(std::move(e));
        }
    }

    size_t FindOrAdd(const std::vector<std::string>& path) {
        if (const Section* s = Find(path)) return static_cast<size_t>(s - sections.data());
        sections.push_back(Section{path, {}});
        return sections.size() - 1;
    }

    const Section* Find(const std::vector<std::string>& path) const {
        for (const Section& s : sections)
            if (s.path.size() == path.size() && SamePrefix(s.path, path)) return &s;
        return nullptr;
    }

    const std::string* Lookup(const KxString& key, const KxString path[]) const {
        const Section* s = Find(PathOf(path));
        if (s == nullptr) return nullptr;
        const std::string k = kxk::Trim(key.ToUtf8());
        for (const Entry& e : s->entries)
            if (kxk::EqualsNoCase(e.key, k)) return &e.value;
        return nullptr;
    }

    template <typename T>
    int32_t GetNumber(const KxString& key, T& out, const KxString path[]) const {
        const std::string* v = Lookup(key, path);
        if (v == nullptr) return KX_KERNEL_E_NOT_FOUND;
        int64_t n = 0;
        if (!kxk::ParseInteger(*v, n)) return KX_KERNEL_E_VALUE;
        if (n < int64_t(std::numeric_limits<T>::min()) || n > int64_t(std::numeric_limits<T>::max()))
            return KX_KERNEL_E_VALUE;
        out = static_cast<T>(n);
        return KX_KERNEL_OK;
    }
};

KxConfig::KxConfig() : impl_(std::make_unique<Impl>()) { impl_->Parse(std::string()); }
KxConfig::~KxConfig() = default;

int32_t KxConfig::ReadFile(const KxString& fileName) {
    std::ifstream in(fileName.StrGet(), std::ios::binary);
    if (!in) return KX_KERNEL_E_CONFIG_FILE;
    std::ostringstream buf;
    buf << in.rdbuf();
    if (in.bad()) return KX_KERNEL_E_CONFIG_FILE;
    impl_->Parse(buf.str());
    impl_->fileName = fileName;
    return KX_KERNEL_OK;
}

int32_t KxConfig::ReadText(const std::string& text) {
    impl_->Parse(text);
    impl_->fileName.SetInactive();
    return KX_KERNEL_OK;
}

const KxString& KxConfig::GetFileName() const { return impl_->fileName; }

int32_t KxConfig::Get(const KxString& key, KxString& out, const KxString path[]) const {
    const std::string* v = impl_->Lookup(key, path);
    if (v == nullptr) return KX_KERNEL_E_NOT_FOUND;
    out = FromFileText(*v);
    return KX_KERNEL_OK;
}

int32_t KxConfig::Get(const KxString& key, int16_t& out, const KxString path[]) const {
    return impl_->GetNumber(key, out, path);
}

int32_t KxConfig::Get(const KxString& key, uint16_t& out, const KxString path[]) const {
    return impl_->GetNumber(key, out, path);
}

int32_t KxConfig::Get(const KxString& key, int32_t& out, const KxString path[]) const {
    return impl_->GetNumber(key, out, path);
}

int32_t KxConfig::GetChildNames(const KxString path[], std::vector<KxString>& names) const {
    names.clear();
    const std::vector<std::string> prefix = PathOf(path);
    bool exists = prefix.empty();
    std::vector<std::string> seen;
    for (const Section& s : impl_->sections) {
        if (s.path.empty() || !SamePrefix(s.path, prefix)) continue;
        exists = true;
        if (s.path.size() == prefix.size()) continue;
        const std::string& child = s.path[prefix.size()];
        bool known = false;
        for (const std::string& n : seen)
            if (kxk::EqualsNoCase(n, child)) known = true;
        if (known) continue;
        seen.push_back(child);
        names.push_back(FromFileText(child));
    }
    return exists ? KX_KERNEL_OK : KX_KERNEL_E_NOT_FOUND;
}

KxString KxConfig::JoinPath(const KxString path[]) {
    std::string joined;
    const std::vector<std::string> parts = PathOf(path);
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) joined += '\\';
        joined += parts[i];
    }
    return FromFileText(joined);
}
