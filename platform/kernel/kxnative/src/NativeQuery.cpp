#include "NativeQuery.h"

#include <algorithm>

#include "KxClassDict.h"
#include "KxMetaType.h"
#include "KxNative.h"
#include "KxObject.h"

namespace kxn {

namespace {

std::string Folded(std::string text, uint16_t options)
{
    if ((options & KXQ_OPT_NO_BLANKS) != 0) {
        text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
    }
    if ((options & KXQ_OPT_NO_CASE) != 0) {
        for (char& c : text) {
            if (c >= 'A' && c <= 'Z') {
                c = static_cast<char>(c - 'A' + 'a');
            }
        }
    }
    return text;
}

// "*" any run of characters, "?" one character.
bool Glob(const std::string& text, const std::string& pattern)
{
    size_t t = 0, p = 0, star = std::string::npos, mark = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == text[t])) {
            ++t;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = t;
        } else if (star != std::string::npos) {
            p = star + 1;
            t = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

bool Holds(int order, uint16_t op)
{
    switch (op) {
    case 1: return order == 0;
    case 2: return order < 0;
    case 3: return order <= 0;
    case 4: return order > 0;
    case 5: return order >= 0;
    case 6: return order != 0;
    default: return false;
    }
}

template <typename T>
int Order(const T& a, const T& b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

// The constant of a comparison as a scalar of its type code.
Scalar ConstantOf(const KxQueryValue& v)
{
    Scalar s;
    if (v.isNull) {
        return s;
    }
    switch (v.typeCode) {
    case KX_TYPE_DOUBLE:
    case KX_TYPE_FLOAT:
        s.kind = Scalar::kReal;
        s.r = v.real;
        break;
    case KX_TYPE_STRING:
    case KX_TYPE_ISTRING:
    case KX_TYPE_CASEISTRING:
        s.kind = Scalar::kText;
        s.s = v.text;
        break;
    case KX_TYPE_BLOB:
        s.kind = Scalar::kBytes;
        s.s = v.text;
        break;
    default:
        s.kind = Scalar::kInt;
        s.i = v.integer;
        break;
    }
    return s;
}

bool IsNumber(const Scalar& s) { return s.kind == Scalar::kInt || s.kind == Scalar::kUInt || s.kind == Scalar::kReal; }

}  // namespace

int CompareScalars(const Scalar& a, const Scalar& b)
{
    if (a.kind == Scalar::kNull || b.kind == Scalar::kNull) {
        return Order(a.kind != Scalar::kNull, b.kind != Scalar::kNull);
    }
    if (a.kind == Scalar::kReal || b.kind == Scalar::kReal) {
        auto real = [](const Scalar& s) {
            return s.kind == Scalar::kReal ? s.r : s.kind == Scalar::kInt ? double(s.i) : double(s.u);
        };
        return Order(real(a), real(b));
    }
    if (IsNumber(a) && IsNumber(b)) {
        auto wide = [](const Scalar& s) { return s.kind == Scalar::kInt ? __int128(s.i) : __int128(s.u); };
        return Order(wide(a), wide(b));
    }
    return Order(a.s, b.s);
}

int32_t QueryPlan::Prepare(KxQuery& query, const KxClassDict& dict)
{
    ops_.clear();
    sorts_.clear();
    KxQuery converted(query.GetClassId());
    KxQuery* prefix = &query;
    if ((query.GetFlags() & 1) == 0) {
        if (query.Convert2Prefix(converted) != 0) {
            return KX_KERNEL_E_INVALID;
        }
        prefix = &converted;
    }
    const KxMetaClass* queried = dict.GetMetaClass(query.GetClassId());
    if (queried == nullptr && dict.GetCurrentVersion(query.GetClassId().GetClassNumber()) != nullptr) {
        queried = dict.GetCurrentVersion(query.GetClassId().GetClassNumber())->AsClass();
    }
    int32_t status = queried != nullptr ? 0 : static_cast<int32_t>(KXN_E_INVALID_REF);
    prefix->Rewind();
    const KxQueryOp* op = nullptr;
    while (status == 0) {
        if (prefix->Next(op) != 0 || op == nullptr) {
            status = KX_KERNEL_E_INVALID;
            break;
        }
        if (op->kind == KXQ_END) {
            break;
        }
        Op taken;
        taken.kind = op->kind;
        taken.compare = op->compareOp;
        taken.options = op->options;
        taken.value = op->value;
        taken.truth = op->truth;
        taken.boolOp = op->boolOp;
        taken.descending = op->sortOp == 1;
        if (op->kind == KXQ_MEMBER || op->kind == KXQ_SORT) {
            const auto& members = queried->GetAllMembers();
            const KxMember* member = op->memberPos < members.size() ? members[op->memberPos] : nullptr;
            const bool reference = op->kind == KXQ_MEMBER && member != nullptr && !member->IsArray() &&
                                   (member->GetMemberType() == KX_MEMBER_POINTER ||
                                    member->GetMemberType() == KX_MEMBER_ONDEMAND);
            if (member == nullptr || (member->GetMemberType() != KX_MEMBER_VALUE && !reference) ||
                (op->kind == KXQ_MEMBER && !op->hasValue)) {
                status = KXN_E_NOT_SUPPORTED;
                break;
            }
            taken.member = member->GetName().ToUtf8();
            taken.declaring = member->GetDeclaringClass() != nullptr ? member->GetDeclaringClass()->GetClassNumber()
                                                                     : queried->GetClassNumber();
        } else if (op->kind != KXQ_BOOL && op->kind != KXQ_CONSTANT) {
            status = KXN_E_NOT_SUPPORTED;   // sub-queries, brackets left in a prefix query
            break;
        }
        (op->kind == KXQ_SORT ? sorts_ : ops_).push_back(std::move(taken));
    }
    if (prefix == &converted) {
        converted.FreeSubQueries();
    }
    if (status == 0 && !ops_.empty()) {
        // The operations must form one expression.
        size_t i = 0;
        struct Counter {
            static bool Walk(const std::vector<Op>& ops, size_t& i)
            {
                if (i >= ops.size()) {
                    return false;
                }
                const Op& op = ops[i++];
                if (op.kind != KXQ_BOOL) {
                    return true;
                }
                return op.boolOp == 16 ? Walk(ops, i) : Walk(ops, i) && Walk(ops, i);
            }
        };
        if (!Counter::Walk(ops_, i) || i != ops_.size()) {
            status = KX_KERNEL_E_INVALID;
        }
    }
    return status;
}

const KxMember* QueryPlan::Resolve(const KxMetaClass& cls, const Op& op) const
{
    const KxMember* byName = nullptr;
    for (const KxMember* m : cls.GetAllMembers()) {
        if (m->GetName().ToUtf8() != op.member) {
            continue;
        }
        const KxMetaClass* declaring = m->GetDeclaringClass();
        if (declaring == nullptr || declaring->GetClassNumber() == op.declaring) {
            return m;
        }
        if (byName == nullptr) {
            byName = m;
        }
    }
    return byName;
}

bool QueryPlan::Compare(const Op& op, const KxMetaClass& cls, const uint8_t* instance) const
{
    const KxMember* m = Resolve(cls, op);
    if (m == nullptr) {
        return false;
    }
    Scalar value;
    if (m->GetMemberType() == KX_MEMBER_VALUE) {
        value = ScalarOf(m->GetTypeCode(), instance + m->GetOffset());
    } else if (m->GetMemberType() == KX_MEMBER_ONDEMAND || m->GetMemberType() == KX_MEMBER_POINTER) {
        // A reference compares its object id; the reference to no object as object id 0 (as the
        // gateway stores it).
        KxRef ref;
        if (m->GetMemberType() == KX_MEMBER_ONDEMAND) {
            ref = reinterpret_cast<const KxOnDemand*>(instance + m->GetOffset())->GetRef();
        } else if (pointers_ != nullptr) {
            const auto found = pointers_->find(instance + m->GetOffset());
            if (found != pointers_->end()) {
                ref = found->second;
            }
        }
        value.kind = Scalar::kInt;
        value.i = ref.IsInvalid() ? 0 : static_cast<int64_t>(ref.GetObjId().Get64());
    } else {
        return false;
    }
    if (op.value.isNull) {
        return op.compare == 1 ? value.kind == Scalar::kNull : op.compare == 6 && value.kind != Scalar::kNull;
    }
    const Scalar constant = ConstantOf(op.value);
    if (value.kind == Scalar::kNull) {
        return false;
    }
    const bool text = value.kind == Scalar::kText || value.kind == Scalar::kBytes;
    const bool constantText = constant.kind == Scalar::kText || constant.kind == Scalar::kBytes;
    if (text != constantText) {
        return false;
    }
    if (value.kind == Scalar::kText) {
        const std::string a = Folded(value.s, op.options);
        const std::string b = Folded(constant.s, op.options);
        const bool pattern = (op.options & KXQ_OPT_NO_PATTERN) == 0 && b.find_first_of("*?") != std::string::npos;
        if (pattern && (op.compare == 1 || op.compare == 6)) {
            return Glob(a, b) == (op.compare == 1);
        }
        return Holds(Order(a, b), op.compare);
    }
    return Holds(CompareScalars(value, constant), op.compare);
}

bool QueryPlan::Eval(size_t& i, const KxMetaClass& cls, const uint8_t* instance) const
{
    const Op& op = ops_[i++];
    switch (op.kind) {
    case KXQ_MEMBER: return Compare(op, cls, instance);
    case KXQ_CONSTANT: return op.truth;
    default: break;
    }
    if (op.boolOp == 16) {
        return !Eval(i, cls, instance);
    }
    // Both operands are walked (no short cut): the walk must pass the second one too.
    const bool a = Eval(i, cls, instance);
    const bool b = Eval(i, cls, instance);
    switch (op.boolOp) {
    case 1: return a && b;
    case 2: return a || b;
    case 4: return a != b;
    case 17: return !(a && b);
    case 18: return !(a || b);
    case 20: return a == b;
    default: return false;
    }
}

bool QueryPlan::Matches(const KxMetaClass& cls, const uint8_t* instance,
                        const std::map<const void*, KxRef>* pointers) const
{
    size_t i = 0;
    pointers_ = pointers;
    const bool matches = ops_.empty() || Eval(i, cls, instance);
    pointers_ = nullptr;
    return matches;
}

std::vector<Scalar> QueryPlan::SortValues(const KxMetaClass& cls, const uint8_t* instance) const
{
    std::vector<Scalar> values;
    for (const Op& op : sorts_) {
        const KxMember* m = Resolve(cls, op);
        values.push_back(m != nullptr ? ScalarOf(m->GetTypeCode(), instance + m->GetOffset()) : Scalar());
    }
    return values;
}

int QueryPlan::CompareSort(const std::vector<Scalar>& a, const std::vector<Scalar>& b) const
{
    for (size_t k = 0; k < sorts_.size() && k < a.size() && k < b.size(); ++k) {
        const int order = CompareScalars(a[k], b[k]);
        if (order != 0) {
            return sorts_[k].descending ? -order : order;
        }
    }
    return 0;
}

}  // namespace kxn
