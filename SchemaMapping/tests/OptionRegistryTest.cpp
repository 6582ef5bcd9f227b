// Mapping options: the option file, filing options, the global settings and the status texts, with
// the Oracle adapter's type words (an Oracle database object that is never opened).
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "KxGOptionRegistry.h"
#include "KxGOraDatabase.h"
#include "KxGOraTypeHdlMgr.h"
#include "TestSupport.h"

namespace {

class OptionFile : public ::testing::Test {
protected:
    // Writes the text as an option file and reads it; line receives the reader's line number.
    int32_t Read(const std::string& text, uint16_t& line)
    {
        WriteFile(dir_.Path("Options.txt"), text);
        return registry_->ReadOptionFile(KxString(dir_.Path("Options.txt").c_str()), line);
    }

    // As the schema mapper: the file, then the global options with the mapper flag.
    int32_t ReadAndApply(const std::string& text, uint16_t& line)
    {
        const int32_t result = Read(text, line);
        registry_->ProcessGlobalOptions(db_, *db_.GetDatabaseInfo(), true, false, preserveNames_);
        return result;
    }

    int16_t StatusOf(const char* name)
    {
        const KxGOption* option = registry_->GetGlobalOptions().Find(KxString(name));
        return option != nullptr ? option->GetStatus() : int16_t(99);
    }

    void Fresh()
    {
        registry_ = std::make_unique<KxGOptionRegistry>();
        preserveNames_ = 0;
    }

