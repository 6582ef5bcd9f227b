// Registration of the DB2 scalar functions (internal).
#pragma once

#include "sqlerror.h"

struct sqlite3;

namespace sqlengine {

bool RegisterDb2Functions(sqlite3* db, Error& err);

}  // namespace sqlengine
