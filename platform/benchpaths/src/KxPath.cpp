#include "KxPath.h"

#include <string>

namespace {

// The position after the last directory separator (0 after a drive alone, "C:name").
size_t NameStart(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    if (slash != std::string::npos) return slash + 1;
    if (path.size() >= 2 && path[1] == ':') return 2;
    return 0;
}

std::string Text(const KxString& s) { return s.IsEmpty() ? std::string() : std::string(s.StrGet(), s.Len()); }

}  // namespace

KxPath::KxPath() : path_("") {}
KxPath::KxPath(const char* path) : path_(path != nullptr ? path : "") {}
KxPath::KxPath(const KxString& path) : path_(path.IsActive() ? path : KxString("")) {}
KxPath::~KxPath() = default;

const KxString& KxPath::getPath() const { return path_; }
const char* KxPath::getText() const { return path_.StrGet(); }
int KxPath::isEmpty() const { return path_.IsEmpty() ? 1 : 0; }

KxString KxPath::getDriveAndDirectory() const {
    const std::string path = Text(path_);
    return KxString(path.substr(0, NameStart(path)));
}

KxString KxPath::getFileNameWithExtension() const {
    const std::string path = Text(path_);
    return KxString(path.substr(NameStart(path)));
}

int KxPath::operator==(const KxPath& other) const { return path_ == other.path_ ? 1 : 0; }
int KxPath::operator!=(const KxPath& other) const { return path_ == other.path_ ? 0 : 1; }
