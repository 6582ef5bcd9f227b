// Containers of pointers: Container and List (ordered, with one cursor), Table (keyed, in ascending
// key order, with one cursor) and UniqueIndex. They never own what they hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "svdef.h"

// Ordered pointers; null entries are allowed. One cursor: First, Last, Next, Prev and Seek move
// it and answer the entry it lands on (null when there is none; the cursor then stays where it
// was). Inserting or removing another entry keeps the cursor on its entry; removing the current
// entry makes the entry after it current (the new last entry when it was the last).
class Container {
public:
    // The sizes are the class library's allocation hints; they do not limit the content.
    explicit Container(uint16_t blockSize = 1024, uint16_t initSize = 16, uint16_t reSize = 16);
    Container(const Container& other);
    Container& operator=(const Container& other);
    virtual ~Container();

    // At the cursor (before the current entry; appended without one); the new entry is current.
    void Insert(void* p);
    // At a position; CONTAINER_APPEND or any position past the end appends.
    void Insert(void* p, uint32_t index);
    // Before the first occurrence of `before`; appended when it is not held.
    template <class T>
    void Insert(void* p, T* before) { InsertBefore(p, before); }

    // Each answers the removed entry, null when there was none.
    void* Remove();
    void* Remove(uint32_t index);
    template <class T>
    void* Remove(T* p) { return RemoveObject(p); }

    // Each answers the replaced entry, null when there was none (then nothing changes).
    void* Replace(void* p);
    void* Replace(void* p, uint32_t index);
    template <class T>
    void* Replace(void* p, T* old) { return ReplaceObject(p, old); }

    // n slots: added ones hold null, entries past n are dropped.
    void SetSize(uint32_t n);
    uint32_t GetSize() const;
    uint32_t Count() const;
    void Clear();

    void* GetCurObject() const;
    uint32_t GetCurPos() const;  // CONTAINER_ENTRY_NOTFOUND without a current entry
    void* GetObject(uint32_t index) const;
    uint32_t GetPos(const void* p) const;  // the first occurrence; CONTAINER_ENTRY_NOTFOUND when absent

    void* Seek(uint32_t index);
    template <class T>
    void* Seek(T* p) { return SeekObject(p); }
    void* First();
    void* Last();
    void* Next();
    void* Prev();

    // Same entries in the same order.
    bool operator==(const Container& other) const;
    bool operator!=(const Container& other) const;

private:
    // The pointer forms are templates so that a literal 0 means the position 0.
    void InsertBefore(void* p, const void* before);
    void* RemoveObject(const void* p);
    void* ReplaceObject(void* p, const void* old);
    void* SeekObject(const void* p);
    void* At(uint32_t index);
    std::vector<void*> items_;
    uint32_t cur_ = CONTAINER_ENTRY_NOTFOUND;
    uint16_t blockSize_, initSize_, reSize_;
};

class List : public Container {
public:
    explicit List(uint16_t blockSize = 1024, uint16_t initSize = 16, uint16_t reSize = 16);
    List(const List& other);
    List& operator=(const List& other);
    ~List() override;
};

// A table key: pointer-sized, so that object addresses and window handles serve as keys.
using TableKey = uintptr_t;
constexpr TableKey TABLE_ENTRY_NOTFOUND = ~TableKey(0);

// Pointers under unsigned keys, kept in ascending key order. One cursor as in Container; removing
// the current entry makes the entry after it current (the new last one when it was the last).
class Table {
public:
    explicit Table(uint16_t initSize = 16, uint16_t reSize = 16);
    Table(const Table& other);
    Table& operator=(const Table& other);
    virtual ~Table();

    // False (nothing changes) when the key is already there.
    bool Insert(TableKey key, void* p);
    // The removed entry; null when the key is absent.
    void* Remove(TableKey key);
    // The replaced entry; null (nothing inserted) when the key is absent.
    void* Replace(TableKey key, void* p);
    void* Get(TableKey key) const;
    bool IsKeyValid(TableKey key) const;

    uint32_t Count() const;
    void Clear();

    void* GetObject(uint32_t pos) const;
    TableKey GetObjectKey(uint32_t pos) const;  // TABLE_ENTRY_NOTFOUND past the end
    uint32_t GetPos(const void* p) const;       // the first occurrence in key order

    void* Seek(TableKey key);
    void* First();
    void* Last();
    void* Next();
    void* Prev();
    void* GetCurObject() const;
    TableKey GetCurKey() const;  // TABLE_ENTRY_NOTFOUND without a current entry
    uint32_t GetCurPos() const;

    bool operator==(const Table& other) const;
    bool operator!=(const Table& other) const;

private:
    size_t LowerBound(TableKey key) const;
    std::vector<std::pair<TableKey, void*>> items_;
    uint32_t cur_ = CONTAINER_ENTRY_NOTFOUND;
    uint16_t initSize_, reSize_;
};

// An index of unique numbers; only its count is offered here.
class UniqueIndex {
public:
    UniqueIndex();
    ~UniqueIndex();
    uint32_t Count() const;

private:
    Container entries_;
};
