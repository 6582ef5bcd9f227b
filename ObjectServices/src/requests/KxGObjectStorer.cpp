// The object storer and object deletion (KxGObjectStorer.h).
#include "KxGObjectStorer.h"

#include <memory>
#include <set>
#include <string>

#include "KxBase.h"
#include "KxClassDict.h"
#include "KxGClass.h"
#include "KxGClassMap.h"
#include "KxGCompoundStatement.h"
#include "KxGDatabase.h"
#include "KxGDatabaseTrace.h"
#include "KxGLockService.h"
#include "KxGMemberMap.h"
#include "KxGOperationEnvironment.h"
#include "KxGReadUnitOfWork.h"
#include "KxGRefMemberMap.h"
#include "KxGSchemaMap.h"
#include "KxGResourceMgr.h"
#include "KxGSQLBuffer.h"
#include "KxGStatusCodes.h"
#include "KxGTransactionContext.h"
#include "KxMetaType.h"
#include "KxObject.h"
#include "KxObjectAlias.h"
#include "KxObjectSpace.h"
#include "KxSpecs.h"
#include "KxTransaction.h"

namespace {

KxGDatabase* DatabaseOf(KxGCompoundStatement* compound)
{
    KxGTransactionContext* context = compound != nullptr ? compound->GetContext() : nullptr;
    return context != nullptr ? context->GetDatabase() : nullptr;
}

// An unmapped class: recorded in the database's error object and traced.
int32_t Unmapped(KxGDatabase* database, const KxClassId& classId)
{
    const std::string number = std::to_string(classId.GetClassNumber());
    if (database != nullptr) {
        database->SetUserError(KXG_E_MAP_NO_CLASS, "class not mapped:", number.c_str());
        KxGDatabaseTrace* trace = database->GetTrace(KXG_TRACE_SM);
        if (trace != nullptr) {
            trace->BeginCriticalSection();
            *trace << "\nclass " << number.c_str() << " is not mapped\n";
            trace->EndCriticalSection();
        }
    }
    return KXG_E_MAP_NO_CLASS;
}

// Adds the alias (owned from the call on) to the compound statement's request of the class and
// operation: 0, or a negative status (the alias is then deleted).
int32_t AddToCompound(KxGOperationEnvironment* environment, KxGCompoundStatement* compound,
                      const KxClassId& classId, int32_t operation, KxObjectAlias* alias)
{
    std::unique_ptr<KxObjectAlias> owned(alias);
    KxGRequest* request = nullptr;
    if (compound->FindRequest(classId, operation, request) != 0 && request != nullptr) {
        const int32_t added = request->AddAlias(owned.get());
        if (added == 0) {
            owned.release();
        }
        return added;
    }
    KxGClassMap* classMap = KxGFindClassMap(environment, classId);
    if (classMap == nullptr) {
        return Unmapped(DatabaseOf(compound), classId);
    }
    const int32_t added = compound->AddToRequest(classMap, classId, operation, owned.get());
    if (added == 0) {
        owned.release();
    }
    return added;
}

KxObjectSpace* ObjectSpaceOf(KxGTransactionContext* context)
{
    KxTransactionResourceHandle* handle = context != nullptr ? context->GetResourceHandle() : nullptr;
    KxBase* base = handle != nullptr ? handle->GetBase() : nullptr;
    return base != nullptr ? base->GetObjectSpace() : nullptr;
}

}  // namespace

KxGClassMap* KxGFindClassMap(KxGOperationEnvironment* environment, const KxClassId& classId)
{
    if (environment == nullptr || environment->GetClassMapLookup() == nullptr) {
        return nullptr;
    }
    return environment->GetClassMapLookup()(environment->GetCatalog(), classId);
}

KxGObjectStorer::KxGObjectStorer(KxGOperationEnvironment* environment, KxGTransactionContext* context,
                                 KxGCompoundStatement* compound, int32_t depth, bool allowForeignRefs)
    : KxObjectWalker(nullptr),
      environment_(environment),
      context_(context),
      compound_(compound),
      depth_(depth),
      allowForeignRefs_(allowForeignRefs)
{
}

