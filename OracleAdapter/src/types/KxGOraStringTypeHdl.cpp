// The Oracle handlers of characters, bytes and strings.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>

#include "KxGOraTypeHdl.h"
#include "KxGUnaligned.h"
#include "KxIString.h"
#include "kxlocale.h"
#include "oci.h"

namespace {

constexpr int32_t kMaxValueLength = 65535;

int32_t Capacity(int32_t size)
{
    return size > 0 ? size : 0;
}

using kxg_unaligned::Load;
using kxg_unaligned::Save;

// The bytes of an 8-bit text whose characters are all ASCII: they are the same in UTF-8, in every
// 8-bit code set and in the server's multibyte counting (one byte each), so they go out as they are
// without a converted copy. False for a 16-bit text or one with another byte.
bool AsciiBytes(const KxString& value, const char*& bytes, size_t& length)
{
    if (value.Is16Bit()) {
        return false;
    }
    bytes = value.StrGet();
    length = bytes != nullptr ? value.Len() : 0;
    // Eight bytes a step: a byte above 0x7F has its high bit set.
    uint64_t high = 0;
    size_t i = 0;
    for (; i + sizeof(uint64_t) <= length; i += sizeof(uint64_t)) {
        uint64_t word = 0;
        std::memcpy(&word, bytes + i, sizeof word);
        high |= word;
    }
    for (; i < length; ++i) {
        high |= static_cast<uint8_t>(bytes[i]);
    }
    return (high & 0x8080808080808080ull) == 0;
}

// The bytes of a text in the default 8-bit code set. A 16-bit text is converted; characters that the
// code set lacks come out as '?'.
std::string EightBit(const KxString& value)
{
    if (!value.Is16Bit()) {
        return std::string(value.StrGet(), value.Len());
    }
    KxString copy(value);
    if (copy.SetCodeSet(KxLanguageContext::GetDefault8CodeSet()) >= 0 && !copy.Is16Bit()) {
        return std::string(copy.StrGet(), copy.Len());
    }
    return std::string(value.StrGet());
}

// The length of the UTF-8 form of one character of the default 8-bit code set; 2 for a byte without
// a character (a length below 1 counts 2).
int32_t MultibyteLength(uint8_t byte)
{
    static const std::array<uint8_t, 256> lengths = [] {
        std::array<uint8_t, 256> table{};
        for (int32_t b = 0; b < 256; ++b) {
            const char c = static_cast<char>(b);
            const size_t length = b == 0 ? 1 : KxString(&c, 1).ToUtf8().size();
            table[size_t(b)] = static_cast<uint8_t>(length >= 1 && length <= 4 ? length : 2);
        }
        return table;
    }();
    return lengths[byte];
}

}  // namespace

// ---- KxGOraByteTypeHdl, KxGOraCharTypeHdl -------------------------------------------------------

KxGOraByteTypeHdl::KxGOraByteTypeHdl(const KxGContext& context, uint8_t typeCode) : KxGOraTypeHdl(context, typeCode)
{
}

int32_t KxGOraByteTypeHdl::ColumnSize(int32_t size)
{
    return size;
}

int32_t KxGOraByteTypeHdl::BufferSize(int32_t size)
{
    return Capacity(size) + 2;
}

void* KxGOraByteTypeHdl::SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t size, KxGContext*)
{
    if (sqlValue == nullptr || variable == nullptr) {
        return nullptr;
    }
    const int32_t capacity = Capacity(size);
    std::memset(variable, 0, size_t(capacity));
    if (IsNull(indicator)) {
        return variable;
    }
    const uint8_t* slot = static_cast<const uint8_t*>(sqlValue);
    const int32_t length = std::min<int32_t>(Load<uint16_t>(slot), capacity);
    std::memcpy(variable, slot + 2, size_t(length));
    return variable;
}

void* KxGOraByteTypeHdl::VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t size, KxGContext*)
{
    if (sqlValue == nullptr || variable == nullptr) {
        return nullptr;
    }
    const uint16_t length = static_cast<uint16_t>(std::min(Capacity(size), kMaxValueLength));
    uint8_t* slot = static_cast<uint8_t*>(sqlValue);
    Save(slot, length);
    const uint8_t* bytes = static_cast<const uint8_t*>(variable);
    const bool mask = MaskTo7Bits();
    for (uint16_t i = 0; i < length; ++i) {
        slot[2 + i] = mask ? static_cast<uint8_t>(bytes[i] & 0x7F) : bytes[i];
    }
    SetNotNull(indicator);
    return sqlValue;
}

