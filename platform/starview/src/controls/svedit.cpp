// Edit, NumericField, TimeField and ComboBox.
#include "svedit.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "svapp.h"
#include "svcore.h"
#include "svevent.h"

namespace {

bool Printable(char c) { return static_cast<unsigned char>(c) >= 0x20 && c != 0x7F; }

// Input reaches a window when it and its parents are enabled.
bool Reachable(const Window* w) {
    for (; w != nullptr; w = w->GetParent())
        if (!w->IsEnabled()) return false;
    return true;
}

}  // namespace

// ---- Edit ----

Edit::Edit(Window* parent, WinBits style) : Control(RSC_EDIT, parent, style) {}
Edit::Edit(Window* parent, const ResId& id) : Edit(RSC_EDIT, parent, id) {}
Edit::Edit(RESOURCE_TYPE type, Window* parent, WinBits style) : Control(type, parent, style) {}

Edit::Edit(RESOURCE_TYPE type, Window* parent, const ResId& id) : Control(type, parent, id) {
    anchor_ = cursor_ = GetText().Len();
}

void Edit::SetText(const String& text) {
    Control::SetText(text);
    anchor_ = cursor_ = GetText().Len();
    Invalidate();
}

void Edit::SetSelection(const Selection& selection) {
    const int32_t len = GetText().Len();
    anchor_ = static_cast<uint16_t>(std::clamp<int32_t>(selection.Min(), 0, len));
    cursor_ = static_cast<uint16_t>(std::clamp<int32_t>(selection.Max(), 0, len));
    Invalidate();
}

Selection Edit::GetSelection() const { return Selection(anchor_, cursor_); }

String Edit::GetSelected() const {
    const uint16_t from = std::min(anchor_, cursor_), to = std::max(anchor_, cursor_);
    return GetText().Copy(from, to - from);
}

void Edit::SetReadOnly(bool readOnly) {
    readOnly_ = readOnly;
    Invalidate();
}

bool Edit::IsReadOnly() const { return readOnly_; }

void Edit::Modify() {
    modified_ = true;
    modify_.Call(static_cast<Edit*>(this));
}

Link Edit::ChangeModifyHdl(const Link& link) { return std::exchange(modify_, link); }
const Link& Edit::GetModifyHdl() const { return modify_; }
bool Edit::IsModified() const { return modified_; }
void Edit::SetModifyFlag() { modified_ = true; }
void Edit::ClearModifyFlag() { modified_ = false; }

bool Edit::Type(char c) {
    if (readOnly_) return false;
    String text = GetText();
    const uint16_t from = std::min(anchor_, cursor_), to = std::max(anchor_, cursor_);
    text.Erase(from, to - from);
    if (text.Len() >= STRING_MAXLEN) return false;
    text.Insert(c, from);
    Control::SetText(text);
    anchor_ = cursor_ = from + 1;
    Invalidate();
    Modify();
    return true;
}

bool Edit::Erase(bool before) {
    if (readOnly_) return false;
    String text = GetText();
    uint16_t from = std::min(anchor_, cursor_), to = std::max(anchor_, cursor_);
    if (from == to) {
        if (before && from > 0) --from;
        else if (!before && to < text.Len()) ++to;
        else return false;
    }
    text.Erase(from, to - from);
    Control::SetText(text);
    anchor_ = cursor_ = from;
    Invalidate();
    Modify();
    return true;
}

void Edit::MoveCursor(uint16_t to, bool extend) {
    cursor_ = to;
    if (!extend) anchor_ = to;
    Invalidate();
}

void Edit::KeyInput(const KeyEvent& event) {
    const KeyCode& key = event.GetKeyCode();
    if (!key.IsMod1() && !key.IsMod2()) {
        const uint16_t len = GetText().Len();
        switch (key.GetCode()) {
            case KEY_BACKSPACE: Erase(true); return;
            case KEY_DELETE: Erase(false); return;
            case KEY_LEFT: MoveCursor(cursor_ > 0 ? cursor_ - 1 : 0, key.IsShift()); return;
            case KEY_RIGHT: MoveCursor(cursor_ < len ? cursor_ + 1 : len, key.IsShift()); return;
            case KEY_HOME: MoveCursor(0, key.IsShift()); return;
            case KEY_END: MoveCursor(len, key.IsShift()); return;
            default: break;
        }
        if (Printable(event.GetCharCode())) {
            Type(event.GetCharCode());
            return;
        }
    }
    Control::KeyInput(event);
}

int32_t Edit::SvTextAreaWidth() const { return GetOutputSizePixel().Width(); }

