// The print server's draw area and page frame, the print dialog printing page by page through the
// printer, and the progress dialog with its cancel button.
#include "PrintTestSupport.h"

namespace {

using printtest::Has;
using printtest::LineClient;
using printtest::Lines;
using printtest::PrintTest;
using printtest::RecordingPrinter;

TEST_F(PrintTest, TheDrawAreaLeavesMarginsThatSwapInLandscape) {
    Printer portrait;
    EXPECT_EQ(server_.getDrawArea(&portrait, 1), Rectangle(375, 300, 1725, 2670));
    Printer landscape;
    landscape.SetOrientation(ORIENTATION_LANDSCAPE);
    EXPECT_EQ(server_.getDrawArea(&landscape, 1), Rectangle(300, 375, 2670, 1725));
    // A printable area that starts 5 and 4 mm into the paper: the margins count from the paper.
    Printer offset;
    offset.SetMapMode(MapMode(MAP_10TH_MM));
    offset.SvSetPageOffset(Point(50, 40));
    offset.SetMapMode(MapMode());
    EXPECT_EQ(server_.getDrawArea(&offset, 1), Rectangle(325, 260, 1675, 2630));
    EXPECT_EQ(offset.GetMapMode(), MapMode());  // the printer's state is kept
    EXPECT_TRUE(server_.getDrawArea(nullptr, 1).IsEmpty());
}

TEST_F(PrintTest, TheDialogPrintsTheChosenPagesEachWithItsFooter) {
    svtest::TempDir dir;
    setenv("SV_PAINT_DIR", dir.Path().c_str(), 1);
    LineClient client(4);
    server_.changePrintClient(&client);
    RecordingPrinter printer;
    KvPrintDialog dialog(nullptr, 0, &server_);
    dialog.ChangePrinter(&printer);
    SvSetScript("print 2 3\n", "print.sv");
    EXPECT_EQ(dialog.Execute(), 1);
    unsetenv("SV_PAINT_DIR");
    EXPECT_EQ(Boxes(), "PrintDialog parent=\"\" text=\"\" buttons=ok,cancel printer=\"Default Printer\" pages=2-3 of 1-4 answer=ok\n");
    EXPECT_EQ(client.printed, (std::vector<long>{2, 3}));
    EXPECT_EQ(client.areas.front(), Rectangle(375, 300, 1725, 2670));
    EXPECT_EQ(printer.GetJobName(), "PRINT_JOB");
    EXPECT_FALSE(printer.IsJobActive());
    EXPECT_TRUE(dialog.IsEnabled());

    // In pixels (4 a millimetre): the content at the draw area's corner (150, 120); the footer 12
    // pixels high at 1122, the middle of the bottom margin: job name at the left margin, page
    // number in the middle, the date ending at the right margin.
    ASSERT_EQ(printer.pages.size(), 2u);
    const char* font = "font=\"Helvetica\"/12 color=#000000";
    for (size_t i = 0; i < 2; ++i) {
        const Lines& page = printer.pages[i];
        const std::string number = std::to_string(i + 2);
        EXPECT_TRUE(Has(page, "text 150 1122 65 12 \"Inventory\" " + std::string(font))) << i;
        EXPECT_TRUE(Has(page, "text 416 1122 7 12 \"" + number + "\" " + font)) << i;
        EXPECT_TRUE(Has(page, "text 618 1122 72 12 \"2026-12-11\" " + std::string(font))) << i;
        EXPECT_TRUE(Has(page, "text 150 120 54 5 \"Content of page " + number + "\" font=\"\"/5 color=#000000")) << i;
    }
    // Each page went to the paint folder as a log and a picture.
    EXPECT_EQ(dir.Files(), (Lines{"PRINT_JOB-page1-1.log", "PRINT_JOB-page1-1.png", "PRINT_JOB-page2-2.log",
                                  "PRINT_JOB-page2-2.png", "boxes.log"}));
    const std::string second = svtest::Read(dir.Path() + "/PRINT_JOB-page2-2.log");
    EXPECT_EQ(second.rfind("page 2 \"PRINT_JOB\" size 840 1188\n", 0), 0u);
    EXPECT_NE(second.find("\"Content of page 3\""), std::string::npos);
    const svtest::Picture picture = svtest::ReadPng(dir.Path() + "/PRINT_JOB-page2-2.png");
    EXPECT_EQ(picture.width, 840);
    EXPECT_EQ(picture.height, 1188);
}

TEST_F(PrintTest, TheClientsLastPageLimitsTheRange) {
    LineClient client(3);
    server_.changePrintClient(&client);
    RecordingPrinter printer;
    KvPrintDialog dialog(nullptr, 0, &server_);
    dialog.ChangePrinter(&printer);
    dialog.SetFirstPage(1);
    dialog.SetLastPage(10);
    dialog.doPrint();
    EXPECT_EQ(client.printed, (std::vector<long>{1, 2, 3}));
    EXPECT_EQ(printer.pages.size(), 3u);

    // Cancelled: nothing printed.
    SvSetScript("print cancel\n", "print.sv");
    EXPECT_EQ(dialog.Execute(), 0);
    EXPECT_EQ(printer.pages.size(), 3u);
    // Without a printer the dialog prints nothing.
    dialog.ChangePrinter(nullptr);
    dialog.doPrint();
    EXPECT_EQ(client.printed.size(), 3u);
}

TEST_F(PrintTest, WithoutAClientOnePageWithTheFrameAlone) {
    RecordingPrinter printer;
    KvPrintDialog dialog(nullptr, 0, &server_);
    dialog.ChangePrinter(&printer);
    SvSetScript("print all\n", "print.sv");
    EXPECT_EQ(dialog.Execute(), 1);
    EXPECT_NE(Boxes().find("pages=1-1 of 1-1 answer=ok"), std::string::npos);
    ASSERT_EQ(printer.pages.size(), 1u);
    EXPECT_EQ(printer.pages[0].size(), 3u);  // the three footer texts
    EXPECT_TRUE(Has(printer.pages[0], "text 416 1122 7 12 \"1\" font=\"Helvetica\"/12 color=#000000"));
}

TEST_F(PrintTest, TheServersSettingsAndCopies) {
    Font twelve(String("Courier"), Size(0, 42));
    const Font previous = server_.changeFont(twelve);
    EXPECT_EQ(previous.GetName(), "Helvetica");
    EXPECT_EQ(previous.GetFamily(), FAMILY_SWISS);
    EXPECT_EQ(previous.GetPitch(), PITCH_VARIABLE);
    EXPECT_EQ(twelve.GetSize(), Size(0, 30));
    Font other;
    EXPECT_EQ(server_.changeFont(other), twelve);

    KvPageSetup setup;
    setup.setLeftMargin(10);
    setup.setBottomMargin(-4);
    const KvPageSetup answer = server_.changePageSetup(setup);
    EXPECT_EQ(answer.getLeftMargin(), 0);
    EXPECT_EQ(server_.getPageSetup().getLeftMargin(), 10);
    EXPECT_EQ(server_.getPageSetup().getBottomMargin(), -4);

    LineClient client(1);
    EXPECT_EQ(server_.changePrintClient(&client), nullptr);
    const KvPrintServer copy(server_);
    EXPECT_EQ(copy.getPrintClient(), &client);
    EXPECT_EQ(copy.getPrintJobName(), KxString("Inventory"));
    EXPECT_EQ(copy.getPageSetup().getBottomMargin(), -4);

    KvPrintDialog dialog(nullptr, 0, &server_);
    EXPECT_EQ(dialog.changeDocPrintSetupView(reinterpret_cast<KvView*>(&client)), nullptr);
    EXPECT_EQ(dialog.getDocPrintSetupView(), reinterpret_cast<KvView*>(&client));
}

// A client that presses the progress dialog's cancel button while page 2 is drawn.
class CancellingClient : public LineClient {
public:
    explicit CancellingClient(Window* owner) : LineClient(5), owner_(owner) {}
    void printContent(OutputDevice* device, Rectangle& area, long page) override {
        LineClient::printContent(device, area, page);
        Window* dialog = ProgressDialog();
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(dialog->IsVisible()) << page;
        if (page == 2) {
            for (uint16_t i = 0; i < dialog->GetChildCount(); ++i)
                if (dialog->GetChild(i)->GetType() == RSC_CANCELBUTTON) static_cast<Button*>(dialog->GetChild(i))->Click();
        }
    }
    Window* ProgressDialog() const {
        for (uint16_t i = 0; i < owner_->GetChildCount(); ++i)
            if (owner_->GetChild(i)->GetType() == RSC_MODELESSDIALOG) return owner_->GetChild(i);
        return nullptr;
    }
    // The page number the dialog shows.
    std::string ShownPage() const {
        Window* dialog = ProgressDialog();
        for (uint16_t i = 0; dialog != nullptr && i < dialog->GetChildCount(); ++i)
            if (dialog->GetChild(i)->GetType() == RSC_FIXEDTEXT && dialog->GetChild(i)->GetResId() == 4)
                return dialog->GetChild(i)->GetText().GetStr();
        return "";
    }

private:
    Window* owner_;
};

TEST_F(PrintTest, TheProgressDialogShowsThePageAndItsCancelButtonAbortsTheJob) {
    WorkWindow main(nullptr);  // the application window
    main.SetText("Main");
    ASSERT_EQ(GetpApp()->GetAppWindow(), &main);
    CancellingClient client(&main);
    server_.changePrintClient(&client);
    RecordingPrinter printer;
    KvPrintHandler handler;
    printer.ChangeStartPrintHdl(SV_LINK(&handler, KvPrintHandler, startPrintHdl));
    printer.ChangePrintPageHdl(SV_LINK(&handler, KvPrintHandler, printPageHdl));
    printer.ChangeEndPrintHdl(SV_LINK(&handler, KvPrintHandler, endPrintHdl));
    KvPrintDialog dialog(&main, 0, &server_);
    dialog.ChangePrinter(&printer);
    dialog.SetFirstPage(1);
    dialog.SetLastPage(5);
    dialog.doPrint();
    // Page 1 was printed; page 2 was dropped by the abort, and no page after it was drawn.
    EXPECT_EQ(printer.pages.size(), 1u);
    EXPECT_EQ(client.printed, (std::vector<long>{1, 2}));
    EXPECT_FALSE(printer.IsJobActive());
    EXPECT_EQ(client.ShownPage(), "1");
    ASSERT_NE(client.ProgressDialog(), nullptr);
    EXPECT_FALSE(client.ProgressDialog()->IsVisible());
    EXPECT_EQ(client.ProgressDialog()->GetText(), "Printing");

    // The next job makes a new dialog; the resource manager is the one before.
    const ResMgr* before = Resource::GetResManager();
    printer.StartJob("again");
    EXPECT_EQ(Resource::GetResManager(), before);
    printer.EndJob();
}

TEST_F(PrintTest, TheProgressDialogsTexts) {
    ResMgr own("benchextras.dll");
    ResMgr* kept = Resource::GetResManager();
    Resource::SetResManager(&own);
    Printer printer;
    KvPrintProcessDialog dialog(nullptr, &printer);
    Resource::SetResManager(kept);
    KxString name("Stock list");
    dialog.setJobName(name);
    dialog.setPageNumber(12);
    Lines texts;
    for (uint16_t i = 0; i < dialog.GetChildCount(); ++i) texts.push_back(dialog.GetChild(i)->GetText().GetStr());
    EXPECT_EQ(texts, (Lines{"Cancel", "Printing the job", "Stock list", "Page", "12"}));
    // Without a job the cancel button changes nothing.
    EXPECT_EQ(dialog.abortHdl(nullptr), 1);
    EXPECT_FALSE(printer.IsJobActive());
}

}  // namespace
