// Oracle SQL functions for SQLite connections.
#include <sqlite3.h>

#include "db2functions.h"

#include <locale.h>
#include <wctype.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

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

// Oracle's limit of a VARCHAR2 value in SQL: a function result longer than this is refused.
constexpr size_t kMaxVarchar = 4000;
// NUMBER holds magnitudes below 1e126.
constexpr double kNumberLimit = 1e126;

void ResultCode(sqlite3_context* ctx, int32_t code, const std::string& detail = std::string()) {
  Error err;
  err.Set(code, detail);
  ResultError(ctx, err);
}

// A numeric argument as a double: numbers as they are, texts when they hold a number. False (with
// ORA-01722 set on the context) for anything else; NULL must be handled by the caller.
bool NumberArg(sqlite3_context* ctx, sqlite3_value* v, double& out) {
  if (IsNumber(v)) {
    out = sqlite3_value_double(v);
  } else if (sqlite3_value_type(v) != SQLITE_TEXT || !ParseNumber(Bytes(v), out)) {
    ResultCode(ctx, 1722);
    return false;
  }
  if (std::isnan(out)) {
    ResultCode(ctx, 1722);
    return false;
  }
  return true;
}

// An integer argument (lengths, positions): truncated toward zero and clamped to +-2^62, so that
// sums of two of them cannot overflow.
bool IntegerArg(sqlite3_context* ctx, sqlite3_value* v, int64_t& out) {
  constexpr int64_t kClamp = int64_t{1} << 62;
  if (sqlite3_value_type(v) == SQLITE_INTEGER) {
    out = std::clamp<int64_t>(sqlite3_value_int64(v), -kClamp, kClamp);
    return true;
  }
  double d = 0;
  if (!NumberArg(ctx, v, d)) return false;
  d = std::trunc(d);
  out = d >= static_cast<double>(kClamp) ? kClamp : d <= -static_cast<double>(kClamp) ? -kClamp : static_cast<int64_t>(d);
  return true;
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
    if (out.size() > kMaxVarchar) return ResultCode(ctx, 1801);
    return ResultText(ctx, out);
  }
  double number = 0;
  bool numeric = IsNumber(argv[0]) ? (number = sqlite3_value_double(argv[0]), true) : ParseNumber(Bytes(argv[0]), number);
  if (fmt.empty()) {
    if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER) return ResultText(ctx, OraIntegerText(sqlite3_value_int64(argv[0])));
    return ResultText(ctx, numeric && IsNumber(argv[0]) ? OraNumberText(number) : Bytes(argv[0]));
  }
  if (!numeric || std::isnan(number)) {
    err.Set(1722);
    return ResultError(ctx, err);
  }
  if (!std::isfinite(number) || std::fabs(number) >= kNumberLimit) return ResultCode(ctx, 1426);
  if (!OraNumberToChar(number, fmt, out, err)) return ResultError(ctx, err);
  if (out.size() > kMaxVarchar) return ResultCode(ctx, 1481);
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
    if (d.year > 9999) return ResultCode(ctx, 1841);
    return ResultText(ctx, FormatDateText(d));
  }
  double v = 0;
  if (!NumberArg(ctx, argv[0], v)) return;
  if (argc > 1 && sqlite3_value_type(argv[1]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  int64_t places = 0;
  if (argc > 1 && !IntegerArg(ctx, argv[1], places)) return;
  if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER && places >= 0) {
    sqlite3_result_int64(ctx, sqlite3_value_int64(argv[0]));
    return;
  }
  if (!std::isfinite(v) || std::fabs(v) >= kNumberLimit) return ResultCode(ctx, 1426);
  // Beyond the digits a double holds the value stays as it is; far left of them it is zero.
  if (places > 330) return ResultNumber(ctx, v);
  if (places < -330) return ResultNumber(ctx, 0.0);
  double scale = std::pow(10.0, static_cast<double>(places));
  double scaled = v * scale;
  if (!std::isfinite(scaled) || scale == 0.0) return ResultNumber(ctx, v);
  double r = round ? (scaled < 0 ? -std::floor(-scaled + 0.5) : std::floor(scaled + 0.5)) : std::trunc(scaled);
  ResultNumber(ctx, r / scale);
}

void FnTrunc(sqlite3_context* ctx, int argc, sqlite3_value** argv) { FnTruncRound(ctx, argc, argv, false); }
void FnRound(sqlite3_context* ctx, int argc, sqlite3_value** argv) { FnTruncRound(ctx, argc, argv, true); }

