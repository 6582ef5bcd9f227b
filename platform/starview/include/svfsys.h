// File-system classes of the class library, with just the members the workbench libraries export:
// DirEntry, Dir, FileStat, FileCopier and WildCard.
#pragma once

#include <cstdint>

#include "svlink.h"
#include "svstring.h"
#include "svtime.h"

// A path.
class DirEntry {
public:
    DirEntry();  // no path: not valid
    explicit DirEntry(const String& path);
    DirEntry(const DirEntry& other);
    DirEntry& operator=(const DirEntry& other);
    virtual ~DirEntry();

    // True when a path is given.
    bool IsValid() const;
    // The entry's flag word.
    uint16_t ImpTheFlag() const;
    const String& GetFull() const;

private:
    String path_;
    uint16_t flag_;
};

// A directory.
class Dir : public DirEntry {
public:
    Dir();
    explicit Dir(const String& path);
    Dir(const Dir& other);
    Dir& operator=(const Dir& other);
    ~Dir() override;
};

enum FSysKind : uint16_t { FSYS_KIND_NONE = 0, FSYS_KIND_FILE = 1, FSYS_KIND_DIR = 2, FSYS_KIND_DEV = 3 };
// Errors of a FileStat.
constexpr uint32_t FSYS_ERR_OK = 0;
constexpr uint32_t FSYS_ERR_NOTEXISTS = 1;
constexpr uint32_t FSYS_ERR_ACCESSDENIED = 2;
constexpr uint32_t FSYS_ERR_UNKNOWN = 3;

// The status of a file, read from the real file when made from a path: dates and times of
// creation (birth, else the last change), modification and access in local time, size, kind; type,
// creator and style are empty or 0 here. A missing file gives kind none and the error.
class FileStat {
public:
    FileStat();
    explicit FileStat(const DirEntry& entry);
    FileStat(const FileStat& other);
    FileStat& operator=(const FileStat& other);
    ~FileStat();

    const Date& DateCreated() const;
    const Time& TimeCreated() const;
    const Date& DateModified() const;
    const Time& TimeModified() const;
    const Date& DateAccessed() const;
    const Time& TimeAccessed() const;
    uint64_t GetSize() const;
    FSysKind GetKind() const;
    const String& GetType() const;
    const String& GetCreator() const;
    uint32_t GetStyle() const;
    uint32_t GetError() const;

private:
    Date dateCreated_{0u}, dateModified_{0u}, dateAccessed_{0u};
    Time timeCreated_{0, 0}, timeModified_{0, 0}, timeAccessed_{0, 0};
    uint64_t size_ = 0;
    FSysKind kind_ = FSYS_KIND_NONE;
    String type_, creator_;
    uint32_t style_ = 0;
    uint32_t error_ = FSYS_ERR_OK;
};

// The settings of a file copy: source, target, block size, progress handler, and the byte counts.
class FileCopier {
public:
    FileCopier();
    FileCopier(const DirEntry& source, const DirEntry& target);

    const DirEntry& GetSource() const;
    void SetSource(const DirEntry& source);
    const DirEntry& GetTarget() const;
    void SetTarget(const DirEntry& target);
    uint32_t GetBlockSize() const;
    void SetBlockSize(uint32_t size);
    const Link& GetProgressHdl() const;
    void SetProgressHdl(const Link& handler);
    uint64_t GetBytesCopied() const;
    uint64_t GetBytesTotal() const;

private:
    DirEntry source_, target_;
    uint32_t blockSize_ = 65536;
    Link progress_;
    uint64_t copied_ = 0, total_ = 0;
};

// A name pattern: `*` matches any run of characters, `?` any one character; case counts.
class WildCard {
public:
    WildCard();  // matches everything
    explicit WildCard(const String& pattern);
    WildCard(const WildCard& other);
    ~WildCard();
    WildCard& operator=(const WildCard& other);
    WildCard& operator=(const String& pattern);
    bool operator==(const WildCard& other) const;
    bool operator!=(const WildCard& other) const;
    bool operator()(const String& name) const;

private:
    String pattern_;
};
