// The registry's contents and their .reg text form.
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_LOCAL_MACHINE\SOFTWARE\Brenlow\LiftRunner]
//   "Logging"="C:\\logs"
//   @="the key's default value"
//   "Count"=dword:00000010
//   "Bytes"=hex:01,02,ff
//   "Unterminated"=hex(1):41,00
//
// A text value (REG_SZ) is written in quotes when it is well-formed UTF-16 with exactly one
// terminator at its end and no line break; any other value as hex(<type>): bytes. In quoted names
// and texts "\\" and "\"" stand for a backslash and a quote; names also use "\n" and "\r".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "windows.h"

namespace w32 {

struct RegValue {
    std::string name;            // UTF-8; empty for the default value
    DWORD type = REG_NONE;
    std::vector<uint8_t> data;
};

struct RegKey {
    int root = 0;                      // 0 HKEY_CLASSES_ROOT, 1 HKEY_CURRENT_USER, 2 HKEY_LOCAL_MACHINE
    std::vector<std::string> path;     // names below the root, as first written; empty for the root
    std::vector<RegValue> values;
};

class Hive {
public:
    // Replaces the contents by a .reg text; false (contents unchanged) when it is malformed.
    bool Parse(const std::string& text);
    std::string Serialize() const;

    // Roots always exist.
    bool Exists(int root, const std::vector<std::string>& path) const;
    bool HasSubKeys(int root, const std::vector<std::string>& path) const;
    // The key, made with every missing key on the way when create is true; null when missing.
    RegKey* Key(int root, const std::vector<std::string>& path, bool create, bool* created = nullptr);
    const RegKey* Key(int root, const std::vector<std::string>& path) const;
    void Remove(int root, const std::vector<std::string>& path);

    static RegValue* Value(RegKey& key, const std::string& name);

private:
    int IndexOf(int root, const std::vector<std::string>& path) const;
    std::vector<RegKey> keys_;
};

// Name comparison of the registry: ASCII case ignored.
bool SameRegName(const std::string& a, const std::string& b);

}  // namespace w32
