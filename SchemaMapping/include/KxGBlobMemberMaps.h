// Member maps for values that do not fit one ordinary column.
//
//   KxGLargeStringMemberMap    a long string in two columns: the member's column and a second column
//                              whose member path is the member's path followed by "LSX". Stored in
//                              the blob container instead (storage type 4) it has no second column.
//   KxGBlobContainerMemberMap  the column "BLOB_CONTAINER" of a class row, into which the members
//                              stored as blobs are packed one after another; optionally with a child
//                              container map when the container's storage kind binds large-object
//                              locators (the row then holds the child's slot).
//   KxGBlobTypeMemberMap       a value member kept in the blob container: no column of its own.
//
// Container value layout (every integer little-endian, on every host), after the blob slot's own
// 4-byte length prefix (the container therefore holds at most column size - 4 bytes):
//
//   offset 0        4 bytes   bytes in use, header included
//   offset 4        4 bytes   total size (equal to bytes in use once the container is closed)
//   offset 8        4 bytes   object-id flag: 1 when 48-bit object ids are in use, else 0
//   offset 12       2 bytes   version of the class whose row holds the container
//   offset 14       8 x (N+1) entries: 4-byte length, 4-byte offset from the start of the value
//   offset 22 + 8N  ...       packed member values
//
// N is the number of member maps in the class map's member-map list. Each member kept in the
// container owns one entry, its entry index (GetEntryIndex): walking the member-map list with the
// inherited members first, a container member takes its member position when that slot is free and
// within N, otherwise the lowest free slot. Member positions restart for each declaring class, so
// a base's member and an own member may share a position; the entry index keeps them apart, leaves
// containers without such a clash laid out by position, and gives a base and its subclass the same
// entries for the inherited members.
//
// Stored containers are read as untrusted data: an entry index above N, an entry that runs past the
// bytes in use, or bytes in use beyond the slot answer KXG_E_BLOB_CONTAINER_TOO_SMALL (-6093).
#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "KxGMemberMap.h"

class KxGClassMap;
class KxGSQLBuffer;

// Bytes of the blob slot's length prefix in front of the container value.
constexpr uint32_t KXG_BLOB_SLOT_PREFIX = 4;
// Bytes of the fixed header part (without the entries).
constexpr uint32_t KXG_BLOB_CONTAINER_FIXED = 14;
// The largest container a stored header may ask for (GetRequiredSize answers 0 beyond it), and how
// often a reader reads one object's container again with a larger buffer before it gives up (-6093).
constexpr uint32_t KXG_BLOB_CONTAINER_MAX_SIZE = 0x40000000u;
constexpr uint32_t KXG_BLOB_CONTAINER_MAX_REREADS = 3;

class KxGLargeStringMemberMap : public KxGTypeMemberMap {
public:
    // As the value member map (typeArg1: the string storage kind of the member's column). lsxSize:
    // the size argument of the second column (handed to its type handle, storage kind 2).
    // storageType: KXG_STORAGE_BLOB keeps the value in the blob container (stored as
    // KXG_STORAGE_LARGE_STRING: no second column); anything else gives both columns.
    KxGLargeStringMemberMap(KxGSchemaMap* schemaMap, const KxClassId& declaringClass, const KxString& name,
                            const KxString& rename, uint16_t position, uint8_t typeCode, uint8_t typeArg1,
                            bool nullable, uint32_t storageType, uint32_t elementCount, uint32_t memberOffset,
                            uint32_t lsxSize);
    KxGLargeStringMemberMap(const KxGLargeStringMemberMap& other);
    ~KxGLargeStringMemberMap() override;

    int32_t JoinBuffer(KxGBufferMap& bufferMap) override;
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
    int32_t BindParameter(uint16_t& position, KxGRowContext& rows, KxGStatementHdl& statement, int32_t count,
                          KxGContext* context) override;
    int32_t BindColumn(uint16_t& column, KxGRowContext& rows, KxGStatementHdl& statement, int32_t count,
                       KxGContext* context) override;

    // Whether the second ("LSX") column exists (storage type other than 4).
    bool HasSecondColumn() { return GetStorageType() != KXG_STORAGE_LARGE_STRING; }
    KxGMemberColumn& GetSecondColumn() { return lsxColumn_; }
    KxGTypeHdl* GetSecondTypeHdl() const { return lsxHdl_; }
    int32_t GetSecondColumnSize() const { return lsxColumnSize_; }
    int32_t GetSecondValueSize() const { return lsxValueSize_; }

private:
    // Row offsets of the second column's values (its indicators follow them).
    int32_t SecondOffset() const;
    uint8_t* SecondValue(KxGRowContext& rows, int32_t row) const;
    uint8_t* SecondIndicator(KxGRowContext& rows, int32_t row) const;

