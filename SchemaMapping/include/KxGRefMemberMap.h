// Reference and embedded class member maps.
//
//   KxGIDMap               the object-id columns of a referenced class (OID and CID through its class
//                          map's surrogate map) with their type handles: stores, loads, streams, copies
//                          and binds one reference at a row offset. Loading sets the class id's
//                          version to the class version of the loaded class number.
//   KxGRelation            the relation of a reference member: its member name, the owning class and
//                          whether referenced objects are read ahead.
//   KxGRefMemberMap        a reference (pointer or on-demand reference) stored as the referenced
//                          class's id columns in the referencing class's row.
//   KxGClassMemberMap      an embedded class member stored as the columns of the embedded class's
//                          member maps, at an offset in the outer row.
//   KxGBlobClassMemberMap  an embedded class member that reaches the database only through the blob
//                          container (StreamOut/StreamIn).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "KxGColumnList.h"
#include "KxGMemberMap.h"
#include "KxRef.h"

class KxGClass;
class KxGClassMap;
class KxGClassMemberAlias;
class KxGMember;
class KxGRefAlias;
class KxGSchemaMap;

// Status of a set member met while an embedded class's columns are collected, and of an index on a
// member of a handle type, with the schema mapper's texts.
constexpr int32_t KXG_E_SET_IN_EMBEDDED_CLASS = -6199;
constexpr const char* KXG_TEXT_SET_IN_EMBEDDED_CLASS = "Error : Set member in embedded class is not supported";
constexpr int32_t KXG_E_INDEX_ON_HANDLE_MEMBER = -6200;
constexpr const char* KXG_TEXT_INDEX_ON_HANDLE_MEMBER = "Error : Index on handle member is not supported";

class KxGIDMap {
public:
    // classMap: the referenced class's class map (not owned), whose GetColumns gives OID and CID.
    KxGIDMap(KxGSchemaMap* schemaMap, KxGClassMap* classMap);
    ~KxGIDMap();
    KxGIDMap(const KxGIDMap&) = delete;
    KxGIDMap& operator=(const KxGIDMap&) = delete;

    KxGClassMap* GetClassMap() const { return classMap_; }
    // The referenced class's object-id columns into the first list, class-id columns into the second.
    void GetColumns(KxGColumnList& oidColumns, KxGColumnList& cidColumns);
    // Value bytes of the id columns per row.
    int32_t GetSQLSize() const;
    // Bytes reserved per row (values and indicators).
    int32_t GetRowSize() const;
    // Bytes of a reference streamed into a blob container (object id with its high word, class number).
    int32_t GetValueSize() const;

    // The reference into the current row at row offset `offset`. 0 or -1 (conversion failed).
    int32_t StoreRef(const KxRef& ref, KxGRowContext& rows, int32_t offset, KxGContext* context);
    // The current row at `offset` into ref; the class id's version becomes the class version of its
    // class number. 0 or -1.
    int32_t LoadRef(KxGRowContext& rows, int32_t offset, KxRef& ref, KxGContext* context);
    int32_t StreamOut(KxTypeMgr* typeMgr, uint8_t*& position, const KxRef& ref, uint32_t room, uint32_t& needed);
    int32_t StreamIn(KxTypeMgr* typeMgr, const uint8_t*& position, KxRef& ref, uint32_t available);
    int32_t CopyRows(KxGRowContext& source, KxGRowContext& target, int32_t offset, int32_t count);
    int32_t BindParameter(uint16_t& position, KxGRowContext& rows, int32_t offset, KxGStatementHdl& statement);
    int32_t BindColumn(uint16_t& column, KxGRowContext& rows, int32_t offset, KxGStatementHdl& statement);
    // Binds some of the ids (which bit 0x1 the object id, 0x2 the class id) as parameters, or as
    // result columns when asResult; 0 or -1.
    int32_t BindIds(uint16_t& position, KxGRowContext& rows, int32_t offset, KxGStatementHdl& statement,
                    uint16_t which, bool asResult);
    // Sets the class id's version to the current class version of its number (schema map's class,
    // else the dictionary's current version); left as it is when neither knows the number.
    void SetClassVersion(KxClassId& classId) const;

private:
    struct Part {
        KxGTypeHdl* hdl = nullptr;
        int32_t columnSize = 0;
        int32_t valueSize = 0;
        uint8_t indSize = 0;
        int32_t offset = 0;   // within the id block
    };
    KxGSchemaMap* schemaMap_;
    KxGClassMap* classMap_;
    Part oid_;
    Part cid_;
};

