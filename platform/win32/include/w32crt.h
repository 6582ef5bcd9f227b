// Calls of Windows' C run time that the Linux C library lacks or answers differently. Windows code
// finds them in <stdlib.h>, <stdio.h> and <time.h>; here they come with <windows.h>.
#pragma once

// The C library's own declarations come first: clock and CLOCKS_PER_SEC are given Windows' meaning
// below.
#include <stdarg.h>
#include <stdint.h>
#include <sys/stat.h>
#include <time.h>

#include <ctime>
#include <cwchar>

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

// Formatted output through the one UTF-8 stream of standard output (shared with printf and the
// standard handles, or a test's console hook). The format is Windows': %s and %c take wide
// (char16_t) texts and characters, %S, %hs and %hc narrow (UTF-8) ones, %ls, %ws and %lc wide;
// %I64d, %lld, %ld (a Linux long), %d, %u, %x, %X, %o, %e, %f, %g, %p (16 hexadecimal digits) and
// %%, with flags, width and precision ("*" too). Result: the UTF-16 units written.
int wprintf(const char16_t* format, ...);
int vwprintf(const char16_t* format, va_list args);

// Windows' C run time's clock: wall milliseconds since the process started, never processor time.
clock_t W32Clock();
#define clock() W32Clock()
#undef CLOCKS_PER_SEC
#define CLOCKS_PER_SEC ((clock_t)1000)

// 64-bit times and the local time (a buffer of the calling thread).
typedef int64_t __time64_t;
__time64_t _time64(__time64_t* timer);
struct tm* _localtime64(const __time64_t* timer);
// strftime with wide texts, always with English names (as the C locale's), whatever the process's
// locale. 0 when the result and its terminator do not fit.
size_t wcsftime(char16_t* buffer, size_t size, const char16_t* format, const struct tm* time);

// The running program's full path, as a path handed back: 0, or EINVAL for null.
int _get_pgmptr(char** value);
int _get_wpgmptr(char16_t** value);

// A file's status by a path handed in (Windows' struct _stat): 0, or -1 with errno (ENOENT for a
// missing file, EINVAL for a path Windows refuses, ENAMETOOLONG for one too long).
#define _S_IFMT 0xF000
#define _S_IFDIR 0x4000
#define _S_IFREG 0x8000
#define _S_IREAD 0x0100
#define _S_IWRITE 0x0080
struct _stat {
    uint32_t st_dev;
    uint64_t st_ino;
    uint16_t st_mode;
    int16_t st_nlink;
    int16_t st_uid;
    int16_t st_gid;
    uint32_t st_rdev;
    int64_t st_size;
    // Read as st_atime, st_mtime and st_ctime (seconds), as with the C library's own struct stat.
    struct timespec st_atim;
    struct timespec st_mtim;
    struct timespec st_ctim;
};
int _stat(const char* path, struct _stat* buffer);
int _wstat(const char16_t* path, struct _stat* buffer);
