// The DB2 handler base and the handlers of characters, ids, dates, blobs, booleans and 64-bit
// integers.
#include "KxGDB2TypeHdl.h"

#include <cstring>
#include <limits>

#include "KxBlob.h"
#include "KxDateTime.h"
#include "KxGDatabase.h"
#include "KxGDatabaseTrace.h"
#include "KxGUnaligned.h"
#include "KxInt64.h"
#include "KxObjId.h"
#include "db2cli.h"

static_assert(sizeof(KxInt64) == sizeof(int64_t), "KxInt64 holds one int64_t");
static_assert(sizeof(DATE_STRUCT) == 6 && sizeof(TIME_STRUCT) == 6 && sizeof(TIMESTAMP_STRUCT) == 16,
              "CLI date and time structures");

namespace {

struct CodeTypes {
    int16_t sqlType;
    int16_t cType;
    int32_t columnSize;  // -1: the size given
};

CodeTypes TypesOf(uint8_t code)
{
    switch (code) {
    case 0: case 10: case 11: case 20: case 21:
        return {SQL_CHAR, SQL_C_CHAR, -1};
    case 1: case 5: case 16: case 27:
        return {SQL_SMALLINT, SQL_C_SHORT, 2};
    case 2: case 7: case 9: case 15:
        return {SQL_INTEGER, SQL_C_LONG, 4};
    case 6: case 8:   // bound unsigned: a value the INTEGER column cannot hold is refused (22003)
        return {SQL_INTEGER, SQL_C_ULONG, 4};
    case 3:
        return {SQL_DOUBLE, SQL_C_DOUBLE, 8};
    case 4:
        return {SQL_FLOAT, SQL_C_FLOAT, 4};
    case 12:
        return {SQL_DATE, SQL_C_DATE, 6};
    case 13:
        return {SQL_TIME, SQL_C_TIME, 6};
    case 19:
        return {SQL_TIMESTAMP, SQL_C_TIMESTAMP, 16};
    case 18:
        return {SQL_BLOB, SQL_C_BINARY, 32000};
    case 26: case 42: case 43:
        return {SQL_BIGINT, SQL_C_SBIGINT, 8};
    default:
        return {SQL_C_DEFAULT, SQL_C_DEFAULT, 0};
    }
}

using kxg_unaligned::Load;
using kxg_unaligned::Save;

// Bytes the base copies for the code.
int32_t CopySize(uint8_t code, int32_t size)
{
    if (code == 3) {
        return 8;
    }
    if (code == 4) {
        return 4;
    }
    return size < 0 ? 0 : size;
}

}  // namespace

// ---- KxGDB2TypeHdl ------------------------------------------------------------------------------

KxGDB2TypeHdl::KxGDB2TypeHdl(uint8_t typeCode) : code_(typeCode) {}

KxGDB2TypeHdl::~KxGDB2TypeHdl() = default;

uint8_t KxGDB2TypeHdl::TypeCode()
{
    return code_;
}

uint16_t KxGDB2TypeHdl::SQLTypeName(int32_t size, KxString& text)
{
    switch (NativeType()) {
    case 1: text << "CHARACTER (" << size << ")"; return 1;
    case 12: text << "VARCHAR (" << size << ")"; return 1;
    case -1: text << "LONG VARCHAR"; return 1;
    case -95: text << "GRAPHIC (" << size << ")"; return 1;
    case -96: text << "VARGRAPHIC (" << size << ")"; return 1;
    case -97: text << "LONGVARGRAPHIC (" << size << ")"; return 1;
    case -99: text << "CLOB"; return 1;
    case -350: text << "DBCLOB"; return 1;
    case 2: text << "NUMERIC"; return 1;
    case 3: text << "DECIMAL"; return 1;
    case 4: text << "INTEGER  DEFAULT 0"; return 1;
    case 5: text << "SMALLINT  DEFAULT 0"; return 1;
    case 6: text << "FLOAT  DEFAULT 0"; return 1;
    case 8: text << "DOUBLE  DEFAULT 0"; return 1;
    case 9: text << "DATE"; return 1;
    case 10: text << "TIME"; return 1;
    case 11: text << "TIMESTAMP"; return 1;
    case -98: text << "BLOB (100 M)"; return 1;
    case -5: text << "BIGINT  DEFAULT 0"; return 1;
    case -4: text << "LONG VARCHAR FOR BIT DATA"; return 1;
    case -3: text << "VARCHAR (" << size << ") FOR BIT DATA"; return 1;
    case -2: text << "CHARACTER  (" << size << ") FOR BIT DATA"; return 1;
    default: return 0;
    }
}

