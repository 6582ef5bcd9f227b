// What the stand-ins of outside programs (the Oracle client, SchemaDelta, test programs) share: the
// mapping of the Windows paths they are handed, and their run record.
//
// The run record (the Oracle client, SchemaDelta, test programs):
// when $STANDIN_RECORD names a file, each run appends one line to it:
//
//   <program>\t<arguments>\t<working directory>\t<NLS_LANG>\n
//
// <arguments> are the program's arguments joined by blanks, each one that is empty or holds a blank,
// a tab or a double quote written in double quotes (a quote inside doubled); the working directory
// is the Linux path; NLS_LANG is empty when the variable is not set. The line is written with one
// write on a file opened for appending, so that runs of several processes do not mix their lines.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "w32path.h"

namespace standin {

// The Linux path of a path handed in, mapped as the Win32 stand-in maps it (drive letters, "\\" or
// "/" between names, names matched without regard to case); the text itself when it cannot be mapped.
inline std::string LocalPath(const std::string& path) {
    std::string out;
    return w32path::ToLinux(path, out) == 0 ? out : path;
}

inline std::string RecordArgument(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
    std::string quoted = "\"";
    for (char c : arg) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

// Appends the run's line; a missing variable records nothing, a file that cannot be written is
// left alone (the run goes on).
inline void RecordRun(const char* program, int argc, char** argv) {
    const char* file = std::getenv("STANDIN_RECORD");
    if (file == nullptr || *file == '\0') return;
    std::string line = program;
    line += '\t';
    for (int i = 1; i < argc; ++i) line += (i > 1 ? " " : "") + RecordArgument(argv[i]);
    line += '\t';
    if (char* cwd = getcwd(nullptr, 0)) {
        line += cwd;
        std::free(cwd);
    }
    line += '\t';
    if (const char* nls = std::getenv("NLS_LANG")) line += nls;
    line += '\n';
    const int fd = open(file, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return;
    const ssize_t written = write(fd, line.data(), line.size());
    (void)written;
    close(fd);
}

}  // namespace standin
