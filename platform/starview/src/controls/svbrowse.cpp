// BrowseBox: columns with titles over a data window.
#include "svbrowse.h"

#include <algorithm>
#include <utility>

#include "svcore.h"

// The rows' window: paints them through the box and gives the box its mouse input.
class BrowseBox::DataWindow : public Window {
public:
    explicit DataWindow(BrowseBox* box) : Window(box, 0), box_(box) {}
    void Paint(const Rectangle&) override { box_->PaintData(*this); }
    void MouseButtonDown(const MouseEvent& event) override { box_->MouseButtonDown(ToBox(event)); }
    void MouseButtonUp(const MouseEvent& event) override { box_->MouseButtonUp(ToBox(event)); }
    void MouseMove(const MouseEvent& event) override { box_->MouseMove(ToBox(event)); }
    void RequestHelp(const HelpEvent& event) override { box_->RequestHelp(event); }
    bool Drop(const DropEvent& event) override { return box_->Drop(event); }
    bool QueryDrop(DropEvent& event) override { return box_->QueryDrop(event); }

private:
    MouseEvent ToBox(const MouseEvent& event) const {
        const Point& p = event.GetPosPixel();
        return MouseEvent(Point(p.X() + GetPosPixel().X(), p.Y() + GetPosPixel().Y()), event.GetClicks(),
                          event.GetButtons(), event.GetModifier());
    }
    BrowseBox* box_;
};

BrowseBox::BrowseBox(Window* parent, WinBits style, uint16_t mode)
    : Control(RSC_BROWSEBOX, parent, style), mode_(mode), data_(std::make_unique<DataWindow>(this)) {
    data_->Show();
    Arrange();
}

