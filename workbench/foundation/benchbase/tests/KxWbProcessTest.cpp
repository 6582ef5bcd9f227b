// Child processes with the watcher thread: real children (the Win32 stand-in's test child), held
// on a FIFO where a test needs them running, and callbacks awaited on a condition, never on the
// clock.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <TestSupport.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "KxWbProcess.h"
#include "StreamCapture.h"

namespace {

using w32test_support::TempDir;

std::string Child(const std::string& arguments) { return std::string("\"") + W32CHILD + "\" " + arguments; }

// Records the termination callbacks: the exit code seen, the thread and its name.
class Target : public KxWbProcessCallbackTarget {
public:
    struct Call {
        KxWbProcess* process;
        int32_t exitCode;
        std::thread::id thread;
        std::string threadName;
    };
    unsigned long terminationCallback(KxWbProcess* process) override {
        char name[32] = {};
        pthread_getname_np(pthread_self(), name, sizeof name);
        std::lock_guard<std::mutex> lock(mutex_);
        calls_.push_back({process, process->getExitCode(), std::this_thread::get_id(), name});
        changed_.notify_all();
        return 0;
    }
    // Waits for the n-th call and answers the calls so far.
    std::vector<Call> WaitForCalls(size_t n) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return calls_.size() >= n; });
        return calls_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Call> calls_;
};

// A child blocked on a FIFO until the test releases it.
class Gate {
public:
    explicit Gate(const TempDir& dir) : path_(dir / "gate") { mkfifo(path_.c_str(), 0600); }
    const std::string& Path() const { return path_; }
    // Opens the FIFO for writing (once the child has opened it for reading) and closes it.
    void Release() const {
        const int fd = open(path_.c_str(), O_WRONLY);
        if (fd >= 0) close(fd);
    }

private:
    std::string path_;
};

class KxWbProcessTest : public ::testing::Test {
protected:
    TempDir dir;
    StreamCapture out;
    Target target;
};

TEST_F(KxWbProcessTest, SpawnAndWaitGivesTheExitCodeAndCallsBackOnTheWatcherThread) {
    KxWbProcess process;
    EXPECT_EQ(-1, process.getExitCode());
    process.setCmdLine(Child("exit 3").c_str());
    EXPECT_EQ(Child("exit 3"), process.getCmdLine());
    process.setCallbackTarget(&target);
    EXPECT_EQ(&target, process.getCallbackTarget());
    EXPECT_EQ(0, process.spawn(1, 0));
    EXPECT_EQ(3, process.getExitCode());
    const std::vector<Target::Call> calls = target.WaitForCalls(1);
    ASSERT_EQ(1u, calls.size());
    EXPECT_EQ(&process, calls[0].process);
    EXPECT_EQ(3, calls[0].exitCode);   // the exit code is kept before the callback
    EXPECT_NE(std::this_thread::get_id(), calls[0].thread);
    EXPECT_EQ("Tessaform Proce", calls[0].threadName);   // the system keeps 15 characters

    // A second spawn on the same object: the watcher serves again.
    process.setCmdLine(Child("exit 4").c_str());
    EXPECT_EQ(0, process.spawn(1, 1));
    EXPECT_EQ(4, process.getExitCode());
    EXPECT_EQ(4, target.WaitForCalls(2).at(1).exitCode);
    EXPECT_EQ("", out.Take());
}

TEST_F(KxWbProcessTest, SpawnWithoutWaitingReturnsAtOnce) {
    Gate gate(dir);
    KxWbProcess process;
    process.setCmdLine(Child("block \"" + gate.Path() + "\" 5").c_str());
    process.setCallbackTarget(&target);
    EXPECT_EQ(0, process.spawn(0, 1));
    EXPECT_EQ(-1, process.getExitCode());   // still running: the child waits for the gate
    // A second spawn while the child runs is refused.
    EXPECT_EQ(170, process.spawn(0, 1));
    EXPECT_EQ(0u, out.Take().find("KxWbProcess : KxWbProcess::spawn (int waitForTermination) : an error occured "
                                  "calling CreateProcess, error= 170 that means : The requested resource is in use."));
    gate.Release();
    EXPECT_EQ(5, target.WaitForCalls(1).at(0).exitCode);
    EXPECT_EQ(5, process.getExitCode());
    EXPECT_EQ(0, process.wait());   // nothing left to wait for
    EXPECT_EQ(5, process.getExitCode());
}

