// How one mapped class lies in the relational schema, as far as the catalog needs it.
//
//   KxGSurrogateMap  the object-id part of every class row: the columns OID and CID.
//   KxGStoreHdl      where the rows of a class live: its class table and its extent table (the table,
//                    or a view that unites the class with its subclasses).
//   KxGIndexMap      one index definition of a class mapped onto columns of a table.
//   KxGClassMap      the id columns, the member maps (base classes' first), the store handler and the
//                    index maps of a class. The class owns its class map; the class map owns its store
//                    handler and index maps, not its member maps (each member owns its own).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "KxGColumn.h"
#include "KxGColumnList.h"
#include "KxString.h"

class KxGClass;
class KxGClassMap;
class KxGBufferMap;
class KxGContext;
class KxGIDMap;
class KxGRowContext;
class KxGStatementHdl;
class KxRef;
class KxTypeMgr;
class KxGClassOption;
class KxGMemberColumn;
class KxGMemberMap;
class KxGProjection;
class KxGSchemaMap;
class KxGSelectStatementTemplate;
class KxGStatementTemplate;
class KxGStatementTemplateList;
class KxGDatabaseInfo;

class KxGSurrogateMap {
public:
    KxGSurrogateMap();

    // OID: kernel type 15, size 0, key and not null.
    static const KxGColumn& GetOIDColumn();
    // CID: kernel type 16, size 0, not null.
    static const KxGColumn& GetCIDColumn();

    // Appends this map's OID column to the first list and its CID column to the second.
    void GetColumns(KxGColumnList& oidColumns, KxGColumnList& cidColumns);

    const KxGColumn& GetOID() const { return oid_; }
    const KxGColumn& GetCID() const { return cid_; }

private:
    KxGColumn oid_;
    KxGColumn cid_;
};

// Store handler kinds.
enum : uint16_t {
    KXG_STORE_DEFAULT = 0,
    KXG_STORE_ALL = 1,
    KXG_STORE_UNIVERSAL = 3,
    KXG_STORE_UNIVERSAL_CHILD = 4,
    KXG_STORE_VIRTUAL = 5
};

class KxGStoreHdl {
public:
    explicit KxGStoreHdl(KxGClassMap* classMap) : classMap_(classMap) {}
    virtual ~KxGStoreHdl();
    KxGStoreHdl(const KxGStoreHdl&) = delete;
    KxGStoreHdl& operator=(const KxGStoreHdl&) = delete;

    virtual uint16_t GetStoreKind() const = 0;
    // The table that holds the class's rows, qualified with the schema; 0 or an error status.
    virtual int32_t GetClassTable(KxGTable& table) = 0;
    // The table or view through which the class's extent is read; 0 or an error status.
    virtual int32_t GetExtentTable(KxGTable& table) = 0;

    // ---- DDL (the statements are appended to the list; the list's holder owns them) -------------
    // The class table: id columns, then the columns of the class schema's table maps. Nothing for
    // handlers without a table of their own.
    virtual int32_t CreateClassTable(KxGStatementTemplateList& list);
    // The tables of the class's member maps that keep their own tables (none yet).
    virtual int32_t CreateMemberTables(KxGStatementTemplateList& list);
    // The extent view (only when the class has subclasses or its kind is not 0).
    virtual int32_t CreateExtentView(KxGStatementTemplateList& list);
    // The triggers that copy the class's rows into the table of its first STORE ALL base.
    virtual int32_t CreateTriggers(KxGStatementTemplateList& list);

    // ---- class schema and extent -------------------------------------------------------------------
    // Places a member map of the class into the class schema (table and view columns).
    virtual void AddMemberMap(KxGMemberMap* memberMap);
    // A select of the id columns from the extent table, built once; null on failure.
    virtual KxGSelectStatementTemplate* GetSelectTemplate();
    // Adds the class (unless skipSelf) and its subclasses to an extent view's select; see the
    // handlers. classIds: the class numbers already added.
    virtual int32_t AddToExtent(std::vector<uint16_t>& classIds, const std::vector<KxGMemberMap*>& memberMaps,
                                KxGStatementTemplate& target, bool skipSelf);
    // The first base class (depth-first, in base order) whose handler is of kind STORE ALL; null when none.
    virtual KxGClassMap* FindStoreAllBase();
    // Completes the view's select: subclasses or a class-id condition.
    virtual int32_t AddViewCondition(KxGStatementTemplate& view);
    // The class numbers of the class's rows: its own and, unless its table keeps them, its subclasses'.
    virtual void CollectClassIds(std::vector<uint16_t>& classIds);

    KxGClassMap* GetClassMap() const { return classMap_; }

private:
    KxGClassMap* classMap_;
};

class KxGIndexMap {
public:
    KxGIndexMap(uint16_t indexNumber, const KxString& name, bool unique, KxGClass* indexedClass);
    ~KxGIndexMap();
    KxGIndexMap(const KxGIndexMap&) = delete;
    KxGIndexMap& operator=(const KxGIndexMap&) = delete;

