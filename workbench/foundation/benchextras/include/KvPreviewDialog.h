// The print preview (dialog resource 503 of benchextras): the pages of a print server in the class
// library's Preview window, with zoom steps, actual size, whole page, two facing pages, paging,
// scrolling and printing through a KvPrintDialog.
#pragma once

#include <sv.h>

#include "KvPrint.h"

// The area in which the previews lie: gray.
class KvPreviewBox : public Control {
public:
    KvPreviewBox(Window* parent, const ResId& id);
};

class KvPreviewDialog : public ModalDialog {
public:
    // Shows page 1 of the server's client as a whole page; the print button stays disabled until a
    // printer is given. A null job set-up is the default printer's.
    KvPreviewDialog(Window* parent, KvPrintServer* server, JobSetup* setup);
    ~KvPreviewDialog() override;

    // Enables the print button for a printer, disables it for none; answers the previous printer.
    Printer* changePrinter(Printer* printer);

    SV_DECL_LINK(ZoomInHdl, Button*);
    SV_DECL_LINK(ZoomOutHdl, Button*);
    SV_DECL_LINK(NormalPageHdl, Button*);
    SV_DECL_LINK(FullPageHdl, Button*);
    SV_DECL_LINK(DoublePageHdl, Button*);
    SV_DECL_LINK(PrevPageHdl, Button*);
    SV_DECL_LINK(NextPageHdl, Button*);
    SV_DECL_LINK(printHdl, Button*);
    SV_DECL_LINK(VScrollEndHdl, ScrollBar*);
    SV_DECL_LINK(HScrollEndHdl, ScrollBar*);
    // The previews' print-page handler: the server prints the preview's current page on it.
    long printPage(Preview* preview);

    void Resize() override;

private:
    static long LinkStubprintPage(void* object, void* caller);
    void setZoom(const Fraction& zoom);
    void CalcPreviewSize();
    void CheckScrollRange();
    void layoutFacingPages();
    // The page offset becomes the two thumbs.
    void followScrollBars();

    ScrollBar vScroll_;
    ScrollBar hScroll_;
    PushButton zoomIn_;
    PushButton zoomOut_;
    PushButton normalPage_;
    PushButton fullPage_;
    PushButton doublePage_;
    PushButton prevPage_;
    PushButton nextPage_;
    PushButton print_;
    CancelButton cancel_;
    KvPreviewBox box_;
    long curPage_ = 1;
    long pageCount_ = 1;
    Fraction zoom_;
    Point offset_;
    Size boxSize_;
    JobSetup setup_;
    long boxRightDistance_ = 0;
    long boxBottomDistance_ = 0;
    long cancelRightDistance_ = 0;
    Preview* preview_ = nullptr;
    Preview* facing_ = nullptr;
    KvPrintServer* server_;
    Printer* printer_ = nullptr;
};
