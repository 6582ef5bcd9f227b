// The DB2 flavour: translation of DB2 statement texts into the texts of the rewrite layer.
#include <cctype>
#include <cstdlib>
#include <map>
#include <mutex>
#include <set>
#include <vector>

#include "sqldb2.h"
#include "sqlrewrite.h"

namespace sqlengine {

namespace {

enum class K { Word, Str, QId, Num, Op };

struct Tok {
  K kind = K::Word;
  std::string text;   // emitted text
  std::string upper;  // upper-cased word
  std::string lead;   // white space before
};

std::string Up(const std::string& s) {
  std::string r = s;
  for (auto& c : r) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return r;
}

bool Lex(const std::string& sql, std::vector<Tok>& out, Error& err) {
  size_t i = 0, n = sql.size();
  std::string lead;
  int markers = 0;
  while (i < n) {
    unsigned char c = static_cast<unsigned char>(sql[i]);
    if (c == 0) return err.Set(911, "NUL byte in \"" + sql + "\"");
    if (std::isspace(c)) {
      lead += sql[i++];
      continue;
    }
    if (c == '-' && i + 1 < n && sql[i + 1] == '-') {  // comment to the end of the line
      while (i < n && sql[i] != '\n') lead += sql[i++];
      continue;
    }
    Tok t;
    t.lead = lead;
    lead.clear();
    if (c == '\'' || c == '"') {
      size_t j = i + 1;
      for (;;) {
        if (j >= n) return err.Set(c == '\'' ? 1756 : 1740, "in \"" + sql + "\"");
        if (sql[j] == static_cast<char>(c)) {
          if (j + 1 < n && sql[j + 1] == static_cast<char>(c)) {
            j += 2;
            continue;
          }
          break;
        }
        ++j;
      }
      t.kind = c == '\'' ? K::Str : K::QId;
      t.text = sql.substr(i, j + 1 - i);
      t.upper = t.text;
      i = j + 1;
    } else if (std::isalpha(c) || c == '_') {
      size_t j = i;
      while (j < n && (std::isalnum(static_cast<unsigned char>(sql[j])) || sql[j] == '_' || sql[j] == '$' || sql[j] == '#')) ++j;
      t.kind = K::Word;
      t.text = sql.substr(i, j - i);
      t.upper = Up(t.text);
      i = j;
    } else if (std::isdigit(c) || (c == '.' && i + 1 < n && std::isdigit(static_cast<unsigned char>(sql[i + 1])))) {
      size_t j = i;
      while (j < n && (std::isalnum(static_cast<unsigned char>(sql[j])) || sql[j] == '.')) ++j;
      t.kind = K::Num;
      t.text = sql.substr(i, j - i);
      t.upper = Up(t.text);
      i = j;
    } else if (c == '?') {
      t.kind = K::Word;
      t.text = ":" + std::to_string(++markers);
      t.upper = t.text;
      ++i;
    } else {
      static const char* two[] = {"<=", ">=", "<>", "!=", "||"};
      t.kind = K::Op;
      t.text = std::string(1, static_cast<char>(c));
      for (const char* op : two)
        if (sql.compare(i, 2, op) == 0) t.text = op;
      t.upper = t.text;
      i += t.text.size();
    }
    out.push_back(t);
  }
  return true;
}

std::string Join(const std::vector<Tok>& t, size_t from, size_t to) {
  std::string r;
  for (size_t k = from; k < to && k < t.size(); ++k) r += (k == from ? std::string() : t[k].lead) + t[k].text;
  return r;
}

bool IsW(const std::vector<Tok>& t, size_t i, const char* w) { return i < t.size() && t[i].kind == K::Word && t[i].upper == w; }
bool IsOp(const std::vector<Tok>& t, size_t i, const char* o) { return i < t.size() && t[i].kind == K::Op && t[i].text == o; }

// Index of the ")" that closes the "(" at i, or npos.
size_t Close(const std::vector<Tok>& t, size_t i) {
  int depth = 0;
  for (size_t k = i; k < t.size(); ++k) {
    if (IsOp(t, k, "(")) ++depth;
    if (IsOp(t, k, ")") && --depth == 0) return k;
  }
  return std::string::npos;
}

const std::map<std::string, std::string>& FunctionNames() {
  static const std::map<std::string, std::string> names = {
      {"LCASE", "LOWER"},        {"UCASE", "UPPER"},          {"INT", "DB2$INT"},
      {"INTEGER", "DB2$INT"},    {"DOUBLE", "DB2$DOUBLE"},    {"CHAR", "DB2$CHAR"},
      {"VARCHAR", "DB2$VARCHAR"}, {"DATE", "DB2$DATE"},       {"TIME", "DB2$TIME"},
      {"TIMESTAMP", "DB2$TIMESTAMP"}, {"DAYS", "DB2$DAYS"},   {"MIDNIGHT_SECONDS", "DB2$MIDNIGHT_SECONDS"},
  };
  return names;
}

class Translator {
 public:
  Translator(const std::string& sql, Error& err) : sql_(sql), err_(err) {}

