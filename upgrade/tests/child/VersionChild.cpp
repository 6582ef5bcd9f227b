// The upgrader's part of an upgrade step, in a process of its own:
//   schemalift_version_child <step library> run    opens the set's database "database" at target
//       version 23, loads the step library with LoadLibraryW, calls its UpdateDatabaseObjects found
//       with GetProcAddress, then writes the new version record "TY 5.4 SP00";
//   schemalift_version_child <step library> check  reads the version record.
// Both print the tool-run records as "= record <version>|<description>|<success>", "check" also
// "= version <number> edition <edition> sp <service pack> objects <count>". The progress output is
// the console. Exit code 0 after success.
#include <windows.h>

#include <cstdio>
#include <string>

#include "ChildSupport.h"
#include "VersionRecordTexts.h"
#include "XApplicationDatabases.h"
#include "XKxAllSet.h"
#include "XKxBaseFunctions.h"
#include "XKxDatabase.h"
#include "XKxException.h"
#include "XKxObject.h"
#include "XKxStatistic.h"
#include "XKxVersionInfo.h"

namespace {

using child_support::Report;
using child_support::Utf8;

void ReportRecords(XKxDatabase* db) {
    for (const std::string& record : upgrade_test::ToolRecords(db)) Report("record " + record);
}

int Run(const char* library, const std::string& mode) {
    child_support::ConsoleOwner owner;
    XApplicationDatabases set;
    set.CreateDatabases(&owner);
    XKxDatabase* db = set.FindDatabase(u"database");
    if (db == nullptr) return 3;
    db->SetTargetVersion(23);
    db->Open(false);
    if (mode == "run") {
        CString path;
        path.Format(u"%S", library);
        HMODULE module = LoadLibraryW(path.GetString());
        if (module == nullptr) return 4;
        using Step = void (*)(XKxDatabase*, XKxStatistic*);
        auto step = reinterpret_cast<Step>(GetProcAddress(module, "UpdateDatabaseObjects"));
        if (step == nullptr) return 5;
        XKxStatistic root(u"upgrade");
        step(db, &root);
        Report("steps succeeded " + std::to_string(db->GetAllStepsSucceeded() ? 1 : 0));
        db->GetNewVersion()->SetVersionInfo(u"TY 5.4 SP00");
        db->WriteVersion();
    } else {
        const int32_t version = db->ReadVersion();
        XKxAllSet all(db, u"XDOVersionInfo", true);
        Report("version " + std::to_string(version) + " edition " + std::to_string(db->GetActualEditionNumber()) +
               " sp " + std::to_string(db->GetActualServicePack()) + " objects " + std::to_string(all.GetCount()));
    }
    ReportRecords(db);
    db->Close(false);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    try {
        return Run(argv[1], argv[2]);
    } catch (const XKxException& error) {
        Report("failed " + std::to_string(error.GetCode()) + ": " + Utf8(error.GetMessage()));
        return 6;
    }
}
