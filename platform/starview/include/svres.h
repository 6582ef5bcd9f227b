// Resources: what a library or the application registers in code under its file name (windows and
// dialogs with their controls, strings, bitmaps, fonts, icons, menus, accelerators), ResMgr that
// opens them by file name, ResId that names one, and Resource with the current manager.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "svdef.h"
#include "svgdi.h"
#include "svgen.h"
#include "svstring.h"

enum RESOURCE_TYPE : uint16_t {
    RSC_NOTYPE = 0,
    RSC_STRING,
    RSC_BITMAP,
    RSC_ICON,
    RSC_FONT,
    RSC_MENU,
    RSC_ACCEL,
    // Windows.
    RSC_WINDOW,
    RSC_SYSWINDOW,
    RSC_WORKWIN,
    RSC_MDIWINDOW,
    RSC_MODALDIALOG,
    RSC_MODELESSDIALOG,
    RSC_FLOATINGWINDOW,
    // Controls.
    RSC_CONTROL,
    RSC_EDIT,
    RSC_NUMERICFIELD,
    RSC_TIMEFIELD,
    RSC_COMBOBOX,
    RSC_CHECKBOX,
    RSC_FIXEDTEXT,
    RSC_FIXEDBITMAP,
    RSC_GROUPBOX,
    RSC_PUSHBUTTON,
    RSC_OKBUTTON,
    RSC_CANCELBUTTON,
    RSC_SCROLLBAR,
    RSC_SPLITTER,
    RSC_STATUSBAR,
    RSC_TOOLBOX,
    RSC_BROWSEBOX,
};

// The type's name for messages ("ModalDialog", "String", ...).
const char* SvResTypeName(RESOURCE_TYPE type);
bool SvIsWindowType(RESOURCE_TYPE type);
bool SvIsControlType(RESOURCE_TYPE type);

// A control of a window resource, found by type and id.
struct SvControlRes {
    RESOURCE_TYPE type = RSC_CONTROL;
    uint32_t id = 0;
    Point pos;
    Size size;
    String text;
    WinBits style = 0;
};

// A window or dialog: the same header (its text is the title) and its controls.
struct SvWindowRes : SvControlRes {
    std::vector<SvControlRes> controls;

    // Adds a control; a second control of the same type and id stops the program.
    SvWindowRes& AddControl(RESOURCE_TYPE type, uint32_t id, const Point& pos, const Size& size,
                            const char* text = nullptr, WinBits style = 0);
    const SvControlRes* FindControl(RESOURCE_TYPE type, uint32_t id) const;
};

// A menu item: a command (id, text, help text, check mark, enabled state), a separator, or a
// popup holding a sub-menu.
struct SvMenuItemRes {
    uint16_t id = 0;
    String text;
    String helpText;
    bool separator = false;
    bool checked = false;
    bool enabled = true;
    std::vector<SvMenuItemRes> popup;
};

struct SvMenuRes {
    uint32_t id = 0;
    std::vector<SvMenuItemRes> items;

    SvMenuRes& AddItem(uint16_t id, const char* text, const char* helpText = nullptr, bool checked = false,
                       bool enabled = true);
    SvMenuRes& AddSeparator();
    // A popup item; the sub-menu is filled through the answer.
    SvMenuItemRes& AddPopup(uint16_t id, const char* text, const char* helpText = nullptr);
};

struct SvAccelItemRes {
    uint16_t keyCode = 0;
    uint16_t id = 0;
};

struct SvAccelRes {
    uint32_t id = 0;
    std::vector<SvAccelItemRes> items;
    SvAccelRes& AddKey(uint16_t keyCode, uint16_t id);
};

struct SvResFileData;

