// The DB2 string handlers: KxString, KxIString and KxCaseIString in CHARACTER, VARCHAR, LONG VARCHAR
// and the graphic column types.
#include <algorithm>
#include <cstring>
#include <string>

#include "KxGDB2TypeHdl.h"
#include "KxIString.h"
#include "db2cli.h"

namespace {

// The text in the default 8-bit code set.
KxString EightBit(const KxString& value)
{
    KxString copy(value);
    if (copy.Is16Bit()) {
        copy.SetCodeSet(1);
    }
    return copy;
}

// The length of the text in the slot: up to its terminator, at most size bytes.
int32_t SlotLength(const char* slot, int32_t size)
{
    const void* end = std::memchr(slot, 0, static_cast<size_t>(size < 0 ? 0 : size));
    return end == nullptr ? (size < 0 ? 0 : size) : static_cast<int32_t>(static_cast<const char*>(end) - slot);
}

void AppendQuoted(const std::string& bytes, KxString& text)
{
    std::string quoted = "'";
    for (char c : bytes) {
        quoted += c;
        if (c == '\'') {
            quoted += '\'';
        }
    }
    quoted += '\'';
    text << KxString(quoted);
}

}  // namespace

// ---- KxGStringCharTypeHdl -----------------------------------------------------------------------

KxGStringCharTypeHdl::KxGStringCharTypeHdl(uint8_t typeCode) : KxGDB2TypeHdl(typeCode) {}

int32_t KxGStringCharTypeHdl::ColumnSize(int32_t size)
{
    return size;
}

int32_t KxGStringCharTypeHdl::BufferSize(int32_t size)
{
    return size + 1;
}

bool KxGStringCharTypeHdl::TrimsBlanks()
{
    return true;
}

KxString KxGStringCharTypeHdl::TextOf(const void* variable)
{
    return *static_cast<const KxString*>(variable);
}

void KxGStringCharTypeHdl::Assign(void* variable, const KxString& fetched)
{
    *static_cast<KxString*>(variable) = fetched;
}

void* KxGStringCharTypeHdl::VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t size, KxGContext*)
{
    if (variable == nullptr || sqlValue == nullptr) {
        return nullptr;
    }
    const int32_t room = size < 0 ? 0 : size;
    char* slot = static_cast<char*>(sqlValue);
    if (IsNullValue(variable) != 0) {
        WriteIndicator(indicator, KXG_DB2_IND_NULL);
        slot[0] = '\0';
        return sqlValue;
    }
    WriteIndicator(indicator, KXG_DB2_IND_NTS);
    if (static_cast<const KxString*>(variable)->StrGet() == slot) {
        // The slot is the string's own text: cut it within the slot.
        if (room > 0 && static_cast<int32_t>(std::strlen(slot)) >= room) {
            slot[room - 1] = '\0';
        }
        return sqlValue;
    }
    const KxString text = EightBit(TextOf(variable));
    const char* bytes = text.StrGet();
    const int32_t length = std::min<int32_t>(static_cast<int32_t>(std::strlen(bytes)), room);
    std::memcpy(slot, bytes, static_cast<size_t>(length));
    slot[length] = '\0';
    return sqlValue;
}

void* KxGStringCharTypeHdl::SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t size, KxGContext*)
{
    if (variable == nullptr || sqlValue == nullptr) {
        return variable;
    }
    if (IsNull(indicator)) {
        Assign(variable, KxString::EmptyString());
        return variable;
    }
    const char* slot = static_cast<const char*>(sqlValue);
    int32_t length = SlotLength(slot, size);
    if (TrimsBlanks()) {
        while (length > 0 && slot[length - 1] == ' ') {
            --length;
        }
    }
    Assign(variable, KxString(slot, static_cast<uint32_t>(length)));
    return variable;
}

void KxGStringCharTypeHdl::ValueToText(const void* sqlValue, KxString& text, int32_t size, KxGContext*)
{
    if (sqlValue == nullptr) {
        return;
    }
    const char* slot = static_cast<const char*>(sqlValue);
    AppendQuoted(std::string(slot, static_cast<size_t>(SlotLength(slot, size))), text);
}

uint16_t KxGStringCharTypeHdl::IsNullValue(const void* variable)
{
    // KxIString and KxCaseIString are KxStrings too.
    return variable == nullptr || static_cast<const KxString*>(variable)->IsEmpty() ? 1 : 0;
}

void KxGStringCharTypeHdl::PrepareIndicator(void* indicator)
{
    if (indicator != nullptr && !IsNull(indicator)) {
        WriteIndicator(indicator, KXG_DB2_IND_NTS);
    }
}

// ---- VARCHAR and LONG VARCHAR -------------------------------------------------------------------

KxGStringVarCharTypeHdl::KxGStringVarCharTypeHdl() : KxGStringCharTypeHdl(11) {}

int16_t KxGStringVarCharTypeHdl::NativeType()
{
    return SQL_VARCHAR;
}

bool KxGStringVarCharTypeHdl::TrimsBlanks()
{
    return false;
}

int16_t KxGStringLongVarCharTypeHdl::NativeType()
{
    return -1;
}

// ---- graphic ------------------------------------------------------------------------------------

