#include "svconfig.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "w32ini.h"

namespace {

std::vector<std::string> GroupPath(const String& group) {
    if (group.Len() == 0) return {};
    return w32ini::SplitSectionName(group.GetStr());
}

// The group's keys, each once in the order of their first occurrence, with the first value.
std::vector<w32ini::Entry> Keys(const String& file, const String& group) {
    std::vector<w32ini::Entry> keys;
    std::string text;
    if (!w32ini::ReadFile(file.GetStr(), text)) return keys;
    w32ini::Document doc;
    doc.Parse(text);
    const w32ini::Section* section = doc.Find(GroupPath(group));
    if (section == nullptr) return keys;
    for (const w32ini::Entry& e : section->entries) {
        bool known = false;
        for (const w32ini::Entry& k : keys) known = known || w32ini::EqualsNoCase(k.key, e.key);
        if (!known) keys.push_back(e);
    }
    return keys;
}

bool Refuse(const String& file, const String& group, const String& key, const char* why) {
    std::fprintf(stderr, "Config: key \"%s\" of group \"%s\" in %s not written: %s\n", key.GetStr(), group.GetStr(),
                 file.GetStr(), why);
    return false;
}

}  // namespace

Config::Config() : file_(GetDefaultName()) {}
Config::Config(const String& fileName) : file_(fileName) {}
Config::Config(const Config& other) = default;
Config& Config::operator=(const Config& other) = default;
Config::~Config() = default;

String Config::GetDefaultName() {
    if (const char* named = std::getenv("SV_CONFIG"); named != nullptr && *named != '\0') return String(named);
    std::string home;
    if (const char* h = std::getenv("HOME"); h != nullptr && *h != '\0') {
        home = h;
    } else {
        passwd pw{};
        passwd* found = nullptr;
        char buf[4096];
        if (getpwuid_r(getuid(), &pw, buf, sizeof buf, &found) == 0 && found != nullptr) home = found->pw_dir;
    }
    if (home.empty()) home = ".";
    return String(home + "/.sv.ini");
}

const String& Config::GetPathName() const { return file_; }
void Config::SetGroup(const String& group) { group_ = group; }
const String& Config::GetGroup() const { return group_; }

String Config::ReadKey(const String& key) const { return ReadKey(key, String()); }

String Config::ReadKey(const String& key, const String& defaultValue) const {
    std::string text;
    if (!w32ini::ReadFile(file_.GetStr(), text)) return defaultValue;
    w32ini::Document doc;
    doc.Parse(text);
    const std::string* value = doc.Lookup(GroupPath(group_), key.GetStr());
    return value != nullptr ? String(*value) : defaultValue;
}

bool Config::WriteKey(const String& key, const String& value) {
    const std::vector<std::string> path = GroupPath(group_);
    if (!w32ini::IsWritableSection(path)) return Refuse(file_, group_, key, "the group cannot be written");
    if (!w32ini::IsWritableKey(key.GetStr())) return Refuse(file_, group_, key, "the key cannot be written");
    if (!w32ini::IsWritableValue(value.GetStr()))
        return Refuse(file_, group_, key, "the value has a line break or blanks at an end");
    std::string error;
    const bool ok = w32ini::UpdateFile(
        file_.GetStr(),
        [&](std::string& text) {
            text = w32ini::SetValue(text, path, key.GetStr(), value.GetStr());
            return true;
        },
        error);
    return ok ? true : Refuse(file_, group_, key, error.c_str());
}

bool Config::DeleteKey(const String& key) {
    const std::vector<std::string> path = GroupPath(group_);
    std::string text;
    if (!w32ini::ReadFile(file_.GetStr(), text) || w32ini::RemoveKey(text, path, key.GetStr()) == text)
        return true;  // nothing to remove: the file is not touched
    std::string error;
    const bool ok = w32ini::UpdateFile(
        file_.GetStr(),
        [&](std::string& text) {
            const std::string edited = w32ini::RemoveKey(text, path, key.GetStr());
            if (edited == text) return false;  // nothing to remove: the file stays untouched
            text = edited;
            return true;
        },
        error);
    return ok ? true : Refuse(file_, group_, key, error.c_str());
}

uint16_t Config::GetKeyCount() const {
    const size_t n = Keys(file_, group_).size();
    return static_cast<uint16_t>(n > 0xFFFF ? 0xFFFF : n);
}

String Config::GetKeyName(uint16_t index) const {
    const std::vector<w32ini::Entry> keys = Keys(file_, group_);
    return index < keys.size() ? String(keys[index].key) : String();
}

String Config::ReadKey(uint16_t index) const {
    const std::vector<w32ini::Entry> keys = Keys(file_, group_);
    return index < keys.size() ? String(keys[index].value) : String();
}
