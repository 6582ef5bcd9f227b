// The schema mapper on the embedded engine through both adapters: names that cannot stand in SQL
// text, or do not fit the catalog's columns, are refused by the name test before any statement (the
// dictionary is handed to the kernel built, as a dictionary of another tool may hold such names);
// a create that fails after its first statement leaves the database as it was.
#include "MapperOnEngine.h"

namespace {

using namespace mappertest;

const char kHead[] = "dictionary evo server=LOCAL logical=evo revision=1 created=2025-03-01T10:00:00 "
                     "modified=2025-03-01T10:00:00\n";

// One hostile dictionary: class A (number 2) with its member and index names, B derived from it; an
// option file; the text the refusal names.
struct Hostile {
    const char* what;
    std::string className;
    std::string memberName;
    std::string indexName;
    std::string options;
    std::string says;
};

std::vector<Hostile> HostileCases()
{
    const std::string longName(300, 'N');
    return {
        {"quote in a class", "Ke'eper", "v", "I", "", "KE'EPERC2V0"},
        {"comment in a class", "K/**/X", "v", "I", "", "K/**/XC2V0"},
        {"semicolon in a class", "K;DROP", "v", "I", "", "K;DROPC2V0"},
        {"over-long class", longName, "v", "I", "", "KELVOX_CLASSES.CLASS_NAME"},
        {"quote in a member", "A", "na'me", "I", "", "NA'ME0V0"},
        {"parentheses in a member", "A", "v(1)", "I", "", "V(1)0V0"},
        {"comment in a member", "A", "v--", "I", "", "V--0V0"},
        {"over-long member", "A", longName, "I", "", "KELVOX_MEMBERS.MEMBER_NAME"},
        {"comment in an index", "A", "v", "I/**/ON/**/LOCKS(OID)--", "", "I/**/ON"},
        {"quote in an index", "A", "v", "I'x", "", "I'X"},
        {"over-long RENAME target", "A", "v", "I", "A * RENAME KEEPER_TABLE_NAME_THAT_IS_FAR_TOO_LONG\n",
         "KEEPER_TABLE_NAME_THAT_IS_FAR_TOO_LONG"},
        {"hyphen in a RENAME target", "A", "v", "I", "A * RENAME KEEP-ERS\n", "KEEP-ERS"},
        {"blank in a RENAME target", "A", "v", "I", "A * RENAME KEEP ERS\n", "KEEP ERS"},
        {"reserved RENAME target", "A", "v", "I", "A * RENAME TABLE\n", "'TABLE'"},
        {"reserved member RENAME target", "A", "v", "I", "A v RENAME SELECT\n", "'SELECT'"},
    };
}

class CreateSafety : public MapperOnEngine {
protected:
    void TearDown() override
    {
        Release();
        MapperOnEngine::TearDown();
    }

    // The kernel holds a dictionary built from declarations (no reader in between) until Release.
    void Hold(const Hostile& c)
    {
        Release();
        KxParameterSet parameters;
        parameters.Append("ClientName", "create_safety");
        parameters.Append("ConfigFile", (dir_ + "/kx.ini").c_str());
        ASSERT_EQ(InitKelvox(&parameters), 0);
        started_ = true;
        KxDictBuilder builder(KxString("evo"));
        builder.Logical(KxString("evo")).Revision(1).Stamps(KxDateTime(2025, 3, 1, 10, 0, 0),
                                                            KxDateTime(2025, 3, 1, 10, 0, 0));
        builder.Class(2, 1, KxString(c.className.c_str())).Value(KxString(c.memberName.c_str()), KX_TYPE_INT);
        builder.Index(KxString(c.indexName.c_str()), {KxString(c.memberName.c_str())});
        builder.Class(3, 1, KxString("B")).Base(KxString(c.className.c_str())).Value(KxString("w"), KX_TYPE_INT);
        std::unique_ptr<KxClassDict> dictionary;
        KxString error;
        ASSERT_EQ(builder.Build(dictionary, &error), 0) << Text(error);
        ASSERT_EQ(KxBase::KELVOX()->AddDictionary(dictionary, held_), 0);
    }

    void Release()
    {
        if (held_ != nullptr) {
            KxBase::KELVOX()->ReleaseDictionary(held_);
            held_ = nullptr;
        }
        if (started_) {
            DeinitKelvox();
            started_ = false;
        }
    }

