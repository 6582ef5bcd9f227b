// Versioning maps through the Oracle adapter: golden script, rows on the embedded engine.
#include "OraTestSupport.h"
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