int32_t KxGDB2TypeHdl::IndSize()
{
    return 4;
}

int32_t KxGDB2TypeHdl::ColumnSize(int32_t size)
{
    const int32_t columnSize = TypesOf(code_).columnSize;
    return columnSize < 0 ? size : columnSize;
}

int32_t KxGDB2TypeHdl::BufferSize(int32_t size)
{
    const int32_t columnSize = TypesOf(code_).columnSize;
    return columnSize < 0 ? size + 1 : columnSize;
}

int32_t KxGDB2TypeHdl::BindSize(int32_t size)
{
    return size;
}

int32_t KxGDB2TypeHdl::ValueLength(const void* value)
{
    if (code_ == 11 || code_ == 20 || code_ == 21) {
        return value == nullptr ? 0 : static_cast<int32_t>(static_cast<const KxString*>(value)->Len());
    }
    return ColumnSize(1);
}

void* KxGDB2TypeHdl::SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t size, KxGContext*)
{
    if (variable == nullptr || sqlValue == nullptr || variable == sqlValue) {
        return variable;
    }
    const int32_t bytes = CopySize(code_, size);
    if (IsNull(indicator)) {
        std::memset(variable, 0, bytes);
    } else {
        std::memcpy(variable, sqlValue, bytes);
    }
    return variable;
}

void* KxGDB2TypeHdl::VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t size, KxGContext*)
{
    if (variable == nullptr || sqlValue == nullptr) {
        return nullptr;
    }
    WriteIndicator(indicator, 0);
    if (variable != sqlValue) {
        std::memcpy(sqlValue, variable, CopySize(code_, size));
    }
    return sqlValue;
}

void KxGDB2TypeHdl::ValueToText(const void* sqlValue, KxString& text, int32_t, KxGContext*)
{
    if (sqlValue == nullptr) {
        return;
    }
    switch (code_) {
    case 0: case 10:
        text << *static_cast<const char*>(sqlValue);
        break;
    case 1: case 5: case 16: case 27:
        text << int32_t(Load<int16_t>(sqlValue));
        break;
    case 2: case 6: case 7: case 8: case 9: case 15:
        text << Load<int32_t>(sqlValue);
        break;
    case 3:
        text << Load<double>(sqlValue);
        break;
    case 4:
        text << double(Load<float>(sqlValue));
        break;
    case 18:
        text << "BLOB value";
        break;
    default:
        text << "Unknown type? = " << uint32_t(code_);
        break;
    }
}

uint16_t KxGDB2TypeHdl::IsNullValue(const void*)
{
    return 0;
}

uint16_t KxGDB2TypeHdl::IsNull(const void* indicator)
{
    return indicator != nullptr && ReadIndicator(indicator) == KXG_DB2_IND_NULL ? 1 : 0;
}

void KxGDB2TypeHdl::PrepareIndicator(void*) {}

void KxGDB2TypeHdl::SetNull(void* indicator)
{
    WriteIndicator(indicator, KXG_DB2_IND_NULL);
}

void KxGDB2TypeHdl::SetDataLength(void*, void*, int32_t) {}

int16_t KxGDB2TypeHdl::NativeType()
{
    return TypesOf(code_).sqlType;
}

