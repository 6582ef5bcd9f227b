// DDL, intercepted statements (users, roles, grants, packages) and the two procedure calls.
#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "sqlengine.h"
#include "sqlutil.h"

namespace sqlengine {

bool Statement::RunDdl(Outcome& out, Error& err) {
  Session& s = session_;
  Server& srv = *s.server_;
  const std::string& user = s.user_;
  bool dba = srv.IsDba(user);
  if (s.InTransaction() && !s.Exec("COMMIT", err)) return false;
  auto owns = [&](const std::string& owner) { return owner == user || dba; };
  auto denied = [&](const std::string& what) { return err.Set(1031, what + Quoted(sql_)); };
  // The DDL statements and the registry rows of the file they change run in one transaction of
  // that file: a failing registry write undoes the DDL, and a crash leaves both or neither.
  auto execAll = [&](const std::function<bool()>& registry) -> bool {
    if (!s.Exec("BEGIN", err)) return false;
    auto undo = [&]() {
      Error ignored;
      if (s.InTransaction()) s.Exec("ROLLBACK", ignored);
      return false;
    };
    for (const auto& sql : rw_->sql) {
      if (!s.Exec(sql, err)) {
        if (err.code == 600 || err.code == 900) err.message += Quoted(sql_);
        return undo();
      }
    }
    if (!registry()) return undo();
    if (!s.Exec("COMMIT", err)) return undo();
    return true;
  };
  ObjectRow row;
  row.owner = rw_->owner;
  row.name = rw_->name;
  row.type = rw_->objectType;
  row.status = "VALID";
  row.file = rw_->fileAlias;
  row.table = rw_->table;
  auto record = [&]() { return Server::RegisterFileObject(s.db_, rw_->fileAlias, row, err, s.kept_.get()); };
  switch (rw_->kind) {
    case StatementKind::CreateTable:
    case StatementKind::CreateIndex:
    case StatementKind::CreateView:
      if (!owns(rw_->owner)) return denied("CREATE in schema " + rw_->owner);
      if (!srv.UserExists(rw_->owner)) return err.SetText(1918, "user '" + rw_->owner + "' does not exist");
      return execAll([&]() {
        // The name was free, so grants left on it (by a drop that could not remove them) are void.
        if (rw_->kind != StatementKind::CreateIndex && !srv.ClearGrants(rw_->owner, rw_->name, err)) return false;
        return record();
      });
    case StatementKind::AlterTable: {
      if (!owns(rw_->owner)) return denied("ALTER TABLE in schema " + rw_->owner);
      bool ok = execAll([&]() {
        for (const auto& idx : rw_->dropped)
          if (!Server::UnregisterFileObject(s.db_, rw_->fileAlias, rw_->owner, idx, "INDEX", err)) return false;
        return true;
      });
      // A mandatory column added to a table that has rows.
      if (!ok && err.message.find("CHECK constraint failed") != std::string::npos) err.Set(1758, rw_->owner + "." + rw_->name);
      return ok;
    }
    case StatementKind::DropTable:
    case StatementKind::DropView: {
      if (!owns(rw_->owner)) return denied("DROP in schema " + rw_->owner);
      bool table = rw_->kind == StatementKind::DropTable;
      if (!execAll([&]() {
            return table ? Server::UnregisterTable(s.db_, rw_->fileAlias, rw_->owner, rw_->name, err)
                         : Server::UnregisterFileObject(s.db_, rw_->fileAlias, rw_->owner, rw_->name, rw_->objectType, err);
          }))
        return false;
      // Grants that cannot be removed now are void: a new object of the name starts without them.
      Error ignored;
      srv.ClearGrants(rw_->owner, rw_->name, ignored);
      return true;
    }
    case StatementKind::DropIndex:
    case StatementKind::DropTrigger:
      if (!owns(rw_->owner)) return denied("DROP in schema " + rw_->owner);
      return execAll([&]() { return Server::UnregisterFileObject(s.db_, rw_->fileAlias, rw_->owner, rw_->name, rw_->objectType, err); });
    case StatementKind::CreateTrigger: {
      const std::string& tableSchema = rw_->args.empty() ? rw_->owner : rw_->args[0];
      if (!owns(rw_->owner) || !owns(tableSchema)) return denied("CREATE TRIGGER on " + tableSchema + "." + rw_->table);
      ObjectRow existing;
      if (srv.FindObject(rw_->owner, rw_->name, "TRIGGER", existing)) return err.SetText(4081, "trigger '" + rw_->owner + "." + rw_->name + "' already exists");
      for (size_t i = 0; i < rw_->physical.size(); ++i) row.physical += (i ? "," : "") + rw_->physical[i];
      return execAll(record);
    }
    case StatementKind::CreatePackage:
    case StatementKind::CreateProcedure:
      if (!owns(rw_->owner)) return denied("CREATE " + rw_->objectType + " in schema " + rw_->owner);
      if (!srv.UserExists(rw_->owner)) return err.SetText(1918, "user '" + rw_->owner + "' does not exist");
      row.status = rw_->valid ? "VALID" : "INVALID";
      row.body = rw_->body;
      if (!srv.RecordObject(row, err)) return false;
      if (!rw_->valid) out.warning.SetText(24344, "success with compilation error (the body of " + rw_->owner + "." + rw_->name + " is not the one this server runs)");
      return true;
    case StatementKind::DropPackage:
    case StatementKind::DropProcedure: {
      if (!owns(rw_->owner)) return denied("DROP " + rw_->objectType + " in schema " + rw_->owner);
      ObjectRow existing;
      if (!srv.FindObject(rw_->owner, rw_->name, rw_->objectType, existing)) return err.SetText(4043, "object " + rw_->name + " does not exist");
      return srv.RemoveObject(rw_->owner, rw_->name, rw_->objectType, &err);
    }
    case StatementKind::CreateUser: {
      if (!srv.HasSystemPrivilege(user, "CREATE USER")) return denied("CREATE USER");
      if (!srv.CreateUser(rw_->args[0], rw_->args[1], false, err)) return false;
      Error ignored;
      s.Attach({rw_->args[0]}, ignored);
      return true;
    }
    case StatementKind::AlterUser:
      if (!srv.UserExists(rw_->args[0])) return err.SetText(1918, "user '" + rw_->args[0] + "' does not exist");
      if (rw_->args.size() > 1) {
        if (!(dba || rw_->args[0] == user)) return denied("ALTER USER");
        return srv.SetPassword(rw_->args[0], rw_->args[1], err);
      }
      if (!srv.HasSystemPrivilege(user, "ALTER USER")) return denied("ALTER USER");
      return true;
    case StatementKind::DropUser: {
      const std::string& victim = rw_->args[0];
      if (!srv.HasSystemPrivilege(user, "DROP USER")) return denied("DROP USER");
      if (!srv.UserExists(victim)) return err.SetText(1918, "user '" + victim + "' does not exist");
      for (const auto& sess : srv.Sessions())
        if (sess.user == victim && sess.audsid != s.id_) return err.SetText(1940, "cannot drop a user that is currently connected");
      if (victim == user) return err.SetText(1940, "cannot drop a user that is currently connected");
      if (!rw_->cascade) {
        for (const auto& o : srv.Objects())
          if (o.owner == victim) return err.SetText(1922, "CASCADE must be specified to drop '" + victim + "'");
      }
      if (s.attached_.count(victim)) {
        s.kept_->Clear();
        Error ignored;
        s.Exec("DETACH DATABASE " + MainAlias(victim), ignored);
        s.Exec("DETACH DATABASE " + AuxAlias(victim), ignored);
        s.attached_.erase(victim);
        s.lastUse_.erase(victim);
      }
      return srv.DropUser(victim, err);
    }
    case StatementKind::CreateRole:
      if (!srv.HasSystemPrivilege(user, "CREATE ROLE")) return denied("CREATE ROLE");
      return srv.CreateRole(rw_->args[0], user, err);
    case StatementKind::DropRole:
      if (!srv.RoleExists(rw_->args[0])) return err.SetText(1919, "role '" + rw_->args[0] + "' does not exist");
      if (!dba && !srv.HoldsRole(user, rw_->args[0])) return denied("DROP ROLE");
      return srv.DropRole(rw_->args[0], err);
    case StatementKind::Grant: {
      for (const auto& g : rw_->grantees)
        if (g != "PUBLIC" && !srv.UserExists(g) && !srv.RoleExists(g)) return err.SetText(1917, "user or role '" + g + "' does not exist");
      if (!rw_->name.empty()) {
        ObjectRow target;
        if (!srv.FindObjectAnyType(rw_->owner, rw_->name, target)) return err.Set(942, rw_->owner + "." + rw_->name + Quoted(sql_));
        if (!owns(rw_->owner)) return denied("GRANT on " + rw_->owner + "." + rw_->name);
        for (const auto& g : rw_->grantees)
          for (const auto& p : rw_->privileges)
            if (!srv.GrantObject(g, rw_->owner, rw_->name, p, err)) return false;
        return true;
      }
      for (const auto& p : rw_->privileges) {
        bool role = srv.RoleExists(p);
        // A role may be granted by a user who holds it (its creator); anything else needs a DBA.
        if (!dba && !(role && srv.HoldsRole(user, p))) return denied("GRANT " + p);
        for (const auto& g : rw_->grantees) {
          bool ok = role ? srv.GrantRole(g, p, err) : srv.GrantSystem(g, p, err);
          if (!ok) return false;
        }
      }
      return true;
    }
    default:
      return err.Set(900, sql_);
  }
}

bool Statement::RunIntercepted(const std::vector<Param>& params, Outcome& out, Error& err) {
  Session& s = session_;
  switch (rw_->kind) {
    case StatementKind::AlterSession:
      return true;
    case StatementKind::Savepoint:
      return s.SetSavepoint(rw_->args[0], err);
    case StatementKind::RollbackTo:
      return s.RollbackToSavepoint(rw_->args[0], err);
    case StatementKind::Commit:
      return s.Commit(err);
    case StatementKind::Rollback:
      return s.Rollback(err);
    case StatementKind::CallAcquireLock:
      return AcquireLock(params, out, err);
    case StatementKind::CallSiteProcedure:
      return SiteProcedure(params, out, err);
    default:
      return err.Set(900, sql_);
  }
}

}  // namespace sqlengine

