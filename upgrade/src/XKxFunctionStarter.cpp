#include "XKxFunctionStarter.h"

#include "XKxBaseFunctions.h"
#include "XKxDatabase.h"
#include "XKxException.h"
#include "XKxFunctionLogger.h"

namespace {

const char16_t kUnit[] = u".\\xkxfunctionstarter";

}  // namespace

XKxFunctionStarter::XKxFunctionStarter(XKxDatabase* database, XKxStatistic* statistics)
    : database(database), statistics(statistics) {
    if (database == nullptr)
        throw XKxException(kUnit, u"XKxFunctionStarter::XKxFunctionStarter",
                           u"There is no database to start a function on!");
}

XKxFunctionStarter::~XKxFunctionStarter() {
    database = nullptr;
    statistics = nullptr;
}

void XKxFunctionStarter::Start(XKxUpgradeFunction function, const CString& stepName, bool announce) {
    XKxFunctionLogger logger(database, stepName);
    if (!logger.Check()) return;
    XKxStatistic* entry = StartInternalTimingEntry(statistics, stepName);
    if (announce) PrintStepStart(stepName);
    const bool result = function(database);
    if (!result) database->SetAllStepsSucceeded(false);
    StopEntryClock(entry);
    logger.SetResult(result);
}

extern "C" void UpdateDatabaseObjects(XKxDatabase* database, XKxStatistic* statistics) {
    // A null database leaves the holder as it is; the starter refuses it.
    if (database != nullptr) SetProgressOutput(database->GetProgressOutput());
    XKxFunctionStarter starter(database, statistics);
}