int16_t KxGDB2TypeHdl::SQLType()
{
    return TypesOf(code_).cType;
}

int16_t KxGDB2TypeHdl::ResultCType()
{
    const int16_t cType = SQLType();
    return cType == SQL_C_ULONG ? int16_t(SQL_C_LONG) : cType;
}

int32_t KxGDB2TypeHdl::ReadIndicator(const void* indicator)
{
    return indicator == nullptr ? 0 : Load<int32_t>(indicator);
}

void KxGDB2TypeHdl::WriteIndicator(void* indicator, int32_t value)
{
    if (indicator != nullptr) {
        Save<int32_t>(indicator, value);
    }
}

void KxGDB2TypeHdl::TraceWarning(KxGContext* context, const KxString& line)
{
    KxGDatabase* database = context != nullptr ? context->GetDatabase() : nullptr;
    KxGDatabaseTrace* trace = database != nullptr ? database->GetTrace(KXG_TRACE_DBA) : nullptr;
    if (trace != nullptr) {
        trace->BeginCriticalSection();
        *trace << "\n" << line;
        trace->EndCriticalSection();
    }
}

// ---- KxGCharTypeHdl -----------------------------------------------------------------------------

KxGCharTypeHdl::KxGCharTypeHdl(uint8_t typeCode) : KxGDB2TypeHdl(typeCode) {}

void* KxGCharTypeHdl::VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t size, KxGContext*)
{
    if (variable == nullptr || sqlValue == nullptr) {
        return nullptr;
    }
    const int32_t bytes = size < 0 ? 0 : size;
    WriteIndicator(indicator, bytes);
    if (variable != sqlValue) {
        std::memcpy(sqlValue, variable, bytes);
    }
    return sqlValue;
}

void KxGCharTypeHdl::ValueToText(const void* sqlValue, KxString& text, int32_t, KxGContext*)
{
    if (sqlValue != nullptr) {
        text << *static_cast<const char*>(sqlValue) << "...";
    }
}

// ---- ids ----------------------------------------------------------------------------------------

KxGOIDTypeHdl::KxGOIDTypeHdl() : KxGDB2TypeHdl(15) {}

void* KxGOIDTypeHdl::SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t, KxGContext*)
{
    if (variable == nullptr || sqlValue == nullptr) {
        return variable;
    }
    auto* id = static_cast<KxObjId*>(variable);
    if (IsNull(indicator)) {
        id->SetLow(0);
        id->SetHigh(0);
    } else {
        id->SetLow(Load<uint32_t>(sqlValue));
        id->SetHigh(0);
    }
    return variable;
}

void* KxGOIDTypeHdl::VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t, KxGContext* context)
{
    if (variable == nullptr || sqlValue == nullptr) {
        return nullptr;
    }
    const auto* id = static_cast<const KxObjId*>(variable);
    if (id->GetHigh() != 0) {
        KxString line("Object id does not fit an INTEGER column: ");
        line << id->Get64();
        TraceWarning(context, line);
        return nullptr;
    }
    WriteIndicator(indicator, id->IsNull() ? KXG_DB2_IND_NULL : 0);
    Save<uint32_t>(sqlValue, id->GetLow());
    return sqlValue;
}

void KxGOIDTypeHdl::ValueToText(const void* sqlValue, KxString& text, int32_t, KxGContext*)
{
    if (sqlValue == nullptr) {
        text << "NULL";
    } else {
        text << Load<uint32_t>(sqlValue);
    }
}

uint16_t KxGOIDTypeHdl::IsNullValue(const void* variable)
{
    return variable != nullptr && static_cast<const KxObjId*>(variable)->IsNull() ? 1 : 0;
}

KxGCIDTypeHdl::KxGCIDTypeHdl() : KxGDB2TypeHdl(16) {}

