#include "svtime.h"

#include <atomic>
#include <ctime>

namespace {

SvClockValue SystemClock() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm t{};
    localtime_r(&ts.tv_sec, &t);
    SvClockValue v{};
    v.year = static_cast<uint16_t>(t.tm_year + 1900);
    v.month = static_cast<uint16_t>(t.tm_mon + 1);
    v.day = static_cast<uint16_t>(t.tm_mday);
    v.hour = static_cast<uint16_t>(t.tm_hour);
    v.minute = static_cast<uint16_t>(t.tm_min);
    v.second = static_cast<uint16_t>(t.tm_sec > 59 ? 59 : t.tm_sec);
    v.hundredths = static_cast<uint16_t>(ts.tv_nsec / 10000000);
    return v;
}

std::atomic<SvClockFn> theClock{&SystemClock};

int32_t Abs32(int32_t v) { return v < 0 ? -v : v; }

uint32_t Pack(uint16_t day, uint16_t month, uint16_t year) {
    return static_cast<uint32_t>(year) * 10000u + static_cast<uint32_t>(month) * 100u + day;
}

}  // namespace

SvClockFn SvSetClock(SvClockFn clock) { return theClock.exchange(clock != nullptr ? clock : &SystemClock); }
SvClockValue SvNow() { return theClock.load()(); }

// ---- Date ----

Date::Date() {
    const SvClockValue now = SvNow();
    date_ = Pack(now.day, now.month, now.year);
}
Date::Date(const Date& other) = default;
Date::Date(uint16_t day, uint16_t month, uint16_t year) : date_(Pack(day, month, year)) {}
Date::Date(uint32_t packed) : date_(packed) {}
Date::~Date() = default;
Date& Date::operator=(const Date& other) = default;

uint32_t Date::GetDate() const { return date_; }
void Date::SetDate(uint32_t packed) { date_ = packed; }
uint16_t Date::GetDay() const { return static_cast<uint16_t>(date_ % 100); }
uint16_t Date::GetMonth() const { return static_cast<uint16_t>((date_ / 100) % 100); }
uint16_t Date::GetYear() const { return static_cast<uint16_t>(date_ / 10000); }

bool Date::IsLeapYear() const {
    const uint32_t y = GetYear();
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

uint16_t Date::GetDaysInYear() const { return IsLeapYear() ? 366 : 365; }

bool Date::IsValid() const {
    static const uint16_t days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const uint16_t m = GetMonth();
    const uint16_t d = GetDay();
    if (m < 1 || m > 12 || d < 1) return false;
    return d <= days[m - 1] + (m == 2 && IsLeapYear() ? 1 : 0);
}

bool Date::IsBetween(const Date& from, const Date& to) const { return *this >= from && *this <= to; }

bool Date::operator==(const Date& other) const { return date_ == other.date_; }
bool Date::operator!=(const Date& other) const { return date_ != other.date_; }
bool Date::operator<(const Date& other) const { return date_ < other.date_; }
bool Date::operator>(const Date& other) const { return date_ > other.date_; }
bool Date::operator<=(const Date& other) const { return date_ <= other.date_; }
bool Date::operator>=(const Date& other) const { return date_ >= other.date_; }

// ---- Time ----

Time::Time() {
    const SvClockValue now = SvNow();
    *this = Time(now.hour, now.minute, now.second, now.hundredths);
}
Time::Time(const Time& other) = default;
Time::Time(uint32_t hour, uint32_t minute, uint32_t second, uint32_t hundredths) {
    uint64_t total = ((uint64_t(hour) * 60 + minute) * 60 + second) * 100 + hundredths;
    uint64_t h = total / 360000;
    if (h > 2147) {  // the largest hour the packed value holds
        h = 2147;
        total = h * 360000 + (total % 360000);
    }
    total %= 360000;
    time_ = static_cast<int32_t>(h * 1000000 + (total / 6000) * 10000 + ((total / 100) % 60) * 100 + total % 100);
}
Time::~Time() = default;
Time& Time::operator=(const Time& other) = default;

Time Time::operator-() const {
    Time t(*this);
    t.time_ = -time_;
    return t;
}

int32_t Time::GetTime() const { return time_; }
void Time::SetTime(int32_t packed) { time_ = packed; }
uint16_t Time::GetHour() const { return static_cast<uint16_t>(Abs32(time_) / 1000000); }
uint16_t Time::GetMin() const { return static_cast<uint16_t>((Abs32(time_) / 10000) % 100); }
uint16_t Time::GetSec() const { return static_cast<uint16_t>((Abs32(time_) / 100) % 100); }
uint16_t Time::Get100Sec() const { return static_cast<uint16_t>(Abs32(time_) % 100); }
bool Time::IsBetween(const Time& from, const Time& to) const { return *this >= from && *this <= to; }

bool Time::operator==(const Time& other) const { return time_ == other.time_; }
bool Time::operator!=(const Time& other) const { return time_ != other.time_; }
bool Time::operator<(const Time& other) const { return time_ < other.time_; }
bool Time::operator>(const Time& other) const { return time_ > other.time_; }
bool Time::operator<=(const Time& other) const { return time_ <= other.time_; }
bool Time::operator>=(const Time& other) const { return time_ >= other.time_; }

// ---- DateTime ----

DateTime::DateTime() {
    const SvClockValue now = SvNow();  // one reading, so that date and time agree
    SetDate(Pack(now.day, now.month, now.year));
    static_cast<Time&>(*this) = Time(now.hour, now.minute, now.second, now.hundredths);
}
DateTime::DateTime(const Date& date) : Date(date), Time(0, 0) {}
DateTime::DateTime(const Time& time) : Date(0u), Time(time) {}
DateTime::DateTime(const Date& date, const Time& time) : Date(date), Time(time) {}
DateTime::DateTime(const DateTime& other) = default;
DateTime::~DateTime() = default;
DateTime& DateTime::operator=(const DateTime& other) = default;
