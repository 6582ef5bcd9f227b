// Objects stored and read through the gateway on the embedded engine, against raw SQLite doing the
// same rows on the same kind of file with the same settings. Ends with the medians, their ratios and
// the targets; see README.md.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "KxBase.h"
#include "KxBucket.h"
#include "KxRoot.h"
#include "KxClassDict.h"
#include "KxGCatalog.h"
#include "KxGClass.h"
#include "KxGClassLoader.h"
#include "KxGClassMap.h"
#include "KxGCompoundStatement.h"
#include "KxGCreationSchemaMap.h"
#include "KxGMappingCompletion.h"
#include "KxGObjectStorer.h"
#include "KxGOperationEnvironment.h"
#include "KxGOptionRegistry.h"
#include "KxGOraDatabase.h"
#include "KxGStatement.h"
#include "KxGStatementTemplate.h"
#include "KxGTransaction.h"
#include "KxGTransactionContext.h"
#include "KxObject.h"
#include "KxObjectReader.h"
#include "KxString.h"
#include "oci.h"
#include "sqlengine.h"

namespace {

constexpr int kRepetitions = 5;
constexpr uint32_t kReadBatch = 1000;     // objects per batch read
constexpr const char* kServer = "GWBENCH";
constexpr uint16_t kClass = 2;

// The fixture class: an integer, a 40-character string and a double.
const char* const kDictionary = R"(dictionary bench
class 2.1 Item
member num int
member name string count=40
member val double
)";

std::string g_dir;
int g_synchronous = -1;
std::map<std::string, std::vector<double>> g_times;   // seconds per repetition, by "case/side"
int g_round = 0;

[[noreturn]] void Die(const std::string& what)
{
    std::fprintf(stderr, "gateway_bench: %s\n", what.c_str());
    std::exit(2);
}

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// The name of a schema of one round.
std::string UserName(char prefix, int round)
{
    std::string name(1, prefix);
    name += std::to_string(round);
    return name;
}

std::string Text(const KxString& text) { return text.IsActive() ? std::string(text.StrGet()) : std::string(); }

// The values of row i (0-based): id i + 1, a 40-character name, a double.
void RowName(int i, char (&name)[41])
{
    std::snprintf(name, sizeof name, "item %08u of the benchmark, %-8s", static_cast<unsigned>(i) % 100000000u, i % 2 ? "odd" : "even");
}
int32_t RowNum(int i) { return i * 7; }
double RowVal(int i) { return i * 0.25; }

struct ObjectRelease {
    void operator()(KxObject* object) const
    {
        if (object != nullptr) {
            object->Release();
        }
    }
};
using ObjectPtr = std::unique_ptr<KxObject, ObjectRelease>;

// Sets the values of row i into the object's num, name and val members.
void SetRow(KxObject& object, const KxMember& num, const KxMember& name, const KxMember& val, int i)
{
    char text[41];
    RowName(i, text);
    *reinterpret_cast<int32_t*>(object.MemberAddress(num, 0)) = RowNum(i);
    *reinterpret_cast<KxString*>(object.MemberAddress(name, 0)) = KxString(text);
    *reinterpret_cast<double*>(object.MemberAddress(val, 0)) = RowVal(i);
}

// Whether the objects read hold, in order, the values of rows 0, 1, 2, ...
bool CheckValues(const std::vector<ObjectPtr>& objects)
{
    for (size_t k = 0; k < objects.size(); ++k) {
        const KxObject& object = *objects[k];
        const KxMetaClass* meta = object.GetMetaClass();
        const int i = static_cast<int>(k);
        char text[41];
        RowName(i, text);
        if (*reinterpret_cast<const int32_t*>(object.MemberAddress(*meta->FindMember("num"), 0)) != RowNum(i) ||
            Text(*reinterpret_cast<const KxString*>(object.MemberAddress(*meta->FindMember("name"), 0))) != text ||
            *reinterpret_cast<const double*>(object.MemberAddress(*meta->FindMember("val"), 0)) != RowVal(i)) {
            return false;
        }
    }
    return true;
}

// ---- the gateway on the engine ---------------------------------------------------------------------

KxGCreationSchemaMap* g_map = nullptr;

KxGClassMap* LookUp(KxGCatalog*, const KxClassId& classId)
{
    KxGClass* found = g_map != nullptr ? g_map->FindClass(classId.GetClassNumber()) : nullptr;
    return found != nullptr ? found->GetClassMap() : nullptr;
}


