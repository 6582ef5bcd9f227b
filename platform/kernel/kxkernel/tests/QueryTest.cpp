// Kernel queries: infix operations with brackets become prefix order; sub-queries follow.
#include <gtest/gtest.h>

#include <string>

#include "KxQuery.h"

namespace {

const KxClassId kPerson(100, 1);

// The query's operations in walking order: m<pos> members, c1/c0 constants, s<pos>{...} sub-queries,
// operators by name, sort members as "sort<pos>".
std::string Render(KxQuery& query)
{
    std::string out;
    query.Rewind();
    for (;;) {
        const KxQueryOp* op = nullptr;
        if (query.Next(op) != 0) {
            return out + "<broken>";
        }
        if (op->kind == KXQ_END) {
            return out;
        }
        if (!out.empty()) {
            out += " ";
        }
        switch (op->kind) {
        case KXQ_MEMBER: out += "m" + std::to_string(op->memberPos); break;
        case KXQ_SORT: out += "sort" + std::to_string(op->memberPos); break;
        case KXQ_CONSTANT: out += op->truth ? "c1" : "c0"; break;
        case KXQ_SUBQUERY: out += "s" + std::to_string(op->memberPos) + "{" + Render(*op->subQuery) + "}"; break;
        case KXQ_BOOL:
            out += op->boolOp == 1 ? "AND" : op->boolOp == 2 ? "OR" : op->boolOp == 16 ? "NOT"
                                                                     : "OP" + std::to_string(op->boolOp);
            break;
        default: out += "?" + std::to_string(op->kind); break;
        }
    }
}

// Builds a query from a compact infix text: digits are members, T/F constants, & | ! operators,
// ( ) brackets, ^ exclusive or, S<digit> a sort member.
void Build(KxQuery& query, const std::string& infix)
{
    for (size_t i = 0; i < infix.size(); ++i) {
        char c = infix[i];
        if (c >= '0' && c <= '9') {
            query.SetMember(static_cast<uint16_t>(c - '0'), kPerson, 1, KxQueryValue::Int(1));
        } else if (c == 'T' || c == 'F') {
            query.SetConstant(c == 'T');
        } else if (c == '&') {
            query.SetBoolOp(1);
        } else if (c == '|') {
            query.SetBoolOp(2);
        } else if (c == '^') {
            query.SetBoolOp(4);
        } else if (c == '!') {
            query.SetBoolOp(16);
        } else if (c == '(') {
            query.Open();
        } else if (c == ')') {
            query.Close();
        } else if (c == 'S') {
            query.SortBy(static_cast<uint16_t>(infix[++i] - '0'), kPerson, 0);
        }
    }
}

TEST(KernelQuery, Convert2PrefixPutsOperatorsBeforeTheirOperands)
{
    const struct {
        const char* infix;
        const char* prefix;
    } cases[] = {
        {"", ""},
        {"1", "m1"},
        {"1&2", "AND m1 m2"},
        {"1|2&3", "OR m1 AND m2 m3"},
        {"(1|2)&3", "AND OR m1 m2 m3"},
        {"1&2&3", "AND AND m1 m2 m3"},
        {"!(1&2)", "NOT AND m1 m2"},
        {"!1|2", "OR NOT m1 m2"},
        {"!!1", "NOT NOT m1"},
        {"T|1", "OR c1 m1"},
        {"1 2", "AND m1 m2"},                 // adjacent conditions are all required
        {"1^2", "OP4 m1 m2"},
        {"S3 1&S4 2", "AND m1 m2 sort3 sort4"},
        {"((1))", "m1"},
    };
    for (const auto& c : cases) {
        KxQuery infix(kPerson);
        Build(infix, c.infix);
        KxQuery prefix(kPerson);
        ASSERT_EQ(infix.Convert2Prefix(prefix), 0) << c.infix;
        EXPECT_EQ(Render(prefix), c.prefix) << c.infix;
        EXPECT_EQ(prefix.GetFlags() & 1, 1) << c.infix;
    }
}

TEST(KernelQuery, Convert2PrefixRefusesUnbalancedQueries)
{
    for (const char* infix : {"(1", "1)", "1&", "&1", "!", "()", "1|(2&)"}) {
        KxQuery query(kPerson);
        Build(query, infix);
        KxQuery prefix(kPerson);
        EXPECT_EQ(query.Convert2Prefix(prefix), -1) << infix;
        const KxQueryOp* op = nullptr;
        EXPECT_EQ(prefix.Next(op), -1) << infix;   // a failed conversion cannot be walked as empty
    }
}

TEST(KernelQuery, SubQueriesAreConvertedAndFreed)
{
    auto sub = std::make_unique<KxQuery>(KxClassId(101, 1));
    Build(*sub, "(1|2)&3");
    KxQuery query(kPerson);
    Build(query, "4|");
    query.SetSubQuery(5, kPerson, std::move(sub));
    KxGenericQuery prefix(nullptr, kPerson);
    ASSERT_EQ(query.Convert2Prefix(prefix), 0);
    EXPECT_EQ(Render(prefix), "OR m4 s5{AND OR m1 m2 m3}");
    prefix.FreeSubQueries();
    EXPECT_EQ(Render(prefix), "OR m4");
    ClearQueryQueueStack();
    // the source keeps its own sub-query
    EXPECT_EQ(Render(query), "m4 OR s5{?7 m1 OR m2 ?8 AND m3}");
}

}  // namespace
