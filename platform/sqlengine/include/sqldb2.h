// The DB2 flavour of the engine: DB2 statement texts are translated into the texts that the rewrite
// layer accepts, shape by shape; anything else is refused with an error that maps to DB2's
// SQLSTATE 42601 (or 42884 for an unknown function).
#pragma once

#include <cstdint>
#include <string>

#include "sqlerror.h"

namespace sqlengine {

// Translates one DB2 statement. Known shapes: parameter markers ?, the column types CHARACTER (n),
// VARCHAR (n), LONG VARCHAR, GRAPHIC (n), VARGRAPHIC (n), CLOB, DBCLOB, SMALLINT, INTEGER, INT,
// BIGINT, FLOAT, REAL, DOUBLE, DECIMAL/NUMERIC (p, s), DATE, TIME, TIMESTAMP, BLOB (n [K|M|G]) and
// the FOR BIT DATA forms, WITH DEFAULT, several ADD COLUMN in one ALTER TABLE, triggers with
// REFERENCING ... FOR EACH ROW MODE DB2SQL (BEGIN ATOMIC bodies, single statements, WHEN ... SIGNAL),
// the SYSCAT.TABLES and SYSCAT.INDEXES views, and the functions INT, DOUBLE, CHAR (one and two
// arguments), VARCHAR, DATE, TIME, TIMESTAMP, DAYS, MIDNIGHT_SECONDS, LCASE, UCASE, CHR, ASCII.
bool Db2ToOracle(const std::string& db2Sql, std::string& oracleSql, Error& err);

// Whether a function name (upper case) is one of the DB2 functions the translation emits.
bool IsDb2Function(const std::string& upperName);

// The server version the call-level interface reports ("MM.mm.ffff", default "09.07.0000");
// tests set another one.
std::string Db2ServerVersion();
void SetDb2ServerVersion(const std::string& version);

// DB2's message text for an SQLCODE (with the SQLCA's message token); empty for an unknown code.
std::string Db2MessageText(int32_t sqlcode, const std::string& token);

}  // namespace sqlengine
