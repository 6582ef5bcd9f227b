// Test support: the proxy/stub libraries' files, a private registry file, work done in a child process.
#pragma once
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "TestSupport.h"  // TempDir, EnvVar (the Win32 stand-in's tests)
#include "windows.h"

namespace support {

inline std::string LibraryPath(const std::string& name) {
  const char* dir = std::getenv("ROG_LIB_DIR");
  return std::string(dir ? dir : ".") + "/lib" + name + ".so";
}

// A registry file of the test's own, named by W32_REGISTRY while the object lives.
class PrivateRegistry {
 public:
  PrivateRegistry() : var_("W32_REGISTRY", dir_ / "registry.reg") {}
  std::string File() const { return dir_ / "registry.reg"; }

 private:
  w32test_support::TempDir dir_;
  w32test_support::EnvVar var_;
};

// Runs fn in a forked child and gives back what it returned (written through a pipe) and its exit.
inline std::string InChild(const std::function<std::string()>& fn, int* status = nullptr) {
  int p[2];
  if (pipe(p) != 0) return "<no pipe>";
  pid_t pid = fork();
  if (pid == 0) {
    close(p[0]);
    std::string out = fn();
    size_t at = 0;
    while (at < out.size()) {
      ssize_t k = write(p[1], out.data() + at, out.size() - at);
      if (k <= 0) break;
      at += static_cast<size_t>(k);
    }
    _exit(0);
  }
  close(p[1]);
  std::string got;
  char buf[4096];
  ssize_t k;
  while ((k = read(p[0], buf, sizeof buf)) > 0) got.append(buf, static_cast<size_t>(k));
  close(p[0]);
  int st = 0;
  waitpid(pid, &st, 0);
  if (status) *status = st;
  return got;
}

// Calls a library's DllRegisterServer or DllUnregisterServer in a process of its own, as an
// installer would; gives the HRESULT as text.
inline std::string RunExport(const std::string& library, const char* name) {
  return InChild([&] {
    HMODULE h = LoadLibraryA(LibraryPath(library).c_str());
    if (!h) return std::string("LoadLibrary failed");
    auto fn = reinterpret_cast<HRESULT (*)()>(GetProcAddress(h, name));
    return fn ? std::to_string(fn()) : std::string("no export");
  });
}

}  // namespace support
