// The Oracle type handlers: one KxGTypeHdl per kernel type and storage variant.
//
// A handler converts values of one kernel type between a kernel value (a member or a program
// variable) and one slot of a row buffer bound through OCI, names the Oracle column type that holds
// it and writes a buffer value as SQL text. NativeType is the OCI external type that the statement
// handle binds and defines the slot with. Handlers are made, cached and deleted by the
// KxGOraTypeHdlMgr (KxGOraTypeHdlMgr.h).
//
// Null indicators are 2 bytes: 0xFFFF means NULL, 0 not NULL. Slots and indicators may lie at any
// address of a row buffer; handlers never assume alignment.
//
// OCI calls use the error handle and service context of the database that the context given to an
// operation leads to, or, without a context, the database of the handler's own context. A failed OCI
// call is reported to that database (ReportError (status, null)) and the operation answers null.
//
// Slot layouts for a column of size n (the size argument of the conversions is the column size):
//   Byte, Char (0, 10)        ub2 length, then n bytes                          (n + 2)
//   String (11, 20, 21)       text, 0-terminated                                (n + 1)
//   String CHAR               n bytes, blank-padded, no terminator              (n)
//   String LONG               int32 length, then the text                      (n + 4)
//   Object id (15, 17)        22-byte OCINumber                                 (22)
//   Class id (16)             int16 class number                                (2)
//   Date, time, date-time     7-byte Oracle date                                (7)
//   Blob (18), RAW, NoHandle  int32 length, then the bytes; n includes the length
//   Blob locator (BLOB kind)  an OCILobLocator pointer                          (sizeof (void*))
//   KxInt64, int64, uint64    22-byte OCINumber                                 (22)
//   Boolean (27)              ub2 length 1, then the byte 1 or 0                (3)
//   Unsigned int, long (6, 8) the integer zero-extended to 8 bytes              (8)
//   Unsigned (UNSIGNED kind)  the integer                                       (2 or 4)
#pragma once

#include <cstdint>

#include "KxGTypeHdl.h"
#include "KxString.h"

class KxGDatabase;

// Indicator values.
enum : uint16_t {
    KXG_ORA_IND_NULL = 0xFFFF,
    KXG_ORA_IND_NOT_NULL = 0
};

// From this gateway version on, empty dates, times, object ids and class ids are stored as values
// (the date sentinel 53, 88, 1, 1, 1, 1, 1, the number 0) instead of NULL.
constexpr int32_t KXG_ORA_EMPTY_AS_VALUE_VERSION = 780;

// OCI descriptor kind of a LOB locator (the handle kind that CreateHandle reports).
constexpr uint16_t KXG_ORA_LOB_DESCRIPTOR = 50;

// The base of every Oracle handler. It also serves the kernel types without a class of their own
// (the numbers 1 to 9 and any other code) by its per-code answers:
//   code          NativeType  ColumnSize  column type
//   0, 10         15          size        RAW (size)
//   1, 5, 16      3           2           NUMBER (38) DEFAULT 0
//   2, 7, 9       3           4           NUMBER (38) DEFAULT 0
//   6, 8          68          4           NUMBER (38) DEFAULT 0  (slot: 8 bytes, the value zero-extended)
//   3             4           8           NUMBER DEFAULT 0
//   4             4           4           NUMBER DEFAULT 0
//   11, 20, 21    5           0           VARCHAR2 (size)
//   12, 13, 19    12          7           DATE
//   18            95          65000       LONG RAW
//   26, 42, 43    6           21          NUMBER (38) DEFAULT 0
//   27            9           1           CHAR (size)
//   other         10          0           none
class KxGOraTypeHdl : public KxGTypeHdl {
public:
    KxGOraTypeHdl(const KxGContext& context, uint8_t typeCode);
    ~KxGOraTypeHdl() override;

