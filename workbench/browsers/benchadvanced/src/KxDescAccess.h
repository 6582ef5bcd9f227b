// Small accessors of the description fields that the browsers read from the kernel's meta types
// and members: the member flag word in the layout the browsers name, storage class, access method.
#pragma once

#include <cstdint>

#include "KxMetaType.h"

// Member flag word: bit 0 volatile, 1 volatile-qualified reference, 2 transient, 3 depend, 4 friend,
// 5 virtual, 6 const, 7 const-qualified reference, 8 array, 9 overload, 11 autoincrement, 12 automatic
// time stamp, 13 time stamp in UTC.
enum : uint32_t {
    KX_MFLAG_VOLATILE = 1u << 0, KX_MFLAG_VOLATILE_REF = 1u << 1, KX_MFLAG_TRANSIENT = 1u << 2,
    KX_MFLAG_DEPEND = 1u << 3, KX_MFLAG_FRIEND = 1u << 4, KX_MFLAG_VIRTUAL = 1u << 5,
    KX_MFLAG_CONST = 1u << 6, KX_MFLAG_CONST_REF = 1u << 7, KX_MFLAG_ARRAY = 1u << 8,
    KX_MFLAG_OVERLOAD = 1u << 9, KX_MFLAG_AUTOINCREMENT = 1u << 11, KX_MFLAG_AUTO_TIMESTAMP = 1u << 12,
    KX_MFLAG_UTC = 1u << 13
};

// Class flag word: 1 creatable, 2 virtual functions, 4 "_persistent" (no extent of its own).
enum : uint32_t { KX_CFLAG_CREATABLE = 1, KX_CFLAG_VIRTUAL = 2, KX_CFLAG_NO_EXTENT = 4 };

inline uint32_t KxMemberFlags(const KxMember& member) {
    uint32_t flags = 0;
    if (member.IsTransient() || member.HasQualifier(KX_QUAL_NOT_STORED)) flags |= KX_MFLAG_TRANSIENT;
    if (member.HasQualifier(KX_QUAL_STORE_WITH)) flags |= KX_MFLAG_DEPEND;
    if (member.HasQualifier(KX_QUAL_AUTO_VALUE)) flags |= KX_MFLAG_AUTOINCREMENT;
    if (member.IsArray()) flags |= KX_MFLAG_ARRAY;
    return flags;
}

// Storage class: 2 static (a member the kernel keeps only in memory), 0 otherwise.
inline int KxMemberStorageClass(const KxMember& member) { return member.GetKind(); }

// Access method: 2 through a pointer, 1 directly.
inline int KxMemberAccessMethod(const KxMember& member) {
    return member.GetMemberType() == KX_MEMBER_POINTER ? 2 : 1;
}

// The member's declared type name: a class's or set type's name, or the type manager's name.
KxString KxMemberTypeName(const KxMember& member, KxTypeMgr* typeMgr);

inline uint32_t KxClassFlags(const KxMetaType* type) { return type != nullptr ? type->GetClassFlags() : 0; }
inline bool KxClassHasNoExtent(const KxMetaType* type) { return (KxClassFlags(type) & KX_CFLAG_NO_EXTENT) != 0; }
