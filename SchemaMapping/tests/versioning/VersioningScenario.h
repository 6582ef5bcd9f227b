// Shared by the Oracle and the DB2 tests of the versioning maps.
//
// Versioning maps over two versions of a small dictionary, through the Oracle and the DB2 adapter: the
// statements of the comparison against golden scripts beside this test, and the same statements run
// on the embedded engine over a schema that holds rows, whose values must survive.
//
// ROG_UPDATE_GOLDEN=1 in the environment writes the golden files instead of comparing them.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "KxClassDict.h"
#include "KxGClass.h"
#include "KxGClassLoader.h"
#include "KxGClassMap.h"
#include "KxGCreationSchemaMap.h"
#include "KxGMemberMap.h"
#include "KxGSetMemberMap.h"
#include "KxGStatement.h"
#include "KxGStatementTemplate.h"
#include "KxGStoreHandlers.h"
#include "KxGVersioningMap.h"
#include "sqlengine.h"

namespace versiontest {

// Version 1: a person with values of several types, a pet, and a class that goes away.
const char kVersion1[] = R"(dictionary pets
class 1.1 Person
member name string count=40
member age int
member note string count=20
member code int
member score int
class 2.1 Pet
member kind string count=10
class 4.1 Gone
member what int
)";

// Version 2: age retyped to a text (a new column filled from the old one), note shortened (converted in
// place), code retyped to a blob (no conversion: the old column stays), score removed, email added; the
// pet unchanged; a new class Toy; Gone left the dictionary.
const char kVersion2[] = R"(dictionary pets
class 1.2 Person
member name string count=40
member age string count=12
member note string count=10
member code blob
member email string count=30
class 2.1 Pet
member kind string count=10
class 3.1 Toy
member label string count=15
)";

inline std::string Text(const KxString& text)
{
    return text.IsActive() ? std::string(text.StrGet()) : std::string();
}

inline std::string ReadText(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void WriteText(const std::string& file, const std::string& text)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
}

struct OwnedList : KxGStatementTemplateList {
    ~OwnedList() { ClearAll(); }
};

inline std::string Script(const KxGStatementTemplateList& list)
{
    std::string out;
    for (uint32_t i = 0; i < list.Count(); ++i) {
        out += Text(list.GetTemplate(i)->GetSQLText()) + ";\n";
    }
    return out;
}

inline void CompareGolden(const std::string& made, const std::string& name)
{
    const std::string golden = std::string(VERSIONING_GOLDEN_DIR) + "/" + name;
    if (std::getenv("ROG_UPDATE_GOLDEN") != nullptr) {
        WriteText(golden, made);
        return;
    }
    EXPECT_EQ(made, ReadText(golden)) << "golden file " << golden;
}

// One side of a comparison: a dictionary and its creation schema map with every class loaded.
struct Side {
    std::unique_ptr<KxClassDict> dictionary;
    std::unique_ptr<KxGCreationSchemaMap> map;
};

// storeAll: a class given the STORE ALL option.
inline void Load(KxGDatabase* database, const char* text, uint16_t revision, Side& side, const char* storeAll = nullptr)
{
    KxString error;
    ASSERT_EQ(KxClassDict::Parse(text, KxString("classes.kxd"), side.dictionary, &error), 0) << Text(error);
    side.map = std::make_unique<KxGCreationSchemaMap>(database, side.dictionary.get(), &KxGClassLoader::Instance());
    side.map->SetRevision(revision);
    if (storeAll != nullptr) {
        ASSERT_EQ(side.map->GetOptionRegistry().ProcessOption(KxString(storeAll), KxString("*"), KxString("STORE"),
                                                              KxString("ALL"), 1),
                  0);
    }
    ASSERT_EQ(side.map->LoadClassSchemas(), 0);
}

inline std::string TableOf(KxGCreationSchemaMap& map, uint16_t number)
{
    KxGTable table;
    EXPECT_EQ(map.FindClass(number)->GetClassMap()->GetStoreHdl()->GetClassTable(table), 0);
    return Text(table.GetQualifiedName());
}

