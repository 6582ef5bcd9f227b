// Versioning maps through the DB2 adapter: golden script, rows on the embedded engine.
#include "DB2TestFixture.h"
#include "VersioningScenario.h"

using namespace versiontest;

namespace {

// ---- DB2 ------------------------------------------------------------------------------------------------

class DB2Versioning : public db2test::DB2Fixture {
protected:
    Engine MakeEngine()
    {
        return Engine{db_.get(),
                      [this](const std::string& sql) {
                          EXPECT_NE(db_->ExecuteDirect(sql.c_str()), 0) << sql << "\n" << db_->GetError()->Text();
                          db_->CommitConnection();
                      },
                      [this](const std::string& sql) { return Rows(server_, "DB2ADMIN", "pw", sql); }};
    }
};

TEST_F(DB2Versioning, ChangedClassesKeepTheirRows)
{
    Engine engine = MakeEngine();
    RunScenario(engine, "db2.sql");
}

TEST_F(DB2Versioning, KindsSetsAndMovedMembers)
{
    Engine engine = MakeEngine();
    RunStructures(engine, "db2-structures.sql");
}

}  // namespace
