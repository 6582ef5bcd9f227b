#include "NativeSupport.h"

#include <spawn.h>
#include <sqlite3.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "KxBase.h"
#include "KxClassDict.h"
#include "KxNative.h"
#include "KxParameter.h"
#include "KxRoot.h"

extern char** environ;

namespace kxntest {

namespace {

constexpr const char* kWorkerVariable = "KXN_WORKER";

std::vector<std::string> Query(const std::string& databaseDir, const std::string& sql)
{
    std::vector<std::string> rows;
    sqlite3* db = nullptr;
    const std::string file = databaseDir + "/" + KXN_DATABASE_FILE;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        throw std::runtime_error("cannot open " + file);
    }
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK) {
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            std::string row;
            for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
                row += (c > 0 ? "|" : "") + std::string(text != nullptr ? text : "");
            }
            rows.push_back(row);
        }
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return rows;
}

}  // namespace

Site::Site() : owned_(true)
{
    std::string pattern = (std::filesystem::temp_directory_path() / "kxnative-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    folder_ = pattern;
    std::filesystem::create_directories(folder_ + "/db");
    std::filesystem::create_directories(folder_ + "/dicts");
    WriteConfig();
}

Site::Site(const std::string& existing) : folder_(existing), owned_(false) {}

Site::~Site()
{
    if (owned_) {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
}

void Site::AddDictionary(const KxClassDict& dict)
{
    const std::string name = dict.GetName().ToUtf8();
    if (dict.Save(KxString(DictionaryDir(name).c_str()), KX_DICT_FORM_PAIR) != 0) {
        throw std::runtime_error("cannot save the dictionary " + name);
    }
    dictionaries_.push_back(name);
    WriteConfig();
}

void Site::AddDatabase(const std::string& name)
{
    databases_.push_back(name);
    WriteConfig();
}

void Site::WriteConfig()
{
    std::ofstream out(Config());
    out << "[servers\\NATIVE]\nname=Kelvox$local\n";
    for (const std::string& name : databases_) {
        out << "[databases\\" << name << "]\nname=" << DatabaseDir(name) << "\n";
    }
    for (const std::string& name : dictionaries_) {
        out << "[schemata\\" << name << "]\nname=" << DictionaryDir(name) << "\n";
    }
}

int32_t Start(const std::string& config)
{
    KxParameterList params;
    params.Append("ClientName", "kxnative tests");
    params.Append("ConfigFile", config.c_str());
    return InitKelvox(&params);
}

int32_t CreateDatabase(const std::string& database, const std::string& dictionary)
{
    KxBase base(KxString(database.c_str()));
    const int32_t connected = base.Connect(KxString("NATIVE"));
    return connected != 0 ? connected : base.CreateDatabase(KxString(dictionary.c_str()));
}

std::vector<std::string> MaintenanceRows(const std::string& databaseDir)
{
    return Query(databaseDir, "SELECT action, database, detail FROM kx_maintenance ORDER BY seq");
}

std::vector<int64_t> StoredVersions(const std::string& databaseDir, uint16_t classNumber)
{
    std::vector<int64_t> versions;
    for (const std::string& row :
         Query(databaseDir, "SELECT version FROM kx_objects WHERE class = " + std::to_string(classNumber) + " ORDER BY oid")) {
        versions.push_back(std::stoll(row));
    }
    return versions;
}

int RunWorker(const std::string& test, const std::string& job)
{
    std::vector<std::string> environment{std::string(kWorkerVariable) + "=" + job};
    for (char** variable = environ; *variable != nullptr; ++variable) {
        if (std::string(*variable).rfind(kWorkerVariable, 0) != 0) {
            environment.emplace_back(*variable);
        }
    }
    std::vector<char*> envp;
    for (std::string& variable : environment) {
        envp.push_back(variable.data());
    }
    envp.push_back(nullptr);
    std::string program = "/proc/self/exe";
    std::string filter = "--gtest_filter=" + test;
    char* argv[] = {program.data(), filter.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, envp.data()) != 0) {
        return -1;
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) {
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string WorkerJob()
{
    const char* job = std::getenv(kWorkerVariable);
    return job != nullptr ? job : "";
}

}  // namespace kxntest
