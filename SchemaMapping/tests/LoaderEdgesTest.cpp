// The class and member loaders on small dictionaries: classes with several bases (their own maps of
// inherited members, their tables, views and row layout), array members, the read-ahead options and
// modes of reference members. Schemas are made on the embedded engine where the DDL matters.
#include <gtest/gtest.h>

#include <memory>
#include <string>
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
#include "KxGRefMemberMap.h"
#include "KxGSQLBuffer.h"
#include "KxGStatement.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"
#include "KxObject.h"
#include "KxObjectAlias.h"
#include "OraTestSupport.h"
#include "sqlengine.h"

namespace {

std::string Text(const KxString& text)
{
    return text.IsActive() ? std::string(text.StrGet()) : std::string("<inactive>");
}

// The column names of a class map's member maps, in order.
std::string Columns(KxGClassMap& classMap)
{
    std::string out;
    for (uint32_t m = 0; m < classMap.GetMemberMapCount(); ++m) {
        KxGColumnList columns;
        classMap.GetMemberMap(m)->GetColumns(columns);
        for (uint32_t i = 0; i < columns.Count(); ++i) {
            out += (out.empty() ? "" : ",") + Text(columns.GetColumn(i)->GetName());
        }
    }
    return out;
}

class LoaderEdges : public oratest::DatabaseTest {
protected:
    LoaderEdges() : DatabaseTest({.prefix = "LDE_", .users = {{"S", "s"}}}) {}

    void Parse(const char* text)
    {
        KxString error;
        ASSERT_EQ(KxClassDict::Parse(text, KxString("classes.kxd"), dictionary_, &error), 0) << Text(error);
    }

    // Loads every persistent class of the dictionary into the map with the loader context.
    void LoadAll(KxGSchemaMap& map, uint32_t context = 0)
    {
        for (uint32_t i = 0; i < dictionary_->GetDescriptorCount(); ++i) {
            const KxClassDescriptor* descriptor = nullptr;
            ASSERT_EQ(dictionary_->GetDescriptor(i, descriptor), 0);
            if (descriptor->GetMetaType()->IsPersistent()) {
                KxGClass* loaded = nullptr;
                ASSERT_EQ(map.LoadClass(*descriptor->GetMetaType(), loaded, context), 0)
                    << Text(descriptor->GetName()) << " " << db_->GetError()->Text();
            }
        }
    }

    KxGClassMap& MapOf(KxGSchemaMap& map, uint16_t number)
    {
        KxGClass* found = map.FindClass(number);
        EXPECT_NE(found, nullptr) << number;
        return *found->GetClassMap();
    }

    void Run(KxGStatementTemplateList& list)
    {
        ASSERT_NO_FATAL_FAILURE(ExecuteEach(list));
        ASSERT_EQ(db_->CommitConnection(), 1) << db_->GetError()->Text();
    }

