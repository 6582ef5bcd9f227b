// The DB2 type handlers: one KxGTypeHdl per kernel type and storage variant.
//
// A handler converts values of one kernel type between a kernel value (a member or a program
// variable) and one slot of a row buffer bound through the call-level interface, names the DB2
// column type that holds it and writes a buffer value as SQL text. NativeType is the CLI SQL type and
// SQLType the CLI C type that the statement handle binds with. Handlers hold no context; they are
// made, cached and deleted by the KxGDB2TypeHdlMgr (KxGDB2TypeHdlMgr.h).
//
// Indicators are 4-byte CLI length/indicator values: -1 NULL, -3 a 0-terminated text, otherwise a
// byte count. Slots and indicators may lie at any address of a row buffer; handlers never assume
// alignment.
//
// Slot layouts for a column of size n (the size argument of the conversions is the column size):
//   Char, Byte (0, 10)               n bytes and a spare byte                     (n + 1)
//   Strings (11, 20, 21)             text, 0-terminated                           (n + 1)
//   Double-byte string (DBCHAR)      16-bit units, 0-terminated                   (2n + 2)
//   Short, class id, boolean         int16                                        (2)
//   Int, object id, 64-bit as INT    int32                                        (4)
//   Double / float                   8 / 4 bytes                                  (8 / 4)
//   Date / time / date-time          DATE_STRUCT / TIME_STRUCT / TIMESTAMP_STRUCT (6 / 6 / 16)
//   Blob (18)                        int32 length, then the bytes; n includes the length
//   KxInt64, int64, uint64           int64                                        (8)
#pragma once

#include <cstdint>

#include "KxGTypeHdl.h"
#include "KxString.h"

// Indicator values.
constexpr int32_t KXG_DB2_IND_NULL = -1;
constexpr int32_t KXG_DB2_IND_NTS = -3;

// The base of every DB2 handler. It also serves the kernel types without a class of their own (the
// numbers 1 to 9 and any other code) by its per-code answers:
//   code                 SQL type  C type  ColumnSize  BufferSize
//   0, 10, 11, 20, 21    1         1       n           n + 1
//   1, 5, 16, 27         5         5       2           2
//   2, 7, 9, 15          4         4       4           4
//   6, 8                 4         -18     4           4     (fetched with C type 4)
//   3                    8         8       8           8
//   4                    6         7       4           4
//   12 / 13 / 19         9/10/11   9/10/11 6 / 6 / 16  as ColumnSize
//   18                   -98       -2      32000       32000
//   26, 42, 43           -5        -25     8           8
//   other                99        99      0           0
class KxGDB2TypeHdl : public KxGTypeHdl {
public:
    explicit KxGDB2TypeHdl(uint8_t typeCode);
    ~KxGDB2TypeHdl() override;

    // The kernel type code held.
    uint8_t TypeCode() override;
    // Appends the column type of NativeType for a column of that size:
    //   1 "CHARACTER (n)"; 12 "VARCHAR (n)"; -1 "LONG VARCHAR"; -95 "GRAPHIC (n)";
    //   -96 "VARGRAPHIC (n)"; -97 "LONGVARGRAPHIC (n)"; -99 "CLOB"; -350 "DBCLOB"; 2 "NUMERIC";
    //   3 "DECIMAL"; 4 "INTEGER  DEFAULT 0"; 5 "SMALLINT  DEFAULT 0"; 6 "FLOAT  DEFAULT 0";
    //   8 "DOUBLE  DEFAULT 0"; 9 "DATE"; 10 "TIME"; 11 "TIMESTAMP"; -98 "BLOB (100 M)";
    //   -5 "BIGINT  DEFAULT 0"; -4 "LONG VARCHAR FOR BIT DATA"; -3 "VARCHAR (n) FOR BIT DATA";
    //   -2 "CHARACTER  (n) FOR BIT DATA".
    // 1 when a text was written, 0 (nothing appended) for any other SQL type.
    uint16_t SQLTypeName(int32_t size, KxString& text) override;
    // 4.
    int32_t IndSize() override;
    int32_t ColumnSize(int32_t size) override;
    int32_t BufferSize(int32_t size) override;
    // The size given.
    int32_t BindSize(int32_t size) override;
    // The character count of a string (codes 11, 20, 21), else ColumnSize (1).
    int32_t ValueLength(const void* value) override;
    // Copies the slot into the variable: 8 bytes for a double, 4 for a float, size bytes otherwise;
    // a NULL indicator zeroes the variable instead. Nothing happens when the addresses are equal or
    // either is null. The variable address (null when it is null).
    void* SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t size, KxGContext* context) override;
    // Indicator 0, then the same copy the other way. The slot address (null when either is null).
    void* VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t size, KxGContext* context) override;
    // A char or byte as one character; shorts, ints, doubles and floats as numbers; a blob
    // "BLOB value"; any other code "Unknown type? = " and the code in decimal. Nothing for a null
    // address.
    void ValueToText(const void* sqlValue, KxString& text, int32_t size, KxGContext* context) override;
    // 0.
    uint16_t IsNullValue(const void* variable) override;
    // The indicator is -1 (0 for a null address).
    uint16_t IsNull(const void* indicator) override;
    // Nothing.
    void PrepareIndicator(void* indicator) override;
    // Writes -1; a null address is ignored.
    void SetNull(void* indicator) override;
    // Nothing.
    void SetDataLength(void* sqlValue, void* indicator, int32_t size) override;
    // The CLI SQL type of the column (SQL_... of db2cli.h).
    virtual int16_t NativeType();
    // The CLI C type of the slot (SQL_C_...), for parameters.
    virtual int16_t SQLType();
    // The CLI C type result columns are bound with: SQLType, except that unsigned ints and longs
    // (SQL_C_ULONG) are fetched as signed (SQL_C_LONG) into the same 4 bytes, so that a value once
    // stored as the negative two's complement of an unsigned value reads back as that value.
    int16_t ResultCType();