class KxGRelation {
public:
    KxGRelation(const KxString& memberName, KxGClass* owner, bool readAhead = false)
        : memberName_(memberName), owner_(owner), readAhead_(readAhead) {}
    virtual ~KxGRelation();
    const KxString& GetMemberName() const { return memberName_; }
    KxGClass* GetOwnerClass() const { return owner_; }
    // Whether referenced objects are read ahead with their owner.
    virtual bool ReadAhead() const { return readAhead_; }
    void SetReadAhead(bool readAhead) { readAhead_ = readAhead; }

    // Relations of sets. The flag word given by the loader and the read-ahead test by mode: 1 answers
    // bit 0x08 of the flag word, 2 true unless the word is exactly 0x200, 3 true, any other mode false.
    uint32_t GetFlags() const { return flags_; }
    void SetFlags(uint32_t flags) { flags_ = flags; }
    bool ReadAhead(int32_t mode) const;
    // The target (element or referenced) class, none at first; the name of the target class's
    // member that is the inverse of this relation (empty: none).
    KxGClass* GetTarget() const { return target_; }
    void SetTarget(KxGClass* target) { target_ = target; }
    const KxString& GetInverseName() const { return inverseName_; }
    void SetInverseName(const KxString& name) { inverseName_ = name; }
    // The target's class map, the inverse member (looked up among the target's members by name) and
    // its member map; null without a target (or without such a member).
    KxGClassMap* GetTargetClassMap() const;
    KxGMember* GetInverseMember() const;
    KxGMemberMap* GetInverseMemberMap() const;

private:
    KxString memberName_;
    KxGClass* owner_;
    bool readAhead_;
    uint32_t flags_ = 0;
    KxGClass* target_ = nullptr;
    KxString inverseName_;
};

class KxGRefMemberMap : public KxGMemberMap {
public:
    // schemaMap: gives the database, dictionary and member paths. owner: the id of the class that
    // declares the member; position: the member's position in it.
    KxGRefMemberMap(KxGSchemaMap* schemaMap, const KxClassId& owner, uint16_t position);
    ~KxGRefMemberMap() override;
    KxGRefMemberMap(const KxGRefMemberMap&) = delete;
    KxGRefMemberMap& operator=(const KxGRefMemberMap&) = delete;

    // Links the map to the referenced class map (its id map), the relation (not owned) and the member
    // accessor (owned; its offset is the member's offset in an instance of the declaring class). A
    // map without a name takes the relation's member name.
    void BindRelation(KxGClassMap* referenced, KxGRelation* relation, std::unique_ptr<KxGRefAlias> accessor);

    int32_t JoinBuffer(KxGBufferMap& bufferMap) override;
    int32_t Resolve(KxGClassMap& classMap) override;
    int32_t GetColumns(KxGColumnList& list) override;
    void SetColumnPrefix(const KxString& prefix) override { prefix_ = prefix; }
    int32_t GetSQLSize() override;
    int32_t GetValueSize() override;
    int32_t CreateHandles(KxGRowContext&, int32_t, KxGContext*) override { return 0; }
    int32_t Store(KxObjectAlias& object, KxGRowContext& rows, KxGContext* context) override;
    int32_t Load(KxGRowContext& rows, KxObjectAlias& object, KxGContext* context) override;
    int32_t StreamOut(KxTypeMgr* typeMgr, uint8_t*& position, KxObjectAlias& object, uint32_t room,
                      uint32_t& needed) override;
    int32_t StreamIn(KxTypeMgr* typeMgr, const uint8_t*& position, KxObjectAlias& object,
                     uint32_t available) override;
    int32_t CopyRows(KxGRowContext& source, KxGRowContext& target, int32_t count) override;
    int32_t BindParameter(uint16_t& position, KxGRowContext& rows, KxGStatementHdl& statement, int32_t count,
                          KxGContext* context) override;
    int32_t BindColumn(uint16_t& column, KxGRowContext& rows, KxGStatementHdl& statement, int32_t count,
                       KxGContext* context) override;
    int32_t GetTable(KxGTable& table) override;
    int32_t IsReference() override { return 1; }
    const KxString& GetName() const override { return name_; }
    void SetName(const KxString& name) { name_ = name; }
    KxGRefMemberMap* AsRefMemberMap() override { return this; }
    int32_t Matches(const KxMember* member) override;
    int32_t CollectReferences(KxGRowContext& rows, std::vector<KxObjId>& list) override;
    void AppendIdColumnName(KxString& text) override;
    uint16_t GetMemberPos() override { return position_; }
    KxClassId GetClassId() override { return owner_; }
    uint16_t GetOwnerClassNumber() const override { return owner_.GetClassNumber(); }

