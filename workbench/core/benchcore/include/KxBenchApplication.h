// KxBenchApplication: the application object of the workbench. The host program creates one and lets
// the class library run its Main: it builds the main window, shows the start-up picture, reads the
// command-line switches, starts the object-database kernel, creates the bench (which loads and
// activates every agent module), installs the database log-in callback, runs the event loop and
// tears everything down. It also handles the File, Workbench, Window and Help menus.
#pragma once

#include <memory>

#include "KxString.h"
#include "svapp.h"
#include "svbutton.h"
#include "svctrl.h"
#include "svedit.h"
#include "svgdi.h"
#include "svlink.h"
#include "svmenu.h"
#include "svwindow.h"

class KxBench;
class KxBenchWindow;

class KxBenchApplication : public MDIApplication {
public:
    // The client name is kept, not copied (null: "Tessaform Workbench").
    explicit KxBenchApplication(const char* clientName);
    ~KxBenchApplication() override;

    void Main(int argc, char** argv) override;
    // A fatal exception: unloads every agent module without calling it, then quits.
    void Exception(short code) override;

    KxBenchWindow* getAppWindow();
    Help* getHelper();
    KxBench* getBench();
    // The program's path (the first command-line argument).
    String getApplicationPathAndName();
    // The switches given: bit 0 "/CRASHONFAULTS".
    unsigned long getFlags();
    // The configuration file given with "/CONFIG", "-CONFIG" or "-config"; empty when none.
    String getConfigFile();

    SV_DECL_LINK(menuSelectHdl, Menu*);
    SV_DECL_LINK(menuHighlightHdl, Menu*);
    SV_DECL_LINK(fileMenuActivateHdl, Menu*);
    SV_DECL_LINK(workbenchMenuActivateHdl, Menu*);
    SV_DECL_LINK(windowMenuActivateHdl, Menu*);
    SV_DECL_LINK(helpMenuActivateHdl, Menu*);
    SV_DECL_LINK(acceleratorHdl, Accelerator*);

private:
    struct Record;
    std::unique_ptr<Record> record_;
    const char* clientName_;
};

// The start-up picture: a window as large as its bitmap, centred over its parent (or the screen).
class KxStartupPicture : public WorkWindow {
public:
    KxStartupPicture(Window* parent, unsigned short windowBits, Bitmap* bitmap);
    void Paint(const Rectangle& rect) override;

private:
    Bitmap* bitmap_;   // not owned
};

// The log-in dialog of the kernel's user-name callback.
class LoginDialog : public ModalDialog {
public:
    LoginDialog(Window* parent, const String& user);
    String getUser() const;
    String getPassword() const;
    Edit& getPasswordEdit();

private:
    OKButton ok_;
    CancelButton cancel_;
    FixedText userText_;
    FixedText passwordText_;
    FixedText infoText_;
    Edit user_;
    Edit password_;
};

// The kernel's user-name callback of the workbench: asks with the log-in dialog over the main window.
// 1 when the user confirmed (user and password set), 2 otherwise.
int KxBenchLoginCallback(KxString& user, KxString& password, int flags);
