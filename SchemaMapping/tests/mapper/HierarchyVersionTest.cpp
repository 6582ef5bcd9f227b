// Version all over class hierarchies, on the embedded engine through both adapters: objects stored
// through the kernel before the run read back after it through the extent views, the gateway's
// reader and the kernel; a run that fails part-way is completed by the next one; the catalog rows
// describe every column of a class, its bases' included, and the newest version of a member wins.
#include "MapperOnEngine.h"

namespace {

using namespace mappertest;

const char kHead1[] = "dictionary evo server=LOCAL logical=evo revision=1 created=2025-03-01T10:00:00 "
                      "modified=2025-03-01T10:00:00\n";
const char kHead2[] = "dictionary evo server=LOCAL logical=evo revision=2 created=2025-03-01T10:00:00 "
                      "modified=2025-04-01T09:00:00\n";

using Values = std::vector<std::vector<std::string>>;

// One read after the run: a class number, object ids, members and the expected texts.
struct Read {
    uint16_t classNumber;
    std::vector<uint32_t> ids;
    std::vector<std::string> members;
    Values expected;
};

struct Case {
    const char* name;
    const char* before;                    // the classes of revision 1
    const char* after;                     // the classes of revision 2 (the old versions kept)
    std::vector<MapperOnEngine::Stored> stored;   // stored through the kernel before the run
    std::vector<std::pair<const char*, int>> views;   // extent views and their row counts after it
    std::vector<Read> reads;
};

const Case kCases[] = {
    // The subclass keeps its version while its base gains a member: the old base version has no
    // subclass, the new one has.
    {"BaseChangedSubclassKeepsItsVersion",
     "class 2.1 A\nmember x int\nclass 3.1 B bases=A\nmember y int\n",
     "class 2.1 A\nmember x int\nclass 2.2 A\nmember x int\nmember z int\nclass 3.1 B bases=A\nmember y int\n",
     {{1, KxClassId(2, 1), {{"x", 11}}}, {2, KxClassId(3, 1), {{"x", 21}, {"y", 22}}}},
     {{"VA2", 2}},
     {{2, {1}, {"x", "z"}, {{"11", "0"}}}, {3, {2}, {"x", "y", "z"}, {{"21", "22", "0"}}}}},
    {"BaseChangedOneLevel",
     "class 2.1 A\nmember x int\nclass 3.1 B bases=A\nmember y int\n",
     "class 2.1 A\nmember x int\nclass 2.2 A\nmember x int\nmember z int\n"
     "class 3.1 B bases=A@1\nmember y int\nclass 3.2 B bases=A\nmember y int\n",
     {{1, KxClassId(2, 1), {{"x", 11}}}, {2, KxClassId(3, 1), {{"x", 21}, {"y", 22}}}},
     {{"VA2", 2}},
     {{2, {1}, {"x", "z"}, {{"11", "0"}}}, {3, {2}, {"x", "y", "z"}, {{"21", "22", "0"}}}}},
    {"BaseChangedTwoLevels",
     "class 2.1 A\nmember x int\nclass 3.1 B bases=A\nmember y int\nclass 4.1 C bases=B\nmember w int\n",
     "class 2.1 A\nmember x int\nclass 2.2 A\nmember x int\nmember z int\n"
     "class 3.1 B bases=A@1\nmember y int\nclass 3.2 B bases=A\nmember y int\n"
     "class 4.1 C bases=B@1\nmember w int\nclass 4.2 C bases=B\nmember w int\n",
     {{1, KxClassId(2, 1), {{"x", 11}}},
      {2, KxClassId(3, 1), {{"x", 21}, {"y", 22}}},
      {3, KxClassId(4, 1), {{"x", 31}, {"y", 32}, {"w", 33}}}},
     {{"VA2", 3}, {"VB3", 2}},
     {{2, {1}, {"x", "z"}, {{"11", "0"}}},
      {3, {2}, {"x", "y"}, {{"21", "22"}}},
      {4, {3}, {"x", "y", "w", "z"}, {{"31", "32", "33", "0"}}}}},
    {"SubclassChanged",
     "class 2.1 A\nmember x int\nclass 3.1 B bases=A\nmember y int\n",
     "class 2.1 A\nmember x int\nclass 3.1 B bases=A\nmember y int\nclass 3.2 B bases=A\nmember y int\nmember z int\n",
     {{1, KxClassId(2, 1), {{"x", 11}}}, {2, KxClassId(3, 1), {{"x", 21}, {"y", 22}}}},
     {{"VA2", 2}},
     {{2, {1}, {"x"}, {{"11"}}}, {3, {2}, {"x", "y", "z"}, {{"21", "22", "0"}}}}},
    // B has no members of its own: its rows live in A's table until it gets one and a table.
    {"StoreKindChanged",
     "class 2.1 A\nmember x int\nclass 3.1 B bases=A\n",
     "class 2.1 A\nmember x int\nclass 3.1 B bases=A\nclass 3.2 B bases=A\nmember y int\n",
     {{1, KxClassId(2, 1), {{"x", 11}}}, {2, KxClassId(3, 1), {{"x", 21}}}},
     {{"VA2", 2}},
     {{2, {1}, {"x"}, {{"11"}}}, {3, {2}, {"x", "y"}, {{"21", "0"}}}}},
    {"MemberMovedToTheBase",
     "class 2.1 A\nmember x int\nclass 3.1 B bases=A\nmember y int\nmember w int\n",
     "class 2.1 A\nmember x int\nclass 2.2 A\nmember x int\nmember y int\n"
     "class 3.1 B bases=A@1\nmember y int\nmember w int\nclass 3.2 B bases=A\nmember w int\n",
     {{1, KxClassId(2, 1), {{"x", 11}}}, {2, KxClassId(3, 1), {{"x", 21}, {"y", 22}, {"w", 23}}}},
     {{"VA2", 2}},
     {{2, {1}, {"x", "y"}, {{"11", "0"}}}, {3, {2}, {"x", "y", "w"}, {{"21", "22", "23"}}}}},
};

class HierarchyVersion : public MapperOnEngine {
protected:
    // The rows of a case read back; each failure names the class and the road.
    void ExpectRows(const Case& c)
    {
        const std::string text = std::string(kHead2) + c.after;
        for (const auto& [view, count] : c.views) {
            EXPECT_EQ(Query("SELECT COUNT(*) FROM " + Q(view)), (Rows{{std::to_string(count)}})) << view;
        }
        for (const Read& read : c.reads) {
            SCOPED_TRACE("class " + std::to_string(read.classNumber));
            EXPECT_EQ(ReadObjects(text, read.classNumber, read.ids, read.members), read.expected);
            std::unique_ptr<KxClassDict> dictionary;
            ASSERT_EQ(KxClassDict::Parse(text, KxString("classes.kxd"), dictionary), 0);
            const KxClassId current(read.classNumber,
                                    dictionary->GetCurrentVersion(read.classNumber)->GetVersion());
            EXPECT_EQ(ReadThroughKernel(current, read.ids, read.members), read.expected);
        }
    }
};

TEST_P(HierarchyVersion, ChangedHierarchiesKeepEveryRowAndASecondRunFindsNothingToDo)
{
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        WriteDictionary(std::string(kHead1) + c.before);
        ASSERT_EQ(Run({"-c", "-r"}), 0) << Log();
        ASSERT_EQ(StoreThroughKernel(c.stored), 0);
        WriteDictionary(std::string(kHead2) + c.after);
        ASSERT_EQ(Run({"-v", "-r"}), 0) << Log() << Script();
        ExpectRows(c);
        ASSERT_EQ(Run({"-v", "-r"}), 0) << Log();
        EXPECT_TRUE(Has(Log(), "Schema is up to date, no versioning required \n")) << Log();
        ASSERT_EQ(Run({"-d", "-r"}), 0) << Log();
    }
}

