#include "KxParameter.h"

#include <limits>
#include <new>
#include <stdexcept>

#include "KernelText.h"

KxParameterSet::KxParameterSet(uint32_t initialSize) {
    try {
        pairs_.reserve(initialSize);
    } catch (const std::exception&) {
        // Room is made on demand instead.
    }
}

KxParameterSet::~KxParameterSet() = default;

int32_t KxParameterSet::Append(const KxString& name, const KxString& value, int32_t flags) {
    if (name.IsEmpty()) return KX_KERNEL_E_INVALID;
    try {
        pairs_.push_back(KxParameter{name, value, flags});
    } catch (const std::bad_alloc&) {
        return KX_KERNEL_E_NO_MEMORY;
    } catch (const std::length_error&) {
        return KX_KERNEL_E_NO_MEMORY;
    }
    return KX_KERNEL_OK;
}

uint32_t KxParameterSet::Count() const { return static_cast<uint32_t>(pairs_.size()); }
bool KxParameterSet::IsEmpty() const { return pairs_.empty(); }

const KxParameter* KxParameterSet::Get(uint32_t index) const {
    return index < pairs_.size() ? &pairs_[index] : nullptr;
}

int32_t KxParameterSet::Get(uint32_t index, KxString& name, KxString& value) const {
    const KxParameter* p = Get(index);
    if (p == nullptr) return KX_KERNEL_E_END_OF_LIST;
    name = p->name;
    value = p->value;
    return KX_KERNEL_OK;
}

const KxParameter* KxParameterSet::Find(const KxString& name) const {
    for (const KxParameter& p : pairs_)
        if (p.name == name) return &p;
    return nullptr;
}

int32_t KxParameterSet::GetValue(const KxString& name, KxString& value) const {
    const KxParameter* p = Find(name);
    if (p == nullptr) return KX_KERNEL_E_NOT_FOUND;
    value = p->value;
    return KX_KERNEL_OK;
}

int32_t KxParameterSet::GetInt(const KxString& name, int32_t& value) const {
    const KxParameter* p = Find(name);
    if (p == nullptr) return KX_KERNEL_E_NOT_FOUND;
    int64_t n = 0;
    if (!kxk::ParseInteger(p->value.ToUtf8(), n) || n < std::numeric_limits<int32_t>::min() ||
        n > std::numeric_limits<int32_t>::max())
        return KX_KERNEL_E_VALUE;
    value = static_cast<int32_t>(n);
    return KX_KERNEL_OK;
}

void KxParameterSet::Clear() { pairs_.clear(); }

KxParameterList::KxParameterList(uint32_t initialSize) : KxParameterSet(initialSize) {}
KxParameterList::~KxParameterList() = default;
