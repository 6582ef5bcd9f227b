#include "svmeta.h"

MetaAction::MetaAction(uint16_t type) : type_(type), refCount_(1) {}
MetaAction::MetaAction(const MetaAction& other) : type_(other.type_), refCount_(1) {}
MetaAction& MetaAction::operator=(const MetaAction& other) {
    type_ = other.type_;  // the reference count stays the object's own
    return *this;
}
MetaAction::~MetaAction() = default;
uint16_t MetaAction::GetType() const { return type_; }
void MetaAction::Duplicate() { ++refCount_; }
void MetaAction::Delete() {
    if (--refCount_ == 0) delete this;
}

MetaFile::MetaFile() = default;
const Link& MetaFile::GetHookHdl() const { return hook_; }
void MetaFile::SetHookHdl(const Link& handler) { hook_ = handler; }
bool MetaFile::IsRecord() const { return record_; }
bool MetaFile::IsPause() const { return pause_; }
