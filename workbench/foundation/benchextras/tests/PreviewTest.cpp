// The print preview: zoom steps, whole and facing pages, paging, scrolling, printing from the
// preview and the layout after a resize, driven by its buttons and by a script.
#include "KvPreviewDialog.h"
#include "PrintTestSupport.h"

namespace {

using printtest::LineClient;
using printtest::Lines;
using printtest::PrintTest;
using printtest::RecordingPrinter;

template <class T>
T* Child(Window& window, RESOURCE_TYPE type, uint32_t id) {
    for (uint16_t i = 0; i < window.GetChildCount(); ++i)
        if (window.GetChild(i)->GetType() == type && window.GetChild(i)->GetResId() == id)
            return static_cast<T*>(window.GetChild(i));
    return nullptr;
}

std::string Text(const Fraction& f) { return std::to_string(f.GetNumerator()) + "/" + std::to_string(f.GetDenominator()); }

class PreviewTest : public PrintTest {
protected:
    void SetUp() override {
        PrintTest::SetUp();
        server_.changePrintClient(&client_);
        dialog_ = std::make_unique<KvPreviewDialog>(nullptr, &server_, nullptr);
        box_ = Child<Window>(*dialog_, RSC_CONTROL, 1);
        ASSERT_NE(box_, nullptr);
        preview_ = dynamic_cast<Preview*>(box_->GetChild(0));
        ASSERT_NE(preview_, nullptr);
    }
    void TearDown() override {
        dialog_.reset();
        PrintTest::TearDown();
    }
    void Press(uint32_t id) { Child<Button>(*dialog_, RSC_PUSHBUTTON, id)->Click(); }
    ScrollBar& Bar(uint32_t id) { return *Child<ScrollBar>(*dialog_, RSC_SCROLLBAR, id); }
    Preview* Facing() const { return box_->GetChildCount() > 1 ? dynamic_cast<Preview*>(box_->GetChild(1)) : nullptr; }

