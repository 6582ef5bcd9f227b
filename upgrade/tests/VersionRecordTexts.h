// The version objects' edition texts and the tool-run records of a database as texts, for the tests
// and their child program.
#pragma once

#include <string>
#include <vector>

#include "XKxAllSet.h"
#include "XKxDatabase.h"
#include "XKxObject.h"

namespace upgrade_test {

// The edition texts of the version class's objects.
inline std::vector<std::string> VersionTexts(XKxDatabase* db) {
    std::vector<std::string> texts;
    XKxAllSet all(db, u"XDOVersionInfo", true);
    XKxObject object(db);
    while (all.GetNext(object)) {
        CString text;
        object.GetMemberString(u"m_strVersionInfo", text);
        texts.push_back(CStringA(text).GetString());
    }
    return texts;
}

// The tool-run records as "<version>|<description>|<success>".
inline std::vector<std::string> ToolRecords(XKxDatabase* db) {
    std::vector<std::string> records;
    XKxAllSet all(db, u"XDBToolsLog", true);
    XKxObject object(db);
    while (all.GetNext(object)) {
        int32_t version = 0;
        CString description;
        bool success = false;
        object.GetMemberInt(u"m_iDBVersion", version);
        object.GetMemberString(u"m_strDescription", description);
        object.GetMemberBool(u"m_bSuccess", success);
        records.push_back(std::to_string(version) + "|" + CStringA(description).GetString() + "|" + (success ? "1" : "0"));
    }
    return records;
}

}  // namespace upgrade_test