protected:
    // Indicator access (4 bytes, any alignment); a null address reads as 0 and is not written.
    static int32_t ReadIndicator(const void* indicator);
    static void WriteIndicator(void* indicator, int32_t value);
    // Writes a warning line to the trace of the context's database, when there is one.
    static void TraceWarning(KxGContext* context, const KxString& line);

private:
    uint8_t code_;
};

// ---- characters and bytes -----------------------------------------------------------------------

// Codes 0 and 10: CHARACTER (n). Store copies size bytes with indicator size; fetch as the base.
// SQL text: the character followed by "...".
class KxGCharTypeHdl : public KxGDB2TypeHdl {
public:
    explicit KxGCharTypeHdl(uint8_t typeCode);
    void* VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t size, KxGContext* context) override;
    void ValueToText(const void* sqlValue, KxString& text, int32_t size, KxGContext* context) override;
};

// ---- strings ------------------------------------------------------------------------------------

// Strings (KxString, code 11) in CHARACTER (n), bound as 0-terminated text.
// Store: indicator -3; the text in the default 8-bit code set, at most size bytes, 0-terminated.
// Fetch: a NULL gives an empty string; otherwise the text of at most size bytes, trailing blanks
// removed (the VarChar and LongVarChar variants keep them).
// SQL text: in single quotes, a quote inside doubled.
class KxGStringCharTypeHdl : public KxGDB2TypeHdl {
public:
    explicit KxGStringCharTypeHdl(uint8_t typeCode = 11);
    int32_t ColumnSize(int32_t size) override;           // size
    int32_t BufferSize(int32_t size) override;           // size + 1
    void* SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t size, KxGContext* context) override;
    void* VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t size, KxGContext* context) override;
    void ValueToText(const void* sqlValue, KxString& text, int32_t size, KxGContext* context) override;
    // Unless the indicator is NULL it becomes -3.
    void PrepareIndicator(void* indicator) override;
    // An empty or inactive string is stored as NULL (the manager's StoresEmptyAsNull).
    uint16_t IsNullValue(const void* variable) override;

protected:
    // Whether fetched texts lose their trailing blanks.
    virtual bool TrimsBlanks();
    // The text of the variable as it is stored (the variable's own string for code 11, a string
    // made from the value's text for the IString and CaseIString variants).
    virtual KxString TextOf(const void* variable);
    // Hands a fetched text to the variable (code set 0 for the IString and CaseIString variants).
    virtual void Assign(void* variable, const KxString& fetched);
};

// Code 11 in VARCHAR (n) (kind VARCHAR) and LONG VARCHAR (kind LONGVARCHAR): texts unchanged.
class KxGStringVarCharTypeHdl : public KxGStringCharTypeHdl {
public:
    KxGStringVarCharTypeHdl();
    int16_t NativeType() override;                        // 12

protected:
    bool TrimsBlanks() override;
};

class KxGStringLongVarCharTypeHdl : public KxGStringVarCharTypeHdl {
public:
    KxGStringLongVarCharTypeHdl() = default;
    int16_t NativeType() override;                        // -1
};

