// The extent subject.
#include "KxGenericAllSetSubject.h"

#include <cstdlib>
#include <string>

#include "KelvoxGenericObjectSubject.h"
#include "KvSurrogate.h"
#include "KxAspectFunctors.h"
#include "KxBase.h"
#include "KxBrowserStatics.h"
#include "KxClassDict.h"
#include "KxClient.h"
#include "KxDescAccess.h"
#include "KxGenericObjectSubjects.h"
#include "KxObject.h"
#include "KxObjectWalkers.h"
#include "KxTypeFunctors.h"
#include "KxTypeMgr.h"
#include "KxWOStream.h"
#include "kxfound.h"

namespace {

KxWOStream diag;
const char* const kSource = "src\\allsetsb";

const KvVerb kChanged(nullptr, nullptr, nullptr, 1);

// The kernel's statuses of a delete, as the subject reports them.
KxErrorCode DeleteResult(int32_t result) {
    switch (result) {
    case 0: return KxErrorCode();
    case -2017: return KxBrowserErrors::DeleteAlreadyDeleted;
    case -2041: return KxBrowserErrors::DeleteLocked;
    case -2201: return KxBrowserErrors::DeleteForeignReference;
    default: return KxErrorCode(KxErrFatal, int(result));
    }
}

// Walks the extent to its end, which ends the walk's transaction level with its deletes.
void EndWalk(KxAllSet* extent) {
    KxObject* object = nullptr;
    for (int32_t result = 0; result != -2005;) {
        result = extent->Get(object, 1, 1, KX_SPEC_DEFAULT, KX_SPEC_DEFAULT);
        if (object != nullptr) extent->Unget(object);
        if (result != 0 && result != -2017 && result != -2005) break;
    }
}

}  // namespace

struct KxGenericAllSetSubject::State {
    KxBase* base = nullptr;
    KxClassDict* dictionary = nullptr;
    KxTypeMgr* typeMgr = nullptr;
    KvAspectSet aspects;
    KxAllSet* extent = nullptr;
    long lastRow = -1;
    long count = 0;
    unsigned flags = 0;   // bit 0: the subject owns the extent
    const KxMetaPersClass* classDesc = nullptr;
};

KxGenericAllSetSubject::KxGenericAllSetSubject(KxBase* base) : state_(new State) {
    state_->base = base;
    state_->dictionary = base != nullptr ? base->GetDictionary() : nullptr;
    state_->typeMgr = base != nullptr ? base->GetTypeMgr() : nullptr;
    state_->flags = 1;
    countObjects();
}

KxGenericAllSetSubject::KxGenericAllSetSubject(KxAllSet* extent) : state_(new State) {
    state_->extent = extent;
    state_->base = extent != nullptr ? extent->GetBase() : nullptr;
    state_->dictionary = state_->base != nullptr ? state_->base->GetDictionary() : nullptr;
    state_->typeMgr = state_->base != nullptr ? state_->base->GetTypeMgr() : nullptr;
    if (extent != nullptr && extent->GetMetaClass() != nullptr && state_->dictionary != nullptr) {
        const KxMetaType* type = state_->dictionary->GetMetaType(extent->GetMetaClass()->GetClassId());
        state_->classDesc = type != nullptr ? type->AsPersClass() : nullptr;
        if (state_->classDesc != nullptr) createAspectSet(state_->classDesc);
    }
    countObjects();
}

KxGenericAllSetSubject::~KxGenericAllSetSubject() {
    if ((state_->flags & 1) != 0) delete state_->extent;
    state_->aspects.clearAllAspectValues();
    delete state_;
}

void KxGenericAllSetSubject::countObjects() {
    if (state_->extent == nullptr || KxClassHasNoExtent(state_->classDesc)) {
        state_->count = 1;
        return;
    }
    const int32_t count = state_->extent->GetCount(0);
    state_->count = count < 0 ? 0 : count;
}

KvSubject* KxGenericAllSetSubject::clone() {
    if (state_->extent != nullptr) return new KxGenericAllSetSubject(state_->extent);
    if (state_->base != nullptr) return new KxGenericAllSetSubject(state_->base);
    diag << "allset subject >> " << "clone of allset subject failed" << "_this->allSet==0" << "_this->database==0"
         << kSource << __LINE__ << endl;
    return nullptr;
}

