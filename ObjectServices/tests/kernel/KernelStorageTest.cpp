// The whole road through the kernel's own API: a schema made by the schema mapper relgen on a server
// of the embedded engine, a kernel base connected to it by server name ("Oracle$<server>"), and
// stores, reads by reference in a process of their own, queries, extent counts and scans, deletes,
// locks between two kernel clients, commit and rollback; a client killed in the middle of a
// transaction leaves no rows and is removed as stale by the next one.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "KxBase.h"
#include "KxBucket.h"
#include "KxClassDict.h"
#include "KxConnection.h"
#include "KxMetaType.h"
#include "KxObject.h"
#include "KxQuery.h"
#include "KxRoot.h"
#include "KxTransaction.h"
#include "TransactionManager.h"
#include "oci.h"
#include "sqlengine.h"
#include "sqlite3.h"

extern char** environ;

namespace {

const char kWorkerVariable[] = "KX_STORAGE_WORKER";

// What a schema is made from: a dictionary, and the schema user (also the kernel base's name).
struct Dataset {
    const char* dictionary;
    const char* user;
    const char* password;
    const char* dictionaries;   // the folder that holds the dictionary's folder
};

const Dataset kShop{"shop", "SHOP", "shop", KX_SHOP_DICTIONARIES};
const Dataset kGraph{"graph", "GRAPH", "graph", KX_GRAPH_DICTIONARIES};

const Dataset* DatasetNamed(const std::string& name)
{
    for (const Dataset* dataset : {&kShop, &kGraph}) {
        if (name == dataset->dictionary) {
            return dataset;
        }
    }
    return nullptr;
}

// A brand of relational server the schemas are made on, and the engine's server of each dataset (for
// DB2 also the database's name, which is the schema's).
struct Brand {
    const char* name;        // as written in the server text
    const char* server;      // the shop's
    const char* graphServer; // the graph's
};

void PrintTo(const Brand& brand, std::ostream* out) { *out << brand.name << "$" << brand.server; }

const Brand kBrands[] = {{"Oracle", "KXORA", "KXGRAPH"}, {"DB2", "SHOP", "GRAPH"}};

const Brand* BrandNamed(const std::string& name)
{
    for (const Brand& brand : kBrands) {
        if (name == brand.name) {
            return &brand;
        }
    }
    return nullptr;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Quote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

// The user the log-in callback answers with: the schema user of the client opening a base.
std::string gLoginUser;
std::string gLoginPassword;

int32_t LogIn(KxString& user, KxString& password, int32_t)
{
    user = KxString(gLoginUser.c_str());
    password = KxString(gLoginPassword.c_str());
    return 1;
}

// The folder of a server of the engine with a schema that relgen made from a dataset, shared by the
// tests of a process (a worker process is told the folder through its environment).
struct Schema {
    const Brand* brand = nullptr;
    const Dataset* dataset = nullptr;
    std::string folder;
    std::string config;

    std::string ServerName() const { return dataset == &kGraph ? brand->graphServer : brand->server; }
    // The key of the configuration's server section that names the server.
    std::string ServerKey() const { return std::string(dataset->user) + "DB"; }
    // A worker's job: "<brand>|<dictionary>|<config>|<folder>".
    std::string Job() const { return std::string(brand->name) + "|" + dataset->dictionary + "|" + config + "|" + folder; }
};

std::string ServerFolder(const std::string& folder) { return folder + "/server"; }

std::string WriteConfig(const Schema& schema)
{
    const std::string config = schema.folder + "/kx.ini";
    std::ofstream out(config);
    out << "[servers\\LOCAL]\nDictionaryPath=" << schema.dataset->dictionaries << "\n"
        << "[servers\\" << schema.ServerKey() << "]\nname=" << schema.brand->name << "$" << schema.ServerName() << "\n";
    if (const char* trace = std::getenv("KX_STORAGE_TRACE")) {
        out << "[databases\\" << schema.dataset->user << "\\RelationalObjectGateway]\nTraceModules=ALL\nTraceFile="
            << trace << "\n";
    }
    return config;
}

// The engine finds the servers through ROG_ENGINE_SERVERS, in this process and in its workers.
void PointEngineAt(const Schema& schema)
{
    static std::map<std::string, std::string> servers;
    servers[schema.ServerName()] = ServerFolder(schema.folder);
    std::string list;
    for (const auto& [name, folder] : servers) {
        list += (list.empty() ? "" : ";") + name + "=" + folder;
    }
    setenv("ROG_ENGINE_SERVERS", list.c_str(), 1);
}

const Schema& SchemaOf(const Brand& brand, const Dataset& dataset = kShop)
{
    static std::map<std::string, Schema> schemas;
    const std::string key = std::string(brand.name) + "|" + dataset.dictionary;
    auto found = schemas.find(key);
    if (found != schemas.end()) {
        PointEngineAt(found->second);
        return found->second;
    }
    char pattern[] = "/tmp/kxstorage_XXXXXX";
    Schema schema;
    schema.brand = &brand;
    schema.dataset = &dataset;
    schema.folder = mkdtemp(pattern) != nullptr ? pattern : "";
    EXPECT_FALSE(schema.folder.empty());
    sqlengine::Error err;
    {
        auto server = sqlengine::Engine::Instance().RegisterServer(schema.ServerName(), ServerFolder(schema.folder), &err);
        EXPECT_TRUE(server && server->AddUser(dataset.user, dataset.password, false, &err) &&
                    server->GrantSystem(dataset.user, "CREATE ROLE", err))
            << err.message;
        sqlengine::Engine::Instance().UnregisterServer(schema.ServerName());
    }
    schema.config = WriteConfig(schema);
    PointEngineAt(schema);
    // Orders are read whole along their extent: the class is mapped with a PREFETCH option.
    std::string options;
    if (&dataset == &kShop) {
        std::ofstream(schema.folder + "/shop.opt") << "Order * PREFETCH 25\n";
        options = " -o shop.opt";
    }
    const std::string command = "cd " + Quote(schema.folder) + " && " + Quote(KX_RELGEN) + " -c -D " +
                                dataset.dictionary + " -S " + Quote(std::string(brand.name) + "$" + schema.ServerName()) +
                                " -B " + dataset.user + " -u " + dataset.user + " -p " + dataset.password + options +
                                " -r -config kx.ini > relgen.out 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << ReadFile(schema.folder + "/relgen.out");
    return schemas.emplace(key, schema).first->second;
}

// Counts rows of a table of the schema with SQL on a session of the engine's own (not through the
// kernel).
int64_t CountRows(const Schema& schema, const std::string& table, const std::string& where = "")
{
    sqlengine::Error err;
    auto server = sqlengine::Engine::Instance().FindServer(schema.ServerName());
    auto session = server ? sqlengine::Session::Begin(server, schema.dataset->user, schema.dataset->password, err)
                          : nullptr;
    if (!session) {
        ADD_FAILURE() << "no session: " << err.message;
        return -1;
    }
    auto statement = session->Prepare("SELECT COUNT(*) FROM " + std::string(schema.dataset->user) + "." + table +
                                          (where.empty() ? "" : " WHERE " + where),
                                      err);
    sqlengine::Outcome out;
    int64_t count = -1;
    if (statement && statement->Run({}, out, err) && !out.result.rows.empty()) {
        count = out.result.rows[0][0].integer;
    } else {
        ADD_FAILURE() << table << ": " << err.message;
    }
    statement.reset();
    session->End();
    return count;
}

// The text of one column of the rows a query selects, as the server holds it (one line a row).
std::string StoredTexts(const Schema& schema, const std::string& query)
{
    sqlengine::Error err;
    auto server = sqlengine::Engine::Instance().FindServer(schema.ServerName());
    auto session = server ? sqlengine::Session::Begin(server, schema.dataset->user, schema.dataset->password, err)
                          : nullptr;
    auto statement = session ? session->Prepare(query, err) : nullptr;
    sqlengine::Outcome out;
    std::string texts;
    if (statement && statement->Run({}, out, err)) {
        for (const auto& row : out.result.rows) {
            texts += row[0].bytes + "\n";
        }
    } else {
        ADD_FAILURE() << query << ": " << err.message;
    }
    statement.reset();
    if (session) {
        session->End();
    }
    return texts;
}

// A started kernel with one base of a schema's database, opened through its server key.
class KernelClient {
public:
    explicit KernelClient(const Schema& schema, const char* clientName = "kxtest") : schema_(schema)
    {
        KxParameterSet parameters;
        parameters.Append("ClientName", clientName);
        parameters.Append("ConfigFile", schema.config.c_str());
        started_ = InitKelvox(&parameters) == 0;
        gLoginUser = schema.dataset->user;
        gLoginPassword = schema.dataset->password;
        KxBase::KELVOX()->SetUserNameFunction(&LogIn);
    }
    ~KernelClient()
    {
        base_.reset();
        if (started_) {
            DeinitKelvox();
        }
    }

    // A new base on the database: 0, or the failing step's status.
    int32_t Open()
    {
        int32_t status = 0;
        base_ = OpenAnother(status);
        return status;
    }
    // A second base of the same client (a second connection to the database).
    std::unique_ptr<KxBase> OpenAnother(int32_t& status)
    {
        auto base = std::make_unique<KxBase>(KxString(schema_.dataset->user));
        status = base->Connect(KxString(schema_.ServerKey().c_str()));
        if (status == 0) {
            status = base->Open();
        }
        return base;
    }
    KxBase& Base() { return *base_; }

private:
    const Schema& schema_;
    bool started_ = false;
    std::unique_ptr<KxBase> base_;
};

const KxMetaClass* ClassOf(KxBase& base, const char* name)
{
    KxClassDict* dict = base.GetDictionary();
    const KxMetaType* type = dict != nullptr ? dict->FindByName(KxString(name)) : nullptr;
    return type != nullptr ? type->AsClass() : nullptr;
}

uint16_t MemberPos(const KxMetaClass& cls, const char* name)
{
    const auto& members = cls.GetAllMembers();
    for (uint16_t i = 0; i < members.size(); ++i) {
        if (members[i]->GetName() == KxString(name)) {
            return i;
        }
    }
    ADD_FAILURE() << "no member " << name;
    return 0;
}

template <typename T>
T& At(KxObject& object, const char* member)
{
    return *reinterpret_cast<T*>(object.MemberAddress(*object.GetMetaClass()->FindMember(KxString(member)), 0));
}

struct ObjectHold {
    void operator()(KxObject* object) const
    {
        if (object != nullptr) {
            object->Release();
        }
    }
};
using ObjectPtr = std::unique_ptr<KxObject, ObjectHold>;

// Products "product <i>" with the price i, stored in the current transaction.
std::vector<KxRef> StoreProducts(KxBase& base, int first, int count)
{
    const KxMetaClass* product = ClassOf(base, "Product");
    std::vector<KxRef> refs;
    for (int i = first; i < first + count; ++i) {
        KxObject* made = nullptr;
        EXPECT_EQ(base.GetObjectMgr()->Create(product, made), 0);
        ObjectPtr object(made);
        At<KxString>(*object, "title") = KxString(("product " + std::to_string(i)).c_str());
        At<double>(*object, "price") = i;
        const int32_t stored = base.StoreObject(object.get());
        EXPECT_EQ(stored, 0) << "product " << i;
        if (stored != 0) {
            break;
        }
        refs.push_back(object->GetRef());
    }
    return refs;
}

std::string RefsText(const std::vector<KxRef>& refs)
{
    std::string text;
    for (const KxRef& ref : refs) {
        KxString one;
        ref.PrintToKxString(one);
        text += one.ToUtf8() + "\n";
    }
    return text;
}

std::vector<KxRef> RefsOf(const std::string& text)
{
    std::vector<KxRef> refs;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        KxRef ref;
        if (!line.empty() && ref.ScanFromKxString(KxString(line.c_str())) == 0) {
            refs.push_back(ref);
        }
    }
    return refs;
}

// Starts this test program again as a worker running one test, told its job by the environment.
pid_t SpawnWorker(const std::string& test, const std::string& job)
{
    std::vector<std::string> environment{std::string(kWorkerVariable) + "=" + job};
    for (char** variable = environ; *variable != nullptr; ++variable) {
        if (std::string(*variable).rfind(kWorkerVariable, 0) != 0) {
            environment.emplace_back(*variable);
        }
    }
    std::vector<char*> envp;
    for (std::string& variable : environment) {
        envp.push_back(variable.data());
    }
    envp.push_back(nullptr);
    std::string program = "/proc/self/exe";
    std::string filter = "--gtest_filter=KernelStorageWorker." + test;
    char* argv[] = {program.data(), filter.data(), nullptr};
    pid_t pid = 0;
    EXPECT_EQ(posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, envp.data()), 0);
    return pid;
}

