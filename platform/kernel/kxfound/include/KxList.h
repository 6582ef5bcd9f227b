// The kernel's list classes.
//
//   KxCList   a list of pointers (the list never owns what they point to).
//   KxLList   a list of fixed-size elements, copied byte for byte (trivially copyable types only).
//   KxVArray  a KxLList that can also be kept in order: SortedInsert and a halving Search.
//   SortList  a list that is always in order (a KxVArray without positional insertion).
//
// Indices start at 0. Operations answer 0 on success, KX_FOUND_E_END_OF_LIST (-502) for an index
// past the end, KX_FOUND_E_INVALID for a null element and KX_FOUND_E_NO_MEMORY when memory runs out.
// The grow step is the number of elements by which the storage grows when it is full.
//
// Ordering: a compare function answers a negative value when its first argument sorts before the
// second, 0 when the two are equal and a positive value when the first sorts after the second
// (strcmp-style: non-zero exactly when two entries differ). Equal entries stand next to each other
// in the order of their insertion: SortedInsert puts a new entry behind the entries equal to it,
// and Search finds the first of them.
//
// Lists of pointers kept in order (for example entries ordered by object id) use element size
// sizeof(void*); the compare function then receives the addresses of the two stored pointers:
//   static int32_t ById(const void* a, const void* b) {
//       const Entry* x = *static_cast<Entry* const*>(a); const Entry* y = *static_cast<Entry* const*>(b);
//       return x->id < y->id ? -1 : (x->id > y->id ? 1 : 0);
//   }
//   SortList list(sizeof(Entry*), ById, 50);  Entry* e = ...; list.Insert(&e);
#pragma once

#include <cstdint>
#include <vector>

#include "KxFoundStatus.h"

class KxCList {
public:
    explicit KxCList(uint32_t growStep = 16);
    KxCList(const KxCList& other);              // copies the pointers
    KxCList& operator=(const KxCList& other);
    KxCList(KxCList&& other) noexcept;
    KxCList& operator=(KxCList&& other) noexcept;
    virtual ~KxCList();

    uint32_t Count() const;
    int32_t Append(void* p);
    int32_t Insert(uint32_t index, void* p);    // index Count() appends
    void* Get(uint32_t index) const;            // nullptr past the end
    int32_t Get(uint32_t index, void*& out) const;
    int32_t Set(uint32_t index, void* p);
    int32_t Delete(uint32_t index);             // removes the pointer (not what it points to)
    int32_t Remove(const void* p);              // removes the first equal pointer; -502 when absent
    int32_t Find(const void* p) const;          // index of the first equal pointer, -1 when absent
    void Clear();

private:
    void Reserve();
    std::vector<void*> items_;
    uint32_t grow_;
};

class KxLList {
public:
    // elementSize 0 is taken as 1.
    explicit KxLList(uint32_t elementSize, uint32_t growStep = 16);
    KxLList(const KxLList& other);
    KxLList& operator=(const KxLList& other);
    KxLList(KxLList&& other) noexcept;
    KxLList& operator=(KxLList&& other) noexcept;
    virtual ~KxLList();

    uint32_t ElementSize() const;
    uint32_t Count() const;
    int32_t Append(const void* element);
    int32_t Insert(uint32_t index, const void* element);  // index Count() appends
    int32_t Get(uint32_t index, void* out) const;         // copies the element to out; -502 past the end
    int32_t Set(uint32_t index, const void* element);
    int32_t Delete(uint32_t index);
    void Clear();
    // Address of the element in the list (valid until the list changes); nullptr past the end.
    void* At(uint32_t index);
    const void* At(uint32_t index) const;

private:
    int32_t Reserve();
    std::vector<uint8_t> data_;
    uint32_t size_;
    uint32_t grow_;
    uint32_t count_ = 0;
};

// Compare function of the ordered lists (see the ordering rules above).
typedef int32_t (*KxCompareFunc)(const void* a, const void* b);

class KxVArray : public KxLList {
public:
    // Without a compare function the elements' bytes are compared (memcmp).
    explicit KxVArray(uint32_t elementSize, KxCompareFunc compare = nullptr, uint32_t growStep = 16);

    // The order of the list; derived classes may override it. Search passes its key as a.
    virtual int32_t Compare(const void* a, const void* b) const;
    void SetCompare(KxCompareFunc compare);

    // Inserts behind every element equal to it; *index (when given) receives the position.
    int32_t SortedInsert(const void* element, uint32_t* index = nullptr);
    // 0 when an element equals key: *index is the first such element. Otherwise -502 and *index is
    // the position at which key would be inserted. The list must be in order.
    int32_t Search(const void* key, uint32_t* index = nullptr) const;

private:
    uint32_t LowerBound(const void* key) const;
    uint32_t UpperBound(const void* key) const;
    KxCompareFunc compare_;
};

class SortList : private KxVArray {
public:
    explicit SortList(uint32_t elementSize, KxCompareFunc compare = nullptr, uint32_t growStep = 16);

    // Same as SortedInsert.
    int32_t Insert(const void* element, uint32_t* index = nullptr);

    using KxVArray::Compare;
    using KxVArray::Count;
    using KxVArray::Clear;
    using KxVArray::Delete;
    using KxVArray::ElementSize;
    using KxVArray::Get;
    using KxVArray::At;
    using KxVArray::Search;
    using KxVArray::SetCompare;
    using KxVArray::SortedInsert;
};
