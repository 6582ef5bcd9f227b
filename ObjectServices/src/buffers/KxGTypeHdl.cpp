// Type-handle base: default operations and the byte-stream form of kernel values.
#include "KxGTypeHdl.h"

#include <cstring>
#include <string>

#include "KxBlob.h"
#include "KxGStatusCodes.h"
#include "KxIString.h"
#include "KxObjId.h"
#include "KxTypeMgr.h"
#include "kxfound.h"

namespace {

constexpr uint8_t kLast8BitCodeSet = 224;
constexpr uint8_t kWideCodeSet = 253;

enum class Form {
    Nothing,      // no stream form
    String,       // code set, characters, terminator
    ObjectId,     // 32-bit low word (+ 16-bit high word with the flag) per element
    ClassId,      // 16-bit class number per element
    Blob,         // 32-bit length, bytes
    Fixed         // count values in the type manager's stored form
};

Form FormOf(uint8_t code)
{
    switch (code) {
    case 11: case 20: case 21:
        return Form::String;
    case 15:
        return Form::ObjectId;
    case 16:
        return Form::ClassId;
    case 18:
        return Form::Blob;
    case 0: case 1: case 2: case 3: case 4: case 5: case 6: case 7: case 8:
    case 10: case 12: case 13: case 19: case 26: case 27: case 42: case 43:
        return Form::Fixed;
    default:
        return Form::Nothing;   // 9, 14, 17, 22 to 25, 28 to 41, 44 and above
    }
}

// Bytes of one value of a Fixed type.
uint32_t FixedSize(uint8_t code)
{
    switch (code) {
    case 0: case 10: case 27:
        return 1;
    case 1: case 5:
        return 2;
    case 13:
        return 3;
    case 2: case 4: case 6: case 7: case 8: case 12:
        return 4;
    case 19:
        return 7;
    case 3: case 26: case 42: case 43:
        return 8;
    default:
        return 0;
    }
}

// The C++ value of a string type code seen as its KxString base.
const KxString& StringOf(uint8_t code, const void* value)
{
    switch (code) {
    case 20:
        return *static_cast<const KxIString*>(value);
    case 21:
        return *static_cast<const KxCaseIString*>(value);
    default:
        return *static_cast<const KxString*>(value);
    }
}

void AssignString(uint8_t code, void* value, const KxString& text)
{
    switch (code) {
    case 20:
        *static_cast<KxIString*>(value) = text;
        break;
    case 21:
        *static_cast<KxCaseIString*>(value) = text;
        break;
    default:
        *static_cast<KxString*>(value) = text;
        break;
    }
}

bool IsWide(uint8_t codeSet)
{
    return codeSet > kLast8BitCodeSet;
}

// Characters of the text up to its first 0 character: bytes of an 8-bit text, units of a 16-bit one.
uint32_t TextLength(const KxString& text)
{
    if (IsWide(text.CodeSet())) {
        const std::u16string units = text.ToUtf16();
        const size_t zero = units.find(u'\0');
        return static_cast<uint32_t>(zero == std::u16string::npos ? units.size() : zero);
    }
    return static_cast<uint32_t>(std::strlen(text.StrGet()));
}

uint64_t StringSize(const KxString& text)
{
    const uint64_t length = TextLength(text);
    return IsWide(text.CodeSet()) ? 1 + 2 * length + 2 : 1 + length + 1;
}

uint64_t SizeOf(uint8_t code, const void* value, int32_t count, uint16_t flag)
{
    const uint64_t n = count > 0 ? static_cast<uint64_t>(count) : 0;
    switch (FormOf(code)) {
    case Form::String:
        return StringSize(StringOf(code, value));
    case Form::ObjectId:
        return (flag ? 6 : 4) * n;
    case Form::ClassId:
        return 2 * n;
    case Form::Blob:
        return 4 + uint64_t(static_cast<const KxBlob*>(value)->Length());
    case Form::Fixed:
        return FixedSize(code) * n;
    case Form::Nothing:
        break;
    }
    return 0;
}

}  // namespace

KxGTypeHdl::~KxGTypeHdl() = default;

uint16_t KxGTypeHdl::IsHandle()
{
    return 0;
}

uintptr_t KxGTypeHdl::CreateHandle(void*, uint16_t*, const KxGContext&)
{
    return 0;
}

int32_t KxGTypeHdl::StoredSize(const void* value, int32_t count, uint16_t flag)
{
    const uint8_t code = TypeCode();
    const Form form = FormOf(code);
    if (value == nullptr && (form == Form::String || form == Form::Blob)) {
        return 0;
    }
    const uint64_t size = SizeOf(code, value, count, flag);
    return size > INT32_MAX ? INT32_MAX : static_cast<int32_t>(size);
}

