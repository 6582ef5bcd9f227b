// Extent services: the cursor behind the kernel's extent operations on one class.
//
// An extent service counts the objects of a class, positions on the n-th object forwards or
// backwards, gives the current object's reference, restricts the extent by a kernel query or a range
// of key values and searches by key values. KxGExtentService is the abstract base; the generic
// implementation (KxGGenericExtentService.h) reads the class's rows in key order with generated
// SELECTs, a few rows at a time, and continues after the last row read. Adapters make one from
// KxGDatabase::CreateExtentService; the bucket's cursors use it.
//
// Status convention: 0 (or a positive value where said) for success, a negative status otherwise.
#pragma once

#include <cstdint>

#include "KxGExtentContext.h"
#include "KxObjId.h"
#include "KxRef.h"
#include "KxSpecs.h"

class KxGDatabase;
class KxGOperationEnvironment;
class KxQuery;

// Seek modes.
enum : int32_t {
    KXG_SEEK_FROM_START = 0,  // offset places behind the first (offset 0: the first; negative: -2005)
    KXG_SEEK_RELATIVE = 1,    // offset places behind (negative: before) the current object; with no
                              // statement open yet the offset-th object (0 and 1: the first)
    KXG_SEEK_FROM_END = 2     // |offset| places before the last (offset 0: the last; positive: -2005)
};

// Cursor states (GetState).
enum : uint16_t {
    KXG_EXTENT_INITIAL = 0,        // nothing read yet, or after a fetch that failed
    KXG_EXTENT_EXECUTED = 1,       // the statement has just been executed
    KXG_EXTENT_END_KNOWN = 2,      // the last array held fewer rows than asked
    KXG_EXTENT_SEARCH_MISSED = 3,  // a search found nothing (the parameter buffer holds its key)
    KXG_EXTENT_POSITIONED = 4,     // a search positioned on one object, or a seek ran past the end
    KXG_EXTENT_FETCHED = 5         // a fetch delivered rows
};

// Open states of the generic service (GetOpenState).
enum : uint16_t {
    KXG_EXTENT_OPEN_FORWARD = 0,
    KXG_EXTENT_OPEN_BACKWARD = 1,
    KXG_EXTENT_OPEN_NONE = 2
};

// Search comparisons (bits 10 and 11 are ignored; 16 counts as equal).
enum : int32_t {
    KXG_COMPARE_EQUAL = 1,
    KXG_COMPARE_LESS = 2,
    KXG_COMPARE_LESS_EQUAL = 3,
    KXG_COMPARE_GREATER = 4,
    KXG_COMPARE_GREATER_EQUAL = 5
};

// Kernel statuses of extent operations.
constexpr int32_t KXG_E_EXTENT_NOT_FOUND = -2026;  // a search found no object
constexpr int32_t KXG_E_EXTENT_KEY_TYPE = -2037;   // a key value of another type than its column

// Rows a generic extent service fetches at once unless the class map's PREFETCH says otherwise.
constexpr uint16_t KXG_EXTENT_ROWS_PER_FETCH = 20;

class KxGExtentService {
public:
    // indexNumber: the dictionary index the cursor reads by; KXG_NO_INDEX (the kernel's -2) reads in
    // object-id order.
    KxGExtentService(KxGOperationEnvironment* environment, KxGDatabase* database, const KxClassId& classId,
                     uint16_t indexNumber);
    virtual ~KxGExtentService();
    KxGExtentService(const KxGExtentService&) = delete;
    KxGExtentService& operator=(const KxGExtentService&) = delete;

