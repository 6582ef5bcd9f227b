#include <utility>

#include "svcore.h"

namespace {

// A button's text without the "~" that marks its mnemonic.
String Shown(const String& text) {
    String s = text;
    for (uint16_t i = s.Search('~'); i != STRING_NOTFOUND; i = s.Search('~', i)) s.Erase(i, 1);
    return s;
}

// Ends the dialog of a button: a running modal dialog with the result, any other with Close.
void EndOrClose(Dialog* dialog, short result) {
    if (dialog == nullptr) return;
    if (auto* modal = dynamic_cast<ModalDialog*>(dialog); modal != nullptr && modal->IsInExecute())
        modal->EndDialog(result);
    else
        dialog->Close();
}

}  // namespace

Button::Button(RESOURCE_TYPE type, Window* parent, WinBits style) : Control(type, parent, style) {}
Button::Button(RESOURCE_TYPE type, Window* parent, const ResId& id) : Control(type, parent, id) {}

void Button::Click() { click_.Call(static_cast<Button*>(this)); }

Link Button::ChangeClickHdl(const Link& link) { return std::exchange(click_, link); }

const Link& Button::GetClickHdl() const { return click_; }

Dialog* Button::SvGetDialog() const {
    for (Window* w = GetParent(); w != nullptr; w = w->GetParent())
        if (auto* d = dynamic_cast<Dialog*>(w)) return d;
    return nullptr;
}

void Button::Paint(const Rectangle&) {
    const Size size = GetOutputSize();
    Push();
    ChangePen(Pen(Color(COL_BLACK)));
    ChangeFillInBrush(Brush(Color(COL_LIGHTGRAY)));
    DrawRect(Rectangle(Point(0, 0), size));
    const String text = Shown(GetText());
    const Size extent = GetTextSize(text);
    ChangeTextColor(IsEnabled() ? Color(COL_BLACK) : Color(COL_GRAY));
    DrawText(Point((size.Width() - extent.Width()) / 2, (size.Height() - extent.Height()) / 2), text);
    Pop();
}

void Button::MouseButtonDown(const MouseEvent& event) { pressed_ = event.IsLeft(); }

void Button::MouseButtonUp(const MouseEvent& event) {
    const bool click = pressed_ && event.IsLeft();
    pressed_ = false;
    const Point& p = event.GetPosPixel();
    const Size size = GetOutputSizePixel();
    if (click && p.X() >= 0 && p.Y() >= 0 && p.X() < size.Width() && p.Y() < size.Height()) Click();
}

PushButton::PushButton(Window* parent, WinBits style) : Button(RSC_PUSHBUTTON, parent, style) {}
PushButton::PushButton(Window* parent, const ResId& id) : Button(RSC_PUSHBUTTON, parent, id) {}
PushButton::PushButton(RESOURCE_TYPE type, Window* parent, WinBits style) : Button(type, parent, style) {}
PushButton::PushButton(RESOURCE_TYPE type, Window* parent, const ResId& id) : Button(type, parent, id) {}

void PushButton::SvClickOrEnd(short result) {
    if (GetClickHdl().IsSet())
        PushButton::Click();
    else
        EndOrClose(SvGetDialog(), result);
}

OKButton::OKButton(Window* parent, WinBits style) : PushButton(RSC_OKBUTTON, parent, style) {}
OKButton::OKButton(Window* parent, const ResId& id) : PushButton(RSC_OKBUTTON, parent, id) {}

void OKButton::Click() { SvClickOrEnd(1); }

CancelButton::CancelButton(Window* parent, WinBits style) : PushButton(RSC_CANCELBUTTON, parent, style) {}
CancelButton::CancelButton(Window* parent, const ResId& id) : PushButton(RSC_CANCELBUTTON, parent, id) {}

void CancelButton::Click() { SvClickOrEnd(0); }
