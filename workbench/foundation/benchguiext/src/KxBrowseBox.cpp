// KxBrowseBox: column widths kept in the class library's default configuration.
#include "KxBrowseBox.h"

namespace {

constexpr int kDefaultWidth = 100;

}  // namespace

KxBrowseBox::KxBrowseBox(Window* parent, unsigned short style, int mode, const char* group, const char* key)
    : BrowseBox(parent, style, static_cast<uint16_t>(mode)), group_(group), key_(key) {
    Show();
    if (parent == nullptr) return;
    const Font font = parent->GetFont();
    Font bold = font;
    bold.ChangeWeight(WEIGHT_BOLD);
    ChangeFont(font);
    SetTitleFont(bold);
    const Brush background = parent->GetBackgroundBrush();
    ChangeBackgroundBrush(background);
    ChangeFillInBrush(background);
    GetDataWindow().ChangeBackgroundBrush(background);
    GetDataWindow().ChangeFillInBrush(background);
}

KxBrowseBox::~KxBrowseBox() { storeActualColWidths(); }

// The count follows the columns the box really added or removed.
void KxBrowseBox::InsertDataColumn(unsigned short id, const String& title, unsigned short width, unsigned short bits) {
    const bool present = GetColumnPos(id) != BROWSER_INVALIDID;
    BrowseBox::InsertDataColumn(id, title, width, bits);
    if (!present && GetColumnPos(id) != BROWSER_INVALIDID) ++columnCount_;
}

void KxBrowseBox::InsertHandleColumn(unsigned short width, unsigned char rowNumbers) {
    const bool present = GetColumnPos(HANDLE_ID) != BROWSER_INVALIDID;
    BrowseBox::InsertHandleColumn(width, rowNumbers != 0);
    if (!present && GetColumnPos(HANDLE_ID) != BROWSER_INVALIDID) ++columnCount_;
}

void KxBrowseBox::RemoveColumn(unsigned short id) {
    const bool present = GetColumnPos(id) != BROWSER_INVALIDID;
    BrowseBox::RemoveColumn(id);
    if (present && GetColumnPos(id) == BROWSER_INVALIDID) --columnCount_;
}

void KxBrowseBox::RemoveColumns() {
    BrowseBox::RemoveColumns();
    columnCount_ = 0;
}

void KxBrowseBox::ColumnResized(uint16_t) { storeActualColWidths(); }

void KxBrowseBox::storeActualColWidths() {
    if (!group_ || !key_) return;
    String widths;
    for (int column = 1; column <= columnCount_; ++column) {
        widths += String(static_cast<long>(GetColumnWidth(static_cast<uint16_t>(column))));
        widths += ",";
    }
    Config config;
    config.SetGroup(group_);
    config.WriteKey(key_, widths);
}

int KxBrowseBox::getDefaultColWidth(int column) {
    if (!group_ || !key_ || column < 1) return kDefaultWidth;
    Config config;
    config.SetGroup(group_);
    const String token = config.ReadKey(key_, String("100")).GetToken(static_cast<uint16_t>(column - 1), ',');
    return !token ? kDefaultWidth : static_cast<int>(token);
}
