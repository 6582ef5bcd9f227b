// KxTypeMgr: values by kernel type code: stored form, text form, creation.
//
// Kernel type codes and the C++ value each one works on (the 'value' pointers below):
//    0 char            char               10 byte          uint8_t
//    1 short           int16_t            11 string        KxString
//    2 int             int32_t            12 date          KxDate
//    3 double          double             13 time          KxTime
//    4 float           float              15, 17 object id KxObjId
//    5 unsigned short  uint16_t           16 class id      KxClassId
//    6 unsigned int    uint32_t           18 blob          KxBlob
//    7 long            int32_t            19 date-time     KxDateTime
//    8 unsigned long   uint32_t           20 string        KxIString
//    9 4-byte integer  int32_t            21 string        KxCaseIString
//   26 KxInt64         KxInt64            27 boolean       KxBoolean
//   42 int64           int64_t            43 uint64        uint64_t
//   28 to 38, 44, 45   the nullable types of KxNull.h (KxNull_char .. KxNull_KxInt64, KxNull_8b,
//                      KxNull_u8b): a flag byte (1 null), then the value's stored form; a null
//                      value prints as an inactive text, and an inactive text or "NULL" (any
//                      case) scans as null
//
// Stored form: little-endian, exactly DiskLenGet bytes.
//   0, 10, 27: 1 byte; 1, 5: 2; 2, 4, 6, 7, 8, 9: 4; 3, 26, 42, 43: 8 (float and double as
//   their IEEE-754 bits);
//   12 date: 4 bytes: year (16-bit), month, day;  13 time: 3 bytes: hour, minute, second;
//   19 date-time: 7 bytes: year (16-bit), month, day, hour, minute, second;
//   15, 17 object id: 6 bytes: low word (32-bit), high word (16-bit); the origin is not stored;
//   16 class id: 4 bytes: class number (16-bit), version (16-bit);
//   18 blob: its length (32-bit), then its bytes: 4 + length;
//   11, 20, 21 string: code set (1 byte), language (1 byte), length in characters (32-bit;
//   0xFFFFFFFF for an inactive string, then nothing follows), then the characters: one byte each
//   when the code set is 224 or less, else two bytes each (UTF-16 code units): 6 + length or
//   6 + 2 x length.
#pragma once

#include <cstdint>

#include "KxString.h"

// Kernel type codes.
enum : uint8_t {
    KX_TYPE_CHAR = 0, KX_TYPE_SHORT = 1, KX_TYPE_INT = 2, KX_TYPE_DOUBLE = 3, KX_TYPE_FLOAT = 4,
    KX_TYPE_USHORT = 5, KX_TYPE_UINT = 6, KX_TYPE_LONG = 7, KX_TYPE_ULONG = 8, KX_TYPE_INT4 = 9,
    KX_TYPE_BYTE = 10, KX_TYPE_STRING = 11, KX_TYPE_DATE = 12, KX_TYPE_TIME = 13,
    KX_TYPE_OBJID = 15, KX_TYPE_CLASSID = 16, KX_TYPE_OBJID2 = 17, KX_TYPE_BLOB = 18,
    KX_TYPE_DATETIME = 19, KX_TYPE_ISTRING = 20, KX_TYPE_CASEISTRING = 21, KX_TYPE_KXINT64 = 26,
    KX_TYPE_BOOLEAN = 27, KX_TYPE_NULL_CHAR = 28, KX_TYPE_NULL_UCHAR = 29, KX_TYPE_NULL_SHORT = 30,
    KX_TYPE_NULL_USHORT = 31, KX_TYPE_NULL_INT = 32, KX_TYPE_NULL_UNSIGNED = 33, KX_TYPE_NULL_LONG = 34,
    KX_TYPE_NULL_ULONG = 35, KX_TYPE_NULL_FLOAT = 36, KX_TYPE_NULL_DOUBLE = 37, KX_TYPE_NULL_KXINT64 = 38,
    KX_TYPE_INT64 = 42, KX_TYPE_UINT64 = 43, KX_TYPE_NULL_8B = 44, KX_TYPE_NULL_U8B = 45
};

