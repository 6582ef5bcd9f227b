// Lock and watch information of a persistent object.
#include "KxLockInfoSubjects.h"

#include <strings.h>

#include <cstring>
#include <string>

#include "KvSurrogate.h"
#include "KxBase.h"
#include "KxBrowserKernel.h"
#include "KxObjState.h"
#include "KxObject.h"
#include "KxWOStream.h"

namespace {

KxWOStream diag;

const char* const kLockAspects[] = {"Lock Mode", "Depth Mode", "Lock Type", "Lock Count", "OID",
                                    "Client Id", "Client Name", "User Id", "User Name"};
const char* const kWatchAspects[] = {"Watch Mode", "Depth Mode", "Watch Count", "OID",
                                     "Origin Id", "Watched Object", "Client Id", "Client Name"};

// Rebuilds a set from a list of names: type tag and title are the name, "OID" is typed "KxObjId".
template <size_t N>
void Rebuild(KvAspectSet& set, const char* const (&names)[N]) {
    KxDestroyAspectSubjects(set);
    set.deleteAspects();
    for (const char* name : names) {
        auto* aspect = new KvAspect(KvAspectId(name));
        aspect->setTypeTag(std::strcmp(name, "OID") == 0 ? "KxObjId" : name);
        aspect->setTitle(name);
        set.add(aspect);
    }
}

KvAspect* Find(KvAspectSet& set, const char* id) { return set.getAspect(KvAspectId(id)); }

uint32_t CountEntries(KxObject* object, bool locks) {
    if (object == nullptr) return 0;
    KxObjStateObjectInfo info;
    object->GetObjectInfo(info);
    return locks ? info.GetLockCount() : info.GetWatchCount();
}

}  // namespace

void KxDestroyAspectSubjects(KvAspectSet& set) {
    for (unsigned long i = 0; i < set.count(); ++i) {
        KvAspect* aspect = set.getObject(i);
        if (KvSubject* subject = aspect->getSubjectPtr()) {
            delete subject;
            *aspect = static_cast<KvSubject*>(nullptr);
        }
    }
}

bool KxVerbTextIs(const KvVerb& verb, const char* text) {
    return verb.getVerb() != nullptr && text != nullptr && strcasecmp(verb.getVerb(), text) == 0;
}

// ---- mode names ------------------------------------------------------------------------------------
KxString mapLockModeToKxString(unsigned short mode, KxString& out) {
    const char* name = "invalid";
    switch (mode) {
    case KxLK_NONE: name = "KxLK_NONE"; break;
    case KxLK_READvDELETE: name = "KxLK_READvDELETE"; break;
    case KxLK_READvWRITE: name = "KxLK_READvWRITE"; break;
    case KxLK_WRITEvWRITE: name = "KxLK_WRITEvWRITE"; break;
    case KxLK_TRANSACT_WRITE: name = "KxLK_TRANSACT_WRITE"; break;
    case KxLK_DELETEvWRITE: name = "KxLK_DELETEvWRITE"; break;
    case KxLK_TRANSACT_DELETE: name = "KxLK_TRANSACT_DELETE"; break;
    case KxLK_DELETEvREAD: name = "KxLK_DELETEvREAD"; break;
    case KxLK_EXCLUSIVE: name = "KxLK_EXCLUSIVE"; break;
    default: break;
    }
    out = name;
    return out;
}

KxString mapLockTypeToKxString(char type, KxString& out) {
    out = type == KxLK_NONPERS ? "KxLK_NONPERS" : type == KxLK_PERS ? "KxLK_PERS" : "invalid";
    return out;
}

KxString mapDepthModeToKxString(KxDepthMode depth, KxString& out) {
    static const char* const names[] = {"KxFLAT", "KxSHALLOW", "KxNO_ONDEMAND", "KxDEEP"};
    out = depth >= KxFLAT && depth <= KxDEEP ? names[depth] : "invalid";
    return out;
}

KxString mapWatchModeToKxString(unsigned short mode, KxString& out) {
    if (mode == KxWATCH_NONE) {
        out = "KxWATCH_NONE";
        return out;
    }
    std::string text;
    auto add = [&text](const char* name) { text += (text.empty() ? "" : " | ") + std::string(name); };
    if (mode & KxWATCH_STORE) add("KxWATCH_STORE");
    if ((mode & KxWATCH_STORE) && (mode & KxWATCH_UPDATE)) add("KxWATCH_UPDATE");
    if (mode & KxWATCH_DELETE) add("KxWATCH_DELETE");
    if (mode & KxWATCH_INSERT) add("KxWATCH_INSERT");
    if (mode & KxWATCH_LOCK) add("KxWATCH_LOCK");
    if (mode & KxWATCH_UNLOCK) add("KxWATCH_UNLOCK");
    out = text.empty() ? "invalid" : text.c_str();
    return out;
}

