// What the benchmarks of the upgrade library share: a native database "NDB" of the kernel's own storage
// in a folder of the run's own, named by the registry as the upgrader reads it (the set's entry
// "database"), and the upgrader's run context without a progress display.
#pragma once
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "KxBase.h"
#include "KxParameter.h"
#include "KxRoot.h"
#include "XApplicationDatabases.h"

namespace bench {

class NoDisplayOwner : public XApplicationDatabasesOwner {
public:
  CString GetScriptBaseDirectory() const override { return CString(); }
  XProgressOutput* GetProgressOutput() const override { return nullptr; }
  int32_t GetOptionBits() const override { return 0; }
};

// Starts the kernel on the folder's kelvox.cfg and opens NDB (null when it cannot).
inline KxBase* OpenNativeBase(const std::string& dir) {
  KxParameterList params;
  params.Append("ClientName", "bench");
  params.Append("ConfigFile", (dir + "/kelvox.cfg").c_str());
  if (InitKelvox(&params) != 0) return nullptr;
  KxBase* base = nullptr;
  if (KxBase::KELVOX()->GetBase(KxString("NATIVE"), KxString("NDB"), base, 2) != 0) return nullptr;
  return base;
}

inline void CloseNativeBase(KxBase* base) {
  KxBase::KELVOX()->UngetBase(base);
  DeinitKelvox();
}

// Writes the class dictionary "dict", kelvox.cfg and the registry file ($W32_REGISTRY) into the
// folder and makes NDB with the kernel's create call: false when that fails.
inline bool MakeNativeSite(const std::string& dir, const std::string& dictionary) {
  std::filesystem::create_directories(dir + "/dicts/dict");
  std::ofstream(dir + "/dicts/dict/classes.kxd") << dictionary;
  const std::string config = dir + "/kelvox.cfg";
  std::ofstream(config) << "[servers\\NATIVE]\nname=Kelvox$local\n[databases\\NDB]\nname=" << dir
                        << "/ndb\n[schemata\\dict]\nname=" << dir << "/dicts/dict\n";
  const std::string registry = dir + "/registry.reg";
  std::ofstream(registry, std::ios::binary)
      << "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenlow\\ORBSERVER\\KELVOX]\r\n"
      << "\"configfile\"=\"" << config << "\"\r\n\r\n"
      << "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenlow\\ORBSERVER\\Tallyra\\Database]\r\n"
      << "\"NLS_LANG\"=\"AMERICAN_AMERICA.UTF8\"\r\n\"server\"=\"NATIVE\"\r\n\"database\"=\"NDB\"\r\n\r\n";
  setenv("W32_REGISTRY", registry.c_str(), 1);
  KxParameterList params;
  params.Append("ClientName", "bench");
  params.Append("ConfigFile", config.c_str());
  if (InitKelvox(&params) != 0) return false;
  bool made = false;
  {
    KxBase base{KxString("NDB")};
    made = base.Connect(KxString("NATIVE")) == 0 && base.CreateDatabase(KxString("dict")) == 0;
    base.Disconnect();
  }
  DeinitKelvox();
  return made;
}

// Makes the run's folder (/tmp/<name>_XXXXXX) into dir, takes the number of objects from the
// environment variable (default 100,000; a smaller one for a quick try), calls setup with it and runs
// the registered benchmarks: the number of objects, -1 when the folder cannot be made.
inline int32_t RunNativeBenchmarks(int argc, char** argv, const std::string& name, const char* objectsVariable,
                                   std::string& dir, void (*setup)(int32_t)) {
  std::string pattern = "/tmp/" + name + "_XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) return -1;
  dir = pattern;
  const char* given = std::getenv(objectsVariable);
  const int32_t objects = given != nullptr ? std::atoi(given) : 100000;
  setup(objects);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return objects;
}

}  // namespace bench
