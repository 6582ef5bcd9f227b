// KvView: a presentation of one subject inside a dialog. It is told when its subject changes,
// passes user events to its subject and posts events to the views attached to it. Neither the
// view nor its subject owns the other.
#pragma once

#include "KvAspectSet.h"
#include "KvHdl.h"
#include "KvVerb.h"
#include "svlist.h"

class KvDialog;
class KvInteractor;
class KvSubject;

class KvView : public KvHdl {
public:
    // Registers with the subject's dependents and the dialog's views (each when not null).
    KvView(KvSubject* subject, KvDialog* dialog);
    ~KvView() override;

    // Calls update (hint, verb); the set is not passed on.
    virtual void update(KvAspectSet& set, long hint, const KvVerb& verb);
    virtual void update(long hint, const KvVerb& verb) = 0;
    virtual void resize(KvDialog* dialog, short x, short y, short width, short height);
    virtual void resize(KvDialog* dialog);
    virtual void show(KvDialog* dialog);
    virtual void hide(KvDialog* dialog);  // resize (dialog, 0, 0, 0, 0)
    virtual void getPosAndSize(short& x, short& y, short& width, short& height);  // all -1
    virtual void attachView(KvView* view);
    virtual void detachView(KvView* view);
    // The views attached to this one (keyed by address).
    const Table& getAttachedViews() const { return attached_; }
    // Hands the event to each attached view (sender: this view).
    virtual void postEvent(KvAspectSet& set, const KvVerb& verb);
    // Passes the event to this view's subject.
    virtual void handleEvent(KvAspectSet& set, KvView* from, const KvVerb& verb);
    virtual void getValue(KvAspectSet& set);
    virtual KvDialog* getDialog();
    virtual KvDialog* changeDialog(KvDialog* dialog);  // answers the previous dialog
    virtual KvSubject* getSubject();
    // Moves to the other subject's dependents and updates with (0, a verb without text);
    // answers the previous subject.
    virtual KvSubject* changeSubject(KvSubject* subject);
    virtual KvInteractor* attachInteractor(KvInteractor* interactor);  // answers the previous one
    virtual KvInteractor* getAttachedInteractor() const;
    virtual void dettachInteractor();  // not deleted
    virtual int getSearchWindowType() const;  // 0

    static KvView* whoIsFocused() { return _focused; }
    static KvView* whoWasFocused() { return _lastFocused; }

protected:
    // Tells every registered handle, then makes this view the focused and last focused one.
    virtual void gotFocus();
    // Forgets this view as the focused one, then tells every registered handle.
    virtual void lostFocus();
    virtual void haveBeenKilled();

private:
    friend class KvSubject;
    KvSubject* subject_;
    KvDialog* dialog_;
    Table attached_;
    KvInteractor* interactor_;

    static KvView* _focused;
    static KvView* _lastFocused;
};
