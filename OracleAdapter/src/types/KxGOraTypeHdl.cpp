// The base of the Oracle type handlers, and the handlers of unsigned integers and booleans.
#include "KxGOraTypeHdl.h"

#include <atomic>
#include <cstring>

#include "KxGDatabase.h"
#include "KxGatewayModule.h"
#include "KxGUnaligned.h"
#include "KxInt64.h"
#include "oci.h"

namespace {

std::atomic<uint16_t> g_onlyServerUnicode{0};
std::atomic<uint16_t> g_clientUnicode{0};

enum : uint8_t {
    kChar = 0, kShort = 1, kInt = 2, kDouble = 3, kFloat = 4, kUShort = 5, kUInt = 6, kLong = 7,
    kULong = 8, kInt4 = 9, kByte = 10, kString = 11, kDate = 12, kTime = 13, kClassId = 16,
    kBlob = 18, kDateTime = 19, kIString = 20, kCaseIString = 21, kKxInt64 = 26, kBoolean = 27,
    kInt64 = 42, kUInt64 = 43
};

// The size of a copy of the base: 8 bytes for a double, 4 for a float, size bytes otherwise.
size_t CopySize(uint8_t code, int32_t size)
{
    if (code == kDouble) {
        return sizeof(double);
    }
    if (code == kFloat) {
        return sizeof(float);
    }
    return size > 0 ? size_t(size) : 0;
}

using kxg_unaligned::Load;

// Unsigned ints and longs without storage option: bound as unsigned integers and fetched as signed
// 8-byte integers, both through an 8-byte slot, so that a value an earlier gateway bound as signed
// (the negative two's complement of the value) reads back as the unsigned value it stands for.
bool IsWideUnsigned(uint8_t code)
{
    return code == kUInt || code == kULong;
}

}  // namespace

// ---- KxGOraTypeHdl ------------------------------------------------------------------------------

KxGOraTypeHdl::KxGOraTypeHdl(const KxGContext& context, uint8_t typeCode) : KxGTypeHdl(context), code_(typeCode)
{
    SetAdapterMark(Mark());
}

const void* KxGOraTypeHdl::Mark()
{
    static const char mark = 0;
    return &mark;
}

KxGOraTypeHdl::~KxGOraTypeHdl() = default;

uint8_t KxGOraTypeHdl::TypeCode()
{
    return code_;
}

uint16_t KxGOraTypeHdl::SQLTypeName(int32_t size, KxString& text)
{
    switch (NativeType()) {
    case 1:
    case SQLT_STR:
        text << "VARCHAR2 (" << size << ")";
        return 1;
    case 2:
    case SQLT_INT:
    case SQLT_VNU:
    case SQLT_UIN:
        text << "NUMBER (38) DEFAULT 0";
        return 1;
    case SQLT_FLT:
        text << "NUMBER DEFAULT 0";
        return 1;
    case 8:
        text << "LONG";
        return 1;
    case SQLT_VCS:
    case SQLT_AFC:
    case SQLT_AVC:
        text << "CHAR (" << size << ")";
        return 1;
    case 11:
        text << "ROWID";
        return 1;
    case SQLT_DAT:
        text << "DATE";
        return 1;
    case SQLT_VBI:
    case SQLT_BIN:
        text << "RAW (" << size << ")";
        return 1;
    case SQLT_LBI:
    case SQLT_LVB:
        text << "LONG RAW";
        return 1;
    case SQLT_LVC:
        text << "LONG VARCHAR";
        return 1;
    case SQLT_BLOB:
        text << "BLOB DEFAULT EMPTY_BLOB()";
        return 1;
    default:
        return 0;
    }
}

int32_t KxGOraTypeHdl::IndSize()
{
    return 2;
}

int32_t KxGOraTypeHdl::ColumnSize(int32_t size)
{
    switch (code_) {
    case kChar:
    case kByte:
        return size;
    case kShort:
    case kUShort:
    case kClassId:
        return 2;
    case kInt:
    case kUInt:
    case kLong:
    case kULong:
    case kInt4:
        return 4;
    case kDouble:
        return 8;
    case kFloat:
        return 4;
    case kDate:
    case kTime:
    case kDateTime:
        return 7;
    case kBlob:
        return 65000;
    case kKxInt64:
    case kInt64:
    case kUInt64:
        return 21;
    case kBoolean:
        return 1;
    default:
        return 0;   // strings and codes without a column
    }
}

