// Version all and convert through the schema mapper, on the embedded engine, for the Oracle and the DB2
// adapter: a schema created for dictionary revision 1 holds rows; the dictionary then changes (a member
// added, one removed, one retyped with a conversion, one converted in place, one retyped without any
// conversion, a class added, an index added and one removed). The versioning script is compared with
// the golden file of the adapter; run online, the rows keep their data and the gateway's reader reads
// them through the catalog of the new dictionary. The catalog rows of the old class version stay.
//
// ROG_UPDATE_GOLDEN=1 in the environment writes the golden files instead of comparing them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "KxBase.h"
#include "KxClassDict.h"
#include "KxGCatalog.h"
#include "KxGClassLoader.h"
#include "KxGClassMapper.h"
#include "KxGDatabase.h"
#include "KxGMappingCompletion.h"
#include "KxGOperationEnvironment.h"
#include "KxGStatusCodes.h"
#include "KxGTransactionContext.h"
#include "KxGatewayClient.h"
#include "KxMetaType.h"
#include "KxObject.h"
#include "KxObjectReader.h"
#include "KxParameter.h"
#include "KxRoot.h"
#include "OraTestSupport.h"
#include "sqlengine.h"

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

std::string ReadText(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteText(const std::string& file, const std::string& text)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
}

std::string Text(const KxString& text)
{
    return text.IsActive() ? std::string(text.StrGet()) : std::string();
}

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

using Rows = std::vector<std::vector<std::string>>;

// The log-in the kernel asks for.
std::string gUser;
std::string gPassword;

int32_t LogIn(KxString& user, KxString& password, int32_t)
{
    user = KxString(gUser.c_str());
    password = KxString(gPassword.c_str());
    return 1;
}

// What differs between the two products.
struct Product {
    const char* name;
    const char* brand;      // -S <brand>$<server>
    const char* golden;     // the versioning script's golden file
};

