#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Errors.h"
#include "Handles.h"
#include "Hooks.h"
#include "Paths.h"
#include "Text.h"
#include "w32ini.h"
#include "w32path.h"

extern char** environ;

namespace w32 {
namespace {

// ---- What one waits for: a process or a thread ----

struct Waitable {
    std::mutex mutex;
    std::condition_variable changed;
    bool ended = false;
    DWORD exitCode = STILL_ACTIVE;
    int suspended = 0;                 // suspend count
    std::function<void()> release;     // runs when the count drops to 0
    DWORD id = 0;

    void Finish(DWORD code) {
        std::lock_guard<std::mutex> lock(mutex);
        exitCode = code;
        ended = true;
        changed.notify_all();
    }
    bool WaitFor(DWORD ms) {
        std::unique_lock<std::mutex> lock(mutex);
        if (ms == INFINITE) {
            changed.wait(lock, [&] { return ended; });
            return true;
        }
        return changed.wait_for(lock, std::chrono::milliseconds(ms), [&] { return ended; });
    }
};

struct Child : Waitable {
    int resumeFd = -1;   // write end that lets a suspended child go on
    ~Child() {
        if (resumeFd >= 0) close(resumeFd);   // a child never resumed ends instead
    }
};

struct WaitObject : Object {
    WaitObject(Kind k, std::shared_ptr<Waitable> w) : Object(k), state(std::move(w)) {}
    std::shared_ptr<Waitable> state;
};

std::shared_ptr<Waitable> StateOf(HANDLE h, std::initializer_list<Kind> kinds) {
    auto o = Find<WaitObject>(h, kinds);
    return o == nullptr ? nullptr : o->state;
}

// ---- Command lines ----

bool Blank(char c) { return c == ' ' || c == '\t'; }

std::vector<std::string> Split(const std::string& line) {
    std::vector<std::string> args;
    size_t i = 0;
    const size_t n = line.size();
    while (i < n && Blank(line[i])) ++i;
    // The program name: quotes group, backslashes are plain.
    std::string program;
    bool quoted = false;
    for (; i < n; ++i) {
        if (line[i] == '"') {
            quoted = !quoted;
            continue;
        }
        if (!quoted && Blank(line[i])) break;
        program += line[i];
    }
    args.push_back(program);
    for (;;) {
        while (i < n && Blank(line[i])) ++i;
        if (i >= n) break;
        std::string arg;
        bool inQuotes = false;
        while (i < n) {
            const char c = line[i];
            if (!inQuotes && Blank(c)) break;
            if (c == '\\') {
                size_t k = 0;
                while (i + k < n && line[i + k] == '\\') ++k;
                if (i + k < n && line[i + k] == '"') {
                    arg.append(k / 2, '\\');
                    if (k % 2 == 1) {
                        arg += '"';   // an escaped quote
                        i += k + 1;
                    } else {
                        i += k;       // the quote delimits, below
                    }
                } else {
                    arg.append(k, '\\');
                    i += k;
                }
                continue;
            }
            if (c == '"') {
                if (inQuotes && i + 1 < n && line[i + 1] == '"') {
                    arg += '"';       // a doubled quote inside quotes: one quote, and the quotes end
                    inQuotes = false;
                    i += 2;
                } else {
                    inQuotes = !inQuotes;
                    ++i;
                }
                continue;
            }
            arg += c;
            ++i;
        }
        args.push_back(arg);
    }
    return args;
}

// ---- Finding the program ----

std::vector<std::string> ProgramVariants(const std::string& name) {
    if (name.size() > 4 && w32ini::EqualsNoCase(name.substr(name.size() - 4), ".exe"))
        return {name, name.substr(0, name.size() - 4)};
    return {name + ".exe", name};
}

// The program file to run, or an error number (2, 5, 193, or a path's).
DWORD FindProgram(const std::string& name, std::string& file) {
    if (name.empty()) return ERROR_FILE_NOT_FOUND;
    std::vector<std::string> folders;
    std::string base;
    if (const DWORD rc = SearchFolders(name, folders, base)) return rc;
    if (base == name) {   // a bare name: PATH too
        if (const char* path = std::getenv("PATH")) {
            std::string p = path;
            size_t start = 0;
            for (;;) {
                const size_t cut = p.find(':', start);
                const std::string folder = p.substr(start, cut == std::string::npos ? std::string::npos : cut - start);
                if (!folder.empty()) folders.push_back(folder);
                if (cut == std::string::npos) break;
                start = cut + 1;
            }
        }
    }
    for (const std::string& folder : folders) {
        for (const std::string& variant : ProgramVariants(base)) {
            const std::string found = FindFileNoCase(folder, variant);
            if (found.empty()) continue;
            if (access(found.c_str(), X_OK) != 0) return ERROR_ACCESS_DENIED;
            char head[4] = {};
            const int fd = open(found.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0) return FromErrno(errno);
            const ssize_t got = read(fd, head, sizeof head);
            close(fd);
            const bool elf = got == 4 && std::memcmp(head, "\x7f" "ELF", 4) == 0;
            const bool script = got >= 2 && head[0] == '#' && head[1] == '!';
            if (!elf && !script) return ERROR_BAD_EXE_FORMAT;
            file = found;
            return ERROR_SUCCESS;
        }
    }
    return ERROR_FILE_NOT_FOUND;
}

// "NAME=value" entries of an environment block.
std::vector<std::string> BlockEntries(const void* block, bool wide) {
    std::vector<std::string> entries;
    if (wide) {
        const char16_t* p = static_cast<const char16_t*>(block);
        while (*p != 0) {
            const size_t len = Length(p);
            entries.push_back(ToUtf8(std::u16string_view(p, len)));
            p += len + 1;
        }
    } else {
        const char* p = static_cast<const char*>(block);
        while (*p != 0) {
            entries.emplace_back(p);
            p += std::strlen(p) + 1;
        }
    }
    std::vector<std::string> kept;
    for (std::string& e : entries)
        if (!e.empty() && e[0] != '=' && e.find('=') != std::string::npos) kept.push_back(std::move(e));
    return kept;
}

DWORD ExitCodeOf(int status) {
    if (WIFEXITED(status)) return static_cast<DWORD>(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) return static_cast<DWORD>(128 + WTERMSIG(status));
    return 1;
}

void Reap(std::shared_ptr<Child> child, pid_t pid) {
    std::thread([child, pid] {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        child->Finish(ExitCodeOf(status));
    }).detach();
}

// Closes (at exec) every descriptor from 3 on.
void CloseOnExecFrom3(int maxFd) {
    if (syscall(SYS_close_range, 3u, ~0u, 4u /* CLOSE_RANGE_CLOEXEC */) == 0) return;
    for (int fd = 3; fd < maxFd; ++fd) fcntl(fd, F_SETFD, FD_CLOEXEC);
}

BOOL Start(const std::string& application, const std::string& commandLine, DWORD flags, const void* environment,
           const char* directory, LPPROCESS_INFORMATION info) {
    if (info == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    if (int32_t code = 0; w32::TakeFailure(w32test::Call::StartProcess, code)) return Fail(static_cast<DWORD>(code));
    const std::vector<std::string> args = Split(commandLine);
    std::string file;
    if (const DWORD rc = FindProgram(application.empty() ? args[0] : application, file)) return Fail(rc);
    std::string folder;
    if (directory != nullptr) {
        if (const uint32_t rc = w32path::ToLinux(directory, folder)) return Fail(rc == ERROR_PATH_NOT_FOUND ? DWORD(ERROR_DIRECTORY) : rc);
        struct stat st;
        if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return Fail(ERROR_DIRECTORY);
    }
    std::vector<std::string> env;
    if (environment != nullptr) {
        env = BlockEntries(environment, (flags & CREATE_UNICODE_ENVIRONMENT) != 0);
    } else {
        for (char** e = environ; e != nullptr && *e != nullptr; ++e) env.emplace_back(*e);
    }
    // Everything the child needs is made before the fork: after it only system calls run.
    std::vector<char*> argv, envp;
    std::vector<std::string> argStore = args;
    if (!application.empty() && argStore.empty()) argStore.push_back(application);
    for (std::string& a : argStore) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    const bool suspended = (flags & CREATE_SUSPENDED) != 0;
    const bool quiet = (flags & (CREATE_NEW_CONSOLE | CREATE_NO_WINDOW | DETACHED_PROCESS)) != 0;
    const int maxFd = static_cast<int>(std::min<long>(sysconf(_SC_OPEN_MAX), 65536));

    int gate[2] = {-1, -1};
    int report[2] = {-1, -1};
    if ((suspended && pipe2(gate, O_CLOEXEC) != 0) || pipe2(report, O_CLOEXEC) != 0) return Fail(FromErrno(errno));
    const int devNull = quiet ? open("/dev/null", O_RDWR | O_CLOEXEC) : -1;
    const pid_t pid = fork();
    if (pid == 0) {
        int error = 0;
        if (devNull >= 0) {
            dup2(devNull, 0);
            dup2(devNull, 1);
            dup2(devNull, 2);
        }
        if (!folder.empty() && chdir(folder.c_str()) != 0) error = errno;
        CloseOnExecFrom3(maxFd);
        if (error == 0 && suspended) {
            close(gate[1]);
            char go = 0;
            if (read(gate[0], &go, 1) != 1) _exit(126);   // never resumed
        }
        if (error == 0) {
            execve(file.c_str(), argv.data(), envp.data());
            error = errno;
        }
        (void)!write(report[1], &error, sizeof error);
        _exit(127);
    }
    const int forkError = errno;
    if (devNull >= 0) close(devNull);
    close(report[1]);
    if (suspended) close(gate[0]);
    if (pid < 0) {
        close(report[0]);
        if (suspended) close(gate[1]);
        return Fail(FromErrno(forkError));
    }
    auto child = std::make_shared<Child>();
    child->id = static_cast<DWORD>(pid);
    if (suspended) {
        child->suspended = 1;
        child->resumeFd = gate[1];
        Child* raw = child.get();
        child->release = [raw] {
            const char go = 'r';
            (void)!write(raw->resumeFd, &go, 1);
            close(raw->resumeFd);
            raw->resumeFd = -1;
        };
    } else {
        // The report pipe closes at a successful exec; an error number comes back otherwise.
        int error = 0;
        ssize_t got;
        while ((got = read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
        }
        if (got == static_cast<ssize_t>(sizeof error)) {
            close(report[0]);
            int status = 0;
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            return Fail(error == ENOENT ? DWORD(ERROR_FILE_NOT_FOUND) : error == ENOEXEC ? DWORD(ERROR_BAD_EXE_FORMAT)
                                                                                          : FromErrno(error));
        }
    }
    close(report[0]);
    Reap(child, pid);
    info->hProcess = AddHandle(std::make_shared<WaitObject>(Kind::Process, child));
    info->hThread = AddHandle(std::make_shared<WaitObject>(Kind::Thread, child));
    info->dwProcessId = static_cast<DWORD>(pid);
    info->dwThreadId = static_cast<DWORD>(pid);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

}  // namespace
}  // namespace w32

namespace w32test {

std::vector<std::string> SplitCommandLine(const std::string& commandLine) { return w32::Split(commandLine); }

}  // namespace w32test

using w32::Fail;

extern "C" {

BOOL WINAPI CreateProcessA(LPCSTR lpApplicationName, LPSTR lpCommandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES,
                           BOOL, DWORD dwCreationFlags, LPVOID lpEnvironment, LPCSTR lpCurrentDirectory,
                           LPSTARTUPINFOA, LPPROCESS_INFORMATION lpProcessInformation) {
    if (lpApplicationName == nullptr && lpCommandLine == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    return w32::Start(lpApplicationName == nullptr ? std::string() : lpApplicationName,
                      lpCommandLine == nullptr ? std::string() : lpCommandLine, dwCreationFlags, lpEnvironment,
                      lpCurrentDirectory, lpProcessInformation);
}

BOOL WINAPI CreateProcessW(LPCWSTR lpApplicationName, LPWSTR lpCommandLine, LPSECURITY_ATTRIBUTES,
                           LPSECURITY_ATTRIBUTES, BOOL, DWORD dwCreationFlags, LPVOID lpEnvironment,
                           LPCWSTR lpCurrentDirectory, LPSTARTUPINFOW, LPPROCESS_INFORMATION lpProcessInformation) {
    if (lpApplicationName == nullptr && lpCommandLine == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    const std::string directory = w32::ToUtf8(lpCurrentDirectory);
    return w32::Start(w32::ToUtf8(lpApplicationName), w32::ToUtf8(lpCommandLine), dwCreationFlags, lpEnvironment,
                      lpCurrentDirectory == nullptr ? nullptr : directory.c_str(), lpProcessInformation);
}

BOOL WINAPI GetExitCodeProcess(HANDLE hProcess, LPDWORD lpExitCode) {
    auto state = w32::StateOf(hProcess, {w32::Kind::Process});
    if (state == nullptr) return FALSE;
    if (lpExitCode == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    std::lock_guard<std::mutex> lock(state->mutex);
    *lpExitCode = state->exitCode;
    return TRUE;
}

HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE lpStartAddress, LPVOID lpParameter,
                           DWORD dwCreationFlags, LPDWORD lpThreadId) {
    if (lpStartAddress == nullptr) return Fail(ERROR_INVALID_PARAMETER, HANDLE(nullptr));
    int32_t code = 0;
    if (w32::TakeFailure(w32test::Call::StartThread, code)) return Fail(static_cast<DWORD>(code), HANDLE(nullptr));
    auto state = std::make_shared<w32::Waitable>();
    if (dwCreationFlags & CREATE_SUSPENDED) {
        state->suspended = 1;
        w32::Waitable* raw = state.get();
        state->release = [raw] { raw->changed.notify_all(); };   // called under the state's lock
    }
    bool started = false;
    try {
        std::thread([state, lpStartAddress, lpParameter] {
            {
                std::unique_lock<std::mutex> lock(state->mutex);
                state->id = static_cast<DWORD>(syscall(SYS_gettid));
                state->changed.notify_all();
                state->changed.wait(lock, [&] { return state->suspended == 0; });
            }
            state->Finish(lpStartAddress(lpParameter));
        }).detach();
        started = true;
    } catch (const std::system_error&) {
    }
    if (!started) return Fail(ERROR_NOT_ENOUGH_MEMORY, HANDLE(nullptr));
    if (lpThreadId != nullptr) {
        std::unique_lock<std::mutex> lock(state->mutex);
        state->changed.wait(lock, [&] { return state->id != 0; });
        *lpThreadId = state->id;
    }
    return w32::AddHandle(std::make_shared<w32::WaitObject>(w32::Kind::Thread, state));
}

DWORD WINAPI ResumeThread(HANDLE hThread) {
    auto state = w32::StateOf(hThread, {w32::Kind::Thread});
    if (state == nullptr) return static_cast<DWORD>(-1);
    std::lock_guard<std::mutex> lock(state->mutex);
    const DWORD previous = static_cast<DWORD>(state->suspended);
    if (state->suspended > 0 && --state->suspended == 0 && state->release) state->release();
    return previous;
}

BOOL WINAPI GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode) {
    auto state = w32::StateOf(hThread, {w32::Kind::Thread});
    if (state == nullptr) return FALSE;
    if (lpExitCode == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    std::lock_guard<std::mutex> lock(state->mutex);
    *lpExitCode = state->exitCode;
    return TRUE;
}

DWORD WINAPI GetCurrentProcessId() { return static_cast<DWORD>(getpid()); }

DWORD WINAPI GetCurrentThreadId() { return static_cast<DWORD>(syscall(SYS_gettid)); }

DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
    auto state = w32::StateOf(hHandle, {w32::Kind::Process, w32::Kind::Thread});
    if (state == nullptr) return WAIT_FAILED;
    return state->WaitFor(dwMilliseconds) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

void WINAPI Sleep(DWORD dwMilliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(dwMilliseconds)); }

}  // extern "C"
