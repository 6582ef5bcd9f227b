// The creation schema map's naming of new tables and columns.
#include "KxGCreationSchemaMap.h"

#include <algorithm>

#include "KxClassDict.h"
#include "KxGClass.h"
#include "KxGClassMap.h"
#include "KxGColumnList.h"
#include "KxGDatabase.h"
#include "KxGIndexTable.h"
#include "KxGMemberMap.h"
#include "KxGOptionRegistry.h"
#include "KxGSetMemberMap.h"
#include "KxGSqlNames.h"
#include "KxGStatusCodes.h"
#include "KxMetaType.h"

namespace {

std::string Str(const KxString& text)
{
    return text.IsActive() ? std::string(text.StrGet()) : std::string();
}

bool HasMI(const KxClassDict& dictionary, const KxMetaClass& metaClass, int depth)
{
    if (depth > 64) {
        return false;
    }
    for (uint16_t number : metaClass.GetSubclasses()) {
        const KxMetaType* type = dictionary.GetCurrentVersion(number);
        const KxMetaClass* sub = type != nullptr ? type->AsClass() : nullptr;
        if (sub != nullptr && sub->IsUserClass() &&
            (sub->GetBaseCount() > 1 || sub->HasMark(KX_MARK_VIRTUAL_INHERITANCE) || HasMI(dictionary, *sub, depth + 1))) {
            return true;
        }
    }
    return false;
}

}  // namespace

KxGCreationSchemaMap::KxGCreationSchemaMap(KxGDatabase* database, KxClassDict* dictionary, KxGMapLoader* loader)
    : KxGSchemaMap(database, dictionary, 1, loader)
{
}

KxGCreationSchemaMap::~KxGCreationSchemaMap() = default;

int32_t KxGCreationSchemaMap::GetTableName(KxGClass& mappedClass, KxGQualifiedIdentity& table)
{
    if (auto kept = keptTables_.find(mappedClass.GetClassNumber()); kept != keptTables_.end()) {
        table = kept->second;
        return 0;
    }
    if (storedNames_) {
        return KxGSchemaMap::GetTableName(mappedClass, table);
    }
    return MapClass2TableName(mappedClass, table);
}

void KxGCreationSchemaMap::KeepTableName(uint16_t classNumber, const KxGQualifiedIdentity& table)
{
    keptTables_[classNumber] = table;
}

int32_t KxGCreationSchemaMap::RecordNamesAgain()
{
    classRows_.clear();
    memberRows_.clear();
    setRows_.clear();
    recorded_.clear();
    used_.clear();
    for (KxGClass* mapped : GetStoredClasses()) {
        const int32_t result = GetColumnNames(*mapped);
        if (result != 0) {
            return result;
        }
        std::vector<KxGSetMemberMap*> sets;
        KxGCollectOwnSets(*mapped->GetClassMap(), sets);
        for (KxGSetMemberMap* set : sets) {
            if (set->KeepsSetTable()) {
                setRows_.push_back({mapped->GetClassId(), Str(set->GetName()), Str(set->GetTableName().GetName())});
            }
        }
    }
    return 0;
}

void KxGCreationSchemaMap::AddWarning(int32_t code, const KxString& text)
{
    warnings_.push_back({code, Str(text)});
}

bool KxGCreationSchemaMap::HasMIChild(const KxMetaClass& metaClass)
{
    return GetDictionary() != nullptr && HasMI(*GetDictionary(), metaClass, 0);
}

