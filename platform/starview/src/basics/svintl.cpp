#include "svintl.h"

#include <cstdio>
#include <string>

namespace {

StringCompare DefaultCompare(const String& a, const String& b) { return a.Compare(b); }
void DefaultUpper(String& s) { s.Upper(); }
void DefaultLower(String& s) { s.Lower(); }
uint16_t DefaultCharType(char c) {
    uint16_t bits = 0;
    if (c >= '0' && c <= '9') bits |= CHAR_DIGIT;
    if (c >= 'A' && c <= 'Z') bits |= CHAR_UPPER;
    if (c >= 'a' && c <= 'z') bits |= CHAR_LOWER;
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') bits |= CHAR_SPACE;
    return bits;
}

const String& Empty() {
    static const String empty;
    return empty;
}

// A number of at least `width` digits (zero-padded).
std::string Digits(unsigned long n, int width) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%0*lu", width, n);
    return buf;
}

}  // namespace

// ---- CountryTable ----

CountryTable::CountryTable()
    : longDateDaySep_(", "), longDateMonthSep_(" "), longDateYearSep_(", "), timeAM_("AM"), timePM_("PM"),
      currSymbol_("$") {}

CountryType CountryTable::GetCountry() const { return country_; }
void CountryTable::SetCountry(CountryType country) { country_ = country; }
DateFormat CountryTable::GetDateFormat() const { return dateFormat_; }
DateFormat CountryTable::GetDateFormatA() const { return dateFormat_; }
void CountryTable::SetDateFormat(DateFormat format) { dateFormat_ = format; }
char CountryTable::GetDateSep() const { return dateSep_; }
void CountryTable::SetDateSep(char sep) { dateSep_ = sep; }
bool CountryTable::IsDateDayLeadingZero() const { return dateDayZero_; }
void CountryTable::SetDateDayLeadingZero(bool on) { dateDayZero_ = on; }
bool CountryTable::IsDateMonthLeadingZero() const { return dateMonthZero_; }
void CountryTable::SetDateMonthLeadingZero(bool on) { dateMonthZero_ = on; }
bool CountryTable::IsDateCentury() const { return dateCentury_; }
void CountryTable::SetDateCentury(bool on) { dateCentury_ = on; }
DateFormat CountryTable::GetLongDateFormat() const { return longDateFormat_; }
void CountryTable::SetLongDateFormat(DateFormat format) { longDateFormat_ = format; }
const String& CountryTable::GetLongDateDaySep() const { return longDateDaySep_; }
void CountryTable::SetLongDateDaySep(const String& sep) { longDateDaySep_ = sep; }
const String& CountryTable::GetLongDateMonthSep() const { return longDateMonthSep_; }
void CountryTable::SetLongDateMonthSep(const String& sep) { longDateMonthSep_ = sep; }
const String& CountryTable::GetLongDateYearSep() const { return longDateYearSep_; }
void CountryTable::SetLongDateYearSep(const String& sep) { longDateYearSep_ = sep; }
bool CountryTable::IsLongDateDayLeadingZero() const { return longDateDayZero_; }
void CountryTable::SetLongDateDayLeadingZero(bool on) { longDateDayZero_ = on; }
bool CountryTable::IsLongDateCentury() const { return longDateCentury_; }
void CountryTable::SetLongDateCentury(bool on) { longDateCentury_ = on; }
TimeFormat CountryTable::GetTimeFormat() const { return timeFormat_; }
TimeFormat CountryTable::GetTimeFormatA() const { return timeFormat_; }
void CountryTable::SetTimeFormat(TimeFormat format) { timeFormat_ = format; }
char CountryTable::GetTimeSep() const { return timeSep_; }
void CountryTable::SetTimeSep(char sep) { timeSep_ = sep; }
char CountryTable::GetTime100SecSep() const { return time100SecSep_; }
void CountryTable::SetTime100SecSep(char sep) { time100SecSep_ = sep; }
bool CountryTable::IsTimeLeadingZero() const { return timeZero_; }
void CountryTable::SetTimeLeadingZero(bool on) { timeZero_ = on; }
const String& CountryTable::GetTimeAM() const { return timeAM_; }
void CountryTable::SetTimeAM(const String& text) { timeAM_ = text; }
const String& CountryTable::GetTimePM() const { return timePM_; }
void CountryTable::SetTimePM(const String& text) { timePM_ = text; }
uint16_t CountryTable::GetNumDigits() const { return numDigits_; }
void CountryTable::SetNumDigits(uint16_t digits) { numDigits_ = digits; }
char CountryTable::GetNumThousandSep() const { return numThousandSep_; }
void CountryTable::SetNumThousandSep(char sep) { numThousandSep_ = sep; }
char CountryTable::GetNumDecimalSep() const { return numDecimalSep_; }
void CountryTable::SetNumDecimalSep(char sep) { numDecimalSep_ = sep; }
bool CountryTable::IsNumLeadingZero() const { return numLeadingZero_; }
void CountryTable::SetNumLeadingZero(bool on) { numLeadingZero_ = on; }
const String& CountryTable::GetCurrSymbol() const { return currSymbol_; }
void CountryTable::SetCurrSymbol(const String& symbol) { currSymbol_ = symbol; }
uint16_t CountryTable::GetCurrDigits() const { return currDigits_; }
void CountryTable::SetCurrDigits(uint16_t digits) { currDigits_ = digits; }
uint16_t CountryTable::GetCurrPositiveFormat() const { return currPositiveFormat_; }
void CountryTable::SetCurrPositiveFormat(uint16_t format) { currPositiveFormat_ = format; }
uint16_t CountryTable::GetCurrNegativeFormat() const { return currNegativeFormat_; }
void CountryTable::SetCurrNegativeFormat(uint16_t format) { currNegativeFormat_ = format; }
char CountryTable::GetCurrZeroChar() const { return currZeroChar_; }
void CountryTable::SetCurrZeroChar(char c) { currZeroChar_ = c; }

