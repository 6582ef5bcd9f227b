// Member maps: how one persistent member of a mapped class lies in the columns of the class's row
// buffer.
//
//   KxGMemberColumn   a column description of a member map: besides the SQL column description it
//                     carries the member path by which columns are matched (index keys, stored names)
//                     and the member map that owns it.
//   KxGRowContext     the rows a member map works on: a row buffer, its current row, a base offset
//                     (raised by embedded class members while their inner maps run), a handle base and
//                     the skip/bind flags of the caller.
//   KxGBufferMap      the layout of one row: member maps reserve their bytes in it (JoinBuffer) and
//                     count their handle-typed columns (KxGBufferMap.h).
//   KxGMemberMap      the interface every member map implements (value, reference, embedded class,
//                     set and blob member maps).
//   KxGMemberMapList  a list of member-map pointers (not owned) with a look-up by name.
//   KxGTypeMemberMap  a value member: one column through one type handle.
//
// Row addressing: a buffer of N rows holds a column joined at row offset O with value size S and
// indicator size I at data + N x (B + O) + row x S (values) and data + N x (B + O + S) + row x I
// (indicators), B being the row context's base offset.
//
// Reference and embedded class members are in KxGRefMemberMap.h.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "KxGBufferMap.h"
#include "KxGColumn.h"
#include "KxGSQLBuffer.h"
#include "KxObjId.h"
#include "KxString.h"

class KxGClassMap;
class KxGColumnList;
class KxGContext;
class KxGDatabase;
class KxClassDict;
class KxGMemberMap;
class KxGRefMemberMap;
class KxGClassMemberMap;
class KxGSchemaMap;
class KxGSQLBuffer;
class KxGStatementHdl;
class KxGTypeHdl;
class KxGTypeMemberMap;
class KxMember;
class KxObjectAlias;
class KxTypeMgr;

class KxGMemberColumn : public KxGColumn {
public:
    KxGMemberColumn() = default;
    explicit KxGMemberColumn(const KxString& name, uint16_t typeCode = 0, uint32_t size = 0, uint8_t flags = 0,
                             uint8_t kind = 0)
        : KxGColumn(name, typeCode, size, flags, kind) {}
    KxGMemberColumn(const KxGMemberColumn&) = default;
    KxGMemberColumn& operator=(const KxGMemberColumn&) = default;

    // The member path ("address.city"; a sub-column of a reference runs together: "ownerOID").
    const KxString& GetMemberPath() const { return memberPath_; }
    void SetMemberPath(const KxString& path) { memberPath_ = path; }
    // The member map whose column this is (may be null).
    KxGMemberMap* GetMemberMap() const { return memberMap_; }
    void SetMemberMap(KxGMemberMap* memberMap) { memberMap_ = memberMap; }

private:
    KxString memberPath_;
    KxGMemberMap* memberMap_ = nullptr;
};

// Flags of a row context: what Store, BindParameter and BindColumn skip.
enum : uint32_t {
    KXG_ROW_NO_CREATE_HANDLES = 0x1,   // BindColumn: do not create handles first
    KXG_ROW_SKIP_ORDINARY = 0x2,       // Store/BindParameter: skip members of ordinary types (and references)
    KXG_ROW_SKIP_HANDLES = 0x4         // Store/BindParameter: skip members of handle types
};

class KxGRowContext {
public:
    // buffer: not owned; the rows to work on (its current row is the row member maps read and write).
    explicit KxGRowContext(KxGSQLBuffer* buffer, uint32_t flags = 0) : buffer_(buffer), flags_(flags) {}

    KxGSQLBuffer* GetBuffer() const { return buffer_; }
    uint8_t* GetData() const { return buffer_ != nullptr ? buffer_->GetData() : nullptr; }
    int32_t GetRowCount() const { return buffer_ != nullptr ? buffer_->GetRowCount() : 0; }
    int32_t GetCurrentRow() const { return buffer_ != nullptr ? buffer_->GetCurrentRow() : 0; }
    void SetCurrentRow(int32_t row)
    {
        if (buffer_ != nullptr) {
            buffer_->SetCurrentRow(row);
        }
    }

