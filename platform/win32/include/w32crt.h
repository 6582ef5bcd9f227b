// Calls of Windows' C run time that the Linux C library lacks or answers differently. Windows code
// finds them in <stdlib.h>, <stdio.h> and <time.h>; here they come with <windows.h>.
#pragma once

#include "winnt.h"

#define _MAX_PATH 260
#define _MAX_DRIVE 3
#define _MAX_DIR 256
#define _MAX_FNAME 256
#define _MAX_EXT 256

// Splits a path into drive ("X:"), folder (up to and with the last "\" or "/"), name and
// extension (from the last "." of the name on, dot included); a null output is skipped. Each
// output holds at most its _MAX_* size with the terminator: when a part is longer, every output
// is left empty and errno is ERANGE (nothing is ever written past those sizes).
void _splitpath(const char* path, char* drive, char* dir, char* fname, char* ext);
void _wsplitpath(const char16_t* path, char16_t* drive, char16_t* dir, char16_t* fname, char16_t* ext);
// Joins drive (its first character and ":"), folder (a "\" added unless it ends with "\" or "/"),
// name and extension (a "." added unless it begins with one); null or empty parts are skipped.
// The result holds at most _MAX_PATH characters with the terminator: a longer one leaves the
// output empty and errno ERANGE.
void _makepath(char* path, const char* drive, const char* dir, const char* fname, const char* ext);
void _wmakepath(char16_t* path, const char16_t* drive, const char16_t* dir, const char16_t* fname,
                const char16_t* ext);