void* KxGCIDTypeHdl::SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t, KxGContext*)
{
    if (variable == nullptr || sqlValue == nullptr) {
        return variable;
    }
    auto* id = static_cast<KxClassId*>(variable);
    id->SetClassNumber(IsNull(indicator) ? 0 : Load<uint16_t>(sqlValue));
    return variable;
}

void* KxGCIDTypeHdl::VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t, KxGContext*)
{
    if (variable == nullptr || sqlValue == nullptr) {
        return nullptr;
    }
    const uint16_t number = static_cast<const KxClassId*>(variable)->GetClassNumber();
    WriteIndicator(indicator, number == 0 ? KXG_DB2_IND_NULL : 0);
    Save<uint16_t>(sqlValue, number);
    return sqlValue;
}

void KxGCIDTypeHdl::ValueToText(const void* sqlValue, KxString& text, int32_t, KxGContext*)
{
    if (sqlValue == nullptr) {
        text << "NULL";
    } else {
        text << uint32_t(Load<uint16_t>(sqlValue));
    }
}

uint16_t KxGCIDTypeHdl::IsNullValue(const void* variable)
{
    return variable != nullptr && static_cast<const KxClassId*>(variable)->GetClassNumber() == 0 ? 1 : 0;
}

// ---- dates and times ----------------------------------------------------------------------------

namespace {

KxDate DateOf(int32_t year, int32_t month, int32_t day)
{
    KxDate date;
    if (date.Set(year, month, day) != 0) {
        date.Clear();
    }
    return date;
}

KxTime TimeOf(int32_t hour, int32_t minute, int32_t second)
{
    KxTime time;
    if (time.Set(hour, minute, second) != 0) {
        time.Clear();
    }
    return time;
}

}  // namespace

KxGDateTypeHdl::KxGDateTypeHdl() : KxGDB2TypeHdl(12) {}

void* KxGDateTypeHdl::SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t, KxGContext*)
{
    if (variable == nullptr || sqlValue == nullptr) {
        return variable;
    }
    auto* date = static_cast<KxDate*>(variable);
    if (IsNull(indicator)) {
        date->Clear();
    } else {
        const auto slot = Load<DATE_STRUCT>(sqlValue);
        *date = DateOf(slot.year, slot.month, slot.day);
    }
    return variable;
}

void* KxGDateTypeHdl::VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t, KxGContext*)
{
    if (variable == nullptr || sqlValue == nullptr) {
        return nullptr;
    }
    const auto* date = static_cast<const KxDate*>(variable);
    DATE_STRUCT slot{};
    if (date->IsValid()) {
        slot.year = static_cast<SQLSMALLINT>(date->GetYear());
        slot.month = static_cast<SQLUSMALLINT>(date->GetMonth());
        slot.day = static_cast<SQLUSMALLINT>(date->GetDay());
        WriteIndicator(indicator, 0);
    } else {
        WriteIndicator(indicator, KXG_DB2_IND_NULL);
    }
    Save(sqlValue, slot);
    return sqlValue;
}

void KxGDateTypeHdl::ValueToText(const void* sqlValue, KxString& text, int32_t, KxGContext*)
{
    if (sqlValue == nullptr) {
        text << "NULL";
        return;
    }
    const auto slot = Load<DATE_STRUCT>(sqlValue);
    if (slot.year == 0 && slot.month == 0 && slot.day == 0) {
        text << "NULL";
        return;
    }
    text << "'" << int32_t(slot.year) << "-" << uint32_t(slot.month) << "-" << uint32_t(slot.day) << "'";
}

uint16_t KxGDateTypeHdl::IsNullValue(const void* variable)
{
    return variable != nullptr && !static_cast<const KxDate*>(variable)->IsValid() ? 1 : 0;
}

KxGTimeTypeHdl::KxGTimeTypeHdl() : KxGDB2TypeHdl(13) {}

