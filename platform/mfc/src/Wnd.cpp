#include "afxwin.h"

void CWnd::SetWindowText(const char16_t* text) {
    std::lock_guard<std::mutex> lock(mutex_);
    title_ = text;
    updates_.push_back({kTitleId, title_});
}

void CWnd::GetWindowText(CStringW& text) const {
    std::lock_guard<std::mutex> lock(mutex_);
    text = title_;
}

void CWnd::SetDlgItemText(int id, const char16_t* text) {
    std::lock_guard<std::mutex> lock(mutex_);
    CStringW& control = controls_[id];
    control = text;
    updates_.push_back({id, control});
}

int CWnd::GetDlgItemText(int id, CStringW& text) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = controls_.find(id);
    text = it == controls_.end() ? CStringW() : it->second;
    return text.GetLength();
}

std::vector<CWndTextUpdate> CWnd::GetTextUpdates() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return updates_;
}
