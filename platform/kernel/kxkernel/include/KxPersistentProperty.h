// Persistent properties of objects: a persistent lock, or a check-out of an object into a
// workspace. The kernel records each as a property object of the object's database; they are found
// by a query over the database's properties of one kind.
//
//   KxPersistentProperty                 what every property has: the object it belongs to, the user
//   KxPersistentLock                     a persistent lock (KxObject::Lock with a KxLK_PERS spec)
//   KxCheckOutProperty                   a check-out into a workspace (KxCheckOutProperty::CheckOut)
//   KxPersistentPropertyQuery            a query over one kind of property, restricted to an object
//     KxPersistentLockQuery, KxCheckOutPropertyQuery
//   KxPersistentPropertyAllSet           all properties of one kind of a database; runs queries
//     KxPersistentLockAllSet, KxCheckOutPropertyAllSet
//   KxPersistentPropertyOnDemand         a reference to one property (Get / Unget)
//   KxPersistentPropertyOnDemandLSet     the references a query found
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "KxDateTime.h"
#include "KxRef.h"
#include "KxSpecs.h"
#include "KxString.h"

class KxBase;
class KxObject;

class KxPersistentProperty {
public:
    enum Kind : int32_t { KX_PERSISTENT_LOCK = 1, KX_CHECK_OUT = 2 };
    virtual ~KxPersistentProperty();
    KxPersistentProperty(const KxPersistentProperty&) = delete;
    KxPersistentProperty& operator=(const KxPersistentProperty&) = delete;

    Kind GetKind() const { return kind_; }
    // The object the property belongs to.
    const KxRef& GetObjectRef() const { return object_; }
    const KxString& GetUserName() const { return user_; }
    // False once the property was removed (its references then find nothing).
    bool IsValid() const { return valid_; }
    void Invalidate() { valid_ = false; }

protected:
    KxPersistentProperty(Kind kind, const KxRef& object, const KxString& user)
        : kind_(kind), object_(object), user_(user) {}

private:
    Kind kind_;
    KxRef object_;
    KxString user_;
    bool valid_ = true;
};

class KxPersistentLock : public KxPersistentProperty {
public:
    KxPersistentLock(const KxRef& object, uint16_t mode, KxDepthMode depth, const KxRef& root, const KxString& user,
                     int16_t userId, const KxString& clientName, uint64_t clientId)
        : KxPersistentProperty(KX_PERSISTENT_LOCK, object, user), mode_(mode), depth_(depth), root_(root),
          userId_(userId), client_(clientName), clientId_(clientId) {}
    uint16_t GetLockMode() const { return mode_; }
    KxDepthMode GetDepth() const { return depth_; }
    // The object the lock was taken on (the lock reaches this object from there).
    const KxRef& GetRootObject() const { return root_; }
    int16_t GetUserId() const { return userId_; }
    const KxString& GetClientName() const { return client_; }
    uint64_t GetClientId() const { return clientId_; }

private:
    uint16_t mode_;
    KxDepthMode depth_;
    KxRef root_;
    int16_t userId_;
    KxString client_;
    uint64_t clientId_;
};

class KxCheckOutProperty : public KxPersistentProperty {
public:
    KxCheckOutProperty(const KxRef& object, const KxDateTime& workspaceId, const KxString& user)
        : KxPersistentProperty(KX_CHECK_OUT, object, user), workspace_(workspaceId) {}
    // The workspace the object is checked out into (a workspace is known by its creation stamp).
    const KxDateTime& GetDateTimeValue() const { return workspace_; }

    // Records the check-out of the object of ref (in base's database) into the workspace, for the
    // base's user. 0; KX_KERNEL_E_STATE when the base is not open; KX_KERNEL_E_INVALID for an
    // invalid reference; KX_KERNEL_E_DUPLICATE when it is checked out into that workspace already.
    static int32_t CheckOut(KxBase* base, const KxRef& ref, const KxDateTime& workspaceId);
    // Removes that record: 0, or KX_KERNEL_E_NOT_FOUND when there is none.
    static int32_t CheckIn(KxBase* base, const KxRef& ref, const KxDateTime& workspaceId);

private:
    KxDateTime workspace_;
};

