// Loading sets: the class of a set type (its set map and element member map) and the set members of a
// class (the set member map chosen by the set storage and the kind of elements).
#include "KxGSetLoader.h"

#include "KxGClassLoader.h"

#include "KxClassDict.h"
#include "KxGBlobMemberMaps.h"
#include "KxGClass.h"
#include "KxGClassMap.h"
#include "KxGDatabase.h"
#include "KxGOptionRegistry.h"
#include "KxGRefMemberMap.h"
#include "KxGSchemaMap.h"
#include "KxGSetMemberMap.h"
#include "KxGStatusCodes.h"
#include "KxGTypeHdl.h"
#include "KxMetaType.h"
#include "KxObjectAliasMember.h"

namespace {

bool IsStringType(int32_t typeCode)
{
    return typeCode == 11 || typeCode == 20 || typeCode == 21;
}

// The element class of a set of references or of embedded values, loaded in its current version.
int32_t LoadElementClass(KxGSchemaMap& schemaMap, const KxMetaSet& set, uint32_t context, KxGClass*& element)
{
    element = nullptr;
    const KxMetaType* type = set.GetElementClass();
    if (type == nullptr) {
        return KXG_E_CANNOT_CREATE_CLASS;
    }
    schemaMap.GetKxMetaTypeVersion(type);
    element = schemaMap.FindClass(type->GetClassNumber());
    if (element == nullptr || element->GetState() == KXG_CLASS_CREATED) {
        const int32_t result = schemaMap.LoadClass(*type, element, context);
        if (result < 0) {
            return result;
        }
        element = schemaMap.FindClass(type->GetClassNumber());
    }
    if (element == nullptr) {
        return set.GetKind() == KX_META_CLASS_SET ? KXG_E_MAP_NO_CLASS : KXG_E_CANNOT_CREATE_CLASS;
    }
    return element->GetClassMap() != nullptr ? 0 : KXG_E_NO_CLASS_MAP_IN_CATALOG;
}

// The value member map "DATA" of a set of simple values.
std::unique_ptr<KxGMemberMap> ValueElement(KxGSchemaMap& schemaMap, const KxMetaSet& set)
{
    const int32_t typeCode = set.GetElementTypeCode();
    KxGOptionRegistry& registry = schemaMap.GetOptionRegistry();
    uint8_t kind = 0;
    uint32_t count = 1;
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
        count = static_cast<uint32_t>(registry.GetBlobSize());
        break;
    case 26:
    case 42:
    case 43:
        kind = registry.GetInt64Type();
        break;
    default:
        if (IsStringType(typeCode)) {
            kind = registry.GetStringType();
            count = static_cast<uint32_t>(registry.GetStringSize());
        }
        break;
    }
    KxGDatabase* database = schemaMap.GetDatabase();
    KxGTypeHdl* handler = database != nullptr ? database->GetTypeHdl(typeCode, kind, 0) : nullptr;
    KxString sqlType;
    if (handler == nullptr || handler->SQLTypeName(static_cast<int32_t>(count), sqlType) == 0) {
        return nullptr;
    }
    return std::make_unique<KxGTypeMemberMap>(&schemaMap, set.GetClassId(), KxString("DATA"), KxString(), 0,
                                              static_cast<uint8_t>(typeCode), kind, 0, true, KXG_STORAGE_COLUMN,
                                              count, 0);
}