    TempDir dir_;
    KxGOraDatabase db_{KxString("nowhere"), KxString("s"), KxString("s"), KxString("s"), nullptr, nullptr};
    std::unique_ptr<KxGOptionRegistry> registry_ = std::make_unique<KxGOptionRegistry>();
    uint16_t preserveNames_ = 0;
};

TEST_F(OptionFile, LinesAndTheStatusTheyGet)
{
    const std::string longLine = "* * BLOBSIZE 1" + std::string(250, ' ') + "0";   // 265 characters
    const struct Case {
        const char* what;
        std::string text;
        int32_t result;
        uint16_t line;
        const char* option;   // a global option whose status is checked
        int16_t status;
    } cases[] = {
        {"valid", "* * CHARTYPE VARCHAR2, 80\n", 0, 0, "CHARTYPE", 0},
        {"untrimmed fields", "* * CHARTYPE   VARCHAR2 ,  80  \n", 0, 0, "CHARTYPE", 0},
        {"unknown name", "* * NO_SUCH_OPTION 1\n", 0, 0, "NO_SUCH_OPTION", 3},
        {"48-bit ids asked of the mapper", "* * OID_SIZE 48BIT\n", 0, 0, "OID_SIZE", -1},
        {"32-bit ids not allowed", "* * OID_SIZE 32BIT\n", 0, 0, "OID_SIZE", -1},
        {"type word refused", "* * BYTE_TYPE NO_SUCH_WORD\n", 0, 0, "BYTE_TYPE", -3},
        {"missing argument", "* * BATCH_SIZE\n", 0, 0, "BATCH_SIZE", -4},
        {"missing size", "* * BLOB_TYPE LONG_RAW\n", 0, 0, "BLOB_TYPE", -4},
        {"zero is not numeric", "* * BATCH_SIZE 0\n", 0, 0, "BATCH_SIZE", -11},
        {"beyond 32 bits", "* * BLOBSIZE 4294967296\n", 0, 0, "BLOBSIZE", -11},
        {"negative size", "* * BATCH_SIZE -5\n", 0, 0, "BATCH_SIZE", -11},
        {"third number not numeric", "* * STRING_TYPE VARCHAR2, 80, many\n", 0, 0, "STRING_TYPE", -11},
        {"set blob size 0", "* * SET_STORAGE_TYPE BLOB, 0\n", 0, 0, "SET_STORAGE_TYPE", -11},
        {"repeated global", "* * BLOBSIZE 100\n* * BLOBSIZE 200\n", -6085, 2, "BLOBSIZE", 0},
        {"over-long line", "* * BATCH_SIZE 5\n" + longLine + "\n* * TRUNCATE_BLOB yes\n", -6172, 2, "BATCH_SIZE", 0},
        {"over-long comment", "; " + std::string(400, 'c') + "\n* * BATCH_SIZE 5\n", 0, 0, "BATCH_SIZE", 0},
        {"upper-cased name, quoted argument", "* * batch_size \"7\"\n", 0, 0, "BATCH_SIZE", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fresh();
        uint16_t line = 99;
        EXPECT_EQ(ReadAndApply(c.text, line), c.result);
        EXPECT_EQ(line, c.line);
        EXPECT_EQ(StatusOf(c.option), c.status);
    }
}

TEST_F(OptionFile, SettingsFollowTheOptionsThatTookEffect)
{
    uint16_t line = 0;
    ASSERT_EQ(ReadAndApply("// settings\n"
                           "\n"
                           "   ; indented comment\n"
                           "* * CHARTYPE VARCHAR2 , 80\n"
                           "* * BATCH_SIZE 0\n"
                           "* * BLOB_TYPE BLOB, 64000\n"
                           "* * TRUNCATE_STRING yes\n"
                           "* * TRUNCATE_BLOB 1\n"
                           "* * SET_STORAGE_TYPE BLOB, 500\n"
                           "* * PRESERVE_NAMES\n"
                           "* * UNSIGNED_BEHAVIOR unsigned\n",
                           line),
              0);
    EXPECT_EQ(registry_->GetStringType(), KXG_ORA_KIND_DEFAULT);
    EXPECT_EQ(registry_->GetStringSize(), 80);
    EXPECT_EQ(registry_->GetBatchSize(), 1000);   // 0 refused
    EXPECT_EQ(registry_->GetBlobType(), KXG_ORA_KIND_BLOB);
    EXPECT_EQ(registry_->GetBlobSize(), 64000);
    EXPECT_TRUE(registry_->MayTruncate(11) && registry_->MayTruncate(21) && !registry_->MayTruncate(18));
    EXPECT_EQ(StatusOf("TRUNCATE_BLOB"), 0);
    int32_t setBlobSize = 0;
    EXPECT_EQ(registry_->GetSetStorage(setBlobSize), 1);
    EXPECT_EQ(setBlobSize, 500);
    EXPECT_EQ(preserveNames_, 1);
    EXPECT_EQ(registry_->GetUnsignedBehavior(), KXG_ORA_KIND_UNSIGNED);
    EXPECT_EQ(StatusOf("UNSIGNED_BEHAVIOR"), 0);
}

TEST_F(OptionFile, AWordTheAdapterTookIsKeptWhenTheSizeIsMissing)
{
    uint16_t line = 0;
    ASSERT_EQ(ReadAndApply("* * CHARTYPE CHAR\n", line), 0);
    EXPECT_EQ(StatusOf("CHARTYPE"), -4);
    EXPECT_EQ(registry_->GetStringType(), KXG_ORA_KIND_CHAR);
    EXPECT_EQ(registry_->GetStringSize(), 50);
}

TEST_F(OptionFile, TokensClassesAndMembers)
{
    uint16_t line = 0;
    ASSERT_EQ(Read("Person\t\"name\" string_type (CHAR, 20)\n"
                   "Person * PREFETCH 5\n"
                   "Person * PREFETCH 6\n"
                   "[Address] *\n"
                   "\"\" \"\" \"\"\n",
                   line),
              0);
    const KxGClassOption* person = registry_->GetClassOptions().FindClassOption(KxString("Person"));
    ASSERT_NE(person, nullptr);
    const KxGMemberOption* name = person->GetMemberOption(KxString("name"));
    ASSERT_NE(name, nullptr);
    const KxGOption* stringType = name->GetOptions().Find(KxString("STRING_TYPE"));
    ASSERT_NE(stringType, nullptr);
    EXPECT_EQ(stringType->GetArguments(), KxString("CHAR, 20"));
    EXPECT_EQ(stringType->GetLine(), 1);
    EXPECT_EQ(stringType->GetStatus(), KXG_OPTION_UNUSED);
    // A class-wide repeat only marks the second.
    ASSERT_NE(person->GetOptions(), nullptr);
    EXPECT_EQ(person->GetOptions()->Find(KxString("PREFETCH"))->GetArguments(), KxString("5"));
    ASSERT_EQ(registry_->GetRepeatedOptions().Count(), 1u);
    EXPECT_EQ(registry_->GetRepeatedOptions().Get(0)->GetStatus(), KXG_OPTION_REPEATED);
    EXPECT_EQ(registry_->GetRepeatedOptions().Get(0)->GetLine(), 3);
    // A line with only a class and a member files an option with an empty name; a line of
    // separators only files nothing.
    const KxGClassOption* address = registry_->GetClassOptions().FindClassOption(KxString("Address"));
    ASSERT_NE(address, nullptr);
    ASSERT_NE(address->GetOptions(), nullptr);
    EXPECT_NE(address->GetOptions()->Find(KxString::EmptyString()), nullptr);
    EXPECT_EQ(registry_->GetClassOptions().Count(), 2u);
}

TEST_F(OptionFile, AFileThatCannotBeOpened)
{
    uint16_t line = 7;
    EXPECT_EQ(registry_->ReadOptionFile(KxString(dir_.Path("missing.txt").c_str()), line), -6171);
    EXPECT_EQ(line, 0);
}

TEST(OptionRegistry, ClassOptionsAreSortedByTheirBytes)
{
    KxGOptionRegistry registry;
    for (const char* name : {"b", "B", "\xe4pfel", "a", "Zebra"}) {
        ASSERT_EQ(registry.ProcessOption(KxString(name), KxString("*"), KxString("STORE"), KxString("ALL"), 1), 0);
    }
    const KxGClassOptionList& classes = registry.GetClassOptions();
    ASSERT_EQ(classes.Count(), 5u);
    const char* sorted[] = {"B", "Zebra", "a", "b", "\xe4pfel"};
    for (uint32_t i = 0; i < 5; ++i) {
        EXPECT_EQ(classes.Get(i)->GetName(), KxString(sorted[i]));
        EXPECT_EQ(classes.FindClassOption(KxString(sorted[i])), classes.Get(i));
    }
    EXPECT_EQ(classes.FindClassOption(KxString("c")), nullptr);
}

TEST(OptionRegistry, RepeatsDuringAReplay)
{
    KxGOptionRegistry registry;
    const KxString star("*");
    ASSERT_EQ(registry.ProcessOption(star, star, KxString("UNSIGNED_BEHAVIOR"), KxString("UNSIGNED"), 0), 0);
    // The same value again (a stored schema with the row twice) is only marked.
    EXPECT_EQ(registry.ProcessOption(star, star, KxString("UNSIGNED_BEHAVIOR"), KxString(" unsigned"), 0), 0);
    EXPECT_EQ(registry.GetRepeatedOptions().Get(0)->GetStatus(), KXG_OPTION_REPEATED);
    // Another value, or a repeat in an option file, is an error of the run.
    EXPECT_EQ(registry.ProcessOption(star, star, KxString("UNSIGNED_BEHAVIOR"), KxString("SIGNED"), 0), -6085);
    EXPECT_EQ(registry.ProcessOption(star, star, KxString("UNSIGNED_BEHAVIOR"), KxString("UNSIGNED"), 4), -6085);
    // Formats repeat without error.
    EXPECT_EQ(registry.ProcessOption(star, star, KxString("DATE_FORMAT"), KxString("dd.mm.yyyy"), 5), 0);
    EXPECT_EQ(registry.ProcessOption(star, star, KxString("DATE_FORMAT"), KxString("yyyy"), 6), 0);
    EXPECT_EQ(registry.GetFormatOptions().Find(KxString("DATE_FORMAT"))->GetArguments(), KxString("dd.mm.yyyy"));
    EXPECT_EQ(registry.GetGlobalOptions().Find(KxString("DATE_FORMAT")), nullptr);
}

TEST(OptionRegistry, ObjectIdSizeWorksOnTheManagersFlagByte)
{
    KxGOraDatabase db(KxString("nowhere"), KxString("s"), KxString("s"), KxString("s"), nullptr, nullptr);
    KxGTypeHdlMgr* manager = db.GetTypeHdlMgr();
    ASSERT_NE(manager, nullptr);
    ASSERT_EQ(manager->GetFlags(), 5);
    const KxString star("*");
    uint16_t preserve = 0;
    {
        // The runtime replay turns 48-bit ids on where they are supported.
        KxGOptionRegistry replay;
        replay.ProcessOption(star, star, KxString("OID_SIZE"), KxString("48BIT"), 0);
        replay.ProcessGlobalOptions(db, *db.GetDatabaseInfo(), false, false, preserve);
        EXPECT_EQ(replay.GetGlobalOptions().Find(KxString("OID_SIZE"))->GetStatus(), KXG_OPTION_OID_SIZE_DONE);
        EXPECT_EQ(manager->GetFlags(), 5 | KXG_TYPEMGR_OID48_IN_USE);
    }
    {
        // 32-bit ids need the caller's leave and the manager's bit 0x02.
        KxGOptionRegistry mapper;
        mapper.ProcessOption(star, star, KxString("OID_SIZE"), KxString("32BIT"), 1);
        manager->SetFlags(KXG_TYPEMGR_OID32_ALLOWED | KXG_TYPEMGR_OID48_SUPPORTED | KXG_TYPEMGR_OID48_IN_USE);
        mapper.ProcessGlobalOptions(db, *db.GetDatabaseInfo(), true, true, preserve);
        EXPECT_EQ(mapper.GetGlobalOptions().Find(KxString("OID_SIZE"))->GetStatus(), KXG_OPTION_OID_SIZE_DONE);
        EXPECT_EQ(manager->GetFlags(), KXG_TYPEMGR_OID32_ALLOWED | KXG_TYPEMGR_OID48_SUPPORTED);
    }
}

TEST(OptionRegistry, OldSchemasAndInvalidIsNull)
{
    KxGOraDatabase db(KxString("nowhere"), KxString("s"), KxString("s"), KxString("s"), nullptr, nullptr);
    const KxString star("*");
    uint16_t preserve = 0;
    db.SetGatewayVersion(770);
    KxGOptionRegistry old;
    old.ProcessGlobalOptions(db, *db.GetDatabaseInfo(), false, false, preserve);
    EXPECT_EQ(old.GetInt64Type(), KXG_ORA_KIND_UNKNOWN);   // the word the Oracle adapter does not know
    EXPECT_EQ(old.GetByteType(), KXG_ORA_KIND_CHAR);

    db.SetGatewayVersion(1024);
    KxGOptionRegistry current;
    current.ProcessOption(star, star, KxString("INVALID_IS_NULL"), KxString(), 1);
    current.ProcessGlobalOptions(db, *db.GetDatabaseInfo(), true, false, preserve);
    EXPECT_EQ(current.GetByteType(), 0);
    EXPECT_EQ(db.GetGatewayVersion(), 778);
    EXPECT_EQ(current.GetGlobalOptions().Find(KxString("INVALID_IS_NULL"))->GetStatus(), KXG_OPTION_UNUSED);
}

TEST(OptionRegistry, ArgumentsNumbersAndTexts)
{
    KxGOption option(KxString("CHARTYPE"), KxString(" VARCHAR2 , 80 ,, 2147483647, 2147483648, -5"), 12);
    KxString argument;
    ASSERT_TRUE(option.GetArgument(0, argument));
    EXPECT_EQ(argument, KxString("VARCHAR2"));
    ASSERT_TRUE(option.GetArgument(2, argument));
    EXPECT_TRUE(argument.IsEmpty());
    EXPECT_FALSE(option.GetArgument(6, argument));
    int32_t number = 0;
    EXPECT_TRUE(option.GetNumber(1, number));
    EXPECT_EQ(number, 80);
    EXPECT_FALSE(option.GetNumber(2, number));
    EXPECT_TRUE(option.GetNumber(3, number));
    EXPECT_EQ(number, 2147483647);
    EXPECT_FALSE(option.GetNumber(4, number));
    EXPECT_TRUE(option.GetNumber(5, number));
    EXPECT_EQ(number, -5);
    EXPECT_FALSE(KxGOption(KxString("X"), KxString(), 1).GetArgument(0, argument));

    EXPECT_EQ(std::string(option.Describe().StrGet()),
              "Line : 12  Option : CHARTYPE\nArgument(s): VARCHAR2 , 80 ,  , 2147483647 , 2147483648 , -5 ");
    EXPECT_EQ(KxGOptionRegistry::MapOptionStatus(4), KxString("Option was already specified"));
    EXPECT_EQ(KxGOptionRegistry::MapOptionStatus(-11), KxString("Argument must be Numeric"));
    EXPECT_EQ(KxGOptionRegistry::MapOptionStatus(-13), KxString("2. argument must be Numeric"));
    EXPECT_EQ(KxGOptionRegistry::MapOptionStatus(0), KxString("Unknown Status : 0"));
    EXPECT_EQ(KxGOptionRegistry::MapOptionStatus(5), KxString("Unknown Status : 5"));
}

}  // namespace