// One schema "S" with the class table of Item, its database object and schema map; a fresh schema
// (a new user) for each round so that every store meets an empty table.
class Gateway {
public:
    explicit Gateway(const std::string& user)
    {
        sqlengine::Error e;
        auto server = sqlengine::Engine::Instance().FindServer(kServer);
        if (!server->AddUser(user, "s", false, &e)) {
            Die("user: " + e.message);
        }
        db_ = std::make_unique<KxGOraDatabase>(KxString(kServer), KxString(user.c_str()), KxString(user.c_str()),
                                               KxString("s"), nullptr, nullptr);
        if (db_->OpenConnection() != 1) {
            Die("open: " + Text(db_->GetError()->Text()));
        }
        KxString error;
        if (KxClassDict::Parse(kDictionary, KxString("bench.kxd"), dictionary_, &error) != 0) {
            Die("dictionary: " + Text(error));
        }
        map_ = std::make_unique<KxGCreationSchemaMap>(db_.get(), dictionary_.get(), &KxGClassLoader::Instance());
        g_map = map_.get();
        uint16_t preserve = 0;
        map_->GetOptionRegistry().ProcessGlobalOptions(*db_, *db_->GetDatabaseInfo(), true, false, preserve);
        KxGClass* loaded = nullptr;
        if (map_->LoadClass(*dictionary_->GetCurrentVersion(kClass), loaded, 0) != 0) {
            Die("load class: " + Text(db_->GetError()->Text()));
        }
        KxGStatementTemplateList list;
        if (ClassMap().GetStoreHdl()->CreateClassTable(list) != 0) {
            Die("create statements");
        }
        for (uint32_t i = 0; i < list.Count(); ++i) {
            KxGStoreStatement run(db_.get(), list.GetTemplate(i), 0);
            if (run.Execute() != 1) {
                Die(Text(list.GetTemplate(i)->GetSQLText()) + ": " + Text(db_->GetError()->Text()));
            }
        }
        list.ClearAll();
        if (db_->CommitConnection() != 1) {
            Die("commit of the class table");
        }
        environment_ = std::make_unique<KxGOperationEnvironment>(&readBase_, &catalog_, nullptr, db_->GetDatabaseInfo(), 0, 0);
        environment_->SetClassMapLookup(&LookUp);
        context_ = std::make_unique<KxGTransactionContext>(environment_.get(), nullptr, nullptr, db_.get());
    }

    ~Gateway()
    {
        context_.reset();
        environment_.reset();
        g_map = nullptr;
        map_.reset();
        db_->CloseConnection();
    }

    KxGClassMap& ClassMap() { return *map_->FindClass(kClass)->GetClassMap(); }
    // Makes this gateway's schema map the one that class maps are looked up in.
    void Remap() { g_map = map_.get(); }
    const KxMetaClass* Meta() { return dictionary_->GetCurrentVersion(kClass)->AsClass(); }
    // The class table's name as the engine knows it.
    std::string TableName()
    {
        KxGTable table;
        if (ClassMap().GetStoreHdl()->GetClassTable(table) != 0) {
            Die("no class table");
        }
        return Text(table.GetName());
    }

    // Objects 1..n of the fixture class, outside any base (made before the clock starts).
    std::vector<ObjectPtr> MakeObjects(int n)
    {
        std::vector<ObjectPtr> objects;
        objects.reserve(static_cast<size_t>(n));
        const KxMetaClass* meta = Meta();
        const KxMember* num = meta->FindMember("num");
        const KxMember* name = meta->FindMember("name");
        const KxMember* val = meta->FindMember("val");
        for (int i = 0; i < n; ++i) {
            KxObject* object = nullptr;
            if (writeMgr_.Create(meta, KxObjId(static_cast<uint32_t>(i + 1)), object) != 0) {
                Die("object");
            }
            objects.emplace_back(object);
            SetRow(*object, *num, *name, *val, i);
        }
        return objects;
    }

    // Stores every object in one transaction: a level with a compound statement, the storer for each
    // object, then prepare and commit.
    void Store(const std::vector<ObjectPtr>& objects)
    {
        context_->RaiseLevel();
        KxGResourceMgr* level = db_->CreateResourceMgr(KXG_RESOURCE_TRANSACTION, context_.get());
        auto* compound = dynamic_cast<KxGCompoundStatement*>(db_->CreateResourceMgr(KXG_RESOURCE_COMPOUND_STATEMENT, context_.get()));
        if (level == nullptr || compound == nullptr || context_->Push(level) != 0 || context_->Push(compound) != 0) {
            Die("transaction level");
        }
        auto start = std::chrono::steady_clock::now();
        {
            KxGObjectStorer storer(environment_.get(), context_.get(), compound, 1, false);
            for (const ObjectPtr& object : objects) {
                if (storer.StoreObject(nullptr, object.get()) != 0) {
                    Die("store: " + Text(db_->GetError()->Text()));
                }
            }
        }
        phases[0] = Seconds(start);
        start = std::chrono::steady_clock::now();
        if (compound->XAPrepare() != 0 || compound->XACommit() != 0) {
            Die("prepare: " + Text(db_->GetError()->Text()));
        }
        phases[1] = Seconds(start);
        start = std::chrono::steady_clock::now();
        context_->PopTo(compound);
        if (level->XAPrepare() != 0 || level->XACommit() != 0) {
            Die("commit: " + Text(db_->GetError()->Text()));
        }
        context_->PopTo(level);
        db_->DeleteResourceMgr(compound);
        db_->DeleteResourceMgr(level);
        context_->LowerLevel();
        phases[2] = Seconds(start);
    }
    // Seconds of the last store's steps: the storer's registrations, the compound statement's
    // prepare (rows built and written), the commit.
    double phases[3] = {};

