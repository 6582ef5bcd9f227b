// Container subjects: base-type, persistent-class, embedded-class and on-demand containers.
#include "KxGenericContainerSubjects.h"

#include "KxAspectFunctors.h"
#include "KxBase.h"
#include "KxBrowserKernel.h"
#include "KxClassDict.h"
#include "KxGenericObjectSubjects.h"
#include "KxObject.h"
#include "KxObjectWalkers.h"
#include "KxTypeFunctors.h"
#include "KxTypeMgr.h"
#include "KxWOStream.h"

namespace {

KxWOStream diag;
const char* const kSource = "src\\gencntsb";

#define GENCNT_DIAG(message) \
    diag << " >>> generic object subject " << static_cast<void*>(this) << " " << message << " >>> " << kSource << __LINE__ << endl

KxString DeclarationText(const KxMetaType* type, KxTypeMgr* typeMgr) {
    KxString text("");
    if (type != nullptr) {
        CreateTypeText functor(&text, typeMgr, 0);
        type->Apply(functor);
    }
    return text;
}

// The "object" aspect of a row: its subject goes before the row is written over.
KvAspect* DropRowObject(KvAspectSet& set) {
    KvAspect* object = set.getAspect(KvAspectId("object"));
    if (object != nullptr) KxGiveSubject(object, nullptr);
    return object;
}

void MarkRowObject(KvAspect* object, long row, const KxString& typeTag) {
    object->setNotAvail();
    object->tag() = KX_TAG_COMPOUND;
    object->setTypeTag(typeTag.ToUtf8().c_str());
    KxString title("#");
    title << int32_t(row);
    object->setTitle(title.ToUtf8().c_str());
}

}  // namespace

// ---- what the four share ------------------------------------------------------------------------------

struct KxGenericContainerSubject::State {
    KxBasicContainer* container = nullptr;
    const KxMetaPersContainer* desc = nullptr;
    const KxMetaType* elementType = nullptr;
    KxBase* base = nullptr;
    KxTypeMgr* typeMgr = nullptr;
    KxVerbList<11> verbs{KxTypeSetVerbTable};
};

KxGenericContainerSubject::KxGenericContainerSubject(KxBasicContainer* container, const KxMetaPersContainer* desc,
                                                     const KxMetaType* elementType)
    : state_(new State) {
    state_->container = container;
    state_->desc = desc;
    state_->elementType = elementType;
    state_->base = container != nullptr ? container->GetBase() : nullptr;
    state_->typeMgr = state_->base != nullptr ? state_->base->GetTypeMgr() : nullptr;
    if (state_->typeMgr == nullptr) GENCNT_DIAG("no type manager for type set.");
}

KxGenericContainerSubject::~KxGenericContainerSubject() {
    destroyChildSubjects();
    delete state_;
}

KxBasicContainer* KxGenericContainerSubject::container() const { return state_->container; }
const KxMetaPersContainer* KxGenericContainerSubject::description() const { return state_->desc; }
const KxMetaType* KxGenericContainerSubject::elementType() const { return state_->elementType; }
KxTypeMgr* KxGenericContainerSubject::typeMgr() const { return state_->typeMgr; }

bool KxGenericContainerSubject::isHashed() const { return state_->desc != nullptr && state_->desc->IsHashed(); }

long KxGenericContainerSubject::getObjectsCount() {
    return state_->container != nullptr ? long(state_->container->Count()) : 0;
}

KvVerb** KxGenericContainerSubject::gimmeYourVerbs() const { return state_->verbs.list; }

void KxGenericContainerSubject::setApplyable(int first, int last, int applyable) const {
    for (int i = first; i <= last; ++i) state_->verbs.verbs[i].setApplyable(applyable);
}

KxErrorCode KxGenericContainerSubject::update(KvAspectSet& set, long hint, const KvVerb& verb) {
    KxErrorCode result;
    if (KxVerbIs(verb, "edit")) result = writeChangesToObject(set, hint);
    else if (KxVerbIs(verb, "insertfirst")) result = insertNewObject(0);
    else if (KxVerbIs(verb, "insert")) result = insertNewObject(hint);
    else if (KxVerbIs(verb, "replace")) result = replaceNewObject(hint);
    else if (KxVerbIs(verb, "append")) result = insertNewObject(getObjectsCount());
    else if (KxVerbIs(verb, "clear")) result = clearObjectSet();
    else if (KxVerbIs(verb, "remove")) result = removeObject(hint);
    if (!result) changed(hint, verb);
    return result;
}

// A container is shown, not changed: every element operation succeeds and leaves it as it is.
KxErrorCode KxGenericContainerSubject::writeChangesToObject(KvAspectSet&, long) { return KxErrorCode(); }
KxErrorCode KxGenericContainerSubject::insertNewObject(long) { return KxErrorCode(); }
KxErrorCode KxGenericContainerSubject::replaceNewObject(long) { return KxErrorCode(); }
KxErrorCode KxGenericContainerSubject::removeObject(long) { return KxErrorCode(); }
KxErrorCode KxGenericContainerSubject::clearObjectSet() { return KxErrorCode(); }
KxErrorCode KxGenericContainerSubject::createNewObject(void*& out) {
    out = nullptr;
    return KxErrorCode();
}

