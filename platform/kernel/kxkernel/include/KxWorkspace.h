// KxWorkspace: a database that holds objects checked out of a parent database. It is a base of its
// own (KxBase) that knows its parent.
#pragma once

#include "KxBase.h"

class KxWorkspace : public KxBase {
public:
    // A workspace of the parent database (null: none), named by the logical name.
    explicit KxWorkspace(KxBase* parent, const KxString& logicalName = KxString());
    ~KxWorkspace() override;
    // The parent database; null when there is none.
    KxBase* GetParent() const { return parent_; }

private:
    KxBase* parent_;
};
