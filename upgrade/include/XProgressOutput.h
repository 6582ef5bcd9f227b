// XProgressOutput: the one place where every progress message of the upgrade goes. It keeps the
// last 20 message lines with their indentation, shows the current action, a spinner, elapsed and
// estimated times and counters in the controls of the upgrader's progress window, forwards every
// line to the upgrade log, and turns a cancel request of the user into an exception.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "XLogging.h"
#include "XRound.h"
#include "afxwin.h"

// The upgrader's object that made the window; the display hands it one integer.
class XProgressOwner {
public:
    virtual ~XProgressOwner() = default;
    virtual void SetOwnerValue(int32_t value) = 0;
};

class XProgressOutput : public CWnd {
public:
    // Controls of the progress window.
    enum Control : int {
        kStatusControl = 1204,
        kEstimatedTotalControl = 1210,
        kStepElapsedControl = 1211,
        kRemainingControl = 1212,
        kStepCounterControl = 1213,
        kActionControl = 1301,
        kMessageControl = 1302
    };
    // Flags of Write.
    enum Flag : int32_t {
        kContinueLine = 1,    // append to the current line, without line break and indentation
        kIndentAfter = 2,     // after writing, indent by one unit of four blanks
        kUnindentBefore = 4,  // before writing, drop one unit
        kResetIndent = 8,     // before writing, drop the whole indentation
        kTimeStamp = 16,      // the log line gets a time stamp
        kShowIndent = 32      // debugging: a message box with the indentation's length
    };
    static constexpr int32_t kMaxLines = 20;

    // A window titled `titleBase` (and the total running time); the display owns the log, which
    // may be null; the owner is not owned and may be null. The total timer starts here.
    XProgressOutput(const CString& titleBase, std::unique_ptr<XLogging> log, XProgressOwner* owner);
    ~XProgressOutput() override;

    // One message, after the flags above. Shown by the next display update (Refresh).
    void Write(const CString& text, int32_t flags);
    // The message area: the lines, followed by a blank and the spinner while a step runs.
    void Refresh();
    // The action line (1301), logged with a time stamp.
    void SetAction(const CString& text);
    // Action (1301) and status (1204) lines; the action logged with a time stamp, the text (when
    // not empty) without.
    void SetActionAndText(const CString& action, const CString& text);
    void SetStatus(const CString& text);
    // Empties the status and action lines, without a log line.
    void ClearStatus();

    void StartStep();
    void StopStep();
    // Updates the step timer; at most every 200 ms: spinner, title and elapsed time.
    void Tick();
    void TickCount(int32_t done, int32_t total);
    // The counted progress of a step: counter, elapsed, estimated total and remaining time.
    void Progress(int32_t done, int32_t total);
    // The same over two labelled counters together; each is shown beside the message area.
    void ProgressTwo(const CString& name1, XPercent& counter1, const CString& name2, XPercent& counter2);
    CString GetElapsed() const;
    void Done(bool withTime);
    void DoneCount(const CString& what, int32_t count, int32_t total, const CString& unit);
    void DoneAmount(const CString& what, int32_t count, const CString& unit, bool withTime);

    // Called from the window's thread when the user asks to cancel.
    void RequestCancel() { cancelRequested_.store(true); }
    // The pending request, cleared.
    bool TakeCancelRequest() { return cancelRequested_.exchange(false); }
    // While on, the next display update after a cancel request throws XKxException -2.
    void EnableCancelCheck(bool on) { cancelCheck_ = on; }
    void EnableLog(bool on) { logEnabled_ = on; }
    XLogging* GetLog() const { return log_.get(); }
    const CString& GetIndent() const { return indent_; }
    void SetOwnerValue(int32_t value);

    const CString& GetLines() const { return lines_; }
    int32_t GetLineCount() const { return lineCount_; }

    // The title with the total running time ("<title> - Total running time: <elapsed>"), as every
    // due tick shows it; the upgrader shows it once more at the end of its run.
    void ShowTitle();

private:
    // Sets a control's text, then turns a pending cancel request into the cancel exception.
    void ShowControl(int id, const CString& text);
    void AdvanceSpinner();
    void CheckCancel();

    std::atomic<bool> cancelRequested_{false};
    bool cancelCheck_ = false;
    bool logEnabled_ = true;
    XProgressOwner* owner_;
    std::unique_ptr<XLogging> log_;
    CString action_;
    CString lines_;
    CString status_;
    int32_t lineCount_ = 0;
    CString indent_;
    XTimeAction stepTimer_;
    XTimeAction totalTimer_;
    CString titleBase_;
    int32_t spinnerIndex_ = 0;
    bool stepRunning_ = false;
};
