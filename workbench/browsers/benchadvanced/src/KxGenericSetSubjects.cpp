// Set subjects: persistent object sets, on-demand sets, type sets and class sets.
#include "KxGenericSetSubjects.h"

#include <algorithm>

#include "KvSurrogate.h"
#include "KxBase.h"
#include "KxBrowserKernel.h"
#include "KxBrowserStatics.h"
#include "KxClassDict.h"
#include "KxGenericObjectSubjects.h"
#include "KxObject.h"
#include "KxObjectWalkers.h"
#include "KxTypeFunctors.h"
#include "KxTypeMgr.h"
#include "KxWOStream.h"

namespace {

KxWOStream diag;
const char* const kSource = "src\\gensetsb";

#define GENSET_DIAG(message) \
    diag << " >>> generic object subject " << static_cast<void*>(this) << " " << message << " >>> " << kSource << __LINE__ << endl

KvVerb kReferenceSetVerbs[] = {
    KvVerb("insert new", "Insert new object", "Create a new object and insert it at given position.", 1),
    KvVerb("insert empty", "Insert empty object", "Create a new object and insert it at given position.", 1),
    KvVerb("replace new", "Replace with new object", "Create a new object and replace the current one at given position.", 1),
    KvVerb("replace empty", "Replace with empty object", "Create a new object and replace the current one at given position.", 1),
    KvVerb("remove", "Remove", "Remove the object at the given position.", 1),
    KvVerb("insertfirst new", "Insert new object First", "Create a new object and insert it as first member.", 1),
    KvVerb("insertfirst empty", "Insert empty object First", "Create a new object and insert it as first member.", 1),
    KvVerb("append new", "Append new object", "Create a new object and append it to the set.", 1),
    KvVerb("append empty", "Append empty object", "Create a new object and append it to the set.", 1),
    KvVerb("clear", "Clear", "Remove all members from the set.", 1),
};
}  // namespace

// The type-set verbs; the container subjects offer the same list.
KvVerb KxTypeSetVerbTable[11] = {
    KvVerb("edit", "Edit", "Typesets are not editable, edit set members.", 1),
    KvVerb("store", "Store", "Typesets are not storeable, store parent object.", 0),
    KvVerb("refresh", "Refresh", "Typesets cannot be refreshed, refresh parent object.", 0),
    KvVerb("lock", "Lock", "Typesets are not lockable, lock parent object.", 0),
    KvVerb("watch", "Watch", "Typesets are not watchable, watch parent object.", 0),
    KvVerb("insert", "Insert", "Create a new object and insert it at given position.", 1),
    KvVerb("replace", "Replace", "Create a new object and replace the current one at given position.", 1),
    KvVerb("remove", "Remove", "Remove the object at the given position.", 1),
    KvVerb("insertfirst", "Insert First", "Create a new object and insert it as first member.", 1),
    KvVerb("append", "Append", "Create a new object and append it to the set.", 1),
    KvVerb("clear", "Clear", "Remove all members from the set.", 1),
};

namespace {

KvVerb (&kTypeSetVerbs)[11] = KxTypeSetVerbTable;
KvVerb kObjectSetVerbs[] = {kTypeSetVerbs[5], kTypeSetVerbs[6], kTypeSetVerbs[7],
                            kTypeSetVerbs[8], kTypeSetVerbs[9], kTypeSetVerbs[10]};


KxErrorCode NotYetImplemented() { return KxErrorCode(KxErrFatal, "not yet implemented"); }

bool IsRootClass(const KxMetaClass* cls) {
    const KxClassId id = cls != nullptr && cls->GetTypeHandle() != nullptr ? cls->GetTypeHandle()->GetClassId()
                                                                           : KxClassId(0xFFFF, 0xFFFF);
    return id.GetClassNumber() == 0;
}

// The "object" aspect of a row: its subject goes before the row is written over.
KvAspect* DropRowObject(KvAspectSet& set) {
    KvAspect* object = set.getAspect(KvAspectId("object"));
    if (object != nullptr) KxGiveSubject(object, nullptr);
    return object;
}

KxString DeclarationText(const KxMetaType* type, KxTypeMgr* typeMgr) {
    KxString text("");
    if (type != nullptr) {
        CreateTypeText functor(&text, typeMgr, 0);
        type->Apply(functor);
    }
    return text;
}

}  // namespace

