// The client calls of queries: conditions and sort members by member name, mapped onto the query's
// operation list (member position among all members of the class, typed constants).
#include "KxInt64.h"
#include "KxMetaType.h"
#include "KxObject.h"
#include "KxQuery.h"
#include "KxString.h"
#include "KxTypeMgr.h"

namespace {

constexpr uint8_t kRefType = KX_TYPE_OBJID;   // a reference compared by its object id

// The reference to no object compares as object id 0, as the gateway stores it.
KxQueryValue RefValue(const KxRef& ref)
{
    return KxQueryValue::Int(ref.IsInvalid() ? 0 : int64_t(ref.GetObjId().Get64()), kRefType);
}

// The constant of a value condition from a C++ value of a type id.
int32_t ValueOf(int32_t typeId, const void* value, KxQueryValue& out)
{
    const auto code = static_cast<uint8_t>(typeId);
    switch (typeId) {
    case KX_TYPE_CHAR:
    case KX_TYPE_BYTE: out = KxQueryValue::Int(*static_cast<const uint8_t*>(value), code); return 0;
    case KX_TYPE_SHORT: out = KxQueryValue::Int(*static_cast<const int16_t*>(value), code); return 0;
    case KX_TYPE_USHORT: out = KxQueryValue::Int(*static_cast<const uint16_t*>(value), code); return 0;
    case KX_TYPE_INT:
    case KX_TYPE_LONG:
    case KX_TYPE_INT4: out = KxQueryValue::Int(*static_cast<const int32_t*>(value), code); return 0;
    case KX_TYPE_UINT:
    case KX_TYPE_ULONG: out = KxQueryValue::Int(*static_cast<const uint32_t*>(value), code); return 0;
    case KX_TYPE_INT64: out = KxQueryValue::Int(*static_cast<const int64_t*>(value), code); return 0;
    case KX_TYPE_KXINT64: out = KxQueryValue::Int(static_cast<const KxInt64*>(value)->Get(), code); return 0;
    case KX_TYPE_DOUBLE: out = KxQueryValue::Real(*static_cast<const double*>(value)); return 0;
    case KX_TYPE_FLOAT:
        out = KxQueryValue::Real(*static_cast<const float*>(value));
        out.typeCode = code;
        return 0;
    case KX_TYPE_STRING:
    case KX_TYPE_ISTRING:
    case KX_TYPE_CASEISTRING:
        out = KxQueryValue::String(static_cast<const KxString*>(value)->ToUtf8());
        out.typeCode = code;
        return 0;
    default: return KX_KERNEL_E_TYPE_MISMATCH;
    }
}

}  // namespace

KxGenericQuery::KxGenericQuery(const KxMetaClass* metaClass, int32_t, int32_t)
    : KxQuery(metaClass != nullptr ? metaClass->GetClassId() : KxClassId()), base_(nullptr), type_(KX_QUERY_NORMAL),
      class_(metaClass)
{
}

int32_t KxGenericQuery::Position(const KxString& member, uint16_t& pos) const
{
    if (class_ == nullptr) {
        return KX_KERNEL_E_STATE;
    }
    const auto& members = class_->GetAllMembers();
    for (size_t i = 0; i < members.size(); ++i) {
        if (members[i]->GetName() == member) {
            pos = static_cast<uint16_t>(i);
            return 0;
        }
    }
    return KX_KERNEL_E_NOT_FOUND;
}

int32_t KxGenericQuery::Set(const KxString& member, const KxObject* value, uint16_t compareOp, int32_t options)
{
    return Set(member, KxOnDemand(value, 1), compareOp, options);
}

int32_t KxGenericQuery::Set(const KxString& member, const KxOnDemand& value, uint16_t compareOp, int32_t options)
{
    uint16_t pos = 0;
    int32_t rc = Position(member, pos);
    if (rc < 0) {
        return rc;
    }
    const KxMemberType type = class_->GetAllMembers()[pos]->GetMemberType();
    if (type != KX_MEMBER_POINTER && type != KX_MEMBER_ONDEMAND) {
        return KX_KERNEL_E_TYPE_MISMATCH;
    }
    KxQuery::SetMember(pos, class_->GetClassId(), compareOp, RefValue(value.GetRef()), static_cast<uint16_t>(options));
    return 0;
}

int32_t KxGenericQuery::SetMember(const KxString& member)
{
    uint16_t pos = 0;
    const int32_t rc = Position(member, pos);
    if (rc < 0) {
        return rc;
    }
    if (class_->GetAllMembers()[pos]->GetMemberType() != KX_MEMBER_VALUE) {
        return KX_KERNEL_E_TYPE_MISMATCH;
    }
    pending_ = pos;
    return 0;
}

int32_t KxGenericQuery::Set(int32_t typeId, int32_t, const void* value, uint16_t compareOp, int32_t, int32_t)
{
    if (pending_ < 0) {
        return KX_KERNEL_E_STATE;
    }
    if (value == nullptr) {
        return KX_KERNEL_E_INVALID;
    }
    KxQueryValue constant;
    const int32_t rc = ValueOf(typeId, value, constant);
    if (rc < 0) {
        return rc;
    }
    KxQuery::SetMember(static_cast<uint16_t>(pending_), class_->GetClassId(), compareOp, constant);
    pending_ = -1;
    return 0;
}

int32_t KxGenericQuery::SortBy(const KxString& member, int32_t sortOp, int32_t, int32_t, int32_t)
{
    uint16_t pos = 0;
    const int32_t rc = Position(member, pos);
    if (rc < 0) {
        return rc;
    }
    KxQuery::SortBy(pos, class_->GetClassId(), sortOp);
    return 0;
}