class KxPersistentPropertyQuery {
public:
    // The database, class id and query type are not used (the all-set running the query names the
    // database); the kind of property is the query's class.
    KxPersistentPropertyQuery(KxBase* base, const KxClassId* classId, int32_t type);
    virtual ~KxPersistentPropertyQuery();
    // Restricts the query to the properties of one object (null: no restriction).
    void Setobj(const KxObject* object);
    void Setobj(const KxRef& ref);
    bool IsRestricted() const { return restricted_; }
    const KxRef& GetObjectRef() const { return object_; }
    KxPersistentProperty::Kind GetKind() const { return kind_; }

protected:
    KxPersistentPropertyQuery(KxPersistentProperty::Kind kind) : kind_(kind) {}

private:
    KxPersistentProperty::Kind kind_ = KxPersistentProperty::KX_PERSISTENT_LOCK;
    bool restricted_ = false;
    KxRef object_;
};

class KxPersistentLockQuery : public KxPersistentPropertyQuery {
public:
    KxPersistentLockQuery(KxBase* base, const KxClassId* classId, int32_t type);
};

class KxCheckOutPropertyQuery : public KxPersistentPropertyQuery {
public:
    KxCheckOutPropertyQuery(KxBase* base, const KxClassId* classId, int32_t type);
};

class KxPersistentPropertyOnDemand {
public:
    KxPersistentPropertyOnDemand() = default;
    explicit KxPersistentPropertyOnDemand(std::shared_ptr<KxPersistentProperty> property)
        : property_(std::move(property)) {}
    // The property, held for the caller (lock and watch are not used): 0, or
    // KX_KERNEL_E_OBJ_NOT_FOUND when the property was removed meanwhile or there is none.
    int32_t Get(KxPersistentProperty*& property, int32_t lock = 0, int32_t watch = 0);
    // Gives the hold back (property becomes null): 0.
    int32_t Unget(KxPersistentProperty*& property);
    uint32_t GetHoldCount() const { return holds_; }

private:
    std::shared_ptr<KxPersistentProperty> property_;
    uint32_t holds_ = 0;
};

class KxPersistentPropertyOnDemandLSet {
public:
    // The base and flags are not used (the set is filled by a query).
    KxPersistentPropertyOnDemandLSet(KxBase* base, int32_t flags);
    int32_t GetCount(int32_t mode = 0) const { return static_cast<int32_t>(items_.size()); }
    // Element index, held for the caller: 0, or KX_KERNEL_E_NO_ELEMENT past the end.
    int32_t Get(KxPersistentPropertyOnDemand*& element, uint32_t index);
    // Gives the hold of Get back (element becomes null): 0.
    int32_t Unget(KxPersistentPropertyOnDemand*& element);
    void Clear() { items_.clear(); }
    void Append(const std::shared_ptr<KxPersistentProperty>& property);

private:
    std::vector<std::unique_ptr<KxPersistentPropertyOnDemand>> items_;
};

class KxPersistentPropertyAllSet {
public:
    virtual ~KxPersistentPropertyAllSet();
    // Fills results with the properties of the set's kind that the query admits, oldest first
    // (lock and watch are not used). 0; KX_KERNEL_E_STATE when the base is not open;
    // KX_KERNEL_E_WRONG_CLASS for a query over another kind of property.
    int32_t Query(const KxPersistentPropertyQuery& query, KxPersistentPropertyOnDemandLSet& results, int32_t lock = 0,
                  int32_t watch = 0);

protected:
    KxPersistentPropertyAllSet(KxBase* base, KxPersistentProperty::Kind kind) : base_(base), kind_(kind) {}

private:
    KxBase* base_;
    KxPersistentProperty::Kind kind_;
};

class KxPersistentLockAllSet : public KxPersistentPropertyAllSet {
public:
    explicit KxPersistentLockAllSet(KxBase* base) : KxPersistentPropertyAllSet(base, KxPersistentProperty::KX_PERSISTENT_LOCK) {}
};

class KxCheckOutPropertyAllSet : public KxPersistentPropertyAllSet {
public:
    explicit KxCheckOutPropertyAllSet(KxBase* base) : KxPersistentPropertyAllSet(base, KxPersistentProperty::KX_CHECK_OUT) {}
};
