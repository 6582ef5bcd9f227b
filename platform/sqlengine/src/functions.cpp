// Oracle SQL functions for SQLite connections.
#include <sqlite3.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "sqlengine.h"
#include "sqlutil.h"

namespace sqlengine {

namespace {

Session* SessionOf(sqlite3_context* ctx) { return static_cast<Session*>(sqlite3_user_data(ctx)); }

bool Utf8Database(sqlite3_context* ctx) {
  Session* s = SessionOf(ctx);
  std::string cs = s ? s->GetServer().CharacterSet() : std::string("AL32UTF8");
  return cs == "AL32UTF8" || cs == "UTF8" || cs == "AL24UTFFSS";
}

std::string Bytes(sqlite3_value* v) {
  if (sqlite3_value_type(v) == SQLITE_BLOB) {
    const void* p = sqlite3_value_blob(v);
    return p ? std::string(static_cast<const char*>(p), static_cast<size_t>(sqlite3_value_bytes(v))) : std::string();
  }
  if (sqlite3_value_type(v) == SQLITE_FLOAT) return OraNumberText(sqlite3_value_double(v));
  const unsigned char* p = sqlite3_value_text(v);
  return p ? std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(sqlite3_value_bytes(v))) : std::string();
}

bool IsNumber(sqlite3_value* v) {
  int t = sqlite3_value_type(v);
  return t == SQLITE_INTEGER || t == SQLITE_FLOAT;
}

bool ParseNumber(const std::string& s, double& out) {
  if (s.empty()) return false;
  char* end = nullptr;
  out = std::strtod(s.c_str(), &end);
  while (end && *end == ' ') ++end;
  return end && *end == '\0';
}

// Oracle's empty text is NULL.
void ResultText(sqlite3_context* ctx, const std::string& s, bool blob = false) {
  if (s.empty()) {
    sqlite3_result_null(ctx);
  } else if (blob) {
    sqlite3_result_blob(ctx, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
  } else {
    sqlite3_result_text(ctx, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
  }
}

void ResultError(sqlite3_context* ctx, const Error& err) { sqlite3_result_error(ctx, err.message.c_str(), -1); }

void ResultNumber(sqlite3_context* ctx, double v) {
  if (v == std::floor(v) && std::fabs(v) < 9.2e18) sqlite3_result_int64(ctx, static_cast<int64_t>(v));
  else sqlite3_result_double(ctx, v);
}

// Character boundaries: whole UTF-8 sequences in a Unicode database, bytes otherwise.
std::vector<size_t> CharStarts(const std::string& s, bool utf8) {
  std::vector<size_t> starts;
  for (size_t i = 0; i < s.size(); ++i)
    if (!utf8 || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) starts.push_back(i);
  return starts;
}

bool DateArg(sqlite3_value* v, DateTime& d) {
  return sqlite3_value_type(v) == SQLITE_TEXT && ParseDateText(Bytes(v), d);
}

void FnToDate(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL || (argc > 1 && sqlite3_value_type(argv[1]) == SQLITE_NULL)) {
    sqlite3_result_null(ctx);
    return;
  }
  std::string text = IsNumber(argv[0]) && sqlite3_value_type(argv[0]) == SQLITE_INTEGER
                         ? OraIntegerText(sqlite3_value_int64(argv[0]))
                         : Bytes(argv[0]);
  DateTime d;
  Error err;
  if (argc == 1) {
    if (ParseDateText(text, d)) {
      ResultText(ctx, FormatDateText(d));
      return;
    }
    if (!OraToDate(text, "DD-MON-RR", d, err)) return ResultError(ctx, err);
  } else if (!OraToDate(text, Bytes(argv[1]), d, err)) {
    return ResultError(ctx, err);
  }
  ResultText(ctx, FormatDateText(d));
}

void FnToChar(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
    sqlite3_result_null(ctx);
    return;
  }
  std::string fmt = argc > 1 ? Bytes(argv[1]) : std::string();
  Error err;
  std::string out;
  DateTime d;
  if (DateArg(argv[0], d)) {
    if (!OraDateToChar(d, fmt.empty() ? "DD-MON-RR" : fmt, out, err)) return ResultError(ctx, err);
    return ResultText(ctx, out);
  }
  double number = 0;
  bool numeric = IsNumber(argv[0]) ? (number = sqlite3_value_double(argv[0]), true) : ParseNumber(Bytes(argv[0]), number);
  if (fmt.empty()) {
    if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER) return ResultText(ctx, OraIntegerText(sqlite3_value_int64(argv[0])));
    return ResultText(ctx, numeric && IsNumber(argv[0]) ? OraNumberText(number) : Bytes(argv[0]));
  }
  if (!numeric) {
    err.Set(1722);
    return ResultError(ctx, err);
  }
  if (!OraNumberToChar(number, fmt, out, err)) return ResultError(ctx, err);
  ResultText(ctx, out);
}