// ---- KxLockInfoSubject -----------------------------------------------------------------------------
struct KxLockInfoSubject::Block {
    KxObject* object = nullptr;
    KvVerb unlock{"unlock", "Unlock", "Removes lock from object.", 1};
    KvVerb* verbs[2] = {&unlock, nullptr};
    long count = 0;
};

KxLockInfoSubject::KxLockInfoSubject(KxObject* object) : block_(new Block) {
    block_->object = object;
    if (object != nullptr) {
        object->Remember();
        block_->count = long(CountEntries(object, true));
    }
    createAspectSet();
}

KxLockInfoSubject::~KxLockInfoSubject() {
    KxDestroyAspectSubjects(aspects_);
    if (block_->object != nullptr) block_->object->Forget(KX_SPEC_DEFAULT, KX_SPEC_DEFAULT);
    delete block_;
}

void KxLockInfoSubject::createAspectSet() { Rebuild(aspects_, kLockAspects); }

KvSubject* KxLockInfoSubject::clone() { return new KxLockInfoSubject(block_->object); }

KxErrorCode KxLockInfoSubject::validate(KvAspectSet& set, long hint, const KvVerb& verb) {
    return KvSubject::validate(set, hint, verb);
}

KxErrorCode KxLockInfoSubject::update(KvAspectSet&, long hint, const KvVerb& verb) {
    KxErrorCode result;
    if (KxVerbTextIs(verb, "unlock")) result = removeLock(hint);
    if (!result) {
        if (block_->object != nullptr) block_->count = long(CountEntries(block_->object, true));
        changed(hint, verb);
    }
    return result;
}

void KxLockInfoSubject::getValue(KvAspectSet& set, long index) {
    KxObject* object = block_->object;
    if (object == nullptr) return;
    KxObjStateObjectInfo info;
    object->GetObjectInfo(info);
    const KxObjStateLockEntry* entry = info.GetLockList().GetLockEntry(index);
    if (entry == nullptr) {
        diag << "KxLockInfoSubject: no lock entry found at pos <" << index << "> for object <"
             << static_cast<void*>(object) << ">" << endl;
        return;
    }
    KxString text;
    if (KvAspect* a = Find(set, "OID")) *a = KvSurrogate(index);
    if (KvAspect* a = Find(set, "Client Id")) *a = static_cast<unsigned long long>(entry->clientId);
    if (KvAspect* a = Find(set, "Client Name")) *a = entry->clientName;
    if (KvAspect* a = Find(set, "Lock Mode")) *a = mapLockModeToKxString(entry->mode, text);
    if (KvAspect* a = Find(set, "Depth Mode")) *a = mapDepthModeToKxString(entry->depth, text);
    if (KvAspect* a = Find(set, "Lock Type")) *a = mapLockTypeToKxString(entry->type, text);
    if (KvAspect* a = Find(set, "Lock Count")) *a = static_cast<unsigned int>(entry->count);
    if (KvAspect* a = Find(set, "User Id")) *a = static_cast<short>(entry->userId);
    if (KvAspect* a = Find(set, "User Name")) *a = entry->userName;
}

KvAspectSet* KxLockInfoSubject::gimmeYourAspects() { return &aspects_; }
KvAspectId KxLockInfoSubject::getSurrogateAspectId() { return KvAspectId("OID"); }
long KxLockInfoSubject::getObjectsCount() { return block_->object != nullptr ? block_->count : 0; }
void KxLockInfoSubject::handleEvent(KvAspectSet& set, KvView* from, const KvVerb& verb) {
    KvSubject::handleEvent(set, from, verb);
}
KvVerb** KxLockInfoSubject::gimmeYourVerbs() const { return block_->verbs; }
KxObject* KxLockInfoSubject::object() const { return block_->object; }

KxErrorCode KxLockInfoSubject::removeLock(long index) {
    KxErrorCode result(KxErrFatal, "No object available, nothing removed.");
    KxObject* object = block_->object;
    if (object == nullptr) return result;
    KxObjStateObjectInfo info;
    object->GetObjectInfo(info);
    const KxObjStateLockEntry* entry = info.GetLockList().GetLockEntry(index);
    if (entry == nullptr) return result;
    // The entry's own type: a persistent lock is given back as one.
    const KxLockSpec spec(entry->mode, entry->depth, entry->type);
    return KxKernelResult(object->Unlock(spec, KX_SPEC_DEFAULT));
}

