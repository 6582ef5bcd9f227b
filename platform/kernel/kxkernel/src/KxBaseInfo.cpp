// The facts of a base's database: names, user, versions, stamps, file facts, backup and
// authorization state.
#include <pwd.h>
#include <unistd.h>

#include "KxAdmin.h"
#include "KxBaseImpl.h"
#include "KxClassDict.h"
#include "KxRoot.h"
#include "KxTypeMgr.h"

const KxString& KxBase::GetServer() const { return impl_->storage.server; }

KxString KxBase::GetDatabaseName() const
{
    const std::string name = impl_->logicalName.IsActive() ? impl_->logicalName.ToUtf8() : std::string();
    return KxString(name.substr(0, name.find('?')).c_str());
}

KxString KxBase::GetPhysicalName() const
{
    const KxString name = GetDatabaseName();
    KxString physical;
    if (KELVOX()->MapLogicalName(name, physical, 0, 0, KxString("Kelvox")) != 0 || physical.IsEmpty()) {
        physical = name;
    }
    return physical;
}

namespace {

void ProcessUser(KxString& name, int16_t& id)
{
    const uid_t uid = getuid();
    id = static_cast<int16_t>(uid);
    struct passwd entry {};
    struct passwd* found = nullptr;
    char buffer[1024];
    if (getpwuid_r(uid, &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr && found->pw_name != nullptr) {
        name = KxString(found->pw_name);
    } else {
        name = KxString(std::to_string(uid).c_str());
    }
}

}  // namespace

const KxString& KxBase::GetUserName() const
{
    std::lock_guard<std::mutex> guard(impl_->mutex);
    if (!impl_->userKnown) {
        ProcessUser(impl_->userName, impl_->userId);
        impl_->userKnown = true;
    }
    return impl_->userName;
}

int16_t KxBase::GetUserId() const
{
    GetUserName();
    return impl_->userId;
}

void KxBase::SetUser(const KxString& name, int16_t id)
{
    std::lock_guard<std::mutex> guard(impl_->mutex);
    impl_->userName = name;
    impl_->userId = id;
    impl_->userKnown = true;
}

int32_t KxBase::GetDatabaseVersion() const
{
    const KxAdmin* admin = GetAdmin();
    return admin != nullptr ? admin->GetDatabaseVersion() : 0;
}

uint32_t KxBase::GetTypeMgrVersion() const
{
    uint16_t version = 0;
    if (KxAdmin* admin = GetAdmin(); admin != nullptr && admin->GetTypeMgrVersion(version) == 0) {
        return version;
    }
    return GetTypeMgr() != nullptr ? GetTypeMgr()->GetVersion() : 0;
}

int32_t KxBase::GetCreationTime(KxDateTime& time) const
{
    KxAdmin* admin = GetAdmin();
    return admin != nullptr ? admin->GetDatabaseStamp(time) : KX_KERNEL_E_STATE;
}

int32_t KxBase::GetDictionaryModifyTime(KxDateTime& time) const
{
    KxAdmin* admin = GetAdmin();
    if (admin == nullptr) {
        return KX_KERNEL_E_STATE;
    }
    const int32_t rc = admin->GetDictionaryModifyStamp(time);
    if (rc == KX_KERNEL_E_NOT_SUPPORTED && GetDictionary() != nullptr) {
        time = GetDictionary()->GetModifyStamp();
        return KX_KERNEL_OK;
    }
    return rc;
}

int32_t KxBase::GetFileInfo(KxDatabaseFileInfo& info) const
{
    const KxAdmin* admin = GetAdmin();
    if (admin == nullptr) {
        return KX_KERNEL_E_STATE;
    }
    info = admin->GetFileInfo();
    return KX_KERNEL_OK;
}

int32_t KxBase::IsExternalBackupRunning() const { return impl_->externalBackup; }
void KxBase::SetExternalBackupRunning(int32_t running) { impl_->externalBackup = running != 0 ? 1 : 0; }
int32_t KxBase::GetAuthorization() const { return impl_->authorization; }
void KxBase::SetAuthorization(int32_t enabled) { impl_->authorization = enabled != 0 ? 1 : 0; }