    // The mark of the Oracle handlers (AdapterMark): a handler that carries it is a KxGOraTypeHdl.
    static const void* Mark();
    // typeHdl as an Oracle handler; null when it is another adapter's.
    static KxGOraTypeHdl* Of(KxGTypeHdl* typeHdl)
    {
        return typeHdl != nullptr && typeHdl->AdapterMark() == Mark() ? static_cast<KxGOraTypeHdl*>(typeHdl) : nullptr;
    }

    // The kernel type code held.
    uint8_t TypeCode() override;
    // Appends the column type of NativeType for a column of that size:
    //   1, 5 "VARCHAR2 (n)"; 2, 3, 6, 68 "NUMBER (38) DEFAULT 0"; 4 "NUMBER DEFAULT 0"; 8 "LONG";
    //   9, 96, 97 "CHAR (n)"; 11 "ROWID"; 12 "DATE"; 15, 23 "RAW (n)"; 24, 95 "LONG RAW";
    //   94 "LONG VARCHAR"; 113 "BLOB DEFAULT EMPTY_BLOB()".
    // 1 when a text was written, 0 (nothing appended) for any other external type.
    uint16_t SQLTypeName(int32_t size, KxString& text) override;
    // 2.
    int32_t IndSize() override;
    int32_t ColumnSize(int32_t size) override;
    // ColumnSize (size).
    int32_t BufferSize(int32_t size) override;
    // The size given.
    int32_t BindSize(int32_t size) override;
    // ColumnSize (1).
    int32_t ValueLength(const void* value) override;
    // Copies the slot into the variable: 8 bytes for a double, 4 for a float, size bytes otherwise;
    // a NULL indicator zeroes the variable instead. Nothing happens when the addresses are equal or
    // either is null. The variable address (null when it is null).
    void* SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t size, KxGContext* context) override;
    // Indicator 0, then the same copy the other way. The slot address (null when either is null).
    void* VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t size, KxGContext* context) override;
    // A char or byte as one character; shorts, ints, longs, doubles and floats as numbers; any other
    // code "Unknown type? = " and the code in decimal. Nothing for a null address.
    void ValueToText(const void* sqlValue, KxString& text, int32_t size, KxGContext* context) override;
    // 0.
    uint16_t IsNullValue(const void* variable) override;
    // The indicator is 0xFFFF (0 for a null address).
    uint16_t IsNull(const void* indicator) override;
    // Nothing.
    void PrepareIndicator(void* indicator) override;
    // Writes 0xFFFF; a null address is ignored.
    void SetNull(void* indicator) override;
    // Nothing.
    void SetDataLength(void* sqlValue, void* indicator, int32_t size) override;
    // The OCI external type of the slot (SQLT_... of oci.h), for binds.
    virtual uint16_t NativeType();
    // The OCI external type a result column is defined with: NativeType, except for unsigned ints and
    // longs without storage option (codes 6, 8), which are fetched as signed 8-byte integers
    // (SQLT_INT) into their 8-byte slot and read back as their low 32 bits, so that a value stored as
    // the negative two's complement of an unsigned value reads back as that value.
    virtual uint16_t DefineType();

    // The adapter's process-wide Unicode flags (both 0 at load), set by the connection from its
    // configuration or from the server's character set. With client Unicode, texts cross the
    // buffer as UTF-8 ("multibyte"); with server-only Unicode they cross as 8-bit text of the default
    // code set and are cut where their UTF-8 form would pass the column size.
    static void SetUnicodeFlags(uint16_t onlyServerUnicode, uint16_t clientUnicode);
    static uint16_t ClientUnicode();
    static uint16_t OnlyServerUnicode();

protected:
    // The code given at construction (a storage-variant code for KxGUnsignedTypeHdl).
    uint8_t HeldCode() const { return code_; }
    // The database of the context, else the database of the handler's own context (may be null).
    KxGDatabase* DatabaseOf(KxGContext* context) const;
    // The connection's gateway version (GetGatewayVersion of DatabaseOf (context)); without a
    // database the process's gateway version (GetROGVersion).
    int32_t ConnectionVersion(KxGContext* context) const;
    // The process's gateway version (GetROGVersion).
    static int32_t ProcessVersion();
    // Writes 0 into the indicator; a null address is ignored.
    static void SetNotNull(void* indicator);

