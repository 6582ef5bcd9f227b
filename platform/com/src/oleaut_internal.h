// Internal: what the OLE Automation files share.
#pragma once
#include "oleauto.h"

namespace comrt {

size_t ScalarSize(VARTYPE vt);       // bytes of a scalar element or VARIANT value; 0 for others
bool ElementTypeOk(VARTYPE vt);      // a SAFEARRAY element type this run time knows
bool VariantTypeOk(VARTYPE vt);      // a VARIANT type this run time knows
SAFEARRAY* SafeArrayCopyOf(SAFEARRAY* psa);
uint64_t SafeArrayCount(const SAFEARRAY* psa);  // elements over all dimensions

}  // namespace comrt