// ---- reference sets ---------------------------------------------------------------------------------

struct KxGenericReferenceSetSubject::State {
    const KxMetaSet* desc = nullptr;
    const KxMetaClass* elementClass = nullptr;
    KxBase* base = nullptr;
    KxTypeMgr* typeMgr = nullptr;
    const char* kind = "";
    KxVerbList<10> verbs{kReferenceSetVerbs};
};

KxGenericReferenceSetSubject::KxGenericReferenceSetSubject(const KxMetaSet* desc, KxBase* base, const char* kind)
    : state_(new State) {
    state_->desc = desc;
    state_->elementClass = desc != nullptr ? desc->GetElementClass() : nullptr;
    state_->base = base;
    state_->typeMgr = base != nullptr ? base->GetTypeMgr() : nullptr;
    state_->kind = kind;
    if (desc != nullptr && desc->GetKind() == KX_META_ONDEMAND_SET && state_->elementClass == nullptr)
        GENSET_DIAG("ondemandset has no linked desc.");
    createAspectSet(desc, state_->typeMgr);
}

KxGenericReferenceSetSubject::~KxGenericReferenceSetSubject() {
    destroyChildSubjects();
    delete state_;
}

const KxMetaClass* KxGenericReferenceSetSubject::elementClass() const { return state_->elementClass; }

long KxGenericReferenceSetSubject::getObjectsCount() { return hasSet() ? count() : 0; }

KvVerb** KxGenericReferenceSetSubject::gimmeYourVerbs() const {
    const bool root = IsRootClass(state_->elementClass);
    const bool empty = !hasSet() || count() == 0;
    for (int i : {0, 2, 5, 7}) state_->verbs.verbs[i].setApplyable(root ? 0 : 1);
    state_->verbs.verbs[4].setApplyable(empty ? 0 : 1);
    state_->verbs.verbs[9].setApplyable(empty ? 0 : 1);
    return state_->verbs.list;
}

KxErrorCode KxGenericReferenceSetSubject::update(KvAspectSet& set, long hint, const KvVerb& verb) {
    KxErrorCode result;
    if (KxVerbIs(verb, "edit")) {
        return NotYetImplemented();
    } else if (runEditStep(set, hint, verb, result)) {
        return result;
    } else if (KxVerbIs(verb, "insertfirst new")) {
        result = insertNewObject(0);
    } else if (KxVerbIs(verb, "insertfirst empty")) {
        result = insertEmptyObject(0);
    } else if (KxVerbIs(verb, "insert new")) {
        result = insertNewObject(hint);
    } else if (KxVerbIs(verb, "insert empty")) {
        result = insertEmptyObject(hint);
    } else if (KxVerbIs(verb, "replace new")) {
        result = replaceNewObject(hint);
    } else if (KxVerbIs(verb, "replace empty")) {
        result = replaceEmptyObject(hint);
    } else if (KxVerbIs(verb, "remove")) {
        result = removeObject(hint);
    } else if (KxVerbIs(verb, "append new")) {
        result = insertNewObject(getObjectsCount());
    } else if (KxVerbIs(verb, "append empty")) {
        result = insertEmptyObject(getObjectsCount());
    } else if (KxVerbIs(verb, "clear")) {
        result = clearObjectSet();
    }
    if (!result) changed(hint, verb);
    return result;
}

