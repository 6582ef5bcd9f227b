// Resource managers: the levels of a transaction on one connection.
//
// Every level of a kernel transaction on a context's connection is a resource manager that is
// started (XAStart), prepared, committed or rolled back, and ended (XAEnd), in the manner of an XA
// resource. The adapter chooses the class of each level through KxGDatabase::CreateResourceMgr:
//   KxGTransaction        the outermost level: commits or rolls back the connection;
//   KxGSPTransaction      a nested level kept with savepoints (SetSavepoint / RollbackToSavepoint
//                         are the adapter's);
//   KxGMRTransaction      a nested level that keeps before-images of the rows it changes and replays
//                         them when it rolls back;
//   KxGCompoundStatement  one batch of stores and deletes on top of a transaction level
//                         (KxGCompoundStatement.h).
// Each resource manager keeps the recoverable states of the objects registered with it, so that a
// rollback can put the kernel's object states (and, for replaying levels, the rows) back.
//
// State words: bit 15 (KXG_STATE_IN_DATABASE) means the object has a row in the relational
// database; bit 14 (KXG_STATE_CARRIED) is a second kernel flag carried along. The storer registers
// an object with old state = its state before the store and new state = (old & 0x3fff) | 0x8000.
//
// Status: int32_t operations answer 0 (or a positive warning) for success and a negative status
// for failure. A rollback that fails marks the context rollback-only (KxGTransactionContext.h) and
// answers a negative status: the enclosing levels then roll back instead of committing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

#include "KxRef.h"

class KxGClassMap;
class KxGDatabase;
class KxGRequest;
class KxGResourceMgr;
class KxGTransactionContext;
class KxObjectAlias;

// Kinds answered by GetRMType.
enum KxGRMType : int32_t {
    KXG_RM_TRANSACTION = 0,
    KXG_RM_COMPOUND_STATEMENT = 1
};

// Bits of a state word.
constexpr uint16_t KXG_STATE_IN_DATABASE = 0x8000;
constexpr uint16_t KXG_STATE_CARRIED = 0x4000;
constexpr uint16_t KXG_STATE_RECOVERED_BITS = KXG_STATE_IN_DATABASE | KXG_STATE_CARRIED;

// The state of one object registered with a resource manager.
class KxGRecoverableState {
public:
    KxGRecoverableState(const KxRef& ref, uint16_t oldState, uint16_t newState);
    virtual ~KxGRecoverableState();
    KxGRecoverableState(const KxGRecoverableState&) = delete;
    KxGRecoverableState& operator=(const KxGRecoverableState&) = delete;

    // A transaction keeps one state for each object it stores: states of this class come from a
    // pool of blocks of their size (kept for the process), without the allocator's bytes on each;
    // larger ones (the subclasses) from the allocator.
    static void* operator new(std::size_t size);
    static void* operator new(std::size_t size, const std::nothrow_t&) noexcept;
    static void operator delete(void* block, std::size_t size) noexcept;

    // Takes the before-image over: 0. The base keeps none: -2052 (the image stays the caller's).
    virtual int32_t SetBeforeImage(KxObjectAlias* image);
    // Puts the object's kernel state back: when the object is in the kernel's object space of the
    // manager's transaction resource, bits 15 and 14 of its state become those of the old state.
    // Answers 0.
    virtual int32_t Recover(KxGResourceMgr* manager);

    const KxRef& GetRef() const { return ref_; }
    uint16_t GetOldState() const { return oldState_; }
    uint16_t GetNewState() const { return newState_; }
    void SetNewState(uint16_t state) { newState_ = state; }
    // The before-image (null in the base).
    virtual KxObjectAlias* GetBeforeImage() const;

protected:
    // Sets bits 15 and 14 of the object's kernel state to those of the old state (no object: nothing).
    void RestoreKernelState(KxGResourceMgr* manager) const;

private:
    KxRef ref_;
    uint16_t oldState_;
    uint16_t newState_;
};

// The state of a replaying level: it owns the row's before-image.
class KxGMRRecoverableState : public KxGRecoverableState {
public:
    KxGMRRecoverableState(const KxRef& ref, uint16_t oldState, uint16_t newState);
    // Deletes the before-image.
    ~KxGMRRecoverableState() override;

    // 0 and the image is the state's; -2052 when it already holds one (the image stays the caller's).
    int32_t SetBeforeImage(KxObjectAlias* image) override;
    // Adds the repair that the two state words call for to the manager's request list (a compound
    // statement):
    //   old bit 15  new bit 15  repair        request operation
    //   set         set         "Update"      13, the before-image written back
    //   set         clear       "Insert"      12, the before-image inserted again
    //   clear       set         "Delete"      14, a reference alias of the object
    //   clear       clear       "Do Nothing"
    // and then restores the kernel state as the base does. The before-image passes to the request.
    // A class without class map is refused with -6086 (as the store refuses it); an update or insert
    // repair without before-image with -2002. The kernel state is restored in every case.
    int32_t Recover(KxGResourceMgr* manager) override;
    KxObjectAlias* GetBeforeImage() const override { return image_; }
    // Hands the image over to the caller (the state keeps none afterwards).
    KxObjectAlias* TakeBeforeImage();

private:
    KxObjectAlias* image_ = nullptr;
};