int32_t KxGTypeHdl::StoreValue(KxTypeMgr* typeMgr, uint8_t*& position, const void* value, int32_t count,
                               uint16_t flag)
{
    const uint8_t code = TypeCode();
    const Form form = FormOf(code);
    if (form == Form::Nothing) {
        return 0;
    }
    if (typeMgr == nullptr || position == nullptr || value == nullptr) {
        return KXG_E_INVALID_PARAMETER;
    }
    const uint64_t size = SizeOf(code, value, count, flag);
    if (size > INT32_MAX) {
        return KXG_E_INVALID_PARAMETER;
    }
    const uint32_t n = count > 0 ? static_cast<uint32_t>(count) : 0;
    uint8_t* p = position;

    switch (form) {
    case Form::String: {
        const KxString& text = StringOf(code, value);
        const uint8_t codeSet = text.CodeSet();
        const int32_t rc = typeMgr->Store(10, &codeSet, p);
        if (rc != 1) {
            return rc < 0 ? rc : KXG_E_INVALID_PARAMETER;
        }
        p += 1;
        const uint32_t length = TextLength(text);
        if (IsWide(codeSet)) {
            const std::u16string units = text.ToUtf16();
            for (uint32_t i = 0; i < length; ++i) {
                ShortStore(p, static_cast<uint16_t>(units[i]));
                p += 2;
            }
            ShortStore(p, 0);
            p += 2;
        } else {
            std::memcpy(p, text.StrGet(), length);
            p += length;
            *p++ = 0;
        }
        break;
    }
    case Form::ObjectId: {
        const KxObjId* ids = static_cast<const KxObjId*>(value);
        for (uint32_t i = 0; i < n; ++i) {
            const uint32_t low = ids[i].GetLow();
            int32_t rc = typeMgr->Store(6, &low, p);
            if (rc != 4) {
                return rc < 0 ? rc : KXG_E_INVALID_PARAMETER;
            }
            p += 4;
            if (flag) {
                const uint16_t high = ids[i].GetHigh();
                rc = typeMgr->Store(5, &high, p);
                if (rc != 2) {
                    return rc < 0 ? rc : KXG_E_INVALID_PARAMETER;
                }
                p += 2;
            }
        }
        break;
    }
    case Form::ClassId: {
        const KxClassId* ids = static_cast<const KxClassId*>(value);
        for (uint32_t i = 0; i < n; ++i) {
            const int16_t number = static_cast<int16_t>(ids[i].GetClassNumber());
            const int32_t rc = typeMgr->Store(1, &number, p);
            if (rc != 2) {
                return rc < 0 ? rc : KXG_E_INVALID_PARAMETER;
            }
            p += 2;
        }
        break;
    }
    case Form::Blob: {
        const KxBlob* blob = static_cast<const KxBlob*>(value);
        const uint32_t length = blob->Length();
        LongStore(p, length);
        p += 4;
        if (length > 0) {
            std::memcpy(p, blob->Data(), length);
            p += length;
        }
        break;
    }
    case Form::Fixed: {
        const uint32_t valueSize = typeMgr->MemLenGet(code);
        const uint32_t diskSize = FixedSize(code);
        if (valueSize == 0) {
            return KXG_E_INVALID_PARAMETER;
        }
        const uint8_t* element = static_cast<const uint8_t*>(value);
        // Every value must have the stored size that StoredSize promises before anything is written.
        for (uint32_t i = 0; i < n; ++i) {
            if (typeMgr->DiskLenGet(code, element + uint64_t(i) * valueSize) != diskSize) {
                return KXG_E_INVALID_PARAMETER;
            }
        }
        for (uint32_t i = 0; i < n; ++i) {
            const int32_t rc = typeMgr->Store(code, element + uint64_t(i) * valueSize, p);
            if (rc != static_cast<int32_t>(diskSize)) {
                return rc < 0 ? rc : KXG_E_INVALID_PARAMETER;
            }
            p += diskSize;
        }
        break;
    }
    case Form::Nothing:
        break;
    }

    position = p;
    return static_cast<int32_t>(size);
}

