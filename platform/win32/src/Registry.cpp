#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>

#include "Errors.h"
#include "Handles.h"
#include "RegFile.h"
#include "Text.h"
#include "w32path.h"

namespace w32 {

namespace {

// ---- Where the registry lives ----

struct MemoryStore {
    std::mutex mutex;
    std::string text;
};

MemoryStore& Memory() {
    static MemoryStore* store = new MemoryStore;
    return *store;
}

// The registry file's Linux path; empty for the process's memory. An error number when the
// variable names a path that cannot be mapped.
DWORD StorePath(std::string& path) {
    path.clear();
    const char* v = std::getenv("W32_REGISTRY");
    if (v == nullptr || v[0] == '\0') return ERROR_SUCCESS;
    return w32path::ToLinux(v, path);
}

DWORD ReadText(const std::string& path, std::string& text) {
    text.clear();
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? ERROR_SUCCESS : FromErrnoForPath(errno, path);
    char buf[65536];
    for (;;) {
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int e = errno;
            close(fd);
            return FromErrno(e);
        }
        if (n == 0) break;
        text.append(buf, static_cast<size_t>(n));
    }
    close(fd);
    return ERROR_SUCCESS;
}

DWORD WriteText(const std::string& path, const std::string& text) {
    const std::string temp = path + ".tmp";
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return FromErrnoForPath(errno, temp);
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int e = errno;
            close(fd);
            unlink(temp.c_str());
            return FromErrno(e);
        }
        done += static_cast<size_t>(n);
    }
    if (close(fd) != 0 || rename(temp.c_str(), path.c_str()) != 0) {
        const int e = errno;
        unlink(temp.c_str());
        return FromErrno(e);
    }
    return ERROR_SUCCESS;
}

// The registry as it is now.
DWORD Load(Hive& hive) {
    std::string path;
    if (const DWORD rc = StorePath(path)) return rc;
    std::string text;
    if (path.empty()) {
        std::lock_guard<std::mutex> lock(Memory().mutex);
        text = Memory().text;
    } else if (const DWORD rc = ReadText(path, text)) {
        return rc;
    }
    return hive.Parse(text) ? ERROR_SUCCESS : ERROR_BADDB;
}

// Runs a change on the registry as it is now and stores the result when the change says so:
// under a lock (a file beside the registry file) that excludes other writers, threads and
// processes alike.
DWORD Change(const std::function<DWORD(Hive&, bool&)>& change) {
    std::string path;
    if (const DWORD rc = StorePath(path)) return rc;
    if (path.empty()) {
        MemoryStore& m = Memory();
        std::lock_guard<std::mutex> lock(m.mutex);
        Hive hive;
        if (!hive.Parse(m.text)) return ERROR_BADDB;
        bool changed = false;
        if (const DWORD rc = change(hive, changed)) return rc;
        if (changed) m.text = hive.Serialize();
        return ERROR_SUCCESS;
    }
    const std::string lockPath = path + ".lock";
    const int lockFd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (lockFd < 0) return FromErrnoForPath(errno, lockPath);
    while (flock(lockFd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            const int e = errno;
            close(lockFd);
            return FromErrno(e);
        }
    }
    DWORD rc = ERROR_SUCCESS;
    std::string text;
    Hive hive;
    bool changed = false;
    if ((rc = ReadText(path, text)) == ERROR_SUCCESS) {
        if (!hive.Parse(text)) rc = ERROR_BADDB;
        else if ((rc = change(hive, changed)) == ERROR_SUCCESS && changed) rc = WriteText(path, hive.Serialize());
    }
    close(lockFd);   // releases the lock
    return rc;
}

// ---- Keys ----

struct KeyObject : Object {
    KeyObject() : Object(Kind::Key) {}
    int root = 0;
    std::vector<std::string> path;
    REGSAM access = 0;
};

struct Target {
    int root = 0;
    std::vector<std::string> path;
    REGSAM access = 0;
};

