// Fixtures of the member-map tests: a fixture dictionary (declaration text), a connection whose type
// handles are the Oracle adapter's (no server needed), a schema map with one mapped class per class of
// the dictionary and member maps built for every stored member, kernel objects of those classes, and a
// statement handle that records its binds.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "KxClassDict.h"
#include "KxGClass.h"
#include "KxGClassMap.h"
#include "KxGFakeAdapter.h"
#include "KxGMemberMap.h"
#include "KxGOraTypeHdlMgr.h"
#include "KxGRefMemberMap.h"
#include "KxGSchemaMap.h"
#include "KxGStatementHdl.h"
#include "KxMetaType.h"
#include "KxObject.h"
#include "KxObjectAlias.h"
#include "KxObjectAliasMember.h"

namespace membertest {

// Point has two versions (the second adds a reference); Widget inherits from two bases, so the
// members of its second base lie at an offset in its instances. Arrays of bytes lie in one column; arrays
// of other types reach the database only through the blob container (their rows are not compared).
inline const char* kDictionary = R"(dictionary members server=LOCAL
class 20.1 Point embedded
member x int
member y double
class 20.2 Point embedded
member x int
member y double
member owner ondemand:Part
class 21.1 Part
member name string
class 22.1 Tagged
member tag string
class 23.1 Widget bases=Part,Tagged
member count int
member weight double
member code short
member scores int count=3
member flags byte count=4
member label string
member data blob
member origin embedded:Point
member corners embedded:Point count=3
member partner ondemand:Part
member boss ptr:Part
class 24.1 Holder
member point embedded:Point@1
)";

constexpr uint32_t kStringSize = 16;
constexpr uint32_t kBlobSize = 24;

// A connection with the Oracle adapter's type handles.
class TypeDatabase : public KxGFakeDatabase {
public:
    TypeDatabase() : KxGFakeDatabase("LOCAL", "S", "S", "s", nullptr, nullptr), manager_(this) {}
    KxGTypeHdlMgr* GetTypeHdlMgr() override { return &manager_; }
    KxGTypeHdl* GetTypeHdl(int32_t typeCode, int32_t kind, int32_t flags) override
    {
        return manager_.GetTypeHdl(static_cast<uint8_t>(typeCode), static_cast<uint8_t>(kind),
                                   static_cast<uint8_t>(flags));
    }
    KxGFakeDatabaseError& Error() { return *static_cast<KxGFakeDatabaseError*>(GetError()); }
    // Descriptors are numbered from 1000 on; freed ones are recorded.
    int32_t AllocDescriptor(int32_t, uintptr_t* handle) override
    {
        *handle = nextDescriptor++;
        return 0;
    }
    int32_t FreeDescriptor(int16_t, uintptr_t handle) override
    {
        freed.push_back(handle);
        return 0;
    }

    uintptr_t nextDescriptor = 1000;
    std::vector<uintptr_t> freed;

private:
    KxGOraTypeHdlMgr manager_;
};

// A statement handle that records its binds.
class RecordingHdl : public KxGStatementHdl {
public:
    struct Bind {
        bool parameter;
        uint16_t number;
        uint8_t typeCode;
        void* data;
        void* indicator;
    };
    void Destroy(KxGStatementHdl*) override {}
    uint16_t BindParameter(uint16_t position, KxGTypeHdl* typeHdl, int32_t, int32_t, int32_t, void* data,
                           void* indicator) override
    {
        binds.push_back({true, position, typeHdl->TypeCode(), data, indicator});
        return answer;
    }
    uint16_t BindResult(uint16_t column, KxGTypeHdl* typeHdl, int32_t, void* data, void* indicator) override
    {
        binds.push_back({false, column, typeHdl->TypeCode(), data, indicator});
        return answer;
    }
    int32_t ExecuteNonSelect(const KxString&) override { return 0; }
    int32_t ValidateSelectList(const KxString&) override { return 0; }
    uint16_t Execute(uint32_t) override { return 1; }
    uint16_t RowCount(uint32_t& rows) override { rows = 0; return 1; }
    uint16_t Fetch(uint32_t&) override { return 1; }
    uint16_t MoreResults(uint16_t& more) override { more = 0; return 1; }
    uint16_t CloseCursor() override { return 1; }
    uint16_t UnbindParams() override { return 1; }
    uint16_t UnbindResults() override { return 1; }

    std::vector<Bind> binds;
    uint16_t answer = 1;
};

// A kernel object held for a test.
struct ObjectHold {
    void operator()(KxObject* object) const
    {
        if (object != nullptr) {
            object->Release();
        }
    }
};
using ObjectPtr = std::unique_ptr<KxObject, ObjectHold>;

// The fixture dictionary loaded into a schema map: every class becomes a KxGClass with a class map
// whose member maps (bases' members first) are built the way the member loader builds them.
class Fixture {
public:
    Fixture()
    {
        std::unique_ptr<KxClassDict> dict;
        KxString error;
        if (KxClassDict::Parse(kDictionary, "members.kxd", dict, &error) != 0) {
            ADD_FAILURE() << error.StrGet();
        }
        dictionary = std::move(dict);
        schemaMap = std::make_unique<KxGSchemaMap>(&database, dictionary.get(), 0, nullptr);
    }