int32_t KxGTypeHdl::LoadValue(KxTypeMgr* typeMgr, const uint8_t*& position, void* value, int32_t count,
                              uint16_t flag, uint32_t available)
{
    const uint8_t code = TypeCode();
    const Form form = FormOf(code);
    if (form == Form::Nothing) {
        return 0;
    }
    if (typeMgr == nullptr || position == nullptr || value == nullptr) {
        return KXG_E_INVALID_PARAMETER;
    }
    const uint32_t n = count > 0 ? static_cast<uint32_t>(count) : 0;
    const uint8_t* p = position;
    uint64_t used = 0;

    switch (form) {
    case Form::String: {
        if (available < 1) {
            return KXG_E_BLOB_CONTAINER_TOO_SMALL;
        }
        uint8_t codeSet = 0;
        const int32_t rc = typeMgr->Load(10, &codeSet, p, 1);
        if (rc != 1) {
            return rc < 0 ? rc : KXG_E_INVALID_PARAMETER;
        }
        used = 1;
        KxString text;
        if (IsWide(codeSet)) {
            std::u16string units;
            for (;;) {
                if (available - used < 2) {
                    return KXG_E_BLOB_CONTAINER_TOO_SMALL;
                }
                const uint16_t unit = ShortLoad(p + used);
                used += 2;
                if (unit == 0) {
                    break;
                }
                units.push_back(static_cast<char16_t>(unit));
            }
            text = KxString(units);
        } else {
            const uint8_t* begin = p + used;
            const void* end = std::memchr(begin, 0, available - used);
            if (end == nullptr) {
                return KXG_E_BLOB_CONTAINER_TOO_SMALL;
            }
            const uint32_t length = static_cast<uint32_t>(static_cast<const uint8_t*>(end) - begin);
            text = KxString(reinterpret_cast<const char*>(begin), length);
            used += uint64_t(length) + 1;
        }
        if (text.CodeSet() != codeSet) {
            const int32_t status = text.SetCodeSet(codeSet);
            if (status < 0) {
                return status;
            }
        }
        AssignString(code, value, text);
        break;
    }
    case Form::ObjectId: {
        const uint32_t each = flag ? 6 : 4;
        if (uint64_t(each) * n > available) {
            return KXG_E_BLOB_CONTAINER_TOO_SMALL;
        }
        KxObjId* ids = static_cast<KxObjId*>(value);
        for (uint32_t i = 0; i < n; ++i) {
            uint32_t low = 0;
            uint16_t high = 0;
            int32_t rc = typeMgr->Load(6, &low, p + used, 4);
            if (rc != 4) {
                return rc < 0 ? rc : KXG_E_INVALID_PARAMETER;
            }
            used += 4;
            if (flag) {
                rc = typeMgr->Load(5, &high, p + used, 2);
                if (rc != 2) {
                    return rc < 0 ? rc : KXG_E_INVALID_PARAMETER;
                }
                used += 2;
            }
            ids[i].SetLow(low);
            ids[i].SetHigh(high);
        }
        break;
    }
    case Form::ClassId: {
        if (uint64_t(2) * n > available) {
            return KXG_E_BLOB_CONTAINER_TOO_SMALL;
        }
        KxClassId* ids = static_cast<KxClassId*>(value);
        for (uint32_t i = 0; i < n; ++i) {
            int16_t number = 0;
            const int32_t rc = typeMgr->Load(1, &number, p + used, 2);
            if (rc != 2) {
                return rc < 0 ? rc : KXG_E_INVALID_PARAMETER;
            }
            used += 2;
            ids[i].SetClassNumber(static_cast<uint16_t>(number));
        }
        break;
    }
    case Form::Blob: {
        if (available < 4) {
            return KXG_E_BLOB_CONTAINER_TOO_SMALL;
        }
        const uint32_t length = LongLoad(p);
        if (uint64_t(length) > uint64_t(available) - 4) {
            return KXG_E_BLOB_CONTAINER_TOO_SMALL;
        }
        const int32_t rc = static_cast<KxBlob*>(value)->SetTo(p + 4, length);
        if (rc < 0) {
            return rc;
        }
        used = 4 + uint64_t(length);
        break;
    }
    case Form::Fixed: {
        const uint32_t valueSize = typeMgr->MemLenGet(code);
        const uint32_t diskSize = FixedSize(code);
        if (valueSize == 0) {
            return KXG_E_INVALID_PARAMETER;
        }
        if (uint64_t(diskSize) * n > available) {
            return KXG_E_BLOB_CONTAINER_TOO_SMALL;
        }
        uint8_t* element = static_cast<uint8_t*>(value);
        for (uint32_t i = 0; i < n; ++i) {
            const int32_t rc = typeMgr->Load(code, element + uint64_t(i) * valueSize, p + used, diskSize);
            if (rc != static_cast<int32_t>(diskSize)) {
                return rc < 0 ? rc : KXG_E_INVALID_PARAMETER;
            }
            used += diskSize;
        }
        break;
    }
    case Form::Nothing:
        break;
    }

    if (used > INT32_MAX) {
        return KXG_E_INVALID_PARAMETER;
    }
    position = p + used;
    return static_cast<int32_t>(used);
}

KxGTypeHdlMgr::~KxGTypeHdlMgr() = default;

KxGTypeConvHdlMgr::~KxGTypeConvHdlMgr() = default;
