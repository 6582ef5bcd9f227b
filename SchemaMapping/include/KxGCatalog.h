// KxGCatalog: the mapped classes of one open database, for the admin, the requests, the reader and
// storer, the query and the extent services.
//
// The admin creates the catalog when it opens a database, loads it (Load) with the database and the
// opened class dictionary, and unloads it when the database closes (Unload). Only fully loaded classes
// are visible: a class that is still loading, or that failed to load, is not found.
#pragma once

#include <cstdint>
#include <memory>

#include "KxGColumn.h"
#include "KxObjId.h"

class KxClassDict;
class KxGClass;
class KxGClassMap;
class KxGDatabase;
class KxGExtentContext;
class KxGMapLoader;
class KxGSchemaMap;
class KxGSelectStatementTemplate;
class KxGStoreHdl;

class KxGCatalog {
public:
    // loader: the class and index loaders (not owned); null uses KxGMapLoader::GetDefault() at Load.
    explicit KxGCatalog(KxGMapLoader* loader = nullptr);
    ~KxGCatalog();
    KxGCatalog(const KxGCatalog&) = delete;
    KxGCatalog& operator=(const KxGCatalog&) = delete;

    // Builds the schema map of the database for the dictionary (a schema map held before is deleted
    // first): replays OPTIONREGISTRY, loads the root class and every mapped class. 0 or the first error;
    // a failed load keeps the schema map with the classes loaded so far (Unload deletes it).
    // KXG_E_NOT_SUPPORTED when there is no loader; KXG_E_INVALID_PARAMETER without database or
    // dictionary.
    int32_t Load(KxGDatabase* database, KxClassDict* dictionary);
    // Deletes the schema map with every class; the catalog is empty afterwards.
    void Unload();
    // The schema map, or null before Load and after Unload.
    KxGSchemaMap* GetSchemaMap() const { return schemaMap_.get(); }

    // Loads the current version of a class number into the loaded catalog when the dictionary has it
    // and it is not loaded yet (the admin's check of an object's existence). 0; KXG_E_MAP_NO_CLASS
    // without schema map or when the dictionary does not know the number; the loader's status.
    int32_t LoadClass(uint16_t classNumber);

    // The class of the id's number when it is fully loaded, else null. The version is not compared.
    const KxGClass* GetClass(const KxClassId& classId) const;
    // The class map of such a class, else null.
    KxGClassMap* GetClassMap(const KxClassId& classId) const;
    // The extent table of a loaded class: KXG_E_MAP_NO_CLASS when the class is missing or not loaded,
    // KXG_E_NO_CLASS_MAP_IN_CATALOG without class map, KXG_E_NO_STORE_HANDLER without store handler.
    int32_t GetExtent(const KxClassId& classId, KxGTable& table) const;
    // Fills the extent context for its class: FROM "<extent table> T0"; the key columns (the index's,
    // or the id columns when the context names no index) into the context's column list; into its
    // projection, qualified with "T0", the id columns and then member columns: all with allColumns,
    // else, with an index, those of the member maps that have a column among the index's, else none.
    // The index maps are loaded on first use. KXG_E_MAP_NO_CLASS,
    // KXG_E_NO_CLASS_MAP_IN_CATALOG, KXG_E_NO_STORE_HANDLER, the index loader's status,
    // KXG_E_NO_INDEX_MEMBER for an index number the class does not have.
    int32_t GetExtent(KxGExtentContext& context, bool allColumns) const;
    // A select of the first object-id column of the class's table where that column equals parameter 1
    // (the caller owns the template). KXG_E_MAP_NO_CLASS, KXG_E_NO_CLASS_MAP_IN_CATALOG,
    // KXG_E_NO_STORE_HANDLER, KXG_E_NO_COLUMN_MAP_IN_CATALOG (no id column).
    int32_t GetExistenceQuery(uint16_t classNumber, std::unique_ptr<KxGSelectStatementTemplate>& query) const;

private:
    // The class map and store handler of a mapped class: 0, KXG_E_MAP_NO_CLASS,
    // KXG_E_NO_CLASS_MAP_IN_CATALOG or KXG_E_NO_STORE_HANDLER.
    int32_t FindStoreHdl(const KxClassId& classId, KxGClassMap*& classMap, KxGStoreHdl*& handler) const;

    KxGMapLoader* loader_;
    std::unique_ptr<KxGSchemaMap> schemaMap_;
};
