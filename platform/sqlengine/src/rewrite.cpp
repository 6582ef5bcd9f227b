// Oracle-to-SQLite rewrite of the statement shapes the adapter and the gateway generate.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <set>

#include "sqlrewrite.h"
#include "sqldb2.h"
#include "strict.h"

namespace sqlengine {

namespace {

constexpr size_t npos = static_cast<size_t>(-1);

const std::set<std::string> kFunctions = {"COUNT", "UPPER",  "LOWER", "REPLACE", "SUBSTR",  "RTRIM",
                                          "TO_DATE", "TO_CHAR", "TRUNC", "ROUND", "RPAD", "CHR",
                                          "ASCII", "USERENV", "EMPTY_BLOB"};
const std::set<std::string> kParenKeywords = {"IN",   "EXISTS", "VALUES", "AND",      "OR",    "NOT",
                                              "SELECT", "WHERE", "ON",   "AS",       "THEN",  "ELSE",
                                              "BY",   "SET",    "FROM",   "ALL",      "DISTINCT", "UNION",
                                              "INTO", "LIKE",   "IS",     "ESCAPE"};
const std::set<std::string> kNotAlias = {"WHERE", "ORDER", "GROUP", "HAVING", "UNION", "INTERSECT", "MINUS",
                                         "FOR",   "ON",    "SET",   "VALUES", "SELECT", "FROM",     "CONNECT",
                                         "START", "JOIN",  "INNER", "LEFT",   "RIGHT",  "FULL",     "OUTER",
                                         "CROSS", "NATURAL", "USING", "AND",  "OR",     "WITH",     "AS",
                                         "WHEN"};
// Words that stay SQL keywords in a rewritten statement; every other word is a name and reaches
// SQLite quoted (QuotedIdent), so that no SQLite-only keyword or operator can hide in one.
const std::set<std::string> kKeywords = {"SELECT", "FROM",   "WHERE", "AND",    "OR",     "NOT",    "NULL",
                                         "IS",     "IN",     "EXISTS", "LIKE",  "ESCAPE", "ORDER",  "BY",
                                         "ASC",    "DESC",   "NULLS", "GROUP",  "UNION",  "ALL",    "DISTINCT",
                                         "AS",     "INSERT", "INTO",  "VALUES", "UPDATE", "SET",    "DELETE",
                                         "FOR",    "BETWEEN", "ROWNUM", "OF",   "NOWAIT", "WAIT",   "HAVING",
                                         "CASE",   "WHEN",   "THEN",  "ELSE",   "END"};
// Oracle's reserved words: never a name unless quoted.
const std::set<std::string> kReserved = {
    "ACCESS", "ADD", "ALL", "ALTER", "AND", "ANY", "AS", "ASC", "AUDIT", "BETWEEN", "BY", "CHAR", "CHECK",
    "CLUSTER", "COLUMN", "COMMENT", "COMPRESS", "CONNECT", "CREATE", "CURRENT", "DATE", "DECIMAL", "DEFAULT",
    "DELETE", "DESC", "DISTINCT", "DROP", "ELSE", "EXCLUSIVE", "EXISTS", "FILE", "FLOAT", "FOR", "FROM",
    "GRANT", "GROUP", "HAVING", "IDENTIFIED", "IMMEDIATE", "IN", "INCREMENT", "INDEX", "INITIAL", "INSERT",
    "INTEGER", "INTERSECT", "INTO", "IS", "LEVEL", "LIKE", "LOCK", "LONG", "MAXEXTENTS", "MINUS", "MLSLABEL",
    "MODE", "MODIFY", "NOAUDIT", "NOCOMPRESS", "NOT", "NOWAIT", "NULL", "NUMBER", "OF", "OFFLINE", "ON",
    "ONLINE", "OPTION", "OR", "ORDER", "PCTFREE", "PRIOR", "PRIVILEGES", "PUBLIC", "RAW", "RENAME",
    "RESOURCE", "REVOKE", "ROW", "ROWID", "ROWNUM", "ROWS", "SELECT", "SESSION", "SET", "SHARE", "SIZE",
    "SMALLINT", "START", "SUCCESSFUL", "SYNONYM", "SYSDATE", "TABLE", "THEN", "TO", "TRIGGER", "UID", "UNION",
    "UNIQUE", "UPDATE", "USER", "VALIDATE", "VALUES", "VARCHAR", "VARCHAR2", "VIEW", "WHENEVER", "WHERE",
    "WITH"};
const std::set<std::string> kServerViews = {"V$SESSION",    "V$NLS_PARAMETERS", "V$VERSION",  "ALL_USERS",
                                            "ALL_OBJECTS",  "USER_OBJECTS",     "ALL_CATALOG", "ALL_INDEXES"};

std::string Upper(const std::string& s) {
  std::string u(s);
  for (auto& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return u;
}

std::string Q(const std::string& oracleName) { return QuotedIdent(oracleName); }

}  // namespace

bool IsReservedWord(const std::string& upperWord) { return kReserved.count(upperWord) != 0; }

namespace {

bool IsRowidName(const std::string& oracleName) {
  return oracleName == "ROWID" || oracleName == "OID" || oracleName == "_ROWID_";
}

// Standard texts of errors the rewrite gives that the shared table may not carry.
bool FailWith(Error& err, int32_t code, const std::string& detail, const std::string& sql) {
  static const std::pair<int32_t, const char*> kTexts[] = {
      {908, "missing NULL keyword"},          {909, "invalid number of arguments"},
      {917, "missing comma"},                 {920, "invalid relational operator"},
      {923, "FROM keyword not found where expected"}, {30005, "missing or invalid WAIT interval"},
  };
  for (const auto& t : kTexts)
    if (t.first == code) return err.SetText(code, std::string(t.second) + ": " + detail + " in \"" + sql + "\"");
  return err.Set(code, detail + " in \"" + sql + "\"");
}

void AddUnique(std::vector<std::string>& v, const std::string& s) {
  if (std::find(v.begin(), v.end(), s) == v.end()) v.push_back(s);
}

// Significant tokens of one statement with their parenthesis depth.
class Stmt {
 public:
  std::vector<Token> t;
  std::vector<size_t> s;
  std::vector<int> depth;
  std::vector<size_t> match;

  static constexpr int kMaxDepth = 50;  // SQLite's parser gives up not much deeper

  bool Index(Error& err, const std::string& sql) {
    s.clear();
    depth.clear();
    match.clear();
    std::vector<size_t> stack;
    int level = 0;
    for (size_t k = 0; k < t.size(); ++k) {
      if (t[k].type == TokenType::Comment) continue;
      size_t i = s.size();
      s.push_back(k);
      match.push_back(npos);
      bool op = t[k].type == TokenType::Op;
      if (op && t[k].text == ")") {
        if (stack.empty()) return err.Set(933, "unbalanced ')' in \"" + sql + "\"");
        --level;
        match[i] = stack.back();
        match[stack.back()] = i;
        stack.pop_back();
        depth.push_back(level);
      } else {
        depth.push_back(level);
        if (op && t[k].text == "(") {
          stack.push_back(i);
          if (++level > kMaxDepth) return err.Set(900, "parentheses nested deeper than 50 in \"" + sql + "\"");
        }
      }
    }
    if (!stack.empty()) return err.Set(907, "in \"" + sql + "\"");
    return true;
  }
  size_t N() const { return s.size(); }
  Token& T(size_t i) { return t[s[i]]; }
  const Token& T(size_t i) const { return t[s[i]]; }
  std::string U(size_t i) const { return i < s.size() ? t[s[i]].upper : std::string(); }
  bool IsW(size_t i, const char* w) const {
    return i < s.size() && t[s[i]].type == TokenType::Word && t[s[i]].upper == w;
  }
  bool IsOp(size_t i, const char* o) const {
    return i < s.size() && t[s[i]].type == TokenType::Op && t[s[i]].text == o;
  }
  bool IsIdent(size_t i) const {
    return i < s.size() && (t[s[i]].type == TokenType::Word || t[s[i]].type == TokenType::QuotedId);
  }
  std::string Ident(size_t i) const { return i < s.size() ? t[s[i]].upper : std::string(); }
  // Drops significant tokens [from, to] and the comments between them.
  void Drop(size_t from, size_t to) {
    for (size_t k = s[from]; k <= s[to]; ++k) t[k].dropped = true;
  }
  // The original text of significant tokens [from, to].
  std::string Text(size_t from, size_t to) const {
    std::string r;
    for (size_t k = s[from]; k <= s[to]; ++k) {
      if (t[k].type == TokenType::Comment) continue;
      if (!r.empty()) r += t[k].lead.empty() ? "" : " ";
      r += t[k].text;
    }
    return r;
  }
};

struct TableRef {
  size_t schema = npos, name = npos, alias = npos, fromKw = npos;
  size_t reservedAt = npos;  // a reserved word written as the schema or table name
  char access = 'S';
  bool soleItem = false;
  int depth = 0;
};

struct DmlOptions {
  bool strip = false;         // a view or trigger body: qualifiers of strip schema are removed
  std::string stripSchema;
  std::string stripFile;
  const char* what = "";
  bool trigger = false;       // :OLD. and :NEW. instead of binds
  std::set<std::string> oldNames{"OLD"};
  std::set<std::string> newNames{"NEW"};
};

struct ColumnDef {
  std::string name;
  std::string type;        // SQLite declared type
  std::string defaultSql;  // empty when none
  bool notNull = false;
  bool isLong = false;
  bool userDefault = false;
  bool padded = false;     // compared as DB2 compares texts: with trailing blanks ignored
};

std::string Squeezed(const std::string& s) {
  std::string r;
  for (char c : s)
    if (!std::isspace(static_cast<unsigned char>(c))) r += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return r;
}

// SQLite syntax that Oracle does not have (or means differently), recognised by its keyword use so
// that the same words stay usable as column names. Answers a description, or empty.
std::string ForbiddenUse(const Stmt& st, size_t i) {
  const std::string w = st.U(i);
  if ((i > 0 && st.IsOp(i - 1, ".")) || st.IsOp(i + 1, ".")) return std::string();
  auto nextIs = [&](TokenType t) { return i + 1 < st.N() && st.T(i + 1).type == t; };
  if ((w == "LIMIT" || w == "OFFSET") && (nextIs(TokenType::Number) || nextIs(TokenType::Marker))) return w + " clause";
  if ((w == "GLOB" || w == "REGEXP" || w == "MATCH") &&
      (nextIs(TokenType::String) || nextIs(TokenType::Marker) || nextIs(TokenType::Number)))
    return w + " operator";
  if (w == "COLLATE" && nextIs(TokenType::Word)) return "COLLATE clause";
  if (w == "INDEXED" && st.IsW(i + 1, "BY")) return "INDEXED BY clause";
  if (w == "CONFLICT" && i > 0 && (st.IsW(i - 1, "ON") || st.IsW(i - 1, "OR"))) return "conflict clause";
  if ((w == "FILTER" || w == "OVER") && st.IsOp(i + 1, "(")) return w + " clause";
  if (w == "CONNECT" && st.IsW(i + 1, "BY")) return "CONNECT BY";
  if ((w == "INTERSECT" || w == "EXCEPT" || w == "MINUS") && (st.IsW(i + 1, "SELECT") || st.IsOp(i + 1, "(")))
    return w + " set operator";
  if (w == "RETURNING" || w == "JOIN" || w == "ROWID" || w == "SYSDATE" || w == "HAVING") return "keyword " + w;
  return std::string();
}

bool IsKeyword(const Stmt& st, size_t i) {
  if (i >= st.N() || st.T(i).type != TokenType::Word) return false;
  const std::string& w = st.T(i).upper;
  return kKeywords.count(w) != 0 || ((w == "FIRST" || w == "LAST") && i > 0 && st.IsW(i - 1, "NULLS"));
}

bool IsOperator(const Stmt& st, size_t i) {
  static const std::set<std::string> kOps = {"=", "<>", "!=", "<", ">", "<=", ">=", "||", "+", "-", "*", "/"};
  return i < st.N() && st.T(i).type == TokenType::Op && kOps.count(st.T(i).text) != 0;
}

// The token can end an operand: a name, a literal, a bind or a closing parenthesis.
bool EndsOperand(const Stmt& st, size_t i) {
  const Token& t = st.T(i);
  switch (t.type) {
    case TokenType::QuotedId: case TokenType::Number: case TokenType::String: case TokenType::Marker: return true;
    case TokenType::Word: return !IsKeyword(st, i) || t.upper == "NULL";
    case TokenType::Op: return t.text == ")";
    default: return false;
  }
}

class Rewriter {
 public:
  Rewriter(const std::string& sql, const RewriteContext& ctx, Rewritten& out, Error& err)
      : sql_(sql), ctx_(ctx), out_(out), err_(err) {}

