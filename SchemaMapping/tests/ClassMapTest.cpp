// Class maps from a fixture dictionary: store kinds, class and extent tables and columns chosen by the
// class loader in a creation schema map; the DDL of the store handlers run on the embedded engine
// (tables, views, triggers, indexes); and the catalog loading the same class maps from that database.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "CatalogTestSupport.h"
#include "KxClassDict.h"
#include "KxGCatalog.h"
#include "KxGClass.h"
#include "KxGClassLoader.h"
#include "KxGClassMap.h"
#include "KxGCreationSchemaMap.h"
#include "KxGMemberMap.h"
#include "KxGOptionRegistry.h"
#include "KxGOraDatabase.h"
#include "KxGRefMemberMap.h"
#include "KxGStatement.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"
#include "OraTestSupport.h"
#include "sqlengine.h"

namespace {

std::string Text(const KxString& text)
{
    return text.IsActive() ? std::string(text.StrGet()) : std::string("<inactive>");
}

// Every store kind, multiple inheritance, embedded members, arrays and references.
const char* const kFixture = R"(dictionary classmaps
class 1.1 Address embedded
member street string count=40
member city string count=30
class 2.1 Person
member name string count=40
member age int
member home embedded:Address
member work embedded:Address
member scores int count=4
member code char count=8
member friend ptr:Person
member mentor ondemand:Person
index byName unique name
index byFriend friend
index byCity home.city
class 3.1 Employee bases=Person
member salary double
class 4.1 Manager bases=Employee
class 5.1 Intern bases=Employee
class 6.1 Vehicle
member wheels int
class 7.1 Car bases=Vehicle
member seats int
class 8.1 Shape
member area double
class 9.1 Circle bases=Shape
member size double
class 10.1 Square bases=Shape
member size double
class 11.1 Named
member label string count=20
class 12.1 Labelled bases=Person,Named
member tag int
class 13.1 Tool
member weight int
class 14.1 NamedTool bases=Tool,Named
member grip int
class 15.1 Gadget
member power int
class 16.1 Gizmo bases=Gadget
class 17.1 Widget bases=Circle
member depth int
class 18.1 Loose
)";

// Class -> (option, argument): the STORE options of the fixture.
const std::vector<std::pair<const char*, const char*>> kStoreOptions = {
    {"Intern", "DEFAULT"},  {"Vehicle", "ALL"}, {"Shape", "UNIVERSAL"}, {"Square", "ALL"},
    {"Tool", "ALL"},        {"Gadget", "FOO"},  {"Gizmo", "FOO"},
};

std::string Columns(KxGClassMap& classMap)
{
    std::string out;
    for (KxGMemberMap* memberMap : classMap.GetTableMaps()) {
        KxGColumnList columns;
        memberMap->GetColumns(columns);
        for (uint32_t i = 0; i < columns.Count(); ++i) {
            out += (out.empty() ? "" : ",") + Text(columns.GetColumn(i)->GetName());
        }
    }
    return out;
}

class ClassMaps : public oratest::DatabaseTest {
protected:
    ClassMaps() : DatabaseTest({.prefix = "CLM_", .users = {{"S", "s"}}}) {}

    void SetUp() override
    {
        DatabaseTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        KxString error;
        ASSERT_EQ(KxClassDict::Parse(kFixture, KxString("classes.kxd"), dictionary_, &error), 0) << Text(error);
        map_ = std::make_unique<KxGCreationSchemaMap>(db_.get(), dictionary_.get(), &KxGClassLoader::Instance());
        for (const auto& [name, word] : kStoreOptions) {
            ASSERT_EQ(map_->GetOptionRegistry().ProcessOption(KxString(name), KxString("*"), KxString("STORE"),
                                                              KxString(word), 1),
                      0);
        }
        KxGClass* loaded = nullptr;
        for (uint32_t i = 0; i < dictionary_->GetDescriptorCount(); ++i) {
            const KxClassDescriptor* descriptor = nullptr;
            ASSERT_EQ(dictionary_->GetDescriptor(i, descriptor), 0);
            if (descriptor->GetMetaType()->IsPersistent()) {
                ASSERT_EQ(map_->LoadClass(*descriptor->GetMetaType(), loaded, 0), 0)
                    << Text(descriptor->GetName()) << " " << db_->GetError()->Text();
            }
        }
    }

