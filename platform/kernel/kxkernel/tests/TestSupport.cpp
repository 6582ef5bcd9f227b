#include "TestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <vector>

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kxkernel-XXXXXX").string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (mkdtemp(buf.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = buf.data();
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string TempDir::Write(const std::string& name, const std::string& content) const {
    const std::string file = path_ + "/" + name;
    std::ofstream out(file, std::ios::binary);
    out << content;
    return file;
}
