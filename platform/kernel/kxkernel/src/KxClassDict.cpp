#include "KxClassDict.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <set>

#include "KxObject.h"
#include "KxRoot.h"
#include "KxTypeMgr.h"
#include "KxValueOps.h"

// ---- KxClassDescriptor -----------------------------------------------------------------------
const KxString& KxClassDescriptor::GetName() const { return current_->GetName(); }

uint8_t* KxClassDescriptor::GetAddress(const KxObject* object) const {
    return object != nullptr ? object->GetAddress() : nullptr;
}

// ---- KxClassDict -----------------------------------------------------------------------------
KxClassDict::KxClassDict() = default;
KxClassDict::~KxClassDict() = default;

const KxString& KxClassDict::GetClientName() const { return KxBase::KELVOX()->GetClientName(); }

uint32_t KxClassDict::GetTypeMgrVersion() const
{
    const KxTypeMgr* manager = KxBase::KELVOX()->GetTypeMgr();
    return manager != nullptr ? manager->GetVersion() : 0;
}

int32_t KxClassDict::GetSubSchema(uint32_t index, uint16_t& id, KxString& name) const
{
    if (index >= subSchemata_.size()) return KX_DICT_E_NO_ENTRY;
    id = subSchemata_[index].first;
    name = subSchemata_[index].second;
    return KX_KERNEL_OK;
}

int32_t KxClassDict::CheckSubSchema(uint16_t id) const
{
    for (const auto& [own, name] : subSchemata_) {
        if (own != id) continue;
        KxClassDict* dict = nullptr;
        const int32_t rc = KxBase::KELVOX()->GetDictionary(server_, name, dict);
        if (rc == KX_KERNEL_OK) KxBase::KELVOX()->ReleaseDictionary(dict);
        return rc;
    }
    return KX_KERNEL_E_NOT_FOUND;
}

int32_t KxClassDict::GetRootDescriptor(const KxClassDescriptor*& descriptor) const {
    descriptor = FindDescriptor(0);
    return descriptor != nullptr ? 0 : KX_DICT_E_NOT_FOUND;
}

int32_t KxClassDict::GetDescriptor(uint32_t index, const KxClassDescriptor*& descriptor) const {
    if (index >= list_.size()) {
        descriptor = nullptr;
        return KX_DICT_E_NO_ENTRY;
    }
    descriptor = list_[index];
    return 0;
}

const KxClassDescriptor* KxClassDict::FindDescriptor(uint16_t classNumber) const {
    const auto it = byNumber_.find(classNumber);
    return it != byNumber_.end() ? it->second.get() : nullptr;
}

const KxMetaType* KxClassDict::GetCurrentVersion(uint16_t classNumber) const {
    const KxClassDescriptor* d = FindDescriptor(classNumber);
    return d != nullptr ? d->GetMetaType() : nullptr;
}

const KxMetaType* KxClassDict::GetMetaType(const KxClassId& id) const {
    for (const KxMetaType* t = GetCurrentVersion(id.GetClassNumber()); t != nullptr;
         t = t->GetPreviousVersion())
        if (t->GetVersion() == id.GetVersion()) return t;
    return nullptr;
}

const KxMetaClass* KxClassDict::GetMetaClass(const KxClassId& id) const {
    const KxMetaType* t = GetMetaType(id);
    return t != nullptr ? t->AsClass() : nullptr;
}

const KxMetaType* KxClassDict::FindByName(const KxString& name) const {
    for (const KxClassDescriptor* d : list_)
        if (d->GetName() == name) return d->GetMetaType();
    return nullptr;
}

int32_t KxClassDict::GetKxMetaTypeVersion(const KxMetaType*& type) const {
    if (type == nullptr) return KX_KERNEL_E_INVALID;
    const KxMetaType* current = GetCurrentVersion(type->GetClassNumber());
    if (current == nullptr) return KX_DICT_E_NOT_FOUND;
    type = current;
    return 0;
}

bool KxClassDict::IsCurrentVersion(const KxClassId& id) const {
    const KxMetaType* current = GetCurrentVersion(id.GetClassNumber());
    return current != nullptr && current->GetVersion() == id.GetVersion();
}

int32_t KxClassDict::DeleteClass(uint16_t classNumber) {
    const auto it = byNumber_.find(classNumber);
    if (it == byNumber_.end()) return KX_DICT_E_NOT_FOUND;
    const KxMetaClass* cls = it->second->GetMetaClass();
    if (classNumber == 0 || cls == nullptr) return KX_KERNEL_E_INVALID;
    if (!cls->GetSubclasses().empty()) return KX_KERNEL_E_STATE;
    // No class or set type that stays may use it.
    for (const KxClassDescriptor* d : list_) {
        if (d->GetClassNumber() == classNumber) continue;
        const KxMetaType* type = d->GetMetaType();
        if (const KxMetaSet* set = type->AsSet()) {
            if (set->GetElementClass() != nullptr && set->GetElementClass()->GetClassNumber() == classNumber)
                return KX_KERNEL_E_STATE;
            continue;
        }
        for (const KxMember* m : type->AsClass()->GetAllMembers())
            if (m->GetClass() != nullptr && m->GetClass()->GetClassNumber() == classNumber) return KX_KERNEL_E_STATE;
    }
    for (const KxMetaType* version = cls; version != nullptr; version = version->GetPreviousVersion()) {
        const KxMetaClass* v = version->AsClass();
        for (uint32_t i = 0; v != nullptr && i < v->GetBaseCount(); ++i) {
            const KxMetaType* base = GetCurrentVersion(v->GetBase(i)->GetClassNumber());
            if (base == nullptr || base->AsClass() == nullptr) continue;
            auto& subs = const_cast<KxMetaClass*>(base->AsClass())->subclasses_;
            subs.erase(std::remove(subs.begin(), subs.end(), classNumber), subs.end());
        }
    }
    list_.erase(std::remove(list_.begin(), list_.end(), it->second.get()), list_.end());
    deleted_.push_back(std::move(it->second));
    byNumber_.erase(it);
    return 0;
}

