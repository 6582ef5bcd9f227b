// Printing pages of a document through the class library's printer: the thing to print
// (KvPrintClient: its number of pages and the drawing of one page into a rectangle), the page frame
// around it (KvPrintServer: margins, a footer with the job name, the page number and the date, a
// font), the print dialog that runs a job page by page (KvPrintDialog), and a modeless progress
// dialog with a cancel button shown while the printer works (KvPrintHandler, KvPrintProcessDialog).
#pragma once

#include <KxString.h>
#include <sv.h>

#include <cstdint>

class KvView;

// Four values of a page set-up, zero by default.
class KvPageSetup {
public:
    KvPageSetup() = default;
    KvPageSetup(const KvPageSetup&) = default;
    KvPageSetup& operator=(const KvPageSetup&) = default;
    virtual ~KvPageSetup();

    int32_t getLeftMargin() const { return left_; }
    void setLeftMargin(int32_t value) { left_ = value; }
    int32_t getTopMargin() const { return top_; }
    void setTopMargin(int32_t value) { top_ = value; }
    int32_t getRightMargin() const { return right_; }
    void setRightMargin(int32_t value) { right_ = value; }
    int32_t getBottomMargin() const { return bottom_; }
    void setBottomMargin(int32_t value) { bottom_ = value; }

private:
    int32_t left_ = 0, top_ = 0, right_ = 0, bottom_ = 0;
};

// What is printed: the number of its pages for a draw area, and the drawing of one page (counted
// from 1) into the draw area.
class KvPrintClient {
public:
    virtual ~KvPrintClient();
    virtual long getMaxPage(OutputDevice* device, Rectangle& drawArea);
    virtual void printContent(OutputDevice* device, Rectangle& drawArea, long page);
};

// The page frame: margins of 375 (left and right in portrait) and 300 (top and bottom) tenths of
// a millimetre, swapped in landscape; a footer in the middle of the bottom margin with the job name
// at the left, the page number in the middle and the date at the right. The content comes from the
// client (not owned).
class KvPrintServer {
public:
    KvPrintServer();
    KvPrintServer(const KvPrintServer& other);
    KvPrintServer& operator=(const KvPrintServer& other);
    virtual ~KvPrintServer();

    // Draws the footer; the rectangle becomes the draw area.
    virtual void printFrame(Printer* printer, Rectangle& rect, long page);
    // The client's content, when a client is set.
    virtual void printContent(Printer* printer, Rectangle& rect, long page);

    // Answers the previous client.
    KvPrintClient* changePrintClient(KvPrintClient* client);
    KvPrintClient* getPrintClient() const;
    const KvPageSetup& getPageSetup() const;
    // Stores the set-up; answers a default one.
    KvPageSetup changePageSetup(KvPageSetup& setup);
    // Gives the font the size 0 by 30 (tenths of a millimetre), stores it; answers the previous font.
    Font changeFont(Font& font);
    void setPrintJobName(KxString& name);
    const KxString& getPrintJobName() const;

    // The printable rectangle of the page in tenths of a millimetre; the empty rectangle without a
    // printer.
    Rectangle getDrawArea(Printer* printer, long page);
    // The frame and the content of the page, in tenths of a millimetre; the printer's state is kept.
    void printPage(Printer* printer, long page);

private:
    Rectangle drawRect_;
    KvPageSetup pageSetup_;
    Font font_;
    KxString jobName_;
    KvPrintClient* client_ = nullptr;
};

// The class library's print dialog offering the client's pages; choosing prints them as the job
// "PRINT_JOB". The printer is the caller's (ChangePrinter).
class KvPrintDialog : public PrintDialog {
public:
    KvPrintDialog(Window* parent, unsigned short style, KvPrintServer* server);
    ~KvPrintDialog() override;

    // Offers the pages 1 to the client's last; answers 0 when cancelled, else prints and answers 1.
    short Execute() override;
    // Prints the chosen pages (no further than the client's last) page by page.
    void doPrint();
    KvView* getDocPrintSetupView() const;
    // Answers the previous view.
    KvView* changeDocPrintSetupView(KvView* view);
    void doPageSetupDialog();
    SV_DECL_LINK(docSetupHdl, Button*);

private:
    KvPrintServer* server_;
    KvView* docPrintSetupView_ = nullptr;
    KvPageSetup pageSetup_;
    long firstPage_ = 1;
    long lastPage_ = 1;
};

class KvPrintProcessDialog;

// Handlers for a printer's start, print-page and end handlers: a progress dialog (with the
// application window as parent) shows the page being printed while the job runs. The dialog hidden
// at the end of a job goes with the next job's start or with the handler.
class KvPrintHandler {
public:
    KvPrintHandler();
    ~KvPrintHandler();
    KvPrintHandler(const KvPrintHandler&) = delete;
    KvPrintHandler& operator=(const KvPrintHandler&) = delete;

    SV_DECL_LINK(startPrintHdl, Printer*);
    SV_DECL_LINK(printPageHdl, Printer*);
    SV_DECL_LINK(endPrintHdl, Printer*);

private:
    KvPrintProcessDialog* dialog_ = nullptr;
};

// The progress dialog (resource 501 of benchextras): the job name, the page number and a cancel
// button that aborts the printer's job.
class KvPrintProcessDialog : public ModelessDialog {
public:
    KvPrintProcessDialog(Window* parent, Printer* printer);
    ~KvPrintProcessDialog() override;

    void setJobName(KxString& name);
    void setPageNumber(long page);
    SV_DECL_LINK(abortHdl, CancelButton*);

private:
    CancelButton cancel_;
    FixedText title_;
    FixedText jobName_;
    FixedText pageTitle_;
    FixedText pageNumber_;
    Printer* printer_;
};