  bool Run() {
    Stmt st;
    if (!Tokenize(sql_, st.t, err_)) return false;
    if (!st.Index(err_, sql_)) return false;
    if (st.N() == 0) return Fail(900, "empty statement");
    const std::string w = st.U(0);
    if (w == "SELECT") return Dml(st, StatementKind::Select);
    if (w == "INSERT") {
      if (!st.IsW(1, "INTO")) return Fail(925, "missing INTO keyword");
      return Dml(st, StatementKind::Insert);
    }
    if (w == "UPDATE") return Dml(st, StatementKind::Update);
    if (w == "DELETE") {
      if (!st.IsW(1, "FROM")) return Fail(900, "DELETE without FROM is not supported");
      return Dml(st, StatementKind::Delete);
    }
    p_ = 1;
    if (w == "CREATE") return Create(st);
    if (w == "ALTER") return Alter(st);
    if (w == "DROP") return DropStmt(st);
    if (w == "GRANT") return GrantStmt(st);
    if (w == "SAVEPOINT") {
      out_.kind = StatementKind::Savepoint;
      std::string name;
      if (!Name1(st, name) || !End(st)) return false;
      out_.args.push_back(name);
      out_.sql.push_back("SAVEPOINT " + Q(name));
      return true;
    }
    if (w == "ROLLBACK" || w == "COMMIT") {
      Accept(st, "WORK");
      if (w == "ROLLBACK" && Accept(st, "TO")) {
        Accept(st, "SAVEPOINT");
        std::string name;
        if (!Name1(st, name) || !End(st)) return false;
        out_.kind = StatementKind::RollbackTo;
        out_.args.push_back(name);
        out_.sql.push_back("ROLLBACK TO " + Q(name));
        return true;
      }
      out_.kind = w == "COMMIT" ? StatementKind::Commit : StatementKind::Rollback;
      return End(st);
    }
    if (w == "BEGIN") return Block(st);
    return Fail(900, "unsupported statement");
  }

 private:
  bool Fail(int32_t code, const std::string& what) { return FailWith(err_, code, what, sql_); }

  // ---- cursor helpers over the significant tokens ----
  bool Accept(const Stmt& st, const char* w) {
    if (st.IsW(p_, w) || st.IsOp(p_, w)) {
      ++p_;
      return true;
    }
    return false;
  }
  bool Expect(const Stmt& st, const char* w) {
    if (Accept(st, w)) return true;
    if (std::string(w) == "(") return Fail(906, "expected '(' at '" + st.U(p_) + "'");
    if (std::string(w) == ")") return Fail(907, "expected ')' at '" + st.U(p_) + "'");
    return Fail(900, std::string("expected ") + w + " at '" + (p_ < st.N() ? st.T(p_).text : "end") + "'");
  }
  bool End(const Stmt& st) {
    if (p_ < st.N()) return Fail(933, "unexpected '" + st.T(p_).text + "'");
    return true;
  }
  bool CheckLength(const std::string& name) {
    if (name.size() > 30) return Fail(972, "identifier " + name + " is too long");
    return true;
  }
  bool Name1(const Stmt& st, std::string& name) {
    if (!st.IsIdent(p_)) return Fail(900, "expected a name at '" + (p_ < st.N() ? st.T(p_).text : "end") + "'");
    name = st.Ident(p_++);
    return CheckLength(name);
  }
  // A reserved word written as a name (not quoted): Oracle's error for that place.
  // Answers true with the error set.
  bool Reserved(const Stmt& st, size_t i, int32_t code) {
    if (code == 0 || i >= st.N() || st.T(i).type != TokenType::Word || !kReserved.count(st.T(i).upper)) return false;
    if (code == 904) Fail(904, "\"" + st.T(i).upper + "\": invalid identifier (a reserved word)");
    else Fail(code, "reserved word " + st.T(i).upper + " as a name");
    return true;
  }
  // [owner .] name; the owner defaults to the session user. `reserved`: the error for a reserved
  // word in the name (0: not checked here); an owner that is one gives ORA-00903.
  bool QName(const Stmt& st, std::string& owner, std::string& name, int32_t reserved = 0) {
    if (!st.IsIdent(p_)) return Fail(903, "invalid table name at '" + (p_ < st.N() ? st.T(p_).text : "end") + "'");
    bool qualified = st.IsOp(p_ + 1, ".") && st.IsIdent(p_ + 2);
    if (reserved && (qualified ? Reserved(st, p_, 903) || Reserved(st, p_ + 2, reserved) : Reserved(st, p_, reserved)))
      return false;
    if (qualified) {
      owner = st.Ident(p_);
      name = st.Ident(p_ + 2);
      p_ += 3;
    } else {
      owner = ctx_.User();
      name = st.Ident(p_++);
    }
    return CheckLength(owner) && CheckLength(name);
  }

  // ---- DML and queries ----
  bool CollectRefs(Stmt& st, std::vector<TableRef>& refs) {
    const size_t n = st.N();
    auto parse = [&](size_t j, char access, TableRef& r) -> size_t {
      r.access = access;
      r.reservedAt = st.IsIdent(j) && st.IsOp(j + 1, ".") && st.IsIdent(j + 2)
                         ? (st.T(j).type == TokenType::Word && kReserved.count(st.U(j)) ? j
                            : st.T(j + 2).type == TokenType::Word && kReserved.count(st.U(j + 2)) ? j + 2 : npos)
                         : npos;
      if (st.IsIdent(j) && st.IsOp(j + 1, ".") && st.IsIdent(j + 2)) {
        r.schema = j;
        r.name = j + 2;
        j += 3;
      } else {
        r.name = j;
        j += 1;
      }
      if (j < n && st.IsIdent(j) && !(st.T(j).type == TokenType::Word && kNotAlias.count(st.U(j)))) r.alias = j++;
      return j;
    };
    for (size_t i = 0; i < n; ++i) {
      if (st.IsW(i, "FROM")) {
        char access = i > 0 && st.IsW(i - 1, "DELETE") ? 'D' : 'S';
        size_t j = i + 1, first = refs.size();
        int items = 0;
        for (;;) {
          ++items;
          if (st.IsOp(j, "(")) {
            j = st.match[j] + 1;
            if (j < n && st.IsIdent(j) && !(st.T(j).type == TokenType::Word && kNotAlias.count(st.U(j)))) ++j;
          } else if (st.IsIdent(j) && !(st.T(j).type == TokenType::Word && kNotAlias.count(st.U(j)))) {
            TableRef r;
            r.fromKw = i;
            r.depth = st.depth[i];
            j = parse(j, access, r);
            refs.push_back(r);
          } else {
            return Fail(903, "missing table name after FROM");
          }
          if (st.IsOp(j, ",")) {
            ++j;
            continue;
          }
          break;
        }
        if (items == 1 && refs.size() == first + 1) refs.back().soleItem = true;
      } else if (st.IsW(i, "INTO") && i > 0 && st.IsW(i - 1, "INSERT")) {
        TableRef r;
        if (!st.IsIdent(i + 1)) return Fail(903, "missing table name after INTO");
        size_t j = parse(i + 1, 'I', r);
        (void)j;
        r.alias = npos;
        refs.push_back(r);
      } else if (i == 0 && st.IsW(0, "UPDATE")) {
        TableRef r;
        if (!st.IsIdent(1)) return Fail(903, "missing table name after UPDATE");
        parse(1, 'U', r);
        refs.push_back(r);
      }
    }
    return true;
  }

  bool Dml(Stmt& st, StatementKind kind) {
    out_.kind = kind;
    int counter = 0;
    std::string text;
    if (!RewriteDml(st, kind, DmlOptions(), text, counter)) return false;
    out_.placeholders = counter;
    out_.sql.push_back(text);
    return true;
  }

