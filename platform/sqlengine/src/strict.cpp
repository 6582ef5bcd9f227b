// Oracle's value semantics on the rewrite side: operators routed through functions, '' as NULL,
// numeric literal range, and the CHECK constraints of declared column types.
#include "strict.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <set>

// GCC 12 reports a false -Wrestrict inside std::string assignments once they are inlined here
// (optimised builds only).
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ == 12
#pragma GCC diagnostic ignored "-Wrestrict"
#endif

namespace sqlengine {

namespace {

constexpr size_t npos = static_cast<size_t>(-1);

// Words that never are (part of) an operand.
const std::set<std::string> kKeywords = {
    "SELECT", "FROM",  "WHERE",  "AND",   "OR",       "NOT",   "IN",    "IS",     "LIKE",  "ESCAPE",
    "BETWEEN", "THEN", "ELSE",   "WHEN",  "AS",       "BY",    "ON",    "SET",    "VALUES", "DISTINCT",
    "ALL",    "UNION", "ORDER",  "GROUP", "HAVING",   "EXISTS", "ASC",  "DESC",   "NULLS", "INTO",
    "UPDATE", "DELETE", "INSERT", "FOR",  "PRIOR",    "ANY",   "SOME",  "MINUS",  "INTERSECT"};

// The significant tokens of a statement (no comments, nothing dropped), with the operators as they
// were written (passes replace the text of the operators they rewrite) and matching parentheses and
// CASE ... END.
class Sig {
 public:
  explicit Sig(std::vector<Token>& t) : t_(t) {
    for (size_t k = 0; k < t.size(); ++k)
      if (t[k].type != TokenType::Comment && !t[k].dropped) s_.push_back(k);
    match_.assign(s_.size(), npos);
    std::vector<size_t> parens, cases;
    for (size_t i = 0; i < s_.size(); ++i) {
      const Token& tk = t[s_[i]];
      op_.push_back(tk.type == TokenType::Op ? tk.text : std::string());
      if (IsOp(i, "(")) {
        parens.push_back(i);
      } else if (IsOp(i, ")")) {
        if (parens.empty()) {
          balanced_ = false;
        } else {
          match_[i] = parens.back();
          match_[parens.back()] = i;
          parens.pop_back();
        }
      } else if (IsWord(i, "CASE")) {
        cases.push_back(i);
      } else if (IsWord(i, "END") && !cases.empty()) {
        match_[i] = cases.back();
        match_[cases.back()] = i;
        cases.pop_back();
      }
    }
    balanced_ = balanced_ && parens.empty() && cases.empty();
  }

  size_t N() const { return s_.size(); }
  bool Balanced() const { return balanced_; }
  Token& T(size_t i) { return t_[s_[i]]; }
  bool IsOp(size_t i, const char* o) const { return i < s_.size() && op_.size() > i && op_[i] == o; }
  bool IsWord(size_t i, const char* w) const {
    return i < s_.size() && t_[s_[i]].type == TokenType::Word && t_[s_[i]].upper == w;
  }
  // A name, literal or bind marker.
  bool Atom(size_t i) const {
    if (i >= s_.size()) return false;
    const Token& tk = t_[s_[i]];
    switch (tk.type) {
      case TokenType::Word: return !kKeywords.count(tk.upper) && tk.upper != "CASE" && tk.upper != "END";
      case TokenType::QuotedId:
      case TokenType::String:
      case TokenType::Number:
      case TokenType::Marker: return true;
      default: return false;
    }
  }
  bool EndsOperand(size_t i) const { return Atom(i) || IsOp(i, ")") || (IsWord(i, "END") && match_[i] != npos); }

