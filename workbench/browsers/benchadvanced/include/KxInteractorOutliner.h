// KxInteractorOutliner: an outliner control inside a view that passes its mouse, key and help input
// to the view's attached interactor; a right button the interactor leaves opens the view's popup.
#pragma once

#include "KxOutliner.h"

class KvView;

class KxInteractorOutliner : public KxOutliner {
public:
    KxInteractorOutliner(KvView* view, Window* parent, WinBits style);
    KxInteractorOutliner(KvView* view, Window* parent, const ResId& id);

    void MouseMove(const MouseEvent& event) override;
    void MouseButtonDown(const MouseEvent& event) override;
    void MouseButtonUp(const MouseEvent& event) override;
    void KeyInput(const KeyEvent& event) override;
    void RequestHelp(const HelpEvent& event) override;
    // The interactor's answer; 0 without one.
    bool Drop(const DropEvent& event) override;
    bool QueryDrop(DropEvent& event) override;

protected:
    // The view's popup menu.
    virtual void popup(const MouseEvent& event) = 0;
    KvView* view() const { return view_; }

private:
    KvView* view_;
};
