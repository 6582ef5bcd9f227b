// Object, embedded-object, on-demand and class-schema subjects.
#include "KxGenericObjectSubjects.h"

#include "KvSurrogate.h"
#include "KxBrowserKernel.h"
#include "KxBase.h"
#include "KxBrowserStatics.h"
#include "KxClassDict.h"
#include "KxClient.h"
#include "KxObject.h"
#include "KxObjectWalkers.h"
#include "KxSearchDialog.h"
#include "KxTypeMgr.h"
#include "KxWOStream.h"

namespace {

KxWOStream diag;
const char* const kSource = "src\\genobjsb";

KvVerb kObjectVerbs[] = {
    KvVerb("edit", "Edit", "Edit selected member", 1),
    KvVerb("store", "Store", "Store the current object", 1),
    KvVerb("refresh", "Refresh", "Refresh the current object", 1),
    KvVerb("lock", "Lock", "Lock the current object", 0),
    KvVerb("watch", "Watch", "Watch the current object", 0),
};
KvVerb kOndemandVerbs[] = {
    KvVerb("edit", "Edit", "Edit the current object", 1),
    KvVerb("store", "Store", "Store the current object", 1),
    KvVerb("refresh", "Refresh", "Refresh the current object", 1),
    KvVerb("lock", "Lock", "Lock the current object", 0),
    KvVerb("watch", "Watch", "Watch the current object", 0),
};
KvVerb kEmbeddedVerbs[] = {
    KvVerb("edit", "Edit", "Edit the current selected member", 1),
    KvVerb("store", "Store", "embedded objects are not storeable, please store parent object", 0),
    KvVerb("lock", "Lock", "embedded objects are not lockable", 0),
    KvVerb("watch", "Watch", "embedded objects are not watchable", 0),
};


// Reads the members of an object, or of object memory, into the set (tags 1, 2, 4 and 3).
template <class Target>
void ReadMembers(KxBase* base, KvAspectSet& set, KxTypeMgr* typeMgr, const KxMetaClass* classDesc, Target target) {
    GenericObject2AspectSetHandler walker(base, &set, typeMgr, classDesc->GetDictionary(), KX_READ_OBJECT);
    walker.setBaseTypeTag(KX_TAG_BASE_TYPE);
    walker.setCompoundObjectTag(KX_TAG_COMPOUND);
    walker.setContainerTag(KX_TAG_CONTAINER);
    walker.setReferenceTag(KX_TAG_REFERENCE);
    walker(classDesc, target);
}

// Writes the editable members of the set back into an object, or into object memory.
template <class Target>
void WriteMembers(KxBase* base, KvAspectSet& set, KxTypeMgr* typeMgr, const KxMetaClass* classDesc, Target target) {
    GenericObject2AspectSetHandler walker(base, &set, typeMgr, classDesc->GetDictionary(), KX_WRITE_OBJECT);
    walker(classDesc, target);
}

KxErrorCode StoreOf(KxObject* object) {
    if (object == nullptr) return KxErrorCode(KxErrFatal, "No Object Available, nothing stored");
    return KxKernelResult(object->Store(3, KX_SPEC_DEFAULT, KX_SPEC_DEFAULT));
}

KxErrorCode RefreshOf(KxObject* object) {
    if (object == nullptr) return KxErrorCode(KxErrFatal, "No Object Available, nothing refreshed");
    return KxKernelResult(object->Refresh(KX_SPEC_DEFAULT, KX_SPEC_DEFAULT));
}

// "edit", "store" and "refresh" of a subject over a persistent object (true, result set).
template <class Subject>
bool ObjectVerb(Subject& subject, KvAspectSet& set, long hint, const KvVerb& verb, KxErrorCode& result) {
    if (KxVerbIs(verb, "edit")) result = subject.writeChangesToObject(set, hint, verb);
    else if (KxVerbIs(verb, "store")) result = subject.storeObject(set, hint, verb);
    else if (KxVerbIs(verb, "refresh")) result = subject.refreshObject(set, hint, verb);
    else return false;
    return true;
}

// The steps of "post edit" shared by the object subjects: the member named by the edited aspect's
// title, the object entered in "EditAspect" (only when its class fits the member) and the new
// subject of the edited aspect. The subject the edited aspect held stays with its owner (the aspect
// is the view's copy of the subject's own aspect).
KxErrorCode ResolveReference(KvAspectSet& set, const void* self, KxBase* base, const KxMetaClass* owner,
                             bool haveOwner) {
    KvAspect* edited = set.getObject(0);
    KvAspect* edit = set.getAspect(KvAspectId("EditAspect"));
    if (edit == nullptr) return KxErrorCode();
    KxErrorCode result;
    if (edited != nullptr && (edited->tag() == KX_TAG_REFERENCE || edited->tag() == KX_TAG_COMPOUND)) {
        const KxObjId entered = edit->getSurrogate().getKxObjId();
        KxObject* found = nullptr;
        const KxMember* member = nullptr;
        const KxMetaClass* memberClass = nullptr;
        if (!haveOwner) {
            diag << " >>> generic object subject " << const_cast<void*>(self) << " "
                 << "Cannot update reference of object. Insufficiant " << "parameter given." << " >>> " << kSource
                 << __LINE__ << endl;
        } else {
            member = KxMemberAccessor(owner, KxString(edited->getTitle())).GetMember();
            if (member != nullptr && member->GetMemberType() == KX_MEMBER_ONDEMAND) {
                const KxMetaTypeHandle* handle = member->GetReferenceType();
                memberClass = handle != nullptr && handle->GetMetaType() != nullptr ? handle->GetMetaType()->AsClass()
                                                                                   : nullptr;
            } else if (member != nullptr && member->GetClass() != nullptr && member->GetClass()->IsPersistent()) {
                memberClass = member->GetClass();
            }
            if (memberClass != nullptr) {
                found = KxFindObject(base, entered);
                if (found != nullptr &&
                    KelvoxGenericObjectSubject::IsInheritedBy(found->GetMetaClass(),
                                                              memberClass->GetTypeHandle()->GetClassId()) != 1) {
                    found->Forget();
                    found = nullptr;
                }
            }
        }
        if (found == nullptr && !entered.IsNull()) {
            result = KxTextError(KX_TEXT_INVALID_REFERENCE);
        } else if (member != nullptr && member->GetMemberType() == KX_MEMBER_ONDEMAND) {
            auto* subject = new KxGenericOndemandSubject(new KxOnDemand(found, 1), member->GetReferenceType());
            subject->adoptReference();
            *edited = static_cast<KvSubject*>(subject);
        } else if (memberClass != nullptr) {
            *edited = static_cast<KvSubject*>(new KxGenericObjectSubject(found, memberClass->AsPersClass()));
        }
        if (found != nullptr) found->Forget();
    }
    set.remove(edit);
    delete edit;
    return result;
}

}  // namespace

