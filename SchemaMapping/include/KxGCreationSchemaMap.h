// The creation schema map: the schema map the schema mapper builds a new schema with. It names what
// the runtime later reads back: class tables (the default table name) and columns, and records both
// for KELVOX_CLASSES and KELVOX_MEMBERS.
//
// This is the slice that a new schema needs: column names take the versioned-name form (the member
// path's last segment, the member position, "V" and revision 0, cut to the column-name length, mapped
// upper), made unique per table (a universal table holds every descendant's columns, so siblings'
// members at one position, or "a.x" and "b.x" of two embedded members, would collide: a later one gets
// "_2", "_3" ... cut to fit). HasMIChild answers from the dictionary. The loaders' warnings (6155) wait
// here for the schema mapper to report them.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "KxGSchemaMap.h"

class KxGCreationSchemaMap : public KxGSchemaMap {
public:
    KxGCreationSchemaMap(KxGDatabase* database, KxClassDict* dictionary, KxGMapLoader* loader);

    // The default table name (nothing is stored yet).
    int32_t GetTableName(KxGClass& mappedClass, KxGQualifiedIdentity& table) override;
    // Names every unnamed column of the class's member maps and records it; 0.
    int32_t GetColumnNames(KxGClass& mappedClass) override;
    // True when a user class below the meta class (at any depth) has more than one base class or is
    // marked with virtual inheritance.
    bool HasMIChild(const KxMetaClass& metaClass) override;
    KxGCreationSchemaMap* GetCreationSchemaMap() override { return this; }

    // What KELVOX_CLASSES and KELVOX_MEMBERS are to hold.
    struct ClassRow {
        KxClassId id;
        std::string className;
        std::string tableName;
    };
    struct MemberRow {
        KxClassId id;
        std::string key;
        std::string columnName;
    };
    const std::vector<ClassRow>& GetClassRows() const { return classRows_; }
    const std::vector<MemberRow>& GetMemberRows() const { return memberRows_; }

    // Warnings of the loaders for the schema mapper to report (code and text), in order.
    struct Warning {
        int32_t code;
        std::string text;
    };
    void AddWarning(int32_t code, const KxString& text);
    const std::vector<Warning>& GetWarnings() const { return warnings_; }

private:
    std::map<std::string, std::set<std::string>> used_;   // table -> column names
    std::vector<ClassRow> classRows_;
    std::vector<MemberRow> memberRows_;
    std::set<const void*> recorded_;   // columns whose names are recorded
    std::vector<Warning> warnings_;
};
