#include "svfsys.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <ctime>

// ---- DirEntry, Dir ----

DirEntry::DirEntry() : flag_(0) {}
DirEntry::DirEntry(const String& path) : path_(path), flag_(0) {}
DirEntry::DirEntry(const DirEntry& other) = default;
DirEntry& DirEntry::operator=(const DirEntry& other) = default;
DirEntry::~DirEntry() = default;
bool DirEntry::IsValid() const { return path_.Len() != 0; }
uint16_t DirEntry::ImpTheFlag() const { return flag_; }
const String& DirEntry::GetFull() const { return path_; }

Dir::Dir() = default;
Dir::Dir(const String& path) : DirEntry(path) {}
Dir::Dir(const Dir& other) = default;
Dir& Dir::operator=(const Dir& other) = default;
Dir::~Dir() = default;

// ---- FileStat ----

namespace {

void Split(const timespec& ts, Date& date, Time& time) {
    tm t{};
    const time_t secs = ts.tv_sec;
    localtime_r(&secs, &t);
    date = Date(static_cast<uint16_t>(t.tm_mday), static_cast<uint16_t>(t.tm_mon + 1),
                static_cast<uint16_t>(t.tm_year + 1900));
    time = Time(static_cast<uint32_t>(t.tm_hour), static_cast<uint32_t>(t.tm_min),
                static_cast<uint32_t>(t.tm_sec > 59 ? 59 : t.tm_sec), static_cast<uint32_t>(ts.tv_nsec / 10000000));
}

}  // namespace

FileStat::FileStat() = default;

FileStat::FileStat(const DirEntry& entry) {
    struct statx sx {};
    if (statx(AT_FDCWD, entry.GetFull().GetStr(), 0, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0) {
        error_ = errno == ENOENT || errno == ENOTDIR ? FSYS_ERR_NOTEXISTS
                 : errno == EACCES                  ? FSYS_ERR_ACCESSDENIED
                                                    : FSYS_ERR_UNKNOWN;
        return;
    }
    auto ts = [](const struct statx_timestamp& t) { return timespec{t.tv_sec, t.tv_nsec}; };
    Split(ts((sx.stx_mask & STATX_BTIME) != 0 ? sx.stx_btime : sx.stx_ctime), dateCreated_, timeCreated_);
    Split(ts(sx.stx_mtime), dateModified_, timeModified_);
    Split(ts(sx.stx_atime), dateAccessed_, timeAccessed_);
    size_ = sx.stx_size;
    kind_ = S_ISREG(sx.stx_mode) ? FSYS_KIND_FILE : S_ISDIR(sx.stx_mode) ? FSYS_KIND_DIR : FSYS_KIND_DEV;
}

FileStat::FileStat(const FileStat& other) = default;
FileStat& FileStat::operator=(const FileStat& other) = default;
FileStat::~FileStat() = default;

const Date& FileStat::DateCreated() const { return dateCreated_; }
const Time& FileStat::TimeCreated() const { return timeCreated_; }
const Date& FileStat::DateModified() const { return dateModified_; }
const Time& FileStat::TimeModified() const { return timeModified_; }
const Date& FileStat::DateAccessed() const { return dateAccessed_; }
const Time& FileStat::TimeAccessed() const { return timeAccessed_; }
uint64_t FileStat::GetSize() const { return size_; }
FSysKind FileStat::GetKind() const { return kind_; }
const String& FileStat::GetType() const { return type_; }
const String& FileStat::GetCreator() const { return creator_; }
uint32_t FileStat::GetStyle() const { return style_; }
uint32_t FileStat::GetError() const { return error_; }

// ---- FileCopier ----

FileCopier::FileCopier() = default;
FileCopier::FileCopier(const DirEntry& source, const DirEntry& target) : source_(source), target_(target) {}
const DirEntry& FileCopier::GetSource() const { return source_; }
void FileCopier::SetSource(const DirEntry& source) { source_ = source; }
const DirEntry& FileCopier::GetTarget() const { return target_; }
void FileCopier::SetTarget(const DirEntry& target) { target_ = target; }
uint32_t FileCopier::GetBlockSize() const { return blockSize_; }
void FileCopier::SetBlockSize(uint32_t size) { blockSize_ = size; }
const Link& FileCopier::GetProgressHdl() const { return progress_; }
void FileCopier::SetProgressHdl(const Link& handler) { progress_ = handler; }
uint64_t FileCopier::GetBytesCopied() const { return copied_; }
uint64_t FileCopier::GetBytesTotal() const { return total_; }

// ---- WildCard ----

namespace {

bool Match(const char* pattern, const char* name) {
    // Iterative match with one backtrack point for the last `*`.
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*name != '\0') {
        if (*pattern == '*') {
            star = pattern++;
            resume = name;
        } else if (*pattern == '?' || *pattern == *name) {
            ++pattern;
            ++name;
        } else if (star != nullptr) {
            pattern = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*') ++pattern;
    return *pattern == '\0';
}

}  // namespace

WildCard::WildCard() : pattern_("*") {}
WildCard::WildCard(const String& pattern) : pattern_(pattern) {}
WildCard::WildCard(const WildCard& other) = default;
WildCard::~WildCard() = default;
WildCard& WildCard::operator=(const WildCard& other) = default;
WildCard& WildCard::operator=(const String& pattern) {
    pattern_ = pattern;
    return *this;
}
bool WildCard::operator==(const WildCard& other) const { return pattern_ == other.pattern_; }
bool WildCard::operator!=(const WildCard& other) const { return !(*this == other); }
bool WildCard::operator()(const String& name) const { return Match(pattern_.GetStr(), name.GetStr()); }