    // Reads objects 1..n into fresh objects of the reader's base, kReadBatch at a time; answers the
    // objects read (their values checked by the caller).
    std::vector<ObjectPtr> Read(int n)
    {
        std::vector<ObjectPtr> fresh;
        fresh.reserve(static_cast<size_t>(n));
        const KxMetaClass* meta = Meta();
        KxObjectReader reader(context_.get(), readBase_.GetObjectMgr());
        std::vector<KxObject*> batch;
        batch.reserve(kReadBatch);
        for (int first = 0; first < n; first += static_cast<int>(kReadBatch)) {
            batch.clear();
            for (int i = first; i < std::min(n, first + static_cast<int>(kReadBatch)); ++i) {
                KxObject* object = nullptr;
                if (readBase_.GetObjectMgr()->Create(meta, KxObjId(static_cast<uint32_t>(i + 1)), object) != 0) {
                    Die("fresh object");
                }
                fresh.emplace_back(object);
                batch.push_back(object);
            }
            if (reader.Read(static_cast<uint32_t>(batch.size()), batch.data()) != 0) {
                Die("read: " + Text(db_->GetError()->Text()));
            }
        }
        return fresh;
    }

    // Drops the fresh objects from the reader's base (so that a later read makes them anew).
    void Forget(std::vector<ObjectPtr>& fresh) { fresh.clear(); }

    KxGOraDatabase& Db() { return *db_; }

private:
    std::unique_ptr<KxGOraDatabase> db_;
    std::unique_ptr<KxClassDict> dictionary_;
    std::unique_ptr<KxGCreationSchemaMap> map_;
    KxObjectMgr writeMgr_{nullptr};
    KxBase readBase_{KxString("bench")};
    KxGCatalog catalog_;
    std::unique_ptr<KxGOperationEnvironment> environment_;
    std::unique_ptr<KxGTransactionContext> context_;
};

// ---- the kernel: objects stored and read through the kernel's own API -------------------------------

constexpr const char* kKernelServer = "GWKERNEL";   // the engine's server of the kernel's database
constexpr const char* kKernelUser = "BENCH";
constexpr const char* kKernelPassword = "bench";

int32_t KernelLogIn(KxString& user, KxString& password, int32_t)
{
    user = KxString(kKernelUser);
    password = KxString(kKernelPassword);
    return 1;
}

std::string Quoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

// The kernel started with a configuration whose server BENCHDB is the engine's server of a schema
// that the schema mapper made for the fixture class (in a process of its own, as it is run).
class Kernel {
public:
    Kernel()
    {
        const std::string folder = g_dir + "/kernel";
        std::filesystem::create_directories(folder + "/dictionaries/bench");
        {
            std::ofstream dictionary(folder + "/dictionaries/bench/classes.kxd");
            dictionary << "dictionary bench server=LOCAL logical=bench revision=1 created=2026-01-05T10:00:00 modified=2026-01-05T10:00:00\n"
                       << "class 2.1 Item\nmember num int\nmember name string count=40\nmember val double\n";
            std::ofstream config(folder + "/kx.ini");
            config << "[servers\\LOCAL]\nDictionaryPath=" << folder << "/dictionaries\n"
                   << "[servers\\BENCHDB]\nname=Oracle$" << kKernelServer << "\n";
        }
        sqlengine::Error e;
        {
            auto server = sqlengine::Engine::Instance().RegisterServer(kKernelServer, folder + "/server", &e);
            if (!server || !server->AddUser(kKernelUser, kKernelPassword, false, &e) || !server->GrantSystem(kKernelUser, "CREATE ROLE", e)) {
                Die("kernel server: " + e.message);
            }
            sqlengine::Engine::Instance().UnregisterServer(kKernelServer);
        }
        setenv("ROG_ENGINE_SERVERS", (std::string(kKernelServer) + "=" + folder + "/server").c_str(), 1);
        const std::string command = "cd " + Quoted(folder) + " && " + Quoted(GATEWAY_BENCH_RELGEN) + " -c -D bench -S " + Quoted(std::string("Oracle$") + kKernelServer) +
                                    " -B " + kKernelUser + " -u " + kKernelUser + " -p " + kKernelPassword + " -r -config kx.ini > relgen.out 2>&1";
        if (std::system(command.c_str()) != 0) {
            Die("the schema mapper failed; see " + folder + "/relgen.out");
        }
        KxParameterSet parameters;
        parameters.Append("ClientName", "gateway_bench");
        parameters.Append("ConfigFile", (folder + "/kx.ini").c_str());
        if (InitKelvox(&parameters) != 0) {
            Die("InitKelvox");
        }
        KxBase::KELVOX()->SetUserNameFunction(&KernelLogIn);
    }
    ~Kernel()
    {
        base_.reset();
        DeinitKelvox();
    }

    // A new base on the database (the one before closed).
    KxBase& Open()
    {
        base_.reset();
        base_ = std::make_unique<KxBase>(KxString(kKernelUser));
        int32_t status = base_->Connect(KxString("BENCHDB"));
        if (status == 0) {
            status = base_->Open();
        }
        if (status != 0) {
            Die("kernel open: " + std::to_string(status));
        }
        return *base_;
    }