KxErrorCode KxGenericAllSetSubject::validate(KvAspectSet& set, long hint, const KvVerb& verb) {
    return KvSubject::validate(set, hint, verb);
}

KvAspectId KxGenericAllSetSubject::getSurrogateAspectId() { return KvAspectId("OID"); }
long KxGenericAllSetSubject::getObjectsCount() { return state_->count; }
const KxMetaPersClass* KxGenericAllSetSubject::getAllSetClassDesc() const {
    return state_ != nullptr ? state_->classDesc : nullptr;
}

void KxGenericAllSetSubject::createAspectSet(const KxMetaPersClass* classDesc) {
    KvAspectSet& aspects = state_->aspects;
    aspects.clearAllAspectValues();
    aspects.deleteAspects();
    const char* const identity[][2] = {
        {"OID", "KxObjId"}, {"ClassId", "KxClassId"}, {"LocalClassId", "KxClassId"}, {"ClassName", "KxString"}};
    for (const auto& entry : identity) {
        auto* aspect = new KvAspect(KvAspectId(entry[0]));
        aspect->setReadOnly();
        aspect->setTypeTag(entry[1]);
        aspect->setTitle(entry[0]);
        aspects.add(aspect);
    }
    auto* object = new KvAspect(KvAspectId("object"));
    object->setReadOnly();
    object->setNotAvail();
    object->setTitle("object");
    aspects.add(object);
    if (classDesc != nullptr && !KxClassHasNoExtent(classDesc)) addClassMemberAspects(classDesc);
}

void KxGenericAllSetSubject::addClassMemberAspects(const KxMetaPersClass* classDesc) {
    CreateAspectSetWithPersistentTypeMember functor(&state_->aspects, state_->typeMgr, classDesc->GetDictionary());
    functor.setBaseTypeTag(KX_TAG_BASE_TYPE);
    TraverseClassDescAndCallGivenHandler walk(&functor);
    classDesc->Apply(walk);
}

KvAspectSet* KxGenericAllSetSubject::gimmeYourAspects() {
    KvAspect* object = state_->aspects.getAspect(KvAspectId("object"));
    if (object != nullptr) {
        if (KvSubject* subject = object->getSubjectPtr()) delete subject;
        object->clearValue();
        if (state_->classDesc != nullptr && state_->typeMgr != nullptr) {
            *object = static_cast<KvSubject*>(new KxGenericObjectSchemaSubject(state_->classDesc, state_->typeMgr));
        } else {
            diag << "Cannot create generic object subject.\n" << "No class description or no type manager available."
                 << kSource << __LINE__ << endl;
        }
    }
    return &state_->aspects;
}

const KxMetaPersClass* KxGenericAllSetSubject::getClassDescriptionFromDictionary(unsigned short classNumber,
                                                                                 unsigned long version) {
    const KxMetaType* type = state_->dictionary != nullptr
                                 ? state_->dictionary->GetMetaType(KxClassId(classNumber, uint16_t(version)))
                                 : nullptr;
    const int32_t result = type != nullptr ? 0 : -2841;
    const KxMetaPersClass* classDesc = type != nullptr ? type->AsPersClass() : nullptr;
    if (classDesc == nullptr) {
        const char* text = KxError(nullptr, nullptr, result, 0);
        diag << "allset subject >> " << "Cannot read class desc of classid " << int(classNumber) << " with version "
             << version << " error : " << int(result) << " : " << (text != nullptr ? text : "") << kSource
             << __LINE__ << endl;
    }
    return classDesc;
}

void KxGenericAllSetSubject::createGenericAllSet(const KxMetaPersClass* classDesc) {
    if ((state_->flags & 1) != 0) delete state_->extent;
    state_->extent = nullptr;
    state_->lastRow = -1;
    state_->classDesc = classDesc;
    if (state_->base != nullptr && classDesc != nullptr) {
        state_->extent = classDesc->MakeExtent(state_->base);
        state_->flags |= 1;
    }
    countObjects();
}

void KxGenericAllSetSubject::message(KvAspectSet& set, const char* text) {
    if (set.count() == 0) {
        auto* aspect = new KvAspect(KvAspectId("message"));
        aspect->setTitle("Message");
        set.add(aspect);
        changed(0, kChanged);
    }
    // A subject that an aspect held goes before the text takes its place.
    set.clearAllAspectValues();
    for (unsigned long i = 0; i < set.count(); ++i) *set.getObject(i) = text;
}

