#include <gtest/gtest.h>

#include <memory>

#include "ArrangementFixtures.h"
#include "KvDualViewSplitterArrangement.h"
#include "KvEqualWidthSplitterArrangement.h"
#include "KvSplitterArrangement.h"
#include "StreamCapture.h"

namespace {

class SplitterArrangement : public ::testing::Test {
protected:
    SplitterArrangement() {
        dialog.SetOutputSizePixel(Size(300, 200));
        dialog.setArrangement(new KvSplitterArrangement);
    }
    // A view enters its dialog while it is still being built, when its own operations do not
    // answer yet: the arrangement places it at the next rearrangement.
    void Rearrange() { dialog.getArrangement()->rearrange(); }
    KvModelessDialog dialog{nullptr};
    RecordingSubject subject;
};

TEST_F(SplitterArrangement, ASingleViewFillsTheWidth) {
    auto* v = new RecordingView(&subject, &dialog, 80, 10);
    Rearrange();
    EXPECT_EQ(Place(*v), (Rect4{0, 0, 300, 200}));
    EXPECT_TRUE(SplittersOf<KvSplitter>(&dialog).empty());
}

TEST_F(SplitterArrangement, TwoViewsWithASplitterBetween) {
    auto* a = new RecordingView(&subject, &dialog, 100, 10);
    auto* b = new RecordingView(&subject, &dialog, 40, 10);
    Rearrange();
    EXPECT_EQ(Place(*a), (Rect4{0, 0, 100, 200}));
    EXPECT_EQ(Place(*b), (Rect4{105, 0, 195, 200}));
    auto splitters = SplittersOf<KvSplitter>(&dialog);
    ASSERT_EQ(splitters.size(), 1u);
    EXPECT_EQ(splitters[0]->GetPosPixel(), Point(100, 0));
    EXPECT_EQ(splitters[0]->GetSizePixel(), Size(5, 200));
    EXPECT_EQ(splitters[0]->GetStyle(), 0x1000u);
    EXPECT_EQ(splitters[0]->GetDragRectPixel(), Rectangle(0, 0, 299, 199));
    EXPECT_GE(a->shows, 1);

    Drag(splitters[0], 20);
    EXPECT_EQ(Place(*a), (Rect4{0, 0, 120, 200}));
    EXPECT_EQ(splitters[0]->GetPosPixel(), Point(120, 0));
    EXPECT_EQ(Place(*b), (Rect4{125, 0, 175, 200}));

    // A taller window: every view and splitter takes its height, the last view its width.
    dialog.SetOutputSizePixel(Size(400, 250));
    EXPECT_EQ(Place(*a), (Rect4{0, 0, 120, 250}));
    EXPECT_EQ(Place(*b), (Rect4{125, 0, 275, 250}));
    EXPECT_EQ(splitters[0]->GetSizePixel(), Size(5, 250));
    EXPECT_EQ(splitters[0]->GetDragRectPixel(), Rectangle(0, 0, 399, 249));
}

TEST_F(SplitterArrangement, RemovingAViewTakesItsSplitterWithIt) {
    auto* a = new RecordingView(&subject, &dialog, 50, 10);
    auto* b = new RecordingView(&subject, &dialog, 60, 10);
    auto* c = new RecordingView(&subject, &dialog, 70, 10);
    Rearrange();
    ASSERT_EQ(SplittersOf<KvSplitter>(&dialog).size(), 2u);
    delete b;
    auto splitters = SplittersOf<KvSplitter>(&dialog);
    ASSERT_EQ(splitters.size(), 1u);
    EXPECT_EQ(splitters[0]->getPrevView(), a);
    EXPECT_EQ(splitters[0]->getNextView(), c);
    EXPECT_EQ(splitters[0]->GetPosPixel(), Point(50, 0));
    EXPECT_EQ(Place(*c), (Rect4{55, 0, 245, 200}));

    delete a;  // the first view: the splitter after it goes
    EXPECT_TRUE(SplittersOf<KvSplitter>(&dialog).empty());
    EXPECT_EQ(Place(*c), (Rect4{0, 0, 300, 200}));
}

TEST_F(SplitterArrangement, RemovingTheFirstOfThreeKeepsOneSplitterBetweenTheOthers) {
    auto* a = new RecordingView(&subject, &dialog, 50, 10);
    auto* b = new RecordingView(&subject, &dialog, 60, 10);
    auto* c = new RecordingView(&subject, &dialog, 70, 10);
    Rearrange();
    delete a;
    auto splitters = SplittersOf<KvSplitter>(&dialog);
    ASSERT_EQ(splitters.size(), 1u);
    EXPECT_EQ(splitters[0]->getPrevView(), b);
    EXPECT_EQ(splitters[0]->getNextView(), c);
    EXPECT_EQ(Place(*b), (Rect4{0, 0, 60, 200}));
    EXPECT_EQ(Place(*c), (Rect4{65, 0, 235, 200}));
}

TEST(KvSplitter, WithoutArrangementADropOnlyReports) {
    EXPECT_EQ(DropWithoutArrangement<KvSplitter>(), "KvSplitter::Split : no arrangement set\n");
    EXPECT_EQ(DropWithoutArrangement<KvEqualWidthSplitter>(), "KvEqualWidthSplitter::Split : no arrangement set\n");
    EXPECT_EQ(DropWithoutArrangement<KvDualViewSplitter>(), "KvDualViewSplitter::Split : no arrangement set\n");
}

TEST(KvVerticalViewArrangement, StacksViewsAtTheLargestWidth) {
    KvModelessDialog dialog(nullptr);
    dialog.setArrangement(new KvVerticalViewArrangement);
    auto* a = new RecordingView(nullptr, &dialog, 100, 50);
    auto* b = new RecordingView(nullptr, &dialog, 120, 80);
    dialog.getArrangement()->rearrange();
    EXPECT_EQ(dialog.GetOutputSizePixel(), Size(120, 130));
    EXPECT_EQ(Place(*a).w, 120);
    EXPECT_EQ(Place(*b).w, 120);
    // In table order, each under the one before it.
    const Rect4 ra = Place(*a), rb = Place(*b);
    EXPECT_TRUE((ra.y == 0 && rb.y == 50) || (rb.y == 0 && ra.y == 80)) << ra << " " << rb;
    delete a;
    EXPECT_EQ(dialog.GetOutputSizePixel(), Size(120, 80));
    EXPECT_EQ(Place(*b).y, 0);
}

}  // namespace