  bool Run(std::string& out) {
    if (!Lex(sql_, t_, err_)) return false;
    if (t_.empty()) return err_.Set(900, "empty statement");
    QuoteReservedNames();
    bool ok = true;
    if (IsW(t_, 0, "CREATE") && IsW(t_, 1, "TABLE")) ok = CreateTable();
    else if (IsW(t_, 0, "ALTER") && IsW(t_, 1, "TABLE")) ok = AlterTable();
    else if (IsW(t_, 0, "CREATE") && IsW(t_, 1, "TRIGGER")) ok = CreateTrigger();
    else ok = Expressions(0, t_.size());
    if (!ok) return false;
    out = Join(t_, 0, t_.size());
    return true;
  }

 private:
  bool Fail(int32_t code, const std::string& what) { return err_.Set(code, what + " in \"" + sql_ + "\""); }

  // DB2 takes a keyword for a name wherever a name stands; Oracle refuses its reserved words as
  // names unless they are quoted. The translation quotes them where they are names: the parts of a
  // qualified name, the table of CREATE TABLE and ALTER TABLE, the column list of INSERT and column
  // names of definitions (Column).
  void Quote(Tok& t) {
    if (t.kind != K::Word || !IsReservedWord(t.upper)) return;
    t.kind = K::QId;
    t.text = "\"" + t.upper + "\"";
  }
  void QuoteReservedNames() {
    for (size_t i = 0; i < t_.size(); ++i)
      if ((i > 0 && IsOp(t_, i - 1, ".")) || IsOp(t_, i + 1, ".")) Quote(t_[i]);
    if ((IsW(t_, 0, "CREATE") || IsW(t_, 0, "ALTER")) && IsW(t_, 1, "TABLE") && t_.size() > 2) Quote(t_[2]);
    if (IsW(t_, 0, "INSERT") && IsW(t_, 1, "INTO")) {
      size_t open = IsOp(t_, 3, ".") ? 5 : 3;
      if (IsOp(t_, open, "("))
        for (size_t i = open + 1; i < t_.size() && !IsOp(t_, i, ")"); ++i) Quote(t_[i]);
    }
  }

