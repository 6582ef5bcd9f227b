// KxDate, KxTime and KxDateTime: calendar date, time of day, and both together.
//
// Formats (printing and scanning): %Y year (4 digits printed, 1 to 4 read), %m month, %d day,
// %H hour, %M minute, %S second (2 digits printed, 1 or 2 read), %% a '%', and %: a ':'.
// Every other character stands for itself; a blank in a scan format matches any run of blanks.
// Without a format: "%Y-%m-%d", "%H:%M:%S" and "%Y-%m-%d %H:%M:%S". Conversions of the other part
// (a time field in a date format and the reverse) print as zero and are skipped when scanning.
// Scanning accepts a valid value or the empty (all-zero) value; otherwise it gives KX_TYPES_E_SCAN
// and leaves the value unchanged.
#pragma once

#include <cstdint>

#include "KxString.h"

// The clock that gives "now": local date and time of the machine, or a clock set by a test.
struct KxClockReading {
    int32_t year, month, day, hour, minute, second;
};
typedef KxClockReading (*KxClockFunction)();

class KxDate {
public:
    KxDate() = default;                          // the empty date: all fields 0 (invalid)
    KxDate(int32_t year, int32_t month, int32_t day);
    static KxDate Today();

    int32_t GetYear() const { return year_; }
    int32_t GetMonth() const { return month_; }
    int32_t GetDay() const { return day_; }
    // Setters store any value that fits the field (year 0..65535, month and day 0..255), valid or
    // not, and answer KX_TYPES_E_RANGE (field unchanged) for one that does not.
    int32_t SetYear(int32_t year);
    int32_t SetMonth(int32_t month);
    int32_t SetDay(int32_t day);
    int32_t Set(int32_t year, int32_t month, int32_t day);   // all or nothing

    // A Gregorian date from 1-1-1 to 9999-12-31.
    bool IsValid() const;
    bool IsEmpty() const { return year_ == 0 && month_ == 0 && day_ == 0; }
    void Clear() { year_ = 0; month_ = 0; day_ = 0; }

    // Days from this date to the other: other - this (positive when the other is later).
    // Dates are counted on the proleptic Gregorian calendar whether valid or not.
    int32_t DayDiff(const KxDate& other) const;
    int32_t DayNumber() const;                   // days since 1-1-1 (day 0)

    int32_t Compare(const KxDate& other) const;
    bool operator==(const KxDate& o) const { return Compare(o) == 0; }
    bool operator!=(const KxDate& o) const { return Compare(o) != 0; }
    bool operator<(const KxDate& o) const { return Compare(o) < 0; }

    int32_t PrintToKxString(KxString& out, const char* format = nullptr) const;
    int32_t ScanFromKxString(const KxString& in, const char* format = nullptr);

private:
    uint16_t year_ = 0;
    uint8_t month_ = 0;
    uint8_t day_ = 0;
};

class KxTime {
public:
    KxTime() = default;                          // 00:00:00
    KxTime(int32_t hour, int32_t minute, int32_t second);
    static KxTime Now();

    int32_t GetHour() const { return hour_; }
    int32_t GetMinute() const { return minute_; }
    int32_t GetSecond() const { return second_; }
    // Any value 0..255 is stored (valid or not); others give KX_TYPES_E_RANGE.
    int32_t SetHour(int32_t hour);
    int32_t SetMinute(int32_t minute);
    int32_t SetSecond(int32_t second);
    int32_t Set(int32_t hour, int32_t minute, int32_t second);

    bool IsValid() const { return hour_ < 24 && minute_ < 60 && second_ < 60; }
    bool IsEmpty() const { return hour_ == 0 && minute_ == 0 && second_ == 0; }
    void Clear() { hour_ = 0; minute_ = 0; second_ = 0; }

    int32_t SecondsOfDay() const { return hour_ * 3600 + minute_ * 60 + second_; }

    int32_t Compare(const KxTime& other) const;
    bool operator==(const KxTime& o) const { return Compare(o) == 0; }
    bool operator!=(const KxTime& o) const { return Compare(o) != 0; }
    bool operator<(const KxTime& o) const { return Compare(o) < 0; }

    int32_t PrintToKxString(KxString& out, const char* format = nullptr) const;
    int32_t ScanFromKxString(const KxString& in, const char* format = nullptr);

private:
    uint8_t hour_ = 0;
    uint8_t minute_ = 0;
    uint8_t second_ = 0;
};

class KxDateTime {
public:
    KxDateTime();                                // now, from the clock
    KxDateTime(int32_t year, int32_t month, int32_t day, int32_t hour = 0, int32_t minute = 0,
               int32_t second = 0);
    explicit KxDateTime(const KxDate& date, const KxTime& time = KxTime());

    // Sets the clock for every later "now"; a null function restores the machine's local time.
    static void SetClock(KxClockFunction fn);
    void SetNow();

    const KxDate& GetDate() const { return date_; }
    const KxTime& GetTime() const { return time_; }
    void SetDate(const KxDate& date) { date_ = date; }
    void SetTime(const KxTime& time) { time_ = time; }

    int32_t GetYear() const { return date_.GetYear(); }
    int32_t GetMonth() const { return date_.GetMonth(); }
    int32_t GetDay() const { return date_.GetDay(); }
    int32_t GetHour() const { return time_.GetHour(); }
    int32_t GetMinute() const { return time_.GetMinute(); }
    int32_t GetSecond() const { return time_.GetSecond(); }
    int32_t SetYear(int32_t v) { return date_.SetYear(v); }
    int32_t SetMonth(int32_t v) { return date_.SetMonth(v); }
    int32_t SetDay(int32_t v) { return date_.SetDay(v); }
    int32_t SetHour(int32_t v) { return time_.SetHour(v); }
    int32_t SetMinute(int32_t v) { return time_.SetMinute(v); }
    int32_t SetSecond(int32_t v) { return time_.SetSecond(v); }

    bool IsValid() const { return date_.IsValid() && time_.IsValid(); }
    bool IsEmpty() const { return date_.IsEmpty() && time_.IsEmpty(); }
    void Clear() { date_.Clear(); time_.Clear(); }   // the empty value: all fields 0

    // Days between the dates (other - this) and the seconds of this value's day.
    int32_t DayDiff(const KxDateTime& other) const { return date_.DayDiff(other.date_); }
    int32_t SecondsOfDay() const { return time_.SecondsOfDay(); }

    int32_t Compare(const KxDateTime& other) const;
    bool operator==(const KxDateTime& o) const { return Compare(o) == 0; }
    bool operator!=(const KxDateTime& o) const { return Compare(o) != 0; }
    bool operator<(const KxDateTime& o) const { return Compare(o) < 0; }

    int32_t PrintToKxString(KxString& out, const char* format = nullptr) const;
    int32_t ScanFromKxString(const KxString& in, const char* format = nullptr);

private:
    KxDate date_;
    KxTime time_;
};