int32_t KxGCreationSchemaMap::GetColumnNames(KxGClass& mappedClass)
{
    if (storedNames_) {
        return KxGSchemaMap::GetColumnNames(mappedClass);
    }
    KxGClassMap* classMap = mappedClass.GetClassMap();
    if (mappedClass.GetClassNumber() == 0 || !mappedClass.IsPersistent() || classMap == nullptr ||
        classMap->GetStoreHdl() == nullptr) {
        return 0;
    }
    KxGDatabaseInfo* info = GetDatabase()->GetDatabaseInfo();
    KxGTable table;
    int32_t result = classMap->GetStoreHdl()->GetClassTable(table);
    if (result != 0) {
        return result;
    }
    classRows_.push_back({mappedClass.GetClassId(), Str(mappedClass.GetName()), Str(table.GetName())});
    std::set<std::string>& used = used_[Str(table.GetQualifiedName())];
    used.insert("OID");
    used.insert("CID");
    const int32_t room = info->GetMaxNameLength(1) > 0 ? info->GetMaxNameLength(1) : 30;
    for (uint32_t i = 0; i < classMap->GetMemberMapCount(); ++i) {
        KxGMemberMap* memberMap = classMap->GetMemberMap(i);
        KxGColumnList columns;
        result = memberMap->GetColumns(columns);
        if (result < 0) {
            return result;
        }
        for (uint32_t c = 0; c < columns.Count(); ++c) {
            auto* column = dynamic_cast<KxGMemberColumn*>(columns.GetColumn(c));
            if (column == nullptr) {
                continue;
            }
            const std::string path = Str(column->GetMemberPath());
            std::string key = memberMap->GetOwnerClassNumber() == 0
                                  ? std::string()
                                  : std::to_string(memberMap->GetOwnerClassNumber()) + ".";
            key += path;
            if (!column->GetName().IsEmpty()) {
                // Named already: by a base class (recorded there) or by RENAME (recorded here).
                used.insert(Str(column->GetName()));
                if (recorded_.insert(column).second) {
                    memberRows_.push_back({mappedClass.GetClassId(), key, Str(column->GetName())});
                }
                continue;
            }
            // Versioned-name form: last path segment, position, "V", revision 0.
            const size_t dot = path.rfind('.');
            const std::string segment = dot == std::string::npos ? path : path.substr(dot + 1);
            std::string suffix = std::to_string(memberMap->GetMemberPos()) + "V0";
            std::string name;
            for (int n = 1;; ++n) {
                const std::string tail = n == 1 ? suffix : suffix + "_" + std::to_string(n);
                const size_t keep = room > static_cast<int32_t>(tail.size()) ? room - tail.size() : 0;
                name = Str(info->MapNameUpper(KxString((segment.substr(0, keep) + tail).c_str())));
                if (used.count(name) == 0) {
                    break;
                }
            }
            used.insert(name);
            column->SetName(KxString(name.c_str()));
            recorded_.insert(column);
            memberRows_.push_back({mappedClass.GetClassId(), key, name});
        }
    }
    return 0;
}

// ---- table names ----------------------------------------------------------------------------------

namespace {

// The first characters of text, at most n (none for n below 1).
std::string CutTo(const std::string& text, int32_t n)
{
    return n > 0 ? text.substr(0, static_cast<size_t>(n)) : std::string();
}

// The class's accepted RENAME argument (the loader checked it), or empty.
std::string ClassRename(KxGClassMap& classMap)
{
    KxGClassOption* option = classMap.GetClassOption();
    KxGOption* rename = option != nullptr && option->GetOptions() != nullptr
                            ? option->GetOptions()->Find(KxString("RENAME"))
                            : nullptr;
    KxString argument;
    if (rename == nullptr || rename->GetStatus() != KXG_OPTION_OK || !rename->GetArgument(0, argument)) {
        return std::string();
    }
    return Str(argument);
}

void QualifyName(KxGDatabase& database, const KxString& schema, const std::string& name, KxGQualifiedIdentity& table)
{
    KxGDatabaseInfo* info = database.GetDatabaseInfo();
    table.SetName(info->MapNameUpper(KxString(name.c_str())));
    table.SetQualifier(info->GetMaxNameLength(2) > 0 ? schema : KxString());
}

}  // namespace

