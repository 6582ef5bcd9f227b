// Class versioning maps: pairing the columns of a class's old and new versions, and the statements
// of each phase.
#include "KxGVersioningMap.h"

#include <algorithm>
#include <string>

#include "KxGClass.h"
#include "KxGClassMap.h"
#include "KxGCreationSchemaMap.h"
#include "KxGDatabase.h"
#include "KxGMemberMap.h"
#include "KxGProjection.h"
#include "KxGSchemaMap.h"
#include "KxGSetMemberMap.h"
#include "KxGStatusCodes.h"
#include "KxGTypeHdl.h"
#include "KxGVersioningSupport.h"


using namespace kxgversioning;

// ---------------------------------------------------------------------------------------------------

KxGVersioningMap::KxGVersioningMap(KxGSchemaMap* schemaMap, KxGClass* mappedClass, KxGVersioningMap* partner,
                                   KxGVersioningContext* context)
    : schemaMap_(schemaMap), class_(mappedClass), partner_(partner), context_(context)
{
}

KxGVersioningMap::~KxGVersioningMap() = default;

int32_t KxGVersioningMap::ToDefault(KxGStatementTemplateList&, int32_t) { return 0; }
int32_t KxGVersioningMap::ToVirtual(KxGStatementTemplateList&, int32_t) { return 0; }
int32_t KxGVersioningMap::ToUniChild(KxGStatementTemplateList&, int32_t) { return 0; }
int32_t KxGVersioningMap::ToUniversal(KxGStatementTemplateList&, int32_t) { return 0; }
int32_t KxGVersioningMap::ToAll(KxGStatementTemplateList&, int32_t) { return 0; }

int32_t KxGVersioningMap::ClassTable(KxGTable& table) const
{
    KxGClassMap* classMap = class_ != nullptr ? class_->GetClassMap() : nullptr;
    if (classMap == nullptr || classMap->GetStoreHdl() == nullptr) {
        return KXG_E_NO_TABLE;
    }
    return classMap->GetStoreHdl()->GetClassTable(table);
}

void KxGVersioningMap::NameVersioned(KxGMemberColumn& column, uint16_t position)
{
    KxGDatabaseInfo* info = context_->info;
    const int32_t room = info != nullptr && info->GetMaxNameLength(1) > 0 ? info->GetMaxNameLength(1) : 30;
    std::string path = Str(column.GetMemberPath());
    std::string name;
    if (partner_ != nullptr && partner_->schemaMap_ != nullptr && partner_->schemaMap_->GetPreserveNames() != 0) {
        path.erase(std::remove(path.begin(), path.end(), '.'), path.end());
        name = path.substr(0, static_cast<size_t>(room));
    } else {
        const size_t dot = path.rfind('.');
        const std::string segment = dot == std::string::npos ? path : path.substr(dot + 1);
        const std::string suffix = std::to_string(position) + "V" + std::to_string(context_->newVersion);
        const size_t keep = room > static_cast<int32_t>(suffix.size()) ? room - suffix.size() : 0;
        name = segment.substr(0, keep) + suffix;
    }
    column.SetName(info != nullptr ? info->MapNameUpper(KxString(name.c_str())) : KxString(name.c_str()));
}

bool KxGVersioningMap::IsMadeName(const KxGMemberColumn& column, uint16_t position) const
{
    // The creation schema map names a column after the last path segment, the position and "V0"
    // (with "_2", "_3" ... when that is taken).
    KxGDatabaseInfo* info = context_->info;
    const int32_t room = info != nullptr && info->GetMaxNameLength(1) > 0 ? info->GetMaxNameLength(1) : 30;
    const std::string path = Str(column.GetMemberPath());
    const size_t dot = path.rfind('.');
    const std::string segment = dot == std::string::npos ? path : path.substr(dot + 1);
    const std::string suffix = std::to_string(position) + "V0";
    const std::string name = Str(column.GetName());
    for (int n = 1; n < 100; ++n) {
        const std::string tail = n == 1 ? suffix : suffix + "_" + std::to_string(n);
        const size_t keep = room > static_cast<int32_t>(tail.size()) ? room - tail.size() : 0;
        const std::string made = segment.substr(0, keep) + tail;
        if (SameName(KxString(name.c_str()), info != nullptr ? info->MapNameUpper(KxString(made.c_str()))
                                                              : KxString(made.c_str()))) {
            return true;
        }
    }
    return false;
}

