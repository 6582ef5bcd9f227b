// Set members: sets of values, of embedded class values and of references, kept in a set table of
// their own (one row per element) or packed into the owner's blob container.
//
//   KxGAttribute            a value (or set) member of a mapped class that is not a reference.
//   KxGSetMap               the class map of a set type: the id columns of the set objects (OID, CID
//                           through the surrogate map) and the element number EID.
//   KxGSetMemberMap         a set member: a member map of the owning class that adds nothing to the
//                           owner's row, and the buffer map of its set table (OID, CID, EID, then the
//                           columns of the element member maps).
//   KxGRefSetMemberMap      a set of references; with the inverse flag its rows are the element
//                           class's rows (no set table of its own).
//   KxGBlobSetMemberMap     a set packed into the owner's blob container (one container entry).
//   KxGBlobRefSetMemberMap  a set of references packed into the blob container.
//
// Set rows: the set object's id (the set's own object id; a set that has none is keyed by its
// owner's object id, which is unique per set member since every set member has a table of its own),
// the set type's class id, EID 1..n in iteration order, then the element's columns. Writing a set
// deletes its old rows first when the owner is updated, also when the set became empty, so that old
// rows never come back.
//
// The element member maps belong to the set type's class (KxGSetMap); they are shared by every set
// member of that type. Each set member map keeps copies of their columns whose member paths start
// with the set member's name, so that two set members of one class name their columns apart.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "KxGClass.h"
#include "KxGClassMap.h"
#include "KxGColumnList.h"
#include "KxGTableMap.h"
#include "KxGMemberMap.h"
#include "KxGRefMemberMap.h"
#include "KxRef.h"

class KxGSetAlias;
class KxGSetMemberMap;
class KxGSetMemberAlias;
class KxGSQLObjectBuffer;
class KxGStatementTemplateList;
class KxMetaSet;

// A member of a mapped class that is not a reference (values, embedded members, sets of values).
class KxGAttribute : public KxGMember {
public:
    using KxGMember::KxGMember;
};

// Rows fetched at a time when a set is read.
constexpr int32_t KXG_SET_ROWS_PER_FETCH = 20;

// Kinds of sets (GetSetKind): the set type's meta kind.
enum : uint32_t {
    KXG_SET_OF_OBJECTS = 2,     // object references
    KXG_SET_OF_ONDEMAND = 3,    // on-demand references
    KXG_SET_OF_CLASSES = 4,     // embedded class values
    KXG_SET_OF_VALUES = 5       // simple values
};

// Context flag of a set map's binds: bind EID after the id columns.
constexpr uint32_t KXG_BIND_EID = 0x10;

class KxGSetMap : public KxGClassMap {
public:
    KxGSetMap(KxGSchemaMap* schemaMap, KxGClass* setClass);
    ~KxGSetMap() override;

    uint16_t GetMapKind() const override { return 2; }
    // OID into the first list; CID, then EID into the second.
    void GetColumns(KxGColumnList& oidColumns, KxGColumnList& cidColumns) override;
    // The id part of a set row: the ids with their indicators, then EID.
    int32_t GetSQLSize() override { return GetIdRowSize() + eidSize_; }
    // count rows from the current row on: the set's id into each and EID 1, 2 ... count. count or a
    // negative status.
    int32_t Store(const KxRef& ref, KxGRowContext& rows, int32_t count, KxGContext* context) override;
    int32_t CopyRows(KxGRowContext& source, KxGRowContext& target, int32_t count) override;
    // The ids as the class map binds them; EID after them whenever the class id is bound (which bit
    // 0x2) or KXG_BIND_EID is given.
    int32_t BindParameter(uint16_t& position, KxGRowContext& rows, KxGStatementHdl& statement,
                          uint16_t which) override;
    int32_t BindColumn(uint16_t& column, KxGRowContext& rows, KxGStatementHdl& statement, uint16_t which) override;