TEST_F(KxWbProcessTest, StartFailures) {
    KxWbProcess process;
    EXPECT_EQ(-4, process.spawn(1, 0));   // no command line
    EXPECT_EQ("", out.Take());

    process.setCmdLine((dir / "no-such-program").c_str());
    EXPECT_EQ(-2, process.spawn(1, 0));
    const std::string report = out.Take();
    EXPECT_EQ(0u, report.find("KxWbProcess : KxWbProcess::spawn (int waitForTermination) : an error occured calling "
                              "CreateProcess, error= 2 that means : The system cannot find the file specified.\r\n. "
                              "KxWbProcess.cpp:"))
        << report;
    EXPECT_EQ(1, std::count(report.begin(), report.end(), '\n') - 1);   // one line (the text has its own line end)

    const std::string notExecutable = dir.Write("plain.txt", "text");
    process.setCmdLine(notExecutable.c_str());
    EXPECT_EQ(5, process.spawn(1, 0));   // the Win32 error
    EXPECT_NE(std::string::npos, out.Take().find("error= 5 "));
    EXPECT_EQ(-1, process.getExitCode());
}

// A process that deletes itself after its wait, and says when it is gone.
class SelfDeleting : public KxWbProcess {
public:
    SelfDeleting(std::mutex& mutex, std::condition_variable& gone, int& deletions)
        : KxWbProcess(DeleteAfterWait), mutex_(mutex), gone_(gone), deletions_(deletions) {}
    ~SelfDeleting() override {
        std::lock_guard<std::mutex> lock(mutex_);
        ++deletions_;
        gone_.notify_all();
    }

private:
    std::mutex& mutex_;
    std::condition_variable& gone_;
    int& deletions_;
};

TEST_F(KxWbProcessTest, DeleteAfterWaitDeletesOnceAfterTheWaitsAndTheCallback) {
    for (int waitForTermination : {1, 0}) {
        std::mutex mutex;
        std::condition_variable gone;
        int deletions = 0;
        auto* process = new SelfDeleting(mutex, gone, deletions);
        process->setCmdLine(Child("exit 7").c_str());
        Target calls;
        process->setCallbackTarget(&calls);
        EXPECT_EQ(0, process->spawn(waitForTermination, 0));
        std::unique_lock<std::mutex> lock(mutex);
        gone.wait(lock, [&] { return deletions > 0; });
        EXPECT_EQ(1, deletions);
        // The callback saw the object alive, with its exit code.
        const std::vector<Target::Call> seen = calls.WaitForCalls(1);
        ASSERT_EQ(1u, seen.size());
        EXPECT_EQ(7, seen[0].exitCode);
    }
}

TEST_F(KxWbProcessTest, CopiesShareTheProcessState) {
    Gate gate(dir);
    auto* original = new KxWbProcess;
    original->setCmdLine(Child("block \"" + gate.Path() + "\" 9").c_str());
    original->setCallbackTarget(&target);
    ASSERT_EQ(0, original->spawn(0, 0));
    KxWbProcess copy(*original);
    KxWbProcess assigned;
    assigned = copy;
    EXPECT_EQ(original->getCmdLine(), std::string(copy.getCmdLine()));
    EXPECT_EQ(&target, assigned.getCallbackTarget());
    delete original;   // the watcher no longer calls back a deleted object; the copies keep the state
    gate.Release();
    EXPECT_EQ(0, copy.wait());
    EXPECT_EQ(9, copy.getExitCode());
    EXPECT_EQ(9, assigned.getExitCode());
}

TEST(KxFaultHandlerForCurrentProcessTest, CatchesNothingAndSaysSo) {
    KxFaultHandlerForCurrentProcess handler([] {});
    EXPECT_EQ(1, handler.catchIt());
}

}  // namespace