void KxGOraByteTypeHdl::ValueToText(const void* sqlValue, KxString& text, int32_t size, KxGContext*)
{
    if (sqlValue == nullptr) {
        return;
    }
    const uint8_t* slot = static_cast<const uint8_t*>(sqlValue);
    text << "'";
    // A slot without room for a byte has none to show, whatever its length says.
    if (Load<uint16_t>(slot) > 0 && BufferSize(size) > 2) {
        const char c = static_cast<char>(slot[2]);
        text << KxString(&c, 1);
        if (c == '\'') {
            text << "'";
        }
    }
    text << "'";
}

uint16_t KxGOraByteTypeHdl::NativeType()
{
    return SQLT_VBI;
}

bool KxGOraByteTypeHdl::MaskTo7Bits()
{
    return false;
}

KxGOraCharTypeHdl::KxGOraCharTypeHdl(const KxGContext& context) : KxGOraByteTypeHdl(context, 0)
{
}

uint16_t KxGOraCharTypeHdl::NativeType()
{
    return SQLT_VCS;
}

bool KxGOraCharTypeHdl::MaskTo7Bits()
{
    return ClientUnicode() != 0;
}

// ---- KxGOraStringTypeHdl ------------------------------------------------------------------------

KxGOraStringTypeHdl::KxGOraStringTypeHdl(const KxGContext& context, uint8_t typeCode)
    : KxGOraTypeHdl(context, typeCode)
{
}

int32_t KxGOraStringTypeHdl::ColumnSize(int32_t size)
{
    return size;
}

int32_t KxGOraStringTypeHdl::BufferSize(int32_t size)
{
    return Capacity(size) + 1;
}

int32_t KxGOraStringTypeHdl::ValueLength(const void* value)
{
    if (value == nullptr) {
        return 0;
    }
    const KxString& text = *static_cast<const KxString*>(value);
    if (ClientUnicode() == 0 && OnlyServerUnicode() == 0) {
        return static_cast<int32_t>(text.Len());
    }
    const char* bytes = nullptr;
    size_t ascii = 0;
    if (AsciiBytes(text, bytes, ascii)) {
        return static_cast<int32_t>(std::min<size_t>(ascii, kMaxValueLength));
    }
    return static_cast<int32_t>(std::min<size_t>(text.ToUtf8().size(), kMaxValueLength));
}

int32_t KxGOraStringTypeHdl::Encode(const KxString& value, char* out, int32_t capacity, bool& fits)
{
    capacity = Capacity(capacity);
    const char* ascii = nullptr;
    size_t asciiLength = 0;
    if (AsciiBytes(value, ascii, asciiLength)) {
        const size_t length = std::min(asciiLength, size_t(capacity));
        fits = length == asciiLength;
        if (length > 0) {
            std::memcpy(out, ascii, length);
        }
        return static_cast<int32_t>(length);
    }
    if (ClientUnicode() != 0) {
        const std::string utf8 = value.ToUtf8();
        size_t length = utf8.size();
        fits = length <= size_t(capacity);
        if (!fits) {
            // Cut at a character boundary: never leave half a character.
            length = size_t(capacity);
            while (length > 0 && (static_cast<uint8_t>(utf8[length]) & 0xC0) == 0x80) {
                --length;
            }
        }
        std::memcpy(out, utf8.data(), length);
        return static_cast<int32_t>(length);
    }
    const std::string bytes = EightBit(value);
    size_t length = 0;
    if (OnlyServerUnicode() != 0) {
        int32_t used = 0;
        while (length < bytes.size()) {
            const int32_t next = MultibyteLength(static_cast<uint8_t>(bytes[length]));
            if (used + next > capacity) {
                break;
            }
            used += next;
            ++length;
        }
    } else {
        length = std::min(bytes.size(), size_t(capacity));
    }
    fits = length == bytes.size();
    std::memcpy(out, bytes.data(), length);
    return static_cast<int32_t>(length);
}

KxString KxGOraStringTypeHdl::Decode(const char* bytes, int32_t length)
{
    if (length < 0) {
        length = 0;
    }
    if (ClientUnicode() != 0) {
        KxString text = KxString::FromUtf8(bytes, size_t(length));
        if (text.IsActive()) {
            return text;
        }
        // Bytes that are not UTF-8 are kept as 8-bit text rather than lost.
    }
    return KxString(bytes, uint32_t(length));
}

