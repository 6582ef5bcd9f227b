// DB2 type-conversion handlers: the pieces from which the DB2 adapter builds the SQL expression that
// turns the values of a column of one kernel type and size into another (schema evolution), with
// INT, DOUBLE, CHAR, VARCHAR, DATE, TIME, TIMESTAMP, DAYS, MIDNIGHT_SECONDS, ASCII, CHR, RTRIM and
// SUBSTR.
//
// Double dispatch: the handler of the target column's kind (its ConvertFrom) calls the source
// handler's "to <kind>" operation, which writes the DB2 expression for that pair. When the kinds
// agree (result 0) the source handler's ConvertSize then settles a change of size.
//
//   KxGCharTypeConvHdl         code 0
//   KxGShortTypeConvHdl        codes 1, 5, 27
//   KxGIntTypeConvHdl          codes 2, 6, 7, 8, 9, 26, 42, 43
//   KxGFloatTypeConvHdl        codes 3, 4
//   KxGByteTypeConvHdl         code 10
//   KxGStringTypeConvHdl       codes 11, 20, 21 in a CHARACTER column
//   KxGDateTypeConvHdl         code 12
//   KxGTimeTypeConvHdl         code 13
//   KxGOIDTypeConvHdl          codes 15, 17
//   KxGODRegTypeConvHdl        code 16
//   KxGBlobTypeConvHdl         code 18
//   KxGDateTimeTypeConvHdl     code 19
//   KxGStringVarTypeConvHdl    codes 11, 20, 21 in a VARCHAR column (conversion codes 47, 52, 54)
//   KxGStringLongTypeConvHdl   codes 11, 20, 21 in a LONG VARCHAR column (conversion codes 48, 53, 55)
//
// The classes live in the namespace kxgdb2, so that they never meet the Oracle adapter's handlers of
// the same names in one process.
//
// A "to <kind>" operation that answers 0, 1 or 2 replaces the content of out with the expression (for
// 0 the source expression itself); one that answers -1 leaves out as it was. ConvertSize replaces out
// only where it writes an expression.
#pragma once

#include <cstdint>

#include "KxString.h"

namespace kxgdb2 {

// Results of the conversion operations (and of the conversion manager's BuildConversion).
enum : int32_t {
    CONV_NOT_CONVERTIBLE = -1,  // no expression converts the values
    CONV_SAME = 0,              // same kind and size: out is the source expression
    CONV_NEW_COLUMN = 1,        // out converts the values; the target needs a column of its own
    CONV_IN_PLACE = 2,          // out converts the values in place
    CONV_SIZE_DIFFERS = 3       // same kind, other size, and no expression carries the values
};

// The target kinds, in the order of the "to <kind>" operations.
enum class ConvKind : uint8_t {
    Char, Short, Int, Float, Time, Date, DateTime, Blob, OID, ODReg, Byte, String, StringVar, StringLong
};

class KxGTypeConvHdl {
public:
    KxGTypeConvHdl() = default;
    // Handlers are owned and deleted through this base by the conversion manager.
    virtual ~KxGTypeConvHdl();
    KxGTypeConvHdl(const KxGTypeConvHdl&) = delete;
    KxGTypeConvHdl& operator=(const KxGTypeConvHdl&) = delete;

    // Writes the expression that turns sourceExpression, a value of the source handler's kind, into
    // this handler's kind: calls the source handler's "to <this kind>" operation.
    virtual int32_t ConvertFrom(KxGTypeConvHdl& source, const KxString& sourceExpression, KxString& out) = 0;

    // From this handler's kind to the named kind. Base: -1 (not convertible).
    virtual int32_t ConvertToChar(const KxString& sourceExpression, KxString& out);
    virtual int32_t ConvertToShort(const KxString& sourceExpression, KxString& out);
    virtual int32_t ConvertToInt(const KxString& sourceExpression, KxString& out);
    virtual int32_t ConvertToFloat(const KxString& sourceExpression, KxString& out);
    virtual int32_t ConvertToTime(const KxString& sourceExpression, KxString& out);
    virtual int32_t ConvertToDate(const KxString& sourceExpression, KxString& out);
    virtual int32_t ConvertToDateTime(const KxString& sourceExpression, KxString& out);
    virtual int32_t ConvertToBlob(const KxString& sourceExpression, KxString& out);
    virtual int32_t ConvertToOID(const KxString& sourceExpression, KxString& out);
    virtual int32_t ConvertToODReg(const KxString& sourceExpression, KxString& out);
    virtual int32_t ConvertToByte(const KxString& sourceExpression, KxString& out);
    virtual int32_t ConvertToString(const KxString& sourceExpression, KxString& out);
    virtual int32_t ConvertToStringVar(const KxString& sourceExpression, KxString& out);
    virtual int32_t ConvertToStringLong(const KxString& sourceExpression, KxString& out);