    KxGIDMap* GetIDMap() const { return idMap_.get(); }
    KxGRelation* GetRelation() const { return relation_; }
    const KxString& GetColumnPrefix() const { return prefix_; }
    int32_t GetRowOffset() const { return rowOffset_; }
    // The reference held by the member of the object; 0 or the accessor's status.
    int32_t GetRef(KxObjectAlias& object, KxRef& ref);

private:
    int32_t BuildColumns();

    KxGSchemaMap* schemaMap_;
    KxString name_;
    KxString prefix_;
    KxGRelation* relation_ = nullptr;
    std::unique_ptr<KxGRefAlias> accessor_;
    std::unique_ptr<KxGIDMap> idMap_;
    uint16_t position_;
    KxGColumnList oidColumns_;
    KxGColumnList cidColumns_;
    int32_t rowOffset_ = 0;
    KxClassId owner_;
};

class KxGClassMemberMap : public KxGMemberMap {
public:
    // outer: the id of the class that declares the member; embedded: the embedded class (its class
    // map's member maps run for the member); accessor (owned): gives embedded instance i of an
    // object, its offset being the member's offset in an instance of the declaring class.
    // dimension: the member's element count (1 for a scalar).
    KxGClassMemberMap(KxGSchemaMap* schemaMap, const KxClassId& outer, const KxString& name, uint16_t position,
                      KxGClass* embedded, std::unique_ptr<KxGClassMemberAlias> accessor, uint32_t dimension);
    ~KxGClassMemberMap() override;
    KxGClassMemberMap(const KxGClassMemberMap&) = delete;
    KxGClassMemberMap& operator=(const KxGClassMemberMap&) = delete;

    // Lays the embedded member maps out from offset 0 of the embedded block, collects their columns
    // (KXG_E_SET_IN_EMBEDDED_CLASS for a set member), then reserves the block.
    int32_t JoinBuffer(KxGBufferMap& bufferMap) override;
    int32_t Resolve(KxGClassMap& classMap) override;
    int32_t GetColumns(KxGColumnList& list) override;
    int32_t GetSQLSize() override;
    int32_t GetValueSize() override;
    int32_t CreateHandles(KxGRowContext& rows, int32_t count, KxGContext* context) override;
    int32_t Store(KxObjectAlias& object, KxGRowContext& rows, KxGContext* context) override;
    int32_t Load(KxGRowContext& rows, KxObjectAlias& object, KxGContext* context) override;
    int32_t StreamOut(KxTypeMgr* typeMgr, uint8_t*& position, KxObjectAlias& object, uint32_t room,
                      uint32_t& needed) override;
    int32_t StreamIn(KxTypeMgr* typeMgr, const uint8_t*& position, KxObjectAlias& object,
                     uint32_t available) override;
    int32_t CopyRows(KxGRowContext& source, KxGRowContext& target, int32_t count) override;
    int32_t BindParameter(uint16_t& position, KxGRowContext& rows, KxGStatementHdl& statement, int32_t count,
                          KxGContext* context) override;
    int32_t BindColumn(uint16_t& column, KxGRowContext& rows, KxGStatementHdl& statement, int32_t count,
                       KxGContext* context) override;
    int32_t GetTable(KxGTable& table) override;
    const KxString& GetName() const override { return name_; }
    KxGClassMemberMap* AsClassMemberMap() override { return this; }
    int32_t Matches(const KxMember* member) override;
    int32_t CollectReferences(KxGRowContext& rows, std::vector<KxObjId>& list) override;
    uint32_t GetStorageType() override { return storageType_; }
    uint16_t GetMemberPos() override { return position_; }
    KxClassId GetClassId() override;
    uint16_t GetOwnerClassNumber() const override { return outer_.GetClassNumber(); }

