// Versioning maps through the Oracle adapter: golden script, rows on the embedded engine.
#include "OraTestSupport.h"
#include "KxGMappingCompletion.h"
#include "VersioningScenario.h"

using namespace versiontest;

namespace {

// ---- Oracle --------------------------------------------------------------------------------------------

class OracleVersioning : public oratest::DatabaseTest {
protected:
    OracleVersioning() : DatabaseTest({.prefix = "VM_", .users = {{"S", "s", true}}}) {}

    Engine MakeEngine()
    {
        return Engine{db_.get(),
                      [this](const std::string& sql) {
                          sqlengine::Error err;
                          auto session = sqlengine::Session::Begin(server_, "S", "s", err);
                          ASSERT_TRUE(session) << err.message;
                          oratest::RunOn(*session, sql);
                          oratest::RunOn(*session, "COMMIT");
                          session->End();
                      },
                      [this](const std::string& sql) { return Rows(server_, "S", "s", sql); }};
    }
};

TEST_F(OracleVersioning, ChangedClassesKeepTheirRows)
{
    Engine engine = MakeEngine();
    RunScenario(engine, "oracle.sql");
}

TEST_F(OracleVersioning, KindsSetsAndMovedMembers)
{
    Engine engine = MakeEngine();
    RunStructures(engine, "oracle-structures.sql");
}

TEST_F(OracleVersioning, AnUnchangedDictionaryYieldsNoStatements)
{
    Side old;
    Side now;
    Load(db_.get(), kVersion1, 0, old);
    Load(db_.get(), kVersion1, 1, now);
    KxGSchemaVersioning versioning(*old.map, *now.map, 1);
    OwnedList list;
    ASSERT_EQ(versioning.Run(list), 0);
    EXPECT_EQ(Script(list), "");
    EXPECT_FALSE(versioning.IsChanged());
    EXPECT_TRUE(versioning.GetWarnings().empty());
    // A second run appends nothing.
    ASSERT_EQ(versioning.Run(list), 0);
    EXPECT_EQ(list.Count(), 0u);
}

}  // namespace

// ---- cases of classes, sets and warnings: the script made, and the script run over the old schema -----

