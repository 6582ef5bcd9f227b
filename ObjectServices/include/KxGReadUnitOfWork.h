// Requests and the read unit of work, in the form the batch read needs so far.
//
//   KxGRequest         one class's batch of objects for one operation. It owns the aliases added to
//                      it. Executing it builds, reads and writes rows through the class map's buffer
//                      maps (see Execute).
//   KxGRequestList     a list of request pointers; DeleteAll deletes them.
//   KxGReadUnitOfWork  the read requests of one transaction context. Begin and End nest: only the
//                      End that closes the outermost Begin deletes the requests, so a read nested in
//                      another read (an object read while its referrer is being filled) never frees
//                      the requests that the outer read still uses. KxGReadScope pairs them.
//
// The class and member maps, the SQL images and the row-buffer cache join these classes when the
// request machinery comes; the operations here keep their meaning then.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "KxGTypeHdl.h"
#include "KxObjId.h"
#include "KxRef.h"

class KxGBufferMap;
class KxGClassMap;
class KxGRowBufferCache;
class KxGDatabase;
class KxGObjectFetcher;
class KxSQLObjectAlias;
class KxGSQLBuffer;
class KxGSQLObjectBuffer;
class KxGStatementList;
class KxGTransactionContext;
class KxObjectAlias;

// Operations of a request.
enum KxGOperation : int32_t {
    KXG_OP_NONE = 0,
    KXG_OP_INSERT = 1,
    KXG_OP_UPDATE = 2,
    KXG_OP_DELETE = 3,
    KXG_OP_READ = 4,               // read objects into the kernel
    KXG_OP_IMAGE_OBJECT = 7,       // image of an object in memory
    KXG_OP_IMAGE_SQL = 9,          // image of an object held as SQL alias
    KXG_OP_IMAGE_READ = 10,        // image read from the database
    KXG_OP_REINSERT = 12,          // rollback repair: insert a before-image again
    KXG_OP_WRITE_BACK = 13,        // rollback repair: write a before-image back
    KXG_OP_DELETE_REPAIR = 14      // rollback repair: delete a row of a rolled-back level
};

class KxGRequest {
public:
    // classMap may be null while no class maps exist (not owned).
    KxGRequest(KxGTransactionContext* context, KxGClassMap* classMap, const KxClassId& classId,
               int32_t operation);
    // Deletes the aliases.
    virtual ~KxGRequest();
    KxGRequest(const KxGRequest&) = delete;
    KxGRequest& operator=(const KxGRequest&) = delete;

    // The request's class id and operation are the given ones.
    bool Matches(const KxClassId& classId, int32_t operation) const;
    // Appends the alias; the request owns it from now on. The first alias of a request without fetch
    // key gives its reference as the fetch key. 0; -2002 for null; -2030 out of memory (the alias then
    // stays the caller's).
    int32_t AddAlias(KxObjectAlias* alias);
    uint32_t GetAliasCount() const { return static_cast<uint32_t>(aliases_.size()); }
    KxObjectAlias* GetAlias(uint32_t index) const { return index < aliases_.size() ? aliases_[index] : nullptr; }
    // Deletes the aliases, the SQL images and the statements.
    void Clear();
    // Runs the request (the database's error object is cleared first):
    //   1 insert, 2 update       build rows (FillRows); when that gives 0, run the statements
    //   3 delete                 the delete step
    //   4 read into objects      read rows; when that gives 0, copy into the objects (LoadRows); the
    //                            operation becomes 0 afterwards
    //   7 image of an object     build rows only
    //   9 image of an SQL image  collect only (FillRowsFromList)
    //   10 image from the rows   read rows only
    //   12, 13 repairs           the operation becomes 1 (2); collect; when that gives 0, run them
    //   14 repair                the operation becomes 3; the delete step
    //   0 and any other value    0, nothing done
    // The visited maps (GetVisitedMaps) work one after the other, each on the request's object
    // buffer, which holds the rows of one map at a time:
    // Building rows and running the statements, per map: FillRows (a non-zero result ends the
    // request), PrepareStatements, every statement executed in order (a failure answers the error
    // object's code, never 0) and then deleted, ExecuteTableMaps, ResetRows. Update row counts are
    // not checked; a count that differs from the rows bound is traced.
    // The image operations keep each map's rows with the request's first image (GetOutput(0)): the
    // class buffer map's as its buffer, the others' in its further buffers.
    // The delete step, per map: FillIdRows (and PrepareStatements when that prepared no statement),
    // then every statement executed in order; the main table's delete (the first statement of the
    // class buffer map) that affects fewer rows than it bound gives the warning 2017 and the rest
    // still runs; the other tables' deletes are not counted.
    // A request without objects does nothing (0).
    virtual int32_t Execute();

