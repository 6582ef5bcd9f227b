// The base of the generic subjects over persistent data.
#include "KelvoxGenericObjectSubject.h"

#include <strings.h>

#include <cstring>

#include "KxAspectFunctors.h"
#include "KxBase.h"
#include "KxBrowserKernel.h"
#include "KxBrowserStatics.h"
#include "KxClassDict.h"
#include "KxLockInfoSubjects.h"
#include "KxObjState.h"
#include "KxObject.h"
#include "KxPropertySubjects.h"
#include "KxTypeFunctors.h"
#include "KxTypeMgr.h"
#include "KxWOStream.h"
#include "KvSurrogate.h"
#include "kxfound.h"
#include "svres.h"
#include "svstring.h"

namespace {

KxWOStream diag;
const char* const kSource = "src\\genobjsb";

const char* const kIdentity[][2] = {
    {"OID", "KxObjId"}, {"ClassId", "KxClassId"}, {"LocalClassId", "KxClassId"}, {"ClassName", "KxString"}};

}  // namespace

#define GENOBJ_DIAG(message) \
    diag << " >>> generic object subject " << static_cast<void*>(this) << " " << message << " >>> " << kSource << __LINE__ << endl

bool KxVerbIs(const KvVerb& verb, const char* text) {
    const char* own = verb.getVerb();
    return own == nullptr || text == nullptr || strcasecmp(own, text) == 0;
}

KelvoxGenericObjectSubject::KelvoxGenericObjectSubject() = default;

KelvoxGenericObjectSubject::~KelvoxGenericObjectSubject() { destroyChildSubjects(); }

void KelvoxGenericObjectSubject::destroyChildSubjects() {
    for (unsigned long i = 0; i < aspects_.count(); ++i) {
        KvAspect* aspect = aspects_.getObject(i);
        if (KvSubject* subject = aspect->getSubjectPtr()) {
            delete subject;
            *aspect = static_cast<KvSubject*>(nullptr);
        }
    }
}

KxErrorCode KelvoxGenericObjectSubject::validate(KvAspectSet& set, long hint, const KvVerb& verb) {
    return KvSubject::validate(set, hint, verb);
}

KvAspectSet* KelvoxGenericObjectSubject::gimmeYourAspects() { return &aspects_; }

KvAspectId KelvoxGenericObjectSubject::getSurrogateAspectId() { return KvAspectId("OID"); }

void KelvoxGenericObjectSubject::handleEvent(KvAspectSet& set, KvView* from, const KvVerb& verb) {
    KvSubject::handleEvent(set, from, verb);
}

void KelvoxGenericObjectSubject::addSurrogateAndOtherStuffAspects() {
    for (const auto& entry : kIdentity) {
        auto* aspect = new KvAspect(KvAspectId(entry[0]));
        aspect->setReadOnly();
        aspect->setTypeTag(entry[1]);
        aspect->setTitle(entry[0]);
        aspect->tag() = KX_TAG_BASE_TYPE;
        aspects_.add(aspect);
    }
}

void KelvoxGenericObjectSubject::readSurrogateAndOtherStuff(KvAspectSet& set, KxObject* object,
                                                            const KxMetaPersClass* classDesc, KxTypeMgr* typeMgr) {
    KvAspect* oid = set.getAspect(KvAspectId("OID"));
    KvAspect* classId = set.getAspect(KvAspectId("ClassId"));
    KvAspect* localClassId = set.getAspect(KvAspectId("LocalClassId"));
    KvAspect* className = set.getAspect(KvAspectId("ClassName"));
    if (object == nullptr || classDesc == nullptr || typeMgr == nullptr) {
        for (KvAspect* aspect : {oid, classId, localClassId, className}) {
            if (aspect == nullptr) continue;
            *aspect = "not available";
            aspect->tag() = KX_TAG_BASE_TYPE;
        }
        return;
    }
    if (oid != nullptr) {
        *oid = KvSurrogate(KvKelvoxObjectId(object->GetRef(), object->GetBase()));
        oid->tag() = KX_TAG_BASE_TYPE;
    }
    if (classId != nullptr) {
        KxString text;
        const KxClassId id = object->GetRef().GetClassId();
        typeMgr->PrintToKxString(KX_TYPE_CLASSID, text, &id, nullptr, 1);
        *classId = text;
        classId->tag() = KX_TAG_BASE_TYPE;
    }
    if (localClassId != nullptr) {
        if (const KxMetaType* type = object->GetMetaType()) {
            KxString text;
            typeMgr->PrintToKxString(KX_TYPE_CLASSID, text, &type->GetClassId(), nullptr, 1);
            *localClassId = text;
        }
        localClassId->tag() = KX_TAG_BASE_TYPE;
    }
    if (className != nullptr) {
        *className = classDesc->GetName();
        className->tag() = KX_TAG_BASE_TYPE;
    }
    // The lock and watch subjects of the object; the subject an aspect held before goes.
    KxObjStateObjectInfo info;
    object->GetObjectInfo(info);
    const KxProperties& properties = info.GetProperties();
    if (KvAspect* aspect = set.getAspect(KvAspectId("CheckedOut")))
        KxGiveSubject(aspect, properties.GetCheckOutProperty() ? new KxCheckOutPropertySubject(object) : nullptr);
    if (KvAspect* aspect = set.getAspect(KvAspectId("LockedPersistent")))
        KxGiveSubject(aspect, properties.GetPersistentLock() ? new KxPersistentLockPropertySubject(object) : nullptr);
    if (KvAspect* aspect = set.getAspect(KvAspectId("Lock"))) KxGiveSubject(aspect, new KxLockInfoSubject(object));
    if (KvAspect* aspect = set.getAspect(KvAspectId("Watch"))) KxGiveSubject(aspect, new KxWatchInfoSubject(object, nullptr));
}

