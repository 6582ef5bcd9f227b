// The class library: include this one header.
#pragma once

#include "svbasics.h"
#include "svcontrols.h"
#include "svwindows.h"