    const KxMetaClass* Meta()
    {
        const KxMetaType* type = base_->GetDictionary()->FindByName(KxString("Item"));
        return type != nullptr ? type->AsClass() : nullptr;
    }

    // Deletes every row of the class table with SQL of the engine (outside the kernel), so that each
    // round stores into an empty table.
    void Empty()
    {
        sqlengine::Error e;
        auto server = sqlengine::Engine::Instance().FindServer(kKernelServer);
        auto session = server ? sqlengine::Session::Begin(server, kKernelUser, kKernelPassword, e) : nullptr;
        if (!session) {
            Die("kernel session: " + e.message);
        }
        auto statement = session->Prepare(std::string("DELETE FROM ") + kKernelUser + ".ITEMC2V0", e);
        sqlengine::Outcome out;
        if (!statement || !statement->Run({}, out, e) || !session->Commit(e)) {
            Die("emptying the class table: " + e.message);
        }
        statement.reset();
        session->End();
    }

    // Objects of the fixture class made in the base (no ids yet: the kernel gives them at store).
    std::vector<ObjectPtr> MakeObjects(int n)
    {
        std::vector<ObjectPtr> objects;
        objects.reserve(static_cast<size_t>(n));
        const KxMetaClass* meta = Meta();
        const KxMember* num = meta->FindMember("num");
        const KxMember* name = meta->FindMember("name");
        const KxMember* val = meta->FindMember("val");
        for (int i = 0; i < n; ++i) {
            KxObject* object = nullptr;
            if (base_->GetObjectMgr()->Create(meta, object) != 0) {
                Die("object");
            }
            objects.emplace_back(object);
            SetRow(*object, *num, *name, *val, i);
        }
        return objects;
    }

    void Store(const std::vector<ObjectPtr>& objects)
    {
        if (base_->BeginTransaction() != 0) {
            Die("kernel begin");
        }
        for (const ObjectPtr& object : objects) {
            const int32_t status = base_->StoreObject(object.get());
            if (status != 0) {
                Die("kernel store: " + std::to_string(status));
            }
        }
        if (base_->CommitTransaction() != 0) {
            Die("kernel commit");
        }
    }

    // Reads every object of the extent: a cursor in object-id order, each object got by its
    // reference. Answers the objects (held).
    std::vector<ObjectPtr> Read()
    {
        std::vector<ObjectPtr> objects;
        const KxClassId classId = Meta()->GetClassId();
        if (base_->BeginTransaction() != 0) {
            Die("kernel begin");
        }
        {
            int32_t count = 0;
            std::unique_ptr<KxBucketCru> cursor(base_->CreateCursor(classId, count));
            if (!cursor) {
                Die("no cursor");
            }
            KxRef ref;
            int32_t status = base_->Seek(classId, cursor.get(), 0, 0, ref);
            while (status == 0) {
                KxObject* object = nullptr;
                const int32_t got = base_->GetObject(ref, object);
                if (got != 0 || object == nullptr) {
                    Die("kernel get: " + std::to_string(got));
                }
                objects.emplace_back(object);
                status = base_->Seek(classId, cursor.get(), 1, 1, ref);
            }
            if (status != KXG_E_NO_ELEMENT) {
                Die("kernel seek: " + std::to_string(status));
            }
        }
        if (base_->CommitTransaction() != 0) {
            Die("kernel commit");
        }
        return objects;
    }

private:
    std::unique_ptr<KxBase> base_;
};

Kernel* g_kernel = nullptr;

// ---- the engine alone: the same rows into the same class table through OCI ------------------------

