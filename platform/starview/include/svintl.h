// International formats: CountryTable (dates, times, numbers, currency), LanguageTable (day and
// month names, button texts, comparison and case procedures) and International, which formats
// through both. The default International is English: dates "MM/DD/YYYY", times "HH:MM:SS" on a
// 24-hour clock.
#pragma once

#include <cstdint>

#include "svstring.h"
#include "svtime.h"

enum DateFormat : uint16_t { MDY = 0, DMY = 1, YMD = 2 };
enum TimeFormat : uint16_t { HOUR_12 = 0, HOUR_24 = 1 };

// Countries by their telephone code.
enum CountryType : uint16_t {
    COUNTRY_DONTKNOW = 0,
    COUNTRY_USA = 1,
    COUNTRY_FRANCE = 33,
    COUNTRY_UNITED_KINGDOM = 44,
    COUNTRY_GERMANY = 49,
};

enum LanguageType : uint16_t {
    LANGUAGE_DONTKNOW = 0,
    LANGUAGE_ENGLISH = 1,
    LANGUAGE_GERMAN = 2,
    LANGUAGE_FRENCH = 3,
    LANGUAGE_ITALIAN = 4,
    LANGUAGE_SPANISH = 5,
};

enum DayOfWeek : uint16_t { MONDAY = 0, TUESDAY, WEDNESDAY, THURSDAY, FRIDAY, SATURDAY, SUNDAY };

class CountryTable {
public:
    CountryTable();  // the United States' settings

    CountryType GetCountry() const;
    void SetCountry(CountryType country);

    // Short dates: the order, one separator, leading zeros of day and month, the century.
    DateFormat GetDateFormat() const;
    DateFormat GetDateFormatA() const;  // the same, under the name the Win32 headers give it
    void SetDateFormat(DateFormat format);
    char GetDateSep() const;
    void SetDateSep(char sep);
    bool IsDateDayLeadingZero() const;
    void SetDateDayLeadingZero(bool on);
    bool IsDateMonthLeadingZero() const;
    void SetDateMonthLeadingZero(bool on);
    bool IsDateCentury() const;
    void SetDateCentury(bool on);

    // Long dates.
    DateFormat GetLongDateFormat() const;
    void SetLongDateFormat(DateFormat format);
    const String& GetLongDateDaySep() const;
    void SetLongDateDaySep(const String& sep);
    const String& GetLongDateMonthSep() const;
    void SetLongDateMonthSep(const String& sep);
    const String& GetLongDateYearSep() const;
    void SetLongDateYearSep(const String& sep);
    bool IsLongDateDayLeadingZero() const;
    void SetLongDateDayLeadingZero(bool on);
    bool IsLongDateCentury() const;
    void SetLongDateCentury(bool on);

    // Times.
    TimeFormat GetTimeFormat() const;
    TimeFormat GetTimeFormatA() const;  // the same, under the name the Win32 headers give it
    void SetTimeFormat(TimeFormat format);
    char GetTimeSep() const;
    void SetTimeSep(char sep);
    char GetTime100SecSep() const;
    void SetTime100SecSep(char sep);
    bool IsTimeLeadingZero() const;
    void SetTimeLeadingZero(bool on);
    const String& GetTimeAM() const;
    void SetTimeAM(const String& text);
    const String& GetTimePM() const;
    void SetTimePM(const String& text);

    // Numbers.
    uint16_t GetNumDigits() const;
    void SetNumDigits(uint16_t digits);
    char GetNumThousandSep() const;
    void SetNumThousandSep(char sep);
    char GetNumDecimalSep() const;
    void SetNumDecimalSep(char sep);
    bool IsNumLeadingZero() const;
    void SetNumLeadingZero(bool on);

    // Currency.
    const String& GetCurrSymbol() const;
    void SetCurrSymbol(const String& symbol);
    uint16_t GetCurrDigits() const;
    void SetCurrDigits(uint16_t digits);
    uint16_t GetCurrPositiveFormat() const;
    void SetCurrPositiveFormat(uint16_t format);
    uint16_t GetCurrNegativeFormat() const;
    void SetCurrNegativeFormat(uint16_t format);
    char GetCurrZeroChar() const;
    void SetCurrZeroChar(char c);

private:
    CountryType country_ = COUNTRY_USA;
    DateFormat dateFormat_ = MDY;
    char dateSep_ = '/';
    bool dateDayZero_ = true, dateMonthZero_ = true, dateCentury_ = true;
    DateFormat longDateFormat_ = MDY;
    String longDateDaySep_, longDateMonthSep_, longDateYearSep_;
    bool longDateDayZero_ = false, longDateCentury_ = true;
    TimeFormat timeFormat_ = HOUR_24;
    char timeSep_ = ':', time100SecSep_ = '.';
    bool timeZero_ = true;
    String timeAM_, timePM_;
    uint16_t numDigits_ = 2;
    char numThousandSep_ = ',', numDecimalSep_ = '.';
    bool numLeadingZero_ = true;
    String currSymbol_;
    uint16_t currDigits_ = 2, currPositiveFormat_ = 0, currNegativeFormat_ = 0;
    char currZeroChar_ = '0';
};