    // EID: kernel type 6 (4-byte unsigned integer), key and not null.
    const KxGColumn& GetEIDColumn() const { return eid_; }
    int32_t GetEIDSize() const { return eidSize_; }
    // The ids with their indicators (the part before EID).
    int32_t GetIdRowSize();
    int32_t GetRowSize() { return GetSQLSize(); }
    // The EID of the current row (0 when it cannot be read).
    int32_t LoadEID(KxGRowContext& rows, KxGContext* context);
    KxGTypeHdl* GetEIDTypeHdl() const { return eidHdl_; }

    // The set member maps whose tables hold sets of this type (not owned).
    void AddSetMemberMap(KxGSetMemberMap* map);
    const std::vector<KxGSetMemberMap*>& GetSetMemberMaps() const { return setMaps_; }

private:
    int32_t BindIds(uint16_t& number, KxGRowContext& rows, KxGStatementHdl& statement, uint16_t which, bool asResult);

    KxGTypeHdl* eidHdl_ = nullptr;
    KxGColumn eid_;
    int32_t eidSize_ = 0;
    std::vector<KxGSetMemberMap*> setMaps_;
};

// The rows of a batch of sets, built by BuildRows: one row buffer for every element of every
// non-empty set, and per set (empty ones too) its reference and row range.
struct KxGSetRows {
    struct Set {
        KxRef ref;          // the set's id (see the header comment)
        int32_t first = 0;  // first row
        int32_t count = 0;  // element rows
    };
    std::unique_ptr<KxGSQLObjectBuffer> buffer;   // null when no set has elements
    std::vector<Set> sets;
    int32_t GetRowCount() const;
};

class KxGSetMemberMap : public KxGMemberMap, public KxGBufferMap {
public:
    // owner: the id of the class that declares the set member; position: its member position;
    // setIndex: the set's number among the owner's sets; setKind: KXG_SET_OF_...
    KxGSetMemberMap(KxGSchemaMap* schemaMap, const KxClassId& owner, uint16_t position, uint16_t setIndex,
                    uint32_t setKind);
    ~KxGSetMemberMap() override;
    KxGSetMemberMap(const KxGSetMemberMap&) = delete;
    KxGSetMemberMap& operator=(const KxGSetMemberMap&) = delete;

    // Sets the owning member, the set map and the element iterator factory (owned); a map without a
    // name takes the member's name. relation: the member's relation for sets of references (else null).
    void BindRelation(KxGMember* member, KxGSetMap* setMap, std::unique_ptr<KxGSetMemberAlias> iterator,
                      KxGRelation* relation = nullptr);

    // ---- member-map side: a set adds nothing to its owner's row --------------------------------------
    // Names the set table, lays the set table's row out (OID, CID, EID, elements) and copies the
    // element columns; nothing for an inverse set.
    int32_t JoinBuffer(KxGBufferMap& bufferMap) override;
    int32_t Resolve(KxGClassMap& classMap) override;
    // The set table's element columns (copies whose paths start with the member name); for an
    // inverse set the element table's reference columns of the inverse member.
    int32_t GetColumns(KxGColumnList& list) override;
    int32_t GetSQLSize() override { return 0; }
    int32_t GetValueSize() override { return 0; }
    int32_t CreateHandles(KxGRowContext&, int32_t, KxGContext*) override { return 0; }
    int32_t Store(KxObjectAlias&, KxGRowContext&, KxGContext*) override { return 0; }
    int32_t Load(KxGRowContext&, KxObjectAlias&, KxGContext*) override { return 0; }
    int32_t StreamOut(KxTypeMgr*, uint8_t*&, KxObjectAlias&, uint32_t, uint32_t&) override { return 0; }
    int32_t StreamIn(KxTypeMgr*, const uint8_t*&, KxObjectAlias&, uint32_t) override { return 0; }
    int32_t CopyRows(KxGRowContext&, KxGRowContext&, int32_t) override { return 0; }
    int32_t BindParameter(uint16_t&, KxGRowContext&, KxGStatementHdl&, int32_t, KxGContext*) override { return 0; }
    int32_t BindColumn(uint16_t&, KxGRowContext&, KxGStatementHdl&, int32_t, KxGContext*) override { return 0; }
    // The set table.
    int32_t GetTable(KxGTable& table) override;
    int32_t IsReference() override { return 0; }
    const KxString& GetName() const override { return name_; }
    void SetName(const KxString& name) { name_ = name; }
    KxGMemberMap* AsSetMemberMap() override { return this; }
    KxGBufferMap* AsBufferMap() override { return this; }
    int32_t Matches(const KxMember*) override { return 0; }
    // For the current row of a set table buffer: every element member map's CollectReferences.
    int32_t CollectReferences(KxGRowContext& rows, std::vector<KxObjId>& list) override;
    uint16_t GetMemberPos() override { return position_; }
    KxClassId GetClassId() override { return owner_; }
    uint16_t GetOwnerClassNumber() const override { return owner_.GetClassNumber(); }

