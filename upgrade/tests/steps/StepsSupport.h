// What the test step libraries share: the upgrader's run context with the progress output of the
// program that loaded them, the outcome lines of the child programs, emptying a class, and running a
// step on the set's database "database".
#pragma once

#include <string>

#include "../child/ChildSupport.h"
#include "XApplicationDatabases.h"
#include "XKxAllSet.h"
#include "XKxBaseFunctions.h"
#include "XKxDatabase.h"
#include "XKxException.h"
#include "XKxObject.h"
#include "XProgressOutput.h"

namespace steps {

class Owner : public XApplicationDatabasesOwner {
public:
    CString GetScriptBaseDirectory() const override { return CString(); }
    XProgressOutput* GetProgressOutput() const override { return ::GetProgressOutput(); }
    int32_t GetOptionBits() const override { return 0; }
};

using child_support::Report;
using child_support::Utf8;

inline void Empty(XKxDatabase* db, const CString& cls) {
    XKxAllSet all(db, cls, true);
    XKxObject object(db);
    while (all.GetNext(object)) object.Delete(0);
}

// Opens the database, runs the step of `mode` and closes it: 0 after success; 1 after a failure,
// which is printed with its code and text.
template <class Step>
int RunSteps(const char* mode, Step step) {
    Owner owner;
    XApplicationDatabases set;
    set.CreateDatabases(&owner);
    XKxDatabase* db = set.FindDatabase(u"database");
    if (db == nullptr) return 1;
    try {
        db->Open(false);
        step(db, std::string(mode));
        db->Close(false);
    } catch (const XKxException& error) {
        Report("failed " + std::to_string(error.GetCode()) + " " + Utf8(error.GetMessage()));
        try {
            db->Close(false);
        } catch (const XKxException&) {
        }
        return 1;
    }
    return 0;
}

}  // namespace steps
