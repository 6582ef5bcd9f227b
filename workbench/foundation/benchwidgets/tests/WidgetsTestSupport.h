// What the tests of benchwidgets share: a temporary folder removed at the end.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

class WidgetsTempDir {
public:
    WidgetsTempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "benchwidgets-XXXXXX").string();
        root_ = ::mkdtemp(pattern.data());
    }
    ~WidgetsTempDir() {
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }
    WidgetsTempDir(const WidgetsTempDir&) = delete;
    WidgetsTempDir& operator=(const WidgetsTempDir&) = delete;
    const std::string& root() const { return root_; }
    std::string path(const std::string& name) const { return root_ + "/" + name; }

private:
    std::string root_;
};
