// Search windows of the browsers and the object finder.
//
//   KxSearchDialog         a floating search window built from a resource; every one registers itself
//                          in the library-wide registry and gets a number. At most one is shown (the
//                          current one); when the focus moves to another view while one is shown, the
//                          registry shows the one that the newly focused view asks for (its
//                          search-window type is a position in the registry, counted from 0).
//   KxSearchDialogHandler  the focus listener of the registry, present while a dialog is registered.
//   SearchOptions          two option words of a search.
//   KxObjectFinder         fetches a persistent object of a class by its object id.
#pragma once

#include "KvHdl.h"
#include "KxObjId.h"
#include "svlist.h"
#include "svwindow.h"

class KvView;
class KxAllSet;
class KxBase;
class KxMetaPersClass;
class KxObject;
class KxSearchDialog;

// The registered dialogs in registration order.
class KxSearchDialogs : public List {
public:
    KxSearchDialogs() : List(1024, 16, 16) {}
    KxSearchDialog* GetDialog(uint32_t i) const { return static_cast<KxSearchDialog*>(GetObject(i)); }
};

class KxSearchDialogHandler : public KvHdl {
public:
    // Registers for focus notification.
    KxSearchDialogHandler();
    ~KxSearchDialogHandler() override;
    // While a dialog is shown: shows the dialog at the view's search-window type.
    void notifyFocus(KvView& view) override;
    void notifyDefocus(KvView& view) override;
};

struct SearchOptions {
    SearchOptions() = default;
    SearchOptions(const SearchOptions& other) = default;
    SearchOptions& operator=(const SearchOptions& other) = default;
    unsigned long word1 = 0;
    unsigned long word2 = 0;
};

class KxSearchDialog : public FloatingWindow {
public:
    // Unregisters the dialog; a dialog that is shown stops being the current one.
    ~KxSearchDialog() override;

    int GetRegistrationNumber() const { return registrationNumber_; }

    // Appends the dialog (the handler is made with the first one): the number of registered dialogs.
    static int Register(KxSearchDialog& dialog);
    // Removes the dialog; the handler goes with the last one.
    static void Unregister(KxSearchDialog& dialog);
    static KxSearchDialog* getCurrent() { return current; }
    // Shows the registered dialog at the position (from 0); the current one, when another, is closed.
    static void showDialogFor(int index);
    // Closes the current dialog, if any.
    static void hideCurrent();
    // The focus listener while dialogs are registered (null otherwise).
    static KxSearchDialogHandler* getHandler() { return handler; }

    // Hides the window; it is no longer the current dialog. Answers false (0).
    bool Close() override;
    // Shows the window and makes it the current dialog.
    virtual void Open();

    static KxSearchDialogs RegisteredDialogs;

protected:
    KxSearchDialog(Window* parent, const ResId& id);

private:
    int registrationNumber_;
    static KxSearchDialog* current;
    static KxSearchDialogHandler* handler;
};

class KxObjectFinder {
public:
    // With both given, the finder searches the class's extent in the base; otherwise it finds nothing.
    KxObjectFinder(KxBase* base, const KxMetaPersClass* persClass);
    virtual ~KxObjectFinder();
    KxObjectFinder(const KxObjectFinder&) = delete;
    KxObjectFinder& operator=(const KxObjectFinder&) = delete;

    // The object of the id, held once for the caller (release it with Forget); null when the extent
    // holds none or it cannot be read.
    KxObject* operator()(const KxObjId& id);

private:
    KxAllSet* set_ = nullptr;
};