void* KxGTimeTypeHdl::SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t, KxGContext*)
{
    if (variable == nullptr || sqlValue == nullptr) {
        return variable;
    }
    auto* time = static_cast<KxTime*>(variable);
    if (IsNull(indicator)) {
        time->Clear();
    } else {
        const auto slot = Load<TIME_STRUCT>(sqlValue);
        *time = TimeOf(slot.hour, slot.minute, slot.second);
    }
    return variable;
}

void* KxGTimeTypeHdl::VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t, KxGContext*)
{
    if (variable == nullptr || sqlValue == nullptr) {
        return nullptr;
    }
    const auto* time = static_cast<const KxTime*>(variable);
    TIME_STRUCT slot{};
    if (time->IsValid()) {
        slot.hour = static_cast<SQLUSMALLINT>(time->GetHour());
        slot.minute = static_cast<SQLUSMALLINT>(time->GetMinute());
        slot.second = static_cast<SQLUSMALLINT>(time->GetSecond());
        WriteIndicator(indicator, 0);
    } else {
        WriteIndicator(indicator, KXG_DB2_IND_NULL);
    }
    Save(sqlValue, slot);
    return sqlValue;
}

void KxGTimeTypeHdl::ValueToText(const void* sqlValue, KxString& text, int32_t, KxGContext*)
{
    if (sqlValue == nullptr) {
        text << "NULL";
        return;
    }
    const auto slot = Load<TIME_STRUCT>(sqlValue);
    if (slot.hour == 0 && slot.minute == 0 && slot.second == 0) {
        text << "NULL";
        return;
    }
    text << uint32_t(slot.hour) << ":" << uint32_t(slot.minute) << ":" << uint32_t(slot.second);
}

uint16_t KxGTimeTypeHdl::IsNullValue(const void* variable)
{
    return variable != nullptr && !static_cast<const KxTime*>(variable)->IsValid() ? 1 : 0;
}

KxGDateTimeTypeHdl::KxGDateTimeTypeHdl() : KxGDB2TypeHdl(19) {}

void* KxGDateTimeTypeHdl::SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t, KxGContext*)
{
    if (variable == nullptr || sqlValue == nullptr) {
        return variable;
    }
    auto* value = static_cast<KxDateTime*>(variable);
    if (IsNull(indicator)) {
        value->Clear();
    } else {
        const auto slot = Load<TIMESTAMP_STRUCT>(sqlValue);
        value->SetDate(DateOf(slot.year, slot.month, slot.day));
        value->SetTime(TimeOf(slot.hour, slot.minute, slot.second));
    }
    return variable;
}

void* KxGDateTimeTypeHdl::VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t, KxGContext*)
{
    if (variable == nullptr || sqlValue == nullptr) {
        return nullptr;
    }
    const auto* value = static_cast<const KxDateTime*>(variable);
    TIMESTAMP_STRUCT slot{};
    if (value->IsValid()) {
        slot.year = static_cast<SQLSMALLINT>(value->GetYear());
        slot.month = static_cast<SQLUSMALLINT>(value->GetMonth());
        slot.day = static_cast<SQLUSMALLINT>(value->GetDay());
        slot.hour = static_cast<SQLUSMALLINT>(value->GetHour());
        slot.minute = static_cast<SQLUSMALLINT>(value->GetMinute());
        slot.second = static_cast<SQLUSMALLINT>(value->GetSecond());
        WriteIndicator(indicator, 0);
    } else {
        WriteIndicator(indicator, KXG_DB2_IND_NULL);
    }
    Save(sqlValue, slot);
    return sqlValue;
}

void KxGDateTimeTypeHdl::ValueToText(const void* sqlValue, KxString& text, int32_t, KxGContext*)
{
    if (sqlValue == nullptr) {
        text << "NULL";
        return;
    }
    const auto s = Load<TIMESTAMP_STRUCT>(sqlValue);
    if (s.year == 0 && s.month == 0 && s.day == 0 && s.hour == 0 && s.minute == 0 && s.second == 0) {
        text << "NULL";
        return;
    }
    text << int32_t(s.year) << "." << uint32_t(s.month) << "." << uint32_t(s.day) << " " << uint32_t(s.hour)
         << ":" << uint32_t(s.minute) << ":" << uint32_t(s.second);
}

