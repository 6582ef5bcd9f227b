// Object aliases: the gateway's handle on one object while a unit of work moves data between kernel
// objects and row buffers.
//
//   KxObjectAlias          the root: GetRef, GetObject, GetKind (1 object in memory, 2 SQL image,
//                          0 bare reference).
//   KxCPPObjectAlias       a kernel object (held while the alias lives).
//   KxEmbeddedObjectAlias  an embedded instance inside an object: the owner's reference and the
//                          instance's address.
//   KxRefObjectAlias       a bare reference.
//   KxSQLObjectAlias       an SQL image: a reference and the row buffer(s) read for it.
//   KxSQLSetAlias          an SQL image spread over several row buffers (the rows of a set).
//   KxObjectAliasList      a list that owns its aliases.
//   KxGSQLObjectBufferList a list that owns its row buffers.
//
// Member aliases (where a member lies in an object) are in KxObjectAliasMember.h, set aliases
// (cursors over a set member) in KxObjectAliasSet.h.
//
// Ownership:
//   - A KxSQLObjectAlias owns its sub-aliases (SetSubAlias) and every row buffer it is given
//     (SetBuffer, the object-buffer list): they are deleted with it. Replacing a sub-alias deletes
//     the one it replaces. Member aliases added with AddMemberAlias belong to their member maps and
//     are not deleted.
//   - KxObjectAliasList deletes its aliases in DeleteAll and in its destructor.
//
// NextRow (KxSQLObjectAlias and KxSQLSetAlias): the first call yields the first row (row 0 of the
// first buffer that has rows) without advancing; each later call advances to the next row, moving
// on to the next buffer past a buffer's last row (whose current row is reset to 0); past the last
// row of the last buffer the result is null and the alias is exhausted (further calls give null).
// So three buffers of two rows give six rows, then null. Rewind starts over.
#pragma once

#include <cstdint>
#include <vector>

#include "KxGBlockPool.h"
#include "KxList.h"
#include "KxRef.h"

class KxClassDescriptor;
class KxGClassMap;
class KxGMemberAlias;
class KxGOperationEnvironment;
class KxGSQLObjectBuffer;
class KxObject;

// Status codes of the aliases.
enum : int32_t {
    KX_ALIAS_E_NULL = -2002,        // a null alias or buffer given, or a buffer already set
    KX_ALIAS_E_NO_ELEMENT = -2005,  // no (further) element in a set
    KX_ALIAS_E_NO_MEMORY = -2030    // an element value or instance could not be created
};

// Kinds answered by GetKind.
enum : int32_t { KX_ALIAS_REFERENCE = 0, KX_ALIAS_OBJECT = 1, KX_ALIAS_SQL_IMAGE = 2 };

class KxObjectAlias {
public:
    virtual ~KxObjectAlias();
    // Writes the reference (object id and class id) of what the alias stands for.
    virtual void GetRef(KxRef& ref) const = 0;
    // The object or image the alias stands for; null when it stands only for a reference.
    virtual void* GetObject() const;
    // KX_ALIAS_OBJECT (1) unless overridden.
    virtual int32_t GetKind() const;
    // The address that member offsets apply to: GetObject(), or the embedded instance's address.
    virtual uint8_t* GetAddress() const;

protected:
    KxObjectAlias() = default;
};

class KxCPPObjectAlias : public KxObjectAlias {
public:
    static void* operator new(std::size_t size) { return KxGPooled<KxCPPObjectAlias>::New(size); }
    static void* operator new(std::size_t size, const std::nothrow_t&) noexcept
    {
        return KxGPooled<KxCPPObjectAlias>::TryNew(size);
    }
    static void operator delete(void* block, std::size_t size) noexcept
    {
        KxGPooled<KxCPPObjectAlias>::Delete(block, size);
    }
    // Takes a hold on the object (released by the destructor). The descriptor may be null (then
    // the object's own instance address is used).
    KxCPPObjectAlias(KxGOperationEnvironment* environment, const KxClassDescriptor* descriptor,
                     KxObject* object);
    ~KxCPPObjectAlias() override;
    KxCPPObjectAlias(const KxCPPObjectAlias&) = delete;
    KxCPPObjectAlias& operator=(const KxCPPObjectAlias&) = delete;

    void GetRef(KxRef& ref) const override;            // the object's reference
    void* GetObject() const override;                  // the descriptor's address of the object
    int32_t GetKind() const override { return KX_ALIAS_OBJECT; }

    KxGOperationEnvironment* GetEnvironment() const { return environment_; }
    const KxClassDescriptor* GetDescriptor() const { return descriptor_; }
    KxObject* GetKxObject() const { return object_; }

private:
    KxGOperationEnvironment* environment_;
    const KxClassDescriptor* descriptor_;
    KxObject* object_;
};

class KxEmbeddedObjectAlias : public KxObjectAlias {
public:
    KxEmbeddedObjectAlias(const KxRef& owner, uint8_t* address) : owner_(owner), address_(address) {}
    void GetRef(KxRef& ref) const override { ref = owner_; }   // the owner's reference
    // No object of its own: GetObject answers null; the instance is at GetAddress.
    int32_t GetKind() const override { return KX_ALIAS_OBJECT; }
    uint8_t* GetAddress() const override { return address_; }

private:
    KxRef owner_;
    uint8_t* address_;
};

class KxRefObjectAlias : public KxObjectAlias {
public:
    explicit KxRefObjectAlias(const KxRef& ref) : ref_(ref) {}
    void GetRef(KxRef& ref) const override { ref = ref_; }
    void* GetObject() const override { return nullptr; }
    int32_t GetKind() const override { return KX_ALIAS_REFERENCE; }

private:
    KxRef ref_;
};