    // Declares a class (by number and version) in the schema map with an empty class map.
    KxGClass& Declare(uint16_t number, uint16_t version = 0)
    {
        const KxMetaClass* meta = Meta(number, version);
        auto mapped = std::make_unique<KxGClass>(schemaMap.get(), meta->GetClassId(), meta->GetName(),
                                                 meta->IsPersistent() ? KXG_CLASS_PERSISTENT
                                                                      : KXG_CLASS_NOT_PERSISTENT);
        mapped->SetClassMap(std::make_unique<KxGClassMap>(schemaMap.get(), mapped.get()));
        KxGClass* raw = mapped.get();
        if (version == 0 || schemaMap->FindClass(number) == nullptr) {
            schemaMap->AddClass(std::move(mapped));
        } else {
            extra_.push_back(std::move(mapped));
        }
        return *raw;
    }

    // Builds the member maps of every stored member (canonical order) of the class.
    void Build(KxGClass& mapped, const KxMetaClass* meta, const std::vector<KxGClass*>& referenced)
    {
        for (const KxMember* member : meta->GetAllMembers()) {
            const KxMetaClass* declaring = member->GetDeclaringClass();
            const KxMember* own = declaring->GetMember(member->GetPosition());
            std::unique_ptr<KxGMemberMap> map = MakeMap(*own, declaring, referenced);
            if (!map) {
                continue;
            }
            mapped.GetClassMap()->AddMemberMap(map.get());
            mapped.AddMember(std::make_unique<KxGMember>(member->GetName(), &mapped, std::move(map)));
        }
    }

    std::unique_ptr<KxGMemberMap> MakeMap(const KxMember& member, const KxMetaClass* declaring,
                                          const std::vector<KxGClass*>& referenced)
    {
        switch (member.GetMemberType()) {
        case KX_MEMBER_VALUE: {
            const auto code = static_cast<uint8_t>(member.GetTypeCode());
            const uint32_t count = code == 11 ? kStringSize : code == 18 ? kBlobSize : member.GetElementCount();
            return std::make_unique<KxGTypeMemberMap>(schemaMap.get(), declaring->GetClassId(), member.GetName(),
                                                      KxString(), member.GetPosition(), code, 0, 0, true, 0, count,
                                                      member.GetOffset());
        }
        case KX_MEMBER_ONDEMAND:
        case KX_MEMBER_POINTER: {
            auto map = std::make_unique<KxGRefMemberMap>(schemaMap.get(), declaring->GetClassId(), member.GetPosition());
            relations_.push_back(std::make_unique<KxGRelation>(member.GetName(), nullptr, member.GetQualifier()));
            std::unique_ptr<KxGRefAlias> accessor;
            if (member.GetMemberType() == KX_MEMBER_ONDEMAND) {
                accessor = std::make_unique<KxGOnDemandMemberAlias>(member.GetOffset(), 0);
            } else {
                accessor = std::make_unique<KxGKxObjectPtrMemberAlias>(member.GetOffset(), 0);
            }
            map->BindRelation(Find(referenced, member.GetClass()->GetClassNumber())->GetClassMap(),
                              relations_.back().get(), std::move(accessor));
            return map;
        }
        case KX_MEMBER_EMBEDDED:
            return std::make_unique<KxGClassMemberMap>(
                schemaMap.get(), declaring->GetClassId(), member.GetName(), member.GetPosition(),
                Find(referenced, member.GetClass()->GetClassNumber(), member.GetClass()->GetVersion()),
                std::make_unique<KxGEmbeddedClassMemberAlias>(member.GetOffset(), member.GetElementSize()),
                member.GetElementCount());
        default:
            return nullptr;
        }
    }

    static KxGClass* Find(const std::vector<KxGClass*>& classes, uint16_t number, uint16_t version = 0)
    {
        for (KxGClass* candidate : classes) {
            if (candidate->GetClassNumber() == number && (version == 0 || candidate->GetVersion() == version)) {
                return candidate;
            }
        }
        return nullptr;
    }

    const KxMetaClass* Meta(uint16_t number, uint16_t version = 0) const
    {
        const KxMetaType* type = version == 0 ? dictionary->GetCurrentVersion(number)
                                              : dictionary->GetMetaType(KxClassId(number, version));
        return type != nullptr ? type->AsClass() : nullptr;
    }

    // A new object of the class with an id, held by the test.
    ObjectPtr NewObject(uint16_t number, uint32_t id)
    {
        KxObject* object = nullptr;
        EXPECT_EQ(0, objects.Create(Meta(number), KxObjId(id), object));
        return ObjectPtr(object);
    }

    // The address of a member (by name, element i) of an object.
    template <typename T>
    static T& At(KxObject& object, const char* name, uint32_t element = 0)
    {
        const KxMember* member = object.GetMetaClass()->FindMember(name);
        EXPECT_NE(member, nullptr) << name;
        return *reinterpret_cast<T*>(object.MemberAddress(*member, element));
    }

    // The embedded instance (element i) of an embedded member, and a member of it.
    template <typename T>
    T& Inner(KxObject& object, const char* embedded, uint32_t element, const char* name)
    {
        const KxMember* outer = object.GetMetaClass()->FindMember(embedded);
        const KxMember* inner = outer->GetClass()->FindMember(name);
        return *reinterpret_cast<T*>(object.MemberAddress(*outer, element) + inner->GetOffset());
    }

    TypeDatabase database;
    std::unique_ptr<KxClassDict> dictionary;
    std::unique_ptr<KxGSchemaMap> schemaMap;
    KxObjectMgr objects{nullptr};

private:
    std::vector<std::unique_ptr<KxGRelation>> relations_;
    std::vector<std::unique_ptr<KxGClass>> extra_;
};

}  // namespace membertest
