// The host program's own resources (the application's resource file): the menus, the accelerator,
// the main window, the start-up picture, the icon, the status-bar font, the about box, the log-in
// dialog and the close question.
#include <sv.h>

namespace {

SvMenuItemRes Item(uint16_t id, const char* text, const char* help, bool enabled = true) {
    SvMenuItemRes item;
    item.id = id;
    item.text = text;
    item.helpText = help;
    item.enabled = enabled;
    return item;
}

void AddItems(SvMenuItemRes& popup, std::initializer_list<SvMenuItemRes> items) {
    for (const SvMenuItemRes& item : items) popup.popup.push_back(item);
}

// The start-up picture: a tiling of triangles.
Bitmap StartupPicture() {
    constexpr int32_t kTile = 20;
    Bitmap picture(Size(240, 80));
    for (int32_t y = 0; y < 80; ++y) {
        for (int32_t x = 0; x < 240; ++x) {
            const bool upper = x % kTile > y % kTile;
            const bool odd = (x / kTile + y / kTile) % 2 != 0;
            picture.SetPixel(Point(x, y), Color(upper != odd ? COL_BLUE : COL_LIGHTBLUE));
        }
    }
    return picture;
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
    file.AddWindow(RSC_WORKWIN, 330, "Tessaform Workbench", Point(0, 0), Size(1200, 600));
    file.AddBitmap(335, StartupPicture());
    file.AddIcon(333, Bitmap(Size(16, 16), Color(COL_BLUE)));
    file.AddFont(902, Font("Helv", Size(0, 12)));
    file.AddWindow(RSC_MODALDIALOG, 321, "About", Point(0, 0), Size(200, 100))
        .AddControl(RSC_FIXEDBITMAP, 1, Point(0, 0), Size(100, 50))
        .AddControl(RSC_FIXEDTEXT, 1, Point(0, 0), Size(180, 13), "")
        .AddControl(RSC_OKBUTTON, 1, Point(0, 0), Size(60, 24), "OK");
    file.AddBitmap(322, Bitmap(Size(200, 60), Color(COL_LIGHTBLUE)));
    file.AddBitmap(323, Bitmap(Size(200, 60), Color(COL_LIGHTCYAN)));
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
