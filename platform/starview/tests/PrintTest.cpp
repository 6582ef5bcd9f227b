// Printing: a job's handlers and its pages, aborting, orientation and page offset, the print dialog
// answered by the script, and the preview that draws a page as a printer would.
#include "SvWindowsTestSupport.h"

namespace {

using Lines = std::vector<std::string>;

class PrintTest : public svtest::WindowsTest {};

// Draws each page (a frame and its number) from the print-page handler and records the handlers.
struct Job {
    Lines events;
    long abortOnPage = 0;
    SV_DECL_LINK(Start, Printer*);
    SV_DECL_LINK(Page, Printer*);
    SV_DECL_LINK(End, Printer*);

    void Attach(Printer& p) {
        p.ChangeStartPrintHdl(SV_LINK(this, Job, Start));
        p.ChangePrintPageHdl(SV_LINK(this, Job, Page));
        p.ChangeEndPrintHdl(SV_LINK(this, Job, End));
    }
};

SV_IMPL_LINK(Job, Start, Printer*, p) {
    events.push_back("start " + std::string(p->GetJobName().GetStr()));
    return 1;
}

SV_IMPL_LINK(Job, Page, Printer*, p) {
    std::string log = SvPaintLogText(*p);
    if (!log.empty()) log.pop_back();
    events.push_back("page " + std::to_string(p->GetCurPage()) + ": " + log);
    if (p->GetCurPage() == abortOnPage) p->AbortJob();
    return 1;
}

SV_IMPL_LINK(Job, End, Printer*, p) {
    events.push_back(std::string("end ") + (p->IsJobActive() ? "active" : "done"));
    return 1;
}

// Prints pages 1 to n as the print dialog's caller does: each page a rectangle and its number in
// map mode 1.
Lines Print(Printer& printer, Job& job, long pages) {
    Lines results;
    job.Attach(printer);
    results.push_back(std::string("StartJob ") + (printer.StartJob("Report") ? "1" : "0"));
    for (long page = 1; page <= pages; ++page) {
        const bool started = printer.StartPage();
        printer.Push();
        printer.SetMapMode(MapMode(MAP_10TH_MM));
        printer.DrawRect(Rectangle(Point(375, 300), Point(1725, 2670)));
        printer.DrawText(Point(1000, 2800), String(page));
        printer.Pop();
        const bool ended = printer.EndPage();
        results.push_back("page " + std::to_string(page) + " " + (started ? "1" : "0") + (ended ? "1" : "0"));
    }
    results.push_back(std::string("EndJob ") + (printer.EndJob() ? "1" : "0"));
    return results;
}

// The files of a folder with the serial number of each replaced by N.
Lines Unnumbered(const Lines& files) {
    Lines names;
    for (std::string f : files) {
        const size_t dot = f.rfind('.'), dash = f.rfind('-', dot);
        if (dash != std::string::npos) f.replace(dash + 1, dot - dash - 1, "N");
        names.push_back(f);
    }
    return names;
}

const char* const kFrame = "rect 150 120 541 949 pen=#000000/1/solid brush=#FFFFFF/solid";

TEST_F(PrintTest, AJobOfThreePagesCallsItsHandlersInOrderAndWritesEachPage) {
    svtest::TempDir dir;
    setenv("SV_PAINT_DIR", dir.Path().c_str(), 1);
    Printer printer;
    Job job;
    const Lines results = Print(printer, job, 3);
    unsetenv("SV_PAINT_DIR");
    EXPECT_EQ(results, (Lines{"StartJob 1", "page 1 11", "page 2 11", "page 3 11", "EndJob 1"}));
    // At 4 pixels a millimetre: 375 tenths are 150 pixels; the text's 13 are 5 pixels high.
    EXPECT_EQ(job.events, (Lines{
                              "start Report",
                              std::string("page 1: ") + kFrame + "\ntext 400 1120 3 5 \"1\" font=\"\"/5 color=#000000",
                              std::string("page 2: ") + kFrame + "\ntext 400 1120 3 5 \"2\" font=\"\"/5 color=#000000",
                              std::string("page 3: ") + kFrame + "\ntext 400 1120 3 5 \"3\" font=\"\"/5 color=#000000",
                              "end done",
                          }));
    const Lines files = dir.Files();
    EXPECT_EQ(Unnumbered(files), (Lines{"Report-page1-N.log", "Report-page1-N.png", "Report-page2-N.log",
                                        "Report-page2-N.png", "Report-page3-N.log", "Report-page3-N.png"}));
    ASSERT_EQ(files.size(), 6u);
    EXPECT_EQ(svtest::Read(dir.Path() + "/" + files[2]),
              std::string("page 2 \"Report\" size 840 1188\n  ") + kFrame +
                  "\n  text 400 1120 3 5 \"2\" font=\"\"/5 color=#000000\n");
    const svtest::Picture page = svtest::ReadPng(dir.Path() + "/" + files[3]);
    ASSERT_EQ(page.width, 840);
    ASSERT_EQ(page.height, 1188);
    EXPECT_EQ(page.At(150, 500), 0x000000u);  // the frame's left edge
    EXPECT_EQ(page.At(100, 100), 0xFFFFFFu);  // the paper
    EXPECT_FALSE(printer.IsJobActive());
}

TEST_F(PrintTest, AbortingInTheSecondPagesHandlerEndsTheJobWithoutAThirdPage) {
    svtest::TempDir dir;
    setenv("SV_PAINT_DIR", dir.Path().c_str(), 1);
    Printer printer;
    Job job;
    job.abortOnPage = 2;
    const Lines results = Print(printer, job, 3);
    unsetenv("SV_PAINT_DIR");
    EXPECT_EQ(results, (Lines{"StartJob 1", "page 1 11", "page 2 10", "page 3 00", "EndJob 0"}));
    ASSERT_EQ(job.events.size(), 4u);
    EXPECT_TRUE(job.events[1].starts_with("page 1: "));
    EXPECT_TRUE(job.events[2].starts_with("page 2: "));
    EXPECT_EQ(job.events[3], "end done");
    EXPECT_EQ(Unnumbered(dir.Files()), (Lines{"Report-page1-N.log", "Report-page1-N.png"}));  // the aborted page is dropped
    EXPECT_EQ(printer.GetCurPage(), 2);
    EXPECT_FALSE(printer.AbortJob());
    // A new job starts from page 1.
    Job again;
    EXPECT_EQ(Print(printer, again, 1), (Lines{"StartJob 1", "page 1 11", "EndJob 1"}));
}

TEST_F(PrintTest, OrientationAndPageOffsetShapeTheOutput) {
    Printer printer;
    EXPECT_EQ(printer.GetName(), "Default Printer");
    EXPECT_EQ(printer.GetOutputSizePixel(), Size(840, 1188));
    EXPECT_EQ(printer.GetOutputSize(), Size(840, 1188));  // map mode 0: pixels
    printer.SetMapMode(MapMode(MAP_10TH_MM));
    const struct {
        Orientation orientation;
        Point offset;
        Size output;
        Size paper;
    } cases[] = {
        {ORIENTATION_PORTRAIT, Point(0, 0), Size(2100, 2970), Size(2100, 2970)},
        {ORIENTATION_LANDSCAPE, Point(0, 0), Size(2970, 2100), Size(2970, 2100)},
        {ORIENTATION_PORTRAIT, Point(50, 100), Size(2000, 2770), Size(2100, 2970)},
    };
    for (const auto& c : cases) {
        printer.SetOrientation(c.orientation);
        printer.SvSetPageOffset(c.offset);
        EXPECT_EQ(printer.GetOrientation(), c.orientation);
        EXPECT_EQ(printer.GetPageOffset(), c.offset);
        EXPECT_EQ(printer.GetOutputSize(), c.output);
        EXPECT_EQ(printer.GetPaperSize(), c.paper);
    }
    JobSetup setup;
    setup.SetPrinterName("Laser");
    setup.SetOrientation(ORIENTATION_LANDSCAPE);
    printer.SetJobSetup(setup);
    EXPECT_EQ(printer.GetJobSetup(), setup);
    EXPECT_EQ(printer.GetPaperSizePixel(), Size(1188, 840));
}

TEST_F(PrintTest, APrintDialogReturnsTheScriptedRange) {
    WorkWindow main(nullptr);
    main.SetText("Main");
    Printer printer;
    PrintDialog dialog(&main, 4);
    EXPECT_EQ(dialog.ChangePrinter(&printer), nullptr);
    EXPECT_EQ(dialog.GetPrinter(), &printer);
    dialog.SetMinPage(1);
    dialog.SetMaxPage(10);
    dialog.EnableRange();
    SvSetScript("print 2 3\nprint all\nprint cancel\n", "print.sv");
    const struct {
        short result;
        long first, last;
    } cases[] = {{1, 2, 3}, {1, 1, 10}, {0, 1, 10}, {0, 1, 10}};
    for (const auto& c : cases) {
        EXPECT_EQ(dialog.Execute(), c.result);
        EXPECT_EQ(dialog.GetFirstPage(), c.first);
        EXPECT_EQ(dialog.GetLastPage(), c.last);
    }
    Lines boxes;
    for (const SvBoxRecord& r : SvTakeBoxLog()) boxes.push_back(r.Line());
    EXPECT_EQ(boxes, (Lines{
                         "PrintDialog parent=\"Main\" text=\"\" buttons=ok,cancel printer=\"Default Printer\" pages=2-3 of 1-10 answer=ok",
                         "PrintDialog parent=\"Main\" text=\"\" buttons=ok,cancel printer=\"Default Printer\" pages=1-10 of 1-10 answer=ok",
                         "PrintDialog parent=\"Main\" text=\"\" buttons=ok,cancel printer=\"Default Printer\" pages=1-10 of 1-10 answer=cancel",
                         "PrintDialog parent=\"Main\" text=\"\" buttons=ok,cancel printer=\"Default Printer\" pages=1-10 of 1-10 answer=cancel unscripted",
                     }));
}

TEST_F(PrintTest, APrintDialogStopsARunWhoseRangeItCannotTake) {
    const struct {
        const char* script;
        bool range;
        const char* message;
    } cases[] = {
        {"print 4 12\n", true, "range.sv:1: the print dialog offers the pages 1 to 10"},
        {"print 1 2\n", false, "range.sv:1: the print dialog has no page range to choose"},
    };
    for (const auto& c : cases)
        EXPECT_EXIT(
            {
                SvSetScript(c.script, "range.sv");
                PrintDialog dialog(nullptr);
                dialog.SetMaxPage(10);
                dialog.EnableRange(c.range);
                dialog.Execute();
                std::exit(0);
            },
            ::testing::ExitedWithCode(2), c.message);
}

// Draws the page frame of a print server into whatever printer it is given, reading the page as a
// printer.
struct PageDrawer {
    Lines seen;
    SV_DECL_LINK(Page, Printer*);
};

SV_IMPL_LINK(PageDrawer, Page, Printer*, p) {
    const Size output = p->GetOutputSize();
    seen.push_back("page " + std::to_string(p->GetCurPage()) + " output " + std::to_string(output.Width()) + "x" +
                   std::to_string(output.Height()) + " offset " + std::to_string(p->GetPageOffset().X()));
    p->Push();
    p->SetMapMode(MapMode(MAP_10TH_MM));
    p->DrawRect(Rectangle(Point(375, 300), Point(1725, 2670)));
    p->Pop();
    return 1;
}

TEST_F(PrintTest, APreviewSizesItsWindowByTheZoomAndDrawsThePageAsAPrinter) {
    WorkWindow main(nullptr);
    main.Show();
    Control box(&main);
    box.SetSizePixel(Size(400, 300));
    box.Show();
    Preview preview(&box, JobSetup());
    const struct {
        Fraction zoom;
        Size window;
    } sizes[] = {
        {Fraction(0, 1), Size(212, 300)},  // the whole page fitted into the box
        {Fraction(1, 4), Size(210, 297)},
        {Fraction(1, 1), Size(400, 300)},  // 840 by 1188, no larger than the box
    };
    for (const auto& c : sizes) {
        preview.SetZoom(c.zoom);
        EXPECT_EQ(preview.CalcWindowSizePixel(Size(400, 300)), c.window);
    }

    PageDrawer drawer;
    preview.ChangePrintPageHdl(SV_LINK(&drawer, PageDrawer, Page));
    preview.SetPageBackground(Brush(Color(COL_WHITE)));
    preview.SetCurPage(2);
    preview.SetZoom(Fraction(1, 4));
    preview.SetSizePixel(preview.CalcWindowSizePixel(Size(400, 300)));
    preview.Show();
    main.Update();
    EXPECT_EQ(drawer.seen, Lines{"page 2 output 2100x2970 offset 0"});
    // The window's background, the page's, and what the handler drew.
    EXPECT_EQ(SvPaintLogText(preview), "fill 0 0 210 297 brush=#C0C0C0/solid\n"
                                       "fill 0 0 210 297 brush=#FFFFFF/solid\n"
                                       "rect 38 30 136 238 pen=#000000/1/solid brush=#FFFFFF/solid\n");
    EXPECT_EQ(preview.GetPageSize(), Size(2100, 2970));
    EXPECT_EQ(preview.GetVisibleSize(), Size(2100, 2970));

    // At 1/1 the window shows 1000 by 750 of the page, from the page offset on.
    preview.SetZoom(Fraction(1, 1));
    preview.SetSizePixel(preview.CalcWindowSizePixel(Size(400, 300)));
    preview.SetPageOffset(Point(500, 250));
    main.Update();
    EXPECT_EQ(preview.GetVisibleSize(), Size(1000, 750));
    EXPECT_EQ(preview.GetPageOffset(), Point(500, 250));
    EXPECT_EQ(SvPaintLogText(preview), "fill 0 0 400 300 brush=#C0C0C0/solid\n"
                                       "fill -200 -100 840 1188 brush=#FFFFFF/solid\n"
                                       "rect -50 20 541 949 pen=#000000/1/solid brush=#FFFFFF/solid\n");
    EXPECT_EQ(drawer.seen.back(), "page 2 output 2100x2970 offset 0");

    preview.SetZoom(Fraction(0, 1));  // the whole page in the window of 400 by 300
    main.Update();
    EXPECT_EQ(preview.GetOutputSizePixel(), Size(212, 300));
    EXPECT_FALSE(preview.StartJob("x"));  // a preview runs no jobs
}

}  // namespace