    KxGMemberColumn lsxColumn_;
    uint32_t lsxSize_;
    uint8_t typeCode_;
    KxGTypeHdl* lsxHdl_ = nullptr;
    int32_t lsxColumnSize_ = 0;
    int32_t lsxValueSize_ = 0;
    uint8_t lsxIndSize_ = 0;
};

class KxGBlobTypeMemberMap : public KxGTypeMemberMap {
public:
    // As the value member map with second type argument 0 and storage type KXG_STORAGE_BLOB.
    KxGBlobTypeMemberMap(KxGSchemaMap* schemaMap, const KxClassId& declaringClass, const KxString& name,
                         uint16_t position, uint8_t typeCode, uint8_t typeArg1, bool nullable, uint32_t elementCount,
                         uint32_t memberOffset);
    KxGBlobTypeMemberMap(const KxGBlobTypeMemberMap& other) = default;
    ~KxGBlobTypeMemberMap() override;

    // Registers with size 0.
    int32_t JoinBuffer(KxGBufferMap& bufferMap) override;
    int32_t GetColumns(KxGColumnList&) override { return 0; }
    int32_t CreateHandles(KxGRowContext&, int32_t, KxGContext*) override { return 0; }
    int32_t Store(KxObjectAlias&, KxGRowContext&, KxGContext*) override { return 0; }
    int32_t Load(KxGRowContext&, KxObjectAlias&, KxGContext*) override { return 0; }
    int32_t CopyRows(KxGRowContext&, KxGRowContext&, int32_t) override { return 0; }
    int32_t BindParameter(uint16_t&, KxGRowContext&, KxGStatementHdl&, int32_t, KxGContext*) override { return 0; }
    int32_t BindColumn(uint16_t&, KxGRowContext&, KxGStatementHdl&, int32_t, KxGContext*) override { return 0; }
    // The value size.
    int32_t GetSQLSize() override;
};

class KxGBlobContainerMemberMap : public KxGTypeMemberMap {
public:
    // containerType: the storage kind of the container column (BLOB_CONTAINER_TYPE). When the adapter's
    // type-handler manager says that kind binds large-object locators and the map is not a child, the
    // map is built with kind 0 and holds a child container map of the real kind. size: the initial
    // column size argument. owner: the class map whose container this is (may be null; the entry
    // indexes are assigned from its member-map list).
    KxGBlobContainerMemberMap(KxGSchemaMap* schemaMap, uint8_t containerType, int32_t size = 0,
                              KxGClassMap* owner = nullptr, bool isChild = false);
    // Copies the value member map part, the entry indexes and sizes; makes a new copy of the child.
    KxGBlobContainerMemberMap(const KxGBlobContainerMemberMap& other);
    ~KxGBlobContainerMemberMap() override;

    // ---- member-map interface ------------------------------------------------------------------
    int32_t JoinBuffer(KxGBufferMap& bufferMap) override;           // through the child when there is one
    // The column (the child's when there is one: the table declares the kind the row binds).
    int32_t GetColumns(KxGColumnList& list) override;
    int32_t GetSQLSize() override { return 0; }
    int32_t GetValueSize() override { return 0; }
    int32_t CreateHandles(KxGRowContext& rows, int32_t count, KxGContext* context) override;
    int32_t Store(KxObjectAlias&, KxGRowContext&, KxGContext*) override { return 0; }
    int32_t Load(KxGRowContext&, KxObjectAlias&, KxGContext*) override { return 0; }
    int32_t StreamOut(KxTypeMgr*, uint8_t*&, KxObjectAlias&, uint32_t, uint32_t&) override { return 0; }
    int32_t StreamIn(KxTypeMgr*, const uint8_t*&, KxObjectAlias&, uint32_t) override { return 0; }
    int32_t Matches(const KxMember*) override { return 0; }
    int32_t CopyRows(KxGRowContext& source, KxGRowContext& target, int32_t count) override;
    int32_t BindParameter(uint16_t& position, KxGRowContext& rows, KxGStatementHdl& statement, int32_t count,
                          KxGContext* context) override;
    int32_t BindColumn(uint16_t& column, KxGRowContext& rows, KxGStatementHdl& statement, int32_t count,
                       KxGContext* context) override;
    KxGMemberMap* AsBlobContainerMemberMap() override { return this; }
    // A fixed null class id.
    KxClassId GetClassId() override;