void KxGenericReferenceSetSubject::getValue(KvAspectSet& set, long row) {
    if (hasSet() && state_->base != nullptr && state_->typeMgr != nullptr) {
        KxObject* object = nullptr;
        const int32_t result = getAt(row, object);
        KvAspect* objectAspect = DropRowObject(set);
        KxString title("#");
        title << int32_t(row) << ", ";
        if (result >= 0 && object != nullptr) {
            const KxMetaClass* cls = object->GetMetaClass();
            MapPersistentTypeMember2AspectSetHandler walker(&set, state_->typeMgr, cls->GetDictionary());
            walker.setBaseTypeTag(KX_TAG_BASE_TYPE);
            walker(cls, object);
            readSurrogateAndOtherStuff(set, object, cls->AsPersClass(), state_->typeMgr);
            if (objectAspect != nullptr) {
                KxString ref;
                object->GetRef().PrintToKxString(ref);
                title << ref;
                KxGiveSubject(objectAspect, new KxGenericObjectSubject(object, cls->AsPersClass()));
                objectAspect->setNotAvail();
                objectAspect->tag() = KX_TAG_COMPOUND;
                objectAspect->setTypeTag(DeclarationText(cls, state_->typeMgr).ToUtf8().c_str());
                objectAspect->setTitle(title.ToUtf8().c_str());
            }
            release(object);
        } else {
            fillAspectsWithErrorKeepOid(result, set, nullptr);
            KxRef ref;
            if (refAt(row, ref) == 0) {
                KxString printed;
                ref.PrintToKxString(printed);
                title << printed;
            }
            if (objectAspect != nullptr) {
                KxGiveSubject(objectAspect, new KxGenericObjectSubject(nullptr, nullptr));
                objectAspect->setNotAvail();
                objectAspect->tag() = KX_TAG_COMPOUND;
                objectAspect->setTypeTag("");
                objectAspect->setTitle(title.ToUtf8().c_str());
            }
            GENSET_DIAG("cannot read from " << state_->kind << " set. " << int(result));
        }
    }
    aspects_.setOriginal();
}

KxErrorCode KxGenericReferenceSetSubject::insertObject(KxObject* object, long pos) {
    if (!hasSet()) {
        GENSET_DIAG("Error inserting object for " << state_->kind << " set: no set or no object available.");
        return KxErrorCode();
    }
    pos = std::clamp<long>(pos, 0, count());
    int32_t result = position(pos);
    if (result == 0) result = insertAt(pos, object);
    else if (result == -2005) result = insertAt(count(), object);
    return result == 0 ? KxErrorCode() : KxTextError(KX_TEXT_CANNOT_INSERT);
}

KxErrorCode KxGenericReferenceSetSubject::replaceObject(KxObject* object, long pos) {
    if (!hasSet()) {
        GENSET_DIAG("Error replacing object for " << state_->kind << " set: no set or no object available.");
        return KxErrorCode();
    }
    int32_t result = position(pos);
    if (result == 0) result = replaceAt(pos, object);
    return result == 0 ? KxErrorCode() : KxTextError(KX_TEXT_CANNOT_REPLACE);
}

KxErrorCode KxGenericReferenceSetSubject::removeObject(long pos) {
    if (!hasSet()) {
        GENSET_DIAG("Error removing object for " << state_->kind << " set: no set available.");
        return KxErrorCode();
    }
    int32_t result = position(pos);
    if (result == 0) result = removeAt(pos);
    return result == 0 ? KxErrorCode() : KxTextError(KX_TEXT_CANNOT_REMOVE);
}

KxErrorCode KxGenericReferenceSetSubject::clearObjectSet() {
    if (!hasSet()) {
        GENSET_DIAG("Error clearing " << state_->kind << " set: no set available.");
        return KxErrorCode();
    }
    return clearAll() == 0 ? KxErrorCode() : KxTextError(KX_TEXT_CANNOT_CLEAR);
}

KxErrorCode KxGenericReferenceSetSubject::createNewObject(KxObject*& out) {
    out = nullptr;
    if (state_->elementClass == nullptr || state_->base == nullptr) return KxTextError(KX_TEXT_CANNOT_CREATE);
    out = KxObject::Make(state_->base, state_->elementClass->GetName());
    if (out == nullptr) return KxTextError(KX_TEXT_CANNOT_CREATE);
    if (out->Store(3, KX_SPEC_DEFAULT, KX_SPEC_DEFAULT) != 0) return KxTextError(KX_TEXT_CANNOT_STORE);
    return KxErrorCode();
}

KxErrorCode KxGenericReferenceSetSubject::insertNewObject(long pos) {
    KxObject* object = nullptr;
    KxErrorCode result = createNewObject(object);
    if (!result && object != nullptr) result = insertObject(object, pos);
    if (object != nullptr) object->Forget();
    return result;
}

