// revcopy -SourceDir <directory> -TargetDir <directory>
// Copies a data set; prints nothing and ends with exit code 0.
#include "RunCopy.h"

int main(int argc, char* argv[]) {
    runCopy(argc, argv);
    return 0;
}
