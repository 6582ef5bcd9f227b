// Oracle type-conversion handlers: the pieces from which the Oracle adapter builds the SQL expression
// that turns the values of a column of one kernel type and size into another (schema evolution).
//
// Double dispatch: the handler of the target column's kind (its ConvertFrom) calls the source
// handler's "to <kind>" operation, which writes the Oracle expression for that pair. When the kinds
// agree (result 0) the source handler's ConvertSize then settles a change of size.
//
//   KxGTypeConvHdl             the base: every "to <kind>" operation answers "not convertible".
//   KxGCharTypeConvHdl         code 0
//   KxGIntTypeConvHdl          codes 1, 2, 5, 6, 7, 8, 9, 26, 42, 43
//   KxGFloatTypeConvHdl        codes 3, 4
//   KxGByteTypeConvHdl         codes 10, 27
//   KxGStringTypeConvHdl       codes 11, 20, 21 in a VARCHAR2 column
//   KxGDateTypeConvHdl         code 12
//   KxGTimeTypeConvHdl         code 13
//   KxGIDTypeConvHdl           codes 15, 16, 17
//   KxGBlobTypeConvHdl         code 18
//   KxGDateTimeTypeConvHdl     code 19
//   KxGStringCharTypeConvHdl   codes 11, 20, 21 in a CHAR column (conversion codes 47, 48, 49)
//   KxGStringLongTypeConvHdl   codes 11, 20, 21 in a LONG column (conversion codes 50, 51, 52)
//
// A "to <kind>" operation that answers 0, 1 or 2 replaces the content of out with the expression (for
// 0 the source expression itself, or "NULL" for kinds whose values no expression carries); one that
// answers -1 leaves out as it was. ConvertSize replaces out only where it writes an expression. Date
// and time formats are pasted into SQL literals with their quotes doubled.
#pragma once

#include <cstdint>

#include "KxString.h"

// Results of the conversion operations (and of the conversion manager's BuildConversion).
enum : int32_t {
    KXG_CONV_NOT_CONVERTIBLE = -1,  // no expression converts the values
    KXG_CONV_SAME = 0,              // same kind and size: out is the source expression (or "NULL")
    KXG_CONV_NEW_COLUMN = 1,        // out converts the values; the target needs a column of its own
    KXG_CONV_IN_PLACE = 2,          // out converts the values in place
    KXG_CONV_SIZE_DIFFERS = 3       // same kind, other size, and no expression carries the values
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
    virtual int32_t ConvertToInt(const KxString& sourceExpression, KxString& out);
    virtual int32_t ConvertToFloat(const KxString& sourceExpression, KxString& out);
    virtual int32_t ConvertToTime(const KxString& sourceExpression, KxString& out);
    virtual int32_t ConvertToDate(const KxString& sourceExpression, KxString& out);
    virtual int32_t ConvertToDateTime(const KxString& sourceExpression, KxString& out);
    virtual int32_t ConvertToBlob(const KxString& sourceExpression, KxString& out);
    virtual int32_t ConvertToID(const KxString& sourceExpression, KxString& out);
    virtual int32_t ConvertToByte(const KxString& sourceExpression, KxString& out);
    virtual int32_t ConvertToString(const KxString& sourceExpression, KxString& out);
    virtual int32_t ConvertToStringChar(const KxString& sourceExpression, KxString& out);
    virtual int32_t ConvertToStringLong(const KxString& sourceExpression, KxString& out);

    // The target column's size. Base: ignored.
    virtual void SetSize(uint32_t size);
    // After a conversion that answered 0 (out holds its result): settles a source column of
    // sourceSize against the size this handler holds (the target's). Base: 0 (sizes do not matter
    // for the kind).
    virtual int32_t ConvertSize(uint32_t sourceSize, const KxString& sourceExpression, KxString& out);
};

// A handler that holds the target column's size.
class KxGSizedTypeConvHdl : public KxGTypeConvHdl {
public:
    explicit KxGSizedTypeConvHdl(uint32_t size) : size_(size) {}
    void SetSize(uint32_t size) override { size_ = size; }
    uint32_t GetSize() const { return size_; }

private:
    uint32_t size_;
};

// A sized handler that also holds the date and time formats of its texts.
class KxGFormattedTypeConvHdl : public KxGSizedTypeConvHdl {
public:
    KxGFormattedTypeConvHdl(uint32_t size, const KxString& dateFormat, const KxString& timeFormat)
        : KxGSizedTypeConvHdl(size), dateFormat_(dateFormat), timeFormat_(timeFormat) {}
    const KxString& GetDateFormat() const { return dateFormat_; }
    const KxString& GetTimeFormat() const { return timeFormat_; }

protected:
    KxString dateFormat_;
    KxString timeFormat_;
};

