// What the benchmarks share for measuring in a process of their own: running this program again with
// other arguments, a process's peak resident size and its processor time.
#pragma once
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

namespace bench {

// Runs `program args...` with its standard output into a pipe and gives back what it wrote (empty
// when it could not start).
inline std::string RunProgram(const std::string& program, const std::vector<std::string>& args) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  pid_t pid = fork();
  if (pid == 0) {
    dup2(fds[1], STDOUT_FILENO);
    close(fds[0]);
    close(fds[1]);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(fds[1]);
  std::string out;
  char buf[256];
  ssize_t n;
  while ((n = read(fds[0], buf, sizeof buf)) > 0) out.append(buf, static_cast<size_t>(n));
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  return out;
}

// The peak resident size in kB (VmHWM) of a process, from its status file; -1 when unreadable.
// VmHWM starts anew with an exec; getrusage's maximum would still hold the parent's size at the fork.
inline long PeakKb(const std::string& statusFile = "/proc/self/status") {
  long peak = -1;
  if (std::FILE* f = std::fopen(statusFile.c_str(), "r")) {
    char line[256];
    while (std::fgets(line, sizeof line, f))
      if (std::sscanf(line, "VmHWM: %ld kB", &peak) == 1) break;
    std::fclose(f);
  }
  return peak;
}

// The processor time (user + system) this process has used so far, in seconds: the figure that a
// busy machine changes least.
inline double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

}  // namespace bench
