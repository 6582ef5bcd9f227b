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
#include <map>
#include <string>

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
                // Named already: by a base class or by RENAME. Every class records every column of
                // its member maps, its bases' included, under its own id.
                used.insert(Str(column->GetName()));
                if (recorded_.insert({mappedClass.GetClassNumber(), column}).second) {
                    memberRows_.push_back({mappedClass.GetClassId(), key, Str(column->GetName())});
                }
                continue;
            }
            if (existingSchema_) {
                // The layout of older schemas: the member's own name followed by the path of the
                // members around it; when that does not fit, both halves cut and the position added.
                const size_t last = path.rfind('.');
                const std::string text = last == std::string::npos ? path : path.substr(last + 1);
                std::string around = last == std::string::npos ? std::string() : path.substr(0, last);
                around.erase(std::remove(around.begin(), around.end(), '.'), around.end());
                const std::string position = std::to_string(memberMap->GetMemberPos());
                std::string name = text + around;
                if (static_cast<int32_t>(name.size() + position.size()) > room) {
                    const size_t space = static_cast<size_t>(std::max(0, room - static_cast<int32_t>(position.size())));
                    size_t first = space / 2;
                    size_t second = space - first;
                    if (text.size() < first) {
                        second += first - text.size();
                        first = text.size();
                    } else if (around.size() < second) {
                        first += second - around.size();
                        second = around.size();
                    }
                    name = text.substr(0, first) + around.substr(0, second) + position;
                }
                name = Str(info->MapNameUpper(KxString(name.c_str())));
                used.insert(name);
                column->SetName(KxString(name.c_str()));
                recorded_.insert({mappedClass.GetClassNumber(), column});
                memberRows_.push_back({mappedClass.GetClassId(), key, name});
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
            recorded_.insert({mappedClass.GetClassNumber(), column});
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

    // The member's RENAME (a member option of the owning class); the mapper's name test refuses a bad one.
    std::string rename;
    KxGClassOption* classOption = owner != nullptr && owner->GetClassMap() != nullptr
                                      ? owner->GetClassMap()->GetClassOption()
                                      : nullptr;
    if (KxGMemberOption* options = classOption != nullptr ? classOption->GetMemberOption(member.GetName()) : nullptr) {
        if (KxGOption* option = options->GetOptions().Find(KxString("RENAME"))) {
            KxString argument;
            if (!option->GetArgument(0, argument) || argument.IsEmpty()) {
                option->SetStatus(KXG_OPTION_NO_ARGUMENT);
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
    if (storedNames_) {
        // The stored schema: every class number of KELVOX_CLASSES in its newest stored version.
        result = GetVersionTable().GetAllValues();
        if (result != 0) {
            return result;
        }
        std::map<uint16_t, uint16_t> newest;
        for (const KxGVersionTable::Row& row : GetVersionTable().GetRows()) {
            auto [at, added] = newest.emplace(row.classNumber, row.version);
            if (!added && row.version > at->second) {
                at->second = row.version;
            }
        }
        for (const auto& [number, version] : newest) {
            const KxMetaType* type = number == 0 ? nullptr : dictionary->GetMetaType(KxClassId(number, version));
            if (type == nullptr || type->AsClass() == nullptr || FindClass(number) != nullptr) {
                continue;
            }
            result = LoadClass(*type, loaded, 0);
            if (result < 0 && result != KXG_E_BASE_NOT_MAPPED) {
                return result;
            }
        }
        classesLoaded_ = true;
        return 0;
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
    if (indexesCompared_) {
        return 0;
    }
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

// ---- versioning run ---------------------------------------------------------------------------------

KxGStatementTemplateList& KxGCreationSchemaMap::MakeVersioningList()
{
    if (!versioning_) {
        versioning_ = std::make_unique<OwnedList>();
    }
    return *versioning_;
}

namespace {

struct ChangedIndex {
    std::string name;
    uint16_t classNumber;
};

bool Listed(const std::vector<ChangedIndex>& rows, const std::string& name, uint16_t classNumber)
{
    return std::any_of(rows.begin(), rows.end(), [&](const ChangedIndex& row) {
        return row.classNumber == classNumber && row.name == name;
    });
}

}  // namespace

int32_t KxGCreationSchemaMap::CompareIndexes(uint16_t storedRevision, KxGSchemaMap& stored, bool& changes)
{
    changes = false;
    // 1: the stored rows.
    KxGIndexTable indexTable(*GetDatabase());
    KxGIndexTableList storedRows;
    if (indexTable.GetAllValues(storedRows) != 0) {
        return KXG_E_CANNOT_READ_INDEX_TABLE;
    }
    int32_t result = LoadClassSchemas();
    if (result != 0) {
        return result;
    }
    // 2: the indexes the dictionary's update log names as made or changed since the stored revision
    // (an entry counts once, at its last place), then the same index of every subclass.
    std::vector<ChangedIndex> changed;
    if (KxClassDict* dictionary = GetDictionary()) {
        const std::vector<KxUpdateLogEntry> log = dictionary->GetUpdateLog(static_cast<uint16_t>(storedRevision + 1));
        for (size_t i = 0; i < log.size(); ++i) {
            const std::string name = Str(log[i].indexName);
            if (name.empty() || (log[i].flags & 3U) == 0) {
                continue;
            }
            const bool later = std::any_of(log.begin() + static_cast<std::ptrdiff_t>(i) + 1, log.end(),
                                           [&](const KxUpdateLogEntry& entry) {
                                               return entry.classNumber == log[i].classNumber &&
                                                      Str(entry.indexName) == name;
                                           });
            if (!later) {
                changed.push_back({name, log[i].classNumber});
            }
        }
        for (size_t i = 0; i < changed.size() && i < 65536; ++i) {
            const KxMetaType* type = dictionary->GetCurrentVersion(changed[i].classNumber);
            const KxMetaClass* metaClass = type != nullptr ? type->AsClass() : nullptr;
            if (metaClass == nullptr) {
                continue;
            }
            for (uint16_t sub : metaClass->GetSubclasses()) {
                if (!Listed(changed, changed[i].name, sub)) {
                    changed.push_back({changed[i].name, sub});
                }
            }
        }
    }
    // 3: candidates, class by class; an index equal to a stored one that still has its row is
    // unchanged (the row is taken out of the stored list).
    indexesCompared_ = true;
    indexMaps_.clear();
    std::vector<KxGIndexMap*> candidates;
    std::vector<KxGIndexMap*> unchanged;
    for (KxGClass* mapped : GetStoredClasses()) {
        KxGClassMap* classMap = mapped->GetClassMap();
        result = classMap->LoadAllIndices();
        if (result != 0) {
            return result;
        }
        KxGClass* old = stored.FindClass(mapped->GetClassNumber());
        KxGClassMap* oldMap = old != nullptr ? old->GetClassMap() : nullptr;
        if (oldMap != nullptr) {
            result = oldMap->LoadAllIndices();
            if (result != 0) {
                return result;
            }
        }
        for (uint32_t i = 0; i < classMap->GetIndexMapCount(); ++i) {
            KxGIndexMap* indexMap = classMap->GetIndexMapAt(i);
            if (oldMap == nullptr || Listed(changed, Str(indexMap->GetName()), mapped->GetClassNumber())) {
                candidates.push_back(indexMap);
                continue;
            }
            bool kept = false;
            for (uint32_t k = 0; !kept && k < oldMap->GetIndexMapCount(); ++k) {
                const KxGIndexMap* oldIndex = oldMap->GetIndexMapAt(k);
                if (!(oldIndex->GetName() == indexMap->GetName()) || !oldIndex->IsEqual(*indexMap)) {
                    continue;
                }
                KxString sqlName;
                const int32_t row = storedRows.Find(indexMap->GetName(), mapped->GetClassNumber(), sqlName);
                if (row >= 0) {
                    storedRows.Remove(static_cast<size_t>(row));
                    unchanged.push_back(indexMap);
                    kept = true;
                }
            }
            if (!kept) {
                candidates.push_back(indexMap);
            }
        }
    }
    // 4: the candidates join the index map list unless an equal one is listed or unchanged.
    for (KxGIndexMap* candidate : candidates) {
        auto equal = std::find_if(indexMaps_.begin(), indexMaps_.end(),
                                  [&](const KxGIndexMap* listed) { return listed->IsEqual(*candidate); });
        if (equal != indexMaps_.end()) {
            if (candidate->IsUnique() && !(*equal)->IsUnique()) {
                *equal = candidate;
            }
            continue;
        }
        if (std::any_of(unchanged.begin(), unchanged.end(),
                        [&](const KxGIndexMap* kept) { return kept->IsEqual(*candidate); })) {
            continue;
        }
        indexMaps_.push_back(candidate);
    }
    // 5: the stored rows left are obsolete.
    if (storedRows.Count() > 0) {
        if (!indexRemovals_) {
            indexRemovals_ = std::make_unique<OwnedList>();
        }
        result = indexTable.AppendRemovals(storedRows, *indexRemovals_);
        if (result < 0) {
            return result;
        }
    }
    changes = (indexRemovals_ && indexRemovals_->Count() > 0) || !indexMaps_.empty();
    return 0;
}

int32_t KxGCreationSchemaMap::AppendNewIndexes()
{
    KxGStatementTemplateList& list = MakeVersioningList();
    KxGDatabaseInfo& info = *GetDatabase()->GetDatabaseInfo();
    int32_t result = 0;
    for (KxGIndexMap* indexMap : indexMaps_) {
        const int32_t made = indexMap->GetCreateTemplate(info, list);
        if (made != 0) {
            return made;
        }
        if (indexMap->IsUnique()) {
            result = KXG_W_NEW_UNIQUE_INDEX;
        }
    }
    if (!indexMaps_.empty()) {
        KxGIndexTable indexTable(*GetDatabase());
        const int32_t appended = indexTable.AppendInserts(indexMaps_, list);
        if (appended < 0) {
            return appended;
        }
    }
    return result;
}

void KxGCreationSchemaMap::CollectCatalogRows()
{
    classRows_.clear();
    memberRows_.clear();
    setRows_.clear();
    for (KxGClass* mapped : GetStoredClasses()) {
        KxGClassMap* classMap = mapped->GetClassMap();
        KxGTable table;
        if (mapped->GetClassNumber() == 0 || classMap->GetStoreHdl()->GetClassTable(table) != 0) {
            continue;   // the root class has no row of its own
        }
        classRows_.push_back({mapped->GetClassId(), Str(mapped->GetName()), Str(table.GetName())});
        std::set<std::string> keys;
        for (uint32_t i = 0; i < classMap->GetMemberMapCount(); ++i) {
            KxGMemberMap* memberMap = classMap->GetMemberMap(i);
            if (auto* set = dynamic_cast<KxGSetMemberMap*>(memberMap)) {
                if (set->KeepsSetTable() && set->GetMember() != nullptr &&
                    memberMap->GetOwnerClassNumber() == mapped->GetClassNumber()) {
                    setRows_.push_back({mapped->GetClassId(), Str(set->GetMember()->GetName()),
                                        Str(set->GetTableName().GetName())});
                }
                continue;
            }
            KxGColumnList columns;
            if (memberMap->GetColumns(columns) < 0) {
                continue;
            }
            for (uint32_t c = 0; c < columns.Count(); ++c) {
                auto* column = dynamic_cast<KxGMemberColumn*>(columns.GetColumn(c));
                if (column == nullptr || column->GetName().IsEmpty()) {
                    continue;
                }
                std::string key = memberMap->GetOwnerClassNumber() == 0
                                      ? std::string()
                                      : std::to_string(memberMap->GetOwnerClassNumber()) + ".";
                key += Str(column->GetMemberPath());
                if (keys.insert(key).second) {
                    memberRows_.push_back({mapped->GetClassId(), key, Str(column->GetName())});
                }
            }
        }
    }
}