int32_t KxClassDict::BeginTransaction() { return ++txnLevel_, 0; }

int32_t KxClassDict::CommitTransaction() {
    if (txnLevel_ <= 0) return KX_KERNEL_E_STATE;
    return --txnLevel_;
}

int32_t KxClassDict::AbortTransaction() { return CommitTransaction(); }

// ---- KxDictBuilder ---------------------------------------------------------------------------
namespace {

struct MemberDecl {
    KxString name;
    KxMemberType type = KX_MEMBER_VALUE;
    int32_t typeCode = 0;
    KxString ref;   // class or set type name
    uint32_t count = 1;
    uint32_t qualifier = 0;
    int32_t kind = KX_MEMBER_KIND_STORED;
    KxString where;
};

struct IndexDecl {
    KxString name;
    std::vector<KxString> paths;
    bool unique = false;
    KxString where;
};

struct RightDecl {
    KxString className;
    bool attribute = false;
    KxString attributeClass;
    int16_t number = 0;
    int32_t typeId = 0;
    uint32_t permissions = 0;
    KxString where;
};

struct UserDecl {
    KxString name;
    bool group = false;
    std::vector<KxString> groups;
    std::vector<RightDecl> rights;
    KxString where;
};

struct TypeDecl {
    KxMetaKind kind = KX_META_CLASS;
    uint16_t number = 0;
    uint16_t version = 0;
    KxString name;
    uint32_t marks = 0;
    std::vector<KxString> bases;
    std::vector<MemberDecl> members;
    std::vector<IndexDecl> indexes;
    KxString element;
    int32_t elementType = -1;
    int32_t form = 1;
    uint32_t classFlags = 0;
    int32_t setKind = 0;
    int32_t elementMode = 0;
    KxString where;
};

bool ValidName(const KxString& name) {
    if (name.IsEmpty()) return false;
    for (char c : name.ToUtf8())
        if (c <= ' ' || c == ',' || c == '@' || c == ':' || c == '=' || c == '"' || c == '#')
            return false;
    return true;
}

uint32_t AlignUp(uint32_t v, uint32_t a) { return (v + a - 1) / a * a; }

}  // namespace

struct KxDictBuilder::Impl {
    KxString name;
    KxString server;
    KxString logical;
    uint16_t revision = 0;
    std::vector<std::pair<uint16_t, KxUpdateLogEntry>> updates;
    bool stamped = false;
    KxDateTime created;
    KxDateTime modified;
    std::vector<TypeDecl> decls;
    int32_t current = -1;   // index of the class that members belong to
    std::vector<UserDecl> users;
    KxString where;
    KxString error;         // the first declaration error

    void Fail(const KxString& at, const std::string& why) {
        if (!error.IsEmpty()) return;
        error = at.IsEmpty() ? KxString(why) : at + KxString(": ") + KxString(why);
    }
    MemberDecl* AddMember(const KxString& member) {
        if (current < 0 || decls[current].kind != KX_META_CLASS) {
            Fail(where, "member " + member.ToUtf8() + " outside a class");
            return nullptr;
        }
        decls[current].members.emplace_back();
        MemberDecl& m = decls[current].members.back();
        m.name = member;
        m.where = where;
        return &m;
    }
};

KxDictBuilder::KxDictBuilder(const KxString& name, const KxString& server)
    : impl_(std::make_unique<Impl>()) {
    impl_->name = name;
    impl_->server = server.IsEmpty() ? KxString(KX_DEFAULT_DICTIONARY_SERVER) : server;
    impl_->logical = name;
}
KxDictBuilder::~KxDictBuilder() = default;

KxDictBuilder& KxDictBuilder::Logical(const KxString& logicalName) {
    impl_->logical = logicalName;
    return *this;
}
KxDictBuilder& KxDictBuilder::Update(uint16_t revision, uint16_t classNumber, const KxString& indexName,
                                     uint32_t flags) {
    KxUpdateLogEntry entry;
    entry.classNumber = classNumber;
    entry.indexName = indexName;
    entry.flags = flags;
    impl_->updates.emplace_back(revision, entry);
    return *this;
}

std::vector<KxUpdateLogEntry> KxClassDict::GetUpdateLog(uint16_t revision) const {
    std::vector<KxUpdateLogEntry> log;
    for (const auto& [number, entry] : updates_) {
        if (number == revision) log.push_back(entry);
    }
    return log;
}

KxDictBuilder& KxDictBuilder::Revision(uint16_t revision) {
    impl_->revision = revision;
    return *this;
}
KxDictBuilder& KxDictBuilder::Stamps(const KxDateTime& created, const KxDateTime& modified) {
    impl_->stamped = true;
    impl_->created = created;
    impl_->modified = modified;
    return *this;
}
void KxDictBuilder::SetLine(const KxString& where) { impl_->where = where; }

KxDictBuilder& KxDictBuilder::Class(uint16_t number, uint16_t version, const KxString& name,
                                   bool embedded, uint32_t marks) {
    TypeDecl d;
    d.kind = KX_META_CLASS;
    d.number = number;
    d.version = version;
    d.name = name;
    d.marks = marks | (embedded ? uint32_t(KX_MARK_EMBEDDED) : 0u);
    d.where = impl_->where;
    impl_->decls.push_back(std::move(d));
    impl_->current = int32_t(impl_->decls.size()) - 1;
    return *this;
}