KxGObjectStorer::~KxGObjectStorer() { DropPending(); }

void KxGObjectStorer::DropPending()
{
    for (KxObject* object : pending_) {
        object->Release();
    }
    pending_.clear();
}

int32_t KxGObjectStorer::RegisterStore(KxGOperationEnvironment* environment, KxGCompoundStatement* compound,
                                       KxObjectAlias* alias, KxObject* object)
{
    if (alias == nullptr || alias->GetObject() == nullptr || object == nullptr || compound == nullptr) {
        delete alias;
        return KXG_E_NULL_OBJECT;
    }
    const uint16_t oldState = object->GetState();
    const int32_t operation = (oldState & KXG_OBJECT_HAS_ROW) != 0 ? KXG_OP_UPDATE : KXG_OP_INSERT;
    const KxRef ref = object->GetRef();
    const int32_t added = AddToCompound(environment, compound, ref.GetClassId(), operation, alias);
    if (added != 0) {
        return added;
    }
    const auto newState = static_cast<uint16_t>((oldState & 0x3FFF) | KXG_OBJECT_HAS_ROW);
    KxRefObjectAlias registered(ref);
    // An object registered at this level already still counts as registered.
    (void)compound->Register(&registered, oldState, newState);
    object->SetState(newState);
    return 0;
}

int32_t KxGObjectStorer::RegisterDelete(KxGOperationEnvironment* environment, KxGCompoundStatement* compound,
                                        KxObjectAlias* alias)
{
    if (alias == nullptr || compound == nullptr) {
        delete alias;
        return KXG_E_NULL_OBJECT;
    }
    KxRef ref;
    alias->GetRef(ref);
    const int32_t added = AddToCompound(environment, compound, ref.GetClassId(), KXG_OP_DELETE, alias);
    if (added != 0) {
        return added;
    }
    KxObjectSpace* space = ObjectSpaceOf(compound->GetContext());
    if (space == nullptr) {
        return 0;
    }
    uint16_t state = KXG_OBJECT_HAS_ROW;
    space->BeginCriticalSection();
    KxObject* object = space->nts_IsInList(ref);
    if (object != nullptr) {
        state = object->GetState();
        object->SetState(static_cast<uint16_t>(state & 0x7FFF));
    }
    space->EndCriticalSection();
    KxRefObjectAlias registered(ref);
    (void)compound->Register(&registered, state, static_cast<uint16_t>(state & 0x7FFF));
    return 0;
}

// ---- storing ------------------------------------------------------------------------------------

int32_t KxGObjectStorer::StoreObject(const KxClassDescriptor* descriptor, KxObject* object)
{
    if (object == nullptr) {
        return KXG_E_NULL_OBJECT;
    }
    DropPending();
    ClearVisited();
    root_ = object;
    int32_t result = StoreOne(descriptor, object);
    while (result == 0 && !pending_.empty()) {
        KxObject* next = pending_.back();
        pending_.pop_back();
        result = StoreOne(nullptr, next);
        next->Release();
    }
    DropPending();
    ClearVisited();
    root_ = nullptr;
    return result;
}

int32_t KxGObjectStorer::StoreOne(const KxClassDescriptor* descriptor, KxObject* object)
{
    const uint16_t state = object->GetState();
    const bool markModified = environment_ != nullptr && environment_->UsesMarkModified();
    if ((state & KXG_OBJECT_HAS_ROW) == 0 || (state & KXG_OBJECT_MODIFIED) != 0 || !markModified) {
        auto* alias = new KxCPPObjectAlias(environment_, descriptor, object);
        const int32_t registered = RegisterStore(environment_, compound_, alias, object);
        if (registered != 0) {
            return KXG_E_STORE_SERVICE;
        }
    }
    if (object->GetAddress() != nullptr && !Reaches(object->GetMetaClass())) {
        return 0;
    }
    member_ = nullptr;
    const int32_t walked = Walk(object);
    member_ = nullptr;
    return walked;
}

