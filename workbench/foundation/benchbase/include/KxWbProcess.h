// KxWbProcess: a child process started from a command line, optionally hidden. Every spawn starts
// the watcher thread "Tessaform Process Watcher", which waits for the child and then calls the
// owner's KxWbProcessCallbackTarget: on the watcher thread, not on the thread that spawned.
#pragma once

#include <cstdint>
#include <memory>

#include <KxString.h>

class KxWbProcess;

// What the watcher thread calls when a child has ended. Only terminationCallback is ever called.
class KxWbProcessCallbackTarget {
public:
    virtual ~KxWbProcessCallbackTarget();
    virtual unsigned long terminationCallback(KxWbProcess* process);   // 0
    virtual unsigned long exceptionCallback(KxWbProcess* process);     // 0
};

struct KxWbProcessState;

class KxWbProcess {
public:
    // Flag bit 0: the object deletes itself at the end of wait, once the last of the waits (the
    // watcher's and the owner's) and the callback have finished.
    static constexpr unsigned long DeleteAfterWait = 1;

    explicit KxWbProcess(unsigned long flags = 0);
    // Copies share the process state (exit code, child, watcher) with the original.
    KxWbProcess(const KxWbProcess& other);
    KxWbProcess& operator=(const KxWbProcess& other);
    virtual ~KxWbProcess();

    virtual void setCmdLine(const char* commandLine);
    virtual const char* getCmdLine() const;
    // Starts the child (suspended, then resumed once the watcher runs) and, with waitForTermination,
    // waits for it. 0; -4 without a command line; -2 when the program file was not found; else the
    // Win32 error of the failed start (ERROR_BUSY while the previous child still runs).
    virtual int spawn(int waitForTermination, int hide);
    // Waits for the child without time limit and keeps its exit code: 0, or -1 when waiting failed.
    virtual int wait();
    virtual void setCallbackTarget(KxWbProcessCallbackTarget* target);
    virtual KxWbProcessCallbackTarget* getCallbackTarget() const;
    // The child's exit code once it ended; -1 before, or when it could not be read.
    virtual int32_t getExitCode() const;

private:
    std::shared_ptr<KxWbProcessState> state_;
    KxWbProcessCallbackTarget* target_ = nullptr;
    KxString cmdLine_;
    unsigned long flags_ = 0;

    friend struct KxWbProcessState;
};

// An empty companion: construction and destruction do nothing, catchIt answers 1.
class KxFaultHandlerForCurrentProcess {
public:
    explicit KxFaultHandlerForCurrentProcess(void (*handler)());
    ~KxFaultHandlerForCurrentProcess();
    int catchIt();
};