bool WaitForFile(const std::string& path, int seconds)
{
    for (int i = 0; i < seconds * 20; ++i) {
        if (access(path.c_str(), F_OK) == 0) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

// The schema of a worker's job (Schema::Job); false when this process is no worker.
bool ReadJob(Schema& job)
{
    const char* text = std::getenv(kWorkerVariable);
    if (text == nullptr) {
        return false;
    }
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, '|')) {
        parts.push_back(part);
    }
    if (parts.size() != 4) {
        return false;
    }
    job.brand = BrandNamed(parts[0]);
    job.dataset = DatasetNamed(parts[1]);
    job.config = parts[2];
    job.folder = parts[3];
    return job.brand != nullptr && job.dataset != nullptr;
}

class KernelStorage : public ::testing::TestWithParam<Brand> {
protected:
    void SetUp() override
    {
        schema_ = &SchemaOf(GetParam());
        ASSERT_FALSE(HasFailure());
        client_ = std::make_unique<KernelClient>(*schema_);
        ASSERT_EQ(client_->Open(), 0);
        for (const char* name : {"Product", "Order", "Party"}) {
            Clear(name);
        }
    }
    void TearDown() override { client_.reset(); }

    // Every object of the class and its subclasses deleted (committed), so that each test starts from
    // an empty extent.
    void Clear(const char* name)
    {
        KxBase& base = client_->Base();
        const KxMetaClass* cls = ClassOf(base, name);
        ASSERT_NE(cls, nullptr);
        ASSERT_EQ(base.BeginTransaction(), 0);
        KxQuery all(cls->GetClassId());
        all.SetConstant(true);
        KxRefList refs;
        ASSERT_GE(base.Query(all, refs), 0);
        for (const KxRef& ref : refs) {
            ASSERT_EQ(base.DeleteObject(ref), 0);
        }
        ASSERT_EQ(base.CommitTransaction(), 0);
    }

    std::string Job() const { return schema_->Job(); }
    int64_t Count(const std::string& table, const std::string& where = "") const
    {
        return CountRows(*schema_, table, where);
    }

    KxBase& Base() { return client_->Base(); }
    const Brand& B() const { return GetParam(); }

    // Products stored and committed through the test's base, and a second base of the client (a client
    // of its own to the database, whose locks conflict with the first's).
    void StoreAndOpenAnother(int count, std::vector<KxRef>& refs, std::unique_ptr<KxBase>& second)
    {
        ASSERT_EQ(Base().BeginTransaction(), 0);
        refs = StoreProducts(Base(), 1, count);
        ASSERT_EQ(Base().CommitTransaction(), 0);
        int32_t opened = -1;
        second = client_->OpenAnother(opened);
        ASSERT_EQ(opened, 0);
    }

    const Schema* schema_ = nullptr;
    std::unique_ptr<KernelClient> client_;
};

TEST_P(KernelStorage, StoredObjectsAreReadBackByReferenceInAProcessOfTheirOwn)
{
    ASSERT_EQ(Base().BeginTransaction(), 0);
    const std::vector<KxRef> refs = StoreProducts(Base(), 1, 300);
    ASSERT_EQ(refs.size(), 300u);
    ASSERT_EQ(Base().CommitTransaction(), 0);
    EXPECT_EQ(Count("PRODUCTC4V0"), 300);
    EXPECT_EQ(Count("LOCKS"), 0);   // commit drops the transaction's locks

    const std::string input = schema_->folder + "/refs.txt";
    const std::string output = schema_->folder + "/read.txt";
    std::ofstream(input) << RefsText(refs);
    std::remove(output.c_str());
    const pid_t pid = SpawnWorker("ReadByReference", Job());
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the reader failed";
    std::vector<std::string> lines;
    std::istringstream read(ReadFile(output));
    for (std::string line; std::getline(read, line);) {
        lines.push_back(line);
    }
    ASSERT_EQ(lines.size(), 300u);
    EXPECT_EQ(lines[0], "product 1 1");
    EXPECT_EQ(lines[299], "product 300 300");
}