KxGStringDBCharTypeHdl::KxGStringDBCharTypeHdl() : KxGStringCharTypeHdl(11) {}

int32_t KxGStringDBCharTypeHdl::BufferSize(int32_t size)
{
    return 2 * size + 2;
}

int16_t KxGStringDBCharTypeHdl::NativeType()
{
    return SQL_GRAPHIC;
}

int16_t KxGStringDBCharTypeHdl::SQLType()
{
    return SQL_C_DBCHAR;
}

void* KxGStringDBCharTypeHdl::VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t size, KxGContext*)
{
    if (variable == nullptr || sqlValue == nullptr) {
        return nullptr;
    }
    const int32_t room = size < 0 ? 0 : size;
    if (IsNullValue(variable) != 0) {
        WriteIndicator(indicator, KXG_DB2_IND_NULL);
        std::memset(sqlValue, 0, 2);
        return sqlValue;
    }
    WriteIndicator(indicator, KXG_DB2_IND_NTS);
    const std::u16string units = static_cast<const KxString*>(variable)->ToUtf16();
    const size_t end = units.find(u'\0');
    const size_t length = std::min<size_t>(end == std::u16string::npos ? units.size() : end, size_t(room));
    auto* slot = static_cast<uint8_t*>(sqlValue);
    std::memcpy(slot, units.data(), length * 2);
    std::memset(slot + length * 2, 0, 2);
    return sqlValue;
}

void* KxGStringDBCharTypeHdl::SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t size, KxGContext*)
{
    if (variable == nullptr || sqlValue == nullptr) {
        return variable;
    }
    auto* value = static_cast<KxString*>(variable);
    if (IsNull(indicator)) {
        *value = KxString::EmptyString();
        return variable;
    }
    const auto* slot = static_cast<const uint8_t*>(sqlValue);
    std::u16string units;
    for (int32_t i = 0; i < size; ++i) {
        char16_t unit;
        std::memcpy(&unit, slot + 2 * i, 2);
        if (unit == 0) {
            break;
        }
        units += unit;
    }
    while (!units.empty() && units.back() == u' ') {
        units.pop_back();
    }
    *value = KxString(units);
    return variable;
}

void KxGStringDBCharTypeHdl::ValueToText(const void* sqlValue, KxString& text, int32_t size, KxGContext*)
{
    if (sqlValue == nullptr) {
        return;
    }
    KxString fetched;
    SQLToVar(const_cast<void*>(sqlValue), &fetched, nullptr, size, nullptr);
    AppendQuoted(fetched.ToUtf8(), text);
}

void KxGStringDBCharTypeHdl::PrepareIndicator(void*) {}

KxGStringVarDBCharTypeHdl::KxGStringVarDBCharTypeHdl() : KxGStringCharTypeHdl(11) {}

int16_t KxGStringVarDBCharTypeHdl::NativeType()
{
    return -96;
}

KxGStringLongVarDBCharTypeHdl::KxGStringLongVarDBCharTypeHdl() : KxGStringCharTypeHdl(11) {}

int16_t KxGStringLongVarDBCharTypeHdl::NativeType()
{
    return -97;
}

bool KxGStringLongVarDBCharTypeHdl::TrimsBlanks()
{
    return false;
}

// ---- IString and CaseIString --------------------------------------------------------------------

KxGIStringCharTypeHdl::KxGIStringCharTypeHdl(uint8_t typeCode) : KxGStringCharTypeHdl(typeCode) {}

KxString KxGIStringCharTypeHdl::TextOf(const void* variable)
{
    // KxIString and KxCaseIString are KxStrings.
    const auto* value = static_cast<const KxString*>(variable);
    return value->IsActive() ? *value : KxString::EmptyString();
}

void KxGIStringCharTypeHdl::Assign(void* variable, const KxString& fetched)
{
    KxString text(fetched);
    text.SetCodeSet(0);
    if (TypeCode() == 21) {
        *static_cast<KxCaseIString*>(variable) = text;
    } else {
        *static_cast<KxIString*>(variable) = text;
    }
}

KxGCaseIStringCharTypeHdl::KxGCaseIStringCharTypeHdl() : KxGIStringCharTypeHdl(21) {}

KxGIStringVarCharTypeHdl::KxGIStringVarCharTypeHdl(uint8_t typeCode) : KxGIStringCharTypeHdl(typeCode) {}

int16_t KxGIStringVarCharTypeHdl::NativeType()
{
    return SQL_VARCHAR;
}

bool KxGIStringVarCharTypeHdl::TrimsBlanks()
{
    return false;
}

KxGIStringLongVarCharTypeHdl::KxGIStringLongVarCharTypeHdl(uint8_t typeCode) : KxGIStringVarCharTypeHdl(typeCode) {}

int16_t KxGIStringLongVarCharTypeHdl::NativeType()
{
    return -1;
}

KxGCaseIStringVarCharTypeHdl::KxGCaseIStringVarCharTypeHdl() : KxGIStringVarCharTypeHdl(21) {}

KxGCaseIStringLongVarCharTypeHdl::KxGCaseIStringLongVarCharTypeHdl() : KxGIStringLongVarCharTypeHdl(21) {}
