// Kernel steps that several subjects share: an object found by its id, a child subject given to an
// aspect (the one it held goes), the kernel's status as an error code.
#pragma once

#include "KxErrorCode.h"
#include "KxObjId.h"

class KvAspect;
class KvSubject;
class KxBase;
class KxObject;

// The object of an id in a base, held for the caller; null when there is none.
KxObject* KxFindObject(KxBase* base, const KxObjId& id);
// The aspect holds the subject from now on; the subject it held before is destroyed.
void KxGiveSubject(KvAspect* aspect, KvSubject* subject);
// 0 success, negative fatal, positive warning, each with the kernel's number.
KxErrorCode KxKernelResult(int32_t result);