namespace {

struct Case {
    const char* name;
    const char* before;
    const char* after;
    std::vector<std::pair<const char*, const char*>> oldStore;  // class -> STORE option of the old side
    std::vector<std::pair<const char*, const char*>> newStore;  // ... of the new side
    std::vector<std::pair<const char*, const char*>> setStorage; // class -> SET_STORAGE_TYPE of the new side
    std::vector<std::string> expected;                           // parts of the script, in order
    std::vector<std::string> absent;                             // texts the script must not hold
    std::vector<std::string> warnings;
};

class OracleVersioningCases : public OracleVersioning {
protected:
    void LoadWith(const char* text, uint16_t revision, Side& side, const std::vector<std::pair<const char*, const char*>>& store,
                  const std::vector<std::pair<const char*, const char*>>& sets)
    {
        KxString error;
        ASSERT_EQ(KxClassDict::Parse(text, KxString("classes.kxd"), side.dictionary, &error), 0) << Text(error);
        side.map = std::make_unique<KxGCreationSchemaMap>(db_.get(), side.dictionary.get(), &KxGClassLoader::Instance());
        side.map->SetRevision(revision);
        for (const auto& [name, word] : store) {
            ASSERT_EQ(side.map->GetOptionRegistry().ProcessOption(KxString(name), KxString("*"), KxString("STORE"),
                                                                  KxString(word), 1),
                      0);
        }
        for (const auto& [name, word] : sets) {
            ASSERT_EQ(side.map->GetOptionRegistry().ProcessOption(KxString(name), KxString("*"),
                                                                  KxString("SET_STORAGE_TYPE"), KxString(word), 1),
                      0);
        }
        ASSERT_EQ(side.map->LoadClassSchemas(), 0);
    }
};

TEST_F(OracleVersioningCases, ScriptsRunOverTheOldSchema)
{
    KxGInstallMappingCompletion(true);
    const Case cases[] = {
        {"a universal child gains a member; a new child's columns join the universal table",
         "dictionary d\nclass 1.1 Shape\nmember area double\nclass 2.1 Circle bases=Shape\nmember size double\n",
         "dictionary d\nclass 1.1 Shape\nmember area double\nclass 2.2 Circle bases=Shape\nmember size double\n"
         "member radius int\nclass 3.1 Square bases=Shape\nmember edge int\n",
         {{"Shape", "UNIVERSAL"}},
         {{"Shape", "UNIVERSAL"}},
         {},
         {"ALTER TABLE S.SHAPEC1V0 ADD\n( RADIUS1V1 NUMBER (38) DEFAULT 0 )",
          "ALTER TABLE S.SHAPEC1V0 ADD\n( EDGE0V1 NUMBER (38) DEFAULT 0 )"},
         {"CREATE TABLE", "DROP"},
         {}},
        {"a set's element retyped: a new column filled from the old one, the old one dropped",
         "dictionary d\nclass 1.1 Holder\nmember tags set:TagSet\ntypeset 900.1 TagSet int\n",
         "dictionary d\nclass 1.1 Holder\nmember tags set:TagSet\ntypeset 900.2 TagSet string\n",
         {},
         {},
         {},
         {"ALTER TABLE S.TAGSC1P0V0 ADD\n( DATA3V1 VARCHAR2 (50) )", "UPDATE S.TAGSC1P0V0 SET DATA3V1 = DATA0V0",
          "ALTER TABLE S.TAGSC1P0V0 DROP (DATA0V0)"},
         {"CREATE TABLE", "WHERE CID"},
         {}},
        {"a set packed into the blob container drops its table and warns",
         "dictionary d\nclass 1.1 Holder\nmember label string count=10\nmember tags set:TagSet\n"
         "typeset 900.1 TagSet int\n",
         "dictionary d\nclass 1.2 Holder\nmember label string count=10\nmember tags set:TagSet\n"
         "typeset 900.1 TagSet int\n",
         {},
         {},
         {{"Holder", "BLOB,400"}},
         {"ALTER TABLE S.HOLDERC1V0 ADD\n( BLOB_CONTAINER LONG RAW )", "DROP TABLE S.TAGSC1P0V0"},
         {},
         {"6153 tags"}},
        {"a value member that became a set: each value becomes its object's first element",
         "dictionary d\nclass 1.1 Holder\nmember tags int\n",
         "dictionary d\nclass 1.2 Holder\nmember tags set:TagSet\ntypeset 900.1 TagSet int\n",
         {},
         {},
         {},
         {"CREATE TABLE S.TAGSC1P0V1", "INSERT INTO S.TAGSC1P0V1 ( OID, CID, EID, DATA0V0)\n SELECT OID, CID, 1, "
                                       "TAGS0V0 FROM S.HOLDERC1V0 WHERE CID = 1",
          "ALTER TABLE S.HOLDERC1V0 DROP (TAGS0V0)"},
         {},
         {}},
        {"rows copied to a new table lose a blob's values: warned",
         "dictionary d\nclass 1.1 Doc\nmember body blob\n",
         "dictionary d\nclass 1.1 Doc\nmember body blob\n",
         {},
         {{"Doc", "ALL"}},
         {},
         {"CREATE TABLE S.DOCC1V1", "INSERT INTO S.DOCC1V1", "DROP TABLE S.DOCC1V0"},
         {},
         {"6152 Doc"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Side old;
        Side now;
        LoadWith(c.before, 0, old, c.oldStore, {});
        LoadWith(c.after, 1, now, c.newStore, c.setStorage);
        if (HasFatalFailure()) {
            return;
        }
        OwnedList create;
        for (KxGClass* mapped : old.map->GetStoredClasses()) {
            ASSERT_EQ(mapped->GetClassMap()->GetStoreHdl()->CreateClassTable(create), 0);
            ASSERT_EQ(mapped->GetClassMap()->GetStoreHdl()->CreateMemberTables(create), 0);
        }
        sqlengine::Error err;
        auto session = sqlengine::Session::Begin(server_, "S", "s", err);
        ASSERT_TRUE(session) << err.message;
        for (uint32_t i = 0; i < create.Count(); ++i) {
            oratest::RunOn(*session, Text(create.GetTemplate(i)->GetSQLText()));
        }

        KxGSchemaVersioning versioning(*old.map, *now.map, 1);
        std::vector<std::string> warnings;
        versioning.SetReporter([&](int32_t code, const KxString& text) {
            warnings.push_back(std::to_string(code) + " " + Text(text));
        });
        OwnedList list;
        ASSERT_EQ(versioning.Run(list), 0);
        const std::string script = Script(list);
        size_t at = 0;
        for (const std::string& part : c.expected) {
            const size_t found = script.find(part, at);
            EXPECT_NE(found, std::string::npos) << part << "\nin\n" << script;
            at = found == std::string::npos ? at : found + part.size();
        }
        for (const std::string& part : c.absent) {
            EXPECT_EQ(script.find(part), std::string::npos) << part << "\nin\n" << script;
        }
        EXPECT_EQ(warnings, c.warnings);
        for (uint32_t i = 0; i < list.Count(); ++i) {
            oratest::RunOn(*session, Text(list.GetTemplate(i)->GetSQLText()));
        }
        // Each case on a schema of its own: drop what the case made.
        for (const auto& row : oratest::RowTexts(oratest::RunOn(*session, "SELECT OBJECT_NAME FROM USER_OBJECTS WHERE OBJECT_TYPE = 'TABLE'"))) {
            oratest::RunOn(*session, "DROP TABLE S." + row[0]);
        }
        session->End();
    }
    KxGInstallMappingCompletion(false);
}

// Three versions, each compared with the one before: a member retyped without conversion keeps its old
// column, and when it is retyped back the new column must not take that kept column's name.
TEST_F(OracleVersioningCases, ChainedVersionsNeverMeetAKeptColumn)
{
    const char* versions[] = {
        "dictionary d\nclass 1.1 Item\nmember code int\n",
        "dictionary d\nclass 1.2 Item\nmember code blob\n",
        "dictionary d\nclass 1.3 Item\nmember code int\n",
    };
    Side sides[3];
    for (uint16_t v = 0; v < 3; ++v) {
        LoadWith(versions[v], v, sides[v], {}, {});
    }
    if (HasFatalFailure()) {
        return;
    }
    sqlengine::Error err;
    auto session = sqlengine::Session::Begin(server_, "S", "s", err);
    ASSERT_TRUE(session) << err.message;
    OwnedList create;
    ASSERT_EQ(sides[0].map->FindClass(1)->GetClassMap()->GetStoreHdl()->CreateClassTable(create), 0);
    oratest::RunOn(*session, Text(create.GetTemplate(0)->GetSQLText()));
    oratest::RunOn(*session, "INSERT INTO S.ITEMC1V0 (OID, CID, CODE0V0) VALUES (1, 1, 17)");
    std::string scripts;
    for (uint16_t v = 1; v < 3; ++v) {
        // The map of the version before, as the run before left its names, is the stored schema.
        KxGSchemaVersioning versioning(*sides[v - 1].map, *sides[v].map, v);
        OwnedList list;
        ASSERT_EQ(versioning.Run(list), 0);
        EXPECT_EQ(versioning.GetWarnings().size(), 1u);
        scripts += Script(list);
        for (uint32_t i = 0; i < list.Count(); ++i) {
            oratest::RunOn(*session, Text(list.GetTemplate(i)->GetSQLText()));
        }
    }
    EXPECT_EQ(scripts, "ALTER TABLE S.ITEMC1V0 ADD\n( CODE0V1 LONG RAW );\n"
                       "ALTER TABLE S.ITEMC1V0 ADD\n( CODE0V2 NUMBER (38) DEFAULT 0 );\n");
    // The first value is still there, in the column of the first version.
    EXPECT_EQ(oratest::RowTexts(oratest::RunOn(*session, "SELECT CODE0V0, CODE0V2 FROM S.ITEMC1V0")),
              (std::vector<std::vector<std::string>>{{"17", "0"}}));
    session->End();
}

// The map array grows to hold a class number past its room and answers null past its end.
TEST(VersioningMapArray, GrowsByItsStep)
{
    KxGVersioningMapArray maps(200, 20);
    EXPECT_EQ(maps.GetCapacity(), 200u);
    EXPECT_EQ(maps.Get(5000), nullptr);
    KxGVersioningContext context;
    ASSERT_EQ(maps.Set(205, std::make_unique<KxGNewVersioningMap>(nullptr, nullptr, nullptr, &context)), 0);
    EXPECT_EQ(maps.GetCapacity(), 225u);
    EXPECT_NE(maps.Get(205), nullptr);
    ASSERT_EQ(maps.Set(210, nullptr), 0);
    EXPECT_EQ(maps.GetCapacity(), 225u);
    ASSERT_EQ(maps.Set(226, nullptr), 0);
    EXPECT_EQ(maps.GetCapacity(), 246u);
}

}  // namespace
