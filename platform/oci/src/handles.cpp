// Environment, handles, attributes, errors, servers, sessions and transactions.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ocihandles.h"

using namespace ocistandin;
using sqlengine::Engine;
using sqlengine::Error;

namespace {

// The client's name resolution (what tnsnames.ora is to the real client): a server that the process
// has not registered is looked up in the environment variable ROG_ENGINE_SERVERS, a list of
// name=directory entries separated by ';' ("LOCAL" names the default server, names compare without
// regard to ASCII case). A found entry registers the server for the rest of the process.
// A server whose directory cannot be opened answers the server's error in `err`.
std::shared_ptr<sqlengine::Server> ResolveServer(const std::string& name, Error& err) {
  const char* list = std::getenv("ROG_ENGINE_SERVERS");
  if (list == nullptr) return nullptr;
  auto upper = [](std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text.empty() ? std::string("LOCAL") : text;
  };
  const std::string wanted = upper(name);
  std::string entries(list);
  size_t start = 0;
  while (start <= entries.size()) {
    size_t end = entries.find(';', start);
    if (end == std::string::npos) end = entries.size();
    const std::string entry = entries.substr(start, end - start);
    const size_t eq = entry.find('=');
    if (eq != std::string::npos && eq + 1 < entry.size() && upper(entry.substr(0, eq)) == wanted)
      return Engine::Instance().RegisterServer(name, entry.substr(eq + 1), &err);
    start = end + 1;
  }
  return nullptr;
}

}  // namespace

