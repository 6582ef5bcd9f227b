// The kernel library (umbrella header): root and start-up, bases, configuration, parameters,
// modules, transactions, bucket manager, object space, and the interfaces storage modules derive.
#pragma once

#include "KxKernelStatus.h"
#include "KxSpecs.h"
#include "KxConfig.h"
#include "KxParameter.h"
#include "KxModule.h"
#include "KxBase.h"
#include "KxRoot.h"
#include "KxTransaction.h"
#include "KxMgr.h"
#include "KxObjectSpace.h"
#include "KxMetaType.h"
#include "KxClassDict.h"
#include "KxObject.h"
#include "KxObjectWalker.h"
#include "KxConnection.h"
#include "KxAdmin.h"
#include "KxBucket.h"
#include "KxShell.h"
#include "KxExcept.h"
#include "KxClient.h"