// ---- LanguageTable ----

LanguageTable::LanguageTable()
    : ok_("OK"), cancel_("Cancel"), help_("Help"), compare_(&DefaultCompare), upper_(&DefaultUpper),
      lower_(&DefaultLower), charType_(&DefaultCharType) {
    static const char* const days[] = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};
    static const char* const months[] = {"January", "February", "March",     "April",   "May",      "June",
                                         "July",    "August",   "September", "October", "November", "December"};
    for (int i = 0; i < 7; ++i) {
        days_[i] = days[i];
        abbrevDays_[i] = String(days[i], 3);
    }
    for (int i = 0; i < 12; ++i) {
        months_[i] = months[i];
        abbrevMonths_[i] = String(months[i], 3);
    }
}

LanguageType LanguageTable::GetLanguage() const { return language_; }
void LanguageTable::SetLanguage(LanguageType language) { language_ = language; }
const String& LanguageTable::GetDayText(DayOfWeek day) const { return day < 7 ? days_[day] : Empty(); }
void LanguageTable::SetDayText(DayOfWeek day, const String& text) {
    if (day < 7) days_[day] = text;
}
const String& LanguageTable::GetAbbrevDayText(DayOfWeek day) const { return day < 7 ? abbrevDays_[day] : Empty(); }
void LanguageTable::SetAbbrevDayText(DayOfWeek day, const String& text) {
    if (day < 7) abbrevDays_[day] = text;
}
const String& LanguageTable::GetMonthText(uint16_t month) const {
    return month >= 1 && month <= 12 ? months_[month - 1] : Empty();
}
void LanguageTable::SetMonthText(uint16_t month, const String& text) {
    if (month >= 1 && month <= 12) months_[month - 1] = text;
}
const String& LanguageTable::GetAbbrevMonthText(uint16_t month) const {
    return month >= 1 && month <= 12 ? abbrevMonths_[month - 1] : Empty();
}
void LanguageTable::SetAbbrevMonthText(uint16_t month, const String& text) {
    if (month >= 1 && month <= 12) abbrevMonths_[month - 1] = text;
}
const String& LanguageTable::GetOKButtonText() const { return ok_; }
void LanguageTable::SetOKButtonText(const String& text) { ok_ = text; }
const String& LanguageTable::GetCancelButtonText() const { return cancel_; }
void LanguageTable::SetCancelButtonText(const String& text) { cancel_ = text; }
const String& LanguageTable::GetHelpButtonText() const { return help_; }
void LanguageTable::SetHelpButtonText(const String& text) { help_ = text; }
CompareProc LanguageTable::GetCompareProc() const { return compare_; }
void LanguageTable::SetCompareProc(CompareProc proc) { compare_ = proc; }
CaseProc LanguageTable::GetUpperProc() const { return upper_; }
void LanguageTable::SetUpperProc(CaseProc proc) { upper_ = proc; }
CaseProc LanguageTable::GetLowerProc() const { return lower_; }
void LanguageTable::SetLowerProc(CaseProc proc) { lower_ = proc; }
CharTypeProc LanguageTable::GetCharTypeProc() const { return charType_; }
void LanguageTable::SetCharTypeProc(CharTypeProc proc) { charType_ = proc; }

// ---- International ----

International::International() = default;
International::International(const CountryTable& country, const LanguageTable& language)
    : country_(country), language_(language) {}
International::International(const International& other) = default;
International& International::operator=(const International& other) = default;

const CountryTable& International::GetCountryTable() const { return country_; }
void International::ChangeCountryTable(const CountryTable& table) { country_ = table; }
const LanguageTable& International::GetLanguageTable() const { return language_; }
void International::ChangeLanguageTable(const LanguageTable& table) { language_ = table; }