    // The base offset B that member maps add their own row offset to.
    int32_t GetBase() const { return base_; }
    void SetBase(int32_t base) { base_ = base; }
    // The first handle index of the maps that run now (raised by embedded class members).
    uint16_t GetHandleBase() const { return handleBase_; }
    void SetHandleBase(uint16_t base) { handleBase_ = base; }
    uint32_t GetFlags() const { return flags_; }
    void SetFlags(uint32_t flags) { flags_ = flags; }
    bool Has(uint32_t flag) const { return (flags_ & flag) != 0; }
    // The read-ahead mode that CollectReferences asks the relations with (KXG_READ_AHEAD_..., 3 by
    // default: every reference).
    int32_t GetCollectMode() const { return collectMode_; }
    void SetCollectMode(int32_t mode) { collectMode_ = mode; }

    // The value of row `row` of a column at row offset `offset` (B added) with value size `size`;
    // null without data.
    uint8_t* ValueAddress(int32_t offset, int32_t size, int32_t row) const
    {
        uint8_t* data = GetData();
        if (data == nullptr) {
            return nullptr;
        }
        const int64_t rows = GetRowCount();
        return data + rows * (static_cast<int64_t>(base_) + offset) + static_cast<int64_t>(row) * size;
    }
    // Its indicator (indicator size `indSize`); null without data or for indicator size 0.
    uint8_t* IndicatorAddress(int32_t offset, int32_t size, int32_t indSize, int32_t row) const
    {
        uint8_t* data = GetData();
        if (data == nullptr || indSize == 0) {
            return nullptr;
        }
        const int64_t rows = GetRowCount();
        return data + rows * (static_cast<int64_t>(base_) + offset + size) + static_cast<int64_t>(row) * indSize;
    }

    // The object whose members are being stored, with its address and class: set by the class buffer
    // map for the store of one object, so that the member maps do not ask the alias for them member
    // by member (Placed answers for that object only; an embedded object's alias is another).
    void SetPlaced(const KxObjectAlias* object, uint8_t* address, const KxClassId& classId)
    {
        placedObject_ = object;
        placedAddress_ = address;
        placedClass_ = classId;
    }
    bool Placed(const KxObjectAlias& object) const { return placedObject_ == &object; }
    uint8_t* GetPlacedAddress() const { return placedAddress_; }
    const KxClassId& GetPlacedClass() const { return placedClass_; }

    // A handle made for the current row: kept as descriptor (handle base + index) of the row when the
    // buffer is an object buffer (which frees it with the row); otherwise freed at once through the
    // database. 0 or the buffer's status.
    int32_t AddHandle(KxGDatabase* database, uint16_t index, uint16_t kind, uintptr_t handle);

private:
    KxGSQLBuffer* buffer_;
    uint32_t flags_;
    int32_t base_ = 0;
    uint16_t handleBase_ = 0;
    int32_t collectMode_ = 3;
    const KxObjectAlias* placedObject_ = nullptr;
    uint8_t* placedAddress_ = nullptr;
    KxClassId placedClass_;
};

class KxGMemberMap {
public:
    virtual ~KxGMemberMap();

