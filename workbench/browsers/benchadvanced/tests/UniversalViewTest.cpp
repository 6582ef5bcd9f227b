// The universal view over an object of a real database: the subject picked in another view shows
// in a table (sets, arrays) or as a member tree (anything else), each view made once and kept.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "KvInteractor.h"
#include "KxGenericBrowserView.h"
#include "KxGenericObjectView.h"
#include "KxGenericSetSubjects.h"
#include "KxStatusBar.h"
#include "KxUniversalView.h"
#include "ObjectViewFixture.h"

namespace {

using viewtest::Lines;

class UniversalViewTest : public viewtest::ObjectViewFixture<KxUniversalView> {
protected:
    UniversalViewTest() : ObjectViewFixture("Browse") {}
    // The first member of the shown object whose subject passes the test.
    template <class Test>
    KvAspect* Member(Test test) {
        KvAspectSet& aspects = *subject_->gimmeYourAspects();
        for (unsigned long i = 0; KvAspect* aspect = aspects.getObject(i); ++i)
            if (aspect->aspectType() == 9 && aspect->getSubjectPtr() != nullptr && test(*aspect->getSubjectPtr()))
                return aspect;
        ADD_FAILURE() << "no such member";
        return nullptr;
    }
    KvAspect* Parts() {
        return Member([](KvSubject& s) { return dynamic_cast<KxGenericPersistentObjectSetSubject*>(&s) != nullptr; });
    }
    KvAspect* Scores() {
        return Member([](KvSubject& s) { return s.isArray() != 0; });
    }
    KvAspect* Owner() {
        return Member([](KvSubject& s) { return dynamic_cast<KxGenericObjectSubject*>(&s) != nullptr; });
    }
    // The event of another view: a value aspect, then the picked member (when there is one).
    void Pick(KvAspect* member) {
        KvAspectSet event;
        event.add(new KvAspect(KvAspectId("text"), "picked"));
        if (member != nullptr) event.add(new KvAspect(*member));
        view_->handleEvent(event, &sender_, KvVerb("navigate", nullptr, nullptr, 1));
        // The copy's subject belongs to the object's subject.
        if (KvAspect* copy = event.getObject(1)) *copy = static_cast<KvSubject*>(nullptr);
        event.deleteAspects();
        dialog_->Update();
    }
    static Lines Cells(KxGenericBrowserView& view) {
        Lines cells;
        for (const SvPaintOp& op : view.getBrowser()->GetDataWindow().GetPaintLog())
            if (op.kind == SvPaintOp::TEXT) cells.push_back(op.text.GetStr());
        return cells;
    }

    viewtest::ListenerView sender_;
};

TEST_F(UniversalViewTest, SetsAndArraysShowInOneTableEverythingElseInOneTree) {
    KxObject* item = MakeItem();
    KxUniversalView& view = Show(item, nullptr);
    view.resize(dialog_.get());
    // The object itself: a member tree.
    auto* tree = view.getObjectView();
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(view.getCurrentView(), tree);
    EXPECT_EQ(view.getBrowserView(), nullptr);

    Pick(Parts());
    KxGenericBrowserView* table = view.getBrowserView();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(view.getCurrentView(), table);
    EXPECT_EQ(table->GetRowCount(), 2);
    EXPECT_TRUE(table->getBrowser()->IsVisible());
    EXPECT_FALSE(tree->getOutliner()->IsVisible());
    EXPECT_EQ(tree->getSubject(), nullptr);
    // The table takes the universal view's place.
    short x, y, w, h;
    table->getPosAndSize(x, y, w, h);
    EXPECT_EQ(w, 400);

    Pick(Scores());
    EXPECT_EQ(view.getBrowserView(), table);  // the same table, another subject
    EXPECT_EQ(Cells(*table), (Lines{"1", "2", "3"}));

    Pick(Owner());
    EXPECT_EQ(view.getCurrentView(), tree);
    EXPECT_EQ(view.getObjectView(), tree);
    EXPECT_FALSE(table->getBrowser()->IsVisible());
    EXPECT_FALSE(table->getStatusBar()->IsVisible());
    const Lines items = viewtest::Items(*tree->getOutliner());
    EXPECT_NE(std::find(items.begin(), items.end(), "KxString    name : ann"), items.end());

    // Nothing to show: the dialog is left empty.
    Pick(nullptr);
    EXPECT_EQ(view.getCurrentView(), nullptr);
    EXPECT_FALSE(tree->getOutliner()->IsVisible());
    EXPECT_EQ(tree->getSubject(), nullptr);
}

TEST_F(UniversalViewTest, TheAttachedViewsListenToTheViewShownAndInteractorsGoToNewViews) {
    KxObject* item = MakeItem();
    KxUniversalView& view = Show(item, nullptr);
    view.resize(dialog_.get());
    KvInteractor forBoth, later;
    EXPECT_EQ(view.attachInteractor(&forBoth, KxUniversalView::bothViews), nullptr);
    EXPECT_EQ(view.getAttachedInteractor(KxUniversalView::browserView), &forBoth);
    viewtest::ListenerView listener;
    view.attachView(&listener);

    Pick(Parts());
    KxGenericBrowserView* table = view.getBrowserView();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->KvView::getAttachedInteractor(), &forBoth);
    // The object view was made before the interactor came.
    EXPECT_EQ(view.getObjectView()->KvView::getAttachedInteractor(), nullptr);
    EXPECT_EQ(view.attachInteractor(&later, KxUniversalView::browserView), &forBoth);
    EXPECT_EQ(table->KvView::getAttachedInteractor(), &forBoth);

    table->getBrowser()->GoToRow(1);
    table->getBrowser()->Select();
    EXPECT_EQ(listener.verbs, Lines{"Selection changed"});
    EXPECT_EQ(listener.sender, table);
    // Back to the tree: the table no longer talks to the listener.
    Pick(Owner());
    table->getBrowser()->GoToRow(0);
    table->getBrowser()->Select();
    EXPECT_EQ(listener.verbs.size(), 1u);
    Pick(Parts());
    EXPECT_EQ(view.getBrowserView(), table);
    view.detachView(&listener);
    view.getBrowserView()->detachView(&listener);
    view.dettachInteractor(KxUniversalView::bothViews);
    EXPECT_EQ(view.getAttachedInteractor(KxUniversalView::objectView), nullptr);
    EXPECT_EQ(view.getAttachedInteractor(KxUniversalView::browserView), nullptr);
    table->KvView::dettachInteractor();
}

}  // namespace
