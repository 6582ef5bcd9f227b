#include "KxProjectSchema.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

#include "KxClassDict.h"
#include "KxFileSystem.h"
#include "KxMetaType.h"
#include "KxSpecs.h"
#include "w32crt.h"
#include "w32path.h"

// ---- member access ---------------------------------------------------------------------------
namespace {
uint8_t* memberAt(const KxObject* object, int32_t n) {
    return object->MemberAddress(*object->GetMetaClass()->GetMember(static_cast<uint32_t>(n)));
}

const KxMetaClass* classOf(KxBase* base, const char* name) {
    KxClassDict* dictionary = base != nullptr ? base->GetDictionary() : nullptr;
    const KxMetaType* type = dictionary != nullptr ? dictionary->FindByName(KxString(name)) : nullptr;
    return type != nullptr ? type->AsClass() : nullptr;
}
}  // namespace

int32_t& KxProjectPersistent::intMember(int32_t n) const { return *reinterpret_cast<int32_t*>(memberAt(this, n)); }
KxString& KxProjectPersistent::textMember(int32_t n) const { return *reinterpret_cast<KxString*>(memberAt(this, n)); }
KxDateTime& KxProjectPersistent::timeMember(int32_t n) const {
    return *reinterpret_cast<KxDateTime*>(memberAt(this, n));
}
KxObject* KxProjectPersistent::pointerMember(int32_t n) const { return *reinterpret_cast<KxObject**>(memberAt(this, n)); }
void KxProjectPersistent::setPointerMember(int32_t n, KxObject* target) {
    SetPointer(*GetMetaClass()->GetMember(static_cast<uint32_t>(n)), target);
}
KxObjectSet* KxProjectPersistent::setMember(int32_t n) const { return reinterpret_cast<KxObjectSet*>(memberAt(this, n)); }

void KxProjectPersistent::copyMembers(const KxProjectPersistent& other) {
    if (&other == this || other.GetMetaClass() != GetMetaClass()) return;
    const KxMetaClass* cls = GetMetaClass();
    for (uint32_t i = 0; i < cls->GetMemberCount(); ++i) {
        const KxMember& m = *cls->GetMember(i);
        const auto n = static_cast<int32_t>(i);
        switch (m.GetMemberType()) {
        case KX_MEMBER_POINTER: setPointerMember(n, other.pointerMember(n)); break;
        case KX_MEMBER_OBJECT_SET: *setMember(n) = *other.setMember(n); break;
        default:
            switch (m.GetTypeCode()) {
            case KX_TYPE_INT: intMember(n) = other.intMember(n); break;
            case KX_TYPE_STRING: textMember(n) = other.textMember(n); break;
            case KX_TYPE_DATETIME: timeMember(n) = other.timeMember(n); break;
            default: break;
            }
        }
    }
    State() = static_cast<uint16_t>(GetState() | KX_STATE_MODIFIED);
}

int32_t KxProjectPersistent::offsetOf(const KxClassIdentifier& own, const KxClassIdentifier* asked, int32_t level,
                                      int32_t member, const void* object) {
    if (asked == nullptr || *asked != own || level > 1 || object == nullptr) return -1;
    const KxMetaClass* cls = static_cast<const KxObject*>(object)->GetMetaClass();
    if (member < 0 || static_cast<uint32_t>(member) >= cls->GetMemberCount()) return -1;
    return static_cast<int32_t>(cls->GetMember(static_cast<uint32_t>(member))->GetOffset());
}

void* KxProjectPersistent::addressPoint(const KxClassIdentifier& own, const KxClassIdentifier& asked) {
    return asked.EqualsIgnoringVersion(own) || asked.GetLocalClassId() == 0 ? this : nullptr;
}

KxObject* KxProjectPersistent::makeIn(KxBase* base, const char* className) {
    return base != nullptr ? KxObject::Make(base, KxString(className)) : nullptr;
}

void* KxProjectPersistent::DestroyObject(void* object) {
    if (object != nullptr) static_cast<KxObject*>(object)->Forget();
    return nullptr;
}