bool KxGObjectStorer::Reaches(const KxMetaClass* metaClass)
{
    if (metaClass == nullptr) {
        return true;   // the walk answers it
    }
    for (const KxMember* member : metaClass->GetAllMembers()) {
        // As Member: members that are not stored are not walked.
        if (member->GetKind() == 2 || (member->GetQualifier() & KXG_MEMBER_NOT_STORED) != 0 || member->IsTransient()) {
            continue;
        }
        switch (member->GetMemberType()) {
        case KX_MEMBER_VALUE:
        case KX_MEMBER_TYPE_SET:
        case KX_MEMBER_CLASS_SET:
            break;
        case KX_MEMBER_EMBEDDED:
            if (Reaches(member->GetClass())) {
                return true;
            }
            break;
        default:
            return true;
        }
    }
    return false;
}

void KxGObjectStorer::ClearVisited()
{
    // Only a set that holds something is cleared: clearing costs its bucket count, which a large
    // graph stored before leaves behind.
    if (!visited_.empty()) {
        visited_.clear();
    }
}

void KxGObjectStorer::Queue(KxObject* object)
{
    if (object == nullptr || object == root_ || !visited_.insert(object).second) {
        return;
    }
    object->Hold();
    pending_.push_back(object);
}

bool KxGObjectStorer::StoreWith(const KxMember& member) const
{
    const bool flagged = (member.GetQualifier() & KXG_MEMBER_STORE_WITH) != 0;
    return depth_ == 3 || (flagged && (depth_ == 1 || depth_ == 2));
}

bool KxGObjectStorer::StoreWithSet(const KxMember& member) const
{
    const bool flagged = (member.GetQualifier() & KXG_MEMBER_STORE_WITH) != 0;
    return depth_ == 2 || depth_ == 3 || (depth_ == 1 && flagged);
}

bool KxGObjectStorer::StoreWithOnDemandSet(const KxMember& member) const
{
    const bool flagged = (member.GetQualifier() & KXG_MEMBER_STORE_WITH) != 0;
    return depth_ == 3 || (depth_ == 1 && flagged);
}

bool KxGObjectStorer::Foreign(const KxBase* base) const
{
    const KxBase* own = environment_ != nullptr ? environment_->GetBase() : nullptr;
    return base != nullptr && base != own && !allowForeignRefs_;
}

void KxGObjectStorer::AttachToEnvironment(KxObject* object) const
{
    KxBase* base = environment_ != nullptr ? environment_->GetBase() : nullptr;
    if (base == nullptr || (object->GetBase() != nullptr && !object->GetObjId().IsNull())) {
        return;
    }
    (void)base->GetObjectMgr()->Attach(object);
}

int32_t KxGObjectStorer::Member(uint8_t* instance, const KxMember& member)
{
    if (member.GetKind() == 2 || (member.GetQualifier() & KXG_MEMBER_NOT_STORED) != 0 || member.IsTransient()) {
        return 0;
    }
    const KxMember* outer = member_;
    member_ = &member;
    const int32_t result = WalkMember(instance, member);
    member_ = outer;
    return result;
}

int32_t KxGObjectStorer::ArrayElement(uint8_t* element, const KxMember& member, uint32_t index)
{
    return index == 0 ? WalkElement(element, member) : 0;
}

int32_t KxGObjectStorer::PointerMember(KxObject** slot, const KxMember& member)
{
    KxObject* object = slot != nullptr ? *slot : nullptr;
    if (object == nullptr) {
        return 0;
    }
    AttachToEnvironment(object);
    // Checked whatever the rule says: a foreign object is never stored as a local one.
    if (Foreign(object->GetBase())) {
        return KXG_E_FOREIGN_REFERENCE;
    }
    if (StoreWith(member)) {
        Queue(object);
    }
    return 0;
}

