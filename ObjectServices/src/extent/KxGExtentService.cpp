// Extent services: the abstract base and its count.
#include "KxGExtentService.h"

#include "KxGStatusCodes.h"

KxGExtentService::KxGExtentService(KxGOperationEnvironment* environment, KxGDatabase* database,
                                   const KxClassId& classId, uint16_t indexNumber)
    : environment_(environment), database_(database), classId_(classId), context_(classId, indexNumber),
      indexNumber_(indexNumber)
{
}

KxGExtentService::~KxGExtentService() = default;

int32_t KxGExtentService::GetNum(int32_t& count)
{
    count = 0;
    return KXG_E_NOT_SUPPORTED;
}