private:
    uint8_t code_;
};

// ---- characters and bytes -----------------------------------------------------------------------

// Kernel codes 0 and 10 without storage option: RAW (n). Store: ub2 length (the size), then size
// bytes of the variable. Fetch: the variable's size bytes zero-filled, then as many bytes as the
// stored length gives (at most size). SQL text: the first byte quoted in ' (none for size 0).
class KxGOraByteTypeHdl : public KxGOraTypeHdl {
public:
    explicit KxGOraByteTypeHdl(const KxGContext& context, uint8_t typeCode = 10);
    int32_t ColumnSize(int32_t size) override;           // size
    int32_t BufferSize(int32_t size) override;           // size + 2
    void* SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t size, KxGContext* context) override;
    void* VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t size, KxGContext* context) override;
    void ValueToText(const void* sqlValue, KxString& text, int32_t size, KxGContext* context) override;
    uint16_t NativeType() override;                       // 15

protected:
    // Masks every stored byte to 7 bits when true.
    virtual bool MaskTo7Bits();
};

// Kernel codes 0 and 10 with the storage option CHAR: CHAR (n), bound as variable characters;
// with client Unicode every stored byte is masked to 7 bits. TypeCode is 0.
class KxGOraCharTypeHdl : public KxGOraByteTypeHdl {
public:
    explicit KxGOraCharTypeHdl(const KxGContext& context);
    uint16_t NativeType() override;                       // 9

protected:
    bool MaskTo7Bits() override;
};

// ---- strings ------------------------------------------------------------------------------------

// Strings (KxString, code 11) in VARCHAR2 (n), bound as 0-terminated text.
// Store: a null variable or slot gives null. An empty (or inactive) string is NULL. Otherwise the
// text is converted (client Unicode: UTF-8, null result when it does not fit, the text then cut at a
// character boundary; server-only Unicode: 8-bit text, whole characters while their UTF-8 lengths
// fit; otherwise 8-bit text cut at size bytes) and 0-terminated.
// Fetch: NULL gives an inactive string, otherwise the text (from UTF-8 with client Unicode).
class KxGOraStringTypeHdl : public KxGOraTypeHdl {
public:
    explicit KxGOraStringTypeHdl(const KxGContext& context, uint8_t typeCode = 11);
    int32_t ColumnSize(int32_t size) override;           // size
    int32_t BufferSize(int32_t size) override;           // size + 1
    // The character count; with either Unicode flag the length of the UTF-8 form (at most 65535).
    int32_t ValueLength(const void* value) override;
    void* SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t size, KxGContext* context) override;
    void* VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t size, KxGContext* context) override;
    // The text up to its terminator, at most size bytes, in single quotes (a quote inside doubled).
    // Nothing for a null address.
    void ValueToText(const void* sqlValue, KxString& text, int32_t size, KxGContext* context) override;
    // An empty or inactive string is stored as NULL.
    uint16_t IsNullValue(const void* variable) override;

protected:
    // The text's bytes as they go into a slot of capacity bytes (no terminator); fits is false when
    // the text had to be cut.
    static int32_t Encode(const KxString& value, char* out, int32_t capacity, bool& fits);
    // The kernel text of length bytes of a slot.
    static KxString Decode(const char* bytes, int32_t length);
    // Hands a fetched text to the variable (a plain string takes it over, leaving fetched empty): for
    // the IString and CaseIString variants the text is set to code set 0 first.
    void Assign(void* variable, KxString& fetched);
    // Appends the bytes as a quoted SQL text.
    static void AppendQuoted(const char* bytes, int32_t length, KxString& text);
};

