// XKxFunctionLogger: the guard of one upgrade step that changes a database. Check decides whether the
// step runs: a registry switch "LiftRunner" "<description>" = "false" disables it, a success record
// of the tool-run log skips it, a failure record lets it run again; a step without a record gets a
// failure record before it runs. SetResult records the step's outcome.
#pragma once

#include "XKxToolsLog.h"
#include "afxstr.h"

class XKxDatabase;

class XKxFunctionLogger : public XKxToolsLog {
public:
    // XKxException (code -1) without a database or with an empty description.
    XKxFunctionLogger(XKxDatabase* database, const CString& description);

    // True when the step is to run; prints why a step is skipped or retried.
    bool Check();
    // Writes the outcome into the step's tool-run record.
    void SetResult(bool success);
    // The description shortened for display: cut after its first word of 50 or more characters
    // while text remains, "..." standing for the rest.
    static CString MakeDisplayName(const CString& description);
    // The option bit of the database's set at construction.
    bool GetDatabaseFlag() const { return databaseFlag; }

private:
    bool databaseFlag = false;
};
