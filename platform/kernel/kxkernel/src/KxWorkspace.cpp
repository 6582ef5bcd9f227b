#include "KxWorkspace.h"

#include "KxObject.h"

KxWorkspace::KxWorkspace(KxBase* parent, const KxString& logicalName) : KxBase(logicalName), parent_(parent) {}

KxWorkspace::~KxWorkspace() = default;

int32_t KxWorkspace::Open(const KxString& name, int32_t mode, int32_t, int32_t) {
    if (name.IsEmpty() || mode != 2) return KX_KERNEL_E_INVALID;
    if (IsOpen()) return KX_KERNEL_E_STATE;
    SetLogicalName(name);
    return KxBase::Open(0);
}

int32_t KxWorkspace::BeginCheckOut() { return BeginTransaction(); }
int32_t KxWorkspace::CommitCheckOut() { return CommitTransaction(); }
int32_t KxWorkspace::AbortCheckOut() { return AbortTransaction(); }
int32_t KxWorkspace::UpdateSource(int32_t) { return KX_KERNEL_E_NOT_SUPPORTED; }
int32_t KxWorkspace::CheckIn() { return KX_KERNEL_E_NOT_SUPPORTED; }

int32_t KxOnDemand::CheckOut(KxWorkspace*, int32_t, uint16_t) { return KX_KERNEL_E_NOT_SUPPORTED; }