// KxIString (code 20) and KxCaseIString (code 21) in VARCHAR2 (n).
class KxGOraIStringTypeHdl : public KxGOraStringTypeHdl {
public:
    explicit KxGOraIStringTypeHdl(const KxGContext& context);
};
class KxGOraCaseIStringTypeHdl : public KxGOraStringTypeHdl {
public:
    explicit KxGOraCaseIStringTypeHdl(const KxGContext& context);
};

// Strings in CHAR (n), bound as fixed characters. Store: the converted text blank-padded to size
// bytes; an empty or inactive string as a 0 byte followed by blanks (never NULL). Fetch: NULL, a
// null slot or a slot that begins with a 0 byte gives an inactive string; otherwise the text without
// its trailing blanks, and a text of blanks only comes back as " ".
class KxGOraStringCHARTypeHdl : public KxGOraStringTypeHdl {
public:
    explicit KxGOraStringCHARTypeHdl(const KxGContext& context, uint8_t typeCode = 11);
    int32_t BufferSize(int32_t size) override;           // size
    void* SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t size, KxGContext* context) override;
    void* VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t size, KxGContext* context) override;
    // The slot's text up to its first 0 byte or the slot's end (size bytes), trailing blanks
    // removed, quoted.
    void ValueToText(const void* sqlValue, KxString& text, int32_t size, KxGContext* context) override;
    // 0: an empty string is stored, not NULL.
    uint16_t IsNullValue(const void* variable) override;
    uint16_t NativeType() override;                       // 96
};
class KxGOraIStringCHARTypeHdl : public KxGOraStringCHARTypeHdl {
public:
    explicit KxGOraIStringCHARTypeHdl(const KxGContext& context);
};
class KxGOraCaseIStringCHARTypeHdl : public KxGOraStringCHARTypeHdl {
public:
    explicit KxGOraCaseIStringCHARTypeHdl(const KxGContext& context);
};

// Strings in LONG VARCHAR, bound as long variable characters: an int32 length, then the text.
// Store: the converted text after the prefix (at most size bytes) and its length in the prefix; an
// empty or inactive string is NULL. Fetch: the prefix's length (at most size) of text.
class KxGOraStringLONGCHARTypeHdl : public KxGOraStringTypeHdl {
public:
    explicit KxGOraStringLONGCHARTypeHdl(const KxGContext& context, uint8_t typeCode = 11);
    int32_t BufferSize(int32_t size) override;           // size + 4
    void* SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t size, KxGContext* context) override;
    void* VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t size, KxGContext* context) override;
    // The prefix's length of text (at most size bytes), quoted.
    void ValueToText(const void* sqlValue, KxString& text, int32_t size, KxGContext* context) override;
    uint16_t NativeType() override;                       // 94 ("LONG VARCHAR")
};
class KxGOraIStringLONGCHARTypeHdl : public KxGOraStringLONGCHARTypeHdl {
public:
    explicit KxGOraIStringLONGCHARTypeHdl(const KxGContext& context);
};
class KxGOraCaseIStringLONGCHARTypeHdl : public KxGOraStringLONGCHARTypeHdl {
public:
    explicit KxGOraCaseIStringLONGCHARTypeHdl(const KxGContext& context);
};

// ---- object ids and class ids -------------------------------------------------------------------

// Object ids (KxObjId, codes 15 and 17) as NUMBER: high x 2^32 + low as an unsigned OCINumber.
// An id 0 is NULL while the process's gateway version (GetROGVersion) is below 780.
// Fetch: NULL clears the id; a number past 48 bits is refused (null result, id unchanged).
class KxGOraOIDTypeHdl : public KxGOraTypeHdl {
public:
    explicit KxGOraOIDTypeHdl(const KxGContext& context, uint8_t typeCode = 15);
    int32_t ColumnSize(int32_t size) override;           // 6
    int32_t BufferSize(int32_t size) override;           // 22
    void* SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t size, KxGContext* context) override;
    void* VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t size, KxGContext* context) override;
    // The id in decimal; "NULL" for a null address.
    void ValueToText(const void* sqlValue, KxString& text, int32_t size, KxGContext* context) override;
    uint16_t IsNullValue(const void* variable) override;
    uint16_t NativeType() override;                       // 6
};

