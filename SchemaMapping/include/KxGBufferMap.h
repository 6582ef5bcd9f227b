// Buffer maps: the layout of one table's row in a row buffer and the moves of whole objects between
// kernel objects and such buffers.
//
//   KxGBufferMap        the interface of a buffer map (the class buffer map of a class's main table
//                       and the set member maps of set tables implement it). The base is also a plain
//                       row layout: member maps reserve their bytes in it (JoinBuffer) and count their
//                       handle-typed columns; every object operation of the base does nothing and
//                       answers 0 (or null).
//   KxGBufferMapList    a list of buffer-map pointers (not owned).
//   KxGObjectFetcher    what a buffer map's ReadObjects needs of the object reader: its database, its
//                       row-buffer cache and the loading of an alias from a one-row buffer.
//
// Joining: a member map's JoinBuffer reserves its bytes with Reserve; a buffer map that keeps the
// member maps it lays out has them join through Join (member map), which makes Reserve hand the
// joining member map to JoinMemberMap. JoinMemberMap of the base appends the member map (when given)
// and answers the row width before it as the offset.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "KxObjId.h"

class KxGClassMap;
class KxGDatabase;
class KxGMemberMap;
class KxGMemberMapList;
class KxGRequest;
class KxGRowBufferCache;
class KxGRowContext;
class KxGSQLObjectBuffer;
class KxGStoreHdl;
class KxGTableMap;
class KxGContext;
class KxObjectAlias;

// Objects handed to a buffer map: alias pointers in order (not owned by the list).
using KxGAliasVector = std::vector<KxObjectAlias*>;

// What a buffer map's ReadObjects needs of the object reader.
class KxGObjectFetcher {
public:
    virtual ~KxGObjectFetcher();
    // The database the reader reads from (statements run on it; its trace decides warnings).
    virtual KxGDatabase* GetDatabase() = 0;
    // The transaction's row-buffer cache; null when the reader has none.
    virtual KxGRowBufferCache* GetRowBufferCache() = 0;
    // Whether an object of that id belongs to the reader's own database (its rows are loaded at once
    // rather than cached). The base answers true.
    virtual bool IsOwnObject(const KxObjId& id);
    // The alias loads its object from a one-row object buffer of the class buffer map's layout; the
    // reader takes the buffer over in every case. 0 or an error status.
    virtual int32_t LoadAlias(KxObjectAlias& alias, std::unique_ptr<KxGSQLObjectBuffer> row) = 0;
    // No row came back for the alias's object. The reader decides what becomes of the alias; a
    // negative answer ends the read with it.
    virtual int32_t NotFound(KxObjectAlias& alias) = 0;
};

class KxGBufferMap {
public:
    KxGBufferMap() = default;
    virtual ~KxGBufferMap();
    KxGBufferMap(const KxGBufferMap&) = delete;
    KxGBufferMap& operator=(const KxGBufferMap&) = delete;

    // ---- the operations of a buffer map, in this order ----------------------------------------------
    // The class map (of the class, or the set map of the set objects); the base answers null. Both
    // entries answer the same.
    virtual KxGClassMap* GetClassMap();
    virtual KxGClassMap* GetClassMap() const;
    // The member maps joined so far, in join order.
    virtual KxGMemberMapList& GetMemberMapList();
    // Bytes of one row (the base: the bytes reserved).
    virtual int32_t GetRowSize();
    // Writes the rows of the objects into an object buffer that the request takes over.
    virtual int32_t FillRows(const KxGAliasVector& objects, KxGRequest& request, KxGContext* context);
    // Streams the members that live in the blob container (container: the container member map)
    // into the container's place in the current row of rows.
    virtual int32_t StreamContainer(KxObjectAlias& object, KxGRowContext& rows, uint32_t storageKind,
                                    KxGMemberMap& container, KxGContext* context);
    // Loads objects[i] from the current row of the buffer of aliases[i] (SQL images).
    virtual int32_t LoadRows(const KxGAliasVector& aliases, const KxGAliasVector& objects, KxGContext* context);
    // As FillRows, for objects taken from a list of images.
    virtual int32_t FillRowsFromList(const KxGAliasVector& objects, KxGRequest& request, KxGContext* context);
    // Reads the objects of the aliases (fetching what the row-buffer cache cannot serve).
    virtual int32_t ReadObjects(KxGObjectFetcher& reader, const KxGAliasVector& aliases);
    // Prepares the statements of the request's operation over its rows (appended to its list).
    virtual int32_t PrepareStatements(KxGRequest& request, KxObjectAlias* alias);
    // Writes the handle-typed columns of the objects through re-selected rows.
    virtual int32_t ResetRows(KxGRequest& request, const KxGAliasVector& objects, KxObjectAlias* alias);
    // Executes the statements of the table maps that have rows.
    virtual int32_t ExecuteTableMaps(KxGRequest& request, const KxGAliasVector& aliases);
    // Writes the id part of the objects' rows (what a delete needs) into the request's buffer.
    virtual int32_t FillIdRows(KxGRequest& request, const KxGAliasVector& objects, KxObjectAlias* alias);
    // Hands the joined member maps (or the table map) to the class's store handler.
    virtual int32_t CollectForStoreHandler(KxGStoreHdl& storeHdl);
    // Appends the member map (null: a bare reservation) and gives its row offset; the row grows by
    // bytes (negative taken as 0). 0 or an error.
    virtual int32_t JoinMemberMap(KxGMemberMap* memberMap, int32_t bytes, int32_t& offset);
    // Adds a member table map (not owned unless the buffer map says so). 0 or an error.
    virtual int32_t AddTableMap(KxGTableMap* tableMap);
    // Adds n to a further counter and answers its new value.
    virtual uint16_t AddRowBytes(uint16_t n);
    // The table map of the buffer map's own table; the base answers null.
    virtual KxGTableMap* GetMainTableMap();

    // ---- layout --------------------------------------------------------------------------------------
    // Has the member map join this buffer map: its JoinBuffer runs with the member map as the one
    // joining, so that its Reserve reaches JoinMemberMap with it. JoinBuffer's status.
    int32_t Join(KxGMemberMap& memberMap);
    // Reserves bytes (negative taken as 0) for the member map now joining (see Join) and answers
    // their row offset.
    virtual int32_t Reserve(int32_t bytes);
    // The bytes reserved so far (the row width).
    int32_t GetRowWidth() const { return width_; }
    // Handle-typed columns: a member map counts its own before it reserves its bytes; the count
    // before the increment is the map's handle index.
    uint16_t AddHandleColumns(uint16_t count);
    uint16_t GetHandleColumnCount() const { return handles_; }

protected:
    // A layout whose rows start with `initialWidth` bytes of the buffer map's own (the id part).
    explicit KxGBufferMap(int32_t initialWidth) : width_(initialWidth > 0 ? initialWidth : 0) {}
    void SetRowWidth(int32_t width) { width_ = width; }

private:
    int32_t width_ = 0;
    uint16_t handles_ = 0;
    uint16_t rowBytes_ = 0;
    KxGMemberMap* joining_ = nullptr;
    std::unique_ptr<KxGMemberMapList> joined_;
};

// Buffer-map pointers (not owned).
class KxGBufferMapList : public std::vector<KxGBufferMap*> {
public:
    bool Contains(const KxGBufferMap* bufferMap) const;
};
