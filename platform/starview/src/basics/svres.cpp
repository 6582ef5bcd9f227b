#include "svres.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>

namespace {

struct TypeName {
    RESOURCE_TYPE type;
    const char* name;
};

const TypeName kTypeNames[] = {
    {RSC_NOTYPE, "NoType"},           {RSC_STRING, "String"},
    {RSC_BITMAP, "Bitmap"},           {RSC_ICON, "Icon"},
    {RSC_FONT, "Font"},               {RSC_MENU, "Menu"},
    {RSC_ACCEL, "Accelerator"},       {RSC_WINDOW, "Window"},
    {RSC_SYSWINDOW, "SysWin"},        {RSC_WORKWIN, "WorkWindow"},
    {RSC_MDIWINDOW, "MDIWindow"},     {RSC_MODALDIALOG, "ModalDialog"},
    {RSC_MODELESSDIALOG, "ModelessDialog"}, {RSC_FLOATINGWINDOW, "FloatingWindow"},
    {RSC_CONTROL, "Control"},         {RSC_EDIT, "Edit"},
    {RSC_NUMERICFIELD, "NumericField"}, {RSC_TIMEFIELD, "TimeField"},
    {RSC_COMBOBOX, "ComboBox"},       {RSC_CHECKBOX, "CheckBox"},
    {RSC_FIXEDTEXT, "FixedText"},     {RSC_FIXEDBITMAP, "FixedBitmap"},
    {RSC_GROUPBOX, "GroupBox"},       {RSC_PUSHBUTTON, "PushButton"},
    {RSC_OKBUTTON, "OKButton"},       {RSC_CANCELBUTTON, "CancelButton"},
    {RSC_SCROLLBAR, "ScrollBar"},     {RSC_SPLITTER, "Splitter"},
    {RSC_STATUSBAR, "StatusBar"},     {RSC_TOOLBOX, "ToolBox"},
    {RSC_BROWSEBOX, "BrowseBox"},
};

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// The file name without folder and extension, in lower case.
std::string BaseName(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find('.');
    if (dot != std::string::npos) name.erase(dot);
    return Lower(name);
}

const std::string& ProgramName() {
    static const std::string name = [] {
        char buf[4096];
        const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
        return n > 0 ? BaseName(std::string(buf, static_cast<size_t>(n))) : std::string("application");
    }();
    return name;
}

// The key under which a file's resources are registered and looked up.
std::string FileKey(const char* fileName) {
    const std::string base = BaseName(fileName == nullptr ? std::string() : std::string(fileName));
    return base.empty() ? ProgramName() : base;
}

// One file, with or without a leading "lib".
bool SameFile(const std::string& a, const std::string& b) { return a == b || a == "lib" + b || "lib" + a == b; }

// `where` is "file" or "window", followed by its name.
[[noreturn]] void Stop(const char* what, const char* where, const std::string& name, RESOURCE_TYPE type, uint32_t id) {
    std::fprintf(stderr, "%s: %s \"%s\", type %s, id %u\n", what, where, name.c_str(), SvResTypeName(type),
                 static_cast<unsigned>(id));
    std::fflush(stderr);
    std::abort();
}

using Key = std::pair<RESOURCE_TYPE, uint32_t>;

SvControlRes Header(RESOURCE_TYPE type, uint32_t id, const Point& pos, const Size& size, const char* text,
                    WinBits style) {
    SvControlRes h;
    h.type = type;
    h.id = id;
    h.pos = pos;
    h.size = size;
    h.text = text;
    h.style = style;
    return h;
}

}  // namespace

struct SvResFileData {
    std::string key;
    std::string name;
    std::map<Key, std::shared_ptr<SvWindowRes>> windows;
    std::map<uint32_t, String> strings;
    std::map<uint32_t, Bitmap> bitmaps;
    std::map<uint32_t, Bitmap> icons;
    std::map<uint32_t, Font> fonts;
    std::map<uint32_t, std::shared_ptr<SvMenuRes>> menus;
    std::map<uint32_t, std::shared_ptr<SvAccelRes>> accels;

