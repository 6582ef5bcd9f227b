// The main job: starts the kernel, loads the relational gateway through the kernel's module
// registry, reads a class dictionary from its declaration file, and makes the gateway's own tables
// in a relational schema of the embedded default server: the lock objects, the class and member
// catalog, the root block and the surrogate counter; then takes a block of object ids from it.
// Then the schema mapper relgen creates the whole relational schema of the shop dictionary
// (demo/dictionaries/shop) online on a server of the engine, and what it created is printed.
// Finally the kernel opens that database through the gateway (server "Oracle$SHOPSRV"), stores a
// few hundred objects of the shop's classes in one transaction, reads them back by reference, runs
// a query and an extent scan, deletes some, and prints the row counts of the tables.
//
//   tessaform_demo [work-folder]     (default: a new folder under /tmp)
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "DemoShell.h"
#include "KxBase.h"
#include "KxBucket.h"
#include "KxObject.h"
#include "KxQuery.h"
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

using demo::ShellQuote;

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

    // The option file: orders are scanned along their extent and read whole (PREFETCH).
    const std::string options = folder + "/shop.opt";
    if (FILE* file = std::fopen(options.c_str(), "w")) {
        std::fprintf(file, "; orders are read along their extent: whole rows, 100 a fetch\nOrder * PREFETCH 100\n");
        std::fclose(file);
    } else {
        std::fprintf(stderr, "cannot write %s\n", options.c_str());
        return false;
    }

    const std::string command = "cd " + ShellQuote(folder) + " && ROG_ENGINE_SERVERS=" +
                                ShellQuote(std::string(kShopServer) + "=" + serverFolder) + " " + ShellQuote(DEMO_RELGEN) +
                                " -c -D shop -S " + ShellQuote(std::string("Oracle$") + kShopServer) + " -B " + kShopUser +
                                " -u " + kShopUser + " -p " + kShopPassword + " -o shop.opt -r -config kx.ini";
    std::printf("\n$ relgen -c -D shop -S Oracle$%s -B %s -u %s -p %s -o shop.opt -r -config kx.ini\n", kShopServer,
                kShopUser, kShopUser, kShopPassword);
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


// ---- the main job: the kernel stores objects through the gateway ----------------------------------

int32_t ShopLogIn(KxString& user, KxString& password, int32_t /*flags*/)
{
    user = KxString(kShopUser);
    password = KxString(kShopPassword);
    return 1;
}

template <typename T>
T& At(KxObject& object, const char* member)
{
    return *reinterpret_cast<T*>(object.MemberAddress(*object.GetMetaClass()->FindMember(KxString(member)), 0));
}

const KxMetaClass* ShopClass(KxBase& base, const char* name)
{
    const KxMetaType* type = base.GetDictionary() != nullptr ? base.GetDictionary()->FindByName(KxString(name)) : nullptr;
    return type != nullptr ? type->AsClass() : nullptr;
}

int64_t CountRows(sqlengine::Session& session, const std::string& table)
{
    sqlengine::Error err;
    sqlengine::Outcome out;
    auto statement = session.Prepare("SELECT COUNT(*) FROM SHOP." + table, err);
    if (!statement || !statement->Run({}, out, err) || out.result.rows.empty()) {
        return -1;
    }
    return out.result.rows[0][0].integer;
}

void PrintCounts(const char* when)
{
    sqlengine::Error err;
    auto server = sqlengine::Engine::Instance().FindServer(kShopServer);
    auto session = server ? sqlengine::Session::Begin(server, kShopUser, kShopPassword, err) : nullptr;
    if (!session) {
        return;
    }
    std::printf("  rows %-22s", when);
    for (const char* table : {"PARTYC1V0", "CUSTOMERC2V0", "SUPPLIERC3V0", "PRODUCTC4V0", "ORDERC5V0", "ORDERSC2P0V0",
                              "SURROGATES", "LOCKS", "ACTIVECLIENTS"}) {
        std::printf(" %s=%lld", table, static_cast<long long>(CountRows(*session, table)));
    }
    std::printf("\n");
    session->End();
}

bool Check(int32_t status, const char* what)
{
    if (status < 0) {
        std::fprintf(stderr, "%s failed: %d\n", what, static_cast<int>(status));
        return false;
    }
    return true;
}

struct Release {
    void operator()(KxObject* object) const
    {
        if (object != nullptr) {
            object->Release();
        }
    }
};
using Held = std::unique_ptr<KxObject, Release>;