// The states of one level, ordered by object id, one per object; owns them.
class KxGRecoverableStateSortList {
public:
    KxGRecoverableStateSortList() = default;
    // Deletes the states.
    ~KxGRecoverableStateSortList();
    KxGRecoverableStateSortList(const KxGRecoverableStateSortList&) = delete;
    KxGRecoverableStateSortList& operator=(const KxGRecoverableStateSortList&) = delete;

    // Takes the state over: 0. When a state of the same object id is listed already, that state's
    // new state becomes the given one's, the given state is deleted and -2052 is answered.
    // -2030 when memory ran out (the state is deleted). -2002 for null.
    int32_t Insert(KxGRecoverableState* state);
    // The listed state of the object id; null when none.
    KxGRecoverableState* Find(const KxObjId& id) const;
    bool Contains(const KxRef& ref) const { return Find(ref.GetObjId()) != nullptr; }
    // Deletes the listed state of the object id (nothing when none).
    void Remove(const KxObjId& id);
    // Moves every state of other into this list in other's order; a state whose object is listed
    // already updates the listed state's new state and is deleted. other is empty afterwards.
    // 0, or -2030 when memory ran out (the states not moved stay other's).
    int32_t MergeFrom(KxGRecoverableStateSortList& other);
    // Recover (manager) of every state in list order; the first non-zero result ends it and is answered.
    int32_t RecoverAll(KxGResourceMgr* manager);

    uint32_t Count() const { return static_cast<uint32_t>(states_.size()); }
    KxGRecoverableState* At(uint32_t index) const { return index < states_.size() ? states_[index] : nullptr; }
    // Deletes every state.
    void Clear();

private:
    std::vector<KxGRecoverableState*> states_;
};

class KxGResourceMgr {
public:
    // Starts the level: makes the state list and takes the level. Nothing when already started.
    // 0, or a negative status (the manager is then not started).
    virtual int32_t XAStart(int16_t level);
    // Deletes the states; the level becomes 0.
    virtual int32_t XAEnd();
    virtual int32_t XAPrepare() = 0;
    virtual int32_t XACommit() = 0;
    virtual int32_t XARollback() = 0;
    virtual ~KxGResourceMgr();
    virtual KxGRMType GetRMType() const = 0;
    // Registers an object with its old and new state words: 0; -2052 when it was registered at this
    // level already (its new state is then the given one).
    virtual int32_t Register(KxObjectAlias* alias, uint16_t oldState, uint16_t newState) = 0;
    // Takes over the states of a child level that prepared successfully. The base: 0.
    virtual int32_t MergeStates(KxGResourceMgr* child);
    // A new request of this manager's kind for the class and operation; null when memory ran out.
    // Subclasses (and tests) make requests of their own.
    virtual KxGRequest* MakeRequest(KxGClassMap* classMap, const KxClassId& classId, int32_t operation);

    KxGResourceMgr(const KxGResourceMgr&) = delete;
    KxGResourceMgr& operator=(const KxGResourceMgr&) = delete;

    // The context's database (null without context).
    KxGDatabase* GetDatabase() const;
    KxGTransactionContext* GetContext() const { return context_; }
    // 0 while not started.
    int16_t GetLevel() const { return level_; }
    // The resource manager below on the context's stack.
    KxGResourceMgr* GetParent() const { return parent_; }
    void SetParent(KxGResourceMgr* parent) { parent_ = parent; }
    // Null while not started.
    KxGRecoverableStateSortList* GetStates() const { return states_; }
    // The first flag word: 1 after construction; the transaction manager clears it for resources
    // whose option word asks so. A compound statement with the flag set brackets its requests with
    // BeginCompound / EndCompound at any level.
    uint16_t GetFlags() const { return flags_; }
    void SetFlags(uint16_t flags) { flags_ = flags; }

protected:
    explicit KxGResourceMgr(KxGTransactionContext* context);

    // The status of a failed adapter operation: the database error object's ErrorCode when it is
    // negative, else fallback.
    int32_t AdapterStatus(int32_t fallback) const;
    // The state list, made when missing (null when memory ran out).
    KxGRecoverableStateSortList* EnsureStates();
    // Inserts a new {reference of alias, old, new} state of the given kind (MR: KxGMRRecoverableState)
    // into the list. inserted tells whether it went in as a new state.
    int32_t KeepState(KxObjectAlias* alias, uint16_t oldState, uint16_t newState, bool replaying,
                      KxGRecoverableState** inserted);
    // Marks the context rollback-only.
    void MarkRollbackOnly() const;

private:
    KxGTransactionContext* context_;
    int16_t level_ = 0;
    KxGResourceMgr* parent_ = nullptr;
    KxGRecoverableStateSortList* states_ = nullptr;
    uint16_t flags_ = 1;
};