void FnTruncRound(sqlite3_context* ctx, int argc, sqlite3_value** argv, bool round) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
    sqlite3_result_null(ctx);
    return;
  }
  DateTime d;
  if (DateArg(argv[0], d)) {
    std::string fmt = argc > 1 ? UpperText(Bytes(argv[1])) : std::string("DD");
    if (fmt == "MM" || fmt == "MONTH" || fmt == "MON") {
      if (round && d.day >= 16) {
        d = FromJulianDay(ToJulianDay(DateTime{d.year, d.month, DaysInMonth(d.year, d.month), 0, 0, 0}) + 1);
      }
      d.day = 1;
    } else if (fmt == "YYYY" || fmt == "YEAR" || fmt == "Y" || fmt == "YY" || fmt == "YYY") {
      if (round && d.month >= 7) ++d.year;
      d.month = 1;
      d.day = 1;
    } else if (fmt == "DD" || fmt == "J" || fmt == "DDD") {
      if (round && d.hour >= 12) d = FromJulianDay(ToJulianDay(d) + 1);
    } else {
      Error err;
      err.Set(1821, fmt);
      return ResultError(ctx, err);
    }
    d.hour = d.minute = d.second = 0;
    return ResultText(ctx, FormatDateText(d));
  }
  double v = 0;
  if (!(IsNumber(argv[0]) ? (v = sqlite3_value_double(argv[0]), true) : ParseNumber(Bytes(argv[0]), v))) {
    Error err;
    err.Set(1722);
    return ResultError(ctx, err);
  }
  if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER && argc == 1) {
    sqlite3_result_int64(ctx, sqlite3_value_int64(argv[0]));
    return;
  }
  int places = argc > 1 ? sqlite3_value_int(argv[1]) : 0;
  double scale = std::pow(10.0, places);
  double scaled = v * scale;
  double r = round ? (scaled < 0 ? -std::floor(-scaled + 0.5) : std::floor(scaled + 0.5)) : std::trunc(scaled);
  ResultNumber(ctx, r / scale);
}

void FnTrunc(sqlite3_context* ctx, int argc, sqlite3_value** argv) { FnTruncRound(ctx, argc, argv, false); }
void FnRound(sqlite3_context* ctx, int argc, sqlite3_value** argv) { FnTruncRound(ctx, argc, argv, true); }