KxErrorCode KxGenericReferenceSetSubject::replaceNewObject(long pos) {
    KxObject* object = nullptr;
    KxErrorCode result = createNewObject(object);
    if (!result && object != nullptr) result = replaceObject(object, pos);
    if (object != nullptr) object->Forget();
    return result;
}

KxErrorCode KxGenericReferenceSetSubject::insertEmptyObject(long pos) { return insertObject(nullptr, pos); }
KxErrorCode KxGenericReferenceSetSubject::replaceEmptyObject(long pos) { return replaceObject(nullptr, pos); }

KxErrorCode KxGenericReferenceSetSubject::writeChangesToObject(KvAspectSet&, long, const KvVerb&) {
    return NotYetImplemented();
}

KxErrorCode KxGenericReferenceSetSubject::updatePostEdit(KvAspectSet& set, long row) {
    KvAspect* edit = set.getAspect(KvAspectId("EditAspect"));
    if (edit == nullptr) return KxErrorCode();
    const KxObjId entered = edit->getSurrogate().getKxObjId();
    KxObject* found = nullptr;
    if (state_->elementClass != nullptr) {
        found = KxFindObject(state_->base, entered);
        if (found != nullptr &&
            IsInheritedBy(found->GetMetaClass(), state_->elementClass->GetTypeHandle()->GetClassId()) != 1) {
            found->Forget();
            found = nullptr;
        }
    }
    KxErrorCode result;
    if (found != nullptr) result = replaceObject(found, row);
    else if (entered.IsNull()) result = replaceObject(nullptr, row);
    else result = KxTextError(KX_TEXT_INVALID_REFERENCE);
    if (found != nullptr) found->Forget();
    set.remove(edit);
    delete edit;
    return result;
}

// ---- persistent object set ----------------------------------------------------------------------------

KxGenericPersistentObjectSetSubject::KxGenericPersistentObjectSetSubject(KxObjectSet* set, const KxMetaSet* desc)
    : KxGenericReferenceSetSubject(desc, set != nullptr ? set->GetBase() : nullptr, "object"), set_(set) {}

KvSubject* KxGenericPersistentObjectSetSubject::clone() {
    return new KxGenericPersistentObjectSetSubject(set_, state_->desc);
}
int32_t KxGenericPersistentObjectSetSubject::count() const { return set_->GetCount(0); }
int32_t KxGenericPersistentObjectSetSubject::getAt(long row, KxObject*& object) {
    return set_->Get(object, int32_t(row), 0, KX_SPEC_DEFAULT, KX_SPEC_DEFAULT);
}
void KxGenericPersistentObjectSetSubject::release(KxObject*& object) { set_->Unget(object); }
int32_t KxGenericPersistentObjectSetSubject::position(long pos) {
    KxObject* object = nullptr;
    const int32_t result = set_->Get(object, int32_t(pos), 0, KX_SPEC_DEFAULT, KX_SPEC_DEFAULT);
    if (object != nullptr) set_->Unget(object);
    // An element deleted meanwhile still stands at its position.
    return result == KX_KERNEL_E_OBJ_NOT_FOUND ? 0 : result;
}
int32_t KxGenericPersistentObjectSetSubject::insertAt(long pos, KxObject* object) {
    return pos >= count() ? set_->Add(object) : set_->Insert(object);
}
int32_t KxGenericPersistentObjectSetSubject::replaceAt(long, KxObject* object) { return set_->Replace(object); }
int32_t KxGenericPersistentObjectSetSubject::removeAt(long) { return set_->Delete(1); }
int32_t KxGenericPersistentObjectSetSubject::clearAll() { return set_->Clear(); }
int32_t KxGenericPersistentObjectSetSubject::refAt(long row, KxRef& ref) const {
    return set_->GetElementRef(uint32_t(row), ref);
}

// ---- on-demand set ------------------------------------------------------------------------------------

KxGenericOndemandSetSubject::KxGenericOndemandSetSubject(KxOnDemandSet* set, const KxMetaSet* desc)
    : KxGenericReferenceSetSubject(desc, set != nullptr ? set->GetBase() : nullptr, "ondemand"), set_(set) {}