void KxGVersioningMap::NameAdded(KxGMemberColumn& column, uint16_t position, const KxGMemberColumn* old)
{
    // A column added to a kept table gets the versioned name of this run, so that it cannot meet a
    // column of an earlier version still in the table (one kept because its values had no conversion).
    if (column.GetName().IsEmpty() || IsMadeName(column, position) ||
        (old != nullptr && SameName(column.GetName(), old->GetName()))) {
        NameVersioned(column, position);
    }
}

namespace {

// The first universal class on the first-base chain of a class (the class itself first), or null.
KxGClass* FirstUniversal(KxGClass* mapped)
{
    for (int depth = 0; mapped != nullptr && depth < 256; ++depth) {
        if (StoreKindOf(mapped) == KXG_STORE_UNIVERSAL) {
            return mapped;
        }
        mapped = mapped->GetBase(0);
    }
    return nullptr;
}

// Depth first through the subclass lists (the class itself excluded): the columns of each subclass's
// own members.
void SubclassOwnColumns(KxGSchemaMap& map, KxGClass& mapped, std::vector<KxGMemberColumn*>& out, int depth = 0)
{
    const std::vector<uint16_t>* subs = mapped.GetSubclasses();
    if (subs == nullptr || depth > 64) {
        return;
    }
    for (uint16_t number : *subs) {
        KxGClass* sub = map.FindClass(number);
        if (sub == nullptr) {
            continue;
        }
        std::vector<KxGMemberColumn*> columns;
        RowColumns(sub, columns);
        for (KxGMemberColumn* column : columns) {
            if (OwnerOf(*column) == number) {
                out.push_back(column);
            }
        }
        SubclassOwnColumns(map, *sub, out, depth + 1);
    }
}

// The old column of the same member (path and declaring class); else one of the same path that is
// not paired yet: a member moved between a class and its base keeps its column in the class's row.
KxGMemberColumn* FindPartner(const std::vector<KxGMemberColumn*>& columns, const KxGMemberColumn& column,
                             const std::vector<KxGMemberColumn*>& paired)
{
    for (KxGMemberColumn* candidate : columns) {
        if (SamePath(*candidate, column) && OwnerOf(*candidate) == OwnerOf(column)) {
            return candidate;
        }
    }
    for (KxGMemberColumn* candidate : columns) {
        if (SamePath(*candidate, column) && std::find(paired.begin(), paired.end(), candidate) == paired.end()) {
            return candidate;
        }
    }
    return nullptr;
}

KxGMemberColumn* FindByPath(const std::vector<KxGMemberColumn*>& columns, const KxGMemberColumn& column)
{
    for (KxGMemberColumn* candidate : columns) {
        if (SamePath(*candidate, column)) {
            return candidate;
        }
    }
    return nullptr;
}

bool Kept(int32_t conversion)
{
    return conversion == 0 || conversion == 2 || conversion == 3;
}

}  // namespace

