// KxWorkspace: a workspace of a parent database, a database of the parent's storage into which
// objects of the parent are checked out and from which they are checked in.
//
// This kernel keeps the workspace's connection, open and close and its check-out transactions
// (BeginCheckOut, CommitCheckOut, AbortCheckOut are levels of the workspace's transaction). It does
// not copy objects between databases: checking an object out (KxOnDemand::CheckOut), checking the
// workspace in, updating from the source and discarding the workspace (KxBase::DiscardWorkspace)
// answer KX_KERNEL_E_NOT_SUPPORTED.
#pragma once

#include <cstdint>

#include "KxBase.h"
#include "KxSpecs.h"

class KxOnDemand;

class KxWorkspace : public KxBase {
public:
    // A workspace of the parent (not owned; it must outlive the workspace; null: none), named by the
    // logical name.
    explicit KxWorkspace(KxBase* parent, const KxString& logicalName = KxString());
    ~KxWorkspace() override;

    KxBase* GetParent() const { return parent_; }

    using KxBase::Open;
    // Opens the workspace database named name on the connected storage. mode 2 (read-write) is the
    // only mode; the last two arguments have no effect. KX_KERNEL_E_INVALID for an empty name or
    // another mode; else the open's status (see KxBase::Open).
    int32_t Open(const KxString& name, int32_t mode, int32_t reserved1, int32_t reserved2);
    // The name the workspace was opened with (the database's physical name here).
    const KxString& PhysicalName() const { return GetLogicalName(); }

    // A check-out is a transaction level of the workspace.
    int32_t BeginCheckOut();
    int32_t CommitCheckOut();
    int32_t AbortCheckOut();
    // Not supported here (see above).
    int32_t UpdateSource(int32_t lockMode);
    int32_t CheckIn();

private:
    KxBase* parent_;
};
