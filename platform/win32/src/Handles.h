// The process's table of handles. Every object a call hands out (file, search, process, thread,
// module, registry key) lives in it under a handle value that is never given out again, so a
// closed or foreign handle finds nothing and answers ERROR_INVALID_HANDLE (6).
#pragma once

#include <memory>

#include "windows.h"

namespace w32 {

enum class Kind { File, Console, Find, Process, Thread, Module, Key };

struct Object {
    explicit Object(Kind k) : kind(k) {}
    virtual ~Object() = default;
    const Kind kind;
};

// A new handle value for the object.
void* AddHandle(std::shared_ptr<Object> object);
// The object of a handle of one of the kinds, or null (the last error is then 6).
std::shared_ptr<Object> FindHandle(const void* handle, std::initializer_list<Kind> kinds);
// The object of a handle of one of the kinds, or null; the last error is left alone.
std::shared_ptr<Object> PeekHandle(const void* handle, std::initializer_list<Kind> kinds);
// Takes the handle out of the table; the object of one of the kinds, or null (last error 6).
std::shared_ptr<Object> RemoveHandle(const void* handle, std::initializer_list<Kind> kinds);

template <typename T>
std::shared_ptr<T> Find(const void* handle, std::initializer_list<Kind> kinds) {
    return std::static_pointer_cast<T>(FindHandle(handle, kinds));
}

}  // namespace w32