    KxGClassMap& MapOf(uint16_t number)
    {
        KxGClass* found = map_->FindClass(number);
        EXPECT_NE(found, nullptr) << number;
        return *found->GetClassMap();
    }

    int16_t StoreStatus(const char* className)
    {
        KxGClassOption* option = map_->GetOptionRegistry().GetClassOptions().FindClassOption(KxString(className));
        return option->GetOptions()->Find(KxString("STORE"))->GetStatus();
    }

    void RunAll(KxGStatementTemplateList& list)
    {
        for (uint32_t i = 0; i < list.Count(); ++i) {
            ASSERT_NE(list.GetTemplate(i), nullptr);
            KxGStoreStatement run(db_.get(), list.GetTemplate(i), 0);
            ASSERT_EQ(run.Execute(), 1) << Text(list.GetTemplate(i)->GetSQLText()) << "\n" << db_->GetError()->Text();
        }
        ASSERT_EQ(db_->CommitConnection(), 1) << db_->GetError()->Text();
    }

    // The DDL of every class: tables, then views, triggers and indexes.
    void CreateSchema()
    {
        oratest::OwnedList list;
        std::vector<KxGClassMap*> maps;
        for (uint32_t i = 0; i < dictionary_->GetDescriptorCount(); ++i) {
            const KxClassDescriptor* descriptor = nullptr;
            ASSERT_EQ(dictionary_->GetDescriptor(i, descriptor), 0);
            KxGClass* mapped = map_->FindClass(descriptor->GetClassNumber());
            if (mapped != nullptr && mapped->IsPersistent()) {
                maps.push_back(mapped->GetClassMap());
            }
        }
        for (KxGClassMap* classMap : maps) {
            ASSERT_EQ(classMap->GetStoreHdl()->CreateClassTable(list), 0);
        }
        for (KxGClassMap* classMap : maps) {
            ASSERT_EQ(classMap->GetStoreHdl()->CreateExtentView(list), 0);
            ASSERT_EQ(classMap->GetStoreHdl()->CreateTriggers(list), 0);
            ASSERT_EQ(classMap->LoadAllIndices(), 0) << Text(classMap->GetClass()->GetName());
            for (uint32_t k = 0; k < classMap->GetIndexMapCount(); ++k) {
                ASSERT_EQ(classMap->GetIndexMapAt(k)->GetCreateTemplate(*db_->GetDatabaseInfo(), list), 0);
            }
        }
        for (uint32_t i = 0; i < list.Count(); ++i) {
            ddl_ += Text(list.GetTemplate(i)->GetSQLText()) + ";\n";
        }
        RunAll(list);
    }

    std::vector<std::vector<std::string>> Query(const std::string& sql)
    {
        sqlengine::Error err;
        auto session = sqlengine::Session::Begin(server_, "S", "s", err);
        EXPECT_TRUE(session) << err.message;
        if (!session) {
            return {};
        }
        auto rows = oratest::RowTexts(oratest::RunOn(*session, sql));
        session->End();
        return rows;
    }

    std::unique_ptr<KxClassDict> dictionary_;
    std::unique_ptr<KxGCreationSchemaMap> map_;
    std::string ddl_;
};

