// Paths, files, directories and searches.
//
// Share modes hold across threads and processes: an open is refused with 32 when it asks for an
// access that an open file's share mode denies, or denies an access that an open file has (a
// deny-write open refuses a second writer, anywhere). A refused open never truncates. Deleting or
// moving a file that is open without FILE_SHARE_DELETE is refused with 32.
#pragma once

#include "handleapi.h"
#include "minwinbase.h"
#include "winerror.h"

#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5

#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define FILE_END 2

#define FILE_FLAG_WRITE_THROUGH 0x80000000
#define FILE_FLAG_OVERLAPPED 0x40000000
#define FILE_FLAG_NO_BUFFERING 0x20000000
#define FILE_FLAG_RANDOM_ACCESS 0x10000000
#define FILE_FLAG_SEQUENTIAL_SCAN 0x08000000
#define FILE_FLAG_BACKUP_SEMANTICS 0x02000000

#define INVALID_FILE_SIZE ((DWORD)0xFFFFFFFF)
#define INVALID_SET_FILE_POINTER ((DWORD)-1)
#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)

extern "C" {

// Opens or creates a file (directories only with FILE_FLAG_BACKUP_SEMANTICS, else 5). CREATE_NEW on
// an existing file: 80; CREATE_ALWAYS and OPEN_ALWAYS on an existing one succeed with the last error
// 183; a missing file 2 (3 when its folder is missing); a sharing conflict 32. INVALID_HANDLE_VALUE
// on failure.
HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                          LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                          DWORD dwFlagsAndAttributes, HANDLE hTemplateFile);
HANDLE WINAPI CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                          LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                          DWORD dwFlagsAndAttributes, HANDLE hTemplateFile);
// Reading and writing (also the standard handles); a null or closed handle: FALSE and 6, nothing
// done; a handle opened without the access: 5.
BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
                     LPOVERLAPPED lpOverlapped);
BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
                      LPOVERLAPPED lpOverlapped);
BOOL WINAPI FlushFileBuffers(HANDLE hFile);
DWORD WINAPI SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh, DWORD dwMoveMethod);
DWORD WINAPI GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh);
// Times as the system keeps them, in coordinated universal time (100 ns units since 1601).
BOOL WINAPI GetFileTime(HANDLE hFile, LPFILETIME lpCreationTime, LPFILETIME lpLastAccessTime,
                        LPFILETIME lpLastWriteTime);
BOOL WINAPI FileTimeToSystemTime(const FILETIME* lpFileTime, LPSYSTEMTIME lpSystemTime);

// FILE_ATTRIBUTE_DIRECTORY for a folder, FILE_ATTRIBUTE_ARCHIVE for a file, each with
// FILE_ATTRIBUTE_READONLY when its owner may not write it; INVALID_FILE_ATTRIBUTES and 2 or 3.
DWORD WINAPI GetFileAttributesA(LPCSTR lpFileName);
DWORD WINAPI GetFileAttributesW(LPCWSTR lpFileName);
// 183 when it exists, 3 when its parent is missing.
BOOL WINAPI CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes);
BOOL WINAPI CreateDirectoryW(LPCWSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes);
// 2 or 3 when missing, 5 for a folder or a read-only file, 32 while open without FILE_SHARE_DELETE.
BOOL WINAPI DeleteFileA(LPCSTR lpFileName);
BOOL WINAPI DeleteFileW(LPCWSTR lpFileName);

// Searches: "*" and "?" in the last name, case ignored, names in order (case ignored), "." and ".."
// in every folder but a drive's root. "*.*" matches every name, "name.*" also "name", and "?" also
// nothing at the end of a name or before its dot, as Windows matches. INVALID_HANDLE_VALUE with 2
// when nothing matches (3 for a missing folder); FindNextFile answers FALSE with 18 at the end.
HANDLE WINAPI FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData);
HANDLE WINAPI FindFirstFileW(LPCWSTR lpFileName, LPWIN32_FIND_DATAW lpFindFileData);
BOOL WINAPI FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData);
BOOL WINAPI FindNextFileW(HANDLE hFindFile, LPWIN32_FIND_DATAW lpFindFileData);
BOOL WINAPI FindClose(HANDLE hFindFile);

// The full path of a path, worked out in the text alone (".." stops at a drive's root); a path
// under a drive comes back as "X:\...". Result: the length written without the terminator, or
// the size needed with it when nBufferLength is too small; 0 on failure (53 a network path, 123
// an empty path, 206 a result of MAX_PATH characters or more). *lpFilePart, when asked for,
// points at the last name in the buffer (null when the path ends with a separator).
DWORD WINAPI GetFullPathNameA(LPCSTR lpFileName, DWORD nBufferLength, LPSTR lpBuffer, LPSTR* lpFilePart);
DWORD WINAPI GetFullPathNameW(LPCWSTR lpFileName, DWORD nBufferLength, LPWSTR lpBuffer, LPWSTR* lpFilePart);

// The folder for temporary files, ending with a separator: TMP, TEMP, TMPDIR or "/tmp", the
// first set, as a path handed back. Length rules as GetFullPathName.
DWORD WINAPI GetTempPathA(DWORD nBufferLength, LPSTR lpBuffer);
DWORD WINAPI GetTempPathW(DWORD nBufferLength, LPWSTR lpBuffer);

// "<path>\<first three characters of the prefix><hexadecimal number>.TMP" into a buffer of
// MAX_PATH characters. With uUnique 0 a number is sought for which no file exists and the empty
// file is created; otherwise the name is only made. Result: the number used; 0 on failure (87 a
// null argument, 111 a path longer than MAX_PATH - 14, 267 a folder that does not exist).
UINT WINAPI GetTempFileNameA(LPCSTR lpPathName, LPCSTR lpPrefixString, UINT uUnique, LPSTR lpTempFileName);
UINT WINAPI GetTempFileNameW(LPCWSTR lpPathName, LPCWSTR lpPrefixString, UINT uUnique, LPWSTR lpTempFileName);

}  // extern "C"

#ifdef UNICODE
#define CreateFile CreateFileW
#define GetFileAttributes GetFileAttributesW
#define CreateDirectory CreateDirectoryW
#define DeleteFile DeleteFileW
#define FindFirstFile FindFirstFileW
#define FindNextFile FindNextFileW
#define GetFullPathName GetFullPathNameW
#define GetTempPath GetTempPathW
#define GetTempFileName GetTempFileNameW
#else
#define CreateFile CreateFileA
#define GetFileAttributes GetFileAttributesA
#define CreateDirectory CreateDirectoryA
#define DeleteFile DeleteFileA
#define FindFirstFile FindFirstFileA
#define FindNextFile FindNextFileA
#define GetFullPathName GetFullPathNameA
#define GetTempPath GetTempPathA
#define GetTempFileName GetTempFileNameA
#endif
