// The comparison of a stored schema with the current dictionary's: the versioning maps of both sides,
// their classification and the statements of phases 0 to 9.
#include <algorithm>
#include <new>

#include "KxGClass.h"
#include "KxGClassMap.h"
#include "KxGCreationSchemaMap.h"
#include "KxGDatabase.h"
#include "KxGSchemaMap.h"
#include "KxGStatusCodes.h"
#include "KxGVersioningMap.h"
#include "KxGVersioningSupport.h"

using namespace kxgversioning;

// ---- the map array ---------------------------------------------------------------------------------------

KxGVersioningMapArray::KxGVersioningMapArray(uint32_t capacity, uint32_t step) : step_(step == 0 ? 50 : step)
{
    maps_.resize(capacity);
}

KxGVersioningMapArray::~KxGVersioningMapArray() = default;

KxGVersioningMap* KxGVersioningMapArray::Get(uint32_t index) const
{
    return index < maps_.size() ? maps_[index].get() : nullptr;
}

int32_t KxGVersioningMapArray::Set(uint32_t index, std::unique_ptr<KxGVersioningMap> map)
{
    if (index >= maps_.size()) {
        const size_t grown = std::max<size_t>(maps_.size() + step_, static_cast<size_t>(index) + step_);
        try {
            maps_.resize(grown);
        } catch (const std::bad_alloc&) {
            return KXG_E_NO_MEMORY;
        }
    }
    maps_[index] = std::move(map);
    return 0;
}

// ---- the run -------------------------------------------------------------------------------------------------

namespace {

// The versioning map of a class by its store kind; a missing (or not persistent) class gets the map
// of a class that does not exist on its side.
std::unique_ptr<KxGVersioningMap> MakeMap(KxGSchemaMap& map, KxGClass* mapped, KxGVersioningMap* partner,
                                          KxGVersioningContext* context)
{
    const bool present = mapped != nullptr && mapped->IsPersistent() && mapped->GetClassMap() != nullptr &&
                         mapped->GetClassMap()->GetStoreHdl() != nullptr;
    if (!present) {
        return std::make_unique<KxGNewVersioningMap>(&map, nullptr, partner, context);
    }
    switch (StoreKindOf(mapped)) {
    case KXG_STORE_ALL:
        return std::make_unique<KxGAllVersioningMap>(&map, mapped, partner, context);
    case KXG_STORE_UNIVERSAL:
        return std::make_unique<KxGUniversalVersioningMap>(&map, mapped, partner, context);
    case KXG_STORE_UNIVERSAL_CHILD:
        return std::make_unique<KxGUniChildVersioningMap>(&map, mapped, partner, context);
    case KXG_STORE_VIRTUAL:
        return std::make_unique<KxGVirtualVersioningMap>(&map, mapped, partner, context);
    case KXG_STORE_DEFAULT:
        return std::make_unique<KxGDefaultVersioningMap>(&map, mapped, partner, context);
    default:
        return nullptr;
    }
}

}  // namespace

KxGSchemaVersioning::KxGSchemaVersioning(KxGSchemaMap& oldMap, KxGSchemaMap& newMap, uint16_t newVersion)
{
    context_.oldMap = &oldMap;
    context_.newMap = &newMap;
    context_.newVersion = newVersion;
    context_.warn = [this](int32_t code, const std::string& text) {
        warnings_.push_back({code, text});
        if (context_.reporter) {
            context_.reporter(code, KxString(text.c_str()));
        }
    };
}

KxGSchemaVersioning::~KxGSchemaVersioning() = default;

uint32_t KxGSchemaVersioning::ClassCount() const
{
    return std::max(context_.oldMap->GetClassCapacity(), context_.newMap->GetClassCapacity());
}

int32_t KxGSchemaVersioning::Build()
{
    for (uint32_t number = 0; number < ClassCount(); ++number) {
        KxGClass* newClass = context_.newMap->FindClass(static_cast<uint16_t>(number));
        if (newClass == nullptr || !newClass->IsPersistent() || newClass->GetClassMap() == nullptr ||
            newClass->GetClassMap()->GetStoreHdl() == nullptr) {
            continue;   // classes only in the old schema keep their tables
        }
        std::unique_ptr<KxGVersioningMap> made = MakeMap(*context_.newMap, newClass, nullptr, &context_);
        if (made == nullptr) {
            continue;
        }
        KxGVersioningMap* partner = made.get();
        int32_t result = newMaps_.Set(number, std::move(made));
        if (result != 0) {
            return result;
        }
        KxGClass* oldClass = context_.oldMap->FindClass(static_cast<uint16_t>(number));
        std::unique_ptr<KxGVersioningMap> old = MakeMap(*context_.oldMap, oldClass, partner, &context_);
        if (old == nullptr) {
            old = std::make_unique<KxGNewVersioningMap>(context_.oldMap, nullptr, partner, &context_);
        }
        result = oldMaps_.Set(number, std::move(old));
        if (result != 0) {
            return result;
        }
    }
    return 0;
}

int32_t KxGSchemaVersioning::Run(KxGStatementTemplateList& list)
{
    if (done_) {
        return 0;
    }
    done_ = true;
    KxGDatabase* database = context_.newMap->GetDatabase();
    context_.info = database != nullptr ? database->GetDatabaseInfo() : nullptr;
    if (context_.info == nullptr) {
        return KXG_E_NO_CONNECTION;
    }
    context_.conversions = context_.info->GetTypeConvHdlMgr();
    int32_t result = Build();
    if (result != 0) {
        return result;
    }
    const uint32_t count = ClassCount();
    for (uint32_t number = 1; number < count; ++number) {
        if (KxGVersioningMap* old = oldMaps_.Get(number)) {
            result = old->Classify(oldMaps_, newMaps_);
            if (result != 0) {
                return result;
            }
        }
    }
    for (int32_t phase = 0; phase <= 9; ++phase) {
        for (uint32_t number = 1; number < count; ++number) {
            KxGVersioningMap* made = newMaps_.Get(number);
            KxGVersioningMap* old = oldMaps_.Get(number);
            if (made == nullptr || old == nullptr) {
                continue;
            }
            result = made->Run(*old, list, phase);
            if (result == 0) {
                result = old->RunSets(list, phase);
            }
            if (result != 0) {
                return result;
            }
        }
    }
    KxGCreationSchemaMap* creation = context_.newMap->GetCreationSchemaMap();
    if (creation != nullptr && !creation->IsStoredNames()) {
        result = creation->RecordNamesAgain();
    }
    return result;
}