void KelvoxGenericObjectSubject::createAspectSet(const KxMetaClass* classDesc, KxTypeMgr* typeMgr, int embedded) {
    aspects_.deleteAspects();
    if (embedded == 1) addSurrogateAndOtherStuffAspects();
    if (classDesc == nullptr) {
        GENOBJ_DIAG("no class description.");
        return;
    }
    addClassMemberAspects(classDesc, typeMgr);
}

namespace {

// One aspect named after a type code: id, type tag and title the type manager's name, tag 4.
KvAspect* TypeNameAspect(KxTypeMgr* typeMgr, int32_t typeCode) {
    const char* name = typeMgr->NameGet(uint8_t(typeCode));
    auto* aspect = new KvAspect(KvAspectId(name));
    aspect->setTypeTag(name);
    aspect->setTitle(name);
    aspect->tag() = KX_TAG_CONTAINER;
    return aspect;
}

}  // namespace

void KelvoxGenericObjectSubject::createAspectSet(const KxMetaBasicType* elementDesc, KxTypeMgr* typeMgr) {
    if (elementDesc == nullptr || typeMgr == nullptr) {
        GENOBJ_DIAG("cannot create aspect set for pers container set desc=" << const_cast<void*>(static_cast<const void*>(elementDesc))
                                                                            << " " << static_cast<void*>(typeMgr));
        return;
    }
    aspects_.add(TypeNameAspect(typeMgr, elementDesc->GetTypeCode()));
}

void KelvoxGenericObjectSubject::createAspectSet(const KxMetaSet* setDesc, KxTypeMgr* typeMgr) {
    if (setDesc != nullptr && setDesc->GetKind() == KX_META_TYPE_SET) {
        if (typeMgr == nullptr) {
            GENOBJ_DIAG("cannot create aspect set for type set desc=" << const_cast<void*>(static_cast<const void*>(setDesc)) << " "
                                                                      << static_cast<void*>(typeMgr));
            return;
        }
        aspects_.add(TypeNameAspect(typeMgr, setDesc->GetElementTypeCode()));
        return;
    }
    if (setDesc == nullptr || typeMgr == nullptr) {
        if (setDesc != nullptr && setDesc->GetKind() == KX_META_ONDEMAND_SET)
            GENOBJ_DIAG("cannot create aspect set, ondemandset desc=" << const_cast<void*>(static_cast<const void*>(setDesc)));
        else
            GENOBJ_DIAG("cannot create aspect set, description=" << const_cast<void*>(static_cast<const void*>(setDesc)));
        return;
    }
    const KxMetaClass* element = setDesc->GetElementClass();
    if (element == nullptr) {
        if (setDesc->GetKind() == KX_META_ONDEMAND_SET)
            GENOBJ_DIAG("cannot create aspect set, classdesc=" << const_cast<void*>(static_cast<const void*>(element)));
        else
            GENOBJ_DIAG("cannot create aspect set classdesc=" << const_cast<void*>(static_cast<const void*>(element)) << " typeMgr="
                                                                << static_cast<void*>(typeMgr));
        return;
    }
    aspects_.deleteAspects();
    addSurrogateAndOtherStuffAspects();
    KxClassDict* dict = element->GetDictionary();
    CreateAspectSetWithPersistentTypeMember functor(&aspects_, typeMgr, dict);
    functor.setBaseTypeTag(KX_TAG_BASE_TYPE);
    TraverseClassDescAndCallGivenHandler walk(&functor);
    element->Apply(walk);
    auto* object = new KvAspect(KvAspectId("object"));
    object->setNotAvail();
    aspects_.add(object);
}

