// KvCompoundView: a view that is itself a dialog for inner views, so that a group of views shows
// as one view inside another dialog. KvCompoundControlView paints its inner views into a control.
#pragma once

#include "KvDialog.h"
#include "KvView.h"

class Control;

class KvCompoundView : public KvDialog, public KvView {
public:
    // An empty dialog part; the view part is a view of the subject in the outer dialog.
    KvCompoundView(KvSubject* subject, KvDialog* outer);
    // Leaves the subject and the outer dialog, then deletes the inner views and the arrangement.
    ~KvCompoundView() override;

    // Dialog part.
    Window* getPaintWindow() override;   // the outer dialog's, or null
    SysWin* getDialogWindow() override;  // the outer dialog's, or null
    virtual void Resize();               // KvDialog::resize
    using KvDialog::resize;

    // View part: each passes on to every inner view.
    void update(long hint, const KvVerb& verb) override;
    using KvView::update;
    // Stores the rectangle, then resizes every inner view to it.
    void resize(KvDialog* dialog, short x, short y, short width, short height) override;
    // Takes the rectangle of the dialog's paint window (when there is one), then resizes every
    // inner view.
    void resize(KvDialog* dialog) override;
    void show(KvDialog* dialog) override;
    void getPosAndSize(short& x, short& y, short& width, short& height) override;  // the rectangle
    void postEvent(KvAspectSet& set, const KvVerb& verb) override;
    // Each inner view handles it; the compound view's own subject is not called.
    void handleEvent(KvAspectSet& set, KvView* from, const KvVerb& verb) override;
    void getValue(KvAspectSet& set) override;  // nothing

protected:
    template <class F>
    void forEachInner(F f);

private:
    short x_, y_, width_, height_;
};

class KvCompoundControlView : public KvCompoundView {
public:
    KvCompoundControlView(KvSubject* subject, KvDialog* outer, Control* control);
    ~KvCompoundControlView() override;  // forgets the control
    Window* getPaintWindow() override;  // the control

private:
    Control* control_;
};
