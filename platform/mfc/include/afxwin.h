// MFC's window class, headless: a CWnd keeps its title and the texts of its controls (by id) and
// records every update in order, so that a program's or a test's reader sees what the window
// showed. Includes afx.h.
#pragma once

#include <map>
#include <mutex>
#include <vector>

#include "afx.h"

// One update of a window text: a control's (its id) or the title's (id CWnd::kTitleId).
struct CWndTextUpdate {
    int id;
    CStringW text;
};

class CWnd {
public:
    static constexpr int kTitleId = 0;

    CWnd() = default;
    virtual ~CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    void SetWindowText(const char16_t* text);
    void GetWindowText(CStringW& text) const;
    void SetDlgItemText(int id, const char16_t* text);
    // The control's text (empty for a control never set); the result is its length.
    int GetDlgItemText(int id, CStringW& text) const;

    // Every update so far, in order.
    std::vector<CWndTextUpdate> GetTextUpdates() const;

private:
    mutable std::mutex mutex_;
    CStringW title_;
    std::map<int, CStringW> controls_;
    std::vector<CWndTextUpdate> updates_;
};