  // Functions, SYSCAT views and UNION DISTINCT in a query or DML text.
  bool Expressions(size_t from, size_t to) {
    bool syscat = false;
    for (size_t i = from; i < to; ++i) {
      Tok& tk = t_[i];
      if (tk.kind != K::Word) continue;
      if (tk.upper == "SYSCAT" && IsOp(t_, i + 1, ".") && (IsW(t_, i + 2, "TABLES") || IsW(t_, i + 2, "INDEXES"))) {
        tk.text = IsW(t_, i + 2, "TABLES") ? "ALL_CATALOG" : "ALL_INDEXES";
        t_[i + 1].text.clear();
        t_[i + 2].text.clear();
        t_[i + 2].lead.clear();
        syscat = true;
        i += 2;
        continue;
      }
      // The connected applications: the engine's live sessions (a forced application is gone).
      if (tk.upper == "SYSIBMADM" && IsOp(t_, i + 1, ".") && IsW(t_, i + 2, "APPLICATIONS")) {
        static const std::set<std::string> kNoAlias = {"WHERE", "ORDER", "GROUP", "UNION", "FETCH", "FOR", "WITH"};
        bool alias = i + 3 < to && (t_[i + 3].kind == K::Word || t_[i + 3].kind == K::QId) && !kNoAlias.count(t_[i + 3].upper);
        tk.text = "(SELECT AUDSID AS AGENT_ID, USERNAME AS AUTHID, CASE STATUS WHEN 'ACTIVE' THEN 'UOWEXEC' ELSE "
                  "'CONNECTED' END AS APPL_STATUS FROM V$SESSION WHERE STATUS <> 'KILLED')";
        if (!alias) tk.text += " APPLICATIONS";
        t_[i + 1].text.clear();
        t_[i + 2].text.clear();
        t_[i + 2].lead.clear();
        i += 2;
        continue;
      }
      if (tk.upper == "UNION" && IsW(t_, i + 1, "DISTINCT")) {
        t_[i + 1].text.clear();
        continue;
      }
      if (!IsOp(t_, i + 1, "(")) continue;
      if (i > from && IsOp(t_, i - 1, ".")) continue;  // a qualified name
      if (i > from && (IsW(t_, i - 1, "INTO") || IsW(t_, i - 1, "ON") || IsW(t_, i - 1, "VIEW") || IsW(t_, i - 1, "INDEX")))
        continue;  // a table, view or index name before its column list
      auto it = FunctionNames().find(tk.upper);
      if (it == FunctionNames().end()) {
        static const std::set<std::string> kKnown = {
            // keywords that may stand before a parenthesis
            "IN", "EXISTS", "VALUES", "AND", "OR", "NOT", "SELECT", "WHERE", "ON", "AS", "THEN", "ELSE", "WHEN",
            "CASE", "BY", "SET", "FROM", "ALL", "DISTINCT", "UNION", "INTO", "LIKE", "IS", "ESCAPE", "KEY", "ATOMIC",
            // functions DB2 shares with the engine
            "COUNT", "UPPER", "LOWER", "REPLACE", "SUBSTR", "RTRIM", "CHR", "ASCII", "TO_CHAR", "TO_DATE", "TRUNC",
            "ROUND", "RPAD", "MAX", "MIN", "SUM", "AVG"};
        if (!kKnown.count(tk.upper)) return Fail(904, "unknown function " + tk.text);
        continue;
      }
      tk.text = it->second;
      if (tk.upper == "CHAR") {
        // CHAR (value, ISO | USA | EUR | JIS | LOCAL): the format is a keyword.
        size_t close = Close(t_, i + 1);
        if (close != std::string::npos && close >= 2 && IsOp(t_, close - 2, ",") && t_[close - 1].kind == K::Word) {
          Tok& f = t_[close - 1];
          if (f.upper != "ISO" && f.upper != "USA" && f.upper != "EUR" && f.upper != "JIS" && f.upper != "LOCAL")
            return Fail(1821, "unknown datetime format " + f.text + " of CHAR");
          f.text = "'" + f.upper + "'";
        }
      }
    }
    if (syscat) {
      for (size_t i = from; i < to; ++i) {
        Tok& tk = t_[i];
        if (tk.kind != K::Word || tk.text.empty()) continue;
        if (tk.upper == "TABSCHEMA" || tk.upper == "INDSCHEMA") tk.text = "OWNER";
        else if (tk.upper == "TABNAME") tk.text = "TABLE_NAME";
        else if (tk.upper == "INDNAME") tk.text = "INDEX_NAME";
      }
    }
    return true;
  }