using CompareProc = StringCompare (*)(const String& a, const String& b);
using CaseProc = void (*)(String& text);
using CharTypeProc = uint16_t (*)(char c);

// Bits of a character-class answer.
constexpr uint16_t CHAR_DIGIT = 0x0001;
constexpr uint16_t CHAR_UPPER = 0x0002;
constexpr uint16_t CHAR_LOWER = 0x0004;
constexpr uint16_t CHAR_SPACE = 0x0008;

class LanguageTable {
public:
    LanguageTable();  // English

    LanguageType GetLanguage() const;
    void SetLanguage(LanguageType language);
    const String& GetDayText(DayOfWeek day) const;
    void SetDayText(DayOfWeek day, const String& text);
    const String& GetAbbrevDayText(DayOfWeek day) const;
    void SetAbbrevDayText(DayOfWeek day, const String& text);
    // Months 1 to 12; another month reads the empty text and is not set.
    const String& GetMonthText(uint16_t month) const;
    void SetMonthText(uint16_t month, const String& text);
    const String& GetAbbrevMonthText(uint16_t month) const;
    void SetAbbrevMonthText(uint16_t month, const String& text);
    const String& GetOKButtonText() const;
    void SetOKButtonText(const String& text);
    const String& GetCancelButtonText() const;
    void SetCancelButtonText(const String& text);
    const String& GetHelpButtonText() const;
    void SetHelpButtonText(const String& text);

    CompareProc GetCompareProc() const;
    void SetCompareProc(CompareProc proc);
    CaseProc GetUpperProc() const;
    void SetUpperProc(CaseProc proc);
    CaseProc GetLowerProc() const;
    void SetLowerProc(CaseProc proc);
    CharTypeProc GetCharTypeProc() const;
    void SetCharTypeProc(CharTypeProc proc);

private:
    LanguageType language_ = LANGUAGE_ENGLISH;
    String days_[7], abbrevDays_[7], months_[12], abbrevMonths_[12];
    String ok_, cancel_, help_;
    CompareProc compare_;
    CaseProc upper_, lower_;
    CharTypeProc charType_;
};

class International {
public:
    International();  // English
    International(const CountryTable& country, const LanguageTable& language);
    International(const International& other);
    International& operator=(const International& other);

    const CountryTable& GetCountryTable() const;
    void ChangeCountryTable(const CountryTable& table);
    const LanguageTable& GetLanguageTable() const;
    void ChangeLanguageTable(const LanguageTable& table);

    // The country table's getters.
    CountryType GetCountry() const;
    DateFormat GetDateFormat() const;
    DateFormat GetDateFormatA() const;
    char GetDateSep() const;
    bool IsDateDayLeadingZero() const;
    bool IsDateMonthLeadingZero() const;
    bool IsDateCentury() const;
    DateFormat GetLongDateFormat() const;
    const String& GetLongDateDaySep() const;
    const String& GetLongDateMonthSep() const;
    const String& GetLongDateYearSep() const;
    bool IsLongDateDayLeadingZero() const;
    bool IsLongDateCentury() const;
    TimeFormat GetTimeFormat() const;
    TimeFormat GetTimeFormatA() const;
    char GetTimeSep() const;
    char GetTime100SecSep() const;
    bool IsTimeLeadingZero() const;
    const String& GetTimeAM() const;
    const String& GetTimePM() const;
    uint16_t GetNumDigits() const;
    char GetNumThousandSep() const;
    char GetNumDecimalSep() const;
    bool IsNumLeadingZero() const;
    const String& GetCurrSymbol() const;
    uint16_t GetCurrDigits() const;
    uint16_t GetCurrPositiveFormat() const;
    uint16_t GetCurrNegativeFormat() const;
    char GetCurrZeroChar() const;

    // The language table's texts.
    LanguageType GetLanguage() const;
    const String& GetDayText(DayOfWeek day) const;
    const String& GetAbbrevDayText(DayOfWeek day) const;
    const String& GetMonthText(uint16_t month) const;
    const String& GetAbbrevMonthText(uint16_t month) const;
    const String& GetOKButtonText() const;
    const String& GetCancelButtonText() const;
    const String& GetHelpButtonText() const;

    // A number with `digits` decimals (the value is in units of 10^-digits), with the decimal and
    // thousands separators and the leading-zero rule: GetNum (123456, 2) is "1,234.56" in English.
    String GetNum(long value, uint16_t digits) const;
    // A date in the short date format: "02/03/2001" in English for 3 February 2001.
    String GetDate(const Date& date) const;
    // A time in the time format, with seconds and hundredths when asked; on a 12-hour clock the AM
    // or PM text follows after a blank.
    String GetTime(const Time& time, bool seconds = true, bool hundredths = false) const;

private:
    CountryTable country_;
    LanguageTable language_;
};