void KelvoxGenericObjectSubject::addClassMemberAspects(const KxMetaClass* classDesc, KxTypeMgr* typeMgr) {
    if (classDesc == nullptr || typeMgr == nullptr) {
        GENOBJ_DIAG("no class desc or no typeMgr.");
        return;
    }
    CreateAspectSetWithPersistentMember functor(&aspects_, typeMgr, classDesc->GetDictionary());
    functor.setBaseTypeTag(KX_TAG_BASE_TYPE);
    functor.setCompoundObjectTag(KX_TAG_COMPOUND);
    functor.setContainerTag(KX_TAG_CONTAINER);
    functor.setReferenceTag(KX_TAG_REFERENCE);
    TraverseClassDescAndCallGivenHandler walk(&functor);
    classDesc->Apply(walk);
}

int KelvoxGenericObjectSubject::IsInheritedBy(const KxMetaClass* classDesc, const KxClassId& id) {
    if (classDesc == nullptr) return 0;
    const KxClassId own = classDesc->GetTypeHandle() != nullptr ? classDesc->GetTypeHandle()->GetClassId()
                                                                 : KxClassId(0xFFFF, 0xFFFF);
    if (own.GetClassNumber() == id.GetClassNumber() && own.GetVersion() == id.GetVersion()) return 1;
    const KxMetaTypeHandle* inherit = nullptr;
    for (int32_t i = 0; classDesc->GetInherit(inherit, i, 0) == 0; ++i) {
        const KxMetaType* type = inherit != nullptr ? inherit->GetMetaType() : nullptr;
        if (type != nullptr && IsInheritedBy(type->AsClass(), id) == 1) return 1;
    }
    return 0;
}

void KelvoxGenericObjectSubject::getText(const ResId& id, char* buffer, int length) {
    ResMgr* previous = Resource::GetResManager();
    ResMgr own("benchadvanced");
    Resource::SetResManager(&own);
    const String text(ResId(id.GetId(), &own));
    std::strncpy(buffer, text.GetStr(), size_t(length));
    Resource::SetResManager(previous);
}

KxErrorCode KelvoxGenericObjectSubject::updatePreEdit(KvAspectSet& set, long) {
    KvAspect* edited = set.getObject(0);
    if (edited == nullptr || (edited->tag() != KX_TAG_REFERENCE && edited->tag() != KX_TAG_COMPOUND))
        return KxErrorCode();
    auto* edit = new KvAspect(KvAspectId("EditAspect"));
    KvSurrogate surrogate;
    if (KvSubject* subject = edited->getSubjectPtr()) {
        if (KvAspectSet* own = subject->gimmeYourAspects()) {
            subject->getValue(*own, 0);
            if (KvAspect* oid = own->getAspect(KvAspectId("OID"))) surrogate = oid->getSurrogate();
        }
    }
    *edit = surrogate;
    edit->setTitle(edited->getTitle().ToUtf8().c_str());
    set.add(edit);
    return KxErrorCode();
}

KxErrorCode KelvoxGenericObjectSubject::updatePostEdit(KvAspectSet&, long) { return KxErrorCode(); }

bool KelvoxGenericObjectSubject::runEditStep(KvAspectSet& set, long hint, const KvVerb& verb, KxErrorCode& result) {
    if (KxVerbIs(verb, "pre edit")) result = updatePreEdit(set, hint);
    else if (KxVerbIs(verb, "post edit")) result = updatePostEdit(set, hint);
    else if (KxVerbIs(verb, "set back")) result = updateSetBack(set, hint);
    else return false;
    return true;
}

KxErrorCode KelvoxGenericObjectSubject::updateSetBack(KvAspectSet& set, long) {
    if (KvAspect* edit = set.getAspect(KvAspectId("EditAspect"))) {
        set.remove(edit);
        delete edit;
    }
    return KxErrorCode();
}

namespace {

KxString ErrorText(int code, const char* extra) {
    KxString text;
    const char* message = KxError(nullptr, nullptr, code, 0);
    text << int32_t(code) << " : " << (message != nullptr ? message : "");
    if (extra != nullptr) text << ", " << extra;
    return text;
}

}  // namespace

void fillAspectsWithError(int code, KvAspectSet& set, const char* extra) {
    const KxString text = ErrorText(code, extra);
    for (unsigned long i = 0; i < set.count(); ++i) *set.getObject(i) = text;
}

void fillAspectsWithErrorKeepOid(int code, KvAspectSet& set, const char* extra) {
    const KxString text = ErrorText(code, extra);
    const KvAspectId oid("OID");
    for (unsigned long i = 0; i < set.count(); ++i) {
        KvAspect* aspect = set.getObject(i);
        if (aspect->aspectId() == oid)
            *aspect = extra != nullptr ? extra : "";
        else
            *aspect = text;
    }
}

KxErrorCode KxTextError(unsigned short textId) {
    char buffer[256] = {};
    KelvoxGenericObjectSubject::getText(ResId(textId), buffer, 255);
    return KxErrorCode(KxErrFatal, buffer);
}