void Edit::Paint(const Rectangle&) {
    const Size size = GetOutputSizePixel();
    Push();
    ChangeMapMode(MapMode());
    ChangePen(Pen(Color(COL_BLACK)));
    ChangeFillInBrush(Brush(Color(readOnly_ || !IsEnabled() ? COL_LIGHTGRAY : COL_WHITE)));
    DrawRect(Rectangle(Point(0, 0), Size(SvTextAreaWidth(), size.Height())));
    const String text = GetText();
    const int32_t height = GetTextSize(String("X")).Height();
    const int32_t y = (size.Height() - height) / 2;
    ChangeTextColor(Color(IsEnabled() ? COL_BLACK : COL_GRAY));
    DrawText(Point(3, y), text);
    if (HasFocus()) {
        const uint16_t from = std::min(anchor_, cursor_), to = std::max(anchor_, cursor_);
        const int32_t x0 = 3 + GetTextSize(text, 0, from).Width();
        if (to > from) Invert(Rectangle(Point(x0, y), Size(GetTextSize(text, from, to - from).Width(), height)));
        const int32_t xc = 3 + GetTextSize(text, 0, cursor_).Width();
        ChangePen(Pen(Color(COL_BLACK)));
        DrawLine(Point(xc, y), Point(xc, y + height - 1));
    }
    Pop();
}

void Edit::SvFocusChanged() { Invalidate(); }

void Edit::SvInputText(const String& text) {
    if (!Reachable(this)) return;  // a user cannot type into a disabled field
    GrabFocus();
    SetSelection(Selection(0, GetText().Len()));
    if (text.Len() == 0) KeyInput(KeyEvent(0, KeyCode(KEY_DELETE)));
    for (uint16_t i = 0; i < text.Len(); ++i) KeyInput(SvKeyEventOf(text[i]));
}

// ---- NumericField ----

NumericField::NumericField(Window* parent, WinBits style) : Edit(RSC_NUMERICFIELD, parent, style) {
    Reformat();
}

NumericField::NumericField(Window* parent, const ResId& id) : Edit(RSC_NUMERICFIELD, parent, id) {
    value_ = Parsed();
    Reformat();
}

int32_t NumericField::Limited(int64_t value) const {
    return static_cast<int32_t>(std::clamp<int64_t>(value, min_, std::max(min_, max_)));
}

// The text's number, limited; the current value when the text holds none.
int32_t NumericField::Parsed() const {
    const String text = GetText();
    uint16_t i = 0;
    while (i < text.Len() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (text[i] == '-' || text[i] == '+') negative = text[i++] == '-';
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return value_;
    int64_t n = 0;
    for (; std::isdigit(static_cast<unsigned char>(text[i])); ++i)
        if (n <= INT64_C(1) << 40) n = n * 10 + (text[i] - '0');
    return Limited(negative ? -n : n);
}

void NumericField::SetValue(int32_t value) {
    value_ = Limited(value);
    Edit::SetText(String(static_cast<long>(value_)));
}

int32_t NumericField::GetValue() const { return Parsed(); }

void NumericField::SetMin(int32_t min) {
    min_ = min;
    SetValue(value_);
}

int32_t NumericField::GetMin() const { return min_; }

void NumericField::SetMax(int32_t max) {
    max_ = max;
    SetValue(value_);
}

int32_t NumericField::GetMax() const { return max_; }
void NumericField::SetFirst(int32_t first) { first_ = first; }
int32_t NumericField::GetFirst() const { return first_; }
void NumericField::SetLast(int32_t last) { last_ = last; }
int32_t NumericField::GetLast() const { return last_; }

void NumericField::Reformat() { SetValue(Parsed()); }

void NumericField::LoseFocus() {
    Reformat();
    Edit::LoseFocus();
}

// ---- TimeField ----

TimeField::TimeField(Window* parent, WinBits style)
    : Edit(RSC_TIMEFIELD, parent, style), value_(0, 0), min_(0, 0), max_(23, 59, 59, 99), first_(min_), last_(max_) {
    Reformat();
}

TimeField::TimeField(Window* parent, const ResId& id)
    : Edit(RSC_TIMEFIELD, parent, id), value_(0, 0), min_(0, 0), max_(23, 59, 59, 99), first_(min_), last_(max_) {
    value_ = Parsed();
    Reformat();
}

Time TimeField::Limited(const Time& time) const {
    if (time < min_) return min_;
    if (time > max_ && max_ >= min_) return max_;
    return time;
}

Time TimeField::Parsed() const {
    const String text = GetText();
    long parts[3] = {0, 0, 0};
    int count = 0;
    for (uint16_t i = 0; i < text.Len();) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) {
            ++i;
            continue;
        }
        if (count == 3) return value_;
        long n = 0;
        for (; i < text.Len() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
            if (n < 1000) n = n * 10 + (text[i] - '0');
        parts[count++] = n;
    }
    if (count == 0) return value_;
    String upper = text;
    upper.Upper();
    const International& intl = GetpApp()->GetAppInternational();
    String am = intl.GetTimeAM(), pm = intl.GetTimePM();
    am.Upper();
    pm.Upper();
    if (!!pm && upper.Search(pm) != STRING_NOTFOUND && parts[0] >= 1 && parts[0] <= 11) parts[0] += 12;
    else if (!!am && upper.Search(am) != STRING_NOTFOUND && parts[0] == 12) parts[0] = 0;
    if (parts[0] > 23 || parts[1] > 59 || parts[2] > 59) return value_;
    return Limited(Time(static_cast<uint32_t>(parts[0]), static_cast<uint32_t>(parts[1]),
                        static_cast<uint32_t>(parts[2])));
}

