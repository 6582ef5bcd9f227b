// Rounded values for a display that is redrawn many times a second: a number rounded to a chosen
// count of decimals with hysteresis (so that it does not flicker between two neighbours), a
// duration, a stopwatch with progress and an estimated total, and a percentage.
#pragma once

#include <cstdint>

#include "afxstr.h"

class XRound {
public:
    XRound(double value, int32_t decimals);
    virtual ~XRound() = default;
    virtual CString GetText() const = 0;

    // Rounds `value` to `decimals` (first kept between 0 and 5); the threshold is shifted against
    // the direction of the last change by `hysteresis`.
    void Round();
    void SetValue(double value);
    void SetDecimals(int32_t decimals);
    // |rounded - x| within 0.99 units of the last decimal (1e-8 when decimals lie outside 0 to 4).
    bool IsRoundedEqual(double x) const;

    double GetValue() const { return value_; }
    double GetRounded() const { return rounded_; }
    int32_t GetDecimals() const { return decimals_; }
    void SetHysteresis(double hysteresis) { hysteresis_ = hysteresis; }

protected:
    static double Tolerance(int32_t decimals);

    double value_;
    double rounded_ = 0;
    int32_t decimals_;
    double hysteresis_ = 0;
    bool rising_ = false;
    double lastRounded_ = 0;
};

// A duration in milliseconds, rounded in seconds; its text names seconds, minutes, hours and days.
class XTime : public XRound {
public:
    explicit XTime(int32_t milliseconds = 0, int32_t decimals = -1);

    void SetMilliseconds(int32_t milliseconds);
    int32_t GetMilliseconds() const { return milliseconds_; }
    // "h", "m", "s" instead of "hours  ", "minutes", "seconds".
    void SetShortUnits(bool shortUnits) { shortUnits_ = shortUnits; }
    CString GetText() const override;

protected:
    int32_t milliseconds_ = 0;
    bool shortUnits_ = false;
};

// done of total as a percentage; its decimals follow the size of the total.
class XPercent : public XRound {
public:
    XPercent(int32_t done, int32_t total, int32_t decimals);

    void SetDone(int32_t done);
    void SetTotal(int32_t total);
    void Recompute();
    // True (and the shown value remembered) when the rounded value moved away from the one last shown.
    bool HasChanged();
    // The percentage while the next item of `done` is itself subDone of subTotal done.
    void AddItemFraction(int32_t subDone, int32_t subTotal);
    CString GetText() const override;

    int32_t GetDone() const { return done_; }
    int32_t GetTotal() const { return total_; }

private:
    int32_t done_;
    int32_t total_;
    double lastShown_ = 0;
};

// A stopwatch on the run time's clock (milliseconds): the elapsed time (this XTime), a progress
// count and the total time estimated from it.
class XTimeAction : public XTime {
public:
    XTimeAction();

    void Start(int32_t offset = 0);
    void Stop();
    void Update();
    // True at most every 200 ms of updated time.
    bool IsReportDue();
    void SetEstimateBase(int32_t milliseconds) { estimateBase_ = milliseconds; }
    void SetProgress(int32_t done, int32_t total);
    // total / done x (elapsed - estimate base) + estimate base, in the int32 range; 0 before
    // anything is done.
    int32_t EstimateTotal() const;
    int32_t Remaining() const;

    CString GetElapsedText() const;
    CString GetEstimatedTotalText() const;
    CString GetRemainingText() const;
    const XPercent& GetProgress() const { return progress_; }
    int32_t GetStartClock() const { return startClock_; }

private:
    int32_t startClock_ = 0;
    int32_t stopClock_ = 0;
    int32_t estimateBase_ = 0;
    int32_t lastClock_ = 0;
    int32_t lastReportClock_ = 0;
    XPercent progress_;
    XTime estimatedTotal_;
};