    LineClient client_{3};
    std::unique_ptr<KvPreviewDialog> dialog_;
    Window* box_ = nullptr;
    Preview* preview_ = nullptr;
};

constexpr uint32_t kZoomIn = 4, kZoomOut = 5, kActualSize = 6, kWholePage = 7, kFacing = 8, kPrevious = 9, kNext = 10,
                   kPrint = 1;

TEST_F(PreviewTest, ItStartsOnTheWholeFirstPageCentredInTheGrayBox) {
    EXPECT_EQ(dialog_->GetText(), "Print Preview");
    EXPECT_EQ(box_->GetBackgroundBrush(), Brush(Color(COL_GRAY)));
    EXPECT_EQ(Text(preview_->GetZoom()), "0/1");
    EXPECT_EQ(preview_->GetCurPage(), 1);
    EXPECT_EQ(preview_->GetPageBackground(), Brush(Color(COL_WHITE)));
    // A4 fitted into 470 by 414: 293 by 414, in the middle.
    EXPECT_EQ(preview_->GetSizePixel(), Size(293, 414));
    EXPECT_EQ(preview_->GetPosPixel(), Point(89, 0));
    EXPECT_TRUE(preview_->IsVisible());
    EXPECT_FALSE(Bar(2).IsVisible());
    EXPECT_FALSE(Bar(3).IsVisible());
    // The client was asked for its pages with the preview's draw area.
    EXPECT_EQ(client_.areas.back(), Rectangle(375, 300, 1725, 2670));
}

TEST_F(PreviewTest, ZoomStepsGoFromAQuarterByHalvesUpToSixteenAndDownToASixteenth) {
    Lines zooms;
    for (int i = 0; i < 13; ++i) {
        Press(kZoomIn);
        zooms.push_back(Text(preview_->GetZoom()));
    }
    EXPECT_EQ(zooms, (Lines{"1/4", "3/8", "9/16", "27/32", "81/64", "243/128", "729/256", "2187/512", "6561/1024",
                            "19683/2048", "59049/4096", "16/1", "16/1"}));
    Press(kWholePage);
    EXPECT_EQ(Text(preview_->GetZoom()), "0/1");
    zooms.clear();
    for (int i = 0; i < 6; ++i) {
        Press(kZoomOut);
        zooms.push_back(Text(preview_->GetZoom()));
    }
    EXPECT_EQ(zooms, (Lines{"1/4", "1/6", "1/9", "2/27", "1/16", "1/16"}));
    Press(kActualSize);
    EXPECT_EQ(Text(preview_->GetZoom()), "1/1");
}

TEST_F(PreviewTest, ScrollBarsAppearWhereThePageIsLargerThanTheBox) {
    Press(kZoomIn);  // 1/4: 210 by 297, centred, no bars
    EXPECT_EQ(preview_->GetSizePixel(), Size(210, 297));
    EXPECT_EQ(preview_->GetPosPixel(), Point(130, 59));
    EXPECT_FALSE(Bar(2).IsVisible());
    EXPECT_FALSE(Bar(3).IsVisible());

    Press(kActualSize);  // 840 by 1188 pixels: both bars, over the part of the page not shown
    EXPECT_EQ(preview_->GetSizePixel(), Size(470, 414));
    EXPECT_EQ(preview_->GetPosPixel(), Point(0, 0));
    ScrollBar& vertical = Bar(2);
    ScrollBar& horizontal = Bar(3);
    EXPECT_TRUE(vertical.IsVisible());
    EXPECT_TRUE(horizontal.IsVisible());
    EXPECT_EQ(horizontal.GetRange(), Range(0, 2100 - 1175));
    EXPECT_EQ(horizontal.GetLineSize(), 117);
    EXPECT_EQ(horizontal.GetPageSize(), 391);
    EXPECT_EQ(vertical.GetRange(), Range(0, 2970 - 1035));

    // The end of a scroll moves the page.
    horizontal.ChangeThumbPos(500);
    horizontal.EndScroll();
    vertical.ChangeThumbPos(700);
    vertical.EndScroll();
    EXPECT_EQ(preview_->GetPageOffset(), Point(500, 700));
    Press(kZoomIn);  // the thumbs stay where they were
    EXPECT_EQ(preview_->GetPageOffset(), Point(500, 700));

    Press(kWholePage);
    EXPECT_FALSE(vertical.IsVisible());
    EXPECT_FALSE(horizontal.IsVisible());
    EXPECT_EQ(horizontal.GetThumbPos(), 0);
    EXPECT_EQ(preview_->GetPageOffset(), Point(0, 0));
}

TEST_F(PreviewTest, PagingStopsAtTheFirstAndTheLastPage) {
    Press(kPrevious);
    EXPECT_EQ(preview_->GetCurPage(), 1);
    const long expected[] = {2, 3, 3};
    for (long page : expected) {
        Press(kNext);
        EXPECT_EQ(preview_->GetCurPage(), page);
    }
    Press(kPrevious);
    EXPECT_EQ(preview_->GetCurPage(), 2);
}

TEST_F(PreviewTest, FacingPagesShowTheNextPageBesideTheCurrentOne) {
    Press(kZoomIn);
    Press(kFacing);
    Preview* facing = Facing();
    ASSERT_NE(facing, nullptr);
    EXPECT_EQ(Text(preview_->GetZoom()), "0/1");
    EXPECT_EQ(Text(facing->GetZoom()), "0/1");
    EXPECT_EQ(facing->GetCurPage(), 2);
    // Each fitted into 228 by 404, meeting 2 pixels either side of the middle (235).
    EXPECT_EQ(preview_->GetSizePixel(), Size(228, 322));
    EXPECT_EQ(preview_->GetPosPixel(), Point(5, 46));
    EXPECT_EQ(facing->GetSizePixel(), Size(228, 322));
    EXPECT_EQ(facing->GetPosPixel(), Point(237, 46));
    EXPECT_TRUE(facing->IsVisible());

    Press(kNext);
    EXPECT_EQ(preview_->GetCurPage(), 2);
    EXPECT_EQ(facing->GetCurPage(), 3);
    Press(kZoomIn);  // a zoom shows one page again
    EXPECT_FALSE(facing->IsVisible());
    Press(kFacing);
    EXPECT_EQ(Facing(), facing);  // made once
    EXPECT_TRUE(facing->IsVisible());
}

TEST_F(PreviewTest, AScriptPagesThroughThePreviewAndItShowsThePageWithItsFrame) {
    SvSetScript("press #503 PushButton 10\n"
                "press #503 PushButton 10\n"
                "press #503 PushButton 9\n"
                "press \"Print Preview\" PushButton 8\n"
                "press #503 CancelButton 11\n",
                "preview.sv");
    EXPECT_EQ(dialog_->Execute(), 0);
    EXPECT_EQ(preview_->GetCurPage(), 2);
    ASSERT_NE(Facing(), nullptr);
    // Each preview painted its page: white, the footer with its number and the client's line.
    const Lines main = printtest::LogOf(*preview_), facing = printtest::LogOf(*Facing());
    ASSERT_GE(main.size(), 2u);
    EXPECT_EQ(main[1], "fill 0 0 228 322 brush=#FFFFFF/solid");
    const auto has = [](const Lines& log, const std::string& part) {
        return std::any_of(log.begin(), log.end(), [&](const std::string& l) { return l.find(part) != std::string::npos; });
    };
    EXPECT_TRUE(has(main, "\"2\" font=\"Helvetica\""));
    EXPECT_TRUE(has(main, "\"Content of page 2\""));
    EXPECT_TRUE(has(facing, "\"3\" font=\"Helvetica\""));
    EXPECT_TRUE(has(facing, "\"Inventory\" font=\"Helvetica\""));
}

TEST_F(PreviewTest, ThePrintButtonPrintsThroughThePrintDialogOnceThereIsAPrinter) {
    Button* print = Child<Button>(*dialog_, RSC_PUSHBUTTON, kPrint);
    EXPECT_FALSE(print->IsEnabled());
    EXPECT_EQ(print->GetText(), "Print...");
    Press(kPrint);  // without a printer: nothing
    EXPECT_TRUE(SvTakeBoxLog().empty());

    RecordingPrinter printer;
    EXPECT_EQ(dialog_->changePrinter(&printer), nullptr);
    EXPECT_TRUE(print->IsEnabled());
    SvSetScript("print 2 3\n", "print.sv");
    Press(kPrint);
    EXPECT_EQ(printer.pages.size(), 2u);
    EXPECT_EQ(client_.printed, (std::vector<long>{2, 3}));
    EXPECT_EQ(Boxes(), "PrintDialog parent=\"Print Preview\" text=\"\" buttons=ok,cancel printer=\"Default Printer\" pages=2-3 of 1-3 answer=ok\n");

    EXPECT_EQ(dialog_->changePrinter(nullptr), &printer);
    EXPECT_FALSE(print->IsEnabled());
}

TEST_F(PreviewTest, AfterAResizeTheBoxBarsAndButtonsKeepTheirDistancesToTheEdges) {
    dialog_->SetSizePixel(Size(700, 500));
    EXPECT_EQ(box_->GetPosPixel(), Point(10, 10));
    EXPECT_EQ(box_->GetSizePixel(), Size(570, 464));
    EXPECT_EQ(Bar(3).GetPosPixel(), Point(10, 474));
    EXPECT_EQ(Bar(3).GetSizePixel(), Size(570, 16));
    EXPECT_EQ(Bar(2).GetPosPixel(), Point(580, 10));
    EXPECT_EQ(Bar(2).GetSizePixel(), Size(16, 464));
    for (uint32_t id : {kZoomIn, kZoomOut, kActualSize, kWholePage, kFacing, kPrevious, kNext, kPrint})
        EXPECT_EQ(Child<Window>(*dialog_, RSC_PUSHBUTTON, id)->GetPosPixel().X(), 610) << id;
    EXPECT_EQ(Child<Window>(*dialog_, RSC_CANCELBUTTON, 11)->GetPosPixel(), Point(610, 416));
    // The whole page fitted into the new box.
    EXPECT_EQ(preview_->GetSizePixel(), Size(328, 464));
    EXPECT_EQ(preview_->GetPosPixel(), Point(121, 0));

    // With facing pages the two are laid out again.
    Press(kFacing);
    dialog_->SetSizePixel(Size(600, 450));
    EXPECT_EQ(preview_->GetPosPixel(), Point(5, 46));
    EXPECT_EQ(Facing()->GetPosPixel(), Point(237, 46));
}

TEST_F(PreviewTest, WithoutAClientThePreviewHasOnePage) {
    KvPrintServer bare;
    KvPreviewDialog dialog(nullptr, &bare, nullptr);
    Child<Button>(dialog, RSC_PUSHBUTTON, kNext)->Click();
    Window* box = Child<Window>(dialog, RSC_CONTROL, 1);
    EXPECT_EQ(dynamic_cast<Preview*>(box->GetChild(0))->GetCurPage(), 1);
    JobSetup landscape;
    landscape.SetOrientation(ORIENTATION_LANDSCAPE);
    KvPreviewDialog wide(nullptr, &bare, &landscape);
    Window* wideBox = Child<Window>(wide, RSC_CONTROL, 1);
    EXPECT_EQ(dynamic_cast<Preview*>(wideBox->GetChild(0))->GetSizePixel(), Size(470, 332));
}

}  // namespace