// Code 11 in GRAPHIC (n) (kind DBCHAR): 16-bit units of the wide code set, 0-terminated.
// Store: indicator -3, at most size units. Fetch: NULL gives an empty string; otherwise the 16-bit
// text, trailing blanks removed.
class KxGStringDBCharTypeHdl : public KxGStringCharTypeHdl {
public:
    KxGStringDBCharTypeHdl();
    int32_t BufferSize(int32_t size) override;           // 2 size + 2
    int16_t NativeType() override;                        // -95
    int16_t SQLType() override;                           // -350
    void* SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t size, KxGContext* context) override;
    void* VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t size, KxGContext* context) override;
    void ValueToText(const void* sqlValue, KxString& text, int32_t size, KxGContext* context) override;
    // Nothing (the double-byte handler keeps its indicator).
    void PrepareIndicator(void* indicator) override;
};

// Code 11 in VARGRAPHIC (n) (blank-trimmed) and LONGVARGRAPHIC (n) (unchanged), bound as 8-bit text.
class KxGStringVarDBCharTypeHdl : public KxGStringCharTypeHdl {
public:
    KxGStringVarDBCharTypeHdl();
    int16_t NativeType() override;                        // -96
};

class KxGStringLongVarDBCharTypeHdl : public KxGStringCharTypeHdl {
public:
    KxGStringLongVarDBCharTypeHdl();
    int16_t NativeType() override;                        // -97

protected:
    bool TrimsBlanks() override;
};

// KxIString (20) and KxCaseIString (21): stored through a string made from the value's text,
// fetched into a string of code set 0 that is assigned to the value.
class KxGIStringCharTypeHdl : public KxGStringCharTypeHdl {
public:
    explicit KxGIStringCharTypeHdl(uint8_t typeCode = 20);

protected:
    KxString TextOf(const void* variable) override;
    void Assign(void* variable, const KxString& fetched) override;
};

class KxGCaseIStringCharTypeHdl : public KxGIStringCharTypeHdl {
public:
    KxGCaseIStringCharTypeHdl();
};

// The VARCHAR and LONG VARCHAR variants of codes 20 and 21 (texts unchanged).
class KxGIStringVarCharTypeHdl : public KxGIStringCharTypeHdl {
public:
    explicit KxGIStringVarCharTypeHdl(uint8_t typeCode = 20);
    int16_t NativeType() override;                        // 12

protected:
    bool TrimsBlanks() override;
};

class KxGIStringLongVarCharTypeHdl : public KxGIStringVarCharTypeHdl {
public:
    explicit KxGIStringLongVarCharTypeHdl(uint8_t typeCode = 20);
    int16_t NativeType() override;                        // -1
};

class KxGCaseIStringVarCharTypeHdl : public KxGIStringVarCharTypeHdl {
public:
    KxGCaseIStringVarCharTypeHdl();
};

class KxGCaseIStringLongVarCharTypeHdl : public KxGIStringLongVarCharTypeHdl {
public:
    KxGCaseIStringLongVarCharTypeHdl();
};

// ---- ids ----------------------------------------------------------------------------------------

// Object ids (15, 17) in INTEGER: the low 32 bits of the id's number. An id whose high part is not
// 0 does not fit: the store refuses it (null result, a trace warning) rather than cut it. Null
// id (both parts 0) is stored as NULL; a NULL fetched clears the id. SQL text: the number, "NULL"
// for a null address.
class KxGOIDTypeHdl : public KxGDB2TypeHdl {
public:
    KxGOIDTypeHdl();
    void* SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t size, KxGContext* context) override;
    void* VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t size, KxGContext* context) override;
    void ValueToText(const void* sqlValue, KxString& text, int32_t size, KxGContext* context) override;
    uint16_t IsNullValue(const void* variable) override;
};

// Class ids (16) in SMALLINT: the class number; 0 is stored as NULL, a NULL fetched gives 0.
class KxGCIDTypeHdl : public KxGDB2TypeHdl {
public:
    KxGCIDTypeHdl();
    void* SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t size, KxGContext* context) override;
    void* VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t size, KxGContext* context) override;
    void ValueToText(const void* sqlValue, KxString& text, int32_t size, KxGContext* context) override;
    uint16_t IsNullValue(const void* variable) override;
};

// ---- dates and times ----------------------------------------------------------------------------