// ---- procedures ---------------------------------------------------------------------------------------

namespace sqlengine {

namespace {

bool ToInteger(const Value& v, int64_t& out) {
  switch (v.type) {
    case Value::Type::Integer: out = v.integer; return true;
    case Value::Type::Real: out = static_cast<int64_t>(v.real < 0 ? v.real - 0.5 : v.real + 0.5); return true;
    case Value::Type::Text: {
      char* end = nullptr;
      out = std::strtoll(v.bytes.c_str(), &end, 10);
      return end && *end == '\0' && !v.bytes.empty();
    }
    default: return false;
  }
}

// The parameter behind a procedure argument written as a marker (positions of a PL/SQL block count
// each name once, in order of first appearance).
const Param* MarkerParam(const Rewritten& rw, const std::string& arg, const std::vector<Param>& params) {
  std::vector<std::string> seen;
  for (const auto& a : rw.args) {
    if (a.empty() || a[0] != ':') continue;
    if (std::find(seen.begin(), seen.end(), a) == seen.end()) seen.push_back(a);
  }
  auto it = std::find(seen.begin(), seen.end(), arg);
  size_t pos = static_cast<size_t>(it - seen.begin());
  return it != seen.end() && pos < params.size() ? &params[pos] : nullptr;
}

}  // namespace

bool Statement::AcquireLock(const std::vector<Param>& params, Outcome& out, Error& err) {
  Session& s = session_;
  Server& srv = *s.server_;
  const std::string& owner = rw_->owner;
  const std::string qualified = owner + ".ACQUIRE_LOCK";
  ObjectRow proc;
  bool visible = srv.FindObject(owner, "ACQUIRE_LOCK", "PROCEDURE", proc) &&
                 (owner == s.user_ || srv.IsDba(s.user_) || srv.ObjectPrivilege(s.user_, owner, "ACQUIRE_LOCK", "EXECUTE") == 2);
  if (!visible) return err.SetText(6550, "line 1, column 7:\nPLS-00201: identifier '" + qualified + "' must be declared");
  if (proc.status != "VALID") return err.SetText(6550, "line 1, column 7:\nPLS-00905: object " + qualified + " is invalid");
  auto wrongArgs = [&]() { return err.SetText(6550, "line 1, column 7:\nPLS-00306: wrong number or types of arguments in call to 'ACQUIRE_LOCK'"); };
  if (rw_->args.size() != 4) return wrongArgs();
  Value scalars[2];
  const Param* lists[2] = {nullptr, nullptr};
  for (size_t i = 0; i < 4; ++i) {
    const std::string& a = rw_->args[i];
    const Param* p = nullptr;
    if (!a.empty() && a[0] == ':') {
      p = MarkerParam(*rw_, a, params);
      if (!p) return err.Set(1008, sql_);
    }
    if (i < 2) {
      if (p && p->isArray) return wrongArgs();
      scalars[i] = p ? p->value : Value::Integer(std::strtoll(a.c_str(), nullptr, 10));
    } else {
      if (!p || !p->isArray) return wrongArgs();
      lists[i - 2] = p;
    }
  }
  int64_t clientId = 0, entries = 0;
  bool clientKnown = ToInteger(scalars[0], clientId);
  if (!ToInteger(scalars[1], entries)) entries = 0;

  const std::string locks = AuxAlias(owner) + ".LOCKS";
  auto others = [&]() {
    Error ignored;
    if (s.InTransaction()) s.Exec("ROLLBACK", ignored);
    return err.SetText(20333, "Error in procedure ACQUIRE_LOCK");
  };
  Error inner;
  if (!s.BeginWrite(inner)) return others();
  // LOCK TABLE ... IN EXCLUSIVE MODE: the write lock of the lock file is taken at once.
  if (!s.Exec("DELETE FROM " + locks + " WHERE 0 = 1", inner)) return others();
  bool conflict = false;
  for (int64_t i = 0; i < entries; ++i) {
    size_t k = static_cast<size_t>(i);
    if (k >= lists[0]->elements.size() || k >= lists[1]->elements.size() || !clientKnown) return others();
    const Value& oid = lists[0]->elements[k];
    const Value& requested = lists[1]->elements[k];
    int64_t mode = 0, weakest = 0;
    if (ToInteger(requested, mode)) weakest = mode == 1142 ? 8196 : mode == 2100 ? 4116 : mode == 4116 ? 2100 : 0;
    Query count(s.db_, "SELECT COUNT(*) FROM " + locks + " WHERE OID = ? AND CLIENTID != ? AND ? <= LOCKMODE");
    if (!count.Prepared()) return others();
    BindValue(count.Handle(), 1, oid);
    sqlite3_bind_int64(count.Handle(), 2, clientId);
    sqlite3_bind_int64(count.Handle(), 3, weakest);
    if (!count.Step()) return others();
    if (count.Int(0) > 0) {
      conflict = true;
      break;
    }
    Query insert(s.db_, "INSERT INTO " + locks + " (OID, LOCKMODE, CLIENTID) VALUES (?, ?, ?)");
    if (!insert.Prepared()) return others();
    BindValue(insert.Handle(), 1, oid);
    BindValue(insert.Handle(), 2, requested);
    sqlite3_bind_int64(insert.Handle(), 3, clientId);
    if (!insert.Run()) return others();
  }
  if (conflict) {
    Error ignored;
    s.Exec("ROLLBACK", ignored);
    return err.SetText(20099, "Object already locked");
  }
  if (!s.Exec("COMMIT", inner)) return others();
  out.affected = 1;
  return true;
}

bool Statement::SiteProcedure(const std::vector<Param>& params, Outcome& out, Error& err) {
  Server& srv = *session_.server_;
  if (!srv.HasSiteProcedure() || rw_->args.size() != 2)
    return err.SetText(6550, "line 1, column 7:\nPLS-00201: identifier 'ROG_CREATE_BASE' must be declared");
  std::string name = rw_->args[0];
  if (name.size() >= 2 && name.front() == '\'') {
    name = name.substr(1, name.size() - 2);
    for (size_t p = name.find("''"); p != std::string::npos; p = name.find("''", p + 1)) name.erase(p, 1);
  }
  std::string password;
  if (!rw_->args[1].empty() && rw_->args[1][0] == ':') {
    const Param* p = MarkerParam(*rw_, rw_->args[1], params);
    if (!p) return err.Set(1008, sql_);
    password = p->value.bytes;
  } else {
    password = rw_->args[1];
  }
  if (!srv.CallSiteProcedure(name, password, err)) return false;
  out.affected = 1;
  return true;
}

}  // namespace sqlengine
