// Helpers of the kernel tests.
#pragma once

#include <string>

// A fresh private directory, removed with its files when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::string& Path() const { return path_; }
    // Writes a file in the directory; returns its full name.
    std::string Write(const std::string& name, const std::string& content) const;

private:
    std::string path_;
};
