#include "RegFile.h"

#include <cstdio>
#include <cstring>

#include "Text.h"
#include "w32ini.h"

namespace w32 {

namespace {

const char* const kHeader = "Windows Registry Editor Version 5.00";
const char* const kRootNames[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"};

bool SamePath(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (!SameRegName(a[i], b[i])) return false;
    return true;
}

bool StartsWith(const std::vector<std::string>& path, const std::vector<std::string>& prefix) {
    if (path.size() <= prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (!SameRegName(path[i], prefix[i])) return false;
    return true;
}

// Reads a quoted text starting at text[pos] == '"'; pos ends behind the closing quote.
bool ReadQuoted(const std::string& text, size_t& pos, bool nameEscapes, std::string& out) {
    if (pos >= text.size() || text[pos] != '"') return false;
    ++pos;
    out.clear();
    while (pos < text.size()) {
        const char c = text[pos++];
        if (c == '"') return true;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (pos >= text.size()) return false;
        const char e = text[pos++];
        if (e == '\\' || e == '"') out += e;
        else if (nameEscapes && e == 'n') out += '\n';
        else if (nameEscapes && e == 'r') out += '\r';
        else return false;
    }
    return false;
}

std::string Quote(const std::string& text, bool nameEscapes) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') {
            out += '\\';
            out += c;
        } else if (nameEscapes && c == '\n') {
            out += "\\n";
        } else if (nameEscapes && c == '\r') {
            out += "\\r";
        } else {
            out += c;
        }
    }
    return out + "\"";
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool ParseHexNumber(const std::string& text, uint32_t& out) {
    if (text.empty() || text.size() > 8) return false;
    out = 0;
    for (char c : text) {
        const int d = HexDigit(c);
        if (d < 0) return false;
        out = out * 16 + static_cast<uint32_t>(d);
    }
    return true;
}

bool ParseHexBytes(const std::string& text, std::vector<uint8_t>& out) {
    out.clear();
    const std::string t = w32ini::Trim(text);
    if (t.empty()) return true;
    size_t pos = 0;
    for (;;) {
        const size_t comma = t.find(',', pos);
        const std::string item = w32ini::Trim(t.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos));
        if (item.size() != 2 || HexDigit(item[0]) < 0 || HexDigit(item[1]) < 0) return false;
        out.push_back(static_cast<uint8_t>(HexDigit(item[0]) * 16 + HexDigit(item[1])));
        if (comma == std::string::npos) return true;
        pos = comma + 1;
    }
}

// A value text after "=": "text", dword:x, hex:.., hex(n):..
bool ParseData(const std::string& text, RegValue& value) {
    const std::string t = w32ini::Trim(text);
    if (!t.empty() && t[0] == '"') {
        size_t pos = 0;
        std::string s;
        if (!ReadQuoted(t, pos, false, s) || pos != t.size()) return false;
        std::u16string wide = ToUtf16(s);
        wide.push_back(0);
        value.type = REG_SZ;
        value.data.assign(reinterpret_cast<const uint8_t*>(wide.data()),
                          reinterpret_cast<const uint8_t*>(wide.data() + wide.size()));
        return true;
    }
    if (t.compare(0, 6, "dword:") == 0) {
        uint32_t n = 0;
        if (!ParseHexNumber(t.substr(6), n)) return false;
        value.type = REG_DWORD;
        value.data = {uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)};
        return true;
    }
    if (t.compare(0, 4, "hex:") == 0) {
        value.type = REG_BINARY;
        return ParseHexBytes(t.substr(4), value.data);
    }
    if (t.compare(0, 4, "hex(") == 0) {
        const size_t close = t.find("):", 4);
        uint32_t type = 0;
        if (close == std::string::npos || !ParseHexNumber(t.substr(4, close - 4), type)) return false;
        value.type = type;
        return ParseHexBytes(t.substr(close + 2), value.data);
    }
    return false;
}

bool QuotableText(const RegValue& v, std::string& utf8) {
    if (v.type != REG_SZ || v.data.size() < 2 || v.data.size() % 2 != 0) return false;
    std::u16string wide(v.data.size() / 2, 0);
    std::memcpy(wide.data(), v.data.data(), v.data.size());
    if (wide.back() != 0) return false;
    wide.pop_back();
    if (wide.find(char16_t(0)) != std::u16string::npos) return false;
    if (wide.find_first_of(u"\r\n") != std::u16string::npos) return false;
    if (!IsValidUtf16(wide)) return false;
    utf8 = ToUtf8(wide);
    return true;
}

std::string HexBytes(const std::vector<uint8_t>& data, size_t prefixLength) {
    std::string out;
    size_t column = prefixLength;
    for (size_t i = 0; i < data.size(); ++i) {
        char b[4];
        std::snprintf(b, sizeof b, "%02x", data[i]);
        out += b;
        column += 2;
        if (i + 1 < data.size()) {
            out += ',';
            ++column;
            if (column > 76) {
                out += "\\\r\n  ";
                column = 2;
            }
        }
    }
    return out;
}

// Splits "[ROOT\a\b]" contents; false when malformed.
bool ParseKeyName(const std::string& name, int& root, std::vector<std::string>& path) {
    path.clear();
    std::vector<std::string> parts;
    size_t pos = 0;
    for (;;) {
        const size_t cut = name.find('\\', pos);
        parts.push_back(name.substr(pos, cut == std::string::npos ? std::string::npos : cut - pos));
        if (cut == std::string::npos) break;
        pos = cut + 1;
    }
    root = -1;
    for (int r = 0; r < 3; ++r)
        if (SameRegName(parts[0], kRootNames[r])) root = r;
    if (root < 0) return false;
    for (size_t i = 1; i < parts.size(); ++i) {
        if (parts[i].empty()) return false;
        path.push_back(parts[i]);
    }
    return true;
}

}  // namespace

