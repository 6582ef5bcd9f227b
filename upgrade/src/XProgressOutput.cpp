#include "XProgressOutput.h"

#include <windows.h>

#include <algorithm>
#include <limits>

#include "XKxException.h"

namespace {

const char16_t kSpinner[] = {u'|', u'/', u'-', u'\\'};
const char16_t kIndentUnit[] = u"    ";

int32_t CountLines(const CString& text) {
    if (text.IsEmpty()) return 0;
    int32_t n = 1;
    for (int32_t at = text.Find(u'\n'); at >= 0; at = text.Find(u'\n', at + 1)) ++n;
    return n;
}

int32_t Sum(int32_t a, int32_t b) {
    return static_cast<int32_t>(std::clamp<int64_t>(static_cast<int64_t>(a) + b, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

}  // namespace

XProgressOutput::XProgressOutput(const CString& titleBase, std::unique_ptr<XLogging> log, XProgressOwner* owner)
    : owner_(owner), log_(std::move(log)), titleBase_(titleBase) {
    totalTimer_.Start(0);
    SetWindowText(titleBase_);
}

XProgressOutput::~XProgressOutput() = default;

void XProgressOutput::Write(const CString& text, int32_t flags) {
    if ((flags & kShowIndent) != 0) {
        CString message;
        message.Format(u"Indent before: %d", indent_.GetLength());
        MessageBox(nullptr, message, nullptr, MB_OK);
    }
    if ((flags & kUnindentBefore) != 0 && indent_.GetLength() >= 4) indent_ = indent_.Left(indent_.GetLength() - 4);
    if ((flags & kResetIndent) != 0) indent_.Empty();

    const bool continued = (flags & kContinueLine) != 0;
    const CString line = continued ? text : indent_ + text;
    const bool wasEmpty = lines_.IsEmpty();
    if (!continued && !wasEmpty) lines_ += u"\r\n";
    lines_ += line;

    lineCount_ = CountLines(lines_);
    while (lineCount_ > kMaxLines && !continued) {
        lines_ = lines_.Mid(lines_.Find(u'\n') + 1);
        --lineCount_;
    }

    if (log_ && logEnabled_) {
        if (!continued || wasEmpty) log_->WriteLine(line, (flags & kTimeStamp) != 0);
        else log_->Write(line);
    }
    if ((flags & kIndentAfter) != 0) indent_ += kIndentUnit;
}

void XProgressOutput::Refresh() {
    if (!stepRunning_) {
        ShowControl(kMessageControl, lines_);
        return;
    }
    CString shown;
    shown.Format(u"%s %c", lines_, kSpinner[spinnerIndex_]);
    ShowControl(kMessageControl, shown);
}

void XProgressOutput::SetAction(const CString& text) {
    action_ = text;
    if (log_ && logEnabled_) log_->WriteLine(text, true);
    ShowControl(kActionControl, action_);
}

void XProgressOutput::SetActionAndText(const CString& action, const CString& text) {
    action_ = action;
    status_ = text;
    if (log_ && logEnabled_) {
        log_->WriteLine(action, true);
        if (!text.IsEmpty()) log_->WriteLine(text, false);
    }
    ShowControl(kActionControl, action_);
    ShowControl(kStatusControl, status_);
}

void XProgressOutput::SetStatus(const CString& text) {
    status_ = text;
    ShowControl(kStatusControl, status_);
}

void XProgressOutput::ClearStatus() {
    status_.Empty();
    action_.Empty();
    ShowControl(kStatusControl, status_);
    ShowControl(kActionControl, action_);
}

void XProgressOutput::StartStep() {
    stepTimer_.Start(0);
    stepRunning_ = true;
}

void XProgressOutput::StopStep() {
    stepTimer_.Stop();
    stepRunning_ = false;
    ShowControl(kStepElapsedControl, stepTimer_.GetElapsedText());
    ShowControl(kEstimatedTotalControl, CString());
    ShowControl(kRemainingControl, CString());
    ShowControl(kStepCounterControl, CString());
}

void XProgressOutput::Tick() {
    stepTimer_.Update();
    if (!stepTimer_.IsReportDue()) return;
    AdvanceSpinner();
    ShowTitle();
    ShowControl(kStepElapsedControl, stepTimer_.GetElapsedText());
}

void XProgressOutput::TickCount(int32_t done, int32_t total) {
    stepTimer_.Update();
    if (!stepTimer_.IsReportDue()) return;
    AdvanceSpinner();
    stepTimer_.SetProgress(done, total);
    CString counter;
    counter.Format(u"%s (%d/%d)", stepTimer_.GetProgress().GetText(), done, total);
    ShowControl(kStepCounterControl, counter);
    ShowTitle();
}

void XProgressOutput::Progress(int32_t done, int32_t total) {
    if (done <= 0) return;
    stepTimer_.SetProgress(done, total);
    stepTimer_.Update();
    if (!stepTimer_.IsReportDue()) return;
    AdvanceSpinner();
    CString counter;
    counter.Format(u"%s (%d/%d)", stepTimer_.GetProgress().GetText(), done, total);
    ShowControl(kStepCounterControl, counter);
    if (done == 1) stepTimer_.SetEstimateBase(stepTimer_.GetMilliseconds());
    ShowControl(kStepElapsedControl, stepTimer_.GetElapsedText());
    if (stepTimer_.GetProgress().GetRounded() > 5 || stepTimer_.GetRounded() > 5) {
        ShowControl(kEstimatedTotalControl, stepTimer_.GetEstimatedTotalText());
        ShowControl(kRemainingControl, stepTimer_.GetRemainingText());
    }
    ShowTitle();
}

void XProgressOutput::ProgressTwo(const CString& name1, XPercent& counter1, const CString& name2, XPercent& counter2) {
    const int32_t done = Sum(counter1.GetDone(), counter2.GetDone());
    if (done < 1) return;
    Progress(done, Sum(counter1.GetTotal(), counter2.GetTotal()));
    const bool changed1 = counter1.HasChanged();
    const bool changed2 = counter2.HasChanged();
    if (!changed1 && !changed2) return;
    CString text1;
    text1.Format(u"%s: %s (%d/%d)", name1, counter1.GetText(), counter1.GetDone(), counter1.GetTotal());
    CString text2;
    text2.Format(u"%s: %s (%d/%d)", name2, counter2.GetText(), counter2.GetDone(), counter2.GetTotal());
    CString shown;
    shown.Format(u"%s [%s] [%s]", lines_, text1, text2);
    ShowControl(kMessageControl, shown);
}

CString XProgressOutput::GetElapsed() const { return stepTimer_.GetElapsedText(); }

void XProgressOutput::Done(bool withTime) {
    if (withTime) {
        CString text;
        text.Format(u"...done in %s!", GetElapsed());
        Write(text, kContinueLine);
    } else {
        Write(u"...done!", kContinueLine);
    }
    Refresh();
}

void XProgressOutput::DoneCount(const CString& what, int32_t count, int32_t total, const CString& unit) {
    CString text;
    text.Format(u"...%s <%d> of <%d> %s in %s!", what, count, total, unit, GetElapsed());
    Write(text, kContinueLine);
    Refresh();
}

void XProgressOutput::DoneAmount(const CString& what, int32_t count, const CString& unit, bool withTime) {
    CString text;
    if (withTime) text.Format(u"...%s <%d> %s in %s!", what, count, unit, GetElapsed());
    else text.Format(u"...%s <%d> %s!", what, count, unit);
    Write(text, kContinueLine);
    Refresh();
}

void XProgressOutput::SetOwnerValue(int32_t value) {
    if (owner_ != nullptr) owner_->SetOwnerValue(value);
}

void XProgressOutput::ShowControl(int id, const CString& text) {
    SetDlgItemText(id, text);
    CheckCancel();
}

void XProgressOutput::ShowTitle() {
    totalTimer_.Update();
    SetWindowText(titleBase_ + u" - Total running time: " + totalTimer_.GetElapsedText());
    CheckCancel();
}

void XProgressOutput::AdvanceSpinner() {
    spinnerIndex_ = (spinnerIndex_ + 1) % 4;
    CString shown;
    shown.Format(u"%s %c", lines_, kSpinner[spinnerIndex_]);
    ShowControl(kMessageControl, shown);
}

void XProgressOutput::CheckCancel() {
    if (cancelCheck_ && cancelRequested_.exchange(false))
        throw XKxException(XKxException::kCanceled, CString(), CString(), u"Upgrade canceled by user request!");
}