  // One column definition [from, to): name, type, options. Rewrites the tokens in place and
  // returns the text.
  bool Column(size_t from, size_t to, std::string& text) {
    if (from >= to || (t_[from].kind != K::Word && t_[from].kind != K::QId)) return Fail(900, "expected a column name");
    Quote(t_[from]);
    std::string out = t_[from].text;
    size_t p = from + 1;
    if (p >= to || t_[p].kind != K::Word) return Fail(902, "missing data type of " + t_[from].text);
    std::string w = t_[p++].upper;
    auto length = [&](long& n, long max, bool required, long dflt) -> bool {
      n = dflt;
      if (!IsOp(t_, p, "(")) {
        if (required) return Fail(906, w + " needs a length");
        return true;
      }
      if (p + 2 >= to || t_[p + 1].kind != K::Num || !IsOp(t_, p + 2, ")")) return Fail(604, "bad length of " + w);
      n = std::strtol(t_[p + 1].text.c_str(), nullptr, 10);
      if (n < 1 || n > max) return Fail(910, w + " (" + t_[p + 1].text + ")");
      p += 3;
      return true;
    };
    auto bitData = [&]() -> bool {
      if (IsW(t_, p, "FOR") && IsW(t_, p + 1, "BIT") && IsW(t_, p + 2, "DATA")) {
        p += 3;
        return true;
      }
      return false;
    };
    bool numeric = false;
    long n = 0;
    std::string type;
    if (w == "CHARACTER" || w == "CHAR") {
      if (IsW(t_, p, "VARYING")) return Fail(902, "CHARACTER VARYING is not supported");
      if (!length(n, 254, false, 1)) return false;
      type = (bitData() ? "RAW (" : "DB2$CHAR (") + std::to_string(n) + ")";
    } else if (w == "VARCHAR") {
      if (!length(n, 32672, true, 0)) return false;
      if (bitData()) type = "RAW (" + std::to_string(n) + ")";
      else type = "DB2$VARCHAR (" + std::to_string(n) + ")";
      if (n > 4000 && type[0] == 'D') return Fail(910, "VARCHAR (" + std::to_string(n) + ") beyond this server's 4000 bytes");
      if (n > 2000 && type[0] == 'R') return Fail(910, "VARCHAR (" + std::to_string(n) + ") FOR BIT DATA beyond this server's 2000 bytes");
    } else if (w == "LONG" && IsW(t_, p, "VARCHAR")) {
      ++p;
      type = bitData() ? "LONG RAW" : "LONG VARCHAR";
    } else if (w == "GRAPHIC") {
      if (!length(n, 127, false, 1)) return false;
      type = "DB2$CHAR (" + std::to_string(n * 3 > 2000 ? 2000 : n * 3) + ")";
    } else if (w == "VARGRAPHIC") {
      if (!length(n, 16336, true, 0)) return false;
      type = "DB2$VARCHAR (" + std::to_string(n * 3 > 4000 ? 4000 : n * 3) + ")";
    } else if (w == "LONG" && IsW(t_, p, "VARGRAPHIC")) {
      ++p;
      type = "LONG VARCHAR";
    } else if (w == "CLOB" || w == "DBCLOB") {
      if (IsOp(t_, p, "(")) {
        size_t c = Close(t_, p);
        if (c == std::string::npos || c >= to) return Fail(907, "missing ')'");
        p = c + 1;
      }
      type = "LONG VARCHAR";
    } else if (w == "BLOB") {
      if (IsOp(t_, p, "(")) {
        if (p + 1 >= to || t_[p + 1].kind != K::Num) return Fail(604, "bad length of BLOB");
        double size = std::strtod(t_[p + 1].text.c_str(), nullptr);
        size_t q = p + 2;
        if (IsW(t_, q, "K")) size *= 1024, ++q;
        else if (IsW(t_, q, "M")) size *= 1024.0 * 1024, ++q;
        else if (IsW(t_, q, "G")) size *= 1024.0 * 1024 * 1024, ++q;
        if (!IsOp(t_, q, ")")) return Fail(604, "bad length of BLOB");
        if (size < 1 || size > 2147483647.0) return Fail(910, "BLOB length out of range");
        p = q + 1;
      }
      type = "BLOB";
    } else if (w == "SMALLINT") {
      type = "NUMBER (5)", numeric = true;
    } else if (w == "INTEGER" || w == "INT") {
      type = "NUMBER (10)", numeric = true;
    } else if (w == "BIGINT") {
      type = "NUMBER (19)", numeric = true;
    } else if (w == "DOUBLE" || w == "FLOAT" || w == "REAL") {
      if (w == "DOUBLE" && IsW(t_, p, "PRECISION")) ++p;
      if (w == "FLOAT" && IsOp(t_, p, "(")) {
        if (!length(n, 53, true, 0)) return false;
      }
      type = "NUMBER", numeric = true;
    } else if (w == "DECIMAL" || w == "DEC" || w == "NUMERIC") {
      long prec = 5, scale = 0;
      if (IsOp(t_, p, "(")) {
        if (p + 1 >= to || t_[p + 1].kind != K::Num) return Fail(604, "bad precision");
        prec = std::strtol(t_[p + 1].text.c_str(), nullptr, 10);
        size_t q = p + 2;
        if (IsOp(t_, q, ",")) {
          if (q + 1 >= to || t_[q + 1].kind != K::Num) return Fail(604, "bad scale");
          scale = std::strtol(t_[q + 1].text.c_str(), nullptr, 10);
          q += 2;
        }
        if (!IsOp(t_, q, ")")) return Fail(907, "missing ')'");
        p = q + 1;
      }
      if (prec < 1 || prec > 31 || scale < 0 || scale > prec) return Fail(910, "DECIMAL precision or scale out of range");
      type = "NUMBER (" + std::to_string(prec) + (scale ? ", " + std::to_string(scale) : "") + ")", numeric = true;
    } else if (w == "DATE" || w == "TIMESTAMP") {
      type = "DATE";
    } else if (w == "TIME") {
      type = "CHAR (8)";
    } else {
      return Fail(902, "invalid data type " + t_[p - 1].text + " of column " + t_[from].text);
    }
    out += " " + type;
    while (p < to) {
      if (IsW(t_, p, "WITH") && IsW(t_, p + 1, "DEFAULT")) {
        p += 2;
        out += " DEFAULT";
        if (p < to && !IsW(t_, p, "NOT") && !IsW(t_, p, "NULL") && !IsW(t_, p, "PRIMARY")) {
          if (IsOp(t_, p, "-") && p + 1 < to) out += " -" + t_[++p].text, ++p;
          else out += " " + t_[p++].text;
        } else {
          out += numeric ? " 0" : (type == "DATE" || type == "BLOB" ? " NULL" : " ' '");
        }
      } else if (IsW(t_, p, "DEFAULT")) {
        out += " DEFAULT";
        ++p;
        if (IsOp(t_, p, "-") && p + 1 < to) out += " -" + t_[++p].text, ++p;
        else if (p < to) out += " " + t_[p++].text;
      } else if (IsW(t_, p, "NOT") && IsW(t_, p + 1, "NULL")) {
        out += " NOT NULL";
        p += 2;
      } else if (IsW(t_, p, "NOT") && IsW(t_, p + 1, "LOGGED")) {
        p += 2;
      } else {
        return Fail(900, "unsupported column option '" + t_[p].text + "'");
      }
    }
    text = out;
    return true;
  }