void KxGenericAllSetSubject::getValue(KvAspectSet& set, long row) {
    if (state_->extent == nullptr) return message(set, "no allset");
    if (state_->classDesc == nullptr) return message(set, "no class desscription");
    if (KxClassHasNoExtent(state_->classDesc)) return message(set, "class has no allset (_persistent)");
    KxObject* object = nullptr;
    int32_t result;
    if (row != 0 && state_->lastRow != -1 && row == state_->lastRow + 1)
        result = state_->extent->Get(object, 1, 1, KX_SPEC_DEFAULT, KX_SPEC_DEFAULT);
    else
        result = state_->extent->Get(object, int32_t(row), 0, KX_SPEC_DEFAULT, KX_SPEC_DEFAULT);
    state_->lastRow = row;
    if (result != 0) {
        const char* text = KxError(nullptr, nullptr, result, 0);
        return message(set, text != nullptr ? text : "");
    }
    if (object == nullptr) return;
    set.clearAllAspectValues();
    if (KvAspect* oid = set.getAspect(KvAspectId("OID")))
        *oid = KvSurrogate(KvKelvoxObjectId(object->GetRef(), object->GetBase()));
    if (state_->typeMgr != nullptr) {
        if (KvAspect* classId = set.getAspect(KvAspectId("ClassId"))) {
            KxString text;
            object->GetRef().GetClassId().PrintToKxString(text);
            *classId = text;
        }
        if (KvAspect* local = set.getAspect(KvAspectId("LocalClassId"))) {
            KxString text;
            if (object->GetMetaType() != nullptr) object->GetMetaType()->GetClassId().PrintToKxString(text);
            *local = text;
        }
    }
    if (KvAspect* name = set.getAspect(KvAspectId("ClassName"))) {
        if (object->GetMetaType() != nullptr) *name = object->GetMetaType()->GetName();
        else *name = "not available";
    }
    const KxMetaClass* cls = object->GetMetaClass();
    if (cls != nullptr) {
        MapPersistentTypeMember2AspectSetHandler walker(&set, state_->typeMgr, cls->GetDictionary());
        walker.setBaseTypeTag(KX_TAG_BASE_TYPE);
        walker(cls, object);
    }
    if (KvAspect* objectAspect = set.getAspect(KvAspectId("object"))) {
        auto* subject = new KxGenericObjectSubject(object, cls != nullptr ? cls->AsPersClass() : nullptr);
        addChild(subject);
        *objectAspect = static_cast<KvSubject*>(subject);
    }
    state_->extent->Unget(object);
}

KxErrorCode KxGenericAllSetSubject::update(KvAspectSet& set, long hint, const KvVerb& verb) {
    if (KxVerbIs(verb, "update screen")) {
        countObjects();
        return KvSubject::update(set, hint, verb);
    }
    if (KxVerbIs(verb, "new object")) {
        KxErrorCode result = createNewObject();
        if (!result) {
            countObjects();
            KvSubject::update(set, state_->count - 1, verb);
        }
        return result;
    }
    int32_t depth = 1;
    if (KxVerbIs(verb, "delete object flat") || KxVerbIs(verb, "delete all flat")) depth = 0;
    else if (KxVerbIs(verb, "delete object noondemand") || KxVerbIs(verb, "delete all noondemand")) depth = 2;
    else if (KxVerbIs(verb, "delete object deep") || KxVerbIs(verb, "delete all deep")) depth = 3;
    for (const char* one : {"delete object", "delete object flat", "delete object noondemand", "delete object deep"}) {
        if (!KxVerbIs(verb, one)) continue;
        KvAspect* aspect = set.getAspect(getSurrogateAspectId());
        if (aspect == nullptr) return KxBrowserErrors::NoSelectedSurrogate;
        KvSurrogate surrogate = aspect->getSurrogate();
        return deleteObject(&surrogate, depth);
    }
    for (const char* all : {"delete all", "delete all flat", "delete all noondemand", "delete all deep"}) {
        if (!KxVerbIs(verb, all)) continue;
        KxErrorCode result = deleteAllObjects(depth);
        if (!result) {
            KvSubject::update(set, 0, verb);
            countObjects();
        }
        return result;
    }
    return KxErrorCode();
}

