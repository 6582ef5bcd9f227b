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
