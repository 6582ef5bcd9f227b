#include "sqldatetime.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <vector>

namespace sqlengine {

namespace {

const char* const kMonthNames[12] = {"JANUARY", "FEBRUARY", "MARCH",     "APRIL",   "MAY",      "JUNE",
                                     "JULY",    "AUGUST",   "SEPTEMBER", "OCTOBER", "NOVEMBER", "DECEMBER"};
const char* const kDayNames[7] = {"SUNDAY", "MONDAY", "TUESDAY", "WEDNESDAY", "THURSDAY", "FRIDAY", "SATURDAY"};

std::mutex g_clockMutex;
bool g_clockPinned = false;
DateTime g_pinned;

std::string Upper(const std::string& s) {
  std::string u(s);
  for (auto& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return u;
}

std::string Pad(int64_t v, int width, bool fill) {
  char buf[32];
  if (fill)
    std::snprintf(buf, sizeof buf, "%0*lld", width, static_cast<long long>(v));
  else
    std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(v));
  return buf;
}

// Applies the case style of a format element to a name given in upper case.
std::string Styled(const std::string& upperName, int style) {
  std::string s(upperName);
  if (style == 2) {
    for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  } else if (style == 1) {
    for (size_t i = 1; i < s.size(); ++i) s[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(s[i])));
  }
  return s;
}

enum class El {
  Lit, Punct, YYYY, SYYYY, YYY, YY, Y, RRRR, RR, MM, MON, MONTH, DD, DDD, D, DY, DAY,
  HH, HH12, HH24, MI, SS, SSSSS, J, AM, PM, FM, FX
};

struct Elem {
  El kind;
  std::string text;
  int style = 0;  // 0 upper, 1 capitalised, 2 lower
};

struct Keyword {
  const char* word;
  El kind;
};

const Keyword kKeywords[] = {
    {"SSSSS", El::SSSSS}, {"SYYYY", El::SYYYY}, {"YYYY", El::YYYY}, {"RRRR", El::RRRR}, {"HH24", El::HH24},
    {"HH12", El::HH12},   {"MONTH", El::MONTH}, {"A.M.", El::AM},   {"P.M.", El::PM},   {"YYY", El::YYY},
    {"DDD", El::DDD},     {"MON", El::MON},     {"DAY", El::DAY},   {"YY", El::YY},     {"RR", El::RR},
    {"MM", El::MM},       {"DD", El::DD},       {"DY", El::DY},     {"HH", El::HH},     {"MI", El::MI},
    {"SS", El::SS},       {"AM", El::AM},       {"PM", El::PM},     {"FM", El::FM},     {"FX", El::FX},
    {"Y", El::Y},         {"D", El::D},         {"J", El::J},
};

bool ParseFormat(const std::string& fmt, std::vector<Elem>& out, Error& err) {
  size_t i = 0;
  const std::string up = Upper(fmt);
  while (i < fmt.size()) {
    char c = fmt[i];
    if (c == '"') {
      size_t end = fmt.find('"', i + 1);
      if (end == std::string::npos) return err.Set(1821, fmt);
      out.push_back({El::Lit, fmt.substr(i + 1, end - i - 1)});
      i = end + 1;
      continue;
    }
    if (!std::isalnum(static_cast<unsigned char>(c))) {
      out.push_back({El::Punct, std::string(1, c)});
      ++i;
      continue;
    }
    bool found = false;
    for (const auto& k : kKeywords) {
      size_t len = std::char_traits<char>::length(k.word);
      if (up.compare(i, len, k.word) == 0) {
        Elem e{k.kind, fmt.substr(i, len)};
        bool firstLower = std::islower(static_cast<unsigned char>(fmt[i])) != 0;
        bool secondLower = len > 1 && std::islower(static_cast<unsigned char>(fmt[i + 1])) != 0;
        e.style = firstLower ? 2 : (secondLower ? 1 : 0);
        out.push_back(e);
        i += len;
        found = true;
        break;
      }
    }
    if (!found) return err.Set(1821, fmt);
  }
  return true;
}

int DayOfYear(const DateTime& d) {
  int n = d.day;
  for (int m = 1; m < d.month; ++m) n += DaysInMonth(d.year, m);
  return n;
}

}  // namespace

int32_t DaysInMonth(int32_t year, int32_t month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  if (month != 2) return kDays[month - 1];
  bool leap;
  if (year > 1582)
    leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  else
    leap = ((year % 4) + 4) % 4 == 0;
  return leap ? 29 : 28;
}