CountryType International::GetCountry() const { return country_.GetCountry(); }
DateFormat International::GetDateFormat() const { return country_.GetDateFormat(); }
DateFormat International::GetDateFormatA() const { return country_.GetDateFormatA(); }
char International::GetDateSep() const { return country_.GetDateSep(); }
bool International::IsDateDayLeadingZero() const { return country_.IsDateDayLeadingZero(); }
bool International::IsDateMonthLeadingZero() const { return country_.IsDateMonthLeadingZero(); }
bool International::IsDateCentury() const { return country_.IsDateCentury(); }
DateFormat International::GetLongDateFormat() const { return country_.GetLongDateFormat(); }
const String& International::GetLongDateDaySep() const { return country_.GetLongDateDaySep(); }
const String& International::GetLongDateMonthSep() const { return country_.GetLongDateMonthSep(); }
const String& International::GetLongDateYearSep() const { return country_.GetLongDateYearSep(); }
bool International::IsLongDateDayLeadingZero() const { return country_.IsLongDateDayLeadingZero(); }
bool International::IsLongDateCentury() const { return country_.IsLongDateCentury(); }
TimeFormat International::GetTimeFormat() const { return country_.GetTimeFormat(); }
TimeFormat International::GetTimeFormatA() const { return country_.GetTimeFormatA(); }
char International::GetTimeSep() const { return country_.GetTimeSep(); }
char International::GetTime100SecSep() const { return country_.GetTime100SecSep(); }
bool International::IsTimeLeadingZero() const { return country_.IsTimeLeadingZero(); }
const String& International::GetTimeAM() const { return country_.GetTimeAM(); }
const String& International::GetTimePM() const { return country_.GetTimePM(); }
uint16_t International::GetNumDigits() const { return country_.GetNumDigits(); }
char International::GetNumThousandSep() const { return country_.GetNumThousandSep(); }
char International::GetNumDecimalSep() const { return country_.GetNumDecimalSep(); }
bool International::IsNumLeadingZero() const { return country_.IsNumLeadingZero(); }
const String& International::GetCurrSymbol() const { return country_.GetCurrSymbol(); }
uint16_t International::GetCurrDigits() const { return country_.GetCurrDigits(); }
uint16_t International::GetCurrPositiveFormat() const { return country_.GetCurrPositiveFormat(); }
uint16_t International::GetCurrNegativeFormat() const { return country_.GetCurrNegativeFormat(); }
char International::GetCurrZeroChar() const { return country_.GetCurrZeroChar(); }

LanguageType International::GetLanguage() const { return language_.GetLanguage(); }
const String& International::GetDayText(DayOfWeek day) const { return language_.GetDayText(day); }
const String& International::GetAbbrevDayText(DayOfWeek day) const { return language_.GetAbbrevDayText(day); }
const String& International::GetMonthText(uint16_t month) const { return language_.GetMonthText(month); }
const String& International::GetAbbrevMonthText(uint16_t month) const { return language_.GetAbbrevMonthText(month); }
const String& International::GetOKButtonText() const { return language_.GetOKButtonText(); }
const String& International::GetCancelButtonText() const { return language_.GetCancelButtonText(); }
const String& International::GetHelpButtonText() const { return language_.GetHelpButtonText(); }

String International::GetNum(long value, uint16_t digits) const {
    if (digits > 18) digits = 18;
    unsigned long magnitude = value < 0 ? 0ul - static_cast<unsigned long>(value) : static_cast<unsigned long>(value);
    unsigned long scale = 1;
    for (uint16_t i = 0; i < digits; ++i) scale *= 10;
    const std::string whole = std::to_string(magnitude / scale);
    std::string text = value < 0 ? "-" : "";
    if (digits == 0 || magnitude / scale != 0 || country_.IsNumLeadingZero()) {
        for (size_t i = 0; i < whole.size(); ++i) {
            if (i != 0 && (whole.size() - i) % 3 == 0) text += country_.GetNumThousandSep();
            text += whole[i];
        }
    }
    if (digits != 0) text += country_.GetNumDecimalSep() + Digits(magnitude % scale, digits);
    return String(text);
}

String International::GetDate(const Date& date) const {
    const std::string day = Digits(date.GetDay(), country_.IsDateDayLeadingZero() ? 2 : 1);
    const std::string month = Digits(date.GetMonth(), country_.IsDateMonthLeadingZero() ? 2 : 1);
    const std::string year = country_.IsDateCentury() ? Digits(date.GetYear(), 4) : Digits(date.GetYear() % 100, 2);
    const char sep = country_.GetDateSep();
    switch (country_.GetDateFormat()) {
        case DMY: return String(day + sep + month + sep + year);
        case YMD: return String(year + sep + month + sep + day);
        default: return String(month + sep + day + sep + year);
    }
}

String International::GetTime(const Time& time, bool seconds, bool hundredths) const {
    unsigned long hour = time.GetHour();
    const bool twelve = country_.GetTimeFormat() == HOUR_12;
    const bool pm = hour % 24 >= 12;
    if (twelve) {
        hour %= 12;
        if (hour == 0) hour = 12;
    }
    const char sep = country_.GetTimeSep();
    std::string text = time.GetTime() < 0 ? "-" : "";
    text += Digits(hour, country_.IsTimeLeadingZero() ? 2 : 1) + sep + Digits(time.GetMin(), 2);
    if (seconds) text += sep + Digits(time.GetSec(), 2);
    if (hundredths) text += country_.GetTime100SecSep() + Digits(time.Get100Sec(), 2);
    String result(text);
    if (twelve) {
        result += ' ';
        result += pm ? country_.GetTimePM() : country_.GetTimeAM();
    }
    return result;
}
