// Which version each handler follows. Object ids and class ids follow the process's gateway version
// (GetROGVersion, fixed once per process: this file is built twice, for 779 and for 780); dates follow
// the connection's version (GetGatewayVersion of the database).
#include <gtest/gtest.h>

#include "KxDateTime.h"
#include "KxGatewayModule.h"
#include "KxObjId.h"
#include "OciFixture.h"

#ifndef ROG_TEST_VERSION
#error "ROG_TEST_VERSION must be defined"
#endif

using namespace oratypes;

namespace {

class ProcessVersion : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_EQ(SetROGVersion(ROG_TEST_VERSION), ROG_TEST_VERSION); }
};

const ::testing::Environment* const g_version = ::testing::AddGlobalTestEnvironment(new ProcessVersion);

constexpr bool kIdZeroIsNull = ROG_TEST_VERSION < 780;

class OraRogVersionTest : public OciFixture {
protected:
    // Stores the value in row k of S.T's column through a one-row buffer, as the gateway binds it.
    void Insert(const char* column, KxGTypeHdl* handler, int32_t k, void* value)
    {
        KxGMemoryLocation location(handler, value, true);
        KxGSQLBuffer buffer;
        location.JoinBuffer(buffer);
        buffer.Allocate(1);
        ASSERT_NE(location.Variable2SQLBuffer(buffer, &context_), nullptr);
        Statement insert(*this, std::string("INSERT INTO S.T ( K, ") + column + " ) VALUES ( " + std::to_string(k) +
                                    ", :1 )");
        insert.Bind(1, location, buffer);
        ASSERT_EQ(insert.Execute(1), OCI_SUCCESS) << LastError();
    }
};

TEST_F(OraRogVersionTest, ObjectIdAndClassIdZeroFollowTheProcessVersion)
{
    ASSERT_EQ(GetROGVersion(), ROG_TEST_VERSION);
    Exec("CREATE TABLE S.T ( K NUMBER (38), O NUMBER (38), C NUMBER (38) )");
    for (uint8_t code : {uint8_t(15), uint8_t(17)}) {
        KxGTypeHdl* handler = manager_->GetTypeHdl(code, 0, 0);
        KxObjId zero;
        EXPECT_EQ(handler->IsNullValue(&zero) != 0, kIdZeroIsNull);
        EXPECT_EQ(manager_->StoresEmptyAsNull(code, uint32_t(GetROGVersion())) != 0, kIdZeroIsNull);
        Insert("O", handler, code, &zero);
    }
    KxGTypeHdl* cid = manager_->GetTypeHdl(16, 0, 0);
    KxClassId noClass;
    EXPECT_EQ(cid->IsNullValue(&noClass) != 0, kIdZeroIsNull);
    Insert("C", cid, 16, &noClass);
    const int64_t nulls = kIdZeroIsNull ? 1 : 0;
    EXPECT_EQ(Count("SELECT COUNT(*) FROM S.T WHERE K = 15 AND O IS NULL"), nulls);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM S.T WHERE K = 17 AND O IS NULL"), nulls);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM S.T WHERE K = 16 AND C IS NULL"), nulls);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM S.T WHERE O = 0"), 2 - 2 * nulls);
    // Either way the id comes back as 0.
    KxGTypeHdl* oid = manager_->GetTypeHdl(15, 0, 0);
    KxGMemoryLocation location(oid, nullptr, true);
    KxGSQLBuffer buffer;
    location.JoinBuffer(buffer);
    buffer.Allocate(1);
    Statement select(*this, "SELECT O FROM S.T WHERE K = 15");
    select.Define(1, location, buffer);
    ASSERT_EQ(select.Execute(0), OCI_SUCCESS) << LastError();
    ASSERT_EQ(select.Fetch(1), OCI_SUCCESS) << LastError();
    KxObjId back(9, 9);
    ASSERT_NE(oid->SQLToVar(location.GetSQLAddress(buffer), &back, location.GetNullValueAddress(buffer), 1, &context_),
              nullptr);
    EXPECT_TRUE(back.IsNull());
}

TEST_F(OraRogVersionTest, DatesFollowTheConnectionVersionAndIdsTheProcessVersion)
{
    // The connection says the opposite of the process: each handler must follow its own source.
    const int32_t connectionVersion = ROG_TEST_VERSION < 780 ? 780 : 779;
    db_->SetGatewayVersion(connectionVersion);
    Exec("CREATE TABLE S.T ( K NUMBER (38), O NUMBER (38), D DATE )");
    KxObjId zero;
    Insert("O", manager_->GetTypeHdl(15, 0, 0), 1, &zero);
    KxDate invalid;
    KxGTypeHdl* date = manager_->GetTypeHdl(12, 0, 0);
    EXPECT_EQ(date->IsNullValue(&invalid) != 0, connectionVersion < 780);
    Insert("D", date, 2, &invalid);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM S.T WHERE K = 1 AND O IS NULL"), kIdZeroIsNull ? 1 : 0);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM S.T WHERE K = 2 AND D IS NULL"), connectionVersion < 780 ? 1 : 0);
}

}  // namespace