void KxGOraStringTypeHdl::Assign(void* variable, KxString& fetched)
{
    switch (TypeCode()) {
    case 20:
        fetched.SetCodeSet(0);
        *static_cast<KxIString*>(variable) = fetched;
        break;
    case 21:
        fetched.SetCodeSet(0);
        *static_cast<KxCaseIString*>(variable) = fetched;
        break;
    default:
        *static_cast<KxString*>(variable) = std::move(fetched);
        break;
    }
}

void KxGOraStringTypeHdl::AppendQuoted(const char* bytes, int32_t length, KxString& text)
{
    KxString value = Decode(bytes, length);
    value.ReplaceAll("'", "''");
    text << "'" << value << "'";
}

void* KxGOraStringTypeHdl::SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t size, KxGContext*)
{
    if (sqlValue == nullptr || variable == nullptr) {
        return nullptr;
    }
    KxString fetched;
    if (!IsNull(indicator)) {
        const char* slot = static_cast<const char*>(sqlValue);
        const size_t length = strnlen(slot, size_t(Capacity(size)));
        // A plain text member takes the decoded text without a copy in between.
        if (TypeCode() != 20 && TypeCode() != 21) {
            *static_cast<KxString*>(variable) = Decode(slot, static_cast<int32_t>(length));
            return variable;
        }
        fetched = Decode(slot, static_cast<int32_t>(length));
    }
    Assign(variable, fetched);
    return variable;
}

void* KxGOraStringTypeHdl::VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t size, KxGContext*)
{
    if (sqlValue == nullptr || variable == nullptr) {
        return nullptr;
    }
    const KxString& value = *static_cast<const KxString*>(variable);
    char* slot = static_cast<char*>(sqlValue);
    if (value.IsEmpty()) {
        SetNull(indicator);
        slot[0] = '\0';
        return sqlValue;
    }
    bool fits = true;
    const int32_t length = Encode(value, slot, size, fits);
    slot[length] = '\0';
    SetNotNull(indicator);
    return ClientUnicode() != 0 && !fits ? nullptr : sqlValue;
}

void KxGOraStringTypeHdl::ValueToText(const void* sqlValue, KxString& text, int32_t size, KxGContext*)
{
    if (sqlValue == nullptr) {
        return;
    }
    // As a fetch reads it: up to the terminator, never more than the column's size bytes (the
    // terminator's byte is the last of the slot).
    const char* slot = static_cast<const char*>(sqlValue);
    AppendQuoted(slot, static_cast<int32_t>(strnlen(slot, size_t(Capacity(size)))), text);
}

uint16_t KxGOraStringTypeHdl::IsNullValue(const void* variable)
{
    return variable == nullptr || static_cast<const KxString*>(variable)->IsEmpty() ? 1 : 0;
}

KxGOraIStringTypeHdl::KxGOraIStringTypeHdl(const KxGContext& context) : KxGOraStringTypeHdl(context, 20)
{
}

KxGOraCaseIStringTypeHdl::KxGOraCaseIStringTypeHdl(const KxGContext& context) : KxGOraStringTypeHdl(context, 21)
{
}

// ---- KxGOraStringCHARTypeHdl --------------------------------------------------------------------

KxGOraStringCHARTypeHdl::KxGOraStringCHARTypeHdl(const KxGContext& context, uint8_t typeCode)
    : KxGOraStringTypeHdl(context, typeCode)
{
}

int32_t KxGOraStringCHARTypeHdl::BufferSize(int32_t size)
{
    return Capacity(size);
}

void* KxGOraStringCHARTypeHdl::SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t size, KxGContext*)
{
    if (variable == nullptr) {
        return nullptr;
    }
    const int32_t capacity = Capacity(size);
    const char* slot = static_cast<const char*>(sqlValue);
    KxString fetched;
    if (!IsNull(indicator) && slot != nullptr && capacity > 0 && slot[0] != '\0') {
        size_t length = strnlen(slot, size_t(capacity));
        while (length > 0 && slot[length - 1] == ' ') {
            --length;
        }
        fetched = length == 0 ? KxString(" ") : Decode(slot, static_cast<int32_t>(length));
    }
    Assign(variable, fetched);
    return variable;
}