    template <typename Map, typename K>
    void CheckNew(const Map& map, const K& key, RESOURCE_TYPE type, uint32_t id) const {
        if (map.count(key) != 0) Stop("duplicate resource", "file", name, type, id);
    }
};

namespace {

struct Registry {
    std::mutex mutex;
    std::vector<std::shared_ptr<SvResFileData>> files;  // in registration order
};

Registry& TheRegistry() {
    static Registry* registry = new Registry;  // outlives the static objects of every library
    return *registry;
}

// Calls `find` on each registered file of the key, the latest first, until it answers true.
template <typename F>
bool FindIn(const std::string& key, F find) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    for (auto it = r.files.rbegin(); it != r.files.rend(); ++it)
        if (SameFile((*it)->key, key) && find(**it)) return true;
    return false;
}

std::atomic<ResMgr*> theCurrentMgr{nullptr};

}  // namespace

const char* SvResTypeName(RESOURCE_TYPE type) {
    for (const TypeName& t : kTypeNames)
        if (t.type == type) return t.name;
    return "Unknown";
}

bool SvIsWindowType(RESOURCE_TYPE type) { return type >= RSC_WINDOW && type <= RSC_FLOATINGWINDOW; }
bool SvIsControlType(RESOURCE_TYPE type) { return type >= RSC_CONTROL && type <= RSC_BROWSEBOX; }

// ---- resource data ----

SvWindowRes& SvWindowRes::AddControl(RESOURCE_TYPE ctype, uint32_t cid, const Point& cpos, const Size& csize,
                                     const char* ctext, WinBits cstyle) {
    if (!SvIsControlType(ctype)) Stop("not a control type", "window", text.GetStr(), ctype, cid);
    if (FindControl(ctype, cid) != nullptr) Stop("duplicate control", "window", text.GetStr(), ctype, cid);
    controls.push_back(Header(ctype, cid, cpos, csize, ctext, cstyle));
    return *this;
}

const SvControlRes* SvWindowRes::FindControl(RESOURCE_TYPE ctype, uint32_t cid) const {
    for (const SvControlRes& c : controls)
        if (c.type == ctype && c.id == cid) return &c;
    return nullptr;
}

SvMenuRes& SvMenuRes::AddItem(uint16_t itemId, const char* text, const char* helpText, bool checked, bool enabled) {
    SvMenuItemRes item;
    item.id = itemId;
    item.text = text;
    item.helpText = helpText;
    item.checked = checked;
    item.enabled = enabled;
    items.push_back(item);
    return *this;
}

SvMenuRes& SvMenuRes::AddSeparator() {
    SvMenuItemRes item;
    item.separator = true;
    items.push_back(item);
    return *this;
}

SvMenuItemRes& SvMenuRes::AddPopup(uint16_t itemId, const char* text, const char* helpText) {
    AddItem(itemId, text, helpText);
    return items.back();
}

SvAccelRes& SvAccelRes::AddKey(uint16_t keyCode, uint16_t itemId) {
    items.push_back(SvAccelItemRes{keyCode, itemId});
    return *this;
}

// ---- SvResourceFile ----

SvResourceFile::SvResourceFile(const char* fileName) : SvResourceFile(fileName, nullptr) {}

SvResourceFile::SvResourceFile(const char* fileName, void (*fill)(SvResourceFile& file))
    : data_(std::make_shared<SvResFileData>()) {
    data_->key = FileKey(fileName);
    data_->name = fileName != nullptr && *fileName != '\0' ? fileName : data_->key;
    if (fill != nullptr) fill(*this);
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.files.push_back(data_);
}

SvResourceFile::~SvResourceFile() {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.files.erase(std::remove(r.files.begin(), r.files.end(), data_), r.files.end());
}

