// The class, member and index loaders.
#include "KxGClassLoader.h"

#include <cctype>
#include <string>

#include "KxClassDict.h"
#include "KxGClass.h"
#include "KxGClassMap.h"
#include "KxGColumnList.h"
#include "KxGCreationSchemaMap.h"
#include "KxGDatabase.h"
#include "KxGMemberMap.h"
#include "KxGOptionRegistry.h"
#include "KxGRefMemberMap.h"
#include "KxGSetLoader.h"
#include "KxGStatusCodes.h"
#include "KxGTypeHdl.h"
#include "KxObjectAliasMember.h"
#include "members/KxGBlobLoading.h"

namespace {

KxGClassOption* ClassOptionOf(KxGSchemaMap& schemaMap, const KxGClass& mappedClass)
{
    return schemaMap.GetOptionRegistry().GetClassOptions().FindClassOption(mappedClass.GetName());
}

uint16_t KindOf(const KxMetaType& type)
{
    if (type.GetKind() != KX_META_CLASS) {
        return KXG_CLASS_NOT_PERSISTENT;
    }
    uint16_t kind = type.IsPersistent() ? KXG_CLASS_PERSISTENT : KXG_CLASS_NOT_PERSISTENT;
    if (type.HasMark(KX_MARK_VIRTUAL_INHERITANCE)) {
        kind |= KXG_CLASS_VIRTUAL_MARKED | KXG_CLASS_VIRTUAL_INHERITANCE;
    }
    if (type.AsClass()->GetBaseCount() > 1) {
        kind |= KXG_CLASS_VIRTUAL_INHERITANCE;
    }
    return kind;
}

// The type codes whose arrays keep their element count in a column (characters, unsigned bytes).
bool KeepsArray(int32_t typeCode)
{
    return typeCode == 0 || typeCode == 10;
}

bool IsStringType(int32_t typeCode)
{
    return typeCode == 11 || typeCode == 20 || typeCode == 21;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Class loader

KxGClassLoader& KxGClassLoader::Instance()
{
    static KxGClassLoader loader;
    return loader;
}

int32_t KxGClassLoader::LoadClass(KxGSchemaMap& schemaMap, const KxMetaType& type, KxGClass*& loaded,
                                  uint32_t context)
{
    loaded = nullptr;
    const uint16_t number = type.GetClassNumber();
    if (KxGClass* known = schemaMap.FindClass(number); known != nullptr && known->GetState() != KXG_CLASS_CREATED) {
        loaded = known;
        return 0;
    }
    const uint16_t kind = KindOf(type);
    if ((kind & KXG_CLASS_VIRTUAL_INHERITANCE) != 0) {
        schemaMap.AddClass(std::make_unique<KxGVirtualInheritClass>(&schemaMap, type.GetClassId(), type.GetName(), kind));
    } else {
        schemaMap.AddClass(std::make_unique<KxGClass>(&schemaMap, type.GetClassId(), type.GetName(), kind));
    }
    KxGClass* made = schemaMap.FindClass(number);
    if (made == nullptr) {
        return KXG_E_CANNOT_CREATE_CLASS;
    }
    made->SetState(KXG_CLASS_LOADING);
    auto classMap = std::make_unique<KxGClassMap>(&schemaMap, made);
    classMap->SetNameStem(made->GetName());
    KxGClassOption* option = ClassOptionOf(schemaMap, *made);
    classMap->SetClassOption(option);
    if (option != nullptr && option->GetOptions() != nullptr) {
        if (KxGOption* prefetch = option->GetOptions()->Find(KxString("PREFETCH"))) {
            int32_t rows = 0;
            if (prefetch->GetNumber(0, rows)) {
                classMap->SetPrefetch(rows);
                prefetch->SetStatus(KXG_OPTION_OK);
            }
        }
        if (schemaMap.IsCreation() != 0) {
            if (KxGOption* rename = option->GetOptions()->Find(KxString("RENAME"))) {
                KxString stem;
                KxGDatabase* database = schemaMap.GetDatabase();
                // A name that is no identifier, or too long, is refused by the mapper's name test
                // before any statement runs.
                if (!rename->GetArgument(0, stem) || stem.IsEmpty()) {
                    rename->SetStatus(KXG_OPTION_NO_ARGUMENT);
                } else if (database == nullptr) {
                    rename->SetStatus(KXG_OPTION_NOT_ALLOWED);
                } else {
                    classMap->SetNameStem(stem);
                    rename->SetStatus(KXG_OPTION_OK);
                }
            }
        }
    }
    made->SetClassMap(std::move(classMap));

    const KxMetaClass* metaClass = type.AsClass();
    if (metaClass == nullptr) {
        // Set types: a set map and the element member map.
        const int32_t result = type.AsSet() != nullptr ? KxGLoadSetType(schemaMap, *type.AsSet(), *made, context) : 0;
        if (result < 0) {
            return result;
        }
        made->SetState(KXG_CLASS_LOADED);
        made->CollectMembers();
        loaded = made;
        return 0;
    }
    for (uint32_t i = 0; i < metaClass->GetBaseCount(); ++i) {
        const KxMetaClass* base = metaClass->GetBase(i);
        if (schemaMap.IsCreation() == 0 && base->HasMark(KX_MARK_NOT_MAPPED)) {
            schemaMap.RemoveClass(number);
            return KXG_E_BASE_NOT_MAPPED;
        }
        KxGClass* baseClass = nullptr;
        const int32_t result = schemaMap.LoadClass(*base, baseClass, context);
        if (result < 0 || baseClass == nullptr) {
            schemaMap.RemoveClass(number);
            return result < 0 ? result : KXG_E_MAP_NO_CLASS;
        }
        made->AddBase(baseClass);
    }

    KxGMemberLoader members(schemaMap, *made, context);
    int32_t result = metaClass->ApplyToMembers(members, false);
    int32_t warning = members.GetResult();
    if (result >= 0 && dynamic_cast<KxGVirtualInheritClass*>(made) != nullptr) {
        // The class's own maps of the members it inherits.
        KxGInheritedMemberLoader inherited(schemaMap, *made, context);
        result = metaClass->ApplyToMembers(inherited, true);
        if (warning == 0) {
            warning = inherited.GetResult();
        }
    }
    if (result < 0) {
        made->SetLoadResult(result);
        return result;
    }
    made->SetLoadResult(warning);
    made->SetState(KXG_CLASS_LOADED);
    made->CollectMembers();
    result = schemaMap.Check4DuplicateMemberNames(*made);
    if (result != 0 && made->GetLoadResult() >= 0) {
        made->SetLoadResult(result);
    }
    made->SetSubclasses(metaClass->GetSubclasses());
    KxGClassMap* map = made->GetClassMap();
    if (map == nullptr) {
        return KXG_E_NO_CLASS_MAP_IN_CATALOG;
    }
    result = map->CreateStoreHandler();
    if (result == 0) {
        result = map->Complete();
    }
    if (result != 0) {
        made->SetState(KXG_CLASS_LOADING);
        made->SetLoadResult(result);
        return result;
    }
    loaded = made;
    return made->GetLoadResult() < 0 ? made->GetLoadResult() : 0;
}

// ---------------------------------------------------------------------------------------------------
// Member loader

KxGMemberLoader::KxGMemberLoader(KxGSchemaMap& schemaMap, KxGClass& mappedClass, uint32_t context)
    : schemaMap_(schemaMap), class_(mappedClass), context_(context)
{
}

bool KxGMemberLoader::Stored(const KxMember& member) const
{
    return member.GetKind() == KX_MEMBER_KIND_STORED && !member.HasQualifier(KX_QUAL_NOT_STORED) &&
           !member.IsTransient();
}

KxGClass& KxGMemberLoader::Owner(const KxMember& member) const
{
    const KxMetaClass* declaring = member.GetDeclaringClass();
    if (declaring == nullptr || declaring->GetClassNumber() == class_.GetClassNumber()) {
        return class_;
    }
    KxGClass* base = schemaMap_.FindClass(declaring->GetClassNumber());
    return base != nullptr ? *base : class_;
}

uint32_t KxGMemberLoader::OwnOffset(const KxMember& member)
{
    const KxMetaClass* declaring = member.GetDeclaringClass();
    const KxMember* own = declaring != nullptr ? declaring->GetMember(member.GetPosition()) : nullptr;
    return own != nullptr && own->GetName() == member.GetName() ? own->GetOffset() : member.GetOffset();
}

int32_t KxGMemberLoader::Skip(const KxMember& member, const char* reason)
{
    // An inherited member was reported when its own class was loaded.
    if (schemaMap_.IsCreation() != 0 && schemaMap_.GetDatabase() != nullptr && &Owner(member) == &class_) {
        KxString detail(", class: ");
        detail << class_.GetName() << ", member: " << member.GetName() << reason;
        schemaMap_.GetDatabase()->SetUserError(KXG_E_MEMBER_TYPE_UNSUPPORTED, detail.StrGet());
    }
    return 0;
}

int32_t KxGMemberLoader::OnValue(const KxMember& member)
{
    if (!Stored(member)) {
        return 0;
    }
    // Automatic values: neither dialect has DDL for them.
    if (member.HasQualifier(KX_QUAL_AUTO_VALUE)) {
        return Skip(member, " (auto values not supported)");
    }
    const int32_t typeCode = member.GetTypeCode();
    KxGOptionRegistry& registry = schemaMap_.GetOptionRegistry();
    uint8_t kind = 0;
    uint32_t count = member.GetElementCount();
    // The storage kind by kernel type code, from the settings.
    switch (typeCode) {
    case 0:
    case 10:
        kind = registry.GetByteType();
        break;
    case 5:
    case 6:
    case 8:
        kind = registry.GetUnsignedBehavior();
        break;
    case 18:
        kind = registry.GetBlobType();
        break;
    case 26:
    case 42:
    case 43:
        kind = registry.GetInt64Type();
        break;
    default:
        if (IsStringType(typeCode)) {
            kind = registry.GetStringType();   // a string's element count is its length
        }
        break;
    }
    // Member options, the blob container and large strings; then the reference options, which a
    // value member refuses (after the value options so that their statuses stay).
    KxGValueSettings settings{.kind = kind, .count = count};
    KxGApplyValueOptions(schemaMap_, class_, member, context_, settings);
    ApplyReferenceOptions(member, nullptr);
    kind = settings.kind;
    if (IsStringType(typeCode) || typeCode == 18) {
        if (typeCode == 18 && member.GetElementCount() > 1) {
            ArrayCount(member, settings.inContainer);   // blob arrays are mapped with one element
        }
        count = settings.count;   // the size of the string or blob column
    } else {
        count = ArrayCount(member, settings.inContainer);
        settings.count = count;
    }
    KxGDatabase* database = schemaMap_.GetDatabase();
    KxGTypeHdl* handler = database != nullptr ? database->GetTypeHdl(typeCode, kind, 0) : nullptr;
    KxString sqlType;
    if (handler == nullptr || handler->SQLTypeName(static_cast<int32_t>(count), sqlType) == 0) {
        return Skip(member, "");
    }
    // Member options: RENAME names the column (schema mapper only); the others are not applied here
    // and keep "Option has not been used".
    KxString rename = KxString::EmptyString();
    KxGClass& owner = Owner(member);
    KxGClassOption* classOption = ClassOptionOf(schemaMap_, owner);
    if (KxGMemberOption* options = classOption != nullptr ? classOption->GetMemberOption(member.GetName()) : nullptr) {
        for (uint32_t i = 0; i < options->GetOptions().Count(); ++i) {
            KxGOption* option = options->GetOptions().Get(i);
            if (option->GetName() == "RENAME" && schemaMap_.IsCreation() != 0) {
                KxString argument;
                KxGDatabaseInfo* info = schemaMap_.GetDatabase()->GetDatabaseInfo();
                // Checked with every other column name by the mapper's name test.
                if (!option->GetArgument(0, argument) || argument.IsEmpty()) {
                    option->SetStatus(KXG_OPTION_NO_ARGUMENT);
                } else {
                    rename = info->MapNameUpper(argument);
                    option->SetStatus(KXG_OPTION_OK);
                }
            }
        }
    }
    std::unique_ptr<KxGMemberMap> map =
        KxGMakeValueMemberMap(schemaMap_, class_, owner.GetClassId(), OwnOffset(member), member, rename, settings);
    if (!map) {
        return KXG_E_NO_CLASS_MAP_IN_CATALOG;
    }
    class_.AddMember(std::make_unique<KxGMember>(member.GetName(), &owner, std::move(map)));
    return 0;
}

int32_t KxGMemberLoader::OnEmbedded(const KxMember& member)
{
    if (!Stored(member) || member.GetClass() == nullptr) {
        return 0;
    }
    // Kept in the blob container on request; an embedded class keeps no container of its own.
    int32_t containerSize = 0;
    const bool inContainer = KxGEmbeddedInContainer(schemaMap_, class_, member, context_, containerSize);
    KxGClass* embedded = nullptr;
    const int32_t result = schemaMap_.LoadClass(
        *member.GetClass(), embedded,
        context_ | KXG_LOAD_NO_BLOB_CONTAINER | (inContainer ? uint32_t(KXG_LOAD_IN_BLOB_CONTAINER) : 0u));
    if (result < 0) {
        return result;
    }
    if (embedded == nullptr) {
        return KXG_E_MAP_NO_CLASS;
    }
    if (embedded->GetClassMap() == nullptr) {
        return KXG_E_NO_CLASS_MAP_IN_CATALOG;
    }
    ApplyReferenceOptions(member, nullptr);
    if (inContainer) {
        // Arrays of embedded instances are kept only in a blob container.
        auto map = std::make_unique<KxGBlobClassMemberMap>(
            &schemaMap_, Owner(member).GetClassId(), member.GetName(), member.GetPosition(), embedded,
            std::make_unique<KxGEmbeddedClassMemberAlias>(OwnOffset(member), member.GetElementSize()),
            member.GetElementCount() > 0 ? member.GetElementCount() : 1);
        if (!KxGReserveInContainer(class_, containerSize > 0 ? containerSize : map->GetValueSize() + 8)) {
            return KXG_E_NO_CLASS_MAP_IN_CATALOG;
        }
        class_.AddMember(std::make_unique<KxGMember>(member.GetName(), &Owner(member), std::move(map)));
        return 0;
    }
    auto map = std::make_unique<KxGClassMemberMap>(
        &schemaMap_, Owner(member).GetClassId(), member.GetName(), member.GetPosition(), embedded,
        std::make_unique<KxGEmbeddedClassMemberAlias>(OwnOffset(member), member.GetElementSize()),
        ArrayCount(member, false));
    class_.AddMember(std::make_unique<KxGMember>(member.GetName(), &Owner(member), std::move(map)));
    return 0;
}

int32_t KxGMemberLoader::OnObjectSet(const KxMember& member) { return Stored(member) ? KxGLoadSetMember(schemaMap_, class_, member, context_) : 0; }
int32_t KxGMemberLoader::OnOnDemandSet(const KxMember& member) { return OnObjectSet(member); }
int32_t KxGMemberLoader::OnTypeSet(const KxMember& member) { return OnObjectSet(member); }
int32_t KxGMemberLoader::OnClassSet(const KxMember& member) { return OnObjectSet(member); }
int32_t KxGMemberLoader::OnPointer(const KxMember& member) { return Reference(member, false); }

int32_t KxGMemberLoader::OnContainer(const KxMember& member)
{
    if (!Stored(member)) {
        return 0;
    }
    if (schemaMap_.GetDatabase() != nullptr) {
        KxString detail(", class: ");
        detail << class_.GetName() << ", member: " << member.GetName() << " (containers are not mapped)";
        schemaMap_.GetDatabase()->SetUserError(KXG_E_MEMBER_TYPE_UNSUPPORTED, detail.StrGet());
    }
    return KXG_E_MEMBER_TYPE_UNSUPPORTED;
}
int32_t KxGMemberLoader::OnOnDemand(const KxMember& member) { return Reference(member, true); }

int32_t KxGMemberLoader::Reference(const KxMember& member, bool onDemand)
{
    if (!Stored(member)) {
        return 0;
    }
    if ((context_ & KXG_LOAD_IN_BLOB_CONTAINER) != 0) {
        if (schemaMap_.GetDatabase() != nullptr) {
            KxString detail(", class: ");
            detail << class_.GetName() << ", member: " << member.GetName();
            schemaMap_.GetDatabase()->SetUserError(KXG_E_BLOB_CONTAINER_UNSUPPORTED, detail.StrGet());
        }
        return KXG_E_BLOB_CONTAINER_UNSUPPORTED;
    }
    // The referenced class (the root class for an on-demand reference without one): found or loaded.
    const KxMetaType* target = member.GetClass();
    if (target == nullptr && schemaMap_.GetDictionary() != nullptr) {
        target = schemaMap_.GetDictionary()->GetCurrentVersion(0);
    }
    if (target == nullptr) {
        return KXG_E_CANNOT_CREATE_CLASS;
    }
    KxGClass* referenced = schemaMap_.FindClass(target->GetClassNumber());
    if (referenced == nullptr) {
        const int32_t result = schemaMap_.LoadClass(*target, referenced, context_);
        if (result < 0) {
            return result;
        }
        referenced = schemaMap_.FindClass(target->GetClassNumber());
    }
    if (referenced == nullptr) {
        return KXG_E_CANNOT_CREATE_CLASS;
    }
    if (referenced->GetClassMap() == nullptr) {
        return KXG_E_NO_CLASS_MAP_IN_CATALOG;
    }
    ArrayCount(member, false);   // references are mapped with one element
    KxGClass& owner = Owner(member);
    KxGRelation* relation =
        class_.AddRelation(std::make_unique<KxGRelation>(member.GetName(), &owner, member.GetQualifier()));
    auto map = std::make_unique<KxGRefMemberMap>(&schemaMap_, owner.GetClassId(), member.GetPosition());
    map->SetName(member.GetName());
    std::unique_ptr<KxGRefAlias> accessor;
    if (onDemand) {
        accessor = std::make_unique<KxGOnDemandMemberAlias>(OwnOffset(member), 0);
    } else {
        accessor = std::make_unique<KxGKxObjectPtrMemberAlias>(OwnOffset(member), 0);
    }
    map->BindRelation(referenced->GetClassMap(), relation, std::move(accessor));
    ApplyReferenceOptions(member, map.get());
    class_.AddMember(std::make_unique<KxGMember>(member.GetName(), &owner, std::move(map)));
    return 0;
}

uint32_t KxGMemberLoader::ArrayCount(const KxMember& member, bool inContainer)
{
    const uint32_t count = member.GetElementCount();
    const int32_t typeCode = member.GetTypeCode();
    const bool value = member.GetMemberType() == KX_MEMBER_VALUE;
    if (count <= 1 || (value && (KeepsArray(typeCode) || IsStringType(typeCode)))) {
        return count;   // a string's element count is its length
    }
    inContainer = inContainer || (context_ & KXG_LOAD_IN_BLOB_CONTAINER) != 0;
    const bool keepable = (value && typeCode != 18) || member.GetMemberType() == KX_MEMBER_EMBEDDED;
    if (keepable && inContainer) {
        return count;
    }
    KxGCreationSchemaMap* creation = schemaMap_.IsCreation() != 0 ? schemaMap_.GetCreationSchemaMap() : nullptr;
    if (creation != nullptr && &Owner(member) == &class_) {
        KxString text(" Class: ");
        text << class_.GetName() << ", member: " << member.GetName();
        creation->AddWarning(KXG_W_ARRAY_REDUCED, text);
    }
    return 1;
}

void KxGMemberLoader::ApplyReferenceOptions(const KxMember& member, KxGRefMemberMap* map)
{
    KxGClassOption* classOption = ClassOptionOf(schemaMap_, Owner(member));
    KxGMemberOption* options = classOption != nullptr ? classOption->GetMemberOption(member.GetName()) : nullptr;
    if (options == nullptr) {
        return;
    }
    // FETCH first, then READ_AHEAD: the later one wins.
    for (const char* name : {"FETCH", "READ_AHEAD"}) {
        KxGOption* option = options->GetOptions().Find(KxString(name));
        if (option == nullptr || option->GetStatus() == KXG_OPTION_REPEATED) {
            continue;
        }
        KxString argument;
        int32_t count = 0;
        if (map == nullptr) {
            option->SetStatus(KXG_OPTION_IGNORED);
        } else if (!option->GetArgument(0, argument) || argument.IsEmpty()) {
            option->SetStatus(KXG_OPTION_NO_ARGUMENT);
        } else if (!option->GetNumber(0, count)) {
            option->SetStatus(KXG_OPTION_NOT_NUMERIC);
        } else {
            map->SetReadAheadCount(count < 1 ? 1 : count);
            option->SetStatus(KXG_OPTION_OK);
        }
    }
}

// ---------------------------------------------------------------------------------------------------
// Inherited members of a class with multiple or virtual inheritance

int32_t KxGInheritedMemberLoader::OnValue(const KxMember& member)
{
    return Inherited(member) ? KxGMemberLoader::OnValue(member) : 0;
}

int32_t KxGInheritedMemberLoader::OnEmbedded(const KxMember& member)
{
    return Inherited(member) ? KxGMemberLoader::OnEmbedded(member) : 0;
}

int32_t KxGInheritedMemberLoader::OnPointer(const KxMember& member)
{
    return Inherited(member) ? KxGMemberLoader::OnPointer(member) : 0;
}

int32_t KxGInheritedMemberLoader::OnOnDemand(const KxMember& member)
{
    return Inherited(member) ? KxGMemberLoader::OnOnDemand(member) : 0;
}

// ---------------------------------------------------------------------------------------------------
// Index loaders

int32_t KxGClassLoader::LoadIndexes(KxGSchemaMap& schemaMap, KxGClassMap& classMap,
                                    std::vector<std::unique_ptr<KxGIndexMap>>& list)
{
    KxGClass& mapped = *classMap.GetClass();
    const KxMetaClass* metaClass =
        schemaMap.GetDictionary() != nullptr ? schemaMap.GetDictionary()->GetMetaClass(mapped.GetClassId()) : nullptr;
    if (metaClass == nullptr) {
        return KXG_E_MAP_NO_CLASS;
    }
    KxGIndicesLoader loader(classMap, list);
    const int32_t result = metaClass->ApplyToIndexes(loader);
    if (result < 0) {
        list.clear();
    }
    return result;
}

KxGIndicesLoader::KxGIndicesLoader(KxGClassMap& classMap, std::vector<std::unique_ptr<KxGIndexMap>>& list)
    : classMap_(classMap), list_(list)
{
}

int32_t KxGIndicesLoader::OnSimpleIndex(const KxIndexDef& index) { return Load(index); }
int32_t KxGIndicesLoader::OnCompoundIndex(const KxIndexDef& index) { return Load(index); }

int32_t KxGIndicesLoader::Load(const KxIndexDef& index)
{
    KxGClass& mapped = *classMap_.GetClass();
    if (index.GetClassNumber() != mapped.GetClassNumber()) {
        return 0;   // a base class's index
    }
    auto indexMap = std::make_unique<KxGIndexMap>(index.GetNumber(), index.GetName(), index.IsUnique(), &mapped);
    KxGTable table;
    int32_t result = classMap_.GetStoreHdl() != nullptr ? classMap_.GetStoreHdl()->GetClassTable(table)
                                                        : KXG_E_NO_STORE_HANDLER;
    if (result != 0) {
        return result;
    }
    indexMap->SetTable(table);
    for (uint32_t k = 0; k < index.GetKeyCount() && result == 0; ++k) {
        const KxString& path = index.GetKey(k).path;
        const KxGMemberColumn* found = nullptr;
        bool handle = false;
        for (uint32_t m = 0; m < classMap_.GetMemberMapCount() && found == nullptr; ++m) {
            KxGMemberMap* memberMap = classMap_.GetMemberMap(m);
            KxGColumnList columns;
            memberMap->GetColumns(columns);
            for (uint32_t c = 0; c < columns.Count(); ++c) {
                const auto* column = dynamic_cast<const KxGMemberColumn*>(columns.GetColumn(c));
                if (column == nullptr) {
                    continue;
                }
                // A plain reference lies on the class's own table: its object-id column.
                KxString refPath(path);
                refPath << "OID";
                if (column->GetMemberPath() == path || (memberMap->IsReference() != 0 && column->GetMemberPath() == refPath)) {
                    found = column;
                    handle = (column->GetFlags() & KXG_COLUMN_HANDLE) != 0;
                    break;
                }
            }
        }
        if (found == nullptr) {
            result = KXG_E_NO_INDEX_MEMBER;
        } else if (handle) {
            result = KXG_E_INDEX_ON_HANDLE_MEMBER;
        } else {
            indexMap->AddColumn(*found);
        }
    }
    if (result != 0) {
        const KxMetaClass* metaClass = mapped.GetSchemaMap()->GetDictionary() != nullptr
                                           ? mapped.GetSchemaMap()->GetDictionary()->GetMetaClass(mapped.GetClassId())
                                           : nullptr;
        if (result == KXG_E_NO_INDEX_MEMBER && metaClass != nullptr && metaClass->HasMark(KX_MARK_FORGIVE_INDEX_ERRORS)) {
            return 0;
        }
        return result;
    }
    indexMap->SetSequenceNumber(static_cast<uint16_t>(list_.size() + 1));
    list_.push_back(std::move(indexMap));
    return 0;
}