    // Same table, same column count, same column names in order.
    bool IsEqual(const KxGIndexMap& other) const;
    // Appends the adapter's CreateIndex (nothing for an index without columns); sets the SQL name.
    int32_t GetCreateTemplate(KxGDatabaseInfo& info, KxGStatementTemplateList& list);

    // The position in the class's index list, from 1.
    uint16_t GetSequenceNumber() const { return sequence_; }
    void SetSequenceNumber(uint16_t sequence) { sequence_ = sequence; }
    // The dictionary's index number.
    uint16_t GetIndexNumber() const { return indexNumber_; }
    const KxString& GetName() const { return name_; }
    const KxString& GetSQLName() const { return sqlName_; }
    void SetSQLName(const KxString& name) { sqlName_ = name; }
    bool IsUnique() const { return unique_; }
    KxGClass* GetClass() const { return class_; }
    const KxGTable& GetTable() const { return table_; }
    void SetTable(const KxGTable& table) { table_ = table; }

    // Appends a copy of the column (owned by the index map); columns are matched by member path.
    void AddColumn(const KxGMemberColumn& column);
    // The index's columns, in key order.
    const KxGColumnList& GetColumns() const { return columns_; }
    uint32_t GetColumnCount() const { return columns_.Count(); }

private:
    uint16_t sequence_ = 0;
    uint16_t indexNumber_;
    KxString name_;
    KxString sqlName_;
    bool unique_;
    KxGClass* class_;
    KxGTable table_;
    KxGColumnList columns_;
};

class KxGClassMap {
public:
    KxGClassMap(KxGSchemaMap* schemaMap, KxGClass* mappedClass);
    virtual ~KxGClassMap();
    KxGClassMap(const KxGClassMap&) = delete;
    KxGClassMap& operator=(const KxGClassMap&) = delete;

    KxGSchemaMap* GetSchemaMap() const { return schemaMap_; }
    KxGClass* GetClass() const { return class_; }
    // The class name, or the schema mapper's RENAME argument.
    const KxString& GetNameStem() const { return nameStem_; }
    void SetNameStem(const KxString& stem) { nameStem_ = stem; }

    KxGSurrogateMap& GetSurrogateMap() { return surrogateMap_; }
    // The id columns: OID into the first list, CID into the second.
    virtual void GetColumns(KxGColumnList& oidColumns, KxGColumnList& cidColumns)
    {
        surrogateMap_.GetColumns(oidColumns, cidColumns);
    }

    // ---- the id part of a row: object id, its indicator, class id, its indicator (column-major) -----
    // Bytes of the id part of one row (values and indicators).
    virtual int32_t GetSQLSize();
    // Bytes of both ids streamed into a blob container.
    virtual int32_t GetValueSize();
    // Writes the ids of ref into the current row and copies them into the following rows up to count
    // rows in all. count, or a negative status (a conversion failed).
    virtual int32_t Store(const KxRef& ref, KxGRowContext& rows, int32_t count, KxGContext* context);
    // Reads the ids of the current row; the class id's version becomes the current version of its
    // class. 0 or a negative status.
    virtual int32_t Load(KxGRowContext& rows, KxRef& ref, KxGContext* context);
    // Streams both ids (the class id with its current version). KXG_E_BLOB_CONTAINER_TOO_SMALL with
    // the need added to `needed` when room is smaller than both ids.
    virtual int32_t StreamOut(KxTypeMgr* typeMgr, uint8_t*& position, const KxRef& ref, uint32_t room,
                              uint32_t& needed);
    // Reads both ids back; KXG_E_BLOB_CONTAINER_TOO_SMALL when fewer bytes are available than they
    // need (position then advanced by nothing).
    virtual int32_t StreamIn(KxTypeMgr* typeMgr, const uint8_t*& position, KxRef& ref, uint32_t available);
    // Copies the values and indicators of both ids, count rows from the current rows on.
    virtual int32_t CopyRows(KxGRowContext& source, KxGRowContext& target, int32_t count);
    // Binds the ids as parameters / result columns from number position on (advanced): which bit 0x1
    // the object id, bit 0x2 the class id. 0, or -1 when the statement refuses.
    virtual int32_t BindParameter(uint16_t& position, KxGRowContext& rows, KxGStatementHdl& statement,
                                  uint16_t which);
    virtual int32_t BindColumn(uint16_t& column, KxGRowContext& rows, KxGStatementHdl& statement, uint16_t which);
    // 1 for the class map of a class, 2 for the map of set objects.
    virtual uint16_t GetMapKind() const { return 1; }
    // The id columns' handler (made on first use; null without a schema map).
    KxGIDMap* GetIDMap();

    // The class buffer map (owned): the row of the class's main table; null until completion made it.
    KxGBufferMap* GetClassBufferMap() const { return bufferMap_.get(); }
    void SetClassBufferMap(std::unique_ptr<KxGBufferMap> bufferMap);

