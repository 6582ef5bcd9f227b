// Kernel queries: a list of operations on one class, as the kernel hands them to a bucket.
//
//   KxQueryOp        one operation: a member comparison, a sort member, a sub-query on a reference
//                    or set member, a Boolean operator, a bracket mark or a constant.
//   KxQuery          the operations in order; callers add them in infix order with brackets
//                    (Open/Close); Convert2Prefix gives the same query in prefix order (every Boolean
//                    operator before its operands, no brackets), which is what a bucket walks.
//   KxGenericQuery   a query built by an application on a base and a class.
//
// Operation kinds: 0 end, 2 member comparison, 4 sort member, 5 sub-query, 6 Boolean operator,
// 7 open bracket, 8 close bracket, 9 constant. Boolean operators: 1 AND, 2 OR, 4 exclusive or,
// 16 NOT, 17 not both, 18 neither, 20 equivalence. Comparison operators: 1 =, 2 <, 3 <=, 4 >, 5 >=,
// 6 <>.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "KxObjId.h"

class KxBase;
class KxMetaClass;
class KxObject;
class KxOnDemand;
class KxString;

enum : uint8_t {
    KXQ_END = 0,
    KXQ_MEMBER = 2,
    KXQ_SORT = 4,
    KXQ_SUBQUERY = 5,
    KXQ_BOOL = 6,
    KXQ_OPEN = 7,
    KXQ_CLOSE = 8,
    KXQ_CONSTANT = 9
};

// Option bits of a member comparison.
enum : uint16_t {
    KXQ_OPT_NO_PATTERN = 0x10,   // "*" and "?" are plain characters
    KXQ_OPT_NO_CASE = 0x20,      // case ignored
    KXQ_OPT_NO_BLANKS = 0x80     // blanks ignored
};

// A constant of a member comparison: a kernel type code (KxTypeMgr.h) and the value.
struct KxQueryValue {
    uint8_t typeCode = 0;
    bool isNull = false;
    int64_t integer = 0;
    double real = 0;
    std::string text;   // strings and byte values

    static KxQueryValue Int(int64_t v, uint8_t typeCode = 2);
    static KxQueryValue Real(double v);
    static KxQueryValue String(const std::string& v);
    static KxQueryValue Null(uint8_t typeCode);
};

class KxQuery;

struct KxQueryOp {
    uint8_t kind = KXQ_END;
    // member comparison, sort member, sub-query: the member's position in the class's member list
    // (bases' members first) and the class that holds the member.
    uint16_t memberPos = 0;
    KxClassId memberClass;
    uint16_t compareOp = 0;
    uint16_t options = 0;
    KxQueryValue value;
    bool hasValue = false;
    int32_t sortOp = 0;         // sort member: 1 descending
    uint8_t boolOp = 0;         // Boolean operator
    bool truth = false;         // constant
    KxQuery* subQuery = nullptr;   // sub-query: the query on the referenced or element class (owned)
    int32_t count = 0;          // set sub-query or set comparison: element count and its operator
    uint16_t countOp = 0;
};

class KxQuery {
public:
    explicit KxQuery(const KxClassId& classId);
    virtual ~KxQuery();
    KxQuery(const KxQuery&) = delete;
    KxQuery& operator=(const KxQuery&) = delete;

    const KxClassId& GetClassId() const { return classId_; }
    // Bit 0: the operations are in prefix order.
    uint16_t GetFlags() const { return flags_; }
    void SetFlags(uint16_t flags) { flags_ = flags; }