    // ---- container ------------------------------------------------------------------------------
    // Writes a fresh header into the current row's value: bytes in use = total = 22 + 8N, the
    // object-id flag, the class version, every entry 0. KXG_E_BLOB_CONTAINER_TOO_SMALL when the
    // header does not fit the slot. Remembers N as the entry count.
    int32_t OpenContainer(KxGRowContext& rows, uint32_t entryCount, uint16_t classVersion, uint32_t oidFlag);
    // Starts entry `entry` of the current row: records length and the current bytes in use as its
    // offset, hands back the header's object-id flag and the address where the entry's data begins
    // (the room left is GetRoom at that address). -6093 for an entry index above N or a header that
    // is not intact.
    int32_t BeginEntry(uint32_t entry, uint32_t length, KxGRowContext& rows, uint8_t*& data, uint16_t& oidFlag);
    // Ends entry `entry` begun with BeginEntry whose data ends at `end`: the entry's length becomes the
    // bytes written, then the container is closed at `end` (CloseContainer). For entries whose length
    // counts bytes (members); a set's entry keeps its element count and is closed with CloseContainer.
    int32_t EndEntry(uint32_t entry, const uint8_t* end, KxGRowContext& rows);
    // The data address and length of entry `entry` of the current row, and the bytes available from
    // that address to the end of the bytes in use. An entry that was never written answers 0 with a
    // null address and length 0. -6093 when the stored container is not sound (see above).
    int32_t GetEntry(uint32_t entry, KxGRowContext& rows, const uint8_t*& data, uint32_t& length,
                     uint32_t& available);
    // The class version and object-id flag stored in the current row's header; -6093 when the header
    // is not sound.
    int32_t GetHeaderInfo(KxGRowContext& rows, uint16_t& classVersion, uint16_t& oidFlag);
    // Stores the bytes in use (end address minus start) at offsets 0 and 4 and, unless the value is
    // null, sets the slot's value length through the type handle. -6093 when end lies outside the
    // slot.
    int32_t CloseContainer(const uint8_t* end, KxGRowContext& rows);
    // The column size a row needs to hold its stored container: the total size at offset 4 plus the
    // slot prefix (0 for a null or empty value, and for a stored size below the header or above
    // KXG_BLOB_CONTAINER_MAX_SIZE).
    uint32_t GetRequiredSize(KxGRowContext& rows);
    // Bytes the current row's container may still take from address `position` on.
    uint32_t GetRoom(KxGRowContext& rows, const uint8_t* position);
    // The start of the current row's container value (after the slot prefix); null without data.
    uint8_t* GetStart(KxGRowContext& rows);
    // The container's size becomes its column size plus n (also the column description's size);
    // returns the new value size.
    int32_t GrowContainer(int32_t n);
    // Column and value size recomputed for n (the column description keeps its size); returns the
    // previous column size.
    int32_t SetSQLSize(int32_t n);
    // Sets the row offset; returns the previous one.
    int32_t SetOffset(int32_t offset);
    // Grows a column size below 8 x count + 34 to that (as SetSQLSize, and the column description
    // with it, so that the table's column holds the header); remembers count as N.
    void ReserveEntries(uint32_t count);
    // Whether the bytes in use exceed what the slot holds.
    bool IsOverflow(KxGRowContext& rows);
    bool IsNull(KxGRowContext& rows);
    void SetNull(KxGRowContext& rows);
    // Fills the current row's value with zero bytes.
    void Clear(KxGRowContext& rows);

    // The child container map (owned), or null.
    KxGBlobContainerMemberMap* GetChild() const { return child_.get(); }
    bool IsChild() const { return isChild_; }
    uint8_t GetContainerType() const { return containerType_; }
    // N: the entry count given by ReserveEntries or OpenContainer.
    uint32_t GetEntryCount() const { return entryCount_; }
    // The bytes the slot of the current size can hold after its prefix.
    uint32_t GetCapacity() const;

