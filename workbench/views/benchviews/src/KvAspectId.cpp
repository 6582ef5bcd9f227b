#include "KvAspectId.h"

#include <cstring>

namespace {

char* CopyName(const char* name) {
    if (name == nullptr) return nullptr;
    const size_t n = std::strlen(name) + 1;
    char* copy = new char[n];
    std::memcpy(copy, name, n);
    return copy;
}

}  // namespace

KvAspectId::KvAspectId() : id_(unknownAspectId), idStr_(nullptr) {}

KvAspectId::KvAspectId(int id) : id_(id), idStr_(nullptr) {}

KvAspectId::KvAspectId(const char* name) : id_(unknownAspectId), idStr_(CopyName(name)) {}

KvAspectId::KvAspectId(int id, const char* name) : id_(id), idStr_(CopyName(name)) {}

KvAspectId::KvAspectId(const KvAspectId& other) : id_(other.id_), idStr_(CopyName(other.idStr_)) {}

KvAspectId::~KvAspectId() { delete[] idStr_; }

KvAspectId& KvAspectId::operator=(const KvAspectId& other) {
    if (this != &other) {
        char* copy = CopyName(other.idStr_);
        delete[] idStr_;
        idStr_ = copy;
        id_ = other.id_;
    }
    return *this;
}

bool KvAspectId::operator==(const KvAspectId& other) const {
    const bool byNumber = id_ != unknownAspectId && other.id_ != unknownAspectId && id_ == other.id_;
    if (idStr_ == nullptr || other.idStr_ == nullptr) return byNumber;
    return byNumber || std::strcmp(idStr_, other.idStr_) == 0;
}
