#include "KxList.h"

#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>

// ---- KxCList ------------------------------------------------------------------------------

KxCList::KxCList(uint32_t growStep) : grow_(growStep ? growStep : 1) {}
KxCList::KxCList(const KxCList& other) = default;
KxCList& KxCList::operator=(const KxCList& other) = default;
KxCList::KxCList(KxCList&& other) noexcept : items_(std::move(other.items_)), grow_(other.grow_) {
    other.items_.clear();
}
KxCList& KxCList::operator=(KxCList&& other) noexcept {
    items_ = std::move(other.items_);
    grow_ = other.grow_;
    other.items_.clear();
    return *this;
}
KxCList::~KxCList() = default;

void KxCList::Reserve() {
    if (items_.size() == items_.capacity()) items_.reserve(items_.capacity() + grow_);
}

uint32_t KxCList::Count() const { return static_cast<uint32_t>(items_.size()); }

int32_t KxCList::Append(void* p) { return Insert(Count(), p); }

int32_t KxCList::Insert(uint32_t index, void* p) {
    if (index > items_.size()) return KX_FOUND_E_END_OF_LIST;
    try {
        Reserve();
        items_.insert(items_.begin() + index, p);
    } catch (const std::bad_alloc&) {
        return KX_FOUND_E_NO_MEMORY;
    }
    return KX_FOUND_OK;
}

void* KxCList::Get(uint32_t index) const { return index < items_.size() ? items_[index] : nullptr; }

int32_t KxCList::Get(uint32_t index, void*& out) const {
    if (index >= items_.size()) return KX_FOUND_E_END_OF_LIST;
    out = items_[index];
    return KX_FOUND_OK;
}

int32_t KxCList::Set(uint32_t index, void* p) {
    if (index >= items_.size()) return KX_FOUND_E_END_OF_LIST;
    items_[index] = p;
    return KX_FOUND_OK;
}

int32_t KxCList::Delete(uint32_t index) {
    if (index >= items_.size()) return KX_FOUND_E_END_OF_LIST;
    items_.erase(items_.begin() + index);
    return KX_FOUND_OK;
}

int32_t KxCList::Remove(const void* p) {
    const int32_t i = Find(p);
    return i < 0 ? KX_FOUND_E_END_OF_LIST : Delete(static_cast<uint32_t>(i));
}

int32_t KxCList::Find(const void* p) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i] == p) return static_cast<int32_t>(i);
    return -1;
}

void KxCList::Clear() { items_.clear(); }

// ---- KxLList ------------------------------------------------------------------------------

KxLList::KxLList(uint32_t elementSize, uint32_t growStep)
    : size_(elementSize ? elementSize : 1), grow_(growStep ? growStep : 1) {}
KxLList::KxLList(const KxLList& other) = default;
KxLList& KxLList::operator=(const KxLList& other) = default;
KxLList::KxLList(KxLList&& other) noexcept
    : data_(std::move(other.data_)), size_(other.size_), grow_(other.grow_), count_(other.count_) {
    other.count_ = 0;
}
KxLList& KxLList::operator=(KxLList&& other) noexcept {
    data_ = std::move(other.data_);
    size_ = other.size_;
    grow_ = other.grow_;
    count_ = other.count_;
    other.data_.clear();
    other.count_ = 0;
    return *this;
}
KxLList::~KxLList() = default;

uint32_t KxLList::ElementSize() const { return size_; }
uint32_t KxLList::Count() const { return count_; }

int32_t KxLList::Reserve() {
    const size_t needed = (static_cast<size_t>(count_) + 1) * size_;
    try {
        if (data_.capacity() < needed) data_.reserve(data_.capacity() + static_cast<size_t>(grow_) * size_);
        data_.resize(needed);
    } catch (const std::bad_alloc&) {
        return KX_FOUND_E_NO_MEMORY;
    } catch (const std::length_error&) {
        return KX_FOUND_E_NO_MEMORY;
    }
    return KX_FOUND_OK;
}

int32_t KxLList::Append(const void* element) { return Insert(count_, element); }