// The key a handle names (a root or an opened key); 6 for anything else.
DWORD Resolve(HKEY h, Target& t) {
    const auto value = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(h));
    if ((reinterpret_cast<uintptr_t>(h) >> 32) == 0xFFFFFFFFu && value >= 0x80000000u && value <= 0x80000002u) {
        t.root = static_cast<int>(value - 0x80000000u);
        t.path.clear();
        t.access = KEY_ALL_ACCESS;
        return ERROR_SUCCESS;
    }
    auto key = Find<KeyObject>(h, {Kind::Key});
    if (key == nullptr) return ERROR_INVALID_HANDLE;
    t.root = key->root;
    t.path = key->path;
    t.access = key->access;
    return ERROR_SUCCESS;
}

bool IsRoot(HKEY h) { return (reinterpret_cast<uintptr_t>(h) >> 32) == 0xFFFFFFFFu; }

// Appends the names of a sub-key text ("a\b", one trailing "\" allowed); 87 for an empty or
// over-long name.
DWORD AppendSubKey(const std::string& sub, std::vector<std::string>& path) {
    std::string s = sub;
    if (!s.empty() && s.back() == '\\') s.pop_back();
    if (s.empty()) return sub.empty() ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER;
    size_t pos = 0;
    for (;;) {
        const size_t cut = s.find('\\', pos);
        const std::string name = s.substr(pos, cut == std::string::npos ? std::string::npos : cut - pos);
        if (name.empty() || name.size() > 255) return ERROR_INVALID_PARAMETER;
        path.push_back(name);
        if (cut == std::string::npos) return ERROR_SUCCESS;
        pos = cut + 1;
    }
}

HKEY NewKeyHandle(const Target& t) {
    auto key = std::make_shared<KeyObject>();
    key->root = t.root;
    key->path = t.path;
    key->access = t.access;
    return static_cast<HKEY>(AddHandle(key));
}

bool IsText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

std::vector<uint8_t> WideBytes(const std::u16string& text) {
    return std::vector<uint8_t>(reinterpret_cast<const uint8_t*>(text.data()),
                                reinterpret_cast<const uint8_t*>(text.data() + text.size()));
}

// The stored form of a value written by an A call: texts become UTF-16.
std::vector<uint8_t> StoredFromNarrow(DWORD type, const BYTE* data, DWORD size) {
    if (data == nullptr) return {};
    if (!IsText(type)) return std::vector<uint8_t>(data, data + size);
    return WideBytes(ToUtf16(std::string(reinterpret_cast<const char*>(data), size)));
}

// What an A read gives: texts as UTF-8.
std::vector<uint8_t> NarrowFromStored(const RegValue& v) {
    if (!IsText(v.type)) return v.data;
    std::u16string wide(v.data.size() / 2, 0);
    if (!wide.empty()) std::memcpy(wide.data(), v.data.data(), wide.size() * 2);
    const std::string narrow = ToUtf8(wide);
    return std::vector<uint8_t>(narrow.begin(), narrow.end());
}

LSTATUS Open(HKEY hKey, const std::string& sub, REGSAM sam, PHKEY result) {
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    Target t;
    if (const DWORD rc = Resolve(hKey, t)) return static_cast<LSTATUS>(rc);
    if (const DWORD rc = AppendSubKey(sub, t.path)) return static_cast<LSTATUS>(rc);
    Hive hive;
    if (const DWORD rc = Load(hive)) return static_cast<LSTATUS>(rc);
    if (!hive.Exists(t.root, t.path)) return ERROR_FILE_NOT_FOUND;
    t.access = sam;
    *result = NewKeyHandle(t);
    return ERROR_SUCCESS;
}

