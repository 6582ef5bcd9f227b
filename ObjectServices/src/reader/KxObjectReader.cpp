// The object reader: a batch read through the operation environment, then a walk of every object
// read that fills its references and sets from its image.
#include "KxObjectReader.h"

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "KxClassDict.h"
#include "KxGClass.h"
#include "KxGClassBufferMap.h"
#include "KxGClassMap.h"
#include "KxGMemberMap.h"
#include "KxGOperationEnvironment.h"
#include "KxGReadUnitOfWork.h"
#include "KxGRefMemberMap.h"
#include "KxGRowBufferCache.h"
#include "KxGScratchList.h"
#include "KxGSQLBuffer.h"
#include "KxGSetMemberMap.h"
#include "KxGStatusCodes.h"
#include "KxGTransactionContext.h"
#include "KxObjectAlias.h"
#include "KxObjectAliasSet.h"
#include "KxTransaction.h"

KxObjectReader::KxObjectReader(KxGTransactionContext* context, KxObjectMgr* objects)
    : context_(context),
      environment_(context != nullptr ? context->GetOperationEnvironment() : nullptr),
      base_(environment_ != nullptr ? environment_->GetBase() : nullptr),
      objects_(objects)
{
}

KxObjectReader::~KxObjectReader() = default;

KxGDatabase* KxObjectReader::GetDatabase() { return context_ != nullptr ? context_->GetDatabase() : nullptr; }

KxGRowBufferCache* KxObjectReader::GetRowBufferCache()
{
    KxGReadUnitOfWork* unit = context_ != nullptr ? context_->GetReadUnitOfWork() : nullptr;
    return unit != nullptr ? unit->GetRowBufferCache() : nullptr;
}

int32_t KxObjectReader::LoadAlias(KxObjectAlias& alias, std::unique_ptr<KxGSQLObjectBuffer> row)
{
    if (!row) {
        return KX_ALIAS_E_NULL;
    }
    if (auto* image = dynamic_cast<KxSQLObjectAlias*>(&alias)) {
        if (image->GetBuffer() != nullptr) {
            return 0;   // a second row for the same image: dropped
        }
        const int32_t status = image->SetBuffer(row.get());
        if (status == 0) {
            row.release();
        }
        return status;
    }
    auto* objectAlias = dynamic_cast<KxCPPObjectAlias*>(&alias);
    KxObject* object = objectAlias != nullptr ? objectAlias->GetKxObject() : nullptr;
    if (object == nullptr) {
        return KX_ALIAS_E_NULL;
    }
    KxGClassMapLookup lookup = environment_ != nullptr ? environment_->GetClassMapLookup() : nullptr;
    KxGClassMap* classMap = lookup != nullptr && environment_->GetCatalog() != nullptr
                                ? lookup(environment_->GetCatalog(), object->GetRef().GetClassId())
                                : nullptr;
    auto* bufferMap = classMap != nullptr ? dynamic_cast<KxGClassBufferMap*>(classMap->GetClassBufferMap()) : nullptr;
    if (bufferMap == nullptr) {
        return KXG_E_MAP_NO_CLASS;
    }
    // The plain columns first, then the walk over the row kept by an image of the object.
    KxGContext context(GetDatabase());
    KxGRowContext rows(row.get());
    int32_t status = bufferMap->LoadObject(rows, alias, &context);
    KxSQLObjectAlias image(classMap, object->GetRef());
    const int32_t kept = image.SetBuffer(row.get());
    if (kept != 0) {
        return kept;
    }
    row.release();
    if (status == 0) {
        status = Fill(*object, image, *classMap);
    }
    object->State() = static_cast<uint16_t>(object->GetState() | KX_STATE_HAS_ROW);
    return status;
}

int32_t KxObjectReader::NotFound(KxObjectAlias& /*alias*/) { return 0; }

namespace {

// Up to this many images, an object's image is looked for in the request's list itself.
constexpr uint32_t kFewImages = 4;

}  // namespace