    KxGTransactionContext* GetContext() const { return context_; }
    KxGClassMap* GetClassMap() const { return classMap_; }
    const KxClassId& GetClassId() const { return classId_; }
    int32_t GetOperation() const { return operation_; }
    void SetOperation(int32_t operation) { operation_ = operation; }
    // The aliases in the order added (owned by the request).
    const std::vector<KxObjectAlias*>& GetAliases() const { return aliases_; }

    // ---- what the buffer maps use -------------------------------------------------------------------
    // The member-map environment: the database and a flags word (8 on a nested level). Member maps
    // receive it as their context with every call.
    void SetEnvironment(KxGDatabase* database, int32_t flags);
    KxGDatabase* GetDatabase() const { return environment_.GetDatabase(); }
    KxGContext* GetMemberMapContext() { return &environment_; }
    // The statements prepared for the request (owned; executed in list order).
    KxGStatementList& GetStatements();
    // Deletes the statements and empties the list.
    void ClearStatements();
    // The object buffer of the request's rows (owned): its current row is the request's current-row
    // counter. Setting one deletes the one before.
    KxGSQLObjectBuffer* GetObjectBuffer() const { return buffer_.get(); }
    void SetObjectBuffer(std::unique_ptr<KxGSQLObjectBuffer> buffer);
    std::unique_ptr<KxGSQLObjectBuffer> TakeObjectBuffer();
    // The request's flags word (statement preparation adds 0x04 for an update, reads 0x08).
    uint32_t GetFlags() const { return flags_; }
    void SetFlags(uint32_t flags) { flags_ = flags; }
    // Rows the request's statements bind (0: the object buffer's row count).
    int32_t GetRowCount() const { return rowCount_; }
    void SetRowCount(int32_t rows) { rowCount_ = rows; }
    // The one-row buffer of the blob container of object `index` (owned; null when none). Setting
    // one deletes the one before.
    KxGSQLObjectBuffer* GetContainerBuffer(uint32_t index) const;
    void SetContainerBuffer(uint32_t index, std::unique_ptr<KxGSQLObjectBuffer> buffer);
    // Row buffers of statement batches that the statement list still binds (owned).
    std::vector<std::unique_ptr<KxGSQLBuffer>>& GetBatchBuffers() { return batches_; }
    // Objects handed to the request again after their container was enlarged (not owned).
    std::vector<KxObjectAlias*>& GetRequeued() { return requeued_; }

    // ---- execution (KxGRequestExecute.cpp) ----------------------------------------------------------
    // The SQL images the request made while it executed, in order (owned; deleted by Clear).
    uint32_t GetOutputCount() const { return static_cast<uint32_t>(outputs_.size()); }
    KxSQLObjectAlias* GetOutput(uint32_t index) const { return index < outputs_.size() ? outputs_[index] : nullptr; }
    // Takes the image over: 0; -2002 for null; -2030 out of memory (the image stays the caller's).
    int32_t AddOutput(KxSQLObjectAlias* image);
    // The fetch key: the reference of the first object added (AddAlias), or one given here.
    const KxRef& GetFetchKey() const { return fetchKey_; }
    bool HasFetchKey() const { return hasFetchKey_; }
    void SetFetchKey(const KxRef& key);
    // Empties both alias lists WITHOUT deleting the aliases (the caller has taken them over) and sets
    // the operation to 0.
    void Reset();
    // The object reader whose ReadObjects loads the rows read (not owned). Without one the request
    // reads into its own SQL images (each image keyed by an object gets that object's row) through
    // the read unit of work's row-buffer cache.
    void SetFetcher(KxGObjectFetcher* fetcher) { fetcher_ = fetcher; }
    KxGObjectFetcher* GetFetcher() const { return fetcher_; }
    // The read unit of work's row-buffer cache (made on first use); null without one.
    KxGRowBufferCache* GetRowBufferCache() const;
    // The buffer maps that execute the request, in visiting order: the class map's class buffer map,
    // then every member map of the class map that is a buffer map itself (set member maps), each once.
    std::vector<KxGBufferMap*> GetVisitedMaps() const;

private:
    KxGTransactionContext* context_;
    KxGClassMap* classMap_;
    KxClassId classId_;
    int32_t operation_;
    std::vector<KxObjectAlias*> aliases_;
    KxGContext environment_;
    std::unique_ptr<KxGStatementList> statements_;
    std::unique_ptr<KxGSQLObjectBuffer> buffer_;
    uint32_t flags_ = 0;
    int32_t rowCount_ = 0;
    std::vector<std::unique_ptr<KxGSQLObjectBuffer>> containers_;
    std::vector<KxObjectAlias*> requeued_;
    std::vector<std::unique_ptr<KxGSQLBuffer>> batches_;
    // Execution.
    std::vector<KxSQLObjectAlias*> outputs_;
    KxRef fetchKey_;
    bool hasFetchKey_ = false;
    KxGObjectFetcher* fetcher_ = nullptr;