KvSubject* KxGenericOndemandSetSubject::clone() { return new KxGenericOndemandSetSubject(set_, state_->desc); }
int32_t KxGenericOndemandSetSubject::count() const { return int32_t(set_->Count()); }
int32_t KxGenericOndemandSetSubject::getAt(long row, KxObject*& object) {
    return set_->Get(object, int32_t(row), 0, KX_SPEC_DEFAULT, KX_SPEC_DEFAULT);
}
void KxGenericOndemandSetSubject::release(KxObject*& object) { set_->Unget(object); }
int32_t KxGenericOndemandSetSubject::position(long pos) {
    return pos >= 0 && pos < count() ? 0 : KX_KERNEL_E_NO_ELEMENT;
}
int32_t KxGenericOndemandSetSubject::insertAt(long pos, KxObject* object) {
    return set_->InsertAt(uint32_t(pos), KxOnDemand(object, 1));
}
int32_t KxGenericOndemandSetSubject::replaceAt(long pos, KxObject* object) {
    return set_->SetAt(uint32_t(pos), KxOnDemand(object, 1));
}
int32_t KxGenericOndemandSetSubject::removeAt(long pos) { return set_->RemoveAt(uint32_t(pos)); }
int32_t KxGenericOndemandSetSubject::clearAll() { return set_->Clear(); }
int32_t KxGenericOndemandSetSubject::refAt(long row, KxRef& ref) const {
    return set_->GetElementRef(uint32_t(row), ref);
}

// ---- type set -----------------------------------------------------------------------------------------

struct KxGenericTypeSetSubject::State {
    KxTypeSet* set = nullptr;
    const KxMetaSet* desc = nullptr;
    KxBase* base = nullptr;
    KxTypeMgr* typeMgr = nullptr;
    KxVerbList<11> verbs{kTypeSetVerbs};
};

KxGenericTypeSetSubject::KxGenericTypeSetSubject(KxTypeSet* set, const KxMetaSet* desc) : state_(new State) {
    state_->set = set;
    state_->desc = desc;
    state_->base = set != nullptr ? set->GetBase() : nullptr;
    state_->typeMgr = state_->base != nullptr ? state_->base->GetTypeMgr() : nullptr;
    if (state_->typeMgr == nullptr) GENSET_DIAG("no type manager for type set.");
    createAspectSet(desc, state_->typeMgr);
}

KxGenericTypeSetSubject::~KxGenericTypeSetSubject() {
    destroyChildSubjects();
    delete state_;
}

KvSubject* KxGenericTypeSetSubject::clone() { return new KxGenericTypeSetSubject(state_->set, state_->desc); }
long KxGenericTypeSetSubject::getObjectsCount() { return state_->set != nullptr ? long(state_->set->Count()) : 0; }
KvVerb** KxGenericTypeSetSubject::gimmeYourVerbs() const { return state_->verbs.list; }

