// The class loader's and member loader's work on sets (KxGClassLoader.cpp calls these).
#pragma once

#include <cstdint>

class KxGClass;
class KxGSchemaMap;
class KxMember;
class KxMetaSet;

// The class of a set type: its class map becomes a set map (KxGSetMap) and its one member the
// element: a reference member map (sets of references), an embedded class member map (sets of
// embedded values) or the value member map "DATA" (sets of simple values). The class is then loaded.
// 0, or the element's loading error (also kept as the class's load result).
int32_t KxGLoadSetType(KxGSchemaMap& schemaMap, const KxMetaSet& set, KxGClass& setClass, uint32_t context);

// A set member of a class: the set type is loaded, the storage chosen (own set table, or the blob
// container when the options ask for it and the loader context allows it) and the set member map
// made and added to the class with its member (a relation for sets of references).
int32_t KxGLoadSetMember(KxGSchemaMap& schemaMap, KxGClass& owner, const KxMember& member, uint32_t context);

// A set kept in the blob container: makes the class's container map when missing and grows it by
// size bytes. 0 or an error.
int32_t KxGReserveBlobSet(KxGClass& owner, int32_t size);
