#include "KxValueOps.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "KxBlob.h"
#include "KxDateTime.h"
#include "KxIString.h"
#include "KxInt64.h"
#include "KxObjId.h"
#include "KxString.h"
#include "KxTypeMgr.h"

namespace {

template <class T>
KxValueOps MakeOps() {
    return KxValueOps{sizeof(T), alignof(T), [](void* p) { new (p) T(); },
                      [](void* p) { static_cast<T*>(p)->~T(); },
                      [](void* t, const void* s) { *static_cast<T*>(t) = *static_cast<const T*>(s); }};
}

struct TypeEntry {
    int32_t code;
    const char* name;
    KxValueOps ops;
};

const TypeEntry* Table() {
    static const TypeEntry table[] = {
        {KX_TYPE_CHAR, "char", MakeOps<char>()},
        {KX_TYPE_SHORT, "short", MakeOps<int16_t>()},
        {KX_TYPE_INT, "int", MakeOps<int32_t>()},
        {KX_TYPE_DOUBLE, "double", MakeOps<double>()},
        {KX_TYPE_FLOAT, "float", MakeOps<float>()},
        {KX_TYPE_USHORT, "ushort", MakeOps<uint16_t>()},
        {KX_TYPE_UINT, "uint", MakeOps<uint32_t>()},
        {KX_TYPE_LONG, "long", MakeOps<int32_t>()},
        {KX_TYPE_ULONG, "ulong", MakeOps<uint32_t>()},
        {KX_TYPE_INT4, "int4", MakeOps<int32_t>()},
        {KX_TYPE_BYTE, "byte", MakeOps<uint8_t>()},
        {KX_TYPE_STRING, "string", MakeOps<KxString>()},
        {KX_TYPE_DATE, "date", MakeOps<KxDate>()},
        {KX_TYPE_TIME, "time", MakeOps<KxTime>()},
        // A string with its original code set and language: members of it live in memory only (the
        // type manager has no stored form for it).
        {14, "nlsstring", MakeOps<KxString>()},
        {KX_TYPE_OBJID, "objid", MakeOps<KxObjId>()},
        {KX_TYPE_CLASSID, "classid", MakeOps<KxClassId>()},
        {KX_TYPE_OBJID2, "objid2", MakeOps<KxObjId>()},
        {KX_TYPE_BLOB, "blob", MakeOps<KxBlob>()},
        {KX_TYPE_DATETIME, "datetime", MakeOps<KxDateTime>()},
        {KX_TYPE_ISTRING, "istring", MakeOps<KxIString>()},
        {KX_TYPE_CASEISTRING, "caseistring", MakeOps<KxCaseIString>()},
        {KX_TYPE_KXINT64, "kxint64", MakeOps<KxInt64>()},
        {KX_TYPE_BOOLEAN, "boolean", MakeOps<KxBoolean>()},
        {KX_TYPE_INT64, "int64", MakeOps<int64_t>()},
        {KX_TYPE_UINT64, "uint64", MakeOps<uint64_t>()},
        {-1, nullptr, KxValueOps{}}};
    return table;
}

}  // namespace

const KxValueOps* KxGetValueOps(int32_t typeCode) {
    // Called for every value member of every object made: one look into a table by code (codes are
    // below 256), made once from the list; the first entry of a code counts.
    struct ByCode {
        const KxValueOps* ops[256] = {};
        ByCode() {
            for (const TypeEntry* e = Table(); e->name != nullptr; ++e)
                if (e->code >= 0 && e->code < 256 && ops[e->code] == nullptr) ops[e->code] = &e->ops;
        }
    };
    static const ByCode byCode;
    return typeCode >= 0 && typeCode < 256 ? byCode.ops[typeCode] : nullptr;
}

int32_t KxTypeCodeByName(const char* name) {
    if (name == nullptr) return -1;
    for (const TypeEntry* e = Table(); e->name != nullptr; ++e)
        if (std::strcmp(e->name, name) == 0) return e->code;
    if (std::strncmp(name, "type", 4) == 0 && name[4] >= '0' && name[4] <= '9') {
        char* end = nullptr;
        const long code = std::strtol(name + 4, &end, 10);
        if (*end == '\0' && code >= 0 && code < 256 && KxGetValueOps(int32_t(code)) != nullptr)
            return int32_t(code);
    }
    return -1;
}

const char* KxTypeNameByCode(int32_t typeCode, char* buffer, uint32_t size) {
    for (const TypeEntry* e = Table(); e->name != nullptr; ++e)
        if (e->code == typeCode) return e->name;
    std::snprintf(buffer, size, "type%d", typeCode);
    return buffer;
}
