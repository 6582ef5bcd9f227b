// Status codes answered by the kernel's foundation library.
#pragma once

#include <cstdint>

enum : int32_t {
    KX_FOUND_OK              = 0,
    KX_FOUND_E_END_OF_LIST   = -502,   // index past the end of a list; no entry equal to a search key
    KX_FOUND_E_NO_MEMORY     = -2030,  // out of memory; a write past a memory file's fixed capacity
    KX_FOUND_E_NOT_SUPPORTED = -2999,  // operation not supported
    KX_FOUND_E_VERSION       = -5004,  // module built for another kernel version
    KX_FOUND_E_INVALID       = -2821,  // invalid argument (null pointer, ...)
    KX_FOUND_E_NO_ENTRY      = -2822   // entry point not found in a module
};
