#include <gtest/gtest.h>

#include "ArrangementFixtures.h"
#include "KvDualViewSplitterArrangement.h"
#include "StreamCapture.h"

namespace {

TEST(KvDualViewSplitterArrangement, TwoViewsAroundASplitterThatMoves) {
    KvModelessDialog dialog(nullptr);
    dialog.SetOutputSizePixel(Size(400, 300));
    auto* arrangement = new KvDualViewSplitterArrangement;
    dialog.setArrangement(arrangement);
    auto splitters = SplittersOf<KvDualViewSplitter>(&dialog);
    ASSERT_EQ(splitters.size(), 1u);
    EXPECT_EQ(splitters[0]->GetPosPixel(), Point(200, 0));
    EXPECT_EQ(splitters[0]->GetSizePixel(), Size(5, 300));
    EXPECT_EQ(splitters[0]->GetDragRectPixel(), Rectangle(0, 0, 399, 299));

    auto* a = new RecordingView(nullptr, &dialog);
    auto* b = new RecordingView(nullptr, &dialog);
    auto* third = new RecordingView(nullptr, &dialog);
    arrangement->rearrange();  // the views answer once built
    EXPECT_EQ(Place(*a), (Rect4{0, 0, 200, 300}));
    EXPECT_EQ(Place(*b), (Rect4{205, 0, 195, 300}));
    EXPECT_EQ(third->resizes, 0) << "a third view is not taken";

    Drag(splitters[0], -80);
    EXPECT_EQ(splitters[0]->GetPosPixel(), Point(120, 0));
    EXPECT_EQ(Place(*a), (Rect4{0, 0, 120, 300}));
    EXPECT_EQ(Place(*b), (Rect4{125, 0, 275, 300}));

    // After the first view goes, a new view takes the first place.
    delete a;
    delete third;
    auto* c = new RecordingView(nullptr, &dialog);
    arrangement->rearrange();
    EXPECT_EQ(Place(*c), (Rect4{0, 0, 120, 300}));
    EXPECT_EQ(Place(*b), (Rect4{125, 0, 275, 300}));

    dialog.SetOutputSizePixel(Size(500, 200));
    EXPECT_EQ(Place(*b), (Rect4{125, 0, 375, 200}));
}

TEST(KvDualViewSplitterArrangement, TheSameDialogRearrangesAnotherIsRefused) {
    StreamCapture capture;
    KvModelessDialog first(nullptr), second(nullptr);
    first.SetOutputSizePixel(Size(400, 300));
    auto* arrangement = new KvDualViewSplitterArrangement;
    first.setArrangement(arrangement);
    auto* v = new RecordingView(nullptr, &first);
    arrangement->rearrange();
    const int placed = v->resizes;
    capture.Take();
    EXPECT_EQ(arrangement->setDialog(&first), &first);
    EXPECT_EQ(v->resizes, placed + 1);
    EXPECT_EQ(SplittersOf<KvDualViewSplitter>(&first).size(), 1u);
    EXPECT_EQ(capture.Take(), "");

    EXPECT_EQ(arrangement->setDialog(&second), &first);
    EXPECT_EQ(capture.Take().rfind("<<< KvDualViewSplitterArrangement >>> setDialog() : cannot change to another "
                                   "dialog, ignored. ", 0),
              0u);
    EXPECT_TRUE(SplittersOf<KvDualViewSplitter>(&second).empty());
}

}  // namespace
