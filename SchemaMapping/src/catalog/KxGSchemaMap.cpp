// The schema map: classes by number, loading, the naming rules and the names read back.
#include "KxGSchemaMap.h"

#include <algorithm>

#include "KxClassDict.h"
#include "KxGClass.h"
#include "KxGClassMap.h"
#include "KxGColumnList.h"
#include "KxGDatabase.h"
#include "KxGDatabaseTrace.h"
#include "KxGMemberMap.h"
#include "KxGStatusCodes.h"
#include "KxMetaType.h"

namespace {

constexpr uint32_t kInitialClasses = 200;
constexpr uint32_t kClassGrowth = 20;
constexpr uint16_t kTraceSM = 0x40;

KxGMapLoader* g_defaultLoader = nullptr;

KxString Decimal(uint32_t number)
{
    KxString text = KxString::EmptyString();
    text << number;
    return text;
}

// The first characters of text, at most n (n below 0 gives none).
KxString Cut(const KxString& text, int32_t n)
{
    return text.Left(n > 0 ? static_cast<uint32_t>(n) : 0U);
}

// The database error's code after a failed read; a failure that left no code is an RDBMS error.
int32_t ErrorCodeOf(KxGDatabase& database)
{
    const int32_t code = database.GetError()->ErrorCode();
    return code != 0 ? code : KXG_E_RDBMS;
}

void TraceMissingColumn(KxGDatabase& database, const KxString& className, const KxString& path)
{
    if (KxGDatabaseTrace* trace = database.GetTrace(kTraceSM)) {
        *trace << "\n<Error>" << "Fetch of column name failed, class: " << className << ", member: " << path
               << "\n</Error error=" << KXG_E_NO_COLUMN_NAME << ">";
    }
}

}  // namespace

// ---- the loader hook ----------------------------------------------------------------------------

KxGMapLoader::~KxGMapLoader() = default;

void KxGMapLoader::SetDefault(KxGMapLoader* loader)
{
    g_defaultLoader = loader;
}

KxGMapLoader* KxGMapLoader::GetDefault()
{
    return g_defaultLoader;
}

// ---- construction -------------------------------------------------------------------------------

KxGSchemaMap::KxGSchemaMap(KxGDatabase* database, KxClassDict* dictionary, uint16_t creation, KxGMapLoader* loader)
    : creation_(creation),
      database_(database),
      dictionary_(dictionary),
      classes_(kInitialClasses),
      versionTable_(*database),
      loader_(loader)
{
    database_->GetSchemaName(&schemaName_);
}

// Classes go in reverse number order, so that a subclass (usually numbered after its bases) goes
// before the classes its lists point at.
KxGSchemaMap::~KxGSchemaMap()
{
    for (auto it = classes_.rbegin(); it != classes_.rend(); ++it) {
        it->reset();
    }
}

// ---- the classes --------------------------------------------------------------------------------

KxGClass* KxGSchemaMap::FindClass(uint16_t classNumber) const
{
    return classNumber < classes_.size() ? classes_[classNumber].get() : nullptr;
}

void KxGSchemaMap::AddClass(std::unique_ptr<KxGClass> mappedClass)
{
    if (!mappedClass) {
        return;
    }
    const uint32_t number = mappedClass->GetClassNumber();
    if (number >= classes_.size()) {
        const uint32_t missing = number + 1 - static_cast<uint32_t>(classes_.size());
        classes_.resize(classes_.size() + (missing + kClassGrowth - 1) / kClassGrowth * kClassGrowth);
    }
    classes_[number] = std::move(mappedClass);
}

void KxGSchemaMap::RemoveClass(uint16_t classNumber)
{
    if (classNumber < classes_.size()) {
        classes_[classNumber].reset();
    }
}

// ---- loading --------------------------------------------------------------------------------------

int32_t KxGSchemaMap::LoadClass(const KxMetaType& type, KxGClass*& loaded, uint32_t context)
{
    loaded = nullptr;
    if (loader_ == nullptr) {
        return KXG_E_NOT_SUPPORTED;
    }
    return loader_->LoadClass(*this, type, loaded, context);
}

int32_t KxGSchemaMap::LoadIndexes(KxGClassMap& classMap, std::vector<std::unique_ptr<KxGIndexMap>>& list)
{
    if (loader_ == nullptr) {
        return KXG_E_NOT_SUPPORTED;
    }
    return loader_->LoadIndexes(*this, classMap, list);
}