// Class ids (KxClassId, code 16): the 16-bit class number as an integer. Number 0 is NULL while the
// process's gateway version is below 780. Fetch: NULL gives the class id 0 (number and version 0);
// otherwise the class number is set and the version kept.
class KxGOraCIDTypeHdl : public KxGOraTypeHdl {
public:
    explicit KxGOraCIDTypeHdl(const KxGContext& context);
    int32_t ColumnSize(int32_t size) override;           // 2
    int32_t BufferSize(int32_t size) override;           // 2
    void* SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t size, KxGContext* context) override;
    void* VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t size, KxGContext* context) override;
    // The class number in decimal as the column holds it (a 2-byte signed integer); "NULL" for a null
    // address.
    void ValueToText(const void* sqlValue, KxString& text, int32_t size, KxGContext* context) override;
    uint16_t IsNullValue(const void* variable) override;
    uint16_t NativeType() override;                       // 3
};

// ---- dates and times ----------------------------------------------------------------------------

// KxDate (code 12) in DATE, the 7-byte Oracle date. A value that is not valid is stored as the
// sentinel 53, 88, 1, 1, 1, 1, 1 (1 January 4712 BC) from connection version 780 on, as NULL below.
// Fetch: NULL or the sentinel gives the empty value (all fields 0). The connection version is the
// GetGatewayVersion of the context's database.
class KxGOraDateTypeHdl : public KxGOraTypeHdl {
public:
    explicit KxGOraDateTypeHdl(const KxGContext& context, uint8_t typeCode = 12);
    int32_t ColumnSize(int32_t size) override;           // 7
    int32_t BufferSize(int32_t size) override;           // 7
    int32_t BindSize(int32_t size) override;             // 7
    void* SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t size, KxGContext* context) override;
    void* VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t size, KxGContext* context) override;
    // 'year-month-day' when month and day are not 0, else "NULL".
    void ValueToText(const void* sqlValue, KxString& text, int32_t size, KxGContext* context) override;
    // An invalid value below connection version 780 (the handler's own database).
    uint16_t IsNullValue(const void* variable) override;
    uint16_t NativeType() override;                       // 12

protected:
    // Whether the kernel value is valid; its 7 bytes; the kernel value from 7 bytes (not the sentinel).
    virtual bool IsValidValue(const void* variable);
    virtual void ToBytes(const void* variable, uint8_t bytes[7]);
    virtual void FromBytes(const uint8_t bytes[7], void* variable);
    virtual void Clear(void* variable);
};

// KxTime (code 13): stored on 1 January 1900. SQL text hour:minute:second when all three time bytes
// are not 0, else "NULL".
class KxGOraTimeTypeHdl : public KxGOraDateTypeHdl {
public:
    explicit KxGOraTimeTypeHdl(const KxGContext& context);
    void ValueToText(const void* sqlValue, KxString& text, int32_t size, KxGContext* context) override;

protected:
    bool IsValidValue(const void* variable) override;
    void ToBytes(const void* variable, uint8_t bytes[7]) override;
    void FromBytes(const uint8_t bytes[7], void* variable) override;
    void Clear(void* variable) override;
};

// KxDateTime (code 19). SQL text year.month.day hour:minute:second when the three time bytes are not
// 0 or month and day are not 0, else "NULL".
class KxGOraDateTimeTypeHdl : public KxGOraDateTypeHdl {
public:
    explicit KxGOraDateTimeTypeHdl(const KxGContext& context);
    void ValueToText(const void* sqlValue, KxString& text, int32_t size, KxGContext* context) override;

protected:
    bool IsValidValue(const void* variable) override;
    void ToBytes(const void* variable, uint8_t bytes[7]) override;
    void FromBytes(const uint8_t bytes[7], void* variable) override;
    void Clear(void* variable) override;
};

