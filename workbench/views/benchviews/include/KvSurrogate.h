// KvKelvoxObjectId: a kernel reference together with the database it belongs to.
// KvSurrogate: the small value by which a subject identifies one of its entries to its views: an
// untyped pointer, a long (an index), a text or an object id.
#pragma once

#include "KxObjId.h"
#include "KxRef.h"
#include "KxString.h"

class KxBase;

class KvKelvoxObjectId {
public:
    KvKelvoxObjectId();
    KvKelvoxObjectId(const KxRef& ref, KxBase* base);
    KvKelvoxObjectId(const KxObjId& id, KxBase* base);
    KvKelvoxObjectId(const KvKelvoxObjectId& other);
    virtual ~KvKelvoxObjectId();

    // Replaces the reference by a fresh one to the object id; the database stays.
    virtual KvKelvoxObjectId& operator=(const KxObjId& id);
    virtual KvKelvoxObjectId& operator=(const KvKelvoxObjectId& other);

    void setRef(const KxRef& ref);
    // A copy of the reference; the all-zero reference when there is none.
    KxRef getRef() const;
    void setBase(KxBase* base);
    KxBase* getBase() const;
    // Frees the reference; the database stays.
    void clear();

    // Equal references (an absent one counts as all-zero) and the same database.
    bool operator==(const KvKelvoxObjectId& other) const;

private:
    KxRef* ref_;    // owned heap copy, or null
    KxBase* base_;  // not owned
};

class KvSurrogate {
public:
    enum Kind : long { none = 0, pointer = 1, number = 2, text = 3, objectId = 4 };

    KvSurrogate();
    KvSurrogate(const void* p);
    KvSurrogate(long n);
    KvSurrogate(const char* s);
    KvSurrogate(const KxString& s);
    KvSurrogate(const KxObjId& id);
    KvSurrogate(const KvKelvoxObjectId& id);
    KvSurrogate(const KvSurrogate& other);
    virtual ~KvSurrogate();

    virtual KvSurrogate& operator=(const KvSurrogate& other);
    KvSurrogate& operator=(const char* s);
    KvSurrogate& operator=(const KxString& s);
    KvSurrogate& operator=(const KxObjId& id);
    KvSurrogate& operator=(const KvKelvoxObjectId& id);
    KvSurrogate& operator=(const void* p);
    KvSurrogate& operator=(long n);

    // Releases a held text or object id; the kind becomes none.
    void clear();
    long getKind() const { return kind_; }

    long getLong() const;                // kind 2, else 0
    const void* getVoidPtr() const;      // kind 1, else null
    const char* getConstCharPtr() const; // kind 3, else null
    // Kind 3: the text; kind 2: the long in decimal; kind 4: the reference printed; else empty.
    KxString getKxString() const;
    // Kind 4: the object id of the held reference; else the all-zero id.
    KxObjId getKxObjId() const;
    // Kind 4: a copy of the held object id; else an empty one.
    KvKelvoxObjectId getKvKelvoxObjectId() const;

    // Equal kinds between 1 and 4 and equal values (texts and object ids by content).
    int operator==(const KvSurrogate& other) const;

private:
    union Value {
        const void* p;
        long n;
        KxString* s;
        KvKelvoxObjectId* id;
    } value_;
    long kind_;
};
