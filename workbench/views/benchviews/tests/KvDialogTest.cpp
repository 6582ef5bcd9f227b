#include <gtest/gtest.h>

#include <memory>

#include "KvCompoundView.h"
#include "KvDialogs.h"
#include "KvViewArrangement.h"
#include "ViewFixtures.h"
#include "sv.h"

namespace {

// An arrangement that records what its dialog tells it.
class RecordingArrangement : public KvViewArrangement {
public:
    explicit RecordingArrangement(int* deaths = nullptr) : deaths_(deaths) {}
    ~RecordingArrangement() override {
        if (deaths_) ++*deaths_;
    }
    void addView(KvView* v) override { added.push_back(v); }
    void removeView(KvView* v) override { removed.push_back(v); }
    void resize() override { ++resizes; }
    std::vector<KvView*> added, removed;
    int resizes = 0;
    int* deaths_;
};

// Counts the deaths of its views.
class MortalView : public RecordingView {
public:
    MortalView(KvSubject* s, KvDialog* d, int& deaths) : RecordingView(s, d), deaths_(deaths) {}
    ~MortalView() override { ++deaths_; }

private:
    int& deaths_;
};

TEST(KvDialog, ResizeGoesToTheArrangementOrElseToEveryView) {
    KvModalDialog dialog(nullptr);
    RecordingView a(nullptr, &dialog), b(nullptr, &dialog);
    dialog.SetOutputSizePixel(Size(300, 200));  // the window's Resize resizes the dialog
    EXPECT_EQ(a.dialogResizes, 1);
    EXPECT_EQ(b.dialogResizes, 1);

    auto* arrangement = new RecordingArrangement;
    EXPECT_EQ(dialog.setArrangement(arrangement), nullptr);
    EXPECT_EQ(arrangement->getDialog(), &dialog);
    dialog.resize();
    EXPECT_EQ(arrangement->resizes, 1);
    EXPECT_EQ(a.dialogResizes, 1) << "with an arrangement, only it is asked";

    RecordingView c(nullptr, &dialog);
    EXPECT_EQ(arrangement->added, std::vector<KvView*>{&c});
    EXPECT_EQ(c.changeDialog(nullptr), &dialog);
    EXPECT_EQ(arrangement->removed, std::vector<KvView*>{&c});
    EXPECT_EQ(dialog.getViews().Count(), 2u);

    int deaths = 0;
    std::unique_ptr<RecordingArrangement> previous(
        static_cast<RecordingArrangement*>(dialog.setArrangement(nullptr)));
    EXPECT_EQ(previous.get(), arrangement);
    EXPECT_EQ(dialog.getArrangement(), nullptr);
    dialog.setArrangement(new RecordingArrangement(&deaths));
    previous.reset();
    EXPECT_EQ(deaths, 0);
    std::unique_ptr<KvViewArrangement> second(dialog.setArrangement(nullptr));
    EXPECT_EQ(deaths, 0) << "setArrangement never deletes the previous one";
}

TEST(KvDialog, PaintWindowIsTheWindowUnlessOneIsSet) {
    KvModelessDialog dialog(nullptr);
    EXPECT_EQ(dialog.getPaintWindow(), &dialog);
    EXPECT_EQ(dialog.getDialogWindow(), &dialog);
    EXPECT_EQ(dialog.GetStyle(), 0x0120u);
    Window inner(&dialog, 0);
    EXPECT_EQ(dialog.setPaintWindow(&inner), nullptr);
    EXPECT_EQ(dialog.getPaintWindow(), &inner);
    EXPECT_EQ(dialog.setPaintWindow(nullptr), &inner);

    KvFloatingWindowDialog floating(nullptr);
    KvAppWindowDialog app(nullptr, 0x0300);
    KvModalDialog modal(nullptr);
    EXPECT_EQ(floating.GetStyle(), 0x0100u);
    EXPECT_EQ(app.GetStyle(), 0x0300u);
    EXPECT_EQ(modal.GetStyle(), 0x0020u);
}

TEST(KvDialog, DestroyingADialogDeletesItsViewsAndItsArrangement) {
    int views = 0, arrangements = 0;
    RecordingSubject subject;
    {
        KvFloatingWindowDialog dialog(nullptr);
        dialog.setArrangement(new RecordingArrangement(&arrangements));
        new MortalView(&subject, &dialog, views);
        new MortalView(&subject, &dialog, views);
    }
    EXPECT_EQ(views, 2);
    EXPECT_EQ(arrangements, 1);
    KvAspectSet set;
    subject.update(set, 0, KvVerb());  // no dependent left behind
}

TEST(KvDialog, ClosingAnMdiDialogDestroysItWithItsViews) {
    WorkWindow main(nullptr, 0);
    int views = 0;
    auto* child = new KvMDIDialog(&main);
    EXPECT_EQ(child->GetStyle(), 0x0100u);
    new MortalView(nullptr, child, views);
    SvPostClose(child);
    GetpApp()->Execute();
    EXPECT_EQ(views, 1);
    EXPECT_EQ(main.GetChildCount(), 0u);
}

TEST(KvCompoundView, InnerViewsShareUpdatesEventsAndPlaces) {
    KvModalDialog outer(nullptr);
    outer.SetOutputSizePixel(Size(320, 240));
    RecordingSubject subject, innerSubject;
    auto* compound = new KvCompoundView(&subject, &outer);
    auto& a = *new RecordingView(&innerSubject, compound);  // the compound view owns them
    auto& b = *new RecordingView(&innerSubject, compound);
    EXPECT_EQ(compound->getPaintWindow(), &outer);
    EXPECT_EQ(compound->getDialogWindow(), &outer);

    KvAspectSet set;
    subject.update(set, 4, KvVerb("open", nullptr, nullptr, 1));
    EXPECT_EQ(a.updates, std::vector<std::string>{"4 open"});
    EXPECT_EQ(b.updates, std::vector<std::string>{"4 open"});

    compound->resize(&outer, 1, 2, 30, 40);
    short x, y, w, h;
    compound->getPosAndSize(x, y, w, h);
    EXPECT_EQ((std::vector<short>{x, y, w, h}), (std::vector<short>{1, 2, 30, 40}));
    EXPECT_EQ(a.w_, 30);
    compound->resize(&outer);
    compound->getPosAndSize(x, y, w, h);
    EXPECT_EQ((std::vector<short>{w, h}), (std::vector<short>{320, 240}));
    EXPECT_EQ(b.dialogResizes, 1);

    RecordingView sender(nullptr, nullptr);
    compound->handleEvent(set, &sender, KvVerb("pick", nullptr, nullptr, 1));
    EXPECT_EQ(a.events, std::vector<KvView*>{&sender});
    EXPECT_EQ(innerSubject.log.size(), 2u);
    EXPECT_TRUE(subject.log.empty()) << "the compound view's own subject is not called";
    compound->show(&outer);
    EXPECT_EQ(a.shows, 1);
    int deaths = 0;
    new MortalView(nullptr, compound, deaths);
    delete compound;
    EXPECT_EQ(deaths, 1);
    EXPECT_EQ(outer.getViews().Count(), 0u);
}

TEST(KvCompoundView, WithoutOuterDialogThereIsNoWindow) {
    KvCompoundView compound(nullptr, nullptr);
    EXPECT_EQ(compound.getPaintWindow(), nullptr);
    EXPECT_EQ(compound.getDialogWindow(), nullptr);

    KvModalDialog outer(nullptr);
    Control control(&outer, 0);
    KvCompoundControlView controlView(nullptr, &outer, &control);
    EXPECT_EQ(controlView.getPaintWindow(), &control);
    EXPECT_EQ(controlView.getDialogWindow(), &outer);
}

}  // namespace