SvWindowRes& SvResourceFile::AddWindow(RESOURCE_TYPE type, uint32_t id, const char* title, const Point& pos,
                                       const Size& size, WinBits style) {
    if (!SvIsWindowType(type)) Stop("not a window type", "file", data_->name, type, id);
    data_->CheckNew(data_->windows, Key(type, id), type, id);
    auto w = std::make_shared<SvWindowRes>();
    static_cast<SvControlRes&>(*w) = Header(type, id, pos, size, title, style);
    data_->windows[Key(type, id)] = w;
    return *w;
}

void SvResourceFile::AddString(uint32_t id, const char* text) {
    data_->CheckNew(data_->strings, id, RSC_STRING, id);
    data_->strings[id] = String(text);
}

void SvResourceFile::AddBitmap(uint32_t id, const Bitmap& bitmap) {
    data_->CheckNew(data_->bitmaps, id, RSC_BITMAP, id);
    data_->bitmaps[id] = bitmap;
}

void SvResourceFile::AddIcon(uint32_t id, const Bitmap& picture) {
    data_->CheckNew(data_->icons, id, RSC_ICON, id);
    data_->icons[id] = picture;
}

void SvResourceFile::AddFont(uint32_t id, const Font& font) {
    data_->CheckNew(data_->fonts, id, RSC_FONT, id);
    data_->fonts[id] = font;
}

SvMenuRes& SvResourceFile::AddMenu(uint32_t id) {
    data_->CheckNew(data_->menus, id, RSC_MENU, id);
    auto m = std::make_shared<SvMenuRes>();
    m->id = id;
    data_->menus[id] = m;
    return *m;
}

SvAccelRes& SvResourceFile::AddAccelerator(uint32_t id) {
    data_->CheckNew(data_->accels, id, RSC_ACCEL, id);
    auto a = std::make_shared<SvAccelRes>();
    a->id = id;
    data_->accels[id] = a;
    return *a;
}

// ---- ResId ----

ResId::ResId(uint32_t id) : id_(id), type_(RSC_NOTYPE), mgr_(nullptr) {}
ResId::ResId(uint32_t id, ResMgr* mgr) : id_(id), type_(RSC_NOTYPE), mgr_(mgr) {}
uint32_t ResId::GetId() const { return id_; }
RESOURCE_TYPE ResId::GetRT() const { return type_; }
ResId& ResId::SetRT(RESOURCE_TYPE type) {
    type_ = type;
    return *this;
}

ResMgr* ResId::GetResMgr() const {
    if (mgr_ != nullptr) return mgr_;
    if (ResMgr* current = Resource::GetResManager()) return current;
    static ResMgr application;
    return &application;
}

// ---- ResMgr ----

ResMgr::ResMgr() : ResMgr(nullptr) {}
ResMgr::ResMgr(const char* fileName)
    : fileName_(fileName != nullptr && *fileName != '\0' ? String(fileName) : String(ProgramName())) {}

ResMgr::~ResMgr() {
    ResMgr* self = this;
    theCurrentMgr.compare_exchange_strong(self, nullptr);
}

const String& ResMgr::GetFileName() const { return fileName_; }

void ResMgr::Missing(RESOURCE_TYPE type, uint32_t id) const { Stop("resource not found", "file", fileName_.GetStr(), type, id); }

bool ResMgr::IsAvailable(RESOURCE_TYPE type, uint32_t id) const {
    return FindIn(FileKey(fileName_.GetStr()), [&](const SvResFileData& f) {
        switch (type) {
            case RSC_STRING: return f.strings.count(id) != 0;
            case RSC_BITMAP: return f.bitmaps.count(id) != 0;
            case RSC_ICON: return f.icons.count(id) != 0;
            case RSC_FONT: return f.fonts.count(id) != 0;
            case RSC_MENU: return f.menus.count(id) != 0;
            case RSC_ACCEL: return f.accels.count(id) != 0;
            default: return f.windows.count(Key(type, id)) != 0;
        }
    });
}

namespace {

template <typename T, typename Map>
bool Take(const Map& map, uint32_t id, T& out) {
    const auto it = map.find(id);
    if (it == map.end()) return false;
    out = it->second;
    return true;
}

}  // namespace

