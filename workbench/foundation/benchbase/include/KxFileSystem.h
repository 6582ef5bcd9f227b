// KxFileSystem: the file operations of the workbench: deleting, testing, creating and measuring
// files, file times, the working directory, wildcard searches, splitting and joining paths, the
// temporary directory and temporary file names, and three path transformations. Failures are
// reported on the library's diagnostic stream with the system's own error text.
//
// Results returned as const char* live in static buffers of the library and stay valid until the
// next call that writes the same buffer (the path-join buffer is shared by makepath and
// splitpath). Nothing here is guarded against concurrent use: the operations are meant for the GUI
// thread.
#pragma once

#include <memory>

#include <KxDateTime.h>

// The state of one wildcard search: the current entry and the search handle. Copies share both;
// the search ends when the last copy goes.
class KxFindFileInfoBlock {
public:
    KxFindFileInfoBlock();
    ~KxFindFileInfoBlock();
    KxFindFileInfoBlock(const KxFindFileInfoBlock& other);
    KxFindFileInfoBlock& operator=(const KxFindFileInfoBlock& other);

    // The current entry's file name (empty before a search found one).
    const char* fileName() const;

    struct Record;

private:
    friend class KxFileSystem;
    std::shared_ptr<Record> record_;
};

class KxFileSystem {
public:
    KxFileSystem();
    ~KxFileSystem();

    // 0 when deleted; 1 after a report.
    int deleteFile(const char* name);
    // 0 when the file or directory exists, else 1.
    int accessFile(const char* name);
    // Creates or truncates the file and closes it: 0, or -1 after a report.
    int createFile(const char* name);
    // The size in bytes; 0 after a report when it cannot be opened or measured.
    unsigned long getFileSize(const char* name);
    // The last-write time in coordinated universal time; all fields 0 when the file cannot be
    // opened.
    KxDateTime getModificationTime(const char* name);
    // Always null.
    const char* getModificationTimeAsString(const char* name);
    // The current directory; null after a report.
    const char* getWorkingDirectory();
    // 0, or -1 after a report.
    int changeWorkingDirectory(const char* path);
    // Starts a search (ending one the block was running): 1 when an entry was found; 0 for a null
    // block, or after a report when nothing matches.
    int findFirst(const char* pattern, KxFindFileInfoBlock* block);
    // 1 when a further entry was found; 0 at the end, 0 after a report on other errors or without
    // a running search.
    int findNext(KxFindFileInfoBlock* block);
    // The C library's path join, into the path-join buffer.
    const char* makepath(const char* drive, const char* dir, const char* name, const char* ext);
    // The C library's path split; the extension comes without its leading ".".
    void splitpath(const char* path, char*& drive, char*& dir, char*& name, char*& ext);
    // "\"
    const char* getPathDelimiter();
    // The temporary directory, ending with "\"; null after a report.
    const char* getTempDir();
    // A new unique file (made by the system) with the prefix in the temporary directory, its name
    // in out (room for 260 characters): 0; -2 when the temporary directory cannot be read, -1 when
    // it needs more than 260 characters, -3 when no name can be made.
    int getTempFileName(char* out, const char* prefix);
    // The shortened display form: drive, first folder, "..." for the folders between, last folder,
    // name: 'C:\a\b\c\d\file.txt' gives 'C:\a\...\d\file.txt'. Null for a null or empty path.
    const char* createShortPath(const char* path);
    // The path relative to the directory, lower-cased ('C:\A\C\f.txt' to 'c:\a\b' gives
    // '..\c\f.txt'); the absolute path on another drive; the path itself for a null argument or
    // when it cannot be made absolute.
    const char* makeRelativeToDirectory(const char* path, const char* dir);
    // The path made absolute against the directory, lower-cased; an absolute path lower-cased; an
    // empty text for a null argument.
    const char* makeAbsoluteToDirectory(const char* path, const char* dir);
};