    bool started_ = false;
    KxClassDict* held_ = nullptr;
};

// Each hostile name: -6152 with the name in the log, no statement written or run; afterwards a
// clean dictionary is created in the same database (nothing was left behind).
TEST_P(CreateSafety, HostileNamesAreRefusedBeforeAnyStatement)
{
    for (const Hostile& c : HostileCases()) {
        SCOPED_TRACE(c.what);
        Hold(c);
        WriteFile(dir_ + "/opts.txt", c.options);
        EXPECT_EQ(Run({"-c", "-r", "-o", "opts.txt"}), KXG_E_NO_SCHEMA_CREATED) << Log();
        EXPECT_TRUE(Has(Log(), "Error : No schema created")) << Log();
        EXPECT_TRUE(Has(Log(), c.says)) << Log();
        EXPECT_FALSE(Has(Log(), "Invalid mapping option")) << Log();
        EXPECT_EQ(Script(), "");
    }
    Release();
    WriteDictionary(std::string(kHead) + "class 2.1 A\nmember v int\nindex I v\n");
    WriteFile(dir_ + "/opts.txt", "");
    ASSERT_EQ(Run({"-c", "-r"}), 0) << Log();
    // A long member name that fits the catalog is shortened into its column name, not refused.
    EXPECT_EQ(Run({"-d", "-r"}), 0) << Log();
    WriteDictionary(std::string(kHead) + "class 2.1 A\nmember " + std::string(60, 'm') + " int\n");
    ASSERT_EQ(Run({"-c", "-r"}), 0) << Log();
}

// A versioning run that would add an index with a hostile name changes nothing.
TEST_P(CreateSafety, AVersioningRunWithAHostileIndexNameChangesNothing)
{
    WriteDictionary(std::string(kHead) + "class 2.1 A\nmember v int\n");
    ASSERT_EQ(Run({"-c", "-r"}), 0) << Log();
    const Rows indexes = Query("SELECT COUNT(*) FROM " + Q("KELVOX_INDEXES"));
    Hostile c{"index", "A", "v", "I/**/ON/**/LOCKS(OID)--", "", ""};
    Hold(c);
    // The built dictionary is the stored one plus the index: same name, stamps and revision 1 apart
    // from the index, which the index comparison finds.
    EXPECT_EQ(Run({"-v", "-r"}), KXG_E_NO_SCHEMA_CREATED) << Log();
    EXPECT_TRUE(Has(Log(), "I/**/ON")) << Log();
    EXPECT_EQ(Script(), "");
    EXPECT_EQ(Query("SELECT COUNT(*) FROM " + Q("KELVOX_INDEXES")), indexes);
}

// The server refuses a statement part-way through a create: the run fails, and what it made is
// dropped again, so that the next create succeeds.
TEST_P(CreateSafety, AFailedCreateLeavesTheDatabaseAsItWas)
{
    WriteDictionary(std::string(kHead) + "class 2.1 A\nmember v int\nindex I v\nclass 3.1 B bases=A\nmember w int\n");
    for (const std::string& refused : {"CREATE TABLE " + Q("KELVOX_CLASSES"), std::string("CREATE VIEW"),
                                       std::string("CREATE INDEX"), std::string("GRANT ")}) {
        SCOPED_TRACE(refused);
        FailStatementContaining(refused);
        const int32_t failed = Run({"-c", "-r"});
        if (sqlengine::Engine::Instance().PendingInjectedFailures() != 0) {
            // The product makes no such statement.
            sqlengine::Engine::Instance().ClearInjectedFailures();
            ASSERT_EQ(Run({"-d", "-r"}), 0) << Log();
            continue;
        }
        EXPECT_EQ(failed, KXG_E_MAPPER_EXECUTE) << Log();
        ASSERT_EQ(Run({"-c", "-r"}), 0) << Log();
        ASSERT_EQ(Run({"-d", "-r"}), 0) << Log();
    }
}

INSTANTIATE_TEST_SUITE_P(Products, CreateSafety,
                         ::testing::Values(Product{"Oracle", "Oracle", ""}, Product{"DB2", "DB2", ""}),
                         [](const ::testing::TestParamInfo<Product>& info) { return std::string(info.param.name); });

}  // namespace