KxObject* KxFindObject(KxBase* base, const KxObjId& id) {
    if (base == nullptr || id.IsNull()) return nullptr;
    // Every persistent object is one of the root class's extent.
    KxClassDict* dict = base->GetDictionary();
    const KxMetaType* root = dict != nullptr ? dict->GetCurrentVersion(0) : nullptr;
    if (root == nullptr || root->AsPersClass() == nullptr) return nullptr;
    KxObjectFinder find(base, root->AsPersClass());
    return find(id);
}

void KxGiveSubject(KvAspect* aspect, KvSubject* subject) {
    KvSubject* previous = aspect->getSubjectPtr();
    *aspect = subject;
    if (previous != nullptr && previous != subject) delete previous;
}

KxErrorCode KxKernelResult(int32_t result) {
    if (result < 0) return KxErrorCode(KxErrFatal, int(result));
    if (result > 0) return KxErrorCode(KxErrWarning, int(result));
    return KxErrorCode();
}

KxBase* onDemandBase(KxOnDemand* reference) {
    if (reference == nullptr) return nullptr;
    return reference->GetBase() != nullptr ? reference->GetBase() : reference->GetParentBase();
}

// ---- KxGenericObjectSubject ------------------------------------------------------------------------

struct KxGenericObjectSubject::State {
    KxObject* object = nullptr;
    const KxMetaPersClass* classDesc = nullptr;
    KxBase* base = nullptr;
    KxTypeMgr* typeMgr = nullptr;
    KxVerbList<5> verbs{kObjectVerbs};
};

KxGenericObjectSubject::KxGenericObjectSubject(KxObject* object, const KxMetaPersClass* classDesc)
    : state_(new State) {
    state_->classDesc = classDesc;
    if (object != nullptr) {
        if (object->GetMetaType() != nullptr) state_->classDesc = object->GetMetaType()->AsPersClass();
        if (object->Remember() == 0) state_->object = object;
        state_->base = object->GetBase();
        state_->typeMgr = state_->base != nullptr ? state_->base->GetTypeMgr() : nullptr;
    }
    createAspectSet(state_->classDesc, state_->typeMgr, 1);
}

KxGenericObjectSubject::~KxGenericObjectSubject() {
    destroyChildSubjects();
    if (state_->object != nullptr) state_->object->Forget(KX_SPEC_DEFAULT, KX_SPEC_DEFAULT);
    delete state_;
}

KxObject* KxGenericObjectSubject::object() const { return state_ != nullptr ? state_->object : nullptr; }
const KxMetaPersClass* KxGenericObjectSubject::classDesc() const { return state_->classDesc; }

