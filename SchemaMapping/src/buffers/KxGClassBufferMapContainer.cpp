// The class buffer map's blob container: members of storage kinds 3 and 4 streamed into it.
#include "KxGClassBufferMap.h"

#include "KxGClassMap.h"
#include "KxGReadUnitOfWork.h"
#include "KxGSQLBuffer.h"
#include "KxGStatusCodes.h"

int32_t KxGClassBufferMap::StreamContainer(KxObjectAlias&, KxGRowContext&, uint32_t, KxGMemberMap&, KxGContext*)
{
    return 0;
}

int32_t KxGClassBufferMap::FillContainer(KxObjectAlias&, uint32_t, KxGRowContext&, KxGRequest&, KxGContext*)
{
    return 0;
}

int32_t KxGClassBufferMap::LoadContainer(KxGRowContext&, KxObjectAlias&, KxGContext*) { return 0; }

int32_t KxGClassBufferMap::RereadContainer(KxGDatabase*, KxObjectAlias&, KxGSQLObjectBuffer&, KxGContext&)
{
    return 0;
}