    // ---- buffer-map side: the rows of the set table ---------------------------------------------------
    KxGClassMap* GetClassMap() override { return setMap_; }
    KxGClassMap* GetClassMap() const override { return setMap_; }
    KxGMemberMapList& GetMemberMapList() override { return elements_; }
    int32_t GetRowSize() override { return rowSize_; }
    // The rows of the owners' sets (BuildRows) handed to the request; no buffer when every set is
    // empty.
    int32_t FillRows(const KxGAliasVector& objects, KxGRequest& request, KxGContext* context) override;
    // Table sets: nothing. Blob sets: the owner's set into its container entry (see KxGBlobSetMemberMap).
    int32_t StreamContainer(KxObjectAlias& object, KxGRowContext& rows, uint32_t storageKind,
                            KxGMemberMap& container, KxGContext* context) override;
    // The rows of the first image (aliases[0], an SQL set alias) into the elements of the first set
    // (objects[0], a set alias), in EID order.
    int32_t LoadRows(const KxGAliasVector& aliases, const KxGAliasVector& objects, KxGContext* context) override;
    // The rows of every non-empty image (SQL set aliases) copied into one buffer for the request.
    int32_t FillRowsFromList(const KxGAliasVector& objects, KxGRequest& request, KxGContext* context) override;
    // Reads each set: a set alias gets its elements, an SQL set alias the rows (in EID order).
    int32_t ReadObjects(KxGObjectFetcher& reader, const KxGAliasVector& aliases) override;
    // Insert: the request's rows. Update: the owners' old set rows are deleted first (also those of
    // sets that are now empty), then the rows are inserted. Delete: the sets' rows are deleted.
    int32_t PrepareStatements(KxGRequest& request, KxObjectAlias* alias) override;
    // The handle-typed element values of the written sets, through re-selected rows.
    int32_t ResetRows(KxGRequest& request, const KxGAliasVector& objects, KxObjectAlias* alias) override;
    int32_t ExecuteTableMaps(KxGRequest&, const KxGAliasVector&) override { return 0; }
    // The ids of the owners' sets (one row each) as the request's rows, for the delete.
    int32_t FillIdRows(KxGRequest& request, const KxGAliasVector& objects, KxObjectAlias* alias) override;
    // The set tables are made by the store handler's CreateMemberTables (KxGCreateSetTables).
    int32_t CollectForStoreHandler(KxGStoreHdl&) override { return 0; }
    int32_t JoinMemberMap(KxGMemberMap* memberMap, int32_t bytes, int32_t& offset) override;
    int32_t AddTableMap(KxGTableMap*) override { return 0; }
    KxGTableMap* GetMainTableMap() override { return tableMap_.get(); }

    // Reads the rows of one set (by its id) into a new buffer, in EID order; null rows when the set
    // has none. 0, KXG_E_MAP_EXECUTE, KXG_E_MAP_FETCH or another error.
    int32_t ReadSetRows(KxGDatabase* database, const KxRef& setRef, std::unique_ptr<KxGSQLObjectBuffer>& rows,
                        KxGContext* context);
    // The set table's templates (built once the column names are known). 0 or an error.
    int32_t BuildTemplates(KxGDatabase* database);
    // The element columns (copies) of the set table.
    const KxGColumnList& GetElementColumns() const { return columns_; }

    // The three operations sets add.
    virtual uint16_t IsInverse() const { return 0; }
    // 1 for a reference set whose inverse flag is clear; 0 for every other set.
    virtual uint16_t HasOwnTable() const { return 0; }
    uint32_t GetSetKind() const { return setKind_; }