int32_t KxObjectReader::Read(uint32_t count, KxObject** objects)
{
    KxGReadUnitOfWork* unit = context_ != nullptr ? context_->GetReadUnitOfWork() : nullptr;
    if (unit == nullptr || environment_ == nullptr || objects == nullptr || count == 0 || objects[0] == nullptr) {
        return KX_ALIAS_E_NULL;
    }
    // Every object of the batch is marked while it is read, in the given order.
    KxGScratchList<KxObject*, KxObjectReader> batchList;
    std::vector<KxObject*>& batch = *batchList;
    batch.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        if (objects[i] != nullptr) {
            objects[i]->State() = static_cast<uint16_t>(objects[i]->GetState() | KX_STATE_BEING_READ);
            batch.push_back(objects[i]);
        }
    }
    int32_t result = 0;
    {
        KxGReadScope scope(*unit);
        if (!ReadCached(batch, result)) {
            result = ReadRequests(batch);
        }
    }
    for (KxObject* object : batch) {
        object->State() = static_cast<uint16_t>(object->GetState() & ~KX_STATE_BEING_READ);
    }
    return result;
}

int32_t KxObjectReader::ReadRequests(const std::vector<KxObject*>& batch)
{
    KxGReadUnitOfWork* unit = context_->GetReadUnitOfWork();
    int32_t result = 0;
    {
        std::vector<KxObjectAlias*> aliases;
        aliases.reserve(batch.size());
        for (KxObject* object : batch) {
            aliases.push_back(new KxCPPObjectAlias(environment_, nullptr, object));
        }
        KxGRequestList requests;
        result = environment_->Read(*unit, static_cast<uint32_t>(aliases.size()), aliases.data(), requests);
        // Aliases the environment left out stay ours.
        for (KxObjectAlias* alias : aliases) {
            delete alias;
        }
        const KxRef key = batch.front()->GetRef();
        for (uint32_t r = 0; result == 0 && r < requests.Count(); ++r) {
            KxGRequest* request = requests.At(r);
            KxGClassMap* classMap = request->GetClassMap();
            // The images with a row by object id (the first of an id counts), so that every object
            // finds its own by a binary search; a request of a few images is searched as it is.
            const uint32_t outputs = request->GetOutputCount();
            const bool few = outputs <= kFewImages;
            // Sorted by id, the first of an id first; a batch along a cursor comes in id order already.
            using Image = std::pair<uint64_t, KxSQLObjectAlias*>;
            std::vector<Image> images;
            if (!few) {
                images.reserve(outputs);
            }
            for (uint32_t i = 0; !few && i < outputs; ++i) {
                KxSQLObjectAlias* output = request->GetOutput(i);
                if (output->GetBuffer() != nullptr) {
                    KxRef ref;
                    output->GetRef(ref);
                    images.emplace_back(ref.GetObjId().Get64(), output);
                }
            }
            const auto byId = [](const Image& a, const Image& b) { return a.first < b.first; };
            if (!std::is_sorted(images.begin(), images.end(), byId)) {
                std::stable_sort(images.begin(), images.end(), byId);
            }
            auto imageOf = [&](const KxObjId& id) -> KxSQLObjectAlias* {
                if (!few) {
                    const Image key{id.Get64(), nullptr};
                    const auto found = std::lower_bound(images.begin(), images.end(), key, byId);
                    return found != images.end() && found->first == key.first ? found->second : nullptr;
                }
                for (uint32_t i = 0; i < outputs; ++i) {
                    KxSQLObjectAlias* output = request->GetOutput(i);
                    if (output->GetBuffer() == nullptr) {
                        continue;
                    }
                    KxRef ref;
                    output->GetRef(ref);
                    if (ref.GetObjId() == id) {
                        return output;
                    }
                }
                return nullptr;
            };
            // Every pair of object and image, not only the fetch key's.
            for (KxObjectAlias* alias : request->GetAliases()) {
                auto* objectAlias = dynamic_cast<KxCPPObjectAlias*>(alias);
                KxObject* object = objectAlias != nullptr ? objectAlias->GetKxObject() : nullptr;
                if (object == nullptr || classMap == nullptr) {
                    continue;
                }
                KxSQLObjectAlias* image = imageOf(object->GetObjId());
                if (image == nullptr) {
                    continue;   // no row: the object is left as it is, without the has-row bit
                }
                const int32_t status = Fill(*object, *image, *classMap);
                object->State() = static_cast<uint16_t>(object->GetState() | KX_STATE_HAS_ROW);
                if (status != 0 && object->GetObjId() == key.GetObjId()) {
                    result = status;
                }
            }
        }
        for (uint32_t r = 0; r < requests.Count(); ++r) {
            requests.At(r)->Clear();
        }
    }
    return result;
}

