// The generic extent service: an extent cursor made of generated SELECTs.
//
// The class's rows are read through its extent table ("T0") in key order, rows-per-fetch rows at a
// time. The keys are the columns of the cursor's index followed by the object-id column (so that
// every row has a key of its own), or, for object-id order, the object-id and class-id columns.
// A read continues after a row by the key-set condition on that row's key values, bound as
// parameters, never by an offset:
//   forward:  (K1 = k1 AND ... AND Kn >= kn) OR (K1 = k1 AND ... AND Kn-1 > kn-1) OR ... OR (K1 > k1)
//   backward: the same with <= and <, the keys ordered descending.
// NULL key values sort above every value (ascending: last; descending: first), so an equality on a
// NULL value is "IS NULL", a forward comparison on a nullable column also admits NULL, a forward
// strict comparison with a NULL value is never true, and a backward strict one is "IS NOT NULL".
//
// With a row number set on the database (ROG_RowNum) a forward read has no ORDER BY: the dialect's
// row limit keeps at most that many rows per statement, and the group on the first key alone is left
// out of the continuation. Such a scan does not leave the first key's value: a scan in object-id
// order ends after its first statement. The option trades completeness for cheap statements and is
// meant for short browsing only.
//
// The cursor keeps the rows passed in the last array (the current object first, then the rows that
// follow it in the reading direction), so that relative moves within them run no SQL.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "KxGColumn.h"
#include "KxGCondition.h"
#include "KxGExtentService.h"
#include "KxGTypeHdl.h"
#include "KxString.h"

class KxGExtentStatement;
class KxGMemoryLocation;
class KxGProjection;
class KxGSelectStatement;
class KxGRowBufferCache;
class KxGSQLBuffer;
class KxGSQLObjectBuffer;
class KxGClassMap;
class KxGClassBufferMap;

class KxGGenericExtentService : public KxGExtentService {
public:
    // userClass: non-zero for the kernel's user class. cacheGrowth: the growth step of the cache of
    // passed rows.
    KxGGenericExtentService(KxGOperationEnvironment* environment, KxGDatabase* database, const KxClassId& classId,
                            uint16_t indexNumber, uint16_t userClass, uint32_t cacheGrowth = 16);
    ~KxGGenericExtentService() override;

    int32_t Seek(int32_t offset, int32_t seekMode, KxRef& ref) override;
    int32_t Search(const KxKeyValue* keys, int32_t keyCount, int32_t comparison, uint16_t indexNumber) override;
    using KxGExtentService::Search;
    int32_t Fetch(uint32_t& count, int32_t& skipped) override;
    int32_t GetCurrent(KxRef& ref) override;
    void Reset() override;
    int32_t SetQuery(KxQuery* query) override;
    int32_t Open() override;
    int32_t SearchKeys(const KxKeyValue* lowerKeys, int32_t lowerCount, int32_t lowerComparison,
                       const KxKeyValue* upperKeys, int32_t upperCount, int32_t upperComparison) override;

    // KXG_EXTENT_OPEN_FORWARD, KXG_EXTENT_OPEN_BACKWARD or KXG_EXTENT_OPEN_NONE.
    uint16_t GetOpenState() const { return openState_; }
    // Whether the open statement starts at a key (a continuation) rather than at the first row.
    bool IsContinuation() const { return continuation_; }
    // The SQL text of the open statement; empty when none is open.
    KxString GetStatementText() const;
    // Rows per fetch (the class map's PREFETCH, 20 by default) and whether fetched rows of the class
    // go into the transaction's row-buffer cache.
    uint16_t GetRowsPerFetch() const { return rowsPerFetch_; }
    uint16_t GetRowCacheFlag() const { return rowCacheFlag_; }
    // The rows held in the cache of passed rows (the current object first).
    uint32_t GetCachedRowCount() const { return static_cast<uint32_t>(passed_.size()); }
    int32_t Following(KxRefList& refs, uint32_t max) const override;
    // Statements executed so far (each first execution and every re-execution).
    uint32_t GetExecutionCount() const { return executions_; }
    // The row-buffer cache that whole rows go to; when none is set, the cache of the kernel base's
    // current transaction at the time (rows it holds for this cursor are released as the cursor
    // moves on, or when that transaction ends).
    void SetRowBufferCache(KxGRowBufferCache* cache) { rowBufferCache_ = cache; }

protected:
    // The open statement (null when none).
    KxGExtentStatement* GetStatement() const { return statement_.get(); }

private:
    struct Key;
    struct Passed;
    struct Bound;
    class RowView;

