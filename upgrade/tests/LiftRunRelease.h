// The release that upgrades an installation's main database "dict" from version 22 to 23, as the
// upgrade runs of the tests and the demo use it: the dictionary at both versions, and the files of the
// script base directory (the query of the Oracle server's version, the version 23 step's script and
// program lists with their scripts) and the objects an installer leaves. The change-file script "update_t5_database.sql" is made per
// installation from relgen's version-all script (ChangeFileScript). No test framework here.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "XKxDatabase.h"
#include "XKxObject.h"

namespace liftrun_release {

// The version record's description, in its second member's name with "_" for blanks.
inline const char kVersionDescription[] = "TY5 release";
inline const char kOldInfo[] = "TY 5.3 SP01";
inline const char kNewInfo[] = "TY 5.4 SP00";
// The table the step's scripts and program write their names into.
inline const char kStepTable[] = "UPG_STEPS";

// The dictionary "dict" at a version: the version record (its version in its members' names), the
// tool-run log and the application classes. One dictionary, made once and changed for version 23:
// its creation stays, its revision grows; version 23 keeps the version class's old version beside
// its new one and adds the class Client.
inline std::string Dictionary(int version) {
    std::string description = kVersionDescription;
    for (char& c : description)
        if (c == ' ') c = '_';
    const auto versionClass = [&](const char* id, int number) {
        return std::string("class ") + id + " XDOVersionInfo\nmember m_iVersion_" + std::to_string(number) +
               " int\nmember m_strVersion_" + description + " string\nmember m_strVersionInfo string\n";
    };
    std::string text = "dictionary dict server=LOCAL logical=dict revision=" + std::to_string(version == 22 ? 1 : 2) +
                       " created=2024-05-02T08:00:00 modified=" +
                       (version == 22 ? "2024-05-02T08:00:00" : "2025-01-15T09:00:00") + "\n" + versionClass("1.1", 22);
    if (version == 23) text += versionClass("1.2", 23);
    text += "class 2.1 XDBToolsLog\nmember m_iDBVersion int\nmember m_strDescription string\n"
            "member m_strToolName string\nmember m_strToolVersion string\nmember m_strToolRelease string\n"
            "member m_strToolInfo string\nmember m_bSuccess boolean\n"
            "class 3.1 Party\nmember name string\nmember count int\n"
            "class 4.1 Customer bases=Party\nmember since int\n";
    if (version == 23) text += "class 5.1 Client bases=Party\nmember origin string\n";
    return text;
}

// relgen's mapping options: a step's description may be a whole command line.
inline const char kMappingOptions[] = "XDBToolsLog m_strDescription STRING_TYPE VARCHAR2, 2000\n";

// A script spooling to its log (its first argument) and running the statements.
inline std::string SpoolingScript(const std::string& statements) {
    return "SPOOL &1\n" + statements + "SPOOL OFF\nEXIT\n";
}

// The customers an installation holds: name and count.
inline const std::vector<std::pair<const char16_t*, int>> kCustomers = {{u"ann", 1}, {u"bob", 2}, {u"cid", 3}};

// The installer's objects in the open main database, which holds none yet: the version record with
// the edition text kOldInfo and the customers.
inline void MakeInstalledObjects(XKxDatabase* db) {
    XKxObject record(db);
    record.Make(u"XDOVersionInfo", false);
    record.SetMemberString(u"m_strVersionInfo", CString(kOldInfo), true);
    for (const auto& [name, count] : kCustomers) {
        XKxObject customer(db);
        customer.Make(u"Customer", false);
        customer.SetMemberString(u"name", name, false);
        customer.SetMemberInt(u"since", 2001, false);
        customer.SetMemberInt(u"count", count, true);
    }
}

// The files below the script base directory, with their texts: the schema `schema` and its log-in
// "<user>/<password>@<service>" for the program list's client.
inline std::vector<std::pair<std::string, std::string>> ScriptFiles(const std::string& schema, const std::string& login) {
    const auto stepRow = [&](const char* step) {
        return "INSERT INTO " + schema + "." + kStepTable + " (STEP) VALUES ('" + step + "');\n";
    };
    return {
        {"_get_oracle_server_version.sql", SpoolingScript("SELECT BANNER FROM V$VERSION;\n")},
        {"dict_23/execute_pre_sql_upgrade.txt", "; before the structure changes\r\npre_upgrade.sql\r\npre_disabled.sql\r\n"},
        {"dict_23/pre_upgrade.sql", SpoolingScript(stepRow("pre-upgrade"))},
        {"dict_23/pre_disabled.sql", SpoolingScript(stepRow("disabled"))},
        {"dict_23/execute_sql_upgrade.txt", "sql_upgrade.sql\r\n"},
        {"dict_23/sql_upgrade.sql", SpoolingScript(stepRow("sql-upgrade"))},
        {"dict_23/execute_binary_upgrade.txt",
         "schemalift_upgrade_program -log $LOGFILE$ -mark $THIS_PATH$\r\n"
         "sqlplus " + login + " @$THIS_PATH$\\program_rows.sql $LOGFILE$\r\n"},
        {"dict_23/program_rows.sql", SpoolingScript(stepRow("program"))},
    };
}

// The statement that makes the step table.
inline std::string StepTableStatement(const std::string& schema) {
    return "CREATE TABLE " + schema + "." + kStepTable + " (STEP VARCHAR2(20))";
}

// "update_t5_database.sql": relgen's version-all script for the dictionary of version 23, then
// SchemaDelta's change file, spooled to the script's log.
inline std::string ChangeFileScript(const std::string& versionAll) {
    return "SPOOL &1\n" + versionAll + "\n@1_change_schema.sql\nSPOOL OFF\nEXIT\n";
}

// The configuration relgen reads to write the version-all script: the installation's kelvox.cfg
// with the dictionary "dict" taken from the version 23 step's folder; empty when the configuration
// has no such entry.
inline std::string VersionAllConfig(std::string config, const std::string& installedDictionary,
                                    const std::string& stepFolder) {
    const std::string installed = "[schemata\\dict]\nname=" + installedDictionary + "\n";
    const size_t at = config.find(installed);
    if (at == std::string::npos) return std::string();
    return config.replace(at, installed.size(), "[schemata\\dict]\nname=" + stepFolder + "\n");
}

}  // namespace liftrun_release
