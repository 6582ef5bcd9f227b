// Tokenizer and statement classification.
#include <cctype>
#include <cstring>
#include <set>

#include "sqlrewrite.h"

namespace sqlengine {

namespace {

bool IdChar(unsigned char c) { return std::isalnum(c) || c == '_' || c == '$' || c == '#' || c >= 0x80; }

// The end of the number that starts at `i` (digits, a fraction unless ".." follows, an exponent with
// its digits); `integer` (when given) says whether it is plain digits.
size_t NumberEnd(const std::string& sql, size_t i, bool* integer) {
  const size_t n = sql.size();
  size_t j = i;
  while (j < n && std::isdigit(static_cast<unsigned char>(sql[j]))) ++j;
  bool digitsOnly = j > i;
  if (j < n && sql[j] == '.' && !(j + 1 < n && sql[j + 1] == '.')) {
    digitsOnly = false;
    ++j;
    while (j < n && std::isdigit(static_cast<unsigned char>(sql[j]))) ++j;
  }
  if (j < n && (sql[j] == 'e' || sql[j] == 'E')) {
    size_t k = j + 1;
    if (k < n && (sql[k] == '+' || sql[k] == '-')) ++k;
    if (k < n && std::isdigit(static_cast<unsigned char>(sql[k]))) {
      digitsOnly = false;
      j = k;
      while (j < n && std::isdigit(static_cast<unsigned char>(sql[j]))) ++j;
    }
  }
  if (integer != nullptr) *integer = digitsOnly;
  return j;
}

std::string UpperOf(const std::string& s) {
  std::string u(s);
  for (auto& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return u;
}

constexpr size_t kMaxName = 30;  // bytes, as Oracle counts them

bool TooLong(const std::string& name, const std::string& sql, Error& err) {
  return err.SetText(972, "identifier '" + name + "' is too long in \"" + sql + "\"");
}

}  // namespace

std::string SqliteName(const std::string& name) {
  std::string r;
  r.reserve(name.size() + 2);
  for (char c : name) {
    if (c >= 'a' && c <= 'z') {
      r += '^';
      r += static_cast<char>(c - 'a' + 'A');
    } else if (c == '^') {
      r += "^^";
    } else if (c == '~') {
      r += "^-";
    } else {
      r += c;
    }
  }
  return r;
}

std::string OracleName(const std::string& sqliteName) {
  std::string r;
  r.reserve(sqliteName.size());
  for (size_t i = 0; i < sqliteName.size(); ++i) {
    char c = sqliteName[i];
    if (c == '^' && i + 1 < sqliteName.size()) {
      char d = sqliteName[++i];
      if (d >= 'A' && d <= 'Z') r += static_cast<char>(d - 'A' + 'a');
      else if (d >= 'a' && d <= 'z') r += d;
      else if (d == '-') r += '~';
      else r += d;
    } else {
      r += c;
    }
  }
  return r;
}

std::string QuoteName(const std::string& sqliteName) {
  std::string r = "\"";
  for (char c : sqliteName) {
    if (c == '"') r += '"';
    r += c;
  }
  return r + "\"";
}

std::string QuotedIdent(const std::string& name) { return QuoteName(SqliteName(name)); }

bool Tokenize(const std::string& sql, std::vector<Token>& out, Error& err) {
  out.clear();
  // SQLite would stop reading at a NUL byte and run only the text before it.
  if (sql.find('\0') != std::string::npos) return err.Set(911, "NUL byte in the statement text");
  std::string lead;
  size_t i = 0;
  const size_t n = sql.size();
  auto push = [&](TokenType type, size_t from, size_t to) {
    Token t;
    t.type = type;
    t.text = sql.substr(from, to - from);
    t.lead.swap(lead);
    if (type == TokenType::Word || type == TokenType::Marker || type == TokenType::Op) t.upper = UpperOf(t.text);
    else if (type == TokenType::QuotedId) t.upper = t.text.substr(1, t.text.size() - 2);
    else t.upper = t.text;
    out.push_back(std::move(t));
  };
  while (i < n) {
    unsigned char c = static_cast<unsigned char>(sql[i]);
    if (std::isspace(c)) {
      lead += sql[i++];
      continue;
    }
    if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
      size_t e = sql.find('\n', i);
      if (e == std::string::npos) e = n;
      push(TokenType::Comment, i, e);
      i = e;
      continue;
    }
    if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
      size_t e = sql.find("*/", i + 2);
      if (e == std::string::npos) return err.Set(1742, "comment not terminated in \"" + sql + "\"");
      push(TokenType::Comment, i, e + 2);
      i = e + 2;
      continue;
    }
    if (c == '\'') {
      size_t j = i + 1;
      for (;;) {
        if (j >= n) return err.SetText(1756, "quoted string not properly terminated in \"" + sql + "\"");
        if (sql[j] == '\'') {
          if (j + 1 < n && sql[j + 1] == '\'') {
            j += 2;
            continue;
          }
          break;
        }
        ++j;
      }
      push(TokenType::String, i, j + 1);
      i = j + 1;
      continue;
    }
    if (c == '"') {
      size_t e = sql.find('"', i + 1);
      if (e == std::string::npos) return err.SetText(1740, "missing double quote in identifier in \"" + sql + "\"");
      if (e == i + 1) return err.SetText(1741, "illegal zero-length identifier in \"" + sql + "\"");
      if (e - i - 1 > kMaxName) return TooLong(sql.substr(i, e + 1 - i), sql, err);
      push(TokenType::QuotedId, i, e + 1);
      i = e + 1;
      continue;
    }
    if (std::isalpha(c) || c >= 0x80) {
      size_t j = i + 1;
      while (j < n && IdChar(static_cast<unsigned char>(sql[j]))) ++j;
      if (j - i > kMaxName) return TooLong(sql.substr(i, j - i), sql, err);
      push(TokenType::Word, i, j);
      i = j;
      continue;
    }
    if (std::isdigit(c) || (c == '.' && i + 1 < n && std::isdigit(static_cast<unsigned char>(sql[i + 1])))) {
      const size_t j = NumberEnd(sql, i, nullptr);
      push(TokenType::Number, i, j);
      i = j;
      continue;
    }
    if (c == ':' && i + 1 < n && IdChar(static_cast<unsigned char>(sql[i + 1]))) {
      size_t j = i + 1;
      while (j < n && IdChar(static_cast<unsigned char>(sql[j]))) ++j;
      push(TokenType::Marker, i, j);
      i = j;
      continue;
    }
    static const char* const kTwo[] = {"||", "<>", "!=", "<=", ">=", ":=", "=>", ".."};
    bool two = false;
    for (const char* op : kTwo) {
      if (i + 1 < n && sql[i] == op[0] && sql[i + 1] == op[1]) {
        push(TokenType::Op, i, i + 2);
        i += 2;
        two = true;
        break;
      }
    }
    if (two) continue;
    if (std::string("(),.;=<>+-*/%").find(static_cast<char>(c)) != std::string::npos) {
      push(TokenType::Op, i, i + 1);
      ++i;
      continue;
    }
    return err.SetText(911, "invalid character '" + std::string(1, static_cast<char>(c)) + "' in \"" + sql + "\"");
  }
  return true;
}

