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
    KxGClassMap* classMap_;
    int32_t idSize_ = 0;
    KxGMemberMapList memberMaps_;
    std::unique_ptr<KxGTableMap> mainTable_;
    KxGTableMapList tableMaps_;
};