// The resources of one file, registered in code while its library loads (a static object of the
// library) and gone when the object is destroyed (when the library unloads). Files match by name
// without folder, leading "lib" and extension, ignoring case ("benchextras.dll" is
// "libbenchextras.so"); the empty name is the application's own file. Fill the resources in the
// fill function (or right after construction, before another thread reads them). A second
// resource of one type and id stops the program.
class SvResourceFile {
public:
    explicit SvResourceFile(const char* fileName);
    SvResourceFile(const char* fileName, void (*fill)(SvResourceFile& file));
    ~SvResourceFile();
    SvResourceFile(const SvResourceFile&) = delete;
    SvResourceFile& operator=(const SvResourceFile&) = delete;

    // type is one of the window types.
    SvWindowRes& AddWindow(RESOURCE_TYPE type, uint32_t id, const char* title, const Point& pos, const Size& size,
                           WinBits style = 0);
    void AddString(uint32_t id, const char* text);
    void AddBitmap(uint32_t id, const Bitmap& bitmap);
    void AddIcon(uint32_t id, const Bitmap& picture);
    void AddFont(uint32_t id, const Font& font);
    SvMenuRes& AddMenu(uint32_t id);
    SvAccelRes& AddAccelerator(uint32_t id);

private:
    std::shared_ptr<SvResFileData> data_;
};

class ResMgr;

// A resource id, with the manager to read it from (null: the current manager) and the type that
// the class reading it sets.
class ResId {
public:
    ResId(uint32_t id);
    ResId(uint32_t id, ResMgr* mgr);

    uint32_t GetId() const;
    RESOURCE_TYPE GetRT() const;
    ResId& SetRT(RESOURCE_TYPE type);
    // The given manager, else the current one, else the one on the application's own file.
    ResMgr* GetResMgr() const;

private:
    uint32_t id_;
    RESOURCE_TYPE type_;
    ResMgr* mgr_;
};

// The resources of one file, looked up in the registry at each read (so what a library registered
// is gone once it unloads). A resource that is missing when read is a programming error: the
// program stops with a message naming the file, the type and the id.
//
// Building a window from a resource pushes it as the context in which the ids of its controls are
// found; popping ends it.
class ResMgr {
public:
    ResMgr();  // the application's own file
    explicit ResMgr(const char* fileName);
    ~ResMgr();
    ResMgr(const ResMgr&) = delete;
    ResMgr& operator=(const ResMgr&) = delete;

    const String& GetFileName() const;
    bool IsAvailable(RESOURCE_TYPE type, uint32_t id) const;

    String GetString(uint32_t id) const;
    Bitmap GetBitmap(uint32_t id) const;
    Bitmap GetIcon(uint32_t id) const;
    Font GetFont(uint32_t id) const;
    std::shared_ptr<const SvWindowRes> GetWindow(RESOURCE_TYPE type, uint32_t id) const;
    std::shared_ptr<const SvMenuRes> GetMenu(uint32_t id) const;
    std::shared_ptr<const SvAccelRes> GetAccelerator(uint32_t id) const;

    void PushContext(std::shared_ptr<const SvWindowRes> window);
    void PopContext();
    // The window resource on top, null when none is pushed.
    const SvWindowRes* GetContext() const;
    // A control of the window on top; without a context or such a control the program stops.
    const SvControlRes& GetControl(RESOURCE_TYPE type, uint32_t id) const;

    // Stops the program with "resource not found" and the file, type and id.
    [[noreturn]] void Missing(RESOURCE_TYPE type, uint32_t id) const;

private:
    String fileName_;
    std::vector<std::shared_ptr<const SvWindowRes>> context_;
};

// Base of everything built from a resource; holds the current resource manager, which a library
// switches to its own file while it builds its windows and reads its texts.
class Resource {
public:
    static ResMgr* GetResManager();
    static void SetResManager(ResMgr* mgr);

protected:
    Resource();
    // Reads a window resource of the type through the id's manager and pushes it as the context
    // of its controls; FreeResource pops it.
    std::shared_ptr<const SvWindowRes> GetWindowRes(const ResId& id, RESOURCE_TYPE type);
    void FreeResource();

private:
    ResMgr* contextMgr_ = nullptr;
};
