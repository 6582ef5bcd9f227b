// How the outliner paints its items: indentation, tree lines, text and selection colours, icons
// through their masks, item heights, the focus and the horizontal extent; checked in the list box's
// paint log and in a picture.
#include <algorithm>

#include "OutlinerTestSupport.h"
#include "SvWindowsTestSupport.h"

namespace {

using outlinertest::Lines;
using outlinertest::OutlinerTest;

bool Has(const Lines& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::string Hex(const Color& color) {
    char text[8];
    std::snprintf(text, sizeof text, "#%06X", color.GetRGB24());
    return text;
}

TEST_F(OutlinerTest, ItemsAreIndentedTwentyPixelsALevelWithTreeLinesInTheColumns) {
    const auto n = Fill({{"Root", 0}, {"A", 1}, {"A1", 2}, {"A2", 2}, {"A2x", 3}, {"B", 1}, {"Other", 0}});
    outliner_->SetSelectedEntryPos(1);
    const Lines painted = Painted();
    EXPECT_EQ(painted.front(), "fill 0 0 200 180 brush=#FFFFFF/solid");
    const char* expected[] = {
        // Text at 20 × level + 2, on the extent (2 + text + 3) filled in the background.
        "fill 0 0 37 17 brush=#FFFFFF/solid", "text 2 2 32 13 \"Root\" font=\"\"/13 color=#000000",
        "text 62 70 24 13 \"A2x\" font=\"\"/13 color=#000000",
        // The selected item: highlight text on highlight.
        "fill 20 17 13 17 brush=#000080/solid", "text 22 19 8 13 \"A\" font=\"\"/13 color=#FFFFFF",
        // A: a later sibling (B) in its own column, the stub at the middle.
        "fill 10 17 1 17 brush=#000000/solid", "fill 11 25 9 1 brush=#000000/solid",
        // A1, a middle child: full height; the ancestor column goes on to B.
        "fill 10 34 1 17 brush=#000000/solid", "fill 30 34 1 17 brush=#000000/solid",
        // A2, the last child: from the top to the middle.
        "fill 30 51 1 8 brush=#000000/solid", "fill 31 59 9 1 brush=#000000/solid",
        // A2x: level 1 goes on, level 2 does not.
        "fill 10 68 1 17 brush=#000000/solid", "fill 50 68 1 8 brush=#000000/solid",
        // B, the last child of Root.
        "fill 10 85 1 8 brush=#000000/solid",
    };
    for (const char* line : expected) EXPECT_TRUE(Has(painted, line)) << line;
    EXPECT_FALSE(Has(painted, "fill 30 68 1 17 brush=#000000/solid"));
    EXPECT_EQ(std::count_if(painted.begin(), painted.end(), [](const std::string& l) { return l.starts_with("fill 0 102"); }),
              1);  // "Other", level 0: no lines

    EXPECT_EQ(outliner_->GetNodeRectangle(static_cast<unsigned short>(1)), Rectangle(0, 17, 199, 33));
    EXPECT_EQ(outliner_->GetNodeRectangle(n[2]), Rectangle(0, 34, 199, 50));
    EXPECT_TRUE(outliner_->GetNodeRectangle(static_cast<unsigned short>(9)).IsEmpty());

    // The widest item drawn: A2x, 60 + 29. The extent only grows (and the items with it).
    EXPECT_EQ(SendMessageA(ListBox(), LB_GETHORIZONTALEXTENT, 0, 0), 89);
    n[6]->setTextualRepresentation("A rather longer text than all others");
    Painted();
    EXPECT_EQ(SendMessageA(ListBox(), LB_GETHORIZONTALEXTENT, 0, 0), 2 + 36 * 8 + 3);
    n[6]->setTextualRepresentation("Other");
    Painted();
    EXPECT_EQ(SendMessageA(ListBox(), LB_GETHORIZONTALEXTENT, 0, 0), 2 + 36 * 8 + 3);
    EXPECT_EQ(outliner_->GetNodeRectangle(n[6]), Rectangle(0, 102, 292, 118));

}

TEST_F(OutlinerTest, TextColoursFollowTheNearestLevelAtOrBelowTheNodes) {
    Fill({{"Root", 0}, {"A", 1}, {"A1", 2}, {"A1x", 3}});
    outliner_->SetTextColorForIndentLevel(Color(COL_RED), 1);
    outliner_->SetTextColorForIndentLevel(Color(COL_BLUE), 3);
    outliner_->SetTextColorForIndentLevel(Color(0xFFFF, 0x8000, 0), 3);  // replaces blue
    outliner_->SetTextColorForIndentLevel(Color(COL_WINDOWTEXT), 0);
    const Lines painted = Painted();
    EXPECT_TRUE(Has(painted, "text 2 2 32 13 \"Root\" font=\"\"/13 color=#000000"));
    EXPECT_TRUE(Has(painted, "text 22 19 8 13 \"A\" font=\"\"/13 color=" + Hex(Color(COL_RED))));
    EXPECT_TRUE(Has(painted, "text 42 36 16 13 \"A1\" font=\"\"/13 color=" + Hex(Color(COL_RED))));
    EXPECT_TRUE(Has(painted, "text 62 53 24 13 \"A1x\" font=\"\"/13 color=#FF8000"));

    const struct {
        Color color;
        COLORREF gdi;
    } colors[] = {
        {Color(COL_BLACK), RGB(0, 0, 0)},        {Color(COL_WHITE), RGB(255, 255, 255)},
        {Color(COL_YELLOW), RGB(255, 255, 0)},   {Color(COL_HIGHLIGHT), GetSysColor(COLOR_HIGHLIGHT)},
        {Color(COL_MENU), GetSysColor(COLOR_MENU)}, {Color(0x1234, 0xABCD, 0xFFFF), RGB(0x12, 0xAB, 0xFF)},
        {Color(COL_DISABLEDFIELD), RGB(0, 0, 0)},
    };
    for (const auto& c : colors) EXPECT_EQ(KxOutlinerColorRef(c.color), c.gdi) << c.color.GetColorName();
}

TEST_F(OutlinerTest, IconsAreDrawnThroughTheirMasksAndRaiseTheItemHeight) {
    // Blue on the left half, black on the right; the mask keeps the left half and lets the
    // background through on the right.
    Bitmap icon(Size(20, 20)), mask(Size(20, 20)), closed(Size(10, 10), Color(COL_GREEN));
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            icon.SetPixel(Point(x, y), Color(x < 10 ? COL_BLUE : COL_BLACK));
            mask.SetPixel(Point(x, y), Color(x < 10 ? COL_BLACK : COL_WHITE));
        }
    auto* root = new KxOutlinerNode(outliner_);
    root->setTextualRepresentation("Root");
    root->setIconicRepresentation(&icon);
    root->setNegativIconicRepresentation(&mask);
    root->setCollapsedIconicRepresentation(&closed);
    outliner_->InsertEntry(root);
    Fill({{"Leaf", 1}});
    outliner_->SetSelectedEntryPos(0);

    // 20 pixels of icon and 4: the item is 24 high; the text moves right by the icon and 5.
    EXPECT_EQ(SendMessageA(ListBox(), LB_GETITEMHEIGHT, 0, 0), 24);
    EXPECT_EQ(SendMessageA(ListBox(), LB_GETITEMHEIGHT, 1, 0), 17);
    Lines painted = Painted();
    EXPECT_TRUE(Has(painted, "fill 0 0 62 24 brush=#000080/solid"));  // 2 + 20 + 5 + 32 + 3
    EXPECT_TRUE(Has(painted, "bitmap 2 2 20 20 picture=20x20"));
    EXPECT_TRUE(Has(painted, "text 27 2 32 13 \"Root\" font=\"\"/13 color=#FFFFFF"));

    svtest::TempDir dir;
    const std::string file = dir.Path() + "/outliner.png";
    ASSERT_TRUE(SvRenderPng(*main_, String(file.c_str())));
    svtest::Picture picture = svtest::ReadPng(file);
    ASSERT_EQ(picture.width, 300);
    EXPECT_EQ(picture.At(10 + 5, 10 + 10), Color(COL_BLUE).GetRGB24());  // the icon's left half
    EXPECT_EQ(picture.At(10 + 15, 10 + 10), 0x000080u);                 // the highlight through the mask
    EXPECT_EQ(picture.At(10 + 150, 10 + 10), 0xFFFFFFu);                // the list right of the item

    // Collapsed, the node shows its collapsed icon (without mask: copied as it is).
    outliner_->ToggleExpandBranch(root, 0);
    painted = Painted();
    EXPECT_TRUE(Has(painted, "bitmap 2 7 10 10 picture=10x10"));
    EXPECT_TRUE(Has(painted, "text 17 2 32 13 \"Root\" font=\"\"/13 color=#FFFFFF"));
    ASSERT_TRUE(SvRenderPng(*main_, String(file.c_str())));
    picture = svtest::ReadPng(file);
    EXPECT_EQ(picture.At(10 + 5, 10 + 10), Color(COL_GREEN).GetRGB24());
}

TEST_F(OutlinerTest, TheFocusIsADottedFrameAroundTheCaretNode) {
    Fill({{"Root", 0}, {"Leaf", 1}});
    outliner_->SetSelectedEntryPos(1);
    outliner_->ShowFocus();
    const Lines painted = Painted();
    EXPECT_EQ(painted.back(), "rect 20 17 37 17 pen=#000000/1/dot brush=#000000/null");
    EXPECT_TRUE(Has(events_, "GetFocus"));
}

TEST_F(OutlinerTest, TheListBoxUsesTheParentWindowsFont) {
    Font font(String("Courier"), Size(0, 20));
    font.ChangeWeight(WEIGHT_BOLD);
    font.ChangeItalic(true);
    main_->ChangeFont(font);
    Lines events;
    outlinertest::RecordingOutliner other(main_.get(), events);
    other.SetPosSizePixel(Point(0, 0), Size(100, 100));
    other.Show();
    auto* node = new KxOutlinerNode(&other);
    node->setTextualRepresentation("Big");
    other.InsertEntry(node);
    HWND list = static_cast<_KxOutlinerForWindows*>(other.GetImplDependentStuff())->listBox();
    EXPECT_EQ(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0), 24);
    main_->Update();
    Lines painted;
    for (const SvPaintOp& op : SvHandleWindow(list)->GetPaintLog()) painted.push_back(op.Line());
    EXPECT_TRUE(Has(painted, "text 2 2 36 20 \"Big\" font=\"Courier\"/20/bold/italic color=#000000"));
}

}  // namespace