int32_t KxGVersioningMap::Classify(const KxGVersioningMapArray& oldMaps, const KxGVersioningMapArray& newMaps)
{
    if (classified_ != 0) {
        return 0;
    }
    classified_ = 1;
    KxGVersioningContext& context = *context_;
    KxGVersioningMap* newSide = partner_;
    KxGClass* newClass = newSide != nullptr ? newSide->class_ : nullptr;
    KxGClass* oldClass = class_;
    if (newClass == nullptr) {
        return 0;
    }
    // Base classes first: their columns' names are settled before a subclass shares them.
    for (uint32_t b = 0; b < newClass->GetBaseCount(); ++b) {
        KxGClass* base = newClass->GetBase(b);
        if (KxGVersioningMap* baseMap =
                base != nullptr && base->GetClassNumber() != 0 ? oldMaps.Get(base->GetClassNumber()) : nullptr) {
            const int32_t result = baseMap->Classify(oldMaps, newMaps);
            if (result != 0) {
                return result;
            }
        }
    }
    if (oldClass == nullptr || !oldClass->IsPersistent()) {
        context.changed = true;
        if (newSide->IsUniChild() != 0) {
            // A new class below a universal class: its own columns go to the universal table.
            std::vector<KxGMemberColumn*> columns;
            RowColumns(newClass, columns);
            for (KxGMemberColumn* column : columns) {
                if (OwnerOf(*column) == newClass->GetClassNumber()) {
                    NameAdded(*column, column->GetMemberMap() != nullptr ? column->GetMemberMap()->GetMemberPos() : 0,
                              nullptr);
                    added_.AddColumn(column);
                    addedOwn_.AddColumn(column);
                }
            }
        }
        return ClassifySets(oldMaps, newMaps);
    }
    if (oldClass->GetVersion() != newClass->GetVersion()) {
        context.changed = true;
    }

    // The id columns head the unchanged lists.
    auto copyId = [this](const KxGColumn& column) {
        owned_.push_back(std::make_unique<KxGColumn>(column));
        return owned_.back().get();
    };
    unchangedNew_.AddColumn(copyId(newClass->GetClassMap()->GetSurrogateMap().GetOID()));
    unchangedNew_.AddColumn(copyId(newClass->GetClassMap()->GetSurrogateMap().GetCID()));
    unchangedOld_.AddColumn(copyId(oldClass->GetClassMap()->GetSurrogateMap().GetOID()));
    unchangedOld_.AddColumn(copyId(oldClass->GetClassMap()->GetSurrogateMap().GetCID()));

    std::vector<KxGMemberColumn*> oldColumns;
    std::vector<KxGMemberColumn*> newColumns;
    RowColumns(oldClass, oldColumns);
    RowColumns(newClass, newColumns);
    std::vector<KxGMemberColumn*> oldSubColumns;
    std::vector<KxGMemberColumn*> newSubColumns;
    SubclassOwnColumns(*schemaMap_, *oldClass, oldSubColumns);
    SubclassOwnColumns(*newSide->schemaMap_, *newClass, newSubColumns);

    const bool uniChild = newSide->IsUniChild() != 0;
    const uint16_t number = newClass->GetClassNumber();
    // The nearest universal ancestor's moved-down columns (a universal child's own columns already
    // there are not added again).
    KxGVersioningMap* universalOld = nullptr;
    if (uniChild) {
        for (KxGClass* up = newClass->GetBase(0); up != nullptr; up = up->GetBase(0)) {
            if (StoreKindOf(up) == KXG_STORE_UNIVERSAL) {
                KxGVersioningMap* candidate = oldMaps.Get(up->GetClassNumber());
                const uint16_t oldKind = candidate != nullptr ? StoreKindOf(candidate->class_) : 0xFFFF;
                if (candidate != nullptr && candidate->class_ != nullptr && oldKind != KXG_STORE_UNIVERSAL_CHILD &&
                    oldKind != KXG_STORE_VIRTUAL) {
                    universalOld = candidate;
                }
                break;
            }
        }
    }
    (void)newMaps;
    const uint16_t oldKind = StoreKindOf(oldClass);
    const uint16_t newKind = StoreKindOf(newClass);
    // A universal child whose rows come from a table of their own into a universal table that stays.
    const bool movesIntoUniversal = universalOld != nullptr && oldKind != KXG_STORE_UNIVERSAL_CHILD &&
                                    StoreKindOf(universalOld->class_) == KXG_STORE_UNIVERSAL;
    // Rows copied into another table carry every column through its conversion expression.
    const bool copied = oldKind != newKind;

    std::vector<KxGMemberColumn*> paired;
    for (KxGMemberColumn* column : newColumns) {
        const bool own = OwnerOf(*column) == number;
        const uint16_t position = column->GetMemberMap() != nullptr ? column->GetMemberMap()->GetMemberPos() : 0;
        auto add = [&](KxGMemberColumn* added) {
            if (uniChild && !own) {
                return;   // an inherited column lives in the universal table already
            }
            added_.AddColumn(added);
            if (own) {
                addedOwn_.AddColumn(added);
            }
        };
        KxGMemberColumn* old = FindPartner(oldColumns, *column, paired);
        if (old == nullptr) {
            // Moved up from a subclass of the old class?
            if (KxGMemberColumn* sub = FindByPath(oldSubColumns, *column)) {
                const int32_t conversion =
                    context.conversions != nullptr ? context.conversions->CanConvert(*sub, *column) : -1;
                if (Kept(conversion)) {
                    column->SetName(sub->GetName());
                    movedUpKept_.AddColumn(column);
                    if (conversion == 3) {
                        context.changed = true;
                    }
                } else {
                    NameAdded(*column, position, nullptr);
                    movedUpNew_.AddColumn(column);
                }
            } else {
                NameAdded(*column, position, nullptr);
            }
            context.changed = true;
            add(column);
            continue;
        }
        paired.push_back(old);
        int32_t conversion = context.conversions != nullptr ? context.conversions->CanConvert(*old, *column) : -1;
        if ((conversion == 0 || conversion == 3) && !own && !column->GetName().IsEmpty() &&
            !SameName(column->GetName(), old->GetName())) {
            conversion = 1;   // an inherited column named otherwise in the base
        }
        if (conversion == 0 || conversion == 3) {
            column->SetName(old->GetName());
            unchangedNew_.AddColumn(column);
            unchangedOld_.AddColumn(old);
            if (conversion == 3) {
                context.changed = true;
            }
            if (uniChild && own && movesIntoUniversal && universalOld->movedDown_.Find(old) == nullptr) {
                // The class moves into a kept universal table: its own columns are new to that table.
                add(column);
            }
        } else if (conversion == 2) {
            column->SetName(old->GetName());
            convertedNew_.AddColumn(column);
            convertedOld_.AddColumn(old);
            convertedInPlace_.AddColumn(column);
            context.changed = true;
        } else if (conversion == 1) {
            NameAdded(*column, position, old);
            add(column);
            convertedNew_.AddColumn(column);
            convertedOld_.AddColumn(old);
            dropped_.AddColumn(old);
            if (OwnerOf(*old) == oldClass->GetClassNumber()) {
                droppedOwn_.AddColumn(old);
            }
            context.changed = true;
        } else {
            // No conversion: the new column starts empty beside the old one, which is kept so that
            // no value is lost.
            NameAdded(*column, position, old);
            add(column);
            keptUnconverted_.AddColumn(old);
            context.changed = true;
            const std::string text = Str(newClass->GetName()) + "." + Str(column->GetMemberPath());
            Warn(KXG_W_POSSIBLE_DATA_LOSS, text);
        }
        if (conversion == 1 || conversion == 2 || (copied && (conversion == 0 || conversion == 3))) {
            KxString expression;
            context.conversions->BuildConversion(*old, *column, expression);
            if (Str(expression) == "NULL" && warning_ == 0) {
                warning_ = KXG_W_NULL_CONVERSION;
                Warn(KXG_W_NULL_CONVERSION, Str(newClass->GetName()));
            }
        }
    }

    // Old columns without partner: dropped, unless moved down to a subclass with a conversion, or the
    // old class's universal table is not universal any more.
    KxGClass* universal = FirstUniversal(oldClass);
    const bool mayDrop = universal == nullptr ||
                         StoreKindOf(newSide->schemaMap_->FindClass(universal->GetClassNumber())) == KXG_STORE_UNIVERSAL;
    for (KxGMemberColumn* old : oldColumns) {
        if (mayDrop && OwnerOf(*old) == oldClass->GetClassNumber()) {
            oldOwn_.AddColumn(old);
        }
        if (std::find(paired.begin(), paired.end(), old) != paired.end()) {
            continue;
        }
        context.changed = true;
        if (KxGMemberColumn* sub = FindByPath(newSubColumns, *old)) {
            movedDown_.AddColumn(old);
            const int32_t conversion =
                context.conversions != nullptr ? context.conversions->CanConvert(*old, *sub) : -1;
            if (Kept(conversion)) {
                movedDownKept_.AddColumn(old);
                continue;
            }
        }
        if (!mayDrop) {
            continue;
        }
        dropped_.AddColumn(old);
        if (OwnerOf(*old) == oldClass->GetClassNumber()) {
            droppedOwn_.AddColumn(old);
        }
    }
    return ClassifySets(oldMaps, newMaps);
}