bool SameRegName(const std::string& a, const std::string& b) { return w32ini::EqualsNoCase(a, b); }

int Hive::IndexOf(int root, const std::vector<std::string>& path) const {
    for (size_t i = 0; i < keys_.size(); ++i)
        if (keys_[i].root == root && SamePath(keys_[i].path, path)) return static_cast<int>(i);
    return -1;
}

bool Hive::Exists(int root, const std::vector<std::string>& path) const {
    return path.empty() || IndexOf(root, path) >= 0;
}

bool Hive::HasSubKeys(int root, const std::vector<std::string>& path) const {
    for (const RegKey& k : keys_)
        if (k.root == root && StartsWith(k.path, path)) return true;
    return false;
}

RegKey* Hive::Key(int root, const std::vector<std::string>& path, bool create, bool* created) {
    if (created != nullptr) *created = false;
    int at = IndexOf(root, path);
    if (at >= 0) return &keys_[static_cast<size_t>(at)];
    if (!create && !path.empty()) return nullptr;
    // Every key on the way is written out, so that it stays when its last sub-key goes.
    for (size_t n = 1; n < path.size(); ++n) {
        const std::vector<std::string> prefix(path.begin(), path.begin() + static_cast<long>(n));
        if (IndexOf(root, prefix) < 0) keys_.push_back(RegKey{root, prefix, {}});
    }
    keys_.push_back(RegKey{root, path, {}});
    if (created != nullptr) *created = !path.empty();
    return &keys_.back();
}

const RegKey* Hive::Key(int root, const std::vector<std::string>& path) const {
    const int at = IndexOf(root, path);
    return at < 0 ? nullptr : &keys_[static_cast<size_t>(at)];
}

void Hive::Remove(int root, const std::vector<std::string>& path) {
    const int at = IndexOf(root, path);
    if (at >= 0) keys_.erase(keys_.begin() + at);
}

RegValue* Hive::Value(RegKey& key, const std::string& name) {
    for (RegValue& v : key.values)
        if (SameRegName(v.name, name)) return &v;
    return nullptr;
}

bool Hive::Parse(const std::string& input) {
    Hive parsed;
    std::string text = input;
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
    // Lines, with hex continuations ("\" at the end) joined.
    std::vector<std::string> lines;
    {
        size_t pos = 0;
        std::string pending;
        while (pos <= text.size()) {
            size_t eol = text.find('\n', pos);
            if (eol == std::string::npos) eol = text.size();
            std::string line = text.substr(pos, eol - pos);
            pos = eol + 1;
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!pending.empty()) line = pending + w32ini::Trim(line);
            pending.clear();
            const std::string trimmed = w32ini::Trim(line);
            if (!trimmed.empty() && trimmed.back() == '\\' && trimmed.find("=hex") != std::string::npos) {
                pending = trimmed.substr(0, trimmed.size() - 1);
                continue;
            }
            lines.push_back(line);
        }
        if (!pending.empty()) return false;
    }
    bool headerSeen = false;
    RegKey* current = nullptr;
    for (const std::string& raw : lines) {
        const std::string line = w32ini::Trim(raw);
        if (line.empty() || line[0] == ';') continue;
        if (!headerSeen) {
            if (line != kHeader) return false;
            headerSeen = true;
            continue;
        }
        if (line[0] == '[') {
            if (line.back() != ']') return false;
            int root = 0;
            std::vector<std::string> path;
            if (!ParseKeyName(line.substr(1, line.size() - 2), root, path)) return false;
            current = parsed.Key(root, path, true);   // valid until the next header
            continue;
        }
        if (current == nullptr) return false;
        RegValue value;
        size_t pos = 0;
        if (line[0] == '@') {
            pos = 1;
        } else if (!ReadQuoted(line, pos, true, value.name)) {
            return false;
        }
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
        if (pos >= line.size() || line[pos] != '=') return false;
        if (!ParseData(line.substr(pos + 1), value)) return false;
        if (RegValue* old = Value(*current, value.name)) *old = std::move(value);
        else current->values.push_back(std::move(value));
    }
    keys_ = std::move(parsed.keys_);
    return true;
}

std::string Hive::Serialize() const {
    std::string out = std::string(kHeader) + "\r\n";
    for (const RegKey& k : keys_) {
        if (k.path.empty() && k.values.empty()) continue;
        out += "\r\n[";
        out += kRootNames[k.root];
        for (const std::string& name : k.path) out += "\\" + name;
        out += "]\r\n";
        for (const RegValue& v : k.values) {
            std::string line = v.name.empty() ? "@" : Quote(v.name, true);
            line += "=";
            std::string text;
            if (QuotableText(v, text)) {
                line += Quote(text, false);
            } else if (v.type == REG_DWORD && v.data.size() == 4) {
                char b[16];
                const uint32_t n = uint32_t(v.data[0]) | uint32_t(v.data[1]) << 8 | uint32_t(v.data[2]) << 16 |
                                   uint32_t(v.data[3]) << 24;
                std::snprintf(b, sizeof b, "dword:%08x", n);
                line += b;
            } else {
                char b[24];
                if (v.type == REG_BINARY) std::snprintf(b, sizeof b, "hex:");
                else std::snprintf(b, sizeof b, "hex(%x):", v.type);
                line += b;
                line += HexBytes(v.data, line.size());
            }
            out += line + "\r\n";
        }
    }
    return out;
}

}  // namespace w32
