#include "RecordingCopyUtil.h"

#include "HADRELFileCopyUtil.h"

namespace {
int32_t g_result = 0;
}

namespace recording {
std::vector<std::string>& Calls() {
    static std::vector<std::string> calls;
    return calls;
}
void SetCopyResult(int32_t status) { g_result = status; }
}  // namespace recording

HADRELFileCopyUtil::HADRELFileCopyUtil() { recording::Calls().push_back("construct"); }

HADRELFileCopyUtil::~HADRELFileCopyUtil() { recording::Calls().push_back("destroy"); }

int32_t HADRELFileCopyUtil::CopySMGData(CStringA& source, CStringA& target) {
    recording::Calls().push_back(std::string("copy ") + source.GetString() + "|" + target.GetString());
    return g_result;
}