KxDictBuilder& KxDictBuilder::ClassForm(int32_t form, uint32_t classFlags) {
    if (impl_->current < 0 || impl_->decls[impl_->current].kind != KX_META_CLASS) {
        impl_->Fail(impl_->where, "class form outside a class");
    } else {
        impl_->decls[impl_->current].form = form;
        impl_->decls[impl_->current].classFlags = classFlags;
    }
    return *this;
}

KxDictBuilder& KxDictBuilder::SetForm(int32_t setKind, int32_t elementMode) {
    if (impl_->decls.empty() || impl_->decls.back().kind == KX_META_CLASS) {
        impl_->Fail(impl_->where, "set form without a set type");
    } else {
        impl_->decls.back().setKind = setKind;
        impl_->decls.back().elementMode = elementMode;
    }
    return *this;
}

KxDictBuilder& KxDictBuilder::Base(const KxString& className) {
    if (impl_->current < 0 || impl_->decls[impl_->current].kind != KX_META_CLASS)
        impl_->Fail(impl_->where, "base class outside a class");
    else
        impl_->decls[impl_->current].bases.push_back(className);
    return *this;
}

KxDictBuilder& KxDictBuilder::Value(const KxString& name, int32_t typeCode, uint32_t count,
                                    uint32_t qualifier, int32_t kind) {
    if (MemberDecl* m = impl_->AddMember(name)) {
        m->type = KX_MEMBER_VALUE;
        m->typeCode = typeCode;
        m->count = count;
        m->qualifier = qualifier;
        m->kind = kind;
    }
    return *this;
}

namespace {
MemberDecl* Ref(MemberDecl* m, KxMemberType type, int32_t code, const KxString& ref,
                uint32_t count, uint32_t qualifier) {
    if (m == nullptr) return nullptr;
    m->type = type;
    m->typeCode = code;
    m->ref = ref;
    m->count = count;
    m->qualifier = qualifier;
    return m;
}
}  // namespace

KxDictBuilder& KxDictBuilder::Embedded(const KxString& name, const KxString& className,
                                       uint32_t count, uint32_t qualifier) {
    Ref(impl_->AddMember(name), KX_MEMBER_EMBEDDED, KX_TYPE_EMBEDDED, className, count, qualifier);
    return *this;
}
KxDictBuilder& KxDictBuilder::Pointer(const KxString& name, const KxString& className,
                                      uint32_t count, uint32_t qualifier) {
    Ref(impl_->AddMember(name), KX_MEMBER_POINTER, KX_TYPE_POINTER, className, count, qualifier);
    return *this;
}
KxDictBuilder& KxDictBuilder::OnDemand(const KxString& name, const KxString& className,
                                       uint32_t count, uint32_t qualifier) {
    Ref(impl_->AddMember(name), KX_MEMBER_ONDEMAND, KX_TYPE_ONDEMAND, className, count, qualifier);
    return *this;
}
KxDictBuilder& KxDictBuilder::Set(const KxString& name, const KxString& setTypeName,
                                  uint32_t qualifier) {
    // The member type follows from the set type (resolved in Build).
    Ref(impl_->AddMember(name), KX_MEMBER_OBJECT_SET, KX_TYPE_OBJECT_SET, setTypeName, 1, qualifier);
    return *this;
}

KxDictBuilder& KxDictBuilder::Index(const KxString& name, const std::vector<KxString>& paths,
                                    bool unique) {
    if (impl_->current < 0 || impl_->decls[impl_->current].kind != KX_META_CLASS) {
        impl_->Fail(impl_->where, "index " + name.ToUtf8() + " outside a class");
        return *this;
    }
    IndexDecl d;
    d.name = name;
    d.paths = paths;
    d.unique = unique;
    d.where = impl_->where;
    impl_->decls[impl_->current].indexes.push_back(std::move(d));
    return *this;
}

namespace {
TypeDecl SetDecl(KxMetaKind kind, uint16_t number, uint16_t version, const KxString& name,
                 const KxString& where) {
    TypeDecl d;
    d.kind = kind;
    d.number = number;
    d.version = version;
    d.name = name;
    d.where = where;
    return d;
}
}  // namespace

KxDictBuilder& KxDictBuilder::ObjectSet(uint16_t number, uint16_t version, const KxString& name,
                                        const KxString& elementClass) {
    impl_->decls.push_back(SetDecl(KX_META_OBJECT_SET, number, version, name, impl_->where));
    impl_->decls.back().element = elementClass;
    impl_->current = -1;
    return *this;
}
KxDictBuilder& KxDictBuilder::OnDemandSet(uint16_t number, uint16_t version, const KxString& name,
                                          const KxString& elementClass) {
    impl_->decls.push_back(SetDecl(KX_META_ONDEMAND_SET, number, version, name, impl_->where));
    impl_->decls.back().element = elementClass;
    impl_->current = -1;
    return *this;
}
KxDictBuilder& KxDictBuilder::ClassSet(uint16_t number, uint16_t version, const KxString& name,
                                       const KxString& elementClass) {
    impl_->decls.push_back(SetDecl(KX_META_CLASS_SET, number, version, name, impl_->where));
    impl_->decls.back().element = elementClass;
    impl_->current = -1;
    return *this;
}
KxDictBuilder& KxDictBuilder::Container(uint16_t number, uint16_t version, const KxString& name,
                                        const KxString& element) {
    impl_->decls.push_back(SetDecl(KX_META_CONTAINER, number, version, name, impl_->where));
    impl_->decls.back().element = element;
    impl_->current = -1;
    return *this;
}
KxDictBuilder& KxDictBuilder::TypeSet(uint16_t number, uint16_t version, const KxString& name,
                                      int32_t elementType) {
    impl_->decls.push_back(SetDecl(KX_META_TYPE_SET, number, version, name, impl_->where));
    impl_->decls.back().elementType = elementType;
    impl_->current = -1;
    return *this;
}