int32_t KxLList::Insert(uint32_t index, const void* element) {
    if (!element) return KX_FOUND_E_INVALID;
    if (index > count_) return KX_FOUND_E_END_OF_LIST;
    if (count_ == UINT32_MAX) return KX_FOUND_E_NO_MEMORY;
    // The element may lie inside this list: copy it before the storage moves.
    std::vector<uint8_t> copy;
    const uint8_t* src = static_cast<const uint8_t*>(element);
    if (!data_.empty() && src >= data_.data() && src < data_.data() + data_.size()) {
        try {
            copy.assign(src, src + size_);
        } catch (const std::bad_alloc&) {
            return KX_FOUND_E_NO_MEMORY;
        }
        src = copy.data();
    }
    if (int32_t rc = Reserve()) return rc;
    uint8_t* base = data_.data();
    std::memmove(base + (static_cast<size_t>(index) + 1) * size_, base + static_cast<size_t>(index) * size_,
                 static_cast<size_t>(count_ - index) * size_);
    std::memcpy(base + static_cast<size_t>(index) * size_, src, size_);
    ++count_;
    return KX_FOUND_OK;
}

int32_t KxLList::Get(uint32_t index, void* out) const {
    if (!out) return KX_FOUND_E_INVALID;
    if (index >= count_) return KX_FOUND_E_END_OF_LIST;
    std::memcpy(out, data_.data() + static_cast<size_t>(index) * size_, size_);
    return KX_FOUND_OK;
}

int32_t KxLList::Set(uint32_t index, const void* element) {
    if (!element) return KX_FOUND_E_INVALID;
    if (index >= count_) return KX_FOUND_E_END_OF_LIST;
    std::memmove(data_.data() + static_cast<size_t>(index) * size_, element, size_);
    return KX_FOUND_OK;
}

int32_t KxLList::Delete(uint32_t index) {
    if (index >= count_) return KX_FOUND_E_END_OF_LIST;
    uint8_t* base = data_.data();
    std::memmove(base + static_cast<size_t>(index) * size_, base + (static_cast<size_t>(index) + 1) * size_,
                 static_cast<size_t>(count_ - index - 1) * size_);
    --count_;
    data_.resize(static_cast<size_t>(count_) * size_);
    return KX_FOUND_OK;
}

void KxLList::Clear() {
    data_.clear();
    count_ = 0;
}

void* KxLList::At(uint32_t index) {
    return index < count_ ? data_.data() + static_cast<size_t>(index) * size_ : nullptr;
}

const void* KxLList::At(uint32_t index) const {
    return index < count_ ? data_.data() + static_cast<size_t>(index) * size_ : nullptr;
}

// ---- KxVArray -----------------------------------------------------------------------------

KxVArray::KxVArray(uint32_t elementSize, KxCompareFunc compare, uint32_t growStep)
    : KxLList(elementSize, growStep), compare_(compare) {}

int32_t KxVArray::Compare(const void* a, const void* b) const {
    if (compare_) return compare_(a, b);
    return std::memcmp(a, b, ElementSize());
}

void KxVArray::SetCompare(KxCompareFunc compare) { compare_ = compare; }

uint32_t KxVArray::LowerBound(const void* key) const {
    uint32_t lo = 0, hi = Count();
    while (lo < hi) {
        const uint32_t mid = lo + (hi - lo) / 2;
        if (Compare(key, At(mid)) > 0) lo = mid + 1;
        else hi = mid;
    }
    return lo;
}

uint32_t KxVArray::UpperBound(const void* key) const {
    uint32_t lo = 0, hi = Count();
    while (lo < hi) {
        const uint32_t mid = lo + (hi - lo) / 2;
        if (Compare(key, At(mid)) >= 0) lo = mid + 1;
        else hi = mid;
    }
    return lo;
}

int32_t KxVArray::SortedInsert(const void* element, uint32_t* index) {
    if (!element) return KX_FOUND_E_INVALID;
    const uint32_t at = UpperBound(element);
    if (int32_t rc = Insert(at, element)) return rc;
    if (index) *index = at;
    return KX_FOUND_OK;
}

int32_t KxVArray::Search(const void* key, uint32_t* index) const {
    if (!key) return KX_FOUND_E_INVALID;
    const uint32_t at = LowerBound(key);
    if (index) *index = at;
    return (at < Count() && Compare(key, At(at)) == 0) ? KX_FOUND_OK : KX_FOUND_E_END_OF_LIST;
}

// ---- SortList -----------------------------------------------------------------------------

SortList::SortList(uint32_t elementSize, KxCompareFunc compare, uint32_t growStep)
    : KxVArray(elementSize, compare, growStep) {}

int32_t SortList::Insert(const void* element, uint32_t* index) { return SortedInsert(element, index); }
