// The class library: include this one header.
#pragma once

#include "svbasics.h"
#include "svwindows.h"
