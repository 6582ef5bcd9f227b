// The kernel's transaction library (umbrella header).
#pragma once

#include "TransactionManager.h"
#include "KxTransaction.h"
