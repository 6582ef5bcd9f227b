#include "KxConfig.h"

#include <limits>

#include "KernelText.h"
#include "w32ini.h"

namespace {

std::vector<std::string> PathOf(const KxString path[]) {
    std::vector<std::string> parts;
    if (path == nullptr) return parts;
    for (size_t i = 0; path[i].IsActive() && !path[i].IsEmpty(); ++i)
        parts.push_back(w32ini::Trim(path[i].ToUtf8()));
    return parts;
}

KxString FromFileText(const std::string& s) {
    KxString text = KxString::FromUtf8(s);
    if (!text.IsActive()) text = KxString(s.data(), static_cast<uint32_t>(s.size()));
    return text;
}

}  // namespace

struct KxConfig::Impl {
    KxString fileName;
    w32ini::Document document;

    const std::string* Lookup(const KxString& key, const KxString path[]) const {
        return document.Lookup(PathOf(path), key.ToUtf8());
    }

    template <typename T>
    int32_t GetNumber(const KxString& key, T& out, const KxString path[]) const {
        const std::string* v = Lookup(key, path);
        if (v == nullptr) return KX_KERNEL_E_NOT_FOUND;
        int64_t n = 0;
        if (!kxk::ParseInteger(*v, n)) return KX_KERNEL_E_VALUE;
        if (n < int64_t(std::numeric_limits<T>::min()) || n > int64_t(std::numeric_limits<T>::max()))
            return KX_KERNEL_E_VALUE;
        out = static_cast<T>(n);
        return KX_KERNEL_OK;
    }
};

KxConfig::KxConfig() : impl_(std::make_unique<Impl>()) {}
KxConfig::~KxConfig() = default;

int32_t KxConfig::ReadFile(const KxString& fileName) {
    std::string text;
    if (!w32ini::ReadFile(fileName.StrGet(), text)) return KX_KERNEL_E_CONFIG_FILE;
    impl_->document.Parse(text);
    impl_->fileName = fileName;
    return KX_KERNEL_OK;
}

int32_t KxConfig::ReadText(const std::string& text) {
    impl_->document.Parse(text);
    impl_->fileName.SetInactive();
    return KX_KERNEL_OK;
}

const KxString& KxConfig::GetFileName() const { return impl_->fileName; }

int32_t KxConfig::Get(const KxString& key, KxString& out, const KxString path[]) const {
    const std::string* v = impl_->Lookup(key, path);
    if (v == nullptr) return KX_KERNEL_E_NOT_FOUND;
    out = FromFileText(*v);
    return KX_KERNEL_OK;
}

int32_t KxConfig::Get(const KxString& key, int16_t& out, const KxString path[]) const {
    return impl_->GetNumber(key, out, path);
}

int32_t KxConfig::Get(const KxString& key, uint16_t& out, const KxString path[]) const {
    return impl_->GetNumber(key, out, path);
}

int32_t KxConfig::Get(const KxString& key, int32_t& out, const KxString path[]) const {
    return impl_->GetNumber(key, out, path);
}

int32_t KxConfig::GetChildNames(const KxString path[], std::vector<KxString>& names) const {
    names.clear();
    std::vector<std::string> children;
    const bool exists = impl_->document.ChildNames(PathOf(path), children);
    for (const std::string& child : children) names.push_back(FromFileText(child));
    return exists ? KX_KERNEL_OK : KX_KERNEL_E_NOT_FOUND;
}

KxString KxConfig::JoinPath(const KxString path[]) {
    return FromFileText(w32ini::JoinSectionName(PathOf(path)));
}