// ---- blobs --------------------------------------------------------------------------------------

// KxBlob (code 18) in LONG RAW, bound as long variable binary: an int32 length, then the bytes; the
// size includes the prefix. Store: a blob longer than size - 4 is cut to size - 4 and the result is
// null; an empty blob is NULL. Fetch: NULL empties the blob, otherwise the prefix's length (at most
// size - 4) of bytes.
class KxGOraBlobTypeHdl : public KxGOraTypeHdl {
public:
    explicit KxGOraBlobTypeHdl(const KxGContext& context);
    int32_t ColumnSize(int32_t size) override;           // size
    int32_t BufferSize(int32_t size) override;           // size
    void* SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t size, KxGContext* context) override;
    void* VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t size, KxGContext* context) override;
    // "Blob data"; nothing for a null address.
    void ValueToText(const void* sqlValue, KxString& text, int32_t size, KxGContext* context) override;
    // Writes size - 4 (0 when size is below 4) into the length prefix.
    void SetDataLength(void* sqlValue, void* indicator, int32_t size) override;
    uint16_t NativeType() override;                       // 95
};

// Blob option RAW: as the blob, in RAW (n).
class KxGOraBlobRawTypeHdl : public KxGOraBlobTypeHdl {
public:
    explicit KxGOraBlobRawTypeHdl(const KxGContext& context);
    uint16_t SQLTypeName(int32_t size, KxString& text) override;   // "RAW (n)"
};

// Blob option BLOB_NO_HANDLE: as the blob, in a BLOB column bound without a locator.
class KxGOraBlobNoHandleTypeHdl : public KxGOraBlobTypeHdl {
public:
    explicit KxGOraBlobNoHandleTypeHdl(const KxGContext& context);
    uint16_t SQLTypeName(int32_t size, KxString& text) override;   // "BLOB DEFAULT EMPTY_BLOB()"
};

// Blob option BLOB: a BLOB column bound through a LOB locator; the slot holds the locator pointer.
// This class copies the slot as the base does; its two subclasses read and write the LOB.
class KxGOraBlobBlobTypeHdl : public KxGOraTypeHdl {
public:
    explicit KxGOraBlobBlobTypeHdl(const KxGContext& context);
    int32_t ColumnSize(int32_t size) override;           // 0
    int32_t BufferSize(int32_t size) override;           // sizeof (void*)
    // "Blob data"; nothing for a null address.
    void ValueToText(const void* sqlValue, KxString& text, int32_t size, KxGContext* context) override;
    uint16_t IsHandle() override;                         // 1
    // Allocates a LOB locator through the database's AllocDescriptor (kind 50), writes it into the
    // slot at address (when not null), sets *kind to 50 and answers the locator; 0 when none was made.
    uintptr_t CreateHandle(void* address, uint16_t* kind, const KxGContext& context) override;
    uint16_t NativeType() override;                       // 113

protected:
    // Reads the LOB of the slot (when the slot holds a locator) into a target sized by the callback.
    // Writes bytes into the LOB and trims it to their length. False after a reported OCI failure.
    bool ReadLob(void* sqlValue, KxGContext* context, uint8_t* (*prepare)(void* target, uint32_t length),
                 void* target);
    bool WriteLob(void* sqlValue, const uint8_t* data, uint32_t length, KxGContext* context);
};

// The LOB read into and written from a KxBlob (the variable is a KxBlob).
class KxGOraBlobBlobAsKxBlobTypeHdl : public KxGOraBlobBlobTypeHdl {
public:
    explicit KxGOraBlobBlobAsKxBlobTypeHdl(const KxGContext& context);
    // NULL empties the blob; otherwise the blob becomes the LOB's bytes.
    void* SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t size, KxGContext* context) override;
    // Indicator 0; the LOB becomes the blob's bytes (an empty blob trims it to 0).
    void* VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t size, KxGContext* context) override;
};