TEST_P(KernelStorage, QueriesCountsAndScansInBatchesSeeTheStoredObjects)
{
    KxBase& base = Base();
    const KxMetaClass* product = ClassOf(base, "Product");
    ASSERT_EQ(base.BeginTransaction(), 0);
    const std::vector<KxRef> refs = StoreProducts(base, 1, 150);
    ASSERT_EQ(base.CommitTransaction(), 0);
    ASSERT_EQ(base.BeginTransaction(), 0);

    KxQuery expensive(product->GetClassId());
    expensive.SetMember(MemberPos(*product, "price"), product->GetClassId(), 4, KxQueryValue::Real(100));
    KxRefList found;
    EXPECT_EQ(base.Query(expensive, found), 0);
    EXPECT_EQ(found.size(), 50u);

    int32_t count = -1;
    EXPECT_EQ(base.GetExtentCount(product->GetClassId(), count), 0);
    EXPECT_EQ(count, 150);

    // A scan from the first object on, one object at a time; the cursor reads arrays of rows.
    int32_t known = 0;
    std::unique_ptr<KxBucketCru> cursor(base.CreateCursor(product->GetClassId(), known));
    ASSERT_NE(cursor, nullptr);
    std::vector<KxRef> scanned;
    KxRef ref;
    int32_t rc = base.Seek(product->GetClassId(), cursor.get(), 0, 0, ref);
    while (rc == 0) {
        scanned.push_back(ref);
        rc = base.Seek(product->GetClassId(), cursor.get(), 1, 1, ref);
    }
    EXPECT_EQ(rc, -2005);
    ASSERT_EQ(scanned.size(), refs.size());
    for (size_t i = 0; i < refs.size(); ++i) {
        EXPECT_EQ(scanned[i].GetObjId(), refs[i].GetObjId()) << i;   // in object-id order
    }
    cursor.reset();
    EXPECT_EQ(base.CommitTransaction(), 0);
}

TEST_P(KernelStorage, ObjectsGotAlongACursorAreReadAheadAndHeldUntilHandedOn)
{
    KxBase& base = Base();
    const KxMetaClass* product = ClassOf(base, "Product");
    ASSERT_EQ(base.BeginTransaction(), 0);
    const std::vector<KxRef> refs = StoreProducts(base, 1, 40);
    ASSERT_EQ(base.CommitTransaction(), 0);
    ASSERT_EQ(base.GetObjectMgr()->GetObjectCount(), 0u);

    ASSERT_EQ(base.BeginTransaction(), 0);
    int32_t known = 0;
    std::unique_ptr<KxBucketCru> cursor(base.CreateCursor(product->GetClassId(), known));
    ASSERT_NE(cursor, nullptr);
    KxRef ref;
    ASSERT_EQ(base.Seek(product->GetClassId(), cursor.get(), 0, 0, ref), 0);
    KxObject* object = nullptr;
    ASSERT_EQ(base.GetObject(ref, object), 0);
    ObjectPtr first(object);
    EXPECT_EQ(At<double>(*object, "price"), 1);
    // The following objects came with the first one and stay in memory.
    EXPECT_GT(base.GetObjectMgr()->GetObjectCount(), 1u);

    // One of them deleted in the transaction is no longer given from memory.
    ASSERT_EQ(base.DeleteObject(refs[1]), 0);
    object = nullptr;
    EXPECT_LT(base.GetObject(refs[1], object), 0);
    EXPECT_EQ(object, nullptr);

    std::vector<double> prices;
    int32_t rc = base.Seek(product->GetClassId(), cursor.get(), 1, 1, ref);
    for (; rc == 0; rc = base.Seek(product->GetClassId(), cursor.get(), 1, 1, ref)) {
        if (ref.GetObjId() == refs[1].GetObjId()) {
            continue;   // fetched by the cursor before the delete
        }
        ASSERT_EQ(base.GetObject(ref, object), 0);
        ObjectPtr hold(object);
        prices.push_back(At<double>(*object, "price"));
    }
    EXPECT_EQ(rc, -2005);
    ASSERT_EQ(prices.size(), 38u);
    EXPECT_EQ(prices.front(), 3);
    EXPECT_EQ(prices.back(), 40);
    // A cursor deleted before the base reads on: the base no longer reads along it.
    cursor.reset();
    ASSERT_EQ(base.GetObject(refs[39], object), 0);
    ObjectPtr last(object);
    EXPECT_EQ(base.AbortTransaction(), 0);
    // What the scan handed on and the transaction's end let go of what the base kept; only the
    // caller's holds remain.
    EXPECT_EQ(base.GetObjectMgr()->GetObjectCount(), 2u);
}

TEST_P(KernelStorage, RollbackLeavesNothingAndDeletesGoWithTheirCommit)
{
    KxBase& base = Base();
    ASSERT_EQ(base.BeginTransaction(), 0);
    const std::vector<KxRef> kept = StoreProducts(base, 1, 10);
    ASSERT_EQ(base.CommitTransaction(), 0);

    // A nested level rolled back takes its stores with it; the outer level's stay.
    ASSERT_EQ(base.BeginTransaction(), 0);
    StoreProducts(base, 11, 5);
    ASSERT_EQ(base.BeginTransaction(), 0);
    StoreProducts(base, 16, 5);
    EXPECT_EQ(base.AbortTransaction(), 0);
    EXPECT_EQ(base.CommitTransaction(), 0);
    EXPECT_EQ(Count("PRODUCTC4V0"), 15);

    ASSERT_EQ(base.BeginTransaction(), 0);
    StoreProducts(base, 21, 5);
    EXPECT_EQ(base.DeleteObject(kept[0]), 0);
    EXPECT_EQ(base.AbortTransaction(), 0);
    EXPECT_EQ(Count("PRODUCTC4V0"), 15);

    ASSERT_EQ(base.BeginTransaction(), 0);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(base.DeleteObject(kept[i]), 0);
    }
    EXPECT_EQ(base.CommitTransaction(), 0);
    EXPECT_EQ(Count("PRODUCTC4V0"), 11);
    ASSERT_EQ(base.BeginTransaction(), 0);
    KxObject* object = nullptr;
    EXPECT_LT(base.GetObject(kept[0], object), 0);   // deleted
    EXPECT_EQ(object, nullptr);
    ASSERT_EQ(base.GetObject(kept[5], object), 0);
    ObjectPtr hold(object);
    EXPECT_EQ(At<double>(*object, "price"), 6);
    EXPECT_EQ(base.CommitTransaction(), 0);
}

// Lock modes as callers pass them: the lock procedure (Oracle) and the lock trigger (DB2) refuse a
// requested 1142 when another client holds 8196, 2100 when it holds 4116 or 8196, 4116 when it holds
// 2100 or above, and any other mode whatever it holds.
enum : int32_t { kRead = 1142, kShared = 2100, kUpdate = 4116, kExclusive = 8196 };

KxLockSpec LockMode(int32_t mode) { return KxLockSpec{0, mode, 0}; }

TEST_P(KernelStorage, LocksOfOneClientConflictWithAnothersByTheirModes)
{
    KxBase& first = Base();
    std::vector<KxRef> refs;
    std::unique_ptr<KxBase> second;
    ASSERT_NO_FATAL_FAILURE(StoreAndOpenAnother(3, refs, second));

    const struct {
        int32_t held;
        int32_t asked;
        bool granted;
    } cases[] = {
        {kRead, kRead, true},         {kRead, kShared, true},       {kRead, kUpdate, true},
        {kRead, kExclusive, false},   {kShared, kRead, true},       {kShared, kShared, true},
        {kShared, kUpdate, false},    {kShared, kExclusive, false}, {kUpdate, kRead, true},
        {kUpdate, kShared, false},    {kUpdate, kUpdate, false},    {kUpdate, kExclusive, false},
        {kExclusive, kRead, false},   {kExclusive, kShared, false}, {kExclusive, kUpdate, false},
        {kExclusive, kExclusive, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.held) + " held, " + std::to_string(c.asked) + " asked");
        ASSERT_EQ(first.BeginTransaction(), 0);
        ASSERT_EQ(second->BeginTransaction(), 0);
        EXPECT_EQ(first.LockObject(refs[0], LockMode(c.held)), 0);
        EXPECT_EQ(second->LockObject(refs[0], LockMode(c.asked)), c.granted ? 0 : -2041);
        EXPECT_EQ(second->LockObject(refs[1], LockMode(c.asked)), 0);   // another object is free
        EXPECT_EQ(first.CommitTransaction(), 0);
        EXPECT_EQ(second->CommitTransaction(), 0);
        EXPECT_EQ(Count("LOCKS"), 0);   // the locks went with the commits
    }

    // The shell's collection lock in mode 1 fails as a whole: the object before the refused one is not
    // left locked by the second client.
    ASSERT_EQ(first.BeginTransaction(), 0);
    ASSERT_EQ(second->BeginTransaction(), 0);
    EXPECT_EQ(first.LockObject(refs[0], LockMode(kUpdate)), 0);
    KxRefCollection collection(2);
    collection[0].ref = refs[2];
    collection[1].ref = refs[0];
    const KxLockSpec shared = LockMode(kShared);
    const int32_t locked = second->Lock(collection, 1, &shared);
    EXPECT_TRUE(locked == -2041 || locked == -4102) << locked;
    EXPECT_EQ(first.LockObject(refs[2], LockMode(kExclusive)), 0);
    EXPECT_EQ(first.CommitTransaction(), 0);
    EXPECT_EQ(second->LockObject(refs[0], LockMode(kExclusive)), 0);
    EXPECT_EQ(second->CommitTransaction(), 0);
    EXPECT_EQ(Count("LOCKS"), 0);
}