  bool RewriteDml(Stmt& st, StatementKind kind, const DmlOptions& opt, std::string& text, int& counter) {
    const size_t n = st.N();
    // 1. Screening: keywords, operators and binds.
    for (size_t i = 0; i < n; ++i) {
      Token& tk = st.T(i);
      if (tk.type == TokenType::Word) {
        std::string forbidden = ForbiddenUse(st, i);
        if (!forbidden.empty()) return Fail(900, "unsupported " + forbidden);
        if (tk.upper == "UNION" && st.IsW(i + 1, "DISTINCT")) return Fail(928, "UNION DISTINCT is not Oracle syntax");
        if (tk.upper == "ROWNUM" && kind != StatementKind::Select) return Fail(900, "ROWNUM outside a query");
        if (tk.upper == "IS" && !st.IsW(st.IsW(i + 1, "NOT") ? i + 2 : i + 1, "NULL")) return Fail(908, "IS without NULL");
        if (tk.upper == "IN" && st.IsOp(i + 1, "(") && st.IsOp(i + 2, ")")) return Fail(936, "empty IN list");
        if (tk.upper == "VALUES" && st.IsOp(i + 1, "(") && st.IsOp(i + 2, ")")) return Fail(936, "empty VALUES list");
      } else if (tk.type == TokenType::Op) {
        if (tk.text == ";") return Fail(911, "invalid character ';'");
        if (tk.text == ":=" || tk.text == "=>" || tk.text == ".." || tk.text == "%") return Fail(900, "unsupported operator " + tk.text);
        // Two operators in a row ("==", "<<", "->" ...) are one operator to SQLite, none to Oracle.
        if (IsOperator(st, i) && i + 1 < n && IsOperator(st, i + 1) && !st.IsOp(i + 1, "-") && !st.IsOp(i + 1, "+"))
          return Fail(936, "missing expression after '" + tk.text + "'");
        if (tk.text == "(" && st.IsOp(i + 1, ")") && !(i > 0 && st.IsIdent(i - 1))) return Fail(936, "empty parentheses");
      } else if (tk.type == TokenType::String) {
        // A text right after an operand: SQLite reads x'41' as a BLOB and 'a' 'b' as an alias.
        if (i > 0 && EndsOperand(st, i - 1)) return ClauseError(st, i, "unexpected text " + tk.text);
      } else if (tk.type == TokenType::Marker) {
        std::string name = tk.upper.substr(1);
        if (opt.trigger) {
          bool isOld = opt.oldNames.count(name) != 0, isNew = opt.newNames.count(name) != 0;
          if ((!isOld && !isNew) || !st.IsOp(i + 1, ".")) return Fail(900, "bind variable " + tk.text + " in a trigger body");
          tk.text = isOld ? "OLD" : "NEW";
        } else {
          tk.text = "?" + std::to_string(++counter);
        }
      }
    }
    if (opt.strip && !opt.trigger && counter > 0) return Fail(900, "bind variable in a view");
    // A reserved word as a table or schema name is what Oracle's parser stops at first.
    std::vector<TableRef> refs;
    Error before = err_;
    if (CollectRefs(st, refs)) {
      for (const auto& r : refs)
        if (r.reservedAt != npos) return Fail(903, "reserved word " + st.U(r.reservedAt) + " as a table name");
    }
    err_ = before;
    refs.clear();
    if (!CheckReservedColumns(st) || !CheckSelectsHaveFrom(st) || !CheckWhereClauses(st)) return false;
    // 2. Tables.
    if (!CollectRefs(st, refs)) return false;
    std::set<size_t> refTokens;
    for (const auto& r : refs) {
      refTokens.insert(r.name);
      if (r.schema != npos) refTokens.insert(r.schema);
    }
    // Names reach SQLite quoted; function names and keywords stay as they are.
    for (size_t i = 0; i < n; ++i) {
      Token& tk = st.T(i);
      bool call = st.IsOp(i + 1, "(") && !refTokens.count(i);
      if (tk.type == TokenType::QuotedId) {
        if (call) {
          if (!kFunctions.count(tk.upper) && !IsDb2Function(tk.upper)) return Fail(904, tk.text + ": invalid identifier");
          continue;
        }
        tk.text = Q(tk.upper);
      } else if (tk.type == TokenType::Word && !call && !IsKeyword(st, i)) {
        tk.text = Q(tk.upper);
      }
    }
    std::vector<const TableRef*> duals;
    std::vector<std::pair<std::string, std::string>> located(refs.size());  // file and table of each ref
    for (size_t ri = 0; ri < refs.size(); ++ri) {
      const TableRef& r = refs[ri];
      std::string table = st.Ident(r.name), schema;
      bool qualified = r.schema != npos;
      if (qualified) {
        schema = st.Ident(r.schema);
        if (!ctx_.IsSchema(schema)) continue;  // the engine reports the unknown table
      } else {
        if (table == "DUAL") {
          duals.push_back(&r);
          continue;
        }
        if (kServerViews.count(table)) {
          if (opt.strip) return Fail(900, std::string("server view ") + table + " in a " + opt.what);
          AddUnique(out_.views, table);
          continue;
        }
        schema = ctx_.User();
        if (!ctx_.IsSchema(schema)) continue;
      }
      std::string file = FileAlias(schema, table);
      located[ri] = {file, table};
      AddUnique(out_.schemas, schema);
      out_.uses.push_back({schema, table, r.access});
      if (opt.strip) {
        if (schema != opt.stripSchema || file != opt.stripFile)
          return Fail(900, "table " + schema + "." + table + " lies outside the file of the " + opt.what);
        if (qualified) {
          st.T(r.name).lead = st.T(r.schema).lead;
          st.Drop(r.schema, r.schema + 1);
        }
      } else if (qualified) {
        st.T(r.schema).text = file;
      } else {
        st.T(r.name).text = file + "." + st.T(r.name).text;
      }
    }
    if (!CheckRowidNames(st, refs, located, refTokens)) return false;
    // 3. Schema-qualified column references (S.T.C).
    for (size_t i = 0; i + 4 < n; ++i) {
      if (refTokens.count(i) || (i > 0 && st.IsOp(i - 1, "."))) continue;
      if (!(st.IsIdent(i) && st.IsOp(i + 1, ".") && st.IsIdent(i + 2) && st.IsOp(i + 3, ".") && st.IsIdent(i + 4))) continue;
      std::string schema = st.Ident(i);
      if (!ctx_.IsSchema(schema)) continue;
      std::string file = FileAlias(schema, st.Ident(i + 2));
      if (opt.strip) {
        if (schema != opt.stripSchema || file != opt.stripFile)
          return Fail(900, "column of " + schema + "." + st.Ident(i + 2) + " outside the file of the " + opt.what);
        st.T(i + 2).lead = st.T(i).lead;
        st.Drop(i, i + 1);
      } else {
        st.T(i).text = file;
      }
    }
    // 4. Functions.
    for (size_t i = 0; i + 1 < n; ++i) {
      const Token& tk = st.T(i);
      if (tk.type != TokenType::Word || !st.IsOp(i + 1, "(") || refTokens.count(i)) continue;
      if (kParenKeywords.count(tk.upper) || kFunctions.count(tk.upper) || IsDb2Function(tk.upper)) continue;
      return Fail(904, "\"" + tk.upper + "\": invalid identifier");
    }
    // 5. DUAL.
    for (const TableRef* r : duals) {
      if (!r->soleItem || r->alias != npos || opt.strip) return Fail(900, "DUAL joined with other tables");
      st.Drop(r->fromKw, r->fromKw);
      st.Drop(r->name, r->name);
    }
    // 6. ORDER BY: Oracle sorts NULLs high.
    for (size_t i = 0; i + 1 < n; ++i) {
      if (!(st.IsW(i, "ORDER") && st.IsW(i + 1, "BY"))) continue;
      int d = st.depth[i];
      size_t j = i + 2, start = j;
      auto finish = [&](size_t endExclusive) {
        if (endExclusive <= start) return;
        size_t last = endExclusive - 1;
        bool hasNulls = false;
        for (size_t k = start; k < endExclusive; ++k) hasNulls |= st.IsW(k, "NULLS");
        if (hasNulls || st.T(last).dropped) return;
        st.T(last).append += st.IsW(last, "DESC") ? " NULLS FIRST" : " NULLS LAST";
      };
      // Only this level's tokens are visited (parentheses are jumped), so the pass stays linear.
      for (; j < n; ++j) {
        if (st.depth[j] < d) break;
        if (st.IsW(j, "FOR") || st.IsW(j, "UNION") || st.IsW(j, "ORDER")) break;
        if (st.IsOp(j, "(")) {
          j = st.match[j];
        } else if (st.IsOp(j, ",")) {
          finish(j);
          start = j + 1;
        }
      }
      finish(j);
    }
    // 7. Queries: FOR UPDATE, ROWNUM, index hints.
    if (kind == StatementKind::Select && !Query(st, refs)) return false;
    // 8. INSERT ... VALUES: an empty text literal is NULL in Oracle.
    for (size_t i = 0; i + 1 < n; ++i) {
      if (!(st.IsW(i, "VALUES") && st.IsOp(i + 1, "("))) continue;
      size_t close = st.match[i + 1], start = i + 2;
      for (size_t j = start; j <= close; ++j) {
        if (j == close || (st.depth[j] == st.depth[i] + 1 && st.IsOp(j, ","))) {
          if (j == start + 1 && st.T(start).type == TokenType::String && st.T(start).text == "''") st.T(start).text = "NULL";
          start = j + 1;
        }
      }
    }
    if (!ApplyValueSemantics(st.t, sql_, err_)) return false;
    FinishRowLimit(st);
    text = JoinTokens(st.t);
    // 9. A single-table query can also deliver the row id (LOB locators write back to their row).
    if (kind == StatementKind::Select && !opt.strip && refs.size() == 1 && refs[0].fromKw != npos &&
        refs[0].depth == 0 && duals.empty() && refs[0].fromKw > 0) {
      bool plain = true;
      for (size_t i = 0; i < n; ++i)
        plain &= !(st.IsW(i, "DISTINCT") || st.IsW(i, "UNION") || st.IsW(i, "GROUP") || st.IsW(i, "COUNT"));
      if (plain) {
        Token& before = st.T(refs[0].fromKw - 1);
        std::string saved = before.append;
        before.append += ", _ROWID_";
        out_.rowidSql = JoinTokens(st.t);
        before.append = saved;
      }
    }
    return true;
  }

  // A reserved word (not quoted) where a column belongs: after a qualifier, in the column list of an
  // INSERT, as a target of UPDATE ... SET or FOR UPDATE OF, Oracle finds no column (ORA-01747); where
  // an expression starts (select list, conditions, ORDER BY, operands, arguments) none (ORA-00936).
  // The pseudo-columns and the words that open an expression or a condition stay.
  bool CheckReservedColumns(const Stmt& st) {
    static const std::set<std::string> kOpeners = {"NOT",    "NULL",  "EXISTS", "SELECT",  "DISTINCT", "ALL",
                                                   "ANY",    "PRIOR", "LEVEL",  "ROWNUM",  "SYSDATE",  "USER",
                                                   "UID",    "ROWID", "DATE",   "DEFAULT"};
    static const std::set<std::string> kBefore = {"SELECT", "DISTINCT", "ALL",  "WHERE", "AND",  "OR",
                                                  "NOT",    "BY",       "SET",  "HAVING", "WHEN", "THEN",
                                                  "ELSE",   "LIKE",     "ESCAPE", "BETWEEN", "OF"};
    static const std::set<std::string> kAfterNot = {"IN", "LIKE", "BETWEEN"};
    // One pass: the open parenthesis around each token and the last keyword of each level.
    std::vector<size_t> open;
    std::vector<size_t> lastKeyword(Stmt::kMaxDepth + 2, npos);
    for (size_t i = 0; i < st.N(); ++i) {
      const Token& tk = st.T(i);
      size_t d = static_cast<size_t>(st.depth[i]);
      if (tk.type == TokenType::Op && tk.text == "(") {
        open.push_back(i);
        lastKeyword[d + 1] = npos;
        continue;
      }
      if (tk.type == TokenType::Op && tk.text == ")") {
        if (!open.empty()) open.pop_back();
        continue;
      }
      if (tk.type != TokenType::Word) continue;
      bool reserved = i > 0 && kReserved.count(tk.upper) != 0;
      if (kKeywords.count(tk.upper)) lastKeyword[d] = i;
      if (!reserved) continue;
      if (st.IsOp(i - 1, ".")) {
        if (tk.upper != "ROWID" && i >= 2 && st.IsIdent(i - 2)) return Fail(1747, "reserved word " + tk.upper + " as a column");
        continue;
      }
      const Token& prev = st.T(i - 1);
      bool comma = prev.type == TokenType::Op && prev.text == ",";
      bool operand = prev.type == TokenType::Word ? kBefore.count(prev.upper) != 0
                     : prev.type == TokenType::Op ? comma || prev.text == "(" ||
                                                        (IsOperator(st, i - 1) && (prev.text != "*" || (i >= 2 && EndsOperand(st, i - 2))))
                                                  : false;
      if (!operand) continue;
      // INSERT INTO [S .] T ( ..., i ), UPDATE ... SET ..., i = or FOR UPDATE OF ..., i
      size_t k = open.empty() ? npos : open.back();
      size_t into = k != npos && k >= 2 && st.IsIdent(k - 1) ? (st.IsOp(k - 2, ".") && k >= 4 ? k - 4 : k - 2) : npos;
      bool inColumnList = into != npos && st.IsW(into, "INTO") && (comma || prev.text == "(");
      size_t kw = comma ? lastKeyword[d] : npos;
      bool target = st.IsW(i - 1, "SET") || st.IsW(i - 1, "OF") || (kw != npos && (st.IsW(kw, "SET") || st.IsW(kw, "OF")));
      if (inColumnList || target) return Fail(1747, "reserved word " + tk.upper + " as a column");
      if (kOpeners.count(tk.upper) || (prev.upper == "NOT" && kAfterNot.count(tk.upper))) continue;
      return Fail(936, "reserved word " + tk.upper + " where an expression belongs");
    }
    return true;
  }