// ---- KxWatchInfoSubject ----------------------------------------------------------------------------
struct KxWatchInfoSubject::Block {
    KxObject* object = nullptr;
    KvVerb unwatch{"unwatch", "Unset Watch", "Removes watch from object.", 1};
    KvVerb* verbs[2] = {&unwatch, nullptr};
    long count = 0;
    KxMethodRef* method = nullptr;
};

KxWatchInfoSubject::KxWatchInfoSubject(KxObject* object, KxMethodRef* method) : block_(new Block) {
    block_->object = object;
    block_->method = method;
    if (object != nullptr) {
        object->Remember();
        block_->count = long(CountEntries(object, false));
    }
    createAspectSet();
}

KxWatchInfoSubject::~KxWatchInfoSubject() {
    KxDestroyAspectSubjects(aspects_);
    if (block_->object != nullptr) block_->object->Forget(KX_SPEC_DEFAULT, KX_SPEC_DEFAULT);
    delete block_;
}

void KxWatchInfoSubject::createAspectSet() { Rebuild(aspects_, kWatchAspects); }

KvSubject* KxWatchInfoSubject::clone() { return new KxWatchInfoSubject(block_->object, block_->method); }

KxErrorCode KxWatchInfoSubject::validate(KvAspectSet& set, long hint, const KvVerb& verb) {
    return KvSubject::validate(set, hint, verb);
}

KxErrorCode KxWatchInfoSubject::update(KvAspectSet&, long hint, const KvVerb& verb) {
    KxErrorCode result;
    if (KxVerbTextIs(verb, "unwatch")) result = removeWatch(hint);
    if (!result) {
        if (block_->object != nullptr) block_->count = long(CountEntries(block_->object, false));
        changed(hint, verb);
    }
    return result;
}

void KxWatchInfoSubject::getValue(KvAspectSet& set, long index) {
    KxObject* object = block_->object;
    if (object == nullptr) return;
    KxObjStateObjectInfo info;
    object->GetObjectInfo(info);
    const KxObjStateWatchEntry* entry = info.GetWatchList().GetWatchEntry(index);
    if (entry == nullptr) {
        diag << "KxWatchInfoSubject: no Watch entry found at pos <" << index << "> for object <"
             << static_cast<void*>(object) << ">" << endl;
        return;
    }
    KxString text;
    if (KvAspect* a = Find(set, "OID")) *a = KvSurrogate(index);
    if (KvAspect* a = Find(set, "Client Id")) *a = static_cast<unsigned long long>(entry->clientId);
    if (KvAspect* a = Find(set, "Client Name")) *a = entry->clientName;
    if (KvAspect* a = Find(set, "Watch Mode")) *a = mapWatchModeToKxString(entry->mode, text);
    if (KvAspect* a = Find(set, "Depth Mode")) *a = mapDepthModeToKxString(entry->depth, text);
    if (KvAspect* a = Find(set, "Origin Id")) *a = entry->origin;
    if (KvAspect* a = Find(set, "Watched Object")) {
        KxObject* watched = nullptr;
        // A watched object that cannot be read leaves the aspect as it was.
        if (entry->object.Get(watched, KX_SPEC_DEFAULT, KX_SPEC_DEFAULT) == 0 && watched != nullptr) {
            *a = KvSurrogate(KvKelvoxObjectId(watched->GetRef(), object->GetBase()));
            entry->object.Unget(watched);
        }
    }
    if (KvAspect* a = Find(set, "Watch Count")) *a = static_cast<unsigned int>(entry->count);
}

KvAspectSet* KxWatchInfoSubject::gimmeYourAspects() { return &aspects_; }
KvAspectId KxWatchInfoSubject::getSurrogateAspectId() { return KvAspectId("OID"); }
long KxWatchInfoSubject::getObjectsCount() { return block_->object != nullptr ? block_->count : 0; }
void KxWatchInfoSubject::handleEvent(KvAspectSet& set, KvView* from, const KvVerb& verb) {
    KvSubject::handleEvent(set, from, verb);
}
KvVerb** KxWatchInfoSubject::gimmeYourVerbs() const { return block_->verbs; }
KxObject* KxWatchInfoSubject::object() const { return block_->object; }

KxErrorCode KxWatchInfoSubject::removeWatch(long index) {
    KxErrorCode result(KxErrFatal, "No object available, nothing removed.");
    KxObject* object = block_->object;
    if (object == nullptr) return result;
    KxObjStateObjectInfo info;
    object->GetObjectInfo(info);
    const KxObjStateWatchEntry* entry = info.GetWatchList().GetWatchEntry(index);
    if (entry == nullptr) return result;
    KxWatchSpec spec(entry->mode, entry->depth);
    if (block_->method != nullptr) spec = *block_->method;
    return KxKernelResult(object->UnsetWatch(spec));
}