void KxGenericContainerSubject::fillRow(KvAspectSet& set, long row, KxObject* object, const KxMetaPersClass* cls) {
    KvAspect* objectAspect = DropRowObject(set);
    MapPersistentTypeMember2AspectSetHandler walker(&set, state_->typeMgr, cls->GetDictionary());
    walker.setBaseTypeTag(KX_TAG_BASE_TYPE);
    walker(cls, object);
    readSurrogateAndOtherStuff(set, object, cls, state_->typeMgr);
    if (objectAspect != nullptr) {
        KxGiveSubject(objectAspect, new KxGenericObjectSubject(object, cls));
        MarkRowObject(objectAspect, row, DeclarationText(cls, state_->typeMgr));
    }
}

// ---- base-type values ---------------------------------------------------------------------------------

KxGenericBasicTypeContainerSubject::KxGenericBasicTypeContainerSubject(KxBasicContainer* container,
                                                                       const KxMetaPersContainer* desc,
                                                                       const KxMetaType* elementType)
    : KxGenericContainerSubject(container, desc, elementType) {
    const KxMetaBasicType* basic = elementType != nullptr && elementType->GetKind() == KX_META_BASIC_TYPE
                                       ? static_cast<const KxMetaBasicType*>(elementType)
                                       : nullptr;
    createAspectSet(basic, state_->typeMgr);
}

KvSubject* KxGenericBasicTypeContainerSubject::clone() {
    return state_ != nullptr ? new KxGenericBasicTypeContainerSubject(state_->container, state_->desc, state_->elementType)
                             : nullptr;
}

void KxGenericBasicTypeContainerSubject::getValue(KvAspectSet& set, long row) {
    KvAspect* first = set.getObject(0);
    if (state_->container == nullptr || state_->desc == nullptr || state_->typeMgr == nullptr || first == nullptr) return;
    KxContainerIterator at(state_->container);
    if (at.Position(row) != 0 || !at.IsValid()) return;
    KxString text;
    state_->typeMgr->PrintToKxString(uint8_t(state_->desc->GetElementTypeCode()), text, at.GetCurrent(), nullptr, 1);
    *first = text;
}

// ---- references to persistent objects -------------------------------------------------------------------

KxGenericPersClassContainerSubject::KxGenericPersClassContainerSubject(KxBasicContainer* container,
                                                                       const KxMetaPersContainer* desc,
                                                                       const KxMetaType* elementType)
    : KxGenericContainerSubject(container, desc, elementType) {
    createAspectSet(elementType != nullptr ? elementType->AsClass() : nullptr, state_->typeMgr, 1);
}

KvSubject* KxGenericPersClassContainerSubject::clone() {
    return state_ != nullptr ? new KxGenericPersClassContainerSubject(state_->container, state_->desc, state_->elementType)
                             : nullptr;
}

KvVerb** KxGenericPersClassContainerSubject::gimmeYourVerbs() const {
    if (isHashed()) {
        setApplyable(0, 4, 0);
        setApplyable(5, 10, 1);
    }
    return KxGenericContainerSubject::gimmeYourVerbs();
}

void KxGenericPersClassContainerSubject::getValue(KvAspectSet& set, long row) {
    if (state_->container == nullptr || state_->elementType == nullptr || state_->desc == nullptr ||
        state_->typeMgr == nullptr)
        return;
    if (isHashed()) {
        DropRowObject(set);
        for (uint32_t i = 0; i < set.count(); ++i) *set.getObject(i) = " not available ";
        return;
    }
    KxContainerIterator at(state_->container);
    if (at.Position(row) == 0 && at.IsValid()) {
        const KxMetaPersClass* cls = state_->elementType->AsPersClass();
        const auto* reference = static_cast<const KxOnDemand*>(at.GetCurrent());
        KxObject* object = nullptr;
        const int32_t result = reference->Get(object, KX_SPEC_DEFAULT, KX_SPEC_DEFAULT, 1);
        if (result == 0 && object != nullptr && cls != nullptr) {
            fillRow(set, row, object, cls);
        } else {
            // A reference to no object or to one that is gone: the row says so instead of keeping
            // what an earlier row left in it.
            DropRowObject(set);
            fillAspectsWithErrorKeepOid(result != 0 ? result : KX_KERNEL_E_OBJ_NOT_FOUND, set, nullptr);
        }
        if (object != nullptr) reference->Unget(object);
    } else {
        GENCNT_DIAG("cannot read from object set. ");
    }
    aspects_.setOriginal();
}

// ---- instances of an embedded class -------------------------------------------------------------------

KxGenericNonPersClassContainerSubject::KxGenericNonPersClassContainerSubject(KxBasicContainer* container,
                                                                             const KxMetaPersContainer* desc,
                                                                             const KxMetaType* elementType)
    : KxGenericContainerSubject(container, desc, elementType) {
    createAspectSet(elementType != nullptr ? elementType->AsNonPersClass() : nullptr, state_->typeMgr, 1);
}

