#include <algorithm>
#include <cctype>
#include <atomic>
#include <cstdio>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

#include "svcore.h"

namespace svcore {

namespace {

std::atomic<std::thread::id> theGuiThread{std::thread::id()};

struct Registry {
    std::map<uint64_t, Window*> live;  // serials grow, so the map is in creation order
    uint64_t next = 1;
    Window* focus = nullptr;
};

Registry& TheRegistry() {
    static Registry r;
    return r;
}

// The open frame windows as the watchdog names them: kept apart so that its thread can read them.
std::mutex theNamesMutex;
std::map<uint64_t, std::string>& TheNames() {
    static std::map<uint64_t, std::string> names;
    return names;
}

void Rename(const Window& w) {
    if (!IsSysWin(w)) return;
    std::lock_guard<std::mutex> lock(theNamesMutex);
    TheNames()[WindowData::Of(w).serial] = Describe(w);
}

}  // namespace

void CheckGuiThread(const char* call) {
    const std::thread::id me = std::this_thread::get_id();
    std::thread::id expected;
    if (theGuiThread.compare_exchange_strong(expected, me) || expected == me) return;
    Stop(std::string("window call from a thread other than the GUI thread: ") + call);
}

bool OnGuiThread() { return theGuiThread.load() == std::this_thread::get_id(); }

void Register(Window* w) {
    Registry& r = TheRegistry();
    WindowData& d = WindowData::Of(*w);
    d.serial = r.next++;
    r.live[d.serial] = w;
}

void Unregister(Window* w) {
    Registry& r = TheRegistry();
    const uint64_t serial = WindowData::Of(*w).serial;
    r.live.erase(serial);
    if (r.focus == w) r.focus = nullptr;
    std::lock_guard<std::mutex> lock(theNamesMutex);
    TheNames().erase(serial);
}

Window* Find(uint64_t serial) {
    Registry& r = TheRegistry();
    const auto it = r.live.find(serial);
    return it == r.live.end() ? nullptr : it->second;
}

std::vector<Window*> AllWindows() {
    std::vector<Window*> all;
    for (const auto& [serial, w] : TheRegistry().live) all.push_back(w);
    return all;
}

Window*& FocusWindow() { return TheRegistry().focus; }

bool IsSysWin(const Window& w) {
    switch (WindowData::Of(w).type) {
        case RSC_SYSWINDOW:
        case RSC_WORKWIN:
        case RSC_MDIWINDOW:
        case RSC_MODALDIALOG:
        case RSC_MODELESSDIALOG:
        case RSC_FLOATINGWINDOW: return true;
        default: return false;
    }
}

bool IsFrame(const Window& w) { return IsSysWin(w) && WindowData::Of(w).type != RSC_MDIWINDOW; }

Window* PictureRoot(Window* w) {
    while (w != nullptr && !IsFrame(*w) && WindowData::Of(*w).parent != nullptr) w = WindowData::Of(*w).parent;
    return w;
}

namespace {

void Place(const Window& w, const Point& offset, int depth, const Rectangle& clip, std::vector<Placed>& out) {
    out.push_back(Placed{&w, offset, depth, clip});
    for (Window* c : WindowData::Of(w).children) {
        const WindowData& cd = WindowData::Of(*c);
        if (!cd.visible || IsFrame(*c)) continue;
        const Point at(offset.X() + cd.pos.X(), offset.Y() + cd.pos.Y());
        const Rectangle own(at, cd.size);
        Place(*c, at, depth + 1, clip.GetIntersection(own), out);
    }
}

}  // namespace

std::vector<Placed> PictureOf(const Window& w) {
    std::vector<Placed> out;
    Place(w, Point(0, 0), 0, Rectangle(Point(0, 0), WindowData::Of(w).size), out);
    return out;
}

std::string Quote(const std::string& text) {
    std::string q = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            q += '\\';
            q += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            q += buf;
        } else {
            q += static_cast<char>(c);
        }
    }
    return q + "\"";
}

std::string Quote(const String& text) { return Quote(std::string(text.GetStr(), text.Len())); }

