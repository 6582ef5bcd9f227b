// Child processes and the watcher thread that waits for them.
//
// The process state is shared by an object and its copies, and by the watcher while it runs, so
// that it lives as long as any of them uses it. A thread object cannot be deleted from its own
// run: watcher threads whose state goes away are retired and deleted once their run has ended.
#include "KxWbProcess.h"

#include <windows.h>
#include <kxthreads.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "KxWOStream.h"
#include "SystemErrorText.h"

static KxWOStream theStream;

namespace {

const char* const kSpawn = "KxWbProcess::spawn (int waitForTermination)";
const char* const kWait = "KxWbProcess::wait ()";

// "KxWbProcess : <operation> : an error occured calling <function>, error= <code> that means :
// <text>. <place>", with the thread's last error.
void Report(const char* operation, const char* function, int line) {
    const DWORD code = GetLastError();
    std::string text;
    theStream << "KxWbProcess : " << operation << " : an error occured calling " << function << ", error= "
              << static_cast<unsigned long>(code);
    if (SystemErrorText(code, text)) theStream << " that means : " << text.c_str() << ". ";
    else theStream << ". ";
    theStream << __FILE_NAME__ << ":" << line << endl;
}

class Watcher;
void Retire(std::unique_ptr<Watcher> watcher);

}  // namespace

struct KxWbProcessState {
    std::recursive_mutex mutex;
    KxWbProcess* process = nullptr;   // the object that spawned (cleared by its destructor)
    int32_t exitCode = -1;
    bool running = false;             // a child that no wait has seen end yet
    STARTUPINFOA startup = {};
    PROCESS_INFORMATION info = {};
    std::vector<HANDLE> handles;      // of every child started, closed with the state
    std::unique_ptr<Watcher> watcher; // made on the first spawn, reused
    std::thread::id watcherThread;
    int watcherRuns = 0;              // watcher runs started and not finished
    int ownerWaits = 0;               // waits on other threads, started and not finished
    bool spawnWaitPending = false;    // spawn counted the wait it is about to make

    ~KxWbProcessState();

    // Deletes the process when it asked for it and nobody waits or calls back any more.
    static void DeleteIfDone(KxWbProcessState& state) {
        KxWbProcess* p = state.process;
        if (p != nullptr && (p->flags_ & KxWbProcess::DeleteAfterWait) != 0 && state.ownerWaits == 0 &&
            state.watcherRuns == 0)
            delete p;
    }
};

namespace {

class Watcher : public KxThread {
public:
    Watcher() : KxThread("Tessaform Process Watcher", "Tessaform Process Watcher") {}

    // Starts a run for the state; false when the thread cannot start.
    bool StartFor(const std::shared_ptr<KxWbProcessState>& state) {
        next_ = state;
        ++activeRuns_;
        if (Start() == KX_THREADS_OK) return true;
        --activeRuns_;
        next_.reset();
        return false;
    }
    bool Finished() const { return activeRuns_ == 0; }

    void Run() override {
        std::shared_ptr<KxWbProcessState> state = std::move(next_);
        HANDLE child = nullptr;
        {
            std::lock_guard<std::recursive_mutex> lock(state->mutex);
            state->watcherThread = std::this_thread::get_id();
            child = state->info.hProcess;
        }
        WaitForSingleObject(child, INFINITE);
        {
            // The process cannot go away while the watcher uses it: its destructor takes the lock.
            std::lock_guard<std::recursive_mutex> lock(state->mutex);
            if (KxWbProcess* p = state->process) {
                p->wait();
                if (state->process == p)
                    if (KxWbProcessCallbackTarget* target = p->getCallbackTarget()) target->terminationCallback(p);
            }
            --state->watcherRuns;
            state->watcherThread = std::thread::id();
            KxWbProcessState::DeleteIfDone(*state);
        }
        state.reset();
        --activeRuns_;
    }

private:
    std::shared_ptr<KxWbProcessState> next_;
    std::atomic<int> activeRuns_{0};
};

struct Retired {
    std::mutex mutex;
    std::vector<std::unique_ptr<Watcher>> watchers;

    // Deletes the watchers whose runs have ended (not the calling thread's own).
    void Reap() {
        std::vector<std::unique_ptr<Watcher>> done;
        {
            std::lock_guard<std::mutex> lock(mutex);
            for (auto it = watchers.begin(); it != watchers.end();) {
                if ((*it)->Finished()) {
                    done.push_back(std::move(*it));
                    it = watchers.erase(it);
                } else {
                    ++it;
                }
            }
        }
        for (auto& w : done) w->Join();   // its run has ended: returns at once
    }
};

// Never destroyed: process states may go away while the program ends, after this unit's statics.
Retired& TheRetired() {
    static Retired* retired = new Retired;
    return *retired;
}

void Retire(std::unique_ptr<Watcher> watcher) {
    {
        std::lock_guard<std::mutex> lock(TheRetired().mutex);
        TheRetired().watchers.push_back(std::move(watcher));
    }
    TheRetired().Reap();
}

}  // namespace

KxWbProcessState::~KxWbProcessState() {
    for (HANDLE h : handles) CloseHandle(h);
    if (watcher != nullptr) Retire(std::move(watcher));
}

KxWbProcessCallbackTarget::~KxWbProcessCallbackTarget() = default;
unsigned long KxWbProcessCallbackTarget::terminationCallback(KxWbProcess*) { return 0; }
unsigned long KxWbProcessCallbackTarget::exceptionCallback(KxWbProcess*) { return 0; }

KxWbProcess::KxWbProcess(unsigned long flags) : state_(new KxWbProcessState), flags_(flags) {
    state_->process = this;
}

