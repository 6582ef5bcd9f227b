// The application: its event loop (headless), user events, application window, menu bar,
// accelerators, international settings and help; the MDI application; Sound.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "svintl.h"
#include "svlink.h"
#include "svres.h"

class Accelerator;
class MDIWindow;
class MenuBar;
class PopupMenu;
class WorkWindow;

// Help requests are recorded in the application log ("Help::Start <id>").
class Help {
public:
    Help();
    virtual ~Help();
    virtual bool Start(unsigned long helpId);
};

// One application object at a time; GetpApp answers it (or a default one while none exists).
//
// Execute runs the event loop headless: it dispatches the queued events (repainting what they
// invalidated), runs the lines of the script named by SV_SCRIPT, and returns after Quit, or once
// the queue is empty, the script is done and no modal dialog is open. A watchdog stops a run that
// dispatches nothing for SV_TIMEOUT seconds (default 60), naming the open windows.
class Application {
public:
    Application();
    virtual ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    virtual void Main(int argc, char** argv);
    virtual void Exception(short code);

    void Execute();
    // Ends the event loop, and any modal dialog's loop inside it.
    void Quit();
    // True while Execute runs.
    bool IsInMain() const;
    // The wait state (counted: each Wait(true) needs a Wait(false)).
    void Wait(bool on);
    bool IsWait() const;
    // Calls the link with the data from the event loop; any thread may post. Answers an id.
    uint32_t PostUserEvent(const Link& link, void* data = nullptr);

    void InitAppRes(const ResId& id);
    WorkWindow* GetAppWindow() const;
    void SetAppWindow(WorkWindow* window);
    const International& GetAppInternational() const;
    void SetAppInternational(const International& intl);
    // The menu bar whose items the menu command chooses; answers the previous one.
    MenuBar* SetAppMenu(MenuBar* menu);
    MenuBar* GetAppMenu() const;
    void InsertAccel(Accelerator* accel);
    void RemoveAccel(Accelerator* accel);
    uint16_t GetAccelCount() const;
    Accelerator* GetAccel(uint16_t n) const;
    Help* SetHelp(Help* help);
    Help* GetHelp() const;
    void EnableHelp(bool enable);
    bool IsHelpEnabled() const;

private:
    int wait_ = 0;
    WorkWindow* appWindow_ = nullptr;
    International intl_;
    MenuBar* menu_ = nullptr;
    std::vector<Accelerator*> accels_;
    Help* help_ = nullptr;
    bool helpEnabled_ = true;
    ResId appRes_;
};

// An application with MDI windows: closing them all and their arrangements (recorded in the
// application log by name: "Cascade", "Tile", "Horizontal", "Vertical", "Arrange", "CloseAll").
class MDIApplication : public Application {
public:
    MDIApplication();
    // Closes every MDI window (each may refuse); true when none refused.
    bool CloseAll();
    void Cascade();
    void Tile();
    void Horizontal();
    void Vertical();
    void Arrange();
    void SetMDIMenu(PopupMenu* menu);
    PopupMenu* GetMDIMenu() const;
    uint16_t GetMDIWindowCount() const;
    MDIWindow* GetMDIWindow(uint16_t n) const;

private:
    PopupMenu* mdiMenu_ = nullptr;
};

Application* GetpApp();

enum SoundType : uint16_t { SOUND_DEFAULT = 0, SOUND_INFO, SOUND_WARNING, SOUND_ERROR, SOUND_QUERY };

// A beep is a Win32 MessageBeep: both count in one counter of the Win32 stand-in.
class Sound {
public:
    static void Beep(SoundType type = SOUND_DEFAULT);
};

// The application log so far (and forgets it): help requests and MDI arrangements.
std::vector<std::string> SvTakeAppLog();