// Inserts rows 1..n into <user>.<table> (OID, CID, then the three members) in arrays of kReadBatch
// rows with native binds, one transaction: what the engine costs without the gateway.
void EngineInsert(const std::string& user, const std::string& table, const std::vector<std::string>& columns, int n, int64_t classId)
{
    OCIEnv* env = nullptr;
    OCIError* err = nullptr;
    OCISvcCtx* svc = nullptr;
    OCIServer* srv = nullptr;
    OCISession* ses = nullptr;
    OCIStmt* st = nullptr;
    OCIEnvCreate(&env, OCI_THREADED, nullptr, nullptr, nullptr, nullptr, 0, nullptr);
    OCIHandleAlloc(env, reinterpret_cast<dvoid**>(&err), OCI_HTYPE_ERROR, 0, nullptr);
    OCIHandleAlloc(env, reinterpret_cast<dvoid**>(&svc), OCI_HTYPE_SVCCTX, 0, nullptr);
    OCIHandleAlloc(env, reinterpret_cast<dvoid**>(&srv), OCI_HTYPE_SERVER, 0, nullptr);
    OCIHandleAlloc(env, reinterpret_cast<dvoid**>(&ses), OCI_HTYPE_SESSION, 0, nullptr);
    auto check = [&](sword status, const char* what) {
        if (status == OCI_SUCCESS) {
            return;
        }
        sb4 code = 0;
        OraText text[512] = {};
        OCIErrorGet(err, 1, nullptr, &code, text, sizeof text, OCI_HTYPE_ERROR);
        Die(std::string(what) + ": " + reinterpret_cast<char*>(text));
    };
    check(OCIServerAttach(srv, err, reinterpret_cast<const OraText*>(kServer), static_cast<sb4>(std::strlen(kServer)), OCI_DEFAULT), "attach");
    OCIAttrSet(svc, OCI_HTYPE_SVCCTX, srv, 0, OCI_ATTR_SERVER, err);
    OCIAttrSet(ses, OCI_HTYPE_SESSION, const_cast<char*>(user.c_str()), static_cast<ub4>(user.size()), OCI_ATTR_USERNAME, err);
    OCIAttrSet(ses, OCI_HTYPE_SESSION, const_cast<char*>("s"), 1, OCI_ATTR_PASSWORD, err);
    check(OCISessionBegin(svc, err, ses, OCI_CRED_RDBMS, OCI_DEFAULT), "logon");
    OCIAttrSet(svc, OCI_HTYPE_SVCCTX, ses, 0, OCI_ATTR_SESSION, err);
    std::string sql = "INSERT INTO " + user + "." + table + " (";
    for (size_t c = 0; c < columns.size(); ++c) {
        sql += (c ? ", " : "") + columns[c];
    }
    sql += ") VALUES (:1, :2, :3, :4, :5)";
    OCIHandleAlloc(env, reinterpret_cast<dvoid**>(&st), OCI_HTYPE_STMT, 0, nullptr);
    check(OCIStmtPrepare(st, err, reinterpret_cast<const OraText*>(sql.c_str()), static_cast<ub4>(sql.size()), OCI_NTV_SYNTAX, OCI_DEFAULT), "prepare");
    std::vector<int64_t> ids(kReadBatch), cids(kReadBatch, classId), nums(kReadBatch);
    std::vector<char> names(kReadBatch * 41);
    std::vector<double> vals(kReadBatch);
    OCIBind* b = nullptr;
    check(OCIBindByPos(st, &b, err, 1, ids.data(), sizeof(int64_t), SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT), "bind");
    check(OCIBindByPos(st, &b, err, 2, cids.data(), sizeof(int64_t), SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT), "bind");
    check(OCIBindByPos(st, &b, err, 3, nums.data(), sizeof(int64_t), SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT), "bind");
    check(OCIBindByPos(st, &b, err, 4, names.data(), 41, SQLT_STR, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT), "bind");
    check(OCIBindByPos(st, &b, err, 5, vals.data(), sizeof(double), SQLT_FLT, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT), "bind");
    for (int done = 0; done < n; done += static_cast<int>(kReadBatch)) {
        const int count = std::min(static_cast<int>(kReadBatch), n - done);
        for (int r = 0; r < count; ++r) {
            const int i = done + r;
            char text[41];
            RowName(i, text);
            ids[static_cast<size_t>(r)] = i + 1;
            nums[static_cast<size_t>(r)] = RowNum(i);
            std::memcpy(&names[static_cast<size_t>(r) * 41], text, 41);
            vals[static_cast<size_t>(r)] = RowVal(i);
        }
        check(OCIStmtExecute(svc, st, err, static_cast<ub4>(count), 0, nullptr, nullptr, OCI_DEFAULT), "insert");
    }
    check(OCITransCommit(svc, err, OCI_DEFAULT), "commit");
    OCIHandleFree(st, OCI_HTYPE_STMT);
    OCISessionEnd(svc, err, ses, OCI_DEFAULT);
    OCIServerDetach(srv, err, OCI_DEFAULT);
    OCIHandleFree(ses, OCI_HTYPE_SESSION);
    OCIHandleFree(srv, OCI_HTYPE_SERVER);
    OCIHandleFree(svc, OCI_HTYPE_SVCCTX);
    OCIHandleFree(err, OCI_HTYPE_ERROR);
    OCIHandleFree(env, OCI_HTYPE_ENV);
}

// ---- the reference: raw SQLite -----------------------------------------------------------------------

struct Raw {
    sqlite3* db = nullptr;
    explicit Raw(const std::string& file)
    {
        // Opened as the engine opens its session connections: one thread at a time, no connection mutex.
        if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
            Die("open " + file);
        }
        Exec("PRAGMA journal_mode=WAL");
        Exec("PRAGMA synchronous=" + std::to_string(g_synchronous));
    }
    ~Raw() { sqlite3_close(db); }
    Raw(const Raw&) = delete;
    Raw& operator=(const Raw&) = delete;
    void Exec(const std::string& sql)
    {
        char* msg = nullptr;
        if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &msg) != SQLITE_OK) {
            std::string why = msg != nullptr ? msg : "";
            sqlite3_free(msg);
            Die(sql + ": " + why);
        }
    }
    sqlite3_stmt* Prepare(const std::string& sql)
    {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
            Die(sql + ": " + sqlite3_errmsg(db));
        }
        return st;
    }
};

// The class table's column names (OID first) and the statements that make a table of the same
// columns, declared types, NOT NULL and primary key, and the same indexes, in the reference's file.
// The engine's own CHECK constraints (its type checks, functions of the engine) are left out: they
// are part of the engine's cost.
struct TableShape {
    std::vector<std::string> columns;
    std::vector<std::string> ddl;
    std::string table;
};