int32_t KxGObjectStorer::OnDemandMember(KxOnDemand* reference, const KxMember& member)
{
    if (reference == nullptr || !reference->IsValid()) {
        return 0;
    }
    KxBase* own = environment_ != nullptr ? environment_->GetBase() : nullptr;
    KxBase* base = reference->GetBase() != nullptr ? reference->GetBase() : reference->GetParentBase();
    if (Foreign(base)) {
        return KXG_E_FOREIGN_REFERENCE;
    }
    KxBase* target = base != nullptr ? base : own;
    if (StoreWith(member) && target != nullptr) {
        KxObject* object = nullptr;
        if (target->GetObjectMgr()->Find(reference->GetRef(), object) == 0 && object != nullptr) {
            Queue(object);
            reference->SetRef(object->GetRef());
            object->Release();
        }
        return 0;
    }
    // An object stored in this transaction gets its final id from the transaction's object space.
    KxObjectSpace* space = ObjectSpaceOf(context_);
    if (space != nullptr && !reference->GetRef().GetObjId().IsNull()) {
        space->BeginCriticalSection();
        const KxObject* listed = space->nts_IsInList(reference->GetRef());
        if (listed != nullptr) {
            reference->SetRef(listed->GetRef());
        }
        space->EndCriticalSection();
    }
    return 0;
}

int32_t KxGObjectStorer::ObjectSet(KxObjectSet* set, const KxMember& member)
{
    if (set == nullptr) {
        return 0;
    }
    KxBase* own = environment_ != nullptr ? environment_->GetBase() : nullptr;
    if (own != nullptr) {
        set->AttachToBase(own);
    }
    const bool storeWith = StoreWithSet(member);
    for (uint32_t i = 0; i < set->Count(); ++i) {
        KxObject* element = set->Get(i);
        if (element == nullptr) {
            continue;
        }
        AttachToEnvironment(element);
        if (Foreign(element->GetBase())) {
            return KXG_E_FOREIGN_REFERENCE;
        }
        if (storeWith) {
            Queue(element);
        }
    }
    return 0;
}

int32_t KxGObjectStorer::OnDemandSet(KxOnDemandSet* set, const KxMember& member)
{
    if (set == nullptr) {
        return 0;
    }
    KxBase* own = environment_ != nullptr ? environment_->GetBase() : nullptr;
    const bool storeWith = StoreWithOnDemandSet(member);
    for (uint32_t i = 0; i < set->Count(); ++i) {
        const KxOnDemand* element = set->Get(i);
        if (element == nullptr || !element->IsValid()) {
            continue;
        }
        KxBase* base = element->GetBase() != nullptr ? element->GetBase() : element->GetParentBase();
        if (Foreign(base)) {
            return KXG_E_FOREIGN_REFERENCE;
        }
        KxBase* target = base != nullptr ? base : own;
        if (storeWith && target != nullptr) {
            KxObject* object = nullptr;
            if (target->GetObjectMgr()->Find(element->GetRef(), object) == 0 && object != nullptr) {
                Queue(object);
                object->Release();
            }
        }
    }
    return 0;
}

// ---- deleting -----------------------------------------------------------------------------------

