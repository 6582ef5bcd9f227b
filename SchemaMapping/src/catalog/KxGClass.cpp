// Mapped classes and members.
#include "KxGClass.h"

#include <algorithm>

#include "KxGClassMap.h"
#include "KxGMemberMap.h"
#include "KxGRefMemberMap.h"

KxGMemberMap::~KxGMemberMap() = default;

KxGMember::KxGMember(const KxString& name, KxGClass* owner, std::unique_ptr<KxGMemberMap> memberMap)
    : name_(name), owner_(owner), memberMap_(std::move(memberMap))
{
}

KxGMember::~KxGMember() = default;

KxGClass::KxGClass(KxGSchemaMap* schemaMap, const KxClassId& classId, const KxString& name, uint16_t kind)
    : kind_(kind), schemaMap_(schemaMap), classId_(classId), name_(StripQualifiers(name))
{
}

// The class map goes before the members whose member maps it lists.
KxGClass::~KxGClass()
{
    classMap_.reset();
}

KxString KxGClass::StripQualifiers(const KxString& name)
{
    int32_t last = -1;
    for (int32_t at = name.Find('.'); at >= 0; at = name.Find('.', at + 1)) {
        last = at;
    }
    return last < 0 ? name : name.Right(name.Len() - static_cast<uint32_t>(last) - 1);
}

void KxGClass::AddMember(std::unique_ptr<KxGMember> member)
{
    if (member) {
        own_.push_back(std::move(member));
    }
}

void KxGClass::CollectBases(std::vector<KxGMember*>& list, std::vector<const KxGClass*>& seen) const
{
    for (KxGClass* base : bases_) {
        if (base != nullptr && std::find(seen.begin(), seen.end(), base) == seen.end()) {
            seen.push_back(base);
            base->CollectInto(list, seen);
        }
    }
}

void KxGClass::CollectInto(std::vector<KxGMember*>& list, std::vector<const KxGClass*>& seen) const
{
    CollectBases(list, seen);
    for (const auto& member : own_) {
        list.push_back(member.get());
    }
}

void KxGClass::CollectMembers()
{
    all_.clear();
    std::vector<const KxGClass*> seen;
    CollectInto(all_, seen);
}

void KxGClass::SetClassMap(std::unique_ptr<KxGClassMap> classMap)
{
    classMap_ = std::move(classMap);
}

void KxGClass::SetSubclasses(const std::vector<uint16_t>& numbers)
{
    if (numbers.empty()) {
        subclasses_.reset();
    } else {
        subclasses_ = std::make_unique<std::vector<uint16_t>>(numbers);
    }
}

KxGRelation* KxGClass::AddRelation(std::unique_ptr<KxGRelation> relation)
{
    relations_.push_back(std::move(relation));
    return relations_.back().get();
}

// ---- class with multiple or virtual inheritance -----------------------------------------------------

KxGVirtualInheritClass::~KxGVirtualInheritClass()
{
    // The class map lists the inherited maps too: it goes first (as in the base destructor).
    SetClassMap(nullptr);
}

void KxGVirtualInheritClass::AddMember(std::unique_ptr<KxGMember> member)
{
    if (!member) {
        return;
    }
    if (member->GetClass() == this || member->GetClass() == nullptr) {
        KxGClass::AddMember(std::move(member));
    } else {
        inherited_.push_back(std::move(member));
    }
}

KxGRelation* KxGVirtualInheritClass::AddRelation(std::unique_ptr<KxGRelation> relation)
{
    if (!relation) {
        return nullptr;
    }
    if (relation->GetOwnerClass() == this || relation->GetOwnerClass() == nullptr) {
        return KxGClass::AddRelation(std::move(relation));
    }
    inheritedRelations_.push_back(std::move(relation));
    return inheritedRelations_.back().get();
}

KxGMember* KxGVirtualInheritClass::OwnMapOf(const KxGMember& member) const
{
    for (const auto& mine : inherited_) {
        if (mine->GetClass() == member.GetClass() && mine->GetName() == member.GetName()) {
            return mine.get();
        }
    }
    return nullptr;
}

void KxGVirtualInheritClass::CollectInto(std::vector<KxGMember*>& list, std::vector<const KxGClass*>& seen) const
{
    std::vector<KxGMember*> bases;
    CollectBases(bases, seen);
    for (KxGMember* member : bases) {
        KxGMember* mine = OwnMapOf(*member);
        list.push_back(mine != nullptr ? mine : member);
    }
    for (uint32_t i = 0; i < GetMemberCount(); ++i) {
        list.push_back(GetMember(i));
    }
}

void KxGVirtualInheritClass::CollectMembers()
{
    AllMembers().clear();
    std::vector<const KxGClass*> seen;
    CollectInto(AllMembers(), seen);
}
