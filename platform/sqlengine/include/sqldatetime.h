// Dates and Oracle format models of the embedded SQL engine.
//
// A DATE value is stored as text "YYYY-MM-DD HH:MM:SS" (the year may be negative for dates before
// Christ, e.g. "-4712-01-01 00:00:00"); this text sorts correctly for all years from 1 to 9999.
#pragma once

#include <cstdint>
#include <string>

#include "sqlerror.h"

namespace sqlengine {

struct DateTime {
  int32_t year = 1900;
  int32_t month = 1;
  int32_t day = 1;
  int32_t hour = 0;
  int32_t minute = 0;
  int32_t second = 0;
};

int32_t DaysInMonth(int32_t year, int32_t month);
// Field ranges: month 1-12, day within the month, hour 0-23, minute and second 0-59, year -4712..9999
// and not 0. On failure `err` gets the Oracle error of the first bad field.
bool ValidateDate(const DateTime& d, Error& err);

// Canonical stored text and its parser ("YYYY-MM-DD" alone is accepted as midnight).
std::string FormatDateText(const DateTime& d);
bool ParseDateText(const std::string& text, DateTime& out);

// Julian day numbers (Gregorian calendar from 15 October 1582, Julian calendar before).
int64_t ToJulianDay(const DateTime& d);
DateTime FromJulianDay(int64_t jd);

// The current date and time (process clock); tests may pin it with SetClockForTesting.
DateTime CurrentDate();
void SetClockForTesting(const DateTime* pinned);  // null returns to the system clock

// TO_CHAR(date, fmt) and TO_DATE(text, fmt) with the format elements YYYY SYYYY YYY YY Y RRRR RR
// MM MON MONTH DD DDD D DY DAY HH HH12 HH24 MI SS SSSSS J AM PM FM FX, punctuation and "quoted text".
// TO_DATE is lenient as Oracle is: punctuation in the format matches any run of punctuation (or
// none) in the text, numbers may be shorter than their element, and a text that ends early leaves
// the remaining fields at their defaults (current year and month, day 1, midnight).
bool OraDateToChar(const DateTime& d, const std::string& fmt, std::string& out, Error& err);
bool OraToDate(const std::string& text, const std::string& fmt, DateTime& out, Error& err);

// TO_CHAR(number, fmt) with the elements 0 9 . D , G S and FM; Oracle's leading sign position
// (a blank for positive numbers) is kept unless FM is given.
bool OraNumberToChar(double value, const std::string& fmt, std::string& out, Error& err);
// Oracle's default text of a number: integers in decimal, fractions without a leading zero (.5).
std::string OraNumberText(double value);
std::string OraIntegerText(int64_t value);

}  // namespace sqlengine