KxDictBuilder& KxDictBuilder::User(const KxString& name, bool group) {
    impl_->current = -1;
    impl_->users.emplace_back();
    impl_->users.back().name = name;
    impl_->users.back().group = group;
    impl_->users.back().where = impl_->where;
    return *this;
}

KxDictBuilder& KxDictBuilder::MemberOf(const KxString& groupName) {
    if (impl_->users.empty()) impl_->Fail(impl_->where, "group " + groupName.ToUtf8() + " outside a user");
    else impl_->users.back().groups.push_back(groupName);
    return *this;
}

KxDictBuilder& KxDictBuilder::Right(const KxString& className, uint32_t permissions) {
    if (impl_->users.empty()) {
        impl_->Fail(impl_->where, "right on " + className.ToUtf8() + " outside a user");
        return *this;
    }
    RightDecl right;
    right.className = className;
    right.permissions = permissions;
    right.where = impl_->where;
    impl_->users.back().rights.push_back(right);
    return *this;
}

KxDictBuilder& KxDictBuilder::AttributeRight(const KxString& className, const KxString& attributeClass,
                                             int16_t attribute, int32_t typeId, uint32_t permissions) {
    Right(className, permissions);
    if (!impl_->users.empty() && !impl_->users.back().rights.empty()) {
        RightDecl& right = impl_->users.back().rights.back();
        right.attribute = true;
        right.attributeClass = attributeClass;
        right.number = attribute;
        right.typeId = typeId;
    }
    return *this;
}

KxUser* KxClassDict::FindUser(const KxString& name) const {
    for (const auto& user : users_)
        if (user->GetName() == name) return user.get();
    return nullptr;
}

namespace {

// The users of a build: made, rights resolved against the classes, groups linked without cycles.
bool BuildUsers(const std::vector<UserDecl>& decls, const KxClassDict& dict,
                std::vector<std::unique_ptr<KxUser>>& users, KxString& why) {
    auto fail = [&](const KxString& at, const std::string& text) {
        why = at.IsEmpty() ? KxString(text) : at + KxString(": ") + KxString(text);
        return false;
    };
    for (const UserDecl& decl : decls) {
        for (const auto& made : users)
            if (made->GetName() == decl.name) return fail(decl.where, "duplicate user " + decl.name.ToUtf8());
        users.push_back(std::make_unique<KxUser>(decl.name, decl.group));
        for (const RightDecl& right : decl.rights) {
            const KxMetaType* type = dict.FindByName(right.className);
            if (type == nullptr || type->AsClass() == nullptr)
                return fail(right.where, "right on unknown class " + right.className.ToUtf8());
            if (!right.attribute) {
                users.back()->GetRightSet().Add(KxRightEntry(type->GetClassId(), right.permissions));
                continue;
            }
            const KxMetaType* owner = dict.FindByName(right.attributeClass);
            if (owner == nullptr || owner->AsClass() == nullptr)
                return fail(right.where, "right on unknown class " + right.attributeClass.ToUtf8());
            users.back()->GetRightSet().Add(
                KxRightEntry(type->GetClassId(), owner->GetClassId(), right.number, right.typeId, right.permissions));
        }
    }
    for (size_t i = 0; i < decls.size(); ++i) {
        for (const KxString& name : decls[i].groups) {
            KxUser* group = nullptr;
            for (const auto& made : users)
                if (made->GetName() == name) group = made.get();
            if (group == nullptr || !group->IsGroup())
                return fail(decls[i].where, "unknown group " + name.ToUtf8());
            users[i]->GetGroupSet().Add(group);
        }
    }
    // A group reached again from itself would make every walk over the groups endless.
    std::function<bool(const KxUser*, std::vector<const KxUser*>&)> cyclic =
        [&](const KxUser* user, std::vector<const KxUser*>& path) {
            if (std::find(path.begin(), path.end(), user) != path.end()) return true;
            path.push_back(user);
            KxUser* group = nullptr;
            for (int32_t k = 0; user->GetGroupSet().Get(group, k) == 0; ++k)
                if (cyclic(group, path)) return true;
            path.pop_back();
            return false;
        };
    for (size_t i = 0; i < users.size(); ++i) {
        std::vector<const KxUser*> path;
        if (cyclic(users[i].get(), path))
            return fail(decls[i].where, "group cycle through " + users[i]->GetName().ToUtf8());
    }
    return true;
}

}  // namespace

// The linking and layout of one Build.
class KxMetaLayout {
public:
    KxMetaLayout(KxClassDict& dict, std::vector<TypeDecl>& decls, KxString& error)
        : dict_(dict), decls_(decls), error_(error) {}

    bool Run();

private:
    bool Fail(const KxString& at, const std::string& why) {
        if (error_.IsEmpty()) error_ = at.IsEmpty() ? KxString(why) : at + KxString(": ") + KxString(why);
        return false;
    }
    // name or name@version -> meta type; null (with error) when unknown.
    KxMetaType* Resolve(const KxString& ref, const KxString& at);
    bool LayoutClass(KxMetaClass* cls);
    bool LayoutSet(KxMetaSet* set);
    bool LayoutContainer(KxMetaPersContainer* container);
    // The element of a container type from its declaration: a type name, "ondemand:<class>" or a class.
    bool LinkContainer(KxMetaPersContainer* container, const TypeDecl& d);
    bool SizeMember(KxMember& m, const TypeDecl& d, const MemberDecl& md);

