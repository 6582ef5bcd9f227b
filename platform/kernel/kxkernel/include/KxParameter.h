// KxParameterSet / KxParameterList: ordered name/value pairs handed to the kernel
// (InitKelvox parameters, parameters of a connection, parameters of a transaction resource).
#pragma once

#include <cstdint>
#include <vector>

#include "KxKernelStatus.h"
#include "KxString.h"

struct KxParameter {
    KxString name;
    KxString value;
    int32_t flags = 0;
};

class KxParameterSet {
public:
    // initialSize: number of pairs to make room for.
    explicit KxParameterSet(uint32_t initialSize = 0);
    virtual ~KxParameterSet();
    KxParameterSet(const KxParameterSet&) = default;
    KxParameterSet& operator=(const KxParameterSet&) = default;

    // Appends a pair (names may repeat; lookups find the first). 0; KX_KERNEL_E_INVALID for an
    // empty or inactive name; KX_KERNEL_E_NO_MEMORY when memory runs out.
    int32_t Append(const KxString& name, const KxString& value, int32_t flags = 0);

    uint32_t Count() const;
    bool IsEmpty() const;
    // The pair at index; nullptr past the end.
    const KxParameter* Get(uint32_t index) const;
    // Copies the pair at index: 0, or KX_KERNEL_E_END_OF_LIST past the end.
    int32_t Get(uint32_t index, KxString& name, KxString& value) const;

    // The first pair with that name (names compare case-sensitively); nullptr when absent.
    const KxParameter* Find(const KxString& name) const;
    // Its value: 0, or KX_KERNEL_E_NOT_FOUND (value unchanged).
    int32_t GetValue(const KxString& name, KxString& value) const;
    // Its value as a 32-bit integer (decimal or 0x-hexadecimal, blanks around it allowed):
    // 0; KX_KERNEL_E_NOT_FOUND; KX_KERNEL_E_VALUE when it is not such a number (value unchanged).
    int32_t GetInt(const KxString& name, int32_t& value) const;

    void Clear();

    // Iteration in the order of appending.
    std::vector<KxParameter>::const_iterator begin() const { return pairs_.begin(); }
    std::vector<KxParameter>::const_iterator end() const { return pairs_.end(); }

private:
    std::vector<KxParameter> pairs_;
};

// The parameter list used for start-up and for connections; the same pairs as the set.
class KxParameterList : public KxParameterSet {
public:
    explicit KxParameterList(uint32_t initialSize = 0);
    ~KxParameterList() override;
};
