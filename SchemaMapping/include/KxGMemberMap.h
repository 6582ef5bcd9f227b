// The member side of a class map, as far as the catalog needs it.
//
//   KxGMemberColumn  a column description of a member map: besides the SQL column description it
//                    carries the member path by which columns are matched (index keys, stored names)
//                    and the member map that owns it.
//   KxGMemberMap     the interface every member map implements (value, reference, embedded class,
//                    set and blob member maps); the catalog asks it for its columns, its name and the
//                    class number that keys its stored column names.
#pragma once

#include <cstdint>

#include "KxGColumn.h"
#include "KxString.h"

class KxGColumnList;
class KxGMemberMap;

class KxGMemberColumn : public KxGColumn {
public:
    KxGMemberColumn() = default;
    explicit KxGMemberColumn(const KxString& name, uint16_t typeCode = 0, uint32_t size = 0, uint8_t flags = 0,
                             uint8_t kind = 0)
        : KxGColumn(name, typeCode, size, flags, kind) {}
    KxGMemberColumn(const KxGMemberColumn&) = default;
    KxGMemberColumn& operator=(const KxGMemberColumn&) = default;

    // The member path ("address.city"; a sub-column of a reference runs together: "ownerOID").
    const KxString& GetMemberPath() const { return memberPath_; }
    void SetMemberPath(const KxString& path) { memberPath_ = path; }
    // The member map whose column this is (may be null).
    KxGMemberMap* GetMemberMap() const { return memberMap_; }
    void SetMemberMap(KxGMemberMap* memberMap) { memberMap_ = memberMap; }

private:
    KxString memberPath_;
    KxGMemberMap* memberMap_ = nullptr;
};

class KxGMemberMap {
public:
    virtual ~KxGMemberMap();

    // Appends the member's column descriptions (KxGMemberColumn objects owned by the map); 0 or an
    // error status.
    virtual int32_t GetColumns(KxGColumnList& list) = 0;
    // The member name.
    virtual const KxString& GetName() const = 0;
    // The class number of the class that declares the member: the prefix of the member's keys in
    // KELVOX_MEMBERS ("<number>.<path>"; no prefix for 0).
    virtual uint16_t GetOwnerClassNumber() const = 0;

protected:
    KxGMemberMap() = default;
    KxGMemberMap(const KxGMemberMap&) = default;
    KxGMemberMap& operator=(const KxGMemberMap&) = default;
};
