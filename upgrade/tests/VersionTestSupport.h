// The site of the version record's and tool-run log's tests: an installation whose class dictionary
// "dict", written as the dictionary pair "_objects.dat"/"_objects.idx", declares the version class
// "XDOVersionInfo" (its version in the names of its first two members) and the tool-run log
// "XDBToolsLog", on a native database and on a gateway database made by relgen.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "KxClassDict.h"
#include "KxTestHooks.h"
#include "VersionRecordTexts.h"
#include "WrapperTestSupport.h"
#include "XApplicationDatabases.h"
#include "XKxAllSet.h"
#include "XKxBaseFunctions.h"
#include "XKxDatabase.h"
#include "XKxObject.h"

namespace upgrade_test {

// The description of the databases' version.
inline const char kVersionDescription[] = "TY5 release";

// The declaration text of "dict": XDOVersionInfo with the members named (the third,
// "m_strVersionInfo", only when asked), XDBToolsLog, and a class the test steps convert.
inline std::string VersionDictionaryText(const std::string& member0, const std::string& member1, bool withInfo = true) {
    return "dictionary dict server=LOCAL logical=dict revision=1\n"
           "class 1.1 XDOVersionInfo\nmember " + member0 + " int\nmember " + member1 + " string\n" +
           (withInfo ? "member m_strVersionInfo string\n" : "") +
           "class 2.1 XDBToolsLog\nmember m_iDBVersion int\nmember m_strDescription string\n"
           "member m_strToolName string\nmember m_strToolVersion string\nmember m_strToolRelease string\n"
           "member m_strToolInfo string\nmember m_bSuccess boolean\n"
           "class 3.1 Item\nmember name string\nmember count int\n";
}

// A database made at version `version`, with the description of kVersionDescription.
inline std::string VersionDictionaryText(int version) {
    std::string description = kVersionDescription;
    for (char& c : description)
        if (c == ' ') c = '_';
    return VersionDictionaryText("m_iVersion_" + std::to_string(version), "m_strVersion_" + description);
}

// Writes the declaration text as the dictionary pair "_objects.dat"/"_objects.idx" into the folder
// (made when missing; a declaration file there removed).
inline void WriteDictionaryPairTo(const std::string& folder, const std::string& text) {
    std::unique_ptr<KxClassDict> dict;
    KxString error;
    ASSERT_EQ(KxClassDict::Parse(text, KxString("dict"), dict, &error), 0) << error.ToUtf8();
    std::filesystem::create_directories(folder);
    ASSERT_EQ(dict->Save(KxString(folder.c_str()), KX_DICT_FORM_PAIR), 0);
    std::filesystem::remove(folder + "/classes.kxd");
}

// Writes the declaration text as the dictionary pair of "dicts/dict".
inline void WriteDictionaryPair(const TempDir& dir, const std::string& text) { WriteDictionaryPairTo(dir / "dicts/dict", text); }

// Empties the version class and the tool-run log, then makes one version object holding `info`.
inline void ResetVersionRecords(XKxDatabase* db, const CString& info) {
    for (const char16_t* cls : {u"XDOVersionInfo", u"XDBToolsLog"}) {
        XKxAllSet all(db, cls, true);
        XKxObject object(db);
        while (all.GetNext(object)) object.Delete(0);
    }
    XKxObject record(db);
    record.Make(u"XDOVersionInfo", false);
    record.SetMemberString(u"m_strVersionInfo", info, true);
}

// The set of an upgrade run with its display (see LoggedDisplay for the logging directory) and run
// context (the script base directory given); the database "database" as the upgrader makes it.
class UpgradeRun {
public:
    explicit UpgradeRun(const std::string& scriptDirectory = std::string(), const std::string& loggingDirectory = std::string())
        : computer_("COMPUTERNAME", "UPGRADEHOST"), display_(loggingDirectory) {
        owner_.display = display_.Get();
        owner_.scriptDirectory = CString(scriptDirectory.c_str());
        SetProgressOutput(display_.Get());
        set_.CreateDatabases(&owner_);
    }
    ~UpgradeRun() {
        KxHookClear();
        if (XKxDatabase* db = Db()) db->Close(false);
        SetProgressOutput(nullptr);
    }
    XKxDatabase* Db() const { return set_.FindDatabase(u"database"); }
    XApplicationDatabases& Set() { return set_; }
    std::string Log() const {
        std::string text;
        for (const std::string& line : display_.Lines()) text += line + "\n";
        return text;
    }
    // The log file as written.
    std::string LogText() const { return display_.Text(); }

private:
    EnvVar computer_;
    LoggedDisplay display_;
    TestOwner owner_;
    XApplicationDatabases set_;
};

// The site of native and gateway databases made at version 22, once per process.
class VersionSite : public StorageSite {
public:
    static constexpr const char* kServer = "VERSRV";
    static VersionSite& Get(const char* relgen) {
        static VersionSite site(relgen);
        return site;
    }

private:
    explicit VersionSite(const char* relgen)
        : StorageSite(relgen, kServer, [](const TempDir& dir) { WriteDictionaryPair(dir, VersionDictionaryText(22)); },
                      // A step's description may be a whole command line.
                      "XDBToolsLog m_strDescription STRING_TYPE VARCHAR2, 2000\n") {}
};

// A native database whose dictionary is the text, with one version object holding "TY 5.3 SP01"
// when the class has its third member; the run is made on it.
// `prepare` may change the installation before the run reads it.
struct OtherVersionSite {
    explicit OtherVersionSite(const std::string& dictionary, bool withInfo = true,
                              const std::function<void(Installation&)>& prepare = {})
        : site(nullptr, "", [&](const TempDir& dir) { WriteDictionaryPair(dir, dictionary); }) {
        if (prepare) {
            prepare(site.Install());
            site.Install().Write();
        }
        run = std::make_unique<UpgradeRun>(ScriptBase());
        if (!withInfo) return;
        run->Db()->Open(false);
        ResetVersionRecords(run->Db(), u"TY 5.3 SP01");
        run->Db()->Close(false);
    }
    // The run's script base directory, below the installation.
    std::string ScriptBase() const { return site.Install().Dir() / "scripts"; }
    StorageSite site;
    std::unique_ptr<UpgradeRun> run;
};

// The second database "base" with complete settings of its own: a native database "BDB" of the
// dictionary "configdict" (a run that accepts the set never opens it).
inline void AddBaseDatabase(Installation& install) {
    install.registry[kBaseKey] = {{"NLS_LANG", "GERMAN_GERMANY.WE8ISO8859P1"}, {"server", "NATIVE"}, {"database", "BDB"}};
    install.config += "[schemata\\configdict]\nname=" + install.DictionaryDir("configdict") + "\n[databases\\BDB]\nname=" +
                      (install.Dir() / "bdb") + "\n";
}

}  // namespace upgrade_test