    // Table, keys, buffers and locations, made once (until Reset). 0 or a status.
    int32_t Prepare();
    // Opens a statement in the direction (0 forward, 1 backward); from the key in the parameter buffer
    // when continuation is set. An open statement is kept when it reads that way and neither it nor the
    // request is a continuation. 0 or a status (-6062 binding).
    int32_t OpenStatement(uint16_t direction, bool continuation);
    // Close cursor and execute; failure clears the current object and gives -6063.
    int32_t Execute();
    // One array of at most `rows` rows into the result buffers; rows [first, fetched) are new. A lost
    // cursor is reopened behind the last row delivered (first is then 1 when that row came again).
    // 0 or the database error's code.
    int32_t FetchArray(uint32_t rows, uint32_t& first, uint32_t& fetched);
    // Reads the reference of a fetched row.
    int32_t RowRef(int32_t row, KxRef& ref);
    // The cache of passed rows becomes rows [first, count) of the last array; the first is current.
    int32_t Record(uint32_t first, uint32_t count);
    void ClearPassed();
    // Drops the first n entries of the cache of passed rows.
    void DropPassed(uint32_t n);
    // Copies a cached row's keys into the parameter buffer; the continuation covers every key.
    void LoadParameters(const Passed& entry);
    // Copies the keys of a fetched row into a key row.
    void CopyKeys(int32_t row, KxGSQLBuffer& target);
    // The key-set condition over the first `count` keys of the parameter buffer.
    int32_t KeySet(KxGCondition& condition, uint32_t count, bool forward, bool lastStrict, bool dropFirstAlone,
                   std::vector<int32_t>& markers);
    // One comparison on key i against its value in the parameter buffer.
    int32_t KeyTerm(KxGCondition& group, uint32_t i, uint16_t op, std::vector<int32_t>& markers);
    // Converts kernel key values into the parameter buffer (type checks: -2037).
    int32_t LoadKeyValues(const KxKeyValue* keys, uint32_t count);
    // Executes a one-row statement of its own (search); 0 found, -2026 none, -6060 not executable.
    int32_t SearchOne(const KxString& sql, const std::vector<int32_t>& markers);
    // The select list and FROM of every statement.
    void Projection(KxGProjection& projection);
    // Binds the query's values, then the keys of the markers, then the result columns.
    int32_t Bind(KxGSelectStatement& statement, const std::vector<int32_t>& markers);
    // The cache set, else the current transaction's (null without one).
    KxGRowBufferCache* RowBufferCache();
    void DeleteStatement();

    uint16_t openState_ = KXG_EXTENT_OPEN_NONE;
    std::unique_ptr<KxGExtentStatement> statement_;
    bool continuation_ = false;
    std::vector<int32_t> statementMarkers_;
    uint16_t userClass_;
    uint32_t cacheGrowth_;
    uint16_t rowsPerFetch_ = KXG_EXTENT_ROWS_PER_FETCH;
    uint16_t rowCacheFlag_ = 1;
    bool prepared_ = false;
    KxGContext context_;
    KxGClassMap* classMap_ = nullptr;
    KxGClassBufferMap* bufferMap_ = nullptr;
    bool wholeRows_ = false;
    // Whole rows whose keys are the id columns: the ids are read from the rows' own id part, not
    // selected a second time.
    bool idsInRows_ = false;
    uint16_t wholeColumns_ = 0;
    KxGTable table_;
    std::vector<std::unique_ptr<Key>> keys_;
    // The continuation key: one row of every key's value (parameter locations), covering the first
    // paramCount_ keys.
    std::unique_ptr<KxGSQLBuffer> parameters_;
    uint32_t paramCount_ = 0;
    // The continuation starts behind the key rather than at it (after a strict search missed).
    bool strictStart_ = false;
    // The result rows: object id, class id and every key, rows-per-fetch rows.
    std::unique_ptr<KxGSQLBuffer> results_;
    std::unique_ptr<KxGMemoryLocation> oidResult_;
    std::unique_ptr<KxGMemoryLocation> cidResult_;
    // Whole rows of the class buffer map's layout (read-whole-rows only).
    std::unique_ptr<KxGSQLObjectBuffer> objects_;
    // The restriction by query or key range and its bound values.
    KxGCondition extra_;
    std::vector<std::unique_ptr<Bound>> extraValues_;
    std::unique_ptr<KxGSQLBuffer> extraBuffer_;
    // Rows passed: the current object first.
    std::deque<std::unique_ptr<Passed>> passed_;   // dropped from the front as the cursor moves on
    // Entries dropped, kept with their key buffers for the rows of the next arrays.
    std::vector<std::unique_ptr<Passed>> spare_;
    // An entry for a row: a spare one (its keys zeroed) or a new one; its keys null when memory ran out.
    std::unique_ptr<Passed> NewPassed();
    KxRef current_;
    // The last row delivered by the open statement (where a lost cursor resumes).
    std::unique_ptr<Passed> lastDelivered_;
    KxGRowBufferCache* rowBufferCache_ = nullptr;
    uint32_t executions_ = 0;
    // Rows of the whole-row array that the row-buffer cache (or a reader that took them from it) reads
    // in place, linked; each gets a copy of its own row before the array is written again or freed.
    RowView* views_ = nullptr;
    // Before the arrays are fetched into again or freed: the passed rows' keys are copied out of the
    // result rows, and the rows read in place get copies of their own.
    void KeepRowsInUse();
};
