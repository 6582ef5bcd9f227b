// The per-transaction cache of object rows: one-row object buffers kept by object id, so that an
// object fetched once in a transaction can be read again without a statement. The read unit of work
// of a transaction context owns the cache and may refuse objects; the transaction manager clears it
// at every commit and abort.
#pragma once

#include <cstdint>
#include <unordered_map>

#include "KxObjId.h"

class KxGBufferMap;
class KxGDatabase;
class KxGSQLBuffer;
class KxGSQLObjectBuffer;

// What the cache asks its owner before it copies an object's row in.
class KxGRowBufferCacheOwner {
public:
    virtual ~KxGRowBufferCacheOwner();
    // Non-zero when the object must not be cached.
    virtual uint16_t RefusesObject(const KxObjId& id) = 0;
};

class KxGRowBufferCache {
public:
    // The database of the transaction context; owner may be null (every object accepted).
    explicit KxGRowBufferCache(KxGDatabase* database, KxGRowBufferCacheOwner* owner = nullptr);
    KxGRowBufferCache(const KxGRowBufferCache&) = delete;
    KxGRowBufferCache& operator=(const KxGRowBufferCache&) = delete;
    // Deletes every entry with its buffer.
    virtual ~KxGRowBufferCache();

    // Unless the owner refuses the object or the id is already cached: a one-row copy of buffer
    // (whose descriptors of that row move into the copy) becomes a new entry with one use. 1 when
    // added; 0 otherwise, also when the copy could not be made (buffer not of exactly one row, or
    // memory ran out), and then buffer keeps its descriptors.
    int32_t Add(const KxObjId& id, KxGSQLObjectBuffer& buffer);
    // Unless the owner refuses the object or the id is already cached: a one-row object buffer of the
    // class buffer map's row layout receives the current row of rows (the class buffer map copies the
    // ids and every member map's columns), the row's descriptors move into it when rows is an object
    // buffer, and it becomes a new entry with one use. 1 when added, else 0.
    int32_t Add(KxGBufferMap& classBufferMap, const KxObjId& id, KxGSQLBuffer& rows);
    // Unless the owner refuses the object or the id is already cached: buffer (read at its current
    // row) becomes a new entry with one use, and the cache's (1); otherwise 0 and it stays the
    // caller's.
    int32_t AddRow(const KxObjId& id, KxGSQLObjectBuffer* buffer);
    // A new entry with one use that takes buffer over (1), or one more use of an existing entry (0;
    // buffer then stays the caller's). The use count stops at its 16-bit maximum.
    int32_t AddReference(const KxObjId& id, KxGSQLObjectBuffer* buffer);
    uint16_t Contains(const KxObjId& id) const;
    bool IsEmpty() const { return entries_.empty(); }
    // Deletes the entry and its buffer; 1 when found, else 0.
    int32_t Remove(const KxObjId& id);
    // One use less; the entry and its buffer are deleted when no use is left. 1 when found, else 0.
    int32_t Release(const KxObjId& id);
    // Removes the entry and hands its buffer to the caller; null when not found.
    KxGSQLObjectBuffer* Take(const KxObjId& id);
    // Deletes every entry with its buffer.
    virtual void Clear();

    KxGDatabase* GetDatabase() const { return database_; }

private:
    struct Entry {
        uint16_t uses;
        KxGSQLObjectBuffer* buffer;
    };
    // Inserts a new entry with one use; false when memory ran out (buffer not taken).
    bool Insert(const KxObjId& id, KxGSQLObjectBuffer* buffer);

    KxGDatabase* database_;
    KxGRowBufferCacheOwner* owner_;
    std::unordered_map<uint64_t, Entry> entries_;   // by the id's value (KxObjId::Get64)
};
