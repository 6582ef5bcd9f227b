// The whole road through the kernel's own API: a schema made by the schema mapper relgen on a server
// of the embedded engine, a kernel base connected to it by server name ("Oracle$<server>"), and
// stores, reads by reference in a process of their own, queries, extent counts and scans, deletes,
// locks between two kernel clients, commit and rollback; a client killed in the middle of a
// transaction leaves no rows and is removed as stale by the next one.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "KxBase.h"
#include "KxBucket.h"
#include "KxClassDict.h"
#include "KxMetaType.h"
#include "KxObject.h"
#include "KxQuery.h"
#include "KxRoot.h"
#include "sqlengine.h"

extern char** environ;

namespace {

const char kUser[] = "SHOP";
const char kPassword[] = "shop";
const char kWorkerVariable[] = "KX_STORAGE_WORKER";

// A brand of relational server the schema is made on.
struct Brand {
    const char* name;      // as written in the server text
    const char* server;    // the engine's server name (for DB2 also the database's)
};

void PrintTo(const Brand& brand, std::ostream* out) { *out << brand.name << "$" << brand.server; }

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

int32_t LogIn(KxString& user, KxString& password, int32_t)
{
    user = KxString(kUser);
    password = KxString(kPassword);
    return 1;
}

// The folder of a brand's server with a schema that relgen made, shared by the tests of a process
// (a worker process is told the folder through its environment).
struct Schema {
    std::string folder;
    std::string config;
};

std::string ServerFolder(const std::string& folder) { return folder + "/server"; }

std::string WriteConfig(const std::string& folder, const Brand& brand)
{
    const std::string config = folder + "/kx.ini";
    std::ofstream out(config);
    out << "[servers\\LOCAL]\nDictionaryPath=" << KX_SHOP_DICTIONARIES << "\n"
        << "[servers\\SHOPDB]\nname=" << brand.name << "$" << brand.server << "\n";
    if (const char* trace = std::getenv("KX_STORAGE_TRACE")) {
        out << "[databases\\SHOP\\RelationalObjectGateway]\nTraceModules=ALL\nTraceFile=" << trace << "\n";
    }
    return config;
}

// The engine finds the server through ROG_ENGINE_SERVERS, in this process and in its workers.
void PointEngineAt(const std::string& folder, const Brand& brand)
{
    setenv("ROG_ENGINE_SERVERS", (std::string(brand.server) + "=" + ServerFolder(folder)).c_str(), 1);
}

const Schema& SchemaOf(const Brand& brand)
{
    static std::map<std::string, Schema> schemas;
    auto found = schemas.find(brand.name);
    if (found != schemas.end()) {
        PointEngineAt(found->second.folder, brand);
        return found->second;
    }
    char pattern[] = "/tmp/kxstorage_XXXXXX";
    Schema schema;
    schema.folder = mkdtemp(pattern) != nullptr ? pattern : "";
    EXPECT_FALSE(schema.folder.empty());
    sqlengine::Error err;
    {
        auto server = sqlengine::Engine::Instance().RegisterServer(brand.server, ServerFolder(schema.folder), &err);
        EXPECT_TRUE(server && server->AddUser(kUser, kPassword, false, &err) &&
                    server->GrantSystem(kUser, "CREATE ROLE", err))
            << err.message;
        sqlengine::Engine::Instance().UnregisterServer(brand.server);
    }
    schema.config = WriteConfig(schema.folder, brand);
    PointEngineAt(schema.folder, brand);
    const std::string command = "cd " + Quote(schema.folder) + " && " + Quote(KX_RELGEN) + " -c -D shop -S " +
                                Quote(std::string(brand.name) + "$" + brand.server) + " -B " + kUser + " -u " +
                                kUser + " -p " + kPassword + " -r -config kx.ini > relgen.out 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << ReadFile(schema.folder + "/relgen.out");
    return schemas.emplace(brand.name, schema).first->second;
}

// Counts rows with SQL on a session of the engine's own (not through the kernel).
int64_t CountRows(const Brand& brand, const std::string& table, const std::string& where = "")
{
    sqlengine::Error err;
    auto server = sqlengine::Engine::Instance().FindServer(brand.server);
    auto session = server ? sqlengine::Session::Begin(server, kUser, kPassword, err) : nullptr;
    if (!session) {
        ADD_FAILURE() << "no session: " << err.message;
        return -1;
    }
    auto statement = session->Prepare("SELECT COUNT(*) FROM SHOP." + table + (where.empty() ? "" : " WHERE " + where), err);
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
std::string StoredTexts(const Brand& brand, const std::string& query)
{
    sqlengine::Error err;
    auto server = sqlengine::Engine::Instance().FindServer(brand.server);
    auto session = server ? sqlengine::Session::Begin(server, kUser, kPassword, err) : nullptr;
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

// A started kernel with one base of the shop database, opened through the server SHOPDB.
class KernelClient {
public:
    explicit KernelClient(const std::string& config, const char* clientName = "kxtest")
    {
        KxParameterSet parameters;
        parameters.Append("ClientName", clientName);
        parameters.Append("ConfigFile", config.c_str());
        started_ = InitKelvox(&parameters) == 0;
        KxBase::KELVOX()->SetUserNameFunction(&LogIn);
    }
    ~KernelClient()
    {
        base_.reset();
        if (started_) {
            DeinitKelvox();
        }
    }

    // A new base on the shop database: 0, or the failing step's status.
    int32_t Open()
    {
        base_ = std::make_unique<KxBase>(KxString(kUser));
        const int32_t connected = base_->Connect(KxString("SHOPDB"));
        return connected != 0 ? connected : base_->Open();
    }
    // A second base of the same client (a second connection to the database).
    std::unique_ptr<KxBase> OpenAnother(int32_t& status)
    {
        auto base = std::make_unique<KxBase>(KxString(kUser));
        status = base->Connect(KxString("SHOPDB"));
        if (status == 0) {
            status = base->Open();
        }
        return base;
    }
    KxBase& Base() { return *base_; }

private:
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

// The worker's job: "<brand>|<config>|<folder>".
struct Job {
    Brand brand{"", ""};
    std::string brandName;
    std::string serverName;
    std::string config;
    std::string folder;
};

bool ReadJob(Job& job)
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
    job.brandName = parts[0];
    job.serverName = parts[1];
    job.config = parts[2];
    job.folder = parts[3];
    job.brand = Brand{job.brandName.c_str(), job.serverName.c_str()};
    return true;
}

class KernelStorage : public ::testing::TestWithParam<Brand> {
protected:
    void SetUp() override
    {
        schema_ = &SchemaOf(GetParam());
        ASSERT_FALSE(HasFailure());
        client_ = std::make_unique<KernelClient>(schema_->config);
        ASSERT_EQ(client_->Open(), 0);
        ClearProducts();
    }
    void TearDown() override { client_.reset(); }

    // Every product deleted (committed), so that each test starts from an empty extent.
    void ClearProducts()
    {
        KxBase& base = client_->Base();
        const KxMetaClass* product = ClassOf(base, "Product");
        ASSERT_NE(product, nullptr);
        ASSERT_EQ(base.BeginTransaction(), 0);
        KxQuery all(product->GetClassId());
        all.SetConstant(true);
        KxRefList refs;
        ASSERT_GE(base.Query(all, refs), 0);
        for (const KxRef& ref : refs) {
            ASSERT_EQ(base.DeleteObject(ref), 0);
        }
        ASSERT_EQ(base.CommitTransaction(), 0);
    }

    std::string Job() const
    {
        return std::string(GetParam().name) + "|" + GetParam().server + "|" + schema_->config + "|" + schema_->folder;
    }

    KxBase& Base() { return client_->Base(); }
    const Brand& B() const { return GetParam(); }

    const Schema* schema_ = nullptr;
    std::unique_ptr<KernelClient> client_;
};

TEST_P(KernelStorage, StoredObjectsAreReadBackByReferenceInAProcessOfTheirOwn)
{
    ASSERT_EQ(Base().BeginTransaction(), 0);
    const std::vector<KxRef> refs = StoreProducts(Base(), 1, 300);
    ASSERT_EQ(refs.size(), 300u);
    ASSERT_EQ(Base().CommitTransaction(), 0);
    EXPECT_EQ(CountRows(B(), "PRODUCTC4V0"), 300);
    EXPECT_EQ(CountRows(B(), "LOCKS"), 0);   // commit drops the transaction's locks

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

TEST_P(KernelStorage, ObjectsGotAlongACursorAreReadAheadAndKeptUntilTheTransactionEnds)
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
    // The transaction's end lets go of what the base kept; only the caller's holds remain.
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
    EXPECT_EQ(CountRows(B(), "PRODUCTC4V0"), 15);

    ASSERT_EQ(base.BeginTransaction(), 0);
    StoreProducts(base, 21, 5);
    EXPECT_EQ(base.DeleteObject(kept[0]), 0);
    EXPECT_EQ(base.AbortTransaction(), 0);
    EXPECT_EQ(CountRows(B(), "PRODUCTC4V0"), 15);

    ASSERT_EQ(base.BeginTransaction(), 0);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(base.DeleteObject(kept[i]), 0);
    }
    EXPECT_EQ(base.CommitTransaction(), 0);
    EXPECT_EQ(CountRows(B(), "PRODUCTC4V0"), 11);
    ASSERT_EQ(base.BeginTransaction(), 0);
    KxObject* object = nullptr;
    EXPECT_LT(base.GetObject(kept[0], object), 0);   // deleted
    EXPECT_EQ(object, nullptr);
    ASSERT_EQ(base.GetObject(kept[5], object), 0);
    ObjectPtr hold(object);
    EXPECT_EQ(At<double>(*object, "price"), 6);
    EXPECT_EQ(base.CommitTransaction(), 0);
}

TEST_P(KernelStorage, ALockHeldByOneClientIsRefusedToAnother)
{
    KxBase& first = Base();
    ASSERT_EQ(first.BeginTransaction(), 0);
    const std::vector<KxRef> refs = StoreProducts(first, 1, 3);
    ASSERT_EQ(first.CommitTransaction(), 0);

    int32_t opened = -1;
    std::unique_ptr<KxBase> second = client_->OpenAnother(opened);
    ASSERT_EQ(opened, 0);
    const KxLockSpec exclusive{0, 2, 0};
    ASSERT_EQ(first.BeginTransaction(), 0);
    ASSERT_EQ(second->BeginTransaction(), 0);
    EXPECT_EQ(first.LockObject(refs[0], exclusive), 0);
    EXPECT_EQ(second->LockObject(refs[0], exclusive), -2041);
    EXPECT_EQ(second->LockObject(refs[1], exclusive), 0);
    // The shell's collection lock in mode 1 fails as a whole: the object before the refused one is
    // not left locked by the second client.
    KxRefCollection collection(2);
    collection[0].ref = refs[2];
    collection[1].ref = refs[0];
    const int32_t locked = second->Lock(collection, 1, &exclusive);
    EXPECT_TRUE(locked == -2041 || locked == -4102) << locked;
    EXPECT_GT(CountRows(B(), "LOCKS"), 0);
    EXPECT_EQ(first.LockObject(refs[2], exclusive), 0);
    EXPECT_EQ(first.CommitTransaction(), 0);
    // The first client's locks went with its commit.
    EXPECT_EQ(second->LockObject(refs[0], exclusive), 0);
    EXPECT_EQ(second->CommitTransaction(), 0);
    EXPECT_EQ(CountRows(B(), "LOCKS"), 0);
}

TEST_P(KernelStorage, AClientKilledInATransactionLeavesNoRowsAndIsRemovedAsStale)
{
    const int64_t clientsBefore = CountRows(B(), "ACTIVECLIENTS");
    const std::string ready = schema_->folder + "/ready";
    std::remove(ready.c_str());
    const pid_t pid = SpawnWorker("StoreLockAndWait", Job() );
    ASSERT_TRUE(WaitForFile(ready, 60)) << "the worker did not get ready";
    EXPECT_GT(CountRows(B(), "ACTIVECLIENTS"), clientsBefore);
    EXPECT_GT(CountRows(B(), "LOCKS"), 0);
    kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(CountRows(B(), "PRODUCTC4V0"), 0);   // nothing of its transaction

    // The next client removes the dead one's registration and locks.
    KernelClient next(schema_->config, "next");
    ASSERT_EQ(next.Open(), 0);
    EXPECT_EQ(CountRows(B(), "LOCKS"), 0);
    EXPECT_LE(CountRows(B(), "ACTIVECLIENTS"), clientsBefore + 1);
    const std::vector<KxRef> refs = RefsOf(ReadFile(ready));
    ASSERT_FALSE(refs.empty());
    ASSERT_EQ(next.Base().BeginTransaction(), 0);
    EXPECT_EQ(next.Base().LockObject(refs[0], KxLockSpec{0, 2, 0}), 0);
    EXPECT_EQ(next.Base().CommitTransaction(), 0);
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
    const std::string stored = StoredTexts(B(), "SELECT TITLE0V0 FROM SHOP.PRODUCTC4V0");
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
    EXPECT_EQ(StoredTexts(B(), "SELECT TITLE0V0 FROM SHOP.PRODUCTC4V0"), stored);

    ASSERT_EQ(base.BeginTransaction(), 0);
    KxQuery titled(product->GetClassId());
    titled.SetMember(MemberPos(*product, "title"), product->GetClassId(), 1, KxQueryValue::String("product 1"));
    KxRefList found;
    EXPECT_EQ(base.Query(titled, found), 0);
    EXPECT_EQ(found.size(), 1u);
    EXPECT_EQ(CountRows(B(), "PRODUCTC4V0", "TITLE0V0 = 'product 1'"), 1);
    EXPECT_EQ(base.CommitTransaction(), 0);
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
    EXPECT_EQ(CountRows(B(), "PRODUCTC4V0"), kClients * 5 * 4);
}

const Brand kBrands[] = {{"Oracle", "KXORA"}, {"DB2", "SHOP"}};

INSTANTIATE_TEST_SUITE_P(Brands, KernelStorage, ::testing::ValuesIn(kBrands),
                         [](const ::testing::TestParamInfo<Brand>& info) { return std::string(info.param.name); });

// ---- workers (run only as processes of their own) ----------------------------------------------------

// Reads the objects named in refs.txt and writes "title price" for each into read.txt.
TEST(KernelStorageWorker, ReadByReference)
{
    Job job;
    if (!ReadJob(job)) {
        GTEST_SKIP() << "runs only as a worker process";
    }
    KernelClient client(job.config, "reader");
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
    Job job;
    if (!ReadJob(job)) {
        GTEST_SKIP() << "runs only as a worker process";
    }
    sqlengine::Engine::Instance().SetDurableCommits(false);
    KernelClient client(job.config, "doomed");
    ASSERT_EQ(client.Open(), 0);
    KxBase& base = client.Base();
    ASSERT_EQ(base.BeginTransaction(), 0);
    const std::vector<KxRef> refs = StoreProducts(base, 1, 20);
    ASSERT_EQ(base.LockObject(refs[0], KxLockSpec{0, 2, 0}), 0);
    {
        std::ofstream out(job.folder + "/ready.tmp");
        out << RefsText(refs);
    }
    std::rename((job.folder + "/ready.tmp").c_str(), (job.folder + "/ready").c_str());
    for (;;) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
}

// Stores products in five transactions of four objects each; writes the statuses of failures into
// client<n>.txt and fails when there were any.
TEST(KernelStorageWorker, StoreInTransactions)
{
    Job job;
    const char* index = std::getenv("KX_STORAGE_CLIENT");
    if (!ReadJob(job) || index == nullptr) {
        GTEST_SKIP() << "runs only as a worker process";
    }
    sqlengine::Engine::Instance().SetDurableCommits(false);
    sqlengine::Engine::Instance().SetBusyTimeout(600000);
    KernelClient client(job.config, (std::string("client") + index).c_str());
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

}  // namespace