  // Oracle's error for a token out of place: 917 inside a VALUES list, 923 in a select list, 933 elsewhere.
  bool ClauseError(const Stmt& st, size_t i, const std::string& what) {
    int d = st.depth[i];
    for (size_t k = i; k-- > 0;) {
      if (st.depth[k] >= d) continue;
      if (st.IsOp(k, "(") && k > 0 && st.IsW(k - 1, "VALUES")) return Fail(917, what);
      break;
    }
    for (size_t k = i; k-- > 0;) {
      if (st.depth[k] < d) break;
      if (st.depth[k] != d || st.T(k).type != TokenType::Word) continue;
      if (st.IsW(k, "SELECT")) return Fail(923, what);
      if (IsKeyword(st, k) && !st.IsW(k, "AS") && !st.IsW(k, "DISTINCT") && !st.IsW(k, "ALL") && !st.IsW(k, "NULL")) break;
    }
    return Fail(933, what);
  }

  // Every SELECT has its FROM at its own parenthesis level (ORA-00923).
  bool CheckSelectsHaveFrom(const Stmt& st) {
    std::vector<char> pending;  // per level: a SELECT still waits for its FROM
    auto missing = [&]() { return Fail(923, "SELECT without FROM"); };
    for (size_t i = 0; i < st.N(); ++i) {
      size_t d = static_cast<size_t>(st.depth[i]);
      if (pending.size() < d + 2) pending.resize(d + 2, 0);
      if (st.IsOp(i, "(")) {
        pending[d + 1] = 0;
      } else if (st.IsOp(i, ")")) {
        if (pending[d + 1]) return missing();
      } else if (st.IsW(i, "SELECT")) {
        if (pending[d]) return missing();
        pending[d] = 1;
      } else if (st.IsW(i, "FROM")) {
        pending[d] = 0;
      } else if (st.IsW(i, "UNION") || st.IsW(i, "ORDER") || st.IsW(i, "WHERE")) {
        if (pending[d]) return missing();
      }
    }
    for (char p : pending)
      if (p) return missing();
    return true;
  }

  // A WHERE clause is a condition: terms joined by AND and OR, each a comparison, LIKE, IN, IS
  // [NOT] NULL, BETWEEN, EXISTS or a parenthesised condition (ORA-00920 for a bare operand).
  bool CheckWhereClauses(const Stmt& st) {
    const size_t n = st.N();
    for (size_t i = 0; i < n; ++i) {
      if (!st.IsW(i, "WHERE")) continue;
      int d = st.depth[i];
      size_t e = i + 1;
      while (e < n && st.depth[e] >= d) {
        if (st.IsW(e, "ORDER") || st.IsW(e, "GROUP") || st.IsW(e, "UNION") || st.IsW(e, "FOR") || st.IsW(e, "HAVING") ||
            st.IsW(e, "CONNECT") || st.IsW(e, "START") || st.IsW(e, "MINUS") || st.IsW(e, "INTERSECT"))
          break;
        e = st.IsOp(e, "(") ? st.match[e] + 1 : e + 1;
      }
      if (!CheckCondition(st, i + 1, e)) return false;
    }
    return true;
  }

  bool CheckCondition(const Stmt& st, size_t from, size_t to) {
    size_t start = from;
    bool between = false;
    for (size_t k = from; k < to; ++k) {
      if (st.IsOp(k, "(")) {
        k = st.match[k];
      } else if (st.IsW(k, "BETWEEN")) {
        between = true;
      } else if (st.IsW(k, "AND") && between) {
        between = false;
      } else if (st.IsW(k, "AND") || st.IsW(k, "OR")) {
        if (!CheckTerm(st, start, k)) return false;
        start = k + 1;
      }
    }
    return CheckTerm(st, start, to);
  }

  bool CheckTerm(const Stmt& st, size_t from, size_t to) {
    while (from < to && st.IsW(from, "NOT")) ++from;
    if (from >= to) return Fail(936, "missing condition");
    if (st.IsW(from, "EXISTS")) return true;
    if (st.IsOp(from, "(") && st.match[from] == to - 1) {
      if (st.IsW(from + 1, "SELECT")) return Fail(920, "a query where a condition belongs");
      return CheckCondition(st, from + 1, to - 1);
    }
    for (size_t k = from; k < to; ++k) {
      if (st.IsOp(k, "(")) {
        k = st.match[k];
        continue;
      }
      const Token& t = st.T(k);
      if (t.type == TokenType::Op &&
          (t.text == "=" || t.text == "<>" || t.text == "!=" || t.text == "<" || t.text == ">" || t.text == "<=" || t.text == ">="))
        return true;
      if (st.IsW(k, "IN") || st.IsW(k, "LIKE") || st.IsW(k, "IS") || st.IsW(k, "BETWEEN")) return true;
    }
    return Fail(920, "condition without a comparison at '" + st.T(from).text + "'");
  }

  // ROWID, OID and _ROWID_ name a column only where a table has one; SQLite would read the row id.
  // Each table is asked once per name, so that the pass stays linear in the text.
  bool CheckRowidNames(const Stmt& st, const std::vector<TableRef>& refs,
                       const std::vector<std::pair<std::string, std::string>>& located, const std::set<size_t>& refTokens) {
    std::map<std::string, std::vector<size_t>> byQualifier;  // alias, or table name when it has none
    for (size_t r = 0; r < refs.size(); ++r)
      byQualifier[st.Ident(refs[r].alias != npos ? refs[r].alias : refs[r].name)].push_back(r);
    std::map<std::pair<size_t, std::string>, int> asked;
    std::map<std::pair<std::string, std::string>, bool> verdicts;  // (qualifier or "", name) -> refused
    for (size_t i = 0; i < st.N(); ++i) {
      const Token& tk = st.T(i);
      if (!(tk.type == TokenType::Word || tk.type == TokenType::QuotedId) || !IsRowidName(tk.upper)) continue;
      if (refTokens.count(i) || st.IsOp(i + 1, ".") || st.IsOp(i + 1, "(")) continue;
      if (i > 0 && (st.IsW(i - 1, "AS") || EndsOperand(st, i - 1))) continue;  // an alias
      bool qualified = i >= 2 && st.IsOp(i - 1, ".");
      std::string qualifier = qualified ? st.Ident(i - 2) : std::string();
      auto key = std::make_pair(qualifier, tk.upper);
      auto v = verdicts.find(key);
      if (v == verdicts.end()) {
        std::vector<size_t> all;
        const std::vector<size_t>* candidates = &all;
        if (qualified) {
          auto q = byQualifier.find(qualifier);
          if (q != byQualifier.end()) candidates = &q->second;
        } else {
          for (size_t r = 0; r < refs.size(); ++r) all.push_back(r);
        }
        bool known = !candidates->empty(), found = false;
        for (size_t r : *candidates) {
          auto a = asked.find({r, tk.upper});
          if (a == asked.end()) {
            int has = located[r].first.empty()
                          ? -1
                          : ctx_.HasColumn(located[r].first, SqliteName(located[r].second), SqliteName(tk.upper));
            a = asked.emplace(std::make_pair(r, tk.upper), has).first;
          }
          if (a->second < 0) known = false;
          if (a->second > 0) found = true;
        }
        v = verdicts.emplace(key, known && !found).first;
      }
      if (v->second) return Fail(904, "\"" + tk.upper + "\": invalid identifier");
    }
    return true;
  }

  bool Query(Stmt& st, const std::vector<TableRef>& refs) {
    const size_t n = st.N();
    // FOR UPDATE [OF columns] [NOWAIT | WAIT n]: row locks are not kept; the clause is removed.
    size_t end = n;
    for (size_t i = 0; i + 1 < n; ++i) {
      if (st.depth[i] == 0 && st.IsW(i, "FOR") && st.IsW(i + 1, "UPDATE")) {
        size_t k = i + 2;
        if (st.IsW(k, "OF")) {
          do {
            ++k;
            if (!st.IsIdent(k) || IsKeyword(st, k)) return Fail(904, "missing column after FOR UPDATE OF");
            ++k;
            while (st.IsOp(k, ".") && st.IsIdent(k + 1)) k += 2;
          } while (st.IsOp(k, ","));
        }
        if (st.IsW(k, "NOWAIT")) {
          ++k;
        } else if (st.IsW(k, "WAIT")) {
          if (k + 1 >= n || st.T(k + 1).type != TokenType::Number) return Fail(30005, "WAIT without a number");
          k += 2;
        }
        if (k < n) return Fail(933, "unexpected '" + st.T(k).text + "' after FOR UPDATE");
        st.Drop(i, n - 1);
        end = i;
        break;
      }
    }
    bool topOrder = false;
    for (size_t i = 0; i + 1 < end; ++i)
      if (st.depth[i] == 0 && st.IsW(i, "ORDER") && st.IsW(i + 1, "BY")) topOrder = true;
    // ROWNUM < n as a top-level AND term becomes LIMIT n-1.
    long limit = -1;
    size_t rownum = npos;
    for (size_t i = 0; i < end; ++i) {
      if (!st.IsW(i, "ROWNUM")) continue;
      if (limit >= 0) return Fail(900, "ROWNUM used twice");
      rownum = i;
      if (st.depth[i] != 0) return Fail(900, "ROWNUM inside parentheses");
      size_t w = npos;
      for (size_t k = i; k-- > 0;)
        if (st.depth[k] == 0 && st.IsW(k, "WHERE")) {
          w = k;
          break;
        }
      if (w == npos) return Fail(900, "ROWNUM outside the WHERE clause");
      size_t e = end;
      for (size_t k = w + 1; k < end; ++k)
        if (st.depth[k] == 0 && (st.IsW(k, "ORDER") || st.IsW(k, "UNION") || st.IsW(k, "GROUP"))) {
          e = k;
          break;
        }
      for (size_t k = w + 1; k < e; ++k)
        if (st.depth[k] == 0 && st.IsW(k, "OR")) return Fail(900, "ROWNUM is not a top-level AND term");
      bool lt = st.IsOp(i + 1, "<"), le = st.IsOp(i + 1, "<=");
      if (!(lt || le) || i + 2 >= e || st.T(i + 2).type != TokenType::Number)
        return Fail(900, "unsupported ROWNUM condition");
      if (!(i + 3 == e || st.IsW(i + 3, "AND")) || !(i - 1 == w || st.IsW(i - 1, "AND")))
        return Fail(900, "ROWNUM is not a top-level AND term");
      long value = std::strtol(st.T(i + 2).text.c_str(), nullptr, 10);
      limit = std::max(0L, lt ? value - 1 : value);
      if (st.IsW(i - 1, "AND")) st.Drop(i - 1, i + 2);
      else if (i + 3 < e) st.Drop(i, i + 3);
      else st.Drop(w, i + 2);
    }
    if (limit < 0) return true;
    if (!PlainRowLimit(st, rownum, end, topOrder)) return RowLimitByRowids(st, refs, rownum, end, limit);
    std::string tail;
    if (!topOrder) tail = HintOrder(st, refs);
    tail += " LIMIT " + std::to_string(limit);
    for (size_t k = end; k-- > 0;) {
      if (!st.T(k).dropped) {
        st.T(k).append += tail;
        break;
      }
    }
    return true;
  }