class KxTypeMgr {
public:
    // The version of the stored forms and text forms above.
    static constexpr uint16_t kVersion = 4;

    KxTypeMgr();
    ~KxTypeMgr();
    KxTypeMgr(const KxTypeMgr&) = delete;
    KxTypeMgr& operator=(const KxTypeMgr&) = delete;

    // The process's type manager.
    static KxTypeMgr* GetDefault();
    uint16_t GetVersion() const { return kVersion; }

    bool IsValidType(uint8_t typeCode) const;
    // The type's name, e.g. "short", "KxString"; "" for a code that is not a type.
    const char* NameGet(uint8_t typeCode) const;
    // sizeof the C++ value of the type; 0 for a code that is not a type.
    uint32_t MemLenGet(uint8_t typeCode) const;
    // Bytes of the stored form. Fixed-size types ignore the value; variable-size types (11, 18,
    // 20, 21) measure it and give 0 without one. 0 for a code that is not a type.
    uint32_t DiskLenGet(uint8_t typeCode, const void* value = nullptr) const;

    // Writes the stored form of *value to dest (room for DiskLenGet bytes); the number of bytes
    // written, KX_TYPES_E_TYPECODE, or KX_TYPES_E_INVALID for a null pointer.
    int32_t Store(uint8_t typeCode, const void* value, uint8_t* dest) const;
    int32_t Store(uint8_t typeCode, const void* value, char* dest) const;
    // Reads a stored form into *value; the number of bytes read. The bounded form reads at most
    // available bytes and answers KX_TYPES_E_RANGE (value unchanged) when the stored form is
    // longer; the unbounded form trusts the source.
    int32_t Load(uint8_t typeCode, void* value, const uint8_t* src, uint32_t available) const;
    int32_t Load(uint8_t typeCode, void* value, const char* src, uint32_t available) const;
    int32_t Load(uint8_t typeCode, void* value, const uint8_t* src) const;
    int32_t Load(uint8_t typeCode, void* value, const char* src) const;

    // Text form of *value into out (out is replaced; 'flags' is accepted for callers and has no
    // effect). 0 or a negative status (out unchanged).
    //  - numbers: decimal (float and double: the shortest text that reads back); a format is a
    //    printf conversion for one number: d i u x X o (integers, also c for 0 and 10) or e E f
    //    F g G (reals), with flags, width and precision up to 1000; length modifiers are
    //    ignored; anything else gives KX_TYPES_E_INVALID;
    //  - 0 char: the character itself; 10 byte: decimal;
    //  - 27 boolean: "true" or "false", or by an integer format the byte as 1 or 0;
    //  - 11, 20, 21: a copy of the text (an inactive string gives an inactive text);
    //  - 12, 13, 19: see KxDateTime.h;  15, 17: decimal;  16: "number.version";
    //  - 18 blob: two upper-case hexadecimal digits per byte;  26: as 42.
    int32_t PrintToKxString(uint8_t typeCode, KxString& out, const void* value,
                            const char* format = nullptr, int32_t flags = 1) const;
    // Reads the text form back into *value (surrounding blanks allowed for numbers and ids).
    // 0, KX_TYPES_E_SCAN (not a value of the type), KX_TYPES_E_OVERFLOW (out of the type's
    // range); on failure the value is unchanged. Booleans read "true"/"false", "yes"/"no" (any
    // case) or a number (0 false, any other true). Texts are copied; an inactive text gives an
    // inactive string. Formats: integer conversions x, X and o read hexadecimal or octal, c reads
    // one character (codes 0 and 10); dates and times as in KxDateTime.h; other types ignore them.
    int32_t ScanFromKxString(uint8_t typeCode, const KxString& in, void* value,
                             const char* format = nullptr) const;

    // A new value of the type (numbers 0, a date-time now, others empty); null for a code that is
    // not a type. Free it with Delete and the same code.
    void* Create(uint8_t typeCode) const;
    void Delete(uint8_t typeCode, void* value) const;

    // The text shown for a null value: "NULL".
    const KxString& GetNullPrintString() const;
};
