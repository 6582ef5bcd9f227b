// A test step library of the upgrade: its UpdateDatabaseObjects runs two upgrade functions through the
// function starter: "Convert the items of the database" makes an item and succeeds, "Check the items
// of the database" fails. Each function prints "= ran <name>".
#include <cstdio>

#include "XKxBaseFunctions.h"
#include "XKxDatabase.h"
#include "XKxFunctionStarter.h"
#include "XKxObject.h"

namespace {

void Report(const char* line) {
    std::printf("\n= %s", line);
    std::fflush(stdout);
}

bool ConvertItems(XKxDatabase* database) {
    XKxObject item(database);
    item.Make(u"Item", false);
    item.SetMemberString(u"name", u"converted", false);
    item.SetMemberInt(u"count", 1, true);
    Report("ran convert");
    return true;
}

bool CheckItems(XKxDatabase*) {
    Report("ran check");
    return false;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void UpdateDatabaseObjects(XKxDatabase* database,
                                                                            XKxStatistic* statistics) {
    if (database != nullptr) SetProgressOutput(database->GetProgressOutput());
    XKxFunctionStarter starter(database, statistics);
    starter.Start(ConvertItems, u"Convert the items of the database", true);
    starter.Start(CheckItems, u"Check the items of the database", true);
}
