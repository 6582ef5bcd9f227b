#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

#include "svcore.h"

namespace svcore {

namespace {

Application* theApp = nullptr;
Application* theDefaultApp = nullptr;
bool theInMain = false;

std::mutex theQueueMutex;
std::deque<Event>& TheQueue() {
    static std::deque<Event> queue;
    return queue;
}

bool theQuit = false;
std::atomic<int> theDepth{0};
std::atomic<uint64_t> theProgress{0};

std::vector<SvBoxRecord>& TheBoxLog() {
    static std::vector<SvBoxRecord> log;
    return log;
}

std::vector<std::string>& TheAppLog() {
    static std::vector<std::string> log;
    return log;
}

// ---- the watchdog ----

class Watchdog {
public:
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        cv_.notify_all();
        if (thread_.joinable()) thread_.join();
    }

    void Start() {
        std::call_once(once_, [this] {
            const char* env = std::getenv("SV_TIMEOUT");
            double seconds = 60;
            if (env != nullptr && *env != '\0') {
                char* end = nullptr;
                errno = 0;
                seconds = std::strtod(env, &end);
                if (errno != 0 || end == env || *end != '\0' || !(seconds >= 0))
                    Stop(std::string("SV_TIMEOUT is not a number of seconds: \"") + env + "\"");
            }
            if (seconds == 0) return;  // no watchdog
            timeout_ = std::chrono::duration<double>(seconds);
            thread_ = std::thread([this] { Run(); });
        });
    }

private:
    void Run() {
        using Clock = std::chrono::steady_clock;
        std::unique_lock<std::mutex> lock(mutex_);
        uint64_t seen = theProgress.load();
        Clock::time_point since = Clock::now();
        const auto step = std::chrono::duration_cast<Clock::duration>(timeout_ / 4);
        while (!stop_) {
            cv_.wait_for(lock, step);
            if (stop_) break;
            const uint64_t now = theProgress.load();
            if (now != seen || theDepth.load() == 0) {
                seen = now;
                since = Clock::now();
                continue;
            }
            if (Clock::now() - since >= timeout_) {
                std::fprintf(stderr, "sv: watchdog: the run is stuck (nothing dispatched for %g s); open windows: %s\n",
                             timeout_.count(), OpenWindowsText().c_str());
                std::fflush(stderr);
                std::_Exit(2);
            }
        }
    }

    std::once_flag once_;
    std::mutex mutex_;
    std::condition_variable cv_;
    bool stop_ = false;
    std::chrono::duration<double> timeout_{60};
    std::thread thread_;
};

Watchdog& TheWatchdog() {
    static Watchdog w;
    return w;
}

// ---- dispatch ----

bool Inside(const Point& p, const Size& s) { return p.X() >= 0 && p.Y() >= 0 && p.X() < s.Width() && p.Y() < s.Height(); }

// The deepest visible non-frame child of w under p (w itself when none); p becomes its pixels.
Window* HitTest(Window* w, Point& p) {
    const WindowData& d = WindowData::Of(*w);
    for (auto it = d.children.rbegin(); it != d.children.rend(); ++it) {
        const WindowData& cd = WindowData::Of(**it);
        if (!cd.visible || IsFrame(**it)) continue;
        const Point local(p.X() - cd.pos.X(), p.Y() - cd.pos.Y());
        if (Inside(local, cd.size)) {
            p = local;
            return HitTest(*it, p);
        }
    }
    return w;
}

// Input reaches a window when it and its parents up to its picture's root are enabled.
bool Reachable(Window* w) {
    for (Window* v = w; v != nullptr; v = IsFrame(*v) ? nullptr : WindowData::Of(*v).parent)
        if (!WindowData::Of(*v).enabled) return false;
    return true;
}

bool IsInside(Window* w, Window* ancestor) {
    for (Window* v = w; v != nullptr; v = WindowData::Of(*v).parent)
        if (v == ancestor) return true;
    return false;
}

void Dispatch(const Event& e) {
    switch (e.kind) {
        case Event::USER: e.link.Call(e.data); return;
        case Event::MENU: {
            MenuBar* bar = CurrentApp() != nullptr ? CurrentApp()->GetAppMenu() : nullptr;
            if (Menu* m = bar != nullptr ? bar->SvFindItem(e.id) : nullptr) m->SvChoose(e.id);
            return;
        }
        case Event::ACCEL: PressAccelerator(KeyCode(e.id)); return;
        default: break;
    }
    Window* w = Find(e.target);
    if (w == nullptr) return;
    switch (e.kind) {
        case Event::MOUSEMOVE:
        case Event::MOUSEDOWN:
        case Event::MOUSEUP: {
            Point p = e.mouse.GetPosPixel();
            Window* t = HitTest(w, p);
            if (!Reachable(t)) return;
            const MouseEvent event(p, e.mouse.GetClicks(), e.mouse.GetButtons(), e.mouse.GetModifier());
            if (e.kind == Event::MOUSEMOVE) {
                t->MouseMove(event);
            } else if (e.kind == Event::MOUSEUP) {
                t->MouseButtonUp(event);
            } else {
                const uint64_t serial = WindowData::Of(*t).serial;
                if (dynamic_cast<Control*>(t) != nullptr) t->GrabFocus();
                if (Find(serial) == t) t->MouseButtonDown(event);
            }
            return;
        }
        case Event::KEY: {
            if (PressAccelerator(e.key.GetKeyCode())) return;
            Window* focus = FocusWindow();
            Window* t = focus != nullptr && IsInside(focus, w) ? focus : w;
            if (Reachable(t)) t->KeyInput(e.key);
            return;
        }
        case Event::RESIZE: w->SetSizePixel(e.size); return;
        case Event::MOVE: w->SetPosPixel(e.point); return;
        case Event::CLOSE: w->Close(); return;  // w may be gone now
        case Event::FOCUS: w->GrabFocus(); return;
        default: return;
    }
}

bool TakeEvent(Event& e) {
    std::lock_guard<std::mutex> lock(theQueueMutex);
    if (TheQueue().empty()) return false;
    e = TheQueue().front();
    TheQueue().pop_front();
    return true;
}

}  // namespace