TEST_F(ClassMaps, StoreKindsTablesAndColumns)
{
    const struct {
        uint16_t number;
        uint16_t kind;
        const char* classTable;
        const char* extent;
        const char* columns;
    } cases[] = {
        {0, KXG_STORE_DEFAULT, "S.KXOBJECTC0V0", "S.VKXOBJECT0", ""},
        {2, KXG_STORE_DEFAULT, "S.PERSONC2V0", "S.VPERSON2",
         "NAME0V0,AGE1V0,STREET2V0,CITY2V0,STREET3V0,CITY3V0,SCORES4V0,CODE5V0,FRIENDOID6V0,FRIENDCID6V0,"
         "MENTOROID7V0,MENTORCID7V0"},
        {3, KXG_STORE_DEFAULT, "S.EMPLOYEEC3V0", "S.VEMPLOYEE3", ""},
        {4, KXG_STORE_VIRTUAL, "S.EMPLOYEEC3V0", "S.VMANAGER4", ""},
        {5, KXG_STORE_DEFAULT, "S.INTERNC5V0", "S.INTERNC5V0", ""},
        {6, KXG_STORE_ALL, "S.VEHICLEC6V0", "S.VVEHICLE6", "WHEELS0V0"},
        {7, KXG_STORE_DEFAULT, "S.CARC7V0", "S.CARC7V0", "WHEELS0V0,SEATS0V0"},
        {8, KXG_STORE_UNIVERSAL, "S.SHAPEC8V0", "S.VSHAPE8", "AREA0V0,SIZE0V0,SIZE0V0_2,DEPTH0V0"},
        {9, KXG_STORE_UNIVERSAL_CHILD, "S.SHAPEC8V0", "S.VCIRCLE9", ""},
        {10, KXG_STORE_UNIVERSAL_CHILD, "S.SHAPEC8V0", "S.VSQUARE10", ""},
        {11, KXG_STORE_DEFAULT, "S.NAMEDC11V0", "S.VNAMED11", "LABEL0V0"},
        // Two bases: the first base's columns, the second's, its own.
        {12, KXG_STORE_DEFAULT, "S.LABELLEDC12V0", "S.LABELLEDC12V0",
         "NAME0V0,AGE1V0,STREET2V0,CITY2V0,STREET3V0,CITY3V0,SCORES4V0,CODE5V0,FRIENDOID6V0,FRIENDCID6V0,"
         "MENTOROID7V0,MENTORCID7V0,LABEL0V0,TAG0V0"},
        {13, KXG_STORE_DEFAULT, "S.TOOLC13V0", "S.VTOOL13", "WEIGHT0V0"},
        {14, KXG_STORE_DEFAULT, "S.NAMEDTOOLC14V0", "S.NAMEDTOOLC14V0", "WEIGHT0V0,LABEL0V0,GRIP0V0"},
        {16, KXG_STORE_VIRTUAL, "S.GADGETC15V0", "S.VGIZMO16", ""},
        {17, KXG_STORE_UNIVERSAL_CHILD, "S.SHAPEC8V0", "S.VWIDGET17", ""},
        {18, KXG_STORE_DEFAULT, "S.LOOSEC18V0", "S.LOOSEC18V0", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.number);
        KxGClassMap& classMap = MapOf(c.number);
        ASSERT_NE(classMap.GetStoreHdl(), nullptr);
        EXPECT_EQ(classMap.GetStoreHdl()->GetStoreKind(), c.kind);
        KxGTable table;
        ASSERT_EQ(classMap.GetStoreHdl()->GetClassTable(table), 0);
        EXPECT_EQ(Text(table.GetQualifiedName()), c.classTable);
        ASSERT_EQ(classMap.GetStoreHdl()->GetExtentTable(table), 0);
        EXPECT_EQ(Text(table.GetQualifiedName()), c.extent);
        if (*c.columns != 0) {
            EXPECT_EQ(Columns(classMap), c.columns);
        }
    }
    // Two bases, in dictionary order.
    KxGClass& labelled = *MapOf(12).GetClass();
    ASSERT_EQ(labelled.GetBaseCount(), 2u);
    EXPECT_EQ(Text(labelled.GetBase(0)->GetName()), "Person");
    EXPECT_EQ(Text(labelled.GetBase(1)->GetName()), "Named");
    // STORE statuses: taken, refused under a universal class, refused for a class with a multiple-
    // inheritance child, unknown word.
    EXPECT_EQ(StoreStatus("Vehicle"), KXG_OPTION_OK);
    EXPECT_EQ(StoreStatus("Intern"), KXG_OPTION_OK);
    EXPECT_EQ(StoreStatus("Square"), KXG_OPTION_STORE_CONTEXT);
    EXPECT_EQ(StoreStatus("Tool"), KXG_OPTION_STORE_CONTEXT);
    EXPECT_EQ(StoreStatus("Gadget"), KXG_OPTION_UNKNOWN);
    EXPECT_EQ(StoreStatus("Gizmo"), KXG_OPTION_UNKNOWN);
    // The int array is mapped with one element (the mapper warns); the char array keeps its eight.
    std::vector<std::string> warnings;
    for (const auto& warning : map_->GetWarnings()) {
        warnings.push_back(std::to_string(warning.code) + warning.text);
    }
    EXPECT_EQ(warnings, (std::vector<std::string>{"6155 Class: Person, member: scores"}));
}