    // The member-map environment from the context: its database, and the flags word 8 when the
    // context's top resource manager is on a nested level (not level 1) with its flag set, else 0.
    void InitEnvironment();
    // The key of the request's image: the reference of its only object, else none.
    KxRef ImageKey() const;
    // One map's rows into the request's buffer (FillRows, or FillRowsFromList with fromList).
    int32_t Fill(KxGBufferMap& map, bool fromList);
    // Inserts and updates (fromList: the repairs' rows from images), map by map.
    int32_t Write(bool fromList);
    // The image operations: the rows stay with the request's image.
    int32_t Image(bool fromList);
    // One map's statements over its rows: prepared, executed, then its after-execution and completion.
    int32_t RunStatements(KxGBufferMap& map, KxSQLObjectAlias* image);
    int32_t DeleteStep();
    int32_t ReadRows();
    int32_t CopyIntoObjects();
    // A new image for the class map appended to the outputs; null with status -2030.
    KxSQLObjectAlias* NewImage(const KxRef& key, int32_t& status);
    // Step 3 of building rows: the error object's code when it holds an error, else result (a
    // non-zero one recorded with the class name).
    int32_t Checked(int32_t result);
    // The error object's code after a failed execution (never 0).
    int32_t ExecutionFailure();
    void DeleteOutputs();
};

// Request pointers; the list deletes them only in DeleteAll.
class KxGRequestList {
public:
    KxGRequestList() = default;
    KxGRequestList(const KxGRequestList&) = delete;
    KxGRequestList& operator=(const KxGRequestList&) = delete;

    // 0; -2002 for null; -2030 out of memory.
    int32_t Append(KxGRequest* request);
    uint32_t Count() const { return static_cast<uint32_t>(requests_.size()); }
    KxGRequest* At(uint32_t index) const { return index < requests_.size() ? requests_[index] : nullptr; }
    bool Contains(const KxGRequest* request) const;
    // Empties the list without deleting.
    void Clear() { requests_.clear(); }
    // Deletes every request and empties the list.
    void DeleteAll();

private:
    std::vector<KxGRequest*> requests_;
};

class KxGReadUnitOfWork {
public:
    explicit KxGReadUnitOfWork(KxGTransactionContext* context) : context_(context) {}
    // Raises the nesting count.
    virtual void Begin();
    // Lowers the nesting count; when it drops from 1 to 0 every request is deleted. Without an open
    // Begin nothing happens.
    virtual void End();
    // Deletes the requests.
    virtual ~KxGReadUnitOfWork();
    // 1 and the first request of the list for the class and operation, else 0 and null.
    virtual int32_t FindRequest(const KxClassId& classId, int32_t operation, KxGRequest*& request);
    // A new request of this unit of work's kind (not yet added); null when memory ran out.
    virtual KxGRequest* MakeRequest(KxGClassMap* classMap, const KxClassId& classId, int32_t operation);

    KxGReadUnitOfWork(const KxGReadUnitOfWork&) = delete;
    KxGReadUnitOfWork& operator=(const KxGReadUnitOfWork&) = delete;

    // Takes the request over. 0, -2002 for null, -2030 out of memory (the request stays the caller's).
    int32_t AddRequest(KxGRequest* request);
    const KxGRequestList& GetRequests() const { return requests_; }
    uint16_t GetNesting() const { return nesting_; }
    KxGTransactionContext* GetContext() const { return context_; }
    // The row-buffer cache, made with the context's database on first use and deleted with the unit
    // of work; null when memory ran out.
    KxGRowBufferCache* GetRowBufferCache();
    // The row-buffer cache when one was made; null otherwise.
    KxGRowBufferCache* FindRowBufferCache() const { return cache_; }

private:
    KxGTransactionContext* context_;
    uint16_t nesting_ = 0;
    KxGRequestList requests_;
    KxGRowBufferCache* cache_ = nullptr;
};

// Begin for its own lifetime: Begin in the constructor, End in the destructor.
class KxGReadScope {
public:
    explicit KxGReadScope(KxGReadUnitOfWork& unit) : unit_(unit) { unit_.Begin(); }
    ~KxGReadScope() { unit_.End(); }
    KxGReadScope(const KxGReadScope&) = delete;
    KxGReadScope& operator=(const KxGReadScope&) = delete;

private:
    KxGReadUnitOfWork& unit_;
};
