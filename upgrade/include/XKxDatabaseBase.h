// XKxDatabaseBase: the kernel-level access of one application database: the connection settings,
// starting and stopping the object-database kernel in this process, getting and giving back the
// database ("base") with its class dictionary, connecting to and disconnecting from a server.
// XKxErrorCallBack turns every Oracle error the Oracle adapter reports into a thrown XKxException,
// so that an Oracle failure deep inside a kernel call unwinds to the upgrade step that caused it.
#pragma once

#include <cstdint>
#include <string>

#include "KxGOraDatabaseErrorCallback.h"
#include "afxstr.h"

class KxBase;
class KxClassDict;

class XKxErrorCallBack : public KxGOraDatabaseErrorCallback {
public:
    // Throws XKxException: the code made negative (a positive code negated; 0, which would read as
    // no error, becomes -1), the message, and around it "Occured during execution of <context>!"
    // when there is a context.
    void Receive(int32_t code, const char* message, const char* context) override;
};

class XKxDatabaseBase {
public:
    XKxDatabaseBase() = default;
    // Closes the database; every exception is swallowed.
    virtual ~XKxDatabaseBase();
    XKxDatabaseBase(const XKxDatabaseBase&) = delete;
    XKxDatabaseBase& operator=(const XKxDatabaseBase&) = delete;

    // Starts the kernel ("EnableMultiThreading", "ConfigFile", "ClientName") and registers the
    // process's error receiver. XKxException with the kernel's result on failure.
    void Init();
    // Unregisters the receiver and stops the kernel: the kernel's result (not negative), else
    // XKxException.
    int32_t DeInit();
    // Nothing when open; else ForceOpen.
    void Open();
    // Starts the kernel, installs the user-name hook for an explicit log-in, gets the base and its
    // dictionary. On every failure the kernel is stopped again before the exception leaves.
    int32_t ForceOpen();
    // Gives the base back and stops the kernel: DeInit's result; 0 when not open. A failed release
    // stops the kernel all the same and throws.
    int32_t Close();
    // Starts the kernel and connects a base of its own to the server (when there is none); a failed
    // connect stops the kernel again and throws.
    void Connect();
    // Disconnects and deletes the base, then stops the kernel; throws for a failed disconnect.
    void DisConnect();

    // "<user>/<password>", with "@<connectService>" when there is a service; empty unless the log-in
    // is explicit and user and password are both set.
    CString GetLoginText() const;
    // "<user>/<rest>": user before the first "/", the rest split at its first "@" into password and
    // service (without "@" the rest is the password and the service stays). Without "/" nothing
    // changes.
    void SetLoginText(const CString& text);
    // "<user>/<password>".
    CString GetUserPassword() const;

protected:
    KxBase* base = nullptr;
    KxClassDict* dictionary = nullptr;
    CString server;
    CString connectService;
    CString clientName;
    CString configFile;
    CString baseName;
    CString user;
    CString password;
    bool passwordMasked = false;
    CString dictPath;
    CString path;
    bool open = false;
    bool explicitLogin = false;
    int32_t state = 2;
    std::u16string wideName;

private:
    // DeInit on a failure path: a failure of its own is only logged, the caller throws its own.
    void DeInitAfterFailure();
};