bool ValidateDate(const DateTime& d, Error& err) {
  if (d.year < -4712 || d.year > 9999 || d.year == 0) return err.SetText(1841, "(full) year must be between -4713 and +9999, and not be 0");
  if (d.month < 1 || d.month > 12) return err.Set(1843);
  if (d.day < 1 || d.day > DaysInMonth(d.year, d.month)) return err.Set(1847);
  if (d.hour < 0 || d.hour > 23) return err.Set(1850);
  if (d.minute < 0 || d.minute > 59) return err.Set(1851);
  if (d.second < 0 || d.second > 59) return err.Set(1852);
  return true;
}

std::string FormatDateText(const DateTime& d) {
  char buf[48];
  if (d.year < 0)
    std::snprintf(buf, sizeof buf, "-%04d-%02d-%02d %02d:%02d:%02d", -d.year, d.month, d.day, d.hour, d.minute, d.second);
  else
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", d.year, d.month, d.day, d.hour, d.minute, d.second);
  return buf;
}

bool ParseDateText(const std::string& text, DateTime& out) {
  int y, mo, d, h = 0, mi = 0, s = 0;
  bool neg = !text.empty() && text[0] == '-';
  const char* p = text.c_str() + (neg ? 1 : 0);
  int n = std::sscanf(p, "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s);
  if (n != 3 && n != 6) return false;
  DateTime r{neg ? -y : y, mo, d, h, mi, s};
  Error e;
  if (!ValidateDate(r, e)) return false;
  out = r;
  return true;
}

int64_t ToJulianDay(const DateTime& d) {
  int64_t y = d.year, m = d.month, day = d.day;
  int64_t a = (14 - m) / 12;
  int64_t y2 = y + 4800 - a;
  int64_t m2 = m + 12 * a - 3;
  bool gregorian = y > 1582 || (y == 1582 && (m > 10 || (m == 10 && day >= 15)));
  if (gregorian) return day + (153 * m2 + 2) / 5 + 365 * y2 + y2 / 4 - y2 / 100 + y2 / 400 - 32045;
  return day + (153 * m2 + 2) / 5 + 365 * y2 + y2 / 4 - 32083;
}

DateTime FromJulianDay(int64_t jd) {
  int64_t f = jd + 1401;
  if (jd >= 2299161) f += (((4 * jd + 274277) / 146097) * 3) / 4 - 38;
  int64_t e = 4 * f + 3;
  int64_t g = (e % 1461) / 4;
  int64_t h = 5 * g + 2;
  DateTime r;
  r.day = static_cast<int32_t>((h % 153) / 5 + 1);
  r.month = static_cast<int32_t>(((h / 153 + 2) % 12) + 1);
  r.year = static_cast<int32_t>(e / 1461 - 4716 + (12 + 2 - r.month) / 12);
  r.hour = r.minute = r.second = 0;
  return r;
}

DateTime CurrentDate() {
  {
    std::lock_guard<std::mutex> lock(g_clockMutex);
    if (g_clockPinned) return g_pinned;
  }
  std::time_t now = std::time(nullptr);
  std::tm tmv{};
  localtime_r(&now, &tmv);
  return DateTime{tmv.tm_year + 1900, tmv.tm_mon + 1, tmv.tm_mday, tmv.tm_hour, tmv.tm_min, tmv.tm_sec};
}

void SetClockForTesting(const DateTime* pinned) {
  std::lock_guard<std::mutex> lock(g_clockMutex);
  g_clockPinned = pinned != nullptr;
  if (pinned) g_pinned = *pinned;
}

bool OraDateToChar(const DateTime& d, const std::string& fmt, std::string& out, Error& err) {
  std::vector<Elem> elems;
  if (!ParseFormat(fmt, elems, err)) return false;
  bool fill = true;
  int64_t jd = ToJulianDay(d);
  int dow = static_cast<int>((jd + 1) % 7);
  int ay = d.year < 0 ? -d.year : d.year;
  out.clear();
  for (const auto& e : elems) {
    switch (e.kind) {
      case El::Lit: case El::Punct: out += e.text; break;
      case El::FM: fill = !fill; break;
      case El::FX: break;
      case El::YYYY: case El::RRRR: out += Pad(ay, 4, fill); break;
      case El::SYYYY: out += (d.year < 0 ? "-" : (fill ? " " : "")) + Pad(ay, 4, fill); break;
      case El::YYY: out += Pad(ay % 1000, 3, fill); break;
      case El::YY: case El::RR: out += Pad(ay % 100, 2, fill); break;
      case El::Y: out += Pad(ay % 10, 1, fill); break;
      case El::MM: out += Pad(d.month, 2, fill); break;
      case El::MON: out += Styled(std::string(kMonthNames[d.month - 1]).substr(0, 3), e.style); break;
      case El::MONTH: {
        std::string name = Styled(kMonthNames[d.month - 1], e.style);
        if (fill) name.resize(9, ' ');
        out += name;
        break;
      }
      case El::DD: out += Pad(d.day, 2, fill); break;
      case El::DDD: out += Pad(DayOfYear(d), 3, fill); break;
      case El::D: out += Pad(dow + 1, 1, fill); break;
      case El::DY: out += Styled(std::string(kDayNames[dow]).substr(0, 3), e.style); break;
      case El::DAY: {
        std::string name = Styled(kDayNames[dow], e.style);
        if (fill) name.resize(9, ' ');
        out += name;
        break;
      }
      case El::HH: case El::HH12: out += Pad(d.hour % 12 == 0 ? 12 : d.hour % 12, 2, fill); break;
      case El::HH24: out += Pad(d.hour, 2, fill); break;
      case El::MI: out += Pad(d.minute, 2, fill); break;
      case El::SS: out += Pad(d.second, 2, fill); break;
      case El::SSSSS: out += Pad(d.hour * 3600 + d.minute * 60 + d.second, 5, fill); break;
      case El::J: out += Pad(jd, 7, fill); break;
      case El::AM: case El::PM: {
        bool dotted = e.text.find('.') != std::string::npos;
        std::string m = d.hour < 12 ? (dotted ? "A.M." : "AM") : (dotted ? "P.M." : "PM");
        out += Styled(m, e.style == 1 ? 2 : e.style);
        break;
      }
    }
  }
  return true;
}

bool OraToDate(const std::string& text, const std::string& fmt, DateTime& out, Error& err) {
  std::vector<Elem> elems;
  if (!ParseFormat(fmt, elems, err)) return false;
  DateTime now = CurrentDate();
  int year = now.year, month = now.month, day = 1, hour = 0, minute = 0, second = 0;
  int64_t julian = -1, secondsOfDay = -1, dayOfYear = -1, hour12 = -1;
  int pm = -1;
  size_t pos = 0;
  const size_t n = text.size();
  auto skipSpace = [&]() {
    while (pos < n && std::isspace(static_cast<unsigned char>(text[pos]))) ++pos;
  };
  auto readNumber = [&](int width, bool allowSign, int64_t& value, int& digits) -> bool {
    skipSpace();
    bool neg = false;
    if (allowSign && pos < n && (text[pos] == '-' || text[pos] == '+')) {
      neg = text[pos] == '-';
      ++pos;
    }
    value = 0;
    digits = 0;
    while (pos < n && digits < width && std::isdigit(static_cast<unsigned char>(text[pos]))) {
      value = value * 10 + (text[pos] - '0');
      ++pos;
      ++digits;
    }
    if (digits == 0) return err.Set(1858);
    if (neg) value = -value;
    return true;
  };
  auto matchName = [&](const char* const* names, int count, bool full, int& index) -> bool {
    skipSpace();
    for (int pass = full ? 0 : 1; pass < 2; ++pass) {
      for (int k = 0; k < count; ++k) {
        std::string name = pass == 0 ? names[k] : std::string(names[k]).substr(0, 3);
        if (n - pos >= name.size() && Upper(text.substr(pos, name.size())) == name) {
          index = k;
          pos += name.size();
          return true;
        }
      }
    }
    return false;
  };
  for (const auto& e : elems) {
    if (e.kind == El::FM || e.kind == El::FX) continue;
    if (e.kind == El::Punct) {
      while (pos < n && !std::isalnum(static_cast<unsigned char>(text[pos]))) ++pos;
      continue;
    }
    skipSpace();
    if (pos >= n) break;  // the text ended early: remaining fields keep their defaults
    int64_t v = 0;
    int digits = 0;
    switch (e.kind) {
      case El::Lit: {
        if (Upper(text.substr(pos, e.text.size())) != Upper(e.text)) return err.Set(1861);
        pos += e.text.size();
        break;
      }
      case El::YYYY: case El::SYYYY:
        if (!readNumber(4, e.kind == El::SYYYY, v, digits)) return false;
        year = static_cast<int>(v);
        break;
      case El::RRRR: case El::RR:
        if (!readNumber(e.kind == El::RR ? 2 : 4, false, v, digits)) return false;
        if (digits <= 2) {
          int cur = now.year % 100, century = now.year / 100;
          if (v < 50) year = static_cast<int>((cur < 50 ? century : century + 1) * 100 + v);
          else year = static_cast<int>((cur < 50 ? century - 1 : century) * 100 + v);
        } else {
          year = static_cast<int>(v);
        }
        break;
      case El::YYY: case El::YY: case El::Y: {
        int w = e.kind == El::YYY ? 3 : (e.kind == El::YY ? 2 : 1);
        if (!readNumber(w, false, v, digits)) return false;
        int mod = w == 3 ? 1000 : (w == 2 ? 100 : 10);
        year = static_cast<int>(now.year - now.year % mod + v);
        break;
      }
      case El::MM:
        if (!readNumber(2, false, v, digits)) return false;
        month = static_cast<int>(v);
        if (month < 1 || month > 12) return err.Set(1843);
        break;
      case El::MON: case El::MONTH: {
        int idx = 0;
        if (!matchName(kMonthNames, 12, e.kind == El::MONTH, idx)) return err.Set(1843);
        month = idx + 1;
        break;
      }
      case El::DD:
        if (!readNumber(2, false, v, digits)) return false;
        day = static_cast<int>(v);
        break;
      case El::DDD:
        if (!readNumber(3, false, v, digits)) return false;
        dayOfYear = v;
        break;
      case El::D:
        if (!readNumber(1, false, v, digits)) return false;
        break;
      case El::DY: case El::DAY: {
        int idx = 0;
        if (!matchName(kDayNames, 7, e.kind == El::DAY, idx)) return err.SetText(1846, "not a valid day of the week");
        break;
      }
      case El::HH: case El::HH12:
        if (!readNumber(2, false, v, digits)) return false;
        if (v < 1 || v > 12) return err.SetText(1849, "hour must be between 1 and 12");
        hour12 = v;
        break;
      case El::HH24:
        if (!readNumber(2, false, v, digits)) return false;
        hour = static_cast<int>(v);
        if (hour > 23) return err.Set(1850);
        break;
      case El::MI:
        if (!readNumber(2, false, v, digits)) return false;
        minute = static_cast<int>(v);
        if (minute > 59) return err.Set(1851);
        break;
      case El::SS:
        if (!readNumber(2, false, v, digits)) return false;
        second = static_cast<int>(v);
        if (second > 59) return err.Set(1852);
        break;
      case El::SSSSS:
        if (!readNumber(5, false, v, digits)) return false;
        if (v > 86399) return err.Set(1853);
        secondsOfDay = v;
        break;
      case El::J:
        if (!readNumber(7, false, v, digits)) return false;
        if (v < 1 || v > 5373484) return err.Set(1854);
        julian = v;
        break;
      case El::AM: case El::PM: {
        std::string rest = Upper(text.substr(pos, 4));
        if (rest.compare(0, 4, "A.M.") == 0 || rest.compare(0, 4, "P.M.") == 0) {
          pm = rest[0] == 'P';
          pos += 4;
        } else if (rest.compare(0, 2, "AM") == 0 || rest.compare(0, 2, "PM") == 0) {
          pm = rest[0] == 'P';
          pos += 2;
        } else {
          return err.SetText(1855, "AM/A.M. or PM/P.M. required");
        }
        break;
      }
      default: break;
    }
  }
  skipSpace();
  if (pos < n) return err.Set(1830);
  DateTime r;
  if (julian >= 0) {
    r = FromJulianDay(julian);
  } else {
    r.year = year;
    r.month = month;
    r.day = day;
    if (dayOfYear >= 0) {
      r.month = 1;
      int64_t left = dayOfYear;
      while (r.month <= 12 && left > DaysInMonth(r.year, r.month)) left -= DaysInMonth(r.year, r.month++);
      if (r.month > 12 || left < 1) return err.SetText(1848, "day of year must be between 1 and 365 (366 for leap year)");
      r.day = static_cast<int>(left);
    }
  }
  if (secondsOfDay >= 0) {
    r.hour = static_cast<int>(secondsOfDay / 3600);
    r.minute = static_cast<int>(secondsOfDay / 60 % 60);
    r.second = static_cast<int>(secondsOfDay % 60);
  } else {
    r.hour = hour12 >= 0 ? static_cast<int>(hour12 % 12 + (pm == 1 ? 12 : 0)) : hour;
    r.minute = minute;
    r.second = second;
  }
  if (!ValidateDate(r, err)) return false;
  out = r;
  return true;
}

bool OraNumberToChar(double value, const std::string& fmtIn, std::string& out, Error& err) {
  std::string fmt = Upper(fmtIn);
  bool fm = false, sign = false;
  if (fmt.compare(0, 2, "FM") == 0) {
    fm = true;
    fmt = fmt.substr(2);
  }
  if (!fmt.empty() && fmt[0] == 'S') {
    sign = true;
    fmt = fmt.substr(1);
  }
  std::string intFmt, fracFmt;
  bool inFrac = false;
  for (char c : fmt) {
    if (c == '.' || c == 'D') {
      if (inFrac) return err.SetText(1481, "invalid number format model");
      inFrac = true;
      continue;
    }
    if (c != '9' && c != '0' && c != ',' && c != 'G') return err.SetText(1481, "invalid number format model");
    if (inFrac) {
      if (c == ',' || c == 'G') return err.SetText(1481, "invalid number format model");
      fracFmt += c;
    } else {
      intFmt += (c == 'G' ? ',' : c);
    }
  }
  int fracDigits = static_cast<int>(fracFmt.size());
  char buf[400];
  std::snprintf(buf, sizeof buf, "%.*f", fracDigits, std::fabs(value));
  std::string digits(buf);
  std::string intDigits = digits.substr(0, digits.find('.'));
  std::string fracPart = fracDigits > 0 ? digits.substr(digits.find('.') + 1) : std::string();
  while (intDigits.size() > 1 && intDigits[0] == '0') intDigits.erase(0, 1);
  if (intDigits == "0") intDigits.clear();
  bool negative = value < 0 && (!intDigits.empty() || fracPart.find_first_not_of('0') != std::string::npos);
  int nInt = 0;
  for (char c : intFmt) nInt += c != ',';
  size_t width = intFmt.size() + (fracDigits ? fracDigits + 1 : 0) + 1;
  if (static_cast<int>(intDigits.size()) > nInt) {
    out.assign(width, '#');
    return true;
  }
  size_t firstZero = intFmt.find('0');
  std::string intOut(intFmt.size(), ' ');
  int digitIndex = static_cast<int>(intDigits.size()) - 1;
  bool anyLeft = false;
  for (int p = static_cast<int>(intFmt.size()) - 1; p >= 0; --p) {
    char f = intFmt[p];
    if (f == ',') continue;
    if (digitIndex >= 0) {
      intOut[p] = intDigits[digitIndex--];
    } else if (firstZero != std::string::npos && static_cast<size_t>(p) >= firstZero) {
      intOut[p] = '0';
    }
  }
  if (intDigits.empty() && firstZero == std::string::npos && fracDigits == 0 && !intFmt.empty()) {
    intOut[intOut.find_last_not_of(',')] = '0';
  }
  for (size_t p = 0; p < intFmt.size(); ++p) {
    if (intFmt[p] == ',') intOut[p] = anyLeft ? ',' : ' ';
    else if (intOut[p] != ' ') anyLeft = true;
  }
  std::string result = " " + intOut;
  if (fracDigits) result += "." + fracPart;
  size_t first = result.find_first_not_of(' ');
  if (first == std::string::npos) first = result.size();
  if (negative) result[first - 1] = '-';
  else if (sign) result[first - 1] = '+';
  if (fm) {
    size_t s = result.find_first_not_of(' ');
    result = s == std::string::npos ? std::string() : result.substr(s);
  }
  out = result;
  return true;
}

std::string OraIntegerText(int64_t value) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(value));
  return buf;
}

std::string OraNumberText(double value) {
  if (std::isnan(value) || std::isinf(value)) return value < 0 ? "-~" : "~";
  if (value == std::floor(value) && std::fabs(value) < 1e18) return OraIntegerText(static_cast<int64_t>(value));
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", value);
  std::string s(buf);
  if (s.find('e') != std::string::npos) return s;
  if (s.compare(0, 2, "0.") == 0) s.erase(0, 1);
  else if (s.compare(0, 3, "-0.") == 0) s.erase(1, 1);
  return s;
}

}  // namespace sqlengine
