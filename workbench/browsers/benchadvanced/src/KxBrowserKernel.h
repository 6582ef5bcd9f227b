// Kernel steps that several subjects share: an object found by its id, a child subject given to an
// aspect (the one it held goes), the kernel's status as an error code.
#pragma once

#include <cstddef>

#include "KvVerb.h"
#include "KxErrorCode.h"
#include "KxObjId.h"

class KvAspect;
class KvAspectSet;
class KvSubject;
class KxBase;
class KxObject;

// The object of an id in a base, held for the caller; null when there is none (the root class's
// extent searched by a KxObjectFinder).
KxObject* KxFindObject(KxBase* base, const KxObjId& id);
// The aspect holds the subject from now on; the subject it held before is destroyed.
void KxGiveSubject(KvAspect* aspect, KvSubject* subject);
// Destroys the subjects that the set's aspects hold (their pointers become null).
void KxDestroyAspectSubjects(KvAspectSet& set);
// Rebuilds the set (destroying the subjects it held) with one aspect per name: id, type tag and
// title are the name, except that the type tag of "OID" is "KxObjId".
void KxBuildNamedAspects(KvAspectSet& set, const char* const* names, size_t count);
template <size_t N>
void KxBuildNamedAspects(KvAspectSet& set, const char* const (&names)[N]) {
    KxBuildNamedAspects(set, names, N);
}
// The set's aspect of the id; null when it has none.
KvAspect* KxAspectNamed(KvAspectSet& set, const char* id);
// A subject of one object holds it (Remember) and answers it; null stays null.
KxObject* KxHoldObject(KxObject* object);
// A subject of one object going: destroys the subjects its aspects hold and gives the object's hold
// back (none for null).
void KxReleaseObject(KvAspectSet& aspects, KxObject* object);
// True when the verb's text equals text without regard to case; a verb without text never does.
bool KxVerbTextIs(const KvVerb& verb, const char* text);
// 0 success, negative fatal, positive warning, each with the kernel's number.
KxErrorCode KxKernelResult(int32_t result);

// The eleven verbs of the type set ("edit" .. "clear"), which the container subjects share.
extern KvVerb KxTypeSetVerbTable[11];

// A null-terminated list of verbs, copied from a table once per subject state.
template <size_t N>
struct KxVerbList {
    explicit KxVerbList(const KvVerb (&table)[N]) {
        for (size_t i = 0; i < N; ++i) {
            verbs[i] = table[i];
            list[i] = &verbs[i];
        }
        list[N] = nullptr;
    }
    KvVerb verbs[N];
    KvVerb* list[N + 1];
};