    // Reserves the member's bytes in a buffer map's row and remembers the offset. 0 or an error.
    virtual int32_t JoinBuffer(KxGBufferMap& bufferMap);
    // Links the map to what it depends on once every class map exists. 0 or an error.
    virtual int32_t Resolve(KxGClassMap& classMap);
    // Appends the member's column descriptions (KxGMemberColumn objects owned by the map); 0 or an
    // error status.
    virtual int32_t GetColumns(KxGColumnList& list) = 0;
    // References: the prefix of generated column names.
    virtual void SetColumnPrefix(const KxString& prefix);
    // Bytes of the member's value column(s) per row.
    virtual int32_t GetSQLSize();
    // Bytes of the member's value when streamed into a blob container.
    virtual int32_t GetValueSize();
    // Prepares handle-typed values of rows rows from the current row on. 0 or the first failure.
    virtual int32_t CreateHandles(KxGRowContext& rows, int32_t count, KxGContext* context);
    // The member value of an object into the current row; 0 or an error.
    virtual int32_t Store(KxObjectAlias& object, KxGRowContext& rows, KxGContext* context);
    // The current row into the member value of an object; 0 or an error.
    virtual int32_t Load(KxGRowContext& rows, KxObjectAlias& object, KxGContext* context);
    // Appends the member value at position (room bytes left). 0; KXG_E_BLOB_CONTAINER_TOO_SMALL with
    // the need added to `needed` when it does not fit; another error.
    virtual int32_t StreamOut(KxTypeMgr* typeMgr, uint8_t*& position, KxObjectAlias& object, uint32_t room,
                              uint32_t& needed);
    // Reads the member value back from position (available bytes); 0 or an error.
    virtual int32_t StreamIn(KxTypeMgr* typeMgr, const uint8_t*& position, KxObjectAlias& object,
                             uint32_t available);
    // Copies count rows' values and indicators from the source rows (from their current row) to the
    // target rows (from theirs).
    virtual int32_t CopyRows(KxGRowContext& source, KxGRowContext& target, int32_t count);
    // Binds the member's columns as parameters from number `position` on (advanced); 0 or -1.
    virtual int32_t BindParameter(uint16_t& position, KxGRowContext& rows, KxGStatementHdl& statement, int32_t count,
                                  KxGContext* context);
    // Binds the member's columns as result columns from number `column` on (advanced); 0 or -1.
    virtual int32_t BindColumn(uint16_t& column, KxGRowContext& rows, KxGStatementHdl& statement, int32_t count,
                               KxGContext* context);
    // The table that holds the member's columns (given the class's table).
    virtual int32_t GetTable(KxGTable& table);
    // 1 for references and reference sets.
    virtual int32_t IsReference();
    // The member name.
    virtual const KxString& GetName() const = 0;
    virtual KxGRefMemberMap* AsRefMemberMap();
    virtual KxGMemberMap* AsSetMemberMap();
    // The member map as a buffer map of rows of its own (set member maps); null for the others.
    virtual KxGBufferMap* AsBufferMap();
    virtual KxGClassMemberMap* AsClassMemberMap();
    virtual KxGMemberMap* AsBlobSetMemberMap();
    virtual KxGMemberMap* AsBlobContainerMemberMap();
    virtual KxGTypeMemberMap* AsTypeMemberMap();
    // Whether a dictionary member fits this map: 1 yes, 0 no, -1 (embedded classes) same class
    // number, another version.
    virtual int32_t Matches(const KxMember* member);
    // Appends the object ids of the current row that should be read ahead (0 or an error).
    virtual int32_t CollectReferences(KxGRowContext& rows, std::vector<KxObjId>& list);
    // References: appends "OID".
    virtual void AppendIdColumnName(KxString& text);
    // 0 normal column, 3 blob, 4 large string without its second column.
    virtual uint32_t GetStorageType();
    virtual uint16_t GetMemberPos();
    // The id of the class that declares the member (an embedded member: the embedded class).
    virtual KxClassId GetClassId();
    // The class number of the class that declares the member: the prefix of the member's keys in
    // KELVOX_MEMBERS ("<number>.<path>"; no prefix for 0).
    virtual uint16_t GetOwnerClassNumber() const = 0;