LSTATUS Create(HKEY hKey, const std::string& sub, REGSAM sam, PHKEY result, LPDWORD disposition) {
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    Target t;
    if (const DWORD rc = Resolve(hKey, t)) return static_cast<LSTATUS>(rc);
    const std::vector<std::string> base = t.path;
    const REGSAM baseAccess = t.access;
    if (const DWORD rc = AppendSubKey(sub, t.path)) return static_cast<LSTATUS>(rc);
    bool created = false;
    const DWORD rc = Change([&](Hive& hive, bool& changed) -> DWORD {
        if (!hive.Exists(t.root, base)) return ERROR_KEY_DELETED;
        if (hive.Exists(t.root, t.path)) return ERROR_SUCCESS;
        if ((baseAccess & KEY_CREATE_SUB_KEY) == 0) return ERROR_ACCESS_DENIED;
        hive.Key(t.root, t.path, true, &created);
        changed = true;
        return ERROR_SUCCESS;
    });
    if (rc != ERROR_SUCCESS) return static_cast<LSTATUS>(rc);
    if (disposition != nullptr) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    t.access = sam;
    *result = NewKeyHandle(t);
    return ERROR_SUCCESS;
}

LSTATUS Query(HKEY hKey, const std::string& name, bool narrow, LPDWORD type, LPBYTE data, LPDWORD size) {
    if (data != nullptr && size == nullptr) return ERROR_INVALID_PARAMETER;
    Target t;
    if (const DWORD rc = Resolve(hKey, t)) return static_cast<LSTATUS>(rc);
    Hive hive;
    if (const DWORD rc = Load(hive)) return static_cast<LSTATUS>(rc);
    RegKey* key = hive.Key(t.root, t.path, false);
    if (key == nullptr) return ERROR_KEY_DELETED;
    const RegValue* v = Hive::Value(*key, name);
    if (v == nullptr) return ERROR_FILE_NOT_FOUND;
    const std::vector<uint8_t> bytes = narrow ? NarrowFromStored(*v) : v->data;
    if (type != nullptr) *type = v->type;
    if (size == nullptr) return ERROR_SUCCESS;
    const DWORD room = *size;
    *size = static_cast<DWORD>(bytes.size());
    if (data == nullptr) return ERROR_SUCCESS;
    if (bytes.size() > room) return ERROR_MORE_DATA;
    if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
    return ERROR_SUCCESS;
}

LSTATUS Set(HKEY hKey, const std::string& name, DWORD type, std::vector<uint8_t> bytes) {
    Target t;
    if (const DWORD rc = Resolve(hKey, t)) return static_cast<LSTATUS>(rc);
    if ((t.access & KEY_SET_VALUE) == 0) return ERROR_ACCESS_DENIED;
    return static_cast<LSTATUS>(Change([&](Hive& hive, bool& changed) -> DWORD {
        RegKey* key = hive.Key(t.root, t.path, t.path.empty());
        if (key == nullptr) return ERROR_KEY_DELETED;
        RegValue value{name, type, std::move(bytes)};
        if (RegValue* old = Hive::Value(*key, name)) *old = std::move(value);
        else key->values.push_back(std::move(value));
        changed = true;
        return ERROR_SUCCESS;
    }));
}

LSTATUS DeleteValue(HKEY hKey, const std::string& name) {
    Target t;
    if (const DWORD rc = Resolve(hKey, t)) return static_cast<LSTATUS>(rc);
    if ((t.access & KEY_SET_VALUE) == 0) return ERROR_ACCESS_DENIED;
    return static_cast<LSTATUS>(Change([&](Hive& hive, bool& changed) -> DWORD {
        RegKey* key = hive.Key(t.root, t.path, false);
        if (key == nullptr) return t.path.empty() ? ERROR_FILE_NOT_FOUND : ERROR_KEY_DELETED;
        for (auto it = key->values.begin(); it != key->values.end(); ++it) {
            if (SameRegName(it->name, name)) {
                key->values.erase(it);
                changed = true;
                return ERROR_SUCCESS;
            }
        }
        return ERROR_FILE_NOT_FOUND;
    }));
}

