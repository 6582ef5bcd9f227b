// Lock and watch requests (mode and depth) chosen by the user.
#include "KxSpecSubjects.h"

#include "KxBrowserKernel.h"
#include "KxBrowserStatics.h"

namespace {

void Rebuild(KvAspectSet& set, const char* modeName) {
    KxDestroyAspectSubjects(set);
    set.deleteAspects();
    for (const char* name : {modeName, "Depth Mode"}) {
        auto* aspect = new KvAspect(KvAspectId(name));
        aspect->setTypeTag(name);
        aspect->setTitle(name);
        set.add(aspect);
    }
}

bool AcceptedDepth(int depth) { return depth >= KxFLAT && depth <= KxDEEP; }

}  // namespace

// ---- KxLockSpecSubject -----------------------------------------------------------------------------
KxLockSpecSubject::KxLockSpecSubject() : spec_(new KxLockSpec) {
    spec_->SetMode(KxLK_READvDELETE);
    createAspectSet();
}

KxLockSpecSubject::KxLockSpecSubject(KxLockSpec& spec) : spec_(new KxLockSpec(spec)) { createAspectSet(); }

KxLockSpecSubject::~KxLockSpecSubject() {
    KxDestroyAspectSubjects(aspects_);
    delete spec_;
}

void KxLockSpecSubject::createAspectSet() { Rebuild(aspects_, "Lock Mode"); }

bool KxLockSpecSubject::isAcceptedMode(int mode) {
    switch (mode) {
    case KxLK_NONE:
    case KxLK_READvDELETE:
    case KxLK_READvWRITE:
    case KxLK_WRITEvWRITE:
    case KxLK_DELETEvWRITE:
    case KxLK_DELETEvREAD:
    case KxLK_EXCLUSIVE:
        return true;
    default:
        return false;
    }
}

KvSubject* KxLockSpecSubject::clone() { return new KxLockSpecSubject(*spec_); }

KxErrorCode KxLockSpecSubject::validate(KvAspectSet& set, long hint, const KvVerb& verb) {
    KxErrorCode result;
    if (const KvAspect* mode = set.getAspect(KvAspectId("Lock Mode")); mode != nullptr && !isAcceptedMode(mode->getInt()))
        return KxBrowserErrors::InvalidLockMode;
    if (const KvAspect* depth = set.getAspect(KvAspectId("Depth Mode")); depth != nullptr && !AcceptedDepth(depth->getInt()))
        result = KxBrowserErrors::InvalidDepthMode;
    if (!result) changed(hint, verb);
    return result;
}

KxErrorCode KxLockSpecSubject::update(KvAspectSet& set, long hint, const KvVerb& verb) {
    if (const KvAspect* mode = set.getAspect(KvAspectId("Lock Mode"))) {
        if (!isAcceptedMode(mode->getInt())) return KxBrowserErrors::InvalidLockMode;
        spec_->SetMode(static_cast<uint16_t>(mode->getInt()));
    }
    if (const KvAspect* depth = set.getAspect(KvAspectId("Depth Mode"))) {
        if (!AcceptedDepth(depth->getInt())) return KxBrowserErrors::InvalidDepthMode;
        spec_->SetDepth(static_cast<KxDepthMode>(depth->getInt()));
    }
    changed(hint, verb);
    return KxErrorCode();
}

void KxLockSpecSubject::getValue(KvAspectSet& set, long) {
    if (KvAspect* mode = set.getAspect(KvAspectId("Lock Mode"))) *mode = static_cast<unsigned short>(spec_->GetMode());
    if (KvAspect* depth = set.getAspect(KvAspectId("Depth Mode"))) *depth = static_cast<int>(spec_->GetDepth());
}

KvAspectSet* KxLockSpecSubject::gimmeYourAspects() { return &aspects_; }
long KxLockSpecSubject::getObjectsCount() { return 1; }
void KxLockSpecSubject::handleEvent(KvAspectSet& set, KvView* from, const KvVerb& verb) {
    KvSubject::handleEvent(set, from, verb);
}
KxLockSpec& KxLockSpecSubject::getLockSpec() { return *spec_; }

// ---- KxWatchSpecSubject ----------------------------------------------------------------------------
KxWatchSpecSubject::KxWatchSpecSubject() : spec_(new KxWatchSpec) { createAspectSet(); }

KxWatchSpecSubject::KxWatchSpecSubject(KxWatchSpec& spec) : spec_(new KxWatchSpec(spec)) { createAspectSet(); }

KxWatchSpecSubject::~KxWatchSpecSubject() {
    KxDestroyAspectSubjects(aspects_);
    delete spec_;
}

void KxWatchSpecSubject::createAspectSet() { Rebuild(aspects_, "Watch Mode"); }

bool KxWatchSpecSubject::isAcceptedMode(unsigned short mode) { return mode == 0 || (mode & KxWATCH_ALL) != 0; }

KvSubject* KxWatchSpecSubject::clone() { return new KxWatchSpecSubject(*spec_); }

KxErrorCode KxWatchSpecSubject::validate(KvAspectSet& set, long hint, const KvVerb& verb) {
    KxErrorCode result;
    if (const KvAspect* mode = set.getAspect(KvAspectId("Watch Mode"));
        mode != nullptr && !isAcceptedMode(mode->getUnsignedShort()))
        return KxBrowserErrors::InvalidWatchMode;
    if (const KvAspect* depth = set.getAspect(KvAspectId("Depth Mode")); depth != nullptr && !AcceptedDepth(depth->getInt()))
        result = KxBrowserErrors::InvalidDepthMode;
    if (!result) changed(hint, verb);
    return result;
}

KxErrorCode KxWatchSpecSubject::update(KvAspectSet& set, long hint, const KvVerb& verb) {
    if (const KvAspect* mode = set.getAspect(KvAspectId("Watch Mode"))) {
        if (!isAcceptedMode(mode->getUnsignedShort())) return KxBrowserErrors::InvalidWatchMode;
        spec_->SetMode(mode->getUnsignedShort());
    }
    if (const KvAspect* depth = set.getAspect(KvAspectId("Depth Mode"))) {
        if (!AcceptedDepth(depth->getInt())) return KxBrowserErrors::InvalidDepthMode;
        spec_->SetDepth(static_cast<KxDepthMode>(depth->getInt()));
    }
    changed(hint, verb);
    return KxErrorCode();
}

void KxWatchSpecSubject::getValue(KvAspectSet& set, long) {
    if (KvAspect* mode = set.getAspect(KvAspectId("Watch Mode"))) *mode = static_cast<unsigned short>(spec_->GetMode());
    if (KvAspect* depth = set.getAspect(KvAspectId("Depth Mode"))) *depth = static_cast<int>(spec_->GetDepth());
}

KvAspectSet* KxWatchSpecSubject::gimmeYourAspects() { return &aspects_; }
long KxWatchSpecSubject::getObjectsCount() { return 1; }
void KxWatchSpecSubject::handleEvent(KvAspectSet& set, KvView* from, const KvVerb& verb) {
    KvSubject::handleEvent(set, from, verb);
}
KxWatchSpec& KxWatchSpecSubject::getWatchSpec() { return *spec_; }
