// WHERE condition of a statement.
#include "KxGCondition.h"

#include <cctype>

#include "KxGStatementTemplate.h"

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool IsWordChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '$' || c == '#' || c == '.' ||
           c == ':';
}

// The position behind the last non-blank character of text at or after from; from when there is none.
uint32_t TrimmedEnd(const KxString& text, uint32_t from)
{
    const char* s = text.StrGet();
    uint32_t end = text.Len();
    while (end > from && IsBlank(s[end - 1])) {
        --end;
    }
    return end;
}

// True when text holds AND or OR outside brackets and quotes: NOT or a combination applied to it
// needs brackets around it.
bool NeedsBrackets(const KxString& text)
{
    const char* s = text.StrGet();
    const uint32_t len = text.Len();
    int32_t depth = 0;
    char quote = 0;
    uint32_t i = 0;
    while (i < len) {
        char c = s[i];
        if (quote != 0) {
            if (c == quote) {
                quote = 0;
            }
            ++i;
        } else if (c == '\'' || c == '"') {
            quote = c;
            ++i;
        } else if (c == '(') {
            ++depth;
            ++i;
        } else if (c == ')') {
            --depth;
            ++i;
        } else if (IsWordChar(c)) {
            uint32_t start = i;
            while (i < len && IsWordChar(s[i])) {
                ++i;
            }
            if (depth == 0) {
                KxString word = text.Copy(start, i - start);
                word.ToUpper();
                if (word == "AND" || word == "OR") {
                    return true;
                }
            }
        } else {
            ++i;
        }
    }
    return false;
}

KxString Bracketed(const KxString& text)
{
    if (!NeedsBrackets(text)) {
        return text;
    }
    KxString result("( ");
    result << text << " )";
    return result;
}

}  // namespace

KxGCondition::KxGCondition() : boolOp_(KXG_BOOL_AND)
{
    levels_.push_back(Level{0, 0, 0, 0, 0});
}

void KxGCondition::Clear()
{
    text_ = KxString();
    levels_.clear();
    levels_.push_back(Level{0, 0, 0, 0, 0});
}

KxString KxGCondition::Comparison(uint16_t op, const KxString& operand)
{
    const uint16_t code = op & 0x800F;
    const char* text = nullptr;
    if ((op & KXG_OP_NULL) != 0) {
        if (code == KXG_OP_EQ) {
            text = " IS ";
        } else if (code == KXG_OP_NE) {
            text = " IS NOT ";
        }
    } else {
        switch (code) {
        case KXG_OP_EQ: text = " = "; break;
        case KXG_OP_LT: text = " < "; break;
        case KXG_OP_LE: text = " <= "; break;
        case KXG_OP_GT: text = " > "; break;
        case KXG_OP_GE: text = " >= "; break;
        case KXG_OP_NE: text = " <> "; break;
        case KXG_OP_LIKE: text = " LIKE "; break;
        case KXG_OP_NOT_LIKE: text = " NOT LIKE "; break;
        default: break;
        }
    }
    KxString result("");
    if (text != nullptr) {
        result << text;
    }
    result << operand;
    if ((op & KXG_OP_NULL) == 0 && (code == KXG_OP_LIKE || code == KXG_OP_NOT_LIKE)) {
        result << " ESCAPE '\\' ";
    }
    return result;
}

uint16_t KxGCondition::MirrorOperator(uint16_t op)
{
    if (op == KXG_OP_EQ || op == KXG_OP_NE) {
        return op;
    }
    return static_cast<uint16_t>(op ^ KXG_OP_NE);
}

void KxGCondition::AddCondition(const KxString& term)
{
    Join(term);
}

void KxGCondition::AddCondition(const KxGCondition& other)
{
    Join(other.text_);
}

void KxGCondition::AddCondition(const KxGColumn& column, uint16_t op, const KxString& value, uint16_t qualified)
{
    KxString term(qualified != 0 ? column.GetQualifiedName() : column.GetName());
    term << Comparison(op, value);
    Join(term);
}

void KxGCondition::AddCondition(const KxGColumn& column, uint16_t op, const KxGColumn& column2)
{
    KxString term(column.GetQualifiedName());
    term << Comparison(op, column2.GetQualifiedName());
    Join(term);
}

void KxGCondition::AddCondition(const KxString& left, uint16_t op, const KxString& right)
{
    KxString term(left);
    term << Comparison(op, right);
    Join(term);
}

void KxGCondition::AddInCondition(const KxGColumn& column, const KxString& list)
{
    KxString term(column.GetQualifiedName());
    term << " IN (" << list << ") ";
    Join(term);
}

void KxGCondition::AddSubselect(const KxGColumn& column, const KxGStatementTemplate& select)
{
    AddSubselect(column, select.GetSQLText());
}

void KxGCondition::AddSubselect(const KxGColumn& column, const KxString& selectText)
{
    KxString term(" ");
    term << column.GetQualifiedName() << " IN ( " << selectText << " ) ";
    Join(term);
}

void KxGCondition::AddSubselect(const KxGStatementTemplate& select, const KxString& left, uint16_t op)
{
    AddSubselect(select.GetSQLText(), left, op);
}

void KxGCondition::AddSubselect(const KxString& selectText, const KxString& left, uint16_t op)
{
    KxString term(left);
    term << Comparison(MirrorOperator(op), KxString("")) << " ( " << selectText << " ) ";
    Join(term);
}

