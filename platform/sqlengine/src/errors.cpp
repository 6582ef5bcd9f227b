#include "sqlerror.h"

#include <cstdio>
#include <map>

namespace sqlengine {

namespace {

const std::map<int32_t, const char*>& Texts() {
  static const std::map<int32_t, const char*> texts = {
      {1, "unique constraint violated"},
      {18, "maximum number of sessions exceeded"},
      {51, "timeout occurred while waiting for a resource"},
      {54, "resource busy and acquire with NOWAIT specified or timeout expired"},
      {60, "deadlock detected while waiting for resource"},
      {519, "operation failed"},
      {600, "internal error code"},
      {900, "invalid SQL statement"},
      {902, "invalid datatype"},
      {903, "invalid table name"},
      {904, "invalid identifier"},
      {906, "missing left parenthesis"},
      {907, "missing right parenthesis"},
      {909, "invalid number of arguments"},
      {910, "specified length too long for its datatype"},
      {911, "invalid character"},
      {913, "too many values"},
      {918, "column ambiguously defined"},
      {920, "invalid relational operator"},
      {922, "missing or invalid option"},
      {923, "FROM keyword not found where expected"},
      {928, "missing SELECT keyword"},
      {932, "inconsistent datatypes"},
      {933, "SQL command not properly ended"},
      {934, "group function is not allowed here"},
      {936, "missing expression"},
      {942, "table or view does not exist"},
      {947, "not enough values"},
      {955, "name is already used by an existing object"},
      {953, "missing or invalid index name"},
      {957, "duplicate column name"},
      {972, "identifier is too long"},
      {1002, "fetch out of sequence"},
      {1007, "variable not in select list"},
      {1008, "not all variables bound"},
      {1013, "user requested cancel of current operation"},
      {1017, "invalid username/password; logon denied"},
      {1031, "insufficient privileges"},
      {1036, "illegal variable name/number"},
      {1086, "savepoint never established in this session or is invalid"},
      {1114, "IO error writing block to file"},
      {1115, "IO error reading block from file"},
      {1116, "error in opening database file"},
      {1400, "cannot insert NULL"},
      {1403, "no data found"},
      {1405, "fetched column value is NULL"},
      {1406, "fetched column value was truncated"},
      {1407, "cannot update to NULL"},
      {1418, "specified index does not exist"},
      {1424, "missing or illegal character following the escape character"},
      {1425, "escape character must be character string of length 1"},
      {1426, "numeric overflow"},
      {1430, "column being added already exists in table"},
      {1438, "value larger than specified precision allowed for this column"},
      {1455, "converting column overflows integer datatype"},
      {1460, "unimplemented or unreasonable conversion requested"},
      {1465, "invalid hex number"},
      {1476, "divisor is equal to zero"},
      {1481, "invalid number format model"},
      {1489, "result of string concatenation is too long"},
      {1555, "snapshot too old: rollback segment too small"},
      {1578, "ORACLE data block corrupted"},
      {1653, "unable to extend table"},
      {1722, "invalid number"},
      {1727, "numeric precision specifier is out of range (1 to 38)"},
      {1732, "data manipulation operation not legal on this view"},
      {1747, "invalid user.table.column, table.column, or column specification"},
      {1754, "a table may contain only one column of type LONG"},
      {1758, "table must be empty to add mandatory (NOT NULL) column"},
      {1785, "ORDER BY item must be the number of a SELECT-list expression"},
      {1789, "query block has incorrect number of result columns"},
      {1792, "maximum number of columns in a table or view is 1000"},
      {1801, "date format is too long for internal buffer"},
      {1821, "date format not recognized"},
      {1830, "date format picture ends before converting entire input string"},
      {1841, "(full) year must be between -4713 and +9999, and not be 0"},
      {1843, "not a valid month"},
      {1847, "day of month must be between 1 and last day of month"},
      {1850, "hour must be between 0 and 23"},
      {1851, "minutes must be between 0 and 59"},
      {1852, "seconds must be between 0 and 59"},
      {1853, "seconds in day must be between 0 and 86399"},
      {1854, "julian date must be between 1 and 5373484"},
      {1858, "a non-numeric character was found where a numeric was expected"},
      {1861, "literal does not match format string"},
      {1917, "user or role does not exist"},
      {1918, "user does not exist"},
      {1919, "role does not exist"},
      {1920, "user name conflicts with another user or role name"},
      {1921, "role name conflicts with another user or role name"},
      {1922, "CASCADE must be specified to drop this user"},
      {1935, "missing user or role name"},
      {1940, "cannot drop a user that is currently connected"},
      {1950, "no privileges on tablespace"},
      {2003, "invalid USERENV parameter"},
      {2020, "too many database links in use"},
      {3114, "not connected to ORACLE"},
      {4043, "object does not exist"},
      {4080, "trigger does not exist"},
      {6502, "PL/SQL: numeric or value error"},
      {6550, "PL/SQL compilation error"},
      {8177, "can't serialize access for this transaction"},
      {12154, "TNS:could not resolve the connect identifier specified"},
      {12203, "TNS:unable to connect to destination"},
      {12545, "Connect failed because target host or object does not exist"},
      {12638, "Credential retrieval failed"},
      {12899, "value too large for column"},
      {12992, "cannot drop parent key column"},
      {20099, "Object already locked"},
      {20333, "Error in procedure ACQUIRE_LOCK"},
      {22050, "invalid argument"},
      {22053, "overflow error"},
      {22275, "invalid LOB locator specified"},
      {22926, "specified trim length is greater than current LOB value's length"},
      {24309, "already connected to a server"},
      {24315, "illegal attribute type"},
      {24333, "zero iteration count"},
      {24334, "no descriptor for this position"},
      {24337, "statement handle not prepared"},
      {24338, "statement handle not executed"},
      {24344, "success with compilation error"},
      {24801, "illegal parameter value in OCI lob function"},
  };
  return texts;
}

}  // namespace

std::string OraPrefix(int32_t code) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "ORA-%05d", code < 0 ? -code : code);
  return buf;
}

std::string OracleMessage(int32_t code) {
  int32_t key = code < 0 ? -code : code;
  auto it = Texts().find(key);
  std::string text = OraPrefix(code) + ": ";
  text += it != Texts().end() ? it->second : "error";
  return text;
}

bool Error::Set(int32_t c, const std::string& detail) {
  code = c < 0 ? -c : c;
  message = OracleMessage(code);
  if (!detail.empty()) message += ": " + detail;
  return false;
}

bool Error::SetText(int32_t c, const std::string& text) {
  code = c < 0 ? -c : c;
  message = OraPrefix(code) + ": " + text;
  return false;
}

}  // namespace sqlengine
