// Version all and convert through the schema mapper, on the embedded engine, for the Oracle and the DB2
// adapter: a schema created for dictionary revision 1 holds rows; the dictionary then changes (a member
// added, one removed, one retyped with a conversion, one converted in place, one retyped without any
// conversion, a class added, an index added and one removed). The versioning script is compared with
// the golden file of the adapter; run online, the rows keep their data and the gateway's reader reads
// them through the catalog of the new dictionary. The catalog rows of the old class version stay.
//
// ROG_UPDATE_GOLDEN=1 in the environment writes the golden files instead of comparing them.
#include "MapperOnEngine.h"

namespace {

const char kHead1[] = "dictionary evo server=LOCAL logical=evo revision=1 created=2025-03-01T10:00:00 "
                      "modified=2025-03-01T10:00:00\n";
const char kHead2[] = "dictionary evo server=LOCAL logical=evo revision=2 created=2025-03-01T10:00:00 "
                      "modified=2025-04-01T09:00:00\n";

// Revision 1: a party with values of several types and two indexes; a pet.
const char kParty1[] = R"(class 2.1 Party
member name string count=40
member age int
member note string count=20
member code int
member score int
index PartyByName name
index PartyByScore score
class 3.1 Pet
member kind string count=10
)";

// Revision 2 keeps Party's first version beside its second: age becomes a text (a new column filled
// from the old one), note shorter (converted in place), code a blob (no conversion: a new empty column,
// the old one kept), score removed, email added with an index, PartyByScore gone; a new class Toy.
const char kParty2[] = R"(class 2.2 Party
member name string count=40
member age string count=12
member note string count=10
member code blob
member email string count=30
index PartyByName name
index PartyByEmail email
class 4.1 Toy
member label string count=15
index ToyByLabel label
)";

using namespace mappertest;

class VersionAll : public MapperOnEngine {
protected:
    void SetUp() override
    {
        MapperOnEngine::SetUp();
        Dictionary(1);
    }

    static std::string DictionaryText(int revision)
    {
        return revision == 1 ? std::string(kHead1) + kParty1 : std::string(kHead2) + kParty1 + kParty2;
    }

    void Dictionary(int revision) { WriteDictionary(DictionaryText(revision)); }

    std::vector<std::vector<std::string>> ReadObjects(int revision, uint16_t classNumber,
                                                      const std::vector<uint32_t>& ids,
                                                      const std::vector<std::string>& members)
    {
        return MapperOnEngine::ReadObjects(DictionaryText(revision), classNumber, ids, members);
    }
};

std::string Stable(std::string script)
{
    // The creation time of the schema is the only text that changes from run to run.
    script = std::regex_replace(script, std::regex("'DatabaseStamp','[^']*'"), "'DatabaseStamp','<now>'");
    return std::regex_replace(script, std::regex("KEYVALUE = '[^']*' WHERE KEYID = 'DatabaseStamp'"),
                              "KEYVALUE = '<now>' WHERE KEYID = 'DatabaseStamp'");
}

void CompareGolden(const std::string& made, const std::string& name)
{
    const std::string golden = std::string(MAPPER_GOLDEN_DIR) + "/" + name;
    if (std::getenv("ROG_UPDATE_GOLDEN") != nullptr) {
        WriteFile(golden, made);
        return;
    }
    EXPECT_EQ(made, ReadFile(golden)) << "golden file " << golden;
}