KvSubject* KxGenericObjectSubject::clone() {
    if (state_ == nullptr) return nullptr;
    return new KxGenericObjectSubject(state_->object, state_->classDesc);
}

KxErrorCode KxGenericObjectSubject::update(KvAspectSet& set, long hint, const KvVerb& verb) {
    KxErrorCode result;
    if (!ObjectVerb(*this, set, hint, verb, result) && runEditStep(set, hint, verb, result)) return result;
    if (!result) changed(hint, verb);
    return result;
}

void KxGenericObjectSubject::getValue(KvAspectSet& set, long) {
    if (state_ == nullptr) return;
    if (state_->base != nullptr && state_->object != nullptr && state_->classDesc != nullptr) {
        ReadMembers(state_->base, set, state_->base->GetTypeMgr(), state_->classDesc, state_->object);
        readSurrogateAndOtherStuff(set, state_->object, state_->classDesc, state_->typeMgr);
    }
    aspects_.setOriginal();
}

KvVerb** KxGenericObjectSubject::gimmeYourVerbs() const { return state_->verbs.list; }

KxErrorCode KxGenericObjectSubject::writeChangesToObject(KvAspectSet& set, long, const KvVerb&) {
    if (state_->base != nullptr && state_->object != nullptr && state_->classDesc != nullptr)
        WriteMembers(state_->base, set, state_->typeMgr, state_->classDesc, state_->object);
    return KxErrorCode();
}

KxErrorCode KxGenericObjectSubject::storeObject(KvAspectSet&, long, const KvVerb&) { return StoreOf(state_->object); }
KxErrorCode KxGenericObjectSubject::refreshObject(KvAspectSet&, long, const KvVerb&) { return RefreshOf(state_->object); }

KxErrorCode KxGenericObjectSubject::updatePostEdit(KvAspectSet& set, long) {
    return ResolveReference(set, this, state_->base, state_->classDesc, state_->object != nullptr);
}

// ---- KxGenericEmbeddedObjectSubject ----------------------------------------------------------------

struct KxGenericEmbeddedObjectSubject::State {
    void* memory = nullptr;
    const KxMetaClass* classDesc = nullptr;
    KxTypeMgr* typeMgr = nullptr;
    KxBase* base = nullptr;
    KxVerbList<4> verbs{kEmbeddedVerbs};
};

KxGenericEmbeddedObjectSubject::KxGenericEmbeddedObjectSubject(void* memory, const KxMetaClass* classDesc,
                                                               KxTypeMgr* typeMgr, KxBase* base)
    : state_(new State) {
    state_->memory = memory;
    state_->classDesc = classDesc;
    state_->typeMgr = typeMgr;
    state_->base = base;
    createAspectSet(classDesc, typeMgr, 0);
}

KxGenericEmbeddedObjectSubject::~KxGenericEmbeddedObjectSubject() {
    destroyChildSubjects();
    delete state_;
}

void* KxGenericEmbeddedObjectSubject::memory() const { return state_->memory; }

KvSubject* KxGenericEmbeddedObjectSubject::clone() {
    return new KxGenericEmbeddedObjectSubject(state_->memory, state_->classDesc, state_->typeMgr, nullptr);
}

KxErrorCode KxGenericEmbeddedObjectSubject::update(KvAspectSet& set, long hint, const KvVerb& verb) {
    KxErrorCode result;
    if (KxVerbIs(verb, "edit")) result = writeChangesToObject(set, hint, verb);
    else if (runEditStep(set, hint, verb, result)) return result;
    if (!result) changed(hint, verb);
    return result;
}

void KxGenericEmbeddedObjectSubject::getValue(KvAspectSet& set, long) {
    if (state_->memory == nullptr || state_->classDesc == nullptr || state_->typeMgr == nullptr) return;
    ReadMembers(nullptr, set, state_->typeMgr, state_->classDesc, state_->memory);
}

KvVerb** KxGenericEmbeddedObjectSubject::gimmeYourVerbs() const { return state_->verbs.list; }

KxErrorCode KxGenericEmbeddedObjectSubject::writeChangesToObject(KvAspectSet& set, long, const KvVerb&) {
    if (state_->memory != nullptr && state_->classDesc != nullptr && state_->typeMgr != nullptr)
        WriteMembers(state_->base, set, state_->typeMgr, state_->classDesc, state_->memory);
    return KxErrorCode();
}

KxErrorCode KxGenericEmbeddedObjectSubject::updatePostEdit(KvAspectSet& set, long) {
    return ResolveReference(set, this, state_->base, state_->classDesc, state_->classDesc != nullptr);
}

// ---- KxGenericOndemandSubject ----------------------------------------------------------------------

