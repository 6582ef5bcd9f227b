// StatusBar and ToolBox.
#include "svbars.h"

#include <algorithm>
#include <utility>

#include "svcore.h"

// ---- StatusBar ----

StatusBar::StatusBar(Window* parent, WinBits style) : Control(RSC_STATUSBAR, parent, style) {
    SetSizePixel(Size(0, CalcWindowSizePixel().Height()));
}

StatusBar::StatusBar(Window* parent, const ResId& id) : Control(RSC_STATUSBAR, parent, id) {}

const StatusBar::Item* StatusBar::Find(uint16_t id) const {
    for (const Item& item : items_)
        if (item.id == id) return &item;
    return nullptr;
}

void StatusBar::InsertItem(uint16_t id, uint16_t width, uint16_t bits, short offset, uint16_t pos) {
    if (Find(id) != nullptr || items_.size() >= STATUSBAR_APPEND) return;
    if (pos > items_.size()) pos = static_cast<uint16_t>(items_.size());
    items_.insert(items_.begin() + pos, Item{id, width, bits, offset, String()});
    Invalidate();
}

void StatusBar::RemoveItem(uint16_t id) {
    const uint16_t pos = GetItemPos(id);
    if (pos == STATUSBAR_ITEM_NOTFOUND) return;
    items_.erase(items_.begin() + pos);
    Invalidate();
}

void StatusBar::Clear() {
    items_.clear();
    Invalidate();
}

uint16_t StatusBar::GetItemCount() const { return static_cast<uint16_t>(items_.size()); }
uint16_t StatusBar::GetItemId(uint16_t pos) const { return pos < items_.size() ? items_[pos].id : 0; }

uint16_t StatusBar::GetItemPos(uint16_t id) const {
    const Item* item = Find(id);
    return item != nullptr ? static_cast<uint16_t>(item - items_.data()) : STATUSBAR_ITEM_NOTFOUND;
}

uint16_t StatusBar::GetItemWidth(uint16_t id) const { return Find(id) != nullptr ? Find(id)->width : 0; }
uint16_t StatusBar::GetItemBits(uint16_t id) const { return Find(id) != nullptr ? Find(id)->bits : 0; }
short StatusBar::GetItemOffset(uint16_t id) const { return Find(id) != nullptr ? Find(id)->offset : 0; }

Rectangle StatusBar::GetItemRect(uint16_t id) const {
    const int32_t height = GetOutputSizePixel().Height();
    int32_t x = 0;
    for (const Item& item : items_) {
        x += item.offset;
        if (item.id == id) return Rectangle(Point(x, 2), Size(item.width, std::max(0, height - 4)));
        x += item.width;
    }
    return Rectangle();
}

void StatusBar::SetItemText(uint16_t id, const String& text) {
    const uint16_t pos = GetItemPos(id);
    if (pos == STATUSBAR_ITEM_NOTFOUND || items_[pos].text == text) return;
    items_[pos].text = text;
    Invalidate();
}

String StatusBar::GetItemText(uint16_t id) const { return Find(id) != nullptr ? Find(id)->text : String(); }

void StatusBar::HideItems() {
    itemsVisible_ = false;
    Invalidate();
}

void StatusBar::ShowItems() {
    itemsVisible_ = true;
    Invalidate();
}

bool StatusBar::AreItemsVisible() const { return itemsVisible_; }

Size StatusBar::CalcWindowSizePixel() const {
    int32_t width = 0;
    for (const Item& item : items_) width += item.offset + item.width;
    return Size(width, SvTextSize(GetFont(), 1).Height() + 7);
}

void StatusBar::Paint(const Rectangle&) {
    const Size size = GetOutputSizePixel();
    Push();
    ChangeMapMode(MapMode());
    ChangeTextColor(Color(IsEnabled() ? COL_BLACK : COL_GRAY));
    const int32_t textHeight = GetTextSize(String("X")).Height();
    const int32_t y = (size.Height() - textHeight) / 2;
    if (!itemsVisible_) {
        DrawText(Point(3, y), GetText());
        Pop();
        return;
    }
    for (const Item& item : items_) {
        const Rectangle area = GetItemRect(item.id);
        if (item.bits & (SIB_IN | SIB_OUT)) {
            ChangePen(Pen(Color((item.bits & SIB_IN) ? COL_GRAY : COL_WHITE)));
            ChangeFillInBrush(Brush(BRUSH_NULL));
            DrawRect(area);
        }
        const int32_t width = GetTextSize(item.text).Width();
        int32_t x = area.Left() + 2;
        if (item.bits & SIB_CENTER) x = area.Left() + (item.width - width) / 2;
        else if (item.bits & SIB_RIGHT) x = area.Left() + item.width - 2 - width;
        DrawText(Point(x, y), item.text);
    }
    Pop();
}

