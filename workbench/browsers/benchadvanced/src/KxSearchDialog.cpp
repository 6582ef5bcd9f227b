// The registry of search dialogs and the object finder.
#include "KxSearchDialog.h"

#include "KvView.h"
#include "KxClient.h"
#include "KxMetaType.h"
#include "KxObject.h"

KxSearchDialog* KxSearchDialog::current = nullptr;
KxSearchDialogHandler* KxSearchDialog::handler = nullptr;

// ---- KxSearchDialogHandler -----------------------------------------------------------------------

KxSearchDialogHandler::KxSearchDialogHandler() { registerForNotification(); }

KxSearchDialogHandler::~KxSearchDialogHandler() = default;

void KxSearchDialogHandler::notifyFocus(KvView& view) {
    if (KxSearchDialog::getCurrent() == nullptr) return;
    KxSearchDialog::showDialogFor(view.getSearchWindowType());
}

void KxSearchDialogHandler::notifyDefocus(KvView&) {}

// ---- KxSearchDialog ------------------------------------------------------------------------------

KxSearchDialog::KxSearchDialog(Window* parent, const ResId& id) : FloatingWindow(parent, id), registrationNumber_(0) {
    registrationNumber_ = Register(*this);
}

KxSearchDialog::~KxSearchDialog() { Unregister(*this); }

int KxSearchDialog::Register(KxSearchDialog& dialog) {
    if (handler == nullptr) handler = new KxSearchDialogHandler;
    RegisteredDialogs.Insert(&dialog, CONTAINER_APPEND);
    return static_cast<int>(RegisteredDialogs.Count());
}

void KxSearchDialog::Unregister(KxSearchDialog& dialog) {
    // A dialog that goes must not stay the one shown.
    if (current == &dialog) current = nullptr;
    while (RegisteredDialogs.Remove(&dialog) != nullptr) {
    }
    if (RegisteredDialogs.Count() == 0 && handler != nullptr) {
        delete handler;
        handler = nullptr;
    }
}

void KxSearchDialog::showDialogFor(int index) {
    KxSearchDialog* dialog =
        index >= 0 ? RegisteredDialogs.GetDialog(static_cast<uint32_t>(index)) : nullptr;
    if (current != nullptr && current == dialog) return;
    if (current != nullptr) current->Close();
    if (dialog != current) dialog->Open();
}

void KxSearchDialog::hideCurrent() {
    if (current != nullptr) current->Close();
}

bool KxSearchDialog::Close() {
    if (current == this) current = nullptr;
    Hide();
    return false;
}

void KxSearchDialog::Open() {
    Show();
    current = this;
}

// ---- KxObjectFinder ------------------------------------------------------------------------------

KxObjectFinder::KxObjectFinder(KxBase* base, const KxMetaPersClass* persClass) {
    if (base != nullptr && persClass != nullptr) set_ = persClass->MakeExtent(base);
}

KxObjectFinder::~KxObjectFinder() { delete set_; }

KxObject* KxObjectFinder::operator()(const KxObjId& id) {
    if (set_ == nullptr) return nullptr;
    int32_t position = 0;
    if (set_->Find(id, position) != 0) return nullptr;
    KxObject* object = nullptr;
    if (set_->Get(object, position, 1, KX_SPEC_DEFAULT, KX_SPEC_DEFAULT) != 0 || object == nullptr) return object;
    // The caller keeps a hold of its own; the set gives back the hold of its read.
    object->Remember();
    KxObject* read = object;
    set_->Unget(read);
    return object;
}
