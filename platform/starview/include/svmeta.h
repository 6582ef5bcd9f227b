// Meta files (recorded drawing) with just the members the workbench libraries export.
#pragma once

#include <cstdint>

#include "svlink.h"

// One recorded action, shared by reference count: Duplicate adds a reference, Delete drops one
// and deletes the action with the last.
class MetaAction {
public:
    explicit MetaAction(uint16_t type = 0);
    MetaAction(const MetaAction& other);
    MetaAction& operator=(const MetaAction& other);
    virtual ~MetaAction();

    uint16_t GetType() const;
    void Duplicate();
    void Delete();

private:
    uint16_t type_;
    uint32_t refCount_;
};

class MetaFile {
public:
    MetaFile();
    const Link& GetHookHdl() const;
    void SetHookHdl(const Link& handler);
    bool IsRecord() const;
    bool IsPause() const;

private:
    Link hook_;
    bool record_ = false, pause_ = false;
};