void KxGCondition::AddExists(const KxGStatementTemplate& select)
{
    AddExists(select.GetSQLText());
}

void KxGCondition::AddExists(const KxString& selectText)
{
    KxString term(" EXISTS(");
    term << selectText << ") ";
    Join(term);
}

void KxGCondition::AddJoin(const KxGColumn& column, const KxGColumn& column2, const KxGIdentity* identity,
                           const KxGIdentity* identity2)
{
    KxString term("");
    if (identity != nullptr && !identity->GetName().IsEmpty()) {
        term << identity->GetName() << ".";
    }
    term << column.GetName() << " = ";
    if (identity2 != nullptr && !identity2->GetName().IsEmpty()) {
        term << identity2->GetName() << ".";
    }
    term << column2.GetName();
    Join(term);
}

// ---------------------------------------------------------------------------------------------------
// Joining

namespace {

bool IsCombining(uint8_t op)
{
    return op == KXG_BOOL_XOR || op == KXG_BOOL_NAND || op == KXG_BOOL_NOR || op == KXG_BOOL_EQV;
}

}  // namespace

bool KxGCondition::FindPrevious(uint32_t& pStart) const
{
    const Level& level = Current();
    const uint32_t end = TrimmedEnd(text_, level.start);
    if (end <= level.start) {
        return false;
    }
    const char last = text_.StrGet()[end - 1];
    if (last == '(') {
        return false;
    }
    // A text that ends with ")" ends with a bracketed group or a term that closes its own brackets
    // (IN list, sub-select, EXISTS): that last term is P. Otherwise P is the level's whole content.
    pStart = (last == ')' && level.units > 0) ? level.lastStart : level.start;
    return true;
}

bool KxGCondition::HasPrevious() const
{
    const Level& level = Current();
    const uint32_t end = TrimmedEnd(text_, level.start);
    return end > level.start && text_.StrGet()[end - 1] != '(';
}

void KxGCondition::Join(KxString term)
{
    if (TrimmedEnd(term, 0) == 0) {
        return;  // an empty term joins nothing
    }
    Level& level = Current();
    switch (boolOp_) {
    case KXG_BOOL_AND:
    case KXG_BOOL_OR:
        if (HasPrevious()) {
            text_ << (boolOp_ == KXG_BOOL_AND ? " AND " : " OR ");
        }
        level.lastStart = text_.Len();
        text_ << term;
        ++level.units;
        break;
    case KXG_BOOL_NOT:
        if (HasPrevious()) {
            text_ << " AND ";
        }
        level.lastStart = text_.Len();
        text_ << " NOT " << Bracketed(term);
        ++level.units;
        break;
    case KXG_BOOL_XOR:
    case KXG_BOOL_NAND:
    case KXG_BOOL_NOR:
    case KXG_BOOL_EQV: {
        uint32_t pStart = 0;
        if (FindPrevious(pStart)) {
            Combine(boolOp_, pStart, term);
        }
        break;
    }
    default:
        level.lastStart = text_.Len();
        text_ << term;
        ++level.units;
        break;
    }
}

void KxGCondition::Combine(uint8_t op, uint32_t pStart, const KxString& term)
{
    const KxString p = Bracketed(text_.Copy(pStart, text_.Len() - pStart));
    const KxString t = Bracketed(term);
    KxString combined("");
    switch (op) {
    case KXG_BOOL_XOR:
        combined << "(( " << p << " AND " << " NOT " << t << " ) " << " OR " << " ( " << " NOT " << p << " AND " << t
                 << " )) ";
        break;
    case KXG_BOOL_NAND:
        combined << "( " << " NOT " << p << " OR " << " NOT " << t << " ) ";
        break;
    case KXG_BOOL_NOR:
        combined << "( " << " NOT " << p << " AND " << " NOT " << t << " ) ";
        break;
    default:  // KXG_BOOL_EQV
        combined << "(( " << " NOT " << p << " OR " << t << " ) " << " AND " << " ( " << p << " OR " << " NOT " << t
                 << " )) ";
        break;
    }
    text_ = text_.Left(pStart);
    text_ << combined;
    Level& level = Current();
    if (pStart <= level.start) {
        level.units = 1;  // P was the level's whole content
    } else if (level.units == 0) {
        level.units = 1;
    }
    level.lastStart = pStart;
}

void KxGCondition::OpenBracket()
{
    if (IsCombining(boolOp_)) {
        // The group is combined with the previous term when it closes.
        uint32_t pStart = 0;
        const bool found = FindPrevious(pStart);
        const uint32_t bracket = text_.Len();
        text_ << " ( ";
        levels_.push_back(Level{bracket + 2, 0, bracket + 2, boolOp_, found ? pStart : kNoPrevious});
        return;
    }
    Join(KxString(" ( "));
    // The content starts just behind "(".
    const uint32_t start = text_.Len() - 1;
    levels_.push_back(Level{start, 0, start, 0, 0});
}

void KxGCondition::CloseBracket()
{
    text_ << " ) ";
    if (levels_.size() <= 1) {
        return;  // no bracket is open: nothing to combine
    }
    const Level closed = levels_.back();
    levels_.pop_back();
    if (closed.pendingOp == 0) {
        return;
    }
    const uint32_t bracket = closed.start - 2;
    const KxString group = text_.Copy(bracket, text_.Len() - bracket);
    text_ = text_.Left(bracket);
    if (closed.pendingStart != kNoPrevious) {
        Combine(closed.pendingOp, closed.pendingStart, group);
    }
}