    KxClassDict& dict_;
    std::vector<TypeDecl>& decls_;
    KxString& error_;
    std::map<const KxMetaType*, const TypeDecl*> declOf_;
    std::map<const KxMetaType*, int> state_;   // 1 in progress, 2 done
    std::map<std::string, uint16_t> numberByName_;
};

KxMetaType* KxMetaLayout::Resolve(const KxString& ref, const KxString& at) {
    const std::string text = ref.ToUtf8();
    const size_t atSign = text.find('@');
    const std::string name = text.substr(0, atSign);
    const auto it = numberByName_.find(name);
    if (it == numberByName_.end()) {
        Fail(at, "unknown class " + text);
        return nullptr;
    }
    const KxMetaType* t = dict_.GetCurrentVersion(it->second);
    if (atSign != std::string::npos) {
        char* end = nullptr;
        const unsigned long v = std::strtoul(text.c_str() + atSign + 1, &end, 10);
        t = (*end == '\0' && v <= 0xFFFF && end != text.c_str() + atSign + 1)
                ? dict_.GetMetaType(KxClassId(it->second, uint16_t(v)))
                : nullptr;
        if (t == nullptr) {
            Fail(at, "unknown class version " + text);
            return nullptr;
        }
    }
    return const_cast<KxMetaType*>(t);
}

bool KxMetaLayout::SizeMember(KxMember& m, const TypeDecl& d, const MemberDecl& md) {
    switch (m.type_) {
    case KX_MEMBER_VALUE: {
        const KxValueOps* ops = KxGetValueOps(m.typeCode_);
        if (ops == nullptr)
            return Fail(md.where, "member " + md.name.ToUtf8() + " has no value type " +
                                      std::to_string(m.typeCode_));
        m.elementSize_ = ops->size;
        m.align_ = ops->align;
        return true;
    }
    case KX_MEMBER_EMBEDDED: {
        auto* cls = const_cast<KxMetaClass*>(m.class_);
        if (!LayoutClass(cls)) return false;
        m.elementSize_ = cls->size_;
        m.align_ = 8;
        return true;
    }
    case KX_MEMBER_POINTER: m.elementSize_ = sizeof(KxObject*); m.align_ = alignof(KxObject*); return true;
    case KX_MEMBER_ONDEMAND: m.elementSize_ = sizeof(KxOnDemand); m.align_ = alignof(KxOnDemand); return true;
    case KX_MEMBER_OBJECT_SET: m.elementSize_ = sizeof(KxObjectSet); m.align_ = alignof(KxObjectSet); break;
    case KX_MEMBER_ONDEMAND_SET: m.elementSize_ = sizeof(KxOnDemandSet); m.align_ = alignof(KxOnDemandSet); break;
    case KX_MEMBER_TYPE_SET: m.elementSize_ = sizeof(KxTypeSet); m.align_ = alignof(KxTypeSet); break;
    case KX_MEMBER_CLASS_SET: m.elementSize_ = sizeof(KxClassSet); m.align_ = alignof(KxClassSet); break;
    case KX_MEMBER_CONTAINER:
        m.elementSize_ = sizeof(KxBasicContainer);
        m.align_ = alignof(KxBasicContainer);
        return LayoutContainer(const_cast<KxMetaPersContainer*>(m.container_));
    }
    (void)d;
    return LayoutSet(const_cast<KxMetaSet*>(m.setType_));
}

bool KxMetaLayout::LayoutSet(KxMetaSet* set) {
    if (state_[set] == 2) return true;
    state_[set] = 2;
    switch (set->GetKind()) {
    case KX_META_OBJECT_SET:
    case KX_META_ONDEMAND_SET:
        set->elementSize_ = sizeof(KxRef);
        set->size_ = set->GetKind() == KX_META_OBJECT_SET ? sizeof(KxObjectSet) : sizeof(KxOnDemandSet);
        return true;
    case KX_META_CLASS_SET:
        // Elements are separate blocks: the element class may contain this set type.
        set->size_ = sizeof(KxClassSet);
        if (state_[set->elementClass_] == 1) {
            set->elementSize_ = 0;   // filled when the element class's layout ends
            return true;
        }
        if (!LayoutClass(const_cast<KxMetaClass*>(set->elementClass_))) return false;
        set->elementSize_ = set->elementClass_->size_;
        return true;
    case KX_META_TYPE_SET:
        set->elementSize_ = KxGetValueOps(set->elementType_)->size;
        set->size_ = sizeof(KxTypeSet);
        return true;
    default: return true;
    }
}

bool KxMetaLayout::LinkContainer(KxMetaPersContainer* container, const TypeDecl& d) {
    const std::string text = d.element.ToUtf8();
    const KxClassId& id = container->GetClassId();
    if (text.rfind("ondemand:", 0) == 0) {
        KxMetaType* e = Resolve(KxString(text.substr(9)), d.where);
        if (e == nullptr) return false;
        if (!e->IsPersistent())
            return Fail(d.where, "element of container " + d.name.ToUtf8() + " is not persistent");
        container->elementKind_ = KX_CONTAINER_ONDEMAND;
        container->elementClass_ = e->AsClass();
        container->ownElement_.reset(new KxMetaOnDemand(id, KxString(text), e->AsClass()));
    } else if (const int32_t code = KxTypeCodeByName(text.c_str()); code >= 0 && KxGetValueOps(code) != nullptr) {
        container->elementKind_ = KX_CONTAINER_BASIC_TYPE;
        container->elementType_ = code;
        container->ownElement_.reset(new KxMetaBasicType(id, KxString(text), code));
    } else {
        KxMetaType* e = Resolve(d.element, d.where);
        if (e == nullptr) return false;
        if (e->AsClass() == nullptr)
            return Fail(d.where, "element of container " + d.name.ToUtf8() + " is no type or class");
        container->elementKind_ = e->IsPersistent() ? KX_CONTAINER_PERS_CLASS : KX_CONTAINER_NONPERS_CLASS;
        container->elementClass_ = e->AsClass();
        container->element_ = e;
        return true;
    }
    container->ownElement_->dictionary_ = &dict_;
    container->element_ = container->ownElement_.get();
    return true;
}

