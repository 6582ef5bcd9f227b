#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <string>

#include "ArrangementFixtures.h"
#include "KvEqualWidthSplitterArrangement.h"
#include "StreamCapture.h"

namespace {

// Each test has a settings file of its own.
class EqualWidth : public ::testing::Test {
protected:
    EqualWidth() {
        char name[] = "/tmp/kvequalXXXXXX";
        dir_ = mkdtemp(name);
        setenv("SV_CONFIG", (dir_ + "/settings.ini").c_str(), 1);
    }
    ~EqualWidth() override {
        unsetenv("SV_CONFIG");
        std::filesystem::remove_all(dir_);
    }
    static void Store(const char* value) {
        Config config;
        config.SetGroup("KelvoxView");
        config.WriteKey("KvEqualWidthSplitterArrangementViewWidth", value);
    }
    static std::string Stored() {
        Config config;
        config.SetGroup("KelvoxView");
        return config.ReadKey("KvEqualWidthSplitterArrangementViewWidth").GetStr();
    }
    // n views built one after the other in the dialog. A view enters its dialog while it is
    // still being built, before its own operations answer, so each is rearranged once built.
    std::vector<RecordingView*> Build(KvDialog& dialog, int n) {
        std::vector<RecordingView*> views;
        for (int i = 0; i < n; ++i) {
            views.push_back(new RecordingView(nullptr, &dialog, 30, 10));
            dialog.getArrangement()->rearrange();
        }
        return views;
    }
    std::string dir_;
};

TEST_F(EqualWidth, TheWidthComesFromTheSettings) {
    const struct {
        const char* stored;  // null: no key
        short width;
    } cases[] = {{nullptr, 100}, {"0", 100}, {"150", 150}, {"wide", 100}};
    for (const auto& c : cases) {
        if (c.stored) Store(c.stored);
        EXPECT_EQ(KvEqualWidthSplitterArrangement().getViewWidth(), c.width) << (c.stored ? c.stored : "none");
    }
}

TEST_F(EqualWidth, ViewsOfOneWidthWidenThePaintWindowAndTheScrollRange) {
    KvModelessDialog dialog(nullptr);
    dialog.SetOutputSizePixel(Size(250, 200));
    auto* arrangement = new KvEqualWidthSplitterArrangement;
    dialog.setArrangement(arrangement);
    Window* scrolling = dialog.getPaintWindow();
    ASSERT_NE(scrolling, &dialog);
    EXPECT_EQ(scrolling->GetParent(), &dialog);

    auto views = Build(dialog, 3);
    EXPECT_EQ(Place(*views[0]), (Rect4{0, 0, 100, 200}));
    EXPECT_EQ(Place(*views[1]), (Rect4{105, 0, 100, 200}));
    EXPECT_EQ(Place(*views[2]), (Rect4{210, 0, 100, 200}));
    EXPECT_EQ(scrolling->GetOutputSizePixel(), Size(310, 200));
    auto splitters = SplittersOf<KvEqualWidthSplitter>(scrolling);
    ASSERT_EQ(splitters.size(), 2u);
    EXPECT_EQ(splitters[1]->GetPosPixel(), Point(205, 0));
    EXPECT_EQ(splitters[1]->getPrevView(), views[1]);
    auto bars = SplittersOf<ScrollBar>(&dialog);
    ASSERT_EQ(bars.size(), 1u);
    EXPECT_EQ(bars[0]->GetRange(), Range(0, 103));
    EXPECT_EQ(bars[0]->GetStyle(), 0x5000u);
    // Adding the third view scrolled the second one's left edge to the left of the window.
    EXPECT_EQ(scrolling->GetPosPixel(), Point(-105, 0));
    EXPECT_EQ(bars[0]->GetThumbPos(), 35);

    // Dropping a splitter 30 pixels to the left: every view 70 wide, the last one still reaching
    // the right edge of the paint window; the width is remembered.
    Drag(splitters[0], -30);
    EXPECT_EQ(arrangement->getViewWidth(), 70);
    EXPECT_EQ(Place(*views[0]), (Rect4{0, 0, 70, 200}));
    EXPECT_EQ(Place(*views[1]), (Rect4{75, 0, 70, 200}));
    EXPECT_EQ(Place(*views[2]).x, 150);
    EXPECT_EQ(Place(*views[2]).x + Place(*views[2]).w, scrolling->GetOutputSizePixel().Width());
    EXPECT_EQ(Stored(), "70");
    EXPECT_EQ(KvEqualWidthSplitterArrangement().getViewWidth(), 70);

    // A drop that would leave no width changes nothing.
    splitters = SplittersOf<KvEqualWidthSplitter>(scrolling);
    Drag(splitters[0], -70);
    EXPECT_EQ(arrangement->getViewWidth(), 70);
    EXPECT_EQ(Stored(), "70");

    delete views[1];  // its splitter goes
    EXPECT_EQ(SplittersOf<KvEqualWidthSplitter>(scrolling).size(), 1u);
    EXPECT_EQ(Place(*views[2]).x, 75);
}

TEST_F(EqualWidth, ASingleViewIsStretchedAndResizingFollowsTheWindow) {
    KvModelessDialog dialog(nullptr);
    dialog.SetOutputSizePixel(Size(250, 200));
    dialog.setArrangement(new KvEqualWidthSplitterArrangement);
    auto views = Build(dialog, 1);
    EXPECT_EQ(Place(*views[0]), (Rect4{0, 0, 250, 200}));
    dialog.SetOutputSizePixel(Size(300, 180));
    EXPECT_EQ(dialog.getPaintWindow()->GetOutputSizePixel(), Size(300, 180));
    EXPECT_EQ(Place(*views[0]).h, 180);
}

TEST_F(EqualWidth, TheScrollBarsDragScrollsTheViews) {
    KvModelessDialog dialog(nullptr);
    dialog.SetOutputSizePixel(Size(250, 200));
    dialog.setArrangement(new KvEqualWidthSplitterArrangement);
    Build(dialog, 4);
    ScrollBar* bar = SplittersOf<ScrollBar>(&dialog).at(0);
    bar->SetSizePixel(Size(250, 16));  // a bar the mouse can reach
    dialog.resize();
    EXPECT_EQ(bar->GetPosPixel(), Point(0, 184));
    EXPECT_EQ(dialog.getPaintWindow()->GetSizePixel().Height(), 184);
    bar->ChangeThumbPos(0);
    SvPostMouseButtonDown(bar, MouseEvent(Point(18, 8)));
    SvPostMouseMove(bar, MouseEvent(Point(60, 8), 0, 0));
    SvPostMouseButtonUp(bar, MouseEvent(Point(60, 8)));
    GetpApp()->Execute();
    ASSERT_GT(bar->GetThumbPos(), 0);
    EXPECT_EQ(dialog.getPaintWindow()->GetPosPixel(), Point(-bar->GetThumbPos() * 3, 0));
}

TEST_F(EqualWidth, ASecondDialogIsRefused) {
    StreamCapture capture;
    KvModelessDialog first(nullptr), second(nullptr);
    first.setArrangement(new KvEqualWidthSplitterArrangement);
    KvViewArrangement* arrangement = first.getArrangement();
    Window* paint = first.getPaintWindow();
    capture.Take();
    EXPECT_EQ(arrangement->setDialog(&second), &first);
    EXPECT_EQ(arrangement->setDialog(&first), &first);
    EXPECT_EQ(first.getPaintWindow(), paint);
    EXPECT_EQ(second.getPaintWindow(), &second);
    const std::string text = capture.Take();
    EXPECT_EQ(text.rfind("<<< KvEqualWidthSplitterArrangement >>> setDialog() : cannot change to another dialog, ignored. ", 0), 0u)
        << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1);

    // The dialog gets its paint window back when the arrangement goes.
    delete first.setArrangement(nullptr);
    EXPECT_EQ(first.getPaintWindow(), &first);
}

}  // namespace