LSTATUS DeleteKey(HKEY hKey, const std::string& sub) {
    Target t;
    if (const DWORD rc = Resolve(hKey, t)) return static_cast<LSTATUS>(rc);
    if (const DWORD rc = AppendSubKey(sub, t.path)) return static_cast<LSTATUS>(rc);
    if (t.path.empty()) return ERROR_ACCESS_DENIED;
    return static_cast<LSTATUS>(Change([&](Hive& hive, bool& changed) -> DWORD {
        if (!hive.Exists(t.root, t.path)) return ERROR_FILE_NOT_FOUND;
        if (hive.HasSubKeys(t.root, t.path)) return ERROR_ACCESS_DENIED;
        hive.Remove(t.root, t.path);
        changed = true;
        return ERROR_SUCCESS;
    }));
}

std::string Narrow(LPCWSTR text) { return ToUtf8(text); }
std::string Narrow(LPCSTR text) { return text == nullptr ? std::string() : std::string(text); }

}  // namespace
}  // namespace w32

using namespace w32;

extern "C" {

LSTATUS WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult) {
    return Open(hKey, Narrow(lpSubKey), samDesired, phkResult);
}

LSTATUS WINAPI RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult) {
    return Open(hKey, Narrow(lpSubKey), samDesired, phkResult);
}

LSTATUS WINAPI RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, LPSTR, DWORD, REGSAM samDesired,
                               const _SECURITY_ATTRIBUTES*, PHKEY phkResult, LPDWORD lpdwDisposition) {
    if (lpSubKey == nullptr) return ERROR_INVALID_PARAMETER;
    return Create(hKey, lpSubKey, samDesired, phkResult, lpdwDisposition);
}

LSTATUS WINAPI RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, LPWSTR, DWORD, REGSAM samDesired,
                               const _SECURITY_ATTRIBUTES*, PHKEY phkResult, LPDWORD lpdwDisposition) {
    if (lpSubKey == nullptr) return ERROR_INVALID_PARAMETER;
    return Create(hKey, Narrow(lpSubKey), samDesired, phkResult, lpdwDisposition);
}

LSTATUS WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD, LPDWORD lpType, LPBYTE lpData,
                                LPDWORD lpcbData) {
    return Query(hKey, Narrow(lpValueName), true, lpType, lpData, lpcbData);
}

LSTATUS WINAPI RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD, LPDWORD lpType, LPBYTE lpData,
                                LPDWORD lpcbData) {
    return Query(hKey, Narrow(lpValueName), false, lpType, lpData, lpcbData);
}

LSTATUS WINAPI RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData,
                              DWORD cbData) {
    if (lpData == nullptr && cbData != 0) return ERROR_INVALID_PARAMETER;
    return Set(hKey, Narrow(lpValueName), dwType, StoredFromNarrow(dwType, lpData, cbData));
}

LSTATUS WINAPI RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData,
                              DWORD cbData) {
    if (lpData == nullptr && cbData != 0) return ERROR_INVALID_PARAMETER;
    std::vector<uint8_t> bytes;
    if (lpData != nullptr) bytes.assign(lpData, lpData + cbData);
    return Set(hKey, Narrow(lpValueName), dwType, std::move(bytes));
}

LSTATUS WINAPI RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) { return DeleteValue(hKey, Narrow(lpValueName)); }

LSTATUS WINAPI RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName) { return DeleteValue(hKey, Narrow(lpValueName)); }

LSTATUS WINAPI RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
    if (lpSubKey == nullptr) return ERROR_INVALID_PARAMETER;
    return DeleteKey(hKey, lpSubKey);
}

LSTATUS WINAPI RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey) {
    if (lpSubKey == nullptr) return ERROR_INVALID_PARAMETER;
    return DeleteKey(hKey, Narrow(lpSubKey));
}

LSTATUS WINAPI RegCloseKey(HKEY hKey) {
    if (IsRoot(hKey)) return ERROR_SUCCESS;
    return RemoveHandle(hKey, {Kind::Key}) == nullptr ? ERROR_INVALID_HANDLE : ERROR_SUCCESS;
}

}  // extern "C"
