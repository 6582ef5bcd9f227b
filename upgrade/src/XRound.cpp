#include "XRound.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "XKxBaseFunctions.h"

namespace {

const double kPower[] = {1, 10, 100, 1000, 10000, 100000};
const double kInversePower[] = {1, 0.1, 0.01, 0.001, 0.0001, 0.00001};

int32_t ClampToInt32(double value) {
    if (!(value == value)) return 0;
    if (value >= static_cast<double>(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
    if (value <= static_cast<double>(std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

int32_t Now() { return static_cast<int32_t>(clock()); }

}  // namespace

// ---- XRound ----

XRound::XRound(double value, int32_t decimals) : value_(value), decimals_(decimals) { Round(); }

double XRound::Tolerance(int32_t decimals) {
    return decimals >= 0 && decimals <= 4 ? 0.99 * kInversePower[decimals] : 1e-8;
}

void XRound::Round() {
    decimals_ = std::clamp(decimals_, 0, 5);
    const double offset = rising_ ? 0.5 - hysteresis_ : 0.5 + hysteresis_;
    if (decimals_ == 0) {
        rounded_ = std::trunc(value_ + offset) + 0.0;   // + 0.0: never a negative zero
    } else {
        rounded_ = std::trunc(value_ * kPower[decimals_] + offset) * kInversePower[decimals_] + 0.0;
    }
    if (rising_ && rounded_ < lastRounded_) rising_ = false;
    else if (!rising_ && rounded_ > lastRounded_) rising_ = true;
    lastRounded_ = rounded_;
}

void XRound::SetValue(double value) {
    value_ = value;
    Round();
}

void XRound::SetDecimals(int32_t decimals) {
    decimals_ = decimals;
    Round();
}

bool XRound::IsRoundedEqual(double x) const { return std::fabs(rounded_ - x) <= Tolerance(decimals_); }

// ---- XTime ----

XTime::XTime(int32_t milliseconds, int32_t decimals) : XRound(0, decimals) { SetMilliseconds(milliseconds); }

void XTime::SetMilliseconds(int32_t milliseconds) {
    milliseconds_ = milliseconds;
    SetValue(milliseconds / 1000.0);
}

CString XTime::GetText() const {
    const double s = rounded_;
    const int32_t totalMinutes = static_cast<int32_t>(s / 60);
    const double seconds = s - totalMinutes * 60.0;
    const int32_t totalHours = totalMinutes / 60;
    const int32_t minutes = totalMinutes % 60;
    const int32_t days = totalHours / 24;
    const int32_t hours = totalHours - days * 24;

    const bool padded = seconds < 10 && (minutes > 0 || hours > 0 || days > 0);
    CString secondsFormat;
    if (decimals_ == 0) secondsFormat = padded ? u"%02.0lf" : u"%2.0lf";
    else secondsFormat.Format(padded ? u"%%0%d.%dlf" : u"%%%d.%dlf", decimals_ + 3, decimals_);
    CString secondsText;
    secondsText.Format(secondsFormat, seconds);

    const char16_t* hourUnit = shortUnits_ ? u"h" : u"hours  ";
    CString text;
    if (days == 0) {
        if (hours > 0) text.Format(u"%02d:%02d:%s %s", hours, minutes, secondsText, hourUnit);
        else if (minutes == 0) text.Format(u"%s %s", secondsText, shortUnits_ ? u"s" : u"seconds");
        else text.Format(u"%02d:%s %s", minutes, secondsText, shortUnits_ ? u"m" : u"minutes");
    } else if (days == 1) {
        text.Format(shortUnits_ ? u"1 day and %02d:%02d:%s h" : u"1 day and %02d:%02d:%s hours  ", hours, minutes,
                    secondsText);
    } else {
        text.Format(shortUnits_ ? u"%d days and %02d:%02d:%s h" : u"%d days and %02d:%02d:%s hours  ", days, hours,
                    minutes, secondsText);
    }
    return text;
}

// ---- XPercent ----

XPercent::XPercent(int32_t done, int32_t total, int32_t decimals) : XRound(0, decimals), done_(done), total_(total) {
    SetDecimals(MagnitudeDecimals(total_));
    Recompute();
}

void XPercent::SetDone(int32_t done) {
    done_ = done;
    Recompute();
}

void XPercent::SetTotal(int32_t total) {
    if (total == total_) return;
    total_ = total;
    SetDecimals(MagnitudeDecimals(total_));
    Recompute();
}

// In double: done x 100 passes the int32 range from 21,474,837 done on.
void XPercent::Recompute() { SetValue(total_ > 0 ? done_ * 100.0 / total_ : 0.0); }

bool XPercent::HasChanged() {
    if (std::fabs(lastShown_ - rounded_) <= Tolerance(decimals_)) return false;
    lastShown_ = rounded_;
    return true;
}

void XPercent::AddItemFraction(int32_t subDone, int32_t subTotal) {
    const int32_t decimals = decimals_;
    decimals_ = 5;
    SetDone(done_);
    const double fraction = XPercent(subDone, subTotal, 5).GetRounded() / 100;
    // The share of one item: the percentage per done item, or (while the first item runs and
    // nothing is done yet) 100 / total.
    double itemShare = 0;
    if (done_ > 0) itemShare = rounded_ / done_;
    else if (total_ > 0) itemShare = 100.0 / total_;
    const double value = rounded_ + itemShare * fraction;
    decimals_ = decimals;
    SetValue(value);
}

CString XPercent::GetText() const {
    CString text;
    if (decimals_ == 0) {
        text.Format(u"%3.0lf%c", rounded_, u'%');
    } else {
        CString format;
        format.Format(u"%%%d.%dlf%%c", decimals_ + 4, decimals_);
        text.Format(format, rounded_, u'%');
    }
    return text;
}

// ---- XTimeAction ----

XTimeAction::XTimeAction() : XTime(0, -1), progress_(0, 0, 0), estimatedTotal_(0, -1) {
    estimatedTotal_.SetHysteresis(0.39);
}

void XTimeAction::Start(int32_t offset) {
    startClock_ = Now() - offset;
    lastClock_ = startClock_;
    stopClock_ = 0;
    estimateBase_ = 0;
    SetMilliseconds(0);
}

void XTimeAction::Stop() {
    stopClock_ = Now();
    SetMilliseconds(stopClock_ - startClock_);
}

void XTimeAction::Update() {
    lastClock_ = Now();
    SetMilliseconds(lastClock_ - startClock_);
    estimatedTotal_.SetMilliseconds(EstimateTotal());
}

bool XTimeAction::IsReportDue() {
    if (lastClock_ - lastReportClock_ < 200) return false;
    lastReportClock_ = lastClock_;
    return true;
}

void XTimeAction::SetProgress(int32_t done, int32_t total) {
    if (total != progress_.GetTotal()) progress_.SetTotal(total);
    progress_.SetDone(done);
}

int32_t XTimeAction::EstimateTotal() const {
    const int32_t done = progress_.GetDone();
    if (done <= 0) return 0;
    const double share = static_cast<double>(progress_.GetTotal()) / done;
    return ClampToInt32(std::trunc(share * (static_cast<double>(milliseconds_) - estimateBase_)) + estimateBase_);
}

int32_t XTimeAction::Remaining() const {
    return ClampToInt32(static_cast<double>(EstimateTotal()) - milliseconds_);
}

CString XTimeAction::GetElapsedText() const { return startClock_ > 0 ? GetText() : CString(); }

CString XTimeAction::GetEstimatedTotalText() const { return estimatedTotal_.GetText(); }

CString XTimeAction::GetRemainingText() const { return XTime(Remaining(), -1).GetText(); }
