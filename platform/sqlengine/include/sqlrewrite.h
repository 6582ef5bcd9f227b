// The SQL rewrite layer: Oracle text in, SQLite text out.
//
// Only the shapes that the Oracle adapter and the gateway generate are accepted; anything else is
// refused with an Oracle error (ORA-00900 and friends) whose message names the offending text.
// The layer is pure text work: whatever it must know about the database (which names are schemas,
// the columns of an index) it asks its RewriteContext, so that it can be golden-tested alone.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "sqlerror.h"

namespace sqlengine {

// ---- Tokens ---------------------------------------------------------------------------------------

enum class TokenType : uint8_t { Word, QuotedId, String, Number, Marker, Op, Comment };

struct Token {
  TokenType type = TokenType::Word;
  std::string text;    // as written
  std::string upper;   // upper-cased text (words and markers)
  std::string lead;    // white space before the token
  std::string append;  // text emitted after the token (rewrites)
  bool dropped = false;
};

// Splits an Oracle SQL text. Fails with ORA-01756 (unterminated quote), ORA-00911 (a character
// that has no place in Oracle SQL, or a NUL byte anywhere), ORA-01740/01741 (unterminated or empty
// quoted name) or ORA-00972 (a name longer than 30 bytes). A quoted name's `upper` is its exact text.
bool Tokenize(const std::string& sql, std::vector<Token>& out, Error& err);
// Emits tokens with their leading white space, skipping dropped tokens and adding appended text.
std::string JoinTokens(const std::vector<Token>& tokens);

// ---- Names --------------------------------------------------------------------------------------
//
// Oracle names are case-sensitive once quoted ("lc" and LC differ); SQLite compares names without
// regard to ASCII case. A name therefore reaches SQLite encoded: each lower-case ASCII letter as '^'
// and its upper-case form, '^' as "^^" and '~' as "^-" (so that "~aux" can mark a schema's second
// file). Upper-case names, the only ones the adapter generates, stay as they are.

std::string SqliteName(const std::string& oracleName);
std::string OracleName(const std::string& sqliteName);
// A SQLite name in double quotes, each '"' inside doubled.
std::string QuoteName(const std::string& sqliteName);
// QuoteName(SqliteName(name)): how every Oracle name is written into SQLite text.
std::string QuotedIdent(const std::string& oracleName);

// Oracle's reserved words (upper case): a name only when quoted.
bool IsReservedWord(const std::string& upperWord);

// ---- Classification -------------------------------------------------------------------------------

// OCI statement type of a text by its first keyword: SELECT 1, UPDATE 2, DELETE 3, INSERT 4,
// CREATE 5, DROP 6, ALTER 7, BEGIN 8, DECLARE 9; 0 for anything else.
int32_t StatementTypeOf(const std::string& sql);

// The one text of the lock procedure ACQUIRE_LOCK of schema S that the server compiles as VALID (blanks and
// case aside); any other body is kept as an object with compilation errors.
std::string LockProcedureText(const std::string& schema);

// The one text of the package KELVOX_PACKAGE of schema S that the server compiles as VALID.
std::string LockPackageText(const std::string& schema);

// Placeholder names in bind-position order, upper-cased and without the colon. In SQL every
// occurrence is a position of its own; in a PL/SQL block (BEGIN/DECLARE) a name repeated counts once.
std::vector<std::string> PlaceholderNames(const std::string& sql);

// A query, UPDATE or DELETE with its plain integer literals in conditions taken out: the elements
// of an IN list of integers only and the integer compared by `name = n`, after a WHERE. Statements
// that differ only in these literals share one `text` (each taken literal written as a bind marker),
// so that they share one rewrite and one prepared statement. `slots` tells for every bind marker of
// `text`, in text order, the caller's bind position it stands for (0, 1 ...) or the literal
// (-1 for values[0], -2 for values[1] ...). False when nothing was taken.
struct LiteralForm {
  std::string text;
  std::vector<int64_t> values;
  std::vector<int32_t> slots;
};
bool TakeLiterals(const std::string& sql, LiteralForm& out);

enum class StatementKind : uint8_t {
  Select, Insert, Update, Delete,
  CreateTable, CreateIndex, CreateView, CreateTrigger, AlterTable,
  DropTable, DropIndex, DropView, DropTrigger, DropPackage, DropProcedure,
  CreatePackage, CreateProcedure,
  CreateUser, AlterUser, DropUser, CreateRole, DropRole, Grant, AlterSession,
  Savepoint, RollbackTo, Commit, Rollback,
  CallAcquireLock, CallSiteProcedure,
};

bool IsDdl(StatementKind k);        // Oracle commits before and after these
bool IsQuery(StatementKind k);      // SELECT

// The three gateway tables that live in a schema's second file.
bool IsAuxTable(const std::string& upperTable);
// The attach name of the file that holds `table` of `schema`, quoted: "S" or "S~aux" (the schema
// name encoded as SqliteName does).
std::string FileAlias(const std::string& schema, const std::string& table);
std::string MainAlias(const std::string& schema);
std::string AuxAlias(const std::string& schema);

// ---- Context --------------------------------------------------------------------------------------

struct IndexColumn {
  std::string name;
  bool descending = false;
};

class RewriteContext {
 public:
  virtual ~RewriteContext() = default;
  virtual std::string User() const = 0;                                   // session user, upper case
  virtual bool IsSchema(const std::string& upperName) const = 0;          // a user of the server
  // The names below are SQLite names (SqliteName) unless said otherwise.
  // Columns of an index in file `fileAlias` (as FileAlias gives it); false when there is none.
  virtual bool IndexColumns(const std::string& fileAlias, const std::string& index,
                            std::vector<IndexColumn>& cols) const = 0;
  // Names of the indexes of a table that contain a column (the primary key's own index excluded).
  virtual std::vector<std::string> IndexesWithColumn(const std::string& fileAlias, const std::string& table,
                                                     const std::string& column) const = 0;
  // The file alias that holds a registered object (TABLE, INDEX, TRIGGER ...) and, for indexes and
  // triggers, the table it belongs to (Oracle names); false when the object is unknown.
  virtual bool LocateObject(const std::string& owner, const std::string& name, const std::string& type,
                            std::string& fileAlias, std::string& table) const = 0;
  // Whether a table has a real column of that name: 1 yes, 0 no, -1 unknown (no such table, or the
  // context cannot tell). SQLite takes ROWID, OID and _ROWID_ as the row id when a table has no such
  // column; the rewrite asks before it lets these names through.
  virtual int HasColumn(const std::string& fileAlias, const std::string& table, const std::string& column) const {
    (void)fileAlias;
    (void)table;
    (void)column;
    return -1;
  }
};

// ---- Result ---------------------------------------------------------------------------------------

struct TableUse {
  std::string schema;
  std::string table;
  char access = 'S';  // S select, I insert, U update, D delete
};

struct Rewritten {
  StatementKind kind = StatementKind::Select;
  std::vector<std::string> sql;         // SQLite statements, run in order
  std::string rowidSql;                 // a single-table query that also selects the row id last
  std::vector<std::string> schemas;     // schemas whose files the statements touch
  std::vector<std::string> views;       // server views read (V$SESSION, ALL_USERS ...)
  std::vector<TableUse> uses;           // object accesses, for privilege checks
  int32_t placeholders = 0;             // bind positions

  // Created, altered or dropped object (DDL) or called procedure.
  std::string owner;
  std::string name;
  std::string objectType;               // TABLE, INDEX, VIEW, TRIGGER, PACKAGE, PROCEDURE
  std::string table;                    // the table of an index or trigger
  std::string fileAlias;                // the file that holds it
  std::vector<std::string> physical;    // SQLite trigger names of a trigger
  std::vector<std::string> dropped;     // indexes dropped on the way (ALTER TABLE ... DROP)
  std::string body;                     // procedure or package text
  bool valid = true;                    // false: created with compilation errors

  // Intercepted statements: user, password, role names, privileges, grantees ...
  std::vector<std::string> args;
  std::vector<std::string> privileges;
  std::vector<std::string> grantees;
  bool cascade = false;
};

// Rewrites one Oracle statement.
bool Rewrite(const std::string& sql, const RewriteContext& ctx, Rewritten& out, Error& err);

}  // namespace sqlengine