String ShownText(const String& text) {
    String s = text;
    for (uint16_t i = s.Search('~'); i != STRING_NOTFOUND; i = s.Search('~', i)) s.Erase(i, 1);
    return s;
}

std::string Describe(const Window& w) {
    const WindowData& d = WindowData::Of(w);
    std::string s = SvResTypeName(d.type);
    if (d.resId != 0) s += "#" + std::to_string(d.resId);
    return s + " " + Quote(d.text);
}

std::string OpenWindowsText() {
    std::lock_guard<std::mutex> lock(theNamesMutex);
    std::string s;
    for (const auto& [serial, name] : TheNames()) s += (s.empty() ? "" : ", ") + name;
    return s.empty() ? "none" : s;
}

// ---- painting ----

namespace {

void Repaint(Window* w) {
    WindowData& d = WindowData::Of(*w);
    const uint64_t serial = d.serial;
    WindowData::ClearLog(*w);
    d.invalid = false;
    if (!d.background.IsTransparent() && d.size.Width() > 0 && d.size.Height() > 0) {
        SvPaintOp op;
        op.kind = SvPaintOp::FILL;
        op.area = Rectangle(Point(0, 0), d.size);
        op.brush = d.background;
        WindowData::Record(*w, std::move(op));
    }
    w->Paint(Rectangle(Point(0, 0), w->GetOutputSize()));
    if (Find(serial) != w) return;  // the handler deleted the window
    std::vector<uint64_t> children;
    for (Window* c : d.children) children.push_back(WindowData::Of(*c).serial);
    for (uint64_t s : children) {
        Window* c = Find(s);
        if (c != nullptr && WindowData::Of(*c).parent == w && WindowData::Of(*c).visible && !IsFrame(*c)) Repaint(c);
    }
}

}  // namespace

void UpdateTree(Window* w) {
    WindowData& d = WindowData::Of(*w);
    if (!d.visible) return;
    if (d.invalid) {
        Repaint(w);
        return;
    }
    std::vector<uint64_t> children;
    for (Window* c : d.children) children.push_back(WindowData::Of(*c).serial);
    for (uint64_t s : children) {
        Window* c = Find(s);
        if (c != nullptr && WindowData::Of(*c).parent == w && !IsFrame(*c)) UpdateTree(c);
    }
}

void RepaintAll() {
    std::vector<uint64_t> roots;
    for (Window* w : AllWindows())
        if (PictureRoot(w) == w) roots.push_back(WindowData::Of(*w).serial);
    for (uint64_t s : roots)
        if (Window* w = Find(s)) UpdateTree(w);
}

}  // namespace svcore

using svcore::WindowData;

// ---- Window ----

void Window::Init(RESOURCE_TYPE type, Window* parent, WinBits style) {
    svcore::CheckGuiThread("Window");
    data_ = std::make_unique<WindowData>();
    data_->self = this;
    data_->type = type;
    data_->style = style;
    data_->parent = parent;
    svcore::Register(this);
    if (parent != nullptr) parent->data_->children.push_back(this);
    if (parent == nullptr || svcore::IsFrame(*this) || type == RSC_MDIWINDOW) data_->size = Size(640, 480);
    svcore::Rename(*this);
}

Window::Window(Window* parent, WinBits style) { Init(RSC_WINDOW, parent, style); }
Window::Window(Window* parent, const ResId& id) : Window(RSC_WINDOW, parent, id) {}
Window::Window(RESOURCE_TYPE type, Window* parent, WinBits style) { Init(type, parent, style); }

Window::Window(RESOURCE_TYPE type, Window* parent, const ResId& id) {
    const SvControlRes* res;
    std::shared_ptr<const SvWindowRes> window;
    if (SvIsWindowType(type)) {
        window = GetWindowRes(id, type);
        res = window.get();
    } else {
        res = &id.GetResMgr()->GetControl(type, id.GetId());
    }
    Init(type, parent, res->style);
    data_->resId = id.GetId();
    data_->pos = res->pos;
    data_->size = res->size;
    data_->text = res->text;
    data_->visible = !SvIsWindowType(type);  // the controls of a dialog show with it
    svcore::Rename(*this);
}