void KxGVersioningMap::Warn(int32_t code, const std::string& text)
{
    if (context_->warn) {
        context_->warn(code, text);
    }
}

// ---- statements ---------------------------------------------------------------------------------------

namespace {

KxGExtendedProjection ProjectionOf(const KxGTable& table, const KxGColumnList& columns)
{
    KxGExtendedProjection projection(table);
    for (uint32_t i = 0; i < columns.Count(); ++i) {
        projection.AddColumn(*columns.GetColumn(i));
    }
    return projection;
}

}  // namespace

int32_t KxGVersioningMap::AppendOnClassTable(KxGStatementTemplateList& list,
                                             const std::function<KxGStatementTemplate*(const KxGTable&)>& make) const
{
    KxGTable table;
    const int32_t result = ClassTable(table);
    if (result != 0) {
        return result;
    }
    return Append(list, make(table));
}

int32_t KxGVersioningMap::AppendCopy(KxGStatementTemplateList& list, const KxGTable& from, const KxGTable& into,
                                     int32_t classNumber)
{
    KxGColumnList source;
    KxGColumnList target;
    for (uint32_t i = 0; i < unchangedOld_.Count(); ++i) {
        source.AddColumn(unchangedOld_.GetColumn(i));
        target.AddColumn(unchangedNew_.GetColumn(i));
    }
    for (uint32_t i = 0; i < convertedOld_.Count(); ++i) {
        source.AddColumn(convertedOld_.GetColumn(i));
        target.AddColumn(convertedNew_.GetColumn(i));
    }
    KxGColumnList none;
    return Append(list, context_->info->InsertSelectByCid(ProjectionOf(into, target), ProjectionOf(from, source), none,
                                                          classNumber));
}