    // ---- whole objects ------------------------------------------------------------------------------
    // The object-id flag of the database's type-handler manager: 1 when 48-bit object ids are in use.
    uint32_t GetOidFlag() const;
    // Packs the container members among memberMaps (those with an entry index; blob sets excepted,
    // which their own maps write) of the object into the current row: opens the container for
    // entryCount entries with the class version and the object-id flag, then streams each member into
    // its entry. A member that does not fit is left out and the packing goes on; the result is then
    // -6093 and `required` the column size that would hold them all (the caller grows the container
    // and packs again). Any other error stops and is returned.
    int32_t PackObject(KxTypeMgr* typeMgr, const std::vector<KxGMemberMap*>& memberMaps, uint32_t entryCount,
                       uint16_t classVersion, KxObjectAlias& object, KxGRowContext& rows, uint32_t& required);
    // Reads the container members among memberMaps back into the object from the current row (with a
    // child container: through the row's locator, see UnpackThroughChild); an entry never written
    // leaves its member as it is. 0, -6093 for a container that is not sound
    // (overflowed: see GetRequiredSize), or the member's error.
    int32_t UnpackObject(KxTypeMgr* typeMgr, const std::vector<KxGMemberMap*>& memberMaps, KxGRowContext& rows,
                         KxObjectAlias& object);

    // ---- a container behind a locator (child container) ----------------------------------------------
    // The row holds the child's slot (a locator); the container itself is packed into a one-row
    // buffer in the slot form: this map at row offset 0 of a buffer of GetBufferSize() +
    // GetIndSize() bytes or more (PackObject fills it so).
    // Writes the bytes in use of such a buffer through the current row's locator. 0; -1 for a
    // database error; -6093 without a child or for a value that is not a sound container.
    int32_t WriteThroughChild(KxGRowContext& rows, const KxGSQLBuffer& value, KxGContext* context);
    // Reads the container behind the current row's locator and unpacks the members among memberMaps
    // into the object (as UnpackObject); a null value leaves the object as it is. 0; -1 for a
    // database error; -6093 without a child or for a container that is not sound.
    int32_t UnpackThroughChild(KxTypeMgr* typeMgr, const std::vector<KxGMemberMap*>& memberMaps, KxGRowContext& rows,
                               KxObjectAlias& object, KxGContext* context);

    // ---- entry indexes ------------------------------------------------------------------------------
    // Whether a member map lives in the container (storage type 3 or 4, or a blob set).
    static bool IsContainerMember(KxGMemberMap& memberMap);
    // Assigns the entry indexes of the container members of the list (inherited members first, as
    // the class map keeps them) for N = entryCount (see the file comment).
    void AssignEntries(const std::vector<KxGMemberMap*>& memberMaps, uint32_t entryCount);
    // The entry index of a member map; -1 when it has none.
    int32_t GetEntryIndex(const KxGMemberMap* memberMap) const;
    KxGClassMap* GetOwner() const { return owner_; }
    void SetOwner(KxGClassMap* owner) { owner_ = owner; }

private:
    // The header checks shared by the readers: the bytes in use (out) within the slot and not
    // below the header. 0 or -6093.
    int32_t CheckHeader(const uint8_t* start, uint32_t& used) const;
    uint32_t HeaderSize() const { return KXG_BLOB_CONTAINER_FIXED + 8 * (entryCount_ + 1); }
    void Resize(int32_t size);

    KxGSchemaMap* schemaMap_;
    std::unique_ptr<KxGBlobContainerMemberMap> child_;
    KxGClassMap* owner_;
    uint8_t containerType_;
    bool isChild_;
    uint32_t entryCount_ = 0;
    std::vector<std::pair<const KxGMemberMap*, uint16_t>> entries_;
};

// ---- class-map completion and loading -----------------------------------------------------------
// A copy of a base class's blob container map for classMap (null when base is not one).
std::unique_ptr<KxGMemberMap> KxGCopyBlobContainer(KxGClassMap& classMap, KxGMemberMap& baseContainer);
// Applies a SET_STORAGE_TYPE BLOB size (above 0: the container grows by it), reserves room for
// `entries` entries and assigns the entry indexes from the owner's member-map list. 0 or an error.
int32_t KxGSizeBlobContainer(KxGMemberMap& container, int32_t size, uint32_t entries);
// The class map's blob container: made when missing (copied from the first base that has one, or new
// with the registry's blob-container type code). Null only when no container could be made.
KxGBlobContainerMemberMap* KxGEnsureBlobContainer(KxGClassMap& classMap);