// The LOB read into and written from a gateway row buffer used as one growing row (the variable is a
// KxGSQLBuffer): an int32 length, then the bytes.
class KxGOraBlobBlobAsSQLObjectBufferTypeHdl : public KxGOraBlobBlobTypeHdl {
public:
    explicit KxGOraBlobBlobAsSQLObjectBufferTypeHdl(const KxGContext& context);
    // NULL frees the buffer. Otherwise a buffer whose row is shorter than the LOB's length L + 4 is
    // re-made with one row of L + 4 bytes; L goes to the first 4 bytes and the LOB's bytes follow.
    void* SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t size, KxGContext* context) override;
    // Indicator 0; the LOB becomes the row's bytes after its 4-byte prefix (row width - 4 bytes).
    void* VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t size, KxGContext* context) override;
};

// ---- 64-bit integers and booleans ---------------------------------------------------------------

// KxInt64 (code 26) as a signed OCINumber. Fetch: NULL gives 0; the smallest 64-bit value, which the
// number conversion may refuse, comes back without an error. SQL text: decimal, "NULL" for a null
// address.
class KxGOraInt64TypeHdl : public KxGOraTypeHdl {
public:
    explicit KxGOraInt64TypeHdl(const KxGContext& context, uint8_t typeCode = 26);
    int32_t ColumnSize(int32_t size) override;           // 21
    int32_t BufferSize(int32_t size) override;           // 22
    void* SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t size, KxGContext* context) override;
    void* VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t size, KxGContext* context) override;
    void ValueToText(const void* sqlValue, KxString& text, int32_t size, KxGContext* context) override;
    uint16_t NativeType() override;                       // 6

protected:
    // The number of an OCINumber slot; false after a reported failure.
    bool ReadNumber(const void* sqlValue, int64_t& value, KxGContext* context);
    bool WriteNumber(int64_t value, void* sqlValue, KxGContext* context);
};

// int64_t (code 42).
class KxGOra8BTypeHdl : public KxGOraInt64TypeHdl {
public:
    explicit KxGOra8BTypeHdl(const KxGContext& context);
};

// uint64_t (code 43), converted as signed: the bit pattern comes back unchanged.
class KxGOraU8BTypeHdl : public KxGOraInt64TypeHdl {
public:
    explicit KxGOraU8BTypeHdl(const KxGContext& context);
};

// KxBoolean (code 27) in CHAR (n), bound as variable characters: length 1, then the byte 1 (true) or
// 0 (false). Fetch: true when the byte is not 0; NULL gives false. SQL text "TRUE" or "FALSE".
class KxGOraBooleanTypeHdl : public KxGOraTypeHdl {
public:
    explicit KxGOraBooleanTypeHdl(const KxGContext& context);
    int32_t ColumnSize(int32_t size) override;           // 1
    int32_t BufferSize(int32_t size) override;           // 3
    void* SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t size, KxGContext* context) override;
    void* VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t size, KxGContext* context) override;
    void ValueToText(const void* sqlValue, KxString& text, int32_t size, KxGContext* context) override;
    uint16_t NativeType() override;                       // 9
};

// ---- unsigned integers --------------------------------------------------------------------------

// The storage option UNSIGNED for unsigned short, unsigned int and unsigned long, held as the
// manager's codes 58, 59 and 60: TypeCode 5, 6 and 8 (100 for any other code), bound as unsigned
// integers of 2 (code 58) or 4 bytes; values are copied.
class KxGUnsignedTypeHdl : public KxGOraTypeHdl {
public:
    KxGUnsignedTypeHdl(const KxGContext& context, uint8_t handlerCode);
    uint8_t TypeCode() override;
    int32_t ColumnSize(int32_t size) override;
    int32_t BufferSize(int32_t size) override;           // ColumnSize
    uint16_t NativeType() override;                       // 68
};
