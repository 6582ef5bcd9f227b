#include "KvDialogs.h"

// Each kind deletes its views in its own destructor, while its paint window still answers.
#define KV_DIALOG_WINDOW_OPERATIONS(KIND)                                             \
    KIND::~KIND() { endDialog(); }                                                    \
    Window* KIND::getPaintWindow() {                                                  \
        Window* paint = storedPaintWindow();                                          \
        return paint ? paint : this;                                                  \
    }                                                                                 \
    SysWin* KIND::getDialogWindow() { return this; }                                  \
    void KIND::Resize() { KvDialog::resize(); }

KV_DIALOG_WINDOW_OPERATIONS(KvAppWindowDialog)
KV_DIALOG_WINDOW_OPERATIONS(KvMDIDialog)
KV_DIALOG_WINDOW_OPERATIONS(KvModelessDialog)
KV_DIALOG_WINDOW_OPERATIONS(KvModalDialog)
KV_DIALOG_WINDOW_OPERATIONS(KvFloatingWindowDialog)
#undef KV_DIALOG_WINDOW_OPERATIONS

KvAppWindowDialog::KvAppWindowDialog(Window* parent, unsigned short style) : WorkWindow(parent, style) {}
KvAppWindowDialog::KvAppWindowDialog(const ResId& id) : WorkWindow(nullptr, id) {}

KvMDIDialog::KvMDIDialog(WorkWindow* parent) : MDIWindow(parent, 0x0100) {}
KvMDIDialog::KvMDIDialog(WorkWindow* parent, const ResId& id) : MDIWindow(parent, id) {}

bool KvMDIDialog::Close() {
    delete this;
    return true;
}

KvModelessDialog::KvModelessDialog(Window* parent) : ModelessDialog(parent, 0x0120) {}
KvModelessDialog::KvModelessDialog(Window* parent, const ResId& id) : ModelessDialog(parent, id) {}

KvModalDialog::KvModalDialog(Window* parent) : ModalDialog(parent, 0x0020) {}
KvModalDialog::KvModalDialog(Window* parent, const ResId& id) : ModalDialog(parent, id) {}

KvFloatingWindowDialog::KvFloatingWindowDialog(Window* parent) : FloatingWindow(parent, 0x0100) {}
KvFloatingWindowDialog::KvFloatingWindowDialog(Window* parent, const ResId& id) : FloatingWindow(parent, id) {}