  // Oracle numbers the rows as it reads them, before it sorts, groups, removes duplicates, counts
  // or joins a query block to another by UNION: a LIMIT does the same only for a query without any
  // of these.
  bool PlainRowLimit(const Stmt& st, size_t rownum, size_t end, bool topOrder) const {
    if (topOrder) return false;
    static const std::set<std::string> kAggregates = {"COUNT", "SUM", "MIN", "MAX", "AVG"};
    for (size_t k = 0; k < end; ++k) {
      if (st.depth[k] != 0) continue;
      if (st.IsW(k, "UNION") || st.IsW(k, "GROUP") || st.IsW(k, "DISTINCT")) return false;
      if (k < rownum && st.T(k).type == TokenType::Word && kAggregates.count(st.U(k)) && st.IsOp(k + 1, "("))
        return false;
    }
    return true;
  }

  // A row limit taken before the rest of the query: the first n rows the query block reads are
  // found by a sub-query with LIMIT n over the block's FROM and WHERE clauses, and the block keeps
  // the rows whose row ids are among them. The sub-query's text is made in FinishRowLimit, once
  // the tokens have their final texts.
  bool RowLimitByRowids(const Stmt& st, const std::vector<TableRef>& refs, size_t rownum, size_t end, long limit) {
    size_t from = npos, stop = end;
    for (size_t k = rownum; k-- > 0;) {
      if (st.depth[k] != 0) continue;
      if (st.IsW(k, "FROM")) {
        from = k;
        break;
      }
    }
    for (size_t k = rownum; k < end; ++k)
      if (st.depth[k] == 0 && (st.IsW(k, "ORDER") || st.IsW(k, "GROUP") || st.IsW(k, "UNION"))) {
        stop = k;
        break;
      }
    if (from == npos) return Fail(900, "ROWNUM outside the WHERE clause");
    rowLimit_ = RowLimitPlan();
    for (size_t k = from + 1; k < stop; ++k) {
      if (st.depth[k] != 0) continue;
      if (st.IsW(k, "WHERE")) break;
      if (st.IsOp(k, "(")) return Fail(900, "ROWNUM with a sub-query in FROM");
    }
    for (const auto& r : refs) {
      if (r.fromKw != from) continue;
      std::string schema = r.schema != npos ? st.Ident(r.schema) : ctx_.User(), file, table;
      if (ctx_.LocateObject(schema, st.Ident(r.name), "VIEW", file, table))
        return Fail(900, "ROWNUM over the view " + schema + "." + st.Ident(r.name) + " with ORDER BY, GROUP BY, "
                         "DISTINCT, an aggregate or UNION");
      rowLimit_.keys.push_back(r.alias != npos ? r.alias : r.name);
      rowLimit_.schemaOf.push_back(r.alias != npos ? npos : r.schema);
    }
    if (rowLimit_.keys.empty()) return Fail(900, "ROWNUM without a table");
    rowLimit_.from = from;
    rowLimit_.stop = stop;
    rowLimit_.limit = limit;
    return true;
  }

  // Writes the row limit planned by RowLimitByRowids into the statement.
  void FinishRowLimit(Stmt& st) {
    if (rowLimit_.from == npos) return;
    std::string keys;
    for (size_t k = 0; k < rowLimit_.keys.size(); ++k) {
      if (k) keys += ", ";
      size_t schema = rowLimit_.schemaOf[k];
      if (schema != npos && !st.T(schema).dropped) keys += st.T(schema).text + ".";
      keys += st.T(rowLimit_.keys[k]).text + "._ROWID_";
    }
    if (rowLimit_.keys.size() > 1) keys = "(" + keys + ")";
    size_t first = st.s[rowLimit_.from], last = rowLimit_.stop < st.N() ? st.s[rowLimit_.stop] : st.t.size();
    std::vector<Token> range(st.t.begin() + static_cast<std::ptrdiff_t>(first), st.t.begin() + static_cast<std::ptrdiff_t>(last));
    std::string body = JoinTokens(range);
    std::string inner = "SELECT " + (rowLimit_.keys.size() > 1 ? keys.substr(1, keys.size() - 2) : keys) + " " + body + " LIMIT " +
            std::to_string(rowLimit_.limit);
    bool where = false;
    size_t lastKept = rowLimit_.from;
    for (size_t k = rowLimit_.from + 1; k < rowLimit_.stop; ++k) {
      if (st.T(k).dropped) continue;
      lastKept = k;
      if (st.depth[k] == 0 && st.IsW(k, "WHERE")) where = true;
    }
    st.T(lastKept).append += std::string(where ? " AND " : " WHERE ") + keys + " IN (" + inner + ")";
    rowLimit_ = RowLimitPlan();
  }

  // ORDER BY of the index named in an INDEX_ASC hint, for a row-limited query without ORDER BY.
  std::string HintOrder(const Stmt& st, const std::vector<TableRef>& refs) {
    std::string hint;
    size_t stop = st.N() > 1 ? st.s[1] : st.t.size();
    for (size_t k = st.s[0] + 1; k < stop; ++k)
      if (st.t[k].type == TokenType::Comment && st.t[k].text.compare(0, 3, "/*+") == 0) hint = Upper(st.t[k].text);
    if (hint.empty()) return std::string();
    size_t pos = hint.find("INDEX_ASC");
    if (pos == std::string::npos) pos = hint.find("INDEX");
    if (pos == std::string::npos) return std::string();
    size_t open = hint.find('(', pos), close = hint.find(')', pos);
    if (open == std::string::npos || close == std::string::npos || close < open) return std::string();
    std::vector<std::string> words;
    std::string cur;
    for (size_t k = open + 1; k <= close; ++k) {
      char c = hint[k];
      if (std::isspace(static_cast<unsigned char>(c)) || c == ',' || c == ')') {
        if (!cur.empty()) words.push_back(cur);
        cur.clear();
      } else {
        cur += c;
      }
    }
    if (words.size() < 2) return std::string();
    const std::string& ref = words[0];
    const std::string& index = words[1];
    auto plain = [](const std::string& w) {
      if (w.empty() || !std::isalpha(static_cast<unsigned char>(w[0]))) return false;
      for (char c : w)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '#')) return false;
      return true;
    };
    if (!plain(ref) || !plain(index)) return std::string();
    for (const auto& r : refs) {
      if (r.depth != 0 || r.fromKw == npos) continue;
      bool byAlias = r.alias != npos && st.Ident(r.alias) == ref;
      if (!byAlias && st.Ident(r.name) != ref) continue;
      std::string schema = r.schema != npos ? st.Ident(r.schema) : ctx_.User();
      std::vector<IndexColumn> cols;
      if (!ctx_.IndexColumns(FileAlias(schema, st.Ident(r.name)), index, cols) || cols.empty()) return std::string();
      std::string order = " ORDER BY ";
      for (size_t c = 0; c < cols.size(); ++c) {
        if (c) order += ", ";
        order += Q(ref) + "." + QuoteName(cols[c].name) + (cols[c].descending ? " DESC NULLS FIRST" : " NULLS LAST");
      }
      return order;
    }
    return std::string();
  }

  // ---- DDL ----
  bool ColumnDefinition(const Stmt& st, ColumnDef& def, bool inAlter) {
    if (Reserved(st, p_, 904) || !Name1(st, def.name)) return false;
    if (p_ >= st.N() || st.T(p_).type != TokenType::Word) return Fail(902, "missing datatype of " + def.name);
    std::string w = st.U(p_++);
    auto length = [&](const char* type, long max, bool required) -> bool {
      if (!Accept(st, "(")) {
        if (required) return Fail(906, std::string(type) + " needs a length");
        def.type = type;
        return true;
      }
      if (p_ >= st.N() || st.T(p_).type != TokenType::Number) return Fail(910, std::string("bad length of ") + type);
      long len = std::strtol(st.T(p_).text.c_str(), nullptr, 10);
      ++p_;
      if (len < 1 || len > max) return Fail(910, std::string(type) + " (" + std::to_string(len) + ")");
      if (!Expect(st, ")")) return false;
      def.type = std::string(type) + " (" + std::to_string(len) + ")";
      return true;
    };
    if (w == "VARCHAR2" || w == "VARCHAR") {
      if (!length("VARCHAR2", 4000, true)) return false;
    } else if (w == "CHAR") {
      if (!length("CHAR", 2000, false)) return false;
    } else if (w == "DB2$CHAR" || w == "DB2$VARCHAR") {
      // The DB2 flavour's character columns: DB2 compares texts as if the shorter one were padded
      // with blanks to the length of the other.
      if (!(w == "DB2$CHAR" ? length("CHAR", 2000, false) : length("VARCHAR2", 4000, true))) return false;
      def.padded = true;
    } else if (w == "RAW") {
      if (!length("RAW", 2000, true)) return false;
    } else if (w == "NUMBER") {
      if (Accept(st, "(")) {
        if (p_ >= st.N() || st.T(p_).type != TokenType::Number) return Fail(1727, "bad precision");
        long prec = std::strtol(st.T(p_++).text.c_str(), nullptr, 10);
        if (prec < 1 || prec > 38) return Fail(1727, "NUMBER (" + std::to_string(prec) + ")");
        std::string scale;
        if (Accept(st, ",")) {
          if (p_ >= st.N() || st.T(p_).type != TokenType::Number) return Fail(1727, "bad scale");
          scale = ", " + st.T(p_++).text;
        }
        if (!Expect(st, ")")) return false;
        def.type = "NUMBER (" + std::to_string(prec) + scale + ")";
      } else {
        def.type = "NUMBER";
      }
    } else if (w == "DATE") {
      def.type = "DATE";
    } else if (w == "LONG") {
      if (Accept(st, "RAW")) {
        def.type = "LONG RAW";
      } else {
        Accept(st, "VARCHAR");
        def.type = "LONG VARCHAR";
      }
      def.isLong = true;
    } else if (w == "BLOB") {
      def.type = "BLOB";
    } else {
      return Fail(902, "invalid datatype " + st.T(p_ - 1).text + " of column " + def.name);
    }
    for (;;) {
      if (Accept(st, "DEFAULT")) {
        if (p_ >= st.N()) return Fail(936, "missing DEFAULT value");
        const Token& v = st.T(p_);
        if (v.type == TokenType::Number || v.type == TokenType::String) {
          def.defaultSql = v.text == "''" ? "NULL" : v.text;
          ++p_;
        } else if (st.IsOp(p_, "-") && p_ + 1 < st.N() && st.T(p_ + 1).type == TokenType::Number) {
          def.defaultSql = "-" + st.T(p_ + 1).text;
          p_ += 2;
        } else if (st.IsW(p_, "NULL")) {
          def.defaultSql = "NULL";
          ++p_;
        } else if (st.IsW(p_, "USER")) {
          if (inAlter) return Fail(900, "DEFAULT USER on an added column is not supported");
          def.defaultSql = "(ORA_USER())";
          def.userDefault = true;
          ++p_;
        } else if (st.IsW(p_, "EMPTY_BLOB") && st.IsOp(p_ + 1, "(") && st.IsOp(p_ + 2, ")")) {
          def.defaultSql = "x''";
          p_ += 3;
        } else {
          return Fail(900, "unsupported DEFAULT value '" + v.text + "'");
        }
      } else if (Accept(st, "NOT")) {
        if (!Expect(st, "NULL")) return false;
        def.notNull = true;
      } else if (Accept(st, "NULL")) {
        def.notNull = false;
      } else {
        break;
      }
    }
    return true;
  }

