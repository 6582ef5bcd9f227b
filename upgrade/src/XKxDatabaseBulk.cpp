// The bulk attribute setters of XKxDatabase: one attribute set in every object of a class.
#include "XKxAllSet.h"
#include "XKxBaseFunctions.h"
#include "XKxDatabase.h"
#include "XKxException.h"

namespace {

const char16_t kUnit[] = u".\\xkxdatabase";

// Prints the step's line, runs `set` over the class's extent and reports its count with the time;
// a failure ends the step and gets the failure text.
template <typename Setter>
int32_t SetInClass(XKxDatabase* database, const CString& className, const CString& line, const CString& failure,
                   const char16_t* function, Setter set) {
    Print(line, 0);
    StartStepTimer();
    try {
        XKxAllSet all(database, className, true);
        const int32_t changed = set(all);
        ReportCount(u"updated", changed, u"objects", true);
        EndStep();
        return changed;
    } catch (XKxException& error) {
        EndStep();
        error.AddLocation(kUnit, function, failure);
        throw;
    }
}

}  // namespace

int32_t XKxDatabase::SetAttributeBoolean(const CString& className, const CString& attribute, bool value) {
    const char16_t* text = value ? u"true" : u"false";
    CString line, failure;
    line.Format(u"- Setting all attributes <%s> of class <%s> to <%s>...", attribute, className, text);
    failure.Format(u"Setting all attributes <%s> of class <%s> to <%s> failed!", attribute, className, text);
    return SetInClass(this, className, line, failure, u"XKxDatabase::SetAttributeBoolean",
                      [&](XKxAllSet& all) { return all.SetAttributeBoolean(attribute, value); });
}

int32_t XKxDatabase::SetAttributeInt(const CString& className, const CString& attribute, int32_t value) {
    CString line, failure;
    line.Format(u"- Setting all attributes <%s> of class <%s> to <%d>...", attribute, className, value);
    failure.Format(u"Setting all attributes <%s> of class <%s> to <%d> failed!", attribute, className, value);
    return SetInClass(this, className, line, failure, u"XKxDatabase::SetAttributeInt",
                      [&](XKxAllSet& all) { return all.SetAttributeInt(attribute, value); });
}

int32_t XKxDatabase::SwitchToBackpointer(const CString& className, const CString& setMember,
                                         const CString& backMember) {
    XKxAllSet all(this, className, true);
    return all.SwitchSetToBackpointer(setMember, backMember);
}
