#include "RunCopy.h"

#include "HADRELFileCopyUtil.h"
#include "afxstr.h"

namespace {
constexpr const char* kSourceKeyword = "-SourceDir";
constexpr const char* kTargetKeyword = "-TargetDir";
constexpr int kKeywordLength = 10;
}  // namespace

int runCopy(int argc, char* argv[]) {
    // Every argument after one blank, the program path and the terminating null entry included: the
    // text starts and ends with a blank.
    CStringA line;
    for (int i = 0; i <= argc; ++i) {
        line += " ";
        line += argv[i];
    }

    const int s = line.Find(kSourceKeyword);
    const int t = line.Find(kTargetKeyword);
    const int length = line.GetLength();
    // After a keyword and its blank, up to the blank in front of the next keyword or of the end.
    CStringA source = line.Mid(s + kKeywordLength + 1, t - s - kKeywordLength - 2);
    CStringA target = line.Mid(t + kKeywordLength + 1, length - t - kKeywordLength - 2);

    {
        HADRELFileCopyUtil util;
        util.CopySMGData(source, target);
    }
    return 0;
}