    // ---- the set table -----------------------------------------------------------------------------
    // Whether the set lives in a set table of its own (not inverse, not in a blob container).
    virtual bool KeepsSetTable() const { return true; }
    const KxGQualifiedIdentity& GetTableName() const { return table_; }
    // Names the set table (the versioning maps hand an old table's name over).
    void SetTableName(const KxGQualifiedIdentity& table) { table_ = table; named_ = true; }
    // Every column of the set table in order: OID, CID, EID, the element columns.
    void GetTableColumns(KxGColumnList& list);
    // The set table's DDL (the adapter's CreateTable) appended to the list; nothing for sets without
    // a table of their own. 0 or an error.
    int32_t CreateTable(KxGStatementTemplateList& list);
    uint16_t GetSetIndex() const { return setIndex_; }
    KxGSetMap* GetSetMap() const { return setMap_; }
    KxGMember* GetMember() const { return member_; }
    KxGRelation* GetRelation() const { return relation_; }
    const KxGMemberMapList& GetElementMaps() const { return elements_; }
    uint16_t GetElementHandleCount() const { return handles_; }
    uint16_t GetRowsPerFetch() const { return rowsPerFetch_; }

    // ---- rows of sets --------------------------------------------------------------------------------
    // A set alias over the set member of the owner (owned by the caller); null when it cannot be made.
    std::unique_ptr<KxGSetAlias> CreateSetAlias(KxObjectAlias& owner);
    // The id under which a set's rows are kept: the set's own object id, else its owner's; the class
    // id is the set type's.
    KxRef SetRefOf(KxGSetAlias& set, KxObjectAlias& owner) const;
    // The rows of the owners' sets: every element of every set, EID 1..n per set in iteration order.
    // Empty sets keep their entry (with no rows) so that their old rows can be deleted. 0 or an error
    // (-2030 when a buffer or a set alias cannot be made).
    int32_t BuildRows(const std::vector<KxObjectAlias*>& owners, KxGSetRows& rows, KxGContext* context);
    // Turns rows (buffer and row, taken in EID order) into the elements of the set: Prepare, each
    // element map's Load, Append, Finish. The references of a set of references are only collected
    // into refs (when given): the object reader adds their objects. 0 or the first error.
    using RowRef = std::pair<KxGSQLBuffer*, int32_t>;
    int32_t LoadElements(std::vector<RowRef> rows, KxGSetAlias& set, KxGContext* context,
                         std::vector<KxRef>* refs = nullptr);
    // The rows of a whole buffer.
    static std::vector<RowRef> RowsOf(KxGSQLBuffer* buffer);

protected:
    KxGSchemaMap* GetSchemaMap() const { return schemaMap_; }
    // Lays the element member maps out after the set map's id part and EID; copies their columns.
    int32_t LayOutElements();
    // A buffer of the set table's layout with one row per set: the sets' ids. Null when memory runs out.
    std::unique_ptr<KxGSQLObjectBuffer> IdRows(const std::vector<KxRef>& sets, KxGDatabase* database,
                                               KxGContext* context, int32_t& status);
    // The set table's table map over the element columns (once).
    int32_t MakeTableMap();
    // The set ids of the owners (empty sets included).
    int32_t SetRefsOf(const KxGAliasVector& owners, std::vector<KxRef>& refs);

    KxGSchemaMap* schemaMap_;
    KxString name_;
    uint16_t position_;
    uint16_t setIndex_;
    uint32_t setKind_;
    KxClassId owner_;
    KxGMember* member_ = nullptr;
    KxGRelation* relation_ = nullptr;
    std::unique_ptr<KxGSetMemberAlias> iterator_;
    KxGSetMap* setMap_ = nullptr;
    KxGQualifiedIdentity table_;
    bool named_ = false;
    bool laidOut_ = false;
    KxGMemberMapList elements_;
    KxGColumnList columns_;   // owned copies of the element columns
    std::vector<std::unique_ptr<KxObjectAlias>> blockAliases_;   // owners' blocks of a second base
    std::unique_ptr<KxGTableMap> tableMap_;
    std::unique_ptr<KxGMemberMap> elementRow_;   // the element columns as one member of the set table
    int32_t rowSize_ = 0;
    uint16_t handles_ = 0;    // handle-typed element columns
    uint16_t extraBytes_ = 0;
    uint16_t rowsPerFetch_ = KXG_SET_ROWS_PER_FETCH;
};

