// The worker thread of long kernel actions: the caller waits in steps and ticks the progress
// display while the worker runs the kernel operation the action text names.
#include <windows.h>

#include "KxBase.h"
#include "XKxBaseFunctions.h"
#include "XKxDatabase.h"
#include "XKxException.h"
#include "XKxGlobals.h"

namespace {

const char16_t kUnit[] = u".\\xkxdatabase";
const char16_t kWorker[] = u"ThreadFunc";

// The kernel's long actions, looked for in the action text in this order.
struct KernelAction {
    const char16_t* word;
    int32_t (KxBase::*run)(const KxString&, int32_t, KxParameterSet*);
};
const KernelAction kKernelActions[] = {
    {u"Update", &KxBase::UpdateSchema},
    {u"VersAll", &KxBase::VersAll},
    {u"Reorg", &KxBase::Reorg},
    {u"ReIndex", &KxBase::ReIndex},
};

// The worker's body; its result is left in the worker exception.
DWORD RunCurrentAction() {
    const CString& action = gCurrentAction;
    XKxDatabase* database = gCurrentDatabase;
    if (database == nullptr || database->GetBaseName().IsEmpty()) {
        gWorkerException.Set(-1, kUnit, kWorker,
                             u"Cannot perform any action on a database, because there is no database!");
        return 1;
    }
    const KxString baseName = CStringToKxString(database->GetBaseName());
    KxBase* base = database->GetBase();

    bool ran = false;
    if (base != nullptr) {
        for (const KernelAction& kernelAction : kKernelActions) {
            if (action.Find(kernelAction.word) < 0) continue;
            const int32_t result = (base->*kernelAction.run)(baseName, 0, nullptr);
            if (result < 0) {
                gWorkerException.Set(result, kUnit, kWorker, FormatText(u"Error executing <KxBase::%s>!", action));
                return 1;
            }
            ran = true;
            break;
        }
    }
    if (!ran) {
        if (action.Find(u"Open") >= 0) {
            database->XKxDatabaseBase::Open();
        } else if (action.Find(u"Close") >= 0) {
            database->XKxDatabaseBase::Close();
        } else {
            gWorkerException.Set(-1, kUnit, kWorker,
                                 FormatText(u"Couldn't perform <%s>, because this action is unknown!", action));
            return 1;
        }
    }
    if (TakeCancelRequest()) {
        gWorkerException.Set(XKxException::kCanceled, kUnit, kWorker, u"The upgrade is terminated by user request!");
        return 1;
    }
    return 0;
}

}  // namespace

DWORD WINAPI ThreadFunc(LPVOID) {
    gWorkerException = XKxException();
    try {
        return RunCurrentAction();
    } catch (XKxException& error) {
        error.AddLocation(kUnit, kWorker, FormatText(u"Error executing <%s>!", gCurrentAction));
        gWorkerException = error;
    } catch (...) {
        gWorkerException.Set(-1, kUnit, kWorker,
                             FormatText(u"An unknown exception occured while executing <%s>!", gCurrentAction));
    }
    return 1;
}

void XKxDatabase::RunAction(const CString& action, bool announce) {
    if (announce) Print(FormatText(u"%s...", action), 0);
    gCurrentDatabase = this;
    gCurrentAction = action;
    EnableCancelCheck(false);

    DWORD threadId = 0;
    HANDLE thread = CreateThread(nullptr, 0, &ThreadFunc, nullptr, 0, &threadId);
    if (thread == nullptr) {
        // No worker ran: nothing it could have left counts.
        EnableCancelCheck(true);
        if (announce) Print(u"...failed!", 1);
        throw XKxException(kUnit, u"XKxDatabase::RunAction", FormatText(u"Error executing <%s>!", action));
    }
    try {
        while (WaitForSingleObject(thread, gWaitStep) == WAIT_TIMEOUT) ProgressTick();
    } catch (...) {
        // The worker uses the hand-over until it ends: it is waited for before anything leaves.
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
        EnableCancelCheck(true);
        throw;
    }
    CloseHandle(thread);
    EnableCancelCheck(true);

    const int32_t code = gWorkerException.GetCode();
    if (announce) Print(code >= 0 ? u"...ok!" : code == XKxException::kCanceled ? u"...aborted!" : u"...failed!", 1);
    if (code < 0) throw XKxException(gWorkerException);
}