namespace {

int32_t LockForDelete(KxGTransactionContext* context, const KxRefList& refs)
{
    KxGLockService* locks = context->GetLockService();
    if (locks == nullptr) {
        return 0;
    }
    return locks->AcquireTxnLocks(context, KXG_LOCK_MODE_DELETE, refs) != 0 ? 0 : locks->GetFailure();
}

// The dependents named by the image's row: the references held by the class map's reference
// member maps whose relation the mode collects, each with its class (the stored class id, else the
// referenced class); embedded members' references too, read from the embedded class's columns at the
// member's offset in the row (an embedded member kept in a container has no columns to read).
int32_t CollectDependents(KxGClassMap& classMap, KxGRowContext& rows, int32_t mode, std::vector<KxRef>& out)
{
    for (uint32_t i = 0; i < classMap.GetMemberMapCount(); ++i) {
        KxGMemberMap* map = classMap.GetMemberMap(i);
        KxGClassMemberMap* embedded = map != nullptr ? map->AsClassMemberMap() : nullptr;
        if (embedded != nullptr) {
            KxGClass* embeddedClass = embedded->GetEmbeddedClass();
            KxGClassMap* inner = embeddedClass != nullptr ? embeddedClass->GetClassMap() : nullptr;
            if (inner == nullptr || embedded->GetStorageType() == KXG_STORAGE_BLOB || !embedded->HasReferences()) {
                continue;
            }
            const int32_t base = rows.GetBase();
            rows.SetBase(base + embedded->GetRowOffset());
            const int32_t status = CollectDependents(*inner, rows, mode, out);
            rows.SetBase(base);
            if (status != 0) {
                return status;
            }
            continue;
        }
        KxGRefMemberMap* refMap = map != nullptr ? map->AsRefMemberMap() : nullptr;
        KxGRelation* relation = refMap != nullptr ? refMap->GetRelation() : nullptr;
        KxGIDMap* ids = refMap != nullptr ? refMap->GetIDMap() : nullptr;
        if (relation == nullptr || ids == nullptr || !relation->ReadAhead(mode)) {
            continue;
        }
        KxRef ref;
        if (ids->LoadRef(rows, refMap->GetRowOffset(), ref, nullptr) != 0) {
            return KXG_E_DELETE_SERVICE;
        }
        if (ref.IsInvalid()) {
            continue;
        }
        if (ref.GetClassId().GetClassNumber() == 0 && ids->GetClassMap() != nullptr &&
            ids->GetClassMap()->GetClass() != nullptr) {
            ref = KxRef(ref.GetObjId(), ids->GetClassMap()->GetClass()->GetClassId());
        }
        out.push_back(ref);
    }
    return 0;
}

int32_t CollectDependents(KxGClassMap& classMap, KxSQLObjectAlias& image, int32_t mode, std::vector<KxRef>& out)
{
    KxGSQLObjectBuffer* buffer = image.GetBuffer();
    if (buffer == nullptr) {
        return 0;
    }
    KxGRowContext rows(buffer);
    rows.SetCurrentRow(0);
    return CollectDependents(classMap, rows, mode, out);
}

// An object that is deleted without being in memory: its reference over a blank instance of its
// class, so that the set member maps find its sets (empty, without ids of their own: the set rows
// are keyed by the owner's id) as they do in an object.
class KxGDeleteAlias : public KxObjectAlias {
public:
    KxGDeleteAlias(const KxRef& ref, const KxMetaClass* metaClass)
        : ref_(ref), class_(metaClass), instance_(metaClass != nullptr ? metaClass->NewInstance() : nullptr)
    {
    }
    ~KxGDeleteAlias() override
    {
        if (instance_ != nullptr) {
            class_->DeleteInstance(instance_);
        }
    }
    KxGDeleteAlias(const KxGDeleteAlias&) = delete;
    KxGDeleteAlias& operator=(const KxGDeleteAlias&) = delete;
    void GetRef(KxRef& ref) const override { ref = ref_; }
    void* GetObject() const override { return instance_; }
    uint8_t* GetAddress() const override { return instance_; }

private:
    KxRef ref_;
    const KxMetaClass* class_;
    uint8_t* instance_;
};

KxObjectAlias* DeleteAlias(KxGClassMap& classMap, const KxRef& ref)
{
    KxGSchemaMap* schemaMap = classMap.GetSchemaMap();
    KxClassDict* dictionary = schemaMap != nullptr ? schemaMap->GetDictionary() : nullptr;
    const KxMetaType* type = dictionary != nullptr ? dictionary->GetCurrentVersion(ref.GetClassId().GetClassNumber()) : nullptr;
    const KxMetaClass* metaClass = type != nullptr ? type->AsClass() : nullptr;
    if (metaClass == nullptr) {
        return new KxRefObjectAlias(ref);
    }
    return new KxGDeleteAlias(ref, metaClass);
}

}  // namespace