  // Splits [from, to) at top-level commas.
  std::vector<std::pair<size_t, size_t>> Elements(size_t from, size_t to) {
    std::vector<std::pair<size_t, size_t>> r;
    int depth = 0;
    size_t start = from;
    for (size_t k = from; k < to; ++k) {
      if (IsOp(t_, k, "(")) ++depth;
      if (IsOp(t_, k, ")")) --depth;
      if (depth == 0 && IsOp(t_, k, ",")) {
        r.push_back({start, k});
        start = k + 1;
      }
    }
    r.push_back({start, to});
    return r;
  }

  size_t QualifiedEnd(size_t p) {
    if (p < t_.size() && (t_[p].kind == K::Word || t_[p].kind == K::QId)) {
      if (IsOp(t_, p + 1, ".") && p + 2 < t_.size()) return p + 3;
      return p + 1;
    }
    return p;
  }

  bool CreateTable() {
    size_t nameEnd = QualifiedEnd(2);
    if (nameEnd == 2 || !IsOp(t_, nameEnd, "(")) return Fail(900, "expected a table name and '('");
    size_t close = Close(t_, nameEnd);
    if (close == std::string::npos) return Fail(907, "missing ')'");
    if (close + 1 != t_.size()) {
      // IN tablespace is DB2's; nothing else may follow.
      if (!(IsW(t_, close + 1, "IN") && close + 3 == t_.size())) return Fail(933, "unexpected '" + t_[close + 1].text + "'");
    }
    std::string text = "CREATE TABLE " + Join(t_, 2, nameEnd) + " (";
    bool first = true;
    for (auto [a, b] : Elements(nameEnd + 1, close)) {
      std::string el;
      if (a < b && (IsW(t_, a, "PRIMARY") || IsW(t_, a, "UNIQUE") || IsW(t_, a, "CONSTRAINT") || IsW(t_, a, "FOREIGN") || IsW(t_, a, "CHECK"))) {
        el = Join(t_, a, b);
      } else if (!Column(a, b, el)) {
        return false;
      }
      text += (first ? "\n " : ",\n ") + el;
      first = false;
    }
    text += " )";
    Replace(text);
    return true;
  }

