// The source place that ends the outliner's diagnostic lines: "(file, line n)".
#pragma once

#define KX_OUTLINER_WHERE "(" __FILE_NAME__ ", line " << __LINE__ << ")"