TEST_P(VersionAll, ChangedClassesKeepTheirRowsAndReadBackThroughTheNewDictionary)
{
    ASSERT_EQ(Run({"-c", "-r"}), 0) << Log();
    Query("INSERT INTO " + Q("PARTYC2V0") +
          " (OID, CID, NAME0V0, AGE1V0, NOTE2V0, CODE3V0, SCORE4V0) VALUES (1, 2, 'Ann', 41, 'hello', 7, 99)");
    Query("INSERT INTO " + Q("PARTYC2V0") +
          " (OID, CID, NAME0V0, AGE1V0, NOTE2V0, CODE3V0, SCORE4V0) VALUES (2, 2, 'Bob', 5, 'a long note!', 8, 1)");
    Query("INSERT INTO " + Q("PETC3V0") + " (OID, CID, KIND0V0) VALUES (3, 3, 'cat')");

    // The unchanged dictionary needs nothing.
    ASSERT_EQ(Run({"-v", "-r"}), 0) << Log();
    EXPECT_TRUE(Has(Log(), "Schema is up to date, no versioning required \n")) << Log();
    EXPECT_EQ(Script(), "");

    Dictionary(2);
    ASSERT_EQ(Run({"-v", "-r"}), 0) << Log();
    EXPECT_TRUE(Has(Log(), "Creating script for versioning ...")) << Log();
    EXPECT_TRUE(Has(Log(), "possible loss of data")) << Log();
    EXPECT_TRUE(Has(Log(), "RELGEN terminated with 1 warning(s)")) << Log();
    CompareGolden(Stable(Script()), GetParam().golden);

    // The rows keep their data: age converted into its new column, note cut in place, the retyped code
    // starts empty beside its old column, email empty; the pet untouched.
    const std::string table = Q("PARTYC2V0");
    EXPECT_EQ(Query("SELECT OID, NAME0V0, AGE1V1, NOTE2V0, CODE3V0, EMAIL4V1 FROM " + table + " ORDER BY OID"),
              (Rows{{"1", "Ann", "41", "hello", "7", "NULL"}, {"2", "Bob", "5", "a long not", "8", "NULL"}}))
        << Script();
    EXPECT_EQ(Query("SELECT COUNT(*) FROM " + table + " WHERE CODE3V1 IS NULL"), (Rows{{"2"}}));
    EXPECT_EQ(Query("SELECT KIND0V0 FROM " + Q("PETC3V0")), (Rows{{"cat"}}));
    EXPECT_EQ(Query("SELECT COUNT(*) FROM " + Q("TOYC4V1")), (Rows{{"0"}}));

    // The catalog: both versions of Party; the index rows follow the indexes.
    EXPECT_EQ(Query("SELECT CLASS_ID, VERSION, TABLE_NAME FROM " + Q("KELVOX_CLASSES") + " ORDER BY CLASS_ID, VERSION"),
              (Rows{{"2", "1", "PARTYC2V0"}, {"2", "2", "PARTYC2V0"}, {"3", "1", "PETC3V0"}, {"4", "1", "TOYC4V1"}}));
    EXPECT_EQ(Query("SELECT COUNT(*) FROM " + Q("KELVOX_MEMBERS") + " WHERE CLASS_ID = 2 AND VERSION = 1"),
              (Rows{{"5"}}));
    EXPECT_EQ(Query("SELECT MEMBER_NAME, COLUMN_NAME FROM " + Q("KELVOX_MEMBERS") +
                    " WHERE CLASS_ID = 2 AND VERSION = 2 ORDER BY MEMBER_NAME"),
              (Rows{{"2.age", "AGE1V1"}, {"2.code", "CODE3V1"}, {"2.email", "EMAIL4V1"}, {"2.name", "NAME0V0"},
                    {"2.note", "NOTE2V0"}}));
    EXPECT_EQ(Query("SELECT KELVOX_INDEX_NAME, CLASS_ID FROM " + Q("KELVOX_INDEXES") + " ORDER BY KELVOX_INDEX_NAME"),
              (Rows{{"PartyByEmail", "2"}, {"PartyByName", "2"}, {"ToyByLabel", "4"}}));
    EXPECT_EQ(Query("SELECT KEYVALUE FROM " + Q("ROOTBLOCK") + " WHERE KEYID = 'DictionaryRevision'"), (Rows{{"2"}}));
    EXPECT_EQ(Query("SELECT KEYVALUE FROM " + Q("ROOTBLOCK") + " WHERE KEYID = 'ROGWRevision'"), (Rows{{"1"}}));
    EXPECT_EQ(Query("SELECT COUNT(*) FROM " + Q("ROOTBLOCK")), Query("SELECT COUNT(DISTINCT KEYID) FROM " + Q("ROOTBLOCK")));

    // Read back through the catalog of the new dictionary.
    EXPECT_EQ(ReadObjects(2, 2, {1, 2, 9}, {"name", "age", "note", "email"}),
              (std::vector<std::vector<std::string>>{
                  {"Ann", "41", "hello", ""}, {"Bob", "5", "a long not", ""}, {"-", "", "", "", ""}}));
    EXPECT_EQ(ReadObjects(2, 3, {3}, {"kind"}), (std::vector<std::vector<std::string>>{{"cat"}}));
    // And through the kernel's own road.
    EXPECT_EQ(ReadThroughKernel(KxClassId(2, 2), {1, 2}, {"name", "age", "note", "email"}),
              (std::vector<std::vector<std::string>>{{"Ann", "41", "hello", ""}, {"Bob", "5", "a long not", ""}}));

    // A second run over the same dictionary finds nothing to do; convert finds the schema current.
    ASSERT_EQ(Run({"-v", "-r"}), 0) << Log();
    EXPECT_TRUE(Has(Log(), "Schema is up to date, no versioning required \n")) << Log();
    ASSERT_EQ(Run({"-n", "-r"}), 0) << Log();
    EXPECT_TRUE(Has(Log(), "Schema is up to date, no conversion required \n")) << Log();
    // Drop reads the new revision's names and removes the schema.
    ASSERT_EQ(Run({"-d", "-r"}), 0) << Log();
}

