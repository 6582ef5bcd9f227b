// BrowseBox: columns with titles over a data window.
#include "svbrowse.h"

#include <algorithm>
#include <utility>

#include "svcore.h"

BrowseBox::BrowseBox(Window* parent, WinBits style, uint16_t mode)
    : Control(RSC_BROWSEBOX, parent, style), mode_(mode), data_(std::make_unique<Window>(this, 0)) {
    data_->Show();
    Arrange();
}

BrowseBox::BrowseBox(Window* parent, const ResId& id, uint16_t mode)
    : Control(RSC_BROWSEBOX, parent, id), mode_(mode), data_(std::make_unique<Window>(this, 0)) {
    data_->Show();
    Arrange();
}

BrowseBox::~BrowseBox() = default;

uint16_t BrowseBox::GetMode() const { return mode_; }

BrowseBox::Column* BrowseBox::Find(uint16_t id) {
    for (Column& c : columns_)
        if (c.id == id) return &c;
    return nullptr;
}

const BrowseBox::Column* BrowseBox::Find(uint16_t id) const { return const_cast<BrowseBox*>(this)->Find(id); }

void BrowseBox::InsertDataColumn(uint16_t id, const String& title, uint32_t width, uint16_t bits, uint16_t pos) {
    if (id == HANDLE_ID || id == BROWSER_INVALIDID || Find(id) != nullptr || columns_.size() >= BROWSER_APPEND) return;
    // Nothing goes before the handle column.
    const size_t first = !columns_.empty() && columns_.front().id == HANDLE_ID ? 1 : 0;
    size_t at = pos == BROWSER_APPEND ? columns_.size() : std::max<size_t>(pos, first);
    at = std::min(at, columns_.size());
    columns_.insert(columns_.begin() + at, Column{id, title, width, bits});
    Invalidate();
}

void BrowseBox::InsertHandleColumn(uint32_t width, bool) {
    if (Find(HANDLE_ID) != nullptr) return;
    columns_.insert(columns_.begin(), Column{HANDLE_ID, String(), width, 0});
    Invalidate();
}

void BrowseBox::RemoveColumn(uint16_t id) {
    const uint16_t pos = GetColumnPos(id);
    if (pos == BROWSER_INVALIDID) return;
    columns_.erase(columns_.begin() + pos);
    Invalidate();
}

void BrowseBox::RemoveColumns() {
    columns_.clear();
    Invalidate();
}

uint16_t BrowseBox::GetColumnCount() const { return static_cast<uint16_t>(columns_.size()); }
uint16_t BrowseBox::GetColumnId(uint16_t pos) const { return pos < columns_.size() ? columns_[pos].id : BROWSER_INVALIDID; }

uint16_t BrowseBox::GetColumnPos(uint16_t id) const {
    const Column* c = Find(id);
    return c != nullptr ? static_cast<uint16_t>(c - columns_.data()) : BROWSER_INVALIDID;
}

uint32_t BrowseBox::GetColumnWidth(uint16_t id) const { return Find(id) != nullptr ? Find(id)->width : 0; }

void BrowseBox::SetColumnWidth(uint16_t id, uint32_t width) {
    if (Column* c = Find(id)) {
        c->width = width;
        Invalidate();
    }
}

String BrowseBox::GetColumnTitle(uint16_t id) const { return Find(id) != nullptr ? Find(id)->title : String(); }

void BrowseBox::SetColumnTitle(uint16_t id, const String& title) {
    if (Column* c = Find(id)) {
        c->title = title;
        Invalidate();
    }
}

uint16_t BrowseBox::GetColumnBits(uint16_t id) const { return Find(id) != nullptr ? Find(id)->bits : 0; }

void BrowseBox::SetTitleFont(const Font& font) {
    titleFont_ = font;
    Arrange();
    Invalidate();
}

const Font& BrowseBox::GetTitleFont() const { return titleFont_; }
Window& BrowseBox::GetDataWindow() const { return *data_; }
void BrowseBox::ColumnResized(uint16_t) {}

int32_t BrowseBox::TitleHeight() const { return SvTextSize(titleFont_, 1).Height() + 4; }

void BrowseBox::Arrange() {
    const Size size = GetOutputSizePixel();
    const int32_t title = std::min(TitleHeight(), size.Height());
    data_->SetPosSizePixel(Point(0, title), Size(size.Width(), size.Height() - title));
}

void BrowseBox::Resize() { Arrange(); }

void BrowseBox::Paint(const Rectangle&) {
    Push();
    ChangeMapMode(MapMode());
    ChangeFont(titleFont_);
    ChangePen(Pen(Color(COL_GRAY)));
    ChangeFillInBrush(Brush(Color(COL_LIGHTGRAY)));
    ChangeTextColor(Color(IsEnabled() ? COL_BLACK : COL_GRAY));
    const int32_t height = TitleHeight();
    int32_t x = 0;
    for (const Column& c : columns_) {
        if (c.width > 0) DrawRect(Rectangle(Point(x, 0), Size(static_cast<int32_t>(c.width), height)));
        DrawText(Point(x + 2, 2), c.title);
        x += static_cast<int32_t>(c.width);
    }
    Pop();
}

void BrowseBox::MouseButtonDown(const MouseEvent& event) {
    resizing_ = BROWSER_INVALIDID;
    const Point& p = event.GetPosPixel();
    if (!event.IsLeft() || p.Y() < 0 || p.Y() >= TitleHeight()) return;
    int32_t x = 0;
    for (const Column& c : columns_) {
        const int32_t right = x + static_cast<int32_t>(c.width) - 1;
        if (p.X() >= right - 2 && p.X() <= right + 2) {
            resizing_ = c.id;
            resizeLeft_ = x;
        }
        x += static_cast<int32_t>(c.width);
    }
}

void BrowseBox::MouseButtonUp(const MouseEvent& event) {
    const uint16_t id = std::exchange(resizing_, BROWSER_INVALIDID);
    if (id == BROWSER_INVALIDID || Find(id) == nullptr) return;
    SetColumnWidth(id, static_cast<uint32_t>(std::max(1, event.GetPosPixel().X() - resizeLeft_ + 1)));
    ColumnResized(id);
}
