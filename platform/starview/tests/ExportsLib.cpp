// A library that links svbasics the way every workbench library does.
#include "svbasics.h"

String SvTestLibraryName() { return String("svtestexports"); }
