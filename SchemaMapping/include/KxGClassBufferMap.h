// The class buffer map: the row of a class's main table in a row buffer, and the moves of whole
// objects of the class between kernel objects and such buffers (rows for inserts and updates, reads
// by object id served from the row-buffer cache where it can, the members that live in the class's
// blob container). One belongs to each class map; the statements come from its table maps.
//
// Row layout: the id part of the class map (object id, indicator, class id, indicator, column-major
// for all rows) followed by the bytes of each joined member map in join order.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "KxGBufferMap.h"
#include "KxGMemberMap.h"
#include "KxGTableMap.h"

class KxGClassMap;
class KxGDatabase;
class KxGRowBufferCache;
class KxGSQLObjectBuffer;

class KxGClassBufferMap : public KxGBufferMap {
public:
    // Builds the main table map over the class's table (the schema map's GetTableName); status gets
    // that call's result.
    KxGClassBufferMap(KxGClassMap* classMap, int32_t& status);
    ~KxGClassBufferMap() override;

    KxGClassMap* GetClassMap() override { return classMap_; }
    KxGClassMap* GetClassMap() const override { return classMap_; }
    KxGMemberMapList& GetMemberMapList() override { return memberMaps_; }
    int32_t GetRowSize() override { return GetRowWidth(); }
    int32_t FillRows(const KxGAliasVector& objects, KxGRequest& request, KxGContext* context) override;
    int32_t StreamContainer(KxObjectAlias& object, KxGRowContext& rows, uint32_t storageKind,
                            KxGMemberMap& container, KxGContext* context) override;
    int32_t LoadRows(const KxGAliasVector& aliases, const KxGAliasVector& objects, KxGContext* context) override;
    int32_t FillRowsFromList(const KxGAliasVector& objects, KxGRequest& request, KxGContext* context) override;
    int32_t ReadObjects(KxGObjectFetcher& reader, const KxGAliasVector& aliases) override;
    int32_t PrepareStatements(KxGRequest& request, KxObjectAlias* alias) override;
    int32_t ResetRows(KxGRequest& request, const KxGAliasVector& objects, KxObjectAlias* alias) override;
    int32_t ExecuteTableMaps(KxGRequest& request, const KxGAliasVector& aliases) override;
    int32_t FillIdRows(KxGRequest& request, const KxGAliasVector& objects, KxObjectAlias* alias) override;
    int32_t CollectForStoreHandler(KxGStoreHdl& storeHdl) override;
    int32_t JoinMemberMap(KxGMemberMap* memberMap, int32_t bytes, int32_t& offset) override;
    int32_t AddTableMap(KxGTableMap* tableMap) override;
    KxGTableMap* GetMainTableMap() override { return mainTable_.get(); }

    // The member table maps (not owned).
    const KxGTableMapList& GetTableMaps() const { return tableMaps_; }
    // Bytes of the id part of a row.
    int32_t GetIdSize() const { return idSize_; }

    // ---- pieces the request execution and the row-buffer cache use ----------------------------------
    // A one-row object buffer of the row layout; null when memory runs out.
    std::unique_ptr<KxGSQLObjectBuffer> MakeRowBuffer(int32_t rows) const;
    // Copies count rows (ids and every joined member map) from the source's current row on to the
    // target's. 0 or the first error.
    int32_t CopyRows(KxGRowContext& source, KxGRowContext& target, int32_t count);
    // Loads the object from the current row: ids through the class map, then every joined member map
    // that is not streamed, then the blob container's members. 0 or the first error.
    int32_t LoadObject(KxGRowContext& rows, KxObjectAlias& object, KxGContext* context);
    // Builds the table maps' templates with the database's dialect (once). 0 or an error.
    int32_t BuildTemplates();
    // Ids per IN list (the smaller of the batch size and 1000).
    static constexpr int32_t kMaxIdList = 1000;
    // Rounds of re-reading a blob container that keeps growing.
    static constexpr int32_t kMaxContainerRereads = 4;

private:
    KxGDatabase* Database() const;
    int32_t BatchSize(KxGDatabase* database, uint32_t flags) const;
    // Ids and every joined member map that is not streamed into the current row.
    int32_t StoreObject(KxObjectAlias& object, KxGRowContext& rows, KxGContext* context);
    int32_t Fill(const KxGAliasVector& objects, KxGRequest& request, KxGContext* context);
    // The blob container of object `index` (its row or its one-row buffer in the request).
    int32_t FillContainer(KxObjectAlias& object, uint32_t index, KxGRowContext& rows, KxGRequest& request,
                          KxGContext* context);
    // The members streamed into the blob container back into the object.
    int32_t LoadContainer(KxGRowContext& rows, KxObjectAlias& object, KxGContext* context);
    // A fetched row whose container did not fit its buffer gets the whole container read again.
    // row is replaced by a buffer with the larger container (its word holds the container's size).
    int32_t RereadContainer(KxGDatabase* database, KxObjectAlias& alias, std::unique_ptr<KxGSQLObjectBuffer>& row,
                            KxGContext& context);
    // The container column (the last of the row) grows to `need` bytes, and the row with it.
    int32_t GrowContainer(uint32_t need);
    int32_t FillOnce(const KxGAliasVector& objects, KxGRequest& request, KxGContext* context);
    int32_t ReadChunk(KxGObjectFetcher& reader, KxGDatabase* database, KxGRowBufferCache* cache,
                      KxGContext& context, const std::vector<KxObjectAlias*>& fetch, size_t first, size_t count);
    int32_t ResetChunk(KxGRequest& request, KxGDatabase* database, const KxGAliasVector& objects, size_t first,
                       size_t count, uint32_t flags);

    KxGClassMap* classMap_;
    int32_t idSize_ = 0;
    KxGMemberMapList memberMaps_;
    std::unique_ptr<KxGTableMap> mainTable_;
    KxGTableMapList tableMaps_;
    uint32_t lastNeed_ = 0;   // the container size the last StreamContainer found missing
};