bool KxObjectReader::ReadCached(const std::vector<KxObject*>& batch, int32_t& result)
{
    result = 0;
    KxGRowBufferCache* cache = GetRowBufferCache();
    if (cache == nullptr || cache->IsEmpty() || batch.empty()) {
        return false;
    }
    // One class, every id once (a cursor's batch runs in key order one way or the other), every row
    // in the cache.
    const KxClassId classId = batch.front()->GetRef().GetClassId();
    int direction = 0;
    for (size_t i = 0; i < batch.size(); ++i) {
        const KxRef& ref = batch[i]->GetRef();
        if (!(ref.GetClassId() == classId) || cache->Contains(ref.GetObjId()) == 0) {
            return false;
        }
        if (i > 0) {
            const uint64_t before = batch[i - 1]->GetObjId().Get64();
            const uint64_t id = ref.GetObjId().Get64();
            const int step = id > before ? 1 : (id < before ? -1 : 0);
            if (step == 0 || (direction != 0 && step != direction)) {
                return false;
            }
            direction = step;
        }
    }
    // A class whose member maps read rows of their own, or whose rows carry handles, takes the
    // requests' road.
    KxGClassMapLookup lookup = environment_->GetClassMapLookup();
    KxGClassMap* classMap =
        lookup != nullptr && environment_->GetCatalog() != nullptr ? lookup(environment_->GetCatalog(), classId) : nullptr;
    auto* bufferMap = classMap != nullptr ? dynamic_cast<KxGClassBufferMap*>(classMap->GetClassBufferMap()) : nullptr;
    if (bufferMap == nullptr || bufferMap->GetHandleColumnCount() != 0) {
        return false;
    }
    for (uint32_t i = 0; i < classMap->GetMemberMapCount(); ++i) {
        KxGMemberMap* memberMap = classMap->GetMemberMap(i);
        if (memberMap != nullptr && memberMap->AsBufferMap() != nullptr) {
            return false;
        }
    }
    // As a read request would: every row out of the cache first, then the plain columns of each
    // object (the first failure fails the batch), then the walk of each with its row as its image.
    KxGScratchList<std::unique_ptr<KxGSQLObjectBuffer>, KxObjectReader> rowList;
    std::vector<std::unique_ptr<KxGSQLObjectBuffer>>& rows = *rowList;
    rows.resize(batch.size());
    for (size_t i = 0; i < batch.size(); ++i) {
        rows[i].reset(cache->Take(batch[i]->GetObjId()));
    }
    KxGContext context(GetDatabase());
    for (size_t i = 0; i < batch.size(); ++i) {
        if (!rows[i]) {
            continue;
        }
        KxCPPObjectAlias alias(environment_, nullptr, batch[i]);
        KxGRowContext cells(rows[i].get());
        cells.SetCurrentRow(rows[i]->GetCurrentRow());
        result = bufferMap->LoadObject(cells, alias, &context);
        if (result != 0) {
            return true;
        }
    }
    for (size_t i = 0; i < batch.size(); ++i) {
        if (!rows[i]) {
            continue;
        }
        KxSQLObjectAlias image(classMap, batch[i]->GetRef());
        if (image.SetBuffer(rows[i].get()) != 0) {
            continue;
        }
        rows[i].release();
        const int32_t status = Fill(*batch[i], image, *classMap);
        batch[i]->State() = static_cast<uint16_t>(batch[i]->GetState() | KX_STATE_HAS_ROW);
        if (status != 0 && i == 0) {
            result = status;
        }
    }
    return true;
}

int32_t KxObjectReader::Fill(KxObject& object, KxSQLObjectAlias& image, KxGClassMap& classMap)
{
    KxObject* savedObject = object_;
    KxSQLObjectAlias* savedImage = image_;
    KxGClassMap* savedMap = classMap_;
    const int32_t savedBase = rowBase_;
    object_ = &object;
    image_ = &image;
    classMap_ = &classMap;
    rowBase_ = 0;
    const int32_t result = Walk(&object);
    object_ = savedObject;
    image_ = savedImage;
    classMap_ = savedMap;
    rowBase_ = savedBase;
    return result;
}

bool KxObjectReader::IsAcceptable(const KxMetaClass* candidate, const KxMetaClass* wanted)
{
    if (candidate == nullptr || wanted == nullptr) {
        return false;
    }
    if (candidate == wanted || candidate->GetClassNumber() == wanted->GetClassNumber()) {
        return true;
    }
    for (uint32_t i = 0; i < candidate->GetBaseCount(); ++i) {
        if (IsAcceptable(candidate->GetBase(i), wanted)) {
            return true;
        }
    }
    return false;
}