std::string JoinTokens(const std::vector<Token>& tokens) {
  std::string s;
  for (const auto& t : tokens) {
    if (!t.dropped) {
      if (!s.empty()) s += t.lead;
      s += t.text;
    }
    s += t.append;
  }
  return s;
}

int32_t StatementTypeOf(const std::string& sql) {
  size_t i = 0;
  while (i < sql.size()) {
    if (std::isspace(static_cast<unsigned char>(sql[i]))) {
      ++i;
    } else if (sql.compare(i, 2, "--") == 0) {
      size_t e = sql.find('\n', i);
      i = e == std::string::npos ? sql.size() : e;
    } else if (sql.compare(i, 2, "/*") == 0) {
      size_t e = sql.find("*/", i + 2);
      i = e == std::string::npos ? sql.size() : e + 2;
    } else if (sql[i] == '(') {
      ++i;
    } else {
      break;
    }
  }
  size_t j = i;
  while (j < sql.size() && std::isalpha(static_cast<unsigned char>(sql[j]))) ++j;
  std::string w = UpperOf(sql.substr(i, j - i));
  if (w == "SELECT" || w == "WITH") return 1;
  if (w == "UPDATE") return 2;
  if (w == "DELETE") return 3;
  if (w == "INSERT") return 4;
  if (w == "CREATE") return 5;
  if (w == "DROP") return 6;
  if (w == "ALTER") return 7;
  if (w == "BEGIN") return 8;
  if (w == "DECLARE") return 9;
  return 0;
}

