// The object and intermediate conversions of an upgrade step: functions of a step library found by
// name and run on the database (and, for intermediate ones, on each database before it in the set).
#include <windows.h>

#include "XApplicationDatabases.h"
#include "XKxBaseFunctions.h"
#include "XKxDatabase.h"
#include "XKxException.h"

namespace {

const char16_t kUnit[] = u".\\xkxdatabase";
// The code of a conversion that stops with a message without failing the upgrade.
constexpr int32_t kStopConversion = -3;

template <typename Function>
Function Lookup(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(GetProcAddress(module, name));
}

// The message of a stopped conversion: framed by "!!" and followed by a line break.
CString StopText(const XKxException& error) { return FormatText(u"!!  %s  !!\r\n", error.GetMessage()); }

}  // namespace

XKxObjectUpgradeFunction XKxDatabase::GetUpgradeFkt(HMODULE module) const {
    if (state == kNotAvailable) return nullptr;
    const char* functionName = applicationDatabases->GetUpgradeFunction(name);
    XKxObjectUpgradeFunction function =
        functionName != nullptr ? Lookup<XKxObjectUpgradeFunction>(module, functionName) : nullptr;
    // Only the database's last step may lack its function.
    if (function == nullptr && GetActualVersionNumber() + 1 != limitVersion)
        throw XKxException(kUnit, u"XKxDatabase::GetUpgradeFkt",
                           FormatText(u"Cannot find and execute the upgrade function for <%s> objects!", name));
    return function;
}

XKxIntermediateFunction XKxDatabase::GetIntermediatePreviousFkt(HMODULE module) const {
    return Lookup<XKxIntermediateFunction>(module, "UpdateIntermediatePrevious");
}

XKxIntermediateFunction XKxDatabase::GetIntermediateNextFkt(HMODULE module) const {
    return Lookup<XKxIntermediateFunction>(module, "UpdateIntermediateNext");
}

void XKxDatabase::ExecuteObjectUpgrade(HMODULE module, XKxStatistic* timingNode) {
    try {
        const XKxObjectUpgradeFunction function = GetUpgradeFkt(module);
        if (function == nullptr) return;
        Open(true);
        Print(FormatText(u"- Converting objects of <%s>...", name), 18);
        function(this, timingNode);
        Print(FormatText(u"...the conversion of <%s> objects has completed successfully!", name), 20);
    } catch (XKxException& error) {
        const int32_t code = error.GetCode();
        const CString text = code == kStopConversion ? StopText(error)
                             : code == XKxException::kCanceled
                                 ? FormatText(u"...conversion of <%s> objects is terminated by user request!", name)
                                 : FormatText(u"...conversion of <%s> objects failed!", name);
        Print(text, 0);
        if (code == kStopConversion) return;
        error.AddLocation(kUnit, u"XKxDatabase::ExecuteObjectUpgrade", text);
        throw;
    } catch (...) {
        const CString text = FormatText(u"...an unknown exception occured while upgrading <%s> objects!", name);
        Print(text, 0);
        throw XKxException(kUnit, u"XKxDatabase::ExecuteObjectUpgrade", text);
    }
}

void XKxDatabase::ExecuteIntermediateUpgrade(HMODULE module, bool previous, int32_t value) {
    CString other;
    auto pairText = [&](const char16_t* format) {
        CString text;
        text.Format(format, name, other);
        return text;
    };
    try {
        const XApplicationDatabaseEntry* entry = applicationDatabases->FindEntry(name);
        if (entry == nullptr) return;
        const XKxIntermediateFunction function =
            previous ? GetIntermediatePreviousFkt(module) : GetIntermediateNextFkt(module);
        if (function == nullptr) return;
        for (int32_t i = 0; i < entry->index; ++i) {
            XKxDatabase* related = applicationDatabases->GetDatabase(i);
            if (related == nullptr) continue;
            other = related->GetName();
            function(this, related, value);
            function(related, this, value);
        }
    } catch (XKxException& error) {
        const int32_t code = error.GetCode();
        const CString text =
            code == kStopConversion ? StopText(error)
            : code == XKxException::kCanceled
                ? pairText(u"The intermediate conversion of <%s> and <%s> objects is terminated by user request!")
                : pairText(u"The intermediate conversion of <%s> and <%s> objects failed!");
        Print(text, 0);
        if (code == kStopConversion) return;
        error.AddLocation(kUnit, u"XKxDatabase::ExecuteIntermediateUpgrade", text);
        throw;
    } catch (...) {
        const CString text = pairText(
            u"...an unknown exception occured while performing an intermediate conversion of <%s> and <%s> objects!");
        Print(text, 0);
        throw XKxException(kUnit, u"XKxDatabase::ExecuteIntermediateUpgrade", text);
    }
}