int32_t KxGOraTypeHdl::BufferSize(int32_t size)
{
    return IsWideUnsigned(code_) ? int32_t(sizeof(int64_t)) : ColumnSize(size);
}

int32_t KxGOraTypeHdl::BindSize(int32_t size)
{
    return size;
}

int32_t KxGOraTypeHdl::ValueLength(const void*)
{
    return ColumnSize(1);
}

void* KxGOraTypeHdl::SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t size, KxGContext*)
{
    if (sqlValue == nullptr || variable == nullptr || sqlValue == variable) {
        return variable;
    }
    if (IsWideUnsigned(code_)) {
        const auto value = IsNull(indicator) ? uint32_t(0) : static_cast<uint32_t>(Load<int64_t>(sqlValue));
        std::memcpy(variable, &value, sizeof value);
        return variable;
    }
    const size_t bytes = CopySize(code_, size);
    if (IsNull(indicator)) {
        if (code_ == kDouble) {
            const double zero = 0.0;
            std::memcpy(variable, &zero, sizeof zero);
        } else if (code_ == kFloat) {
            const float zero = 0.0f;
            std::memcpy(variable, &zero, sizeof zero);
        } else {
            std::memset(variable, 0, bytes);
        }
        return variable;
    }
    std::memcpy(variable, sqlValue, bytes);
    return variable;
}

void* KxGOraTypeHdl::VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t size, KxGContext*)
{
    if (sqlValue == nullptr || variable == nullptr) {
        return nullptr;
    }
    SetNotNull(indicator);
    if (IsWideUnsigned(code_)) {
        const uint64_t value = Load<uint32_t>(variable);
        std::memcpy(sqlValue, &value, sizeof value);
        return sqlValue;
    }
    if (sqlValue != variable) {
        std::memcpy(sqlValue, variable, CopySize(code_, size));
    }
    return sqlValue;
}

void KxGOraTypeHdl::ValueToText(const void* sqlValue, KxString& text, int32_t, KxGContext*)
{
    if (sqlValue == nullptr) {
        return;
    }
    const uint8_t code = TypeCode();
    switch (code) {
    case kChar:
    case kByte:
        text << Load<char>(sqlValue);
        break;
    case kShort:
        text << int32_t(Load<int16_t>(sqlValue));
        break;
    case kUShort:
        text << uint32_t(Load<uint16_t>(sqlValue));
        break;
    case kInt:
    case kLong:
    case kInt4:
        text << Load<int32_t>(sqlValue);
        break;
    case kUInt:
    case kULong:
        text << Load<uint32_t>(sqlValue);
        break;
    case kDouble:
        text << Load<double>(sqlValue);
        break;
    case kFloat:
        text << double(Load<float>(sqlValue));
        break;
    default:
        text << "Unknown type? = " << uint32_t(code);
        break;
    }
}

uint16_t KxGOraTypeHdl::IsNullValue(const void*)
{
    return 0;
}

uint16_t KxGOraTypeHdl::IsNull(const void* indicator)
{
    return indicator != nullptr && Load<uint16_t>(indicator) == KXG_ORA_IND_NULL ? 1 : 0;
}

void KxGOraTypeHdl::PrepareIndicator(void*)
{
}

void KxGOraTypeHdl::SetNull(void* indicator)
{
    if (indicator != nullptr) {
        const uint16_t value = KXG_ORA_IND_NULL;
        std::memcpy(indicator, &value, sizeof value);
    }
}

void KxGOraTypeHdl::SetDataLength(void*, void*, int32_t)
{
}

uint16_t KxGOraTypeHdl::NativeType()
{
    switch (code_) {
    case kChar:
    case kByte:
        return SQLT_VBI;
    case kShort:
    case kUShort:   // shares its handler with signed catalog columns (an index's class number)
    case kClassId:
    case kInt:
    case kLong:
    case kInt4:
        return SQLT_INT;
    case kUInt:
    case kULong:
        return SQLT_UIN;
    case kDouble:
    case kFloat:
        return SQLT_FLT;
    case kString:
    case kIString:
    case kCaseIString:
        return SQLT_STR;
    case kDate:
    case kTime:
    case kDateTime:
        return SQLT_DAT;
    case kBlob:
        return SQLT_LVB;
    case kKxInt64:
    case kInt64:
    case kUInt64:
        return SQLT_VNU;
    case kBoolean:
        return SQLT_VCS;
    default:
        return 10;   // no external type: SQLTypeName writes nothing
    }
}

