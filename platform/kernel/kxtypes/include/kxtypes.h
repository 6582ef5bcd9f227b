// kxtypes: the kernel's value types and type manager (umbrella header).
#pragma once

#include "KxTypesStatus.h"
#include "KxString.h"
#include "KxIString.h"
#include "KxObjId.h"
#include "KxRef.h"
#include "KxDateTime.h"
#include "KxBlob.h"
#include "KxInt64.h"
#include "KxNull.h"
#include "KxDTypes.h"
#include "KxTypeMgr.h"