TableShape ShapeOf(const std::string& schemaFile, const std::string& table)
{
    TableShape shape;
    shape.table = table;
    Raw engineFile(schemaFile);
    sqlite3_stmt* st = engineFile.Prepare("SELECT name, type, \"notnull\", pk FROM pragma_table_info(?1) ORDER BY cid");
    sqlite3_bind_text(st, 1, table.c_str(), -1, SQLITE_TRANSIENT);
    std::string create = "CREATE TABLE \"" + table + "\" (";
    std::vector<std::pair<int, std::string>> keys;
    while (sqlite3_step(st) == SQLITE_ROW) {
        const std::string name = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        const std::string type = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
        create += (shape.columns.empty() ? "\"" : ", \"") + name + "\" " + type + (sqlite3_column_int(st, 2) ? " NOT NULL" : "");
        if (sqlite3_column_int(st, 3) > 0) {
            keys.emplace_back(sqlite3_column_int(st, 3), name);
        }
        shape.columns.push_back(name);
    }
    sqlite3_finalize(st);
    if (shape.columns.empty()) {
        Die("no table " + table + " in " + schemaFile);
    }
    std::sort(keys.begin(), keys.end());
    for (size_t k = 0; k < keys.size(); ++k) {
        create += (k ? ", \"" : ", PRIMARY KEY (\"") + keys[k].second + "\"" + (k + 1 == keys.size() ? ")" : "");
    }
    shape.ddl.push_back(create + ")");
    st = engineFile.Prepare("SELECT sql FROM sqlite_master WHERE type = 'index' AND tbl_name = ?1 AND sql IS NOT NULL");
    sqlite3_bind_text(st, 1, table.c_str(), -1, SQLITE_TRANSIENT);
    while (sqlite3_step(st) == SQLITE_ROW) {
        shape.ddl.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    }
    sqlite3_finalize(st);
    return shape;
}

// The rows the gateway writes, as prepared values: OID, CID, then num, name, val in the class
// table's column order (OID and CID first, the members after them).
void RawInsert(Raw& raw, const TableShape& shape, int n, int64_t classId)
{
    std::string sql = "INSERT INTO \"" + shape.table + "\" (";
    std::string marks;
    for (size_t c = 0; c < shape.columns.size(); ++c) {
        sql += (c ? ", \"" : "\"") + shape.columns[c] + "\"";
        marks += c ? ", ?" : "?";
    }
    sql += ") VALUES (" + marks + ")";
    raw.Exec("BEGIN");
    sqlite3_stmt* st = raw.Prepare(sql);
    for (int i = 0; i < n; ++i) {
        char text[41];
        RowName(i, text);
        sqlite3_bind_int64(st, 1, i + 1);
        sqlite3_bind_int64(st, 2, classId);
        sqlite3_bind_int64(st, 3, RowNum(i));
        sqlite3_bind_text(st, 4, text, -1, SQLITE_TRANSIENT);
        sqlite3_bind_double(st, 5, RowVal(i));
        if (sqlite3_step(st) != SQLITE_DONE) {
            Die(sqlite3_errmsg(raw.db));
        }
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    raw.Exec("COMMIT");
}

// Every row, values copied into buffers of kReadBatch rows; answers the rows.
int64_t RawScan(Raw& raw, const TableShape& shape)
{
    std::vector<int64_t> ids(kReadBatch);
    std::vector<int32_t> nums(kReadBatch);
    std::vector<char> names(kReadBatch * 41);
    std::vector<double> vals(kReadBatch);
    std::string sql = "SELECT ";
    for (size_t c = 0; c < shape.columns.size(); ++c) {
        sql += (c ? ", \"" : "\"") + shape.columns[c] + "\"";
    }
    sqlite3_stmt* st = raw.Prepare(sql + " FROM \"" + shape.table + "\"");
    int64_t rows = 0;
    uint32_t slot = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        ids[slot] = sqlite3_column_int64(st, 0);
        nums[slot] = static_cast<int32_t>(sqlite3_column_int64(st, 2));
        const unsigned char* text = sqlite3_column_text(st, 3);
        size_t len = std::min<size_t>(static_cast<size_t>(sqlite3_column_bytes(st, 3)), 40);
        std::memcpy(&names[slot * 41], text, len);
        names[slot * 41 + len] = 0;
        vals[slot] = sqlite3_column_double(st, 4);
        ++rows;
        if (++slot == kReadBatch) {
            slot = 0;
            benchmark::DoNotOptimize(ids.data());
        }
    }
    sqlite3_finalize(st);
    return rows;
}

// ---- cases -------------------------------------------------------------------------------------------