// The server refuses one statement of the versioning part-way (after tables were altered and rows
// moved): the run fails; the catalog still describes the old schema; a second run completes the
// work and the rows read back.
TEST_P(HierarchyVersion, AFailedRunIsCompletedByTheNext)
{
    for (const Case& c : kCases) {
        // Statements of the versioning list, of the views made again, of the grants and of the
        // catalog; the marks the mapper keeps in ROOTBLOCK are not among them.
        const std::string catalog = "INSERT INTO " + Q("KELVOX_CLASSES");
        for (const std::string& refused : {std::string("DELETE FROM"), std::string("CREATE VIEW"),
                                           std::string("SELECT OID"), std::string("GRANT "), catalog}) {
            SCOPED_TRACE(std::string(c.name) + " refusing " + refused);
            WriteDictionary(std::string(kHead1) + c.before);
            ASSERT_EQ(Run({"-c", "-r"}), 0) << Log();
            ASSERT_EQ(StoreThroughKernel(c.stored), 0);
            const Rows classesBefore = Query("SELECT CLASS_ID, VERSION, TABLE_NAME FROM " + Q("KELVOX_CLASSES") +
                                             " ORDER BY CLASS_ID, VERSION");
            WriteDictionary(std::string(kHead2) + c.after);
            // Dry run: which statements the versioning makes.
            ASSERT_EQ(Run({"-v"}), 0) << Log();
            const std::string planned = Script();
            if (!Has(planned, refused)) {
                WriteDictionary(std::string(kHead1) + c.before);
                ASSERT_EQ(Run({"-d", "-r"}), 0) << Log();
                continue;
            }
            FailStatementContaining(refused);
            EXPECT_NE(Run({"-v", "-r"}), 0) << Log();
            sqlengine::Engine::Instance().ClearInjectedFailures();
            EXPECT_EQ(Query("SELECT CLASS_ID, VERSION, TABLE_NAME FROM " + Q("KELVOX_CLASSES") +
                            " ORDER BY CLASS_ID, VERSION"),
                      classesBefore);
            ASSERT_EQ(Run({"-v", "-r"}), 0) << Log() << Script();
            ExpectRows(c);
            ASSERT_EQ(Run({"-v", "-r"}), 0) << Log();
            EXPECT_TRUE(Has(Log(), "Schema is up to date, no versioning required \n")) << Log();
            ASSERT_EQ(Run({"-d", "-r"}), 0) << Log();
        }
    }
}