// The SQL name of a member's column in a class map.
inline std::string ColumnOf(KxGCreationSchemaMap& map, uint16_t number, const char* member)
{
    KxGClassMap* classMap = map.FindClass(number)->GetClassMap();
    for (uint32_t i = 0; i < classMap->GetMemberMapCount(); ++i) {
        KxGMemberMap* memberMap = classMap->GetMemberMap(i);
        if (Text(memberMap->GetName()) == member) {
            KxGColumnList columns;
            memberMap->GetColumns(columns);
            return Text(columns.GetColumn(0)->GetName());
        }
    }
    ADD_FAILURE() << "no member " << member;
    return std::string();
}

// What one adapter's test gives the scenario: its database and a way to run SQL and read rows.
struct Engine {
    KxGDatabase* database;
    std::function<void(const std::string&)> execute;
    std::function<std::vector<std::vector<std::string>>(const std::string&)> query;
};

// The schema of version 1 with rows, the comparison with version 2 (golden script), the statements run
// and the rows read back.
inline void RunScenario(Engine& engine, const std::string& golden)
{
    Side old;
    Load(engine.database, kVersion1, 0, old);
    if (::testing::Test::HasFatalFailure()) {
        return;
    }
    ASSERT_EQ(old.map->BuildCreateTableList(), 0);
    for (uint32_t i = 0; i < old.map->GetCreateTableList()->Count(); ++i) {
        engine.execute(Text(old.map->GetCreateTableList()->GetTemplate(i)->GetSQLText()));
    }
    const std::string person = TableOf(*old.map, 1);
    const std::string pet = TableOf(*old.map, 2);
    const std::string gone = TableOf(*old.map, 4);
    const std::string name = ColumnOf(*old.map, 1, "name");
    const std::string age = ColumnOf(*old.map, 1, "age");
    const std::string note = ColumnOf(*old.map, 1, "note");
    const std::string code = ColumnOf(*old.map, 1, "code");
    const std::string score = ColumnOf(*old.map, 1, "score");
    const std::string kind = ColumnOf(*old.map, 2, "kind");
    engine.execute("INSERT INTO " + person + " (OID, CID, " + name + ", " + age + ", " + note + ", " + code + ", " +
                   score + ") VALUES (11, 1, 'Ann', 42, 'a rather long note', 7, 99)");
    engine.execute("INSERT INTO " + person + " (OID, CID, " + name + ", " + age + ", " + note + ", " + code + ", " +
                   score + ") VALUES (12, 1, 'Bob', 5, 'short', 8, 98)");
    engine.execute("INSERT INTO " + pet + " (OID, CID, " + kind + ") VALUES (21, 2, 'cat')");
    engine.execute("INSERT INTO " + gone + " (OID, CID, " + ColumnOf(*old.map, 4, "what") + ") VALUES (41, 4, 1)");

    Side now;
    Load(engine.database, kVersion2, 1, now);
    if (::testing::Test::HasFatalFailure()) {
        return;
    }
    KxGSchemaVersioning versioning(*old.map, *now.map, 1);
    std::vector<std::string> reported;
    versioning.SetReporter([&](int32_t code, const KxString& text) {
        reported.push_back(std::to_string(code) + " " + Text(text));
    });
    OwnedList list;
    ASSERT_EQ(versioning.Run(list), 0);
    EXPECT_TRUE(versioning.IsChanged());
    CompareGolden(Script(list), golden);
    // The retyped member without conversion is reported, and the run goes on.
    EXPECT_EQ(reported, std::vector<std::string>{"6156 Person.code"});

    // The new map keeps the old tables and the columns whose values carry over.
    EXPECT_EQ(TableOf(*now.map, 1), person);
    EXPECT_EQ(TableOf(*now.map, 2), pet);
    EXPECT_EQ(ColumnOf(*now.map, 1, "name"), name);
    EXPECT_EQ(ColumnOf(*now.map, 1, "note"), note);
    EXPECT_NE(ColumnOf(*now.map, 1, "age"), age);
    EXPECT_NE(ColumnOf(*now.map, 1, "code"), code);
    // ... and records them for the catalog tables.
    bool recorded = false;
    for (const auto& row : now.map->GetClassRows()) {
        if (row.id.GetClassNumber() == 1) {
            recorded = true;
            EXPECT_EQ(person.substr(person.find('.') + 1), row.tableName);
        }
    }
    EXPECT_TRUE(recorded);

    for (uint32_t i = 0; i < list.Count(); ++i) {
        engine.execute(Text(list.GetTemplate(i)->GetSQLText()));
    }
    const std::string newAge = ColumnOf(*now.map, 1, "age");
    const std::string newCode = ColumnOf(*now.map, 1, "code");
    const std::string email = ColumnOf(*now.map, 1, "email");
    const auto rows = engine.query("SELECT OID, " + name + ", " + newAge + ", " + note + ", " + code + ", " + email +
                                   " FROM " + person + " ORDER BY OID");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"11", "Ann", "42", "a rather l", "7", "NULL"}));
    EXPECT_EQ(rows[1], (std::vector<std::string>{"12", "Bob", "5", "short", "8", "NULL"}));
    // The blob column starts empty.
    EXPECT_EQ(engine.query("SELECT COUNT(*) FROM " + person + " WHERE " + newCode + " IS NULL"),
              (std::vector<std::vector<std::string>>{{"2"}}));
    EXPECT_EQ(engine.query("SELECT " + kind + " FROM " + pet), (std::vector<std::vector<std::string>>{{"cat"}}));
    // The table of the class that left the dictionary stays; the new class's table exists.
    EXPECT_EQ(engine.query("SELECT COUNT(*) FROM " + gone), (std::vector<std::vector<std::string>>{{"1"}}));
    EXPECT_EQ(engine.query("SELECT COUNT(*) FROM " + TableOf(*now.map, 3)),
              (std::vector<std::vector<std::string>>{{"0"}}));
}