// KxDate (12), KxTime (13), KxDateTime (19) in the CLI structures. An invalid value is stored as
// NULL; a NULL fetched gives the empty value (all fields 0). SQL text: a date 'year-month-day'
// quoted, a time hour:minute:second, a date-time year.month.day hour:minute:second; "NULL" when all
// fields are 0 or for a null address.
class KxGDateTypeHdl : public KxGDB2TypeHdl {
public:
    KxGDateTypeHdl();
    void* SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t size, KxGContext* context) override;
    void* VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t size, KxGContext* context) override;
    void ValueToText(const void* sqlValue, KxString& text, int32_t size, KxGContext* context) override;
    uint16_t IsNullValue(const void* variable) override;
};

class KxGTimeTypeHdl : public KxGDB2TypeHdl {
public:
    KxGTimeTypeHdl();
    void* SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t size, KxGContext* context) override;
    void* VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t size, KxGContext* context) override;
    void ValueToText(const void* sqlValue, KxString& text, int32_t size, KxGContext* context) override;
    uint16_t IsNullValue(const void* variable) override;
};

class KxGDateTimeTypeHdl : public KxGDB2TypeHdl {
public:
    KxGDateTimeTypeHdl();
    void* SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t size, KxGContext* context) override;
    void* VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t size, KxGContext* context) override;
    void ValueToText(const void* sqlValue, KxString& text, int32_t size, KxGContext* context) override;
    uint16_t IsNullValue(const void* variable) override;
};

// ---- blobs --------------------------------------------------------------------------------------

// KxBlob (18) in BLOB (100 M): the slot holds a 4-byte length and the data; the indicator is the
// length plus 4. Store: a blob longer than size - 4 is cut to it and the store answers null; an
// empty blob is NULL. Fetch: NULL empties the blob; a stored length beyond the slot (size - 4) is
// clamped to it and traced as a warning. SetDataLength sets the indicator to the size (-1 for 0).
class KxGBlobTypeHdl : public KxGDB2TypeHdl {
public:
    KxGBlobTypeHdl();
    int32_t ColumnSize(int32_t size) override;           // size
    int32_t BufferSize(int32_t size) override;           // size
    void* SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t size, KxGContext* context) override;
    void* VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t size, KxGContext* context) override;
    void ValueToText(const void* sqlValue, KxString& text, int32_t size, KxGContext* context) override;
    void SetDataLength(void* sqlValue, void* indicator, int32_t size) override;
};

// ---- booleans and 64-bit integers ---------------------------------------------------------------

// Booleans (27) in SMALLINT: 1 for true, 0 for false; a NULL gives false.
class KxGBooleanTypeHdl : public KxGDB2TypeHdl {
public:
    KxGBooleanTypeHdl();
    void* SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t size, KxGContext* context) override;
    void* VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t size, KxGContext* context) override;
    void ValueToText(const void* sqlValue, KxString& text, int32_t size, KxGContext* context) override;
};

// KxInt64 (26), int64 (42), uint64 (43) in BIGINT: the 8 bytes; a NULL gives 0. SQL text: the number
// (unsigned for 43).
class KxGInt64TypeHdl : public KxGDB2TypeHdl {
public:
    explicit KxGInt64TypeHdl(uint8_t typeCode = 26);
    void* SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t size, KxGContext* context) override;
    void* VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t size, KxGContext* context) override;
    void ValueToText(const void* sqlValue, KxString& text, int32_t size, KxGContext* context) override;
};

class KxG8BTypeHdl : public KxGInt64TypeHdl {
public:
    KxG8BTypeHdl();
};

class KxGU8BTypeHdl : public KxGInt64TypeHdl {
public:
    KxGU8BTypeHdl();
};

// The 64-bit kinds in INTEGER (storage kind INT or OLD_INT64_MAPPING). A value that fits INTEGER
// is stored unchanged; any other is refused (null result, a trace warning) rather than cut. Fetch
// widens the 32-bit value with its sign; a NULL gives 0. TypeCode is 2 (6 for the unsigned kind).
class KxGInt64toInt32TypeHdl : public KxGDB2TypeHdl {
public:
    KxGInt64toInt32TypeHdl();
    void* SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t size, KxGContext* context) override;
    void* VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t size, KxGContext* context) override;
    void ValueToText(const void* sqlValue, KxString& text, int32_t size, KxGContext* context) override;

protected:
    explicit KxGInt64toInt32TypeHdl(uint8_t typeCode);
    // Whether the 8 bytes are an unsigned value.
    virtual bool IsUnsigned();
};

class KxG8BtoInt32TypeHdl : public KxGInt64toInt32TypeHdl {
public:
    KxG8BtoInt32TypeHdl();
};

class KxGU8BtoInt32TypeHdl : public KxGInt64toInt32TypeHdl {
public:
    KxGU8BtoInt32TypeHdl();

protected:
    bool IsUnsigned() override;
};