Window::~Window() {
    svcore::CheckGuiThread("~Window");
    if ((svcore::PictureRoot(this) == this || svcore::IsSysWin(*this)) && !data_->detached)
        svcore::WritePaintFiles(this);
    for (Window* c : data_->children) {
        WindowData& cd = *c->data_;
        cd.parent = nullptr;
        cd.visible = false;
        cd.detached = true;
        cd.dirty = true;  // listed at the end of the run unless its owner deletes it before
    }
    data_->children.clear();
    if (data_->parent != nullptr) {
        std::vector<Window*>& siblings = data_->parent->data_->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    }
    svcore::Unregister(this);
}

RESOURCE_TYPE Window::GetType() const { return data_->type; }
uint32_t Window::GetResId() const { return data_->resId; }
WinBits Window::GetStyle() const { return data_->style; }
Window* Window::GetParent() const { return data_->parent; }
uint16_t Window::GetChildCount() const { return static_cast<uint16_t>(data_->children.size()); }
Window* Window::GetChild(uint16_t n) const { return n < data_->children.size() ? data_->children[n] : nullptr; }

void Window::SetPosPixel(const Point& pos) {
    svcore::CheckGuiThread("SetPosPixel");
    if (pos == data_->pos) return;
    data_->pos = pos;
    if (data_->parent != nullptr && !svcore::IsFrame(*this)) svcore::MarkDirty(data_->parent);
    Move();
}

Point Window::GetPosPixel() const { return data_->pos; }

void Window::SetSizePixel(const Size& size) {
    svcore::CheckGuiThread("SetSizePixel");
    const Size s(std::max<int32_t>(0, size.Width()), std::max<int32_t>(0, size.Height()));
    if (s == data_->size) return;
    data_->size = s;
    data_->invalid = true;
    svcore::MarkDirty(this);
    Resize();
}

Size Window::GetSizePixel() const { return data_->size; }

void Window::SetPosSizePixel(const Point& pos, const Size& size) {
    SetPosPixel(pos);
    SetSizePixel(size);
}

void Window::SetOutputSizePixel(const Size& size) { SetSizePixel(size); }
Size Window::GetOutputSizePixel() const { return data_->size; }

void Window::Show() {
    svcore::CheckGuiThread("Show");
    if (data_->visible) return;
    data_->visible = true;
    data_->invalid = true;
    if (data_->parent != nullptr && !svcore::IsFrame(*this)) svcore::MarkDirty(data_->parent);
}

void Window::Hide() {
    svcore::CheckGuiThread("Hide");
    if (!data_->visible) return;
    data_->visible = false;
    if (data_->parent != nullptr && !svcore::IsFrame(*this)) svcore::MarkDirty(data_->parent);
}

bool Window::IsVisible() const { return data_->visible; }

void Window::Enable() {
    svcore::CheckGuiThread("Enable");
    data_->enabled = true;
}

void Window::Disable() {
    svcore::CheckGuiThread("Disable");
    data_->enabled = false;
}

bool Window::IsEnabled() const { return data_->enabled; }

void Window::GrabFocus() {
    svcore::CheckGuiThread("GrabFocus");
    Window*& focus = svcore::FocusWindow();
    if (focus == this) return;
    Window* old = focus;
    focus = this;
    if (old != nullptr) {
        old->SvFocusChanged();
        old->LoseFocus();
    }
    SvFocusChanged();
    GetFocus();
}

bool Window::HasFocus() const { return svcore::FocusWindow() == this; }

void Window::SetText(const String& text) {
    svcore::CheckGuiThread("SetText");
    if (data_->text == text) return;
    data_->text = text;
    data_->invalid = true;  // a control shows its text
    svcore::Rename(*this);
}

String Window::GetText() const { return data_->text; }

Brush Window::ChangeBackgroundBrush(const Brush& brush) { return std::exchange(data_->background, brush); }

const Brush& Window::GetBackgroundBrush() const { return data_->background; }

void Window::Invalidate() { data_->invalid = true; }
void Window::Invalidate(const Rectangle&) { data_->invalid = true; }