    KxGClass* GetEmbeddedClass() const { return embedded_; }
    uint32_t GetDimension() const { return dimension_; }
    int32_t GetRowOffset() const { return rowOffset_; }
    // Whether the embedded class's maps hold references (directly or in deeper embedded members).
    bool HasReferences();
    // Option status of the embedded paths' mapping options (-4 RENAME without argument, 2 another
    // option), set while the columns are collected; 0 when none was refused.
    int32_t GetOptionStatus() const { return optionStatus_; }

protected:
    void SetStorageType(uint32_t storageType) { storageType_ = storageType; }
    // The embedded member maps in order (the embedded class's class map's list).
    uint32_t GetInnerCount() const;
    KxGMemberMap* GetInner(uint32_t i) const;
    // Calls f(inner) for each embedded member map in order; the first non-zero answer stops and is
    // returned.
    template <typename F>
    int32_t EachInner(F&& f) const
    {
        for (uint32_t i = 0; i < GetInnerCount(); ++i) {
            KxGMemberMap* inner = GetInner(i);
            const int32_t status = inner != nullptr ? f(*inner) : 0;
            if (status != 0) {
                return status;
            }
        }
        return 0;
    }
    // Alias of embedded instance i of the object (owned by the caller), its reference carrying the
    // embedded class id; null when the object has no address.
    std::unique_ptr<KxObjectAlias> Element(KxObjectAlias& object, uint32_t i);
    // Joins the embedded member maps into a row of their own once (offsets from 0 of the block).
    int32_t LayOut();
    int32_t CollectColumns();

private:
    KxGSchemaMap* schemaMap_;
    KxString name_;
    std::unique_ptr<KxGClassMemberAlias> accessor_;
    KxGClass* embedded_;
    KxGTable table_;
    KxGColumnList columns_;   // owned copies
    uint16_t position_;
    uint32_t dimension_;
    int32_t rowOffset_ = 0;
    uint16_t handleBase_ = 0;
    int32_t innerWidth_ = 0;
    uint16_t innerHandles_ = 0;
    uint32_t storageType_ = KXG_STORAGE_COLUMN;
    int32_t optionStatus_ = 0;
    KxClassId outer_;
    bool laidOut_ = false;
};

class KxGBlobClassMemberMap : public KxGClassMemberMap {
public:
    using KxGClassMemberMap::KxGClassMemberMap;

    // Lays the embedded maps out (for streaming) and registers with size 0.
    int32_t JoinBuffer(KxGBufferMap& bufferMap) override;
    int32_t GetColumns(KxGColumnList&) override { return 0; }
    int32_t CreateHandles(KxGRowContext&, int32_t, KxGContext*) override { return 0; }
    int32_t Store(KxObjectAlias&, KxGRowContext&, KxGContext*) override { return 0; }
    int32_t Load(KxGRowContext&, KxObjectAlias&, KxGContext*) override { return 0; }
    int32_t CopyRows(KxGRowContext&, KxGRowContext&, int32_t) override { return 0; }
    int32_t BindParameter(uint16_t&, KxGRowContext&, KxGStatementHdl&, int32_t, KxGContext*) override { return 0; }
    int32_t BindColumn(uint16_t&, KxGRowContext&, KxGStatementHdl&, int32_t, KxGContext*) override { return 0; }
    int32_t CollectReferences(KxGRowContext&, std::vector<KxObjId>&) override { return 0; }
    uint32_t GetStorageType() override { return KXG_STORAGE_BLOB; }
};