std::vector<std::string> PlaceholderNames(const std::string& sql) {
  std::vector<std::string> names;
  std::vector<Token> toks;
  Error err;
  if (!Tokenize(sql, toks, err)) return names;
  int32_t type = StatementTypeOf(sql);
  if (type == 5 || type == 6 || type == 7) return names;  // DDL takes no binds (trigger bodies use :OLD/:NEW)
  bool plsql = type == 8 || type == 9;
  std::set<std::string> seen;
  for (const auto& t : toks) {
    if (t.type != TokenType::Marker) continue;
    std::string name = t.upper.substr(1);
    if (plsql && !seen.insert(name).second) continue;
    names.push_back(name);
  }
  return names;
}

namespace {

// A token of the literal scan: its kind and its place in the text (no copies).
struct Lex {
  TokenType type;
  size_t from, to;
};

bool WordIs(const std::string& sql, const Lex& t, const char* upper) {
  size_t n = t.to - t.from;
  if (t.type != TokenType::Word || std::strlen(upper) != n) return false;
  for (size_t k = 0; k < n; ++k)
    if (std::toupper(static_cast<unsigned char>(sql[t.from + k])) != upper[k]) return false;
  return true;
}

// The lexical rules of Tokenize, without copies; false for a text Tokenize would refuse.
bool Scan(const std::string& sql, std::vector<Lex>& out) {
  const size_t n = sql.size();
  size_t i = 0;
  while (i < n) {
    unsigned char c = static_cast<unsigned char>(sql[i]);
    if (std::isspace(c)) {
      ++i;
    } else if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
      size_t e = sql.find('\n', i);
      i = e == std::string::npos ? n : e;
    } else if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
      size_t e = sql.find("*/", i + 2);
      if (e == std::string::npos) return false;
      i = e + 2;
    } else if (c == '\'') {
      size_t j = i + 1;
      for (;; ++j) {
        if (j >= n) return false;
        if (sql[j] == '\'') {
          if (j + 1 < n && sql[j + 1] == '\'') {
            ++j;
            continue;
          }
          break;
        }
      }
      out.push_back({TokenType::String, i, j + 1});
      i = j + 1;
    } else if (c == '"') {
      size_t e = sql.find('"', i + 1);
      if (e == std::string::npos || e == i + 1 || e - i - 1 > kMaxName) return false;
      out.push_back({TokenType::QuotedId, i, e + 1});
      i = e + 1;
    } else if (std::isalpha(c) || c >= 0x80) {
      size_t j = i + 1;
      while (j < n && IdChar(static_cast<unsigned char>(sql[j]))) ++j;
      if (j - i > kMaxName) return false;
      out.push_back({TokenType::Word, i, j});
      i = j;
    } else if (std::isdigit(c) || (c == '.' && i + 1 < n && std::isdigit(static_cast<unsigned char>(sql[i + 1])))) {
      // As Tokenize reads numbers; only plain integers count as numbers here, any other is a
      // literal that stays.
      bool integer = false;
      const size_t j = NumberEnd(sql, i, &integer);
      out.push_back({integer ? TokenType::Number : TokenType::String, i, j});
      i = j;
    } else if (c == ':' && i + 1 < n && IdChar(static_cast<unsigned char>(sql[i + 1]))) {
      size_t j = i + 1;
      while (j < n && IdChar(static_cast<unsigned char>(sql[j]))) ++j;
      out.push_back({TokenType::Marker, i, j});
      i = j;
    } else if (c == '\0') {
      return false;
    } else {
      // Two-character operators need no care: none of them touches a literal that is taken.
      out.push_back({TokenType::Op, i, i + 1});
      ++i;
    }
  }
  return true;
}

bool OpIs(const std::string& sql, const Lex& t, char op) {
  return t.type == TokenType::Op && sql[t.from] == op &&
         // "<=", ">=", "!=", ":=" and "=>" are no "="
         !(op == '=' && t.from > 0 && std::strchr("<>!:", sql[t.from - 1])) &&
         !(op == '=' && t.from + 1 < sql.size() && sql[t.from + 1] == '>');
}

}  // namespace