bool KxMetaLayout::LayoutContainer(KxMetaPersContainer* container) {
    if (state_[container] == 2) return true;
    state_[container] = 2;
    container->size_ = sizeof(KxBasicContainer);
    switch (container->elementKind_) {
    case KX_CONTAINER_BASIC_TYPE: container->elementSize_ = KxGetValueOps(container->elementType_)->size; return true;
    case KX_CONTAINER_PERS_CLASS:
    case KX_CONTAINER_ONDEMAND: container->elementSize_ = sizeof(KxOnDemand); return true;
    case KX_CONTAINER_NONPERS_CLASS:
        // Elements are separate blocks: the element class may hold this container type.
        if (state_[container->elementClass_] == 1) return true;   // filled after the layouts
        if (!LayoutClass(const_cast<KxMetaClass*>(container->elementClass_))) return false;
        container->elementSize_ = container->elementClass_->size_;
        return true;
    }
    return true;
}

bool KxMetaLayout::LayoutClass(KxMetaClass* cls) {
    int& state = state_[cls];
    if (state == 2) return true;
    const TypeDecl& d = *declOf_[cls];
    if (state == 1)
        return Fail(d.where, "class " + cls->GetName().ToUtf8() + " contains itself through its bases "
                                 "or embedded members");
    state = 1;
    for (const KxMetaClass* b : cls->bases_)
        if (!LayoutClass(const_cast<KxMetaClass*>(b))) return false;
    for (size_t i = 0; i < cls->own_.size(); ++i)
        if (!SizeMember(*cls->own_[i], d, d.members[i])) return false;

    // Every base once, depth-first, first base first.
    for (const KxMetaClass* b : cls->bases_) {
        for (const KxMetaClass* x : b->allBases_)
            if (std::find(cls->allBases_.begin(), cls->allBases_.end(), x) == cls->allBases_.end())
                cls->allBases_.push_back(x);
        if (std::find(cls->allBases_.begin(), cls->allBases_.end(), b) == cls->allBases_.end())
            cls->allBases_.push_back(b);
    }
    uint32_t at = 0;
    auto place = [&at](KxMember& m) {
        at = AlignUp(at, m.align_);
        m.offset_ = at;
        at += m.elementSize_ * m.count_;
    };
    for (const KxMetaClass* b : cls->allBases_) {
        at = AlignUp(at, 8);
        cls->baseOffsets_.emplace_back(b, at);
        for (const auto& own : b->own_) {
            auto copy = std::make_unique<KxMember>(*own);
            place(*copy);
            cls->all_.push_back(copy.get());
            cls->inherited_.push_back(std::move(copy));
        }
    }
    // The own members start 8-aligned, as the class's block does in its subclasses' instances.
    at = AlignUp(at, 8);
    for (const auto& own : cls->own_) {
        place(*own);
        cls->all_.push_back(own.get());
    }
    cls->size_ = AlignUp(at, 8);
    state = 2;
    return true;
}

