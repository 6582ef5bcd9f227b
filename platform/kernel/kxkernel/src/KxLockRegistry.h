// The kernel's record of object locks, watches and persistent properties (private to the kernel
// library): what KxObject::GetObjectInfo reports and the persistent property queries find.
#pragma once

class KxBase;

namespace kxk {

// The base's outermost transaction level ended: its locks that end with the transaction go.
void LocksTransactionEnded(KxBase* base);
// The base closes: its transaction locks and watches go; its persistent locks stay, without client.
void LocksBaseClosed(KxBase* base);

// The kernel stops: every record goes (the persistent properties are kept for the kernel's run).
void LocksKernelStopped();

}  // namespace kxk
