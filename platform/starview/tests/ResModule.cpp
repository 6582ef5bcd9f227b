// A library that registers its resources in code when it loads, as a workbench library does.
#include "svbasics.h"

namespace {

void Fill(SvResourceFile& file) {
    file.AddWindow(RSC_MODELESSDIALOG, 501, "Printing", Point(40, 30), Size(300, 120), 0x1000)
        .AddControl(RSC_CANCELBUTTON, 1, Point(200, 80), Size(80, 24), "Cancel")
        .AddControl(RSC_FIXEDTEXT, 1, Point(10, 10), Size(60, 13), "Job:")
        .AddControl(RSC_FIXEDTEXT, 2, Point(80, 10), Size(200, 13), "")
        .AddControl(RSC_EDIT, 1, Point(80, 40), Size(200, 20), "1", 0x8000);
    file.AddString(2001, "Invalid object reference. Cannot set reference.");
    Bitmap picture(Size(3, 2), Color(COL_WHITE));
    picture.SetPixel(Point(2, 1), Color(COL_RED));
    file.AddBitmap(335, picture);
    Font status(String("Courier"), Size(0, 10));
    status.ChangePitch(PITCH_FIXED);
    file.AddFont(902, status);
    file.AddMenu(300).AddItem(303, "~Open", "Open a file").AddSeparator().AddPopup(311, "~Window").popup.push_back(
        SvMenuItemRes{312, "~Cascade", "", false, false, true, {}});
    file.AddAccelerator(324).AddKey(0x1211, 307);
}

// Named the Windows way; the loader's file is libsvtestres.so.
SvResourceFile theResources("svtestres.dll", &Fill);

}  // namespace
