// Trees of files for the copy tests: a sandbox folder, a sample data set, and a snapshot that tells
// two trees (or one tree before and after) apart.
#pragma once

#include <stdlib.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace copytest {

namespace fs = std::filesystem;

// A new folder under the temporary folder, open to every user, removed with its contents at the end.
class Sandbox {
public:
    Sandbox() {
        std::string pattern = (fs::temp_directory_path() / "copytest-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
        fs::permissions(path_, fs::perms::all);
    }
    ~Sandbox() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

private:
    std::string path_;
};

// A time in the past, some seconds and nanoseconds apart for each `n`.
inline fs::file_time_type PastTime(int n) {
    const auto since = std::chrono::seconds(1000000000 + 86400 * n) + std::chrono::nanoseconds(123456789 + n);
    return fs::file_time_type::clock::from_sys(std::chrono::sys_time<std::chrono::nanoseconds>(since));
}

inline void WriteFile(const std::string& path, const std::string& content, int timeOfs) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
    fs::last_write_time(path, PastTime(timeOfs));
}

// Nested directories, an empty directory, a binary file (every byte value, zeros inside), names with
// blanks, a name beginning with a dot; every file with a time of its own in the past.
inline void MakeSampleTree(const std::string& root) {
    std::string binary;
    for (int round = 0; round < 40; ++round)
        for (int b = 0; b < 256; ++b) binary.push_back(static_cast<char>(b));
    WriteFile(root + "/readme.txt", "set one\n", 1);
    WriteFile(root + "/data/values.bin", binary, 2);
    WriteFile(root + "/data/deeper/still deeper/leaf.txt", "leaf", 3);
    WriteFile(root + "/My Data/a file with blanks.txt", "blanks", 4);
    WriteFile(root + "/My Data/.hidden", "", 5);
    fs::create_directories(root + "/empty dir");
}

// Each entry under `root` by its relative path: "dir", or "file" with its bytes and write time. With
// `dirTimes`, directories carry their write times too (a directory's time moves when anything is made
// or removed in it).
inline std::map<std::string, std::string> Snapshot(const std::string& root, bool dirTimes) {
    std::map<std::string, std::string> entries;
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(root)) {
        const std::string relative = fs::relative(e.path(), root).string();
        const std::string time = std::to_string(e.last_write_time().time_since_epoch().count());
        if (e.is_directory()) {
            entries[relative] = dirTimes ? "dir " + time : "dir";
        } else {
            std::ifstream in(e.path(), std::ios::binary);
            entries[relative] = "file " + time + " " + std::string(std::istreambuf_iterator<char>(in), {});
        }
    }
    return entries;
}

}  // namespace copytest
