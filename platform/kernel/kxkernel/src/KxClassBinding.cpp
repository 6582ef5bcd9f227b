#include "KxClassBinding.h"

#include <algorithm>
#include <cctype>
#include <mutex>
#include <string>
#include <vector>

namespace {

std::mutex& Lock()
{
    static std::mutex m;
    return m;
}

std::vector<const KxClassAssociation*>& Associations()
{
    static std::vector<const KxClassAssociation*> list;
    return list;
}

bool SameName(const KxString& a, const KxString& b)
{
    const std::string x = a.ToUtf8(), y = b.ToUtf8();
    return x.size() == y.size() && std::equal(x.begin(), x.end(), y.begin(), [](char p, char q) {
               return std::tolower(static_cast<unsigned char>(p)) == std::tolower(static_cast<unsigned char>(q));
           });
}

}  // namespace

KxClassAssociation::KxClassAssociation(const char* dictionary, const KxClassBinding* rows, size_t count,
                                       const char* created, const char* modified)
    : dictionary_(dictionary), rows_(rows), count_(rows != nullptr ? count : 0), created_(created), modified_(modified)
{
    std::lock_guard<std::mutex> guard(Lock());
    Associations().push_back(this);
}

KxClassAssociation::~KxClassAssociation()
{
    std::lock_guard<std::mutex> guard(Lock());
    auto& list = Associations();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

const KxClassBinding* KxClassAssociation::Find(const KxString& dictionary, uint16_t classNumber)
{
    std::lock_guard<std::mutex> guard(Lock());
    for (const KxClassAssociation* a : Associations()) {
        if (!SameName(a->dictionary_, dictionary)) continue;
        for (size_t i = 0; i < a->count_; ++i) {
            if (a->rows_[i].identifier.GetLocalClassId() == classNumber) return &a->rows_[i];
        }
    }
    return nullptr;
}
