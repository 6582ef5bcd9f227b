// COM's GUID creation (the COM stand-in takes it from here).
#pragma once

#include "guiddef.h"
#include "winerror.h"

extern "C" {

// A new random (version 4) GUID: S_OK, or E_INVALIDARG for null.
HRESULT CoCreateGuid(GUID* pguid);

}  // extern "C"
