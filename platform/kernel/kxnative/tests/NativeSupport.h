// Test helpers of the native storage: a folder laid out as an installation would lay it out (a
// configuration naming a native server, database directories and dictionary directories), native
// databases made through the kernel's create call, the maintenance rows of a database, and worker
// processes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class KxClassDict;

namespace kxntest {

// A fresh folder (removed with its files when the object goes) with the configuration "kx.ini":
//   [servers\NATIVE] name=Kelvox$local
//   [databases\<name>] name=<folder>\db\<name>     for every database added
//   [schemata\<name>] name=<folder>\dicts\<name>   for every dictionary added
class Site {
public:
    Site();
    explicit Site(const std::string& existing);   // a folder made by another process (kept)
    ~Site();
    Site(const Site&) = delete;
    Site& operator=(const Site&) = delete;

    const std::string& Folder() const { return folder_; }
    std::string Config() const { return folder_ + "/kx.ini"; }
    std::string DatabaseDir(const std::string& name) const { return folder_ + "/db/" + name; }
    std::string DictionaryDir(const std::string& name) const { return folder_ + "/dicts/" + name; }

    // Saves the dictionary as the pair of dictionary files under its name and lists it.
    void AddDictionary(const KxClassDict& dict);
    // Lists a database (its directory is made by the create call).
    void AddDatabase(const std::string& name);

private:
    void WriteConfig();
    std::string folder_;
    bool owned_;
    std::vector<std::string> databases_;
    std::vector<std::string> dictionaries_;
};

// Starts the kernel on a configuration (InitKelvox with "ClientName" and "ConfigFile"). 0 or its status.
int32_t Start(const std::string& config);
// Makes a native database through the kernel's create call (the kernel started with a
// configuration that lists it): 0 or the status.
int32_t CreateDatabase(const std::string& database, const std::string& dictionary);
// The rows of a database's maintenance table, each "action|database|detail".
std::vector<std::string> MaintenanceRows(const std::string& databaseDir);
// The stored class version of each object of a class number, in object-id order.
std::vector<int64_t> StoredVersions(const std::string& databaseDir, uint16_t classNumber);

// Runs one test of this program in a process of its own with the variable KXN_WORKER set to job;
// its exit status (0 when every test passed).
int RunWorker(const std::string& test, const std::string& job);
// The job of a worker process; empty outside one.
std::string WorkerJob();

}  // namespace kxntest
