// The subject of one persistent object's information.
#include "KxObjectAspectSubject.h"

#include "KxBrowserKernel.h"

KxObjectAspectSubject::KxObjectAspectSubject(KxObject* object) : object_(KxHoldObject(object)) {}

KxObjectAspectSubject::~KxObjectAspectSubject() { KxReleaseObject(aspects_, object_); }

KxErrorCode KxObjectAspectSubject::validate(KvAspectSet& set, long hint, const KvVerb& verb) {
    return KvSubject::validate(set, hint, verb);
}
KvAspectSet* KxObjectAspectSubject::gimmeYourAspects() { return &aspects_; }
KvAspectId KxObjectAspectSubject::getSurrogateAspectId() { return KvAspectId("OID"); }
void KxObjectAspectSubject::handleEvent(KvAspectSet& set, KvView* from, const KvVerb& verb) {
    KvSubject::handleEvent(set, from, verb);
}
KxObject* KxObjectAspectSubject::object() const { return object_; }