// ---- ToolBox ----

ToolBox::ToolBox(Window* parent, WinBits style) : Control(RSC_TOOLBOX, parent, style) {
    SetSizePixel(CalcWindowSizePixel());
}

ToolBox::ToolBox(Window* parent, const ResId& id) : Control(RSC_TOOLBOX, parent, id) {}

ToolBox::Item* ToolBox::Find(uint16_t id) {
    for (Item& item : items_)
        if (item.id == id && id != 0) return &item;
    return nullptr;
}

const ToolBox::Item* ToolBox::Find(uint16_t id) const { return const_cast<ToolBox*>(this)->Find(id); }

void ToolBox::Insert(Item item, uint16_t pos) {
    if ((item.id != 0 && Find(item.id) != nullptr) || items_.size() >= TOOLBOX_APPEND) return;
    if (pos > items_.size()) pos = static_cast<uint16_t>(items_.size());
    items_.insert(items_.begin() + pos, std::move(item));
    Invalidate();
}

void ToolBox::InsertItem(uint16_t id, const Bitmap& bitmap, uint16_t pos) {
    InsertItem(id, bitmap, Bitmap(), String(), pos);
}

void ToolBox::InsertItem(uint16_t id, const Bitmap& bitmap, const Bitmap& second, uint16_t pos) {
    InsertItem(id, bitmap, second, String(), pos);
}

void ToolBox::InsertItem(uint16_t id, const Bitmap& bitmap, const String& text, uint16_t pos) {
    InsertItem(id, bitmap, Bitmap(), text, pos);
}

void ToolBox::InsertItem(uint16_t id, const Bitmap& bitmap, const Bitmap& second, const String& text, uint16_t pos) {
    if (id == 0) return;
    Item item;
    item.id = id;
    item.bitmap = bitmap;
    item.second = second;
    item.text = text;
    Insert(std::move(item), pos);
}

void ToolBox::InsertItem(uint16_t id, const String& text, uint16_t pos) { InsertItem(id, Bitmap(), Bitmap(), text, pos); }

void ToolBox::InsertSeparator(uint16_t pos) { Insert(Item(), pos); }

void ToolBox::RemoveItem(uint16_t pos) {
    if (pos >= items_.size()) return;
    if (items_[pos].id != 0 && items_[pos].id == cur_) cur_ = 0;
    items_.erase(items_.begin() + pos);
    Invalidate();
}

void ToolBox::Clear() {
    items_.clear();
    cur_ = pressed_ = 0;
    Invalidate();
}

uint16_t ToolBox::GetItemCount() const { return static_cast<uint16_t>(items_.size()); }
uint16_t ToolBox::GetItemId(uint16_t pos) const { return pos < items_.size() ? items_[pos].id : 0; }

uint16_t ToolBox::GetItemPos(uint16_t id) const {
    const Item* item = Find(id);
    return item != nullptr ? static_cast<uint16_t>(item - items_.data()) : TOOLBOX_ITEM_NOTFOUND;
}

std::vector<Rectangle> ToolBox::Layout() const {
    const int32_t textHeight = SvTextSize(GetFont(), 1).Height();
    int32_t height = 0;
    std::vector<Size> sizes;
    for (const Item& item : items_) {
        if (item.id == 0) {
            sizes.emplace_back(6, 0);
            continue;
        }
        const Size picture = item.bitmap.GetSizePixel();
        const int32_t textWidth = SvTextSize(GetFont(), item.text.Len()).Width();
        const Size s(6 + std::max(picture.Width(), textWidth),
                     6 + picture.Height() + (item.text.Len() > 0 ? textHeight + (picture.Height() > 0 ? 2 : 0) : 0));
        height = std::max(height, s.Height());
        sizes.push_back(s);
    }
    if (height == 0) height = textHeight + 10;
    std::vector<Rectangle> areas;
    int32_t x = 2;
    for (const Size& s : sizes) {
        areas.emplace_back(Point(x, 2), Size(s.Width(), height));
        x += s.Width();
    }
    return areas;
}

Rectangle ToolBox::GetItemRect(uint16_t id) const {
    const uint16_t pos = GetItemPos(id);
    return pos == TOOLBOX_ITEM_NOTFOUND ? Rectangle() : Layout()[pos];
}

Size ToolBox::CalcWindowSizePixel() const {
    const std::vector<Rectangle> areas = Layout();
    if (areas.empty()) return Size(4, SvTextSize(GetFont(), 1).Height() + 14);
    return Size(areas.back().Right() + 3, areas.back().GetHeight() + 4);
}

void ToolBox::SetItemText(uint16_t id, const String& text) {
    if (Item* item = Find(id)) {
        item->text = text;
        Invalidate();
    }
}

