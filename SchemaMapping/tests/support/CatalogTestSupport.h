// Fixtures for tests that load a catalog before the real class loader is there:
//
//   StandInLoader     a small class loader behind KxGMapLoader: every class of the dictionary becomes a
//                     KxGClass with a class map, one member map per stored value member (one column
//                     each, named from KELVOX_MEMBERS), a store handler whose class table comes from
//                     KELVOX_CLASSES and whose extent is a view for a class with subclasses, and index
//                     maps over those columns. Other members are not mapped. Failures can be set per
//                     class number; the order of the loads is recorded.
//   DefaultLoader     makes a loader the process-wide default for a scope (a catalog made without a
//                     loader, as the admin makes it, uses it).
//   CatalogRows       the statements that create KELVOX_CLASSES, KELVOX_MEMBERS and OPTIONREGISTRY and
//                     fill the first two with the given rows.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "KxClassDict.h"
#include "KxGCatalogTables.h"
#include "KxGClass.h"
#include "KxGClassMap.h"
#include "KxGColumnList.h"
#include "KxGDatabase.h"
#include "KxGMemberMap.h"
#include "KxGOptionRegistry.h"
#include "KxGSchemaMap.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"
#include "KxMetaType.h"

namespace cattest {

// One value member: one column, named by the schema map.
class StandInMemberMap : public KxGMemberMap {
public:
    StandInMemberMap(const KxString& name, uint16_t ownerClassNumber, uint16_t typeCode)
        : name_(name), owner_(ownerClassNumber), column_(KxString::EmptyString(), typeCode)
    {
        column_.SetMemberMap(this);
    }

    int32_t GetColumns(KxGColumnList& list) override { return list.AddColumn(&column_); }
    const KxString& GetName() const override { return name_; }
    uint16_t GetOwnerClassNumber() const override { return owner_; }
    KxGMemberColumn& Column() { return column_; }

private:
    KxString name_;
    uint16_t owner_;
    KxGMemberColumn column_;
};

// Kind 0: the class's own table; the extent is a view when the class has subclasses.
class StandInStoreHdl : public KxGStoreHdl {
public:
    explicit StandInStoreHdl(KxGClassMap* classMap) : KxGStoreHdl(classMap) {}

    uint16_t GetStoreKind() const override { return KXG_STORE_DEFAULT; }
    int32_t GetClassTable(KxGTable& table) override
    {
        KxGClass& mapped = *GetClassMap()->GetClass();
        return mapped.GetSchemaMap()->GetTableName(mapped, table);
    }
    int32_t GetExtentTable(KxGTable& table) override
    {
        KxGClass& mapped = *GetClassMap()->GetClass();
        if (mapped.GetSubclasses() == nullptr) {
            return GetClassTable(table);
        }
        KxGSchemaMap& map = *mapped.GetSchemaMap();
        table = KxGTable(map.GetExtentViewName(*GetClassMap()),
                         map.GetDatabase()->GetDatabaseInfo()->GetMaxNameLength(2) > 0 ? map.GetSchemaName()
                                                                                        : KxString());
        return 0;
    }
};

class StandInLoader : public KxGMapLoader {
public:
    int32_t LoadClass(KxGSchemaMap& map, const KxMetaType& type, KxGClass*& loaded, uint32_t context) override
    {
        loaded = nullptr;
        const uint16_t number = type.GetClassNumber();
        if (KxGClass* known = map.FindClass(number); known != nullptr && known->GetState() != KXG_CLASS_CREATED) {
            loaded = known;
            return 0;
        }
        const KxMetaClass* metaClass = type.AsClass();
        if (metaClass == nullptr) {
            return KXG_E_CANNOT_CREATE_CLASS;
        }
        order.push_back(number);
        map.AddClass(std::make_unique<KxGClass>(&map, type.GetClassId(), type.GetName(),
                                                type.IsPersistent() ? KXG_CLASS_PERSISTENT : KXG_CLASS_NOT_PERSISTENT));
        KxGClass* made = map.FindClass(number);
        made->SetState(KXG_CLASS_LOADING);
        if (onLoading) {
            onLoading(*made);
        }
        if (auto failure = failures.find(number); failure != failures.end()) {
            map.RemoveClass(number);
            return failure->second;
        }
        for (uint32_t i = 0; i < metaClass->GetBaseCount(); ++i) {
            const KxMetaClass* base = metaClass->GetBase(i);
            if (map.IsCreation() == 0 && base->HasMark(KX_MARK_NOT_MAPPED)) {
                map.RemoveClass(number);
                return KXG_E_BASE_NOT_MAPPED;
            }
            KxGClass* baseClass = nullptr;
            const int32_t result = map.LoadClass(*base, baseClass, context);
            if (result != 0) {
                map.RemoveClass(number);
                return result;
            }
            made->AddBase(baseClass);
        }
        auto classMap = std::make_unique<KxGClassMap>(&map, made);
        classMap->SetNameStem(made->GetName());
        for (uint32_t i = 0; i < metaClass->GetMemberCount(); ++i) {
            const KxMember* member = metaClass->GetMember(i);
            if (member->GetMemberType() != KX_MEMBER_VALUE) {
                continue;
            }
            auto memberMap = std::make_unique<StandInMemberMap>(member->GetName(), number,
                                                                static_cast<uint16_t>(member->GetTypeCode()));
            map.MapMember2ColumnName(KxString(), member->GetPosition(), member->GetName(), KxString(),
                                     memberMap->Column());
            made->AddMember(std::make_unique<KxGMember>(member->GetName(), made, std::move(memberMap)));
        }
        made->CollectMembers();
        for (KxGMember* member : made->GetAllMembers()) {
            classMap->AddMemberMap(member->GetMemberMap());
        }
        classMap->SetStoreHdl(std::make_unique<StandInStoreHdl>(classMap.get()));
        made->SetClassMap(std::move(classMap));
        made->SetSubclasses(metaClass->GetSubclasses());
        int32_t result = map.Check4DuplicateMemberNames(*made);
        if (result == 0) {
            result = map.GetColumnNames(*made);
        }
        if (result != 0) {
            made->SetLoadResult(result);
            return result;
        }
        made->SetState(KXG_CLASS_LOADED);
        loaded = made;
        return 0;
    }

