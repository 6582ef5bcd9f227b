// The member-map interface: row contexts, buffer maps, the base operations and the member-map list.
#include "KxGMemberMap.h"

#include "KxClassDict.h"
#include "KxGDatabase.h"
#include "KxGSQLBuffer.h"
#include "KxGSchemaMap.h"
#include "KxGStatusCodes.h"
#include "KxMetaType.h"
#include "KxObjectAlias.h"

// ---- row context ---------------------------------------------------------------------------------

int32_t KxGRowContext::AddHandle(KxGDatabase* database, uint16_t index, uint16_t kind, uintptr_t handle)
{
    if (handle == 0) {
        return 0;
    }
    if (auto* objectBuffer = dynamic_cast<KxGSQLObjectBuffer*>(buffer_)) {
        return objectBuffer->SetDescriptor(static_cast<uint16_t>(handleBase_ + index), kind, handle);
    }
    if (database != nullptr) {
        database->FreeDescriptor(static_cast<int16_t>(kind), handle);
    }
    return 0;
}

// ---- base operations ---------------------------------------------------------------------------------

int32_t KxGMemberMap::JoinBuffer(KxGBufferMap&) { return 0; }
int32_t KxGMemberMap::Resolve(KxGClassMap&) { return 0; }
void KxGMemberMap::SetColumnPrefix(const KxString&) {}
int32_t KxGMemberMap::GetSQLSize() { return 0; }
int32_t KxGMemberMap::GetValueSize() { return 0; }
int32_t KxGMemberMap::CreateHandles(KxGRowContext&, int32_t, KxGContext*) { return 0; }
int32_t KxGMemberMap::Store(KxObjectAlias&, KxGRowContext&, KxGContext*) { return KXG_E_NOT_SUPPORTED; }
int32_t KxGMemberMap::Load(KxGRowContext&, KxObjectAlias&, KxGContext*) { return KXG_E_NOT_SUPPORTED; }

int32_t KxGMemberMap::StreamOut(KxTypeMgr*, uint8_t*&, KxObjectAlias&, uint32_t, uint32_t&)
{
    return KXG_E_NOT_SUPPORTED;
}

int32_t KxGMemberMap::StreamIn(KxTypeMgr*, const uint8_t*&, KxObjectAlias&, uint32_t) { return KXG_E_NOT_SUPPORTED; }
int32_t KxGMemberMap::CopyRows(KxGRowContext&, KxGRowContext&, int32_t) { return 0; }

int32_t KxGMemberMap::BindParameter(uint16_t&, KxGRowContext&, KxGStatementHdl&, int32_t, KxGContext*) { return 0; }
int32_t KxGMemberMap::BindColumn(uint16_t&, KxGRowContext&, KxGStatementHdl&, int32_t, KxGContext*) { return 0; }
int32_t KxGMemberMap::GetTable(KxGTable&) { return 0; }
int32_t KxGMemberMap::IsReference() { return 0; }
KxGRefMemberMap* KxGMemberMap::AsRefMemberMap() { return nullptr; }
KxGMemberMap* KxGMemberMap::AsSetMemberMap() { return nullptr; }
KxGBufferMap* KxGMemberMap::AsBufferMap() { return nullptr; }
KxGClassMemberMap* KxGMemberMap::AsClassMemberMap() { return nullptr; }
KxGMemberMap* KxGMemberMap::AsBlobSetMemberMap() { return nullptr; }
KxGMemberMap* KxGMemberMap::AsBlobContainerMemberMap() { return nullptr; }
KxGTypeMemberMap* KxGMemberMap::AsTypeMemberMap() { return nullptr; }
int32_t KxGMemberMap::Matches(const KxMember*) { return 0; }
int32_t KxGMemberMap::CollectReferences(KxGRowContext&, std::vector<KxObjId>&) { return 0; }
void KxGMemberMap::AppendIdColumnName(KxString&) {}
uint32_t KxGMemberMap::GetStorageType() { return KXG_STORAGE_COLUMN; }
uint16_t KxGMemberMap::GetMemberPos() { return 0; }
KxClassId KxGMemberMap::GetClassId() { return KxClassId(GetOwnerClassNumber(), 0); }