void* KxGOraStringCHARTypeHdl::VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t size, KxGContext*)
{
    if (sqlValue == nullptr || variable == nullptr) {
        return nullptr;
    }
    const KxString& value = *static_cast<const KxString*>(variable);
    const int32_t capacity = Capacity(size);
    char* slot = static_cast<char*>(sqlValue);
    SetNotNull(indicator);
    if (capacity == 0) {
        return sqlValue;
    }
    if (value.IsEmpty()) {
        slot[0] = '\0';
        std::memset(slot + 1, ' ', size_t(capacity - 1));
        return sqlValue;
    }
    bool fits = true;
    const int32_t length = Encode(value, slot, capacity, fits);
    std::memset(slot + length, ' ', size_t(capacity - length));
    return ClientUnicode() != 0 && !fits ? nullptr : sqlValue;
}

void KxGOraStringCHARTypeHdl::ValueToText(const void* sqlValue, KxString& text, int32_t size, KxGContext*)
{
    if (sqlValue == nullptr) {
        return;
    }
    // A full slot has no terminator: the text ends at the slot's end.
    const char* slot = static_cast<const char*>(sqlValue);
    size_t length = strnlen(slot, size_t(Capacity(BufferSize(size))));
    while (length > 0 && slot[length - 1] == ' ') {
        --length;
    }
    AppendQuoted(slot, static_cast<int32_t>(length), text);
}

uint16_t KxGOraStringCHARTypeHdl::IsNullValue(const void*)
{
    return 0;
}

uint16_t KxGOraStringCHARTypeHdl::NativeType()
{
    return SQLT_AFC;
}

KxGOraIStringCHARTypeHdl::KxGOraIStringCHARTypeHdl(const KxGContext& context) : KxGOraStringCHARTypeHdl(context, 20)
{
}

KxGOraCaseIStringCHARTypeHdl::KxGOraCaseIStringCHARTypeHdl(const KxGContext& context)
    : KxGOraStringCHARTypeHdl(context, 21)
{
}

// ---- KxGOraStringLONGCHARTypeHdl ----------------------------------------------------------------

KxGOraStringLONGCHARTypeHdl::KxGOraStringLONGCHARTypeHdl(const KxGContext& context, uint8_t typeCode)
    : KxGOraStringTypeHdl(context, typeCode)
{
}

int32_t KxGOraStringLONGCHARTypeHdl::BufferSize(int32_t size)
{
    return Capacity(size) + 4;
}

void* KxGOraStringLONGCHARTypeHdl::SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t size,
                                           KxGContext*)
{
    if (sqlValue == nullptr || variable == nullptr) {
        return nullptr;
    }
    KxString fetched;
    if (!IsNull(indicator)) {
        const char* slot = static_cast<const char*>(sqlValue);
        const int32_t length = std::clamp(Load<int32_t>(slot), 0, Capacity(size));
        fetched = Decode(slot + 4, length);
    }
    Assign(variable, fetched);
    return variable;
}

void* KxGOraStringLONGCHARTypeHdl::VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t size,
                                           KxGContext*)
{
    if (sqlValue == nullptr || variable == nullptr) {
        return nullptr;
    }
    const KxString& value = *static_cast<const KxString*>(variable);
    char* slot = static_cast<char*>(sqlValue);
    if (value.IsEmpty()) {
        SetNull(indicator);
        Save<int32_t>(slot, 0);
        return sqlValue;
    }
    bool fits = true;
    const int32_t length = Encode(value, slot + 4, size, fits);
    Save<int32_t>(slot, length);
    SetNotNull(indicator);
    return sqlValue;
}

void KxGOraStringLONGCHARTypeHdl::ValueToText(const void* sqlValue, KxString& text, int32_t size, KxGContext*)
{
    if (sqlValue == nullptr) {
        return;
    }
    // The prefix's length, but never past the slot's end.
    const char* slot = static_cast<const char*>(sqlValue);
    const int32_t room = std::max(BufferSize(size) - 4, 0);
    AppendQuoted(slot + 4, std::clamp(Load<int32_t>(slot), 0, room), text);
}

uint16_t KxGOraStringLONGCHARTypeHdl::NativeType()
{
    return SQLT_LVC;
}

KxGOraIStringLONGCHARTypeHdl::KxGOraIStringLONGCHARTypeHdl(const KxGContext& context)
    : KxGOraStringLONGCHARTypeHdl(context, 20)
{
}

KxGOraCaseIStringLONGCHARTypeHdl::KxGOraCaseIStringLONGCHARTypeHdl(const KxGContext& context)
    : KxGOraStringLONGCHARTypeHdl(context, 21)
{
}
