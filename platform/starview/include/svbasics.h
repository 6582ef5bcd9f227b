// Everything of the class library that needs no window: values, lists, texts, dates and
// international formats, colours and fonts, settings files and resources.
#pragma once

#include "svconfig.h"
#include "svdef.h"
#include "svfsys.h"
#include "svgdi.h"
#include "svgen.h"
#include "svintl.h"
#include "svlink.h"
#include "svlist.h"
#include "svmeta.h"
#include "svres.h"
#include "svstring.h"
#include "svtime.h"