    // The target column's size. Base: ignored.
    virtual void SetSize(uint32_t size);
    // After a conversion that answered 0: settles a source column of sourceSize against the size this
    // handler holds (the target's). Base: 0 (sizes do not matter for the kind).
    virtual int32_t ConvertSize(uint32_t sourceSize, const KxString& sourceExpression, KxString& out);
};

// The handlers of this adapter: each serves one kind, answers its "to <kind>" operations from the
// adapter's conversion table and dispatches ConvertFrom by its kind. Every handler but OID and ODReg
// holds the target column's size.
class KxGKindTypeConvHdl : public KxGTypeConvHdl {
public:
    KxGKindTypeConvHdl(ConvKind kind, uint32_t size) : kind_(kind), size_(size) {}

    int32_t ConvertFrom(KxGTypeConvHdl& source, const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToChar(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToShort(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToInt(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToFloat(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToTime(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToDate(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToDateTime(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToBlob(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToOID(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToODReg(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToByte(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToString(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToStringVar(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToStringLong(const KxString& sourceExpression, KxString& out) override;
    void SetSize(uint32_t size) override;
    int32_t ConvertSize(uint32_t sourceSize, const KxString& sourceExpression, KxString& out) override;

    ConvKind GetKind() const { return kind_; }
    uint32_t GetSize() const { return size_; }

private:
    // The table entry from this handler's kind to the target kind.
    int32_t To(ConvKind target, const KxString& x, KxString& out) const;

    ConvKind kind_;
    uint32_t size_;
};

class KxGCharTypeConvHdl : public KxGKindTypeConvHdl {
public:
    explicit KxGCharTypeConvHdl(uint32_t size) : KxGKindTypeConvHdl(ConvKind::Char, size) {}
};
class KxGShortTypeConvHdl : public KxGKindTypeConvHdl {
public:
    explicit KxGShortTypeConvHdl(uint32_t size) : KxGKindTypeConvHdl(ConvKind::Short, size) {}
};
class KxGIntTypeConvHdl : public KxGKindTypeConvHdl {
public:
    explicit KxGIntTypeConvHdl(uint32_t size) : KxGKindTypeConvHdl(ConvKind::Int, size) {}
};
class KxGFloatTypeConvHdl : public KxGKindTypeConvHdl {
public:
    explicit KxGFloatTypeConvHdl(uint32_t size) : KxGKindTypeConvHdl(ConvKind::Float, size) {}
};
class KxGTimeTypeConvHdl : public KxGKindTypeConvHdl {
public:
    explicit KxGTimeTypeConvHdl(uint32_t size) : KxGKindTypeConvHdl(ConvKind::Time, size) {}
};
class KxGDateTypeConvHdl : public KxGKindTypeConvHdl {
public:
    explicit KxGDateTypeConvHdl(uint32_t size) : KxGKindTypeConvHdl(ConvKind::Date, size) {}
};
class KxGDateTimeTypeConvHdl : public KxGKindTypeConvHdl {
public:
    explicit KxGDateTimeTypeConvHdl(uint32_t size) : KxGKindTypeConvHdl(ConvKind::DateTime, size) {}
};
class KxGBlobTypeConvHdl : public KxGKindTypeConvHdl {
public:
    explicit KxGBlobTypeConvHdl(uint32_t size) : KxGKindTypeConvHdl(ConvKind::Blob, size) {}
};
// Object ids and class ids: no size.
class KxGOIDTypeConvHdl : public KxGKindTypeConvHdl {
public:
    KxGOIDTypeConvHdl() : KxGKindTypeConvHdl(ConvKind::OID, 0) {}
    void SetSize(uint32_t) override {}
};
class KxGODRegTypeConvHdl : public KxGKindTypeConvHdl {
public:
    KxGODRegTypeConvHdl() : KxGKindTypeConvHdl(ConvKind::ODReg, 0) {}
    void SetSize(uint32_t) override {}
};
class KxGByteTypeConvHdl : public KxGKindTypeConvHdl {
public:
    explicit KxGByteTypeConvHdl(uint32_t size) : KxGKindTypeConvHdl(ConvKind::Byte, size) {}
};
class KxGStringTypeConvHdl : public KxGKindTypeConvHdl {
public:
    explicit KxGStringTypeConvHdl(uint32_t size) : KxGKindTypeConvHdl(ConvKind::String, size) {}
};
class KxGStringVarTypeConvHdl : public KxGKindTypeConvHdl {
public:
    explicit KxGStringVarTypeConvHdl(uint32_t size) : KxGKindTypeConvHdl(ConvKind::StringVar, size) {}
};
class KxGStringLongTypeConvHdl : public KxGKindTypeConvHdl {
public:
    explicit KxGStringLongTypeConvHdl(uint32_t size) : KxGKindTypeConvHdl(ConvKind::StringLong, size) {}
};

}  // namespace kxgdb2
