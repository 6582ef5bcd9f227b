// Conditions: comparison texts, joins of terms, brackets and sub-selects.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "KxGColumn.h"
#include "KxGCondition.h"
#include "KxGStatementTemplate.h"

namespace {

std::string Text(const KxGCondition& condition)
{
    return condition.GetText().StrGet();
}

// ---------------------------------------------------------------------------------------------------
// Operator and operand to text

struct ComparisonCase {
    uint16_t op;
    const char* operand;
    const char* expected;
};

TEST(ConditionComparison, OperatorAndOperandToText)
{
    const ComparisonCase cases[] = {
        {1, ":1", "T0.COL = :1"},
        {2, ":1", "T0.COL < :1"},
        {3, ":1", "T0.COL <= :1"},
        {4, ":1", "T0.COL > :1"},
        {5, ":1", "T0.COL >= :1"},
        {6, ":1", "T0.COL <> :1"},
        {9, ":1", "T0.COL LIKE :1 ESCAPE '\\' "},
        {14, ":1", "T0.COL NOT LIKE :1 ESCAPE '\\' "},
        {0x4001, "NULL", "T0.COL IS NULL"},
        {0x4006, "NULL", "T0.COL IS NOT NULL"},
        // Only = and <> can test against NULL; the others have no comparison text.
        {0x4002, "NULL", "T0.COLNULL"},
        {0x4009, "NULL", "T0.COLNULL"},
        // Bits 4 to 13 (the query's option bits) do not change the comparison; bit 15 does.
        {0x0021, ":2", "T0.COL = :2"},
        {0x00A4, ":2", "T0.COL > :2"},
        {0x8001, ":1", "T0.COL:1"},
        {0, ":1", "T0.COL:1"},
        {7, ":1", "T0.COL:1"},
        {15, ":1", "T0.COL:1"},
    };
    KxGColumn column(KxString("COL"));
    column.SetQualifier(KxString("T0"));
    for (const ComparisonCase& c : cases) {
        KxGCondition condition;
        condition.AddCondition(column, c.op, KxString(c.operand), 1);
        EXPECT_EQ(Text(condition), c.expected) << "operator 0x" << std::hex << c.op;
    }
}

TEST(ConditionComparison, QualifiedOnlyWhenAskedAndWhenTheColumnHasAQualifier)
{
    KxGColumn qualified(KxString("COL"));
    qualified.SetQualifier(KxGIdentity(KxString("T3")));
    KxGColumn bare(KxString("COL"));
    KxGColumn emptyQualifier(KxString("COL"));
    emptyQualifier.SetQualifier(KxString(""));

    KxGCondition a;
    a.AddCondition(qualified, KXG_OP_EQ, KxString(":1"), 0);
    EXPECT_EQ(Text(a), "COL = :1");
    KxGCondition b;
    b.AddCondition(bare, KXG_OP_EQ, KxString(":1"), 1);
    EXPECT_EQ(Text(b), "COL = :1");
    KxGCondition c;
    c.AddCondition(emptyQualifier, KXG_OP_EQ, KxString(":1"), 1);
    EXPECT_EQ(Text(c), "COL = :1");
}

TEST(ConditionComparison, MirroredOperators)
{
    const uint16_t cases[][2] = {{1, 1}, {6, 6}, {2, 4}, {4, 2}, {3, 5}, {5, 3}, {9, 15}, {14, 8}};
    for (const auto& c : cases) {
        EXPECT_EQ(KxGCondition::MirrorOperator(c[0]), c[1]) << c[0];
    }
}

TEST(ConditionTerms, TermForms)
{
    KxGColumn oid(KxString("OID"));
    oid.SetQualifier(KxString("T0"));
    KxGColumn owner(KxString("OWNER"));
    owner.SetQualifier(KxString("T1"));
    KxGIdentity t0(KxString("T0"));
    KxGIdentity t1(KxString("T1"));
    KxGColumn plainOid(KxString("OID"));
    KxGColumn plainOwner(KxString("OWNER"));

    KxGCondition columns;
    columns.AddCondition(oid, KXG_OP_EQ, owner);
    EXPECT_EQ(Text(columns), "T0.OID = T1.OWNER");

    KxGCondition texts;
    texts.AddCondition(KxString("LOWER ( T0.NAME ) "), KXG_OP_LIKE, KxString(":1"));
    EXPECT_EQ(Text(texts), "LOWER ( T0.NAME )  LIKE :1 ESCAPE '\\' ");

    KxGCondition in;
    in.AddInCondition(oid, KxString("1,2,3"));
    EXPECT_EQ(Text(in), "T0.OID IN (1,2,3) ");

    KxGCondition sub;
    sub.AddSubselect(oid, KxString("SELECT OWNER FROM S.SET1 T1"));
    EXPECT_EQ(Text(sub), " T0.OID IN ( SELECT OWNER FROM S.SET1 T1 ) ");

    KxGCondition exists;
    exists.AddExists(KxString("SELECT 1 FROM S.SET1"));
    EXPECT_EQ(Text(exists), " EXISTS(SELECT 1 FROM S.SET1) ");

    KxGCondition join;
    join.AddJoin(plainOid, plainOwner, &t0, &t1);
    EXPECT_EQ(Text(join), "T0.OID = T1.OWNER");
    KxGCondition bareJoin;
    bareJoin.AddJoin(plainOid, plainOwner);
    EXPECT_EQ(Text(bareJoin), "OID = OWNER");
    // An alias without a name qualifies nothing (no lone ".").
    KxGIdentity nameless;
    KxGCondition namelessJoin;
    namelessJoin.AddJoin(plainOid, plainOwner, &nameless, &t1);
    EXPECT_EQ(Text(namelessJoin), "OID = T1.OWNER");
}

// The sub-select stands on the right of the operator, so the operator is mirrored: a count that must
// be greater than the bound value reads "value < (count)".
TEST(ConditionTerms, SubselectComparisonMirrorsTheOperator)
{
    const char* select = "SELECT COUNT(*) FROM S.SET1 T1 WHERE T0.OID = T1.OID";
    const struct {
        uint16_t op;
        const char* expected;
    } cases[] = {
        {KXG_OP_GT, ":1 <  ( SELECT COUNT(*) FROM S.SET1 T1 WHERE T0.OID = T1.OID ) "},
        {KXG_OP_LT, ":1 >  ( SELECT COUNT(*) FROM S.SET1 T1 WHERE T0.OID = T1.OID ) "},
        {KXG_OP_GE, ":1 <=  ( SELECT COUNT(*) FROM S.SET1 T1 WHERE T0.OID = T1.OID ) "},
        {KXG_OP_LE, ":1 >=  ( SELECT COUNT(*) FROM S.SET1 T1 WHERE T0.OID = T1.OID ) "},
        {KXG_OP_EQ, ":1 =  ( SELECT COUNT(*) FROM S.SET1 T1 WHERE T0.OID = T1.OID ) "},
        {KXG_OP_NE, ":1 <>  ( SELECT COUNT(*) FROM S.SET1 T1 WHERE T0.OID = T1.OID ) "},
        // LIKE has no mirror: no comparison text.
        {KXG_OP_LIKE, ":1 ( SELECT COUNT(*) FROM S.SET1 T1 WHERE T0.OID = T1.OID ) "},
    };
    for (const auto& c : cases) {
        KxGCondition condition;
        condition.AddSubselect(KxString(select), KxString(":1"), c.op);
        EXPECT_EQ(Text(condition), c.expected) << c.op;
    }
}

// Sub-selects given as select templates read the template's SQL text.
TEST(ConditionTerms, SubselectsFromSelectTemplates)
{
    const KxGSelectStatementTemplate select(KxString("SELECT COUNT(*) FROM S.SET1 T1"));
    KxGColumn oid(KxString("OID"));
    oid.SetQualifier(KxString("T0"));

    KxGCondition condition;
    condition.AddSubselect(select, KxString(":1"), KXG_OP_GE);
    condition.AddSubselect(oid, select);
    condition.SetBoolOp(KXG_BOOL_OR);
    condition.AddExists(select);
    EXPECT_EQ(Text(condition),
              ":1 <=  ( SELECT COUNT(*) FROM S.SET1 T1 )  AND  T0.OID IN ( SELECT COUNT(*) FROM S.SET1 T1 )  OR "
              " EXISTS(SELECT COUNT(*) FROM S.SET1 T1) ");
}

// ---------------------------------------------------------------------------------------------------
// Joins

// One step of building a condition: set the operator (when not 0), then "(" opens a bracket, ")"
// closes one, "{}" joins an empty condition, anything else is joined as a term.
struct Step {
    uint8_t op;
    const char* term;
};

struct JoinCase {
    const char* name;
    std::vector<Step> steps;
    const char* expected;
};

TEST(ConditionJoins, TermsJoinedByBooleanOperators)
{
    const uint8_t AND = KXG_BOOL_AND, OR = KXG_BOOL_OR, NOT = KXG_BOOL_NOT, XOR = KXG_BOOL_XOR,
                  NAND = KXG_BOOL_NAND, NOR = KXG_BOOL_NOR, EQV = KXG_BOOL_EQV;
    const JoinCase cases[] = {
        {"and", {{AND, "A = 1"}, {0, "B = 2"}}, "A = 1 AND B = 2"},
        {"or", {{OR, "A = 1"}, {0, "B = 2"}}, "A = 1 OR B = 2"},
        {"bracket start takes no operator", {{AND, "("}, {0, "A = 1"}, {0, "B = 2"}, {0, ")"}},
         " ( A = 1 AND B = 2 ) "},
        {"key-set continuation",
         {{AND, "("}, {0, "("}, {0, "A = :1"}, {0, "B >= :2"}, {0, ")"}, {OR, "("}, {0, "A > :3"}, {0, ")"},
          {0, ")"}},
         " (  ( A = :1 AND B >= :2 )  OR  ( A > :3 )  ) "},
        {"not as first term", {{NOT, "A = 1"}}, " NOT A = 1"},
        {"not after a term", {{AND, "A = 1"}, {NOT, "B = 2"}}, "A = 1 AND  NOT B = 2"},
        {"not of a compound term", {{NOT, "A = 1 OR B = 2"}}, " NOT ( A = 1 OR B = 2 )"},
        {"not of a bracket", {{AND, "A = 1"}, {NOT, "("}, {OR, "B = 2"}, {0, "C = 3"}, {0, ")"}},
         "A = 1 AND  NOT  ( B = 2 OR C = 3 ) "},
        {"xor", {{AND, "A = 1"}, {XOR, "B = 2"}},
         "(( A = 1 AND  NOT B = 2 )  OR  (  NOT A = 1 AND B = 2 )) "},
        {"nand", {{AND, "A = 1"}, {NAND, "B = 2"}}, "(  NOT A = 1 OR  NOT B = 2 ) "},
        {"nor", {{AND, "A = 1"}, {NOR, "B = 2"}}, "(  NOT A = 1 AND  NOT B = 2 ) "},
        {"eqv", {{AND, "A = 1"}, {EQV, "B = 2"}},
         "((  NOT A = 1 OR B = 2 )  AND  ( A = 1 OR  NOT B = 2 )) "},
        {"xor without a previous term drops the term", {{XOR, "B = 2"}}, ""},
        {"xor after a bracketed group takes the group",
         {{AND, "X = 0"}, {0, "("}, {0, "A = 1"}, {0, ")"}, {XOR, "C = 3"}},
         "X = 0 AND ((  ( A = 1 )  AND  NOT C = 3 )  OR  (  NOT  ( A = 1 )  AND C = 3 )) "},
        {"xor inside an open bracket takes the bracket's content",
         {{AND, "X = 0"}, {0, "("}, {0, "A = 1"}, {XOR, "B = 2"}, {AND, ")"}},
         "X = 0 AND  (((  A = 1 AND  NOT B = 2 )  OR  (  NOT  A = 1 AND B = 2 ))  ) "},
        {"xor after several terms brackets them",
         {{AND, "A = 1"}, {0, "B = 2"}, {XOR, "C = 3"}},
         "(( ( A = 1 AND B = 2 ) AND  NOT C = 3 )  OR  (  NOT ( A = 1 AND B = 2 ) AND C = 3 )) "},
        {"nand with a compound term brackets it", {{AND, "A = 1"}, {NAND, "B = 2 OR C = 3"}},
         "(  NOT A = 1 OR  NOT ( B = 2 OR C = 3 ) ) "},
        {"xor after an IN list takes the whole IN term",
         {{AND, "A = 1"}, {0, "X IN (1,2) "}, {XOR, "B = 2"}},
         "A = 1 AND (( X IN (1,2)  AND  NOT B = 2 )  OR  (  NOT X IN (1,2)  AND B = 2 )) "},
        {"xor after EXISTS takes the whole EXISTS term",
         {{AND, " EXISTS(SELECT 1 FROM S) "}, {NOR, "B = 2"}},
         "(  NOT  EXISTS(SELECT 1 FROM S)  AND  NOT B = 2 ) "},
        {"bracket opened under xor is combined when it closes",
         {{AND, "A = 1"}, {XOR, "("}, {AND, "B = 2"}, {0, "C = 3"}, {0, ")"}},
         "(( A = 1 AND  NOT  ( B = 2 AND C = 3 )  )  OR  (  NOT A = 1 AND  ( B = 2 AND C = 3 )  )) "},
        {"bracket opened under xor without a previous term is dropped",
         {{XOR, "("}, {AND, "B = 2"}, {0, ")"}, {0, "C = 3"}}, "C = 3"},
        {"a combination is one term for the next join",
         {{AND, "A = 1"}, {NOR, "B = 2"}, {AND, "C = 3"}}, "(  NOT A = 1 AND  NOT B = 2 )  AND C = 3"},
        {"one-character previous text still gets the operator", {{AND, "X"}, {0, "B = 2"}}, "X AND B = 2"},
        {"empty terms join nothing", {{AND, "A = 1"}, {0, ""}, {0, "  "}, {0, "{}"}, {0, "B = 2"}},
         "A = 1 AND B = 2"},
    };
    for (const JoinCase& c : cases) {
        KxGCondition condition;
        for (const Step& step : c.steps) {
            if (step.op != 0) {
                condition.SetBoolOp(step.op);
            }
            const std::string term = step.term;
            if (term == "(") {
                condition.OpenBracket();
            } else if (term == ")") {
                condition.CloseBracket();
            } else if (term == "{}") {
                condition.AddCondition(KxGCondition());
            } else {
                condition.AddCondition(KxString(step.term));
            }
        }
        EXPECT_EQ(Text(condition), c.expected) << c.name;
    }
}

// The first term of an unbracketed text keeps its first character in every combination.
TEST(ConditionJoins, CombinationKeepsAnUnbracketedFirstTermWhole)
{
    for (uint8_t op : {KXG_BOOL_XOR, KXG_BOOL_NAND, KXG_BOOL_NOR, KXG_BOOL_EQV}) {
        KxGCondition condition;
        condition.AddCondition(KxString("ALPHA = :1"));
        condition.SetBoolOp(op);
        condition.AddCondition(KxString("BETA = :2"));
        const std::string text = Text(condition);
        size_t count = 0;
        for (size_t at = text.find("ALPHA = :1"); at != std::string::npos; at = text.find("ALPHA = :1", at + 1)) {
            ++count;
        }
        EXPECT_EQ(count, op == KXG_BOOL_NAND || op == KXG_BOOL_NOR ? 1u : 2u) << int(op) << ": " << text;
        EXPECT_EQ(text.find("LPHA = :1"), text.find("ALPHA = :1") + 1) << int(op) << ": " << text;
    }
}

TEST(ConditionJoins, JoiningAnotherConditionAndItself)
{
    KxGCondition inner;
    inner.AddCondition(KxString("A = 1"));
    inner.AddCondition(KxString("B = 2"));
    KxGCondition outer;
    outer.AddCondition(KxString("X = 0"));
    outer.OpenBracket();
    outer.AddCondition(inner);
    outer.CloseBracket();
    EXPECT_EQ(Text(outer), "X = 0 AND  ( A = 1 AND B = 2 ) ");

    KxGCondition self;
    self.AddCondition(KxString("A = 1"));
    self.AddCondition(self);
    EXPECT_EQ(Text(self), "A = 1 AND A = 1");
}

TEST(ConditionJoins, ClearKeepsTheOperatorAndForgetsBrackets)
{
    KxGCondition condition;
    condition.SetBoolOp(KXG_BOOL_OR);
    condition.OpenBracket();
    condition.AddCondition(KxString("A = 1"));
    condition.Clear();
    EXPECT_TRUE(condition.IsEmpty());
    EXPECT_EQ(condition.GetBoolOp(), KXG_BOOL_OR);
    condition.AddCondition(KxString("B = 2"));
    condition.AddCondition(KxString("C = 3"));
    condition.CloseBracket();  // unmatched: appended, nothing else
    EXPECT_EQ(Text(condition), "B = 2 OR C = 3 ) ");
}

TEST(ConditionJoins, NewConditionJoinsWithAnd)
{
    KxGCondition condition;
    EXPECT_EQ(condition.GetBoolOp(), KXG_BOOL_AND);
    EXPECT_TRUE(condition.IsEmpty());
}

}  // namespace
