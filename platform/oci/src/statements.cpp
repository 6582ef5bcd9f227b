// Statements: prepare, bind, define, execute, fetch and column parameters.
#include <algorithm>
#include <atomic>

#include "ocihandles.h"

using namespace ocistandin;
using sqlengine::Error;
using sqlengine::Outcome;
using sqlengine::Param;
using sqlengine::StatementKind;

namespace {

std::atomic<OCIStandInExecuteObserver> g_observer{nullptr};
std::atomic<void*> g_observerContext{nullptr};

std::string Upper(std::string s) {
  for (auto& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

void ResetExecution(OCIStmt* st) {
  st->params.clear();
  st->paramsOfPlan = false;
  st->described = false;
  st->executed = false;
  st->isQuery = false;
  if (st->plan) st->plan->Close();
  st->rowCount = 0;
}

void MakeParams(OCIStmt* st, const std::vector<sqlengine::ColumnInfo>& cols) {
  st->params.clear();
  for (const auto& c : cols) {
    auto p = std::make_unique<OCIParam>();
    p->column = c;
    st->params.push_back(std::move(p));
  }
}

sword FetchRows(OCIStmt* st, OCIError* errhp, ub4 nrows) {
  if (!st->executed) return FailCode(errhp, 24338);
  if (!st->isQuery || !st->plan) return FailCode(errhp, 1002, "the statement is not a query");
  const auto& cols = st->plan->Columns();
  for (const auto& d : st->defines)
    if (d->position > cols.size()) return FailCode(errhp, 1007, "position " + std::to_string(d->position));
  bool truncated = false;
  bool converts = st->session && st->session->GetServer().ClientConverts();
  size_t n = 0;
  Error err;
  // The values go from the engine's row straight into the define buffers; a value of the general
  // path is made into an engine value first.
  sqlengine::Value& general = st->fetched;
  for (; n < nrows; ++n) {
    if (!st->plan->NextCells(err)) {
      if (!err.Has()) break;
      st->rowCount += static_cast<ub4>(n);
      return Fail(errhp, err);
    }
    for (const auto& d : st->defines) {
      const sqlengine::Cell cell = st->plan->Cells(d->position - 1);
      if (ConvertOutFast(d.get(), n, cell, converts)) continue;
      general.type = cell.type;
      general.integer = cell.integer;
      general.real = cell.real;
      if (cell.data) general.bytes.assign(cell.data, cell.size);
      else general.bytes.clear();
      bool t = false;
      if (!ConvertOut(d.get(), n, general, cols[d->position - 1], st->plan->RowId(), st->session, converts, t, err)) {
        st->rowCount += static_cast<ub4>(n);
        return Fail(errhp, err);
      }
      truncated |= t;
    }
  }
  st->rowCount += static_cast<ub4>(n);
  if (truncated) {
    FailCode(errhp, 1406);
    return OCI_SUCCESS_WITH_INFO;
  }
  return n < nrows ? OCI_NO_DATA : OCI_SUCCESS;
}

// The bind of a statement that `matches` picks, emptied; a new one when there is none.
template <typename Match>
OCIBind* ResetBind(OCIStmt* stmtp, Match matches) {
  OCIBind* b = nullptr;
  for (auto& existing : stmtp->binds)
    if (matches(*existing)) b = existing.get();
  if (!b) {
    stmtp->binds.push_back(std::make_unique<OCIBind>());
    b = stmtp->binds.back().get();
  }
  *b = OCIBind();
  return b;
}

void SetBindBuffers(OCIBind& b, dvoid* valuep, sb4 value_sz, ub2 dty, dvoid* indp, ub2* alenp, ub2* rcodep,
                    ub4 maxarr_len, ub4* curelep) {
  b.valuep = valuep;
  b.valueSize = value_sz;
  b.dty = dty;
  b.indp = indp;
  b.alenp = alenp;
  b.rcodep = rcodep;
  b.maxElements = maxarr_len;
  b.currentElements = curelep;
}

}  // namespace

void ocistandin::EnsureParams(OCIStmt* st) {
  if (!st->paramsOfPlan) return;
  st->paramsOfPlan = false;
  if (st->plan) MakeParams(st, st->plan->Columns());
}

extern "C" {

sword OCIStmtPrepare(OCIStmt* stmtp, OCIError* errhp, const OraText* stmt, ub4 stmt_len, ub4, ub4) {
  if (!Check<OCIStmt>(stmtp, OCI_HTYPE_STMT)) return OCI_INVALID_HANDLE;
  std::string text = stmt ? std::string(reinterpret_cast<const char*>(stmt), stmt_len) : std::string();
  if (Injected(errhp, "OCIStmtPrepare", text)) return OCI_ERROR;
  stmtp->text = text;
  stmtp->type = static_cast<ub2>(sqlengine::StatementTypeOf(text));
  stmtp->names = sqlengine::PlaceholderNames(text);
  stmtp->prepared = true;
  stmtp->binds.clear();
  stmtp->defines.clear();
  ResetExecution(stmtp);
  stmtp->plan.reset();
  stmtp->session.reset();
  return OCI_SUCCESS;
}

sword OCIBindByPos(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp, ub4 position, dvoid* valuep, sb4 value_sz,
                   ub2 dty, dvoid* indp, ub2* alenp, ub2* rcodep, ub4 maxarr_len, ub4* curelep, ub4) {
  if (!Check<OCIStmt>(stmtp, OCI_HTYPE_STMT) || !bindp) return OCI_INVALID_HANDLE;
  if (Injected(errhp, "OCIBindByPos", stmtp->text)) return OCI_ERROR;
  if (!stmtp->prepared) return FailCode(errhp, 24337);
  if (position == 0) return FailCode(errhp, 1036, "position 0");
  OCIBind* b = ResetBind(stmtp, [position](const OCIBind& x) { return x.position == position; });
  b->position = position;
  SetBindBuffers(*b, valuep, value_sz, dty, indp, alenp, rcodep, maxarr_len, curelep);
  *bindp = b;
  return OCI_SUCCESS;
}

sword OCIBindByName(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp, const OraText* placeholder, sb4 placeh_len,
                    dvoid* valuep, sb4 value_sz, ub2 dty, dvoid* indp, ub2* alenp, ub2* rcodep, ub4 maxarr_len,
                    ub4* curelep, ub4) {
  if (!Check<OCIStmt>(stmtp, OCI_HTYPE_STMT) || !bindp) return OCI_INVALID_HANDLE;
  if (Injected(errhp, "OCIBindByName", stmtp->text)) return OCI_ERROR;
  if (!stmtp->prepared) return FailCode(errhp, 24337);
  std::string name = placeholder && placeh_len > 0 ? std::string(reinterpret_cast<const char*>(placeholder), static_cast<size_t>(placeh_len)) : std::string();
  if (!name.empty() && name[0] == ':') name.erase(0, 1);
  name = Upper(name);
  const auto& names = stmtp->names;
  if (std::find(names.begin(), names.end(), name) == names.end()) return FailCode(errhp, 1036, ":" + name);
  OCIBind* b = ResetBind(stmtp, [&name](const OCIBind& x) { return x.position == 0 && x.name == name; });
  b->name = name;
  SetBindBuffers(*b, valuep, value_sz, dty, indp, alenp, rcodep, maxarr_len, curelep);
  *bindp = b;
  return OCI_SUCCESS;
}

sword OCIBindArrayOfStruct(OCIBind* bindp, OCIError* errhp, ub4 pvskip, ub4 indskip, ub4 alskip, ub4 rcskip) {
  if (!Check<OCIBind>(bindp, OCI_HTYPE_BIND)) return OCI_INVALID_HANDLE;
  if (Injected(errhp, "OCIBindArrayOfStruct")) return OCI_ERROR;
  bindp->valueSkip = pvskip;
  bindp->indSkip = indskip;
  bindp->lenSkip = alskip;
  bindp->codeSkip = rcskip;
  return OCI_SUCCESS;
}

sword OCIDefineByPos(OCIStmt* stmtp, OCIDefine** defnp, OCIError* errhp, ub4 position, dvoid* valuep, sb4 value_sz,
                     ub2 dty, dvoid* indp, ub2* rlenp, ub2* rcodep, ub4) {
  if (!Check<OCIStmt>(stmtp, OCI_HTYPE_STMT) || !defnp) return OCI_INVALID_HANDLE;
  if (Injected(errhp, "OCIDefineByPos", stmtp->text)) return OCI_ERROR;
  if (!stmtp->prepared) return FailCode(errhp, 24337);
  if (position == 0) return FailCode(errhp, 1007, "position 0");
  OCIDefine* d = nullptr;
  for (auto& existing : stmtp->defines)
    if (existing->position == position) d = existing.get();
  if (!d) {
    stmtp->defines.push_back(std::make_unique<OCIDefine>());
    d = stmtp->defines.back().get();
  }
  *d = OCIDefine();
  d->position = position;
  d->valuep = valuep;
  d->valueSize = value_sz;
  d->dty = dty;
  d->indp = indp;
  d->rlenp = rlenp;
  d->rcodep = rcodep;
  *defnp = d;
  return OCI_SUCCESS;
}

sword OCIStmtExecute(OCISvcCtx* svchp, OCIStmt* stmtp, OCIError* errhp, ub4 iters, ub4 rowoff, const OCISnapshot*,
                     OCISnapshot*, ub4 mode) {
  if (!Check<OCISvcCtx>(svchp, OCI_HTYPE_SVCCTX) || !Check<OCIStmt>(stmtp, OCI_HTYPE_STMT)) return OCI_INVALID_HANDLE;
  if (OCIStandInExecuteObserver observer = g_observer.load(std::memory_order_acquire)) {
    observer(stmtp->text.c_str(), g_observerContext.load(std::memory_order_acquire));
  }
  if (Injected(errhp, "OCIStmtExecute", stmtp->text)) return OCI_ERROR;
  if (!stmtp->prepared) return FailCode(errhp, 24337);
  if (!svchp->session || !svchp->session->session || !svchp->session->session->IsOpen()) return FailCode(errhp, 3114);
  std::shared_ptr<sqlengine::Session> session = svchp->session->session;
  ResetExecution(stmtp);

  // Binds by position and by name, resolved to the statement's bind positions.
  const std::vector<std::string>& names = stmtp->names;
  bool plsql = stmtp->type == OCI_STMT_BEGIN || stmtp->type == OCI_STMT_DECLARE;
  std::vector<OCIBind*> byPosition(names.size(), nullptr);
  for (auto& b : stmtp->binds) {
    if (b->position) {
      if (b->position > names.size()) return FailCode(errhp, 1036, "position " + std::to_string(b->position));
      byPosition[b->position - 1] = b.get();
      continue;
    }
    for (size_t k = 0; k < names.size(); ++k) {
      if (names[k] != b->name) continue;
      byPosition[k] = b.get();
      if (plsql) break;
    }
  }
  bool converts = session->GetServer().ClientConverts();
  auto rowParams = [&](size_t row, std::vector<Param>& params, Error& err) -> bool {
    if (params.size() != names.size()) params.resize(names.size());
    for (size_t k = 0; k < names.size(); ++k) {
      OCIBind* b = byPosition[k];
      if (!b) return err.Set(1008, ":" + names[k]);
      if (params[k].isArray) {
        params[k].isArray = false;
        params[k].elements.clear();
      }
      if (b->maxElements > 0) {
        params[k].isArray = true;
        size_t count = b->currentElements ? std::min(*b->currentElements, b->maxElements) : b->maxElements;
        params[k].elements.resize(count);
        for (size_t e = 0; e < count; ++e)
          if (!ConvertIn(b, e, *session, converts, params[k].elements[e], err)) return false;
      } else if (!ConvertInFast(b, row, converts, params[k].value) &&
                 !ConvertIn(b, row, *session, converts, params[k].value, err)) {
        return false;
      }
    }
    return true;
  };

  Error err;
  if (!stmtp->plan || stmtp->session != session) {
    stmtp->plan.reset();
    stmtp->plan = session->Prepare(stmtp->text, err);
    if (!stmtp->plan) return Fail(errhp, err);
  }
  stmtp->session = session;
  sqlengine::Statement* plan = stmtp->plan.get();

  if (mode & OCI_DESCRIBE_ONLY) {
    std::vector<sqlengine::ColumnInfo> cols;
    if (!plan->Describe(cols, err)) return Fail(errhp, err);
    MakeParams(stmtp, cols);
    stmtp->described = true;
    return OCI_SUCCESS;
  }

  if (plan->IsQuery()) {
    if (!rowParams(rowoff, stmtp->binds1, err) || !plan->Open(stmtp->binds1, err)) return Fail(errhp, err);
    stmtp->isQuery = true;
    stmtp->executed = true;
    stmtp->paramsOfPlan = true;
    sword status = OCI_SUCCESS;
    if (iters > 0) {
      status = FetchRows(stmtp, errhp, iters);
      if (status == OCI_ERROR) return status;
    }
    if ((mode & OCI_COMMIT_ON_SUCCESS) && !session->Commit(err)) return Fail(errhp, err);
    return status;
  }

  if (iters == 0) return FailCode(errhp, 24333);
  StatementKind kind = plan->Kind();
  ub4 total = 0;
  Error warning;
  if (!plsql && (kind == StatementKind::Insert || kind == StatementKind::Update || kind == StatementKind::Delete)) {
    // One prepared statement for every row of the bind arrays.
    int64_t done = 0, affected = 0;
    bool ok;
    bool tables = std::any_of(byPosition.begin(), byPosition.end(), [](const OCIBind* b) { return b && b->maxElements > 0; });
    if (tables) {
      ok = plan->RunRows(
          iters, [&](size_t r, std::vector<Param>& params, Error& e) { return rowParams(rowoff + r, params, e); }, done,
          affected, err);
    } else {
      // Each row is bound straight from the bind buffers; a value of the general path is made into
      // an engine value first, kept in binds1 until the row has run.
      std::vector<Param>& general = stmtp->binds1;
      if (general.size() < names.size()) general.resize(names.size());
      ok = plan->RunRows(
          iters, names.size(),
          [&](size_t r, sqlengine::RowBinds& binds, Error& e) {
            for (size_t k = 0; k < names.size(); ++k) {
              OCIBind* b = byPosition[k];
              if (!b) return e.Set(1008, ":" + names[k]);
              if (BindFast(b, rowoff + r, converts, binds, k)) continue;
              sqlengine::Value& v = general[k].value;
              if (!ConvertIn(b, rowoff + r, *session, converts, v, e)) return false;
              binds.Set(k, v);
            }
            return true;
          },
          done, affected, err);
    }
    total = static_cast<ub4>(affected);
    if (!ok) {
      stmtp->rowCount = total;
      return Fail(errhp, err);
    }
  } else {
    size_t rows = plsql ? iters : 1;
    for (size_t r = 0; r < rows; ++r) {
      Outcome out;
      if (!rowParams(rowoff + r, stmtp->binds1, err) || !plan->Run(stmtp->binds1, out, err)) {
        stmtp->rowCount = total;
        return Fail(errhp, err);
      }
      total += static_cast<ub4>(out.affected);
      if (out.warning.Has()) warning = out.warning;
    }
  }
  stmtp->rowCount = total;
  stmtp->executed = true;
  if ((mode & OCI_COMMIT_ON_SUCCESS) && !session->Commit(err)) return Fail(errhp, err);
  if (warning.Has()) {
    Fail(errhp, warning);
    return OCI_SUCCESS_WITH_INFO;
  }
  return OCI_SUCCESS;
}

void OCIStandInObserveExecutions(OCIStandInExecuteObserver observer, void* context) {
  g_observerContext.store(context, std::memory_order_release);
  g_observer.store(observer, std::memory_order_release);
}

sword OCIStmtFetch(OCIStmt* stmtp, OCIError* errhp, ub4 nrows, ub2 orientation, ub4) {
  if (!Check<OCIStmt>(stmtp, OCI_HTYPE_STMT)) return OCI_INVALID_HANDLE;
  if (Injected(errhp, "OCIStmtFetch", stmtp->text)) return OCI_ERROR;
  if (orientation != OCI_DEFAULT && orientation != OCI_FETCH_NEXT) return FailCode(errhp, 24391, "only forward fetches are supported");
  return FetchRows(stmtp, errhp, nrows);
}

sword OCIParamGet(const dvoid* hndlp, ub4 htype, OCIError* errhp, dvoid** parmdpp, ub4 pos) {
  OCIStmt* st = htype == OCI_HTYPE_STMT ? Check<OCIStmt>(hndlp, htype) : nullptr;
  if (!st || !parmdpp) return OCI_INVALID_HANDLE;
  if (Injected(errhp, "OCIParamGet", st->text)) return OCI_ERROR;
  if (!st->executed && !st->described) return FailCode(errhp, 24338);
  EnsureParams(st);
  if (pos == 0 || pos > st->params.size()) {
    if (pos == 1) return OCI_NO_DATA;
    return FailCode(errhp, 24334, "position " + std::to_string(pos));
  }
  *parmdpp = st->params[pos - 1].get();
  return OCI_SUCCESS;
}

}  // extern "C"