  // First token of the primary expression that ends at j (a name chain, literal, function call,
  // parenthesised expression or CASE), or npos.
  size_t PrimaryStart(size_t j) const {
    if (j >= s_.size()) return npos;
    size_t k;
    if (IsOp(j, ")")) {
      k = match_[j];
      if (k == npos) return npos;
      if (k > 0 && Atom(k - 1) && t_[s_[k - 1]].type == TokenType::Word) --k;
    } else if (IsWord(j, "END")) {
      k = match_[j];
      if (k == npos) return npos;
      return k;
    } else if (Atom(j)) {
      k = j;
    } else {
      return npos;
    }
    while (k >= 2 && IsOp(k - 1, ".") && Atom(k - 2)) k -= 2;
    return k;
  }
  // Last token of the primary expression that starts at i, or npos.
  size_t PrimaryEnd(size_t i) const {
    if (i >= s_.size()) return npos;
    if (IsOp(i, "(") || IsWord(i, "CASE")) return match_[i];
    if (!Atom(i)) return npos;
    size_t j = i;
    while (IsOp(j + 1, ".") && Atom(j + 2)) j += 2;
    if (IsOp(j + 1, "(")) return match_[j + 1];
    return j;
  }
  // A unary expression: signs and a primary.
  size_t UnaryStart(size_t j) const {
    size_t k = PrimaryStart(j);
    if (k == npos) return npos;
    while (k >= 1 && (IsOp(k - 1, "-") || IsOp(k - 1, "+")) && (k == 1 || !EndsOperand(k - 2))) --k;
    return k;
  }
  size_t UnaryEnd(size_t i) const {
    while (IsOp(i, "-") || IsOp(i, "+")) ++i;
    return PrimaryEnd(i);
  }
  // Start of the run of unary expressions that ends at j, joined by binary `ops`. `memo` (one per
  // operator set, N() entries of npos at first) keeps the starts of runs already scanned, so that a
  // long run of operators is scanned once, not once per operator.
  size_t RunStart(size_t j, std::initializer_list<const char*> ops, std::vector<size_t>& memo) const {
    std::vector<size_t> ends{j};
    size_t k = UnaryStart(j);
    while (k != npos && k >= 2 && EndsOperand(k - 2)) {
      bool joined = false;
      for (const char* o : ops) joined |= IsOp(k - 1, o);
      if (!joined) break;
      if (memo[k - 2] != npos) {
        k = memo[k - 2];
        break;
      }
      size_t before = UnaryStart(k - 2);
      if (before == npos) break;
      ends.push_back(k - 2);
      k = before;
    }
    if (k != npos)
      for (size_t e : ends) memo[e] = k;
    return k;
  }
  // End of a multiplicative term (unary expressions joined by * and /) that starts at i.
  size_t TermEnd(size_t i) const {
    size_t e = UnaryEnd(i);
    while (e != npos && (IsOp(e + 1, "*") || IsOp(e + 1, "/"))) {
      size_t next = UnaryEnd(e + 2);
      if (next == npos) break;
      e = next;
    }
    return e;
  }

  // Wraps tokens [from, to] into `fn(` ... `)`. Wraps applied inner first nest correctly; the texts
  // are put in place once, by Finish (many wraps may start at one token).
  void Wrap(size_t from, size_t to, const char* fn) {
    if (opens_.empty()) {
      opens_.resize(s_.size());
      closes_.assign(s_.size(), 0);
    }
    opens_[from].push_back(fn);
    ++closes_[to];
  }
  void Finish() {
    for (size_t i = 0; i < opens_.size(); ++i) {
      if (opens_[i].empty() && closes_[i] == 0) continue;
      std::string open;
      for (size_t k = opens_[i].size(); k-- > 0;) open += std::string(opens_[i][k]) + "(";
      T(i).text = open + T(i).text;
      T(i).append = std::string(closes_[i], ')') + T(i).append;
    }
  }

