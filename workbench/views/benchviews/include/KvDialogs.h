// The five window kinds of a dialog that holds views: each joins a window class of the class
// library (first base) with KvDialog (second base). The paint window is the one set, else the
// window itself; the dialog window is the window itself; resizing the window resizes the dialog.
#pragma once

#include "KvDialog.h"
#include "svwindow.h"

#define KV_DIALOG_WINDOW_OPERATIONS          \
    Window* getPaintWindow() override;       \
    SysWin* getDialogWindow() override;      \
    void Resize() override;

class KvAppWindowDialog : public WorkWindow, public KvDialog {
public:
    KvAppWindowDialog(Window* parent, unsigned short style);
    explicit KvAppWindowDialog(const ResId& id);  // no parent
    ~KvAppWindowDialog() override;
    KV_DIALOG_WINDOW_OPERATIONS
};

// Closing an MDI dialog deletes it with its views.
class KvMDIDialog : public MDIWindow, public KvDialog {
public:
    explicit KvMDIDialog(WorkWindow* parent);  // style 0x0100
    KvMDIDialog(WorkWindow* parent, const ResId& id);
    ~KvMDIDialog() override;
    KV_DIALOG_WINDOW_OPERATIONS
    bool Close() override;
};

class KvModelessDialog : public ModelessDialog, public KvDialog {
public:
    explicit KvModelessDialog(Window* parent);  // style 0x0120
    KvModelessDialog(Window* parent, const ResId& id);
    ~KvModelessDialog() override;
    KV_DIALOG_WINDOW_OPERATIONS
};

class KvModalDialog : public ModalDialog, public KvDialog {
public:
    explicit KvModalDialog(Window* parent);  // style 0x0020
    KvModalDialog(Window* parent, const ResId& id);
    ~KvModalDialog() override;
    KV_DIALOG_WINDOW_OPERATIONS
};

class KvFloatingWindowDialog : public FloatingWindow, public KvDialog {
public:
    explicit KvFloatingWindowDialog(Window* parent);  // style 0x0100
    KvFloatingWindowDialog(Window* parent, const ResId& id);
    ~KvFloatingWindowDialog() override;
    KV_DIALOG_WINDOW_OPERATIONS
};

#undef KV_DIALOG_WINDOW_OPERATIONS