int32_t KxGVersioningMap::KeepTableName()
{
    if (partner_ == nullptr || partner_->class_ == nullptr) {
        return 0;
    }
    KxGCreationSchemaMap* creation = partner_->schemaMap_->GetCreationSchemaMap();
    if (creation == nullptr) {
        return 0;
    }
    KxGTable table;
    const int32_t result = ClassTable(table);
    if (result != 0) {
        return result;
    }
    KxGTable made;
    KxGClassMap* classMap = partner_->class_->GetClassMap();
    const bool named = classMap->GetStoreHdl() != nullptr && classMap->GetStoreHdl()->GetClassTable(made) == 0;
    creation->KeepTableName(partner_->class_->GetClassNumber(), table);
    // Index maps loaded already follow the kept name.
    for (uint32_t i = 0; named && i < classMap->GetIndexMapCount(); ++i) {
        KxGIndexMap* index = classMap->GetIndexMapAt(i);
        if (SameName(index->GetTable().GetQualifiedName(), made.GetQualifiedName())) {
            index->SetTable(table);
        }
    }
    return 0;
}

int32_t KxGVersioningMap::CreateNewTable(KxGStatementTemplateList& list)
{
    KxGClassMap* classMap = partner_ != nullptr && partner_->class_ != nullptr ? partner_->class_->GetClassMap() : nullptr;
    if (classMap == nullptr || classMap->GetStoreHdl() == nullptr) {
        return 0;
    }
    KxGStatementTemplateList made;
    int32_t result = classMap->GetStoreHdl()->CreateClassTable(made);
    for (uint32_t i = 0; i < made.Count(); ++i) {
        const int32_t appended = list.Adopt(made.GetTemplate(i));
        if (result == 0 && appended < 0) {
            result = appended;
        }
    }
    made.Clear();
    return result;
}

int32_t KxGVersioningMap::AddColumns(KxGStatementTemplateList& list)
{
    if (added_.Count() == 0 || context_->info == nullptr) {
        return 0;
    }
    return partner_->AppendOnClassTable(
        list, [&](const KxGTable& table) { return context_->info->AlterAdd(ProjectionOf(table, added_)); });
}

int32_t KxGVersioningMap::UpdateConverted(KxGStatementTemplateList& list)
{
    if (convertedNew_.Count() == 0 || context_->info == nullptr) {
        return 0;
    }
    return partner_->AppendOnClassTable(list, [&](const KxGTable& table) {
        return context_->info->UpdateByCid(ProjectionOf(table, convertedOld_), ProjectionOf(table, convertedNew_),
                                           partner_->class_->GetClassNumber());
    });
}

