// KvDialog: the window-independent part of a dialog that holds views: the list of its views, an
// optional view arrangement that lays them out (owned), and an optional paint window in which the
// views draw (not owned). The window kinds join it with a window class of the class library.
#pragma once

#include "KvHdl.h"
#include "svlist.h"

class KvView;
class KvViewArrangement;
class SysWin;
class Window;

class KvDialog : public KvHdl {
public:
    // Deletes the views still in the dialog, then the arrangement.
    ~KvDialog() override;

    // Enters the view, then tells the arrangement.
    virtual void addView(KvView* view);
    // Takes the view out, then tells the arrangement.
    virtual void removeView(KvView* view);
    virtual Window* getPaintWindow() = 0;
    virtual SysWin* getDialogWindow() = 0;
    // Answers the previous paint window.
    virtual Window* setPaintWindow(Window* window);
    // The arrangement's resize, or without one each view's resize (this).
    virtual void resize();

    // Stores the arrangement, tells it its dialog, and answers the previous one (the caller then
    // owns it).
    KvViewArrangement* setArrangement(KvViewArrangement* arrangement);
    KvViewArrangement* getArrangement() const { return arrangement_; }
    // Deletes the views one by one until none is left.
    void deleteDependentViews();
    // The views in the dialog (keyed by address).
    const Table& getViews() const { return views_; }

protected:
    KvDialog();
    // Deletes the views while the window kind's own operations still answer; each window kind
    // calls it from its destructor.
    void endDialog();
    Window* storedPaintWindow() const { return paintWindow_; }

private:
    Table views_;
    KvViewArrangement* arrangement_;
    Window* paintWindow_;
};