Application* CurrentApp() { return theApp; }

void ForgetAppWindow(WorkWindow* w) {
    for (Application* app : {theApp, theDefaultApp})
        if (app != nullptr && app->GetAppWindow() == w) app->SetAppWindow(nullptr);
}

void Post(const Event& e) {
    std::lock_guard<std::mutex> lock(theQueueMutex);
    TheQueue().push_back(e);
}

uint64_t SerialOf(Window* w) { return w != nullptr ? WindowData::Of(*w).serial : 0; }


bool PressAccelerator(const KeyCode& key) {
    Application* app = CurrentApp();
    if (app == nullptr) return false;
    for (uint16_t i = 0; i < app->GetAccelCount(); ++i)
        if (app->GetAccel(i)->GetItemIdOfKey(key) != 0) return app->GetAccel(i)->SvPress(key);
    return false;
}

void RunLoop(ModalDialog* modal) {
    TheWatchdog().Start();
    ++theDepth;
    for (;;) {
        ++theProgress;
        if (theQuit) break;
        if (modal != nullptr && WindowData::Ended(*modal)) break;
        RepaintAll();
        Event e;
        if (TakeEvent(e)) {
            Dispatch(e);
            continue;
        }
        if (RunScriptLine(modal)) continue;
        if (modal != nullptr)
            Stop("modal dialog " + Describe(*modal) + " has no scripted answer; the script is done");
        break;
    }
    --theDepth;
    ++theProgress;
}

// ---- logs ----

std::string PaintDir() {
    const char* dir = std::getenv("SV_PAINT_DIR");
    if (dir == nullptr || *dir == '\0') return std::string();
    std::string path = dir;
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        for (size_t i = 1; i <= path.size(); ++i) {
            if (i < path.size() && path[i] != '/') continue;
            const std::string part = path.substr(0, i);
            if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST)
                Stop("cannot make the paint folder \"" + path + "\": " + std::strerror(errno));
        }
    } else if (!S_ISDIR(st.st_mode)) {
        Stop("SV_PAINT_DIR is not a folder: \"" + path + "\"");
    }
    return path;
}

void AppendToPaintDir(const char* file, const std::string& line) {
    const std::string dir = PaintDir();
    if (dir.empty()) return;
    const std::string path = dir + "/" + file;
    FILE* f = std::fopen(path.c_str(), "a");
    if (f == nullptr) Stop("cannot write \"" + path + "\": " + std::strerror(errno));
    std::fprintf(f, "%s\n", line.c_str());
    if (std::fclose(f) != 0) Stop("cannot write \"" + path + "\": " + std::strerror(errno));
}