    // The address to which the offsets of class `declaring`'s own members (offsets in an instance of
    // `declaring`) are added to reach them in the object: the object's address, moved by where the
    // class's block lies in an instance of the object's class (the class of its reference, found in
    // the schema map's dictionary) less where it lies in an instance of `declaring`; the object's
    // address when the dictionary does not know the class or `declaring` is not a base. Null when the
    // object has no address.
    static uint8_t* BlockAddress(KxGSchemaMap* schemaMap, KxObjectAlias& object, uint16_t declaring);

protected:
    KxGMemberMap() = default;
    // BlockAddress with the block's place kept for the class last seen: a dictionary never changes
    // once loaded, so the move found for one class holds for all its objects. schemaMap is the map's
    // own.
    uint8_t* CachedBlockAddress(KxGSchemaMap* schemaMap, KxObjectAlias& object, uint16_t declaring);
    // The same, with the object's address and class from the rows when they hold them (SetPlaced).
    uint8_t* CachedBlockAddress(KxGSchemaMap* schemaMap, KxObjectAlias& object, uint16_t declaring,
                                const KxGRowContext& rows);
    KxGMemberMap(const KxGMemberMap&) = default;
    KxGMemberMap& operator=(const KxGMemberMap&) = default;

private:
    // BlockAddress's move (added to the object's address) for the class last seen, in one word that
    // threads storing through the same map read and replace whole: the class number and version, the
    // declaring class number and a move of 16 bits (a larger one is not kept). A map's schema map,
    // and so its dictionary, never changes; a copy starts without.
    struct BlockPlace {
        static constexpr uint64_t kNone = ~uint64_t(0);
        std::atomic<uint64_t> word{kNone};
        BlockPlace() = default;
        BlockPlace(const BlockPlace&) {}
        BlockPlace& operator=(const BlockPlace&)
        {
            word.store(kNone, std::memory_order_relaxed);
            return *this;
        }
    };
    // The move from the object's address, 0 when the block starts there.
    static int64_t BlockMove(const KxClassDict& dictionary, const KxClassId& objectClass, uint16_t declaring);
    // BlockAddress, with the move kept in place when given.
    static uint8_t* PlaceBlock(KxGSchemaMap* schemaMap, KxObjectAlias& object, uint16_t declaring, BlockPlace* place);
    // PlaceBlock for an object at `address` (not null) of class objectClass.
    static uint8_t* PlaceBlockAt(const KxClassDict& dictionary, uint8_t* address, const KxClassId& objectClass,
                                 uint16_t declaring, BlockPlace* place);
    BlockPlace blockPlace_;
};

class KxGMemberMapList : public std::vector<KxGMemberMap*> {
public:
    // The first map whose name equals name; null when none.
    KxGMemberMap* Find(const KxString& name) const;
};

// Storage types of a member map.
enum : uint32_t {
    KXG_STORAGE_COLUMN = 0,
    KXG_STORAGE_BLOB = 3,
    KXG_STORAGE_LARGE_STRING = 4
};

class KxGTypeMemberMap : public KxGMemberMap {
public:
    // schemaMap: gives the database (type handle), the options (truncation) and the member path.
    // declaringClass: the id of the class that declares the member. rename: the RENAME text (empty:
    // none). typeArg1/typeArg2: the storage kind and flag handed to the database's GetTypeHdl.
    // memberOffset: the member's offset in an instance of the declaring class.
    KxGTypeMemberMap(KxGSchemaMap* schemaMap, const KxClassId& declaringClass, const KxString& name,
                     const KxString& rename, uint16_t position, uint8_t typeCode, uint8_t typeArg1,
                     uint8_t typeArg2, bool nullable, uint32_t storageType, uint32_t elementCount,
                     uint32_t memberOffset);
    // Copies every field but the row offset (0); shares the type handle.
    KxGTypeMemberMap(const KxGTypeMemberMap& other);
    KxGTypeMemberMap& operator=(const KxGTypeMemberMap&) = delete;
    ~KxGTypeMemberMap() override;