bool TakeLiterals(const std::string& sql, LiteralForm& out) {
  out.text.clear();
  out.values.clear();
  out.slots.clear();
  std::vector<Lex> toks;
  toks.reserve(sql.size() / 3 + 4);
  if (!Scan(sql, toks) || toks.empty()) return false;
  if (!WordIs(sql, toks[0], "SELECT") && !WordIs(sql, toks[0], "UPDATE") && !WordIs(sql, toks[0], "DELETE")) return false;
  constexpr size_t kMaxDigits = 18;  // within int64_t
  auto plain = [&](size_t k) { return toks[k].type == TokenType::Number && toks[k].to - toks[k].from <= kMaxDigits; };
  std::vector<char> take(toks.size(), 0);
  bool where = false, any = false;
  const size_t n = toks.size();
  for (size_t k = 0; k < n; ++k) {
    const Lex& t = toks[k];
    if (WordIs(sql, t, "WHERE")) where = true;
    if (!where) continue;
    if (WordIs(sql, t, "IN") && k + 1 < n && OpIs(sql, toks[k + 1], '(')) {
      // IN ( n, n, ... ): every element a plain integer.
      size_t j = k + 2;
      bool all = true;
      for (;; j += 2) {
        if (j + 1 >= n || !plain(j)) {
          all = false;
          break;
        }
        if (OpIs(sql, toks[j + 1], ')')) break;
        if (!OpIs(sql, toks[j + 1], ',')) {
          all = false;
          break;
        }
      }
      if (all) {
        for (size_t e = k + 2; e <= j; e += 2) take[e] = 1;
        any = true;
        k = j + 1;
      }
    } else if (plain(k) && k >= 2 && OpIs(sql, toks[k - 1], '=') &&
               (toks[k - 2].type == TokenType::QuotedId ||
                (toks[k - 2].type == TokenType::Word && !WordIs(sql, toks[k - 2], "ROWNUM") && !WordIs(sql, toks[k - 2], "NULL")))) {
      // name = n, ending a term
      bool ends = k + 1 == n || OpIs(sql, toks[k + 1], ')') || WordIs(sql, toks[k + 1], "AND") ||
                  WordIs(sql, toks[k + 1], "OR") || WordIs(sql, toks[k + 1], "ORDER") || WordIs(sql, toks[k + 1], "GROUP") ||
                  WordIs(sql, toks[k + 1], "UNION") || WordIs(sql, toks[k + 1], "FOR");
      if (ends) {
        take[k] = 1;
        any = true;
      }
    }
  }
  if (!any) return false;
  out.text.reserve(sql.size());
  size_t copied = 0;
  int32_t callerBinds = 0;
  for (size_t k = 0; k < n; ++k) {
    if (toks[k].type == TokenType::Marker) {
      out.slots.push_back(callerBinds++);
    } else if (take[k]) {
      out.text.append(sql, copied, toks[k].from - copied);
      out.text += ":L ";
      copied = toks[k].to;
      int64_t v = 0;
      for (size_t d = toks[k].from; d < toks[k].to; ++d) v = v * 10 + (sql[d] - '0');
      out.values.push_back(v);
      out.slots.push_back(-static_cast<int32_t>(out.values.size()));
    }
  }
  out.text.append(sql, copied, std::string::npos);
  return true;
}

bool IsDdl(StatementKind k) {
  switch (k) {
    case StatementKind::CreateTable: case StatementKind::CreateIndex: case StatementKind::CreateView:
    case StatementKind::CreateTrigger: case StatementKind::AlterTable: case StatementKind::DropTable:
    case StatementKind::DropIndex: case StatementKind::DropView: case StatementKind::DropTrigger:
    case StatementKind::DropPackage: case StatementKind::DropProcedure: case StatementKind::CreatePackage:
    case StatementKind::CreateProcedure: case StatementKind::CreateUser: case StatementKind::AlterUser:
    case StatementKind::DropUser: case StatementKind::CreateRole: case StatementKind::DropRole:
    case StatementKind::Grant:
      return true;
    default:
      return false;
  }
}

bool IsQuery(StatementKind k) { return k == StatementKind::Select; }

bool IsAuxTable(const std::string& t) { return t == "LOCKS" || t == "ACTIVECLIENTS" || t == "SURROGATES"; }

std::string MainAlias(const std::string& schema) { return QuotedIdent(schema); }
std::string AuxAlias(const std::string& schema) { return QuoteName(SqliteName(schema) + "~aux"); }
std::string FileAlias(const std::string& schema, const std::string& table) {
  return IsAuxTable(table) ? AuxAlias(schema) : MainAlias(schema);
}

}  // namespace sqlengine
