// In-place construction, destruction and assignment of the C++ values of kernel type codes.
#pragma once

#include <cstdint>

struct KxValueOps {
    uint32_t size;
    uint32_t align;
    void (*construct)(void* p);
    void (*destruct)(void* p);
    void (*copy)(void* target, const void* source);
};

// The operations of a kernel type code's value; null for a code that is not a value type.
const KxValueOps* KxGetValueOps(int32_t typeCode);
// The kernel type code of a type name of the declaration file ("int", "string", "type11" ...);
// -1 when unknown.
int32_t KxTypeCodeByName(const char* name);
// The declaration file's name of a type code ("int"; "type<code>" when it has no short name).
const char* KxTypeNameByCode(int32_t typeCode, char* buffer, uint32_t size);
