// The operation environment and its batch read.
#include "KxGOperationEnvironment.h"

#include "KxBase.h"
#include "KxGReadUnitOfWork.h"
#include "KxGStatusCodes.h"
#include "KxObjectAlias.h"
#include "KxRef.h"

namespace {

uint16_t Flags(uint16_t markModified, uint16_t orderByOid)
{
    return static_cast<uint16_t>((markModified != 0 ? KXG_ENV_MARK_MODIFIED : 0) |
                                 (orderByOid != 0 ? KXG_ENV_ORDER_BY_OID : 0));
}

}  // namespace

KxGOperationEnvironment::KxGOperationEnvironment(KxBase* base, KxGCatalog* catalog, KxGTypeHdlMgr* typeHdlMgr,
                                                 KxGDatabaseInfo* dialect, uint16_t markModified,
                                                 uint16_t orderByOid)
    : base_(base),
      catalog_(catalog),
      typeHdlMgr_(typeHdlMgr),
      dialect_(dialect),
      flags_(Flags(markModified, orderByOid)),
      threadMgr_(base != nullptr ? base->ThreadMgr() : nullptr)
{
}

KxGOperationEnvironment::~KxGOperationEnvironment() = default;

void KxGOperationEnvironment::UpdateAtOpen(KxGCatalog* catalog, uint16_t markModified, uint16_t orderByOid)
{
    catalog_ = catalog;
    flags_ = Flags(markModified, orderByOid);
}

int32_t KxGOperationEnvironment::Read(KxGReadUnitOfWork& unit, uint32_t count, KxObjectAlias** aliases,
                                      KxGRequestList& out)
{
    if (aliases == nullptr || count == 0 || aliases[0] == nullptr || aliases[0]->GetObject() == nullptr) {
        return KX_ALIAS_E_NULL;
    }
    for (uint32_t i = 0; i < count; ++i) {
        KxObjectAlias* alias = aliases[i];
        if (alias == nullptr) {
            continue;
        }
        KxRef ref;
        alias->GetRef(ref);
        const KxClassId& classId = ref.GetClassId();

        // The request this read already uses for the class.
        KxGRequest* request = nullptr;
        for (uint32_t r = 0; r < out.Count() && request == nullptr; ++r) {
            if (out.At(r)->Matches(classId, KXG_OP_READ)) {
                request = out.At(r);
            }
        }
        // An idle request of the unit (one that still holds aliases belongs to an enclosing read).
        if (request == nullptr) {
            KxGRequest* found = nullptr;
            if (unit.FindRequest(classId, KXG_OP_READ, found) != 0 && found != nullptr &&
                found->GetAliasCount() == 0) {
                request = found;
            }
        }
        int32_t status = 0;
        if (request == nullptr) {
            KxGClassMap* classMap = catalog_ != nullptr && lookup_ != nullptr ? lookup_(catalog_, classId) : nullptr;
            if (classMap == nullptr) {
                status = KXG_E_MAP_NO_CLASS;
            } else if ((request = unit.MakeRequest(classMap, classId, KXG_OP_READ)) == nullptr) {
                status = KXG_E_NO_MEMORY;
            } else if ((status = unit.AddRequest(request)) != 0) {
                delete request;
                request = nullptr;
            }
        }
        if (status == 0 && !out.Contains(request)) {
            status = out.Append(request);
        }
        if (status == 0) {
            status = request->AddAlias(alias);
        }
        if (status == 0) {
            aliases[i] = nullptr;   // the request's from now on
        } else if (i == 0) {
            return status;
        }
    }
    int32_t result = 0;
    for (uint32_t r = 0; r < out.Count(); ++r) {
        const int32_t status = out.At(r)->Execute();
        if (result == 0) {
            result = status;
        }
    }
    return result;
}