bool KxMetaLayout::Run() {
    // Class ids and names.
    std::set<std::pair<uint16_t, uint16_t>> ids;
    for (const TypeDecl& d : decls_) {
        if (!ValidName(d.name)) return Fail(d.where, "invalid name \"" + d.name.ToUtf8() + "\"");
        // The root class's name is the root's alone: a class of another number under it could not
        // be read back from the saved declarations.
        if (d.number != 0 && d.name.ToUtf8() == "KxObject")
            return Fail(d.where, "class name KxObject is reserved for the root class");
        if (!ids.insert({d.number, d.version}).second)
            return Fail(d.where, "class id " + std::to_string(d.number) + "." +
                                     std::to_string(d.version) + " declared twice");
        const auto it = numberByName_.find(d.name.ToUtf8());
        if (it != numberByName_.end() && it->second != d.number)
            return Fail(d.where, "name " + d.name.ToUtf8() + " used by two class numbers");
        numberByName_[d.name.ToUtf8()] = d.number;
        if (d.kind == KX_META_CLASS && d.number == 0 && (d.marks & KX_MARK_EMBEDDED))
            return Fail(d.where, "the root class cannot be embedded");
    }
    if (ids.lower_bound({0, 0}) == ids.end() || ids.begin()->first != 0) {
        TypeDecl root;
        root.name = "KxObject";
        decls_.insert(decls_.begin(), std::move(root));
        numberByName_["KxObject"] = 0;
    }

    // Meta types, versions and descriptors.
    std::vector<size_t> order(decls_.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [this](size_t a, size_t b) {
        return std::make_pair(decls_[a].number, decls_[a].version) <
               std::make_pair(decls_[b].number, decls_[b].version);
    });
    std::vector<KxMetaType*> typeOf(decls_.size());
    for (size_t i : order) {
        const TypeDecl& d = decls_[i];
        const KxClassId id(d.number, d.version);
        std::unique_ptr<KxMetaType> t;
        if (d.kind == KX_META_CLASS && (d.marks & KX_MARK_EMBEDDED) != 0)
            t.reset(new KxMetaNonPersClass(id, d.name, d.marks));
        else if (d.kind == KX_META_CLASS)
            t.reset(new KxMetaPersClass(id, d.name, d.marks));
        else if (d.kind == KX_META_CONTAINER)
            t.reset(new KxMetaPersContainer(id, d.name, d.marks));
        else
            t.reset(new KxMetaSet(d.kind, id, d.name, d.marks));
        t->dictionary_ = &dict_;
        t->form_ = d.form;
        t->classFlags_ = d.classFlags;
        t->setKind_ = d.setKind;
        t->elementMode_ = d.elementMode;
        auto& desc = dict_.byNumber_[d.number];
        if (!desc) {
            desc.reset(new KxClassDescriptor());
            desc->number_ = d.number;
        } else {
            if (desc->current_->GetKind() != t->GetKind())
                return Fail(d.where, "versions of class " + std::to_string(d.number) +
                                         " are of different kinds");
            t->previous_ = desc->current_;
        }
        desc->current_ = t.get();
        typeOf[i] = t.get();
        declOf_[t.get()] = &d;
        dict_.types_.push_back(std::move(t));
    }
    for (const auto& e : dict_.byNumber_) dict_.list_.push_back(e.second.get());

    // Bases, members, set elements.
    KxMetaClass* root = const_cast<KxMetaClass*>(dict_.GetCurrentVersion(0)->AsClass());
    if (root == nullptr) return Fail(KxString(), "class 0 is not a class");
    for (size_t i = 0; i < decls_.size(); ++i) {
        const TypeDecl& d = decls_[i];
        KxMetaType* t = typeOf[i];
        if (d.kind == KX_META_CONTAINER) {
            if (!LinkContainer(static_cast<KxMetaPersContainer*>(t), d)) return false;
            continue;
        }
        if (d.kind != KX_META_CLASS) {
            auto* set = static_cast<KxMetaSet*>(t);
            if (d.kind == KX_META_TYPE_SET) {
                if (KxGetValueOps(d.elementType) == nullptr)
                    return Fail(d.where, "set " + d.name.ToUtf8() + " has no value element type");
                set->elementType_ = d.elementType;
                continue;
            }
            KxMetaType* e = Resolve(d.element, d.where);
            if (e == nullptr) return false;
            if (e->AsClass() == nullptr)
                return Fail(d.where, "element of set " + d.name.ToUtf8() + " is not a class");
            if (d.kind != KX_META_CLASS_SET && !e->IsPersistent())
                return Fail(d.where, "element of set " + d.name.ToUtf8() + " is not persistent");
            set->elementClass_ = e->AsClass();
            continue;
        }
        auto* cls = static_cast<KxMetaClass*>(t);
        for (const KxString& b : d.bases) {
            KxMetaType* bt = Resolve(b, d.where);
            if (bt == nullptr) return false;
            if (bt->AsClass() == nullptr) return Fail(d.where, "base " + b.ToUtf8() + " is not a class");
            if (std::find(cls->bases_.begin(), cls->bases_.end(), bt->AsClass()) != cls->bases_.end())
                return Fail(d.where, "base " + b.ToUtf8() + " named twice");
            cls->bases_.push_back(bt->AsClass());
        }
        if (cls->bases_.empty() && d.number != 0 && cls->IsPersistent()) cls->bases_.push_back(root);
        uint16_t position = 0;
        for (const MemberDecl& md : d.members) {
            if (!ValidName(md.name) || md.name.ToUtf8().find('.') != std::string::npos)
                return Fail(md.where, "invalid member name \"" + md.name.ToUtf8() + "\"");
            for (const auto& other : cls->own_)
                if (other->name_ == md.name)
                    return Fail(md.where, "member " + md.name.ToUtf8() + " declared twice");
            if (md.count == 0) return Fail(md.where, "member " + md.name.ToUtf8() + " has no elements");
            auto m = std::make_unique<KxMember>();
            m->name_ = md.name;
            m->type_ = md.type;
            m->typeCode_ = md.typeCode;
            m->count_ = md.count;
            m->qualifier_ = md.qualifier;
            m->kind_ = md.kind;
            m->position_ = position++;
            m->declaring_ = cls;
            if (md.qualifier & KX_QUAL_AUTO_VALUE) cls->marks_ |= KX_MARK_AUTO_VALUES;
            if (md.type != KX_MEMBER_VALUE && !(md.type == KX_MEMBER_ONDEMAND && md.ref.IsEmpty())) {
                KxMetaType* rt = Resolve(md.ref, md.where);
                if (rt == nullptr) return false;
                if (md.type == KX_MEMBER_OBJECT_SET && rt->AsContainer() != nullptr) {
                    m->container_ = rt->AsContainer();
                    m->type_ = KX_MEMBER_CONTAINER;
                    m->typeCode_ = KX_TYPE_CONTAINER;
                } else if (md.type == KX_MEMBER_OBJECT_SET) {   // any set: the set type decides
                    const KxMetaSet* st = rt->AsSet();
                    if (st == nullptr) return Fail(md.where, md.ref.ToUtf8() + " is not a set type");
                    m->setType_ = st;
                    static const KxMemberType types[] = {KX_MEMBER_OBJECT_SET, KX_MEMBER_ONDEMAND_SET,
                                                         KX_MEMBER_CLASS_SET, KX_MEMBER_TYPE_SET};
                    static const int32_t codes[] = {KX_TYPE_OBJECT_SET, KX_TYPE_ONDEMAND_SET,
                                                    KX_TYPE_CLASS_SET, KX_TYPE_TYPE_SET};
                    m->type_ = types[st->GetKind() - KX_META_OBJECT_SET];
                    m->typeCode_ = codes[st->GetKind() - KX_META_OBJECT_SET];
                } else {
                    if (rt->AsClass() == nullptr)
                        return Fail(md.where, md.ref.ToUtf8() + " is not a class");
                    if (md.type != KX_MEMBER_EMBEDDED && !rt->IsPersistent())
                        return Fail(md.where, md.ref.ToUtf8() + " is not persistent");
                    m->class_ = rt->AsClass();
                }
            }
            cls->own_.push_back(std::move(m));
        }
    }
    // Elements of set members: the set's element class (resolved above).
    for (const auto& t : dict_.types_)
        if (KxMetaClass* cls = const_cast<KxMetaClass*>(t->AsClass()))
            for (auto& m : cls->own_)
                if (m->setType_ != nullptr) m->class_ = m->setType_->elementClass_;

    // Layouts.
    for (const auto& t : dict_.types_) {
        if (KxMetaClass* cls = const_cast<KxMetaClass*>(t->AsClass())) {
            if (!LayoutClass(cls)) return false;
        } else if (t->AsContainer() != nullptr) {
            if (!LayoutContainer(const_cast<KxMetaPersContainer*>(t->AsContainer()))) return false;
        } else if (!LayoutSet(const_cast<KxMetaSet*>(t->AsSet()))) {
            return false;
        }
    }
    for (const auto& t : dict_.types_)   // containers whose element class was being laid out
        if (const KxMetaPersContainer* c = t->AsContainer(); c != nullptr && c->elementKind_ == KX_CONTAINER_NONPERS_CLASS)
            const_cast<KxMetaPersContainer*>(c)->elementSize_ = c->elementClass_->size_;
    for (const auto& t : dict_.types_)   // class sets whose element class was being laid out
        if (t->GetKind() == KX_META_CLASS_SET) {
            auto* set = const_cast<KxMetaSet*>(t->AsSet());
            set->elementSize_ = set->elementClass_->size_;
        }

    // Subclasses (of the current versions).
    for (const KxClassDescriptor* d : dict_.list_) {
        const KxMetaClass* cls = d->GetMetaClass();
        if (cls == nullptr) continue;
        for (const KxMetaClass* b : cls->bases_) {
            auto* current = const_cast<KxMetaClass*>(
                dict_.GetCurrentVersion(b->GetClassNumber())->AsClass());
            auto& subs = current->subclasses_;
            if (std::find(subs.begin(), subs.end(), cls->GetClassNumber()) == subs.end())
                subs.insert(std::upper_bound(subs.begin(), subs.end(), cls->GetClassNumber()),
                            cls->GetClassNumber());
        }
    }

    // Index definitions, numbered in declaration order.
    uint16_t number = 0;
    for (size_t i = 0; i < decls_.size(); ++i) {
        const TypeDecl& d = decls_[i];
        for (const IndexDecl& id : d.indexes) {
            auto* cls = static_cast<KxMetaClass*>(typeOf[i]);
            if (!ValidName(id.name)) return Fail(id.where, "invalid index name \"" + id.name.ToUtf8() + "\"");
            if (id.paths.empty()) return Fail(id.where, "index " + id.name.ToUtf8() + " has no key");
            auto index = std::make_unique<KxIndexDef>();
            index->name_ = id.name;
            index->number_ = ++number;
            index->classNumber_ = d.number;
            index->unique_ = id.unique;
            for (const KxString& path : id.paths) {
                KxIndexKey key;
                key.path = path;
                const KxMetaClass* at = cls;
                const std::string text = path.ToUtf8();
                size_t start = 0;
                while (true) {
                    const size_t dot = text.find('.', start);
                    const KxString part(text.substr(start, dot == std::string::npos ? std::string::npos
                                                                                    : dot - start));
                    const KxMember* m = at != nullptr ? at->FindMember(part) : nullptr;
                    if (m == nullptr)
                        return Fail(id.where, "index " + id.name.ToUtf8() + ": no member path " + text);
                    key.members.push_back(m);
                    if (dot == std::string::npos) break;
                    at = m->GetMemberType() == KX_MEMBER_EMBEDDED ? m->GetClass() : nullptr;
                    start = dot + 1;
                }
                index->keys_.push_back(std::move(key));
            }
            cls->indexes_.push_back(std::move(index));
        }
    }
    return true;
}

int32_t KxDictBuilder::Build(std::unique_ptr<KxClassDict>& dict, KxString* error) {
    dict.reset();
    auto fail = [&](const KxString& why) {
        if (error != nullptr) *error = why;
        return KX_DICT_E_SYNTAX;
    };
    if (!impl_->error.IsEmpty()) return fail(impl_->error);
    if (!ValidName(impl_->name)) return fail(KxString("invalid dictionary name"));
    std::unique_ptr<KxClassDict> made(new KxClassDict());
    made->name_ = impl_->name;
    made->server_ = impl_->server;
    made->logical_ = impl_->logical;
    made->revision_ = impl_->revision;
    made->updates_ = impl_->updates;
    if (impl_->stamped) {
        made->created_ = impl_->created;
        made->modified_ = impl_->modified;
    } else {
        made->modified_ = made->created_;
    }
    std::vector<TypeDecl> decls = impl_->decls;
    KxString why;
    KxMetaLayout layout(*made, decls, why);
    if (!layout.Run()) return fail(why);
    if (!BuildUsers(impl_->users, *made, made->users_, why)) return fail(why);
    dict = std::move(made);
    if (error != nullptr) *error = KxString::EmptyString();
    return 0;
}