// A store takes the compound statement's lock (4124) on the object it updates: a shared lock of
// another client refuses it and nothing is written, a read lock lets it through.
TEST_P(KernelStorage, AnUpdateTakesItsLockAgainstTheLocksOfOtherClients)
{
    KxBase& first = Base();
    std::vector<KxRef> refs;
    std::unique_ptr<KxBase> second;
    ASSERT_NO_FATAL_FAILURE(StoreAndOpenAnother(1, refs, second));
    for (const int32_t held : {kShared, kRead}) {
        SCOPED_TRACE(held);
        ASSERT_EQ(first.BeginTransaction(), 0);
        ASSERT_EQ(first.LockObject(refs[0], LockMode(held)), 0);
        ASSERT_EQ(second->BeginTransaction(), 0);
        KxObject* object = nullptr;
        ASSERT_EQ(second->GetObject(refs[0], object), 0);
        ObjectPtr product(object);
        At<double>(*product, "price") = held;
        const int32_t stored = second->StoreObject(product.get());
        const int32_t committed = second->CommitTransaction();
        if (held == kShared) {
            // The store waits for the commit, whose write cannot take the lock: the commit answers the
            // failure, says that nothing was written, and nothing was.
            EXPECT_EQ(stored, 0);
            EXPECT_EQ(committed, -2041);
            EXPECT_EQ(second->GetTransactionLevel(), 0);
            const KxErrorInfo error = second->GetExcMgr()->GetLastError();
            EXPECT_EQ(error.code, -2041);
            EXPECT_NE(error.text.ToUtf8().find("nothing was written"), std::string::npos) << error.text.ToUtf8();
            EXPECT_EQ(Count("PRODUCTC4V0", "PRICE1V0 = 1"), 1);
        } else {
            EXPECT_EQ(stored, 0);
            EXPECT_EQ(committed, 0);
            EXPECT_EQ(Count("PRODUCTC4V0", "PRICE1V0 = 1142"), 1);
        }
        EXPECT_EQ(first.CommitTransaction(), 0);
    }
    EXPECT_EQ(Count("LOCKS"), 0);

    // A compound statement that is a transaction of its own (begun through the kernel's transaction
    // manager interface): its commit answers the lock it cannot take, and writes nothing.
    ASSERT_EQ(first.BeginTransaction(), 0);
    ASSERT_EQ(first.LockObject(refs[0], LockMode(kShared)), 0);
    ASSERT_EQ(second->BeginTransaction(), 0);
    KxObject* object = nullptr;
    ASSERT_EQ(second->GetObject(refs[0], object), 0);
    ASSERT_EQ(second->CommitTransaction(), 0);
    ObjectPtr product(object);
    At<double>(*product, "price") = 5;
    {
        KxTransaction transaction;
        KxTransactionResource* resource = transaction.GetResource(second.get());
        ASSERT_NE(resource, nullptr);
        TransactionManager* manager = second->GetConnection()->GetTransactionMgr();
        ASSERT_NE(manager, nullptr);
        ASSERT_EQ(manager->Begin(resource, 0, 0), 1);
        EXPECT_EQ(second->GetBucket(refs[0].GetClassId())->StoreObject(product.get(), 0, resource), 0);
        EXPECT_EQ(manager->Commit(resource), -2041);
    }
    EXPECT_EQ(first.CommitTransaction(), 0);
    EXPECT_EQ(Count("PRODUCTC4V0", "PRICE1V0 = 5"), 0);
    EXPECT_EQ(Count("LOCKS"), 0);
}

TEST_P(KernelStorage, AClientKilledInATransactionLeavesNoRowsAndIsRemovedAsStale)
{
    const int64_t clientsBefore = Count("ACTIVECLIENTS");
    const std::string ready = schema_->folder + "/ready";
    std::remove(ready.c_str());
    const pid_t pid = SpawnWorker("StoreLockAndWait", Job() );
    ASSERT_TRUE(WaitForFile(ready, 60)) << "the worker did not get ready";
    EXPECT_GT(Count("ACTIVECLIENTS"), clientsBefore);
    EXPECT_GT(Count("LOCKS"), 0);
    kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(Count("PRODUCTC4V0"), 0);   // nothing of its transaction

    // The next client removes the dead one's registration and locks.
    KernelClient next(*schema_, "next");
    ASSERT_EQ(next.Open(), 0);
    EXPECT_EQ(Count("LOCKS"), 0);
    EXPECT_LE(Count("ACTIVECLIENTS"), clientsBefore + 1);
    const std::vector<KxRef> refs = RefsOf(ReadFile(ready));
    ASSERT_FALSE(refs.empty());
    ASSERT_EQ(next.Base().BeginTransaction(), 0);
    EXPECT_EQ(next.Base().LockObject(refs[0], LockMode(kExclusive)), 0);
    EXPECT_EQ(next.Base().CommitTransaction(), 0);
}

