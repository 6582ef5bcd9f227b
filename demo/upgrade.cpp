// The demo's last step: an installation whose main database "dict" stands at version 22 on a server of
// the engine is upgraded to version 23 by the upgrader's stand-in liftrunner, as a user runs it.
//
// The installer's part: the server with the schema user, the dictionary of version 22 (installed and
// below the script base directory), kelvox.cfg, the registry of both application databases and of
// the upgrader, the schema made by relgen, the version record "TY 5.3 SP01", three customers and the
// step table. The release's part: the dictionary of version 23 with the step's lists and scripts, and
// the change-file script made from relgen's version-all script. Then liftrunner runs with the
// release's conversion library; its summary table and the new version record are printed.
//
//   tessaform_upgrade_demo <folder>     (made when missing; must not hold an installation yet)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "DemoShell.h"
#include "KxClassDict.h"
#include "LiftRunRelease.h"
#include "XApplicationDatabases.h"
#include "XKxBaseFunctions.h"
#include "XKxDatabase.h"
#include "XKxException.h"
#include "XLogging.h"
#include "XProgressOutput.h"
#include "cipherutil32.h"
#include "sqlengine.h"

namespace {

const char kServer[] = "ORCL";
const char kUser[] = "SHOP";
const char kPassword[] = "shop";

using demo::ShellQuote;

std::string Utf8(const CString& text) { return CStringA(text).GetString(); }

bool WriteFile(const std::string& file, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(file).parent_path());
    std::ofstream out(file, std::ios::binary);
    out << text;
    if (!out) std::fprintf(stderr, "cannot write %s\n", file.c_str());
    return static_cast<bool>(out);
}

