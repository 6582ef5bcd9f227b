// Type handles: the conversion of one kernel type between its kernel value and a slot of an SQL row
// buffer, and the bases of the adapters' handler managers.
//
//   KxGContext         what a conversion runs against: the database and a word.
//   KxGTypeHdl         one kernel type's handler; each adapter derives one class per kernel type and
//                      implements the pure operations. The base adds the byte-stream form of kernel
//                      values used where values are packed into memory (blob containers).
//   KxGTypeHdlMgr      the adapter's cache of handlers by kernel type code and storage kind.
//   KxGTypeConvHdlMgr  the adapter's builder of SQL expressions that convert a column between types.
//
// The virtual operations are declared in slot order; adapters override them with the same signatures.
#pragma once

#include <cstdint>

#include "KxString.h"

class KxGDatabase;
class KxGColumn;
class KxGOptionList;
class KxTypeMgr;

// The database a conversion runs against and a word (0 unless an adapter gives it a meaning).
class KxGContext {
public:
    KxGContext() = default;
    explicit KxGContext(KxGDatabase* database, int32_t word = 0) : database_(database), word_(word) {}

    KxGDatabase* GetDatabase() const { return database_; }
    int32_t GetWord() const { return word_; }
    void SetDatabase(KxGDatabase* database) { database_ = database; }
    void SetWord(int32_t word) { word_ = word; }

private:
    KxGDatabase* database_ = nullptr;
    int32_t word_ = 0;
};

class KxGTypeHdl {
public:
    // The context is copied; the default context holds no database and word 0.
    KxGTypeHdl() = default;
    explicit KxGTypeHdl(const KxGContext& context) : context_(context) {}
    virtual ~KxGTypeHdl();

    // The kernel type code that the handler serves.
    virtual uint8_t TypeCode() = 0;
    // Appends the column type text for a column of that size; non-zero when a text was written.
    virtual uint16_t SQLTypeName(int32_t size, KxString& text) = 0;
    // Bytes of one null indicator.
    virtual int32_t IndSize() = 0;
    // The column's size for that many elements.
    virtual int32_t ColumnSize(int32_t size) = 0;
    // The bytes one row's value needs in a row buffer.
    virtual int32_t BufferSize(int32_t size) = 0;
    // The size to bind with.
    virtual int32_t BindSize(int32_t size) = 0;
    // The length of a kernel value.
    virtual int32_t ValueLength(const void* value) = 0;
    // Buffer slot -> kernel value (indicator may be null). The variable address, or null on failure.
    virtual void* SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t size,
                           KxGContext* context) = 0;
    // Kernel value -> buffer slot (indicator may be null). The slot address, or null when the value
    // did not fit or the conversion failed.
    virtual void* VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t size,
                           KxGContext* context) = 0;
    // Appends the slot's value as SQL text. size is the column size (as for the conversions); the
    // handler reads nothing past the slot of that size.
    virtual void ValueToText(const void* sqlValue, KxString& text, int32_t size, KxGContext* context) = 0;
    // Whether the kernel value is stored as NULL.
    virtual uint16_t IsNullValue(const void* variable) = 0;
    // Whether the indicator says NULL.
    virtual uint16_t IsNull(const void* indicator) = 0;
    // Readies the indicator before a bound value is used.
    virtual void PrepareIndicator(void* indicator) = 0;
    // Marks the indicator NULL.
    virtual void SetNull(void* indicator) = 0;
    // Records the length of a value that the caller wrote into the slot directly.
    virtual void SetDataLength(void* sqlValue, void* indicator, int32_t size) = 0;
    // Non-zero for handle types (values bound through large-object descriptors). Base: 0.
    virtual uint16_t IsHandle();
    // Creates the descriptor of a handle type for the slot at address; *kind receives the
    // descriptor kind. The new descriptor handle, 0 when none was made. Base: 0.
    virtual uintptr_t CreateHandle(void* address, uint16_t* kind, const KxGContext& context);

    const KxGContext& GetContext() const { return context_; }

    // ---- Byte-stream form of kernel values ------------------------------------------------
    // By TypeCode(); value points at count values of the type (one value for strings and blobs):
    //   11, 20, 21 string: code-set byte; then for code sets up to 224 the characters and a 0 byte,
    //                      otherwise the 16-bit units and a 0 unit (storage byte order). The text
    //                      ends at its first 0 character. An inactive string loads as an empty one.
    //   15 object id:      per element the 32-bit low word and, with flag, the 16-bit high word
    //                      (without flag the high word loads as 0).
    //   16 class id:       per element the class number (16 bits); loading leaves the version.
    //   18 blob:           its length (32 bits), then its bytes.
    //   9, 14, 17, 22 to 25, 28 to 41, 44 and above: nothing.
    //   every other code:  count values in the type manager's stored form
    //                      (42 and 43: 8 bytes each, like 26).
    // All integers are little-endian.

    // Writes the value at position and advances it; the bytes written (always StoredSize) or a
    // negative status (position unchanged): -6033 for a null argument or a value whose stored form
    // the type manager gives another size, or the type manager's status.
    int32_t StoreValue(KxTypeMgr* typeMgr, uint8_t*& position, const void* value, int32_t count,
                       uint16_t flag);
    // Reads a value written by StoreValue and advances position; the bytes read or a negative status
    // (value and position unchanged): -6033 for a null argument, -6093 when the stored form runs
    // past the available bytes, or the type manager's status.
    int32_t LoadValue(KxTypeMgr* typeMgr, const uint8_t*& position, void* value, int32_t count,
                      uint16_t flag, uint32_t available = kUnbounded);
    // The bytes StoreValue writes for the value; 0 for types without a stream form.
    int32_t StoredSize(const void* value, int32_t count, uint16_t flag);

    static constexpr uint32_t kUnbounded = 0xFFFFFFFFu;

    // The mark an adapter's handler base sets, so that the adapter knows its own handlers without a
    // dynamic cast on every bind; null when unset.
    const void* AdapterMark() const { return adapterMark_; }