void Window::Update() {
    svcore::CheckGuiThread("Update");
    svcore::UpdateTree(this);
}

void Window::Paint(const Rectangle&) {}
void Window::Resize() {}
void Window::Move() {}
void Window::MouseMove(const MouseEvent&) {}
void Window::MouseButtonDown(const MouseEvent&) {}
void Window::MouseButtonUp(const MouseEvent&) {}

void Window::KeyInput(const KeyEvent& event) {
    if (data_->parent != nullptr && !svcore::IsFrame(*this)) data_->parent->KeyInput(event);
}

void Window::GetFocus() {}
void Window::LoseFocus() {}
void Window::RequestHelp(const HelpEvent&) {}
bool Window::Drop(const DropEvent&) { return false; }
bool Window::QueryDrop(DropEvent&) { return false; }

bool Window::Close() {
    svcore::CheckGuiThread("Close");
    Hide();
    if (svcore::IsSysWin(*this)) svcore::WritePaintFiles(this);
    return true;
}

void Window::SvInputText(const String& text) { SetText(text); }
bool Window::SvInputChoose(const String&) { return false; }

void Window::SvOnRecord() {
    svcore::MarkDirty(this);
}

void Window::SvCheckDrawing(const char* call) const { svcore::CheckGuiThread(call); }
void Window::SvFocusChanged() {}

// ---- Control and the frame windows ----

Control::Control(Window* parent, WinBits style) : Window(RSC_CONTROL, parent, style) {}
Control::Control(Window* parent, const ResId& id) : Window(RSC_CONTROL, parent, id) {}
Control::Control(RESOURCE_TYPE type, Window* parent, WinBits style) : Window(type, parent, style) {}
Control::Control(RESOURCE_TYPE type, Window* parent, const ResId& id) : Window(type, parent, id) {}

SysWin::SysWin(RESOURCE_TYPE type, Window* parent, WinBits style) : Window(type, parent, style) {}
SysWin::SysWin(RESOURCE_TYPE type, Window* parent, const ResId& id) : Window(type, parent, id) {}

WorkWindow::WorkWindow(Window* parent, WinBits style) : SysWin(RSC_WORKWIN, parent, style) {
    if (parent == nullptr && GetpApp()->GetAppWindow() == nullptr) GetpApp()->SetAppWindow(this);
}

WorkWindow::WorkWindow(Window* parent, const ResId& id) : SysWin(RSC_WORKWIN, parent, id) {
    if (parent == nullptr && GetpApp()->GetAppWindow() == nullptr) GetpApp()->SetAppWindow(this);
}

WorkWindow::~WorkWindow() { svcore::ForgetAppWindow(this); }

void WorkWindow::SetIcon(const Icon& icon) { icon_ = icon; }
const Icon& WorkWindow::GetIcon() const { return icon_; }

bool WorkWindow::Close() {
    const bool appWindow = GetpApp()->GetAppWindow() == this;
    Window::Close();
    if (appWindow) GetpApp()->Quit();
    return true;
}

MDIWindow::MDIWindow(WorkWindow* parent, WinBits style) : SysWin(RSC_MDIWINDOW, parent, style) {}
MDIWindow::MDIWindow(WorkWindow* parent, const ResId& id) : SysWin(RSC_MDIWINDOW, parent, id) {}

Dialog::Dialog(RESOURCE_TYPE type, Window* parent, WinBits style) : SysWin(type, parent, style) {}
Dialog::Dialog(RESOURCE_TYPE type, Window* parent, const ResId& id) : SysWin(type, parent, id) {}

ModelessDialog::ModelessDialog(Window* parent, WinBits style) : Dialog(RSC_MODELESSDIALOG, parent, style) {}
ModelessDialog::ModelessDialog(Window* parent, const ResId& id) : Dialog(RSC_MODELESSDIALOG, parent, id) {}

FloatingWindow::FloatingWindow(Window* parent, WinBits style) : SysWin(RSC_FLOATINGWINDOW, parent, style) {}
FloatingWindow::FloatingWindow(Window* parent, const ResId& id) : SysWin(RSC_FLOATINGWINDOW, parent, id) {}