KvSubject* KxGenericNonPersClassContainerSubject::clone() {
    return state_ != nullptr ? new KxGenericNonPersClassContainerSubject(state_->container, state_->desc, state_->elementType)
                             : nullptr;
}

void KxGenericNonPersClassContainerSubject::getValue(KvAspectSet& set, long row) {
    if (state_->container == nullptr || state_->elementType == nullptr || state_->desc == nullptr ||
        state_->typeMgr == nullptr)
        return;
    const KxMetaClass* cls = state_->elementType->AsClass();
    KxContainerIterator at(state_->container);
    if (cls != nullptr && at.Position(row) == 0 && at.IsValid()) {
        // The element where the container keeps it.
        void* element = at.GetCurrent();
        KvAspect* objectAspect = DropRowObject(set);
        MapPersistentTypeMember2AspectSetHandler walker(&set, state_->typeMgr, cls->GetDictionary());
        walker.setBaseTypeTag(KX_TAG_BASE_TYPE);
        walker(cls, element);
        readSurrogateAndOtherStuff(set, nullptr, nullptr, state_->typeMgr);
        if (objectAspect != nullptr) {
            KxGiveSubject(objectAspect, new KxGenericEmbeddedObjectSubject(element, cls, state_->typeMgr, nullptr));
            MarkRowObject(objectAspect, row, DeclarationText(state_->desc, state_->typeMgr));
        }
    } else {
        GENCNT_DIAG("cannot read from object set. ");
    }
    aspects_.setOriginal();
}

// ---- on-demand references -----------------------------------------------------------------------------

KxGenericOnDemandContainerSubject::KxGenericOnDemandContainerSubject(KxBasicContainer* container,
                                                                     const KxMetaPersContainer* desc,
                                                                     const KxMetaType* elementType)
    : KxGenericContainerSubject(container, desc, elementType) {
    createAspectSet(desc, state_->typeMgr);
}

KvSubject* KxGenericOnDemandContainerSubject::clone() {
    return state_ != nullptr ? new KxGenericOnDemandContainerSubject(state_->container, state_->desc, state_->elementType)
                             : nullptr;
}

KvVerb** KxGenericOnDemandContainerSubject::gimmeYourVerbs() const {
    if (isHashed()) setApplyable(0, 10, 0);
    return KxGenericContainerSubject::gimmeYourVerbs();
}

void KxGenericOnDemandContainerSubject::createAspectSet(const KxMetaPersContainer* desc, KxTypeMgr* typeMgr) {
    if (desc == nullptr || typeMgr == nullptr) {
        GENCNT_DIAG("cannot create aspect set, ondemandset desc=" << const_cast<void*>(static_cast<const void*>(desc)));
        return;
    }
    const KxMetaTypeHandle* linked = desc->GetElementType();
    if (linked == nullptr || linked->GetMetaType() == nullptr) {
        GENCNT_DIAG("ondemandset desc is not linked, linked desc is nil.");
        return;
    }
    if (linked->GetMetaType()->GetKind() != KX_META_ONDEMAND) {
        GENCNT_DIAG("cannot cast linked desc to ondemand desc.");
        return;
    }
    const KxMetaClass* cls = static_cast<const KxMetaOnDemand*>(linked->GetMetaType())->GetReferencedClass();
    if (cls == nullptr) {
        GENCNT_DIAG("ondemand desc is not linked, linked desc is nil.");
        GENCNT_DIAG("cannot create aspect set, classdesc=" << const_cast<void*>(static_cast<const void*>(cls)));
        return;
    }
    aspects_.deleteAspects();
    addSurrogateAndOtherStuffAspects();
    CreateAspectSetWithPersistentTypeMember functor(&aspects_, typeMgr, cls->GetDictionary());
    functor.setBaseTypeTag(KX_TAG_BASE_TYPE);
    TraverseClassDescAndCallGivenHandler walk(&functor);
    cls->Apply(walk);
    auto* object = new KvAspect(KvAspectId("object"));
    object->setNotAvail();
    aspects_.add(object);
}

void KxGenericOnDemandContainerSubject::getValue(KvAspectSet& set, long row) {
    if (state_->container == nullptr || state_->elementType == nullptr || state_->desc == nullptr ||
        state_->typeMgr == nullptr)
        return;
    KxContainerIterator at(state_->container);
    if (at.Position(row) == 0 && at.IsValid()) {
        const auto* reference = static_cast<const KxOnDemand*>(at.GetCurrent());
        KxObject* object = nullptr;
        const int32_t result = reference->Get(object, KX_SPEC_DEFAULT, KX_SPEC_DEFAULT, 1);
        const KxMetaPersClass* cls = object != nullptr ? object->GetMetaClass()->AsPersClass() : nullptr;
        if (result != 0 || object == nullptr || cls == nullptr) {
            DropRowObject(set);
            fillAspectsWithError(result != 0 ? result : KX_KERNEL_E_OBJ_NOT_FOUND, set, nullptr);
            GENCNT_DIAG("cannot read object from ondemand. " << int(result));
        } else {
            fillRow(set, row, object, cls);
        }
        if (object != nullptr) reference->Unget(object);
    }
    aspects_.setOriginal();
}
