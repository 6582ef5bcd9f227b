// Printing: JobSetup, Printer (an output device whose pages are paint logs), PrintDialog and the
// Preview window that a printer's page-drawing code draws into.
#pragma once

#include <cstdint>

#include "svgdi.h"
#include "svgen.h"
#include "svlink.h"
#include "svoutdev.h"
#include "svwindow.h"

enum Orientation : uint16_t { ORIENTATION_PORTRAIT = 0, ORIENTATION_LANDSCAPE = 1 };

// A printer's set-up: the printer's name and the orientation of the paper (A4).
class JobSetup {
public:
    JobSetup();  // "Default Printer", portrait
    JobSetup(const JobSetup& other);
    JobSetup& operator=(const JobSetup& other);

    const String& GetPrinterName() const;
    void SetPrinterName(const String& name);
    Orientation GetOrientation() const;
    void SetOrientation(Orientation orientation);

    bool operator==(const JobSetup& other) const;
    bool operator!=(const JobSetup& other) const;

private:
    String printerName_;
    Orientation orientation_;
};

// A printer: its output is an A4 page, 2100 by 2970 in map mode 1 (a tenth of a millimetre) in
// portrait, the two swapped in landscape, at 4 pixels a millimetre (840 by 1188 pixels). The page
// offset (the printable area's offset from the paper's edge) is 0 unless SvSetPageOffset changes
// it.
//
// A job: StartJob (name) calls StartPrint (the start handler); each StartPage begins a new page,
// a device with its own paint log (the printer's, cleared); EndPage calls PrintPage (the
// print-page handler) with the page drawn, then writes the page's paint log and picture to
// SV_PAINT_DIR as "<job>-page<k>-<n>.log" and ".png"; EndJob ends an open page and calls EndPrint
// (the end handler). AbortJob (also from a handler) drops the open page, ends the job and calls
// EndPrint; later page and job calls answer false. The handlers get the printer.
class Printer : public virtual OutputDevice {
public:
    Printer();
    explicit Printer(const JobSetup& setup);
    ~Printer() override;

    const String& GetName() const;
    JobSetup GetJobSetup() const;
    void SetJobSetup(const JobSetup& setup);
    Orientation GetOrientation() const;
    void SetOrientation(Orientation orientation);

    // The paper in pixels, and in logical units.
    Size GetPaperSizePixel() const;
    Size GetPaperSize() const;
    // The printable area: the paper less the page offset on each side.
    Size GetOutputSizePixel() const override;
    Size GetOutputSize() const override;
    // In logical units.
    Point GetPageOffset() const;
    // For tests: the offset in logical units of the current map mode.
    void SvSetPageOffset(const Point& offset);

    bool StartJob(const String& jobName);
    bool EndJob();
    bool AbortJob();
    bool IsJobActive() const;
    bool StartPage();
    bool EndPage();
    const String& GetJobName() const;
    // The page being printed (or shown by a preview), counted from 1; 0 before the first page.
    long GetCurPage() const;

    virtual void StartPrint();
    virtual void PrintPage();
    virtual void EndPrint();
    Link ChangeStartPrintHdl(const Link& link);
    const Link& GetStartPrintHdl() const;
    Link ChangePrintPageHdl(const Link& link);
    const Link& GetPrintPageHdl() const;
    Link ChangeEndPrintHdl(const Link& link);
    const Link& GetEndPrintHdl() const;

protected:
    // A preview draws pages but runs no jobs.
    void SvSetPreview();
    // Device pixels per tenths of a millimetre (the page's scale).
    void SvSetPrinterScale(int32_t pixels, int32_t tenthsMm);
    // The paper in tenths of a millimetre, in its orientation.
    Size SvPaperTenths() const;
    long curPage_ = 0;

private:
    int32_t scalePixels_ = 2, scaleTenths_ = 5;
    JobSetup setup_;
    Point pageOffsetPixel_;
    String jobName_;
    bool active_ = false, inPage_ = false, preview_ = false;
    Link startPrint_, printPage_, endPrint_;
};

// The print dialog: the printer it prints on (given by the caller), the pages offered (minimum and
// maximum) and chosen (first and last), and whether a range may be chosen. Execute takes the
// script's next line: "print FIRST LAST" (within the minimum and maximum, with the range enabled),
// "print all" (the minimum to the maximum) or "print cancel"; it answers 1 (first and last set)
// or 0. Without such a line the dialog is cancelled and marked "unscripted" in the box log.
class PrintDialog : public ModalDialog {
public:
    PrintDialog(Window* parent, WinBits style = 0);

    Printer* ChangePrinter(Printer* printer);
    Printer* GetPrinter() const;
    void SetFirstPage(long page);
    long GetFirstPage() const;
    void SetLastPage(long page);
    long GetLastPage() const;
    void SetMinPage(long page);
    long GetMinPage() const;
    void SetMaxPage(long page);
    long GetMaxPage() const;
    void EnableRange(bool enable = true);
    bool IsRangeEnabled() const;

    short Execute() override;

private:
    Printer* printer_ = nullptr;
    long first_ = 1, last_ = 1, min_ = 1, max_ = 1;
    bool range_ = false;
};

// The printer set-up dialog of one printer. Execute takes the script's next line "print all"
// (the set-up is confirmed: 1) or "print cancel" (0); without such a line it is cancelled and
// marked "unscripted" in the box log.
class PrinterSetupDialog : public ModalDialog {
public:
    PrinterSetupDialog(Window* parent, WinBits style = 0);

    Printer* ChangePrinter(Printer* printer);
    Printer* GetPrinter() const;

    short Execute() override;

private:
    Printer* printer_ = nullptr;
};

// A window that shows one page of a job set-up as a printer would print it: when it paints it
// fills the page with the page background and calls PrintPage (the print-page handler) with itself
// as the printer, whose page is the current page and whose output is the whole page (2100 by 2970
// in map mode 1, the preview's map mode). The zoom scales a millimetre to 4 pixels × zoom; the
// zoom 0/1 fits the whole page into the window. The page offset (in logical units) is the point of
// the page shown at the window's top left corner; as a printer the preview has no page offset.
class Preview : public Window, public Printer {
public:
    Preview(Window* parent, const JobSetup& setup);

    void SetZoom(const Fraction& zoom);
    const Fraction& GetZoom() const;
    void SetCurPage(long page);
    // The scroll position; Printer::GetPageOffset stays 0.
    void SetPageOffset(const Point& offset);
    const Point& GetPageOffset() const;
    void SetPageBackground(const Brush& brush);
    const Brush& GetPageBackground() const;

    // The window's size for a box: the page at the zoom (at 0/1 the page fitted into the box,
    // proportions kept), no larger than the box.
    Size CalcWindowSizePixel(const Size& box) const;
    // In logical units: the whole page, and the part of it that the window shows.
    Size GetPageSize() const;
    Size GetVisibleSize() const;

    // The page at the current scale.
    Size GetOutputSizePixel() const override;
    void Paint(const Rectangle& rect) override;

    void Resize() override;

private:
    // Pixels per tenths of a millimetre at the zoom for a window of the size (0/1 fits the page in).
    void Scale(const Size& window, int32_t& pixels, int32_t& tenthsMm) const;
    void ApplyScale();

    Fraction zoom_;
    Point offset_;
    Brush background_;
};
