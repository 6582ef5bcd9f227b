// The status bar (message item, help text, progress bar), the tool bar along the top and the browse
// box that remembers its column widths in the configuration.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "KxBrowseBox.h"
#include "KxStatusBar.h"
#include "KxToolBar.h"
#include "SvWindowsTestSupport.h"

namespace {

using Lines = std::vector<std::string>;

Lines LogOf(const OutputDevice& device) {
    Lines lines{""};
    for (const SvPaintOp& op : device.GetPaintLog()) lines.push_back(op.Line());
    return lines;
}

Lines Rects(const OutputDevice& device) {
    Lines lines;
    for (const std::string& line : LogOf(device))
        if (line.starts_with("rect ")) lines.push_back(line);
    return lines;
}

class BarsTest : public svtest::WindowsTest {
protected:
    void SetUp() override {
        svtest::WindowsTest::SetUp();
        main_ = std::make_unique<WorkWindow>(nullptr);
        main_->SetText("Main");
        main_->SetOutputSizePixel(Size(500, 300));
        main_->Show();
    }
    std::unique_ptr<WorkWindow> main_;
};

constexpr const char* kFrame = "rect 400 6 88 10 pen=#808080/1/solid brush=#FFFFFF/solid";

std::string Segment(int i) {
    // Segments 4 wide: from 400 + 2 + 4i + 2 to 400 + 2 + 4i + 4, from 8 to 13.
    return "rect " + std::to_string(404 + 4 * i) + " 8 3 6 pen=#000080/1/solid brush=#000080/solid";
}

TEST_F(BarsTest, TheStatusBarLiesAlongTheParentsBottomWithItsMessageItem) {
    KxStatusBar bar(main_.get(), 0);
    bar.Show();
    EXPECT_EQ(bar.GetPosPixel(), Point(0, 280));
    EXPECT_EQ(bar.GetSizePixel(), Size(500, 20));
    EXPECT_EQ(bar.GetItemCount(), 1);
    EXPECT_EQ(bar.GetItemWidth(KxStatusBar::kMessageItem), 490);
    EXPECT_EQ(bar.GetItemOffset(KxStatusBar::kMessageItem), 5);

    bar.DisplayNormalMessage("Ready");
    bar.DisplayHelpText("Opens a base");
    EXPECT_FALSE(bar.AreItemsVisible());
    main_->Update();
    EXPECT_EQ(LogOf(bar).back(), "text 3 3 96 13 \"Opens a base\" font=\"\"/13 color=#000000");
    bar.DisplayNormalMessage("Done");
    main_->Update();
    EXPECT_TRUE(bar.AreItemsVisible());
    EXPECT_EQ(LogOf(bar).back(), "text 7 3 32 13 \"Done\" font=\"\"/13 color=#000000");

    // The parent grows: the bar follows, its message kept.
    main_->SetOutputSizePixel(Size(640, 400));
    bar.ResizeToParent();
    EXPECT_EQ(bar.GetPosPixel(), Point(0, 380));
    EXPECT_EQ(bar.GetSizePixel(), Size(640, 20));
    EXPECT_EQ(bar.GetItemWidth(KxStatusBar::kMessageItem), 630);
    EXPECT_EQ(bar.GetItemText(KxStatusBar::kMessageItem), "Done");
    bar.resize(10, 20, 300, 24);
    EXPECT_EQ(bar.GetPosPixel(), Point(10, 20));
    EXPECT_EQ(bar.GetSizePixel(), Size(300, 24));
    EXPECT_EQ(bar.GetItemWidth(KxStatusBar::kMessageItem), 290);
    EXPECT_EQ(bar.GetItemText(KxStatusBar::kMessageItem), "Done");
}

TEST_F(BarsTest, TheProgressBarAddsASegmentForEveryFivePercent) {
    KxStatusBar bar(main_.get(), 0);
    bar.Show();
    const struct {
        short percent;
        int segments;
    } cases[] = {{4, 0}, {5, 1}, {50, 10}, {99, 19}, {100, 20}};
    for (const auto& c : cases) {
        const size_t before = Rects(bar).size();
        bar.SetProgressBar(c.percent);
        const Lines rects = Rects(bar);
        Lines expected{kFrame};
        for (int i = 0; i < c.segments; ++i) expected.push_back(Segment(i));
        EXPECT_EQ(Lines(rects.begin() + before, rects.end()), expected) << c.percent;
    }
    // Painted over the bar, the pen and brush are the bar's again.
    EXPECT_EQ(bar.GetPen(), Pen());
    EXPECT_EQ(bar.GetFillInBrush(), Brush(Color(COL_WHITE)));

    // A repaint of the bar keeps the progress bar.
    bar.DisplayNormalMessage("Loading");
    main_->Update();
    EXPECT_EQ(Rects(bar).size(), 21u);
    EXPECT_EQ(LogOf(bar).back(), Segment(19));

    // Cleared, the area is placed again from the bar's size when next shown.
    bar.ClearProgressBar();
    EXPECT_EQ(LogOf(bar).back(), "rect 398 5 91 12 pen=#000000/1/solid brush=#FFFFFF/solid");
    bar.Invalidate();
    main_->Update();
    EXPECT_EQ(Rects(bar), Lines{});
    bar.resize(0, 0, 300, 30);
    main_->Update();
    bar.SetProgressBar(10);  // segments (287 - 240 - 25) / 20 + 1 = 2 wide
    EXPECT_EQ(Rects(bar), (Lines{"rect 240 16 48 10 pen=#808080/1/solid brush=#FFFFFF/solid",
                                 "rect 244 18 1 6 pen=#000080/1/solid brush=#000080/solid",
                                 "rect 246 18 1 6 pen=#000080/1/solid brush=#000080/solid"}));
}

TEST_F(BarsTest, TheToolBarSpansTheParentsTopAndItsButtonsSelect) {
    KxToolBar bar(main_.get(), 0);
    const long height = bar.GetSizePixel().Height();
    EXPECT_EQ(bar.GetPosPixel(), Point(0, 0));
    EXPECT_EQ(bar.GetSizePixel().Width(), 500);
    bar.InsertItem(11, String("Open"));
    bar.InsertSeparator();
    bar.InsertItem(12, String("Close"));
    bar.EnableItem(12, false);
    bar.SetSizePixel(Size(500, bar.CalcWindowSizePixel().Height()));
    bar.Show();
    struct Selected {
        std::vector<uint16_t> ids;
        static long Stub(void* object, void* caller) {
            static_cast<Selected*>(object)->ids.push_back(static_cast<ToolBox*>(caller)->GetCurItemId());
            return 1;
        }
    } selected;
    bar.ChangeSelectHdl(Link(&selected, &Selected::Stub));
    main_->Update();
    ASSERT_TRUE(SvPostClickText(main_.get(), "Open"));
    ASSERT_TRUE(SvPostClickText(main_.get(), "Close"));  // disabled: nothing
    GetpApp()->Execute();
    EXPECT_EQ(selected.ids, std::vector<uint16_t>{11});

    main_->SetOutputSizePixel(Size(320, 200));
    bar.ResizeToParent();
    EXPECT_EQ(bar.GetSizePixel().Width(), 320);
    EXPECT_NE(bar.GetSizePixel().Height(), height);  // the height it was given is kept
}

class BrowseBoxTest : public BarsTest {
protected:
    void SetUp() override {
        BarsTest::SetUp();
        file_ = dir_.Path() + "/settings.ini";
        setenv("SV_CONFIG", file_.c_str(), 1);
    }
    void TearDown() override { unsetenv("SV_CONFIG"); }
    std::string Stored() const {
        Config config;
        config.SetGroup("Tessaform Workbench");
        return config.ReadKey("Columns").GetStr();
    }
    svtest::TempDir dir_;
    std::string file_;
};

TEST_F(BrowseBoxTest, ColumnWidthsAreStoredWhenAColumnIsResizedAndWhenTheBoxGoes) {
    {
        KxBrowseBox box(main_.get(), 0, 0, "Tessaform Workbench", "Columns");
        EXPECT_TRUE(box.IsVisible());
        box.SetPosSizePixel(Point(0, 0), Size(400, 200));
        box.InsertDataColumn(1, "Name", 120, 0);
        box.InsertDataColumn(2, "Value", 80, 0);
        box.InsertDataColumn(2, "Again", 50, 0);  // present: not counted
        box.storeActualColWidths();
        EXPECT_EQ(Stored(), "120,80,");

        // Dragging the right edge of the first column (in the title row) to 150.
        main_->Update();
        SvPostMouseButtonDown(main_.get(), MouseEvent(Point(119, 5)));
        SvPostMouseButtonUp(main_.get(), MouseEvent(Point(149, 5)));
        GetpApp()->Execute();
        EXPECT_EQ(Stored(), "150,80,");
        box.SetColumnWidth(2, 60);
    }
    EXPECT_EQ(Stored(), "150,60,");

    KxBrowseBox box(main_.get(), 0, 0, "Tessaform Workbench", "Columns");
    EXPECT_EQ(box.getDefaultColWidth(1), 150);
    EXPECT_EQ(box.getDefaultColWidth(2), 60);
    EXPECT_EQ(box.getDefaultColWidth(3), 100);
    box.RemoveColumns();
}

TEST_F(BrowseBoxTest, DefaultWidthsComeFromTheStoredTokens) {
    Config config;
    config.SetGroup("Tessaform Workbench");
    KxBrowseBox box(main_.get(), 0, 0, "Tessaform Workbench", "Columns");
    const struct {
        const char* stored;
        int column;
        int width;
    } cases[] = {
        {"120,,90,", 1, 120}, {"120,,90,", 2, 100}, {"120,,90,", 3, 90}, {"120,,90,", 4, 100},
        {"120,,90,", 5, 100}, {"77", 1, 77},          {nullptr, 1, 100},
    };
    for (const auto& c : cases) {
        if (c.stored != nullptr) config.WriteKey("Columns", c.stored);
        else config.DeleteKey("Columns");
        EXPECT_EQ(box.getDefaultColWidth(c.column), c.width) << (c.stored ? c.stored : "none") << " " << c.column;
    }
}

TEST_F(BrowseBoxTest, WithoutGroupOrKeyNothingIsReadOrWritten) {
    Config config;
    config.SetGroup("Tessaform Workbench");
    config.WriteKey("Columns", "120,80,");
    const std::string before = svtest::Read(file_);
    for (const auto& [group, key] : std::vector<std::pair<const char*, const char*>>{
             {nullptr, "Columns"}, {"Tessaform Workbench", nullptr}, {"", "Columns"}}) {
        KxBrowseBox box(main_.get(), 0, 0, group, key);
        box.InsertDataColumn(1, "Name", 30, 0);
        EXPECT_EQ(box.getDefaultColWidth(1), 100);
        box.storeActualColWidths();
    }
    EXPECT_EQ(svtest::Read(file_), before);
}

TEST_F(BrowseBoxTest, TheBoxTakesTheParentsFontBoldForTheTitlesAndItsBackground) {
    main_->ChangeFont(Font(String("Arial"), Size(0, 15)));
    main_->ChangeBackgroundBrush(Brush(Color(COL_CYAN)));
    KxBrowseBox box(main_.get(), 0, 0, nullptr, nullptr);
    EXPECT_EQ(box.GetFont().GetName(), "Arial");
    EXPECT_EQ(box.GetTitleFont().GetName(), "Arial");
    EXPECT_EQ(box.GetTitleFont().GetWeight(), WEIGHT_BOLD);
    EXPECT_EQ(box.GetBackgroundBrush(), Brush(Color(COL_CYAN)));
    EXPECT_EQ(box.GetFillInBrush(), Brush(Color(COL_CYAN)));
    EXPECT_EQ(box.GetDataWindow().GetBackgroundBrush(), Brush(Color(COL_CYAN)));

    KxBrowseBox alone(nullptr, 0, 0, nullptr, nullptr);
    EXPECT_NE(alone.GetBackgroundBrush(), Brush(Color(COL_CYAN)));
}

}  // namespace
