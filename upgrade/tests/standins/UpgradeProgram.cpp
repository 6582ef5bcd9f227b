// The test upgrade program: what a program of an upgrade step's program list does, observable.
//
//   schemalift_upgrade_program [-log <file>] [-mark <directory>]... [<argument>...]
//
// Appends its run to $STANDIN_RECORD (see standin_support.h), writes its log file (the list's
// "$LOGFILE$") with one line naming its arguments, and appends the same line to the file
// "upgrade_program.mark" of each directory given with -mark (the list's "$THIS_PATH$": a directory
// given twice gets two lines). Ends with 0.
#include <fstream>
#include <string>
#include <vector>

#include "standin_support.h"

int main(int argc, char** argv) {
    standin::RecordRun("schemalift_upgrade_program", argc, argv);
    std::string arguments;
    for (int i = 1; i < argc; ++i) arguments += (i > 1 ? " " : "") + standin::RecordArgument(argv[i]);
    const std::string line = "schemalift_upgrade_program ran with: " + arguments + "\n";
    for (int i = 1; i + 1 < argc; ++i) {
        const std::string option = argv[i];
        if (option == "-log") std::ofstream(standin::LocalPath(argv[++i]), std::ios::binary | std::ios::trunc) << line;
        else if (option == "-mark")
            std::ofstream(standin::LocalPath(std::string(argv[++i]) + "\\upgrade_program.mark"),
                          std::ios::binary | std::ios::app)
                << line;
    }
    return 0;
}
