// Kernel queries evaluated on objects of a native database: member comparisons, Boolean operators,
// constants and sort members of a query in prefix order.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "KxQuery.h"
#include "NativeFormat.h"

class KxClassDict;
class KxMetaClass;

namespace kxn {

class QueryPlan {
public:
    // Takes the query's operations (converted to prefix order when its flag bit 0 is clear). 0;
    // KX_KERNEL_E_INVALID for a query that cannot be walked or converted; KXN_E_NOT_SUPPORTED for a
    // sub-query or a comparison of a member that holds no value.
    int32_t Prepare(KxQuery& query, const KxClassDict& dict);
    // Whether an instance of cls (the queried class or a subclass) satisfies the query. A reference
    // member compares its object id: an on-demand reference's own, a pointer's from pointers (the
    // references of a decoded instance's pointer elements, by element address).
    bool Matches(const KxMetaClass& cls, const uint8_t* instance,
                 const std::map<const void*, KxRef>* pointers = nullptr) const;
    bool HasSort() const { return !sorts_.empty(); }
    // The values of the sort members of an instance, and their order (sort members in turn;
    // descending ones reversed): negative, 0, positive.
    std::vector<Scalar> SortValues(const KxMetaClass& cls, const uint8_t* instance) const;
    int CompareSort(const std::vector<Scalar>& a, const std::vector<Scalar>& b) const;

private:
    struct Op {
        uint8_t kind = KXQ_END;
        std::string member;        // comparisons and sort members: the member's name
        uint16_t declaring = 0;    // and the class number that declares it
        uint16_t compare = 0;
        uint16_t options = 0;
        KxQueryValue value;
        bool truth = false;
        uint8_t boolOp = 0;
        bool descending = false;
    };
    const KxMember* Resolve(const KxMetaClass& cls, const Op& op) const;
    bool Eval(size_t& i, const KxMetaClass& cls, const uint8_t* instance) const;
    bool Compare(const Op& op, const KxMetaClass& cls, const uint8_t* instance) const;
    mutable const std::map<const void*, KxRef>* pointers_ = nullptr;   // of the instance being matched
    std::vector<Op> ops_;
    std::vector<Op> sorts_;
};

// Compares two scalars of one kind (nulls first): negative, 0, positive.
int CompareScalars(const Scalar& a, const Scalar& b);

}  // namespace kxn