// The names of the parties of a query's result, read by reference, in result order; each reference
// names the class of its row.
std::vector<std::string> PartyNames(KxBase& base, KxQuery& query)
{
    KxRefList refs;
    EXPECT_EQ(base.Query(query, refs), 0);
    std::vector<std::string> names;
    for (const KxRef& ref : refs) {
        KxObject* object = nullptr;
        EXPECT_EQ(base.GetObject(ref, object), 0);
        if (object == nullptr) {
            continue;
        }
        ObjectPtr hold(object);
        EXPECT_EQ(object->GetMetaClass()->GetClassId().GetClassNumber(), ref.GetClassId().GetClassNumber());
        names.push_back(At<KxString>(*object, "name").ToUtf8() + "/" + object->GetMetaClass()->GetName().ToUtf8());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Customers keep their orders in an object set; a query counts a customer's matching orders; a customer
// without e-mail address has NULL in its column, so that a comparison with NULL finds it; a query on
// the base class Party gives references of the rows' own classes.
TEST_P(KernelStorage, CustomersTheirOrdersAndQueriesOnThem)
{
    KxBase& base = Base();
    const KxMetaClass* customer = ClassOf(base, "Customer");
    const KxMetaClass* order = ClassOf(base, "Order");
    const KxMetaClass* party = ClassOf(base, "Party");
    const KxMetaClass* supplier = ClassOf(base, "Supplier");
    ASSERT_TRUE(customer != nullptr && order != nullptr && party != nullptr && supplier != nullptr);
    std::vector<ObjectPtr> objects;
    auto make = [&](const KxMetaClass* cls) -> KxObject& {
        KxObject* made = nullptr;
        EXPECT_EQ(base.GetObjectMgr()->Create(cls, made), 0);
        objects.emplace_back(made);
        return *made;
    };
    ASSERT_EQ(base.BeginTransaction(), 0);
    std::vector<KxObject*> orders;
    for (int32_t quantity : {1, 7, 9}) {
        KxObject& o = make(order);
        At<int32_t>(o, "number") = static_cast<int32_t>(orders.size()) + 1;
        At<int32_t>(o, "quantity") = quantity;
        ASSERT_EQ(base.StoreObject(&o), 0);
        orders.push_back(&o);
    }
    const struct {
        const char* name;
        const char* email;   // null: none (an inactive string)
        std::vector<int> orders;
    } customers[] = {{"ann", "ann@shop", {1, 2}}, {"bob", "bob@shop", {0, 1}}, {"cid", nullptr, {}}};
    for (const auto& c : customers) {
        KxObject& made = make(customer);
        At<KxString>(made, "name") = KxString(c.name);
        if (c.email != nullptr) {
            At<KxString>(made, "email") = KxString(c.email);
        }
        for (int i : c.orders) {
            ASSERT_EQ(At<KxObjectSet>(made, "orders").Add(orders[i]), 0);
        }
        ASSERT_EQ(base.StoreObject(&made), 0);
    }
    KxObject& acme = make(supplier);
    At<KxString>(acme, "name") = KxString("acme");
    ASSERT_EQ(base.StoreObject(&acme), 0);
    ASSERT_EQ(base.CommitTransaction(), 0);
    EXPECT_EQ(Count("ORDERSC2P0V0"), 4);
    EXPECT_EQ(Count("CUSTOMERC2V0", "EMAIL0V0 IS NULL"), 1);
    objects.clear();

    ASSERT_EQ(base.BeginTransaction(), 0);
    const KxClassId& id = customer->GetClassId();
    // At least two orders of more than five pieces (a count other than "at least one").
    for (int32_t atLeast : {1, 2}) {
        auto big = std::make_unique<KxQuery>(order->GetClassId());
        big->SetMember(MemberPos(*order, "quantity"), order->GetClassId(), 4, KxQueryValue::Int(5));
        KxQuery buyers(id);
        buyers.SetSubQuery(MemberPos(*customer, "orders"), id, std::move(big), atLeast, 5);
        const std::vector<std::string> expected =
            atLeast == 2 ? std::vector<std::string>{"ann/Customer"}
                         : std::vector<std::string>{"ann/Customer", "bob/Customer"};
        EXPECT_EQ(PartyNames(base, buyers), expected) << atLeast;
    }
    KxQuery noMail(id);
    noMail.SetMember(MemberPos(*customer, "email"), id, 1, KxQueryValue::Null(11));
    EXPECT_EQ(PartyNames(base, noMail), std::vector<std::string>{"cid/Customer"});
    KxQuery mail(id);
    mail.SetMember(MemberPos(*customer, "email"), id, 6, KxQueryValue::Null(11));
    EXPECT_EQ(PartyNames(base, mail), (std::vector<std::string>{"ann/Customer", "bob/Customer"}));
    KxQuery parties(party->GetClassId());
    parties.SetConstant(true);
    EXPECT_EQ(PartyNames(base, parties),
              (std::vector<std::string>{"acme/Supplier", "ann/Customer", "bob/Customer", "cid/Customer"}));
    EXPECT_EQ(base.CommitTransaction(), 0);
}

// A string value is never cut: one that holds a NUL character is refused with a status that says so,
// and the object is not stored.
TEST_P(KernelStorage, AStringHoldingANulCharacterIsRefusedAndNothingIsStored)
{
    KxBase& base = Base();
    KxObject* made = nullptr;
    ASSERT_EQ(base.GetObjectMgr()->Create(ClassOf(base, "Product"), made), 0);
    ObjectPtr product(made);
    const char text[] = "nul\0inside";
    At<KxString>(*product, "title") = KxString(text, sizeof(text) - 1);
    ASSERT_EQ(base.BeginTransaction(), 0);
    // Refused when the store is written: at the commit.
    EXPECT_EQ(base.StoreObject(product.get()), 0);
    EXPECT_EQ(base.CommitTransaction(), -6097);
    EXPECT_EQ(Count("PRODUCTC4V0"), 0);
}

// Stores wait in the transaction's pending level until something must see them: each trigger writes
// them, and what it does sees the rows.
TEST_P(KernelStorage, PendingStoresAreWrittenBeforeAQueryACursorAReadADeleteOrANestedBegin)
{
    KxBase& base = Base();
    const KxMetaClass* product = ClassOf(base, "Product");
    const KxClassId classId = product->GetClassId();
    std::vector<KxRef> stored;   // a committed product to read, made for each case
    struct Case {
        const char* trigger;
        std::function<void(const std::vector<KxRef>&)> call;
        int64_t rowsAfterCommit;   // of the three stored before the trigger
        uint32_t pendingAfter = 0; // what the trigger itself left pending
    };
    const Case cases[] = {
        {"query",
         [&](const std::vector<KxRef>&) {
             KxQuery all(classId);
             all.SetConstant(true);
             KxRefList found;
             EXPECT_EQ(base.Query(all, found), 0);
             EXPECT_EQ(found.size(), 4u);
         },
         3},
        {"extent count",
         [&](const std::vector<KxRef>&) {
             int32_t count = 0;
             EXPECT_EQ(base.GetExtentCount(classId, count), 0);
             EXPECT_EQ(count, 4);
         },
         3},
        {"cursor",
         [&](const std::vector<KxRef>& refs) {
             int32_t count = 0;
             std::unique_ptr<KxBucketCru> cursor(base.CreateCursor(classId, count));
             ASSERT_NE(cursor, nullptr);
             KxRef ref;
             EXPECT_EQ(base.Seek(classId, cursor.get(), 0, 2, ref), 0);   // the last one
             EXPECT_EQ(ref.GetObjId(), refs.back().GetObjId());
         },
         3},
        {"read from storage",
         [&](const std::vector<KxRef>&) {
             KxObject* read = nullptr;
             EXPECT_EQ(base.GetObject(stored[0], read), 0);
             ObjectPtr hold(read);
         },
         3},
        {"delete of a pending object", [&](const std::vector<KxRef>& refs) { EXPECT_EQ(base.DeleteObject(refs[0]), 0); }, 2, 1},
        {"nested begin",
         [&](const std::vector<KxRef>&) {
             ASSERT_EQ(base.BeginTransaction(), 0);
             EXPECT_EQ(base.AbortTransaction(), 0);   // the nested level takes nothing of the outer one's
         },
         3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.trigger);
        ASSERT_NO_FATAL_FAILURE(Clear("Product"));
        ASSERT_EQ(base.BeginTransaction(), 0);
        stored = StoreProducts(base, 100, 1);
        ASSERT_EQ(base.CommitTransaction(), 0);
        ASSERT_EQ(stored.size(), 1u);
        ASSERT_EQ(base.BeginTransaction(), 0);
        const std::vector<KxRef> pending = StoreProducts(base, 1, 3);
        EXPECT_EQ(base.GetPendingCount(), 3u);
        c.call(pending);
        EXPECT_EQ(base.GetPendingCount(), c.pendingAfter);
        EXPECT_EQ(base.CommitTransaction(), 0);
        EXPECT_EQ(Count("PRODUCTC4V0", "PRICE1V0 < 100"), c.rowsAfterCommit);
    }
}

// The statements executed through OCI while a counter is installed.
std::vector<std::string> gExecuted;
void CountExecution(const char* text, void*) { gExecuted.emplace_back(text); }

// An extent scan of a class mapped with PREFETCH reads whole rows into the transaction's row-buffer
// cache: GetObject of each scanned reference runs no id-list SELECT, and the objects handed on are let
// go as the scan moves on. A class without the option still reads by id lists.
TEST_P(KernelStorage, AWholeRowScanOfAPrefetchClassRunsNoIdListSelectAndHoldsOneArray)
{
    if (std::string(B().name) != "Oracle") {
        GTEST_SKIP() << "statements are counted at the OCI stand-in";
    }
    KxBase& base = Base();
    const KxMetaClass* order = ClassOf(base, "Order");
    const KxMetaClass* product = ClassOf(base, "Product");
    ASSERT_EQ(base.BeginTransaction(), 0);
    for (int32_t i = 0; i < 60; ++i) {
        KxObject* made = nullptr;
        ASSERT_EQ(base.GetObjectMgr()->Create(order, made), 0);
        ObjectPtr object(made);
        At<int32_t>(*object, "number") = i;
        At<int32_t>(*object, "quantity") = 2 * i;
        ASSERT_EQ(base.StoreObject(object.get()), 0);
    }
    StoreProducts(base, 1, 60);
    ASSERT_EQ(base.CommitTransaction(), 0);
    ASSERT_EQ(base.GetObjectMgr()->GetObjectCount(), 0u);

    for (const KxMetaClass* cls : {order, product}) {
        SCOPED_TRACE(cls->GetName().ToUtf8());
        ASSERT_EQ(base.BeginTransaction(), 0);
        gExecuted.clear();
        OCIStandInObserveExecutions(&CountExecution, nullptr);
        int32_t known = 0;
        std::unique_ptr<KxBucketCru> cursor(base.CreateCursor(cls->GetClassId(), known));
        ASSERT_NE(cursor, nullptr);
        KxRef ref;
        int32_t rc = base.Seek(cls->GetClassId(), cursor.get(), 0, 0, ref);
        int read = 0;
        uint32_t mostHeld = 0;
        for (; rc == 0; rc = base.Seek(cls->GetClassId(), cursor.get(), 1, 1, ref)) {
            KxObject* object = nullptr;
            ASSERT_EQ(base.GetObject(ref, object), 0);
            ObjectPtr hold(object);
            if (cls == order) {
                EXPECT_EQ(At<int32_t>(*object, "quantity"), 2 * At<int32_t>(*object, "number"));
            }
            ++read;
            mostHeld = std::max(mostHeld, base.GetObjectMgr()->GetObjectCount());
        }
        OCIStandInObserveExecutions(nullptr, nullptr);
        EXPECT_EQ(rc, -2005);
        EXPECT_EQ(read, 60);
        const auto idLists = std::count_if(gExecuted.begin(), gExecuted.end(), [](const std::string& text) {
            return text.find(" IN (") != std::string::npos || text.find(" IN(") != std::string::npos;
        });
        if (cls == order) {
            EXPECT_EQ(idLists, 0) << gExecuted.size() << " statements";
            EXPECT_LE(mostHeld, 26u);   // one array of 25 and the object in hand
        } else {
            EXPECT_GT(idLists, 0);
        }
        cursor.reset();
        EXPECT_EQ(base.CommitTransaction(), 0);
    }
}

// A duplicate key found when the pending stores are written rolls every one of them back: the
// objects keep the states they had, the commit answers the failure and nothing is written.
TEST_P(KernelStorage, ADuplicateKeyFoundAtCommitRollsBackEveryPendingStore)
{
    KxBase& base = Base();
    const KxMetaClass* order = ClassOf(base, "Order");
    auto makeOrder = [&](int32_t number) {
        KxObject* made = nullptr;
        EXPECT_EQ(base.GetObjectMgr()->Create(order, made), 0);
        At<int32_t>(*made, "number") = number;
        return ObjectPtr(made);
    };
    ASSERT_EQ(base.BeginTransaction(), 0);
    ObjectPtr first = makeOrder(1);
    ASSERT_EQ(base.StoreObject(first.get()), 0);
    ASSERT_EQ(base.CommitTransaction(), 0);
    const uint16_t storedState = first->GetState();
    ASSERT_NE(storedState & KX_STATE_HAS_ROW, 0);

    ASSERT_EQ(base.BeginTransaction(), 0);
    At<int32_t>(*first, "quantity") = 7;   // an update of the stored one
    ObjectPtr second = makeOrder(2);
    ObjectPtr twin = makeOrder(1);         // the unique index on number refuses it
    for (KxObject* object : {first.get(), second.get(), twin.get()}) {
        ASSERT_EQ(base.StoreObject(object), 0);
    }
    const int32_t committed = base.CommitTransaction();
    EXPECT_LT(committed, 0);
    EXPECT_EQ(base.GetTransactionLevel(), 0);
    EXPECT_NE(base.GetExcMgr()->GetLastError().text.ToUtf8().find("nothing was written"), std::string::npos);
    EXPECT_EQ(first->GetState(), storedState);
    EXPECT_EQ(second->GetState() & KX_STATE_HAS_ROW, 0);
    EXPECT_EQ(twin->GetState() & KX_STATE_HAS_ROW, 0);
    EXPECT_EQ(Count("ORDERC5V0"), 1);
    EXPECT_EQ(Count("ORDERC5V0", "QUANTITY1V0 = 7"), 0);

    // The same objects store again once the clash is gone.
    At<int32_t>(*twin, "number") = 3;
    ASSERT_EQ(base.BeginTransaction(), 0);
    for (KxObject* object : {first.get(), second.get(), twin.get()}) {
        ASSERT_EQ(base.StoreObject(object), 0);
    }
    EXPECT_EQ(base.CommitTransaction(), 0);
    EXPECT_EQ(Count("ORDERC5V0"), 3);
    EXPECT_EQ(Count("ORDERC5V0", "QUANTITY1V0 = 7"), 1);
}

// One request holds 32,000 objects: the 32,001st store of a transaction writes them and opens a
// second request.
TEST_P(KernelStorage, The32001stObjectOfATransactionOpensASecondRequest)
{
    KxBase& base = Base();
    const KxMetaClass* product = ClassOf(base, "Product");
    const uint32_t n = KxBase::KX_PENDING_MAX + 1;
    ASSERT_EQ(base.BeginTransaction(), 0);
    for (uint32_t i = 0; i < n; ++i) {
        KxObject* made = nullptr;
        ASSERT_EQ(base.GetObjectMgr()->Create(product, made), 0);
        ObjectPtr object(made);
        At<double>(*object, "price") = i;
        ASSERT_EQ(base.StoreObject(object.get()), 0);
        if (i + 1 == KxBase::KX_PENDING_MAX) {
            EXPECT_EQ(base.GetPendingCount(), KxBase::KX_PENDING_MAX);
        }
    }
    EXPECT_EQ(base.GetPendingCount(), 1u);
    EXPECT_EQ(base.CommitTransaction(), 0);
    EXPECT_EQ(Count("PRODUCTC4V0"), static_cast<int64_t>(n));
    // The next test starts from an empty extent without deleting 32,001 objects one by one.
    sqlengine::Error err;
    auto server = sqlengine::Engine::Instance().FindServer(schema_->ServerName());
    auto session = server ? sqlengine::Session::Begin(server, schema_->dataset->user, schema_->dataset->password, err) : nullptr;
    ASSERT_TRUE(session) << err.message;
    auto statement = session->Prepare(std::string("DELETE FROM ") + schema_->dataset->user + ".PRODUCTC4V0", err);
    sqlengine::Outcome out;
    EXPECT_TRUE(statement && statement->Run({}, out, err) && session->Commit(err)) << err.message;
    statement.reset();
    session->End();
}

// A nested level that changed a string member and was rolled back puts the value back as its store
// wrote it: the row holds the same text, and an equality query on the member finds the object.
TEST_P(KernelStorage, ANestedRollbackLeavesAStringMemberEqualToWhatWasStored)
{
    KxBase& base = Base();
    const KxMetaClass* product = ClassOf(base, "Product");
    ASSERT_EQ(base.BeginTransaction(), 0);
    const std::vector<KxRef> refs = StoreProducts(base, 1, 1);
    ASSERT_EQ(base.CommitTransaction(), 0);
    ASSERT_EQ(refs.size(), 1u);
    const std::string stored = StoredTexts(*schema_, "SELECT TITLE0V0 FROM SHOP.PRODUCTC4V0");
    EXPECT_EQ(stored, "product 1\n");

    ASSERT_EQ(base.BeginTransaction(), 0);
    KxObject* object = nullptr;
    ASSERT_EQ(base.GetObject(refs[0], object), 0);
    ObjectPtr hold(object);
    ASSERT_EQ(base.BeginTransaction(), 0);
    At<KxString>(*object, "title") = KxString("changed");
    EXPECT_EQ(base.StoreObject(object), 0);
    EXPECT_EQ(base.AbortTransaction(), 0);
    EXPECT_EQ(base.CommitTransaction(), 0);
    EXPECT_EQ(StoredTexts(*schema_, "SELECT TITLE0V0 FROM SHOP.PRODUCTC4V0"), stored);

    ASSERT_EQ(base.BeginTransaction(), 0);
    KxQuery titled(product->GetClassId());
    titled.SetMember(MemberPos(*product, "title"), product->GetClassId(), 1, KxQueryValue::String("product 1"));
    KxRefList found;
    EXPECT_EQ(base.Query(titled, found), 0);
    EXPECT_EQ(found.size(), 1u);
    EXPECT_EQ(Count("PRODUCTC4V0", "TITLE0V0 = 'product 1'"), 1);
    EXPECT_EQ(base.CommitTransaction(), 0);
}

// The server's disk is full: every write fails with the server's own error, which the caller's
// status text carries; a store answers no lack of surrogates, a lock or a delete no lock conflict;
// nothing committed before is lost, and once there is room again the base works on.
TEST_P(KernelStorage, AFullDiskFailsEveryWriteWithTheServersErrorAndLosesNothing)
{
    KxBase& base = Base();
    ASSERT_EQ(base.BeginTransaction(), 0);
    const std::vector<KxRef> kept = StoreProducts(base, 1, 3);
    ASSERT_EQ(base.CommitTransaction(), 0);
    ASSERT_EQ(kept.size(), 3u);
    int32_t opened = -1;
    std::unique_ptr<KxBase> fresh = client_->OpenAnother(opened);   // no object ids fetched yet
    ASSERT_EQ(opened, 0);

    struct Full {
        std::string folder;
        explicit Full(const std::string& f) : folder(f) { sqlengine::Engine::Instance().SetDiskFull(folder, true); }
        ~Full() { sqlengine::Engine::Instance().SetDiskFull(folder, false); }
    };
    // The server's error: the disk is full; on Oracle a lock fails inside the lock procedure, whose
    // own error is all the server tells.
    const bool oracle = std::string(B().name) == "Oracle";
    auto expectServerFailure = [&](KxBase& on, int32_t status, const char* what, bool lock = false) {
        const std::string serverCode = oracle ? (lock ? "ORA-20333" : "ORA-01653") : "SQL0968";
        EXPECT_LT(status, 0) << what;
        EXPECT_NE(status, -6031) << what;   // no lack of surrogates
        EXPECT_NE(status, -2041) << what;   // no lock conflict
        const KxErrorInfo last = on.GetExcMgr()->GetLastError();
        EXPECT_EQ(last.code, status) << what;
        EXPECT_NE(last.text.ToUtf8().find(serverCode), std::string::npos) << what << ": " << last.text.ToUtf8();
    };
    // Both transactions begin while there is room (a transaction of a base registers the connection
    // it takes, a write of its own).
    ASSERT_EQ(fresh->BeginTransaction(), 0);
    ASSERT_EQ(base.BeginTransaction(), 0);
    ASSERT_EQ(StoreProducts(base, 4, 1).size(), 1u);
    {
        Full full(ServerFolder(schema_->folder));
        const KxMetaClass* product = ClassOf(*fresh, "Product");
        KxObject* made = nullptr;
        ASSERT_EQ(fresh->GetObjectMgr()->Create(product, made), 0);
        ObjectPtr object(made);
        expectServerFailure(*fresh, fresh->StoreObject(object.get()), "store needing object ids");
        expectServerFailure(*fresh, fresh->LockObject(kept[0], KxLockSpec{0, 4116, 0}), "lock", true);
        expectServerFailure(*fresh, fresh->DeleteObject(kept[1]), "delete", true);
        expectServerFailure(base, base.CommitTransaction(), "commit");
    }
    EXPECT_EQ(fresh->AbortTransaction(), 0);
    EXPECT_EQ(Count("PRODUCTC4V0"), 3);
    EXPECT_EQ(Count("LOCKS"), 0);
    ASSERT_EQ(base.BeginTransaction(), 0);
    EXPECT_EQ(StoreProducts(base, 5, 1).size(), 1u);
    EXPECT_EQ(base.DeleteObject(kept[1]), 0);
    EXPECT_EQ(base.CommitTransaction(), 0);
    EXPECT_EQ(Count("PRODUCTC4V0"), 3);
}

// Overwrites the first bytes of the catalog's header, or the first pages of the users' table and of
// its indexes (found by the catalog's own schema table), with garbage.
void DamageCatalog(const std::string& catalog, bool header)
{
    std::vector<std::pair<int64_t, int64_t>> spans;   // offset, length
    if (header) {
        spans.emplace_back(0, 100);
    } else {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open_v2(catalog.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
        sqlite3_stmt* st = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(db,
                                     "SELECT rootpage, (SELECT page_size FROM pragma_page_size) FROM sqlite_master "
                                     "WHERE tbl_name = 'users' AND rootpage > 1",
                                     -1, &st, nullptr),
                  SQLITE_OK);
        while (sqlite3_step(st) == SQLITE_ROW) {
            const int64_t size = sqlite3_column_int64(st, 1);
            spans.emplace_back((sqlite3_column_int64(st, 0) - 1) * size, size);
        }
        sqlite3_finalize(st);
        sqlite3_close_v2(db);
        ASSERT_GE(spans.size(), 2u);   // the table and its key
    }
    std::fstream file(catalog, std::ios::in | std::ios::out | std::ios::binary);
    for (const auto& [offset, length] : spans) {
        file.seekp(offset);
        const std::string garbage(static_cast<size_t>(length), 'Z');
        file.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
    }
    ASSERT_TRUE(file.good());
}

// A copy of the schema's server whose files a client cannot use: a folder it may only read, or a
// damaged catalog (its header, or the pages of its users, which a log-on reads). A client of a process
// of its own opens it: the open fails as an unreadable database, with the server's error in the
// status text, never as a server that cannot be reached, an unknown database or a refused log-in.
TEST_P(KernelStorage, AServerWhoseFilesCannotBeUsedIsAnUnreadableDatabase)
{
    enum Damage { kReadOnlyFolder, kCatalogHeader, kUsersPage };
    struct Case {
        const char* what;
        Damage damage;
        const char* oracleCode;
        const char* db2Code;
    };
    const Case cases[] = {
        {"read-only folder", kReadOnlyFolder, "ORA-01116", "SQL1036"},
        {"damaged catalog header", kCatalogHeader, "ORA-01578", "SQL1034"},
        {"damaged users' pages", kUsersPage, "ORA-01578", "SQL1034"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        char pattern[] = "/tmp/kxunusable_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        const std::string copy = pattern;
        const std::string results = copy + "/results";
        ASSERT_EQ(std::system(("cp -r " + Quote(ServerFolder(schema_->folder)) + " " + Quote(copy + "/server") +
                               " && mkdir " + Quote(results) + " && chmod 777 " + Quote(results))
                                  .c_str()),
                  0);
        // The copy as a server leaves its files when it shuts down: every log written into its file.
        for (const auto& entry : std::filesystem::directory_iterator(copy + "/server")) {
            if (entry.path().extension() != ".db") {
                continue;
            }
            sqlite3* db = nullptr;
            ASSERT_EQ(sqlite3_open_v2(entry.path().c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
            EXPECT_EQ(sqlite3_exec(db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr), SQLITE_OK);
            sqlite3_close_v2(db);
        }
        Schema unusable = *schema_;
        unusable.folder = copy;
        unusable.config = WriteConfig(unusable);
        if (c.damage == kReadOnlyFolder) {
            ASSERT_EQ(std::system(("chmod -R a+rX,a-w " + Quote(copy + "/server") + " && chmod a+rx " + Quote(copy))
                                      .c_str()),
                      0);
        } else {
            ASSERT_NO_FATAL_FAILURE(DamageCatalog(copy + "/server/catalog.db", c.damage == kCatalogHeader));
        }
        setenv("KX_STORAGE_RESULT", (results + "/open.txt").c_str(), 1);
        setenv("KX_STORAGE_AS_NOBODY", c.damage == kReadOnlyFolder ? "1" : "0", 1);
        const pid_t pid = SpawnWorker("OpenAndReport", unusable.Job());
        unsetenv("KX_STORAGE_RESULT");
        unsetenv("KX_STORAGE_AS_NOBODY");
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        std::istringstream report(ReadFile(results + "/open.txt"));
        int32_t opened = 0;
        std::string text;
        report >> opened;
        std::getline(report >> std::ws, text);
        EXPECT_EQ(opened, -6005) << text;   // cannot open database
        const char* code = std::string(B().name) == "Oracle" ? c.oracleCode : c.db2Code;
        EXPECT_NE(text.find(code), std::string::npos) << text;
        std::system(("chmod -R u+w " + Quote(copy) + " && rm -rf " + Quote(copy)).c_str());
    }
}

// Sixteen clients, each a process of its own, store into the one schema at the same time: a writer
// waits for the others (the engine's busy timeout is made long enough that no wait runs out), so no
// transaction fails.
TEST_P(KernelStorage, SixteenClientsStoringIntoOneSchemaAllCommit)
{
    constexpr int kClients = 16;
    std::vector<pid_t> workers;
    for (int i = 0; i < kClients; ++i) {
        setenv("KX_STORAGE_CLIENT", std::to_string(i).c_str(), 1);
        workers.push_back(SpawnWorker("StoreInTransactions", Job()));
    }
    unsetenv("KX_STORAGE_CLIENT");
    for (int i = 0; i < kClients; ++i) {
        int status = 0;
        ASSERT_EQ(waitpid(workers[i], &status, 0), workers[i]);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << "client " << i << ": " << ReadFile(schema_->folder + "/client" + std::to_string(i) + ".txt");
    }
    EXPECT_EQ(Count("PRODUCTC4V0"), kClients * 5 * 4);
}

INSTANTIATE_TEST_SUITE_P(Brands, KernelStorage, ::testing::ValuesIn(kBrands),
                         [](const ::testing::TestParamInfo<Brand>& info) { return std::string(info.param.name); });

// A program linked with the kernel's libraries only (the brands make the kernel load the gateway, the
// gateway its adapters) opens and closes a base of each brand and ends the kernel cleanly.
TEST(KernelShutdown, AProgramOfTheKernelLibrariesAloneEndsTheKernelCleanly)
{
    std::string servers;
    for (const Brand& brand : kBrands) {
        SchemaOf(brand);
        ASSERT_FALSE(::testing::Test::HasFailure());
        servers += "[servers\\SHOP" + std::string(brand.name) + "]\nname=" + brand.name + "$" + brand.server + "\n";
    }
    char pattern[] = "/tmp/kxshutdown_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string folder = pattern;
    std::ofstream(folder + "/kx.ini") << "[servers\\LOCAL]\nDictionaryPath=" << KX_SHOP_DICTIONARIES << "\n" << servers;
    const std::string command = Quote(KX_SHUTDOWN_PROGRAM) + " " + Quote(folder + "/kx.ini") +
                                " SHOPOracle SHOPDB2 > " + Quote(folder + "/out.txt") + " 2>&1";
    const int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << ReadFile(folder + "/out.txt");
}

// ---- a node's pointer and object set across processes -------------------------------------------------

// "label rank next=<label> kids=<label>,<label>..." of a node of the graph dictionary.
std::string DescribeNode(KxObject& node)
{
    std::string text = At<KxString>(node, "label").ToUtf8() + " " + std::to_string(At<int32_t>(node, "rank")) + " next=";
    if (KxObject* next = At<KxObject*>(node, "next")) {
        text += At<KxString>(*next, "label").ToUtf8();
    }
    text += " kids=";
    const KxObjectSet& kids = At<KxObjectSet>(node, "kids");
    for (uint32_t i = 0; i < kids.Count(); ++i) {
        text += (i == 0 ? "" : ",") + At<KxString>(*kids.Get(i), "label").ToUtf8();
    }
    return text;
}

// Runs a worker to its end: whether it exited with 0.
bool RunWorker(const std::string& test, const std::string& job)
{
    const pid_t pid = SpawnWorker(test, job);
    int status = 0;
    return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

class GraphStorage : public ::testing::TestWithParam<Brand> {
protected:
    void SetUp() override
    {
        schema_ = &SchemaOf(GetParam(), kGraph);
        ASSERT_FALSE(HasFailure());
        client_ = std::make_unique<KernelClient>(*schema_);
        ASSERT_EQ(client_->Open(), 0);
    }
    void TearDown() override { client_.reset(); }

    // A new node of the base, held by the caller.
    ObjectPtr Node(const char* label, int32_t rank)
    {
        KxBase& base = client_->Base();
        KxObject* made = nullptr;
        EXPECT_EQ(base.GetObjectMgr()->Create(ClassOf(base, "Node"), made), 0);
        At<KxString>(*made, "label") = KxString(label);
        At<int32_t>(*made, "rank") = rank;
        return ObjectPtr(made);
    }

    const Schema* schema_ = nullptr;
    std::unique_ptr<KernelClient> client_;
};

// A process that reads a node gets the node its pointer names and the elements of its object set from
// the database; storing the node again after a change of a plain member keeps both.
TEST_P(GraphStorage, APointerAndAnObjectSetSurviveAStoreByAProcessThatOnlyReadTheirOwner)
{
    KxBase& base = client_->Base();
    ObjectPtr root = Node("root", 1);
    ObjectPtr next = Node("next", 0);
    ObjectPtr left = Node("left", 0);
    ObjectPtr right = Node("right", 0);
    root->SetPointer(*root->GetMetaClass()->FindMember(KxString("next")), next.get());
    ASSERT_EQ(At<KxObjectSet>(*root, "kids").Add(left.get()), 0);
    ASSERT_EQ(At<KxObjectSet>(*root, "kids").Add(right.get()), 0);
    ASSERT_EQ(base.BeginTransaction(), 0);
    for (KxObject* node : {next.get(), left.get(), right.get(), root.get()}) {
        ASSERT_EQ(base.StoreObject(node), 0);
    }
    ASSERT_EQ(base.CommitTransaction(), 0);
    EXPECT_EQ(CountRows(*schema_, "KIDSC1P0V0"), 2);
    std::ofstream(schema_->folder + "/root.txt") << RefsText({root->GetRef()});

    std::remove((schema_->folder + "/seen.txt").c_str());
    ASSERT_TRUE(RunWorker("RerankRoot", schema_->Job())) << "the writer failed";
    EXPECT_EQ(ReadFile(schema_->folder + "/seen.txt"), "root 1 next=next kids=left,right");
    ASSERT_TRUE(RunWorker("DescribeRoot", schema_->Job())) << "the reader failed";
    EXPECT_EQ(ReadFile(schema_->folder + "/seen.txt"), "root 2 next=next kids=left,right");
    EXPECT_EQ(CountRows(*schema_, "KIDSC1P0V0"), 2);
}

INSTANTIATE_TEST_SUITE_P(Brands, GraphStorage, ::testing::ValuesIn(kBrands),
                         [](const ::testing::TestParamInfo<Brand>& info) { return std::string(info.param.name); });

// ---- workers (run only as processes of their own) ----------------------------------------------------

// Reads the objects named in refs.txt and writes "title price" for each into read.txt.
TEST(KernelStorageWorker, ReadByReference)
{
    Schema job;
    if (!ReadJob(job)) {
        GTEST_SKIP() << "runs only as a worker process";
    }
    KernelClient client(job, "reader");
    ASSERT_EQ(client.Open(), 0);
    KxBase& base = client.Base();
    ASSERT_EQ(base.BeginTransaction(), 0);
    std::ofstream out(job.folder + "/read.txt");
    for (const KxRef& ref : RefsOf(ReadFile(job.folder + "/refs.txt"))) {
        KxObject* object = nullptr;
        ASSERT_EQ(base.GetObject(ref, object), 0);
        ObjectPtr hold(object);
        out << At<KxString>(*object, "title").ToUtf8() << " " << At<double>(*object, "price") << "\n";
    }
    EXPECT_EQ(base.CommitTransaction(), 0);
}

// Stores products and locks one in a transaction that never ends; writes their references into
// "ready" once done and waits to be killed.
TEST(KernelStorageWorker, StoreLockAndWait)
{
    Schema job;
    if (!ReadJob(job)) {
        GTEST_SKIP() << "runs only as a worker process";
    }
    sqlengine::Engine::Instance().SetDurableCommits(false);
    KernelClient client(job, "doomed");
    ASSERT_EQ(client.Open(), 0);
    KxBase& base = client.Base();
    ASSERT_EQ(base.BeginTransaction(), 0);
    const std::vector<KxRef> refs = StoreProducts(base, 1, 20);
    ASSERT_EQ(base.LockObject(refs[0], LockMode(kExclusive)), 0);
    {
        std::ofstream out(job.folder + "/ready.tmp");
        out << RefsText(refs);
    }
    std::rename((job.folder + "/ready.tmp").c_str(), (job.folder + "/ready").c_str());
    for (;;) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
}

// Opens a client on the server of the job's folder (as the user nobody when KX_STORAGE_AS_NOBODY is 1
// and this process may change its user) and writes the status and the base's last error text into
// the file KX_STORAGE_RESULT.
TEST(KernelStorageWorker, OpenAndReport)
{
    Schema job;
    const char* result = std::getenv("KX_STORAGE_RESULT");
    if (!ReadJob(job) || result == nullptr) {
        GTEST_SKIP() << "runs only as a worker process";
    }
    const char* nobody = std::getenv("KX_STORAGE_AS_NOBODY");
    if (nobody != nullptr && std::string(nobody) == "1" && geteuid() == 0) {
        // A folder that only the owner may write is read-only to anyone else; root writes everywhere.
        ASSERT_EQ(setgid(65534), 0);
        ASSERT_EQ(setuid(65534), 0);
        prctl(PR_SET_DUMPABLE, 1);   // the leak checker looks at the process from a thread of its own
    }
    setenv("ROG_ENGINE_SERVERS", (job.ServerName() + "=" + ServerFolder(job.folder)).c_str(), 1);
    KernelClient client(job, "reader");
    const int32_t opened = client.Open();
    std::ofstream out(result);
    out << opened << "\n" << client.Base().GetExcMgr()->GetLastError().text.ToUtf8() << "\n";
}

// Stores products in five transactions of four objects each; writes the statuses of failures into
// client<n>.txt and fails when there were any.
TEST(KernelStorageWorker, StoreInTransactions)
{
    Schema job;
    const char* index = std::getenv("KX_STORAGE_CLIENT");
    if (!ReadJob(job) || index == nullptr) {
        GTEST_SKIP() << "runs only as a worker process";
    }
    sqlengine::Engine::Instance().SetDurableCommits(false);
    sqlengine::Engine::Instance().SetBusyTimeout(600000);
    KernelClient client(job, (std::string("client") + index).c_str());
    std::ofstream out(job.folder + "/client" + index + ".txt");
    const int32_t opened = client.Open();
    out << "open " << opened << "\n";
    ASSERT_EQ(opened, 0);
    KxBase& base = client.Base();
    const int first = std::atoi(index) * 100;
    int failures = 0;
    for (int t = 0; t < 5; ++t) {
        ASSERT_EQ(base.BeginTransaction(), 0);
        const size_t stored = StoreProducts(base, first + t * 4, 4).size();
        const int32_t committed = base.CommitTransaction();
        if (stored != 4 || committed != 0) {
            ++failures;
            out << "transaction " << t << ": stored " << stored << ", commit " << committed << "\n";
            out.flush();
        }
    }
    EXPECT_EQ(failures, 0);
}

// Reads the node named in root.txt (in a fresh process: nothing in memory) and writes what it holds
// into seen.txt; with rerank, then raises its rank by one and stores it.
void VisitRoot(bool rerank)
{
    Schema job;
    if (!ReadJob(job)) {
        GTEST_SKIP() << "runs only as a worker process";
    }
    KernelClient client(job, rerank ? "writer" : "reader");
    ASSERT_EQ(client.Open(), 0);
    KxBase& base = client.Base();
    const std::vector<KxRef> refs = RefsOf(ReadFile(job.folder + "/root.txt"));
    ASSERT_EQ(refs.size(), 1u);
    ASSERT_EQ(base.BeginTransaction(), 0);
    KxObject* object = nullptr;
    ASSERT_EQ(base.GetObject(refs[0], object), 0);
    ObjectPtr root(object);
    std::ofstream(job.folder + "/seen.txt") << DescribeNode(*root);
    if (rerank) {
        ++At<int32_t>(*root, "rank");
        EXPECT_EQ(base.StoreObject(root.get()), 0);
    }
    EXPECT_EQ(base.CommitTransaction(), 0);
}

TEST(KernelStorageWorker, RerankRoot) { VisitRoot(true); }
TEST(KernelStorageWorker, DescribeRoot) { VisitRoot(false); }

}  // namespace
