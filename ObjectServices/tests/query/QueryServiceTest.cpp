// Kernel queries translated into one SELECT: golden texts, refused queries, and the SELECTs run on the
// embedded engine over rows inserted directly, their object ids compared with ids computed here.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "KxGClass.h"
#include "KxGClassMap.h"
#include "KxGColumnList.h"
#include "KxGMemberMap.h"
#include "KxGOperationEnvironment.h"
#include "KxGRefMemberMap.h"
#include "KxObjectAliasMember.h"
#include "KxGQueryService.h"
#include "KxGSchemaMap.h"
#include "KxGSetMemberMap.h"
#include "KxGStatusCodes.h"
#include "KxBase.h"
#include "KxObject.h"
#include "KxQuery.h"
#include "KxTransaction.h"
#include "OraTestSupport.h"
#include "sqlengine.h"

namespace {

// One value member in one column.
class ValueMap : public KxGMemberMap {
public:
    ValueMap(const char* column, uint16_t owner, uint16_t typeCode)
        : name_(column), owner_(owner), column_(KxString(column), typeCode)
    {
        column_.SetMemberMap(this);
    }
    int32_t GetColumns(KxGColumnList& list) override { return list.AddColumn(&column_); }
    const KxString& GetName() const override { return name_; }
    uint16_t GetOwnerClassNumber() const override { return owner_; }

private:
    KxString name_;
    uint16_t owner_;
    KxGMemberColumn column_;
};

// A set of references (or of values of a type code) kept in a set table of its own: one element column.
class FixedSetMap : public KxGSetMemberMap {
public:
    FixedSetMap(KxGSchemaMap* map, const KxClassId& owner, uint16_t position, KxGTable table, const char* element,
                bool inTable = true, uint16_t valueType = 0)
        : KxGSetMemberMap(map, owner, position, 0, valueType != 0 ? KXG_SET_OF_VALUES : KXG_SET_OF_OBJECTS),
          table_(std::move(table)), column_(KxString(element), valueType != 0 ? valueType : 15), inTable_(inTable)
    {
        column_.SetMemberMap(this);
    }
    int32_t GetColumns(KxGColumnList& list) override { return list.AddColumn(&column_); }
    int32_t GetTable(KxGTable& table) override { table = table_; return 0; }
    bool KeepsSetTable() const override { return inTable_; }

private:
    KxGTable table_;
    KxGMemberColumn column_;
    bool inTable_;
};

// A store handler with fixed class and extent tables.
class FixedStoreHdl : public KxGStoreHdl {
public:
    FixedStoreHdl(KxGClassMap* classMap, uint16_t kind, KxGTable classTable, KxGTable extent)
        : KxGStoreHdl(classMap), kind_(kind), class_(std::move(classTable)), extent_(std::move(extent))
    {
    }
    uint16_t GetStoreKind() const override { return kind_; }
    int32_t GetClassTable(KxGTable& table) override { table = class_; return 0; }
    int32_t GetExtentTable(KxGTable& table) override { table = extent_; return 0; }

private:
    uint16_t kind_;
    KxGTable class_;
    KxGTable extent_;
};

enum : uint16_t { PERSON = 300, EMPLOYEE = 301, SHAPE = 302, CIRCLE = 303, SQUARE = 304, PART = 305, SCREW = 306 };
// Member positions of a person (an employee adds SALARY); BOSS refers to a person.
enum : uint16_t { NAME = 0, AGE = 1, CITY = 2, BOSS = 3, SALARY = 4 };
// A person's set of friends (persons), and the same set kept in a blob; positions in a person's map.
enum : uint16_t { FRIENDS = 4, PACKED_FRIENDS = 5, FRIEND_SET = 310 };
// A person's set of tags (strings), position in a person's map, and its set type.
enum : uint16_t { TAGS = 6, TAG_SET = 311 };

KxClassId Id(uint16_t number) { return KxClassId(number, 1); }

struct Row {
    int64_t oid;
    uint16_t cid;
    std::string name;
    int64_t age;
    std::optional<std::string> city;
    int64_t salary;
    std::optional<int64_t> boss;
};

const char* const kNames[] = {"Ann", "Anna", "anne", "Bob", "A_b", "50%x", "O'Hara", "Back\\slash", "Zed",
                              "Al Bundy", "50ab"};

std::vector<Row> PersonRows()
{
    std::vector<Row> rows;
    for (int i = 0; i < 33; ++i) {
        Row row;
        row.oid = 5000 + i * 3;
        row.cid = i % 3 == 0 ? EMPLOYEE : PERSON;
        row.name = kNames[i % 11];
        row.age = (i * 7) % 50;
        if (i % 4 != 0) {
            row.city = i % 2 != 0 ? "Rome" : "Oslo";
        }
        row.salary = i * 100;
        if (i % 5 != 0) {
            row.boss = 5000 + ((i * 7 + 1) % 33) * 3;
        }
        rows.push_back(row);
    }
    return rows;
}

// The tags of the person with the id: none, "red", "red" and "blue", "green" and "Blue" in turn.
std::vector<std::string> TagsOf(int64_t oid)
{
    switch (((oid - 5000) / 3) % 4) {
    case 1: return {"red"};
    case 2: return {"red", "blue"};
    case 3: return {"green", "Blue"};
    default: return {};
    }
}

// The row of a person's boss, or null.
const Row* BossOf(const Row& row)
{
    static const std::vector<Row> rows = PersonRows();
    for (const Row& candidate : rows) {
        if (row.boss && candidate.oid == *row.boss) {
            return &candidate;
        }
    }
    return nullptr;
}

// The friends of the person of row i (none for every third person).
std::vector<int64_t> FriendsOf(int64_t oid)
{
    const int64_t i = (oid - 5000) / 3;
    if (i % 3 == 2) {
        return {};
    }
    std::vector<int64_t> friends{5000 + ((i * 2 + 1) % 33) * 3};
    if (i % 2 == 0) {
        friends.push_back(5000 + ((i * 5 + 2) % 33) * 3);
    }
    return friends;
}

const Row* RowOf(int64_t oid)
{
    static const std::vector<Row> rows = PersonRows();
    for (const Row& row : rows) {
        if (row.oid == oid) {
            return &row;
        }
    }
    return nullptr;
}

// How many of the person's friends match.
int64_t CountFriends(const Row& row, const std::function<bool(const Row&)>& match)
{
    int64_t n = 0;
    for (int64_t oid : FriendsOf(row.oid)) {
        n += match(*RowOf(oid)) ? 1 : 0;
    }
    return n;
}

std::string Lower(std::string text)
{
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

class QueryServiceTest : public oratest::DatabaseTest {
protected:
    explicit QueryServiceTest(bool traced = false)
        : DatabaseTest({.prefix = "QRY_", .users = {{"S", "s"}}, .traced = traced})
    {
    }

    void SetUp() override
    {
        DatabaseTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        KxString schema;
        db_->GetSchemaName(&schema);
        schema_ = schema;
        map_ = std::make_unique<KxGSchemaMap>(db_.get(), nullptr, 0, nullptr);

        KxGClass& person = AddClass(PERSON, "Person", KXG_STORE_DEFAULT, "QPERSON", "VQPERSON");
        person.SetSubclasses({EMPLOYEE});
        Value(person, "NAME", 11);
        Value(person, "AGE", 2);
        Value(person, "CITY", 11);
        auto boss = std::make_unique<KxGRefMemberMap>(map_.get(), Id(PERSON), BOSS);
        boss->SetName(KxString("boss"));
        boss->SetColumnPrefix(KxString("BOSS"));
        boss->BindRelation(person.GetClassMap(), nullptr, nullptr);
        person.GetClassMap()->AddMemberMap(boss.get());
        person.AddMember(std::make_unique<KxGMember>(KxString("boss"), &person, std::move(boss)));
        KxGClass& employee = AddClass(EMPLOYEE, "Employee", KXG_STORE_DEFAULT, "QEMPLOYEE", "QEMPLOYEE");
        employee.AddBase(&person);
        for (uint32_t i = 0; i < person.GetClassMap()->GetMemberMapCount(); ++i) {
            employee.GetClassMap()->AddMemberMap(person.GetClassMap()->GetMemberMap(i));
        }
        Value(employee, "SALARY", 2);
        map_->AddClass(std::make_unique<KxGClass>(map_.get(), Id(FRIEND_SET), KxString("FriendSet"), KXG_CLASS_PERSISTENT));
        setMap_ = std::make_unique<KxGSetMap>(map_.get(), map_->FindClass(FRIEND_SET));
        for (bool inTable : {true, false}) {
            auto set = std::make_unique<FixedSetMap>(map_.get(), Id(PERSON), inTable ? FRIENDS : PACKED_FRIENDS,
                                                     KxGTable(KxString("QFRIENDS"), schema_), "FRIENDOID", inTable);
            set->SetName(KxString(inTable ? "friends" : "packed"));
            set->BindRelation(nullptr, setMap_.get(), nullptr);
            person.GetClassMap()->AddMemberMap(set.get());
            person.AddMember(std::make_unique<KxGMember>(set->GetName(), &person, std::move(set)));
        }
        map_->AddClass(std::make_unique<KxGClass>(map_.get(), Id(TAG_SET), KxString("TagSet"), KXG_CLASS_PERSISTENT));
        tagSetMap_ = std::make_unique<KxGSetMap>(map_.get(), map_->FindClass(TAG_SET));
        auto tags = std::make_unique<FixedSetMap>(map_.get(), Id(PERSON), TAGS, KxGTable(KxString("QTAGS"), schema_),
                                                  "TAG", true, 11);
        tags->SetName(KxString("tags"));
        tags->BindRelation(nullptr, tagSetMap_.get(), nullptr);
        person.GetClassMap()->AddMemberMap(tags.get());
        person.AddMember(std::make_unique<KxGMember>(tags->GetName(), &person, std::move(tags)));
        // a Virtual class: no table of its own, its extent unites its subclasses' tables
        KxGClass& shape = AddClass(SHAPE, "Shape", KXG_STORE_VIRTUAL, "QSHAPE", "VQSHAPE");
        shape.SetSubclasses({CIRCLE, SQUARE});
        Value(shape, "NAME", 11);
        // a UniversalChild class: rows in its universal base's table, beside rows of other classes
        KxGClass& part = AddClass(PART, "Part", KXG_STORE_UNIVERSAL_CHILD, "QITEMS", "VQPART");
        Value(part, "NAME", 11);

        session_ = sqlengine::Session::Begin(server_, "S", "s", error_);
        ASSERT_TRUE(session_) << error_.message;
        Run("CREATE TABLE S.QPERSON (OID NUMBER (38) not null, CID NUMBER (38) not null, NAME VARCHAR2 (40),"
            " AGE NUMBER (10), CITY VARCHAR2 (40), BOSSOID NUMBER (38), BOSSCID NUMBER (38), PRIMARY KEY ( OID ))");
        Run("CREATE TABLE S.QEMPLOYEE (OID NUMBER (38) not null, CID NUMBER (38) not null, NAME VARCHAR2 (40),"
            " AGE NUMBER (10), CITY VARCHAR2 (40), BOSSOID NUMBER (38), BOSSCID NUMBER (38), SALARY NUMBER (10),"
            " PRIMARY KEY ( OID ))");
        Run("CREATE VIEW S.VQPERSON AS SELECT OID, CID, NAME, AGE, CITY, BOSSOID, BOSSCID FROM S.QPERSON"
            " UNION ALL SELECT OID, CID, NAME, AGE, CITY, BOSSOID, BOSSCID FROM S.QEMPLOYEE");
        Run("CREATE TABLE S.QCIRCLE (OID NUMBER (38) not null, CID NUMBER (38) not null, NAME VARCHAR2 (40))");
        Run("CREATE TABLE S.QSQUARE (OID NUMBER (38) not null, CID NUMBER (38) not null, NAME VARCHAR2 (40))");
        Run("CREATE VIEW S.VQSHAPE AS SELECT OID, CID, NAME FROM S.QCIRCLE UNION ALL SELECT OID, CID, NAME FROM S.QSQUARE");
        Run("CREATE TABLE S.QITEMS (OID NUMBER (38) not null, CID NUMBER (38) not null, NAME VARCHAR2 (40))");
        Run("CREATE VIEW S.VQPART AS SELECT OID, CID, NAME FROM S.QITEMS WHERE CID = 305");
        for (const Row& row : PersonRows()) {
            sqlengine::Param city;
            if (row.city) {
                city.value = sqlengine::Value::Text(*row.city);
            }
            sqlengine::Param bossOid;
            sqlengine::Param bossCid;
            if (row.boss) {
                bossOid = Int(*row.boss);
                bossCid = Int(BossOf(row)->cid);
            }
            if (row.cid == EMPLOYEE) {
                Run("INSERT INTO S.QEMPLOYEE (OID, CID, NAME, AGE, CITY, BOSSOID, BOSSCID, SALARY)"
                    " VALUES (:1, :2, :3, :4, :5, :6, :7, :8)",
                    {Int(row.oid), Int(row.cid), Text(row.name), Int(row.age), city, bossOid, bossCid,
                     Int(row.salary)});
            } else {
                Run("INSERT INTO S.QPERSON (OID, CID, NAME, AGE, CITY, BOSSOID, BOSSCID)"
                    " VALUES (:1, :2, :3, :4, :5, :6, :7)",
                    {Int(row.oid), Int(row.cid), Text(row.name), Int(row.age), city, bossOid, bossCid});
            }
        }
        Run("CREATE TABLE S.QFRIENDS (OID NUMBER (38) not null, CID NUMBER (38) not null, EID NUMBER (10) not null,"
            " FRIENDOID NUMBER (38), FRIENDCID NUMBER (38), PRIMARY KEY ( OID, EID ))");
        for (const Row& row : PersonRows()) {
            int64_t eid = 0;
            for (int64_t oid : FriendsOf(row.oid)) {
                Run("INSERT INTO S.QFRIENDS (OID, CID, EID, FRIENDOID, FRIENDCID) VALUES (:1, :2, :3, :4, :5)",
                    {Int(row.oid), Int(FRIEND_SET), Int(++eid), Int(oid), Int(RowOf(oid)->cid)});
            }
        }
        Run("CREATE TABLE S.QTAGS (OID NUMBER (38) not null, CID NUMBER (38) not null, EID NUMBER (10) not null,"
            " TAG VARCHAR2 (40), PRIMARY KEY ( OID, EID ))");
        for (const Row& row : PersonRows()) {
            int64_t eid = 0;
            for (const std::string& tag : TagsOf(row.oid)) {
                Run("INSERT INTO S.QTAGS (OID, CID, EID, TAG) VALUES (:1, :2, :3, :4)",
                    {Int(row.oid), Int(TAG_SET), Int(++eid), Text(tag)});
            }
        }
        Run("INSERT INTO S.QCIRCLE (OID, CID, NAME) VALUES (700, 303, 'c1')");
        Run("INSERT INTO S.QCIRCLE (OID, CID, NAME) VALUES (701, 303, 'c2')");
        Run("INSERT INTO S.QSQUARE (OID, CID, NAME) VALUES (702, 304, 's1')");
        Run("INSERT INTO S.QITEMS (OID, CID, NAME) VALUES (800, 305, 'nut')");
        Run("INSERT INTO S.QITEMS (OID, CID, NAME) VALUES (801, 306, 'nut')");
        Run("INSERT INTO S.QITEMS (OID, CID, NAME) VALUES (802, 305, 'bolt')");
        Run("COMMIT");
    }

    void TearDown() override
    {
        if (session_) {
            session_->End();
            session_.reset();
        }
        map_.reset();
        setMap_.reset();
        tagSetMap_.reset();
        DatabaseTest::TearDown();
    }

    KxGClass& AddClass(uint16_t number, const char* name, uint16_t kind, const char* table, const char* extent)
    {
        map_->AddClass(std::make_unique<KxGClass>(map_.get(), Id(number), KxString(name), KXG_CLASS_PERSISTENT));
        KxGClass& made = *map_->FindClass(number);
        made.SetState(KXG_CLASS_LOADED);
        auto classMap = std::make_unique<KxGClassMap>(map_.get(), &made);
        classMap->SetStoreHdl(std::make_unique<FixedStoreHdl>(classMap.get(), kind, KxGTable(KxString(table), schema_),
                                                              KxGTable(KxString(extent), schema_)));
        made.SetClassMap(std::move(classMap));
        return made;
    }

    void Value(KxGClass& owner, const char* column, uint16_t typeCode)
    {
        auto map = std::make_unique<ValueMap>(column, owner.GetClassNumber(), typeCode);
        owner.GetClassMap()->AddMemberMap(map.get());
        owner.AddMember(std::make_unique<KxGMember>(KxString(column), &owner, std::move(map)));
    }

    static sqlengine::Param Int(int64_t v)
    {
        sqlengine::Param p;
        p.value = sqlengine::Value::Integer(v);
        return p;
    }
    static sqlengine::Param Text(const std::string& v)
    {
        sqlengine::Param p;
        p.value = sqlengine::Value::Text(v);
        return p;
    }

    sqlengine::Outcome Run(const std::string& sql, const std::vector<sqlengine::Param>& params = {})
    {
        sqlengine::Outcome out;
        auto statement = session_->Prepare(sql, error_);
        EXPECT_TRUE(statement) << sql << ": " << error_.message;
        if (statement) {
            EXPECT_TRUE(statement->Run(params, out, error_)) << sql << ": " << error_.message;
        }
        return out;
    }

    // Translates the query (given in infix order) and answers the SELECT's status and text.
    int32_t Translate(KxQuery& infix, KxString& sql, std::vector<KxGQueryParameter>& params,
                      KxGOperationEnvironment* environment = nullptr, uint16_t accessMethod = 0)
    {
        KxGenericQuery prefix(nullptr, infix.GetClassId());
        EXPECT_EQ(infix.Convert2Prefix(prefix), 0);
        KxGQueryService service(environment, db_.get(), 1);
        return service.BuildSelect(*map_, prefix, accessMethod, sql, params);
    }

    // Runs the query through the gateway's statements: the object ids in fetch order.
    std::vector<int64_t> Execute(KxQuery& infix, KxGOperationEnvironment* environment = nullptr,
                                 int32_t* status = nullptr)
    {
        KxGenericQuery prefix(nullptr, infix.GetClassId());
        EXPECT_EQ(infix.Convert2Prefix(prefix), 0);
        KxGQueryService service(environment, db_.get(), 1);
        std::vector<KxObjId> result;
        int32_t ran = service.Run(*map_, prefix, 0, result);
        if (status != nullptr) {
            *status = ran;
        } else {
            EXPECT_EQ(ran, 0);
        }
        std::vector<int64_t> ids;
        for (const KxObjId& id : result) {
            ids.push_back(static_cast<int64_t>(id.Get64()));
        }
        return ids;
    }

    KxString schema_;
    std::unique_ptr<KxGSchemaMap> map_;
    std::unique_ptr<KxGSetMap> setMap_;
    std::unique_ptr<KxGSetMap> tagSetMap_;
    std::shared_ptr<sqlengine::Session> session_;
    sqlengine::Error error_;
};

using Build = std::function<void(KxQuery&)>;

Build Name(uint16_t op, const char* text, uint16_t options = 0)
{
    return [=](KxQuery& q) { q.SetMember(NAME, Id(PERSON), op, KxQueryValue::String(text), options); };
}
Build Age(uint16_t op, int64_t value)
{
    return [=](KxQuery& q) { q.SetMember(AGE, Id(PERSON), op, KxQueryValue::Int(value)); };
}
Build City(uint16_t op, std::optional<std::string> value)
{
    return [=](KxQuery& q) {
        q.SetMember(CITY, Id(PERSON), op, value ? KxQueryValue::String(*value) : KxQueryValue::Null(11));
    };
}
Build Bool(uint8_t op) { return [=](KxQuery& q) { q.SetBoolOp(op); }; }
Build Open() { return [](KxQuery& q) { q.Open(); }; }
Build Close() { return [](KxQuery& q) { q.Close(); }; }
Build Constant(bool truth) { return [=](KxQuery& q) { q.SetConstant(truth); }; }
// A sub-query on the boss: the inner operations apply to the boss.
Build Boss(std::vector<Build> inner)
{
    return [=](KxQuery& q) {
        auto sub = std::make_unique<KxQuery>(Id(PERSON));
        for (const auto& op : inner) {
            op(*sub);
        }
        q.SetSubQuery(BOSS, Id(PERSON), std::move(sub));
    };
}

// A sub-query on the friends: the number of friends that match the inner operations.
Build Friends(std::vector<Build> inner, int32_t count = 0, uint16_t countOp = 4, uint16_t member = FRIENDS)
{
    return [=](KxQuery& q) {
        auto sub = std::make_unique<KxQuery>(Id(PERSON));
        for (const auto& op : inner) {
            op(*sub);
        }
        q.SetSubQuery(member, Id(PERSON), std::move(sub), count, countOp);
    };
}

// A sub-query on the tags: the number of tags that match the inner comparisons (on the tag itself).
Build Tags(std::vector<Build> inner, int32_t count = 0, uint16_t countOp = 4)
{
    return [=](KxQuery& q) {
        auto sub = std::make_unique<KxQuery>(Id(TAG_SET));
        for (const auto& op : inner) {
            op(*sub);
        }
        q.SetSubQuery(TAGS, Id(PERSON), std::move(sub), count, countOp);
    };
}
Build Tag(uint16_t op, const char* text, uint16_t options = 0)
{
    return [=](KxQuery& q) { q.SetMember(0, Id(TAG_SET), op, KxQueryValue::String(text), options); };
}

// How many of the person's tags match.
int64_t CountTags(const Row& row, const std::function<bool(const std::string&)>& match)
{
    int64_t n = 0;
    for (const std::string& tag : TagsOf(row.oid)) {
        n += match(tag) ? 1 : 0;
    }
    return n;
}

// A comparison on the set of friends itself: how many friends it holds (with the friend given, how
// many times it holds that friend).
Build FriendCount(int32_t count, uint16_t countOp, uint16_t member = FRIENDS)
{
    return [=](KxQuery& q) { q.SetMemberCount(member, Id(PERSON), count, countOp); };
}
Build HasFriend(int64_t oid, int32_t count = 0, uint16_t countOp = 0)
{
    return [=](KxQuery& q) {
        KxQueryOp op;
        op.kind = KXQ_MEMBER;
        op.memberPos = FRIENDS;
        op.memberClass = Id(PERSON);
        op.compareOp = 1;
        op.value = KxQueryValue::Int(oid);
        op.hasValue = true;
        op.count = count;
        op.countOp = countOp;
        q.Append(op);
    };
}

bool Like(const std::string& text, const std::string& pattern)   // "%" any run, "_" one character
{
    if (pattern.empty()) {
        return text.empty();
    }
    if (pattern[0] == '%') {
        for (size_t i = 0; i <= text.size(); ++i) {
            if (Like(text.substr(i), pattern.substr(1))) {
                return true;
            }
        }
        return false;
    }
    return !text.empty() && (pattern[0] == '_' || pattern[0] == text[0]) && Like(text.substr(1), pattern.substr(1));
}

TEST_F(QueryServiceTest, EachComparisonAndNestFindsTheExpectedPersons)
{
    using Pred = std::function<bool(const Row&)>;
    const uint8_t AND = 1, OR = 2, NOT = 16;
    const struct {
        const char* what;
        std::vector<Build> ops;
        Pred expected;
    } cases[] = {
        {"=", {Name(1, "Anna")}, [](const Row& r) { return r.name == "Anna"; }},
        {"<", {Age(2, 20)}, [](const Row& r) { return r.age < 20; }},
        {"<=", {Age(3, 21)}, [](const Row& r) { return r.age <= 21; }},
        {">", {Age(4, 30)}, [](const Row& r) { return r.age > 30; }},
        {">=", {Age(5, 35)}, [](const Row& r) { return r.age >= 35; }},
        {"<>", {Age(6, 14)}, [](const Row& r) { return r.age != 14; }},
        {"quote in the value", {Name(1, "O'Hara")}, [](const Row& r) { return r.name == "O'Hara"; }},
        {"* wildcard", {Name(1, "A*")}, [](const Row& r) { return Like(r.name, "A%"); }},
        {"? wildcard", {Name(1, "A?b")}, [](const Row& r) { return r.name == "A_b"; }},
        {"wildcard with <>", {Name(6, "A*")}, [](const Row& r) { return !Like(r.name, "A%"); }},
        {"% is literal", {Name(1, "50%*")}, [](const Row& r) { return r.name == "50%x"; }},
        {"_ is literal", {Name(1, "A_*")}, [](const Row& r) { return r.name == "A_b"; }},
        {"\\ is literal", {Name(1, "*\\*")}, [](const Row& r) { return r.name.find('\\') != std::string::npos; }},
        {"wildcards off", {Name(1, "A*", KXQ_OPT_NO_PATTERN)}, [](const Row&) { return false; }},
        {"case ignored", {Name(1, "AN*", KXQ_OPT_NO_CASE)}, [](const Row& r) { return Like(Lower(r.name), "an%"); }},
        {"case and blanks ignored", {Name(1, "al bun DY", KXQ_OPT_NO_CASE | KXQ_OPT_NO_BLANKS)},
         [](const Row& r) { return r.name == "Al Bundy"; }},
        {"IS NULL", {City(1, std::nullopt)}, [](const Row& r) { return !r.city; }},
        {"IS NOT NULL", {City(6, std::nullopt)}, [](const Row& r) { return r.city.has_value(); }},
        {"AND", {Age(2, 30), Bool(AND), City(1, "Rome")},
         [](const Row& r) { return r.age < 30 && r.city == "Rome"; }},
        {"OR", {Name(1, "Bob"), Bool(OR), Age(4, 45)}, [](const Row& r) { return r.name == "Bob" || r.age > 45; }},
        {"NOT", {Bool(NOT), Name(1, "A*")}, [](const Row& r) { return !Like(r.name, "A%"); }},
        {"NOT over AND", {Bool(NOT), Open(), Age(2, 20), Bool(AND), Name(1, "Bob"), Close()},
         [](const Row& r) { return !(r.age < 20 && r.name == "Bob"); }},
        {"NOT over OR", {Bool(NOT), Open(), Age(2, 20), Bool(OR), Name(1, "Bob"), Close()},
         [](const Row& r) { return !(r.age < 20 || r.name == "Bob"); }},
        {"OR with a true constant", {Constant(true), Bool(OR), Age(4, 45)}, [](const Row&) { return true; }},
        {"AND with a true constant", {Constant(true), Bool(AND), Age(4, 45)}, [](const Row& r) { return r.age > 45; }},
        {"false constant", {Constant(false)}, [](const Row&) { return false; }},
        {"OR with a false constant", {Constant(false), Bool(OR), Age(4, 45)}, [](const Row& r) { return r.age > 45; }},
        {"nested", {Open(), Age(2, 10), Bool(OR), Age(4, 40), Close(), Bool(AND), Bool(NOT), Name(1, "Zed")},
         [](const Row& r) { return (r.age < 10 || r.age > 40) && r.name != "Zed"; }},
        {"OR binds after AND", {Age(2, 10), Bool(OR), Age(4, 40), Bool(AND), Name(1, "Zed")},
         [](const Row& r) { return r.age < 10 || (r.age > 40 && r.name == "Zed"); }},
        {"double NOT", {Bool(NOT), Bool(NOT), Age(2, 25)}, [](const Row& r) { return r.age < 25; }},
        {"no condition", {}, [](const Row&) { return true; }},
        {"reference, joined", {Age(4, 10), Bool(AND), Boss({Name(1, "Bob")})},
         [](const Row& r) { return r.age > 10 && BossOf(r) != nullptr && BossOf(r)->name == "Bob"; }},
        {"reference, sub-select", {Age(2, 10), Bool(OR), Boss({Name(1, "A*")})},
         [](const Row& r) { return r.age < 10 || (BossOf(r) != nullptr && Like(BossOf(r)->name, "A%")); }},
        {"NOT over a reference", {Bool(NOT), Boss({Age(4, 30)})},
         [](const Row& r) { return BossOf(r) != nullptr && !(BossOf(r)->age > 30); }},
        {"reference of a reference, joined",
         {Boss({Age(4, 10), Bool(AND), Boss({City(1, "Rome")})}), Bool(AND), City(6, std::nullopt)},
         [](const Row& r) {
             const Row* b = BossOf(r);
             const Row* bb = b != nullptr ? BossOf(*b) : nullptr;
             return b != nullptr && b->age > 10 && bb != nullptr && bb->city == "Rome" && r.city.has_value();
         }},
        {"reference of a reference under OR",
         {Boss({Age(4, 10), Bool(OR), Boss({City(1, "Rome")})}), Bool(AND), City(6, std::nullopt)},
         [](const Row& r) {
             const Row* b = BossOf(r);
             const Row* bb = b != nullptr ? BossOf(*b) : nullptr;
             return b != nullptr && (b->age > 10 || (bb != nullptr && bb->city == "Rome")) && r.city.has_value();
         }},
        {"reference without condition", {Boss({})}, [](const Row& r) { return r.boss.has_value(); }},
        {"a friend matches", {Friends({Age(4, 40)})},
         [](const Row& r) { return CountFriends(r, [](const Row& f) { return f.age > 40; }) > 0; }},
        {"at least one friend, as >= 1", {Friends({City(1, "Rome")}, 1, 5)},
         [](const Row& r) { return CountFriends(r, [](const Row& f) { return f.city == "Rome"; }) >= 1; }},
        {"no friend matches", {Friends({Name(1, "A*")}, 0, 1)},
         [](const Row& r) { return CountFriends(r, [](const Row& f) { return Like(f.name, "A%"); }) == 0; }},
        {"count bound before the element's constants", {Friends({Age(2, 30)}, 2, 1), Bool(AND), Name(6, "Bob")},
         [](const Row& r) {
             return CountFriends(r, [](const Row& f) { return f.age < 30; }) == 2 && r.name != "Bob";
         }},
        {"count after a constant, under OR", {Age(4, 45), Bool(OR), Friends({City(6, std::nullopt)}, 2, 2)},
         [](const Row& r) { return r.age > 45 || CountFriends(r, [](const Row& f) { return f.city.has_value(); }) < 2; }},
        {"friends of a friend", {Friends({Friends({Name(1, "Zed")})})},
         [](const Row& r) {
             return CountFriends(r, [](const Row& f) {
                        return CountFriends(f, [](const Row& ff) { return ff.name == "Zed"; }) > 0;
                    }) > 0;
         }},
        {"NOT over friends", {Bool(NOT), Friends({})}, [](const Row& r) { return FriendsOf(r.oid).empty(); }},
        {"number of friends", {FriendCount(2, 1)}, [](const Row& r) { return FriendsOf(r.oid).size() == 2; }},
        {"fewer than two friends", {FriendCount(2, 2), Bool(AND), Age(4, 10)},
         [](const Row& r) { return FriendsOf(r.oid).size() < 2 && r.age > 10; }},
        {"holds a friend", {Age(2, 40), Bool(AND), HasFriend(5012)},
         [](const Row& r) {
             const auto friends = FriendsOf(r.oid);
             return r.age < 40 && std::find(friends.begin(), friends.end(), 5012) != friends.end();
         }},
        {"a tag matches", {Tags({Tag(1, "red")})},
         [](const Row& r) { return CountTags(r, [](const std::string& t) { return t == "red"; }) > 0; }},
        {"a tag of two patterns, under OR", {Age(4, 40), Bool(OR), Tags({Tag(1, "b*"), Bool(OR), Tag(1, "g?een")})},
         [](const Row& r) {
             return r.age > 40 || CountTags(r, [](const std::string& t) { return t == "blue" || t == "green"; }) > 0;
         }},
        {"a tag without case", {Tags({Tag(1, "BLUE", KXQ_OPT_NO_CASE)}, 1, 5)},
         [](const Row& r) { return CountTags(r, [](const std::string& t) { return Lower(t) == "blue"; }) >= 1; }},
        {"two tags that are not red", {Tags({Tag(6, "red")}, 2, 1), Bool(AND), Age(2, 45)},
         [](const Row& r) { return CountTags(r, [](const std::string& t) { return t != "red"; }) == 2 && r.age < 45; }},
        {"any tag", {Tags({})}, [](const Row& r) { return !TagsOf(r.oid).empty(); }},
        {"no red tag", {Bool(NOT), Tags({Tag(1, "red")})},
         [](const Row& r) { return CountTags(r, [](const std::string& t) { return t == "red"; }) == 0; }},
        {"does not hold a friend", {Bool(NOT), HasFriend(5012, 1, 5)},
         [](const Row& r) {
             const auto friends = FriendsOf(r.oid);
             return std::find(friends.begin(), friends.end(), 5012) == friends.end();
         }},
    };
    for (const auto& c : cases) {
        KxQuery query(Id(PERSON));
        for (const auto& op : c.ops) {
            op(query);
        }
        std::vector<int64_t> expected;
        for (const Row& row : PersonRows()) {
            if (c.expected(row)) {
                expected.push_back(row.oid);
            }
        }
        std::vector<int64_t> found = Execute(query);
        std::sort(found.begin(), found.end());
        EXPECT_EQ(found, expected) << c.what;
    }
}

TEST_F(QueryServiceTest, EveryClassKindIsReadThroughItsExtent)
{
    const struct {
        const char* what;
        uint16_t classNumber;
        uint16_t memberClass;
        uint16_t member;
        std::vector<int64_t> expected;
    } cases[] = {
        // the subclass's own table: employees only
        {"class without subclasses", EMPLOYEE, EMPLOYEE, SALARY, {}},
        {"Virtual class", SHAPE, SHAPE, NAME, {700, 701, 702}},
        {"UniversalChild class", PART, PART, NAME, {800, 802}},
    };
    std::vector<int64_t> employees;
    for (const Row& row : PersonRows()) {
        if (row.cid == EMPLOYEE && row.salary >= 1000) {
            employees.push_back(row.oid);
        }
    }
    for (const auto& c : cases) {
        KxQuery query(Id(c.classNumber));
        if (c.classNumber == EMPLOYEE) {
            query.SetMember(SALARY, Id(EMPLOYEE), 5, KxQueryValue::Int(1000));   // the employee's own member
        } else {
            query.SetMember(NAME, Id(c.memberClass), 6, KxQueryValue::String("x"));
        }
        std::vector<int64_t> found = Execute(query);
        std::sort(found.begin(), found.end());
        EXPECT_EQ(found, c.classNumber == EMPLOYEE ? employees : c.expected) << c.what;
    }
    // a class with subclasses finds its subclasses' objects
    KxQuery all(Id(PERSON));
    all.SetMember(AGE, Id(PERSON), 5, KxQueryValue::Int(0));
    std::vector<int64_t> found = Execute(all);
    EXPECT_EQ(found.size(), PersonRows().size());
    EXPECT_TRUE(std::find(found.begin(), found.end(), 5000) != found.end());   // an employee
}

TEST_F(QueryServiceTest, SelectTextsBindEveryConstant)
{
    KxGOperationEnvironment ordered(nullptr, nullptr, nullptr, db_->GetDatabaseInfo(), 0, 1);
    const struct {
        const char* what;
        std::vector<Build> ops;
        KxGOperationEnvironment* environment;
        uint16_t accessMethod;
        const char* sql;
        std::vector<std::string> bound;
    } cases[] = {
        {"false constant", {Constant(false)}, nullptr, 0, "SELECT T0.OID,T0.CID FROM S.VQPERSON T0 WHERE 0 = 1", {}},
        {"pattern", {Name(1, "A*B?")}, nullptr, 0,
         "SELECT T0.OID,T0.CID FROM S.VQPERSON T0 WHERE T0.NAME LIKE :1 ESCAPE '\\' ", {"A%B_"}},
        {"literal percent", {Name(1, "50%*")}, nullptr, 0,
         "SELECT T0.OID,T0.CID FROM S.VQPERSON T0 WHERE T0.NAME LIKE :1 ESCAPE '\\' ", {"50\\%%"}},
        {"no pattern", {Name(1, "A*B?", KXQ_OPT_NO_PATTERN)}, nullptr, 0,
         "SELECT T0.OID,T0.CID FROM S.VQPERSON T0 WHERE T0.NAME = :1", {"A*B?"}},
        {"NULL binds nothing", {City(1, std::nullopt), Bool(1), Name(6, "x")}, nullptr, 0,
         "SELECT T0.OID,T0.CID FROM S.VQPERSON T0 WHERE (T0.CITY IS NULL) AND (T0.NAME <> :1)", {"x"}},
        {"NOT over OR", {Bool(16), Open(), Name(1, "a"), Bool(2), Name(1, "b"), Close()}, nullptr, 0,
         "SELECT T0.OID,T0.CID FROM S.VQPERSON T0 WHERE NOT (T0.NAME = :1 OR T0.NAME = :2)", {"a", "b"}},
        {"true constant", {Constant(true), Bool(2), Name(1, "b")}, nullptr, 0,
         "SELECT T0.OID,T0.CID FROM S.VQPERSON T0 WHERE 1 = 1 OR T0.NAME = :1", {"b"}},
        {"ordered by object id", {Name(1, "b")}, &ordered, 0,
         "SELECT T0.OID,T0.CID FROM S.VQPERSON T0 WHERE T0.NAME = :1 ORDER BY T0.OID", {"b"}},
        {"sort member and object id", {[](KxQuery& q) { q.SortBy(AGE, Id(PERSON), 1); }}, &ordered, 0,
         "SELECT T0.OID,T0.CID FROM S.VQPERSON T0 ORDER BY T0.AGE DESC, T0.OID", {}},
        {"access method 2", {}, nullptr, 2,
         "SELECT T0.OID,T0.CID,T0.NAME,T0.AGE,T0.CITY,T0.BOSSOID,T0.BOSSCID FROM S.VQPERSON T0", {}},
        {"reference joined, markers in text order", {Age(4, 1), Bool(1), Boss({Name(1, "b")}), Bool(1), City(1, "c")},
         nullptr, 0,
         "SELECT T0.OID,T0.CID FROM S.VQPERSON T0, S.VQPERSON T1 WHERE ((T0.AGE > :1) AND (T0.BOSSOID = T1.OID AND  ( "
         "T1.NAME = :2 ) )) AND (T0.CITY = :3)",
         {"", "b", "c"}},
        {"reference as a sub-select", {Age(4, 1), Bool(2), Boss({Name(1, "b")})}, nullptr, 0,
         "SELECT T0.OID,T0.CID FROM S.VQPERSON T0 WHERE T0.AGE > :1 OR  T0.BOSSOID IN (  SELECT T1.OID FROM "
         "S.VQPERSON T1 WHERE T1.NAME = :2 ) ",
         {"", "b"}},
        {"a friend matches", {Friends({Name(1, "b")})}, nullptr, 0,
         "SELECT T0.OID,T0.CID FROM S.VQPERSON T0 WHERE  T0.OID IN (  SELECT T1.OID FROM S.QFRIENDS T1, S.VQPERSON T2 "
         "WHERE T1.FRIENDOID = T2.OID AND  ( T2.NAME = :1 )  ) ",
         {"b"}},
        {"count bound first", {Age(4, 1), Bool(1), Friends({Name(1, "b")}, 3, 4), Bool(1), City(1, "c")}, nullptr, 0,
         "SELECT T0.OID,T0.CID FROM S.VQPERSON T0 WHERE ((T0.AGE > :1) AND (:2 <  (  SELECT COUNT(*) FROM S.QFRIENDS T1, "
         "S.VQPERSON T2 WHERE T0.OID = T1.OID AND T1.FRIENDOID = T2.OID AND  ( T2.NAME = :3 )  ) )) AND (T0.CITY = :4)",
         {"", "", "b", "c"}},
        {"a tag matches", {Tags({Tag(1, "b*")})}, nullptr, 0,
         "SELECT T0.OID,T0.CID FROM S.VQPERSON T0 WHERE  T0.OID IN (  SELECT T1.OID FROM S.QTAGS T1 "
         "WHERE  ( T1.TAG LIKE :1 ESCAPE '\\'  )  ) ",
         {"b%"}},
        {"tag count bound first", {Tags({Tag(6, "x")}, 2, 1)}, nullptr, 0,
         "SELECT T0.OID,T0.CID FROM S.VQPERSON T0 WHERE :1 =  (  SELECT COUNT(*) FROM S.QTAGS T1 "
         "WHERE T0.OID = T1.OID AND  ( T1.TAG <> :2 )  ) ",
         {"", "x"}},
        {"set member compared", {Name(1, "b"), Bool(2), HasFriend(5012, 2, 5)}, nullptr, 0,
         "SELECT T0.OID,T0.CID FROM S.VQPERSON T0 WHERE T0.NAME = :1 OR 2 <=  (  SELECT COUNT(*) FROM S.QFRIENDS T1 "
         "WHERE T0.OID = T1.OID AND T1.FRIENDOID = :2 ) ",
         {"b", ""}},
    };
    for (const auto& c : cases) {
        KxQuery query(Id(PERSON));
        for (const auto& op : c.ops) {
            op(query);
        }
        KxString sql;
        std::vector<KxGQueryParameter> params;
        ASSERT_EQ(Translate(query, sql, params, c.environment, c.accessMethod), 0) << c.what;
        EXPECT_EQ(sql.ToUtf8(), std::string(" ") + c.sql) << c.what;   // the dialect starts SELECT with a blank
        std::vector<std::string> bound;
        for (const auto& param : params) {
            bound.push_back(param.value.text);
        }
        EXPECT_EQ(bound, c.bound) << c.what;
    }
}

TEST_F(QueryServiceTest, OrderByObjectIdWhenTheEnvironmentAsks)
{
    KxGOperationEnvironment ordered(nullptr, nullptr, nullptr, db_->GetDatabaseInfo(), 0, 1);
    KxQuery query(Id(PERSON));
    query.SetMember(AGE, Id(PERSON), 4, KxQueryValue::Int(20));
    std::vector<int64_t> expected;
    for (const Row& row : PersonRows()) {
        if (row.age > 20) {
            expected.push_back(row.oid);
        }
    }
    EXPECT_EQ(Execute(query, &ordered), expected);   // the rows come from two tables, in id order
}

TEST_F(QueryServiceTest, RowsAreFetchedInBatchesAndAFailedFetchGivesItsError)
{
    // parts beyond one or two fetches: 99, 100 (a second fetch returns no row) and 250 rows
    for (int64_t count : {99, 100, 250}) {
        Run("DELETE FROM S.QITEMS");
        std::vector<int64_t> expected;
        for (int64_t i = 0; i < count; ++i) {
            Run("INSERT INTO S.QITEMS (OID, CID, NAME) VALUES (:1, 305, 'x')", {Int(9000 + i)});
            expected.push_back(9000 + i);
        }
        Run("COMMIT");
        KxGOperationEnvironment ordered(nullptr, nullptr, nullptr, db_->GetDatabaseInfo(), 0, 1);
        KxQuery query(Id(PART));
        query.SetMember(NAME, Id(PART), 1, KxQueryValue::String("x"));
        EXPECT_EQ(Execute(query, &ordered), expected) << count;
    }
    KxQuery query(Id(PART));
    query.SetMember(NAME, Id(PART), 1, KxQueryValue::String("x"));
    sqlengine::Engine::Instance().InjectFailure("OCIStmtFetch", 1013);
    int32_t status = 0;
    EXPECT_TRUE(Execute(query, nullptr, &status).empty());
    EXPECT_LT(status, 0);
}

TEST_F(QueryServiceTest, CallersSqlTextGivesTheReferencesOfItsRows)
{
    KxGQueryService service(nullptr, db_.get(), 1);
    std::vector<KxRef> refs;
    EXPECT_EQ(service.ExecSQL(map_.get(), KxString("SELECT OID, CID FROM S.QPERSON"), refs), KXG_E_NO_CLASS);
    EXPECT_EQ(service.ExecSQL(nullptr, KxString("SELECT OID, CID FROM S.QPERSON"), refs), KXG_E_NO_CLASS);
    map_->AddClass(std::make_unique<KxGClass>(map_.get(), KxClassId(100, 12), KxString("Row"), KXG_CLASS_PERSISTENT));
    map_->FindClass(100)->SetState(KXG_CLASS_LOADED);
    EXPECT_EQ(service.ExecSQL(map_.get(), KxString("SELECT OID, CID FROM S.QPERSON"), refs),
              KXG_E_NO_CLASS_MAP_IN_CATALOG);
    AddClass(100, "Row", KXG_STORE_DEFAULT, "QITEMS", "QITEMS");

    ASSERT_EQ(service.ExecSQL(map_.get(), KxString("SELECT OID, CID FROM S.VQPERSON WHERE AGE > 30 ORDER BY OID"),
                              refs),
              0);
    std::vector<std::pair<int64_t, uint16_t>> expected;
    for (const Row& row : PersonRows()) {
        if (row.age > 30) {
            expected.emplace_back(row.oid, row.cid);
        }
    }
    std::vector<std::pair<int64_t, uint16_t>> found;
    for (const KxRef& ref : refs) {
        found.emplace_back(static_cast<int64_t>(ref.GetObjId().Get64()), ref.GetClassId().GetClassNumber());
    }
    EXPECT_EQ(found, expected);

    // a text that is not a query is executed and gives 1
    refs.clear();
    EXPECT_EQ(service.ExecSQL(map_.get(), KxString("UPDATE S.QITEMS SET NAME = 'y' WHERE OID = 800"), refs), 1);
    EXPECT_TRUE(refs.empty());
    db_->CommitConnection();
    EXPECT_EQ(Run("SELECT NAME FROM S.QITEMS WHERE OID = 800").result.rows.at(0).at(0).bytes, "y");
    // a select list without class ids is refused by the adapter
    EXPECT_LT(service.ExecSQL(map_.get(), KxString("SELECT OID FROM S.QITEMS"), refs), 0);
    EXPECT_TRUE(refs.empty());
}

// The exported entry needs the base's gateway transaction context: a base without one is refused
// before anything reaches a database, and the set stays as it was.
TEST(ExecSQLQueryTest, ABaseWithoutATransactionContextIsRefused)
{
    oratest::KelvoxScope kernel("query_tests");
    KxBase plain(KxString("q"));
    KxBase inTransaction(KxString("q2"));
    KxTransaction transaction;
    inTransaction.SetCurrentTransaction(&transaction);
    KxOnDemandSet set(nullptr);
    KxOnDemand kept;
    kept.Assign(nullptr, KxRef(KxObjId(), KxClassId(300, 1)), nullptr);
    set.Add(kept);
    for (KxBase* base : {static_cast<KxBase*>(nullptr), &plain, &inTransaction}) {
        EXPECT_EQ(ExecSQLQuery(base, KxString("SELECT OID, CID FROM S.QPERSON"), &set), KXG_E_NO_TXN_CONTEXT);
        EXPECT_EQ(set.Count(), 1u);
    }
    inTransaction.SetCurrentTransaction(nullptr);
}

TEST_F(QueryServiceTest, RefusedQueriesGiveTheirStatus)
{
    const struct {
        const char* what;
        uint16_t classNumber;
        std::vector<Build> ops;
        int32_t status;
    } cases[] = {
        {"<= with a wildcard", PERSON, {Name(3, "A*")}, KXG_E_QUERY_OPERATOR},
        {">= with a wildcard", PERSON, {Name(5, "A*")}, KXG_E_QUERY_OPERATOR},
        {"< with a wildcard", PERSON, {Name(2, "A*")}, KXG_E_QUERY_OPERATOR},
        {"NULL with <", PERSON, {City(2, std::nullopt)}, KXG_E_QUERY_OPERATOR},
        {"operator without comparison text", PERSON, {Age(7, 1)}, KXG_E_QUERY_OPERATOR},
        {"NOT over a comparison that adds nothing", PERSON, {Bool(16), Age(0, 1)}, KXG_E_QUERY_ACCESS},
        {"unsupported Boolean operator", PERSON, {Age(1, 1), Bool(4), Age(1, 2)}, KXG_E_QUERY_EXECUTE_2},
        {"member not mapped", PERSON, {[](KxQuery& q) { q.SetMember(9, Id(PERSON), 1, KxQueryValue::Int(1)); }},
         KXG_E_NO_MEMBER},
        {"class not in the catalog", 399, {}, KXG_E_NO_CLASS},
        {"sub-query on a set kept in a blob", PERSON, {Friends({Age(1, 1)}, 0, 4, PACKED_FRIENDS)}, KXG_E_NO_MEMBER_MAP},
        {"set count with an operator without text", PERSON, {Friends({Age(1, 1)}, 2, 7)}, KXG_E_QUERY_OPERATOR},
        {"comparison on a set kept in a blob", PERSON, {FriendCount(1, 1, PACKED_FRIENDS)}, KXG_E_NO_MEMBER_MAP},
        {"sub-query inside a tag's query", PERSON, {Tags({Friends({})})}, KXG_E_QUERY_ACCESS},
        {"sort inside a tag's query", PERSON, {Tags({[](KxQuery& q) { q.SortBy(0, Id(TAG_SET), 1); }})},
         KXG_E_QUERY_ACCESS},
    };
    for (const auto& c : cases) {
        KxQuery query(Id(c.classNumber));
        for (const auto& op : c.ops) {
            op(query);
        }
        KxString sql;
        std::vector<KxGQueryParameter> params;
        EXPECT_EQ(Translate(query, sql, params), c.status) << c.what;
        EXPECT_TRUE(params.empty()) << c.what;
    }
}

TEST_F(QueryServiceTest, APrefixQueryWithoutRoomForAnOperandIsRefused)
{
    const struct {
        const char* what;
        std::vector<Build> ops;
    } cases[] = {
        {"two terms without an operator", {Age(1, 1), Age(1, 2)}},
        {"operator without its second operand", {Bool(1), Age(1, 1)}},
        {"a sub-query", {[](KxQuery& q) {
             KxQueryOp op;
             op.kind = KXQ_SUBQUERY;
             q.Append(op);
         }}},
    };
    for (const auto& c : cases) {
        KxQuery query(Id(PERSON));
        query.SetFlags(1);   // taken as prefix order as it stands
        for (const auto& op : c.ops) {
            op(query);
        }
        KxGQueryService service(nullptr, db_.get(), 1);
        KxString sql;
        std::vector<KxGQueryParameter> params;
        EXPECT_EQ(service.BuildSelect(*map_, query, 0, sql, params), KXG_E_QUERY_ACCESS) << c.what;
    }
}

class TracedQueryServiceTest : public QueryServiceTest {
protected:
    TracedQueryServiceTest() : QueryServiceTest(true) {}
};

TEST_F(TracedQueryServiceTest, RefusedMembersAndClassesAreTraced)
{
    KxString sql;
    std::vector<KxGQueryParameter> params;
    KxQuery unmapped(Id(PERSON));
    unmapped.SetMember(9, Id(PERSON), 1, KxQueryValue::Int(1));
    EXPECT_EQ(Translate(unmapped, sql, params), KXG_E_NO_MEMBER);
    KxQuery unknown(Id(399));
    EXPECT_EQ(Translate(unknown, sql, params), KXG_E_NO_CLASS);
    const std::string trace = TraceText();
    EXPECT_NE(trace.find("\n<Error>Line 1028 : Error ERR_KXG_NO_MEMBER: Can't get type attribute member; class name =; "
                         "ClassName Person ,ClassId = 300v1 ,MemberPos = 9\n</Error error=-1>\n"),
              std::string::npos)
        << trace;
    EXPECT_NE(trace.find("Line 296 : Error ERR_KXG_NO_CLASS :Can't get class for class id ; ClassName  ,ClassId = 399v1"),
              std::string::npos)
        << trace;
}

}  // namespace
