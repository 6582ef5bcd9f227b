// File helpers of the Win32 stand-in, shared by the file, search and console calls.
#pragma once

#include <sys/stat.h>

#include <memory>
#include <string>

#include "Handles.h"
#include "windows.h"

namespace w32 {

struct FileObject : Object {
    FileObject() : Object(Kind::File) {}
    ~FileObject() override;
    int fd = -1;
    int lockFd = -1;   // the descriptor holding the share-mode locks (fd itself, another, or none)
    bool canRead = false;
    bool canWrite = false;
    std::string path;
};

FILETIME ToFileTime(const struct timespec& t);
// The creation time of a file (its birth time where the file system keeps one, else its last
// write): path relative to dirFd, or the descriptor itself with an empty path.
FILETIME CreationTime(int dirFd, const char* path, const struct stat& st);
// Attributes of a file as FindFirstFile and GetFileAttributes answer them.
DWORD AttributesOf(const struct stat& st);

}  // namespace w32