// The kernel connects to "SHOPDB" ([servers\SHOPDB] name=Oracle$SHOPSRV), opens the database relgen
// made and works on it through its own calls only.
bool RunKernelJob(const std::string& folder)
{
    const std::string config = folder + "/kx.ini";
    if (FILE* file = std::fopen(config.c_str(), "a")) {
        std::fprintf(file, "[servers\\SHOPDB]\nname=Oracle$%s\n", kShopServer);
        std::fclose(file);
    }
    // The Oracle adapter finds the engine's server folder as relgen did.
    setenv("ROG_ENGINE_SERVERS", (std::string(kShopServer) + "=" + folder + "/shopserver").c_str(), 1);
    KxParameterSet parameters;
    parameters.Append("ClientName", "demo");
    parameters.Append("ConfigFile", config.c_str());
    if (InitKelvox(&parameters) < 0) {
        std::fprintf(stderr, "the kernel did not start\n");
        return false;
    }
    KxBase::KELVOX()->SetUserNameFunction(&ShopLogIn);
    // The shop's dictionary is found through the configuration, not the sample's folder.
    KxBase::KELVOX()->SetDictionaryPath(KxString("LOCAL"), KxString(""));
    bool ok = true;
    {
        KxBase base{KxString(kShopUser)};
        ok = Check(base.Connect(KxString("SHOPDB")), "connect") && Check(base.Open(), "open");
        std::printf("\nkernel base %s on %s$%s: %s\n", kShopUser, base.GetBrand().StrGet(),
                    base.GetPhysicalServer().StrGet(), ok ? "open" : "not open");
        const KxMetaClass* customer = ok ? ShopClass(base, "Customer") : nullptr;
        const KxMetaClass* supplier = ok ? ShopClass(base, "Supplier") : nullptr;
        const KxMetaClass* product = ok ? ShopClass(base, "Product") : nullptr;
        const KxMetaClass* order = ok ? ShopClass(base, "Order") : nullptr;
        ok = ok && customer && supplier && product && order;

        // One transaction: 10 suppliers, 100 products, 40 customers, 200 orders, and each customer's set
        // of the orders that name it.
        std::vector<KxRef> suppliers, products, customers, orders;
        std::vector<Held> customerObjects, orderObjects;   // kept to fill the customers' sets
        ok = ok && Check(base.BeginTransaction(), "begin");
        auto make = [&](const KxMetaClass* cls, std::vector<KxRef>& refs, auto fill,
                        std::vector<Held>* keep = nullptr) {
            KxObject* made = nullptr;
            if (!ok || !Check(base.GetObjectMgr()->Create(cls, made), "create")) {
                ok = false;
                return;
            }
            Held object(made);
            fill(*object, refs.size());
            ok = Check(base.StoreObject(object.get()), "store");
            refs.push_back(object->GetRef());
            if (keep != nullptr) {
                keep->push_back(std::move(object));
            }
        };
        for (int i = 0; ok && i < 10; ++i) {
            make(supplier, suppliers, [](KxObject& o, size_t n) {
                At<KxString>(o, "name") = KxString(("supplier " + std::to_string(n + 1)).c_str());
                At<int32_t>(o, "rating") = static_cast<int32_t>(n % 5) + 1;
            });
        }
        for (int i = 0; ok && i < 100; ++i) {
            make(product, products, [&](KxObject& o, size_t n) {
                At<KxString>(o, "title") = KxString(("product " + std::to_string(n + 1)).c_str());
                At<double>(o, "price") = 5.0 + static_cast<double>(n);
                At<KxOnDemand>(o, "supplier").Assign(nullptr, suppliers[n % suppliers.size()], &base);
            });
        }
        for (int i = 0; ok && i < 40; ++i) {
            make(
                customer, customers,
                [](KxObject& o, size_t n) {
                    At<KxString>(o, "name") = KxString(("customer " + std::to_string(n + 1)).c_str());
                    At<KxString>(o, "email") = KxString(("c" + std::to_string(n + 1) + "@shop.example").c_str());
                },
                &customerObjects);
        }
        for (int i = 0; ok && i < 200; ++i) {
            make(
                order, orders,
                [&](KxObject& o, size_t n) {
                    At<int32_t>(o, "number") = static_cast<int32_t>(n) + 1;
                    At<int32_t>(o, "quantity") = static_cast<int32_t>(n % 7) + 1;
                    At<KxOnDemand>(o, "customer").Assign(nullptr, customers[n % customers.size()], &base);
                    At<KxOnDemand>(o, "product").Assign(nullptr, products[n % products.size()], &base);
                },
                &orderObjects);
        }
        size_t setElements = 0;
        for (size_t c = 0; ok && c < customerObjects.size(); ++c) {
            KxObjectSet& set = At<KxObjectSet>(*customerObjects[c], "orders");
            for (size_t n = c; ok && n < orderObjects.size(); n += customerObjects.size()) {
                ok = Check(set.Add(orderObjects[n].get()), "add to set");
                ++setElements;
            }
            ok = ok && Check(base.StoreObject(customerObjects[c].get()), "store");
        }
        customerObjects.clear();
        orderObjects.clear();
        ok = ok && Check(base.CommitTransaction(), "commit");
        if (ok) {
            std::printf("stored in one transaction: %zu suppliers, %zu products, %zu customers (their sets hold %zu "
                        "orders), %zu orders\n",
                        suppliers.size(), products.size(), customers.size(), setElements, orders.size());
            PrintCounts("after the commit:");
        }

        // A second base (a connection of its own, an empty object space) reads them back by reference.
        if (ok) {
            KxBase reader{KxString(kShopUser)};
            ok = Check(reader.Connect(KxString("SHOPDB")), "connect") && Check(reader.Open(), "open") &&
                 Check(reader.BeginTransaction(), "begin");
            size_t read = 0;
            double total = 0;
            size_t inSets = 0;
            int64_t numbers = 0;
            for (const std::vector<KxRef>* refs : {&suppliers, &products, &customers, &orders}) {
                for (size_t i = 0; ok && i < refs->size(); ++i) {
                    KxObject* object = nullptr;
                    ok = Check(reader.GetObject((*refs)[i], object), "read");
                    Held hold(object);
                    ++read;
                    if (ok && refs == &products) {
                        total += At<double>(*object, "price");
                    }
                    // A customer's set comes with its orders, read from the database as well.
                    const KxObjectSet* set = ok && refs == &customers ? &At<KxObjectSet>(*object, "orders") : nullptr;
                    for (uint32_t e = 0; set != nullptr && e < set->Count(); ++e) {
                        ++inSets;
                        numbers += At<int32_t>(*set->Get(e), "number");
                    }
                }
            }
            ok = ok && Check(reader.CommitTransaction(), "commit");
            std::printf("read back by reference on a second connection: %zu objects (prices add up to %.0f; the "
                        "customers' sets hold %zu orders, their numbers add up to %lld)\n",
                        read, total, inSets, static_cast<long long>(numbers));
            ok = ok && inSets == setElements;
        }

        // A query and an extent scan.
        ok = ok && Check(base.BeginTransaction(), "begin");
        if (ok) {
            KxQuery query(product->GetClassId());
            uint16_t price = 0;
            const auto& members = product->GetAllMembers();
            for (uint16_t i = 0; i < members.size(); ++i) {
                if (members[i]->GetName() == KxString("price")) {
                    price = i;
                }
            }
            query.SetMember(price, product->GetClassId(), 5, KxQueryValue::Real(80));
            KxRefList found;
            ok = Check(base.Query(query, found), "query");
            std::printf("query: products with price >= 80: %zu\n", found.size());

            int32_t count = 0;
            ok = ok && Check(base.GetExtentCount(order->GetClassId(), count), "count");
            int32_t known = 0;
            std::unique_ptr<KxBucketCru> cursor(base.CreateCursor(order->GetClassId(), known));
            size_t scanned = 0;
            int64_t quantity = 0;
            KxRef ref;
            int32_t rc = cursor ? base.Seek(order->GetClassId(), cursor.get(), 0, 0, ref) : -1;
            while (ok && rc == 0) {
                ++scanned;
                KxObject* object = nullptr;
                if (base.GetObject(ref, object) == 0) {
                    Held hold(object);
                    quantity += At<int32_t>(*object, "quantity");
                }
                rc = base.Seek(order->GetClassId(), cursor.get(), 1, 1, ref);
            }
            cursor.reset();
            std::printf("extent of Order: count %d, scanned %zu in object-id order (quantities add up to %lld)\n",
                        static_cast<int>(count), scanned, static_cast<long long>(quantity));
        }

        // Delete the first 50 orders and 5 customers.
        for (size_t i = 0; ok && i < 50; ++i) {
            ok = Check(base.DeleteObject(orders[i]), "delete");
        }
        for (size_t i = 0; ok && i < 5; ++i) {
            ok = Check(base.DeleteObject(customers[i]), "delete");
        }
        ok = ok && Check(base.CommitTransaction(), "commit");
        if (ok) {
            std::printf("deleted 50 orders and 5 customers\n");
            PrintCounts("after the deletes:");
        }
        if (base.Close() < 0) {
            ok = false;
        }
        PrintCounts("after the close:");
    }
    KxBase::KELVOX()->SetUserNameFunction(nullptr);
    DeinitKelvox();
    return ok;
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
    ok = ok && RunSchemaMapper(folder) && RunKernelJob(folder);
    std::printf("\nwork folder %s\n", folder.c_str());
    return ok ? 0 : 1;
}