// Convert by stored schema version: up to 511 the old layout is converted (here as a script only: the
// run is connected but not online), 512 to 767 and 768 online. The lock trigger of an old layout is
// dropped under its old name, and only while the conversion drops it: a later drop uses the new name.
TEST_P(VersionAll, ConvertScriptsByStoredVersion)
{
    ASSERT_EQ(Run({"-c", "-r"}), 0) << Log();
    const std::string product = GetParam().name;
    const struct {
        const char* stored;
        const char* message;
        bool online;
    } cases[] = {
        {"511", "Schema was created by an older version of RELGEN\n", false},
        {"767", "Schema was created with version 1.2 beta 1 of RELGEN\n", true},
        {"768", "Schema was created with version 1.2 beta 2 of RELGEN\n", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        Query("UPDATE " + Q("ROOTBLOCK") + " SET KEYVALUE = '" + c.stored + "' WHERE KEYID = 'RO GW Version'");
        std::vector<std::string> args = {"-n"};
        if (c.online) {
            args.push_back("-r");
        }
        ASSERT_EQ(Run(args), 0) << Log();
        EXPECT_TRUE(Has(Log(), c.message)) << Log();
        CompareGolden(Stable(Script()), "convert-" + std::string(c.stored) + "-" + product + ".sql");
        EXPECT_EQ(Query("SELECT KEYVALUE FROM " + Q("ROOTBLOCK") + " WHERE KEYID = 'RO GW Version'"),
                  (Rows{{c.online ? "1024" : c.stored}}));
        if (!c.online) {
            const std::string script = Script();
            if (product == "DB2") {
                EXPECT_TRUE(Has(script, "DROP TRIGGER GWDB.AQUIRE_LOCK\n")) << script;
                EXPECT_TRUE(Has(script, "CREATE TRIGGER GWDB.ACQUIRE_LOCK\n")) << script;
            }
            EXPECT_TRUE(Has(script, "CREATE TABLE " + Q("KELVOX_CLASSES"))) << script;
            Query("UPDATE " + Q("ROOTBLOCK") + " SET KEYVALUE = '1024' WHERE KEYID = 'RO GW Version'");
        }
    }
    // The catalog rows written again describe the schema: the reader finds the pet.
    Query("INSERT INTO " + Q("PETC3V0") + " (OID, CID, KIND0V0) VALUES (3, 3, 'cat')");
    EXPECT_EQ(ReadObjects(1, 3, {3}, {"kind"}), (std::vector<std::vector<std::string>>{{"cat"}}));
    ASSERT_EQ(Run({"-d", "-r"}), 0) << Log();
    if (product == "DB2") {
        EXPECT_TRUE(Has(Script(), "DROP TRIGGER GWDB.ACQUIRE_LOCK\n")) << Script();
    }
}

// Only indexes change: an index the update log names as changed is made again although an equal one
// is stored (its old index and row go first); a new unique index warns. The class rows stay as they are.
TEST_P(VersionAll, IndexesOnlyChangedFollowTheUpdateLog)
{
    ASSERT_EQ(Run({"-c", "-r"}), 0) << Log();
    Query("INSERT INTO " + Q("PETC3V0") + " (OID, CID, KIND0V0) VALUES (3, 3, 'cat')");
    WriteFile(dir_ + "/dicts/evo/classes.kxd",
              std::string(kHead2) + kParty1 + "index PetByKind unique kind\nupdate 2 2 PartyByName\n");
    ASSERT_EQ(Run({"-v", "-r"}), 0) << Log();
    EXPECT_TRUE(Has(Log(), "Warning : a new UNIQUE index is created\n")) << Log();
    EXPECT_TRUE(Has(Log(), "RELGEN terminated with 1 warning(s)")) << Log();
    const std::string script = Script();
    const size_t dropped = script.find("DROP INDEX " + Q("PARTYBYNAME21"));
    const size_t made = script.find("CREATE INDEX " + Q("PARTYBYNAME21"));
    EXPECT_NE(dropped, std::string::npos) << script;
    EXPECT_NE(made, std::string::npos) << script;
    EXPECT_LT(dropped, made) << script;
    EXPECT_TRUE(Has(script, "CREATE UNIQUE INDEX " + Q("PETBYKIND31"))) << script;
    EXPECT_FALSE(Has(script, "PARTYBYSCORE22")) << script;
    EXPECT_FALSE(Has(script, "KELVOX_CLASSES")) << script;
    EXPECT_EQ(Query("SELECT KELVOX_INDEX_NAME, SQL_INDEX_NAME FROM " + Q("KELVOX_INDEXES") + " ORDER BY KELVOX_INDEX_NAME"),
              (Rows{{"PartyByName", "PARTYBYNAME21"}, {"PartyByScore", "PARTYBYSCORE22"}, {"PetByKind", "PETBYKIND31"}}));
    EXPECT_EQ(Query("SELECT KEYVALUE FROM " + Q("ROOTBLOCK") + " WHERE KEYID = 'DictionaryRevision'"), (Rows{{"2"}}));
    EXPECT_EQ(ReadObjects(1, 3, {3}, {"kind"}), (std::vector<std::vector<std::string>>{{"cat"}}));
}

// A dictionary changed since the schema's creation cannot convert an old layout.
TEST_P(VersionAll, AnOldLayoutNeedsTheDictionaryItWasMadeWith)
{
    ASSERT_EQ(Run({"-c", "-r"}), 0) << Log();
    Query("UPDATE " + Q("ROOTBLOCK") + " SET KEYVALUE = '511' WHERE KEYID = 'RO GW Version'");
    Query("UPDATE " + Q("ROOTBLOCK") + " SET KEYVALUE = '2025-04-01 09:00:00' WHERE KEYID = 'DictionaryModifyStamp'");
    WriteFile(dir_ + "/dicts/evo/classes.kxd", std::string(kHead1).replace(std::string(kHead1).find("modified=2025-03-01T10:00:00"),
                                                                              28, "modified=2025-04-01T09:00:00") +
                                                   kParty1);
    EXPECT_EQ(Run({"-n", "-r"}), KXG_E_DICTIONARY_VERSION) << Log();
    EXPECT_TRUE(Has(Log(), "Error : Wrong dictionary version")) << Log();
    EXPECT_EQ(Query("SELECT KEYVALUE FROM " + Q("ROOTBLOCK") + " WHERE KEYID = 'RO GW Version'"), (Rows{{"511"}}));
}

INSTANTIATE_TEST_SUITE_P(Products, VersionAll,
                         ::testing::Values(Product{"Oracle", "Oracle", "version-oracle.sql"},
                                           Product{"DB2", "DB2", "version-db2.sql"}),
                         [](const ::testing::TestParamInfo<Product>& info) { return std::string(info.param.name); });

}  // namespace