// RPAD counts characters (bytes of a RAW value); as in Oracle's SQL the result stops at the
// VARCHAR2 limit of 4000 bytes, however long the requested length.
void FnRpad(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  for (int i = 0; i < argc; ++i)
    if (sqlite3_value_type(argv[i]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  bool blob = sqlite3_value_type(argv[0]) == SQLITE_BLOB;
  bool utf8 = !blob && Utf8Database(ctx);
  std::string s = Bytes(argv[0]);
  int64_t n = 0;
  if (!IntegerArg(ctx, argv[1], n)) return;
  std::string pad = argc > 2 ? Bytes(argv[2]) : std::string(" ");
  if (n <= 0 || pad.empty()) return sqlite3_result_null(ctx);
  std::vector<size_t> starts = CharStarts(s, utf8), padStarts = CharStarts(pad, utf8);
  std::string out;
  int64_t chars = 0;
  // Appends characters [from, to) of text as long as the count and the byte limit allow.
  auto take = [&](const std::string& text, const std::vector<size_t>& st) {
    for (size_t i = 0; i < st.size() && chars < n; ++i) {
      size_t end = i + 1 < st.size() ? st[i + 1] : text.size();
      if (out.size() + (end - st[i]) > kMaxVarchar) return false;
      out.append(text, st[i], end - st[i]);
      ++chars;
    }
    return chars < n;
  };
  if (take(s, starts)) {
    while (take(pad, padStarts)) {
    }
  }
  ResultText(ctx, out, blob);
}

void FnSubstr(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  for (int i = 0; i < argc; ++i)
    if (sqlite3_value_type(argv[i]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  bool blob = sqlite3_value_type(argv[0]) == SQLITE_BLOB;
  std::string s = sqlite3_value_type(argv[0]) == SQLITE_INTEGER ? OraIntegerText(sqlite3_value_int64(argv[0])) : Bytes(argv[0]);
  std::vector<size_t> starts = CharStarts(s, !blob && Utf8Database(ctx));
  int64_t count = static_cast<int64_t>(starts.size());
  int64_t pos = 0, len = count;
  if (!IntegerArg(ctx, argv[1], pos) || (argc > 2 && !IntegerArg(ctx, argv[2], len))) return;
  if (pos == 0) pos = 1;
  if (pos < 0) pos = count + pos + 1;
  if (pos < 1 || pos > count) return sqlite3_result_null(ctx);
  if (len < 1) return sqlite3_result_null(ctx);
  int64_t last = len > count - (pos - 1) ? count : pos - 1 + len;
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
    // The result may not grow beyond the VARCHAR2 limit (nor beyond a longer input).
    const size_t limit = std::max(kMaxVarchar, s.size());
    std::string out;
    size_t at = 0;
    for (size_t p = s.find(from); p != std::string::npos; p = s.find(from, at)) {
      out.append(s, at, p - at);
      out += to;
      at = p + from.size();
      if (out.size() > limit) return ResultCode(ctx, 1489);
    }
    out.append(s, at, std::string::npos);
    if (out.size() > limit) return ResultCode(ctx, 1489);
    s.swap(out);
  }
  ResultText(ctx, s, sqlite3_value_type(argv[0]) == SQLITE_BLOB);
}

void FnChr(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  int64_t code = 0;
  if (!IntegerArg(ctx, argv[0], code)) return;
  if (code < 0 || code > 0xFFFFFFFFLL) return ResultCode(ctx, 1722);
  uint64_t n = static_cast<uint64_t>(code);
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


// ---- operators the rewrite routes through functions ------------------------------------------------

// Oracle's concatenation (the rewrite turns `a || b || c` into ORA_CONCAT(a, b, c)): a NULL operand
// counts as an empty text, an empty result is NULL, numbers take Oracle's text form, RAW operands
// their hexadecimal text. A result beyond the VARCHAR2 limit is refused (ORA-01489) unless an
// operand is already longer (a LONG value), which keeps such values usable as they were.
void FnConcat(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  std::string out;
  size_t limit = kMaxVarchar;
  for (int i = 0; i < argc; ++i) {
    sqlite3_value* v = argv[i];
    switch (sqlite3_value_type(v)) {
      case SQLITE_NULL: continue;
      case SQLITE_INTEGER: out += OraIntegerText(sqlite3_value_int64(v)); break;
      case SQLITE_BLOB: {
        static const char kHex[] = "0123456789ABCDEF";
        std::string b = Bytes(v);
        limit = std::max(limit, b.size() * 2);
        for (unsigned char c : b) {
          out += kHex[c >> 4];
          out += kHex[c & 15];
        }
        break;
      }
      default: {
        std::string b = Bytes(v);
        limit = std::max(limit, b.size());
        out += b;
      }
    }
  }
  if (out.size() > limit) return ResultCode(ctx, 1489);
  ResultText(ctx, out);
}

// Oracle's division (the rewrite turns `a / b` into ORA_DIV(a, b)): no integer division, ORA-01476
// for a zero divisor; an exact quotient of two integers stays an integer.
void FnDiv(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
    return sqlite3_result_null(ctx);
  if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER && sqlite3_value_type(argv[1]) == SQLITE_INTEGER) {
    int64_t a = sqlite3_value_int64(argv[0]), b = sqlite3_value_int64(argv[1]);
    if (b == 0) return ResultCode(ctx, 1476);
    if (!(b == -1 && a == std::numeric_limits<int64_t>::min()) && a % b == 0) return sqlite3_result_int64(ctx, a / b);
  }
  double a = 0, b = 0;
  if (!NumberArg(ctx, argv[0], a) || !NumberArg(ctx, argv[1], b)) return;
  if (b == 0) return ResultCode(ctx, 1476);
  double q = a / b;
  if (!std::isfinite(q) || std::fabs(q) >= kNumberLimit) return ResultCode(ctx, 1426);
  ResultNumber(ctx, q);
}

// ---- column checks (CHECK constraints of tables created through the rewrite) ----------------------

// ORA_CHECK_LENGTH(value, maximum, 'column' [, unit]): 'B' (the default) counts the bytes of a text
// (VARCHAR2, CHAR), 'R' the bytes of a RAW value (a text there is hexadecimal, two digits a byte).
// True, or ORA-12899.
void FnCheckLength(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_int(ctx, 1);
  int64_t max = sqlite3_value_int64(argv[1]);
  bool raw = argc > 3 && Bytes(argv[3]) == "R";
  int64_t actual = sqlite3_value_bytes(argv[0]);
  if (raw && sqlite3_value_type(argv[0]) != SQLITE_BLOB) actual = (actual + 1) / 2;
  if (actual <= max) return sqlite3_result_int(ctx, 1);
  Error err;
  err.SetText(12899, "value too large for column " + Bytes(argv[2]) + " (actual: " + std::to_string(actual) +
                         ", maximum: " + std::to_string(max) + ")");
  ResultError(ctx, err);
}

// ORA_CHECK_NUMBER(value [, precision [, scale [, 'column']]]): no precision (or precision 0) for a
// NUMBER without one, no scale for 0; the column's name of older tables is not used. Texts
// that are no number give ORA-01722, magnitudes NUMBER cannot hold ORA-01426, values whose integer
// part (after rounding to the scale) has more digits than precision - scale ORA-01438.
void FnCheckNumber(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  sqlite3_value* v = argv[0];
  int type = sqlite3_value_type(v);
  if (type == SQLITE_NULL) return sqlite3_result_int(ctx, 1);
  if (type == SQLITE_BLOB) return ResultCode(ctx, 932, "expected NUMBER got BINARY");
  double d = 0;
  if (type == SQLITE_TEXT) {
    std::string t = Bytes(v);
    if (!ParseNumber(t, d) || t.find_first_of("xXnN") != std::string::npos) return ResultCode(ctx, 1722);
  } else {
    d = sqlite3_value_double(v);
  }
  if (!std::isfinite(d) || std::fabs(d) >= kNumberLimit) return ResultCode(ctx, 1426);
  int64_t precision = argc >= 2 ? sqlite3_value_int64(argv[1]) : 0, scale = argc >= 3 ? sqlite3_value_int64(argv[2]) : 0;
  if (precision > 0) {
    int64_t digits = precision - scale;
    double rounded = d;
    if (scale > -330 && scale < 330) {
      double f = std::pow(10.0, static_cast<double>(scale));
      double scaled = std::fabs(d) * f;
      if (std::isfinite(scaled) && f != 0.0) rounded = std::floor(scaled + 0.5) / f;
    }
    bool fits = type == SQLITE_INTEGER && digits >= 0 && digits < 19
                    ? [&] {
                        int64_t limit = 1;
                        for (int64_t k = 0; k < digits; ++k) limit *= 10;
                        int64_t i = sqlite3_value_int64(v);
                        return i > -limit && i < limit;
                      }()
                    : std::fabs(rounded) < std::pow(10.0, static_cast<double>(digits));
    if (!fits) {
      Error err;
      err.SetText(1438, "value larger than specified precision allowed for this column");
      return ResultError(ctx, err);
    }
  }
  sqlite3_result_int(ctx, 1);
}

// ---- case folding and LIKE ... ESCAPE ----------------------------------------------------------------

// Made once and freed when the library goes away (it may be unloaded with the module that loaded it).
locale_t Utf8Locale() {
  struct Holder {
    locale_t loc;
    Holder() {
      loc = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
      if (!loc) loc = newlocale(LC_CTYPE_MASK, "C.utf8", static_cast<locale_t>(nullptr));
      if (!loc) loc = newlocale(LC_CTYPE_MASK, "en_US.UTF-8", static_cast<locale_t>(nullptr));
    }
    ~Holder() {
      if (loc) freelocale(loc);
    }
  };
  static Holder holder;
  return holder.loc;
}

// Decodes one UTF-8 sequence at s[i]; false for a malformed one (len is then 1).
bool DecodeUtf8(const std::string& s, size_t i, uint32_t& cp, size_t& len) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
  if (len == 0 || i + len > s.size()) {
    len = 1;
    return false;
  }
  cp = len == 1 ? c : c & (0x7F >> len);
  for (size_t k = 1; k < len; ++k) {
    unsigned char cc = static_cast<unsigned char>(s[i + k]);
    if ((cc & 0xC0) != 0x80) {
      len = 1;
      return false;
    }
    cp = (cp << 6) | (cc & 0x3F);
  }
  return true;
}

void EncodeUtf8(uint32_t cp, std::string& out) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Latin-1 based 8-bit sets fold their letters 0xC0-0xFE as well; other 8-bit sets fold ASCII only.
bool Latin1Database(sqlite3_context* ctx) {
  Session* s = SessionOf(ctx);
  std::string cs = s ? s->GetServer().CharacterSet() : std::string();
  return cs.compare(0, 4, "WE8I") == 0 || cs == "WE8MSWIN1252" || cs == "WE8ISO8859P15" || cs == "WE8DEC";
}

// UPPER and LOWER by the database character set: every Unicode letter in a UTF-8 database (simple,
// one-to-one case mapping as Oracle's), Latin-1 letters in a Latin-1 database, ASCII otherwise.
void FoldCase(sqlite3_context* ctx, sqlite3_value* v, bool upper) {
  int type = sqlite3_value_type(v);
  if (type == SQLITE_NULL) return sqlite3_result_null(ctx);
  std::string s = Bytes(v);
  std::string out;
  out.reserve(s.size());
  if (Utf8Database(ctx)) {
    locale_t loc = Utf8Locale();
    for (size_t i = 0; i < s.size();) {
      uint32_t cp = 0;
      size_t len = 1;
      if (!DecodeUtf8(s, i, cp, len)) {
        out += s[i++];
        continue;
      }
      if (cp < 0x80) {
        out += static_cast<char>(upper ? std::toupper(static_cast<int>(cp)) : std::tolower(static_cast<int>(cp)));
      } else if (loc) {
        wint_t w = upper ? towupper_l(static_cast<wint_t>(cp), loc) : towlower_l(static_cast<wint_t>(cp), loc);
        EncodeUtf8(static_cast<uint32_t>(w), out);
      } else {
        out.append(s, i, len);
      }
      i += len;
    }
  } else {
    bool latin1 = Latin1Database(ctx);
    for (unsigned char c : s) {
      if (c < 0x80) {
        c = static_cast<unsigned char>(upper ? std::toupper(c) : std::tolower(c));
      } else if (latin1 && c != 0xD7 && c != 0xF7) {
        if (upper && c >= 0xE0 && c <= 0xFE) c = static_cast<unsigned char>(c - 0x20);
        else if (!upper && c >= 0xC0 && c <= 0xDE) c = static_cast<unsigned char>(c + 0x20);
      }
      out += static_cast<char>(c);
    }
  }
  if (type == SQLITE_BLOB) return sqlite3_result_blob(ctx, out.data(), static_cast<int>(out.size()), SQLITE_TRANSIENT);
  sqlite3_result_text(ctx, out.data(), static_cast<int>(out.size()), SQLITE_TRANSIENT);
}

void FnUpper(sqlite3_context* ctx, int, sqlite3_value** argv) { FoldCase(ctx, argv[0], true); }
void FnLower(sqlite3_context* ctx, int, sqlite3_value** argv) { FoldCase(ctx, argv[0], false); }

// `x LIKE pattern ESCAPE e` (SQLite calls like(pattern, x, e)): case-sensitive, characters by the
// database character set. The escape must be one character (ORA-01425) and may only precede %, _
// or itself (ORA-01424).
void FnLikeEscape(sqlite3_context* ctx, int, sqlite3_value** argv) {
  for (int i = 0; i < 3; ++i)
    if (sqlite3_value_type(argv[i]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  bool utf8 = Utf8Database(ctx);
  std::string pattern = Bytes(argv[0]), text = Bytes(argv[1]), escape = Bytes(argv[2]);
  auto chars = [&](const std::string& s) {
    std::vector<std::string> out;
    std::vector<size_t> st = CharStarts(s, utf8);
    for (size_t i = 0; i < st.size(); ++i) out.push_back(s.substr(st[i], (i + 1 < st.size() ? st[i + 1] : s.size()) - st[i]));
    return out;
  };
  std::vector<std::string> esc = chars(escape);
  if (esc.size() != 1) {
    Error err;
    err.SetText(1425, "escape character must be character string of length 1");
    return ResultError(ctx, err);
  }
  // The pattern as items: a literal character, '_' (any one) or '%' (any run).
  struct Item {
    char kind;  // 'L', '_', '%'
    std::string ch;
  };
  std::vector<Item> items;
  std::vector<std::string> pc = chars(pattern);
  for (size_t i = 0; i < pc.size(); ++i) {
    if (pc[i] == esc[0]) {
      if (i + 1 >= pc.size() || !(pc[i + 1] == "%" || pc[i + 1] == "_" || pc[i + 1] == esc[0])) {
        Error err;
        err.SetText(1424, "missing or illegal character following the escape character");
        return ResultError(ctx, err);
      }
      items.push_back({'L', pc[++i]});
    } else if (pc[i] == "%" || pc[i] == "_") {
      items.push_back({pc[i][0], std::string()});
    } else {
      items.push_back({'L', pc[i]});
    }
  }
  std::vector<std::string> tc = chars(text);
  // Wildcard matching with one backtracking point: linear in practice, O(n*m) at worst.
  size_t t = 0, p = 0, starP = std::string::npos, starT = 0;
  while (t < tc.size()) {
    if (p < items.size() && items[p].kind == '%') {
      starP = p++;
      starT = t;
    } else if (p < items.size() && (items[p].kind == '_' || items[p].ch == tc[t])) {
      ++p;
      ++t;
    } else if (starP != std::string::npos) {
      p = starP + 1;
      t = ++starT;
    } else {
      return sqlite3_result_int(ctx, 0);
    }
  }
  while (p < items.size() && items[p].kind == '%') ++p;
  sqlite3_result_int(ctx, p == items.size() ? 1 : 0);
}

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
      {"ORA_CONCAT", -1, FnConcat, true}, {"ORA_DIV", 2, FnDiv, true},  {"ORA_CHECK_LENGTH", 3, FnCheckLength, true},
      {"ORA_CHECK_LENGTH", 4, FnCheckLength, true}, {"ORA_CHECK_NUMBER", 1, FnCheckNumber, true},
      {"ORA_CHECK_NUMBER", 2, FnCheckNumber, true},
      {"ORA_CHECK_NUMBER", 3, FnCheckNumber, true}, {"ORA_CHECK_NUMBER", 4, FnCheckNumber, true}, {"UPPER", 1, FnUpper, true}, {"LOWER", 1, FnLower, true},
      {"LIKE", 3, FnLikeEscape, true},
  };
  for (const auto& f : fns) {
    int flags = SQLITE_UTF8 | SQLITE_INNOCUOUS | (f.deterministic ? SQLITE_DETERMINISTIC : 0);
    if (sqlite3_create_function_v2(db, f.name, f.args, flags, session, f.fn, nullptr, nullptr, nullptr) != SQLITE_OK)
      return err.Set(600, std::string("cannot register function ") + f.name);
  }
  return RegisterDb2Functions(db, err);
}

}  // namespace sqlengine
