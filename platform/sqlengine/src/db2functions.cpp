// The DB2 scalar functions of the DB2 flavour (registered as DB2$INT, DB2$CHAR ...; the translation
// of DB2 texts is the only way to reach them).
#include <sqlite3.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "db2functions.h"
#include "sqldatetime.h"

namespace sqlengine {

namespace {

void Fail(sqlite3_context* ctx, int32_t code, const std::string& detail) {
  Error e;
  e.Set(code, detail);
  sqlite3_result_error(ctx, e.message.c_str(), -1);
}

std::string Str(sqlite3_value* v) {
  const unsigned char* p = sqlite3_value_text(v);
  return p ? std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(sqlite3_value_bytes(v))) : std::string();
}

bool Number(sqlite3_context* ctx, sqlite3_value* v, double& d) {
  int t = sqlite3_value_type(v);
  if (t == SQLITE_INTEGER || t == SQLITE_FLOAT) {
    d = sqlite3_value_double(v);
    return true;
  }
  std::string s = Str(v);
  size_t a = s.find_first_not_of(' '), b = s.find_last_not_of(' ');
  s = a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
  char* end = nullptr;
  d = std::strtod(s.c_str(), &end);
  if (s.empty() || *end != '\0' || !std::isfinite(d)) {
    Fail(ctx, 1722, "\"" + s + "\" is not a number");
    return false;
  }
  return true;
}

// A date, timestamp ("YYYY-MM-DD[ HH:MM:SS]") or time ("HH:MM:SS") text.
bool Moment(sqlite3_context* ctx, sqlite3_value* v, DateTime& d, bool& hasDate, bool& hasTime) {
  std::string s = Str(v);
  hasDate = hasTime = true;
  if (ParseDateText(s, d)) {
    hasTime = s.size() > 10;
    return true;
  }
  int h, m, sec;
  char tail;
  if (std::sscanf(s.c_str(), "%d:%d:%d%c", &h, &m, &sec, &tail) == 3 || std::sscanf(s.c_str(), "%d.%d.%d%c", &h, &m, &sec, &tail) == 3) {
    if (h < 0 || h > 24 || m < 0 || m > 59 || sec < 0 || sec > 59) return Fail(ctx, 1850, s), false;
    d = DateTime{};
    d.hour = h, d.minute = m, d.second = sec;
    hasDate = false;
    return true;
  }
  Fail(ctx, 1861, "\"" + s + "\" is no date, time or timestamp");
  return false;
}

void Text(sqlite3_context* ctx, const std::string& s) {
  sqlite3_result_text(ctx, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

std::string TimeText(const DateTime& d) {
  char b[16];
  std::snprintf(b, sizeof b, "%02d:%02d:%02d", d.hour, d.minute, d.second);
  return b;
}

void FnInt(sqlite3_context* ctx, int, sqlite3_value** a) {
  if (sqlite3_value_type(a[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  double d;
  if (!Number(ctx, a[0], d)) return;
  d = std::trunc(d);
  if (d < -2147483648.0 || d > 2147483647.0) return Fail(ctx, 1426, "INT out of range");
  sqlite3_result_int64(ctx, static_cast<int64_t>(d));
}

void FnDouble(sqlite3_context* ctx, int, sqlite3_value** a) {
  if (sqlite3_value_type(a[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  double d;
  if (!Number(ctx, a[0], d)) return;
  sqlite3_result_double(ctx, d);
}

void FnChar(sqlite3_context* ctx, int argc, sqlite3_value** a) {
  if (sqlite3_value_type(a[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  int t = sqlite3_value_type(a[0]);
  if (argc == 1) {
    if (t == SQLITE_INTEGER) return Text(ctx, std::to_string(sqlite3_value_int64(a[0])));
    if (t == SQLITE_FLOAT) {
      char b[40];
      std::snprintf(b, sizeof b, "%.15E", sqlite3_value_double(a[0]));
      return Text(ctx, b);
    }
    if (t == SQLITE_BLOB) return Fail(ctx, 932, "CHAR of binary data");
    return Text(ctx, Str(a[0]));
  }
  std::string fmt = Str(a[1]);
  DateTime d;
  bool hasDate, hasTime;
  if (!Moment(ctx, a[0], d, hasDate, hasTime)) return;
  char b[40];
  if (!hasDate) {
    if (fmt == "USA") std::snprintf(b, sizeof b, "%02d:%02d %s", d.hour % 12 == 0 ? 12 : d.hour % 12, d.minute, d.hour < 12 ? "AM" : "PM");
    else if (fmt == "ISO" || fmt == "EUR") std::snprintf(b, sizeof b, "%02d.%02d.%02d", d.hour, d.minute, d.second);
    else std::snprintf(b, sizeof b, "%02d:%02d:%02d", d.hour, d.minute, d.second);
  } else if (fmt == "USA") {
    std::snprintf(b, sizeof b, "%02d/%02d/%04d", d.month, d.day, d.year);
  } else if (fmt == "EUR") {
    std::snprintf(b, sizeof b, "%02d.%02d.%04d", d.day, d.month, d.year);
  } else {
    std::snprintf(b, sizeof b, "%04d-%02d-%02d", d.year, d.month, d.day);
  }
  Text(ctx, b);
}

void FnVarchar(sqlite3_context* ctx, int argc, sqlite3_value** a) {
  if (sqlite3_value_type(a[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  std::string s = sqlite3_value_type(a[0]) == SQLITE_INTEGER ? std::to_string(sqlite3_value_int64(a[0])) : Str(a[0]);
  if (argc == 2) {
    int64_t n = sqlite3_value_int64(a[1]);
    if (n < 1 || n > 32672) return Fail(ctx, 910, "VARCHAR length");
    if (s.size() > static_cast<size_t>(n)) s.resize(static_cast<size_t>(n));
  }
  Text(ctx, s);
}

void FnDate(sqlite3_context* ctx, int, sqlite3_value** a) {
  if (sqlite3_value_type(a[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  int t = sqlite3_value_type(a[0]);
  DateTime d;
  if (t == SQLITE_INTEGER) {  // days since 0001-01-01, the first being 1
    int64_t days = sqlite3_value_int64(a[0]);
    if (days < 1 || days > 3652059) return Fail(ctx, 1854, "DATE of a day number out of range");
    DateTime first{1, 1, 1, 0, 0, 0};
    d = FromJulianDay(ToJulianDay(first) + days - 1);
  } else {
    bool hasDate, hasTime;
    if (!Moment(ctx, a[0], d, hasDate, hasTime)) return;
    if (!hasDate) return Fail(ctx, 1861, "DATE of a time");
  }
  d.hour = d.minute = d.second = 0;
  Text(ctx, FormatDateText(d));
}

void FnTime(sqlite3_context* ctx, int, sqlite3_value** a) {
  if (sqlite3_value_type(a[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  DateTime d;
  bool hasDate, hasTime;
  if (!Moment(ctx, a[0], d, hasDate, hasTime)) return;
  Text(ctx, TimeText(d));
}

void FnTimestamp(sqlite3_context* ctx, int argc, sqlite3_value** a) {
  if (sqlite3_value_type(a[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  DateTime d;
  bool hasDate, hasTime;
  if (!Moment(ctx, a[0], d, hasDate, hasTime)) return;
  if (!hasDate) return Fail(ctx, 1861, "TIMESTAMP of a time");
  if (argc == 2) {
    if (sqlite3_value_type(a[1]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    DateTime t;
    bool d2, t2;
    if (!Moment(ctx, a[1], t, d2, t2)) return;
    d.hour = t.hour, d.minute = t.minute, d.second = t.second;
  }
  Text(ctx, FormatDateText(d));
}

void FnDays(sqlite3_context* ctx, int, sqlite3_value** a) {
  if (sqlite3_value_type(a[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  DateTime d;
  bool hasDate, hasTime;
  if (!Moment(ctx, a[0], d, hasDate, hasTime)) return;
  if (!hasDate) return Fail(ctx, 1861, "DAYS of a time");
  DateTime first{1, 1, 1, 0, 0, 0};
  sqlite3_result_int64(ctx, ToJulianDay(d) - ToJulianDay(first) + 1);
}

void FnMidnightSeconds(sqlite3_context* ctx, int, sqlite3_value** a) {
  if (sqlite3_value_type(a[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  DateTime d;
  bool hasDate, hasTime;
  if (!Moment(ctx, a[0], d, hasDate, hasTime)) return;
  sqlite3_result_int64(ctx, d.hour * 3600 + d.minute * 60 + d.second);
}

}  // namespace

bool RegisterDb2Functions(sqlite3* db, Error& err) {
  struct Fn {
    const char* name;
    int args;
    void (*fn)(sqlite3_context*, int, sqlite3_value**);
  };
  const Fn fns[] = {
      {"DB2$INT", 1, FnInt},         {"DB2$DOUBLE", 1, FnDouble},       {"DB2$CHAR", 1, FnChar},
      {"DB2$CHAR", 2, FnChar},       {"DB2$VARCHAR", 1, FnVarchar},     {"DB2$VARCHAR", 2, FnVarchar},
      {"DB2$DATE", 1, FnDate},       {"DB2$TIME", 1, FnTime},           {"DB2$TIMESTAMP", 1, FnTimestamp},
      {"DB2$TIMESTAMP", 2, FnTimestamp}, {"DB2$DAYS", 1, FnDays},      {"DB2$MIDNIGHT_SECONDS", 1, FnMidnightSeconds},
  };
  for (const auto& f : fns) {
    int flags = SQLITE_UTF8 | SQLITE_INNOCUOUS | SQLITE_DETERMINISTIC;
    if (sqlite3_create_function_v2(db, f.name, f.args, flags, nullptr, f.fn, nullptr, nullptr, nullptr) != SQLITE_OK)
      return err.Set(600, std::string("cannot register function ") + f.name);
  }
  return true;
}

}  // namespace sqlengine
