// The creation schema map's naming of new tables and columns.
#include "KxGCreationSchemaMap.h"

#include "KxClassDict.h"
#include "KxGClass.h"
#include "KxGClassMap.h"
#include "KxGColumnList.h"
#include "KxGDatabase.h"
#include "KxGMemberMap.h"
#include "KxGStatusCodes.h"

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

int32_t KxGCreationSchemaMap::GetTableName(KxGClass& mappedClass, KxGQualifiedIdentity& table)
{
    return MapClass2TableName(mappedClass, table);
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