std::string ReadFile(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// The declaration text as the dictionary pair "_objects.dat"/"_objects.idx" in the folder.
bool WritePair(const std::string& folder, const std::string& text) {
    std::unique_ptr<KxClassDict> dict;
    KxString error;
    std::filesystem::create_directories(folder);
    if (KxClassDict::Parse(text, KxString("dict"), dict, &error) != 0 ||
        dict->Save(KxString(folder.c_str()), KX_DICT_FORM_PAIR) != 0) {
        std::fprintf(stderr, "cannot write the dictionary into %s: %s\n", folder.c_str(), error.StrGet());
        return false;
    }
    return true;
}

bool Shell(const std::string& shown, const std::string& command) {
    std::printf("\n$ %s\n", shown.c_str());
    std::fflush(stdout);
    const int status = std::system(command.c_str());
    if (status != 0) std::printf("(exit status %d)\n", WEXITSTATUS(status));
    return status == 0;
}

// A statement on the engine server as the schema user.
bool RunOnServer(const std::string& folder, const std::string& sql) {
    sqlengine::Error err;
    bool ok = false;
    {
        auto server = sqlengine::Engine::Instance().RegisterServer(kServer, folder + "/server", &err);
        auto session = server ? sqlengine::Session::Begin(server, kUser, kPassword, err) : nullptr;
        if (session) {
            auto statement = session->Prepare(sql, err);
            sqlengine::Outcome outcome;
            ok = statement && statement->Run({}, outcome, err) && session->Commit(err);
            statement.reset();
            session->End();
        }
    }
    sqlengine::Engine::Instance().UnregisterServer(kServer);
    if (!ok) std::fprintf(stderr, "%s: %s\n", sql.c_str(), err.message.c_str());
    return ok;
}

// The upgrade library's run context for the demo's own look at the main database.
class Owner : public XApplicationDatabasesOwner {
public:
    CString GetScriptBaseDirectory() const override { return CString(); }
    XProgressOutput* GetProgressOutput() const override { return display; }
    int32_t GetOptionBits() const override { return 0; }
    XProgressOutput* display = nullptr;
};

// Runs `work` on the main database, opened through the upgrade library's database wrapper; its
// progress goes to "<folder>/<name>.log".
template <typename Work>
bool WithMainDatabase(const std::string& folder, const char16_t* name, Work work) {
    auto log = std::make_unique<XLogging>(u"5.4", true);
    if (log->Open(CString(folder.c_str()), name, u"") != 0) return false;
    XProgressOutput display(u"demo", std::move(log), nullptr);
    SetProgressOutput(&display);
    Owner owner;
    owner.display = &display;
    bool ok = true;
    try {
        XApplicationDatabases set;
        set.CreateDatabases(&owner);
        XKxDatabase* db = set.FindDatabase(u"database");
        db->Open(false);
        work(db);
        db->Close(false);
    } catch (const XKxException& error) {
        std::fprintf(stderr, "%s\n", Utf8(error.GetMessage()).c_str());
        ok = false;
    }
    SetProgressOutput(nullptr);
    return ok;
}

// The installer's part (see the head of the file).
bool Install(const std::string& folder) {
    sqlengine::Error err;
    {
        auto server = sqlengine::Engine::Instance().RegisterServer(kServer, folder + "/server", &err);
        if (!server || !server->AddUser(kUser, kPassword, false, &err) || !server->GrantSystem(kUser, "CREATE ROLE", err)) {
            std::fprintf(stderr, "embedded server: %s\n", err.message.c_str());
            return false;
        }
    }
    sqlengine::Engine::Instance().UnregisterServer(kServer);
    setenv("ROG_ENGINE_SERVERS", (std::string(kServer) + "=" + folder + "/server").c_str(), 1);

    const std::string dictionary = folder + "/dicts/dict";
    const std::string config = "[servers\\ORADB]\nname=oracle$" + std::string(kServer) + "\n[databases\\" + kUser +
                               "]\nname=" + folder + "/shop\n[schemata\\dict]\nname=" + dictionary +
                               "\n[schemata\\configdict]\nname=" + folder + "/dicts/configdict\n[databases\\CONFIG]\nname=" +
                               folder + "/config\n";
    const auto password = [](const char* text) { return Utf8(EncryptOnlyOneStringAndEncode2String(CString(text))); };
    const std::string registry =
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenlow\\ORBSERVER\\KELVOX]\r\n\"configfile\"=\"" + folder + "/kelvox.cfg\"\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenlow\\ORBSERVER\\Tallyra\\Database]\r\n\"NLS_LANG\"=\"AMERICAN_AMERICA.UTF8\"\r\n"
        "\"server\"=\"ORADB\"\r\n\"database\"=\"" + kUser + "\"\r\n\"username\"=\"" + kUser + "\"\r\n\"password\"=\"" +
        password(kPassword) + "\"\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenlow\\ORBSERVER\\Tallyra\\configuration]\r\n"
        "\"NLS_LANG\"=\"GERMAN_GERMANY.WE8ISO8859P1\"\r\n\"server\"=\"ORADB\"\r\n\"database\"=\"CONFIG\"\r\n"
        "\"username\"=\"CFG\"\r\n\"password\"=\"" + password("cfg") + "\"\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenlow\\LiftRunner]\r\n\"Logging\"=\"" + folder + "/logs\"\r\n"
        "\"SchemaDeltaExe\"=\"" + DEMO_SCHEMADELTA + "\"\r\n\"pre_disabled.sql\"=\"false\"\r\n";
    if (!WritePair(dictionary, liftrun_release::Dictionary(22)) ||
        !WritePair(folder + "/scripts/dict_22", liftrun_release::Dictionary(22)) ||
        !WriteFile(folder + "/dicts/configdict/classes.kxd",
                   "dictionary configdict server=LOCAL logical=configdict revision=1\nclass 1.1 Setting\nmember name string\n") ||
        !WriteFile(folder + "/kelvox.cfg", config) || !WriteFile(folder + "/registry.reg", registry) ||
        !WriteFile(folder + "/site.opt", liftrun_release::kMappingOptions))
        return false;
    std::filesystem::create_directories(folder + "/logs");
    setenv("W32_REGISTRY", (folder + "/registry.reg").c_str(), 1);

    const std::string relgen = " -D dict -S 'Oracle$" + std::string(kServer) + "' -B " + kUser + " -u " + kUser + " -p " +
                               kPassword + " -o site.opt";
    if (!Shell("relgen -c" + relgen + " -r -config kelvox.cfg",
               "cd " + ShellQuote(folder) + " && " + ShellQuote(DEMO_RELGEN) + " -c" + relgen + " -r -config kelvox.cfg > relgen.out 2>&1"))
        return false;
    if (!RunOnServer(folder, liftrun_release::StepTableStatement(kUser))) return false;
    return WithMainDatabase(folder, u"install", liftrun_release::MakeInstalledObjects);
}

