// The RPC run time's calls that live in the Win32 stand-in.
#pragma once

#include "rpcdce.h"
