// LOB locators: length, read, write and trim, on the row behind the locator.
#include <algorithm>

#include "ocihandles.h"

using namespace ocistandin;
using sqlengine::Error;

namespace {

bool LobValue(OCISvcCtx* svc, OCILobLocator* loc, std::string& data, Error& err) {
  if (!loc->initialized) return err.Set(22275);
  if (!loc->attached) {
    data = loc->data;
    return true;
  }
  if (!svc->session || !svc->session->session) return err.Set(3114);
  return svc->session->session->LobRead(loc->ref, data, err);
}

bool StoreLob(OCISvcCtx* svc, OCILobLocator* loc, const std::string& data, Error& err) {
  if (!loc->attached) {
    loc->data = data;
    return true;
  }
  if (!svc->session || !svc->session->session) return err.Set(3114);
  return svc->session->session->LobWrite(loc->ref, data, err);
}

bool Valid(OCISvcCtx* svc, OCILobLocator* loc) {
  return Check<OCISvcCtx>(svc, OCI_HTYPE_SVCCTX) && Check<OCILobLocator>(loc, OCI_DTYPE_LOB);
}

}  // namespace

extern "C" {

sword OCILobGetLength(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* lenp) {
  if (!Valid(svchp, locp) || !lenp) return OCI_INVALID_HANDLE;
  if (Injected(errhp, "OCILobGetLength")) return OCI_ERROR;
  std::string data;
  Error err;
  if (!LobValue(svchp, locp, data, err)) return Fail(errhp, err);
  *lenp = static_cast<ub4>(data.size());
  return OCI_SUCCESS;
}

sword OCILobRead(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* amtp, ub4 offset, dvoid* bufp, ub4 bufl,
                 dvoid* ctxp, OCICallbackLobRead cbfp, ub2, ub1) {
  if (!Valid(svchp, locp) || !amtp) return OCI_INVALID_HANDLE;
  if (Injected(errhp, "OCILobRead")) return OCI_ERROR;
  if (offset < 1 || (!bufp && bufl > 0)) return FailCode(errhp, 24801, "offset " + std::to_string(offset));
  std::string data;
  Error err;
  if (!LobValue(svchp, locp, data, err)) return Fail(errhp, err);
  if (offset > data.size()) {
    *amtp = 0;
    return OCI_NO_DATA;
  }
  size_t want = *amtp == 0 ? bufl : std::min(*amtp, bufl);
  size_t n = std::min<size_t>(want, data.size() - (offset - 1));
  if (n) std::memcpy(bufp, data.data() + offset - 1, n);
  *amtp = static_cast<ub4>(n);
  if (cbfp) cbfp(ctxp, bufp, static_cast<ub4>(n), OCI_ONE_PIECE);
  return OCI_SUCCESS;
}

sword OCILobWrite(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* amtp, ub4 offset, dvoid* bufp,
                  ub4 buflen, ub1 piece, dvoid*, OCICallbackLobWrite, ub2, ub1) {
  if (!Valid(svchp, locp) || !amtp) return OCI_INVALID_HANDLE;
  if (Injected(errhp, "OCILobWrite")) return OCI_ERROR;
  if (offset < 1 || piece != OCI_ONE_PIECE || (!bufp && buflen > 0))
    return FailCode(errhp, 24801, "only one-piece writes from offset 1 on are supported");
  std::string data;
  Error err;
  if (!LobValue(svchp, locp, data, err)) return Fail(errhp, err);
  size_t n = *amtp == 0 ? buflen : std::min(*amtp, buflen);
  size_t at = offset - 1;
  if (data.size() < at) data.resize(at, '\0');
  if (data.size() < at + n) data.resize(at + n);
  if (n) std::memcpy(&data[at], bufp, n);
  if (!StoreLob(svchp, locp, data, err)) return Fail(errhp, err);
  *amtp = static_cast<ub4>(n);
  return OCI_SUCCESS;
}

sword OCILobTrim(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4 newlen) {
  if (!Valid(svchp, locp)) return OCI_INVALID_HANDLE;
  if (Injected(errhp, "OCILobTrim")) return OCI_ERROR;
  std::string data;
  Error err;
  if (!LobValue(svchp, locp, data, err)) return Fail(errhp, err);
  if (newlen > data.size()) return FailCode(errhp, 22926);
  data.resize(newlen);
  if (!StoreLob(svchp, locp, data, err)) return Fail(errhp, err);
  return OCI_SUCCESS;
}

}  // extern "C"