bool KxObjectReader::IsAcceptableRef(const KxRef& ref, const KxMetaClass* wanted)
{
    if (ref.IsInvalid() || wanted == nullptr || wanted->GetDictionary() == nullptr) {
        return false;
    }
    const KxMetaType* type = wanted->GetDictionary()->GetCurrentVersion(ref.GetClassId().GetClassNumber());
    return type != nullptr && IsAcceptable(type->AsClass(), wanted);
}

KxGMemberMap* KxObjectReader::MapOf(const KxMember& member) const
{
    for (uint32_t i = 0; classMap_ != nullptr && i < classMap_->GetMemberMapCount(); ++i) {
        KxGMemberMap* map = classMap_->GetMemberMap(i);
        if (map != nullptr && map->GetName() == member.GetName()) {
            return map;
        }
    }
    return nullptr;
}

int32_t KxObjectReader::Member(uint8_t* instance, const KxMember& member)
{
    if (member.GetKind() == KX_MEMBER_KIND_NOT_STORED || member.IsTransient()) {
        return 0;
    }
    return WalkMember(instance, member);
}

int32_t KxObjectReader::ArrayElement(uint8_t* element, const KxMember& member, uint32_t index)
{
    return index == 0 ? KxObjectWalker::ArrayElement(element, member, index) : 0;
}

// Plain values of an embedded instance came with the request's copy of the row; its references are
// read from the embedded class's columns, which lie at the member map's offset in the row.
int32_t KxObjectReader::EmbeddedObject(uint8_t* address, const KxMember& member)
{
    KxGMemberMap* map = MapOf(member);
    KxGClassMemberMap* embedded = map != nullptr ? map->AsClassMemberMap() : nullptr;
    KxGClass* embeddedClass = embedded != nullptr ? embedded->GetEmbeddedClass() : nullptr;
    KxGClassMap* inner = embeddedClass != nullptr ? embeddedClass->GetClassMap() : nullptr;
    // Kept in a container, the embedded instance came whole with the row's container.
    if (inner == nullptr || embedded->GetStorageType() == KXG_STORAGE_BLOB || !embedded->HasReferences()) {
        return 0;
    }
    KxGClassMap* savedMap = classMap_;
    const int32_t savedBase = rowBase_;
    classMap_ = inner;
    rowBase_ += embedded->GetRowOffset();
    const int32_t result = KxObjectWalker::EmbeddedObject(address, member);
    classMap_ = savedMap;
    rowBase_ = savedBase;
    return result;
}

int32_t KxObjectReader::ReadRef(const KxMember& member, KxRef& ref)
{
    KxGMemberMap* map = MapOf(member);
    KxGRefMemberMap* refMap = map != nullptr ? map->AsRefMemberMap() : nullptr;
    if (refMap == nullptr || refMap->GetIDMap() == nullptr || image_->GetBuffer() == nullptr) {
        return KXG_E_READ_REFERENCE;
    }
    KxGContext context(GetDatabase());
    KxGRowContext rows(image_->GetBuffer());
    rows.SetBase(rowBase_);
    return refMap->GetIDMap()->LoadRef(rows, refMap->GetRowOffset(), ref, &context) == 0 ? 0 : KXG_E_READ_REFERENCE;
}

int32_t KxObjectReader::Load(const KxRef& ref, KxObject*& object)
{
    object = nullptr;
    if (objects_ == nullptr || ref.IsInvalid()) {
        return KX_KERNEL_E_OBJ_NOT_FOUND;
    }
    KxTransactionResourceHandle* handle = context_ != nullptr ? context_->GetResourceHandle() : nullptr;
    const int32_t status = objects_->Get(ref, object, handle != nullptr ? handle->GetResource() : nullptr);
    if (status != 0 && object != nullptr) {
        object->Release();
        object = nullptr;
    }
    return object != nullptr || status != 0 ? status : KX_KERNEL_E_OBJ_NOT_FOUND;
}