struct KxGenericOndemandSubject::State {
    KxOnDemand* reference = nullptr;
    bool ownsReference = false;
    KxObject* object = nullptr;
    const KxMetaTypeHandle* desc = nullptr;
    const KxMetaPersClass* classDesc = nullptr;
    KxBase* base = nullptr;
    KxTypeMgr* typeMgr = nullptr;
    int32_t result = 0;
    KxVerbList<5> verbs{kOndemandVerbs};
};

KxGenericOndemandSubject::KxGenericOndemandSubject(KxOnDemand* reference, const KxMetaTypeHandle* desc)
    : state_(new State) {
    state_->reference = reference;
    state_->desc = desc;
    if (reference != nullptr && desc != nullptr) {
        state_->result = reference->Get(state_->object, KX_SPEC_DEFAULT, KX_SPEC_DEFAULT, 1);
        if (state_->result < 0) {
            if (state_->object != nullptr) reference->Unget(state_->object);
            state_->object = nullptr;
        }
    }
    if (state_->object != nullptr && state_->object->GetMetaType() != nullptr)
        state_->classDesc = state_->object->GetMetaType()->AsPersClass();
    state_->base = onDemandBase(reference);
    if (state_->base == nullptr && state_->object != nullptr) state_->base = state_->object->GetBase();
    state_->typeMgr = state_->base != nullptr ? state_->base->GetTypeMgr() : nullptr;
    createAspectSet(state_->classDesc, state_->typeMgr, 1);
}

KxGenericOndemandSubject::~KxGenericOndemandSubject() {
    destroyChildSubjects();
    if (state_->object != nullptr) state_->reference->Unget(state_->object);
    if (state_->ownsReference) delete state_->reference;
    delete state_;
}

KxObject* KxGenericOndemandSubject::object() const { return state_ != nullptr ? state_->object : nullptr; }
int32_t KxGenericOndemandSubject::getResult() const { return state_->result; }
void KxGenericOndemandSubject::adoptReference() { state_->ownsReference = true; }

KvSubject* KxGenericOndemandSubject::clone() {
    if (state_->ownsReference) {
        auto* copy = new KxGenericOndemandSubject(new KxOnDemand(*state_->reference), state_->desc);
        copy->adoptReference();
        return copy;
    }
    return new KxGenericOndemandSubject(state_->reference, state_->desc);
}

KxErrorCode KxGenericOndemandSubject::update(KvAspectSet& set, long hint, const KvVerb& verb) {
    KxErrorCode result;
    if (!ObjectVerb(*this, set, hint, verb, result) && runEditStep(set, hint, verb, result)) return result;
    if (!result) changed(hint, verb);
    return result;
}

void KxGenericOndemandSubject::getValue(KvAspectSet& set, long) {
    if (state_->object == nullptr) {
        KxString text("KxRef=");
        if (state_->reference != nullptr) {
            KxString printed;
            state_->reference->GetRef().PrintToKxString(printed);
            text << printed;
        }
        fillAspectsWithError(state_->result, set, text.ToUtf8().c_str());
    } else if (state_->base != nullptr && state_->classDesc != nullptr) {
        ReadMembers(state_->base, set, state_->base->GetTypeMgr(), state_->classDesc, state_->object);
        readSurrogateAndOtherStuff(set, state_->object, state_->classDesc, state_->typeMgr);
    }
    aspects_.setOriginal();
}

KvVerb** KxGenericOndemandSubject::gimmeYourVerbs() const { return state_->verbs.list; }

KxErrorCode KxGenericOndemandSubject::writeChangesToObject(KvAspectSet& set, long, const KvVerb&) {
    if (state_->base != nullptr && state_->object != nullptr && state_->classDesc != nullptr)
        WriteMembers(state_->base, set, state_->typeMgr, state_->classDesc, state_->object);
    return KxErrorCode();
}

KxErrorCode KxGenericOndemandSubject::storeObject(KvAspectSet&, long, const KvVerb&) { return StoreOf(state_->object); }
KxErrorCode KxGenericOndemandSubject::refreshObject(KvAspectSet&, long, const KvVerb&) { return RefreshOf(state_->object); }

KxErrorCode KxGenericOndemandSubject::updatePostEdit(KvAspectSet& set, long) {
    return ResolveReference(set, this, state_->base, state_->classDesc, state_->object != nullptr);
}

// ---- KxGenericObjectSchemaSubject ------------------------------------------------------------------

KxGenericObjectSchemaSubject::KxGenericObjectSchemaSubject(const KxMetaClass* classDesc, KxTypeMgr* typeMgr) {
    createAspectSet(classDesc, typeMgr, 1);
}

KxErrorCode KxGenericObjectSchemaSubject::update(KvAspectSet&, long, const KvVerb&) { return KxErrorCode(); }
void KxGenericObjectSchemaSubject::getValue(KvAspectSet&, long) {}
