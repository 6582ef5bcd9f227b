// KxUniversalView: a compound view that shows whatever subject the user picks in another view: a
// container or an array in a table (KxGenericBrowserView), any other subject as a member tree
// (KxGenericObjectView). Each concrete view is made the first time it is needed and kept; one is
// shown at a time, and the views attached to the universal view are attached to the one shown.
#pragma once

#include "KvAspectId.h"
#include "KvCompoundView.h"
#include "KxOutlinerTagMapper.h"

class KvInteractor;
class KxGenericBrowserView;
class KxGenericObjectView;

class KxUniversalView : public KvCompoundView {
public:
    enum ConcreteView { objectView = 1, browserView = 2, bothViews = 3 };

    // The mapper (not owned) goes to the object view when it is made.
    KxUniversalView(KvSubject* subject, KvDialog* dialog, KxOutlinerTagMapper* mapper);
    ~KxUniversalView() override;

    // The interactor for the object view (1), the browser view (2) or both (3), attached to a
    // concrete view when that view is made; answers the previous one (the browser view's for 3).
    virtual KvInteractor* attachInteractor(KvInteractor* interactor, ConcreteView which);
    virtual KvInteractor* getAttachedInteractor(ConcreteView which);
    virtual void dettachInteractor(ConcreteView which);
    using KvView::attachInteractor;
    using KvView::getAttachedInteractor;
    using KvView::dettachInteractor;

    // Shows the subject of the set's first subject aspect (nothing shown without one); the event
    // is not passed on.
    void handleEvent(KvAspectSet& set, KvView* from, const KvVerb& verb) override;
    // The shown view's values.
    void getValue(KvAspectSet& set) override;
    // Shows the concrete view now current only.
    void show(KvDialog* dialog) override;

    KvView* getCurrentView() const;
    KxGenericBrowserView* getBrowserView() const;
    KxGenericObjectView* getObjectView() const;

private:
    struct SwitchRecord;
    void displayResponsibleView();
    // The current view takes the place of the universal view.
    void place(KvView* view);

    KxOutlinerTagMapper* tagMapper_;
    SwitchRecord* switch_;
};
