// XKxToolsLog: the tool-run record of one upgrade step in the database's own class "XDBToolsLog",
// keyed by the database's target version and the step's description. The record tells whether the
// step already succeeded in an earlier run, and takes the outcome of this run with the identity of
// the tool that ran it.
#pragma once

#include <cstdint>

#include "XKxObject.h"
#include "afxstr.h"

class XKxDatabase;

class XKxToolsLog {
public:
    // Fills the tool identity and looks the record up. A failing look-up (XKxException) leaves the
    // log invalid, so that it writes nothing; any other failure becomes XKxException.
    XKxToolsLog(XKxDatabase* database, const CString& description);
    XKxToolsLog(const XKxToolsLog&) = delete;
    XKxToolsLog& operator=(const XKxToolsLog&) = delete;

    // Looks the record of (version, description) up: none, one (held), or XKxException for more
    // than one or a record that cannot be fetched.
    void Query();
    // Makes the record when there is none, then writes the key, the tool identity and the outcome
    // and stores it. Nothing when the log is invalid.
    void Write(bool success);
    bool HasRecord() const { return record.GetObject() != nullptr; }
    // The record's success flag; false without a record.
    bool Succeeded();
    // With a record: its success flag into `success`, and true when its tool version, release and
    // information equal this tool's. False without a record.
    bool IsSameTool(bool& success);

    const CString& GetDescription() const { return description; }
    int32_t GetVersion() const { return version; }
    bool IsValid() const { return valid; }
    const CString& GetToolName() const { return toolName; }
    const CString& GetToolVersion() const { return toolVersion; }
    const CString& GetToolRelease() const { return toolRelease; }
    const CString& GetToolInfo() const { return toolInfo; }
    XKxDatabase* GetDatabase() const { return database; }

protected:
    int32_t version = 0;
    CString description;
    CString toolName;
    CString toolVersion;
    CString toolRelease;
    CString toolInfo;
    bool success = false;
    XKxDatabase* database;
    XKxObject record;
    bool valid = false;
};