uint16_t KxGDateTimeTypeHdl::IsNullValue(const void* variable)
{
    return variable != nullptr && !static_cast<const KxDateTime*>(variable)->IsValid() ? 1 : 0;
}

// ---- blobs --------------------------------------------------------------------------------------

KxGBlobTypeHdl::KxGBlobTypeHdl() : KxGDB2TypeHdl(18) {}

int32_t KxGBlobTypeHdl::ColumnSize(int32_t size)
{
    return size;
}

int32_t KxGBlobTypeHdl::BufferSize(int32_t size)
{
    return size;
}

void* KxGBlobTypeHdl::SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t size, KxGContext* context)
{
    if (variable == nullptr || sqlValue == nullptr) {
        return variable;
    }
    auto* blob = static_cast<KxBlob*>(variable);
    if (IsNull(indicator)) {
        blob->Empty();
        return variable;
    }
    const int32_t room = size > 4 ? size - 4 : 0;
    int32_t length = Load<int32_t>(sqlValue);
    if (length < 0 || length > room) {
        KxString line("Blob fetch: stored length ");
        line << length << " exceeds the buffer's " << room << " bytes; clamped";
        TraceWarning(context, line);
        length = length < 0 ? 0 : room;
    }
    if (size < 4) {
        blob->Empty();
    } else {
        blob->SetTo(static_cast<const uint8_t*>(sqlValue) + 4, static_cast<uint32_t>(length));
    }
    return variable;
}

void* KxGBlobTypeHdl::VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t size, KxGContext*)
{
    if (variable == nullptr || sqlValue == nullptr) {
        return nullptr;
    }
    const auto* blob = static_cast<const KxBlob*>(variable);
    const int64_t room = size > 4 ? size - 4 : 0;
    int64_t length = blob->Length();
    bool fits = true;
    if (length > room) {
        length = room;
        fits = false;
    }
    if (length == 0) {
        WriteIndicator(indicator, KXG_DB2_IND_NULL);
    } else {
        WriteIndicator(indicator, static_cast<int32_t>(length + 4));
        Save<int32_t>(sqlValue, static_cast<int32_t>(length));
        std::memcpy(static_cast<uint8_t*>(sqlValue) + 4, blob->Data(), static_cast<size_t>(length));
    }
    return fits ? sqlValue : nullptr;
}

void KxGBlobTypeHdl::ValueToText(const void* sqlValue, KxString& text, int32_t, KxGContext*)
{
    text << (sqlValue == nullptr ? "NULL" : "Blob data");
}

void KxGBlobTypeHdl::SetDataLength(void*, void* indicator, int32_t size)
{
    WriteIndicator(indicator, size == 0 ? KXG_DB2_IND_NULL : size);
}

// ---- booleans and 64-bit integers ---------------------------------------------------------------

KxGBooleanTypeHdl::KxGBooleanTypeHdl() : KxGDB2TypeHdl(27) {}

void* KxGBooleanTypeHdl::SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t, KxGContext*)
{
    if (variable == nullptr || sqlValue == nullptr) {
        return variable;
    }
    *static_cast<KxBoolean*>(variable) = !IsNull(indicator) && Load<int16_t>(sqlValue) != 0;
    return variable;
}

void* KxGBooleanTypeHdl::VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t, KxGContext*)
{
    if (variable == nullptr || sqlValue == nullptr) {
        return nullptr;
    }
    WriteIndicator(indicator, 0);
    Save<int16_t>(sqlValue, static_cast<const KxBoolean*>(variable)->IsTrue() ? 1 : 0);
    return sqlValue;
}

