#include "KxQuery.h"

#include <utility>

KxQueryValue KxQueryValue::Int(int64_t v, uint8_t typeCode)
{
    KxQueryValue value;
    value.typeCode = typeCode;
    value.integer = v;
    return value;
}

KxQueryValue KxQueryValue::Real(double v)
{
    KxQueryValue value;
    value.typeCode = 3;
    value.real = v;
    return value;
}

KxQueryValue KxQueryValue::String(const std::string& v)
{
    KxQueryValue value;
    value.typeCode = 11;
    value.text = v;
    return value;
}

KxQueryValue KxQueryValue::Null(uint8_t typeCode)
{
    KxQueryValue value;
    value.typeCode = typeCode;
    value.isNull = true;
    return value;
}

KxQuery::KxQuery(const KxClassId& classId) : classId_(classId) {}

KxQuery::~KxQuery() { FreeSubQueries(); }

void KxQuery::SetMember(uint16_t memberPos, const KxClassId& memberClass, uint16_t compareOp,
                        const KxQueryValue& value, uint16_t options)
{
    KxQueryOp op;
    op.kind = KXQ_MEMBER;
    op.memberPos = memberPos;
    op.memberClass = memberClass;
    op.compareOp = compareOp;
    op.options = options;
    op.value = value;
    op.hasValue = true;
    ops_.push_back(std::move(op));
}

void KxQuery::SetMemberCount(uint16_t memberPos, const KxClassId& memberClass, int32_t count, uint16_t countOp)
{
    KxQueryOp op;
    op.kind = KXQ_MEMBER;
    op.memberPos = memberPos;
    op.memberClass = memberClass;
    op.count = count;
    op.countOp = countOp;
    ops_.push_back(std::move(op));
}

void KxQuery::SortBy(uint16_t memberPos, const KxClassId& memberClass, int32_t sortOp)
{
    KxQueryOp op;
    op.kind = KXQ_SORT;
    op.memberPos = memberPos;
    op.memberClass = memberClass;
    op.sortOp = sortOp;
    ops_.push_back(std::move(op));
}

void KxQuery::SetBoolOp(uint8_t boolOp)
{
    KxQueryOp op;
    op.kind = KXQ_BOOL;
    op.boolOp = boolOp;
    ops_.push_back(std::move(op));
}

void KxQuery::Open()
{
    KxQueryOp op;
    op.kind = KXQ_OPEN;
    ops_.push_back(std::move(op));
}

void KxQuery::Close()
{
    KxQueryOp op;
    op.kind = KXQ_CLOSE;
    ops_.push_back(std::move(op));
}

void KxQuery::SetConstant(bool truth)
{
    KxQueryOp op;
    op.kind = KXQ_CONSTANT;
    op.truth = truth;
    ops_.push_back(std::move(op));
}

void KxQuery::SetSubQuery(uint16_t memberPos, const KxClassId& memberClass, std::unique_ptr<KxQuery> sub,
                          int32_t count, uint16_t countOp)
{
    KxQueryOp op;
    op.kind = KXQ_SUBQUERY;
    op.memberPos = memberPos;
    op.memberClass = memberClass;
    op.subQuery = sub.release();
    op.count = count;
    op.countOp = countOp;
    ops_.push_back(std::move(op));
}

void KxQuery::Append(const KxQueryOp& op)
{
    ops_.push_back(op);
    ops_.back().subQuery = nullptr;   // a borrowed sub-query is never owned twice
}

int32_t KxQuery::Next(const KxQueryOp*& op)
{
    if (broken_) {
        op = nullptr;
        return -1;
    }
    if (cursor_ >= ops_.size()) {
        op = &end_;
        return 0;
    }
    op = &ops_[cursor_++];
    return 0;
}

namespace {

// An infix expression parsed into a tree: a leaf (index of an operation) or an operator with operands.
struct Expr {
    int32_t leaf = -1;
    uint8_t boolOp = 0;
    std::vector<std::unique_ptr<Expr>> operands;
};

class InfixParser {
public:
    explicit InfixParser(const std::vector<KxQueryOp>& ops) : ops_(ops) {}

    // or-level := and-level (op and-level)*; and-level := unary (AND? unary)*; unary := NOT unary |
    // ( or-level ) | leaf.
    std::unique_ptr<Expr> Parse(bool& ok)
    {
        Skip();
        if (pos_ >= ops_.size()) {
            return nullptr;
        }
        auto expr = OrLevel(ok);
        Skip();
        if (pos_ < ops_.size()) {
            ok = false;   // an unmatched close bracket or an operator without operands
        }
        return expr;
    }

private:
    void Skip()
    {
        while (pos_ < ops_.size() && (ops_[pos_].kind == KXQ_SORT || ops_[pos_].kind == KXQ_END)) {
            ++pos_;
        }
    }
    bool IsBinary(uint8_t op) const { return op != 16; }

    std::unique_ptr<Expr> OrLevel(bool& ok)
    {
        auto left = AndLevel(ok);
        for (;;) {
            Skip();
            if (!ok || pos_ >= ops_.size() || ops_[pos_].kind != KXQ_BOOL || !IsBinary(ops_[pos_].boolOp) ||
                ops_[pos_].boolOp == 1) {
                return left;
            }
            auto node = std::make_unique<Expr>();
            node->boolOp = ops_[pos_++].boolOp;
            node->operands.push_back(std::move(left));
            node->operands.push_back(AndLevel(ok));
            left = std::move(node);
        }
    }