protected:
    KxGTypeHdl(const KxGTypeHdl&) = default;
    KxGTypeHdl& operator=(const KxGTypeHdl&) = default;
    void SetAdapterMark(const void* mark) { adapterMark_ = mark; }

private:
    KxGContext context_;
    const void* adapterMark_ = nullptr;
};

// Bits of the type-handler manager's flag byte.
enum : uint8_t {
    KXG_TYPEMGR_OID32_ALLOWED = 0x02,    // 32-bit object ids may be chosen
    KXG_TYPEMGR_OID48_SUPPORTED = 0x04,  // 48-bit object ids are supported
    KXG_TYPEMGR_OID48_IN_USE = 0x08      // 48-bit object ids are in use
};

// The adapter's handler cache. It owns the handlers it hands out.
class KxGTypeHdlMgr {
public:
    explicit KxGTypeHdlMgr(uint8_t flags = 0, int32_t word = 0) : flags_(flags), word_(word) {}
    virtual ~KxGTypeHdlMgr();

    // The handler for a kernel type code under a storage kind and a flag.
    virtual KxGTypeHdl* GetTypeHdl(uint8_t typeCode, uint8_t kind, uint8_t flag) = 0;
    // Whether the empty value of that code is stored as NULL under the given gateway version.
    virtual uint16_t StoresEmptyAsNull(uint8_t typeCode, uint32_t version) = 0;
    // Whether the handlers of that storage kind bind large-object descriptors.
    virtual uint16_t IsHandleKind(uint8_t kind) = 0;

    // The flag byte (KXG_TYPEMGR_... bits) and the further word given at construction.
    uint8_t GetFlags() const { return flags_; }
    void SetFlags(uint8_t flags) { flags_ = flags; }
    int32_t GetWord() const { return word_; }

protected:
    KxGTypeHdlMgr(const KxGTypeHdlMgr&) = default;
    KxGTypeHdlMgr& operator=(const KxGTypeHdlMgr&) = default;

private:
    uint8_t flags_;
    int32_t word_;
};

// The adapter's builder of conversion expressions between columns (schema evolution).
class KxGTypeConvHdlMgr {
public:
    KxGTypeConvHdlMgr() = default;
    virtual ~KxGTypeConvHdlMgr();

    // The option list of the mapping in use (not owned; may be null).
    virtual void SetOptions(KxGOptionList* options) = 0;
    // Writes into out the expression that turns the source column's values into the target
    // column's type; -1 not convertible, 0 nothing to convert, 1 or 2 converted, 3 sizes differ
    // for a kind that no expression carries.
    virtual int32_t BuildConversion(const KxGColumn& source, const KxGColumn& target, KxString& out) = 0;
    // BuildConversion into a scratch text.
    virtual int32_t CanConvert(const KxGColumn& source, const KxGColumn& target) = 0;

protected:
    KxGTypeConvHdlMgr(const KxGTypeConvHdlMgr&) = default;
    KxGTypeConvHdlMgr& operator=(const KxGTypeConvHdlMgr&) = default;
};
