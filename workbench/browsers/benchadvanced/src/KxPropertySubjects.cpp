// The persistent lock and the check-out record of an object.
#include "KxPropertySubjects.h"

#include "KvSurrogate.h"
#include "KxBase.h"
#include "KxBrowserKernel.h"
#include "KxLockInfoSubjects.h"
#include "KxObjState.h"
#include "KxObject.h"
#include "KxPersistentProperty.h"
#include "KxWOStream.h"

namespace {

KxWOStream diag;

const char* const kLockAspects[] = {"OID", "Lock Mode", "Depth Mode", "Root Object", "User Name", "User Id", "Client Name"};
const char* const kCheckOutAspects[] = {"OID", "Workspace Id", "User Name"};

// Finds the object's one property of the all-set's kind and lets fill write it into the set.
template <class AllSet, class Query, class Fill>
void ReadProperty(KxObject* object, KvAspectSet& set, const char* who, Fill fill) {
    if (object == nullptr) return;
    KxBase* base = object->GetBase();
    if (base == nullptr || !base->IsOpen()) return;
    KxObjStateObjectInfo info;
    if (object->GetObjectInfo(info) != 0 || !info.GetProperties().GetPersistentLock()) return;
    AllSet all(base);
    Query query(nullptr, nullptr, 0);
    query.Setobj(object);
    KxPersistentPropertyOnDemandLSet result(nullptr, 0);
    if (all.Query(query, result, 0, 0) != 0) return;
    if (result.GetCount(0) != 1) {
        diag << who << ": " << long(result.GetCount(0)) << " properties found for object <" << static_cast<void*>(object)
             << ">" << endl;
        return;
    }
    KxPersistentPropertyOnDemand* element = nullptr;
    if (result.Get(element, 0) != 0) return;
    KxPersistentProperty* property = nullptr;
    if (element->Get(property, 0, 0) == 0 && property != nullptr) {
        if (KvAspect* a = KxAspectNamed(set, "OID")) *a = KvSurrogate(KvKelvoxObjectId(object->GetRef(), base));
        fill(*property);
    }
    element->Unget(property);
    result.Unget(element);
}

}  // namespace

// ---- KxPersistentLockPropertySubject -----------------------------------------------------------------
struct KxPersistentLockPropertySubject::Block {
    KvVerb* verbs[1] = {nullptr};
};

KxPersistentLockPropertySubject::KxPersistentLockPropertySubject(KxObject* object)
    : KxObjectAspectSubject(object), block_(new Block) {
    createAspectSet();
}

KxPersistentLockPropertySubject::~KxPersistentLockPropertySubject() { delete block_; }

void KxPersistentLockPropertySubject::createAspectSet() { KxBuildNamedAspects(aspects_, kLockAspects); }
KvSubject* KxPersistentLockPropertySubject::clone() { return new KxPersistentLockPropertySubject(object()); }
KxErrorCode KxPersistentLockPropertySubject::update(KvAspectSet&, long hint, const KvVerb& verb) {
    changed(hint, verb);
    return KxErrorCode();
}

void KxPersistentLockPropertySubject::getValue(KvAspectSet& set, long) {
    ReadProperty<KxPersistentLockAllSet, KxPersistentLockQuery>(
        object(), set, "KxPersistentLockPropertySubject", [&set](const KxPersistentProperty& property) {
            const auto* lock = dynamic_cast<const KxPersistentLock*>(&property);
            if (lock == nullptr) return;
            KxString text;
            if (KvAspect* a = KxAspectNamed(set, "Lock Mode")) *a = mapLockModeToKxString(lock->GetLockMode(), text);
            if (KvAspect* a = KxAspectNamed(set, "Depth Mode")) *a = mapDepthModeToKxString(lock->GetDepth(), text);
            if (KvAspect* a = KxAspectNamed(set, "Root Object")) *a = lock->GetRootObject();
            if (KvAspect* a = KxAspectNamed(set, "User Name")) *a = lock->GetUserName();
            if (KvAspect* a = KxAspectNamed(set, "User Id")) *a = static_cast<short>(lock->GetUserId());
            if (KvAspect* a = KxAspectNamed(set, "Client Name")) *a = lock->GetClientName();
        });
}

long KxPersistentLockPropertySubject::getObjectsCount() { return object() != nullptr ? 1 : 0; }
KvVerb** KxPersistentLockPropertySubject::gimmeYourVerbs() const { return block_->verbs; }

// ---- KxCheckOutPropertySubject -----------------------------------------------------------------------
struct KxCheckOutPropertySubject::Block {
    KvVerb* verbs[1] = {nullptr};
};

KxCheckOutPropertySubject::KxCheckOutPropertySubject(KxObject* object)
    : KxObjectAspectSubject(object), block_(new Block) {
    createAspectSet();
}

KxCheckOutPropertySubject::~KxCheckOutPropertySubject() { delete block_; }

void KxCheckOutPropertySubject::createAspectSet() { KxBuildNamedAspects(aspects_, kCheckOutAspects); }
KvSubject* KxCheckOutPropertySubject::clone() { return new KxCheckOutPropertySubject(object()); }
KxErrorCode KxCheckOutPropertySubject::update(KvAspectSet&, long hint, const KvVerb& verb) {
    changed(hint, verb);
    return KxErrorCode();
}

void KxCheckOutPropertySubject::getValue(KvAspectSet& set, long) {
    ReadProperty<KxCheckOutPropertyAllSet, KxCheckOutPropertyQuery>(
        object(), set, "KxCheckOutPropertySubject", [&set](const KxPersistentProperty& property) {
            const auto* checkOut = dynamic_cast<const KxCheckOutProperty*>(&property);
            if (checkOut == nullptr) return;
            if (KvAspect* a = KxAspectNamed(set, "Workspace Id")) *a = checkOut->GetDateTimeValue();
            if (KvAspect* a = KxAspectNamed(set, "User Name")) *a = checkOut->GetUserName();
        });
}

long KxCheckOutPropertySubject::getObjectsCount() { return object() != nullptr ? 1 : 0; }
KvVerb** KxCheckOutPropertySubject::gimmeYourVerbs() const { return block_->verbs; }