String ResMgr::GetString(uint32_t id) const {
    String s;
    if (!FindIn(FileKey(fileName_.GetStr()), [&](const SvResFileData& f) { return Take(f.strings, id, s); }))
        Missing(RSC_STRING, id);
    return s;
}

Bitmap ResMgr::GetBitmap(uint32_t id) const {
    Bitmap b;
    if (!FindIn(FileKey(fileName_.GetStr()), [&](const SvResFileData& f) { return Take(f.bitmaps, id, b); }))
        Missing(RSC_BITMAP, id);
    return b;
}

Bitmap ResMgr::GetIcon(uint32_t id) const {
    Bitmap b;
    if (!FindIn(FileKey(fileName_.GetStr()), [&](const SvResFileData& f) { return Take(f.icons, id, b); }))
        Missing(RSC_ICON, id);
    return b;
}

Font ResMgr::GetFont(uint32_t id) const {
    Font font;
    if (!FindIn(FileKey(fileName_.GetStr()), [&](const SvResFileData& f) { return Take(f.fonts, id, font); }))
        Missing(RSC_FONT, id);
    return font;
}

std::shared_ptr<const SvWindowRes> ResMgr::GetWindow(RESOURCE_TYPE type, uint32_t id) const {
    std::shared_ptr<SvWindowRes> w;
    if (!FindIn(FileKey(fileName_.GetStr()), [&](const SvResFileData& f) {
            const auto it = f.windows.find(Key(type, id));
            if (it == f.windows.end()) return false;
            w = it->second;
            return true;
        }))
        Missing(type, id);
    return w;
}

std::shared_ptr<const SvMenuRes> ResMgr::GetMenu(uint32_t id) const {
    std::shared_ptr<SvMenuRes> m;
    if (!FindIn(FileKey(fileName_.GetStr()), [&](const SvResFileData& f) { return Take(f.menus, id, m); }))
        Missing(RSC_MENU, id);
    return m;
}

std::shared_ptr<const SvAccelRes> ResMgr::GetAccelerator(uint32_t id) const {
    std::shared_ptr<SvAccelRes> a;
    if (!FindIn(FileKey(fileName_.GetStr()), [&](const SvResFileData& f) { return Take(f.accels, id, a); }))
        Missing(RSC_ACCEL, id);
    return a;
}

void ResMgr::PushContext(std::shared_ptr<const SvWindowRes> window) { context_.push_back(std::move(window)); }

void ResMgr::PopContext() {
    if (!context_.empty()) context_.pop_back();
}

const SvWindowRes* ResMgr::GetContext() const { return context_.empty() ? nullptr : context_.back().get(); }

const SvControlRes& ResMgr::GetControl(RESOURCE_TYPE type, uint32_t id) const {
    const SvWindowRes* w = GetContext();
    if (w == nullptr) Stop("control outside a window resource", "file", fileName_.GetStr(), type, id);
    const SvControlRes* c = w->FindControl(type, id);
    if (c == nullptr) {
        std::fprintf(stderr, "in %s %u \"%s\": ", SvResTypeName(w->type), static_cast<unsigned>(w->id),
                     w->text.GetStr());
        Missing(type, id);
    }
    return *c;
}

// ---- Resource ----

ResMgr* Resource::GetResManager() { return theCurrentMgr.load(); }
void Resource::SetResManager(ResMgr* mgr) { theCurrentMgr.store(mgr); }

Resource::Resource() = default;

std::shared_ptr<const SvWindowRes> Resource::GetWindowRes(const ResId& id, RESOURCE_TYPE type) {
    ResMgr* mgr = id.GetResMgr();
    std::shared_ptr<const SvWindowRes> w = mgr->GetWindow(type, id.GetId());
    mgr->PushContext(w);
    contextMgr_ = mgr;
    return w;
}

void Resource::FreeResource() {
    if (contextMgr_ != nullptr) contextMgr_->PopContext();
    contextMgr_ = nullptr;
}