int32_t KxObjectReader::PointerMember(KxObject** slot, const KxMember& member)
{
    KxObject* old = *slot;
    *slot = nullptr;
    KxRef ref;
    int32_t result = ReadRef(member, ref);
    if (result == 0 && IsAcceptableRef(ref, member.GetClass())) {
        KxObject* target = nullptr;
        const int32_t loaded = Load(ref, target);
        // The object in memory must be of a fitting class too, or the member would hold a stranger.
        if (target != nullptr && IsAcceptable(target->GetMetaClass(), member.GetClass())) {
            *slot = target;   // the hold taken by the look-up is the member's
        } else if (target != nullptr) {
            target->Release();
        }
        // An object that is not there leaves the pointer null; a read that failed fails the object.
        if (loaded != 0 && loaded != KX_KERNEL_E_OBJ_NOT_FOUND) {
            result = loaded;
        }
    }
    if (old != nullptr) {
        old->Release();
    }
    return result;
}

int32_t KxObjectReader::OnDemandMember(KxOnDemand* reference, const KxMember& member)
{
    KxRef ref;
    const int32_t result = ReadRef(member, ref);
    if (result != 0) {
        return result;
    }
    if (member.GetClass() != nullptr && !ref.IsInvalid() && !IsAcceptableRef(ref, member.GetClass())) {
        ref = KxRef();
    }
    reference->Assign(ref.GetBaseMarker() != 0 ? nullptr : base_, ref, base_);
    return 0;
}

int32_t KxObjectReader::ReadSet(const KxMember& member, std::vector<KxRef>* refs)
{
    KxGMemberMap* map = MapOf(member);
    auto* setMap = map != nullptr ? dynamic_cast<KxGSetMemberMap*>(map->AsSetMemberMap()) : nullptr;
    if (setMap == nullptr) {
        return KXG_E_READ_REFERENCE_SET;
    }
    KxCPPObjectAlias owner(environment_, nullptr, object_);
    std::unique_ptr<KxGSetAlias> set = setMap->CreateSetAlias(owner);
    if (!set) {
        return KXG_E_READ_REFERENCE_SET;
    }
    KxGContext context(GetDatabase());
    std::unique_ptr<KxGSQLObjectBuffer> rows;
    if (setMap->ReadSetRows(GetDatabase(), setMap->SetRefOf(*set, owner), rows, &context) != 0) {
        return KXG_E_READ_REFERENCE_SET;
    }
    return setMap->LoadElements(KxGSetMemberMap::RowsOf(rows.get()), *set, &context, refs) == 0
               ? 0
               : KXG_E_READ_REFERENCE_SET;
}

int32_t KxObjectReader::ObjectSet(KxObjectSet* set, const KxMember& member)
{
    set->AttachToBase(base_);
    const uint32_t old = set->Count();
    std::vector<KxRef> refs;
    const int32_t status = ReadSet(member, &refs);
    if (status != 0) {
        return status;
    }
    int32_t result = 0;
    for (const KxRef& ref : refs) {
        KxObject* element = nullptr;
        const int32_t loaded = Load(ref, element);
        if (element == nullptr) {
            // Not found counts as success; a read that failed is kept.
            if (loaded != KX_KERNEL_E_OBJ_NOT_FOUND && loaded != KX_KERNEL_E_WRONG_CLASS) {
                result = loaded;
            }
            continue;
        }
        const int32_t added = set->Add(element);
        if (added != 0 && added != KX_KERNEL_E_WRONG_CLASS) {
            result = added;
        }
        element->Release();   // the set holds its own
    }
    // The new elements are in; the old ones leave from the front.
    for (uint32_t i = 0; i < old; ++i) {
        set->RemoveAt(0);
    }
    return result;
}

int32_t KxObjectReader::OnDemandSet(KxOnDemandSet* set, const KxMember& member)
{
    set->AttachToBase(base_);
    set->Clear();
    std::vector<KxRef> refs;
    const int32_t status = ReadSet(member, &refs);
    if (status != 0) {
        return status;
    }
    int32_t result = 0;
    for (const KxRef& ref : refs) {
        KxOnDemand element;
        element.Assign(nullptr, ref, base_);
        const int32_t added = set->Add(element);
        if (added != 0) {
            result = added;
        }
    }
    return result;
}

int32_t KxObjectReader::TypeSet(KxTypeSet* /*set*/, const KxMember& member) { return ReadSet(member, nullptr); }

int32_t KxObjectReader::ClassSet(KxClassSet* /*set*/, const KxMember& member) { return ReadSet(member, nullptr); }