  static std::string ColumnSql(const ColumnDef& d, bool alterAdd) {
    std::string s = Q(d.name) + " " + d.type;
    if (d.padded) s += " COLLATE RTRIM";
    if (!d.defaultSql.empty()) s += " DEFAULT " + d.defaultSql;
    if (d.notNull) {
      if (alterAdd && (d.defaultSql.empty() || d.defaultSql == "NULL"))
        s += " CONSTRAINT " + QuoteName("NN$" + SqliteName(d.name)) + " CHECK (" + Q(d.name) + " IS NOT NULL)";
      else
        s += " NOT NULL";
    }
    return s;
  }

  bool Create(Stmt& st) {
    bool orReplace = false;
    if (Accept(st, "OR")) {
      if (!Expect(st, "REPLACE")) return false;
      orReplace = true;
    }
    if (Accept(st, "TABLE") && !orReplace) return CreateTable(st);
    bool unique = Accept(st, "UNIQUE");
    if (Accept(st, "INDEX") && !orReplace) return CreateIndex(st, unique);
    if (unique) return Fail(900, "UNIQUE without INDEX");
    if (Accept(st, "VIEW") && !orReplace) return CreateView(st);
    if (Accept(st, "TRIGGER")) return CreateTrigger(st);
    if (Accept(st, "PACKAGE") && orReplace) return CreatePlsql(st, StatementKind::CreatePackage, "PACKAGE");
    if (Accept(st, "PROCEDURE") && orReplace) return CreatePlsql(st, StatementKind::CreateProcedure, "PROCEDURE");
    if (Accept(st, "USER") && !orReplace) return CreateUser(st);
    if (Accept(st, "ROLE") && !orReplace) {
      out_.kind = StatementKind::CreateRole;
      std::string role;
      if (!Name1(st, role)) return false;
      if (Accept(st, "NOT")) {
        if (!Expect(st, "IDENTIFIED")) return false;
      } else if (Accept(st, "IDENTIFIED")) {
        if (!Expect(st, "BY")) return false;
        std::string pw;
        if (!Name1(st, pw)) return false;
      }
      out_.args.push_back(role);
      return End(st);
    }
    return Fail(900, "unsupported CREATE statement");
  }

  bool CreateTable(Stmt& st) {
    out_.kind = StatementKind::CreateTable;
    out_.objectType = "TABLE";
    if (p_ >= st.N()) return Fail(903, "CREATE TABLE without a table name");
    std::string owner, table;
    if (!QName(st, owner, table, 903)) return false;
    if (!Expect(st, "(")) return false;
    std::vector<ColumnDef> cols;
    std::set<std::string> names;
    std::vector<std::string> keys;
    int longs = 0;
    for (;;) {
      if (Accept(st, "PRIMARY")) {
        if (!keys.empty()) return Fail(2260, "table can have only one primary key");
        if (!Expect(st, "KEY") || !Expect(st, "(")) return false;
        for (;;) {
          std::string k;
          if (!Name1(st, k)) return false;
          keys.push_back(k);
          if (!Accept(st, ",")) break;
        }
        if (!Expect(st, ")")) return false;
      } else {
        ColumnDef def;
        if (!ColumnDefinition(st, def, false)) return false;
        if (!names.insert(def.name).second) return Fail(957, "duplicate column " + def.name);
        longs += def.isLong;
        cols.push_back(def);
      }
      if (Accept(st, ",")) continue;
      if (!Expect(st, ")")) return false;
      break;
    }
    if (!End(st)) return false;
    if (cols.empty()) return Fail(904, "table without columns");
    if (longs > 1) return Fail(1754, "table " + table);
    std::map<std::string, size_t> position;
    for (size_t i = 0; i < cols.size(); ++i) position[cols[i].name] = i;
    for (const auto& k : keys) {
      auto it = position.find(k);
      if (it == position.end()) return Fail(904, "\"" + k + "\": invalid identifier");
      cols[it->second].notNull = true;
    }
    std::string file = FileAlias(owner, table);
    std::string sql = "CREATE TABLE " + file + "." + Q(table) + " (";
    for (size_t i = 0; i < cols.size(); ++i)
      sql += (i ? ", " : "") + ColumnSql(cols[i], false) + ColumnCheckSql(owner, table, cols[i].name, cols[i].type);
    if (!keys.empty()) {
      sql += ", PRIMARY KEY (";
      for (size_t i = 0; i < keys.size(); ++i) sql += (i ? ", " : "") + Q(keys[i]);
      sql += ")";
    }
    sql += ")";
    out_.sql.push_back(sql);
    Object(owner, table, file);
    return true;
  }

  void Object(const std::string& owner, const std::string& name, const std::string& file) {
    out_.owner = owner;
    out_.name = name;
    out_.fileAlias = file;
    AddUnique(out_.schemas, owner);
  }

  bool CreateIndex(Stmt& st, bool unique) {
    out_.kind = StatementKind::CreateIndex;
    out_.objectType = "INDEX";
    std::string owner, index, towner, table;
    if (!QName(st, owner, index, 953) || !Expect(st, "ON") || !QName(st, towner, table, 903) || !Expect(st, "(")) return false;
    std::string cols;
    for (;;) {
      std::string c;
      if (!Name1(st, c)) return false;
      cols += (cols.empty() ? "" : ", ") + Q(c);
      if (Accept(st, "ASC")) cols += " ASC";
      else if (Accept(st, "DESC")) cols += " DESC";
      if (!Accept(st, ",")) break;
    }
    if (!Expect(st, ")") || !End(st)) return false;
    if (owner != towner) return Fail(900, "index " + owner + "." + index + " in another schema than its table");
    std::string file = FileAlias(towner, table);
    out_.sql.push_back(std::string("CREATE ") + (unique ? "UNIQUE " : "") + "INDEX " + file + "." + Q(index) + " ON " +
                       Q(table) + " (" + cols + ")");
    Object(owner, index, file);
    out_.table = table;
    return true;
  }

  bool CreateView(Stmt& st) {
    out_.kind = StatementKind::CreateView;
    out_.objectType = "VIEW";
    std::string owner, view;
    if (!QName(st, owner, view, 903)) return false;
    std::string cols;
    if (Accept(st, "(")) {
      for (;;) {
        std::string c;
        if (!Name1(st, c)) return false;
        cols += (cols.empty() ? "" : ", ") + Q(c);
        if (!Accept(st, ",")) break;
      }
      if (!Expect(st, ")")) return false;
    }
    if (!Expect(st, "AS")) return false;
    if (!st.IsW(p_, "SELECT")) return Fail(928, "view body is not a query");
    Stmt body;
    body.t.assign(st.t.begin() + static_cast<long>(st.s[p_]), st.t.end());
    body.t[0].lead.clear();
    if (!body.Index(err_, sql_)) return false;
    DmlOptions opt;
    opt.strip = true;
    opt.stripSchema = owner;
    opt.stripFile = MainAlias(owner);
    opt.what = "view";
    int counter = 0;
    std::string text;
    std::vector<std::string> schemas;
    schemas.swap(out_.schemas);
    if (!RewriteDml(body, StatementKind::Select, opt, text, counter)) return false;
    out_.schemas.swap(schemas);
    std::string file = MainAlias(owner);
    out_.sql.push_back("CREATE VIEW " + file + "." + Q(view) + (cols.empty() ? "" : " (" + cols + ")") + " AS " + text);
    Object(owner, view, file);
    return true;
  }

