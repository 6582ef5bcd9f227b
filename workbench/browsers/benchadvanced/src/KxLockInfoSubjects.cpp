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

uint32_t CountEntries(KxObject* object, bool locks) {
    if (object == nullptr) return 0;
    KxObjStateObjectInfo info;
    object->GetObjectInfo(info);
    return locks ? info.GetLockCount() : info.GetWatchCount();
}

// Hands entry index of the object's state information (entryAt picks it) to use; false when there
// is no object or no such entry.
template <class EntryAt, class Use>
bool WithEntry(KxObject* object, long index, EntryAt entryAt, Use use) {
    if (object == nullptr) return false;
    KxObjStateObjectInfo info;
    object->GetObjectInfo(info);
    const auto* entry = entryAt(info, index);
    if (entry == nullptr) return false;
    use(*entry);
    return true;
}

const KxObjStateLockEntry* LockAt(KxObjStateObjectInfo& info, long index) {
    return info.GetLockList().GetLockEntry(index);
}
const KxObjStateWatchEntry* WatchAt(KxObjStateObjectInfo& info, long index) {
    return info.GetWatchList().GetWatchEntry(index);
}

// The aspects that lock and watch entries share.
template <class Entry>
void FillEntryAspects(KvAspectSet& set, long index, const Entry& entry) {
    KxString text;
    if (KvAspect* a = KxAspectNamed(set, "OID")) *a = KvSurrogate(index);
    if (KvAspect* a = KxAspectNamed(set, "Client Id")) *a = static_cast<unsigned long long>(entry.clientId);
    if (KvAspect* a = KxAspectNamed(set, "Client Name")) *a = entry.clientName;
    if (KvAspect* a = KxAspectNamed(set, "Depth Mode")) *a = mapDepthModeToKxString(entry.depth, text);
}

// An entry verb: the verb named runs remove; on success (and for any other verb) the entry count
// is read again. The caller tells the views on success.
template <class Remove>
KxErrorCode RunEntryVerb(const KvVerb& verb, const char* name, Remove remove, KxObject* object, bool locks,
                         long& count) {
    KxErrorCode result;
    if (KxVerbTextIs(verb, name)) result = remove();
    if (!result && object != nullptr) count = long(CountEntries(object, locks));
    return result;
}

}  // namespace

void KxBuildNamedAspects(KvAspectSet& set, const char* const* names, size_t count) {
    KxDestroyAspectSubjects(set);
    set.deleteAspects();
    for (size_t i = 0; i < count; ++i) {
        const char* name = names[i];
        auto* aspect = new KvAspect(KvAspectId(name));
        aspect->setTypeTag(std::strcmp(name, "OID") == 0 ? "KxObjId" : name);
        aspect->setTitle(name);
        set.add(aspect);
    }
}

KvAspect* KxAspectNamed(KvAspectSet& set, const char* id) { return set.getAspect(KvAspectId(id)); }

KxObject* KxHoldObject(KxObject* object) {
    if (object != nullptr) object->Remember();
    return object;
}

void KxReleaseObject(KvAspectSet& aspects, KxObject* object) {
    KxDestroyAspectSubjects(aspects);
    if (object != nullptr) object->Forget(KX_SPEC_DEFAULT, KX_SPEC_DEFAULT);
}

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
    KvVerb unlock{"unlock", "Unlock", "Removes lock from object.", 1};
    KvVerb* verbs[2] = {&unlock, nullptr};
    long count = 0;
};

KxLockInfoSubject::KxLockInfoSubject(KxObject* object)
    : KxObjectAspectSubject(object), block_(new Block) {
    block_->count = long(CountEntries(object, true));
    createAspectSet();
}

KxLockInfoSubject::~KxLockInfoSubject() { delete block_; }

void KxLockInfoSubject::createAspectSet() { KxBuildNamedAspects(aspects_, kLockAspects); }

KvSubject* KxLockInfoSubject::clone() { return new KxLockInfoSubject(object()); }

KxErrorCode KxLockInfoSubject::update(KvAspectSet&, long hint, const KvVerb& verb) {
    const KxErrorCode result =
        RunEntryVerb(verb, "unlock", [&] { return removeLock(hint); }, object(), true, block_->count);
    if (!result) changed(hint, verb);
    return result;
}

