// The DB2 conversion table: the expression and result for every pair of source and target kind,
// and the size rule.
#include "KxGDB2TypeConvHdl.h"

namespace kxgdb2 {

namespace {

// out = head x tail; the result given.
int32_t Wrap(const char* head, const KxString& x, const char* tail, int32_t result, KxString& out)
{
    KxString text(head);
    text << x << tail;
    out = text;
    return result;
}

int32_t Same(const KxString& x, int32_t result, KxString& out)
{
    out = x;
    return result;
}

// out = head x middle n tail.
int32_t WrapSized(const char* head, const KxString& x, const char* middle, uint32_t n, const char* tail,
                  int32_t result, KxString& out)
{
    KxString text(head);
    text << x << middle << n << tail;
    out = text;
    return result;
}

bool IsNumber(ConvKind kind)
{
    return kind == ConvKind::Short || kind == ConvKind::Int || kind == ConvKind::Float;
}

bool IsText(ConvKind kind)
{
    return kind == ConvKind::String || kind == ConvKind::StringVar || kind == ConvKind::StringLong;
}

}  // namespace

// ---- KxGTypeConvHdl ----------------------------------------------------------------------------

KxGTypeConvHdl::~KxGTypeConvHdl() = default;

int32_t KxGTypeConvHdl::ConvertToChar(const KxString&, KxString&) { return CONV_NOT_CONVERTIBLE; }
int32_t KxGTypeConvHdl::ConvertToShort(const KxString&, KxString&) { return CONV_NOT_CONVERTIBLE; }
int32_t KxGTypeConvHdl::ConvertToInt(const KxString&, KxString&) { return CONV_NOT_CONVERTIBLE; }
int32_t KxGTypeConvHdl::ConvertToFloat(const KxString&, KxString&) { return CONV_NOT_CONVERTIBLE; }
int32_t KxGTypeConvHdl::ConvertToTime(const KxString&, KxString&) { return CONV_NOT_CONVERTIBLE; }
int32_t KxGTypeConvHdl::ConvertToDate(const KxString&, KxString&) { return CONV_NOT_CONVERTIBLE; }
int32_t KxGTypeConvHdl::ConvertToDateTime(const KxString&, KxString&) { return CONV_NOT_CONVERTIBLE; }
int32_t KxGTypeConvHdl::ConvertToBlob(const KxString&, KxString&) { return CONV_NOT_CONVERTIBLE; }
int32_t KxGTypeConvHdl::ConvertToOID(const KxString&, KxString&) { return CONV_NOT_CONVERTIBLE; }
int32_t KxGTypeConvHdl::ConvertToODReg(const KxString&, KxString&) { return CONV_NOT_CONVERTIBLE; }
int32_t KxGTypeConvHdl::ConvertToByte(const KxString&, KxString&) { return CONV_NOT_CONVERTIBLE; }
int32_t KxGTypeConvHdl::ConvertToString(const KxString&, KxString&) { return CONV_NOT_CONVERTIBLE; }
int32_t KxGTypeConvHdl::ConvertToStringVar(const KxString&, KxString&) { return CONV_NOT_CONVERTIBLE; }
int32_t KxGTypeConvHdl::ConvertToStringLong(const KxString&, KxString&) { return CONV_NOT_CONVERTIBLE; }
void KxGTypeConvHdl::SetSize(uint32_t) {}
int32_t KxGTypeConvHdl::ConvertSize(uint32_t, const KxString&, KxString&) { return CONV_SAME; }

// ---- KxGKindTypeConvHdl ------------------------------------------------------------------------

int32_t KxGKindTypeConvHdl::ConvertFrom(KxGTypeConvHdl& source, const KxString& x, KxString& out)
{
    switch (kind_) {
    case ConvKind::Char: return source.ConvertToChar(x, out);
    case ConvKind::Short: return source.ConvertToShort(x, out);
    case ConvKind::Int: return source.ConvertToInt(x, out);
    case ConvKind::Float: return source.ConvertToFloat(x, out);
    case ConvKind::Time: return source.ConvertToTime(x, out);
    case ConvKind::Date: return source.ConvertToDate(x, out);
    case ConvKind::DateTime: return source.ConvertToDateTime(x, out);
    case ConvKind::Blob: return source.ConvertToBlob(x, out);
    case ConvKind::OID: return source.ConvertToOID(x, out);
    case ConvKind::ODReg: return source.ConvertToODReg(x, out);
    case ConvKind::Byte: return source.ConvertToByte(x, out);
    case ConvKind::String: return source.ConvertToString(x, out);
    case ConvKind::StringVar: return source.ConvertToStringVar(x, out);
    case ConvKind::StringLong: return source.ConvertToStringLong(x, out);
    }
    return CONV_NOT_CONVERTIBLE;
}

int32_t KxGKindTypeConvHdl::ConvertToChar(const KxString& x, KxString& out) { return To(ConvKind::Char, x, out); }
int32_t KxGKindTypeConvHdl::ConvertToShort(const KxString& x, KxString& out) { return To(ConvKind::Short, x, out); }
int32_t KxGKindTypeConvHdl::ConvertToInt(const KxString& x, KxString& out) { return To(ConvKind::Int, x, out); }
int32_t KxGKindTypeConvHdl::ConvertToFloat(const KxString& x, KxString& out) { return To(ConvKind::Float, x, out); }
int32_t KxGKindTypeConvHdl::ConvertToTime(const KxString& x, KxString& out) { return To(ConvKind::Time, x, out); }
int32_t KxGKindTypeConvHdl::ConvertToDate(const KxString& x, KxString& out) { return To(ConvKind::Date, x, out); }
int32_t KxGKindTypeConvHdl::ConvertToDateTime(const KxString& x, KxString& out)
{
    return To(ConvKind::DateTime, x, out);
}
int32_t KxGKindTypeConvHdl::ConvertToBlob(const KxString& x, KxString& out) { return To(ConvKind::Blob, x, out); }
int32_t KxGKindTypeConvHdl::ConvertToOID(const KxString& x, KxString& out) { return To(ConvKind::OID, x, out); }
int32_t KxGKindTypeConvHdl::ConvertToODReg(const KxString& x, KxString& out) { return To(ConvKind::ODReg, x, out); }
int32_t KxGKindTypeConvHdl::ConvertToByte(const KxString& x, KxString& out) { return To(ConvKind::Byte, x, out); }
int32_t KxGKindTypeConvHdl::ConvertToString(const KxString& x, KxString& out) { return To(ConvKind::String, x, out); }
int32_t KxGKindTypeConvHdl::ConvertToStringVar(const KxString& x, KxString& out)
{
    return To(ConvKind::StringVar, x, out);
}
int32_t KxGKindTypeConvHdl::ConvertToStringLong(const KxString& x, KxString& out)
{
    return To(ConvKind::StringLong, x, out);
}

void KxGKindTypeConvHdl::SetSize(uint32_t size)
{
    size_ = size;
}

int32_t KxGKindTypeConvHdl::To(ConvKind target, const KxString& x, KxString& out) const
{
    const uint32_t n = size_;
    if (target == kind_) {
        return Same(x, CONV_SAME, out);
    }
    switch (kind_) {
    case ConvKind::Char:
        switch (target) {
        case ConvKind::Short: case ConvKind::Int: return Wrap("INT(SUBSTR(", x, ", 1, 1))", 1, out);
        case ConvKind::Float: return Wrap("DOUBLE(SUBSTR(", x, ", 1, 1))", 1, out);
        case ConvKind::Byte: return Wrap("CHR(INT(SUBSTR(", x, ", 1, 1)))", 2, out);
        default: return IsText(target) ? Same(x, 1, out) : CONV_NOT_CONVERTIBLE;
        }
    case ConvKind::Short: case ConvKind::Int: case ConvKind::Float:
        switch (target) {
        case ConvKind::Char: return Wrap("SUBSTR(CHAR(", x, "),1,1)", 1, out);
        case ConvKind::Short: case ConvKind::Int: case ConvKind::Float: return Same(x, 1, out);
        case ConvKind::Date: return Wrap("DATE(", x, ")", 1, out);
        case ConvKind::DateTime: return Wrap("TIMESTAMP(DATE(", x, "), '00:00:00')", 1, out);
        case ConvKind::Byte: return Wrap("CHR(", x, ")", 1, out);
        default: return IsText(target) ? Wrap("CHAR(", x, ")", 1, out) : CONV_NOT_CONVERTIBLE;
        }
    case ConvKind::Time:
        if (IsNumber(target)) {
            return Wrap("MIDNIGHT_SECONDS(", x, ")", 1, out);
        }
        if (target == ConvKind::DateTime) {
            return Wrap("TIMESTAMP('01/01/0001',", x, ")", 1, out);
        }
        return IsText(target) ? Wrap("CHAR(", x, ")", 1, out) : CONV_NOT_CONVERTIBLE;
    case ConvKind::Date:
        if (IsNumber(target)) {
            return Wrap("DAYS(", x, ")", 1, out);
        }
        if (target == ConvKind::DateTime) {
            return Wrap("TIMESTAMP(", x, ",'00:00:00')", 1, out);
        }
        return IsText(target) ? Wrap("CHAR(", x, ")", 1, out) : CONV_NOT_CONVERTIBLE;
    case ConvKind::DateTime:
        if (IsNumber(target)) {
            return Wrap("DAYS(", x, ")", 1, out);
        }
        if (target == ConvKind::Date) {
            return Wrap("DATE(", x, ")", 1, out);
        }
        return IsText(target) ? Wrap("CHAR(", x, ")", 1, out) : CONV_NOT_CONVERTIBLE;
    case ConvKind::Byte:
        if (target == ConvKind::Char) {
            return Wrap("CHAR(ASCII(", x, "), 1)", 2, out);
        }
        if (IsNumber(target)) {
            return Wrap("ASCII(", x, ")", 1, out);
        }
        return IsText(target) ? Wrap("CHAR(ASCII(", x, "))", 1, out) : CONV_NOT_CONVERTIBLE;
    case ConvKind::String: case ConvKind::StringVar:
        switch (target) {
        case ConvKind::Char: return Wrap("CHAR(", x, ",1)", 1, out);
        case ConvKind::Short: case ConvKind::Int: return Wrap("INT(", x, ")", 1, out);
        case ConvKind::Float: return Wrap("DOUBLE(", x, ")", 1, out);
        case ConvKind::Time: return Wrap("TIME(", x, ")", 1, out);
        case ConvKind::Date: return Wrap("DATE(", x, ")", 1, out);
        case ConvKind::DateTime: return Wrap("TIMESTAMP(", x, ")", 1, out);
        case ConvKind::Byte: return Wrap("CHR(INT(", x, "))", 1, out);
        case ConvKind::String: return WrapSized("CHAR(", x, ", ", n, ")", 1, out);
        case ConvKind::StringVar: return WrapSized("VARCHAR(RTRIM(", x, "), ", n, ")", 1, out);
        case ConvKind::StringLong:
            return kind_ == ConvKind::String ? Wrap("RTRIM(", x, ")", 1, out) : Same(x, 1, out);
        default: return CONV_NOT_CONVERTIBLE;
        }
    case ConvKind::StringLong:
        switch (target) {
        case ConvKind::Char: return Wrap("CHAR(", x, ",1)", 1, out);
        case ConvKind::String: return WrapSized("CHAR(", x, ", ", n, ")", 1, out);
        case ConvKind::StringVar: return WrapSized("VARCHAR(", x, ", ", n, ")", 1, out);
        default: return CONV_NOT_CONVERTIBLE;
        }
    case ConvKind::Blob: case ConvKind::OID: case ConvKind::ODReg:
        return CONV_NOT_CONVERTIBLE;
    }
    return CONV_NOT_CONVERTIBLE;
}

int32_t KxGKindTypeConvHdl::ConvertSize(uint32_t sourceSize, const KxString& x, KxString& out)
{
    const uint32_t n = size_;
    switch (kind_) {
    case ConvKind::Char: case ConvKind::Byte: case ConvKind::String: case ConvKind::StringVar:
        if (sourceSize < n) {
            return CONV_NEW_COLUMN;
        }
        if (sourceSize == n) {
            return CONV_SAME;
        }
        return kind_ == ConvKind::StringVar ? WrapSized("RTRIM(SUBSTR(", x, ", 1, ", n, "))", 2, out)
                                            : WrapSized("SUBSTR(", x, ", 1, ", n, ")", 2, out);
    case ConvKind::Blob: case ConvKind::StringLong:
        return sourceSize != n ? CONV_SIZE_DIFFERS : CONV_SAME;
    default:
        return CONV_SAME;
    }
}

}  // namespace kxgdb2