    int32_t LoadIndexes(KxGSchemaMap& map, KxGClassMap& classMap,
                        std::vector<std::unique_ptr<KxGIndexMap>>& list) override
    {
        ++indexLoads;
        KxGClass& mapped = *classMap.GetClass();
        const KxMetaClass* metaClass = map.GetDictionary()->GetMetaClass(mapped.GetClassId());
        if (metaClass == nullptr) {
            return KXG_E_MAP_NO_CLASS;
        }
        KxGTable table;
        int32_t result = classMap.GetStoreHdl()->GetClassTable(table);
        if (result != 0) {
            return result;
        }
        for (uint32_t i = 0; i < metaClass->GetIndexCount(); ++i) {
            const KxIndexDef* definition = metaClass->GetIndex(i);
            auto indexMap = std::make_unique<KxGIndexMap>(definition->GetNumber(), definition->GetName(),
                                                          definition->IsUnique(), &mapped);
            indexMap->SetTable(table);
            for (uint32_t k = 0; k < definition->GetKeyCount(); ++k) {
                const KxGMemberColumn* column = FindColumn(classMap, definition->GetKey(k).path);
                if (column == nullptr) {
                    return KXG_E_NO_INDEX_MEMBER;
                }
                indexMap->AddColumn(*column);
            }
            indexMap->SetSequenceNumber(static_cast<uint16_t>(list.size() + 1));
            list.push_back(std::move(indexMap));
        }
        return 0;
    }

    // Class number -> the status LoadClass answers for it (after making it and setting it loading).
    std::map<uint16_t, int32_t> failures;
    // Called while a class is in state KXG_CLASS_LOADING.
    std::function<void(KxGClass&)> onLoading;
    // The class numbers made, in order.
    std::vector<uint16_t> order;
    int indexLoads = 0;

private:
    static const KxGMemberColumn* FindColumn(KxGClassMap& classMap, const KxString& path)
    {
        for (uint32_t i = 0; i < classMap.GetMemberMapCount(); ++i) {
            KxGColumnList columns;
            classMap.GetMemberMap(i)->GetColumns(columns);
            for (uint32_t c = 0; c < columns.Count(); ++c) {
                const auto* column = dynamic_cast<const KxGMemberColumn*>(columns.GetColumn(c));
                if (column != nullptr && column->GetMemberPath() == path) {
                    return column;
                }
            }
        }
        return nullptr;
    }
};

// The loader is the process-wide default while the scope lives.
class DefaultLoader {
public:
    explicit DefaultLoader(KxGMapLoader* loader) : previous_(KxGMapLoader::GetDefault())
    {
        KxGMapLoader::SetDefault(loader);
    }
    ~DefaultLoader() { KxGMapLoader::SetDefault(previous_); }
    DefaultLoader(const DefaultLoader&) = delete;
    DefaultLoader& operator=(const DefaultLoader&) = delete;

private:
    KxGMapLoader* previous_;
};

// The catalog tables of a schema: KELVOX_CLASSES, KELVOX_MEMBERS and an empty OPTIONREGISTRY.
class CatalogRows {
public:
    explicit CatalogRows(KxGDatabase& database) : database_(database), classes_(database), members_(database) {}

    CatalogRows& Class(const KxClassId& id, const char* className, const char* tableName)
    {
        classRows_.push_back({id, className, tableName});
        return *this;
    }
    CatalogRows& Member(const KxClassId& id, const char* memberKey, const char* columnName)
    {
        memberRows_.push_back({id, memberKey, columnName});
        return *this;
    }

    // Appends the statements (the list's holder owns them): the three tables when `create` is set,
    // then the rows.
    void Statements(KxGStatementTemplateList& list, bool create = true)
    {
        if (create) {
            list.Append(classes_.CreateTemplate());
            list.Append(members_.CreateTemplate());
            KxGOptionRegistry registry;
            registry.CreateRegistry(database_, list);
        }
        for (const Row& row : classRows_) {
            KxString insert;
            classes_.SetValue(row.id, KxString(row.first), KxString(row.second), insert);
            list.Append(new KxGStoreStatementTemplate(insert));
        }
        for (const Row& row : memberRows_) {
            KxString insert;
            members_.SetValue(row.id, KxString(row.first), KxString(row.second), insert);
            list.Append(new KxGStoreStatementTemplate(insert));
        }
    }

private:
    struct Row {
        KxClassId id;
        const char* first;
        const char* second;
    };
    KxGDatabase& database_;
    KxGVersionTable classes_;
    KxGColumnTable members_;
    std::vector<Row> classRows_;
    std::vector<Row> memberRows_;
};

}  // namespace cattest