void FnRpad(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  for (int i = 0; i < argc; ++i)
    if (sqlite3_value_type(argv[i]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  bool blob = sqlite3_value_type(argv[0]) == SQLITE_BLOB;
  std::string s = Bytes(argv[0]);
  int64_t n = sqlite3_value_int64(argv[1]);
  std::string pad = argc > 2 ? Bytes(argv[2]) : std::string(" ");
  if (n <= 0 || pad.empty()) return sqlite3_result_null(ctx);
  size_t len = static_cast<size_t>(n);
  if (s.size() >= len) {
    s.resize(len);
  } else {
    while (s.size() < len) s += pad.substr(0, len - s.size());
  }
  ResultText(ctx, s, blob);
}

void FnSubstr(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  for (int i = 0; i < argc; ++i)
    if (sqlite3_value_type(argv[i]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  bool blob = sqlite3_value_type(argv[0]) == SQLITE_BLOB;
  std::string s = sqlite3_value_type(argv[0]) == SQLITE_INTEGER ? OraIntegerText(sqlite3_value_int64(argv[0])) : Bytes(argv[0]);
  std::vector<size_t> starts = CharStarts(s, !blob && Utf8Database(ctx));
  int64_t count = static_cast<int64_t>(starts.size());
  int64_t pos = sqlite3_value_int64(argv[1]);
  if (pos == 0) pos = 1;
  if (pos < 0) pos = count + pos + 1;
  if (pos < 1 || pos > count) return sqlite3_result_null(ctx);
  int64_t len = argc > 2 ? sqlite3_value_int64(argv[2]) : count;
  if (len < 1) return sqlite3_result_null(ctx);
  int64_t last = std::min(count, pos - 1 + len);
  size_t from = starts[static_cast<size_t>(pos - 1)];
  size_t to = last >= count ? s.size() : starts[static_cast<size_t>(last)];
  ResultText(ctx, s.substr(from, to - from), blob);
}

void FnRtrim(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  for (int i = 0; i < argc; ++i)
    if (sqlite3_value_type(argv[i]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  bool blob = sqlite3_value_type(argv[0]) == SQLITE_BLOB;
  std::string s = Bytes(argv[0]);
  std::string set = argc > 1 ? Bytes(argv[1]) : std::string(" ");
  size_t end = s.find_last_not_of(set);
  ResultText(ctx, end == std::string::npos ? std::string() : s.substr(0, end + 1), blob);
}

void FnReplace(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  std::string s = Bytes(argv[0]);
  std::string from = sqlite3_value_type(argv[1]) == SQLITE_NULL ? std::string() : Bytes(argv[1]);
  std::string to = argc > 2 && sqlite3_value_type(argv[2]) != SQLITE_NULL ? Bytes(argv[2]) : std::string();
  if (!from.empty()) {
    for (size_t p = s.find(from); p != std::string::npos; p = s.find(from, p + to.size())) s.replace(p, from.size(), to);
  }
  ResultText(ctx, s, sqlite3_value_type(argv[0]) == SQLITE_BLOB);
}

void FnChr(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  uint64_t n = static_cast<uint64_t>(sqlite3_value_int64(argv[0]));
  if (!Utf8Database(ctx)) n &= 0xFF;
  std::string s;
  do {
    s.insert(s.begin(), static_cast<char>(n & 0xFF));
    n >>= 8;
  } while (n);
  sqlite3_result_text(ctx, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

void FnAscii(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  std::string s = Bytes(argv[0]);
  if (s.empty()) return sqlite3_result_null(ctx);
  size_t len = 1;
  if (sqlite3_value_type(argv[0]) != SQLITE_BLOB && Utf8Database(ctx)) {
    unsigned char c = static_cast<unsigned char>(s[0]);
    len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
    if (len > s.size()) len = 1;
  }
  int64_t v = 0;
  for (size_t i = 0; i < len; ++i) v = (v << 8) | static_cast<unsigned char>(s[i]);
  sqlite3_result_int64(ctx, v);
}

void FnUserenv(sqlite3_context* ctx, int, sqlite3_value** argv) {
  Session* s = SessionOf(ctx);
  std::string what = UpperText(Bytes(argv[0]));
  if (what == "SESSIONID" && s) return sqlite3_result_int64(ctx, s->Id());
  Error err;
  err.Set(2003, what);
  ResultError(ctx, err);
}

void FnUser(sqlite3_context* ctx, int, sqlite3_value**) {
  Session* s = SessionOf(ctx);
  std::string u = s ? s->User() : std::string();
  sqlite3_result_text(ctx, u.data(), static_cast<int>(u.size()), SQLITE_TRANSIENT);
}

void FnEmptyBlob(sqlite3_context* ctx, int, sqlite3_value**) { sqlite3_result_zeroblob(ctx, 0); }

}  // namespace

bool RegisterFunctions(sqlite3* db, Session* session, Error& err) {
  struct Fn {
    const char* name;
    int args;
    void (*fn)(sqlite3_context*, int, sqlite3_value**);
    bool deterministic;
  };
  const Fn fns[] = {
      {"TO_DATE", 1, FnToDate, true},  {"TO_DATE", 2, FnToDate, true},   {"TO_CHAR", 1, FnToChar, true},
      {"TO_CHAR", 2, FnToChar, true},  {"TRUNC", 1, FnTrunc, true},      {"TRUNC", 2, FnTrunc, true},
      {"ROUND", 1, FnRound, true},     {"ROUND", 2, FnRound, true},      {"RPAD", 2, FnRpad, true},
      {"RPAD", 3, FnRpad, true},       {"SUBSTR", 2, FnSubstr, true},    {"SUBSTR", 3, FnSubstr, true},
      {"RTRIM", 1, FnRtrim, true},     {"RTRIM", 2, FnRtrim, true},      {"REPLACE", 2, FnReplace, true},
      {"REPLACE", 3, FnReplace, true}, {"CHR", 1, FnChr, true},          {"ASCII", 1, FnAscii, true},
      {"USERENV", 1, FnUserenv, false}, {"ORA_USER", 0, FnUser, false},  {"EMPTY_BLOB", 0, FnEmptyBlob, true},
  };
  for (const auto& f : fns) {
    int flags = SQLITE_UTF8 | SQLITE_INNOCUOUS | (f.deterministic ? SQLITE_DETERMINISTIC : 0);
    if (sqlite3_create_function_v2(db, f.name, f.args, flags, session, f.fn, nullptr, nullptr, nullptr) != SQLITE_OK)
      return err.Set(600, std::string("cannot register function ") + f.name);
  }
  return true;
}

}  // namespace sqlengine
