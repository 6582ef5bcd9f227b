// Date, Time, DateTime and the clock that gives "now".
#pragma once

#include <cstdint>

// The clock that `Date ()`, `Time ()` and `DateTime ()` read: local time, to the hundredth.
struct SvClockValue {
    uint16_t year, month, day;
    uint16_t hour, minute, second, hundredths;
};
using SvClockFn = SvClockValue (*)();
// Installs a clock (tests set "now"); null reinstalls the system's. Answers the previous one.
SvClockFn SvSetClock(SvClockFn clock);
SvClockValue SvNow();

// A date held as year × 10000 + month × 100 + day in one unsigned 32-bit value; the parts are
// taken apart by division.
class Date {
public:
    Date();  // today
    Date(const Date& other);
    Date(uint16_t day, uint16_t month, uint16_t year);
    explicit Date(uint32_t packed);
    ~Date();
    Date& operator=(const Date& other);

    uint32_t GetDate() const;
    void SetDate(uint32_t packed);
    uint16_t GetDay() const;
    uint16_t GetMonth() const;
    uint16_t GetYear() const;
    // 366 in a leap year of the Gregorian calendar, else 365.
    uint16_t GetDaysInYear() const;
    bool IsLeapYear() const;
    // A real calendar day (month 1 to 12, day within the month).
    bool IsValid() const;
    // From and to included.
    bool IsBetween(const Date& from, const Date& to) const;

    bool operator==(const Date& other) const;
    bool operator!=(const Date& other) const;
    bool operator<(const Date& other) const;
    bool operator>(const Date& other) const;
    bool operator<=(const Date& other) const;
    bool operator>=(const Date& other) const;

private:
    uint32_t date_;
};

// A time held as hour × 1000000 + minute × 10000 + second × 100 + hundredths; negative times
// (the sign applies to the whole value) come from unary minus.
class Time {
public:
    Time();  // now
    Time(const Time& other);
    // Minutes, seconds and hundredths beyond their range carry into the next larger part.
    Time(uint32_t hour, uint32_t minute, uint32_t second = 0, uint32_t hundredths = 0);
    ~Time();
    Time& operator=(const Time& other);
    Time operator-() const;

    int32_t GetTime() const;
    void SetTime(int32_t packed);
    uint16_t GetHour() const;
    uint16_t GetMin() const;
    uint16_t GetSec() const;
    uint16_t Get100Sec() const;
    bool IsBetween(const Time& from, const Time& to) const;

    bool operator==(const Time& other) const;
    bool operator!=(const Time& other) const;
    bool operator<(const Time& other) const;
    bool operator>(const Time& other) const;
    bool operator<=(const Time& other) const;
    bool operator>=(const Time& other) const;

private:
    int32_t time_;
};

class DateTime : public Date, public Time {
public:
    DateTime();  // now
    // A date at time 0; a time on the date 0 (no date).
    explicit DateTime(const Date& date);
    explicit DateTime(const Time& time);
    DateTime(const Date& date, const Time& time);
    DateTime(const DateTime& other);
    ~DateTime();
    DateTime& operator=(const DateTime& other);
};