int64_t KxGMemberMap::BlockMove(const KxClassDict& dictionary, const KxClassId& objectClassId, uint16_t declaring)
{
    const KxMetaType* type = dictionary.GetMetaType(objectClassId);
    if (type == nullptr) {
        type = dictionary.GetCurrentVersion(objectClassId.GetClassNumber());
    }
    const KxMetaClass* objectClass = type != nullptr ? type->AsClass() : nullptr;
    const KxMetaType* declaringType = dictionary.GetCurrentVersion(declaring);
    const KxMetaClass* declaringClass = declaringType != nullptr ? declaringType->AsClass() : nullptr;
    if (objectClass == nullptr || declaringClass == nullptr || objectClass == declaringClass) {
        return 0;
    }
    // Member offsets are those of an instance of the declaring class, whose own members start after
    // its bases' blocks there: the block is placed so that those offsets land in the object.
    const int64_t offset = objectClass->GetBaseOffset(declaringClass);
    const KxMember* first = declaringClass->GetMember(0);
    if (offset < 0 || first == nullptr) {
        return 0;
    }
    return offset - static_cast<int64_t>(first->GetOffset());
}

uint8_t* KxGMemberMap::BlockAddress(KxGSchemaMap* schemaMap, KxObjectAlias& object, uint16_t declaring)
{
    return PlaceBlock(schemaMap, object, declaring, nullptr);
}

uint8_t* KxGMemberMap::CachedBlockAddress(KxGSchemaMap* schemaMap, KxObjectAlias& object, uint16_t declaring)
{
    return PlaceBlock(schemaMap, object, declaring, &blockPlace_);
}

uint8_t* KxGMemberMap::CachedBlockAddress(KxGSchemaMap* schemaMap, KxObjectAlias& object, uint16_t declaring,
                                          const KxGRowContext& rows)
{
    if (!rows.Placed(object)) {
        return PlaceBlock(schemaMap, object, declaring, &blockPlace_);
    }
    uint8_t* address = rows.GetPlacedAddress();
    if (address == nullptr || schemaMap == nullptr || schemaMap->GetDictionary() == nullptr) {
        return address;
    }
    return PlaceBlockAt(*schemaMap->GetDictionary(), address, rows.GetPlacedClass(), declaring, &blockPlace_);
}

uint8_t* KxGMemberMap::PlaceBlock(KxGSchemaMap* schemaMap, KxObjectAlias& object, uint16_t declaring, BlockPlace* place)
{
    uint8_t* address = object.GetAddress();
    if (address == nullptr || schemaMap == nullptr || schemaMap->GetDictionary() == nullptr) {
        return address;
    }
    KxRef ref;
    object.GetRef(ref);
    return PlaceBlockAt(*schemaMap->GetDictionary(), address, ref.GetClassId(), declaring, place);
}

uint8_t* KxGMemberMap::PlaceBlockAt(const KxClassDict& dictionary, uint8_t* address, const KxClassId& objectClass,
                                    uint16_t declaring, BlockPlace* place)
{
    const uint64_t key = (uint64_t(objectClass.GetClassNumber()) << 48) | (uint64_t(objectClass.GetVersion()) << 32) |
                         (uint64_t(declaring) << 16);
    if (place != nullptr) {
        const uint64_t word = place->word.load(std::memory_order_relaxed);
        if (word != BlockPlace::kNone && (word & ~uint64_t(0xFFFF)) == key) {
            return address + static_cast<int16_t>(static_cast<uint16_t>(word & 0xFFFF));
        }
    }
    const int64_t move = BlockMove(dictionary, objectClass, declaring);
    const uint64_t made = key | static_cast<uint16_t>(static_cast<int16_t>(move));
    if (place != nullptr && move >= INT16_MIN && move <= INT16_MAX && made != BlockPlace::kNone) {
        place->word.store(made, std::memory_order_relaxed);
    }
    return address + move;
}

// ---- list ------------------------------------------------------------------------------------------

KxGMemberMap* KxGMemberMapList::Find(const KxString& name) const
{
    for (KxGMemberMap* map : *this) {
        if (map != nullptr && map->GetName() == name) {
            return map;
        }
    }
    return nullptr;
}
