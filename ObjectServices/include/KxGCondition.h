// KxGCondition: the WHERE condition of a statement, built term by term.
//
// Every term is joined to the text with the condition's Boolean operator (SetBoolOp, AND after
// construction):
//   AND, OR   " AND " / " OR " before the term unless it is the first term of the condition or of the
//             current bracket;
//   NOT       " NOT " before the term (after " AND " when it follows another term);
//   XOR, NAND, NOR, EQV
//             combine the term T with the previous term P, which is cut off the text and replaced by
//             the combination: P is the last bracketed group when the text ends with ")", otherwise
//             everything joined since the current bracket was opened (or since the start). An operand
//             that holds AND or OR outside brackets is bracketed so that NOT and the combination apply
//             to all of it. Without a previous term the term is dropped.
//   other     the term alone.
// A bracket opened under XOR, NAND, NOR or EQV is combined as one term with the previous term when it
// is closed. An empty term joins nothing.
//
// Comparisons take the kernel's 16-bit query operator: bits 0-3 and bit 15 select the comparison,
// bit 14 (KXG_OP_NULL) marks a test against NULL (operand "NULL", never bound).
#pragma once

#include <cstdint>
#include <vector>

#include "KxGColumn.h"
#include "KxString.h"

class KxGStatementTemplate;

// Comparison operators (the kernel's query operators).
enum : uint16_t {
    KXG_OP_EQ = 1,
    KXG_OP_LT = 2,
    KXG_OP_LE = 3,
    KXG_OP_GT = 4,
    KXG_OP_GE = 5,
    KXG_OP_NE = 6,
    KXG_OP_LIKE = 9,
    KXG_OP_NOT_LIKE = 14,
    KXG_OP_NULL = 0x4000   // with KXG_OP_EQ: IS, with KXG_OP_NE: IS NOT
};

// Boolean operators of SetBoolOp (the kernel's query Boolean operators).
enum : uint8_t {
    KXG_BOOL_AND = 1,
    KXG_BOOL_OR = 2,
    KXG_BOOL_XOR = 4,
    KXG_BOOL_NOT = 16,
    KXG_BOOL_NAND = 17,
    KXG_BOOL_NOR = 18,
    KXG_BOOL_EQV = 20
};

class KxGCondition {
public:
    KxGCondition();

    // Joins a text as one term.
    void AddCondition(const KxString& term);
    // Joins the other condition's text as one term.
    void AddCondition(const KxGCondition& other);
    // column (qualified name when qualified is non-zero, else name) + comparison of (op, value).
    void AddCondition(const KxGColumn& column, uint16_t op, const KxString& value, uint16_t qualified);
    // qualified name of column + comparison of (op, qualified name of column2).
    void AddCondition(const KxGColumn& column, uint16_t op, const KxGColumn& column2);
    // left + comparison of (op, right).
    void AddCondition(const KxString& left, uint16_t op, const KxString& right);
    // qualified name + " IN (" + list + ") ".
    void AddInCondition(const KxGColumn& column, const KxString& list);
    // " " + qualified name + " IN ( " + the select's SQL text + " ) ".
    void AddSubselect(const KxGColumn& column, const KxGStatementTemplate& select);
    void AddSubselect(const KxGColumn& column, const KxString& selectText);
    // left + comparison of (mirrored op, "") + " ( " + the select's SQL text + " ) ": the sub-select
    // stands on the right, so that "left op (select)" reads as "(select) op left" was meant.
    void AddSubselect(const KxGStatementTemplate& select, const KxString& left, uint16_t op);
    void AddSubselect(const KxString& selectText, const KxString& left, uint16_t op);
    // " EXISTS(" + the select's SQL text + ") ".
    void AddExists(const KxGStatementTemplate& select);
    void AddExists(const KxString& selectText);
    // [identity "."] column name + " = " + [identity2 "."] column2 name.
    void AddJoin(const KxGColumn& column, const KxGColumn& column2, const KxGIdentity* identity = nullptr,
                 const KxGIdentity* identity2 = nullptr);

    // Joins " ( ". Terms joined next start the bracket's content.
    void OpenBracket();
    // Appends " ) " with no operator.
    void CloseBracket();

    void SetBoolOp(uint8_t op) { boolOp_ = op; }
    uint8_t GetBoolOp() const { return boolOp_; }

    const KxString& GetText() const { return text_; }
    bool IsEmpty() const { return text_.IsEmpty(); }
    // Empties the text; the Boolean operator is kept.
    void Clear();

    // The comparison text of (op, operand): " = ", " < ", " <= ", " > ", " >= ", " <> ", " LIKE ",
    // " NOT LIKE " (with KXG_OP_NULL: " IS ", " IS NOT ") followed by the operand; LIKE and NOT LIKE
    // end with " ESCAPE '\' ". An operator without comparison text gives the operand alone.
    static KxString Comparison(uint16_t op, const KxString& operand);
    // The operator with its operands exchanged: 1 and 6 stay, any other is combined with 6 by
    // exclusive or (< and > change places, so do <= and >=).
    static uint16_t MirrorOperator(uint16_t op);

private:
    static constexpr uint32_t kNoPrevious = 0xFFFFFFFFu;

    struct Level {
        uint32_t start;         // where the level's content starts in the text (just behind its "(")
        uint32_t units;         // terms and groups joined on this level
        uint32_t lastStart;     // where the last of them starts
        uint8_t pendingOp;      // bracket opened under XOR/NAND/NOR/EQV: the operator to apply at close
        uint32_t pendingStart;  // ... and where the previous term starts (kNoPrevious: none)
    };

    void Join(KxString term);
    // Replaces the text from pStart (the previous term) by its combination with term.
    void Combine(uint8_t op, uint32_t pStart, const KxString& term);
    // Finds the previous term of the current level; false when there is none.
    bool FindPrevious(uint32_t& pStart) const;
    // True when the current level already holds a term (the next one needs an operator).
    bool HasPrevious() const;
    Level& Current() { return levels_.back(); }
    const Level& Current() const { return levels_.back(); }

    KxString text_;
    uint8_t boolOp_;
    std::vector<Level> levels_;
};