int32_t KxGObjectStorer::DeleteObject(KxGOperationEnvironment* environment, KxGTransactionContext* context,
                                      const KxRef& ref, int32_t dependents)
{
    KxGResourceMgr* top = context != nullptr ? context->GetTop() : nullptr;
    auto* compound = dynamic_cast<KxGCompoundStatement*>(top);
    if (compound == nullptr) {
        return KXG_E_NO_RESOURCE_MANAGER;
    }
    if (dependents == 0) {
        const int32_t locked = LockForDelete(context, KxRefList{ref});
        if (locked != 0) {
            return locked;
        }
        KxGClassMap* classMap = KxGFindClassMap(environment, ref.GetClassId());
        KxObjectAlias* alias = classMap != nullptr ? DeleteAlias(*classMap, ref) : new KxRefObjectAlias(ref);
        return RegisterDelete(environment, compound, alias) != 0 ? KXG_E_DELETE_SERVICE : 0;
    }
    KxGReadUnitOfWork* unit = context->GetReadUnitOfWork();
    if (unit == nullptr) {
        return KXG_E_DELETE_SERVICE;
    }
    // The reads' requests are the unit's; they go when this scope ends (or with an enclosing read).
    KxGReadScope scope(*unit);
    KxRefList doomed;                 // every reference reached, each once
    std::set<KxObjId> reached;
    std::vector<KxRef> toRead{ref};   // reached, not read yet
    reached.insert(ref.GetObjId());
    int32_t result = 0;
    bool first = true;
    while (!toRead.empty()) {
        const std::vector<KxRef> round = std::move(toRead);
        toRead.clear();
        std::vector<KxGRequest*> reads;
        for (const KxRef& next : round) {
            doomed.push_back(next);
            KxGClassMap* classMap = KxGFindClassMap(environment, next.GetClassId());
            if (classMap == nullptr) {
                return Unmapped(context->GetDatabase(), next.GetClassId());
            }
            KxGRequest* read = unit->MakeRequest(classMap, next.GetClassId(), KXG_OP_IMAGE_READ);
            if (read == nullptr) {
                return KXG_E_NO_MEMORY;
            }
            auto* alias = new KxRefObjectAlias(next);
            if (read->AddAlias(alias) != 0) {
                delete alias;
                delete read;
                return KXG_E_DELETE_LIST;
            }
            if (unit->AddRequest(read) != 0) {
                delete read;
                return KXG_E_DELETE_LIST;
            }
            reads.push_back(read);
        }
        const int32_t locked = LockForDelete(context, doomed);
        if (locked != 0) {
            return locked;
        }
        for (KxGRequest* read : reads) {
            const int32_t executed = read->Execute();
            if (executed < 0) {
                return executed;
            }
            if (executed > 0 && result == 0) {
                result = executed;
            }
            KxSQLObjectAlias* image = read->GetOutputCount() > 0 ? read->GetOutput(0) : nullptr;
            if (image == nullptr || image->GetRowCount() <= 0) {
                if (first && result == 0) {
                    result = KXG_W_NO_ROW_AFFECTED;
                }
                first = false;
                continue;
            }
            first = false;
            std::vector<KxRef> found;
            const int32_t collected = CollectDependents(*read->GetClassMap(), *image, dependents, found);
            if (collected != 0) {
                return collected;
            }
            for (const KxRef& dependent : found) {
                if (reached.insert(dependent.GetObjId()).second) {
                    toRead.push_back(dependent);
                }
            }
            KxRef imageRef;
            read->GetAlias(0)->GetRef(imageRef);
            if (RegisterDelete(environment, compound, DeleteAlias(*read->GetClassMap(), imageRef)) != 0) {
                return KXG_E_DELETE_SERVICE;
            }
        }
    }
    return result;
}
