// KvHdl: the root of subjects, views and dialogs. A handle that registers for notification hears
// which view gained or lost the input focus.
#pragma once

class KvView;

class KvHdl {
public:
    virtual ~KvHdl();  // a registered handle leaves the notification list
    // Enters the handle into the process-wide notification list (once).
    virtual void registerForNotification();
    // Called on every registered handle when a view gains, respectively loses, the focus.
    virtual void notifyFocus(KvView& view);
    virtual void notifyDefocus(KvView& view);

protected:
    KvHdl();
    // Copies take the registered flag only; the copy is not entered into the list.
    KvHdl(const KvHdl& other);
    KvHdl& operator=(const KvHdl& other);
    int isRegisteredForNotification() const { return registered_; }

private:
    friend class KvView;
    static void broadcastFocus(KvView& view);
    static void broadcastDefocus(KvView& view);

    int registered_;
};