// Each repetition runs the reference and then the gateway, so that both meet the same machine load:
// the reference inserts into a fresh file, the gateway stores into a fresh schema; both then read
// back what they wrote.
void BM_StoreAndRead(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const std::string key = std::to_string(n);
    for (auto _ : state) {
        ++g_round;
        const std::string user = UserName('B', g_round);
        Gateway gateway(user);
        const std::string schemaFile = sqlengine::Engine::Instance().FindServer(kServer)->SchemaFile(user, false);
        TableShape shape = ShapeOf(schemaFile, gateway.TableName());
        if (shape.columns.size() != 5) {
            Die("the class table has " + std::to_string(shape.columns.size()) + " columns, not OID, CID and three members");
        }
        const int64_t classId = static_cast<int64_t>(kClass) << 16 | 1;
        {
            Raw raw(g_dir + "/raw_" + std::to_string(g_round) + ".db");
            for (const std::string& ddl : shape.ddl) {
                raw.Exec(ddl);
            }
            auto start = std::chrono::steady_clock::now();
            RawInsert(raw, shape, n, classId);
            g_times["store/" + key + "/sqlite"].push_back(Seconds(start));
            raw.Exec("PRAGMA wal_checkpoint(TRUNCATE)");
            start = std::chrono::steady_clock::now();
            int64_t rows = RawScan(raw, shape);
            g_times["read/" + key + "/sqlite"].push_back(Seconds(start));
            if (rows != n) {
                Die("raw select delivered " + std::to_string(rows) + " rows");
            }
        }
        {
            // The engine alone, into the class table of a schema of its own.
            const std::string engineUser = UserName('E', g_round);
            std::string table;
            {
                Gateway other(engineUser);
                table = other.TableName();
            }
            auto start = std::chrono::steady_clock::now();
            EngineInsert(engineUser, table, shape.columns, n, classId);
            g_times["store/" + key + "/engine"].push_back(Seconds(start));
        }
        gateway.Remap();
        std::vector<ObjectPtr> objects = gateway.MakeObjects(n);
        auto start = std::chrono::steady_clock::now();
        gateway.Store(objects);
        double stored = Seconds(start);
        g_times["store/" + key + "/gateway"].push_back(stored);
        objects.clear();
        {
            Raw engineFile(schemaFile);
            engineFile.Exec("PRAGMA wal_checkpoint(TRUNCATE)");
        }
        start = std::chrono::steady_clock::now();
        std::vector<ObjectPtr> fresh = gateway.Read(n);
        double read = Seconds(start);
        g_times["read/" + key + "/gateway"].push_back(read);
        if (fresh.size() != static_cast<size_t>(n) || !CheckValues(fresh)) {
            Die("the objects read differ from those stored");
        }
        fresh.clear();
        // The kernel: stores into an empty class table, reads in a base of its own (nothing in memory).
        g_kernel->Open();
        g_kernel->Empty();
        {
            std::vector<ObjectPtr> made = g_kernel->MakeObjects(n);
            start = std::chrono::steady_clock::now();
            g_kernel->Store(made);
            g_times["store/" + key + "/kernel"].push_back(Seconds(start));
        }
        g_kernel->Open();
        start = std::chrono::steady_clock::now();
        fresh = g_kernel->Read();
        g_times["read/" + key + "/kernel"].push_back(Seconds(start));
        if (fresh.size() != static_cast<size_t>(n) || !CheckValues(fresh)) {
            Die("the kernel read " + std::to_string(fresh.size()) + " objects, or other values than it stored");
        }
        fresh.clear();
        state.SetIterationTime(stored + read);
    }
}

// ---- setup and summary -------------------------------------------------------------------------------

void Setup()
{
    sqlengine::Error e;
    auto server = sqlengine::Engine::Instance().RegisterServer(kServer, g_dir + "/server", &e);
    if (!server || !server->AddUser("S", "s", false, &e)) {
        Die("server: " + e.message);
    }
    auto session = sqlengine::Session::Begin(server, "S", "s", e);
    if (!session) {
        Die(e.message);
    }
    g_synchronous = session->SynchronousLevel();
    session->End();
    if (g_synchronous < 0) {
        Die("cannot read the engine's synchronous level");
    }
    KxGInstallMappingCompletion(true);
}