int32_t KxGVersioningMap::CopyRows(KxGStatementTemplateList& list, int32_t classNumber)
{
    if (context_->info == nullptr || partner_ == nullptr || partner_->class_ == nullptr) {
        return 0;
    }
    KxGTable from;
    KxGTable into;
    int32_t result = ClassTable(from);
    if (result == 0) {
        result = partner_->ClassTable(into);
    }
    if (result != 0) {
        return result;
    }
    return AppendCopy(list, from, into, classNumber);
}

int32_t KxGVersioningMap::DeleteRows(KxGStatementTemplateList& list)
{
    if (context_->info == nullptr || class_ == nullptr) {
        return 0;
    }
    return AppendOnClassTable(
        list, [&](const KxGTable& table) { return context_->info->DeleteByCid(table, class_->GetClassNumber()); });
}

int32_t KxGVersioningMap::DropColumns(KxGStatementTemplateList& list)
{
    if (dropped_.Count() == 0 || context_->info == nullptr) {
        return 0;
    }
    return partner_->AppendOnClassTable(
        list, [&](const KxGTable& table) { return context_->info->AlterDrop(ProjectionOf(table, dropped_)); });
}

int32_t KxGVersioningMap::DropOldTable(KxGStatementTemplateList& list)
{
    if (context_->info == nullptr || !OwnsTable(StoreKindOf(class_))) {
        return 0;
    }
    return AppendOnClassTable(list, [&](const KxGTable& table) { return context_->info->DropTable(table); });
}

int32_t KxGVersioningMap::RunSets(KxGStatementTemplateList& list, int32_t phase)
{
    for (auto& set : setMaps_) {
        const int32_t result = set->Run(list, phase);
        if (result != 0) {
            return result;
        }
    }
    return 0;
}

// ---- the kinds ----------------------------------------------------------------------------------------


// Kind changes: the new table is made (2), the rows copied (4), rows leaving a shared table deleted
// (6) and the old table dropped (8).
int32_t KxGVersioningMap::ChangeKind(KxGStatementTemplateList& list, int32_t phase)
{
    const uint16_t oldKind = StoreKindOf(class_);
    switch (phase) {
    case 2:
        return CreateNewTable(list);
    case 3:
        // Into a universal table that stays: the class's own columns are added to it first.
        return partner_->IsUniChild() != 0 ? AddColumns(list) : 0;
    case 4:
        return CopyRows(list, partner_->class_->GetClassNumber());
    case 6:
        return oldKind == KXG_STORE_UNIVERSAL_CHILD || oldKind == KXG_STORE_VIRTUAL ? DeleteRows(list) : 0;
    case 8:
        return DropOldTable(list);
    default:
        return 0;
    }
}

// The class keeps its kind and its table: columns added (3), converted (5) and dropped (7).
int32_t KxGVersioningMap::KeepKind(KxGStatementTemplateList& list, int32_t phase)
{
    switch (phase) {
    case 2:
        return OwnsTable(StoreKindOf(class_)) ? KeepTableName() : 0;
    case 3:
        return AddColumns(list);
    case 5:
        return UpdateConverted(list);
    case 7:
        return DropColumns(list);
    default:
        return 0;
    }
}

int32_t KxGDefaultVersioningMap::Run(KxGVersioningMap& oldMap, KxGStatementTemplateList& list, int32_t phase)
{
    return oldMap.ToDefault(list, phase);
}

int32_t KxGDefaultVersioningMap::ToDefault(KxGStatementTemplateList& list, int32_t phase)
{
    const uint16_t kind = StoreKindOf(GetClass());
    return kind == KXG_STORE_DEFAULT ? KeepKind(list, phase) : ChangeKind(list, phase);
}

int32_t KxGDefaultVersioningMap::ToVirtual(KxGStatementTemplateList& list, int32_t phase)
{
    return ChangeKind(list, phase);
}

int32_t KxGDefaultVersioningMap::ToUniChild(KxGStatementTemplateList& list, int32_t phase)
{
    return ChangeKind(list, phase);
}

int32_t KxGDefaultVersioningMap::ToUniversal(KxGStatementTemplateList& list, int32_t phase)
{
    const uint16_t kind = StoreKindOf(GetClass());
    return kind == KXG_STORE_UNIVERSAL ? KeepKind(list, phase) : ChangeKind(list, phase);
}