extern "C" {

sword OCIEnvCreate(OCIEnv** envp, ub4 mode, dvoid*, dvoid* (*)(dvoid*, size_t), dvoid* (*)(dvoid*, dvoid*, size_t),
                   void (*)(dvoid*, dvoid*), size_t, dvoid** usrmempp) {
  if (!envp) return OCI_INVALID_HANDLE;
  OCIEnv* env = new OCIEnv;
  env->mode = mode;
  *envp = env;
  if (usrmempp) *usrmempp = nullptr;
  return OCI_SUCCESS;
}

sword OCIHandleAlloc(const dvoid* parenth, dvoid** hndlpp, ub4 type, size_t, dvoid** usrmempp) {
  if (!Check<OCIEnv>(parenth, OCI_HTYPE_ENV) || !hndlpp) return OCI_INVALID_HANDLE;
  if (usrmempp) *usrmempp = nullptr;
  switch (type) {
    case OCI_HTYPE_ERROR: *hndlpp = new OCIError; return OCI_SUCCESS;
    case OCI_HTYPE_SVCCTX: *hndlpp = new OCISvcCtx; return OCI_SUCCESS;
    case OCI_HTYPE_STMT: *hndlpp = new OCIStmt; return OCI_SUCCESS;
    case OCI_HTYPE_SERVER: *hndlpp = new OCIServer; return OCI_SUCCESS;
    case OCI_HTYPE_SESSION: *hndlpp = new OCISession; return OCI_SUCCESS;
    default: return OCI_INVALID_HANDLE;
  }
}

sword OCIHandleFree(dvoid* hndlp, ub4 type) {
  switch (type) {
    case OCI_HTYPE_ENV:
      if (auto* h = Check<OCIEnv>(hndlp, type)) { h->hdr.magic = 0; delete h; return OCI_SUCCESS; }
      break;
    case OCI_HTYPE_ERROR:
      if (auto* h = Check<OCIError>(hndlp, type)) { h->hdr.magic = 0; delete h; return OCI_SUCCESS; }
      break;
    case OCI_HTYPE_SVCCTX:
      if (auto* h = Check<OCISvcCtx>(hndlp, type)) { h->hdr.magic = 0; delete h; return OCI_SUCCESS; }
      break;
    case OCI_HTYPE_STMT:
      if (auto* h = Check<OCIStmt>(hndlp, type)) { h->hdr.magic = 0; delete h; return OCI_SUCCESS; }
      break;
    case OCI_HTYPE_SERVER:
      if (auto* h = Check<OCIServer>(hndlp, type)) { h->hdr.magic = 0; delete h; return OCI_SUCCESS; }
      break;
    case OCI_HTYPE_SESSION:
      if (auto* h = Check<OCISession>(hndlp, type)) {
        if (h->session) h->session->End();
        h->hdr.magic = 0;
        delete h;
        return OCI_SUCCESS;
      }
      break;
    default:
      break;
  }
  return OCI_INVALID_HANDLE;
}

sword OCIDescriptorAlloc(const dvoid* parenth, dvoid** descpp, ub4 type, size_t, dvoid** usrmempp) {
  if (!Check<OCIEnv>(parenth, OCI_HTYPE_ENV) || !descpp || type != OCI_DTYPE_LOB) return OCI_INVALID_HANDLE;
  if (usrmempp) *usrmempp = nullptr;
  *descpp = new OCILobLocator;
  return OCI_SUCCESS;
}

sword OCIDescriptorFree(dvoid* descp, ub4 type) {
  if (type == OCI_DTYPE_LOB) {
    auto* loc = Check<OCILobLocator>(descp, type);
    if (!loc) return OCI_INVALID_HANDLE;
    loc->hdr.magic = 0;
    delete loc;
    return OCI_SUCCESS;
  }
  // Column parameters belong to their statement and go with it.
  if (type == OCI_DTYPE_PARAM) return Check<OCIParam>(descp, type) ? OCI_SUCCESS : OCI_INVALID_HANDLE;
  return OCI_INVALID_HANDLE;
}

sword OCIErrorGet(dvoid* hndlp, ub4 recordno, OraText* sqlstate, sb4* errcodep, OraText* bufp, ub4 bufsiz, ub4 type) {
  if (sqlstate) std::memcpy(sqlstate, "HY000", 6);
  if (type == OCI_HTYPE_ENV) return Check<OCIEnv>(hndlp, type) ? OCI_NO_DATA : OCI_INVALID_HANDLE;
  OCIError* e = Check<OCIError>(hndlp, OCI_HTYPE_ERROR);
  if (!e || type != OCI_HTYPE_ERROR) return OCI_INVALID_HANDLE;
  if (recordno != 1 || !e->error.Has()) return OCI_NO_DATA;
  if (errcodep) *errcodep = e->error.code;
  if (bufp && bufsiz > 0) {
    size_t n = std::min<size_t>(e->error.message.size(), bufsiz - 1);
    std::memcpy(bufp, e->error.message.data(), n);
    bufp[n] = 0;
  }
  return OCI_SUCCESS;
}

sword OCIServerAttach(OCIServer* srvhp, OCIError* errhp, const OraText* dblink, sb4 dblink_len, ub4) {
  if (!Check<OCIServer>(srvhp, OCI_HTYPE_SERVER)) return OCI_INVALID_HANDLE;
  std::string name = dblink && dblink_len > 0 ? std::string(reinterpret_cast<const char*>(dblink), static_cast<size_t>(dblink_len)) : std::string();
  if (Injected(errhp, "OCIServerAttach", name)) return OCI_ERROR;
  if (srvhp->server) return FailCode(errhp, 24309);
  srvhp->server = Engine::Instance().FindServer(name);
  Error unopened;
  if (!srvhp->server) srvhp->server = ResolveServer(name, unopened);
  // A server that exists but whose files cannot be opened is no unknown server.
  if (!srvhp->server && unopened.Has()) return Fail(errhp, unopened);
  if (!srvhp->server) return FailCode(errhp, 12154, name.empty() ? "default server" : name);
  return OCI_SUCCESS;
}

sword OCIServerDetach(OCIServer* srvhp, OCIError* errhp, ub4) {
  if (!Check<OCIServer>(srvhp, OCI_HTYPE_SERVER)) return OCI_INVALID_HANDLE;
  if (Injected(errhp, "OCIServerDetach")) return OCI_ERROR;
  if (!srvhp->server) return FailCode(errhp, 3114);
  srvhp->server.reset();
  return OCI_SUCCESS;
}

sword OCIAttrSet(dvoid* target, ub4 type, dvoid* attributep, ub4 size, ub4 attr, OCIError* errhp) {
  if (Injected(errhp, "OCIAttrSet")) return OCI_ERROR;
  if (type == OCI_HTYPE_SVCCTX) {
    auto* svc = Check<OCISvcCtx>(target, type);
    if (!svc) return OCI_INVALID_HANDLE;
    if (attr == OCI_ATTR_SERVER) {
      if (attributep && !Check<OCIServer>(attributep, OCI_HTYPE_SERVER)) return OCI_INVALID_HANDLE;
      svc->server = static_cast<OCIServer*>(attributep);
      return OCI_SUCCESS;
    }
    if (attr == OCI_ATTR_SESSION) {
      if (attributep && !Check<OCISession>(attributep, OCI_HTYPE_SESSION)) return OCI_INVALID_HANDLE;
      svc->session = static_cast<OCISession*>(attributep);
      return OCI_SUCCESS;
    }
  } else if (type == OCI_HTYPE_SESSION) {
    auto* ses = Check<OCISession>(target, type);
    if (!ses) return OCI_INVALID_HANDLE;
    std::string value = attributep ? std::string(static_cast<const char*>(attributep), size) : std::string();
    if (attr == OCI_ATTR_USERNAME) {
      ses->user = value;
      return OCI_SUCCESS;
    }
    if (attr == OCI_ATTR_PASSWORD) {
      ses->password = value;
      return OCI_SUCCESS;
    }
  } else if (type == OCI_DTYPE_LOB) {
    auto* loc = Check<OCILobLocator>(target, type);
    if (!loc) return OCI_INVALID_HANDLE;
    if (attr == OCI_ATTR_LOBEMPTY) {
      loc->initialized = true;
      loc->attached = false;
      loc->data.clear();
      return OCI_SUCCESS;
    }
  } else if (!Check<OCIStmt>(target, type) && !Check<OCIServer>(target, type) && !Check<OCIEnv>(target, type)) {
    return OCI_INVALID_HANDLE;
  }
  return FailCode(errhp, 24315, "attribute " + std::to_string(attr) + " of handle type " + std::to_string(type));
}

sword OCIAttrGet(const dvoid* target, ub4 type, dvoid* attributep, ub4* sizep, ub4 attr, OCIError* errhp) {
  if (Injected(errhp, "OCIAttrGet")) return OCI_ERROR;
  if (!attributep) return FailCode(errhp, 24315, "no attribute buffer");
  if (type == OCI_HTYPE_STMT) {
    auto* st = Check<OCIStmt>(target, type);
    if (!st) return OCI_INVALID_HANDLE;
    if (attr == OCI_ATTR_ROW_COUNT) {
      *static_cast<ub4*>(attributep) = st->rowCount;
      return OCI_SUCCESS;
    }
    if (attr == OCI_ATTR_STMT_TYPE) {
      if (!st->prepared) return FailCode(errhp, 24337);
      *static_cast<ub2*>(attributep) = st->type;
      return OCI_SUCCESS;
    }
    if (attr == OCI_ATTR_PARAM_COUNT) {
      EnsureParams(st);
      *static_cast<ub4*>(attributep) = static_cast<ub4>(st->params.size());
      return OCI_SUCCESS;
    }
  } else if (type == OCI_DTYPE_PARAM) {
    auto* p = Check<OCIParam>(target, type);
    if (!p) return OCI_INVALID_HANDLE;
    if (attr == OCI_ATTR_NAME) {
      *static_cast<OraText**>(attributep) = reinterpret_cast<OraText*>(const_cast<char*>(p->column.name.c_str()));
      if (sizep) *sizep = static_cast<ub4>(p->column.name.size());
      return OCI_SUCCESS;
    }
    if (attr == OCI_ATTR_DATA_TYPE) {
      *static_cast<ub2*>(attributep) = p->column.dataType;
      return OCI_SUCCESS;
    }
    if (attr == OCI_ATTR_DATA_SIZE) {
      *static_cast<ub2*>(attributep) = static_cast<ub2>(std::min<uint32_t>(p->column.dataSize, 0xFFFF));
      return OCI_SUCCESS;
    }
  } else if (type == OCI_HTYPE_SVCCTX) {
    auto* svc = Check<OCISvcCtx>(target, type);
    if (!svc) return OCI_INVALID_HANDLE;
    if (attr == OCI_ATTR_SERVER) {
      *static_cast<OCIServer**>(attributep) = svc->server;
      return OCI_SUCCESS;
    }
    if (attr == OCI_ATTR_SESSION) {
      *static_cast<OCISession**>(attributep) = svc->session;
      return OCI_SUCCESS;
    }
  } else if (type == OCI_HTYPE_SESSION) {
    auto* ses = Check<OCISession>(target, type);
    if (!ses) return OCI_INVALID_HANDLE;
    if (attr == OCI_ATTR_USERNAME) {
      *static_cast<OraText**>(attributep) = reinterpret_cast<OraText*>(const_cast<char*>(ses->user.c_str()));
      if (sizep) *sizep = static_cast<ub4>(ses->user.size());
      return OCI_SUCCESS;
    }
  } else {
    return OCI_INVALID_HANDLE;
  }
  return FailCode(errhp, 24315, "attribute " + std::to_string(attr) + " of handle type " + std::to_string(type));
}

sword OCISessionBegin(OCISvcCtx* svchp, OCIError* errhp, OCISession* usrhp, ub4 credt, ub4) {
  if (!Check<OCISvcCtx>(svchp, OCI_HTYPE_SVCCTX) || !Check<OCISession>(usrhp, OCI_HTYPE_SESSION)) return OCI_INVALID_HANDLE;
  if (Injected(errhp, "OCISessionBegin", usrhp->user)) return OCI_ERROR;
  if (!svchp->server || !svchp->server->server) return FailCode(errhp, 3114, "the service context has no attached server");
  if (usrhp->session) return FailCode(errhp, 24309, "the session has begun already");
  if (credt != OCI_CRED_RDBMS) return FailCode(errhp, 1017);
  Error err;
  usrhp->session = sqlengine::Session::Begin(svchp->server->server, usrhp->user, usrhp->password, err);
  if (!usrhp->session) return Fail(errhp, err);
  svchp->session = usrhp;
  return OCI_SUCCESS;
}

sword OCISessionEnd(OCISvcCtx* svchp, OCIError* errhp, OCISession* usrhp, ub4) {
  if (!Check<OCISvcCtx>(svchp, OCI_HTYPE_SVCCTX)) return OCI_INVALID_HANDLE;
  if (usrhp && !Check<OCISession>(usrhp, OCI_HTYPE_SESSION)) return OCI_INVALID_HANDLE;
  if (Injected(errhp, "OCISessionEnd")) return OCI_ERROR;
  OCISession* target = usrhp ? usrhp : svchp->session;
  if (!target || !target->session) return FailCode(errhp, 3114);
  target->session->End();
  target->session.reset();
  return OCI_SUCCESS;
}

sword OCITransCommit(OCISvcCtx* svchp, OCIError* errhp, ub4) {
  if (!Check<OCISvcCtx>(svchp, OCI_HTYPE_SVCCTX)) return OCI_INVALID_HANDLE;
  if (Injected(errhp, "OCITransCommit")) return OCI_ERROR;
  if (!svchp->session || !svchp->session->session) return FailCode(errhp, 3114);
  Error err;
  return svchp->session->session->Commit(err) ? OCI_SUCCESS : Fail(errhp, err);
}

sword OCITransRollback(OCISvcCtx* svchp, OCIError* errhp, ub4) {
  if (!Check<OCISvcCtx>(svchp, OCI_HTYPE_SVCCTX)) return OCI_INVALID_HANDLE;
  if (Injected(errhp, "OCITransRollback")) return OCI_ERROR;
  if (!svchp->session || !svchp->session->session) return FailCode(errhp, 3114);
  Error err;
  return svchp->session->session->Rollback(err) ? OCI_SUCCESS : Fail(errhp, err);
}

}  // extern "C"