BrowseBox::BrowseBox(Window* parent, const ResId& id, uint16_t mode)
    : Control(RSC_BROWSEBOX, parent, id), mode_(mode), data_(std::make_unique<DataWindow>(this)) {
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
    if (!event.IsLeft() || p.Y() < 0) return;
    if (p.Y() >= data_->GetPosPixel().Y()) {
        const long row = GetRowAtYPosPixel(p.Y() - data_->GetPosPixel().Y());
        if (row < 0) return;
        if ((event.GetModifier() & KEY_MOD1) != 0) {
            SelectRow(row, !IsRowSelected(row));
            curRow_ = row;
        } else if ((event.GetModifier() & KEY_SHIFT) != 0 && curRow_ >= 0) {
            selected_.clear();
            for (long r = std::min(curRow_, row); r <= std::max(curRow_, row); ++r) selected_.insert(r);
            walking_ = false;
            curRow_ = row;
            data_->Invalidate();
        } else {
            GoToRow(row);
        }
        Select();
        if (event.GetClicks() >= 2) DoubleClick();
        return;
    }
    if (p.Y() >= TitleHeight()) return;
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

// ---- rows

void BrowseBox::FreezeColumn(uint16_t id, bool freeze) {
    if (Column* c = Find(id)) c->bits = freeze ? (c->bits | BROWSER_FROZEN) : (c->bits & ~BROWSER_FROZEN);
}

bool BrowseBox::IsFrozen(uint16_t id) const { return (GetColumnBits(id) & BROWSER_FROZEN) != 0; }

long BrowseBox::GetRowCount() const { return 0; }
bool BrowseBox::SeekRow(long) { return true; }
void BrowseBox::PaintField(OutputDevice&, const Rectangle&, uint16_t) const {}
void BrowseBox::Select() {}
void BrowseBox::DoubleClick() {}

void BrowseBox::Clear() {
    selected_.clear();
    walking_ = false;
    curRow_ = BROWSER_ENDOFSELECTION;
    topRow_ = 0;
    Invalidate();
    data_->Invalidate();
}

long BrowseBox::GetCurRow() const { return curRow_; }

bool BrowseBox::GoToRow(long row) {
    if (row < 0 || row >= GetRowCount()) return false;
    selected_.clear();
    selected_.insert(row);
    walking_ = false;
    curRow_ = row;
    data_->Invalidate();
    return true;
}

void BrowseBox::SelectRow(long row, bool select) {
    if (row < 0 || row >= GetRowCount()) return;
    if (select) {
        selected_.insert(row);
    } else {
        selected_.erase(row);
    }
    walking_ = false;
    data_->Invalidate();
}

void BrowseBox::SetNoSelection() {
    selected_.clear();
    walking_ = false;
    data_->Invalidate();
}

void BrowseBox::DropMissingRows() {
    const long count = GetRowCount();
    const size_t before = selected_.size();
    selected_.erase(selected_.lower_bound(std::max(0L, count)), selected_.end());
    if (selected_.size() != before) walking_ = false;
    if (curRow_ >= count) curRow_ = BROWSER_ENDOFSELECTION;
}

bool BrowseBox::IsRowSelected(long row) const { return selected_.count(row) != 0; }
long BrowseBox::GetSelectRowCount() const { return static_cast<long>(selected_.size()); }

long BrowseBox::FirstSelectedRow() {
    nextSelected_ = selected_.begin();
    walking_ = true;
    return NextSelectedRow();
}

long BrowseBox::NextSelectedRow() {
    if (!walking_ || nextSelected_ == selected_.end()) {
        walking_ = false;
        return BROWSER_ENDOFSELECTION;
    }
    return *nextSelected_++;
}

long BrowseBox::GetTopRow() const { return topRow_; }

void BrowseBox::SetTopRow(long row) {
    topRow_ = std::max(0L, std::min(row, GetRowCount() - 1));
    data_->Invalidate();
}

int32_t BrowseBox::GetDataRowHeight() const { return SvTextSize(GetFont(), 1).Height() + 4; }

long BrowseBox::GetRowAtYPosPixel(int32_t y) const {
    if (y < 0 || y >= data_->GetOutputSizePixel().Height()) return -1;
    const long row = topRow_ + y / GetDataRowHeight();
    return row < GetRowCount() ? row : -1;
}

Rectangle BrowseBox::GetFieldRectPixel(long row, uint16_t columnId) const {
    int32_t x = 0;
    for (const Column& c : columns_) {
        if (c.id == columnId) {
            const int32_t y = static_cast<int32_t>(row - topRow_) * GetDataRowHeight();
            return Rectangle(Point(x, y), Size(static_cast<int32_t>(c.width), GetDataRowHeight()));
        }
        x += static_cast<int32_t>(c.width);
    }
    return Rectangle();
}

void BrowseBox::PaintData(Window& data) {
    DropMissingRows();
    const long count = GetRowCount();
    const int32_t height = GetDataRowHeight();
    const int32_t bottom = data.GetOutputSizePixel().Height();
    data.Push();
    data.ChangeMapMode(MapMode());
    data.ChangeFont(GetFont());
    data.ChangeTextColor(Color(IsEnabled() ? COL_BLACK : COL_GRAY));
    for (long row = topRow_; row < count && static_cast<int32_t>(row - topRow_) * height < bottom; ++row) {
        if (!SeekRow(row)) continue;
        const int32_t y = static_cast<int32_t>(row - topRow_) * height;
        int32_t x = 0;
        for (const Column& c : columns_) {
            const Rectangle field(Point(x, y), Size(static_cast<int32_t>(c.width), height));
            if (c.id != HANDLE_ID && c.width > 0) {
                data.SetClipRegion(field);
                PaintField(data, field, c.id);
                data.SetClipRegion();
            }
            x += static_cast<int32_t>(c.width);
        }
        if (IsRowSelected(row) && x > 0) data.Invert(Rectangle(Point(0, y), Size(x, height)));
    }
    data.Pop();
}

void BrowseBox::KeyInput(const KeyEvent& event) {
    const uint16_t code = event.GetKeyCode().GetCode();
    if (code != KEY_UP && code != KEY_DOWN) return Control::KeyInput(event);
    const long target = curRow_ < 0 ? 0 : curRow_ + (code == KEY_UP ? -1 : 1);
    if (GoToRow(target)) Select();
}