KxErrorCode KxGenericAllSetSubject::deleteObject(KvSurrogate* surrogate, int32_t depth) {
    const KxObjId id = surrogate != nullptr ? surrogate->getKxObjId() : KxObjId();
    if (id.IsNull()) return KxBrowserErrors::InvalidSelectedObjectId;
    if (state_->extent == nullptr || state_->extent->GetBase() == nullptr) return KxBrowserErrors::NoExtent;
    state_->lastRow = -1;
    // Find the object in the extent: a walk from its first element.
    KxObject* object = nullptr;
    int32_t result = state_->extent->Get(object, 0, 0, KX_SPEC_DEFAULT, KX_SPEC_DEFAULT);
    while (result == 0 || result == -2017) {
        if (result == 0 && object != nullptr && object->GetObjId() == id) break;
        if (object != nullptr) state_->extent->Unget(object);
        result = state_->extent->Get(object, 1, 1, KX_SPEC_DEFAULT, KX_SPEC_DEFAULT);
    }
    if (result == -2005) return KxBrowserErrors::CannotFindObject;
    if (result != 0 || object == nullptr) return KxBrowserErrors::CannotReadObject;
    const KxErrorCode deleted = DeleteResult(object->Delete(depth, KX_SPEC_DEFAULT, KX_SPEC_DEFAULT));
    state_->extent->Unget(object);
    EndWalk(state_->extent);
    return deleted;
}

KxErrorCode KxGenericAllSetSubject::deleteAllObjects(int32_t depth) {
    if (state_->extent == nullptr || state_->extent->GetBase() == nullptr) return KxBrowserErrors::NoExtent;
    state_->lastRow = -1;
    for (;;) {
        KxObject* object = nullptr;
        int32_t result = state_->extent->Get(object, 0, 0, KX_SPEC_DEFAULT, KX_SPEC_DEFAULT);
        if (result == -2005) return KxErrorCode();
        if (result != 0) return KxErrorCode(KxErrFatal, int(result));
        result = object->Delete(depth, KX_SPEC_DEFAULT, KX_SPEC_DEFAULT);
        state_->extent->Unget(object);
        if (result == -2005) return KxErrorCode();
        if (result != 0) {
            EndWalk(state_->extent);
            return DeleteResult(result);
        }
        EndWalk(state_->extent);
    }
}

KxErrorCode KxGenericAllSetSubject::createNewObject() {
    if (state_->classDesc == nullptr) return KxErrorCode();
    KxObject* object = state_->base != nullptr ? KxObject::Make(state_->base, state_->classDesc->GetName()) : nullptr;
    if (object == nullptr) return KxBrowserErrors::CannotCreateNewObject;
    KxErrorCode result;
    if (object->GetBase() == nullptr) result = KxBrowserErrors::CannotAssignNewObject;
    const int32_t stored = object->Store(3, KX_SPEC_DEFAULT, KX_SPEC_DEFAULT);
    if (stored != 0) result = KxErrorCode(KxErrFatal, int(stored));
    object->Forget();
    return result;
}

void KxGenericAllSetSubject::handleEvent(KvAspectSet& set, KvView*, const KvVerb&) {
    KvAspect* classId = set.getAspect(KvAspectId("class_id"));
    KvAspect* text = set.getAspect(KvAspectId("text"));
    if (classId == nullptr || text == nullptr) return;
    const unsigned short number = classId->getUnsignedShort();
    const KxString entry = text->getString();
    const int32_t open = entry.SubStringPos(KxString("("), 0xFFFF);
    const int32_t close = entry.SubStringPos(KxString(")"), 0xFFFF);
    unsigned long version = 0;
    if (open >= 0 && close > open) {
        const std::string digits = entry.ToUtf8().substr(size_t(open) + 1, size_t(close - open - 1));
        version = std::strtoul(digits.c_str(), nullptr, 10);
    }
    const KxMetaPersClass* classDesc = getClassDescriptionFromDictionary(number, version);
    createAspectSet(classDesc);
    createGenericAllSet(classDesc);
    changed(0, kChanged);
}