int32_t KxGSchemaMap::Load()
{
    struct DropReader {
        KxGSchemaMap& map;
        ~DropReader() { map.ReleaseMemberNames(); }
    } dropReader{*this};

    int32_t result = registry_.LoadOptionsTable(*database_, preserveNames_);
    if (result != 0) {
        return result;
    }
    if (dictionary_ == nullptr) {
        return KXG_E_INVALID_PARAMETER;
    }
    const KxClassDescriptor* root = nullptr;
    result = dictionary_->GetRootDescriptor(root);
    if (result != 0) {
        return result;
    }
    KxGClass* loaded = nullptr;
    result = LoadClass(*root->GetMetaType(), loaded, 0);
    if (result != 0) {
        return result;
    }
    for (uint32_t index = 0;; ++index) {
        const KxClassDescriptor* descriptor = nullptr;
        result = dictionary_->GetDescriptor(index, descriptor);
        if (result == KX_DICT_E_NO_ENTRY) {
            return 0;
        }
        if (result != 0) {
            return result;
        }
        const KxMetaClass* metaClass = descriptor->GetMetaClass();
        if (metaClass == nullptr) {
            continue;
        }
        const uint16_t number = descriptor->GetClassNumber();
        if (!descriptor->IsUserClass() &&
            (number < KXG_FIRST_MAPPED_SYSTEM_CLASS || number > KXG_LAST_MAPPED_SYSTEM_CLASS)) {
            continue;
        }
        result = LoadClass(*metaClass, loaded, 0);
        if (result != 0 && result != KXG_E_BASE_NOT_MAPPED) {
            return result;
        }
    }
}

// ---- dictionary questions -------------------------------------------------------------------------

int32_t KxGSchemaMap::GetKxMetaTypeVersion(const KxMetaType*& type)
{
    if (dictionary_ == nullptr) {
        return KXG_E_INVALID_PARAMETER;
    }
    return dictionary_->GetKxMetaTypeVersion(type);
}

bool KxGSchemaMap::ClassVersionIsValid(const KxClassId& classId)
{
    return dictionary_ != nullptr && dictionary_->IsCurrentVersion(classId);
}

bool KxGSchemaMap::HasMIChild(const KxMetaClass& /*metaClass*/)
{
    return false;
}

int32_t KxGSchemaMap::Check4DuplicateMemberNames(KxGClass& mappedClass)
{
    const std::vector<KxGMember*>& members = mappedClass.GetAllMembers();
    for (size_t i = 0; i < members.size(); ++i) {
        for (size_t j = i + 1; j < members.size(); ++j) {
            if (members[i]->GetName() == members[j]->GetName()) {
                return KXG_E_DUPLICATE_MEMBER_NAMES;
            }
        }
    }
    return 0;
}

KxGCreationSchemaMap* KxGSchemaMap::GetCreationSchemaMap()
{
    return nullptr;
}

// ---- naming -----------------------------------------------------------------------------------------

namespace {

// The name qualified with the schema when the product qualifies table names.
void Qualify(KxGDatabase& database, const KxString& schema, const KxString& name, KxGQualifiedIdentity& identity)
{
    identity.SetName(name);
    identity.SetQualifier(database.GetDatabaseInfo()->GetMaxNameLength(2) > 0 ? schema : KxString());
}

}  // namespace

int32_t KxGSchemaMap::MapClass2TableName(KxGClass& mappedClass, KxGQualifiedIdentity& table)
{
    const KxGClassMap* classMap = mappedClass.GetClassMap();
    KxString name = classMap != nullptr ? classMap->GetNameStem() : mappedClass.GetName();
    name << "C" << static_cast<uint32_t>(mappedClass.GetClassNumber()) << "v"
         << static_cast<uint32_t>(mappedClass.GetVersion());
    Qualify(*database_, schemaName_, database_->GetDatabaseInfo()->MapNameUpper(name), table);
    return 0;
}

int32_t KxGSchemaMap::MapMember2ColumnName(const KxString& path, uint16_t /*position*/, const KxString& memberName,
                                           const KxString& /*typeText*/, KxGMemberColumn& column)
{
    KxString memberPath = path.IsActive() ? path : KxString::EmptyString();
    if (!(memberName == "OID" || memberName == "CID" || memberPath.IsEmpty())) {
        memberPath << ".";
    }
    memberPath << memberName;
    column.SetMemberPath(memberPath);
    return 0;
}

KxString KxGSchemaMap::GetExtentViewName(KxGClassMap& classMap)
{
    KxGDatabaseInfo& info = *database_->GetDatabaseInfo();
    const int32_t maxLength = info.GetMaxNameLength(0);
    const KxGClass* mappedClass = classMap.GetClass();
    const KxString number = Decimal(mappedClass != nullptr ? mappedClass->GetClassNumber() : 0);
    const KxString className = mappedClass != nullptr ? mappedClass->GetName() : classMap.GetNameStem();
    const int32_t digits = static_cast<int32_t>(number.Len());
    KxString view("V");
    if (naming_ != 0) {
        const KxString& stem = classMap.GetNameStem();
        if (1 + static_cast<int32_t>(stem.Len()) <= maxLength) {
            view << stem;
        } else {
            view << Cut(stem, maxLength - 1 - digits) << number;
        }
    } else if (preserveNames_ != 0) {
        view << Cut(className, maxLength - 1);
    } else {
        view << Cut(className, maxLength - 1 - digits) << number;
    }
    return info.MapNameUpper(view);
}