    // Positions the cursor (seek modes above; offsets count in ascending key order) and gives the
    // object there in ref. 0, or -2005 (KXG_E_NO_ELEMENT) when there is no object at that place, or
    // the failure's status.
    virtual int32_t Seek(int32_t offset, int32_t seekMode, KxRef& ref) = 0;
    // Positions on the first object whose key (keyCount values, in key-column order) compares as asked
    // with the stored keys. indexNumber: the cursor's own index (GetIndexNumber), or KXG_NO_INDEX to
    // search by object id (one key value of type 15 or 17). 0 when found (GetCurrent gives it),
    // -2026 when nothing was found, -2037 for a key value of the wrong type, -6063 for an index that
    // is neither the cursor's nor the object-id order, -6060 when the search cannot be executed.
    virtual int32_t Search(const KxKeyValue* keys, int32_t keyCount, int32_t comparison, uint16_t indexNumber) = 0;
    // Search on the cursor's own index.
    int32_t Search(const KxKeyValue* keys, int32_t keyCount, int32_t comparison)
    {
        return Search(keys, keyCount, comparison, GetIndexNumber());
    }
    // Fetches the next array of at most count rows of the open statement (count is clamped to the
    // rows the result buffer holds; 0 asks for a whole array); count receives the rows fetched. When
    // the statement's cursor was lost, the statement is opened again behind the last row it
    // delivered; a first row that had been delivered before is not to be delivered again, and skipped
    // is lowered by one for it. 0, or a negative status (-6063 when no statement is open).
    virtual int32_t Fetch(uint32_t& count, int32_t& skipped) = 0;
    // The current object's reference (cleared when there is none); result 1.
    virtual int32_t GetCurrent(KxRef& ref) = 0;
    // Back to the state after construction (no statement, no query, no key range), the index number
    // kept.
    virtual void Reset() = 0;
    // The number of objects of the class (its extent table's row count, query and key range not
    // applied). 1 with the count; a negative status on failure (count 0 then).
    virtual int32_t GetNum(int32_t& count);
    // The references of the rows already fetched behind the current one, in the cursor's
    // direction (at most max); nothing moves. 0 (none by default).
    virtual int32_t Following(KxRefList& refs, uint32_t max) const;
    // Restricts the extent to the objects satisfying the query (null: drops the restriction). Takes
    // effect with the next statement opened. 0 or a status.
    virtual int32_t SetQuery(KxQuery* query) = 0;
    // Opens a forward statement from the first row when none is open; 255, or a negative status.
    virtual int32_t Open() = 0;
    // Restricts the extent to a range of key values of the cursor's index (lower side: lowerCount
    // values compared by lowerComparison; upper side likewise; a side with no values or null keys
    // gives no condition). Positions nothing: the next Seek reads within the range. 0 or a status.
    virtual int32_t SearchKeys(const KxKeyValue* lowerKeys, int32_t lowerCount, int32_t lowerComparison,
                               const KxKeyValue* upperKeys, int32_t upperCount, int32_t upperComparison) = 0;

    // The read-whole-rows flag: -1 after construction; the bucket sets 0 (only key columns) or 1 (the
    // class's whole rows, kept in the transaction's row-buffer cache) before the first positioning.
    int16_t GetReadWholeRows() const { return readWholeRows_; }
    void SetReadWholeRows(int16_t value) { readWholeRows_ = value; }

    // The cursor state (KXG_EXTENT_INITIAL ...).
    uint16_t GetState() const { return state_; }
    const KxClassId& GetClassId() const { return classId_; }
    uint16_t GetIndexNumber() const { return indexNumber_; }
    KxGOperationEnvironment* GetEnvironment() const { return environment_; }
    KxGDatabase* GetDatabase() const { return database_; }

protected:
    void SetState(uint16_t state) { state_ = state; }
    KxGExtentContext& GetExtentContext() { return context_; }
    bool IsTableKnown() const { return tableKnown_; }
    void SetTableKnown(bool known) { tableKnown_ = known; }

private:
    KxGOperationEnvironment* environment_;
    KxGDatabase* database_;
    bool tableKnown_ = false;
    uint16_t state_ = KXG_EXTENT_INITIAL;
    KxClassId classId_;
    KxGExtentContext context_;
    uint16_t indexNumber_;
    int16_t readWholeRows_ = -1;
};