 private:
  std::vector<Token>& t_;
  std::vector<size_t> s_;
  std::vector<std::string> op_;
  std::vector<size_t> match_;
  std::vector<std::vector<const char*>> opens_;
  std::vector<size_t> closes_;
  bool balanced_ = true;
};

std::string QuoteText(const std::string& text) {
  std::string r = "'";
  for (char c : text) r += c == '\'' ? std::string("''") : std::string(1, c);
  return r + "'";
}

}  // namespace

bool ApplyValueSemantics(std::vector<Token>& tokens, const std::string& sql, Error& err) {
  for (auto& tk : tokens) {
    if (tk.dropped) continue;
    if (tk.type == TokenType::String && tk.text == "''") {
      tk.text = "NULL";
    } else if (tk.type == TokenType::Number) {
      double v = std::strtod(tk.text.c_str(), nullptr);
      if (!std::isfinite(v) || std::fabs(v) >= 1e126)
        return err.Set(1426, "literal " + tk.text + " in \"" + sql + "\"");
    }
  }
  Sig st(tokens);
  if (!st.Balanced()) return true;  // SQLite reports the statement
  const size_t n = st.N();
  // Division first: its operands are unary expressions, nested inside any concatenation.
  std::vector<size_t> products(n, npos), sums(n, npos);
  for (size_t i = 1; i + 1 < n; ++i) {
    if (!st.IsOp(i, "/")) continue;
    size_t from = st.RunStart(i - 1, {"*", "/"}, products), to = st.UnaryEnd(i + 1);
    if (from == npos || to == npos) continue;
    st.Wrap(from, to, "ORA_DIV");
    st.T(i).text = ",";
  }
  // Concatenation: || binds like binary + and -, so the first operand runs back over them.
  std::vector<bool> done(n, false);
  for (size_t i = 1; i + 1 < n; ++i) {
    if (!st.IsOp(i, "||") || done[i]) continue;
    size_t from = st.RunStart(i - 1, {"*", "/", "+", "-", "||"}, sums);
    if (from == npos) continue;
    std::vector<size_t> ops{i};
    size_t to = npos;
    for (size_t pos = i + 1;;) {
      to = st.TermEnd(pos);
      if (to == npos || !st.IsOp(to + 1, "||")) break;
      ops.push_back(to + 1);
      pos = to + 2;
    }
    if (to == npos) continue;
    st.Wrap(from, to, "ORA_CONCAT");
    for (size_t op : ops) {
      st.T(op).text = ",";
      done[op] = true;
    }
  }
  st.Finish();
  return true;
}

std::string ColumnCheckSql(const std::string& owner, const std::string& table, const std::string& column,
                           const std::string& declaredType) {
  std::string type;
  std::vector<long> args;
  for (size_t i = 0; i < declaredType.size();) {
    unsigned char c = static_cast<unsigned char>(declaredType[i]);
    if (std::isalpha(c) || c == '_') {
      size_t j = i;
      while (j < declaredType.size() && (std::isalnum(static_cast<unsigned char>(declaredType[j])) || declaredType[j] == '_')) ++j;
      if (type.empty()) {
        for (size_t k = i; k < j; ++k) type += static_cast<char>(std::toupper(static_cast<unsigned char>(declaredType[k])));
      }
      i = j;
    } else if (std::isdigit(c) || c == '-') {
      char* end = nullptr;
      args.push_back(std::strtol(declaredType.c_str() + i, &end, 10));
      i = end && end > declaredType.c_str() + i ? static_cast<size_t>(end - declaredType.c_str()) : i + 1;
    } else {
      ++i;
    }
  }
  const std::string col = QuotedIdent(column);
  const std::string name = QuoteText(QuoteName(owner) + "." + QuoteName(table) + "." + QuoteName(column));
  if (type == "VARCHAR2" || type == "VARCHAR" || type == "CHAR") {
    long max = args.empty() ? 1 : args[0];
    std::string m = std::to_string(max);
    // The function alone: it costs SQLite less than a quick test in SQL (a cast and a call to length).
    return " CHECK (ORA_CHECK_LENGTH(" + col + ", " + m + ", " + name + "))";
  }
  if (type == "RAW" && !args.empty()) {
    std::string m = std::to_string(args[0]);
    return " CHECK (" + col + " IS NULL OR (typeof(" + col + ") = 'blob' AND length(" + col + ") <= " + m +
           ") OR ORA_CHECK_LENGTH(" + col + ", " + m + ", " + name + ", 'R'))";
  }
  if (type == "NUMBER") {
    long precision = args.empty() ? 0 : args[0], scale = args.size() > 1 ? args[1] : 0;
    long digits = precision - scale;
    // A NUMBER without precision by its function alone: a test of two real bounds costs SQLite more.
    if (precision == 0) return " CHECK (ORA_CHECK_NUMBER(" + col + "))";
    // A quick range test that every value inside it passes; the function decides the rest. Integer
    // bounds, so that SQLite compares two integers without its general comparison.
    std::string bound;
    if (digits >= 1 && digits <= 18) {
      bound = std::string(static_cast<size_t>(digits), '9');
    } else if (digits > 18) {
      bound = "9223372036854775807";  // every integer fits
    }
    std::string quick = bound.empty() ? std::string() : col + " BETWEEN -" + bound + " AND " + bound + " OR ";
    // Every constant argument costs SQLite an instruction per row: a scale of 0 is left out.
    std::string fnArgs = std::to_string(precision);
    if (scale) {
      fnArgs += ", ";
      fnArgs += std::to_string(scale);
    }
    return " CHECK (" + quick + "ORA_CHECK_NUMBER(" + col + ", " + fnArgs + "))";
  }
  return std::string();
}

}  // namespace sqlengine
