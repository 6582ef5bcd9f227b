// The standard date and time value types d_Date, d_Time, d_Timestamp and d_Interval. A default
// value is all zero.
#pragma once

#include <cstdint>

class d_Date {
public:
    d_Date() = default;
    d_Date(uint16_t year, uint8_t month, uint8_t day) : year_(year), month_(month), day_(day) {}
    uint16_t year() const { return year_; }
    uint8_t month() const { return month_; }
    uint8_t day() const { return day_; }
    bool operator==(const d_Date& o) const { return year_ == o.year_ && month_ == o.month_ && day_ == o.day_; }
    bool operator!=(const d_Date& o) const { return !(*this == o); }

private:
    uint16_t year_ = 0;
    uint8_t month_ = 0;
    uint8_t day_ = 0;
};

// A time of day to the hundredth of a second; second() is the whole seconds plus hundredths / 100.
class d_Time {
public:
    d_Time() = default;
    d_Time(uint8_t hour, uint8_t minute, uint8_t second = 0, uint8_t hundredths = 0)
        : hour_(hour), minute_(minute), second_(second), hundredths_(hundredths) {}
    uint8_t hour() const { return hour_; }
    uint8_t minute() const { return minute_; }
    float second() const { return second_ + hundredths_ / 100.0f; }
    uint8_t wholeSecond() const { return second_; }
    uint8_t hundredths() const { return hundredths_; }
    bool operator==(const d_Time& o) const {
        return hour_ == o.hour_ && minute_ == o.minute_ && second_ == o.second_ && hundredths_ == o.hundredths_;
    }
    bool operator!=(const d_Time& o) const { return !(*this == o); }

private:
    uint8_t hour_ = 0;
    uint8_t minute_ = 0;
    uint8_t second_ = 0;
    uint8_t hundredths_ = 0;
};

class d_Timestamp {
public:
    d_Timestamp() = default;
    explicit d_Timestamp(const d_Date& date, const d_Time& time = d_Time()) : date_(date), time_(time) {}
    const d_Date& date() const { return date_; }
    const d_Time& time() const { return time_; }
    uint16_t year() const { return date_.year(); }
    uint8_t month() const { return date_.month(); }
    uint8_t day() const { return date_.day(); }
    uint8_t hour() const { return time_.hour(); }
    uint8_t minute() const { return time_.minute(); }
    float second() const { return time_.second(); }
    bool operator==(const d_Timestamp& o) const { return date_ == o.date_ && time_ == o.time_; }
    bool operator!=(const d_Timestamp& o) const { return !(*this == o); }

private:
    d_Date date_;
    d_Time time_;
};

// A duration held as a float number of seconds s. day() is s / 86400 cut to an integer; hour(),
// minute() and second() take the whole seconds (s cut) apart: (s cut) mod 86400 div 3600,
// (s cut) mod 3600 div 60, and the fraction of s plus (s cut) mod 60.
class d_Interval {
public:
    d_Interval() = default;
    d_Interval(int32_t day, int32_t hour = 0, int32_t minute = 0, float second = 0.0f)
        : seconds_(static_cast<float>(day * 86400.0 + hour * 3600.0 + minute * 60.0 + second)) {}
    static d_Interval fromSeconds(float seconds) {
        d_Interval i;
        i.seconds_ = seconds;
        return i;
    }
    float seconds() const { return seconds_; }
    int32_t day() const { return static_cast<int32_t>(seconds_ / 86400.0); }
    int32_t hour() const { return whole() % 86400 / 3600; }
    int32_t minute() const { return whole() % 3600 / 60; }
    float second() const { return (seconds_ - whole()) + whole() % 60; }
    bool operator==(const d_Interval& o) const { return seconds_ == o.seconds_; }
    bool operator!=(const d_Interval& o) const { return !(*this == o); }

private:
    int64_t whole() const { return static_cast<int64_t>(seconds_); }
    float seconds_ = 0.0f;
};