  bool AlterTable() {
    size_t nameEnd = QualifiedEnd(2);
    if (nameEnd == 2) return Fail(900, "expected a table name");
    if (!IsW(t_, nameEnd, "ADD")) return Expressions(0, t_.size());
    std::vector<size_t> starts;
    for (size_t k = nameEnd; k < t_.size(); ++k) {
      int depth = 0;
      (void)depth;
    }
    // ADD [COLUMN] def { ADD [COLUMN] def }
    std::vector<std::pair<size_t, size_t>> defs;
    size_t p = nameEnd;
    while (p < t_.size()) {
      if (!IsW(t_, p, "ADD")) return Fail(900, "expected ADD at '" + t_[p].text + "'");
      ++p;
      if (IsW(t_, p, "PRIMARY") || IsW(t_, p, "CONSTRAINT") || IsW(t_, p, "UNIQUE") || IsW(t_, p, "FOREIGN"))
        return Fail(900, "only ADD COLUMN is supported");
      if (IsW(t_, p, "COLUMN")) ++p;
      size_t q = p;
      int depth = 0;
      while (q < t_.size() && !(depth == 0 && IsW(t_, q, "ADD"))) {
        if (IsOp(t_, q, "(")) ++depth;
        if (IsOp(t_, q, ")")) --depth;
        ++q;
      }
      defs.push_back({p, q});
      p = q;
    }
    std::string text = "ALTER TABLE " + Join(t_, 2, nameEnd) + " ADD (";
    for (size_t i = 0; i < defs.size(); ++i) {
      std::string el;
      if (!Column(defs[i].first, defs[i].second, el)) return false;
      // DB2 adds a NOT NULL column only with a default.
      if (el.find(" NOT NULL") != std::string::npos && el.find(" DEFAULT ") == std::string::npos)
        return Fail(1758, "column " + t_[defs[i].first].text + " is NOT NULL without a default");
      text += (i ? ", " : "") + el;
    }
    text += ")";
    Replace(text);
    return true;
  }