int32_t KxGCreationSchemaMap::MapClass2TableName(KxGClass& mappedClass, KxGQualifiedIdentity& table)
{
    KxGDatabaseInfo* info = GetDatabase()->GetDatabaseInfo();
    KxGClassMap* classMap = mappedClass.GetClassMap();
    const std::string stem = Str(classMap != nullptr ? classMap->GetNameStem() : mappedClass.GetName());
    const int32_t tableLength = info->GetMaxNameLength(0);
    std::string name;
    if (existingSchema_) {
        std::string suffix = std::to_string(mappedClass.GetClassNumber());
        if (mappedClass.GetVersion() != 0) {
            suffix += "v" + std::to_string(mappedClass.GetVersion());
        }
        if (static_cast<int32_t>(stem.size() + suffix.size()) > tableLength) {
            name = CutTo(stem, tableLength - static_cast<int32_t>(suffix.size())) + suffix;
        } else {
            name = stem;
        }
    } else if (const std::string rename = classMap != nullptr ? ClassRename(*classMap) : std::string();
               !rename.empty()) {
        name = rename;
        if (revision_ > 0) {
            const std::string suffix = "V" + std::to_string(revision_);
            const int32_t room = info->GetMaxNameLength(1) - static_cast<int32_t>(suffix.size());
            if (static_cast<int32_t>(name.size()) > room) {
                name = CutTo(name, room);
            }
            name += suffix;
        }
    } else if (GetPreserveNames() != 0) {
        name = CutTo(stem, tableLength);
    } else {
        const std::string suffix =
            "C" + std::to_string(mappedClass.GetClassNumber()) + "V" + std::to_string(revision_);
        name = CutTo(stem, tableLength - static_cast<int32_t>(suffix.size())) + suffix;
    }
    QualifyName(*GetDatabase(), GetSchemaName(), name, table);
    return 0;
}

int32_t KxGCreationSchemaMap::MapSet2TableName(KxGMember& member, uint16_t position, KxGQualifiedIdentity& table)
{
    if (storedNames_) {
        return KxGSchemaMap::MapSet2TableName(member, position, table);
    }
    KxGDatabaseInfo* info = GetDatabase()->GetDatabaseInfo();
    const int32_t tableLength = info->GetMaxNameLength(0);
    KxGClass* owner = member.GetClass();
    const uint16_t ownerNumber = owner != nullptr ? owner->GetClassNumber() : 0;
    const std::string memberName = Str(member.GetName());

    // The member's RENAME (a member option of the owning class), used only when it is an identifier.
    std::string rename;
    KxGClassOption* classOption = owner != nullptr && owner->GetClassMap() != nullptr
                                      ? owner->GetClassMap()->GetClassOption()
                                      : nullptr;
    if (KxGMemberOption* options = classOption != nullptr ? classOption->GetMemberOption(member.GetName()) : nullptr) {
        if (KxGOption* option = options->GetOptions().Find(KxString("RENAME"))) {
            KxString argument;
            if (!option->GetArgument(0, argument) || argument.IsEmpty()) {
                option->SetStatus(KXG_OPTION_NO_ARGUMENT);
            } else if (!KxGIsPlainIdentifier(argument, tableLength)) {
                option->SetStatus(KXG_OPTION_NOT_ALLOWED);
            } else {
                rename = Str(argument);
                option->SetStatus(KXG_OPTION_OK);
            }
        }
    }

    std::string name;
    if (existingSchema_) {
        KxGQualifiedIdentity ownerTable;
        std::string ownerName;
        if (owner != nullptr && MapClass2TableName(*owner, ownerTable) == 0) {
            ownerName = Str(ownerTable.GetName());
        }
        const std::string part = rename.empty() ? memberName : rename;
        const std::string number = std::to_string(position);
        if (static_cast<int32_t>(ownerName.size() + part.size() + number.size()) > tableLength) {
            const int32_t half = (tableLength - static_cast<int32_t>(number.size())) / 2;
            name = CutTo(ownerName, half) + CutTo(part, half) + number;
        } else {
            name = ownerName + part + number;
        }
    } else if (!rename.empty()) {
        name = rename;
        if (revision_ > 0) {
            const std::string suffix = "V" + std::to_string(revision_);
            name = CutTo(name, tableLength - static_cast<int32_t>(suffix.size())) + suffix;
        }
    } else if (GetPreserveNames() != 0) {
        name = CutTo(memberName, tableLength);
    } else {
        const std::string suffix = "C" + std::to_string(ownerNumber) + "P" + std::to_string(position) + "V" +
                                   std::to_string(revision_);
        name = CutTo(memberName, tableLength - static_cast<int32_t>(suffix.size())) + suffix;
    }
    QualifyName(*GetDatabase(), GetSchemaName(), name, table);

    const std::string tableName = Str(table.GetName());
    const KxClassId ownerId = owner != nullptr ? owner->GetClassId() : KxClassId();
    const bool known = std::any_of(setRows_.begin(), setRows_.end(), [&](const MemberRow& row) {
        return row.id.GetClassNumber() == ownerId.GetClassNumber() && row.key == memberName;
    });
    if (!known) {
        setRows_.push_back({ownerId, memberName, tableName});
    }
    return 0;
}

