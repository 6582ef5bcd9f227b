// The Oracle handlers of object ids, class ids and 64-bit integers.
#include <cstring>
#include <limits>

#include "KxGOraOciAccess.h"
#include "KxGOraTypeHdl.h"
#include "KxGUnaligned.h"
#include "KxInt64.h"
#include "KxObjId.h"
#include "oci.h"

using kxgora::HandlesOf;
using kxgora::OciHandles;
using kxgora::Succeeded;

namespace {

constexpr int32_t kNumberSize = OCI_NUMBER_SIZE;

using kxg_unaligned::Load;
using kxg_unaligned::Save;

OCINumber NumberOf(const void* slot)
{
    OCINumber number;
    std::memcpy(&number, slot, sizeof number);
    return number;
}

}  // namespace

// ---- KxGOraOIDTypeHdl ---------------------------------------------------------------------------

KxGOraOIDTypeHdl::KxGOraOIDTypeHdl(const KxGContext& context, uint8_t typeCode) : KxGOraTypeHdl(context, typeCode)
{
}

int32_t KxGOraOIDTypeHdl::ColumnSize(int32_t)
{
    return 6;
}

int32_t KxGOraOIDTypeHdl::BufferSize(int32_t)
{
    return kNumberSize;
}

void* KxGOraOIDTypeHdl::SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t, KxGContext* context)
{
    if (sqlValue == nullptr || variable == nullptr) {
        return nullptr;
    }
    KxObjId& id = *static_cast<KxObjId*>(variable);
    if (IsNull(indicator)) {
        id.Clear();
        return variable;
    }
    const OCINumber number = NumberOf(sqlValue);
    const OciHandles handles = HandlesOf(DatabaseOf(context));
    uint64_t value = 0;
    if (!Succeeded(handles, OCINumberToInt(handles.error, &number, sizeof value, OCI_NUMBER_UNSIGNED, &value))) {
        return nullptr;
    }
    if (value > KxObjId::kMaxValue) {
        return nullptr;   // not an object id: the id is left as it was
    }
    id.SetLow(static_cast<uint32_t>(value));
    id.SetHigh(static_cast<uint16_t>(value >> 32));
    return variable;
}

void* KxGOraOIDTypeHdl::VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t, KxGContext* context)
{
    if (sqlValue == nullptr || variable == nullptr) {
        return nullptr;
    }
    const KxObjId& id = *static_cast<const KxObjId*>(variable);
    const uint64_t value = id.Get64();
    const OciHandles handles = HandlesOf(DatabaseOf(context));
    OCINumber number;
    if (!Succeeded(handles, OCINumberFromInt(handles.error, &value, sizeof value, OCI_NUMBER_UNSIGNED, &number))) {
        return nullptr;
    }
    std::memcpy(sqlValue, &number, sizeof number);
    if (IsNullValue(variable)) {
        SetNull(indicator);
    } else {
        SetNotNull(indicator);
    }
    return sqlValue;
}

void KxGOraOIDTypeHdl::ValueToText(const void* sqlValue, KxString& text, int32_t, KxGContext* context)
{
    if (sqlValue == nullptr) {
        text << "NULL";
        return;
    }
    const OCINumber number = NumberOf(sqlValue);
    const OciHandles handles = HandlesOf(DatabaseOf(context));
    uint64_t value = 0;
    if (Succeeded(handles, OCINumberToInt(handles.error, &number, sizeof value, OCI_NUMBER_UNSIGNED, &value))) {
        text << value;
    }
}

uint16_t KxGOraOIDTypeHdl::IsNullValue(const void* variable)
{
    return variable != nullptr && static_cast<const KxObjId*>(variable)->IsNull() &&
                   ProcessVersion() < KXG_ORA_EMPTY_AS_VALUE_VERSION
               ? 1
               : 0;
}

uint16_t KxGOraOIDTypeHdl::NativeType()
{
    return SQLT_VNU;
}

// ---- KxGOraCIDTypeHdl ---------------------------------------------------------------------------

KxGOraCIDTypeHdl::KxGOraCIDTypeHdl(const KxGContext& context) : KxGOraTypeHdl(context, 16)
{
}

int32_t KxGOraCIDTypeHdl::ColumnSize(int32_t)
{
    return 2;
}

int32_t KxGOraCIDTypeHdl::BufferSize(int32_t)
{
    return 2;
}

void* KxGOraCIDTypeHdl::SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t, KxGContext*)
{
    if (sqlValue == nullptr || variable == nullptr) {
        return nullptr;
    }
    KxClassId& id = *static_cast<KxClassId*>(variable);
    if (IsNull(indicator)) {
        id = KxClassId();
    } else {
        id.SetClassNumber(Load<uint16_t>(sqlValue));
    }
    return variable;
}