// ---- identity, hooks and construction of each class ----------------------------------------------
#define KX_PROJECT_DEFINE_CLASS(Class, number, version)                                                 \
    const KxClassIdentifier& Class::ClassIdentifier() {                                                 \
        static const KxClassIdentifier id(number, version);                                             \
        return id;                                                                                      \
    }                                                                                                   \
    Class* Class::make(KxBase* base) { return dynamic_cast<Class*>(makeIn(base, #Class)); }             \
    KxObject* Class::Factory(const KxMetaClass* metaClass, uint8_t* instance) {                         \
        return new Class(metaClass, instance);                                                          \
    }                                                                                                   \
    int32_t Class::KxOffsets(KxClassIdentifier* identifier, int32_t level, int32_t member, void* object) { \
        return offsetOf(ClassIdentifier(), identifier, level, member, object);                          \
    }

KX_PROJECT_DEFINE_CLASS(KxProjectState, 100, 0)
KX_PROJECT_DEFINE_CLASS(KxProjectObj, 101, 1)
KX_PROJECT_DEFINE_CLASS(KxProjectDirectories, 103, 0)
KX_PROJECT_DEFINE_CLASS(KxProjectItem, 104, 0)
KX_PROJECT_DEFINE_CLASS(KxProjectOptions, 105, 2)
KX_PROJECT_DEFINE_CLASS(KxProjectODLOptions, 106, 2)

const KxClassIdentifier& KxProjectItemIndirectCSet::ClassIdentifier() {
    static const KxClassIdentifier id(102, 0);
    return id;
}

KxProjectState::KxProjectState(const KxMetaClass* metaClass, uint8_t* instance)
    : KxProjectPersistent(metaClass, instance) {}
KxProjectState& KxProjectState::operator=(const KxProjectState& other) {
    copyMembers(other);
    return *this;
}

KxProjectDirectories::KxProjectDirectories(const KxMetaClass* metaClass, uint8_t* instance)
    : KxProjectPersistent(metaClass, instance) {
    KxFileSystem files;
    const char* temp = files.getTempDir();
    setTempDir(KxString(temp != nullptr ? temp : ""));
}
KxProjectDirectories& KxProjectDirectories::operator=(const KxProjectDirectories& other) {
    copyMembers(other);
    return *this;
}

KxProjectOptions::KxProjectOptions(const KxMetaClass* metaClass, uint8_t* instance)
    : KxProjectPersistent(metaClass, instance) {
    setVerboseSwitch(1);
}
KxProjectOptions& KxProjectOptions::operator=(const KxProjectOptions& other) {
    copyMembers(other);
    createNewDictionary_ = other.createNewDictionary_;
    return *this;
}

KxProjectODLOptions::KxProjectODLOptions(const KxMetaClass* metaClass, uint8_t* instance)
    : KxProjectPersistent(metaClass, instance) {
    setFullCompileSwitch(1);
    setAsOndemandMembersSwitch(1);
}
KxProjectODLOptions& KxProjectODLOptions::operator=(const KxProjectODLOptions& other) {
    copyMembers(other);
    return *this;
}

KxProjectItem::KxProjectItem(const KxMetaClass* metaClass, uint8_t* instance)
    : KxProjectPersistent(metaClass, instance) {}
KxProjectItem& KxProjectItem::operator=(const KxProjectItem& other) {
    copyMembers(other);
    state_ = other.state_;
    return *this;
}

KxProjectObj::KxProjectObj(const KxMetaClass* metaClass, uint8_t* instance)
    : KxProjectPersistent(metaClass, instance), items_(setMember(0)) {}
KxProjectObj& KxProjectObj::operator=(const KxProjectObj& other) {
    copyMembers(other);
    return *this;
}

// ---- the registration with the kernel ----------------------------------------------------------
namespace {
#define KX_PROJECT_ROW(Class) \
    KxClassBinding{Class::ClassIdentifier(), &Class::Factory, &Class::KxOffsets, &Class::Cast2KxBaseClass, &Class::DestroyObject}
const KxClassBinding theRows[] = {
    KX_PROJECT_ROW(KxProjectState),
    KX_PROJECT_ROW(KxProjectObj),
    KxClassBinding{KxProjectItemIndirectCSet::ClassIdentifier(), nullptr, nullptr,
                   &KxProjectItemIndirectCSet::Cast2KxBaseClass, &KxProjectItemIndirectCSet::DestroyObject},
    KX_PROJECT_ROW(KxProjectDirectories),
    KX_PROJECT_ROW(KxProjectItem),
    KX_PROJECT_ROW(KxProjectOptions),
    KX_PROJECT_ROW(KxProjectODLOptions),
};
const KxClassAssociation theAssociation("workdict", theRows, sizeof theRows / sizeof theRows[0],
                                        "1994-11-08 15:29:57", "0000-00-00 00:00:00");
}  // namespace

// ---- reference members -------------------------------------------------------------------------
KxProjectOptions* KxProjectItem::getOptions() const { return dynamic_cast<KxProjectOptions*>(pointerMember(2)); }
void KxProjectItem::setOptions(KxProjectOptions* options) { setPointerMember(2, options); }
KxProjectDirectories* KxProjectItem::getDirectories() const {
    return dynamic_cast<KxProjectDirectories*>(pointerMember(3));
}
void KxProjectItem::setDirectories(KxProjectDirectories* d) { setPointerMember(3, d); }

KxProjectOptions* KxProjectObj::getOptions() const { return dynamic_cast<KxProjectOptions*>(pointerMember(1)); }
void KxProjectObj::setOptions(KxProjectOptions* o) { setPointerMember(1, o); }
KxProjectDirectories* KxProjectObj::getDirectories() const {
    return dynamic_cast<KxProjectDirectories*>(pointerMember(2));
}
void KxProjectObj::setDirectories(KxProjectDirectories* d) { setPointerMember(2, d); }
KxProjectODLOptions* KxProjectObj::getODLOptions() const { return dynamic_cast<KxProjectODLOptions*>(pointerMember(3)); }
void KxProjectObj::setODLOptions(KxProjectODLOptions* o) { setPointerMember(3, o); }

// ---- items ----------------------------------------------------------------------------------------
int32_t KxProjectItemIndirectCSet::Get(KxProjectItem*& item, long offset, int32_t seek, int32_t lock, int32_t watch) {
    item = nullptr;
    if (set_ == nullptr) return KX_KERNEL_E_NO_ELEMENT;
    KxObject* got = nullptr;
    const int32_t rc = set_->Get(got, static_cast<int32_t>(offset), seek, lock, watch);
    if (rc != 0) return rc;
    item = dynamic_cast<KxProjectItem*>(got);
    if (item == nullptr) {
        set_->Unget(got);
        return KX_KERNEL_E_WRONG_CLASS;
    }
    return 0;
}

int32_t KxProjectItemIndirectCSet::Get(KxOnDemand& ref, long offset, int32_t seek, int32_t lock, int32_t watch) {
    KxProjectItem* item = nullptr;
    const int32_t rc = Get(item, offset, seek, lock, watch);
    if (rc != 0) return rc;
    ref = KxOnDemand(item, 1);
    return Unget(item);
}

int32_t KxProjectItemIndirectCSet::Unget(KxProjectItem*& item) {
    KxObject* object = item;
    item = nullptr;
    return set_ != nullptr ? set_->Unget(object) : 0;
}

int32_t KxProjectItemIndirectCSet::GetNum() const { return set_ != nullptr ? static_cast<int32_t>(set_->Count()) : 0; }
int32_t KxProjectItemIndirectCSet::Append(KxProjectItem* item, int32_t) {
    return set_ != nullptr ? set_->Append(static_cast<KxObject*>(item)) : KX_KERNEL_E_INVALID;
}
int32_t KxProjectItemIndirectCSet::Delete(int32_t mode) { return set_ != nullptr ? set_->Delete(mode) : KX_KERNEL_E_NO_ELEMENT; }
int32_t KxProjectItemIndirectCSet::Clear() { return set_ != nullptr ? set_->Clear() : 0; }

int32_t KxProjectObj::addItem(KxProjectItem* item) {
    const int32_t rc = items_.Append(item, 1);
    if (rc == 0) State() = static_cast<uint16_t>(GetState() | KX_STATE_MODIFIED);
    return rc;
}

int32_t KxProjectObj::removeItem(short index) {
    KxProjectItem* item = nullptr;
    int32_t rc = items_.Get(item, index, 0);
    if (rc != 0) return rc;
    rc = items_.Delete(1);
    item->Forget();   // the hold of Get: released from memory, not deleted from the database
    if (rc == 0) State() = static_cast<uint16_t>(GetState() | KX_STATE_MODIFIED);
    return rc;
}

KxProjectItem* KxProjectObj::getItem(long i) {
    if (items_.GetNum() == 0) return nullptr;
    KxProjectItem* item = nullptr;
    return items_.Get(item, i, 0) == 0 ? item : nullptr;
}

int32_t KxProjectObj::ungetItem(KxProjectItem* item) {
    if (item == nullptr) return 1;
    return items_.Unget(item);
}

int32_t KxProjectObj::getItemsCount() const { return items_.GetNum(); }

const KxDateTime& KxProjectObj::touch() {
    timeMember(7).SetNow();
    return timeMember(7);
}

int32_t KxProjectObj::lockCompileStateObject() {
    if (GetBase() == nullptr) return KX_KERNEL_E_STATE;
    KxLockSpec spec;
    spec.mode = 0x1014;
    spec.kind = 0;   // depth 0
    return GetBase()->LockObject(GetRef(), spec);
}

int32_t KxProjectObj::unlockCompileStateObject() {
    if (GetBase() == nullptr) return KX_KERNEL_E_STATE;
    KxLockSpec spec;
    spec.mode = 0x1014;
    spec.kind = 0;
    return GetBase()->UnlockObject(GetRef(), spec);
}

// ---- the compile-need test ----------------------------------------------------------------------
namespace {
bool isExtension(const char* ext, const char* name) {
    const char* e = ext[0] == '.' ? ext + 1 : ext;
    return strcasecmp(e, name) == 0;
}

// The modification time of a file; all fields 0 when it has none.
KxDateTime modified(const std::string& path) {
    KxFileSystem files;
    return files.getModificationTime(path.c_str());
}

bool newer(const KxDateTime& a, const KxDateTime& b) { return a.Compare(b) > 0; }

// Opens a file named in Windows or Linux form for reading.
std::unique_ptr<std::ifstream> openForReading(const std::string& path) {
    std::string linux;
    if (w32path::ToLinux(path, linux) != 0) return nullptr;
    auto in = std::make_unique<std::ifstream>(linux);
    return in->is_open() ? std::move(in) : nullptr;
}

std::string makePath(const char* drive, const char* dir, const char* fname, const char* ext) {
    char path[_MAX_PATH] = "";
    _makepath(path, drive, dir, fname, ext);
    return path;
}
}  // namespace

int32_t KxProjectItem::mustBeCompiled(int32_t deep) const {
    char drive[_MAX_DRIVE] = "", dir[_MAX_DIR] = "", fname[_MAX_FNAME] = "", ext[_MAX_EXT] = "";
    const std::string name = getName().ToUtf8();
    _splitpath(name.c_str(), drive, dir, fname, ext);
    if (isExtension(ext, "ocd")) return 0;
    const std::string path = getPath().ToUtf8();
    const std::string source = makePath(drive, path.c_str(), fname, ext);
    const std::string generated = makePath(nullptr, nullptr, fname, ".ocd");
    const std::string dependencies = makePath(drive, path.c_str(), fname, "dep");
    const KxDateTime sourceTime = modified(source);
    if (isExtension(ext, "hcd")) {
        if (!openForReading(generated) || newer(sourceTime, modified(generated))) return 1;
    }
    std::unique_ptr<std::ifstream> in = openForReading(dependencies);
    if (!in) return 1;
    const KxDateTime dependencyTime = modified(dependencies);
    if (newer(sourceTime, dependencyTime)) return 1;
    if (deep != 0) {
        char line[260];
        while (in->getline(line, sizeof line) || in->gcount() > 0) {
            if (in->fail() && !in->eof()) in->clear();   // a longer line reads on in pieces
            std::string file(line);
            if (!file.empty() && file.back() == '\r') file.pop_back();
            if (file.empty()) break;
            if (newer(modified(file), dependencyTime)) return 1;
        }
    }
    return 0;
}

// ---- queries --------------------------------------------------------------------------------------
KxProjectQueryBase::KxProjectQueryBase(KxBase* base, const KxMetaClass* metaClass, const char* className)
    : KxGenericQuery(metaClass != nullptr ? metaClass : classOf(base, className), 0, 0),
      class_(metaClass != nullptr ? metaClass : classOf(base, className)) {}

bool KxProjectQueryBase::memberPosition(const char* member, uint16_t& pos) const {
    if (class_ == nullptr) return false;
    const auto& members = class_->GetAllMembers();
    for (size_t i = 0; i < members.size(); ++i) {
        if (members[i]->GetName() == KxString(member)) {
            pos = static_cast<uint16_t>(i);
            return true;
        }
    }
    return false;
}

int32_t KxProjectQueryBase::condition(const char* member, int32_t typeCode, const void* value, uint16_t compareOp) {
    const int32_t rc = SetMember(KxString(member));
    return rc != 0 ? rc : Set(typeCode, 1, value, compareOp, 1, 0);
}

int32_t KxProjectQueryBase::elements(const char* member, KxQuery* sub, int32_t count, uint16_t countOp) {
    std::unique_ptr<KxQuery> owned(sub);
    uint16_t pos = 0;
    if (owned == nullptr) return KX_KERNEL_E_INVALID;
    if (!memberPosition(member, pos)) return class_ == nullptr ? KX_KERNEL_E_STATE : KX_KERNEL_E_NOT_FOUND;
    SetSubQuery(pos, class_->GetClassId(), std::move(owned), count, countOp);
    return 0;
}

int32_t KxProjectQueryBase::reference(const char* member, KxQuery* sub) { return elements(member, sub, 1, 0); }

int32_t KxProjectQueryBase::reference(const char* member, const KxOnDemand& target, uint16_t compareOp) {
    return Set(KxString(member), target, compareOp, 0);
}

#define KX_PROJECT_DEFINE_QUERY(Query, Class)                                                           \
    Query::Query(KxBase* base, const KxMetaClass* metaClass, KxQueryType)                               \
        : KxProjectQueryBase(base, metaClass, #Class) {}
KX_PROJECT_DEFINE_QUERY(KxProjectStateQuery, KxProjectState)
KX_PROJECT_DEFINE_QUERY(KxProjectDirectoriesQuery, KxProjectDirectories)
KX_PROJECT_DEFINE_QUERY(KxProjectOptionsQuery, KxProjectOptions)
KX_PROJECT_DEFINE_QUERY(KxProjectODLOptionsQuery, KxProjectODLOptions)
KX_PROJECT_DEFINE_QUERY(KxProjectItemQuery, KxProjectItem)
KX_PROJECT_DEFINE_QUERY(KxProjectObjQuery, KxProjectObj)

int32_t KxProjectObjQuery::Setitems(unsigned count, unsigned short countOp, KxProjectItemQuery* sub) {
    return elements("items", sub, static_cast<int32_t>(count), countOp);
}

// ---- extents --------------------------------------------------------------------------------------
#define KX_PROJECT_DEFINE_ALL_SET(AllSet, Class)                                                        \
    AllSet::AllSet(KxBase* base) : KxAllSet(persistentClass(base, #Class), base) {}                    \
    int32_t AllSet::Get(Class*& object, long offset, int32_t seek, int32_t lock, int32_t watch) {       \
        object = nullptr;                                                                               \
        KxObject* got = nullptr;                                                                        \
        const int32_t rc = KxAllSet::Get(got, static_cast<int32_t>(offset), seek, lock, watch);         \
        if (rc != 0) return rc;                                                                         \
        object = dynamic_cast<Class*>(got);                                                             \
        if (object == nullptr) {                                                                        \
            KxAllSet::Unget(got);                                                                       \
            return KX_KERNEL_E_WRONG_CLASS;                                                             \
        }                                                                                               \
        return 0;                                                                                       \
    }                                                                                                   \
    int32_t AllSet::Get(KxOnDemand& ref, long offset, int32_t seek, int32_t lock, int32_t watch) {      \
        Class* object = nullptr;                                                                        \
        const int32_t rc = Get(object, offset, seek, lock, watch);                                      \
        if (rc != 0) return rc;                                                                         \
        ref = KxOnDemand(object, 1);                                                                    \
        KxObject* held = object;                                                                        \
        return KxAllSet::Unget(held);                                                                   \
    }

namespace {
const KxMetaPersClass* persistentClass(KxBase* base, const char* name) {
    const KxMetaClass* cls = classOf(base, name);
    return cls != nullptr ? cls->AsPersClass() : nullptr;
}
}  // namespace

KX_PROJECT_DEFINE_ALL_SET(KxProjectObjAllSet, KxProjectObj)
KX_PROJECT_DEFINE_ALL_SET(KxProjectItemAllSet, KxProjectItem)
KX_PROJECT_DEFINE_ALL_SET(KxProjectOptionsAllSet, KxProjectOptions)
KX_PROJECT_DEFINE_ALL_SET(KxProjectODLOptionsAllSet, KxProjectODLOptions)
KX_PROJECT_DEFINE_ALL_SET(KxProjectDirectoriesAllSet, KxProjectDirectories)
KX_PROJECT_DEFINE_ALL_SET(KxProjectStateAllSet, KxProjectState)