uint16_t KxGOraTypeHdl::DefineType()
{
    return IsWideUnsigned(code_) ? uint16_t(SQLT_INT) : NativeType();
}

void KxGOraTypeHdl::SetUnicodeFlags(uint16_t onlyServerUnicode, uint16_t clientUnicode)
{
    g_onlyServerUnicode.store(onlyServerUnicode);
    g_clientUnicode.store(clientUnicode);
}

uint16_t KxGOraTypeHdl::ClientUnicode()
{
    return g_clientUnicode.load();
}

uint16_t KxGOraTypeHdl::OnlyServerUnicode()
{
    return g_onlyServerUnicode.load();
}

KxGDatabase* KxGOraTypeHdl::DatabaseOf(KxGContext* context) const
{
    if (context != nullptr && context->GetDatabase() != nullptr) {
        return context->GetDatabase();
    }
    return GetContext().GetDatabase();
}

int32_t KxGOraTypeHdl::ConnectionVersion(KxGContext* context) const
{
    KxGDatabase* database = DatabaseOf(context);
    return database != nullptr ? database->GetGatewayVersion() : ProcessVersion();
}

int32_t KxGOraTypeHdl::ProcessVersion()
{
    return GetROGVersion();
}

void KxGOraTypeHdl::SetNotNull(void* indicator)
{
    if (indicator != nullptr) {
        const uint16_t value = KXG_ORA_IND_NOT_NULL;
        std::memcpy(indicator, &value, sizeof value);
    }
}

// ---- KxGOraBooleanTypeHdl -----------------------------------------------------------------------

KxGOraBooleanTypeHdl::KxGOraBooleanTypeHdl(const KxGContext& context) : KxGOraTypeHdl(context, kBoolean)
{
}

int32_t KxGOraBooleanTypeHdl::ColumnSize(int32_t)
{
    return 1;
}

int32_t KxGOraBooleanTypeHdl::BufferSize(int32_t)
{
    return 3;
}

void* KxGOraBooleanTypeHdl::SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t, KxGContext*)
{
    if (sqlValue == nullptr || variable == nullptr) {
        return nullptr;
    }
    KxBoolean& value = *static_cast<KxBoolean*>(variable);
    if (IsNull(indicator)) {
        value = false;
        return variable;
    }
    const uint8_t* slot = static_cast<const uint8_t*>(sqlValue);
    const uint16_t length = Load<uint16_t>(slot);
    value = length > 0 && slot[2] != 0;
    return variable;
}

void* KxGOraBooleanTypeHdl::VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t, KxGContext*)
{
    if (sqlValue == nullptr || variable == nullptr) {
        return nullptr;
    }
    uint8_t* slot = static_cast<uint8_t*>(sqlValue);
    const uint16_t length = 1;
    std::memcpy(slot, &length, sizeof length);
    slot[2] = static_cast<const KxBoolean*>(variable)->IsTrue() ? 1 : 0;
    SetNotNull(indicator);
    return sqlValue;
}

void KxGOraBooleanTypeHdl::ValueToText(const void* sqlValue, KxString& text, int32_t, KxGContext*)
{
    if (sqlValue == nullptr) {
        return;
    }
    const uint8_t* slot = static_cast<const uint8_t*>(sqlValue);
    text << (Load<uint16_t>(slot) > 0 && slot[2] != 0 ? "TRUE" : "FALSE");
}

uint16_t KxGOraBooleanTypeHdl::NativeType()
{
    return SQLT_VCS;
}

// ---- KxGUnsignedTypeHdl -------------------------------------------------------------------------

KxGUnsignedTypeHdl::KxGUnsignedTypeHdl(const KxGContext& context, uint8_t handlerCode)
    : KxGOraTypeHdl(context, handlerCode)
{
}

uint8_t KxGUnsignedTypeHdl::TypeCode()
{
    switch (HeldCode()) {
    case 58:
        return kUShort;
    case 59:
        return kUInt;
    case 60:
        return kULong;
    default:
        return 100;
    }
}

int32_t KxGUnsignedTypeHdl::ColumnSize(int32_t)
{
    return HeldCode() == 58 ? 2 : 4;
}

int32_t KxGUnsignedTypeHdl::BufferSize(int32_t size)
{
    return ColumnSize(size);
}

uint16_t KxGUnsignedTypeHdl::NativeType()
{
    return SQLT_UIN;
}
