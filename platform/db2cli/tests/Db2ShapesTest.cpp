// The DB2 statement shapes the adapter generates, executed on the engine and read back.
#include "Db2Fixture.h"

namespace db2test {
namespace {

TEST_F(Db2Test, Placeholder) {}

}  // namespace
}  // namespace db2test