KxErrorCode KxGenericTypeSetSubject::update(KvAspectSet& set, long hint, const KvVerb& verb) {
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

void KxGenericTypeSetSubject::getValue(KvAspectSet& set, long row) {
    KvAspect* first = set.getObject(0);
    if (state_->set == nullptr || state_->desc == nullptr || state_->typeMgr == nullptr || first == nullptr) return;
    const int32_t type = state_->desc->GetElementTypeCode();
    if (!state_->typeMgr->IsValidType(uint8_t(type))) {
        KxString text;
        text << type << ": unknown type id";
        *first = text;
        return;
    }
    void* value = state_->typeMgr->Create(uint8_t(type));
    const int32_t result = row >= 0 ? state_->set->Get(uint32_t(row), value) : KX_KERNEL_E_NO_ELEMENT;
    if (result == 0) {
        valueToAspect(type, value, first, state_->typeMgr);
    } else {
        fillAspectsWithErrorKeepOid(result, set, nullptr);
        GENSET_DIAG("cannot read from type set. " << int(result));
    }
    state_->typeMgr->Delete(uint8_t(type), value);
}

KxErrorCode KxGenericTypeSetSubject::createNewObject(void*& out) {
    out = state_->typeMgr != nullptr && state_->desc != nullptr
              ? state_->typeMgr->Create(uint8_t(state_->desc->GetElementTypeCode()))
              : nullptr;
    return out != nullptr ? KxErrorCode() : KxTextError(KX_TEXT_CANNOT_CREATE);
}

KxErrorCode KxGenericTypeSetSubject::writeChangesToObject(KvAspectSet& set, long row) {
    if (state_->set == nullptr) return KxErrorCode();
    int32_t result = row >= 0 ? state_->set->RemoveAt(uint32_t(row)) : KX_KERNEL_E_NO_ELEMENT;
    if (result != 0) {
        GENSET_DIAG("cannot read from type set. " << int(result));
        return KxErrorCode(KxErrFatal, int(result));
    }
    KvAspect* first = set.getObject(0);
    if (first == nullptr) return KxErrorCode();
    void* value = nullptr;
    if (createNewObject(value)) return KxTextError(KX_TEXT_BASE_TYPE_CHANGE);
    const uint8_t type = uint8_t(state_->desc->GetElementTypeCode());
    state_->typeMgr->ScanFromKxString(type, first->getString(), value, nullptr);
    result = state_->set->InsertAt(uint32_t(row), value);
    state_->typeMgr->Delete(type, value);
    return result == 0 ? KxErrorCode() : KxErrorCode(KxErrFatal, int(result));
}

KxErrorCode KxGenericTypeSetSubject::insertNewObject(long pos) {
    if (state_->set == nullptr) {
        GENSET_DIAG("Error inserting object for type set: no set or no object available.");
        return KxErrorCode();
    }
    void* value = nullptr;
    KxErrorCode result = createNewObject(value);
    if (!result) {
        pos = std::clamp<long>(pos, 0, long(state_->set->Count()));
        if (state_->set->InsertAt(uint32_t(pos), value) != 0) result = KxTextError(KX_TEXT_CANNOT_INSERT);
        state_->typeMgr->Delete(uint8_t(state_->desc->GetElementTypeCode()), value);
    }
    return result;
}

KxErrorCode KxGenericTypeSetSubject::replaceNewObject(long pos) {
    if (state_->set == nullptr) {
        GENSET_DIAG("Error replacing object for type set: no set or no object available.");
        return KxErrorCode();
    }
    void* value = nullptr;
    KxErrorCode result = createNewObject(value);
    if (!result) {
        if (pos < 0 || state_->set->Set(uint32_t(pos), value) != 0) result = KxTextError(KX_TEXT_CANNOT_REPLACE);
        state_->typeMgr->Delete(uint8_t(state_->desc->GetElementTypeCode()), value);
    }
    return result;
}

KxErrorCode KxGenericTypeSetSubject::removeObject(long pos) {
    if (state_->set == nullptr) return KxErrorCode();
    return pos >= 0 && state_->set->RemoveAt(uint32_t(pos)) == 0 ? KxErrorCode() : KxTextError(KX_TEXT_CANNOT_REMOVE);
}

KxErrorCode KxGenericTypeSetSubject::clearObjectSet() {
    if (state_->set == nullptr) return KxErrorCode();
    return state_->set->Clear() == 0 ? KxErrorCode() : KxTextError(KX_TEXT_CANNOT_CLEAR);
}

// ---- class set ----------------------------------------------------------------------------------------

struct KxGenericObjectSetSubject::State {
    KxClassSet* set = nullptr;
    const KxMetaSet* desc = nullptr;
    const KxMetaClass* elementClass = nullptr;
    KxBase* base = nullptr;
    KxTypeMgr* typeMgr = nullptr;
    KxVerbList<6> verbs{kObjectSetVerbs};
};

KxGenericObjectSetSubject::KxGenericObjectSetSubject(KxClassSet* set, const KxMetaSet* desc) : state_(new State) {
    state_->set = set;
    state_->desc = desc;
    state_->elementClass = desc != nullptr ? desc->GetElementClass() : nullptr;
    state_->base = set != nullptr ? set->GetBase() : nullptr;
    state_->typeMgr = state_->base != nullptr ? state_->base->GetTypeMgr() : KxTypeMgr::GetDefault();
    createAspectSet(desc, state_->typeMgr);
}

KxGenericObjectSetSubject::~KxGenericObjectSetSubject() {
    destroyChildSubjects();
    delete state_;
}

KvSubject* KxGenericObjectSetSubject::clone() { return new KxGenericObjectSetSubject(state_->set, state_->desc); }
long KxGenericObjectSetSubject::getObjectsCount() { return state_->set != nullptr ? long(state_->set->Count()) : 0; }
KvVerb** KxGenericObjectSetSubject::gimmeYourVerbs() const { return state_->verbs.list; }

KxErrorCode KxGenericObjectSetSubject::update(KvAspectSet& set, long hint, const KvVerb& verb) {
    KxErrorCode result;
    if (KxVerbIs(verb, "edit")) result = NotYetImplemented();
    else if (KxVerbIs(verb, "insertfirst")) result = insertNewObject(0);
    else if (KxVerbIs(verb, "insert")) result = insertNewObject(hint);
    else if (KxVerbIs(verb, "replace")) result = KxTextError(KX_TEXT_CANNOT_REPLACE);
    else if (KxVerbIs(verb, "append")) result = insertNewObject(getObjectsCount());
    else if (KxVerbIs(verb, "clear")) result = clearObjectSet();
    else if (KxVerbIs(verb, "remove")) result = removeObject(hint);
    if (!result) changed(hint, verb);
    return result;
}

void KxGenericObjectSetSubject::getValue(KvAspectSet& set, long row) {
    if (state_->set == nullptr || state_->elementClass == nullptr) return;
    if (state_->desc->GetElementMode() == 2) {
        GENSET_DIAG("unexpected set of indirect non pers classes.");
        return;
    }
    // The row shows the element where the set keeps it, so that its object subject edits the element.
    uint8_t* element = row >= 0 ? state_->set->At(uint32_t(row)) : nullptr;
    KvAspect* objectAspect = DropRowObject(set);
    if (element == nullptr) {
        fillAspectsWithErrorKeepOid(KX_KERNEL_E_NO_ELEMENT, set, nullptr);
        GENSET_DIAG("cannot read from object set. " << int(KX_KERNEL_E_NO_ELEMENT));
        return;
    }
    MapPersistentTypeMember2AspectSetHandler walker(&set, state_->typeMgr, state_->elementClass->GetDictionary());
    walker.setBaseTypeTag(KX_TAG_BASE_TYPE);
    walker(state_->elementClass, static_cast<void*>(element));
    if (objectAspect != nullptr) {
        KxGiveSubject(objectAspect,
                      new KxGenericEmbeddedObjectSubject(element, state_->elementClass, state_->typeMgr, nullptr));
        objectAspect->setNotAvail();
        objectAspect->tag() = KX_TAG_COMPOUND;
        objectAspect->setTypeTag(DeclarationText(state_->desc, state_->typeMgr).ToUtf8().c_str());
        KxString title("#");
        title << int32_t(row);
        objectAspect->setTitle(title.ToUtf8().c_str());
    }
}

KxErrorCode KxGenericObjectSetSubject::insertNewObject(long pos) {
    if (state_->set == nullptr || state_->elementClass == nullptr) return KxErrorCode();
    uint8_t* instance = state_->elementClass->NewInstance();
    if (instance == nullptr) return KxTextError(KX_TEXT_CANNOT_CREATE);
    pos = std::clamp<long>(pos, 0, long(state_->set->Count()));
    const int32_t result = state_->set->InsertAt(uint32_t(pos), instance);
    state_->elementClass->DeleteInstance(instance);
    return result == 0 ? KxErrorCode() : KxTextError(KX_TEXT_CANNOT_INSERT);
}

KxErrorCode KxGenericObjectSetSubject::removeObject(long pos) {
    if (state_->set == nullptr) return KxErrorCode();
    return pos >= 0 && state_->set->RemoveAt(uint32_t(pos)) == 0 ? KxErrorCode() : KxTextError(KX_TEXT_CANNOT_REMOVE);
}

KxErrorCode KxGenericObjectSetSubject::clearObjectSet() {
    if (state_->set == nullptr) return KxErrorCode();
    return state_->set->Clear() == 0 ? KxErrorCode() : KxTextError(KX_TEXT_CANNOT_CLEAR);
}
