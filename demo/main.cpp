// The main job: starts the kernel, loads the relational gateway through the kernel's module
// registry, reads a class dictionary from its declaration file, and makes the gateway's own tables
// in a relational schema of the embedded default server: the lock objects, the class and member
// catalog, the root block and the surrogate counter; then takes a block of object ids from it.
// Finally the schema mapper relgen creates the whole relational schema of the shop dictionary
// (demo/dictionaries/shop) online on a server of the engine, and what it created is printed.
//
//   tessaform_demo [work-folder]     (default: a new folder under /tmp)
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "KxBase.h"
#include "KxClassDict.h"
#include "KxGCatalogTables.h"
#include "KxGColumn.h"
#include "KxGDatabase.h"
#include "KxGProjection.h"
#include "KxGRootblock.h"
#include "KxGSchemaConstants.h"
#include "KxGStatement.h"
#include "KxGStatementTemplate.h"
#include "KxGSurrogates.h"
#include "KxGatewayClient.h"
#include "KxGatewayClientFactory.h"
#include "KxMetaType.h"
#include "KxRoot.h"
#include "KxTypeMgr.h"
#include "kxfound.h"
#include "kxkernel.h"
#include "sqlengine.h"

namespace {

const char kUser[] = "DEMO";
const char kPassword[] = "demo";

int32_t LogIn(KxString& user, KxString& password, int32_t /*flags*/)
{
    user = KxString(kUser);
    password = KxString(kPassword);
    return 1;
}

bool ShowModule()
{
    KxDllManager* modules = KxBase::KELVOX()->GetDllManager();
    KxString file = DllNameClass::GetDllName("relgate");
    KxLoadableModule* gateway = modules->GetLoadable(file);
    if (!gateway) {
        gateway = new KxLoadableModule(file);
        modules->RegisterDll(gateway);
    }
    if (gateway->Load() != 0) {
        std::fprintf(stderr, "cannot load %s: %s\n", file.StrGet(), gateway->GetLastError().StrGet());
        return false;
    }
    const KxModuleDescription& d = gateway->GetDescription();
    std::printf("module      %s\n", d.name.StrGet());
    std::printf("version     %d.%d.%d.%d\n", d.major, d.minor, d.release, d.build);
    std::printf("built       %s\n", d.buildStamp.StrGet());
    std::printf("compiler    %s %d\n", d.compilerName.StrGet(), d.compilerVersion);
    std::printf("description %s\n", d.description.StrGet());
    gateway->Unload();
    return true;
}

// The sample dictionary's classes, each with its members in canonical order.
bool ShowDictionary()
{
    KxRoot* root = KxBase::KELVOX();
    root->SetDictionaryPath(KxString("LOCAL"), KxString(DEMO_DICTIONARY_PATH));
    KxClassDict* dict = nullptr;
    KxString error;
    if (root->GetDictionary(KxString("LOCAL"), KxString("sample"), dict, &error) != 0) {
        std::fprintf(stderr, "cannot read the dictionary: %s\n", error.StrGet());
        return false;
    }
    std::printf("\ndictionary  %s (%s), revision %u\n", dict->GetName().StrGet(), dict->GetLogicalName().StrGet(),
                static_cast<unsigned>(dict->GetRevision()));
    for (uint32_t i = 0; i < dict->GetDescriptorCount(); ++i) {
        const KxClassDescriptor* descriptor = nullptr;
        const KxMetaClass* cls =
            dict->GetDescriptor(i, descriptor) == 0 && descriptor != nullptr ? descriptor->GetMetaClass() : nullptr;
        if (cls == nullptr) {
            continue;
        }
        std::string members;
        for (const KxMember* m : cls->GetAllMembers()) {
            members += (members.empty() ? "" : ", ") + std::string(m->GetName().StrGet());
        }
        std::printf("  class %-8s %s\n", cls->GetName().StrGet(), members.c_str());
    }
    root->ReleaseDictionary(dict);
    return true;
}

bool Run(KxGDatabase& database, KxGStatementTemplate* made)
{
    std::unique_ptr<KxGStatementTemplate> owned(made);
    if (!owned) {
        return false;
    }
    KxGStoreStatement statement(&database, owned.get(), 0);
    if (statement.Execute() != 1) {
        std::fprintf(stderr, "%s\n  %s\n", owned->GetSQLText().StrGet(), database.GetError()->Text());
        return false;
    }
    return true;
}

bool Run(KxGDatabase& database, const KxString& text)
{
    return Run(database, new KxGStoreStatementTemplate(text));
}

// The gateway's own tables in the schema DEMO, made through the Oracle adapter's dialect.
bool MakeGatewayTables(KxGDatabase& database)
{
    KxGDatabaseInfo& info = *database.GetDatabaseInfo();
    KxGStatementTemplateList list;
    info.CreateLocks(KxString(kUser), list);
    bool ok = true;
    for (uint32_t i = 0; ok && i < list.Count(); ++i) {
        ok = Run(database, new KxGStatementTemplate(*list.GetTemplate(i)));
    }
    list.ClearAll();
    KxGVersionTable classes(database);
    KxGColumnTable members(database);
    KxGRootblock root(&database);
    ok = ok && Run(database, classes.CreateTemplate()) && Run(database, members.CreateTemplate()) &&
         Run(database, root.CreateTemplate());

    KxGTable surrogates(KxGSchemaConstants::GetSurrogatesTable(), KxString(kUser));
    KxGColumn id(KxString("ID"), KX_TYPE_LONG, 0, KXG_COLUMN_KEY | KXG_COLUMN_NOT_NULL);
    KxGColumn serial(KxString("SERIAL_ID"), KX_TYPE_OBJID, 0, KXG_COLUMN_NOT_NULL);
    KxGExtendedProjection columns(surrogates);
    columns.AddColumn(id);
    columns.AddColumn(serial);
    ok = ok && Run(database, info.CreateTable(surrogates, columns)) &&
         Run(database, KxString("INSERT INTO DEMO.SURROGATES (ID, SERIAL_ID) VALUES (1, 100)"));

    const std::vector<std::pair<const char*, const char*>> rows = {
        {"DictionaryName", "sample"}, {"DictionaryServer", "LOCAL"}, {"RO GW Version", "1024"}};
    for (const auto& row : rows) {
        KxString insert;
        ok = ok && root.SetValue(KxGRootblockEntry(row.first, KX_TYPE_STRING), KxString(row.second), insert) &&
             Run(database, insert);
    }
    return ok && database.CommitConnection() == 1;
}

void ShowCatalog(const std::shared_ptr<sqlengine::Server>& server)
{
    sqlengine::Error err;
    auto session = sqlengine::Session::Begin(server, kUser, kPassword, err);
    if (!session) {
        return;
    }
    auto statement = session->Prepare("SELECT OBJECT_NAME, OBJECT_TYPE, STATUS FROM USER_OBJECTS ORDER BY OBJECT_TYPE, OBJECT_NAME", err);
    sqlengine::Outcome out;
    if (statement && statement->Run({}, out, err)) {
        std::printf("\nschema %s on the embedded server\n", kUser);
        for (const auto& row : out.result.rows) {
            std::printf("  %-10s %-16s %s\n", row[1].bytes.c_str(), row[0].bytes.c_str(), row[2].bytes.c_str());
        }
    }
    statement.reset();
    session->End();
}

bool ShowRelationalSchema(const std::string& folder)
{
    sqlengine::Error err;
    std::shared_ptr<sqlengine::Server> server =
        sqlengine::Engine::Instance().RegisterServer("LOCAL", folder + "/server", &err);
    if (!server || !server->AddUser(kUser, kPassword, false, &err)) {
        std::fprintf(stderr, "embedded server: %s\n", err.message.c_str());
        return false;
    }
    KxBase::KELVOX()->SetUserNameFunction(&LogIn);
    KxBase base(KxString("demo"));
    KxGatewayClientFactory factory{KxString("Oracle")};
    std::unique_ptr<KxGatewayClient> client(static_cast<KxGatewayClient*>(factory.CreateConnection(&base)));
    KxString name;
    if (!client || client->SetServer(&base, KxString("demo"), KxString("LOCAL")) != 0 ||
        client->OpenClient(KxString("demo"), name, 0) != 0 || client->GetDatabase() == nullptr) {
        std::fprintf(stderr, "the gateway client could not log in\n");
        return false;
    }
    bool ok = MakeGatewayTables(*client->GetDatabase());
    if (ok) {
        ShowCatalog(server);
        KxGSurrogateAllocator allocator(client->GetDatabase());
        KxObjId first(1);
        ok = allocator.Fetch(first, 10) != 0;
        if (ok) {
            std::printf("\nobject ids  %llu .. %llu taken from SURROGATES\n",
                        static_cast<unsigned long long>(first.Get64()), static_cast<unsigned long long>(first.Get64() + 9));
        }
    }
    client->CloseClient();
    KxBase::KELVOX()->SetUserNameFunction(nullptr);
    return ok;
}

// ---- the main job: relgen makes the schema of the shop dictionary -----------------------------------

const char kShopServer[] = "SHOPSRV";
const char kShopUser[] = "SHOP";
const char kShopPassword[] = "shop";

std::string Quote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

// Prints the rows of a query on the schema, each value padded to its column's width.
void PrintRows(sqlengine::Session& session, const char* title, const std::string& sql, const std::vector<int>& widths)
{
    sqlengine::Error err;
    sqlengine::Outcome out;
    auto statement = session.Prepare(sql, err);
    if (!statement || !statement->Run({}, out, err)) {
        std::fprintf(stderr, "%s: %s\n", sql.c_str(), err.message.c_str());
        return;
    }
    std::printf("\n%s\n", title);
    for (const auto& row : out.result.rows) {
        std::string line = " ";
        for (size_t i = 0; i < row.size(); ++i) {
            std::string value = row[i].type == sqlengine::Value::Type::Null      ? std::string("NULL")
                                : row[i].type == sqlengine::Value::Type::Integer ? std::to_string(row[i].integer)
                                                                                 : row[i].bytes;
            const int width = i < widths.size() ? widths[i] : 0;
            if (static_cast<int>(value.size()) < width) {
                value.resize(static_cast<size_t>(width), ' ');
            }
            line += " " + value;
        }
        std::printf("%s\n", line.c_str());
    }
}

// A server of the embedded engine in <folder>/shopserver with the schema user SHOP; relgen, a program
// of its own, reaches it through ROG_ENGINE_SERVERS. relgen creates the gateway schema of the shop
// dictionary online; then the schema's objects and the root block are printed from the engine.
bool RunSchemaMapper(const std::string& folder)
{
    const std::string serverFolder = folder + "/shopserver";
    sqlengine::Error err;
    {
        auto server = sqlengine::Engine::Instance().RegisterServer(kShopServer, serverFolder, &err);
        // The schema owner makes the schema's role too.
        if (!server || !server->AddUser(kShopUser, kShopPassword, false, &err) ||
            !server->GrantSystem(kShopUser, "CREATE ROLE", err)) {
            std::fprintf(stderr, "embedded server: %s\n", err.message.c_str());
            return false;
        }
        sqlengine::Engine::Instance().UnregisterServer(kShopServer);
    }
    const std::string config = folder + "/kx.ini";
    if (FILE* file = std::fopen(config.c_str(), "w")) {
        std::fprintf(file, "[servers\\LOCAL]\nDictionaryPath=%s\n", DEMO_SHOP_DICTIONARIES);
        std::fclose(file);
    } else {
        std::fprintf(stderr, "cannot write %s\n", config.c_str());
        return false;
    }

    const std::string command = "cd " + Quote(folder) + " && ROG_ENGINE_SERVERS=" +
                                Quote(std::string(kShopServer) + "=" + serverFolder) + " " + Quote(DEMO_RELGEN) +
                                " -c -D shop -S " + Quote(std::string("Oracle$") + kShopServer) + " -B " + kShopUser +
                                " -u " + kShopUser + " -p " + kShopPassword + " -r -config kx.ini";
    std::printf("\n$ relgen -c -D shop -S Oracle$%s -B %s -u %s -p %s -r -config kx.ini\n", kShopServer, kShopUser,
                kShopUser, kShopPassword);
    std::fflush(stdout);
    const int status = std::system(command.c_str());
    std::fflush(stdout);
    if (status != 0) {
        std::fprintf(stderr, "relgen failed (status %d); see %s/SHOP.LOG\n", status, folder.c_str());
        return false;
    }

    auto server = sqlengine::Engine::Instance().RegisterServer(kShopServer, serverFolder, &err);
    auto session = server ? sqlengine::Session::Begin(server, kShopUser, kShopPassword, err) : nullptr;
    if (!session) {
        std::fprintf(stderr, "embedded server: %s\n", err.message.c_str());
        return false;
    }
    PrintRows(*session, "created in schema SHOP:",
              "SELECT OBJECT_TYPE, OBJECT_NAME FROM USER_OBJECTS ORDER BY OBJECT_TYPE, OBJECT_NAME", {10, 0});
    PrintRows(*session, "mapped classes (KELVOX_CLASSES):",
              "SELECT CLASS_ID, VERSION, CLASS_NAME, TABLE_NAME FROM SHOP.KELVOX_CLASSES ORDER BY CLASS_ID",
              {6, 3, 10, 0});
    PrintRows(*session, "root block (ROOTBLOCK):", "SELECT KEYID, KEYVALUE FROM SHOP.ROOTBLOCK ORDER BY KEYID", {26, 0});
    session->End();
    sqlengine::Engine::Instance().UnregisterServer(kShopServer);
    std::printf("\nscript and log of the run: %s/SHOP.SQL, %s/SHOP.LOG\n", folder.c_str(), folder.c_str());
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    const char* version = nullptr;
    const char* build = nullptr;
    const char* compiler = nullptr;
    const char* compilerVersion = nullptr;
    GetKxVersionInfo(&version, &build, &compiler, &compilerVersion);
    std::printf("Tessaform kernel %s (%s), built with %s %s\n", version, build, compiler, compilerVersion);

    std::string folder;
    if (argc > 1) {
        folder = argv[1];
    } else {
        char pattern[] = "/tmp/tessaform_demo_XXXXXX";
        if (mkdtemp(pattern) == nullptr) {
            std::fprintf(stderr, "cannot make a work folder\n");
            return 1;
        }
        folder = pattern;
    }

    KxParameterSet parameters;
    parameters.Append("ClientName", "demo");
    if (InitKelvox(&parameters) < 0) {
        std::fprintf(stderr, "the kernel did not start\n");
        return 1;
    }
    bool ok = ShowModule() && ShowDictionary() && ShowRelationalSchema(folder);
    DeinitKelvox();
    ok = ok && RunSchemaMapper(folder);
    std::printf("\nwork folder %s\n", folder.c_str());
    return ok ? 0 : 1;
}