  bool CreateTrigger(Stmt& st) {
    out_.kind = StatementKind::CreateTrigger;
    out_.objectType = "TRIGGER";
    std::string owner, name, towner, table;
    if (!QName(st, owner, name)) return false;
    std::string timing = st.U(p_);
    if (timing != "AFTER" && timing != "BEFORE") return Fail(900, "trigger timing " + timing + " is not supported");
    ++p_;
    std::vector<std::string> events;
    for (;;) {
      std::string ev = st.U(p_);
      if (ev != "INSERT" && ev != "UPDATE" && ev != "DELETE") return Fail(969, "missing ON keyword or unsupported event '" + ev + "'");
      ++p_;
      if (std::find(events.begin(), events.end(), ev) == events.end()) events.push_back(ev);
      if (!Accept(st, "OR")) break;
    }
    if (!Expect(st, "ON")) return false;
    tableStart_ = p_;
    if (!QName(st, towner, table)) return false;
    tableEnd_ = p_;
    DmlOptions opt;
    opt.strip = true;
    opt.trigger = true;
    opt.what = "trigger";
    opt.stripSchema = towner;
    opt.stripFile = FileAlias(towner, table);
    if (Accept(st, "REFERENCING")) {
      opt.oldNames.clear();
      opt.newNames.clear();
      while (st.IsW(p_, "OLD") || st.IsW(p_, "NEW")) {
        bool isOld = st.IsW(p_, "OLD");
        ++p_;
        Accept(st, "AS");
        std::string alias;
        if (!Name1(st, alias)) return false;
        (isOld ? opt.oldNames : opt.newNames).insert(alias);
      }
      if (opt.oldNames.empty()) opt.oldNames.insert("OLD");
      if (opt.newNames.empty()) opt.newNames.insert("NEW");
    }
    if (!(Accept(st, "FOR") && Accept(st, "EACH") && Accept(st, "ROW"))) return Fail(900, "only row triggers (FOR EACH ROW) are supported");
    // WHEN (condition): rewritten as the condition of a DELETE on the trigger's table would be.
    std::string when;
    if (Accept(st, "WHEN")) {
      if (!st.IsOp(p_, "(") || st.match[p_] == npos) return Fail(906, "WHEN needs a parenthesised condition");
      size_t close = st.match[p_];
      Stmt sub;
      Token del, from;
      del.type = from.type = TokenType::Word;
      del.text = del.upper = "DELETE";
      from.text = from.upper = "FROM";
      from.lead = " ";
      sub.t = {del, from};
      for (size_t k = st.s[tableStart_]; k < st.s[tableEnd_]; ++k) sub.t.push_back(st.t[k]);
      Token where;
      where.type = TokenType::Word;
      where.text = where.upper = "WHERE";
      where.lead = " ";
      sub.t.push_back(where);
      for (size_t k = st.s[p_]; k <= st.s[close]; ++k) sub.t.push_back(st.t[k]);
      if (!sub.Index(err_, sql_)) return false;
      int counter = 0;
      std::string text;
      std::vector<TableUse> uses;
      uses.swap(out_.uses);
      bool ok = RewriteDml(sub, StatementKind::Delete, opt, text, counter);
      out_.uses.swap(uses);
      if (!ok) return false;
      size_t at = text.find(" WHERE ");
      if (at == std::string::npos) return Fail(900, "unsupported WHEN condition");
      when = " WHEN " + text.substr(at + 7);
      p_ = close + 1;
    }
    if (!Expect(st, "BEGIN")) return false;
    // The body ends at the last END of the text (optionally followed by the trigger name and ';').
    size_t last = st.N();
    while (last > p_ && (st.IsOp(last - 1, ";") || (st.IsIdent(last - 1) && !st.IsW(last - 1, "END")))) --last;
    if (last <= p_ || !st.IsW(last - 1, "END")) return Fail(900, "trigger body without END");
    size_t bodyEnd = last - 1;  // index of the final END
    // Branches: event -> list of statements [from, to) in significant indices.
    std::vector<std::pair<std::string, std::vector<std::pair<size_t, size_t>>>> branches;
    auto split = [&](size_t from, size_t to, std::vector<std::pair<size_t, size_t>>& stmts) -> bool {
      size_t start = from;
      for (size_t k = from; k < to; ++k) {
        if (st.IsOp(k, ";") && st.depth[k] == st.depth[from]) {
          if (k > start) stmts.push_back({start, k});
          start = k + 1;
        }
      }
      if (start < to) return Fail(900, "trigger statement without ';'");
      return true;
    };
    if (st.IsW(p_, "IF")) {
      size_t k = p_;
      for (;;) {
        if (!(st.IsW(k, "IF") || st.IsW(k, "ELSIF"))) return Fail(900, "unsupported trigger body");
        std::string ev = st.U(k + 1);
        if (ev != "INSERTING" && ev != "UPDATING" && ev != "DELETING") return Fail(900, "unsupported trigger condition " + ev);
        if (!st.IsW(k + 2, "THEN")) return Fail(900, "missing THEN");
        size_t from = k + 3, to = from;
        while (to < bodyEnd && !st.IsW(to, "ELSIF") && !st.IsW(to, "END") && !st.IsW(to, "ELSE")) ++to;
        std::vector<std::pair<size_t, size_t>> stmts;
        if (!split(from, to, stmts)) return false;
        std::string event = ev == "INSERTING" ? "INSERT" : (ev == "UPDATING" ? "UPDATE" : "DELETE");
        branches.push_back({event, stmts});
        if (st.IsW(to, "ELSIF")) {
          k = to;
          continue;
        }
        if (!(st.IsW(to, "END") && st.IsW(to + 1, "IF") && st.IsOp(to + 2, ";") && to + 3 == bodyEnd))
          return Fail(900, "unsupported trigger body after the IF branches");
        break;
      }
    } else {
      std::vector<std::pair<size_t, size_t>> stmts;
      if (!split(p_, bodyEnd, stmts)) return false;
      for (const auto& ev : events) branches.push_back({ev, stmts});
    }
    std::string file = FileAlias(towner, table);
    for (const auto& ev : events) {
      std::vector<std::string> sqls;
      for (const auto& b : branches) {
        if (b.first != ev) continue;
        for (const auto& range : b.second) {
          Stmt sub;
          sub.t.assign(st.t.begin() + static_cast<long>(st.s[range.first]),
                       st.t.begin() + static_cast<long>(st.s[range.second - 1]) + 1);
          sub.t[0].lead.clear();
          if (!sub.Index(err_, sql_)) return false;
          std::string w = sub.U(0);
          if (w == "RAISE_APPLICATION_ERROR") {
            // RAISE_APPLICATION_ERROR (-20nnn, 'text'): the statement fails with ORA-20nnn.
            if (!(sub.IsOp(1, "(") && sub.IsOp(2, "-") && sub.N() == 7 && sub.T(3).type == TokenType::Number &&
                  sub.IsOp(4, ",") && sub.T(5).type == TokenType::String && sub.IsOp(6, ")")))
              return Fail(900, "unsupported RAISE_APPLICATION_ERROR form");
            long code = std::strtol(sub.T(3).text.c_str(), nullptr, 10);
            if (code < 20000 || code > 20999) return Fail(21000, "error number argument to raise_application_error of -" + sub.T(3).text + " is out of range");
            std::string literal = sub.T(5).text;  // quoted, quotes inside doubled as SQLite reads them
            sqls.push_back("SELECT RAISE(ABORT, 'ORA-" + std::to_string(code) + ": " + literal.substr(1) + ")");
            continue;
          }
          StatementKind kind;
          if (w == "INSERT" && sub.IsW(1, "INTO")) kind = StatementKind::Insert;
          else if (w == "UPDATE") kind = StatementKind::Update;
          else if (w == "DELETE" && sub.IsW(1, "FROM")) kind = StatementKind::Delete;
          else return Fail(900, "unsupported statement in trigger body: " + w);
          int counter = 0;
          std::string text;
          std::vector<TableUse> uses;
          uses.swap(out_.uses);
          bool ok = RewriteDml(sub, kind, opt, text, counter);
          out_.uses.swap(uses);
          if (!ok) return false;
          sqls.push_back(text);
        }
      }
      if (sqls.empty()) continue;
      std::string phys = events.size() == 1 ? name : name + "$" + ev.substr(0, 3);
      std::string sql = "CREATE TRIGGER " + file + "." + Q(phys) + " " + timing + " " + ev + " ON " + Q(table) + " FOR EACH ROW" + when + " BEGIN ";
      for (const auto& s : sqls) sql += s + "; ";
      sql += "END";
      out_.sql.push_back(sql);
      out_.physical.push_back(phys);
    }
    Object(owner, name, file);
    AddUnique(out_.schemas, towner);
    out_.table = table;
    out_.args.push_back(towner);
    return true;
  }

  bool CreatePlsql(Stmt& st, StatementKind kind, const char* type) {
    out_.kind = kind;
    out_.objectType = type;
    if (st.IsW(p_, "BODY")) return Fail(900, "package bodies are not supported");
    std::string owner, name;
    if (!QName(st, owner, name)) return false;
    out_.owner = owner;
    out_.name = name;
    out_.body = sql_;
    // Only the two texts the Oracle dialect generates compile; anything else is kept with errors.
    if (kind == StatementKind::CreateProcedure)
      out_.valid = name == "ACQUIRE_LOCK" && Squeezed(sql_) == Squeezed(LockProcedureText(owner));
    else
      out_.valid = name == "KELVOX_PACKAGE" && Squeezed(sql_) == Squeezed(LockPackageText(owner));
    return true;
  }

  bool CreateUser(Stmt& st) {
    out_.kind = StatementKind::CreateUser;
    std::string user;
    if (Reserved(st, p_, 1935) || !Name1(st, user) || !Expect(st, "IDENTIFIED") || !Expect(st, "BY")) return false;
    if (!st.IsIdent(p_)) return Fail(988, "missing or invalid password");
    std::string password = st.T(p_).type == TokenType::QuotedId ? st.T(p_).upper : st.T(p_).text;
    ++p_;
    out_.args = {user, password};
    return UserOptions(st);
  }

  bool UserOptions(Stmt& st) {
    while (p_ < st.N()) {
      if (Accept(st, "DEFAULT") || Accept(st, "TEMPORARY")) {
        if (Accept(st, "ROLE")) {
          if (!Accept(st, "ALL") && !Accept(st, "NONE")) {
            std::string r;
            if (!Name1(st, r)) return false;
            while (Accept(st, ",")) if (!Name1(st, r)) return false;
          }
          continue;
        }
        std::string ts;
        if (!Expect(st, "TABLESPACE") || !Name1(st, ts)) return false;
      } else if (Accept(st, "PROFILE")) {
        std::string pr;
        if (!Name1(st, pr)) return false;
      } else if (Accept(st, "QUOTA")) {
        if (!Accept(st, "UNLIMITED")) {
          if (p_ >= st.N() || st.T(p_).type != TokenType::Number) return Fail(922, "bad QUOTA");
          ++p_;
          if (st.IsW(p_, "K") || st.IsW(p_, "M") || st.IsW(p_, "G")) ++p_;
        }
        std::string ts;
        if (!Expect(st, "ON") || !Name1(st, ts)) return false;
      } else if (Accept(st, "ACCOUNT")) {
        if (!Accept(st, "LOCK") && !Accept(st, "UNLOCK")) return Fail(922, "bad ACCOUNT option");
      } else {
        return Fail(922, "unsupported user option '" + st.T(p_).text + "'");
      }
    }
    return true;
  }

  bool Alter(Stmt& st) {
    if (Accept(st, "SESSION")) {
      // ALTER SESSION SET name = value [name = value ...]; the settings have no effect here.
      out_.kind = StatementKind::AlterSession;
      if (!Accept(st, "SET")) return Fail(922, "missing or invalid option");
      do {
        if (!st.IsIdent(p_) || !st.IsOp(p_ + 1, "=")) return Fail(922, "missing or invalid option");
        p_ += 2;
        if (st.IsOp(p_, "-")) ++p_;
        if (p_ >= st.N()) return Fail(922, "missing or invalid option");
        TokenType t = st.T(p_).type;
        if (t != TokenType::String && t != TokenType::Number && t != TokenType::Word && t != TokenType::QuotedId)
          return Fail(922, "missing or invalid option");
        ++p_;
      } while (p_ < st.N());
      return true;
    }
    if (Accept(st, "USER")) {
      out_.kind = StatementKind::AlterUser;
      std::string user;
      if (!Name1(st, user)) return false;
      out_.args.push_back(user);
      if (Accept(st, "IDENTIFIED")) {
        if (!Expect(st, "BY") || !st.IsIdent(p_)) return Fail(988, "missing or invalid password");
        out_.args.push_back(st.T(p_).type == TokenType::QuotedId ? st.T(p_).upper : st.T(p_).text);
        ++p_;
      }
      return UserOptions(st);
    }
    if (!Accept(st, "TABLE")) return Fail(940, "invalid ALTER command");
    out_.kind = StatementKind::AlterTable;
    out_.objectType = "TABLE";
    if (p_ >= st.N()) return Fail(903, "ALTER TABLE without a table name");
    std::string owner, table;
    if (!QName(st, owner, table, 903)) return false;
    std::string file = FileAlias(owner, table);
    std::string prefix = "ALTER TABLE " + file + "." + Q(table);
    Object(owner, table, file);
    if (Accept(st, "ADD")) {
      bool paren = Accept(st, "(");
      std::set<std::string> added;
      for (;;) {
        ColumnDef def;
        if (!ColumnDefinition(st, def, true)) return false;
        if (!added.insert(def.name).second) return Fail(957, "duplicate column " + def.name);
        if (ctx_.HasColumn(file, SqliteName(table), SqliteName(def.name)) == 1)
          return Fail(1430, "column " + def.name + " of " + owner + "." + table);
        out_.sql.push_back(prefix + " ADD COLUMN " + ColumnSql(def, true) + ColumnCheckSql(owner, table, def.name, def.type));
        if (!paren || !Accept(st, ",")) break;
      }
      if (paren && !Expect(st, ")")) return false;
      return End(st);
    }
    if (Accept(st, "DROP")) {
      std::vector<std::string> cols;
      if (Accept(st, "(")) {
        for (;;) {
          std::string c;
          if (!Name1(st, c)) return false;
          cols.push_back(c);
          if (!Accept(st, ",")) break;
        }
        if (!Expect(st, ")")) return false;
      } else {
        if (!Expect(st, "COLUMN")) return false;
        std::string c;
        if (!Name1(st, c)) return false;
        cols.push_back(c);
      }
      if (!End(st)) return false;
      for (const auto& c : cols) {
        for (const auto& idx : ctx_.IndexesWithColumn(file, SqliteName(table), SqliteName(c))) {
          std::string name = OracleName(idx);
          if (std::find(out_.dropped.begin(), out_.dropped.end(), name) != out_.dropped.end()) continue;
          out_.dropped.push_back(name);
          out_.sql.push_back("DROP INDEX " + file + "." + QuoteName(idx));
        }
      }
      for (const auto& c : cols) out_.sql.push_back(prefix + " DROP COLUMN " + Q(c));
      return true;
    }
    return Fail(900, "unsupported ALTER TABLE");
  }