class KxGCharTypeConvHdl : public KxGSizedTypeConvHdl {
public:
    explicit KxGCharTypeConvHdl(uint32_t size) : KxGSizedTypeConvHdl(size) {}
    int32_t ConvertFrom(KxGTypeConvHdl& source, const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToChar(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToInt(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToFloat(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToByte(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToString(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToStringChar(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToStringLong(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertSize(uint32_t sourceSize, const KxString& sourceExpression, KxString& out) override;
};

class KxGIntTypeConvHdl : public KxGSizedTypeConvHdl {
public:
    explicit KxGIntTypeConvHdl(uint32_t size) : KxGSizedTypeConvHdl(size) {}
    int32_t ConvertFrom(KxGTypeConvHdl& source, const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToChar(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToInt(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToFloat(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToTime(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToDate(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToDateTime(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToByte(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToString(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToStringChar(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToStringLong(const KxString& sourceExpression, KxString& out) override;
};

class KxGFloatTypeConvHdl : public KxGSizedTypeConvHdl {
public:
    explicit KxGFloatTypeConvHdl(uint32_t size) : KxGSizedTypeConvHdl(size) {}
    int32_t ConvertFrom(KxGTypeConvHdl& source, const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToChar(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToInt(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToFloat(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToTime(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToDate(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToDateTime(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToByte(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToString(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToStringChar(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToStringLong(const KxString& sourceExpression, KxString& out) override;
};

class KxGByteTypeConvHdl : public KxGSizedTypeConvHdl {
public:
    explicit KxGByteTypeConvHdl(uint32_t size) : KxGSizedTypeConvHdl(size) {}
    int32_t ConvertFrom(KxGTypeConvHdl& source, const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToChar(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToInt(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToFloat(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToByte(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToString(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToStringChar(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToStringLong(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertSize(uint32_t sourceSize, const KxString& sourceExpression, KxString& out) override;
};

// A VARCHAR2 string column; D and T are its date and time formats.
class KxGStringTypeConvHdl : public KxGFormattedTypeConvHdl {
public:
    KxGStringTypeConvHdl(uint32_t size, const KxString& dateFormat, const KxString& timeFormat)
        : KxGFormattedTypeConvHdl(size, dateFormat, timeFormat) {}
    int32_t ConvertFrom(KxGTypeConvHdl& source, const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToChar(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToInt(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToFloat(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToTime(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToDate(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToDateTime(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToByte(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToString(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToStringChar(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToStringLong(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertSize(uint32_t sourceSize, const KxString& sourceExpression, KxString& out) override;
};

// A CHAR string column (blank-padded).
class KxGStringCharTypeConvHdl : public KxGFormattedTypeConvHdl {
public:
    KxGStringCharTypeConvHdl(uint32_t size, const KxString& dateFormat, const KxString& timeFormat)
        : KxGFormattedTypeConvHdl(size, dateFormat, timeFormat) {}
    int32_t ConvertFrom(KxGTypeConvHdl& source, const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToChar(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToInt(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToFloat(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToTime(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToDate(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToDateTime(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToByte(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToString(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToStringChar(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToStringLong(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertSize(uint32_t sourceSize, const KxString& sourceExpression, KxString& out) override;
};

// A LONG string column: its values cannot be used in expressions.
class KxGStringLongTypeConvHdl : public KxGSizedTypeConvHdl {
public:
    explicit KxGStringLongTypeConvHdl(uint32_t size) : KxGSizedTypeConvHdl(size) {}
    int32_t ConvertFrom(KxGTypeConvHdl& source, const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToStringLong(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertSize(uint32_t sourceSize, const KxString& sourceExpression, KxString& out) override;
};

class KxGDateTypeConvHdl : public KxGSizedTypeConvHdl {
public:
    KxGDateTypeConvHdl(uint32_t size, const KxString& dateFormat)
        : KxGSizedTypeConvHdl(size), dateFormat_(dateFormat) {}
    int32_t ConvertFrom(KxGTypeConvHdl& source, const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToInt(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToFloat(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToTime(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToDate(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToDateTime(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToString(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToStringChar(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToStringLong(const KxString& sourceExpression, KxString& out) override;

    const KxString& GetDateFormat() const { return dateFormat_; }

private:
    KxString dateFormat_;
};

class KxGTimeTypeConvHdl : public KxGSizedTypeConvHdl {
public:
    KxGTimeTypeConvHdl(uint32_t size, const KxString& timeFormat)
        : KxGSizedTypeConvHdl(size), timeFormat_(timeFormat) {}
    int32_t ConvertFrom(KxGTypeConvHdl& source, const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToInt(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToFloat(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToTime(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToDate(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToDateTime(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToString(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToStringChar(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToStringLong(const KxString& sourceExpression, KxString& out) override;

    const KxString& GetTimeFormat() const { return timeFormat_; }

private:
    KxString timeFormat_;
};

class KxGDateTimeTypeConvHdl : public KxGFormattedTypeConvHdl {
public:
    KxGDateTimeTypeConvHdl(uint32_t size, const KxString& dateFormat, const KxString& timeFormat)
        : KxGFormattedTypeConvHdl(size, dateFormat, timeFormat) {}
    int32_t ConvertFrom(KxGTypeConvHdl& source, const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToInt(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToFloat(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToTime(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToDate(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToDateTime(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToString(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToStringChar(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToStringLong(const KxString& sourceExpression, KxString& out) override;
};

class KxGBlobTypeConvHdl : public KxGSizedTypeConvHdl {
public:
    explicit KxGBlobTypeConvHdl(uint32_t size) : KxGSizedTypeConvHdl(size) {}
    int32_t ConvertFrom(KxGTypeConvHdl& source, const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToBlob(const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertSize(uint32_t sourceSize, const KxString& sourceExpression, KxString& out) override;
};

// Object ids and class ids: no size.
class KxGIDTypeConvHdl : public KxGTypeConvHdl {
public:
    KxGIDTypeConvHdl() = default;
    int32_t ConvertFrom(KxGTypeConvHdl& source, const KxString& sourceExpression, KxString& out) override;
    int32_t ConvertToID(const KxString& sourceExpression, KxString& out) override;
};
