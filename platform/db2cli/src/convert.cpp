// Error codes of the engine as DB2 gives them, and conversions between bound buffers and engine values.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>
#include <limits>

#include "clihandles.h"
#include "sqldatetime.h"

// Indicator arrays of the caller's row buffers need not be aligned (the real interface does not ask
// for it): they are read and written byte-wise.
static void StoreLen(SQLLEN* at, SQLLEN value) { std::memcpy(static_cast<void*>(at), &value, sizeof value); }
static SQLLEN LoadLen(const SQLLEN* at) {
  SQLLEN value = 0;
  std::memcpy(&value, static_cast<const void*>(at), sizeof value);
  return value;
}

namespace db2standin {

using sqlengine::Value;

namespace {

struct Mapping {
  int32_t oracle;
  int32_t sqlcode;
  const char* state;
};

// The engine speaks Oracle's numbers; DB2 answers the same situations with these.
constexpr Mapping kMappings[] = {
    {1, -803, "23505"},     {1400, -407, "23502"},  {1407, -407, "23502"},  {942, -204, "42704"},
    {904, -206, "42703"},   {955, -601, "42710"},   {54, -911, "40001"},    {60, -911, "40001"},
    {8177, -911, "40001"},  {51, -913, "57033"},    {900, -104, "42601"},   {902, -104, "42601"},
    {906, -104, "42601"},   {907, -104, "42601"},   {908, -104, "42601"},   {911, -104, "42601"},
    {917, -104, "42601"},   {920, -104, "42601"},   {922, -104, "42601"},   {923, -104, "42601"},
    {925, -104, "42601"},   {928, -104, "42601"},   {933, -104, "42601"},   {936, -104, "42601"},
    {969, -104, "42601"},   {1740, -104, "42601"},  {1741, -104, "42601"},  {1756, -104, "42601"},
    {910, -604, "42611"},   {1727, -604, "42611"},  {972, -107, "42622"},   {957, -612, "42711"},
    {1430, -612, "42711"},  {903, -104, "42601"},
    {12899, -302, "22001"}, {1722, -420, "22018"},  {1438, -413, "22003"},  {1426, -413, "22003"},
    {1455, -413, "22003"},  {1476, -801, "22012"},  {1031, -551, "42501"},  {1017, -1403, "08004"},
    {3114, -1024, "08003"}, {1086, -880, "3B001"},  {913, -117, "42802"},   {947, -117, "42802"},
    {909, -170, "42605"},   {934, -119, "42803"},   {1789, -421, "42826"},  {1732, -150, "42807"},
    {918, -203, "42702"},   {932, -408, "42821"},   {2291, -530, "23503"},  {2292, -532, "23504"},
    {4080, -204, "42704"},  {4081, -601, "42710"},  {1418, -204, "42704"},  {1754, -104, "42601"},
    {1758, -193, "42601"},  {1785, -208, "42707"},  {1843, -181, "22007"},  {1847, -181, "22007"},
    {1850, -181, "22007"},  {1851, -181, "22007"},  {1852, -181, "22007"},  {1841, -181, "22007"},
    {1861, -180, "22007"},  {1858, -180, "22007"},  {1489, -137, "54006"},  {1917, -204, "42704"},
    {1918, -204, "42704"},  {2260, -624, "42889"},  {1821, -171, "42815"},  {1424, -130, "22025"},  {1425, -130, "22019"},
    // The server's files: the file system is full, a disk error, a file that cannot be opened, a
    // damaged database.
    {1653, -968, "57011"},  {1114, -980, "58005"},  {1115, -980, "58005"},  {1116, -1036, "58030"},
    {1578, -1034, "58031"},
};

std::string Digits(int32_t v) { return std::to_string(v < 0 ? -v : v); }

bool ParseNumber(const std::string& s, double& d) {
  if (s.empty()) return false;
  errno = 0;
  char* end = nullptr;
  d = std::strtod(s.c_str(), &end);
  while (end && *end == ' ') ++end;
  return end && *end == '\0' && std::isfinite(d);
}

std::string NumberText(const Value& v) {
  if (v.type == Value::Type::Integer) return std::to_string(v.integer);
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.15G", v.real);
  std::string s = buf;
  if (s.find('E') == std::string::npos && s.find('.') == std::string::npos && std::fabs(v.real) < 1e15) s += ".0";
  return s;
}

std::string Hex(const std::string& bytes) {
  static const char* d = "0123456789ABCDEF";
  std::string r;
  for (unsigned char c : bytes) {
    r += d[c >> 4];
    r += d[c & 15];
  }
  return r;
}

// UTF-16 units of the C type DBCHAR, to UTF-8.
std::string FromUnits(const uint16_t* u, size_t n) {
  std::string r;
  for (size_t i = 0; i < n; ++i) {
    uint32_t c = u[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < n && u[i + 1] >= 0xDC00 && u[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (u[i + 1] - 0xDC00);
      ++i;
    }
    if (c < 0x80) {
      r += static_cast<char>(c);
    } else if (c < 0x800) {
      r += static_cast<char>(0xC0 | (c >> 6));
      r += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      r += static_cast<char>(0xE0 | (c >> 12));
      r += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      r += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      r += static_cast<char>(0xF0 | (c >> 18));
      r += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      r += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      r += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return r;
}

std::vector<uint16_t> ToUnits(const std::string& s) {
  std::vector<uint16_t> r;
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    uint32_t cp = c;
    size_t len = 1;
    if (c >= 0xF0 && i + 3 < s.size() + 0) len = 4, cp = c & 0x07;
    else if (c >= 0xE0) len = 3, cp = c & 0x0F;
    else if (c >= 0xC0) len = 2, cp = c & 0x1F;
    if (i + len > s.size()) len = 1, cp = '?';
    for (size_t k = 1; k < len; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    i += len;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      r.push_back(static_cast<uint16_t>(0xD800 + (cp >> 10)));
      r.push_back(static_cast<uint16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      r.push_back(static_cast<uint16_t>(cp));
    }
  }
  return r;
}

bool ToInteger(const Value& v, int64_t lo, int64_t hi, int64_t& out, Diag& diag) {
  double d = 0;
  switch (v.type) {
    case Value::Type::Integer:
      if (v.integer < lo || v.integer > hi) return diag = Own("22003", "numeric value out of range"), false;
      out = v.integer;
      return true;
    case Value::Type::Real: d = v.real; break;
    case Value::Type::Text:
      if (!ParseNumber(v.bytes, d)) return diag = Own("22018", "invalid character value: \"" + v.bytes + "\""), false;
      break;
    default: return diag = Own("07006", "restricted data type attribute violation"), false;
  }
  d = std::trunc(d);
  if (!(d >= static_cast<double>(lo) && d <= static_cast<double>(hi)))
    return diag = Own("22003", "numeric value out of range"), false;
  out = static_cast<int64_t>(d);
  return true;
}

bool ToDouble(const Value& v, double& out, Diag& diag) {
  switch (v.type) {
    case Value::Type::Integer: out = static_cast<double>(v.integer); return true;
    case Value::Type::Real: out = v.real; return true;
    case Value::Type::Text:
      if (!ParseNumber(v.bytes, out)) return diag = Own("22018", "invalid character value: \"" + v.bytes + "\""), false;
      return true;
    default: return diag = Own("07006", "restricted data type attribute violation"), false;
  }
}

// A fetched date, time or timestamp value: the engine's date text, or a time "HH:MM:SS".
bool ToDateTime(const Value& v, sqlengine::DateTime& d, bool& hasDate, Diag& diag) {
  if (v.type != Value::Type::Text) return diag = Own("07006", "restricted data type attribute violation"), false;
  hasDate = true;
  if (sqlengine::ParseDateText(v.bytes, d)) return true;
  int h = 0, m = 0, s = 0;
  char tail = 0;
  if (std::sscanf(v.bytes.c_str(), "%d:%d:%d%c", &h, &m, &s, &tail) == 3 || std::sscanf(v.bytes.c_str(), "%d.%d.%d%c", &h, &m, &s, &tail) == 3) {
    hasDate = false;
    d = sqlengine::DateTime{};
    d.hour = h, d.minute = m, d.second = s;
    return true;
  }
  return diag = Own("22007", "invalid datetime format: \"" + v.bytes + "\""), false;
}

std::string DateText(int y, int mo, int d, int h, int mi, int s, Diag& diag, bool& ok) {
  sqlengine::DateTime dt{y, mo, d, h, mi, s};
  sqlengine::Error e;
  ok = sqlengine::ValidateDate(dt, e);
  if (!ok) {
    diag = Own("22007", "invalid datetime format");
    return std::string();
  }
  return sqlengine::FormatDateText(dt);
}

}  // namespace

Diag Own(const char* state, const std::string& text) {
  Diag d;
  d.state = state;
  d.native = (state[0] == '0' && state[1] == '1') ? 0 : -99999;
  if (std::strcmp(state, "42601") == 0) d.native = -104;
  d.text = "[db2cli] CLI" + std::string(state) + "  " + text;
  return d;
}

Diag FromSqlcode(int32_t sqlcode, const std::string& text) {
  Diag d;
  d.native = sqlcode;
  d.state = sqlcode == -1013 ? "08001" : "58004";
  for (const auto& m : kMappings) {
    if (m.sqlcode == sqlcode) {
      d.state = m.state;
      break;
    }
  }
  d.text = "[db2cli] SQL" + Digits(sqlcode) + "N  " + text + "  SQLSTATE=" + d.state;
  return d;
}

Diag FromEngine(const sqlengine::Error& err) {
  Diag d;
  d.native = -901;
  d.state = "58004";
  // A SIGNAL in a trigger arrives as "SQLSTATE=xxxxx" in the engine's message.
  auto at = err.message.find("SQLSTATE=");
  if (err.code == 20438 && at != std::string::npos && at + 14 <= err.message.size()) {
    d.native = -438;
    d.state = err.message.substr(at + 9, 5);
  } else if (err.code == 904 && err.message.find("unknown function") != std::string::npos) {
    d.native = -440;
    d.state = "42884";
  } else {
    for (const auto& m : kMappings) {
      if (m.oracle == err.code) {
        d.native = m.sqlcode;
        d.state = m.state;
        break;
      }
    }
  }
  std::string text = err.message;
  // Drop the engine's "ORA-nnnnn: " prefix; the SQLCODE leads instead.
  if (text.rfind("ORA-", 0) == 0) {
    auto colon = text.find(": ");
    text = colon == std::string::npos ? std::string() : text.substr(colon + 2);
  }
  d.text = "[db2cli] SQL" + std::string(4 - std::min<size_t>(4, Digits(d.native).size()), '0') + Digits(d.native) +
           "N  " + text + "  SQLSTATE=" + d.state;
  return d;
}

size_t ElementSize(SQLSMALLINT ctype) {
  switch (ctype) {
    case SQL_C_SHORT: return sizeof(SQLSMALLINT);
    case SQL_C_LONG: return sizeof(SQLINTEGER);
    case SQL_C_ULONG: return sizeof(SQLUINTEGER);
    case SQL_C_SBIGINT: return sizeof(SQLBIGINT);
    case SQL_C_FLOAT: return sizeof(SQLREAL);
    case SQL_C_DOUBLE: return sizeof(SQLDOUBLE);
    case SQL_C_DATE: return sizeof(DATE_STRUCT);
    case SQL_C_TIME: return sizeof(TIME_STRUCT);
    case SQL_C_TIMESTAMP: return sizeof(TIMESTAMP_STRUCT);
    default: return 0;
  }
}

bool ParamValue(const ParamBind& b, size_t row, Value& out, Diag& diag) {
  size_t es = ElementSize(b.ctype);
  if (es == 0) es = b.bufferLength > 0 ? static_cast<size_t>(b.bufferLength) : 0;
  const char* p = static_cast<const char*>(b.data) + es * row;
  SQLLEN ind = b.indicator ? LoadLen(b.indicator + row) : SQL_NTS;
  if (ind == SQL_NULL_DATA) {
    out = Value::Null();
    return true;
  }
  if (b.data == nullptr) return diag = Own("HY009", "invalid use of null pointer"), false;
  if (ind < 0 && ind != SQL_NTS) return diag = Own("HY090", "invalid string or buffer length"), false;
  switch (b.ctype) {
    case SQL_C_CHAR: {
      size_t n = ind == SQL_NTS ? (b.bufferLength > 0 ? strnlen(p, static_cast<size_t>(b.bufferLength)) : std::strlen(p))
                                : static_cast<size_t>(ind);
      std::string s(p, n);
      switch (b.sqltype) {
        case SQL_SMALLINT: case SQL_INTEGER: case SQL_BIGINT: case SQL_DOUBLE: case SQL_FLOAT: case SQL_REAL:
        case SQL_DECIMAL: case SQL_NUMERIC: {
          double d;
          if (!ParseNumber(s, d)) return diag = Own("22018", "invalid character value: \"" + s + "\""), false;
          out = (d == std::trunc(d) && std::fabs(d) < 9.2e18) ? Value::Integer(static_cast<int64_t>(d)) : Value::Real(d);
          return true;
        }
        case SQL_BLOB: case SQL_BINARY: case SQL_VARBINARY: case SQL_LONGVARBINARY:
          out = Value::Blob(s);
          return true;
        default:
          out = Value::Text(s);
          return true;
      }
    }
    case SQL_C_DBCHAR: {
      // the units are copied out first: the caller's buffer need not be 2-byte aligned
      auto unit = [p](size_t i) {
        uint16_t v;
        std::memcpy(&v, p + 2 * i, sizeof v);
        return v;
      };
      size_t n;
      if (ind == SQL_NTS) {
        size_t max = b.bufferLength > 0 ? static_cast<size_t>(b.bufferLength) / 2 : SIZE_MAX;
        for (n = 0; n < max && unit(n) != 0; ++n) {
        }
      } else {
        n = static_cast<size_t>(ind) / 2;
      }
      std::vector<uint16_t> units(n);
      for (size_t i = 0; i < n; ++i) {
        units[i] = unit(i);
      }
      out = Value::Text(FromUnits(units.data(), n));
      return true;
    }
    case SQL_C_BINARY: {
      size_t n = ind == SQL_NTS ? static_cast<size_t>(std::max<SQLLEN>(b.bufferLength, 0)) : static_cast<size_t>(ind);
      out = Value::Blob(std::string(p, n));
      return true;
    }
    case SQL_C_SHORT: { SQLSMALLINT v; std::memcpy(&v, p, sizeof v); out = Value::Integer(v); return true; }
    case SQL_C_LONG: { SQLINTEGER v; std::memcpy(&v, p, sizeof v); out = Value::Integer(v); return true; }
    case SQL_C_SBIGINT: { SQLBIGINT v; std::memcpy(&v, p, sizeof v); out = Value::Integer(v); return true; }
    case SQL_C_ULONG: {
      // An unsigned value the parameter's integer type cannot hold is refused, as DB2 refuses it.
      SQLUINTEGER v;
      std::memcpy(&v, p, sizeof v);
      const int64_t hi = b.sqltype == SQL_SMALLINT ? INT16_MAX : b.sqltype == SQL_INTEGER ? INT32_MAX : INT64_MAX;
      if (static_cast<int64_t>(v) > hi) return diag = Own("22003", "numeric value out of range"), false;
      out = Value::Integer(v);
      return true;
    }
    case SQL_C_FLOAT: { SQLREAL v; std::memcpy(&v, p, sizeof v); out = Value::Real(v); return true; }
    case SQL_C_DOUBLE: {
      SQLDOUBLE v;
      std::memcpy(&v, p, sizeof v);
      if (!std::isfinite(v)) return diag = Own("22003", "numeric value out of range"), false;
      out = Value::Real(v);
      return true;
    }
    case SQL_C_DATE: {
      DATE_STRUCT d;
      std::memcpy(&d, p, sizeof d);
      bool ok;
      std::string t = DateText(d.year, d.month, d.day, 0, 0, 0, diag, ok);
      if (!ok) return false;
      out = Value::Text(t);
      return true;
    }
    case SQL_C_TIME: {
      TIME_STRUCT t;
      std::memcpy(&t, p, sizeof t);
      if (t.hour > 24 || t.minute > 59 || t.second > 59) return diag = Own("22007", "invalid datetime format"), false;
      char buf[32];
      std::snprintf(buf, sizeof buf, "%02u:%02u:%02u", t.hour, t.minute, t.second);
      out = Value::Text(buf);
      return true;
    }
    case SQL_C_TIMESTAMP: {
      TIMESTAMP_STRUCT t;
      std::memcpy(&t, p, sizeof t);
      bool ok;
      std::string s = DateText(t.year, t.month, t.day, t.hour, t.minute, t.second, diag, ok);
      if (!ok) return false;
      out = Value::Text(s);
      return true;
    }
    default:
      return diag = Own("HY003", "program type out of range"), false;
  }
}

namespace {

// The length n of a column declared CHAR (n), else 0: DB2 delivers such values padded with blanks.
size_t FixedLength(const sqlengine::ColumnInfo& col) {
  const std::string& t = col.declType;
  if (t.rfind("CHAR", 0) != 0) return 0;
  size_t i = 4;
  while (i < t.size() && t[i] == ' ') ++i;
  if (i >= t.size() || t[i] != '(') return 0;
  long n = std::strtol(t.c_str() + i + 1, nullptr, 10);
  return n > 0 && n <= 254 ? static_cast<size_t>(n) : 0;
}

}  // namespace

SQLRETURN ColumnValue(const ColBind& b, size_t row, const Value& v, const sqlengine::ColumnInfo& col, Diag& diag) {
  size_t es = ElementSize(b.ctype);
  if (es == 0) es = b.bufferLength > 0 ? static_cast<size_t>(b.bufferLength) : 0;
  char* p = b.data ? static_cast<char*>(b.data) + es * row : nullptr;
  SQLLEN* ind = b.indicator ? b.indicator + row : nullptr;
  if (v.IsNull()) {
    if (!ind) return diag = Own("22002", "indicator variable required but not supplied"), SQL_ERROR;
    StoreLen(ind, SQL_NULL_DATA);
    return SQL_SUCCESS;
  }
  if (!p) return SQL_SUCCESS;  // only the indicator is bound
  auto copyBytes = [&](const std::string& s, bool terminate) -> SQLRETURN {
    size_t room = b.bufferLength > 0 ? static_cast<size_t>(b.bufferLength) : 0;
    size_t cap = terminate ? (room ? room - 1 : 0) : room;
    size_t n = std::min(s.size(), cap);
    if (n) std::memcpy(p, s.data(), n);
    if (terminate && room) p[n] = '\0';
    if (ind) StoreLen(ind, static_cast<SQLLEN>(s.size()));
    if (n < s.size()) return diag = Own("01004", "string data, right truncation"), SQL_SUCCESS_WITH_INFO;
    return SQL_SUCCESS;
  };
  switch (b.ctype) {
    case SQL_C_CHAR:
      if (v.type == Value::Type::Text) {
        size_t n = FixedLength(col);
        if (n > v.bytes.size()) return copyBytes(v.bytes + std::string(n - v.bytes.size(), ' '), true);
        return copyBytes(v.bytes, true);
      }
      if (v.type == Value::Type::Blob) return copyBytes(Hex(v.bytes), true);
      return copyBytes(NumberText(v), true);
    case SQL_C_BINARY:
      if (v.type == Value::Type::Text || v.type == Value::Type::Blob) return copyBytes(v.bytes, false);
      return copyBytes(NumberText(v), false);
    case SQL_C_DBCHAR: {
      std::vector<uint16_t> u = ToUnits(v.type == Value::Type::Text ? v.bytes : NumberText(v));
      size_t room = b.bufferLength > 1 ? static_cast<size_t>(b.bufferLength) / 2 : 0;
      size_t n = std::min(u.size(), room ? room - 1 : 0);
      if (n) std::memcpy(p, u.data(), n * 2);
      if (room) std::memset(p + n * 2, 0, 2);
      if (ind) StoreLen(ind, static_cast<SQLLEN>(u.size() * 2));
      if (n < u.size()) return diag = Own("01004", "string data, right truncation"), SQL_SUCCESS_WITH_INFO;
      return SQL_SUCCESS;
    }
    case SQL_C_SHORT: case SQL_C_LONG: case SQL_C_ULONG: case SQL_C_SBIGINT: {
      int64_t x;
      int64_t lo = b.ctype == SQL_C_SHORT ? INT16_MIN : b.ctype == SQL_C_LONG ? INT32_MIN : b.ctype == SQL_C_ULONG ? 0 : INT64_MIN;
      int64_t hi = b.ctype == SQL_C_SHORT ? INT16_MAX : b.ctype == SQL_C_LONG ? INT32_MAX : b.ctype == SQL_C_ULONG ? UINT32_MAX : INT64_MAX;
      if (!ToInteger(v, lo, hi, x, diag)) return SQL_ERROR;
      if (b.ctype == SQL_C_SHORT) { auto y = static_cast<SQLSMALLINT>(x); std::memcpy(p, &y, sizeof y); }
      else if (b.ctype == SQL_C_LONG) { auto y = static_cast<SQLINTEGER>(x); std::memcpy(p, &y, sizeof y); }
      else if (b.ctype == SQL_C_ULONG) { auto y = static_cast<SQLUINTEGER>(x); std::memcpy(p, &y, sizeof y); }
      else { std::memcpy(p, &x, sizeof x); }
      if (ind) StoreLen(ind, static_cast<SQLLEN>(ElementSize(b.ctype)));
      return SQL_SUCCESS;
    }
    case SQL_C_DOUBLE: case SQL_C_FLOAT: {
      double d;
      if (!ToDouble(v, d, diag)) return SQL_ERROR;
      if (b.ctype == SQL_C_DOUBLE) {
        std::memcpy(p, &d, sizeof d);
      } else {
        if (std::fabs(d) > std::numeric_limits<float>::max()) return diag = Own("22003", "numeric value out of range"), SQL_ERROR;
        auto f = static_cast<float>(d);
        std::memcpy(p, &f, sizeof f);
      }
      if (ind) StoreLen(ind, static_cast<SQLLEN>(ElementSize(b.ctype)));
      return SQL_SUCCESS;
    }
    case SQL_C_DATE: case SQL_C_TIME: case SQL_C_TIMESTAMP: {
      sqlengine::DateTime d;
      bool hasDate;
      if (!ToDateTime(v, d, hasDate, diag)) return SQL_ERROR;
      if (b.ctype == SQL_C_DATE) {
        if (!hasDate) return diag = Own("22007", "invalid datetime format"), SQL_ERROR;
        DATE_STRUCT s{static_cast<SQLSMALLINT>(d.year), static_cast<SQLUSMALLINT>(d.month), static_cast<SQLUSMALLINT>(d.day)};
        std::memcpy(p, &s, sizeof s);
      } else if (b.ctype == SQL_C_TIME) {
        TIME_STRUCT s{static_cast<SQLUSMALLINT>(d.hour), static_cast<SQLUSMALLINT>(d.minute), static_cast<SQLUSMALLINT>(d.second)};
        std::memcpy(p, &s, sizeof s);
      } else {
        if (!hasDate) return diag = Own("22007", "invalid datetime format"), SQL_ERROR;
        TIMESTAMP_STRUCT s{static_cast<SQLSMALLINT>(d.year), static_cast<SQLUSMALLINT>(d.month), static_cast<SQLUSMALLINT>(d.day),
                           static_cast<SQLUSMALLINT>(d.hour), static_cast<SQLUSMALLINT>(d.minute), static_cast<SQLUSMALLINT>(d.second), 0};
        std::memcpy(p, &s, sizeof s);
      }
      if (ind) StoreLen(ind, static_cast<SQLLEN>(ElementSize(b.ctype)));
      return SQL_SUCCESS;
    }
    default:
      return diag = Own("HY003", "program type out of range"), SQL_ERROR;
  }
}

}  // namespace db2standin