class KxGRefSetMemberMap : public KxGSetMemberMap {
public:
    KxGRefSetMemberMap(KxGSchemaMap* schemaMap, const KxClassId& owner, uint16_t position, uint16_t setIndex,
                       uint32_t setKind, uint16_t inverse);

    int32_t JoinBuffer(KxGBufferMap& bufferMap) override;
    // Inverse sets: the element class's table and the inverse member's columns (-6081 without the
    // element class map, -6092 without the inverse member's map).
    int32_t Resolve(KxGClassMap& classMap) override;
    int32_t GetColumns(KxGColumnList& list) override;
    int32_t GetTable(KxGTable& table) override;
    int32_t IsReference() override { return 1; }
    uint16_t IsInverse() const override { return inverse_; }
    uint16_t HasOwnTable() const override { return inverse_ == 0 ? 1 : 0; }
    bool KeepsSetTable() const override { return inverse_ == 0; }

private:
    uint16_t inverse_;
    KxGQualifiedIdentity elementTable_;
};

// A set packed into the owner's blob container: one entry holding the elements one after another.
class KxGBlobSetMemberMap : public KxGSetMemberMap {
public:
    using KxGSetMemberMap::KxGSetMemberMap;

    // No set table: the element maps are laid out for streaming only.
    int32_t JoinBuffer(KxGBufferMap& bufferMap) override;
    int32_t GetColumns(KxGColumnList&) override { return 0; }
    int32_t GetTable(KxGTable& table) override;
    KxGMemberMap* AsBlobSetMemberMap() override { return this; }
    uint32_t GetStorageType() override { return KXG_STORAGE_BLOB; }
    bool KeepsSetTable() const override { return false; }

    // The owner's set streamed into / read back from the container (StreamSet, UnstreamSet).
    int32_t StreamOut(KxTypeMgr* typeMgr, uint8_t*& position, KxObjectAlias& object, uint32_t room,
                      uint32_t& needed) override;
    int32_t StreamIn(KxTypeMgr* typeMgr, const uint8_t*& position, KxObjectAlias& object,
                     uint32_t available) override;

    // The set's elements, packed for the container: the element count (4 bytes, little-endian), then
    // each element's values. KXG_E_BLOB_CONTAINER_TOO_SMALL with the need added to `needed` when they
    // do not fit in room (the walk goes on to learn the whole need); another error stops.
    int32_t StreamSet(KxTypeMgr* typeMgr, uint8_t*& position, KxObjectAlias& owner, uint32_t room,
                      uint32_t& needed);
    // Unpacks a set streamed by StreamSet into the owner's set member (its old elements replaced);
    // the references of a set of references go to refs (when given) for the object reader.
    // KXG_E_BLOB_CONTAINER_TOO_SMALL when the data is cut short or inconsistent.
    int32_t UnstreamSet(KxTypeMgr* typeMgr, const uint8_t*& position, KxObjectAlias& owner, uint32_t available,
                        std::vector<KxRef>* refs);
};

class KxGBlobRefSetMemberMap : public KxGBlobSetMemberMap {
public:
    KxGBlobRefSetMemberMap(KxGSchemaMap* schemaMap, const KxClassId& owner, uint16_t position, uint16_t setIndex,
                           uint32_t setKind, uint16_t inverse);
    int32_t IsReference() override { return 1; }
    uint16_t IsInverse() const override { return inverse_; }
    uint16_t HasOwnTable() const override { return inverse_ == 0 ? 1 : 0; }

private:
    uint16_t inverse_;
};

// The set member maps of a class map's member-map list that belong to the class itself.
void KxGCollectOwnSets(KxGClassMap& classMap, std::vector<KxGSetMemberMap*>& list);
// The DDL of the set tables of the class's own set members (store handlers' CreateMemberTables).
int32_t KxGCreateSetTables(KxGClassMap& classMap, KxGStatementTemplateList& list);