void KxGBooleanTypeHdl::ValueToText(const void* sqlValue, KxString& text, int32_t, KxGContext*)
{
    if (sqlValue != nullptr) {
        text << int32_t(Load<int16_t>(sqlValue));
    }
}

KxGInt64TypeHdl::KxGInt64TypeHdl(uint8_t typeCode) : KxGDB2TypeHdl(typeCode) {}

void* KxGInt64TypeHdl::SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t, KxGContext*)
{
    if (variable == nullptr || sqlValue == nullptr) {
        return variable;
    }
    Save<int64_t>(variable, IsNull(indicator) ? 0 : Load<int64_t>(sqlValue));
    return variable;
}

void* KxGInt64TypeHdl::VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t, KxGContext*)
{
    if (variable == nullptr || sqlValue == nullptr) {
        return nullptr;
    }
    WriteIndicator(indicator, 0);
    Save<int64_t>(sqlValue, Load<int64_t>(variable));
    return sqlValue;
}

void KxGInt64TypeHdl::ValueToText(const void* sqlValue, KxString& text, int32_t, KxGContext*)
{
    if (sqlValue == nullptr) {
        text << "NULL";
    } else if (TypeCode() == 43) {
        text << Load<uint64_t>(sqlValue);
    } else {
        text << Load<int64_t>(sqlValue);
    }
}

KxG8BTypeHdl::KxG8BTypeHdl() : KxGInt64TypeHdl(42) {}

KxGU8BTypeHdl::KxGU8BTypeHdl() : KxGInt64TypeHdl(43) {}

KxGInt64toInt32TypeHdl::KxGInt64toInt32TypeHdl() : KxGDB2TypeHdl(2) {}

KxGInt64toInt32TypeHdl::KxGInt64toInt32TypeHdl(uint8_t typeCode) : KxGDB2TypeHdl(typeCode) {}

bool KxGInt64toInt32TypeHdl::IsUnsigned()
{
    return false;
}

void* KxGInt64toInt32TypeHdl::SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t, KxGContext*)
{
    if (variable == nullptr || sqlValue == nullptr) {
        return variable;
    }
    const int64_t value = IsNull(indicator) ? 0 : int64_t(Load<int32_t>(sqlValue));
    Save<int64_t>(variable, value);
    return variable;
}

void* KxGInt64toInt32TypeHdl::VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t, KxGContext* context)
{
    if (variable == nullptr || sqlValue == nullptr) {
        return nullptr;
    }
    const int64_t value = Load<int64_t>(variable);
    const bool fits = IsUnsigned() ? Load<uint64_t>(variable) <= uint64_t(std::numeric_limits<int32_t>::max())
                                   : value >= std::numeric_limits<int32_t>::min() &&
                                         value <= std::numeric_limits<int32_t>::max();
    if (!fits) {
        KxString line("64-bit value does not fit an INTEGER column: ");
        if (IsUnsigned()) {
            line << Load<uint64_t>(variable);
        } else {
            line << value;
        }
        TraceWarning(context, line);
        return nullptr;
    }
    WriteIndicator(indicator, 0);
    Save<int32_t>(sqlValue, static_cast<int32_t>(value));
    return sqlValue;
}

void KxGInt64toInt32TypeHdl::ValueToText(const void* sqlValue, KxString& text, int32_t, KxGContext*)
{
    if (sqlValue == nullptr) {
        text << "NULL";
    } else if (IsUnsigned()) {
        text << Load<uint32_t>(sqlValue);
    } else {
        text << Load<int32_t>(sqlValue);
    }
}

KxG8BtoInt32TypeHdl::KxG8BtoInt32TypeHdl() : KxGInt64toInt32TypeHdl(2) {}

KxGU8BtoInt32TypeHdl::KxGU8BtoInt32TypeHdl() : KxGInt64toInt32TypeHdl(6) {}

bool KxGU8BtoInt32TypeHdl::IsUnsigned()
{
    return true;
}
