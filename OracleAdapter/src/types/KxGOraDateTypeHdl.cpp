// The Oracle handlers of dates, times and date-times: the 7-byte Oracle date.
//
// Bytes: century + 100, year of century + 100, month, day, hour + 1, minute + 1, second + 1.
#include <cstring>

#include "KxDateTime.h"
#include "KxGOraTypeHdl.h"
#include "oci.h"

namespace {

// 1 January 4712 BC: what a value that is not valid is stored as from version 780 on.
constexpr uint8_t kSentinel[7] = {53, 88, 1, 1, 1, 1, 1};

bool IsSentinel(const uint8_t bytes[7])
{
    return std::memcmp(bytes, kSentinel, 4) == 0;
}

void DateBytes(const KxDate& date, uint8_t bytes[7])
{
    const int32_t year = date.GetYear() % 10000;
    bytes[0] = static_cast<uint8_t>(year / 100 + 100);
    bytes[1] = static_cast<uint8_t>(year % 100 + 100);
    bytes[2] = static_cast<uint8_t>(date.GetMonth() % 13);
    bytes[3] = static_cast<uint8_t>(date.GetDay() % 32);
}

void TimeBytes(const KxTime& time, uint8_t bytes[7])
{
    bytes[4] = static_cast<uint8_t>(time.GetHour() % 24 + 1);
    bytes[5] = static_cast<uint8_t>(time.GetMinute() % 60 + 1);
    bytes[6] = static_cast<uint8_t>(time.GetSecond() % 60 + 1);
}

int32_t YearOf(const uint8_t bytes[7])
{
    return (int32_t(bytes[0]) - 101) * 100 + int32_t(bytes[1]);
}

// The date of the bytes; the empty date when they give none that the kernel can hold (a year before
// 1 or a month or day outside their fields).
KxDate DateOf(const uint8_t bytes[7])
{
    KxDate date;
    if (date.Set(YearOf(bytes), bytes[2], bytes[3]) != 0) {
        date.Clear();
    }
    return date;
}

KxTime TimeOf(const uint8_t bytes[7])
{
    KxTime time;
    if (bytes[4] == 0 || bytes[5] == 0 || bytes[6] == 0 ||
        time.Set(bytes[4] - 1, bytes[5] - 1, bytes[6] - 1) != 0) {
        time.Clear();
    }
    return time;
}

bool HasDatePart(const uint8_t* slot)
{
    return slot[2] != 0 && slot[3] != 0;
}

bool HasTimePart(const uint8_t* slot)
{
    return slot[4] != 0 && slot[5] != 0 && slot[6] != 0;
}

void AppendDate(const uint8_t* slot, const char* separator, KxString& text)
{
    text << YearOf(slot) << separator << int32_t(slot[2]) << separator << int32_t(slot[3]);
}

void AppendTime(const uint8_t* slot, KxString& text)
{
    text << int32_t(slot[4]) - 1 << ":" << int32_t(slot[5]) - 1 << ":" << int32_t(slot[6]) - 1;
}

}  // namespace

// ---- KxGOraDateTypeHdl --------------------------------------------------------------------------

KxGOraDateTypeHdl::KxGOraDateTypeHdl(const KxGContext& context, uint8_t typeCode) : KxGOraTypeHdl(context, typeCode)
{
}

int32_t KxGOraDateTypeHdl::ColumnSize(int32_t)
{
    return 7;
}

int32_t KxGOraDateTypeHdl::BufferSize(int32_t)
{
    return 7;
}

int32_t KxGOraDateTypeHdl::BindSize(int32_t)
{
    return 7;
}

void* KxGOraDateTypeHdl::SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t, KxGContext*)
{
    if (sqlValue == nullptr || variable == nullptr) {
        return nullptr;
    }
    uint8_t bytes[7];
    std::memcpy(bytes, sqlValue, sizeof bytes);
    if (IsNull(indicator) || IsSentinel(bytes)) {
        Clear(variable);
    } else {
        FromBytes(bytes, variable);
    }
    return variable;
}

void* KxGOraDateTypeHdl::VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t, KxGContext* context)
{
    if (sqlValue == nullptr || variable == nullptr) {
        return nullptr;
    }
    uint8_t bytes[7];
    if (IsValidValue(variable)) {
        ToBytes(variable, bytes);
        SetNotNull(indicator);
    } else {
        std::memcpy(bytes, kSentinel, sizeof bytes);
        if (ConnectionVersion(context) >= KXG_ORA_EMPTY_AS_VALUE_VERSION) {
            SetNotNull(indicator);
        } else {
            SetNull(indicator);
        }
    }
    std::memcpy(sqlValue, bytes, sizeof bytes);
    return sqlValue;
}

