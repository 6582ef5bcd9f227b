#include "Handles.h"

#include <mutex>
#include <unordered_map>

namespace w32 {

namespace {

struct Table {
    std::mutex mutex;
    std::unordered_map<uintptr_t, std::shared_ptr<Object>> objects;
    uintptr_t next = 0x1000;
};

// Never destroyed: handles may be closed by other libraries' static destructors.
Table& TheTable() {
    static Table* table = new Table;
    return *table;
}

bool KindIn(Kind k, std::initializer_list<Kind> kinds) {
    for (Kind x : kinds)
        if (x == k) return true;
    return false;
}

}  // namespace

void* AddHandle(std::shared_ptr<Object> object) {
    Table& t = TheTable();
    std::lock_guard<std::mutex> lock(t.mutex);
    const uintptr_t value = t.next;
    t.next += 4;
    t.objects.emplace(value, std::move(object));
    return reinterpret_cast<void*>(value);
}

std::shared_ptr<Object> PeekHandle(const void* handle, std::initializer_list<Kind> kinds) {
    Table& t = TheTable();
    std::lock_guard<std::mutex> lock(t.mutex);
    auto it = t.objects.find(reinterpret_cast<uintptr_t>(handle));
    if (it != t.objects.end() && KindIn(it->second->kind, kinds)) return it->second;
    return nullptr;
}

std::shared_ptr<Object> FindHandle(const void* handle, std::initializer_list<Kind> kinds) {
    auto object = PeekHandle(handle, kinds);
    if (object == nullptr) SetLastError(ERROR_INVALID_HANDLE);
    return object;
}

std::shared_ptr<Object> RemoveHandle(const void* handle, std::initializer_list<Kind> kinds) {
    Table& t = TheTable();
    std::shared_ptr<Object> object;
    {
        std::lock_guard<std::mutex> lock(t.mutex);
        auto it = t.objects.find(reinterpret_cast<uintptr_t>(handle));
        if (it != t.objects.end() && KindIn(it->second->kind, kinds)) {
            object = std::move(it->second);
            t.objects.erase(it);
        }
    }
    // The object goes (if this was its last holder) outside the table's lock.
    if (object == nullptr) SetLastError(ERROR_INVALID_HANDLE);
    return object;
}

}  // namespace w32

extern "C" BOOL WINAPI CloseHandle(HANDLE hObject) {
    using w32::Kind;
    if (w32::PeekHandle(hObject, {Kind::Console}) != nullptr) return TRUE;   // the standard handles stay
    if (w32::RemoveHandle(hObject, {Kind::File, Kind::Process, Kind::Thread}) == nullptr) return FALSE;
    return TRUE;
}
