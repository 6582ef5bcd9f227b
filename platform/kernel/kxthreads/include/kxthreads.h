// The kernel's thread library: critical sections, numbered critical sections of the thread
// manager, objects with their own critical section, and threads.
// Every critical section here is recursive: the thread that holds it may enter it again and must
// leave it as often as it entered.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

enum : int32_t {
    KX_THREADS_OK            = 0,
    KX_THREADS_E_INVALID     = -2831,  // invalid argument (negative section number, ...)
    KX_THREADS_E_NOT_OWNER   = -2832,  // leaving a critical section the calling thread does not hold
    KX_THREADS_E_STATE       = -2833,  // thread already running, not started, or joining itself
    KX_THREADS_E_START       = -2834   // the system could not start a thread
};

class KxRecursiveLock;   // internal

class KxCritSect {
public:
    // A named critical section; the caller owns it and deletes it. The light form is the same
    // lock here (a cheaper variant in a real kernel).
    static KxCritSect* Make(const char* name);
    static KxCritSect* MakeLight(const char* name);
    virtual ~KxCritSect();

    void Enter();
    void Leave();            // ignored when the calling thread does not hold the section
    const char* Name() const;

    KxCritSect(const KxCritSect&) = delete;
    KxCritSect& operator=(const KxCritSect&) = delete;

protected:
    explicit KxCritSect(const char* name);

private:
    std::string name_;
    std::unique_ptr<KxRecursiveLock> lock_;
};

class KxThreadMgr {
public:
    KxThreadMgr();
    virtual ~KxThreadMgr();

    // Enters the critical section with that number (0 or more; made on first use). The name says
    // who enters (for diagnostics); it is not checked. 0, or KX_THREADS_E_INVALID.
    int32_t BeginCriticalSection(int32_t number, const char* name);
    // Leaves it: 0, KX_THREADS_E_INVALID, or KX_THREADS_E_NOT_OWNER when the calling thread does
    // not hold the section (nothing is released then).
    int32_t EndCriticalSection(int32_t number, const char* name);

    KxThreadMgr(const KxThreadMgr&) = delete;
    KxThreadMgr& operator=(const KxThreadMgr&) = delete;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Holds a numbered critical section of a thread manager for its own lifetime.
// With a null manager it locks nothing.
class CSChecker {
public:
    CSChecker(const char* name, int32_t number, KxThreadMgr* mgr);
    ~CSChecker();

    CSChecker(const CSChecker&) = delete;
    CSChecker& operator=(const CSChecker&) = delete;

private:
    const char* name_;
    int32_t number_;
    KxThreadMgr* mgr_;
    bool held_;
};

// Base of objects that carry their own critical section. Copies get a critical section of their own.
class KxMTObj {
public:
    KxMTObj();
    KxMTObj(const KxMTObj& other);
    KxMTObj& operator=(const KxMTObj& other);
    virtual ~KxMTObj();

    void BeginCriticalSection();
    void EndCriticalSection();    // ignored when the calling thread does not hold the section

private:
    std::unique_ptr<KxRecursiveLock> lock_;
};

// A named thread. Derive and implement Run; Start runs it on a new thread, Join waits for it.
// A thread object may be started again once the previous run has ended.
// The owner must Join (or let the run end) before the derived part is destroyed: the destructor
// only waits for a run that is still going.
class KxThread {
public:
    explicit KxThread(const char* name);
    // name is the thread's name in the kernel; systemName is given to the operating system
    // (which may shorten it).
    KxThread(const char* name, const char* systemName);
    virtual ~KxThread();

    virtual void Run() = 0;

    // 0; KX_THREADS_E_STATE while a previous run is still going; KX_THREADS_E_START when the
    // system refuses a thread.
    int32_t Start();
    // Waits for the run to end: 0; KX_THREADS_E_STATE when not started or called from the thread itself.
    int32_t Join();

    const char* Name() const;
    const char* SystemName() const;

    KxThread(const KxThread&) = delete;
    KxThread& operator=(const KxThread&) = delete;

private:
    struct Impl;
    std::string name_;
    std::string systemName_;
    std::unique_ptr<Impl> impl_;
};