    int32_t JoinBuffer(KxGBufferMap& bufferMap) override;
    int32_t Resolve(KxGClassMap& classMap) override;
    int32_t GetColumns(KxGColumnList& list) override;
    int32_t GetSQLSize() override;
    int32_t GetValueSize() override;
    int32_t CreateHandles(KxGRowContext& rows, int32_t count, KxGContext* context) override;
    int32_t Store(KxObjectAlias& object, KxGRowContext& rows, KxGContext* context) override;
    int32_t Load(KxGRowContext& rows, KxObjectAlias& object, KxGContext* context) override;
    int32_t StreamOut(KxTypeMgr* typeMgr, uint8_t*& position, KxObjectAlias& object, uint32_t room,
                      uint32_t& needed) override;
    int32_t StreamIn(KxTypeMgr* typeMgr, const uint8_t*& position, KxObjectAlias& object,
                     uint32_t available) override;
    int32_t CopyRows(KxGRowContext& source, KxGRowContext& target, int32_t count) override;
    // A text of the current row as it was read (a DB2 CHARACTER value comes padded with blanks) made
    // into the text the member's store writes: read as an object reads it, written as a store writes
    // it, so that a row written again from what was read holds the value as it was stored. Other
    // types and NULL stay as they are. 0, or a negative status.
    int32_t RestoreWrittenForm(KxGRowContext& rows, KxGContext* context);
    int32_t BindParameter(uint16_t& position, KxGRowContext& rows, KxGStatementHdl& statement, int32_t count,
                          KxGContext* context) override;
    int32_t BindColumn(uint16_t& column, KxGRowContext& rows, KxGStatementHdl& statement, int32_t count,
                       KxGContext* context) override;
    const KxString& GetName() const override { return name_; }
    KxGTypeMemberMap* AsTypeMemberMap() override { return this; }
    int32_t Matches(const KxMember* member) override;
    uint32_t GetStorageType() override { return storageType_; }
    uint16_t GetMemberPos() override { return position_; }
    KxClassId GetClassId() override;
    uint16_t GetOwnerClassNumber() const override;

    // The column description (SQL name, type, flags, member path).
    KxGMemberColumn& GetColumn() { return column_; }
    KxGTypeHdl* GetTypeHdl() const { return typeHdl_; }
    // Whether the type handle is a handle type (indexes on such members are refused).
    bool IsHandle() const { return handle_; }
    uint32_t GetElementCount() const { return elementCount_; }
    int32_t GetColumnSize() const { return columnSize_; }
    int32_t GetBufferSize() const { return valueSize_; }
    uint8_t GetIndSize() const { return indSize_; }
    int32_t GetRowOffset() const { return rowOffset_; }
    uint16_t GetTruncate() const { return truncate_; }
    void SetTruncate(uint16_t truncate) { truncate_ = truncate; }
    // The address of the member value in the object (null when the object has no address).
    uint8_t* GetMemberAddress(KxObjectAlias& object);
    // The same, the object's address and class taken from the rows when they hold them (SetPlaced).
    uint8_t* GetMemberAddress(KxObjectAlias& object, const KxGRowContext& rows);

protected:
    void SetStorageType(uint32_t storageType) { storageType_ = storageType; }
    // For derived maps that size or place their column themselves.
    void SetSizes(int32_t columnSize, int32_t valueSize)
    {
        columnSize_ = columnSize;
        valueSize_ = valueSize;
    }
    void SetRowOffset(int32_t offset) { rowOffset_ = offset; }
    uint16_t GetHandleIndex() const { return handleIndex_; }
    KxGSchemaMap* GetSchemaMap() const { return schemaMap_; }

private:
    KxGSchemaMap* schemaMap_;
    KxString name_;
    KxGMemberColumn column_;
    KxGTypeHdl* typeHdl_ = nullptr;
    bool handle_ = false;   // typeHdl_ is a handle type (known at construction)
    uint32_t elementCount_;
    int32_t columnSize_ = 0;
    uint16_t position_;
    int32_t rowOffset_ = 0;
    uint32_t storageType_;
    uint16_t truncate_ = 1;
    int32_t valueSize_ = 0;
    uint8_t indSize_ = 0;
    uint16_t handleIndex_ = 0;
    uint16_t classNumber_;
    uint16_t classVersion_;
    uint32_t memberOffset_;
};