void KxGOraDateTypeHdl::ValueToText(const void* sqlValue, KxString& text, int32_t, KxGContext*)
{
    const uint8_t* slot = static_cast<const uint8_t*>(sqlValue);
    if (slot == nullptr || !HasDatePart(slot)) {
        text << "NULL";
        return;
    }
    text << "'";
    AppendDate(slot, "-", text);
    text << "'";
}

uint16_t KxGOraDateTypeHdl::IsNullValue(const void* variable)
{
    if (variable == nullptr) {
        return 0;
    }
    return ConnectionVersion(nullptr) < KXG_ORA_EMPTY_AS_VALUE_VERSION && !IsValidValue(variable) ? 1 : 0;
}

uint16_t KxGOraDateTypeHdl::NativeType()
{
    return SQLT_DAT;
}

bool KxGOraDateTypeHdl::IsValidValue(const void* variable)
{
    return static_cast<const KxDate*>(variable)->IsValid();
}

void KxGOraDateTypeHdl::ToBytes(const void* variable, uint8_t bytes[7])
{
    DateBytes(*static_cast<const KxDate*>(variable), bytes);
    bytes[4] = bytes[5] = bytes[6] = 1;
}

void KxGOraDateTypeHdl::FromBytes(const uint8_t bytes[7], void* variable)
{
    *static_cast<KxDate*>(variable) = DateOf(bytes);
}

void KxGOraDateTypeHdl::Clear(void* variable)
{
    static_cast<KxDate*>(variable)->Clear();
}

// ---- KxGOraTimeTypeHdl --------------------------------------------------------------------------

KxGOraTimeTypeHdl::KxGOraTimeTypeHdl(const KxGContext& context) : KxGOraDateTypeHdl(context, 13)
{
}

void KxGOraTimeTypeHdl::ValueToText(const void* sqlValue, KxString& text, int32_t, KxGContext*)
{
    const uint8_t* slot = static_cast<const uint8_t*>(sqlValue);
    if (slot == nullptr || !HasTimePart(slot)) {
        text << "NULL";
        return;
    }
    AppendTime(slot, text);
}

bool KxGOraTimeTypeHdl::IsValidValue(const void* variable)
{
    return static_cast<const KxTime*>(variable)->IsValid();
}

void KxGOraTimeTypeHdl::ToBytes(const void* variable, uint8_t bytes[7])
{
    bytes[0] = 119;   // 1 January 1900
    bytes[1] = 100;
    bytes[2] = 1;
    bytes[3] = 1;
    TimeBytes(*static_cast<const KxTime*>(variable), bytes);
}

void KxGOraTimeTypeHdl::FromBytes(const uint8_t bytes[7], void* variable)
{
    *static_cast<KxTime*>(variable) = TimeOf(bytes);
}

void KxGOraTimeTypeHdl::Clear(void* variable)
{
    static_cast<KxTime*>(variable)->Clear();
}

// ---- KxGOraDateTimeTypeHdl ----------------------------------------------------------------------

KxGOraDateTimeTypeHdl::KxGOraDateTimeTypeHdl(const KxGContext& context) : KxGOraDateTypeHdl(context, 19)
{
}

void KxGOraDateTimeTypeHdl::ValueToText(const void* sqlValue, KxString& text, int32_t, KxGContext*)
{
    const uint8_t* slot = static_cast<const uint8_t*>(sqlValue);
    if (slot == nullptr || !(HasTimePart(slot) || HasDatePart(slot))) {
        text << "NULL";
        return;
    }
    AppendDate(slot, ".", text);
    text << " ";
    AppendTime(slot, text);
}

bool KxGOraDateTimeTypeHdl::IsValidValue(const void* variable)
{
    return static_cast<const KxDateTime*>(variable)->IsValid();
}

void KxGOraDateTimeTypeHdl::ToBytes(const void* variable, uint8_t bytes[7])
{
    const KxDateTime& value = *static_cast<const KxDateTime*>(variable);
    DateBytes(value.GetDate(), bytes);
    TimeBytes(value.GetTime(), bytes);
}

void KxGOraDateTimeTypeHdl::FromBytes(const uint8_t bytes[7], void* variable)
{
    KxDateTime& value = *static_cast<KxDateTime*>(variable);
    value.SetDate(DateOf(bytes));
    value.SetTime(TimeOf(bytes));
}

void KxGOraDateTimeTypeHdl::Clear(void* variable)
{
    static_cast<KxDateTime*>(variable)->Clear();
}