// A blob container of a given size (one column).
class FakeContainer : public KxGMemberMap {
public:
    explicit FakeContainer(int32_t size) : name_("BLOB_CONTAINER"), column_(KxString("BC"), 18, size), size_(size) {}
    int32_t GetColumns(KxGColumnList& list) override { return list.AddColumn(&column_); }
    const KxString& GetName() const override { return name_; }
    uint16_t GetOwnerClassNumber() const override { return 0; }
    int32_t GetSQLSize() override { return size_; }

private:
    KxString name_;
    KxGMemberColumn column_;
    int32_t size_;
};

TEST_F(ClassMaps, TheUniversalTableKeepsTheLargestBlobContainer)
{
    FakeContainer small(100);
    FakeContainer large(300);
    FakeContainer middle(200);
    MapOf(9).GetStoreHdl()->AddMemberMap(&small);
    MapOf(10).GetStoreHdl()->AddMemberMap(&large);
    MapOf(17).GetStoreHdl()->AddMemberMap(&middle);
    std::vector<KxGMemberMap*>& table = MapOf(8).GetTableMaps();
    EXPECT_EQ(std::count(table.begin(), table.end(), &large), 1);
    EXPECT_EQ(std::count(table.begin(), table.end(), &small), 0);
    EXPECT_EQ(std::count(table.begin(), table.end(), &middle), 0);
    // Each child's view keeps its own.
    EXPECT_EQ(MapOf(9).GetViewMaps().back(), &small);
}

TEST_F(ClassMaps, DdlRunsOnTheEngineAndTheStoreAllTriggerCopiesRows)
{
    ASSERT_NO_FATAL_FAILURE(CreateSchema());
    SCOPED_TRACE(ddl_);
    // The trigger names the columns it copies into the STORE ALL base's table.
    EXPECT_NE(ddl_.find("INSERT INTO S.VEHICLEC6V0 ( OID, CID, WHEELS0V0 ) VALUES ( :new.OID, :new.CID, "
                        ":new.WHEELS0V0);"),
              std::string::npos);
    oratest::OwnedList list;
    list.Append(new KxGStoreStatementTemplate(
        KxString("INSERT INTO S.CARC7V0 (OID, CID, SEATS0V0, WHEELS0V0) VALUES (41, 7, 5, 4)")));
    RunAll(list);
    EXPECT_EQ(Query("SELECT OID, CID, WHEELS0V0 FROM S.VEHICLEC6V0"),
              (std::vector<std::vector<std::string>>{{"41", "7", "4"}}));
    EXPECT_EQ(Query("SELECT OID FROM S.VVEHICLE6"), (std::vector<std::vector<std::string>>{{"41"}}));
    // The root's view reads the STORE ALL table, not its subclasses' tables again.
    EXPECT_EQ(Query("SELECT OID FROM S.VKXOBJECT0"), (std::vector<std::vector<std::string>>{{"41"}}));
    // The universal table holds its children's rows; each child's view only its class numbers.
    oratest::OwnedList more;
    more.Append(new KxGStoreStatementTemplate(
        KxString("INSERT INTO S.SHAPEC8V0 (OID, CID, AREA0V0, SIZE0V0) VALUES (51, 9, 3, 1)")));
    more.Append(new KxGStoreStatementTemplate(
        KxString("INSERT INTO S.SHAPEC8V0 (OID, CID, AREA0V0, SIZE0V0_2) VALUES (52, 10, 4, 2)")));
    more.Append(new KxGStoreStatementTemplate(
        KxString("INSERT INTO S.SHAPEC8V0 (OID, CID, AREA0V0, DEPTH0V0) VALUES (53, 17, 5, 9)")));
    RunAll(more);
    EXPECT_EQ(Query("SELECT OID FROM S.VCIRCLE9 ORDER BY OID"),
              (std::vector<std::vector<std::string>>{{"51"}, {"53"}}));
    EXPECT_EQ(Query("SELECT OID, SIZE0V0_2 FROM S.VSQUARE10"), (std::vector<std::vector<std::string>>{{"52", "2"}}));
    EXPECT_EQ(Query("SELECT COUNT(*) FROM S.VSHAPE8"), (std::vector<std::vector<std::string>>{{"3"}}));
}