// After a member is retyped, the runtime reads the new column: an object stored before the run is
// read after it in a fresh process with its value converted.
TEST_P(HierarchyVersion, ARetypedMemberIsReadFromItsNewColumn)
{
    WriteDictionary(std::string(kHead1) + "class 10.1 Pen\nmember price int\nmember ink int\n");
    ASSERT_EQ(Run({"-c", "-r"}), 0) << Log();
    ASSERT_EQ(StoreThroughKernel({{1, KxClassId(10, 1), {{"price", 7}, {"ink", 3}}}}), 0);
    WriteDictionary(std::string(kHead2) + "class 10.1 Pen\nmember price int\nmember ink int\n"
                                          "class 10.2 Pen\nmember price double\nmember ink int\n");
    ASSERT_EQ(Run({"-v", "-r"}), 0) << Log();
    // Both versions name the member; the old column is gone.
    EXPECT_EQ(Query("SELECT VERSION, COLUMN_NAME FROM " + Q("KELVOX_MEMBERS") +
                    " WHERE MEMBER_NAME = '10.price' ORDER BY VERSION"),
              (Rows{{"1", "PRICE0V0"}, {"2", "PRICE0V1"}}));
    EXPECT_EQ(ReadThroughKernel(KxClassId(10, 2), {1}, {"price", "ink"}), (Values{{"7", "3"}}));
    // Whatever order the server returns the rows in.
    for (const char* order : {"ASC", "DESC"}) {
        SCOPED_TRACE(order);
        const Rows rows = Query("SELECT CLASS_ID, VERSION, COLUMN_NAME, MEMBER_NAME FROM " + Q("KELVOX_MEMBERS") +
                                " ORDER BY VERSION " + order);
        Query("DELETE FROM " + Q("KELVOX_MEMBERS"));
        for (const auto& row : rows) {
            Query("INSERT INTO " + Q("KELVOX_MEMBERS") + " (CLASS_ID, VERSION, COLUMN_NAME, MEMBER_NAME) VALUES (" +
                  row[0] + ", " + row[1] + ", '" + row[2] + "', '" + row[3] + "')");
        }
        EXPECT_EQ(ReadThroughKernel(KxClassId(10, 2), {1}, {"price", "ink"}), (Values{{"7", "3"}}));
    }
}

// Every column of a subclass has its row under the subclass's id, the inherited ones included.
TEST_P(HierarchyVersion, TheCatalogNamesInheritedColumnsUnderTheSubclass)
{
    WriteDictionary(std::string(kHead1) + "class 20.1 Thing\nmember name int\nclass 21.1 Tool bases=Thing\n"
                                          "member size int\nclass 22.1 Saw bases=Tool\nmember teeth int\n");
    ASSERT_EQ(Run({"-c", "-r"}), 0) << Log();
    EXPECT_EQ(Query("SELECT CLASS_ID, MEMBER_NAME, COLUMN_NAME FROM " + Q("KELVOX_MEMBERS") +
                    " ORDER BY CLASS_ID, MEMBER_NAME"),
              (Rows{{"20", "20.name", "NAME0V0"},
                    {"21", "20.name", "NAME0V0"},
                    {"21", "21.size", "SIZE0V0"},
                    {"22", "20.name", "NAME0V0"},
                    {"22", "21.size", "SIZE0V0"},
                    {"22", "22.teeth", "TEETH0V0"}}));
}

INSTANTIATE_TEST_SUITE_P(Products, HierarchyVersion,
                         ::testing::Values(Product{"Oracle", "Oracle", ""}, Product{"DB2", "DB2", ""}),
                         [](const ::testing::TestParamInfo<Product>& info) { return std::string(info.param.name); });

}  // namespace
