// The resources of benchextras: the print progress dialog (501) and the print preview (503).
#include <sv.h>

#include "benchextras_res.h"

namespace {

void Fill(SvResourceFile& f) {
    f.AddWindow(RSC_MODELESSDIALOG, kPrintProcessDialogRes, "Printing", Point(150, 120), Size(260, 110))
        .AddControl(RSC_FIXEDTEXT, 2, Point(10, 10), Size(240, 16), "Printing the job")
        .AddControl(RSC_FIXEDTEXT, 1, Point(10, 28), Size(240, 16), "")
        .AddControl(RSC_FIXEDTEXT, 3, Point(10, 50), Size(40, 16), "Page")
        .AddControl(RSC_FIXEDTEXT, 4, Point(55, 50), Size(60, 16), "")
        .AddControl(RSC_CANCELBUTTON, 1, Point(95, 76), Size(70, 24), "Cancel");
    f.AddWindow(RSC_MODALDIALOG, kPreviewDialogRes, "Print Preview", Point(40, 30), Size(600, 450))
        .AddControl(RSC_CONTROL, 1, Point(10, 10), Size(470, 414))
        .AddControl(RSC_SCROLLBAR, 2, Point(480, 10), Size(16, 414))
        .AddControl(RSC_SCROLLBAR, 3, Point(10, 424), Size(470, 16), nullptr, WB_HORZ)
        .AddControl(RSC_PUSHBUTTON, 4, Point(510, 10), Size(80, 24), "Zoom In")
        .AddControl(RSC_PUSHBUTTON, 5, Point(510, 40), Size(80, 24), "Zoom Out")
        .AddControl(RSC_PUSHBUTTON, 6, Point(510, 70), Size(80, 24), "100%")
        .AddControl(RSC_PUSHBUTTON, 7, Point(510, 100), Size(80, 24), "FullPage")
        .AddControl(RSC_PUSHBUTTON, 8, Point(510, 130), Size(80, 24), "Facing")
        .AddControl(RSC_PUSHBUTTON, 9, Point(510, 170), Size(80, 24), "Previous")
        .AddControl(RSC_PUSHBUTTON, 10, Point(510, 200), Size(80, 24), "Next")
        .AddControl(RSC_PUSHBUTTON, 1, Point(510, 240), Size(80, 24), "Print...")
        .AddControl(RSC_CANCELBUTTON, 11, Point(510, 416), Size(80, 24), "Close");
}

SvResourceFile theResources(kResourceFile, &Fill);

}  // namespace
