#include <gtest/gtest.h>

#include <memory>

#include "KvInteractor.h"
#include "StreamCapture.h"
#include "ViewFixtures.h"

namespace {

const KvVerb kEdit("edit", nullptr, nullptr, 1);

TEST(KvSubject, ChangesReachEveryDependentView) {
    RecordingSubject subject;
    RecordingView a(&subject, nullptr), b(&subject, nullptr);
    KvAspectSet set;
    EXPECT_FALSE(subject.update(set, 7, kEdit));
    EXPECT_EQ(a.updates, std::vector<std::string>{"7 edit"});
    EXPECT_EQ(b.updates, std::vector<std::string>{"7 edit"});

    set.add(new KvAspect(KvAspectId(1), 1));
    EXPECT_FALSE(subject.validate(set, 0, kEdit));
    EXPECT_EQ(set.isOk(), 1);

    // The set given to a view's update is not passed on.
    a.KvView::update(set, 3, kEdit);
    EXPECT_EQ(a.updates.back(), "3 edit");

    EXPECT_EQ(subject.getSurrogateAspectId().id(), -2);
    EXPECT_EQ(subject.getSurrogateAspectId().idStr(), nullptr);
    EXPECT_EQ(subject.getObjectsCount(), 1);
    EXPECT_EQ(subject.isCompound(), 1);
    EXPECT_EQ(subject.gimmeYourVerbs(), nullptr);
}

TEST(KvSubject, AViewLeavingDuringAnUpdateIsNotCalledAfterwards) {
    RecordingSubject subject;
    std::unique_ptr<RecordingView> victim;
    struct Killer : RecordingView {
        using RecordingView::RecordingView;
        std::unique_ptr<RecordingView>* target = nullptr;
        void update(long hint, const KvVerb& verb) override {
            RecordingView::update(hint, verb);
            target->reset();
        }
    };
    // Whichever of the two comes first in the table, the victim is updated at most once and
    // never after it was destroyed (the sanitizer sees that).
    Killer killer(&subject, nullptr);
    killer.target = &victim;
    victim = std::make_unique<RecordingView>(&subject, nullptr);
    subject.changed(1, kEdit);
    EXPECT_EQ(killer.updates.size(), 1u);
    EXPECT_EQ(victim, nullptr);
}

TEST(KvSubject, EventsTravelToAttachedSubjectsOnly) {
    RecordingSubject poster, attached, parent, child;
    KvAspectSet set;
    poster.postEvent(set, kEdit);  // nobody attached: nothing
    poster.attachSubject(&attached);
    poster.addParent(&parent);
    poster.addChild(&child);
    poster.postEvent(set, kEdit);
    EXPECT_EQ(attached.log, std::vector<std::string>{"subject event edit"});
    EXPECT_EQ(attached.lastSubjectSender, &poster);
    EXPECT_TRUE(parent.log.empty());
    EXPECT_TRUE(child.log.empty());
    poster.detachSubject(&attached);
    poster.postEvent(set, kEdit);
    EXPECT_EQ(attached.log.size(), 1u);
}

TEST(KvView, EventsGoToAttachedViewsAndFromThereToTheirSubjects) {
    RecordingSubject mine, theirs;
    RecordingView poster(&mine, nullptr), receiver(&theirs, nullptr);
    KvAspectSet set;
    poster.postEvent(set, kEdit);  // none attached
    poster.attachView(&receiver);
    poster.postEvent(set, kEdit);
    EXPECT_EQ(receiver.events, std::vector<KvView*>{&poster});
    EXPECT_EQ(theirs.log, std::vector<std::string>{"view event edit"});
    EXPECT_EQ(theirs.lastViewSender, &poster);
    EXPECT_TRUE(mine.log.empty()) << "the poster's own subject is not reached";

    RecordingView lonely(nullptr, nullptr);
    lonely.handleEvent(set, &poster, kEdit);  // without subject: nothing
    EXPECT_EQ(lonely.getDialog(), nullptr);
}

TEST(KvView, ChangingTheSubjectMovesTheViewAndUpdatesItOnce) {
    RecordingSubject first, second;
    RecordingView view(&first, nullptr);
    EXPECT_EQ(view.changeSubject(&second), &first);
    EXPECT_EQ(view.updates, std::vector<std::string>{"0 -"});
    EXPECT_TRUE(view.lastVerb == KvVerb("anything", nullptr, nullptr, 0));
    EXPECT_EQ(view.lastVerb.isApplyable(), 1);
    KvAspectSet set;
    first.update(set, 1, kEdit);
    EXPECT_EQ(view.updates.size(), 1u);
    second.update(set, 2, kEdit);
    EXPECT_EQ(view.updates.back(), "2 edit");
}

TEST(KvView, InteractorsAndHiding) {
    RecordingView view(nullptr, nullptr);
    KvInteractor a, b;
    EXPECT_EQ(view.attachInteractor(&a), nullptr);
    EXPECT_EQ(view.attachInteractor(&b), &a);
    view.dettachInteractor();
    EXPECT_EQ(view.getAttachedInteractor(), nullptr);
    EXPECT_EQ(a.MouseMove(&view, nullptr, MouseEvent()), 0);

    view.x_ = 3, view.w_ = 10;
    view.hide(nullptr);
    short x, y, w, h;
    view.getPosAndSize(x, y, w, h);
    EXPECT_EQ(x + y + w + h, 0);
}

TEST(KvSubject, ParentsAndChildrenAreRecordedOnBothSides) {
    auto parent = std::make_unique<RecordingSubject>();
    RecordingSubject child;
    child.addParent(parent.get());
    child.addParent(parent.get());
    child.addParent(&child);
    child.addParent(nullptr);
    EXPECT_EQ(child.getNumParents(), 1u);
    EXPECT_EQ(parent->getNumChilds(), 1u);
    child.addChild(&child);
    EXPECT_EQ(child.getNumChilds(), 0u);

    parent.reset();
    EXPECT_EQ(child.getNumParents(), 0u);

    RecordingSubject a, b, c;
    a.addChild(&b);
    a.addChild(&c);
    EXPECT_EQ(b.getNumParents(), 1u);
    a.removeChild(&b);
    EXPECT_EQ(b.getNumParents(), 0u);
    a.clearChilds();
    EXPECT_EQ(a.getNumChilds(), 0u);
    EXPECT_EQ(c.getNumParents(), 0u);
    b.addParent(&a);
    b.clearParents();
    EXPECT_EQ(a.getNumChilds(), 0u);
}

TEST(KvSubject, ParentAndChildReadersOnlyWarn) {
    StreamCapture capture;
    RecordingSubject parent, child;
    child.addParent(&parent);
    EXPECT_EQ(child.getParent(0), nullptr);
    EXPECT_EQ(parent.getChild(0), nullptr);
    EXPECT_EQ(capture.Take(),
              "WARNING WARNING WARNING\tKvSubject::getParent, sorry not implemented!!!\n"
              "WARNING WARNING WARNING\tKvSubject::getChild, sorry not implemented!!!\n");
}

TEST(KvSubject, ADestroyedSubjectIsForgottenByItsViews) {
    auto subject = std::make_unique<RecordingSubject>();
    RecordingView view(subject.get(), nullptr);
    subject.reset();
    EXPECT_EQ(view.getSubject(), nullptr);  // the view's destructor must not reach it either
}

// A handle that records the focus changes it hears.
class Listener : public KvView {
public:
    Listener() : KvView(nullptr, nullptr) {}
    void update(long, const KvVerb&) override {}
    void notifyFocus(KvView& v) override { heard.push_back(&v); }
    void notifyDefocus(KvView& v) override { lost.push_back(&v); }
    using KvHdl::isRegisteredForNotification;
    std::vector<KvView*> heard, lost;
};

TEST(KvView, FocusIsBroadcastToRegisteredHandles) {
    Listener listener;
    auto other = std::make_unique<Listener>();
    RecordingView a(nullptr, nullptr), b(nullptr, nullptr);
    a.focus();  // nobody registered yet
    EXPECT_TRUE(listener.heard.empty());

    listener.registerForNotification();
    listener.registerForNotification();
    other->registerForNotification();
    EXPECT_EQ(listener.isRegisteredForNotification(), 1);
    other.reset();  // leaves the list

    b.focus();
    EXPECT_EQ(listener.heard, std::vector<KvView*>{&b}) << "once, though registered twice";
    EXPECT_EQ(KvView::whoIsFocused(), &b);
    EXPECT_EQ(KvView::whoWasFocused(), &b);

    a.unfocus();  // not the focused one: focus stays, the defocus is still broadcast
    EXPECT_EQ(KvView::whoIsFocused(), &b);
    EXPECT_EQ(listener.lost, std::vector<KvView*>{&a});
    b.unfocus();
    EXPECT_EQ(KvView::whoIsFocused(), nullptr);
    EXPECT_EQ(KvView::whoWasFocused(), &b);
    {
        RecordingView gone(nullptr, nullptr);
        gone.focus();
    }
    EXPECT_EQ(KvView::whoIsFocused(), nullptr);
    EXPECT_EQ(KvView::whoWasFocused(), nullptr);
}

}  // namespace