KxWbProcess::KxWbProcess(const KxWbProcess& other)
    : state_(other.state_), target_(other.target_), cmdLine_(other.cmdLine_), flags_(other.flags_) {}

KxWbProcess& KxWbProcess::operator=(const KxWbProcess& other) {
    if (this == &other) return *this;
    if (state_ != nullptr) {
        std::lock_guard<std::recursive_mutex> lock(state_->mutex);
        if (state_->process == this) state_->process = nullptr;
    }
    state_ = other.state_;
    target_ = other.target_;
    cmdLine_ = other.cmdLine_;
    flags_ = other.flags_;
    return *this;
}

KxWbProcess::~KxWbProcess() {
    if (state_ != nullptr) {
        std::lock_guard<std::recursive_mutex> lock(state_->mutex);
        if (state_->process == this) state_->process = nullptr;
    }
    state_.reset();
}

void KxWbProcess::setCmdLine(const char* commandLine) { cmdLine_ = commandLine; }
const char* KxWbProcess::getCmdLine() const { return cmdLine_.StrGet(); }
void KxWbProcess::setCallbackTarget(KxWbProcessCallbackTarget* target) { target_ = target; }
KxWbProcessCallbackTarget* KxWbProcess::getCallbackTarget() const { return target_; }

int32_t KxWbProcess::getExitCode() const {
    if (state_ == nullptr) return -1;
    std::lock_guard<std::recursive_mutex> lock(state_->mutex);
    return state_->exitCode;
}

int KxWbProcess::spawn(int waitForTermination, int hide) {
    if (cmdLine_.IsEmpty() || state_ == nullptr) return -4;
    TheRetired().Reap();
    std::shared_ptr<KxWbProcessState> state = state_;
    std::unique_lock<std::recursive_mutex> lock(state->mutex);
    if (state->running) {
        // The watcher and the waits still use the previous child.
        SetLastError(ERROR_BUSY);
        Report(kSpawn, "CreateProcess", __LINE__);
        return ERROR_BUSY;
    }
    if (state->watcher != nullptr && !state->watcher->Finished()) {
        if (state->watcherThread == std::this_thread::get_id()) {
            // Spawned again from the watcher's own callback: that run goes on, a new watcher serves.
            Retire(std::move(state->watcher));
        } else {
            // The previous child has ended; its watcher is finishing its callback.
            lock.unlock();
            state->watcher->Join();
            lock.lock();
        }
    }

    state->exitCode = -1;
    state->running = false;
    state->startup = {};
    state->startup.cb = sizeof state->startup;
    state->startup.dwFlags = STARTF_USESHOWWINDOW;
    state->startup.wShowWindow = hide ? 0 : 1;
    state->info = {};
    std::string commandLine = cmdLine_.StrGet();
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED | NORMAL_PRIORITY_CLASS,
                        nullptr, nullptr, &state->startup, &state->info)) {
        const DWORD error = GetLastError();
        Report(kSpawn, "CreateProcess", __LINE__);
        return error == ERROR_FILE_NOT_FOUND ? -2 : static_cast<int>(error);
    }
    state->handles.push_back(state->info.hProcess);
    state->handles.push_back(state->info.hThread);

    if (state->watcher == nullptr) state->watcher = std::make_unique<Watcher>();
    state->process = this;
    state->running = true;
    const bool willWait = waitForTermination != 0;
    if (willWait) {
        state->spawnWaitPending = true;
        ++state->ownerWaits;
    }
    ++state->watcherRuns;
    if (!state->watcher->StartFor(state)) --state->watcherRuns;
    if (ResumeThread(state->info.hThread) == static_cast<DWORD>(-1)) {
        state->running = false;
        Report(kSpawn, "ResumeThread", __LINE__);
    }
    if (willWait && !state->running) {
        state->spawnWaitPending = false;
        --state->ownerWaits;
        return 0;
    }
    lock.unlock();
    if (willWait) wait();   // may delete this object
    return 0;
}

int KxWbProcess::wait() {
    std::shared_ptr<KxWbProcessState> state = state_;
    if (state == nullptr) return -1;
    std::unique_lock<std::recursive_mutex> lock(state->mutex);
    const bool fromWatcher = state->watcherThread == std::this_thread::get_id() && state->watcherRuns > 0;
    if (!fromWatcher) {
        if (state->spawnWaitPending) state->spawnWaitPending = false;   // counted by spawn
        else ++state->ownerWaits;
    }
    int result = 0;
    if (state->running) {
        const HANDLE child = state->info.hProcess;
        if (!fromWatcher) lock.unlock();   // the watcher holds the lock while it calls back
        const DWORD waited = WaitForSingleObject(child, INFINITE);
        DWORD code = 0;
        const bool haveCode = waited != WAIT_FAILED && GetExitCodeProcess(child, &code);
        if (waited == WAIT_FAILED) Report(kWait, "WaitForSingleObject", __LINE__);
        else if (!haveCode) Report(kWait, "GetExitCodeProcess", __LINE__);
        if (!fromWatcher) lock.lock();
        if (waited == WAIT_FAILED || !haveCode) {
            result = -1;
        } else if (state->info.hProcess == child) {
            state->exitCode = static_cast<int32_t>(code);
            state->running = false;
        }
    }
    if (fromWatcher) return result;   // the watcher deletes the process after its callback
    --state->ownerWaits;
    if (result == 0) KxWbProcessState::DeleteIfDone(*state);
    return result;
}

KxFaultHandlerForCurrentProcess::KxFaultHandlerForCurrentProcess(void (*)()) {}
KxFaultHandlerForCurrentProcess::~KxFaultHandlerForCurrentProcess() {}
int KxFaultHandlerForCurrentProcess::catchIt() { return 1; }
