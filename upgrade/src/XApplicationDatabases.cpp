#include "XApplicationDatabases.h"

#include <new>

#include "XKxDatabase.h"
#include "XKxException.h"

const XApplicationDatabaseEntry XApplicationDatabases::kEntries[kEntryCount] = {
    {0, u"database", u"ORBSERVER\\Tallyra\\Database", u"dict", -1, "UpdateDatabaseObjects"},
    {1, u"base", u"ORBSERVER\\Tallyra\\configuration", u"configdict", 21, "UpdateBaseObjects"},
};

XApplicationDatabases::XApplicationDatabases() {
    databases_ = new (std::nothrow) XKxDatabase*[slots_]();
    if (databases_ == nullptr)
        throw XKxException(u".\\xapplicationdatabases", u"XApplicationDatabases::XApplicationDatabases",
                           u"Error allocating control structures for T5 databases!");
}

XApplicationDatabases::~XApplicationDatabases() {
    try {
        for (int32_t i = 0; i < slots_; ++i) {
            delete databases_[i];
            databases_[i] = nullptr;
        }
    } catch (...) {
    }
    delete[] databases_;
}

void XApplicationDatabases::CreateDatabases(XApplicationDatabasesOwner* owner) {
    owner_ = owner;
    for (int32_t i = 0; i < count_; ++i) {
        delete databases_[i];
        databases_[i] = nullptr;
        databases_[i] = new (std::nothrow) XKxDatabase(kEntries[i].name, this);
    }
}

CString XApplicationDatabases::GetOwnerText() const {
    return owner_ != nullptr ? owner_->GetScriptBaseDirectory() : CString();
}

XProgressOutput* XApplicationDatabases::GetProgress() const {
    return owner_ != nullptr ? owner_->GetProgressOutput() : nullptr;
}

bool XApplicationDatabases::IsOptionSet() const {
    return owner_ != nullptr && (owner_->GetOptionBits() & kOptionMask) != 0;
}

void XApplicationDatabases::AppendError(const CString& text) { errorText_ += u"\r\n\t" + text; }

void XApplicationDatabases::SetDatabaseText(const CString& text) {
    for (int32_t i = 0; i < count_; ++i)
        if (databases_[i] != nullptr) databases_[i]->SetDatabaseText(text);
}

CString XApplicationDatabases::GetDatabaseText() const {
    const XKxDatabase* first = GetDatabase(0);
    return first != nullptr ? first->GetDatabaseText() : CString();
}

const XApplicationDatabaseEntry* XApplicationDatabases::FindEntry(const CString& name) const {
    for (int32_t i = 0; i < count_ && i < kEntryCount; ++i)
        if (name == CString(kEntries[i].name)) return &kEntries[i];
    return nullptr;
}

XKxDatabase* XApplicationDatabases::FindDatabase(const CString& name) const {
    const XApplicationDatabaseEntry* entry = FindEntry(name);
    return entry != nullptr ? GetDatabase(entry->index) : nullptr;
}

XKxDatabase* XApplicationDatabases::GetDatabase(int32_t index) const {
    return index >= 0 && index < count_ ? databases_[index] : nullptr;
}

int32_t XApplicationDatabases::GetLimitVersion(const CString& name) const {
    const XApplicationDatabaseEntry* entry = FindEntry(name);
    return entry != nullptr ? entry->limitVersion : -1;
}

const char* XApplicationDatabases::GetUpgradeFunction(const CString& name) const {
    const XApplicationDatabaseEntry* entry = FindEntry(name);
    return entry != nullptr ? entry->upgradeFunction : nullptr;
}
