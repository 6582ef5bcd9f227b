#pragma once

// Copies the data set named on the command line ("-SourceDir <dir> -TargetDir <dir>") with the
// revision-management library's file-copy utility. `argv[argc]` is the terminating null entry.
// Returns 0; the result of the copy is not looked at.
int runCopy(int argc, char* argv[]);