  // CREATE TRIGGER q {AFTER | NO CASCADE BEFORE} event ON q REFERENCING ... FOR EACH ROW MODE DB2SQL
  // [WHEN (condition)] {BEGIN ATOMIC statement; ... END | statement | SIGNAL SQLSTATE 's' ('text')}
  bool CreateTrigger() {
    size_t nameEnd = QualifiedEnd(2);
    if (nameEnd == 2) return Fail(900, "expected a trigger name");
    size_t p = nameEnd;
    std::string timing;
    if (IsW(t_, p, "AFTER")) timing = "AFTER", ++p;
    else if (IsW(t_, p, "NO") && IsW(t_, p + 1, "CASCADE") && IsW(t_, p + 2, "BEFORE")) timing = "BEFORE", p += 3;
    else return Fail(900, "trigger timing must be AFTER or NO CASCADE BEFORE");
    if (!(IsW(t_, p, "INSERT") || IsW(t_, p, "UPDATE") || IsW(t_, p, "DELETE"))) return Fail(900, "unsupported trigger event");
    std::string event = t_[p++].upper;
    if (event == "UPDATE" && IsW(t_, p, "OF")) return Fail(900, "UPDATE OF columns is not supported");
    if (!IsW(t_, p, "ON")) return Fail(900, "expected ON");
    size_t tableEnd = QualifiedEnd(p + 1);
    if (tableEnd == p + 1) return Fail(900, "expected a table name");
    std::string table = Join(t_, p + 1, tableEnd);
    p = tableEnd;
    std::set<std::string> aliases;
    std::string referencing;
    if (IsW(t_, p, "REFERENCING")) {
      ++p;
      while (IsW(t_, p, "NEW") || IsW(t_, p, "OLD")) {
        std::string which = t_[p++].upper;
        if (IsW(t_, p, "ROW")) ++p;
        if (IsW(t_, p, "AS")) ++p;
        if (p >= t_.size() || t_[p].kind != K::Word) return Fail(900, "expected a correlation name");
        aliases.insert(t_[p].upper);
        referencing += " " + which + " AS " + t_[p].upper;
        ++p;
      }
      if (aliases.empty()) return Fail(900, "REFERENCING without names");
    }
    if (!(IsW(t_, p, "FOR") && IsW(t_, p + 1, "EACH") && IsW(t_, p + 2, "ROW"))) return Fail(900, "only FOR EACH ROW triggers are supported");
    p += 3;
    if (!(IsW(t_, p, "MODE") && IsW(t_, p + 1, "DB2SQL"))) return Fail(900, "expected MODE DB2SQL");
    p += 2;
    // Correlation names become the rewrite layer's :N. references.
    for (size_t k = p; k + 1 < t_.size(); ++k)
      if (t_[k].kind == K::Word && aliases.count(t_[k].upper) && IsOp(t_, k + 1, ".") && !(k > 0 && IsOp(t_, k - 1, ".")))
        t_[k].text = ":" + t_[k].upper;
    std::string when;
    if (IsW(t_, p, "WHEN")) {
      if (!IsOp(t_, p + 1, "(")) return Fail(906, "WHEN needs a parenthesised condition");
      size_t c = Close(t_, p + 1);
      if (c == std::string::npos) return Fail(907, "missing ')'");
      if (!Expressions(p + 2, c)) return false;
      when = " WHEN (" + Join(t_, p + 2, c) + ")";
      p = c + 1;
    }
    std::vector<std::string> body;
    if (IsW(t_, p, "BEGIN") && IsW(t_, p + 1, "ATOMIC")) {
      size_t last = t_.size();
      if (!IsW(t_, last - 1, "END")) return Fail(900, "BEGIN ATOMIC without END");
      size_t start = p + 2;
      int depth = 0;
      for (size_t k = start; k < last - 1; ++k) {
        if (IsOp(t_, k, "(")) ++depth;
        if (IsOp(t_, k, ")")) --depth;
        if (depth == 0 && IsOp(t_, k, ";")) {
          if (k > start) body.push_back(Statement(start, k));
          start = k + 1;
        }
      }
      if (start < last - 1) return Fail(900, "statement in BEGIN ATOMIC without ';'");
      if (body.empty()) return Fail(900, "empty BEGIN ATOMIC");
    } else if (IsW(t_, p, "SIGNAL")) {
      // SIGNAL SQLSTATE 'sssss' ('text')
      if (!(IsW(t_, p + 1, "SQLSTATE") && p + 2 < t_.size() && t_[p + 2].kind == K::Str)) return Fail(900, "expected SIGNAL SQLSTATE 'state'");
      std::string state = t_[p + 2].text.substr(1, t_[p + 2].text.size() - 2);
      if (state.size() != 5) return Fail(900, "SQLSTATE must have five characters");
      for (char ch : state)
        if (!std::isdigit(static_cast<unsigned char>(ch)) && !std::isupper(static_cast<unsigned char>(ch))) return Fail(900, "invalid SQLSTATE " + state);
      std::string text;
      size_t q = p + 3;
      if (IsOp(t_, q, "(")) {
        if (!(q + 2 < t_.size() && t_[q + 1].kind == K::Str && IsOp(t_, q + 2, ")"))) return Fail(900, "expected ('text') after SIGNAL");
        text = t_[q + 1].text.substr(1, t_[q + 1].text.size() - 2);
        q += 3;
      }
      if (q != t_.size()) return Fail(933, "unexpected text after SIGNAL");
      body.push_back("RAISE_APPLICATION_ERROR(-20438, 'SQLSTATE=" + state + " " + text + "')");
    } else {
      if (p >= t_.size()) return Fail(900, "trigger without body");
      body.push_back(Statement(p, t_.size()));
    }
    std::string text = "CREATE TRIGGER " + Join(t_, 2, nameEnd) + " " + timing + " " + event + " ON " + table;
    if (!referencing.empty()) text += " REFERENCING" + referencing;
    text += " FOR EACH ROW" + when + " BEGIN ";
    for (const auto& s : body) text += s + "; ";
    text += "END;";
    Replace(text);
    return true;
  }