  bool DropStmt(Stmt& st) {
    std::string owner, name, file, table;
    if (Accept(st, "TABLE")) {
      out_.kind = StatementKind::DropTable;
      out_.objectType = "TABLE";
      if (!QName(st, owner, name, 903)) return false;
      if (Accept(st, "CASCADE") && !Expect(st, "CONSTRAINTS")) return false;
      Accept(st, "PURGE");
      if (!End(st)) return false;
      file = FileAlias(owner, name);
      out_.sql.push_back("DROP TABLE " + file + "." + Q(name));
      Object(owner, name, file);
      return true;
    }
    if (Accept(st, "INDEX")) {
      out_.kind = StatementKind::DropIndex;
      out_.objectType = "INDEX";
      if (!QName(st, owner, name) || !End(st)) return false;
      if (!ctx_.LocateObject(owner, name, "INDEX", file, table)) return Fail(1418, "index " + owner + "." + name);
      out_.sql.push_back("DROP INDEX " + file + "." + Q(name));
      Object(owner, name, file);
      out_.table = table;
      return true;
    }
    if (Accept(st, "VIEW")) {
      out_.kind = StatementKind::DropView;
      out_.objectType = "VIEW";
      if (!QName(st, owner, name, 903) || !End(st)) return false;
      file = MainAlias(owner);
      out_.sql.push_back("DROP VIEW " + file + "." + Q(name));
      Object(owner, name, file);
      return true;
    }
    if (Accept(st, "TRIGGER")) {
      out_.kind = StatementKind::DropTrigger;
      out_.objectType = "TRIGGER";
      if (!QName(st, owner, name) || !End(st)) return false;
      if (!ctx_.LocateObject(owner, name, "TRIGGER", file, table)) return Fail(4080, "trigger '" + owner + "." + name + "'");
      for (const char* suffix : {"", "$INS", "$UPD", "$DEL"}) out_.sql.push_back("DROP TRIGGER IF EXISTS " + file + "." + Q(name + suffix));
      Object(owner, name, file);
      out_.table = table;
      return true;
    }
    if (Accept(st, "PACKAGE") || Accept(st, "PROCEDURE")) {
      bool package = st.IsW(p_ - 1, "PACKAGE");
      out_.kind = package ? StatementKind::DropPackage : StatementKind::DropProcedure;
      out_.objectType = package ? "PACKAGE" : "PROCEDURE";
      if (!QName(st, owner, name) || !End(st)) return false;
      out_.owner = owner;
      out_.name = name;
      return true;
    }
    if (Accept(st, "ROLE")) {
      out_.kind = StatementKind::DropRole;
      if (!Name1(st, name) || !End(st)) return false;
      out_.args.push_back(name);
      return true;
    }
    if (Accept(st, "USER")) {
      out_.kind = StatementKind::DropUser;
      if (!Name1(st, name)) return false;
      out_.cascade = Accept(st, "CASCADE");
      if (!End(st)) return false;
      out_.args.push_back(name);
      return true;
    }
    return Fail(950, "invalid DROP option");
  }

  bool GrantStmt(Stmt& st) {
    out_.kind = StatementKind::Grant;
    std::string current;
    for (;;) {
      if (p_ >= st.N()) return Fail(905, "missing keyword TO");
      if (st.IsOp(p_, ",") || st.IsW(p_, "ON") || st.IsW(p_, "TO")) {
        if (current.empty()) return Fail(990, "missing or invalid privilege");
        out_.privileges.push_back(current);
        current.clear();
        if (st.IsOp(p_, ",")) {
          ++p_;
          continue;
        }
        break;
      }
      if (!st.IsIdent(p_)) return Fail(990, "missing or invalid privilege");
      current += (current.empty() ? "" : " ") + st.Ident(p_++);
    }
    if (Accept(st, "ON")) {
      std::string owner, name;
      if (!QName(st, owner, name)) return false;
      out_.owner = owner;
      out_.name = name;
      for (const auto& pr : out_.privileges) {
        static const std::set<std::string> kObjectPrivs = {"SELECT", "INSERT", "UPDATE", "DELETE", "EXECUTE",
                                                            "ALTER", "INDEX", "REFERENCES", "ALL", "ALL PRIVILEGES"};
        if (!kObjectPrivs.count(pr)) return Fail(990, "missing or invalid privilege " + pr);
      }
    }
    if (!Expect(st, "TO")) return false;
    for (;;) {
      std::string g;
      if (!Name1(st, g)) return false;
      out_.grantees.push_back(g);
      if (!Accept(st, ",")) break;
    }
    if (Accept(st, "WITH")) {
      if (!Accept(st, "ADMIN") && !Accept(st, "GRANT")) return Fail(900, "bad WITH option");
      if (!Expect(st, "OPTION")) return false;
    }
    return End(st);
  }

  // BEGIN proc( args ); END;
  bool Block(Stmt& st) {
    std::string owner, name;
    size_t nameStart = p_;
    if (!QName(st, owner, name)) return false;
    bool qualified = p_ - nameStart == 3;
    if (name == "ACQUIRE_LOCK") {
      out_.kind = StatementKind::CallAcquireLock;
    } else if (name == "ROG_CREATE_BASE" && !qualified) {
      out_.kind = StatementKind::CallSiteProcedure;
    } else {
      return Fail(6550, "PLS-00201: identifier '" + (qualified ? owner + "." : std::string()) + name + "' must be declared");
    }
    out_.owner = owner;
    out_.name = name;
    if (out_.kind == StatementKind::CallAcquireLock) AddUnique(out_.schemas, owner);
    if (!Expect(st, "(")) return false;
    std::set<std::string> seen;
    for (;;) {
      if (p_ >= st.N()) return Fail(900, "unterminated argument list");
      const Token& a = st.T(p_);
      if (a.type == TokenType::Marker) {
        out_.args.push_back(a.upper);
        if (seen.insert(a.upper).second) ++out_.placeholders;
        ++p_;
      } else if (a.type == TokenType::Number) {
        out_.args.push_back(a.text);
        ++p_;
      } else if (st.IsOp(p_, "-") && p_ + 1 < st.N() && st.T(p_ + 1).type == TokenType::Number) {
        out_.args.push_back("-" + st.T(p_ + 1).text);
        p_ += 2;
      } else if (a.type == TokenType::String) {
        out_.args.push_back(a.text);
        ++p_;
      } else {
        return Fail(900, "unsupported procedure argument '" + a.text + "'");
      }
      if (Accept(st, ",")) continue;
      break;
    }
    if (!Expect(st, ")") || !Expect(st, ";") || !Expect(st, "END")) return false;
    Accept(st, ";");
    return End(st);
  }

  const std::string& sql_;
  const RewriteContext& ctx_;
  Rewritten& out_;
  // A row limit that a sub-query of row ids applies (RowLimitByRowids).
  struct RowLimitPlan {
    size_t from = npos, stop = npos;      // the block's FROM and the token that ends its WHERE clause
    long limit = 0;
    std::vector<size_t> keys, schemaOf;   // each table's alias or name token, and its schema token
  };
  RowLimitPlan rowLimit_;
  Error& err_;
  size_t p_ = 0;
  size_t tableStart_ = 0, tableEnd_ = 0;  // the table of a trigger (significant token indices)
};

}  // namespace

std::string LockProcedureText(const std::string& s) {
  static const char* const kLines[] = {
      "    aClientid IN NUMBER,",
      "    nEntries IN NUMBER,",
      "    oid_list IN @.KELVOX_PACKAGE.INT_ARRAY_T,",
      "    lockmode_list IN @.KELVOX_PACKAGE.INT_ARRAY_T)",
      "AS",
      "    e_ALREADY_LOCKED   EXCEPTION;",
      "    aLockmode          @.LOCKS.LOCKMODE%TYPE;",
      "    aCounter           BINARY_INTEGER;",
      "    bInsertLocks       BINARY_INTEGER;",
      "BEGIN",
      "    bInsertLocks := 1;",
      "    LOCK TABLE @.LOCKS IN EXCLUSIVE MODE;",
      "    FOR i IN 1..nEntries LOOP",
      "        IF lockmode_list(i) = 1142 THEN",
      "            aLockmode := 8196;",
      "        ELSIF lockmode_list(i) = 2100 THEN",
      "            aLockmode := 4116;",
      "        ELSIF lockmode_list(i) = 4116 THEN",
      "            aLockmode := 2100;",
      "        ELSE",
      "            aLockmode := 0;",
      "        END IF;",
      "        SELECT COUNT(*) INTO aCounter FROM @.LOCKS ",
      "            WHERE OID = oid_list(i) AND CLIENTID != aClientid AND aLockmode <= LOCKMODE;",
      "        IF aCounter > 0 THEN",
      "            bInsertLocks := 0;",
      "            EXIT;",
      "        ELSE",
      "            INSERT INTO @.LOCKS (oid, lockmode, clientid) VALUES (oid_list(i), lockmode_list(i), aClientid);",
      "        END IF;",
      "    END LOOP;",
      "    IF bInsertLocks = 1 THEN",
      "        COMMIT;",
      "    ELSE",
      "        RAISE e_ALREADY_LOCKED;",
      "    END IF;",
      "EXCEPTION",
      "    WHEN e_ALREADY_LOCKED THEN",
      "        ROLLBACK;",
      "        RAISE_APPLICATION_ERROR(-20099, 'Object already locked');",
      "    WHEN OTHERS THEN",
      "        ROLLBACK;",
      "        RAISE_APPLICATION_ERROR(-20333, 'Error in procedure ACQUIRE_LOCK');",
  };
  std::string text = "CREATE OR REPLACE PROCEDURE " + s + ".ACQUIRE_LOCK (\n";
  for (const char* line : kLines) {
    std::string l(line);
    for (size_t p = l.find('@'); p != std::string::npos; p = l.find('@', p + s.size())) l.replace(p, 1, s);
    text += l + "\n";
  }
  return text + "END ACQUIRE_LOCK;";
}

std::string LockPackageText(const std::string& s) {
  return "CREATE OR REPLACE PACKAGE " + s + ".KELVOX_PACKAGE AS\n    TYPE INT_ARRAY_T IS TABLE OF NUMBER (38)\n"
         "        INDEX BY BINARY_INTEGER;\nEND KELVOX_PACKAGE;";
}

bool Rewrite(const std::string& sql, const RewriteContext& ctx, Rewritten& out, Error& err) {
  out = Rewritten();
  Rewriter r(sql, ctx, out, err);
  return r.Run();
}

}  // namespace sqlengine