void LogBox(const SvBoxRecord& record) {
    TheBoxLog().push_back(record);
    AppendToPaintDir("boxes.log", record.Line());
}

void LogApp(const std::string& line) { TheAppLog().push_back(line); }

[[noreturn]] void Stop(const std::string& reason) {
    static std::atomic<bool> stopping{false};
    if (!stopping.exchange(true)) {
        std::fprintf(stderr, "sv: %s\nsv: open windows: %s\n", reason.c_str(), OpenWindowsText().c_str());
        std::fflush(stderr);
        if (OnGuiThread()) WriteAllPaintFiles();  // what was drawn so far is kept
    }
    std::_Exit(2);
}

}  // namespace svcore

using namespace svcore;

// ---- Help ----

Help::Help() = default;
Help::~Help() = default;

bool Help::Start(unsigned long helpId) {
    LogApp("Help::Start " + std::to_string(helpId));
    return true;
}

// ---- Application ----

Application* GetpApp() {
    if (theApp == nullptr) theDefaultApp = new Application();
    return theApp;
}

Application::Application() : appRes_(0) {
    if (theApp != nullptr && theApp != theDefaultApp) Stop("a second application object while one exists");
    theApp = this;
}

Application::~Application() {
    if (theApp != this) return;
    if (this != theDefaultApp) WriteAllPaintFiles();
    theApp = this == theDefaultApp ? nullptr : theDefaultApp;
    if (this == theDefaultApp) theDefaultApp = nullptr;
}

void Application::Main(int, char**) {}
void Application::Exception(short) {}

void Application::Execute() {
    CheckGuiThread("Application::Execute");
    if (theInMain) Stop("Application::Execute inside the event loop");
    theInMain = true;
    theQuit = false;
    RunLoop(nullptr);
    theQuit = false;
    theInMain = false;
    RepaintAll();
    WriteAllPaintFiles();
}

void Application::Quit() { theQuit = true; }
bool Application::IsInMain() const { return theInMain; }

void Application::Wait(bool on) {
    if (on) ++wait_;
    else if (wait_ > 0) --wait_;
}

bool Application::IsWait() const { return wait_ > 0; }

uint32_t Application::PostUserEvent(const Link& link, void* data) {
    static std::atomic<uint32_t> next{1};
    Event e;
    e.kind = Event::USER;
    e.link = link;
    e.data = data;
    Post(e);
    return next++;
}

void Application::InitAppRes(const ResId& id) { appRes_ = id; }
WorkWindow* Application::GetAppWindow() const { return appWindow_; }
void Application::SetAppWindow(WorkWindow* window) { appWindow_ = window; }
const International& Application::GetAppInternational() const { return intl_; }
void Application::SetAppInternational(const International& intl) { intl_ = intl; }

MenuBar* Application::SetAppMenu(MenuBar* menu) { return std::exchange(menu_, menu); }

MenuBar* Application::GetAppMenu() const { return menu_; }

void Application::InsertAccel(Accelerator* accel) {
    if (accel != nullptr && std::find(accels_.begin(), accels_.end(), accel) == accels_.end()) accels_.push_back(accel);
}

void Application::RemoveAccel(Accelerator* accel) {
    accels_.erase(std::remove(accels_.begin(), accels_.end(), accel), accels_.end());
}

uint16_t Application::GetAccelCount() const { return static_cast<uint16_t>(accels_.size()); }
Accelerator* Application::GetAccel(uint16_t n) const { return n < accels_.size() ? accels_[n] : nullptr; }

Help* Application::SetHelp(Help* help) { return std::exchange(help_, help); }

Help* Application::GetHelp() const { return help_; }
void Application::EnableHelp(bool enable) { helpEnabled_ = enable; }
bool Application::IsHelpEnabled() const { return helpEnabled_; }

// ---- MDIApplication ----

namespace {

std::vector<uint64_t> MdiSerials() {
    std::vector<uint64_t> serials;
    for (Window* w : AllWindows())
        if (w->GetType() == RSC_MDIWINDOW) serials.push_back(WindowData::Of(*w).serial);
    return serials;
}

}  // namespace

