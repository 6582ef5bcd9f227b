// The object reader: fills kernel objects from the rows that read requests fetched.
//
//   KxObjectReader  walks each kernel object read (the kernel's object walker) and fills what the
//                   request's copy of plain columns cannot: pointer members, on-demand members,
//                   object sets, on-demand sets and sets of values or embedded instances. It is
//                   also the object fetcher that buffer maps may be given.
//
// A batch read (Read) wraps the objects in aliases, lets the operation environment build and run
// the read requests, then walks every pair of object and image that the requests produced, not only
// the first object's: the objects read in the same batch all get their references and sets. Every
// object of the batch is marked as being read while the batch runs; afterwards that mark is cleared
// and the objects whose row was found carry the has-row bit. Only a failure on the first object (the
// one asked for) fails the read; the others' failures leave those objects as far as they were filled.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "KxGBufferMap.h"
#include "KxObject.h"
#include "KxObjectWalker.h"
#include "KxRef.h"

class KxBase;
class KxGClassMap;
class KxGMemberMap;
class KxGOperationEnvironment;
class KxGTransactionContext;
class KxSQLObjectAlias;
class KxObjectAlias;
class KxObjectMgr;

class KxObjectReader : public KxObjectWalker, public KxGObjectFetcher {
public:
    // context: the caller's transaction context (its read unit of work and database); objects: the
    // object manager that referenced objects are looked up in (may be null: references then stay
    // unresolved, as for objects not in memory). The environment is the context's.
    KxObjectReader(KxGTransactionContext* context, KxObjectMgr* objects);
    ~KxObjectReader() override;
    KxObjectReader(const KxObjectReader&) = delete;
    KxObjectReader& operator=(const KxObjectReader&) = delete;

    // Reads count objects (null entries skipped) of one class. 0, or the first object's failure:
    // -2002 without context, environment or first object, the environment's read errors, or the
    // first failure while the first object is filled.
    int32_t Read(uint32_t count, KxObject** objects);
    // Fills one object from its image (an SQL image of the class map whose buffer holds its row).
    // 0 or the first failure.
    int32_t Fill(KxObject& object, KxSQLObjectAlias& image, KxGClassMap& classMap);

    // ---- KxGObjectFetcher ---------------------------------------------------------------------------
    KxGDatabase* GetDatabase() override;
    KxGRowBufferCache* GetRowBufferCache() override;
    // An SQL image keeps the row (a second row for it is dropped); an object (KxCPPObjectAlias) takes
    // its plain columns through its class buffer map, is filled by a walk as in a batch read and gets
    // the has-row bit. -2002 for a null row or an alias of neither kind, -6086 without class map.
    int32_t LoadAlias(KxObjectAlias& alias, std::unique_ptr<KxGSQLObjectBuffer> row) override;
    // A missing row leaves the object as it is (0).
    int32_t NotFound(KxObjectAlias& alias) override;

    // ---- walker operations --------------------------------------------------------------------------
    int32_t Member(uint8_t* instance, const KxMember& member) override;
    // Elements after the first are left as they are (a member map maps one element).
    int32_t ArrayElement(uint8_t* element, const KxMember& member, uint32_t index) override;
    // Descends with the embedded class's member maps when they hold references (its plain values came
    // with the row already); an embedded instance kept in a container is left as it came.
    int32_t EmbeddedObject(uint8_t* address, const KxMember& member) override;
    int32_t PointerMember(KxObject** slot, const KxMember& member) override;
    int32_t OnDemandMember(KxOnDemand* reference, const KxMember& member) override;
    int32_t ObjectSet(KxObjectSet* set, const KxMember& member) override;
    int32_t OnDemandSet(KxOnDemandSet* set, const KxMember& member) override;
    int32_t TypeSet(KxTypeSet* set, const KxMember& member) override;
    int32_t ClassSet(KxClassSet* set, const KxMember& member) override;

    // Whether a class is the wanted one or derives from it (bases followed recursively).
    static bool IsAcceptable(const KxMetaClass* candidate, const KxMetaClass* wanted);
    // Whether the reference names a class (looked up in the wanted class's dictionary) that is
    // acceptable for the wanted class; never for an empty reference.
    static bool IsAcceptableRef(const KxRef& ref, const KxMetaClass* wanted);

private:
    // A batch of one class whose rows (each id once) the transaction's row-buffer cache holds all,
    // as an extent cursor that reads whole rows leaves them: loaded straight from those rows as a read
    // request would load them, without the request, its aliases and images. False (nothing done) for
    // any other batch; true with the result otherwise.
    bool ReadCached(const std::vector<KxObject*>& batch, int32_t& result);
    // Any other batch: through the operation environment's read requests, then the walk of every
    // pair of object and image. 0 or the first object's failure.
    int32_t ReadRequests(const std::vector<KxObject*>& batch);
    // The member map of the current class map that maps a member of that name; null when none.
    KxGMemberMap* MapOf(const KxMember& member) const;
    // The reference that the current image holds for the member. 0 or -6052.
    int32_t ReadRef(const KxMember& member, KxRef& ref);
    // The references (or, refs null, the elements into the set) of a set member. 0 or -6053.
    int32_t ReadSet(const KxMember& member, std::vector<KxRef>* refs);
    // The object of the reference, held for the caller: the one in memory, else loaded by the kernel's
    // object manager within the context's transaction resource. 0 or the manager's status (-2017 when
    // there is no such object).
    int32_t Load(const KxRef& ref, KxObject*& object);

    KxGTransactionContext* context_;
    KxGOperationEnvironment* environment_;
    KxBase* base_;
    KxObjectMgr* objects_;
    // The object being filled, its image and class map.
    KxObject* object_ = nullptr;
    KxSQLObjectAlias* image_ = nullptr;
    KxGClassMap* classMap_ = nullptr;
    // Where the current class map's columns start in the image's row (raised inside embedded members).
    int32_t rowBase_ = 0;
};
