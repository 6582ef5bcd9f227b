// KxPath: a Windows file or directory path, and the parts of it the workbench asks for.
#pragma once

#include "KxString.h"

class KxPath {
public:
    KxPath();                               // the empty path
    KxPath(const char* path);               // null: the empty path
    KxPath(const KxString& path);
    KxPath(const KxPath&) = default;
    KxPath& operator=(const KxPath&) = default;
    virtual ~KxPath();

    // The whole path as given.
    const KxString& getPath() const;
    const char* getText() const;
    int isEmpty() const;

    // "C:\dir\sub\" of "C:\dir\sub\name.ext": drive and directory, ending with the separator
    // when there is a directory; the empty text when the path has neither.
    KxString getDriveAndDirectory() const;
    // "name.ext" of "C:\dir\sub\name.ext" (both separators "\" and "/" end a directory).
    KxString getFileNameWithExtension() const;

    // Exact text comparison of the whole paths.
    int operator==(const KxPath& other) const;
    int operator!=(const KxPath& other) const;

private:
    KxString path_;
};