double Median(std::vector<double> v)
{
    if (v.empty()) {
        return 0;
    }
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

bool Summary()
{
    static const char* const sync[] = {"OFF", "NORMAL", "FULL", "EXTRA"};
    std::printf("\nMedians of %d runs (journal WAL, synchronous %s, files in %s). Each run: raw SQLite, the engine alone, the gateway\n"
                "alone, then the kernel.\n"
                "  kernel   KxBase::StoreObject of each object in one transaction; read: an extent cursor in object-id order\n"
                "           and KxBase::GetObject of each reference, in a base with nothing in memory\n"
                "  gateway  the object storer on a compound statement, prepared and committed; read: the object reader,\n"
                "           1000 references a batch\n"
                "  engine   the same rows into the same class table through OCI arrays of 1000 rows\n"
                "  sqlite   prepared statements stepped row by row in one transaction on a table of the same columns\n"
                "ratio: kernel / sqlite (gateway / sqlite in brackets)\n",
                kRepetitions, g_synchronous >= 0 && g_synchronous <= 3 ? sync[g_synchronous] : "?", g_dir.c_str());
    std::printf("%-24s %10s %10s %10s %10s %16s %7s\n", "operation", "kernel", "gateway", "engine", "sqlite", "ratio", "target");
    auto seconds = [](double value) {
        char text[24] = "-";
        if (value > 0) {
            std::snprintf(text, sizeof text, "%.4f s", value);
        }
        return std::string(text);
    };
    bool ok = true;
    std::map<std::string, double> perObject;   // kernel seconds per object, by case and size
    for (const char* op : {"store", "read"}) {
        const double target = std::string(op) == "store" ? 1.3 : 1.5;
        for (int n : {10000, 100000}) {
            const std::string key = std::string(op) + "/" + std::to_string(n);
            const double kernel = Median(g_times[key + "/kernel"]);
            const double gateway = Median(g_times[key + "/gateway"]);
            const double engine = Median(g_times[key + "/engine"]);
            const double ref = Median(g_times[key + "/sqlite"]);
            if (kernel == 0 || ref == 0) {
                continue;   // filtered out
            }
            perObject[key] = kernel / n;
            const double ratio = kernel / ref;
            const bool within = ratio <= target;
            ok &= within;
            char label[48];
            std::snprintf(label, sizeof label, "%s %d objects", op, n);
            char ratios[32];
            std::snprintf(ratios, sizeof ratios, "%.2fx (%.2fx)", ratio, gateway / ref);
            std::printf("%-24s %10s %10s %10s %10s %16s %6.1fx %s\n", label, seconds(kernel).c_str(), seconds(gateway).c_str(),
                        seconds(engine).c_str(), seconds(ref).c_str(), ratios, target, within ? "ok" : "MISSED");
        }
        const std::string small = std::string(op) + "/10000", large = std::string(op) + "/100000";
        if (perObject.count(small) && perObject.count(large)) {
            std::printf("%-24s kernel %.2f us per object at 10k, %.2f us at 100k (%.2fx)\n", (std::string(op) + " cost per object").c_str(),
                        perObject[small] * 1e6, perObject[large] * 1e6, perObject[large] / perObject[small]);
        }
    }
    return ok;
}

}  // namespace

// The reported time is the gateway's store and read; the summary sets each against the reference.
BENCHMARK(BM_StoreAndRead)->Arg(10000)->Arg(100000)->Iterations(1)->Repetitions(kRepetitions)->UseManualTime()->Unit(benchmark::kMillisecond);

// For profiling: `gateway_bench --profile store|read N` runs only the gateway's side of one case,
// three times, and prints its times.
int Profile(const std::string& what, int n)
{
    if (what == "kstore" || what == "kread") {
        for (int round = 0; round < 3; ++round) {
            g_kernel->Open();
            g_kernel->Empty();
            auto start = std::chrono::steady_clock::now();
            {
                std::vector<ObjectPtr> made = g_kernel->MakeObjects(n);
                start = std::chrono::steady_clock::now();
                g_kernel->Store(made);
            }
            const double stored = Seconds(start);
            double read = 0;
            if (what == "kread") {
                g_kernel->Open();
                start = std::chrono::steady_clock::now();
                std::vector<ObjectPtr> fresh = g_kernel->Read();
                read = Seconds(start);
            }
            std::printf("kernel %d: store %.4f s, read %.4f s\n", n, stored, read);
        }
        return 0;
    }
    for (int round = 0; round < 5; ++round) {
        ++g_round;
        Gateway gateway(UserName('P', g_round));
        std::vector<ObjectPtr> objects = gateway.MakeObjects(n);
        auto start = std::chrono::steady_clock::now();
        if (what == "store" || round == 0) {
            gateway.Store(objects);
        }
        double stored = Seconds(start);
        start = std::chrono::steady_clock::now();
        if (what == "read") {
            std::vector<ObjectPtr> fresh = gateway.Read(n);
        }
        std::printf("%s %d: store %.4f s (register %.4f, write %.4f, commit %.4f), read %.4f s\n", what.c_str(), n, stored,
                    gateway.phases[0], gateway.phases[1], gateway.phases[2], Seconds(start));
    }
    return 0;
}

int main(int argc, char** argv)
{
    const bool profile = argc == 4 && std::string(argv[1]) == "--profile";
    if (!profile) {
        benchmark::Initialize(&argc, argv);
    }
    if (const char* dir = std::getenv("GATEWAY_BENCH_DIR")) {
        g_dir = dir;
        std::filesystem::create_directories(g_dir);
    } else {
        char tmpl[] = "/tmp/gateway_bench_XXXXXX";
        if (!mkdtemp(tmpl)) {
            Die("mkdtemp");
        }
        g_dir = tmpl;
    }
    sqlengine::Engine::Instance().SetBusyTimeout(0);
    Setup();
    g_kernel = new Kernel();
    bool ok = true;
    if (profile) {
        Profile(argv[2], std::atoi(argv[3]));
    } else {
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        ok = Summary();
    }
    delete g_kernel;
    KxGInstallMappingCompletion(false);
    sqlengine::Engine::Instance().UnregisterServer(kServer);
    sqlengine::Engine::Instance().UnregisterServer(kKernelServer);
    if (!std::getenv("GATEWAY_BENCH_DIR")) {
        std::error_code ec;
        std::filesystem::remove_all(g_dir, ec);
    }
    return ok ? 0 : 1;
}