String ToolBox::GetItemText(uint16_t id) const { return Find(id) != nullptr ? Find(id)->text : String(); }

void ToolBox::SetHelpText(uint16_t id, const String& text) {
    if (Item* item = Find(id)) item->helpText = text;
}

String ToolBox::GetHelpText(uint16_t id) const { return Find(id) != nullptr ? Find(id)->helpText : String(); }

void ToolBox::CheckItem(uint16_t id, bool check) {
    if (Item* item = Find(id)) {
        item->checked = check;
        Invalidate();
    }
}

bool ToolBox::IsItemChecked(uint16_t id) const { return Find(id) != nullptr && Find(id)->checked; }

void ToolBox::EnableItem(uint16_t id, bool enable) {
    if (Item* item = Find(id)) {
        item->enabled = enable;
        Invalidate();
    }
}

bool ToolBox::IsItemEnabled(uint16_t id) const { return Find(id) != nullptr && Find(id)->enabled; }
uint16_t ToolBox::GetCurItemId() const { return cur_; }

void ToolBox::Click() { click_.Call(static_cast<ToolBox*>(this)); }
void ToolBox::Select() { select_.Call(static_cast<ToolBox*>(this)); }
void ToolBox::Highlight() { highlight_.Call(static_cast<ToolBox*>(this)); }
Link ToolBox::ChangeClickHdl(const Link& link) { return std::exchange(click_, link); }
const Link& ToolBox::GetClickHdl() const { return click_; }
Link ToolBox::ChangeSelectHdl(const Link& link) { return std::exchange(select_, link); }
const Link& ToolBox::GetSelectHdl() const { return select_; }
Link ToolBox::ChangeHighlightHdl(const Link& link) { return std::exchange(highlight_, link); }
const Link& ToolBox::GetHighlightHdl() const { return highlight_; }

uint16_t ToolBox::ButtonAt(const Point& p) const {
    const std::vector<Rectangle> areas = Layout();
    for (size_t i = 0; i < items_.size(); ++i) {
        const Rectangle& a = areas[i];
        if (items_[i].id != 0 && items_[i].enabled && p.X() >= a.Left() && p.X() <= a.Right() && p.Y() >= a.Top() &&
            p.Y() <= a.Bottom())
            return items_[i].id;
    }
    return 0;
}

void ToolBox::MouseMove(const MouseEvent& event) {
    const uint16_t id = ButtonAt(event.GetPosPixel());
    if (id == 0 || id == cur_) return;
    cur_ = id;
    Highlight();
}

void ToolBox::MouseButtonDown(const MouseEvent& event) {
    if (!event.IsLeft()) return;
    pressed_ = ButtonAt(event.GetPosPixel());
    if (pressed_ == 0) return;
    cur_ = pressed_;
    Invalidate();
    Click();
}

void ToolBox::MouseButtonUp(const MouseEvent& event) {
    const uint16_t pressed = std::exchange(pressed_, 0);
    if (pressed == 0) return;
    Invalidate();
    if (event.IsLeft() && ButtonAt(event.GetPosPixel()) == pressed) {
        cur_ = pressed;
        Select();
    }
    cur_ = 0;
}

void ToolBox::Paint(const Rectangle&) {
    const std::vector<Rectangle> areas = Layout();
    Push();
    ChangeMapMode(MapMode());
    const int32_t textHeight = GetTextSize(String("X")).Height();
    for (size_t i = 0; i < items_.size(); ++i) {
        const Item& item = items_[i];
        const Rectangle& a = areas[i];
        if (item.id == 0) {
            ChangePen(Pen(Color(COL_GRAY)));
            DrawLine(Point(a.Left() + 3, a.Top()), Point(a.Left() + 3, a.Bottom()));
            continue;
        }
        const bool down = item.checked || item.id == pressed_;
        ChangePen(Pen(Color(down ? COL_BLACK : COL_GRAY)));
        ChangeFillInBrush(Brush(Color(down ? COL_WHITE : COL_LIGHTGRAY)));
        DrawRect(a);
        const Size picture = item.bitmap.GetSizePixel();
        if (!!item.bitmap) DrawBitmap(Point(a.Left() + (a.GetWidth() - picture.Width()) / 2, a.Top() + 3), item.bitmap);
        if (item.text.Len() > 0) {
            const int32_t width = GetTextSize(item.text).Width();
            const int32_t y = picture.Height() > 0 ? a.Top() + 5 + picture.Height() : a.Top() + (a.GetHeight() - textHeight) / 2;
            ChangeTextColor(Color(item.enabled && IsEnabled() ? COL_BLACK : COL_GRAY));
            DrawText(Point(a.Left() + (a.GetWidth() - width) / 2, y), item.text);
        }
    }
    Pop();
}