// Version 1 of the structures: a class with a subclass, sets, and a member declared by a subclass.
const char kStructures1[] = R"(dictionary shapes
class 1.1 Vehicle
member wheels int
class 2.1 Car bases=Vehicle
member seats int
class 3.1 Holder
member label string count=20
member tags set:TagSet
member codes set:CodeSet
class 5.1 Base
member a int
class 6.1 Sub bases=Base
member b int
member c int
typeset 900.1 TagSet string
typeset 901.1 CodeSet int
)";

// Version 2: Vehicle stored with its subclasses (STORE ALL), Holder's set of codes removed and a set of
// notes added, b moved up from Sub to Base.
const char kStructures2[] = R"(dictionary shapes
class 1.1 Vehicle
member wheels int
class 2.1 Car bases=Vehicle
member seats int
class 3.2 Holder
member label string count=20
member tags set:TagSet
member notes set:NoteSet
class 5.2 Base
member a int
member b int
class 6.2 Sub bases=Base
member c int
typeset 900.1 TagSet string
typeset 902.1 NoteSet string
)";

// The set table of a class's set member.
inline std::string SetTableOf(KxGCreationSchemaMap& map, uint16_t number, const char* member)
{
    KxGClassMap* classMap = map.FindClass(number)->GetClassMap();
    for (uint32_t i = 0; i < classMap->GetMemberMapCount(); ++i) {
        auto* set = dynamic_cast<KxGSetMemberMap*>(classMap->GetMemberMap(i)->AsSetMemberMap());
        if (set != nullptr && Text(set->GetName()) == member) {
            return Text(set->GetTableName().GetQualifiedName());
        }
    }
    ADD_FAILURE() << "no set " << member;
    return std::string();
}

// The element column of a set table (after OID, CID, EID).
inline std::string SetColumnOf(KxGCreationSchemaMap& map, uint16_t number, const char* member)
{
    KxGClassMap* classMap = map.FindClass(number)->GetClassMap();
    for (uint32_t i = 0; i < classMap->GetMemberMapCount(); ++i) {
        auto* set = dynamic_cast<KxGSetMemberMap*>(classMap->GetMemberMap(i)->AsSetMemberMap());
        if (set != nullptr && Text(set->GetName()) == member) {
            return Text(set->GetElementColumns().GetColumn(0)->GetName());
        }
    }
    return std::string();
}

