// The conversion library of an installation's upgrade to version 23, as a release ships it: its step
// function UpdateDatabaseObjects runs, under the function starter, "Convert the customers into
// clients": every Customer becomes a new Client (both derive from Party; the attribute copy takes the
// members of Party over), marked with the origin "customer", and the customers are deleted.
//
// For the upgrade's tests: when $LIFTRUN_KERNEL_FAIL is "<kernel operation>:<status>" as the library
// loads, the next call of that kernel operation in the process fails with the status (the kernel's
// test hook), so that a run of the upgrader stops there.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "KxTestHooks.h"
#include "XKxAllSet.h"
#include "XKxBaseFunctions.h"
#include "XKxDatabase.h"
#include "XKxFunctionStarter.h"
#include "XKxObject.h"

namespace {

bool ConvertCustomers(XKxDatabase* database) {
    int32_t converted = 0;
    {
        XKxAllSet customers(database, u"Customer", true);
        XKxObject customer(database);
        while (customers.GetNext(customer)) {
            XKxObject client(database);
            client.Make(u"Client", false);
            client.CopyAttributes(customer, nullptr, nullptr);
            client.SetMemberString(u"origin", u"customer", true);
            ++converted;
        }
    }
    XKxAllSet customers(database, u"Customer", true);
    XKxObject customer(database);
    while (customers.GetNext(customer)) customer.Delete(0);
    CString line;
    line.Format(u"...converted <%d> customers into clients!", converted);
    Print(line, 1);
    return true;
}

// The kernel failure the environment asks for, set when the library is loaded.
struct KernelFailure {
    KernelFailure() {
        const char* text = std::getenv("LIFTRUN_KERNEL_FAIL");
        if (text == nullptr) return;
        const std::string failure = text;
        const size_t colon = failure.find(':');
        if (colon == std::string::npos) return;
        KxHookFailNext(failure.substr(0, colon).c_str(),
                       static_cast<int32_t>(std::strtol(failure.c_str() + colon + 1, nullptr, 10)));
    }
} gKernelFailure;

}  // namespace

extern "C" __attribute__((visibility("default"))) void UpdateDatabaseObjects(XKxDatabase* database,
                                                                            XKxStatistic* statistics) {
    if (database != nullptr) SetProgressOutput(database->GetProgressOutput());
    XKxFunctionStarter starter(database, statistics);
    starter.Start(ConvertCustomers, u"Convert the customers into clients", true);
}
