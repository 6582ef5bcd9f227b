#include "KxMgr.h"

#include <new>
#include <vector>

#include "KxBucket.h"

struct KxMgr::Impl {
    struct Slot {
        KxClassId id;
        KxBucket* bucket;
    };
    std::vector<Slot> slots;   // in order of registration
    int32_t capacity = 0;
};

KxMgr::KxMgr() : impl_(std::make_unique<Impl>()) {}
KxMgr::~KxMgr() { CloseBuckets(); }

int32_t KxMgr::Init(int32_t capacity, int32_t /*flags*/) {
    impl_->capacity = capacity > 0 ? capacity : 0;
    try {
        impl_->slots.reserve(static_cast<size_t>(impl_->capacity));
    } catch (const std::exception&) {
        // Room is made on demand instead.
    }
    return KX_KERNEL_OK;
}

int32_t KxMgr::RegisterBucket(const KxClassId& classId, KxBucket* bucket) {
    if (bucket == nullptr) return KX_KERNEL_E_INVALID;
    for (Impl::Slot& s : impl_->slots) {
        if (s.id == classId) {
            if (s.bucket != bucket) delete s.bucket;
            s.bucket = bucket;
            return KX_KERNEL_OK;
        }
    }
    try {
        impl_->slots.push_back(Impl::Slot{classId, bucket});
    } catch (const std::bad_alloc&) {
        return KX_KERNEL_E_NO_MEMORY;
    }
    return KX_KERNEL_OK;
}

int32_t KxMgr::GetBucket(const KxClassId& classId, KxBucket*& bucket, int32_t anyVersion) const {
    for (const Impl::Slot& s : impl_->slots) {
        if (s.id == classId) {
            bucket = s.bucket;
            return KX_KERNEL_OK;
        }
    }
    if (anyVersion == 1) {
        for (const Impl::Slot& s : impl_->slots) {
            if (s.id.GetClassNumber() == classId.GetClassNumber()) {
                bucket = s.bucket;
                return KX_KERNEL_OK;
            }
        }
    }
    bucket = nullptr;
    return KX_KERNEL_E_NOT_FOUND;
}

int32_t KxMgr::CloseBuckets() {
    std::vector<Impl::Slot> slots;
    slots.swap(impl_->slots);
    for (Impl::Slot& s : slots) delete s.bucket;
    return KX_KERNEL_OK;
}

uint32_t KxMgr::GetCount() const { return static_cast<uint32_t>(impl_->slots.size()); }
int32_t KxMgr::GetCapacity() const { return impl_->capacity; }