TEST_F(ClassMaps, TheCatalogLoadsTheSameClassMapsFromTheDatabase)
{
    ASSERT_NO_FATAL_FAILURE(CreateSchema());
    // What the schema mapper stores: the names it chose and the options that took effect.
    cattest::CatalogRows rows(*db_);
    for (const auto& row : map_->GetClassRows()) {
        rows.Class(row.id, row.className.c_str(), row.tableName.c_str());
    }
    for (const auto& row : map_->GetMemberRows()) {
        rows.Member(row.id, row.key.c_str(), row.columnName.c_str());
    }
    oratest::OwnedList list;
    rows.Statements(list);
    ASSERT_EQ(map_->GetOptionRegistry().FillRegistry(*db_, list), 0);
    list.Append(new KxGStoreStatementTemplate(
        KxString("INSERT INTO S.PERSONC2V0 (OID, CID, NAME0V0) VALUES (7, 2, 'Ann')")));
    ASSERT_NO_FATAL_FAILURE(RunAll(list));

    KxGCatalog catalog(&KxGClassLoader::Instance());
    ASSERT_EQ(catalog.Load(db_.get(), dictionary_.get()), 0) << db_->GetError()->Text();
    // Every class: the same store kind, tables and columns as the schema mapper chose.
    for (uint32_t i = 0; i < dictionary_->GetDescriptorCount(); ++i) {
        const KxClassDescriptor* descriptor = nullptr;
        ASSERT_EQ(dictionary_->GetDescriptor(i, descriptor), 0);
        if (!descriptor->GetMetaType()->IsPersistent()) {
            continue;
        }
        SCOPED_TRACE(Text(descriptor->GetName()));
        KxGClassMap& created = MapOf(descriptor->GetClassNumber());
        KxGClassMap* loaded = catalog.GetClassMap(descriptor->GetMetaType()->GetClassId());
        ASSERT_NE(loaded, nullptr);
        EXPECT_EQ(loaded->GetStoreHdl()->GetStoreKind(), created.GetStoreHdl()->GetStoreKind());
        KxGTable mine;
        KxGTable theirs;
        ASSERT_EQ(loaded->GetStoreHdl()->GetClassTable(theirs), 0);
        ASSERT_EQ(created.GetStoreHdl()->GetClassTable(mine), 0);
        EXPECT_EQ(Text(theirs.GetQualifiedName()), Text(mine.GetQualifiedName()));
        ASSERT_EQ(loaded->GetStoreHdl()->GetExtentTable(theirs), 0);
        ASSERT_EQ(created.GetStoreHdl()->GetExtentTable(mine), 0);
        EXPECT_EQ(Text(theirs.GetQualifiedName()), Text(mine.GetQualifiedName()));
        EXPECT_EQ(Columns(*loaded), Columns(created));
    }
    // The existence query of a class finds an existing row and not a missing one.
    std::unique_ptr<KxGSelectStatementTemplate> query;
    ASSERT_EQ(catalog.GetExistenceQuery(2, query), 0);
    for (const auto& [oid, expected] : std::vector<std::pair<const char*, size_t>>{{"7", 1}, {"8", 0}}) {
        KxGSelectStatementTemplate probe(*query);
        probe.BindParameter(KxString(oid), 1, *db_->GetDatabaseInfo());
        EXPECT_EQ(Query(Text(probe.GetSQLText())).size(), expected) << Text(probe.GetSQLText());
    }
}

// Small dictionaries, each loaded into a creation schema map and into a runtime schema map that reads
// the names the first one chose.
class ClassMapEdges : public oratest::DatabaseTest {
protected:
    ClassMapEdges() : DatabaseTest({.prefix = "CME_", .users = {{"S", "s"}}}) {}