void KxLockInfoSubject::getValue(KvAspectSet& set, long index) {
    KxObject* object = this->object();
    if (object == nullptr) return;
    const bool found = WithEntry(object, index, LockAt, [&](const KxObjStateLockEntry& entry) {
        FillEntryAspects(set, index, entry);
        KxString text;
        if (KvAspect* a = KxAspectNamed(set, "Lock Mode")) *a = mapLockModeToKxString(entry.mode, text);
        if (KvAspect* a = KxAspectNamed(set, "Lock Type")) *a = mapLockTypeToKxString(entry.type, text);
        if (KvAspect* a = KxAspectNamed(set, "Lock Count")) *a = static_cast<unsigned int>(entry.count);
        if (KvAspect* a = KxAspectNamed(set, "User Id")) *a = static_cast<short>(entry.userId);
        if (KvAspect* a = KxAspectNamed(set, "User Name")) *a = entry.userName;
    });
    if (!found) {
        diag << "KxLockInfoSubject: no lock entry found at pos <" << index << "> for object <"
             << static_cast<void*>(object) << ">" << endl;
    }
}

long KxLockInfoSubject::getObjectsCount() { return object() != nullptr ? block_->count : 0; }
KvVerb** KxLockInfoSubject::gimmeYourVerbs() const { return block_->verbs; }

KxErrorCode KxLockInfoSubject::removeLock(long index) {
    KxErrorCode result(KxErrFatal, "No object available, nothing removed.");
    KxObject* object = this->object();
    WithEntry(object, index, LockAt, [&](const KxObjStateLockEntry& entry) {
        // The entry's own type: a persistent lock is given back as one.
        const KxLockSpec spec(entry.mode, entry.depth, entry.type);
        result = KxKernelResult(object->Unlock(spec, KX_SPEC_DEFAULT));
    });
    return result;
}

// ---- KxWatchInfoSubject ----------------------------------------------------------------------------
struct KxWatchInfoSubject::Block {
    KvVerb unwatch{"unwatch", "Unset Watch", "Removes watch from object.", 1};
    KvVerb* verbs[2] = {&unwatch, nullptr};
    long count = 0;
    KxMethodRef* method = nullptr;
};

KxWatchInfoSubject::KxWatchInfoSubject(KxObject* object, KxMethodRef* method)
    : KxObjectAspectSubject(object), block_(new Block) {
    block_->method = method;
    block_->count = long(CountEntries(object, false));
    createAspectSet();
}

KxWatchInfoSubject::~KxWatchInfoSubject() { delete block_; }

void KxWatchInfoSubject::createAspectSet() { KxBuildNamedAspects(aspects_, kWatchAspects); }

KvSubject* KxWatchInfoSubject::clone() { return new KxWatchInfoSubject(object(), block_->method); }

KxErrorCode KxWatchInfoSubject::update(KvAspectSet&, long hint, const KvVerb& verb) {
    const KxErrorCode result =
        RunEntryVerb(verb, "unwatch", [&] { return removeWatch(hint); }, object(), false, block_->count);
    if (!result) changed(hint, verb);
    return result;
}

void KxWatchInfoSubject::getValue(KvAspectSet& set, long index) {
    KxObject* object = this->object();
    if (object == nullptr) return;
    const bool found = WithEntry(object, index, WatchAt, [&](const KxObjStateWatchEntry& entry) {
        FillEntryAspects(set, index, entry);
        KxString text;
        if (KvAspect* a = KxAspectNamed(set, "Watch Mode")) *a = mapWatchModeToKxString(entry.mode, text);
        if (KvAspect* a = KxAspectNamed(set, "Origin Id")) *a = entry.origin;
        if (KvAspect* a = KxAspectNamed(set, "Watched Object")) {
            KxObject* watched = nullptr;
            // A watched object that cannot be read leaves the aspect as it was.
            if (entry.object.Get(watched, KX_SPEC_DEFAULT, KX_SPEC_DEFAULT) == 0 && watched != nullptr) {
                *a = KvSurrogate(KvKelvoxObjectId(watched->GetRef(), object->GetBase()));
                entry.object.Unget(watched);
            }
        }
        if (KvAspect* a = KxAspectNamed(set, "Watch Count")) *a = static_cast<unsigned int>(entry.count);
    });
    if (!found) {
        diag << "KxWatchInfoSubject: no Watch entry found at pos <" << index << "> for object <"
             << static_cast<void*>(object) << ">" << endl;
    }
}

long KxWatchInfoSubject::getObjectsCount() { return object() != nullptr ? block_->count : 0; }
KvVerb** KxWatchInfoSubject::gimmeYourVerbs() const { return block_->verbs; }

KxErrorCode KxWatchInfoSubject::removeWatch(long index) {
    KxErrorCode result(KxErrFatal, "No object available, nothing removed.");
    KxObject* object = this->object();
    WithEntry(object, index, WatchAt, [&](const KxObjStateWatchEntry& entry) {
        KxWatchSpec spec(entry.mode, entry.depth);
        if (block_->method != nullptr) spec = *block_->method;
        result = KxKernelResult(object->UnsetWatch(spec));
    });
    return result;
}