    void Run(std::initializer_list<const char*> statements)
    {
        oratest::OwnedList list;
        for (const char* sql : statements) {
            list.Append(new KxGStoreStatementTemplate(KxString(sql)));
        }
        Run(list);
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
};

// ---- several bases ------------------------------------------------------------------------------------

// C inherits from A and B, whose first members' names differ only beyond the column-name length
// (their columns collide in C's table); D has C as its only base; F reaches A along two paths.
const char* const kSeveralBases = R"(dictionary several
class 1.1 A
member abcdefghijklmnopqrstuvwxyz_a int
member p ptr:A
class 2.1 B
member abcdefghijklmnopqrstuvwxyz_b int
member y double
class 3.1 C bases=A,B
member c int
class 4.1 D bases=C
member d int
class 5.1 E bases=A marks=virtual
member e int
class 6.1 F bases=C,E
member f int
)";
#define NA "abcdefghijklmnopqrstuvwxyz_a"
#define NB "abcdefghijklmnopqrstuvwxyz_b"
// Their columns: cut to fit the name length, the second made unique in C's table.
#define CA "ABCDEFGHIJKLMNOPQRSTUVWXYZ_0V0"
#define CB "ABCDEFGHIJKLMNOPQRSTUVWXY0V0_2"

TEST_F(LoaderEdges, ASubclassOfSeveralBasesMapsTheInheritedMembersItself)
{
    ASSERT_NO_FATAL_FAILURE(Parse(kSeveralBases));
    KxGCreationSchemaMap creation(db_.get(), dictionary_.get(), &KxGClassLoader::Instance());
    // B first, as a runtime might meet it: its layout and names must survive C's.
    KxGClass* loaded = nullptr;
    ASSERT_EQ(creation.LoadClass(*dictionary_->GetCurrentVersion(2), loaded, 0), 0);
    KxGMemberMap* bx = MapOf(creation, 2).GetMemberMap(0);
    const int32_t bxOffset = bx->AsTypeMemberMap()->GetRowOffset();
    ASSERT_NO_FATAL_FAILURE(LoadAll(creation));

    const struct {
        uint16_t number;
        bool severalBases;
        const char* inherited;   // the class's own maps of inherited members: owner.name
        const char* columns;
    } cases[] = {
        {1, false, "", CA ",POID1V0,PCID1V0"},
        {2, false, "", CA ",Y1V0"},
        {3, true, "1." NA ",1.p,2." NB ",2.y", CA ",POID1V0,PCID1V0," CB ",Y1V0,C0V0"},
        {4, false, "", CA ",POID1V0,PCID1V0," CB ",Y1V0,C0V0,D0V0"},
        {5, true, "1." NA ",1.p", CA ",POID1V0,PCID1V0,E0V0"},
        {6, true, "1." NA ",1.p,2." NB ",2.y,3.c,5.e", CA ",POID1V0,PCID1V0," CB ",Y1V0,C0V0,E0V0,F0V0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.number);
        KxGClass& mapped = *creation.FindClass(c.number);
        auto* several = dynamic_cast<KxGVirtualInheritClass*>(&mapped);
        ASSERT_EQ(several != nullptr, c.severalBases);
        std::string inherited;
        for (uint32_t i = 0; several != nullptr && i < several->GetInheritedCount(); ++i) {
            KxGMember* member = several->GetInherited(i);
            inherited += (inherited.empty() ? "" : ",") + std::to_string(member->GetClass()->GetClassNumber()) + "." +
                         Text(member->GetName());
            // Not the declaring class's map.
            EXPECT_EQ(member->GetMemberMap()->GetOwnerClassNumber(), member->GetClass()->GetClassNumber());
            for (uint32_t k = 0; k < member->GetClass()->GetMemberCount(); ++k) {
                EXPECT_NE(member->GetMemberMap(), member->GetClass()->GetMember(k)->GetMemberMap());
            }
        }
        EXPECT_EQ(inherited, c.inherited);
        EXPECT_EQ(Columns(*mapped.GetClassMap()), c.columns);
    }
    // The reference copied into C has its relation in C's second list.
    auto& c = dynamic_cast<KxGVirtualInheritClass&>(*creation.FindClass(3));
    ASSERT_EQ(c.GetInheritedRelationCount(), 1u);
    EXPECT_EQ(c.GetInheritedRelation(0)->GetOwnerClass(), creation.FindClass(1));
    EXPECT_EQ(c.GetRelationCount(), 0u);
    // D shares C's maps: its rows begin as C's do.
    for (uint32_t i = 0; i < MapOf(creation, 3).GetMemberMapCount(); ++i) {
        EXPECT_EQ(MapOf(creation, 4).GetMemberMap(i), MapOf(creation, 3).GetMemberMap(i));
    }
    // B's own map keeps its name and its place in B's row.
    EXPECT_EQ(Columns(MapOf(creation, 2)), CA ",Y1V0");
    EXPECT_EQ(bx->AsTypeMemberMap()->GetRowOffset(), bxOffset);
    // The inherited members are recorded for C under their declaring class's number.
    std::vector<std::string> recorded;
    for (const auto& row : creation.GetMemberRows()) {
        if (row.id.GetClassNumber() == 3) {
            recorded.push_back(row.key + "=" + row.columnName);
        }
    }
    EXPECT_EQ(recorded, (std::vector<std::string>{"1." NA "=" CA, "1.pOID=POID1V0", "1.pCID=PCID1V0", "2." NB "=" CB,
                                                  "2.y=Y1V0", "3.c=C0V0"}));
}

TEST_F(LoaderEdges, ObjectsOfSeveralBasesRoundTripThroughTheirRow)
{
    ASSERT_NO_FATAL_FAILURE(Parse(kSeveralBases));
    KxGCreationSchemaMap creation(db_.get(), dictionary_.get(), &KxGClassLoader::Instance());
    ASSERT_NO_FATAL_FAILURE(LoadAll(creation));
    KxGClassMap& classMap = MapOf(creation, 6);
    KxGBufferMap layout;
    for (uint32_t i = 0; i < classMap.GetMemberMapCount(); ++i) {
        ASSERT_EQ(classMap.GetMemberMap(i)->JoinBuffer(layout), 0);
    }
    KxGSQLBuffer buffer(layout.GetRowWidth());
    buffer.Allocate(1);
    KxGRowContext rows(&buffer);
    rows.SetCurrentRow(0);

    KxObjectMgr objects(nullptr);
    const KxMetaClass* meta = dictionary_->GetCurrentVersion(6)->AsClass();
    KxObject* stored = nullptr;
    KxObject* loaded = nullptr;
    ASSERT_EQ(objects.Create(meta, KxObjId(11), stored), 0);
    std::unique_ptr<KxObject, void (*)(KxObject*)> holdStored(stored, [](KxObject* o) { o->Release(); });
    ASSERT_EQ(objects.Create(meta, KxObjId(12), loaded), 0);
    std::unique_ptr<KxObject, void (*)(KxObject*)> holdLoaded(loaded, [](KxObject* o) { o->Release(); });
    // Each member by its declaring class.
    auto at = [&](KxObject& object, uint16_t declaring, const char* name) -> uint8_t* {
        const KxMetaClass* owner = dictionary_->GetCurrentVersion(declaring)->AsClass();
        for (const KxMember* member : meta->GetAllMembers()) {
            if (member->GetDeclaringClass() == owner && member->GetName() == name) {
                return object.MemberAddress(*member, 0);
            }
        }
        ADD_FAILURE() << name;
        static uint8_t none[16];
        return none;
    };
    *reinterpret_cast<int32_t*>(at(*stored, 1, NA)) = 101;
    *reinterpret_cast<int32_t*>(at(*stored, 2, NB)) = 202;
    *reinterpret_cast<double*>(at(*stored, 2, "y")) = 2.5;
    *reinterpret_cast<int32_t*>(at(*stored, 3, "c")) = 303;
    *reinterpret_cast<int32_t*>(at(*stored, 5, "e")) = 505;
    *reinterpret_cast<int32_t*>(at(*stored, 6, "f")) = 606;
    {
        KxCPPObjectAlias from(nullptr, nullptr, stored);
        KxCPPObjectAlias to(nullptr, nullptr, loaded);
        for (uint32_t i = 0; i < classMap.GetMemberMapCount(); ++i) {
            ASSERT_EQ(classMap.GetMemberMap(i)->Store(from, rows, nullptr), 0) << i;
        }
        for (uint32_t i = 0; i < classMap.GetMemberMapCount(); ++i) {
            // (Setting a pointer needs the object space: references are left to the member-map tests.)
            if (classMap.GetMemberMap(i)->IsReference() == 0) {
                ASSERT_EQ(classMap.GetMemberMap(i)->Load(rows, to, nullptr), 0) << i;
            }
        }
    }
    EXPECT_EQ(*reinterpret_cast<int32_t*>(at(*loaded, 1, NA)), 101);
    EXPECT_EQ(*reinterpret_cast<int32_t*>(at(*loaded, 2, NB)), 202);
    EXPECT_EQ(*reinterpret_cast<double*>(at(*loaded, 2, "y")), 2.5);
    EXPECT_EQ(*reinterpret_cast<int32_t*>(at(*loaded, 3, "c")), 303);
    EXPECT_EQ(*reinterpret_cast<int32_t*>(at(*loaded, 5, "e")), 505);
    EXPECT_EQ(*reinterpret_cast<int32_t*>(at(*loaded, 6, "f")), 606);
}

TEST_F(LoaderEdges, TheViewOfASecondBaseReadsItsOwnColumnOfTheSubclass)
{
    ASSERT_NO_FATAL_FAILURE(Parse(kSeveralBases));
    KxGCreationSchemaMap creation(db_.get(), dictionary_.get(), &KxGClassLoader::Instance());
    ASSERT_NO_FATAL_FAILURE(LoadAll(creation));
    oratest::OwnedList ddl;
    for (uint16_t number : {1, 2, 3, 4, 5, 6}) {
        ASSERT_EQ(MapOf(creation, number).GetStoreHdl()->CreateClassTable(ddl), 0);
    }
    for (uint16_t number : {0, 1, 2, 3, 4, 5, 6}) {
        ASSERT_EQ(MapOf(creation, number).GetStoreHdl()->CreateExtentView(ddl), 0) << number;
    }
    ASSERT_NO_FATAL_FAILURE(Run(ddl));
    Run({"INSERT INTO S.BC2V0 (OID, CID, " CA ", Y1V0) VALUES (1, 2, 20, 0.5)",
         "INSERT INTO S.CC3V0 (OID, CID, " CA ", " CB ", Y1V0, C0V0) VALUES (2, 3, 11, 21, 1.5, 31)",
         "INSERT INTO S.DC4V0 (OID, CID, " CA ", " CB ", Y1V0, C0V0, D0V0) VALUES (3, 4, 12, 22, 2.5, 32, 42)",
         "INSERT INTO S.FC6V0 (OID, CID, " CA ", " CB ", Y1V0, C0V0, E0V0, F0V0) VALUES (4, 6, 13, 23, 3.5, 33, 53, 63)"});
    // B's first member in C and D is their second such column, not A's.
    EXPECT_EQ(Query("SELECT OID, " CA " FROM S.VB2 ORDER BY OID"),
              (std::vector<std::vector<std::string>>{{"1", "20"}, {"2", "21"}, {"3", "22"}, {"4", "23"}}));
    // F, reached along two paths, once.
    EXPECT_EQ(Query("SELECT OID, " CA " FROM S.VA1 ORDER BY OID"),
              (std::vector<std::vector<std::string>>{{"2", "11"}, {"3", "12"}, {"4", "13"}}));
    EXPECT_EQ(Query("SELECT OID, E0V0 FROM S.VE5"), (std::vector<std::vector<std::string>>{{"4", "53"}}));
    EXPECT_EQ(Query("SELECT COUNT(*) FROM S.VKXOBJECT0"), (std::vector<std::vector<std::string>>{{"4"}}));

    // The runtime reads the same names back.
    cattest::CatalogRows rows(*db_);
    for (const auto& row : creation.GetClassRows()) {
        rows.Class(row.id, row.className.c_str(), row.tableName.c_str());
    }
    for (const auto& row : creation.GetMemberRows()) {
        rows.Member(row.id, row.key.c_str(), row.columnName.c_str());
    }
    oratest::OwnedList list;
    rows.Statements(list);
    ASSERT_NO_FATAL_FAILURE(Run(list));
    KxGCatalog catalog(&KxGClassLoader::Instance());
    ASSERT_EQ(catalog.Load(db_.get(), dictionary_.get()), 0) << db_->GetError()->Text();
    for (uint16_t number : {1, 2, 3, 4, 5, 6}) {
        SCOPED_TRACE(number);
        KxGClassMap* runtime = catalog.GetClassMap(dictionary_->GetCurrentVersion(number)->GetClassId());
        ASSERT_NE(runtime, nullptr);
        EXPECT_EQ(Columns(*runtime), Columns(MapOf(creation, number)));
    }
}

TEST_F(LoaderEdges, StoreAllOrUniversalIsRefusedAboveAClassWithSeveralOrVirtualBases)
{
    const struct {
        const char* what;
        const char* dictionary;
    } cases[] = {
        {"a child with two bases", "dictionary d\nclass 2.1 B\nmember b int\nclass 3.1 C\nmember c int\n"
                                   "class 4.1 D bases=C,B\nmember d int\n"},
        {"a child marked virtual", "dictionary d\nclass 3.1 C\nmember c int\nclass 4.1 D bases=C marks=virtual\n"
                                   "member d int\n"},
        {"a grandchild marked virtual", "dictionary d\nclass 3.1 C\nmember c int\nclass 4.1 D bases=C\n"
                                        "member d int\nclass 5.1 E bases=D marks=virtual\nmember e int\n"},
    };
    for (const auto& c : cases) {
        for (const char* word : {"ALL", "UNIVERSAL"}) {
            SCOPED_TRACE(std::string(c.what) + " " + word);
            ASSERT_NO_FATAL_FAILURE(Parse(c.dictionary));
            KxGCreationSchemaMap creation(db_.get(), dictionary_.get(), &KxGClassLoader::Instance());
            ASSERT_EQ(creation.GetOptionRegistry().ProcessOption(KxString("C"), KxString("*"), KxString("STORE"),
                                                                 KxString(word), 1),
                      0);
            ASSERT_NO_FATAL_FAILURE(LoadAll(creation));
            EXPECT_EQ(MapOf(creation, 3).GetStoreHdl()->GetStoreKind(), KXG_STORE_DEFAULT);
            EXPECT_EQ(creation.GetOptionRegistry().GetClassOptions().FindClassOption(KxString("C"))->GetOptions()
                          ->Find(KxString("STORE"))->GetStatus(),
                      KXG_OPTION_STORE_CONTEXT);
        }
    }
}

// ---- containers -----------------------------------------------------------------------------------------

TEST_F(LoaderEdges, AStoredContainerMemberRefusesItsClassInsteadOfLosingTheContainer)
{
    ASSERT_NO_FATAL_FAILURE(Parse("dictionary d\nclass 2.1 Part\nmember name string\n"
                                  "class 3.1 Box\nmember label string\nmember parts container:PartBox\n"
                                  "class 4.1 Memo\nmember cache container:PartBox transient\n"
                                  "container 900.1 PartBox Part\n"));
    for (const bool creation : {true, false}) {
        SCOPED_TRACE(creation ? "schema mapper" : "catalog");
        std::unique_ptr<KxGSchemaMap> map;
        if (creation) {
            map = std::make_unique<KxGCreationSchemaMap>(db_.get(), dictionary_.get(), &KxGClassLoader::Instance());
        } else {
            map = std::make_unique<KxGSchemaMap>(db_.get(), dictionary_.get(), 0, &KxGClassLoader::Instance());
        }
        KxGClass* loaded = nullptr;
        const KxMetaType* box = dictionary_->FindByName(KxString("Box"));
        EXPECT_EQ(map->LoadClass(*box, loaded, 0), KXG_E_MEMBER_TYPE_UNSUPPORTED);
        EXPECT_EQ(loaded, nullptr);
        EXPECT_NE(std::string(db_->GetError()->Text()).find("class: Box, member: parts (containers are not mapped)"),
                  std::string::npos)
            << db_->GetError()->Text();
    }
    // A container kept only in memory is no reason to refuse the class.
    KxGCreationSchemaMap creation(db_.get(), dictionary_.get(), &KxGClassLoader::Instance());
    KxGClass* memo = nullptr;
    EXPECT_EQ(creation.LoadClass(*dictionary_->FindByName(KxString("Memo")), memo, 0), 0);
    EXPECT_NE(memo, nullptr);
}

// ---- arrays ---------------------------------------------------------------------------------------------

TEST_F(LoaderEdges, ArraysKeepTheirElementsOnlyWhereAColumnOrTheBlobContainerHoldsThem)
{
    ASSERT_NO_FATAL_FAILURE(Parse(R"(dictionary arrays
class 1.1 P embedded
member v int
class 2.1 R
member n int
class 3.1 C
member code char count=8
member bytes byte count=4
member scores int count=4
member name string count=20
member data blob count=2
member points embedded:P count=3
member one int
class 4.1 W
member refs ptr:R count=2
class 5.1 M bases=C,R
member m int
)"));
    // In columns (context 0) and inside a blob container (context 0x01: a class embedded in one).
    for (const uint32_t context : {0u, static_cast<uint32_t>(KXG_LOAD_IN_BLOB_CONTAINER)}) {
        SCOPED_TRACE(context);
        const bool inContainer = context != 0;
        const struct {
            const char* member;
            uint32_t count;
            bool reported;
        } cases[] = {
            {"code", 8, false},
            {"bytes", 4, false},
            {"scores", inContainer ? 4u : 1u, !inContainer},
            {"name", 20, false},   // a string's count is its length
            {"data", 32000, true}, // a blob's count is its size; blob arrays are never kept
            {"points", inContainer ? 3u : 1u, !inContainer},
            {"one", 1, false},
        };
        KxGCreationSchemaMap creation(db_.get(), dictionary_.get(), &KxGClassLoader::Instance());
        KxGClass* loaded = nullptr;
        ASSERT_EQ(creation.LoadClass(*dictionary_->GetCurrentVersion(3), loaded, context), 0);
        ASSERT_NE(loaded, nullptr);
        std::vector<std::string> expected;
        for (const auto& c : cases) {
            SCOPED_TRACE(c.member);
            KxGMemberMap* map = nullptr;
            for (uint32_t i = 0; i < loaded->GetMemberCount(); ++i) {
                if (loaded->GetMember(i)->GetName() == c.member) {
                    map = loaded->GetMember(i)->GetMemberMap();
                }
            }
            ASSERT_NE(map, nullptr);
            const uint32_t count = map->AsClassMemberMap() != nullptr ? map->AsClassMemberMap()->GetDimension()
                                                                      : map->AsTypeMemberMap()->GetElementCount();
            EXPECT_EQ(count, c.count);
            if (c.reported) {
                expected.push_back(std::string(" Class: C, member: ") + c.member);
            }
        }
        std::vector<std::string> reported;
        for (const auto& warning : creation.GetWarnings()) {
            EXPECT_EQ(warning.code, KXG_W_ARRAY_REDUCED);
            reported.push_back(warning.text);
        }
        EXPECT_EQ(reported, expected);
    }
    // A reference array is mapped with one reference; a class inheriting arrays does not report them
    // again; the runtime reports nothing.
    KxGCreationSchemaMap creation(db_.get(), dictionary_.get(), &KxGClassLoader::Instance());
    ASSERT_NO_FATAL_FAILURE(LoadAll(creation));
    std::vector<std::string> reported;
    for (const auto& warning : creation.GetWarnings()) {
        reported.push_back(warning.text);
    }
    EXPECT_EQ(reported, (std::vector<std::string>{" Class: C, member: scores", " Class: C, member: data",
                                                  " Class: C, member: points", " Class: W, member: refs"}));
    EXPECT_EQ(Columns(MapOf(creation, 4)), "REFSOID0V0,REFSCID0V0");
}

// ---- references: read-ahead options and modes --------------------------------------------------------

TEST_F(LoaderEdges, FetchAndReadAheadSetTheReadAheadCount)
{
    ASSERT_NO_FATAL_FAILURE(Parse("dictionary d\nclass 1.1 A\nmember n int\nmember p ptr:A\nmember q ondemand:A\n"));
    const struct {
        const char* what;
        std::vector<std::pair<const char*, const char*>> options;   // option, argument on member p
        int32_t count;
        std::vector<int16_t> statuses;
    } cases[] = {
        {"none", {}, 0, {}},
        {"FETCH", {{"FETCH", "5"}}, 5, {KXG_OPTION_OK}},
        {"below 1 gives 1", {{"READ_AHEAD", "-3"}}, 1, {KXG_OPTION_OK}},
        {"0 is no number (as for every option)", {{"FETCH", "0"}}, 0, {KXG_OPTION_NOT_NUMERIC}},
        {"READ_AHEAD wins", {{"FETCH", "5"}, {"READ_AHEAD", "2"}}, 2, {KXG_OPTION_OK, KXG_OPTION_OK}},
        {"... whatever the order", {{"READ_AHEAD", "7"}, {"FETCH", "3"}}, 7, {KXG_OPTION_OK, KXG_OPTION_OK}},
        {"not a number", {{"FETCH", "many"}}, 0, {KXG_OPTION_NOT_NUMERIC}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        KxGCreationSchemaMap creation(db_.get(), dictionary_.get(), &KxGClassLoader::Instance());
        KxGOptionRegistry& registry = creation.GetOptionRegistry();
        int line = 1;
        for (const auto& [name, argument] : c.options) {
            ASSERT_EQ(registry.ProcessOption(KxString("A"), KxString("p"), KxString(name), KxString(argument), line++),
                      0);
        }
        // On a value member the options do not fit.
        ASSERT_EQ(registry.ProcessOption(KxString("A"), KxString("n"), KxString("FETCH"), KxString("4"), line++), 0);
        ASSERT_NO_FATAL_FAILURE(LoadAll(creation));
        KxGClass& a = *creation.FindClass(1);
        EXPECT_EQ(a.GetMember(1)->GetMemberMap()->AsRefMemberMap()->GetReadAheadCount(), c.count);
        EXPECT_EQ(a.GetMember(2)->GetMemberMap()->AsRefMemberMap()->GetReadAheadCount(), 0);
        KxGClassOption* option = registry.GetClassOptions().FindClassOption(KxString("A"));
        for (size_t i = 0; i < c.options.size(); ++i) {
            EXPECT_EQ(option->GetMemberOption(KxString("p"))->GetOptions().Find(KxString(c.options[i].first))->GetStatus(),
                      c.statuses[i])
                << c.options[i].first;
        }
        EXPECT_EQ(option->GetMemberOption(KxString("n"))->GetOptions().Find(KxString("FETCH"))->GetStatus(),
                  KXG_OPTION_IGNORED);
    }
}

TEST_F(LoaderEdges, CollectingReferencesFollowsTheReadAheadModeOfEachRelation)
{
    // s is qualified "store with" (0x08), t carries exactly 0x200, u nothing.
    ASSERT_NO_FATAL_FAILURE(Parse(
        "dictionary d\nclass 1.1 A\nmember s ptr:A flags=8\nmember t ptr:A flags=512\nmember u ondemand:A\n"));
    KxGCreationSchemaMap creation(db_.get(), dictionary_.get(), &KxGClassLoader::Instance());
    ASSERT_NO_FATAL_FAILURE(LoadAll(creation));
    KxGClassMap& classMap = MapOf(creation, 1);
    KxGBufferMap layout;
    for (uint32_t i = 0; i < classMap.GetMemberMapCount(); ++i) {
        ASSERT_EQ(classMap.GetMemberMap(i)->JoinBuffer(layout), 0);
    }
    KxGSQLBuffer buffer(layout.GetRowWidth());
    buffer.Allocate(1);
    KxGRowContext rows(&buffer);
    rows.SetCurrentRow(0);
    for (uint32_t i = 0; i < classMap.GetMemberMapCount(); ++i) {
        KxGRefMemberMap* ref = classMap.GetMemberMap(i)->AsRefMemberMap();
        ASSERT_NE(ref, nullptr);
        ASSERT_EQ(ref->GetIDMap()->StoreRef(KxRef(KxObjId(50 + i), KxClassId(1, 1)), rows, ref->GetRowOffset(), nullptr),
                  0);
    }
    const struct {
        int32_t mode;
        std::vector<KxObjId> ids;
    } cases[] = {
        {0, {}},
        {KXG_READ_AHEAD_STORE_WITH, {KxObjId(50)}},
        {KXG_READ_AHEAD_NOT_PLAIN, {KxObjId(50), KxObjId(52)}},
        {KXG_READ_AHEAD_ALL, {KxObjId(50), KxObjId(51), KxObjId(52)}},
        {4, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        rows.SetCollectMode(c.mode);
        std::vector<KxObjId> ids;
        for (uint32_t i = 0; i < classMap.GetMemberMapCount(); ++i) {
            ASSERT_EQ(classMap.GetMemberMap(i)->CollectReferences(rows, ids), 0);
        }
        EXPECT_EQ(ids, c.ids);
    }
}

}  // namespace