    // Loads every persistent class (blobs kept as BLOB columns, a handle type); class 3, or null.
    KxGClass* Load(KxGSchemaMap& map, const char* option)
    {
        EXPECT_EQ(map.GetOptionRegistry().ProcessOption(KxString("*"), KxString("*"), KxString("BLOB_TYPE"),
                                                        KxString("BLOB, 1000"), 1),
                  0);
        uint16_t preserveNames = 0;
        map.GetOptionRegistry().ProcessGlobalOptions(*db_, *db_->GetDatabaseInfo(), true, false, preserveNames);
        if (option != nullptr) {
            EXPECT_EQ(map.GetOptionRegistry().ProcessOption(KxString("C"), KxString("*"), KxString("STORE"),
                                                            KxString(option), 1),
                      0);
        }
        KxGClass* loaded = nullptr;
        for (uint32_t i = 0; i < dictionary_->GetDescriptorCount(); ++i) {
            const KxClassDescriptor* descriptor = nullptr;
            EXPECT_EQ(dictionary_->GetDescriptor(i, descriptor), 0);
            if (descriptor->GetMetaType()->IsPersistent()) {
                EXPECT_EQ(map.LoadClass(*descriptor->GetMetaType(), loaded, 0), 0) << Text(descriptor->GetName());
            }
        }
        return map.FindClass(3);
    }

    void Execute(KxGStatementTemplate* statement)
    {
        KxGStoreStatement run(db_.get(), statement, 0);
        ASSERT_EQ(run.Execute(), 1) << Text(statement->GetSQLText()) << "\n" << db_->GetError()->Text();
    }

    std::unique_ptr<KxClassDict> dictionary_;
};

