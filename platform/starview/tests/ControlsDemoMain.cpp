// A program on the controls, driven by its script: a modal dialog built from an in-code resource
// with a tool box, an edit, a combo box, a check box and a status bar, whose values it prints, and
// then a print job of the pages chosen in the print dialog.
#include <cstdio>

#include "sv.h"

namespace {

void Fill(SvResourceFile& f) {
    f.AddWindow(RSC_MODALDIALOG, 3001, "Settings", Point(50, 50), Size(320, 200))
        .AddControl(RSC_TOOLBOX, 1, Point(0, 0), Size(320, 41))
        .AddControl(RSC_FIXEDTEXT, 1, Point(10, 52), Size(60, 20), "~Name:")
        .AddControl(RSC_EDIT, 1, Point(80, 50), Size(150, 21), "base")
        .AddControl(RSC_COMBOBOX, 1, Point(80, 80), Size(150, 21), "Oracle")
        .AddControl(RSC_CHECKBOX, 1, Point(80, 110), Size(150, 20), "~Read only")
        .AddControl(RSC_OKBUTTON, 1, Point(240, 50), Size(70, 24), "OK")
        .AddControl(RSC_CANCELBUTTON, 1, Point(240, 80), Size(70, 24), "Cancel")
        .AddControl(RSC_STATUSBAR, 1, Point(0, 180), Size(320, 20));
}
SvResourceFile theResources("", &Fill);  // the program's own file

class SettingsDialog : public ModalDialog {
public:
    explicit SettingsDialog(Window* parent)
        : ModalDialog(parent, ResId(3001)), tools_(this, ResId(1)), label_(this, ResId(1)), edit_(this, ResId(1)),
          combo_(this, ResId(1)), check_(this, ResId(1)), ok_(this, ResId(1)), cancel_(this, ResId(1)),
          status_(this, ResId(1)) {
        FreeResource();
        combo_.InsertEntry("Oracle");
        combo_.InsertEntry("DB2");
        const Bitmap picture(Size(16, 16), Color(COL_GREEN));
        tools_.InsertItem(1, picture, String("Save"));
        tools_.InsertItem(2, picture, String("Clear"));
        tools_.ChangeSelectHdl(SV_LINK(this, SettingsDialog, ToolHdl));
        status_.InsertItem(42, 310, 0, 5);
        status_.SetItemText(42, "Ready");
    }

    SV_DECL_LINK(ToolHdl, ToolBox*);

    ToolBox tools_;
    FixedText label_;
    Edit edit_;
    ComboBox combo_;
    CheckBox check_;
    OKButton ok_;
    CancelButton cancel_;
    StatusBar status_;
};

SV_IMPL_LINK(SettingsDialog, ToolHdl, ToolBox*, box) {
    if (box->GetCurItemId() == 1)
        status_.SetItemText(42, QueryBox(this, WB_YES_NO, "Save now?").Execute() == RET_YES ? "Saved" : "Not saved");
    else
        edit_.SetText("");
    return 1;
}

// Reports the printer's handlers.
struct Report {
    SV_DECL_LINK(Start, Printer*);
    SV_DECL_LINK(Page, Printer*);
    SV_DECL_LINK(End, Printer*);
};

SV_IMPL_LINK(Report, Start, Printer*, p) {
    std::printf("start %s\n", p->GetJobName().GetStr());
    return 1;
}

SV_IMPL_LINK(Report, Page, Printer*, p) {
    std::printf("page %ld\n", p->GetCurPage());
    return 1;
}

SV_IMPL_LINK(Report, End, Printer*, p) {
    std::printf("end %s\n", p->GetJobName().GetStr());
    return 1;
}

}  // namespace

int main() {
    Application app;
    WorkWindow main(nullptr);
    main.SetText("Bench");
    main.Show();

    SettingsDialog dialog(&main);
    std::printf("dialog %d\n", dialog.Execute());
    std::printf("edit \"%s\"\n", dialog.edit_.GetText().GetStr());
    std::printf("combo \"%s\"\n", dialog.combo_.GetText().GetStr());
    std::printf("check %d\n", dialog.check_.IsChecked() ? 1 : 0);
    std::printf("status \"%s\"\n", dialog.status_.GetItemText(42).GetStr());

    Printer printer;
    Report report;
    printer.ChangeStartPrintHdl(SV_LINK(&report, Report, Start));
    printer.ChangePrintPageHdl(SV_LINK(&report, Report, Page));
    printer.ChangeEndPrintHdl(SV_LINK(&report, Report, End));
    PrintDialog print(&main, 4);
    print.ChangePrinter(&printer);
    print.SetMinPage(1);
    print.SetMaxPage(3);
    print.EnableRange();
    if (print.Execute() == 1) {
        printer.StartJob("Report");
        for (long page = print.GetFirstPage(); page <= print.GetLastPage(); ++page) {
            printer.StartPage();
            printer.SetMapMode(MapMode(MAP_10TH_MM));
            printer.DrawRect(Rectangle(Point(375, 300), Point(1725, 2670)));
            printer.DrawText(Point(400, 400), dialog.edit_.GetText() + String(" page ") + String(page));
            printer.EndPage();
        }
        printer.EndJob();
    }
    std::printf("done\n");
    return 0;
}
