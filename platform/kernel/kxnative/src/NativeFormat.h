// The stored form of objects (self-describing records), the values members hold as scalars (for
// queries and index keys) and the order-keeping form of index keys.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "KxRef.h"

class KxBase;
class KxMember;
class KxMetaClass;
class KxObject;
class KxObjectSet;

namespace kxn {

// A member's stored or in-memory value reduced for comparison.
struct Scalar {
    enum Kind { kNull, kInt, kUInt, kReal, kText, kBytes };
    Kind kind = kNull;
    int64_t i = 0;
    uint64_t u = 0;
    double r = 0;
    std::string s;   // text (UTF-8) or bytes
};

// The scalar of one value of a kernel type code at address (null for an inactive text).
Scalar ScalarOf(int32_t typeCode, const void* address);

// Whether the member is stored: not transient, not of the not-stored kind or qualifier.
bool IsStored(const KxMember& member);

// Fills of references that a decoded object still needs (objects read after it).
struct Fixup {
    KxObject** slot = nullptr;     // a pointer member's element
    KxObjectSet* set = nullptr;    // an object set (elements appended in order)
    std::vector<KxRef> refs;
};

// The record of an instance of a class: every stored member (canonical order) with its name,
// member type, type code, element count and stored form.
std::string Encode(const KxMetaClass& cls, const uint8_t* instance);
// Fills an instance of cls (constructed) from a record of any version of the class: members matched
// by name, member type and type code (type sets: element type too); unmatched members stay as they
// are. References of pointers and object sets go to fixups; on-demand references and sets are
// filled in place (with base as their base). False when the record is damaged.
bool Decode(const std::string& record, const KxMetaClass& cls, uint8_t* instance, KxBase* base,
            std::vector<Fixup>& fixups);
// The record of any version of cls rewritten as a record of cls: matched members keep their stored
// form (arrays cut or filled up to the element count), the others take the empty value. False when
// the record is damaged.
bool Convert(const std::string& record, const KxMetaClass& cls, std::string& out);
// The references a record holds in its pointer, on-demand and set members (for deletes with
// dependents). False when the record is damaged.
bool ReferencesOf(const std::string& record, std::vector<KxRef>& refs);

// The entries of the indexes that apply to an object of cls (its bases' and its own): index number,
// key in an order-keeping form, and whether the index is unique for this entry (a unique index
// whose key holds a null part does not refuse another object).
struct KeyEntry {
    uint16_t index = 0;
    std::string key;
    bool unique = false;
};
// pointers: for an instance filled by Decode without reading the referenced objects, the references
// its pointer elements hold (by element address).
std::vector<KeyEntry> KeysOf(const KxMetaClass& cls, const uint8_t* instance,
                             const std::map<const void*, KxRef>* pointers = nullptr);
// The order-keeping form of one key part (AppendKeyPart) of a value of a type code.
void AppendKeyPart(std::string& key, int32_t typeCode, const void* address);

}  // namespace kxn