class VersionAll : public ::testing::TestWithParam<Product> {
protected:
    void SetUp() override
    {
        const bool db2 = std::string(GetParam().brand) == "DB2";
        char pattern[] = "/tmp/versionall_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        if (db2) {
            serverName_ = "local";
            database_ = "gwdb";
            user_ = "DB2ADMIN";
            password_ = "pw";
            schema_ = "GWDB";
            engineServer_ = "GWDB";
        } else {
            serverName_ = "VA_" + std::filesystem::path(dir_).filename().string().substr(11);
            database_ = "FX";
            user_ = "FX";
            password_ = "fx";
            schema_ = "FX";
            engineServer_ = serverName_;
        }
        sqlengine::Error error;
        server_ = sqlengine::Engine::Instance().RegisterServer(engineServer_, dir_ + "/db", &error);
        ASSERT_TRUE(server_) << error.message;
        if (db2) {
            ASSERT_TRUE(server_->AddUser("GWDB", "unused", false, &error)) << error.message;
        }
        ASSERT_TRUE(server_->AddUser(user_, password_, true, &error)) << error.message;
        std::filesystem::create_directories(dir_ + "/dicts/evo");
        WriteText(dir_ + "/kx.ini", "[servers\\LOCAL]\nDictionaryPath=" + dir_ + "/dicts\n[servers\\EVODB]\nname=" +
                                        GetParam().brand + "$" + serverName_ + "\n");
        gUser = user_;
        gPassword = password_;
        Dictionary(1);
    }

    void TearDown() override
    {
        sqlengine::Engine::Instance().ClearInjectedFailures();
        sqlengine::Engine::Instance().UnregisterServer(engineServer_);
        server_.reset();
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    static std::string DictionaryText(int revision)
    {
        return revision == 1 ? std::string(kHead1) + kParty1 : std::string(kHead2) + kParty1 + kParty2;
    }

    void Dictionary(int revision) { WriteText(dir_ + "/dicts/evo/classes.kxd", DictionaryText(revision)); }

    int32_t Run(std::vector<std::string> args)
    {
        std::vector<std::string> all = {"relgen",  "-D", "evo", "-B", database_, "-S",
                                        std::string(GetParam().brand) + "$" + serverName_,
                                        "-u",      user_, "-p", password_, "-config", "kx.ini", "-f", "run.sql",
                                        "-l",      "run.log"};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<const char*> argv;
        for (const std::string& arg : all) {
            argv.push_back(arg.c_str());
        }
        std::remove((dir_ + "/run.sql").c_str());
        const std::filesystem::path home = std::filesystem::current_path();
        std::filesystem::current_path(dir_);
        KxGClassMapper mapper(static_cast<int>(argv.size()), argv.data());
        const int32_t result = mapper.Execute();
        std::filesystem::current_path(home);
        return result;
    }

    std::string Script() { return ReadText(dir_ + "/run.sql"); }
    std::string Log() { return ReadText(dir_ + "/run.log"); }

    Rows Query(const std::string& sql)
    {
        sqlengine::Error err;
        auto session = sqlengine::Session::Begin(server_, user_, password_, err);
        EXPECT_TRUE(session) << err.message;
        if (!session) {
            return {};
        }
        Rows rows = oratest::RowTexts(oratest::RunOn(*session, sql));
        oratest::RunOn(*session, "COMMIT");
        session->End();
        return rows;
    }

    std::string Q(const std::string& table) const { return schema_ + "." + table; }

    // The objects of a class read through the gateway's catalog and object reader with the
    // dictionary of a revision: for each id the member texts asked for ("-" when the object has no row).
    std::vector<std::vector<std::string>> ReadObjects(int revision, uint16_t classNumber, const std::vector<uint32_t>& ids,
                                                      const std::vector<std::string>& members)
    {
        std::vector<std::vector<std::string>> out;
        std::unique_ptr<KxClassDict> dictionary;
        KxString error;
        EXPECT_EQ(KxClassDict::Parse(DictionaryText(revision), KxString("classes.kxd"), dictionary, &error), 0)
            << Text(error);
        KxParameterList start;
        start.Append("ClientName", "version_all_reader");
        if (InitKelvox(&start) != 0) {
            ADD_FAILURE() << "kernel start";
            return out;
        }
        KxParameterList parameters;
        KxGDatabase* database = KxGatewayClient::LoadSpecificGatewayDll(
            KxString(GetParam().brand), KxString(serverName_.c_str()), KxString(database_.c_str()),
            KxString(user_.c_str()), KxString(password_.c_str()), &parameters, nullptr);
        EXPECT_NE(database, nullptr);
        if (database != nullptr && database->OpenConnection() != 0) {
            KxGInstallMappingCompletion(true);
            {
                KxGCatalog catalog(&KxGClassLoader::Instance());
                EXPECT_EQ(catalog.Load(database, dictionary.get()), 0) << Text(database->GetError()->Text());
                KxBase base{KxString("reader")};
                KxGOperationEnvironment environment(&base, &catalog, nullptr, database->GetDatabaseInfo(), 0, 0);
                environment.SetClassMapLookup(
                    [](KxGCatalog* held, const KxClassId& id) { return held->GetClassMap(id); });
                KxGTransactionContext context(&environment, nullptr, nullptr, database);
                const KxMetaClass* meta = dictionary->GetCurrentVersion(classNumber)->AsClass();
                std::vector<KxObject*> objects;
                for (uint32_t id : ids) {
                    KxObject* object = nullptr;
                    EXPECT_EQ(base.GetObjectMgr()->Create(meta, KxObjId(id), object), 0);
                    objects.push_back(object);
                }
                KxObjectReader reader(&context, base.GetObjectMgr());
                EXPECT_EQ(reader.Read(static_cast<uint32_t>(objects.size()), objects.data()), 0)
                    << Text(database->GetError()->Text());
                for (KxObject* object : objects) {
                    std::vector<std::string> values;
                    if ((object->GetState() & KX_STATE_HAS_ROW) == 0) {
                        values.push_back("-");
                    }
                    for (const std::string& name : members) {
                        const KxMember* member = meta->FindMember(KxString(name.c_str()));
                        if (member == nullptr) {
                            values.push_back("?");
                            continue;
                        }
                        void* address = object->MemberAddress(*member, 0);
                        if (member->GetTypeCode() == KX_TYPE_STRING) {
                            values.push_back(Text(*static_cast<KxString*>(address)));
                        } else {
                            values.push_back(std::to_string(*static_cast<int32_t*>(address)));
                        }
                    }
                    out.push_back(values);
                    object->Release();
                }
            }
            KxGInstallMappingCompletion(false);
            database->CloseConnection();
        }
        if (database != nullptr) {
            database->Destroy(0);
        }
        DeinitKelvox();
        return out;
    }

    // The same through the kernel's own API: a base of the database opened through the server
    // EVODB of the configuration, each object got by its reference in one transaction.
    std::vector<std::vector<std::string>> ReadThroughKernel(KxClassId classId, const std::vector<uint32_t>& ids,
                                                            const std::vector<std::string>& members)
    {
        std::vector<std::vector<std::string>> out;
        KxParameterSet parameters;
        parameters.Append("ClientName", "version_all_kernel");
        parameters.Append("ConfigFile", (dir_ + "/kx.ini").c_str());
        if (InitKelvox(&parameters) != 0) {
            ADD_FAILURE() << "kernel start";
            return out;
        }
        KxBase::KELVOX()->SetUserNameFunction(&LogIn);
        {
            KxBase base{KxString(database_.c_str())};
            int32_t status = base.Connect(KxString("EVODB"));
            if (status == 0) {
                status = base.Open();
            }
            EXPECT_EQ(status, 0) << "kernel open";
            if (status == 0 && base.BeginTransaction() == 0) {
                for (uint32_t id : ids) {
                    KxObject* object = nullptr;
                    const int32_t got = base.GetObject(KxRef(KxObjId(id), classId), object);
                    std::vector<std::string> values;
                    if (got != 0 || object == nullptr) {
                        values.push_back("status " + std::to_string(got));
                        out.push_back(values);
                        continue;
                    }
                    const KxMetaClass* meta = object->GetMetaClass();
                    for (const std::string& name : members) {
                        const KxMember* member = meta->FindMember(KxString(name.c_str()));
                        void* address = member != nullptr ? object->MemberAddress(*member, 0) : nullptr;
                        if (address == nullptr) {
                            values.push_back("?");
                        } else if (member->GetTypeCode() == KX_TYPE_STRING) {
                            values.push_back(Text(*static_cast<KxString*>(address)));
                        } else {
                            values.push_back(std::to_string(*static_cast<int32_t*>(address)));
                        }
                    }
                    out.push_back(values);
                    object->Release();
                }
                EXPECT_EQ(base.CommitTransaction(), 0);
            }
        }
        DeinitKelvox();
        return out;
    }

    std::string dir_;
    std::string serverName_;
    std::string engineServer_;
    std::string database_;
    std::string user_;
    std::string password_;
    std::string schema_;
    std::shared_ptr<sqlengine::Server> server_;
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
        WriteText(golden, made);
        return;
    }
    EXPECT_EQ(made, ReadText(golden)) << "golden file " << golden;
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
    WriteText(dir_ + "/dicts/evo/classes.kxd",
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
    WriteText(dir_ + "/dicts/evo/classes.kxd", std::string(kHead1).replace(std::string(kHead1).find("modified=2025-03-01T10:00:00"),
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
