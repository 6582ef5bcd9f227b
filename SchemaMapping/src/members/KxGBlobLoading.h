// The member loader's part for members kept in a blob container and for large strings: the member
// options CHARTYPE/STRING_TYPE, BLOB_TYPE, BLOBSIZE and MEMBER_STORAGE_TYPE (class-wide ones as the
// defaults of the class's members), the choice of the member map, and the class's blob container.
#pragma once

#include <cstdint>
#include <memory>

#include "KxObjId.h"
#include "KxString.h"

class KxGClass;
class KxGMemberMap;
class KxGSchemaMap;
class KxMember;

// A large string's second column size when CHARTYPE/STRING_TYPE gives no third number.
constexpr uint32_t KXG_LARGE_STRING_SIZE = 33000;

// How a value member is mapped.
struct KxGValueSettings {
    uint8_t kind = 0;             // storage kind handed to the type handle
    uint32_t count = 1;           // element count, or the size of a string or blob column
    bool inContainer = false;     // kept in the class's blob container
    int32_t containerSize = 0;    // bytes MEMBER_STORAGE_TYPE BLOB reserves (0: the member's value size)
    uint32_t lsxSize = KXG_LARGE_STRING_SIZE;
};

// Applies the class-wide and the member's options to the settings of a value member (kind and count
// as the registry gives them) and sets the options' statuses. context: the loader-context flags.
void KxGApplyValueOptions(KxGSchemaMap& schemaMap, KxGClass& mappedClass, const KxMember& member, uint32_t context,
                          KxGValueSettings& settings);

// The member map of a value member: a large string for a string of kind 127, a blob-type member map
// for a member in the container, else a value member map. A member in the container grows the
// class's blob container by its size (made when missing). Null when no container can be made.
std::unique_ptr<KxGMemberMap> KxGMakeValueMemberMap(KxGSchemaMap& schemaMap, KxGClass& mappedClass,
                                                    const KxMember& member, const KxString& rename,
                                                    const KxGValueSettings& settings);
// The same for a member that mappedClass maps but another class declares (declaring: that class's id;
// memberOffset: the member's offset in an instance of it). The container is mappedClass's.
std::unique_ptr<KxGMemberMap> KxGMakeValueMemberMap(KxGSchemaMap& schemaMap, KxGClass& mappedClass,
                                                    const KxClassId& declaring, uint32_t memberOffset,
                                                    const KxMember& member, const KxString& rename,
                                                    const KxGValueSettings& settings);

// Whether an embedded class member is kept in the blob container: MEMBER_STORAGE_TYPE asking for
// anything but DEFAULT (status 0; -3 without argument) where the context allows it. size: the
// option's size argument (0 when none).
bool KxGEmbeddedInContainer(KxGSchemaMap& schemaMap, KxGClass& mappedClass, const KxMember& member,
                            uint32_t context, int32_t& size);

// Grows the class's blob container (made when missing) by `size` bytes; false when none can be made.
bool KxGReserveInContainer(KxGClass& mappedClass, int32_t size);
