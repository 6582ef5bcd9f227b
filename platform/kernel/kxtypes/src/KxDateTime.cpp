#include "KxDateTime.h"

#include <atomic>
#include <ctime>
#include <string>

#include "KxFormat.h"

using namespace kxtypes_detail;

namespace {

std::atomic<KxClockFunction> g_clock{nullptr};

KxClockReading ReadClock() {
    if (KxClockFunction fn = g_clock.load()) return fn();
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return KxClockReading{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

bool IsLeap(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int64_t y, int m) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (m < 1 || m > 12) return 0;
    return (m == 2 && IsLeap(y)) ? 29 : kDays[m - 1];
}

// Days since 1970-01-01 on the proleptic Gregorian calendar (works for any field values).
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t mp = (m + 9) % 12;
    const int64_t doy = (153 * mp + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

const int64_t kDay0 = DaysFromCivil(1, 1, 1);

bool InRange(int32_t v, int32_t hi) { return v >= 0 && v <= hi; }

const char* const kDateFormat = "%Y-%m-%d";
const char* const kTimeFormat = "%H:%M:%S";
const char* const kDateTimeFormat = "%Y-%m-%d %H:%M:%S";

int32_t PrintFields(const char* format, const DateTimeFields& f, KxString& out) {
    std::string text;
    int32_t rc = PrintDateTime(format, f, text);
    if (rc != KX_TYPES_OK) return rc;
    out = KxString(text);
    return KX_TYPES_OK;
}

DateTimeFields FieldsOf(const KxDate& d, const KxTime& t) {
    DateTimeFields f;
    f.year = d.GetYear();
    f.month = d.GetMonth();
    f.day = d.GetDay();
    f.hour = t.GetHour();
    f.minute = t.GetMinute();
    f.second = t.GetSecond();
    return f;
}

// Scans into fields, then checks that they form a value of the kind.
int32_t ScanFields(const char* format, const KxString& in, KxDate* date, KxTime* time) {
    if (!in.IsActive()) return KX_TYPES_E_SCAN;
    DateTimeFields f;
    int32_t rc = ScanDateTime(format, in.StrGet(), f);
    if (rc != KX_TYPES_OK) return rc;
    KxDate d;
    KxTime t;
    if (date && d.Set(f.year, f.month, f.day) != KX_TYPES_OK) return KX_TYPES_E_SCAN;
    if (time && t.Set(f.hour, f.minute, f.second) != KX_TYPES_OK) return KX_TYPES_E_SCAN;
    const bool dateOk = !date || d.IsValid() || d.IsEmpty();
    const bool timeOk = !time || t.IsValid();
    // A date-time is valid, or empty as a whole.
    const bool wholeEmpty = date && time && d.IsEmpty() && t.IsEmpty();
    if (date && time && d.IsEmpty() && !wholeEmpty) return KX_TYPES_E_SCAN;
    if (!dateOk || !timeOk) return KX_TYPES_E_SCAN;
    if (date) *date = d;
    if (time) *time = t;
    return KX_TYPES_OK;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// KxDate

KxDate::KxDate(int32_t year, int32_t month, int32_t day) { Set(year, month, day); }

KxDate KxDate::Today() {
    KxClockReading r = ReadClock();
    return KxDate(r.year, r.month, r.day);
}

int32_t KxDate::SetYear(int32_t year) {
    if (!InRange(year, 0xFFFF)) return KX_TYPES_E_RANGE;
    year_ = static_cast<uint16_t>(year);
    return KX_TYPES_OK;
}

int32_t KxDate::SetMonth(int32_t month) {
    if (!InRange(month, 0xFF)) return KX_TYPES_E_RANGE;
    month_ = static_cast<uint8_t>(month);
    return KX_TYPES_OK;
}

int32_t KxDate::SetDay(int32_t day) {
    if (!InRange(day, 0xFF)) return KX_TYPES_E_RANGE;
    day_ = static_cast<uint8_t>(day);
    return KX_TYPES_OK;
}

int32_t KxDate::Set(int32_t year, int32_t month, int32_t day) {
    if (!InRange(year, 0xFFFF) || !InRange(month, 0xFF) || !InRange(day, 0xFF)) return KX_TYPES_E_RANGE;
    year_ = static_cast<uint16_t>(year);
    month_ = static_cast<uint8_t>(month);
    day_ = static_cast<uint8_t>(day);
    return KX_TYPES_OK;
}

bool KxDate::IsValid() const {
    return year_ >= 1 && year_ <= 9999 && day_ >= 1 && day_ <= DaysInMonth(year_, month_);
}

int32_t KxDate::DayNumber() const {
    return static_cast<int32_t>(DaysFromCivil(year_, month_, day_) - kDay0);
}

int32_t KxDate::DayDiff(const KxDate& other) const {
    return static_cast<int32_t>(DaysFromCivil(other.year_, other.month_, other.day_) -
                                DaysFromCivil(year_, month_, day_));
}

int32_t KxDate::Compare(const KxDate& o) const {
    if (year_ != o.year_) return year_ < o.year_ ? -1 : 1;
    if (month_ != o.month_) return month_ < o.month_ ? -1 : 1;
    if (day_ != o.day_) return day_ < o.day_ ? -1 : 1;
    return 0;
}

int32_t KxDate::PrintToKxString(KxString& out, const char* format) const {
    return PrintFields(format ? format : kDateFormat, FieldsOf(*this, KxTime()), out);
}

int32_t KxDate::ScanFromKxString(const KxString& in, const char* format) {
    return ScanFields(format ? format : kDateFormat, in, this, nullptr);
}

// ---------------------------------------------------------------------------------------------
// KxTime

KxTime::KxTime(int32_t hour, int32_t minute, int32_t second) { Set(hour, minute, second); }

KxTime KxTime::Now() {
    KxClockReading r = ReadClock();
    return KxTime(r.hour, r.minute, r.second);
}

int32_t KxTime::SetHour(int32_t v) {
    if (!InRange(v, 0xFF)) return KX_TYPES_E_RANGE;
    hour_ = static_cast<uint8_t>(v);
    return KX_TYPES_OK;
}

int32_t KxTime::SetMinute(int32_t v) {
    if (!InRange(v, 0xFF)) return KX_TYPES_E_RANGE;
    minute_ = static_cast<uint8_t>(v);
    return KX_TYPES_OK;
}

int32_t KxTime::SetSecond(int32_t v) {
    if (!InRange(v, 0xFF)) return KX_TYPES_E_RANGE;
    second_ = static_cast<uint8_t>(v);
    return KX_TYPES_OK;
}

int32_t KxTime::Set(int32_t hour, int32_t minute, int32_t second) {
    if (!InRange(hour, 0xFF) || !InRange(minute, 0xFF) || !InRange(second, 0xFF)) return KX_TYPES_E_RANGE;
    hour_ = static_cast<uint8_t>(hour);
    minute_ = static_cast<uint8_t>(minute);
    second_ = static_cast<uint8_t>(second);
    return KX_TYPES_OK;
}

int32_t KxTime::Compare(const KxTime& o) const {
    const int32_t a = SecondsOfDay(), b = o.SecondsOfDay();
    if (a != b) return a < b ? -1 : 1;
    // Invalid fields can give equal sums; fall back to the fields themselves.
    if (hour_ != o.hour_) return hour_ < o.hour_ ? -1 : 1;
    if (minute_ != o.minute_) return minute_ < o.minute_ ? -1 : 1;
    if (second_ != o.second_) return second_ < o.second_ ? -1 : 1;
    return 0;
}

int32_t KxTime::PrintToKxString(KxString& out, const char* format) const {
    return PrintFields(format ? format : kTimeFormat, FieldsOf(KxDate(), *this), out);
}

int32_t KxTime::ScanFromKxString(const KxString& in, const char* format) {
    return ScanFields(format ? format : kTimeFormat, in, nullptr, this);
}

// ---------------------------------------------------------------------------------------------
// KxDateTime

KxDateTime::KxDateTime() { SetNow(); }

KxDateTime::KxDateTime(int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute,
                       int32_t second)
    : date_(year, month, day), time_(hour, minute, second) {}

KxDateTime::KxDateTime(const KxDate& date, const KxTime& time) : date_(date), time_(time) {}

void KxDateTime::SetClock(KxClockFunction fn) { g_clock.store(fn); }

void KxDateTime::SetNow() {
    KxClockReading r = ReadClock();
    date_ = KxDate(r.year, r.month, r.day);
    time_ = KxTime(r.hour, r.minute, r.second);
}

int32_t KxDateTime::Compare(const KxDateTime& o) const {
    int32_t c = date_.Compare(o.date_);
    return c != 0 ? c : time_.Compare(o.time_);
}

int32_t KxDateTime::PrintToKxString(KxString& out, const char* format) const {
    return PrintFields(format ? format : kDateTimeFormat, FieldsOf(date_, time_), out);
}

int32_t KxDateTime::ScanFromKxString(const KxString& in, const char* format) {
    return ScanFields(format ? format : kDateTimeFormat, in, &date_, &time_);
}
