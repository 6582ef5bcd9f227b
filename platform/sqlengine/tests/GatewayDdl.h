// The auxiliary objects that the Oracle dialect creates for a schema (the lock and client tables,
// the lock package and procedure, and the release trigger), as test input.
#pragma once

#include <string>
#include <vector>

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

inline std::string Procedure(const std::string& s) {
  const std::vector<std::string> lines = {
      "    aClientid IN NUMBER,",
      "    nEntries IN NUMBER,",
      "    oid_list IN " + s + ".KELVOX_PACKAGE.INT_ARRAY_T,",
      "    lockmode_list IN " + s + ".KELVOX_PACKAGE.INT_ARRAY_T)",
      "AS",
      "    e_ALREADY_LOCKED   EXCEPTION;",
      "    aLockmode          " + s + ".LOCKS.LOCKMODE%TYPE;",
      "    aCounter           BINARY_INTEGER;",
      "    bInsertLocks       BINARY_INTEGER;",
      "BEGIN",
      "    bInsertLocks := 1;",
      "    LOCK TABLE " + s + ".LOCKS IN EXCLUSIVE MODE;",
      "    FOR i IN 1..nEntries LOOP",
      "        IF lockmode_list(i) = 1142 THEN",
      "            aLockmode := 8196;",
      "        ELSIF lockmode_list(i) = 2100 THEN",
      "            aLockmode := 4116;",
      "        ELSIF lockmode_list(i) = 4116 THEN",
      "            aLockmode := 2100;",
      "        ELSE",
      "            aLockmode := 0;",
      "        END IF;",
      "        SELECT COUNT(*) INTO aCounter FROM " + s + ".LOCKS ",
      "            WHERE OID = oid_list(i) AND CLIENTID != aClientid AND aLockmode <= LOCKMODE;",
      "        IF aCounter > 0 THEN",
      "            bInsertLocks := 0;",
      "            EXIT;",
      "        ELSE",
      "            INSERT INTO " + s + ".LOCKS (oid, lockmode, clientid) VALUES (oid_list(i), lockmode_list(i), aClientid);",
      "        END IF;",
      "    END LOOP;",
      "    IF bInsertLocks = 1 THEN",
      "        COMMIT;",
      "    ELSE",
      "        RAISE e_ALREADY_LOCKED;",
      "    END IF;",
      "EXCEPTION",
      "    WHEN e_ALREADY_LOCKED THEN",
      "        ROLLBACK;",
      "        RAISE_APPLICATION_ERROR(-20099, 'Object already locked');",
      "    WHEN OTHERS THEN",
      "        ROLLBACK;",
      "        RAISE_APPLICATION_ERROR(-20333, 'Error in procedure ACQUIRE_LOCK');",
  };
  std::string text = "CREATE OR REPLACE PROCEDURE " + s + ".ACQUIRE_LOCK (\n";
  for (const auto& l : lines) text += l + "\n";
  return text + "END ACQUIRE_LOCK;";
}

inline std::string ReleaseTrigger(const std::string& s) {
  return "CREATE TRIGGER " + s + ".RELEASE_LOCK\n AFTER DELETE ON " + s + ".ACTIVECLIENTS\n REFERENCING OLD AS OLD\n"
         " FOR EACH ROW\n BEGIN\n DELETE FROM " + s + ".LOCKS WHERE CLIENTID = :OLD.CLIENTID AND\n"
         " (:OLD.CLIENTID = :OLD.CONNECTION_ID OR :OLD.CONNECTION_ID = 0);\n END;";
}

inline std::vector<std::string> LockObjects(const std::string& s) {
  return {LocksTable(s), ActiveClientsTable(s), Package(s), Procedure(s), ReleaseTrigger(s)};
}

}  // namespace testddl