void* KxGOraCIDTypeHdl::VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t, KxGContext*)
{
    if (sqlValue == nullptr || variable == nullptr) {
        return nullptr;
    }
    Save<uint16_t>(sqlValue, static_cast<const KxClassId*>(variable)->GetClassNumber());
    if (IsNullValue(variable)) {
        SetNull(indicator);
    } else {
        SetNotNull(indicator);
    }
    return sqlValue;
}

void KxGOraCIDTypeHdl::ValueToText(const void* sqlValue, KxString& text, int32_t, KxGContext*)
{
    if (sqlValue == nullptr) {
        text << "NULL";
        return;
    }
    // The number as the column holds it (a 2-byte signed integer).
    text << int32_t(Load<int16_t>(sqlValue));
}

uint16_t KxGOraCIDTypeHdl::IsNullValue(const void* variable)
{
    return variable != nullptr && static_cast<const KxClassId*>(variable)->GetClassNumber() == 0 &&
                   ProcessVersion() < KXG_ORA_EMPTY_AS_VALUE_VERSION
               ? 1
               : 0;
}

uint16_t KxGOraCIDTypeHdl::NativeType()
{
    return SQLT_INT;
}

// ---- KxGOraInt64TypeHdl and family --------------------------------------------------------------

KxGOraInt64TypeHdl::KxGOraInt64TypeHdl(const KxGContext& context, uint8_t typeCode)
    : KxGOraTypeHdl(context, typeCode)
{
}

int32_t KxGOraInt64TypeHdl::ColumnSize(int32_t)
{
    return 21;
}

int32_t KxGOraInt64TypeHdl::BufferSize(int32_t)
{
    return kNumberSize;
}

bool KxGOraInt64TypeHdl::ReadNumber(const void* sqlValue, int64_t& value, KxGContext* context)
{
    const OCINumber number = NumberOf(sqlValue);
    const OciHandles handles = HandlesOf(DatabaseOf(context));
    int64_t result = 0;
    sword status = OCINumberToInt(handles.error, &number, sizeof result, OCI_NUMBER_SIGNED, &result);
    if (status == OCI_SUCCESS) {
        value = result;
        return true;
    }
    // The conversion may refuse the smallest 64-bit value; that number is no error.
    const int64_t smallest = std::numeric_limits<int64_t>::min();
    OCINumber smallestNumber;
    sword compared = 1;
    if (OCINumberFromInt(handles.error, &smallest, sizeof smallest, OCI_NUMBER_SIGNED, &smallestNumber) ==
            OCI_SUCCESS &&
        OCINumberCmp(handles.error, &number, &smallestNumber, &compared) == OCI_SUCCESS && compared == 0) {
        value = smallest;
        return true;
    }
    // Repeat the failed conversion so that the error handle holds its record for the report.
    status = OCINumberToInt(handles.error, &number, sizeof result, OCI_NUMBER_SIGNED, &result);
    if (status == OCI_SUCCESS) {
        value = result;
        return true;
    }
    return Succeeded(handles, status);
}

bool KxGOraInt64TypeHdl::WriteNumber(int64_t value, void* sqlValue, KxGContext* context)
{
    const OciHandles handles = HandlesOf(DatabaseOf(context));
    OCINumber number;
    if (!Succeeded(handles, OCINumberFromInt(handles.error, &value, sizeof value, OCI_NUMBER_SIGNED, &number))) {
        return false;
    }
    std::memcpy(sqlValue, &number, sizeof number);
    return true;
}

void* KxGOraInt64TypeHdl::SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t, KxGContext* context)
{
    if (sqlValue == nullptr || variable == nullptr) {
        return nullptr;
    }
    // KxInt64, int64_t and uint64_t are all 8 bytes of the same bit pattern.
    int64_t value = 0;
    if (!IsNull(indicator) && !ReadNumber(sqlValue, value, context)) {
        return nullptr;
    }
    Save(variable, value);
    return variable;
}

void* KxGOraInt64TypeHdl::VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t, KxGContext* context)
{
    if (sqlValue == nullptr || variable == nullptr) {
        return nullptr;
    }
    if (!WriteNumber(Load<int64_t>(variable), sqlValue, context)) {
        return nullptr;
    }
    SetNotNull(indicator);
    return sqlValue;
}

void KxGOraInt64TypeHdl::ValueToText(const void* sqlValue, KxString& text, int32_t, KxGContext* context)
{
    if (sqlValue == nullptr) {
        text << "NULL";
        return;
    }
    int64_t value = 0;
    if (ReadNumber(sqlValue, value, context)) {
        text << value;
    }
}

uint16_t KxGOraInt64TypeHdl::NativeType()
{
    return SQLT_VNU;
}

static_assert(sizeof(KxInt64) == sizeof(int64_t), "KxInt64 holds one int64_t");

KxGOra8BTypeHdl::KxGOra8BTypeHdl(const KxGContext& context) : KxGOraInt64TypeHdl(context, 42)
{
}

KxGOraU8BTypeHdl::KxGOraU8BTypeHdl(const KxGContext& context) : KxGOraInt64TypeHdl(context, 43)
{
}
