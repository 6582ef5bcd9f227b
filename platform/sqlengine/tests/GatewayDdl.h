// The auxiliary objects that the Oracle dialect creates for a schema (the lock and client tables,
// the lock package and procedure, and the release trigger), as test input.
#pragma once

#include <string>
#include <vector>

#include "sqlrewrite.h"

namespace testddl {

inline std::string LocksTable(const std::string& s) {
  return "CREATE TABLE " + s + ".LOCKS (\n OID NUMBER (38) not null,\n LOCKMODE NUMBER(38) not null,\n"
         " CLIENTID NUMBER(38) not null,\nPRIMARY KEY ( OID, LOCKMODE, CLIENTID) )";
}

inline std::string ActiveClientsTable(const std::string& s) {
  return "CREATE TABLE " + s + ".ACTIVECLIENTS (\n CLIENTID NUMBER(38) not null,\n USERID VARCHAR2(30) DEFAULT USER not null,\n"
         " CLIENT_NAME VARCHAR2(30),\n CONNECTION_ID NUMBER(38) DEFAULT 0 not null,\n OPEN_MODE VARCHAR2(30),\n"
         " PRIMARY KEY ( CLIENTID, CONNECTION_ID ) )";
}

inline std::string Package(const std::string& s) {
  return "CREATE OR REPLACE PACKAGE " + s + ".KELVOX_PACKAGE AS\n    TYPE INT_ARRAY_T IS TABLE OF NUMBER (38)\n"
         "        INDEX BY BINARY_INTEGER;\nEND KELVOX_PACKAGE;";
}

inline std::string Procedure(const std::string& s) { return sqlengine::LockProcedureText(s); }

inline std::string ReleaseTrigger(const std::string& s) {
  return "CREATE TRIGGER " + s + ".RELEASE_LOCK\n AFTER DELETE ON " + s + ".ACTIVECLIENTS\n REFERENCING OLD AS OLD\n"
         " FOR EACH ROW\n BEGIN\n DELETE FROM " + s + ".LOCKS WHERE CLIENTID = :OLD.CLIENTID AND\n"
         " (:OLD.CLIENTID = :OLD.CONNECTION_ID OR :OLD.CONNECTION_ID = 0);\n END;";
}

inline std::vector<std::string> LockObjects(const std::string& s) {
  return {LocksTable(s), ActiveClientsTable(s), Package(s), Procedure(s), ReleaseTrigger(s)};
}

}  // namespace testddl