void KxGSchemaMap::MapIndex2IndexName(const KxGIndexMap& indexMap, KxString& name, bool sequenceNumber)
{
    KxGDatabaseInfo& info = *database_->GetDatabaseInfo();
    const KxGClass* indexed = indexMap.GetClass();
    KxString suffix = Decimal(indexed != nullptr ? indexed->GetClassNumber() : 0);
    suffix << static_cast<uint32_t>(sequenceNumber ? indexMap.GetSequenceNumber() : indexMap.GetIndexNumber());
    const int32_t room = info.GetMaxNameLength(0) - static_cast<int32_t>(suffix.Len());
    name = indexMap.GetName().IsActive() ? indexMap.GetName() : KxString::EmptyString();
    if (static_cast<int32_t>(name.Len()) > room) {
        name = Cut(name, room);
    }
    name << suffix;
    name = info.MapNameUpper(name);
}

// ---- names read back --------------------------------------------------------------------------------

int32_t KxGSchemaMap::GetTableName(KxGClass& mappedClass, KxGQualifiedIdentity& table)
{
    KxGTraceTag tag(*database_, kTraceSM, "GetTableName");
    if (!mappedClass.IsPersistent() || mappedClass.GetClassNumber() == 0) {
        return MapClass2TableName(mappedClass, table);
    }
    KxString name;
    const int32_t result = versionTable_.GetTableName(mappedClass.GetClassNumber(), mappedClass.GetVersion(), name);
    if (result != 0) {
        KxGTraceTag error(*database_, kTraceSM, "Error");
        if (KxGDatabaseTrace* trace = error.GetTrace()) {
            *trace << "Fetch of table name failed, class: " << mappedClass.GetName();
        }
        error.Append(new KxGTraceAttribute("error", result));
        return result;
    }
    Qualify(*database_, schemaName_, name, table);
    return 0;
}

int32_t KxGSchemaMap::GetMemberEntries(uint16_t classNumber, const KxGHashEntryList*& list)
{
    list = nullptr;
    if (!columnTable_) {
        auto table = std::make_unique<KxGColumnTable>(*database_);
        if (!table->ReadAll()) {
            return ErrorCodeOf(*database_);
        }
        columnTable_ = std::move(table);
    }
    if (!columnTable_->GetLists().Find(classNumber, list)) {
        list = nullptr;
    }
    return 0;
}

int32_t KxGSchemaMap::GetColumnNames(KxGClass& mappedClass)
{
    KxGTraceTag tag(*database_, kTraceSM, "GetColumnNames");
    if (mappedClass.GetClassNumber() == 0) {
        return 0;
    }
    KxGClassMap* classMap = mappedClass.GetClassMap();
    if (classMap == nullptr) {
        return KXG_E_NO_CLASS_MAP_IN_CATALOG;
    }
    const KxGHashEntryList* entries = nullptr;
    int32_t result = GetMemberEntries(mappedClass.GetClassNumber(), entries);
    if (result != 0) {
        return result;
    }
    for (uint32_t i = 0; i < classMap->GetMemberMapCount(); ++i) {
        KxGMemberMap* memberMap = classMap->GetMemberMap(i);
        if (memberMap == nullptr) {
            continue;
        }
        KxGColumnList columns;
        result = memberMap->GetColumns(columns);
        if (result < 0) {
            return result;
        }
        for (uint32_t c = 0; c < columns.Count(); ++c) {
            auto* column = dynamic_cast<KxGMemberColumn*>(columns.GetColumn(c));
            if (column == nullptr || !column->GetName().IsEmpty()) {
                continue;
            }
            const KxString& path = column->GetMemberPath();
            KxString key = KxString::EmptyString();
            if (memberMap->GetOwnerClassNumber() != 0) {
                key << static_cast<uint32_t>(memberMap->GetOwnerClassNumber()) << ".";
            }
            key << path;
            KxString stored;
            if (entries == nullptr || !(entries->Find(key, stored) || entries->Find(path, stored))) {
                TraceMissingColumn(*database_, mappedClass.GetName(), path);
                return KXG_E_NO_COLUMN_NAME;
            }
            column->SetName(stored);
        }
    }
    return 0;
}

int32_t KxGSchemaMap::MapSet2TableName(KxGMember& member, uint16_t /*position*/, KxGQualifiedIdentity& table)
{
    const KxGClass* owner = member.GetClass();
    const uint16_t number = owner != nullptr ? owner->GetClassNumber() : 0;
    const KxGHashEntryList* entries = nullptr;
    const int32_t result = GetMemberEntries(number, entries);
    if (result != 0) {
        return result;
    }
    KxString stored;
    if (entries == nullptr || !entries->Find(member.GetName(), stored)) {
        TraceMissingColumn(*database_, owner != nullptr ? owner->GetName() : KxString::EmptyString(),
                           member.GetName());
        return KXG_E_NO_COLUMN_NAME;
    }
    Qualify(*database_, schemaName_, stored, table);
    return 0;
}