MDIApplication::MDIApplication() = default;

bool MDIApplication::CloseAll() {
    CheckGuiThread("CloseAll");
    LogApp("CloseAll");
    bool all = true;
    for (uint64_t serial : MdiSerials())
        if (Window* w = Find(serial))
            if (!w->Close()) all = false;
    return all;
}

void MDIApplication::Cascade() { LogApp("Cascade"); }
void MDIApplication::Tile() { LogApp("Tile"); }
void MDIApplication::Horizontal() { LogApp("Horizontal"); }
void MDIApplication::Vertical() { LogApp("Vertical"); }
void MDIApplication::Arrange() { LogApp("Arrange"); }
void MDIApplication::SetMDIMenu(PopupMenu* menu) { mdiMenu_ = menu; }
PopupMenu* MDIApplication::GetMDIMenu() const { return mdiMenu_; }
uint16_t MDIApplication::GetMDIWindowCount() const { return static_cast<uint16_t>(MdiSerials().size()); }

MDIWindow* MDIApplication::GetMDIWindow(uint16_t n) const {
    const std::vector<uint64_t> serials = MdiSerials();
    return n < serials.size() ? static_cast<MDIWindow*>(Find(serials[n])) : nullptr;
}

std::vector<SvBoxRecord> SvTakeBoxLog() {
    std::vector<SvBoxRecord> log;
    log.swap(TheBoxLog());
    return log;
}

std::vector<std::string> SvTakeAppLog() {
    std::vector<std::string> log;
    log.swap(TheAppLog());
    return log;
}

// ---- input ----

namespace {

void PostTo(Window* w, Event e) {
    e.target = SerialOf(w);
    Post(e);
}

Event MouseOf(Event::Kind kind, const MouseEvent& m) {
    Event e;
    e.kind = kind;
    e.mouse = m;
    return e;
}

}  // namespace

void SvPostMouseMove(Window* w, const MouseEvent& m) { PostTo(w, MouseOf(Event::MOUSEMOVE, m)); }
void SvPostMouseButtonDown(Window* w, const MouseEvent& m) { PostTo(w, MouseOf(Event::MOUSEDOWN, m)); }
void SvPostMouseButtonUp(Window* w, const MouseEvent& m) { PostTo(w, MouseOf(Event::MOUSEUP, m)); }

void SvPostClick(Window* w, const Point& pos, uint16_t buttons, uint16_t clicks) {
    SvPostMouseButtonDown(w, MouseEvent(pos, clicks, buttons));
    SvPostMouseButtonUp(w, MouseEvent(pos, clicks, buttons));
}

bool SvPostClickText(Window* w, const String& text, uint16_t buttons, uint16_t clicks) {
    Window* drawer = nullptr;
    Point centre;
    if (w == nullptr || !FindDrawnText(w, text, drawer, centre)) return false;
    SvPostClick(drawer, centre, buttons, clicks);
    return true;
}

void SvPostKey(Window* w, const KeyEvent& key) {
    Event e;
    e.kind = Event::KEY;
    e.key = key;
    PostTo(w, e);
}

void SvPostResize(Window* w, const Size& size) {
    Event e;
    e.kind = Event::RESIZE;
    e.size = size;
    PostTo(w, e);
}

void SvPostMove(Window* w, const Point& pos) {
    Event e;
    e.kind = Event::MOVE;
    e.point = pos;
    PostTo(w, e);
}

void SvPostClose(Window* w) {
    Event e;
    e.kind = Event::CLOSE;
    PostTo(w, e);
}

void SvPostFocus(Window* w) {
    Event e;
    e.kind = Event::FOCUS;
    PostTo(w, e);
}

void SvPostMenu(uint16_t itemId) {
    Event e;
    e.kind = Event::MENU;
    e.id = itemId;
    Post(e);
}

void SvPostAccelerator(const KeyCode& key) {
    Event e;
    e.kind = Event::ACCEL;
    e.id = key.GetFullCode();
    Post(e);
}

void SvSetScript(const String& text, const String& name) {
    SetScript(std::string(text.GetStr(), text.Len()), std::string(name.GetStr(), name.Len()));
}

void SvSetFontFile(const char* path) { SetFontFile(path); }