// Row buffers owned by a list: deleted by DeleteAll and by the destructor.
class KxGSQLObjectBufferList {
public:
    KxGSQLObjectBufferList() = default;
    ~KxGSQLObjectBufferList();
    KxGSQLObjectBufferList(const KxGSQLObjectBufferList&) = delete;
    KxGSQLObjectBufferList& operator=(const KxGSQLObjectBufferList&) = delete;

    // KX_ALIAS_E_NULL for null; the list owns the buffer from now on.
    int32_t Append(KxGSQLObjectBuffer* buffer);
    uint32_t Count() const { return static_cast<uint32_t>(buffers_.size()); }
    KxGSQLObjectBuffer* Get(uint32_t i) const { return i < buffers_.size() ? buffers_[i] : nullptr; }
    void DeleteAll();

private:
    std::vector<KxGSQLObjectBuffer*> buffers_;
};

// A kernel list of alias pointers that owns its aliases.
class KxObjectAliasList : public KxCList {
public:
    KxObjectAliasList() = default;
    ~KxObjectAliasList() override;
    KxObjectAliasList(const KxObjectAliasList&) = delete;
    KxObjectAliasList& operator=(const KxObjectAliasList&) = delete;

    int32_t AppendAlias(KxObjectAlias* alias) { return Append(alias); }
    KxObjectAlias* GetAlias(uint32_t i) const { return static_cast<KxObjectAlias*>(Get(i)); }
    // Deletes every alias and empties the list.
    void DeleteAll();
};

class KxSQLObjectAlias : public KxObjectAlias {
public:
    static void* operator new(std::size_t size) { return KxGPooled<KxSQLObjectAlias>::New(size); }
    static void* operator new(std::size_t size, const std::nothrow_t&) noexcept
    {
        return KxGPooled<KxSQLObjectAlias>::TryNew(size);
    }
    static void operator delete(void* block, std::size_t size) noexcept
    {
        KxGPooled<KxSQLObjectAlias>::Delete(block, size);
    }
    // classMap: the class map whose member maps read and write the image (may be null).
    KxSQLObjectAlias(KxGClassMap* classMap, const KxRef& ref);
    ~KxSQLObjectAlias() override;
    KxSQLObjectAlias(const KxSQLObjectAlias&) = delete;
    KxSQLObjectAlias& operator=(const KxSQLObjectAlias&) = delete;

    void GetRef(KxRef& ref) const override { ref = ref_; }
    void SetRef(const KxRef& ref) { ref_ = ref; }
    // The data of the first row buffer; null without one.
    void* GetObject() const override;
    int32_t GetKind() const override { return KX_ALIAS_SQL_IMAGE; }

    KxGClassMap* GetClassMap() const { return classMap_; }

    // Gives the alias its row buffer (owned from now on): 0; KX_ALIAS_E_NULL for null or when a
    // buffer is already set (the caller keeps the buffer).
    virtual int32_t SetBuffer(KxGSQLObjectBuffer* buffer);
    virtual KxGSQLObjectBuffer* GetBuffer() const;
    // Rows of all its buffers.
    virtual int32_t GetRowCount() const;
    // See the header comment. The buffer that now holds the current row, or null.
    virtual KxGSQLObjectBuffer* NextRow();
    virtual void Rewind();
    bool IsExhausted() const { return exhausted_; }

    // Sets the sub-alias at index (owned from now on; one already there is deleted); the list is
    // padded with nulls up to index. KX_ALIAS_E_NULL for null.
    int32_t SetSubAlias(uint32_t index, KxObjectAlias* alias);
    KxObjectAlias* GetSubAlias(uint32_t index) const;
    uint32_t GetSubAliasCount() const { return static_cast<uint32_t>(subAliases_.size()); }

    // Member aliases of the image's member maps (not owned).
    int32_t AddMemberAlias(KxGMemberAlias* alias);
    KxGMemberAlias* GetMemberAlias(uint32_t i) const;
    uint32_t GetMemberAliasCount() const { return memberAliases_.Count(); }

    // Further buffers that belong to the image (owned).
    KxGSQLObjectBufferList& GetObjectBuffers() { return objectBuffers_; }

protected:
    KxGSQLObjectBuffer* first_ = nullptr;
    bool started_ = false;
    bool exhausted_ = false;

private:
    KxGClassMap* classMap_;
    KxRef ref_;
    KxCList memberAliases_;
    std::vector<KxObjectAlias*> subAliases_;
    KxGSQLObjectBufferList objectBuffers_;
};

class KxSQLSetAlias : public KxSQLObjectAlias {
public:
    KxSQLSetAlias(KxGClassMap* classMap, const KxRef& ref);
    ~KxSQLSetAlias() override;

    // The first buffer, then further buffers appended in order (all owned). KX_ALIAS_E_NULL for null.
    int32_t SetBuffer(KxGSQLObjectBuffer* buffer) override;
    // The current buffer (the first before NextRow moved on); null when exhausted.
    KxGSQLObjectBuffer* GetBuffer() const override;
    int32_t GetRowCount() const override;
    KxGSQLObjectBuffer* NextRow() override;
    void Rewind() override;
    // -1: the first buffer; 0, 1 ...: a further buffer; -2: exhausted.
    int32_t GetCurrentIndex() const { return current_; }
    uint32_t GetBufferCount() const;

private:
    KxGSQLObjectBuffer* Current() const;
    bool MoveNext();
    std::vector<KxGSQLObjectBuffer*> further_;
    int32_t current_ = -1;
};