  std::string Statement(size_t from, size_t to) {
    Expressions(from, to);
    std::string s = Join(t_, from, to);
    return s;
  }

  // Replaces the whole token list by one text.
  void Replace(const std::string& text) {
    Tok t;
    t.kind = K::Word;
    t.text = text;
    t_.assign(1, t);
  }

  const std::string& sql_;
  Error& err_;
  std::vector<Tok> t_;
};

std::mutex versionMutex;
std::string serverVersion = "09.07.0000";

}  // namespace

bool Db2ToOracle(const std::string& db2Sql, std::string& oracleSql, Error& err) {
  Translator tr(db2Sql, err);
  return tr.Run(oracleSql);
}

bool IsDb2Function(const std::string& upperName) {
  for (const auto& kv : FunctionNames())
    if (kv.second == upperName) return true;
  return false;
}

std::string Db2ServerVersion() {
  std::lock_guard<std::mutex> lock(versionMutex);
  return serverVersion;
}

void SetDb2ServerVersion(const std::string& version) {
  std::lock_guard<std::mutex> lock(versionMutex);
  serverVersion = version;
}

std::string Db2MessageText(int32_t sqlcode, const std::string& token) {
  std::string t = token.substr(0, token.find('\0'));
  switch (sqlcode) {
    case 0: return "SQL0000W  The SQL command completed successfully.";
    case -1001: return "SQL1001N  \"" + t + "\" is not a valid database name.";
    case -1005: return "SQL1005N  The database alias \"" + t + "\" already exists.";
    case -1013: return "SQL1013N  The database alias name or database name \"" + t + "\" could not be found.";
    case -1031: return "SQL1031N  The database directory cannot be found on the indicated file system.";
    case -1062: return "SQL1062N  The database descriptor is not valid.";
    case -1097: return "SQL1097N  The node name \"" + t + "\" was not found in the node directory.";
    case -30082: return "SQL30082N  Security processing failed with reason \"24\" (\"USERNAME AND/OR PASSWORD INVALID\").";
    default: return std::string();
  }
}

}  // namespace sqlengine