// The member's SET_STORAGE_TYPE or MEMBER_STORAGE_TYPE option, else the class's SET_STORAGE_TYPE, else
// the registry's setting: storage kind 0 (own set table) or 1 (blob container) and its size.
uint16_t SetStorageOf(KxGSchemaMap& schemaMap, const KxGClass& owner, const KxMember& member, int32_t& size)
{
    KxGOptionRegistry& registry = schemaMap.GetOptionRegistry();
    uint16_t storage = registry.GetSetStorage(size);
    KxGClassOption* classOption = registry.GetClassOptions().FindClassOption(owner.GetName());
    if (classOption == nullptr) {
        return storage;
    }
    if (KxGOption* option = classOption->GetOptions() != nullptr
                                ? classOption->GetOptions()->Find(KxString("SET_STORAGE_TYPE"))
                                : nullptr) {
        KxString word;
        int32_t number = 0;
        if (!option->GetArgument(0, word)) {
            option->SetStatus(KXG_OPTION_NO_ARGUMENT);
        } else if (word == "DEFAULT") {
            storage = 0;
            option->SetStatus(KXG_OPTION_OK);
        } else if (word != "BLOB") {
            option->SetStatus(KXG_OPTION_NOT_SUPPORTED);
        } else if (!option->GetArgument(1, word)) {
            option->SetStatus(KXG_OPTION_NO_SECOND);
        } else if (!option->GetNumber(1, number) || number <= 0) {
            option->SetStatus(KXG_OPTION_SECOND_NOT_NUMERIC);
        } else {
            storage = 1;
            size = number;
            option->SetStatus(KXG_OPTION_OK);
        }
    }
    KxGMemberOption* memberOption = classOption->GetMemberOption(member.GetName());
    if (memberOption == nullptr) {
        return storage;
    }
    for (uint32_t i = 0; i < memberOption->GetOptions().Count(); ++i) {
        KxGOption* option = memberOption->GetOptions().Get(i);
        if (option->GetName() != "SET_STORAGE_TYPE" && option->GetName() != "MEMBER_STORAGE_TYPE") {
            continue;
        }
        KxString word;
        int32_t number = 0;
        if (!option->GetArgument(0, word)) {
            option->SetStatus(KXG_OPTION_NOT_SUPPORTED);
        } else if (word == "DEFAULT") {
            storage = 0;
            option->SetStatus(KXG_OPTION_OK);
        } else if (!option->GetNumber(1, number) || number <= 0) {
            option->SetStatus(KXG_OPTION_NOT_NUMERIC);
        } else {
            storage = 1;
            size = number;
            option->SetStatus(KXG_OPTION_OK);
        }
    }
    return storage;
}

}  // namespace

int32_t KxGLoadSetType(KxGSchemaMap& schemaMap, const KxMetaSet& set, KxGClass& setClass, uint32_t context)
{
    // The set objects' class map.
    auto setMap = std::make_unique<KxGSetMap>(&schemaMap, &setClass);
    if (KxGClassMap* plain = setClass.GetClassMap()) {
        setMap->SetNameStem(plain->GetNameStem());
        setMap->SetClassOption(plain->GetClassOption());
    }
    KxGSetMap* map = setMap.get();
    setClass.SetClassMap(std::move(setMap));

    std::unique_ptr<KxGMemberMap> element;
    KxGRelation* relation = nullptr;
    switch (set.GetKind()) {
    case KX_META_OBJECT_SET:
    case KX_META_ONDEMAND_SET: {
        KxGClass* target = nullptr;
        const int32_t result = LoadElementClass(schemaMap, set, context, target);
        if (result < 0) {
            setClass.SetLoadResult(result);
            return result;
        }
        relation = setClass.AddRelation(std::make_unique<KxGRelation>(KxString(), &setClass));
        relation->SetTarget(target);
        auto reference = std::make_unique<KxGRefMemberMap>(&schemaMap, set.GetClassId(), 0);
        reference->BindRelation(target->GetClassMap(), relation, std::make_unique<KxGKxObjectSetElementAlias>());
        element = std::move(reference);
        break;
    }
    case KX_META_CLASS_SET: {
        KxGClass* embedded = nullptr;
        const int32_t result = LoadElementClass(schemaMap, set, context, embedded);
        if (result < 0) {
            setClass.SetLoadResult(result);
            return result;
        }
        element = std::make_unique<KxGClassMemberMap>(
            &schemaMap, set.GetClassId(), KxString(), 0, embedded,
            std::make_unique<KxGEmbeddedClassMemberAlias>(0, set.GetElementSize()), 1);
        break;
    }
    default:
        element = ValueElement(schemaMap, set);
        if (!element) {
            setClass.SetLoadResult(KXG_E_MEMBER_TYPE_UNSUPPORTED);
            return KXG_E_MEMBER_TYPE_UNSUPPORTED;
        }
        break;
    }
    KxGMemberMap* elementMap = element.get();
    setClass.AddMember(std::make_unique<KxGAttribute>(elementMap->GetName(), &setClass, std::move(element)));
    setClass.SetState(KXG_CLASS_LOADED);
    setClass.CollectMembers();
    map->AddMemberMap(elementMap);
    return elementMap->Resolve(*map);
}