    std::unique_ptr<Expr> AndLevel(bool& ok)
    {
        auto left = Unary(ok);
        for (;;) {
            Skip();
            if (!ok || pos_ >= ops_.size()) {
                return left;
            }
            const KxQueryOp& op = ops_[pos_];
            bool explicitAnd = op.kind == KXQ_BOOL && op.boolOp == 1;
            bool implicitAnd = op.kind != KXQ_BOOL && op.kind != KXQ_CLOSE;
            if (!explicitAnd && !implicitAnd && !(op.kind == KXQ_BOOL && op.boolOp == 16)) {
                return left;
            }
            if (explicitAnd) {
                ++pos_;
            }
            auto node = std::make_unique<Expr>();
            node->boolOp = 1;
            node->operands.push_back(std::move(left));
            node->operands.push_back(Unary(ok));
            left = std::move(node);
        }
    }

    std::unique_ptr<Expr> Unary(bool& ok)
    {
        Skip();
        if (pos_ >= ops_.size()) {
            ok = false;
            return nullptr;
        }
        const KxQueryOp& op = ops_[pos_];
        if (op.kind == KXQ_BOOL && op.boolOp == 16) {
            ++pos_;
            auto node = std::make_unique<Expr>();
            node->boolOp = 16;
            node->operands.push_back(Unary(ok));
            return node;
        }
        if (op.kind == KXQ_OPEN) {
            ++pos_;
            auto inner = OrLevel(ok);
            Skip();
            if (pos_ >= ops_.size() || ops_[pos_].kind != KXQ_CLOSE) {
                ok = false;
                return inner;
            }
            ++pos_;
            return inner;
        }
        if (op.kind == KXQ_MEMBER || op.kind == KXQ_SUBQUERY || op.kind == KXQ_CONSTANT) {
            auto leaf = std::make_unique<Expr>();
            leaf->leaf = static_cast<int32_t>(pos_++);
            return leaf;
        }
        ok = false;
        return nullptr;
    }

    const std::vector<KxQueryOp>& ops_;
    size_t pos_ = 0;
};

}  // namespace

// Writes the tree in prefix order: an operator of n operands appears n - 1 times before them for
// binary operators (each joins two), NOT once before its operand.
static int32_t EmitPrefix(const Expr* expr, const std::vector<KxQueryOp>& ops, std::vector<KxQueryOp>& out)
{
    if (expr == nullptr) {
        return -1;
    }
    if (expr->leaf >= 0) {
        const KxQueryOp& source = ops[static_cast<size_t>(expr->leaf)];
        KxQueryOp op = source;
        op.subQuery = nullptr;
        if (source.subQuery != nullptr) {
            auto sub = std::make_unique<KxQuery>(source.subQuery->GetClassId());
            if (source.subQuery->Convert2Prefix(*sub) != 0) {
                return -1;
            }
            op.subQuery = sub.release();
        }
        out.push_back(op);
        return 0;
    }
    KxQueryOp op;
    op.kind = KXQ_BOOL;
    op.boolOp = expr->boolOp;
    out.push_back(op);
    for (const auto& operand : expr->operands) {
        if (EmitPrefix(operand.get(), ops, out) != 0) {
            return -1;
        }
    }
    return 0;
}

int32_t KxQuery::Convert2Prefix(KxQuery& target) const
{
    target.FreeSubQueries();
    target.ops_.clear();
    target.Rewind();
    target.flags_ = static_cast<uint16_t>(flags_ | 1);
    target.broken_ = false;
    if ((flags_ & 1) != 0) {
        // already prefix: copy, converting nothing
        for (const KxQueryOp& source : ops_) {
            KxQueryOp op = source;
            op.subQuery = nullptr;
            if (source.subQuery != nullptr) {
                auto sub = std::make_unique<KxQuery>(source.subQuery->GetClassId());
                if (source.subQuery->Convert2Prefix(*sub) != 0) {
                    target.broken_ = true;
                    return -1;
                }
                op.subQuery = sub.release();
            }
            target.ops_.push_back(op);
        }
        return 0;
    }
    bool ok = true;
    InfixParser parser(ops_);
    auto expr = parser.Parse(ok);
    if (ok && expr != nullptr && EmitPrefix(expr.get(), ops_, target.ops_) != 0) {
        ok = false;
    }
    if (!ok) {
        target.FreeSubQueries();
        target.ops_.clear();
        target.broken_ = true;
        return -1;
    }
    // Sort members keep their order, after the condition.
    for (const KxQueryOp& source : ops_) {
        if (source.kind == KXQ_SORT) {
            target.ops_.push_back(source);
        }
    }
    return 0;
}

void KxQuery::FreeSubQueries()
{
    std::vector<KxQueryOp> kept;
    for (KxQueryOp& op : ops_) {
        if (op.subQuery != nullptr) {
            delete op.subQuery;
            op.subQuery = nullptr;
            continue;
        }
        kept.push_back(op);
    }
    ops_.swap(kept);
    if (cursor_ > ops_.size()) {
        cursor_ = static_cast<uint32_t>(ops_.size());
    }
}

KxGenericQuery::KxGenericQuery(KxBase* base, const KxClassId& classId, KxQueryType type)
    : KxQuery(classId), base_(base), type_(type)
{
}

void ClearQueryQueueStack() {}