TEST_F(ClassMapEdges, StoreKindsAndIndexesOfClassThree)
{
    const struct {
        const char* what;
        const char* dictionary;
        const char* store;
        uint16_t kind;
        int32_t indexResult;
        const char* indexColumns;
    } cases[] = {
        {"no own members below one base with a table: Virtual",
         "dictionary d\nclass 1.1 A\nmember a int\nclass 3.1 C bases=A\n", nullptr, KXG_STORE_VIRTUAL, 0, ""},
        {"STORE DEFAULT keeps its own table", "dictionary d\nclass 1.1 A\nmember a int\nclass 3.1 C bases=A\n",
         "DEFAULT", KXG_STORE_DEFAULT, 0, ""},
        {"two bases: not Virtual (the first base's table lacks the second's columns)",
         "dictionary d\nclass 1.1 A\nmember a int\nclass 2.1 B\nmember b int\nclass 3.1 C bases=A,B\n", nullptr,
         KXG_STORE_DEFAULT, 0, ""},
        {"the root as only base: not Virtual", "dictionary d\nclass 3.1 C\n", nullptr, KXG_STORE_DEFAULT, 0, ""},
        {"marked virtual: not Virtual",
         "dictionary d\nclass 1.1 A\nmember a int\nclass 3.1 C bases=A marks=virtual\n", nullptr,
         KXG_STORE_DEFAULT, 0, ""},
        {"a unique index: not Virtual",
         "dictionary d\nclass 1.1 A\nmember a int\nclass 3.1 C bases=A\nindex u unique a\n", nullptr,
         KXG_STORE_DEFAULT, 0, "A0V0"},
        {"only an automatic-value member (skipped on both sides): Virtual",
         "dictionary d\nclass 1.1 A\nmember a int\nclass 3.1 C bases=A\nmember n int auto\n", nullptr,
         KXG_STORE_VIRTUAL, 0, ""},
        {"an index on a skipped member fails",
         "dictionary d\nclass 3.1 C\nmember a int\nmember n int auto\nindex byN n\n", nullptr,
         KXG_STORE_DEFAULT, KXG_E_NO_INDEX_MEMBER, ""},
        {"... and is forgiven for a class marked so",
         "dictionary d\nclass 3.1 C marks=forgiveindex\nmember a int\nmember n int auto\nindex byN n\nindex byA a\n",
         nullptr, KXG_STORE_DEFAULT, 0, "A0V0"},
        {"an index on a plain reference lies on the class's own table",
         "dictionary d\nclass 1.1 A\nmember a int\nclass 3.1 C\nmember p ptr:A\nindex byP p\n", nullptr,
         KXG_STORE_DEFAULT, 0, "POID0V0"},
        {"an index on a member of a handle type is refused",
         "dictionary d\nclass 3.1 C\nmember a int\nmember data blob\nindex byData data\n", nullptr,
         KXG_STORE_DEFAULT, KXG_E_INDEX_ON_HANDLE_MEMBER, ""},
        {"a compound index takes its parts in order",
         "dictionary d\nclass 3.1 C\nmember a int\nmember b int\nindex ab b,a\n", nullptr, KXG_STORE_DEFAULT, 0,
         "B1V0,A0V0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        KxString error;
        ASSERT_EQ(KxClassDict::Parse(c.dictionary, KxString("classes.kxd"), dictionary_, &error), 0) << Text(error);
        KxGCreationSchemaMap creation(db_.get(), dictionary_.get(), &KxGClassLoader::Instance());
        KxGClass* mapped = Load(creation, c.store);
        ASSERT_NE(mapped, nullptr);
        KxGClassMap& classMap = *mapped->GetClassMap();
        EXPECT_EQ(classMap.GetStoreHdl()->GetStoreKind(), c.kind);
        EXPECT_EQ(classMap.LoadAllIndices(), c.indexResult);
        std::string columns;
        for (uint32_t k = 0; k < classMap.GetIndexMapCount(); ++k) {
            const KxGIndexMap& index = *classMap.GetIndexMapAt(k);
            EXPECT_EQ(Text(index.GetTable().GetQualifiedName()), "S.CC3V0");
            for (uint32_t i = 0; i < index.GetColumnCount(); ++i) {
                columns += (columns.empty() ? "" : ",") + Text(index.GetColumns().GetColumn(i)->GetName());
            }
        }
        EXPECT_EQ(columns, c.indexColumns);

        // The runtime, from the stored names, chooses the same kind.
        oratest::OwnedList list;
        cattest::CatalogRows rows(*db_);
        for (const auto& row : creation.GetClassRows()) {
            rows.Class(row.id, row.className.c_str(), row.tableName.c_str());
        }
        for (const auto& row : creation.GetMemberRows()) {
            rows.Member(row.id, row.key.c_str(), row.columnName.c_str());
        }
        rows.Statements(list);
        for (uint32_t i = 0; i < list.Count(); ++i) {
            ASSERT_NO_FATAL_FAILURE(Execute(list.GetTemplate(i)));
        }
        {
            KxGSchemaMap runtime(db_.get(), dictionary_.get(), 0, &KxGClassLoader::Instance());
            KxGClass* again = Load(runtime, c.store);
            ASSERT_NE(again, nullptr);
            ASSERT_NE(again->GetClassMap()->GetStoreHdl(), nullptr);
            EXPECT_EQ(again->GetClassMap()->GetStoreHdl()->GetStoreKind(), c.kind);
        }
        for (const char* table : {"KELVOX_CLASSES", "KELVOX_MEMBERS", "OPTIONREGISTRY"}) {
            KxGStoreStatementTemplate drop(KxString("DROP TABLE S.") + KxString(table));
            ASSERT_NO_FATAL_FAILURE(Execute(&drop));
        }
    }
}

TEST_F(ClassMapEdges, TheMapperReportsSkippedMembersAndTheRuntimeSkipsThemSilently)
{
    KxString error;
    ASSERT_EQ(KxClassDict::Parse("dictionary d\nclass 3.1 C\nmember a int\nmember n int auto\nmember b int\n",
                                 KxString("classes.kxd"), dictionary_, &error),
              0);
    KxGCreationSchemaMap creation(db_.get(), dictionary_.get(), &KxGClassLoader::Instance());
    KxGClass* mapped = Load(creation, nullptr);
    ASSERT_NE(mapped, nullptr);
    EXPECT_EQ(db_->GetError()->ErrorCode(), KXG_E_MEMBER_TYPE_UNSUPPORTED);
    EXPECT_NE(std::string(db_->GetError()->Text()).find(", class: C, member: n (auto values not supported)"),
              std::string::npos)
        << db_->GetError()->Text();
    // Both sides map the same members: a and b.
    ASSERT_EQ(mapped->GetMemberCount(), 2u);
    EXPECT_EQ(Text(mapped->GetMember(1)->GetName()), "b");
    EXPECT_EQ(Columns(*mapped->GetClassMap()), "A0V0,B2V0");
}

TEST_F(ClassMapEdges, ReferencesInsideABlobContainerAreRefused)
{
    KxString error;
    ASSERT_EQ(KxClassDict::Parse("dictionary d\nclass 1.1 A\nmember a int\nclass 3.1 C\nmember p ptr:A\n",
                                 KxString("classes.kxd"), dictionary_, &error),
              0);
    KxGCreationSchemaMap creation(db_.get(), dictionary_.get(), &KxGClassLoader::Instance());
    KxGClass* loaded = nullptr;
    EXPECT_EQ(creation.LoadClass(*dictionary_->GetCurrentVersion(3), loaded, KXG_LOAD_IN_BLOB_CONTAINER),
              KXG_E_BLOB_CONTAINER_UNSUPPORTED);
    EXPECT_EQ(loaded, nullptr);
    EXPECT_EQ(db_->GetError()->ErrorCode(), KXG_E_BLOB_CONTAINER_UNSUPPORTED);
    EXPECT_NE(std::string(db_->GetError()->Text()).find(", class: C, member: p"), std::string::npos)
        << db_->GetError()->Text();
    // The class stays invisible to the catalog (not loaded).
    ASSERT_NE(creation.FindClass(3), nullptr);
    EXPECT_NE(creation.FindClass(3)->GetState(), KXG_CLASS_LOADED);
}

// RENAME names the column or the table as given (upper-cased); a name that is no identifier is left
// to the mapper's name test, which refuses it before any statement.
TEST_F(ClassMapEdges, RenameNamesTheColumnAndTheTableAsGiven)
{
    KxString error;
    ASSERT_EQ(KxClassDict::Parse("dictionary d\nclass 3.1 C\nmember a int\nmember b int\nmember c int\n",
                                 KxString("classes.kxd"), dictionary_, &error),
              0);
    KxGCreationSchemaMap creation(db_.get(), dictionary_.get(), &KxGClassLoader::Instance());
    KxGOptionRegistry& registry = creation.GetOptionRegistry();
    const struct {
        const char* member;
        const char* argument;
        int16_t status;
    } options[] = {
        {"a", "Alpha", KXG_OPTION_OK},
        {"b", "x'); DROP TABLE T --", KXG_OPTION_OK},
        {"c", "", KXG_OPTION_NO_ARGUMENT},
    };
    for (const auto& o : options) {
        ASSERT_EQ(registry.ProcessOption(KxString("C"), KxString(o.member), KxString("RENAME"), KxString(o.argument), 1),
                  0);
    }
    KxGClass* mapped = Load(creation, nullptr);
    ASSERT_NE(mapped, nullptr);
    EXPECT_EQ(Columns(*mapped->GetClassMap()), "ALPHA,X'); DROP TABLE T --,C2V0");
    for (const auto& o : options) {
        SCOPED_TRACE(o.member);
        EXPECT_EQ(registry.GetClassOptions().FindClassOption(KxString("C"))->GetMemberOption(KxString(o.member))
                      ->GetOptions().Find(KxString("RENAME"))->GetStatus(),
                  o.status);
    }
    // A class RENAME likewise.
    for (const auto& [stem, table, status] : std::vector<std::tuple<const char*, const char*, int16_t>>{
             {"Things", "S.THINGS", KXG_OPTION_OK}, {"T x", "S.T X", KXG_OPTION_OK}}) {
        SCOPED_TRACE(stem);
        KxGCreationSchemaMap renamed(db_.get(), dictionary_.get(), &KxGClassLoader::Instance());
        ASSERT_EQ(renamed.GetOptionRegistry().ProcessOption(KxString("C"), KxString("*"), KxString("RENAME"),
                                                            KxString(stem), 1),
                  0);
        KxGClass* again = Load(renamed, nullptr);
        ASSERT_NE(again, nullptr);
        KxGTable classTable;
        ASSERT_EQ(again->GetClassMap()->GetStoreHdl()->GetClassTable(classTable), 0);
        EXPECT_EQ(Text(classTable.GetQualifiedName()), table);
        EXPECT_EQ(renamed.GetOptionRegistry().GetClassOptions().FindClassOption(KxString("C"))->GetOptions()
                      ->Find(KxString("RENAME"))->GetStatus(),
                  status);
    }
    // The renamed column is recorded for the runtime like the others.
    std::vector<std::string> recorded;
    for (const auto& row : creation.GetMemberRows()) {
        recorded.push_back(row.key + "=" + row.columnName);
    }
    EXPECT_EQ(recorded, (std::vector<std::string>{"3.a=ALPHA", "3.b=X'); DROP TABLE T --", "3.c=C2V0"}));
}

}  // namespace
