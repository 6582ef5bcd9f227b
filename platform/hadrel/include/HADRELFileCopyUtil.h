// The revision-management library's utility that copies a data set from one directory to another.
#pragma once

#include <cstdint>

#include "HADRELStatus.h"
#include "afxstr.h"

class HADRELFileCopyUtil {
public:
    HADRELFileCopyUtil();
    virtual ~HADRELFileCopyUtil();

    // Copies the whole tree under `source` into `target`: directories are created, files overwritten
    // with their modification times kept. 0 on success, a negative HADREL_E_* status otherwise.
    int32_t CopySMGData(CStringA& source, CStringA& target);
};
