// The object storer and object deletion.
//
// Storing an object registers it with the compound statement on top of the transaction level: an
// insert request (no row yet) or an update request (it has one) of its class gets an alias of the
// object, and the compound statement keeps the object's old and new state so that a rollback puts
// the state back. Nothing is written then; the compound statement's prepare writes. The storer walks
// the object's members with the kernel's object walker to store the referenced objects that go with
// it and to settle the ids of on-demand references.
//
// One top-level StoreObject visits each object at most once (a set of visited objects), so a cycle
// of references ends; the objects to store with it are kept in a work list rather than stored by
// recursion, so a long chain of references needs no deep stack. The visited set starts empty with
// every StoreObject: a second store of an object in the same transaction registers it again (then
// in the update request, since it has a row from the first one).
//
// Store-with rule (depth is the kernel's 1, 2 or 3):
//   pointer and on-demand members   depth 3, or depth 1 or 2 with member flag 8
//   object sets                     depth 2 or 3, or depth 1 with member flag 8
//   on-demand sets                  depth 3, or depth 1 with member flag 8
// A reference into another base than the environment's gives -2201 unless foreign references are
// allowed; this check runs for every pointer, on-demand reference and set element, whether or not
// the referenced object is stored with its owner.
//
// Deleting locks the object, registers a delete request and, with dependents, reads each object's
// row (an image request, operation 10, in the read unit of work), collects the references of its
// row through the class map's member maps and deletes those objects the same way; each object is
// deleted once, and the image requests are deleted when the walk ends.
#pragma once

#include <cstdint>
#include <unordered_set>
#include <vector>

#include "KxObjectWalker.h"
#include "KxRef.h"

class KxBase;
class KxClassDescriptor;
class KxGClassMap;
class KxGCompoundStatement;
class KxGOperationEnvironment;
class KxGTransactionContext;
class KxObject;
class KxObjectAlias;

// Bits of an object's state word that the storer reads and writes.
enum : uint16_t {
    KXG_OBJECT_HAS_ROW = 0x8000,   // the object has a row in the database
    KXG_OBJECT_MODIFIED = 0x4000   // the object is marked as modified
};

// The lock mode of objects to delete.
constexpr uint16_t KXG_LOCK_MODE_DELETE = 8204;

// Member flags the storer reads (qualifier word of the kernel member).
enum : uint32_t {
    KXG_MEMBER_NOT_STORED = 0x0004,
    KXG_MEMBER_STORE_WITH = 0x0008
};

class KxGObjectStorer : public KxObjectWalker {
public:
    // environment: the base the objects belong to, its option flags and the class-map look-up.
    // compound: the compound statement on top of the transaction level (not owned). depth: 1, 2 or 3.
    KxGObjectStorer(KxGOperationEnvironment* environment, KxGTransactionContext* context,
                    KxGCompoundStatement* compound, int32_t depth, bool allowForeignRefs);
    ~KxGObjectStorer() override;
    KxGObjectStorer(const KxGObjectStorer&) = delete;
    KxGObjectStorer& operator=(const KxGObjectStorer&) = delete;

    // Stores the object and the objects that go with it:
    //  1. an object without row (bit 15 clear), or modified (bit 14), or any object while the
    //     environment does not use mark-modified, is registered (RegisterStore); a failed
    //     registration gives -6051;
    //  2. its members are walked (also when it was not registered), which queues the referenced
    //     objects to store; each queued object is handled by steps 1 and 2 in turn.
    // The first error stops and is answered. descriptor may be null.
    int32_t StoreObject(const KxClassDescriptor* descriptor, KxObject* object);

    // Registration of an object with the compound statement (the store road):
    //  -2002 for a null alias or one without object; operation 2 when the state has bit 15, else 1;
    //  the request of the class and operation with room, or a new one with the class map
    //  (-6086 when the class is not mapped: recorded with SetUserError and traced); the alias joins
    //  the request (owned by it from then on; on failure deleted); the object is registered with
    //  its old state and new state (old & 0x3FFF) | 0x8000, which is written into the object.
    static int32_t RegisterStore(KxGOperationEnvironment* environment, KxGCompoundStatement* compound,
                                 KxObjectAlias* alias, KxObject* object);

    // Registration of a delete of the reference alias (owned from the call on): the delete request
    // of its class (-6086 unmapped); under the critical section of the transaction's object space
    // the object's state (0x8000 when not listed) loses bit 15; the compound statement registers
    // old state and state & 0x7FFF. Without an object space only the request is filled.
    static int32_t RegisterDelete(KxGOperationEnvironment* environment, KxGCompoundStatement* compound,
                                  KxObjectAlias* alias);

    // Deletes the object of the reference: -6038 without a compound statement on top of the
    // context. dependents 0: the object is locked with KXG_LOCK_MODE_DELETE (-2041 when refused, the
    // server's status when the server failed), then its delete
    // registered (-6050). Otherwise dependents is the read-ahead mode (KXG_READ_AHEAD_...) with which
    // the reference member maps of each deleted row name its dependents: every object reached is
    // read once (-6086 for an unmapped class), locked (as above) and deleted once (-6050); the warning
    // 2017 when the first object has no row; the first negative result stops, else the first
    // positive one is answered. The reads' requests are deleted when the walk ends.
    static int32_t DeleteObject(KxGOperationEnvironment* environment, KxGTransactionContext* context,
                                const KxRef& ref, int32_t dependents);

    int32_t Member(uint8_t* instance, const KxMember& member) override;
    int32_t ArrayElement(uint8_t* element, const KxMember& member, uint32_t index) override;
    int32_t PointerMember(KxObject** slot, const KxMember& member) override;
    int32_t OnDemandMember(KxOnDemand* reference, const KxMember& member) override;
    int32_t ObjectSet(KxObjectSet* set, const KxMember& member) override;
    int32_t OnDemandSet(KxOnDemandSet* set, const KxMember& member) override;

    int32_t GetDepth() const { return depth_; }

private:
    // Whether the walk of an instance of the class meets anything the storer looks at: a stored
    // reference or reference set, itself or in an embedded object. Values and type and class sets it
    // passes by, so that an object of plain members is not walked at all.
    static bool Reaches(const KxMetaClass* metaClass);

    KxGOperationEnvironment* environment_;
    KxGTransactionContext* context_;
    KxGCompoundStatement* compound_;
    const KxMember* member_ = nullptr;
    int32_t depth_;
    bool allowForeignRefs_;
    // Objects of this StoreObject seen so far besides the first (root_), and those still to store
    // (each held while queued).
    const KxObject* root_ = nullptr;
    std::unordered_set<const KxObject*> visited_;
    std::vector<KxObject*> pending_;

    bool StoreWith(const KxMember& member) const;
    bool StoreWithSet(const KxMember& member) const;
    bool StoreWithOnDemandSet(const KxMember& member) const;
    // Whether a reference into the base is refused (-2201 answered by the caller).
    bool Foreign(const KxBase* base) const;
    // Attaches an object that is in no base, or has no id, to the environment's base.
    void AttachToEnvironment(KxObject* object) const;
    // Queues the object unless it was visited already (holds it while queued).
    void Queue(KxObject* object);
    void ClearVisited();
    // Step 1 and 2 of StoreObject for one object.
    int32_t StoreOne(const KxClassDescriptor* descriptor, KxObject* object);
    void DropPending();
};

// The class map of a class for the environment: its class-map look-up, else null.
KxGClassMap* KxGFindClassMap(KxGOperationEnvironment* environment, const KxClassId& classId);
