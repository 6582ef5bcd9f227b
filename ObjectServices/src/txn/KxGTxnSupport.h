// What the transaction classes share inside the gateway.
#pragma once

#include <cstdint>

#include "../KxGModuleTrace.h"

class KxClassId;
class KxGClassMap;
class KxGTransactionContext;

// The class map of a class from the catalog of the context's operation environment: 0 and the map;
// -6086 when the catalog has none. Without an environment or a catalog look-up: 0 and null (the
// request decides what it can do without one).
int32_t KxGFindClassMap(KxGTransactionContext* context, const KxClassId& classId, KxGClassMap*& classMap);
