// The application's own resources (the host program's resource file): menus, accelerator, main
// window, start-up picture, icon, status-bar font, about box, log-in dialog and the close question.
#include <sv.h>

namespace {

void AddItems(SvMenuItemRes& popup, std::initializer_list<SvMenuItemRes> items) {
    for (const SvMenuItemRes& item : items) popup.popup.push_back(item);
}

SvMenuItemRes Item(uint16_t id, const char* text, const char* help, bool enabled = true) {
    SvMenuItemRes item;
    item.id = id;
    item.text = text;
    item.helpText = help;
    item.enabled = enabled;
    return item;
}

void Fill(SvResourceFile& file) {
    SvMenuRes& menu = file.AddMenu(300);
    AddItems(menu.AddPopup(301, "~File"), {Item(303, "Open", "Open a file."), Item(306, "Print Setup", "Set up the printer.", false),
                                           Item(307, "Exit", "Close all agents and leave.")});
    AddItems(menu.AddPopup(308, "~Workbench"), {Item(309, "Close Agents", "Close all agents."),
                                                Item(310, "Open Agent", "Load an agent module.")});
    AddItems(menu.AddPopup(311, "~Window"), {Item(312, "Cascade", "Cascade the windows."), Item(313, "Tile", "Tile the windows."),
                                             Item(314, "Horizontal", "Side by side."), Item(315, "Vertical", "One above the other."),
                                             Item(316, "Arrange", "Arrange the icons."), Item(317, "Close All", "Close all windows.")});
    AddItems(menu.AddPopup(318, "~Help"), {Item(3, "Index", "Help index."), Item(319, "Using Help", "How to use help."),
                                           Item(320, "About", "About the workbench.")});
    file.AddAccelerator(324).AddKey(KEY_F1, 3);
    file.AddWindow(RSC_WORKWIN, 330, "Tessaform Workbench", Point(0, 0), Size(640, 480));
    file.AddBitmap(335, Bitmap(Size(64, 32), Color(COL_YELLOW)));
    file.AddIcon(333, Bitmap(Size(16, 16), Color(COL_RED)));
    file.AddFont(902, Font("Helv", Size(0, 12)));
    file.AddWindow(RSC_MODALDIALOG, 321, "About", Point(0, 0), Size(200, 100))
        .AddControl(RSC_FIXEDBITMAP, 1, Point(0, 0), Size(100, 50))
        .AddControl(RSC_FIXEDTEXT, 1, Point(0, 0), Size(180, 13), "")
        .AddControl(RSC_OKBUTTON, 1, Point(0, 0), Size(60, 24), "OK");
    file.AddBitmap(322, Bitmap(Size(100, 40), Color(COL_GREEN)));
    file.AddBitmap(323, Bitmap(Size(120, 50), Color(COL_CYAN)));
    file.AddWindow(RSC_MODALDIALOG, 1000, "Log-in", Point(0, 0), Size(260, 140))
        .AddControl(RSC_FIXEDTEXT, 3, Point(10, 10), Size(80, 13), "User")
        .AddControl(RSC_EDIT, 3, Point(100, 10), Size(140, 20), "")
        .AddControl(RSC_FIXEDTEXT, 4, Point(10, 40), Size(80, 13), "Password")
        .AddControl(RSC_EDIT, 4, Point(100, 40), Size(140, 20), "")
        .AddControl(RSC_FIXEDTEXT, 7, Point(10, 70), Size(230, 13), "Log in to the database.")
        .AddControl(RSC_OKBUTTON, 1, Point(10, 100), Size(60, 24), "OK")
        .AddControl(RSC_CANCELBUTTON, 2, Point(80, 100), Size(60, 24), "Cancel");
    file.AddString(256, "Close the document?");
}

SvResourceFile theResources("", &Fill);

}  // namespace