int32_t KxGDefaultVersioningMap::ToAll(KxGStatementTemplateList& list, int32_t phase)
{
    const uint16_t kind = StoreKindOf(GetClass());
    if (kind == KXG_STORE_ALL) {
        return KeepKind(list, phase);
    }
    if (phase == 9) {
        return CopySubclassRows(list);
    }
    return ChangeKind(list, phase);
}

// A class that became STORE ALL: every subclass's rows are copied from its old table into the new
// table (9), the columns the class's rows have in common with them.
int32_t KxGVersioningMap::CopySubclassRows(KxGStatementTemplateList& list)
{
    KxGClass* newClass = partner_ != nullptr ? partner_->class_ : nullptr;
    if (newClass == nullptr || context_->info == nullptr) {
        return 0;
    }
    KxGTable into;
    int32_t result = partner_->ClassTable(into);
    if (result != 0) {
        return result;
    }
    std::vector<uint16_t> numbers;
    std::vector<KxGClass*> walk = {newClass};
    for (size_t i = 0; i < walk.size() && i < 4096; ++i) {
        if (const std::vector<uint16_t>* subs = walk[i]->GetSubclasses()) {
            for (uint16_t number : *subs) {
                if (KxGClass* sub = partner_->schemaMap_->FindClass(number)) {
                    walk.push_back(sub);
                    numbers.push_back(number);
                }
            }
        }
    }
    for (uint16_t number : numbers) {
        KxGClass* oldSub = schemaMap_->FindClass(number);
        if (oldSub == nullptr || !OwnsTable(StoreKindOf(oldSub))) {
            continue;
        }
        KxGTable from;
        if (oldSub->GetClassMap()->GetStoreHdl()->GetClassTable(from) != 0) {
            continue;
        }
        result = AppendCopy(list, from, into, number);
        if (result != 0) {
            return result;
        }
    }
    return 0;
}

int32_t KxGAllVersioningMap::Run(KxGVersioningMap& oldMap, KxGStatementTemplateList& list, int32_t phase)
{
    return oldMap.ToAll(list, phase);
}

int32_t KxGUniversalVersioningMap::Run(KxGVersioningMap& oldMap, KxGStatementTemplateList& list, int32_t phase)
{
    return oldMap.ToUniversal(list, phase);
}

int32_t KxGUniChildVersioningMap::Run(KxGVersioningMap& oldMap, KxGStatementTemplateList& list, int32_t phase)
{
    return oldMap.ToUniChild(list, phase);
}

int32_t KxGUniChildVersioningMap::ToUniChild(KxGStatementTemplateList& list, int32_t phase)
{
    // Both sides in a universal table: columns are added to and converted in the new universal table;
    // the old columns stay for the other classes of the table.
    switch (phase) {
    case 3:
        return AddColumns(list);
    case 5:
        return UpdateConverted(list);
    default:
        return 0;
    }
}

int32_t KxGVirtualVersioningMap::Run(KxGVersioningMap& oldMap, KxGStatementTemplateList& list, int32_t phase)
{
    return oldMap.ToVirtual(list, phase);
}

int32_t KxGVirtualVersioningMap::ToVirtual(KxGStatementTemplateList&, int32_t)
{
    return 0;   // no columns of its own; its rows stay in the base's table
}

int32_t KxGNewVersioningMap::Run(KxGVersioningMap&, KxGStatementTemplateList&, int32_t) { return 0; }

// The old side of a class that is new: its table (2) and set tables are made.
int32_t KxGNewVersioningMap::ToDefault(KxGStatementTemplateList& list, int32_t phase)
{
    return phase == 2 ? CreateNewTable(list) : 0;
}
int32_t KxGNewVersioningMap::ToVirtual(KxGStatementTemplateList&, int32_t) { return 0; }
int32_t KxGNewVersioningMap::ToUniChild(KxGStatementTemplateList& list, int32_t phase)
{
    return phase == 3 ? AddColumns(list) : 0;
}
int32_t KxGNewVersioningMap::ToUniversal(KxGStatementTemplateList& list, int32_t phase)
{
    return phase == 2 ? CreateNewTable(list) : 0;
}
int32_t KxGNewVersioningMap::ToAll(KxGStatementTemplateList& list, int32_t phase)
{
    return phase == 2 ? CreateNewTable(list) : 0;
}
