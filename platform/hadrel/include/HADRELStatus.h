// Status codes answered by the revision-management library's file-copy utility.
#pragma once

#include <cstdint>

enum : int32_t {
    HADREL_OK                  = 0,
    HADREL_E_NO_SOURCE         = -3101,  // the source text is empty
    HADREL_E_NO_TARGET         = -3102,  // the target text is empty
    HADREL_E_SOURCE_MISSING    = -3103,  // the source does not exist (or its path cannot be resolved)
    HADREL_E_SOURCE_NOT_DIR    = -3104,  // the source is not a directory
    HADREL_E_TARGET_IN_SOURCE  = -3105,  // the target is the source or lies inside it
    HADREL_E_TARGET_NOT_DIR    = -3106,  // the target cannot be resolved, is not a directory, or cannot be created
    HADREL_E_COPY_FAILED       = -3107   // a file or directory of the tree could not be copied; the rest was copied
};