void TimeField::SetTime(const Time& time) {
    value_ = Limited(time);
    Edit::SetText(GetpApp()->GetAppInternational().GetTime(value_, true, false));
}

Time TimeField::GetTime() const { return Parsed(); }

void TimeField::SetMin(const Time& min) {
    min_ = min;
    SetTime(value_);
}

Time TimeField::GetMin() const { return min_; }

void TimeField::SetMax(const Time& max) {
    max_ = max;
    SetTime(value_);
}

Time TimeField::GetMax() const { return max_; }
void TimeField::SetFirst(const Time& first) { first_ = first; }
Time TimeField::GetFirst() const { return first_; }
void TimeField::SetLast(const Time& last) { last_ = last; }
Time TimeField::GetLast() const { return last_; }

void TimeField::Reformat() { SetTime(Parsed()); }

void TimeField::LoseFocus() {
    Reformat();
    Edit::LoseFocus();
}

// ---- ComboBox ----

ComboBox::ComboBox(Window* parent, WinBits style) : Edit(RSC_COMBOBOX, parent, style) {}
ComboBox::ComboBox(Window* parent, const ResId& id) : Edit(RSC_COMBOBOX, parent, id) {}

uint16_t ComboBox::InsertEntry(const String& text, uint16_t pos) {
    if (entries_.size() >= COMBOBOX_APPEND) return COMBOBOX_ENTRY_NOTFOUND;
    if (pos > entries_.size()) pos = static_cast<uint16_t>(entries_.size());
    entries_.insert(entries_.begin() + pos, text);
    return pos;
}

void ComboBox::RemoveEntry(const String& text) { RemoveEntry(GetEntryPos(text)); }

void ComboBox::RemoveEntry(uint16_t pos) {
    if (pos < entries_.size()) entries_.erase(entries_.begin() + pos);
}

void ComboBox::Clear() { entries_.clear(); }
uint16_t ComboBox::GetEntryCount() const { return static_cast<uint16_t>(entries_.size()); }
String ComboBox::GetEntry(uint16_t pos) const { return pos < entries_.size() ? entries_[pos] : String(); }

uint16_t ComboBox::GetEntryPos(const String& text) const {
    for (size_t i = 0; i < entries_.size(); ++i)
        if (entries_[i] == text) return static_cast<uint16_t>(i);
    return COMBOBOX_ENTRY_NOTFOUND;
}

void ComboBox::Select() { select_.Call(static_cast<ComboBox*>(this)); }
Link ComboBox::ChangeSelectHdl(const Link& link) { return std::exchange(select_, link); }
const Link& ComboBox::GetSelectHdl() const { return select_; }

int32_t ComboBox::SvTextAreaWidth() const {
    const Size size = GetOutputSizePixel();
    return std::max<int32_t>(0, size.Width() - size.Height());
}

void ComboBox::Paint(const Rectangle& rect) {
    Edit::Paint(rect);
    const Size size = GetOutputSizePixel();
    const int32_t h = size.Height(), x = SvTextAreaWidth();
    Push();
    ChangeMapMode(MapMode());
    ChangePen(Pen(Color(COL_BLACK)));
    ChangeFillInBrush(Brush(Color(COL_LIGHTGRAY)));
    DrawRect(Rectangle(Point(x, 0), Size(size.Width() - x, h)));
    // The arrow of the drop-down button.
    const int32_t cx = x + (size.Width() - x) / 2, cy = h / 2;
    DrawLine(Point(cx - 3, cy - 1), Point(cx + 3, cy - 1));
    DrawLine(Point(cx - 2, cy), Point(cx + 2, cy));
    DrawLine(Point(cx - 1, cy + 1), Point(cx + 1, cy + 1));
    Pop();
}

bool ComboBox::SvInputChoose(const String& entry) {
    if (GetEntryPos(entry) == COMBOBOX_ENTRY_NOTFOUND) return false;
    if (!Reachable(this)) return true;
    GrabFocus();
    Edit::SetText(entry);
    Modify();
    Select();
    return true;
}
