// KxBenchWindow: the main window of the workbench. It owns the menu bar, the accelerator, the status
// bar (messages, help texts, progress bar) and one tool bar on which every agent may place its own
// buttons, each with a stack of select handlers. It refuses to close while an agent refuses.
// KxAboutBox: the about box of the Help menu.
#pragma once

#include <memory>

#include "svapp.h"
#include "svbutton.h"
#include "svctrl.h"
#include "svgdi.h"
#include "svlink.h"
#include "svmenu.h"
#include "svres.h"
#include "svwindow.h"

class KxAgent;
class KxBench;
class KxBenchApplication;
class KxStatusBar;
class KxToolBar;
class ToolBox;

class KxBenchWindow : public WorkWindow {
public:
    KxBenchWindow(KxBenchApplication& application, const ResId& id);
    // With window bits; also takes the icon resource 333.
    KxBenchWindow(KxBenchApplication& application, unsigned short windowBits);
    // Removes the tool bar (warning when agents left buttons), then the menu bar, the accelerator
    // and the status bar.
    ~KxBenchWindow() override;

    // Builds menus, accelerator, status bar and tool bar; answers 0. The arguments are not used.
    int initialize(int argc, char** argv);
    void setBench(KxBench* bench);

    // Status bar and tool bar follow the window's size.
    void Resize() override;
    // Refuses (false) without bench or agent manager, or while an agent refuses to close.
    bool Close() override;

    virtual KxBenchApplication* getApplication();
    virtual MenuBar* getMenuBar();
    virtual Accelerator* getAccelerator();
    virtual void statusMessage(const char* text);
    virtual void statusHelpText(const char* text);
    // The window text: the base title, then " - " and the title when there is one.
    virtual void setWorkbenchTitle(const char* title);
    virtual void SetProgressBar(short percent);
    virtual void ClearProgressBar();
    // Adds a button for the agent (its first button after a separator); answers its id, 0 when
    // none was added.
    virtual unsigned short addToolBarButtonForAgent(KxAgent* agent, Bitmap* image, Bitmap* second, const char* text,
                                                    const char* helpText);
    virtual void pushToolBarItemSelectHandler(KxAgent* agent, unsigned short id, const Link& link);
    // The handler on top of the button's stack, taken off; an empty link when there is none.
    virtual Link popToolBarItemSelectHandler(KxAgent* agent, unsigned short id);
    virtual void removeToolBarButtonsForAgent(KxAgent* agent);
    virtual void enableToolBarButtonsForAgent(KxAgent* agent, int enable);
    // The button with that id, whichever agent owns it.
    virtual void enableToolBarButtonForAgent(KxAgent* agent, unsigned short id, int enable);
    virtual void checkToolBarAdminLists();
    virtual void buildUpToolBar();
    virtual void removeToolBar();
    virtual unsigned short getToolBarButtonCountForAgent(KxAgent* agent);
    virtual unsigned short createToolBarButtonAdminData(KxAgent* agent, Bitmap* image, Bitmap* second, const char* text,
                                                        const char* helpText);

    KxStatusBar* getStatusBar();
    KxToolBar* getToolBar();

    // Item 320 runs the about box: 1; other items 0.
    SV_DECL_LINK(menuSelectHdl, Menu*);
    SV_DECL_LINK(menuActivateHdl, Menu*);
    SV_DECL_LINK(acceleratorHdl, Accelerator*);
    // The tool bar's handlers: the agents' handlers of the chosen button, and its help text.
    SV_DECL_LINK(toolBarSelectHdl, ToolBox*);
    SV_DECL_LINK(toolBarHighlightHdl, ToolBox*);

private:
    struct Record;
    std::unique_ptr<Record> record_;
};

class KxAboutBox : public ModalDialog {
public:
    KxAboutBox(Window* parent, const ResId& id);
    ~KxAboutBox() override;
    void Paint(const Rectangle& rect) override;

private:
    FixedText text_;
    OKButton ok_;
    std::unique_ptr<Bitmap> bitmap_;
};