    // ---- building ------------------------------------------------------------------------------
    void SetMember(uint16_t memberPos, const KxClassId& memberClass, uint16_t compareOp, const KxQueryValue& value,
                   uint16_t options = 0);
    // A comparison without a value (a set member's element count alone).
    void SetMemberCount(uint16_t memberPos, const KxClassId& memberClass, int32_t count, uint16_t countOp);
    void SortBy(uint16_t memberPos, const KxClassId& memberClass, int32_t sortOp);
    void SetBoolOp(uint8_t op);
    void Open();
    void Close();
    void SetConstant(bool truth);
    // A sub-query on a reference or set member; the query takes over `sub`. For a set: the number of
    // matching elements asked for (count, countOp).
    void SetSubQuery(uint16_t memberPos, const KxClassId& memberClass, std::unique_ptr<KxQuery> sub,
                     int32_t count = 0, uint16_t countOp = 4);
    // Appends an operation as it stands (an operation of any kind, for queries the kernel would not build).
    void Append(const KxQueryOp& op);

    // ---- walking -------------------------------------------------------------------------------
    void Rewind() { cursor_ = 0; }
    // The next operation; an operation of kind 0 after the last. 0, or -1 when the query is broken.
    int32_t Next(const KxQueryOp*& op);
    uint32_t GetOpCount() const { return static_cast<uint32_t>(ops_.size()); }

    // Writes this query, in prefix order, into target (emptied first; sub-queries are converted too
    // and belong to target). 0, or -1 when the brackets or operands do not match.
    int32_t Convert2Prefix(KxQuery& target) const;
    // Deletes the sub-queries (recursively) and drops the operations that held them.
    void FreeSubQueries();

protected:
    std::vector<KxQueryOp>& Ops() { return ops_; }

private:
    KxClassId classId_;
    uint16_t flags_ = 0;
    std::vector<KxQueryOp> ops_;
    uint32_t cursor_ = 0;
    KxQueryOp end_;
    bool broken_ = false;
};

// Query types of KxGenericQuery.
enum KxQueryType : int32_t { KX_QUERY_NORMAL = 0 };

class KxGenericQuery : public KxQuery {
public:
    KxGenericQuery(KxBase* base, const KxClassId& classId, KxQueryType type = KX_QUERY_NORMAL);
    // A query on a class by its meta class (the client calls; run it with KxAllSet::Query). The
    // type and the last argument are not used.
    KxGenericQuery(const KxMetaClass* metaClass, int32_t type, int32_t flags);
    KxBase* GetBase() const { return base_; }
    KxQueryType GetType() const { return type_; }

    // ---- conditions by member name (KxClientQuery.cpp) -------------------------------------------
    // A member is found among all members of the class (inherited ones too); an unknown member
    // answers KX_KERNEL_E_NOT_FOUND, a query without meta class KX_KERNEL_E_STATE; nothing is added then.
    // A reference member compared with an object's reference (null: the reference to no object).
    int32_t Set(const KxString& member, const KxObject* value, uint16_t compareOp, int32_t options = 0);
    int32_t Set(const KxString& member, const KxOnDemand& value, uint16_t compareOp, int32_t options = 0);
    // A value condition in two calls: the member, then its constant, copied from *value as a C++ value
    // of the type id (KxTypeMgr.h; 11 a KxString); count and the last two arguments are not used.
    // KX_KERNEL_E_STATE without member; KX_KERNEL_E_TYPE_MISMATCH (-2113) for a type id that is no
    // value or a member that holds no value.
    int32_t SetMember(const KxString& member);
    int32_t Set(int32_t typeId, int32_t count, const void* value, uint16_t compareOp, int32_t a, int32_t b);
    // A sort member: sortOp 0 ascending, 1 descending; the last three arguments are not used.
    int32_t SortBy(const KxString& member, int32_t sortOp, int32_t a, int32_t b, int32_t c);
    using KxQuery::SortBy;
    using KxQuery::SetMember;

private:
    int32_t Position(const KxString& member, uint16_t& pos) const;
    KxBase* base_;
    KxQueryType type_;
    const KxMetaClass* class_ = nullptr;
    int32_t pending_ = -1;   // the member position of SetMember, until its value comes
};

// Clears the kernel's stack of queries being converted (the stand-in keeps none: a no-op).
void ClearQueryQueueStack();
