// Oracle's value semantics on the rewrite side (internal): passes over the tokens of a rewritten
// statement and the CHECK constraints that hold column values to their declared types. The SQL
// functions they call (ORA_CONCAT, ORA_DIV, ORA_CHECK_LENGTH, ORA_CHECK_NUMBER) are registered by
// RegisterFunctions.
#pragma once

#include <string>
#include <vector>

#include "sqlrewrite.h"

namespace sqlengine {

// Applied to the tokens of a DML statement (query, view or trigger body) last, just before they are
// joined; dropped tokens and comments are ignored:
//  - the empty text literal '' is NULL, as everywhere in Oracle;
//  - `a || b || c` becomes ORA_CONCAT(a, b, c): a NULL operand is an empty text, || binds as
//    loosely as binary + and - (SQLite would bind it tighter than *);
//  - `a / b` becomes ORA_DIV(a, b): no integer division, ORA-01476 for a zero divisor;
//  - a numeric literal that NUMBER cannot hold is refused (ORA-01426).
bool ApplyValueSemantics(std::vector<Token>& tokens, const std::string& sql, Error& err);

// The column constraint (with a leading blank) that keeps the values of a column within its declared
// type, or an empty text for types without limits: VARCHAR2 (n) and CHAR (n) by bytes and RAW (n) by
// bytes (ORA-12899 naming "OWNER"."TABLE"."COLUMN"), NUMBER [(p [, s])] (ORA-01722 for a text that is
// no number, ORA-01426 beyond NUMBER's range, ORA-01438 beyond the precision). `declaredType` is the
// type as the rewrite declares it ("VARCHAR2 (40)", "NUMBER (5, 2)" ...).
std::string ColumnCheckSql(const std::string& owner, const std::string& table, const std::string& column,
                           const std::string& declaredType);

}  // namespace sqlengine