// The release's part (see the head of the file).
bool WriteRelease(const std::string& folder) {
    const std::string step = folder + "/scripts/dict_23";
    if (!WritePair(step, liftrun_release::Dictionary(23))) return false;
    for (const auto& [name, text] :
         liftrun_release::ScriptFiles(kUser, std::string(kUser) + "/" + kPassword + "@" + kServer))
        if (!WriteFile(folder + "/scripts/" + name, text)) return false;
    const std::string config =
        liftrun_release::VersionAllConfig(ReadFile(folder + "/kelvox.cfg"), folder + "/dicts/dict", step);
    if (config.empty() || !WriteFile(folder + "/relgen23.cfg", config)) return false;
    const std::string relgen = "relgen -v -t/ -D dict -S 'Oracle$" + std::string(kServer) + "' -B " + kUser + " -u " +
                               kUser + " -p " + kPassword + " -o site.opt -config relgen23.cfg -f version_all.sql";
    if (!Shell(relgen, "cd " + ShellQuote(folder) + " && " + ShellQuote(DEMO_RELGEN) + relgen.substr(6) + " > relgen23.out 2>&1"))
        return false;
    const std::string versionAll = ReadFile(folder + "/version_all.sql");
    std::printf("version-all script: %zu bytes\n", versionAll.size());
    return !versionAll.empty() && WriteFile(step + "/update_t5_database.sql", liftrun_release::ChangeFileScript(versionAll));
}

// The summary table of the run's log ("Database information summary:" to its bottom border).
void PrintSummaryTable(const std::string& logs) {
    for (const auto& entry : std::filesystem::directory_iterator(logs)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("LiftRun-", 0) != 0 || entry.path().extension() != ".log") continue;
        std::istringstream log(ReadFile(entry.path().string()));
        bool inside = false;
        for (std::string line; std::getline(log, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.find("Database information summary:") != std::string::npos) inside = true;
            if (!inside) continue;
            std::printf("%s\n", line.c_str());
            if (line.find(" \\-") != std::string::npos) return;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tessaform_upgrade_demo <folder>\n");
        return 1;
    }
    const std::string folder = std::filesystem::absolute(argv[1]).string();
    std::filesystem::create_directories(folder);
    std::printf("\nAn installation at version 22 upgraded to 23 in %s\n", folder.c_str());
    if (!Install(folder) || !WriteRelease(folder)) return 1;

    const std::string arguments =
        ShellQuote(folder + "/scripts") + " " + ShellQuote(DEMO_CONVERSION_STEPS) + " " + ShellQuote(liftrun_release::kNewInfo);
    const bool upgraded = Shell("liftrunner scripts <conversion library> '" + std::string(liftrun_release::kNewInfo) + "'",
                                "cd " + ShellQuote(folder) + " && " + ShellQuote(DEMO_LIFTRUNNER) + " " + arguments +
                                    " > liftrunner.out 2>&1");
    std::printf("\n");
    PrintSummaryTable(folder + "/logs");
    bool read = WithMainDatabase(folder, u"check", [](XKxDatabase* db) {
        db->ReadVersion();
        std::printf("\nnew version record: %d, \"%s\", \"%s\"\n", db->GetActualVersionNumber(),
                    Utf8(db->GetActualVersionString()).c_str(), Utf8(db->GetActualVersionInfo()).c_str());
    });
    std::printf("upgrade log and the window's texts in %s/logs\n", folder.c_str());
    return upgraded && read ? 0 : 1;
}