int32_t KxGLoadSetMember(KxGSchemaMap& schemaMap, KxGClass& owner, const KxMember& member, uint32_t context)
{
    const KxMetaSet* setType = member.GetSetType();
    if (setType == nullptr) {
        return 0;
    }
    KxGClass* setClass = nullptr;
    const int32_t result = schemaMap.LoadClass(*setType, setClass, context);
    if (result < 0) {
        return result;
    }
    setClass = setClass != nullptr ? setClass : schemaMap.FindClass(setType->GetClassNumber());
    auto* setMap = setClass != nullptr ? dynamic_cast<KxGSetMap*>(setClass->GetClassMap()) : nullptr;
    if (setMap == nullptr) {
        return KXG_E_NO_CLASS_MAP_IN_CATALOG;
    }
    int32_t size = 0;
    uint16_t storage = SetStorageOf(schemaMap, owner, member, size);
    if ((context & KXG_LOAD_NO_BLOB_CONTAINER) != 0) {
        storage = 0;
    }
    const bool references = setType->GetKind() == KX_META_OBJECT_SET || setType->GetKind() == KX_META_ONDEMAND_SET;
    const auto kind = static_cast<uint32_t>(setType->GetKind());
    uint16_t setIndex = 0;
    for (uint32_t i = 0; i < owner.GetMemberCount(); ++i) {
        KxGMemberMap* known = owner.GetMember(i)->GetMemberMap();
        if (known != nullptr && known->AsSetMemberMap() != nullptr) {
            ++setIndex;
        }
    }
    std::unique_ptr<KxGSetMemberMap> map;
    const KxClassId ownerId = owner.GetClassId();
    if (storage != 0 && references) {
        map = std::make_unique<KxGBlobRefSetMemberMap>(&schemaMap, ownerId, member.GetPosition(), setIndex, kind, 0);
    } else if (storage != 0) {
        map = std::make_unique<KxGBlobSetMemberMap>(&schemaMap, ownerId, member.GetPosition(), setIndex, kind);
    } else if (references) {
        map = std::make_unique<KxGRefSetMemberMap>(&schemaMap, ownerId, member.GetPosition(), setIndex, kind, 0);
    } else {
        map = std::make_unique<KxGSetMemberMap>(&schemaMap, ownerId, member.GetPosition(), setIndex, kind);
    }
    std::unique_ptr<KxGSetMemberAlias> iterator;
    switch (setType->GetKind()) {
    case KX_META_OBJECT_SET:
    case KX_META_ONDEMAND_SET:
        iterator = std::make_unique<KxGKxObjectSetMemberAlias>(member.GetOffset(), 0);
        break;
    case KX_META_CLASS_SET:
        iterator = std::make_unique<KxGKxClassSetMemberAlias>(member.GetOffset(), setType);
        break;
    default:
        iterator = std::make_unique<KxGKxTypeSetMemberAlias>(member.GetOffset(), setType);
        break;
    }
    KxGRelation* relation = nullptr;
    if (references) {
        relation = owner.AddRelation(std::make_unique<KxGRelation>(member.GetName(), &owner));
        KxGMemberMap* element = setMap->GetMemberMap(0);
        KxGRefMemberMap* reference = element != nullptr ? element->AsRefMemberMap() : nullptr;
        relation->SetTarget(reference != nullptr && reference->GetRelation() != nullptr
                                ? reference->GetRelation()->GetTarget()
                                : nullptr);
        relation->SetFlags(member.GetQualifier());
    }
    KxGSetMemberMap* raw = map.get();
    std::unique_ptr<KxGMember> owning = std::make_unique<KxGAttribute>(member.GetName(), &owner, std::move(map));
    raw->BindRelation(owning.get(), setMap, std::move(iterator), relation);
    if (storage != 0) {
        const int32_t grown = KxGReserveBlobSet(owner, size);
        if (grown != 0) {
            return grown;
        }
    }
    owner.AddMember(std::move(owning));
    return 0;
}

int32_t KxGReserveBlobSet(KxGClass& owner, int32_t size)
{
    KxGClassMap* classMap = owner.GetClassMap();
    KxGBlobContainerMemberMap* container = classMap != nullptr ? KxGEnsureBlobContainer(*classMap) : nullptr;
    if (container == nullptr) {
        return KXG_E_NO_MEMORY;
    }
    if (size > 0) {
        container->GrowContainer(size);
    }
    return 0;
}