    // The member maps of the class and its bases (bases first); not owned.
    void AddMemberMap(KxGMemberMap* memberMap) { memberMaps_.push_back(memberMap); }
    uint32_t GetMemberMapCount() const { return static_cast<uint32_t>(memberMaps_.size()); }
    KxGMemberMap* GetMemberMap(uint32_t index) const
    {
        return index < memberMaps_.size() ? memberMaps_[index] : nullptr;
    }

    // The reference member maps of the class (references and embedded members that hold references),
    // appended by their Resolve; not owned.
    void AddRefMemberMap(KxGMemberMap* memberMap) { refMemberMaps_.push_back(memberMap); }
    uint32_t GetRefMemberMapCount() const { return static_cast<uint32_t>(refMemberMaps_.size()); }
    KxGMemberMap* GetRefMemberMap(uint32_t index) const
    {
        return index < refMemberMaps_.size() ? refMemberMaps_[index] : nullptr;
    }

    // The store handler (owned); null until made.
    KxGStoreHdl* GetStoreHdl() const { return storeHdl_.get(); }
    void SetStoreHdl(std::unique_ptr<KxGStoreHdl> handler);
    // Chooses and makes the store handler from the STORE option, the bases and the dictionary (does
    // nothing when there is one). STORE errors go only to the option's status.
    int32_t CreateStoreHandler();
    // After the members are loaded: the member-map list (bases' first), the blob container and the
    // class buffer map (through the completion hooks), the stored column names, and the class schema.
    int32_t Complete();

    // The class option (not owned); null when the class has none.
    KxGClassOption* GetClassOption() const { return classOption_; }
    void SetClassOption(KxGClassOption* option) { classOption_ = option; }
    // Rows per fetch: PREFETCH, 20 by default.
    int32_t GetPrefetch() const { return prefetch_; }
    void SetPrefetch(int32_t rows) { prefetch_ = rows < 0 ? 20 : rows; }

    // The class schema: member maps whose columns lie in the class table, and those of the extent view.
    std::vector<KxGMemberMap*>& GetTableMaps() { return tableMaps_; }
    std::vector<KxGMemberMap*>& GetViewMaps() { return viewMaps_; }
    // The columns of every table map (persistent classes only).
    void CollectColumns(KxGColumnList& list);

    // The blob container member map (owned; null when no member lives in a blob container).
    KxGMemberMap* GetBlobContainerMap() const { return blobContainer_.get(); }
    void SetBlobContainerMap(std::unique_ptr<KxGMemberMap> map) { blobContainer_ = std::move(map); }

    // The index maps, loaded once through the schema map's loader. 0, or the loader's status (the
    // list is then empty and the next call loads again).
    int32_t LoadAllIndices();
    // The index map of a dictionary index number (loading the indexes first), or null.
    int32_t GetIndexMap(uint16_t indexNumber, KxGIndexMap*& indexMap);
    uint32_t GetIndexMapCount() const { return static_cast<uint32_t>(indexMaps_.size()); }
    KxGIndexMap* GetIndexMapAt(uint32_t index) const
    {
        return index < indexMaps_.size() ? indexMaps_[index].get() : nullptr;
    }

private:
    KxGSchemaMap* schemaMap_;
    KxGClass* class_;
    KxString nameStem_;
    KxGSurrogateMap surrogateMap_;
    std::vector<KxGMemberMap*> memberMaps_;
    std::vector<KxGMemberMap*> refMemberMaps_;
    std::unique_ptr<KxGStoreHdl> storeHdl_;
    std::vector<std::unique_ptr<KxGIndexMap>> indexMaps_;
    bool indexesLoaded_ = false;
    KxGClassOption* classOption_ = nullptr;
    int32_t prefetch_ = 20;
    std::vector<KxGMemberMap*> tableMaps_;
    std::vector<KxGMemberMap*> viewMaps_;
    std::unique_ptr<KxGMemberMap> blobContainer_;
    std::unique_ptr<KxGBufferMap> bufferMap_;
    bool schemaCollected_ = false;
    std::unique_ptr<KxGIDMap> idMap_;
};

// The parts of class-map completion that the blob container and class buffer maps supply. Until a
// hook is installed (SetDefault) completion makes neither.
class KxGClassCompletion {
public:
    virtual ~KxGClassCompletion();
    // A copy of a base class's blob container map for the class map.
    virtual std::unique_ptr<KxGMemberMap> CopyBlobContainer(KxGClassMap& classMap, KxGMemberMap& baseContainer) = 0;
    // Applies a SET_STORAGE_TYPE BLOB size and reserves room for entries; 0 or an error status.
    virtual int32_t SizeBlobContainer(KxGMemberMap& container, int32_t size, uint32_t entries) = 0;
    // Makes the class buffer map, joins the member maps and builds the table maps' templates.
    virtual int32_t CreateClassBufferMap(KxGClassMap& classMap) = 0;

    static void SetDefault(KxGClassCompletion* hooks);
    static KxGClassCompletion* GetDefault();
};