// The structures of version 1 with rows, compared with version 2 and run: the rows of Vehicle and Car
// land in Vehicle's new table, the tags keep their set table and rows, the codes' table goes, the notes
// get a table, Sub's values of b stay in Sub's table.
inline void RunStructures(Engine& engine, const std::string& golden)
{
    Side old;
    Load(engine.database, kStructures1, 0, old);
    if (::testing::Test::HasFatalFailure()) {
        return;
    }
    ASSERT_EQ(old.map->BuildCreateTableList(), 0);
    for (uint32_t i = 0; i < old.map->GetCreateTableList()->Count(); ++i) {
        engine.execute(Text(old.map->GetCreateTableList()->GetTemplate(i)->GetSQLText()));
    }
    const std::string vehicle = TableOf(*old.map, 1);
    const std::string car = TableOf(*old.map, 2);
    const std::string wheels = ColumnOf(*old.map, 1, "wheels");
    const std::string seats = ColumnOf(*old.map, 2, "seats");
    const std::string tags = SetTableOf(*old.map, 3, "tags");
    const std::string tag = SetColumnOf(*old.map, 3, "tags");
    const std::string codes = SetTableOf(*old.map, 3, "codes");
    const std::string sub = TableOf(*old.map, 6);
    const std::string b = ColumnOf(*old.map, 6, "b");
    engine.execute("INSERT INTO " + vehicle + " (OID, CID, " + wheels + ") VALUES (1, 1, 2)");
    engine.execute("INSERT INTO " + car + " (OID, CID, " + wheels + ", " + seats + ") VALUES (2, 2, 4, 5)");
    engine.execute("INSERT INTO " + tags + " (OID, CID, EID, " + tag + ") VALUES (3, 900, 1, 'red')");
    engine.execute("INSERT INTO " + sub + " (OID, CID, " + b + ", " + ColumnOf(*old.map, 6, "c") +
                   ") VALUES (6, 6, 60, 61)");

    Side now;
    Load(engine.database, kStructures2, 1, now, "Vehicle");
    if (::testing::Test::HasFatalFailure()) {
        return;
    }
    KxGSchemaVersioning versioning(*old.map, *now.map, 1);
    OwnedList list;
    ASSERT_EQ(versioning.Run(list), 0);
    EXPECT_TRUE(versioning.IsChanged());
    CompareGolden(Script(list), golden);
    EXPECT_EQ(SetTableOf(*now.map, 3, "tags"), tags);
    EXPECT_EQ(ColumnOf(*now.map, 6, "b"), b);
    bool recorded = false;
    for (const auto& row : now.map->GetSetRows()) {
        if (row.key == "tags") {
            recorded = true;
            EXPECT_EQ(tags.substr(tags.find('.') + 1), row.columnName);
        }
    }
    EXPECT_TRUE(recorded);

    for (uint32_t i = 0; i < list.Count(); ++i) {
        engine.execute(Text(list.GetTemplate(i)->GetSQLText()));
    }
    const std::string all = TableOf(*now.map, 1);
    EXPECT_NE(all, vehicle);
    EXPECT_EQ(engine.query("SELECT OID, CID, " + ColumnOf(*now.map, 1, "wheels") + " FROM " + all + " ORDER BY OID"),
              (std::vector<std::vector<std::string>>{{"1", "1", "2"}, {"2", "2", "4"}}));
    EXPECT_EQ(engine.query("SELECT OID, " + tag + " FROM " + tags), (std::vector<std::vector<std::string>>{{"3", "red"}}));
    EXPECT_EQ(engine.query("SELECT COUNT(*) FROM " + SetTableOf(*now.map, 3, "notes")),
              (std::vector<std::vector<std::string>>{{"0"}}));
    EXPECT_EQ(engine.query("SELECT " + b + " FROM " + sub), (std::vector<std::vector<std::string>>{{"60"}}));
}

// The rows of an outcome of the engine, each value as text ("NULL" for NULL).
inline std::vector<std::vector<std::string>> Rows(const std::shared_ptr<sqlengine::Server>& server, const char* user,
                                                  const char* password, const std::string& sql)
{
    sqlengine::Error error;
    auto session = sqlengine::Session::Begin(server, user, password, error);
    EXPECT_TRUE(session) << error.message;
    std::vector<std::vector<std::string>> rows;
    if (!session) {
        return rows;
    }
    sqlengine::Outcome outcome;
    auto statement = session->Prepare(sql, error);
    EXPECT_TRUE(statement) << sql << ": " << error.message;
    if (statement && statement->Run({}, outcome, error)) {
        for (const auto& row : outcome.result.rows) {
            std::vector<std::string> values;
            for (const auto& value : row) {
                switch (value.type) {
                case sqlengine::Value::Type::Null: values.push_back("NULL"); break;
                case sqlengine::Value::Type::Integer: values.push_back(std::to_string(value.integer)); break;
                default: values.push_back(value.bytes); break;
                }
            }
            rows.push_back(values);
        }
    } else {
        ADD_FAILURE() << sql << ": " << error.message;
    }
    session->End();
    return rows;
}

}  // namespace versiontest