// ---- loading --------------------------------------------------------------------------------------

int32_t KxGCreationSchemaMap::LoadAllClasses()
{
    if (classesLoaded_) {
        return 0;
    }
    KxClassDict* dictionary = GetDictionary();
    if (dictionary == nullptr) {
        return KXG_E_INVALID_PARAMETER;
    }
    const KxClassDescriptor* root = nullptr;
    int32_t result = dictionary->GetRootDescriptor(root);
    if (result != 0) {
        return result;
    }
    KxGClass* loaded = nullptr;
    result = LoadClass(*root->GetMetaType(), loaded, 0);
    if (result < 0 && result != KXG_E_BASE_NOT_MAPPED) {
        return result;
    }
    for (uint32_t index = 0;; ++index) {
        const KxClassDescriptor* descriptor = nullptr;
        result = dictionary->GetDescriptor(index, descriptor);
        if (result == KX_DICT_E_NO_ENTRY) {
            break;
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
        if (result < 0 && result != KXG_E_BASE_NOT_MAPPED) {
            return result;
        }
        if (result > 0) {
            break;
        }
    }
    classesLoaded_ = true;
    return 0;
}

int32_t KxGCreationSchemaMap::LoadClassSchemas()
{
    if (schemasLoaded_) {
        return 0;
    }
    // Loading a class completes its class map: the class schema is collected and its columns named
    // (GetColumnNames), which also fills the KELVOX_CLASSES and KELVOX_MEMBERS rows.
    const int32_t result = LoadAllClasses();
    if (result != 0) {
        return result;
    }
    schemasLoaded_ = true;
    return 0;
}

std::vector<KxGClass*> KxGCreationSchemaMap::GetStoredClasses() const
{
    std::vector<KxGClass*> classes;
    for (uint32_t number = 0; number < GetClassCapacity(); ++number) {
        KxGClass* mapped = FindClass(static_cast<uint16_t>(number));
        if (mapped != nullptr && mapped->GetState() == KXG_CLASS_LOADED && mapped->IsPersistent() &&
            mapped->GetClassMap() != nullptr && mapped->GetClassMap()->GetStoreHdl() != nullptr) {
            classes.push_back(mapped);
        }
    }
    return classes;
}

// ---- statement lists ------------------------------------------------------------------------------

int32_t KxGCreationSchemaMap::BuildCreateTableList()
{
    if (createTables_) {
        return 0;
    }
    int32_t result = LoadClassSchemas();
    if (result != 0) {
        return result;
    }
    createTables_ = std::make_unique<OwnedList>();
    for (KxGClass* mapped : GetStoredClasses()) {
        KxGStoreHdl* handler = mapped->GetClassMap()->GetStoreHdl();
        result = handler->CreateClassTable(*createTables_);
        if (result == 0) {
            result = handler->CreateMemberTables(*createTables_);
        }
        if (result != 0) {
            return result;
        }
    }
    return 0;
}

int32_t KxGCreationSchemaMap::BuildTriggerList()
{
    if (triggers_) {
        return 0;
    }
    int32_t result = LoadClassSchemas();
    if (result != 0) {
        return result;
    }
    triggers_ = std::make_unique<OwnedList>();
    for (KxGClass* mapped : GetStoredClasses()) {
        result = mapped->GetClassMap()->GetStoreHdl()->CreateTriggers(*triggers_);
        if (result != 0) {
            return result;
        }
    }
    return 0;
}

int32_t KxGCreationSchemaMap::BuildViewList()
{
    if (views_) {
        return 0;
    }
    int32_t result = LoadClassSchemas();
    if (result != 0) {
        return result;
    }
    views_ = std::make_unique<OwnedList>();
    for (KxGClass* mapped : GetStoredClasses()) {
        const uint32_t before = views_->Count();
        result = mapped->GetClassMap()->GetStoreHdl()->CreateExtentView(*views_);
        if (result >= 0) {
            continue;
        }
        if (reporter_) {
            // The statement the failing handler was building, when it appended one.
            KxGStatementTemplate* last = views_->Count() > before ? views_->GetTemplate(views_->Count() - 1) : nullptr;
            reporter_(result, last != nullptr ? last->GetSQLText() : mapped->GetName());
            if (keepGoing_) {
                // Only what this handler appended goes; earlier classes' views stay.
                while (views_->Count() > before) {
                    const uint32_t index = views_->Count() - 1;
                    delete views_->GetTemplate(index);
                    views_->Delete(index);
                }
                continue;
            }
        }
        return result;
    }
    return 0;
}

int32_t KxGCreationSchemaMap::CollectIndexMaps()
{
    indexMaps_.clear();
    for (KxGClass* mapped : GetStoredClasses()) {
        KxGClassMap* classMap = mapped->GetClassMap();
        const int32_t result = classMap->LoadAllIndices();
        if (result != 0) {
            return result;
        }
        for (uint32_t i = 0; i < classMap->GetIndexMapCount(); ++i) {
            KxGIndexMap* indexMap = classMap->GetIndexMapAt(i);
            auto equal = std::find_if(indexMaps_.begin(), indexMaps_.end(),
                                      [&](const KxGIndexMap* listed) { return listed->IsEqual(*indexMap); });
            if (equal == indexMaps_.end()) {
                indexMaps_.push_back(indexMap);
            } else if (indexMap->IsUnique() && !(*equal)->IsUnique()) {
                *equal = indexMap;
            }
        }
    }
    return 0;
}

int32_t KxGCreationSchemaMap::RebuildIndexMapsFromDatabase()
{
    KxGIndexTable indexTable(*GetDatabase());
    KxGIndexTableList existing;
    int32_t result = indexTable.GetDatabaseIndexes(existing);
    if (result != 0) {
        return result;
    }
    indexMaps_.clear();
    for (KxGClass* mapped : GetStoredClasses()) {
        KxGClassMap* classMap = mapped->GetClassMap();
        KxGTable table;
        result = classMap->GetStoreHdl()->GetClassTable(table);
        if (result == 0) {
            result = classMap->LoadAllIndices();
        }
        if (result != 0) {
            return result;
        }
        for (uint32_t i = 0; i < classMap->GetIndexMapCount(); ++i) {
            KxGIndexMap* indexMap = classMap->GetIndexMapAt(i);
            KxString name;
            MapIndex2IndexName(*indexMap, name, false);
            const int32_t found = existing.FindSQL(name, table.GetName());
            if (found >= 0) {
                indexMap->SetSQLName(name);
                indexMaps_.push_back(indexMap);
                existing.Remove(static_cast<size_t>(found));
            }
        }
    }
    return 0;
}

int32_t KxGCreationSchemaMap::BuildIndexList()
{
    if (indexes_) {
        return 0;
    }
    int32_t result = LoadClassSchemas();
    if (result != 0) {
        return result;
    }
    indexes_ = std::make_unique<OwnedList>();
    result = CollectIndexMaps();
    if (result != 0) {
        return result;
    }
    KxGDatabaseInfo& info = *GetDatabase()->GetDatabaseInfo();
    for (KxGIndexMap* indexMap : indexMaps_) {
        result = indexMap->GetCreateTemplate(info, *indexes_);
        if (result < 0) {
            return result;
        }
    }
    return 0;
}

int32_t KxGCreationSchemaMap::BuildLists()
{
    int32_t result = BuildCreateTableList();
    if (result == 0) {
        result = BuildTriggerList();
    }
    if (result == 0) {
        result = BuildViewList();
    }
    if (result == 0) {
        result = BuildIndexList();
    }
    return result;
}

void KxGCreationSchemaMap::ClearLists()
{
    createTables_.reset();
    triggers_.reset();
    views_.reset();
    indexes_.reset();
}
