// The users and groups of a class dictionary and their rights.
//
//   KxRightEntry  one right of a user or group: a permission mask (KX_PERM_...) on the objects of a
//                 class, or on one attribute of a class.
//   KxRightSet    the right entries of a user or group, got by index and handed back after use.
//   KxUserSet     the groups a user or group belongs to, got by index and handed back after use.
//   KxUser        a user or a group: name, right entries, groups.
//
// Users and groups are declared with the dictionary (KxDictBuilder::User, "user" lines of the
// declaration file) and belong to it; groups do not form cycles.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "KxObjId.h"
#include "KxString.h"

// Permission mask of a right entry.
enum : uint32_t { KX_PERM_READ = 0x1, KX_PERM_WRITE = 0x2, KX_PERM_DELETE = 0x4 };

class KxRightEntry {
public:
    // A right on the objects of a class.
    KxRightEntry(const KxClassId& classId, uint32_t permissions);
    // A right on one attribute of a class: the class that declares the attribute, the attribute's
    // number and its type id.
    KxRightEntry(const KxClassId& classId, const KxClassId& attributeClassId, int16_t attribute, int32_t typeId,
                 uint32_t permissions);

    const KxClassId& GetClassId() const { return classId_; }
    uint32_t GetPermissions() const { return permissions_; }
    bool IsAttributeRight() const { return attributeRight_; }
    const KxClassId& GetAttributeClassId() const { return attributeClassId_; }
    int16_t GetAttribute() const { return attribute_; }
    int32_t GetTypeId() const { return typeId_; }

    // A class right of the class (any version: the class numbers are compared).
    bool AppliesTo(const KxClassId& classId) const;
    // An attribute right of the class on that attribute (class numbers compared).
    bool AppliesTo(const KxClassId& classId, const KxClassId& attributeClassId, int16_t attribute,
                   int32_t typeId) const;

private:
    KxClassId classId_;
    uint32_t permissions_;
    bool attributeRight_ = false;
    KxClassId attributeClassId_;
    int16_t attribute_ = 0;
    int32_t typeId_ = 0;
};

class KxRightSet {
public:
    uint32_t Count() const { return static_cast<uint32_t>(entries_.size()); }
    // Entry i, lent to the caller until Unget: 0, or KX_KERNEL_E_NO_ELEMENT (-2005) past the end
    // (entry null).
    int32_t Get(const KxRightEntry*& entry, int32_t i) const;
    // Hands an entry back: 0; the pointer becomes null.
    int32_t Unget(const KxRightEntry*& entry) const;
    void Add(const KxRightEntry& entry) { entries_.push_back(entry); }

private:
    std::vector<KxRightEntry> entries_;
};

class KxUser;

class KxUserSet {
public:
    uint32_t Count() const { return static_cast<uint32_t>(users_.size()); }
    // Group i, lent to the caller until Unget: 0, or KX_KERNEL_E_NO_ELEMENT (-2005) past the end.
    int32_t Get(KxUser*& user, int32_t i) const;
    int32_t Unget(KxUser*& user) const;
    void Add(KxUser* user) { users_.push_back(user); }

private:
    std::vector<KxUser*> users_;
};

class KxUser {
public:
    KxUser(const KxString& name, bool group) : name_(name), group_(group) {}
    KxUser(const KxUser&) = delete;
    KxUser& operator=(const KxUser&) = delete;

    const KxString& GetName() const { return name_; }
    bool IsGroup() const { return group_; }
    KxRightSet& GetRightSet() { return rights_; }
    const KxRightSet& GetRightSet() const { return rights_; }
    KxUserSet& GetGroupSet() { return groups_; }
    const KxUserSet& GetGroupSet() const { return groups_; }

private:
    KxString name_;
    bool group_;
    KxRightSet rights_;
    KxUserSet groups_;
};
